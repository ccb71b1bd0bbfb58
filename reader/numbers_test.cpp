#include "reader/numbers.h"

#include <gtest/gtest.h>

#include "reader/parser.h"

namespace tarvex {
namespace {

// The suffixes each syntax takes: "text:kind" with kind i (16-bit), l (32-bit) or r (no number).
TEST(NumbersTest, SuffixesOfScriptsAndConditions) {
  struct TCase {
    const char* token;
    const char* script;
    const char* condition;
  };
  const TCase cases[] = {
      {"10", "10:i", "10:i"},           {"10L", "10:l", "10:l"},
      {"10u", "10:l", "10:l"},          {"10UL", "10U:r", "10:l"},
      {"10lu", "10l:r", "10:l"},        {"10LL", "10L:r", "10:l"},
      {"10uLL", "10uL:r", "10:l"},      {"10llu", "10ll:r", "10:l"},
      {"10i64", "10i64:r", "10:l"},     {"0xffffffffUL", "0xffffffffU:r", "4294967295:l"},
      {"0x10I64", "0x10I64:r", "16:l"}, {"017ul", "017u:r", "15:l"},
      {"$FFul", "", "255:l"},           {"10uu", "10u:r", "10u:r"},
      {"10lul", "10lu:r", "10l:r"},     {"10i32", "10i32:r", "10i32:r"},
  };
  const char kKinds[] = "0cilr";
  for (const TCase& c : cases) {
    for (TNumberSyntax syntax : {TNumberSyntax::Script, TNumberSyntax::Condition}) {
      const char* expected = syntax == TNumberSyntax::Script ? c.script : c.condition;
      if (*expected == '\0') continue;
      TRCParser parser;
      std::string text = ConvertNumber(parser, c.token, syntax);
      EXPECT_EQ(text + ":" + kKinds[static_cast<int>(parser.TokenFlag)], expected) << c.token;
    }
  }
}

}  // namespace
}  // namespace tarvex
