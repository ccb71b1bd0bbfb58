#include "driver/rc_command_line.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string_view>

#include "driver/gnu_diagnostics.h"
#include "driver/option_table.h"
#include "reader/utf16.h"

namespace tarvex {

namespace {

enum class TRcOption {
  Output,
  Include,
  Define,
  Undefine,
  Language,
  CodePage,
  NullTerminate,
  IgnoreInclude,
  Verbose,
  Help,
  NoEffect
};

struct TRcOptionName {
  std::string_view name;
  TRcOption option;
  bool takesValue;
};

// The value options first, the longest name of a shared first letter before the others.
constexpr TRcOptionName kRcOptions[] = {
    {"fo", TRcOption::Output, true},        {"i", TRcOption::Include, true},
    {"d", TRcOption::Define, true},         {"u", TRcOption::Undefine, true},
    {"l", TRcOption::Language, true},       {"c", TRcOption::CodePage, true},
    {"nologo", TRcOption::NoEffect, false}, {"n", TRcOption::NullTerminate, false},
    {"x", TRcOption::IgnoreInclude, false}, {"r", TRcOption::NoEffect, false},
    {"w", TRcOption::NoEffect, false},      {"v", TRcOption::Verbose, false},
    {"?", TRcOption::Help, false},          {"h", TRcOption::Help, false},
};

std::string LowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

// The option `argument` names, with its joined value; false when it names none. A joined
// value after "/" holds no "/": such an argument is a file name.
bool MatchOption(const std::string& argument, const TRcOptionName*& match, std::string& joined) {
  std::string body = argument.substr(1);
  std::string lower = LowerCase(body);
  for (const TRcOptionName& option : kRcOptions) {
    if (lower == option.name) {
      match = &option;
      joined.clear();
      return true;
    }
  }
  for (const TRcOptionName& option : kRcOptions) {
    if (!option.takesValue || lower.size() <= option.name.size() ||
        lower.compare(0, option.name.size(), option.name) != 0)
      continue;
    joined = body.substr(option.name.size());
    if (argument[0] == '/' && joined.find('/') != std::string::npos) return false;
    match = &option;
    return true;
  }
  return false;
}

void CheckName(const std::string& definition, const std::string& option) {
  if (definition.empty() || definition[0] == '=')
    throw TCommandLineError("option " + option + " needs a name: " + option + " NAME or " + option + " NAME=value");
}

// The INCLUDE variable's folders, separated by ";" or ":".
void AddIncludeVariable(TCompileOptions& options) {
  const char* variable = std::getenv("INCLUDE");
  if (variable == nullptr) return;
  std::string_view rest = variable;
  while (!rest.empty()) {
    std::size_t end = rest.find_first_of(";:");
    std::string_view folder = rest.substr(0, end);
    if (!folder.empty()) options.includeDirectories.emplace_back(folder);
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
}

void Apply(TRcCommand& command, TRcOption option, const std::string& value, const std::string& spelled,
           bool& ignoreInclude) {
  TInvocation& invocation = command.invocation;
  TCompileOptions& compile = invocation.compile;
  switch (option) {
    case TRcOption::Output:
      invocation.output = value;
      break;
    case TRcOption::Include:
      compile.includeDirectories.push_back(value);
      break;
    case TRcOption::Define:
      CheckName(value, spelled);
      compile.defines.push_back(value);
      break;
    case TRcOption::Undefine:
      CheckName(value, spelled);
      compile.undefines.push_back(value);
      break;
    case TRcOption::Language:
      compile.defaultLanguage = ParseLanguage(value, spelled);
      break;
    case TRcOption::CodePage:
      if (!CodePageCharset(value, compile.codePage))
        throw TCommandLineError("option " + spelled + " needs a code page this system can read: " + value);
      break;
    case TRcOption::NullTerminate:
      compile.nullTerminatedStrings = true;
      break;
    case TRcOption::IgnoreInclude:
      ignoreInclude = true;
      break;
    case TRcOption::Verbose:
      invocation.verbose = true;
      break;
    case TRcOption::Help:
      command.help = true;
      break;
    case TRcOption::NoEffect:
      break;
  }
}

// Takes the option at args[i] (and its value) into `command`; false when it names none.
bool TakeOption(const std::vector<std::string>& args, std::size_t& i, TRcCommand& command, bool& ignoreInclude) {
  const std::string& argument = args[i];
  TInvocation& invocation = command.invocation;
  if (argument[0] == '-') {
    if (TakeDependencyOption(args, i, invocation.dependencies)) return true;
    if (argument == "--depfile" || argument.rfind("--depfile=", 0) == 0) {
      invocation.dependencies.wanted = true;
      if (argument.size() > 10) {
        invocation.dependencies.file = argument.substr(10);
      } else if (i + 1 < args.size() && argument.size() == 9) {
        invocation.dependencies.file = args[++i];
      }
      if (invocation.dependencies.file.empty()) throw TCommandLineError("option --depfile needs a file name");
      return true;
    }
  }
  if (argument.size() > 2 && argument[1] == 'W') {
    std::string dashed = "-" + argument.substr(1);
    TWarningOptionRead read = ReadWarningOption(dashed, invocation.compile.warnings);
    if (read == TWarningOptionRead::UnknownName) throw TCommandLineError(UnknownWarningText(argument));
    if (read == TWarningOptionRead::Taken) return true;
  }
  const TRcOptionName* option = nullptr;
  std::string value;
  if (!MatchOption(argument, option, value)) return false;
  std::string spelled = argument.substr(0, 1 + option->name.size());
  if (option->takesValue && value.empty()) {
    if (i + 1 >= args.size()) throw TCommandLineError("option " + spelled + " needs a value");
    value = args[++i];
  }
  Apply(command, option->option, value, spelled, ignoreInclude);
  return true;
}

}  // namespace

TRcCommand ParseRcCommandLine(const std::vector<std::string>& args) {
  TRcCommand command;
  TInvocation& invocation = command.invocation;
  invocation.compile.defaultLanguage = 0x409;
  invocation.compile.codePage = "CP1252";
  invocation.compile.lineMarkers = true;
  bool ignoreInclude = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& argument = args[i];
    bool optionLike = argument.size() > 1 && (argument[0] == '/' || argument[0] == '-');
    if (optionLike && TakeOption(args, i, command, ignoreInclude)) {
      if (!IsListedOption(TCommandLineMode::Rc, argument)) throw TCommandLineError("unknown option " + argument);
      continue;
    }
    if (argument.empty()) throw TCommandLineError("empty argument");
    // "/y" names no option and no file: a file at the root is written "//y".
    if (argument[0] == '-' || (optionLike && argument.find('/', 1) == std::string::npos))
      throw TCommandLineError("unknown option " + argument);
    if (!invocation.input.empty())
      throw TCommandLineError("one script per run: " + invocation.input + " and " + argument);
    invocation.input = argument;
  }
  if (command.help) return command;
  if (invocation.input.empty()) throw TCommandLineError("no resource script named");
  if (invocation.output.empty()) invocation.output = ReplaceExtension(invocation.input, ".res");
  if (!ignoreInclude) AddIncludeVariable(invocation.compile);
  return command;
}

int RunRcCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  TRcCommand command;
  try {
    command = ParseRcCommandLine(ExpandResponseFiles(args));
  } catch (const TCommandLineError& failure) {
    PrintGnuError(err, failure.what());
    return 1;
  }
  if (command.help) {
    out << UsageText(TCommandLineMode::Rc);
    return 0;
  }
  return RunInvocation(command.invocation, err);
}

}  // namespace tarvex
