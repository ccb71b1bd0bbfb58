// Raw data resources: RCDATA, FONT, MESSAGETABLE, DLGINCLUDE, PLUGPLAY, VXD, ANICURSOR,
// ANIICON, HTML and user-defined types, from a block of items or from a file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvex {

struct TRCParser;

/// The body of a raw data statement (after the type keyword): a file name
/// whose file is copied unchanged, or a block of numbers, double-quoted strings and
/// single-quoted hexadecimal strings. Raises 9, and 1, 10, 11, 68 for files.
void CompileDataResource(TRCParser& parser);

/// The bytes of a block of items after its "{", up to and including "}": numbers (16 or
/// 32 bits), strings (their bytes; a wide one its UTF-16LE code units) and single-quoted
/// hexadecimal strings. Raises 9.
std::string ReadDataBlock(TRCParser& parser);

/// The same, appended to `data`.
void AppendDataBlock(TRCParser& parser, std::string& data);

/// Writes one entry of the statement's name and attributes holding exactly `data`.
void WriteDataResource(TRCParser& parser, std::string_view data, std::string_view typeText, std::int32_t memoryFlags);

}  // namespace tarvex
