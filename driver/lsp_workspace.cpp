#include "driver/lsp_workspace.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "data/predefined.h"
#include "data/sdk_symbols.h"
#include "output/dialog_layout.h"
#include "output/html_report.h"
#include "output/res_image.h"
#include "reader/file_search.h"
#include "reader/utf16.h"
#include "reader/warnings.h"

namespace tarvex {

using nlohmann::json;

namespace {

constexpr int kSeverityError = 1, kSeverityWarning = 2;

// Symbol kinds and completion item kinds of the protocol.
constexpr int kSymbolClass = 5, kSymbolField = 8, kSymbolEnum = 10, kSymbolConstant = 14, kSymbolArray = 18,
              kSymbolObject = 19, kSymbolEnumMember = 22;
constexpr int kCompletionKeyword = 14, kCompletionConstant = 21, kCompletionClass = 7;

constexpr std::array<std::string_view, 17> kStatementKeywords = {
    "ACCELERATORS", "BITMAP", "CURSOR",       "DIALOG", "DIALOGEX",    "DLGINIT",  "FONT",
    "HTML",         "ICON",   "LANGUAGE",     "MENU",   "MENUEX",      "MESSAGETABLE", "RCDATA",
    "STRINGTABLE",  "TOOLBAR", "VERSIONINFO"};
constexpr std::array<std::string_view, 18> kControlKeywords = {
    "AUTO3STATE", "AUTOCHECKBOX", "AUTORADIOBUTTON", "CHECKBOX", "COMBOBOX", "CONTROL",
    "CTEXT",      "DEFPUSHBUTTON", "EDITTEXT",       "GROUPBOX", "ICON",     "LISTBOX",
    "LTEXT",      "PUSHBUTTON",   "RADIOBUTTON",     "RTEXT",    "SCROLLBAR", "STATE3"};
constexpr std::array<std::string_view, 9> kDialogStatements = {"CAPTION",  "CHARACTERISTICS", "CLASS",
                                                               "EXSTYLE",  "FONT",            "LANGUAGE",
                                                               "MENU",     "STYLE",           "VERSION"};
constexpr std::array<std::string_view, 3> kMenuKeywords = {"MENUITEM", "POPUP", "SEPARATOR"};
constexpr std::array<std::string_view, 11> kDirectives = {"#define", "#elif",   "#else",  "#endif",
                                                          "#error",  "#if",     "#ifdef", "#ifndef",
                                                          "#include", "#pragma", "#undef"};
// The families of style names offered where a style goes.
constexpr std::array<std::string_view, 22> kStylePrefixes = {
    "WS_", "DS_",  "BS_",  "ES_",  "SS_",  "LBS_", "CBS_", "SBS_", "TBS_", "UDS_", "LVS_",
    "TVS_", "TCS_", "PBS_", "ACS_", "HDS_", "MCS_", "DTS_", "RBS_", "CCS_", "BTNS_", "SBARS_"};
// Controls whose operands begin with the id (no text before it).
constexpr std::array<std::string_view, 4> kControlsWithoutText = {"EDITTEXT", "LISTBOX", "SCROLLBAR", "COMBOBOX"};

bool HasStylePrefix(std::string_view name) {
  return std::any_of(kStylePrefixes.begin(), kStylePrefixes.end(),
                     [name](std::string_view prefix) { return name.substr(0, prefix.size()) == prefix; });
}

bool IsWordIn(std::string_view word, const auto& table) {
  std::string upper = UpperCase(word);
  return std::find(table.begin(), table.end(), std::string_view(upper)) != table.end();
}

std::string Hex(std::uint64_t value, int digits = 0) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%0*llX", digits, static_cast<unsigned long long>(value));
  return text;
}

json PositionJson(TLspPosition position) { return {{"line", position.line}, {"character", position.character}}; }

json RangeJson(const TLspRange& range) { return {{"start", PositionJson(range.start)}, {"end", PositionJson(range.end)}}; }

// The range of the token at `offset` of `text`, on its line.
TLspRange TokenRange(const std::string& text, std::size_t offset) {
  TLineTable lines(text);
  TLspPosition start = lines.PositionOf(offset);
  std::size_t end = std::min(TokenEnd(text, offset), lines.LineEnd(start.line));
  return {start, lines.PositionOf(std::max(end, std::min(offset, text.size())))};
}

// The text of the line of `offset`, without its line end.
std::string_view LineAround(std::string_view text, std::size_t offset) {
  offset = std::min(offset, text.size());
  std::size_t begin = text.rfind('\n', offset == 0 ? 0 : offset - 1);
  begin = begin == std::string_view::npos || (offset == 0) ? 0 : begin + 1;
  if (offset > 0 && text[offset - 1] == '\n') begin = offset;
  std::size_t end = text.find('\n', offset);
  if (end == std::string_view::npos) end = text.size();
  if (end > begin && text[end - 1] == '\r') --end;
  return text.substr(begin, end - begin);
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The resource image of one statement's entries: the leading empty entry of the output,
// then the statement's bytes, so that the .res reader reads them alone.
std::vector<std::uint8_t> StatementImage(const std::vector<std::uint8_t>& output, const TIndexedResource& resource) {
  constexpr std::size_t kLeading = 32;
  if (output.size() < kLeading || resource.outputStart < kLeading || resource.outputEnd <= resource.outputStart ||
      resource.outputEnd > output.size())
    return {};
  std::vector<std::uint8_t> image(output.begin(), output.begin() + kLeading);
  image.insert(image.end(), output.begin() + static_cast<std::ptrdiff_t>(resource.outputStart),
               output.begin() + static_cast<std::ptrdiff_t>(resource.outputEnd));
  return image;
}

std::vector<TResourceEntry> ReadStatementEntries(const std::vector<std::uint8_t>& image) {
  if (image.empty()) return {};
  try {
    return ReadResources(image, "");
  } catch (const std::exception&) {
    return {};
  }
}

std::string LanguageText(std::uint16_t language) { return Hex(language, 4); }

// A resource's name as the script writes it (the compilation keeps it in capitals and
// with names replaced by their values).
std::string SourceName(const TIndexedResource& resource) {
  if (!resource.start.text || resource.type == "STRINGTABLE") return resource.name;
  const std::string& text = *resource.start.text;
  std::size_t begin = std::min(resource.start.offset, text.size());
  return text.substr(begin, TokenEnd(text, begin) - begin);
}

// The bytes of the first `column` - 1 characters of `line` as `charset` counts them.
std::size_t ColumnBytes(std::string_view line, std::int32_t column, const std::string& charset) {
  if (column <= 1) return 0;
  if (line.size() > 4096) return CharactersToBytes(line, column - 1);
  for (std::size_t bytes = 1; bytes <= line.size(); ++bytes) {
    if (CountCharacters(line.substr(0, bytes), charset) >= column - 1) return bytes;
  }
  return line.size();
}

std::string ExtensionOf(const std::string& path) {
  std::size_t slash = path.rfind('/');
  std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return UpperCase(path.substr(dot));
}

// A place's file as the hover shows it: relative to the script's folder when inside it.
std::string ShownFile(const std::string& file, const std::string& scriptPath) {
  std::string folder = scriptPath.substr(0, scriptPath.rfind('/') + 1);
  return file.rfind(folder, 0) == 0 ? file.substr(folder.size()) : file;
}

// The commas before `offset` on its line, outside literals: the operand being written.
int OperandIndex(std::string_view line) {
  int commas = 0;
  char quote = 0;
  for (char c : line) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ',') {
      ++commas;
    }
  }
  return commas;
}

std::string FirstWord(std::string_view line) {
  line = Trimmed(line);
  std::size_t end = 0;
  while (end < line.size() && (IsNameByte(line[end]) || line[end] == '#')) ++end;
  return UpperCase(line.substr(0, end));
}

}  // namespace

bool IsScriptDocument(const std::string& path, const std::string& languageId) {
  if (languageId == "rc" || languageId == "windows-rc") return true;
  std::string extension = ExtensionOf(path);
  return extension == ".RC" || extension == ".RC2" || extension == ".DLG";
}

struct TLspWorkspace::TSpot {
  std::string path;
  std::shared_ptr<const std::string> text;
  TScript* script = nullptr;
  TLspPosition position;
  std::size_t offset = 0;
  std::string word;
  std::size_t wordBegin = 0;
};

TLspWorkspace::TLspWorkspace(std::string workingDirectory) : cwd_(std::move(workingDirectory)) {}

bool TLspWorkspace::IsOpen(const std::string& uri) const { return uriPaths_.count(uri) != 0; }

std::shared_ptr<const std::string> TLspWorkspace::TextOf(const std::string& path) const {
  auto open = documents_.find(path);
  if (open != documents_.end()) return open->second.text;
  std::string text;
  int error = 0;
  if (!ReadWholeFile(path, text, error)) return nullptr;
  return std::make_shared<const std::string>(std::move(text));
}

json TLspWorkspace::LocationOf(const TSourcePlace& place) const {
  std::string path = Absolute(place.file);
  auto open = documents_.find(path);
  std::string uri = open != documents_.end() ? open->second.uri : PathToUri(path);
  TLspRange range;
  if (place.text) range = TokenRange(*place.text, place.offset);
  return {{"uri", uri}, {"range", RangeJson(range)}};
}

// Compilation and diagnostics

std::vector<TPublishedDiagnostics> TLspWorkspace::CompileScript(const std::string& path, bool resolveSettings) {
  TScript& script = scripts_[path];
  script.path = path;
  std::vector<std::string> uris;
  for (const auto& [uri, list] : script.diagnostics) uris.push_back(uri);
  if (resolveSettings) script.settings = ResolveSettings(path, root_, editorSettings_);

  TCompileOptions options;
  options.includeDirectories = script.settings.includeDirectories;
  options.defines = script.settings.defines;
  options.undefines = script.settings.undefines;
  options.defineNames = true;
  // Every warning unless the settings turn them off, then the -W options in order; an
  // option that names no warning is shown as a failure of the settings.
  options.warnings.enabled = script.settings.warnings ? kAllWarnings : 0;
  std::string badWarningOption;
  for (const std::string& option : script.settings.warningOptions) {
    if (ReadWarningOption(option, options.warnings) != TWarningOptionRead::Taken && badWarningOption.empty())
      badWarningOption = option;
  }
  // The editor's texts are Unicode, sent as UTF-8: without a code page of the script's
  // own, that is how they are read, whatever the server's locale.
  bool knownCodePage = CodePageCharset(
      std::to_string(script.settings.codePage == 0 ? 65001 : script.settings.codePage), options.codePage);
  TFileSupplier supplier = [this](const std::string& asked, std::string& contents) {
    auto open = documents_.find(Absolute(asked));
    if (open == documents_.end()) return false;
    contents = *open->second.text;
    return true;
  };
  if (script.compilation.parser && script.compilation.result.Succeeded())
    script.lastGood = std::make_unique<TEditorCompilation>(std::move(script.compilation));
  script.compilation = CompileForEditor(path, options, supplier);
  if (script.compilation.result.Succeeded()) script.lastGood.reset();
  if (!badWarningOption.empty()) {
    script.compilation.result.errorText = UnknownWarningText(badWarningOption) + " (in the settings)";
    script.compilation.result.detail = {};
    script.compilation.result.detail.message = script.compilation.result.errorText;
  }
  if (!knownCodePage) {
    script.compilation.result.errorText = "Unknown code page " + std::to_string(script.settings.codePage);
    script.compilation.result.detail = {};
    script.compilation.result.detail.message = script.compilation.result.errorText;
  }
  script.files.clear();
  script.files.insert(path);
  for (const std::string& file : script.compilation.result.dependencies) script.files.insert(Absolute(file));
  script.definitions.clear();
  const std::vector<TIndexedDefinition>& definitions = script.compilation.index.definitions;
  for (std::size_t i = 0; i < definitions.size(); ++i) script.definitions[definitions[i].name].push_back(i);
  script.wordsIndexed = false;
  script.words.clear();
  script.wordFiles.clear();
  CollectDiagnostics(script);
  for (const auto& [uri, list] : script.diagnostics) uris.push_back(uri);
  uris.push_back(documents_.count(path) ? documents_.at(path).uri : PathToUri(path));
  return PublishFor(uris);
}

void TLspWorkspace::CollectDiagnostics(TScript& script) {
  script.diagnostics.clear();
  TCompilation& result = script.compilation.result;
  auto uriOf = [this](const std::string& path) {
    auto open = documents_.find(path);
    return open != documents_.end() ? open->second.uri : PathToUri(path);
  };
  // A point of a diagnostic as a file and a range on its line.
  auto locate = [this, &script](const TSourceLocation& where, std::string& file) {
    file = where.file.empty() ? script.path : Absolute(where.file);
    std::shared_ptr<const std::string> text = TextOf(file);
    TLspPosition start{std::max(where.line - 1, 0), 0};
    if (!text) return TLspRange{start, start};
    TLineTable lines(*text);
    std::size_t lineStart = lines.LineStart(start.line);
    std::size_t lineEnd = lines.LineEnd(start.line);
    std::size_t offset = lineStart + ColumnBytes(std::string_view(*text).substr(lineStart, lineEnd - lineStart),
                                                 where.column, script.compilation.parser->options.codePage);
    std::size_t end = offset < lineEnd ? std::min(TokenEnd(*text, offset), lineEnd) : offset;
    return TLspRange{lines.PositionOf(offset), lines.PositionOf(end)};
  };
  // One diagnostic: its place and range, its notes as related information (a note
  // without a place joins the message). Returns the file it is published on.
  auto publish = [&](const TDiagnosticDetail& detail, int severity, const std::string& code,
                     const std::string& message, TLspRange& range) {
    std::string file = script.path;
    range = {};
    if (detail.located) range = locate(detail.where, file);
    json diagnostic = {{"range", RangeJson(range)}, {"severity", severity}, {"source", "tarvex"}, {"message", message}};
    if (!code.empty()) diagnostic["code"] = code;
    json related = json::array();
    for (const TDiagnosticNote& note : detail.notes) {
      if (!note.located) {
        diagnostic["message"] = diagnostic["message"].get<std::string>() + "\n" + note.text;
        continue;
      }
      std::string noteFile;
      TLspRange noteRange = locate(note.where, noteFile);
      related.push_back({{"location", {{"uri", uriOf(noteFile)}, {"range", RangeJson(noteRange)}}}, {"message", note.text}});
    }
    if (!related.empty()) diagnostic["relatedInformation"] = related;
    script.diagnostics[uriOf(file)].push_back(std::move(diagnostic));
    return file;
  };
  // Warnings: severity 2 and their option as code (-Wduplicate-id); errors under -Werror.
  TLspRange ignored;
  for (const TWarning& warning : result.warnings.All()) {
    publish(warning.detail, script.compilation.parser->options.warnings.errors ? kSeverityError : kSeverityWarning,
            std::string("-W") + WarningName(warning.kind), warning.detail.message, ignored);
  }
  if (result.Succeeded()) return;
  const TDiagnosticDetail& detail = result.detail;
  TLspRange range;
  std::string file = publish(detail, kSeverityError, result.errorNumber > 0 ? "RC" + std::to_string(result.errorNumber) : "",
                             detail.message.empty() ? result.errorText : detail.message, range);
  if (file == script.path) return;
  const json diagnostic = script.diagnostics[uriOf(file)].back();
  // A failure inside an included file shows on the script too, at the #include that
  // leads to it: the last file the script itself named before the compilation stopped.
  const std::vector<TIndexedFile>& files = script.compilation.index.files;
  for (auto named = files.rbegin(); named != files.rend(); ++named) {
    if (!named->source || !named->namedAt.text || Absolute(named->namedAt.file) != script.path) continue;
    json there = diagnostic;
    there["range"] = RangeJson(TokenRange(*named->namedAt.text, named->namedAt.offset));
    there["message"] = "In included file " + ShownFile(file, script.path) + ": " + diagnostic["message"].get<std::string>();
    there["relatedInformation"] = json::array(
        {{{"location", {{"uri", uriOf(file)}, {"range", RangeJson(range)}}}, {"message", "the failure"}}});
    script.diagnostics[uriOf(script.path)].push_back(there);
    break;
  }
}

std::vector<TPublishedDiagnostics> TLspWorkspace::PublishFor(const std::vector<std::string>& uris) const {
  std::vector<TPublishedDiagnostics> published;
  std::unordered_set<std::string> done;
  for (const std::string& uri : uris) {
    if (!done.insert(uri).second) continue;
    TPublishedDiagnostics file{uri};
    for (const auto& [path, script] : scripts_) {
      auto list = script.diagnostics.find(uri);
      if (list == script.diagnostics.end()) continue;
      for (const json& diagnostic : list->second) file.diagnostics.push_back(diagnostic);
    }
    published.push_back(std::move(file));
  }
  return published;
}

std::vector<TPublishedDiagnostics> TLspWorkspace::CompileDependents(const std::string& path) {
  std::vector<std::string> targets;
  auto document = documents_.find(path);
  if (document != documents_.end() && IsScriptDocument(path, document->second.languageId)) targets.push_back(path);
  for (const auto& [scriptPath, script] : scripts_) {
    if (scriptPath != path && script.files.count(path)) targets.push_back(scriptPath);
  }
  std::vector<TPublishedDiagnostics> published;
  for (const std::string& target : targets) {
    for (TPublishedDiagnostics& file : CompileScript(target, !scripts_.count(target)))
      published.push_back(std::move(file));
  }
  // A file published twice: its last list holds everything.
  std::vector<TPublishedDiagnostics> unique;
  std::unordered_set<std::string> seen;
  for (auto file = published.rbegin(); file != published.rend(); ++file) {
    if (seen.insert(file->uri).second) unique.push_back(std::move(*file));
  }
  std::reverse(unique.begin(), unique.end());
  return unique;
}

std::vector<TPublishedDiagnostics> TLspWorkspace::Open(const std::string& uri, const std::string& languageId,
                                                       std::int64_t version, std::string text) {
  std::string path = UriToPath(uri);
  if (path.empty()) return {};
  path = Absolute(path);
  TOpenDocument& document = documents_[path];
  document = {uri, path, languageId, version, std::make_shared<const std::string>(std::move(text))};
  uriPaths_[uri] = path;
  if (IsScriptDocument(path, languageId)) scripts_.erase(path);  // settings are read afresh
  return CompileDependents(path);
}

std::vector<TPublishedDiagnostics> TLspWorkspace::Change(const std::string& uri, std::int64_t version, std::string text) {
  auto known = uriPaths_.find(uri);
  if (known == uriPaths_.end()) return {};
  TOpenDocument& document = documents_[known->second];
  document.version = version;
  document.text = std::make_shared<const std::string>(std::move(text));
  return CompileDependents(known->second);
}

std::vector<TPublishedDiagnostics> TLspWorkspace::Close(const std::string& uri) {
  auto known = uriPaths_.find(uri);
  if (known == uriPaths_.end()) return {};
  std::string path = known->second;
  uriPaths_.erase(known);
  documents_.erase(path);
  std::vector<std::string> uris;
  auto script = scripts_.find(path);
  if (script != scripts_.end()) {
    for (const auto& [published, list] : script->second.diagnostics) uris.push_back(published);
    uris.push_back(uri);
    scripts_.erase(script);
  }
  std::vector<TPublishedDiagnostics> published = PublishFor(uris);
  // Scripts that read the closed text read it from the disk now.
  for (TPublishedDiagnostics& file : CompileDependents(path)) published.push_back(std::move(file));
  return published;
}

std::vector<TPublishedDiagnostics> TLspWorkspace::Refresh() {
  std::vector<std::string> paths;
  for (const auto& [path, script] : scripts_) paths.push_back(path);
  std::vector<TPublishedDiagnostics> published;
  for (const std::string& path : paths) {
    for (TPublishedDiagnostics& file : CompileScript(path, true)) published.push_back(std::move(file));
  }
  return published;
}

std::vector<TPublishedDiagnostics> TLspWorkspace::SetEditorSettings(const TLspSettings& settings) {
  editorSettings_ = settings;
  return Refresh();
}

// Questions about a position

TLspWorkspace::TScript* TLspWorkspace::ScriptFor(const std::string& path) {
  auto own = scripts_.find(path);
  if (own != scripts_.end()) return &own->second;
  for (auto& [scriptPath, script] : scripts_) {
    if (script.files.count(path)) return &script;
  }
  return nullptr;
}

bool TLspWorkspace::Resolve(const std::string& uri, TLspPosition position, TSpot& spot) {
  auto known = uriPaths_.find(uri);
  spot.path = known != uriPaths_.end() ? known->second : Absolute(UriToPath(uri));
  if (spot.path.empty() || spot.path == "/") return false;
  spot.script = ScriptFor(spot.path);
  spot.text = TextOf(spot.path);
  if (spot.script == nullptr || !spot.text) return false;
  TLineTable lines(*spot.text);
  spot.position = position;
  spot.offset = lines.OffsetOf(position);
  TWordSpan word = WordAt(*spot.text, spot.offset);
  spot.word = spot.text->substr(word.begin, word.end - word.begin);
  spot.wordBegin = word.begin;
  if (!spot.word.empty() && spot.word[0] >= '0' && spot.word[0] <= '9') spot.word.clear();
  return true;
}

namespace {

// Whether `place` lies in `path` on the same line as `offset` of `text`.
bool OnSameLine(const TSourcePlace& place, const std::string& placePath, const std::string& path,
                std::string_view text, std::size_t offset) {
  if (placePath != path || !place.text) return false;
  std::string_view line = LineAround(text, offset);
  std::size_t lineStart = static_cast<std::size_t>(line.data() - text.data());
  return place.offset >= lineStart && place.offset <= lineStart + line.size();
}

}  // namespace

json TLspWorkspace::Hover(const std::string& uri, TLspPosition position) {
  TSpot spot;
  if (!Resolve(uri, position, spot)) return nullptr;
  TScript& script = *spot.script;
  TRCParser& parser = *script.compilation.parser;
  std::string markdown;
  if (!spot.word.empty() && parser.defines.Find(spot.word)) {
    std::optional<std::int64_t> value = DefinedNameValue(parser, spot.word);
    markdown = "**" + spot.word + "**";
    if (value) {
      markdown += " = " + std::to_string(*value) + " (" + Hex(static_cast<std::uint64_t>(*value)) + ")";
    } else if (std::string text = parser.defines.Get(spot.word); !text.empty()) {
      markdown += " = `" + std::string(Trimmed(text)) + "`";  // a class name, a text
    }
    auto definitions = script.definitions.find(spot.word);
    if (definitions != script.definitions.end()) {
      const TSourcePlace& place = script.compilation.index.definitions[definitions->second.back()].place;
      markdown += "\n\n```c\n" + std::string(Trimmed(LineAround(*place.text, place.offset))) + "\n```\n" +
                  ShownFile(Absolute(place.file), script.path) + ":" + std::to_string(place.line);
    } else {
      markdown += "\n\nDefined outside the script's files (predefined, or by a built-in SDK header)";
    }
    if (value && HasStylePrefix(spot.word) && *value == 0) markdown += "\n\nSets no bit: the style its family has by default";
    if (value && HasStylePrefix(spot.word) && *value > 0 && *value <= 0xFFFFFFFF) {
      auto bits = static_cast<std::uint32_t>(*value);
      std::string list;
      for (int bit = 31; bit >= 0; --bit) {
        if (bits >> bit & 1) list += (list.empty() ? "" : ", ") + std::to_string(bit);
      }
      markdown += "\n\nSets " + Hex(bits, 8) + " (bit" + (std::popcount(bits) > 1 ? "s " : " ") + list + ")";
      if (spot.word.rfind("WS_EX_", 0) == 0) markdown += ": " + ExStyleNames(bits);
      else if (spot.word.rfind("WS_", 0) == 0 || spot.word.rfind("DS_", 0) == 0) markdown += ": " + DialogStyleNames(bits);
    }
    return {{"contents", {{"kind", "markdown"}, {"value", markdown}}}};
  }
  // A control or a resource statement on the line.
  for (const TIndexedResource& resource : script.compilation.index.resources) {
    std::size_t control = 0;
    for (const TIndexedItem& item : resource.items) {
      bool here = OnSameLine(item.place, Absolute(item.place.file), spot.path, *spot.text, spot.offset);
      if (!here) {
        ++control;
        continue;
      }
      if (resource.type != "DIALOG" && resource.type != "DIALOGEX") {
        markdown = "**" + item.keyword + "** of " + resource.type + " " + SourceName(resource);
        break;
      }
      std::vector<std::uint8_t> image = StatementImage(script.compilation.output, resource);
      std::vector<TResourceEntry> entries = ReadStatementEntries(image);
      if (entries.empty()) break;
      try {
        TDialogTemplate dialog = ReadDialogTemplate(entries.front().data);
        if (control >= dialog.controls.size()) break;
        TDialogLayout layout = LayOutDialog(dialog);
        const TDialogControl& shown = dialog.controls[control];
        const TPixelRect& box = layout.controls[control].box;
        markdown = "**" + std::string(KindName(shown.kind)) + "** (" + item.keyword + "), id " +
                   std::to_string(shown.id) + ", class " + shown.className + "\n\nRectangle: " + std::to_string(shown.x) + ", " +
                   std::to_string(shown.y) + ", " + std::to_string(shown.width) + " × " + std::to_string(shown.height) +
                   " dialog units; " + std::to_string(box.x) + ", " + std::to_string(box.y) + ", " +
                   std::to_string(box.width) + " × " + std::to_string(box.height) + " pixels\n\nStyle: " +
                   ControlStyleNames(shown);
      } catch (const std::exception&) {
      }
      break;
    }
    if (!markdown.empty()) break;
    if (OnSameLine(resource.start, Absolute(resource.start.file), spot.path, *spot.text, spot.offset)) {
      markdown = "**" + resource.type + "** " + SourceName(resource) + ", language " + LanguageText(resource.language);
      if (resource.type == "STRINGTABLE") {
        markdown += "\n\nIts strings go into blocks of 16, written after every other resource";
      } else {
        std::vector<std::uint8_t> image = StatementImage(script.compilation.output, resource);
        std::vector<TResourceEntry> entries = ReadStatementEntries(image);
        std::size_t bytes = 0;
        for (const TResourceEntry& entry : entries) bytes += entry.data.size();
        markdown += "\n\n" + std::to_string(bytes) + " bytes of data in the .res";
        if (!entries.empty()) markdown += "\n\n```\n" + ListResources(entries) + "```";
      }
      break;
    }
  }
  if (markdown.empty()) return nullptr;
  return {{"contents", {{"kind", "markdown"}, {"value", markdown}}}};
}

json TLspWorkspace::Definition(const std::string& uri, TLspPosition position) {
  TSpot spot;
  if (!Resolve(uri, position, spot)) return nullptr;
  TScript& script = *spot.script;
  auto definitions = script.definitions.find(spot.word);
  if (!spot.word.empty() && definitions != script.definitions.end()) {
    json locations = json::array();
    for (std::size_t i : definitions->second) locations.push_back(LocationOf(script.compilation.index.definitions[i].place));
    return locations;
  }
  // A file named on the line: an #include, or a resource's file.
  for (const TIndexedFile& file : script.compilation.index.files) {
    if (!OnSameLine(file.namedAt, Absolute(file.namedAt.file), spot.path, *spot.text, spot.offset)) continue;
    TLspPosition top;
    return {{"uri", PathToUri(Absolute(file.path))}, {"range", RangeJson({top, top})}};
  }
  return nullptr;
}

void TLspWorkspace::IndexWords(TScript& script) {
  if (script.wordsIndexed) return;
  script.wordsIndexed = true;
  std::vector<std::string> paths = {script.path};
  std::unordered_set<std::string> seen = {script.path};
  for (const TIndexedFile& file : script.compilation.index.files) {
    std::string path = Absolute(file.path);
    if (file.source && seen.insert(path).second) paths.push_back(path);
  }
  for (const std::string& path : paths) {
    std::shared_ptr<const std::string> text = TextOf(path);
    if (!text) continue;
    std::size_t fileIndex = script.wordFiles.size();
    script.wordFiles.emplace_back(path, text);
    ForEachName(*text, [&script, fileIndex](std::string_view name, std::size_t offset) {
      script.words[std::string(name)].push_back({fileIndex, offset});
    });
  }
}

json TLspWorkspace::References(const std::string& uri, TLspPosition position, bool includeDeclaration) {
  TSpot spot;
  if (!Resolve(uri, position, spot) || spot.word.empty()) return nullptr;
  TScript& script = *spot.script;
  if (!script.compilation.parser->defines.Find(spot.word) && !script.definitions.count(spot.word)) return nullptr;
  IndexWords(script);
  std::unordered_set<std::string> declarations;
  if (!includeDeclaration) {
    auto definitions = script.definitions.find(spot.word);
    if (definitions != script.definitions.end()) {
      for (std::size_t i : definitions->second) {
        const TSourcePlace& place = script.compilation.index.definitions[i].place;
        declarations.insert(Absolute(place.file) + ":" + std::to_string(place.offset));
      }
    }
  }
  json locations = json::array();
  auto found = script.words.find(spot.word);
  if (found == script.words.end()) return locations;
  for (const TWordPlace& place : found->second) {
    const auto& [path, text] = script.wordFiles[place.file];
    if (declarations.count(path + ":" + std::to_string(place.offset))) continue;
    auto open = documents_.find(path);
    locations.push_back({{"uri", open != documents_.end() ? open->second.uri : PathToUri(path)},
                         {"range", RangeJson(TokenRange(*text, place.offset))}});
  }
  return locations;
}

json TLspWorkspace::DocumentSymbols(const std::string& uri) {
  auto known = uriPaths_.find(uri);
  std::string path = known != uriPaths_.end() ? known->second : Absolute(UriToPath(uri));
  TScript* script = ScriptFor(path);
  std::shared_ptr<const std::string> text = TextOf(path);
  json symbols = json::array();
  if (script == nullptr || !text) return symbols;
  TLineTable lines(*text);
  auto lineRange = [&lines](std::size_t offset) {
    TLspPosition start = lines.PositionOf(offset);
    return TLspRange{start, lines.PositionOf(lines.LineEnd(start.line))};
  };
  if (!scripts_.count(path)) {
    // A header: the names it defines.
    for (const TIndexedDefinition& definition : script->compilation.index.definitions) {
      if (Absolute(definition.place.file) != path || definition.place.text.get() == nullptr) continue;
      TLspRange range = lineRange(definition.place.offset);
      symbols.push_back({{"name", definition.name},
                         {"kind", kSymbolConstant},
                         {"range", RangeJson(range)},
                         {"selectionRange", RangeJson(TokenRange(*text, definition.place.offset))}});
    }
    return symbols;
  }
  const std::vector<TIndexedResource>& resources = script->compilation.index.resources;
  for (std::size_t i = 0; i < resources.size(); ++i) {
    const TIndexedResource& resource = resources[i];
    if (Absolute(resource.start.file) != path || !resource.start.text) continue;
    std::size_t begin = std::min(resource.start.offset, text->size());
    std::size_t end = lines.LineEnd(lines.PositionOf(begin).line);
    if (resource.end.text && Absolute(resource.end.file) == path && resource.end.offset >= begin)
      end = std::max(end, TokenEnd(*text, resource.end.offset));
    if (i + 1 < resources.size() && Absolute(resources[i + 1].start.file) == path &&
        resources[i + 1].start.offset > begin)
      end = std::min(end, resources[i + 1].start.offset);
    end = std::min(end, text->size());
    std::size_t nameEnd = TokenEnd(*text, begin);
    int kind = resource.type == "DIALOG" || resource.type == "DIALOGEX" ? kSymbolClass
               : resource.type == "MENU" || resource.type == "MENUEX" ? kSymbolEnum
               : resource.type == "STRINGTABLE"                       ? kSymbolArray
                                                                      : kSymbolObject;
    json symbol = {{"name", resource.type == "STRINGTABLE" ? std::string("STRINGTABLE") : text->substr(begin, nameEnd - begin)},
                   {"detail", resource.type + ", language " + LanguageText(resource.language)},
                   {"kind", kind},
                   {"range", RangeJson({lines.PositionOf(begin), lines.PositionOf(end)})},
                   {"selectionRange", RangeJson(TokenRange(*text, begin))},
                   {"children", json::array()}};
    // Items nest by depth: a POPUP holds the items one level deeper that follow it.
    std::vector<json*> levels = {&symbol["children"]};
    for (const TIndexedItem& item : resource.items) {
      if (Absolute(item.place.file) != path || !item.place.text || item.place.offset < begin) continue;
      std::string_view line = LineAround(*text, item.place.offset);
      std::size_t lineStart = static_cast<std::size_t>(line.data() - text->data());
      std::string_view rest = Trimmed(line.substr(item.place.offset - lineStart));
      std::string name(rest.substr(0, std::min<std::size_t>(rest.size(), 60)));
      json child = {{"name", name.empty() ? item.keyword : name},
                    {"detail", item.keyword},
                    {"kind", kind == kSymbolEnum ? kSymbolEnumMember : kSymbolField},
                    {"range", RangeJson(lineRange(item.place.offset))},
                    {"selectionRange", RangeJson(TokenRange(*text, item.place.offset))}};
      auto depth = static_cast<std::size_t>(std::max(item.depth, 0));
      if (depth + 1 < levels.size()) levels.resize(depth + 1);
      json& level = *levels[std::min(depth, levels.size() - 1)];
      level.push_back(child);
      if (UpperCase(item.keyword) == "POPUP") {
        level.back()["children"] = json::array();
        levels.push_back(&level.back()["children"]);
      }
    }
    symbols.push_back(std::move(symbol));
  }
  return symbols;
}

const std::vector<std::string>& TLspWorkspace::StyleNames() {
  if (!styleNames_.empty()) return styleNames_;
  std::unordered_set<std::string> seen;
  auto take = [this, &seen](std::span<const std::string_view> records) {
    for (std::string_view record : records) {
      std::string_view name = record.substr(0, record.find('='));
      if (HasStylePrefix(name) && seen.insert(std::string(name)).second) styleNames_.emplace_back(name);
    }
  };
  take(PredefinedSymbols());
  take(SdkHeaderSymbols());
  std::sort(styleNames_.begin(), styleNames_.end());
  return styleNames_;
}

json TLspWorkspace::Completion(const std::string& uri, TLspPosition position) {
  TSpot spot;
  if (!Resolve(uri, position, spot)) return json::array();
  TScript& script = *spot.script;
  std::string_view text(*spot.text);
  std::string_view line = LineAround(text, spot.offset);
  std::size_t lineStart = static_cast<std::size_t>(line.data() - text.data());
  std::string_view before = line.substr(0, std::min(line.size(), spot.offset - lineStart));
  std::size_t partial = before.size();
  while (partial > 0 && (IsNameByte(before[partial - 1]) || before[partial - 1] == '#')) --partial;
  std::string_view head = Trimmed(before.substr(0, partial));
  json items = json::array();
  auto offer = [&items](std::string_view label, int kind, const std::string& detail = {}) {
    json item = {{"label", std::string(label)}, {"kind", kind}};
    if (!detail.empty()) item["detail"] = detail;
    items.push_back(std::move(item));
  };
  auto offerNames = [&]() {
    std::unordered_set<std::string> seen;
    for (const TIndexedDefinition& definition : script.compilation.index.definitions) {
      if (!seen.insert(definition.name).second) continue;
      offer(definition.name, kCompletionConstant, std::string(Trimmed(LineAround(*definition.place.text, definition.place.offset))));
    }
  };
  // The resource the position lies in, from the statements the compilation read.
  const TIndexedResource* inside = nullptr;
  for (const TIndexedResource& resource : script.compilation.index.resources) {
    if (Absolute(resource.start.file) != spot.path || resource.start.offset > spot.offset) continue;
    bool ended = resource.end.text && Absolute(resource.end.file) == spot.path;
    if (!ended || resource.end.offset + 1 >= spot.offset) inside = &resource;
  }
  bool statementStart = head.empty();
  std::string first = FirstWord(line);
  if (statementStart && partial < before.size() && before[partial] == '#') {
    for (std::string_view directive : kDirectives) offer(directive, kCompletionKeyword);
  } else if (!head.empty() && (head.back() == '|' || first == "STYLE" || first == "EXSTYLE" ||
                               (head.size() >= 3 && UpperCase(head.substr(head.size() - 3)) == "NOT"))) {
    for (const std::string& name : StyleNames()) offer(name, kCompletionConstant);
    for (const TIndexedDefinition& definition : script.compilation.index.definitions) {
      if (HasStylePrefix(definition.name)) offer(definition.name, kCompletionConstant);
    }
  } else if (inside && (inside->type == "DIALOG" || inside->type == "DIALOGEX") && statementStart &&
             !OnSameLine(inside->start, Absolute(inside->start.file), spot.path, text, spot.offset)) {
    for (std::string_view keyword : kControlKeywords) offer(keyword, kCompletionClass);
    for (std::string_view keyword : kDialogStatements) offer(keyword, kCompletionKeyword);
  } else if (inside && (inside->type == "MENU" || inside->type == "MENUEX") && statementStart) {
    for (std::string_view keyword : kMenuKeywords) offer(keyword, kCompletionKeyword);
  } else if (statementStart ||
             (FirstWord(head).size() == head.size() &&
              (inside == nullptr || OnSameLine(inside->start, Absolute(inside->start.file), spot.path, text, spot.offset)))) {
    for (std::string_view keyword : kStatementKeywords) offer(keyword, kCompletionKeyword);
    if (statementStart) offerNames();
  } else if (IsWordIn(first, kControlKeywords)) {
    int operand = OperandIndex(before);
    bool noText = IsWordIn(first, kControlsWithoutText);
    int idOperand = noText ? 0 : 1;
    int styleOperand = first == "CONTROL" ? 3 : noText ? 5 : 6;
    if (operand >= styleOperand && (first != "CONTROL" || operand == styleOperand)) {
      for (const std::string& name : StyleNames()) offer(name, kCompletionConstant);
    } else if (operand == idOperand) {
      offerNames();
    }
  } else {
    offerNames();
  }
  return items;
}

json TLspWorkspace::Preview(const std::string& uri, TLspPosition position) {
  TSpot spot;
  if (!Resolve(uri, position, spot)) return nullptr;
  TScript& script = *spot.script;
  const TIndexedResource* shown = nullptr;
  for (const TIndexedResource& resource : script.compilation.index.resources) {
    if (Absolute(resource.start.file) != spot.path || resource.start.offset > spot.offset) continue;
    shown = &resource;
  }
  if (shown == nullptr) return nullptr;
  TEditorCompilation* from = &script.compilation;
  std::vector<std::uint8_t> image = StatementImage(from->output, *shown);
  if (image.empty() && script.lastGood) {
    // Not compiled this time: the same resource as it last compiled, found by its type
    // and name (its place may have moved since).
    for (const TIndexedResource& resource : script.lastGood->index.resources) {
      if (resource.type != shown->type || resource.name != shown->name) continue;
      from = script.lastGood.get();
      image = StatementImage(from->output, resource);
      break;
    }
  }
  std::vector<TResourceEntry> entries = ReadStatementEntries(image);
  if (entries.empty()) return nullptr;
  TDefineNames names = ScriptDefineValues(*from->parser);
  return {{"html", BuildHtmlReport(entries, names, script.path)},
          {"type", shown->type},
          {"name", SourceName(*shown)},
          {"language", shown->language},
          {"current", from == &script.compilation}};
}

}  // namespace tarvex
