// Resource objects: the finished .res image turned into a COFF object file, for builds
// whose linker takes objects (a MinGW-style link) or that prefer one object per target.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tarvex {

/// The machine an object is made for: its file header and its relocation type.
enum class TMachine { X86, X64, Arm64 };

/// Reads a machine name, "x86", "x64" or "arm64" in any letter case, into `machine`.
/// False for any other text, and `machine` stays as it was.
bool ParseMachine(std::string_view text, TMachine& machine);

/// Converts a .res image (the 32-byte leading empty entry, then the entries) into a COFF
/// object holding the resource directory in section .rsrc$01 and the resource data in
/// .rsrc$02, with one relocation per data entry. Every offset of the image is checked:
/// a malformed image, two resources with the same type, name and language, or more
/// resources than a directory can hold raise a TCompileError.
std::vector<std::uint8_t> ResToCoff(const std::vector<std::uint8_t>& resImage, TMachine machine);

}  // namespace tarvex
