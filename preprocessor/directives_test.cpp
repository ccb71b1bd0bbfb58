#include "preprocessor/directives.h"

#include <gtest/gtest.h>

#include "preprocessor/token_test_support.h"

namespace tarvex::test {
namespace {

struct TCase {
  std::string script;
  std::string expected;
};

// The line of each token, "token@line".
std::string TokensWithLines(const std::string& script,
                            const std::vector<std::pair<std::string, std::string>>& files = {}) {
  TScriptReader reader(script, files);
  std::string out;
  for (std::string token = reader.Next(); !token.empty(); token = reader.Next())
    out += (out.empty() ? "" : " ") + token + "@" + std::to_string(reader.parser.currentFile->line);
  return out;
}

TEST(DefineTest, DefinesReplacesAndUndefines) {
  EXPECT_EQ(Preprocess("#define A 1\n#define A 2\nA\n#undef A\nA\n#undef NEVER\n"), "2 A");
  EXPECT_EQ(Preprocess("#define A\t  value with  blanks  \nA"), "value with blanks");
  EXPECT_EQ(Preprocess("#define\\\n A 5\nA"), "5");
  EXPECT_EQ(Preprocess("X\n#define LAST 9"), "X");
  EXPECT_EQ(Preprocess("#define LAST 9\nLAST"), "9");
  EXPECT_EQ(Preprocess("#define ws_popup 1\nWS_POPUP ws_popup"), "2147483648 1");
}

TEST(DefineTest, BlankBeforeParenthesisKeepsAnOrdinaryValue) {
  TScriptReader reader("#define MAX (a,b) ((a) > (b))\n");
  EXPECT_EQ(reader.Next(), "");
  EXPECT_EQ(reader.parser.defines.Get("MAX"), "(a,b) ((a) > (b))");
  EXPECT_EQ(reader.parser.macros.Find("MAX"), nullptr);
}

TEST(DefineTest, NameWithoutValueIsDefinedAsNothing) {
  EXPECT_EQ(Preprocess("#define EMPTY\nA EMPTY B EMPTY\n"), "A B");
  EXPECT_EQ(Preprocess("#define EMPTY /* nothing */\n#ifdef EMPTY\nyes\n#endif\n"), "yes");
  EXPECT_EQ(Preprocess("#define WS_VISIBLE\n#ifdef WS_VISIBLE\nyes\n#endif\n#undef WS_VISIBLE\n"
                       "#ifdef WS_VISIBLE\nno\n#endif\n"),
            "yes");
  EXPECT_EQ(Preprocess("#define EMPTY\n1 + EMPTY 2 EMPTY"), "3");
}

TEST(DefineTest, CommentsOnDirectiveLinesAreDropped) {
  EXPECT_EQ(Preprocess("#define IDC_NAME 101 // name field\nIDC_NAME, 2"), "101 , 2");
  EXPECT_EQ(Preprocess("#define A 1 /* one */ + 2\nA"), "3");
  EXPECT_EQ(Preprocess("#define A 1 /* runs\n over */ + 2\nA X"), "3 X");
  EXPECT_EQ(Preprocess("#define S \"a // b\" // c\nS"), "\"a // b\"");
  EXPECT_EQ(Preprocess("#define S \"a \\\" /* b\" ; c\nS 1"), "\"a \" /* b\" 1");
  EXPECT_EQ(Preprocess("#define A 1 ; one\nA + 1"), "2");
  EXPECT_EQ(Preprocess("#undef A // gone\n#undef B /* gone */\nX"), "X");
  EXPECT_EQ(Preprocess("#pragma once /* a\n b */ X\nY"), "Y");
}

TEST(DefineTest, ContinuationLinesAndLineNumbers) {
  EXPECT_EQ(TokensWithLines("#define A 1 \\\n  + 2\nA X\nY"), "3@3 X@3 Y@4");
  EXPECT_EQ(TokensWithLines("#define A 1 \\\r\n  + 2\r\nA X\r\nY"), "3@3 X@3 Y@4");
  EXPECT_EQ(TokensWithLines("#define A 1 /* x\n\n */ + 1\nA X"), "2@4 X@4");
  EXPECT_EQ(TokensWithLines("#pragma a \\\n b \\\n c\n#line 7 \"x\"\nZ"), "Z@5");
  // A value with line breaks never moves the line where it is used.
  EXPECT_EQ(TokensWithLines("#define L A \\\n B \\\n C\nL\nD"), "A@4 B@4 C@4 D@5");
}

TEST(DirectiveTest, BlanksAfterTheHashSign) {
  EXPECT_EQ(Preprocess("#  define A 1\n#\tifdef A\n# \t if A\nyes\n  #  endif\n#endif\n"), "yes");
  EXPECT_EQ(Preprocess("#if 0\n#  if 1\n# else\n#endif\n#\telse\nelse\n#endif\n"), "else");
  EXPECT_EQ(Preprocess("#  Define A\n").substr(0, 8), "error 53");
}

TEST(DirectiveTest, PragmaLineAndErrorText) {
  EXPECT_EQ(Preprocess("#pragma code_page(1252)\n#line 10 \"x.rc\"\nA"), "A");
  EXPECT_EQ(Preprocess("#error\n"), "error 25 line 1: File a.rc. Line 1 : 25. #error directive encountered: ");
}

TEST(IncludeTest, TheThreeNameForms) {
  std::vector<std::pair<std::string, std::string>> files = {{"b.rc", "B"}, {"sub/c.rc", "C"}, {"d-e.rc", "DE"}};
  EXPECT_EQ(Preprocess("#include \" b.rc \"\n#include <sub/c.rc>\n#include < d-e.rc >\n"
                       "#include sub/c.rc\n#include d-e.rc\nZ",
                       files),
            "B C DE C DE Z");
}

TEST(IncludeTest, BareNameEndsAtACarriageReturn) {
  EXPECT_EQ(Preprocess("#include b.rc\r\nZ\r\n", {{"b.rc", "B\r\n"}}), "B Z");
}

TEST(IncludeTest, ExtensionDecidesWhatAFileContributes) {
  std::string header = "#define IDD 100\nIDD DIALOG 0, 0, 10, 10\n#define OTHER 7\n";
  EXPECT_EQ(Preprocess("#include \"r.h\"\nIDD OTHER", {{"r.h", header}}), "100 7");
  EXPECT_EQ(Preprocess("#include \"r.c\"\nIDD OTHER", {{"r.c", header}}), "100 7");
  EXPECT_EQ(Preprocess("#include \"r.hpp\"\nOTHER", {{"r.hpp", header}}), "100 DIALOG 0 , 0 , 10 , 10 7");
  // A Pascal unit gives its constants; RCINCLUDE reads the same file as script text.
  std::string unit = "unit U;\ninterface\nconst\n  Limit = 7;\nimplementation\nend.\n";
  EXPECT_EQ(Preprocess("#include \"u.pas\"\nLIMIT limit", {{"u.pas", unit}}), "7 7");
  EXPECT_EQ(Preprocess("RCINCLUDE u.inc\nX", {{"u.inc", "CONST_WORD\n"}}), "CONST_WORD X");
  // A header's last token is judged by the header, the includer's first by the includer.
  EXPECT_EQ(Preprocess("#include \"r.h\"\nA", {{"r.h", "LAST"}}), "A");
}

TEST(IncludeTest, NestedIncludesAndLinesAfterThem) {
  std::vector<std::pair<std::string, std::string>> files = {{"b.rc", "B1\n#include c.rc\nB2"}, {"c.rc", "\n\nC"}};
  EXPECT_EQ(TokensWithLines("A\n#include b.rc\nD\n", files), "A@1 B1@1 C@3 B2@3 D@3");
  EXPECT_EQ(Preprocess("#include b.h\n#include b.h\nX", {{"b.h", "#define X 5\n"}}), "5");
}

// Where an included file is found, and which files are one: a quoted name keeps its
// backslashes as folder separators and is looked for beside the including file first;
// an include cycle is the same file (device and inode) opened again, whatever its name.
TEST(IncludeTest, FileNamesSearchOrderAndIdentity) {
  const std::vector<std::pair<std::string, std::string>> files = {
      {"resource.h", "#define ID 1\n"},
      {"sub/resource.h", "#define ID 2\n"},
      {"sub/quoted.rc", "#include \"resource.h\"\nID"},
      {"sub/angle.rc", "#include <resource.h>\nID"},
      {"sub/bare.rc", "#include resource.h\nID"},
      {"res/x.h", "#define X 7\n"},
      {"res/new.h", "#define N 8\n"},
      {"res/app.rc", "APP"},
      {"x.h", "#include \"X.h\"\n#define LOW 1\n"},
      {"X.h", "#define UP 2\n"},
      {"self.h", "\n#include \"SELF.H\"\n"},
  };
  const TCase cases[] = {
      // 7-Zip's Explorer/resource2.rc means its own resource.h, not the working directory's.
      {"#include \"sub/quoted.rc\"", "2"},
      {"#include \"sub\\quoted.rc\"", "2"},
      {"#include \"sub/angle.rc\"", "1"},
      {"#include \"sub/bare.rc\"", "1"},
      {"#include \"res\\x.h\"\n#include \"res\\new.h\"\nX N", "7 8"},
      {"RCINCLUDE \"res\\app.rc\"\nRCINCLUDE res\\app.rc", "APP APP"},
      {"#include \"x.h\"\nLOW UP", "1 2"},
      {"#include \"self.h\"",
       "error 58 line 2: File self.h. Line 2 : 58. File SELF.H is already open. Cyclical reference not allowed"},
  };
  for (const TCase& c : cases) EXPECT_EQ(Preprocess(c.script, files), c.expected) << c.script;
}

TEST(IncludeTest, CyclesAndMissingFilesAreLocatedInTheIncluder) {
  EXPECT_EQ(Preprocess("A\n#include b.h\n", {{"b.h", "\n#include a.rc\n"}}),
            "error 58 line 2: File b.h. Line 2 : 58. File a.rc is already open. Cyclical reference not allowed");
  EXPECT_EQ(Preprocess("\n\n#include <none.h>\n"),
            "error 72 line 3: File a.rc. Line 3 : 72. Cannot open file \"none.h\" (No such file or directory)");
}

}  // namespace
}  // namespace tarvex::test
