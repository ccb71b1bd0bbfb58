// Integer expressions: wherever the script expects a number, and in the conditions of
// #if and #elif.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

struct TRCParser;

/// Binary operators, in the order of the reduction passes: every "*" of an expression
/// is applied before any "/", every "/" before any "%", and so on.
enum class TBinaryOperator : std::uint8_t {
  None,
  Multiply,
  Divide,
  Remainder,
  ShiftLeft,
  ShiftRight,
  Add,
  Subtract,
  Less,
  LessEqual,
  GreaterEqual,
  Greater,
  Equal,
  NotEqual,
  BitAnd,
  BitXor,
  OrNot,
  BitOr,
  LogicalAnd,
  LogicalOr,
};

/// Reads the expression that begins with `firstToken` (the token just read by the
/// preprocessor) from the script, carrying out directive lines met between its tokens,
/// and returns its value as decimal text. Resets the removed bits, and sets the value
/// size class to 'l' when a long number took part or the value needs more than 16 bits
/// (the caller sets it to 'i' first). The token that ends the expression is pushed back.
/// Raises 28 (wrapping 71), 61, 64, 68, 116, 117, 123, and fails with "'%s' is not a
/// valid integer value" for a malformed number operand.
std::string EvaluateExpression(TRCParser& parser, std::string_view firstToken);

/// The expression after a leading NOT (the word NOT just read): read as if a unary plus
/// preceded its first operand, so "NOT 4" is 4, and that operand's value also goes into
/// the removed bits, as the operand of "|NOT" does: "NOT WS_GROUP" takes a default style
/// bit away. Otherwise as EvaluateExpression.
std::string EvaluateNotExpression(TRCParser& parser);

/// Reads the condition of `directive` ("#if" or "#elif") up to the end of its line and
/// returns whether it holds. `defined NAME` and `defined(NAME)` are operands (1 or 0), a
/// name that stays a name after substitution counts as 0, and numbers take C's size
/// suffixes (0xffffffffUL, 1i64). Leaves the value size class
/// and the removed bits as they were. Raises the messages of EvaluateExpression and 64,
/// 66, 67, 69, 70.
bool EvaluateCondition(TRCParser& parser, std::string_view directive);

/// Applies the operators of `operators` (slot k follows operand k) to `operands` in
/// nineteen passes, one per operator, each from left to right, with 64-bit wrapping
/// arithmetic; "|NOT" also ORs its right operand into the removed bits. Division by zero
/// raises 71 wrapped in 28. Both lists are consumed.
std::int64_t ReduceOperators(TRCParser& parser, std::vector<std::int64_t>& operands,
                             std::vector<TBinaryOperator>& operators);

}  // namespace tarvex
