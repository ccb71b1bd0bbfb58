// Writes the manual pages and the shell completion from the option table:
//   tarvex_option_docs <folder of the page sources> <output folder> <version>
// makes <output>/man/<page>.1 from each <page>.1.in and <output>/completion/tarvex (bash)
// and <output>/completion/_tarvex (zsh).
#include "driver/option_docs.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {

bool Write(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out << text;
  return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: tarvex_option_docs <page sources> <output folder> <version>\n";
    return 2;
  }
  const std::filesystem::path sources = argv[1], output = argv[2];
  const std::pair<const char*, tarvex::TCommandLineMode> pages[] = {
      {"tarvex", tarvex::TCommandLineMode::Native},
      {"tarvex-rc", tarvex::TCommandLineMode::Rc},
      {"tarvex-windres", tarvex::TCommandLineMode::Windres},
  };
  bool written = true;
  for (const auto& [page, line] : pages) {
    std::ifstream in(sources / (std::string(page) + ".1.in"), std::ios::binary);
    std::stringstream source;
    source << in.rdbuf();
    if (!in) {
      std::cerr << "tarvex_option_docs: cannot read " << (sources / (std::string(page) + ".1.in")) << '\n';
      return 1;
    }
    written &= Write(output / "man" / (std::string(page) + ".1"), tarvex::ManPage(source.str(), line, argv[3]));
  }
  written &= Write(output / "completion" / "tarvex", tarvex::BashCompletion());
  written &= Write(output / "completion" / "_tarvex", tarvex::ZshCompletion());
  if (!written) std::cerr << "tarvex_option_docs: cannot write into " << output << '\n';
  return written ? 0 : 1;
}
