#include "driver/lsp_settings.h"

#include <charconv>

#include "driver/lsp_text.h"
#include "reader/file_search.h"
#include "reader/parser.h"

namespace tarvex {

namespace {

std::vector<std::string> StringList(const nlohmann::json& object, const char* key) {
  std::vector<std::string> list;
  auto member = object.find(key);
  if (member == object.end() || !member->is_array()) return list;
  for (const nlohmann::json& item : *member) {
    if (item.is_string()) list.push_back(item.get<std::string>());
  }
  return list;
}

// The JSON in the file `path`, or null when it is missing or not JSON.
nlohmann::json ReadJsonFile(const std::string& path) {
  std::string text;
  int error = 0;
  if (!ReadWholeFile(path, text, error)) return nullptr;
  return nlohmann::json::parse(text, nullptr, false);
}

std::uint32_t CodePageNumber(std::string_view text) {
  std::uint32_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() ? value : 0;
}

// The value of option `argument` when it is one of `names`, joined ("-Idir",
// "--include-dir=dir") or in the next argument ("-I dir"); false when it is none of them.
bool OptionValue(const std::vector<std::string>& arguments, std::size_t& i, std::initializer_list<std::string_view> names,
                 std::string& value) {
  const std::string& argument = arguments[i];
  for (std::string_view name : names) {
    if (argument.compare(0, name.size(), name) != 0) continue;
    if (argument.size() > name.size()) {
      std::string_view rest = std::string_view(argument).substr(name.size());
      if (name.size() > 2 && rest[0] == '=') rest.remove_prefix(1);
      else if (name.size() > 2) continue;  // a long option must end or take "="
      value = rest;
      return true;
    }
    if (i + 1 >= arguments.size()) return false;
    value = arguments[++i];
    return true;
  }
  return false;
}

}  // namespace

TLspSettings SettingsFromJson(const nlohmann::json& object, const std::string& folder) {
  TLspSettings settings;
  if (!object.is_object()) return settings;
  for (const std::string& directory : StringList(object, "includeDirectories"))
    settings.includeDirectories.push_back(NormalPath(directory, folder));
  settings.defines = StringList(object, "defines");
  settings.undefines = StringList(object, "undefines");
  auto codePage = object.find("codePage");
  if (codePage != object.end() && codePage->is_number_unsigned()) settings.codePage = codePage->get<std::uint32_t>();
  auto database = object.find("compileCommands");
  if (database != object.end() && database->is_string() && !database->get<std::string>().empty())
    settings.compileCommands = NormalPath(database->get<std::string>(), folder);
  auto warnings = object.find("warnings");
  if (warnings != object.end() && warnings->is_boolean()) settings.warnings = warnings->get<bool>();
  settings.warningOptions = StringList(object, "warningOptions");
  return settings;
}

TLspSettings SettingsFromArguments(const std::vector<std::string>& arguments, const std::string& directory) {
  TLspSettings settings;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    std::string value;
    if (arguments[i].rfind("-W", 0) == 0) {
      settings.warningOptions.push_back(arguments[i]);
    } else if (OptionValue(arguments, i, {"--include-dir", "-I", "-i", "/I", "/i"}, value)) {
      settings.includeDirectories.push_back(NormalPath(value, directory));
    } else if (OptionValue(arguments, i, {"--define", "-D", "-d", "/D", "/d"}, value)) {
      settings.defines.push_back(value);
    } else if (OptionValue(arguments, i, {"--undefine", "-U", "-u", "/U", "/u"}, value)) {
      settings.undefines.push_back(value);
    } else if (OptionValue(arguments, i, {"--codepage", "-c", "/c", "/C"}, value)) {
      if (std::uint32_t page = CodePageNumber(value)) settings.codePage = page;
    }
  }
  return settings;
}

std::vector<std::string> SplitCommand(const std::string& command) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  char quote = 0;
  for (std::size_t i = 0; i < command.size(); ++i) {
    char c = command[i];
    if (quote == '\'') {
      if (c == '\'') quote = 0;
      else word += c;
    } else if (quote == '"') {
      if (c == '"') quote = 0;
      else if (c == '\\' && i + 1 < command.size() && std::string_view("\"\\$`").find(command[i + 1]) != std::string_view::npos)
        word += command[++i];
      else word += c;
    } else if (c == '\'' || c == '"') {
      quote = c;
      inWord = true;
    } else if (c == '\\' && i + 1 < command.size()) {
      word += command[++i];
      inWord = true;
    } else if (c == ' ' || c == '\t' || c == '\n') {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

TLspSettings ResolveSettings(const std::string& path, const std::string& root, const TLspSettings& editor) {
  std::string folder = path.substr(0, path.rfind('/'));
  nlohmann::json local = ReadJsonFile(folder + "/.tarvex.json");
  if (local.is_object()) {
    TLspSettings settings = SettingsFromJson(local, folder);
    settings.origin = folder + "/.tarvex.json";
    return settings;
  }
  std::vector<std::string> databases;
  if (!editor.compileCommands.empty()) {
    const std::string& named = editor.compileCommands;
    bool file = named.size() >= 5 && named.compare(named.size() - 5, 5, ".json") == 0;
    databases.push_back(file ? named : named + "/compile_commands.json");
  }
  if (!root.empty()) {
    databases.push_back(root + "/compile_commands.json");
    databases.push_back(root + "/build/compile_commands.json");
  }
  for (const std::string& database : databases) {
    nlohmann::json entries = ReadJsonFile(database);
    if (!entries.is_array()) continue;
    for (const nlohmann::json& entry : entries) {
      if (!entry.is_object() || !entry.contains("file") || !entry["file"].is_string()) continue;
      std::string directory = entry.value("directory", root);
      if (NormalPath(entry["file"].get<std::string>(), directory) != path) continue;
      std::vector<std::string> arguments;
      if (entry.contains("arguments") && entry["arguments"].is_array()) {
        for (const nlohmann::json& argument : entry["arguments"])
          if (argument.is_string()) arguments.push_back(argument.get<std::string>());
      } else if (entry.contains("command") && entry["command"].is_string()) {
        arguments = SplitCommand(entry["command"].get<std::string>());
      }
      TLspSettings settings = SettingsFromArguments(arguments, directory);
      settings.warnings = editor.warnings;
      settings.warningOptions.insert(settings.warningOptions.begin(), editor.warningOptions.begin(),
                                     editor.warningOptions.end());
      settings.origin = database;
      return settings;
    }
  }
  return editor;
}

}  // namespace tarvex
