#include "preprocessor/conditionals.h"

#include <gtest/gtest.h>

#include "preprocessor/token_test_support.h"

namespace tarvex::test {
namespace {

TEST(ConditionalTest, BranchSelection) {
  EXPECT_EQ(Preprocess("#if 1\nA\n#elif 1/0\nB\n#else\nC\n#endif\nD"), "A D");
  EXPECT_EQ(Preprocess("#if 0\nA\n#elif 1\nB\n#else\nC\n#endif\n"), "B");
  EXPECT_EQ(Preprocess("#if 0\nA\n#elif 0\nB\n#else\nC\n#endif\n"), "C");
  EXPECT_EQ(Preprocess("#if 2 > 1\nA\n#endif\n#if 1 - 1\nB\n#endif\n"), "A");
  EXPECT_EQ(Preprocess("#ifdef WIN32\nA\n#endif\n#undef WIN32\n#ifdef WIN32\nB\n#endif\n#ifndef WIN32\nC\n#endif\n"),
            "A C");
  // Conditions take C's size suffixes (zlib's zconf.h); resource statements keep one L or U.
  EXPECT_EQ(Preprocess("#if (0xffffffff == 0xffffffffUL) && 1i64\nA\n#endif\n#if 0\n#elif 0x10uLL == 16LU\nB\n"
                       "#endif\n10UL"),
            "A B 10U");
  // A second #else and an #elif after #else are accepted: they only start a skip.
  EXPECT_EQ(Preprocess("#if 0\n#else\nA\n#else\nB\n#elif 1\nC\n#endif\n"), "A");
}

TEST(ConditionalTest, SkippingPassesOverNestedBlocks) {
  EXPECT_EQ(Preprocess("#if 0\n#ifdef X\nA\n#else\nB\n#endif\nC\n#ifndef Y\n#elif 1\n#endif\n#endif\nD"), "D");
  EXPECT_EQ(Preprocess("#if 0\n#define A 1\n#include \"none.h\"\n#error no\n#bogus\n\"#if\" /* #if */ ; #if\n"
                       "#endif\nA"),
            "A");
  // Only a "#" that begins its line starts a directive in skipped text.
  EXPECT_EQ(Preprocess("#ifdef UNICODE\n#define __T(x) L ## x\n#define S(x) #x \\\n  ## x\n"
                       "/* c */ #endif\nA"),
            "A");
  EXPECT_EQ(Preprocess("#if 0\n\"open\n#endif\n"),
            "error 52 line 2: File a.rc. Line 2 : 52. Double quoted string not terminated");
}

TEST(ConditionalTest, BlocksSpanFiles) {
  EXPECT_EQ(Preprocess("#include b.h\nA\n#endif\nB", {{"b.h", "#if 0\n"}}), "B");
  EXPECT_EQ(Preprocess("#include b.h\nA\n#endif\nB", {{"b.h", "#if 1\n"}}), "A B");
  EXPECT_EQ(Preprocess("#if 1\n#include b.h\nA", {{"b.h", "#endif\n"}}), "A");
}

TEST(ConditionalTest, NamesDefinedAsNothingAndUnitConstants) {
  EXPECT_EQ(Preprocess("#define USE_COPYRIGHT_CR\n#ifdef USE_COPYRIGHT_CR\nA\n#endif\n"
                       "#if defined(USE_COPYRIGHT_CR) && !defined NOPE\nB\n#endif\n"),
            "A B");
  TScriptReader reader("#ifdef max\nA\n#endif\n#if defined(MAX) + 1 == 2\nB\n#endif\n");
  reader.parser.unitConstants.Set("Max", "3");
  EXPECT_EQ(reader.All(), "A B");
}

TEST(ConditionalTest, UndefinedNamesCountAsZero) {
  EXPECT_EQ(Preprocess("#if ENABLE_FEATURE\nA\n#else\nB\n#endif\n"), "B");
  EXPECT_EQ(Preprocess("#if !ENABLE_FEATURE && -X == 0 && ~Y == -1\nA\n#endif\n"), "A");
  EXPECT_EQ(Preprocess("#define ZERO 0\n#if ZERO\nA\n#endif\n#if DEFINED(WIN32)\nB\n#endif\n"), "");
  // Outside conditions an undefined name is still no number.
  EXPECT_EQ(Preprocess("1 + ENABLE_FEATURE"),
            "error 116 line 1: File a.rc. Line 1 : 116. Number expected but got ENABLE_FEATURE in expression");
}

TEST(ConditionalTest, DefinedCombinesWithOperators) {
  const char* editorCondition = "#if !defined(AFX_RESOURCE_DLL) || defined(AFX_TARG_ENU)\nA\n#else\nB\n#endif\n";
  EXPECT_EQ(Preprocess(editorCondition), "A");
  EXPECT_EQ(Preprocess(std::string("#define AFX_RESOURCE_DLL\n") + editorCondition), "B");
  EXPECT_EQ(Preprocess(std::string("#define AFX_RESOURCE_DLL\n#define AFX_TARG_ENU 1\n") + editorCondition), "A");
  const char* either = "#if defined(A) || defined B\nyes\n#else\nno\n#endif\n";
  EXPECT_EQ(Preprocess(either), "no");
  EXPECT_EQ(Preprocess(std::string("#define B 0\n") + either), "yes");
  EXPECT_EQ(Preprocess(std::string("#define A 0\n") + either), "yes");
  EXPECT_EQ(Preprocess("#if (defined A || defined(WIN32)) && !(defined(A) && 1)\nyes\n#endif\n"), "yes");
  EXPECT_EQ(Preprocess("#if defined WIN32 == 1 && defined(WIN32) > defined(NONE)\nyes\n#endif\n"), "yes");
}

TEST(ConditionalTest, TokensAfterACompleteConditionAreInput) {
  EXPECT_EQ(Preprocess("#if defined WIN32 X\n#endif\n"), "X");
  EXPECT_EQ(Preprocess("#if !defined(NONE) Y , 1\n#endif\n"), "Y , 1");
  EXPECT_EQ(Preprocess("#if 1 X\n#endif\n#if 0 Y\n#endif\n"), "X");
}

TEST(ConditionalTest, ConditionsEndAtTheirLine) {
  EXPECT_EQ(Preprocess("#if DEBUG\n| 1\n#endif\n"), "");
  EXPECT_EQ(Preprocess("#if 1\n- 1\n#endif\n"), "-1");
  EXPECT_EQ(Preprocess("#if 1 + \\\n 1 == 2\nA\n#endif\n"), "A");
  EXPECT_EQ(Preprocess("#if 1 + \\\r\n 1 == 2\r\nA\r\n#endif\r\n"), "A");
  EXPECT_EQ(Preprocess("#if 0 /* a comment\n that goes on */ + 1\nA\n#endif\n"), "A");
  EXPECT_EQ(Preprocess("#if 0 // comment\n+ 1\n#endif\n"), "");
  // A name whose value is nothing, or a value continued over lines, does not carry the
  // condition into the next line.
  EXPECT_EQ(Preprocess("#define EMPTY\n#if 1 + EMPTY\n2\n#endif\n").substr(0, 9), "error 116");
  EXPECT_EQ(Preprocess("#define TWO 1 \\\n + 1\n#if TWO == 2\nA\n#endif\n"), "A");
  // The condition of a header's last line ends with the header.
  EXPECT_EQ(Preprocess("#include b.h\n+ 1\n#endif\n", {{"b.h", "#if 1"}}), "1");
}

TEST(ConditionalTest, VersionFlagsBuiltAcrossDirectiveLines) {
  const std::string script =
      "FILEFLAGSMASK 0x3fL\n"
      "FILEFLAGS 0x0L\n"
      "#ifdef _DEBUG\n"
      " | VS_FF_DEBUG\n"
      "#elif defined(BETA)\n"
      " | VS_FF_PRERELEASE\n"
      "#else\n"
      " | 0x20\n"
      "#endif\n"
      "FILEOS VOS__WINDOWS32\n";
  EXPECT_EQ(Preprocess(script), "FILEFLAGSMASK 63 FILEFLAGS 32 FILEOS 4");
  EXPECT_EQ(Preprocess("#define _DEBUG\n" + script), "FILEFLAGSMASK 63 FILEFLAGS 1 FILEOS 4");
  EXPECT_EQ(Preprocess("#define BETA\n" + script), "FILEFLAGSMASK 63 FILEFLAGS 2 FILEOS 4");
  EXPECT_EQ(Preprocess("FILEFLAGS 1\n#define EXTRA 4\n| EXTRA\n#include \"f.h\"\n| 8\nFILEOS",
                       {{"f.h", "#define MORE 16\n"}}),
            "FILEFLAGS 13 FILEOS");
}

TEST(ConditionalTest, EndOfInputChecks) {
  EXPECT_EQ(Preprocess("#ifdef WIN32\n"),
            "error 24 line 2: File a.rc. Line 2 : 24. Missing #endif in compilation "
            "conditional");
  EXPECT_EQ(Preprocess("#ifndef WIN32\nA"), "error 68 line 2: File a.rc. Line 2 : 68. Unexpected end of file");
  EXPECT_EQ(Preprocess("#if 1\n#endif"), "");
}

}  // namespace
}  // namespace tarvex::test
