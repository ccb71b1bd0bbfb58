// TOOLBAR, and DLGINIT, the other resource dialog editors write beside their dialogs.
#include "statements/toolbar.h"

#include <gtest/gtest.h>

#include "tests/statement_checks.h"

namespace tarvex::test {
namespace {

constexpr char kEditorHeader[] = R"(#define IDR_MAINFRAME 128
#define IDD_OPTIONS 129
#define ID_FILE_NEW 0xE100
#define ID_FILE_OPEN 0xE101
#define ID_APP_ABOUT 0xE140
#define IDC_COMBO_SIZE 1000
)";

TEST(ToolbarTest, AsADialogEditorWritesIt) {
  TResEntry entry = OnlyEntry(std::string(kEditorHeader) + R"(
IDR_MAINFRAME TOOLBAR DISCARDABLE  16, 15
BEGIN
    BUTTON      ID_FILE_NEW
    BUTTON      ID_FILE_OPEN
    SEPARATOR
    BUTTON      ID_APP_ABOUT
END
)");
  EXPECT_EQ(entry.Describe(), "type=#241 name=#128 flags=0x1030 language=0x0000 version=0 characteristics=0 size=16");
  // version | width | height | count | ids, 0 for the separator
  EXPECT_EQ(DataHex(entry), HexRows(FromHex("0100 1000 0F00 0400 00E1 01E1 0000 40E1")));
}

// Attributes, an empty block, optional commas; a negative id, as an MFC editor writes one
// above 0x8000, is its 16-bit pattern.
TEST(ToolbarTest, AttributesEmptyBlockAndOptionalCommas) {
  EXPECT_EQ(DescribeAll(Entries("LANGUAGE 7, 1\nbar toolbar 24 32 { button 5, separator,, BUTTON 65535 BUTTON -32460 "
                                "}\n2 TOOLBAR LANGUAGE 9, 1 0, 0 { }\n")),
            "type=#241 name=BAR flags=0x0030 language=0x0407 version=0 characteristics=0 size=16\n"
            "type=#241 name=#2 flags=0x0030 language=0x0409 version=0 characteristics=0 size=8\n");
  EXPECT_EQ(HexRows(OnlyEntry("1 TOOLBAR 24 32 { BUTTON 5, SEPARATOR BUTTON 65535 BUTTON -32460 }").data),
            HexRows(FromHex("0100 1800 2000 0400 0500 0000 FFFF 3481")));
}

TEST(ToolbarTest, EachMessageWithItsLine) {
  std::string items;
  for (int i = 0; i < 65536; ++i) items += "SEPARATOR\n";
  EXPECT_EQ(Failure("1 TOOLBAR 16, 15 {\n" + items + "}\n"),
            "File a.rc. Line 65537 : TOOLBAR holds more than 65535 items");
  const char* const rows[][2] = {
      {"1 TOOLBAR", "2@1: 2. Resource description not terminated"},
      {"1 TOOLBAR 16, -1 { }", "86@1: 86. A number in range 0..65535 expected instead -1"},
      {"1 TOOLBAR 16, 15\nBUTTON 1", "12@2: 12. \"{\" or BEGIN expected"},
      {"1 TOOLBAR 16, 15 {\nBUTTON ID_UNDEFINED }",
       "86@2: 86. A number in range 0..65535 expected instead ID_UNDEFINED"},
      {"1 TOOLBAR 16, 15 { BUTTON -32769 }", "86@1: 86. A number in range 0..65535 expected instead -32769"},
      {"1 TOOLBAR 16, 15 { BUTTON 1\n", "9@2: 9. \"}\" or END expected"},
      {"1 TOOLBAR 16, 15 { CHECKBOX 1 }", "76@1: 76. Unknown keyword CHECKBOX"},
  };
  for (const auto& row : rows) EXPECT_EQ(Failure(row[0]), row[1]) << row[0];
}

// Combo-box strings as a dialog editor stores them: control id, CB_ADDSTRING (0x403),
// the length of the text with its terminator, a zero word, then the text packed into
// words; a lone 0 ends the list.
TEST(DialogInitTest, AsADialogEditorWritesIt) {
  TResEntry entry = OnlyEntry(std::string(kEditorHeader) + R"(
IDD_OPTIONS DLGINIT
BEGIN
    IDC_COMBO_SIZE, 0x403, 6, 0
0x6e4f, 0x2065, 0x0031, 
    IDC_COMBO_SIZE, 0x403, 4, 0
0x7754, "\157\000" 
    0
END
)");
  EXPECT_EQ(entry.Describe(), "type=#240 name=#129 flags=0x0030 language=0x0000 version=0 characteristics=0 size=28");
  EXPECT_EQ(DataHex(entry), HexRows(FromHex("E803 0304 0600 0000 4F6E 6520 3100"
                                            "E803 0304 0400 0000 5477 6F00"
                                            "0000")));
  // The attributes; written as numbers, 240 and 241 stay user-defined types with raw data.
  EXPECT_EQ(
      DescribeAll(Entries("1 DLGINIT DISCARDABLE LANGUAGE 7, 1 { 1L }\n2 dlginit { }\n3 240 { 1 }\n4 241 { 1 }\n")),
      "type=#240 name=#1 flags=0x1030 language=0x0407 version=0 characteristics=0 size=4\n"
      "type=#240 name=#2 flags=0x0030 language=0x0000 version=0 characteristics=0 size=0\n"
      "type=#240 name=#3 flags=0x0030 language=0x0000 version=0 characteristics=0 size=2\n"
      "type=#241 name=#4 flags=0x0030 language=0x0000 version=0 characteristics=0 size=2\n");
  EXPECT_EQ(Failure("1 DLGINIT { 1 }\n1 240 { 2 }"),
            "19@2: 19. Resource identifier 1 of type 240, language 0 and sublanguage 0  already defined");
}

}  // namespace
}  // namespace tarvex::test
