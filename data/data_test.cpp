#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "data/messages.h"
#include "data/predefined.h"

namespace tarvex {
namespace {

TEST(MessageCatalogue, EveryMessageStartsWithItsNumber) {
  for (int number = 1; number <= kMessageCount; ++number) {
    std::string prefix = std::to_string(number) + ". ";
    EXPECT_EQ(MessageText(number).substr(0, prefix.size()), prefix) << number;
  }
  EXPECT_TRUE(MessageText(0).empty());
  EXPECT_TRUE(MessageText(kMessageCount + 1).empty());
  EXPECT_TRUE(MessageText(-5).empty());
}

TEST(MessageCatalogue, ExactTexts) {
  EXPECT_EQ(MessageText(1), "1. Cannot open %s file");
  EXPECT_EQ(MessageText(9), "9. \"}\" or END expected");
  EXPECT_EQ(MessageText(19),
            "19. Resource identifier %s of type %s, language %s and sublanguage %s  already defined");
  EXPECT_EQ(MessageText(23), "23. Expecting string continuation after \\\" sequence");
  EXPECT_EQ(MessageText(52), "52. Double quoted string not terminated");
  EXPECT_EQ(MessageText(58), "58. File %s is already open. Cyclical reference not allowed");
  EXPECT_EQ(MessageText(72), "72. Cannot open file \"%s\" (%s)");
  EXPECT_EQ(MessageText(118),
            "118. Redefinition of %s not allowed. Undefine it first.To undefine it just use an empty value: "
            "#define %s");
  EXPECT_EQ(MessageText(124), "124. The resource name contains the 0x00 symbol");
}

TEST(MessageCatalogue, TrailingBlanksKept) {
  EXPECT_EQ(MessageText(21), "21. Expecting identifier after %s ");
  EXPECT_EQ(MessageText(35), "35. Duplicate reserved word \"unit\" ");
  EXPECT_EQ(MessageText(39), "39. Duplicate reserved word \"interface\" ");
  EXPECT_EQ(MessageText(41), "41. Duplicate reserved word \"implementation\" ");
  int withBlank = 0;
  for (int number = 1; number <= kMessageCount; ++number) withBlank += MessageText(number).ends_with(' ');
  EXPECT_EQ(withBlank, 4);
}

TEST(PredefinedSymbols, CountOrderAndShape) {
  auto records = PredefinedSymbols();
  ASSERT_EQ(records.size(), 549u);
  EXPECT_EQ(records.front(), "WIN32=1");
  EXPECT_EQ(records[1], "LANG_NEUTRAL=0");
  EXPECT_EQ(records.back(), "ID_HELP=IDHELP");
  for (std::string_view record : records) {
    std::size_t equals = record.find('=');
    ASSERT_NE(equals, std::string_view::npos) << record;
    EXPECT_GT(equals, 0u) << record;
    EXPECT_LT(equals + 1, record.size()) << record;
  }
}

TEST(PredefinedSymbols, GroupBoundariesAndValues) {
  auto records = PredefinedSymbols();
  EXPECT_EQ(records[47], "LANG_VIETNAMESE=0x2a");  // last primary language
  EXPECT_EQ(records[48], "SUBLANG_NEUTRAL=0x00");
  EXPECT_EQ(records[125], "SUBLANG_SWEDISH_FINLAND=$02");
  EXPECT_EQ(records[126], "VK_LBUTTON=1");
  EXPECT_EQ(records[263], "VK_OEM_CLEAR=254");
  EXPECT_EQ(records[264], "VS_FILE_INFO=RT_VERSION");
  EXPECT_EQ(records[267], "VS_FFI_SIGNATURE=DWORD($FEEF04BD)");
  EXPECT_EQ(records[530], "UDS_HOTTRACK=0x0100");
  EXPECT_EQ(records[531], "IDOK=0x1");
  std::map<std::string_view, int> seen;
  for (std::string_view record : records) ++seen[record];
  EXPECT_EQ(seen["WS_OVERLAPPEDWINDOW=WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | "
                 "WS_MINIMIZEBOX | WS_MAXIMIZEBOX"], 1);
  EXPECT_EQ(seen["LBS_STANDARD=(LBS_NOTIFY | LBS_SORT | WS_VSCROLL | WS_BORDER)"], 1);
}

TEST(PredefinedSymbols, TenNamesOccurTwice) {
  std::map<std::string_view, int> names;
  for (std::string_view record : PredefinedSymbols()) ++names[record.substr(0, record.find('='))];
  std::vector<std::string_view> twice;
  for (auto [name, count] : names) {
    EXPECT_LE(count, 2) << name;
    if (count == 2) twice.push_back(name);
  }
  std::vector<std::string_view> expected = {
      "LANG_ARABIC", "LANG_BASQUE", "LANG_BELARUSIAN", "VK_F10", "VS_FF_DEBUG",
      "VS_FF_INFOINFERRED", "VS_FF_PATCHED", "VS_FF_PRERELEASE", "VS_FF_PRIVATEBUILD", "VS_FF_SPECIALBUILD"};
  EXPECT_EQ(twice, expected);
}

}  // namespace
}  // namespace tarvex
