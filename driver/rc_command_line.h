// The rc-style command line, as build systems hand it to rc.exe and llvm-rc:
//   tarvex-rc [options] script.rc
// Options start with "/" or "-", their letters compared ignoring case; values are joined
// (/foout.res) or the next argument (/fo out.res). An argument starting with "/" is an
// option only when it is one of the names below, or one of them with a joined value that
// holds no second "/", so that /usr/src/app.rc is a file name; any other argument that
// starts with "/" and holds no second "/" is refused as an unknown option.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "driver/command_line.h"

namespace tarvex {

/// What an rc-style command line asks for.
struct TRcCommand {
  TInvocation invocation;
  bool help = false;  ///< /? or /h: print the usage and do nothing else
};

/// Reads an rc-style command line (response files already expanded). Without /fo the
/// output is the script's name with ".res", in the script's folder. The defaults: language
/// 0x409, text in Windows-1252, GNU line markers honoured, the folders of the INCLUDE
/// environment variable searched after the /i folders unless /x. Throws a
/// TCommandLineError for an unknown "-" option, an option without its value, a bad value,
/// two scripts or none.
TRcCommand ParseRcCommandLine(const std::vector<std::string>& args);

/// One run of the rc-style command line: 0 on success (printing nothing), 1 after a
/// failure printed on `err`. The usage goes to `out`.
int RunRcCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tarvex
