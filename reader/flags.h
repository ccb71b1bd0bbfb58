// The memory-flag keyword pairs a resource statement may name.
#pragma once

#include <cstdint>
#include <string_view>

namespace tarvex {

/// The eight memory-flag keywords, each with the flag bits it sets and its opposite.
class Tflags {
 public:
  /// Flag bits of `keyword` (exact, upper-case), or -1 when it is no flag keyword.
  std::int32_t Bits(std::string_view keyword) const;
  /// The opposite keyword of `keyword`, or empty when it is no flag keyword.
  std::string_view Opposite(std::string_view keyword) const;

 private:
  struct Entry {
    std::string_view keyword;
    std::string_view opposite;
    std::int32_t bits;
  };
  static constexpr Entry kEntries[] = {
      {"MOVEABLE", "FIXED", 0x10},
      {"FIXED", "MOVEABLE", 0},
      {"PURE", "IMPURE", 0x20},
      {"IMPURE", "PURE", 0},
      {"PRELOAD", "LOADONCALL", 0x40},
      {"LOADONCALL", "PRELOAD", 0},
      {"DISCARDABLE", "NONDISCARDABLE", 0x1000},
      {"NONDISCARDABLE", "DISCARDABLE", 0},
  };
  const Entry* Lookup(std::string_view keyword) const;
};

}  // namespace tarvex
