// Includes of the Windows SDK headers and C library headers served built in when no file
// of that name is found.
#include "preprocessor/sdk_headers.h"

#include <gtest/gtest.h>

#include "preprocessor/token_test_support.h"
#include "statements/compile_api.h"
#include "tests/res_reader.h"
#include "tests/version_reader.h"

namespace tarvex {
namespace {

using test::Preprocess;
using test::TScriptReader;

// A spot check of several families: list view, tree view, extended window styles, the
// static id, a resource type, language ids, menu states and a control class name.
constexpr char kFamilies[] =
    "LVS_REPORT TVS_HASLINES WS_EX_CLIENTEDGE, IDC_STATIC RT_MANIFEST LANG_FRENCH SUBLANG_FRENCH MFS_GRAYED "
    "WC_LISTVIEW";
constexpr char kFamilyValues[] = "1 2 512 , -1 24 12 1 3 \"SysListView32\"";

TEST(SdkHeadersTest, EveryServedNameGivesTheTable) {
  for (const char* name :
       {"windows.h", "winresrc.h", "winres.h",  "winuser.h",  "winuser.rh", "wingdi.h",    "winnt.h",
        "winnt.rh",  "winver.h",   "ver.h",     "verrsrc.h",  "commctrl.h", "commctrl.rh", "richedit.h",
        "dlgs.h",    "colordlg.h", "prsht.h",   "shellapi.h", "shlobj.h",   "shlwapi.h",   "tchar.h",
        "afxres.h",  "atlres.h",   "WINDOWS.H", "ddeml.h",    "winnls.h",   "sdkddkver.h"}) {
    EXPECT_EQ(Preprocess(std::string("#include <") + name + ">\n" + kFamilies), kFamilyValues) << name;
  }
  // The quoted, bare and RCINCLUDE forms name the header the same way.
  EXPECT_EQ(Preprocess(std::string("#include \"CommCtrl.h\"\n") + kFamilies), kFamilyValues);
  EXPECT_EQ(Preprocess(std::string("#include winres.h\n") + kFamilies), kFamilyValues);
  EXPECT_EQ(Preprocess(std::string("RCINCLUDE afxres.h\n") + kFamilies), kFamilyValues);
  // A header's own #include of an SDK header is served too.
  EXPECT_EQ(Preprocess("#include \"resource.h\"\nLVS_REPORT", {{"resource.h", "#include <commctrl.h>\n"}}), "1");
}

// Names whose value depends on UNICODE take the form the script's defines select at the
// include, as the headers' #ifdef UNICODE does; the ANSI form unless UNICODE is defined.
TEST(SdkHeadersTest, UnicodeSelectsTheFormOfCharacterSetNames) {
  const std::pair<const char*, const char*> cases[] = {
      {"#include <richedit.h>\nRICHEDIT_CLASS, WC_LISTVIEW", "\"RichEdit20A\" , \"SysListView32\""},
      {"#define UNICODE\n#include <richedit.h>\nRICHEDIT_CLASS, RICHEDIT_CLASSA", "\"RichEdit20W\" , \"RichEdit20A\""},
      {"#define UNICODE 1\n#include <commctrl.h>\nLVM_GETITEM", "4171"},
      {"#include <commctrl.h>\nLVM_GETITEM", "4101"},
  };
  for (auto [script, expected] : cases) EXPECT_EQ(Preprocess(script), expected) << script;
}

// A script made from an SDK sample: its version resource comes from ntverp.h and
// common.ver, served as the text of the mingw-w64 files.
TEST(SdkHeadersTest, VersionResourceThroughNtverpAndCommonVer) {
  test::TCompileOutcome outcome = test::CompileText(
      "#include <windows.h>\n#include <NTVERP.H>\n#define VER_FILETYPE VFT_APP\n"
      "#define VER_FILESUBTYPE VFT2_UNKNOWN\n#define VER_FILEDESCRIPTION_STR \"Sample\"\n"
      "#define VER_INTERNALNAME_STR \"sample\"\n#define VER_ORIGINALFILENAME_STR \"sample.exe\"\n"
      "#include \"common.ver\"\n");
  ASSERT_EQ(outcome.error, "");
  std::vector<test::TResEntry> entries = test::ReadResImage(outcome.res);
  test::TVersionNode root = test::ReadVersionTree(test::FindEntry(entries, "#16", "#1").data);
  std::array<std::uint32_t, 13> expectedFixed = {0xFEEF04BD, 0x10000, 0x50002, 0xECE0726, 0x50002, 0xECE0726, 0x3F,
                                                 0x8,        0x40004, 1,       0,         0,       0};
  EXPECT_EQ(test::FixedFileInfo(root), expectedFixed);
  EXPECT_EQ(
      test::DescribeVersionTree(root),
      "VS_VERSION_INFO [fixed] { StringFileInfo { 040904B0 { CompanyName \"Microsoft Corporation\\0\" ; "
      "FileDescription \"Sample\\0\" ; FileVersion \"5.2.3790.1830\\0\" ; InternalName \"sample\\0\" ; "
      "LegalCopyright \"\u00A9 Microsoft Corporation. All rights reserved.\\0\" ; OriginalFilename \"sample.exe\\0\" ; "
      "ProductName \"Microsoft\u00AE Windows\u00AE Operating System\\0\" ; ProductVersion \"5.2.3790.1830\\0\" } } ; "
      "VarFileInfo { Translation 0x0409 0x04B0 } }");
}

TEST(SdkHeadersTest, AFileThatIsFoundWins) {
  std::vector<std::pair<std::string, std::string>> files = {{"windows.h", "#define LVS_REPORT 7\n"}};
  EXPECT_EQ(Preprocess("#include <windows.h>\nLVS_REPORT TVS_HASLINES", files), "7 TVS_HASLINES");
  // Found in another letter case, as every included file is searched for.
  files = {{"WinRes.H", "#define OWN 5\n"}};
  EXPECT_EQ(Preprocess("#include \"winres.h\"\nOWN LVS_REPORT", files), "5 LVS_REPORT");
  files = {{"stdio.h", "#define OWN 6\n"}};
  EXPECT_EQ(Preprocess("#include <stdio.h>\nOWN", files), "6");
}

TEST(SdkHeadersTest, NamesAlreadyDefinedKeepTheirValues) {
  TScriptReader reader("#define LVS_REPORT 5\n#include <commctrl.h>\nLVS_REPORT TVS_HASLINES");
  EXPECT_EQ(reader.All(), "5 2");
  // The predefined text stays as it was (the table has 0x10000000 for it).
  EXPECT_EQ(reader.parser.defines.Get("WS_VISIBLE"), "0x10000000L");
  // A name the script defined as nothing stays defined as nothing.
  EXPECT_EQ(Preprocess("#define LVS_REPORT\n#include <windows.h>\nA LVS_REPORT B"), "A B");
}

TEST(SdkHeadersTest, ANameWithADirectoryPartIsNotServed) {
  EXPECT_EQ(Preprocess("#include <sys/windows.h>\n"),
            "error 72 line 1: File a.rc. Line 1 : 72. Cannot open file \"sys/windows.h\" (No such file or directory)");
  EXPECT_EQ(Preprocess("#include \"sdk\\windows.h\"\n"),
            "error 72 line 1: File a.rc. Line 1 : 72. Cannot open file \"sdk\\windows.h\" (No such file or directory)");
  EXPECT_EQ(Preprocess("#include <winres.hh>\n"),
            "error 72 line 1: File a.rc. Line 1 : 72. Cannot open file \"winres.hh\" (No such file or directory)");
}

TEST(SdkHeadersTest, FrameworkIdsWinFromTheIncludeOn) {
  constexpr char kIds[] = "ID_HELP ID_FILE_NEW ID_APP_EXIT AFX_IDS_APP_TITLE ID_INDICATOR_CAPS";
  EXPECT_EQ(Preprocess(std::string("ID_HELP\n#define ID_FILE_NEW 5\n#include <afxres.h>\n") + kIds),
            "9 57670 57600 57665 57344 59137");
  EXPECT_EQ(Preprocess(std::string("#include <atlres.h>\n") + kIds), "57670 57600 57665 57344 59137");
  // windows.h brings no framework ids, and a later afxres.h still does.
  EXPECT_EQ(Preprocess("#include <windows.h>\nID_HELP ID_FILE_NEW\n#include <afxres.h>\nID_HELP ID_FILE_NEW"),
            "9 ID_FILE_NEW 57670 57600");
}

TEST(SdkHeadersTest, TheTablesAreAppliedOncePerCompilation) {
  // A second served header adds nothing again: what the script removed stays removed.
  EXPECT_EQ(Preprocess("#include <windows.h>\n#undef LVS_REPORT\n#include <commctrl.h>\nLVS_REPORT TVS_HASLINES"),
            "LVS_REPORT 2");
  EXPECT_EQ(Preprocess("#include <afxres.h>\n#define ID_HELP 3\n#include <atlres.h>\nID_HELP"), "3");
}

TEST(SdkHeadersTest, CLibraryHeadersAreServedEmpty) {
  EXPECT_EQ(Preprocess("#include <stdio.h>\n#include <STDDEF.H>\n#include \"wchar.h\"\nA LVS_REPORT"), "A LVS_REPORT");
  EXPECT_EQ(Preprocess("#include <math.h>\n#include <time.h>\n#include <io.h>\nLVS_REPORT"), "LVS_REPORT");
  EXPECT_EQ(Preprocess("#include <sys/stdio.h>\n"),
            "error 72 line 1: File a.rc. Line 1 : 72. Cannot open file \"sys/stdio.h\" (No such file or directory)");
}

TEST(SdkHeadersTest, AServedHeaderOpensNoFile) {
  test::TTempDir dir;
  test::TWorkingDirectory cwd(dir.Path());
  dir.Write("a.rc", "RCINCLUDE windows.h\n#include <stdio.h>\n1 RCDATA { LVS_REPORT }\n");
  TCompilation result = CompileToImage("a.rc");
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  EXPECT_EQ(result.dependencies, std::vector<std::string>{"a.rc"});
  // Reading goes on in a.rc right after the include, at the right line.
  dir.Write("a.rc", "RCINCLUDE windows.h\n#include <stdio.h>\n1 RCDATA { LVS_REPORT }\n#error stop\n");
  EXPECT_EQ(CompileToImage("a.rc").errorText, "File a.rc. Line 4 : 25. #error directive encountered: stop");
}

TEST(SdkHeadersTest, ScriptsSeeRcInvokedAndWin32) {
  test::TCompileOutcome outcome =
      test::CompileText("#ifdef RC_INVOKED\n#ifdef _WIN32\n1 RCDATA { RC_INVOKED, _WIN32 }\n#endif\n#endif\n");
  ASSERT_EQ(outcome.error, "");
  std::vector<test::TResEntry> entries = test::ReadResImage(outcome.res);
  EXPECT_EQ(test::HexRows(test::FindEntry(entries, "#10", "#1").data), "01000100");
}

}  // namespace
}  // namespace tarvex
