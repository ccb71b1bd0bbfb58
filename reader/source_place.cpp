// Places of diagnostics in the line:column form. A file's text changes while it is read
// (substituted values overwrite bytes already read), so places are taken from the text
// as it was read. Everything here runs once per failure, never per token, except the
// small bookkeeping of TrackBlock.
#include "reader/source_place.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "reader/diagnostics.h"
#include "reader/parser.h"
#include "reader/utf16.h"

namespace tarvex {

namespace {

// Longer lines are located but not shown: a caret under a line of megabytes helps no one.
constexpr std::size_t kShownLineLimit = 1000;

unsigned char ByteAt(std::string_view text, std::size_t i) { return static_cast<unsigned char>(text[i]); }

// The length of the well-formed UTF-8 sequence at `at`, or 0.
std::size_t Utf8Length(std::string_view text, std::size_t at) {
  unsigned char lead = ByteAt(text, at);
  std::size_t length = lead < 0x80 ? 1 : lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead <= 0xF4 ? 4 : 0;
  if (length == 0 || at + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k)
    if ((ByteAt(text, at + k) & 0xC0) != 0x80) return 0;
  unsigned char second = length > 1 ? ByteAt(text, at + 1) : 0;
  if ((lead == 0xE0 && second < 0xA0) || (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
    return 0;  // overlong, or beyond U+10FFFF
  return length;
}

// How the bytes of a character set group into characters.
class TCharacterSplitter {
 public:
  explicit TCharacterSplitter(const std::string& charset)
      : utf8_(IsUtf8Charset(charset)), doubleByte_(utf8_ ? TDoubleByteSet::None : DoubleByteSetOf(charset)) {}

  // The length of the character at `at`: a byte that starts no character is one.
  std::size_t LengthAt(std::string_view text, std::size_t at) const {
    unsigned char byte = ByteAt(text, at);
    if (byte < 0x80) return 1;
    if (utf8_) return std::max<std::size_t>(1, Utf8Length(text, at));
    bool pair = IsLeadByte(doubleByte_, byte) && at + 1 < text.size() && ByteAt(text, at + 1) >= 0x30;
    return pair ? 2 : 1;
  }

 private:
  bool utf8_;
  TDoubleByteSet doubleByte_;
};

std::string Escaped(std::string_view bytes) {
  std::string out;
  for (char c : bytes) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
    out += hex;
  }
  return out;
}

bool IsControl(char32_t code) { return (code < 0x20 && code != '\t') || (code >= 0x7F && code < 0xA0); }

// One character as it is shown: UTF-8, or \xNN per byte for a control character or a
// byte the character set does not convert (nothing that reaches a terminal can steer it).
std::string Shown(std::string_view character, const std::string& charset) {
  if (character.size() == 1 && ByteAt(character, 0) < 0x80)
    return IsControl(ByteAt(character, 0)) ? Escaped(character) : std::string(character);
  std::u16string units;
  try {
    units = ToUtf16(character, charset);
  } catch (const std::exception&) {
    return Escaped(character);
  }
  for (char16_t unit : units)
    if (IsControl(unit)) return Escaped(character);
  return UnitsToUtf8(units);
}

std::size_t CodePoints(std::string_view utf8) {
  return static_cast<std::size_t>(
      std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

bool IsIdentifierByte(unsigned char c, bool first) {
  return c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (!first && c >= '0' && c <= '9');
}

// The C identifier that starts at `at` of `text`, or empty.
std::string_view IdentifierAt(std::string_view text, std::size_t at) {
  if (at >= text.size() || !IsIdentifierByte(ByteAt(text, at), true)) return {};
  std::size_t end = at + 1;
  while (end < text.size() && IsIdentifierByte(ByteAt(text, end), false)) ++end;
  return text.substr(at, end - at);
}

// Messages raised when a number, an identifier value or a string was expected: a name
// standing there that nothing defines is the likely cause.
bool ExpectsValue(int number) {
  switch (number) {
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 13:
    case 28:
    case 74:
    case 83:
    case 86:
    case 97:
    case 98:
    case 99:
    case 100:
    case 101:
    case 102:
    case 103:
    case 104:
    case 105:
    case 106:
    case 107:
    case 108:
    case 109:
    case 110:
    case 111:
    case 112:
    case 114:
    case 116:
    case 123:
      return true;
    default:
      return false;
  }
}

bool IsDefined(const TRCParser& parser, std::string_view name) {
  return parser.defines.Find(name) != nullptr || !parser.unitConstants.Get(name).empty() ||
         parser.macros.Find(name) != nullptr;
}

// The name the failing token holds: from the text as read for a token of the source,
// from the current text for one of substituted text.
std::string_view FailingName(const TFileItem& file) {
  if (file.scan.at < file.substitutionMark) return IdentifierAt(file.text, file.scan.at);
  std::size_t at = file.scan.at - std::min(file.insertedBytes, file.scan.at);
  return file.Original() ? IdentifierAt(*file.Original(), at) : std::string_view();
}

void AddUndefinedNameNote(TRCParser& parser, std::string_view message) {
  const TFileItem* file = parser.currentFile;
  if (file == nullptr) return;
  std::string name(FailingName(*file));
  if (name.empty() || IsDefined(parser, name)) return;
  bool related = parser.errorNumber == 0 ? message.find("'" + name + "'") != std::string_view::npos
                                         : ExpectsValue(parser.errorNumber);
  if (!related) return;
  parser.errorDetail.notes.push_back({true, false, parser.errorDetail.where, "'" + name + "' is not defined"});
}

}  // namespace

// The character set a file's text is read in, as places name it.
const std::string& CharsetOf(const TRCParser& parser, const TFileItem& file) {
  static const std::string kUtf8 = "UTF-8";
  if (file.fromUtf16) return kUtf8;
  if (!parser.codePage.empty()) return parser.codePage;
  if (file.utf8Marked) return kUtf8;
  return parser.options.codePage;
}

namespace {

// The place of an open block, its text taken from its file while that is open.
TSourcePlace OpenBlockPlace(const TRCParser& parser, const TOpenBlock& block) {
  TSourcePlace place = parser.blockContexts[block.context];
  if (const TFileItem* file = parser.blockContextFiles[block.context]) place.text = file->Original();
  place.offset = block.offset;
  place.line = block.line;
  return place;
}

// A failure at the end of the input inside a block, or a missing #endif, names where the
// innermost open block began.
void AddOpenBlockNote(TRCParser& parser) {
  bool atEnd = parser.fileStack.size() == 1 && parser.currentFile == parser.fileStack.back().get() &&
               parser.currentFile->Exhausted();
  const bool missingEndif = parser.errorNumber == 24;
  if (!atEnd && !missingEndif) return;
  const std::vector<TOpenBlock>& braces = parser.openBlocks;
  const std::vector<TSourcePlace>& conditionals = parser.openConditionals;
  if (!missingEndif && !braces.empty()) {
    parser.errorDetail.notes.push_back({true, true, LocatePlace(OpenBlockPlace(parser, braces.back())),
                                        "the block opened here reaches the end of the input"});
  } else if (!conditionals.empty()) {
    parser.errorDetail.notes.push_back(
        {true, true, LocatePlace(conditionals.back()), "the conditional opened here has no #endif"});
  }
}

// "52. Double quoted..." without "52. "; message 58 has no blank after its period.
std::string_view WithoutNumber(std::string_view message) {
  std::size_t digits = 0;
  while (digits < message.size() && message[digits] >= '0' && message[digits] <= '9') ++digits;
  if (digits == 0 || digits >= message.size() || message[digits] != '.') return message;
  std::size_t start = digits + 1;
  if (start < message.size() && message[start] == ' ') ++start;
  return message.substr(start);
}

}  // namespace

std::int32_t CountCharacters(std::string_view bytes, const std::string& charset) {
  TCharacterSplitter splitter(charset);
  std::int32_t count = 0;
  for (std::size_t i = 0; i < bytes.size(); i += splitter.LengthAt(bytes, i)) ++count;
  return count;
}

TSourceLocation LocatePlace(const TSourcePlace& place) {
  TSourceLocation location;
  location.file = place.file;
  location.line = place.line;
  if (!place.text) return location;
  std::string_view text = *place.text;
  std::size_t offset = std::min(place.offset, text.size());
  std::size_t lineStart = offset == 0 ? 0 : text.rfind('\n', offset - 1);
  lineStart = lineStart == std::string_view::npos || offset == 0 ? 0 : lineStart + 1;
  std::size_t lineEnd = text.find('\n', offset);
  if (lineEnd == std::string_view::npos) lineEnd = text.size();
  if (lineEnd > lineStart && text[lineEnd - 1] == '\r') --lineEnd;
  location.column = 1 + CountCharacters(text.substr(lineStart, offset - lineStart), place.charset);
  if (lineEnd - lineStart > kShownLineLimit) return location;
  location.showsSource = true;
  TCharacterSplitter splitter(place.charset);
  for (std::size_t i = lineStart; i < lineEnd;) {
    std::size_t length = std::min(splitter.LengthAt(text, i), lineEnd - i);
    std::string shown = Shown(text.substr(i, length), place.charset);
    if (i < offset) location.caretCharacters += CodePoints(shown);
    location.sourceLine += shown;
    i += length;
  }
  return location;
}

TSourcePlace PlaceOf(const TRCParser& parser, const TFileItem& file, TTokenMark mark) {
  TSourcePlace place;
  place.text = file.Original();
  place.file = file.ReportedName();
  MarkAsRead(file, mark, place.offset, place.line);
  place.charset = CharsetOf(parser, file);
  return place;
}

bool CurrentPlace(const TRCParser& parser, TSourcePlace& place) {
  const TFileItem* file = parser.currentFile;
  if (file == nullptr || !file->Original()) return false;
  place = PlaceOf(parser, *file, file->scan);
  return true;
}

void RecordErrorDetail(TRCParser& parser, std::string_view message) {
  TDiagnosticDetail& detail = parser.errorDetail;
  detail = {};
  detail.message = std::string(WithoutNumber(message));
  TSourcePlace place;
  if (!CurrentPlace(parser, place)) return;
  detail.located = true;
  detail.where = LocatePlace(place);
  AddUndefinedNameNote(parser, detail.message);
  AddOpenBlockNote(parser);
}

void LocateFailure(TRCParser& parser, std::string_view message) {
  if (parser.errorDetail.located || !parser.errorDetail.message.empty()) return;
  RecordErrorDetail(parser, message);
}

namespace {

// A "{" read for the first time. Blocks read in the same file, under the same name and
// character set, share their context; the contexts are let go once no block is open.
[[gnu::noinline]] void OpenBlock(TRCParser& parser, const TFileItem& file) {
  constexpr std::size_t kKeptContexts = 64;
  if (parser.openBlocks.empty() && parser.blockContexts.size() > kKeptContexts) {
    parser.blockContexts.clear();
    parser.blockContextFiles.clear();
  }
  const std::string& name = file.ReportedName();
  const std::string& charset = CharsetOf(parser, file);
  if (parser.blockContexts.empty() || parser.blockContextFiles.back() != &file ||
      parser.blockContexts.back().file != name || parser.blockContexts.back().charset != charset) {
    TSourcePlace context;
    context.file = name;
    context.charset = charset;
    parser.blockContexts.push_back(std::move(context));
    parser.blockContextFiles.push_back(&file);
  }
  TOpenBlock block;
  block.context = parser.blockContexts.size() - 1;
  MarkAsRead(file, file.scan, block.offset, block.line);
  parser.openBlocks.push_back(block);
}

}  // namespace

// Most calls end in the first lines: the brace was read before, or it closes a block.
void TrackBlock(TRCParser& parser, bool opens) {
  TFileItem* file = parser.currentFile;
  if (file == nullptr || parser.fileStack.empty() || file != parser.fileStack.back().get()) return;
  if (parser.lastBlockFile == file && parser.lastBlockAt == file->scan.at) return;  // read again
  parser.lastBlockFile = file;
  parser.lastBlockAt = file->scan.at;
  if (opens) {
    OpenBlock(parser, *file);
  } else if (!parser.openBlocks.empty()) {
    parser.openBlocks.pop_back();
  }
}

}  // namespace tarvex
