// The directive lines: #define, #undef, #include (and RCINCLUDE), #pragma, #line,
// #error, and the dispatch to the conditional directives.
#pragma once

#include <string>
#include <string_view>

#include "reader/parser.h"

namespace tarvex {

/// The next raw token (ScanToken), then name substitution, then number conversion:
/// numbers leave as decimal text with TokenFlag Number, LongNumber or NotNumber.
std::string NextToken(TRCParser& parser);

/// NextToken with every directive line met carried out and the tokens of C headers and
/// C sources (".H", ".C") discarded.
/// The empty token at the end of input.
std::string NextSignificantToken(TRCParser& parser);

/// Carries out the directive whose "#" was just read. Raises 53, 20, 25 and the
/// messages of the directive it carries out.
void CarryOutDirective(TRCParser& parser);

/// After a "#": skips blanks and tabs, requires a lower-case letter and returns "#" and
/// the directive name, read raw. Raises 53.
std::string ReadDirectiveName(TRCParser& parser);

/// #define NAME [value]: stores the rest of the line, comments dropped, as the value;
/// without a value NAME is defined as nothing. Raises 54, 56.
void DefineDirective(TRCParser& parser);

/// #undef NAME: removes NAME from the defines. Raises 120, 121, 122.
void UndefDirective(TRCParser& parser);

/// #include and RCINCLUDE: reads a file name in one of its three forms ("name", <name>,
/// bare) and opens that file as the current file; a Windows SDK or C library header that
/// is found nowhere is served built in instead (IncludeServedHeader) and opens no file.
/// A quoted name keeps its backslashes, which separate folders, and is looked for first
/// in the folder of the including file; the other forms first in the working directory.
/// Raises 68, 11, 10, 72, 58.
void IncludeFile(TRCParser& parser);

/// #include: IncludeFile, then a Pascal unit or include file (".PAS", ".INC") is read
/// for its constants at once (RCINCLUDE never does this).
void IncludeSourceOrUnit(TRCParser& parser);

/// Passes over the rest of a #line line.
void SkipDirectiveLine(TRCParser& parser);

/// The rest of the directive line with continuations kept as written, trimmed.
std::string ReadDirectiveText(TRCParser& parser);

}  // namespace tarvex
