// Checks shared by the tests of resource statements: compile a script in a temporary
// folder and look at its decoded entries or at the diagnostic it stopped with.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "statements/compile_api.h"
#include "tests/res_reader.h"
#include "tests/test_support.h"

namespace tarvex::test {

/// The entries of `script` compiled in `dir`, or in a fresh folder; a failure fails the test.
inline std::vector<TResEntry> EntriesIn(const TTempDir& dir, const std::string& script) {
  TCompilation outcome = CompileInDir(dir, script);
  EXPECT_EQ(outcome.errorText, "") << script;
  return outcome.errorText.empty() ? ReadResImage(outcome.image) : std::vector<TResEntry>{};
}

inline std::vector<TResEntry> Entries(const std::string& script) { return EntriesIn(TTempDir(), script); }

/// The one entry `script` compiles to; throws on another count of entries.
inline TResEntry OnlyEntry(const std::string& script) {
  std::vector<TResEntry> entries = Entries(script);
  if (entries.size() != 1) throw std::runtime_error(std::to_string(entries.size()) + " entries");
  return entries[0];
}

/// Compiles a.rc among `files` in a fresh folder with the options `set` gives.
inline TCompilation CompileFiles(const std::vector<std::pair<std::string, std::string>>& files,
                                 const std::function<void(TCompileOptions&)>& set = {}) {
  TTempDir dir;
  for (const auto& [name, text] : files) dir.Write(name, text);
  TWorkingDirectory cwd(dir.Path());
  TCompileOptions options;
  if (set) set(options);
  return CompileToImage("a.rc", {}, options);
}

/// The same with the -c option's code page `codePage` (an iconv name; empty: the locale's).
inline TCompilation CompileFiles(const std::vector<std::pair<std::string, std::string>>& files,
                                 const std::string& codePage) {
  return CompileFiles(files, [&](TCompileOptions& options) { options.codePage = codePage; });
}

/// String `id` of the string tables of `image` as code units; "?" when there is none.
inline std::u16string TableString(const std::vector<std::uint8_t>& image, unsigned id) {
  std::vector<TResEntry> entries = ReadResImage(image);
  const std::vector<std::uint8_t>& data = FindEntry(entries, "#6", "#" + std::to_string(id / 16 + 1)).data;
  std::u16string units;  // each slot: its length, then its units
  for (std::size_t at = 0; at + 1 < data.size(); at += 2) units += static_cast<char16_t>(data[at] | data[at + 1] << 8);
  std::size_t at = 0;
  for (unsigned slot = 0; slot < id % 16 && at < units.size(); ++slot) at += 1u + units[at];
  return at < units.size() ? units.substr(at + 1, units[at]) : u"?";
}

/// Describe() of every entry, one per line.
inline std::string DescribeAll(const std::vector<TResEntry>& entries) {
  std::string text;
  for (const TResEntry& entry : entries) text += entry.Describe() + "\n";
  return text;
}

/// "number@line: message" for a numbered diagnostic, the whole text otherwise;
/// "compiled" when the script compiles. A failure must leave no output file.
inline std::string FailureIn(const TTempDir& dir, const std::string& script) {
  TCompilation outcome = CompileInDir(dir, script);
  if (outcome.errorText.empty()) return "compiled";
  EXPECT_FALSE(dir.Exists("a.res")) << script;
  if (outcome.errorNumber == 0) return outcome.errorText;
  std::size_t colon = outcome.errorText.find(" : ");
  std::string message = colon == std::string::npos ? outcome.errorText : outcome.errorText.substr(colon + 3);
  return std::to_string(outcome.errorNumber) + "@" + std::to_string(outcome.errorLine) + ": " + message;
}

inline std::string Failure(const std::string& script) { return FailureIn(TTempDir(), script); }

/// The data of an entry as grouped hex rows, for byte comparisons.
inline std::string DataHex(const TResEntry& entry) { return HexRows(entry.data); }

/// Little-endian bytes, for building image files in tests.
inline std::string U16(unsigned value) {
  return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8 & 0xFF)};
}
inline std::string U32(std::uint32_t value) { return U16(value & 0xFFFF) + U16(value >> 16); }

/// An image of `size` bytes, filled with `fill`, that starts like a bitmap information
/// header of the given width and height (1 plane, 4 bits per pixel).
inline std::string Image(std::size_t size, std::uint32_t width, std::uint32_t height, unsigned fill) {
  std::string header = U32(40) + U32(width) + U32(height) + U16(1) + U16(4);
  std::string image(size, static_cast<char>(fill));
  std::size_t kept = std::min(size, header.size());
  image.replace(0, kept, header.substr(0, kept));
  return image;
}

/// An icon (type 1) or cursor (type 2) file: header, directory, images back to back or at
/// the given offsets (with 0xEE between). `a` and `b` fill the planes and bit-count fields
/// (a cursor's hotspot).
inline std::string ImageFile(unsigned type, const std::vector<std::string>& images, unsigned a = 1, unsigned b = 32,
                             std::vector<std::size_t> offsets = {}) {
  std::string file = U16(0) + U16(type) + U16(static_cast<unsigned>(images.size()));
  for (std::size_t i = 0, at = 6 + 16 * images.size(); i < images.size(); at += images[i++].size()) {
    if (offsets.size() <= i) offsets.push_back(at);
    file += std::string{static_cast<char>(16 + i), static_cast<char>(32 + i), 0, 0} + U16(a) + U16(b);
    file += U32(static_cast<std::uint32_t>(images[i].size())) + U32(static_cast<std::uint32_t>(offsets[i]));
  }
  for (std::size_t i = 0; i < images.size(); ++i) {
    file.resize(std::max(file.size(), offsets[i] + images[i].size()), '\xEE');
    file.replace(offsets[i], images[i].size(), images[i]);
  }
  return file;
}

}  // namespace tarvex::test
