// Name substitution in place.
//
// A defined name is not expanded into a separate token list: its value is written into
// the current file's own text so that the lexer reads it next, exactly as if it had been
// written there. The bytes already consumed before the read position are no longer
// needed, so when there are at least as many of them as the value is long, the value
// overwrites them, ending right where the name ended, and the text does not grow. Only
// near the start of a file, where fewer bytes have been consumed than the value needs,
// is room inserted at the read position instead (blanks, at least as many as the bytes it
// moves), with the value at its end. Either way the read position then points at the
// first byte of the value.
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
//
// A name that is a macro with parameters is placed the same way, but only where it is
// called; its expansion is built by the macro reader and is one step of the chain.
#include "preprocessor/substitution.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "preprocessor/directive_line.h"
#include "preprocessor/macros.h"
#include "reader/char_class.h"
#include "reader/diagnostics.h"
#include "reader/lexer.h"
#include "reader/plain_number.h"
#include "reader/parser.h"
#include "data/short_bytes.h"

namespace tarvex {

namespace {

constexpr int kChainLimit = 100;

// The value of a defined name: the defines first (a name defined as nothing has the
// empty value), then the unit constants (where an empty value means absent).
std::optional<std::string_view> FindValue(const TRCParser& parser, std::string_view name) {
  if (const std::string_view* value = parser.defines.Find(name)) return *value;
  const std::string* constant = parser.unitConstants.Find(name);
  if (constant == nullptr || constant->empty()) return std::nullopt;
  return *constant;
}

// A name written in the source (not one that a value brought) is where diagnostics about
// the tokens of its value point.
void NoteSubstitutionSite(TFileItem& file) {
  if (file.scan.at < file.substitutionMark) return;
  file.substitutionSite = {file.scan.at - std::min(file.insertedBytes, file.scan.at), file.scan.line};
}

bool IsName(std::string_view token) { return !token.empty() && IsWordStart(static_cast<unsigned char>(token[0])); }

// One substitution of `name`, whose value is `value`: counts it against the chain and
// the compilation's budget, then places the value.
void Substitute(TRCParser& parser, std::string_view name, std::string_view value, int& chain) {
  ++chain;
  if (chain > kChainLimit) ReportError(parser, 65, {name});  // Recursion for defined name %s > 100
  CountSubstitutionWork(parser, name, value.size() + kSubstitutionCost);
  PlaceSubstitutedText(*parser.currentFile, value);
}

// A value of digits alone, just placed at the read position, when the text after it
// ends a number read with C's names: it is the token that scanning would read next.
// Takes it as scanning does and returns true; false changes nothing.
bool TakePlacedDigits(TRCParser& parser, std::string_view value, std::string& token) {
  TFileItem& file = *parser.currentFile;
  const std::string& text = file.text;
  std::size_t end = file.readPosition + value.size();
  if (value.empty() || end > text.size()) return false;
  for (char c : value)
    if (!IsDigit(c)) return false;
  if (end < text.size() && (text[end] == '.' || IsWordContinuation(static_cast<unsigned char>(text[end]))))
    return false;
  parser.TokenFlag = TTokenKind::Other;
  file.previousScan = file.scan;
  file.tokenStart = file.readPosition;
  file.tokenStartLine = file.line;
  file.scan = {file.readPosition, file.line};
  file.readPosition = end;
  token.assign(value);
  return true;
}

// Whether the scope has a token left after a substitution; false ends the chain with
// the empty token.
bool TokenLeftInScope(const TRCParser& parser, TSubstitutionScope scope, bool& lineEnded) {
  if (scope == TSubstitutionScope::Text) return TokenAheadInFile(*parser.currentFile);
  if (scope == TSubstitutionScope::Input) return true;
  TLineAhead ahead = LookAheadOnLine(parser);
  lineEnded = ahead == TLineAhead::LineEnd;
  return ahead == TLineAhead::Token;
}

}  // namespace

std::size_t PlaceSubstitutedText(TFileItem& file, std::string_view text) {
  file.Original();  // the text as read, kept before it first changes
  std::size_t length = text.size();
  std::size_t read = file.readPosition;
  std::vector<TActiveExpansion>& active = file.activeExpansions;
  while (!active.empty() && active.back().end < read) active.pop_back();
  if (read >= length) {
    // The value overwrites consumed bytes and ends where the read position was.
    std::size_t start = read - length;
    if (file.substitutionMark <= read) file.substitutionMark = read;
    MoveShortBytes(file.text.data() + start, text.data(), length);
    file.readPosition = start;
    return read;
  }
  // Inserting moves all the text after the read position. The room made is at least as
  // large as what is moved, blanks ahead of the value, so that the values placed next
  // overwrite it instead of moving the text again: a value that re-introduces its own
  // name before its end, leaving ever more unread text, then costs linear time.
  std::size_t room = std::max(length, file.text.size() - read);
  file.text.insert(read, room, ' ');
  file.insertedBytes += room;
  std::size_t end = read + room;
  std::size_t start = end - length;
  if (file.substitutionMark <= read)
    file.substitutionMark = end;
  else
    file.substitutionMark += room;
  for (TActiveExpansion& expansion : active) expansion.end += room;  // all end at or after `read`
  file.text.replace(start, length, text);
  file.readPosition = start;
  return end;
}

void CountSubstitutionWork(TRCParser& parser, std::string_view name, std::uint64_t work) {
  parser.substitutionWork += work;
  if (parser.substitutionWork > kSubstitutionBudget + kSubstitutionWorkPerInputByte * parser.inputBytes)
    ReportError(parser, 65, {name});  // Recursion for defined name %s > 100
}

namespace {

// The substitutions of a chain from `token` on, `chain` of them done already. A name that
// is a macro with parameters is expanded only where it is called; anywhere else it stays
// as it is and ends the chain.
std::string SubstituteFrom(TRCParser& parser, std::string token, TSubstitutionScope scope, bool& lineEnded, int chain) {
  while (IsName(token)) {
    std::optional<std::string_view> value = FindValue(parser, token);
    if (!value) break;
    NoteSubstitutionSite(*parser.currentFile);
    if (parser.macros.Find(token) != nullptr) {
      if (!ExpandMacroCall(parser, token, scope == TSubstitutionScope::Line, chain)) break;
    } else {
      Substitute(parser, token, *value, chain);
      if (scope == TSubstitutionScope::Input && TakePlacedDigits(parser, *value, token)) break;
    }
    if (!TokenLeftInScope(parser, scope, lineEnded)) return {};
    token = ScanToken(parser);
  }
  return token;
}

bool IsDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (!IsDigit(c)) return false;
  return true;
}

}  // namespace

std::string SubstituteNamesIn(TRCParser& parser, std::string token, TSubstitutionScope scope, bool& lineEnded) {
  lineEnded = false;
  return SubstituteFrom(parser, std::move(token), scope, lineEnded, 0);
}

namespace {

// A defined name written in the current file's own text, next after blanks and line
// ends, whose value is digits alone and which is no macro.
struct TNameOfDigits {
  std::size_t at = 0;
  std::size_t end = 0;
  std::int32_t line = 0;
  std::string_view digits;
};

// Whether a name the lane found defined has a value of digits alone and is no macro.
bool IsNameOfDigits(const TRCParser& parser, std::string_view name, std::string_view value) {
  return IsDigits(value) && parser.macros.Find(name) == nullptr;
}

bool FindNameOfDigits(const TRCParser& parser, TNameOfDigits& found) {
  if (!LaneMayRead(parser, TLaneText::Directives)) return false;
  const TFileItem* file = parser.currentFile;
  const std::string& text = file->text;
  std::int32_t line = file->line;
  std::size_t at = SkipBlanksAhead(text, file->readPosition, line);
  if (at >= text.size() || !IsWordStart(static_cast<unsigned char>(text[at])) ||
      (text[at] == 'L' && at + 1 < text.size() && text[at + 1] == '"'))
    return false;
  std::size_t end = at + 1;
  for (; end < text.size(); ++end) {
    auto c = static_cast<unsigned char>(text[end]);
    if (!IsIdentifierByte(c) && !IsWordContinuation(c)) break;
  }
  std::string_view name(text.data() + at, end - at);
  const std::string_view* value = parser.defines.Find(name);
  if (value == nullptr || !IsNameOfDigits(parser, name, *value)) return false;
  found = {at, end, line, *value};
  return true;
}

// Reads the name as scanning does, notes where it stands and places its digits.
void SubstituteNameOfDigits(TRCParser& parser, const TNameOfDigits& found, int& chain) {
  TFileItem& file = *parser.currentFile;
  LeaveAfterToken(parser, file, {found.at, found.end, found.line, TTokenKind::Word});
  NoteSubstitutionSite(file);
  std::string_view name(file.text.data() + found.at, found.end - found.at);
  Substitute(parser, name, found.digits, chain);  // `name` is not read once the value is placed
}

// Whether `digits` are digits alone with the value a plain number has (PlainDecimalEnd):
// a leading zero makes an octal number, which the layers read.
bool PlainDigitsValue(std::string_view digits, std::int64_t& value) {
  std::size_t end = PlainDecimalEnd(digits, 0, value);
  return end != 0 && end == digits.size();
}

}  // namespace

// Scanning passes over blanks and line ends and reads the name; SubstituteNames finds it
// defined, notes where it stands and places its value, whose digits are read next.
bool TakeNameOfDigits(TRCParser& parser, std::string& token) {
  TNameOfDigits found;
  if (!FindNameOfDigits(parser, found)) return false;
  int chain = 0;
  SubstituteNameOfDigits(parser, found, chain);
  if (!TakePlacedDigits(parser, found.digits, token)) {
    bool lineEnded = false;
    token = SubstituteFrom(parser, ScanToken(parser), TSubstitutionScope::Input, lineEnded, chain);
  }
  return true;
}

// As TakeNameOfDigits and then the expression that the digits begin, which the follower
// ends. The digits overwrite the end of the name (a placement that would insert room,
// near the start of a file, is left to the layers).
bool TakeDefinedNumber(TRCParser& parser, const TDefinedName& defined, TCommonToken& token) {
  std::string_view name(parser.currentFile->text.data() + defined.at, defined.end - defined.at);
  std::int64_t value = 0;
  TLaneToken follower;
  if (defined.end < defined.value.size() || !PlainDigitsValue(defined.value, value) ||
      parser.macros.Find(name) != nullptr || !FindCommonFollower(parser, defined.end, defined.line, follower))
    return false;
  int chain = 0;
  SubstituteNameOfDigits(parser, {defined.at, defined.end, defined.line, defined.value}, chain);
  TakeNumberBefore(parser, {defined.end - defined.value.size(), defined.line}, defined.end, value, follower, token);
  return true;
}

std::string SubstituteNames(TRCParser& parser, std::string token) {
  bool lineEnded = false;
  return SubstituteNamesIn(parser, std::move(token), TSubstitutionScope::Input, lineEnded);
}

std::string SubstituteNamesOnLine(TRCParser& parser, std::string token, bool& lineEnded) {
  return SubstituteNamesIn(parser, std::move(token), TSubstitutionScope::Line, lineEnded);
}

}  // namespace tarvex
