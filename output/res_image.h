// Reading compiled resources back: the entries of a .res image, or the resource section
// of a Windows program or DLL, as a list of resources whose data are views into the
// bytes read. Used by the resource listing and the HTML report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvex {

/// A resource type or name: an ordinal or a UTF-16 text.
struct TResourceId {
  bool isOrdinal = true;
  std::uint16_t ordinal = 0;
  std::u16string text;

  bool operator==(const TResourceId&) const = default;
  /// Ordinals before texts, ordinals by value, texts by their units.
  bool operator<(const TResourceId& other) const;
};

/// One resource: its header fields and a view of its data inside the bytes it was read from.
struct TResourceEntry {
  TResourceId type;
  TResourceId name;
  std::uint16_t language = 0;
  std::uint16_t memoryFlags = 0;  ///< a program does not keep them: 0 there
  std::uint32_t version = 0;
  std::uint32_t characteristics = 0;
  std::span<const std::uint8_t> data;
};

/// What a file holds, judged by its first bytes.
enum class TImageKind {
  Res,      ///< starts with the 32-byte leading empty entry of a .res file
  Program,  ///< "MZ" and a "PE\0\0" header where the MZ header points
  Coff,     ///< a COFF object of x86, x64, ARM or ARM64 with a .rsrc$01 or .rsrc section
  Other     ///< anything else (a script)
};

TImageKind ImageKindOf(std::span<const std::uint8_t> bytes);

/// Every resource of a .res image or of a program's resource section, in file order (a
/// program's in the order of its resource directory). Every offset, size and string is
/// checked and the directory walk visits each directory once, three levels deep; a
/// malformed file throws a TCompileError "File <name>. Offset <n> : <what is wrong>".
std::vector<TResourceEntry> ReadResources(std::span<const std::uint8_t> bytes, const std::string& fileName);

/// The name Windows gives resource type `ordinal` (the RT_ constant without its prefix:
/// "ICON", "STRING", "GROUP_ICON"); empty for a type it does not name.
const char* WindowsTypeName(std::uint16_t ordinal);

/// One line per resource: type, name, language and memory flags in hexadecimal, data
/// size, as in "ICON 1 0x0409 0x1030 1128". Types Windows names print by name, other
/// ordinals as "#N"; a text that could be mistaken for something else, or holds blanks,
/// quotes or control characters, prints in double quotes with escapes.
std::string ListResources(const std::vector<TResourceEntry>& resources);

/// A resource identifier for people: the ordinal in decimal, or the text as UTF-8 with
/// unpaired surrogates as U+FFFD.
std::string IdText(const TResourceId& id);

/// UTF-16 code units as UTF-8 for display: pairs joined, unpaired surrogates as U+FFFD.
std::string DisplayUtf8(std::u16string_view units);

/// Little-endian reads from resource data that never pass its end: a read that would
/// throws a TDataError naming the offset.
class TDataError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TByteCursor {
 public:
  explicit TByteCursor(std::span<const std::uint8_t> data, std::size_t position = 0) : data_(data) { Seek(position); }

  std::size_t Position() const { return position_; }
  std::size_t Size() const { return data_.size(); }
  std::size_t Remaining() const { return data_.size() - position_; }
  bool AtEnd() const { return position_ >= data_.size(); }
  void Seek(std::size_t position);
  void Skip(std::size_t count) { Need(count); }
  std::uint8_t U8() { return data_[Need(1)]; }
  std::uint16_t U16();
  std::uint32_t U32();
  std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
  /// Units up to a zero unit, which is read and not kept.
  std::u16string Text();
  /// Text into `text`, whose room is kept.
  void ReadText(std::u16string& text);
  /// 0xFFFF and an ordinal, or a zero-terminated text (a lone zero gives the empty text).
  TResourceId NameOrOrdinal();
  /// NameOrOrdinal into `id`, whose text keeps its room for the next.
  void ReadNameOrOrdinal(TResourceId& id);
  std::span<const std::uint8_t> Bytes(std::size_t count);
  /// Moves to the next multiple of 4 from the start of the data, or to its end.
  void AlignTo4();
  [[noreturn]] void Fail(const std::string& what) const;

 private:
  /// The position, after checking that `count` bytes follow it; advances past them.
  std::size_t Need(std::size_t count);

  std::span<const std::uint8_t> data_;
  std::size_t position_ = 0;
};

}  // namespace tarvex
