#include "driver/lsp_server.h"

#include <unistd.h>

#include <climits>

#include "driver/lsp_transport.h"
#include "reader/file_search.h"

namespace tarvex {

using nlohmann::json;

namespace {

// A request whose parameters do not have the shape the method needs.
class TBadParams : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A request for a method the server does not have.
class TUnknownMethod : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Arrays and objects nested deeper than any message of the protocol: the JSON library
// copies and prints values recursively, so a deeper text is refused before it is parsed.
constexpr int kMaxJsonDepth = 256;

// Whether `body` nests arrays and objects deeper than kMaxJsonDepth (brackets inside
// strings do not count).
bool NestsTooDeeply(std::string_view body) {
  int depth = 0;
  bool inString = false;
  for (std::size_t i = 0; i < body.size(); ++i) {
    char c = body[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxJsonDepth) return true;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return false;
}

std::string Dump(const json& message) { return message.dump(-1, ' ', false, json::error_handler_t::replace); }

json ErrorResponse(const json& id, int code, const std::string& message) {
  return {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}};
}

const json& Member(const json& object, const char* key) {
  if (!object.is_object() || !object.contains(key)) throw TBadParams(std::string("missing \"") + key + "\"");
  return object[key];
}

std::string StringMember(const json& object, const char* key) {
  const json& value = Member(object, key);
  if (!value.is_string()) throw TBadParams(std::string("\"") + key + "\" is not a string");
  return value.get<std::string>();
}

std::string DocumentUri(const json& params) { return StringMember(Member(params, "textDocument"), "uri"); }

TLspPosition PositionOf(const json& params) {
  const json& position = Member(params, "position");
  const json& line = Member(position, "line");
  const json& character = Member(position, "character");
  if (!line.is_number_integer() || !character.is_number_integer()) throw TBadParams("position is not two integers");
  // Positions far outside any text are answered as its end, not refused.
  auto clamp = [](std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, 0, INT32_MAX));
  };
  return {clamp(line.get<std::int64_t>()), clamp(character.get<std::int64_t>())};
}

std::string WorkingDirectory() {
  char folder[PATH_MAX];
  return getcwd(folder, sizeof folder) ? std::string(folder) : std::string("/");
}

}  // namespace

TLspServer::TLspServer(std::string workingDirectory) : workspace_(workingDirectory), cwd_(std::move(workingDirectory)) {}

std::string TLspServer::MalformedFrame(const std::string& problem) const {
  return Dump(ErrorResponse(nullptr, kParseError, "Malformed message header: " + problem));
}

void TLspServer::Publish(const std::vector<TPublishedDiagnostics>& files) {
  for (const TPublishedDiagnostics& file : files) {
    json message = {{"jsonrpc", "2.0"},
                    {"method", "textDocument/publishDiagnostics"},
                    {"params", {{"uri", file.uri}, {"diagnostics", file.diagnostics}}}};
    outgoing_.push_back(Dump(message));
  }
}

std::vector<std::string> TLspServer::Handle(const std::string& body) {
  outgoing_.clear();
  if (NestsTooDeeply(body)) {
    outgoing_.push_back(Dump(ErrorResponse(nullptr, kParseError, "The message nests too deeply")));
    return std::move(outgoing_);
  }
  json message = json::parse(body, nullptr, false);
  if (message.is_discarded()) {
    outgoing_.push_back(Dump(ErrorResponse(nullptr, kParseError, "The message is not JSON")));
    return std::move(outgoing_);
  }
  bool hasId = message.is_object() && message.contains("id");
  json id = hasId ? message["id"] : json(nullptr);
  if (hasId && !id.is_string() && !id.is_number_integer() && !id.is_null()) id = nullptr;
  if (!message.is_object() || !message.contains("method") || !message["method"].is_string()) {
    // A response to a request of ours (the server sends none) or no message at all.
    if (message.is_object() && (message.contains("result") || message.contains("error"))) return {};
    outgoing_.push_back(Dump(ErrorResponse(id, kInvalidRequest, "A message needs a \"method\" string")));
    return std::move(outgoing_);
  }
  std::string method = message["method"].get<std::string>();
  json params = message.contains("params") ? message["params"] : json::object();
  if (!hasId) {
    try {
      Notification(method, params);
    } catch (const std::exception&) {
      // A notification has no answer; a malformed one is dropped.
    }
    return std::move(outgoing_);
  }
  json response = {{"jsonrpc", "2.0"}, {"id", id}};
  std::vector<std::string> before = std::move(outgoing_);
  outgoing_.clear();
  try {
    if (shutdown_) {
      response = ErrorResponse(id, kInvalidRequest, "The server is shutting down");
    } else if (!initialized_ && method != "initialize") {
      response = ErrorResponse(id, kServerNotInitialized, "The server is not initialized");
    } else {
      response["result"] = Request(method, params);
    }
  } catch (const TBadParams& bad) {
    response = ErrorResponse(id, kInvalidParams, bad.what());
  } catch (const json::exception& bad) {
    response = ErrorResponse(id, kInvalidParams, bad.what());
  } catch (const TUnknownMethod& unknown) {
    response = ErrorResponse(id, kMethodNotFound, unknown.what());
  } catch (const std::exception& failure) {
    response = ErrorResponse(id, kInternalError, failure.what());
  }
  std::vector<std::string> sent = std::move(before);
  sent.push_back(Dump(response));
  for (std::string& extra : outgoing_) sent.push_back(std::move(extra));
  outgoing_.clear();
  return sent;
}

json TLspServer::Initialize(const json& params) {
  initialized_ = true;
  std::string root;
  if (params.is_object() && params.contains("rootUri") && params["rootUri"].is_string())
    root = UriToPath(params["rootUri"].get<std::string>());
  else if (params.is_object() && params.contains("rootPath") && params["rootPath"].is_string())
    root = params["rootPath"].get<std::string>();
  if (params.is_object() && params.contains("workspaceFolders") && params["workspaceFolders"].is_array() &&
      !params["workspaceFolders"].empty() && params["workspaceFolders"][0].is_object() && root.empty())
    root = UriToPath(params["workspaceFolders"][0].value("uri", ""));
  workspace_.SetRoot(root.empty() ? cwd_ : NormalPath(root, cwd_));
  if (params.is_object() && params.contains("initializationOptions"))
    workspace_.SetEditorSettings(SettingsFromJson(params["initializationOptions"], root.empty() ? cwd_ : root));
  json capabilities = {
      {"positionEncoding", "utf-16"},
      {"textDocumentSync", {{"openClose", true}, {"change", 1}, {"save", {{"includeText", false}}}}},
      {"hoverProvider", true},
      {"definitionProvider", true},
      {"referencesProvider", true},
      {"documentSymbolProvider", true},
      {"completionProvider", {{"triggerCharacters", {"|", ",", "#"}}}},
      {"experimental", {{"tarvexPreview", true}}}};
  return {{"capabilities", capabilities}, {"serverInfo", {{"name", "tarvex"}, {"version", TARVEX_VERSION}}}};
}

json TLspServer::Request(const std::string& method, const json& params) {
  if (method == "initialize") return Initialize(params);
  if (method == "shutdown") {
    shutdown_ = true;
    return nullptr;
  }
  if (method == "textDocument/hover") return workspace_.Hover(DocumentUri(params), PositionOf(params));
  if (method == "textDocument/definition") return workspace_.Definition(DocumentUri(params), PositionOf(params));
  if (method == "textDocument/references") {
    bool declaration = true;
    if (params.contains("context") && params["context"].is_object())
      declaration = params["context"].value("includeDeclaration", true);
    return workspace_.References(DocumentUri(params), PositionOf(params), declaration);
  }
  if (method == "textDocument/documentSymbol") return workspace_.DocumentSymbols(DocumentUri(params));
  if (method == "textDocument/completion") return workspace_.Completion(DocumentUri(params), PositionOf(params));
  if (method == "tarvex/preview") return workspace_.Preview(DocumentUri(params), PositionOf(params));
  throw TUnknownMethod("Unknown method " + method);
}

void TLspServer::Notification(const std::string& method, const json& params) {
  if (method == "exit") {
    exited_ = true;
    return;
  }
  if (!initialized_ || shutdown_) return;
  if (method == "textDocument/didOpen") {
    const json& document = Member(params, "textDocument");
    std::string languageId = document.contains("languageId") && document["languageId"].is_string()
                                 ? document["languageId"].get<std::string>()
                                 : std::string();
    std::int64_t version = document.contains("version") && document["version"].is_number_integer()
                               ? document["version"].get<std::int64_t>()
                               : 0;
    Publish(workspace_.Open(StringMember(document, "uri"), languageId, version, StringMember(document, "text")));
  } else if (method == "textDocument/didChange") {
    const json& document = Member(params, "textDocument");
    const json& changes = Member(params, "contentChanges");
    if (!changes.is_array() || changes.empty()) return;
    // Full synchronisation: the last change holds the whole text.
    const json& last = changes.back();
    if (last.contains("range")) return;
    std::int64_t version = document.contains("version") && document["version"].is_number_integer()
                               ? document["version"].get<std::int64_t>()
                               : 0;
    Publish(workspace_.Change(StringMember(document, "uri"), version, StringMember(last, "text")));
  } else if (method == "textDocument/didClose") {
    Publish(workspace_.Close(DocumentUri(params)));
  } else if (method == "textDocument/didSave" || method == "workspace/didChangeWatchedFiles") {
    Publish(workspace_.Refresh());
  } else if (method == "workspace/didChangeConfiguration") {
    const json& settings = Member(params, "settings");
    const json& ours = settings.is_object() && settings.contains("tarvex") ? settings["tarvex"] : settings;
    Publish(workspace_.SetEditorSettings(SettingsFromJson(ours, cwd_)));
  }
  // Every other notification ($/cancelRequest, initialized, ...) needs nothing.
}

int RunLspServer(std::istream& in, std::ostream& out) {
  TLspServer server(WorkingDirectory());
  std::string body;
  std::string problem;
  for (;;) {
    TFrameRead read = ReadFrame(in, body, problem);
    if (read == TFrameRead::End) return server.ExitStatus();
    if (read == TFrameRead::Malformed) {
      WriteFrame(out, server.MalformedFrame(problem));
      continue;
    }
    for (const std::string& message : server.Handle(body)) WriteFrame(out, message);
    if (server.Exited()) return server.ExitStatus();
  }
}

}  // namespace tarvex
