// The bytes of a .res file: the leading entry, resource headers with ordinal and string
// identifiers, padding, data sizes patched in afterwards.
#include "output/res_writer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

#include "reader/diagnostics.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

using test::FromHex;
using test::HexRows;

TEST(ResWriterTest, HeaderNamesAndIdentifierOrdinals) {
  // Names are padded to 4 bytes; X1 and XFF are hexadecimal numbers, quoted digits stay a
  // string, quotes around another name are removed; a quoted type is written as it is.
  const std::string tail = "00000000 3010 0904 00000000 00000000";
  const std::vector<std::tuple<std::u16string, std::u16string, std::string>> cases = {
      {u"MYTYPE", u"1", "2C000000 4D005900 54005900 50004500 0000 FFFF0100 0000"},
      {u"6", u"\"ABC\"", "24000000 FFFF0600 41004200 43000000"},
      {u"6", u"X1", "20000000 FFFF0600 FFFF0100"},
      {u"\"7\"", u"1", "24000000 22003700 22000000 FFFF0100"},
  };
  for (const auto& [type, name, hex] : cases) {
    TOutputBuffer entry;
    WriteResourceHeader(entry, 0, type, name, 0, 0x1030, 0x0409, 0, 0);
    EXPECT_EQ(HexRows(entry.Bytes()), HexRows(FromHex("00000000 " + hex + tail))) << hex;
  }
  // The ordinal of each text, -1 for a text that is no ordinal.
  const std::vector<std::pair<std::u16string, int>> ordinals = {
      {u"  7", 7},         {u"-1", 0xFFFF}, {u"65537", 1}, {u"$1f", 0x1F}, {u"X1", 1}, {u"0xFFFFFFFF", 0xFFFF},
      {u"2147483648", -1}, {u"", -1},       {u"-x1", -1},  {u"\t7", -1},
  };
  for (const auto& [text, expected] : ordinals) {
    std::uint16_t value = 0;
    EXPECT_EQ(IdentifierOrdinal(text, value) ? value : -1, expected) << std::string(text.begin(), text.end());
  }
}

// Headers of two ordinals written in one piece against the general writer, at every alignment.
TEST(ResWriterTest, OrdinalsHeadersMatchTheGeneralWriter) {
  for (std::size_t lead : {0u, 1u, 2u, 3u}) {
    for (auto [type, name] : {std::pair{6, 1}, {6, 4096}, {0xFFFF, 0}}) {
      TOutputBuffer fast, general;
      fast.WriteBytes(std::string(lead, '\x55'));
      general.WriteBytes(std::string(lead, '\x55'));
      WriteOrdinalsHeader(fast, 0x1234, static_cast<std::uint16_t>(type), static_cast<std::uint16_t>(name), 5, 0x1030,
                          0x0409, 7, 9);
      std::string typeDigits = std::to_string(type), nameDigits = std::to_string(name);
      std::u16string typeText(typeDigits.begin(), typeDigits.end()), nameText(nameDigits.begin(), nameDigits.end());
      WriteResourceHeader(general, 0x1234, typeText, nameText, 5, 0x1030, 0x0409, 7, 9);
      EXPECT_EQ(HexRows(fast.Bytes()), HexRows(general.Bytes())) << lead << " " << type << " " << name;
    }
  }
}

// A large image is mapped from a 2 MiB boundary; whatever its room, what was written
// survives every growth.
TEST(ResWriterTest, ImagesKeepTheirBytesAsTheyGrow) {
  constexpr std::size_t kMiB = 1 << 20;
  for (std::size_t reserved : {std::size_t{0}, 4 * kMiB - 1, 4 * kMiB, 9 * kMiB + 5}) {
    TOutputBuffer out;
    out.Reserve(reserved);
    bool large = reserved >= 4 * kMiB;
    std::string bytes;
    for (std::size_t i = 0; bytes.size() < reserved + 3 * kMiB; ++i) bytes += static_cast<char>(i * 7 % 127);
    for (std::size_t at = 0; at < bytes.size(); at += kMiB / 2 + 3) {
      out.WriteBytes(std::string_view(bytes).substr(at, kMiB / 2 + 3));
      if (large && at == 0) {
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(out.Bytes().data()) % (2 * kMiB), 0u) << reserved;
      }
    }
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), out.Bytes().begin(), out.Bytes().end())) << reserved;
  }
}

// A header written with size 0, then `size` data bytes, then PatchDataSize.
TOutputBuffer PatchedEntry(std::size_t size) {
  TOutputBuffer out;
  WriteLeadingEntry(out);
  WriteResourceHeader(out, 0, u"10", u"1", 0, 0x30, 0, 0, 0);
  out.WriteBytes(std::string(size, 'x'));
  PatchDataSize(out, 32, 64);
  return out;
}

TEST(ResWriterTest, PaddingAndPatchedSizes) {
  TOutputBuffer out = PatchedEntry(5);
  EXPECT_EQ(HexRows({out.Bytes().begin() + 32, out.Bytes().begin() + 40}), HexRows(FromHex("05000000 20000000")));
  EXPECT_EQ(HexRows({out.Bytes().begin() + 64, out.Bytes().end()}), HexRows(FromHex("78787878 78000000")));
  EXPECT_EQ(test::ErrorOf([] { PatchedEntry(65536); }),
            "Resource data of 65536 bytes exceeds the limit of 65535 bytes");
  for (auto [value, rounded] : {std::pair{0, 0}, {1, 4}, {3, 4}, {8, 8}, {-3, -3}, {2147483644, 2147483644}})
    EXPECT_EQ(RoundUpToDword(value), rounded);
  EXPECT_THROW(RoundUpToDword(2147483645), TCompileError);  // no 32-bit result exists
}

// Bytes appended from an open file: a file that ends early or a closed descriptor appends nothing.
TEST(ResWriterTest, BytesTakenFromAFile) {
  test::TTempDir dir;
  dir.Write("data", "0123456789");
  int fd = open(dir.File("data").c_str(), O_RDONLY);
  TOutputBuffer file;
  file.WriteBytes("ab");
  int error = -1;
  EXPECT_TRUE(file.AppendFromFile(fd, 3, 5, error));
  EXPECT_FALSE(file.AppendFromFile(fd, 8, 3, error));  // the file ends first: nothing appended
  EXPECT_EQ(error, 0);
  close(fd);
  EXPECT_FALSE(file.AppendFromFile(fd, 0, 1, error));
  EXPECT_EQ(error, EBADF);
  std::vector<std::uint8_t> bytes = file.TakeBytes();
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "ab34567");
  EXPECT_EQ(file.Size(), 0u);
}

}  // namespace
}  // namespace tarvex
