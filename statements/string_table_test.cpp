#include "statements/string_table.h"

#include <gtest/gtest.h>

#include "tests/statement_checks.h"

namespace tarvex::test {
namespace {

// The data of a block whose slots hold `texts` (ASCII), "" for an empty slot.
std::string Block(const std::vector<std::string>& texts) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t slot = 0; slot < 16; ++slot) {
    std::string text = slot < texts.size() ? texts[slot] : "";
    bytes.insert(bytes.end(), {static_cast<std::uint8_t>(text.size()), 0});
    for (char c : text) bytes.insert(bytes.end(), {static_cast<std::uint8_t>(c), 0});
  }
  return HexRows(bytes);
}

TEST(StringTableTest, BlocksOfSixteenSlotsAndMessages) {
  EXPECT_EQ(
      HexRows(OnlyEntry("STRINGTABLE { 1 \"ab\" }").data),
      HexRows(FromHex("0000 0200 6100 6200 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000")));
  const std::string e;
  struct TCase {
    std::string script, blocks;  // blocks: "type name: data" of each entry
  } cases[] = {
      {"STRINGTABLE { 65535 \"z\" 16 \"y\" 0 \"x\" 15 \"w\" }",
       "#6 #1: " + Block({"x", e, e, e, e, e, e, e, e, e, e, e, e, e, e, "w"}) + "\n#6 #2: " + Block({"y"}) +
           "\n#6 #4096: " + Block({e, e, e, e, e, e, e, e, e, e, e, e, e, e, e, "z"}) + "\n"},
      // Statements share blocks, which are written after the other resources.
      {"STRINGTABLE { 5 \"five\" }\n1 RCDATA { 1 }\nSTRINGTABLE BEGIN 3, \"three\" END\n",
       "#10 #1: 0100\n#6 #1: " + Block({e, e, e, "three", e, "five"}) + "\n"},
      {"STRINGTABLE {,, 1, \"\",, 2 \"two\", 3\n\"x\" \"y\" }", "#6 #1: " + Block({e, e, "two", "xy"}) + "\n"},
  };
  for (const TCase& c : cases) {
    std::string blocks;
    for (const TResEntry& entry : Entries(c.script))
      blocks += entry.type.Printable() + " " + entry.name.Printable() + ": " + DataHex(entry) + "\n";
    EXPECT_EQ(blocks, c.blocks) << c.script;
  }
  const char* rows[][2] = {
      {"STRINGTABLE { 5 \"a\" }\nSTRINGTABLE { 5 \"b\" }",
       "14@2: 14. string with the identifier            5 already exists"},
      {"STRINGTABLE { 1 \"a\"\n", "9@2: 9. \"}\" or END expected"},
      {"STRINGTABLE LANGUAGE 9, 1 PRELOAD { 1 \"a\" }", "12@1: 12. \"{\" or BEGIN expected"},
      {"STRINGTABLE { 1 2 }", "13@1: 13. Double quoted string expected but got 2"},
      {"STRINGTABLE { -1 \"a\" }", "86@1: 86. A number in range 0..65535 expected instead -1"},
  };
  for (const auto& row : rows) EXPECT_EQ(Failure(row[0]), row[1]) << row[0];
  // The commonest mistake of real scripts: not a numbered message, but placed all the same.
  TCompilation undefined = test::CompileText("STRINGTABLE\nBEGIN\n  IDS_X \"a\"\nEND\n");
  EXPECT_EQ(undefined.errorText, "File a.rc. Line 3 : 'IDS_X' is not a valid integer value");
  EXPECT_EQ(std::make_pair(undefined.errorNumber, undefined.errorLine), std::make_pair(0, 3));
}

}  // namespace
}  // namespace tarvex::test
