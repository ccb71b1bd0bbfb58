// Windows reads what the script says: tests/wine/resdump.c, built with the MinGW compiler
// and linked with the COFF object the compiler makes of a script, runs under Wine and
// prints what the Windows API gives for each of its resources. The text is compared with
// what the script means, written here by hand. Runs only when TARVEX_E2E=1; then a missing
// Wine or MinGW compiler is a failure.
//
// To add a script: write a function that returns a TWineCase (the files, the script to
// compile and the expected text, built with the helpers below; the line format is
// described at the top of resdump.c) and add it to the table in the TEST.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
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

/// One Wine prefix and one compiled dump program for the whole run of the test binary:
/// making a prefix takes Wine tens of seconds. The graphics driver is set to null, so that
/// dialogs are created without a display. The prefix's server is stopped after the last test.
struct TWine : ::testing::Environment {
  std::string env, loader, server, gcc;
  std::unique_ptr<test::TTempDir> home;  // prefix/ and resdump.o
  std::string failure;                   // why Wine cannot run the tests; empty when ready
  bool prepared = false;

  /// `arguments` run by Wine in the prefix, headless and without debug output.
  std::vector<std::string> Command(const std::vector<std::string>& arguments) const {
    std::vector<std::string> command = {env,
                                        "-u",
                                        "DISPLAY",
                                        "-u",
                                        "WAYLAND_DISPLAY",
                                        "WINEPREFIX=" + home->File("prefix"),
                                        "WINEARCH=win64",
                                        "WINEDEBUG=-all",
                                        "WINEDLLOVERRIDES=mscoree,mshtml="};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return command;
  }

  void Prepare() {
    prepared = true;
    loader = test::FindTool("wine64");
    if (loader.empty() && access("/usr/lib/wine/wine64", X_OK) == 0) loader = "/usr/lib/wine/wine64";
    if (loader.empty()) loader = test::FindTool("wine");
    server = fs::path(loader).parent_path() / "wineserver";
    if (loader.empty() || access(server.c_str(), X_OK) != 0) server = test::FindTool("wineserver");
    gcc = test::FindTool("x86_64-w64-mingw32-gcc");
    env = test::FindTool("env");
    for (const auto& [tool, name] :
         {std::pair{&loader, " wine64 (package wine64)"}, std::pair{&server, " wineserver (package wine64)"},
          std::pair{&gcc, " x86_64-w64-mingw32-gcc (package gcc-mingw-w64-x86-64)"}, std::pair{&env, " env"}})
      if (tool->empty()) failure += (failure.empty() ? "missing:" : "") + std::string(name);
    if (!failure.empty()) return;
    home = std::make_unique<test::TTempDir>();
    std::string output;
    if (test::RunTool({gcc, "-O1", "-Wall", "-Wextra", "-Werror", "-c", "-o", home->File("resdump.o"),
                       std::string(TARVEX_SOURCE_DIR) + "/tests/wine/resdump.c"},
                      output, kStepSeconds) != 0)
      failure = "resdump.c does not compile:\n" + output;
    else if (test::RunTool(
                 Command({loader, "reg", "add", "HKCU\\Software\\Wine\\Drivers", "/v", "Graphics", "/d", "null", "/f"}),
                 output, kBootSeconds) != 0)
      failure = "Wine could not make its prefix:\n" + output;
  }

  void TearDown() override {
    std::string ignored;
    if (home) test::RunTool({env, "WINEPREFIX=" + home->File("prefix"), server, "-k"}, ignored, kStepSeconds);
    home.reset();
  }
};

TWine* const kWine = static_cast<TWine*>(::testing::AddGlobalTestEnvironment(new TWine));

/// A script and the files it reads, and what resdump prints for it.
struct TWineCase {
  std::string label;
  std::vector<std::pair<std::string, std::string>> files;  ///< name and contents
  std::string script;                                      ///< the file compiled, one of `files`
  std::string expected;
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
      {wine.gcc, "-o", "resdump.exe", wine.home->File("resdump.o"), "script.obj", "-luser32", "-lgdi32", "-lversion"},
      wine.Command({wine.loader, "resdump.exe"})};
  for (const std::vector<std::string>& step : steps)
    if (test::RunTool(step, output, kStepSeconds, dir.Path()) != 0) {
      ADD_FAILURE() << step[0] << " failed:\n" << output;
      break;
    }
  return output;
}

// ---- writing the expected text -----------------------------------------------------------------

// Values of the Windows headers that the expected lines are written with.
constexpr std::uint32_t kWsPopup = 0x80000000, kWsChild = 0x40000000, kWsVisible = 0x10000000,
                        kWsClipSiblings = 0x04000000, kWsCaption = 0x00C00000, kWsSysMenu = 0x00080000,
                        kWsGroup = 0x00020000, kWsTabStop = 0x00010000, kDsModalFrame = 0x80, kDsSetFont = 0x40,
                        kDs3dLook = 0x04, kWsExDlgModalFrame = 0x1, kWsExNoParentNotify = 0x4, kWsExTransparent = 0x20,
                        kWsExWindowEdge = 0x100, kWsExClientEdge = 0x200, kWsExControlParent = 0x10000, kSsLeft = 0,
                        kSsRight = 2, kSsIcon = 3, kBsPushButton = 0, kBsDefPushButton = 1, kBsAutoCheckBox = 3,
                        kBsAutoRadioButton = 9, kEsAutoHScroll = 0x80, kCbsDropDownList = 3;

/// What the window manager adds to a top-level dialog: the dialog manager gives every
/// dialog DS_3DLOOK, a top-level window gets WS_CLIPSIBLINGS.
constexpr std::uint32_t kTopLevelAdded = kDs3dLook | kWsClipSiblings;
/// A dialog with a modal frame and a caption: WS_EX_DLGMODALFRAME from DS_MODALFRAME, the
/// raised edge of a framed window, and WS_EX_CONTROLPARENT that the dialog manager sets.
constexpr std::uint32_t kModalFrameExStyle = kWsExDlgModalFrame | kWsExWindowEdge | kWsExControlParent;

std::string Hex(std::uint32_t value) {
  std::ostringstream text;
  text << "0x" << std::hex << value;
  return text.str();
}

/// A text as resdump quotes it; "#" and digits (a resource named by number) unquoted.
std::string Quoted(const std::string& text) {
  if (text.size() > 1 && text[0] == '#' && text.find_first_not_of("0123456789", 1) == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    auto byte = static_cast<unsigned char>(c);
    const char* named = c == '\t' ? "\\t" : c == '\n' ? "\\n" : c == '\r' ? "\\r" : nullptr;
    if (c == '"' || c == '\\')
      quoted += {'\\', c};
    else if (named)
      quoted += named;
    else if (byte < 0x20 || byte == 0x7F)
      quoted += {'\\', 'x', "0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15]};
    else
      quoted += c;
  }
  return quoted + "\"";
}

/// Dialog base units: pixels for 4 dialog units across and for 8 down.
struct TUnits {
  int x, y;
};

/// Windows' MulDiv: a * b / c rounded to the nearest, halves away from zero.
int MulDiv(int a, int b, int c) {
  long long product = static_cast<long long>(a) * b;
  return static_cast<int>(product >= 0 ? (product + c / 2) / c : (product - c / 2) / c);
}

/// A control's pixel rectangle for a template's x, y and a size in pixels.
std::string SizedRect(TUnits units, int x, int y, int width, int height) {
  int left = MulDiv(x, units.x, 4), top = MulDiv(y, units.y, 8);
  return std::to_string(left) + "," + std::to_string(top) + "," + std::to_string(left + width) + "," +
         std::to_string(top + height);
}

/// The same for a template's cx, cy: position and size are each converted, as the dialog
/// manager does.
std::string Rect(TUnits units, int x, int y, int cx, int cy) {
  return SizedRect(units, x, y, MulDiv(cx, units.x, 4), MulDiv(cy, units.y, 8));
}

std::string DialogLine(std::uint32_t style, std::uint32_t exStyle, const std::string& text, int cx, int cy,
                       TUnits units, int help = 0) {
  return "  dialog class=\"#32770\" style=" + Hex(style) + " exstyle=" + Hex(exStyle) +
         " help=" + std::to_string(help) + " text=" + Quoted(text) +
         " client=" + std::to_string(MulDiv(cx, units.x, 4)) + "," + std::to_string(MulDiv(cy, units.y, 8)) +
         " units=" + std::to_string(units.x) + "," + std::to_string(units.y) + "\n";
}

std::string FontLine(const std::string& face, int points, int weight, int italic, int charset) {
  return "  font " + Quoted(face) + " height=" + std::to_string(-MulDiv(points, 96, 72)) +
         " weight=" + std::to_string(weight) + " italic=" + std::to_string(italic) +
         " charset=" + std::to_string(charset) + "\n";
}

std::string ControlLine(const std::string& className, std::uint32_t style, std::uint32_t exStyle, int id,
                        const std::string& text, const std::string& rect, const std::string& extra = "") {
  return "  control class=" + Quoted(className) + " style=" + Hex(style) + " exstyle=" + Hex(exStyle) +
         " id=" + std::to_string(id) + " text=" + Quoted(text) + " rect=" + rect + extra + "\n";
}

/// Raw resource bytes as resdump prints them: 16 to a line.
std::string DataLines(const std::string& bytes) {
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i % 16 == 0) text += i == 0 ? "  data" : "\n  data";
    auto byte = static_cast<unsigned char>(bytes[i]);
    text += {' ', "0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15]};
  }
  return bytes.empty() ? text : text + "\n";
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

// ---- the scripts -----------------------------------------------------------------------------

// Wine's stand-in for "MS Shell Dlg" at 8 points measures 6 by 12 pixels per 4 by 8 dialog
// units (a property of the font, not of the script).
constexpr TUnits kShellDlg8 = {6, 12};
// Its Tahoma at 9 points, bold: measured the same way.
constexpr TUnits kTahoma9Bold = {7, 14};

/// The bundled example, examples/example.rc.
TWineCase ExampleCase() {
  TWineCase row{"examples/example.rc", SourceFiles("examples"), "example.rc", {}};
  const TUnits u = kShellDlg8;
  // DIALOG and DIALOGEX: STYLE DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, plus the
  // DS_SETFONT that the FONT statement implies.
  const std::uint32_t dialogStyle = kDsModalFrame | kWsPopup | kWsCaption | kWsSysMenu | kDsSetFont | kTopLevelAdded;
  // Every control of a dialog: WS_CHILD | WS_VISIBLE; the dialog manager adds
  // WS_EX_NOPARENTNOTIFY.
  const std::uint32_t child = kWsChild | kWsVisible;
  const std::uint32_t noNotify = kWsExNoParentNotify;
  row.expected =
      "resource \"TEXTFILE\" #102 0409\n" +
      DataLines("Notes shipped inside the example program as a resource of its own type.\n") +
      "resource #2 #2 0409\n"
      "  bitmap 8x8 bpp=24\n"  // logo.bmp: 8 by 8 pixels, 24 bits
      "resource #3 #1 0409\n"
      "  image 16x16 bytes=1128\n"  // app.ico: one 16 by 16 image of 1128 bytes
      // MENU: popups carry no id; GRAYED is MF_GRAYED (1); Wine reports a separator as
      // disabled and grayed (3).
      R"~(resource #4 #100 0409
  menu format=0
  popup type=0x0 state=0x0 "&File"
    item type=0x0 state=0x0 id=1001 "&Open...\tCtrl+O"
    popup type=0x0 state=0x0 "&Recent"
      item type=0x0 state=0x1 id=1002 "(empty)"
    item type=0x800 state=0x3 id=0 ""
    item type=0x0 state=0x0 id=1003 "E&xit"
  popup type=0x0 state=0x0 "&Help"
    item type=0x0 state=0x0 id=1004 "&About...\tF1"
)~"
      // IDD_ABOUT DIALOG 0, 0, 180, 70. A DIALOG's FONT has no weight (0, "don't care")
      // nor character set (DEFAULT_CHARSET, 1); 8 points are 11 pixels at 96 dpi.
      "resource #5 #200 0409\n" +
      DialogLine(dialogStyle, kModalFrameExStyle, "About", 180, 70, u) + FontLine("MS Shell Dlg", 8, 0, 0, 1) +
      // A DIALOG's control id is 16 bits: -1 reads back as 65535. The icon control shows
      // IDI_APP at the system size and takes the icon's size.
      ControlLine("Static", child | kSsIcon, noNotify, 65535, "#1", SizedRect(u, 10, 10, 32, 32), " icon=32x32") +
      ControlLine("Static", child | kSsLeft | kWsGroup, noNotify, 65535, "TARVEX Example 1.0",
                  Rect(u, 40, 10, 130, 8)) +
      ControlLine("Button", child | kBsDefPushButton | kWsTabStop, noNotify, 1, "OK", Rect(u, 65, 48, 50, 14)) +
      // IDD_SETTINGS DIALOGEX 0, 0, 220, 120, FONT 8, "MS Shell Dlg", 400, 0, 1.
      "resource #5 #201 0409\n" + DialogLine(dialogStyle, kModalFrameExStyle, "Settings", 220, 120, u) +
      FontLine("MS Shell Dlg", 8, 400, 0, 1) +
      // A DIALOGEX control id is 32 bits: -1 is -1.
      ControlLine("Static", child | kSsLeft | kWsGroup, noNotify, -1, "&Name:", Rect(u, 10, 12, 40, 8)) +
      // EDITTEXT: ES_LEFT | WS_BORDER | WS_TABSTOP and ES_AUTOHSCROLL; the edit control
      // trades WS_BORDER for WS_EX_CLIENTEDGE.
      ControlLine("Edit", child | kWsTabStop | kEsAutoHScroll, noNotify | kWsExClientEdge, 2001, "",
                  Rect(u, 55, 10, 150, 12)) +
      ControlLine("Button", child | kBsAutoCheckBox | kWsTabStop, noNotify, 2002, "&Start with the system",
                  Rect(u, 10, 30, 120, 10)) +
      ControlLine("Button", child | kBsAutoRadioButton | kWsGroup | kWsTabStop, noNotify, 2003, "&Small",
                  Rect(u, 10, 46, 60, 10)) +
      ControlLine("Button", child | kBsAutoRadioButton, noNotify, 2004, "&Large", Rect(u, 80, 46, 60, 10)) +
      // COMBOBOX: WS_TABSTOP, CBS_DROPDOWNLIST | WS_VSCROLL. The combo box hands
      // WS_VSCROLL to its list; closed, it is as tall as its font makes it (20 pixels), the
      // script's 60 units being the height of the open list.
      ControlLine("ComboBox", child | kCbsDropDownList | kWsTabStop, noNotify, 2005, "",
                  SizedRect(u, 55, 62, MulDiv(150, u.x, 4), 20)) +
      ControlLine("Button", child | kBsDefPushButton | kWsTabStop, noNotify, 1, "OK", Rect(u, 100, 98, 50, 14)) +
      ControlLine("Button", child | kBsPushButton | kWsTabStop, noNotify, 2, "Cancel", Rect(u, 160, 98, 50, 14)) +
      R"~(resource #6 #1 0407
  string 1 "TARVEX Beispiel"
  string 2 "Bereit"
resource #6 #1 0409
  string 1 "TARVEX Example"
  string 2 "Ready"
resource #9 #100 0409
  accel fvirt=0x9 key=0x4f cmd=1001
  accel fvirt=0x1 key=0x70 cmd=1004
  accel fvirt=0x0 key=0x11 cmd=1003
)~"  // FVIRTKEY 1 | FCONTROL 8 with "O"; FVIRTKEY with VK_F1 (0x70); "^Q" is Ctrl+Q, 0x11
      "resource #10 #101 0409\n" +
      DataLines(U16(1) + U32(2) + U16(0x7FFF) + std::string("defaults\0", 9)) +
      "resource #14 #1 0409\n"
      "  icon chosen=#1 size=16x16 default=32x32\n"
      "resource #16 #1 0409\n"
      // VOS_NT_WINDOWS32 0x40004, VFT_APP 1; 1200 is 0x4b0; a string's length counts its
      // terminating zero.
      "version fixed signature=0xfeef04bd struc=0x10000 file=1.0.0.1 product=1.0.0.1 flagsmask=0x3f flags=0x0 "
      "os=0x40004 type=0x1 subtype=0x0 date=0x0,0x0\n"
      R"~(version translation 0409 04b0
version string "040904b0" "CompanyName" len=15 "TARVEX example"
version string "040904b0" "FileDescription" len=16 "Example program"
version string "040904b0" "FileVersion" len=8 "1.0.0.1"
version string "040904b0" "ProductName" len=15 "TARVEX Example"
)~";
  return row;
}

/// A 32 by 32 black-and-white cursor file with its hotspot at (x, y): one image of a
/// bitmap header (height doubled for the two masks), two colours, the XOR and AND masks.
std::string CursorFile(unsigned x, unsigned y) {
  std::string image = U32(40) + U32(32) + U32(64) + U16(1) + U16(1) + std::string(24, '\0') + U32(0) + U32(0xFFFFFF) +
                      std::string(128, '\0') + std::string(128, '\xFF');
  return U16(0) + U16(2) + U16(1) + std::string{32, 32, 0, 0} + U16(x) + U16(y) +
         U32(static_cast<std::uint32_t>(image.size())) + U32(22) + image;
}

/// UTF-16LE of an ASCII text with its terminating zero, as templates hold names.
std::string Wide(const std::string& ascii) {
  std::string wide;
  for (char c : ascii) wide += {c, '\0'};
  return wide + std::string(2, '\0');
}

/// A DIALOGEX template written byte by byte (help id 7, WS_POPUP, Tahoma 9 bold italic,
/// 100 by 50 units) with one control of the probe class (help id 8, which Wine does not
/// show; id 50, at 5, 5, 20 by 10 units) whose creation data is `data`.
std::string ProbeTemplate(const std::string& data) {
  std::string dialog = U16(1) + U16(0xFFFF) + U32(7) + U32(0) + U32(kWsPopup | kDsSetFont) + U16(1) + U16(0) + U16(0) +
                       U16(100) + U16(50) + U16(0) + U16(0) + Wide("") + U16(9) + U16(700) + std::string{1, 0} +
                       Wide("Tahoma");
  dialog.resize((dialog.size() + 3) / 4 * 4, '\0');
  return dialog + U32(8) + U32(0) + U32(kWsChild | kWsVisible) + U16(5) + U16(5) + U16(20) + U16(10) + U32(50) +
         Wide("TarvexDataProbe") + Wide("") + U16(static_cast<unsigned>(data.size())) + data;
}

/// Bytes as a quoted script string of \x escapes.
std::string EscapedString(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string text = "\"";
  for (char c : bytes) {
    auto byte = static_cast<unsigned char>(c);
    text += {'\\', 'x', digits[byte >> 4], digits[byte & 15]};
  }
  return text + "\"";
}

/// What the example leaves out: a cursor, a MENUEX, a DIALOGEX with its own font and a
/// control of the probe class without creation data, a string table past the first block,
/// accelerators with every modifier, named resources, and no version information. A dialog
/// template written byte by byte checks what the probe control reports of creation data.
TWineCase SamplerCase() {
  TWineCase row{"sampler", {{"arrow.cur", CursorFile(5, 7)}}, "sampler.rc", {}};
  std::string probe = "rawprobe DIALOGTEMPLATE { " + EscapedString(ProbeTemplate("\x01\x02\xab\xcd")) + " }\n";
  row.files.emplace_back("sampler.rc", "LANGUAGE 9, 1\n" + probe + R"~(arrow CURSOR "arrow.cur"
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
)~");
  const TUnits u = kTahoma9Bold;
  const std::uint32_t child = kWsChild | kWsVisible;
  row.expected =
      "resource \"DIALOGTEMPLATE\" \"RAWPROBE\" 0409\n" +
      DialogLine(kWsPopup | kDsSetFont | kTopLevelAdded, kWsExControlParent, "", 100, 50, u, 7) +
      FontLine("Tahoma", 9, 700, 1, 1) +
      ControlLine("TarvexDataProbe", child, kWsExNoParentNotify, 50, "", Rect(u, 5, 5, 20, 10), " data=4 01 02 ab cd") +
      // The cursor image: the hotspot (two words) and the 304 bytes of the file's image.
      "resource #1 #1 0409\n"
      "  image 32x32 bytes=308\n"
      // MENUEX: MENUITEM text, id, type, state; POPUP text, id, type, state, help id (which
      // Wine drops). MFS_CHECKED 8, MFT_SEPARATOR 0x800, MFT_RIGHTJUSTIFY 0x4000.
      R"~(resource #4 #2 0409
  menu format=1
  popup type=0x0 state=0x0 id=10 "&View"
    item type=0x0 state=0x8 id=11 "&Zoom"
    item type=0x800 state=0x0 id=0 ""
    item type=0x4000 state=0x0 id=12 "&Right"
)~"
      // A popup with a caption: WS_EX_WINDOWEDGE from the caption, WS_EX_CONTROLPARENT from
      // the dialog manager. FONT 9, "Tahoma", 700 (bold), 1 (italic), 0 (ANSI_CHARSET): Wine
      // makes every dialog font with DEFAULT_CHARSET (1) and does not show the 0.
      "resource #5 \"PROBE\" 0409\n" +
      DialogLine(kWsPopup | kWsCaption | kDsSetFont | kTopLevelAdded, kWsExWindowEdge | kWsExControlParent, "Probe",
                 100, 50, u) +
      FontLine("Tahoma", 9, 700, 1, 1) +
      ControlLine("TarvexDataProbe", child | kWsTabStop, kWsExNoParentNotify, 40, "", Rect(u, 5, 5, 20, 10),
                  " data=none") +
      ControlLine("Static", child | kSsRight, kWsExNoParentNotify | kWsExTransparent, 41, "Right",
                  Rect(u, 5, 20, 40, 8)) +
      // Ids 17 and 31 live in the second block of 16 strings.
      R"~(resource #6 #2 0409
  string 17 "Tab\there"
  string 31 "last"
resource #9 "KEYS" 0409
  accel fvirt=0x17 key=0x71 cmd=20
  accel fvirt=0x10 key=0x61 cmd=21
)~"  // FVIRTKEY 1 | FNOINVERT 2 | FSHIFT 4 | FALT 0x10 with VK_F2 (0x71); "a" with FALT
      "resource #12 \"ARROW\" 0409\n"
      "  cursor chosen=#1 size=32x32 default=32x32 hotspot=5,7\n"
      "version none\n";
  return row;
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
  const TUnits u = kShellDlg8;
  const std::uint32_t child = kWsChild | kWsVisible;
  const std::uint32_t noNotify = kWsExNoParentNotify;
  row.expected =
      // "res\app.ico" is res/app.ico: one 16 by 16 image of 1128 bytes.
      "resource #3 #1 0409\n"
      "  image 16x16 bytes=1128\n"
      // The head's fifth number is the dialog's help id; FONT without a character set asks
      // for DEFAULT_CHARSET (Wine reports 1 for every font, so the byte tests check the
      // byte itself) and without a weight for 0.
      "resource #5 #300 0409\n" +
      DialogLine(kWsPopup | kWsCaption | kDsSetFont | kTopLevelAdded, kWsExWindowEdge | kWsExControlParent, "Forms",
                 120, 60, u, 77) +
      FontLine("MS Shell Dlg", 8, 0, 0, 1) +
      // IDC_STATIC reads back as -1; 65510 is -26. The help id 9 after the extended style
      // is taken (Wine shows no control help ids).
      ControlLine("Static", child | kSsLeft | kWsGroup, noNotify | kWsExTransparent, -1, "Label",
                  Rect(u, -26, 4, 40, 8)) +
      // Creation data: 1 and 2L, "ab" and the byte FF are 9 bytes, made 10 by a zero byte
      // that the size counts; L"Hi" is 4 bytes of UTF-16LE.
      ControlLine("TarvexDataProbe", child, noNotify, 60, "", Rect(u, 5, 20, 20, 10),
                  " data=10 01 00 02 00 00 00 61 62 ff 00") +
      ControlLine("TarvexDataProbe", child | kWsTabStop, noNotify, 61, "", Rect(u, 5, 35, 20, 10),
                  " data=4 48 00 69 00") +
      // The item after creation data is read where it lies.
      ControlLine("Button", child | kBsPushButton | kWsTabStop, noNotify, 1, "OK", Rect(u, 60, 40, 50, 14)) +
      // WS_POPUP and 0xFFFFFFFFL as 32-bit patterns, L"" as nothing, L"Hi" as UTF-16LE,
      // -1 as a word.
      "resource #10 #1 0409\n" + DataLines(U32(0x80000000) + U32(0xFFFFFFFF) + std::string("H\0i\0", 4) + U16(0xFFFF)) +
      "resource #14 #1 0409\n"
      "  icon chosen=#1 size=16x16 default=32x32\n"
      "resource #16 #1 0409\n"
      // TOOLBAR (241): version 1, 16 by 15, 3 items; -32460 is 0x8134, the separator 0.
      "resource #241 #1 0409\n" +
      DataLines(U16(1) + U16(16) + U16(15) + U16(3) + U16(0x8134) + U16(0) + U16(100)) +
      "version fixed signature=0xfeef04bd struc=0x10000 file=1.2.3.4 product=1.2.3.4 flagsmask=0xffffffff "
      "flags=0x80000000 os=0x40004 type=0x1 subtype=0x0 date=0x0,0x0\n";
  return row;
}

TEST(WineTest, WindowsReadsWhatTheScriptSays) {
  const char* e2e = std::getenv("TARVEX_E2E");
  if (!e2e || std::string(e2e) != "1") GTEST_SKIP() << "end-to-end tests run with TARVEX_E2E=1";
  if (!kWine->prepared) kWine->Prepare();
  ASSERT_TRUE(kWine->failure.empty()) << kWine->failure;
  for (const TWineCase& row : {ExampleCase(), SamplerCase(), RealScriptFormsCase()}) {
    SCOPED_TRACE(row.label);
    EXPECT_EQ(DumpOf(*kWine, row), row.expected);
  }
}

}  // namespace
}  // namespace tarvex
