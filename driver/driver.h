// The command-line driver: picks the mode, resolves names, runs one compilation per
// script and prints the progress and summary lines.
#pragma once

#include <cstdint>
#include <iostream>
#include <ostream>
#include <string>
#include <vector>

#include "output/coff_writer.h"
#include "reader/parser.h"
#include "reader/source_place.h"
#include "statements/compile_api.h"

namespace tarvex {

/// A failure with no place in a script.
inline TCompilation UnplacedResult(const std::string& text) {
  TCompilation result;
  result.errorText = text;
  result.detail.message = text;
  return result;
}

/// What the options of the command line ask of every compilation of a run.
struct TDriverOptions {
  TCompileOptions compile;  ///< include directories, names, code page
  std::string depfile;      ///< dependency file to write after a success; empty: none
  bool coff = false;        ///< write a COFF object instead of the .res
  std::string html;         ///< resource report to write after a success; empty: none
  bool list = false;        ///< list the resources of the input instead of compiling
  TMachine machine = TMachine::X86;
  bool scratchOutput = false;  ///< syntax check: the output is written to a nameless file and dropped
  bool decompile = false;      ///< write a script from a .res, program or object instead of compiling
  std::string names;           ///< --names: a header whose #defines name ids in the decompiled script
  bool force = false;          ///< --force: a decompiled script may replace an existing one
  std::string buildOption;     ///< the first build option given, which decompiling refuses
};

/// Compiles one script with a fresh parser object.
TCompilation CompileScript(const std::string& inputName, const std::string& outputName,
                           const TDriverOptions& options = {});

/// One run of the program over `args` (the arguments after the command name), printing
/// to `out`. Returns the exit status: 0 after "Compiled successful." or the usage text,
/// 1 when the run ends with an error line. With --quiet nothing is printed on success;
/// with --diagnostics=gnu nothing is printed on success and a failure goes to `err` in
/// the file:line:column form.
int RunDriver(const std::vector<std::string>& args, std::ostream& out, std::ostream& err = std::cerr);

}  // namespace tarvex
