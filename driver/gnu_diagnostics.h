// Failures in the form compilers print and editors read:
//   file:line:column: error: <message> [RC<number>]
// then the source line and a caret under the column, then the notes; a failure with no
// place in a script reads "tarvex: error: <message>".
#pragma once

#include <cstdint>
#include <ostream>
#include <string_view>

#include "reader/source_place.h"

namespace tarvex {

/// Prints a failed compilation; `number` is the catalogue number, 0 for a failure that
/// has none (the " [RC<number>]" is then left out).
void PrintGnuFailure(std::ostream& err, const TDiagnosticDetail& detail, std::int32_t number);

/// Prints "tarvex: error: <text>" for a failure with no place in a script.
void PrintGnuError(std::ostream& err, std::string_view text);

}  // namespace tarvex
