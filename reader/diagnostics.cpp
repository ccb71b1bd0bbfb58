// Diagnostics: the message template is filled here, by our own code, so that text taken
// from a script or a file name is copied as it is and never read as a format.
#include "reader/diagnostics.h"

#include <algorithm>

#include "data/messages.h"
#include "reader/char_class.h"
#include "reader/parser.h"
#include "reader/source_place.h"

namespace tarvex {

namespace {

// The length of the valid UTF-8 sequence that starts `text` (1 to 4), or 0 when its
// first byte starts none: a stray continuation byte, an overlong form, a surrogate, a
// value beyond U+10FFFF or a sequence cut short.
std::size_t Utf8SequenceLength(std::string_view text) {
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  unsigned char lead = byte(0);
  std::size_t length = lead < 0x80                    ? 1
                       : lead >= 0xC2 && lead <= 0xDF ? 2
                       : lead >= 0xE0 && lead <= 0xEF ? 3
                       : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                      : 0;
  if (length == 0 || text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i)
    if ((byte(i) & 0xC0) != 0x80) return 0;
  // The second byte's range excludes overlong forms, surrogates and values past U+10FFFF.
  if ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) > 0x9F) || (lead == 0xF0 && byte(1) < 0x90) ||
      (lead == 0xF4 && byte(1) > 0x8F))
    return 0;
  return length;
}

void AppendEscape(std::string& out, unsigned char byte) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out += "\\x";
  out += kDigits[byte >> 4];
  out += kDigits[byte & 15];
}

}  // namespace

std::string SafeText(std::string_view text) {
  if (IsPrintableAscii(text)) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    // Printable ASCII, most of every text, is taken a run at a time.
    std::size_t plain = i;
    while (plain < text.size() && text[plain] >= 0x20 && text[plain] < 0x7F) ++plain;
    if (plain > i) {
      out.append(text.substr(i, plain - i));
      i = plain;
      continue;
    }
    auto byte = static_cast<unsigned char>(text[i]);
    std::size_t length = Utf8SequenceLength(text.substr(i));
    // C1 controls (C2 80 to C2 9F) act as escape sequences on some terminals.
    bool c1 = length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
    std::size_t step = std::max<std::size_t>(length, 1);
    if (length == 0 || byte < 0x20 || byte == 0x7F || c1) {
      for (std::size_t k = 0; k < step; ++k) AppendEscape(out, static_cast<unsigned char>(text[i + k]));
    } else {
      out.append(text.substr(i, step));
    }
    i += step;
  }
  return out;
}

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
  RecordErrorDetail(parser, FormatMessage(number, args));
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
  RecordErrorDetail(parser, text);
  if (parser.currentFile == nullptr) throw TCompileError(std::string(text));
  parser.errorFileName = parser.currentFile->name;
  parser.errorLine = parser.currentFile->line;
  throw TCompileError("File " + parser.errorFileName + ". Line " + std::to_string(parser.errorLine) + " : " +
                      std::string(text));
}

}  // namespace tarvex
