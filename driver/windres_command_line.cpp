#include "driver/windres_command_line.h"

#include <cstdlib>
#include <string_view>

#include "driver/decompile.h"
#include "driver/gnu_diagnostics.h"
#include "driver/option_table.h"
#include "reader/diagnostics.h"
#include "reader/utf16.h"

namespace tarvex {

namespace {

enum class TWindresOption {
  Input,
  Output,
  InputFormat,
  OutputFormat,
  Target,
  Include,
  Define,
  Undefine,
  Language,
  Names,
  CodePage,
  Preprocessor,
  PreprocessorArg,
  Depfile,
  Verbose,
  Help,
  Version,
  NoEffect
};

struct TWindresOptionName {
  char letter;  ///< 0: long form only
  std::string_view name;
  TWindresOption option;
  bool takesValue;
};

constexpr TWindresOptionName kWindresOptions[] = {
    {'i', "input", TWindresOption::Input, true},
    {'o', "output", TWindresOption::Output, true},
    {'J', "input-format", TWindresOption::InputFormat, true},
    {'O', "output-format", TWindresOption::OutputFormat, true},
    {'F', "target", TWindresOption::Target, true},
    {'I', "include-dir", TWindresOption::Include, true},
    {'D', "define", TWindresOption::Define, true},
    {'U', "undefine", TWindresOption::Undefine, true},
    {'l', "language", TWindresOption::Language, true},
    {'H', "names", TWindresOption::Names, true},
    {'c', "codepage", TWindresOption::CodePage, true},
    {0, "preprocessor", TWindresOption::Preprocessor, true},
    {0, "preprocessor-arg", TWindresOption::PreprocessorArg, true},
    {0, "depfile", TWindresOption::Depfile, true},
    {'v', "verbose", TWindresOption::Verbose, false},
    {'h', "help", TWindresOption::Help, false},
    {'V', "version", TWindresOption::Version, false},
    {0, "use-temp-file", TWindresOption::NoEffect, false},
    {0, "no-use-temp-file", TWindresOption::NoEffect, false},
    {'r', "", TWindresOption::NoEffect, false},
};

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool ParseTarget(std::string_view target, TMachine& machine) {
  if (target == "pe-i386" || target == "pei-i386") {
    machine = TMachine::X86;
  } else if (target == "pe-x86-64" || target == "pei-x86-64") {
    machine = TMachine::X64;
  } else if (target == "pe-aarch64" || target == "pe-aarch64-little" || target == "pei-aarch64-little") {
    machine = TMachine::Arm64;
  } else {
    return false;
  }
  return true;
}

// The machine of a target triple's architecture; false for one no object is made for.
bool ArchitectureMachine(std::string_view architecture, TMachine& machine) {
  if (architecture == "i386" || architecture == "i486" || architecture == "i586" || architecture == "i686") {
    machine = TMachine::X86;
  } else if (architecture == "x86_64" || architecture == "amd64") {
    machine = TMachine::X64;
  } else if (architecture == "aarch64" || architecture == "arm64") {
    machine = TMachine::Arm64;
  } else {
    return false;
  }
  return true;
}

// "i686-w64-mingw32-windres" names the machine of i686. A prefix that is no triple
// ("tarvex-windres") names none; a triple of an architecture without objects is refused.
TMachine MachineOfProgramName(std::string_view programName) {
  TMachine machine = TMachine::X64;
  if (!EndsWith(programName, "-windres")) return machine;
  std::string_view triple = programName.substr(0, programName.size() - 8);
  std::size_t dash = triple.find('-');
  if (dash == std::string_view::npos) return machine;
  std::string_view architecture = triple.substr(0, dash);
  bool isTriple = triple.find('-', dash + 1) != std::string_view::npos;  // architecture-vendor-system
  if (!ArchitectureMachine(architecture, machine) && isTriple)
    throw TCommandLineError("no COFF objects for the machine " + std::string(architecture) +
                            " of the program name; name a target with -F (pe-i386, pe-x86-64, pe-aarch64)");
  return machine;
}

// The code page of -c: decimal, or hexadecimal after "0x".
std::string CodePageOf(const std::string& value, const std::string& option) {
  std::string number = value;
  if (value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) {
    std::string digits = value.substr(2);
    if (digits.size() <= 4 && digits.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos)
      number = std::to_string(std::strtoul(digits.c_str(), nullptr, 16));
  }
  std::string charset;
  if (!CodePageCharset(number, charset))
    throw TCommandLineError("option " + option + " needs a code page this system can read: " + value);
  return charset;
}

void CheckName(const std::string& definition, const std::string& option) {
  if (definition.empty() || definition[0] == '=')
    throw TCommandLineError("option " + option + " needs a name: " + option + " NAME or " + option + " NAME=value");
}

class TWindresParser {
 public:
  TWindresParser(const std::vector<std::string>& args, TWindresCommand& command) : args_(args), command_(command) {}

  void Parse() {
    for (i_ = 0; i_ < args_.size(); ++i_) {
      const std::string& argument = args_[i_];
      if (argument.size() > 1 && argument[0] == '-') {
        TakeOption(argument);
        if (!IsListedOption(TCommandLineMode::Windres, argument)) throw TCommandLineError("unknown option " + argument);
      } else if (argument.empty() || argument == "-") {
        throw TCommandLineError(argument.empty() ? "empty argument" : "reading standard input is not supported");
      } else {
        Positional(argument);
      }
    }
    if (!pendingWrapped_.empty())
      throw TCommandLineError("option --preprocessor-arg=" + pendingWrapped_ + " needs a value");
  }

  std::string inputFormat;
  std::string outputFormat;
  std::string target;

 private:
  void TakeOption(const std::string& argument) {
    if (TakeDependencyOption(args_, i_, command_.invocation.dependencies)) return;
    if (argument.rfind("--", 0) == 0 && argument.size() > 2) return LongOption(argument);
    ShortOption(argument);
  }

  std::string NextValue(const std::string& spelled) {
    if (i_ + 1 >= args_.size()) throw TCommandLineError("option " + spelled + " needs a value");
    return args_[++i_];
  }

  void LongOption(const std::string& argument) {
    std::size_t equals = argument.find('=');
    std::string_view name =
        std::string_view(argument).substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
    for (const TWindresOptionName& option : kWindresOptions) {
      if (option.name.empty() || option.name != name) continue;
      std::string spelled = "--" + std::string(name);
      if (!option.takesValue) {
        if (equals != std::string::npos) throw TCommandLineError("option " + spelled + " takes no value");
        return Apply(option.option, {}, spelled);
      }
      std::string value = equals != std::string::npos ? argument.substr(equals + 1) : NextValue(spelled);
      return Apply(option.option, value, spelled);
    }
    throw TCommandLineError("unknown option " + argument);
  }

  void ShortOption(const std::string& argument) {
    TWarningOptionRead read = ReadWarningOption(argument, command_.invocation.compile.warnings);
    if (read == TWarningOptionRead::UnknownName) throw TCommandLineError(UnknownWarningText(argument));
    if (read == TWarningOptionRead::Taken) return;
    for (const TWindresOptionName& option : kWindresOptions) {
      if (option.letter != argument[1]) continue;
      std::string spelled = argument.substr(0, 2);
      if (!option.takesValue) {
        if (argument.size() > 2) break;
        return Apply(option.option, {}, spelled);
      }
      std::string value = argument.size() > 2 ? argument.substr(2) : NextValue(spelled);
      return Apply(option.option, value, spelled);
    }
    throw TCommandLineError("unknown option " + argument);
  }

  void Positional(const std::string& argument) {
    TInvocation& invocation = command_.invocation;
    if (invocation.input.empty()) {
      invocation.input = argument;
    } else if (invocation.output.empty()) {
      invocation.output = argument;
    } else {
      throw TCommandLineError("one input and one output per run: " + invocation.input + ", " + invocation.output +
                              " and " + argument);
    }
  }

  void SetOnce(std::string& field, const std::string& value, const char* what) {
    if (!field.empty()) throw TCommandLineError(std::string("one ") + what + " per run: " + field + " and " + value);
    field = value;
  }

  // An argument meant for the C preprocessor: -D, -U, -I and the dependency options are
  // taken (their value joined or in the next --preprocessor-arg), anything else ignored.
  void PreprocessorArgument(const std::string& value) {
    if (!pendingWrapped_.empty()) {
      std::string option = pendingWrapped_;
      pendingWrapped_.clear();
      return PreprocessorArgument(option + value);
    }
    if (value == "-D" || value == "-U" || value == "-I" || value == "-MF" || value == "-MT" || value == "-MQ") {
      pendingWrapped_ = value;
      return;
    }
    std::vector<std::string> single{value};
    std::size_t at = 0;
    if (TakeDependencyOption(single, at, command_.invocation.dependencies)) return;
    TCompileOptions& compile = command_.invocation.compile;
    std::string rest = value.size() > 2 ? value.substr(2) : std::string();
    if (value.rfind("-D", 0) == 0) {
      CheckName(rest, "-D");
      compile.defines.push_back(rest);
    } else if (value.rfind("-U", 0) == 0) {
      CheckName(rest, "-U");
      compile.undefines.push_back(rest);
    } else if (value.rfind("-I", 0) == 0) {
      compile.includeDirectories.push_back(rest);
    }
  }

  void Apply(TWindresOption option, const std::string& value, const std::string& spelled) {
    TInvocation& invocation = command_.invocation;
    TCompileOptions& compile = invocation.compile;
    switch (option) {
      case TWindresOption::Input:
        return SetOnce(invocation.input, value, "input");
      case TWindresOption::Output:
        return SetOnce(invocation.output, value, "output");
      case TWindresOption::InputFormat:
        inputFormat = value;
        return;
      case TWindresOption::OutputFormat:
        outputFormat = value;
        return;
      case TWindresOption::Target:
        target = value;
        return;
      case TWindresOption::Include:
        compile.includeDirectories.push_back(value);
        return;
      case TWindresOption::Define:
        CheckName(value, spelled);
        compile.defines.push_back(value);
        return;
      case TWindresOption::Undefine:
        CheckName(value, spelled);
        compile.undefines.push_back(value);
        return;
      case TWindresOption::Language:
        compile.defaultLanguage = ParseLanguage(value, spelled);
        return;
      case TWindresOption::CodePage:
        compile.codePage = CodePageOf(value, spelled);
        return;
      case TWindresOption::Names:
        command_.names = value;
        return;
      case TWindresOption::PreprocessorArg:
        return PreprocessorArgument(value);
      case TWindresOption::Depfile:
        if (value.empty()) throw TCommandLineError("option --depfile needs a file name");
        invocation.dependencies.wanted = true;
        invocation.dependencies.file = value;
        return;
      case TWindresOption::Verbose:
        invocation.verbose = true;
        return;
      case TWindresOption::Help:
        command_.help = true;
        return;
      case TWindresOption::Version:
        command_.version = true;
        return;
      case TWindresOption::Preprocessor:
      case TWindresOption::NoEffect:
        return;
    }
  }

  const std::vector<std::string>& args_;
  TWindresCommand& command_;
  std::size_t i_ = 0;
  std::string pendingWrapped_;  ///< a wrapped option whose value is the next wrapped argument
};

// The script to the output file, or to `out` when none is named; nothing printed on
// success, as windres prints nothing.
int RunWindresDecompile(const TWindresCommand& command, std::ostream& out, std::ostream& err) {
  TDecompileRequest request;
  request.input = command.invocation.input;
  request.script = command.invocation.output;
  request.toStream = request.script.empty();
  request.namesHeader = command.names;
  if (command.decompileKind == "res") request.kind = TDecompileInput::Res;
  if (command.decompileKind == "coff") request.kind = TDecompileInput::Coff;
  if (command.decompileKind == "pe") request.kind = TDecompileInput::Program;
  try {
    TDecompileResult result = Decompile(request, &out);
    for (const std::string& difference : result.differences) err << "tarvex: warning: " << SafeText(difference) << "\n";
  } catch (const std::exception& failure) {
    PrintGnuError(err, failure.what());
    return 1;
  }
  return 0;
}

}  // namespace

TWindresCommand ParseWindresCommandLine(const std::vector<std::string>& args, const std::string& programName) {
  TWindresCommand command;
  TInvocation& invocation = command.invocation;
  invocation.compile.defaultLanguage = 0x409;
  invocation.compile.codePage = "CP1252";
  invocation.compile.lineMarkers = true;
  TWindresParser parser(args, command);
  parser.Parse();
  if (command.help || command.version) return command;
  if (invocation.input.empty()) throw TCommandLineError("no input file named (-i or the first file name)");
  command.decompile =
      parser.outputFormat == "rc" || (parser.outputFormat.empty() && EndsWith(invocation.output, ".rc"));
  if (command.decompile) {
    if (!parser.inputFormat.empty() && parser.inputFormat != "res" && parser.inputFormat != "coff" &&
        parser.inputFormat != "pe")
      throw TCommandLineError("input format " + parser.inputFormat + " cannot be decompiled (res, coff or pe)");
    command.decompileKind = parser.inputFormat;
    return command;
  }
  if (!command.names.empty()) throw TCommandLineError("option -H names ids of a decompiled script: it needs -O rc");
  if (invocation.output.empty()) throw TCommandLineError("no output file named (-o or the second file name)");
  if (parser.inputFormat == "coff" || parser.inputFormat == "pe")
    throw TCommandLineError("input format " + parser.inputFormat + " is read only to write a script (-O rc)");
  if (parser.inputFormat.empty()) {
    invocation.inputIsRes = EndsWith(invocation.input, ".res");
  } else if (parser.inputFormat == "res" || parser.inputFormat == "rc") {
    invocation.inputIsRes = parser.inputFormat == "res";
  } else {
    throw TCommandLineError("input format " + parser.inputFormat + " is not supported (rc or res)");
  }
  if (parser.outputFormat.empty()) {
    invocation.coff = !EndsWith(invocation.output, ".res");
  } else if (parser.outputFormat == "res" || parser.outputFormat == "coff" || parser.outputFormat == "html") {
    invocation.coff = parser.outputFormat == "coff";
    invocation.html = parser.outputFormat == "html";
  } else {
    throw TCommandLineError("output format " + parser.outputFormat + " is not supported (res, coff, html or rc)");
  }
  if (!parser.target.empty()) {
    if (!ParseTarget(parser.target, invocation.machine))
      throw TCommandLineError("unknown target " + parser.target + " (pe-i386, pe-x86-64 or pe-aarch64)");
  } else {
    invocation.machine = MachineOfProgramName(programName);
  }
  return command;
}

int RunWindresCommandLine(const std::vector<std::string>& args, const std::string& programName, std::ostream& out,
                          std::ostream& err) {
  TWindresCommand command;
  try {
    command = ParseWindresCommandLine(ExpandResponseFiles(args), programName);
  } catch (const TCommandLineError& failure) {
    PrintGnuError(err, failure.what());
    return 1;
  }
  if (command.version) {
    out << "TARVEX resource compiler " TARVEX_VERSION " (GNU windres compatible command line)\n";
    return 0;
  }
  if (command.help) {
    out << UsageText(TCommandLineMode::Windres);
    return 0;
  }
  if (command.decompile) return RunWindresDecompile(command, out, err);
  return RunInvocation(command.invocation, err);
}

}  // namespace tarvex
