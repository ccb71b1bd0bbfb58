// Includes of the Windows SDK headers and C library headers served built in when no file
// of that name is found.
#include "preprocessor/sdk_headers.h"

#include <gtest/gtest.h>

#include "preprocessor/token_test_support.h"
#include "statements/compile_api.h"
#include "tests/statement_checks.h"
#include "tests/version_reader.h"

namespace tarvex {
namespace {

using test::Preprocess;

// A spot check of several families: list view, tree view, extended window styles, the
// static id, a resource type, language ids, menu states and a control class name.
constexpr char kFamilies[] =
    "LVS_REPORT TVS_HASLINES WS_EX_CLIENTEDGE, IDC_STATIC RT_MANIFEST LANG_FRENCH SUBLANG_FRENCH MFS_GRAYED "
    "WC_LISTVIEW";
constexpr char kFamilyValues[] = "1 2 512 , -1 24 12 1 3 \"SysListView32\"";

TEST(SdkHeadersTest, ServedHeaders) {
  for (const char* name : {"<windows.h>", "<winres.h>", "<winuser.rh>", "<commctrl.h>", "<richedit.h>", "<afxres.h>",
                           "<WINDOWS.H>", "<ddeml.h>", "<sdkddkver.h>", "\"CommCtrl.h\"", "winres.h"})
    EXPECT_EQ(Preprocess(std::string("#include ") + name + "\n" + kFamilies), kFamilyValues) << name;
  const std::string missing = "error 72 line 1: File a.rc. Line 1 : 72. Cannot open file ";
  const std::vector<std::pair<std::string, std::string>> own = {{"resource.h", "#include <commctrl.h>\n"},
                                                                {"windows.h", "#define LVS_REPORT 7\n"},
                                                                {"WinRes.H", "#define OWN 5\n"},
                                                                {"stdio.h", "#define OWN 6\n"}};
  const std::pair<std::string, std::string> cases[] = {
      {std::string("RCINCLUDE afxres.h\n") + kFamilies, kFamilyValues},
      // UNICODE at the include selects the form of character-set names.
      {"#include <richedit.h>\nRICHEDIT_CLASS, WC_LISTVIEW", "\"RichEdit20A\" , \"SysListView32\""},
      {"#define UNICODE\n#include <richedit.h>\nRICHEDIT_CLASS, RICHEDIT_CLASSA", "\"RichEdit20W\" , \"RichEdit20A\""},
      {"#define UNICODE 1\n#include <commctrl.h>\nLVM_GETITEM", "4171"},
      // The first and last names of each table.
      {"#include <windows.h>\nABE_BOTTOM yHeightCharPtsMost ACM_OPEN TVN_SETDISPINFO", "3 1638 1124 4294966892"},
      {"#define UNICODE\n#include <windows.h>\nACM_OPEN TVN_SETDISPINFO", "1127 4294966843"},
      // Names already defined keep their values, also a name defined as nothing.
      {"#define LVS_REPORT 5\n#include <commctrl.h>\nLVS_REPORT TVS_HASLINES", "5 2"},
      {"#define LVS_REPORT\n#include <windows.h>\nA LVS_REPORT B", "A B"},
      {"#include <sys/windows.h>\n", missing + "\"sys/windows.h\" (No such file or directory)"},
      {"#include \"sdk\\windows.h\"\n", missing + "\"sdk\\windows.h\" (No such file or directory)"},
      {"#include <sys/stdio.h>\n", missing + "\"sys/stdio.h\" (No such file or directory)"},
      // The C runtime's sys headers are served empty; no other name in a folder is.
      {"#include <sys/types.h>\n#include <sys/stat.h>\n#include \"sys\\timeb.h\"\n#include <SYS/Utime.h>\n"
       "#include <sys/locking.h>\nA LVS_REPORT",
       "A LVS_REPORT"},
      {"#include <sys/socket.h>\n", missing + "\"sys/socket.h\" (No such file or directory)"},
      {"#include <lib/sys/types.h>\n", missing + "\"lib/sys/types.h\" (No such file or directory)"},
      {"#include <types.h>\n", missing + "\"types.h\" (No such file or directory)"},
      {"#include <sys/>\n", missing + "\"sys/\" (No such file or directory)"},
      // Framework ids come from afxres.h or atlres.h on, not from windows.h.
      {"ID_HELP\n#define ID_FILE_NEW 5\n#include <afxres.h>\nID_HELP ID_FILE_NEW ID_APP_EXIT AFX_IDS_APP_TITLE",
       "9 57670 57600 57665 57344"},
      {"#include <atlres.h>\nID_HELP ID_INDICATOR_CAPS", "57670 59137"},
      {"#include <windows.h>\nID_HELP ID_FILE_NEW\n#include <afxres.h>\nID_HELP ID_FILE_NEW",
       "9 ID_FILE_NEW 57670 57600"},
      // The tables are applied once per compilation: what the script removed stays removed.
      {"#include <windows.h>\n#undef LVS_REPORT\n#include <commctrl.h>\nLVS_REPORT TVS_HASLINES", "LVS_REPORT 2"},
      {"#include <afxres.h>\n#define ID_HELP 3\n#include <atlres.h>\nID_HELP", "3"},
      {"#include <stdio.h>\n#include <STDDEF.H>\n#include \"wchar.h\"\n#include <math.h>\n#include <io.h>\nA "
       "LVS_REPORT",
       "A LVS_REPORT"},
      // The last four, with the files of `own`: a file that is found wins, also in another letter
      // case; a header's own include is served.
      {"#include \"resource.h\"\nLVS_REPORT", "1"},
      {"#include <windows.h>\nLVS_REPORT TVS_HASLINES", "7 TVS_HASLINES"},
      {"#include \"winres.h\"\nOWN LVS_REPORT", "5 LVS_REPORT"},
      {"#include <stdio.h>\nOWN", "6"},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(Preprocess(cases[i].first,
                         i + 4 >= std::size(cases) ? own : std::vector<std::pair<std::string, std::string>>{}),
              cases[i].second)
        << cases[i].first;
  // A file that is found wins over the served sys header too.
  EXPECT_EQ(Preprocess("#include <sys/types.h>\nOWN", {{"sys/types.h", "#define OWN 8\n"}}), "8");
  test::TScriptReader reader("#include <commctrl.h>\n");
  reader.All();
  EXPECT_EQ(reader.parser.defines.Get("WS_VISIBLE"), "0x10000000L");  // the predefined text stays
}

TEST(SdkHeadersTest, CompiledScripts) {
  // From an SDK sample: the version resource comes from ntverp.h and common.ver, served as
  // the text of the mingw-w64 files.
  std::vector<test::TResEntry> entries = test::Entries(
      "#include <windows.h>\n#include <NTVERP.H>\n#define VER_FILETYPE VFT_APP\n"
      "#define VER_FILESUBTYPE VFT2_UNKNOWN\n#define VER_FILEDESCRIPTION_STR \"Sample\"\n"
      "#define VER_INTERNALNAME_STR \"sample\"\n#define VER_ORIGINALFILENAME_STR \"sample.exe\"\n"
      "#include \"common.ver\"\n#ifdef RC_INVOKED\n#ifdef _WIN32\n1 RCDATA { RC_INVOKED, _WIN32 }\n#endif\n#endif\n");
  EXPECT_EQ(test::HexRows(test::FindEntry(entries, "#10", "#1").data), "01000100");
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
  // A served header opens no file, and reading goes on in a.rc at the right line.
  const std::string script = "RCINCLUDE windows.h\n#include <stdio.h>\n1 RCDATA { LVS_REPORT }\n";
  TCompilation result = test::CompileFiles({{"a.rc", script}});
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  EXPECT_EQ(result.dependencies, std::vector<std::string>{"a.rc"});
  EXPECT_EQ(test::CompileFiles({{"a.rc", script + "#error stop\n"}}).errorText,
            "File a.rc. Line 4 : 25. #error directive encountered: stop");
}

}  // namespace
}  // namespace tarvex
