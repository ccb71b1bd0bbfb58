// Diagnostics: the message template is filled here, by our own code, so that text taken
// from a script or a file name is copied as it is and never read as a format.
#include "reader/diagnostics.h"

#include "data/messages.h"
#include "reader/parser.h"

namespace tarvex {

std::string FillPlaceholders(std::string_view format, std::initializer_list<TMessageArg> args) {
  std::string text;
  text.reserve(format.size() + 32);
  auto arg = args.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    bool placeholder = format[i] == '%' && i + 1 < format.size() && (format[i + 1] == 's' || format[i + 1] == 'd');
    if (!placeholder) {
      text += format[i];
      continue;
    }
    if (arg != args.end()) text += (arg++)->text;  // a missing argument fills nothing
    ++i;
  }
  return text;
}

std::string FormatMessage(int number, std::initializer_list<TMessageArg> args) {
  return FillPlaceholders(MessageText(number), args);
}

void ReportError(TRCParser& parser, int number, std::initializer_list<TMessageArg> args) {
  parser.errorNumber = number;
  if (parser.currentFile == nullptr) {
    parser.errorFileName.clear();
    parser.errorLine = 0;
    throw TCompileError(FormatMessage(number, args));
  }
  parser.errorFileName = parser.currentFile->name;
  parser.errorLine = parser.currentFile->line;
  throw TCompileError("File " + parser.errorFileName + ". Line " + std::to_string(parser.errorLine) + " : " +
                      FormatMessage(number, args));
}

void RaiseFailure(std::string text) { throw TUnplacedFailure(std::move(text)); }

void ReportLocatedFailure(TRCParser& parser, std::string_view text) {
  if (parser.currentFile == nullptr) throw TCompileError(std::string(text));
  parser.errorFileName = parser.currentFile->name;
  parser.errorLine = parser.currentFile->line;
  throw TCompileError("File " + parser.errorFileName + ". Line " + std::to_string(parser.errorLine) + " : " +
                      std::string(text));
}

}  // namespace tarvex
