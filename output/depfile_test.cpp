// Dependency files: the rule text with the escapes make and Ninja read.
#include "output/depfile.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tarvex
