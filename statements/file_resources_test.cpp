#include "statements/file_resources.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "statements/compile_api.h"
#include "tests/statement_checks.h"

namespace tarvex {
namespace {

using test::DescribeAll;
using test::EntriesIn;
using test::FailureIn;
using test::HexRows;
using test::Image;
using test::ImageFile;
using test::TTempDir;
using test::U16;
using test::U32;

// The file's bytes as a single-quoted hex block, split over several strings.
std::string HexBlock(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string block = "{\n";
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i % 16 == 0) block += (i ? "'\n '" : " '");
    block += digits[static_cast<unsigned char>(bytes[i]) >> 4];
    block += digits[static_cast<unsigned char>(bytes[i]) & 15];
  }
  return block + (bytes.empty() ? "" : "'") + "\n}";
}

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

TEST(FileResourceTest, IconFileGivesImagesThenGroup) {
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
}

TEST(FileResourceTest, ImageIdsRunOverTheWholeCompilation) {
  TTempDir dir;
  dir.Write("two.ico", ImageFile(1, {Image(40, 16, 32, 1), Image(40, 16, 32, 2)}));
  dir.Write("one.cur", ImageFile(2, {Image(40, 16, 32, 3)}));
  std::string identifiers;
  for (const test::TResEntry& entry :
       EntriesIn(dir, "1 ICON two.ico\n1 CURSOR one.cur\n2 ICON \"two.ico\"\n2 12 one.cur\n"))
    identifiers += entry.type.Printable() + ":" + entry.name.Printable() + " ";
  EXPECT_EQ(identifiers, "#3:#1 #3:#2 #14:#1 #1:#1 #12:#1 #3:#3 #3:#4 #14:#2 #1:#2 #12:#2 ");
}

TEST(FileResourceTest, IconWithoutImagesIsOnlyItsGroup) {
  TTempDir dir;
  dir.Write("empty.ico", ImageFile(1, {}));
  std::vector<test::TResEntry> entries = EntriesIn(dir, "1 ICON empty.ico");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].dataSize, 8u);
  EXPECT_EQ(HexRows(entries[0].data), "00000100 00000000");
}

TEST(FileResourceTest, CursorImagesCarryTheirHotspot) {
  TTempDir dir;
  std::string image = Image(308, 32, 64, 0x5A);
  std::string file = ImageFile(2, {image}, 5, 7);
  dir.Write("arrow.cur", file);
  std::vector<test::TResEntry> entries = EntriesIn(dir, "arrow CURSOR DISCARDABLE arrow.cur");
  EXPECT_EQ(DescribeAll(entries),
            "type=#1 name=#1 flags=0x1030 language=0x0000 version=0 characteristics=0 size=312\n"
            "type=#12 name=ARROW flags=0x1030 language=0x0000 version=0 characteristics=0 size=20\n");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(Bytes(entries[0]), U16(5) + U16(7) + image);
  // width, height, planes, bit count from the image's header; size with the hotspot; id
  EXPECT_EQ(Bytes(entries[1]), Padded(file.substr(0, 6) + U16(32) + U16(64) + U16(1) + U16(4) + U32(312) + U16(1)));
}

TEST(FileResourceTest, BitmapDropsItsFileHeader) {
  TTempDir dir;
  std::string file(1000, '\x11');
  file.replace(0, 2, "BM");
  dir.Write("a.bmp", file);
  std::vector<test::TResEntry> entries = EntriesIn(dir, "logo BITMAP a.bmp\nlogo2 BITMAP DISCARDABLE a.bmp");
  EXPECT_EQ(DescribeAll(entries),
            "type=#2 name=LOGO flags=0x0030 language=0x0000 version=0 characteristics=0 size=988\n"
            "type=#2 name=LOGO2 flags=0x1030 language=0x0000 version=0 characteristics=0 size=988\n");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(Bytes(entries[0]), file.substr(14) + std::string(2, '\0'));
}

TEST(FileResourceTest, InlineBlocksEqualTheirFiles) {
  TTempDir dir;
  std::string icon = ImageFile(1, {Image(41, 16, 32, 7), Image(40, 32, 64, 8)});
  std::string cursor = ImageFile(2, {Image(37, 16, 32, 9)}, 3, 4);
  std::string bitmap = "BM" + std::string(20, '\x42') + "\x01\x02\x03";
  dir.Write("i.ico", icon);
  dir.Write("c.cur", cursor);
  dir.Write("b.bmp", bitmap);
  std::vector<test::TResEntry> fromFiles = EntriesIn(dir, "1 ICON i.ico\n1 CURSOR c.cur\n1 BITMAP b.bmp\n");
  std::vector<test::TResEntry> inline_ = EntriesIn(
      dir, "1 ICON " + HexBlock(icon) + "\n1 CURSOR " + HexBlock(cursor) + "\n1 BITMAP " + HexBlock(bitmap) + "\n");
  ASSERT_EQ(fromFiles.size(), inline_.size());
  for (std::size_t i = 0; i < fromFiles.size(); ++i) {
    EXPECT_EQ(fromFiles[i].Describe(), inline_[i].Describe());
    EXPECT_EQ(fromFiles[i].data, inline_[i].data);
  }
  // Odd groups gain a zero before their last digit: 4D 5A9 is 4D 5A 09, ABC is AB 0C.
  std::vector<test::TResEntry> odd = EntriesIn(dir, "1 BITMAP { '4D 5A9', '00000000 00000000 000000' 'ABC' }");
  ASSERT_EQ(odd.size(), 1u);
  EXPECT_EQ(HexRows(odd[0].data), "AB0C0000");
}

TEST(FileResourceTest, FileNameForms) {
  TTempDir dir;
  dir.Write("pics/a.bmp", "BM" + std::string(14, '\x01'));
  EXPECT_EQ(EntriesIn(dir,
                      "1 BITMAP \"  pics/a.bmp\t\"\n"
                      "2 BITMAP < pics/a.bmp >\n"
                      "3 BITMAP <pics/a.bmp>\n"
                      "4 BITMAP pics/a.bmp\r\n"
                      "5 BITMAP \"pics/a.bmp\"\r\n"
                      "6 BITMAP pics/a.bmp")
                .size(),
            6u);
}

// An icon or cursor file whose images lie at the given offsets, in that order of the
// directory; what lies between them is filler the compiler must not take.
std::string ImageFileAt(unsigned type, const std::vector<std::string>& images, const std::vector<std::size_t>& offsets,
                        unsigned planes = 1, unsigned bits = 32) {
  std::string file = U16(0) + U16(type) + U16(static_cast<unsigned>(images.size()));
  for (std::size_t i = 0; i < images.size(); ++i)
    file += std::string{16, 32, 0, 0} + U16(planes) + U16(bits) + U32(static_cast<std::uint32_t>(images[i].size())) +
            U32(static_cast<std::uint32_t>(offsets[i]));
  for (std::size_t i = 0; i < images.size(); ++i) {
    if (file.size() < offsets[i] + images[i].size()) file.resize(offsets[i] + images[i].size(), '\xEE');
    file.replace(offsets[i], images[i].size(), images[i]);
  }
  return file;
}

TEST(FileResourceTest, ImagesAreReadWhereTheDirectorySays) {
  TTempDir dir;
  std::vector<std::string> images = {Image(40, 16, 32, 0xA1), Image(44, 32, 64, 0xB2)};
  // The second image comes first in the file, with a gap before the first.
  dir.Write("order.ico", ImageFileAt(1, images, {200, 38}));
  dir.Write("order.cur", ImageFileAt(2, images, {200, 38}, 3, 4));
  std::vector<test::TResEntry> icon = EntriesIn(dir, "1 ICON order.ico");
  ASSERT_EQ(icon.size(), 3u);
  EXPECT_EQ(Bytes(icon[0]), images[0]);
  EXPECT_EQ(Bytes(icon[1]), images[1]);
  std::vector<test::TResEntry> cursor = EntriesIn(dir, "1 CURSOR order.cur");
  ASSERT_EQ(cursor.size(), 3u);
  EXPECT_EQ(Bytes(cursor[0]), U16(3) + U16(4) + images[0]);
  EXPECT_EQ(Bytes(cursor[1]), U16(3) + U16(4) + images[1]);
}

TEST(FileResourceTest, GroupTakesPlanesAndBitCountOfZeroFromTheImage) {
  TTempDir dir;
  std::string bitmap = Image(40, 16, 32, 0x11);  // 1 plane, 4 bits
  std::string png = PngImage(100, 256, 256);
  struct {
    std::string file;
    unsigned planes, bits;  // in the group entry
  } rows[] = {
      {ImageFileAt(1, {bitmap}, {22}, 0, 0), 1, 4}, {ImageFileAt(1, {bitmap}, {22}, 1, 0), 1, 4},
      {ImageFileAt(1, {bitmap}, {22}, 0, 8), 1, 8},  // a bit count given stays
      {ImageFileAt(1, {png}, {22}, 0, 0), 1, 32},   {ImageFileAt(1, {bitmap}, {22}, 1, 24), 1, 24},
  };
  for (const auto& row : rows) {
    dir.Write("a.ico", row.file);
    std::vector<test::TResEntry> entries = EntriesIn(dir, "1 ICON a.ico");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(Bytes(entries[1]).substr(6 + 4, 4), U16(row.planes) + U16(row.bits)) << row.planes << "/" << row.bits;
  }
}

TEST(FileResourceTest, LimitsOfIconAndCursorFiles) {
  TTempDir dir;
  dir.Write("far.ico", ImageFile(1, {Image(70000, 16, 32, 1), Image(40, 16, 32, 2)}));
  dir.Write("big.ico", ImageFile(1, {Image(70000, 16, 32, 1)}));
  // Images beyond the first 64 KB of the file are read where they lie.
  std::vector<test::TResEntry> far = EntriesIn(dir, "1 ICON far.ico");
  ASSERT_EQ(far.size(), 3u);
  EXPECT_EQ(Bytes(far[1]), Image(40, 16, 32, 2));
  EXPECT_EQ(far[0].dataSize, 70000u);
  EXPECT_EQ(EntriesIn(dir, "1 ICON big.ico").size(), 2u);
}

// A file of `size` bytes that differs from any shifted copy of itself.
std::string Patterned(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

// A 300 KB icon whose 256-pixel image is a PNG lying beyond the first 64 KB, a 200 KB
// bitmap, a 5 MB RCDATA file and 70 KB files for the other copied kinds.
TEST(FileResourceTest, LargeFilesAreTakenWhole) {
  TTempDir dir;
  std::vector<std::string> iconImages{Image(40 + 32 * 32 * 4, 32, 64, 0x21), PngImage(300000, 256, 256)};
  std::string icon = ImageFile(1, iconImages);
  std::string bitmap = "BM" + std::string(12, '\0') + Patterned(200 * 1024);
  std::string data = Patterned(5 * 1024 * 1024);
  std::string other = Patterned(70000);
  dir.Write("app.ico", icon);
  dir.Write("logo.bmp", bitmap);
  dir.Write("blob.bin", data);
  dir.Write("other.bin", other);
  std::vector<test::TResEntry> entries =
      EntriesIn(dir,
                "app ICON app.ico\nlogo BITMAP logo.bmp\nblob RCDATA blob.bin\n1 FONT other.bin\n"
                "2 HTML other.bin\n3 MESSAGETABLE other.bin\n4 MYTYPE other.bin\n");
  EXPECT_EQ(DescribeAll(entries),
            "type=#3 name=#1 flags=0x1030 language=0x0000 version=0 characteristics=0 size=4136\n"
            "type=#3 name=#2 flags=0x1030 language=0x0000 version=0 characteristics=0 size=300000\n"
            "type=#14 name=APP flags=0x1030 language=0x0000 version=0 characteristics=0 size=36\n"
            "type=#2 name=LOGO flags=0x0030 language=0x0000 version=0 characteristics=0 size=204800\n"
            "type=#10 name=BLOB flags=0x0030 language=0x0000 version=0 characteristics=0 size=5242880\n"
            "type=#8 name=#1 flags=0x0030 language=0x0000 version=0 characteristics=0 size=70000\n"
            "type=#23 name=#2 flags=0x0030 language=0x0000 version=0 characteristics=0 size=70000\n"
            "type=#11 name=#3 flags=0x1030 language=0x0000 version=0 characteristics=0 size=70000\n"
            "type=MYTYPE name=#4 flags=0x0030 language=0x0000 version=0 characteristics=0 size=70000\n");
  ASSERT_EQ(entries.size(), 9u);
  EXPECT_TRUE(Bytes(entries[1]) == iconImages[1]);
  // The group entry of the PNG image repeats its directory entry: size 300000 in 32 bits.
  EXPECT_EQ(Bytes(entries[2]).substr(6 + 14, 14), icon.substr(6 + 16, 12) + U16(2));
  EXPECT_TRUE(Bytes(entries[3]) == bitmap.substr(14));
  EXPECT_TRUE(Bytes(entries[4]) == data);
  for (std::size_t i = 5; i < entries.size(); ++i) EXPECT_TRUE(Bytes(entries[i]) == other) << i;
}

TEST(FileResourceTest, CursorWithPngImage) {
  TTempDir dir;
  std::string png = PngImage(90000, 256, 128);
  std::string bitmap = Image(308, 32, 64, 0x5A);
  std::string file = ImageFile(2, {bitmap, png}, 9, 11);
  dir.Write("big.cur", file);
  std::vector<test::TResEntry> entries = EntriesIn(dir, "big CURSOR big.cur");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[1].dataSize, 90004u);
  EXPECT_TRUE(Bytes(entries[1]) == U16(9) + U16(11) + png);
  // PNG: width and height from the IHDR, the height doubled as a bitmap image's counts
  // its mask; one plane; 8 bits times 4 samples (colour type 6, RGBA).
  EXPECT_EQ(Bytes(entries[2]), Padded(file.substr(0, 6) + U16(32) + U16(64) + U16(1) + U16(4) + U32(312) + U16(1) +
                                      U16(256) + U16(256) + U16(1) + U16(32) + U32(90004) + U16(2)));
}

// Every file a statement cannot take stops at the statement with a message naming it.
TEST(FileResourceTest, EveryFileMessage) {
  TTempDir dir;
  std::string icon = ImageFile(1, {Image(40, 16, 32, 1), Image(40, 16, 32, 2)});
  std::string png = ImageFile(1, {Image(40, 16, 32, 1), PngImage(200000, 256, 256)});
  std::string pngCursor = ImageFile(2, {PngImage(150000, 64, 64)});
  std::string longer = png, huge = png;
  const std::pair<std::string, std::string> files[] = {
      {"pics/a.bmp", "BM" + std::string(14, '\x01')},
      {"short.ico", icon.substr(0, icon.size() - 1)},
      {"nodir.ico", icon.substr(0, 30)},
      {"header.ico", icon.substr(0, 5)},
      {"short.cur", ImageFile(2, {Image(12, 16, 32, 1)})},  // image shorter than its header
      {"short.bmp", "BM" + std::string(11, '\0')},
      // a PNG image one byte longer than the file, then 4 GB less one byte
      {"longer.ico", longer.replace(6 + 16 + 8, 4, U32(200001))},
      {"huge.ico", huge.replace(6 + 16 + 8, 4, U32(0xFFFFFFFF))},
      {"longer.cur", pngCursor.replace(6 + 8, 4, U32(150001))},
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
      {"tall.cur", ImageFile(2, {PngImage(100, 16, 40000)})},
  };
  for (const auto& [name, bytes] : files) dir.Write(name, bytes);
  const std::string at = "File a.rc. Line 1 : ";
  const std::pair<std::string, std::string> rows[] = {
      {"1 BITMAP \"  \"", "11@1: 11. Empty filename"},
      {"1 BITMAP <>", "11@1: 11. Empty filename"},
      {"1 BITMAP <pics/a.bmp\n2 BITMAP pics/a.bmp", "10@2: 10. \">\" expected"},
      {"1 BITMAP <", "68@1: 68. Unexpected end of file"},
      {"1 BITMAP missing.bmp", "1@1: 1. Cannot open missing.bmp file"},
      {"1 FONT \"pics\"", "1@1: 1. Cannot open pics file"},
      {"1 ICON short.ico", at + "Read beyond end of file short.ico"},
      {"1 ICON nodir.ico", at + "Read beyond end of file nodir.ico"},
      {"1 ICON header.ico", at + "Read beyond end of file header.ico"},
      {"1 CURSOR short.cur", at + "Read beyond end of file short.cur"},
      {"1 BITMAP short.bmp", at + "Read beyond end of file short.bmp"},
      {"1 ICON longer.ico", at + "Read beyond end of file longer.ico"},
      {"1 ICON huge.ico", at + "Read beyond end of file huge.ico"},
      {"1 CURSOR longer.cur", at + "Read beyond end of file longer.cur"},
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
      {"1 CURSOR tall.cur", at + "Cursor image size 80000 does not fit in 16 bits"},
      {"1 ICON { '00' 12 }", "9@1: 9. \"}\" or END expected"},
      {"1 ICON {\n'00'", "9@2: 9. \"}\" or END expected"},
      {"1 BITMAP { 'GG' }", at + "'$GG' is not a valid integer value"},
  };
  for (const auto& [script, expected] : rows) EXPECT_EQ(FailureIn(dir, script), expected) << script;
}

TEST(FileResourceTest, EveryResourceFileIsADependency) {
  TTempDir dir;
  dir.Write("res/app.ico", ImageFile(1, {Image(40, 16, 32, 1)}));
  dir.Write("res/arrow.cur", ImageFile(2, {Image(40, 16, 32, 2)}));
  dir.Write("res/logo.bmp", "BM" + std::string(20, '\1'));
  dir.Write("res/font.fnt", "font");
  dir.Write("res/blob.bin", "blob");
  dir.Write("a.rc",
            "1 ICON res/app.ico\n1 CURSOR \"res/arrow.cur\"\n1 BITMAP <res/logo.bmp>\n1 FONT res/font.fnt\n"
            "1 RCDATA res/blob.bin\n2 RCDATA res/blob.bin\n2 ICON { '000001000000' }\n");
  test::TWorkingDirectory cwd(dir.Path());
  TCompilation result = CompileToImage("a.rc");
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  EXPECT_EQ(result.dependencies, (std::vector<std::string>{"a.rc", "res/app.ico", "res/arrow.cur", "res/logo.bmp",
                                                           "res/font.fnt", "res/blob.bin"}));
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define TARVEX_SANITIZED
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || defined(TARVEX_SANITIZED)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Compiles `script` in `dir` in a child process that may map at most `megabytes` more
// than it has; returns what FailureIn returns.
std::string FailureWithLittleMemory(const TTempDir& dir, const std::string& script, std::size_t megabytes) {
  int channel[2];
  if (pipe(channel) != 0) return "no pipe";
  pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    std::size_t pages = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
      if (std::fscanf(statm, "%zu", &pages) != 1) pages = 0;
      std::fclose(statm);
    }
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE)) + (megabytes << 20);
    setrlimit(RLIMIT_AS, &limit);
    std::string result = FailureIn(dir, script);
    if (write(channel[1], result.data(), result.size()) < 0) _exit(1);
    _exit(0);
  }
  close(channel[1]);
  std::string result;
  char buffer[512];
  for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;)
    result.append(buffer, static_cast<std::size_t>(n));
  close(channel[0]);
  waitpid(child, nullptr, 0);
  return result;
}

TEST(FileResourceTest, LargeFilesCostWhatIsWritten) {
  if (kSanitized) GTEST_SKIP() << "a sanitizer reserves more address space than the limit leaves";
  TTempDir dir;
  // A 3 GB icon file whose directory names one small image: only that image is read.
  dir.Write("sparse.ico", ImageFile(1, {Image(40, 16, 32, 1)}));
  ASSERT_EQ(truncate(dir.File("sparse.ico").c_str(), 3LL << 30), 0);
  dir.Write("big.bin", "");
  ASSERT_EQ(truncate(dir.File("big.bin").c_str(), 1LL << 30), 0);
  EXPECT_EQ(FailureWithLittleMemory(dir, "1 ICON sparse.ico", 256), "compiled");
  // Memory that runs out is a located failure that names the file being read.
  EXPECT_EQ(FailureWithLittleMemory(dir, "\n1 RCDATA big.bin", 256),
            "File a.rc. Line 2 : Out of memory reading big.bin");
}

}  // namespace
}  // namespace tarvex
