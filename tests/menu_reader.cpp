#include "tests/menu_reader.h"

#include <cstdio>

#include "tests/res_reader.h"

namespace tarvex::test {

namespace {

constexpr std::uint16_t kEndFlag = 0x0080;

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(value));
  return text;
}

std::string Record(TDataReader& in, bool extended, std::uint16_t& flags);

// Records up to and including the one with the end flag.
std::string Level(TDataReader& in, bool extended) {
  std::string level;
  for (std::uint16_t flags = 0; (flags & kEndFlag) == 0;) {
    std::string record = Record(in, extended, flags);
    level += level.empty() ? record : " ; " + record;
  }
  return level;
}

// standard: flags [id] text; extended: type, state, id, flags, text, padding [, help id]
std::string Record(TDataReader& in, bool extended, std::uint16_t& flags) {
  if (!extended) {
    flags = in.U16();
    if ((flags & 0x10) != 0) {
      std::string text = Utf16ToUtf8(in.Text());
      return "POPUP \"" + text + "\" " + Hex(flags) + " { " + Level(in, false) + " }";
    }
    std::uint16_t id = in.U16();
    std::string text = Utf16ToUtf8(in.Text());
    if ((flags & ~kEndFlag) == 0 && id == 0 && text.empty()) return "SEPARATOR " + Hex(flags);
    return "\"" + text + "\" " + std::to_string(id) + " " + Hex(flags);
  }
  std::uint32_t type = in.U32(), state = in.U32(), id = in.U32();
  flags = in.U16();
  if ((flags & ~(kEndFlag | 1)) != 0) in.Fail("unknown flags " + Hex(flags));
  std::string fields =
      "\"" + Utf16ToUtf8(in.Text()) + "\" id=" + std::to_string(id) + " type=" + Hex(type) + " state=" + Hex(state);
  in.Pad4();
  if ((flags & 1) == 0) return fields + " " + Hex(flags);
  std::uint32_t help = in.U32();
  return "POPUP " + fields + " help=" + std::to_string(help) + " " + Hex(flags) + " { " + Level(in, true) + " }";
}

std::string Menu(const std::vector<std::uint8_t>& data, bool extended) {
  TDataReader in(data, "menu");
  if (extended ? in.U16() != 1 || in.U16() != 4 || in.U32() != 0 : in.U16() != 0 || in.U16() != 0)
    in.Fail("wrong menu header");
  std::string menu = Level(in, extended);
  if (!in.AtEnd()) in.Fail("bytes after the last record");
  return menu;
}

}  // namespace

std::string DescribeMenu(const std::vector<std::uint8_t>& data) { return Menu(data, false); }

std::string DescribeMenuEx(const std::vector<std::uint8_t>& data) { return Menu(data, true); }

}  // namespace tarvex::test
