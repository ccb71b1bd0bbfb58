// A dependency file reads as gcc -MD -MP writes it: the output name, a colon and the
// dependencies, one per line, the lines joined by a backslash before the line break;
// then, after a blank line each, an empty rule "name:" per dependency.
//
// make and Ninja both read "\ " as a blank and "\#" as "#" inside a name, and "$$" as
// "$". Backslashes right before a blank are doubled (2N+1 backslashes and a blank are N
// backslashes and a blank); before "#" and elsewhere they stay as they are. A line break,
// a tab or a backslash at the end of a name has no spelling both tools read back.
#include "output/depfile.h"

#include <cstdint>
#include <unordered_set>

#include "output/res_writer.h"
#include "reader/diagnostics.h"

namespace tarvex {

namespace {

void AppendEscapedName(std::string& rule, const std::string& name) {
  if (name.empty() || name.find_first_of("\n\r\t") != std::string::npos || name.back() == '\\')
    RaiseFailure("Cannot write the file name " + name + " into a dependency file");
  std::size_t backslashes = 0;
  for (char c : name) {
    if (c == ' ') rule.append(backslashes + 1, '\\');  // the run before it once more, then the escape
    if (c == '#') rule += '\\';
    if (c == '$') rule += '$';
    rule += c;
    backslashes = c == '\\' ? backslashes + 1 : 0;
  }
}

}  // namespace

std::string QuotedForMake(const std::string& name) {
  std::string quoted;
  AppendEscapedName(quoted, name);
  return quoted;
}

std::string DependencyRule(const std::string& target, const std::vector<std::string>& dependencies) {
  return DependencyRuleForTargets(QuotedForMake(target), dependencies);
}

std::string DependencyRuleForTargets(const std::string& targets, const std::vector<std::string>& dependencies) {
  std::unordered_set<std::string> seen;
  std::vector<const std::string*> unique;
  for (const std::string& dependency : dependencies) {
    if (!dependency.empty() && seen.insert(dependency).second) unique.push_back(&dependency);
  }
  std::string rule = targets;
  rule += ':';
  for (std::size_t i = 0; i < unique.size(); ++i) {
    rule += i == 0 ? " " : " \\\n  ";
    AppendEscapedName(rule, *unique[i]);
  }
  rule += '\n';
  for (const std::string* dependency : unique) {
    rule += '\n';
    AppendEscapedName(rule, *dependency);
    rule += ":\n";
  }
  return rule;
}

void SaveTextAtomically(const std::string& text, const std::string& fileName) {
  SaveOutput(std::vector<std::uint8_t>(text.begin(), text.end()), fileName);
}

}  // namespace tarvex
