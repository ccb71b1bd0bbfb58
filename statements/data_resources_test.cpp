#include "statements/data_resources.h"

#include <gtest/gtest.h>

#include "tests/statement_checks.h"

namespace tarvex {
namespace {

using test::DescribeAll;
using test::Entries;
using test::Failure;
using test::HexRows;

// The data bytes of the single resource of `script`.
std::string Data(const std::string& script) {
  std::vector<test::TResEntry> entries = Entries(script);
  return entries.size() == 1 ? HexRows(entries[0].data) : "entries: " + std::to_string(entries.size());
}

TEST(DataResourceTest, ItemsAndTheirSizes) {
  EXPECT_EQ(Data("1 RCDATA { 1, 2L, \"AB\", '0A0B' }"), "01000200 00004142 0A0B");
  EXPECT_EQ(Data("1 RCDATA { -1 }"), "FFFF");
  EXPECT_EQ(Data("1 RCDATA { -1L }"), "FFFFFFFF");
  EXPECT_EQ(Data("1 RCDATA { 70000 }"), "70110100");
  EXPECT_EQ(Data("1 RCDATA { 32767, 16384 * 2, 0x7FFF + 0 }"), "FF7F0080 0000FF7F");
  EXPECT_EQ(Data("1 RCDATA { -32768 }"), "0080FFFF");
  EXPECT_EQ(Data("1 RCDATA { \"a\\0\", \"\" \"b\" 0 }"), "61006200 00");
  EXPECT_EQ(Data("1 RCDATA { '0A 1 FF' 'ABC' '' }"), "0A01FFAB 0C");
  EXPECT_EQ(Data("1 RCDATA BEGIN 1 2,,3\n,4 END"), "01000200 03000400");
  // Constants with the high bit set are their 32-bit patterns.
  EXPECT_EQ(Data("1 RCDATA { WS_POPUP, 0xFFFFFFFFL, 0x80000000 | 1, -2147483647 - 1 }"),
            "00000080 FFFFFFFF 01000080 00000080");
  // Wide strings give UTF-16LE code units, no terminator; joined with narrow ones they are wide.
  EXPECT_EQ(Data("1 RCDATA { L\"Hi\", L\"\", \"x\" L\"\\x263A\" 0 }"), "48006900 78003A26 0000");
}

TEST(DataResourceTest, TypesNamesAndFlags) {
  EXPECT_EQ(DescribeAll(Entries("5 MYTYPE { 1 }\n5 300 {}\n1 FONT {}\n2 MESSAGETABLE {}\n3 HTML PRELOAD {}\n")),
            "type=MYTYPE name=#5 flags=0x0030 language=0x0000 version=0 characteristics=0 size=2\n"
            "type=#300 name=#5 flags=0x0030 language=0x0000 version=0 characteristics=0 size=0\n"
            "type=#8 name=#1 flags=0x0030 language=0x0000 version=0 characteristics=0 size=0\n"
            "type=#11 name=#2 flags=0x1030 language=0x0000 version=0 characteristics=0 size=0\n"
            "type=#23 name=#3 flags=0x0070 language=0x0000 version=0 characteristics=0 size=0\n");
}

TEST(DataResourceTest, FilesAreCopiedUnchanged) {
  test::TTempDir dir;
  std::string bytes("\x00\x01\xFF\r\n\x1A", 6);
  dir.Write("page.htm", bytes);
  std::vector<test::TResEntry> entries =
      test::EntriesIn(dir, "1 HTML page.htm\n2 FONT \"page.htm\"\n3 DLGINCLUDE <page.htm>\n4 MYTYPE page.htm\n");
  ASSERT_EQ(entries.size(), 4u);
  for (const test::TResEntry& entry : entries) {
    EXPECT_EQ(std::string(entry.data.begin(), entry.data.end()), bytes);
    EXPECT_EQ(entry.dataSize, 6u);
  }
  EXPECT_EQ(entries[3].type.Printable(), "MYTYPE");
}

TEST(DataResourceTest, BlocksBeyond65535Bytes) {
  std::string items;
  for (int i = 0; i < 7000; ++i) items += "\"0123456789\", ";
  std::vector<test::TResEntry> entries = Entries("1 RCDATA { " + items + "'AB' }");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].dataSize, 70001u);
  ASSERT_EQ(entries[0].data.size(), 70001u);
  EXPECT_EQ(entries[0].data[69999], '9');
  EXPECT_EQ(entries[0].data[70000], 0xAB);
}

TEST(DataResourceTest, Messages) {
  const char* rows[][2] = {
      {"1 RCDATA { 1, 2", "9@1: 9. \"}\" or END expected"},
      {"1 RCDATA {\n UNDEFINED_NAME }", "9@2: 9. \"}\" or END expected"},
      {"1 RCDATA { 'G1' }", "File a.rc. Line 1 : '$G1' is not a valid integer value"},
      {"1 RCDATA {\n 0xFFFFFFFF + 1 }", "File a.rc. Line 2 : '4294967296' is not a valid integer value"},
      {"1 RCDATA { -2147483647 - 2 }", "File a.rc. Line 1 : '-2147483649' is not a valid integer value"},
      {"1 RCDATA { 12abc }", "File a.rc. Line 1 : '12abc' is not a valid integer value"},
      {"1 RCDATA none.bin", "1@1: 1. Cannot open none.bin file"},
  };
  for (const auto& row : rows) EXPECT_EQ(Failure(row[0]), row[1]) << row[0];
}

}  // namespace
}  // namespace tarvex
