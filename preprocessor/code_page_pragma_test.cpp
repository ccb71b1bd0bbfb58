// #pragma code_page: the character set of the string text that follows it.
#include "preprocessor/code_page_pragma.h"

#include <gtest/gtest.h>

#include "tests/statement_checks.h"

namespace tarvex {
namespace {

using test::CompileFiles;
using test::TableString;

// "café" with the Windows-1252 byte E9, and the same word in UTF-8.
const std::string kLatin1Table = "STRINGTABLE { 1 \"caf\xE9\" }\n";
const std::string kUtf8Table = "STRINGTABLE { 1 \"caf\xC3\xA9\" }\n";
const std::u16string kCafe = u"caf\u00E9";

// UTF-16LE with a byte-order mark.
std::string Utf16Le(const std::string& ascii) {
  std::string bytes = "\xFF\xFE";
  for (char c : ascii) bytes += {c, '\0'};
  return bytes;
}

TEST(CodePagePragmaTest, PagesOfTheStringsThatFollowAndBadPages) {
  struct TCase {
    std::vector<std::pair<std::string, std::string>> files;
    std::string page;  // the -c option's
    std::u16string one, two = {};
  } cases[] = {
      {{{"a.rc", "#pragma code_page(1252)\n" + kLatin1Table}}, "UTF-8", kCafe},
      // In force after the header that set it.
      {{{"a.rc", "#include \"page.h\"\n" + kLatin1Table}, {"page.h", "#pragma code_page(1252) // Western European\n"}},
       "UTF-8",
       kCafe},
      // In code page 932 the character U+8868 is 95 5C: its second byte is no escape, also
      // right before the closing quote. U+793A is 8E A6.
      {{{"a.rc", "#pragma code_page(932)\nSTRINGTABLE { 1 \"\x95\x5C\" 2 L\"\x95\x5C\x8E\xA6\\x0021\" }\n"}},
       "",
       u"\u8868",
       u"\u8868\u793A!"},
      // In a single-byte page the bytes of the 932 case are a character, then a backslash
      // before a character the escape table does not name, kept as written.
      {{{"a.rc", "#pragma code_page(1252)\nSTRINGTABLE { 1 \"\x95\x5C\x8E\xA6\" }\n"}},
       "",
       u"\u2022\\\u017D\u00A6"},
      // A pragma in a UTF-16 script does not change how the 8-bit file it includes is read.
      {{{"a.rc", Utf16Le("#pragma code_page(1252)\n#include \"b.rc\"\n")}, {"b.rc", kUtf8Table}}, "UTF-8", kCafe},
  };
  for (const TCase& c : cases) {
    TCompilation result = CompileFiles(c.files, c.page);
    ASSERT_TRUE(result.Succeeded()) << result.errorText;
    EXPECT_EQ(TableString(result.image, 1), c.one) << c.files[0].second;
    EXPECT_EQ(c.two.empty() ? c.two : TableString(result.image, 2), c.two) << c.files[0].second;
  }
  const std::string expects = "#pragma code_page expects a code page number or DEFAULT in parentheses: ";
  const std::string rows[][2] = {
      {"\n#pragma code_page(12345)\n", "File a.rc. Line 2 : Unknown code page 12345"},
      {"#pragma code_page 1252\n", "File a.rc. Line 1 : " + expects + "#pragma code_page 1252"},
  };
  for (const auto& row : rows) EXPECT_EQ(CompileFiles({{"a.rc", row[0]}}).errorText, row[1]) << row[0];
  // Text the page in force cannot convert names the text and the ways to name the page.
  std::string error = CompileFiles({{"a.rc", "#pragma code_page(65001)\n" + kLatin1Table}}).errorText;
  EXPECT_NE(error.find("\"caf\\xE9\""), std::string::npos) << error;
  EXPECT_NE(error.find("#pragma code_page(N) or the option -c<N>"), std::string::npos) << error;
}

// A backslash before a character the escape table does not name: kept with the character
// in an ordinary literal, dropped with it in a wide one (the whole character, also one of
// two bytes in a double-byte page).
TEST(EscapeTest, UnnamedCharactersAfterABackslash) {
  struct TCase {
    std::string literal, page;
    std::u16string text;
  } cases[] = {
      {"\"/ \\ | .\"", "", u"/ \\ | ."},
      {"\"\\'q\\'\"", "", u"\\'q\\'"},
      {"L\"a\\qb\"", "", u"ab"},
      {"\"x\\\xC3\xA9\"", "UTF-8", u"x\\\u00E9"},
      {"L\"y\\\xC3\xA9z\"", "UTF-8", u"yz"},
      {"L\"y\\\x95\x5Cz\"", "CP932", u"yz"},
      {"\"y\\\x95\x5Cz\"", "CP932", u"y\\\u8868z"},
  };
  for (const TCase& c : cases) {
    TCompilation result = CompileFiles({{"a.rc", "STRINGTABLE { 1 " + c.literal + " }\n"}}, c.page);
    ASSERT_TRUE(result.Succeeded()) << c.literal << ": " << result.errorText;
    EXPECT_EQ(TableString(result.image, 1), c.text) << c.literal;
  }
}

// In a script that names its encoding (UTF-16, or UTF-8 with a byte-order mark) a byte
// written as an escape is a character of the code page in force; one the page lacks is
// refused, naming the bytes.
TEST(EscapeTest, EscapedBytesOfScriptsThatNameTheirEncoding) {
  struct TCase {
    std::string script, page;
    std::u16string text;
  } cases[] = {
      {Utf16Le("STRINGTABLE { 1 \"pevn\\xFDch\" }\n"), "CP1252", u"pevn\u00FDch"},
      {Utf16Le("#pragma code_page(1250)\nSTRINGTABLE { 1 \"\\xE8\\x9Ae\" }\n"), "CP1252", u"\u010D\u0161e"},
      {Utf16Le("STRINGTABLE { 1 \"\\x82\\xA0\\n\\202\\240\" }\n"), "CP932", u"\u3042\n\u3042"},
      {"\xEF\xBB\xBFSTRINGTABLE { 1 \"\xC3\xA9\\xE9\" }\n", "CP1252", u"\u00E9\u00E9"},
  };
  for (const TCase& c : cases) {
    TCompilation result = CompileFiles({{"a.rc", c.script}}, c.page);
    ASSERT_TRUE(result.Succeeded()) << result.errorText;
    EXPECT_EQ(TableString(result.image, 1), c.text);
  }
  TCompilation result = CompileFiles({{"a.rc", Utf16Le("STRINGTABLE { 1 \"\\xFD\" }\n")}}, "CP932");
  EXPECT_NE(result.errorText.find("byte 0xFD at offset 0 is not valid CP932"), std::string::npos) << result.errorText;
}

}  // namespace
}  // namespace tarvex
