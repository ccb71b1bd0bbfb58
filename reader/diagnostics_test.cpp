#include <gtest/gtest.h>

#include <memory>

#include "reader/diagnostics.h"
#include "reader/parser.h"

namespace tarvex {
namespace {

// What ReportError threw, as text.
template <typename Action>
std::string Thrown(Action action) {
  try {
    action();
  } catch (const TCompileError& error) {
    return error.what();
  }
  return "(nothing thrown)";
}

TEST(Diagnostics, FillPlaceholdersInOrder) {
  EXPECT_EQ(FillPlaceholders("%s of %s at %d", {"a", std::string("b"), 12}), "a of b at 12");
  EXPECT_EQ(FillPlaceholders("char %s.", {'`'}), "char `.");
  EXPECT_EQ(FillPlaceholders("%d%%", {-3}), "-3%%");     // only %s and %d are placeholders
  EXPECT_EQ(FillPlaceholders("x %s %d", {"%d %s"}), "x %d %s ");  // arguments are not re-read
  EXPECT_EQ(FillPlaceholders("end %", {}), "end %");
  EXPECT_EQ(FormatMessage(33, {'`'}), "33. Invalid character encountered: `");
  EXPECT_EQ(FormatMessage(72, {"a.rc", "Permission denied"}), "72. Cannot open file \"a.rc\" (Permission denied)");
}

TEST(Diagnostics, LocatedText) {
  TRCParser parser;
  auto item = std::make_unique<TFileItem>();
  item->name = "dlg.rc";
  item->line = 12;
  parser.currentFile = item.get();
  parser.fileStack.push_back(std::move(item));
  EXPECT_EQ(Thrown([&] { ReportError(parser, 52); }), "File dlg.rc. Line 12 : 52. Double quoted string not terminated");
  EXPECT_EQ(parser.errorNumber, 52);
  EXPECT_EQ(parser.errorFileName, "dlg.rc");
  EXPECT_EQ(parser.errorLine, 12);

  parser.currentFile->name = "100%s.rc";  // a percent sign in the file name stays as it is
  parser.currentFile->line = 1;
  EXPECT_EQ(Thrown([&] { ReportError(parser, 20, {"#bogus"}); }),
            "File 100%s.rc. Line 1 : 20. Unknown directive: #bogus");
  EXPECT_EQ(parser.errorFileName, "100%s.rc");
}

TEST(Diagnostics, NoCurrentFile) {
  TRCParser parser;
  parser.errorFileName = "old.rc";
  parser.errorLine = 9;
  EXPECT_EQ(Thrown([&] {
              ReportError(parser, 72, {"a%d.rc", "Permission denied"});
            }),
            "72. Cannot open file \"a%d.rc\" (Permission denied)");
  EXPECT_EQ(parser.errorNumber, 72);
  EXPECT_EQ(parser.errorFileName, "");
  EXPECT_EQ(parser.errorLine, 0);
}

TEST(Diagnostics, RaiseFailureCarriesTextOnly) {
  EXPECT_EQ(Thrown([] { RaiseFailure("Cannot create file out%s.res"); }), "Cannot create file out%s.res");
}

}  // namespace
}  // namespace tarvex
