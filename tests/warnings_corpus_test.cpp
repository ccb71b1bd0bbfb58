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

std::vector<std::string> Cells(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  for (std::string part; std::getline(stream, part, separator);)
    if (!part.empty() && part != "-") parts.push_back(part);
  return parts;
}

TEST(WarningsCorpusTest, CountOfEachWarning) {
  std::error_code missing;
  std::string corpus = std::filesystem::canonical(std::string(TARVEX_SOURCE_DIR) + "/../shared/corpus", missing);
  if (missing || !std::filesystem::exists(corpus + "/scripts.tsv")) GTEST_SKIP() << "no corpus beside the sources";
  std::map<std::string, int> counts;
  std::ifstream list(corpus + "/scripts.tsv");
  std::string line;
  std::getline(list, line);  // column names
  while (std::getline(list, line)) {
    // set, script, working folder, include folders, defines, code page, ...
    std::vector<std::string> cells;
    std::stringstream row(line);
    for (std::string cell; std::getline(row, cell, '\t');) cells.push_back(cell);
    if (cells.size() < 7) continue;
    std::string setDir = corpus + "/" + cells[0];
    TCompileOptions options;
    for (const std::string& dir : Cells(cells[3], ' ')) options.includeDirectories.push_back(setDir + "/" + dir);
    for (const std::string& name : Cells(cells[4], ' ')) options.defines.push_back(name);
    if (cells[5] != "-") {
      ASSERT_TRUE(CodePageCharset(cells[5], options.codePage)) << cells[5];
    }
    options.warnings.enabled = kAllWarnings;
    test::TWorkingDirectory cwd(setDir + "/" + cells[2]);
    TCompilation compilation = CompileToImage(setDir + "/" + cells[1], {}, options);
    if (!compilation.Succeeded()) continue;
    for (const TWarning& warning : compilation.warnings) ++counts[WarningName(warning.kind)];
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
