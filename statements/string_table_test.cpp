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

TEST(StringTableTest, BlocksOfSixteenSlots) {
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
}

// Languages in ascending order; a block takes the attributes of its lowest string.
TEST(StringTableTest, LanguagesAndAttributes) {
  EXPECT_EQ(DescribeAll(Entries("STRINGTABLE LANGUAGE 9, 1 { 3 \"a\" }\n"
                                "STRINGTABLE LANGUAGE LANG_GERMAN, SUBLANG_GERMAN { 5 \"b\" }\n"
                                "LANGUAGE 7, 1\nSTRINGTABLE { 6 \"c\" }\n"
                                "LANGUAGE 0, 0\nSTRINGTABLE DISCARDABLE VERSION 3 { 2 \"b\" }\n"
                                "STRINGTABLE PRELOAD CHARACTERISTICS 4 { 1 \"a\" }\n"
                                "STRINGTABLE FIXED { 18 \"c\" 17 \"d\" }\n")),
            "type=#6 name=#1 flags=0x1070 language=0x0000 version=0 characteristics=4 size=36\n"
            "type=#6 name=#2 flags=0x1020 language=0x0000 version=0 characteristics=0 size=36\n"
            "type=#6 name=#1 flags=0x1030 language=0x0407 version=0 characteristics=0 size=36\n"
            "type=#6 name=#1 flags=0x1030 language=0x0409 version=0 characteristics=0 size=34\n");
  // The same identifier in two languages is two strings.
  EXPECT_EQ(Entries("STRINGTABLE { 5 \"a\" }\nSTRINGTABLE LANGUAGE 9, 1 { 5 \"b\" }").size(), 2u);
}

TEST(StringTableTest, Messages) {
  const char* rows[][2] = {
      {"STRINGTABLE { 5 \"a\" }\nSTRINGTABLE { 5 \"b\" }",
       "14@2: 14. string with the identifier            5 already exists"},
      {"STRINGTABLE { 1 \"a\"\n", "9@2: 9. \"}\" or END expected"},
      {"STRINGTABLE {\n 1", "9@2: 9. \"}\" or END expected"},
      {"STRINGTABLE {", "9@1: 9. \"}\" or END expected"},
      {"STRINGTABLE 1 \"a\"", "12@1: 12. \"{\" or BEGIN expected"},
      {"STRINGTABLE LANGUAGE 9, 1 PRELOAD { 1 \"a\" }", "12@1: 12. \"{\" or BEGIN expected"},
      {"STRINGTABLE { 1 2 }", "13@1: 13. Double quoted string expected but got 2"},
      {"STRINGTABLE { 1 'ab' }", "13@1: 13. Double quoted string expected but got 'ab'"},
      {"STRINGTABLE { 65536 \"a\" }", "86@1: 86. A number in range 0..65535 expected instead 65536"},
      {"STRINGTABLE { -1 \"a\" }", "86@1: 86. A number in range 0..65535 expected instead -1"},
  };
  for (const auto& row : rows) EXPECT_EQ(Failure(row[0]), row[1]) << row[0];
  // The commonest mistake of real scripts: not a numbered message, but placed all the same.
  test::TCompileOutcome undefined = test::CompileText("STRINGTABLE\nBEGIN\n  IDS_X \"a\"\nEND\n");
  EXPECT_EQ(undefined.error, "File a.rc. Line 3 : 'IDS_X' is not a valid integer value");
  EXPECT_EQ(std::make_pair(undefined.number, undefined.line), std::make_pair(0, 3));
}

TEST(StringTableTest, BlockBeyondTheSizeLimitIsRefused) {
  std::string script = "STRINGTABLE LANGUAGE 9, 1 { 17 \"" + std::string(40000, 'a') + "\" }";
  EXPECT_EQ(Failure(script),
            "File a.rc. Line 1 : Resource STRINGTABLE 2 (strings 16 to 31, language 0x0409): data of "
            "80032 bytes exceeds the limit of 65535 bytes");
}

}  // namespace
}  // namespace tarvex::test
