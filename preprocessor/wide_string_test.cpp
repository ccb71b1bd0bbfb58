// Wide literals L"...": characters rather than bytes of the code page, with escapes that
// give one UTF-16 code unit each.
#include <gtest/gtest.h>

#include "reader/utf16.h"
#include "preprocessor/token_test_support.h"
#include "statements/compile_api.h"
#include "tests/dialog_reader.h"
#include "tests/menu_reader.h"
#include "tests/res_reader.h"
#include "tests/version_reader.h"

namespace tarvex {
namespace {

using test::Preprocess;

TEST(WideStringTest, EscapesGiveCodeUnits) {
  // U+2212 MINUS SIGN in UTF-8 is E2 88 92.
  EXPECT_EQ(Preprocess("L\"a\\x2212b\""),
            "\"a\xE2\x88\x92"
            "b\"");
  EXPECT_EQ(Preprocess("L\"\\x00410\", L\"\\X41\", L\"\\101\\0\", L\"\\xg\""),
            std::string("\"A0\" , \"A\" , \"A\0\" , \"\0g\"", 24));
  EXPECT_EQ(Preprocess("L\"\\x00E9\\t\\\"\\\\\""), "\"\xC3\xA9\t\"\\\"");
  EXPECT_EQ(Preprocess("L\"\\777\""), "\"\xC7\xBF\"");  // octal 777 is U+01FF
  // In an ordinary literal \x still takes two digits and gives a byte.
  EXPECT_EQ(Preprocess("\"\\x2212\""), "\"\"12\"");
  EXPECT_EQ(Preprocess("L\"\\q\""), "error 27 line 1: File a.rc. Line 1 : 27. Bad escape sequence L\"\\q\"");
}

TEST(WideStringTest, JoinsWithOrdinaryLiterals) {
  EXPECT_EQ(Preprocess("L\"a\" \"b\", \"a\"\n L\"\\x2212\" /* */ \"c\""),
            "\"ab\" , \"a\xE2\x88\x92"
            "c\"");
  // A doubled quote inside a wide literal is one quote; an L after a literal starts a new one.
  EXPECT_EQ(Preprocess("L\"say \"\"hi\"\"\", \"x\"L\"y\""), "\"say \"hi\"\" , \"xy\"");
  // L apart from its literal, or ending a longer word, is a word of its own.
  EXPECT_EQ(Preprocess("L \"x\", IDL\"y\""), "L \"x\" , IDL \"y\"");
  // From a name's value.
  EXPECT_EQ(Preprocess("#define TITLE L\"\\x2211\"\nTITLE"), "\"\xE2\x88\x91\"");
}

TEST(WideStringTest, RecordsNonAsciiTextsOnly) {
  test::TScriptReader reader("L\"abc\", L\"\\x2212\", \"\\xE9\"");
  EXPECT_EQ(reader.All(), "\"abc\" , \"\xE2\x88\x92\" , \"\xE9\"");
  EXPECT_EQ(reader.parser.wideTexts.size(), 1u);
  EXPECT_EQ(reader.parser.wideTexts.count("\xE2\x88\x92"), 1u);
  EXPECT_EQ(ScriptTextToUtf16(reader.parser, "\xE2\x88\x92"), u"\u2212");
}

TEST(WideStringTest, UnitsSurviveUtf8Unpaired) {
  std::u16string units = {u'a', 0xD83D, 0xDE00, 0xD800, u'b', 0xDC00};
  std::string text = UnitsToUtf8(units);
  EXPECT_EQ(text,
            "a\xF0\x9F\x98\x80\xED\xA0\x80"
            "b\xED\xB0\x80");
  EXPECT_EQ(Utf8ToUnits(text), units);
  // Bytes that start no complete sequence never read past the end.
  EXPECT_EQ(Utf8ToUnits("\xE2\x88"), std::u16string(u"\uFFFD\uFFFD"));
  EXPECT_EQ(Utf8ToUnits("\xC0\xAF\xF8"), std::u16string(u"\uFFFD\uFFFD\uFFFD"));
}

// Compiles a.rc with the -c option's code page `codePage`.
TCompilation CompileWithPage(const std::string& script, const std::string& codePage) {
  test::TTempDir dir;
  dir.Write("a.rc", script);
  test::TWorkingDirectory cwd(dir.Path());
  TCompileOptions options;
  options.codePage = codePage;
  return CompileToImage("a.rc", {}, options);
}

// The UTF-16 code units of string `index` (0..15) of a string-table block.
std::u16string BlockString(const std::vector<std::uint8_t>& data, std::size_t index) {
  std::size_t at = 0;
  for (std::size_t i = 0; at + 2 <= data.size(); ++i) {
    std::size_t length = data[at] | data[at + 1] << 8;
    at += 2;
    if (i == index) {
      std::u16string units;
      for (std::size_t k = 0; k < length && at + 2 * k + 1 < data.size(); ++k)
        units.push_back(static_cast<char16_t>(data[at + 2 * k] | data[at + 2 * k + 1] << 8));
      return units;
    }
    at += 2 * length;
  }
  return u"?";
}

// Under Windows-1252 the byte E9 is é; \x escapes of a wide literal are code units whatever
// the page, also those the page has no character for.
TEST(WideStringTest, StringTablesTakeCharacters) {
  TCompilation result =
      CompileWithPage("STRINGTABLE { 1 L\"caf\xE9 \\x2212\\xD83D\\xDE00\" 2 \"caf\xE9\" 3 L\"\\xD800\" }\n", "CP1252");
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  std::vector<test::TResEntry> entries = test::ReadResImage(result.image);
  const std::vector<std::uint8_t>& block = test::FindEntry(entries, "#6", "#1").data;
  EXPECT_EQ(BlockString(block, 1), std::u16string(u"caf\u00E9 \u2212\U0001F600"));
  EXPECT_EQ(BlockString(block, 2), std::u16string(u"caf\u00E9"));
  EXPECT_EQ(BlockString(block, 3), std::u16string(1, char16_t(0xD800)));
}

TEST(WideStringTest, DialogsTakeCharacters) {
  TCompilation result = CompileWithPage(
      "1 DIALOG 0, 0, 100, 50\nCAPTION L\"\\x2211 caf\xE9\"\nFONT 8, L\"Segoe\\x2009UI\"\n{\n"
      "  LTEXT L\"\\x2212\", 1, 0, 0, 10, 10\n"
      "  CONTROL L\"x\\x00B2\", 2, L\"My\\x2212\" L\"Class\", 0, 0, 0, 10, 10\n"
      "  CONTROL \"ok\", 3, L\"Button\", 0, 0, 0, 10, 10\n}\n",
      "CP1252");
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  std::vector<test::TResEntry> entries = test::ReadResImage(result.image);
  EXPECT_EQ(test::DescribeDialog(test::FindEntry(entries, "#5", "#1").data),
            "DIALOG style=0x00C00040 exstyle=0x00000000 items=3 rect=0,0,100,50\n"
            "menu=\"\" class=\"\" caption=\"\xE2\x88\x91 caf\xC3\xA9\"\n"
            "font=8 \"Segoe\xE2\x80\x89UI\"\n"
            "item style=0x50020000 exstyle=0x00000000 rect=0,0,10,10 id=1 class=STATIC title=\"\xE2\x88\x92\"\n"
            "item style=0x50000000 exstyle=0x00000000 rect=0,0,10,10 id=2 class=\"My\xE2\x88\x92"
            "Class\" title=\"x\xC2\xB2\"\n"
            "item style=0x50000000 exstyle=0x00000000 rect=0,0,10,10 id=3 class=BUTTON title=\"ok\"\n");
}

TEST(WideStringTest, MenusAndVersionValuesTakeCharacters) {
  TCompilation result = CompileWithPage(
      "1 MENU { POPUP L\"\\x00C9dition\" { MENUITEM L\"Copier \\x2192 \xE9\", 100 } }\n"
      "1 VERSIONINFO { BLOCK \"StringFileInfo\" { BLOCK \"040904E4\" { VALUE \"Trade\", L\"\\x2122\" } } }\n",
      "CP1252");
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  std::vector<test::TResEntry> entries = test::ReadResImage(result.image);
  EXPECT_EQ(test::DescribeMenu(test::FindEntry(entries, "#4", "#1").data),
            "POPUP \"\xC3\x89"
            "dition\" 0x90 { \"Copier \xE2\x86\x92 \xC3\xA9\" 100 0x80 }");
  EXPECT_EQ(test::DescribeVersionTree(test::ReadVersionTree(test::FindEntry(entries, "#16", "#1").data)),
            "VS_VERSION_INFO { StringFileInfo { 040904E4 { Trade \"\xE2\x84\xA2\\0\" } } }");
}

TEST(WideStringTest, AWideTextThatIsAlsoAnOrdinaryTextOfOtherCharactersStops) {
  // L"\xE9" is é, held as C3 A9; "\xC3\xA9" in Windows-1252 is Ã©.
  TCompilation result = CompileWithPage("STRINGTABLE { 1 L\"\\xE9\"\n 2 \"\\xC3\\xA9\" }\n", "CP1252");
  EXPECT_EQ(result.errorText,
            "File a.rc. Line 2 : An ordinary literal holds the bytes of the UTF-8 text \"\xC3\xA9\" of a wide "
            "literal, which CP1252 reads as other characters; write both literals alike, wide or ordinary");
  EXPECT_TRUE(result.image.empty());
  // In UTF-8 both are é.
  result = CompileWithPage("STRINGTABLE { 1 L\"\\xE9\"\n 2 \"\\xC3\\xA9\" }\n", "UTF-8");
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  std::vector<test::TResEntry> entries = test::ReadResImage(result.image);
  const std::vector<std::uint8_t>& block = test::FindEntry(entries, "#6", "#1").data;
  EXPECT_EQ(BlockString(block, 1), BlockString(block, 2));
}

}  // namespace
}  // namespace tarvex
