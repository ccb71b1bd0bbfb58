#include "reader/key_set.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace tarvex {
namespace {

// Each pattern inserts its keys twice over, through the table's growth; every answer is
// what a plain set gives. Keys that share a slot, keys that differ only outside the slot's
// bits, zero and the highest keys are all among them.
TEST(KeySetTest, AnswersLikeASet) {
  struct TPattern {
    std::string what;
    std::function<std::uint64_t(std::uint64_t)> key;
    std::uint64_t count;
  };
  auto resource = [](std::uint64_t type, std::uint64_t name, std::uint64_t language) {
    return type << 32 | name << 16 | language;
  };
  const std::vector<TPattern> patterns = {
      {"names in a row", [&](std::uint64_t i) { return resource(10, i + 1, 0x409); }, 20000},
      {"names 64 apart", [&](std::uint64_t i) { return resource(10, (i * 64) & 0xFFFF, 0x409); }, 3000},
      {"types and languages around a name", [&](std::uint64_t i) { return resource(i % 7, 5, i / 7); }, 5000},
      {"every bit pattern of a slot", [&](std::uint64_t i) { return resource(3, i % 128, i / 128 % 3); }, 384},
      {"zero and the top", [](std::uint64_t i) { return i % 2 ? ~std::uint64_t{0} - i / 2 : i / 2; }, 2000},
      {"scattered", [](std::uint64_t i) { return (i * 0x9E3779B97F4A7C15ull) >> 3; }, 30000},
  };
  for (const TPattern& pattern : patterns) {
    TKeySet keys(16);
    std::set<std::uint64_t> model;
    for (int pass = 0; pass < 2; ++pass)
      for (std::uint64_t i = 0; i < pattern.count; ++i) {
        std::uint64_t key = pattern.key(i);
        ASSERT_EQ(keys.Insert(key), model.insert(key).second) << pattern.what << ", key " << key;
      }
  }
}

}  // namespace
}  // namespace tarvex
