#include "statements/compile_api.h"

#include <charconv>
#include <exception>
#include <new>
#include <unordered_set>
#include <utility>

#include "data/predefined.h"
#include "output/coff_writer.h"
#include "output/res_writer.h"
#include "preprocessor/preprocessor.h"
#include "reader/diagnostics.h"
#include "reader/source_place.h"
#include "reader/utf16.h"
#include "reader/warning_collector.h"
#include "statements/statements.h"
#include "statements/warning_checks.h"
#include "tarvex/tarvex.h"

namespace tarvex {

namespace {

// Every compilation sees RC_INVOKED and _WIN32, as scripts expect of a resource compiler,
// then the names the command line defines and removes.
void ApplyCommandLineNames(TRCParser& parser) {
  parser.defines.Set("RC_INVOKED", "1");
  parser.defines.Set("_WIN32", "1");
  for (const std::string& definition : parser.options.defines) {
    std::size_t equals = definition.find('=');
    if (equals == std::string::npos)
      parser.defines.Set(definition, "1");
    else
      parser.defines.Define(definition.substr(0, equals), definition.substr(equals + 1));
  }
  for (const std::string& name : parser.options.undefines) parser.defines.Remove(name);
}

// The warnings of a compilation, moved out of the parser. When they keep places in files
// still open, those are closed first: the places take their texts as they close.
void TakeWarnings(TRCParser& parser, TCompilation& result) {
  if (!parser.warnings) return;
  if (parser.warnings->findings && parser.warnings->findings->KeepsOpenFiles())
    while (!parser.fileStack.empty()) CloseSourceFile(parser);
  result.warnings = std::move(parser.warnings->warnings);
}

void RecordFailure(TRCParser& parser, const std::exception& failure, TCompilation& result) {
  result.image.clear();
  result.errorText = dynamic_cast<const std::bad_alloc*>(&failure) != nullptr ? "Out of memory" : failure.what();
  // An empty text would read as success: a failure must never pass for one.
  if (result.errorText.empty()) result.errorText = "Compilation failed";
  result.errorNumber = parser.errorNumber;
  result.errorLine = parser.errorLine;
  result.errorFile = parser.errorFileName;
  result.detail = parser.errorDetail;
  if (result.detail.message.empty()) result.detail.message = result.errorText;
  TakeWarnings(parser, result);
}

std::unique_ptr<TRCParser> NewParser(const TResourceNotification& notification, const TCompileOptions& options) {
  auto parser = std::make_unique<TRCParser>();
  parser->resourceNotification = notification;
  parser->options = options;
  return parser;
}

TScriptPlace ScriptPlace(bool located, const TSourceLocation& where) {
  TScriptPlace place;
  if (!located) return place;
  place.file = where.file;
  place.line = where.line;
  place.column = where.column;
  return place;
}

TScriptWarning ScriptWarning(TWarning& warning) {
  LocateWarning(warning);
  TScriptWarning answer;
  answer.name = WarningName(warning.kind);
  answer.text = warning.detail.message;
  answer.place = ScriptPlace(warning.detail.located, warning.detail.where);
  for (const TDiagnosticNote& note : warning.detail.notes)
    answer.notes.push_back({ScriptPlace(note.located, note.where), note.text});
  return answer;
}

// The compilation a host asks for through the library interface: `text`, when given,
// is the script under `scriptName`.
TScriptResult CompileForHost(const std::string& scriptName, std::string* text, const TScriptOptions& options) {
  TCompileOptions compileOptions;
  compileOptions.includeDirectories = options.includeDirectories;
  compileOptions.defines = options.defines;
  compileOptions.undefines = options.undefines;
  compileOptions.lanes = options.fastPath;
  std::string badWarningOption;
  for (const std::string& option : options.warningOptions)
    if (ReadWarningOption(option, compileOptions.warnings) != TWarningOptionRead::Taken && badWarningOption.empty())
      badWarningOption = option;
  TCompilation result;
  std::unique_ptr<TRCParser> parser = NewParser({}, compileOptions);
  parser->fileSupplier = options.files;
  if (text) parser->suppliedFiles[scriptName] = std::move(*text);
  try {
    if (!badWarningOption.empty()) RaiseFailure(UnknownWarningText(badWarningOption));
    if (options.codePage != 0 && !CodePageCharset(std::to_string(options.codePage), parser->options.codePage))
      RaiseFailure("Unknown code page " + std::to_string(options.codePage));
    CompileImage(*parser, scriptName);
    if (options.coff) {
      TMachine machine = options.machine == TObjectMachine::X86     ? TMachine::X86
                         : options.machine == TObjectMachine::Arm64 ? TMachine::Arm64
                                                                    : TMachine::X64;
      result.image = ResToCoff(parser->output.TakeBytes(), machine);
    } else {
      result.image = parser->output.TakeBytes();
    }
    result.dependencies = parser->openedFiles;
    TakeWarnings(*parser, result);
  } catch (const std::exception& failure) {
    RecordFailure(*parser, failure, result);
  }
  TScriptResult answer;
  answer.image = std::move(result.image);
  answer.errorText = std::move(result.errorText);
  answer.errorNumber = result.errorNumber;
  answer.errorLine = result.errorLine;
  if (result.detail.located) answer.errorColumn = result.detail.where.column;
  answer.errorFile = std::move(result.errorFile);
  answer.dependencies = std::move(result.dependencies);
  for (TWarning& warning : result.warnings.All()) answer.warnings.push_back(ScriptWarning(warning));
  return answer;
}

}  // namespace

// The value of each name the script's own files defined, read as the script would read
// the name: from a one-word text on the file stack. Names that do not stand for a number
// are left out.
std::optional<std::int64_t> DefinedNameValue(TRCParser& parser, const std::string& name) {
  if (!parser.defines.Find(name)) return std::nullopt;
  auto item = std::make_unique<TFileItem>();
  item->text = name;
  item->name = name;
  item->owner = &parser;
  // Nothing beneath the name: its reading must end with it.
  while (!parser.fileStack.empty()) CloseSourceFile(parser);
  parser.fileStack.push_back(std::move(item));
  parser.currentFile = parser.fileStack.back().get();
  std::string token;
  try {
    token = GetToken(parser);
  } catch (const std::exception&) {
    token.clear();
  }
  while (!parser.fileStack.empty()) CloseSourceFile(parser);
  std::int64_t value = 0;
  auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
  if (token.empty() || error != std::errc() || end != token.data() + token.size()) return std::nullopt;
  return value;
}

std::vector<std::pair<std::string, std::int64_t>> ScriptDefineValues(TRCParser& parser) {
  std::vector<std::pair<std::string, std::int64_t>> names;
  std::unordered_set<std::string_view> seen;
  // A copy: reading a value can carry out a directive that defines another name.
  const std::vector<std::string> defined = parser.scriptDefineNames;
  for (const std::string& name : defined) {
    if (!seen.insert(name).second) continue;
    if (std::optional<std::int64_t> value = DefinedNameValue(parser, name)) names.emplace_back(name, *value);
  }
  return names;
}

TEditorCompilation CompileForEditor(const std::string& scriptName, const TCompileOptions& options,
                                    const TFileSupplier& files) {
  TEditorCompilation compilation;
  compilation.parser = NewParser({}, options);
  TRCParser& parser = *compilation.parser;
  parser.options.index = &compilation.index;
  parser.fileSupplier = files;
  try {
    CompileImage(parser, scriptName);
    TakeWarnings(parser, compilation.result);
  } catch (const std::exception& failure) {
    RecordFailure(parser, failure, compilation.result);
  }
  for (TWarning& warning : compilation.result.warnings.All()) LocateWarning(warning);
  compilation.output = parser.output.TakeBytes();
  compilation.result.dependencies = parser.openedFiles;
  // The index lives beside the parser, which may move with the compilation.
  parser.options.index = nullptr;
  while (!parser.fileStack.empty()) CloseSourceFile(parser);
  return compilation;
}

TScriptResult CompileScriptText(const std::string& name, const std::string& text, const TScriptOptions& options) {
  std::string copy = text;
  return CompileForHost(name, &copy, options);
}

TScriptResult CompileScriptText(const std::string& name, std::string&& text, const TScriptOptions& options) {
  return CompileForHost(name, &text, options);
}

TScriptResult CompileScriptFile(const std::string& fileName, const TScriptOptions& options) {
  return CompileForHost(fileName, nullptr, options);
}

void CompileImage(TRCParser& parser, const std::string& scriptName) {
  parser.defines.LoadPredefined(PredefinedSymbols());
  ApplyCommandLineNames(parser);
  parser.defaultLanguage = parser.options.defaultLanguage & 0x3FF;
  parser.defaultSublanguage = parser.options.defaultLanguage >> 10;
  StartWarnings(parser);
  try {
    TFileItem& script = OpenSourceFile(parser, scriptName);
    // The image is seldom larger than twice the script: room for it is made once.
    parser.output.Reserve(2 * script.text.size() + 4096);
    WriteLeadingEntry(parser.output);
    CompileStatements(parser);
  } catch (const TUnplacedFailure& failure) {
    // Failures raised by code that knows no place get the one the reading has reached.
    ReportLocatedFailure(parser, failure.what());
  } catch (const TCompileError& failure) {
    LocateFailure(parser, failure.what());  // a failure raised without the parser happened here
    throw;
  } catch (const std::bad_alloc&) {
    ReportLocatedFailure(parser, "Out of memory");  // where no statement names what was being read
  }
  FinishWarnings(parser);
}

void Compile(TRCParser& parser, const std::string& scriptName, const std::string& outputName) {
  CompileImage(parser, scriptName);
  SaveOutput(parser.output, outputName);
}

TCompilation CompileToImage(const std::string& scriptName, const TResourceNotification& notification,
                            const TCompileOptions& options) {
  TCompilation result;
  std::unique_ptr<TRCParser> parser = NewParser(notification, options);
  try {
    CompileImage(*parser, scriptName);
    result.image = parser->output.TakeBytes();
    result.dependencies = parser->openedFiles;
    if (options.defineNames) result.defineNames = ScriptDefineValues(*parser);
    TakeWarnings(*parser, result);
  } catch (const std::exception& failure) {
    RecordFailure(*parser, failure, result);
  }
  return result;
}

TCompilation CompileAndFinish(const std::string& scriptName, const TCompileOptions& options,
                              const std::function<void(TRCParser&)>& finish) {
  TCompilation result;
  std::unique_ptr<TRCParser> parser = NewParser({}, options);
  try {
    CompileImage(*parser, scriptName);
    result.dependencies = parser->openedFiles;
    finish(*parser);
    TakeWarnings(*parser, result);
  } catch (const std::exception& failure) {
    RecordFailure(*parser, failure, result);
  }
  return result;
}

TCompilation CompileToFile(const std::string& scriptName, const std::string& outputName,
                           const TResourceNotification& notification, const TCompileOptions& options) {
  TCompilation result;
  std::unique_ptr<TRCParser> parser = NewParser(notification, options);
  try {
    Compile(*parser, scriptName, outputName);
    result.dependencies = parser->openedFiles;
    TakeWarnings(*parser, result);
  } catch (const std::exception& failure) {
    RecordFailure(*parser, failure, result);
  }
  return result;
}

}  // namespace tarvex
