#include "output/res_image.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/statement_checks.h"

namespace tarvex {
namespace {

using test::U16;
using test::U32;

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// The failure text of reading `bytes`, or "read" when they are read.
std::string ReadFailure(const std::vector<std::uint8_t>& bytes) {
  return test::ErrorOf([&] { ReadResources(bytes, "x"); }, "read");
}

void PutU32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  std::string le = U32(value);
  std::copy(le.begin(), le.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
}

// A PE32 file whose one section, at virtual address 0x1000 and file offset 0x200, holds
// a resource tree with one RCDATA resource named AB in language 0x0409 whose data is
// "hello". Offsets in the section: root directory 0, name directory 24, language
// directory 48, the name AB 72, the data entry 80, the data 96.
std::vector<std::uint8_t> SmallProgram() {
  std::string section = U32(0) + U32(0) + U32(0) + U16(0) + U16(1) + U32(10) + U32(0x80000000u | 24);
  section += U32(0) + U32(0) + U32(0) + U16(1) + U16(0) + U32(0x80000000u | 72) + U32(0x80000000u | 48);
  section += U32(0) + U32(0) + U32(0) + U16(0) + U16(1) + U32(0x0409) + U32(80);
  section += U16(2) + U16('A') + U16('B') + U16(0);
  section += U32(0x1000 + 96) + U32(5) + U32(0) + U32(0);
  section += "hello";
  section.resize(128, '\0');
  std::string file = "MZ" + std::string(0x3A, '\0') + U32(0x40);
  file += std::string("PE\0\0", 4) + U16(0x14C) + U16(1) + U32(0) + U32(0) + U32(0) + U16(224) + U16(0x2102);
  std::string optional = U16(0x10B) + std::string(90, '\0') + U32(16);  // magic .. number of directories
  for (int i = 0; i < 16; ++i) optional += i == 2 ? U32(0x1000) + U32(128) : U32(0) + U32(0);
  file += optional;
  file += std::string(".rsrc\0\0\0", 8) + U32(128) + U32(0x1000) + U32(128) + U32(0x200) + std::string(16, '\0');
  file.resize(0x200, '\0');
  return Bytes(file + section);
}

TEST(ResImageTest, MalformedFilesAreLocatedErrors) {
  TCompilation outcome = test::CompileText("1 RCDATA { 1 }\n");  // 32 + 32 + 2 + 2 bytes
  ASSERT_EQ(outcome.image.size(), 68u);
  // Where a 32-bit value goes (or the new size after cutting), the value, whether to cut.
  const std::vector<std::tuple<std::size_t, std::uint32_t, bool, std::string>> cases = {
      {36, 0, true, "File x. Offset 32 : resource header runs past the end of the file"},
      {36, 8, false, "File x. Offset 32 : header size 8 is too small"},
      {36, 1000, false, "File x. Offset 32 : header of 1000 bytes runs past the end of the file"},
      {32, 1000, false, "File x. Offset 32 : data of 1000 bytes runs past the end of the file"},
      {44, 0x00010041, false, "File x. Offset 32 : type and name run past the header"},
      {0, 0x12345678, false,
       "File x. Offset 0 : neither a .res file (leading empty entry) nor a Windows program (MZ and PE headers)"},
  };
  for (const auto& [at, value, cut, expected] : cases) {
    std::vector<std::uint8_t> bytes = outcome.image;
    cut ? bytes.resize(at) : PutU32(bytes, at, value);
    EXPECT_EQ(ReadFailure(bytes), expected) << at;
  }
  std::vector<std::uint8_t> unpadded(outcome.image.begin(), outcome.image.end() - 2);  // last entry without padding
  EXPECT_EQ(ReadFailure(unpadded), "read");
  struct TProgramCase {
    std::size_t at;  // file offset of a 32-bit value (section data starts at 0x200)
    std::uint32_t value;
    std::string expected;
  };
  const std::vector<TProgramCase> programCases = {
      {0x200 + 20, 0x80000000u, "File x. Offset 512 : the resource directory is reached a second time (a cycle)"},
      {0x200 + 12, 0xFFFF0000u, "File x. Offset 512 : a directory at 0x0 lies outside the resource section"},
      {0x200 + 40, 0x80007000u, "File x. Offset 552 : a name at 0x7000 lies outside the resource section"},
      {0x200 + 68, 0x80000000u, "File x. Offset 576 : a directory below the language level"},
      {0x200 + 20, 80, "File x. Offset 528 : data above the language level"},
      {0x200 + 64, 0x12345, "File x. Offset 576 : identifier 0x12345 is not 16 bits"},
      {0x200 + 80, 0x5000, "File x. Offset 592 : address 0x5000 lies in no section"},
      {0x200 + 84, 1000, "File x. Offset 592 : data of 1000 bytes runs past its section"},
      {0x58, 0x01230123, "File x. Offset 88 : the optional header is neither PE32 nor PE32+"},
  };
  for (const TProgramCase& c : programCases) {
    std::vector<std::uint8_t> bytes = SmallProgram();
    PutU32(bytes, c.at, c.value);
    EXPECT_EQ(ReadFailure(bytes), c.expected) << c.at;
  }
  std::vector<std::uint8_t> late = SmallProgram();  // the PE signature in the last bytes
  late.insert(late.end(), {'P', 'E', 0, 0, 0x4C, 0x01});
  PutU32(late, 0x3C, 0x280);
  EXPECT_EQ(ReadFailure(late), "File x. Offset 644 : the file header runs past the end of the file");
  std::vector<std::uint8_t> cut = SmallProgram();
  cut.resize(0x100);
  EXPECT_EQ(ReadFailure(cut), "File x. Offset 88 : the optional header runs past the end of the file");
}

TEST(ResImageTest, ListingQuotesTextsThatCouldBeMisread) {
  auto entry = [](TResourceId type, TResourceId name) {
    TResourceEntry e;
    e.type = std::move(type);
    e.name = std::move(name);
    e.language = 0x0409;
    e.memoryFlags = 0x30;
    return e;
  };
  auto ordinal = [](std::uint16_t n) { return TResourceId{true, n, {}}; };
  auto text = [](std::u16string t) { return TResourceId{false, 0, std::move(t)}; };
  const std::vector<std::pair<TResourceEntry, std::string>> cases = {
      {entry(ordinal(99), ordinal(65535)), "#99 65535"},
      {entry(text(u"ICON"), text(u"42")), "\"ICON\" \"42\""},
      {entry(text(u"#5"), text(u"A B")), "\"#5\" \"A B\""},
      {entry(text(u""), text(u"A\x1B\"\\")), "\"\" \"A\\x1B\\\"\\\\\""},
      {entry(ordinal(10), text(u"\U0001F600\x00E9")), "RCDATA \U0001F600\u00e9"},
      {entry(ordinal(10), text(u"A\xD800")), "RCDATA \"A\\uD800\""},
  };
  for (const auto& [resource, expected] : cases) EXPECT_EQ(ListResources({resource}), expected + " 0x0409 0x0030 0\n");
}

}  // namespace
}  // namespace tarvex
