// Conversion to UTF-16 for every family of code pages, invalid bytes and surrogates.
#include <gtest/gtest.h>

#include "reader/diagnostics.h"
#include "reader/utf16.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

// Text converted from `charset`, or the error text.
std::u16string Converted(std::string_view text, const std::string& charset) {
  std::u16string converted;
  std::string error = test::ErrorOf([&] { converted = ToUtf16(text, charset); });
  return error.empty() ? converted : std::u16string(error.begin(), error.end());
}

// One row per family: Windows pages, the ISO and ASCII numbers, UTF-8 and the double-byte
// sets, each with characters beyond ASCII; then numbers that name no page, and bytes the
// set in force refuses.
TEST(Utf16TableTest, CodePageFamilies) {
  const std::tuple<std::string, std::string, std::string, std::u16string> cases[] = {
      {"1252", "CP1252", "caf\xE9 \x80", u"caf\u00E9 \u20AC"},
      {"28605", "ISO-8859-15", "\xA4", u"\u20AC"},
      {"20127", "ASCII", "abc", u"abc"},
      {"65001", "UTF-8", "\xE2\x82\xAC\xF0\x9D\x84\x9E", u"\u20AC\U0001D11E"},
      {"932", "CP932", "\x95\x5C\x61\x82\xA0", u"\u8868a\u3042"},  // the 5C trail byte, then a
      {"950", "CP950", "\xA4\x40", u"\u4E00"},
      {"1361", "CP1361", "\x88\x61", u"\uAC00"},
  };
  for (const auto& [page, expectedCharset, text, expected] : cases) {
    std::string charset;
    EXPECT_TRUE(CodePageCharset(page, charset) && charset == expectedCharset) << page << " " << charset;
    EXPECT_EQ(Converted(text, charset), expected) << page;
  }
  std::string unchanged = "kept";
  for (const char* wrong : {"", "12a", "123456", "12345", "-1252"}) EXPECT_FALSE(CodePageCharset(wrong, unchanged));
  EXPECT_EQ(unchanged, "kept");
  // Bytes a set refuses stop the conversion with the text, the offset and the way out.
  const std::string cannot = "Cannot convert text to UTF-16: ";
  const std::string hint = "; name the script's code page with #pragma code_page(N) or the option -c<N>";
  const std::string refused[][3] = {
      {"UTF-8", "\xED\xA0\x80",
       cannot + "\"\\xED\\xA0\\x80\" (byte 0xED at offset 0 is not valid UTF-8)" + hint},  // a surrogate
      {"UTF-8", "\xC0\xAF", cannot + "\"\\xC0\\xAF\" (byte 0xC0 at offset 0 is not valid UTF-8)" + hint},  // overlong
      {"UTF-8", "a\xF4\x90\x80\x80",
       cannot + "\"a\\xF4\\x90\\x80\\x80\" (byte 0xF4 at offset 1 is not valid UTF-8)" + hint},  // past U+10FFFF
      {"UTF-8", "\xE2\x82", cannot + "\"\\xE2\\x82\" (incomplete UTF-8 character at offset 0)" + hint},
      {"CP932", "a\x82", cannot + "\"a\\x82\" (incomplete CP932 character at offset 1)" + hint},
      {"ASCII", "\x80", cannot + "\"\\x80\" (byte 0x80 at offset 0 is not valid ASCII)" + hint},
      {"CP1253", "\xAA", cannot + "\"\\xAA\" (byte 0xAA at offset 0 is not valid CP1253)" + hint},
      {"NO-SUCH-SET", "\xE9", cannot + "no conversion from the character set NO-SUCH-SET"},
  };
  for (const auto& [charset, text, error] : refused)
    EXPECT_EQ(Converted(text, charset), std::u16string(error.begin(), error.end())) << charset;
}

// Lead bytes of the double-byte sets at both ends of each range.
TEST(Utf16TableTest, LeadBytes) {
  const std::tuple<std::string, TDoubleByteSet, std::vector<unsigned char>, std::vector<unsigned char>> cases[] = {
      {"SHIFT_JIS", TDoubleByteSet::ShiftJis, {0x81, 0x9F, 0xE0, 0xFC}, {0x80, 0xA0, 0xDF, 0xFD, 0x5C}},
      {"cp1361", TDoubleByteSet::Johab, {0x84, 0xD3, 0xD8, 0xDE, 0xE0, 0xF9}, {0x83, 0xD4, 0xD7, 0xDF, 0xFA}},
      {"BIG5", TDoubleByteSet::Other, {0x81, 0xFE}, {0x80, 0xFF}},
      {"CP1252", TDoubleByteSet::None, {}, {0x81, 0xFE}},
  };
  for (const auto& [charset, set, leads, others] : cases) {
    EXPECT_EQ(DoubleByteSetOf(charset), set) << charset;
    for (unsigned char byte : leads) EXPECT_TRUE(IsLeadByte(set, byte)) << charset << " " << int(byte);
    for (unsigned char byte : others) EXPECT_FALSE(IsLeadByte(set, byte)) << charset << " " << int(byte);
  }
}

}  // namespace
}  // namespace tarvex
