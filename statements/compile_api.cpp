#include "statements/compile_api.h"

#include <exception>

#include "data/predefined.h"
#include "output/res_writer.h"
#include "reader/diagnostics.h"
#include "statements/statements.h"

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

void RecordFailure(const TRCParser& parser, const std::exception& failure, TCompilation& result) {
  result.image.clear();
  result.errorText = failure.what();
  // An empty text would read as success: a failure must never pass for one.
  if (result.errorText.empty()) result.errorText = "Compilation failed";
  result.errorNumber = parser.errorNumber;
  result.errorLine = parser.errorLine;
  result.errorFile = parser.errorFileName;
}

std::unique_ptr<TRCParser> NewParser(const TResourceNotification& notification, const TCompileOptions& options) {
  auto parser = std::make_unique<TRCParser>();
  parser->resourceNotification = notification;
  parser->options = options;
  return parser;
}

}  // namespace

void CompileImage(TRCParser& parser, const std::string& scriptName) {
  parser.defines.LoadPredefined(PredefinedSymbols());
  ApplyCommandLineNames(parser);
  TFileItem& script = OpenSourceFile(parser, scriptName);
  // The image is seldom larger than twice the script: room for it is made once.
  parser.output.Reserve(2 * script.text.size() + 4096);
  WriteLeadingEntry(parser.output);
  CompileStatements(parser);
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
  } catch (const std::exception& failure) {
    RecordFailure(*parser, failure, result);
  }
  return result;
}

}  // namespace tarvex
