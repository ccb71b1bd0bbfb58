// Numbers as scripts and conditions write them, read through the preprocessor as the
// statement loop reads them.
#include "reader/numbers.h"

#include <gtest/gtest.h>

#include "preprocessor/token_test_support.h"

namespace tarvex::test {
namespace {

// "N@L: text" stands for the located diagnostic of message N on line L.
std::string Located(const std::string& row) {
  std::size_t at = row.find('@'), colon = row.find(": ");
  if (at == std::string::npos || colon == std::string::npos || row.find_first_not_of("0123456789") != at) return row;
  std::string line = row.substr(at + 1, colon - at - 1);
  return "error " + row.substr(0, at) + " line " + line + ": File a.rc. Line " + line + " : " + row.substr(colon + 2);
}

TEST(NumbersTest, LeadingZerosAndDecimalConstantsOfConditions) {
  const char* rows[][2] = {
      // Octal digits keep their octal value; an 8 or a 9 makes the number decimal.
      {"010, 0777, 00, 037777777777", "8 , 511 , 0 , -1"},
      {"FILEVERSION 2026,08,02,09", "FILEVERSION 2026 , 8 , 2 , 9"},
      {"019, 0019, 09L, 0800 + 1", "19 , 19 , 9 , 801"},
      {"00000000002147483647", "50@1: 50. Too many digits in octal number: 00000000002147483647"},
      {"\n02147483648", "57@2: 57. Value 02147483648 is out of range: [-2147483647...+2147483647] allowed"},
      {"#if 019 == 19 && 010 == 8\nyes\n#endif", "yes"},
      // Conditions read decimal constants up to 2^64 - 1, keeping their bits; resource
      // statements stay at 2147483647.
      {"#if 4294967295UL == 0xFFFFFFFFUL\nyes\n#endif", "yes"},
      {"#if 18446744073709551615ULL == -1 && 18446744073709551615 + 2 == 1\nyes\n#endif", "yes"},
      {"#if 9223372036854775807 > 0 && 9223372036854775808 < 0\nyes\n#endif", "yes"},
      {"#define BIG 4294967296\n#if BIG / 2 == 2147483648\nyes\n#endif", "yes"},
      {"#if 18446744073709551616\n#endif",
       "57@1: 57. Value 18446744073709551616 is out of range: [-2147483647...+2147483647] allowed"},
      {"#if 123456789012345678901\n#endif", "55@1: 55. Too many digits in the number: 123456789012345678901"},
      {"4294967295", "57@1: 57. Value 4294967295 is out of range: [-2147483647...+2147483647] allowed"},
  };
  for (const auto& row : rows) EXPECT_EQ(Preprocess(row[0]), Located(row[1])) << row[0];
}

}  // namespace
}  // namespace tarvex::test
