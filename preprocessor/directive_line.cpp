// A directive ends at the end of its line, as in C: a backslash right before the line
// end continues it, comments are dropped from its text (a slash-star comment may run on
// over several lines and the directive goes on after it), and "//" ends it. In the value
// of a #define a ";" starts a comment too, as it does in script text: kept in the value,
// it would hide the rest of every line where the name is used. Line feeds
// inside substituted text lie before the file's substitution mark; they are not source
// lines and end no directive.
#include "preprocessor/directive_line.h"

#include "reader/diagnostics.h"
#include "reader/parser.h"

namespace tarvex {

namespace {

constexpr std::size_t kNone = std::string::npos;

void CountLineFeed(TFileItem& file, std::size_t index) {
  if (index >= file.substitutionMark) ++file.line;
}

// The index of the line feed when the backslash at `index` ends its line (backslash,
// line feed or backslash, carriage return, line feed), else kNone.
std::size_t ContinuationLineFeed(const std::string& text, std::size_t index) {
  std::size_t next = index + 1;
  if (next < text.size() && text[next] == '\r') ++next;
  return next < text.size() && text[next] == '\n' ? next : kNone;
}

bool IsContinued(const std::string& text, std::size_t lineFeed) {
  std::size_t before = lineFeed;
  if (before > 0 && text[before - 1] == '\r') --before;
  return before > 0 && text[before - 1] == '\\';
}

// A "//" comment whose text starts at `from` runs to the line end, continuation lines
// included. Returns the index of the line feed that ends the line, or the text's size.
std::size_t SkipLineComment(TFileItem& file, std::size_t from) {
  const std::string& text = file.text;
  for (;;) {
    std::size_t lineFeed = text.find('\n', from);
    if (lineFeed == kNone) return text.size();
    if (lineFeed >= file.substitutionMark && !IsContinued(text, lineFeed)) return lineFeed;
    CountLineFeed(file, lineFeed);
    from = lineFeed + 1;
  }
}

// A slash-star comment whose text starts at `from`; returns the index after "*/".
std::size_t SkipBlockComment(TRCParser& parser, TFileItem& file, std::size_t from) {
  const std::string& text = file.text;
  for (std::size_t i = from; i + 1 < text.size(); ++i) {
    if (text[i] == '\n') CountLineFeed(file, i);
    if (text[i] == '*' && text[i + 1] == '/') return i + 2;
  }
  if (!text.empty() && text.back() == '\n') CountLineFeed(file, text.size() - 1);
  file.readPosition = text.size();
  ReportError(parser, 29);  // Comment not terminated
}

// The index after the comment that starts at `at` ("//" or ";" up to the next line feed),
// as the lexer passes it over.
std::size_t LexerCommentEnd(const std::string& text, std::size_t at) {
  std::size_t lineFeed = text.find('\n', at);
  return lineFeed == kNone ? text.size() : lineFeed;
}

}  // namespace

bool ContinuesDirectiveLine(const TFileItem& file, std::size_t position) {
  const std::string& text = file.text;
  std::size_t i = position;
  while (i > 0 && (text[i - 1] == ' ' || text[i - 1] == '\t' || text[i - 1] == '\r' || text[i - 1] == '\v' ||
                   text[i - 1] == '\f'))
    --i;
  return i > 0 && text[i - 1] == '\n' && IsContinued(text, i - 1);
}

// line := {byte | literal | comment | "\" line-end} line-end
std::string ReadDirectiveLine(TRCParser& parser, TContinuation continuation) {
  TFileItem* file = parser.currentFile;
  if (file == nullptr) return {};
  const std::string& text = file->text;
  std::string out;
  char quote = 0;
  std::size_t i = file->readPosition;
  while (i < text.size()) {
    char c = text[i];
    if (c == '\\') {
      if (std::size_t lineFeed = ContinuationLineFeed(text, i); lineFeed != kNone) {
        CountLineFeed(*file, lineFeed);
        out += continuation == TContinuation::Value ? std::string_view("\n\n")
                                                    : std::string_view(text).substr(i, lineFeed + 1 - i);
        i = lineFeed + 1;
        continue;
      }
      out += c;
      if (quote != 0 && i + 1 < text.size() && text[i + 1] != '\n') out += text[++i];  // an escaped byte
      ++i;
      continue;
    }
    if (c == '\n') {
      if (i >= file->substitutionMark) break;
      quote = 0;
    } else if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if ((c == '/' && i + 1 < text.size() && text[i + 1] == '/') ||
               (c == ';' && continuation == TContinuation::Value)) {
      i = SkipLineComment(*file, i + 1);
      break;
    } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
      i = SkipBlockComment(parser, *file, i + 2);
      out += ' ';
      continue;
    }
    out += c;
    ++i;
  }
  file->readPosition = i;
  return std::string(TrimControlBytes(out));
}

TLineAhead LookAheadOnLine(const TRCParser& parser) {
  const TFileItem* file = parser.currentFile;
  if (file == nullptr) return TLineAhead::EndOfInput;
  const std::string& text = file->text;
  std::size_t i = file->readPosition;
  for (;;) {
    if (i >= text.size()) return parser.fileStack.size() <= 1 ? TLineAhead::EndOfInput : TLineAhead::LineEnd;
    char c = text[i];
    char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f') {
      ++i;
    } else if (c == '\n') {
      // The backslash before a continued line end may already have been read as a token.
      if (i >= file->substitutionMark && !IsContinued(text, i)) return TLineAhead::LineEnd;
      ++i;
    } else if (c == '\\') {
      std::size_t lineFeed = ContinuationLineFeed(text, i);
      if (lineFeed == kNone) return TLineAhead::Token;
      i = lineFeed + 1;
    } else if (c == ';' || (c == '/' && next == '/')) {
      i = LexerCommentEnd(text, i);
      if (i < text.size() && i >= file->substitutionMark) return TLineAhead::LineEnd;
      if (i < text.size()) ++i;
    } else if (c == '/' && next == '*') {
      std::size_t close = text.find("*/", i + 2);
      if (close == kNone) return TLineAhead::Token;  // the lexer reports the open comment
      i = close + 2;
    } else {
      return TLineAhead::Token;
    }
  }
}

}  // namespace tarvex
