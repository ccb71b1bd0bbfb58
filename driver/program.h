// The program's entry: picks the command line by the name the program was called by or
// by --mode=, then runs it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tarvex {

/// The command lines the program reads.
enum class TCommandLineMode { Native, Rc, Windres, Lsp };

/// The mode of a program called as `programPath`: base name "rc" or ending in "-rc" reads
/// the rc-style line, a base name ending in "windres" the windres-style line, one ending
/// in "-lsp" the language server, any other the native line.
TCommandLineMode ModeOfProgramName(const std::string& programPath);

/// Runs the program called as `programPath` with `args`. A first argument --mode=rc,
/// --mode=windres or --mode=native chooses the command line whatever the name. Returns
/// the exit status.
int RunProgram(const std::string& programPath, std::vector<std::string> args, std::ostream& out, std::ostream& err);

}  // namespace tarvex
