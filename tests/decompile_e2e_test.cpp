// Decompiling what other compilers wrote: every DLL and program of Wine's x86_64-windows
// folder that has resources, and every file of ../shared/foreign/, is decompiled, the
// script compiled again and each resource compared by type, name, language and data
// (the compiler's zero padding of data up to a multiple of 4 allowed and counted).
// Runs only when TARVEX_E2E=1; then a missing Wine folder is a failure.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>

#include "driver/decompile.h"
#include "output/res_image.h"
#include "statements/compile_api.h"
#include "tests/external_tools.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

bool EndToEnd() {
  const char* e2e = std::getenv("TARVEX_E2E");
  return e2e != nullptr && std::string(e2e) == "1";
}

std::string KeyOf(const TResourceEntry& entry) {
  return IdText(entry.type) + (entry.type.isOrdinal ? "#" : "$") + "/" + IdText(entry.name) +
         (entry.name.isOrdinal ? "#" : "$") + "/" + std::to_string(entry.language);
}

struct TComparison {
  std::size_t resources = 0;
  std::size_t padding = 0;
  std::size_t unnamed = 0;  ///< resources named 0, which no script can name
  std::vector<std::string> differences;
};

// Decompiles `input` into a fresh folder, compiles the script and compares.
TComparison DecompileAndCompare(const std::string& input) {
  TComparison result;
  std::string bytes = test::ReadFile(input);
  std::vector<std::uint8_t> image(bytes.begin(), bytes.end());
  std::vector<TResourceEntry> original = ReadResources(image, input);
  result.resources = original.size();
  test::TTempDir dir;
  test::TWorkingDirectory here(dir.Path());
  TDecompileRequest request;
  request.input = input;
  request.script = "back.rc";
  Decompile(request);
  TCompilation compiled = CompileToImage("back.rc");
  if (!compiled.Succeeded()) {
    result.differences.push_back("the script does not compile: " + compiled.errorText);
    return result;
  }
  std::vector<TResourceEntry> back = ReadResources(compiled.image, "back.res");
  std::map<std::string, const TResourceEntry*> byKey;
  for (const TResourceEntry& entry : back) byKey[KeyOf(entry)] = &entry;
  std::size_t unnamed =
      static_cast<std::size_t>(std::count_if(original.begin(), original.end(), [](const TResourceEntry& e) {
        return e.name.isOrdinal && e.name.ordinal == 0;
      }));
  if (back.size() + unnamed != original.size())
    result.differences.push_back(std::to_string(back.size()) + " resources instead of " +
                                 std::to_string(original.size()));
  for (const TResourceEntry& entry : original) {
    // No statement names a resource 0 (cards.dll has one): it is left out with a warning.
    if (entry.name.isOrdinal && entry.name.ordinal == 0) {
      ++result.unnamed;
      continue;
    }
    auto found = byKey.find(KeyOf(entry));
    if (found == byKey.end()) {
      result.differences.push_back(KeyOf(entry) + " is missing");
      continue;
    }
    std::span<const std::uint8_t> data = found->second->data;
    bool padded = data.size() >= entry.data.size() && data.size() - entry.data.size() < 4 &&
                  std::all_of(data.begin() + static_cast<std::ptrdiff_t>(entry.data.size()), data.end(),
                              [](std::uint8_t byte) { return byte == 0; });
    if (!padded || !std::equal(entry.data.begin(), entry.data.end(), data.begin())) {
      result.differences.push_back(KeyOf(entry) + " has other data");
      continue;
    }
    result.padding += data.size() - entry.data.size();
  }
  return result;
}

std::string WineFolder() {
  std::string listing;
  if (test::RunTool({"sh", "-c", "dpkg -L wine64 2>/dev/null | grep '/x86_64-windows$' | head -n 1"}, listing) == 0) {
    while (!listing.empty() && (listing.back() == '\n' || listing.back() == ' ')) listing.pop_back();
    if (!listing.empty() && std::filesystem::is_directory(listing)) return listing;
  }
  for (const char* folder : {"/usr/lib/x86_64-linux-gnu/wine/x86_64-windows", "/usr/lib/wine/x86_64-windows"})
    if (std::filesystem::is_directory(folder)) return folder;
  return {};
}

TEST(DecompileEndToEndTest, EveryWineLibraryComesBackResourceByResource) {
  if (!EndToEnd()) GTEST_SKIP() << "end-to-end tests run with TARVEX_E2E=1";
  std::string folder = WineFolder();
  ASSERT_FALSE(folder.empty()) << "Wine's x86_64-windows folder is missing (wine64)";
  std::vector<std::string> files;
  for (const auto& item : std::filesystem::directory_iterator(folder))
    if (item.is_regular_file()) files.push_back(item.path().string());
  std::sort(files.begin(), files.end());
  std::size_t withResources = 0, exact = 0, resources = 0, padding = 0, unnamed = 0;
  for (const std::string& file : files) {
    std::string bytes = test::ReadFile(file);
    std::vector<std::uint8_t> image(bytes.begin(), bytes.end());
    if (ImageKindOf(image) != TImageKind::Program) continue;
    std::vector<TResourceEntry> entries;
    std::string error = test::ErrorOf([&] { entries = ReadResources(image, file); });
    EXPECT_EQ(error, "") << file;
    if (entries.empty()) continue;
    ++withResources;
    TComparison comparison;
    error = test::ErrorOf([&] { comparison = DecompileAndCompare(file); });
    EXPECT_EQ(error, "") << file;
    EXPECT_TRUE(comparison.differences.empty()) << file << ": " << comparison.differences.front();
    exact += error.empty() && comparison.differences.empty() && comparison.unnamed == 0;
    unnamed += comparison.unnamed;
    resources += comparison.resources;
    padding += comparison.padding;
  }
  EXPECT_GT(withResources, 0u);
  std::cout << "[ wine     ] " << exact << " of " << withResources << " libraries with resources came back, "
            << resources << " resources, " << padding << " bytes of padding, " << unnamed
            << " resources named 0 left out\n";
}

TEST(DecompileEndToEndTest, EveryForeignFileComesBackResourceByResource) {
  if (!EndToEnd()) GTEST_SKIP() << "end-to-end tests run with TARVEX_E2E=1";
  std::string folder = std::string(TARVEX_SOURCE_DIR) + "/../shared/foreign";
  // Like the corpus, the other compilers' files are read where they lie beside the sources.
  if (!std::filesystem::is_directory(folder)) GTEST_SKIP() << "no foreign files beside the sources";
  std::size_t files = 0;
  for (const auto& item : std::filesystem::directory_iterator(folder)) {
    std::string name = item.path().filename();
    if (name == "README.md") continue;
    ++files;
    TComparison comparison;
    std::string error =
        test::ErrorOf([&] { comparison = DecompileAndCompare(std::filesystem::canonical(item.path()).string()); });
    EXPECT_EQ(error, "") << name;
    EXPECT_TRUE(comparison.differences.empty()) << name << ": " << comparison.differences.front();
    std::cout << "[ foreign  ] " << name << ": " << comparison.resources << " resources, " << comparison.padding
              << " bytes of padding\n";
  }
  EXPECT_GT(files, 0u);
}

}  // namespace
}  // namespace tarvex
