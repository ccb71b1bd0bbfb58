// Preprocessed input whose line markers name the original script, and its dependency file.
#include <gtest/gtest.h>

#include <sstream>

#include "driver/program.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

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
  dir_.Write("src/app.ico", test::ReadFile(TARVEX_SOURCE_DIR "/examples/app.ico"));
  dir_.Write("build/app.pp", kPreprocessed);
  test::TWorkingDirectory build(dir_.File("build"));
  ASSERT_EQ(Run("tarvex-rc", {"/fo", "app.res", "-MD", "app.pp"}), 0) << err_.str();
  EXPECT_EQ(dir_.Read("build/app.d"), "app.res: app.pp \\\n  ../src/app.ico\n\napp.pp:\n\n../src/app.ico:\n");
  EXPECT_EQ(Run("tarvex-windres", {"-MF", "none.d", "app.pp", "none.o"}), 0);  // -MF alone asks for none, as with gcc
  EXPECT_FALSE(dir_.Exists("build/none.d"));

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
