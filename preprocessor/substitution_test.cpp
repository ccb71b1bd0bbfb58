#include "preprocessor/substitution.h"

#include <gtest/gtest.h>

#include "preprocessor/token_test_support.h"
#include "preprocessor/directives.h"
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

TEST(SubstitutionTest, ValueOverwritesConsumedBytesInPlace) {
  TScriptReader reader("#define LONG_NAME 42\n          LONG_NAME X");
  std::size_t size = reader.parser.currentFile->text.size();
  EXPECT_EQ(reader.Next(), "42");
  EXPECT_EQ(reader.parser.currentFile->text.size(), size);
  EXPECT_EQ(reader.parser.currentFile->text.substr(38, 3), "42 ");  // right before the old read position
  EXPECT_EQ(reader.Next(), "X");
}

TEST(SubstitutionTest, ValueIsInsertedNearTheStartOfAFile) {
  TScriptReader reader("WS_OVERLAPPEDWINDOW\nX");
  std::size_t size = reader.parser.currentFile->text.size();
  EXPECT_EQ(reader.Next(), std::to_string(0xCF0000));
  EXPECT_GT(reader.parser.currentFile->text.size(), size);
  EXPECT_EQ(reader.Next(), "X");
  EXPECT_EQ(reader.parser.currentFile->line, 2);
}

TEST(SubstitutionTest, SubstitutedLineFeedsAreNoSourceLines) {
  TScriptReader reader("#define L A \\\n B\nL L\nC\n#define E\nE\nE D");
  EXPECT_EQ(reader.Next(), "A");
  EXPECT_EQ(reader.parser.currentFile->line, 3);
  EXPECT_EQ(reader.Next(), "B");
  EXPECT_EQ(reader.Next(), "A");
  EXPECT_EQ(reader.Next(), "B");
  EXPECT_EQ(reader.parser.currentFile->line, 3);
  EXPECT_EQ(reader.Next(), "C");
  EXPECT_EQ(reader.parser.currentFile->line, 4);
  EXPECT_EQ(reader.Next(), "D");
  EXPECT_EQ(reader.parser.currentFile->line, 7);
}

TEST(SubstitutionTest, PushedBackSubstitutedTokenIsReadAgain) {
  TScriptReader reader("ID_OK, X");
  EXPECT_EQ(NextToken(reader.parser), "1");
  PushBackToken(reader.parser);
  EXPECT_EQ(NextToken(reader.parser), "1");
  EXPECT_EQ(NextToken(reader.parser), ",");
}

TEST(SubstitutionTest, UnitConstantsAnyCaseAfterDefines) {
  TScriptReader reader("max MAX Other");
  reader.parser.unitConstants.Set("Max", "3");
  reader.parser.unitConstants.Set("OTHER", "4");
  reader.parser.defines.Set("Other", "5");
  EXPECT_EQ(reader.All(), "3 3 5");
}

TEST(SubstitutionTest, ChainLimit) {
  EXPECT_EQ(Preprocess(Chain(100) + "A1"), "7");
  EXPECT_EQ(Preprocess(Chain(101) + "\nA1"),
            "error 65 line 103: File a.rc. Line 103 : 65. Recursion for defined name A101 > 100");
  // Only the first token of a value takes part in a chain.
  EXPECT_EQ(Preprocess(Chain(99) + "#define B A1 A1\nB"), "7 7");
}

// The bound of the substitution work once files of `laterBytes` more have been opened.
std::uint64_t WorkBound(const TRCParser& parser, std::size_t laterBytes) {
  return kSubstitutionBudget + kSubstitutionWorkPerInputByte * (parser.inputBytes + laterBytes);
}

TEST(SubstitutionTest, UnboundedExpansionStops) {
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
}

// Found by fuzzing: each value below leaves text behind its own name, so the unread text
// grows with every substitution. Placing a value must not move all of it again (that took
// minutes), and a script of two lines may only do work in proportion to its size.
TEST(SubstitutionTest, SelfReferenceThatLeavesTextBehindStopsSoon) {
  struct TCase {
    const char* script;
    std::int32_t line;
  };
  for (const TCase& c : {TCase{"#define A 1, A, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2\n1 RCDATA { A }\n", 2},
                         TCase{"#define A 1, A\n1 RCDATA { A }\n", 2},
                         TCase{"#define STR(x) x\n#define A e A\nSTR(A)\n", 3}}) {
    TCompileOutcome outcome = CompileText(c.script);
    EXPECT_EQ(outcome.number, 65) << c.script << outcome.error;
    EXPECT_EQ(outcome.line, c.line) << c.script;
  }
}

}  // namespace
}  // namespace tarvex::test
