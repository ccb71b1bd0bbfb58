#include "output/res_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "reader/diagnostics.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

using test::FromHex;
using test::HexRows;

std::string Hex(const TOutputBuffer& out) { return HexRows(out.Bytes()); }

// A whole entry after the leading one: header with the given identifiers, `data`
// bytes, padding.
std::string EntryHex(std::u16string_view type, std::u16string_view name, std::string_view data = "") {
  TOutputBuffer out;
  WriteResourceHeader(out, static_cast<std::uint32_t>(data.size()), type, name, 0, 0x1030, 0x0409, 0, 0);
  out.WriteBytes(data);
  PadToDword(out);
  return Hex(out);
}

TEST(ResWriterTest, BufferWritesLittleEndianAndOverwritesInTheMiddle) {
  TOutputBuffer out;
  out.WriteU32(0x11223344);
  out.WriteU16(0xA1B2);
  out.Seek(1);
  out.WriteU16(0xEEFF);  // overwrites bytes 1 and 2, size unchanged
  EXPECT_EQ(Hex(out), HexRows(FromHex("44FFEE11 B2A1")));
  EXPECT_EQ(out.Position(), 3u);
  out.Seek(out.Size());
  out.WriteBytes("xy");
  EXPECT_EQ(Hex(out), HexRows(FromHex("44FFEE11 B2A17879")));
  EXPECT_THROW(out.Seek(out.Size() + 1), std::out_of_range);
}

TEST(ResWriterTest, LeadingEntryIsThe32ByteEmptyEntry) {
  TOutputBuffer out;
  out.WriteBytes("stale bytes of an earlier compilation");
  WriteLeadingEntry(out);
  EXPECT_EQ(Hex(out), HexRows(FromHex("00000000 20000000 FFFF0000 FFFF0000"
                                      "00000000 00000000 00000000 00000000")));
  EXPECT_EQ(out.Position(), 32u);
}

TEST(ResWriterTest, HeaderFieldsWithOrdinalIdentifiers) {
  TOutputBuffer out;
  WriteResourceHeader(out, 0x01020304, u"10", u"5", 0, 0x1030, 0x0409, 0x0A0B0C0D, 0x11223344);
  // DataSize HeaderSize Type Name DataVersion Flags Lang Version Characteristics
  EXPECT_EQ(Hex(out), HexRows(FromHex("04030201 20000000 FFFF0A00 FFFF0500"
                                      "00000000 3010 0904 0D0C0B0A 44332211")));
  EXPECT_EQ(out.Position(), 32u);
}

TEST(ResWriterTest, HeaderWithStringIdentifiersAndNamePadding) {
  // Type MYTYPE (14 bytes), ordinal name (4), 2 bytes of padding: 44.
  EXPECT_EQ(EntryHex(u"MYTYPE", u"1"), HexRows(FromHex("00000000 2C000000 4D005900 54005900 50004500 0000"
                                                       "FFFF0100 0000 00000000 3010 0904 00000000 00000000")));
  // Type MYTYPE, name AB (6), no padding: 44 as well.
  EXPECT_EQ(EntryHex(u"MYTYPE", u"AB"), HexRows(FromHex("00000000 2C000000 4D005900 54005900 50004500 0000"
                                                        "41004200 0000 00000000 3010 0904 00000000 00000000")));
  // Ordinal type, name ABC (8): 36.
  EXPECT_EQ(EntryHex(u"6", u"ABC"), HexRows(FromHex("00000000 24000000 FFFF0600 41004200 43000000"
                                                    "00000000 3010 0904 00000000 00000000")));
}

TEST(ResWriterTest, OrdinalRuleForNames) {
  // X1 and XFF are hexadecimal numbers; quoted digits stay a string; quotes around a
  // name that is not a number are removed as well.
  EXPECT_EQ(EntryHex(u"6", u"X1"), EntryHex(u"6", u"1"));
  EXPECT_EQ(EntryHex(u"6", u"XFF"), EntryHex(u"6", u"255"));
  EXPECT_EQ(EntryHex(u"6", u"\"42\""), HexRows(FromHex("00000000 24000000 FFFF0600 34003200 0000 0000"
                                                       "00000000 3010 0904 00000000 00000000")));
  EXPECT_EQ(EntryHex(u"6", u"\"ABC\""), EntryHex(u"6", u"ABC"));
  // The double-quote rule is for names only: a quoted type is written as it is.
  EXPECT_EQ(EntryHex(u"\"7\"", u"1"), HexRows(FromHex("00000000 24000000 22003700 22000000 FFFF0100"
                                                      "00000000 3010 0904 00000000 00000000")));
}

TEST(ResWriterTest, IdentifierOrdinalConversions) {
  struct Case {
    std::u16string text;
    bool ordinal;
    std::uint16_t value;
  };
  const Case cases[] = {
      {u"7", true, 7},           {u"  7", true, 7},         {u"+7", true, 7},
      {u"-1", true, 0xFFFF},     {u"65537", true, 1},       {u"2147483647", true, 0xFFFF},
      {u"$1f", true, 0x1F},      {u"x1", true, 1},          {u"X1", true, 1},
      {u"0x10", true, 16},       {u"0XfF", true, 255},      {u"0xFFFFFFFF", true, 0xFFFF},
      {u"0x000000012", true, 18},
      {u"2147483648", false, 0}, {u"-2147483648", false, 0}, {u"0x100000000", false, 0},
      {u"", false, 0},           {u"7 ", false, 0},         {u"7A", false, 0},
      {u"-", false, 0},          {u"x", false, 0},          {u"0x", false, 0},
      {u"$", false, 0},          {u"-x1", false, 0},        {u"xG", false, 0},
      {u"\t7", false, 0},        {u"ABC", false, 0},        {u"1.5", false, 0},
  };
  for (const Case& c : cases) {
    std::uint16_t value = 0;
    bool converted = IdentifierOrdinal(c.text, value);
    std::string shown(c.text.begin(), c.text.end());
    EXPECT_EQ(converted, c.ordinal) << shown;
    if (c.ordinal) {
      EXPECT_EQ(value, c.value) << shown;
    }
  }
}

TEST(ResWriterTest, DataIsPaddedToTheNextMultipleOfFour) {
  TOutputBuffer out;
  WriteLeadingEntry(out);
  WriteResourceHeader(out, 5, u"10", u"1", 0, 0x30, 0, 0, 0);
  out.WriteBytes("ABCDE");
  PadToDword(out);
  EXPECT_EQ(out.Size(), 32u + 32u + 8u);
  EXPECT_EQ(HexRows({out.Bytes().begin() + 64, out.Bytes().end()}), HexRows(FromHex("41424344 45000000")));
  PadToDword(out);  // already aligned: nothing appended
  EXPECT_EQ(out.Size(), 72u);
}

TEST(ResWriterTest, RoundUpToDword) {
  EXPECT_EQ(RoundUpToDword(0), 0);
  EXPECT_EQ(RoundUpToDword(1), 4);
  EXPECT_EQ(RoundUpToDword(3), 4);
  EXPECT_EQ(RoundUpToDword(8), 8);
  EXPECT_EQ(RoundUpToDword(-3), -3);
  EXPECT_EQ(RoundUpToDword(2147483644), 2147483644);
  EXPECT_THROW(RoundUpToDword(2147483645), TCompileError);  // no 32-bit result exists
}

// A header written with size 0, then `size` data bytes, then PatchDataSize.
TOutputBuffer PatchedEntry(std::size_t size) {
  TOutputBuffer out;
  WriteLeadingEntry(out);
  std::size_t headerStart = out.Position();
  WriteResourceHeader(out, 0, u"10", u"1", 0, 0x30, 0, 0, 0);
  std::size_t dataStart = out.Position();
  out.WriteBytes(std::string(size, 'x'));
  PatchDataSize(out, headerStart, dataStart);
  return out;
}

TEST(ResWriterTest, PatchDataSizeFillsInTheSizeAndPads) {
  TOutputBuffer out = PatchedEntry(5);
  EXPECT_EQ(HexRows({out.Bytes().begin() + 32, out.Bytes().begin() + 40}), HexRows(FromHex("05000000 20000000")));
  EXPECT_EQ(out.Size(), 72u);
  EXPECT_EQ(out.Position(), 72u);

  out = PatchedEntry(65535);
  EXPECT_EQ(HexRows({out.Bytes().begin() + 32, out.Bytes().begin() + 36}), HexRows(FromHex("FFFF0000")));
  EXPECT_EQ(out.Size(), 64u + 65536u);
}

TEST(ResWriterTest, PatchDataSizeRefusesMoreThan65535Bytes) {
  try {
    PatchedEntry(65536);
    FAIL() << "no error";
  } catch (const TCompileError& error) {
    EXPECT_STREQ(error.what(), "Resource data of 65536 bytes exceeds the limit of 65535 bytes");
  }
}

class SaveOutputTest : public ::testing::Test {
 protected:
  TOutputBuffer Image() {
    TOutputBuffer out;
    WriteLeadingEntry(out);
    return out;
  }
  void ExpectCannotCreate(const std::string& fileName, const std::string& reason) {
    try {
      SaveOutput(Image(), fileName);
      FAIL() << "saved " << fileName;
    } catch (const TCompileError& error) {
      EXPECT_EQ(std::string(error.what()), "Cannot create file " + fileName + ": " + reason);
    }
  }
  test::TTempDir dir;
};

TEST_F(SaveOutputTest, ReplacesTheFileAndLeavesNothingElse) {
  dir.Write("a.res", "old contents");
  SaveOutput(Image(), dir.File("a.res"));
  std::string saved = dir.Read("a.res");
  EXPECT_EQ(HexRows({saved.begin(), saved.end()}), HexRows(Image().Bytes()));
  EXPECT_EQ(dir.List(), std::vector<std::string>{"a.res"});
}

TEST_F(SaveOutputTest, RelativeNameSavesIntoTheWorkingDirectory) {
  test::TWorkingDirectory cwd(dir.Path());
  SaveOutput(Image(), "b.res");
  EXPECT_EQ(dir.Read("b.res").size(), 32u);
  EXPECT_EQ(dir.List(), std::vector<std::string>{"b.res"});
}

TEST_F(SaveOutputTest, NewFileGetsTheUsualPermissionsAndOldFileKeepsItsOwn) {
  mode_t previous = umask(022);
  SaveOutput(Image(), dir.File("new.res"));
  dir.Write("old.res", "x");
  chmod(dir.File("old.res").c_str(), 0640);
  SaveOutput(Image(), dir.File("old.res"));
  umask(previous);
  struct stat info;
  ASSERT_EQ(stat(dir.File("new.res").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0644u);
  ASSERT_EQ(stat(dir.File("old.res").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(SaveOutputTest, TargetThatIsADirectoryIsLeftAlone) {
  dir.Write("out.res/keep", "inside");
  ExpectCannotCreate(dir.File("out.res"), "Is a directory");
  EXPECT_EQ(dir.Read("out.res/keep"), "inside");
  EXPECT_EQ(dir.List(), std::vector<std::string>{"out.res"});
}

TEST_F(SaveOutputTest, MissingDirectoryFails) {
  ExpectCannotCreate(dir.File("missing/a.res"), "No such file or directory");
  EXPECT_TRUE(dir.List().empty());
}

TEST_F(SaveOutputTest, UnwritableDirectoryKeepsTheOldFile) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  dir.Write("sub/a.res", "old contents");
  chmod(dir.File("sub").c_str(), 0555);
  ExpectCannotCreate(dir.File("sub/a.res"), "Permission denied");
  chmod(dir.File("sub").c_str(), 0755);
  EXPECT_EQ(dir.Read("sub/a.res"), "old contents");
}

}  // namespace
}  // namespace tarvex
