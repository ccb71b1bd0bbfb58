// The conditional stack holds one entry per open block: true once a branch of the
// block has been selected, false while none has. It belongs to the parser, not to a file,
// so a block opened in a header may be closed by the script that includes it.
#include "preprocessor/conditionals.h"

#include "preprocessor/directive_line.h"
#include "preprocessor/directives.h"
#include "preprocessor/expression.h"
#include "reader/diagnostics.h"
#include "reader/lexer.h"
#include "reader/parser.h"

namespace tarvex {

namespace {

// Opens a block whose first branch is selected or not.
bool OpenBlock(TRCParser& parser, bool selected) {
  parser.conditionalStack.push_back(selected);
  return selected;
}

// Carries out one conditional directive; false when the text that follows is to be
// passed over up to the next branch.
bool ApplyConditional(TRCParser& parser, const std::string& directive) {
  std::vector<bool>& stack = parser.conditionalStack;
  if (directive == "#if") return OpenBlock(parser, ConditionTrue(parser, directive));
  if (directive == "#ifdef") return OpenBlock(parser, NameDefined(parser, directive));
  if (directive == "#ifndef") return OpenBlock(parser, !NameDefined(parser, directive));
  if (directive == "#elif") {
    if (stack.empty()) ReportError(parser, 62);  // #elif encountered before #if compilation conditional
    if (stack.back() || !ConditionTrue(parser, directive)) return false;
  } else if (directive == "#else") {
    if (stack.empty()) ReportError(parser, 63);  // #else encountered before #if compilation conditional
    if (stack.back()) return false;
  } else {
    if (stack.empty()) ReportError(parser, 22);  // #endif encountered before compilation conditional
    stack.pop_back();
    return true;
  }
  stack.back() = true;
  return true;
}

}  // namespace

bool IsConditionalDirective(std::string_view directive) {
  return directive == "#if" || directive == "#ifdef" || directive == "#ifndef" || directive == "#elif" ||
         directive == "#else" || directive == "#endif";
}

void CarryOutConditional(TRCParser& parser, std::string directive) {
  while (!ApplyConditional(parser, directive)) directive = SkipFalseBlock(parser);
}

bool ConditionTrue(TRCParser& parser, std::string_view directive) { return EvaluateCondition(parser, directive); }

bool NameDefined(TRCParser& parser, std::string_view directive) {
  std::string name = ScanToken(parser);
  if (parser.TokenFlag != TTokenKind::Word) ReportError(parser, 21, {directive});  // Expecting identifier after %s
  return IsDefinedName(parser, name);
}

bool IsDefinedName(const TRCParser& parser, std::string_view name) {
  return parser.defines.Find(name) != nullptr || !parser.unitConstants.Get(name).empty();
}

// In skipped text only a "#" that is the first token of its line starts a directive, as
// in C: the macro bodies of false branches hold the "#" and "##" operators.
std::string SkipFalseBlock(TRCParser& parser) {
  int depth = 0;
  const TFileItem* lastFile = parser.currentFile;
  std::int32_t lastLine = lastFile == nullptr ? 0 : lastFile->line;
  for (;;) {
    std::string token = ScanToken(parser);
    if (token.empty()) ReportError(parser, 68);  // Unexpected end of file
    const TFileItem* file = parser.currentFile;
    bool beginsLine = file != lastFile || file->line != lastLine;
    lastFile = file;
    lastLine = file->line;
    if (token != "#" || !beginsLine || ContinuesDirectiveLine(*file, file->readPosition - 1)) continue;
    std::string directive = ReadDirectiveName(parser);
    if (directive == "#if" || directive == "#ifdef" || directive == "#ifndef") {
      ++depth;
    } else if (directive == "#endif") {
      if (depth == 0) return directive;
      --depth;
    } else if ((directive == "#elif" || directive == "#else") && depth == 0) {
      return directive;
    }
  }
}

void CheckConditionalsClosed(TRCParser& parser) {
  if (!parser.conditionalStack.empty()) ReportError(parser, 24);  // Missing #endif in compilation conditional
}

}  // namespace tarvex
