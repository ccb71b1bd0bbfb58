// Diagnostics: every failure of a compilation leaves as a TCompileError carrying the
// exact text the driver prints. Numbered diagnostics also record their number, file
// and line in the parser.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tarvex {

struct TRCParser;

/// `text` made safe to print on a terminal and as one line: bytes below 0x20, 0x7F,
/// the C1 control characters (U+0080 to U+009F) and bytes that are not part of valid
/// UTF-8 are written as \xNN (two upper-case hexadecimal digits, one escape per byte).
/// Every other byte is kept, so printable UTF-8 text reads as it was written. The result
/// holds no byte that needs escaping, so escaping it again changes nothing.
std::string SafeText(std::string_view text);

/// The one exception type of a compilation; what() is the full printed text, made safe
/// by SafeText: a script's or a file name's bytes never reach a terminal raw.
class TCompileError : public std::runtime_error {
 public:
  explicit TCompileError(std::string_view text) : std::runtime_error(SafeText(text)) {}
};

/// A failure raised by code that knows no place in the script (RaiseFailure). While a
/// script is being read, the compilation gives it the file and line it happened at.
class TUnplacedFailure : public TCompileError {
 public:
  using TCompileError::TCompileError;
};

/// One argument of a message: a text, a single character or an integer, kept as text.
struct TMessageArg {
  std::string text;
  TMessageArg(std::string_view s) : text(s) {}
  TMessageArg(const char* s) : text(s) {}
  TMessageArg(const std::string& s) : text(s) {}
  TMessageArg(char c) : text(1, c) {}
  TMessageArg(int v) : text(std::to_string(v)) {}
  TMessageArg(long v) : text(std::to_string(v)) {}
  TMessageArg(long long v) : text(std::to_string(v)) {}
  TMessageArg(unsigned v) : text(std::to_string(v)) {}
};

/// Fills the %s and %d placeholders of `format`, in order, from `args`. The arguments
/// are copied as they are: a percent sign inside them is never read as a placeholder.
std::string FillPlaceholders(std::string_view format, std::initializer_list<TMessageArg> args);

/// The text of message `number` (1..124) with its placeholders filled.
std::string FormatMessage(int number, std::initializer_list<TMessageArg> args = {});

/// Records diagnostic `number` in the parser (number, file, line of the current file)
/// and throws "File <name>. Line <n> : <message>"; without a current file, the message
/// alone with line 0.
[[noreturn]] void ReportError(TRCParser& parser, int number, std::initializer_list<TMessageArg> args = {});

/// Throws a TUnplacedFailure: a failure that is not a numbered diagnostic, raised where
/// no parser is at hand (the parser's error number and line stay as they are).
[[noreturn]] void RaiseFailure(std::string text);

/// Throws "File <name>. Line <n> : <text>" for a failure of the script that the numbered
/// catalogue has no message for, recording the current file and line in the parser (the
/// error number stays as it is); without a current file, the text alone.
[[noreturn]] void ReportLocatedFailure(TRCParser& parser, std::string_view text);

}  // namespace tarvex
