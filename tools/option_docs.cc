// Writes the manual pages and the shell completion from the option table:
//   tarvex_option_docs <folder of the page sources> <output folder> <version> <page>=<line>...
// makes <output>/man/<page>.1 from each <page>.1.in, its options those of <line> (native,
// rc or windres), and <output>/completion/tarvex (bash) and <output>/completion/_tarvex (zsh).
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string_view>

#include "driver/option_docs.h"

namespace {

bool Write(const std::filesystem::path& path, const std::string& text) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out << text;
  return static_cast<bool>(out.flush());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::cerr << "usage: tarvex_option_docs <page sources> <output folder> <version> <page>=<line>...\n";
    return 2;
  }
  const std::filesystem::path sources = argv[1], output = argv[2];
  const std::pair<std::string_view, tarvex::TCommandLineMode> lines[] = {
      {"native", tarvex::TCommandLineMode::Native},
      {"rc", tarvex::TCommandLineMode::Rc},
      {"windres", tarvex::TCommandLineMode::Windres},
  };
  bool written = true;
  for (int i = 4; i < argc; ++i) {
    std::string_view argument = argv[i];
    std::string page(argument.substr(0, argument.find('=')));
    const auto* line = std::find_if(std::begin(lines), std::end(lines), [&](const auto& known) {
      return argument.size() > page.size() && known.first == argument.substr(page.size() + 1);
    });
    if (line == std::end(lines)) {
      std::cerr << "tarvex_option_docs: " << argument << " names no command line (native, rc or windres)\n";
      return 2;
    }
    std::filesystem::path sourceName = sources / (page + ".1.in");
    std::ifstream in(sourceName, std::ios::binary);
    std::stringstream source;
    source << in.rdbuf();
    if (!in) {
      std::cerr << "tarvex_option_docs: cannot read " << sourceName << '\n';
      return 1;
    }
    written &= Write(output / "man" / (page + ".1"), tarvex::ManPage(source.str(), line->second, argv[3]));
  }
  written &= Write(output / "completion" / "tarvex", tarvex::BashCompletion());
  written &= Write(output / "completion" / "_tarvex", tarvex::ZshCompletion());
  if (!written) std::cerr << "tarvex_option_docs: cannot write into " << output << '\n';
  return written ? 0 : 1;
}
