// Images of icon, cursor and bitmap resources made viewable in a browser: device-
// independent bitmaps decoded with their transparency mask into PNG files, bitmap
// resources given back their file header, both as data URLs.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

/// Pixels as red, green, blue and alpha bytes, top row first.
struct TRgbaImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
};

/// What the header of an image says.
struct TImageFacts {
  int width = 0;
  int height = 0;  ///< of the picture, without an icon's mask
  int bitCount = 0;
  bool png = false;  ///< the data is a PNG file (icons and cursors of Windows Vista on)
};

/// Decodes the image of an ICON or CURSOR resource (a DIB whose height counts the AND
/// mask too, followed by that mask; 1, 4, 8, 16, 24 or 32 bits per pixel). False with
/// `error` set for a header or size it cannot read; images above 1024 pixels a side are
/// refused. A missing mask makes the image opaque; a 32-bit image with any alpha keeps it.
bool DecodeIconImage(std::span<const std::uint8_t> data, TRgbaImage& image, std::string& error);

/// The facts of an icon or cursor image (PNG or DIB, mask excluded) or of a bitmap
/// resource (`iconMask` false). False when the header cannot be read.
bool ReadImageFacts(std::span<const std::uint8_t> data, bool iconMask, TImageFacts& facts);

/// A PNG file of the image: 8-bit RGBA, the compressed stream in stored blocks.
std::string EncodePng(const TRgbaImage& image);

/// The .bmp file of a bitmap resource: its data behind a 14-byte file header that
/// points past the header and colour table. False when the header cannot be read.
bool BitmapFile(std::span<const std::uint8_t> data, std::string& file);

/// Standard base64 with padding.
std::string Base64(std::string_view bytes);

/// "data:image/png;base64,..." for an icon or cursor image (PNG as it is, a DIB decoded),
/// or "data:image/bmp;base64,..." for a bitmap; empty with `error` set when the image
/// cannot be read.
std::string IconDataUrl(std::span<const std::uint8_t> data, std::string& error);
std::string BitmapDataUrl(std::span<const std::uint8_t> data, std::string& error);

}  // namespace tarvex
