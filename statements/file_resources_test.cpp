#include "statements/file_resources.h"

#include <gtest/gtest.h>

#include "statements/compile_api.h"
#include "tests/statement_checks.h"

namespace tarvex {
namespace {

using test::DescribeAll;
using test::EntriesIn;
using test::FailureIn;
using test::Image;
using test::ImageFile;
using test::TTempDir;
using test::U16;
using test::U32;

std::string Padded(const std::string& bytes) { return bytes + std::string((4 - bytes.size() % 4) % 4, '\0'); }

std::string Bytes(const test::TResEntry& entry) { return std::string(entry.data.begin(), entry.data.end()); }

// A PNG image of `size` bytes: signature, IHDR chunk (width, height, bit depth 8 and
// the colour type), then filler. The compiler copies PNG images and reads only the IHDR.
std::string PngImage(std::size_t size, std::uint32_t width, std::uint32_t height, unsigned colourType = 6) {
  auto bigEndian = [](std::uint32_t value) {
    return std::string{static_cast<char>(value >> 24), static_cast<char>(value >> 16 & 0xFF),
                       static_cast<char>(value >> 8 & 0xFF), static_cast<char>(value & 0xFF)};
  };
  std::string png = std::string("\x89PNG\r\n\x1A\n", 8) + bigEndian(13) + "IHDR" + bigEndian(width) +
                    bigEndian(height) + std::string{8, static_cast<char>(colourType), 0, 0, 0};
  std::string image(size, '\x5C');
  for (std::size_t i = 0; i < image.size(); i += 4099) image[i] = static_cast<char>(i / 4099);  // no repeating runs
  image.replace(0, std::min(size, png.size()), png.substr(0, std::min(size, png.size())));
  return image;
}

TEST(FileResourceTest, IconAndCursorFilesGiveImagesThenGroup) {
  TTempDir dir;
  // The second image has an odd size: the third must be read right after it.
  std::vector<std::string> images = {Image(40, 16, 32, 0xA1), Image(41, 32, 64, 0xB2), Image(44, 48, 96, 0xC3)};
  std::string file = ImageFile(1, images);
  dir.Write("app.ico", file);
  std::vector<test::TResEntry> entries = EntriesIn(dir, "app ICON LANGUAGE 9, 1 \"app.ico\"");
  EXPECT_EQ(DescribeAll(entries),
            "type=#3 name=#1 flags=0x1030 language=0x0409 version=0 characteristics=0 size=40\n"
            "type=#3 name=#2 flags=0x1030 language=0x0409 version=0 characteristics=0 size=44\n"
            "type=#3 name=#3 flags=0x1030 language=0x0409 version=0 characteristics=0 size=44\n"
            "type=#14 name=APP flags=0x1030 language=0x0409 version=0 characteristics=0 size=48\n");
  ASSERT_EQ(entries.size(), 4u);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(Bytes(entries[i]), Padded(images[i])) << i;
  std::string group = file.substr(0, 6);
  for (unsigned i = 0; i < 3; ++i) group += file.substr(6 + 16 * i, 12) + U16(i + 1);
  EXPECT_EQ(Bytes(entries[3]), Padded(group));
  // A cursor with a PNG image: the hotspot before each image.
  std::string png = PngImage(90000, 256, 128);
  std::string bitmap = Image(308, 32, 64, 0x5A);
  file = ImageFile(2, {bitmap, png}, 9, 11);
  dir.Write("big.cur", file);
  entries = EntriesIn(dir, "big CURSOR big.cur");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[1].dataSize, 90004u);
  EXPECT_TRUE(Bytes(entries[1]) == U16(9) + U16(11) + png);
  // PNG: width and height from the IHDR, the height doubled as a bitmap image's counts
  // its mask; one plane; 8 bits times 4 samples (colour type 6, RGBA).
  EXPECT_EQ(Bytes(entries[2]), Padded(file.substr(0, 6) + U16(32) + U16(64) + U16(1) + U16(4) + U32(312) + U16(1) +
                                      U16(256) + U16(256) + U16(1) + U16(32) + U32(90004) + U16(2)));
}

TEST(FileResourceTest, ImagesReadWhereTheDirectorySaysGroupBitCountOfZero) {
  TTempDir dir;
  std::vector<std::string> images = {Image(40, 16, 32, 0xA1), Image(44, 32, 64, 0xB2)};
  // The second image comes first in the file, with a gap before the first.
  dir.Write("order.ico", ImageFile(1, images, 1, 32, {200, 38}));
  dir.Write("order.cur", ImageFile(2, images, 3, 4, {200, 38}));
  for (const auto& [script, hotspot] : {std::pair<std::string, std::string>{"1 ICON order.ico", ""},
                                        std::pair<std::string, std::string>{"1 CURSOR order.cur", U16(3) + U16(4)}}) {
    std::vector<test::TResEntry> entries = EntriesIn(dir, script);
    ASSERT_EQ(entries.size(), 3u);
    for (int i : {0, 1}) EXPECT_EQ(Bytes(entries[i]), hotspot + images[i]) << script << " " << i;
  }
  // A group entry takes planes and a bit count of 0 from the image.
  std::string bitmap = Image(40, 16, 32, 0x11);  // 1 plane, 4 bits
  std::string png = PngImage(100, 256, 256);
  struct {
    std::string file;
    unsigned planes, bits;  // in the group entry
  } rows[] = {
      {ImageFile(1, {bitmap}, 0, 0), 1, 4}, {ImageFile(1, {bitmap}, 1, 0), 1, 4},
      {ImageFile(1, {bitmap}, 0, 8), 1, 8},  // a bit count given stays
      {ImageFile(1, {png}, 0, 0), 1, 32},   {ImageFile(1, {bitmap}, 1, 24), 1, 24},
  };
  for (const auto& row : rows) {
    dir.Write("a.ico", row.file);
    std::vector<test::TResEntry> entries = EntriesIn(dir, "1 ICON a.ico");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(Bytes(entries[1]).substr(6 + 4, 4), U16(row.planes) + U16(row.bits)) << row.planes << "/" << row.bits;
  }
}

// Every file a statement cannot take stops at the statement with a message naming it.
TEST(FileResourceTest, EveryFileMessage) {
  TTempDir dir;
  std::string icon = ImageFile(1, {Image(40, 16, 32, 1), Image(40, 16, 32, 2)});
  std::string png = ImageFile(1, {Image(40, 16, 32, 1), PngImage(200000, 256, 256)});
  std::string huge = png;
  const std::pair<std::string, std::string> files[] = {
      {"pics/a.bmp", "BM" + std::string(14, '\x01')},
      {"short.ico", icon.substr(0, icon.size() - 1)},
      {"huge.ico", huge.replace(6 + 16 + 8, 4, U32(0xFFFFFFFF))},
      {"app.ico", ImageFile(1, {Image(40, 16, 32, 1)})},
      {"arrow.cur", ImageFile(2, {Image(40, 16, 32, 1)})},
      {"bad.ico", ImageFile(1, {Image(40, 16, 32, 1)}).replace(2, 2, U16(3))},
      // Windows 1.x: format word, hotspot, 32 x 32 pixels, 4 bytes a row, then the bitmaps.
      {"old.ico", U16(1) + U16(0) + U16(0) + U16(32) + U16(32) + U16(4) + U16(0) + std::string(256, '\xFF')},
      {"wide.cur", ImageFile(2, {Image(40, 70000, 32, 1)})},
      {"many.cur", U16(0) + U16(2) + U16(257) + std::string(16 * 257, '\0')},
      {"grey.cur", ImageFile(2, {PngImage(100, 16, 16, 0)})},
      {"badtype.cur", ImageFile(2, {PngImage(100, 16, 16, 5)})},
      {"noihdr.cur", ImageFile(2, {PngImage(20, 16, 16)})},
  };
  for (const auto& [name, bytes] : files) dir.Write(name, bytes);
  const std::string at = "File a.rc. Line 1 : ";
  const std::pair<std::string, std::string> rows[] = {
      {"1 BITMAP \"  \"", "11@1: 11. Empty filename"},
      {"1 BITMAP <pics/a.bmp\n2 BITMAP pics/a.bmp", "10@2: 10. \">\" expected"},
      {"1 BITMAP <", "68@1: 68. Unexpected end of file"},
      {"1 BITMAP missing.bmp", "1@1: 1. Cannot open missing.bmp file"},
      {"1 ICON short.ico", at + "Read beyond end of file short.ico"},
      {"1 ICON huge.ico", at + "Read beyond end of file huge.ico"},
      {"1 ICON { '0000 0100 0100' }", at + "Read beyond end of the inline data"},
      {"1 CURSOR app.ico", at + "The file app.ico is an icon file, not a cursor file"},
      {"1 ICON arrow.cur", at + "The file arrow.cur is a cursor file, not an icon file"},
      {"1 ICON bad.ico", at + "The file bad.ico is not an icon or cursor file: its header type is 3"},
      {"1 ICON old.ico", at + "The file old.ico is a Windows 1.x/2.x icon, a format Windows no longer loads"},
      {"1 ICON { '0000 0200 0000' }", at + "The inline data is a cursor file, not an icon file"},
      {"1 CURSOR wide.cur", at + "Cursor image size 70000 does not fit in 16 bits"},
      {"1 CURSOR many.cur", at + "A cursor file holds at most 256 images, not 257"},
      {"1 CURSOR grey.cur", "compiled"},
      {"1 CURSOR badtype.cur", at + "Cursor image 1 is a PNG image of unknown colour type 5"},
      {"1 CURSOR noihdr.cur", at + "Cursor image 1 is a PNG image without its IHDR header"},
      {"1 ICON {\n'00'", "9@2: 9. \"}\" or END expected"},
      {"1 BITMAP { 'GG' }", at + "'$GG' is not a valid integer value"},
  };
  for (const auto& [script, expected] : rows) EXPECT_EQ(FailureIn(dir, script), expected) << script;
}

}  // namespace
}  // namespace tarvex
