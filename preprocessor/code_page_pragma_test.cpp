// #pragma code_page: the character set of the string text that follows it.
#include "preprocessor/code_page_pragma.h"

#include <gtest/gtest.h>

#include "statements/compile_api.h"
#include "tests/res_reader.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

using test::TTempDir;
using test::TWorkingDirectory;

// Compiles a.rc with the other files of `files` in a fresh folder; `codePage` is what the
// -c option would give (an iconv name), empty for the locale's.
TCompilation CompileFiles(const std::vector<std::pair<std::string, std::string>>& files,
                          const std::string& codePage = "") {
  TTempDir dir;
  for (const auto& [name, text] : files) dir.Write(name, text);
  TWorkingDirectory cwd(dir.Path());
  TCompileOptions options;
  options.codePage = codePage;
  return CompileToImage("a.rc", {}, options);
}

// String `id` of the image's string tables as UTF-8 ("?" when there is none).
std::string StringOf(const TCompilation& result, std::uint16_t id) {
  std::vector<test::TResEntry> entries = test::ReadResImage(result.image);
  const std::vector<std::uint8_t>& data = test::FindEntry(entries, "#6", "#" + std::to_string(id / 16 + 1)).data;
  std::size_t at = 0;
  for (std::uint16_t index = 0; at + 2 <= data.size(); ++index) {
    std::size_t length = data[at] | data[at + 1] << 8;
    at += 2;
    if (index == id % 16) {
      std::u16string units;
      for (std::size_t i = 0; i < length && at + 2 * i + 1 < data.size(); ++i)
        units.push_back(static_cast<char16_t>(data[at + 2 * i] | data[at + 2 * i + 1] << 8));
      return test::Utf16ToUtf8(units);
    }
    at += 2 * length;
  }
  return "?";
}

// "café" with the Windows-1252 byte E9, and the same word in UTF-8.
constexpr char kLatin1Table[] = "STRINGTABLE { 1 \"caf\xE9\" }\n";
constexpr char kUtf8Cafe[] = "caf\xC3\xA9";

TEST(CodePagePragmaTest, SelectsTheCharacterSetOfTheStringsThatFollow) {
  TCompilation result = CompileFiles({{"a.rc", std::string("#pragma code_page(1252)\n") + kLatin1Table}}, "UTF-8");
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  EXPECT_EQ(StringOf(result, 1), kUtf8Cafe);

  // 65001 is UTF-8, whatever the -c option said.
  result = CompileFiles({{"a.rc", "#pragma code_page(65001)\nSTRINGTABLE { 1 \"caf\xC3\xA9\" }\n"}}, "CP1252");
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  EXPECT_EQ(StringOf(result, 1), kUtf8Cafe);

  // Without a pragma the -c option's page applies.
  result = CompileFiles({{"a.rc", kLatin1Table}}, "CP1252");
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  EXPECT_EQ(StringOf(result, 1), kUtf8Cafe);
}

TEST(CodePagePragmaTest, HoldsInIncludedFilesAndAfterThem) {
  // Set in the script, in force in the file it includes.
  TCompilation result =
      CompileFiles({{"a.rc", "#pragma code_page(1252)\n#include \"strings.rc\"\n"}, {"strings.rc", kLatin1Table}});
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  EXPECT_EQ(StringOf(result, 1), kUtf8Cafe);
  // Set in a header, in force after it in the script.
  result = CompileFiles({{"a.rc", std::string("#include \"page.h\"\n") + kLatin1Table},
                         {"page.h", "#pragma code_page(1252) // Western European\n"}},
                        "UTF-8");
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  EXPECT_EQ(StringOf(result, 1), kUtf8Cafe);
}

TEST(CodePagePragmaTest, DefaultReturnsToThePageOfTheStart) {
  TCompilation result = CompileFiles({{"a.rc",
                                       "#pragma code_page(65001)\nSTRINGTABLE { 1 \"caf\xC3\xA9\" }\n"
                                       "#pragma code_page( default )\nSTRINGTABLE { 2 \"caf\xE9\" }\n"}},
                                     "CP1252");
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  EXPECT_EQ(StringOf(result, 1), kUtf8Cafe);
  EXPECT_EQ(StringOf(result, 2), kUtf8Cafe);
}

TEST(CodePagePragmaTest, BadPagesStopWithTheirLine) {
  EXPECT_EQ(CompileFiles({{"a.rc", "\n#pragma code_page(12345)\n"}}).errorText,
            "File a.rc. Line 2 : Unknown code page 12345");
  EXPECT_EQ(CompileFiles({{"a.rc", "#pragma code_page(cp1252)\n"}}).errorText,
            "File a.rc. Line 1 : Unknown code page cp1252");
  EXPECT_EQ(CompileFiles({{"a.rc", "#pragma code_page 1252\n"}}).errorText,
            "File a.rc. Line 1 : #pragma code_page expects a code page number or DEFAULT in parentheses: "
            "#pragma code_page 1252");
  EXPECT_EQ(CompileFiles({{"a.rc", "#pragma code_page()\n"}}).errorText,
            "File a.rc. Line 1 : #pragma code_page expects a code page number or DEFAULT in parentheses: "
            "#pragma code_page()");
  // Text the page in force cannot convert names the text and the ways to name the page.
  std::string error = CompileFiles({{"a.rc", std::string("#pragma code_page(65001)\n") + kLatin1Table}}).errorText;
  EXPECT_NE(error.find("\"caf\\xE9\""), std::string::npos) << error;
  EXPECT_NE(error.find("#pragma code_page(N) or the option -c<N>"), std::string::npos) << error;
}

TEST(CodePagePragmaTest, DoubleByteCharactersEndingInABackslashByteStayWhole) {
  // In code page 932 the character U+8868 is 95 5C: its second byte is no escape, also
  // right before the closing quote. U+793A is 8E A6.
  TCompilation result = CompileFiles(
      {{"a.rc", "#pragma code_page(932)\nSTRINGTABLE { 1 \"\x95\x5C\" 2 L\"\x95\x5C\x8E\xA6\\x0021\" }\n"}});
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  EXPECT_EQ(StringOf(result, 1), "\xE8\xA1\xA8");
  EXPECT_EQ(StringOf(result, 2), "\xE8\xA1\xA8\xE7\xA4\xBA!");
  // In a single-byte page the same bytes are a character and an escape.
  result = CompileFiles({{"a.rc", "#pragma code_page(1252)\nSTRINGTABLE { 1 \"\x95\x5C\x8E\xA6\" }\n"}});
  EXPECT_EQ(result.errorNumber, 27) << result.errorText;
}

TEST(CodePagePragmaTest, OtherPragmasHaveNoEffect) {
  TCompilation result =
      CompileFiles({{"a.rc", "#pragma once\n#pragma pack(1)\n#pragma code_pages(12345)\n#pragma warning(disable: 4)\n" +
                                 std::string(kLatin1Table)}},
                   "CP1252");
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  EXPECT_EQ(StringOf(result, 1), kUtf8Cafe);
}

// UTF-16LE with a byte-order mark.
std::string Utf16Le(const std::string& ascii) {
  std::string bytes = "\xFF\xFE";
  for (char c : ascii) {
    bytes += c;
    bytes += '\0';
  }
  return bytes;
}

TEST(CodePagePragmaTest, HasNoEffectInsideAUtf16File) {
  // The pragma an editor saved in a UTF-16 script does not change how the 8-bit file it
  // includes is read: that file's UTF-8 bytes stay one character.
  TCompilation result = CompileFiles({{"a.rc", Utf16Le("#pragma code_page(1252)\n#include \"b.rc\"\n")},
                                      {"b.rc", "STRINGTABLE { 1 \"caf\xC3\xA9\" }\n"}},
                                     "UTF-8");
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  EXPECT_EQ(StringOf(result, 1), kUtf8Cafe);
  // Not even an unknown page is looked at.
  result = CompileFiles({{"a.rc", Utf16Le("#pragma code_page(12345)\n")}});
  EXPECT_TRUE(result.Succeeded()) << result.errorText;
}

}  // namespace
}  // namespace tarvex
