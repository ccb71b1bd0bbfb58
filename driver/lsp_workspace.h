// What the language server knows: the documents the editor holds open, each script
// compiled from them with its index, and the answers to the editor's questions about a
// position (hover, definition, references, symbols, completion, preview). Positions and
// ranges are the protocol's (driver/lsp_text.h); results are the protocol's JSON.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <nlohmann/json.hpp>

#include "driver/lsp_settings.h"
#include "driver/lsp_text.h"
#include "reader/file_search.h"
#include "statements/compile_api.h"

namespace tarvex {

/// A text the editor holds; `path` is absolute.
struct TOpenDocument {
  std::string uri;
  std::string path;
  std::string languageId;
  std::int64_t version = 0;
  std::shared_ptr<const std::string> text;
};

/// The diagnostics of one file to publish, all of them (an empty list clears them).
struct TPublishedDiagnostics {
  std::string uri;
  nlohmann::json diagnostics = nlohmann::json::array();
};

/// Whether `path` names a script the server compiles (.rc, .rc2, .dlg, or a document the
/// editor calls "rc"); other texts (headers) are read by the scripts that include them.
bool IsScriptDocument(const std::string& path, const std::string& languageId);

class TLspWorkspace {
 public:
  /// `workingDirectory`: where relative paths of compilations are taken from.
  explicit TLspWorkspace(std::string workingDirectory);

  /// The workspace's root folder (where compile_commands.json is looked for).
  void SetRoot(const std::string& root) { root_ = root; }
  /// The editor's own settings; every open script is compiled again with the
  /// settings that now apply to it.
  std::vector<TPublishedDiagnostics> SetEditorSettings(const TLspSettings& settings);

  std::vector<TPublishedDiagnostics> Open(const std::string& uri, const std::string& languageId,
                                          std::int64_t version, std::string text);
  std::vector<TPublishedDiagnostics> Change(const std::string& uri, std::int64_t version, std::string text);
  std::vector<TPublishedDiagnostics> Close(const std::string& uri);
  /// A file was saved or changed on disk: settings are read again and every script
  /// compiled again.
  std::vector<TPublishedDiagnostics> Refresh();

  nlohmann::json Hover(const std::string& uri, TLspPosition position);
  nlohmann::json Definition(const std::string& uri, TLspPosition position);
  nlohmann::json References(const std::string& uri, TLspPosition position, bool includeDeclaration);
  nlohmann::json DocumentSymbols(const std::string& uri);
  nlohmann::json Completion(const std::string& uri, TLspPosition position);
  /// { "html", "type", "name", "language" } for the resource at `position`, or null.
  nlohmann::json Preview(const std::string& uri, TLspPosition position);

  /// Whether the editor holds `uri` open.
  bool IsOpen(const std::string& uri) const;

 private:
  struct TWordPlace {
    std::size_t file = 0;  ///< into TScript::wordFiles
    std::size_t offset = 0;
  };
  /// One script compiled from the editor's texts, with what its answers need.
  struct TScript {
    std::string path;
    TLspSettings settings;
    TEditorCompilation compilation;
    /// The last compilation that succeeded, while the present one fails: the preview
    /// shows a resource as it last compiled
    std::unique_ptr<TEditorCompilation> lastGood;
    std::unordered_set<std::string> files;  ///< the script and every file it read, absolute
    std::unordered_map<std::string, std::vector<std::size_t>> definitions;  ///< name: index.definitions
    std::unordered_map<std::string, nlohmann::json> diagnostics;            ///< by URI
    // The names of every text the script read, made on the first search for references.
    bool wordsIndexed = false;
    std::vector<std::pair<std::string, std::shared_ptr<const std::string>>> wordFiles;
    std::unordered_map<std::string, std::vector<TWordPlace>> words;
  };
  struct TSpot;  // a position resolved against a document and its script

  std::vector<TPublishedDiagnostics> CompileScript(const std::string& path, bool resolveSettings);
  std::vector<TPublishedDiagnostics> CompileDependents(const std::string& path);
  void CollectDiagnostics(TScript& script);
  std::vector<TPublishedDiagnostics> PublishFor(const std::vector<std::string>& uris) const;
  TScript* ScriptFor(const std::string& path);
  bool Resolve(const std::string& uri, TLspPosition position, TSpot& spot);
  std::shared_ptr<const std::string> TextOf(const std::string& path) const;
  std::string Absolute(const std::string& path) const { return NormalPath(path, cwd_); }
  nlohmann::json LocationOf(const TSourcePlace& place) const;
  void IndexWords(TScript& script);
  const std::vector<std::string>& StyleNames();

  std::string cwd_;
  std::string root_;
  TLspSettings editorSettings_;
  std::unordered_map<std::string, TOpenDocument> documents_;  ///< by path
  std::unordered_map<std::string, std::string> uriPaths_;     ///< URI: path
  std::unordered_map<std::string, TScript> scripts_;          ///< by path
  std::vector<std::string> styleNames_;                       ///< made on first use
};

}  // namespace tarvex
