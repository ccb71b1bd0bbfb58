#include "preprocessor/preprocessor.h"

#include <gtest/gtest.h>

#include "preprocessor/token_test_support.h"
#include "reader/lexer.h"

namespace tarvex::test {
namespace {

// Every message the preprocessor raises, with its exact text and line.
struct TMessageCase {
  const char* script;
  const char* expected;  // "error <number> line <line>: <text>"
};

const TMessageCase kMessageCases[] = {
    // Directives
    {"#define A 1\n# 1\n", "error 53 line 2: File a.rc. Line 2 : 53. Expecting directive name after \"#\" symbol"},
    {"#Define A 1\n", "error 53 line 1: File a.rc. Line 1 : 53. Expecting directive name after \"#\" symbol"},
    {"X #", "error 53 line 1: File a.rc. Line 1 : 53. Expecting directive name after \"#\" symbol"},
    {"#if 0\n# 2\n#endif\n", "error 53 line 2: File a.rc. Line 2 : 53. Expecting directive name after \"#\" symbol"},
    {"\n#warning x\n", "error 20 line 2: File a.rc. Line 2 : 20. Unknown directive: #warning"},
    {"#error  stop /* here */ now \n\n",
     "error 25 line 1: File a.rc. Line 1 : 25. #error directive encountered: stop   now"},
    {"#error a \\\n b\nX", "error 25 line 2: File a.rc. Line 2 : 25. #error directive encountered: a \\\n b"},
    {"\n#define", "error 54 line 2: File a.rc. Line 2 : 54. #define directive not terminated"},
    {"#define 1A 2\n", "error 56 line 1: File a.rc. Line 1 : 56. Bad name in #define directive"},
    {"#undef\n",
     "error 120 line 2: File a.rc. Line 2 : 120. #undef directive not terminated (name expected in "
     "#undefine directive)"},
    {"#undef \"x\"\n", "error 121 line 1: File a.rc. Line 1 : 121. Bad name in #define directive: \"x\""},
    {"#undef A B\nC\n",
     "error 122 line 1: File a.rc. Line 1 : 122. #undef directive must be followed by a single "
     "identifier only"},
    {"#define A 1 /* open\n\n", "error 29 line 3: File a.rc. Line 3 : 29. Comment not terminated"},
    {"\n#include ", "error 68 line 2: File a.rc. Line 2 : 68. Unexpected end of file"},
    {"RCINCLUDE", "error 68 line 1: File a.rc. Line 1 : 68. Unexpected end of file"},
    {"#include \" \"\n", "error 11 line 1: File a.rc. Line 1 : 11. Empty filename"},
    {"#include <>\n", "error 11 line 1: File a.rc. Line 1 : 11. Empty filename"},
    {"#include <b.h", "error 10 line 1: File a.rc. Line 1 : 10. \">\" expected"},
    {"#include <b.h c>\n", "error 10 line 1: File a.rc. Line 1 : 10. \">\" expected"},
    {"\n#include \"missing.h\"\n",
     "error 72 line 2: File a.rc. Line 2 : 72. Cannot open file \"missing.h\" (No such file or directory)"},
    {"X\n#include a.rc\n",
     "error 58 line 2: File a.rc. Line 2 : 58. File a.rc is already open. Cyclical reference not allowed"},
    {"#define A A\n\nA\n", "error 65 line 3: File a.rc. Line 3 : 65. Recursion for defined name A > 100"},
    // Conditional compilation
    {"#ifdef 1\n", "error 21 line 1: File a.rc. Line 1 : 21. Expecting identifier after #ifdef "},
    {"#ifndef \"A\"\n", "error 21 line 1: File a.rc. Line 1 : 21. Expecting identifier after #ifndef "},
    {"X\n#endif\n", "error 22 line 2: File a.rc. Line 2 : 22. #endif encountered before compilation conditional"},
    {"#if 1\nX\n", "error 24 line 3: File a.rc. Line 3 : 24. Missing #endif in compilation conditional"},
    {"#elif 1\n", "error 62 line 1: File a.rc. Line 1 : 62. #elif encountered before #if compilation conditional"},
    {"#else\n", "error 63 line 1: File a.rc. Line 1 : 63. #else encountered before #if compilation conditional"},
    {"#if defined(A\n#endif\n", "error 64 line 1: File a.rc. Line 1 : 64. Expecting \")\""},
    {"#if defined(A B)\n#endif\n", "error 64 line 1: File a.rc. Line 1 : 64. Expecting \")\""},
    {"#if defined 1\n#endif\n", "error 66 line 1: File a.rc. Line 1 : 66. Expecting identifier after #if defined"},
    {"#if defined\n#endif\n", "error 66 line 1: File a.rc. Line 1 : 66. Expecting identifier after #if defined"},
    {"#if 0\n#elif 1 && defined (\"x\")\n#endif\n",
     "error 67 line 2: File a.rc. Line 2 : 67. Expecting identifier in parentheses after #elif defined"},
    {"#if !defined +\n#endif\n", "error 69 line 1: File a.rc. Line 1 : 69. Expecting identifier after #if !defined"},
    {"#if 1 || !defined()\n#endif\n",
     "error 70 line 1: File a.rc. Line 1 : 70. Expecting identifier in parentheses after #if !defined"},
    {"#if 0\nX\n#if 1\n#endif\n", "error 68 line 5: File a.rc. Line 5 : 68. Unexpected end of file"},
    // Expressions
    {"\n1 / (2 - 2)",
     "error 28 line 2: File a.rc. Line 2 : 28. Expression evaluation error: File a.rc. Line 2 : "
     "71. Division by zero"},
    {"5 % 0 X",
     "error 28 line 1: File a.rc. Line 1 : 28. Expression evaluation error: File a.rc. Line 1 : 71. "
     "Division by zero"},
    {"1 = 5", "error 61 line 1: File a.rc. Line 1 : 61. Invalid binary operation =5"},
    {"1 ! x", "error 61 line 1: File a.rc. Line 1 : 61. Invalid binary operation !x"},
    {"(1 2)", "error 64 line 1: File a.rc. Line 1 : 64. Expecting \")\""},
    {"(1 + 2\n", "error 68 line 2: File a.rc. Line 2 : 68. Unexpected end of file"},
    {"1 <<", "error 68 line 1: File a.rc. Line 1 : 68. Unexpected end of file"},
    {"-", "error 68 line 1: File a.rc. Line 1 : 68. Unexpected end of file"},
    {"1 + X", "error 116 line 1: File a.rc. Line 1 : 116. Number expected but got X in expression"},
    {"1 | \"s\"", "error 116 line 1: File a.rc. Line 1 : 116. Number expected but got \"s\" in expression"},
    {"1 + 2)", "error 117 line 1: File a.rc. Line 1 : 117. Unexpected \")\" encountered"},
    {"\n- X", "error 123 line 2: File a.rc. Line 2 : 123. Numerical value expected but got X"},
    {"~ 12ab", "error 123 line 1: File a.rc. Line 1 : 123. Numerical value expected but got 12ab"},
    {"1 + 12ab", "error 0 line 0: '12ab' is not a valid integer value"},
    // Conditions end at their line
    {"#if 1 +\n2\n#endif\n",
     "error 116 line 1: File a.rc. Line 1 : 116. Number expected but got end of line in "
     "expression"},
    {"#if -\n#endif\n", "error 123 line 1: File a.rc. Line 1 : 123. Numerical value expected but got end of line"},
    {"#if (1\n)\n#endif\n", "error 64 line 1: File a.rc. Line 1 : 64. Expecting \")\""},
    {"#if 1 =\n= 1\n#endif\n", "error 61 line 1: File a.rc. Line 1 : 61. Invalid binary operation ="},
    {"#if\n#endif\n", "error 116 line 1: File a.rc. Line 1 : 116. Number expected but got end of line in expression"},
    {"#if 1 +", "error 68 line 1: File a.rc. Line 1 : 68. Unexpected end of file"},
};

TEST(PreprocessorMessagesTest, EachMessageWithItsTextAndLine) {
  for (const TMessageCase& row : kMessageCases) {
    EXPECT_EQ(Preprocess(row.script), row.expected) << "script: " << row.script;
  }
}

TEST(PreprocessorMessagesTest, DeepNestingStopsWithALocatedError) {
  const std::string expected =
      "error 28 line 2: File a.rc. Line 2 : 28. Expression evaluation error: expression nested too deeply";
  EXPECT_EQ(Preprocess("\n" + std::string(100000, '(') + "1"), expected);
  EXPECT_EQ(Preprocess("\n" + std::string(100000, '-') + "1"), expected);
  EXPECT_EQ(Preprocess("#if " + std::string(100000, '!') + "1\n#endif\n"),
            "error 28 line 1: File a.rc. Line 1 : 28. Expression evaluation error: expression nested too deeply");
  EXPECT_EQ(Preprocess(std::string(200, '(') + "7" + std::string(200, ')')), "7");
}

TEST(GetTokenTest, WordsNumbersAndBraces) {
  EXPECT_EQ(Preprocess("begin Begin END end x Y"), "{ { } } x Y");
  EXPECT_EQ(Preprocess("12abc 0x10, -1, (2), NOT 4, not 0x11"), "12abc 16 , -1 , 2 , 4 , 17");
  EXPECT_EQ(Preprocess("0x10 -1"), "15");  // one expression
  EXPECT_EQ(Preprocess("A \\ B , \\\n C"), "A B , C");
  EXPECT_EQ(Preprocess("\"x\" , 1"), "\"x\" , 1");
}

TEST(GetTokenTest, OctalNegativeNumberIsAValue) {
  // The octal form of 0xFFFFFFFF converts to -1: a value, not a unary minus.
  EXPECT_EQ(Preprocess("037777777777 5"), "-1 5");
  EXPECT_EQ(Preprocess("1 + 037777777777, 2"), "0 , 2");
}

TEST(GetTokenTest, NamesAreSubstitutedAndChainsResolve) {
  EXPECT_EQ(Preprocess("#define TWO 1+1\nTWO*3"), "4");  // 1+1*3
  EXPECT_EQ(Preprocess("ID_OK VS_FILE_INFO WS_TILED"), "1 VERSION 0");
  EXPECT_EQ(Preprocess("#define A B\n#define B C\n#define C 7\nA, a"), "7 , a");
  EXPECT_EQ(Preprocess("#define WS_VISIBLE 0\nWS_VISIBLE"), "0");
  EXPECT_EQ(Preprocess("#define S \"text\"\nS"), "\"text\"");
}

TEST(GetTokenTest, RcIncludeReadsAFileAsScriptText) {
  EXPECT_EQ(Preprocess("A\nRCINCLUDE b.rc\nC", {{"b.rc", "B1 B2"}}), "A B1 B2 C");
  EXPECT_EQ(Preprocess("rcinclude \"b.h\"\nC", {{"b.h", "#define C 3\nIGNORED"}}), "3");
}

TEST(StringJoiningTest, DoubledQuoteWrittenTogether) {
  EXPECT_EQ(Preprocess("\"say \"\"hi\"\"\""), "\"say \"hi\"\"");
  EXPECT_EQ(Preprocess("\"a\"\"b\" X"), "\"a\"b\" X");
}

TEST(StringJoiningTest, AdjacentLiteralsAreConcatenated) {
  EXPECT_EQ(Preprocess("\"a\" \"b\"\t\"c\""), "\"abc\"");
  EXPECT_EQ(Preprocess("\"a\"\n  \"b\"\n\"c\" X"), "\"abc\" X");
  EXPECT_EQ(Preprocess("\"a\" /* note */ \"b\" // end\n \"c\" ; more\n\"d\""), "\"abcd\"");
  EXPECT_EQ(Preprocess("#define VERSION \"7.1\"\nVALUE \"FileVersion\", VERSION \"\\0\""),
            std::string("VALUE \"FileVersion\" , \"7.1") + '\0' + '"');
  EXPECT_EQ(Preprocess("#define NAME \"curl\"\n\"lib\"NAME\" for Windows\""), "\"libcurl for Windows\"");
  // Inside a name's value two literals written together are two source tokens, too.
  EXPECT_EQ(Preprocess("#define AB \"a\"\"b\"\nAB"), "\"ab\"");
}

TEST(StringJoiningTest, DirectiveLinesBetweenLiteralsAreCarriedOut) {
  const std::string script =
      "VALUE \"Comments\", \"Built \"\n#ifdef DEBUG\n \"debug\"\n#else\n \"release\"\n#endif\nEND";
  EXPECT_EQ(Preprocess(script), "VALUE \"Comments\" , \"Built release\" }");
  EXPECT_EQ(Preprocess("#define DEBUG\n" + script), "VALUE \"Comments\" , \"Built debug\" }");
}

TEST(StringJoiningTest, EachLiteralIsDecodedOnItsOwn) {
  std::string joined = Preprocess("\"\\x4\" \"1\\n\"");
  EXPECT_EQ(joined, std::string("\"\x04") + "1\n\"");
  EXPECT_EQ(Preprocess("\"\\q\" \"x\""), "error 27 line 1: File a.rc. Line 1 : 27. Bad escape sequence \"\\q\"");
}

TEST(StringJoiningTest, StopsAtTheEndOfInputAndAtOtherTokens) {
  EXPECT_EQ(Preprocess("\"last\""), "\"last\"");
  EXPECT_EQ(Preprocess("\"last\"\n"), "\"last\"");
  EXPECT_EQ(Preprocess("\"a\" , \"b\" 1"), "\"a\" , \"b\" 1");
  EXPECT_EQ(Preprocess("\"a\" BEGIN"), "\"a\" {");
  // The literal closing an included file is joined with the one opening the rest.
  EXPECT_EQ(Preprocess("#include \"b.rc\"\n\"y\" Z", {{"b.rc", "\"x\""}}), "\"xy\" Z");
}

TEST(GetTokenTest, PushingBackTheEndOfInputReadsNothingAgain) {
  for (const char* script : {"\"last\"", "X", "1 + 2", "X\n"}) {
    TScriptReader reader(script);
    while (!reader.Next().empty()) {
    }
    PushBackToken(reader.parser);
    EXPECT_EQ(reader.Next(), "") << script;
  }
}

TEST(DataStringTest, GroupsOfOddLengthArePadded) {
  EXPECT_EQ(Preprocess("'0A 1 FF'"), "'0A01FF'");
  EXPECT_EQ(Preprocess("'ABC'"), "'AB0C'");
  EXPECT_EQ(Preprocess("''  '   '"), "'' ''");
  EXPECT_EQ(Preprocess("'\t1\t2 345 6789'"), "'010234056789'");
}

TEST(ReadRawWordTest, StopsAtBlanksLineEndsAndAngleBracket) {
  TScriptReader reader("dir/x.bmp rest\nname\r\nz>w");
  EXPECT_EQ(ReadRawWord(reader.parser), "dir/x.bmp");
  EXPECT_EQ(reader.Next(), "rest");
  EXPECT_EQ(ReadRawWord(reader.parser), "");
  EXPECT_EQ(reader.Next(), "name");
  EXPECT_EQ(reader.Next(), "z");
  EXPECT_EQ(ReadRawWord(reader.parser), "");
  EXPECT_EQ(reader.Next(), ">");
  EXPECT_EQ(ReadRawWord(reader.parser), "w");
}

TEST(ReadRawWordTest, ContinuesInTheIncludingFile) {
  TScriptReader reader("#include b.rc\nafter.ico x", {{"b.rc", "B"}});
  EXPECT_EQ(reader.Next(), "B");
  EXPECT_EQ(ReadRawWord(reader.parser), "");  // the blank after the #include line's name
  EXPECT_EQ(reader.parser.fileStack.size(), 1u);
}

TEST(SeparatorTest, OptionalAndRepeatedSeparators) {
  TScriptReader reader("1 , 2 3 , , , 4 \\ \\ 5");
  EXPECT_EQ(reader.Next(), "1");
  EXPECT_EQ(SkipOptionalSeparator(reader.parser, ","), "2");
  EXPECT_EQ(SkipOptionalSeparator(reader.parser, ","), "3");
  EXPECT_EQ(SkipSeparators(reader.parser, ","), "4");
  EXPECT_EQ(SkipSeparators(reader.parser, "\\"), "5");
  EXPECT_EQ(SkipSeparators(reader.parser, ","), "");
}

}  // namespace
}  // namespace tarvex::test
