#include "preprocessor/macros.h"

#include <gtest/gtest.h>

#include "preprocessor/substitution.h"
#include "preprocessor/token_test_support.h"
#include "reader/lexer.h"
#include "tests/res_reader.h"
#include "tests/version_reader.h"

namespace tarvex::test {
namespace {

// The line of each token, "token@line".
std::string TokensWithLines(const std::string& script) {
  TScriptReader reader(script);
  std::string out;
  for (std::string token = reader.Next(); !token.empty(); token = reader.Next())
    out += (out.empty() ? "" : " ") + token + "@" + std::to_string(reader.parser.currentFile->line);
  return out;
}

struct TCase {
  std::string script;
  std::string expected;
};

constexpr const char* kStringMacros = "#define STR(x) #x\n#define XSTR(x) STR(x)\n";

TEST(MacroTest, StringizingAndTheTwoLevelIdiom) {
  std::string script = std::string(kStringMacros) + "#define VERSION_MAJOR 4\n#define VERSION_MINOR 12\n";
  EXPECT_EQ(Preprocess(script + "STR(VERSION_MAJOR), XSTR(VERSION_MAJOR)"), "\"VERSION_MAJOR\" , \"4\"");
  EXPECT_EQ(Preprocess(script + "XSTR(VERSION_MAJOR) \".\" XSTR(VERSION_MINOR) \"\\0\""), std::string("\"4.12\0\"", 7));
  // Blanks, comments and line breaks between tokens become one blank; quotes and
  // backslashes are escaped, so the literal reads back as the argument was written.
  EXPECT_EQ(Preprocess(script + "STR(  a   /* c */ +\n b  ), STR(\"q\\n\" \\), STR()"),
            "\"a + b\" , \"\"q\\n\" \\\" , \"\"");

  // An argument substituted first keeps its spelling too: a blank where one stood, none
  // where none did. In arguments and values names end at dots, as in C (mintty's version
  // string); outside macros a word keeps its dots.
  const TCase spelling[] = {
      {"STR(ID(5))", "\"ID(5)\""},
      {"XSTR(ID(5)+1), XSTR(a  +\n  ID( b ))", "\"5+1\" , \"a + b\""},
      {"XSTR(VERSION_MAJOR.VERSION_MINOR), STR(VERSION_MAJOR.VERSION_MINOR)",
       "\"4.12\" , \"VERSION_MAJOR.VERSION_MINOR\""},
      {"#define STRINGIFY_(s) #s\n#define STRINGIFY(s) STRINGIFY_(s)\n#define EMPTY\n"
       "STRINGIFY(VERSION_MAJOR.VERSION_MINOR.EMPTY 0-X)",
       "\"4.12. 0-X\""},
      {"#define DOTTED VERSION_MAJOR.VERSION_MINOR\nDOTTED XSTR(DOTTED) app.ico", "4 . 12 \"4.12\" app.ico"},
      {"#define CALL() VERSION_MAJOR.VERSION_MINOR\nCALL()", "4 . 12"},
  };
  for (const TCase& c : spelling)
    EXPECT_EQ(Preprocess(script + "#define ID(x) x\n" + c.script), c.expected) << c.script;

  TCompileOutcome outcome =
      CompileText(script +
                  "1 VERSIONINFO\nFILEVERSION VERSION_MAJOR, VERSION_MINOR, 0, 0\n"
                  "BEGIN\n BLOCK \"StringFileInfo\"\n BEGIN\n  BLOCK \"040904B0\"\n  BEGIN\n"
                  "   VALUE \"FileVersion\", XSTR(VERSION_MAJOR) \".\" XSTR(VERSION_MINOR) \"\\0\"\n"
                  "  END\n END\nEND\n");
  ASSERT_EQ(outcome.error, "");
  std::vector<TResEntry> entries = ReadResImage(outcome.res);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(DescribeVersionTree(ReadVersionTree(entries[0].data)),
            "VS_VERSION_INFO [fixed] { StringFileInfo { 040904B0 { FileVersion \"4.12\\0\\0\" } } }");
}

TEST(MacroTest, PastingJoinsTokensFromTheArgumentsAsWritten) {
  std::string cat = "#define CAT(a, b) a ## b\n#define ONE 1\n";
  EXPECT_EQ(Preprocess(cat + "CAT(ID, OK) CAT(1, 2) CAT(, 5) CAT(7, ) CAT(ONE, 0)"), "1 12 5 7 ONE0");
  EXPECT_EQ(Preprocess(cat + "#define ID_(n) IDC_ ## n ## _X\n#define IDC_NAME_X 33\nID_(NAME)"), "33");
}

TEST(MacroTest, NestedCallsAndArgumentsSubstitutedFirst) {
  std::string max = "#define MAX(a, b) ((a) > (b) ? (a) : (b))\n#define ADD(a, b) (a + b)\n#define TWO 2\n";
  EXPECT_EQ(Preprocess(max + "ADD(ADD(1, TWO), ADD(TWO, ADD(3, 4)))"), "12");
  // A name that an argument turns into a call is called; a macro's own name inside its
  // argument is called too.
  EXPECT_EQ(Preprocess(max + "#define CALL ADD\n#define ID(x) x\nID(CALL(1, 2)) ID(ID(ID(5)))"), "3 5");
  EXPECT_EQ(Preprocess("#define F(x) [x]\n#define G F\nG(1) G (2)"), "[1] [2]");
}

TEST(MacroTest, CommasInsideParenthesesAndStringsDoNotSplit) {
  std::string script = "#define SECOND(a, b) b\n#define FIRST(a, b) #a\n";
  EXPECT_EQ(Preprocess(script + "SECOND((1, 2), \"x, y\"), FIRST((1, (2, 3)) + 1, ')')"),
            "\"x, y\" , \"(1, (2, 3)) + 1\"");
  EXPECT_EQ(Preprocess(script + "SECOND(\"(\", \")\") SECOND(a\n,\n  /* ) */ b)"), "\")\" b");
}

TEST(MacroTest, VariadicForms) {
  std::string script =
      "#define ALL(...) __VA_ARGS__\n#define REST(a, ...) __VA_ARGS__ a\n"
      "#define LIST(a, ...) a, ## __VA_ARGS__\n";
  EXPECT_EQ(Preprocess(script + "ALL(a, b c, d) ALL() REST(x) REST(x, y, z)"), "a , b c , d x y , z x");
  EXPECT_EQ(Preprocess(script + "LIST(1) LIST(1, 2, 3)"), "1 1 , 2 , 3");
  EXPECT_EQ(Preprocess(script + "#define S(...) #__VA_ARGS__\nS(a,b , (c, d))"), "\"a,b , (c, d)\"");
}

TEST(MacroTest, CallOverSeveralLinesKeepsLaterLinesRight) {
  std::string script = "#define SUM(a, b, c) a + b + c\n";
  EXPECT_EQ(TokensWithLines(script + "SUM(1,\n  2,\n  3) X\nY"), "6@4 X@4 Y@5");
  EXPECT_EQ(TokensWithLines(script + "SUM\n(\n1, 2, 3)\nY"), "6@4 Y@5");
  EXPECT_EQ(Preprocess(script + "SUM(1,\n 2,\n 3)\n\n#error late"),
            "error 25 line 6: File a.rc. Line 6 : 25. #error directive encountered: late");
  // The body's continuation lines never move the line either.
  EXPECT_EQ(TokensWithLines("#define P(a) a \\\n + a\nP(1) X\nY"), "2@3 X@3 Y@4");
}

TEST(MacroTest, NameWithoutParenthesisStaysAsItIs) {
  std::string script = "#define F(x) [x]\n";
  EXPECT_EQ(Preprocess(script + "F X F, F"), "F X F , F");
  // What follows the expansion is not joined to it.
  EXPECT_EQ(Preprocess(script + "#define ID(x) x\nID(a)b ID(1)2 ID(L)\"w\""), "a b 1 2 L \"w\"");
  TScriptReader reader(script + "F X");
  EXPECT_EQ(reader.Next(), "F");
  PushBackToken(reader.parser);
  EXPECT_EQ(reader.Next(), "F");
  EXPECT_EQ(reader.Next(), "X");
}

TEST(MacroTest, AMacroNeverExpandsInsideItsOwnExpansion) {
  EXPECT_EQ(Preprocess("#define f(x) g(x)\n#define g(x) f(x)\nf(1) g(2)"), "f 1 g 2");
  EXPECT_EQ(Preprocess("#define foo(x) bar x\nfoo(foo) (2)"), "bar foo 2");
  EXPECT_EQ(Preprocess("#define f(x) x f\nf(1)(2) f(3) f (4)"), "1 f 2 3 f 4 f");
  // Outside its expansion, the macro is called again: also in the arguments of a call
  // that its expansion left open.
  EXPECT_EQ(Preprocess("#define f(x) x g\n#define g(x) { x }\nf(1)(f(2))"), "1 { 2 g }");
  EXPECT_EQ(Preprocess("#define f(x) [x]\nf(f(1)) f(2)"), "[[1]] [2]");
}

TEST(MacroTest, ExpansionIsBounded) {
  std::string nested = "#define ID(x) x\n";
  for (int i = 0; i < 100; ++i) nested += "ID(";
  EXPECT_EQ(Preprocess(nested + "7" + std::string(100, ')')), "7");
  EXPECT_EQ(Preprocess(nested + "ID(7" + std::string(101, ')') + "\n"),
            "error 65 line 2: File a.rc. Line 2 : 65. Recursion for defined name ID > 100");

  // The work of the compilation is started close to its bound, so that the test is quick.
  std::string doubling = "#define D(x) x x\n";
  for (int i = 0; i < 40; ++i) doubling += "D(";
  TScriptReader reader(doubling + "1" + std::string(40, ')'));
  reader.parser.substitutionWork = kSubstitutionBudget - 100000;
  EXPECT_EQ(reader.All(), "error 65 line 2: File a.rc. Line 2 : 65. Recursion for defined name D > 100");
}

TEST(MacroTest, WrongCallsAndDefinitionsAreLocatedErrors) {
  std::string script = "#define F(a, b) a b\n#define NONE() x\n#define V(a, ...) a\n";
  EXPECT_EQ(Preprocess(script + "\nF(1, 2, 3)"),
            "error 0 line 5: File a.rc. Line 5 : Macro F takes 2 arguments but got 3");
  EXPECT_EQ(Preprocess(script + "F(1)"), "error 0 line 4: File a.rc. Line 4 : Macro F takes 2 arguments but got 1");
  EXPECT_EQ(Preprocess(script + "NONE(1)"),
            "error 0 line 4: File a.rc. Line 4 : Macro NONE takes 0 arguments but got 1");
  EXPECT_EQ(Preprocess(script + "V() V(1) V(1, 2, 3) NONE()"), "1 1 x");
  EXPECT_EQ(Preprocess(script + "#define W(...) 0\nW() V"), "0 V");
  EXPECT_EQ(Preprocess(script + "F(1, 2\n"),
            "error 0 line 4: File a.rc. Line 4 : \")\" expected to end the arguments of F");
  EXPECT_EQ(Preprocess(script + "F(1,\n#ifdef X\n2\n#endif\n)"),
            "error 0 line 5: File a.rc. Line 5 : A directive cannot stand inside the arguments of F");
  EXPECT_EQ(Preprocess("#define G(a,) a\n"),
            "error 0 line 1: File a.rc. Line 1 : Bad parameter list in the #define of G");
  EXPECT_EQ(Preprocess("#define G(a, a) a\n"),
            "error 0 line 1: File a.rc. Line 1 : Bad parameter list in the #define of G");
  EXPECT_EQ(Preprocess("#define G(a, ..., b) a\n"),
            "error 0 line 1: File a.rc. Line 1 : Bad parameter list in the #define of G");
  EXPECT_EQ(Preprocess("#define G(a\nG"), "error 0 line 1: File a.rc. Line 1 : Bad parameter list in the #define of G");
}

TEST(MacroTest, ConditionsSeeAndCallMacros) {
  std::string script = "#define MAX(a, b) ((a) > (b) ? (a) : (b))\n#define GT(a, b) (a > b)\n";
  EXPECT_EQ(Preprocess(script + "#if GT(3, 2) && defined(GT) && defined GT\nyes\n#endif"), "yes");
  EXPECT_EQ(Preprocess(script + "#ifdef GT\nyes\n#endif\n#undef GT\n#ifdef GT\nno\n#endif\nGT X"), "yes GT X");
  // Without "(" on the condition's own line the name counts as 0, as in C.
  EXPECT_EQ(Preprocess(script + "#if GT\nno\n#elif !GT\nyes\n#endif\n#if GT\n(1)\n#endif"), "yes");
  EXPECT_EQ(Preprocess(script + "#if GT(1,\n2)\n#endif"),
            "error 0 line 3: File a.rc. Line 3 : \")\" expected to end the arguments of GT");
  EXPECT_EQ(Preprocess(script + "#if GT(2, \\\n 1)\nyes\n#endif"), "yes");
}

TEST(MacroTest, DefinitionsInAnIncludedHeader) {
  std::string header =
      "#ifndef H\n#define H\n#define RGB(r, g, b) ((r) | ((g) << 8) | ((b) << 16))\n"
      "int Color(void) { return RGB(1, 2,\n 3); }\n#define LATER 1\n#endif\n";
  EXPECT_EQ(Preprocess("#include \"colors.h\"\nRGB(0x10, 0x20, 0x30) LATER", {{"colors.h", header}}),
            std::to_string(0x302010) + " 1");
  EXPECT_EQ(Preprocess("#include \"bad.h\"\n", {{"bad.h", "#define F(a) a\n\nF(1, 2);\n"}}),
            "error 0 line 3: File bad.h. Line 3 : Macro F takes 1 argument but got 2");
}

TEST(MacroTest, OrdinaryNamesAreUnaffected) {
  // A blank before "(" keeps the parenthesis in an ordinary value; redefining a macro as
  // an ordinary name, or the reverse, replaces it.
  EXPECT_EQ(Preprocess("#define P (1)\nP\n#define F(x) x\n#define F 7\nF(2)"), "1 7 2");
  EXPECT_EQ(Preprocess("#define F 7\n#define F(x) x\nF(2) F"), "2 F");
}

}  // namespace
}  // namespace tarvex::test
