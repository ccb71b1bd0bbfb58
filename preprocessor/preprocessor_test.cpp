#include "preprocessor/preprocessor.h"

#include <gtest/gtest.h>

#include "preprocessor/token_test_support.h"
#include "reader/lexer.h"
#include "tests/statement_checks.h"

namespace tarvex::test {
namespace {

// "N@L: text" stands for the located diagnostic "error N line L: File a.rc. Line L : text";
// any other expectation is compared as it is.
std::string Expected(const std::string& row) {
  std::size_t at = row.find('@'), colon = row.find(": ");
  if (at == std::string::npos || at == 0 || colon == std::string::npos || colon < at ||
      row.find_first_not_of("0123456789") != at)
    return row;
  std::string line = row.substr(at + 1, colon - at - 1);
  return "error " + row.substr(0, at) + " line " + line + ": File a.rc. Line " + line + " : " + row.substr(colon + 2);
}

TEST(PreprocessorMessagesTest, EachMessageWithItsTextAndLine) {
  const std::pair<std::string, std::string> rows[] = {
      // Directives
      {"\n#warning x\n", "20@2: 20. Unknown directive: #warning"},
      {"#error a \\\n b\nX", "25@2: 25. #error directive encountered: a \\\\x0A b"},
      {"#define 1A 2\n", "56@1: 56. Bad name in #define directive"},
      {"#undef\n", "120@2: 120. #undef directive not terminated (name expected in #undefine directive)"},
      {"#undef \"x\"\n", "121@1: 121. Bad name in #define directive: \"x\""},
      {"#undef A B\nC\n", "122@1: 122. #undef directive must be followed by a single identifier only"},
      {"#define A 1 /* open\n\n", "29@3: 29. Comment not terminated"},
      // Lexical
      {"A\n/* open\n\n", "29@4: 29. Comment not terminated"},
      {"\x01", "33@1: 33. Invalid character encountered: \\x01"},
      {"A\n\"abc\nB\"", "52@2: 52. Double quoted string not terminated"},
      {"\"a\\\nb", "52@2: 52. Double quoted string not terminated"},
      {"\n\"abc\\\"", "23@2: 23. Expecting string continuation after \\\" sequence"},
      {"\n\n'abc\n'", "51@3: 51. Single quoted string is not terminated"},
      {"\n$ 1", "31@2: 31. $ sign shall be followed by hexadecimal digits without blanks"},
      {"$00000000FF", "32@1: 32. Too many digits in hexadecimal number: 0x00000000FF"},
      {"0123456701234567012", "50@1: 50. Too many digits in octal number: 0123456701234567012"},
      {"12345678901", "55@1: 55. Too many digits in the number: 12345678901"},
      {"2147483648L", "57@1: 57. Value 2147483648 is out of range: [-2147483647...+2147483647] allowed"},
      {"$_", "60@1: 60. Bad hexadecimal value: $_"},
      // Octal digits keep their octal value; an 8 or a 9 makes the number decimal.
      {"010, 0777, 00, 037777777777", "8 , 511 , 0 , -1"},
      {"FILEVERSION 2026,08,02,09", "FILEVERSION 2026 , 8 , 2 , 9"},
      {"019, 0019, 09L, 0800 + 1", "19 , 19 , 9 , 801"},
      {"00000000002147483647", "50@1: 50. Too many digits in octal number: 00000000002147483647"},
      {"\n02147483648", "57@2: 57. Value 02147483648 is out of range: [-2147483647...+2147483647] allowed"},
      {"4294967295", "57@1: 57. Value 4294967295 is out of range: [-2147483647...+2147483647] allowed"},
      {"#if 019 == 19 && 010 == 8\nyes\n#endif", "yes"},
      // Conditions read decimal constants up to 2^64 - 1, keeping their bits; resource
      // statements stay at 2147483647.
      {"#if 4294967295UL == 0xFFFFFFFFUL\nyes\n#endif", "yes"},
      {"#if 18446744073709551615ULL == -1 && 18446744073709551615 + 2 == 1\nyes\n#endif", "yes"},
      {"#if 9223372036854775807 > 0 && 9223372036854775808 < 0\nyes\n#endif", "yes"},
      {"#define BIG 4294967296\n#if BIG / 2 == 2147483648\nyes\n#endif", "yes"},
      {"#if 18446744073709551616\n#endif",
       "57@1: 57. Value 18446744073709551616 is out of range: [-2147483647...+2147483647] allowed"},
      {"#if 123456789012345678901\n#endif", "55@1: 55. Too many digits in the number: 123456789012345678901"},
      // Conditional compilation
      {"#ifdef 1\n", "21@1: 21. Expecting identifier after #ifdef "},
      {"X\n#endif\n", "22@2: 22. #endif encountered before compilation conditional"},
      {"#elif 1\n", "62@1: 62. #elif encountered before #if compilation conditional"},
      {"#else\n", "63@1: 63. #else encountered before #if compilation conditional"},
      {"#if defined(A\n#endif\n", "64@1: 64. Expecting \")\""},
      {"#if defined 1\n#endif\n", "66@1: 66. Expecting identifier after #if defined"},
      {"#if 0\n#elif 1 && defined (\"x\")\n#endif\n",
       "67@2: 67. Expecting identifier in parentheses after #elif defined"},
      {"#if !defined +\n#endif\n", "69@1: 69. Expecting identifier after #if !defined"},
      {"#if 1 || !defined()\n#endif\n", "70@1: 70. Expecting identifier in parentheses after #if !defined"},
      // Expressions
      {"\n1 / (2 - 2)", "28@2: 28. Expression evaluation error: File a.rc. Line 2 : 71. Division by zero"},
      {"1 = 5", "61@1: 61. Invalid binary operation =5"},
      {"1 + X", "116@1: 116. Number expected but got X in expression"},
      {"1 + 2)", "117@1: 117. Unexpected \")\" encountered"},
      {"\n- X", "123@2: 123. Numerical value expected but got X"},
      // Deep nesting stops with a located error, not with the stack.
      {"\n" + std::string(100000, '(') + "1", "28@2: 28. Expression evaluation error: expression nested too deeply"},
      {"#if " + std::string(100000, '!') + "1\n#endif\n",
       "28@1: 28. Expression evaluation error: expression nested too deeply"},
      {std::string(200, '(') + "7" + std::string(200, ')'), "7"},
  };
  for (const auto& [script, expected] : rows) EXPECT_EQ(Preprocess(script), Expected(expected)) << script.substr(0, 80);
}

// The tokens the statement loop reads: words, numbers, expressions, substituted names,
// joined string literals, data strings and wide literals.
TEST(GetTokenTest, TokensOfScripts) {
  struct TCase {
    std::string script, tokens;
    std::vector<std::pair<std::string, std::string>> files = {};
  } cases[] = {
      {"#define TWO 1+1\nTWO*3", "4"},  // 1+1*3
      // String literals: doubled quotes, and adjacent literals joined across blanks,
      // comments, lines, directives and the end of an included file.
      {"\"say \"\"hi\"\"\"", "\"say \"hi\"\""},
      {"\"a\" /* note */ \"b\" // end\n \"c\" ; more\n\"d\"", "\"abcd\""},
      {"VALUE \"Built \"\n#ifdef DEBUG\n \"debug\"\n#else\n \"release\"\n#endif\nEND", "VALUE \"Built release\" }"},
      {"#include \"b.rc\"\n\"y\" Z", "\"xy\" Z", {{"b.rc", "\"x\""}}},
      // Wide literals: escapes give code units.
      {"L\"\\x00410\", L\"\\X41\", L\"\\101\\0\", L\"\\xg\"", std::string("\"A0\" , \"A\" , \"A\0\" , \"\0g\"", 24)},
      {"L\"\\x00E9\\t\\\"\\\\\" L\"\\777\"", "\"\xC3\xA9\t\"\\\xC7\xBF\""},  // octal 777 is U+01FF
      // A doubled quote inside a wide literal is one quote; an L after a literal starts a
      // new one; L apart from its literal, or ending a longer word, is a word of its own.
      {"L\"say \"\"hi\"\"\", \"x\"L\"y\"", "\"say \"hi\"\" , \"xy\""},
      {"L \"x\", IDL\"y\"", "L \"x\" , IDL \"y\""},
  };
  for (const TCase& c : cases) EXPECT_EQ(Preprocess(c.script, c.files), c.tokens) << c.script;
}

// The commonest tokens (a plain number before a comma, a plain literal before a comma, a
// "}" or a plain number) are read straight from the text by the lanes; with the lanes
// off every token goes through every layer of reading. Each script is compiled both
// ways, and must give the same bytes, the same message with its number, file, line,
// column and source line, and the same notes. "~" stands for four blanks, and again for
// "/**/", a comment where a lane would look for what follows its token.
TEST(TokenLanesTest, ReadLikeTheLayers) {
  using namespace std::string_literals;
  const std::string scripts[] = {
      "STRINGTABLE\n{\n 1~, \"a\"~\n 40000~, \"b\"~\n 3, \"c\"~}\n",
      "1 RCDATA { \"ab\"~, 5~, 70000~, \"cd\"~\n  9, \"\"~}\n2 RCDATA { 1~, 2 }",
      "1 DIALOGEX 0~, 0~, 20~, 20\nCAPTION \"x\"~\nBEGIN\n LTEXT \"t\"~, 7~, 1~, 2~, 3~, 4\nEND\n",
      // Errors just after a lane: the place, the line counting and the open blocks
      "STRINGTABLE\n{\n 1~, \"a\"~\n\n 2~, \"b\" X\n}\n",
      "1 RCDATA { 1~, \"a\"~, 2~, \n\n@ }",
      "1 RCDATA { { \"a\"~}\n2~, 3\n",
      "1 RCDATA { \"a\"~\n 99999999999~, 1 }",
      "1 RCDATA { 0x10~, 0X7fffL~, 0~, 0L~, 5u~, 0xFFFFFFFF~, 99999~, 123456789~, 2147483647~, 0x8000~\n 1 }",
      "1 RCDATA { 0x1ul~, 1 }",
      "1 RCDATA { 1~, 0x123456789~, 1 }",
      "1 RCDATA { 1234567890~, 1000000000L~, 2147483648~, 1 }",
      // Runs of items: commas on the same line or the next, items without commas, the end
      "1 RCDATA {\n 1~, 2~ ,, \"a\"~ 3~\n , 4~, 0x7FFF~ 70000~ \"b\"~, 5L~\n 6~ }\n2 RCDATA { 7~, 8~, 9~, X~ }",
      "1 RCDATA { 1~, 2~, \"a\"~ \"b\"~, 3~ }\n2 RCDATA { 4~, 5~, 08 }",
      "1 RCDATA { 1~, 2~ +~ 3~, 4~ |~ 0x10~, 5~ 6~ -~ 1~, 7~ }",
      "1 RCDATA { 12345678901~, 1 }",
      // Items straight after a comma and its blanks, eight digits read at once, the last bytes
      "1 RCDATA {,~1,~12345678,~87654321L,~123456789,~1234567890,~0xABCDEF12,~0xabcdef,~0XfFL,~0x0,~00000001~ }",
      "1 RCDATA { 1,~2,\t~3, ,~4,\v~5,\n~6 ,~7\t,~8,,~\"a\",~\"\"~ 9,~99999999~9,~99999999L~ }\n2 RCDATA { 7,~@ }",
      "1 RCDATA {\n 1,\r\n~2,\n\n~3,~\n 4,~0x7fff,~0x8000,~32767,~32768\n}\n@",
      // A comma and one blank or none between items, as the lanes take it most often
      "1 RCDATA { 1, 2~, 3,4~,5 ,6~ }\n2 RCDATA {\n 7, \"ab\"~, 8,\t9~, 10,,11~, 12, \n 13~, 14,\v15~ }",
      "1 DIALOG 0, 0, 9, 9\nBEGIN\n LTEXT \"a\", 1~, 2, 3~, 4,5~\n LTEXT \"b\",2~, 1,\n 2~, 3~, 4\n"
      " LTEXT \"c\", ,3~, 1~, 2~, 3~, 4\n LTEXT \"d\",  4~, 1, 2~, 3~, 4\n LTEXT \"e\",\n5~, 1~, 2~, 3~, 70000\nEND\n",
      "1 RCDATA { 1,~123456789012,~2 }",
      "1 RCDATA { 1,~0x,~2 }",
      "1 RCDATA { 1,~0x123456789ABC~ }",
      "1 RCDATA { 1,~12345678x~ }",
      "1 RCDATA { 1,~0xFFFFFFFFL~, 0x1G~ }",
      "1 RCDATA { 5,~42 }",
      "1 RCDATA { 5,~0x2A }",
      "1 RCDATA { 5,~0x2AL",
      "1 RCDATA { 5,~123",
      "1 RCDATA { 5,~\n",
      "1 DIALOG 0, 0, 9, 9\nBEGIN\n LTEXT \"a\",~1,~2,~3,~4,~5\n LTEXT \"b\",~1,~2,~3,~65535,~0x12345678,~0xFFFFFFFF~\n"
      " LTEXT \"c\",~1,~2,~12345678,~4\nEND\n",
      "#define X 5\n1 RCDATA { X~, 12~, \"q\"~\n 0x10~, 010~, 7L~, 1 }\n",
      // Names and braces, taken alone and as what follows a number or a literal
      "1 DIALOGEX 0, 0, 9, 9\n~STYLE 5~\n~CAPTION \"c\"~\n~BEGIN\n~LTEXT \"t\"~, 1~, 2~, 3~, 4~, 5~\n~end~\n",
      "#define W 5\n#define M(a) a\n1 RCDATA ~{ 1~ W~, 2~ M(3)~, \"a\"~ W~, 4~, 6~ ~}\n2 RCDATA ~begin 1~ end~ 3 "
      "RCDATA ~begin~ \"x\"~ END~\n",
      "1 MENU\n~BEGIN\n ~MENUITEM \"a\"~, 1~\n ~MENUITEM \"b\"~, 2~ ~}\n~STRINGTABLE ~{ 1, \"x\"~ ~NOT\n",
      "1 DIALOG 0, 0, 9, 9\n~BEGIN\n~LTEXT \"a\"~, 1~, 2~, 3~, 4~, 5~\n",
      // Heads of data statements: memory flags, optional statements, a brace or a file
      // name after them, the end of the input in them, flags in conflict
      "1 RCDATA~ PRELOAD~ discardable~ {~ 1~ }\n2 300~ LANGUAGE~ 9,~ 1~ BEGIN~ 2~ END\n3 rcdata~{~}\n"
      "4 MYTYPE~ FIXED~ VERSION~ 3~ \"none.bin\"\n",
      "1 RCDATA~ MOVEABLE~ FIXED~ {~}\n2 RCDATA FIXED~ MOVEABLE~ {}\n",
      "1 RCDATA~ PRELOAD",
      // Definitions read straight from their line, and what follows them
      "#define~A 1~\n#define~B~\n#define~C\t 2 +~3 \r\n1 RCDATA { A~, C~, 4 B }\n",
      "1 RCDATA {\n#define~X 5~",
      "#define~X 5\n#define~Y (1 +\n1 RCDATA { X~, Y }\n",
      "#define~X 1\n#undef X 2\n",
      "#define~X\n1 RCDATA { X 7~}\n#define~9A 1\n",
      "#define~X 5\n#define~Y~X\n1 RCDATA { Y~, X~\n, Y~}\n2 RCDATA { X~ @ }\n",
      "#define X 7\n#define Y 40000\n~X RCDATA {~X,~Y~\n~X~}\n2 RCDATA {~Y -~X,~Y~@ }\n",
      // Defined names whose values are digits, read as their numbers: sizes, octal and
      // too large values, operators after them, errors after them, ids and operands
      "#define A 0\n#define B 0123\n#define D 40000\n#define E 12\n"
      "1 RCDATA { A~, B~, D~, E~ +~ A~, E~ E~ \"s\"~, A~ }\n",
      "#define E 12\n1 RCDATA { E~\n\n @ }\n",
      "#define C 2147483648\n1 RCDATA { 1~, C~, 2 }\n",
      // Names defined again, removed and defined again, defined as nothing, and values of
      // digits that are not plain numbers
      "#define~X 5\n#define~X 77\n1 RCDATA { X~, 1~ }\n#undef X\n#define~X 9\n2 RCDATA { X~, 2~ }\n"
      "#define~X\n3 RCDATA { X 3~ }\n#define~X 123456\n4 RCDATA { X~, 4~ }\n",
      "#define~B 00\n#define~C 4294967295\n#define~D 12345678901\n1 RCDATA { B~, C~, D~, 1 }\n",
      "#define~M(a) a\n#define~M 5\n1 RCDATA { M~, 2~ }\n#define~N 6\n#define~N(a) a\n2 RCDATA { N~, 3 }\n",
      "#define~A 1x\n1 RCDATA { 1~, A~, 2 }\n",
      // Long names, read sixteen bytes at a time, up to a byte that ends them or not
      "#define~NAME_OF_SIXTEEN_BYTES_AND_MORE_9z 5\n#define~Name_of_sixteen_bytes 6\n"
      "1 RCDATA { NAME_OF_SIXTEEN_BYTES_AND_MORE_9z~, Name_of_sixteen_bytes~ }\n",
      "#define~NAME_OF_SIXTEEN_BYTES{ 5\n1 RCDATA { NAME_OF_SIXTEEN_BYTES~ }\n",
      "#define~NAME_OF_SIXTEEN_BYTES` 5\n1 RCDATA { NAME_OF_SIXTEEN_BYTES~ }\n",
      "#define~NAME_OF_SIXTEEN_BYTES\xE9 5\n1 RCDATA { NAME_OF_SIXTEEN_BYTES~ }\n",
      "#define IDS 7\n#define IDC 70000\nSTRINGTABLE { IDS~, \"a\"~ }\n1 DIALOG 0, 0, 9, 9\nBEGIN\n"
      " LTEXT \"a\"~, IDS~, IDS~, 2~, 3~, 4~, IDS~\n LTEXT \"b\"~, IDC~, 1~, 2~, 3~, 4\nEND\n",
      // Control operands: an optional comma before the text, numbers as values, the end
      "1 DIALOGEX 0, 0, 9, 9\nBEGIN\n LTEXT~, \"a\"~, 1~, 2~, 3~, 4~, 5~, 0x20~, 7~\n ICON~ \"i\"~, 2~, 3~, 4~ 5~ 6\n"
      " CONTROL \"c\"~, 3~, \"BUTTON\"~, 0x50010000~, 1~, 2~, 3~, 4\n RTEXT 9~, 4~, 1~, 2~, 3~, 4\nEND\n",
      "1 DIALOG 0, 0, 9, 9\nBEGIN\n LTEXT~,~, \"a\"~, 1~, 2~, 3~, 4~, 5\nEND\n",
      "1 DIALOG 0, 0, 9, 9\nBEGIN\n PUSHBUTTON \"a\"~, 70000~, 2~, 3~, 4~, 5\nEND\n",
      "1 DIALOG 0, 0, 9, 9\nBEGIN\n PUSHBUTTON \"a\"~, 7~, 2~, 3~, 4~, 5~, 0x1FFFFFFFF\nEND\n",
      "1 DIALOG 0, 0, 9, 9\nBEGIN\n EDITTEXT 7~, 2~, 3~, 4~, 99999~\nEND\n",
      "1 DIALOG 0, 0, 9, 9\nBEGIN\n EDITTEXT 7~, 2~, 3~, 4",
      // The id and rectangle as one run: values a control refuses, literals, lines between
      "1 DIALOG 0, 0, 9, 9\nBEGIN\n LTEXT \"a\"~, 1~, 2~,\n 3~ 4~, 65535~\n CTEXT \"b\"~, 7~, 1~, 2~, 3~, 4~, 5~, "
      "6~\nEND\n",
      "1 DIALOG 0, 0, 9, 9\nBEGIN\n LTEXT \"a\"~, 1~, 2~, 65536~, 4~, 5\nEND\n",
      "1 DIALOG 0, 0, 9, 9\nBEGIN\n LTEXT \"a\"~, 70000~, 2~, 3~, 4~, 5\nEND\n",
      "1 DIALOG 0, 0, 9, 9\nBEGIN\n LTEXT \"a\"~, 1~, 2~, \"c\"~, 4~, 5\nEND\n",
      "1 DIALOG 0, 0, 9, 9\nBEGIN\n LTEXT \"a\"~, 1~, 2~ +~ 3~, 4~, 5~, 6\nEND\n",
      // Styles, extended styles and help ids after the rectangle as a run: each where it stops
      "1 DIALOGEX 0, 0, 9, 9\nBEGIN\n EDITTEXT 1~, 2~, 3~, 4~, 5~, 0x80~, 0x20~, 0xEE6B2800~ {~ 1~, \"d\"~ }\n"
      " LISTBOX 2~, 1~, 2~, 3~, 4~, 7 | 8~, 9~, 10\n COMBOBOX 3~, 1~, 2~, 3~, 4~, NOT 1~, 2~\n"
      " CONTROL 4~, 5~, STATIC~, 3~, 1~, 2~, 3~, 4~, 5~, 6 CONTROL \"a\"~, 6~, \"EDIT\"~, 0x85~, 1~, 2~, 3~, 4~ }\n",
      "#define S 0x10\n1 DIALOG 0, 0, 9, 9\nBEGIN\n ICON 5~, 6~, 1~, 2~, 3~, 4~ 2~ 3\n"
      " PUSHBUTTON \"a\"~, 1~, 2~, 3~, 4~, 5~, S~, 6~ 7~\nEND\n",
      "1 DIALOGEX 0, 0, 9, 9\nBEGIN\n LTEXT \"a\"~, 1~, 2~, 3~, 4~, 5~, 1~, 2~, -3~ CTEXT \"b\"~, 1~, 2~, 3~, 4~, 5~, "
      "6~\n , 7~ 0x99999999\nEND\n",
      "1 DIALOGEX 0, 0, 9, 9\nBEGIN\n RTEXT \"a\"~, 1~, 2~, 3~, 4~, 5~, 6~, 7~, 8",
      "1 DIALOGEX 0, 0, 9, 9\nBEGIN\n RTEXT \"a\"~, 1~, 2~, 3~, 4~, 5~, 6~, 7~, 8~ }~ 2 DIALOG 1, 2, 3, 4 { LTEXT "
      "\"\"~, "
      "1~, 2~, 3~, 4~, 5~, 6~, 7~, 8~ }",
      "1 DIALOG 0, 0, 9, 9\nBEGIN\n GROUPBOX \"a\"~, 1~, 2~, 3~, 4~, 5~, 6~ 0xFFFFFFFF~ +~ 1~\nEND\n",
      "1 DIALOG 0, 0, 9, 9\nBEGIN\n CONTROL 70000~, 1~, BUTTON~, 0~, 1~, 2~, 3~, 4\nEND\n",
      "1 DIALOG 0, 0, 9, 9\nBEGIN\n CONTROL \"a\"~, 1~, 0x86~, 0~, 1~, 2~, 3~, 4\nEND\n",
      "1 DIALOG 0, 0, 9, 9\nBEGIN\n CONTROL \"a\"~, 1~, \"b\"~, \"c\"~, 1~, 2~, 3~, 4\nEND\n",
      "1 DIALOG 0, 0, 9, 9\nBEGIN\n CONTROL 32767~, 1~, \"Static\"~, 3~, 1~, 2~, 3~, 4\nEND\n",
      // The head's operands as runs: a comma before them, items of the other kind, literals
      // the lanes leave, defined names, the end of the input
      "1 DIALOGEX 1, 2, 3, 4\nSTYLE ,5~\nEXSTYLE 7~ { }\n2 DIALOGEX 1, 2, 3, 4 CAPTION ,\"c\"~ { }",
      "1 DIALOGEX 1, 2, 3, 4 STYLE 5~ 6~ CAPTION \"a\"~ 7~ EXSTYLE\n\n 8~ { }",
      "1 DIALOGEX 1, 2, 3, 4 FONT 8~ \"f\"~ 700~ { }\n2 DIALOGEX 1, 2, 3, 4 FONT 8~, L\"f\"~ { }\n"
      "3 DIALOGEX 1, 2, 3, 4 FONT 8~, \"a\\tb\"~ { }\n4 DIALOGEX 1, 2, 3, 4 FONT ,8~, \"f\" { }\n"
      "5 DIALOGEX 1, 2, 3, 4 FONT 8~, 9~ { }",
      "#define F \"g\"\n#define S 9\n1 DIALOGEX 1, 2, 3, 4 FONT S~, F~ STYLE S~ CAPTION F~ EXSTYLE S~ | 1 { }",
      "1 DIALOGEX 1, 2, 3, 4 CAPTION \"a\" \"b\"~ STYLE 0xFFFFFFFF~ EXSTYLE 4294967295~ CAPTION 5~ { }",
      "1 DIALOGEX 1, 2, 3, 4 FONT 8~,\n\"f\"~\n, 7~ CAPTION \"c\"~\n",
      "1 DIALOGEX 1, 2, 3, 4 FONT 65536~, \"f\" { }",
      "1 DIALOGEX 1, 2, 3, 4 STYLE \"s\"~ { }",
      "1 DIALOGEX 1, 2, 3, 4 FONT \"f\"~, 8 { }",
      "1 DIALOGEX 1, 2, 3, 4 FONT 8",
      "1 DIALOGEX 1, 2, 3, 4 CAPTION \"c\"",
      // Names after a run: the braces' words in any case, words that begin like them, a
      // wide literal, a name defined as a brace's word
      "1 DIALOG 0, 0, 9, 9\nbegin\n LTEXT \"a\"~, 1~, 2~, 3~, 4~, 5~ eNd~\n2 RCDATA~ bEGIN 1~, 2~ EnD\n",
      "1 RCDATA { 1~, 2~ BEGINS }",
      "1 RCDATA { 1~, 2~ ENDX }",
      "1 RCDATA { 1~, 2~ EN }",
      "1 RCDATA { 1~, 2~ BEGIM }",
      "1 RCDATA { 1~, 2~ L\"a\"~ }",
      "1 RCDATA { 1~, 2~ L~ }",
      "1 RCDATA { 1~, \"a\"~ _end }",
      "#define FIN END\n#define end 5\n1 RCDATA { 1~, 2~ end~ }\n2 RCDATA { 3~, 4~ FIN",
      // A control's operands as one run: names defined as control keywords or END after
      // it, defined names, expressions and literals in each place, missing commas, line
      // ends and comments between them, and where the input ends
      "#define LTEXT RTEXT\n#define FINISH END\n#define CONTROL LTEXT\n1 DIALOGEX 0, 0, 9, 9\nBEGIN\n"
      " PUSHBUTTON \"a\"~, 1~, 2~, 3~, 4~, 5\n LTEXT \"b\"~, 6~, 1~, 2~, 3~, 4~, 0x10~\n EDITTEXT 7~, 1~, 2~, 3~, 4~, "
      "8~, 9~, 10~\n CONTROL \"c\"~, 8~, 1~, 2~, 3~, 4\n FINISH\n",
      "#define END }\n#define EDITTEXT 3\n1 DIALOG 0, 0, 9, 9\nBEGIN\n LISTBOX 1~, 2~, 3~, 4~, 5~\n EDITTEXT~, 7~, 1~, "
      "2~, 3~, 4~, 5\n END~ 2 RCDATA { 1 }\n",
      "1 DIALOGEX 0, 0, 9, 9\nBEGIN\n CONTROL \"a\"~, 1~, \"msctls_progress32\"~, 0x50000001L~, 1~, 2~, 3~, 4~, 5~, "
      "6~\n"
      " CONTROL \"b\"~ 2~ \"button\"~ 3~ 1~ 2~ 3~ 4\n CONTROL~,\"c\"~,~3~,~\"listbox\"~,~0~,~1~,~2~,~3~,~4~,~5~,~6~\n"
      " CONTROL\n\"d\"~,\n4~ /* x */, \"Static\"~ // y\n, 0x50000003~, 1~,\n2~, 3~, 4~ END\n",
      "#define I 5\n#define S 0x10\n#define C \"edit\"\n1 DIALOGEX 0, 0, 9, 9\nBEGIN\n CONTROL \"a\"~, I~, \"x\"~, 1~, "
      "2~, 3~, 4~, 5\n CONTROL \"a\"~, 1~, C~, S~, 2~, 3~, 4~, 5\n CONTROL \"a\"~, 1~, \"x\"~, S~, I~, 3~, 4~, 5~, S~, "
      "I\n"
      " CONTROL \"a\"~, 1~, \"x\"~, 2~, 3~, 4~, 5~, I~, 6~, S\n LTEXT \"a\"~, I~, 1~, I~, 3~, 4~, S~, S~, I\n"
      " EDITTEXT I~, 1~, 2~, 3~, I~, S~ }\n",
      "1 DIALOGEX 0, 0, 9, 9\nBEGIN\n CONTROL \"a\"~, 1~ +~ 1~, \"b\"~, 1~ |~ 2~, 1~, 2~ +~ 1~, 3~, 4~, 5~ -~ 1~, 6~\n"
      " CONTROL \"a\"~, 1~, \"b\"~, NOT~ 1~, 1~, 2~, 3~, 4~, NOT 2~, 3\n LTEXT \"a\" \"b\"~, 1~, 2~, 3~, 4~, 5\n"
      " CONTROL \"a\" \"b\"~, 1~, \"c\" \"d\"~, 2~, 3~, 4~, 5~, 6\n LTEXT L\"a\"~, 1~, 2~, 3~, 4~, 5\n CONTROL \"a\"~, "
      "1~, "
      "L\"e\"~, 2~, 3~, 4~, 5~, 6\n LTEXT \"a\\tb\"~, 1~, 2~, 3~, 4~, 5\n CONTROL \"a\"~, 1~, BUTTON~, 2~, 3~, 4~, 5~, "
      "6\n"
      " LTEXT \"a\"~ 1~ 2~ 3~ 4~ 5~ 6~ 7~ 8~ }\n",
      "1 DIALOGEX 0, 0, 9, 9\nBEGIN\n LTEXT\n, \"a\"~, 1~, 2~, 3~, 4~, 5\n CONTROL ,, \"a\"~, 1~, \"b\"~, 2~, 3~, 4~, "
      "5~, 6 }",
      "1 DIALOGEX 0, 0, 9, 9\nBEGIN\n CONTROL \"a\"~, 70000~, \"b\"~, 2~, 3~, 4~, 5~, 6 }",
      "1 DIALOGEX 0, 0, 9, 9\nBEGIN\n CONTROL \"a\"~, 1~, \"b\"~, 2~, 3~, 70000~, 5~, 6 }",
      "1 DIALOGEX 0, 0, 9, 9\nBEGIN\n CONTROL \"a\"~, 1~, \"b\"~, 0x1FFFFFFFF~, 3~, 4~, 5~, 6 }",
      "1 DIALOGEX 0, 0, 9, 9\nBEGIN\n CONTROL \"a\"~, 1~, \"b\"~, 2~, 3~, 4~, 5~, 6~, 7~, 8~, 9 }",
      "1 DIALOGEX 0, 0, 9, 9\nBEGIN\n CONTROL \"a\"~, 1~, 2~, 3~, 4~, 5~, 6~, 7 }",
      "1 DIALOGEX 0, 0, 9, 9\nBEGIN\n CONTROL \"a\"~, 1~, \"b\"~, \"c\"~, 3~, 4~, 5~, 6 }",
      "1 DIALOGEX 0, 0, 9, 9\nBEGIN\n CONTROL \"a\"~, 1~, \"b\"~, 2~, 3",
      "1 DIALOGEX 0, 0, 9, 9\nBEGIN\n CONTROL \"a\"~, 1~, \"b\"",
      "1 DIALOGEX 0, 0, 9, 9\nBEGIN\n LTEXT \"a\"~ }",
      "1 DIALOGEX 0, 0, 9, 9\nBEGIN\n CONTROL \"a\"~, 1~, \"b\"~ END",
      "1 DIALOGEX 0, 0, 9, 9\nBEGIN\n EDITTEXT 1~, 2~ {~ 1 }~ }",
      "1 DIALOGEX 0, 0, 9, 9\nBEGIN\n CONTROL \"a\"~, 1~, \"b\"~, 2~, 3~, 4~, 5~, 6~, 7",
      "1 DIALOGEX 0, 0, 9, 9\nBEGIN\n PUSHBUTTON \"a\"~, 1~, 2~, 3~, 4~, 5~, 6~, 7~, 8~ @ }",
      "1 DIALOG 0, 0, 9, 9\nBEGIN\n PUSHBUTTON \"a\"~, 1~, 2~, 3~, 4~, 5~, 6~, 7~ END\n",
      // Menu items and pop-ups: options, separators, ids as values and names, the end
      "1 MENU~ {~ POPUP~ \"p\"~, GRAYED~, HELP~ {~ MENUITEM~ \"a\"~, 0x10~, CHECKED~,, MENUBREAK~\n MENUITEM~ \"\"~, "
      "3~ MENUITEM~ \"\"~\n MENUITEM~ separator~ }~ MENUITEM \"t\\tx\"~ 65535~ popup~ SEPARATOR~ {~ MENUITEM \"\"~ }~ "
      "}\n",
      "#define ID 9\n1 MENU { MENUITEM \"a\"~, ID~, GRAYED~ MENUITEM \"b\"~ ID~ +~ 1~ MENUITEM \"c\"~ 7~ }",
      "#define ID 9\n#define G 1\n1 MENU { MENUITEM \"a\"~, ID~ GRAYED~ MENUITEM \"b\", ID~\nMENUITEM \"c\", 7~ G~ }",
      "1 MENU { MENUITEM \"a\"~, 1~ NOT~ 2 }",
      "#define K CHECKED\n#define Z }\n1 MENU { MENUITEM \"a\"~, 1~ +~ 1~ K~ MENUITEM \"b\", 2~ Z",
      "1 MENU { MENUITEM \"a\"~, 1~ L\"x\"~ }",
      "1 MENU { MENUITEM \"a\"~, 1~ rcinclude~ x }",
      "1 MENU { MENUITEM \"a\"~, 70000~ }",
      "1 MENU { MENUITEM \"a\"~, -1~ }",
      "1 MENU { MENUITEM \"a\"~, 1~, 5~ }",
      "1 MENU { MENUITEM \"a\"~, 1~, Bold~ }",
      "1 MENU { POPUP \"p\"~ 7~ { MENUITEM \"a\", 1 } }",
      "1 MENU { MENUITEM 5~, 1 }",
      "1 MENU { MENUITEM \"a\"~, 1~, GRAYED",
      "1 MENU { POPUP \"p\"~ GRAYED",
      "1 MENU { POPUP \"p\"~ { }~ }",
      // The dialog head and its statements: rectangle and help id, STYLE, CAPTION, MENU, FONT
      "1 DIALOGEX 1~, 2~, 3~, 4~, 5~\n~STYLE 0x80~\n~EXSTYLE 7~ CAPTION \"c\"~ MENU~ m~ CLASS~ \"k\"~\n"
      "FONT 8~, \"f\"~, 700~, 1~, 204~ LANGUAGE 7~, 1~ { }\n2 DIALOG 1~, 2~, 3~, 4~ MENU 5~ CLASS 6~ FONT 9~ \"g\"~ 1~ "
      "2~ 3~ VERSION 4~ { }\n",
      "1 DIALOGEX 1~, 2~, 3~, 4~, 70000~ STYLE 1~ | 2~ STYLE NOT 4~ { }\n",
      "#define S 0x40\n#define C 7\n1 DIALOGEX 1, 2, 3, 4 STYLE S~ EXSTYLE 0x10L~\nCAPTION \"c\"~ caption~ \"d\"~"
      "\nSTYLE 5~ C~ { }\n",
      "1 DIALOG 1, 2, 3, 4 STYLE 1~ NOT~ 2 CAPTION \"a\"~ not~ 4 { }\n",
      "#define K CAPTION\n#define B {\n1 DIALOG 1, 2, 3, 4 STYLE 1~ |~ 2~ K \"x\"~ STYLE 3~ B }\n",
      "1 DIALOG 1, 2, 3, 4 STYLE 1~ L\"x\"~ { }\n",
      "1 DIALOG 1~, 2~, 3~, 4~, 5~ { }",
      "1 DIALOGEX 1~, 2~, 65536~, 4~ { }",
      "1 DIALOGEX 1~, 2~, 3~ STYLE 1 { }",
      "1 DIALOGEX 1~, 2~, 3~, 4~ FONT 8~, \"f\"~, 70000~ { }",
      "1 DIALOGEX 1~, 2~, 3~, 4~ FONT 8~, \"f\"~, 7~, 256~ { }",
      "1 DIALOGEX 1~, 2~, 3~, 4~ FONT 8~, \"f\"~, 7~, 2~, 300~ { }",
      "1 DIALOGEX 1~, 2~, 3~, 4~ FONT 70000~, \"f\" { }",
      "1 DIALOGEX 1~, 2~, 3~, 4~ STYLE~ \"s\"~ { }",
      "1 DIALOGEX 1~, 2~, 3~, 4~ CAPTION~ 5~ { }",
      "1 DIALOGEX 1~, 2~, 3~, 4~ MENU~ 70000~ { }",
      "1 DIALOGEX 1~, 2~, 3~, 4~ SIZE~ 5~ { }",
      "1 DIALOGEX 1~, 2~, 3~, 4~ STYLE~ 5",
      // Statement heads: names, types, memory flags and optional statements on either side
      "~1~ RCDATA~ {~ 1~ }\n~abc~ rcdata~ {~ 2~ }\n~\"q x\"~ RcData~ {~ 3~ }\n#define N 7\n~N~ RCDATA~ {~ 4~ }\n"
      "~32767~ 10~ BEGIN~ 5~ END\n~\"7\"~ RCDATA~ {~ 6~ }\n~\"N\"~ \\~ RCDATA~ {~ 7~ }~",
      "~2~ mytype~ {~ 1~ }\n~3~ 300~ {~ 2~ }\n~4~ _x~ {~ 3~ }\n~5~ 24~ {~ 4~ }\n~6~ 0~ {~ 5~ }\n~7~ dlginit~ {~ 6~ }\n"
      "~8~ Html~ {~ 7~ }\n~9~ 65535~ {~ }\n#define T 23\n~10~ T~ {~ }\n~y~ T~ {~ }\n~\"s\"~ s~ {~ }\n~x~ 12x~ {~ }",
      "~1~ DiAlOgEx~ 0~, 0~, 9~, 9~ {~ }\n~2~ dialog~ 0~, 0~, 9~, 9~ {~ }\n~3~ menu~ {~ MENUITEM \"a\"~, 1~ }\n"
      "~4~ MENUEX~ {~ MENUITEM \"b\"~, 2~ }\n~5~ accelerators~ {~ }\n~6~ 4~ {~ MENUITEM \"c\"~, 3~ "
      "}\n~7~ 5~ 0, 0, 9, "
      "9~ {~ }\n~9~ RCDATA~ LANGUAGE~ 7~, 2~ {~ }\n~1~ VERSIONINFO~ {~ }\n"
      "~stringtable~ {~ 1~, \"a\"~ }\n~8~ toolbar~ 16~, 15~ {~ }\n",
      "~1~ RCDATA~ MOVEABLE~ PURE~ PRELOAD~ DISCARDABLE~ {~ 1~ }\n~2~ RCDATA~ fixed~ impure~ loadoncall~ "
      "nondiscardable~ {~ 1~ }\n~3~ MESSAGETABLE~ Fixed~ Pure~ Preload~ {~ 1~ }\n~4~ RCDATA~ MOVEABLE~ moveable~ {~ "
      "}\n",
      "~LANGUAGE~ 9~,~ 1\n~1~ RCDATA~ VERSION~ 3~ CHARACTERISTICS~ 4~ LANGUAGE~ 7~,~ 2~ {~ 1~ }\n~2~ RCDATA~ {~ 2~ }\n"
      "~version~ 5~ ~characteristics~ 6\n~3~ RCDATA~ PURE~ language~ 8~, 1~ {~ 3~ }\n~LANGUAGE 8, 1~",
      "~1~ RCDATA~ {~ }~",
      // Statement heads that fail: each error where the layers raise it
      "~0~ RCDATA~ {~ 1~ }",
      "~32768~ RCDATA~ {~ }",
      "~70000~ RCDATA~ {~ }",
      "~BEGIN~ RCDATA~ {~ }",
      "\"a\0b\"~ RCDATA~ { 1 }"s,
      "~1~ \"T\"~ {~ }",
      "~1~ 70000~ {~ }",
      "~1~ .x~ {~ }",
      "~1~ {~ }",
      "~1~ NOT~ 5~ {~ }",
      "~1",
      "~1~ RCDATA",
      "~1~ RCDATA~ MOVEABLE",
      "~1~ RCDATA~ MOVEABLE~ FIXED~ {~ }",
      "~1~ RCDATA~ pure~ discardable~ Impure~ {~ }",
      "~1~ RCDATA~ SHARED {~ }",
      "~2~ VERSIONINFO~ {~ }",
      "~1~ RCDATA~ LANGUAGE~ 2000~, 1~ {~ }",
      "~LANGUAGE~ 9~, 1~ 1~ RCDATA~ VERSION",
      "~1~ RCDATA~ {~ }\n~1~ rcdata~ {~ }",
      "~a~ T~ {~ }\n~A~ t~ {~ }",
      "~\"a\"~ 10~ {~ }\n~a~ RCDATA~ {~ }",
      "~1~ RCDATA~ {~ }~ ~1~ 10~ {~ }",
      // String-table entries read whole: named escapes and others, doubled quotes and
      // joined literals, ids as expressions and names, lines and comments between, errors
      "STRINGTABLE\n{\n~1,~\"a\\tb\\\"c\\\\d\\Ae\"~\n~2~\"\\n\\\\\"~\n~3,,~\"\"~,~4, \"x\\101\"~\n~5, \"\\x41z\"~ }\n",
      "STRINGTABLE {~1, \"a\"\"b\"~ 2, \"c\" \"d\"~ 3, \"e\" L\"f\"~ 4, L\"g\"~ 5, \"h\\\ni\"~ 6, \"j\"\n\"k\"~ 7, "
      "\"m\"~ }",
      "#define I 7\nSTRINGTABLE {~I, \"a\"~ 1+1, \"b\"~ 3~ |~ 8, \"c\"~ (9), \"d\"~ 10L, \"e\"~ 0x10, \"f\"~ 65535, "
      "\"g\"~ 32768, \"h\"~ }",
      "STRINGTABLE {~65536, \"h\"~ }",
      "STRINGTABLE {\n~1 // c\n , \"a\" /* x */ 2,\n\"b\"\r\n~3\n\n,\n \"c\"~\n 4 \t, ,\t\"d\"~END\n",
      "STRINGTABLE {~1, \"a\"~\n~1, \"b\"~ }",
      "STRINGTABLE {~1, 2~ }",
      "STRINGTABLE {~1, \"a\n }",
      "STRINGTABLE {~1, \"a\\q\"~ }",
      "STRINGTABLE {~1, \"a\"",
      "STRINGTABLE {~1, \"a\\",
      "STRINGTABLE BEGIN~1,~\"a\"~END\n~2~ RCDATA~ {~ 1~ }",
      "STRINGTABLE {~1\"a\"~ 2 \"b\"~ 3, \"c\"~ x~ }",
      "STRINGTABLE {~1, \"a\"~ 2, \"b\"~ @ }",
      "STRINGTABLE {~1, \"a\"~ 2, \"b\"~ 3 }",
      // Runs of entries: a repeated id, an entry the run leaves to the layers after it has
      // decoded an escape, ids out of range, directives, the end of the input in a run
      "STRINGTABLE {\n~1, \"a\"~\n2, \"b\\tc\" \"d\"~\n3, \"e\\n\"~\n4, \"f\"~\n2, \"g\"~\n5, \"h\"~ }",
      "STRINGTABLE {\n~1, \"a\"~\n2, \"b\"~\n3, \"c\"~\n2, \"d\"~ }",
      "STRINGTABLE {\n~1, \"a\"~\n2, \"b\\tc\"~\n3 \"c\\x41\"~\n4, \"d\"~\n70000, \"e\"~ }",
      "STRINGTABLE {\n~1, \"a\"~\n2, \"b\"~\n3, \"c\"~ END\n~STRINGTABLE {\n~4, \"y\"~\n2, \"x\"~ }",
      "STRINGTABLE {\n~1, \"a\"~\n2, \"b\"~\n3, \"c\"~\n#define Q 9\n~4, \"d\"~\nQ, \"q\"~\n5 \"e\"~ }\n@",
      "LANGUAGE 9, 1\nSTRINGTABLE {\n~1, \"a\"~\n2, \"b\"~ }\nLANGUAGE 9, 2\nSTRINGTABLE {\n~1, \"c\"~\n2, \"d\"~ }",
      "STRINGTABLE {\n~1, \"a\"~\n2, \"b\"~\n3, \"c\"",
      "STRINGTABLE {\n~1, \"a\"~\n2, \"b\"~\n3, \"c\n~4, \"d\"~ }",
      "#pragma code_page(65001)\nSTRINGTABLE {~1, \"\xC3\xA9\"~ 2, \"a\\tb\"~ 3, \"\xC3\xA9\\t\"~ }\n"
      "#pragma code_page(1252)\nSTRINGTABLE {~4, \"\xE9\"~ 5, \"\\x80\"~ 6, \"\\r\\v\"~ }",
  };
  auto variant = [](std::string script, const std::string& marker) {
    for (std::size_t at = script.find('~'); at != std::string::npos; at = script.find('~', at))
      script.replace(at, 1, marker);
    return script;
  };
  for (const char* marker : {"    ", "/**/"}) {
    for (const std::string& text : scripts) {
      std::string script = variant(text, marker);
      auto compile = [&script](bool lanes) {
        return CompileFiles({{"a.rc", script}}, [lanes](TCompileOptions& options) { options.lanes = lanes; });
      };
      TCompilation lanes = compile(true), layers = compile(false);
      EXPECT_EQ(HexRows(lanes.image), HexRows(layers.image)) << script;
      EXPECT_EQ(lanes.errorText, layers.errorText) << script;
      EXPECT_EQ(lanes.errorNumber, layers.errorNumber) << script;
      EXPECT_EQ(lanes.errorLine, layers.errorLine) << script;
      EXPECT_EQ(lanes.errorFile, layers.errorFile) << script;
      EXPECT_TRUE(lanes.detail == layers.detail) << script;  // message, place with its column, source line, notes
    }
  }
}

}  // namespace
}  // namespace tarvex::test
