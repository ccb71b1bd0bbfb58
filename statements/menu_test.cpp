#include "statements/menu.h"

#include <gtest/gtest.h>

#include "tests/statement_checks.h"

namespace tarvex::test {
namespace {

TEST(MenuTest, EachMessageWithItsLine) {
  const char* rows[][2] = {
      {"1 MENU\nMENUITEM \"a\", 1", "File a.rc. Line 2 : 12. \"{\" or BEGIN expected"},
      {"1 MENU { MENUITEM 5, 1 }", "File a.rc. Line 1 : 73. Double quoted string or SEPARATOR expected"},
      {"1 MENU { MENUITEM", "File a.rc. Line 1 : 73. Double quoted string or SEPARATOR expected"},
      {"1 MENU { POPUP GRAYED { MENUITEM \"a\", 1 } }",
       "File a.rc. Line 1 : 73. Double quoted string or SEPARATOR expected"},
      {"1 MENU { MENUITEM \"a\" }", "File a.rc. Line 1 : 74. Number in range 0..65535 expected"},
      {"1 MENU { MENUITEM \"a\", -1 }", "File a.rc. Line 1 : 74. Number in range 0..65535 expected"},
      {"1 MENU { MENUITEM \"a\", 65536 }", "File a.rc. Line 1 : 74. Number in range 0..65535 expected"},
      {"1 MENU { MENUITEM \"\", ID_UNDEFINED }", "File a.rc. Line 1 : 74. Number in range 0..65535 expected"},
      {"1 MENU { MENUITEM \"a\", 1", "File a.rc. Line 1 : 75. MENU resource not terminated"},
      {"1 MENU { MENUITEM \"a\", 1\n", "File a.rc. Line 2 : 75. MENU resource not terminated"},
      {"1 MENU { MENUITEM \"a\", 1, bold }", "File a.rc. Line 1 : 76. Unknown keyword BOLD"},
      {"1 MENU { POPUP \"p\" GRAYED", "File a.rc. Line 1 : 77. POPUP menu resource not terminated"},
      {"1 MENU { POPUP \"p\" { MENUITEM SEPARATOR\n", "File a.rc. Line 2 : 77. POPUP menu resource not terminated"},
      {"1 MENU { POPUP \"p\" { ITEM } }", "File a.rc. Line 1 : 77. POPUP menu resource not terminated"},
      {"1 MENU { POPUP \"p\" bold { } }",
       "File a.rc. Line 1 : 78. Unknown keyword BOLD encountered in POPUP menu resource"},
      {"1 MENU { POPUP \"p\" { } }", "File a.rc. Line 1 : 79. POPUP menu shall have at least one item"},
      {"1 MENU BEGIN END", "File a.rc. Line 1 : 80. MENU shall have at least one item"},
      {"1 MENU { POPUP \"p\" { MENUITEM \"a\", 1 } ITEM }",
       "File a.rc. Line 1 : 81. MENUITEM or POPUP keywords expected"},
      {"1 MENU { MENUITEM SEPARATOR\n", "File a.rc. Line 2 : 81. MENUITEM or POPUP keywords expected"},
      {"1 MENU { MENUITEM \"a\", 1 }\n1 MENU { MENUITEM \"a\", 1 }",
       "File a.rc. Line 2 : 19. Resource identifier 1 of type MENU, language 0 and sublanguage 0  already defined"},
  };
  for (const auto& row : rows) EXPECT_EQ(ErrorOf(row[0]), row[1]) << row[0];
}

}  // namespace
}  // namespace tarvex::test
