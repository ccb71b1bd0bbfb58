// Every operator's place in the order of reduction, and 64-bit wrap-around.
#include <gtest/gtest.h>

#include "preprocessor/expression.h"
#include "preprocessor/token_test_support.h"

namespace tarvex::test {
namespace {

// Each pair of neighbouring passes in an expression whose value tells which pass ran
// first (the other order gives another value), then the same in a condition.
TEST(ExpressionTableTest, PassesRunInTheirOrder) {
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
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Preprocess(row[0]), row[1]) << row[0];
    if (std::string(row[0]).find(',') != std::string::npos) continue;
    EXPECT_EQ(Preprocess("#if (" + std::string(row[0]) + ") == " + row[1] + "\nyes\n#endif"), "yes") << row[0];
  }
}

// 64-bit arithmetic wraps; shifts move bits as unsigned; comparisons are signed.
TEST(ExpressionTableTest, WrapAroundShiftsAndComparisons) {
  const char* rows[][2] = {
      {"(1 << 63) - 1 + 2", "9223372036854775805"},
      {"(1 << 62) * 4, (1 << 63) * -1, (1 << 63) / -1", "0 , -9223372036854775808 , -9223372036854775808"},
      {"~0 >> 1, 1 << 63 >> 63, -1 >> 63, 1 << 63 << 1", "9223372036854775807 , 1 , 1 , 0"},
      {"-1 < 0, -1 < 0xFFFFFFFF, -1 < 037777777777, (1 << 63) < 0", "1 , 1 , 0 , 1"},
  };
  for (const auto& row : rows) EXPECT_EQ(Preprocess(row[0]), row[1]) << row[0];
}

}  // namespace
}  // namespace tarvex::test
