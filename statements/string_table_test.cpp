#include "statements/string_table.h"

#include <gtest/gtest.h>

#include <map>

#include "statements/compile_api.h"
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

// The data of a block with strings at some slots; with `terminated` every string
// carries a zero unit.
std::string WideBlock(const std::map<unsigned, std::u16string>& strings, bool terminated) {
  std::vector<std::uint8_t> bytes;
  auto put = [&](unsigned unit) {
    bytes.insert(bytes.end(), {static_cast<std::uint8_t>(unit & 0xFF), static_cast<std::uint8_t>(unit >> 8)});
  };
  for (unsigned slot = 0; slot < 16; ++slot) {
    auto string = strings.find(slot);
    std::u16string text = string == strings.end() ? u"" : string->second;
    if (terminated && string != strings.end()) text += u'\0';
    put(static_cast<unsigned>(text.size()));
    for (char16_t unit : text) put(unit);
  }
  return HexRows(bytes);
}

// ASCII texts and converted ones share a table; each is written as it was read, under
// the code page in force then, whichever way the literal was read. "~" in a script is a
// place where a comment makes the layers read the token before it instead of the lanes.
TEST(StringTableTest, TextsOfEveryKindAndBlockSizes) {
  const std::string a32751(32751, 'a');
  const std::string kinds =
      "STRINGTABLE {\n 1~, \"ab\"~\n 2~, \"\xC3\xA9z\"~\n 3~, \"x\\ty\"~\n 4~, L\"\xE2\x82\xAC\"~\n 5~, \"c\"~ "
      "\"d\"~\n 0~, \"\"~ 7~, \"\xF0\x9F\x98\x80\"~ }";
  const std::map<unsigned, std::u16string> kindTexts = {{0, u""},       {1, u"ab"}, {2, u"\u00E9z"},   {3, u"x\ty"},
                                                        {4, u"\u20AC"}, {5, u"cd"}, {7, u"\U0001F600"}};
  auto tooLarge = [](const std::string& line, const std::string& language) {
    return "File a.rc. Line " + line + " : Resource STRINGTABLE 1 (strings 0 to 15, language " + language +
           "): data of 65536 bytes exceeds the limit of 65535 bytes";
  };
  struct TCase {
    std::string script, codePage;
    bool terminated;
    std::string expected;  // hex rows of block 1, or the failure
  } cases[] = {
      {kinds, "UTF-8", false, WideBlock(kindTexts, false)},
      {kinds, "UTF-8", true, WideBlock(kindTexts, true)},
      // The code page a text was read under holds, though another follows
      {"STRINGTABLE { 3~, \"\x80\x81\"~ 1~, \"q\"~ }\n#pragma code_page(65001)\nSTRINGTABLE { 2~, \"\xC3\xA9\"~ }\n"
       "#pragma code_page(1252)\nSTRINGTABLE { 0~, \"\xC3\xA9\"~ }",
       "CP1252", false, WideBlock({{0, u"\u00C3\u00A9"}, {1, u"q"}, {2, u"\u00E9"}, {3, u"\u20AC\u0081"}}, false)},
      // Escapes the lane decodes itself, and those it leaves to the layers
      {"STRINGTABLE {\n~1, \"a\\tb\\\"c\\\\d\\Ae\\N\"~\n 2 \"\\x41\\101\"~ 3,\t,\"\"\"\"~ 4, \"\\\\\\\\\"~ }", "",
       false, WideBlock({{1, u"a\tb\"c\\d\ae\n"}, {2, u"AA"}, {3, u"\""}, {4, u"\\\\"}}, false)},
      {"STRINGTABLE {\n 0, \"z\"\n 1, \"a\\tb\"\n 2, \"c\" \"d\"\n 3, \"\\x41\\n\"\n 4, \"e\"\n 5 \"f\"~ }", "", false,
       WideBlock({{0, u"z"}, {1, u"a\tb"}, {2, u"cd"}, {3, u"A\n"}, {4, u"e"}, {5, u"f"}}, false)},
      // The largest block, then one unit more
      {"STRINGTABLE { 1~, \"" + a32751 + "\"~ }", "", false,
       WideBlock({{1, std::u16string(a32751.begin(), a32751.end())}}, false)},
      {"STRINGTABLE { 1~, \"" + a32751 + "\"~\n 15~, \"b\"~ }", "", false, tooLarge("2", "0x0000")},
      {"STRINGTABLE { 1~, \"" + a32751 + "\"~ }", "", true, tooLarge("1", "0x0000")},
      {"LANGUAGE 9, 1\nSTRINGTABLE { 1~, \"\xC3\xA9" + a32751.substr(1) + "\"~ }", "UTF-8", true,
       tooLarge("2", "0x0409")},
  };
  for (const TCase& c : cases) {
    for (bool layers : {false, true}) {
      std::string text;
      for (char ch : c.script) text += ch != '~' ? std::string(1, ch) : layers ? "/**/" : "";
      TCompilation outcome = CompileFiles({{"a.rc", text}}, [&](TCompileOptions& options) {
        options.codePage = c.codePage;
        options.nullTerminatedStrings = c.terminated;
      });
      std::string got = outcome.errorText;
      if (got.empty()) got = DataHex(FindEntry(ReadResImage(outcome.image), "#6", "#1"));
      EXPECT_EQ(got, c.expected) << c.script.substr(0, 200) << (layers ? " (layers)" : "");
    }
  }
}

// A block carries the attributes of its lowest string, whichever statement gave it.
TEST(StringTableTest, BlocksTakeTheirLowestStringsAttributes) {
  std::string script =
      "STRINGTABLE VERSION 7 { 20, \"b\" }\nSTRINGTABLE CHARACTERISTICS 9 { 5, \"a\" 63 \"f\" }\n"
      "STRINGTABLE VERSION 7 { 3, \"c\" 40, \"d\" }\nSTRINGTABLE PRELOAD { 17, \"e\" }\n"
      "LANGUAGE 7, 1\nSTRINGTABLE VERSION 2 { 1, \"g\" }\nLANGUAGE 5, 1\nSTRINGTABLE { 2, \"h\" }\n";
  EXPECT_EQ(DescribeAll(Entries(script)),
            "type=#6 name=#1 flags=0x1030 language=0x0000 version=7 characteristics=0 size=36\n"
            "type=#6 name=#2 flags=0x1070 language=0x0000 version=0 characteristics=0 size=36\n"
            "type=#6 name=#3 flags=0x1030 language=0x0000 version=7 characteristics=0 size=34\n"
            "type=#6 name=#4 flags=0x1030 language=0x0000 version=0 characteristics=9 size=34\n"
            "type=#6 name=#1 flags=0x1030 language=0x0405 version=0 characteristics=0 size=34\n"
            "type=#6 name=#1 flags=0x1030 language=0x0407 version=2 characteristics=0 size=34\n");
}

}  // namespace
}  // namespace tarvex::test
