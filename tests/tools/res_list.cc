// Lists the resources of a .res file, one line each: type, name, language, memory
// flags and data size. Used by the example script to show what the compiler produced.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/res_reader.h"

namespace {

const char* TypeName(std::uint16_t ordinal) {
  switch (ordinal) {
    case 1: return "CURSOR";
    case 2: return "BITMAP";
    case 3: return "ICON";
    case 4: return "MENU";
    case 5: return "DIALOG";
    case 6: return "STRINGTABLE";
    case 7: return "FONTDIR";
    case 8: return "FONT";
    case 9: return "ACCELERATORS";
    case 10: return "RCDATA";
    case 11: return "MESSAGETABLE";
    case 12: return "GROUP_CURSOR";
    case 14: return "GROUP_ICON";
    case 16: return "VERSIONINFO";
    case 17: return "DLGINCLUDE";
    case 19: return "PLUGPLAY";
    case 20: return "VXD";
    case 21: return "ANICURSOR";
    case 22: return "ANIICON";
    case 23: return "HTML";
    case 24: return "MANIFEST";
    default: return "";
  }
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
      if (entry.type.isOrdinal && *TypeName(entry.type.ordinal)) type += std::string(" ") + TypeName(entry.type.ordinal);
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
