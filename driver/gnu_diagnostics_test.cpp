// Whole runs of the program as the rc-style, windres-style and native command lines: what
// reaches standard output and standard error, and which files are left.
#include "driver/gnu_diagnostics.h"

#include <gtest/gtest.h>

#include <sstream>

#include "driver/program.h"
#include "tests/res_reader.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

struct TProgramRun {
  int status;
  std::string out, err;
};

class ProgramTest : public ::testing::Test {
 protected:
  TProgramRun Run(const std::string& program, const std::vector<std::string>& args) {
    std::ostringstream out, err;
    int status = RunProgram(program, args, out, err);
    return {status, out.str(), err.str()};
  }

  test::TTempDir dir_;
  test::TWorkingDirectory cwd_{dir_.Path()};
};

TEST_F(ProgramTest, FailuresInCompilerFormOnStandardErrorOnly) {
  struct TCase {
    std::string script, expected;
    std::vector<std::string> extraArgs = {};
  };
  dir_.Write("b.rc", "\n  1 RCDATA { 12345678901 }\n");
  const std::vector<TCase> cases = {
      {"1 RCDATA {\n\t\"abc\n}\n", "a.rc:2:2: error: Double quoted string not terminated [RC52]\n\t\"abc\n\t^\n"},
      // Columns count characters of the decoded line: é is one in UTF-8, two in Windows-1252.
      {"1 RCDATA { \"\xC3\xA9\", 12345678901 }\n",
       "a.rc:1:17: error: Too many digits in the number: 12345678901 [RC55]\n"
       "1 RCDATA { \"\xC3\xA9\", 12345678901 }\n                ^\n",
       {"/c65001"}},
      {"1 RCDATA { \"\xC3\xA9\", 12345678901 }\n",
       "a.rc:1:18: error: Too many digits in the number: 12345678901 [RC55]\n"
       "1 RCDATA { \"\xC3\x83\xC2\xA9\", 12345678901 }\n                 ^\n"},
      {"STRINGTABLE\nBEGIN\n  IDS_NOPE \"x\"\nEND\n",
       "a.rc:3:3: error: 'IDS_NOPE' is not a valid integer value\n  IDS_NOPE \"x\"\n  ^\n"
       "a.rc:3:3: note: 'IDS_NOPE' is not defined\n"},
      {"#ifdef ONE\n#if 1\n1 RCDATA { 1 }\n#endif\n",
       "a.rc:5:1: error: Missing #endif in compilation conditional [RC24]\n\n^\n"
       "a.rc:1:1: note: the conditional opened here has no #endif\n#ifdef ONE\n^\n",
       {"-DONE"}},
      {"#include \"b.rc\"\n",
       "b.rc:2:14: error: Too many digits in the number: 12345678901 [RC55]\n"
       "  1 RCDATA { 12345678901 }\n             ^\n"},
      // A token of a defined name's value is reported where the name stands.
      {"#define BIG 12345678901\n1 RCDATA { 1,   BIG }\n",
       "a.rc:2:17: error: Too many digits in the number: 12345678901 [RC55]\n1 RCDATA { 1,   BIG }\n"
       "                ^\n"},
      {"1 RCDATA { 1 \x01 }\n",
       "a.rc:1:14: error: Invalid character encountered: \\x01 [RC33]\n1 RCDATA { 1 \\x01 }\n             ^\n"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.script);
    dir_.Write("a.rc", c.script);
    std::vector<std::string> args = c.extraArgs;
    args.push_back("a.rc");
    TProgramRun run = Run("tarvex-rc", args);
    EXPECT_EQ(std::tie(run.status, run.out, run.err), std::make_tuple(1, std::string(), c.expected));
    EXPECT_FALSE(dir_.Exists("a.res"));
    // The native line gives the same text with --diagnostics=gnu (its own defaults aside).
    if (c.extraArgs.empty() && c.script.find('\xC3') == std::string::npos) {
      TProgramRun native = Run("tarvex", {"--diagnostics=gnu", "-c1252", "a.rc"});
      EXPECT_EQ(std::tie(native.out, native.err), std::make_tuple(std::string(), c.expected));
    }
  }
}

TEST_F(ProgramTest, FailuresWithoutAPlace) {
  const std::string emptyRes = std::string("\0\0\0\0\x20\0\0\0\xFF\xFF\0\0\xFF\xFF\0\0", 16) + std::string(16, '\0');
  dir_.Write("a.rc", "1 RCDATA { 1 }\n");
  dir_.Write("old.res", emptyRes);
  const std::vector<std::tuple<std::string, std::vector<std::string>, std::string>> cases = {
      {"rc", {"nope.rc"}, "tarvex: error: cannot open input file nope.rc: No such file or directory\n"},
      {"rc", {"-z", "a.rc"}, "tarvex: error: unknown option -z\n"},
      {"rc", {"/fo", "old.res", "."}, "tarvex: error: input . is not a regular file\n"},
      {"windres", {"-J", "res", "a.rc", "old.res"}, "tarvex: error: a.rc is not a .res file\n"},
      {"windres",
       {"-i", "old.res", "-J", "rc", "-o", "x.o"},
       "tarvex: error: old.res is a .res file, not a resource script\n"},
      {"tarvex", {"--mode=nt", "a.rc"}, "tarvex: error: unknown mode nt (rc, windres or native)\n"},
      {"tarvex", {"--diagnostics=gnu", "nope.rc"}, "tarvex: error: File \"nope.rc\" not found\n"},
  };
  for (const auto& [program, args, expected] : cases) {
    SCOPED_TRACE(program + " " + args.front());
    TProgramRun run = Run(program, args);
    EXPECT_EQ(std::tie(run.status, run.out, run.err), std::make_tuple(1, std::string(), expected));
    EXPECT_EQ(dir_.Read("old.res"), emptyRes);
    EXPECT_EQ(dir_.List(), (std::vector<std::string>{"a.rc", "old.res"}));
  }
}

TEST_F(ProgramTest, SuccessQuietHelpAndVersionLines) {
  dir_.Write("a.rc", "1 RCDATA { 1 }\n");
  for (const auto& [program, args] : std::vector<std::pair<std::string, std::vector<std::string>>>{
           {"/usr/bin/tarvex-rc", {"a.rc"}},
           {"rc", {"/fo", "b.res", "a.rc"}},
           {"x86_64-w64-mingw32-windres", {"a.rc", "a.o"}},
           {"tarvex", {"--mode=windres", "-i", "a.rc", "-o", "c.res"}},
           {"tarvex", {"--diagnostics=gnu", "a.rc", "d.res"}},
           {"tarvex", {"--quiet", "a.rc", "e.res"}},
       }) {
    TProgramRun run = Run(program, args);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out + run.err, "") << program;
  }
  EXPECT_EQ(dir_.List(), (std::vector<std::string>{"a.o", "a.rc", "a.res", "b.res", "c.res", "d.res", "e.res"}));
  EXPECT_EQ(dir_.Read("a.o").substr(0, 2), "\x64\x86");  // an x64 COFF object
  // /v names every file opened, on standard error only.
  dir_.Write("a.rc", "#include \"b.h\"\n");
  dir_.Write("b.h", "#define X 1\n");
  TProgramRun verbose = Run("tarvex-rc", {"/v", "a.rc"});
  EXPECT_EQ(verbose.out, "");
  EXPECT_EQ(verbose.err, "tarvex: reading a.rc\ntarvex: reading b.h\n");
  dir_.Write("a.rc", "1 RCDATA { 1 }\n");
  dir_.Write("b.rc", "\"x\n");
  TProgramRun quietFailure = Run("tarvex", {"--quiet", "b.rc"});
  EXPECT_EQ(quietFailure.out, "Error[52] in line [1]: File b.rc. Line 1 : 52. Double quoted string not terminated\n");
  // The options each usage names are checked against the option table elsewhere.
  EXPECT_EQ(Run("tarvex", {"-h"}).out.find("Syntax is: TARVEX"), Run("tarvex", {}).out.find("Syntax is: TARVEX"));
  TProgramRun version = Run("tarvex-windres", {"--version"});
  EXPECT_EQ(version.out.substr(0, version.out.find('\n')),
            "TARVEX resource compiler " TARVEX_VERSION " (GNU windres compatible command line)");
  EXPECT_NE(Run("tarvex-windres", {"--help"}).out.find("rc (a script"), std::string::npos);
  EXPECT_EQ(ModeOfProgramName("/opt/bin/RC"), TCommandLineMode::Native);
  EXPECT_EQ(ModeOfProgramName("/opt/bin/tarvex-llvm-rc"), TCommandLineMode::Rc);
  EXPECT_EQ(ModeOfProgramName("llvm-windres"), TCommandLineMode::Windres);
  EXPECT_EQ(ModeOfProgramName("rcx"), TCommandLineMode::Native);
  EXPECT_TRUE(IsLanguageServerName("/usr/bin/tarvex-lsp"));
  EXPECT_FALSE(IsLanguageServerName("/usr/bin/tarvex-lspx"));
  TProgramRun serverWithScript = Run("tarvex", {"--lsp", "a.rc"});
  EXPECT_EQ(serverWithScript.status, 1);
  EXPECT_NE(serverWithScript.err.find("--lsp takes no other argument"), std::string::npos) << serverWithScript.err;
}

// Language 0x409 and Windows-1252 in the rc-style and windres-style forms, whatever the
// locale; 0 and the -c code page on the native line. /n adds a terminating zero.
TEST_F(ProgramTest, LanguageCodePageAndTerminatedStrings) {
  dir_.Write("a.rc", "STRINGTABLE { 1 \"\x80\x81\" }\n");
  // The program, its arguments, the language and the count and units of string 1.
  const std::vector<std::tuple<std::string, std::vector<std::string>, std::uint16_t, std::vector<std::uint8_t>>> cases =
      {
          {"rc", {"/n", "/l", "0x407", "/fo", "o.res", "a.rc"}, 0x407, {3, 0, 0xAC, 0x20, 0x81, 0, 0, 0}},
          {"windres", {"a.rc", "o.res"}, 0x409, {2, 0, 0xAC, 0x20, 0x81, 0}},
          {"tarvex", {"--quiet", "-c1252", "a.rc", "o.res"}, 0, {2, 0, 0xAC, 0x20, 0x81, 0}},
      };
  for (const auto& [program, args, language, firstString] : cases) {
    SCOPED_TRACE(program + " " + args.front());
    TProgramRun run = Run(program, args);
    ASSERT_EQ(run.out + run.err, "");
    std::string bytes = dir_.Read("o.res");
    std::vector<test::TResEntry> entries = test::ReadResImage({bytes.begin(), bytes.end()});
    const test::TResEntry& table = test::FindEntry(entries, "#6", "#1");
    EXPECT_EQ(table.languageId, language);
    EXPECT_EQ(std::vector<std::uint8_t>(table.data.begin() + 2, table.data.begin() + 2 + std::ssize(firstString)),
              firstString);
  }
}

}  // namespace
}  // namespace tarvex
