#include "output/depfile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "reader/diagnostics.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

using test::TTempDir;

TEST(DepfileTest, RuleListsEachDependencyOnceThenAnEmptyRuleForEach) {
  EXPECT_EQ(DependencyRule("out dir/a.res",
                           {"a.rc", "inc/my header.h", "a.rc", "icons/#1.ico", "cost$.bin", "inc/my header.h", "a.rc"}),
            "out\\ dir/a.res: a.rc \\\n"
            "  inc/my\\ header.h \\\n"
            "  icons/\\#1.ico \\\n"
            "  cost$$.bin\n"
            "\n"
            "a.rc:\n"
            "\n"
            "inc/my\\ header.h:\n"
            "\n"
            "icons/\\#1.ico:\n"
            "\n"
            "cost$$.bin:\n");
  EXPECT_EQ(DependencyRule("a.res", {}), "a.res:\n");
}

TEST(DepfileTest, BackslashesBeforeABlankAreDoubled) {
  // res\icon.ico, odd\ name, odd\\#x: only a run before a blank could be read as escapes.
  EXPECT_EQ(DependencyRule("a.res", {"res\\icon.ico", "odd\\ name", "odd\\\\#x"}),
            "a.res: res\\icon.ico \\\n  odd\\\\\\ name \\\n  odd\\\\\\#x\n\n"
            "res\\icon.ico:\n\nodd\\\\\\ name:\n\nodd\\\\\\#x:\n");
  // Names that no dependency file can spell.
  for (const char* name : {"two\nlines", "a\tb", "ends\\", ""})
    EXPECT_THROW(DependencyRule(name, {"a.rc"}), TCompileError) << name;
  EXPECT_THROW(DependencyRule("a.res", {"a.rc", "two\nlines"}), TCompileError);
}

TEST(DepfileTest, SavedAtomically) {
  TTempDir dir;
  SaveTextAtomically("a.res: a.rc\n", dir.File("a.d"));
  SaveTextAtomically("a.res: b.rc\n", dir.File("a.d"));
  EXPECT_EQ(dir.Read("a.d"), "a.res: b.rc\n");
  EXPECT_EQ(dir.List(), std::vector<std::string>{"a.d"});
  try {
    SaveTextAtomically("x", dir.File("missing/a.d"));
    ADD_FAILURE() << "saved into a missing folder";
  } catch (const TCompileError& error) {
    EXPECT_EQ(std::string(error.what()),
              "Cannot create file " + dir.File("missing/a.d") + ": No such file or directory");
  }
}

// A build in a temporary folder whose one rule "compiles" out.res by counting its runs
// in `log` and leaving the dependency file; the file names need every escape.
class TDependentBuild {
 public:
  static constexpr const char* kDependencies[] = {"c$d.rc", "my icon.ico", "a#b.h", "back\\ slash"};

  explicit TDependentBuild(const std::string& buildFile, const std::string& text) {
    for (const char* name : kDependencies) dir_.Write(name, "x");
    std::vector<std::string> names(std::begin(kDependencies), std::end(kDependencies));
    dir_.Write("rule.d", DependencyRule("out.res", names));
    dir_.Write(buildFile, text);
  }

  /// Runs the build tool; how many times the rule has run so far.
  std::size_t Build(const std::string& tool) {
    int status = std::system(("cd '" + dir_.Path() + "' && " + tool + " >/dev/null 2>&1").c_str());
    EXPECT_EQ(status, 0) << tool;
    return dir_.Exists("log") ? dir_.Read("log").size() : 0;
  }

  /// Makes every dependency older than the output, `newer` (if any) newer than it.
  void SetTimes(const std::string& newer = "") {
    for (const char* name : kDependencies) SetAge(name, name == newer ? 10 : 100);
    SetAge("out.res", 50);
  }

 private:
  void SetAge(const std::string& name, int seconds) {
    std::filesystem::last_write_time(dir_.File(name),
                                     std::filesystem::file_time_type::clock::now() - std::chrono::seconds(seconds));
  }
  TTempDir dir_;
};

void ExpectRebuildAfterEachDependencyChanges(TDependentBuild& build, const std::string& tool) {
  ASSERT_EQ(build.Build(tool), 1u);
  build.SetTimes();
  EXPECT_EQ(build.Build(tool), 1u) << "nothing changed";
  std::size_t runs = 1;
  for (const char* name : TDependentBuild::kDependencies) {
    build.SetTimes(name);
    EXPECT_EQ(build.Build(tool), ++runs) << name << " changed";
    EXPECT_EQ(build.Build(tool), runs) << name << " built already";
  }
}

TEST(DepfileTest, MakeRebuildsWhenADependencyChanges) {
  if (std::system("command -v make >/dev/null 2>&1") != 0) GTEST_SKIP() << "make missing";
  TDependentBuild build("Makefile",
                        "out.res:\n"
                        "\tprintf x >> log; touch out.res; cp rule.d out.d\n"
                        "-include out.d\n");
  ExpectRebuildAfterEachDependencyChanges(build, "make");
}

TEST(DepfileTest, NinjaRebuildsWhenADependencyChanges) {
  if (std::system("command -v ninja >/dev/null 2>&1") != 0) GTEST_SKIP() << "ninja missing";
  TDependentBuild build("build.ninja",
                        "rule compile\n"
                        "  command = printf x >> log && touch out.res && cp rule.d out.d\n"
                        "  depfile = out.d\n"
                        "  deps = gcc\n"
                        "build out.res: compile\n");
  ExpectRebuildAfterEachDependencyChanges(build, "ninja");
}

}  // namespace
}  // namespace tarvex
