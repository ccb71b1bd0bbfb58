// The language server: `tarvex --lsp` (or the tarvex-lsp link) answers an editor over
// standard input and output in the Language Server Protocol, compiling each script
// from the editor's unsaved texts as it is typed. It never writes a file.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "driver/lsp_workspace.h"

namespace tarvex {

/// The JSON-RPC error codes the server answers with.
enum TRpcError : int {
  kParseError = -32700,
  kInvalidRequest = -32600,
  kMethodNotFound = -32601,
  kInvalidParams = -32602,
  kInternalError = -32603,
  kServerNotInitialized = -32002,
};

/// One server: its state from initialize to exit. Messages go in as the bodies of
/// frames and come out as the bodies to send, in order.
class TLspServer {
 public:
  /// `workingDirectory`: where relative paths are taken from.
  explicit TLspServer(std::string workingDirectory);

  /// Handles one message; returns the responses and notifications it gives.
  std::vector<std::string> Handle(const std::string& body);
  /// The response to a frame whose header could not be read.
  std::string MalformedFrame(const std::string& problem) const;

  /// Whether "exit" was received, and the status the process then ends with (0 after
  /// a shutdown request, 1 without one).
  bool Exited() const { return exited_; }
  int ExitStatus() const { return shutdown_ ? 0 : 1; }

 private:
  nlohmann::json Request(const std::string& method, const nlohmann::json& params);
  void Notification(const std::string& method, const nlohmann::json& params);
  nlohmann::json Initialize(const nlohmann::json& params);
  void Publish(const std::vector<TPublishedDiagnostics>& files);

  TLspWorkspace workspace_;
  std::string cwd_;
  bool initialized_ = false;
  bool shutdown_ = false;
  bool exited_ = false;
  std::vector<std::string> outgoing_;
};

/// Runs a server on `in` and `out` until "exit" or the end of the input; returns the
/// process's exit status.
int RunLspServer(std::istream& in, std::ostream& out);

}  // namespace tarvex
