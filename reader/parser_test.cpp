#include "reader/parser.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "statements/compile_api.h"
#include "tests/statement_checks.h"
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

// Ctrl-Z ends the text of every file read as script, header or unit; what follows it
// would fail here. The including file goes on after it; a data file keeps the byte.
TEST(CompileTest, CtrlZEndsTheTextOfAFile) {
  using Files = std::vector<std::pair<std::string, std::string>>;
  const std::pair<Files, std::string> rows[] = {
      {{{"a.rc", "1 RCDATA { 1 }\r\n\x1A\"open `"}}, "#10:#1 0100"},
      {{{"a.rc", "#include \"b.rc\"\n2 RCDATA { 2 }"}, {"b.rc", "1 RCDATA { 1 }\x1A#error never"}},
       "#10:#1 0100 ; #10:#2 0200"},
      {{{"a.rc", "#include \"h.h\"\n1 RCDATA { X }"}, {"h.h", "#define X 5\r\n\x1A/* open"}}, "#10:#1 0500"},
      {{{"a.rc", "#include \"h.h\"\n1 RCDATA { X }"}, {"h.h", "#define X 5\x1A\n#define X 6\n"}}, "#10:#1 0500"},
      {{{"a.rc", "#include \"u.pas\"\n1 RCDATA { A }"}, {"u.pas", "const A = 7;\x1A const"}}, "#10:#1 0700"},
      {{{"a.rc", "1 RCDATA \"d.bin\""}, {"d.bin", "a\x1A\x62"}}, "#10:#1 611A62"},
      // UTF-16: the character U+001A ends the text too.
      {{{"a.rc", std::string("\xFF\xFE\x31\0 \0R\0C\0D\0A\0T\0A\0{\0}\0\x1A\0x\0", 24)}}, "#10:#1 "},
  };
  for (const auto& [files, expected] : rows) {
    TCompilation outcome = test::CompileFiles(files);
    std::string described = outcome.errorText;
    for (const test::TResEntry& entry : test::ReadResImage(outcome.image))
      described += (described.empty() ? "" : " ; ") + entry.type.Printable() + ":" + entry.name.Printable() + " " +
                   test::HexRows(entry.data);
    EXPECT_EQ(described, expected) << files[0].second;
  }
}

}  // namespace
}  // namespace tarvex
