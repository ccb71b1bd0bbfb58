// Character classes of script text, shared by the scanner, the preprocessor and the
// statement parsers. They are ASCII classes: no byte of 0x80 and above belongs to one.
#pragma once

#include <concepts>
#include <string_view>

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

/// Whether every byte of `text` is below 0x80.
inline bool IsAsciiText(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace tarvex
