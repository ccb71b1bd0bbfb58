// The parser object that owns one compilation, and the stack of open source files.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "data/byte_image.h"
#include "reader/file_search.h"
#include "reader/key_set.h"
#include "reader/name_value.h"
#include "reader/source_place.h"
#include "reader/warnings.h"

namespace tarvex {

struct TRCParser;
struct TSourceIndex;
struct TWarningCollector;

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
  std::string text;                  ///< whole file content; a file of 0 bytes is held as one blank
  std::string name;                  ///< the name exactly as it was opened
  std::string extension;             ///< the extension with its dot, upper-cased (".RC", ".H")
  bool fromUtf16 = false;            ///< the file was UTF-16 and its text is held as UTF-8
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
  // Where diagnostics point. `text` changes as names are substituted into it; `original`
  // keeps it as read, and a position of `text` at or after the substitution mark lies
  // `insertedBytes` further on than in `original`.
  mutable std::shared_ptr<const std::string> original;
  mutable bool originalPending = false;  ///< `original` is still `text`, not yet copied
  std::size_t insertedBytes = 0;         ///< room inserted into `text` by substitutions so far
  TTokenMark scan;                       ///< the token being scanned or last scanned (its first byte)
  TTokenMark previousScan;               ///< the one before it, restored by PushBackToken
  /// The source name whose substituted value is being read, in `original` positions;
  /// tokens of substituted text are reported there
  TTokenMark substitutionSite;
  bool utf8Marked = false;        ///< the file began with a UTF-8 byte-order mark: its text is UTF-8
  /// A UTF-16 file's own #pragma code_page: the code page of the bytes its ordinary
  /// literals write as escapes; empty: the code page in force
  std::string escapedByteCharset;
  std::string presumedName;       ///< the file a line marker or #line names; empty: none
  std::string presumedExtension;  ///< that name's extension, upper-cased
  bool lineMarkerSeen = false;
  std::uint64_t serial = 0;  ///< which opening of a file this is (TRCParser::fileSerial), for warning marks

  bool Exhausted() const { return readPosition >= text.size(); }
  /// `original`, copied from `text` when first asked for: a file that no substitution
  /// changes and no diagnostic points into is never copied.
  const std::shared_ptr<const std::string>& Original() const {
    if (originalPending) original = std::make_shared<const std::string>(text);
    originalPending = false;
    return original;
  }
  /// Whether the file names its own encoding (UTF-16, or a UTF-8 byte-order mark).
  bool NamesItsEncoding() const { return fromUtf16 || utf8Marked; }
  /// The name diagnostics give for the file: the one its line markers name, else its own.
  const std::string& ReportedName() const { return presumedName.empty() ? name : presumedName; }
};

/// The offset and line in `file`'s text as read of the token that started at `mark` in its
/// current text: a token of substituted text lies at the name it stands for.
inline void MarkAsRead(const TFileItem& file, TTokenMark mark, std::size_t& offset, std::int32_t& line) {
  if (mark.at < file.substitutionMark) {
    offset = file.substitutionSite.at;
    line = file.substitutionSite.line;
  } else {
    offset = mark.at - std::min(file.insertedBytes, mark.at);
    line = mark.line;
  }
}

/// Whether the tokens of `file` other than its directives are ignored (a C header or C
/// source). The text of a header that a line marker names (preprocessed input) is read as
/// the header itself would be. Asked before every token the lanes read.
inline bool ReadsDirectivesOnly(const TFileItem& file) {
  const std::string& extension = file.presumedName.empty() ? file.extension : file.presumedExtension;
  return extension.size() == 2 && extension[0] == '.' && (extension[1] == 'H' || extension[1] == 'C');
}

/// The attributes a STRINGTABLE statement gives each of its strings.
struct TStringAttributes {
  std::uint16_t memoryFlags = 0;
  std::uint32_t version = 0;
  std::uint32_t characteristics = 0;
};

/// One string of a string table, as a STRINGTABLE statement left it. Its text is at
/// `offset` of its table's text pool: `length` bytes of ASCII, one per UTF-16 unit, or
/// for a `wide` text `length` UTF-16 units, little-endian.
struct TStringEntry {
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
  std::uint32_t attributes = 0;  ///< index into the table's attributes
  std::uint16_t id = 0;
  bool wide = false;
};

/// The strings of one language: entries in the order they were read, the pool of their
/// texts, the attributes of their statements, and one bit per identifier for the
/// duplicate test. The entries are sorted by identifier when the blocks are written.
struct TStringTable {
  std::vector<TStringEntry> entries;
  std::string texts;
  std::vector<TStringAttributes> attributes;
  std::vector<std::uint64_t> present = std::vector<std::uint64_t>(65536 / 64);
};

/// What the command line adds to a compilation.
struct TCompileOptions {
  std::vector<std::string> includeDirectories;  ///< searched in order after the naming file's folder
  /// NAME or NAME=value (value 1 when none), defined after the predefined symbols
  std::vector<std::string> defines;
  std::vector<std::string> undefines;  ///< names removed after the defines
  std::string codePage;                ///< iconv name of the text's character set; empty: the locale's
  std::uint16_t defaultLanguage = 0;   ///< language id of resources before any LANGUAGE statement
  bool nullTerminatedStrings = false;  ///< string-table strings carry a terminating zero
  /// GNU line markers ("# 12 \"dir/app.rc\" 2") and #line set the file and line diagnostics
  /// give and the folder relative resource files are looked for in
  bool lineMarkers = false;
  /// CompileToImage reads back the names the script's own files #define to a number (for
  /// the report page); off, a compilation does not pay for it
  bool defineNames = false;
  /// The lanes read the commonest tokens straight from the bytes (reader/lexer.h); off,
  /// every token goes through the layers, for tests and for a user who suspects the lanes
  bool lanes = true;
  std::function<void(const std::string&)> fileOpened;  ///< told the name of every file opened
  /// Where the places of definitions, named files, resources and their items are
  /// recorded (reader/source_index.h); null, the compilation records none
  TSourceIndex* index = nullptr;
  TWarningOptions warnings;  ///< the warnings reported, and whether they are errors
  /// Every warning is looked for (the report page shows them all), whatever `warnings` enables
  bool allWarnings = false;
};

/// What the last token read was.
enum class TTokenKind : unsigned char {
  Other,       ///< punctuation, a literal, or no token yet
  Word,        ///< a name, or a word that begins with "$"
  Number,      ///< a number whose value fits 16 bits
  LongNumber,  ///< a number that needs 32 bits (a value above 32767 or an L/U suffix)
  NotNumber    ///< begins like a number but is none ("12ab")
};

/// Supplies a file from the host's memory: true with `contents` set when the host holds
/// `path`, false when the file is to be looked for on disk.
using TFileSupplier = std::function<bool(const std::string& path, std::string& contents)>;

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
  bool longValue = false;                             ///< the last value needs 32 bits rather than 16
  std::vector<std::unique_ptr<TFileItem>> fileStack;  ///< outermost first
  std::uint16_t nextIconImageId = 0;
  std::int32_t defaultLanguage = 0, defaultSublanguage = 0, defaultCharacteristics = 0, defaultVersion = 0;
  std::int32_t language = 0, sublanguage = 0, characteristics = 0, version = 0;
  std::int64_t removedBits = 0;  ///< style bits named after "|NOT" in the last expression
  std::int32_t resourceCount = 0;
  TResourceNotification resourceNotification;  ///< installed by a host; none by the driver
  TFileSupplier fileSupplier;                  ///< installed by a host; none by the driver
  /// The supplier's answer per path asked, so it is asked once (nullopt: not supplied)
  mutable std::unordered_map<std::string, std::optional<std::string>> suppliedFiles;
  std::unordered_set<TFileIdentity, TFileIdentityHash> openFiles;  ///< the files on the stack
  TOutputBuffer output;
  std::string resourceName;
  std::string blockBytes;  ///< the bytes of the data block being read, its room kept for the next
  /// Name, type and language of every resource written so far, in capitals
  std::unordered_set<std::string, TStringHash, std::equal_to<>> resourceRegistry;
  /// The same for a name and a type written as plain numbers: type << 32 | name << 16 | language;
  /// names that follow one another share slots
  TKeySet resourceOrdinals{16};
  std::vector<bool> conditionalStack;  ///< per open #if level: whether a branch was selected
  /// the strings of every language, by ascending language id
  std::map<std::uint16_t, TStringTable> stringTableEntries;
  /// one table, the first of a large script, has its room reserved at once
  bool stringRoomReserved = false;
  std::string resourceTypeKeyword;
  std::string resourceTypeText;
  std::int32_t resourceTypeNumber = 0;
  TTokenKind TokenFlag = TTokenKind::Other;  ///< what the last token was
  TCompileOptions options;
  std::string codePage;                  ///< character set of string text set by #pragma code_page; empty: options'
  std::vector<std::string> openedFiles;  ///< every file the compilation opened, in first-opened order
  std::unordered_set<std::string> openedFileSet;  ///< the same names, for lookups
  std::uint64_t substitutionWork = 0;             ///< work done by name substitution so far (bounded)
  std::uint64_t inputBytes = 0;                   ///< bytes of all files opened so far (raise the bound)
  TMacroTable macros;                             ///< macros with parameters
  bool sdkSymbolsDefined = false;                 ///< a built-in SDK header added its constants (done once)
  bool frameworkSymbolsDefined = false;           ///< afxres.h or atlres.h added the framework ids (done once)
  /// Texts of wide literals (L"...") holding non-ASCII characters, as the UTF-8 that
  /// GetToken hands on for them (see ScriptTextToUtf16)
  std::unordered_set<std::string, TStringHash, std::equal_to<>> wideTexts;
  /// Non-ASCII texts of ordinary literals, kept to catch one that equals a wide text
  std::unordered_set<std::string, TStringHash, std::equal_to<>> narrowTexts;
  TDiagnosticDetail errorDetail;  ///< the failure in line:column form, filled with the error fields
  /// The "{" blocks and #if levels open at the moment, innermost last, for the note of a
  /// block that reaches the end of the input
  std::vector<TOpenBlock> openBlocks;
  /// File, text and character set of open blocks, shared by the blocks read in the same
  /// context. `text` stays null while `pendingFile` is open: its text as read is taken
  /// from it when needed, or when it closes (SettleBlockContexts).
  std::vector<TSourcePlace> blockContexts;
  std::vector<const TFileItem*> blockContextFiles;
  std::vector<TSourcePlace> openConditionals;
  const TFileItem* lastBlockFile = nullptr;  ///< where the last "{" or "}" was read, so that
  std::size_t lastBlockAt = 0;               ///< reading it again after a push-back counts once
  /// Names given a value by #define lines of the script's own files, in the order read
  /// (kept only under options.defineNames)
  std::vector<std::string> scriptDefineNames;
  bool wideString = false;       ///< the last string GetToken gave was wide (L"...")
  bool fileNameStrings = false;  ///< strings read now name files: their backslashes are no escapes
  /// The plain name that the last run of the lanes found after its last item: where it
  /// stands, while the file is still read from `readPosition`
  struct TWordAfterRun {
    const TFileItem* file = nullptr;
    std::size_t readPosition = 0, at = 0, end = 0;
    std::int32_t line = 0;
  } wordAfterRun;
  /// What the warning checks gather; null when no warning is looked for, so that the
  /// statements record nothing for them
  std::unique_ptr<TWarningCollector> warnings;
  std::uint64_t fileSerial = 0;  ///< files opened so far: the serial of the last (TFileItem::serial)

  TRCParser();
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

/// The text the host supplies under `path` (see fileSupplier), or null.
const std::string* SuppliedFile(const TRCParser& parser, const std::string& path);

/// Reads a file the script names: the host's copy when it supplies `path`, otherwise
/// the file on disk as ReadWholeFile reads it.
bool ReadScriptFile(const TRCParser& parser, const std::string& path, std::string& contents, int& error,
                    TFileIdentity* identity = nullptr);

/// Opens a regular file for reading and returns its descriptor, or -1 with `error` set
/// to the errno of the failure; a directory, pipe or device is refused (EISDIR, EINVAL)
/// without ever waiting on it.
int OpenRegularFile(const std::string& fileName, int& error);

/// Reads a whole regular file, and its identity when `identity` is given. Returns false
/// with `error` set to the errno of the failure; a directory, pipe or device gives false
/// too, never a blocking read.
bool ReadWholeFile(const std::string& fileName, std::string& contents, int& error, TFileIdentity* identity = nullptr);

/// Whether the last token was a number (of either size).
inline bool IsNumberToken(const TRCParser& parser) {
  return parser.TokenFlag == TTokenKind::Number || parser.TokenFlag == TTokenKind::LongNumber;
}

}  // namespace tarvex
