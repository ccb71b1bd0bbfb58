// The .res container: an in-memory output image of little-endian entries, each a
// resource header, the resource data and zero padding to the next multiple of 4.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "data/byte_image.h"

namespace tarvex {

/// Empties the buffer and writes the 32-byte leading empty entry.
void WriteLeadingEntry(TOutputBuffer& out);

/// Appends one resource header (see the field table in res_writer.cpp) and leaves the
/// position where the data begins. `type` and `name` are UTF-16 identifier texts: an
/// ordinal when the text converts to an integer, else a NUL-terminated string; a name
/// that starts with a double quote loses its first and last unit and is always a string.
void WriteResourceHeader(TOutputBuffer& out, std::uint32_t dataSize, std::u16string_view type, std::u16string_view name,
                         std::uint32_t dataVersion, std::uint16_t memoryFlags, std::uint16_t languageId,
                         std::uint32_t version, std::uint32_t characteristics);

/// WriteResourceHeader for a type and a name that are both ordinals.
void WriteOrdinalsHeader(TOutputBuffer& out, std::uint32_t dataSize, std::uint16_t type, std::uint16_t name,
                         std::uint32_t dataVersion, std::uint16_t memoryFlags, std::uint16_t languageId,
                         std::uint32_t version, std::uint32_t characteristics);

/// Appends zero bytes (at most 3) until the position is a multiple of 4.
void PadToDword(TOutputBuffer& out);

/// n when n is negative or a multiple of 4, else the next larger multiple of 4.
std::int32_t RoundUpToDword(std::int32_t n);

/// Writes end - dataStart as the 16-bit data size of the header at headerStart, then
/// pads. Throws a TCompileError when the data exceeds 65,535 bytes; nothing is patched then.
void PatchDataSize(TOutputBuffer& out, std::size_t headerStart, std::size_t dataStart);

/// The ordinal an identifier text stands for, when it converts to a 32-bit integer
/// (decimal with optional sign, or hex after $, x, X, 0x, 0X); the low 16 bits.
bool IdentifierOrdinal(std::u16string_view text, std::uint16_t& ordinal);

/// Saves the image to `fileName` as SaveFileAtomically does: the old file stays as it
/// was on any failure, which throws "Cannot create file <name>: <reason>".
void SaveOutput(const TOutputBuffer& out, const std::string& fileName);

/// The same for any finished image (a COFF object, a dependency file's text).
void SaveOutput(std::span<const std::uint8_t> bytes, const std::string& fileName);

}  // namespace tarvex
