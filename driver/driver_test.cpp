// Whole runs of the native command line: what it prints and which files it leaves.
#include "driver/driver.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "tests/test_support.h"

namespace tarvex {
namespace {

const std::string kBanner = "TARVEX resource compiler version " TARVEX_VERSION "\n";
const std::string kUsage =
    "Syntax is: TARVEX [option] input_file_name [output_file_name]\n"
    "-h     Display this information\n"
    "-c     Compile rc file to resource file (default)\n"
    "-d     Perform only syntax check (do not create output file)\n";
const std::string kBad52 = "Error[52] in line [1]: File b.rc. Line 1 : 52. Double quoted string not terminated\n";
const std::string kOk = "Compiled successful.\n";
const std::string kError0 = "Error[0] in line [0]: ";

std::string Compiling(const std::string& script, const std::string& output) {
  return "Compiling file: " + script + " into " + output + "...\n";
}

/// TMPDIR set to `value` while the object lives.
struct TTmpDir {
  std::string previous = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
  explicit TTmpDir(const std::string& value) { setenv("TMPDIR", value.c_str(), 1); }
  ~TTmpDir() { previous.empty() ? unsetenv("TMPDIR") : setenv("TMPDIR", previous.c_str(), 1); }
};

/// Runs the driver in `dir`; the status and what it printed after the banner.
std::pair<int, std::string> RunIn(const test::TTempDir& dir, const std::vector<std::string>& args) {
  test::TWorkingDirectory cwd(dir.Path());
  std::ostringstream out;
  int status = RunDriver(args, out);
  std::string text = out.str();
  EXPECT_EQ(text.substr(0, kBanner.size()), kBanner);
  return {status, text.substr(std::min(kBanner.size(), text.size()))};
}

TEST(DriverTest, RunsAndTheFilesTheyLeave) {
  const std::vector<std::string> given = {"a.rc", "b.rc", "b.res", "c.rc", "d.rc", "e", "sub"};
  auto with = [&](std::vector<std::string> more) {
    more.insert(more.end(), given.begin(), given.end());
    std::sort(more.begin(), more.end());
    return more;
  };
  // Arguments, status, what was printed and the folder's listing: the files given are a.rc, b.rc
  // (bad), b.res ("old"), c.rc, the folder d.rc, e, sub/s.rc.
  const std::vector<std::tuple<std::vector<std::string>, int, std::string, std::vector<std::string>>> cases = {
      {{}, 0, kUsage, given},
      {{"-H", "a.rc"}, 0, kUsage, given},
      {{"a"}, 0, Compiling("a.rc", "a.res") + kOk, with({"a.res"})},
      {{"e"}, 0, Compiling("e", "e.res") + kOk, with({"e.res"})},  // taken as it is when it exists
      // Mode options after the script are dropped; the second name is the output, later ones ignored.
      {{"a.rc", "-d"}, 0, Compiling("a.rc", "a.res") + kOk, with({"a.res"})},
      {{"-c", "a.rc", "x.res", "y.res"}, 0, Compiling("a.rc", "x.res") + kOk, with({"x.res"})},
      // Two script-like names make a list; -h after the script is a name in it.
      {{"a", "c"}, 0, Compiling("a.rc", "a.res") + Compiling("c.rc", "c.res") + kOk, with({"a.res", "c.res"})},
      {{"a.rc", "-h"}, 1, Compiling("a.rc", "a.res") + kError0 + "File \"-h.rc\" not found\n", with({"a.res"})},
      // The list stops at the first failing script, whose old output stays.
      {{"a.rc", "b.rc", "c.rc"}, 1, Compiling("a.rc", "a.res") + Compiling("b.rc", "b.res") + kBad52, with({"a.res"})},
      {{"d"},
       1,
       Compiling("d.rc", "d.res") + "Error[72] in line [0]: 72. Cannot open file \"d.rc\" (Is a directory)\n",
       given},
      {{"*.txt"}, 1, kError0 + "File not found!\n", given},
      {{"sub/*.rc"}, 0, Compiling("sub/s.rc", "s.res") + kOk, with({"s.res"})},  // into the working directory
      // Option errors end the run.
      {{"-U", "a.rc"}, 1, kError0 + "Option -U needs a name: -U<name>\n", given},
      {{"-c1", "a.rc"}, 1, kError0 + "Unknown code page 1\n", given},
      {{"--machine=z80", "a.rc"}, 1, kError0 + "Option --machine needs x86, x64 or arm64\n", given},
      {{"--frobnicate", "a.rc"}, 1, kError0 + "Unknown option --frobnicate\n", given},
      {{"--depfile", "a.d", "a.rc", "c.rc"},
       1,
       kError0 + "Option --depfile names the dependencies of one script: not with several scripts, a wildcard or -d\n",
       given},
      {{"--version", "a.rc"}, 0, "", given},
  };
  for (const auto& [args, status, text, listing] : cases) {
    test::TTempDir dir;
    for (const char* name : {"a.rc", "c.rc", "sub/s.rc"}) dir.Write(name, "");
    dir.Write("e", "// nothing but a comment\n");
    dir.Write("b.rc", "\"abc\n");
    dir.Write("b.res", "old");
    ASSERT_EQ(mkdir(dir.File("d.rc").c_str(), 0700), 0);
    EXPECT_EQ(RunIn(dir, args), std::make_pair(status, text)) << (args.empty() ? "" : args[0]);
    EXPECT_EQ(dir.List(), listing) << (args.empty() ? "" : args[0]);
    EXPECT_EQ(dir.Read("b.res"), "old");
    if (dir.Exists("a.res") && args.size() == 1) {
      std::string bytes = dir.Read("a.res");  // the leading entry only
      EXPECT_EQ(test::HexRows(std::vector<std::uint8_t>(bytes.begin(), bytes.end())),
                "00000000 20000000 FFFF0000 FFFF0000\n00000000 00000000 00000000 00000000");
    }
  }
}

// Syntax checks write into a scratch file in $TMPDIR (a folder of the test, so that a file
// left behind is seen) and leave nothing.
TEST(DriverTest, SyntaxChecksLeaveNothing) {
  const std::vector<std::tuple<std::vector<std::string>, int, std::string>> cases = {
      {{"-d", "a.rc", "out.res"}, 0, kOk},
      {{"-D", "b"}, 1, kBad52},
      {{"-d", "*.rc"}, 1, kBad52},
  };
  for (const auto& [args, status, tail] : cases) {
    test::TTempDir dir;
    dir.Write("a.rc", "");
    dir.Write("b.rc", "\"abc\n");
    ASSERT_EQ(mkdir(dir.File("scratch").c_str(), 0700), 0);
    TTmpDir tmpdir(dir.File("scratch"));
    auto [result, text] = RunIn(dir, args);
    EXPECT_EQ(result, status) << args[1];
    EXPECT_NE(text.find(" into " + dir.File("scratch") + "/tarvex-check-"), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("...\n" + tail)) << text;
    EXPECT_TRUE(std::filesystem::is_empty(dir.File("scratch"))) << args[1];
    EXPECT_EQ(dir.List(), (std::vector<std::string>{"a.rc", "b.rc", "scratch"})) << args[1];
  }
  test::TTempDir dir;
  dir.Write("a.rc", "");
  TTmpDir tmpdir(dir.File("none"));
  EXPECT_EQ(RunIn(dir, {"-d", "a.rc"}), std::make_pair(1, kError0 + "Cannot create file " + dir.File("none") +
                                                              "/tarvex-check-XXXXXX: No such file or directory\n"));
  EXPECT_EQ(dir.List(), std::vector<std::string>{"a.rc"});
}

TEST(DriverTest, BuildOptionsCoffAndDependencyFile) {
  test::TTempDir dir;
  dir.Write("inc/names.h", "#define FROM_HEADER 3\n");
  dir.Write("a.rc", "#include \"names.h\"\n#if X != 2 || FROM_HEADER != 3 || defined(GONE)\n#error wrong\n#endif\n");
  // Options stand anywhere and never start a list; they are taken out first, so -d is first.
  EXPECT_EQ(RunIn(dir, {"-DX=2", "-I", "inc", "a.rc", "-DGONE", "-UGONE"}).second, Compiling("a.rc", "a.res") + kOk);
  EXPECT_EQ(RunIn(dir, {"-Iinc", "-d", "a.rc"}).first, 1);  // X is not 2 without -DX=2
  EXPECT_EQ(RunIn(dir, {"-Iinc", "-DX=2", "-d", "a.rc"}).first, 0);
  const std::string rule = "a.obj: a.rc \\\n  my\\ dir/x.h\n\na.rc:\n\nmy\\ dir/x.h:\n";
  dir.Write("my dir/x.h", "#define A 1\n");
  dir.Write("a.rc", "#include \"my dir/x.h\"\n");
  EXPECT_EQ(RunIn(dir, {"--coff", "--depfile=a.d", "a.rc"}).second, Compiling("a.rc", "a.obj") + kOk);
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"a.d", "a.obj", "a.rc", "a.res", "inc", "my dir"}));
  EXPECT_EQ(dir.Read("a.d"), rule);
  dir.Write("a.rc", "\"unterminated");
  EXPECT_EQ(RunIn(dir, {"--depfile", "a.d", "a.rc"}).first, 1);
  EXPECT_EQ(dir.Read("a.d"), rule);
}

}  // namespace
}  // namespace tarvex
