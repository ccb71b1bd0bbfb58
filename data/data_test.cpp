#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "data/messages.h"
#include "data/predefined.h"

namespace tarvex {
namespace {

TEST(MessageCatalogue, NumberedTextsWithTheirTrailingBlanks) {
  int withBlank = 0;
  for (int number = 1; number <= kMessageCount; ++number) {
    std::string prefix = std::to_string(number) + ". ";
    EXPECT_EQ(MessageText(number).substr(0, prefix.size()), prefix) << number;
    withBlank += MessageText(number).ends_with(' ');
  }
  EXPECT_EQ(withBlank, 4);  // 21, 35, 39 and 41
  for (int outside : {0, kMessageCount + 1, -5}) EXPECT_EQ(MessageText(outside), "") << outside;
  EXPECT_EQ(MessageText(21), "21. Expecting identifier after %s ");
  EXPECT_EQ(MessageText(118),
            "118. Redefinition of %s not allowed. Undefine it first.To undefine it just use an empty value: "
            "#define %s");
}

}  // namespace
}  // namespace tarvex
