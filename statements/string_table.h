// String tables: STRINGTABLE statements add numbered strings per language; the strings
// are written once, at the end of input, as blocks of 16.
#pragma once

namespace tarvex {

struct TRCParser;

/// Compiles the rest of one STRINGTABLE statement (after the keyword) into the parser's
/// string table entries. Raises 9, 12, 13, 14, and 86 for an identifier outside 0..65535.
void CompileStringTable(TRCParser& parser);

/// Appends every collected string as string-block resources (type 6), per language in
/// ascending order, each block carrying the attributes of its lowest string.
void WriteStringTables(TRCParser& parser);

}  // namespace tarvex
