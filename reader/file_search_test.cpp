#include "reader/file_search.h"

#include <gtest/gtest.h>

#include "reader/parser.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

using test::TTempDir;
using test::TWorkingDirectory;

// A parser whose current file is `naming`, as while an #include of that file is read.
struct TNamingFile {
  TRCParser parser;
  explicit TNamingFile(const std::string& naming) { OpenSourceFile(parser, naming); }
};

TEST(FileSearchTest, PlacesAreTriedInOrder) {
  TTempDir dir;
  dir.Write("work/here.h", "");
  dir.Write("src/app.rc", "");
  dir.Write("src/res/icon.ico", "");
  dir.Write("src/here.h", "");
  dir.Write("inc1/common.h", "");
  dir.Write("inc2/common.h", "");
  dir.Write("inc2/only2.h", "");
  TWorkingDirectory cwd(dir.File("work"));
  TNamingFile naming("../src/app.rc");
  naming.parser.options.includeDirectories = {"../missing", "../inc1", "../inc2/"};
  const TRCParser& parser = naming.parser;
  EXPECT_EQ(FindScriptFile(parser, "here.h"), "here.h");  // the working directory first
  EXPECT_EQ(FindScriptFile(parser, "res/icon.ico"), "../src/res/icon.ico");
  EXPECT_EQ(FindScriptFile(parser, "common.h"), "../inc1/common.h");
  EXPECT_EQ(FindScriptFile(parser, "only2.h"), "../inc2/only2.h");
  EXPECT_EQ(FindScriptFile(parser, "nowhere.h"), "");
  EXPECT_EQ(FindScriptFile(parser, "res"), "");  // a folder is no file
}

}  // namespace
}  // namespace tarvex
