#include "statements/compile_api.h"

#include <exception>

namespace tarvex {

namespace {

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
