// A test-only reader of version resources that walks the node tree as Windows does,
// checking every length, alignment and bound, and renders it as one line.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvex::test {

/// One node of the tree.
struct TVersionNode {
  std::size_t offset = 0;  ///< from the start of the resource data
  std::uint16_t length = 0;
  std::uint16_t valueLength = 0;
  std::uint16_t type = 0;
  std::string key;                  ///< as UTF-8
  std::vector<std::uint8_t> value;  ///< text: 2 bytes per value-length unit; else value-length bytes
  std::vector<TVersionNode> children;
};

/// Decodes the data of a version resource. The root's length must be the data's size;
/// every node must start on a multiple of 4 and lie inside its parent, its key must end
/// inside it and its value must fit. Throws std::runtime_error naming the offset.
TVersionNode ReadVersionTree(const std::vector<std::uint8_t>& data);

/// Renders a node and its children on one line:
///   VS_VERSION_INFO [fixed] { StringFileInfo { 040904E4 { CompanyName "Acme\0" ; ... } } ;
///   VarFileInfo { Translation 0x0409 0x04E4 } }
/// Text values show each zero unit as \0; numeric values show 16-bit words; a value of
/// 52 bytes on the root shows as [fixed]; a node of type 0 without value shows braces.
std::string DescribeVersionTree(const TVersionNode& node);

/// The thirteen 32-bit fields of the root's fixed file information; throws without one.
std::array<std::uint32_t, 13> FixedFileInfo(const TVersionNode& root);

}  // namespace tarvex::test
