#include "preprocessor/pascal_unit.h"

#include <gtest/gtest.h>

#include "preprocessor/token_test_support.h"
#include "tests/statement_checks.h"

namespace tarvex {
namespace {

// Messages 34 and 41 have no case: a unit word or a second implementation can only come
// where a constant name or "end" is expected, which raise 46 and 42 first.
TEST(PascalUnitTest, EveryMessageNamesThePascalFileAndLine) {
  const char* rows[][2] = {
      {"const A = 1;\n(* open\nstill", "29@3: 29. Comment not terminated"},
      {"const\n  A: Integer = 5;", "33@2: 33. Invalid character encountered: :"},
      {"unit A;\nunit B;", "35@2: 35. Duplicate reserved word \"unit\" "},
      {"x\nunit", "36@2: 36. Unit name expected"},
      {"unit A\ninterface", "37@2: 37. \";\" expected"},
      {"\ninterface", "38@2: 38. Reserved word \"unit\" expected"},
      {"unit A;\ninterface\ninterface", "39@3: 39. Duplicate reserved word \"interface\" "},
      {"unit A;\nimplementation", "40@2: 40. Reserved word \"implementation\" is allowed in units only"},
      {"unit A; interface\nimplementation\nprocedure P; begin end;\nend.", "42@3: 42. \"end.\" expected"},
      {"unit A; interface implementation\nend;", "43@2: 43. \".\" expected"},
      {"unit A;\nconst X = 1;", "44@2: 44. Reserved word \"interface\" expected"},
      {"const\nconst", "45@2: 45. Two consecutive CONST reserved words are not allowed"},
      {"const A = 1;\nend.", "46@2: 46. Reserved word END cannot be used as identifier"},
      {"const\n1A = 1;", "47@2: 47. invalid constant identifier 1A"},
      {"const A = 1;\ntype T = Integer;", "48@2: 48. \"=\" expected after TYPE identifier"},
      {"const A = 1\n", "49@2: 49. \";\" expected in PASCAL file"},
      {"const A = 'abc\n';", "51@1: 51. Single quoted string is not terminated"},
      {"const A = \"abc\n\";", "52@1: 52. Double quoted string not terminated"},
  };
  for (const auto& [text, expected] : rows) {  // "N@L: message": error N on line L of u.pas
    std::string row = expected, number = row.substr(0, row.find('@'));
    std::string line = row.substr(number.size() + 1, row.find(':') - number.size() - 1);
    EXPECT_EQ(
        test::Preprocess("#include \"u.pas\"\n", {{"u.pas", text}}),
        "error " + number + " line " + line + ": File u.pas. Line " + line + " : " + row.substr(row.find(": ") + 2))
        << text;
  }
}

// Scripts that #include units: constants are evaluated where the script uses them, in any
// case and in conditions; text after the unit's end is script; RCINCLUDE reads a Pascal
// file as script text, #include finds no constants in it; errors name the Pascal file.
// A line of a unit that begins with "#" and a C directive's name is carried out as a
// directive: a C header named .inc gives its #define values; conditionals select the
// unit's text; an #include is read to its end before the unit goes on. Everything else
// is read by Pascal's rules, and #13#10 stays a Pascal character code.
TEST(PascalUnitScriptTest, ConstantsAndDirectiveLinesServeTheIncludingScript) {
  test::TTempDir dir;
  dir.Write("colors.pas",
            "unit Colors;\nINTERFACE\nConst\n  Div3 = 10 div 3;  Rest = 17 mod 5;  Mask = (Div3 or 8) and $F;\n"
            "  Flip = Div3 xor 1;  AllOn = not 0;  Hex = $FF;\n  Next = Base + 1;\n  Bytes = '0A 0B';\n"
            "implementation\nend.\n");
  dir.Write("u.pas", "unit U; interface const A = 5; implementation end. x\n2 RCDATA { A }\n");
  dir.Write("res.pas", "1 RCDATA { 7 }\n");
  dir.Write("versionServerViewer.inc",
            "// Version numbers\n#define APS_MAJORNUMBER 1\n#define APS_MINORNUMBER 3 // minor\n"
            "  #  define APS_TEXT \"1.3\"\n");
  dir.Write("consts.inc", "const\n  Width = 40;\n  CRLF =\n#13#10;\n  Height = Width * 2;\n");
  dir.Write("guarded.inc",
            "#ifndef GUARDED_INC\n#define GUARDED_INC\n#if 0\nconst Skipped = ;\n#else\nconst Chosen = 7;\n#endif\n"
            "#ifdef NOT_DEFINED_HERE\n#error not here\n#endif\n#endif\n");
  dir.Write("c.h", "#define FROM_H 9\nint Prototype(void);\n/* closing comment */\n#include \"d.h\"\n");
  dir.Write("d.h", "#define FROM_D 1\n");
  dir.Write("tail.h", "#define TAIL 4\nint tail");
  dir.Write("mixed.pas",
            "unit Mixed;\ninterface\n#include \"c.h\"\n#include \"tail.h\"\n#pragma code_page(1252)\nconst\n"
            "  Sum = FROM_H + TAIL + FROM_D;\n#define LATE 5\n  Last = LATE + 1;\nimplementation\nend.\n");
  dir.Write("error.inc", "const A = 1;\n#error stop here\n");
  const char* rows[][2] = {
      {"#include \"colors.pas\"\n#define Base 100\n1 RCDATA { DIV3, rest, Mask, Flip, AllOn, hex, NEXT, BYTES }\n",
       "#1: 03000200 0B000200 FFFFFF00 65000A0B\n"},
      {"#include \"u.pas\"\n1 RCDATA { A }\n", "#2: 0500\n#1: 0500\n"},
      {"RCINCLUDE res.pas\n", "#1: 0700\n"},
      {"#include \"res.pas\"\n", ""},
      {"#include \"versionServerViewer.inc\"\n1 RCDATA { APS_MAJORNUMBER, APS_MINORNUMBER, APS_TEXT }\n",
       "#1: 01000300 312E33\n"},
      {"#include \"consts.inc\"\n1 RCDATA { width, HEIGHT }\n", "#1: 28005000\n"},
      {"#include \"guarded.inc\"\n#include \"guarded.inc\"\n1 RCDATA { Chosen }\n", "#1: 0700\n"},
      {"#include \"mixed.pas\"\n#ifdef LATE\n1 RCDATA { Sum, Last }\n#endif\n", "#1: 0E000600\n"},
  };
  for (const auto& row : rows) {
    std::string data;
    for (const test::TResEntry& entry : test::EntriesIn(dir, row[0]))
      data += entry.name.Printable() + ": " + test::DataHex(entry) + "\n";
    EXPECT_EQ(data, row[1]) << row[0];
  }
  EXPECT_EQ(test::CompileInDir(dir, "#include \"error.inc\"\n").errorText,
            "File error.inc. Line 2 : 25. #error directive encountered: stop here");
  // A "#" that does not begin its line is Pascal's, as before.
  dir.Write("late.inc", "const A = 1; #define B 2\n");
  EXPECT_EQ(test::FailureIn(dir, "#include \"late.inc\"\n"), "47@1: 47. invalid constant identifier #");
}

}  // namespace
}  // namespace tarvex
