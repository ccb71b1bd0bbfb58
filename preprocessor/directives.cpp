#include "preprocessor/directives.h"

#include "preprocessor/code_page_pragma.h"
#include "preprocessor/conditionals.h"
#include "preprocessor/directive_line.h"
#include "preprocessor/macros.h"
#include "preprocessor/pascal_unit.h"
#include "preprocessor/preprocessor.h"
#include "preprocessor/sdk_headers.h"
#include "preprocessor/substitution.h"
#include "reader/diagnostics.h"
#include "reader/lexer.h"
#include "reader/numbers.h"
#include "reader/parser.h"

namespace tarvex {

namespace {

bool BeginsName(std::string_view token) { return !token.empty() && IsWordStart(static_cast<unsigned char>(token[0])); }

// The name after #define or #undef, read raw; single backslashes before it are passed over.
std::string ReadDirectiveOperandName(TRCParser& parser) {
  std::string name = ScanToken(parser);
  while (name == "\\") name = ScanToken(parser);
  return name;
}

// Whether a file name ends at the read position: a blank, tab, line end or ">" follows.
bool AtFileNameEnd(const TRCParser& parser) {
  const TFileItem* file = parser.currentFile;
  if (file == nullptr || file->Exhausted()) return true;
  char c = file->text[file->readPosition];
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '>';
}

// The file an #include or RCINCLUDE names, and where it is looked for first.
struct TIncludeName {
  std::string name;
  TSearchOrder order = TSearchOrder::WorkingDirectoryFirst;
};

// name := '"' text '"' | "<" word [raw-word] ">" | word [raw-word]
// A quoted name is taken as written: its backslashes separate folders and escape nothing.
TIncludeName ReadIncludeName(TRCParser& parser) {
  std::string token = ScanToken(parser);
  if (token.empty()) ReportError(parser, 68);  // Unexpected end of file
  if (token[0] == '"') {
    std::string name(TrimControlBytes(std::string_view(token).substr(1, token.size() - 2)));
    if (name.empty()) ReportError(parser, 11);  // Empty filename
    return {name, TSearchOrder::NamingFolderFirst};
  }
  if (token != "<") return {AtFileNameEnd(parser) ? token : token + ReadRawWord(parser)};
  std::string name = ScanToken(parser);
  if (name == ">") ReportError(parser, 11);                    // Empty filename
  if (parser.currentFile == nullptr) ReportError(parser, 10);  // ">" expected
  if (!AtFileNameEnd(parser)) name += ReadRawWord(parser);
  if (ScanToken(parser) != ">") ReportError(parser, 10);  // ">" expected
  return {name};
}

}  // namespace

std::string NextToken(TRCParser& parser) {
  std::string token = ScanToken(parser);
  if (token.empty()) return token;
  if (IsWordStart(static_cast<unsigned char>(token[0])) && !IsWideLiteral(token))
    token = SubstituteNames(parser, std::move(token));
  if (!BeginsNumber(token)) return token;
  return ConvertNumber(parser, token);
}

bool ReadsDirectivesOnly(const TFileItem& file) { return file.extension == ".H" || file.extension == ".C"; }

std::string NextSignificantToken(TRCParser& parser) {
  for (;;) {
    std::string token = NextToken(parser);
    if (token.empty()) return token;
    if (token == "#") {
      CarryOutDirective(parser);
      continue;
    }
    if (parser.currentFile == nullptr || !ReadsDirectivesOnly(*parser.currentFile)) return token;
  }
}

std::string ReadDirectiveName(TRCParser& parser) {
  // Blanks and tabs may stand between "#" and the name, as in C.
  const TFileItem* file = parser.currentFile;
  std::size_t i = file == nullptr ? 0 : file->readPosition;
  while (file != nullptr && i < file->text.size() && (file->text[i] == ' ' || file->text[i] == '\t')) ++i;
  if (file == nullptr || i >= file->text.size() || file->text[i] < 'a' || file->text[i] > 'z')
    ReportError(parser, 53);  // Expecting directive name after "#" symbol
  return "#" + ScanToken(parser);
}

void CarryOutDirective(TRCParser& parser) {
  std::string directive = ReadDirectiveName(parser);
  if (directive == "#define")
    DefineDirective(parser);
  else if (directive == "#undef")
    UndefDirective(parser);
  else if (directive == "#include")
    IncludeSourceOrUnit(parser);
  else if (IsConditionalDirective(directive))
    CarryOutConditional(parser, directive);
  else if (directive == "#pragma")
    PragmaDirective(parser);
  else if (directive == "#line")
    SkipDirectiveLine(parser);
  else if (directive == "#error")
    ReportError(parser, 25, {ReadDirectiveText(parser)});  // #error directive encountered: %s
  else
    ReportError(parser, 20, {directive});  // Unknown directive: %s
}

// define := "#define" NAME [value] line-end | "#define" NAME parameters body line-end
void DefineDirective(TRCParser& parser) {
  std::string name = ReadDirectiveOperandName(parser);
  if (name.empty()) ReportError(parser, 54);       // #define directive not terminated
  if (!BeginsName(name)) ReportError(parser, 56);  // Bad name in #define directive
  bool withParameters = FollowsParameterList(parser);
  std::string value = ReadDirectiveLine(parser, TContinuation::Value);
  if (withParameters) return DefineMacro(parser, name, value);
  parser.macros.Remove(name);
  parser.defines.Define(name, value);
}

// undef := "#undef" NAME line-end
void UndefDirective(TRCParser& parser) {
  std::string name = ReadDirectiveOperandName(parser);
  if (name.empty()) ReportError(parser, 120);  // #undef directive not terminated (name expected in #undefine directive)
  if (!BeginsName(name)) ReportError(parser, 121, {name});  // Bad name in #define directive: %s
  if (!ReadDirectiveLine(parser, TContinuation::Value).empty())
    ReportError(parser, 122);  // #undef directive must be followed by a single identifier only
  parser.defines.Remove(name);
  parser.macros.Remove(name);
}

// A Windows SDK or C library header that is found nowhere is served built in and opens
// no file.
void IncludeFile(TRCParser& parser) {
  TIncludeName include = ReadIncludeName(parser);
  if (!IncludeServedHeader(parser, include.name)) OpenSourceFile(parser, include.name, include.order);
}

// #include: a Pascal unit or include file is read for its constants at once; what is
// left of it after the point where that reading stops is script text.
void IncludeSourceOrUnit(TRCParser& parser) {
  std::size_t depth = parser.fileStack.size();
  IncludeFile(parser);
  if (parser.fileStack.size() > depth && IsPascalFile(*parser.currentFile)) ReadPascalUnit(parser);
}

void SkipDirectiveLine(TRCParser& parser) { ReadDirectiveLine(parser, TContinuation::Value); }

std::string ReadDirectiveText(TRCParser& parser) { return ReadDirectiveLine(parser, TContinuation::AsWritten); }

}  // namespace tarvex
