// Wide literals L"...": characters rather than bytes of the code page, with escapes that
// give one UTF-16 code unit each. Their tokens are checked with the other tokens.
#include <gtest/gtest.h>

#include "preprocessor/token_test_support.h"
#include "reader/utf16.h"
#include "tests/dialog_reader.h"
#include "tests/menu_reader.h"
#include "tests/statement_checks.h"
#include "tests/version_reader.h"

namespace tarvex::test {
namespace {

TEST(WideStringTest, RecordsNonAsciiTextsOnly) {
  TScriptReader reader("L\"abc\", L\"\\x2212\", \"\\xE9\"");
  EXPECT_EQ(reader.All(), "\"abc\" , \"\xE2\x88\x92\" , \"\xE9\"");
  EXPECT_EQ(reader.parser.wideTexts.size(), 1u);
  EXPECT_EQ(reader.parser.wideTexts.count("\xE2\x88\x92"), 1u);
  EXPECT_EQ(ScriptTextToUtf16(reader.parser, "\xE2\x88\x92"), u"\u2212");
}

// Under Windows-1252 the byte E9 is é; \x escapes of a wide literal are code units whatever
// the page, also those the page has no character for. String tables, dialogs, menus and
// version values take them alike.
TEST(WideStringTest, StatementsTakeCharacters) {
  TCompilation result = CompileFiles(
      {{"a.rc",
        "STRINGTABLE { 1 L\"caf\xE9 \\x2212\\xD83D\\xDE00\" 2 \"caf\xE9\" 3 L\"\\xD800\" }\n"
        "1 DIALOG 0, 0, 100, 50\nCAPTION L\"\\x2211 caf\xE9\"\nFONT 8, L\"Segoe\\x2009UI\"\n{\n"
        "  LTEXT L\"\\x2212\", 1, 0, 0, 10, 10\n  CONTROL L\"x\\x00B2\", 2, L\"My\\x2212\" L\"Class\", 0, 0, 0, 10, "
        "10\n"
        "  CONTROL \"ok\", 3, L\"Button\", 0, 0, 0, 10, 10\n}\n"
        "1 MENU { POPUP L\"\\x00C9dition\" { MENUITEM L\"Copier \\x2192 \xE9\", 100 } }\n"
        "1 VERSIONINFO { BLOCK \"StringFileInfo\" { BLOCK \"040904E4\" { VALUE \"Trade\", L\"\\x2122\" } } }\n"}},
      "CP1252");
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  EXPECT_EQ(TableString(result.image, 1), u"caf\u00E9 \u2212\U0001F600");
  EXPECT_EQ(TableString(result.image, 2), u"caf\u00E9");
  EXPECT_EQ(TableString(result.image, 3), std::u16string(1, char16_t(0xD800)));
  std::vector<TResEntry> entries = ReadResImage(result.image);
  EXPECT_EQ(DescribeDialog(FindEntry(entries, "#5", "#1").data),
            "DIALOG style=0x00C00040 exstyle=0x00000000 items=3 rect=0,0,100,50\n"
            "menu=\"\" class=\"\" caption=\"\xE2\x88\x91 caf\xC3\xA9\"\nfont=8 \"Segoe\xE2\x80\x89UI\"\n"
            "item style=0x50020000 exstyle=0x00000000 rect=0,0,10,10 id=1 class=STATIC title=\"\xE2\x88\x92\"\n"
            "item style=0x50000000 exstyle=0x00000000 rect=0,0,10,10 id=2 class=\"My\xE2\x88\x92"
            "Class\" title=\"x\xC2\xB2\"\n"
            "item style=0x50000000 exstyle=0x00000000 rect=0,0,10,10 id=3 class=BUTTON title=\"ok\"\n");
  EXPECT_EQ(DescribeMenu(FindEntry(entries, "#4", "#1").data),
            "POPUP \"\xC3\x89"
            "dition\" 0x90 { \"Copier \xE2\x86\x92 \xC3\xA9\" 100 0x80 }");
  EXPECT_EQ(DescribeVersionTree(ReadVersionTree(FindEntry(entries, "#16", "#1").data)),
            "VS_VERSION_INFO { StringFileInfo { 040904E4 { Trade \"\xE2\x84\xA2\\0\" } } }");
}

TEST(WideStringTest, AWideTextThatIsAlsoAnOrdinaryTextOfOtherCharactersStops) {
  // L"\xE9" is é, held as C3 A9; "\xC3\xA9" in Windows-1252 is Ã©, in UTF-8 é.
  const std::string script = "STRINGTABLE { 1 L\"\\xE9\"\n 2 \"\\xC3\\xA9\" }\n";
  TCompilation result = CompileFiles({{"a.rc", script}}, "CP1252");
  EXPECT_EQ(result.errorText,
            "File a.rc. Line 2 : An ordinary literal holds the bytes of the UTF-8 text \"\xC3\xA9\" of a wide "
            "literal, which CP1252 reads as other characters; write both literals alike, wide or ordinary");
  EXPECT_TRUE(result.image.empty());
  result = CompileFiles({{"a.rc", script}}, "UTF-8");
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  EXPECT_EQ(TableString(result.image, 1), u"\u00E9");
  EXPECT_EQ(TableString(result.image, 2), u"\u00E9");
}

}  // namespace
}  // namespace tarvex::test
