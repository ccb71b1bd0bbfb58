// Raw data blocks. The items of a block are appended to one byte string:
//
//   number          u16, or u32 when its expression needed 32 bits (an L suffix, an
//                   operand above 32767 or a result beyond -32767..32767); values from
//                   -2^31 to 2^32-1 fit, 0x80000000 to 0xFFFFFFFF as their 32-bit pattern
//   "string"        its bytes as written, no terminator and no conversion to UTF-16
//   L"string"       its UTF-16LE code units, no terminator
//   'hex digits'    one byte per pair of digits
//
// and the whole is written as one entry whose DataSize is the exact length.
#include "statements/data_resources.h"

#include <array>
#include <limits>
#include <span>
#include <string>

#include "data/resource_types.h"
#include "output/res_writer.h"
#include "preprocessor/preprocessor.h"
#include "reader/diagnostics.h"
#include "reader/parser.h"
#include "reader/utf16.h"
#include "statements/file_resources.h"
#include "statements/resource.h"

namespace tarvex {

namespace {

void AppendValue(std::string& data, std::int64_t value, bool isLong) {
  auto bits = static_cast<std::uint32_t>(value);
  char bytes[4] = {static_cast<char>(bits & 0xFF), static_cast<char>(bits >> 8 & 0xFF),
                   static_cast<char>(bits >> 16 & 0xFF), static_cast<char>(bits >> 24 & 0xFF)};
  data.append(bytes, isLong ? 4 : 2);
}

void AppendNumber(const TRCParser& parser, std::string& data, const std::string& token) {
  std::int64_t value = 0;
  if (!DecimalTokenValue(token, value) || value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::uint32_t>::max())
    RaiseFailure("'" + token + "' is not a valid integer value");
  AppendValue(data, value, parser.longValue);
}

std::string_view Quoted(std::string_view token) {
  return token.size() >= 2 ? std::string_view(token).substr(1, token.size() - 2) : std::string_view{};
}

}  // namespace

std::string ReadDataBlock(TRCParser& parser) {
  std::string data;
  AppendDataBlock(parser, data);
  return data;
}

// block := "{" {item [","]} "}"; item := number | ["L"]"string" | 'hex digits'
void AppendDataBlock(TRCParser& parser, std::string& data) {
  std::array<TCommonToken, 16> run;  // small: each read starts it afresh
  for (;;) {
    // Plain numbers and literals, the bulk of most blocks, come in runs without text
    while (std::size_t count = TakeCommonRunInScript(parser, run)) {
      std::span<const TCommonToken> items = std::span(run).first(count);
      std::size_t size = data.size();
      for (const TCommonToken& item : items)
        size += item.kind == TCommonKind::Number ? (item.isLong ? 4 : 2) : Quoted(item.text).size();
      std::size_t at = data.size();
      data.resize(size);
      for (const TCommonToken& item : items) {
        if (item.kind == TCommonKind::Number) {
          auto bits = static_cast<std::uint32_t>(item.value);
          std::size_t width = item.isLong ? 4 : 2;
          for (std::size_t i = 0; i < width; ++i) data[at + i] = static_cast<char>(bits >> (8 * i) & 0xFF);
          at += width;
        } else {
          std::string_view text = Quoted(item.text);  // never wide
          text.copy(data.data() + at, text.size());
          at += text.size();
        }
      }
    }
    std::string token;
    if (TCommonToken common; SkipCommasToCommon(parser, common, token)) {
      if (common.kind == TCommonKind::Number) {
        AppendValue(data, common.value, common.isLong);  // a plain number fits 32 bits
        continue;
      }
      if (common.kind == TCommonKind::Literal) {
        data += Quoted(common.text);  // never wide
        continue;
      }
      if (common.text == "}") return;
      token = CommonTokenText(common);
    }
    if (token.empty()) ReportError(parser, 9);  // "}" or END expected
    char first = token[0];
    if (token == "}") return;
    if (first == '\'') {
      AppendHexPairs(data, Quoted(token));
    } else if (first == '"' && parser.wideString) {
      AppendUtf16LE(data, Utf8ToUnits(Quoted(token)));
    } else if (first == '"') {
      data += Quoted(token);
    } else if (first == '-' || (first >= '0' && first <= '9')) {
      AppendNumber(parser, data, token);
    } else {
      ReportError(parser, 9);  // "}" or END expected
    }
  }
}

// data-resource := {memory-flag} {optional-statement} (file-name | block)
void CompileDataResource(TRCParser& parser) {
  std::int32_t flags = parser.resourceTypeNumber == kMessageTableType ? kDiscardableFlags : kMoveablePureFlags;
  std::string token = ReadHeadBeforeFileName(parser, flags);
  RegisterResource(parser);
  if (token != "{") {
    CopyFileResource(parser, ReadFileName(parser, token), parser.resourceTypeText, flags);
    return;
  }
  // One buffer serves every block, so that it grows only for the largest
  std::string& data = parser.blockBytes;
  data.clear();
  AppendDataBlock(parser, data);
  WriteDataResource(parser, data, parser.resourceTypeText, flags);
}

void WriteDataResource(TRCParser& parser, std::string_view data, std::string_view typeText, std::int32_t memoryFlags) {
  // The size is known before the header is written, so it takes the header's full 32 bits.
  if (data.size() > 0xFFFFFFF0u)
    RaiseFailure("Resource data of " + std::to_string(data.size()) + " bytes is too large");
  WriteStatementHeader(parser, static_cast<std::uint32_t>(data.size()), typeText, parser.resourceName, memoryFlags);
  parser.output.Reserve(data.size() + 3);
  parser.output.WriteBytes(data);
  PadToDword(parser.output);
}

}  // namespace tarvex
