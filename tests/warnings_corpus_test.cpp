// What the warnings find in the real-world scripts of ../shared/corpus: every row that
// compiles is compiled with every warning on, and the count of each warning is kept here,
// so that a change in what fires is seen and judged.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "reader/utf16.h"
#include "statements/compile_api.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

TEST(WarningsCorpusTest, CountOfEachWarning) {
  bool found = false;
  std::vector<test::TCorpusRow> corpus = test::CorpusRows(found);
  if (!found) GTEST_SKIP() << "no corpus beside the sources";
  std::map<std::string, int> counts;
  for (const test::TCorpusRow& row : corpus) {
    TCompileOptions options;
    options.includeDirectories = row.includeDirs;
    options.defines = row.defines;
    if (!row.codePage.empty()) {
      ASSERT_TRUE(CodePageCharset(row.codePage, options.codePage)) << row.codePage;
    }
    options.warnings.enabled = kAllWarnings;
    test::TWorkingDirectory cwd(row.workdir);
    TCompilation compilation = CompileToImage(row.script, {}, options);
    if (!compilation.Succeeded()) continue;
    for (const TWarning& warning : compilation.warnings.All()) ++counts[WarningName(warning.kind)];
  }
  // Most come from two scripts that carry twenty translations each (02-openvpn-gui): its
  // property pages laid out for a taller sheet (outside), a button moved at run time
  // (overlap) and strings left untranslated (missing-translation).
  const std::map<std::string, int> expected = {
      {"icon", 2}, {"missing-translation", 39}, {"mnemonic", 107}, {"outside", 113}, {"overlap", 65}, {"version", 2},
  };
  EXPECT_EQ(counts, expected);
}

}  // namespace
}  // namespace tarvex
