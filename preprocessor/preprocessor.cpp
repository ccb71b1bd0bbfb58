#include "preprocessor/preprocessor.h"

#include "preprocessor/directives.h"
#include "preprocessor/expression.h"
#include "preprocessor/string_literals.h"
#include "preprocessor/substitution.h"
#include "reader/char_class.h"
#include "reader/lexer.h"
#include "reader/parser.h"

namespace tarvex {

namespace {

bool BeginsExpression(char c) { return c == '!' || c == '(' || c == '+' || c == '-' || c == '~'; }

std::string Expression(TRCParser& parser, std::string_view firstToken) {
  parser.longValue = false;
  return EvaluateExpression(parser, firstToken);
}

// A file name ends at a blank, a tab, a line end or ">".
bool EndsRawWord(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '>'; }

// At the end of input the empty token starts where reading stopped, so that pushing it
// back never reads an earlier token again.
void MarkEndOfInput(TRCParser& parser) {
  if (TFileItem* file = parser.currentFile) {
    file->tokenStart = file->readPosition;
    file->tokenStartLine = file->line;
  }
}

// The common token at the read position, or a defined name whose value is a plain
// number, read as that number.
bool TakeCommonOrDefinedNumber(TRCParser& parser, TCommonToken& token) {
  TDefinedName defined;
  if (TakeCommonToken(parser, token, &defined)) return true;
  return !defined.value.empty() && TakeDefinedNumber(parser, defined, token);
}

}  // namespace

// The order of the checks below matters: a converted number (even a negative one from an
// octal constant) starts an expression before anything else looks at its first byte.
std::string GetToken(TRCParser& parser) {
  // The most common tokens, read without the layers below. Statements read names
  // through GetToken, so it does without the lane for defined names.
  if (TCommonToken common; TakeCommonToken(parser, common)) return CommonTokenText(common);
  return GetLayeredToken(parser);
}

std::string GetLayeredToken(TRCParser& parser) {
  for (;;) {
    std::string token = NextSignificantToken(parser);
    if (token.empty()) {
      MarkEndOfInput(parser);
      return token;
    }
    bool isNumber = IsNumberToken(parser);
    if (isNumber || BeginsExpression(token[0])) return Expression(parser, token);
    if (IsDigit(token[0])) return token;  // begins like a number but is none
    if (token[0] == '\'') return NormaliseDataString(token);
    if (token[0] == '"' || IsWideLiteral(token)) return JoinAdjacentStrings(parser, std::move(token));
    if (token == "\\") continue;
    if (parser.TokenFlag != TTokenKind::Word) return token;
    if (IsWord(token, "BEGIN")) return "{";
    if (IsWord(token, "END")) return "}";
    if (IsWord(token, "NOT")) {
      parser.longValue = false;
      return EvaluateNotExpression(parser);
    }
    if (!IsWord(token, "RCINCLUDE")) return token;
    IncludeFile(parser);
  }
}

bool GetCommonToken(TRCParser& parser, TCommonToken& token, std::string& text) {
  if (TakeCommonToken(parser, token)) return true;
  text = GetLayeredToken(parser);
  return false;
}

std::string ReadRawWord(TRCParser& parser) {
  while (parser.currentFile != nullptr && parser.currentFile->Exhausted()) {
    if (parser.fileStack.size() <= 1) return {};
    CloseSourceFile(parser);
  }
  if (parser.currentFile == nullptr) return {};
  TFileItem& file = *parser.currentFile;
  std::size_t start = file.readPosition;
  std::size_t end = start;
  while (end < file.text.size() && !EndsRawWord(file.text[end])) ++end;
  file.readPosition = end;
  return file.text.substr(start, end - start);
}

std::string SkipOptionalSeparator(TRCParser& parser, std::string_view separator) {
  if (separator == "," && CommaAhead(parser, true)) return GetToken(parser);
  std::string token = GetToken(parser);
  if (!token.empty() && separator.find(token) != std::string_view::npos) return GetToken(parser);
  return token;
}

bool SkipCommasToCommon(TRCParser& parser, TCommonToken& token, std::string& text) {
  if (!LaneMayRead(parser)) {
    text = SkipSeparators(parser, ",");
    return false;
  }
  TakeCommasAhead(parser);
  if (TakeCommonOrDefinedNumber(parser, token)) return true;
  text = GetLayeredToken(parser);  // the lane has looked already
  while (text == ",") text = GetToken(parser);
  return false;
}

bool SkipOptionalCommaToCommon(TRCParser& parser, TCommonToken& token, std::string& text) {
  // Taking a comma leaves the current file as it is
  bool tookComma = CommaAhead(parser, true);
  if (TakeCommonOrDefinedNumber(parser, token)) return true;
  text = GetLayeredToken(parser);
  if (!tookComma && text == ",") text = GetToken(parser);
  return false;
}

std::string SkipSeparators(TRCParser& parser, std::string_view separator) {
  if (separator == ",")
    TakeCommasAhead(parser);
  std::string token = GetToken(parser);
  while (!token.empty() && separator.find(token) != std::string_view::npos) token = GetToken(parser);
  return token;
}

}  // namespace tarvex
