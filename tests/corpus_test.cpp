// Real-world scripts from ../shared/corpus: every script either compiles into a .res that
// llvm-cvtres accepts, or stops with exactly one error line and leaves no output. None
// may crash or hang. The run prints how many compiled and the first error of every
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

constexpr int kTimeoutSeconds = 120;

// One row of scripts.tsv.
struct TCorpusScript {
  std::string set, script, workdir, includeDirs, defines, codePage, expect;
};

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::stringstream stream(text);
  std::string part;
  while (std::getline(stream, part, separator))
    if (!part.empty()) parts.push_back(part);
  return parts;
}

std::vector<TCorpusScript> ReadScriptList(const std::string& corpus) {
  std::ifstream list(corpus + "/scripts.tsv");
  std::vector<TCorpusScript> scripts;
  std::string line;
  std::getline(list, line);  // column names
  while (std::getline(list, line)) {
    std::vector<std::string> cells;
    std::stringstream row(line);
    std::string cell;
    while (std::getline(row, cell, '\t')) cells.push_back(cell);
    if (cells.size() >= 7) scripts.push_back({cells[0], cells[1], cells[2], cells[3], cells[4], cells[5], cells[6]});
  }
  return scripts;
}

// The compiler's command line for one script: its options, the script, the output.
std::vector<std::string> CommandLine(const std::string& setDir, const TCorpusScript& script,
                                     const std::string& output) {
  std::vector<std::string> command = {TARVEX_BINARY};
  if (script.includeDirs != "-")
    for (const std::string& dir : Split(script.includeDirs, ' ')) command.push_back("-I" + setDir + "/" + dir);
  if (script.defines != "-")
    for (const std::string& name : Split(script.defines, ' ')) command.push_back("-D" + name);
  if (script.codePage != "-") command.push_back("-c" + script.codePage);
  command.push_back(setDir + "/" + script.script);
  command.push_back(output);
  return command;
}

std::size_t CountErrorLines(const std::string& output, std::string& first) {
  std::size_t count = 0;
  for (const std::string& line : Split(output, '\n')) {
    if (line.rfind("Error[", 0) != 0) continue;
    if (count++ == 0) first = line;
  }
  return count;
}

TEST(CorpusTest, EveryScriptCompilesOrStopsWithOneError) {
  std::error_code missing;
  std::string corpus = std::filesystem::canonical(std::string(TARVEX_SOURCE_DIR) + "/../shared/corpus", missing);
  if (missing || !std::filesystem::exists(corpus + "/scripts.tsv")) GTEST_SKIP() << "no corpus beside the sources";
  std::string converter = test::FindTool("llvm-cvtres");
  test::TTempDir out;
  std::size_t compiled = 0, expected = 0;
  std::vector<TCorpusScript> scripts = ReadScriptList(corpus);
  std::string gaps;
  for (std::size_t i = 0; i < scripts.size(); ++i) {
    const TCorpusScript& script = scripts[i];
    std::string setDir = corpus + "/" + script.set;
    std::string res = out.File(std::to_string(i) + ".res");
    std::string output;
    int status =
        test::RunTool(CommandLine(setDir, script, res), output, kTimeoutSeconds, setDir + "/" + script.workdir);
    std::string label = script.set + "/" + script.script;
    expected += script.expect == "compile";
    std::string firstError;
    std::size_t errors = CountErrorLines(output, firstError);
    if (status == 0) {
      ++compiled;
      EXPECT_EQ(errors, 0u) << label << "\n" << output;
      EXPECT_TRUE(out.Exists(std::to_string(i) + ".res")) << label;
      if (!converter.empty()) {
        std::string converted;
        EXPECT_EQ(test::RunTool({converter, "/machine:x86", "/out:" + res + ".obj", res}, converted), 0)
            << label << ": llvm-cvtres refused the .res\n"
            << converted;
      }
      continue;
    }
    EXPECT_EQ(status, 1) << label << ": crashed or hung\n" << output;
    EXPECT_EQ(errors, 1u) << label << "\n" << output;
    EXPECT_FALSE(out.Exists(std::to_string(i) + ".res")) << label << ": output left after a failure";
    if (script.expect == "compile") gaps += "  " + label + ": " + firstError + "\n";
  }
  std::cout << "Corpus: " << compiled << " of " << scripts.size() << " scripts compile (" << expected
            << " expected to)\n";
  if (!gaps.empty()) std::cout << "Scripts expected to compile that stopped:\n" << gaps;
}

}  // namespace
}  // namespace tarvex
