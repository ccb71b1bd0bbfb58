// The program's entry: picks the command line by the name the program was called by or
// by --mode=, then runs it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "driver/option_table.h"

namespace tarvex {

/// The mode of a program called as `programPath`: base name "rc" or ending in "-rc" reads
/// the rc-style line, a base name ending in "windres" the windres-style line, any other
/// the native line.
TCommandLineMode ModeOfProgramName(const std::string& programPath);

/// Whether a program called as `programPath` is the language server: a base name ending
/// in "-lsp" (tarvex-lsp), which runs as tarvex --lsp with its arguments.
bool IsLanguageServerName(const std::string& programPath);

/// Runs the program called as `programPath` with `args`. A first argument --mode=rc,
/// --mode=windres or --mode=native chooses the command line whatever the name. Returns
/// the exit status.
int RunProgram(const std::string& programPath, std::vector<std::string> args, std::ostream& out, std::ostream& err);

}  // namespace tarvex
