#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "data/messages.h"
#include "data/predefined.h"

namespace tarvex {
namespace {

TEST(MessageCatalogue, NumberedTextsWithTheirTrailingBlanks) {
  int withBlank = 0;
  for (int number = 1; number <= kMessageCount; ++number) {
    std::string prefix = std::to_string(number) + ". ";
    EXPECT_EQ(MessageText(number).substr(0, prefix.size()), prefix) << number;
    withBlank += MessageText(number).ends_with(' ');
  }
  EXPECT_EQ(withBlank, 4);  // 21, 35, 39 and 41
  for (int outside : {0, kMessageCount + 1, -5}) EXPECT_EQ(MessageText(outside), "") << outside;
  EXPECT_EQ(MessageText(21), "21. Expecting identifier after %s ");
  EXPECT_EQ(MessageText(118),
            "118. Redefinition of %s not allowed. Undefine it first.To undefine it just use an empty value: "
            "#define %s");
}

TEST(PredefinedSymbols, CountShapeAndSpotChecks) {
  auto records = PredefinedSymbols();
  ASSERT_EQ(records.size(), 549u);
  std::map<std::string_view, int> names;
  for (std::string_view record : records) {
    std::size_t equals = record.find('=');
    ASSERT_NE(equals, std::string_view::npos) << record;
    EXPECT_GT(equals, 0u) << record;
    EXPECT_LT(equals + 1, record.size()) << record;
    ++names[record.substr(0, equals)];
  }
  EXPECT_EQ(names.size(), 539u);  // ten names occur twice, none more often
  for (auto [name, count] : names) EXPECT_LE(count, 2) << name;
  EXPECT_EQ(records.front(), "WIN32=1");
  EXPECT_EQ(records.back(), "ID_HELP=IDHELP");
}

}  // namespace
}  // namespace tarvex
