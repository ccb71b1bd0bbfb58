// Texts of menus, version information and string tables are converted from the code page
// the compilation was given (the -c option), not from the locale's character set.
#include <gtest/gtest.h>

#include "statements/compile_api.h"
#include "tests/menu_reader.h"
#include "tests/res_reader.h"
#include "tests/test_support.h"
#include "tests/version_reader.h"

namespace tarvex {
namespace {

using test::FindEntry;
using test::TTempDir;
using test::TWorkingDirectory;

// Every text holds the Windows-1252 byte E9, which is U+00E9 (UTF-8 C3 A9) in that code
// page and no character at all in UTF-8.
constexpr char kScript[] =
    "STRINGTABLE { 1 \"caf\xE9\" }\n"
    "1 MENU { POPUP \"\xE9t\xE9\" { MENUITEM \"ouvert\xE9\", 100 } }\n"
    "1 VERSIONINFO { BLOCK \"StringFileInfo\" { BLOCK \"040C04E4\" { VALUE \"Cl\xE9\", \"r\xE9sum\xE9\" } } }\n";

TCompilation CompileWithCodePage(const std::string& codePage) {
  TTempDir dir;
  dir.Write("a.rc", kScript);
  TWorkingDirectory cwd(dir.Path());
  TCompileOptions options;
  options.codePage = codePage;
  return CompileToImage("a.rc", {}, options);
}

TEST(CodePageTest, ResourceTextsFollowTheGivenCodePage) {
  TCompilation result = CompileWithCodePage("CP1252");
  ASSERT_TRUE(result.Succeeded()) << result.errorText;
  std::vector<test::TResEntry> entries = test::ReadResImage(result.image);

  EXPECT_EQ(test::DescribeMenu(FindEntry(entries, "#4", "#1").data),
            "POPUP \"\xC3\xA9t\xC3\xA9\" 0x90 { \"ouvert\xC3\xA9\" 100 0x80 }");
  EXPECT_EQ(test::DescribeVersionTree(test::ReadVersionTree(FindEntry(entries, "#16", "#1").data)),
            "VS_VERSION_INFO { StringFileInfo { 040C04E4 { Cl\xC3\xA9 \"r\xC3\xA9sum\xC3\xA9\\0\" } } }");
  // String 1 of block 1: after the empty string 0, its length 4 and "café" in UTF-16.
  const test::TResEntry& strings = FindEntry(entries, "#6", "#1");
  EXPECT_EQ(test::HexRows({strings.data.begin(), strings.data.begin() + 12}), "00000400 63006100 6600E900");
}

TEST(CodePageTest, TextTheCodePageCannotConvertStops) {
  // E9 followed by "t" is no UTF-8 sequence: the compilation stops instead of guessing.
  TCompilation result = CompileWithCodePage("UTF-8");
  EXPECT_FALSE(result.Succeeded());
  EXPECT_TRUE(result.image.empty());
}

}  // namespace
}  // namespace tarvex
