// The round trip: every script of ../shared/corpus expected to compile, and every script
// ../shared/bench/genscripts.py generates, is compiled, decompiled with --decompile and
// the written script compiled again; the second .res must equal the first byte for byte,
// and the decompiler must not have warned of any resource it could not give back. The
// run prints how many resources came back as statements and how many as data blocks.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "tests/external_tools.h"
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

struct TRoundTrip {
  std::size_t scripts = 0;
  std::size_t exact = 0;
  std::size_t dataComments = 0;
};

// Compiles `command` (whose last argument is the .res) in `workdir`, decompiles the
// .res into `label`.rc in `out` and compiles that again.
void CheckRoundTrip(const test::TTempDir& out, std::vector<std::string> command, const std::string& workdir,
                    const std::string& label, TRoundTrip& count) {
  std::string stem = std::to_string(count.scripts++);
  std::string first = out.File(stem + ".res");
  command.insert(command.begin() + 1, "--quiet");
  command.push_back(first);
  std::string output;
  ASSERT_EQ(test::RunTool(command, output, 120, workdir), 0) << label << "\n" << output;
  std::string script = out.File(stem + "-back.rc");
  std::string printed;
  int status = test::RunTool({TARVEX_BINARY, "--decompile", first, script}, printed, 120, out.Path());
  ASSERT_EQ(status, 0) << label << "\n" << printed;
  EXPECT_EQ(printed.find("warning"), std::string::npos) << label << "\n" << printed;
  std::string second = out.File(stem + "-back.res");
  ASSERT_EQ(test::RunTool({TARVEX_BINARY, "--quiet", script, second}, output, 120, out.Path()), 0) << label << "\n"
                                                                                                   << output;
  bool same = test::ReadFile(first) == test::ReadFile(second);
  EXPECT_TRUE(same) << label << ": the decompiled script compiles to other bytes";
  count.exact += same;
  std::string text = test::ReadFile(script);
  for (std::size_t at = text.find("\n// "); at != std::string::npos; at = text.find("\n// ", at + 1))
    ++count.dataComments;
}

TEST(DecompileRoundTripTest, EveryCorpusScriptComesBackByteForByte) {
  std::error_code missing;
  std::string corpus = std::filesystem::canonical(std::string(TARVEX_SOURCE_DIR) + "/../shared/corpus", missing);
  if (missing || !std::filesystem::exists(corpus + "/scripts.tsv")) GTEST_SKIP() << "no corpus beside the sources";
  test::TTempDir out;
  TRoundTrip count;
  std::ifstream list(corpus + "/scripts.tsv");
  std::string line;
  std::getline(list, line);  // column names
  while (std::getline(list, line)) {
    // set, script, working folder, include folders, defines, code page, "compile" or not
    std::vector<std::string> cells;
    std::stringstream row(line);
    for (std::string cell; std::getline(row, cell, '\t');) cells.push_back(cell);
    if (cells.size() < 7 || cells[6] != "compile") continue;
    std::string setDir = corpus + "/" + cells[0];
    std::vector<std::string> command = {TARVEX_BINARY};
    for (const std::string& dir : Cells(cells[3], ' ')) command.push_back("-I" + setDir + "/" + dir);
    for (const std::string& name : Cells(cells[4], ' ')) command.push_back("-D" + name);
    if (cells[5] != "-") command.push_back("-c" + cells[5]);
    command.push_back(setDir + "/" + cells[1]);
    CheckRoundTrip(out, command, setDir + "/" + cells[2], cells[0] + "/" + cells[1], count);
  }
  EXPECT_GT(count.scripts, 0u);
  std::cout << "[ corpus   ] " << count.exact << " of " << count.scripts << " scripts round-tripped exactly, "
            << count.dataComments << " resources written as data for want of a statement\n";
}

TEST(DecompileRoundTripTest, EveryGeneratedScriptComesBackByteForByte) {
  std::string generator = std::string(TARVEX_SOURCE_DIR) + "/../shared/bench/genscripts.py";
  if (!std::filesystem::exists(generator)) GTEST_SKIP() << "no script generator beside the sources";
  test::TTempDir scripts;
  std::string output;
  std::string python = test::FindTool("python3");
  ASSERT_FALSE(python.empty()) << "python3 runs the script generator";
  ASSERT_EQ(test::RunTool({python, generator, scripts.Path()}, output, 300), 0) << output;
  test::TTempDir out;
  TRoundTrip count;
  for (const std::string& name : scripts.List())
    if (name.ends_with(".rc")) CheckRoundTrip(out, {TARVEX_BINARY, scripts.File(name)}, scripts.Path(), name, count);
  EXPECT_GT(count.scripts, 0u);
  std::cout << "[ generated] " << count.exact << " of " << count.scripts << " scripts round-tripped exactly\n";
}

}  // namespace
}  // namespace tarvex
