// Resources built from external files: bitmaps, icons and cursors (from a file or an
// inline block of hexadecimal strings), the file-name syntax every file-based resource
// shares, and the verbatim copy of a whole file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvex {

struct TRCParser;

/// The memory flags (ParseMemoryFlags from `flags`) and optional statements of a
/// statement whose body may be a file name. Returns the token after them; a quoted one
/// is a file name as written, its backslashes directory separators, never escapes.
std::string ReadHeadBeforeFileName(TRCParser& parser, std::int32_t& flags);

/// The same, true with `token` left as it was when the head ends at a block's "{" read
/// straight from the script; otherwise `token` is the token after the head.
bool ReadHeadBeforeBlock(TRCParser& parser, std::int32_t& flags, std::string& token);

/// The file name a body names, starting at `firstToken` (read by ReadHeadBeforeFileName):
/// a quoted string (trimmed of blanks and control characters), "<" name ">" read raw,
/// or a bare name read whole up to the next blank. Raises 10, 11 and 68.
std::string ReadFileName(TRCParser& parser, const std::string& firstToken);

/// The body of a CURSOR, BITMAP or ICON statement (after the type keyword): writes one
/// bitmap entry, or one entry per image and a group entry for icons and cursors.
/// Raises 1, 9, 10, 11, 68, and "Read beyond end of file" for a truncated image file.
void CompileFileResource(TRCParser& parser);

/// One resource whose data is the whole file `fileName`, unchanged, of any size the 32-bit
/// DataSize holds. Raises 1; a larger file is refused.
void CopyFileResource(TRCParser& parser, const std::string& fileName, std::string_view typeText,
                      std::int32_t memoryFlags);

/// Appends one byte per pair of hexadecimal digits of `digits`. A pair that is not two
/// hexadecimal digits throws "'$<pair>' is not a valid integer value".
void AppendHexPairs(std::string& bytes, std::string_view digits);

}  // namespace tarvex
