#include "statements/dialog.h"

#include <gtest/gtest.h>

#include "tests/dialog_reader.h"
#include "tests/res_reader.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

using test::CompileText;
using test::DescribeDialog;
using test::FromHex;
using test::HexRows;
using test::ReadResImage;
using test::TCompileOutcome;

std::vector<std::uint8_t> DialogData(const std::string& script, std::string_view name = "#1") {
  TCompileOutcome outcome = CompileText(script);
  if (!outcome.error.empty()) throw std::runtime_error(outcome.error);
  return test::FindEntry(ReadResImage(outcome.res), "#5", name).data;
}

// The whole dialog named 1 as text, or the error that stopped the compilation.
std::string Dialog(const std::string& script) {
  try {
    return DescribeDialog(DialogData(script));
  } catch (const std::exception& failure) {
    return failure.what();
  }
}

// The item lines of dialog 1 whose controls are `controls`.
std::string Items(const std::string& controls, const std::string& form = "DIALOG") {
  std::string text = Dialog("1 " + form + " 0, 0, 100, 50\n{\n" + controls + "\n}\n");
  std::size_t first = text.find("\nitem ");
  return first == std::string::npos ? text : text.substr(first + 1);
}

TEST(DialogTest, HeadAndDialogStatementsInAnyCase) {
  EXPECT_EQ(Dialog("1 Dialog 10, -20 30 , 40\n"
                   "style WS_POPUP | WS_SYSMENU\nExStyle WS_EX_TOPMOST\ncaption \"About\"\n"
                   "menu 5\nclass \"MyClass\"\nfont 8, \"MS Shell Dlg\"\n{ }\n"),
            "DIALOG style=0x80C80040 exstyle=0x00000008 items=0 rect=10,-20,30,40\n"
            "menu=#5 class=\"MyClass\" caption=\"About\"\n"
            "font=8 \"MS Shell Dlg\"\n");
  // Given twice, each statement takes the later value entirely.
  EXPECT_EQ(Dialog("1 DIALOG 0,0,1,1\nSTYLE 1\nSTYLE 2\nCAPTION \"a\"\nCAPTION \"b\"\nMENU \"X\"\nMENU 7\n"
                   "CLASS 3\nCLASS \"c\"\nFONT 8, \"A\"\nFONT 9 \"B\"\nEXSTYLE 1\nEXSTYLE 4\n{ }\n"),
            "DIALOG style=0x00C00042 exstyle=0x00000004 items=0 rect=0,0,1,1\n"
            "menu=#7 class=\"c\" caption=\"b\"\nfont=9 \"B\"\n");
}

TEST(DialogTest, StyleRulesForCaptionFontAndRemovedBits) {
  struct TCase {
    const char* statements;
    const char* style;
  } cases[] = {
      {"", "0x00000000"},
      {"CAPTION \"\"", "0x00C00000"},
      {"FONT 8, \"A\"", "0x00000040"},
      {"STYLE 0x40 | 1", "0x00000001"},  // DS_SETFONT without FONT is dropped
      {"STYLE WS_POPUP | WS_CAPTION |NOT WS_BORDER", "0x80400000"},
      {"STYLE NOT WS_VISIBLE | WS_POPUP", "0x80000000"},
  };
  for (const TCase& c : cases) {
    std::string text = Dialog(std::string("1 DIALOG 0,0,1,1\n") + c.statements + "\n{ }\n");
    EXPECT_NE(text.find(std::string("style=") + c.style), std::string::npos) << c.statements << "\n" << text;
  }
  EXPECT_NE(Dialog("1 DIALOG 0,0,1,1\nEXSTYLE NOT WS_EX_TOPMOST | WS_EX_TOOLWINDOW\n{ }\n").find("exstyle=0x00000080"),
            std::string::npos);
}

TEST(DialogTest, StandardLayoutPadsBeforeTheFirstItem) {
  // 18-byte head, no menu, no class, caption "A": 26 bytes, then 2 zero bytes.
  EXPECT_EQ(HexRows(DialogData("1 DIALOG 1, 2, 3, 4\nCAPTION \"A\"\n{ PUSHBUTTON \"OK\", 1, 10, 10, 50, 14 }\n")),
            HexRows(FromHex("0000C000 00000000 0100 0100 0200 0300 0400 0000 0000 41000000 0000"
                            "00000150 00000000 0A00 0A00 3200 0E00 0100 FFFF8000 4F004B000000 0000")));
}

TEST(DialogTest, ExtendedLayoutBytes) {
  EXPECT_EQ(HexRows(DialogData("1 DIALOGEX 1, 2, 3, 4 { }")),
            HexRows(FromHex("0100FFFF 00000000 00000000 00000000 0000 0100 0200 0300 0400 0000 0000 0000")));
  EXPECT_EQ(HexRows(DialogData("1 DIALOGEX 0,0,0,0\nFONT 8, \"MS Sans Serif\"\n{ }")),
            HexRows(FromHex("0100FFFF 00000000 00000000 40000000 0000 0000 0000 0000 0000 000000000000"
                            "0800 0000 00 01 4D0053002000530061006E0073002000530065007200690066000000")));
  EXPECT_EQ(Dialog("1 DIALOGEX 0,0,0,0\nFONT 8, \"A\", 700, 1, 0xCC\n{ }"),
            "DIALOGEX help=0 style=0x00000040 exstyle=0x00000000 items=0 rect=0,0,0,0\n"
            "menu=\"\" class=\"\" caption=\"\"\nfont=8 weight=700 italic=1 charset=204 \"A\"\n");
  // A DIALOG reads weight, italic and character set but has no place for them.
  EXPECT_EQ(Dialog("1 DIALOG 0,0,0,0\nFONT 8, \"A\", 700, 1, 0xCC\n{ }"),
            "DIALOG style=0x00000040 exstyle=0x00000000 items=0 rect=0,0,0,0\n"
            "menu=\"\" class=\"\" caption=\"\"\nfont=8 \"A\"\n");
  // Help id, extended style, style, rectangle, 32-bit id (high half 0), class, title.
  std::vector<std::uint8_t> data =
      DialogData("1 DIALOGEX 0,0,0,0 { PUSHBUTTON \"OK\", 1, 10, 10, 50, 14\n LTEXT \"\", -1, 0, 0, 0, 0 }");
  std::vector<std::uint8_t> items(data.begin() + 32, data.end());
  EXPECT_EQ(HexRows(items), HexRows(FromHex("00000000 00000000 00000150 0A000A00 32000E00 01000000 FFFF8000"
                                            "4F004B00 0000 0000 00000000 00000000 00000250 00000000 00000000"
                                            "FFFFFFFF FFFF8200 0000 0000")));
}

TEST(DialogTest, EachControlStatementWithClassDefaultStyleAndTitle) {
  EXPECT_EQ(Items("PUSHBUTTON \"a\", 1, 1, 2, 3, 4\nDEFPUSHBUTTON \"b\" 2 1 2 3 4\nCHECKBOX \"c\",3,1,2,3,4\n"
                  "AUTOCHECKBOX , \"d\",4,1,2,3,4\nRADIOBUTTON 5,5,1,2,3,4\nSTATE3 \"f\",6,1,2,3,4\n"
                  "AUTO3STATE \"g\",7,1,2,3,4\nGROUPBOX \"h\",8,1,2,3,4\nAUTORADIOBUTTON \"i\",9,1,2,3,4\n"
                  "LTEXT \"j\",10,1,2,3,4\nCTEXT \"k\",11,1,2,3,4\nRTEXT \"l\",12,1,2,3,4\n"
                  "ICON \"APP\",13,1,2,3,4\nEDITTEXT 14,1,2,3,4\nlistbox 15,1,2,3,4\nSCROLLBAR 16,1,2,3,4\n"
                  "COMBOBOX 17,1,2,3,4"),
            "item style=0x50010000 exstyle=0x00000000 rect=1,2,3,4 id=1 class=BUTTON title=\"a\"\n"
            "item style=0x50010001 exstyle=0x00000000 rect=1,2,3,4 id=2 class=BUTTON title=\"b\"\n"
            "item style=0x50010002 exstyle=0x00000000 rect=1,2,3,4 id=3 class=BUTTON title=\"c\"\n"
            "item style=0x50010003 exstyle=0x00000000 rect=1,2,3,4 id=4 class=BUTTON title=\"d\"\n"
            "item style=0x50000004 exstyle=0x00000000 rect=1,2,3,4 id=5 class=BUTTON title=\"5\"\n"
            "item style=0x50010005 exstyle=0x00000000 rect=1,2,3,4 id=6 class=BUTTON title=\"f\"\n"
            "item style=0x50010006 exstyle=0x00000000 rect=1,2,3,4 id=7 class=BUTTON title=\"g\"\n"
            "item style=0x50000007 exstyle=0x00000000 rect=1,2,3,4 id=8 class=BUTTON title=\"h\"\n"
            "item style=0x50000009 exstyle=0x00000000 rect=1,2,3,4 id=9 class=BUTTON title=\"i\"\n"
            "item style=0x50020000 exstyle=0x00000000 rect=1,2,3,4 id=10 class=STATIC title=\"j\"\n"
            "item style=0x50020001 exstyle=0x00000000 rect=1,2,3,4 id=11 class=STATIC title=\"k\"\n"
            "item style=0x50020002 exstyle=0x00000000 rect=1,2,3,4 id=12 class=STATIC title=\"l\"\n"
            "item style=0x50000003 exstyle=0x00000000 rect=1,2,3,4 id=13 class=STATIC title=\"APP\"\n"
            "item style=0x50810000 exstyle=0x00000000 rect=1,2,3,4 id=14 class=EDIT title=\"\"\n"
            "item style=0x50800001 exstyle=0x00000000 rect=1,2,3,4 id=15 class=LISTBOX title=\"\"\n"
            "item style=0x50000000 exstyle=0x00000000 rect=1,2,3,4 id=16 class=SCROLLBAR title=\"\"\n"
            "item style=0x50010000 exstyle=0x00000000 rect=1,2,3,4 id=17 class=COMBOBOX title=\"\"\n");
}

TEST(DialogTest, StyleOperandsAddToTheDefaultAndNotTakesBitsAway) {
  EXPECT_EQ(Items("PUSHBUTTON \"a\", 1, 1, 2, 3, 4, BS_MULTILINE, WS_EX_CLIENTEDGE\n"
                  "LTEXT \"b\", 2, 1, 2, 3, 4, NOT WS_GROUP\n"
                  "EDITTEXT 3, 1, 2, 3, 4, ES_AUTOHSCROLL | NOT WS_BORDER\n"
                  "CHECKBOX \"c\", 4, 1, 2, 3, 4, WS_DISABLED |NOT WS_TABSTOP, NOT WS_EX_TOPMOST\n"
                  "ICON 7, 5, 1, 2, 3, 4\nICON 0, 6, 1, 2, 3, 4"),
            "item style=0x50012000 exstyle=0x00000200 rect=1,2,3,4 id=1 class=BUTTON title=\"a\"\n"
            "item style=0x50000000 exstyle=0x00000000 rect=1,2,3,4 id=2 class=STATIC title=\"b\"\n"
            "item style=0x50010080 exstyle=0x00000000 rect=1,2,3,4 id=3 class=EDIT title=\"\"\n"
            "item style=0x58000002 exstyle=0x00000000 rect=1,2,3,4 id=4 class=BUTTON title=\"c\"\n"
            "item style=0x50000003 exstyle=0x00000000 rect=1,2,3,4 id=5 class=STATIC title=#7\n"
            "item style=0x50000003 exstyle=0x00000000 rect=1,2,3,4 id=6 class=STATIC title=#0\n");
}

TEST(DialogTest, GenericControlClassesAndTitles) {
  EXPECT_EQ(Items("CONTROL \"a\", 1, button, BS_AUTORADIOBUTTON, 1, 2, 3, 4\n"
                  "CONTROL \"b\", 2, Static, SS_LEFT | NOT WS_VISIBLE, 1, 2, 3, 4, WS_EX_STATICEDGE\n"
                  "CONTROL \"c\", 3, \"eDiT\", 0, 1, 2, 3, 4\n"
                  "CONTROL \"d\", 4, \"ListBox\", 0, 1, 2, 3, 4\n"
                  "CONTROL \"e\", 5, \"MyClass\", -1, 1, 2, 3, 4\n"
                  "CONTROL \"f\", 6, 0x80, 0, 1, 2, 3, 4\nCONTROL \"g\", 7, 0x85, 0, 1, 2, 3, 4\n"
                  "CONTROL \"h\", 8, \"PushButton\", 0, 1, 2, 3, 4\nCONTROL 9, 9, \"Icon\", 0, 1, 2, 3, 4"),
            "item style=0x50000009 exstyle=0x00000000 rect=1,2,3,4 id=1 class=BUTTON title=\"a\"\n"
            "item style=0x40000000 exstyle=0x00020000 rect=1,2,3,4 id=2 class=STATIC title=\"b\"\n"
            "item style=0x50000000 exstyle=0x00000000 rect=1,2,3,4 id=3 class=EDIT title=\"\"\n"
            "item style=0x50000000 exstyle=0x00000000 rect=1,2,3,4 id=4 class=LISTBOX title=\"\"\n"
            "item style=0xFFFFFFFF exstyle=0x00000000 rect=1,2,3,4 id=5 class=\"MyClass\" title=\"e\"\n"
            "item style=0x50000000 exstyle=0x00000000 rect=1,2,3,4 id=6 class=BUTTON title=\"f\"\n"
            "item style=0x50000000 exstyle=0x00000000 rect=1,2,3,4 id=7 class=COMBOBOX title=\"\"\n"
            "item style=0x50000000 exstyle=0x00000000 rect=1,2,3,4 id=8 class=BUTTON title=\"h\"\n"
            "item style=0x50000000 exstyle=0x00000000 rect=1,2,3,4 id=9 class=STATIC title=#9\n");
}

TEST(DialogTest, NumericTitleOfAStaticNamesAnImageOnlyForImageStyles) {
  EXPECT_EQ(Items("CONTROL 112, 1, \"Static\", SS_BITMAP, 1, 2, 3, 4\n"
                  "CONTROL 113, 2, STATIC, SS_ICON | SS_CENTERIMAGE, 1, 2, 3, 4\n"
                  "CONTROL 114, 3, \"Static\", SS_BLACKFRAME, 1, 2, 3, 4\n"
                  "CONTROL 0, 4, \"Static\", SS_ICON, 1, 2, 3, 4\n"
                  "CONTROL 115, 5, \"Button\", BS_ICON, 1, 2, 3, 4"),
            "item style=0x5000000E exstyle=0x00000000 rect=1,2,3,4 id=1 class=STATIC title=#112\n"
            "item style=0x50000203 exstyle=0x00000000 rect=1,2,3,4 id=2 class=STATIC title=#113\n"
            "item style=0x50000007 exstyle=0x00000000 rect=1,2,3,4 id=3 class=STATIC title=\"114\"\n"
            "item style=0x50000003 exstyle=0x00000000 rect=1,2,3,4 id=4 class=STATIC title=\"0\"\n"
            "item style=0x50000040 exstyle=0x00000000 rect=1,2,3,4 id=5 class=BUTTON title=\"115\"\n");
}

// Ids, coordinates and sizes from -32768 to 65535 are 16-bit values; the 32-bit id of
// an extended item holds a negative id sign-extended, so that IDC_STATIC reads as -1.
TEST(DialogTest, IdsCoordinatesAndSizesAre16BitValues) {
  std::string controls =
      "LTEXT \"\", IDC_STATIC, -32768, 32767, 65535, 65510\nLTEXT \"\", 32768, 0, 0, 0, 0\n"
      "PUSHBUTTON \"\", 65535, 0, 0, 0, 0\nCONTROL \"\", -32768, \"Button\", 0, 0, 0, 0, 0";
  struct TCase {
    const char* form;
    const char* expected;
  } cases[] = {
      {"DIALOG",
       "item style=0x50020000 exstyle=0x00000000 rect=-32768,32767,-1,-26 id=65535 class=STATIC title=\"\"\n"
       "item style=0x50020000 exstyle=0x00000000 rect=0,0,0,0 id=32768 class=STATIC title=\"\"\n"
       "item style=0x50010000 exstyle=0x00000000 rect=0,0,0,0 id=65535 class=BUTTON title=\"\"\n"
       "item style=0x50000000 exstyle=0x00000000 rect=0,0,0,0 id=32768 class=BUTTON title=\"\"\n"},
      {"DIALOGEX",
       "item help=0 style=0x50020000 exstyle=0x00000000 rect=-32768,32767,-1,-26 id=4294967295 class=STATIC "
       "title=\"\"\n"
       "item help=0 style=0x50020000 exstyle=0x00000000 rect=0,0,0,0 id=32768 class=STATIC title=\"\"\n"
       "item help=0 style=0x50010000 exstyle=0x00000000 rect=0,0,0,0 id=65535 class=BUTTON title=\"\"\n"
       "item help=0 style=0x50000000 exstyle=0x00000000 rect=0,0,0,0 id=4294934528 class=BUTTON title=\"\"\n"},
  };
  for (const TCase& c : cases) EXPECT_EQ(Items("#define IDC_STATIC (-1)\n" + controls, c.form), c.expected) << c.form;
  // fceux places its dialogs at 65510 for -26.
  EXPECT_EQ(Dialog("1 DIALOGEX 65510, 0, 65535, 50 { }").substr(0, 77),
            "DIALOGEX help=0 style=0x00000000 exstyle=0x00000000 items=0 rect=-26,0,-1,50\n");
}

// A DIALOGEX head takes a help id after its height and a control one after its extended
// style; FONT without a character set asks for DEFAULT_CHARSET; a block after a control
// is its creation data, counted in bytes, an odd count completed by a zero byte.
TEST(DialogTest, ExtendedHelpIdsCharsetAndCreationData) {
  struct TCase {
    const char* script;
    const char* expected;
  } cases[] = {
      {"1 DIALOGEX 0, 0, 100, 50, 77\nFONT 8, \"MS Shell Dlg\"\n{\n"
       "LTEXT \"a\", 2, 0, 0, 10, 10, SS_LEFT, WS_EX_TRANSPARENT, 5\n"
       "CONTROL \"\", 7, \"Btn\", 0, 1, 2, 3, 4, 0 0x80000001\n}",
       "DIALOGEX help=77 style=0x00000040 exstyle=0x00000000 items=2 rect=0,0,100,50\n"
       "menu=\"\" class=\"\" caption=\"\"\nfont=8 weight=0 italic=0 charset=1 \"MS Shell Dlg\"\n"
       "item help=5 style=0x50020000 exstyle=0x00000020 rect=0,0,10,10 id=2 class=STATIC title=\"a\"\n"
       "item help=2147483649 style=0x50000000 exstyle=0x00000000 rect=1,2,3,4 id=7 class=\"Btn\" title=\"\"\n"},
      {"1 DIALOGEX 0 0 1 1 0xFFFFFFFF FONT 9 \"A\" 400 { }",
       "DIALOGEX help=4294967295 style=0x00000040 exstyle=0x00000000 items=0 rect=0,0,1,1\n"
       "menu=\"\" class=\"\" caption=\"\"\nfont=9 weight=400 italic=0 charset=1 \"A\"\n"},
      {"1 DIALOGEX 0, 0, 1, 1\n{\n"
       "CONTROL \"\", 1, \"TarvexDataProbe\", 0, 0, 0, 5, 5 { 1, 2L, \"ab\", 'FF' }\n"
       "LTEXT \"\", 2, 0, 0, 1, 1 BEGIN \"odd\" END\n"
       "EDITTEXT 3, 0, 0, 1, 1, 0, 0, 9 {}\n}",
       "DIALOGEX help=0 style=0x00000000 exstyle=0x00000000 items=3 rect=0,0,1,1\n"
       "menu=\"\" class=\"\" caption=\"\"\n"
       "item help=0 style=0x50000000 exstyle=0x00000000 rect=0,0,5,5 id=1 class=\"TarvexDataProbe\" title=\"\" "
       "data=0100020000006162FF00\n"
       "item help=0 style=0x50020000 exstyle=0x00000000 rect=0,0,1,1 id=2 class=STATIC title=\"\" data=6F646400\n"
       "item help=9 style=0x50810000 exstyle=0x00000000 rect=0,0,1,1 id=3 class=EDIT title=\"\"\n"},
      // A DIALOG has no place for help ids or creation data.
      {"1 DIALOG 0, 0, 1, 1, 5 { }", "File a.rc. Line 1 : 111. \"{\" or BEGIN expected but got 5"},
      {"1 DIALOG 0, 0, 1, 1 { LTEXT \"\", 1, 0, 0, 1, 1, 0, 0, 5 }",
       "File a.rc. Line 1 : 115. Unknown Dialog Control Class: 5"},
      {"1 DIALOG 0, 0, 1, 1 { LTEXT \"\", 1, 0, 0, 1, 1 { 1 } }",
       "File a.rc. Line 1 : 115. Unknown Dialog Control Class: {"},
      {"1 DIALOGEX 0, 0, 1, 1, 0xFFFFFFFF + 1 { }", "File a.rc. Line 1 : 97. DWORD value expected but got 4294967296"},
      {"1 DIALOGEX 0, 0, 1, 1 { LTEXT \"\", 1, 0, 0, 1, 1 { 1", "File a.rc. Line 1 : 9. \"}\" or END expected"},
  };
  for (const TCase& c : cases) EXPECT_EQ(Dialog(c.script), c.expected) << c.script;
}

TEST(DialogTest, MenuWordNamesAMenuOfTheScript) {
  std::string menu = "IDR_MAIN MENU { MENUITEM \"Quit\", 1 }\n";
  EXPECT_NE(
      Dialog(menu + "1 DIALOG 0,0,1,1 MENU idr_Main CLASS MyWindow { }").find("menu=\"IDR_MAIN\" class=\"MyWindow\""),
      std::string::npos);
  EXPECT_NE(Dialog("1 DIALOG 0,0,1,1 MENU \"main\" { }").find("menu=\"main\""), std::string::npos);
  EXPECT_NE(Dialog("1 DIALOG 0,0,1,1 MENU XFF { }").find("menu=#255"), std::string::npos);  // read as a name is
}

TEST(DialogTest, OptionalStatementsOfTheLastPassCount) {
  auto header = [](const std::string& script, std::string_view name = "#1") {
    TCompileOutcome outcome = CompileText(script);
    if (!outcome.error.empty()) return outcome.error;
    return test::FindEntry(ReadResImage(outcome.res), "#5", name).Describe();
  };
  EXPECT_EQ(header("1 DIALOG DISCARDABLE FIXED 0,0,1,1\nSTYLE 0\nLANGUAGE 7, 1\nVERSION 3\n{ }"),
            "type=#5 name=#1 flags=0x1020 language=0x0407 version=3 characteristics=0 size=24");
  EXPECT_EQ(header("1 DIALOG 0,0,1,1\nCHARACTERISTICS 9 LANGUAGE 7,1\nSTYLE 0\n{ }"),
            "type=#5 name=#1 flags=0x1030 language=0x0407 version=0 characteristics=9 size=24");
  EXPECT_EQ(header("1 DIALOG 0,0,1,1\nLANGUAGE 7,1\nSTYLE 0\nCAPTION \"\"\n{ }"),
            "type=#5 name=#1 flags=0x1030 language=0x0000 version=0 characteristics=0 size=24");
  // DIALOG and DIALOGEX of one name are two resources; a second DIALOG is a duplicate.
  EXPECT_EQ(header("A DIALOG 0,0,1,1 { }\nA DIALOGEX 0,0,1,1 { }", "A").substr(0, 20), "type=#5 name=A flags");
  EXPECT_EQ(
      header("A DIALOG 0,0,1,1 { }\nA DIALOG 0,0,1,1 { }"),
      "File a.rc. Line 2 : 19. Resource identifier A of type DIALOG, language 0 and sublanguage 0  already defined");
}

TEST(DialogTest, EveryMessageWithItsLine) {
  struct TCase {
    const char* body;  // after the line "1 DIALOG 0, 0, 10, 10"
    int number;
    int line;
    const char* text;
  } cases[] = {
      {"", 12, 2, "\"{\" or BEGIN expected"},
      {"STYLE", 12, 2, "\"{\" or BEGIN expected"},
      {"CAPTION 5", 13, 2, "Double quoted string expected but got 5"},
      {"{ PUSHBUTTON", 68, 2, "Unexpected end of file"},
      {"{ PUSHBUTTON \"a\", 1, 1, 2, 3, 4", 68, 2, "Unexpected end of file"},
      {"STYLE \"x\"", 97, 2, "DWORD value expected but got \"x\""},
      {"STYLE 0xFFFFFFFF + 1", 97, 2, "DWORD value expected but got 4294967296"},
      {"{ LTEXT x, 1, 1, 2, 3, 4 }", 99, 2, "Quoted string or number expected but got x"},
      {"{ EDITTEXT \"a\", 1, 2, 3, 4 }", 100, 2, "Control identifier (smallint) expected"},
      {"{ EDITTEXT 1, x, 2, 3, 4 }", 101, 2, "x coordinate (in dialog units) expected"},
      {"{ EDITTEXT 1, 1, x, 3, 4 }", 102, 2, "y coordinate (in dialog units) expected"},
      {"{ EDITTEXT 1, 1, 2, x, 4 }", 103, 2, "width (in dialog units) expected"},
      {"{ EDITTEXT 1, 1, 2, 3\n}", 104, 3, "height (in dialog units) expected"},
      {"{ EDITTEXT 1, 1, 65536, 3, 4 }", 105, 2, "A number in range [-32768..32767] expected but got 65536"},
      {"{ CONTROL 32768, 1, \"Static\", 0, 1, 2, 3, 4 }", 105, 2,
       "A number in range [-32768..32767] expected but got 32768"},
      {"MENU -1", 106, 2, "Double quoted string or number expected but got -1"},
      {"{ ICON x, 1, 1, 2, 3, 4 }", 106, 2, "Double quoted string or number expected but got x"},
      {"{ CONTROL x, 1, \"Static\", 0, 1, 2, 3, 4 }", 106, 2, "Double quoted string or number expected but got x"},
      {"{ CONTROL \"\", 1, MyClass, 0, 1, 2, 3, 4 }", 106, 2,
       "Double quoted string or number expected but got MyClass"},
      {"FONT", 107, 2, "Font size expected"},
      {"FONT \"A\"", 108, 2, "Font size expected by got \"A\""},
      {"FONT 8,", 109, 2, "Font name expected"},
      {"FONT 8, 9", 110, 2, "Font name expected but got 9"},
      {"SIZE 5", 111, 2, "\"{\" or BEGIN expected but got SIZE"},
      {"{ CONTROL \"\", x, \"Static\", 0, 1, 2, 3, 4 }", 112, 2, "Bad control identifier: x"},
      {"{ LTEXT \"\", 65536, 1, 2, 3, 4 }", 112, 2, "Bad control identifier: 65536"},
      {"{ CONTROL \"\", -32769, \"Static\", 0, 1, 2, 3, 4 }", 112, 2, "Bad control identifier: -32769"},
      {"{ CONTROL \"\", 1, 0x86, 0, 1, 2, 3, 4 }", 113, 2,
       "Bad class id: 134; Quoted string or a number in range [0x80..0x85] expected"},
      {"{ CONTROL \"\", 1, 0x7F, 0, 1, 2, 3, 4 }", 113, 2,
       "Bad class id: 127; Quoted string or a number in range [0x80..0x85] expected"},
      {"{ CONTROL \"\", 1, \"Static\", x, 1, 2, 3, 4 }", 114, 2, "Control style expected"},
      {"{ SLIDER 1 }", 115, 2, "Unknown Dialog Control Class: SLIDER"},
      {"{\n", 115, 3, "Unknown Dialog Control Class: "},
      {"MENU 65536", 86, 2, "A number in range 0..65535 expected instead 65536"},
      {"FONT 65536, \"A\"", 86, 2, "A number in range 0..65535 expected instead 65536"},
      {"{ ICON 65536, 1, 1, 2, 3, 4 }", 86, 2, "A number in range 0..65535 expected instead 65536"},
      {"FONT 8, \"A\", 400, 256", 0, 2, "A number in range 0..255 expected instead 256"},
  };
  for (const TCase& c : cases) {
    TCompileOutcome outcome = CompileText(std::string("1 DIALOG 0, 0, 10, 10\n") + c.body);
    EXPECT_EQ(outcome.error, "File a.rc. Line " + std::to_string(c.line) + " : " +
                                 (c.number ? std::to_string(c.number) + ". " : "") + c.text)
        << c.body;
    EXPECT_EQ(outcome.number, c.number) << c.body;
    EXPECT_TRUE(outcome.res.empty());
  }
  EXPECT_EQ(CompileText("1 DIALOG x").error, "File a.rc. Line 1 : 101. x coordinate (in dialog units) expected");
  EXPECT_EQ(CompileText("1 DIALOG 0, 0, 10, -32769").error,
            "File a.rc. Line 1 : 105. A number in range [-32768..32767] expected but got -32769");
}

TEST(DialogTest, DataOf65536BytesStopsWithTheWriterError) {
  std::string script = "1 DIALOG 0, 0, 10, 10\n{\n";
  for (int i = 0; i < 1400; ++i) script += "PUSHBUTTON \"Button text\", 1, 1, 2, 3, 4\n";  // 48 bytes each
  TCompileOutcome outcome = CompileText(script + "}\n");
  EXPECT_EQ(outcome.error,
            "File a.rc. Line 1403 : Resource DIALOG 1: data of 67224 bytes exceeds the limit of 65535 bytes");
  EXPECT_TRUE(outcome.res.empty());
}

}  // namespace
}  // namespace tarvex
