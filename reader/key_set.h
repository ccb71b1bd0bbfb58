// A set of 64-bit keys for lookups made once per statement: open addressing with linear
// probing in a power-of-two table kept at most half full, so an insertion is a hash and a
// probe or two, without a node to allocate.
//
// Keys that differ only in six chosen bits share a slot and are told apart by a bit of
// its mask. Resources numbered one after another then fill a slot per 64 of them: the
// table stays a few pages where one slot per key, spread by the hash, would touch every
// page of a table eight times the size of the keys.
#pragma once

#include <cstdint>
#include <vector>

namespace tarvex {

class TKeySet {
 public:
  /// Keys that differ only in bits `denseBit` to `denseBit + 5` share a slot.
  explicit TKeySet(int denseBit = 0) : denseBit_(denseBit) {}

  /// Adds `key`; false when it was there already.
  bool Insert(std::uint64_t key) {
    std::uint64_t bit = std::uint64_t{1} << (key >> denseBit_ & 63);
    std::uint64_t group = key & ~(std::uint64_t{63} << denseBit_);
    if (2 * (count_ + 1) > slots_.size()) Grow();
    std::size_t mask = slots_.size() - 1;
    for (std::size_t at = Hash(group) & mask;; at = (at + 1) & mask) {
      TSlot& slot = slots_[at];
      if (slot.bits == 0) {
        slot = {group, bit};
        ++count_;
        return true;
      }
      if (slot.group == group) {
        bool added = (slot.bits & bit) == 0;
        slot.bits |= bit;
        return added;
      }
    }
  }

 private:
  struct TSlot {
    std::uint64_t group = 0;
    std::uint64_t bits = 0;  ///< none: the slot is empty
  };

  static std::size_t Hash(std::uint64_t key) {
    key ^= key >> 29;
    key *= 0x9E3779B97F4A7C15ull;
    return static_cast<std::size_t>(key >> 20);
  }

  // Four times the room at each step: few steps, each a clear and a move of the slots.
  void Grow() {
    std::vector<TSlot> old(slots_.empty() ? 64 : 4 * slots_.size());
    old.swap(slots_);
    std::size_t mask = slots_.size() - 1;
    for (const TSlot& slot : old) {
      if (slot.bits == 0) continue;
      std::size_t at = Hash(slot.group) & mask;
      while (slots_[at].bits != 0) at = (at + 1) & mask;
      slots_[at] = slot;
    }
  }

  int denseBit_;
  std::vector<TSlot> slots_;
  std::size_t count_ = 0;  ///< slots in use
};

}  // namespace tarvex
