// The names a compilation reports for the numeric ids of the script.
#include <gtest/gtest.h>

#include "statements/compile_api.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

TEST(DefineNamesTest, NamesOfTheScriptsOwnFilesWithTheirValues) {
  test::TTempDir dir;
  dir.Write("ids.h", "#define IDC_BASE 100\n#define IDC_NEXT (IDC_BASE + 1)\n#define IDC_STATIC -1\n");
  dir.Write("a.rc", R"(#include <windows.h>
#include "ids.h"
#define IDS_HELLO 0x10
#define TITLE "text"
#define EMPTY
#define TWICE(x) ((x) * 2)
#define GONE 5
#undef GONE
#if 0
#define SKIPPED 7
#endif
#define IDC_BASE 200
IDS_HELLO RCDATA { 1 }
)");
  test::TWorkingDirectory cwd(dir.Path());
  TCompilation result = CompileToImage("a.rc");
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  // Built-in SDK names (WS_VISIBLE, IDOK) and predefined ones are not among them; a name
  // defined twice counts once, with the value it ended with.
  EXPECT_EQ(result.defineNames, (std::vector<std::pair<std::string, std::int64_t>>{
                                    {"IDC_BASE", 200}, {"IDC_NEXT", 201}, {"IDC_STATIC", -1}, {"IDS_HELLO", 16}}));
  EXPECT_TRUE(CompileToFile("a.rc", "a.res").defineNames.empty());
}

}  // namespace
}  // namespace tarvex
