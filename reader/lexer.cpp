// The lexer works on the whole text of the current file by index: blanks, comments and
// line feeds are passed over in place, and the token handed back is the only copy made.
#include "reader/lexer.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "reader/char_class.h"
#include "reader/diagnostics.h"
#include "reader/parser.h"
#include "reader/plain_number.h"
#include "reader/source_place.h"
#include "reader/utf16.h"

namespace tarvex {

namespace {

enum class TCharClass : std::uint8_t {
  Invalid,
  Blank,
  CarriageReturn,
  LineFeed,
  WordStart,
  Digit,
  Dollar,
  DoubleQuote,
  SingleQuote,
  Semicolon,
  Slash,
  SingleCharacter,
};

constexpr std::array<TCharClass, 256> BuildCharClasses() {
  std::array<TCharClass, 256> classes{};  // every byte not named below is invalid
  auto set = [&classes](std::string_view bytes, TCharClass kind) {
    for (char c : bytes) classes[static_cast<unsigned char>(c)] = kind;
  };
  for (std::size_t c = 'A'; c <= 'Z'; ++c) classes[c] = TCharClass::WordStart;
  for (std::size_t c = 'a'; c <= 'z'; ++c) classes[c] = TCharClass::WordStart;
  for (std::size_t c = 127; c < 256; ++c) classes[c] = TCharClass::WordStart;
  for (std::size_t c = '0'; c <= '9'; ++c) classes[c] = TCharClass::Digit;
  set("_.:?@[]", TCharClass::WordStart);
  set("!#%&()*+,-<=>\\^{}~|", TCharClass::SingleCharacter);
  // Form feed and vertical tab separate sections of C headers: blanks, as in C.
  set("\t \v\f", TCharClass::Blank);
  set("\r", TCharClass::CarriageReturn);
  set("\n", TCharClass::LineFeed);
  set("$", TCharClass::Dollar);
  set("\"", TCharClass::DoubleQuote);
  set("'", TCharClass::SingleQuote);
  set(";", TCharClass::Semicolon);
  set("/", TCharClass::Slash);
  return classes;
}

constexpr std::array<TCharClass, 256> kCharClasses = BuildCharClasses();

TCharClass ClassOf(unsigned char c) { return kCharClasses[c]; }

unsigned char ByteAt(std::string_view text, std::size_t index) { return static_cast<unsigned char>(text[index]); }

// Letters, digits and "_": what may follow "$" in a hexadecimal token.
bool IsHexTokenContinuation(unsigned char c) {
  return IsDigit(c) || c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Line feeds inside substituted text lie before the substitution mark and are not
// lines of the source.
void CountLineFeed(TFileItem& file, std::size_t index) {
  if (index >= file.substitutionMark) ++file.line;
}

// The current file with text left to read. An exhausted included file is closed and
// reading goes on in the file below; the script itself is never closed, its end is the
// end of input (null).
TFileItem* ReadableFile(TRCParser& parser) {
  while (parser.currentFile != nullptr && parser.currentFile->Exhausted()) {
    if (parser.fileStack.size() <= 1) return nullptr;
    CloseSourceFile(parser);
  }
  return parser.currentFile;
}

// Passes over blanks, carriage returns and line feeds. False when the text ends.
bool SkipBlanks(TFileItem& file) {
  const std::string& text = file.text;
  std::size_t i = file.readPosition;
  for (; i < text.size(); ++i) {
    TCharClass kind = ClassOf(ByteAt(text, i));
    if (kind == TCharClass::LineFeed)
      CountLineFeed(file, i);
    else if (kind != TCharClass::CarriageReturn && kind != TCharClass::Blank)
      break;
  }
  file.readPosition = i;
  return i < text.size();
}

// A comment running to the end of its line, whose text starts at `from`. A line feed
// that is the last byte of the file exhausts the file without being counted.
void SkipLineComment(TFileItem& file, std::size_t from) {
  std::size_t lineFeed = file.text.find('\n', from);
  if (lineFeed == std::string::npos || lineFeed + 1 == file.text.size()) {
    file.readPosition = file.text.size();
    return;
  }
  CountLineFeed(file, lineFeed);
  file.readPosition = lineFeed + 1;
}

// A comment from slash-star up to the next star-slash; `from` is the first byte after
// the opening pair. Raises 29 when it is never closed.
void SkipBlockComment(TRCParser& parser, TFileItem& file, std::size_t from) {
  const std::string& text = file.text;
  for (std::size_t i = from; i < text.size(); ++i) {
    if (text[i] == '\n') CountLineFeed(file, i);
    if (text[i] == '*' && i + 1 < text.size() && text[i + 1] == '/') {
      file.readPosition = i + 2;
      return;
    }
  }
  ReportError(parser, 29);  // Comment not terminated
}

std::string CutToken(TFileItem& file, std::size_t begin, std::size_t end) {
  file.readPosition = end;
  return file.text.substr(begin, end - begin);
}

// IsWordContinuation as a function object, which RunEnd inlines.
constexpr auto kWordContinues = [](unsigned char c) {
  TCharClass kind = kCharClasses[c];
  return kind == TCharClass::WordStart || kind == TCharClass::Digit;
};

template <typename Predicate>
std::size_t RunEnd(std::string_view text, std::size_t from, Predicate belongs) {
  while (from < text.size() && belongs(ByteAt(text, from))) ++from;
  return from;
}

// The index of the line feed when the backslash at `index` ends its line (backslash,
// line feed or backslash, carriage return, line feed), else npos.
std::size_t SpliceLineFeed(std::string_view text, std::size_t index) {
  std::size_t next = index + 1;
  if (next < text.size() && text[next] == '\r') ++next;
  return next < text.size() && text[next] == '\n' ? next : std::string_view::npos;
}

// The second byte of a two-byte character that starts at `index` (a first byte of the
// double-byte code page in force), or npos. A byte below 0x30 is never taken as one, so
// a quote or a line end always keeps its meaning.
std::size_t TrailByteIndex(std::string_view text, std::size_t index, TDoubleByteSet set) {
  bool trail = set != TDoubleByteSet::None && index + 1 < text.size() &&
               IsLeadByte(set, static_cast<unsigned char>(text[index])) &&
               static_cast<unsigned char>(text[index + 1]) >= 0x30;
  return trail ? index + 1 : std::string_view::npos;
}

// The double-byte set of the code page in force, looked up at the first byte above 0x7F
// of a literal (most literals have none).
class TLiteralCodePage {
 public:
  explicit TLiteralCodePage(const TRCParser& parser) : parser_(parser) {}
  TDoubleByteSet Of(unsigned char byte) {
    if (byte < 0x80) return TDoubleByteSet::None;
    if (!known_) set_ = DoubleByteSetOf(ScriptCharset(parser_));
    known_ = true;
    return set_;
  }

 private:
  const TRCParser& parser_;
  bool known_ = false;
  TDoubleByteSet set_ = TDoubleByteSet::None;
};

// The index of the first backslash at or after `from` that starts an escape: in a
// double-byte code page the second byte of a character may be 0x5C and is none.
std::size_t FindEscape(std::string_view text, std::size_t from, TLiteralCodePage& codePage) {
  for (std::size_t i = from; i < text.size(); ++i) {
    if (text[i] == '\\') return i;
    if (static_cast<unsigned char>(text[i]) < 0x80) continue;
    std::size_t trail = TrailByteIndex(text, i, codePage.Of(static_cast<unsigned char>(text[i])));
    if (trail != std::string_view::npos) i = trail;
  }
  return std::string_view::npos;
}

// Whether `c` needs no second look inside a literal: an ASCII byte other than a quote, a
// backslash or a line feed.
bool IsPlainLiteralByte(unsigned char c) { return c < 0x80 && c != '"' && c != '\\' && c != '\n'; }

// The end of the run of bytes from `from` that IsPlainLiteralByte accepts, sixteen or
// eight at a time where it can; PlainLiteralRunEnd is the same, called.
[[gnu::always_inline]] inline std::size_t InlineLiteralRunEnd(std::string_view text, std::size_t from) {
#if defined(__SSE2__)
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i backslash = _mm_set1_epi8('\\');
  const __m128i lineFeed = _mm_set1_epi8('\n');
  for (; from + 16 <= text.size(); from += 16) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + from));
    __m128i stops = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, quote), _mm_cmpeq_epi8(bytes, backslash)),
                                 _mm_cmpeq_epi8(bytes, lineFeed));
    // the high bit of a byte above 0x7F stops the run too
    auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(stops, bytes)));
    if (mask != 0) return from + static_cast<std::size_t>(std::countr_zero(mask));
  }
#endif
  for (; from + 8 <= text.size(); from += 8) {
    std::uint64_t word = LoadWord(text.data() + from);
    if ((word & kHighBits) != 0 || WordHasByte(word, '"') || WordHasByte(word, '\\') || WordHasByte(word, '\n')) break;
  }
  while (from < text.size() && IsPlainLiteralByte(ByteAt(text, from))) ++from;
  return from;
}

std::size_t PlainLiteralRunEnd(std::string_view text, std::size_t from) { return InlineLiteralRunEnd(text, from); }

// literal := '"' {byte | '\' byte | '\' line-end} '"'
// Escapes stay undecoded, but a backslash that ends a line is a splice: it vanishes with
// the line end and the literal goes on with the next line, as in C. A quote after an odd
// run of backslashes is escaped. The two bytes of a double-byte character are passed
// together, so that a second byte 0x5C escapes nothing. Raises 52 at an unescaped line
// feed or the end of the text and 23 when the text ends with an escaped quote.
std::string ScanDoubleQuoted(TRCParser& parser, TFileItem& file, std::size_t start) {
  const std::string& text = file.text;
  TLiteralCodePage codePage(parser);
  std::string token;
  std::size_t segment = start;
  std::size_t backslashes = 0;
  for (std::size_t i = start + 1; i < text.size(); ++i) {
    char c = text[i];
    if (IsPlainLiteralByte(static_cast<unsigned char>(c))) {
      backslashes = 0;
      i = PlainLiteralRunEnd(text, i) - 1;
      continue;
    }
    if (std::size_t trail = TrailByteIndex(text, i, codePage.Of(static_cast<unsigned char>(c)));
        trail != std::string::npos) {
      i = trail;
      backslashes = 0;
      continue;
    }
    if (c == '\\') {
      std::size_t lineFeed = SpliceLineFeed(text, i);
      if (lineFeed == std::string::npos) {
        ++backslashes;
        continue;
      }
      token.append(text, segment, i - segment);
      CountLineFeed(file, lineFeed);
      i = lineFeed;
      segment = lineFeed + 1;
      continue;  // the run of backslashes before the splice goes on after it
    }
    if (c == '\n') ReportError(parser, 52);  // Double quoted string not terminated
    if (c == '"' && backslashes % 2 == 0) {
      token.append(text, segment, i + 1 - segment);
      file.readPosition = i + 1;
      return token;
    }
    if (c == '"' && i + 1 == text.size()) ReportError(parser, 23);  // Expecting string continuation after \" sequence
    backslashes = 0;
  }
  ReportError(parser, 52);  // Double quoted string not terminated
}

// literal := "'" {byte} "'" on one line, without escapes.
std::string ScanSingleQuoted(TRCParser& parser, TFileItem& file, std::size_t start) {
  const std::string& text = file.text;
  for (std::size_t i = start + 1; i < text.size(); ++i) {
    if (text[i] == '\n') break;
    if (text[i] == '\'') return CutToken(file, start, i + 1);
  }
  ReportError(parser, 51);  // Single quoted string is not terminated
}

// Whether the text at `index` is read with C's names, which end at a dot: the value of a
// defined name or the expansion of a macro (text before the substitution mark), and a
// macro argument read on its own. Elsewhere a dot continues a word, as in file names.
bool ReadsCNames(const TFileItem& file, std::size_t index) { return file.readsCNames || index < file.substitutionMark; }

bool IsCNameContinuation(unsigned char c) { return c != '.' && IsWordContinuation(c); }

// The end of a number read with C's names: a dot belongs to it only before a digit (3.8),
// so that a value 4 followed by .MINOR stays the number 4.
std::size_t CNumberEnd(const std::string& text, std::size_t from) {
  for (; from < text.size(); ++from) {
    unsigned char c = ByteAt(text, from);
    bool continues = c == '.' ? from + 1 < text.size() && IsDigit(ByteAt(text, from + 1)) : IsWordContinuation(c);
    if (!continues) break;
  }
  return from;
}

// Reads the token that starts at the read position, which is no blank. Returns false
// when a comment was passed over instead.
bool ScanAt(TRCParser& parser, TFileItem& file, std::string& token) {
  const std::string& text = file.text;
  std::size_t p = file.readPosition;
  unsigned char c = ByteAt(text, p);
  switch (ClassOf(c)) {
    case TCharClass::Semicolon:
      SkipLineComment(file, p + 1);
      return false;
    case TCharClass::Slash:
      if (p + 1 < text.size() && text[p + 1] == '/') {
        SkipLineComment(file, p + 2);
        return false;
      }
      if (p + 1 < text.size() && text[p + 1] == '*') {
        SkipBlockComment(parser, file, p + 2);
        return false;
      }
      token = CutToken(file, p, p + 1);
      return true;
    case TCharClass::WordStart:
      if (c == 'L' && p + 1 < text.size() && text[p + 1] == '"') {
        token = "L" + ScanDoubleQuoted(parser, file, p + 1);  // a wide literal, L"..."
        return true;
      }
      if (c == '.' && ReadsCNames(file, p)) {
        token = CutToken(file, p, p + 1);  // a dot of its own, as C reads it
        return true;
      }
      parser.TokenFlag = TTokenKind::Word;
      token =
          CutToken(file, p,
                   ReadsCNames(file, p) ? RunEnd(text, p + 1, [](unsigned char b) { return IsCNameContinuation(b); })
                                        : RunEnd(text, p + 1, kWordContinues));
      return true;
    case TCharClass::Digit:
      token = CutToken(file, p, ReadsCNames(file, p) ? CNumberEnd(text, p + 1) : RunEnd(text, p + 1, kWordContinues));
      return true;
    case TCharClass::Dollar:
      parser.TokenFlag = TTokenKind::Word;
      token = CutToken(file, p, RunEnd(text, p + 1, IsHexTokenContinuation));
      return true;
    case TCharClass::DoubleQuote:
      token = ScanDoubleQuoted(parser, file, p);
      return true;
    case TCharClass::SingleQuote:
      token = ScanSingleQuoted(parser, file, p);
      return true;
    case TCharClass::SingleCharacter:
      token = CutToken(file, p, p + 1);
      return true;
    default:
      ReportError(parser, 33, {static_cast<char>(c)});  // Invalid character encountered: %s
  }
}

// ---- Escapes ----

// The byte that a backslash and `c` stand for when `c` names one (a letter in either
// case, a backslash or a quote), else -1.
int NamedEscape(unsigned char c) {
  constexpr std::string_view kLetters = "abfnrtv";
  constexpr std::string_view kBytes = "\a\b\f\n\r\t\v";
  if (c == '\\' || c == '"') return c;
  char lower = static_cast<char>(c >= 'A' && c <= 'Z' ? c | 0x20 : c);
  std::size_t at = kLetters.find(lower);
  return at == std::string_view::npos ? -1 : kBytes[at];
}

// The value of at most `maxDigits` hex or octal digits read from `from` (no digit at all
// gives 0); `from` moves past the digits.
unsigned ReadEscapeDigits(std::string_view literal, std::size_t& from, unsigned base, std::size_t maxDigits) {
  auto isDigit = base == 16 ? IsHexDigit<unsigned char> : IsOctalDigit<unsigned char>;
  unsigned value = 0;
  std::size_t end = from + maxDigits;
  for (; from < literal.size() && from < end && isDigit(static_cast<unsigned char>(literal[from])); ++from)
    value = value * base + HexDigitValue(static_cast<unsigned char>(literal[from]));
  return value;
}

// The digits an escape takes: two hex or three octal digits in an ordinary literal, where
// each escape gives one byte (modulo 256); four hex or three octal digits in a wide
// literal, where each gives one UTF-16 code unit.
struct TEscapeDigits {
  std::size_t hex;
  std::size_t octal;
};
constexpr TEscapeDigits kByteEscape = {2, 3};
constexpr TEscapeDigits kUnitEscape = {4, 3};

// What an escape gives: one value, nothing (a spliced line end), or, after a backslash,
// a character the escape table does not name.
enum class TEscape { Value, Nothing, Unnamed };

// Decodes the escape whose backslash is at `index` of `text` into `value`; returns the
// index after it, or for an unnamed character the index of that character.
std::size_t DecodeEscape(std::string_view text, std::size_t index, TEscapeDigits digits, TEscape& kind,
                         unsigned& value) {
  std::size_t next = index + 1;
  unsigned char c = static_cast<unsigned char>(text[next]);
  kind = TEscape::Value;
  if (int named = NamedEscape(c); named >= 0) {
    value = static_cast<unsigned>(named);
    return next + 1;
  }
  if (std::size_t lineFeed = SpliceLineFeed(text, index); lineFeed != std::string_view::npos) {
    kind = TEscape::Nothing;  // a spliced line end leaves nothing
    return lineFeed + 1;
  }
  std::size_t end = next + 1;
  if (c == 'x' || c == 'X') {
    value = ReadEscapeDigits(text, end, 16, digits.hex);
    return end;
  }
  if (!IsOctalDigit(c)) {
    kind = TEscape::Unnamed;
    return next;
  }
  end = next;
  value = ReadEscapeDigits(text, end, 8, digits.octal);
  return end;
}

// The index after the character that starts at `at` of `text`, a literal's text in
// `charset`: its trail bytes in a double-byte code page, its continuation bytes in UTF-8.
std::size_t CharacterEnd(std::string_view text, std::size_t at, const std::string& charset,
                         TLiteralCodePage& codePage) {
  auto c = static_cast<unsigned char>(text[at]);
  if (std::size_t trail = TrailByteIndex(text, at, codePage.Of(c)); trail != std::string_view::npos) return trail + 1;
  std::size_t end = at + 1;
  if (c >= 0xC0 && IsUtf8Charset(charset))
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  return end;
}

// ---- The lanes ----
//
// Each lane leaves exactly what the layers would leave (see lexer.h); whatever a lane
// cannot tell for certain is left to the layers, with nothing changed.
//
// The lanes read a file's text as a view; a view of a whole std::string is followed by
// the string's terminating zero byte, which ends every run of digits, letters or blanks,
// so that the scans below need no bounds check of their own.

// Whether `word` is `lowerWord` (a keyword in small letters) in any letter case.
[[gnu::always_inline]] inline bool IsLowerWord(std::string_view word, std::string_view lowerWord) {
  if (word.size() != lowerWord.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if ((word[i] | 0x20) != lowerWord[i]) return false;  // only a letter's two cases give one of its letters
  return true;
}

// The end of the name whose bytes continue at `from`.
inline std::size_t WordEnd(std::string_view text, std::size_t from) {
  while (kWordContinues(static_cast<unsigned char>(text.data()[from]))) ++from;
  return from;
}

// What SkipBlanksAhead gives.
inline std::size_t BlanksEnd(std::string_view text, std::size_t from, std::int32_t& line) {
  const char* bytes = text.data();
  for (;; ++from) {
    auto c = static_cast<unsigned char>(bytes[from]);
    if (c == ' ') continue;  // the commonest blank first, then anything else above it
    if (c > ' ') break;
    if (c == '\n')
      ++line;
    else if (c != '\r' && ClassOf(c) != TCharClass::Blank)
      break;
  }
  return from;  // at most the text's size, where the terminating zero stops it
}

// Where a comma lane would leave the reading after the token ending at `from`: past the
// commas that follow on the same line, each after blanks and tabs only.
std::size_t SkipSameLineCommas(std::string_view text, std::size_t from) {
  const char* bytes = text.data();
  for (std::size_t at = from;; from = ++at) {
    while (IsSpaceOrTab(bytes[at])) ++at;
    if (bytes[at] != ',') return from;
  }
}

// The number of leading bytes of the text's bytes `word` that are hexadecimal digits,
// 8 when all of them are; `nibbles` receives each byte's digit value.
[[gnu::always_inline]] inline unsigned LeadingHexDigits(std::uint64_t word, std::uint64_t& nibbles) {
  std::uint64_t x = word ^ (kEveryByte * '0');
  std::uint64_t notDecimal = x | (x + kEveryByte * 0x76);
  std::uint64_t letter = (word | (kEveryByte * 0x20)) ^ (kEveryByte * 0x60);  // a to f as 1 to 6
  std::uint64_t isLetter = (letter + kEveryByte * 0x7F) & ~(letter + kEveryByte * 0x79) & ~letter & kHighBits;
  nibbles = (word & (kEveryByte * 0x0F)) + (isLetter >> 7) * 9;
  std::uint64_t stops = notDecimal & ~isLetter & kHighBits;
  return stops == 0 ? 8 : static_cast<unsigned>(std::countr_zero(stops)) / 8;
}

// The value of the first `count` (1 to 8) digits of `nibbles`, as LeadingHexDigits gives them.
[[gnu::always_inline]] inline std::uint64_t HexDigitsValue(std::uint64_t nibbles, unsigned count) {
  std::uint64_t x = nibbles << (8 * (8 - count));
  x = ((x << 4) | (x >> 8)) & 0x00FF00FF00FF00FFull;
  x = ((x << 8) | (x >> 16)) & 0x0000FFFF0000FFFFull;
  return ((x << 16) | (x >> 32)) & 0xFFFFFFFFull;
}

// The end of the plain number at `at` (which is in the text), 0 for any other token:
// plain digits (PlainDecimalEnd) or 0x with 1 to 8 hexadecimal digits; then at most one
// L or U. Octal numbers, longer or larger ones and anything with more letters are left
// to the layers.
[[gnu::always_inline]] inline std::size_t PlainNumberEnd(std::string_view text, std::size_t at, TLaneNumber& number) {
  // The terminating zero byte ends every run of digits
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  std::size_t end = 0;
  if (static_cast<unsigned>(bytes[at] - '1') < 9) {
    if ((end = PlainDecimalEndIn(text, at, number.value)) == 0) return 0;
  } else if (bytes[at] != '0') {
    return 0;
  } else if ((bytes[at + 1] | 0x20) != 'x') {
    number.value = 0;
    end = at + 1;
  } else {
    end = at + 2;
    std::uint64_t value = 0;
    if (at + 10 <= text.size()) {
      std::uint64_t nibbles;
      unsigned count = LeadingHexDigits(LoadWord(text.data() + end), nibbles);
      if (count == 0) return 0;
      value = HexDigitsValue(nibbles, count);
      end += count;
    } else {
      for (; end - at < 10 && IsHexDigit(bytes[end]); ++end) value = value * 16 + HexDigitValue(bytes[end]);
      if (end == at + 2) return 0;
    }
    number.value = static_cast<std::int64_t>(value);
  }
  unsigned char c = bytes[end];
  number.suffix = false;
  if (c < '0' && c != '.') return end;  // a comma, a blank or a line end, the commonest
  number.suffix = c == 'L' || c == 'l' || c == 'U' || c == 'u';
  if (number.suffix) c = bytes[++end];
  return kWordContinues(c) ? 0 : end;
}

// A name the layers would hand on as written: no defined name or unit constant (whose
// value would be put in its place) and no wide literal.
// A name found among the defines gives its value in `defined` when asked.
[[gnu::always_inline]] inline bool PlainWordAt(const TRCParser& parser, std::string_view text, TLaneToken& token,
                                               const std::string_view** defined = nullptr) {
  const char* bytes = text.data();
  if (ClassOf(static_cast<unsigned char>(bytes[token.at])) != TCharClass::WordStart) return false;
  if (bytes[token.at] == 'L' && bytes[token.at + 1] == '"') return false;  // a wide literal
  token.end = WordEnd(text, token.at + 1);
  std::string_view word(bytes + token.at, token.end - token.at);
  if (const std::string_view* value = parser.defines.Find(word)) {
    if (defined != nullptr) *defined = value;
    return false;
  }
  if (parser.unitConstants.Size() != 0 && parser.unitConstants.Find(word) != nullptr) return false;
  token.kind = TTokenKind::Word;
  if (IsLowerWord(word, "begin")) token.block = 1;
  if (IsLowerWord(word, "end")) token.block = -1;
  return true;
}

// The token at `token.at` when it is one whose reading the lanes can foretell: a comma, a
// brace, a plain number or a plain name. It is no operator and no literal, so it ends an
// expression before it and joins no literal.
[[gnu::always_inline]] inline bool FollowerAt(const TRCParser& parser, std::string_view text, TLaneToken& token) {
  if (token.at >= text.size()) return false;
  char c = text[token.at];
  token.end = token.at + 1;
  if (c == ',') return true;
  if (c == '{' || c == '}') {
    token.block = c == '{' ? 1 : -1;
    return true;
  }
  if (TLaneNumber number; (token.end = PlainNumberEnd(text, token.at, number)) != 0) {
    token.kind = number.Kind();
    return true;
  }
  return PlainWordAt(parser, text, token);
}

}  // namespace

void TrackLaneBlock(TRCParser& parser, TFileItem& file, const TLaneToken& token) {
  TTokenMark scan = file.scan;
  file.scan = {token.at, token.line};
  TrackBlock(parser, token.block > 0);
  file.scan = scan;
}

namespace {

// Leaves a number token's sizes as reading it as an expression leaves them.
void LeaveNumberSizes(TRCParser& parser, bool isLong) {
  parser.longValue = isLong;
  parser.removedBits = 0;
}

}  // namespace

// number: read as an expression, which ends at the follower. literal: joined with none.
// name or brace: read alone (BEGIN and END handed on as braces).
bool TakeCommonToken(TRCParser& parser, TCommonToken& token, TDefinedName* defined) {
  if (!LaneMayRead(parser)) return false;
  TFileItem* file = parser.currentFile;
  const std::string_view text = file->text;
  TLaneToken taken;
  taken.line = file->line;
  taken.at = BlanksEnd(text, file->readPosition, taken.line);
  if (taken.at >= text.size()) return false;
  TLaneToken follower;
  char c = text[taken.at];
  if (c == '"') {
    if (parser.fileNameStrings) return false;
    taken.end = PlainLiteralRunEnd(text, taken.at + 1);
    if (taken.end >= text.size() || text[taken.end] != '"') return false;  // an escape, a line end, a byte above 0x7F
    follower.line = taken.line;
    follower.at = BlanksEnd(text, ++taken.end, follower.line);
    if (!FollowerAt(parser, text, follower)) return false;
    LeaveAfterToken(parser, *file, taken, &follower);
    parser.wideString = false;
    token.kind = TCommonKind::Literal;
  } else if (TLaneNumber number; (taken.end = PlainNumberEnd(text, taken.at, number)) != 0) {
    follower.line = taken.line;
    follower.at = BlanksEnd(text, taken.end, follower.line);
    if (!FollowerAt(parser, text, follower)) return false;
    LeaveAfterToken(parser, *file, taken, &follower);
    LeaveNumberSizes(parser, number.Kind() == TTokenKind::LongNumber);
    token.kind = TCommonKind::Number;
    token.value = number.value;
    token.isLong = parser.longValue;
  } else {
    if (c == '{' || c == '}') {
      taken.end = taken.at + 1;
      taken.block = c == '{' ? 1 : -1;
    } else if (const std::string_view* value = nullptr; !PlainWordAt(parser, text, taken, &value)) {
      if (value != nullptr && defined != nullptr) *defined = {taken.at, taken.end, taken.line, *value};
      return false;
    } else if (IsWord({text.data() + taken.at, taken.end - taken.at}, "NOT") ||
               IsWord({text.data() + taken.at, taken.end - taken.at}, "RCINCLUDE")) {
      return false;
    }
    LeaveAfterToken(parser, *file, taken);
    if (taken.block != 0) {
      token.kind = TCommonKind::Brace;
      token.text = taken.block > 0 ? "{" : "}";
      return true;
    }
    token.kind = TCommonKind::Word;
  }
  token.text = std::string_view(text.data() + taken.at, taken.end - taken.at);
  return true;
}

namespace {

enum class TRunStep { Next, Last, Stop };

// What follows an item of a run ending at `end` on `line` that no comma follows at once:
// the next item (at `nextAt` on `nextLine`), the end of the run with this item, or the
// end before it. `follower` receives the token after the item.
[[gnu::noinline]] TRunStep StepAfterItem(const TRCParser& parser, std::string_view text, std::size_t end,
                                         std::int32_t line, TLaneToken& follower, std::size_t& nextAt,
                                         std::int32_t& nextLine) {
  TLaneToken ahead;
  ahead.line = line;
  ahead.at = BlanksEnd(text, end, ahead.line);
  if (ahead.at >= text.size()) return TRunStep::Stop;
  TRunStep step = TRunStep::Next;
  if (text.data()[ahead.at] == ',') {
    std::size_t afterCommas = SkipSameLineCommas(text, end);
    if (afterCommas == end)
      step = TRunStep::Last;
    else
      nextAt = BlanksEnd(text, afterCommas, nextLine);
  } else if (!FollowerAt(parser, text, ahead)) {
    return TRunStep::Stop;
  } else if (ahead.kind == TTokenKind::Number || ahead.kind == TTokenKind::LongNumber) {
    nextAt = ahead.at;  // the next item, on this line or a later one
    nextLine = ahead.line;
  } else {
    step = TRunStep::Last;  // a brace or a plain name
  }
  follower = ahead;
  return step;
}

// TakeCommonRun; `kOperands` and `kOperandStart` tell the shape's, so that each kind of
// run is read by code of its own.
template <bool kOperands, bool kOperandStart>
[[gnu::noinline]] std::size_t TakeRun(TRCParser& parser, std::span<TCommonToken> run, const TRunShape shape) {
  if (!LaneMayRead(parser) || run.empty()) return 0;
  TFileItem* file = parser.currentFile;
  const std::string_view text = file->text;
  const char* bytes = text.data();
  const bool literals = kOperands ? shape.literals != 0 && !parser.fileNameStrings
                                  : shape.numbersUpTo < 0 && !parser.fileNameStrings;
  std::int64_t limit = shape.numbersUpTo < 0 ? std::numeric_limits<std::int64_t>::max() : shape.numbersUpTo;
  std::int32_t line = file->line;
  std::size_t at = file->readPosition;
  if (kOperandStart) {
    at = BlanksEnd(text, at, line);  // an item read where a statement's operand starts
  } else if (kOperands && (shape.literals & RunItem(0)) != 0) {
    // One comma on the line, after blanks and tabs, may stand before the text
    if (!literals) return 0;
    while (IsSpaceOrTab(bytes[at])) ++at;
    at = BlanksEnd(text, bytes[at] == ',' ? at + 1 : file->readPosition, line);
    if (bytes[at] != '"') return 0;
  } else {
    // The commonest separators, before the first item and between items: a comma and at
    // most one blank, then a byte that may begin an item (no blank, line end or comma)
    if (bytes[at] == ',') {
      auto c = static_cast<unsigned char>(bytes[++at]);
      if (c == ' ') c = static_cast<unsigned char>(bytes[++at]);
      if (c <= ' ' || c == ',') at = file->readPosition;
    }
    if (at == file->readPosition) at = BlanksEnd(text, SkipSameLineCommas(text, at), line);
  }
  TCommonToken* item = run.data();
  std::uint32_t place = RunItem(0);  // the bit of the item's place in `shape`
  TCommonToken* const full = item + run.size();
  // What follows the last item taken: its comma right after it (the commonest), else `follower`
  std::int32_t itemLine = line;
  bool commaAfter = true, anyLiteral = false;
  TLaneToken follower;
  for (;;) {
    std::size_t end;
    TLaneNumber number;
    if (kOperands) limit = (shape.words & place) != 0 ? 0xFFFF : std::numeric_limits<std::int64_t>::max();
    bool literal = bytes[at] == '"';
    if (kOperands && literal != ((shape.literals & place) != 0)) break;
    if (literal) {
      if (!literals) break;
      end = PlainLiteralRunEnd(text, at + 1);
      if (bytes[end] != '"') break;  // an escape, a line end, a byte above 0x7F, the end
      ++end;
    } else if ((end = PlainNumberEnd(text, at, number)) == 0 || number.value > limit) {
      break;
    }
    // A comma or a plain number after the item goes on with the run; a brace or a plain
    // name ends it with this item, as the lane would take it; anything else ends it
    // before. After commas on the item's line the next item is read; a comma anywhere
    // else is where the next item would be, so the run ends there.
    std::size_t nextAt = 0;
    std::int32_t nextLine = line;
    bool last = false;
    if (bytes[end] == ',') {
      std::size_t after = end + 1;
      auto c = static_cast<unsigned char>(bytes[after]);
      if (c == ' ') c = static_cast<unsigned char>(bytes[++after]);
      if (c > ' ' && c != ',') {
        nextAt = after;
      } else {
        while (IsSpaceOrTab(bytes[after])) ++after;
        if (bytes[after] == ',') after = SkipSameLineCommas(text, after);
        nextAt = BlanksEnd(text, after, nextLine);
      }
      commaAfter = true;
    } else {
      TRunStep step = StepAfterItem(parser, text, end, line, follower, nextAt, nextLine);
      if (step == TRunStep::Stop) break;
      last = step == TRunStep::Last;
      commaAfter = false;
    }
    item->text = std::string_view(bytes + at, end - at);
    if (literal) {
      item->kind = TCommonKind::Literal;
      item->value = 0;
      item->isLong = false;
      anyLiteral = true;
    } else {
      item->kind = TCommonKind::Number;
      item->value = number.value;
      item->isLong = number.Kind() == TTokenKind::LongNumber;
    }
    itemLine = line;
    if (++item == full || last) break;
    if (kOperands) place <<= 1;
    at = nextAt;
    line = nextLine;
  }
  if (item == run.data()) return 0;
  TLaneToken taken;
  taken.at = static_cast<std::size_t>(item[-1].text.data() - bytes);
  taken.end = taken.at + item[-1].text.size();
  taken.line = itemLine;
  if (commaAfter) {
    follower = TLaneToken{};  // no kind an earlier item's follower had
    follower.at = taken.end;
    follower.line = itemLine;
  }
  LeaveAfterToken(parser, *file, taken, &follower);
  if (follower.kind == TTokenKind::Word)
    parser.wordAfterRun = {file, file->readPosition, follower.at, follower.end, follower.line};
  // The size of the last number, the last to be read as an expression
  for (const TCommonToken* number = item; number != run.data();) {
    if ((--number)->kind == TCommonKind::Number) {
      LeaveNumberSizes(parser, number->isLong);
      break;
    }
  }
  if (anyLiteral) parser.wideString = false;
  return static_cast<std::size_t>(item - run.data());
}

}  // namespace

std::size_t TakeCommonRun(TRCParser& parser, std::span<TCommonToken> run, const TRunShape& shape) {
  if (!shape.operands) return TakeRun<false, false>(parser, run, shape);
  return shape.operandStart ? TakeRun<true, true>(parser, run, shape) : TakeRun<true, false>(parser, run, shape);
}

bool FindCommonFollower(const TRCParser& parser, std::size_t end, std::int32_t line, TLaneToken& follower) {
  const std::string_view text = parser.currentFile->text;
  follower = TLaneToken{};
  follower.line = line;
  follower.at = BlanksEnd(text, end, follower.line);
  return FollowerAt(parser, text, follower);
}

void TakeNumberBefore(TRCParser& parser, TTokenMark mark, std::size_t end, std::int64_t value,
                      const TLaneToken& follower, TCommonToken& token) {
  TFileItem& file = *parser.currentFile;
  LeaveAfterToken(parser, file, {mark.at, end, mark.line}, &follower);
  LeaveNumberSizes(parser, TLaneNumber{value, false}.Kind() == TTokenKind::LongNumber);
  token.kind = TCommonKind::Number;
  token.text = std::string_view(file.text.data() + mark.at, end - mark.at);
  token.value = value;
  token.isLong = parser.longValue;
}

std::string CommonTokenText(const TCommonToken& token) {
  if (token.kind != TCommonKind::Number) return std::string(token.text);
  char digits[24];
  auto written = std::to_chars(digits, digits + sizeof digits, token.value);
  return std::string(digits, written.ptr);
}

bool TakeNameAfterRun(TRCParser& parser, TCommonToken& token) {
  if (parser.TokenFlag != TTokenKind::Word || !LaneMayRead(parser)) return false;
  TFileItem* file = parser.currentFile;
  const std::string_view text = file->text;
  TLaneToken taken;
  // The run has just scanned the name: it still stands where the run found it
  if (const TRCParser::TWordAfterRun& word = parser.wordAfterRun;
      word.file == file && word.readPosition == file->readPosition && word.at < word.end && word.end <= text.size() &&
      ClassOf(ByteAt(text, word.at)) == TCharClass::WordStart && !kWordContinues(ByteAt(text, word.end))) {
    taken.at = word.at;
    taken.end = word.end;
    taken.line = word.line;
  } else {
    taken.line = file->line;
    taken.at = BlanksEnd(text, file->readPosition, taken.line);
    if (taken.at >= text.size() || ClassOf(ByteAt(text, taken.at)) != TCharClass::WordStart) return false;
    taken.end = WordEnd(text, taken.at + 1);
  }
  if (text[taken.at] == 'L' && text[taken.at + 1] == '"') return false;
  std::string_view word(text.data() + taken.at, taken.end - taken.at);
  if (IsWord(word, "NOT") || IsWord(word, "RCINCLUDE")) return false;
  taken.kind = TTokenKind::Word;
  taken.block = IsWord(word, "BEGIN") ? 1 : IsWord(word, "END") ? -1 : 0;
  LeaveAfterToken(parser, *file, taken);
  token.kind = taken.block != 0 ? TCommonKind::Brace : TCommonKind::Word;
  token.text = taken.block == 0 ? word : taken.block > 0 ? "{" : "}";
  return true;
}

std::size_t SkipBlanksAhead(const std::string& text, std::size_t from, std::int32_t& line) {
  return BlanksEnd(text, from, line);
}

bool IsWordStart(unsigned char c) { return ClassOf(c) == TCharClass::WordStart; }

bool IsWordContinuation(unsigned char c) { return kWordContinues(c); }

std::string ScanToken(TRCParser& parser) {
  parser.TokenFlag = TTokenKind::Other;
  if (parser.currentFile != nullptr) parser.currentFile->previousScan = parser.currentFile->scan;
  std::string token;
  while (TFileItem* file = ReadableFile(parser)) {
    file->tokenStart = file->readPosition;
    file->tokenStartLine = file->line;
    bool more = SkipBlanks(*file);
    file->scan = {file->readPosition, file->line};  // a diagnostic about the token points here
    if (more && ScanAt(parser, *file, token)) return token;
  }
  return token;
}

void PushBackToken(TRCParser& parser) {
  TFileItem* file = parser.currentFile;
  if (file == nullptr) return;
  file->readPosition = file->tokenStart;
  file->line = file->tokenStartLine;
  file->scan = file->previousScan;
}

bool CommaAhead(TRCParser& parser, bool take) {
  if (!LaneMayRead(parser)) return false;
  TFileItem& file = *parser.currentFile;
  const std::string& text = file.text;
  std::size_t at = file.readPosition;
  while (IsSpaceOrTab(text[at])) ++at;  // the terminating zero stops it
  if (text[at] != ',') return false;
  LeaveAfterToken(parser, file, {at, at + 1, file.line});
  if (!take) PushBackToken(parser);
  return true;
}

std::size_t TakeCommasAhead(TRCParser& parser) {
  std::size_t count = 0;
  while (CommaAhead(parser, true)) ++count;
  return count;
}

void AppendDecodedString(TRCParser& parser, std::string_view literal, std::string& out) {
  std::string_view text = literal.substr(1, literal.size() >= 2 ? literal.size() - 2 : 0);
  TLiteralCodePage codePage(parser);
  // Bytes written as escapes stand for characters of the code page in force; in a file
  // whose text is UTF-8 by its own mark, they are converted to UTF-8 a run at a time, so
  // that a double-byte character may be written as two escapes.
  std::optional<std::string> escapedCharset;  // asked at the first escaped byte above 0x7F
  auto charsetOfEscapedBytes = [&]() -> const std::string& {
    if (!escapedCharset) escapedCharset = EscapedByteCharset(parser);
    return *escapedCharset;
  };
  std::string escapedBytes;
  auto settleEscapedBytes = [&] {
    if (escapedBytes.empty()) return;
    out += UnitsToUtf8(ToUtf16(escapedBytes, *escapedCharset));
    escapedBytes.clear();
  };
  std::size_t i = 0;
  for (;;) {
    std::size_t backslash = FindEscape(text, i, codePage);
    if (backslash == std::string_view::npos) break;
    if (backslash > i) settleEscapedBytes();
    out.append(text.substr(i, backslash - i));
    if (backslash + 1 == text.size()) ReportError(parser, 26);  // Bad escape sequence
    TEscape kind;
    unsigned value = 0;
    i = DecodeEscape(text, backslash, kByteEscape, kind, value);
    if (kind == TEscape::Unnamed) {
      settleEscapedBytes();
      out += '\\';  // kept as written, the character after it too
    } else if (kind == TEscape::Value && (value & 0xFFu) >= 0x80 && !charsetOfEscapedBytes().empty()) {
      escapedBytes += static_cast<char>(value & 0xFFu);
    } else if (kind == TEscape::Value) {
      settleEscapedBytes();
      out += static_cast<char>(value & 0xFFu);
    }
  }
  if (i < text.size()) settleEscapedBytes();
  out.append(text.substr(i));
  settleEscapedBytes();
}

bool IsWideLiteral(std::string_view token) { return token.size() >= 2 && token[0] == 'L' && token[1] == '"'; }

// The characters between escapes are converted from the script's character set run by
// run; a run never splits a character, since an escape starts with an ASCII backslash.
std::u16string DecodeWideStringLiteral(TRCParser& parser, std::string_view literal) {
  std::string_view text = literal.substr(2, literal.size() >= 3 ? literal.size() - 3 : 0);
  std::string charset = ScriptCharset(parser);
  TLiteralCodePage codePage(parser);
  std::u16string out;
  std::size_t i = 0;
  for (;;) {
    std::size_t backslash = FindEscape(text, i, codePage);
    bool last = backslash == std::string_view::npos;
    AppendUtf16(out, text.substr(i, last ? std::string_view::npos : backslash - i), charset);
    if (last) return out;
    if (backslash + 1 == text.size()) ReportError(parser, 26);  // Bad escape sequence
    TEscape kind;
    unsigned value = 0;
    i = DecodeEscape(text, backslash, kUnitEscape, kind, value);
    if (kind == TEscape::Unnamed)
      i = CharacterEnd(text, i, charset, codePage);  // dropped with its backslash
    else if (kind == TEscape::Value)
      out += static_cast<char16_t>(value);
  }
}

namespace {

// Appends to `out` the text of a literal whose text starts at `from`, when the text is
// ASCII on one line with named escapes only (each of which gives an ASCII byte), and
// returns the index of its closing quote; npos for any other, with `out` as it was.
[[gnu::always_inline]] inline std::size_t AppendNamedEscapeLiteral(std::string_view text, std::size_t from,
                                                                   std::string& out) {
  std::size_t size = out.size();
  std::size_t segment = from;
  for (;;) {
    std::size_t end = InlineLiteralRunEnd(text, from);
    char c = text.data()[end];  // the terminating zero byte at the text's end
    if (c == '"' && end < text.size()) {
      out.append(text.data() + segment, end - segment);
      return end;
    }
    int named = c == '\\' ? NamedEscape(static_cast<unsigned char>(text.data()[end + 1])) : -1;
    if (named < 0) {  // a line feed, a byte above 0x7F, the end, a splice, digits, a bad escape
      out.resize(size);
      return std::string_view::npos;
    }
    out.append(text.data() + segment, end - segment);
    out += static_cast<char>(named);
    from = segment = end + 2;
  }
}

}  // namespace

std::size_t TakeStringEntries(TRCParser& parser, const TStringEntrySink& sink) {
  if (!LaneMayRead(parser) || parser.fileNameStrings) return 0;
  TFileItem* file = parser.currentFile;
  const std::string_view bytes = file->text;
  std::string& texts = sink.texts;
  std::int32_t line = file->line;
  TLaneNumber number;
  std::size_t idEnd = 0;
  if (std::size_t at = BlanksEnd(bytes, SkipSameLineCommas(bytes, file->readPosition), line); at < bytes.size())
    idEnd = PlainNumberEnd(bytes, at, number);
  std::size_t count = 0;
  TLaneToken literal, follower;
  bool idIsLong = false;  // the last entry's id, whose expression leaves the sizes
  for (;;) {
    if (idEnd == 0 || number.value > 65535) break;
    // The number ends at a comma or a blank: a literal right after it is left to the layers
    TLaneToken quoted;
    quoted.line = line;
    quoted.at = BlanksEnd(bytes, SkipSameLineCommas(bytes, idEnd), quoted.line);
    if (quoted.at == idEnd || quoted.at >= bytes.size() || bytes[quoted.at] != '"') break;
    std::size_t textStart = texts.size();
    std::size_t close = AppendNamedEscapeLiteral(bytes, quoted.at + 1, texts);
    if (close == std::string_view::npos) break;
    quoted.end = close + 1;
    TLaneToken after;
    after.line = quoted.line;
    after.at = BlanksEnd(bytes, quoted.end, after.line);
    TLaneNumber afterNumber;
    bool isNumber = after.at < bytes.size() && (after.end = PlainNumberEnd(bytes, after.at, afterNumber)) != 0;
    if (isNumber) {
      after.kind = afterNumber.Kind();  // the next entry's number, most often
    } else if (!FollowerAt(parser, bytes, after)) {
      texts.resize(textStart);
      break;
    }
    if (!sink.add(sink.context, static_cast<std::uint16_t>(number.value), textStart)) {
      texts.resize(textStart);
      break;
    }
    ++count;
    literal = quoted;
    follower = after;
    idIsLong = number.Kind() == TTokenKind::LongNumber;
    if (!isNumber) break;
    line = after.line;
    idEnd = after.end;
    number = afterNumber;
  }
  if (count == 0) return 0;
  LeaveAfterToken(parser, *file, literal, &follower);
  parser.wideString = false;
  LeaveNumberSizes(parser, idIsLong);  // as the number's expression left them
  return count;
}

}  // namespace tarvex
