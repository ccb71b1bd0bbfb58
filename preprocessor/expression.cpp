// Expressions are read in two stages. Reading collects a flat list of operands and the
// binary operators between them; unary operators and parenthesised parts are evaluated
// while reading, so every operand is already a value. Reduction then applies the binary
// operators one operator at a time, in nineteen passes: all "*" first, then all "/", all
// "%", and so on, each pass from left to right. Operators that C puts on one level of
// precedence therefore have levels of their own here: 10 - 2 + 3 is 5.
//
// In script text an expression runs on across lines until a token that is not an
// operator follows an operand, and directive lines met between its tokens are carried out
// as everywhere else. The condition of #if and #elif ends at the end of its line.
#include "preprocessor/expression.h"

#include <charconv>

#include "preprocessor/conditionals.h"
#include "preprocessor/directive_line.h"
#include "preprocessor/directives.h"
#include "preprocessor/substitution.h"
#include "reader/char_class.h"
#include "reader/diagnostics.h"
#include "reader/lexer.h"
#include "reader/numbers.h"
#include "reader/parser.h"

namespace tarvex {

namespace {

// Parentheses and unary operators nested deeper than this stop the compilation, so that
// no script can exhaust the stack.
constexpr int kNestingLimit = 256;

bool EqualsIgnoringCase(std::string_view token, std::string_view word) { return UpperCase(token) == word; }

bool IsName(std::string_view token) { return !token.empty() && IsWordStart(static_cast<unsigned char>(token[0])); }

bool IsUnaryOperator(std::string_view token) { return token == "!" || token == "+" || token == "-" || token == "~"; }

bool BeginsBinaryOperator(char c) { return std::string_view("!%&*+-/<=>^|").find(c) != std::string_view::npos; }

// Reads the tokens of one expression, from the script or from one condition line.
class TExpressionReader {
 public:
  // An empty `directive` reads script text; "#if" or "#elif" reads that condition.
  TExpressionReader(TRCParser& parser, std::string_view directive) : parser_(parser), directive_(directive) {}

  std::string ReadToken();
  // expression := operand {binary-operator operand}; level 1 ends with ")". The value of
  // the first operand is left in `firstOperand` when one is given.
  std::int64_t Evaluate(std::string token, int level, std::int64_t* firstOperand = nullptr);

 private:
  class TNesting {
   public:
    explicit TNesting(TExpressionReader& reader) : reader_(reader) {
      if (++reader_.depth_ > kNestingLimit)
        ReportError(reader_.parser_, 28, {"expression nested too deeply"});  // Expression evaluation error: %s
    }
    ~TNesting() { --reader_.depth_; }
    TNesting(const TNesting&) = delete;
    TNesting& operator=(const TNesting&) = delete;

   private:
    TExpressionReader& reader_;
  };

  bool InCondition() const { return !directive_.empty(); }
  bool IsNumber() const { return IsNumberToken(parser_); }
  std::string ReadRawTokenOnLine();
  std::int64_t ReadOperand(const std::string& token);
  std::int64_t NumberOperand(const std::string& token);
  std::int64_t ApplyUnary(char op);
  std::int64_t ReadParenthesised();
  std::int64_t ReadDefined(bool afterNot);
  TBinaryOperator ReadOperator(int level, std::string& token);
  TBinaryOperator BuildOperator(const std::string& op, std::string& operand);
  [[noreturn]] void ReportMissing(int messageAtLineEnd, std::string_view shown);

  TRCParser& parser_;
  std::string directive_;
  bool lineEnded_ = false;
  int depth_ = 0;
};

std::string TExpressionReader::ReadToken() {
  if (!InCondition()) return NextSignificantToken(parser_);
  for (;;) {
    std::string token = ReadRawTokenOnLine();
    if (IsName(token)) {
      bool lineEnded = false;
      token = SubstituteNamesOnLine(parser_, std::move(token), lineEnded);
      if (token.empty()) lineEnded_ = lineEnded;
      if (token == "\\") continue;
    }
    return ConvertNumber(parser_, token, TNumberSyntax::Condition);
  }
}

// A raw token of the condition line; continuation backslashes are passed over. Empty at
// the end of the line or of the input.
std::string TExpressionReader::ReadRawTokenOnLine() {
  for (;;) {
    if (lineEnded_) return {};
    TLineAhead ahead = LookAheadOnLine(parser_);
    if (ahead != TLineAhead::Token) {
      lineEnded_ = ahead == TLineAhead::LineEnd;
      return {};
    }
    std::string token = ScanToken(parser_);
    if (token != "\\") return token;
  }
}

// A token is missing: at the end of the input message 68; at the end of a condition's
// line the message that names what was expected instead.
void TExpressionReader::ReportMissing(int messageAtLineEnd, std::string_view shown) {
  if (!lineEnded_) ReportError(parser_, 68);  // Unexpected end of file
  ReportError(parser_, messageAtLineEnd, {shown});
}

std::int64_t TExpressionReader::Evaluate(std::string token, int level, std::int64_t* firstOperand) {
  std::vector<std::int64_t> operands;  // filled once an operator follows: a lone operand needs no lists
  std::vector<TBinaryOperator> operators;
  for (;;) {
    std::int64_t operand = ReadOperand(token);
    if (firstOperand != nullptr && operands.empty()) *firstOperand = operand;
    TBinaryOperator op = ReadOperator(level, token);
    if (op == TBinaryOperator::None && operands.empty()) return operand;
    operands.push_back(operand);
    operators.push_back(op);
    if (op == TBinaryOperator::None) break;
  }
  return ReduceOperators(parser_, operands, operators);
}

// The binary operator after an operand, with `token` set to the operand after it; None
// where the expression ends.
TBinaryOperator TExpressionReader::ReadOperator(int level, std::string& token) {
  if (level == 0 && !InCondition() && CommaAhead(parser_, false))
    return TBinaryOperator::None;  // the common end
  std::string op = ReadToken();
  if (op.empty()) {
    if (level == 1) ReportMissing(64, {});  // Expecting ")"
    return TBinaryOperator::None;
  }
  if (!IsNumber() && BeginsBinaryOperator(op[0])) return BuildOperator(op, token);
  if (op == ")") {
    if (level == 0) ReportError(parser_, 117);  // Unexpected ")" encountered
    return TBinaryOperator::None;
  }
  if (level == 1) ReportError(parser_, 64);  // Expecting ")"
  PushBackToken(parser_);
  return TBinaryOperator::None;
}

// operand := number | unary-operator operand | "(" expression ")" | defined-test
std::int64_t TExpressionReader::ReadOperand(const std::string& token) {
  if (token.empty()) ReportMissing(116, "end of line");  // Number expected but got %s in expression
  if (IsNumber()) return NumberOperand(token);
  if (IsUnaryOperator(token)) return ApplyUnary(token[0]);
  if (token == "(") return ReadParenthesised();
  if (token[0] >= '0' && token[0] <= '9') RaiseFailure("'" + token + "' is not a valid integer value");
  if (InCondition() && token == "defined") return ReadDefined(false);
  if (InCondition() && IsName(token)) return 0;  // a name nobody defined, as in C
  ReportError(parser_, 116, {token});            // Number expected but got %s in expression
}

// A converted number: its decimal text read as a 64-bit value.
std::int64_t TExpressionReader::NumberOperand(const std::string& token) {
  std::int64_t value = 0;
  auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
  if (error != std::errc() || end != token.data() + token.size())
    RaiseFailure("'" + token + "' is not a valid integer value");
  if (parser_.TokenFlag == TTokenKind::LongNumber) parser_.longValue = true;
  return value;
}

// unary := ("!" | "+" | "-" | "~") (number | "(" expression ")" | unary | defined-test)
std::int64_t TExpressionReader::ApplyUnary(char op) {
  TNesting nesting(*this);
  std::string token = ReadToken();
  if (token.empty()) ReportMissing(123, "end of line");  // Numerical value expected but got %s
  std::int64_t value = 0;
  if (IsNumber())
    value = NumberOperand(token);
  else if (token == "(")
    value = ReadParenthesised();
  else if (IsUnaryOperator(token))
    value = ApplyUnary(token[0]);
  else if (InCondition() && token == "defined")
    value = ReadDefined(op == '!');
  else if (InCondition() && IsName(token))
    value = 0;
  else
    ReportError(parser_, 123, {token});  // Numerical value expected but got %s
  auto bits = static_cast<std::uint64_t>(value);
  switch (op) {
    case '!':
      return value == 0 ? 1 : 0;
    case '-':
      return static_cast<std::int64_t>(0 - bits);
    case '~':
      return static_cast<std::int64_t>(~bits);
    default:
      return value;
  }
}

// After "(": a NOT right after the parenthesis is dropped.
std::int64_t TExpressionReader::ReadParenthesised() {
  TNesting nesting(*this);
  std::string token = ReadToken();
  if (!token.empty() && EqualsIgnoringCase(token, "NOT")) token = ReadToken();
  if (token.empty()) ReportMissing(116, "end of line");  // Number expected but got %s in expression
  return Evaluate(std::move(token), 1);
}

// defined-test := "defined" (NAME | "(" NAME ")"), the name read raw: 1 when defined.
std::int64_t TExpressionReader::ReadDefined(bool afterNot) {
  std::string token = ReadRawTokenOnLine();
  if (token == "(") {
    std::string name = ReadRawTokenOnLine();
    if (name.empty() || parser_.TokenFlag != TTokenKind::Word) {
      if (afterNot) ReportError(parser_, 70, {directive_});  // Expecting identifier in parentheses after %s !defined
      ReportError(parser_, 67, {directive_});                // Expecting identifier in parentheses after %s defined
    }
    if (ReadRawTokenOnLine() != ")") ReportError(parser_, 64);  // Expecting ")"
    return IsDefinedName(parser_, name) ? 1 : 0;
  }
  if (token.empty() || parser_.TokenFlag != TTokenKind::Word) {
    if (afterNot) ReportError(parser_, 69, {directive_});  // Expecting identifier after %s !defined
    ReportError(parser_, 66, {directive_});                // Expecting identifier after %s defined
  }
  return IsDefinedName(parser_, token) ? 1 : 0;
}

// Operators are assembled from single-character tokens, blanks allowed between them.
// `op` is the first token; `operand` receives the token of the operand that follows.
TBinaryOperator TExpressionReader::BuildOperator(const std::string& op, std::string& operand) {
  auto choose = [&](char second, TBinaryOperator withSecond, char alternative, TBinaryOperator withAlternative,
                    TBinaryOperator alone) {
    std::string next = ReadToken();
    if (!next.empty() && (next[0] == second || next[0] == alternative)) {
      operand = ReadToken();
      return next[0] == second ? withSecond : withAlternative;
    }
    operand = std::move(next);
    return alone;
  };
  switch (op[0]) {
    case '<':
      return choose('<', TBinaryOperator::ShiftLeft, '=', TBinaryOperator::LessEqual, TBinaryOperator::Less);
    case '>':
      return choose('>', TBinaryOperator::ShiftRight, '=', TBinaryOperator::GreaterEqual, TBinaryOperator::Greater);
    case '&':
      return choose('&', TBinaryOperator::LogicalAnd, '&', TBinaryOperator::LogicalAnd, TBinaryOperator::BitAnd);
    case '=':
    case '!': {
      std::string next = ReadToken();
      if (next.empty()) ReportMissing(61, op);                    // Invalid binary operation %s
      if (next[0] != '=') ReportError(parser_, 61, {op + next});  // Invalid binary operation %s
      operand = ReadToken();
      return op[0] == '=' ? TBinaryOperator::Equal : TBinaryOperator::NotEqual;
    }
    case '|': {
      std::string next = ReadToken();
      bool isNot = !next.empty() && EqualsIgnoringCase(next, "NOT");
      if (next == "|" || isNot) {
        operand = ReadToken();
        return isNot ? TBinaryOperator::OrNot : TBinaryOperator::LogicalOr;
      }
      operand = std::move(next);
      return TBinaryOperator::BitOr;
    }
    default:
      break;
  }
  operand = ReadToken();
  switch (op[0]) {
    case '*':
      return TBinaryOperator::Multiply;
    case '/':
      return TBinaryOperator::Divide;
    case '%':
      return TBinaryOperator::Remainder;
    case '+':
      return TBinaryOperator::Add;
    case '-':
      return TBinaryOperator::Subtract;
    default:
      return TBinaryOperator::BitXor;
  }
}

// Shifts by 0 to 63 bits move the bits; any other count, negative ones and counts of
// 64 and more alike, shifts every bit out and yields 0.
bool ShiftsEverythingOut(std::int64_t count) { return count < 0 || count > 63; }

std::int64_t ApplyOperator(TRCParser& parser, TBinaryOperator op, std::int64_t left, std::int64_t right) {
  auto l = static_cast<std::uint64_t>(left);
  auto r = static_cast<std::uint64_t>(right);
  switch (op) {
    case TBinaryOperator::Multiply:
      return static_cast<std::int64_t>(l * r);
    case TBinaryOperator::Divide:
      if (right == 0) ReportError(parser, 71);  // Division by zero
      return right == -1 ? static_cast<std::int64_t>(0 - l) : left / right;
    case TBinaryOperator::Remainder:
      if (right == 0) ReportError(parser, 71);  // Division by zero
      return right == -1 ? 0 : left % right;
    case TBinaryOperator::ShiftLeft:
      return ShiftsEverythingOut(right) ? 0 : static_cast<std::int64_t>(l << right);
    case TBinaryOperator::ShiftRight:
      return ShiftsEverythingOut(right) ? 0 : static_cast<std::int64_t>(l >> right);
    case TBinaryOperator::Add:
      return static_cast<std::int64_t>(l + r);
    case TBinaryOperator::Subtract:
      return static_cast<std::int64_t>(l - r);
    case TBinaryOperator::Less:
      return left < right;
    case TBinaryOperator::LessEqual:
      return left <= right;
    case TBinaryOperator::GreaterEqual:
      return left >= right;
    case TBinaryOperator::Greater:
      return left > right;
    case TBinaryOperator::Equal:
      return left == right;
    case TBinaryOperator::NotEqual:
      return left != right;
    case TBinaryOperator::BitAnd:
      return left & right;
    case TBinaryOperator::BitXor:
      return left ^ right;
    case TBinaryOperator::OrNot:
      parser.removedBits |= right;
      return left & ~right;
    case TBinaryOperator::BitOr:
      return left | right;
    case TBinaryOperator::LogicalAnd:
      return left != 0 && right != 0;
    case TBinaryOperator::LogicalOr:
      return left != 0 || right != 0;
    case TBinaryOperator::None:
      break;
  }
  return left;
}

// One pass: every slot holding `op`, leftmost first, combines its operand with the next
// one; the result keeps the slot of the right operand.
void ReducePass(TRCParser& parser, TBinaryOperator op, std::vector<std::int64_t>& operands,
                std::vector<TBinaryOperator>& operators) {
  std::size_t kept = 1;
  for (std::size_t i = 1; i < operands.size(); ++i) {
    if (operators[kept - 1] == op) {
      operands[kept - 1] = ApplyOperator(parser, op, operands[kept - 1], operands[i]);
      operators[kept - 1] = operators[i];
    } else {
      operands[kept] = operands[i];
      operators[kept] = operators[i];
      ++kept;
    }
  }
  operands.resize(kept);
  operators.resize(kept);
}

bool NeedsLongValue(std::int64_t value) { return value > 32767 || value < -32767; }

// A number in decimal text as ConvertNumber writes it: digits without a leading zero,
// or "0"; false for any other text.
bool ReadPlainDecimal(std::string_view text, std::int64_t& value) {
  if (text.empty() || text.size() > 18 || (text[0] == '0' && text.size() > 1)) return false;
  value = 0;
  for (char c : text) {
    if (!IsDigit(c)) return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

}  // namespace

std::int64_t ReduceOperators(TRCParser& parser, std::vector<std::int64_t>& operands,
                             std::vector<TBinaryOperator>& operators) {
  if (operands.empty()) return 0;
  if (operands.size() == 1) return operands.front();  // a lone number: nothing to reduce
  try {
    for (auto pass = static_cast<int>(TBinaryOperator::Multiply); pass <= static_cast<int>(TBinaryOperator::LogicalOr);
         ++pass)
      ReducePass(parser, static_cast<TBinaryOperator>(pass), operands, operators);
  } catch (const TCompileError& inner) {
    ReportError(parser, 28, {inner.what()});  // Expression evaluation error: %s
  }
  return operands.front();
}

std::string EvaluateExpression(TRCParser& parser, std::string_view firstToken) {
  parser.removedBits = 0;
  // The commonest expression, a lone number before a comma
  if (std::int64_t value = 0; IsNumberToken(parser) && ReadPlainDecimal(firstToken, value)) {
    if (parser.TokenFlag == TTokenKind::LongNumber) parser.longValue = true;
    if (CommaAhead(parser, false)) {
      if (NeedsLongValue(value)) parser.longValue = true;
      return std::string(firstToken);
    }
  }
  TExpressionReader reader(parser, {});
  std::int64_t value = reader.Evaluate(std::string(firstToken), 0);
  if (NeedsLongValue(value)) parser.longValue = true;
  return std::to_string(value);
}

std::string EvaluateNotExpression(TRCParser& parser) {
  parser.removedBits = 0;
  TExpressionReader reader(parser, {});
  std::int64_t removed = 0;
  std::int64_t value = reader.Evaluate("+", 0, &removed);
  parser.removedBits |= removed;
  if (NeedsLongValue(value)) parser.longValue = true;
  return std::to_string(value);
}

bool EvaluateCondition(TRCParser& parser, std::string_view directive) {
  bool longValue = parser.longValue;
  std::int64_t removedBits = parser.removedBits;
  TExpressionReader reader(parser, directive);
  std::string first = reader.ReadToken();
  bool holds = reader.Evaluate(std::move(first), 0) != 0;
  parser.longValue = longValue;
  parser.removedBits = removedBits;
  return holds;
}

}  // namespace tarvex
