// Name substitution in place.
//
// A defined name is not expanded into a separate token list: its value is written into
// the current file's own text so that the lexer reads it next, exactly as if it had been
// written there. The bytes already consumed before the read position are no longer
// needed, so when there are at least as many of them as the value is long, the value
// overwrites them, ending right where the name ended, and the text does not grow. Only
// near the start of a file, where fewer bytes have been consumed than the value needs,
// is the value inserted at the read position instead. Either way the read position then
// points at the first byte of the value.
//
// The substitution mark of the file is the first position after the most recently placed
// text. Everything between the read position and the mark is substituted text, and the
// lexer does not count line feeds that lie before the mark, so a value never moves the
// line number while the source's own line feeds, even one right after a name, still
// count. A placement inside earlier substituted text keeps the mark after all of it.
//
// The first token of a value is scanned at once and, while it is itself a defined name,
// substituted the same way: the chain. A name defined as itself would go on forever, so
// the 101st successive substitution of one chain stops with message 65. The remaining
// tokens of a value are read by later calls, each with a fresh chain. A value that
// re-introduces its own name after its first token, or names whose values double at each
// level, escape the chain limit; the total work of all substitutions of one compilation
// is therefore bounded too, far above what real scripts and their headers need.
#include "reader/substitution.h"

#include "preprocessor/directive_line.h"
#include "reader/diagnostics.h"
#include "reader/lexer.h"
#include "reader/parser.h"

namespace tarvex {

namespace {

constexpr int kChainLimit = 100;

// The value of a defined name: the defines first (a name defined as nothing has the
// empty value), then the unit constants (where an empty value means absent).
const std::string* FindValue(const TRCParser& parser, std::string_view name) {
  if (const std::string* value = parser.defines.Find(name)) return value;
  const std::string* constant = parser.unitConstants.Find(name);
  return constant != nullptr && !constant->empty() ? constant : nullptr;
}

bool IsName(std::string_view token) { return !token.empty() && IsWordStart(static_cast<unsigned char>(token[0])); }

// Writes `value` (after one blank when `blankFirst`) into the file so that it is read next.
void PlaceValue(TFileItem& file, std::string_view value, bool blankFirst) {
  std::size_t length = value.size() + (blankFirst ? 1 : 0);
  std::size_t read = file.readPosition;
  std::size_t start = read;
  if (read >= length) {
    start = read - length;
    if (file.substitutionMark <= read) file.substitutionMark = read;
  } else {
    file.text.insert(read, length, ' ');
    if (file.substitutionMark <= read)
      file.substitutionMark = read + length;
    else
      file.substitutionMark += length;
  }
  if (blankFirst) file.text[start] = ' ';
  file.text.replace(start + (blankFirst ? 1 : 0), value.size(), value);
  file.readPosition = start;
}

// One substitution of `name`, whose value is `value`: counts it against the chain and
// the compilation's budget, then places the value.
void Substitute(TRCParser& parser, const std::string& name, const std::string& value, int& chain) {
  ++chain;
  parser.substitutionWork += value.size() + kSubstitutionCost;
  if (chain > kChainLimit || parser.substitutionWork > kSubstitutionBudget)
    ReportError(parser, 65, {name});  // Recursion for defined name %s > 100
  PlaceValue(*parser.currentFile, value, parser.TokenFlag == 'b');
}

}  // namespace

std::string SubstituteNames(TRCParser& parser, std::string token) {
  int chain = 0;
  while (IsName(token)) {
    const std::string* value = FindValue(parser, token);
    if (value == nullptr) break;
    Substitute(parser, token, *value, chain);
    token = ScanToken(parser);
  }
  return token;
}

std::string SubstituteNamesOnLine(TRCParser& parser, std::string token, bool& lineEnded) {
  int chain = 0;
  lineEnded = false;
  while (IsName(token)) {
    const std::string* value = FindValue(parser, token);
    if (value == nullptr) break;
    Substitute(parser, token, *value, chain);
    TLineAhead ahead = LookAheadOnLine(parser);
    if (ahead != TLineAhead::Token) {
      lineEnded = ahead == TLineAhead::LineEnd;
      return {};
    }
    token = ScanToken(parser);
  }
  return token;
}

}  // namespace tarvex
