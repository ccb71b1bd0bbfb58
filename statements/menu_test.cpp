#include "statements/menu.h"

#include <gtest/gtest.h>

#include "tests/statement_checks.h"

namespace tarvex::test {
namespace {

TEST(MenuTest, EachMessageWithItsLine) {
  const char* rows[][2] = {
      {"1 MENU { POPUP GRAYED { MENUITEM \"a\", 1 } }", "73@1: 73. Double quoted string or SEPARATOR expected"},
      {"1 MENU { MENUITEM \"a\" }", "74@1: 74. Number in range 0..65535 expected"},
      {"1 MENU { MENUITEM \"a\", 65536 }", "74@1: 74. Number in range 0..65535 expected"},
      {"1 MENU { MENUITEM \"a\", -32769 }", "74@1: 74. Number in range 0..65535 expected"},
      {"1 MENU { MENUITEM \"a\", 1\n", "75@2: 75. MENU resource not terminated"},
      {"1 MENU { MENUITEM \"a\", 1, bold }", "76@1: 76. Unknown keyword BOLD"},
      {"1 MENU { POPUP \"p\" { MENUITEM SEPARATOR\n", "77@2: 77. POPUP menu resource not terminated"},
      {"1 MENU { POPUP \"p\" bold { } }", "78@1: 78. Unknown keyword BOLD encountered in POPUP menu resource"},
      {"1 MENU { POPUP \"p\" { } }", "79@1: 79. POPUP menu shall have at least one item"},
      {"1 MENU BEGIN END", "80@1: 80. MENU shall have at least one item"},
      {"1 MENU { MENUITEM SEPARATOR\n", "81@2: 81. MENUITEM or POPUP keywords expected"},
  };
  for (const auto& row : rows) EXPECT_EQ(Failure(row[0]), row[1]) << row[0];
}

// Keywords in any letter case; an ASCII text widened as it stands, another converted.
TEST(MenuTest, RecordsOfItems) {
  const std::pair<std::string, std::string> rows[] = {
      {"1 MENU { popup \"p\" help { menuitem \"a\", 7, grayed, Checked\n menuitem separator } }",
       "9040 7000 0000 0900 0700 6100 0000 8000 0000 0000"},
      {"#pragma code_page(65001)\n1 MENU { MENUITEM \"\xC3\xA9\", 2 MENUITEM \"\", 3 }",
       "0000 0200 e900 0000 8000 0300 0000"},
      // Ids from -32768 to 65535, a negative one as its 16-bit pattern; the id may stand on
      // the line after the text.
      {"#define ID_MENU_ALIGN_MAPPING_V -32379\n1 MENU { MENUITEM \"Blah blah\", -1\n MENUITEM \"v\",\n "
       "ID_MENU_ALIGN_MAPPING_V\n MENUITEM \"w\", 65535 MENUITEM \"x\", -32768 CHECKED }",
       "0000 ffff 4200 6c00 6100 6800 2000 6200 6c00 6100 6800 0000 "
       "0000 8581 7600 0000 0000 ffff 7700 0000 8800 0080 7800 0000"},
  };
  for (const auto& [script, hex] : rows)
    EXPECT_EQ(DataHex(OnlyEntry(script)), HexRows(FromHex("0000 0000 " + hex))) << script;
}

}  // namespace
}  // namespace tarvex::test
