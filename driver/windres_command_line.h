// The windres-style command line, as Makefiles, autotools, CMake's windres rule and
// Meson hand it to windres:
//   tarvex-windres [options] [input] [output]
// Short options take their value joined (-ofile) or as the next argument, long options
// as --name=value or --name value.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "driver/command_line.h"

namespace tarvex {

/// What a windres-style command line asks for.
struct TWindresCommand {
  TInvocation invocation;
  bool help = false;
  bool version = false;
  bool decompile = false;     ///< -O rc, or an output name ending in ".rc": write a script
  std::string names;          ///< -H: a header whose #defines name ids in the script
  std::string decompileKind;  ///< -J res, coff or pe; empty: judged by the input's bytes
};

/// Reads a windres-style command line (response files already expanded). `programName`
/// is the base name the program was called by: a target triple before "windres"
/// (i686-w64-mingw32-windres) names the machine when -F does not. The defaults: a COFF
/// object unless the output name ends in ".res", a .res input when the input name ends in
/// ".res", language 0x409, text in Windows-1252, GNU line markers honoured. Throws a
/// TCommandLineError for an unknown option, an option without its value, an unknown
/// format or machine, two inputs or outputs, and a missing input or output. With -O rc
/// (or an output ending in ".rc") the input is decompiled; without an output name the
/// script then goes to standard output.
TWindresCommand ParseWindresCommandLine(const std::vector<std::string>& args, const std::string& programName);

/// One run of the windres-style command line: 0 on success (printing nothing), 1 after a
/// failure printed on `err`. --help and --version print on `out`.
int RunWindresCommandLine(const std::vector<std::string>& args, const std::string& programName, std::ostream& out,
                          std::ostream& err);

}  // namespace tarvex
