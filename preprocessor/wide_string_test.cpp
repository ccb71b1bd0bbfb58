// Wide literals L"...": characters rather than bytes of the code page, with escapes that
// give one UTF-16 code unit each. Their tokens are checked with the other tokens.
#include <gtest/gtest.h>

#include "preprocessor/token_test_support.h"
#include "reader/utf16.h"
#include "tests/statement_checks.h"
#include "tests/version_reader.h"

namespace tarvex::test {
namespace {

// Under Windows-1252 the byte E9 is é, also in menus and version information; \x escapes of a
// wide literal are code units whatever the page, also those the page has no character for.
TEST(WideStringTest, StatementsTakeCharacters) {
  TCompilation result =
      CompileFiles({{"a.rc",
                     "STRINGTABLE { 1 L\"caf\xE9 \\x2212\\xD83D\\xDE00\" 2 \"caf\xE9\" 3 L\"\\xD800\" }\n"
                     "1 MENU { POPUP L\"\\x00C9dition\" { MENUITEM L\"Copier \\x2192 \xE9\", 100 } }\n"
                     "1 VERSIONINFO { BLOCK \"S\" { VALUE \"Cl\xE9\", \"r\xE9sum\xE9\" } }\n"}},
                   "CP1252");
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  EXPECT_EQ(TableString(result.image, 1), u"caf\u00E9 \u2212\U0001F600");
  EXPECT_EQ(TableString(result.image, 2), u"caf\u00E9");
  EXPECT_EQ(TableString(result.image, 3), std::u16string(1, char16_t(0xD800)));
  std::vector<TResEntry> entries = ReadResImage(result.image);
  // Header, the pop-up (flags 0x90) "Édition", its item (flags 0x80, id 100) "Copier → é".
  EXPECT_EQ(DataHex(FindEntry(entries, "#4", "#1")),
            HexRows(FromHex("00000000 9000 C900 6400 6900 7400 6900 6F00 6E00 0000 8000 6400 "
                            "4300 6F00 7000 6900 6500 7200 2000 9221 2000 E900 0000")));
  EXPECT_EQ(DescribeVersionTree(ReadVersionTree(FindEntry(entries, "#16", "#1").data)),
            "VS_VERSION_INFO { S { Cl\xC3\xA9 \"r\xC3\xA9sum\xC3\xA9\\0\" } }");
  // L"\xE9" is é, held as C3 A9; "\xC3\xA9" in Windows-1252 is Ã©, in UTF-8 é.
  const std::string script = "STRINGTABLE { 1 L\"\\xE9\"\n 2 \"\\xC3\\xA9\" }\n";
  result = CompileFiles({{"a.rc", script}}, "CP1252");
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
