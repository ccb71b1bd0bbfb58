// The index a compilation keeps for an editor: where names are defined, where files are
// named, where each resource statement and its controls and items stand, and which bytes
// of the output each statement wrote. Keeping it changes nothing of the image.
#include "reader/source_index.h"

#include <gtest/gtest.h>

#include "statements/compile_api.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

using test::TTempDir;
using test::TWorkingDirectory;

std::string PlaceText(const TSourcePlace& place) {
  if (!place.text) return "?";
  std::size_t lineStart = place.text->rfind('\n', place.offset == 0 ? 0 : place.offset - 1);
  lineStart = lineStart == std::string::npos || place.offset == 0 ? 0 : lineStart + 1;
  return place.file + ":" + std::to_string(place.line) + ":" + std::to_string(place.offset - lineStart + 1);
}

// The index as one text: definitions, files, then each resource with its items.
std::string IndexText(const TSourceIndex& index, const std::vector<std::uint8_t>& output) {
  std::string text;
  for (const TIndexedDefinition& definition : index.definitions)
    text += "define " + definition.name + " " + PlaceText(definition.place) + "\n";
  for (const TIndexedFile& file : index.files)
    text += std::string(file.source ? "source " : "data ") + file.path + " " + PlaceText(file.namedAt) + "\n";
  for (const TIndexedResource& resource : index.resources) {
    text += resource.type + " " + resource.name + " " + PlaceText(resource.start) + " to " + PlaceText(resource.end) +
            " bytes " +
            std::to_string(resource.outputEnd > resource.outputStart ? resource.outputEnd - resource.outputStart : 0) + "\n";
    for (const TIndexedItem& item : resource.items)
      text += "  " + std::string(static_cast<std::size_t>(item.depth) * 2, ' ') + item.keyword + " " + PlaceText(item.place) + "\n";
  }
  if (!index.resources.empty() && index.resources.back().outputEnd > output.size()) text += "beyond the output\n";
  return text;
}

struct TIndexCase {
  const char* what;
  std::string script;
  std::string expected;
};

class SourceIndexTest : public testing::TestWithParam<TIndexCase> {};

TEST_P(SourceIndexTest, RecordsPlacesAndLeavesTheImageAlone) {
  const TIndexCase& c = GetParam();
  TTempDir dir;
  dir.Write("ids.h", "// ids\n#define IDD_MAIN 100\n#  define  IDC_GO 7\n#define TWICE(x) x x\n");
  dir.Write("a.ico", "");
  dir.Write("a.rc", c.script);
  TWorkingDirectory cwd(dir.Path());
  for (bool lanes : {true, false}) {
    TCompileOptions options;
    options.lanes = lanes;
    TEditorCompilation indexed = CompileForEditor("a.rc", options, {});
    EXPECT_EQ(IndexText(indexed.index, indexed.output), c.expected) << c.what << (lanes ? "" : ", lanes off");
    TCompilation plain = CompileToImage("a.rc", {}, options);
    EXPECT_EQ(plain.errorText, indexed.result.errorText) << c.what;
    if (plain.Succeeded()) {
      EXPECT_EQ(plain.image, indexed.output) << c.what;
    }
    EXPECT_TRUE(indexed.parser->fileStack.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SourceIndexTest,
    testing::Values(
        TIndexCase{"definitions in a header, a dialog with controls",
                   "#include \"ids.h\"\n#define LOCAL 3\nIDD_MAIN DIALOG 0, 0, 50, 50\n{\n  PUSHBUTTON \"Go\", IDC_GO, 1, 1, 9, 9\n"
                   "  CONTROL \"\", LOCAL, \"EDIT\", 0, 1, 12, 9, 9\n}\n",
                   "define IDD_MAIN ids.h:2:9\ndefine IDC_GO ids.h:3:12\ndefine TWICE ids.h:4:9\ndefine LOCAL a.rc:2:9\n"
                   "source ids.h a.rc:1:10\n"
                   "DIALOG 100 a.rc:3:1 to a.rc:7:1 bytes 116\n  PUSHBUTTON a.rc:5:3\n  CONTROL a.rc:6:3\n"},
        TIndexCase{"a menu's items with their depth, a string table, a file",
                   "1 MENU {\n POPUP \"F\" {\n  MENUITEM \"O\", 1\n  MENUITEM SEPARATOR\n }\n MENUITEM \"X\", 2\n}\n"
                   "STRINGTABLE { 1 \"s\" }\n2 RCDATA \"a.ico\"\n",
                   "data a.ico a.rc:9:10\n"
                   "MENU 1 a.rc:1:1 to a.rc:7:1 bytes 64\n  POPUP a.rc:2:2\n    MENUITEM a.rc:3:3\n    MENUITEM a.rc:4:3\n"
                   "  MENUITEM a.rc:6:2\n"
                   "STRINGTABLE STRINGTABLE a.rc:8:1 to a.rc:8:21 bytes 0\n"
                   "RCDATA 2 a.rc:9:1 to a.rc:9:10 bytes 32\n"},
        TIndexCase{"a failure: the statement it stops in has a start and no end",
                   "1 RCDATA { 1 }\n2 DIALOG 0, 0, 5, 5 {\n  LTEXT \"x\", NOPE, 1, 1, 1, 1\n}\n",
                   "RCDATA 1 a.rc:1:1 to a.rc:1:14 bytes 36\nDIALOG 2 a.rc:2:1 to ? bytes 0\n  LTEXT a.rc:3:3\n"}));

TEST(SourceIndexTest, AScriptThatIncludesItselfUnderAnotherNameIsCaughtWhenSupplied) {
  TTempDir dir;
  TWorkingDirectory cwd(dir.Path());
  std::string script = "#include \"./a.rc\"\n";
  TEditorCompilation compilation = CompileForEditor(dir.File("a.rc"), {}, [&](const std::string& path, std::string& text) {
    if (path.find("a.rc") == std::string::npos) return false;
    text = script;
    return true;
  });
  EXPECT_EQ(compilation.result.errorNumber, 58) << compilation.result.errorText;
}

}  // namespace
}  // namespace tarvex
