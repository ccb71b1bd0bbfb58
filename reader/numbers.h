// Numbers as scripts write them: decimal, 0x hexadecimal, octal and $ hexadecimal, read
// into the decimal text of their value. One reader serves resource statements and the
// conditions of #if and #elif, which differ only in the suffixes they take.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvex {

struct TRCParser;

/// Which size suffixes may follow a number.
enum class TNumberSyntax : std::uint8_t {
  Script,     ///< resource statements: one trailing L or U ("10UL" is no number)
  Condition,  ///< #if and #elif: C's U, L, UL, LU, LL, ULL, LLU and i64, in any letter case
};

/// Whether `token` begins with "$" or a digit, as numbers do.
bool BeginsNumber(std::string_view token);

/// Converts a token that begins with "$" or a digit to the decimal text of its value and
/// sets TokenFlag to Number, LongNumber (a value above 32767, or a suffix) or NotNumber
/// (a token that begins like a number but is none: it comes back as written, less a
/// suffix); other tokens come back unchanged. Decimal numbers go up to 2147483647 in
/// resource statements; in a condition up to 18446744073709551615, kept as the signed
/// 64-bit value of the same bits. Hexadecimal ones take up to 8 digits (read unsigned).
/// A leading zero starts an octal number, which wraps to a signed 32-bit value, unless
/// the digits hold an 8 or a 9: that number is decimal (019 is 19).
/// Raises 31, 32, 50, 55, 57, 60.
std::string ConvertNumber(TRCParser& parser, std::string_view token, TNumberSyntax syntax = TNumberSyntax::Script);

}  // namespace tarvex
