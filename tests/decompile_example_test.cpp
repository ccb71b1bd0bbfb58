// The script --decompile writes for the bundled example, compared in full with the
// script a person would write: statements, SDK names for styles, keys and languages,
// the example header's names for ids, and the files beside it equal to the example's own.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "driver/decompile.h"
#include "driver/windres_command_line.h"
#include "statements/compile_api.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

const char* const kExpectedScript = R"rc(#pragma code_page(65001)
#include <windows.h>
#include <commctrl.h>
#include "example.h"

LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US

IDI_APP ICON "example/IDI_APP.ico"

IDB_LOGO BITMAP "example/IDB_LOGO.bmp"

IDR_SETTINGS RCDATA
BEGIN
    '010002000000FF7F64656661756C747300'
END

IDR_NOTES TEXTFILE "example/IDR_NOTES.bin"

IDR_MAIN MENU
BEGIN
    POPUP "&File"
    BEGIN
        MENUITEM "&Open...\tCtrl+O", IDM_OPEN
        POPUP "&Recent"
        BEGIN
            MENUITEM "(empty)", IDM_RECENT, GRAYED
        END
        MENUITEM SEPARATOR
        MENUITEM "E&xit", IDM_EXIT
    END
    POPUP "&Help"
    BEGIN
        MENUITEM "&About...\tF1", IDM_ABOUT
    END
END

IDR_MAIN ACCELERATORS
BEGIN
    "O", IDM_OPEN, VIRTKEY, CONTROL
    VK_F1, IDM_ABOUT, VIRTKEY
    "^Q", IDM_EXIT, ASCII
END

IDD_ABOUT DIALOG 0, 0, 180, 70
STYLE WS_POPUP | WS_SYSMENU | DS_MODALFRAME
CAPTION "About"
FONT 8, "MS Shell Dlg"
BEGIN
    ICON IDI_APP, -1, 10, 10, 20, 20
    LTEXT "TARVEX Example 1.0", -1, 40, 10, 130, 8
    DEFPUSHBUTTON "OK", IDOK, 65, 48, 50, 14
END

IDD_SETTINGS DIALOGEX 0, 0, 220, 120
STYLE WS_POPUP | WS_SYSMENU | DS_MODALFRAME
CAPTION "Settings"
FONT 8, "MS Shell Dlg", 400, 0, 0x1
BEGIN
    LTEXT "&Name:", -1, 10, 12, 40, 8
    EDITTEXT IDC_NAME, 55, 10, 150, 12, ES_AUTOHSCROLL
    AUTOCHECKBOX "&Start with the system", IDC_AUTOSTART, 10, 30, 120, 10
    AUTORADIOBUTTON "&Small", IDC_SMALL, 10, 46, 60, 10, WS_GROUP | WS_TABSTOP
    AUTORADIOBUTTON "&Large", IDC_LARGE, 80, 46, 60, 10
    COMBOBOX IDC_THEME, 55, 62, 150, 60, WS_VSCROLL | CBS_DROPDOWNLIST
    DEFPUSHBUTTON "OK", IDOK, 100, 98, 50, 14
    PUSHBUTTON "Cancel", IDCANCEL, 160, 98, 50, 14
END

VS_VERSION_INFO VERSIONINFO
    FILEVERSION 1, 0, 0, 1
    PRODUCTVERSION 1, 0, 0, 1
    FILEFLAGSMASK 0x3F
    FILEFLAGS 0x0
    FILEOS VOS_NT_WINDOWS32
    FILETYPE VFT_APP
    FILESUBTYPE VFT2_UNKNOWN
BEGIN
    BLOCK "StringFileInfo"
    BEGIN
        BLOCK "040904b0"
        BEGIN
            VALUE "CompanyName", "TARVEX example"
            VALUE "FileDescription", "Example program"
            VALUE "FileVersion", "1.0.0.1"
            VALUE "ProductName", "TARVEX Example"
        END
    END
    BLOCK "VarFileInfo"
    BEGIN
        VALUE "Translation", 0x409, 1200
    END
END

LANGUAGE LANG_GERMAN, SUBLANG_GERMAN

STRINGTABLE
BEGIN
    IDS_TITLE, "TARVEX Beispiel"
    IDS_READY, "Bereit"
END

LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US

STRINGTABLE
BEGIN
    IDS_TITLE, "TARVEX Example"
    IDS_READY, "Ready"
END

)rc";

std::string ExamplesFolder() { return std::string(TARVEX_SOURCE_DIR) + "/examples"; }

// The example compiled into example.res inside `dir`, with a copy of its header.
void CompileExample(const test::TTempDir& dir) {
  TCompilation compiled;
  {
    test::TWorkingDirectory examples(ExamplesFolder());
    compiled = CompileToImage("example.rc");
  }
  ASSERT_TRUE(compiled.Succeeded()) << compiled.errorText;
  dir.Write("example.res", std::string(compiled.image.begin(), compiled.image.end()));
  dir.Write("example.h", test::ReadFile(ExamplesFolder() + "/example.h"));
}

TEST(DecompileExampleTest, ScriptReadsAsWrittenByHand) {
  test::TTempDir dir;
  CompileExample(dir);
  test::TWorkingDirectory here(dir.Path());
  TDecompileRequest request;
  request.input = "example.res";
  std::filesystem::create_directory("out");
  request.script = "out/example.rc";
  dir.Write("out/example.h", dir.Read("example.h"));
  request.namesHeader = "out/example.h";
  TDecompileResult result = Decompile(request);
  EXPECT_TRUE(result.differences.empty());
  EXPECT_EQ(dir.Read("out/example.rc"), kExpectedScript);
  EXPECT_EQ(dir.Read("out/example/IDI_APP.ico"), test::ReadFile(ExamplesFolder() + "/app.ico"));
  EXPECT_EQ(dir.Read("out/example/IDB_LOGO.bmp"), test::ReadFile(ExamplesFolder() + "/logo.bmp"));
  EXPECT_EQ(dir.Read("out/example/IDR_NOTES.bin"), test::ReadFile(ExamplesFolder() + "/notes.txt"));
  EXPECT_EQ(DecompileSummary(result), "Wrote out/example.rc (12 resources, 3 files in out/example/)");
}

TEST(DecompileExampleTest, WindresFormWritesTheScriptToStandardOutput) {
  test::TTempDir dir;
  CompileExample(dir);
  test::TWorkingDirectory here(dir.Path());
  std::ostringstream out, err;
  ASSERT_EQ(RunWindresCommandLine({"-O", "rc", "-H", "example.h", "example.res"}, "windres", out, err), 0) << err.str();
  EXPECT_EQ(err.str(), "");
  std::string expected = kExpectedScript;
  for (std::string folder = "\"example/"; expected.find(folder) != std::string::npos;)
    expected.replace(expected.find(folder), folder.size(), "\"");
  EXPECT_EQ(out.str(), expected);
  EXPECT_EQ(dir.List(),
            (std::vector<std::string>{"IDB_LOGO.bmp", "IDI_APP.ico", "IDR_NOTES.bin", "example.h", "example.res"}));
  // A second run would replace the files: refused.
  std::ostringstream again, refused;
  EXPECT_EQ(RunWindresCommandLine({"-O", "rc", "-H", "example.h", "example.res"}, "windres", again, refused), 1);
  EXPECT_EQ(refused.str(), "tarvex: error: IDI_APP.ico exists: --force replaces it\n");
}

}  // namespace
}  // namespace tarvex
