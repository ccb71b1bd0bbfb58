#include "statements/statements.h"

#include <gtest/gtest.h>

#include "statements/compile_api.h"
#include "tests/statement_checks.h"

namespace tarvex {
namespace {

using test::Entries;
using test::Failure;

// "type name" of every entry.
std::string Identifiers(const std::string& script) {
  std::string text;
  for (const test::TResEntry& entry : Entries(script))
    text += (text.empty() ? "" : " ") + entry.type.Printable() + ":" + entry.name.Printable();
  return text;
}

TEST(StatementLoopTest, MessagesAndDuplicates) {
  const char* rows[][2] = {
      {"\n-1 RCDATA {}", "15@2: 15. Bad resource identifier: -1"},
      {"32768 RCDATA {}", "15@1: 15. Bad resource identifier: 32768"},
      {"\"a\\0b\" RCDATA {}", "124@1: 124. The resource name contains the 0x00 symbol"},
      // A name after top-level optional statements is checked like any other.
      {"LANGUAGE 9, 1\n0 RCDATA {}", "15@2: 15. Bad resource identifier: 0"},
      {"VERSION 3 { }", "15@1: 15. Bad resource identifier: {"},
      {"1", "16@1: 16. Resource type expected"},
      {"1 \"MYTYPE\" {}", "17@1: 17. Bad resource type: \"MYTYPE\""},
      {"1 70000 {}", "17@1: 17. Bad resource type: 70000"},  // beyond 16 bits: no ordinal
      {"1 RCDATA PRELOAD\n", "2@2: 2. Resource description not terminated"},
      {"1 RCDATA LANGUAGE", "4@1: 4. Missing language id (a number in range 0..1023 expected)."},
      {"1 RCDATA LANGUAGE 1024, 0 {}", "5@1: 5. Bad language id (a number in range 0..1023 expected)"},
      {"1 RCDATA LANGUAGE 9,", "6@1: 6. Missing sublanguage id (a number in range 0..63 expected)"},
      {"1 RCDATA LANGUAGE 9, 64 {}", "7@1: 7. Bad sublanguage id (a number in range 0..63 expected)"},
      {"1 RCDATA CHARACTERISTICS {}", "8@1: 8. Numeric value expected"},
      {"1 RCDATA VERSION 12abc {}", "File a.rc. Line 1 : '12abc' is not a valid integer value"},
  };
  for (const auto& row : rows) EXPECT_EQ(Failure(row[0]), row[1]) << row[0];
  EXPECT_EQ(Failure("abc RCDATA {}\nABC RCDATA {}"),
            "19@2: 19. Resource identifier ABC of type RCDATA, language 0 and sublanguage 0  already defined");
  EXPECT_EQ(Failure("\"abc\" RCDATA {}\n\"ABC\" 10 LANGUAGE 0, 0 {}"),
            "19@2: 19. Resource identifier ABC of type 10, language 0 and sublanguage 0  already defined");
  EXPECT_EQ(Failure("5 mytype {}\n5 MyType LANGUAGE 9, 1 {}\n5 MYTYPE LANGUAGE 9 1 {}"),
            "19@3: 19. Resource identifier 5 of type MYTYPE, language 9 and sublanguage 1  already defined");
  EXPECT_EQ(Failure("7 RCDATA LANGUAGE 9, 1 {}\n7 10 LANGUAGE 9, 1 {}"),
            "19@2: 19. Resource identifier 7 of type 10, language 9 and sublanguage 1  already defined");
  EXPECT_EQ(Failure("1 ICON { '000001000000' }\n1 14 { '000001000000' }"),
            "19@2: 19. Resource identifier 1 of type 14, language 0 and sublanguage 0  already defined");
  // Not duplicates: quoted digits against the number, another language, another type.
  EXPECT_EQ(Identifiers("\"12\" RCDATA {}\n12 RCDATA {}\n12 RCDATA LANGUAGE 9, 1 {}\n12 HTML {}\n12 A {}"),
            "#10:12 #10:#12 #10:#12 #23:#12 A:#12");
}

}  // namespace
}  // namespace tarvex
