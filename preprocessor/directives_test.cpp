// Directives: #define and #undef, #include and RCINCLUDE, conditional compilation.
#include "preprocessor/directives.h"

#include <gtest/gtest.h>

#include "preprocessor/token_test_support.h"

namespace tarvex::test {
namespace {

using TFiles = std::vector<std::pair<std::string, std::string>>;

struct TCase {
  std::string script, expected;
  TFiles files = {};
};

TEST(DirectiveTest, DefinesIncludesAndConditionals) {
  const std::string flags =
      "FILEFLAGSMASK 0x3fL\nFILEFLAGS 0x0L\n#ifdef _DEBUG\n | VS_FF_DEBUG\n#elif defined(BETA)\n | "
      "VS_FF_PRERELEASE\n#else\n | 0x20\n#endif\nFILEOS VOS__WINDOWS32\n";
  const std::string header = "#define IDD 100\nIDD DIALOG 0, 0, 10, 10\n#define OTHER 7\n";
  const TFiles search = {{"resource.h", "#define ID 1\n"},
                         {"sub/resource.h", "#define ID 2\n"},
                         {"sub/quoted.rc", "#include \"resource.h\"\nID"},
                         {"sub/angle.rc", "#include <resource.h>\nID"},
                         {"res/x.h", "#define X 7\n"},
                         {"res/new.h", "#define N 8\n"},
                         {"x.h", "#include \"X.h\"\n#define LOW 1\n"},
                         {"X.h", "#define UP 2\n"},
                         {"self.h", "\n#include \"SELF.H\"\n"}};
  const TCase cases[] = {
      {"#define A 1\n#define A 2\nA\n#undef A\nA\n#undef NEVER\n", "2 A"},
      {"#define EMPTY\nA EMPTY B EMPTY\n1 + EMPTY 2 EMPTY", "A B 3"},
      {"#define WS_VISIBLE\n#ifdef WS_VISIBLE\nyes\n#endif\n#undef WS_VISIBLE\n#ifdef WS_VISIBLE\nno\n#endif\n", "yes"},
      // Comments on directive lines are dropped; ";" starts one too.
      {"#define IDC_NAME 101 // name field\nIDC_NAME, 2", "101 , 2"},
      {"#define A 1 ; one\nA + 1", "2"},
      {"#  define A 1\n#\tifdef A\n# \t if A\nyes\n  #  endif\n#endif\n", "yes"},
      // Include names in quotes, angle brackets or bare; a bare name ends at a carriage return.
      {"#include \" b.rc \"\n#include <sub/c.rc>\n#include < d-e.rc >\n#include sub/c.rc\n#include d-e.rc\nZ",
       "B C DE C DE Z",
       {{"b.rc", "B"}, {"sub/c.rc", "C"}, {"d-e.rc", "DE"}}},
      {"#include b.rc\r\nZ\r\n", "B Z", {{"b.rc", "B\r\n"}}},
      // .h and .c files give their definitions only; a Pascal unit gives its constants.
      {"#include \"r.h\"\nIDD OTHER", "100 7", {{"r.h", header}}},
      // A quoted name is looked for beside its includer first (7-Zip's resource2.rc);
      // backslashes are folder separators; a cycle is the same file opened again.
      {"#include \"sub/quoted.rc\"", "2", search},
      {"#include \"sub/angle.rc\"", "1", search},
      {"#include \"sub\\quoted.rc\"\n#include \"res\\x.h\"\n#include \"res\\new.h\"\nX N", "2 7 8", search},
      {"#include \"x.h\"\nLOW UP", "1 2", search},
      {"#include \"self.h\"",
       "error 58 line 2: File self.h. Line 2 : 58. File SELF.H is already open. Cyclical reference not allowed",
       search},
      // Conditionals: branches, conditions and skipped text.
      {"#if 1\nA\n#elif 1/0\nB\n#else\nC\n#endif\nD", "A D"},
      // C's size suffixes in conditions (zlib's zconf.h); statements keep one L or U.
      {"#if (0xffffffff == 0xffffffffUL) && 1i64\nA\n#endif\n#if 0\n#elif 0x10uLL == 16LU\nB\n#endif\n10UL", "A B 10U"},
      // A second #else and an #elif after #else only start a skip.
      {"#if 0\n#else\nA\n#else\nB\n#elif 1\nC\n#endif\n", "A"},
      {"#if 0\n#define A 1\n#include \"none.h\"\n#error no\n#bogus\n\"#if\" /* #if */ ; #if\n#endif\nA", "A"},
      // Only a "#" that begins its line starts a directive in skipped text.
      {"#ifdef UNICODE\n#define __T(x) L ## x\n#define S(x) #x \\\n  ## x\n/* c */ #endif\nA", "A"},
      // Undefined names are 0 in conditions and no number elsewhere.
      {"#if ENABLE\nA\n#else\nB\n#endif\n#if !ENABLE && -X == 0 && ~Y == -1\nC\n#endif\n", "B C"},
      // Tokens after a complete condition are input; conditions end at their line.
      {"#if defined WIN32 X\n#endif\n#if !defined(NONE) Y , 1\n#endif\n#if 0 Z\n#endif\n", "X Y , 1"},
      {"#if 0 /* a comment\n that goes on */ + 1\nA\n#endif\n#if 0 // comment\n+ 1\n#endif\n", "A"},
      {"#define EMPTY\n#if 1 + EMPTY\n2\n#endif\n",
       "error 116 line 2: File a.rc. Line 2 : 116. Number expected but got end of line in expression"},
      // Version flags built across directive lines.
      {flags, "FILEFLAGSMASK 63 FILEFLAGS 32 FILEOS 4"},
  };
  for (const TCase& c : cases) EXPECT_EQ(Preprocess(c.script, c.files), c.expected) << c.script;
  TScriptReader macro("#define MAX (a,b) ((a) > (b))\n");  // a blank before "(": no macro
  EXPECT_EQ(macro.Next(), "");
  EXPECT_EQ(macro.parser.defines.Get("MAX"), "(a,b) ((a) > (b))");
  EXPECT_EQ(macro.parser.macros.Find("MAX"), nullptr);
  TScriptReader reader("#ifdef max\nA\n#endif\n#if defined(MAX) + 1 == 2\nB\n#endif\n");
  reader.parser.unitConstants.Set("Max", "3");
  EXPECT_EQ(reader.All(), "A B");
}

}  // namespace
}  // namespace tarvex::test
