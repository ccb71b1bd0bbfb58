#include "reader/parser.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "statements/compile_api.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

using test::CompileInDir;
using test::CompileText;
using test::TTempDir;
using test::TWorkingDirectory;

const std::vector<std::uint8_t> kLeadingEntry =
    test::FromHex("00000000 20000000 FFFF0000 FFFF0000 00000000 00000000 00000000 00000000");

TEST(CompileTest, ScriptWithoutStatementsGivesTheLeadingEntryOnly) {
  for (const char* script : {"", " \n", "// only a comment\n/* and a\nblock */\n; semicolon comment",
                             "STRINGTABLE { }\nSTRINGTABLE BEGIN END\n"}) {
    TCompilation outcome = CompileText(script);
    EXPECT_EQ(outcome.errorText, "") << script;
    EXPECT_EQ(test::HexRows(outcome.image), test::HexRows(kLeadingEntry)) << script;
  }
}

TEST(CompileTest, ScriptThatCannotBeOpenedHasNoLocation) {
  TTempDir dir;
  TWorkingDirectory cwd(dir.Path());
  mkdir("folder.rc", 0755);
  for (auto [name, reason] : {std::pair{"missing.rc", "No such file or directory"}, {"folder.rc", "Is a directory"}}) {
    TRCParser parser;
    try {
      Compile(parser, name, "out.res");
      FAIL() << name;
    } catch (const std::exception& failure) {
      EXPECT_EQ(std::string(failure.what()), std::string("72. Cannot open file \"") + name + "\" (" + reason + ")");
      EXPECT_EQ(parser.errorNumber, 72);
      EXPECT_EQ(parser.errorLine, 0);
    }
    EXPECT_FALSE(dir.Exists("out.res"));
  }
}

TEST(CompileTest, PipeIsRefusedWithoutWaiting) {
  TTempDir dir;
  TWorkingDirectory cwd(dir.Path());
  ASSERT_EQ(mkfifo("pipe.rc", 0644), 0);
  TRCParser parser;
  EXPECT_THROW(Compile(parser, "pipe.rc", "out.res"), std::exception);
  EXPECT_EQ(parser.errorNumber, 72);
}

TEST(CompileTest, FailedCompilationKeepsTheOldOutput) {
  TTempDir dir;
  dir.Write("a.res", "old");
  dir.Write("a.rc", "\"unterminated");
  TWorkingDirectory cwd(dir.Path());
  TRCParser parser;
  EXPECT_THROW(Compile(parser, "a.rc", "a.res"), std::exception);
  EXPECT_EQ(dir.Read("a.res"), "old");
}

}  // namespace
}  // namespace tarvex
