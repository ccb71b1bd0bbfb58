#include "reader/numbers.h"

#include <cstdint>
#include <optional>
#include <span>

#include "reader/char_class.h"
#include "reader/diagnostics.h"
#include "reader/parser.h"

namespace tarvex {

namespace {

// A number's decimal text and the token kind it earns; none leaves TokenFlag as it is.
struct TConversion {
  std::string text;
  std::optional<TTokenKind> kind;
};

TConversion Converted(std::int64_t value, bool suffix) {
  return {std::to_string(value), suffix || value > 32767 ? TTokenKind::LongNumber : TTokenKind::Number};
}

TConversion NotANumber(std::string_view text) { return {std::string(text), TTokenKind::NotNumber}; }

bool EndsWithIgnoringCase(std::string_view text, std::string_view lowerSuffix) {
  if (text.size() < lowerSuffix.size()) return false;
  std::string_view end = text.substr(text.size() - lowerSuffix.size());
  for (std::size_t i = 0; i < end.size(); ++i)
    if ((end[i] >= 'A' && end[i] <= 'Z' ? end[i] | 0x20 : end[i]) != lowerSuffix[i]) return false;
  return true;
}

// Removes the size suffix the syntax allows; true when there was one. A script number
// takes one trailing L or U; a condition takes C's suffixes, the longest that matches.
bool StripSizeSuffix(std::string_view& text, TNumberSyntax syntax) {
  static constexpr std::string_view kScriptSuffixes[] = {"l", "u"};
  static constexpr std::string_view kConditionSuffixes[] = {"ull", "llu", "i64", "ul", "lu", "ll", "u", "l"};
  std::span<const std::string_view> suffixes = kScriptSuffixes;
  if (syntax == TNumberSyntax::Condition) suffixes = kConditionSuffixes;
  for (std::string_view suffix : suffixes) {
    if (text.size() > suffix.size() && EndsWithIgnoringCase(text, suffix)) {
      text.remove_suffix(suffix.size());
      return true;
    }
  }
  return false;
}

bool AllOf(std::string_view text, bool (*belongs)(unsigned char)) {
  for (char c : text)
    if (!belongs(static_cast<unsigned char>(c))) return false;
  return true;
}

// The value of a run of decimal digits (leading zeros allowed). A script number goes up
// to 2147483647. A condition of #if follows C: a constant that does not fit a signed
// 64-bit integer is unsigned, and its bits are kept (18446744073709551615 is all ones,
// which the evaluator's signed arithmetic reads as -1).
TConversion DecimalValue(TRCParser& parser, std::string_view digits, bool suffix, TNumberSyntax syntax) {
  std::uint64_t value = 0;
  bool fits = true;
  for (char c : digits) {
    auto digit = static_cast<std::uint64_t>(c - '0');
    fits = fits && value <= (UINT64_MAX - digit) / 10;
    value = value * 10 + digit;
  }
  std::uint64_t limit = syntax == TNumberSyntax::Condition ? UINT64_MAX : 2147483647;
  if (!fits || value > limit)
    ReportError(parser, 57, {digits});  // Value %s is out of range: [-2147483647...+2147483647] allowed
  if (value > 2147483647) return {std::to_string(static_cast<std::int64_t>(value)), TTokenKind::LongNumber};
  return Converted(static_cast<std::int64_t>(value), suffix);
}

// number := digit1-9 {digit} [suffix]; at most 10 digits (20 in a condition).
TConversion ConvertDecimal(TRCParser& parser, std::string_view token, TNumberSyntax syntax) {
  std::string_view digits = token;
  bool suffix = StripSizeSuffix(digits, syntax);
  if (!AllOf(digits, IsDigit)) return NotANumber(digits);
  if (digits.size() > (syntax == TNumberSyntax::Condition ? 20u : 10u))
    ReportError(parser, 55, {digits});  // Too many digits in the number: %s
  return DecimalValue(parser, digits, suffix, syntax);
}

// number := "0x" {hexdigit} [suffix]; at most 8 digits, read as unsigned.
TConversion ConvertHex(TRCParser& parser, std::string_view text, bool suffix) {
  std::string_view digits = text.substr(2);
  if (digits.empty()) return {"0", suffix ? std::nullopt : std::optional(TTokenKind::Number)};
  if (!AllOf(digits, IsHexDigit)) return NotANumber(text);
  if (text.size() > 10) ReportError(parser, 32, {text});  // Too many digits in hexadecimal number: %s
  std::int64_t value = 0;
  for (char c : digits) value = value * 16 + HexDigitValue(static_cast<unsigned char>(c));
  return Converted(value, suffix);
}

// number := "0" {digit} [suffix]. Octal digits wrap modulo 2^32 and are read as signed.
// A number that holds an 8 or a 9 is decimal, leading zeros and all, as scripts written
// for Windows' own compiler mean it (FILEVERSION 2026,08,02,09).
TConversion ConvertOctal(TRCParser& parser, std::string_view text, bool suffix, TNumberSyntax syntax) {
  std::string_view digits = text.substr(1);
  if (!AllOf(digits, IsDigit)) return NotANumber(text);
  if (text.size() > 18) ReportError(parser, 50, {text});  // Too many digits in octal number: %s
  if (!AllOf(digits, IsOctalDigit)) return DecimalValue(parser, text, suffix, syntax);
  std::uint32_t value = 0;
  for (char c : digits) value = value * 8u + static_cast<std::uint32_t>(c - '0');
  return Converted(static_cast<std::int32_t>(value), suffix);
}

TConversion ConvertZeroNumber(TRCParser& parser, std::string_view token, TNumberSyntax syntax) {
  std::string_view text = token;
  bool suffix = StripSizeSuffix(text, syntax);
  if (text == "0") return Converted(0, suffix);
  if (text[1] == 'x' || text[1] == 'X') return ConvertHex(parser, text, suffix);
  return ConvertOctal(parser, text, suffix, syntax);
}

// number := "$" hexdigit {hexdigit}, read as "0x" followed by the digits.
TConversion ConvertDollarNumber(TRCParser& parser, std::string_view token, TNumberSyntax syntax) {
  std::string_view digits = token.substr(1);
  if (digits.empty()) ReportError(parser, 31);  // $ sign shall be followed by hexadecimal digits without blanks
  TConversion result = ConvertZeroNumber(parser, "0x" + std::string(digits), syntax);
  if (result.kind == TTokenKind::NotNumber) ReportError(parser, 60, {token});  // Bad hexadecimal value: %s
  return result;
}

}  // namespace

bool BeginsNumber(std::string_view token) {
  return !token.empty() && (token[0] == '$' || IsDigit(static_cast<unsigned char>(token[0])));
}

// A decimal number of up to 9 digits without a leading zero or a suffix is its own
// decimal text, and needs no check.
std::string ConvertNumber(TRCParser& parser, std::string_view token, TNumberSyntax syntax) {
  if (!token.empty() && token.size() <= 9 && token[0] != '0') {
    std::int64_t value = 0;
    std::size_t i = 0;
    for (; i < token.size() && IsDigit(token[i]); ++i) value = value * 10 + (token[i] - '0');
    if (i == token.size()) {
      parser.TokenFlag = value > 32767 ? TTokenKind::LongNumber : TTokenKind::Number;
      return std::string(token);
    }
  }
  if (!BeginsNumber(token)) return std::string(token);
  TConversion result = token[0] == '$'   ? ConvertDollarNumber(parser, token, syntax)
                       : token[0] == '0' ? ConvertZeroNumber(parser, token, syntax)
                                         : ConvertDecimal(parser, token, syntax);
  if (result.kind) parser.TokenFlag = *result.kind;
  return std::move(result.text);
}

}  // namespace tarvex
