// Replacing defined names in the text being read: in place where the value fits, bounded
// in chains and in the work of a whole compilation.
#include "preprocessor/substitution.h"

#include <gtest/gtest.h>

#include "preprocessor/directives.h"
#include "preprocessor/token_test_support.h"
#include "reader/lexer.h"
#include "tests/test_support.h"

namespace tarvex::test {
namespace {

// "#define A1 A2", ..., "#define A<count> 7": a chain of `count` substitutions.
std::string Chain(int count) {
  std::string script;
  for (int i = 1; i < count; ++i) script += "#define A" + std::to_string(i) + " A" + std::to_string(i + 1) + "\n";
  return script + "#define A" + std::to_string(count) + " 7\n";
}

// The bound of the substitution work once files of `laterBytes` more have been opened.
std::uint64_t WorkBound(const TRCParser& parser, std::size_t laterBytes) {
  return kSubstitutionBudget + kSubstitutionWorkPerInputByte * (parser.inputBytes + laterBytes);
}

TEST(SubstitutionTest, ChainsAndUnboundedExpansionStop) {
  EXPECT_EQ(Preprocess(Chain(100) + "A1"), "7");
  EXPECT_EQ(Preprocess(Chain(101) + "\nA1"),
            "error 65 line 103: File a.rc. Line 103 : 65. Recursion for defined name A101 > 100");
  EXPECT_EQ(Preprocess(Chain(99) + "#define B A1 A1\nB"), "7 7");  // only a value's first token chains
  // The work of the compilation is started close to its bound, so that the test is quick.
  TScriptReader selfReference("#define A x A\nA");
  selfReference.parser.substitutionWork = WorkBound(selfReference.parser, 0) - 10000;
  EXPECT_EQ(selfReference.All(), "error 65 line 2: File a.rc. Line 2 : 65. Recursion for defined name A > 100");
  std::string doubling = "#define B0 y\n";
  for (int i = 1; i <= 60; ++i)
    doubling += "#define B" + std::to_string(i) + " B" + std::to_string(i - 1) + " B" + std::to_string(i - 1) + "\n";
  TScriptReader inHeader(doubling + "#include \"h.h\"\n", {{"h.h", "\n B60\n"}});
  inHeader.parser.substitutionWork = WorkBound(inHeader.parser, std::string("\n B60\n").size()) - 10000;
  EXPECT_EQ(inHeader.All(), "error 65 line 2: File h.h. Line 2 : 65. Recursion for defined name B0 > 100");
  // Found by fuzzing: each value leaves text behind its own name, so the unread text grows
  // with every substitution; placing a value must not move all of it again (that took minutes).
  for (const auto& [script, line] :
       std::vector<std::pair<std::string, int>>{{"#define A 1, A, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2\n1 RCDATA { A }\n", 2},
                                                {"#define STR(x) x\n#define A e A\nSTR(A)\n", 3}}) {
    TCompilation outcome = CompileText(script);
    EXPECT_EQ(outcome.errorNumber, 65) << script << outcome.errorText;
    EXPECT_EQ(outcome.errorLine, line) << script;
  }
}

// A name whose value is digits alone is read as the number itself would be, wherever the
// name stands: before a comma, an operator, a line end or a brace, at the end of a chain.
TEST(SubstitutionTest, DigitValuesReadAsTheNumbers) {
  const std::pair<std::string, std::string> rows[] = {
      {"#define X 5\n#define Y X\n1 RCDATA { Y + 2, Y, X\n, X }", "1 RCDATA { 5 + 2, 5, 5\n, 5 }"},
      {"#define X 40000\n#define Z 0\n1 RCDATA { X, -X, Z, (X), X|1, X - X }",
       "1 RCDATA { 40000, -40000, 0, (40000), 40000|1, 40000L - 40000L }"},
      {"#define X 7\nSTRINGTABLE { X, \"a\" }\n1 DIALOGEX 0, 0, X, X BEGIN LTEXT \"t\", X, 1, 2, 3, X END",
       "STRINGTABLE { 7, \"a\" }\n1 DIALOGEX 0, 0, 7, 7 BEGIN LTEXT \"t\", 7, 1, 2, 3, 7 END"},
  };
  for (const auto& [named, written] : rows) {
    TCompilation withNames = CompileText(named);
    ASSERT_TRUE(withNames.Succeeded()) << named << withNames.errorText;
    EXPECT_EQ(HexRows(withNames.image), HexRows(CompileText(written).image)) << named;
  }
}

}  // namespace
}  // namespace tarvex::test
