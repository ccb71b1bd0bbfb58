#include "statements/menu.h"

#include <gtest/gtest.h>

#include "tests/menu_reader.h"
#include "tests/statement_checks.h"

namespace tarvex::test {
namespace {

std::string MenuOf(const std::string& body) { return DescribeMenu(OnlyEntry("1 MENU\n{\n" + body + "\n}\n").data); }

TEST(MenuTest, ItemsPopupsAndOptionsInDocumentOrder) {
  const char* rows[][2] = {
      {R"(POPUP "&File" {
            MENUITEM "&Open", 100
            MENUITEM SEPARATOR
            POPUP "Recent" { MENUITEM "One", 110 POPUP "More" { MENUITEM "Two", 111 MENUITEM "" } }
          }
          MENUITEM "E&xit", 101
          POPUP "&Help" BEGIN MENUITEM "About", 200 END)",
       "POPUP \"&File\" 0x10 { \"&Open\" 100 0x0 ; SEPARATOR 0x0 ; POPUP \"Recent\" 0x90 { \"One\" 110 0x0 ; "
       "POPUP \"More\" 0x90 { \"Two\" 111 0x0 ; SEPARATOR 0x80 } } } ; \"E&xit\" 101 0x0 ; "
       "POPUP \"&Help\" 0x90 { \"About\" 200 0x80 }"},
      // An empty text followed by an id is an item; alone it is a separator.
      {"MENUITEM \"\", 100\nMENUITEM \"\" 101, GRAYED\nMENUITEM \"\"\nMENUITEM \"\"\n",
       "\"\" 100 0x0 ; \"\" 101 0x1 ; SEPARATOR 0x0 ; SEPARATOR 0x80"},
      {"MENUITEM SEPARATOR\nMENUITEM \"x\", 0", "SEPARATOR 0x0 ; \"x\" 0 0x80"},
      {"POPUP \"\" { MENUITEM \"a\", 1 }\nPOPUP SEPARATOR { MENUITEM \"b\", 2 }",
       "POPUP \"\" 0x10 { \"a\" 1 0x80 } ; POPUP \"\" 0x90 { \"b\" 2 0x80 }"},
      // Options in any case, with and without commas.
      {"MENUITEM \"a\", 1, checked Grayed,, HELP CHECKED\nMENUITEM \"b\" 2 INACTIVE MENUBARBREAK menubreak\n"
       "POPUP \"p\", MenuBreak, grayed { MENUITEM \"c\", 65535 }",
       "\"a\" 1 0x4009 ; \"b\" 2 0x62 ; POPUP \"p\" 0xd1 { \"c\" 65535 0x80 }"},
  };
  for (const auto& row : rows) EXPECT_EQ(MenuOf(row[0]), row[1]) << row[0];
}

TEST(MenuTest, HeaderAndRecordLayout) {
  TResEntry entry = OnlyEntry("LANGUAGE 7, 1\nmain MENU PRELOAD { MENUITEM \"Ab\", 100 }");
  EXPECT_EQ(entry.Describe(), "type=#4 name=MAIN flags=0x1070 language=0x0407 version=0 characteristics=0 size=14");
  // menu header | flags 0x80, id 100, "Ab" and its zero
  EXPECT_EQ(HexRows(entry.data), HexRows(FromHex("00000000 8000 6400 4100 6200 0000")));
  EXPECT_EQ(HexRows(OnlyEntry("1 MENU { MENUITEM SEPARATOR }").data), HexRows(FromHex("00000000 8000 0000 0000")));
}

// Both kinds of menu: the nesting bound and the size bound.
TEST(MenuTest, BoundsOfBothKinds) {
  for (std::string kind : {"MENU", "MENUEX"}) {
    auto nested = [&](int depth) {
      std::string script = "1 " + kind + " {\n";
      for (int i = 0; i < depth; ++i) script += "POPUP \"p\" {\n";
      return script + "MENUITEM \"x\", 1\n" + std::string(static_cast<std::size_t>(depth) + 1, '}');
    };
    EXPECT_EQ(Failure(nested(1000)), "compiled");
    EXPECT_EQ(Failure(nested(1001)), "File a.rc. Line 1002 : POPUP menus nested more than 1000 levels deep");
    std::string items;
    for (int i = 0; i < 400; ++i) items += "MENUITEM \"" + std::string(100, 'x') + "\", 1\n";
    EXPECT_EQ(Failure("1 " + kind + " {\n" + items + "}\n"),
              kind == "MENU"
                  ? "File a.rc. Line 402 : Resource MENU 1: data of 82404 bytes exceeds the limit of 65535 bytes"
                  : "File a.rc. Line 402 : Resource MENUEX 1: data of 86408 bytes exceeds the limit of 65535 bytes");
  }
}

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
