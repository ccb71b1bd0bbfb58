// Test-only: reads small scripts through GetToken the way the statement loop does.
#pragma once

#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "data/predefined.h"
#include "preprocessor/conditionals.h"
#include "preprocessor/preprocessor.h"
#include "reader/parser.h"
#include "tests/test_support.h"

namespace tarvex::test {

/// A script a.rc (plus other files) in a fresh folder, opened for reading as a
/// compilation opens it. The folder is the working directory while the reader lives.
class TScriptReader {
 public:
  explicit TScriptReader(const std::string& script, const std::vector<std::pair<std::string, std::string>>& files = {})
      : cwd_(dir_.Path()) {
    for (const auto& [name, text] : files) dir_.Write(name, text);
    dir_.Write("a.rc", script);
    parser.defines.LoadPredefined(PredefinedSymbols());
    OpenSourceFile(parser, "a.rc");
  }

  std::string Next() { return GetToken(parser); }

  /// Every token up to the end of input, joined by one blank, then the end-of-input check
  /// of the statement loop. A failure gives "error <number> line <line>: <text>".
  std::string All() {
    std::string tokens;
    try {
      for (std::string token = Next(); !token.empty(); token = Next()) tokens += (tokens.empty() ? "" : " ") + token;
      CheckConditionalsClosed(parser);
    } catch (const std::exception& failure) {
      return "error " + std::to_string(parser.errorNumber) + " line " + std::to_string(parser.errorLine) + ": " +
             failure.what();
    }
    return tokens;
  }

  TRCParser parser;

 private:
  TTempDir dir_;
  TWorkingDirectory cwd_;
};

/// The tokens of `script` as TScriptReader::All gives them.
inline std::string Preprocess(const std::string& script,
                              const std::vector<std::pair<std::string, std::string>>& files = {}) {
  return TScriptReader(script, files).All();
}

}  // namespace tarvex::test
