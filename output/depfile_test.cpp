// Dependency files: the rule text with its escapes, saved atomically, and read by make and
// Ninja so that a change of any named file rebuilds.
#include "output/depfile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "reader/diagnostics.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

TEST(DepfileTest, RuleText) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"out dir/a.res", "a.rc", "inc/my header.h", "a.rc", "icons/#1.ico", "cost$.bin", "inc/my header.h"},
       "out\\ dir/a.res: a.rc \\\n  inc/my\\ header.h \\\n  icons/\\#1.ico \\\n  cost$$.bin\n\na.rc:\n\n"
       "inc/my\\ header.h:\n\nicons/\\#1.ico:\n\ncost$$.bin:\n"},
      {{"a.res"}, "a.res:\n"},
      // Only a run of backslashes before a blank or # could be read as escapes.
      {{"a.res", "res\\icon.ico", "odd\\ name", "odd\\\\#x"},
       "a.res: res\\icon.ico \\\n  odd\\\\\\ name \\\n  odd\\\\\\#x\n\nres\\icon.ico:\n\nodd\\\\\\ name:\n\n"
       "odd\\\\\\#x:\n"},
  };
  for (const auto& [names, rule] : cases)
    EXPECT_EQ(DependencyRule(names[0], std::vector<std::string>(names.begin() + 1, names.end())), rule);
  // Names that no dependency file can spell.
  for (const char* name : {"two\nlines", "a\tb", "ends\\", ""})
    EXPECT_THROW(DependencyRule(name, {"a.rc"}), TCompileError) << name;
  EXPECT_THROW(DependencyRule("a.res", {"a.rc", "two\nlines"}), TCompileError);
}

// A build whose one rule "compiles" out.res by counting its runs in `log` and leaving the
// dependency file; the file names need every escape.
TEST(DepfileTest, MakeAndNinjaRebuildWhenADependencyChanges) {
  const std::vector<std::string> names = {"c$d.rc", "my icon.ico", "a#b.h", "back\\ slash"};
  const std::pair<const char*, std::string> tools[] = {
      {"make", "out.res:\n\tprintf x >> log; touch out.res; cp rule.d out.d\n-include out.d\n"},
      {"ninja",
       "rule compile\n  command = printf x >> log && touch out.res && cp rule.d out.d\n  depfile = out.d\n"
       "  deps = gcc\nbuild out.res: compile\n"}};
  for (const auto& [tool, buildFile] : tools) {
    if (std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) != 0) continue;
    SCOPED_TRACE(tool);
    test::TTempDir dir;
    for (const std::string& name : names) dir.Write(name, "x");
    dir.Write("rule.d", DependencyRule("out.res", names));
    dir.Write(std::string(tool) == "make" ? "Makefile" : "build.ninja", buildFile);
    auto build = [&] {
      EXPECT_EQ(std::system(("cd '" + dir.Path() + "' && " + tool + " >/dev/null 2>&1").c_str()), 0);
      return dir.Exists("log") ? dir.Read("log").size() : 0;
    };
    // Every dependency older than the output, `newer` (if any) newer than it.
    auto setTimes = [&](const std::string& newer) {
      auto now = std::filesystem::file_time_type::clock::now();
      for (const std::string& name : names)
        std::filesystem::last_write_time(dir.File(name), now - std::chrono::seconds(name == newer ? 10 : 100));
      std::filesystem::last_write_time(dir.File("out.res"), now - std::chrono::seconds(50));
    };
    ASSERT_EQ(build(), 1u);
    setTimes("");
    EXPECT_EQ(build(), 1u) << "nothing changed";
    std::size_t runs = 1;
    for (const std::string& name : names) {
      setTimes(name);
      EXPECT_EQ(build(), ++runs) << name << " changed";
      EXPECT_EQ(build(), runs) << name << " built already";
    }
  }
}

}  // namespace
}  // namespace tarvex
