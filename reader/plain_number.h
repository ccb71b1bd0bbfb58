// Plain digits: the one rule by which the lanes read a plain number's digits and the
// substitution recognises a name whose value is a plain number.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "reader/char_class.h"

namespace tarvex {

namespace plain_digits {

// Digits read eight at a time: a word of eight bytes of the text, its first byte the
// lowest. Carries between bytes only ever run from a byte that stops the digits towards
// the bytes after it, so the stop found first is always right.

// The number of leading bytes of `x` (the text's bytes with '0' taken out of each by an
// exclusive or) that are decimal digits, 8 when all of them are.
inline unsigned LeadingDecimalDigits(std::uint64_t x) {
  std::uint64_t stops = (x | (x + kEveryByte * 0x76)) & kHighBits;  // a byte of 10 and above
  return stops == 0 ? 8 : static_cast<unsigned>(std::countr_zero(stops)) / 8;
}

// The value of the first `count` (1 to 8) decimal digits of `x`, as LeadingDecimalDigits
// takes it.
inline std::uint64_t DecimalDigitsValue(std::uint64_t x, unsigned count) {
  if (count <= 4) {  // the commonest: the low half alone
    auto y = static_cast<std::uint32_t>(x) << (8 * (4 - count));
    y = y * 10 + (y >> 8);
    return (y & 0xFF) * 100 + ((y >> 16) & 0xFF);
  }
  x <<= 8 * (8 - count);  // the digits at the top, zeros before them
  x = x * 10 + (x >> 8);  // pairs of digits in the even bytes
  constexpr std::uint64_t kPairs = 0x000000FF000000FFull;
  return ((x & kPairs) * (100 + (1000000ull << 32)) + ((x >> 16) & kPairs) * (1 + (10000ull << 32))) >> 32;
}

}  // namespace plain_digits

/// The end of the plain digits at `at` of `text`, which is in the text (0 when there are
/// none): 0, or 1 to 10 decimal digits without a leading zero up to 2147483647, their
/// value in `value`. What follows the digits is the caller's to judge: a digit after a
/// lone 0 makes an octal number. Where eight bytes remain they are read at once.
[[gnu::always_inline]] inline std::size_t PlainDecimalEndIn(std::string_view text, std::size_t at,
                                                            std::int64_t& value) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  if (static_cast<unsigned>(bytes[at] - '1') < 9) {
    std::size_t end = at;
    std::uint64_t digits = 0;
    bool more = true;  // eight digits read at once may have more after them
    if (at + 8 <= text.size()) {
      std::uint64_t x = LoadWord(text.data() + at) ^ (kEveryByte * '0');
      unsigned count = plain_digits::LeadingDecimalDigits(x);
      digits = plain_digits::DecimalDigitsValue(x, count);
      end = at + count;
      more = count == 8;
    }
    if (more) {
      for (unsigned digit; end - at < 10 && end < text.size() && (digit = static_cast<unsigned>(bytes[end] - '0')) < 10;
           ++end)
        digits = digits * 10 + digit;
      if (digits > 2147483647) return 0;
    }
    value = static_cast<std::int64_t>(digits);
    return end;
  }
  if (bytes[at] != '0') return 0;
  value = 0;
  return at + 1;
}

/// PlainDecimalEndIn for any `at`: 0 past the text.
inline std::size_t PlainDecimalEnd(std::string_view text, std::size_t at, std::int64_t& value) {
  return at < text.size() ? PlainDecimalEndIn(text, at, value) : 0;
}

}  // namespace tarvex
