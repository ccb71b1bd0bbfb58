// A test-only reader of menu templates, standard and extended, that walks the records as
// Windows does and renders the whole menu as one line, so that one comparison checks a
// whole menu.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvex::test {

/// Renders the data of a standard menu resource, records separated by " ; ":
///   plain item  "Open" 100 0x0
///   separator   SEPARATOR 0x80   (flags, id and text all empty apart from the end flag)
///   pop-up      POPUP "File" 0x90 { ... }
/// Flags are printed as written, end flag (0x80) and pop-up flag (0x10) included.
/// Throws std::runtime_error naming the offset on a wrong header, a record or text that
/// runs past the end, or bytes after the last record of the menu.
std::string DescribeMenu(const std::vector<std::uint8_t>& data);

/// Renders the data of an extended menu resource the same way:
///   item    "Open" id=100 type=0x0 state=0x8 0x80
///   pop-up  POPUP "File" id=5 type=0x0 state=0x0 help=7 0x81 { ... }
/// Flags are printed as written, end flag (0x80) and pop-up flag (0x01) included.
/// Throws as DescribeMenu does, and also on a header other than version 1, offset 4,
/// help id 0, on other flag bits, and on padding before a record that is not zero.
std::string DescribeMenuEx(const std::vector<std::uint8_t>& data);

}  // namespace tarvex::test
