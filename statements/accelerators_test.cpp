#include "statements/accelerators.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/statement_checks.h"

namespace tarvex::test {
namespace {

// The entries of a table as "flags key id" in hex, joined by " ; ".
std::string TableOf(const std::string& body) {
  std::vector<std::uint8_t> data = OnlyEntry("1 ACCELERATORS\n{\n" + body + "\n}\n").data;
  if (data.size() % 8 != 0) throw std::runtime_error("data of " + std::to_string(data.size()) + " bytes");
  std::string table;
  for (std::size_t at = 0; at < data.size(); at += 8) {
    auto word = [&](std::size_t i) { return static_cast<unsigned>(data[at + i] | data[at + i + 1] << 8); };
    if (word(6) != 0) throw std::runtime_error("padding word is not 0");
    char entry[32];
    std::snprintf(entry, sizeof entry, "%04X %04X %u", word(0), word(2), word(4));
    table += (table.empty() ? "" : " ; ") + std::string(entry);
  }
  return table;
}

TEST(AcceleratorsTest, KeystrokesOptionsAndMessages) {
  const char* rows[][2] = {
      {"65, 1\n\"^C\", 2\n\"^c\", 3\n\"^@\", 4\n\"^Z\", 5\n\"^\", 6\n\"\", 7\nVK_F1, 8, VIRTKEY",
       "0000 0041 1 ; 0000 0003 2 ; 0000 0003 3 ; 0000 0000 4 ; 0000 001A 5 ; 0000 005E 6 ; 0000 0000 7 ; 0081 0070 8"},
      // A quoted letter is upper-cased for virtual keys only.
      {"\"a\", 1\n\"a\", 2, ASCII, ALT\n\"a\", 3, VIRTKEY\n\"A\", 4\n97, 5, VIRTKEY\n\"1\", 6, VIRTKEY",
       "0000 0061 1 ; 0010 0061 2 ; 0001 0041 3 ; 0000 0041 4 ; 0001 0061 5 ; 0081 0031 6"},
      {"\"x\", 1, NOINVERT\n\"x\", 2, shift\n\"x\", 3, Control\n\"x\", 4, ALT\n\"x\", 5, ASCII\n"
       "VK_F1, 6, VIRTKEY, CONTROL, VIRTKEY",
       "0002 0078 1 ; 0004 0078 2 ; 0008 0078 3 ; 0010 0078 4 ; 0000 0078 5 ; 0089 0070 6"},
      {"\"a\" 1 \"b\" 2 VIRTKEY SHIFT 66 3", "0000 0061 1 ; 0005 0042 2 ; 0080 0042 3"},
      {",, \"a\",,, 1 ,, ALT ,, \"b\" , 2 ,", "0010 0061 1 ; 0080 0062 2"},
      // Ids from -32768 to 65535, a negative one as its 16-bit pattern.
      {"\"a\", -32000\n\"b\", -1, ALT\n#define ID_C -32768\n\"c\", ID_C\n\"d\", 65535",
       "0000 0061 33536 ; 0010 0062 65535 ; 0000 0063 32768 ; 0080 0064 65535"},
  };
  for (const auto& row : rows) EXPECT_EQ(TableOf(row[0]), row[1]) << row[0];
  const char* messages[][2] = {
      {"1 ACCELERATORS { \"a\", 1\n", "82@2: 82. Keystroke expected"},
      {"1 ACCELERATORS { \"^ab\", 1 }", "83@1: 83. \"^AB\" is not an integer value"},
      {"1 ACCELERATORS { \"ab\", 1 }", "84@1: 84. Invalid keystroke: \"AB\""},
      {"1 ACCELERATORS { -1, 1 }", "84@1: 84. Invalid keystroke: -1"},
      {"1 ACCELERATORS { \"a\"\n", "85@2: 85. Accelerator identifier expected"},
      {"1 ACCELERATORS { \"a\", ID_X }", "86@1: 86. A number in range 0..65535 expected instead ID_X"},
      {"1 ACCELERATORS { \"a\", -32769 }", "86@1: 86. A number in range 0..65535 expected instead -32769"},
      {"1 ACCELERATORS { \"a\", 65536 }", "86@1: 86. A number in range 0..65535 expected instead 65536"},
      {"1 ACCELERATORS { \"a\", 1, ASCII, VIRTKEY }", "87@1: 87. VIRTKEY not allowed because ASCII already defined"},
      {"1 ACCELERATORS { \"a\", 1, VIRTKEY ascii }", "88@1: 88. ASCII not allowed because VIRTKEY already defined"},
  };
  for (const auto& row : messages) EXPECT_EQ(Failure(row[0]), row[1]) << row[0];
}

}  // namespace
}  // namespace tarvex::test
