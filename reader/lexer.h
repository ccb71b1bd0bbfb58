// The lexer: cuts the current file's text into tokens and decodes the escapes of
// double-quoted literals (reader/numbers converts the numbers the scan cuts).
//
// Reading has two paths, and the words below name them throughout the reader:
// - The layers: the scan (ScanToken), then name substitution and number conversion
//   (NextToken), then directives carried out (NextSignificantToken), then expressions,
//   joined literals and keywords (GetLayeredToken). Every token can be read this way.
// - The lanes: the commonest tokens read straight from the file's bytes, without the
//   layers: plain numbers, plain literals, names nobody defined and braces (each a
//   common token), and runs of them, several operands of a statement at once. A lane
//   leaves exactly the state the layers leave after the same token (TokenFlag, the scan
//   marks, the read position, the line, the open blocks, the sizes of the last value),
//   including the look the layers take at the token after it (the follower); whatever a
//   lane cannot foretell for certain it leaves to the layers, with nothing changed.
// LaneMayRead is the one gate of every lane, and TCompileOptions::lanes turns them all off.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "reader/parser.h"

namespace tarvex {

/// The next raw token of the current file, exactly as written (a wide literal L"..." is
/// one token); the empty token at the end of input. Skips blanks and comments, counts
/// lines and closes an included file when it is exhausted. Sets TokenFlag (Other or Word). Raises 29, 33, 23, 51, 52.
std::string ScanToken(TRCParser& parser);

/// Restores the current file's read position and line to the start of the last token.
void PushBackToken(TRCParser& parser);

/// The comma that is the next token of the current file, when only blanks and tabs of the
/// same line stand before it and a lane may read there (LaneMayRead): the comma lane, a
/// look at the bytes without a scan. `take` leaves what ScanToken reading it would leave;
/// otherwise what reading it and pushing it back would leave. False, with nothing
/// changed, when the next token is anything else or further away.
bool CommaAhead(TRCParser& parser, bool take);

/// Takes every comma that CommaAhead would take one after another; returns how many.
std::size_t TakeCommasAhead(TRCParser& parser);

/// What a lane is about to read: a script's tokens, which the layers drop in a header
/// read for its directives only, or a directive line, which every file has read.
enum class TLaneText : unsigned char { Tokens, Directives };

/// Whether a lane may read the current file at its read position: the lanes are on, the
/// text there is the file's own (not substituted into it), names end as the script reads
/// them, and (for tokens) the file's tokens are not dropped.
inline bool LaneMayRead(const TRCParser& parser, TLaneText what = TLaneText::Tokens) {
  const TFileItem* file = parser.currentFile;
  return parser.options.lanes && file != nullptr && !file->readsCNames &&
         file->readPosition >= file->substitutionMark && (what == TLaneText::Directives || !ReadsDirectivesOnly(*file));
}

/// A token as a lane sees it: where it starts and ends, its line, the kind it leaves in
/// TokenFlag, and the block it opens (+1) or closes (-1).
struct TLaneToken {
  std::size_t at = 0;
  std::size_t end = 0;
  std::int32_t line = 0;
  TTokenKind kind = TTokenKind::Other;
  int block = 0;
};

/// Counts the block that `token` opens or closes (its `block` is not 0), as reading it does.
void TrackLaneBlock(TRCParser& parser, TFileItem& file, const TLaneToken& token);

/// The one writer of the lanes' state: leaves the parser and `file` (the current file)
/// as the layers leave them after reading `token` from the read position; with a
/// `follower`, as after reading `token` and then the follower, pushed back. The block the
/// last token read opens or closes is counted.
inline void LeaveAfterToken(TRCParser& parser, TFileItem& file, const TLaneToken& token,
                            const TLaneToken* follower = nullptr) {
  if (follower == nullptr) {
    parser.TokenFlag = token.kind;
    file.previousScan = file.scan;
    file.tokenStart = file.readPosition;
    file.tokenStartLine = file.line;
    file.scan = {token.at, token.line};
  } else {
    parser.TokenFlag = follower->kind;
    file.previousScan = {token.at, token.line};
    file.scan = file.previousScan;
    file.tokenStart = token.end;
    file.tokenStartLine = token.line;
  }
  file.readPosition = token.end;
  file.line = token.line;
  if (const TLaneToken& last = follower == nullptr ? token : *follower; last.block != 0)
    TrackLaneBlock(parser, file, last);
}

/// What a common token is.
enum class TCommonKind : unsigned char { Number, Literal, Word, Brace };

/// A common token. `text` points into the file's text and holds until the next token is
/// read: a literal with its quotes, a name as written, "{" or "}" for a brace and for
/// BEGIN and END, a number as written.
struct TCommonToken {
  TCommonKind kind = TCommonKind::Word;
  std::string_view text;
  std::int64_t value = 0;  ///< a number's value (parser.longValue tells its size)
  bool isLong = false;     ///< a number that needs 32 bits (as parser.longValue after it)
};

/// A number as the lanes read it: its value and whether a size suffix followed it.
struct TLaneNumber {
  std::int64_t value = 0;
  bool suffix = false;
  TTokenKind Kind() const { return suffix || value > 32767 ? TTokenKind::LongNumber : TTokenKind::Number; }
};

/// The next token of the current file when it is a common token: a plain number (plain
/// digits as reader/plain_number.h reads them, or 0x and 1 to 8 hex digits, then at most one L or U) or an ASCII
/// literal without escapes, each followed by a comma, a brace, a plain number or a name
/// nobody defined; or such a name or a brace itself. The parser is left exactly as
/// reading the token through the layers would leave it (a number read as an expression,
/// a literal joined with none). False, with nothing changed, for anything else.
/// When the token is instead a name among the defines, `defined` (if given) tells where
/// it stands and its value.
struct TDefinedName {
  std::size_t at = 0;
  std::size_t end = 0;
  std::int32_t line = 0;
  std::string_view value;
};
bool TakeCommonToken(TRCParser& parser, TCommonToken& token, TDefinedName* defined = nullptr);

/// What a run may hold, item by item. A run of numbers and literals (the default) takes
/// numbers up to `numbersUpTo` (then no literals), each item after any commas on its
/// line. A run of a control statement's operands takes, at item i, a literal where bit i
/// of `literals` is set (RunItem), else a number, up to 0xFFFF where bit i of `words` is
/// set, and ends before an item of another kind; when the first is a literal, at most one
/// comma on its line may stand before it. With `operandStart` the first item stands where
/// a statement reads its first operand: after blanks and line ends only, no comma.
struct TRunShape {
  std::int64_t numbersUpTo = -1;  ///< -1: any plain number, and literals
  bool operands = false;          ///< the operands of a control statement, by `literals` and `words`
  std::uint32_t literals = 0;
  std::uint32_t words = 0;
  bool operandStart = false;
};

/// The bit of item `place` (0 for the first) of a run, for TRunShape's masks.
constexpr std::uint32_t RunItem(unsigned place) { return std::uint32_t{1} << place; }

/// A run of numbers up to `limit`, no literals.
constexpr TRunShape NumbersUpTo(std::int64_t limit) { return {.numbersUpTo = limit}; }

/// A run of a control statement's operands (see TRunShape).
constexpr TRunShape Operands(std::uint32_t literals, std::uint32_t words, bool operandStart = false) {
  return {.operands = true, .literals = literals, .words = words, .operandStart = operandStart};
}

/// A run of common numbers and literals of `shape`, each after any commas on its line
/// and followed by a comma or a plain number (the last may be followed by a brace or a
/// name nobody defined instead), put into `run` (as many as it holds): what reading them
/// one by one with the commas between them would give, with the parser left as after the
/// last of them. Returns how many were read; none, with nothing changed, when the first
/// token after the commas is no such item.
std::size_t TakeCommonRun(TRCParser& parser, std::span<TCommonToken> run, const TRunShape& shape = {});

/// The token after a number that ends at `end` of the current file on `line`, when it is
/// one whose reading the lanes can foretell: a comma, a brace, a plain number or a name
/// nobody defined, which ends an expression before it. Only looks.
bool FindCommonFollower(const TRCParser& parser, std::size_t end, std::int32_t line, TLaneToken& follower);

/// Leaves the parser as reading the number `value` at `mark` up to `end` of the current
/// file as an expression leaves it, `follower` (from FindCommonFollower) read and pushed
/// back; `token` is the number.
void TakeNumberBefore(TRCParser& parser, TTokenMark mark, std::size_t end, std::int64_t value,
                      const TLaneToken& follower, TCommonToken& token);

/// The name that a TakeCommonRun which has just returned some items found after the
/// last of them, or that TakeCommonToken found after the number or literal it has just
/// taken (the parser's TokenFlag then tells a name), taken as TakeCommonToken takes it but
/// without looking it up among the defined names again: nothing may be read between that
/// call and this one. False, with nothing changed, when the token ended at anything else
/// or at NOT or RCINCLUDE, which the layers read.
bool TakeNameAfterRun(TRCParser& parser, TCommonToken& token);

/// Where TakeStringEntries puts the entries it reads: each entry's text, its escapes
/// decoded, is appended to `texts`, and `add` is handed the entry's id and the index of
/// `texts` where its text starts. An `add` that returns false refuses the entry, which
/// is then left unread (its text taken out again) for the layers.
struct TStringEntrySink {
  std::string& texts;
  bool (*add)(void* context, std::uint16_t id, std::size_t textStart);
  void* context;
};

/// String-table entries of the commonest shape, `id [,] "text"`, read by the lanes one
/// after another while they last: a plain number up to 65535 followed by commas on its
/// line or by blanks, then an ASCII literal whose only escapes are the named ones (\n,
/// \t, \" ...), followed by a token the lanes foretell. The parser is left as reading
/// the last entry's number and literal through the layers leaves it. Returns how many
/// entries `sink` took; none, with nothing changed, when the first is no such entry.
std::size_t TakeStringEntries(TRCParser& parser, const TStringEntrySink& sink);

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
