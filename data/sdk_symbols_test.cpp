#include "data/sdk_symbols.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace tarvex {
namespace {

using TRecordMap = std::map<std::string_view, std::string_view>;

// The records by name; a name given twice is a fault of the data.
TRecordMap RecordsByName(std::span<const std::string_view> records) {
  TRecordMap byName;
  for (std::string_view record : records) {
    std::size_t equals = record.find('=');
    EXPECT_NE(equals, std::string_view::npos) << record;
    EXPECT_GT(equals, 0u) << record;
    EXPECT_LT(equals + 1, record.size()) << record;
    if (equals == std::string_view::npos) continue;
    bool inserted = byName.emplace(record.substr(0, equals), record.substr(equals + 1)).second;
    EXPECT_TRUE(inserted) << "duplicate " << record;
  }
  return byName;
}

TEST(SdkHeaderSymbols, CountUniqueSortedNames) {
  // The counts change only when the tables are generated anew.
  const std::pair<std::span<const std::string_view>, std::size_t> tables[] = {
      {SdkHeaderSymbols(), 10940u}, {SdkCharacterSetSymbols(true), 114u}, {SdkCharacterSetSymbols(false), 114u}};
  TRecordMap common = RecordsByName(SdkHeaderSymbols());
  for (auto [records, count] : tables) {
    EXPECT_EQ(records.size(), count);
    TRecordMap byName = RecordsByName(records);
    EXPECT_EQ(byName.size(), records.size());
    for (std::size_t i = 1; i < records.size(); ++i) {
      std::string_view previous = records[i - 1].substr(0, records[i - 1].find('='));
      std::string_view current = records[i].substr(0, records[i].find('='));
      EXPECT_LT(previous, current);
    }
    if (records.data() == SdkHeaderSymbols().data()) continue;
    for (auto [name, value] : byName) EXPECT_EQ(common.count(name), 0u) << name;  // in one table only
  }
}

}  // namespace
}  // namespace tarvex
