#include "reader/lexer.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tarvex
