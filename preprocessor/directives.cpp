#include "preprocessor/directives.h"

#include <array>
#include <bit>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "preprocessor/code_page_pragma.h"
#include "preprocessor/conditionals.h"
#include "preprocessor/directive_line.h"
#include "preprocessor/macros.h"
#include "preprocessor/pascal_unit.h"
#include "preprocessor/preprocessor.h"
#include "preprocessor/sdk_headers.h"
#include "preprocessor/substitution.h"
#include "reader/char_class.h"
#include "reader/diagnostics.h"
#include "reader/lexer.h"
#include "reader/name_value.h"
#include "reader/numbers.h"
#include "reader/parser.h"
#include "reader/source_index.h"
#include "reader/source_place.h"

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

// A conditional directive: an #if level it opens is
// remembered with its place until its #endif, for the note of a level left open. The
// place is taken before a false branch is skipped, where the input may end.
void CarryOutTrackedConditional(TRCParser& parser, const std::string& directive) {
  std::vector<TSourcePlace>& places = parser.openConditionals;
  std::size_t levels = parser.conditionalStack.size();
  std::size_t known = places.size();
  bool opens = directive == "#if" || directive == "#ifdef" || directive == "#ifndef";
  if (opens && parser.currentFile != nullptr)
    places.push_back(PlaceOf(parser, *parser.currentFile, parser.currentFile->previousScan));
  CarryOutConditional(parser, directive);
  std::size_t now = parser.conditionalStack.size();
  std::size_t keep = now >= levels ? known + (now - levels) : known - std::min(known, levels - now);
  places.resize(std::min(keep, places.size()));
}

// A name given a value by #define; a macro of that name is forgotten.
[[gnu::always_inline]] inline void StoreDefinition(TRCParser& parser, std::string_view name, std::string_view value) {
  parser.macros.Remove(name);
  parser.defines.Define(name, value);
  if (parser.options.defineNames) parser.scriptDefineNames.emplace_back(name);
}

// The bytes of a plain definition line: those of a name, and those that end its value
// or leave the line to the directive reader (a line end, a backslash, a literal, a
// comment, and a zero byte, also the one after the text).
enum class TDefineByte : unsigned char { Value, Name, Stop };

constexpr std::array<TDefineByte, 256> kDefineBytes = [] {
  std::array<TDefineByte, 256> kinds{};
  for (unsigned c = 0; c < 256; ++c) {
    if (IsIdentifierByte(c)) kinds[c] = TDefineByte::Name;
  }
  for (char c : std::string_view("\n\\\"'/;\0", 7)) kinds[static_cast<unsigned char>(c)] = TDefineByte::Stop;
  return kinds;
}();

TDefineByte DefineByteAt(const std::string& text, std::size_t at) {
  return kDefineBytes[static_cast<unsigned char>(text[at])];
}

// The end of the run of name bytes from `at`; the text has a zero byte after its end.
// Sixteen bytes are classed at a time while they lie inside the text.
std::size_t NameRunEnd(const std::string& text, std::size_t at) {
#if defined(__SSE2__)
  while (text.size() - at >= 16) {
    // Signed compares: bytes above 0x7F are negative and fall in no range.
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
    __m128i folded = _mm_or_si128(bytes, _mm_set1_epi8(0x20));
    __m128i digit =
        _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('0' - 1)), _mm_cmplt_epi8(bytes, _mm_set1_epi8('9' + 1)));
    __m128i letter =
        _mm_and_si128(_mm_cmpgt_epi8(folded, _mm_set1_epi8('a' - 1)), _mm_cmplt_epi8(folded, _mm_set1_epi8('z' + 1)));
    __m128i name = _mm_or_si128(_mm_or_si128(digit, letter), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('_')));
    auto others = static_cast<unsigned>(~_mm_movemask_epi8(name)) & 0xFFFFu;
    if (others != 0) return at + static_cast<std::size_t>(std::countr_zero(others));
    at += 16;
  }
#endif
  while (DefineByteAt(text, at) == TDefineByte::Name) ++at;
  return at;
}

// The most common directive line, "#define NAME value" in the file's own text with a
// name of letters, digits and "_" and a value without a backslash, a literal or a
// comment, is read straight from the bytes after "#". It leaves what reading the words
// "define" and NAME as tokens and the rest as the directive line leaves. Any other line
// is left to the directive reader, with nothing changed.
bool TakePlainDefine(TRCParser& parser) {
  if (!LaneMayRead(parser, TLaneText::Directives)) return false;
  TFileItem* file = parser.currentFile;
  const std::string& text = file->text;  // text[text.size()] is a zero byte
  auto blanksFrom = [&text](std::size_t i) {
    while (IsSpaceOrTab(text[i])) ++i;
    return i;
  };
  std::size_t keyword = blanksFrom(file->readPosition);
  if (text.size() - keyword < 6 || std::memcmp(text.data() + keyword, "define", 6) != 0) return false;
  std::size_t nameAt = blanksFrom(keyword + 6);
  if (nameAt == keyword + 6 || !IsIdentifierStart(text[nameAt])) return false;
  std::size_t nameEnd = NameRunEnd(text, nameAt + 1);
  char after = text[nameEnd];
  if (!IsSpaceOrTab(after) && after != '\r' && after != '\n' && nameEnd < text.size()) return false;
  std::size_t lineEnd = nameEnd;
  for (;; ++lineEnd) {
    while (DefineByteAt(text, lineEnd) != TDefineByte::Stop) ++lineEnd;
    if (text[lineEnd] != '\0' || lineEnd == text.size()) break;
  }
  if (lineEnd < text.size() && text[lineEnd] != '\n') return false;
  std::string_view name(text.data() + nameAt, nameEnd - nameAt);
  if (parser.options.index) IndexDefinition(parser, name, &nameAt);
  StoreDefinition(parser, name, TrimControlBytes(std::string_view(text).substr(nameEnd, lineEnd - nameEnd)));
  // The words "define" and NAME read as tokens, then the rest of the line as the value
  LeaveAfterToken(parser, *file, {keyword, keyword + 6, file->line, TTokenKind::Word});
  LeaveAfterToken(parser, *file, {nameAt, nameEnd, file->line, TTokenKind::Word});
  file->readPosition = lineEnd;
  return true;
}

// A "#" after nothing but blanks and line ends in the file's own text, taken as scanning
// takes it; false changes nothing.
bool TakeDirectiveMark(TRCParser& parser) {
  if (!LaneMayRead(parser, TLaneText::Directives)) return false;
  TFileItem* file = parser.currentFile;
  const std::string& text = file->text;
  std::int32_t line = file->line;
  std::size_t at = SkipBlanksAhead(text, file->readPosition, line);
  if (at >= text.size() || text[at] != '#') return false;
  LeaveAfterToken(parser, *file, {at, at + 1, line});
  return true;
}

// After "#": blanks, then a digit start a GNU line marker.
bool LineMarkerFollows(const TRCParser& parser) {
  const TFileItem* file = parser.currentFile;
  if (file == nullptr) return false;
  std::size_t i = file->readPosition;
  while (i < file->text.size() && (file->text[i] == ' ' || file->text[i] == '\t')) ++i;
  return i < file->text.size() && file->text[i] >= '0' && file->text[i] <= '9';
}

// The file name of a line marker, a C string literal whose opening quote is at `at`, as
// the C preprocessor writes it: "\\" is one backslash, "\"" a quote, "\ooo" an octal byte.
// False when the closing quote is missing.
bool ReadMarkerFileName(std::string_view text, std::size_t at, std::string& name) {
  for (std::size_t i = at + 1; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"') return true;
    if (c != '\\' || i + 1 >= text.size()) {
      name += c;
      continue;
    }
    c = text[++i];
    if (c >= '0' && c <= '7') {
      unsigned value = 0;
      for (int digits = 0; digits < 3 && i < text.size() && text[i] >= '0' && text[i] <= '7'; ++digits, ++i)
        value = value * 8 + static_cast<unsigned>(text[i] - '0');
      --i;
      name += static_cast<char>(value & 0xFF);
      continue;
    }
    name += c == 'n' ? '\n' : c == 't' ? '\t' : c;
  }
  return false;
}

std::string UpperExtensionOf(const std::string& name) {
  std::size_t dot = name.rfind('.');
  std::size_t slash = name.find_last_of("/\\");
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return UpperCase(std::string_view(name).substr(dot));
}

// Preprocessed input has lost the byte-order mark of its script: the mark of the file the
// first line marker names counts for it.
void TakeEncodingOfMarkedScript(TFileItem& file, const std::string& name) {
  std::string bytes;
  int error = 0;
  if (ReadWholeFile(name, bytes, error) && bytes.rfind("\xEF\xBB\xBF", 0) == 0) file.utf8Marked = true;
}

// line-marker := "#" number ["\"" file "\"" {flag}] line-end
//              | "#line" number ["\"" file "\""] line-end
// The line after the marker is line `number` of `file`, for diagnostics and for the
// folder where the files the script names are looked for.
void LineMarker(TRCParser& parser) {
  TFileItem& file = *parser.currentFile;
  std::string text = ReadDirectiveLine(parser, TContinuation::AsWritten);
  std::size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  if (digits == 0 || digits > 10 || std::stoll(text.substr(0, digits)) > 2147483647)
    ReportLocatedFailure(parser, "A line marker needs a line number from 0 to 2147483647: " + text);
  auto line = static_cast<std::int32_t>(std::stoll(text.substr(0, digits)));
  std::size_t quote = text.find_first_not_of(" \t", digits);
  if (quote != std::string::npos) {
    std::string name;
    if (text[quote] != '"' || !ReadMarkerFileName(text, quote, name))
      ReportLocatedFailure(parser, "A line marker names its file in double quotes: " + text);
    if (!file.lineMarkerSeen && parser.fileStack.size() == 1 && !file.NamesItsEncoding())
      TakeEncodingOfMarkedScript(file, name);
    file.presumedName = name;
    file.presumedExtension = UpperExtensionOf(name);
  }
  file.lineMarkerSeen = true;
  file.line = line - 1;  // the line end of the marker, counted next, starts line `line`
}

}  // namespace

std::string NextToken(TRCParser& parser) {
  if (std::string digits; TakeNameOfDigits(parser, digits)) return ConvertNumber(parser, digits);
  std::string token = ScanToken(parser);
  if (token.empty()) return token;
  if (IsWordStart(static_cast<unsigned char>(token[0])) && !IsWideLiteral(token))
    token = SubstituteNames(parser, std::move(token));
  if (!BeginsNumber(token)) return token;
  return ConvertNumber(parser, token);
}

std::string NextSignificantToken(TRCParser& parser) {
  for (;;) {
    if (TakeDirectiveMark(parser)) {
      CarryOutDirective(parser);
      continue;
    }
    std::string token = NextToken(parser);
    if (token.empty()) return token;
    if (token == "#") {
      CarryOutDirective(parser);
      continue;
    }
    if (parser.currentFile == nullptr || !ReadsDirectivesOnly(*parser.currentFile)) {
      bool begin = token == "{" || (parser.TokenFlag == TTokenKind::Word && IsWord(token, "BEGIN"));
      if (begin || token == "}" || (parser.TokenFlag == TTokenKind::Word && IsWord(token, "END")))
        TrackBlock(parser, begin);
      return token;
    }
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
  if (TakePlainDefine(parser)) return;
  if (parser.options.lineMarkers && LineMarkerFollows(parser)) return LineMarker(parser);
  std::string directive = ReadDirectiveName(parser);
  if (IsConditionalDirective(directive)) return CarryOutTrackedConditional(parser, directive);
  if (directive == "#define")
    DefineDirective(parser);
  else if (directive == "#undef")
    UndefDirective(parser);
  else if (directive == "#include")
    IncludeSourceOrUnit(parser);
  else if (directive == "#pragma")
    PragmaDirective(parser);
  else if (directive == "#line" && parser.options.lineMarkers)
    LineMarker(parser);
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
  if (parser.options.index) IndexDefinition(parser, name);
  bool withParameters = FollowsParameterList(parser);
  std::string value = ReadDirectiveLine(parser, TContinuation::Value);
  if (withParameters) return DefineMacro(parser, name, value);
  StoreDefinition(parser, name, value);
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
