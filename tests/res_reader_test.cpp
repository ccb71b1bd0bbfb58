#include "tests/res_reader.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>

#include "output/res_writer.h"
#include "tests/test_support.h"

namespace tarvex::test {
namespace {

// The leading entry, a 5-byte resource with a string type and quoted name, and an
// ordinal entry whose size is back-patched.
std::vector<std::uint8_t> SampleImage() {
  TOutputBuffer out;
  WriteLeadingEntry(out);
  WriteResourceHeader(out, 5, u"MYTYPE", u"\"42\"", 0, 0x1030, 0x0409, 7, 9);
  out.WriteBytes("ABCDE");
  PadToDword(out);
  std::size_t headerStart = out.Position();
  WriteResourceHeader(out, 0, u"10", u"X1", 0, 0x0030, 0, 0, 0);
  std::size_t dataStart = out.Position();
  out.WriteBytes(std::string_view("\x01\x02", 2));
  PatchDataSize(out, headerStart, dataStart);
  return out.Bytes();
}

TEST(ResReaderTest, DecodesWhatTheWriterWrote) {
  std::vector<TResEntry> entries = ReadResImage(SampleImage());
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].Describe(),
            "type=MYTYPE name=42 flags=0x1030 language=0x0409 version=7 characteristics=9 size=5");
  EXPECT_EQ(entries[0].offset, 32u);
  EXPECT_EQ(entries[0].headerSize, 44u);
  EXPECT_EQ(entries[0].data, FromHex("4142434445"));
  EXPECT_FALSE(entries[0].name.isOrdinal);
  EXPECT_EQ(entries[1].Describe(), "type=#10 name=#1 flags=0x0030 language=0x0000 version=0 characteristics=0 size=2");
  EXPECT_EQ(FindEntry(entries, "#10", "#1").data, FromHex("0102"));
  EXPECT_THROW(FindEntry(entries, "#10", "#2"), std::runtime_error);
  EXPECT_TRUE(ReadResImage(FromHex("00000000 20000000 FFFF0000 FFFF0000 00000000 00000000 00000000 00000000")).empty());
}

// Every cut but those after whole entries, and every corrupted header field.
TEST(ResReaderTest, RefusesCutsAndMalformedHeaders) {
  std::vector<std::uint8_t> image = SampleImage();
  for (std::size_t length = 0; length < image.size(); ++length) {
    if (length == 32 || length == 32 + 44 + 8) continue;  // whole entries: a valid, shorter file
    EXPECT_THROW(ReadResImage({image.begin(), image.begin() + std::ptrdiff_t(length)}), std::runtime_error) << length;
  }
  // The leading entry's HeaderSize, a HeaderSize that disagrees, a padding byte that is not
  // zero, a DataSize beyond the end.
  const std::pair<std::size_t, std::uint8_t> corruptions[] = {{4, 0x24}, {36, 0x2D}, {32 + 44 + 5, 1}, {32, 0xFF}};
  for (auto [at, value] : corruptions) {
    std::vector<std::uint8_t> corrupt = image;
    corrupt[at] = value;
    EXPECT_THROW(ReadResImage(corrupt), std::runtime_error) << at;
  }
}

}  // namespace
}  // namespace tarvex::test
