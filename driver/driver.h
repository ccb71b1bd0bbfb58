// The command-line driver: picks the mode, resolves names, runs one compilation per
// script and prints the progress and summary lines.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace tarvex {

/// What one compilation left: empty text on success.
struct TCompileResult {
  std::string errorText;
  std::int32_t errorNumber = 0;
  std::int32_t errorLine = 0;
};

/// Compiles one script with a fresh parser object.
TCompileResult CompileScript(const std::string& inputName, const std::string& outputName);

/// One run of the program over `args` (the arguments after the command name), printing
/// to `out`. Returns the exit status: 0 after "Compiled successful." or the usage text,
/// 1 when the run ends with an error line.
int RunDriver(const std::vector<std::string>& args, std::ostream& out);

}  // namespace tarvex
