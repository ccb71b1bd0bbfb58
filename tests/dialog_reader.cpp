#include "tests/dialog_reader.h"

#include <array>
#include <cstdio>
#include <stdexcept>

#include "tests/res_reader.h"

namespace tarvex::test {

namespace {

constexpr std::uint32_t kSetFont = 0x40;
constexpr std::array<const char*, 6> kClassNames = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};

std::string Hex32(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

class TDialogReader {
 public:
  explicit TDialogReader(const std::vector<std::uint8_t>& data) : data_(data) {}

  std::string ReadDialog() {
    bool extended = data_.size() >= 4 && data_[0] == 1 && data_[1] == 0 && data_[2] == 0xFF && data_[3] == 0xFF;
    std::string text = extended ? ReadExtendedHead() : ReadStandardHead();
    text += "menu=" + ReadName();
    text += " class=" + ReadName();
    text += " caption=" + ReadName() + "\n";
    if ((style_ & kSetFont) != 0) text += ReadFont(extended);
    for (std::uint16_t i = 0; i < itemCount_; ++i) text += ReadItem(extended);
    if (position_ != data_.size()) Fail("bytes after the last item");
    return text;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error("dialog offset " + std::to_string(position_) + ": " + what);
  }

  std::uint8_t ReadU8() {
    if (position_ >= data_.size()) Fail("field runs past the end");
    return data_[position_++];
  }
  std::uint16_t ReadU16() {
    std::uint16_t low = ReadU8();
    return static_cast<std::uint16_t>(low | ReadU8() << 8);
  }
  std::uint32_t ReadU32() {
    std::uint32_t low = ReadU16();
    return low | static_cast<std::uint32_t>(ReadU16()) << 16;
  }

  std::string ReadRectangle() {
    std::string text = "rect=";
    for (int i = 0; i < 4; ++i) {
      if (i > 0) text += ",";
      text += std::to_string(static_cast<std::int16_t>(ReadU16()));
    }
    return text;
  }

  // name := 0xFFFF ordinal | {unit <> 0} 0
  std::string ReadName(bool predefinedClass = false) {
    std::uint16_t first = ReadU16();
    if (first == 0xFFFF) {
      std::uint16_t ordinal = ReadU16();
      if (predefinedClass && ordinal >= 0x80 && ordinal <= 0x85) return kClassNames[ordinal - 0x80];
      return "#" + std::to_string(ordinal);
    }
    std::u16string text;
    for (char16_t unit = first; unit != 0; unit = ReadU16()) text += unit;
    return "\"" + Utf16ToUtf8(text) + "\"";
  }

  std::string ReadHeadTail(std::string text) {
    text += " exstyle=" + Hex32(exStyle_);
    itemCount_ = ReadU16();
    return text + " items=" + std::to_string(itemCount_) + " " + ReadRectangle() + "\n";
  }

  std::string ReadStandardHead() {
    style_ = ReadU32();
    exStyle_ = ReadU32();
    return ReadHeadTail("DIALOG style=" + Hex32(style_));
  }

  std::string ReadExtendedHead() {
    position_ = 4;  // version 1 and signature 0xFFFF, recognised by the caller
    std::string text = "DIALOGEX help=" + std::to_string(ReadU32());
    exStyle_ = ReadU32();
    style_ = ReadU32();
    return ReadHeadTail(text + " style=" + Hex32(style_));
  }

  std::string ReadFont(bool extended) {
    std::string text = "font=" + std::to_string(ReadU16());
    if (extended) {
      text += " weight=" + std::to_string(ReadU16());
      text += " italic=" + std::to_string(ReadU8());
      text += " charset=" + std::to_string(ReadU8());
    }
    return text + " " + ReadName() + "\n";
  }

  // Items start on a 4-byte boundary; the bytes before one are zero.
  void SkipItemPadding() {
    while (position_ % 4 != 0)
      if (ReadU8() != 0) Fail("non-zero padding before an item");
  }

  std::string ReadItem(bool extended) {
    SkipItemPadding();
    std::string text = "item";
    std::uint32_t style = 0, exStyle = 0;
    if (extended) {
      text += " help=" + std::to_string(ReadU32());
      exStyle = ReadU32();
      style = ReadU32();
    } else {
      style = ReadU32();
      exStyle = ReadU32();
    }
    text += " style=" + Hex32(style) + " exstyle=" + Hex32(exStyle) + " " + ReadRectangle();
    std::uint32_t id = extended ? ReadU32() : ReadU16();
    text += " id=" + std::to_string(id);
    text += " class=" + ReadName(true);
    text += " title=" + ReadName();
    std::uint16_t extra = ReadU16();
    if (extra != 0) {
      static constexpr char kDigits[] = "0123456789ABCDEF";
      text += " data=";
      for (std::uint16_t i = 0; i < extra; ++i) {
        std::uint8_t byte = ReadU8();
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
      }
    }
    return text + "\n";
  }

  const std::vector<std::uint8_t>& data_;
  std::size_t position_ = 0;
  std::uint32_t style_ = 0;
  std::uint32_t exStyle_ = 0;
  std::uint16_t itemCount_ = 0;
};

}  // namespace

std::string DescribeDialog(const std::vector<std::uint8_t>& data) { return TDialogReader(data).ReadDialog(); }

}  // namespace tarvex::test
