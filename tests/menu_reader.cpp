#include "tests/menu_reader.h"

#include <cstdio>
#include <stdexcept>

#include "tests/res_reader.h"

namespace tarvex::test {

namespace {

constexpr std::uint16_t kPopupFlag = 0x0010;
constexpr std::uint16_t kEndFlag = 0x0080;

class TMenuReader {
 public:
  explicit TMenuReader(const std::vector<std::uint8_t>& data) : data_(data) {}

  std::string ReadMenu() {
    if (ReadU16() != 0 || ReadU16() != 0) Fail("menu header is not version 0, header size 0");
    std::string menu = ReadLevel();
    if (position_ != data_.size()) Fail("bytes after the last record");
    return menu;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error("menu offset " + std::to_string(position_) + ": " + what);
  }

  std::uint16_t ReadU16() {
    if (data_.size() - position_ < 2) Fail("record runs past the end");
    auto value = static_cast<std::uint16_t>(data_[position_] | data_[position_ + 1] << 8);
    position_ += 2;
    return value;
  }

  std::u16string ReadText() {
    std::u16string text;
    for (char16_t unit = ReadU16(); unit != 0; unit = ReadU16()) text += unit;
    return text;
  }

  // Records up to and including the one with the end flag.
  std::string ReadLevel() {
    std::string level;
    for (;;) {
      std::uint16_t flags = 0;
      std::string record = ReadRecord(flags);
      level += level.empty() ? record : " ; " + record;
      if ((flags & kEndFlag) != 0) return level;
    }
  }

  std::string ReadRecord(std::uint16_t& flags) {
    flags = ReadU16();
    if ((flags & kPopupFlag) != 0) {
      std::string text = Utf16ToUtf8(ReadText());
      return "POPUP \"" + text + "\" " + Hex(flags) + " { " + ReadLevel() + " }";
    }
    std::uint16_t id = ReadU16();
    std::u16string text = ReadText();
    if ((flags & ~kEndFlag) == 0 && id == 0 && text.empty()) return "SEPARATOR " + Hex(flags);
    return "\"" + Utf16ToUtf8(text) + "\" " + std::to_string(id) + " " + Hex(flags);
  }

  static std::string Hex(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(value));
    return text;
  }

  const std::vector<std::uint8_t>& data_;
  std::size_t position_ = 0;
};

}  // namespace

std::string DescribeMenu(const std::vector<std::uint8_t>& data) { return TMenuReader(data).ReadMenu(); }

}  // namespace tarvex::test
