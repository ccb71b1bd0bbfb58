// Resource objects: the finished .res image turned into a COFF object file, for builds
// whose linker takes objects (a MinGW-style link) or that prefer one object per target.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "output/res_writer.h"

namespace tarvex {

/// The machine an object is made for: its file header and its relocation type.
enum class TMachine { X86, X64, Arm64 };

/// Reads a machine name, "x86", "x64" or "arm64" in any letter case, into `machine`.
/// False for any other text, and `machine` stays as it was.
bool ParseMachine(std::string_view text, TMachine& machine);

/// A COFF object as the pieces it is written from: its own bytes, and the resource data,
/// which it takes from the .res image in place rather than copying it.
struct TCoffObject {
  TOutputBuffer head;                               ///< file header, section headers, the directory, relocations
  std::vector<std::span<const std::uint8_t>> data;  ///< .rsrc$02: data in the image, zero padding
  TOutputBuffer tail;                               ///< symbol table and string table

  /// Every piece in file order; valid while the object and the image live.
  std::vector<std::span<const std::uint8_t>> Pieces() const;
};

/// Converts a .res image (the 32-byte leading empty entry, then the entries) into a COFF
/// object holding the resource directory in section .rsrc$01 and the resource data in
/// .rsrc$02, with one relocation per data entry. Every offset of the image is checked:
/// a malformed image, two resources with the same type, name and language, or more
/// resources than a directory can hold raise a TCompileError.
TCoffObject ResToCoffObject(std::span<const std::uint8_t> resImage, TMachine machine);

/// The same object joined into one byte string.
std::vector<std::uint8_t> ResToCoff(std::span<const std::uint8_t> resImage, TMachine machine);

}  // namespace tarvex
