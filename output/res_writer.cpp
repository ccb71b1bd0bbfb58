// The .res container. Every entry is a resource header, the data, and zero bytes up
// to the next multiple of 4. A header, all values little-endian:
//
//   DataSize         u32   data bytes after the header (0 first when back-patched)
//   HeaderSize       u32   from DataSize to Characteristics, name padding included
//   Type             u16 0xFFFF + u16 id, or UTF-16 units + u16 0
//   Name             as Type, directly after it
//   (padding)        0..3 zero bytes to the next multiple of 4
//   DataVersion      u32   always 0
//   MemoryFlags      u16   0x0010 moveable, 0x0020 pure, 0x0040 preload, 0x1000 discardable
//   LanguageId       u16   sublanguage * 1024 + primary language
//   Version          u32
//   Characteristics  u32
//
// The file opens with an empty entry (type 0, name 0, no data) that marks it as a
// 32-bit resource file rather than a 16-bit one.
#include "output/res_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <optional>
#include <stdexcept>

#include "reader/diagnostics.h"

namespace tarvex {

namespace {

constexpr std::uint16_t kOrdinalMarker = 0xFFFF;
constexpr std::size_t kMaxPatchedDataSize = 0xFFFF;

}  // namespace

void TOutputBuffer::Seek(std::size_t position) {
  if (position > bytes_.size()) throw std::out_of_range("output position beyond the written bytes");
  position_ = position;
}

// Grows by at least half of what is there, so that appending stays linear.
void TOutputBuffer::Grow(std::size_t size) {
  if (size > bytes_.capacity()) bytes_.reserve(std::max(size, bytes_.capacity() + bytes_.capacity() / 2));
  bytes_.resize(size);
}

void TOutputBuffer::WriteUtf16(const char16_t* units, std::size_t count) {
  std::uint8_t* out = Room(2 * count);
  for (std::size_t i = 0; i < count; ++i) {
    out[2 * i] = static_cast<std::uint8_t>(units[i] & 0xFF);
    out[2 * i + 1] = static_cast<std::uint8_t>(units[i] >> 8);
  }
}

void TOutputBuffer::WriteBytes(std::string_view bytes) {
  WriteBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// Bytes are copied as they stand (no byte order applies); what lies before the end
// overwrites, the rest appends.
void TOutputBuffer::WriteBytes(const std::uint8_t* data, std::size_t size) {
  std::size_t overwrite = std::min(size, bytes_.size() - position_);
  std::copy(data, data + overwrite, bytes_.begin() + static_cast<std::ptrdiff_t>(position_));
  bytes_.insert(bytes_.end(), data + overwrite, data + size);
  position_ += size;
}

void WriteLeadingEntry(TOutputBuffer& out) {
  out.Clear();
  // An ordinal type 0 and name 0 with no data is exactly the 32-byte empty entry.
  WriteResourceHeader(out, 0, u"0", u"0", 0, 0, 0, 0, 0);
}

namespace {

int HexDigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// digits := hexdigit {hexdigit}, the whole rest of the text, at most 32 bits of value
bool ParseHexDigits(std::u16string_view digits, std::uint32_t& value) {
  if (digits.empty()) return false;
  std::uint64_t total = 0;
  for (char16_t c : digits) {
    int digit = HexDigitValue(c);
    if (digit < 0) return false;
    total = total * 16 + static_cast<std::uint64_t>(digit);
    if (total > std::numeric_limits<std::uint32_t>::max()) return false;
  }
  value = static_cast<std::uint32_t>(total);
  return true;
}

// number := ["+" | "-"] digit {digit}, magnitude at most 2147483647
bool ParseDecimal(std::u16string_view text, std::uint32_t& value) {
  bool negative = false;
  if (!text.empty() && (text[0] == u'+' || text[0] == u'-')) {
    negative = text[0] == u'-';
    text.remove_prefix(1);
  }
  if (text.empty()) return false;
  std::uint64_t magnitude = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
    magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - u'0');
    if (magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) return false;
  }
  // Two's complement of the magnitude for a negative number: -1 gives 0xFFFFFFFF.
  value = static_cast<std::uint32_t>(magnitude);
  if (negative) value = ~value + 1;
  return true;
}

// The digits after a hexadecimal prefix ($, x, X, 0x, 0X); nothing without a prefix.
std::optional<std::u16string_view> HexDigitsAfterPrefix(std::u16string_view text) {
  if (text.size() >= 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) return text.substr(2);
  if (!text.empty() && (text[0] == u'$' || text[0] == u'x' || text[0] == u'X')) return text.substr(1);
  return std::nullopt;
}

void WriteIdentifierString(TOutputBuffer& out, std::u16string_view text) {
  out.WriteUtf16(text.data(), text.size());
  out.WriteU16(0);
}

// identifier := ordinal text (0xFFFF, low 16 bits) | any other text (UTF-16, NUL)
void WriteIdentifier(TOutputBuffer& out, std::u16string_view text) {
  std::uint16_t ordinal = 0;
  if (IdentifierOrdinal(text, ordinal)) {
    out.WriteU16(kOrdinalMarker);
    out.WriteU16(ordinal);
  } else {
    WriteIdentifierString(out, text);
  }
}

// A name in double quotes is a string even when it holds only digits.
void WriteName(TOutputBuffer& out, std::u16string_view name) {
  if (name.empty() || name.front() != u'"') {
    WriteIdentifier(out, name);
  } else {
    WriteIdentifierString(out, name.size() >= 2 ? name.substr(1, name.size() - 2) : std::u16string_view{});
  }
}

}  // namespace

bool IdentifierOrdinal(std::u16string_view text, std::uint16_t& ordinal) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  std::uint32_t value = 0;
  std::optional<std::u16string_view> hexDigits = HexDigitsAfterPrefix(text);
  bool converted = hexDigits ? ParseHexDigits(*hexDigits, value) : ParseDecimal(text, value);
  if (converted) ordinal = static_cast<std::uint16_t>(value & 0xFFFF);
  return converted;
}

void WriteResourceHeader(TOutputBuffer& out, std::uint32_t dataSize, std::u16string_view type, std::u16string_view name,
                         std::uint32_t dataVersion, std::uint16_t memoryFlags, std::uint16_t languageId,
                         std::uint32_t version, std::uint32_t characteristics) {
  out.WriteU32(dataSize);
  std::size_t headerSizeAt = out.Position();
  out.WriteU32(0);  // HeaderSize, filled in below
  WriteIdentifier(out, type);
  WriteName(out, name);
  PadToDword(out);
  out.WriteU32(dataVersion);
  out.WriteU16(memoryFlags);
  out.WriteU16(languageId);
  out.WriteU32(version);
  out.WriteU32(characteristics);
  std::size_t end = out.Position();
  out.Seek(headerSizeAt);
  out.WriteU32(static_cast<std::uint32_t>(end - headerSizeAt + 4));
  out.Seek(end);
}

void PadToDword(TOutputBuffer& out) {
  while (out.Position() % 4 != 0) out.WriteU8(0);
}

std::int32_t RoundUpToDword(std::int32_t n) {
  if (n < 0 || n % 4 == 0) return n;
  if (n > std::numeric_limits<std::int32_t>::max() - 3)
    RaiseFailure("Resource data size " + std::to_string(n) + " is too large");
  return n + (4 - n % 4);
}

void PatchDataSize(TOutputBuffer& out, std::size_t headerStart, std::size_t dataStart) {
  std::size_t end = out.Position();
  if (dataStart > end || headerStart > dataStart) throw std::logic_error("PatchDataSize: positions out of order");
  std::size_t size = end - dataStart;
  if (size > kMaxPatchedDataSize)
    RaiseFailure("Resource data of " + std::to_string(size) + " bytes exceeds the limit of 65535 bytes");
  out.Seek(headerStart);
  out.WriteU16(static_cast<std::uint16_t>(size));
  out.Seek(end);
  PadToDword(out);
}

namespace {

// A temporary file beside the output, removed again unless it was renamed into place.
class TTemporaryOutput {
 public:
  explicit TTemporaryOutput(const std::string& directory) {
    std::string pattern = directory + "tarvex-XXXXXX";
    path_.assign(pattern.begin(), pattern.end());
    path_.push_back('\0');
    fd_ = mkstemp(path_.data());
    created_ = fd_ >= 0;
  }
  ~TTemporaryOutput() {
    Close();
    if (created_ && !renamed_) unlink(path_.data());
  }
  TTemporaryOutput(const TTemporaryOutput&) = delete;
  TTemporaryOutput& operator=(const TTemporaryOutput&) = delete;

  bool Created() const { return created_; }
  int Descriptor() const { return fd_; }
  /// Closes the descriptor; false when writes still pending failed on close.
  bool Close() {
    if (fd_ < 0) return true;
    int result = close(fd_);
    fd_ = -1;
    return result == 0;
  }
  bool RenameTo(const std::string& fileName) {
    renamed_ = rename(path_.data(), fileName.c_str()) == 0;
    return renamed_;
  }

 private:
  std::vector<char> path_;
  int fd_ = -1;
  bool created_ = false;
  bool renamed_ = false;
};

// "dir/" for "dir/name", "" for a bare name (the working directory).
std::string DirectoryPrefix(const std::string& fileName) {
  std::size_t slash = fileName.rfind('/');
  return slash == std::string::npos ? std::string() : fileName.substr(0, slash + 1);
}

bool WriteAll(int fd, const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    done += static_cast<std::size_t>(written);
  }
  return true;
}

// An existing output keeps its permission bits; a new one gets those a plain
// creation would give it (0666 less the umask), not mkstemp's 0600.
mode_t OutputMode(const std::string& fileName) {
  struct stat existing;
  if (stat(fileName.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) return existing.st_mode & 07777;
  mode_t mask = umask(0);
  umask(mask);
  return static_cast<mode_t>(0666 & ~mask);
}

}  // namespace

void SaveOutput(const TOutputBuffer& out, const std::string& fileName) { SaveOutput(out.Bytes(), fileName); }

void SaveOutput(const std::vector<std::uint8_t>& bytes, const std::string& fileName) {
  TTemporaryOutput temporary(DirectoryPrefix(fileName));
  bool saved = temporary.Created() && WriteAll(temporary.Descriptor(), bytes) &&
               fchmod(temporary.Descriptor(), OutputMode(fileName)) == 0 && temporary.Close() &&
               temporary.RenameTo(fileName);
  if (!saved) RaiseFailure("Cannot create file " + fileName);
}

}  // namespace tarvex
