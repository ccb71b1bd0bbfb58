#include "output/coff_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "output/res_image.h"
#include "output/res_writer.h"
#include "reader/diagnostics.h"
#include "tests/external_tools.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

using test::TTempDir;

struct TTestResource {
  std::u16string type;
  std::u16string name;
  std::uint16_t language = 0;
  std::string data;
};

std::vector<std::uint8_t> BuildRes(const std::vector<TTestResource>& resources) {
  TOutputBuffer out;
  WriteLeadingEntry(out);
  for (const TTestResource& r : resources) {
    WriteResourceHeader(out, static_cast<std::uint32_t>(r.data.size()), r.type, r.name, 0, 0x1030, r.language, 0, 0);
    out.WriteBytes(r.data);
    PadToDword(out);
  }
  return out.Bytes();
}

// Ordinal and string types and names (apart by letter case, beyond ASCII), two languages of
// one name, empty data and sizes that are not multiples of 8.
std::vector<TTestResource> SampleResources() {
  return {{u"10", u"ABC", 0x0409, "hello"},
          {u"10", u"ABC", 0x0407, "hallo welt"},
          {u"10", u"3", 0x0409, "xyz"},
          {u"MYTYPE", u"b", 0x0409, "lower"},
          {u"MYTYPE", u"B", 0x0409, "upper"},
          {u"MYTYPE", u"_", 0x0409, ""},
          {u"MYTYPE", u"\u00C9T\u00C9", 0x0409, "summer"},
          {u"AA", u"65535", 0x0C0A, "8 bytes!"},
          {u"6", u"2", 0, std::string("\0\1\2", 3)},
          {u"6", u"1", 0, "x"}};
}

// The output of `arguments` (the program looked up on PATH); a failure fails the test.
std::string ToolOutput(std::vector<std::string> arguments) {
  arguments[0] = test::FindTool(arguments[0]);
  std::string output;
  EXPECT_EQ(test::RunTool(arguments, output, 600), 0) << output;
  return output;
}

// What llvm-readobj lists of an image's resources, without the file name and the addresses
// (which depend on where each linker puts the tables).
std::string ResourceListing(const std::string& image) {
  std::istringstream lines(ToolOutput({"llvm-readobj", "--coff-resources", image}));
  std::string listing;
  for (std::string line; std::getline(lines, line);) {
    bool address = false;
    for (const char* skipped : {"File:", "Base Table Address", "Table Offset", "Entry Offset", "DataRVA"})
      address = address || line.find(skipped) != std::string::npos;
    if (!address) listing += line + "\n";
  }
  return listing;
}

// Linked by lld-link, the object lists the same resources as the .res; its header,
// sections and one relocation per data entry.
TEST(CoffWriterTest, LinkedObjectListsTheSameResourcesAsTheRes) {
  if (test::FindTool("lld-link").empty() || test::FindTool("llvm-readobj").empty())
    GTEST_SKIP() << "lld-link or llvm-readobj missing";
  std::vector<std::uint8_t> res = BuildRes(SampleResources());
  for (const auto& [machine, name, relocation] : {std::tuple{TMachine::X86, "x86", "IMAGE_REL_I386_DIR32NB"},
                                                  std::tuple{TMachine::X64, "x64", "IMAGE_REL_AMD64_ADDR32NB"},
                                                  std::tuple{TMachine::Arm64, "arm64", "IMAGE_REL_ARM64_ADDR32NB"}}) {
    SCOPED_TRACE(name);
    TTempDir dir;
    dir.Write("x.res", std::string(res.begin(), res.end()));
    std::vector<std::uint8_t> object = ResToCoff(res, machine);
    dir.Write("x.obj", std::string(object.begin(), object.end()));
    for (const char* input : {"x.res", "x.obj"})
      ToolOutput({"lld-link", "/dll", "/noentry", "/machine:" + std::string(name), "/out:" + dir.File(input) + ".dll",
                  dir.File(input)});
    std::string expected = ResourceListing(dir.File("x.res.dll"));
    EXPECT_NE(expected.find("Total Number of Resources: 10"), std::string::npos) << expected;
    EXPECT_EQ(ResourceListing(dir.File("x.obj.dll")), expected);
    // The program reader finds in the DLL what the .res holds, less the memory flags a program
    // does not keep.
    std::string dll = dir.Read("x.obj.dll");
    auto listed = [](std::vector<TResourceEntry> entries) {
      std::vector<std::string> lines;
      for (TResourceEntry& entry : entries) {
        entry.memoryFlags = 0;
        lines.push_back(ListResources({entry}) + std::string(entry.data.begin(), entry.data.end()));
      }
      std::sort(lines.begin(), lines.end());
      return lines;
    };
    EXPECT_EQ(listed(ReadResources(std::vector<std::uint8_t>(dll.begin(), dll.end()), "x.obj.dll")),
              listed(ReadResources(res, "x.res")));
    EXPECT_EQ(ResourceListing(dir.File("x.obj")), expected);  // read with its relocations applied
    std::string dump =
        ToolOutput({"llvm-readobj", "--file-headers", "--sections", "--relocations", "--symbols", dir.File("x.obj")});
    for (const char* line : {"TimeDateStamp: 1970-01-01 00:00:00 (0x0)", "SectionCount: 2", "Name: .rsrc$02",
                             "Characteristics [ (0x40400040)", "RelocationCount: 10"})
      EXPECT_NE(dump.find(line), std::string::npos) << line << "\n" << dump;
    EXPECT_NE(dump.find(std::string(relocation) + " .rsrc$02 (3)"), std::string::npos);
  }
}

// Converts and returns the error text; empty when the image was accepted.
std::string ConversionError(const std::vector<std::uint8_t>& image) {
  return test::ErrorOf([&] { ResToCoff(image, TMachine::X86); });
}

TEST(CoffWriterTest, MalformedImagesAreErrorsNeverCrashes) {
  std::vector<std::uint8_t> res = BuildRes(SampleResources());
  // Cut at every length and every byte set to 0xFF in turn: an error or a valid object.
  for (auto end = res.begin(); end != res.end(); ++end) ConversionError({res.begin(), end});
  for (std::size_t at = 0; at < res.size(); ++at) {
    std::vector<std::uint8_t> changed = res;
    changed[at] = 0xFF;
    ConversionError(changed);
  }
  std::vector<std::uint8_t> unterminated = BuildRes({{u"TYPE", u"NAME", 0, ""}});
  unterminated[32 + 4] = 40;  // the header ends inside the name
  std::vector<std::uint8_t> overlong = BuildRes({{u"1", u"1", 0, "abcd"}});
  overlong[32] = 5;
  // A second empty entry, as joined .res files have, is skipped.
  std::vector<std::uint8_t> joined = BuildRes({{u"1", u"1", 0, "a"}}), lead = BuildRes({});
  joined.insert(joined.end(), lead.begin(), lead.end());
  const std::pair<std::vector<std::uint8_t>, std::string> cases[] = {
      {{}, "Malformed resource file: no leading empty entry of a 32-bit resource file at offset 0"},
      {{res.begin(), res.begin() + 40}, "Malformed resource file: a header size of 36 bytes at offset 32"},
      {unterminated, "Malformed resource file: a type or name without its terminating zero at offset 50"},
      {overlong, "Malformed resource file: resource data running past the end of the file at offset 32"},
      {BuildRes({{u"1", u"X", 7, "a"}, {u"2", u"X", 7, "b"}, {u"1", u"X", 7, "c"}}),
       "Duplicate resource: the entries at offsets 32 and 104 have the same type, name and language"},
      {joined, ""},
  };
  for (const auto& [image, error] : cases) EXPECT_EQ(ConversionError(image), error);
  EXPECT_EQ(ResToCoff(joined, TMachine::X86), ResToCoff(BuildRes({{u"1", u"1", 0, "a"}}), TMachine::X86));
}

}  // namespace
}  // namespace tarvex
