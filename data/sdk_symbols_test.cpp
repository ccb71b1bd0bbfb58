#include "data/sdk_symbols.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tarvex {
namespace {

// Lookups rely on each table holding NAME=value records sorted by name, so each name once;
// a name whose value depends on UNICODE is in the character-set tables only.
TEST(SdkHeaderSymbols, RecordsSortedUniqueAndInOneTableOnly) {
  auto name = [](std::string_view record) { return record.substr(0, record.find('=')); };
  std::span<const std::string_view> common = SdkHeaderSymbols();
  for (std::span<const std::string_view> records :
       {common, SdkCharacterSetSymbols(true), SdkCharacterSetSymbols(false)})
    for (std::size_t i = 0; i < records.size(); ++i) {
      std::size_t equals = records[i].find('=');
      EXPECT_TRUE(equals > 0 && equals + 1 < records[i].size()) << records[i];
      EXPECT_TRUE(i == 0 || name(records[i - 1]) < name(records[i])) << records[i];
      EXPECT_TRUE(records.data() == common.data() || !std::ranges::binary_search(common, name(records[i]), {}, name))
          << records[i];
    }
}

}  // namespace
}  // namespace tarvex
