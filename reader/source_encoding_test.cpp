#include "reader/source_encoding.h"

#include <gtest/gtest.h>

#include "reader/parser.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

std::string Utf16(const std::u16string& text, bool little, bool mark) {
  std::string bytes = mark ? (little ? "\xFF\xFE" : "\xFE\xFF") : "";
  for (char16_t unit : text) {
    char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
    bytes += little ? std::string{low, high} : std::string{high, low};
  }
  return bytes;
}

std::string Decoded(std::string bytes) {
  std::size_t offset = 0;
  EXPECT_TRUE(DecodeSourceText(bytes, DetectSourceEncoding(bytes), offset));
  return bytes;
}

TEST(SourceEncodingTest, EveryEncodingGivesTheSameTextIllFormedUtf16IsRefused) {
  // Without a mark, the first line tells: keep it to characters below U+0100.
  const std::string utf8 = "// caf\xC3\xA9\r\n1 RCDATA { \"\xC3\xA9\xF0\x9D\x84\x9E\" }\r\n";
  const std::u16string units = u"// caf\u00E9\r\n1 RCDATA { \"\u00E9\U0001D11E\" }\r\n";
  EXPECT_EQ(Decoded(utf8), utf8);
  EXPECT_EQ(Decoded("\xEF\xBB\xBF" + utf8), utf8);
  EXPECT_EQ(Decoded(Utf16(units, true, true)), utf8);
  EXPECT_EQ(Decoded(Utf16(units, true, false)), utf8);
  EXPECT_EQ(Decoded(Utf16(units, false, true)), utf8);
  // Detection looks at the first line only.
  EXPECT_EQ(DetectSourceEncoding(std::string("a\0\n\0b\x01", 6)), TSourceEncoding::Utf16LE);
  EXPECT_EQ(DetectSourceEncoding(std::string("ab\n", 3)), TSourceEncoding::Bytes);
  EXPECT_EQ(DetectSourceEncoding(std::string("\0\0", 2)), TSourceEncoding::Bytes);
  EXPECT_EQ(DetectSourceEncoding(""), TSourceEncoding::Bytes);
  for (std::string bytes :
       {std::string("\xFF\xFE\x61", 3), Utf16(u"a\xD800", true, true), Utf16(u"\xDC00x", true, true)}) {
    std::size_t offset = 99;
    EXPECT_FALSE(DecodeSourceText(bytes, DetectSourceEncoding(bytes), offset));
    EXPECT_NE(offset, 99u);
  }
  test::TTempDir dir;
  dir.Write("a.rc", Utf16(u"a\xD800", true, true));
  dir.Write("b.rc", Utf16(u"x", true, true));
  test::TWorkingDirectory cwd(dir.Path());
  TRCParser parser;
  EXPECT_TRUE(OpenSourceFile(parser, "b.rc").fromUtf16);
  EXPECT_EQ(parser.currentFile->text, "x");
  EXPECT_EQ(test::ErrorOf([&] { OpenSourceFile(parser, "a.rc"); }), "File a.rc is not valid UTF-16 (offset 4)");
}

}  // namespace
}  // namespace tarvex
