// Includes of Windows SDK headers and C library headers that this machine lacks, served
// from the built-in tables instead of a file.
#pragma once

#include <string>

namespace tarvex {

struct TRCParser;

/// For an #include or RCINCLUDE of `name`: when `name` is a served SDK header (windows.h,
/// commctrl.h, afxres.h, ...), C library header (stdio.h, ...) or SDK script fragment
/// (common.ver, ntverp.h) and no file of that name is found where included files are
/// searched, the include is carried out here and true is returned; no file is opened. An
/// SDK header adds every SDK constant that is not defined yet, in the form UNICODE selects
/// where the two differ; afxres.h and atlres.h also the framework ids, which replace values
/// already defined; a C library header adds nothing; a script fragment becomes the current
/// file with its built-in text. False (nothing done) for every other name and whenever a
/// file is found: a file always wins.
bool IncludeServedHeader(TRCParser& parser, const std::string& name);

}  // namespace tarvex
