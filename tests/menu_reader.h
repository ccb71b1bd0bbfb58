// A test-only reader of standard menu templates that walks the records as Windows does
// and renders the whole menu as one line, so that one comparison checks a whole menu.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvex::test {

/// Renders the data of a menu resource, records separated by " ; ":
///   plain item  "Open" 100 0x0
///   separator   SEPARATOR 0x80   (flags, id and text all empty apart from the end flag)
///   pop-up      POPUP "File" 0x90 { ... }
/// Flags are printed as written, end flag (0x80) and pop-up flag (0x10) included.
/// Throws std::runtime_error naming the offset on a wrong header, a record or text that
/// runs past the end, or bytes after the last record of the menu.
std::string DescribeMenu(const std::vector<std::uint8_t>& data);

}  // namespace tarvex::test
