// #pragma lines: code_page(N) selects the character set of the script's string text;
// every other pragma has no effect.
#pragma once

namespace tarvex {

struct TRCParser;

/// Reads the rest of a #pragma line. `code_page(N)` makes Windows code page N (a number,
/// 65001 for UTF-8) the character set of the string text that follows, for the rest of
/// the compilation and in included files too, until the next such pragma;
/// `code_page(DEFAULT)` returns to the character set in force at the start (the -c option's
/// code page, else the locale's). Inside a file read as UTF-16 the pragma has no effect.
/// Any other pragma is passed over. Raises a located failure for an unknown code page or
/// an operand that is no number nor DEFAULT.
void PragmaDirective(TRCParser& parser);

}  // namespace tarvex
