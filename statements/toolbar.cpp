// Toolbars. The data (type 241) tells how the bitmap of the same name is cut into
// buttons and which command each button sends:
//   version (u16) 1, button width (u16), button height (u16), item count (u16),
//   then one command id (u16) per item, 0 for a separator.
#include "statements/toolbar.h"

#include <string>
#include <vector>

#include "output/res_writer.h"
#include "preprocessor/preprocessor.h"
#include "reader/char_class.h"
#include "reader/diagnostics.h"
#include "reader/name_value.h"
#include "reader/parser.h"
#include "statements/resource.h"

namespace tarvex {

namespace {

constexpr char kToolbarType[] = "241";
constexpr std::uint16_t kToolbarVersion = 1;
constexpr std::int64_t kMaxWord = 0xFFFF;
constexpr std::int64_t kMinButtonId = -32768;
constexpr std::size_t kMaxItems = 0xFFFF;  // the item count is a 16-bit field

// A size from 0, or a button id from -32768 (as control ids, a negative id is its 16-bit
// pattern), up to 65535.
std::uint16_t ReadWord(TRCParser& parser, const std::string& token, std::int64_t minimum = 0) {
  if (token.empty()) ReportError(parser, 2);  // Resource description not terminated
  std::int64_t value = -1;
  bool number = IsDigit(token[0]) || (minimum < 0 && token[0] == '-');
  if (!number || !DecimalTokenValue(token, value)) value = minimum - 1;
  if (value < minimum || value > kMaxWord)
    ReportError(parser, 86, {token});  // A number in range 0..65535 expected instead %s
  return static_cast<std::uint16_t>(value);
}

[[noreturn]] void ReportTooManyItems(TRCParser& parser) {
  ReportLocatedFailure(parser, "TOOLBAR holds more than " + std::to_string(kMaxItems) + " items");
}

// items := {[","] (BUTTON id | SEPARATOR)} "}"
std::vector<std::uint16_t> ReadToolbarItems(TRCParser& parser) {
  std::vector<std::uint16_t> ids;
  for (;;) {
    std::string keyword = UpperCase(SkipSeparators(parser, ","));
    if (keyword.empty()) ReportError(parser, 9);  // "}" or END expected
    if (keyword == "}") return ids;
    std::uint16_t id = 0;
    if (keyword == "BUTTON") {
      std::string token = GetToken(parser);
      if (token.empty()) ReportError(parser, 9);  // "}" or END expected
      id = ReadWord(parser, token, kMinButtonId);
    } else if (keyword != "SEPARATOR") {
      ReportError(parser, 76, {keyword});  // Unknown keyword %s
    }
    if (ids.size() == kMaxItems) ReportTooManyItems(parser);
    ids.push_back(id);
  }
}

void WriteToolbar(TRCParser& parser, std::uint16_t width, std::uint16_t height, const std::vector<std::uint16_t>& ids,
                  std::int32_t memoryFlags) {
  auto size = static_cast<std::uint32_t>(8 + 2 * ids.size());
  WriteStatementHeader(parser, size, kToolbarType, parser.resourceName, memoryFlags);
  TOutputBuffer& out = parser.output;
  out.WriteU16(kToolbarVersion);
  out.WriteU16(width);
  out.WriteU16(height);
  out.WriteU16(static_cast<std::uint16_t>(ids.size()));
  for (std::uint16_t id : ids) out.WriteU16(id);
  PadToDword(out);
}

}  // namespace

// toolbar := {memory-flag} {optional-statement} width [","] height "{" items
void CompileToolbar(TRCParser& parser) {
  std::int32_t flags = kMoveablePureFlags;
  std::string token = ParseOptionalStatements(parser, ParseMemoryFlags(parser, flags));
  RegisterResource(parser);
  std::uint16_t width = ReadWord(parser, token);
  std::uint16_t height = ReadWord(parser, SkipOptionalSeparator(parser, ","));
  if (GetToken(parser) != "{") ReportError(parser, 12);  // "{" or BEGIN expected
  WriteToolbar(parser, width, height, ReadToolbarItems(parser), flags);
}

}  // namespace tarvex
