#include "driver/lsp_text.h"

#include <algorithm>
#include <vector>

namespace tarvex {

namespace {

// The length of the UTF-8 sequence that starts at `at`, and whether it is valid; an
// invalid byte is a sequence of one.
std::size_t SequenceLength(std::string_view text, std::size_t at, bool& fourBytes) {
  auto byte = static_cast<unsigned char>(text[at]);
  fourBytes = false;
  std::size_t length = byte < 0x80 ? 1 : (byte >> 5) == 6 ? 2 : (byte >> 4) == 14 ? 3 : (byte >> 3) == 30 ? 4 : 0;
  if (length <= 1 || at + length > text.size()) return 1;
  for (std::size_t i = 1; i < length; ++i) {
    if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return 1;
  }
  fourBytes = length == 4;
  return length;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

TLineTable::TLineTable(std::string_view text) : text_(text) {
  starts_.push_back(0);
  for (std::size_t i = text.find('\n'); i != std::string_view::npos; i = text.find('\n', i + 1))
    starts_.push_back(i + 1);
}

TLspPosition TLineTable::PositionOf(std::size_t offset) const {
  offset = std::min(offset, text_.size());
  auto next = std::upper_bound(starts_.begin(), starts_.end(), offset);
  std::size_t line = static_cast<std::size_t>(next - starts_.begin()) - 1;
  std::size_t start = starts_[line];
  return {static_cast<std::int32_t>(line), Utf16Units(text_.substr(start, offset - start))};
}

std::size_t TLineTable::LineStart(std::int32_t line) const {
  if (line < 0) return 0;
  if (static_cast<std::size_t>(line) >= starts_.size()) return text_.size();
  return starts_[static_cast<std::size_t>(line)];
}

std::size_t TLineTable::LineEnd(std::int32_t line) const {
  if (line < 0) return 0;
  if (static_cast<std::size_t>(line) + 1 >= starts_.size()) return text_.size();
  std::size_t end = starts_[static_cast<std::size_t>(line) + 1] - 1;
  if (end > starts_[static_cast<std::size_t>(line)] && text_[end - 1] == '\r') --end;
  return end;
}

std::size_t TLineTable::OffsetOf(TLspPosition position) const {
  if (position.line < 0) return 0;
  if (static_cast<std::size_t>(position.line) >= starts_.size()) return text_.size();
  std::size_t at = LineStart(position.line);
  std::size_t end = LineEnd(position.line);
  std::int32_t units = 0;
  while (at < end) {
    bool fourBytes = false;
    std::size_t length = SequenceLength(text_, at, fourBytes);
    units += fourBytes ? 2 : 1;
    if (units > position.character) break;
    at += length;
  }
  return at;
}

std::int32_t Utf16Units(std::string_view text) {
  std::int32_t units = 0;
  for (std::size_t at = 0; at < text.size();) {
    bool fourBytes = false;
    at += SequenceLength(text, at, fourBytes);
    units += fourBytes ? 2 : 1;
  }
  return units;
}

std::size_t CharactersToBytes(std::string_view text, std::int32_t characters) {
  std::size_t at = 0;
  for (std::int32_t i = 0; i < characters && at < text.size(); ++i) {
    bool fourBytes = false;
    at += SequenceLength(text, at, fourBytes);
  }
  return at;
}

std::string UriToPath(std::string_view uri) {
  constexpr std::string_view kScheme = "file://";
  if (uri.substr(0, kScheme.size()) != kScheme) return {};
  uri.remove_prefix(kScheme.size());
  std::size_t slash = uri.find('/');  // an authority ("localhost") before the path
  if (slash == std::string_view::npos) return {};
  uri.remove_prefix(slash);
  std::string path;
  for (std::size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] != '%') {
      path += uri[i];
      continue;
    }
    int high = i + 2 < uri.size() ? HexDigit(uri[i + 1]) : -1;
    int low = i + 2 < uri.size() ? HexDigit(uri[i + 2]) : -1;
    if (high < 0 || low < 0) return {};
    path += static_cast<char>(high * 16 + low);
    i += 2;
  }
  if (path.find('\0') != std::string::npos) return {};
  return path;
}

std::string PathToUri(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file://";
  for (char c : path) {
    auto byte = static_cast<unsigned char>(c);
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 std::string_view("/-._~").find(c) != std::string_view::npos;
    if (plain) {
      uri += c;
    } else {
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 15];
    }
  }
  return uri;
}

bool IsNameByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

TWordSpan WordAt(std::string_view text, std::size_t offset) {
  offset = std::min(offset, text.size());
  std::size_t begin = offset;
  while (begin > 0 && IsNameByte(text[begin - 1])) --begin;
  std::size_t end = offset;
  while (end < text.size() && IsNameByte(text[end])) ++end;
  return {begin, end};
}

std::size_t TokenEnd(std::string_view text, std::size_t offset) {
  if (offset >= text.size()) return text.size();
  char c = text[offset];
  if (IsNameByte(c)) return WordAt(text, offset).end;
  if (c == '"' || c == '\'') {
    std::size_t i = offset + 1;
    while (i < text.size() && text[i] != c && text[i] != '\n') ++i;
    return i < text.size() && text[i] == c ? i + 1 : i;
  }
  bool fourBytes = false;
  return offset + SequenceLength(text, offset, fourBytes);
}

}  // namespace tarvex
