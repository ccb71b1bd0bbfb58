#include "statements/menu_ex.h"

#include <gtest/gtest.h>

#include "tests/menu_reader.h"
#include "tests/res_reader.h"
#include "tests/statement_checks.h"
#include "tests/test_support.h"

namespace tarvex::test {
namespace {

// The menu constants of the Windows headers a script includes.
constexpr char kMenuConstants[] = R"(#define MFT_STRING 0x0
#define MFT_RADIOCHECK 0x200
#define MFT_SEPARATOR 0x800
#define MFT_RIGHTJUSTIFY 0x4000
#define MFS_ENABLED 0x0
#define MFS_GRAYED 0x3
#define MFS_CHECKED 0x8
#define MFS_DEFAULT 0x1000
)";

// The one resource a script compiles to, or the error.
TResEntry OnlyEntry(const std::string& script) {
  TCompileOutcome outcome = CompileText(script);
  if (!outcome.error.empty()) throw std::runtime_error(outcome.error);
  std::vector<TResEntry> entries = ReadResImage(outcome.res);
  if (entries.size() != 1) throw std::runtime_error(std::to_string(entries.size()) + " entries");
  return entries[0];
}

std::string MenuOf(const std::string& body) {
  return DescribeMenuEx(OnlyEntry(kMenuConstants + std::string("1 MENUEX\nBEGIN\n") + body + "\nEND\n").data);
}

TEST(MenuExTest, NestedPopupsSeparatorsNumbersAndTheEndFlagOfEveryLevel) {
  EXPECT_EQ(MenuOf(R"(
      POPUP "&File", 10, MFT_STRING, MFS_ENABLED, 500
      BEGIN
        MENUITEM "&Open", 100, MFT_STRING, MFS_CHECKED | MFS_DEFAULT
        MENUITEM SEPARATOR
        POPUP "Recent", 11,, MFS_GRAYED, 501
        BEGIN
          MENUITEM "One", 110, MFT_RADIOCHECK
          POPUP "More"
          BEGIN
            MENUITEM "Two", 111
            MENUITEM MFT_SEPARATOR
          END
        END
      END
      MENUITEM "E&xit", 101
      MENUITEM "", 0, MFT_SEPARATOR
      POPUP "&Help", , MFT_RIGHTJUSTIFY { MENUITEM "About", 200 })"),
            "POPUP \"&File\" id=10 type=0x0 state=0x0 help=500 0x1 { "
            "\"&Open\" id=100 type=0x0 state=0x1008 0x0 ; "
            "\"\" id=0 type=0x800 state=0x0 0x0 ; "
            "POPUP \"Recent\" id=11 type=0x0 state=0x3 help=501 0x81 { "
            "\"One\" id=110 type=0x200 state=0x0 0x0 ; "
            "POPUP \"More\" id=0 type=0x0 state=0x0 help=0 0x81 { "
            "\"Two\" id=111 type=0x0 state=0x0 0x0 ; \"\" id=0 type=0x800 state=0x0 0x80 } } } ; "
            "\"E&xit\" id=101 type=0x0 state=0x0 0x0 ; "
            "\"\" id=0 type=0x800 state=0x0 0x0 ; "
            "POPUP \"&Help\" id=0 type=0x4000 state=0x0 help=0 0x81 { \"About\" id=200 type=0x0 state=0x0 0x80 }");
}

TEST(MenuExTest, NumberPlacesEmptyLeftOutAndFull32Bits) {
  EXPECT_EQ(MenuOf("MENUITEM \"a\"\n"
                   "MENUITEM \"b\" 7\n"
                   "MENUITEM \"c\",, 4\n"
                   "MENUITEM \"d\",, 8,\n"
                   "MENUITEM \"e\", -1, 0xFFFFFFFF, 0x7FFFFFFF + 1\n"
                   "menuitem \"f\", 1 + 2 * 3\n"
                   "popup separator,,,,9 { menuitem separator }"),
            "\"a\" id=0 type=0x0 state=0x0 0x0 ; \"b\" id=7 type=0x0 state=0x0 0x0 ; "
            "\"c\" id=0 type=0x4 state=0x0 0x0 ; \"d\" id=0 type=0x8 state=0x0 0x0 ; "
            "\"e\" id=4294967295 type=0xffffffff state=0x80000000 0x0 ; \"f\" id=7 type=0x0 state=0x0 0x0 ; "
            "POPUP \"\" id=0 type=0x0 state=0x0 help=9 0x81 { \"\" id=0 type=0x800 state=0x0 0x80 }");
}

// Header, then records whose text leaves 2 or 0 bytes to pad; a pop-up's help id comes
// after its padding and its first child directly after the help id.
TEST(MenuExTest, HeaderAndRecordLayout) {
  TResEntry entry =
      OnlyEntry(kMenuConstants + std::string("LANGUAGE 7, 1\nmain MENUEX PRELOAD { MENUITEM \"A\", 100\n"
                                             "POPUP \"Bc\", 200, 0, 0, 7 { MENUITEM \"\", 0, MFT_SEPARATOR } }"));
  EXPECT_EQ(entry.Describe(), "type=#4 name=MAIN flags=0x1070 language=0x0407 version=0 characteristics=0 size=68");
  EXPECT_EQ(DataHex(entry), HexRows(FromHex("0100 0400 00000000"
                                            "00000000 00000000 64000000 0000 4100 0000 0000"
                                            "00000000 00000000 C8000000 8100 4200 6300 0000 07000000"
                                            "00080000 00000000 00000000 8000 0000")));
}

TEST(MenuExTest, EveryRecordStartsOnAFourByteBoundary) {
  // Texts of 0 to 5 characters at the top level and inside a pop-up; the record holding
  // id k must start where the sizes of the records before it, each rounded up to 4, end.
  std::string script = "1 MENUEX {\n";
  std::vector<std::size_t> sizes;
  for (int k = 0; k < 6; ++k) {
    script += "MENUITEM \"" + std::string(static_cast<std::size_t>(k), 'x') + "\", " + std::to_string(k + 1) + "\n";
    sizes.push_back(14 + 2 * static_cast<std::size_t>(k + 1));
  }
  script += "POPUP \"abc\", 7, 0, 0, 99 {\n";
  sizes.push_back(14 + 8);
  for (int k = 0; k < 6; ++k) {
    script += "MENUITEM \"" + std::string(static_cast<std::size_t>(k), 'y') + "\", " + std::to_string(k + 8) + "\n";
    sizes.push_back(14 + 2 * static_cast<std::size_t>(k + 1));
  }
  std::vector<std::uint8_t> data = OnlyEntry(script + "}\n}\n").data;
  std::size_t offset = 8;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    ASSERT_LE(offset + 12, data.size());
    EXPECT_EQ(offset % 4, 0u);
    EXPECT_EQ(static_cast<std::size_t>(data[offset + 8]), i + 1) << "record " << i << " at offset " << offset;
    offset += (sizes[i] + 3) / 4 * 4;
    if (i == 6) {
      EXPECT_EQ(data[offset], 99) << "help id of the pop-up";
      offset += 4;
    }
  }
  EXPECT_EQ(offset, data.size());
  EXPECT_NO_THROW(DescribeMenuEx(data));
}

// The reader must not pass a menu that is cut anywhere or misses an end flag.
TEST(MenuExTest, ReaderRefusesEveryCutAndAMissingEndFlag) {
  std::vector<std::uint8_t> data = OnlyEntry("1 MENUEX { POPUP \"p\" { MENUITEM \"a\", 1 } MENUITEM \"b\", 2 }").data;
  for (std::size_t length = 0; length < data.size(); ++length)
    EXPECT_THROW(
        DescribeMenuEx(std::vector<std::uint8_t>(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(length))),
        std::runtime_error)
        << "length " << length;
  std::vector<std::uint8_t> lastFlagCleared = data;
  lastFlagCleared[data.size() - 8] = 0;  // flags of "b"
  EXPECT_THROW(DescribeMenuEx(lastFlagCleared), std::runtime_error);
  std::vector<std::uint8_t> innerFlagCleared = data;
  innerFlagCleared[8 + 24 + 12] = 0;  // flags of "a", after the header and the pop-up
  EXPECT_THROW(DescribeMenuEx(innerFlagCleared), std::runtime_error);
}

TEST(MenuExTest, SharesTypeAndAttributesWithMenu) {
  EXPECT_EQ(Failure("1 MENU { MENUITEM \"a\", 1 }\n1 MENUEX { MENUITEM \"a\", 1 }"),
            "19@2: 19. Resource identifier 1 of type MENUEX, language 0 and sublanguage 0  already defined");
  std::vector<TResEntry> entries = Entries(
      "LANGUAGE 9, 1\n1 MENU { MENUITEM \"a\", 1 }\n"
      "2 menuex FIXED { MENUITEM \"a\", 1 }\n"
      "1 MENUEX LANGUAGE 7, 1 { MENUITEM \"a\", 1 }\n");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[1].Describe(), "type=#4 name=#2 flags=0x1020 language=0x0409 version=0 characteristics=0 size=28");
  EXPECT_EQ(entries[2].Describe(), "type=#4 name=#1 flags=0x1030 language=0x0407 version=0 characteristics=0 size=28");
}

TEST(MenuExTest, PopupsNestedAThousandDeepCompileAndDeeperStop) {
  auto nested = [](int depth) {
    std::string script = "1 MENUEX {\n";
    for (int i = 0; i < depth; ++i) script += "POPUP \"p\" {\n";
    script += "MENUITEM \"x\", 1\n";
    for (int i = 0; i < depth; ++i) script += "}\n";
    return script + "}\n";
  };
  EXPECT_EQ(Failure(nested(1000)), "compiled");
  EXPECT_EQ(Failure(nested(1001)), "File a.rc. Line 1002 : POPUP menus nested more than 1000 levels deep");
}

TEST(MenuExTest, MenuOf65536BytesStopsWithoutOutput) {
  std::string items;
  for (int i = 0; i < 310; ++i) items += "MENUITEM \"" + std::string(100, 'x') + "\", 1\n";
  EXPECT_EQ(Failure("1 MENUEX {\n" + items + "}\n"),
            "File a.rc. Line 312 : Resource MENUEX 1: data of 66968 bytes exceeds the limit of 65535 bytes");
}

struct TMessageCase {
  const char* script;
  const char* failure;
};

const TMessageCase kMessageCases[] = {
    {"1 MENUEX\nMENUITEM \"a\", 1", "12@2: 12. \"{\" or BEGIN expected"},
    {"1 MENUEX { MENUITEM GRAYED }", "73@1: 73. Double quoted string or SEPARATOR expected"},
    {"1 MENUEX { MENUITEM", "73@1: 73. Double quoted string or SEPARATOR expected"},
    {"1 MENUEX { POPUP 5 { MENUITEM \"a\" } }", "73@1: 73. Double quoted string or SEPARATOR expected"},
    {"1 MENUEX { MENUITEM \"a\", 1\n", "75@2: 75. MENU resource not terminated"},
    {"1 MENUEX { MENUITEM \"a\", 1,\n", "75@2: 75. MENU resource not terminated"},
    {"1 MENUEX { MENUITEM \"a\", 1, 2\nGRAYED }", "76@2: 76. Unknown keyword GRAYED"},
    {"1 MENUEX { MENUITEM SEPARATOR GRAYED }", "76@1: 76. Unknown keyword GRAYED"},
    {"1 MENUEX { POPUP \"p\", 1", "77@1: 77. POPUP menu resource not terminated"},
    {"1 MENUEX { POPUP \"p\" { MENUITEM \"a\"\n", "75@2: 75. MENU resource not terminated"},
    {"1 MENUEX { POPUP \"p\" { POPUP \"q\" { MENUITEM \"a\" }\n", "77@2: 77. POPUP menu resource not terminated"},
    {"1 MENUEX { POPUP \"p\" { POPUP \"q\" { MENUITEM \"a\" } ITEM } }",
     "77@1: 77. POPUP menu resource not terminated"},
    {"1 MENUEX { POPUP \"p\" GRAYED { } }", "78@1: 78. Unknown keyword GRAYED encountered in POPUP menu resource"},
    {"1 MENUEX { POPUP \"p\" { } }", "79@1: 79. POPUP menu shall have at least one item"},
    {"1 MENUEX BEGIN END", "80@1: 80. MENU shall have at least one item"},
    {"1 MENUEX { POPUP \"p\" { MENUITEM \"a\" } ITEM }", "81@1: 81. MENUITEM or POPUP keywords expected"},
    {"1 MENUEX { MENUITEM \"a\",\nIDM_UNDEFINED }", "97@2: 97. DWORD value expected but got IDM_UNDEFINED"},
    {"1 MENUEX { MENUITEM \"a\", 1, , \"x\" }", "97@1: 97. DWORD value expected but got \"x\""},
    {"1 MENUEX { MENUITEM \"a\", 0xFFFFFFFF + 1 }", "97@1: 97. DWORD value expected but got 4294967296"},
    {"1 MENUEX { MENUITEM -0x7FFFFFFF - 2 }", "97@1: 97. DWORD value expected but got -2147483649"},
    {"1 MENUEX { MENUITEM \"a\", 1, 2, 3, 4 }",
     "File a.rc. Line 1 : MENUITEM takes at most 3 numbers: id, type and state"},
    {"1 MENUEX { MENUITEM \"a\",,,, }", "File a.rc. Line 1 : MENUITEM takes at most 3 numbers: id, type and state"},
    {"1 MENUEX { POPUP \"p\", 1, 2, 3, 4, 5 { MENUITEM \"a\" } }",
     "File a.rc. Line 1 : POPUP takes at most 4 numbers: id, type, state and help id"},
};

TEST(MenuExTest, EachMessageWithItsLine) {
  for (const TMessageCase& row : kMessageCases) EXPECT_EQ(Failure(row.script), row.failure) << row.script;
}

}  // namespace
}  // namespace tarvex::test
