// Real-world scripts from ../shared/corpus: every script either compiles into a .res that
// llvm-cvtres accepts, or stops with exactly one error line and leaves no output. None
// may crash or hang. Every script is compiled a second time with --no-fast-path, which
// must print the same lines and write the same bytes: the lanes of the reader change
// nothing a user sees. The run prints how many compiled and the first error of every
// script expected to compile that did not.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "tests/external_tools.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  for (std::string part; std::getline(stream, part, separator);)
    if (!part.empty() && part != "-") parts.push_back(part);
  return parts;
}

TEST(CorpusTest, EveryScriptCompilesOrStopsWithOneError) {
  bool found = false;
  std::vector<test::TCorpusRow> corpus = test::CorpusRows(found);
  if (!found) GTEST_SKIP() << "no corpus beside the sources";
  std::string converter = test::FindTool("llvm-cvtres");
  test::TTempDir out;
  std::size_t compiled = 0, expected = 0, rows = 0;
  std::string gaps;
  for (const test::TCorpusRow& row : corpus) {
    const std::string& label = row.label;
    std::string res = std::to_string(rows++) + ".res";
    std::vector<std::string> command = {TARVEX_BINARY};
    for (const std::string& argument : row.Arguments()) command.push_back(argument);
    command.push_back(out.File(res));
    // Both runs write the same file name, so that any message naming it reads alike; the
    // run without the lanes goes first and its file is read and removed before the other.
    std::vector<std::string> layersOnly = command;
    layersOnly.insert(layersOnly.begin() + 1, "--no-fast-path");
    std::string layersOutput;
    int layersStatus = test::RunTool(layersOnly, layersOutput, 120, row.workdir);
    bool layersWrote = out.Exists(res);
    std::string layersBytes = test::ReadFile(out.File(res));
    std::error_code ignored;
    std::filesystem::remove(out.File(res), ignored);
    std::string output;
    int status = test::RunTool(command, output, 120, row.workdir);
    EXPECT_EQ(layersStatus, status) << label << ": exit status with and without --no-fast-path";
    EXPECT_EQ(layersOutput, output) << label << ": printed lines with and without --no-fast-path";
    EXPECT_EQ(layersWrote, out.Exists(res)) << label << ": .res written with and without --no-fast-path";
    EXPECT_TRUE(layersBytes == test::ReadFile(out.File(res)))
        << label << ": .res bytes differ with and without --no-fast-path";
    expected += row.compiles;
    std::string firstError;
    std::size_t errors = 0;
    for (const std::string& printed : Split(output, '\n'))
      if (printed.starts_with("Error[") && errors++ == 0) firstError = printed;
    if (status == 0) {
      ++compiled;
      EXPECT_EQ(errors, 0u) << label << "\n" << output;
      EXPECT_TRUE(out.Exists(res)) << label;
      std::string converted;
      EXPECT_TRUE(
          converter.empty() ||
          test::RunTool({converter, "/machine:x86", "/out:" + out.File(res) + ".obj", out.File(res)}, converted) == 0)
          << label << ": llvm-cvtres refused the .res\n"
          << converted;
      continue;
    }
    EXPECT_EQ(status, 1) << label << ": crashed or hung\n" << output;
    EXPECT_EQ(errors, 1u) << label << "\n" << output;
    EXPECT_FALSE(out.Exists(res)) << label << ": output left after a failure";
    if (row.compiles) gaps += "  " + label + ": " + firstError + "\n";
  }
  std::cout << "Corpus: " << compiled << " of " << rows << " scripts compile (" << expected << " expected to)\n";
  if (!gaps.empty()) std::cout << "Scripts expected to compile that stopped:\n" << gaps;
}

}  // namespace
}  // namespace tarvex
