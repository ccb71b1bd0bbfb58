// Macros with parameters: "#define NAME(a, b) body", called as NAME(x, y).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "reader/name_value.h"

namespace tarvex {

struct TRCParser;
struct TFileItem;

/// Whether the byte right after the name just read by #define is "(": the definition
/// has parameters. A blank before "(" makes the parenthesis part of an ordinary value.
bool FollowsParameterList(const TRCParser& parser);

/// Stores the macro `name` from `definition`, the rest of its #define line:
/// "(" [parameter {"," parameter}] ["," "..."] ")" body. Fails with a located error
/// when the parameter list is malformed.
void DefineMacro(TRCParser& parser, const std::string& name, std::string_view definition);

/// Called for a name that is a macro with parameters, just read from the current file.
/// When "(" follows (blanks, comments and line breaks may stand between; on a condition
/// line, `onLine`, only on that line) and the macro is not being expanded already at
/// that place, reads the arguments up to the matching ")", writes the expansion into the
/// file's text at the read position (read next, names in it substituted again) and
/// returns true. Otherwise nothing is read and false comes back. Each expansion counts
/// as one step of `chain`. Raises 65 (chain, work budget or nesting of arguments) and
/// located errors for a wrong number of arguments and a missing ")".
bool ExpandMacroCall(TRCParser& parser, const std::string& name, bool onLine, int& chain);

/// Whether a token (anything but blanks and comments) is left in `file`'s own text.
bool TokenAheadInFile(const TFileItem& file);

}  // namespace tarvex
