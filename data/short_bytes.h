// Copies the hot paths make of a few bytes at a time, without a library call per copy:
// the short texts of names and values, and ASCII widened to UTF-16.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tarvex {

/// Copies `count` bytes that may overlap: up to 32 of them are all loaded before any is
/// stored, in words whose first and last overlap the ones between.
inline void MoveShortBytes(char* to, const char* from, std::size_t count) {
  auto load = [](const char* at, std::size_t size) {
    std::uint64_t word = 0;
    std::memcpy(&word, at, size);
    return word;
  };
  auto store = [](char* at, std::uint64_t word, std::size_t size) { std::memcpy(at, &word, size); };
  if (count < 8) {
    if (count >= 4) {
      std::uint64_t a = load(from, 4), b = load(from + count - 4, 4);
      store(to, a, 4);
      store(to + count - 4, b, 4);
    } else if (count != 0) {
      std::memmove(to, from, count);
    }
  } else if (count < 16) {
    std::uint64_t a = load(from, 8), b = load(from + count - 8, 8);
    store(to, a, 8);
    store(to + count - 8, b, 8);
  } else if (count <= 32) {
    std::uint64_t a = load(from, 8), b = load(from + 8, 8), c = load(from + count - 16, 8),
                  d = load(from + count - 8, 8);
    store(to, a, 8);
    store(to + 8, b, 8);
    store(to + count - 16, c, 8);
    store(to + count - 8, d, 8);
  } else {
    std::memmove(to, from, count);
  }
}

/// Writes each byte of the ASCII `text` at `out` as one UTF-16 unit, low byte first, and
/// returns the end of them. Sixteen or eight bytes at a time, the last ones again,
/// overlapping, where the length is no multiple of them.
inline std::uint8_t* WidenAscii(std::uint8_t* out, std::string_view text) {
  std::size_t length = text.size();
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  if (length >= 16) {
    auto widen16 = [&](std::size_t i) {
      __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), _mm_unpacklo_epi8(bytes, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i + 16), _mm_unpackhi_epi8(bytes, zero));
    };
    for (std::size_t i = 0; i + 16 <= length; i += 16) widen16(i);
    if (length % 16 != 0) widen16(length - 16);
    return out + 2 * length;
  }
  if (length >= 8) {
    auto widen8 = [&](std::size_t i) {
      __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(text.data() + i));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), _mm_unpacklo_epi8(bytes, zero));
    };
    widen8(0);
    if (length > 8) widen8(length - 8);
    return out + 2 * length;
  }
#endif
  for (char c : text) {
    *out++ = static_cast<std::uint8_t>(c);
    *out++ = 0;
  }
  return out;
}

}  // namespace tarvex
