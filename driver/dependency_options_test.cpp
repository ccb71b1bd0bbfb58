// Dependency files as build systems ask for them, and preprocessed input whose line
// markers name the original script.
#include <gtest/gtest.h>

#include <sstream>

#include "driver/program.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

std::string ExampleIcon() { return test::ReadFile(TARVEX_SOURCE_DIR "/examples/app.ico"); }

class DependencyTest : public ::testing::Test {
 protected:
  int Run(const std::string& program, const std::vector<std::string>& args) {
    std::ostringstream out;
    err_.str("");
    int status = RunProgram(program, args, out, err_);
    EXPECT_EQ(out.str(), "");
    return status;
  }

  test::TTempDir dir_;
  test::TWorkingDirectory cwd_{dir_.Path()};
  std::ostringstream err_;
};

TEST_F(DependencyTest, DependencyFileNamesHeadersAndResourceFiles) {
  dir_.Write("app.rc", "#include \"res.h\"\nIDI_APP ICON \"app.ico\"\n");
  dir_.Write("res.h", "#define IDI_APP 1\n");
  dir_.Write("app.ico", ExampleIcon());
  dir_.Write("out/.keep", "");
  const std::string deps = " \\\n  res.h \\\n  app.ico\n\napp.rc:\n\nres.h:\n\napp.ico:\n";
  struct TCase {
    std::string program;
    std::vector<std::string> args;
    std::string depfile;
    std::string expected;
  };
  const std::vector<TCase> cases = {
      {"tarvex-rc", {"/fo", "out/app.res", "-MD", "app.rc"}, "out/app.d", "out/app.res: app.rc" + deps},
      {"tarvex-windres",
       {"-MD", "-MQ", "my app.o", "-MQ$x", "app.rc", "out/app.o"},
       "out/app.d",
       "my\\ app.o $$x: app.rc" + deps},
      // -MF and -MT alone ask for no file, as with gcc.
      {"tarvex-windres", {"-MF", "none.d", "app.rc", "out/y.o"}, "none.d", ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.program + " " + c.args.front());
    EXPECT_EQ(Run(c.program, c.args), 0) << err_.str();
    EXPECT_EQ(dir_.Exists(c.depfile) ? dir_.Read(c.depfile) : "", c.expected);
  }
  // A failed run leaves neither a dependency file nor an output.
  dir_.Write("app.rc", "#include \"res.h\"\nIDI_APP ICON \"gone.ico\"\n");
  EXPECT_EQ(Run("tarvex-rc", {"/fo", "fail.res", "-MD", "app.rc"}), 1);
  EXPECT_FALSE(dir_.Exists("fail.res"));
  EXPECT_FALSE(dir_.Exists("fail.d"));
}

// The C preprocessor's output: line markers name the script and its headers, #line a
// file of its own; the script began with a UTF-8 byte-order mark that the preprocessor
// dropped.
const char* const kPreprocessed =
    "# 1 \"../src/app.rc\"\n"
    "# 1 \"<built-in>\" 1\n"
    "# 1 \"<command line>\" 1\n"
    "# 1 \"../src/app.rc\" 2\n"
    "# 1 \"../src/res.h\" 1\n"
    "typedef struct { int x; } NOT_RESOURCES;\n"
    "# 2 \"../src/app.rc\" 2\n"
    "1 ICON \"app.ico\"\n"
    "STRINGTABLE { 1 \"caf\xC3\xA9\" }\n";

TEST_F(DependencyTest, PreprocessedInputWithLineMarkers) {
  dir_.Write("src/app.rc", "\xEF\xBB\xBF#include \"res.h\"\n1 ICON \"app.ico\"\nSTRINGTABLE { 1 \"caf\xC3\xA9\" }\n");
  dir_.Write("src/res.h", "typedef struct { int x; } NOT_RESOURCES;\n");
  dir_.Write("src/app.ico", ExampleIcon());
  dir_.Write("build/app.pp", kPreprocessed);
  test::TWorkingDirectory build(dir_.File("build"));
  ASSERT_EQ(Run("tarvex-rc", {"/fo", "app.res", "-MD", "app.pp"}), 0) << err_.str();
  EXPECT_EQ(dir_.Read("build/app.d"), "app.res: app.pp \\\n  ../src/app.ico\n\napp.pp:\n\n../src/app.ico:\n");

  // An error after a #line names the file it gives, with the escapes of a C string.
  for (const auto& [tail, expected] : std::vector<std::pair<std::string, std::string>>{
           {"#line 20 \"gen\\\\x \\\"y\\\".rc\"\n\n  3 ICON \"missing.ico\"\n",
            "gen\\x \"y\".rc:21:10: error: Cannot open missing.ico file [RC1]\n  3 ICON \"missing.ico\"\n         ^\n"},
           {"# 5 \"unterminated\n",
            "../src/app.rc:4:1: error: A line marker names its file in double quotes: 5 \"unterminated\n"
            "# 5 \"unterminated\n^\n"}}) {
    dir_.Write("build/bad.pp", kPreprocessed + tail);
    EXPECT_EQ(Run("tarvex-windres", {"bad.pp", "bad.o"}), 1);
    EXPECT_EQ(err_.str(), expected);
  }
}

}  // namespace
}  // namespace tarvex
