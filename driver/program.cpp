#include "driver/program.h"

#include "driver/driver.h"
#include "driver/gnu_diagnostics.h"
#include "driver/rc_command_line.h"
#include "driver/windres_command_line.h"

namespace tarvex {

namespace {

std::string BaseName(const std::string& path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

bool IsLanguageServerName(const std::string& programPath) { return EndsWith(BaseName(programPath), "-lsp"); }

TCommandLineMode ModeOfProgramName(const std::string& programPath) {
  std::string name = BaseName(programPath);
  if (name == "rc" || EndsWith(name, "-rc")) return TCommandLineMode::Rc;
  if (EndsWith(name, "windres")) return TCommandLineMode::Windres;
  return TCommandLineMode::Native;
}

int RunProgram(const std::string& programPath, std::vector<std::string> args, std::ostream& out, std::ostream& err) {
  if (IsLanguageServerName(programPath)) {
    args.insert(args.begin(), "--lsp");
    return RunDriver(args, out, err);
  }
  TCommandLineMode mode = ModeOfProgramName(programPath);
  std::string programName = BaseName(programPath);
  if (!args.empty() && args[0].rfind("--mode=", 0) == 0) {
    std::string name = args[0].substr(7);
    if (name == "rc") {
      mode = TCommandLineMode::Rc;
    } else if (name == "windres") {
      mode = TCommandLineMode::Windres;
    } else if (name == "native") {
      mode = TCommandLineMode::Native;
    } else {
      PrintGnuError(err, "unknown mode " + name + " (rc, windres or native)");
      return 1;
    }
    args.erase(args.begin());
  }
  switch (mode) {
    case TCommandLineMode::Rc:
      return RunRcCommandLine(args, out, err);
    case TCommandLineMode::Windres:
      return RunWindresCommandLine(args, programName, out, err);
    case TCommandLineMode::Native:
      break;
  }
  return RunDriver(args, out, err);
}

}  // namespace tarvex
