#include "reader/parser.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "statements/compile_api.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

// A script that is a folder or a pipe is refused at once, with no place in a script: a pipe
// is never read, so no run waits for a writer that never comes.
TEST(CompileTest, ScriptThatIsNoRegularFileIsRefusedAtOnce) {
  test::TTempDir dir;
  test::TWorkingDirectory cwd(dir.Path());
  ASSERT_EQ(mkfifo("pipe.rc", 0644), 0);
  ASSERT_EQ(mkdir("folder.rc", 0755), 0);
  for (const char* name : {"pipe.rc", "folder.rc"}) {
    TCompilation outcome = CompileToFile(name, "out.res");
    EXPECT_EQ(outcome.errorNumber, 72) << name;
    EXPECT_EQ(outcome.errorLine, 0) << name;
  }
  EXPECT_EQ(CompileToFile("folder.rc", "out.res").errorText, "72. Cannot open file \"folder.rc\" (Is a directory)");
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"folder.rc", "pipe.rc"}));
}

}  // namespace
}  // namespace tarvex
