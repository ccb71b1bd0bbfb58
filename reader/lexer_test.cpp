#include "reader/lexer.h"

#include <gtest/gtest.h>

#include <array>

#include "preprocessor/directives.h"
#include "reader/parser.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

// One letter per token kind, so that expectations stay short.
char KindLetter(TTokenKind kind) { return "0cilr"[static_cast<int>(kind)]; }

// Every token of `text` as "token:kind:line", the line being the file's line after it.
std::string Tokens(const std::string& text) {
  test::TTempDir dir;
  dir.Write("a.rc", text);
  TRCParser parser;
  OpenSourceFile(parser, dir.File("a.rc"));
  std::string all;
  std::string token = ScanToken(parser);
  for (int guard = 0; guard < 100 && !token.empty(); ++guard, token = ScanToken(parser))
    all += (all.empty() ? "" : " ") + token + ":" + KindLetter(parser.TokenFlag) + ":" +
           std::to_string(parser.currentFile ? parser.currentFile->line : 0);
  return all;
}

TEST(LexerTest, TokenClassesAndFlags) {
  const std::pair<std::string, std::string> cases[] = {
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
  for (const auto& [text, expected] : cases) EXPECT_EQ(Tokens(text), expected) << text;
}

// What a run of items leaves for the reading after it, as "count:kind:position:line": how
// many items it took, the kind of the token it looked at after the last of them (read and
// pushed back), and where reading goes on, on which line.
TEST(LexerTest, RunsLeaveTheTokenAfterTheirLastItem) {
  const std::pair<std::string, std::string> cases[] = {
      {"1 70000, X", "2:0:7:1"},  // the comma after the last item, not the number after the first
      {"1 2 X", "2:c:3:1"},      {"1, 2 3", "2:i:4:1"}, {"1,\n2\n,X", "2:0:4:2"}, {"7, \"a\"\n}", "2:0:6:1"},
  };
  for (const auto& [text, expected] : cases) {
    test::TTempDir dir;
    dir.Write("a.rc", text);
    TRCParser parser;
    OpenSourceFile(parser, dir.File("a.rc"));
    std::array<TCommonToken, 16> run;
    std::size_t count = TakeCommonRun(parser, run);
    const TFileItem& file = *parser.currentFile;
    EXPECT_EQ(std::to_string(count) + ":" + KindLetter(parser.TokenFlag) + ":" + std::to_string(file.readPosition) +
                  ":" + std::to_string(file.line),
              expected)
        << text;
  }
}

}  // namespace
}  // namespace tarvex
