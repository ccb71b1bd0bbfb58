// Includes of the Windows SDK headers and C library headers served built in when no file
// of that name is found.
#include "preprocessor/sdk_headers.h"

#include <gtest/gtest.h>

#include "preprocessor/token_test_support.h"
#include "statements/compile_api.h"

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
  for (const char* name :
       {"<windows.h>", "<winresrc.h>", "<commctrl.rh>", "<afxres.h>", "<WINDOWS.H>", "\"CommCtrl.h\"", "winres.h"})
    EXPECT_EQ(Preprocess(std::string("#include ") + name + "\n" + kFamilies), kFamilyValues) << name;
  const std::string missing = "error 72 line 1: File a.rc. Line 1 : 72. Cannot open file ";
  const std::pair<std::string, std::string> cases[] = {
      {std::string("RCINCLUDE afxres.h\n") + kFamilies, kFamilyValues},
      // UNICODE at the include selects the form of character-set names.
      {"#define UNICODE\n#include <richedit.h>\nRICHEDIT_CLASS, RICHEDIT_CLASSA", "\"RichEdit20W\" , \"RichEdit20A\""},
      // Names already defined keep their values, also a name defined as nothing.
      {"#define LVS_REPORT 5\n#include <commctrl.h>\nLVS_REPORT TVS_HASLINES", "5 2"},
      {"#include <sys/stdio.h>\n", missing + "\"sys/stdio.h\" (No such file or directory)"},
      // Framework ids come from afxres.h or atlres.h on, not from windows.h.
      {"ID_HELP\n#define ID_FILE_NEW 5\n#include <afxres.h>\nID_HELP ID_FILE_NEW ID_APP_EXIT AFX_IDS_APP_TITLE",
       "9 57670 57600 57665 57344"},
      // The tables are applied once per compilation: what the script removed stays removed.
      {"#include <windows.h>\n#undef LVS_REPORT\n#include <commctrl.h>\nLVS_REPORT TVS_HASLINES", "LVS_REPORT 2"},
      {"#include <stdio.h>\n#include <STDDEF.H>\n#include \"wchar.h\"\n#include <math.h>\n#include <io.h>\nA "
       "LVS_REPORT",
       "A LVS_REPORT"},
  };
  for (const auto& [script, expected] : cases) EXPECT_EQ(Preprocess(script), expected) << script;
  test::TScriptReader reader("#include <commctrl.h>\n");
  reader.All();
  EXPECT_EQ(reader.parser.defines.Get("WS_VISIBLE"), "0x10000000L");  // the predefined text stays
}

TEST(SdkHeadersTest, ServedHeadersOpenNoFile) {
  // A served header opens no file, and reading goes on in a.rc at the right line.
  test::TTempDir dir;
  test::TWorkingDirectory cwd(dir.Path());
  dir.Write("a.rc", "RCINCLUDE windows.h\n#include <stdio.h>\n1 RCDATA { LVS_REPORT }\n");
  TCompilation result = CompileToImage("a.rc");
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  EXPECT_EQ(result.dependencies, std::vector<std::string>{"a.rc"});
  dir.Write("a.rc", "RCINCLUDE windows.h\n#include <stdio.h>\n1 RCDATA { LVS_REPORT }\n#error stop\n");
  EXPECT_EQ(CompileToImage("a.rc").errorText, "File a.rc. Line 4 : 25. #error directive encountered: stop");
}

}  // namespace
}  // namespace tarvex
