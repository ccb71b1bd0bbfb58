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
