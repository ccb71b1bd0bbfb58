// The option table against everything that names options: each parser takes every listed
// option and refuses unlisted ones, and --help, the manual page, the bash and zsh
// completion and the command-line reference name exactly the listed options.
#include "driver/option_table.h"

#include <gtest/gtest.h>

#include <iterator>
#include <regex>
#include <set>
#include <sstream>

#include "driver/program.h"
#include "tests/external_tools.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

using enum TCommandLineMode;

struct TLine {
  TCommandLineMode mode;
  std::string program;  ///< the name the program is called by
  std::string help;     ///< the argument that prints the usage
  std::string page;     ///< manual page and the function of the completion
  std::string function;
  std::string marker;  ///< the marker of its table in docs/command-line.md
};

const TLine kLines[] = {
    {Native, "tarvex", "--help", "tarvex", "_tarvex_native", "<!-- options: tarvex -->"},
    {Rc, "tarvex-rc", "/?", "tarvex-rc", "_tarvex_rc", "<!-- options: tarvex-rc -->"},
    {Windres, "tarvex-windres", "--help", "tarvex-windres", "_tarvex_windres", "<!-- options: tarvex-windres -->"},
};

std::set<std::string> TableNames(TCommandLineMode mode, bool optionsOnly = false) {
  std::set<std::string> names;
  for (const TOptionRow& row : OptionRows(mode))
    for (const std::string& name : OptionNames(row))
      if (!optionsOnly || name[0] == '-' || name[0] == '/') names.insert(name);
  return names;
}

// The names of synopses such as "-o, --output=<file>" or "/nologo, /r, /w".
void AddNames(const std::string& synopsis, std::set<std::string>& names) {
  static const std::regex kName(R"((^|, )([-/@][^<\[= ,]*))");
  for (std::sregex_iterator it(synopsis.begin(), synopsis.end(), kName), end; it != end; ++it) names.insert((*it)[2]);
}

// Usage lines: the native mode letters ("-h     Display ...") and option lines ("  -o, ...").
std::set<std::string> UsageNames(const std::string& usage) {
  std::set<std::string> names;
  std::istringstream lines(usage);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("-") && line.find("     ") != std::string::npos) names.insert(line.substr(0, line.find(' ')));
    if (line.size() > 2 && line.starts_with("  ") && line[2] != ' ')
      AddNames(line.substr(2, line.find("  ", 2) - 2), names);
  }
  return names;
}

// The first line of every ".TP" entry of the OPTIONS section, without its fonts.
std::set<std::string> ManPageNames(const std::string& page) {
  std::string options = page.substr(page.find(".SH OPTIONS"));
  options = options.substr(0, options.find("\n.SH", 1));
  std::set<std::string> names;
  std::istringstream lines(options);
  for (std::string line; std::getline(lines, line);) {
    if (line != ".TP" || !std::getline(lines, line)) continue;
    line = std::regex_replace(line, std::regex(R"(\\fI(.*?)\\fR)"), "<$1>");
    line = std::regex_replace(std::regex_replace(line, std::regex(R"(\\f[BR])"), ""), std::regex(R"(\\-)"), "-");
    AddNames(line, names);
  }
  return names;
}

// The words a completion function offers: the quoted list after `call` in its body.
std::set<std::string> CompletionNames(const std::string& script, const std::string& function, const std::string& call) {
  std::string body = script.substr(script.find(function + "() {"));
  body = body.substr(0, body.find("\n}\n"));
  std::set<std::string> names;
  std::istringstream lines(body);
  for (std::string line; std::getline(lines, line);) {
    std::size_t at = line.find(call);
    if (at == std::string::npos) continue;
    std::istringstream words(line.substr(at + call.size()));
    for (std::string word; words >> word;) {
      if (word == "-S" || word == "-M") words >> word;  // compadd's suffix and matcher
      if (word == "--") continue;                       // the end of compadd's options
      word = std::regex_replace(std::regex_replace(word, std::regex("'"), ""), std::regex("=$"), "");
      if (word.starts_with("-") || word.starts_with("/")) names.insert(word);
    }
  }
  return names;
}

// The first cells of the table under `marker`: each backquoted option of them.
std::set<std::string> ReferenceNames(const std::string& document, const std::string& marker) {
  std::set<std::string> names;
  std::size_t at = document.find(marker);
  if (at == std::string::npos) return names;
  std::istringstream lines(document.substr(at + marker.size()));
  std::string line;
  std::getline(lines, line);
  static const std::regex kFirstCell(R"(^\|((?:[^|\\]|\\.)*)\|)");  // "\|" stays in the cell
  std::smatch cell;
  while (std::getline(lines, line) && std::regex_search(line, cell, kFirstCell)) {
    static const std::regex kQuoted("`([^`]*)`");
    std::string first = cell[1];
    for (std::sregex_iterator it(first.begin(), first.end(), kQuoted), end; it != end; ++it) AddNames((*it)[1], names);
  }
  return names;
}

TEST(OptionTableTest, UsageManualPagesCompletionAndReferenceNameTheListedOptions) {
  std::string bash = test::ReadFile(TARVEX_BUILD_DIR "/completion/tarvex");
  std::string zsh = test::ReadFile(TARVEX_BUILD_DIR "/completion/_tarvex");
  std::string reference = test::ReadFile(TARVEX_SOURCE_DIR "/docs/command-line.md");
  ASSERT_FALSE(bash.empty() || zsh.empty() || reference.empty());
  for (const TLine& line : kLines) {
    SCOPED_TRACE(line.program);
    std::ostringstream out, err;
    ASSERT_EQ(RunProgram(line.program, {line.help}, out, err), 0);
    std::set<std::string> listed = TableNames(line.mode);
    EXPECT_EQ(UsageNames(out.str()), listed);
    EXPECT_EQ(ManPageNames(test::ReadFile(TARVEX_BUILD_DIR "/man/" + line.page + ".1")), listed);
    EXPECT_EQ(ReferenceNames(reference, line.marker), listed)
        << "docs/command-line.md: one row per option in the table under " << line.marker;
    EXPECT_EQ(CompletionNames(bash, line.function, "_tarvex_options "), TableNames(line.mode, true));
    EXPECT_EQ(CompletionNames(zsh, line.function, "compadd "), TableNames(line.mode, true));
  }
}

// The arguments that give `row` its value as its synopsis shows it: the first choice or a
// value of the placeholder's kind.
std::vector<std::string> Spelled(const TOptionRow& row, const std::string& name) {
  static const std::vector<std::pair<std::string, std::string>> kSamples = {
      {"<file>", "x.txt"},    {"<dir>", "inc"},  {"<name>", "N"},  {"<hex>", "409"},
      {"<codepage>", "1252"}, {"<target>", "t"}, {"<arg>", "-DX"}, {"<program>", "cpp"}};
  std::string value(row.choices.substr(0, row.choices.find(' ')));
  for (const auto& [placeholder, sample] : kSamples)
    if (value.empty() && row.synopsis.find(placeholder) != std::string_view::npos) value = sample;
  if (!TakesValue(row)) return {name};
  std::size_t at = row.synopsis.find(name);
  char next = at + name.size() < row.synopsis.size() ? row.synopsis[at + name.size()] : ',';
  if (next == '=') return {name + "=" + value};
  if (next == '<' || next == '[') return {name + value};
  return {name, value};
}

// Every spelling of every row is taken by its parser: none is refused as unknown. Response
// files are read before any parser.
TEST(OptionTableTest, EveryParserTakesEveryListedOption) {
  const std::set<std::string> kNotRunHere = {"@"};
  for (const TLine& line : kLines) {
    for (const TOptionRow& row : OptionRows(line.mode)) {
      for (const std::string& name : OptionNames(row)) {
        if (kNotRunHere.contains(name)) continue;
        std::vector<std::string> args = Spelled(row, name);
        args.insert(args.end(), {"a.rc", "a.res"});
        test::TTempDir dir;
        test::TWorkingDirectory cwd(dir.Path());
        std::ostringstream out, err;
        RunProgram(line.program, args, out, err);
        std::string printed = out.str() + err.str();
        EXPECT_EQ(printed.find("nknown option"), std::string::npos) << args[0] << ": " << printed;
      }
    }
  }
}

std::multiset<std::string> SortedWords(const std::string& text) {
  std::istringstream words(text);
  return {std::istream_iterator<std::string>(words), std::istream_iterator<std::string>()};
}

// What the bash completion offers, in a folder of a script, a .res, a text and a folder:
// the words typed (split as bash splits them, "=" a word of its own) and the answer.
TEST(OptionTableTest, BashCompletionAnswers) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"tarvex --ma", "--machine="},
      {"tarvex --machine = x", "x86 x64"},
      {"tarvex -c6", "-c65001"},         // a code page joined to -c
      {"tarvex -c ", "inc a.rc a.res"},  // -c alone is the mode letter: files follow
      {"tarvex -I ", "inc"},             // folders
      {"tarvex --depfile ", "inc a.rc a.res b.txt"},
      {"tarvex --mode = windres -O ", "res coff html rc"},
      {"tarvex-rc /F", "/fo"},
      {"tarvex-rc /FO ", "inc a.rc a.res b.txt"},  // letters in any case
      {"tarvex-rc /c 125", "1252 1250 1251 1253 1254 1255 1256 1257 1258"},
      {"tarvex-rc ", "inc a.rc"},
      {"tarvex-windres -F ", "pe-i386 pe-x86-64 pe-aarch64"},
      {"tarvex-windres --output-format = c", "coff"},
      {"tarvex-windres ", "inc a.rc a.res"},
  };
  test::TTempDir dir;
  for (const char* name : {"a.rc", "a.res", "b.txt", "inc/x.h"}) dir.Write(name, "");
  const std::string script =
      "source \"$0\"; read -ra COMP_WORDS <<< \"$1\"; [[ $1 == *' ' ]] && COMP_WORDS+=('');"
      "COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); COMP_LINE=${1// = /=}; "
      "$(complete -p ${COMP_WORDS[0]} | sed 's/.*-F \\([^ ]*\\).*/\\1/'); echo \"${COMPREPLY[*]}\"";
  for (const auto& [typed, answer] : cases) {
    std::string output;
    test::RunTool({test::FindTool("bash"), "-c", script, TARVEX_BUILD_DIR "/completion/tarvex", typed}, output, 10,
                  dir.Path());
    EXPECT_EQ(SortedWords(output), SortedWords(answer)) << typed;
  }
}

TEST(OptionTableTest, ListedSpellings) {
  const std::vector<std::tuple<TCommandLineMode, std::string, bool>> cases = {
      {Native, "-c1252", true},        {Native, "-c", true},        {Native, "--html=a.html", true},
      {Native, "--htmlx", false},      {Native, "--coff=1", false}, {Native, "--diagnostics=gnu", true},
      {Native, "-Wall", true},         {Rc, "/FOout.res", true},    {Rc, "-fo", true},
      {Rc, "/NoLogo", true},           {Rc, "/nologox", false},     {Rc, "-Iinc", true},
      {Rc, "--depfile=x.d", true},     {Rc, "--coff", false},       {Rc, "/Wall", true},
      {Windres, "--input=a.rc", true}, {Windres, "--input", true},  {Windres, "--inputx", false},
      {Windres, "-ia.rc", true},       {Windres, "-vx", false},     {Windres, "-MD", true},
      {Windres, "/fo", false},
  };
  for (const auto& [mode, argument, listed] : cases) EXPECT_EQ(IsListedOption(mode, argument), listed) << argument;
}

}  // namespace
}  // namespace tarvex
