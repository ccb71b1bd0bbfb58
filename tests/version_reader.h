// A test-only reader of version resources that walks the node tree as Windows does,
// checking every length, alignment and bound, and renders it as one line.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "output/res_image.h"

namespace tarvex::test {

/// One node of the tree.
struct TVersionNode {
  std::size_t offset = 0;  ///< from the start of the resource data
  std::uint16_t length = 0, type = 0;
  std::string key;                  ///< as UTF-8
  std::vector<std::uint8_t> value;  ///< text: 2 bytes per value-length unit; else value-length bytes
  std::vector<TVersionNode> children;
};

/// The node at `offset`, which must lie on a multiple of 4 and end by `limit`, as must its key
/// and value; the root's length must be the data's size. Throws std::runtime_error naming the offset.
inline TVersionNode ReadVersionTree(const std::vector<std::uint8_t>& data, std::size_t offset = 0,
                                    std::size_t limit = SIZE_MAX) {
  auto fail = [offset](const std::string& what) {
    throw std::runtime_error("version node at offset " + std::to_string(offset) + ": " + what);
  };
  auto u16 = [&data](std::size_t at) { return static_cast<std::uint16_t>(data[at] | data[at + 1] << 8); };
  auto round4 = [](std::size_t n) { return (n + 3) & ~std::size_t{3}; };
  bool root = limit == SIZE_MAX;
  limit = std::min(limit, data.size());
  if (offset % 4 != 0 || limit < offset || limit - offset < 6) fail("misplaced, or its fields run past the parent");
  TVersionNode node;
  node.offset = offset;
  node.length = u16(offset);
  node.type = u16(offset + 4);
  std::size_t valueLength = u16(offset + 2), end = offset + node.length, at = offset + 6;
  if (node.type > 1 || node.length < 6 || node.length > limit - offset || (root && end != data.size()))
    fail("type " + std::to_string(node.type) + ", length " + std::to_string(node.length));
  std::u16string key;
  for (; end - at >= 2 && u16(at) != 0; at += 2) key += static_cast<char16_t>(u16(at));
  if (end - at < 2) fail("key runs past the node");
  node.key = DisplayUtf8(key);
  std::size_t valueStart = round4(at + 2), valueSize = node.type == 1 ? 2 * valueLength : valueLength;
  if (valueStart > end || end - valueStart < valueSize) fail("value runs past the node");
  node.value.assign(data.begin() + static_cast<std::ptrdiff_t>(valueStart),
                    data.begin() + static_cast<std::ptrdiff_t>(valueStart + valueSize));
  for (std::size_t child = round4(valueStart + valueSize); child < end;
       child = round4(child + node.children.back().length))
    node.children.push_back(ReadVersionTree(data, child, end));
  return node;
}

/// A node and its children on one line:
///   VS_VERSION_INFO [fixed] { StringFileInfo { 040904E4 { CompanyName "Acme\0" ; ... } } ;
///   VarFileInfo { Translation 0x0409 0x04E4 } }
/// Text values show each zero unit as \0; numeric values show 16-bit words; a value of
/// 52 bytes on the root shows as [fixed]; a node of type 0 without value shows braces.
inline std::string DescribeVersionTree(const TVersionNode& node) {
  std::string text = node.key + " ";
  std::u16string units;
  for (std::size_t i = 0; i + 1 < node.value.size(); i += 2)
    units += static_cast<char16_t>(node.value[i] | node.value[i + 1] << 8);
  if (node.type == 1) {
    std::string shown = DisplayUtf8(units);
    for (std::size_t at = shown.find('\0'); at != std::string::npos; at = shown.find('\0', at))
      shown.replace(at, 1, "\\0");
    return text + "\"" + shown + "\"";
  }
  if (node.offset == 0 && node.value.size() == 52) {
    text += "[fixed] ";
  } else if (!node.value.empty()) {
    for (char16_t unit : units) {
      char word[8];
      std::snprintf(word, sizeof word, "0x%04X", static_cast<unsigned>(unit));
      text += word + std::string(" ");
    }
    return text.substr(0, text.size() - 1);
  }
  text += "{";
  for (std::size_t i = 0; i < node.children.size(); ++i)
    text += (i == 0 ? " " : " ; ") + DescribeVersionTree(node.children[i]);
  return text + " }";
}

/// The thirteen 32-bit fields of the root's fixed file information; throws without one.
inline std::array<std::uint32_t, 13> FixedFileInfo(const TVersionNode& root) {
  if (root.value.size() != 52) throw std::runtime_error("no fixed file information");
  std::array<std::uint32_t, 13> fields{};
  for (std::size_t i = 0; i < 52; ++i) fields[i / 4] |= std::uint32_t{root.value[i]} << (8 * (i % 4));
  return fields;
}

}  // namespace tarvex::test
