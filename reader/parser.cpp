#include "reader/parser.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "data/large_pages.h"
#include "reader/diagnostics.h"
#include "reader/warning_collector.h"
#include "reader/file_search.h"
#include "reader/source_encoding.h"
#include "reader/source_index.h"

namespace tarvex {

namespace {

// ".RC" for "dir/a.rc"; empty when the last path component has no dot.
std::string UpperExtension(const std::string& fileName) {
  std::size_t slash = fileName.rfind('/');
  std::size_t dot = fileName.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return UpperCase(std::string_view(fileName).substr(dot));
}

class TFileDescriptor {
 public:
  explicit TFileDescriptor(int fd) : fd_(fd) {}
  ~TFileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;
  int Get() const { return fd_; }

 private:
  int fd_;
};

// Makes `item`, whose text and name are set, the current file on top of the stack.
TFileItem& PushSourceFile(TRCParser& parser, std::unique_ptr<TFileItem> item) {
  if (item->text.empty()) item->text.assign(1, ' ');
  item->originalPending = true;
  parser.inputBytes += item->text.size();
  item->extension = UpperExtension(item->name);
  item->owner = &parser;
  item->serial = ++parser.fileSerial;
  parser.fileStack.push_back(std::move(item));
  parser.currentFile = parser.fileStack.back().get();
  return *parser.currentFile;
}

}  // namespace

int OpenRegularFile(const std::string& fileName, int& error) {
  // Only regular files are read. A pipe, device or directory is refused before it is
  // opened; O_NONBLOCK keeps an open from waiting should the name change in between.
  struct stat named;
  if (stat(fileName.c_str(), &named) != 0) {
    error = errno;
    return -1;
  }
  if (!S_ISREG(named.st_mode)) {
    error = S_ISDIR(named.st_mode) ? EISDIR : EINVAL;
    return -1;
  }
  int fd = open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return -1;
  }
  struct stat info;
  int failure = fstat(fd, &info) != 0 ? errno : !S_ISREG(info.st_mode) ? (S_ISDIR(info.st_mode) ? EISDIR : EINVAL) : 0;
  if (failure != 0) {
    close(fd);
    error = failure;
    return -1;
  }
  return fd;
}

bool ReadWholeFile(const std::string& fileName, std::string& contents, int& error, TFileIdentity* identity) {
  TFileDescriptor file(OpenRegularFile(fileName, error));
  if (file.Get() < 0) return false;
  struct stat info;
  if (fstat(file.Get(), &info) != 0) {
    error = errno;
    return false;
  }
  if (identity != nullptr)
    *identity = {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
  auto size = static_cast<std::size_t>(info.st_size);
  contents.clear();
  contents.reserve(size);
  AdviseLargePages(contents.data(), contents.capacity());
  // The file comes through a small buffer that stays in the cache and is appended
  // from there: sizing the text first would clear every byte only for the read to
  // overwrite it.
  const std::size_t chunkSize = std::min(size, std::size_t{64} << 10);
  std::unique_ptr<char[]> chunk(new char[chunkSize]);
  while (contents.size() < size) {
    ssize_t got = read(file.Get(), chunk.get(), std::min(chunkSize, size - contents.size()));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      error = errno;
      return false;
    }
    if (got == 0) break;  // the file shrank while being read
    contents.append(chunk.get(), static_cast<std::size_t>(got));
  }
  return true;
}

namespace {

// The one name of a file the host supplies, whatever way the script reaches it:
// "a.rc", "./a.rc" and "/w/a.rc" are one file, so that a script that includes itself
// under another of its names is caught.
std::string CanonicalSuppliedName(const std::string& path) {
  char folder[PATH_MAX];
  return NormalPath(path, getcwd(folder, sizeof folder) != nullptr ? folder : "/");
}

}  // namespace

const std::string* SuppliedFile(const TRCParser& parser, const std::string& path) {
  if (!parser.fileSupplier) {
    if (parser.suppliedFiles.empty()) return nullptr;
    auto held = parser.suppliedFiles.find(path);
    return held != parser.suppliedFiles.end() && held->second ? &*held->second : nullptr;
  }
  auto [entry, added] = parser.suppliedFiles.try_emplace(path);
  if (added) {
    std::string contents;
    if (parser.fileSupplier(path, contents)) entry->second = std::move(contents);
  }
  return entry->second ? &*entry->second : nullptr;
}

bool ReadScriptFile(const TRCParser& parser, const std::string& path, std::string& contents, int& error,
                    TFileIdentity* identity) {
  if (const std::string* supplied = SuppliedFile(parser, path)) {
    contents = *supplied;
    // A file the host holds has no device: its name stands for its identity.
    if (identity != nullptr) *identity = {~std::uint64_t{0}, std::hash<std::string>{}(CanonicalSuppliedName(path))};
    return true;
  }
  return ReadWholeFile(path, contents, error, identity);
}

void RecordOpenedFile(TRCParser& parser, const std::string& path) {
  if (!parser.openedFileSet.insert(path).second) return;
  parser.openedFiles.push_back(path);
  if (parser.options.fileOpened) parser.options.fileOpened(path);
}

TFileItem& OpenSourceFile(TRCParser& parser, const std::string& fileName, TSearchOrder order) {
  auto item = std::make_unique<TFileItem>();
  std::string path = parser.currentFile ? FindScriptFile(parser, fileName, order) : fileName;
  if (path.empty()) path = fileName;
  int error = 0;
  if (!ReadScriptFile(parser, path, item->text, error, &item->identity))
    ReportError(parser, 72, {fileName, std::strerror(error)});  // Cannot open file "%s" (%s)
  TSourceEncoding encoding = DetectSourceEncoding(item->text);
  item->utf8Marked = encoding == TSourceEncoding::Bytes && item->text.rfind("\xEF\xBB\xBF", 0) == 0;
  std::size_t badOffset = 0;
  if (!DecodeSourceText(item->text, encoding, badOffset))
    RaiseFailure("File " + path + " is not valid UTF-16 (offset " + std::to_string(badOffset) + ")");
  item->fromUtf16 = encoding != TSourceEncoding::Bytes;
  // Ctrl-Z ends the text of a script, header or unit, as DOS and Windows editors meant it:
  // nothing after it is read. (Resource data files are read elsewhere and keep every byte.)
  if (std::size_t end = item->text.find('\x1A'); end != std::string::npos) item->text.resize(end);
  if (!parser.openFiles.insert(item->identity).second)
    ReportError(parser, 58, {fileName});  // File %s is already open. Cyclical reference not allowed
  item->name = path;
  if (parser.options.index) IndexFile(parser, path, true);
  RecordOpenedFile(parser, path);
  return PushSourceFile(parser, std::move(item));
}

TFileItem& OpenSourceText(TRCParser& parser, const std::string& name, std::string_view text) {
  auto item = std::make_unique<TFileItem>();
  item->text = text;
  item->name = name;
  item->builtIn = true;
  return PushSourceFile(parser, std::move(item));
}

namespace {

// Gives the open blocks whose text is still the open `file`'s their own copy of it, before
// the file is closed.
void SettleBlockContexts(TRCParser& parser, const TFileItem& file) {
  for (std::size_t i = 0; i < parser.blockContexts.size(); ++i) {
    if (parser.blockContextFiles[i] != &file) continue;
    parser.blockContexts[i].text = file.Original();
    parser.blockContextFiles[i] = nullptr;
  }
}

}  // namespace

void CloseSourceFile(TRCParser& parser) {
  if (parser.fileStack.empty()) return;
  SettleWarningFile(parser, *parser.fileStack.back());  // first: it may move the text, not copy it
  SettleBlockContexts(parser, *parser.fileStack.back());
  if (!parser.fileStack.back()->builtIn) parser.openFiles.erase(parser.fileStack.back()->identity);
  parser.fileStack.pop_back();
  parser.currentFile = parser.fileStack.empty() ? nullptr : parser.fileStack.back().get();
}

TRCParser::TRCParser() = default;

TRCParser::~TRCParser() {
  while (!fileStack.empty()) fileStack.pop_back();
}

}  // namespace tarvex
