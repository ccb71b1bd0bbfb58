// Character classes of script text, shared by the scanner, the preprocessor and the
// statement parsers. They are ASCII classes: no byte of 0x80 and above belongs to one.
#pragma once

#include <concepts>
#include <cstdint>
#include <cstring>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarvex {

/// The code of a character as an unsigned number: a `char` is taken as its byte, so that
/// the classes below hold the same for signed and unsigned `char`; wider characters keep
/// their value.
template <std::integral C>
constexpr unsigned CharCode(C c) {
  if constexpr (sizeof(C) == 1)
    return static_cast<unsigned char>(c);
  else
    return static_cast<unsigned>(c);
}

template <std::integral C>
constexpr bool IsDigit(C ch) {
  const unsigned c = CharCode(ch);
  return c >= '0' && c <= '9';
}
template <std::integral C>
constexpr bool IsOctalDigit(C ch) {
  const unsigned c = CharCode(ch);
  return c >= '0' && c <= '7';
}
template <std::integral C>
constexpr bool IsHexDigit(C ch) {
  const unsigned c = CharCode(ch);
  return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
/// The value of a hexadecimal digit (any digit of IsHexDigit).
template <std::integral C>
constexpr unsigned HexDigitValue(C ch) {
  const unsigned c = CharCode(ch);
  return IsDigit(c) ? c - '0' : (c | 0x20u) - 'a' + 10;
}

/// A letter or an underscore: what a C identifier begins with.
template <std::integral C>
constexpr bool IsIdentifierStart(C ch) {
  const unsigned c = CharCode(ch);
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
template <std::integral C>
constexpr bool IsIdentifierByte(C ch) {
  const unsigned c = CharCode(ch);
  return IsIdentifierStart(c) || IsDigit(c);
}

/// A blank or a tab: what separates the words of a directive line.
template <std::integral C>
constexpr bool IsSpaceOrTab(C ch) {
  const unsigned c = CharCode(ch);
  return c == ' ' || c == '\t';
}

/// White space as C's isspace has it in the C locale.
template <std::integral C>
constexpr bool IsCSpace(C ch) {
  const unsigned c = CharCode(ch);
  return IsSpaceOrTab(c) || (c >= '\n' && c <= '\r');
}

/// A blank or any control character (a byte of 32 or below).
template <std::integral C>
constexpr bool IsBlankOrControl(C ch) {
  const unsigned c = CharCode(ch);
  return c <= 32;
}

/// `c` with an ASCII small letter made a capital.
constexpr char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

/// Whether `token` is `upperWord` (a keyword in capitals) in any letter case.
constexpr bool IsWord(std::string_view token, std::string_view upperWord) {
  if (token.size() != upperWord.size()) return false;
  for (std::size_t i = 0; i < token.size(); ++i)
    if (UpperAscii(token[i]) != upperWord[i]) return false;
  return true;
}

/// Eight bytes of `bytes` as one word, for tests of eight bytes at once.
inline std::uint64_t LoadWord(const char* bytes) {
  std::uint64_t word;
  std::memcpy(&word, bytes, sizeof word);
  return word;
}

constexpr std::uint64_t kEveryByte = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

/// Whether some byte of `word` equals `byte`.
constexpr bool WordHasByte(std::uint64_t word, unsigned char byte) {
  std::uint64_t x = word ^ (kEveryByte * byte);
  return ((x - kEveryByte) & ~x & kHighBits) != 0;
}

/// Whether every byte of `text` is printable ASCII (0x20 to 0x7E).
inline bool IsPrintableAscii(std::string_view text) {
  std::size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    std::uint64_t word = LoadWord(text.data() + i);
    // A byte below 0x20 borrows, one of 0x7F and above carries into its high bit.
    if ((((word - kEveryByte * 0x20) & ~word) | (word + kEveryByte) | word) & kHighBits) return false;
  }
  for (; i < text.size(); ++i)
    if (text[i] < 0x20 || text[i] >= 0x7F) return false;
  return true;
}

/// Whether every byte of `text` is below 0x80.
inline bool IsAsciiText(std::string_view text) {
  std::size_t i = 0;
#if defined(__SSE2__)
  for (; i + 16 <= text.size(); i += 16)
    if (_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i))) != 0) return false;
#endif
  for (; i + 8 <= text.size(); i += 8)
    if ((LoadWord(text.data() + i) & kHighBits) != 0) return false;
  for (; i < text.size(); ++i)
    if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
  return true;
}

}  // namespace tarvex
