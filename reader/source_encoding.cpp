#include "reader/source_encoding.h"

namespace tarvex {

namespace {

unsigned char Byte(const std::string& text, std::size_t i) { return static_cast<unsigned char>(text[i]); }

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

TSourceEncoding DetectSourceEncoding(const std::string& bytes) {
  if (bytes.size() >= 2 && Byte(bytes, 0) == 0xFF && Byte(bytes, 1) == 0xFE) return TSourceEncoding::Utf16LE;
  if (bytes.size() >= 2 && Byte(bytes, 0) == 0xFE && Byte(bytes, 1) == 0xFF) return TSourceEncoding::Utf16BE;
  // Without a mark: the first line (up to the first line feed unit) has a zero in every
  // odd byte and something in its even bytes.
  bool anyCharacter = false;
  std::size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    if (Byte(bytes, i + 1) != 0) return TSourceEncoding::Bytes;
    if (Byte(bytes, i) != 0) anyCharacter = true;
    if (Byte(bytes, i) == '\n') break;
  }
  return anyCharacter ? TSourceEncoding::Utf16LE : TSourceEncoding::Bytes;
}

bool DecodeSourceText(std::string& text, TSourceEncoding encoding, std::size_t& errorOffset) {
  if (encoding == TSourceEncoding::Bytes) {
    if (text.size() >= 3 && Byte(text, 0) == 0xEF && Byte(text, 1) == 0xBB && Byte(text, 2) == 0xBF) text.erase(0, 3);
    return true;
  }
  bool little = encoding == TSourceEncoding::Utf16LE;
  std::size_t i = 0;
  if (text.size() >= 2 && ((little && Byte(text, 0) == 0xFF && Byte(text, 1) == 0xFE) ||
                           (!little && Byte(text, 0) == 0xFE && Byte(text, 1) == 0xFF)))
    i = 2;
  auto unitAt = [&](std::size_t at) -> char32_t {
    return little ? static_cast<char32_t>(Byte(text, at) | (Byte(text, at + 1) << 8))
                  : static_cast<char32_t>((Byte(text, at) << 8) | Byte(text, at + 1));
  };
  std::string out;
  out.reserve(text.size());
  for (; i < text.size(); i += 2) {
    if (i + 1 >= text.size()) {
      errorOffset = i;
      return false;
    }
    char32_t unit = unitAt(i);
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      char32_t low = i + 3 < text.size() ? unitAt(i + 2) : 0;
      if (low < 0xDC00 || low > 0xDFFF) {
        errorOffset = i;
        return false;
      }
      unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      errorOffset = i;
      return false;
    }
    AppendUtf8(out, unit);
  }
  text.swap(out);
  return true;
}

}  // namespace tarvex
