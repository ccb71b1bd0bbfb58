// Bitmaps, icons and cursors. The files they come from, all values little-endian:
//
//   bitmap file   14-byte file header, then the bitmap exactly as a BITMAP resource holds it
//   icon/cursor   u16 reserved, u16 type, u16 count n; n directory entries of 16 bytes:
//                 u8 width, u8 height, u8 colours, u8 reserved, u16 planes (cursor: hotspot x),
//                 u16 bit count (cursor: hotspot y), u32 bytes in image, u32 image offset;
//                 then the images, back to back in directory order
//
// An icon file becomes one RT_ICON entry per image and an RT_GROUP_ICON entry whose
// directory repeats the file's with 14-byte entries (the 12 first bytes and the image's
// id); a cursor file becomes RT_CURSOR entries (hotspot, then the image) and an
// RT_GROUP_CURSOR entry whose sizes come from each image's bitmap information header,
// or from the IHDR chunk of an image stored as PNG.
// Images are named by two counters, one for icons and one for cursors, that run over
// the whole compilation. Where each image lies is computed from the sizes rather than
// read from the directory; positions are 64-bit, so images may lie anywhere in the file
// (large icons put their 256-pixel PNG image far beyond the first 64 KB), and every
// offset is checked against the file's length. Files and images are taken up to the
// 32-bit data size a resource header holds.
#include "statements/file_resources.h"

#include <array>
#include <vector>

#include "output/res_writer.h"
#include "preprocessor/preprocessor.h"
#include "reader/diagnostics.h"
#include "reader/file_search.h"
#include "reader/lexer.h"
#include "reader/parser.h"
#include "statements/resource.h"

namespace tarvex {

namespace {

constexpr std::int32_t kCursorType = 1;
constexpr std::int32_t kBitmapType = 2;
constexpr std::size_t kBitmapFileHeaderSize = 14;
constexpr std::size_t kIconHeaderSize = 6;
constexpr std::size_t kDirectoryEntrySize = 16;
constexpr std::size_t kGroupEntrySize = 14;
constexpr std::size_t kMaxCursorImages = 256;
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

[[noreturn]] void RaiseReadBeyondEnd() { RaiseFailure("Read beyond end of file"); }

// The bytes of an icon, cursor or bitmap file with bounds-checked little-endian reads.
class TImageFile {
 public:
  explicit TImageFile(std::string_view bytes) : bytes_(bytes) {}
  std::size_t Size() const { return bytes_.size(); }
  std::uint16_t U16(std::uint64_t offset) const {
    Require(offset, 2);
    return static_cast<std::uint16_t>(Byte(offset) | Byte(offset + 1) << 8);
  }
  std::uint32_t U32(std::uint64_t offset) const {
    Require(offset, 4);
    return static_cast<std::uint32_t>(U16(offset)) | static_cast<std::uint32_t>(U16(offset + 2)) << 16;
  }
  /// PNG stores its numbers most significant byte first.
  std::uint32_t U32BigEndian(std::uint64_t offset) const {
    Require(offset, 4);
    return static_cast<std::uint32_t>(Byte(offset) << 24 | Byte(offset + 1) << 16 | Byte(offset + 2) << 8 |
                                      Byte(offset + 3));
  }
  std::uint8_t U8(std::uint64_t offset) const {
    Require(offset, 1);
    return static_cast<std::uint8_t>(Byte(offset));
  }
  std::string_view Bytes(std::uint64_t offset, std::uint64_t size) const {
    Require(offset, size);
    return bytes_.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(size));
  }
  void Require(std::uint64_t offset, std::uint64_t size) const {
    if (offset > bytes_.size() || size > bytes_.size() - offset) RaiseReadBeyondEnd();
  }

 private:
  unsigned Byte(std::uint64_t offset) const {
    return static_cast<unsigned char>(bytes_[static_cast<std::size_t>(offset)]);
  }
  std::string_view bytes_;
};

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

std::string ReadResourceFile(TRCParser& parser, const std::string& fileName) {
  std::string path = FindScriptFile(parser, fileName);
  std::string contents;
  int error = 0;
  if (path.empty() || !ReadScriptFile(parser, path, contents, error))
    ReportError(parser, 1, {fileName});  // Cannot open %s file
  RecordOpenedFile(parser, path);
  return contents;
}

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

void WriteBitmap(TRCParser& parser, const TImageFile& file, std::int32_t flags) {
  file.Require(0, kBitmapFileHeaderSize);
  std::uint64_t size = file.Size() - kBitmapFileHeaderSize;
  std::uint32_t rounded = RoundedSize(size);
  WriteStatementHeader(parser, rounded, "2", parser.resourceName, flags);
  parser.output.Reserve(rounded);
  parser.output.WriteBytes(file.Bytes(kBitmapFileHeaderSize, size));
  PadToDword(parser.output);
}

void WriteIcon(TRCParser& parser, const TImageFile& file, std::int32_t flags) {
  std::size_t count = file.U16(4);
  std::uint64_t position = kIconHeaderSize + kDirectoryEntrySize * count;
  file.Require(0, position);
  std::uint16_t firstId = TakeImageIds(parser.nextIconImageId, count);
  for (std::size_t i = 1; i <= count; ++i) {
    std::uint32_t size = file.U32(kDirectoryEntrySize * i - 2);
    std::string_view image = file.Bytes(position, size);
    std::uint32_t rounded = RoundedSize(size);
    WriteStatementHeader(parser, rounded, "3", ImageName(firstId, i), flags);
    parser.output.Reserve(rounded);
    parser.output.WriteBytes(image);
    PadToDword(parser.output);
    position += size;  // images lie back to back, whatever their size
  }
  WriteStatementHeader(parser, RoundedSize(kIconHeaderSize + kGroupEntrySize * count), "14", parser.resourceName,
                       flags);
  parser.output.WriteBytes(file.Bytes(0, kIconHeaderSize));
  for (std::size_t i = 1; i <= count; ++i) {
    parser.output.WriteBytes(file.Bytes(kIconHeaderSize + kDirectoryEntrySize * (i - 1), 12));
    parser.output.WriteU16(static_cast<std::uint16_t>(firstId + i));
  }
  PadToDword(parser.output);
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

bool IsPngImage(const TImageFile& file, std::uint64_t position, std::uint32_t size) {
  return size >= kPngSignature.size() && file.Bytes(position, kPngSignature.size()) == kPngSignature;
}

// Bits per pixel of a PNG image: bit depth times the samples of its colour type.
std::uint16_t PngBitCount(std::uint8_t bitDepth, std::uint8_t colourType, std::size_t i) {
  constexpr std::array<std::uint8_t, 7> kSamples{1, 0, 3, 1, 2, 0, 4};  // by colour type; 0: none such
  if (colourType >= kSamples.size() || kSamples[colourType] == 0)
    RaiseFailure("Cursor image " + std::to_string(i) + " is a PNG image of unknown colour type " +
                 std::to_string(colourType));
  return static_cast<std::uint16_t>(bitDepth * kSamples[colourType]);
}

// Width, height, planes and bit count of cursor image i (from 1) at `position`. The
// height of a bitmap image counts its colour bitmap and its mask, twice the cursor's
// height; a PNG image's height is given the same way so that all entries compare alike.
void ReadCursorImageShape(const TImageFile& file, std::size_t i, std::uint64_t position, std::uint32_t size,
                          TCursorGroupEntry& entry) {
  if (!IsPngImage(file, position, size)) {
    entry.width = CursorDimension(file.U32(position + 4));
    entry.height = CursorDimension(file.U32(position + 8));
    entry.planes = file.U16(position + 12);
    entry.bitCount = file.U16(position + 14);
    return;
  }
  if (size < kPngColourType + 1 || file.Bytes(position + kPngChunkType, 4) != "IHDR")
    RaiseFailure("Cursor image " + std::to_string(i) + " is a PNG image without its IHDR header");
  entry.width = CursorDimension(file.U32BigEndian(position + kPngWidth));
  entry.height = CursorDimension(std::uint64_t{file.U32BigEndian(position + kPngHeight)} * 2);
  entry.planes = 1;
  entry.bitCount = PngBitCount(file.U8(position + kPngBitDepth), file.U8(position + kPngColourType), i);
}

// Writes cursor image i (from 1) found at `position`, and returns its group entry.
TCursorGroupEntry WriteCursorImage(TRCParser& parser, const TImageFile& file, std::size_t i, std::uint64_t position,
                                   std::uint16_t id, std::int32_t flags) {
  std::string_view hotspot = file.Bytes(kDirectoryEntrySize * i - 6, 4);
  std::uint32_t size = file.U32(kDirectoryEntrySize * i - 2);
  std::string_view image = file.Bytes(position, size);
  std::uint32_t rounded = RoundedSize(std::uint64_t{size} + 4);
  TCursorGroupEntry entry{0, 0, 0, 0, size + 4, id};
  ReadCursorImageShape(file, i, position, size, entry);
  WriteStatementHeader(parser, rounded, "1", std::to_string(id), flags);
  parser.output.Reserve(rounded);
  parser.output.WriteBytes(hotspot);
  parser.output.WriteBytes(image);
  PadToDword(parser.output);
  return entry;
}

void WriteCursor(TRCParser& parser, const TImageFile& file, std::int32_t flags) {
  std::size_t count = file.U16(4);
  if (count > kMaxCursorImages) RaiseFailure("A cursor file holds at most 256 images, not " + std::to_string(count));
  std::uint64_t position = kIconHeaderSize + kDirectoryEntrySize * count;
  file.Require(0, position);
  std::uint16_t firstId = TakeImageIds(parser.nextCursorImageId, count);
  std::vector<TCursorGroupEntry> group;
  group.reserve(count);
  for (std::size_t i = 1; i <= count; ++i) {
    group.push_back(WriteCursorImage(parser, file, i, position, static_cast<std::uint16_t>(firstId + i), flags));
    position += file.U32(kDirectoryEntrySize * i - 2);
  }
  WriteStatementHeader(parser, RoundedSize(kIconHeaderSize + kGroupEntrySize * count), "12", parser.resourceName,
                       flags);
  parser.output.WriteBytes(file.Bytes(0, kIconHeaderSize));
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

}  // namespace

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
  std::string token = ParseOptionalStatements(parser, ParseMemoryFlags(parser, flags));
  RegisterResource(parser);
  std::string bytes =
      token == "{" ? ReadInlineBlock(parser) : ReadResourceFile(parser, ReadFileName(parser, token));
  TImageFile file(bytes);
  if (parser.resourceTypeNumber == kBitmapType) {
    WriteBitmap(parser, file, flags);
  } else if (parser.resourceTypeNumber == kCursorType) {
    WriteCursor(parser, file, flags);
  } else {
    WriteIcon(parser, file, flags);
  }
}

// The size is known once the file is read, so the header announces it at once: the
// 32-bit DataSize holds any file, where a back-patched size would hold only 16 bits.
void CopyFileResource(TRCParser& parser, const std::string& fileName, std::string_view typeText,
                      std::int32_t memoryFlags) {
  std::string contents = ReadResourceFile(parser, fileName);
  RequireDataSize(contents.size());
  WriteStatementHeader(parser, static_cast<std::uint32_t>(contents.size()), typeText, parser.resourceName, memoryFlags);
  parser.output.Reserve(contents.size() + 3);
  parser.output.WriteBytes(contents);
  PadToDword(parser.output);
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
