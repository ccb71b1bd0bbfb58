// The command-line driver. One run compiles one script, a list of scripts or every
// script a wildcard matches, each through a fresh parser object, and stops at the
// first script that fails. Every line goes to the stream the caller gives.
#include "driver/driver.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iterator>
#include <memory>

#include "output/depfile.h"
#include "output/html_report.h"
#include "output/res_image.h"
#include "output/utf16.h"
#include "reader/diagnostics.h"
#include "statements/compile_api.h"
#include "reader/parser.h"

namespace tarvex {
namespace {

constexpr const char* kBanner = "TARVEX resource compiler version " TARVEX_VERSION;

constexpr const char* kUsage[] = {
    "Syntax is: TARVEX [option] input_file_name [output_file_name]",
    "-h     Display this information",
    "-c     Compile rc file to resource file (default)",
    "-d     Perform only syntax check (do not create output file)",
};

constexpr const char* kNothingFound = "File not found!";

/// The state of one run: the names in use, the mode and what the last compilation left.
struct TRunState {
  std::string inputName;
  std::string outputName;
  bool produceOutput = true;
  TCompileResult result{kNothingFound, 0, 0};
  std::vector<std::string> argumentList;
  TDriverOptions options;
  std::string outputExtension = ".res";
};

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

/// The part of `name` from its last "." when that dot lies in the last path component;
/// empty when there is none.
std::string ExtensionOf(const std::string& name) {
  std::size_t dot = name.rfind('.');
  std::size_t slash = name.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return name.substr(dot);
}

std::string WithExtension(const std::string& name, const std::string& extension) {
  return name.substr(0, name.size() - ExtensionOf(name).size()) + extension;
}

/// A name exists for the driver when stat succeeds; the compilation itself refuses
/// anything that is not a regular file.
bool FileExists(const std::string& name) {
  struct stat info {};
  return ::stat(name.c_str(), &info) == 0;
}

bool IsRegularFile(const std::string& name) {
  struct stat info {};
  return ::stat(name.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

/// "x" names the script x.rc unless a file called x exists.
std::string ResolveInputName(const std::string& name) {
  if (!FileExists(name) && ExtensionOf(name).empty()) return name + ".rc";
  return name;
}

bool IsScriptLike(const std::string& name) {
  std::string extension = UpperCase(ExtensionOf(name));
  return extension.empty() || extension == ".RC";
}

bool IsModeOption(const std::string& argument) {
  std::string upper = UpperCase(argument);
  return upper == "-C" || upper == "-D";
}

/// The output file of syntax-only runs: one uniquely named file in the system's
/// temporary directory, removed whatever way the run ends.
class TScratchFile {
 public:
  TScratchFile() = default;
  TScratchFile(const TScratchFile&) = delete;
  TScratchFile& operator=(const TScratchFile&) = delete;
  ~TScratchFile() {
    if (!name_.empty()) std::remove(name_.c_str());
  }

  /// Creates the file; on failure returns the text of the error line.
  std::string Create() {
    const char* folder = std::getenv("TMPDIR");
    std::string pattern = std::string(folder && *folder ? folder : "/tmp") + "/tarvex-check-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    int descriptor = ::mkstemp(buffer.data());
    if (descriptor < 0) return FillPlaceholders("Cannot create file %s", {pattern});
    ::close(descriptor);
    name_ = buffer.data();
    return {};
  }

  const std::string& Name() const { return name_; }

 private:
  std::string name_;
};

void PrintErrorLine(std::ostream& out, std::int32_t number, std::int32_t line, const std::string& text) {
  out << FillPlaceholders("Error[%d] in line [%d]: %s", {number, line, text}) << '\n';
}

void PrintNotFound(std::ostream& out, const std::string& inputName) {
  PrintErrorLine(out, 0, 0, FillPlaceholders("File \"%s\" not found", {inputName}));
}

/// Prints the progress line, compiles the current input into the current output and
/// keeps the outcome. True when the compilation succeeded.
bool CompileCurrent(TRunState& run, std::ostream& out) {
  out << "Compiling file: " << run.inputName << " into " << run.outputName << "..." << '\n';
  out.flush();
  run.result = CompileScript(run.inputName, run.outputName, run.options);
  return run.result.errorText.empty();
}

/// The first argument not beginning with "-" is the input, the second the output.
void PickNames(const std::vector<std::string>& args, TRunState& run) {
  bool haveInput = false;
  for (const std::string& argument : args) {
    if (!argument.empty() && argument[0] == '-') continue;
    if (haveInput) {
      run.outputName = argument;
      return;
    }
    run.inputName = argument;
    haveInput = true;
  }
}

/// Each argument is a script: "x" names x.rc, the output takes its name. False when
/// the run ended with the not-found line.
bool RunListMode(TRunState& run, const TScratchFile& scratch, std::ostream& out) {
  for (const std::string& entry : run.argumentList) {
    run.inputName = ResolveInputName(entry);
    run.outputName = run.produceOutput ? WithExtension(run.inputName, run.outputExtension) : scratch.Name();
    if (!FileExists(run.inputName)) {
      PrintNotFound(out, run.inputName);
      return false;
    }
    if (!CompileCurrent(run, out)) break;
  }
  return true;
}

/// What the file `name` holds; a file that cannot be read counts as a script, whose
/// compilation then reports it.
TImageKind InputKind(const std::string& name, std::vector<std::uint8_t>& bytes) {
  std::string contents;
  int error = 0;
  if (!ReadWholeFile(name, contents, error)) return TImageKind::Other;
  bytes.assign(contents.begin(), contents.end());
  return ImageKindOf(bytes);
}

/// --list: one line per resource of a script, a .res file or a program; no banner.
int RunListing(const std::vector<std::string>& args, const TDriverOptions& options, std::ostream& out) {
  if (!options.html.empty()) {
    PrintErrorLine(out, 0, 0, "Options --list and --html exclude each other");
    return 1;
  }
  if (args.size() != 1 || args[0].empty() || args[0][0] == '-' || args[0].find_first_of("*?") != std::string::npos) {
    PrintErrorLine(out, 0, 0, "Option --list takes one input: a script, a .res file or a program");
    return 1;
  }
  std::string inputName = ResolveInputName(args[0]);
  if (!FileExists(inputName)) {
    PrintNotFound(out, inputName);
    return 1;
  }
  std::vector<std::uint8_t> bytes;
  try {
    if (InputKind(inputName, bytes) == TImageKind::Other) {
      TCompilation compilation = CompileToImage(inputName, {}, options.compile);
      if (!compilation.Succeeded()) {
        PrintErrorLine(out, compilation.errorNumber, compilation.errorLine, compilation.errorText);
        return 1;
      }
      bytes = std::move(compilation.image);
    }
    out << ListResources(ReadResources(bytes, inputName));
  } catch (const std::exception& failure) {
    PrintErrorLine(out, 0, 0, failure.what());
    return 1;
  }
  return 0;
}

/// --html over a .res file or a program: the page alone, saved atomically.
void ReportCompiledInput(TRunState& run, const std::vector<std::uint8_t>& bytes, std::ostream& out) {
  out << "Reading file: " << run.inputName << " into " << run.options.html << "..." << '\n';
  try {
    SaveTextAtomically(BuildHtmlReport(ReadResources(bytes, run.inputName), {}, run.inputName), run.options.html);
    run.result = {};
  } catch (const std::exception& failure) {
    run.result = {failure.what(), 0, 0};
  }
}

/// One script into the output named on the command line or derived from the input.
bool RunSingleMode(TRunState& run, const TScratchFile& scratch, std::ostream& out) {
  run.inputName = ResolveInputName(run.inputName);
  if (run.outputName.empty()) run.outputName = WithExtension(run.inputName, run.outputExtension);
  if (!run.produceOutput) run.outputName = scratch.Name();
  if (!FileExists(run.inputName)) {
    PrintNotFound(out, run.inputName);
    return false;
  }
  std::vector<std::uint8_t> bytes;
  if (InputKind(run.inputName, bytes) != TImageKind::Other) {
    if (!run.options.html.empty())
      ReportCompiledInput(run, bytes, out);
    else
      run.result = {"File " + run.inputName + " holds compiled resources: only --html and --list read it", 0, 0};
    return true;
  }
  CompileCurrent(run, out);
  return true;
}

/// Names of the regular files in `folder` that match `pattern`, in the folder's own
/// order; hidden names are never taken. Read in full before anything is compiled, so
/// that output files written meanwhile are not picked up.
std::vector<std::string> MatchingFiles(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
  std::unique_ptr<DIR, int (*)(DIR*)> directory(::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
  if (!directory) return names;
  while (const dirent* entry = ::readdir(directory.get())) {
    std::string name = entry->d_name;
    if (name[0] == '.' || ::fnmatch(pattern.c_str(), name.c_str(), 0) != 0) continue;
    if (IsRegularFile(folder + name)) names.push_back(name);
  }
  return names;
}

/// Every match is compiled into a .res of its name in the current directory; an
/// output name on the command line is not used.
void RunWildcardMode(TRunState& run, const TScratchFile& scratch, std::ostream& out) {
  std::string pattern = run.inputName;
  std::size_t slash = pattern.rfind('/');
  std::string folder = slash == std::string::npos ? std::string() : pattern.substr(0, slash + 1);
  for (const std::string& name : MatchingFiles(folder, pattern.substr(folder.size()))) {
    run.inputName = folder + name;
    run.outputName = run.produceOutput ? WithExtension(name, run.outputExtension) : scratch.Name();
    if (!CompileCurrent(run, out)) break;
  }
}

/// The value of an option written joined (`-Idir`, `--depfile=x`) or as the next argument
/// (`-I dir`, `--depfile x`); false when it has none.
bool TakeValue(std::vector<std::string>& args, std::size_t& i, std::size_t prefix, std::string& value) {
  if (args[i].size() > prefix) {
    value = args[i].substr(args[i][prefix] == '=' ? prefix + 1 : prefix);
    return !value.empty();
  }
  if (i + 1 >= args.size() || args[i + 1].empty()) return false;
  value = args[++i];
  return true;
}

/// Takes the build options out of the arguments, wherever they stand, before the mode and
/// the names are picked. Returns the text of the error line for an option that lacks its
/// value or is unknown; empty when all is well.
std::string ExtractOptions(std::vector<std::string>& args, TDriverOptions& options, bool& version) {
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& argument = args[i];
    std::string value;
    auto starts = [&](const char* prefix) { return argument.rfind(prefix, 0) == 0; };
    if (starts("-I")) {
      if (!TakeValue(args, i, 2, value)) return "Option -I needs a directory";
      options.compile.includeDirectories.push_back(value);
    } else if (starts("-D") && argument.size() > 2) {
      std::string name = argument.substr(2, argument.find('=') - 2);
      if (name.empty()) return "Option -D needs a name: -D<name> or -D<name>=<value>";
      options.compile.defines.push_back(argument.substr(2));
    } else if (starts("-U")) {
      if (argument.size() == 2) return "Option -U needs a name: -U<name>";
      options.compile.undefines.push_back(argument.substr(2));
    } else if (starts("-c") && argument.size() > 2 &&
               argument.find_first_not_of("0123456789", 2) == std::string::npos) {
      if (!CodePageCharset(argument.substr(2), options.compile.codePage))
        return "Unknown code page " + argument.substr(2);
    } else if (argument == "--version") {
      version = true;
    } else if (argument == "--coff") {
      options.coff = true;
    } else if (starts("--depfile") && (argument.size() == 9 || argument[9] == '=')) {
      if (!TakeValue(args, i, 9, value)) return "Option --depfile needs a file name";
      options.depfile = value;
    } else if (starts("--html") && (argument.size() == 6 || argument[6] == '=')) {
      if (!TakeValue(args, i, 6, value)) return "Option --html needs a file name";
      options.html = value;
    } else if (argument == "--list") {
      options.list = true;
    } else if (starts("--machine") && (argument.size() == 9 || argument[9] == '=')) {
      if (!TakeValue(args, i, 9, value) || !ParseMachine(value, options.machine))
        return "Option --machine needs x86, x64 or arm64";
    } else if (starts("--")) {
      return "Unknown option " + argument;
    } else {
      rest.push_back(argument);
    }
  }
  args.swap(rest);
  return {};
}

/// Prints the closing line and returns the exit status.
int PrintSummary(const TRunState& run, std::ostream& out) {
  if (run.result.errorText.empty()) {
    out << "Compiled successful." << '\n';
    return 0;
  }
  PrintErrorLine(out, run.result.errorNumber, run.result.errorLine, run.result.errorText);
  return 1;
}

}  // namespace

TCompileResult CompileScript(const std::string& inputName, const std::string& outputName,
                             const TDriverOptions& options) {
  TCompilation compilation = CompileToImage(inputName, {}, options.compile);
  if (!compilation.Succeeded())
    return {compilation.errorText, compilation.errorNumber, compilation.errorLine};
  try {
    std::string page;  // built before anything is saved
    if (!options.html.empty())
      page = BuildHtmlReport(ReadResources(compilation.image, inputName), compilation.defineNames, inputName);
    if (options.coff)
      SaveOutput(ResToCoff(compilation.image, options.machine), outputName);
    else
      SaveOutput(compilation.image, outputName);
    if (!options.depfile.empty())
      SaveTextAtomically(DependencyRule(outputName, compilation.dependencies), options.depfile);
    if (!options.html.empty()) SaveTextAtomically(page, options.html);
  } catch (const std::exception& failure) {
    return {failure.what(), 0, 0};
  }
  return {};
}

int RunDriver(const std::vector<std::string>& arguments, std::ostream& out) {
  TRunState run;
  bool version = false;
  std::vector<std::string> args = arguments;
  std::string optionError = ExtractOptions(args, run.options, version);
  if (optionError.empty() && run.options.list) return RunListing(args, run.options, out);
  out << kBanner << '\n';
  if (!optionError.empty()) {
    PrintErrorLine(out, 0, 0, optionError);
    return 1;
  }
  if (version) return 0;
  if (run.options.coff) run.outputExtension = ".obj";
  if (args.empty() || UpperCase(args[0]) == "-H") {
    for (const char* line : kUsage) out << line << '\n';
    return 0;
  }
  run.produceOutput = UpperCase(args[0]) != "-D";
  PickNames(args, run);
  std::copy_if(args.begin(), args.end(), std::back_inserter(run.argumentList),
               [](const std::string& argument) { return !IsModeOption(argument); });

  TScratchFile scratch;  // removed on every way out of the run
  if (!run.produceOutput) {
    std::string failure = scratch.Create();
    if (!failure.empty()) {
      PrintErrorLine(out, 0, 0, failure);
      return 1;
    }
  }
  auto scriptLike = std::count_if(run.argumentList.begin(), run.argumentList.end(), IsScriptLike);
  bool wildcard = run.inputName.find_first_of("*?") != std::string::npos;
  if (!run.options.depfile.empty() && (scriptLike >= 2 || wildcard || !run.produceOutput)) {
    PrintErrorLine(out, 0, 0, "Option --depfile names the dependencies of one script: not with several scripts, "
                              "a wildcard or -d");
    return 1;
  }
  if (!run.options.html.empty() && (scriptLike >= 2 || wildcard || !run.produceOutput)) {
    PrintErrorLine(out, 0, 0, "Option --html writes the page of one input: not with several scripts, a wildcard or -d");
    return 1;
  }
  if (scriptLike >= 2) {
    if (!RunListMode(run, scratch, out)) return 1;
  } else if (wildcard) {
    RunWildcardMode(run, scratch, out);
  } else if (!RunSingleMode(run, scratch, out)) {
    return 1;
  }
  return PrintSummary(run, out);
}

}  // namespace tarvex
