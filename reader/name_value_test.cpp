#include "reader/name_value.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tarvex {
namespace {

std::optional<std::string> Found(const TNameValueSensitive& table, std::string_view name) {
  const std::string_view* value = table.Find(name);
  return value == nullptr ? std::nullopt : std::optional<std::string>(*value);
}

// Thousands of names stored, removed, stored again and given longer and shorter values,
// across the table's growth: every name reads what a plain map holding the same answers.
TEST(NameValueTest, DefinesReadLikeAMapThroughGrowthAndRemoval) {
  TNameValueSensitive table;
  std::map<std::string, std::string> model;
  auto define = [&](const std::string& name, const std::string& value) {
    table.Define(name, value);
    model[name] = value;
  };
  for (int round = 0; round < 3; ++round) {
    for (int i = 0; i < 6000; ++i) {
      std::string name = "ID_" + std::to_string(i % 4000) + (i % 7 == 0 ? "_LONGER_NAME_PART" : "");
      if ((i + round) % 3 == 0) {
        table.Remove(name);
        model.erase(name);
      } else if ((i + round) % 5 == 0) {
        define(name, std::string(static_cast<std::size_t>(i % 40), 'v') + std::to_string(round));
      } else {
        define(name, std::to_string(i * 7 + round));
      }
    }
    ASSERT_EQ(table.Size(), model.size());
  }
  for (int i = 0; i < 4000; ++i) {
    for (std::string name : {"ID_" + std::to_string(i), "ID_" + std::to_string(i) + "_LONGER_NAME_PART"}) {
      auto expected = model.count(name) ? std::optional<std::string>(model[name]) : std::nullopt;
      ASSERT_EQ(Found(table, name), expected) << name;
    }
  }
}

// Names and values of every length, names that share their first or last bytes or
// differ in one byte only, values larger than the blocks that hold most of them, and
// values given again longer, shorter and empty: each name reads the value it was given
// last, and removing one name leaves every other as it was.
TEST(NameValueTest, NamesAndValuesOfEveryLength) {
  const std::string longName(5000, 'N');
  struct TRow {
    std::string name;
    std::string value;
    std::optional<std::string> later;  ///< given to the name after every row was stored
  } rows[] = {
      {"A", "1", std::nullopt},
      {"AB", "", "12"},
      {"ABC", "x", ""},
      {"ABCDEFGH", "8", "a much longer value than the first one"},
      {"ABCDEFGHI", "9", "0"},
      {"XBCDEFGHI", "9x", std::nullopt},
      {longName, "long", std::nullopt},
      {longName + "x", std::string(100000, 'v'), "short"},
      {"x" + longName, std::string(3 << 20, 'w'), std::string(3 << 20, 'W')},
      {longName.substr(1), "", std::nullopt},
      {"_", std::string(6000, '6'), std::string(7000, '7')},
  };
  TNameValueSensitive table;
  std::map<std::string, std::string> model;
  for (int filler = 0; filler < 300; ++filler) {
    std::string name = "FILLER_" + std::to_string(filler);
    table.Define(name, std::string(static_cast<std::size_t>(filler * 37 % 500), 'f'));
    model[name] = std::string(static_cast<std::size_t>(filler * 37 % 500), 'f');
  }
  for (const TRow& row : rows) {
    table.Define(row.name, row.value);
    model[row.name] = row.value;
  }
  for (const TRow& row : rows) {
    if (!row.later) continue;
    table.Define(row.name, *row.later);
    model[row.name] = *row.later;
  }
  table.Remove("A");
  model.erase("A");
  table.Remove("ABCD");  // never defined
  ASSERT_EQ(table.Size(), model.size());
  for (const auto& [name, value] : model) ASSERT_EQ(Found(table, name), value) << name.substr(0, 20);
  for (const std::string& absent :
       std::vector<std::string>{"A", "ABCD", "ABCDEFG", "YBCDEFGHI", "NN", longName + "y", "FILLER_300"})
    EXPECT_EQ(Found(table, absent), std::nullopt) << absent.substr(0, 20);
  table.Define("A", "again");
  EXPECT_EQ(Found(table, "A"), "again");
  EXPECT_EQ(table.Size(), model.size() + 1);
}

TEST(NameValueTest, EmptyValuesAndPredefinedRecords) {
  TNameValueSensitive table;
  table.LoadPredefined(std::vector<std::string>{"A=1", "B=", "C", "A=2", "=9", "D=x=y"});
  table.Define("E", "");
  table.Set("F", "3");
  table.Set("D", "");
  table.Define("A", "1234567890");  // a longer value after a shorter one
  table.Define("A", "12");          // and a shorter one again
  struct TRow {
    std::string name;
    std::optional<std::string> value;
  } rows[] = {{"A", "12"}, {"B", std::nullopt}, {"C", std::nullopt}, {"", "9"},           {"D", std::nullopt},
              {"E", ""},   {"F", "3"},          {"a", std::nullopt}, {"AB", std::nullopt}};
  for (const TRow& row : rows) EXPECT_EQ(Found(table, row.name), row.value) << row.name;
  EXPECT_EQ(table.Size(), 4u);
  EXPECT_EQ(table.Get("E"), "");
  table.LoadPredefined(std::vector<std::string>{"Z=1"});
  EXPECT_EQ(Found(table, "A"), std::nullopt);
  EXPECT_EQ(table.Size(), 1u);
}

}  // namespace
}  // namespace tarvex
