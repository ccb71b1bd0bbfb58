#include "statements/warning_checks.h"

#include <gtest/gtest.h>

#include "tarvex/tarvex.h"
#include "tests/statement_checks.h"

namespace tarvex {
namespace {

using test::U16;
using test::U32;

// An icon file whose images are `sizes` pixels square (0 for 256), each a bare bitmap header.
std::string IconFile(const std::vector<unsigned>& sizes) {
  std::string file = U16(0) + U16(1) + U16(static_cast<unsigned>(sizes.size()));
  std::string images;
  std::size_t at = 6 + 16 * sizes.size();
  for (unsigned size : sizes) {
    std::string image = U32(40) + U32(size) + U32(2 * size) + U16(1) + U16(32) + std::string(24, '\0');
    file += std::string{static_cast<char>(size & 0xFF), static_cast<char>(size & 0xFF), 0, 0} + U16(1) + U16(32) +
            U32(static_cast<std::uint32_t>(image.size())) + U32(static_cast<std::uint32_t>(at + images.size()));
    images += image;
  }
  return file + images;
}

const std::string kDialogHead = "1 DIALOGEX 0, 0, 200, 100\nFONT 8, \"MS Shell Dlg\"\n{\n";
// A dialog in a file of its own, closed long before its warnings are shown.
const std::string kPage =
    kDialogHead + "  PUSHBUTTON \"&Go\", 1, 170, 10, 40, 14\n  PUSHBUTTON \"&go\", 2, 10, 10, 40, 14\n}\n";

// Each warning as "line:column name: text", each note as "  line:column: text".
std::vector<std::string> WarningsOf(const std::string& script, std::vector<std::string> options = {"-Wall"}) {
  TScriptOptions scriptOptions;
  scriptOptions.warningOptions = std::move(options);
  scriptOptions.files = [](const std::string& path, std::string& contents) {
    if (path == "both.ico") contents = IconFile({16, 32, 48});
    else if (path == "big.ico") contents = IconFile({32, 0});
    else if (path == "small.ico") contents = IconFile({16});
    else if (path == "page.rc") contents = kPage;
    else return false;
    return true;
  };
  TScriptResult result = CompileScriptText("app.rc", script, scriptOptions);
  EXPECT_TRUE(result.Succeeded()) << result.errorText;
  std::vector<std::string> lines;
  auto at = [](const TScriptPlace& place) { return std::to_string(place.line) + ":" + std::to_string(place.column); };
  for (const TScriptWarning& warning : result.warnings) {
    lines.push_back(at(warning.place) + " " + warning.name + ": " + warning.text);
    for (const TScriptNote& note : warning.notes) lines.push_back("  " + at(note.place) + ": " + note.text);
  }
  return lines;
}

struct TWarningCase {
  const char* label;
  std::string script;
  std::vector<std::string> expected;
};

// A script that shows each warning, then the nearest one that must not.
const TWarningCase kWarningCases[] = {
    {"duplicate id",
     kDialogHead + "  PUSHBUTTON \"A\", 1002, 10, 10, 40, 14\n  PUSHBUTTON \"B\", 1002, 60, 10, 40, 14\n}\n",
     {"5:3 duplicate-id: control id 1002 is also used at line 4", "  4:3: first used here"}},
    {"IDC_STATIC and 0xFFFF repeated",
     kDialogHead + "  LTEXT \"a\", -1, 10, 10, 40, 8\n  LTEXT \"b\", -1, 10, 30, 40, 8\n"
                   "  CONTROL \"c\", 0xFFFF, \"Button\", BS_PUSHBUTTON | WS_VISIBLE, 10, 50, 40, 14\n"
                   "  CONTROL \"d\", 0xFFFF, \"Button\", BS_PUSHBUTTON | WS_VISIBLE, 60, 50, 40, 14\n}\n",
     {}},
    {"mnemonic in a dialog, letter case ignored",
     kDialogHead + "  PUSHBUTTON \"&File\", 1, 10, 10, 40, 14\n  LTEXT \"&find:\", 2, 60, 10, 40, 8\n}\n",
     {"5:3 mnemonic: mnemonic &f of \"&find:\" is also used by \"&File\" at line 4", "  4:3: first used here"}},
    {"&& is no mnemonic, hidden and SS_NOPREFIX texts have none",
     kDialogHead + "  PUSHBUTTON \"&&File\", 1, 10, 10, 40, 14\n  PUSHBUTTON \"&File\", 2, 60, 10, 40, 14\n"
                   "  LTEXT \"&F\", 3, 10, 30, 40, 8, SS_NOPREFIX\n"
                   "  PUSHBUTTON \"&Fix\", 4, 60, 30, 40, 14, NOT WS_VISIBLE\n}\n",
     {}},
    {"mnemonic on one menu level",
     "1 MENU\n{\n  POPUP \"&File\"\n  {\n    MENUITEM \"&Open\\tCtrl+O\", 1\n    MENUITEM SEPARATOR\n"
     "    MENUITEM \"&other\", 2\n  }\n}\n",
     {"7:5 mnemonic: mnemonic &o of \"&other\" is also used by \"&Open\tCtrl+O\" at line 5",
      "  5:5: first used here"}},
    {"the same mnemonic on two levels, and after a tab",
     "1 MENUEX\n{\n  POPUP \"&File\"\n  {\n    MENUITEM \"&Find\", 1\n    MENUITEM \"Save\\t&F2\", 2\n  }\n"
     "  POPUP \"&Edit\"\n  {\n    MENUITEM \"&Find\", 3\n  }\n}\n",
     {}},
    {"levels in the order of their first mnemonic, a pop-up on its parent's, a separator with none",
     "1 MENUEX\n{\n  POPUP \"File\"\n  {\n    MENUITEM \"&a\", 1\n    MENUITEM \"&A\", 2\n"
     "    MENUITEM \"&a\", 3, 0x800\n  }\n  MENUITEM \"&f\", 4\n  POPUP \"&Fold\" { MENUITEM \"&f\", 5 }\n}\n",
     {"6:5 mnemonic: mnemonic &A of \"&A\" is also used by \"&a\" at line 5", "  5:5: first used here",
      "10:3 mnemonic: mnemonic &F of \"&Fold\" is also used by \"&f\" at line 9", "  9:3: first used here"}},
    {"a menu text ends at a zero",
     "1 MENU\n{\n  MENUITEM \"a\\0&b\", 1\n  MENUITEM \"&b\", 2\n  MENUITEM \"&c\\0x\", 3\n  MENUITEM \"&C\", 4\n}\n",
     {"6:3 mnemonic: mnemonic &C of \"&C\" is also used by \"&c\" at line 5", "  5:3: first used here"}},
    {"Turkish keeps dotted and dotless i apart",
     "LANGUAGE LANG_TURKISH, SUBLANG_DEFAULT\n1 MENU\n{\n  MENUITEM \"&ileri\", 1\n  MENUITEM \"&Iptal\", 2\n}\n",
     {}},
    {"English does not",
     "LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US\n1 MENU\n{\n  MENUITEM \"&ileri\", 1\n  MENUITEM \"&Iptal\", 2\n}\n",
     {"5:3 mnemonic: mnemonic &I of \"&Iptal\" is also used by \"&ileri\" at line 4", "  4:3: first used here"}},
    {"controls outside, one warning per dialog",
     kDialogHead + "  PUSHBUTTON \"A\", 1, 170, 10, 40, 14\n  EDITTEXT 2, 10, 120, 40, 14\n}\n",
     {"4:3 outside: push button 1 reaches outside the dialog: 170, 10 to 210, 24 in a dialog of 200 x 100 units "
      "(and 1 other control)",
      "  5:3: edit field 2 lies outside the dialog: 10, 120 to 50, 134"}},
    {"a control outside a dialog looked at whole (two side by side) is told once",
     kDialogHead + "  PUSHBUTTON \"A\", 1, 10, 10, 40, 14\n  PUSHBUTTON \"B\", 2, 60, 10, 40, 14\n"
                   "  EDITTEXT 3, 10, 120, 40, 14\n}\n",
     {"6:3 outside: edit field 3 lies outside the dialog: 10, 120 to 50, 134 in a dialog of 200 x 100 units"}},
    {"a standard template holds 16-bit ids: -2 and 65534 are one",
     "1 DIALOG 0, 0, 200, 100\n{\n  PUSHBUTTON \"A\", -2, 10, 10, 40, 14\n"
     "  PUSHBUTTON \"B\", 65534, 60, 10, 40, 14\n}\n",
     {"4:3 duplicate-id: control id -2 is also used at line 3", "  3:3: first used here"}},
    {"one unit over the edge, a resizable dialog, an etched line, a hidden control",
     kDialogHead + "  PUSHBUTTON \"A\", 1, 161, 10, 40, 14\n"
                   "  CONTROL \"\", 2, \"Static\", SS_ETCHEDHORZ | WS_VISIBLE, 0, 40, 300, 1\n"
                   "  EDITTEXT 3, 10, 120, 40, 14, NOT WS_VISIBLE\n}\n"
                   "2 DIALOGEX 0, 0, 100, 50\nSTYLE WS_POPUP | WS_THICKFRAME\n{\n  PUSHBUTTON \"A\", 1, 170, 10, 40, 14\n}\n",
     {}},
    {"overlapping buttons",
     kDialogHead + "  PUSHBUTTON \"A\", 1, 10, 10, 40, 14\n  PUSHBUTTON \"B\", 2, 40, 15, 40, 14\n}\n",
     {"5:3 overlap: push button 2 overlaps push button 1 at line 4", "  4:3: the control it overlaps"}},
    {"a group box around buttons, static texts, stacked layers, a one-unit touch",
     kDialogHead + "  GROUPBOX \"G\", 9, 5, 5, 150, 60\n  PUSHBUTTON \"A\", 1, 10, 10, 40, 14\n"
                   "  PUSHBUTTON \"B\", 2, 10, 10, 40, 14\n  PUSHBUTTON \"C\", 3, 10, 23, 40, 14\n"
                   "  LTEXT \"a\", 4, 60, 10, 40, 8\n  LTEXT \"b\", 5, 70, 12, 40, 8\n}\n",
     {}},
    {"the same key twice",
     "1 ACCELERATORS\n{\n  \"S\", 1, VIRTKEY, CONTROL\n  \"O\", 2, VIRTKEY, CONTROL\n  \"s\", 3, VIRTKEY, CONTROL\n}\n",
     {"5:3 accelerator: key Ctrl+S is also used at line 3 of this table", "  3:3: first used here"}},
    {"the same key with other modifiers, and ASCII keys of two cases",
     "1 ACCELERATORS\n{\n  \"S\", 1, VIRTKEY, CONTROL\n  \"S\", 2, VIRTKEY, CONTROL, SHIFT\n  \"a\", 3\n  \"A\", 4\n}\n",
     {}},
    {"a string missing in one language",
     "LANGUAGE 9, 1\nSTRINGTABLE\n{\n  1 \"one\"\n  2 \"two\"\n}\nLANGUAGE 7, 1\nSTRINGTABLE\n{\n  1 \"eins\"\n}\n",
     {"8:1 missing-translation: language 0x0407 lacks 1 string that other languages have: 2",
      "  2:1: string 2 is in language 0x0409"}},
    {"one language only", "LANGUAGE 9, 1\nSTRINGTABLE\n{\n  1 \"one\"\n  2 \"two\"\n}\n", {}},
    {"version numbers that differ, and a block Translation does not name",
     "1 VERSIONINFO\nFILEVERSION 2,4,0,0\nPRODUCTVERSION 2,4,1,0\n{\n  BLOCK \"StringFileInfo\"\n  {\n"
     "    BLOCK \"040904b0\"\n    {\n      VALUE \"FileVersion\", \"2.3\"\n      VALUE \"ProductVersion\", \"2, 4\"\n"
     "    }\n  }\n  BLOCK \"VarFileInfo\"\n  {\n    VALUE \"Translation\", 0x409, 1252\n  }\n}\n",
     {"9:13 version: \"FileVersion\" says 2.3 but FILEVERSION says 2.4.0.0", "  2:1: FILEVERSION given here",
      "7:11 version: string block \"040904b0\" is not among the Translation pairs of VarFileInfo (0x0409 0x04E4): "
      "programs that look the strings up by Translation find none of them",
      "  15:11: Translation given here"}},
    {"a version string without numbers, and a matching Translation",
     "1 VERSIONINFO\nFILEVERSION 2,4,0,0\n{\n  BLOCK \"StringFileInfo\"\n  {\n"
     "    BLOCK \"040904E4\"\n    {\n      VALUE \"FileVersion\", \"current\"\n    }\n  }\n"
     "  BLOCK \"VarFileInfo\"\n  {\n    VALUE \"Translation\", 0x409, 1252\n  }\n}\n",
     {}},
    {"a drop-down combo box counts with its closed field, a simple one whole",
     kDialogHead + "  COMBOBOX 1, 10, 80, 60, 100, CBS_DROPDOWNLIST | WS_VSCROLL\n"
                   "  COMBOBOX 2, 80, 95, 60, 100, CBS_DROPDOWN\n  COMBOBOX 3, 150, 80, 40, 30, CBS_SIMPLE\n}\n",
     {"5:3 outside: drop-down combo box 2 reaches outside the dialog: 80, 95 to 140, 108 in a dialog of 200 x 100 "
      "units (and 1 other control)",
      "  6:3: simple combo box 3 reaches outside the dialog: 150, 80 to 190, 110"}},
    {"classes named in any letter case, statics and group boxes by id 0, wide titles",
     kDialogHead + "  CONTROL \"&Go\", 1, \"button\", BS_PUSHBUTTON | WS_VISIBLE, 10, 10, 40, 14\n"
                   "  CONTROL \"&get:\", 2, \"Static\", SS_LEFT | WS_VISIBLE, 60, 10, 40, 8\n"
                   "  CONTROL \"\", 0, \"STATIC\", SS_ETCHEDHORZ | WS_VISIBLE, 10, 30, 180, 1\n"
                   "  CONTROL \"\", 0, \"static\", SS_BLACKFRAME | WS_VISIBLE, 10, 40, 180, 10\n"
                   "  CONTROL \"x\", 0, \"Edit\", WS_VISIBLE, 10, 60, 40, 14\n"
                   "  CONTROL \"y\", 0, \"EDIT\", WS_VISIBLE, 60, 60, 40, 14\n"
                   "  CONTROL \"&Hop\", 7, \"SysLink\", WS_VISIBLE, 10, 80, 40, 8\n"
                   "  CONTROL \"&hip\", 8, \"BUTTON\", BS_GROUPBOX | WS_VISIBLE, 110, 60, 40, 30\n"
                   "  PUSHBUTTON L\"&\\x00e4m\", 9, 150, 10, 40, 14\n  PUSHBUTTON L\"&\\x00c4hm\", 10, 150, 30, 40, 14\n}\n",
     {"9:3 duplicate-id: control id 0 is also used at line 8", "  8:3: first used here",
      "5:3 mnemonic: mnemonic &g of \"&get:\" is also used by \"&Go\" at line 4", "  4:3: first used here",
      "13:3 mnemonic: mnemonic &\u00C4 of \"&\u00C4hm\" is also used by \"&\u00E4m\" at line 12", "  12:3: first used here"}},
    {"an icon without 16x16",
     "1 ICON \"big.ico\"\n2 ICON \"small.ico\"\n",
     {"1:1 icon: icon 1 has no 16x16 image (it has 32x32, 256x256): Windows scales another for the title bar"}},
    {"an icon group with both sizes (a later one is no program icon)", "1 ICON \"both.ico\"\n2 ICON \"small.ico\"\n", {}},
    {"places in an included file keep its text, for their columns, after it closed",
     "#include \"page.rc\"\n2 ICON \"both.ico\"\n",
     {"4:3 outside: push button 1 reaches outside the dialog: 170, 10 to 210, 24 in a dialog of 200 x 100 units",
      "5:3 mnemonic: mnemonic &g of \"&go\" is also used by \"&Go\" at line 4", "  4:3: first used here"}},
};

TEST(WarningChecksTest, EachWarningAndTheNearestScriptWithout) {
  for (const TWarningCase& c : kWarningCases) EXPECT_EQ(WarningsOf(c.script), c.expected) << c.label;
}

// Only the warnings asked for are reported; -Werror fails the compilation with them.
TEST(WarningChecksTest, OptionsChooseWarnings) {
  std::string script = kDialogHead + "  PUSHBUTTON \"&A\", 1, 10, 10, 40, 14\n  PUSHBUTTON \"&a\", 1, 30, 10, 40, 14\n}\n";
  auto names = [&](std::vector<std::string> options) {
    std::vector<std::string> found;
    for (const std::string& line : WarningsOf(script, std::move(options)))
      if (line[0] != ' ') found.push_back(line.substr(line.find(' ') + 1, line.find(':', line.find(' ')) - line.find(' ') - 1));
    return found;
  };
  EXPECT_EQ(names({}), std::vector<std::string>{});
  EXPECT_EQ(names({"-Wall"}), (std::vector<std::string>{"duplicate-id", "overlap", "mnemonic"}));
  EXPECT_EQ(names({"-Wall", "-Wno-overlap"}), (std::vector<std::string>{"duplicate-id", "mnemonic"}));
  EXPECT_EQ(names({"-Wmnemonic"}), (std::vector<std::string>{"mnemonic"}));

  TScriptOptions options;
  options.warningOptions = {"-Wduplicate-id", "-Werror"};
  TScriptResult failed = CompileScriptText("app.rc", script, options);
  EXPECT_EQ(failed.errorText, "1 warning treated as errors (-Werror)");
  EXPECT_TRUE(failed.image.empty());
  ASSERT_EQ(failed.warnings.size(), 1u);
  EXPECT_EQ(failed.warnings[0].name, "duplicate-id");
  options.warningOptions = {"-Wmnemonic", "-Werror"};
  EXPECT_TRUE(CompileScriptText("app.rc", kDialogHead + "}\n", options).Succeeded());
  options.warningOptions = {"-Wmnemonics"};
  EXPECT_EQ(CompileScriptText("app.rc", kDialogHead + "}\n", options).errorText,
            "Unknown warning option -Wmnemonics (warnings: duplicate-id, mnemonic, outside, overlap, accelerator, "
            "missing-translation, version, icon)");
}

TEST(WarningChecksTest, WarningOptionsApplyInOrder) {
  struct TOptionCase {
    std::vector<std::string> arguments;
    TWarningOptionRead last;
    std::uint32_t enabled;
    bool errors;
  };
  const TOptionCase cases[] = {
      {{"-Wall"}, TWarningOptionRead::Taken, kAllWarnings, false},
      {{"-Wall", "-Wno-icon"}, TWarningOptionRead::Taken, kAllWarnings & ~WarningBit(TWarningKind::Icon), false},
      {{"-Wno-icon", "-Wall"}, TWarningOptionRead::Taken, kAllWarnings, false},
      {{"-Wversion", "-Werror"}, TWarningOptionRead::Taken, WarningBit(TWarningKind::Version), true},
      {{"-Werror", "-Wno-error"}, TWarningOptionRead::Taken, 0, false},
      {{"-Wmissing-translation"}, TWarningOptionRead::Taken, WarningBit(TWarningKind::MissingTranslation), false},
      {{"-Wicons"}, TWarningOptionRead::UnknownName, 0, false},
      {{"-W"}, TWarningOptionRead::NotWarning, 0, false},
      {{"-w"}, TWarningOptionRead::NotWarning, 0, false},
      {{"/Wall"}, TWarningOptionRead::NotWarning, 0, false},
  };
  for (const TOptionCase& c : cases) {
    TWarningOptions options;
    TWarningOptionRead last = TWarningOptionRead::NotWarning;
    for (const std::string& argument : c.arguments) last = ReadWarningOption(argument, options);
    EXPECT_EQ(last, c.last) << c.arguments.back();
    EXPECT_EQ(options.enabled, c.enabled) << c.arguments.back();
    EXPECT_EQ(options.errors, c.errors) << c.arguments.back();
  }
}

TEST(WarningChecksTest, VersionStringsAndMnemonics) {
  const std::pair<std::u16string, std::vector<std::uint32_t>> versions[] = {
      {u"2.3", {2, 3}},
      {u"1, 0, 0, 1", {1, 0, 0, 1}},
      {u"v1.2.3.4.5", {1, 2, 3, 4}},
      {u"2.4 beta 7", {2, 4}},
      {u"build 12-3", {12}},
      {u"current", {}},
      {u"99999999999", {0xFFFFFFFF}},
  };
  for (const auto& [text, numbers] : versions) EXPECT_EQ(VersionStringNumbers(text), numbers);
  EXPECT_EQ(MnemonicOf(u"&&Save &As", false), u'A');
  EXPECT_EQ(MnemonicOf(u"Save&&", false), 0);
  EXPECT_EQ(MnemonicOf(u"Trailing&", false), 0);
  EXPECT_EQ(MnemonicOf(u"Open\t&O", true), 0);
  EXPECT_EQ(MnemonicOf(u"Open\t&O", false), u'O');
  EXPECT_EQ(FoldMnemonic(u'\u00E9', 0x409), u'\u00C9');
  EXPECT_EQ(FoldMnemonic(u'\u0434', 0x419), u'\u0414');
  EXPECT_EQ(FoldMnemonic(u'i', 0x41F), u'\u0130');
  EXPECT_EQ(FoldMnemonic(u'i', 0x409), u'I');
  EXPECT_EQ(FoldMnemonic(u'\u0142', 0x415), u'\u0141');
}

}  // namespace
}  // namespace tarvex
