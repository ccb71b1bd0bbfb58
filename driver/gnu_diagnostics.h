// Failures in the form compilers print and editors read:
//   file:line:column: error: <message> [RC<number>]
// then the source line and a caret under the column, then the notes; a failure with no
// place in a script reads "tarvex: error: <message>".
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string_view>
#include <vector>

#include "reader/source_place.h"
#include "reader/warnings.h"

namespace tarvex {

/// Prints a failed compilation; `number` is the catalogue number, 0 for a failure that
/// has none (the " [RC<number>]" is then left out).
void PrintGnuFailure(std::ostream& err, const TDiagnosticDetail& detail, std::int32_t number);

/// Prints a warning: "file:line:column: warning: <message> [-W<name>]", the source line,
/// the caret and the notes; under -Werror "error: ... [-Werror=<name>]".
void PrintGnuWarning(std::ostream& err, const TWarning& warning, bool asError);

/// The most warnings one compilation prints; the rest are counted.
constexpr std::size_t kMostPrintedWarnings = 100;

/// Calls `print` for each warning the options enable, at most kMostPrintedWarnings of
/// them, as TWarningList::ForEach tells it, and returns how many more there were.
std::size_t PrintEnabledWarnings(const TWarningList& warnings, const TWarningOptions& options,
                                 const std::function<void(TWarningKind, const TWarning*, std::size_t)>& print);

/// "N more warnings not shown" (or "1 more warning ...").
std::string MoreWarningsText(std::size_t rest);

/// Prints the warnings of `warnings` that `options` enables (PrintGnuWarning), at most
/// kMostPrintedWarnings, then "tarvex: note: N more warnings not shown" for the rest.
void PrintGnuWarnings(std::ostream& err, TWarningList& warnings, const TWarningOptions& options);

/// Prints "tarvex: error: <text>" for a failure with no place in a script.
void PrintGnuError(std::ostream& err, std::string_view text);

}  // namespace tarvex
