#include "statements/menu.h"

#include <gtest/gtest.h>

#include "tests/menu_reader.h"
#include "tests/res_reader.h"
#include "tests/test_support.h"

namespace tarvex::test {
namespace {

// The one resource a script compiles to, or the error.
TResEntry OnlyEntry(const std::string& script) {
  TCompileOutcome outcome = CompileText(script);
  if (!outcome.error.empty()) throw std::runtime_error(outcome.error);
  std::vector<TResEntry> entries = ReadResImage(outcome.res);
  if (entries.size() != 1) throw std::runtime_error(std::to_string(entries.size()) + " entries");
  return entries[0];
}

std::string MenuOf(const std::string& body) { return DescribeMenu(OnlyEntry("1 MENU\n{\n" + body + "\n}\n").data); }

std::string ErrorOf(const std::string& script) { return CompileText(script).error; }

TEST(MenuTest, ItemsSeparatorsAndNestedPopupsInDocumentOrder) {
  EXPECT_EQ(MenuOf(R"(
      POPUP "&File" {
        MENUITEM "&Open", 100
        MENUITEM SEPARATOR
        POPUP "Recent" {
          MENUITEM "One", 110
          POPUP "More" { MENUITEM "Two", 111 MENUITEM "" }
        }
      }
      MENUITEM "E&xit", 101
      POPUP "&Help" BEGIN MENUITEM "About", 200 END)"),
            "POPUP \"&File\" 0x10 { \"&Open\" 100 0x0 ; SEPARATOR 0x0 ; "
            "POPUP \"Recent\" 0x90 { \"One\" 110 0x0 ; "
            "POPUP \"More\" 0x90 { \"Two\" 111 0x0 ; SEPARATOR 0x80 } } } ; "
            "\"E&xit\" 101 0x0 ; POPUP \"&Help\" 0x90 { \"About\" 200 0x80 }");
}

TEST(MenuTest, EmptyTextFollowedByAnIdIsAnItem) {
  EXPECT_EQ(MenuOf("MENUITEM \"\", 100\nMENUITEM \"\" 101, GRAYED\nMENUITEM \"\"\nMENUITEM \"\"\n"),
            "\"\" 100 0x0 ; \"\" 101 0x1 ; SEPARATOR 0x0 ; SEPARATOR 0x80");
  EXPECT_EQ(MenuOf("MENUITEM SEPARATOR\nMENUITEM \"x\", 0"), "SEPARATOR 0x0 ; \"x\" 0 0x80");
  EXPECT_EQ(ErrorOf("1 MENU { MENUITEM \"\", ID_UNDEFINED }"),
            "File a.rc. Line 1 : 74. Number in range 0..65535 expected");
}

TEST(MenuTest, PopupsWithEmptyText) {
  EXPECT_EQ(MenuOf("POPUP \"\" { MENUITEM \"a\", 1 }\nPOPUP SEPARATOR { MENUITEM \"b\", 2 }"),
            "POPUP \"\" 0x10 { \"a\" 1 0x80 } ; POPUP \"\" 0x90 { \"b\" 2 0x80 }");
}

TEST(MenuTest, OptionsInAnyCaseWithAndWithoutCommas) {
  EXPECT_EQ(MenuOf("MENUITEM \"a\", 1, checked Grayed,, HELP CHECKED\n"
                   "MENUITEM \"b\" 2 INACTIVE MENUBARBREAK menubreak\n"
                   "POPUP \"p\", MenuBreak, grayed { MENUITEM \"c\", 65535 }"),
            "\"a\" 1 0x4009 ; \"b\" 2 0x62 ; POPUP \"p\" 0xd1 { \"c\" 65535 0x80 }");
}

TEST(MenuTest, HeaderAndRecordLayout) {
  TResEntry entry = OnlyEntry("LANGUAGE 7, 1\nmain MENU PRELOAD { MENUITEM \"Ab\", 100 }");
  EXPECT_EQ(entry.Describe(), "type=#4 name=MAIN flags=0x1070 language=0x0407 version=0 characteristics=0 size=14");
  // menu header | flags 0x80, id 100, "Ab" and its zero
  EXPECT_EQ(HexRows(entry.data), HexRows(FromHex("00000000 8000 6400 4100 6200 0000")));
  EXPECT_EQ(HexRows(OnlyEntry("1 MENU { MENUITEM SEPARATOR }").data), HexRows(FromHex("00000000 8000 0000 0000")));
}

// The reader must not pass a menu whose end flags or texts are wrong.
TEST(MenuTest, ReaderRefusesEveryCutAndAMissingEndFlag) {
  std::vector<std::uint8_t> data = OnlyEntry("1 MENU { POPUP \"p\" { MENUITEM \"a\", 1 } MENUITEM \"b\", 2 }").data;
  for (std::size_t length = 0; length < data.size(); ++length)
    EXPECT_THROW(
        DescribeMenu(std::vector<std::uint8_t>(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(length))),
        std::runtime_error)
        << "length " << length;
  data[data.size() - 8] = 0;  // flags of the last item
  EXPECT_THROW(DescribeMenu(data), std::runtime_error);
}

TEST(MenuTest, PopupsNestedAThousandDeepCompileAndDeeperStop) {
  auto nested = [](int depth) {
    std::string script = "1 MENU {\n";
    for (int i = 0; i < depth; ++i) script += "POPUP \"p\" {\n";
    script += "MENUITEM \"x\", 1\n";
    for (int i = 0; i < depth; ++i) script += "}\n";
    return script + "}\n";
  };
  TCompileOutcome deepest = CompileText(nested(1000));
  EXPECT_EQ(deepest.error, "");
  EXPECT_EQ(ErrorOf(nested(1001)), "File a.rc. Line 1002 : POPUP menus nested more than 1000 levels deep");
}

TEST(MenuTest, MenuOf65536BytesStopsWithoutOutput) {
  std::string items;
  for (int i = 0; i < 400; ++i) items += "MENUITEM \"" + std::string(100, 'x') + "\", 1\n";
  EXPECT_EQ(ErrorOf("1 MENU {\n" + items + "}\n"),
            "File a.rc. Line 402 : Resource MENU 1: data of 82404 bytes exceeds the limit of 65535 bytes");
}

struct TMessageCase {
  const char* script;
  const char* error;
};

const TMessageCase kMessageCases[] = {
    {"1 MENU\nMENUITEM \"a\", 1", "File a.rc. Line 2 : 12. \"{\" or BEGIN expected"},
    {"1 MENU { MENUITEM 5, 1 }", "File a.rc. Line 1 : 73. Double quoted string or SEPARATOR expected"},
    {"1 MENU { MENUITEM", "File a.rc. Line 1 : 73. Double quoted string or SEPARATOR expected"},
    {"1 MENU { POPUP GRAYED { MENUITEM \"a\", 1 } }",
     "File a.rc. Line 1 : 73. Double quoted string or SEPARATOR expected"},
    {"1 MENU { MENUITEM \"a\" }", "File a.rc. Line 1 : 74. Number in range 0..65535 expected"},
    {"1 MENU { MENUITEM \"a\", -1 }", "File a.rc. Line 1 : 74. Number in range 0..65535 expected"},
    {"1 MENU { MENUITEM \"a\", 65536 }", "File a.rc. Line 1 : 74. Number in range 0..65535 expected"},
    {"1 MENU { MENUITEM \"a\", 1", "File a.rc. Line 1 : 75. MENU resource not terminated"},
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
    {"1 MENU { MENUITEM \"a\", 1\n", "File a.rc. Line 2 : 75. MENU resource not terminated"},
    {"1 MENU { MENUITEM SEPARATOR\n", "File a.rc. Line 2 : 81. MENUITEM or POPUP keywords expected"},
    {"1 MENU { MENUITEM \"a\", 1 }\n1 MENU { MENUITEM \"a\", 1 }",
     "File a.rc. Line 2 : 19. Resource identifier 1 of type MENU, language 0 and sublanguage 0  already defined"},
};

TEST(MenuTest, EachMessageWithItsLine) {
  for (const TMessageCase& row : kMessageCases) EXPECT_EQ(ErrorOf(row.script), row.error) << row.script;
}

}  // namespace
}  // namespace tarvex::test
