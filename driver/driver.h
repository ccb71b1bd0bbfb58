// The command-line driver: picks the mode, resolves names, runs one compilation per
// script and prints the progress and summary lines.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "output/coff_writer.h"
#include "reader/parser.h"

namespace tarvex {

/// What one compilation left: empty text on success.
struct TCompileResult {
  std::string errorText;
  std::int32_t errorNumber = 0;
  std::int32_t errorLine = 0;
};

/// What the options of the command line ask of every compilation of a run.
struct TDriverOptions {
  TCompileOptions compile;  ///< include directories, names, code page
  std::string depfile;      ///< dependency file to write after a success; empty: none
  bool coff = false;        ///< write a COFF object instead of the .res
  std::string html;         ///< resource report to write after a success; empty: none
  bool list = false;        ///< list the resources of the input instead of compiling
  TMachine machine = TMachine::X86;
};

/// Compiles one script with a fresh parser object.
TCompileResult CompileScript(const std::string& inputName, const std::string& outputName,
                             const TDriverOptions& options = {});

/// One run of the program over `args` (the arguments after the command name), printing
/// to `out`. Returns the exit status: 0 after "Compiled successful." or the usage text,
/// 1 when the run ends with an error line.
int RunDriver(const std::vector<std::string>& args, std::ostream& out);

}  // namespace tarvex
