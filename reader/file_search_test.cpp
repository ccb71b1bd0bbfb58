#include "reader/file_search.h"

#include <gtest/gtest.h>

#include <tuple>

#include "reader/parser.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

// Resource files are looked for in the working directory, beside the script, then in the
// include folders in their order.
TEST(FileSearchTest, PlacesAreTriedInOrder) {
  test::TTempDir dir;
  for (const char* name : {"work/here.h", "src/app.rc", "src/res/icon.ico", "src/here.h", "inc1/common.h",
                           "inc2/common.h", "inc2/only2.h"})
    dir.Write(name, "");
  test::TWorkingDirectory cwd(dir.File("work"));
  TRCParser parser;
  OpenSourceFile(parser, "../src/app.rc");  // as while the script is read
  parser.options.includeDirectories = {"../missing", "../inc1", "../inc2/"};
  EXPECT_EQ(FindScriptFile(parser, "here.h"), "here.h");
  EXPECT_EQ(FindScriptFile(parser, "res/icon.ico"), "../src/res/icon.ico");
  EXPECT_EQ(FindScriptFile(parser, "common.h"), "../inc1/common.h");
  EXPECT_EQ(FindScriptFile(parser, "only2.h"), "../inc2/only2.h");
  EXPECT_EQ(FindScriptFile(parser, "nowhere.h"), "");
  EXPECT_EQ(FindScriptFile(parser, "res"), "");  // a folder is no file
}

TEST(FileSearchTest, NormalPaths) {
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"a.rc", "/w", "/w/a.rc"},
      {"./inc/../a.rc", "/w", "/w/a.rc"},
      {"/x//y/./z.h", "/w", "/x/y/z.h"},
      {"../../../a", "/w", "/a"},
  };
  for (const auto& [path, folder, normal] : cases) EXPECT_EQ(NormalPath(path, folder), normal) << path;
}

}  // namespace
}  // namespace tarvex
