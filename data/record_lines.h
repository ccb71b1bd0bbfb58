// Tables of NAME=value records kept as one text, a record a line. A table of views would
// give the program a relocation per record to carry out at every start; the text is
// split once, when it is first needed.
#pragma once

#include <algorithm>
#include <string_view>
#include <vector>

namespace tarvex {

/// The lines of `text`, each without its line end; a text that ends in a line end has
/// no empty last line.
inline std::vector<std::string_view> RecordLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(0, end));
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return lines;
}

}  // namespace tarvex
