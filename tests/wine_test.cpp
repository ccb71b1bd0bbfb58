// Windows reads what the script says: tests/wine/resdump.c, built with the MinGW compiler
// and linked with the COFF object the compiler makes of a script, runs under Wine and
// prints what the Windows API gives for each of its resources. The text is compared with
// what the script means, written here by hand in the line format described at the top of
// resdump.c. Runs only when TARVEX_E2E=1; then a missing Wine or MinGW compiler is a failure.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/external_tools.h"
#include "tests/statement_checks.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

namespace fs = std::filesystem;
using test::U16;
using test::U32;

constexpr int kBootSeconds = 600;  // a fresh prefix on a busy machine
constexpr int kStepSeconds = 180;

/// A Wine prefix with the dump program compiled, for the test's run. The graphics driver
/// is set to null, so that dialogs are created without a display; the prefix's server is
/// stopped at the end.
struct TWine {
  std::string env = test::FindTool("env"), loader = test::FindTool("wine64"), server, gcc;
  test::TTempDir home;  // prefix/ and resdump.o
  std::string failure;  // why Wine cannot run the tests; empty when ready

  TWine() {
    if (loader.empty() && access("/usr/lib/wine/wine64", X_OK) == 0) loader = "/usr/lib/wine/wine64";
    if (loader.empty()) loader = test::FindTool("wine");
    server = fs::path(loader).parent_path() / "wineserver";
    if (loader.empty() || access(server.c_str(), X_OK) != 0) server = test::FindTool("wineserver");
    gcc = test::FindTool("x86_64-w64-mingw32-gcc");
    for (const auto& [tool, name] :
         {std::pair{&loader, " wine64 (package wine64)"}, std::pair{&server, " wineserver (package wine64)"},
          std::pair{&gcc, " x86_64-w64-mingw32-gcc (package gcc-mingw-w64-x86-64)"}, std::pair{&env, " env"}})
      if (tool->empty()) failure += (failure.empty() ? "missing:" : "") + std::string(name);
    std::string output;
    if (!failure.empty()) return;
    if (test::RunTool({gcc, "-O1", "-Wall", "-Wextra", "-Werror", "-c", "-o", home.File("resdump.o"),
                       std::string(TARVEX_SOURCE_DIR) + "/tests/wine/resdump.c"},
                      output, kStepSeconds) != 0)
      failure = "resdump.c does not compile:\n" + output;
    else if (test::RunTool(
                 Command({loader, "reg", "add", "HKCU\\Software\\Wine\\Drivers", "/v", "Graphics", "/d", "null", "/f"}),
                 output, kBootSeconds) != 0)
      failure = "Wine could not make its prefix:\n" + output;
  }
  ~TWine() {
    std::string ignored;
    if (!server.empty()) test::RunTool({env, "WINEPREFIX=" + home.File("prefix"), server, "-k"}, ignored, kStepSeconds);
  }

  /// `arguments` run by Wine in the prefix, headless and without debug output.
  std::vector<std::string> Command(const std::vector<std::string>& arguments) const {
    std::vector<std::string> command = {env, "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "WINEARCH=win64"};
    for (const char* setting : {"WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree,mshtml=", "WINEPREFIX="})
      command.push_back(setting);
    command.back() += home.File("prefix");
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
  }
};

/// A script and the files it reads, and what resdump prints for it: the whole text, or
/// pieces of it.
struct TWineCase {
  std::string label;
  std::vector<std::pair<std::string, std::string>> files;  ///< name and contents
  std::string script;                                      ///< the file compiled, one of `files`
  std::string expected;
  std::vector<std::string> pieces = {};
};

/// Writes the files into a fresh folder, compiles the script there into a COFF object,
/// links resdump with it and returns what resdump prints under Wine. A failing step is a
/// test failure, and its output is returned.
std::string DumpOf(const TWine& wine, const TWineCase& row) {
  test::TTempDir dir;
  for (const auto& [name, contents] : row.files) dir.Write(name, contents);
  std::string output;
  const std::vector<std::vector<std::string>> steps = {
      {TARVEX_BINARY, "--coff", "--machine=x64", row.script, "script.obj"},
      {wine.gcc, "-o", "resdump.exe", wine.home.File("resdump.o"), "script.obj", "-luser32", "-lgdi32", "-lversion"},
      wine.Command({wine.loader, "resdump.exe"})};
  for (const std::vector<std::string>& step : steps)
    if (test::RunTool(step, output, kStepSeconds, dir.Path()) != 0) {
      ADD_FAILURE() << step[0] << " failed:\n" << output;
      break;
    }
  return output;
}

/// Every file of a folder of the sources.
std::vector<std::pair<std::string, std::string>> SourceFiles(const std::string& folder) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& entry : fs::directory_iterator(std::string(TARVEX_SOURCE_DIR) + "/" + folder)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream contents;
    contents << in.rdbuf();
    files.emplace_back(entry.path().filename().string(), contents.str());
  }
  return files;
}

/// The bundled example, checked piece by piece. Wine's "MS Shell Dlg" at 8 points measures
/// 6 by 12 pixels per 4 by 8 dialog units.
TWineCase ExampleCase() {
  return {"examples/example.rc",
          SourceFiles("examples"),
          "example.rc",
          "",
          {"resource #2 #2 0409\n  bitmap 8x8 bpp=24\n",
           // GRAYED is MF_GRAYED (1); popups carry no id; Wine reports a separator as disabled and grayed.
           "    popup type=0x0 state=0x0 \"&Recent\"\n      item type=0x0 state=0x1 id=1002 \"(empty)\"\n"
           "    item type=0x800 state=0x3 id=0 \"\"\n",
           // DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT, plus DS_3DLOOK and
           // WS_CLIPSIBLINGS that the window manager adds; a DIALOG's FONT has no weight.
           "  dialog class=\"#32770\" style=0x84c800c4 exstyle=0x10101 help=0 text=\"About\" client=270,105 "
           "units=6,12\n  font \"MS Shell Dlg\" height=-11 weight=0 italic=0 charset=1\n",
           // IDC_STATIC: a DIALOG's id is 16 bits (65535), a DIALOGEX's 32 bits (-1). The icon
           // control takes the icon's size.
           "  control class=\"Static\" style=0x50000003 exstyle=0x4 id=65535 text=#1 rect=15,15,47,47 icon=32x32\n",
           "  control class=\"Static\" style=0x50020000 exstyle=0x4 id=-1 text=\"&Name:\" rect=15,18,75,30\n",
           // A closed drop-down list is as tall as its font makes it.
           "  control class=\"ComboBox\" style=0x50010003 exstyle=0x4 id=2005 text=\"\" rect=83,93,308,113\n",
           "resource #6 #1 0407\n  string 1 \"TARVEX Beispiel\"\n",
           // FVIRTKEY | FCONTROL with "O"; VK_F1; "^Q" is Ctrl+Q.
           "  accel fvirt=0x9 key=0x4f cmd=1001\n  accel fvirt=0x1 key=0x70 cmd=1004\n"
           "  accel fvirt=0x0 key=0x11 cmd=1003\n",
           "resource #14 #1 0409\n  icon chosen=#1 size=16x16 default=32x32\n",
           // A string's length counts its terminating zero.
           "version string \"040904b0\" \"CompanyName\" len=15 \"TARVEX example\"\n"}};
}

/// UTF-16LE of an ASCII text with its terminating zero, as templates hold names.
std::string Wide(const std::string& ascii) {
  std::string wide;
  for (char c : ascii) wide += {c, '\0'};
  return wide + std::string(2, '\0');
}

/// A DIALOGEX template written byte by byte, as a script string of \x escapes: help id 7,
/// WS_POPUP | DS_SETFONT, Tahoma 9 bold italic, 100 by 50 units, one control of the probe
/// class (help id 8, id 50, at 5, 5, 20 by 10 units) with the creation data 01 02 AB CD.
std::string ProbeTemplate() {
  std::string dialog = U16(1) + U16(0xFFFF) + U32(7) + U32(0) + U32(0x80000040) + U16(1) + U32(0) + U16(100) + U16(50) +
                       U32(0) + Wide("") + U16(9) + U16(700) + std::string{1, 0} + Wide("Tahoma");
  dialog.resize((dialog.size() + 3) / 4 * 4, '\0');
  dialog += U32(8) + U32(0) + U32(0x50000000) + U16(5) + U16(5) + U16(20) + U16(10) + U32(50) +
            Wide("TarvexDataProbe") + Wide("") + U16(4) + "\x01\x02\xab\xcd";
  std::string text = "\"";
  for (char c : dialog) {
    auto byte = static_cast<unsigned char>(c);
    text += {'\\', 'x', "0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15]};
  }
  return text + "\"";
}

/// What the example leaves out: a cursor, a MENUEX, a DIALOGEX with its own font and a
/// control of the probe class without creation data, a string table past the first block,
/// accelerators with every modifier, named resources, no version information; and a
/// template written byte by byte that shows what the probe control reports of creation data.
TWineCase SamplerCase() {
  // A 32 by 32 black-and-white cursor with its hotspot at 5, 7: a bitmap header (height
  // doubled for the two masks), two colours, the XOR and AND masks.
  std::string image = U32(40) + U32(32) + U32(64) + U16(1) + U16(1) + std::string(24, '\0') + U32(0) + U32(0xFFFFFF) +
                      std::string(128, '\0') + std::string(128, '\xFF');
  std::string cursor =
      U16(0) + U16(2) + U16(1) + std::string{32, 32, 0, 0} + U16(5) + U16(7) + U32(304) + U32(22) + image;
  std::string script =
      "LANGUAGE 9, 1\nrawprobe DIALOGTEMPLATE { " + ProbeTemplate() + " }\n" + R"~(arrow CURSOR "arrow.cur"
2 MENUEX
BEGIN
  POPUP "&View", 10, 0, 0, 5
  BEGIN
    MENUITEM "&Zoom", 11, 0, 8
    MENUITEM "", 0, 0x800
    MENUITEM "&Right", 12, 0x4000
  END
END
probe DIALOGEX 10, 20, 100, 50
STYLE WS_POPUP | WS_CAPTION
CAPTION "Probe"
FONT 9, "Tahoma", 700, 1, 0
BEGIN
  CONTROL "", 40, "TarvexDataProbe", WS_TABSTOP, 5, 5, 20, 10
  CONTROL "Right", 41, "Static", SS_RIGHT, 5, 20, 40, 8, WS_EX_TRANSPARENT
END
STRINGTABLE
BEGIN
  17, "Tab\there"
  31, "last"
END
keys ACCELERATORS
BEGIN
  VK_F2, 20, VIRTKEY, SHIFT, ALT, NOINVERT
  "a", 21, ALT
END
)~";
  // Wine's Tahoma at 9 points, bold, measures 7 by 14 pixels per 4 by 8 units; it drops a
  // MENUEX popup's help id and makes every dialog font with DEFAULT_CHARSET (1). The cursor
  // resource is the hotspot and the file's image. FVIRTKEY 1 | FNOINVERT 2 | FSHIFT 4 |
  // FALT 0x10 with VK_F2 (0x71).
  return {"sampler",
          {{"arrow.cur", cursor}, {"sampler.rc", script}},
          "sampler.rc",
          R"~(resource "DIALOGTEMPLATE" "RAWPROBE" 0409
  dialog class="#32770" style=0x84000044 exstyle=0x10000 help=7 text="" client=175,88 units=7,14
  font "Tahoma" height=-12 weight=700 italic=1 charset=1
  control class="TarvexDataProbe" style=0x50000000 exstyle=0x4 id=50 text="" rect=9,9,44,27 data=4 01 02 ab cd
resource #1 #1 0409
  image 32x32 bytes=308
resource #4 #2 0409
  menu format=1
  popup type=0x0 state=0x0 id=10 "&View"
    item type=0x0 state=0x8 id=11 "&Zoom"
    item type=0x800 state=0x0 id=0 ""
    item type=0x4000 state=0x0 id=12 "&Right"
resource #5 "PROBE" 0409
  dialog class="#32770" style=0x84c00044 exstyle=0x10100 help=0 text="Probe" client=175,88 units=7,14
  font "Tahoma" height=-12 weight=700 italic=1 charset=1
  control class="TarvexDataProbe" style=0x50010000 exstyle=0x4 id=40 text="" rect=9,9,44,27 data=none
  control class="Static" style=0x50000002 exstyle=0x24 id=41 text="Right" rect=9,35,79,49
resource #6 #2 0409
  string 17 "Tab\there"
  string 31 "last"
resource #9 "KEYS" 0409
  accel fvirt=0x17 key=0x71 cmd=20
  accel fvirt=0x10 key=0x61 cmd=21
resource #12 "ARROW" 0409
  cursor chosen=#1 size=32x32 default=32x32 hotspot=5,7
version none
)~"};
}

/// Forms that real scripts use and that Windows must read as they mean: an icon named with
/// backslashes, a DIALOGEX with help ids, a FONT without character set, IDC_STATIC, a
/// coordinate written as 65510 for -26, controls with creation data; raw data with 32-bit
/// constants and wide strings; a toolbar button id of -32460; version flags with the high
/// bit; and a LANGUAGE statement that ends the script.
TWineCase RealScriptFormsCase() {
  TWineCase row{"real script forms", {}, "forms.rc", {}};
  for (const auto& [name, contents] : SourceFiles("examples"))
    if (name == "app.ico") row.files.emplace_back("res/app.ico", contents);
  row.files.emplace_back("forms.rc", R"~(#include <winres.h>
#define IDD_FORMS 300
LANGUAGE 9, 1
1 ICON "res\app.ico"
IDD_FORMS DIALOGEX 0, 0, 120, 60, 77
STYLE WS_POPUP | WS_CAPTION
CAPTION "Forms"
FONT 8, "MS Shell Dlg"
BEGIN
  LTEXT "Label", IDC_STATIC, 65510, 4, 40, 8, SS_LEFT, WS_EX_TRANSPARENT, 9
  CONTROL "", 60, "TarvexDataProbe", 0, 5, 20, 20, 10 { 1, 2L, "ab", 'FF' }
  CONTROL "", 61, "TarvexDataProbe", WS_TABSTOP, 5, 35, 20, 10, 0, 12
  BEGIN
    L"Hi"
  END
  PUSHBUTTON "OK", IDOK, 60, 40, 50, 14
END
1 RCDATA { WS_POPUP, 0xFFFFFFFFL, L"", L"Hi", -1 }
1 TOOLBAR 16, 15
BEGIN
  BUTTON -32460
  SEPARATOR
  BUTTON 100
END
1 VERSIONINFO
FILEVERSION 1,2,3,4
PRODUCTVERSION 1,2,3,4
FILEFLAGSMASK 0xFFFFFFFFL
FILEFLAGS 0x80000000
FILEOS VOS_NT_WINDOWS32
FILETYPE VFT_APP
BEGIN
END

LANGUAGE 7, 1
)~");
  // The head's fifth number is the dialog's help id (Wine shows no control help ids); FONT
  // without weight or character set asks for 0 and DEFAULT_CHARSET. IDC_STATIC reads back as
  // -1 and 65510 as -26. Creation data: 1, 2L, "ab" and 'FF' are 9 bytes, made 10 by a zero
  // byte that the size counts; L"Hi" is 4 bytes. The item after creation data is read where
  // it lies. Raw data: WS_POPUP and 0xFFFFFFFFL as 32-bit patterns, L"" as nothing, -1 as a
  // word. TOOLBAR (241): version 1, 16 by 15, 3 items; -32460 is 0x8134, the separator 0.
  row.expected = R"~(resource #3 #1 0409
  image 16x16 bytes=1128
resource #5 #300 0409
  dialog class="#32770" style=0x84c00044 exstyle=0x10100 help=77 text="Forms" client=180,90 units=6,12
  font "MS Shell Dlg" height=-11 weight=0 italic=0 charset=1
  control class="Static" style=0x50020000 exstyle=0x24 id=-1 text="Label" rect=-39,6,21,18
  control class="TarvexDataProbe" style=0x50000000 exstyle=0x4 id=60 text="" rect=8,30,38,45 data=10 01 00 02 00 00 00 61 62 ff 00
  control class="TarvexDataProbe" style=0x50010000 exstyle=0x4 id=61 text="" rect=8,53,38,68 data=4 48 00 69 00
  control class="Button" style=0x50010000 exstyle=0x4 id=1 text="OK" rect=90,60,165,81
resource #10 #1 0409
  data 00 00 00 80 ff ff ff ff 48 00 69 00 ff ff
resource #14 #1 0409
  icon chosen=#1 size=16x16 default=32x32
resource #16 #1 0409
resource #241 #1 0409
  data 01 00 10 00 0f 00 03 00 34 81 00 00 64 00
version fixed signature=0xfeef04bd struc=0x10000 file=1.2.3.4 product=1.2.3.4 flagsmask=0xffffffff flags=0x80000000 os=0x40004 type=0x1 subtype=0x0 date=0x0,0x0
)~";
  return row;
}

/// Forms of scripts written for other compilers: names and ids anywhere in 16 bits (a
/// dialog 50038, an RCDATA 65535, menu ids -1, -32379 from a resource.h and 65535, an
/// accelerator id -32000), numbers with leading zeros, version values without commas and
/// with written zeros, a C header named .inc, <sys/types.h>, and a Ctrl-Z that ends the
/// script before text that would not compile.
TWineCase OtherCompilersCase() {
  TWineCase row{"scripts written for other compilers", {}, "other.rc", {}};
  row.files = {{"resource.h", "#define ID_MENU_ALIGN_MAPPING_V -32379\n"},
               {"versionServerViewer.inc", "#define APS_MAJORNUMBER 2026\n#define APS_MINORNUMBER 08\n"},
               {"other.rc", R"~(#include <sys/types.h>
#include <windows.h>
#include "resource.h"
#include "versionServerViewer.inc"
LANGUAGE 9, 1
50038 DIALOGEX 0, 0, 100, 50
STYLE WS_POPUP
FONT 8, "MS Shell Dlg"
BEGIN
  PUSHBUTTON "OK", IDOK, 5, 5, 40, 14
END
65535 RCDATA { 1 }
1 MENU
BEGIN
  MENUITEM "Blah blah", -1
  MENUITEM "Align",
    ID_MENU_ALIGN_MAPPING_V
  MENUITEM "Top", 65535
END
1 ACCELERATORS
BEGIN
  "a", -32000
END
1 VERSIONINFO
FILEVERSION APS_MAJORNUMBER,APS_MINORNUMBER,02,09
PRODUCTVERSION 019
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040904E4"
    BEGIN
      VALUE "FileVersion", "1.0\0"
      VALUE "Cut", "a\0b"
      VALUE "Empty", ""
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x0409 0x04E4
  END
END
)~" + std::string("\x1A\"not a script\n", 15)}};
  // GetMenuItemID and CopyAcceleratorTableW give the ids as 16-bit patterns: -1 is 65535,
  // -32379 is 33157, -32000 is 33536. A version text's length counts its one zero.
  row.pieces = {
      "resource #4 #1 0409\n  menu format=0\n  item type=0x0 state=0x0 id=65535 \"Blah blah\"\n"
      "  item type=0x0 state=0x0 id=33157 \"Align\"\n  item type=0x0 state=0x0 id=65535 \"Top\"\n",
      "resource #5 #50038 0409\n  dialog class=\"#32770\"",
      "resource #9 #1 0409\n  accel fvirt=0x0 key=0x61 cmd=33536\n",
      "resource #10 #65535 0409\n  data 01 00\n",
      "version fixed signature=0xfeef04bd struc=0x10000 file=2026.8.2.9 product=19.0.0.0 ",
      "version translation 0409 04e4\n",
      "version string \"040904E4\" \"FileVersion\" len=4 \"1.0\"\n",
      "version string \"040904E4\" \"Cut\" len=2 \"a\"\n",
      "version string \"040904E4\" \"Empty\" len=1 \"\"\n"};
  return row;
}

TEST(WineTest, WindowsReadsWhatTheScriptSays) {
  const char* e2e = std::getenv("TARVEX_E2E");
  if (!e2e || std::string(e2e) != "1") GTEST_SKIP() << "end-to-end tests run with TARVEX_E2E=1";
  TWine wine;
  ASSERT_TRUE(wine.failure.empty()) << wine.failure;
  for (const TWineCase& row : {ExampleCase(), SamplerCase(), RealScriptFormsCase(), OtherCompilersCase()}) {
    SCOPED_TRACE(row.label);
    std::string dump = DumpOf(wine, row);
    EXPECT_TRUE(row.expected.empty() || dump == row.expected) << dump;
    for (const std::string& piece : row.pieces) EXPECT_NE(dump.find(piece), std::string::npos) << piece << dump;
  }
}

}  // namespace
}  // namespace tarvex
