#include "statements/menu_ex.h"

#include <gtest/gtest.h>

#include "tests/statement_checks.h"

namespace tarvex::test {
namespace {

// The menu constants of the Windows headers a script includes.
constexpr char kMenuConstants[] =
    "#define MFT_STRING 0x0\n#define MFT_RADIOCHECK 0x200\n#define MFT_SEPARATOR 0x800\n"
    "#define MFT_RIGHTJUSTIFY 0x4000\n#define MFS_ENABLED 0x0\n#define MFS_GRAYED 0x3\n"
    "#define MFS_CHECKED 0x8\n#define MFS_DEFAULT 0x1000\n";

// Header, then records whose text leaves 2 or 0 bytes to pad; a pop-up's help id comes
// after its padding and its first child directly after the help id. MENUEX shares the
// type and the attributes with MENU.
TEST(MenuExTest, LayoutAttributesAndMessages) {
  TResEntry entry =
      OnlyEntry(kMenuConstants + std::string("LANGUAGE 7, 1\nmain MENUEX PRELOAD { MENUITEM \"A\", 100\n"
                                             "POPUP \"Bc\", 200, 0, 0, 7 { MENUITEM \"\", 0, MFT_SEPARATOR } }"));
  EXPECT_EQ(entry.Describe(), "type=#4 name=MAIN flags=0x1070 language=0x0407 version=0 characteristics=0 size=68");
  EXPECT_EQ(DataHex(entry), HexRows(FromHex("0100 0400 00000000"
                                            "00000000 00000000 64000000 0000 4100 0000 0000"
                                            "00000000 00000000 C8000000 8100 4200 6300 0000 07000000"
                                            "00080000 00000000 00000000 8000 0000")));
  EXPECT_EQ(DescribeAll(Entries("LANGUAGE 9, 1\n1 MENU { MENUITEM \"a\", 1 }\n2 menuex FIXED { MENUITEM \"a\", 1 }\n"
                                "1 MENUEX LANGUAGE 7, 1 { MENUITEM \"a\", 1 }\n")),
            "type=#4 name=#1 flags=0x1030 language=0x0409 version=0 characteristics=0 size=12\n"
            "type=#4 name=#2 flags=0x1020 language=0x0409 version=0 characteristics=0 size=28\n"
            "type=#4 name=#1 flags=0x1030 language=0x0407 version=0 characteristics=0 size=28\n");
  const char* rows[][2] = {
      {"MENUITEM", "73@1: 73. Double quoted string or SEPARATOR expected"},
      {"POPUP 5 { MENUITEM \"a\" } }", "73@1: 73. Double quoted string or SEPARATOR expected"},
      {"MENUITEM \"a\", 1,\n", "75@2: 75. MENU resource not terminated"},
      {"MENUITEM \"a\", 1, 2\nGRAYED }", "76@2: 76. Unknown keyword GRAYED"},
      {"MENUITEM SEPARATOR GRAYED }", "76@1: 76. Unknown keyword GRAYED"},
      {"POPUP \"p\" { POPUP \"q\" { MENUITEM \"a\" }\n", "77@2: 77. POPUP menu resource not terminated"},
      {"MENUITEM \"a\", 1, , \"x\" }", "97@1: 97. DWORD value expected but got \"x\""},
      {"MENUITEM \"a\", 0xFFFFFFFF + 1 }", "97@1: 97. DWORD value expected but got 4294967296"},
      {"MENUITEM \"a\", 1, 2, 3, 4 }", "File a.rc. Line 1 : MENUITEM takes at most 3 numbers: id, type and state"},
      {"POPUP \"p\", 1, 2, 3, 4, 5 { MENUITEM \"a\" } }",
       "File a.rc. Line 1 : POPUP takes at most 4 numbers: id, type, state and help id"},
  };
  for (const auto& row : rows) EXPECT_EQ(Failure(std::string("1 MENUEX { ") + row[0]), row[1]) << row[0];
  EXPECT_EQ(Failure("1 MENU { MENUITEM \"a\", 1 }\n1 MENUEX { MENUITEM \"a\", 1 }"),
            "19@2: 19. Resource identifier 1 of type MENUEX, language 0 and sublanguage 0  already defined");
}

}  // namespace
}  // namespace tarvex::test
