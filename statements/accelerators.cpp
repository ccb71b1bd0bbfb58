// Accelerator tables. The resource data is one 8-byte entry per shortcut, in the order
// written: flags (u16), key (u16), command id (u16) and a zero word. The last entry
// carries 0x80 in its flags; an empty table has no data at all.
//
// A key is a character code (ASCII entries, the default) or a virtual-key code
// (VIRTKEY). Windows compares virtual keys with the upper-case letter, so a quoted
// letter is upper-cased for VIRTKEY entries only; since the options follow the key, the
// key is kept as written until the entry's options have been read.
#include "statements/accelerators.h"

#include <array>
#include <string_view>

#include "data/resource_types.h"
#include "output/res_writer.h"
#include "preprocessor/preprocessor.h"
#include "reader/char_class.h"
#include "reader/diagnostics.h"
#include "reader/name_value.h"
#include "reader/parser.h"
#include "reader/warning_collector.h"
#include "statements/resource.h"
#include "statements/warning_checks.h"

namespace tarvex {

namespace {

constexpr std::uint16_t kLastEntryFlag = 0x0080;
constexpr std::uint16_t kVirtKeyFlag = 0x0001;
constexpr std::int64_t kMinCommandId = -32768;
constexpr std::int64_t kMaxWord = 0xFFFF;
constexpr std::int32_t kMaxCharacterKey = 255;

struct TAcceleratorOption {
  std::string_view keyword;
  std::uint16_t bit;
};

constexpr std::array<TAcceleratorOption, 6> kOptions{{
    {"VIRTKEY", kVirtKeyFlag},
    {"NOINVERT", 0x0002},
    {"SHIFT", 0x0004},
    {"CONTROL", 0x0008},
    {"ALT", 0x0010},
    {"ASCII", 0},
}};

// The control-key forms "^@" and "^A".."^Z": key codes 0 to 26, indexed by the
// character after the caret minus '@'.
constexpr std::array<std::string_view, 27> kControlKeys{
    "\"^@\"", "\"^A\"", "\"^B\"", "\"^C\"", "\"^D\"", "\"^E\"", "\"^F\"", "\"^G\"", "\"^H\"",
    "\"^I\"", "\"^J\"", "\"^K\"", "\"^L\"", "\"^M\"", "\"^N\"", "\"^O\"", "\"^P\"", "\"^Q\"",
    "\"^R\"", "\"^S\"", "\"^T\"", "\"^U\"", "\"^V\"", "\"^W\"", "\"^X\"", "\"^Y\"", "\"^Z\"",
};

struct TKeystroke {
  std::uint16_t key = 0;
  bool quotedCharacter = false;  ///< a quoted character, upper-cased for VIRTKEY entries
};

struct TAcceleratorEntry {
  TKeystroke keystroke;
  std::uint16_t id = 0;
  std::uint16_t flags = 0;
};

const TAcceleratorOption* FindOption(std::string_view keyword) {
  for (const TAcceleratorOption& option : kOptions)
    if (option.keyword == keyword) return &option;
  return nullptr;
}

// A number token as a 16-bit word from `minimum` to 65535 (a negative value as its 16-bit
// pattern); false outside.
bool ReadWord(std::string_view token, std::uint16_t& word, std::int64_t minimum = 0) {
  std::int64_t value = 0;
  if (!DecimalTokenValue(token, value)) value = ConvertToInteger(token);
  if (value < minimum || value > kMaxWord) return false;
  word = static_cast<std::uint16_t>(value);
  return true;
}

std::uint16_t ReadControlKey(TRCParser& parser, const std::string& upper) {
  std::size_t index = upper.size() == 4 ? static_cast<unsigned char>(upper[2]) - std::size_t{'@'} : kControlKeys.size();
  if (index >= kControlKeys.size() || kControlKeys[index] != upper)
    ReportError(parser, 83, {upper});  // %s is not an integer value
  return static_cast<std::uint16_t>(index);
}

// keystroke := number | "c" | "^c" | "" | symbol
TKeystroke ReadKeystroke(TRCParser& parser, const std::string& token) {
  std::string upper = UpperCase(token);
  TKeystroke keystroke;
  if (IsDigit(token[0])) {
    // Above 65535 the key would be cut to another key's code.
    if (!ReadWord(token, keystroke.key)) ReportError(parser, 84, {upper});  // Invalid keystroke: %s
  } else if (upper.size() > 3 && upper[0] == '"' && upper[1] == '^') {
    keystroke.key = ReadControlKey(parser, upper);
  } else if (upper == "\"\"") {
    keystroke.key = 0;
  } else if (upper[0] == '"') {
    if (upper.size() != 3) ReportError(parser, 84, {upper});  // Invalid keystroke: %s
    keystroke.key = static_cast<unsigned char>(token[1]);
    keystroke.quotedCharacter = true;
  } else {
    std::int32_t value = ConvertToInteger(upper);
    if (value < 0 || value > kMaxCharacterKey) ReportError(parser, 84, {upper});  // Invalid keystroke: %s
    keystroke.key = static_cast<std::uint16_t>(value);
  }
  return keystroke;
}

// A command id from -32768 to 65535, a negative one written as its 16-bit pattern, as
// menu and control ids are.
std::uint16_t ReadAcceleratorId(TRCParser& parser) {
  std::string token = SkipSeparators(parser, ",");
  if (token.empty()) ReportError(parser, 85);  // Accelerator identifier expected
  std::uint16_t id = 0;
  if (!(IsDigit(token[0]) || token[0] == '-') || !ReadWord(token, id, kMinCommandId))
    ReportError(parser, 86, {token});  // A number in range 0..65535 expected instead %s
  return id;
}

// options := {[","] option}; returns the token after them, "}" for the table's last entry.
std::string ReadAcceleratorOptions(TRCParser& parser, TAcceleratorEntry& entry) {
  bool ascii = false;
  bool virtKey = false;
  for (;;) {
    std::string token = SkipSeparators(parser, ",");
    std::string keyword = UpperCase(token);
    const TAcceleratorOption* option = FindOption(keyword);
    if (option == nullptr) return token;
    if (keyword == "VIRTKEY" && ascii) ReportError(parser, 87);  // VIRTKEY not allowed because ASCII already defined
    if (keyword == "ASCII" && virtKey) ReportError(parser, 88);  // ASCII not allowed because VIRTKEY already defined
    ascii = ascii || keyword == "ASCII";
    virtKey = virtKey || keyword == "VIRTKEY";
    entry.flags = static_cast<std::uint16_t>(entry.flags | option->bit);
  }
}

void WriteAcceleratorEntry(TOutputBuffer& out, const TAcceleratorEntry& entry) {
  std::uint16_t key = entry.keystroke.key;
  if (entry.keystroke.quotedCharacter && (entry.flags & kVirtKeyFlag) != 0)
    key = static_cast<unsigned char>(UpperCase(std::string(1, static_cast<char>(key)))[0]);
  out.WriteU16(entry.flags);
  out.WriteU16(key);
  out.WriteU16(entry.id);
  out.WriteU16(0);
}

// entry := keystroke [","] id {[","] option}
// Reads and writes one entry that begins with `token`; returns the token after it.
std::string ParseAccelerator(TRCParser& parser, const std::string& token) {
  TAcceleratorEntry entry;
  if (parser.warnings) NoteItemPlace(parser);
  entry.keystroke = ReadKeystroke(parser, token);
  entry.id = ReadAcceleratorId(parser);
  std::string next = ReadAcceleratorOptions(parser, entry);
  if (next == "}") entry.flags = static_cast<std::uint16_t>(entry.flags | kLastEntryFlag);
  WriteAcceleratorEntry(parser.output, entry);
  return next;
}

// body := "{" {entry} "}"   (the opening brace already read)
void WriteAcceleratorTable(TRCParser& parser, std::int32_t memoryFlags) {
  std::size_t headerStart = parser.output.Position();
  WriteStatementHeader(parser, 0, std::to_string(kAcceleratorType), parser.resourceName, memoryFlags);
  std::size_t dataStart = parser.output.Position();
  std::string token = SkipSeparators(parser, ",");
  while (token != "}") {
    if (token.empty()) ReportError(parser, 82);  // Keystroke expected
    token = ParseAccelerator(parser, token);
  }
  PatchResourceDataSize(parser, headerStart, dataStart, StatementResource(parser));
  if (parser.warnings)
    CheckAcceleratorWarnings(parser, parser.output.Bytes().subspan(dataStart, parser.output.Position() - dataStart));
}

}  // namespace

// accelerators := {memory-flag} {optional-statement} "{" {entry} "}"
void CompileAccelerators(TRCParser& parser) {
  std::int32_t flags = kDiscardableFlags;
  std::string token = ParseOptionalStatements(parser, ParseMemoryFlags(parser, flags));
  RegisterResource(parser);
  if (token != "{") ReportError(parser, 12);  // "{" or BEGIN expected
  WriteAcceleratorTable(parser, flags);
}

}  // namespace tarvex
