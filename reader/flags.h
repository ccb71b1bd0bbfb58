// The memory-flag keyword pairs a resource statement may name.
#pragma once

#include <cstdint>
#include <string_view>

namespace tarvex {

/// The eight memory-flag keywords in pairs: a keyword at an even index sets its bits, the
/// one after it (its opposite) clears them.
class Tflags {
 public:
  /// The index of the flag keyword `word` names in any letter case, or -1 for none.
  int Find(std::string_view word) const;
  /// Flag bits of the keyword at `index`: those it sets, 0 for a keyword that clears.
  std::int32_t Bits(int index) const { return kEntries[index].bits; }
  /// The index of the opposite of the keyword at `index`.
  static constexpr int Opposite(int index) { return index ^ 1; }

 private:
  struct Entry {
    std::string_view keyword;
    std::int32_t bits;
  };
  static constexpr Entry kEntries[] = {
      {"MOVEABLE", 0x10}, {"FIXED", 0},      {"PURE", 0x20},          {"IMPURE", 0},
      {"PRELOAD", 0x40},  {"LOADONCALL", 0}, {"DISCARDABLE", 0x1000}, {"NONDISCARDABLE", 0},
  };
};

}  // namespace tarvex
