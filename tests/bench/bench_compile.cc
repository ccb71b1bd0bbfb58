// Compile-time benchmark: generates scripts of growing size for each family of input
// and compiles each in process, printing size, time, throughput and time per item.
// The time per item must stay flat as the script grows.
//
//   tarvex_bench                 every family at every size
//   tarvex_bench --write DIR     also leave the generated scripts in DIR (for timing the
//                                tarvex binary from outside, e.g. with /usr/bin/time -v)
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "statements/compile_api.h"

namespace {

using Generator = std::function<std::string(int)>;

struct TFamily {
  const char* name;
  std::vector<int> sizes;
  Generator generate;
};

// String ids run from 0 to 65535 per language: larger tables spread over languages.
std::string StringTable(int n) {
  std::string s;
  for (int start = 0, language = 1; start < n; start += 50000, ++language) {
    s += "STRINGTABLE\nLANGUAGE " + std::to_string(language) + ", 1\nBEGIN\n";
    for (int i = start; i < std::min(n, start + 50000); ++i)
      s += "  " + std::to_string(i - start) + ", \"Some string text of moderate size\"\n";
    s += "END\n";
  }
  return s;
}

std::string SmallRcdata(int n) {
  std::string s;
  // Names run from 1 to 32767 per type: larger scripts spread over user-defined types.
  for (int i = 0; i < n; ++i)
    s += std::to_string(i % 30000 + 1) + " TYPE" + std::to_string(i / 30000) + " { 1, 2, 3, \"abc\" }\n";
  return s;
}

std::string LargeRawData(int n) {
  std::string s = "1 RCDATA\nBEGIN\n";
  for (int i = 0; i < n; ++i) s += "  0x1234, 5678, 42L, '0A 1B 2C 3D'\n";
  return s + "END\n";
}

std::string DefinesUsed(int n) {
  std::string s;
  for (int i = 0; i < 1000; ++i) s += "#define NAME_" + std::to_string(i) + " (" + std::to_string(i) + " + 1)\n";
  s += "1 RCDATA\nBEGIN\n";
  for (int i = 0; i < n; ++i)
    s += "  NAME_" + std::to_string(i % 1000) + " | NAME_" + std::to_string((i * 7) % 1000) + ",\n";
  return s + "  0\nEND\n";
}

std::string LongExpressions(int n) {
  std::string s = "1 RCDATA\nBEGIN\n  0";
  for (int i = 0; i < n; ++i) s += " + (" + std::to_string(i % 97) + " * 3 - 1) | 0x10";
  return s + "\nEND\n";
}

std::string Menus(int n) {
  std::string s = "1 MENU\nBEGIN\n";
  for (int p = 0; p < 50; ++p) {
    s += "  POPUP \"Pop " + std::to_string(p) + "\"\n  BEGIN\n";
    for (int i = 0; i < n / 50; ++i) s += "    MENUITEM \"I\", " + std::to_string(p * 1000 + i) + "\n";
    s += "  END\n";
  }
  return s + "END\n";
}

std::string Accelerators(int n) {
  std::string s = "1 ACCELERATORS\nBEGIN\n";
  for (int i = 0; i < n; ++i)
    s += "  " + std::to_string(i % 200 + 1) + ", " + std::to_string(i + 1) + ", VIRTKEY, CONTROL\n";
  return s + "END\n";
}

std::string VersionValues(int n) {
  std::string s =
      "1 VERSIONINFO\nFILEVERSION 1,2,3,4\nBEGIN\n  BLOCK \"StringFileInfo\"\n  BEGIN\n    BLOCK \"040904b0\"\n    "
      "BEGIN\n";
  for (int i = 0; i < n; ++i)
    s += "      VALUE \"Key" + std::to_string(i) + "\", \"Value number " + std::to_string(i) + "\"\n";
  return s + "    END\n  END\nEND\n";
}

std::string Dialogs(int n) {
  std::string s;
  for (int d = 0; d < n; ++d) {
    s += std::to_string(d + 1) + " DIALOGEX 0, 0, 200, 100\nSTYLE 0x80C80000\nCAPTION \"Dialog\"\n";
    s += "FONT 8, \"MS Shell Dlg\"\nBEGIN\n";
    for (int c = 0; c < 40; ++c) s += "  PUSHBUTTON \"Button\", " + std::to_string(c + 100) + ", 10, 10, 50, 14\n";
    s += "END\n";
  }
  return s;
}

std::string WriteScript(const std::string& dir, const std::string& name, const std::string& text) {
  std::string path = dir + "/" + name + ".rc";
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  std::string keepDir;
  if (argc == 3 && std::string(argv[1]) == "--write") keepDir = argv[2];
  std::string dir = keepDir.empty() ? "/tmp" : keepDir;
  std::vector<TFamily> families = {
      {"stringtable", {10000, 30000, 100000}, StringTable},
      {"rcdata-resources", {10000, 30000, 100000}, SmallRcdata},
      {"raw-data-block", {10000, 30000, 100000}, LargeRawData},
      {"defines-used", {10000, 30000, 100000}, DefinesUsed},
      {"long-expression", {1000, 3000, 10000}, LongExpressions},
      {"menu-items", {1000, 5000}, Menus},
      {"accelerators", {1000, 8000}, Accelerators},
      {"version-values", {50, 200}, VersionValues},
      {"dialogs-40-controls", {100, 500}, Dialogs},
  };
  std::printf("%-20s %8s %10s %10s %10s %12s\n", "family", "items", "bytes", "ms", "MB/s", "ns/item");
  for (const TFamily& family : families) {
    for (int n : family.sizes) {
      std::string text = family.generate(n);
      std::string name = std::string(family.name) + "-" + std::to_string(n);
      std::string path = WriteScript(dir, name, text);
      double best = 1e30;
      std::string error;
      for (int run = 0; run < 3; ++run) {
        auto start = std::chrono::steady_clock::now();
        tarvex::TCompilation result = tarvex::CompileToImage(path);
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        best = std::min(best, ms);
        error = result.errorText;
      }
      if (keepDir.empty()) std::remove(path.c_str());
      std::printf("%-20s %8d %10zu %10.2f %10.1f %12.1f%s%s\n", family.name, n, text.size(), best,
                  static_cast<double>(text.size()) / 1e6 / (best / 1e3), best * 1e6 / n,
                  error.empty() ? "" : "  FAILED: ", error.substr(0, 80).c_str());
    }
  }
  return 0;
}
