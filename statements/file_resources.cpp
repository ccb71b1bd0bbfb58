// Bitmaps, icons and cursors. The files they come from, all values little-endian:
//
//   bitmap file   14-byte file header, then the bitmap exactly as a BITMAP resource holds it
//   icon/cursor   u16 reserved (0), u16 type (1 icon, 2 cursor), u16 count n; n directory
//                 entries of 16 bytes: u8 width, u8 height, u8 colours, u8 reserved,
//                 u16 planes (cursor: hotspot x), u16 bit count (cursor: hotspot y),
//                 u32 bytes in image, u32 offset of the image in the file; then the images
//
// An icon file becomes one RT_ICON entry per image and an RT_GROUP_ICON entry whose
// directory repeats the file's with 14-byte entries (the 12 first bytes and the image's
// id; a planes or bit count of 0 is taken from the image's own header, which Windows
// needs to pick an image for the display); a cursor file becomes RT_CURSOR entries
// (hotspot, then the image) and an RT_GROUP_CURSOR entry whose sizes come from each
// image's bitmap information header, or from the IHDR chunk of an image stored as PNG.
// Images are named by two counters, one for icons and one for cursors, that run over
// the whole compilation.
//
// A file is read where its parts are: the header, the directory, then each image at the
// offset its entry gives, straight into the output. Nothing else of the file is read and
// no copy of it is held, so a file of any size costs the memory of what is written.
// Every offset is checked against the file's length; images may lie anywhere in the
// file. Files and images are taken up to the 32-bit data size a resource header holds.
#include "statements/file_resources.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

#include "data/resource_types.h"
#include "output/res_writer.h"
#include "preprocessor/preprocessor.h"
#include "reader/diagnostics.h"
#include "reader/file_search.h"
#include "reader/lexer.h"
#include "reader/parser.h"
#include "reader/source_index.h"
#include "statements/resource.h"
#include "statements/warning_checks.h"

namespace tarvex {

namespace {

constexpr std::size_t kBitmapFileHeaderSize = 14;
constexpr std::size_t kIconHeaderSize = 6;
constexpr std::size_t kDirectoryEntrySize = 16;
constexpr std::size_t kGroupEntrySize = 14;
constexpr std::size_t kMaxCursorImages = 256;
constexpr std::uint16_t kIconFileType = 1;
constexpr std::uint16_t kCursorFileType = 2;
// The largest data a resource header can announce, rounded down to whole dwords so that
// a size rounded up for padding still fits.
constexpr std::uint64_t kMaxDataSize = 0xFFFFFFFCu;
// A PNG image starts with this signature and then its IHDR chunk: length, "IHDR",
// width and height (big-endian u32), bit depth, colour type.
constexpr std::string_view kPngSignature("\x89PNG\r\n\x1A\n", 8);
constexpr std::size_t kPngChunkType = 12;
constexpr std::size_t kPngWidth = 16;
constexpr std::size_t kPngHeight = 20;
constexpr std::size_t kPngBitDepth = 24;
constexpr std::size_t kPngColourType = 25;

bool IsNameEnd(char c, bool angle) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || (angle && c == '>'); }

// True when the byte at the read position of the current file continues a file name.
bool NameContinues(const TRCParser& parser, bool angle) {
  const TFileItem* file = parser.currentFile;
  return file != nullptr && file->readPosition < file->text.size() && !IsNameEnd(file->text[file->readPosition], angle);
}

std::string RawWordWithoutReturn(TRCParser& parser) {
  std::string word = ReadRawWord(parser);
  while (!word.empty() && word.back() == '\r') word.pop_back();
  return word;
}

std::string TrimControls(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return std::string(text.substr(begin, end - begin));
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Little-endian reads from bytes whose length the caller has checked.
std::uint16_t U16(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}
std::uint32_t U32(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return U16(bytes, offset) | static_cast<std::uint32_t>(U16(bytes, offset + 2)) << 16;
}
void PutU16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value) {
  bytes[offset] = static_cast<std::uint8_t>(value & 0xFF);
  bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}
/// PNG stores its numbers most significant byte first.
std::uint32_t U32BigEndian(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(bytes[offset]) << 24 | static_cast<std::uint32_t>(bytes[offset + 1]) << 16 |
         static_cast<std::uint32_t>(bytes[offset + 2]) << 8 | bytes[offset + 3];
}

// Where the bytes of a bitmap, icon or cursor come from: a file, read part by part, or
// the bytes of an inline block. A failure is located at the statement and names the file.
class TImageSource {
 public:
  TImageSource(TRCParser& parser, std::string_view bytes) : parser_(parser), bytes_(bytes), size_(bytes.size()) {}
  TImageSource(TRCParser& parser, int fd, std::uint64_t size, std::string name)
      : parser_(parser), fd_(fd), size_(size), name_(std::move(name)) {}
  /// A file the host holds in memory, named as a file on disk is.
  TImageSource(TRCParser& parser, std::string_view bytes, std::string name)
      : parser_(parser), bytes_(bytes), size_(bytes.size()), name_(std::move(name)) {}

  std::uint64_t Size() const { return size_; }
  /// "file <name>", or "inline data".
  std::string Subject() const { return name_.empty() ? "inline data" : "file " + name_; }
  [[noreturn]] void Fail(std::string_view text) const { ReportLocatedFailure(parser_, text); }
  [[noreturn]] void FailBeyondEnd() const {
    Fail(name_.empty() ? std::string("Read beyond end of the inline data") : "Read beyond end of file " + name_);
  }
  void Require(std::uint64_t offset, std::uint64_t size) const {
    if (offset > size_ || size > size_ - offset) FailBeyondEnd();
  }
  /// A few bytes (a header, a directory), copied out.
  std::vector<std::uint8_t> Read(std::uint64_t offset, std::size_t size) const {
    Require(offset, size);
    if (fd_ < 0) {
      auto first = reinterpret_cast<const std::uint8_t*>(bytes_.data()) + offset;
      return std::vector<std::uint8_t>(first, first + size);
    }
    TOutputBuffer part;
    Append(part, offset, size);
    return part.Bytes();
  }
  /// `size` bytes from `offset` on, appended to the output: read straight into it.
  void Append(TOutputBuffer& out, std::uint64_t offset, std::uint64_t size) const {
    Require(offset, size);
    if (fd_ < 0) {
      out.WriteBytes(bytes_.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(size)));
      return;
    }
    int error = 0;
    if (!out.AppendFromFile(fd_, offset, static_cast<std::size_t>(size), error)) {
      if (error == 0) FailBeyondEnd();  // the file shrank meanwhile
      Fail("Cannot read file " + name_ + ": " + std::strerror(error));
    }
  }

 private:
  TRCParser& parser_;
  std::string_view bytes_;
  int fd_ = -1;
  std::uint64_t size_;
  std::string name_;
};

// A descriptor closed with the object.
class TOpenFile {
 public:
  explicit TOpenFile(int fd) : fd_(fd) {}
  ~TOpenFile() {
    if (fd_ >= 0) close(fd_);
  }
  TOpenFile(const TOpenFile&) = delete;
  TOpenFile& operator=(const TOpenFile&) = delete;

 private:
  int fd_;
};

// The resource file `fileName` names, found as the script's files are: opened, or held
// by the host. Raises 1 when it cannot be found or opened, or is no regular file.
struct TResourceFile {
  int fd = -1;                           ///< closed by the caller
  const std::string* supplied = nullptr;  ///< the host's bytes, when it holds the file
  std::uint64_t size = 0;
};

TResourceFile OpenResourceFile(TRCParser& parser, const std::string& fileName) {
  std::string path = FindScriptFile(parser, fileName);
  TResourceFile file;
  file.supplied = path.empty() ? nullptr : SuppliedFile(parser, path);
  if (file.supplied != nullptr) {
    file.size = file.supplied->size();
  } else {
    int error = 0;
    file.fd = path.empty() ? -1 : OpenRegularFile(path, error);
    struct stat info {};
    if (file.fd < 0 || fstat(file.fd, &info) != 0) {
      if (file.fd >= 0) close(file.fd);
      ReportError(parser, 1, {fileName});  // Cannot open %s file
    }
    file.size = static_cast<std::uint64_t>(info.st_size);
  }
  if (parser.options.index) IndexFile(parser, path, false);
  RecordOpenedFile(parser, path);
  return file;
}

void RequireDataSize(std::uint64_t size) {
  if (size > kMaxDataSize)
    RaiseFailure("Resource data of " + std::to_string(size) + " bytes does not fit in a resource file");
}

// The DataSize of an image or bitmap entry: its length rounded up to a multiple of 4.
std::uint32_t RoundedSize(std::uint64_t size) {
  RequireDataSize(size);
  return static_cast<std::uint32_t>((size + 3) / 4 * 4);
}

// The first image id of a file of n images; ids are 16-bit ordinals and must not wrap.
std::uint16_t TakeImageIds(std::uint16_t& counter, std::size_t count) {
  if (counter + count > 0xFFFF) RaiseFailure("Too many icon or cursor images in one script");
  std::uint16_t first = counter;
  counter = static_cast<std::uint16_t>(counter + count);
  return first;
}

std::string ImageName(std::uint16_t firstId, std::size_t index) { return std::to_string(firstId + index); }

// inline-block := "{" {"'hex digits'" [","]} "}"
std::string ReadInlineBlock(TRCParser& parser) {
  std::string digits;
  for (;;) {
    std::string token = SkipSeparators(parser, ",");
    if (token == "}") break;
    if (token.empty() || token[0] != '\'') ReportError(parser, 9);  // "}" or END expected
    digits.append(token, 1, token.size() >= 2 ? token.size() - 2 : 0);
  }
  std::string bytes;
  bytes.reserve(digits.size() / 2);
  AppendHexPairs(bytes, digits);
  return bytes;
}

void WriteBitmap(TRCParser& parser, const TImageSource& file, std::int32_t flags) {
  file.Require(0, kBitmapFileHeaderSize);
  std::uint64_t size = file.Size() - kBitmapFileHeaderSize;
  WriteStatementHeader(parser, RoundedSize(size), "2", parser.resourceName, flags);
  file.Append(parser.output, kBitmapFileHeaderSize, size);
  PadToDword(parser.output);
}

// The header and directory of an icon or cursor file.
struct TIconDirectory {
  std::vector<std::uint8_t> header;   ///< reserved, type, count: 6 bytes
  std::vector<std::uint8_t> entries;  ///< 16 bytes per image
  std::size_t count = 0;

  std::span<const std::uint8_t> Entry(std::size_t i) const {  ///< i from 1
    return std::span<const std::uint8_t>(entries).subspan(kDirectoryEntrySize * (i - 1), kDirectoryEntrySize);
  }
};

// The first word of a Windows 1.x/2.x icon or cursor: its format (device-independent,
// device-dependent, or both) where later files hold a reserved 0.
bool IsOldFormat(std::uint16_t first, std::uint16_t type) {
  return (first == 0x0001 || first == 0x0101 || first == 0x0201) && type != kIconFileType && type != kCursorFileType;
}

// Reads the header and the directory, and refuses a file that is not of the kind the
// statement names.
TIconDirectory ReadIconDirectory(const TImageSource& file, bool cursor) {
  TIconDirectory directory;
  directory.header = file.Read(0, kIconHeaderSize);
  std::uint16_t type = U16(directory.header, 2);
  if (IsOldFormat(U16(directory.header, 0), type))
    file.Fail("The " + file.Subject() + " is a Windows 1.x/2.x " + (cursor ? "cursor" : "icon") +
              ", a format Windows no longer loads");
  if (type != kIconFileType && type != kCursorFileType)
    file.Fail("The " + file.Subject() + " is not an icon or cursor file: its header type is " + std::to_string(type));
  if (cursor != (type == kCursorFileType))
    file.Fail("The " + file.Subject() +
              (cursor ? " is an icon file, not a cursor file" : " is a cursor file, not an icon file"));
  directory.count = U16(directory.header, 4);
  directory.entries = file.Read(kIconHeaderSize, kDirectoryEntrySize * directory.count);
  return directory;
}

bool IsPngImage(std::span<const std::uint8_t> image) {
  return image.size() >= kPngSignature.size() &&
         std::equal(kPngSignature.begin(), kPngSignature.end(), image.begin(),
                    [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

// Appends image i (from 1) of the directory at the offset its entry gives, and returns
// where in the output it begins.
std::size_t AppendImage(TRCParser& parser, const TImageSource& file, const TIconDirectory& directory, std::size_t i) {
  std::span<const std::uint8_t> entry = directory.Entry(i);
  std::size_t start = parser.output.Position();
  file.Append(parser.output, U32(entry, 12), U32(entry, 8));
  return start;
}

std::span<const std::uint8_t> OutputBytes(const TRCParser& parser, std::size_t start, std::size_t size) {
  return parser.output.Bytes().subspan(start, size);
}

void WriteIcon(TRCParser& parser, const TImageSource& file, std::int32_t flags) {
  TIconDirectory directory = ReadIconDirectory(file, false);
  std::uint16_t firstId = TakeImageIds(parser.nextIconImageId, directory.count);
  std::vector<std::uint8_t> group(directory.header);
  for (std::size_t i = 1; i <= directory.count; ++i) {
    std::span<const std::uint8_t> entry = directory.Entry(i);
    std::uint32_t size = U32(entry, 8);
    file.Require(U32(entry, 12), size);
    WriteStatementHeader(parser, RoundedSize(size), "3", ImageName(firstId, i), flags);
    std::size_t start = AppendImage(parser, file, directory, i);
    group.insert(group.end(), entry.begin(), entry.begin() + 12);
    if (U16(entry, 4) == 0 || U16(entry, 6) == 0) {
      // Planes and bit count from the image: 1 and 32 for PNG, else its bitmap header's.
      std::span<const std::uint8_t> image = OutputBytes(parser, start, size);
      bool png = IsPngImage(image);
      if (!png && image.size() < 16) file.FailBeyondEnd();
      std::size_t planesAt = group.size() - 8;
      if (U16(entry, 4) == 0) PutU16(group, planesAt, png ? 1 : U16(image, 12));
      if (U16(entry, 6) == 0) PutU16(group, planesAt + 2, png ? 32 : U16(image, 14));
    }
    group.resize(group.size() + 2);
    PutU16(group, group.size() - 2, static_cast<std::uint16_t>(firstId + i));
    PadToDword(parser.output);
  }
  WriteStatementHeader(parser, RoundedSize(group.size()), "14", parser.resourceName, flags);
  parser.output.WriteBytes(group.data(), group.size());
  PadToDword(parser.output);
  if (parser.warnings) CheckIconGroupWarnings(parser, group);
}

// One entry of a cursor group directory.
struct TCursorGroupEntry {
  std::uint16_t width, height, planes, bitCount;
  std::uint32_t bytes;
  std::uint16_t id;
};

std::uint16_t CursorDimension(std::uint64_t value) {
  if (value > 0xFFFF) RaiseFailure("Cursor image size " + std::to_string(value) + " does not fit in 16 bits");
  return static_cast<std::uint16_t>(value);
}

// Bits per pixel of a PNG image: bit depth times the samples of its colour type.
std::uint16_t PngBitCount(std::uint8_t bitDepth, std::uint8_t colourType, std::size_t i) {
  constexpr std::array<std::uint8_t, 7> kSamples{1, 0, 3, 1, 2, 0, 4};  // by colour type; 0: none such
  if (colourType >= kSamples.size() || kSamples[colourType] == 0)
    RaiseFailure("Cursor image " + std::to_string(i) + " is a PNG image of unknown colour type " +
                 std::to_string(colourType));
  return static_cast<std::uint16_t>(bitDepth * kSamples[colourType]);
}

// Width, height, planes and bit count of cursor image i (from 1). The height of a
// bitmap image counts its colour bitmap and its mask, twice the cursor's height; a PNG
// image's height is given the same way so that all entries compare alike.
void ReadCursorImageShape(const TImageSource& file, std::size_t i, std::span<const std::uint8_t> image,
                          TCursorGroupEntry& entry) {
  if (!IsPngImage(image)) {
    if (image.size() < 16) file.FailBeyondEnd();
    entry.width = CursorDimension(U32(image, 4));
    entry.height = CursorDimension(U32(image, 8));
    entry.planes = U16(image, 12);
    entry.bitCount = U16(image, 14);
    return;
  }
  if (image.size() < kPngColourType + 1 ||
      !std::equal(image.begin() + kPngChunkType, image.begin() + kPngChunkType + 4, "IHDR"))
    RaiseFailure("Cursor image " + std::to_string(i) + " is a PNG image without its IHDR header");
  entry.width = CursorDimension(U32BigEndian(image, kPngWidth));
  entry.height = CursorDimension(std::uint64_t{U32BigEndian(image, kPngHeight)} * 2);
  entry.planes = 1;
  entry.bitCount = PngBitCount(image[kPngBitDepth], image[kPngColourType], i);
}

void WriteCursor(TRCParser& parser, const TImageSource& file, std::int32_t flags) {
  TIconDirectory directory = ReadIconDirectory(file, true);
  if (directory.count > kMaxCursorImages)
    RaiseFailure("A cursor file holds at most 256 images, not " + std::to_string(directory.count));
  std::uint16_t firstId = TakeImageIds(parser.nextCursorImageId, directory.count);
  std::vector<TCursorGroupEntry> group;
  group.reserve(directory.count);
  for (std::size_t i = 1; i <= directory.count; ++i) {
    std::span<const std::uint8_t> entry = directory.Entry(i);
    std::uint32_t size = U32(entry, 8);
    auto id = static_cast<std::uint16_t>(firstId + i);
    file.Require(U32(entry, 12), size);
    WriteStatementHeader(parser, RoundedSize(std::uint64_t{size} + 4), "1", std::to_string(id), flags);
    parser.output.WriteBytes(entry.data() + 4, 4);  // the hotspot
    std::size_t start = AppendImage(parser, file, directory, i);
    TCursorGroupEntry shape{0, 0, 0, 0, size + 4, id};
    ReadCursorImageShape(file, i, OutputBytes(parser, start, size), shape);
    group.push_back(shape);
    PadToDword(parser.output);
  }
  WriteStatementHeader(parser, RoundedSize(kIconHeaderSize + kGroupEntrySize * directory.count), "12",
                       parser.resourceName, flags);
  parser.output.WriteBytes(directory.header.data(), directory.header.size());
  for (const TCursorGroupEntry& entry : group) {
    parser.output.WriteU16(entry.width);
    parser.output.WriteU16(entry.height);
    parser.output.WriteU16(entry.planes);
    parser.output.WriteU16(entry.bitCount);
    parser.output.WriteU32(entry.bytes);
    parser.output.WriteU16(entry.id);
  }
  PadToDword(parser.output);
}

// Memory that runs out while a file is read is reported at the statement, naming the file.
template <typename Action>
void ReadingFile(TRCParser& parser, const std::string& fileName, Action action) {
  try {
    action();
  } catch (const std::bad_alloc&) {
    ReportLocatedFailure(parser,
                         "Out of memory reading " + (fileName.empty() ? std::string("the inline data") : fileName));
  }
}

}  // namespace

bool ReadHeadBeforeBlock(TRCParser& parser, std::int32_t& flags, std::string& token) {
  struct TFileNameStrings {
    TRCParser& parser;
    explicit TFileNameStrings(TRCParser& p) : parser(p) { parser.fileNameStrings = true; }
    ~TFileNameStrings() { parser.fileNameStrings = false; }
  } fileNames(parser);
  std::string first;
  if (ParseMemoryFlagsToBlock(parser, flags, first)) {
    ResetStatementAttributes(parser);  // a brace starts no optional statement
    return true;
  }
  token = ParseOptionalStatements(parser, first);
  return false;
}

std::string ReadHeadBeforeFileName(TRCParser& parser, std::int32_t& flags) {
  std::string token;
  if (ReadHeadBeforeBlock(parser, flags, token)) token = "{";
  return token;
}

// file-name := "quoted name" | "<" raw-name ">" | bare-name
std::string ReadFileName(TRCParser& parser, const std::string& firstToken) {
  if (firstToken.empty()) ReportError(parser, 68);  // Unexpected end of file
  if (firstToken[0] == '"') {
    std::string_view quoted = firstToken;
    std::string name = TrimControls(quoted.size() >= 2 ? quoted.substr(1, quoted.size() - 2) : std::string_view{});
    if (name.empty()) ReportError(parser, 11);  // Empty filename
    return name;
  }
  if (firstToken == "<") {
    std::string name = ScanToken(parser);
    if (name.empty()) ReportError(parser, 68);  // Unexpected end of file
    if (name == ">") ReportError(parser, 11);   // Empty filename
    if (NameContinues(parser, true)) name += RawWordWithoutReturn(parser);
    if (ScanToken(parser) != ">") ReportError(parser, 10);  // ">" expected
    return name;
  }
  std::string name = firstToken;
  if (NameContinues(parser, false)) name += RawWordWithoutReturn(parser);
  return name;
}

// file-resource := {memory-flag} {optional-statement} (file-name | inline-block)
void CompileFileResource(TRCParser& parser) {
  std::int32_t flags = parser.resourceTypeNumber == kBitmapType ? kMoveablePureFlags : kDiscardableFlags;
  std::string token = ReadHeadBeforeFileName(parser, flags);
  RegisterResource(parser);
  std::string bytes;
  std::string fileName;
  TResourceFile found;
  if (token == "{") {
    bytes = ReadInlineBlock(parser);
  } else {
    fileName = ReadFileName(parser, token);
    found = OpenResourceFile(parser, fileName);
  }
  TOpenFile opened(found.fd);
  TImageSource file = found.supplied != nullptr ? TImageSource(parser, *found.supplied, fileName)
                      : found.fd < 0            ? TImageSource(parser, bytes)
                                                : TImageSource(parser, found.fd, found.size, fileName);
  ReadingFile(parser, fileName, [&] {
    if (parser.resourceTypeNumber == kBitmapType) {
      WriteBitmap(parser, file, flags);
    } else if (parser.resourceTypeNumber == kCursorType) {
      WriteCursor(parser, file, flags);
    } else {
      WriteIcon(parser, file, flags);
    }
  });
}

// The size is known once the file is opened, so the header announces it at once: the
// 32-bit DataSize holds any file, where a back-patched size would hold only 16 bits.
void CopyFileResource(TRCParser& parser, const std::string& fileName, std::string_view typeText,
                      std::int32_t memoryFlags) {
  TResourceFile found = OpenResourceFile(parser, fileName);
  TOpenFile opened(found.fd);
  std::uint64_t size = found.size;
  TImageSource file = found.supplied != nullptr ? TImageSource(parser, *found.supplied, fileName)
                                                : TImageSource(parser, found.fd, size, fileName);
  RequireDataSize(size);
  ReadingFile(parser, fileName, [&] {
    WriteStatementHeader(parser, static_cast<std::uint32_t>(size), typeText, parser.resourceName, memoryFlags);
    file.Append(parser.output, 0, size);
    PadToDword(parser.output);
  });
}

void AppendHexPairs(std::string& bytes, std::string_view digits) {
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    std::string_view pair = digits.substr(i, 2);
    int high = HexDigit(pair[0]);
    int low = pair.size() == 2 ? HexDigit(pair[1]) : -1;
    if (high < 0 || low < 0) RaiseFailure("'$" + std::string(pair) + "' is not a valid integer value");
    bytes.push_back(static_cast<char>(high << 4 | low));
  }
}

}  // namespace tarvex
