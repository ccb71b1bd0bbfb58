#include "tests/test_support.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "statements/compile_api.h"

namespace tarvex::test {

TTempDir::TTempDir() {
  const char* base = std::getenv("TMPDIR");
  path_ = std::string(base && *base ? base : "/tmp") + "/tarvex_test_XXXXXX";
  if (!mkdtemp(path_.data())) throw std::runtime_error("mkdtemp failed");
}

TTempDir::~TTempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TTempDir::File(const std::string& name) const { return path_ + "/" + name; }

void TTempDir::Write(const std::string& name, const std::string& contents) const {
  std::filesystem::path full(File(name));
  std::filesystem::create_directories(full.parent_path());
  std::ofstream out(full, std::ios::binary);
  out << contents;
}

std::string TTempDir::Read(const std::string& name) const { return ReadFile(File(name)); }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool TTempDir::Exists(const std::string& name) const { return std::filesystem::exists(File(name)); }

std::vector<std::string> TTempDir::List() const {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(path_)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

TWorkingDirectory::TWorkingDirectory(const std::string& path) : previous_(std::filesystem::current_path()) {
  std::filesystem::current_path(path);
}

TWorkingDirectory::~TWorkingDirectory() {
  std::error_code ignored;
  std::filesystem::current_path(previous_, ignored);
}

TCompilation CompileInDir(const TTempDir& dir, const std::string& script) {
  dir.Write("a.rc", script);
  TWorkingDirectory cwd(dir.Path());
  std::remove("a.res");
  TCompilation outcome = CompileToFile("a.rc", "a.res");
  if (!outcome.Succeeded()) return outcome;
  std::string bytes = dir.Read("a.res");
  outcome.image.assign(bytes.begin(), bytes.end());
  return outcome;
}

TCompilation CompileText(const std::string& script) { return CompileInDir(TTempDir(), script); }

std::string HexRows(const std::vector<std::uint8_t>& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) text += (i % 16 == 0) ? "\n" : (i % 4 == 0 ? " " : "");
    text += digits[bytes[i] >> 4];
    text += digits[bytes[i] & 15];
  }
  return text;
}

std::vector<std::uint8_t> FromHex(const std::string& hex) {
  std::string digits;
  for (char c : hex)
    if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < digits.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  return bytes;
}

namespace {

// The words of a cell, split at `separator`; "-" stands for none.
std::vector<std::string> CellWords(const std::string& text, char separator) {
  std::vector<std::string> words;
  std::stringstream stream(text);
  for (std::string word; std::getline(stream, word, separator);)
    if (!word.empty() && word != "-") words.push_back(word);
  return words;
}

}  // namespace

std::vector<std::string> TCorpusRow::Arguments() const {
  std::vector<std::string> arguments;
  for (const std::string& dir : includeDirs) arguments.push_back("-I" + dir);
  for (const std::string& name : defines) arguments.push_back("-D" + name);
  if (!codePage.empty()) arguments.push_back("-c" + codePage);
  arguments.push_back(script);
  return arguments;
}

std::vector<TCorpusRow> CorpusRows(bool& found) {
  std::error_code missing;
  std::string corpus = std::filesystem::canonical(std::string(TARVEX_SOURCE_DIR) + "/../shared/corpus", missing);
  found = !missing && std::filesystem::exists(corpus + "/scripts.tsv");
  std::vector<TCorpusRow> rows;
  if (!found) return rows;
  std::ifstream list(corpus + "/scripts.tsv");
  std::string line;
  std::getline(list, line);  // column names
  while (std::getline(list, line)) {
    // set, script, working folder, include folders, defines, code page, "compile" or not
    std::vector<std::string> cells;
    std::stringstream cellStream(line);
    for (std::string cell; std::getline(cellStream, cell, '\t');) cells.push_back(cell);
    if (cells.size() < 7) continue;
    std::string setDir = corpus + "/" + cells[0];
    TCorpusRow& row = rows.emplace_back();
    row.label = cells[0] + "/" + cells[1];
    row.script = setDir + "/" + cells[1];
    row.workdir = setDir + "/" + cells[2];
    for (const std::string& dir : CellWords(cells[3], ' ')) row.includeDirs.push_back(setDir + "/" + dir);
    row.defines = CellWords(cells[4], ' ');
    if (cells[5] != "-") row.codePage = cells[5];
    row.compiles = cells[6] == "compile";
  }
  return rows;
}

}  // namespace tarvex::test
