// Version information, in the Windows version-resource format: a tree of nodes, each
//   length (u16)        bytes from the node's start to the end of its value or last child
//   value length (u16)  text: UTF-16 units with the terminating zero; otherwise bytes
//   type (u16)          1 for a text value, 0 for the root, blocks and numeric values
//   key                 UTF-16, zero-terminated, then zero bytes up to a multiple of 4
//   value               then zero bytes up to a multiple of 4
//   children            each starting on a multiple of 4
// The root is "VS_VERSION_INFO" with the 52-byte fixed file information as its value
// (when any fixed statement was given); its children are BLOCKs, whose children are
// BLOCKs or VALUEs. A node's length is known only after its children, so it is written
// as 0 and patched when the node's closing brace has been read.
//
// Programs read version strings as C strings, so every text value is written with its
// terminating zero, counted in its value length. A zero the script writes itself ("1.0\0")
// ends the text there: the text after it is dropped and no second zero is added.
#include "statements/version_info.h"

#include <array>
#include <string_view>
#include <vector>

#include "data/resource_types.h"
#include "output/res_writer.h"
#include "preprocessor/preprocessor.h"
#include "reader/char_class.h"
#include "reader/diagnostics.h"
#include "reader/name_value.h"
#include "reader/parser.h"
#include "reader/utf16.h"
#include "statements/resource.h"
#include "statements/warning_checks.h"

namespace tarvex {

namespace {

constexpr std::uint16_t kFixedInfoSize = 52;
constexpr std::uint16_t kTextType = 1;
constexpr std::uint16_t kBinaryType = 0;
constexpr std::int64_t kMaxWord = 0xFFFF;
constexpr std::int64_t kMaxFixedDword = 0xFFFFFFFF;
constexpr std::uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr std::uint32_t kFixedInfoVersion = 0x00010000;
// Far beyond any real version resource, and far below what would exhaust the stack.
constexpr int kMaxBlockDepth = 1000;

struct TFixedInfo {
  std::array<std::uint16_t, 4> fileVersion{};
  std::array<std::uint16_t, 4> productVersion{};
  std::uint32_t fileFlagsMask = 0;
  std::uint32_t fileFlags = 0;
  std::uint32_t fileOs = 0;
  std::uint32_t fileType = 0;
  std::uint32_t fileSubtype = 0;
  bool given = false;
};

struct TDwordStatement {
  std::string_view keyword;
  std::uint32_t TFixedInfo::*field;
};

constexpr std::array<TDwordStatement, 5> kDwordStatements{{
    {"FILEFLAGSMASK", &TFixedInfo::fileFlagsMask},
    {"FILEFLAGS", &TFixedInfo::fileFlags},
    {"FILEOS", &TFixedInfo::fileOs},
    {"FILETYPE", &TFixedInfo::fileType},
    {"FILESUBTYPE", &TFixedInfo::fileSubtype},
}};

// The resource being written: where its header and data start, for the size checks.
struct TVersionWriter {
  TRCParser& parser;
  std::size_t headerStart = 0;
  std::size_t dataStart = 0;
};

struct TVersionValue {
  bool isText = false;
  std::u16string text;               ///< the joined text of a text value, converted as read
  std::vector<std::uint16_t> words;  ///< the items of a numeric value
};

void ParseVersionBlock(TVersionWriter& writer, int depth);

bool IsQuoted(const std::string& token) { return !token.empty() && token[0] == '"'; }

std::string Unquoted(const std::string& token) { return token.size() >= 2 ? token.substr(1, token.size() - 2) : ""; }

// The value of a number token (decimal text as delivered by GetToken).
std::int64_t TokenValue(const std::string& token) {
  std::int64_t value = 0;
  if (!DecimalTokenValue(token, value)) value = ConvertToInteger(token);
  return value;
}

// A version part or numeric value item: 0..65535, never cut to 16 bits.
std::uint16_t ReadWord(TRCParser& parser, const std::string& token) {
  std::int64_t value = TokenValue(token);
  if (value < 0 || value > kMaxWord)
    ReportError(parser, 86, {token});  // A number in range 0..65535 expected instead %s
  return static_cast<std::uint16_t>(value);
}

[[noreturn]] void ReportBlocksTooDeep(TRCParser& parser) {
  ReportLocatedFailure(parser, "BLOCK entries nested more than " + std::to_string(kMaxBlockDepth) + " levels deep");
}

const TDwordStatement* FindDwordStatement(std::string_view keyword) {
  for (const TDwordStatement& statement : kDwordStatements)
    if (statement.keyword == keyword) return &statement;
  return nullptr;
}

// parts := number {[","] number}   (one to four; the missing ones are 0)
std::string ReadVersionParts(TRCParser& parser, std::array<std::uint16_t, 4>& parts) {
  parts = {};
  for (std::uint16_t& part : parts) {
    std::string token = SkipSeparators(parser, ",");
    if (token.empty()) ReportError(parser, 12);  // "{" or BEGIN expected
    if (!IsDigit(token[0])) return token;
    part = ReadWord(parser, token);
  }
  std::string token = SkipSeparators(parser, ",");
  if (token.empty()) ReportError(parser, 12);  // "{" or BEGIN expected
  return token;
}

// dword := number [","]   (0..0xFFFFFFFF)
std::string ReadFixedDword(TRCParser& parser, std::uint32_t& field) {
  std::string token = GetToken(parser);
  if (token.empty()) ReportError(parser, 12);  // "{" or BEGIN expected
  if (!IsDigit(token[0]) || TokenValue(token) > kMaxFixedDword)
    ReportError(parser, 97, {token});  // DWORD value expected but got %s
  field = static_cast<std::uint32_t>(TokenValue(token));
  return SkipOptionalSeparator(parser, ",");
}

// fixed := {FILEVERSION parts | PRODUCTVERSION parts | FILEFLAGSMASK dword | FILEFLAGS dword
//           | FILEOS dword | FILETYPE dword | FILESUBTYPE dword}
void ParseFixedInfo(TRCParser& parser, std::string token, TFixedInfo& fixed) {
  while (token != "{") {
    std::string keyword = UpperCase(token);
    const TDwordStatement* dword = FindDwordStatement(keyword);
    if (keyword == "FILEVERSION" || keyword == "PRODUCTVERSION") {
      bool product = keyword == "PRODUCTVERSION";
      TSourcePlace place = parser.warnings ? PlaceHere(parser) : TSourcePlace{};
      std::array<std::uint16_t, 4>& parts = product ? fixed.productVersion : fixed.fileVersion;
      token = ReadVersionParts(parser, parts);
      if (parser.warnings) NoteFixedVersion(parser, product, parts, place);
    } else if (dword != nullptr) {
      token = ReadFixedDword(parser, fixed.*(dword->field));
    } else {
      ReportError(parser, 98, {keyword});  // "{" or BEGIN expected but got %s
    }
    fixed.given = true;
  }
}

std::uint32_t HighLow(std::uint16_t high, std::uint16_t low) { return static_cast<std::uint32_t>(high) << 16 | low; }

void WriteFixedFileInfo(TOutputBuffer& out, const TFixedInfo& fixed) {
  out.WriteU32(kFixedInfoSignature);
  out.WriteU32(kFixedInfoVersion);
  out.WriteU32(HighLow(fixed.fileVersion[0], fixed.fileVersion[1]));
  out.WriteU32(HighLow(fixed.fileVersion[2], fixed.fileVersion[3]));
  out.WriteU32(HighLow(fixed.productVersion[0], fixed.productVersion[1]));
  out.WriteU32(HighLow(fixed.productVersion[2], fixed.productVersion[3]));
  out.WriteU32(fixed.fileFlagsMask);
  out.WriteU32(fixed.fileFlags);
  out.WriteU32(fixed.fileOs);
  out.WriteU32(fixed.fileType);
  out.WriteU32(fixed.fileSubtype);
  out.WriteU32(0);  // file date, high
  out.WriteU32(0);  // file date, low
}

// Writes a node's fields and key with its padding; returns the node's start.
std::size_t BeginNode(TOutputBuffer& out, std::size_t valueLength, std::uint16_t type, std::u16string_view key) {
  std::size_t start = out.Position();
  // The length is patched by EndNode, whose size check also refuses a value too long
  // for its 16-bit value length.
  out.WriteU16(0);
  out.WriteU16(static_cast<std::uint16_t>(valueLength));
  out.WriteU16(type);
  for (char16_t unit : key) out.WriteU16(unit);
  out.WriteU16(0);
  PadToDword(out);
  return start;
}

// Patches the node's length with the bytes written since its start.
void EndNode(TVersionWriter& writer, std::size_t nodeStart) {
  TOutputBuffer& out = writer.parser.output;
  std::size_t end = out.Position();
  // A node this long makes the whole data too long: the writer's size check refuses it.
  if (end - nodeStart > kMaxWord)
    PatchResourceDataSize(writer.parser, writer.headerStart, writer.dataStart, StatementResource(writer.parser));
  out.Seek(nodeStart);
  out.WriteU16(static_cast<std::uint16_t>(end - nodeStart));
  out.Seek(end);
}

void WriteValueNode(TVersionWriter& writer, std::u16string_view key, const TVersionValue& value) {
  TOutputBuffer& out = writer.parser.output;
  std::u16string text;
  if (value.isText) text = value.text.substr(0, value.text.find(u'\0')) + u'\0';
  std::size_t valueLength = value.isText ? text.size() : value.words.size() * 2;
  std::size_t start = BeginNode(out, valueLength, value.isText ? kTextType : kBinaryType, key);
  for (char16_t unit : text) out.WriteU16(unit);
  for (std::uint16_t word : value.words) out.WriteU16(word);
  EndNode(writer, start);
  PadToDword(out);
}

// Adds the items after the first, each after a comma; between two numbers the comma may
// be left out, as between the parts of FILEVERSION ("Translation", 0x0409 0x04E4).
// Returns the token that ends the value.
std::string ReadMoreValueItems(TRCParser& parser, TVersionValue& value) {
  for (;;) {
    std::string token = GetToken(parser);
    if (token.empty()) ReportError(parser, 9);  // "}" or END expected
    if (!value.isText && IsDigit(token[0])) {
      value.words.push_back(ReadWord(parser, token));
      continue;
    }
    if (IsQuoted(token) || IsDigit(token[0])) ReportError(parser, 94, {token});  // Comma expected before %s string
    if (token != ",") return token;
    token = SkipSeparators(parser, ",");
    if (token.empty()) ReportError(parser, 9);  // "}" or END expected
    if (IsQuoted(token)) {
      if (!value.isText) ReportError(parser, 86, {token});  // A number in range 0..65535 expected instead %s
      value.text += ScriptTextToUtf16(parser, Unquoted(token));
    } else if (IsDigit(token[0])) {
      if (value.isText) ReportError(parser, 13, {token});  // Double quoted string expected but got %s
      value.words.push_back(ReadWord(parser, token));
    } else {
      return token;
    }
  }
}

// value := "key" [","] item {"," item}   where the items are all texts or all numbers,
//                                      and the comma between two numbers is optional.
// Returns the "}" or VALUE that follows it.
std::string WriteVersionValue(TVersionWriter& writer) {
  TRCParser& parser = writer.parser;
  std::string keyToken = SkipSeparators(parser, ",");
  if (!IsQuoted(keyToken)) ReportError(parser, 93);  // Double quoted string expected in VALUE string
  // Texts are converted as read: a #pragma code_page further on must not change them.
  TSourcePlace keyPlace = parser.warnings ? PlaceHere(parser) : TSourcePlace{};
  std::u16string key = ScriptTextToUtf16(parser, Unquoted(keyToken));
  std::string first = SkipSeparators(parser, ",");
  if (first.empty() || first == "}" || UpperCase(first) == "VALUE")
    ReportError(parser, 93);  // Double quoted string expected in VALUE string
  TVersionValue value;
  value.isText = IsQuoted(first);
  if (value.isText) {
    value.text = ScriptTextToUtf16(parser, Unquoted(first));
  } else {
    value.words.push_back(ReadWord(parser, first));
  }
  std::string next = ReadMoreValueItems(parser, value);
  if (next != "}" && UpperCase(next) != "VALUE") ReportError(parser, 95);  // "}" or END or the keyword VALUE expected
  if (parser.warnings) NoteVersionValue(parser, key, value.isText, value.text, value.words, keyPlace);
  WriteValueNode(writer, key, value);
  return next;
}

// block := "key" [","] "{" children "}"
void WriteVersionBlock(TVersionWriter& writer, int depth) {
  TRCParser& parser = writer.parser;
  if (depth > kMaxBlockDepth) ReportBlocksTooDeep(parser);
  std::string keyToken = SkipSeparators(parser, ",");
  if (!IsQuoted(keyToken)) ReportError(parser, 89);  // Double quoted string expected
  TSourcePlace keyPlace = parser.warnings ? PlaceHere(parser) : TSourcePlace{};
  std::u16string key = ScriptTextToUtf16(parser, Unquoted(keyToken));
  std::string brace = SkipSeparators(parser, ",");
  if (brace.empty()) ReportError(parser, 90);  // Double quoted string expected in BLOCK string
  if (brace != "{") ReportError(parser, 91);   // "{" or BEGIN expected in BLOCK string
  std::size_t start = BeginNode(parser.output, 0, kBinaryType, key);
  if (parser.warnings) OpenVersionBlock(parser, key, keyPlace);
  ParseVersionBlock(writer, depth);
  if (parser.warnings) CloseVersionBlock(parser);
  EndNode(writer, start);
  PadToDword(parser.output);
}

// children := {BLOCK block} "}" | {VALUE value} "}"   (`depth` BLOCKs enclose them)
void ParseVersionBlock(TVersionWriter& writer, int depth) {
  TRCParser& parser = writer.parser;
  bool blockSeen = false;
  std::string token = GetToken(parser);
  for (;;) {
    std::string keyword = UpperCase(token);
    if (keyword == "BLOCK") {
      WriteVersionBlock(writer, depth + 1);
      blockSeen = true;
      token = GetToken(parser);
    } else if (keyword == "VALUE") {
      if (blockSeen) ReportError(parser, 92);  // Values shall be included in a separate BLOCK
      token = WriteVersionValue(writer);
    } else if (keyword == "}") {
      return;
    } else {
      ReportError(parser, 96, {keyword});  // Unknown keyword: %s
    }
  }
}

// Reads the fixed statements from `token` to the "{", then writes the resource while its
// body is read. The version resource always takes the language of the defaults in force.
void WriteVersionInfo(TRCParser& parser, std::int32_t memoryFlags, const std::string& token) {
  TFixedInfo fixed;
  ParseFixedInfo(parser, token, fixed);
  TOutputBuffer& out = parser.output;
  TVersionWriter writer{parser, out.Position(), 0};
  auto languageId = static_cast<std::uint16_t>(parser.defaultSublanguage * 1024 + parser.defaultLanguage);
  WriteResourceHeader(out, 0, ToUtf16(std::to_string(kVersionType)), u"1", 0, static_cast<std::uint16_t>(memoryFlags),
                      languageId, 0, 0);
  writer.dataStart = out.Position();
  std::size_t root = BeginNode(out, fixed.given ? kFixedInfoSize : 0, kBinaryType, u"VS_VERSION_INFO");
  if (fixed.given) WriteFixedFileInfo(out, fixed);
  PadToDword(out);
  ParseVersionBlock(writer, 0);
  PadToDword(out);
  EndNode(writer, root);
  PatchResourceDataSize(parser, writer.headerStart, writer.dataStart, StatementResource(parser));
  if (parser.warnings) CheckVersionWarnings(parser);
}

}  // namespace

// versioninfo := {memory-flag} fixed "{" children "}"
void CompileVersionInfo(TRCParser& parser) {
  std::int32_t flags = kMoveablePureFlags;
  std::string token = ParseMemoryFlags(parser, flags);
  WriteVersionInfo(parser, flags, token);
}

}  // namespace tarvex
