// The options of the three command lines, one row each. The usage texts, the manual
// pages and the shell completion are made from these rows, and every parser checks each
// option it takes against them, so an option missing here is refused as unknown.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

/// The command lines the program reads.
enum class TCommandLineMode { Native, Rc, Windres };

/// One option of one command line.
struct TOptionRow {
  TCommandLineMode line;
  /// Every spelling as the usage shows it, ", " between them: "-o, --output=<file>",
  /// "/fo <file>", "-I<dir>, -I <dir>". A name ends at "<", "[", "=" or a blank; what
  /// follows it is its value.
  std::string_view synopsis;
  /// What it does; "\n" starts a continuation line of the usage.
  std::string_view help;
  /// The values completion offers, blank between them ("x86 x64 arm64").
  std::string_view choices = {};
  /// What completion offers for a value without choices: file extensions, blank between
  /// them ("rc res"), "*" any file, "/" folders; empty: nothing.
  std::string_view files = {};
  /// Native -h, -c and -d: the mode letters printed in the four lines of the usage.
  bool leading = false;
};

/// The rows of `line`, in the order the usage lists them.
std::span<const TOptionRow> OptionRows(TCommandLineMode line);

/// The names a row's synopsis gives ("-o", "--output"), each once, in order.
std::vector<std::string> OptionNames(const TOptionRow& row);

/// True when a row's synopsis shows a value after any of its names; the names of a row
/// share it ("-i, --input=<file>": -i takes a file too).
bool TakesValue(const TOptionRow& row);

/// True when `argument` spells a listed option of `line`: one of its names, or a name
/// with its value joined ("-Iinc", "--depfile=x.d", "/foout.res"). The rc-style line
/// compares letters ignoring case and takes "/" and "-" alike.
bool IsListedOption(TCommandLineMode line, std::string_view argument);

/// The text --help (or /?) prints for `line`.
std::string UsageText(TCommandLineMode line);

/// The native line's four-line usage: the syntax and the leading mode letters.
std::string ShortUsageText();

}  // namespace tarvex
