// Macros with parameters, expanded in place.
//
// A call NAME(x, y) is read where NAME is met, like any other name, by the substitution
// that writes values into the file's own text. The arguments are read as tokens up to the
// ")" that matches the opening one: commas inside nested parentheses or inside string
// literals do not separate arguments, and the arguments may run over several lines (each
// line feed read is counted, so lines after the call keep their numbers). The expansion
// is then built as a separate text and written into the file where the call ended, as an
// ordinary value is, so that it is read next and the names in it are substituted again.
//
// Building the expansion goes through the body's parts. A parameter is replaced by its
// argument with every name in it already substituted, object-like names and calls alike:
// the argument is expanded on its own, as a small text held for that time as the current
// file. After "#" the argument's text as written becomes a string literal, and next to
// "##" it is taken as written and joined to its neighbour without blanks; the joined text
// forms a new token when it is read again.
//
// A macro never expands inside its own expansion. Each file keeps the expansions being
// read, innermost last, each with the index where its text ends: until the read position
// passes that index, a call of that macro is left as it is. An argument expanded on its
// own takes over the macros of the place it comes from. A name written right after an
// expansion is outside it; a name that an expansion leaves in the text together with the
// rest of the call from outside is not: the expansion's end moves with text placed there.
//
// The bounds of name substitution apply: every expansion is a step of the chain and its
// bytes count against the compilation's substitution work, and arguments expanded inside
// arguments may nest only so deep, each stopping with message 65.
#include "preprocessor/macros.h"

#include "preprocessor/directive_line.h"
#include "preprocessor/substitution.h"
#include "reader/char_class.h"
#include "reader/diagnostics.h"
#include "reader/lexer.h"
#include "reader/parser.h"

namespace tarvex {

namespace {

constexpr int kChainLimit = 100;
constexpr int kArgumentDepthLimit = 100;
constexpr std::string_view kVariadicName = "__VA_ARGS__";

std::size_t IdentifierEnd(std::string_view text, std::size_t from) {
  while (from < text.size() && IsIdentifierByte(text[from])) ++from;
  return from;
}

std::size_t SkipBlanks(std::string_view text, std::size_t from) {
  while (from < text.size() && IsBlankOrControl(text[from])) ++from;
  return from;
}

// The index after the literal whose opening quote is at `from` (escapes passed over).
std::size_t LiteralEnd(std::string_view text, std::size_t from) {
  char quote = text[from];
  for (std::size_t i = from + 1; i < text.size(); ++i) {
    if (text[i] == '\\')
      ++i;
    else if (text[i] == quote)
      return i + 1;
  }
  return text.size();
}

// ---- Definition ----

// parameters := "(" [NAME {"," NAME} ["," "..."] | "..."] ")"; returns the index after ")".
std::size_t ParseParameters(TRCParser& parser, const std::string& name, std::string_view text, TMacro& macro) {
  auto fail = [&]() -> std::size_t { ReportLocatedFailure(parser, "Bad parameter list in the #define of " + name); };
  std::size_t i = SkipBlanks(text, 1);
  if (i < text.size() && text[i] == ')') return i + 1;
  for (;;) {
    if (text.substr(i, 3) == "...") {
      macro.variadic = true;
      macro.parameters.emplace_back(kVariadicName);
      i = SkipBlanks(text, i + 3);
    } else {
      if (i >= text.size() || !IsIdentifierStart(text[i])) return fail();
      std::size_t end = IdentifierEnd(text, i);
      std::string parameter(text.substr(i, end - i));
      for (const std::string& earlier : macro.parameters)
        if (earlier == parameter) return fail();
      macro.parameters.push_back(std::move(parameter));
      i = SkipBlanks(text, end);
    }
    if (i >= text.size()) return fail();
    if (text[i] == ')') return i + 1;
    if (text[i] != ',' || macro.variadic) return fail();
    i = SkipBlanks(text, i + 1);
  }
}

std::size_t FindParameter(const TMacro& macro, std::string_view word) {
  for (std::size_t i = 0; i < macro.parameters.size(); ++i)
    if (macro.parameters[i] == word) return i;
  return macro.parameters.size();
}

// The part that starts at `i` (no blank); `i` moves past it.
TMacroPart ReadBodyPart(const TMacro& macro, std::string_view body, std::size_t& i) {
  TMacroPart part;
  std::size_t start = i;
  char c = body[i];
  if (c == '#') {
    std::size_t at = SkipBlanks(body, i + 1);
    std::size_t end = IdentifierEnd(body, at);
    std::size_t parameter = at < body.size() && IsIdentifierStart(body[at])
                                ? FindParameter(macro, body.substr(at, end - at))
                                : macro.parameters.size();
    if (parameter < macro.parameters.size()) {
      part.kind = TMacroPart::TKind::Stringized;
      part.parameter = parameter;
      i = end;
      return part;
    }
    i = start + 1;
  } else if (c == '"' || c == '\'') {
    i = LiteralEnd(body, i);
  } else if (IsIdentifierStart(c)) {
    i = IdentifierEnd(body, i);
    part.parameter = FindParameter(macro, body.substr(start, i - start));
    if (part.parameter < macro.parameters.size()) {
      part.kind = TMacroPart::TKind::Parameter;
      return part;
    }
  } else if (c >= '0' && c <= '9') {
    while (i < body.size() && (IsIdentifierByte(body[i]) || body[i] == '.')) ++i;
  } else {
    ++i;
  }
  part.text = std::string(body.substr(start, i - start));
  return part;
}

// body := {part | "##"}, blanks between parts remembered.
std::vector<TMacroPart> ParseBody(const TMacro& macro, std::string_view body) {
  std::vector<TMacroPart> parts;
  bool space = false, paste = false;
  std::size_t i = 0;
  while (i < body.size()) {
    if (IsBlankOrControl(body[i])) {
      space = true;
      ++i;
    } else if (body.substr(i, 2) == "##") {
      paste = true;
      i += 2;
    } else {
      TMacroPart part = ReadBodyPart(macro, body, i);
      part.spaceBefore = space;
      part.pastedToPrevious = paste && !parts.empty();
      parts.push_back(std::move(part));
      space = paste = false;
    }
  }
  return parts;
}

// ---- Reading a call ----

// The read state of the current file, to undo a look at the token after a name.
struct TReadState {
  std::size_t readPosition, tokenStart;
  std::int32_t line, tokenStartLine;
  TTokenKind flag;
};

TReadState SaveReadState(const TRCParser& parser) {
  const TFileItem& file = *parser.currentFile;
  return {file.readPosition, file.tokenStart, file.line, file.tokenStartLine, parser.TokenFlag};
}

void RestoreReadState(TRCParser& parser, const TReadState& state) {
  TFileItem& file = *parser.currentFile;
  file.readPosition = state.readPosition;
  file.tokenStart = state.tokenStart;
  file.line = state.line;
  file.tokenStartLine = state.tokenStartLine;
  parser.TokenFlag = state.flag;
}

// The next raw token of the current file, or of the condition line when `onLine`
// (continuation backslashes passed over); empty when there is none. Never leaves the file.
std::string ScanInCall(TRCParser& parser, bool onLine) {
  for (;;) {
    bool ahead = onLine ? LookAheadOnLine(parser) == TLineAhead::Token : TokenAheadInFile(*parser.currentFile);
    if (!ahead) return {};
    std::string token = ScanToken(parser);
    if (!onLine || token != "\\") return token;
  }
}

// Reads "(" when it is the next token; otherwise reads nothing.
bool ReadOpeningParenthesis(TRCParser& parser, bool onLine) {
  TReadState state = SaveReadState(parser);
  if (ScanInCall(parser, onLine) == "(") return true;
  RestoreReadState(parser, state);
  return false;
}

// Forgets the expansions read past `position` and tells whether `name` is still being
// expanded there.
bool IsBeingExpanded(TFileItem& file, const std::string& name, std::size_t position) {
  std::vector<TActiveExpansion>& active = file.activeExpansions;
  while (!active.empty() && active.back().end <= position) active.pop_back();
  for (const TActiveExpansion& expansion : active)
    if (expansion.name == name) return true;
  return false;
}

// The text of one argument of a call, and the index of the file where its first token
// stood: the expansions the argument lies in are those that end after that index.
struct TArgument {
  std::string text;
  std::size_t start = 0;
};

// arguments := argument {"," argument} ")", after the opening "(". An argument is the
// text of its tokens, one blank where blanks, comments or line breaks stood between them.
// The arguments of a variadic macro from its last parameter on form one, commas kept.
// A "#" that begins a line would be a directive, which cannot be carried out there.
std::vector<TArgument> ReadArguments(TRCParser& parser, const std::string& name, const TMacro& macro, bool onLine) {
  const TFileItem& file = *parser.currentFile;
  std::vector<TArgument> arguments(1);
  int depth = 0;
  std::size_t lastEnd = file.readPosition;
  std::int32_t lastLine = file.line;
  for (;;) {
    std::string token = ScanInCall(parser, onLine);
    if (token.empty()) ReportLocatedFailure(parser, "\")\" expected to end the arguments of " + name);
    if (token == "#" && file.line != lastLine)
      ReportLocatedFailure(parser, "A directive cannot stand inside the arguments of " + name);
    bool blankBefore = file.readPosition - token.size() != lastEnd;
    lastEnd = file.readPosition;
    lastLine = file.line;
    if (token == ")" && depth == 0) return arguments;
    if (token == "(") ++depth;
    if (token == ")") --depth;
    if (token == "," && depth == 0 && !(macro.variadic && arguments.size() == macro.parameters.size())) {
      arguments.emplace_back();
      continue;
    }
    TArgument& argument = arguments.back();
    CountSubstitutionWork(parser, name, token.size() + 1);
    if (argument.text.empty()) argument.start = file.readPosition - token.size();
    if (blankBefore && !argument.text.empty()) argument.text += ' ';
    argument.text += token;
  }
}

std::string Plural(std::size_t count) { return std::to_string(count) + (count == 1 ? " argument" : " arguments"); }

// A call has as many arguments as the macro has parameters; a variadic one may leave its
// last argument out. NAME() is one empty argument, or none for a macro without parameters.
void CheckArgumentCount(TRCParser& parser, const std::string& name, const TMacro& macro,
                        std::vector<TArgument>& arguments) {
  std::size_t wanted = macro.parameters.size();
  bool none = arguments.size() == 1 && arguments[0].text.empty();
  if (wanted == 0 && none) arguments.clear();
  if (macro.variadic && arguments.size() + 1 == wanted) arguments.emplace_back();
  if (arguments.size() == wanted) return;
  std::size_t named = macro.variadic ? wanted - 1 : wanted;
  ReportLocatedFailure(parser, "Macro " + name + " takes " + (macro.variadic ? "at least " : "") + Plural(named) +
                                   " but got " + std::to_string(none ? 0 : arguments.size()));
}

// ---- Building the expansion ----

// The argument as a string literal: its quotes and backslashes escaped.
std::string Stringize(std::string_view argument) {
  std::string literal = "\"";
  for (char c : argument) {
    if (c == '"' || c == '\\') literal += '\\';
    literal += c;
  }
  return literal + '"';
}

// Holds `scratch` as the current file while it lives.
class TCurrentFileSwap {
 public:
  TCurrentFileSwap(TRCParser& parser, TFileItem& scratch) : parser_(parser), saved_(parser.currentFile) {
    parser.currentFile = &scratch;
  }
  ~TCurrentFileSwap() { parser_.currentFile = saved_; }
  TCurrentFileSwap(const TCurrentFileSwap&) = delete;
  TCurrentFileSwap& operator=(const TCurrentFileSwap&) = delete;

 private:
  TRCParser& parser_;
  TFileItem* saved_;
};

// Counts one level of arguments expanded inside arguments while it lives.
class TArgumentNesting {
 public:
  TArgumentNesting(TRCParser& parser, const std::string& name) : parser_(parser) {
    if (++parser.macros.argumentDepth > kArgumentDepthLimit)
      ReportError(parser, 65, {name});  // Recursion for defined name %s > 100
  }
  ~TArgumentNesting() { --parser_.macros.argumentDepth; }
  TArgumentNesting(const TArgumentNesting&) = delete;
  TArgumentNesting& operator=(const TArgumentNesting&) = delete;

 private:
  TRCParser& parser_;
};

// Whether the last token scanned from `file` had blanks before it.
bool BlankBefore(const TFileItem& file, const std::string& token) {
  return file.readPosition - token.size() != file.tokenStart;
}

// Whether two tokens written together would read as one (C's names, numbers and the
// literal prefix L), or as the start of a comment. A dot joins a number it follows, as in
// C's preprocessing numbers: 3 . 8 is written 3.8.
bool WouldJoinInArgument(char last, char next) {
  auto isNameByte = [](char c) { return c != '.' && IsWordContinuation(static_cast<unsigned char>(c)); };
  return (isNameByte(last) && (isNameByte(next) || next == '"' || next == '\'')) ||
         (last == '/' && (next == '/' || next == '*'));
}

// The argument with every name in it substituted: read as a file of its own, named and
// numbered like the place of the call, under the macros being expanded where it stood.
// Its names are C's, which end at dots. The tokens are joined as they stood: one blank
// where blanks stood between them (or before the name whose value a token comes from),
// none where none did, so that "#" makes of the result what C's stringizing makes.
std::string ExpandArgument(TRCParser& parser, const std::string& name, const TArgument& argument) {
  TArgumentNesting nesting(parser, name);
  TFileItem scratch;
  scratch.text = argument.text;
  scratch.name = parser.currentFile->name;
  scratch.extension = parser.currentFile->extension;
  scratch.line = scratch.tokenStartLine = parser.currentFile->line;
  scratch.original = parser.currentFile->Original();  // diagnostics point at the call
  scratch.substitutionSite = parser.currentFile->substitutionSite;
  scratch.presumedName = parser.currentFile->presumedName;
  scratch.substitutionMark = scratch.text.size();
  scratch.readsCNames = true;
  for (const TActiveExpansion& expansion : parser.currentFile->activeExpansions)
    if (expansion.end > argument.start) scratch.activeExpansions.push_back({expansion.name, scratch.text.size()});
  TCurrentFileSwap swap(parser, scratch);
  std::string expanded;
  while (TokenAheadInFile(scratch)) {
    std::string token = ScanToken(parser);
    bool blank = BlankBefore(scratch, token);
    if (IsWordStart(static_cast<unsigned char>(token[0]))) {
      std::uint64_t work = parser.substitutionWork;  // grows with every substitution
      bool lineEnded = false;
      token = SubstituteNamesIn(parser, std::move(token), TSubstitutionScope::Text, lineEnded);
      if (parser.substitutionWork != work && !token.empty()) blank = blank || BlankBefore(scratch, token);
    }
    if (token.empty()) break;
    if (!expanded.empty() && (blank || WouldJoinInArgument(expanded.back(), token.front()))) expanded += ' ';
    expanded += token;
  }
  return expanded;
}

// Builds the text of one call from the macro's body and the call's arguments.
class TExpansionBuilder {
 public:
  TExpansionBuilder(TRCParser& parser, const std::string& name, const TMacro& macro,
                    const std::vector<TArgument>& arguments)
      : parser_(parser),
        name_(name),
        macro_(macro),
        arguments_(arguments),
        expanded_(arguments.size()),
        isExpanded_(arguments.size(), false) {}

  std::string Build() {
    const std::vector<TMacroPart>& parts = macro_.body;
    for (std::size_t i = 0; i < parts.size(); ++i) {
      bool pastedToNext = i + 1 < parts.size() && parts[i + 1].pastedToPrevious;
      Append(parts[i], Piece(parts[i], parts[i].pastedToPrevious || pastedToNext));
    }
    return std::move(text_);
  }

 private:
  std::string Piece(const TMacroPart& part, bool pasted) {
    switch (part.kind) {
      case TMacroPart::TKind::Stringized:
        return Stringize(arguments_[part.parameter].text);
      case TMacroPart::TKind::Parameter:
        return pasted ? arguments_[part.parameter].text : Expanded(part.parameter);
      case TMacroPart::TKind::Text:
        break;
    }
    return part.text;
  }

  const std::string& Expanded(std::size_t parameter) {
    if (!isExpanded_[parameter]) {
      expanded_[parameter] = ExpandArgument(parser_, name_, arguments_[parameter]);
      isExpanded_[parameter] = true;
    }
    return expanded_[parameter];
  }

  // ", ## __VA_ARGS__" with no variable arguments leaves the comma out.
  void Append(const TMacroPart& part, const std::string& piece) {
    bool emptyVariadic = part.kind == TMacroPart::TKind::Parameter && macro_.variadic &&
                         part.parameter + 1 == macro_.parameters.size() && piece.empty();
    if (part.pastedToPrevious && emptyVariadic && !text_.empty() && text_.back() == ',') text_.pop_back();
    if (part.spaceBefore && !part.pastedToPrevious && !text_.empty() && !piece.empty()) text_ += ' ';
    CountSubstitutionWork(parser_, name_, piece.size() + 1);
    text_ += piece;
  }

  TRCParser& parser_;
  const std::string& name_;
  const TMacro& macro_;
  const std::vector<TArgument>& arguments_;
  std::vector<std::string> expanded_;
  std::vector<bool> isExpanded_;
  std::string text_;
};

// Two bytes that the lexer would read as one token (a word, or a word and a literal, as
// L"text" is), or as the start of a comment.
bool WouldJoin(char last, char next) {
  bool afterWord = IsWordContinuation(static_cast<unsigned char>(last));
  return (afterWord && (IsWordContinuation(static_cast<unsigned char>(next)) || next == '"' || next == '\'')) ||
         (last == '/' && (next == '/' || next == '*'));
}

}  // namespace

bool FollowsParameterList(const TRCParser& parser) {
  const TFileItem* file = parser.currentFile;
  return file != nullptr && file->readPosition < file->text.size() && file->text[file->readPosition] == '(';
}

void DefineMacro(TRCParser& parser, const std::string& name, std::string_view definition) {
  TMacro macro;
  std::size_t bodyStart = ParseParameters(parser, name, definition, macro);
  macro.body = ParseBody(macro, TrimControlBytes(definition.substr(bodyStart)));
  parser.macros.Define(name, std::move(macro));
  parser.defines.Define(name, "");
}

bool ExpandMacroCall(TRCParser& parser, const std::string& name, bool onLine, int& chain) {
  const TMacro* macro = parser.macros.Find(name);
  TFileItem& file = *parser.currentFile;
  if (macro == nullptr || IsBeingExpanded(file, name, file.readPosition - name.size())) return false;
  if (!ReadOpeningParenthesis(parser, onLine)) return false;
  if (++chain > kChainLimit) ReportError(parser, 65, {name});  // Recursion for defined name %s > 100
  std::vector<TArgument> arguments = ReadArguments(parser, name, *macro, onLine);
  CheckArgumentCount(parser, name, *macro, arguments);
  std::string expansion = TExpansionBuilder(parser, name, *macro, arguments).Build();
  CountSubstitutionWork(parser, name, kSubstitutionCost);
  if (!expansion.empty() && file.readPosition < file.text.size() &&
      WouldJoin(expansion.back(), file.text[file.readPosition]))
    expansion += ' ';
  std::size_t end = PlaceSubstitutedText(file, expansion);
  file.activeExpansions.push_back({name, end});
  return true;
}

bool TokenAheadInFile(const TFileItem& file) {
  const std::string& text = file.text;
  std::size_t i = file.readPosition;
  while (i < text.size()) {
    char c = text[i];
    char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r' || c == '\n') {
      ++i;
    } else if (c == ';' || (c == '/' && next == '/')) {
      i = text.find('\n', i);
      if (i == std::string::npos) return false;
    } else if (c == '/' && next == '*') {
      std::size_t close = text.find("*/", i + 2);
      if (close == std::string::npos) return true;  // the lexer reports the open comment
      i = close + 2;
    } else {
      return true;
    }
  }
  return false;
}

}  // namespace tarvex
