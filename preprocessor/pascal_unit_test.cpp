#include "preprocessor/pascal_unit.h"

#include <gtest/gtest.h>

#include "data/predefined.h"
#include "reader/diagnostics.h"
#include "reader/parser.h"
#include "tests/res_reader.h"
#include "tests/test_support.h"

namespace tarvex {
namespace {

// Reads a Pascal file exactly as #include hands it over: opened on top of a script.
class PascalUnitTest : public ::testing::Test {
 protected:
  void Open(const std::string& text, const std::string& name) {
    dir_.Write(name, text);
    OpenSourceFile(parser_, dir_.File(name));
  }

  void Read(const std::string& text, const std::string& name = "u.pas") {
    while (!parser_.fileStack.empty()) CloseSourceFile(parser_);
    parser_.defines.LoadPredefined(PredefinedSymbols());
    Open("", "a.rc");
    Open(text, name);
    ReadPascalUnit(parser_);
  }

  // "number@line: message" of the diagnostic raised while reading `text`.
  std::string Failure(const std::string& text) {
    try {
      Read(text);
    } catch (const TCompileError& error) {
      std::string what = error.what();
      EXPECT_EQ(parser_.errorFileName, dir_.File("u.pas"));
      return std::to_string(parser_.errorNumber) + "@" + std::to_string(parser_.errorLine) + ": " +
             what.substr(what.find(" : ") + 3);
    }
    return "no failure";
  }

  std::string Constant(const std::string& name) const { return parser_.unitConstants.Get(name); }

  // What the script reader finds after the Pascal reader has stopped.
  std::string Rest() const {
    const TFileItem& file = *parser_.currentFile;
    return file.text.substr(file.readPosition);
  }

  TRCParser parser_;
  test::TTempDir dir_;
};

TEST_F(PascalUnitTest, UnitInMixedCaseStoresItsConstants) {
  Read(
      "Unit Colors;\n"
      "INTERFACE\n"
      "uses Windows, SysUtils;\n"
      "Const\n"
      "  Red = 1;\n"
      "  green = Red + 1;\n"
      "ImPlementation\n"
      "END.\n");
  EXPECT_EQ(parser_.unitConstants.Size(), 2u);
  EXPECT_EQ(Constant("RED"), "1");
  EXPECT_EQ(Constant("Green"), "Red+1");
  EXPECT_EQ(parser_.currentFile->line, 9);
  EXPECT_EQ(Rest(), "");
}

TEST_F(PascalUnitTest, ValuesAreTextWithTheOperatorWordsMapped) {
  Read(
      "const\n"
      "  A = 10 div 3;  B = not A;  C = (A or B) and $FF;  D = -5;\n"
      "  E = 17 MOD 5 Xor 1;  F = 1 shl 4;  G = 'two words';  H = \"x\\\ny\";\n"
      "  I = 0x1F + 1F + 1.5;  J = #13#10;  K = a<=b , c>d*e;\n",
      "consts.inc");
  EXPECT_EQ(Constant("A"), "10/3");
  EXPECT_EQ(Constant("B"), "~A");
  EXPECT_EQ(Constant("C"), "(A|B)&$FF");
  EXPECT_EQ(Constant("D"), "-5");
  EXPECT_EQ(Constant("E"), "17%5^1");
  EXPECT_EQ(Constant("F"), "1shl4");  // no script counterpart: stays a word
  EXPECT_EQ(Constant("G"), "'two words'");
  EXPECT_EQ(Constant("H"), "\"x\\\ny\"");
  EXPECT_EQ(Constant("I"), "0x1F+1F+1.5");
  EXPECT_EQ(Constant("J"), "#13#10");
  EXPECT_EQ(Constant("K"), "a<=b,c>d*e");
  EXPECT_EQ(parser_.currentFile->line, 6);
}

TEST_F(PascalUnitTest, CommentsAreSkippedWithTheirLines) {
  Read(
      "{ const X = 1; }\n"
      "(* const Y = 2;\n"
      "   *) const // Z = 3;\n"
      "  A = { inside } 1 (* and *) + 2; //\n"
      "  B = (1) / 2;\n"
      "{ second\n line }");
  EXPECT_EQ(parser_.unitConstants.Size(), 2u);
  EXPECT_EQ(Constant("A"), "1+2");
  EXPECT_EQ(Constant("B"), "(1)/2");
  EXPECT_EQ(parser_.currentFile->line, 7);
}

TEST_F(PascalUnitTest, RedeclaredConstantKeepsTheLastValueAndEmptyRemoves) {
  Read("const A = 1; B = 2;\nconst A = 3; B = ;\n", "u.INC");
  EXPECT_EQ(Constant("a"), "3");
  EXPECT_EQ(parser_.unitConstants.Find("B"), nullptr);
}

TEST_F(PascalUnitTest, TypeAndVarSectionsBeforeTheFirstConstAreSkipped) {
  Read(
      "unit Shapes;\n"
      "interface\n"
      "type TPoint = record X, Y: Integer; end;  PByte = ^Byte;\n"
      "var Table: array[0..1] of Byte; Where: Pointer = @Table;\n"
      "const Size = SizeOf(TPoint);\n"
      "implementation\n"
      "end.\n");
  EXPECT_EQ(Constant("SIZE"), "SizeOf(TPoint)");
}

TEST_F(PascalUnitTest, ReadingStopsOneTokenAfterEndAndLeavesTheRest) {
  Read("unit U; interface const A = 1; implementation end. x\n1 RCDATA { A }\n");
  EXPECT_EQ(Rest(), "\n1 RCDATA { A }\n");
  EXPECT_EQ(parser_.currentFile->line, 1);
}

TEST_F(PascalUnitTest, PascalTokenStopsAtTheEndOfItsOwnFile) {
  parser_.defines.LoadPredefined(PredefinedSymbols());
  Open("A B", "a.rc");
  Open("Abc_1 9xY_ $ ( ) * + , - . / ; < = > # and", "u.pas");
  std::string all;
  for (std::string token = PascalToken(parser_); !token.empty(); token = PascalToken(parser_)) all += token + " ";
  EXPECT_EQ(all, "Abc_1 9xY_ $ ( ) * + , - . / ; < = > # & ");
  EXPECT_EQ(PascalToken(parser_), "");
  EXPECT_EQ(parser_.currentFile->name, dir_.File("u.pas"));
}

TEST_F(PascalUnitTest, OperatorWordsMapIgnoringCase) {
  EXPECT_EQ(MapPascalOperator("Div"), "/");
  EXPECT_EQ(MapPascalOperator("mod"), "%");
  EXPECT_EQ(MapPascalOperator("AND"), "&");
  EXPECT_EQ(MapPascalOperator("oR"), "|");
  EXPECT_EQ(MapPascalOperator("xor"), "^");
  EXPECT_EQ(MapPascalOperator("Not"), "~");
  EXPECT_EQ(MapPascalOperator("shl"), "shl");
  EXPECT_EQ(MapPascalOperator("Divide"), "Divide");
  EXPECT_EQ(MapPascalOperator("Or_"), "Or_");
}

// Messages 34 and 41 have no case: a unit word or a second implementation can only come
// where a constant name or "end" is expected, which raise 46 and 42 first.
TEST_F(PascalUnitTest, EveryMessageNamesThePascalFileAndLine) {
  struct TCase {
    std::string text;
    std::string expected;
  };
  const TCase cases[] = {
      {"const A = 1;\n(* open\nstill", "29@3: 29. Comment not terminated"},
      {"{ open\n", "29@2: 29. Comment not terminated"},
      {"const\n  A: Integer = 5;", "33@2: 33. Invalid character encountered: :"},
      {"const A = [1];", "33@1: 33. Invalid character encountered: ["},
      {"unit A;\nunit B;", "35@2: 35. Duplicate reserved word \"unit\" "},
      {"x\nunit", "36@2: 36. Unit name expected"},
      {"unit A\ninterface", "37@2: 37. \";\" expected"},
      {"\ninterface", "38@2: 38. Reserved word \"unit\" expected"},
      {"unit A;\ninterface\ninterface", "39@3: 39. Duplicate reserved word \"interface\" "},
      {"unit A;\nimplementation", "40@2: 40. Reserved word \"implementation\" is allowed in units only"},
      {"const A = 1; implementation", "40@1: 40. Reserved word \"implementation\" is allowed in units only"},
      {"unit A; interface\nimplementation\nprocedure P; begin end;\nend.", "42@3: 42. \"end.\" expected"},
      {"unit A; interface implementation\nend;", "43@2: 43. \".\" expected"},
      {"unit A;\nconst X = 1;", "44@2: 44. Reserved word \"interface\" expected"},
      {"const\nconst", "45@2: 45. Two consecutive CONST reserved words are not allowed"},
      {"const A = 1; const\n const B = 2;", "45@2: 45. Two consecutive CONST reserved words are not allowed"},
      {"const A = 1;\nend.", "46@2: 46. Reserved word END cannot be used as identifier"},
      {"unit A; interface const A = 1;\nUnit B;", "46@2: 46. Reserved word UNIT cannot be used as identifier"},
      {"const A = 1; interface", "46@1: 46. Reserved word INTERFACE cannot be used as identifier"},
      {"const\n1A = 1;", "47@2: 47. invalid constant identifier 1A"},
      {"const\n'a' = 1;", "47@2: 47. invalid constant identifier 'A'"},
      {"const A = 1 and 2;\nor = 3;", "47@2: 47. invalid constant identifier |"},
      {"const A = 1;\ntype T = Integer;", "48@2: 48. \"=\" expected after TYPE identifier"},
      {"const a\n", "48@2: 48. \"=\" expected after A identifier"},
      {"const A = 1\n", "49@2: 49. \";\" expected in PASCAL file"},
      {"const A = 'abc\n';", "51@1: 51. Single quoted string is not terminated"},
      {"const A = 'abc", "51@1: 51. Single quoted string is not terminated"},
      {"const A = \"abc\n\";", "52@1: 52. Double quoted string not terminated"},
      {"const A = \"a\\\r\nb", "52@2: 52. Double quoted string not terminated"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(Failure(c.text), c.expected) << c.text;
  }
}

// ---- Units included by scripts ----
// These compile whole scripts, so they need #include to hand ".PAS"/".INC" files to the
// Pascal reader and the statement loop to compile RCDATA.

std::vector<std::uint8_t> DataOf(const test::TCompileOutcome& outcome, std::string_view name) {
  std::vector<test::TResEntry> entries = test::ReadResImage(outcome.res);
  return test::FindEntry(entries, "#10", name).data;
}

TEST(PascalUnitScriptTest, ConstantsAreEvaluatedWhereTheScriptUsesThem) {
  test::TTempDir dir;
  dir.Write("colors.pas",
            "unit Colors;\n"
            "INTERFACE\n"
            "Const\n"
            "  Div3 = 10 div 3;  Rest = 17 mod 5;  Mask = (Div3 or 8) and $F;\n"
            "  Flip = Div3 xor 1;  AllOn = not 0;  Hex = $FF;\n"
            "  Next = Base + 1;\n"
            "  Bytes = '0A 0B';\n"
            "implementation\n"
            "end.\n");
  test::TCompileOutcome outcome = test::CompileInDir(dir,
                                                     "#include \"colors.pas\"\n"
                                                     "#define Base 100\n"
                                                     "1 RCDATA { DIV3, rest, Mask, Flip, AllOn, hex, NEXT, BYTES }\n");
  ASSERT_EQ(outcome.error, "");
  EXPECT_EQ(DataOf(outcome, "#1"), test::FromHex("0300 0200 0B00 0200 FFFF FF00 6500 0A0B"));
}

TEST(PascalUnitScriptTest, ConstOnlyIncludeFileAndIfdefInAnotherCase) {
  test::TTempDir dir;
  dir.Write("ids.inc", "const\n  IdMain = 7;\n  IdNext = IdMain + 1;\n");
  test::TCompileOutcome outcome = test::CompileInDir(dir,
                                                     "#include <ids.inc>\n"
                                                     "#ifdef IDMAIN\n"
                                                     "1 RCDATA { idnext }\n"
                                                     "#endif\n"
                                                     "#ifndef idmain\n"
                                                     "2 RCDATA { 2 }\n"
                                                     "#endif\n"
                                                     "#if defined(IdNext) && IDNEXT == 8\n"
                                                     "3 RCDATA { 3 }\n"
                                                     "#endif\n");
  ASSERT_EQ(outcome.error, "");
  std::vector<test::TResEntry> entries = test::ReadResImage(outcome.res);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(test::FindEntry(entries, "#10", "#1").data, test::FromHex("0800"));
  EXPECT_EQ(test::FindEntry(entries, "#10", "#3").data, test::FromHex("0300"));
}

TEST(PascalUnitScriptTest, TextAfterTheUnitIsReadAsScript) {
  test::TTempDir dir;
  dir.Write("u.pas", "unit U; interface const A = 5; implementation end. x\n2 RCDATA { A }\n");
  test::TCompileOutcome outcome = test::CompileInDir(dir, "#include \"u.pas\"\n1 RCDATA { A }\n");
  ASSERT_EQ(outcome.error, "");
  EXPECT_EQ(DataOf(outcome, "#1"), test::FromHex("0500"));
  EXPECT_EQ(DataOf(outcome, "#2"), test::FromHex("0500"));
}

TEST(PascalUnitScriptTest, PascalFileNamedByRcincludeIsScriptText) {
  test::TTempDir dir;
  dir.Write("res.pas", "1 RCDATA { 7 }\n");
  test::TCompileOutcome outcome = test::CompileInDir(dir, "RCINCLUDE res.pas\n");
  ASSERT_EQ(outcome.error, "");
  EXPECT_EQ(DataOf(outcome, "#1"), test::FromHex("0700"));

  // The same file named by #include holds no constant section: nothing of it is read.
  outcome = test::CompileInDir(dir, "#include \"res.pas\"\n");
  ASSERT_EQ(outcome.error, "");
  EXPECT_TRUE(test::ReadResImage(outcome.res).empty());
}

TEST(PascalUnitScriptTest, ErrorsAreLocatedInThePascalFile) {
  test::TTempDir dir;
  dir.Write("bad.pas", "unit Bad;\ninterface\nconst\n  A: Integer = 1;\n");
  test::TCompileOutcome outcome = test::CompileInDir(dir, "\n#include \"bad.pas\"\n");
  EXPECT_EQ(outcome.error, "File bad.pas. Line 4 : 33. Invalid character encountered: :");
  EXPECT_EQ(outcome.line, 4);
}

}  // namespace
}  // namespace tarvex
