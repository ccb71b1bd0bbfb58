#include "preprocessor/expression.h"

#include <gtest/gtest.h>

#include "preprocessor/token_test_support.h"

namespace tarvex::test {
namespace {

// The value of a one-expression script with the size class it leaves: "value/class".
std::string ValueAndClass(const std::string& script) {
  TScriptReader reader(script);
  std::string value = reader.Next();
  return value + (reader.parser.longValue ? "/l" : "/i");
}

TEST(ExpressionTest, EachOperatorHasALevelOfItsOwn) {
  EXPECT_EQ(Preprocess("10 - 2 + 3"), "5");
  EXPECT_EQ(Preprocess("8 / 2 * 2"), "2");
  EXPECT_EQ(Preprocess("10 - 2 - 3"), "5");
  EXPECT_EQ(Preprocess("2 * 3 + 4 * 5"), "26");
  EXPECT_EQ(Preprocess("1 << 2 + 1"), "5");
  EXPECT_EQ(Preprocess("7 % 4 / 2"), "1");   // 4 / 2 first
  EXPECT_EQ(Preprocess("3 <= 2 < 1"), "0");  // 2 < 1 first
  EXPECT_EQ(Preprocess("3 & 1 && 0"), "0");
  EXPECT_EQ(Preprocess("1 | 2 || 0"), "1");
  EXPECT_EQ(Preprocess("1 && 2, 0 || 0"), "1 , 0");
  EXPECT_EQ(Preprocess("6 ^ 3 | 8, 5 != 4 == 1, 2 >= 2 > 0"), "13 , 1 , 1");
}

TEST(ExpressionTest, DivisionRemainderAndWrapping) {
  EXPECT_EQ(Preprocess("7 / -2, -7 % 2, 7 % -2"), "-3 , -1 , 1");
  EXPECT_EQ(Preprocess("2147483647 + 1"), "2147483648");
  EXPECT_EQ(Preprocess("0xFFFFFFFF * 0xFFFFFFFF * 0xFFFFFFFF"), "12884901887");
  EXPECT_EQ(Preprocess("-(1 << 63) / -1, (1 << 63) % -1"), "-9223372036854775808 , 0");
}

TEST(ExpressionTest, ShiftCounts) {
  // 0 to 63 shift; every other count, negative ones included, shifts every bit out.
  EXPECT_EQ(Preprocess("1 << 63, -1 >> 60, -1 >> 0"), "-9223372036854775808 , 15 , -1");
  EXPECT_EQ(Preprocess("1 << 64, 1 << 127, -1 >> 64, 1 << 128, 1 << -1, -1 >> -1"), "0 , 0 , 0 , 0 , 0 , 0");
}

TEST(ExpressionTest, UnaryOperators) {
  EXPECT_EQ(Preprocess("-(2 + 3), !5, !0, ~0, - - 5, -2 + 3, + 4"), "-5 , 0 , 1 , -1 , 5 , 1 , 4");
  EXPECT_EQ(Preprocess("-~!(0), !-~+1"), "2 , 0");
  EXPECT_EQ(Preprocess("( NOT 3 ) , -( not 4)"), "3 , -4");
}

TEST(ExpressionTest, OperatorsAssembledFromSeparateTokens) {
  EXPECT_EQ(Preprocess("1 < < 3, 16 > > 2, 3 < = 3, 4 > = 5, 2 = = 2, 2 ! = 2, 1 & & 1, 0 | | 1"),
            "8 , 4 , 1 , 0 , 1 , 0 , 1 , 1");
  EXPECT_EQ(Preprocess("1 +\n 2\n * 3"), "7");
}

TEST(ExpressionTest, ValueSizeClass) {
  EXPECT_EQ(ValueAndClass("32767"), "32767/i");
  EXPECT_EQ(ValueAndClass("-32767"), "-32767/i");
  EXPECT_EQ(ValueAndClass("32768"), "32768/l");
  EXPECT_EQ(ValueAndClass("16384 * 2"), "32768/l");
  EXPECT_EQ(ValueAndClass("1L"), "1/l");
  EXPECT_EQ(ValueAndClass("0x10000 - 0xFFFF"), "1/l");
  EXPECT_EQ(ValueAndClass("-WS_POPUP"), "-2147483648/l");
  EXPECT_EQ(ValueAndClass("(1 + 1L)"), "2/l");
  EXPECT_EQ(ValueAndClass("NOT 5"), "5/i");
}

TEST(ExpressionTest, OrNotRemovesBits) {
  TScriptReader reader("WS_CHILD | NOT WS_VISIBLE | WS_BORDER, WS_CHILD | not (WS_BORDER | 1), 5");
  EXPECT_EQ(reader.Next(), std::to_string(0x40000000 | 0x800000));
  EXPECT_EQ(reader.parser.removedBits, 0x10000000);
  EXPECT_EQ(reader.Next(), ",");
  EXPECT_EQ(reader.Next(), std::to_string(0x40000000));
  EXPECT_EQ(reader.parser.removedBits, 0x800001);
  reader.Next();
  EXPECT_EQ(reader.Next(), "5");
  EXPECT_EQ(reader.parser.removedBits, 0);
}

TEST(ExpressionTest, LeadingNotKeepsItsValueAndRemovesItsOperand) {
  TScriptReader reader("NOT WS_VISIBLE | SS_BLACKFRAME, NOT 4, not (WS_GROUP | WS_TABSTOP) |NOT 1");
  EXPECT_EQ(reader.Next(), std::to_string(0x10000007));
  EXPECT_EQ(reader.parser.removedBits, 0x10000000);
  reader.Next();
  EXPECT_EQ(reader.Next(), "4");
  EXPECT_EQ(reader.parser.removedBits, 4);
  reader.Next();
  EXPECT_EQ(reader.Next(), std::to_string(0x30000));
  EXPECT_EQ(reader.parser.removedBits, 0x30001);
}

TEST(ExpressionTest, ExpressionEndsBeforeTheFirstTokenThatIsNoOperator) {
  EXPECT_EQ(Preprocess("1 + 2, 3 X 4 \"s\" 5 {"), "3 , 3 X 4 \"s\" 5 {");
  EXPECT_EQ(Preprocess("#define TEN 10\nTEN * TEN TEN"), "100 10");
}

TEST(ReduceOperatorsTest, PassesRunLeftToRightPerOperator) {
  TRCParser parser;
  std::vector<std::int64_t> operands = {1, 2, 3, 4, 5};
  std::vector<TBinaryOperator> operators = {TBinaryOperator::Subtract, TBinaryOperator::Add, TBinaryOperator::Subtract,
                                            TBinaryOperator::OrNot, TBinaryOperator::None};
  // 1 - 2 + 3 - 4 |NOT 5: the "+" pass, then "-" from the left, then "|NOT".
  EXPECT_EQ(ReduceOperators(parser, operands, operators), (1 - 5 - 4) & ~5);
  EXPECT_EQ(parser.removedBits, 5);
}

}  // namespace
}  // namespace tarvex::test
