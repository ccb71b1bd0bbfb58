#include "driver/driver.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>

#include "tests/test_support.h"

namespace tarvex {
namespace {

using test::TTempDir;
using test::TWorkingDirectory;

const std::string kBanner = "TARVEX resource compiler version " TARVEX_VERSION "\n";
const std::string kUsage =
    "Syntax is: TARVEX [option] input_file_name [output_file_name]\n"
    "-h     Display this information\n"
    "-c     Compile rc file to resource file (default)\n"
    "-d     Perform only syntax check (do not create output file)\n";
const std::string kEmptyRes = "00000000 20000000 FFFF0000 FFFF0000\n00000000 00000000 00000000 00000000";
const std::string kBadScript = "\"abc\n";
const std::string kBadScriptLine =
    "Error[52] in line [1]: File b.rc. Line 1 : 52. Double quoted string not terminated\n";

struct TRun {
  int status = -1;
  std::string text;  ///< everything printed after the banner
};

/// Sets an environment variable for the lifetime of the object.
class TEnvironmentVariable {
 public:
  TEnvironmentVariable(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) previous_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~TEnvironmentVariable() {
    if (previous_)
      setenv(name_, previous_->c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> previous_;
};

/// Every run happens inside a fresh folder that is the working directory.
class DriverTest : public ::testing::Test {
 protected:
  TRun Run(const std::vector<std::string>& args) {
    std::ostringstream out;
    TRun run;
    run.status = RunDriver(args, out);
    std::string text = out.str();
    EXPECT_EQ(text.substr(0, kBanner.size()), kBanner);
    run.text = text.substr(std::min(kBanner.size(), text.size()));
    return run;
  }
  std::string ResHex(const std::string& name) const {
    std::string bytes = dir_.Read(name);
    return test::HexRows(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  }

  TTempDir dir_;
  TWorkingDirectory cwd_{dir_.Path()};
};

TEST_F(DriverTest, UsageWithoutArgumentsOrWithHelpFirst) {
  dir_.Write("a.rc", "");
  for (const auto& args : std::vector<std::vector<std::string>>{{}, {"-h"}, {"-H"}, {"-h", "a.rc"}}) {
    TRun run = Run(args);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.text, kUsage);
  }
  EXPECT_FALSE(dir_.Exists("a.res"));
}

TEST_F(DriverTest, EmptyScriptGivesTheLeadingEntryOnly) {
  dir_.Write("a.rc", "");
  TRun run = Run({"a"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.text, "Compiling file: a.rc into a.res...\nCompiled successful.\n");
  EXPECT_EQ(ResHex("a.res"), kEmptyRes);
}

TEST_F(DriverTest, NameWithoutExtensionIsTakenAsItIsWhenItExists) {
  dir_.Write("script", "// nothing but a comment\n");
  TRun run = Run({"script"});
  EXPECT_EQ(run.text, "Compiling file: script into script.res...\nCompiled successful.\n");
  EXPECT_TRUE(dir_.Exists("script.res"));
}

TEST_F(DriverTest, ModeOptionsAfterTheScriptAreDropped) {
  dir_.Write("a.rc", "");
  for (const char* option : {"-d", "-C"}) {
    TRun run = Run({"a.rc", option});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.text, "Compiling file: a.rc into a.res...\nCompiled successful.\n");
  }
  EXPECT_TRUE(dir_.Exists("a.res"));
}

TEST_F(DriverTest, SecondNameIsTheOutputAndLaterOnesAreIgnored) {
  dir_.Write("a.rc", "");
  EXPECT_EQ(Run({"a.rc", "b.res"}).text, "Compiling file: a.rc into b.res...\nCompiled successful.\n");
  EXPECT_EQ(Run({"-c", "a.rc", "c.res", "d.res"}).text, "Compiling file: a.rc into c.res...\nCompiled successful.\n");
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{"a.rc", "b.res", "c.res"}));
}

TEST_F(DriverTest, TwoScriptLikeNamesMakeAList) {
  dir_.Write("a.rc", "");
  dir_.Write("b.rc", "");
  TRun run = Run({"a", "b"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.text,
            "Compiling file: a.rc into a.res...\n"
            "Compiling file: b.rc into b.res...\n"
            "Compiled successful.\n");
}

TEST_F(DriverTest, HelpAfterTheScriptIsAScriptNameInTheList) {
  dir_.Write("a.rc", "");
  TRun run = Run({"a.rc", "-h"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.text, "Compiling file: a.rc into a.res...\nError[0] in line [0]: File \"-h.rc\" not found\n");
  EXPECT_TRUE(dir_.Exists("a.res"));
}

TEST_F(DriverTest, MissingScriptIsNamedWithItsExtension) {
  TRun run = Run({"x"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.text, "Error[0] in line [0]: File \"x.rc\" not found\n");
}

TEST_F(DriverTest, ListStopsAtTheFirstFailingScript) {
  dir_.Write("a.rc", "");
  dir_.Write("b.rc", kBadScript);
  dir_.Write("c.rc", "");
  TRun run = Run({"a.rc", "b.rc", "c.rc"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.text, "Compiling file: a.rc into a.res...\nCompiling file: b.rc into b.res...\n" + kBadScriptLine);
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{"a.rc", "a.res", "b.rc", "c.rc"}));
}

TEST_F(DriverTest, FailedCompilationKeepsTheOldOutput) {
  dir_.Write("b.rc", kBadScript);
  dir_.Write("b.res", "old");
  TRun run = Run({"b.rc"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.text, "Compiling file: b.rc into b.res...\n" + kBadScriptLine);
  EXPECT_EQ(dir_.Read("b.res"), "old");
}

TEST_F(DriverTest, DirectoryNamedAsTheScriptIsRefused) {
  ASSERT_EQ(mkdir(dir_.File("a.rc").c_str(), 0700), 0);
  TRun run = Run({"a"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.text,
            "Compiling file: a.rc into a.res...\nError[72] in line [0]: 72. Cannot open file \"a.rc\" "
            "(Is a directory)\n");
  EXPECT_FALSE(dir_.Exists("a.res"));
}

TEST_F(DriverTest, WildcardWithoutMatch) {
  dir_.Write("a.txt", "");
  TRun run = Run({"*.rc"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.text, "Error[0] in line [0]: File not found!\n");
}

TEST_F(DriverTest, WildcardTakesVisibleRegularFilesOnly) {
  dir_.Write("a.rc", "");
  dir_.Write("b.rc", "");
  dir_.Write(".c.rc", "");
  ASSERT_EQ(mkdir(dir_.File("d.rc").c_str(), 0700), 0);
  TRun run = Run({"?.rc", "ignored.res"});
  EXPECT_EQ(run.status, 0);
  // The folder's own order decides which comes first.
  EXPECT_TRUE(
      run.text == "Compiling file: a.rc into a.res...\nCompiling file: b.rc into b.res...\nCompiled successful.\n" ||
      run.text == "Compiling file: b.rc into b.res...\nCompiling file: a.rc into a.res...\nCompiled successful.\n")
      << run.text;
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{".c.rc", "a.rc", "a.res", "b.rc", "b.res", "d.rc"}));
}

TEST_F(DriverTest, WildcardInAFolderWritesIntoTheWorkingDirectory) {
  dir_.Write("sub/x.rc", "");
  TRun run = Run({"sub/*.rc"});
  EXPECT_EQ(run.text, "Compiling file: sub/x.rc into x.res...\nCompiled successful.\n");
  EXPECT_TRUE(dir_.Exists("x.res"));
  EXPECT_FALSE(dir_.Exists("sub/x.res"));
}

/// Syntax-only runs with the temporary directory pointed at a folder of the test, so
/// that a scratch file left behind would be seen.
class SyntaxOnlyTest : public DriverTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(mkdir(scratchDir_.c_str(), 0700), 0);
    dir_.Write("a.rc", "");
  }
  /// Checks that the run left no file in the scratch folder and no output beside the scripts.
  void ExpectNothingLeft(const std::vector<std::string>& scripts) const {
    EXPECT_TRUE(std::filesystem::is_empty(scratchDir_));
    std::vector<std::string> expected = scripts;
    expected.push_back("scratch");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(dir_.List(), expected);
  }
  /// What follows the progress line into the scratch file, whose random part varies.
  std::string Progress(const std::string& text) const {
    std::string prefix = "Compiling file: a.rc into " + scratchDir_ + "/tarvex-check-";
    EXPECT_EQ(text.rfind(prefix, 0), 0u) << text;
    std::size_t end = text.find("...\n");
    return end == std::string::npos ? text : text.substr(end + 4);
  }

  std::string scratchDir_ = dir_.File("scratch");
  TEnvironmentVariable tmpdir_{"TMPDIR", scratchDir_};
};

TEST_F(SyntaxOnlyTest, OutputNameIsIgnoredAndNothingRemains) {
  TRun run = Run({"-d", "a.rc", "out.res"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(Progress(run.text), "Compiled successful.\n");
  ExpectNothingLeft({"a.rc"});
}

TEST_F(SyntaxOnlyTest, FailureLeavesNothing) {
  dir_.Write("a.rc", "\"abc");
  TRun run = Run({"-D", "a"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(Progress(run.text), "Error[52] in line [1]: File a.rc. Line 1 : 52. Double quoted string not terminated\n");
  ExpectNothingLeft({"a.rc"});
}

TEST_F(SyntaxOnlyTest, MissingScriptInTheListLeavesNothing) {
  TRun run = Run({"-d", "a", "b"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(Progress(run.text), "Error[0] in line [0]: File \"b.rc\" not found\n");
  ExpectNothingLeft({"a.rc"});
}

TEST_F(SyntaxOnlyTest, WildcardLeavesNothing) {
  TRun run = Run({"-d", "*.rc"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(Progress(run.text), "Compiled successful.\n");
  ExpectNothingLeft({"a.rc"});
}

TEST_F(SyntaxOnlyTest, UnusableTemporaryDirectoryIsAnError) {
  std::string missing = dir_.File("none");
  TEnvironmentVariable elsewhere("TMPDIR", missing);
  TRun run = Run({"-d", "a.rc"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.text, "Error[0] in line [0]: Cannot create file " + missing +
                          "/tarvex-check-XXXXXX: No such file or directory\n");
  ExpectNothingLeft({"a.rc"});
}

TEST_F(DriverTest, BuildOptionsStandAnywhereAndNeverStartAList) {
  dir_.Write("inc/names.h", "#define FROM_HEADER 3\n");
  dir_.Write("a.rc", "#include \"names.h\"\n#if X != 2 || FROM_HEADER != 3 || defined(GONE)\n#error wrong\n#endif\n");
  EXPECT_EQ(Run({"-DX=2", "-I", "inc", "a.rc", "-DGONE", "-UGONE"}).text,
            "Compiling file: a.rc into a.res...\nCompiled successful.\n");
  std::remove("a.res");
  // The options are taken out first, so -d is the first argument: a syntax check.
  EXPECT_EQ(Run({"-Iinc", "-d", "a.rc"}).status, 1);  // X is not 2 without -DX=2
  TRun syntax = Run({"-Iinc", "-DX=2", "-d", "a.rc"});
  EXPECT_EQ(syntax.status, 0);
  EXPECT_NE(syntax.text.find("Compiled successful."), std::string::npos);
  EXPECT_FALSE(dir_.Exists("a.res"));
}

TEST_F(DriverTest, OptionErrorsEndTheRun) {
  dir_.Write("a.rc", "");
  struct {
    std::vector<std::string> args;
    const char* line;
  } cases[] = {
      {{"a.rc", "-I"}, "Error[0] in line [0]: Option -I needs a directory\n"},
      {{"-U", "a.rc"}, "Error[0] in line [0]: Option -U needs a name: -U<name>\n"},
      {{"-c1", "a.rc"}, "Error[0] in line [0]: Unknown code page 1\n"},
      {{"--machine=z80", "a.rc"}, "Error[0] in line [0]: Option --machine needs x86, x64 or arm64\n"},
      {{"--frobnicate", "a.rc"}, "Error[0] in line [0]: Unknown option --frobnicate\n"},
      {{"--depfile", "a.d", "a.rc", "b.rc"},
       "Error[0] in line [0]: Option --depfile names the dependencies of one script: not with several scripts, a "
       "wildcard or -d\n"},
  };
  for (const auto& c : cases) {
    TRun run = Run(c.args);
    EXPECT_EQ(run.status, 1) << c.line;
    EXPECT_EQ(run.text, c.line);
  }
  EXPECT_FALSE(dir_.Exists("a.res"));
  TRun version = Run({"--version", "a.rc"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.text, "");
}

TEST_F(DriverTest, CoffObjectAndDependencyFile) {
  const std::string kRule = "a.obj: a.rc \\\n  my\\ dir/x.h\n\na.rc:\n\nmy\\ dir/x.h:\n";
  dir_.Write("my dir/x.h", "#define A 1\n");
  dir_.Write("a.rc", "#include \"my dir/x.h\"\n");
  TRun run = Run({"--coff", "--depfile=a.d", "a.rc"});
  EXPECT_EQ(run.text, "Compiling file: a.rc into a.obj...\nCompiled successful.\n");
  EXPECT_TRUE(dir_.Exists("a.obj"));
  EXPECT_FALSE(dir_.Exists("a.res"));
  EXPECT_EQ(dir_.Read("a.d"), kRule);
  dir_.Write("a.rc", "\"unterminated");
  EXPECT_EQ(Run({"--depfile", "a.d", "a.rc"}).status, 1);
  EXPECT_EQ(dir_.Read("a.d"), kRule);
}

}  // namespace
}  // namespace tarvex
