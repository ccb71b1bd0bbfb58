#include "output/dib_image.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tarvex {

namespace {

constexpr int kLargestIconSide = 1024;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kAlphaBitFields = 6;
constexpr std::size_t kCoreHeaderSize = 12;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr unsigned char kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t U32At(std::span<const std::uint8_t> data, std::size_t at) {
  return static_cast<std::uint32_t>(data[at]) | static_cast<std::uint32_t>(data[at + 1]) << 8 |
         static_cast<std::uint32_t>(data[at + 2]) << 16 | static_cast<std::uint32_t>(data[at + 3]) << 24;
}

std::uint16_t U16At(std::span<const std::uint8_t> data, std::size_t at) {
  return static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
}

std::uint32_t BigEndian32(std::span<const std::uint8_t> data, std::size_t at) {
  return static_cast<std::uint32_t>(data[at]) << 24 | static_cast<std::uint32_t>(data[at + 1]) << 16 |
         static_cast<std::uint32_t>(data[at + 2]) << 8 | data[at + 3];
}

bool IsPng(std::span<const std::uint8_t> data) {
  return data.size() >= 24 && std::memcmp(data.data(), kPngSignature, sizeof kPngSignature) == 0;
}

// The fields of a DIB header, core or info form.
struct TDibHeader {
  std::size_t headerSize = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;
  int bitCount = 0;
  std::uint32_t compression = 0;
  std::size_t colors = 0;                ///< entries in the colour table
  std::size_t colorSize = 4;             ///< bytes per entry: 3 in the core form
  std::size_t tableStart = 0;            ///< after the header and any bit-field masks
  std::array<std::uint32_t, 4> masks{};  ///< red, green, blue, alpha for bit fields
};

bool ReadDibHeader(std::span<const std::uint8_t> data, TDibHeader& header) {
  if (data.size() < 4) return false;
  header.headerSize = U32At(data, 0);
  if (header.headerSize == kCoreHeaderSize) {
    if (data.size() < kCoreHeaderSize) return false;
    header.width = U16At(data, 4);
    header.height = U16At(data, 6);
    header.bitCount = U16At(data, 10);
    header.colorSize = 3;
  } else {
    if (header.headerSize < kInfoHeaderSize || header.headerSize > data.size()) return false;
    header.width = static_cast<std::int32_t>(U32At(data, 4));
    header.height = static_cast<std::int32_t>(U32At(data, 8));
    header.bitCount = U16At(data, 14);
    header.compression = U32At(data, 16);
    header.colors = U32At(data, 32);
  }
  header.tableStart = header.headerSize;
  if (header.compression == kBitFields || header.compression == kAlphaBitFields) {
    std::size_t maskCount = header.compression == kAlphaBitFields ? 4 : 3;
    std::size_t masksAt = kInfoHeaderSize;  // inside the larger headers, after the 40-byte one
    if (data.size() < masksAt + 4 * maskCount) return false;
    for (std::size_t i = 0; i < maskCount; ++i) header.masks[i] = U32At(data, masksAt + 4 * i);
    if (header.headerSize == kInfoHeaderSize) header.tableStart += 4 * maskCount;
  }
  if (header.colors == 0 && header.bitCount <= 8) header.colors = std::size_t{1} << header.bitCount;
  if (header.colors > 4096) return false;
  return header.width > 0 && header.height != 0 && header.height > -65536 && header.width < 65536;
}

// A channel of a bit-field pixel scaled to 8 bits.
std::uint8_t Channel(std::uint32_t pixel, std::uint32_t mask) {
  if (mask == 0) return 0;
  int shift = 0;
  while (((mask >> shift) & 1) == 0) ++shift;
  std::uint32_t top = mask >> shift;
  return static_cast<std::uint8_t>(((pixel & mask) >> shift) * 255 / top);
}

std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

void AppendU32BigEndian(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

void AppendChunk(std::string& png, const char* type, const std::string& body) {
  static const std::array<std::uint32_t, 256> table = MakeCrcTable();
  AppendU32BigEndian(png, static_cast<std::uint32_t>(body.size()));
  std::size_t start = png.size();
  png += type;
  png += body;
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = start; i < png.size(); ++i)
    crc = table[(crc ^ static_cast<std::uint8_t>(png[i])) & 0xFF] ^ (crc >> 8);
  AppendU32BigEndian(png, crc ^ 0xFFFFFFFFu);
}

std::string DataUrl(const char* mediaType, std::string_view bytes) {
  return std::string("data:") + mediaType + ";base64," + Base64(bytes);
}

std::string_view AsText(std::span<const std::uint8_t> data) {
  return {reinterpret_cast<const char*>(data.data()), data.size()};
}

}  // namespace

bool DecodeIconImage(std::span<const std::uint8_t> data, TRgbaImage& image, std::string& error) {
  TDibHeader header;
  if (!ReadDibHeader(data, header) || header.height < 0) {
    error = "the image header cannot be read";
    return false;
  }
  std::int64_t height = header.height / 2;
  if (header.width > kLargestIconSide || height > kLargestIconSide || height == 0) {
    error = "an image of " + std::to_string(header.width) + " x " + std::to_string(height) + " pixels is not shown";
    return false;
  }
  int bits = header.bitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
    error = std::to_string(bits) + " bits per pixel cannot be shown";
    return false;
  }
  if (header.compression != 0 && header.compression != kBitFields) {
    error = "compressed images cannot be shown";
    return false;
  }
  auto width = static_cast<std::size_t>(header.width);
  auto rows = static_cast<std::size_t>(height);
  std::size_t stride = (width * static_cast<std::size_t>(bits) + 31) / 32 * 4;
  std::size_t palette = header.tableStart;
  std::size_t pixelsAt = palette + header.colors * header.colorSize;
  if (pixelsAt > data.size() || stride * rows > data.size() - pixelsAt) {
    error = "the image data is shorter than its header says";
    return false;
  }
  std::size_t maskAt = pixelsAt + stride * rows;
  std::size_t maskStride = (width + 31) / 32 * 4;
  bool haveMask = maskStride * rows <= data.size() - maskAt;
  bool useAlpha = false;
  if (bits == 32)
    for (std::size_t row = 0; row < rows && !useAlpha; ++row)
      for (std::size_t x = 0; x < width && !useAlpha; ++x) useAlpha = data[pixelsAt + row * stride + 4 * x + 3] != 0;
  std::array<std::uint32_t, 3> masks = {header.masks[0], header.masks[1], header.masks[2]};
  if (header.compression != kBitFields)
    masks = bits == 16 ? std::array<std::uint32_t, 3>{0x7C00, 0x3E0, 0x1F}
                       : std::array<std::uint32_t, 3>{0xFF0000, 0xFF00, 0xFF};
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(rows);
  image.pixels.assign(width * rows * 4, 0);
  for (std::size_t row = 0; row < rows; ++row) {
    std::size_t source = pixelsAt + (rows - 1 - row) * stride;
    std::uint8_t* out = image.pixels.data() + row * width * 4;
    for (std::size_t x = 0; x < width; ++x, out += 4) {
      std::uint8_t alpha = 255;
      if (bits <= 8) {
        std::size_t bit = x * static_cast<std::size_t>(bits);
        std::size_t index = (std::size_t{data[source + bit / 8]} >> (8 - static_cast<std::size_t>(bits) - bit % 8)) &
                            ((std::size_t{1} << bits) - 1);
        if (index < header.colors) {
          std::size_t entry = palette + index * header.colorSize;
          out[0] = data[entry + 2];
          out[1] = data[entry + 1];
          out[2] = data[entry];
        }
      } else if (bits == 24) {
        out[0] = data[source + 3 * x + 2];
        out[1] = data[source + 3 * x + 1];
        out[2] = data[source + 3 * x];
      } else {
        std::uint32_t pixel = bits == 16 ? U16At(data, source + 2 * x) : U32At(data, source + 4 * x);
        out[0] = Channel(pixel, masks[0]);
        out[1] = Channel(pixel, masks[1]);
        out[2] = Channel(pixel, masks[2]);
        if (useAlpha) alpha = data[source + 4 * x + 3];
      }
      if (!useAlpha && haveMask) {
        std::size_t maskByte = maskAt + (rows - 1 - row) * maskStride + x / 8;
        if ((data[maskByte] >> (7 - x % 8)) & 1) alpha = 0;
      }
      out[3] = alpha;
    }
  }
  return true;
}

bool ReadImageFacts(std::span<const std::uint8_t> data, bool iconMask, TImageFacts& facts) {
  if (IsPng(data)) {
    facts.png = true;
    facts.width = static_cast<int>(std::min<std::uint32_t>(BigEndian32(data, 16), 1u << 30));
    facts.height = static_cast<int>(std::min<std::uint32_t>(BigEndian32(data, 20), 1u << 30));
    facts.bitCount = 32;
    return true;
  }
  TDibHeader header;
  if (!ReadDibHeader(data, header)) return false;
  std::int64_t height = header.height < 0 ? -header.height : header.height;
  facts.width = static_cast<int>(header.width);
  facts.height = static_cast<int>(iconMask ? height / 2 : height);
  facts.bitCount = header.bitCount;
  return true;
}

std::string EncodePng(const TRgbaImage& image) {
  auto width = static_cast<std::size_t>(image.width);
  auto height = static_cast<std::size_t>(image.height);
  std::string raw;
  raw.reserve(height * (width * 4 + 1));
  for (std::size_t row = 0; row < height; ++row) {
    raw += '\0';  // filter: none
    raw.append(reinterpret_cast<const char*>(image.pixels.data() + row * width * 4), width * 4);
  }
  std::string stream = "\x78\x01";
  std::uint32_t a = 1, b = 0;
  for (char byte : raw) {
    auto c = static_cast<unsigned char>(byte);
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  std::size_t done = 0;
  do {
    std::size_t block = std::min<std::size_t>(raw.size() - done, 65535);
    stream += static_cast<char>(done + block == raw.size() ? 1 : 0);
    stream += static_cast<char>(block & 0xFF);
    stream += static_cast<char>(block >> 8);
    stream += static_cast<char>(~block & 0xFF);
    stream += static_cast<char>((~block >> 8) & 0xFF);
    stream.append(raw, done, block);
    done += block;
  } while (done < raw.size());
  AppendU32BigEndian(stream, b << 16 | a);
  std::string header;
  AppendU32BigEndian(header, static_cast<std::uint32_t>(width));
  AppendU32BigEndian(header, static_cast<std::uint32_t>(height));
  header += std::string("\x08\x06\x00\x00\x00", 5);  // 8 bits, RGBA, deflate, no filter choice, no interlace
  std::string png(reinterpret_cast<const char*>(kPngSignature), sizeof kPngSignature);
  AppendChunk(png, "IHDR", header);
  AppendChunk(png, "IDAT", stream);
  AppendChunk(png, "IEND", "");
  return png;
}

bool BitmapFile(std::span<const std::uint8_t> data, std::string& file) {
  TDibHeader header;
  if (!ReadDibHeader(data, header)) return false;
  std::size_t bitsAt = header.tableStart + header.colors * header.colorSize;
  if (bitsAt > data.size() || data.size() > 0xFFFFFFFFu - 14) return false;
  auto fileSize = static_cast<std::uint32_t>(14 + data.size());
  auto offset = static_cast<std::uint32_t>(14 + bitsAt);
  file.assign("BM");
  for (std::uint32_t value : {fileSize, 0u, offset})
    for (int shift = 0; shift < 32; shift += 8) file += static_cast<char>((value >> shift) & 0xFF);
  file += AsText(data);
  return true;
}

std::string Base64(std::string_view bytes) {
  static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    std::uint32_t group = static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[i])) << 16 |
                          static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[i + 1])) << 8 |
                          static_cast<std::uint8_t>(bytes[i + 2]);
    for (int shift = 18; shift >= 0; shift -= 6) out += digits[(group >> shift) & 63];
  }
  if (i < bytes.size()) {
    std::uint32_t group = static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[i])) << 16;
    if (i + 1 < bytes.size()) group |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[i + 1])) << 8;
    out += digits[(group >> 18) & 63];
    out += digits[(group >> 12) & 63];
    out += i + 1 < bytes.size() ? digits[(group >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string IconDataUrl(std::span<const std::uint8_t> data, std::string& error) {
  if (IsPng(data)) return DataUrl("image/png", AsText(data));
  TRgbaImage image;
  if (!DecodeIconImage(data, image, error)) return {};
  return DataUrl("image/png", EncodePng(image));
}

std::string BitmapDataUrl(std::span<const std::uint8_t> data, std::string& error) {
  std::string file;
  if (!BitmapFile(data, file)) {
    error = "the bitmap header cannot be read";
    return {};
  }
  return DataUrl("image/bmp", file);
}

}  // namespace tarvex
