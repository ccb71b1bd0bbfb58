// Macros with parameters by the rules of C: arguments expanded before they replace their
// parameter but not next to # and ##, the result rescanned with the text after it, and a
// macro never expanded inside its own expansion.
#include "preprocessor/macros.h"

#include <gtest/gtest.h>

#include "preprocessor/substitution.h"
#include "preprocessor/token_test_support.h"
#include "reader/lexer.h"
#include "tests/statement_checks.h"
#include "tests/version_reader.h"

namespace tarvex::test {
namespace {

TEST(MacroTest, Expansions) {
  const std::string common =
      "#define ONE one\n#define S(x) #x\n#define C(a, b) a##b\n#define I(x) x\n#define AB done\n"
      "#define FG(x) got x\n#define TWICE(x) x x\n#define APPLY(m, a) m(a)\n#define C3(a, b, c) a##b##c\n"
      "#define XC(a, b) C(a, b)\n#define R(x) x ##\n#define XS(x) S(x)\n#define MAJOR 4\n#define MINOR 12\n"
      "#define SUM(a, b, c) a + b + c\n#define F(x) [x]\n#define CALL I\n";
  const std::pair<std::string, std::string> rows[] = {
      {"S(ONE) I(ONE) C(ONE, ONE)", "\"ONE\" one ONEONE"},  // no expansion next to # and ##
      {"XC(ONE, _x)", "one_x"},                             // unless one level more
      {"C(A, B) C(F, G)(y)", "done got y"},                 // a pasted name is rescanned
      {"APPLY(TWICE, w)", "w w"},                           // a call formed by substitution
      {"C3(x, , z) C3(, , ) C(p q, r s) C(pre_, mid)", "xz p qr s pre_mid"},
      {"C(ID, OK) C(1, 2) C(, 5) C(7, )\n#define ID_(n) IDC_ ## n ## _X\n#define IDC_NAME_X 33\nID_(NAME)",
       "1 12 5 7 33"},
      {"#define F2(a, b) b\nF2([x, y])", "y]"},         // brackets do not group arguments
      {"#define G(ONE) ONE\nG(two)", "two"},            // a parameter hides a macro of its name
      {"#define Q(x) \"x\" x\nQ(a)", "\"x\" a"},        // no parameter inside a literal
      {"#define g f(\n#define f(x) [x]\ng 1)", "[1]"},  // a call completed by the text after a name
      {"#define f(x) x\nf(f)(1)", "f 1"},               // an f from its own argument is no call
      {"#define h(x) x h\nh(h)(1)", "h h 1"},           // h stays h inside its own expansion
      {"#define f(x) x f\nf(1)(2) f(3) f (4)", "1 f 2 3 f 4 f"},
      // Outside its expansion the macro is called again, also in a call its expansion left open.
      {"#define f(x) x g\n#define g(x) { x }\nf(1)(f(2))", "1 { 2 g }"},
      {"I(a)b I(1)2 I(L)\"w\"", "a b 1 2 L \"w\""},  // what follows is not joined to it
      {"#define E(x) #\nE(1)",
       "error 53 line 19: File a.rc. Line 19 : 53. Expecting directive name after \"#\" symbol"},
      {"#define P(x) ## x\nP(1) R(2)", "1 2"},  // "##" at either end joins nothing
      {"#define U(x) x \"open\nU(a)", "error 52 line 19: File a.rc. Line 19 : 52. Double quoted string not terminated"},
      // Stringizing: blanks, comments and line breaks become one blank, quotes and
      // backslashes are escaped; an argument substituted first keeps its spelling.
      {"XS(MAJOR) \".\" XS(MINOR) \"\\0\"", std::string("\"4.12\0\"", 7)},
      {"S(  a   /* c */ +\n b  ), S(\"q\\n\" \\), S()", "\"a + b\" , \"\"q\\n\" \\\" , \"\""},
      {"S(I(5)), XS(I(5)+1), XS(a  +\n  I( b ))", "\"I(5)\" , \"5+1\" , \"a + b\""},
      // In arguments and values names end at dots, as in C (mintty's version string).
      {"XS(MAJOR.MINOR), S(MAJOR.MINOR)", "\"4.12\" , \"MAJOR.MINOR\""},
      {"#define DOTTED MAJOR.MINOR\nDOTTED XS(DOTTED) app.ico", "4 . 12 \"4.12\" app.ico"},
      {"#define ADD(a, b) (a + b)\n#define TWO 2\nADD(ADD(1, TWO), ADD(TWO, ADD(3, 4))) CALL(7) I(I(I(5)))", "12 7 5"},
      // Commas inside parentheses and literals do not split arguments.
      {"#define SECOND(a, b) b\nSECOND((1, 2), \"x, y\"), S((1, (2, 3)) + 1), SECOND(\"(\", \")\") SECOND(a\n,\n /* ) "
       "*/ b)",
       "\"x, y\" , \"(1, (2, 3)) + 1\" , \")\" b"},
      {"#define ALL(...) __VA_ARGS__\n#define REST(a, ...) __VA_ARGS__ a\nALL(a, b c, d) ALL() REST(x) REST(x, y, z)",
       "a , b c , d x y , z x"},
      {"#define LIST(a, ...) a, ## __VA_ARGS__\nLIST(1) LIST(1, 2, 3)", "1 1 , 2 , 3"},
      {"#define SV(...) #__VA_ARGS__\nSV(a,b , (c, d))", "\"a,b , (c, d)\""},
      {"SUM(1,\n 2,\n 3)\n\n#error late",
       "error 25 line 22: File a.rc. Line 22 : 25. #error directive encountered: late"},
      // Calls and definitions that are wrong.
      {"\nSUM(1, 2, 3, 4)", "error 0 line 19: File a.rc. Line 19 : Macro SUM takes 3 arguments but got 4"},
      {"#define NONE() x\n#define V(a, ...) a\n#define W(...) 0\nV() V(1) V(1, 2, 3) NONE() W() V", "1 1 x 0 V"},
      {"SUM(1, 2\n", "error 0 line 18: File a.rc. Line 18 : \")\" expected to end the arguments of SUM"},
      {"SUM(1,\n#ifdef X\n2\n#endif\n)",
       "error 0 line 19: File a.rc. Line 19 : A directive cannot stand inside the arguments of SUM"},
      {"#define G(a,) a\n", "error 0 line 18: File a.rc. Line 18 : Bad parameter list in the #define of G"},
      // Conditions see and call macros; without "(" on the condition's line the name is 0.
      {"#define GT(a, b) (a > b)\n#if GT(3, 2) && defined(GT) && defined GT\nyes\n#endif", "yes"},
      {"#define GT(a, b) (a > b)\n#if GT\nno\n#elif !GT\nyes\n#endif\n#if GT\n(1)\n#endif", "yes"},
      {"#define GT(a, b) (a > b)\n#if GT(1,\n2)\n#endif",
       "error 0 line 19: File a.rc. Line 19 : \")\" expected to end the arguments of GT"},
      {"#define GT(a, b) (a > b)\n#if GT(2, \\\n 1)\nyes\n#endif", "yes"},
      // A blank before "(" makes an ordinary value; redefining replaces either kind.
      {"#define P (1)\nP\n#define K(x) x\n#define K 7\nK(2)", "1 7 2"},
  };
  for (const auto& [script, expected] : rows) EXPECT_EQ(Preprocess(common + script), expected) << script;
  const std::string header =
      "#ifndef H\n#define H\n#define RGB(r, g, b) ((r) | ((g) << 8) | ((b) << 16))\n"
      "int Color(void) { return RGB(1, 2,\n 3); }\n#define LATER 1\n#endif\n";
  EXPECT_EQ(Preprocess("#include \"colors.h\"\nRGB(0x10, 0x20, 0x30) LATER", {{"colors.h", header}}), "3153936 1");
  EXPECT_EQ(Preprocess("#include \"bad.h\"\n", {{"bad.h", "#define F(a) a\n\nF(1, 2);\n"}}),
            "error 0 line 3: File bad.h. Line 3 : Macro F takes 1 argument but got 2");
}

TEST(MacroTest, LinesPushBackAndBounds) {
  for (const auto& [script, expected] : std::vector<std::pair<std::string, std::string>>{
           {"#define SUM(a, b, c) a + b + c\nSUM(1,\n  2,\n  3) X\nY", "6@4 X@4 Y@5"},
           {"#define SUM(a, b, c) a + b + c\nSUM\n(\n1, 2, 3)\nY", "6@4 Y@5"},
           {"#define P(a) a \\\n + a\nP(1) X\nY", "2@3 X@3 Y@4"},
           {"#define A 1 /* x\n\n */ + 1\nA X", "2@4 X@4"},
       }) {
    TScriptReader reader(script);
    std::string out;
    for (std::string token = reader.Next(); !token.empty(); token = reader.Next())
      out += (out.empty() ? "" : " ") + token + "@" + std::to_string(reader.parser.currentFile->line);
    EXPECT_EQ(out, expected);
  }
  TScriptReader reader("#define F(x) [x]\nF X");
  EXPECT_EQ(reader.Next(), "F");
  PushBackToken(reader.parser);
  EXPECT_EQ(reader.Next(), "F");
  EXPECT_EQ(reader.Next(), "X");

  std::string nested = "#define ID(x) x\n";
  for (int i = 0; i < 100; ++i) nested += "ID(";
  EXPECT_EQ(Preprocess(nested + "7" + std::string(100, ')')), "7");
  EXPECT_EQ(Preprocess(nested + "ID(7" + std::string(101, ')') + "\n"),
            "error 65 line 2: File a.rc. Line 2 : 65. Recursion for defined name ID > 100");
  // The work of the compilation is started close to its bound, so that the test is quick.
  std::string doubling = "#define D(x) x x\n";
  for (int i = 0; i < 40; ++i) doubling += "D(";
  TScriptReader doubled(doubling + "1" + std::string(40, ')'));
  doubled.parser.substitutionWork = kSubstitutionBudget - 100000;
  EXPECT_EQ(doubled.All(), "error 65 line 2: File a.rc. Line 2 : 65. Recursion for defined name D > 100");
}

TEST(MacroTest, VersionStringOfTheTwoLevelIdiom) {
  TResEntry entry = OnlyEntry(
      "#define STR(x) #x\n#define XSTR(x) STR(x)\n#define MAJOR 4\n#define MINOR 12\n"
      "1 VERSIONINFO\nFILEVERSION MAJOR, MINOR, 0, 0\nBEGIN\n BLOCK \"StringFileInfo\"\n BEGIN\n  BLOCK \"040904B0\"\n"
      "  BEGIN\n   VALUE \"FileVersion\", XSTR(MAJOR) \".\" XSTR(MINOR) \"\\0\"\n  END\n END\nEND\n");
  EXPECT_EQ(DescribeVersionTree(ReadVersionTree(entry.data)),
            "VS_VERSION_INFO [fixed] { StringFileInfo { 040904B0 { FileVersion \"4.12\\0\" } } }");
}

}  // namespace
}  // namespace tarvex::test
