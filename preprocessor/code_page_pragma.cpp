#include "preprocessor/code_page_pragma.h"

#include <string>
#include <string_view>

#include "preprocessor/directive_line.h"
#include "reader/char_class.h"
#include "reader/diagnostics.h"
#include "reader/name_value.h"
#include "reader/parser.h"
#include "reader/utf16.h"

namespace tarvex {

namespace {

std::string_view SkipBlanks(std::string_view text) {
  while (!text.empty() && IsSpaceOrTab(text.front())) text.remove_prefix(1);
  return text;
}

// The operand of `code_page(operand)` with blanks around it removed; false when `text`
// is no code_page pragma. `wellFormed` tells whether the parentheses are there, hold an
// operand and nothing follows them.
bool CodePageOperand(std::string_view text, std::string_view& operand, bool& wellFormed) {
  constexpr std::string_view kName = "code_page";
  if (text.substr(0, kName.size()) != kName) return false;
  std::string_view rest = text.substr(kName.size());
  if (!rest.empty() && !IsSpaceOrTab(rest.front()) && rest.front() != '(') return false;  // code_pages, ...
  rest = SkipBlanks(rest);
  std::size_t close = rest.find(')');
  wellFormed = !rest.empty() && rest.front() == '(' && close != std::string_view::npos &&
               SkipBlanks(rest.substr(close + 1)).empty();
  if (!wellFormed) return true;
  operand = SkipBlanks(rest.substr(1, close - 1));
  while (!operand.empty() && IsSpaceOrTab(operand.back())) operand.remove_suffix(1);
  wellFormed = !operand.empty();
  return true;
}

}  // namespace

// pragma := "#pragma" "code_page" "(" (number | DEFAULT) ")" | "#pragma" other-text
void PragmaDirective(TRCParser& parser) {
  std::string text = ReadDirectiveLine(parser, TContinuation::Value);
  std::string_view operand;
  bool wellFormed = false;
  if (!CodePageOperand(text, operand, wellFormed)) return;
  // A UTF-16 file names its characters itself; its code page pragma (editors write one)
  // names only the code page of the bytes its literals write as escapes (\xFD).
  if (parser.currentFile != nullptr && parser.currentFile->fromUtf16) {
    std::string charset;
    if (UpperCase(operand) == "DEFAULT" || (wellFormed && CodePageCharset(operand, charset)))
      parser.currentFile->escapedByteCharset = charset;
    return;
  }
  if (!wellFormed)
    ReportLocatedFailure(parser,
                         "#pragma code_page expects a code page number or DEFAULT in parentheses: #pragma " + text);
  if (UpperCase(operand) == "DEFAULT") {
    parser.codePage.clear();
    return;
  }
  std::string charset;
  if (!CodePageCharset(operand, charset)) ReportLocatedFailure(parser, "Unknown code page " + std::string(operand));
  parser.codePage = charset;
}

}  // namespace tarvex
