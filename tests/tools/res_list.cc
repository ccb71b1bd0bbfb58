// Lists the resources of a .res file, one line each: type, name, language, memory
// flags and data size. Used by the example script to show what the compiler produced.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/res_reader.h"

namespace {

// The names of the predefined resource types, by ordinal.
const char* TypeName(std::uint16_t ordinal) {
  static const char* const names[] = {"",       "CURSOR",       "BITMAP",       "ICON", "MENU",
                                      "DIALOG", "STRINGTABLE",  "FONTDIR",      "FONT", "ACCELERATORS",
                                      "RCDATA", "MESSAGETABLE", "GROUP_CURSOR", "",     "GROUP_ICON",
                                      "",       "VERSIONINFO",  "DLGINCLUDE",   "",     "PLUGPLAY",
                                      "VXD",    "ANICURSOR",    "ANIICON",      "HTML", "MANIFEST"};
  return ordinal < std::size(names) ? names[ordinal] : "";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: tarvex_list file.res\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  std::vector<std::uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  try {
    std::vector<tarvex::test::TResEntry> entries = tarvex::test::ReadResImage(image);
    std::printf("%-22s %-18s %-8s %-6s %8s\n", "type", "name", "language", "flags", "bytes");
    for (const auto& entry : entries) {
      std::string type = entry.type.Printable();
      if (entry.type.isOrdinal && *TypeName(entry.type.ordinal))
        type += std::string(" ") + TypeName(entry.type.ordinal);
      std::printf("%-22s %-18s 0x%04X   0x%04X %8u\n", type.c_str(), entry.name.Printable().c_str(), entry.languageId,
                  entry.memoryFlags, entry.dataSize);
    }
    std::printf("%zu resources, %zu bytes\n", entries.size(), image.size());
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "%s: %s\n", argv[1], failure.what());
    return 1;
  }
  return 0;
}
