#include "reader/flags.h"

#include <array>

#include "reader/char_class.h"

namespace tarvex {

namespace {

// No two keywords have the same length: the length alone names the candidate.
constexpr std::size_t kLongestKeyword = 14;

template <typename Entries>
constexpr std::array<std::int8_t, kLongestKeyword + 1> BuildIndexByLength(const Entries& entries) {
  std::array<std::int8_t, kLongestKeyword + 1> index{};
  index.fill(-1);
  std::int8_t i = 0;
  for (const auto& entry : entries) {
    if (entry.keyword.size() > kLongestKeyword || index[entry.keyword.size()] >= 0) throw "keyword lengths collide";
    index[entry.keyword.size()] = i++;
  }
  return index;
}

}  // namespace

int Tflags::Find(std::string_view word) const {
  static constexpr std::array<std::int8_t, kLongestKeyword + 1> kIndexByLength = BuildIndexByLength(kEntries);
  if (word.size() > kLongestKeyword) return -1;
  int index = kIndexByLength[word.size()];
  return index >= 0 && IsWord(word, kEntries[index].keyword) ? index : -1;
}

}  // namespace tarvex
