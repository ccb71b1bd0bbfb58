// Expressions: every operator's place in the order of reduction and 64-bit wrap-around. The
// size class of a value and the bits that |NOT removes show in data and dialog resources.
#include "preprocessor/expression.h"

#include <gtest/gtest.h>

#include "preprocessor/token_test_support.h"

namespace tarvex::test {
namespace {

TEST(ExpressionTest, ValuesOfExpressions) {
  // Each pair of neighbouring passes in an expression whose value tells which ran first;
  // rows of one 32-bit value are checked in a condition too.
  const char* rows[][2] = {
      {"8 / 2 * 2", "2"},                                       // * before /
      {"7 % 4 / 2", "1"},                                       // / before %
      {"5 % 3 << 1", "4"},                                      // % before <<
      {"256 >> 2 << 2", "1"},                                   // << before >>
      {"1 + 8 >> 1", "5"},                                      // >> before +
      {"10 - 2 + 3", "5"},                                      // + before -
      {"1 < 3 - 1", "1"},                                       // - before <
      {"3 <= 2 < 1", "0"},                                      // < before <=
      {"2 >= 1 <= 0", "1"},                                     // <= before >=
      {"1 > 0 >= 0", "0"},                                      // >= before >
      {"1 == 2 > 1", "1"},                                      // > before ==
      {"1 != 2 == 3", "1"},                                     // == before !=
      {"2 & 3 != 1", "0"},                                      // != before &
      {"1 ^ 3 & 2", "3"},                                       // & before ^
      {"0 | NOT 0 ^ 1", "0"},                                   // ^ before |NOT
      {"1 | 2 | NOT 3", "1"},                                   // |NOT before |
      {"0 && 0 | 1", "0"},                                      // | before &&
      {"1 || 0 && 0", "1"},                                     // && before ||
      {"20 - 5 - 3, 100 / 10 / 5, 2 << 1 << 1", "12 , 2 , 8"},  // one pass: from the left
      {"7 / -2, -7 % 2, 7 % -2", "-3 , -1 , 1"},
      {"2147483647 + 1", "2147483648"},
      {"0xFFFFFFFF * 0xFFFFFFFF * 0xFFFFFFFF", "12884901887"},
      {"-(1 << 63) / -1, (1 << 63) % -1", "-9223372036854775808 , 0"},
      {"(1 << 62) * 4, (1 << 63) * -1, (1 << 63) / -1", "0 , -9223372036854775808 , -9223372036854775808"},
      // Shifts move bits as unsigned; counts outside 0 to 63 shift every bit out.
      {"~0 >> 1, 1 << 63 >> 63, -1 >> 63, 1 << 63 << 1", "9223372036854775807 , 1 , 1 , 0"},
      {"1 << 64, 1 << 127, -1 >> 64, 1 << 128, 1 << -1, -1 >> -1", "0 , 0 , 0 , 0 , 0 , 0"},
      // Comparisons are signed.
      {"-1 < 0, -1 < 0xFFFFFFFF, -1 < 037777777777, (1 << 63) < 0", "1 , 1 , 0 , 1"},
      {"-(2 + 3), !5, !0, ~0, - - 5, -2 + 3, + 4", "-5 , 0 , 1 , -1 , 5 , 1 , 4"},
      {"( NOT 3 ) , -( not 4)", "3 , -4"},
      // Operators assembled from separate tokens, and over lines.
      {"1 < < 3, 16 > > 2, 3 < = 3, 4 > = 5, 2 = = 2, 2 ! = 2, 1 & & 1, 0 | | 1", "8 , 4 , 1 , 0 , 1 , 0 , 1 , 1"},
      // An expression ends before the first token that is no operator.
      {"1 + 2, 3 X 4 \"s\" 5 {", "3 , 3 X 4 \"s\" 5 {"},
      {"#define TEN 10\nTEN * TEN TEN", "100 10"},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Preprocess(row[0]), row[1]) << row[0];
    if (std::string(row[0]).find_first_of(",\n") != std::string::npos || std::string(row[1]).size() > 9) continue;
    EXPECT_EQ(Preprocess("#if (" + std::string(row[0]) + ") == " + row[1] + "\nyes\n#endif"), "yes") << row[0];
  }
}

}  // namespace
}  // namespace tarvex::test
