#include "statements/dialog.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "output/res_image.h"
#include "statements/compile_api.h"
#include "tests/statement_checks.h"

namespace tarvex {
namespace {

using test::CompileText;
using test::FromHex;
using test::HexRows;
using test::ReadResImage;

// A dialog template walked as Windows' dialog manager walks it, one line per part:
//   DIALOG style=0x80C80040 exstyle=0x00000000 items=1 rect=0,0,200,100
//   menu="" class="" caption="About"
//   font=8 "MS Shell Dlg"                      (with DS_SETFONT only)
//   item style=0x50010000 exstyle=0x00000000 rect=10,10,50,14 id=1 class=BUTTON title="OK"
// An extended template starts with "DIALOGEX help=0", prints "font=8 weight=400 italic=0
// charset=1 ..." and starts each item with "item help=0"; an item with creation data ends
// with " data=" and its bytes. Padding before an item that is not zero, a field that runs
// past the end and bytes after the last item throw.
std::string DescribeDialog(std::span<const std::uint8_t> data) {
  TByteCursor in(data);
  auto hex = [](std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return std::string(text);
  };
  auto rect = [&in] {
    std::string text = "rect=";
    for (int i = 0; i < 4; ++i) text += (i ? "," : "") + std::to_string(in.I16());
    return text;
  };
  auto name = [&in](bool predefinedClass) {
    static const char* const kClasses[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};
    TResourceId id = in.NameOrOrdinal();
    if (!id.isOrdinal) return "\"" + DisplayUtf8(id.text) + "\"";
    if (predefinedClass && id.ordinal >= 0x80 && id.ordinal <= 0x85) return std::string(kClasses[id.ordinal - 0x80]);
    return "#" + std::to_string(id.ordinal);
  };
  bool extended = data.size() >= 4 && data[0] == 1 && data[1] == 0 && data[2] == 0xFF && data[3] == 0xFF;
  std::string text = extended ? "DIALOGEX help=" : "DIALOG";
  if (extended) text += std::to_string((in.Skip(4), in.U32()));
  std::uint32_t first = in.U32(), second = in.U32(), style = extended ? second : first;
  std::uint16_t items = in.U16();
  text += " style=" + hex(style) + " exstyle=" + hex(extended ? first : second) + " items=" + std::to_string(items);
  text += " " + rect();
  text += "\nmenu=" + name(false);
  text += " class=" + name(false);
  text += " caption=" + name(false) + "\n";
  if ((style & 0x40) != 0) {  // DS_SETFONT
    text += "font=" + std::to_string(in.U16());
    if (extended) {
      text += " weight=" + std::to_string(in.U16());
      text += " italic=" + std::to_string(in.U8());
      text += " charset=" + std::to_string(in.U8());
    }
    text += " " + name(false) + "\n";
  }
  for (std::uint16_t i = 0; i < items; ++i) {
    while (in.Position() % 4 != 0)
      if (in.U8() != 0) in.Fail("padding byte is not zero");
    text += extended ? "item help=" + std::to_string(in.U32()) : "item";
    first = in.U32();
    second = in.U32();
    text += " style=" + hex(extended ? second : first) + " exstyle=" + hex(extended ? first : second);
    text += " " + rect();
    text += " id=" + std::to_string(extended ? in.U32() : in.U16());
    text += " class=" + name(true);
    text += " title=" + name(false);
    if (std::uint16_t extra = in.U16(); extra != 0) {
      text += " data=";
      for (std::uint16_t k = 0; k < extra; ++k) text += HexRows({in.U8()});
    }
    text += "\n";
  }
  if (!in.AtEnd()) in.Fail("bytes after the last item");
  return text;
}

std::vector<std::uint8_t> DialogData(const std::string& script, std::string_view name = "#1") {
  TCompilation outcome = CompileText(script);
  if (!outcome.errorText.empty()) throw std::runtime_error(outcome.errorText);
  return test::FindEntry(ReadResImage(outcome.image), "#5", name).data;
}

// The whole dialog named 1 as text, or the error that stopped the compilation.
std::string Dialog(const std::string& script) {
  std::string text;
  std::string error = test::ErrorOf([&] { text = DescribeDialog(DialogData(script)); });
  return error.empty() ? text : error;
}

// The item lines of dialog 1 whose controls are `controls`.
std::string Items(const std::string& controls, const std::string& form = "DIALOG") {
  std::string text = Dialog("1 " + form + " 0, 0, 100, 50\n{\n" + controls + "\n}\n");
  std::size_t first = text.find("\nitem ");
  return first == std::string::npos ? text : text.substr(first + 1);
}

TEST(DialogTest, LayoutBytesFontsAndRareControlStatements) {
  // 18-byte head, no menu, no class, caption "A": 26 bytes, then 2 zero bytes.
  EXPECT_EQ(HexRows(DialogData("1 DIALOG 1, 2, 3, 4\nCAPTION \"A\"\n{ PUSHBUTTON \"OK\", 1, 10, 10, 50, 14 }\n")),
            HexRows(FromHex("0000C000 00000000 0100 0100 0200 0300 0400 0000 0000 41000000 0000"
                            "00000150 00000000 0A00 0A00 3200 0E00 0100 FFFF8000 4F004B000000 0000")));
  // A DIALOGEX's font has weight, italic and character set; a DIALOG reads them but has no
  // place for them.
  EXPECT_EQ(Dialog("1 DIALOGEX 0,0,0,0\nFONT 8, \"A\", 700, 1, 0xCC\n{ }"),
            "DIALOGEX help=0 style=0x00000040 exstyle=0x00000000 items=0 rect=0,0,0,0\n"
            "menu=\"\" class=\"\" caption=\"\"\nfont=8 weight=700 italic=1 charset=204 \"A\"\n");
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
  // The control statements real scripts seldom use; the others are compiled by the corpus.
  EXPECT_EQ(Items("RADIOBUTTON 5,5,1,2,3,4\nSTATE3 \"f\",6,1,2,3,4\nAUTO3STATE \"g\",7,1,2,3,4"),
            "item style=0x50000004 exstyle=0x00000000 rect=1,2,3,4 id=5 class=BUTTON title=\"5\"\n"
            "item style=0x50010005 exstyle=0x00000000 rect=1,2,3,4 id=6 class=BUTTON title=\"f\"\n"
            "item style=0x50010006 exstyle=0x00000000 rect=1,2,3,4 id=7 class=BUTTON title=\"g\"\n");
}

// Control keywords are read in any letter case; a word that differs from one in any
// single place, or is one with a letter more or less, names no control.
TEST(DialogTest, ControlKeywordsInAnyCase) {
  struct TCase {
    const char* statement;
    const char* expected;
  } cases[] = {
      {"ltext \"a\", 1, 2, 3, 4, 5", "style=0x50020000 class=STATIC"},
      {"Icon \"a\", 1, 2, 3, 4, 5", "style=0x50000003 class=STATIC"},
      {"state3 \"a\", 1, 2, 3, 4, 5", "style=0x50010005 class=BUTTON"},
      {"ListBox 1, 2, 3, 4, 5", "style=0x50800001 class=LISTBOX"},
      {"combobox 1, 2, 3, 4, 5", "style=0x50010000 class=COMBOBOX"},
      {"sCROLLbAR 1, 2, 3, 4, 5", "style=0x50000000 class=SCROLLBAR"},
      {"Auto3State \"a\", 1, 2, 3, 4, 5", "style=0x50010006 class=BUTTON"},
      {"defPushButton \"a\", 1, 2, 3, 4, 5", "style=0x50010001 class=BUTTON"},
      {"autoradiobutton \"a\", 1, 2, 3, 4, 5", "style=0x50000009 class=BUTTON"},
  };
  for (const TCase& c : cases) {
    std::string items = Items(c.statement);
    std::size_t style = items.find("style="), classAt = items.find(" class=");
    std::string seen = style == std::string::npos || classAt == std::string::npos
                           ? items
                           : items.substr(style, 16) + items.substr(classAt, items.find(' ', classAt + 1) - classAt);
    EXPECT_EQ(seen, c.expected) << c.statement;
  }
  for (std::string word : {"ICO", "ICONS", "LTEXX", "LT_XT", "STATE4", "PUSHBUTTOX", "AUTORADIOBUTTONS",
                           "AUTORADIQBUTTON", "AUTO_RADIOBUTTON", "AUTORADIOBUTTONBOX"})
    EXPECT_EQ(Items(word + " \"a\", 1, 2, 3, 4, 5"), "File a.rc. Line 3 : 115. Unknown Dialog Control Class: " + word);
}

// Titles and class names of every length up to beyond what an item gathers before
// writing, ASCII and not, and items that end 2 bytes off a boundary.
TEST(DialogTest, TitlesAndClassesOfEveryLength) {
  std::vector<std::string> texts = {
      "", "a", "abcdefg", "abcdefgh", "abcdefghi", "0123456789abcde", "0123456789abcdef", "0123456789abcdefg"};
  texts.insert(texts.end(), {"caf\xC3\xA9 ok", "A" + std::string(128, 'q') + "Z"});
  for (const std::string& text : texts)
    for (bool extended : {false, true}) {
      std::string controls = "LTEXT \"" + text + "\", 1, 2, 3, 4, 5\nCONTROL \"" + text + "\", 2, \"" + text +
                             "x\", 0, 1, 2, 3, 4\nCONTROL \"\", 3, \"y" + text + "\", 0, 1, 2, 3, 4" +
                             (extended ? " { 1 }" : "") + "\nPUSHBUTTON \"" + text + "\", 4, 1, 2, 3, 4";
      std::string item = extended ? "item help=0 style=0x50" : "item style=0x50";
      EXPECT_EQ(Items("#pragma code_page(65001)\n" + controls, extended ? "DIALOGEX" : "DIALOG"),
                item + "020000 exstyle=0x00000000 rect=2,3,4,5 id=1 class=STATIC title=\"" + text + "\"\n" + item +
                    "000000 exstyle=0x00000000 rect=1,2,3,4 id=2 class=\"" + text + "x\" title=\"" + text + "\"\n" +
                    item + "000000 exstyle=0x00000000 rect=1,2,3,4 id=3 class=\"y" + text + "\" title=\"\"" +
                    (extended ? " data=0100" : "") + "\n" + item +
                    "010000 exstyle=0x00000000 rect=1,2,3,4 id=4 class=BUTTON title=\"" + text + "\"\n")
          << extended << " " << text;
    }
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
      // A CONTROL read in one run: a class text that names a control keyword, a static
      // whose style shows an icon keeps its text title, a defined name in place of END
      {"#define FINISH END\n1 DIALOGEX 0, 0, 1, 1\n{\n"
       "CONTROL \"t\", 3, \"listbox\", 0x10, 1, 2, 3, 4, 0x20, 6\n"
       "CONTROL \"i\" 4 \"Static\" 3 5 6 7 8\nEDITTEXT 5, 1, 2, 3, 4, 0x40\nFINISH",
       "DIALOGEX help=0 style=0x00000000 exstyle=0x00000000 items=3 rect=0,0,1,1\n"
       "menu=\"\" class=\"\" caption=\"\"\n"
       "item help=6 style=0x50000010 exstyle=0x00000020 rect=1,2,3,4 id=3 class=LISTBOX title=\"\"\n"
       "item help=0 style=0x50000003 exstyle=0x00000000 rect=5,6,7,8 id=4 class=STATIC title=\"i\"\n"
       "item help=0 style=0x50810040 exstyle=0x00000000 rect=1,2,3,4 id=5 class=EDIT title=\"\"\n"},
      // A DIALOG has no place for help ids or creation data.
      {"1 DIALOG 0, 0, 1, 1, 5 { }", "File a.rc. Line 1 : 111. \"{\" or BEGIN expected but got 5"},
      {"1 DIALOG 0, 0, 1, 1 { LTEXT \"\", 1, 0, 0, 1, 1, 0, 0, 5 }",
       "File a.rc. Line 1 : 115. Unknown Dialog Control Class: 5"},
  };
  for (const TCase& c : cases) EXPECT_EQ(Dialog(c.script), c.expected) << c.script;
}

// Nothing of a dialog, of its items, or of one that failed, carries over to the next.
TEST(DialogTest, EachDialogStartsAfresh) {
  const std::string full =
      "1 DIALOGEX 1, 2, 3, 4, 5 STYLE 0x10 EXSTYLE 0x20 CAPTION \"A long caption text\" MENU \"m\" CLASS 7\n"
      "FONT 8, \"A long face name here\", 700, 1, 2\n{ CONTROL \"A long title text\", 1, \"A long class name\", 0, "
      "1, 2, 3, 4, 0x40, 9 { 1 }\n LTEXT \"t\", 2, 1, 2, 3, 4 }\n";
  CompileText(full + "3 DIALOGEX 0, 0, 1, 1 FONT 9, \"f\" { LTEXT \"x\", 1, 2, 3, 4, 5, 6, 7, 8 { 2, 3");
  for (std::string form : {"DIALOG", "DIALOGEX"}) {
    std::string help = form == "DIALOG" ? "" : " help=0";
    EXPECT_EQ(
        DescribeDialog(DialogData(full + "2 " + form + " 0, 0, 1, 1 { CONTROL \"\", 3, 0x81, 0, 1, 2, 3, 4 }", "#2")),
        form + help + " style=0x00000000 exstyle=0x00000000 items=1 rect=0,0,1,1\nmenu=\"\" class=\"\" caption=\"\"\n" +
            "item" + help + " style=0x50000000 exstyle=0x00000000 rect=1,2,3,4 id=3 class=EDIT title=\"\"\n")
        << form;
  }
}

// A host may compile another script from a callback while a dialog's controls are read
// (here as a file is opened in the middle of a control statement): each keeps its own.
TEST(DialogTest, ACompilationStartedMeanwhileKeepsItsOwnItems) {
  test::TTempDir dir;
  dir.Write("x.h", "#define X 1\n");
  dir.Write("b.rc",
            "2 DIALOGEX 0, 0, 9, 9 { CONTROL \"An inner title text\", 5, \"An inner class\", 0, 1, 2, 3, 4 "
            "{ 7 } }\n");
  dir.Write("a.rc",
            "1 DIALOGEX 0, 0, 9, 9 { CONTROL \"An outer title text\", 1, \"An outer class\", 0,\n"
            "#include \"x.h\"\n 1, 2, 3, 4 }\n");
  test::TWorkingDirectory cwd(dir.Path());
  TCompileOptions options;
  TCompilation inner;
  options.fileOpened = [&inner](const std::string& name) {
    if (name.ends_with("x.h")) inner = CompileToImage("b.rc");
  };
  TCompilation outer = CompileToImage("a.rc", {}, options);
  ASSERT_EQ(inner.errorText, "");
  ASSERT_EQ(outer.errorText, "");
  const std::string head =
      "DIALOGEX help=0 style=0x00000000 exstyle=0x00000000 items=1 rect=0,0,9,9\nmenu=\"\" class=\"\" caption=\"\"\n"
      "item help=0 style=0x50000000 exstyle=0x00000000 rect=1,2,3,4 ";
  EXPECT_EQ(DescribeDialog(test::FindEntry(ReadResImage(outer.image), "#5", "#1").data),
            head + "id=1 class=\"An outer class\" title=\"An outer title text\"\n");
  EXPECT_EQ(DescribeDialog(test::FindEntry(ReadResImage(inner.image), "#5", "#2").data),
            head + "id=5 class=\"An inner class\" title=\"An inner title text\" data=0700\n");
}

// Each message with its number and line; a failure leaves no file.
TEST(DialogTest, EveryMessageWithItsLine) {
  const std::pair<std::string, std::string> cases[] = {  // after the line "1 DIALOG 0, 0, 10, 10"
      {"CAPTION 5", "13@2: 13. Double quoted string expected but got 5"},
      {"{ LTEXT x, 1, 1, 2, 3, 4 }", "99@2: 99. Quoted string or number expected but got x"},
      {"{ EDITTEXT \"a\", 1, 2, 3, 4 }", "100@2: 100. Control identifier (smallint) expected"},
      {"{ EDITTEXT 1, 1, 2, 3\n}", "104@3: 104. height (in dialog units) expected"},
      {"{ EDITTEXT 1, 1, 65536, 3, 4 }", "105@2: 105. A number in range [-32768..32767] expected but got 65536"},
      {"MENU -1", "106@2: 106. Double quoted string or number expected but got -1"},
      {"FONT \"A\"", "108@2: 108. Font size expected by got \"A\""},
      {"FONT 8, 9", "110@2: 110. Font name expected but got 9"},
      {"SIZE 5", "111@2: 111. \"{\" or BEGIN expected but got SIZE"},
      {"{ CONTROL \"\", x, \"Static\", 0, 1, 2, 3, 4 }", "112@2: 112. Bad control identifier: x"},
      {"{ CONTROL \"\", 1, 0x86, 0, 1, 2, 3, 4 }",
       "113@2: 113. Bad class id: 134; Quoted string or a number in range [0x80..0x85] expected"},
      {"{ CONTROL \"\", 1, \"Static\", x, 1, 2, 3, 4 }", "114@2: 114. Control style expected"},
      {"{ SLIDER 1 }", "115@2: 115. Unknown Dialog Control Class: SLIDER"},
      {"MENU 65536", "86@2: 86. A number in range 0..65535 expected instead 65536"},
      {"FONT 8, \"A\", 400, 256", "File a.rc. Line 2 : A number in range 0..255 expected instead 256"},
  };
  for (const auto& [body, expected] : cases) EXPECT_EQ(test::Failure("1 DIALOG 0, 0, 10, 10\n" + body), expected);
  std::string script = "1 DIALOG 0, 0, 10, 10\n{\n";
  for (int i = 0; i < 1400; ++i) script += "PUSHBUTTON \"Button text\", 1, 1, 2, 3, 4\n";  // 48 bytes each
  EXPECT_EQ(test::Failure(script + "}\n"),
            "File a.rc. Line 1403 : Resource DIALOG 1: data of 67224 bytes exceeds the limit of 65535 bytes");
}

}  // namespace
}  // namespace tarvex
