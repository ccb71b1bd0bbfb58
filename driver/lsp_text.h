// Text as the Language Server Protocol counts it: lines from 0 and columns in UTF-16
// code units of the line's UTF-8 text, file URIs, and the words of a script.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

/// A line and a column counted in UTF-16 code units, both from 0.
struct TLspPosition {
  std::int32_t line = 0;
  std::int32_t character = 0;
  bool operator==(const TLspPosition&) const = default;
};

struct TLspRange {
  TLspPosition start;
  TLspPosition end;
  bool operator==(const TLspRange&) const = default;
};

/// The offsets where the lines of a text begin; a line ends at "\n" (a "\r" before it
/// belongs to no column anyone asks for).
class TLineTable {
 public:
  explicit TLineTable(std::string_view text);
  /// The position of byte `offset` (clamped to the text).
  TLspPosition PositionOf(std::size_t offset) const;
  /// The byte offset of `position`; a line past the end gives the text's end, a
  /// character past the line's end gives the line's end, and one inside a UTF-8
  /// sequence the sequence's start.
  std::size_t OffsetOf(TLspPosition position) const;
  /// The offset where line `line` (from 0) begins; past the end, the text's end.
  std::size_t LineStart(std::int32_t line) const;
  /// The offset where line `line` ends (its "\n", or "\r\n"); past the end, the text's end.
  std::size_t LineEnd(std::int32_t line) const;
  std::int32_t LineCount() const { return static_cast<std::int32_t>(starts_.size()); }

 private:
  std::string_view text_;
  std::vector<std::size_t> starts_;
};

/// UTF-16 code units of the UTF-8 `text`: four-byte sequences count two, a byte that
/// begins no valid sequence counts one.
std::int32_t Utf16Units(std::string_view text);

/// The byte length of the first `characters` characters of `text` (UTF-8 sequences; an
/// invalid byte counts as one character), at most the text's length.
std::size_t CharactersToBytes(std::string_view text, std::int32_t characters);

/// The path of a "file:" URI, percent escapes decoded; empty for any other scheme or a
/// malformed escape.
std::string UriToPath(std::string_view uri);

/// The "file://" URI of an absolute path, with the bytes that need it percent-escaped.
std::string PathToUri(std::string_view path);

/// Whether `c` can be part of a C name.
bool IsNameByte(char c);

/// The C name around `offset` of `text` (the offset may stand just after it), as the
/// offsets [begin, end); begin == end when there is none.
struct TWordSpan {
  std::size_t begin = 0;
  std::size_t end = 0;
};
TWordSpan WordAt(std::string_view text, std::size_t offset);

/// The extent of the token that starts at `offset`: a name or number, a quoted literal
/// (to its closing quote on the same line), else one character.
std::size_t TokenEnd(std::string_view text, std::size_t offset);

/// Calls `visit(name, offset)` for every C name of `text` outside comments and
/// literals, in order (words that begin with a digit are numbers, not names).
template <typename Visit>
void ForEachName(std::string_view text, Visit visit) {
  std::size_t i = 0;
  const std::size_t size = text.size();
  while (i < size) {
    char c = text[i];
    if (c == '/' && i + 1 < size && text[i + 1] == '/') {
      while (i < size && text[i] != '\n') ++i;
    } else if (c == '/' && i + 1 < size && text[i + 1] == '*') {
      std::size_t close = text.find("*/", i + 2);
      i = close == std::string_view::npos ? size : close + 2;
    } else if (c == '"' || c == '\'') {
      // A literal ends at its closing quote or at the end of its line; "" inside a
      // script literal is a quote, which reads the same here.
      ++i;
      while (i < size && text[i] != c && text[i] != '\n') i += text[i] == '\\' && i + 1 < size ? 2 : 1;
      if (i < size && text[i] == c) ++i;
    } else if (IsNameByte(c)) {
      std::size_t begin = i;
      while (i < size && IsNameByte(text[i])) ++i;
      if (c < '0' || c > '9') visit(text.substr(begin, i - begin), begin);
    } else {
      ++i;
    }
  }
}


}  // namespace tarvex
