#include "tests/menu_reader.h"

#include <cstdio>
#include <stdexcept>

#include "tests/res_reader.h"

namespace tarvex::test {

namespace {

constexpr std::uint16_t kPopupFlag = 0x0010;
constexpr std::uint16_t kPopupFlagEx = 0x0001;
constexpr std::uint16_t kEndFlag = 0x0080;

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned>(value));
  return text;
}

// Reads little-endian fields and never past the end of the data.
class TMenuCursor {
 public:
  explicit TMenuCursor(const std::vector<std::uint8_t>& data) : data_(data) {}

  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error("menu offset " + std::to_string(position_) + ": " + what);
  }

  std::uint16_t ReadU16() {
    if (data_.size() - position_ < 2) Fail("record runs past the end");
    auto value = static_cast<std::uint16_t>(data_[position_] | data_[position_ + 1] << 8);
    position_ += 2;
    return value;
  }

  std::uint32_t ReadU32() {
    std::uint32_t low = ReadU16();
    return low | static_cast<std::uint32_t>(ReadU16()) << 16;
  }

  std::string ReadText() {
    std::u16string text;
    for (char16_t unit = ReadU16(); unit != 0; unit = ReadU16()) text += unit;
    return Utf16ToUtf8(text);
  }

  // Extended records start on 4-byte boundaries; the bytes before them must be zero.
  void SkipPadding() {
    while (position_ % 4 != 0)
      if (ReadU16() != 0) Fail("padding is not zero");
  }

  void CheckExhausted() const {
    if (position_ != data_.size()) Fail("bytes after the last record");
  }

 private:
  const std::vector<std::uint8_t>& data_;
  std::size_t position_ = 0;
};

class TMenuReader {
 public:
  explicit TMenuReader(const std::vector<std::uint8_t>& data) : cursor_(data) {}

  std::string ReadMenu() {
    if (cursor_.ReadU16() != 0 || cursor_.ReadU16() != 0) cursor_.Fail("menu header is not version 0, header size 0");
    std::string menu = ReadLevel();
    cursor_.CheckExhausted();
    return menu;
  }

 private:
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
    flags = cursor_.ReadU16();
    if ((flags & kPopupFlag) != 0) {
      std::string text = cursor_.ReadText();
      return "POPUP \"" + text + "\" " + Hex(flags) + " { " + ReadLevel() + " }";
    }
    std::uint16_t id = cursor_.ReadU16();
    std::string text = cursor_.ReadText();
    if ((flags & ~kEndFlag) == 0 && id == 0 && text.empty()) return "SEPARATOR " + Hex(flags);
    return "\"" + text + "\" " + std::to_string(id) + " " + Hex(flags);
  }

  TMenuCursor cursor_;
};

class TMenuExReader {
 public:
  explicit TMenuExReader(const std::vector<std::uint8_t>& data) : cursor_(data) {}

  std::string ReadMenu() {
    if (cursor_.ReadU16() != 1 || cursor_.ReadU16() != 4 || cursor_.ReadU32() != 0)
      cursor_.Fail("extended menu header is not version 1, offset 4, help id 0");
    std::string menu = ReadLevel();
    cursor_.CheckExhausted();
    return menu;
  }

 private:
  std::string ReadLevel() {
    std::string level;
    for (;;) {
      std::uint16_t flags = 0;
      std::string record = ReadRecord(flags);
      level += level.empty() ? record : " ; " + record;
      if ((flags & kEndFlag) != 0) return level;
    }
  }

  // type, state, id, flags, text, padding [, help id, children]
  std::string ReadRecord(std::uint16_t& flags) {
    std::uint32_t type = cursor_.ReadU32();
    std::uint32_t state = cursor_.ReadU32();
    std::uint32_t id = cursor_.ReadU32();
    flags = cursor_.ReadU16();
    if ((flags & ~(kEndFlag | kPopupFlagEx)) != 0) cursor_.Fail("unknown flags " + Hex(flags));
    std::string fields =
        "\"" + cursor_.ReadText() + "\" id=" + std::to_string(id) + " type=" + Hex(type) + " state=" + Hex(state);
    cursor_.SkipPadding();
    if ((flags & kPopupFlagEx) == 0) return fields + " " + Hex(flags);
    std::uint32_t help = cursor_.ReadU32();
    return "POPUP " + fields + " help=" + std::to_string(help) + " " + Hex(flags) + " { " + ReadLevel() + " }";
  }

  TMenuCursor cursor_;
};

}  // namespace

std::string DescribeMenu(const std::vector<std::uint8_t>& data) { return TMenuReader(data).ReadMenu(); }

std::string DescribeMenuEx(const std::vector<std::uint8_t>& data) { return TMenuExReader(data).ReadMenu(); }

}  // namespace tarvex::test
