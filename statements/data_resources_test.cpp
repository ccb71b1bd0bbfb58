#include "statements/data_resources.h"

#include <gtest/gtest.h>

#include "tests/statement_checks.h"

namespace tarvex {
namespace {

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
  // An operator after a plain number joins it to an expression, inside a run of items too
  EXPECT_EQ(Data("1 RCDATA { 1, 2 + 3, 4 | 0x10, 5 6 - 1, 7 \"a\" \"b\", 8 }"), "01000500 14000500 05000700 61620800");
  // Constants with the high bit set are their 32-bit patterns.
  EXPECT_EQ(Data("1 RCDATA { WS_POPUP, 0xFFFFFFFFL, 0x80000000 | 1, -2147483647 - 1 }"),
            "00000080 FFFFFFFF 01000080 00000080");
  // Wide strings give UTF-16LE code units, no terminator; joined with narrow ones they are wide.
  EXPECT_EQ(Data("1 RCDATA { L\"Hi\", L\"\", \"x\" L\"\\x263A\" 0 }"), "48006900 78003A26 0000");
}

// A block of a resource whose type and name are numbers is written after its header and
// its size put in afterwards; any other resource has its block collected first. Both give
// the same entries, whatever the head holds and whatever size the block has.
TEST(DataResourceTest, HeadsAndBlocksEitherWay) {
  const char* rows[][2] = {
      {"1 RCDATA { 1, \"ab\" }",
       "type=#10 name=#1 flags=0x0030 language=0x0000 version=0 characteristics=0 size=4: 01006162\n"},
      {"named RCDATA { 1, \"ab\" }",
       "type=#10 name=NAMED flags=0x0030 language=0x0000 version=0 characteristics=0 size=4: 01006162\n"},
      {"\"5\" 300 { 1 }\n5 300 { 2L }",
       "type=#300 name=5 flags=0x0030 language=0x0000 version=0 characteristics=0 size=2: 0100\n"
       "type=#300 name=#5 flags=0x0030 language=0x0000 version=0 characteristics=0 size=4: 02000000\n"},
      {"32767 mytype BEGIN \"abc\" END\n2 rcdata { }\n3 10 {'0A0B0C'}",
       "type=MYTYPE name=#32767 flags=0x0030 language=0x0000 version=0 characteristics=0 size=3: 616263\n"
       "type=#10 name=#2 flags=0x0030 language=0x0000 version=0 characteristics=0 size=0: \n"
       "type=#10 name=#3 flags=0x0030 language=0x0000 version=0 characteristics=0 size=3: 0A0B0C\n"},
      {"LANGUAGE 7, 2\n9 MESSAGETABLE PRELOAD FIXED VERSION 3 CHARACTERISTICS 4 LANGUAGE 9, 1\n{ L\"a\" }\n"
       "10 RCDATA DISCARDABLE {\"x\"}",
       "type=#11 name=#9 flags=0x1060 language=0x0409 version=3 characteristics=4 size=2: 6100\n"
       "type=#10 name=#10 flags=0x1030 language=0x0807 version=0 characteristics=0 size=1: 78\n"},
  };
  for (const auto& row : rows) {
    std::string entries;
    for (const test::TResEntry& entry : Entries(row[0]))
      entries += entry.Describe() + ": " + HexRows(entry.data) + "\n";
    EXPECT_EQ(entries, row[1]) << row[0];
  }
}

TEST(DataResourceTest, Messages) {
  const char* rows[][2] = {
      {"1 RCDATA {\n UNDEFINED_NAME }", "9@2: 9. \"}\" or END expected"},
      {"1 RCDATA {\n 0xFFFFFFFF + 1 }", "File a.rc. Line 2 : '4294967296' is not a valid integer value"},
      {"1 RCDATA { -2147483647 - 2 }", "File a.rc. Line 1 : '-2147483649' is not a valid integer value"},
      {"1 RCDATA none.bin", "1@1: 1. Cannot open none.bin file"},
      // A closing brace where the block or the file name belongs is taken for a file name
      {"1 RCDATA\n}", "1@2: 1. Cannot open } file"},
      {"1 RCDATA PRELOAD END", "1@1: 1. Cannot open } file"},
  };
  for (const auto& row : rows) EXPECT_EQ(Failure(row[0]), row[1]) << row[0];
}

}  // namespace
}  // namespace tarvex
