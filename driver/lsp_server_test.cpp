// The language server driven in-process, message by message, on small scripts with a
// header in a fresh folder; and once through a pipe, as an editor runs it.
#include "driver/lsp_server.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>

#include "tests/statement_checks.h"

namespace tarvex {
namespace {

using nlohmann::json;
using test::TTempDir;

constexpr const char* kHeader =
    "#define IDD_ABOUT 100\n"
    "#define IDC_NAME 1001\n"
    "#define IDM_OPEN 2001\n";

constexpr const char* kScript =
    "#include \"resource.h\"\n"                       // 0
    "IDD_ABOUT DIALOGEX 0, 0, 200, 100\n"             // 1
    "STYLE DS_MODALFRAME | WS_POPUP | WS_CAPTION\n"   // 2
    "CAPTION \"About\"\n"                             // 3
    "FONT 8, \"MS Shell Dlg\"\n"                      // 4
    "BEGIN\n"                                         // 5
    "  PUSHBUTTON \"OK\", IDOK, 7, 7, 50, 14\n"       // 6
    "  EDITTEXT IDC_NAME, 7, 30, 100, 12\n"           // 7
    "END\n"                                           // 8
    "1 MENU\n"                                        // 9
    "BEGIN\n"                                         // 10
    "  POPUP \"&File\"\n"                             // 11
    "  BEGIN\n"                                       // 12
    "    MENUITEM \"&Open\", IDM_OPEN\n"              // 13
    "  END\n"                                         // 14
    "END\n"                                           // 15
    "IDI_APP ICON \"app.ico\"\n";                     // 16

// One server in a fresh folder, with what it sent.
class TSession {
 public:
  TSession() : server_(dir_.Path()) {
    dir_.Write("resource.h", kHeader);
    dir_.Write("app.ico", test::ImageFile(1, {test::Image(48, 16, 16, 1)}));
  }
  explicit TSession(const json& initializationOptions) : TSession() { options_ = initializationOptions; }

  const TTempDir& Dir() const { return dir_; }
  std::string Uri(const std::string& name) const { return PathToUri(dir_.File(name)); }

  std::vector<json> Send(const std::string& body) {
    std::vector<json> sent;
    for (const std::string& message : server_.Handle(body)) {
      json parsed = json::parse(message);
      if (parsed.value("method", "") == "textDocument/publishDiagnostics")
        published_[parsed["params"]["uri"].get<std::string>()] = parsed["params"]["diagnostics"];
      sent.push_back(parsed);
    }
    return sent;
  }
  std::vector<json> Send(const json& message) { return Send(message.dump()); }

  json Request(const std::string& method, const json& params) {
    for (const json& message : Send(json{{"jsonrpc", "2.0"}, {"id", ++id_}, {"method", method}, {"params", params}})) {
      if (message.contains("id") && message["id"] == id_) return message;
    }
    return nullptr;
  }
  void Notify(const std::string& method, const json& params) {
    Send(json{{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
  }
  void Initialize() {
    json params = {{"rootUri", PathToUri(dir_.Path())}, {"capabilities", json::object()}};
    if (!options_.is_null()) params["initializationOptions"] = options_;
    Request("initialize", params);
    Notify("initialized", json::object());
  }
  void Open(const std::string& name, const std::string& text) {
    Notify("textDocument/didOpen",
           {{"textDocument", {{"uri", Uri(name)}, {"languageId", name.ends_with(".rc") ? "rc" : "c"}, {"version", 1}, {"text", text}}}});
  }
  void Change(const std::string& name, const std::string& text) {
    Notify("textDocument/didChange",
           {{"textDocument", {{"uri", Uri(name)}, {"version", 2}}}, {"contentChanges", {{{"text", text}}}}});
  }
  json At(const std::string& name, int line, int character) const {
    return {{"textDocument", {{"uri", Uri(name)}}}, {"position", {{"line", line}, {"character", character}}}};
  }
  json Result(const std::string& method, const std::string& name, int line, int character) {
    return Request(method, At(name, line, character))["result"];
  }
  /// The diagnostics last published for `name`; null when none were.
  json Published(const std::string& name) const {
    auto found = published_.find(Uri(name));
    return found == published_.end() ? json() : found->second;
  }
  TLspServer& Server() { return server_; }

 private:
  TTempDir dir_;
  TLspServer server_;
  json options_;
  int id_ = 0;
  std::map<std::string, json> published_;
};

std::string RangeText(const json& range) {
  return std::to_string(range["start"]["line"].get<int>()) + ":" + std::to_string(range["start"]["character"].get<int>()) +
         "-" + std::to_string(range["end"]["line"].get<int>()) + ":" + std::to_string(range["end"]["character"].get<int>());
}

// "code range message" of each diagnostic, joined by " / "; with `severity`, led by it.
std::string Shown(const json& diagnostics, bool severity = false) {
  std::string shown;
  for (const json& diagnostic : diagnostics) {
    if (!shown.empty()) shown += " / ";
    if (severity) shown += std::to_string(diagnostic["severity"].get<int>()) + " ";
    shown += diagnostic.value("code", "-") + " " + RangeText(diagnostic["range"]) + " " +
             diagnostic["message"].get<std::string>();
  }
  return shown;
}

// --- diagnostics ---------------------------------------------------------------

struct TDiagnosticCase {
  const char* what;
  std::string script;
  std::string diskHeader;     ///< resource.h on disk
  std::string editorHeader;   ///< resource.h open in the editor; empty: not open
  std::string expected;       ///< "code range message" of each diagnostic of a.rc, joined by " / "
};

class LspDiagnostics : public testing::TestWithParam<TDiagnosticCase> {};

TEST_P(LspDiagnostics, PublishedForTheScript) {
  const TDiagnosticCase& c = GetParam();
  TSession session;
  session.Dir().Write("resource.h", c.diskHeader);
  session.Initialize();
  if (!c.editorHeader.empty()) session.Open("resource.h", c.editorHeader);
  session.Open("a.rc", c.script);
  EXPECT_EQ(Shown(session.Published("a.rc")), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LspDiagnostics,
    testing::Values(
        TDiagnosticCase{"an undefined id: its token is the range",
                        "1 DIALOG 0, 0, 10, 10 {\n  PUSHBUTTON \"OK\", IDC_MISSING, 1, 1, 5, 5\n}\n", "", "",
                        "RC100 1:19-1:30 Control identifier (smallint) expected"},
        TDiagnosticCase{"columns count UTF-16 units: two non-BMP characters count four",
                        "1 DIALOG 0, 0, 10, 10 {\n  LTEXT \"\xF0\x9F\x98\x80\xF0\x9F\x98\x80\", IDC_MISSING, 1, 1, 5, 5\n}\n",
                        "", "", "RC100 1:16-1:27 Control identifier (smallint) expected"},
        TDiagnosticCase{"the header open in the editor is read, not the disk's",
                        "#include \"resource.h\"\nSTRINGTABLE { IDC_NAME \"x\" }\n", "#define IDC_NAME 5\n",
                        "#define IDC_OTHER 5\n", "- 1:14-1:22 'IDC_NAME' is not a valid integer value"},
        TDiagnosticCase{"a clean script: the editor's header defines what the disk's lacks",
                        "#include \"resource.h\"\nSTRINGTABLE { IDC_NAME \"x\" }\n", "\n", "#define IDC_NAME 5\n", ""},
        TDiagnosticCase{"a script that includes itself", "#include \"a.rc\"\n", "", "",
                        "RC58 0:9-0:15 File a.rc is already open. Cyclical reference not allowed"},
        TDiagnosticCase{"a failure in a header shows at the #include too", "#include \"resource.h\"\n",
                        "#define A 1\n#if\n", "",
                        "RC116 0:9-0:21 In included file resource.h: Number expected but got end of line in expression"}));

TEST(LspDiagnosticsLife, AFixOrClosingTheScriptClearsItsDiagnostics) {
  for (bool close : {false, true}) {
    TSession session;
    session.Initialize();
    session.Open("a.rc", "#include \"resource.h\"\nSTRINGTABLE { IDC_NAMES \"x\" }\n");
    ASSERT_EQ(session.Published("a.rc").size(), 1u);
    if (close)
      session.Notify("textDocument/didClose", {{"textDocument", {{"uri", session.Uri("a.rc")}}}});
    else
      session.Change("a.rc", "#include \"resource.h\"\nSTRINGTABLE { IDC_NAME \"x\" }\n");
    EXPECT_EQ(session.Published("a.rc"), json::array()) << close;
  }
}

TEST(LspDiagnosticsLife, AFailureInAHeaderIsPublishedThereAndClearedWhenFixed) {
  TSession session;
  session.Initialize();
  session.Open("resource.h", "#define A 1\n#if\n");
  session.Open("a.rc", "#include \"resource.h\"\n");
  ASSERT_EQ(session.Published("resource.h").size(), 1u);
  EXPECT_EQ(RangeText(session.Published("resource.h")[0]["range"]), "1:1-1:3");
  session.Change("resource.h", "#define A 1\n");
  EXPECT_EQ(session.Published("resource.h"), json::array());
  EXPECT_EQ(session.Published("a.rc"), json::array());
}

TEST(LspDiagnosticsLife, NotesBecomeRelatedInformation) {
  TSession session;
  session.Initialize();
  session.Open("a.rc", "1 DIALOG 0, 0, 10, 10\nBEGIN\n  PUSHBUTTON \"OK\", 1, 1, 1, 5, 5\n");
  json diagnostics = session.Published("a.rc");
  ASSERT_EQ(diagnostics.size(), 1u);
  ASSERT_TRUE(diagnostics[0].contains("relatedInformation")) << diagnostics.dump();
  EXPECT_EQ(diagnostics[0]["relatedInformation"][0]["location"]["uri"], session.Uri("a.rc"));
  EXPECT_EQ(RangeText(diagnostics[0]["relatedInformation"][0]["location"]["range"]), "1:0-1:5");
}

// Warnings: every one by default, with severity 2 and their option as code; the
// settings turn them off, or some of them, or make them errors.
struct TWarningCase {
  const char* what;
  json options;          ///< initializationOptions
  std::string expected;  ///< "severity code range message" of each diagnostic, joined by " / "
};

class LspWarnings : public testing::TestWithParam<TWarningCase> {};

TEST_P(LspWarnings, PublishedWithErrors) {
  const TWarningCase& c = GetParam();
  TSession session(c.options);
  session.Initialize();
  session.Open("a.rc", "1 DIALOG 0, 0, 100, 50\n{\n  PUSHBUTTON \"A\", 10, 1, 1, 20, 10\n  PUSHBUTTON \"B\", 10, 30, 1, 20, 10\n}\n");
  EXPECT_EQ(Shown(session.Published("a.rc"), true), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LspWarnings,
    testing::Values(
        TWarningCase{"on by default", json::object(), "2 -Wduplicate-id 3:2-3:12 control id 10 is also used at line 3"},
        TWarningCase{"off", json{{"warnings", false}}, ""},
        TWarningCase{"one turned off", json{{"warningOptions", {"-Wno-duplicate-id"}}}, ""},
        TWarningCase{"as errors", json{{"warningOptions", {"-Werror"}}},
                     "1 -Wduplicate-id 3:2-3:12 control id 10 is also used at line 3 / "
                     "1 - 0:0-0:0 1 warning treated as errors (-Werror)"},
        TWarningCase{"a name that is no warning's", json{{"warningOptions", {"-Wbogus"}}},
                     "2 -Wduplicate-id 3:2-3:12 control id 10 is also used at line 3 / "
                     "1 - 0:0-0:0 Unknown warning option -Wbogus (warnings: duplicate-id, mnemonic, outside, overlap, "
                     "accelerator, missing-translation, version, icon) (in the settings)"}));

// --- hover, definition, references ---------------------------------------------

struct TPositionCase {
  const char* what;
  int line;
  int character;
  std::string expected;  ///< a text the answer must hold; empty: the answer is null
};

class LspHover : public testing::TestWithParam<TPositionCase> {};

TEST_P(LspHover, Answers) {
  const TPositionCase& c = GetParam();
  TSession session;
  session.Initialize();
  session.Open("a.rc", kScript);
  json result = session.Result("textDocument/hover", "a.rc", c.line, c.character);
  if (c.expected.empty()) {
    EXPECT_TRUE(result.is_null()) << c.what << ": " << result.dump();
    return;
  }
  ASSERT_TRUE(result.is_object()) << c.what;
  EXPECT_NE(result["contents"]["value"].get<std::string>().find(c.expected), std::string::npos)
      << c.what << ": " << result["contents"]["value"];
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LspHover,
    testing::Values(
        TPositionCase{"a name: value, definition and place", 7, 13,
                      "**IDC_NAME** = 1001 (0x3E9)\n\n```c\n#define IDC_NAME 1001\n```\nresource.h:2"},
        TPositionCase{"a style: the bits it sets and their names", 2, 26, "Sets 0x80000000 (bit 31): WS_POPUP"},
        TPositionCase{"a predefined name", 6, 20, "**IDOK** = 1 (0x1)"},
        TPositionCase{"a control: kind, id and rectangle in both units", 6, 4,
                      "**push button** (PUSHBUTTON), id 1, class BUTTON\n\nRectangle: 7, 7, 50 × 14 dialog units; 11, 11, 75 × 23 pixels"},
        TPositionCase{"a dialog style: its bit and name", 2, 9, "**DS_MODALFRAME** = 128 (0x80)\n\nDefined outside the script's files (predefined, or by a built-in SDK header)\n\nSets 0x00000080 (bit 7): DS_MODALFRAME"},
        TPositionCase{"a resource statement: type, name, language, size", 1, 12, "**DIALOGEX** IDD_ABOUT, language 0x0000"},
        TPositionCase{"an icon statement lists its entries", 16, 9, "GROUP_ICON"},
        TPositionCase{"a menu item", 13, 6, "**MENUITEM** of MENU 1"},
        TPositionCase{"a blank place", 5, 2, ""},
        TPositionCase{"a line past the end", 400, 3, ""},
        TPositionCase{"a column past the line's end: the line's end", 7, 4000, "**edit field** (EDITTEXT), id 1001, class EDIT"}));

struct TLocationCase {
  const char* what;
  int line;
  int character;
  std::string expected;  ///< "file line:character" of each location; empty: null
};

std::string Locations(const json& result, const std::string& folder) {
  if (result.is_null()) return {};
  std::string shown;
  for (const json& location : result.is_array() ? result : json::array({result})) {
    std::string path = UriToPath(location["uri"].get<std::string>());
    if (!shown.empty()) shown += ", ";
    shown += path.substr(folder.size() + 1) + " " + RangeText(location["range"]);
  }
  return shown;
}

class LspDefinition : public testing::TestWithParam<TLocationCase> {};

TEST_P(LspDefinition, Answers) {
  const TLocationCase& c = GetParam();
  TSession session;
  session.Initialize();
  session.Open("a.rc", kScript);
  EXPECT_EQ(Locations(session.Result("textDocument/definition", "a.rc", c.line, c.character), session.Dir().Path()),
            c.expected)
      << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, LspDefinition,
                         testing::Values(TLocationCase{"a name into its header", 7, 13, "resource.h 1:8-1:16"},
                                         TLocationCase{"a name at its last character", 1, 9, "resource.h 0:8-0:17"},
                                         TLocationCase{"an #include opens the file found", 0, 13, "resource.h 0:0-0:0"},
                                         TLocationCase{"a resource file opens the file", 16, 16, "app.ico 0:0-0:0"},
                                         TLocationCase{"a predefined name has no place", 6, 20, ""},
                                         TLocationCase{"a keyword", 6, 4, ""}));

class LspReferences : public testing::TestWithParam<TLocationCase> {};

TEST_P(LspReferences, Answers) {
  const TLocationCase& c = GetParam();
  TSession session;
  session.Initialize();
  session.Open("a.rc", std::string(kScript) + "STRINGTABLE { IDC_NAME \"name\" } // IDC_NAME\n");
  json params = session.At("a.rc", c.line, c.character);
  params["context"] = {{"includeDeclaration", std::string(c.what).find("without") == std::string::npos}};
  EXPECT_EQ(Locations(session.Request("textDocument/references", params)["result"], session.Dir().Path()), c.expected)
      << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LspReferences,
    testing::Values(TLocationCase{"a name in the script and its header; not in a comment", 7, 13,
                                  "a.rc 7:11-7:19, a.rc 17:14-17:22, resource.h 1:8-1:16"},
                    TLocationCase{"the same without the declaration", 7, 13, "a.rc 7:11-7:19, a.rc 17:14-17:22"},
                    TLocationCase{"a word that names nothing", 6, 4, ""}));

// --- symbols, completion, preview ----------------------------------------------

TEST(LspSymbols, ResourcesWithTheirControlsAndItems) {
  TSession session;
  session.Initialize();
  session.Open("a.rc", kScript);
  json symbols = session.Request("textDocument/documentSymbol", {{"textDocument", {{"uri", session.Uri("a.rc")}}}})["result"];
  std::string shown;
  std::function<void(const json&, int)> show = [&](const json& list, int depth) {
    for (const json& symbol : list) {
      shown += std::string(static_cast<std::size_t>(depth) * 2, ' ') + symbol["name"].get<std::string>() + " [" +
               symbol.value("detail", "") + "] " + RangeText(symbol["range"]) + "\n";
      if (symbol.contains("children")) show(symbol["children"], depth + 1);
    }
  };
  show(symbols, 0);
  EXPECT_EQ(shown,
            "IDD_ABOUT [DIALOGEX, language 0x0000] 1:0-8:3\n"
            "  PUSHBUTTON \"OK\", IDOK, 7, 7, 50, 14 [PUSHBUTTON] 6:2-6:37\n"
            "  EDITTEXT IDC_NAME, 7, 30, 100, 12 [EDITTEXT] 7:2-7:35\n"
            "1 [MENU, language 0x0000] 9:0-15:3\n"
            "  POPUP \"&File\" [POPUP] 11:2-11:15\n"
            "    MENUITEM \"&Open\", IDM_OPEN [MENUITEM] 13:4-13:30\n"
            "IDI_APP [ICON, language 0x0000] 16:0-16:22\n");
}

TEST(LspSymbols, AHeaderListsItsNames) {
  TSession session;
  session.Initialize();
  session.Open("a.rc", kScript);
  session.Open("resource.h", kHeader);
  json symbols = session.Request("textDocument/documentSymbol", {{"textDocument", {{"uri", session.Uri("resource.h")}}}})["result"];
  ASSERT_EQ(symbols.size(), 3u);
  EXPECT_EQ(symbols[2]["name"], "IDM_OPEN");
}

struct TCompletionCase {
  const char* what;
  std::string line;     ///< put in place of line 7 of the script, the position at its end
  std::string offered;  ///< a label that must be offered
  std::string absent;   ///< one that must not
};

class LspCompletion : public testing::TestWithParam<TCompletionCase> {};

TEST_P(LspCompletion, Offers) {
  const TCompletionCase& c = GetParam();
  std::string script = kScript;
  std::size_t line7 = 0;
  for (int i = 0; i < 7; ++i) line7 = script.find('\n', line7) + 1;
  script.replace(line7, script.find('\n', line7) - line7, c.line);
  TSession session;
  session.Initialize();
  session.Open("a.rc", script);
  json items = session.Result("textDocument/completion", "a.rc", c.line.rfind("STYLE", 0) == 0 ? 2 : 7,
                              static_cast<int>(c.line.size()));
  std::unordered_set<std::string> labels;
  for (const json& item : items) labels.insert(item["label"].get<std::string>());
  EXPECT_TRUE(labels.count(c.offered)) << c.what << ": " << items.dump().substr(0, 300);
  EXPECT_FALSE(labels.count(c.absent)) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LspCompletion,
    testing::Values(TCompletionCase{"control kinds where a control starts", "  PUSH", "PUSHBUTTON", "IDC_NAME"},
                    TCompletionCase{"defined names where an id goes", "  PUSHBUTTON \"x\", ", "IDC_NAME", "PUSHBUTTON"},
                    TCompletionCase{"style names after a bar", "  EDITTEXT IDC_NAME, 7, 30, 100, 12, WS_TABSTOP | ",
                                    "ES_AUTOHSCROLL", "IDC_NAME"},
                    TCompletionCase{"style names in a style position", "  PUSHBUTTON \"x\", 5, 1, 1, 1, 1, ",
                                    "BS_DEFPUSHBUTTON", "IDD_ABOUT"},
                    TCompletionCase{"directives after #", "#", "#include", "PUSHBUTTON"}));

TEST(LspCompletionTop, StatementKeywordsBetweenStatements) {
  TSession session;
  session.Initialize();
  session.Open("a.rc", std::string(kScript) + "IDD_X \n");
  json items = session.Result("textDocument/completion", "a.rc", 17, 6);
  std::unordered_set<std::string> labels;
  for (const json& item : items) labels.insert(item["label"].get<std::string>());
  EXPECT_TRUE(labels.count("DIALOGEX"));
  EXPECT_TRUE(labels.count("STRINGTABLE"));
  EXPECT_FALSE(labels.count("PUSHBUTTON"));
}

TEST(LspPreview, DrawsTheResourceAtThePosition) {
  TSession session;
  session.Initialize();
  session.Open("a.rc", kScript);
  json dialog = session.Result("tarvex/preview", "a.rc", 6, 4);
  ASSERT_TRUE(dialog.is_object());
  EXPECT_EQ(dialog["type"], "DIALOGEX");
  EXPECT_EQ(dialog["name"], "IDD_ABOUT");
  std::string html = dialog["html"].get<std::string>();
  EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u) << html.substr(0, 40);
  EXPECT_NE(html.find("About"), std::string::npos);
  EXPECT_EQ(html.find("&amp;File"), std::string::npos) << "only the resource at the position is drawn";
  EXPECT_EQ(session.Result("tarvex/preview", "a.rc", 13, 4)["type"], "MENU");
  EXPECT_TRUE(session.Result("tarvex/preview", "a.rc", 0, 0).is_null()) << "before any resource";
}

TEST(LspPreview, ADialogBeingTypedShowsAsItLastCompiled) {
  TSession session;
  session.Initialize();
  session.Open("a.rc", kScript);
  std::string typing = kScript;
  typing.insert(typing.find("  EDITTEXT"), "\n  PUSHBUTTON \"Half\", \n");
  session.Change("a.rc", typing);
  ASSERT_EQ(session.Published("a.rc").size(), 1u);
  json dialog = session.Result("tarvex/preview", "a.rc", 6, 4);
  ASSERT_TRUE(dialog.is_object());
  EXPECT_EQ(dialog["current"], false);
  EXPECT_NE(dialog["html"].get<std::string>().find("About"), std::string::npos);
  EXPECT_EQ(dialog["html"].get<std::string>().find("Half"), std::string::npos);
  session.Change("a.rc", "1 DIALOG 0, 0, 9, 9 {\n  PUSHBUTTON \"x\", \n");
  EXPECT_TRUE(session.Result("tarvex/preview", "a.rc", 0, 0).is_null()) << "no resource of that type and name compiled";
}

// --- the protocol ---------------------------------------------------------------

struct TProtocolCase {
  const char* what;
  std::string body;      ///< sent after initialize ("{init}" sends nothing first)
  std::string expected;  ///< the error code of the answer, "result" for a result, "none" for no answer
};

class LspProtocol : public testing::TestWithParam<TProtocolCase> {};

TEST_P(LspProtocol, Answers) {
  const TProtocolCase& c = GetParam();
  TSession session;
  std::string body = c.body;
  if (body.rfind("{init}", 0) == 0) {
    body = body.substr(6);
  } else {
    session.Initialize();
    session.Open("a.rc", kScript);
  }
  std::vector<json> sent = session.Send(body);
  std::string shown = "none";
  for (const json& message : sent) {
    if (message.contains("error")) shown = std::to_string(message["error"]["code"].get<int>());
    else if (message.contains("result")) shown = "result";
  }
  EXPECT_EQ(shown, c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LspProtocol,
    testing::Values(
        TProtocolCase{"not JSON", R"({"jsonrpc": "2.0", "id": 1,)", "-32700"},
        TProtocolCase{"not an object", "[1, 2]", "-32600"},
        TProtocolCase{"nested deeper than any message",
                      R"({"jsonrpc":"2.0","id":4,"method":"shutdown","params":)" + std::string(100000, '[') +
                          std::string(100000, ']') + "}",
                      "-32700"},
        TProtocolCase{"brackets inside strings do not nest",
                      R"({"jsonrpc":"2.0","id":4,"method":"x\"[)" + std::string(1000, '[') + "\"}", "-32601"},
        TProtocolCase{"no method", R"({"jsonrpc":"2.0","id":4})", "-32600"},
        TProtocolCase{"an unknown method", R"({"jsonrpc":"2.0","id":4,"method":"textDocument/teleport"})", "-32601"},
        TProtocolCase{"an unknown notification is ignored", R"({"jsonrpc":"2.0","method":"$/teleport"})", "none"},
        TProtocolCase{"a request before initialize",
                      R"({init}{"jsonrpc":"2.0","id":4,"method":"textDocument/hover","params":{}})", "-32002"},
        TProtocolCase{"a hover without a position",
                      R"({"jsonrpc":"2.0","id":4,"method":"textDocument/hover","params":{"textDocument":{"uri":"file:///x"}}})",
                      "-32602"},
        TProtocolCase{"a position of the wrong type",
                      R"({"jsonrpc":"2.0","id":4,"method":"textDocument/definition","params":{"textDocument":)"
                      R"({"uri":"file:///x"},"position":{"line":"a","character":0}}})",
                      "-32602"},
        TProtocolCase{"a negative and a huge position are answered",
                      R"({"jsonrpc":"2.0","id":4,"method":"textDocument/completion","params":{"textDocument":)"
                      R"({"uri":"file:///nowhere/a.rc"},"position":{"line":-5,"character":99999999999}}})",
                      "result"},
        TProtocolCase{"a document the server does not hold",
                      R"({"jsonrpc":"2.0","id":4,"method":"textDocument/hover","params":{"textDocument":)"
                      R"({"uri":"http://elsewhere/a.rc"},"position":{"line":0,"character":0}}})",
                      "result"},
        TProtocolCase{"a malformed notification is dropped",
                      R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":7}})", "none"},
        TProtocolCase{"shutdown", R"({"jsonrpc":"2.0","id":4,"method":"shutdown"})", "result"}));

TEST(LspLifecycle, ExitStatusTellsWhetherShutdownCameFirst) {
  for (bool shutdown : {true, false}) {
    TSession session;
    session.Initialize();
    if (shutdown) {
      EXPECT_TRUE(session.Request("shutdown", nullptr)["result"].is_null());
      EXPECT_EQ(session.Request("textDocument/hover", session.At("a.rc", 0, 0))["error"]["code"], -32600);
    }
    EXPECT_FALSE(session.Server().Exited());
    session.Notify("exit", nullptr);
    EXPECT_TRUE(session.Server().Exited());
    EXPECT_EQ(session.Server().ExitStatus(), shutdown ? 0 : 1);
  }
}

// --- settings -------------------------------------------------------------------

TEST(LspSettingsUse, InitializationOptionsGiveIncludeFoldersAndNames) {
  TSession session(json{{"includeDirectories", {"inc"}}, {"defines", {"EXTRA=7"}}});
  session.Dir().Write("resource.h", "");
  session.Dir().Write("inc/ids.h", "#define IDS_X 3\n");
  session.Initialize();
  session.Open("a.rc", "#include <ids.h>\nSTRINGTABLE { IDS_X \"x\" EXTRA \"y\" }\n");
  EXPECT_EQ(session.Published("a.rc"), json::array());
  EXPECT_EQ(Locations(session.Result("textDocument/definition", "a.rc", 1, 15), session.Dir().Path()), "inc/ids.h 0:8-0:13");
}

// Where a script's names come from: a .tarvex.json beside it first, then its entry in a
// compile_commands.json (beside it or in the folder the editor names), then the editor's
// options. "@" in a file stands for the session's folder.
TEST(LspSettingsUse, TheFirstSourceOfNamesWins) {
  const std::string entries =
      "[{\"directory\": \"@\", \"file\": \"other.rc\", \"command\": \"tarvex-rc /d WHERE=4 other.rc\"},"
      "{\"directory\": \"@\", \"file\": \"a.rc\", \"arguments\": [\"tarvex-rc\", \"/d\", \"WHERE=3\", \"a.rc\"]}]";
  const json editor = {{"defines", {"WHERE=1"}}};
  const struct {
    json options;
    std::vector<std::pair<std::string, std::string>> files;
    std::string script, value;
  } cases[] = {
      {editor,
       {{".tarvex.json", "{\"defines\": [\"WHERE=2\"]}"},
        {"compile_commands.json", "[{\"directory\": \"@\", \"file\": \"a.rc\", \"command\": \"tarvex-rc /d WHERE=3 a.rc\"}]"}},
       "a.rc", "= 2"},
      {json{{"compileCommands", "out"}, {"defines", {"WHERE=1"}}},
       {{"out/compile_commands.json",
         "[{\"directory\": \"@/out\", \"file\": \"../a.rc\", \"command\": \"tarvex-rc -D WHERE=5 ../a.rc\"}]"}},
       "a.rc", "= 5"},
      {editor, {{"compile_commands.json", entries}}, "a.rc", "= 3"},
      {editor, {{"compile_commands.json", entries}}, "b.rc", "= 1"},  // no entry of its own
  };
  for (const auto& c : cases) {
    TSession session(c.options);
    for (auto [name, text] : c.files) {
      for (std::size_t at; (at = text.find('@')) != std::string::npos;) text.replace(at, 1, session.Dir().Path());
      session.Dir().Write(name, text);
    }
    session.Initialize();
    session.Open(c.script, "STRINGTABLE { WHERE \"x\" }\n");
    EXPECT_NE(session.Result("textDocument/hover", c.script, 0, 15)["contents"]["value"].get<std::string>().find(c.value),
              std::string::npos)
        << c.script << " " << c.value;
  }
}

// --- through a pipe -------------------------------------------------------------

std::string Frame(const json& message) {
  std::string body = message.dump();
  return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

TEST(LspPipe, TheLinkedProgramServesAndEndsCleanly) {
  TTempDir dir;
  dir.Write("a.rc", "1 DIALOG 0, 0, 10, 10 { PUSHBUTTON \"OK\", NOPE, 1, 1, 5, 5 }\n");
  std::string uri = PathToUri(dir.File("a.rc"));
  std::string input =
      Frame({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", json::object()}}) +
      "Content-Type: application/vscode-jsonrpc; charset=utf-8\r\n\r\n" +  // no length: refused, then on
      Frame({{"jsonrpc", "2.0"},
             {"method", "textDocument/didOpen"},
             {"params", {{"textDocument", {{"uri", uri}, {"languageId", "rc"}, {"version", 1}, {"text", dir.Read("a.rc")}}}}}}) +
      Frame({{"jsonrpc", "2.0"}, {"id", 2}, {"method", "shutdown"}}) + Frame({{"jsonrpc", "2.0"}, {"method", "exit"}});
  dir.Write("in", input);
  std::string program = std::string(TARVEX_BINARY);
  program = program.substr(0, program.rfind('/') + 1) + "tarvex-lsp";
  int status = std::system(("'" + program + "' < '" + dir.File("in") + "' > '" + dir.File("out") + "'").c_str());
  EXPECT_EQ(WEXITSTATUS(status), 0);
  std::string output = dir.Read("out");
  std::vector<std::string> bodies;
  std::regex header("Content-Length: (\\d+)\r\n\r\n");
  for (std::size_t at = 0; at < output.size();) {
    std::smatch match;
    std::string rest = output.substr(at);
    ASSERT_TRUE(std::regex_search(rest, match, header, std::regex_constants::match_continuous)) << rest;
    std::size_t length = std::stoul(match[1]);
    bodies.push_back(rest.substr(static_cast<std::size_t>(match.length(0)), length));
    at += static_cast<std::size_t>(match.length(0)) + length;
  }
  ASSERT_EQ(bodies.size(), 4u) << output;
  EXPECT_EQ(json::parse(bodies[1])["error"]["code"], -32700);
  EXPECT_EQ(json::parse(bodies[2])["params"]["diagnostics"][0]["code"], "RC100");
  EXPECT_TRUE(json::parse(bodies[3])["result"].is_null());
}

}  // namespace
}  // namespace tarvex
