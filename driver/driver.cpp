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
#include <iostream>
#include <iterator>
#include <memory>
#include <new>
#include <span>

#include "driver/decompile.h"
#include "driver/gnu_diagnostics.h"
#include "driver/lsp_server.h"
#include "driver/option_table.h"
#include "output/atomic_file.h"
#include "output/depfile.h"
#include "output/html_report.h"
#include "output/res_image.h"
#include "reader/diagnostics.h"
#include "reader/parser.h"
#include "reader/utf16.h"
#include "reader/warning_collector.h"
#include "statements/compile_api.h"

namespace tarvex {
namespace {

constexpr const char* kBanner = "TARVEX resource compiler version " TARVEX_VERSION;

constexpr const char* kNothingFound = "File not found!";

/// How the run prints: the lines of the native form on the output, or nothing but a
/// failure in the file:line:column form on the error stream.
struct TPrinter {
  std::ostream& out;
  std::ostream& err;
  bool quiet = false;  ///< nothing on success
  bool gnu = false;    ///< failures in the file:line:column form, nothing else

  bool Chatty() const { return !quiet && !gnu; }
};

/// The state of one run: the names in use, the mode and what the last compilation left.
struct TRunState {
  std::string inputName;
  std::string outputName;
  bool produceOutput = true;
  TCompilation result = UnplacedResult(kNothingFound);
  std::vector<std::string> argumentList;
  TDriverOptions options;
  std::string outputExtension = ".res";
  TPrinter* printer = nullptr;
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

/// The output name of syntax-only runs. Their output goes to a nameless file in the
/// system's temporary directory, dropped at once (WriteScratchFile), so that nothing is
/// left there whatever ends the run; the name shows only in the progress line.
class TScratchFile {
 public:
  /// Checks that the folder takes the scratch output; on failure returns the text of the
  /// error line.
  std::string Create() {
    const char* folder = std::getenv("TMPDIR");
    name_ = std::string(folder && *folder ? folder : "/tmp") + "/tarvex-check-XXXXXX";
    try {
      WriteScratchFile({}, name_);
    } catch (const std::exception& failure) {
      return failure.what();
    }
    return {};
  }

  const std::string& Name() const { return name_; }

 private:
  std::string name_;
};

void PrintErrorLine(std::ostream& out, std::int32_t number, std::int32_t line, const std::string& text) {
  out << SafeText(FillPlaceholders("Error[%d] in line [%d]: %s", {number, line, text})) << '\n';
}

/// A failure with no place in a script.
void PrintFailure(const TPrinter& printer, const std::string& text) {
  if (printer.gnu)
    PrintGnuError(printer.err, text);
  else
    PrintErrorLine(printer.out, 0, 0, text);
}

/// The warnings the options enable: in the native form one line each on the output, at
/// most kMostPrintedWarnings, then the count of the rest; or in the line:column form.
void PrintWarnings(const TPrinter& printer, TWarningList& warnings, const TWarningOptions& options) {
  if (options.enabled == 0) return;
  if (printer.gnu) return PrintGnuWarnings(printer.err, warnings, options);
  // The native line needs no warning found in bulk made: most are only counted.
  std::size_t rest =
      PrintEnabledWarnings(warnings, options, [&](TWarningKind kind, const TWarning* made, std::size_t finding) {
        printer.out << (made ? NativeWarningLine(*made) : NativeWarningLine(kind, *warnings.Findings(), finding))
                    << '\n';
      });
  if (rest > 0) printer.out << "Warning: " << MoreWarningsText(rest) << '\n';
}

void PrintNotFound(const TRunState& run, const std::string& inputName) {
  PrintFailure(*run.printer, FillPlaceholders("File \"%s\" not found", {inputName}));
}

/// Prints the progress line, compiles the current input into the current output and
/// keeps the outcome. True when the compilation succeeded.
bool CompileCurrent(TRunState& run, std::ostream& out) {
  if (run.printer->Chatty())
    out << "Compiling file: " << SafeText(run.inputName) << " into " << SafeText(run.outputName) << "..." << '\n';
  out.flush();
  run.result = CompileScript(run.inputName, run.outputName, run.options);
  PrintWarnings(*run.printer, run.result.warnings, run.options.compile.warnings);
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
      PrintNotFound(run, run.inputName);
      return false;
    }
    if (!CompileCurrent(run, out)) break;
  }
  return true;
}

/// What the file `name` holds; a file that cannot be read counts as a script, whose
/// compilation then reports it.
// The first bytes of a file tell a script from compiled resources: only a file that
// begins like a .res file or a program is read whole here, so a script is read once, by
// the compilation.
TImageKind InputKind(const std::string& name, std::vector<std::uint8_t>& bytes) {
  int error = 0;
  int fd = OpenRegularFile(name, error);
  if (fd < 0) return TImageKind::Other;
  std::uint8_t head[64];
  std::size_t got = 0;
  while (got < sizeof head) {
    ssize_t n = read(fd, head + got, sizeof head - got);
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  close(fd);
  std::span<const std::uint8_t> start(head, got);
  bool program = got >= 2 && head[0] == 'M' && head[1] == 'Z';
  // A COFF object starts with its machine: x86, x64, ARM or ARM64.
  unsigned machine = got >= 2 ? static_cast<unsigned>(head[0] | head[1] << 8) : 0u;
  bool object = machine == 0x14C || machine == 0x8664 || machine == 0xAA64 || machine == 0x1C4;
  if (!program && !object && ImageKindOf(start) != TImageKind::Res) return TImageKind::Other;
  std::string contents;
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
    PrintErrorLine(out, 0, 0, FillPlaceholders("File \"%s\" not found", {inputName}));
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

/// --decompile <input> [<script.rc>]: the script and its folder, one line about them.
int RunDecompile(const std::vector<std::string>& args, const TDriverOptions& options, const TPrinter& printer) {
  auto fail = [&](const std::string& text) {
    PrintGnuError(printer.err, text);
    return 1;
  };
  if (!options.buildOption.empty())
    return fail("option " + options.buildOption + " builds a script: not with --decompile");
  if (args.empty() || args.size() > 2 || args[0].empty() || args[0][0] == '-' ||
      (args.size() == 2 && (args[1].empty() || args[1][0] == '-')))
    return fail("--decompile takes an input (.res, program, DLL or object) and an optional script name");
  TDecompileRequest request;
  request.input = args[0];
  if (args.size() == 2) request.script = args[1];
  request.namesHeader = options.names;
  request.force = options.force;
  try {
    TDecompileResult result = Decompile(request);
    for (const std::string& difference : result.differences)
      printer.err << "tarvex: warning: " << SafeText(difference) << "\n";
    if (!printer.quiet) printer.out << SafeText(DecompileSummary(result)) << '\n';
  } catch (const std::exception& failure) {
    return fail(failure.what());
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
    run.result = UnplacedResult(failure.what());
  }
}

/// One script into the output named on the command line or derived from the input.
bool RunSingleMode(TRunState& run, const TScratchFile& scratch, std::ostream& out) {
  run.inputName = ResolveInputName(run.inputName);
  if (run.outputName.empty()) run.outputName = WithExtension(run.inputName, run.outputExtension);
  if (!run.produceOutput) run.outputName = scratch.Name();
  if (!FileExists(run.inputName)) {
    PrintNotFound(run, run.inputName);
    return false;
  }
  std::vector<std::uint8_t> bytes;
  if (InputKind(run.inputName, bytes) != TImageKind::Other) {
    if (!run.options.html.empty())
      ReportCompiledInput(run, bytes, out);
    else
      run.result =
          UnplacedResult("File " + run.inputName + " holds compiled resources: only --html and --list read it");
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
std::string ExtractOptions(std::vector<std::string>& args, TDriverOptions& options, bool& version, bool& help,
                           TPrinter& printer) {
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& argument = args[i];
    std::string value;
    auto starts = [&](const char* prefix) { return argument.rfind(prefix, 0) == 0; };
    bool build = starts("-I") || (starts("-D") && argument.size() > 2) || starts("-U") ||
                 (starts("-c") && argument.size() > 2) || starts("--coff") || starts("--depfile") || starts("--html") ||
                 argument == "--list" || starts("--machine") || argument == "--no-fast-path";
    if (build && options.buildOption.empty()) options.buildOption = argument;
    if (argument == "--decompile") {
      options.decompile = true;
    } else if (argument == "--force") {
      options.force = true;
    } else if (starts("--names") && (argument.size() == 7 || argument[7] == '=')) {
      if (!TakeValue(args, i, 7, value)) return "Option --names needs a header file";
      options.names = value;
    } else if (starts("-I")) {
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
    } else if (TWarningOptionRead read = ReadWarningOption(argument, options.compile.warnings);
               read != TWarningOptionRead::NotWarning) {
      if (read == TWarningOptionRead::UnknownName) return UnknownWarningText(argument);
    } else if (argument == "--version") {
      version = true;
    } else if (argument == "--help") {
      help = true;
    } else if (argument == "--quiet") {
      printer.quiet = true;
    } else if (argument == "--no-fast-path") {
      options.compile.lanes = false;
    } else if (argument == "--diagnostics=gnu" || argument == "--diagnostics=native") {
      printer.gnu = argument == "--diagnostics=gnu";
    } else if (starts("--diagnostics")) {
      return "Option --diagnostics needs gnu or native";
    } else if (argument == "--coff") {
      options.coff = true;
    } else if (starts("--depfile") && (argument.size() == 9 || argument[9] == '=')) {
      if (!TakeValue(args, i, 9, value)) return "Option --depfile needs a file name";
      options.depfile = value;
    } else if (starts("--html") && (argument.size() == 6 || argument[6] == '=')) {
      if (!TakeValue(args, i, 6, value)) return "Option --html needs a file name";
      options.html = value;
      options.compile.defineNames = true;  // the page shows the script's names
      options.compile.allWarnings = true;  // and every warning
    } else if (argument == "--list") {
      options.list = true;
    } else if (starts("--machine") && (argument.size() == 9 || argument[9] == '=')) {
      if (!TakeValue(args, i, 9, value) || !ParseMachine(value, options.machine))
        return "Option --machine needs x86, x64 or arm64";
    } else if (starts("--")) {
      return "Unknown option " + argument;
    } else {
      rest.push_back(argument);
      continue;
    }
    if (!IsListedOption(TCommandLineMode::Native, argument)) return "Unknown option " + argument;
  }
  args.swap(rest);
  return {};
}

/// Prints the closing line and returns the exit status.
int PrintSummary(const TRunState& run, std::ostream& out) {
  if (run.result.errorText.empty()) {
    if (run.printer->Chatty()) out << "Compiled successful." << '\n';
    return 0;
  }
  if (run.printer->gnu) {
    TDiagnosticDetail detail = run.result.detail;
    if (detail.message.empty()) detail.message = run.result.errorText;  // "File not found!"
    PrintGnuFailure(run.printer->err, detail, run.result.errorNumber);
  } else {
    PrintErrorLine(out, run.result.errorNumber, run.result.errorLine, run.result.errorText);
  }
  return 1;
}

/// Saves the finished image as the output (a .res or a COFF object, written from the
/// image in place) and the dependency file; a syntax check's output goes to a nameless
/// scratch file.
void SaveImage(TRCParser& parser, const std::string& inputName, const std::string& outputName,
               const TDriverOptions& options) {
  try {
    std::string page;  // built before anything is saved
    if (!options.html.empty())
      page = BuildHtmlReport(ReadResources(parser.output.Bytes(), inputName), ScriptDefineValues(parser), inputName,
                             parser.warnings ? parser.warnings->warnings.All() : std::vector<TWarning>{});
    std::vector<std::span<const std::uint8_t>> pieces{parser.output.Bytes()};
    TCoffObject object;
    if (options.coff) {
      object = ResToCoffObject(parser.output.Bytes(), options.machine);
      pieces = object.Pieces();
    }
    if (options.scratchOutput)
      WriteScratchFile(pieces, outputName);
    else
      SaveFileAtomically(pieces, outputName);
    if (!options.depfile.empty()) SaveTextAtomically(DependencyRule(outputName, parser.openedFiles), options.depfile);
    if (!options.html.empty()) SaveTextAtomically(page, options.html);
  } catch (const std::bad_alloc&) {
    RaiseFailure("Out of memory writing " + outputName);
  }
}

}  // namespace

TCompilation CompileScript(const std::string& inputName, const std::string& outputName, const TDriverOptions& options) {
  return CompileAndFinish(inputName, options.compile,
                          [&](TRCParser& parser) { SaveImage(parser, inputName, outputName, options); });
}

int RunDriver(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
  if (std::find(arguments.begin(), arguments.end(), "--lsp") != arguments.end()) {
    // The server owns standard input and output; nothing else on the line could apply
    // but --stdio, which editors' clients add to name the channel it uses anyway.
    for (const std::string& argument : arguments) {
      if (argument != "--lsp" && argument != "--stdio") {
        PrintGnuError(err, "option --lsp takes no other argument but --stdio (settings come from the editor)");
        return 1;
      }
    }
    return RunLspServer(std::cin, out);
  }
  TPrinter printer{out, err};
  TRunState run;
  run.printer = &printer;
  bool version = false;
  bool help = false;
  std::vector<std::string> args = arguments;
  std::string optionError = ExtractOptions(args, run.options, version, help, printer);
  if (optionError.empty() && run.options.decompile) return RunDecompile(args, run.options, printer);
  if (optionError.empty() && (run.options.force || !run.options.names.empty()))
    optionError = "Options --names and --force go with --decompile";
  if (optionError.empty() && run.options.list) return RunListing(args, run.options, out);
  if (printer.Chatty() || version) out << kBanner << '\n';
  if (!optionError.empty()) {
    PrintFailure(printer, optionError);
    return 1;
  }
  if (version) return 0;
  if (help) {
    out << UsageText(TCommandLineMode::Native);
    return 0;
  }
  if (run.options.coff) run.outputExtension = ".obj";
  if (args.empty() || UpperCase(args[0]) == "-H") {
    out << ShortUsageText();
    return 0;
  }
  run.produceOutput = UpperCase(args[0]) != "-D";
  run.options.scratchOutput = !run.produceOutput;
  PickNames(args, run);
  std::copy_if(args.begin(), args.end(), std::back_inserter(run.argumentList),
               [](const std::string& argument) { return !IsModeOption(argument); });

  TScratchFile scratch;  // named only: a syntax check leaves no file
  if (!run.produceOutput) {
    std::string failure = scratch.Create();
    if (!failure.empty()) {
      PrintFailure(printer, failure);
      return 1;
    }
  }
  auto scriptLike = std::count_if(run.argumentList.begin(), run.argumentList.end(), IsScriptLike);
  bool wildcard = run.inputName.find_first_of("*?") != std::string::npos;
  if (!run.options.depfile.empty() && (scriptLike >= 2 || wildcard || !run.produceOutput)) {
    PrintFailure(printer,
                 "Option --depfile names the dependencies of one script: not with several scripts, "
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
