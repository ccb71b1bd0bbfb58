// What the rc-style and windres-style command lines share: one compilation described by
// its options, response files, the GNU dependency options, and the run that compiles,
// writes the output and the dependency file and reports a failure on standard error.
#pragma once

#include <cstdint>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "output/coff_writer.h"
#include "reader/parser.h"

namespace tarvex {

/// A command line that cannot be carried out; what() is the text printed after
/// "tarvex: error: ".
class TCommandLineError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// The dependency file a run is asked for.
struct TDependencyRequest {
  bool wanted = false;  ///< -MD, -MMD or --depfile
  std::string file;     ///< -MF or --depfile; empty: the output's name with ".d"
  std::string targets;  ///< -MT and -MQ targets as make reads them; empty: the output's name
};

/// One compilation as the rc-style or windres-style command line describes it.
struct TInvocation {
  std::string input;
  std::string output;
  bool inputIsRes = false;  ///< the input is a .res image to convert, not a script
  bool coff = false;        ///< write a COFF object instead of a .res
  bool html = false;        ///< write the resource report page instead of a .res
  TMachine machine = TMachine::X64;
  TCompileOptions compile;
  TDependencyRequest dependencies;
  bool verbose = false;  ///< name every file opened on standard error
};

/// `args` with every "@file" replaced by the arguments the file holds, read as a GNU tool
/// reads them: blanks separate, single and double quotes group, a backslash takes the next
/// character as it is (not inside single quotes). Response files may name others; one that
/// names itself, directly or through others, and one that cannot be read are refused.
std::vector<std::string> ExpandResponseFiles(const std::vector<std::string>& args);

/// Takes the GNU dependency option at args[i] (-MD, -MMD, -MF, -MT, -MQ, with the value
/// joined or as the next argument) into `request`; false when args[i] is none of them.
bool TakeDependencyOption(const std::vector<std::string>& args, std::size_t& i, TDependencyRequest& request);

/// A language id in hexadecimal, with or without "0x".
std::uint16_t ParseLanguage(const std::string& text, const std::string& option);

/// `name` with its extension (from the last "." of the last path component) replaced by
/// `extension`, or with `extension` appended when it has none.
std::string ReplaceExtension(const std::string& name, const std::string& extension);

/// Compiles (or converts) the input, writes the output and the dependency file and
/// returns the exit status: 0 on success, printing nothing but the files opened when
/// verbose; 1 after a failure, printed on `err`, with no output or dependency file created
/// or changed.
int RunInvocation(const TInvocation& invocation, std::ostream& err);

}  // namespace tarvex
