#include "driver/command_line.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <unordered_set>

#include "driver/gnu_diagnostics.h"
#include "output/depfile.h"
#include "output/html_report.h"
#include "output/res_image.h"
#include "output/res_writer.h"
#include "reader/parser.h"
#include "statements/compile_api.h"

namespace tarvex {

namespace {

// A response file that expands into more arguments than this is refused: response files
// naming each other many times over would otherwise multiply without bound.
constexpr std::size_t kArgumentLimit = std::size_t{1} << 20;

// The arguments of a response file's text.
std::vector<std::string> SplitResponseText(const std::string& text) {
  std::vector<std::string> arguments;
  std::string current;
  bool inArgument = false;
  char quote = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quote == 0 && (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f')) {
      if (inArgument) arguments.push_back(current);
      current.clear();
      inArgument = false;
      continue;
    }
    inArgument = true;
    if (c == '\\' && quote != '\'' && i + 1 < text.size()) {
      current += text[++i];
    } else if (quote != 0 && c == quote) {
      quote = 0;
    } else if (quote == 0 && (c == '\'' || c == '"')) {
      quote = c;
    } else {
      current += c;
    }
  }
  if (inArgument) arguments.push_back(current);
  return arguments;
}

// The canonical name of a file, so that one response file is known under any of its names.
std::string CanonicalName(const std::string& name) {
  char buffer[PATH_MAX];
  return ::realpath(name.c_str(), buffer) != nullptr ? std::string(buffer) : name;
}

void Expand(const std::vector<std::string>& args, std::vector<std::string>& out,
            std::unordered_set<std::string>& reading) {
  for (const std::string& argument : args) {
    if (argument.size() < 2 || argument[0] != '@') {
      out.push_back(argument);
      if (out.size() > kArgumentLimit) throw TCommandLineError("the response files expand into too many arguments");
      continue;
    }
    std::string name = argument.substr(1);
    std::string text;
    int error = 0;
    if (!ReadWholeFile(name, text, error))
      throw TCommandLineError("cannot read response file " + name + ": " + std::strerror(error));
    std::string key = CanonicalName(name);
    if (!reading.insert(key).second) throw TCommandLineError("response file " + name + " names itself");
    Expand(SplitResponseText(text), out, reading);
    reading.erase(key);
  }
}

// The value of an option written joined (`-MFx`) or as the next argument (`-MF x`).
std::string ValueOf(const std::vector<std::string>& args, std::size_t& i, std::size_t nameLength) {
  if (args[i].size() > nameLength) return args[i].substr(nameLength);
  if (i + 1 >= args.size()) throw TCommandLineError("option " + args[i] + " needs a value");
  return args[++i];
}

bool IsResImage(const std::string& bytes) {
  static const unsigned char kLeadingEntry[32] = {0, 0, 0, 0, 0x20, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0};
  return bytes.size() >= sizeof kLeadingEntry && std::memcmp(bytes.data(), kLeadingEntry, sizeof kLeadingEntry) == 0;
}

// The image of a .res input, checked as a .res before it is used.
std::vector<std::uint8_t> ReadResInput(const TInvocation& invocation) {
  std::string bytes;
  int error = 0;
  if (!ReadWholeFile(invocation.input, bytes, error))
    throw TCommandLineError("cannot read " + invocation.input + ": " + std::strerror(error));
  std::vector<std::uint8_t> image(bytes.begin(), bytes.end());
  if (invocation.html && ImageKindOf(image) != TImageKind::Other) return image;  // a .res or a program
  if (!IsResImage(bytes)) throw TCommandLineError(invocation.input + " is not a .res file");
  ResToCoff(image, invocation.machine);  // refuses a malformed image
  return image;
}

// The input must exist before anything is compiled: its absence has no place in a script.
void RequireInput(const TInvocation& invocation) {
  struct stat info {};
  if (::stat(invocation.input.c_str(), &info) != 0)
    throw TCommandLineError("cannot open input file " + invocation.input + ": " + std::strerror(errno));
  if (!S_ISREG(info.st_mode)) throw TCommandLineError("input " + invocation.input + " is not a regular file");
  if (invocation.inputIsRes) return;
  std::string bytes;
  int error = 0;
  if (ReadWholeFile(invocation.input, bytes, error) && IsResImage(bytes))
    throw TCommandLineError(invocation.input + " is a .res file, not a resource script");
}

std::string DependencyText(const TInvocation& invocation, const std::vector<std::string>& dependencies) {
  const TDependencyRequest& request = invocation.dependencies;
  if (!request.targets.empty()) return DependencyRuleForTargets(request.targets, dependencies);
  return DependencyRule(invocation.output, dependencies);
}

}  // namespace

std::vector<std::string> ExpandResponseFiles(const std::vector<std::string>& args) {
  std::vector<std::string> out;
  std::unordered_set<std::string> reading;
  Expand(args, out, reading);
  return out;
}

bool TakeDependencyOption(const std::vector<std::string>& args, std::size_t& i, TDependencyRequest& request) {
  const std::string& argument = args[i];
  if (argument == "-MD" || argument == "-MMD") {
    request.wanted = true;
    return true;
  }
  if (argument.rfind("-MF", 0) == 0) {
    request.file = ValueOf(args, i, 3);
    return true;
  }
  bool quoted = argument.rfind("-MQ", 0) == 0;
  if (!quoted && argument.rfind("-MT", 0) != 0) return false;
  std::string target = ValueOf(args, i, 3);
  if (!request.targets.empty()) request.targets += ' ';
  try {
    request.targets += quoted ? QuotedForMake(target) : target;
  } catch (const std::exception& failure) {
    throw TCommandLineError(failure.what());
  }
  return true;
}

std::uint16_t ParseLanguage(const std::string& text, const std::string& option) {
  std::string digits = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') ? text.substr(2) : text;
  bool valid =
      !digits.empty() && digits.size() <= 4 && digits.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
  if (!valid)
    throw TCommandLineError("option " + option + " needs a language id in hexadecimal (0x409 or 409): " + text);
  return static_cast<std::uint16_t>(std::strtoul(digits.c_str(), nullptr, 16));
}

std::string ReplaceExtension(const std::string& name, const std::string& extension) {
  std::size_t dot = name.rfind('.');
  std::size_t slash = name.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return name + extension;
  return name.substr(0, dot) + extension;
}

int RunInvocation(const TInvocation& invocation, std::ostream& err) {
  try {
    RequireInput(invocation);
    TCompileOptions options = invocation.compile;
    options.defineNames = invocation.html;
    if (invocation.verbose)
      options.fileOpened = [&err](const std::string& name) { err << "tarvex: reading " << name << '\n'; };
    std::vector<std::uint8_t> image;
    std::vector<std::string> dependencies;
    std::vector<std::pair<std::string, std::int64_t>> names;
    std::vector<TWarning> warnings;
    if (invocation.inputIsRes) {
      if (invocation.verbose) err << "tarvex: reading " << invocation.input << '\n';
      image = ReadResInput(invocation);
      dependencies.push_back(invocation.input);
    } else {
      if (invocation.html) options.allWarnings = true;  // the page shows every warning
      TCompilation compilation = CompileToImage(invocation.input, {}, options);
      PrintGnuWarnings(err, compilation.warnings, options.warnings);
      warnings = std::move(compilation.warnings.All());
      if (!compilation.Succeeded()) {
        PrintGnuFailure(err, compilation.detail, compilation.errorNumber);
        return 1;
      }
      image = std::move(compilation.image);
      dependencies = std::move(compilation.dependencies);
      names = std::move(compilation.defineNames);
    }
    // Everything that can fail is done before the output is written, the dependency file
    // included: a build tool reads it only after the run succeeded.
    std::vector<std::uint8_t> bytes;
    if (invocation.html) {
      std::string page = BuildHtmlReport(ReadResources(image, invocation.input), names, invocation.input, warnings);
      bytes.assign(page.begin(), page.end());
    } else {
      bytes = invocation.coff ? ResToCoff(image, invocation.machine) : std::move(image);
    }
    if (invocation.dependencies.wanted) {
      std::string dependencyFile = invocation.dependencies.file;
      if (dependencyFile.empty()) dependencyFile = ReplaceExtension(invocation.output, ".d");
      SaveTextAtomically(DependencyText(invocation, dependencies), dependencyFile);
    }
    SaveOutput(bytes, invocation.output);
  } catch (const std::exception& failure) {
    PrintGnuError(err, failure.what());
    return 1;
  }
  return 0;
}

}  // namespace tarvex
