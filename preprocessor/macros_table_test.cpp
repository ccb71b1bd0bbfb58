// Macros with parameters by the rules of C: arguments expanded before they replace their
// parameter but not next to # and ##, the result rescanned with the text after it, and a
// macro never expanded inside its own expansion.
#include <gtest/gtest.h>

#include "preprocessor/macros.h"
#include "preprocessor/token_test_support.h"

namespace tarvex::test {
namespace {

TEST(MacroTableTest, ExpansionRescanningHideSetsAndOperators) {
  const std::string defines =
      "#define ONE one\n#define S(x) #x\n#define C(a, b) a##b\n#define I(x) x\n#define AB done\n"
      "#define FG(x) got x\n#define TWICE(x) x x\n#define APPLY(m, a) m(a)\n#define C3(a, b, c) a##b##c\n"
      "#define XC(a, b) C(a, b)\n#define R(x) x ##\n";
  const char* rows[][2] = {
      {"S(ONE) I(ONE) C(ONE, ONE)", "\"ONE\" one ONEONE"},  // no expansion next to # and ##
      {"XC(ONE, _x)", "one_x"},                             // unless one level more
      {"C(A, B) C(F, G)(y)", "done got y"},                 // a pasted name is rescanned
      {"APPLY(TWICE, w)", "w w"},                           // a call formed by substitution
      {"C3(x, , z) C3(, , ) C(p q, r s) C(pre_, mid)", "xz p qr s pre_mid"},
      {"#define F2(a, b) b\nF2([x, y])", "y]"},         // brackets do not group arguments
      {"#define F(ONE) ONE\nF(two)", "two"},            // a parameter hides a macro of its name
      {"#define Q(x) \"x\" x\nQ(a)", "\"x\" a"},        // no parameter inside a literal
      {"#define g f(\n#define f(x) [x]\ng 1)", "[1]"},  // a call completed by the text after a name
      {"#define f(x) x\nf(f)(1)", "f 1"},               // an f from its own argument is no call either
      {"#define h(x) x h\nh(h)(1)", "h h 1"},           // h stays h inside its own expansion
      // "#" before no parameter stays "#", which the script refuses; "##" at either end joins nothing.
      {"#define E(x) #\nE(1)",
       "error 53 line 13: File a.rc. Line 13 : 53. Expecting directive name after \"#\" symbol"},
      {"#define P(x) ## x\nP(1) R(2)", "1 2"},
      {"#define U(x) x \"open\nU(a)", "error 52 line 13: File a.rc. Line 13 : 52. Double quoted string not terminated"},
  };
  for (const auto& row : rows) EXPECT_EQ(Preprocess(defines + row[0]), row[1]) << row[0];
}

}  // namespace
}  // namespace tarvex::test
