// The lexer: cuts the current file's text into tokens and decodes the escapes of
// double-quoted literals (numbers are read by reader/numbers).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tarvex {

struct TRCParser;
struct TFileItem;
struct TTokenMark;
struct TStringTable;
enum class TTokenKind : unsigned char;

/// The next raw token of the current file, exactly as written (a wide literal L"..." is
/// one token); the empty token at the end of input. Skips blanks and comments, counts
/// lines and closes an included file when it is exhausted. Sets TokenFlag (Other or Word). Raises 29, 33, 23, 51, 52.
std::string ScanToken(TRCParser& parser);

/// Leaves `file` as ScanToken leaves it after reading, from the read position, the token
/// from `mark` (its first byte and line) to `end`, with TokenFlag `kind`.
void MarkScannedToken(TRCParser& parser, TFileItem& file, TTokenMark mark, std::size_t end, TTokenKind kind);

/// Restores the current file's read position and line to the start of the last token.
void PushBackToken(TRCParser& parser);

/// The comma that is the next token of the current file, when only blanks and tabs of the
/// same line stand before it: a look at the bytes, without a scan. `take` leaves what
/// ScanToken reading it would leave; otherwise what reading it and pushing it back would
/// leave. False, with nothing changed, when the next token is anything else or further away.
bool CommaAhead(TRCParser& parser, bool take);

/// Takes every comma that CommaAhead would take one after another; returns how many.
std::size_t TakeCommasAhead(TRCParser& parser);

/// What a token read by TakeCommonToken is.
enum class TCommonKind : unsigned char { Number, Literal, Word, Brace };

/// A token read straight from the file's bytes. `text` points into the file's text and
/// holds until the next token is read: a literal with its quotes, a name as written,
/// "{" or "}" for a brace and for BEGIN and END, a number as written.
struct TCommonToken {
  TCommonKind kind = TCommonKind::Word;
  std::string_view text;
  std::int64_t value = 0;  ///< a number's value (parser.longValue tells its size)
  bool isLong = false;     ///< a number that needs 32 bits (as parser.longValue after it)
};

/// The next token of the current file's own text when it is one of the commonest, read
/// straight from the bytes: a plain number (0, 1 to 9 decimal digits without a leading
/// zero, or 0x and 1 to 8 hex digits, then at most one L or U) or an ASCII literal
/// without escapes, each followed by a comma, a brace, a plain number or a name nobody
/// defined; or such a name or a brace itself. The parser is left exactly as reading the
/// token through the preprocessor would leave it (a number read as an expression, a
/// literal joined with none). False, with nothing changed, for anything else; the file's
/// kind (a header is read for directives only) is the caller's to check.
/// When the token is instead a name among the defines, `defined` (if given) tells where
/// it stands and its value.
struct TDefinedName {
  std::size_t at = 0;
  std::size_t end = 0;
  std::int32_t line = 0;
  std::string_view value;
};
bool TakeCommonToken(TRCParser& parser, TCommonToken& token, TDefinedName* defined = nullptr);

/// A run of plain numbers and literals (see TakeCommonToken), each after any commas on
/// its line and followed by a comma or a plain number (the last may be followed by a
/// brace or a name nobody defined instead), put into `run` (as many as it holds): what
/// reading them one by one with the commas between them would give, with the parser
/// left as after the last of them. Returns how many were read; none, with
/// nothing changed, when the first token after the commas is no such item. The file's
/// kind is the caller's to check. With `numbersUpTo` at 0 or above, only numbers up to
/// that value are taken, so that none of them can be refused where it stands.
std::size_t TakeCommonRun(TRCParser& parser, std::span<TCommonToken> run, std::int64_t numbersUpTo = -1);

/// TakeCommonRun for the operands of a control statement, each of the kind its place
/// asks for: item i is a literal where bit i of `literals` is set, else a number, up to
/// 0xFFFF where bit i of `words` is set. When the first is a literal, at most one comma
/// on its line may stand before it. The run ends before an item of another kind.
std::size_t TakeControlRun(TRCParser& parser, std::span<TCommonToken> run, std::uint32_t literals, std::uint32_t words);

/// TakeControlRun for a statement's operands, the first of them where the statement
/// reads its first operand: after blanks and line ends only, no comma.
std::size_t TakeOperandRun(TRCParser& parser, std::span<TCommonToken> run, std::uint32_t literals,
                           std::uint32_t words);

/// The token after a number that ends at `end` of the current file on `line`, when it is
/// one whose reading the lanes can foretell: a comma, a brace, a plain number or a name
/// nobody defined, which ends an expression before it. Only looks.
struct TCommonFollower {
  std::size_t at = 0;
  std::int32_t line = 0;
  TTokenKind kind{};
  int block = 0;  ///< +1 for a brace that opens a block, -1 for one that closes it
};
bool FindCommonFollower(const TRCParser& parser, std::size_t end, std::int32_t line, TCommonFollower& follower);

/// Leaves the parser as reading the number `value` at `mark` up to `end` of the current
/// file as an expression leaves it, `follower` (from FindCommonFollower) read and pushed
/// back; `token` is the number.
void TakeNumberBefore(TRCParser& parser, TTokenMark mark, std::size_t end, std::int64_t value,
                      const TCommonFollower& follower, TCommonToken& token);

/// The name that a TakeCommonRun which has just returned some items found after the
/// last of them, or that TakeCommonToken found after the number or literal it has just
/// taken (the parser's TokenFlag then tells a name), taken as TakeCommonToken takes it but
/// without looking it up among the defined names again: nothing may be read between that
/// call and this one. False, with nothing changed, when the token ended at anything else
/// or at NOT or RCINCLUDE, which the layers read.
bool TakeNameAfterRun(TRCParser& parser, TCommonToken& token);

/// A string-table entry of the commonest shape, `id [,] "text"`, read straight from the
/// bytes: a plain number up to 65535 (see TakeCommonToken) followed by commas on its line
/// or by blanks, then an ASCII literal whose only escapes are the named ones (\n, \t,
/// \", \\ ...), followed by a token TakeCommonToken foretells. `id` gets the number and
/// `text` the literal's characters, its escapes decoded (held in `decoded`, which is
/// cleared first). The parser is left as reading the number and the literal through the
/// preprocessor leaves it. False, with nothing changed, for anything else; the file's
/// kind is the caller's to check.
/// `ahead` keeps the number a call found after its literal, which the next call takes
/// without reading it again when it starts where this one left; a call that fails
/// clears it, and nothing else may read between two calls that pass it on.
struct TStringEntryAhead {
  const TFileItem* file = nullptr;  ///< none kept
  std::size_t from = 0;             ///< the read position and line the call left
  std::int32_t fromLine = 0;
  std::int32_t line = 0;  ///< the number's line and end
  std::size_t end = 0;
  std::int64_t value = 0;
  bool suffix = false;
};
bool TakeStringEntry(TRCParser& parser, std::uint16_t& id, std::string_view& text, std::string& decoded,
                     TStringEntryAhead& ahead);

/// Entries of the shape TakeStringEntry reads, one after another while they last: each
/// whose id `table` has not yet marked is marked and added to it under `attributes`, its
/// text appended to the table's pool. The parser is left as after the last of them, and
/// `ahead` passes on as TakeStringEntry passes it. Returns how many were added; none, with
/// nothing changed, when the first entry is no such entry.
std::size_t TakeStringEntries(TRCParser& parser, TStringTable& table, std::uint32_t attributes,
                              TStringEntryAhead& ahead);

/// The token as the preprocessor hands it on: a number as its value in decimal.
std::string CommonTokenText(const TCommonToken& token);

/// Appends the characters of a double-quoted literal to `out`, its escapes decoded and
/// without its quotes. Raises 26 and 27.
void AppendDecodedString(TRCParser& parser, std::string_view literal, std::string& out);

/// Whether `token` is a wide literal as ScanToken cuts it: L directly followed by a
/// double-quoted literal.
bool IsWideLiteral(std::string_view token);

/// The characters of a wide literal (L"...", escapes undecoded) in UTF-16: the text
/// between escapes is converted from the script's character set (ScriptCharset), and each
/// escape gives one code unit: \x with up to four hex digits, a backslash with up to three
/// octal digits, the named escapes as in AppendDecodedString. Raises 26 and 27; text the
/// character set cannot convert stops the compilation.
std::u16string DecodeWideStringLiteral(TRCParser& parser, std::string_view literal);

/// The first byte of `text` at or after `from` that is no blank or line end (or the end
/// of the text), counting the line feeds passed into `line`, as scanning passes them.
std::size_t SkipBlanksAhead(const std::string& text, std::size_t from, std::int32_t& line);

/// Character classes of the scanner.
bool IsWordStart(unsigned char c);
bool IsWordContinuation(unsigned char c);

}  // namespace tarvex
