// The statement loop: reads resource statements until the end of input.
#pragma once

namespace tarvex {

struct TRCParser;

/// Reads and compiles every statement of the current script, then writes the
/// collected string tables.
void CompileStatements(TRCParser& parser);

}  // namespace tarvex
