// The encodings a script file may be saved in.
#pragma once

#include <string>

namespace tarvex {

enum class TSourceEncoding { Bytes, Utf16LE, Utf16BE };

/// Appends the UTF-8 form of `c`; a lone surrogate gets its 3-byte form, so that text
/// holding one converts back unchanged.
void AppendUtf8(std::string& out, char32_t c);

/// Tells how a file's bytes are encoded: UTF-16LE when they start with the mark FF FE, or
/// carry no mark and every other byte of the first line is zero; UTF-16BE after FE FF;
/// otherwise bytes in the script's code page (UTF-8 or any other).
TSourceEncoding DetectSourceEncoding(const std::string& bytes);

/// Turns a file's bytes into the text the lexer reads: a UTF-8 byte-order mark is dropped
/// and UTF-16 text becomes UTF-8. Returns false with `errorOffset` set when UTF-16 text is
/// ill-formed (an odd length, or a surrogate without its partner).
bool DecodeSourceText(std::string& text, TSourceEncoding encoding, std::size_t& errorOffset);

}  // namespace tarvex
