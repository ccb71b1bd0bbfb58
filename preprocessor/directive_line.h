// The text of one directive line: where it ends, and its bytes with comments and
// continuations resolved.
#pragma once

#include <string>
#include <string_view>

namespace tarvex {

struct TRCParser;
struct TFileItem;

/// How the continuation of a directive line (a backslash right before the line end)
/// appears in the text read: `Value` replaces it by two line feeds (the values of
/// #define and #undef), `AsWritten` keeps its bytes (the text of #error).
enum class TContinuation { Value, AsWritten };

/// Reads the rest of the current directive line from the read position and returns it
/// trimmed of bytes up to 32 at both ends. A backslash before the line end (line feed or
/// carriage return and line feed) continues the line. Outside string literals, "//" (and
/// in `Value` lines ";", the script's own comment) ends the text and a slash-star comment
/// is replaced by one blank, also when it runs over several lines. Line feeds passed over are counted; the read
/// position stops at the line feed that ends the line, which the lexer counts when it passes it. Raises 29.
std::string ReadDirectiveLine(TRCParser& parser, TContinuation continuation);

/// What stands between the read position and the end of the current directive line.
enum class TLineAhead { Token, LineEnd, EndOfInput };

/// Looks ahead from the read position over blanks, comments and continuations without
/// moving: `Token` when another token of the same directive line follows, `LineEnd` when
/// the line (or the included file holding it) ends first, `EndOfInput` at the end of the
/// script. Line feeds inside substituted text do not end the line.
TLineAhead LookAheadOnLine(const TRCParser& parser);

/// Whether only blanks stand between `position` of `file` and the end of a line that a
/// backslash continues: the text at `position` goes on a directive line.
bool ContinuesDirectiveLine(const TFileItem& file, std::size_t position);

/// `text` without the bytes up to 32 at both ends.
inline std::string_view TrimControlBytes(std::string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= 32) ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32) --end;
  return text.substr(begin, end - begin);
}

}  // namespace tarvex
