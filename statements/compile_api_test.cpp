#include "statements/compile_api.h"

#include <gtest/gtest.h>

#include "tests/test_support.h"

namespace tarvex {
namespace {

using test::TTempDir;
using test::TWorkingDirectory;

TEST(CompileApiTest, ImageInMemoryEqualsTheSavedFile) {
  TTempDir dir;
  dir.Write("a.rc", "STRINGTABLE { 1 \"one\" }\n1 RCDATA { 1, 2 }\n");
  TWorkingDirectory cwd(dir.Path());
  TCompilation image = CompileToImage("a.rc");
  TCompilation file = CompileToFile("a.rc", "a.res");
  ASSERT_TRUE(image.Succeeded()) << image.errorText;
  ASSERT_TRUE(file.Succeeded()) << file.errorText;
  EXPECT_TRUE(file.image.empty());
  std::string saved = dir.Read("a.res");
  EXPECT_EQ(std::vector<std::uint8_t>(saved.begin(), saved.end()), image.image);
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"a.rc", "a.res"}));  // the image alone writes nothing
}

TEST(CompileApiTest, FailureCarriesNumberFileLineAndText) {
  TTempDir dir;
  dir.Write("a.rc", "1 RCDATA {}\n#include \"b.rc\"\n");
  dir.Write("b.rc", "\n\n0 RCDATA {}\n");
  TWorkingDirectory cwd(dir.Path());
  TCompilation result = CompileToFile("a.rc", "a.res");
  EXPECT_FALSE(result.Succeeded());
  EXPECT_EQ(result.errorNumber, 15);
  EXPECT_EQ(result.errorLine, 3);
  EXPECT_EQ(result.errorFile, "b.rc");
  EXPECT_EQ(result.errorText, "File b.rc. Line 3 : 15. Bad resource identifier: 0");
  EXPECT_FALSE(dir.Exists("a.res"));
  TCompilation unnumbered = CompileToImage("missing.rc");
  EXPECT_EQ(unnumbered.errorNumber, 72);
  EXPECT_EQ(unnumbered.errorLine, 0);
  EXPECT_TRUE(unnumbered.image.empty());
}

TEST(CompileApiTest, OptionsReachTheCompilation) {
  TTempDir dir;
  dir.Write("inc/names.h", "#define IDR_DATA 7\n");
  dir.Write("a.rc", "#include \"names.h\"\nIDR_DATA RCDATA { 1 }\n");
  TWorkingDirectory cwd(dir.Path());
  EXPECT_EQ(CompileToImage("a.rc").errorNumber, 72);
  TCompileOptions options;
  options.includeDirectories.push_back(dir.File("inc"));
  TCompilation result = CompileToImage("a.rc", {}, options);
  EXPECT_TRUE(result.Succeeded()) << result.errorText;
}

}  // namespace
}  // namespace tarvex
