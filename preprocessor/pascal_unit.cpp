// Reading a Pascal unit or include file for its constants.
//
// The reader does not parse Pascal. It follows the frame of a unit (the words unit,
// interface and implementation and the closing "end.") and takes the declarations of its
// CONST sections; everything else before the first CONST section (a uses clause, type and
// var sections, comments) is passed over. Once a CONST section has begun, every
// declaration up to implementation or the end of the file must be a constant,
// NAME = tokens ;, because nothing tells where a constant section ends but the next
// section's word, which would read as a constant name.
//
// A constant is stored as text: its tokens joined with nothing between them, the operator
// words already turned into the script's operators, so (A or B) and $FF is stored as
// (A|B)&$FF. It is not evaluated here. Name substitution places the text into the script
// where the name is used and the expression evaluator reads it there, so a constant may
// refer to other constants, to predefined symbols and to #define names in force at that
// point, and a string constant reads as the string it is.
//
// The implementation part of a unit must be empty: after implementation the reader wants
// "end." and one more token, then stops, leaving whatever follows to the script reader.
//
// A file named .inc may be a C header instead: a line whose first non-blank character is
// "#" followed by the name of a C directive (#define, #if, #include, ...) is carried out
// as a directive, wherever it stands in the file. Pascal's character codes (#13#10) name
// no directive. What such an #include opens is read to its end before the unit goes on.
#include "preprocessor/pascal_unit.h"

#include <array>

#include "preprocessor/directives.h"
#include "preprocessor/macros.h"
#include "reader/char_class.h"
#include "reader/diagnostics.h"
#include "reader/lexer.h"
#include "reader/name_value.h"
#include "reader/parser.h"

namespace tarvex {

namespace {

// What a character that begins no token does: stops the compilation with message 33, or,
// in the frame of a unit outside its CONST sections, is a token of its own that the
// reader passes over (type and var sections are full of ":", "[", "]" and "^").
enum class TStrayCharacter { Refuse, PassOver };

// The words of the unit's frame seen so far, and the CONST sections begun.
struct TUnitCounters {
  int units = 0;
  int interfaces = 0;
  int implementations = 0;
  int constSections = 0;
};

constexpr std::string_view kOneCharacterTokens = "#$()*+,-./;<=>";

unsigned char ByteAt(const std::string& text, std::size_t index) { return static_cast<unsigned char>(text[index]); }

// Form feeds and vertical tabs separate pages of old sources: blanks, as for the script.
// Line feeds inside substituted text are not lines of the source.
void CountLineFeed(TFileItem& file, std::size_t index) {
  if (index >= file.substitutionMark) ++file.line;
}

void SkipBlanks(TFileItem& file) {
  const std::string& text = file.text;
  std::size_t i = file.readPosition;
  for (; i < text.size() && IsCSpace(ByteAt(text, i)); ++i)
    if (text[i] == '\n') CountLineFeed(file, i);
  file.readPosition = i;
}

// Moves past the first `closing` at or after `from`, counting the line feeds passed.
// Raises 29 when the file ends first.
void SkipBlockComment(TRCParser& parser, TFileItem& file, std::size_t from, std::string_view closing) {
  const std::string& text = file.text;
  std::size_t end = text.find(closing, from);
  std::size_t stop = end == std::string::npos ? text.size() : end;
  for (std::size_t i = from; i < stop; ++i)
    if (text[i] == '\n') CountLineFeed(file, i);
  if (end == std::string::npos) ReportError(parser, 29);  // Comment not terminated
  file.readPosition = end + closing.size();
}

// comment := "{" ... "}" | "(*" ... "*)" | "//" ... line-end
// Passes over the comment that starts at the read position; false when none starts there.
bool SkipComment(TRCParser& parser, TFileItem& file) {
  const std::string& text = file.text;
  std::size_t p = file.readPosition;
  char next = p + 1 < text.size() ? text[p + 1] : '\0';
  if (text[p] == '{') {
    SkipBlockComment(parser, file, p + 1, "}");
  } else if (text[p] == '(' && next == '*') {
    SkipBlockComment(parser, file, p + 2, "*)");
  } else if (text[p] == '/' && next == '/') {
    std::size_t lineFeed = text.find('\n', p + 2);
    file.readPosition = lineFeed == std::string::npos ? text.size() : lineFeed;
  } else {
    return false;
  }
  return true;
}

std::string CutToken(TFileItem& file, std::size_t begin, std::size_t end) {
  file.readPosition = end;
  return file.text.substr(begin, end - begin);
}

std::size_t NameEnd(const std::string& text, std::size_t from) {
  while (from < text.size() && IsIdentifierByte(ByteAt(text, from))) ++from;
  return from;
}

// Whether the line feed at `index` ends a line with a backslash (also before CR LF).
bool ContinuesLine(const std::string& text, std::size_t start, std::size_t index) {
  std::size_t before = index - 1;
  if (before > start && text[before] == '\r') --before;
  return before > start && text[before] == '\\';
}

// string := "'" {byte} "'" | '"' {byte | "\" line-end} '"', on one line unless continued
// with a backslash in double quotes; kept with its quotes. Raises 51 and 52.
std::string ScanQuoted(TRCParser& parser, TFileItem& file, std::size_t start) {
  const std::string& text = file.text;
  char quote = text[start];
  for (std::size_t i = start + 1; i < text.size(); ++i) {
    if (text[i] == quote) return CutToken(file, start, i + 1);
    if (text[i] != '\n') continue;
    if (quote == '\'' || !ContinuesLine(text, start, i)) break;
    CountLineFeed(file, i);
  }
  if (quote == '\'') ReportError(parser, 51);  // Single quoted string is not terminated
  ReportError(parser, 52);                     // Double quoted string not terminated
}

// The C directives a unit's line may carry out.
constexpr std::array<std::string_view, 11> kDirectiveNames = {
    "define", "undef", "if", "ifdef", "ifndef", "elif", "else", "endif", "include", "pragma", "error",
};

// Whether the "#" at the read position is the first non-blank character of its line and
// is followed, after blanks, by the name of a C directive.
bool DirectiveLineAt(const TFileItem& file) {
  const std::string& text = file.text;
  std::size_t p = file.readPosition;
  if (text[p] != '#') return false;
  std::size_t before = p;
  while (before > 0 && IsSpaceOrTab(text[before - 1])) --before;
  if (before > 0 && text[before - 1] != '\n') return false;
  std::size_t name = p + 1;
  while (name < text.size() && IsSpaceOrTab(text[name])) ++name;
  std::size_t end = name;
  while (end < text.size() && text[end] >= 'a' && text[end] <= 'z') ++end;
  if (end < text.size() && IsIdentifierByte(ByteAt(text, end))) return false;
  std::string_view word(text.data() + name, end - name);
  for (std::string_view directive : kDirectiveNames)
    if (word == directive) return true;
  return false;
}

// Reads what an #include in a unit opened (the files above `depth`) to its end: a unit
// has been read for its constants already; the rest of it, and any other file, is read
// for its directives, its other tokens passed over as a C header's are.
void ReadIncludedFiles(TRCParser& parser, std::size_t depth) {
  while (parser.fileStack.size() > depth) {
    if (parser.fileStack.size() == depth + 1 && !TokenAheadInFile(*parser.currentFile)) {
      CloseSourceFile(parser);
      return;
    }
    std::string token = ScanToken(parser);
    if (parser.fileStack.size() <= depth) {  // a token of the unit itself: left for the unit
      PushBackToken(parser);
      return;
    }
    if (token == "#") CarryOutDirective(parser);
  }
}

// Carries out the directive line at the read position of `unit`, the current file. False
// when it left the unit (a false branch that runs past its end): the unit is over.
bool CarryOutUnitDirective(TRCParser& parser, const TFileItem& unit) {
  std::size_t depth = parser.fileStack.size();
  ScanToken(parser);  // the "#"
  CarryOutDirective(parser);
  if (parser.fileStack.size() > depth) ReadIncludedFiles(parser, depth);
  return parser.fileStack.size() == depth && parser.currentFile == &unit;
}

// token := word | number | string | one of # $ ( ) * + , - . / ; < = >
std::string ReadPascalToken(TRCParser& parser, TStrayCharacter stray) {
  TFileItem* file = parser.currentFile;
  if (file == nullptr) return {};
  for (;;) {
    SkipBlanks(*file);
    if (file->Exhausted()) return {};
    if (SkipComment(parser, *file)) continue;
    if (!DirectiveLineAt(*file)) break;
    if (!CarryOutUnitDirective(parser, *file)) return {};
  }
  const std::string& text = file->text;
  std::size_t p = file->readPosition;
  unsigned char c = ByteAt(text, p);
  if (IsIdentifierStart(c)) return MapPascalOperator(CutToken(*file, p, NameEnd(text, p + 1)));
  if (IsDigit(c)) return CutToken(*file, p, NameEnd(text, p + 1));
  if (c == '\'' || c == '"') return ScanQuoted(parser, *file, p);
  if (c != '\0' && kOneCharacterTokens.find(static_cast<char>(c)) != std::string_view::npos)
    return CutToken(*file, p, p + 1);
  if (stray == TStrayCharacter::Refuse)
    ReportError(parser, 33, {static_cast<char>(c)});  // Invalid character encountered: %s
  return CutToken(*file, p, p + 1);
}

// The next token of the unit's frame, upper-cased.
std::string FrameWord(TRCParser& parser) { return UpperCase(ReadPascalToken(parser, TStrayCharacter::PassOver)); }

// heading := "unit" name ";"   (the name is not used)
void ReadUnitHeading(TRCParser& parser, TUnitCounters& counters) {
  ++counters.units;
  if (counters.constSections > 0)
    ReportError(parser, 34);                        // Reserved word "unit" is not allowed after constant declaration
  if (counters.units > 1) ReportError(parser, 35);  // Duplicate reserved word "unit"
  if (FrameWord(parser).empty()) ReportError(parser, 36);  // Unit name expected
  if (FrameWord(parser) != ";") ReportError(parser, 37);   // ";" expected
}

void CountInterface(TRCParser& parser, TUnitCounters& counters) {
  ++counters.interfaces;
  if (counters.units == 0) ReportError(parser, 38);      // Reserved word "unit" expected
  if (counters.interfaces > 1) ReportError(parser, 39);  // Duplicate reserved word "interface"
}

void CountImplementation(TRCParser& parser, TUnitCounters& counters) {
  ++counters.implementations;
  if (counters.interfaces == 0) ReportError(parser, 40);      // Reserved word "implementation" is allowed in units only
  if (counters.implementations > 1) ReportError(parser, 41);  // Duplicate reserved word "implementation"
}

// ending := "end" "." token   (after implementation: the implementation part is empty)
void ReadUnitEnd(TRCParser& parser) {
  if (FrameWord(parser) != "END") ReportError(parser, 42);  // "end." expected
  if (FrameWord(parser) != ".") ReportError(parser, 43);    // "." expected
  // One more token is passed over; whatever follows it is left to the script reader.
  FrameWord(parser);
}

// declaration := NAME "=" {token} ";"   (NAME already read and upper-cased)
void ReadConstant(TRCParser& parser, const std::string& name) {
  if (PascalToken(parser) != "=") ReportError(parser, 48, {name});  // "=" expected after %s identifier
  std::string value;
  for (std::string token = PascalToken(parser); token != ";"; token = PascalToken(parser)) {
    if (token.empty()) ReportError(parser, 49);  // ";" expected in PASCAL file
    value += token;
  }
  parser.unitConstants.Set(name, value);  // an empty value removes the name
}

// sections := "const" declaration {declaration | "const" declaration}
// The "const" is already read. True when "implementation" ended the sections, false at
// the end of the file.
bool ReadConstSections(TRCParser& parser, TUnitCounters& counters) {
  ++counters.constSections;
  if (counters.units > 0 && counters.interfaces == 0) ReportError(parser, 44);  // Reserved word "interface" expected
  int declared = 0;                                                             // constants of the current section
  for (;;) {
    std::string word = UpperCase(PascalToken(parser));
    if (word.empty()) return false;
    if (word == "CONST") {
      if (declared == 0) ReportError(parser, 45);  // Two consecutive CONST reserved words are not allowed
      ++counters.constSections;
      declared = 0;
      continue;
    }
    if (word == "UNIT" || word == "INTERFACE" || word == "END")
      ReportError(parser, 46, {word});  // Reserved word %s cannot be used as identifier
    if (word == "IMPLEMENTATION") {
      CountImplementation(parser, counters);
      return true;
    }
    if (!IsIdentifierStart(static_cast<unsigned char>(word[0])))
      ReportError(parser, 47, {word});  // invalid constant identifier %s
    ReadConstant(parser, word);
    ++declared;
  }
}

}  // namespace

bool IsPascalFile(const TFileItem& file) { return file.extension == ".PAS" || file.extension == ".INC"; }

std::string PascalToken(TRCParser& parser) { return ReadPascalToken(parser, TStrayCharacter::Refuse); }

std::string MapPascalOperator(std::string_view word) {
  static constexpr std::string_view kOperators[][2] = {
      {"DIV", "/"}, {"MOD", "%"}, {"AND", "&"}, {"OR", "|"}, {"XOR", "^"}, {"NOT", "~"},
  };
  if (word.size() <= 3) {
    std::string upper = UpperCase(word);
    for (const auto& entry : kOperators)
      if (upper == entry[0]) return std::string(entry[1]);
  }
  return std::string(word);
}

// unit := {frame-word | const-sections | other token}
void ReadPascalUnit(TRCParser& parser) {
  TUnitCounters counters;
  for (std::string word = FrameWord(parser); !word.empty(); word = FrameWord(parser)) {
    if (word == "UNIT") {
      ReadUnitHeading(parser, counters);
    } else if (word == "INTERFACE") {
      CountInterface(parser, counters);
    } else if (word == "IMPLEMENTATION") {
      CountImplementation(parser, counters);
      ReadUnitEnd(parser);
      return;
    } else if (word == "CONST") {
      if (ReadConstSections(parser, counters)) ReadUnitEnd(parser);
      return;
    }
  }
}

}  // namespace tarvex
