#include "reader/diagnostics.h"

#include <gtest/gtest.h>

#include "statements/compile_api.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

// A percent sign in a file name is text, never a format.
TEST(Diagnostics, LocatedTextAndTerminalBytesEscaped) {
  test::TTempDir dir;
  dir.Write("100%s.rc", "\n#bogus\n");
  test::TWorkingDirectory cwd(dir.Path());
  TCompilation outcome = CompileToImage("100%s.rc");
  EXPECT_EQ(outcome.errorText, "File 100%s.rc. Line 2 : 20. Unknown directive: #bogus");
  EXPECT_EQ(outcome.errorFile, "100%s.rc");
  const char* rows[][2] = {
      {"plain text, 100%", "plain text, 100%"},
      {"tab\there\r\nnew", "tab\\x09here\\x0D\\x0Anew"},
      {"\x1B[2J\x1B]0;title\x07", "\\x1B[2J\\x1B]0;title\\x07"},
      {"del\x7F", "del\\x7F"},
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},  // valid UTF-8 stays
      {"\xC2\x9B\x33\x31m", "\\xC2\\x9B31m"},  // C1 control (CSI), then "31m"
      {"\xFF\xC3", "\\xFF\\xC3"},              // stray byte, cut-short sequence
      {"\xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80",
       "\\xC0\\xAF \\xED\\xA0\\x80 \\xF4\\x90\\x80\\x80"},  // overlong, surrogate, too large
      {"\\x41 stays", "\\x41 stays"},                       // escaping again changes nothing
  };
  for (const auto& row : rows) EXPECT_EQ(SafeText(row[0]), row[1]) << row[0];
  EXPECT_EQ(SafeText(std::string("nul\0byte", 8)), "nul\\x00byte");
  EXPECT_STREQ(TCompileError("a\rb").what(), "a\\x0Db");
}

TEST(Diagnostics, ScriptBytesInAFailureStayOnOneLine) {
  // A string that does not convert (0xFF is no character of the C locale's ASCII) and
  // carries a terminal escape and a carriage return followed by a fake error line.
  TCompilation outcome = test::CompileText("STRINGTABLE { 1, \"\x1B[2J\rError[0] in line [0]: fake\xFF\" }\n");
  EXPECT_EQ(outcome.errorText,
            "File a.rc. Line 1 : Cannot convert text to UTF-16: \"\\x1B[2J\\x0DError[0] in line [0]: fake\\xFF\" (byte "
            "0xFF at offset 31 is not valid ANSI_X3.4-1968); name the script's code page with #pragma code_page(N) or "
            "the option -c<N>");
}

}  // namespace
}  // namespace tarvex
