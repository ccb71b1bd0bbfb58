// Character classes of script text, shared by the scanner, the preprocessor and the
// statement parsers. They are ASCII classes: no byte of 0x80 and above belongs to one.
#pragma once

#include <string_view>

namespace tarvex {

constexpr bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
constexpr bool IsOctalDigit(unsigned char c) { return c >= '0' && c <= '7'; }
constexpr bool IsHexDigit(unsigned char c) { return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }
/// The value of a hexadecimal digit (any digit of IsHexDigit).
constexpr unsigned HexDigitValue(unsigned char c) { return IsDigit(c) ? c - '0' : (c | 0x20u) - 'a' + 10; }

/// A letter or an underscore: what a C identifier begins with.
constexpr bool IsIdentifierStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
constexpr bool IsIdentifierByte(unsigned char c) { return IsIdentifierStart(c) || IsDigit(c); }

/// A blank or a tab: what separates the words of a directive line.
constexpr bool IsSpaceOrTab(unsigned char c) { return c == ' ' || c == '\t'; }

/// White space as C's isspace has it in the C locale.
constexpr bool IsCSpace(unsigned char c) { return IsSpaceOrTab(c) || (c >= '\n' && c <= '\r'); }

/// A blank or any control character (a byte of 32 or below).
constexpr bool IsBlankOrControl(unsigned char c) { return c <= 32; }

/// Whether every byte of `text` is below 0x80.
inline bool IsAsciiText(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace tarvex
