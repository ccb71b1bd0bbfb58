#include "statements/compile_api.h"

#include <charconv>
#include <exception>
#include <unordered_set>

#include "preprocessor/preprocessor.h"

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

// The value of each name the script's own files defined, read as the script would read
// the name: from a one-word text on the file stack. Names that do not stand for a number
// are left out.
void CollectDefineNames(TRCParser& parser, TCompilation& result) {
  std::unordered_set<std::string_view> seen;
  for (const std::string& name : parser.scriptDefineNames) {
    if (!seen.insert(name).second || !parser.defines.Find(name)) continue;
    auto item = std::make_unique<TFileItem>();
    item->text = name;
    item->name = name;
    item->owner = &parser;
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
    if (!token.empty() && error == std::errc() && end == token.data() + token.size())
      result.defineNames.emplace_back(name, value);
  }
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
    CollectDefineNames(*parser, result);
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
