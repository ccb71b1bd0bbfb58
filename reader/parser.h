// The parser object that owns one compilation, and the stack of open source files.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "output/res_writer.h"
#include "preprocessor/macros.h"
#include "reader/file_search.h"
#include "reader/flags.h"
#include "reader/name_value.h"

namespace tarvex {

struct TRCParser;

/// The expansion of a macro with parameters that is being read: until the read position
/// passes `end`, the macro is not expanded again, so a macro never calls itself.
struct TActiveExpansion {
  std::string name;
  std::size_t end = 0;
};

/// A file as the file system knows it, whatever name reaches it: x.h and X.h are two
/// files, a link and its target one.
struct TFileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const TFileIdentity&) const = default;
};

struct TFileIdentityHash {
  std::size_t operator()(const TFileIdentity& id) const {
    return std::hash<std::uint64_t>()(id.inode * 0x9E3779B97F4A7C15ull ^ id.device);
  }
};

/// One open source file: its whole text in memory and its own read position.
/// Positions are 0-based byte indexes into `text`.
struct TFileItem {
  std::string text;       ///< whole file content; a file of 0 bytes is held as one blank
  std::string name;       ///< the name exactly as it was opened
  std::string extension;  ///< the extension with its dot, upper-cased (".RC", ".H")
  bool fromUtf16 = false;  ///< the file was UTF-16 and its text is held as UTF-8
  bool readsCNames = false;          ///< names end at dots, as in C (a macro argument read on its own)
  std::size_t readPosition = 0;      ///< next byte to scan; text.size() when exhausted
  std::size_t substitutionMark = 0;  ///< first index after the last substituted text
  std::size_t tokenStart = 0;        ///< read position when the last scan began
  std::int32_t line = 1;             ///< current line number
  std::int32_t tokenStartLine = 1;   ///< line when the last scan began
  TFileIdentity identity;            ///< the key of the open-file set
  bool builtIn = false;              ///< text served built in, read from no file
  TRCParser* owner = nullptr;
  std::vector<TActiveExpansion> activeExpansions;  ///< innermost last: the earliest end

  bool Exhausted() const { return readPosition >= text.size(); }
};

/// One string of a string table, as a STRINGTABLE statement left it; its text is the
/// `length` UTF-16 units at `offset` of its table's unit pool.
struct TStringEntry {
  std::uint16_t id = 0;
  std::uint16_t memoryFlags = 0;
  std::uint32_t version = 0;
  std::uint32_t characteristics = 0;
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
};

/// The strings of one language: entries in the order they were read, the pool of their
/// UTF-16 units, and one bit per identifier for the duplicate test. The entries are
/// sorted by identifier when the blocks are written.
struct TStringTable {
  std::vector<TStringEntry> entries;
  std::u16string units;
  std::vector<std::uint64_t> present = std::vector<std::uint64_t>(65536 / 64);
};

/// What the command line adds to a compilation.
struct TCompileOptions {
  std::vector<std::string> includeDirectories;  ///< searched in order after the naming file's folder
  /// NAME or NAME=value (value 1 when none), defined after the predefined symbols
  std::vector<std::string> defines;
  std::vector<std::string> undefines;  ///< names removed after the defines
  std::string codePage;                ///< iconv name of the text's character set; empty: the locale's
};

/// What the last token read was.
enum class TTokenKind : unsigned char {
  Other,       ///< punctuation, a literal, or no token yet
  Word,        ///< a name, or a word that begins with "$"
  Number,      ///< a number whose value fits 16 bits
  LongNumber,  ///< a number that needs 32 bits (a value above 32767 or an L/U suffix)
  NotNumber    ///< begins like a number but is none ("12ab")
};

/// Called per registered resource and per STRINGTABLE statement: the parser, the
/// resource name, the resource count after incrementing, the type keyword.
using TResourceNotification =
    std::function<void(struct TRCParser&, const std::string& name, std::int32_t count, const std::string& typeKeyword)>;

/// The state of one compilation. A parser serves exactly one script; nothing survives
/// from one compilation to the next. Fields follow the order in which the compilation
/// uses them; the operations live in the subsystem that owns them.
struct TRCParser {
  TFileItem* currentFile = nullptr;  ///< top of the file stack; the lexer reads from it
  std::uint16_t nextCursorImageId = 0;
  TNameValueInsensitive unitConstants;  ///< constants from Pascal units
  TNameValueSensitive defines;          ///< predefined symbols and #define names
  std::int32_t errorNumber = 0;
  std::string errorFileName;
  std::int32_t errorLine = 0;
  bool longValue = false;  ///< the last value needs 32 bits rather than 16
  std::vector<std::unique_ptr<TFileItem>> fileStack;  ///< outermost first
  Tflags flagTable;
  std::uint16_t nextIconImageId = 0;
  std::int32_t defaultLanguage = 0, defaultSublanguage = 0, defaultCharacteristics = 0, defaultVersion = 0;
  std::int32_t language = 0, sublanguage = 0, characteristics = 0, version = 0;
  std::int64_t removedBits = 0;  ///< style bits named after "|NOT" in the last expression
  std::int32_t resourceCount = 0;
  TResourceNotification resourceNotification;  ///< installed by a host; none by the driver
  std::unordered_set<TFileIdentity, TFileIdentityHash> openFiles;  ///< the files on the stack
  TOutputBuffer output;
  std::string resourceName;
  TNameValueInsensitive resourceRegistry;
  std::vector<bool> conditionalStack;  ///< per open #if level: whether a branch was selected
  /// the strings of every language, by ascending language id
  std::map<std::uint16_t, TStringTable> stringTableEntries;
  std::string resourceTypeKeyword;
  std::string resourceTypeText;
  std::int32_t resourceTypeNumber = 0;
  TTokenKind TokenFlag = TTokenKind::Other;  ///< what the last token was
  TCompileOptions options;
  std::string codePage;  ///< character set of string text set by #pragma code_page; empty: options'
  std::vector<std::string> openedFiles;  ///< every file the compilation opened, in first-opened order
  std::unordered_set<std::string> openedFileSet;  ///< the same names, for lookups
  std::uint64_t substitutionWork = 0;  ///< work done by name substitution so far (bounded)
  std::uint64_t inputBytes = 0;        ///< bytes of all files opened so far (raise the bound)
  TMacroTable macros;                  ///< macros with parameters
  bool sdkSymbolsDefined = false;        ///< a built-in SDK header added its constants (done once)
  bool frameworkSymbolsDefined = false;  ///< afxres.h or atlres.h added the framework ids (done once)
  /// Texts of wide literals (L"...") holding non-ASCII characters, as the UTF-8 that
  /// GetToken hands on for them (see ScriptTextToUtf16)
  std::unordered_set<std::string, TStringHash, std::equal_to<>> wideTexts;
  /// Non-ASCII texts of ordinary literals, kept to catch one that equals a wide text
  std::unordered_set<std::string, TStringHash, std::equal_to<>> narrowTexts;

  TRCParser() = default;
  TRCParser(const TRCParser&) = delete;
  TRCParser& operator=(const TRCParser&) = delete;
  ~TRCParser();
};

/// Opens `fileName`, reads it whole and pushes it on the file stack as the current file.
/// The script itself is opened as named; an included file is searched for in `order`
/// (FindScriptFile). Raises 72 when it cannot be opened (or is not a regular file) and 58
/// when the same file (device and inode) is already open further down the stack.
TFileItem& OpenSourceFile(TRCParser& parser, const std::string& fileName,
                          TSearchOrder order = TSearchOrder::WorkingDirectoryFirst);

/// Pushes `text` on the file stack as the current file, named `name`: a file served built in,
/// which reads nothing from disk and is neither among the opened files nor in the open-file set.
TFileItem& OpenSourceText(TRCParser& parser, const std::string& name, std::string_view text);

/// Adds `path` to the files the compilation opened, once.
void RecordOpenedFile(TRCParser& parser, const std::string& path);

/// Pops the top file of the stack; the file below becomes current.
void CloseSourceFile(TRCParser& parser);

/// Reads a whole regular file, and its identity when `identity` is given. Returns false
/// with `error` set to the errno of the failure; a directory, pipe or device gives false
/// too, never a blocking read.
bool ReadWholeFile(const std::string& fileName, std::string& contents, int& error, TFileIdentity* identity = nullptr);

/// Whether the last token was a number (of either size).
inline bool IsNumberToken(const TRCParser& parser) {
  return parser.TokenFlag == TTokenKind::Number || parser.TokenFlag == TTokenKind::LongNumber;
}

}  // namespace tarvex
