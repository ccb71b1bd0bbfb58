// A set of 64-bit keys for lookups made once per statement: open addressing with linear
// probing in a power-of-two table kept at most half full, so an insertion is a hash and a
// probe or two, without a node to allocate.
#pragma once

#include <cstdint>
#include <vector>

namespace tarvex {

class TKeySet {
 public:
  /// Adds `key`; false when it was there already.
  bool Insert(std::uint64_t key) {
    if (key == kEmpty) {
      bool added = !hasEmptyKey_;
      hasEmptyKey_ = true;
      return added;
    }
    if (2 * (count_ + 1) > slots_.size()) Grow();
    std::size_t mask = slots_.size() - 1;
    for (std::size_t at = Hash(key) & mask;; at = (at + 1) & mask) {
      if (slots_[at] == key) return false;
      if (slots_[at] == kEmpty) {
        slots_[at] = key;
        ++count_;
        return true;
      }
    }
  }

 private:
  static constexpr std::uint64_t kEmpty = 0;

  static std::size_t Hash(std::uint64_t key) {
    key ^= key >> 29;
    key *= 0x9E3779B97F4A7C15ull;
    return static_cast<std::size_t>(key >> 20);
  }

  // Four times the room at each step: few steps, each a clear and a move of the keys.
  void Grow() {
    std::vector<std::uint64_t> old(slots_.empty() ? 256 : 4 * slots_.size(), kEmpty);
    old.swap(slots_);
    count_ = 0;
    for (std::uint64_t key : old)
      if (key != kEmpty) Insert(key);
  }

  std::vector<std::uint64_t> slots_;
  std::size_t count_ = 0;
  bool hasEmptyKey_ = false;
};

}  // namespace tarvex
