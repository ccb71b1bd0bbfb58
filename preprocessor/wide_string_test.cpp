// Wide literals L"...": characters rather than bytes of the code page, with escapes that
// give one UTF-16 code unit each. Their tokens are checked with the other tokens.
#include <gtest/gtest.h>

#include "preprocessor/token_test_support.h"
#include "reader/utf16.h"
#include "tests/menu_reader.h"
#include "tests/statement_checks.h"

namespace tarvex::test {
namespace {

// Under Windows-1252 the byte E9 is é; \x escapes of a wide literal are code units whatever
// the page, also those the page has no character for. String tables and menus take them alike.
TEST(WideStringTest, StatementsTakeCharacters) {
  TCompilation result =
      CompileFiles({{"a.rc",
                     "STRINGTABLE { 1 L\"caf\xE9 \\x2212\\xD83D\\xDE00\" 2 \"caf\xE9\" 3 L\"\\xD800\" }\n"
                     "1 MENU { POPUP L\"\\x00C9dition\" { MENUITEM L\"Copier \\x2192 \xE9\", 100 } }\n"}},
                   "CP1252");
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  EXPECT_EQ(TableString(result.image, 1), u"caf\u00E9 \u2212\U0001F600");
  EXPECT_EQ(TableString(result.image, 2), u"caf\u00E9");
  EXPECT_EQ(TableString(result.image, 3), std::u16string(1, char16_t(0xD800)));
  EXPECT_EQ(DescribeMenu(FindEntry(ReadResImage(result.image), "#4", "#1").data),
            "POPUP \"\xC3\x89"
            "dition\" 0x90 { \"Copier \xE2\x86\x92 \xC3\xA9\" 100 0x80 }");
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
