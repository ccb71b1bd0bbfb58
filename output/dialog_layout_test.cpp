#include "output/dialog_layout.h"

#include <gtest/gtest.h>

#include "tests/statement_checks.h"

namespace tarvex {
namespace {

// The template of the one dialog `script` compiles to.
TDialogTemplate DialogOf(const std::string& script) {
  std::vector<test::TResEntry> entries = test::Entries(script);
  for (const test::TResEntry& entry : entries)
    if (entry.type.isOrdinal && entry.type.ordinal == 5) return ReadDialogTemplate(entry.data);
  ADD_FAILURE() << "no dialog in " << script;
  return {};
}

TEST(DialogLayoutTest, PixelRectanglesForEachControlKindAndFont) {
  // The FONT statement (none: the system font; faces in any letter case; a face not in the
  // table estimated from its size), one control; its kind, pixel box and the height its face
  // is drawn with. Rounding halves away from zero, also below zero.
  const std::pair<std::string, std::string> cases[] = {
      {"\nPUSHBUTTON \"A\", 1, 10, 10, 50, 14", "push button 20,20,100,28 28"},
      {"FONT 8, \"MS Shell Dlg\"\nDEFPUSHBUTTON \"A\", 1, 10, 10, 50, 14", "default push button 15,16,75,23 23"},
      {"FONT 8, \"ms shell dlg\"\nCHECKBOX \"A\", 1, 7, 3, 41, 9", "check box 11,5,62,15 15"},
      {"FONT 8, \"MS Sans Serif\"\nAUTORADIOBUTTON \"A\", 1, -3, 0, 40, 10", "radio button -5,0,60,16 16"},
      {"FONT 8, \"Tahoma\"\nAUTO3STATE \"A\", 1, 0, 0, 4, 8", "three-state check box 0,0,6,13 13"},
      {"FONT 8, \"Tahoma\"\nGROUPBOX \"G\", 1, 2, 2, 100, 60", "group box 3,3,150,98 98"},
      {"FONT 9, \"Segoe UI\"\nLTEXT \"T\", 1, 10, 10, 50, 8", "static text 18,19,88,15 15"},
      {"FONT 9, \"Segoe UI\"\nCOMBOBOX 1, 10, 10, 50, 60, CBS_DROPDOWNLIST", "drop-down combo box 18,19,88,113 23"},
      {"FONT 9, \"Segoe UI\"\nCOMBOBOX 1, 10, 10, 50, 60, CBS_SIMPLE", "simple combo box 18,19,88,113 23"},
      {"FONT 10, \"Tahoma\"\nEDITTEXT 1, 4, 4, 40, 12", "edit field 7,8,70,24 24"},
      {"FONT 10, \"Microsoft Sans Serif\"\nLISTBOX 1, 0, 0, 40, 40", "list box 0,0,70,80 80"},
      {"FONT 9, \"MS Shell Dlg 2\"\nSCROLLBAR 1, 0, 0, 40, 10", "scroll bar 0,0,70,18 18"},
      {"FONT 10, \"Segoe UI\"\nICON 7, 1, 4, 4, 20, 20", "icon 8,9,40,43 43"},
      {"FONT 12, \"Arial\"\nCONTROL \"\", 1, \"SysListView32\", 0, 4, 8, 40, 16", "list view 9,19,90,38 38"},
      {"FONT 8, \"MS Shell Dlg\"\nCONTROL \"\", 1, \"msctls_progress32\", 0, 4, 8, 40, 16",
       "progress bar 6,13,60,26 26"},
      {"FONT 8, \"MS Shell Dlg\"\nCONTROL \"\", 1, \"msctls_updown32\", 0, 4, 8, 10, 14",
       "up-down control 6,13,15,23 23"},
      {"FONT 8, \"MS Shell Dlg\"\nCONTROL \"x\", 1, \"MyWidget\", 0, 4, 8, 10, 14", "custom control 6,13,15,23 23"},
  };
  for (const auto& [lines, expected] : cases) {
    TDialogTemplate dialog = DialogOf("1 DIALOG 0, 0, 200, 100\n" + lines.substr(0, lines.find('\n')) + "\n{\n" +
                                      lines.substr(lines.find('\n') + 1) + "\n}\n");
    ASSERT_EQ(dialog.controls.size(), 1u) << lines;
    TDialogLayout layout = LayOutDialog(dialog);
    const TPixelRect& box = layout.controls[0].box;
    EXPECT_EQ(std::string(KindName(dialog.controls[0].kind)) + " " + std::to_string(box.x) + "," +
                  std::to_string(box.y) + "," + std::to_string(box.width) + "," + std::to_string(box.height) + " " +
                  std::to_string(layout.controls[0].face.height),
              expected)
        << lines;
  }
  TDialogLayout plain = LayOutDialog(DialogOf("1 DIALOG 0, 0, 200, 100 {}"));
  EXPECT_EQ(plain.client, (TPixelRect{0, 0, 400, 200}));
  TDialogLayout shell = LayOutDialog(DialogOf("1 DIALOGEX 0, 0, 220, 120 FONT 8, \"MS Shell Dlg\", 400, 0, 1 {}"));
  EXPECT_EQ(shell.client, (TPixelRect{0, 0, 330, 195}));
}

TEST(DialogLayoutTest, WarningsForOutsideOverlappingAndDuplicateControls) {
  TDialogTemplate dialog = DialogOf(R"(1 DIALOG 0, 0, 100, 50
{
  PUSHBUTTON "A", 10, 5, 5, 40, 14
  PUSHBUTTON "B", 11, 30, 10, 40, 14
  LTEXT "C", 12, 80, 40, 30, 8
  LTEXT "D", 13, 200, 5, 10, 8
  EDITTEXT 14, 5, 30, 20, 12
  EDITTEXT 14, 50, 30, 20, 12
  GROUPBOX "G", -1, 0, 0, 100, 50
  LTEXT "", -1, 5, 45, 10, 4
  LTEXT "", -1, 5, 45, 10, 4, NOT WS_VISIBLE
  CONTROL "H", 15, "Button", BS_PUSHBUTTON | NOT WS_VISIBLE, 5, 5, 10, 10
  COMBOBOX 16, 75, 20, 20, 60, CBS_DROPDOWNLIST
  CHECKBOX "X", 17, 5, 20, 20, 8
  AUTOCHECKBOX "Y", 18, 20, 24, 20, 8
}
)");
  std::vector<std::string> warnings =
      DialogWarnings(dialog, [](const TDialogControl& control) { return std::to_string(control.id); });
  EXPECT_EQ(warnings, (std::vector<std::string>{
                          "static text 12 reaches outside the dialog: 80, 40 to 110, 48 in a dialog of 100 x 50 units",
                          "static text 13 lies outside the dialog: 200, 5 to 210, 13 in a dialog of 100 x 50 units",
                          "buttons 10 and 11 overlap",
                          "check boxes 17 and 18 overlap",
                          "id 14 is used by 2 controls: edit field, edit field",
                      }));
  // Buttons side by side, none overlapping. One column of 3,276 is searched along its
  // height, each compared with its neighbour only, and fully; a grid of 210 x 210 is dense
  // along both axes: the search stops at its bound instead of comparing every pair.
  auto buttons = [](unsigned columns, unsigned rows) {
    unsigned count = columns * rows;
    std::string data = test::U32(0x80000000) + test::U32(0) + test::U16(static_cast<std::uint16_t>(count)) +
                       test::U16(0) + test::U16(0) + test::U16(32767) + test::U16(32767) + test::U16(0) +
                       test::U16(0) + test::U16(0);
    for (unsigned i = 0; i < count; ++i) {
      data.resize((data.size() + 3) & ~std::size_t{3}, '\0');
      data += test::U32(0x50000000) + test::U32(0) + test::U16(static_cast<std::uint16_t>(i / rows * 10)) +
              test::U16(static_cast<std::uint16_t>(i % rows * 10)) + test::U16(8) + test::U16(8) +
              test::U16(static_cast<std::uint16_t>(i)) + test::U16(0xFFFF) + test::U16(0x80) + test::U16(0) +
              test::U16(0);
    }
    TDialogTemplate pile = ReadDialogTemplate(std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()));
    EXPECT_EQ(pile.controls.size(), count);
    return DialogWarnings(pile, [](const TDialogControl& control) { return std::to_string(control.id); });
  };
  EXPECT_EQ(buttons(1, 3276), std::vector<std::string>{});
  std::vector<std::string> bounded = buttons(210, 210);
  EXPECT_EQ(bounded, (std::vector<std::string>{"too many controls side by side: not every overlap was looked for"}));
}

TEST(DialogLayoutTest, StyleNamesByClass) {
  TDialogTemplate dialog = DialogOf(R"(1 DIALOGEX 0, 0, 100, 50
STYLE WS_POPUP | WS_CAPTION | DS_MODALFRAME | 0x00100000
{
  EDITTEXT 1, 0, 0, 10, 10, ES_AUTOHSCROLL, WS_EX_CLIENTEDGE | 0x40000000
  AUTORADIOBUTTON "r", 2, 0, 0, 10, 10, BS_LEFTTEXT | WS_DISABLED
  CONTROL "", 3, "MyWidget", 0x1234, 0, 0, 10, 10
}
)");
  ASSERT_EQ(dialog.controls.size(), 3u);
  EXPECT_EQ(DialogStyleNames(dialog.style), "WS_POPUP | WS_CAPTION | WS_HSCROLL | DS_MODALFRAME");
  EXPECT_EQ(ControlStyleNames(dialog.controls[0]),
            "WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL");
  EXPECT_EQ(ExStyleNames(dialog.controls[0].exStyle), "WS_EX_CLIENTEDGE | 0x40000000");
  EXPECT_EQ(ControlStyleNames(dialog.controls[1]),
            "WS_CHILD | WS_VISIBLE | WS_DISABLED | BS_AUTORADIOBUTTON | BS_LEFTTEXT");
  EXPECT_EQ(ControlStyleNames(dialog.controls[2]), "WS_CHILD | WS_VISIBLE | 0x00001234");
}

}  // namespace
}  // namespace tarvex
