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

#include <cstddef>
#include <cstring>
#include <limits>
#include <new>
#include <span>
#include <string>
#include <type_traits>

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

// Where a block's bytes go: a byte string, or the output image straight after the
// header that will announce them. Extend gives room for `count` more bytes to fill.
struct TStringSink {
  std::string& bytes;
  char* Extend(std::size_t count) {
    std::size_t at = bytes.size();
    bytes.resize(at + count);
    return bytes.data() + at;
  }
  void Append(std::string_view more) { bytes += more; }
};

struct TImageSink {
  TOutputBuffer& out;
  char* Extend(std::size_t count) { return reinterpret_cast<char*>(out.Extend(count)); }
  void Append(std::string_view more) { out.WriteBytes(more); }
};

char* PutValue(char* at, std::int64_t value, bool isLong) {
  auto bits = static_cast<std::uint32_t>(value);
  at[0] = static_cast<char>(bits & 0xFF);
  at[1] = static_cast<char>(bits >> 8 & 0xFF);
  if (!isLong) return at + 2;
  at[2] = static_cast<char>(bits >> 16 & 0xFF);
  at[3] = static_cast<char>(bits >> 24 & 0xFF);
  return at + 4;
}

template <typename TSink>
void AppendNumber(const TRCParser& parser, TSink& sink, const std::string& token) {
  std::int64_t value = 0;
  if (!DecimalTokenValue(token, value) || value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::uint32_t>::max())
    RaiseFailure("'" + token + "' is not a valid integer value");
  PutValue(sink.Extend(parser.longValue ? 4 : 2), value, parser.longValue);
}

std::string_view Quoted(std::string_view token) {
  return token.size() >= 2 ? std::string_view(token).substr(1, token.size() - 2) : std::string_view{};
}

// Room for the items of a run, left unset: a run fills the items it returns, and
// setting all of them for every block would cost more than the items themselves. The
// bytes hold tokens without constructing them, which an aggregate that needs no
// destruction allows.
static_assert(std::is_aggregate_v<TCommonToken> && std::is_trivially_destructible_v<TCommonToken>);
class TRunRoom {
 public:
  static constexpr std::size_t kItems = 16;  // small: each read starts it afresh
  std::span<TCommonToken> Items() { return {std::launder(reinterpret_cast<TCommonToken*>(bytes_)), kItems}; }

 private:
  alignas(TCommonToken) std::byte bytes_[kItems * sizeof(TCommonToken)];
};

// block := "{" {item [","]} "}"; item := number | ["L"]"string" | 'hex digits'
template <typename TSink>
void AppendBlock(TRCParser& parser, TSink& sink) {
  TRunRoom room;
  std::span<TCommonToken> run = room.Items();
  for (;;) {
    // Plain numbers and literals, the bulk of most blocks, come in runs without text
    while (std::size_t count = TakeCommonRun(parser, run)) {
      std::span<const TCommonToken> items = run.first(count);
      std::size_t size = 0;
      for (const TCommonToken& item : items)
        size += item.kind == TCommonKind::Number ? (item.isLong ? 4 : 2) : Quoted(item.text).size();
      char* at = sink.Extend(size);
      for (const TCommonToken& item : items) {
        if (item.kind == TCommonKind::Number) {
          at = PutValue(at, item.value, item.isLong);
        } else {
          std::string_view text = Quoted(item.text);  // never wide
          if (!text.empty()) std::memcpy(at, text.data(), text.size());
          at += text.size();
        }
      }
    }
    std::string token;
    if (TCommonToken common; SkipCommasToCommon(parser, common, token)) {
      if (common.kind == TCommonKind::Number) {
        PutValue(sink.Extend(common.isLong ? 4 : 2), common.value, common.isLong);  // a plain number fits 32 bits
        continue;
      }
      if (common.kind == TCommonKind::Literal) {
        sink.Append(Quoted(common.text));  // never wide
        continue;
      }
      if (common.text == "}") return;
      token = CommonTokenText(common);
    }
    if (token.empty()) ReportError(parser, 9);  // "}" or END expected
    char first = token[0];
    if (token == "}") return;
    if (first == '\'') {
      std::string bytes;
      AppendHexPairs(bytes, Quoted(token));
      sink.Append(bytes);
    } else if (first == '"' && parser.wideString) {
      std::string bytes;
      AppendUtf16LE(bytes, Utf8ToUnits(Quoted(token)));
      sink.Append(bytes);
    } else if (first == '"') {
      sink.Append(Quoted(token));
    } else if (first == '-' || (first >= '0' && first <= '9')) {
      AppendNumber(parser, sink, token);
    } else {
      ReportError(parser, 9);  // "}" or END expected
    }
  }
}

// The size is known before the header is written, so it takes the header's full 32 bits.
void CheckDataSize(std::size_t size) {
  if (size > 0xFFFFFFF0u) RaiseFailure("Resource data of " + std::to_string(size) + " bytes is too large");
}

}  // namespace

std::string ReadDataBlock(TRCParser& parser) {
  std::string data;
  AppendDataBlock(parser, data);
  return data;
}

void AppendDataBlock(TRCParser& parser, std::string& data) {
  TStringSink sink{data};
  AppendBlock(parser, sink);
}

// data-resource := {memory-flag} {optional-statement} (file-name | block)
void CompileDataResource(TRCParser& parser) {
  std::int32_t flags = parser.resourceTypeNumber == kMessageTableType ? kDiscardableFlags : kMoveablePureFlags;
  std::string token;
  bool block = ReadHeadBeforeBlock(parser, flags, token);
  TPlainOrdinals ordinals = RegisterResource(parser);
  if (!block && token != "{") {
    CopyFileResource(parser, ReadFileName(parser, token), parser.resourceTypeText, flags);
    return;
  }
  TOutputBuffer& out = parser.output;
  if (ordinals.plain && out.Position() % 4 == 0) {
    // A header of two numbers cannot fail: it goes first, the items straight after it,
    // and their size into it at the end
    std::size_t headerStart = out.Position();
    WriteOrdinalsHeader(out, 0, ordinals.type, ordinals.name, 0, static_cast<std::uint16_t>(flags),
                        StatementLanguageId(parser), static_cast<std::uint32_t>(parser.version),
                        static_cast<std::uint32_t>(parser.characteristics));
    std::size_t dataStart = out.Position();
    TImageSink sink{out};
    AppendBlock(parser, sink);
    std::size_t size = out.Position() - dataStart;
    CheckDataSize(size);
    out.PatchU32(headerStart, static_cast<std::uint32_t>(size));
    PadToDword(out);
    return;
  }
  // One buffer serves every block, so that it grows only for the largest
  std::string& data = parser.blockBytes;
  data.clear();
  AppendDataBlock(parser, data);
  WriteDataResource(parser, data, parser.resourceTypeText, flags);
}

void WriteDataResource(TRCParser& parser, std::string_view data, std::string_view typeText, std::int32_t memoryFlags) {
  CheckDataSize(data.size());
  WriteStatementHeader(parser, static_cast<std::uint32_t>(data.size()), typeText, parser.resourceName, memoryFlags);
  parser.output.Reserve(data.size() + 3);
  parser.output.WriteBytes(data);
  PadToDword(parser.output);
}

}  // namespace tarvex
