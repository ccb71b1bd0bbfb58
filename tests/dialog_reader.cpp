#include "tests/dialog_reader.h"

#include <cstdio>

#include "tests/res_reader.h"

namespace tarvex::test {

namespace {

std::string Hex32(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
  return text;
}

std::string Rectangle(TDataReader& in) {
  std::string text = "rect=";
  for (int i = 0; i < 4; ++i) text += (i ? "," : "") + std::to_string(static_cast<std::int16_t>(in.U16()));
  return text;
}

// name := 0xFFFF ordinal | {unit <> 0} 0; the predefined classes by name
std::string Name(TDataReader& in, bool predefinedClass = false) {
  static const char* const kClassNames[] = {"BUTTON", "EDIT", "STATIC", "LISTBOX", "SCROLLBAR", "COMBOBOX"};
  std::size_t start = in.position;
  if (in.U16() != 0xFFFF) {
    in.position = start;
    return "\"" + Utf16ToUtf8(in.Text()) + "\"";
  }
  std::uint16_t ordinal = in.U16();
  if (predefinedClass && ordinal >= 0x80 && ordinal <= 0x85) return kClassNames[ordinal - 0x80];
  return "#" + std::to_string(ordinal);
}

// Items start on a 4-byte boundary; the bytes before one are zero.
std::string Item(TDataReader& in, bool extended) {
  in.Pad4();
  std::string text = "item";
  if (extended) text += " help=" + std::to_string(in.U32());
  std::uint32_t first = in.U32(), second = in.U32();
  text += " style=" + Hex32(extended ? second : first) + " exstyle=" + Hex32(extended ? first : second);
  text += " " + Rectangle(in);
  text += " id=" + std::to_string(extended ? in.U32() : in.U16());
  text += " class=" + Name(in, true);
  text += " title=" + Name(in);
  if (std::uint16_t extra = in.U16(); extra != 0) {
    text += " data=";
    for (std::uint16_t i = 0; i < extra; ++i) {
      char byte[4];
      std::snprintf(byte, sizeof byte, "%02X", in.U8());
      text += byte;
    }
  }
  return text + "\n";
}

}  // namespace

std::string DescribeDialog(const std::vector<std::uint8_t>& data) {
  TDataReader in(data, "dialog");
  bool extended = data.size() >= 4 && data[0] == 1 && data[1] == 0 && data[2] == 0xFF && data[3] == 0xFF;
  std::string text = extended ? "DIALOGEX" : "DIALOG";
  if (extended) {
    in.position = 4;  // version 1 and signature 0xFFFF
    text += " help=" + std::to_string(in.U32());
  }
  std::uint32_t first = in.U32(), second = in.U32();
  std::uint32_t style = extended ? second : first;
  std::uint16_t items = in.U16();
  text += " style=" + Hex32(style) + " exstyle=" + Hex32(extended ? first : second) +
          " items=" + std::to_string(items) + " " + Rectangle(in) + "\n";
  text += "menu=" + Name(in);
  text += " class=" + Name(in);
  text += " caption=" + Name(in) + "\n";
  if ((style & 0x40) != 0) {  // DS_SETFONT
    text += "font=" + std::to_string(in.U16());
    if (extended) {
      text += " weight=" + std::to_string(in.U16());
      text += " italic=" + std::to_string(in.U8());
      text += " charset=" + std::to_string(in.U8());
    }
    text += " " + Name(in) + "\n";
  }
  for (std::uint16_t i = 0; i < items; ++i) text += Item(in, extended);
  if (!in.AtEnd()) in.Fail("bytes after the last item");
  return text;
}

}  // namespace tarvex::test
