#include "reader/lexer.h"

#include <gtest/gtest.h>

#include "preprocessor/directives.h"
#include "reader/diagnostics.h"
#include "reader/parser.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

// One letter per token kind, so that expectations stay short.
char KindLetter(TTokenKind kind) { return "0cilr"[static_cast<int>(kind)]; }

using ReadFunction = std::string (*)(TRCParser&);

class LexerTest : public ::testing::Test {
 protected:
  // Closes every open file, so that a table row starts on a fresh script.
  void Reset() {
    while (!parser_.fileStack.empty()) CloseSourceFile(parser_);
  }

  void Open(const std::string& text, const std::string& name = "a.rc") {
    dir_.Write(name, text);
    OpenSourceFile(parser_, dir_.File(name));
  }

  // "token:flag:line" for the next token, the line being the file's line after it.
  std::string Read(ReadFunction read = ScanToken) {
    std::string token = read(parser_);
    int line = parser_.currentFile ? parser_.currentFile->line : 0;
    return token + ":" + KindLetter(parser_.TokenFlag) + ":" + std::to_string(line);
  }

  // Every token of `text` up to the end of input, blank-separated.
  std::string Tokens(const std::string& text, ReadFunction read = ScanToken) {
    Reset();
    Open(text);
    std::string all;
    for (int guard = 0; guard < 100; ++guard) {
      std::string token = Read(read);
      if (token[0] == ':') break;
      all += (all.empty() ? "" : " ") + token;
    }
    return all;
  }

  // "number@line: text" of the diagnostic raised while reading all of `text`.
  std::string Failure(const std::string& text, ReadFunction read = NextToken) {
    try {
      Reset();
      Open(text);
      for (int guard = 0; guard < 100 && !read(parser_).empty(); ++guard) {
      }
    } catch (const TCompileError& error) {
      std::string what = error.what();
      return std::to_string(parser_.errorNumber) + "@" + std::to_string(parser_.errorLine) + ": " +
             what.substr(what.find(" : ") + 3);
    }
    return "no failure";
  }

  TRCParser parser_;
  test::TTempDir dir_;
};

struct TCase {
  std::string text;
  std::string expected;
};

TEST_F(LexerTest, TokenClassesAndFlags) {
  const TCase cases[] = {
      {"ID_A(", "ID_A:c:1 (:0:1"},
      {"A\n(", "A:c:1 (:0:2"},
      {"a.b:c?d@e[f]_1 \xE4x", "a.b:c?d@e[f]_1:c:1 \xE4x:c:1"},
      {"12ab 1.5", "12ab:0:1 1.5:0:1"},
      {"$1F_zq+", "$1F_zq:c:1 +:0:1"},
      {"\"a b\" 'x \"y'", "\"a b\":0:1 'x \"y':0:1"},
      {"!#%&()*", "!:0:1 #:0:1 %:0:1 &:0:1 (:0:1 ):0:1 *:0:1"},
      {"+,-<=>\\", "+:0:1 ,:0:1 -:0:1 <:0:1 =:0:1 >:0:1 \\:0:1"},
      {"^{}~|/x /", "^:0:1 {:0:1 }:0:1 ~:0:1 |:0:1 /:0:1 x:c:1 /:0:1"},
      {"\f\v\r\n(\r\n", "(:0:2"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(Tokens(c.text), c.expected) << c.text;
  }
}

TEST_F(LexerTest, LexicalMessagesWithTheirLine) {
  const TCase cases[] = {
      {"A\n/* open\n\n", "29@4: 29. Comment not terminated"},
      {"\x01", "33@1: 33. Invalid character encountered: \\x01"},
      {"A\n\"abc\nB\"", "52@2: 52. Double quoted string not terminated"},
      {"\"a\\\nb", "52@2: 52. Double quoted string not terminated"},
      {"\n\"abc\\\"", "23@2: 23. Expecting string continuation after \\\" sequence"},
      {"\n\n'abc\n'", "51@3: 51. Single quoted string is not terminated"},
      {"\n$ 1", "31@2: 31. $ sign shall be followed by hexadecimal digits without blanks"},
      {"$00000000FF", "32@1: 32. Too many digits in hexadecimal number: 0x00000000FF"},
      {"0123456701234567012", "50@1: 50. Too many digits in octal number: 0123456701234567012"},
      {"12345678901", "55@1: 55. Too many digits in the number: 12345678901"},
      {"2147483648L", "57@1: 57. Value 2147483648 is out of range: [-2147483647...+2147483647] allowed"},
      {"\n08", "59@2: 59. Digits in octal constant 08 must be in range 0..7"},
      {"$_", "60@1: 60. Bad hexadecimal value: $_"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(Failure(c.text), c.expected) << c.text;
  }
}

}  // namespace
}  // namespace tarvex
