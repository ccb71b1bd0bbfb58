#include "tests/version_reader.h"

#include <cstdio>
#include <stdexcept>

#include "tests/res_reader.h"

namespace tarvex::test {

namespace {

constexpr std::size_t kNodeFields = 6;
constexpr std::size_t kFixedInfoSize = 52;

std::size_t RoundUp4(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

[[noreturn]] void Fail(std::size_t offset, const std::string& what) {
  throw std::runtime_error("version node at offset " + std::to_string(offset) + ": " + what);
}

std::uint16_t U16At(const std::vector<std::uint8_t>& data, std::size_t at) {
  return static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
}

// The node at `offset`, which must end by `limit`.
TVersionNode ReadNode(const std::vector<std::uint8_t>& data, std::size_t offset, std::size_t limit) {
  TVersionNode node;
  node.offset = offset;
  if (offset % 4 != 0) Fail(offset, "not on a multiple of 4");
  if (limit < offset || limit - offset < kNodeFields) Fail(offset, "fields run past the parent");
  node.length = U16At(data, offset);
  node.valueLength = U16At(data, offset + 2);
  node.type = U16At(data, offset + 4);
  if (node.type > 1) Fail(offset, "type " + std::to_string(node.type));
  if (node.length < kNodeFields || node.length > limit - offset) Fail(offset, "length " + std::to_string(node.length));
  std::size_t end = offset + node.length;
  std::size_t at = offset + kNodeFields;
  std::u16string key;
  for (;; at += 2) {
    if (end - at < 2) Fail(offset, "key runs past the node");
    if (U16At(data, at) == 0) break;
    key += static_cast<char16_t>(U16At(data, at));
  }
  node.key = Utf16ToUtf8(key);
  std::size_t valueStart = RoundUp4(at + 2);
  std::size_t valueSize = node.type == 1 ? 2 * std::size_t{node.valueLength} : node.valueLength;
  if (valueStart > end || end - valueStart < valueSize) Fail(offset, "value runs past the node");
  node.value.assign(data.begin() + static_cast<std::ptrdiff_t>(valueStart),
                    data.begin() + static_cast<std::ptrdiff_t>(valueStart + valueSize));
  for (std::size_t child = RoundUp4(valueStart + valueSize); child < end;) {
    node.children.push_back(ReadNode(data, child, end));
    child = RoundUp4(child + node.children.back().length);
  }
  return node;
}

// Text: each zero unit as \0; numbers: 16-bit words, and a last odd byte as +n.
std::string ValueText(const std::vector<std::uint8_t>& value, bool text) {
  std::string rendered;
  std::u16string units;
  for (std::size_t i = 0; i + 1 < value.size(); i += 2) {
    auto unit = static_cast<char16_t>(value[i] | value[i + 1] << 8);
    if (!text) {
      char word[8];
      std::snprintf(word, sizeof word, "0x%04X", static_cast<unsigned>(unit));
      rendered += (rendered.empty() ? "" : " ") + std::string(word);
    } else if (unit != 0) {
      units += unit;
    } else {
      rendered += Utf16ToUtf8(units) + "\\0";
      units.clear();
    }
  }
  if (text) return "\"" + rendered + Utf16ToUtf8(units) + "\"";
  if (value.size() % 2 != 0) rendered += " +" + std::to_string(value.back());
  return rendered;
}

}  // namespace

TVersionNode ReadVersionTree(const std::vector<std::uint8_t>& data) {
  TVersionNode root = ReadNode(data, 0, data.size());
  if (root.length != data.size()) Fail(0, "root length " + std::to_string(root.length) + " is not the data size");
  return root;
}

std::string DescribeVersionTree(const TVersionNode& node) {
  std::string text = node.key;
  if (node.type == 1) return text + " " + ValueText(node.value, true);
  if (node.offset == 0 && node.value.size() == kFixedInfoSize) {
    text += " [fixed]";
  } else if (!node.value.empty()) {
    return text + " " + ValueText(node.value, false);
  }
  text += " {";
  for (std::size_t i = 0; i < node.children.size(); ++i)
    text += (i == 0 ? " " : " ; ") + DescribeVersionTree(node.children[i]);
  return text + " }";
}

std::array<std::uint32_t, 13> FixedFileInfo(const TVersionNode& root) {
  if (root.value.size() != kFixedInfoSize) Fail(root.offset, "no fixed file information");
  std::array<std::uint32_t, 13> fields{};
  for (std::size_t i = 0; i < fields.size(); ++i)
    fields[i] = static_cast<std::uint32_t>(root.value[4 * i]) | static_cast<std::uint32_t>(root.value[4 * i + 1]) << 8 |
                static_cast<std::uint32_t>(root.value[4 * i + 2]) << 16 |
                static_cast<std::uint32_t>(root.value[4 * i + 3]) << 24;
  return fields;
}

}  // namespace tarvex::test
