// Name/value tables: the defines table (case-sensitive) and the case-insensitive
// tables that hold unit constants, the set of open files and the resource registry.
// Both store names and values as text; an absent name reads as the empty value.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarvex {

/// Transparent string hash so lookups by string_view never allocate.
struct TStringHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};

/// The defines table: predefined symbols and every #define name, compared with letter case.
/// Each name is one record in a few large blocks that never move: the value's view, the
/// name's length, then the name's bytes and the value's. The index, in open addressing,
/// holds in each slot half of the name's hash beside where its record lies, so that a probe
/// passing other names reads no record, and a name found costs the slot and one record.
class TNameValueSensitive {
 public:
  TNameValueSensitive() = default;
  TNameValueSensitive(const TNameValueSensitive&) = delete;
  TNameValueSensitive& operator=(const TNameValueSensitive&) = delete;

  /// The value of `name`, or the empty text when the name is not defined.
  std::string Get(std::string_view name) const;
  /// The stored value of `name`, or null when absent. A name stored with an empty
  /// value (see `Define`) is found with an empty text. The pointer is good until the
  /// table next changes.
  const std::string_view* Find(std::string_view name) const;
  /// Replaces the value of `name`; an empty value removes the name.
  void Set(std::string_view name, std::string_view value);
  /// Stores `name` with `value` even when the value is empty ("defined as nothing").
  void Define(std::string_view name, std::string_view value);
  /// Room for `names` names in all, made at once rather than step by step.
  void Reserve(std::size_t names);
  /// Removes `name`; removing an absent name does nothing.
  void Remove(std::string_view name);
  /// Replaces the whole content by the records of `records` (NAME=value each), in order;
  /// when a name occurs twice the first record wins.
  template <typename Range>
  void LoadPredefined(const Range& records) {
    Clear();
    for (std::string_view record : records) LoadRecord(record);
  }
  std::size_t Size() const { return live_; }

 private:
  /// A name's record; the name's bytes follow it, then the bytes it was first given.
  struct TRecord {
    std::string_view value;
    std::uint32_t nameSize = 0;
  };
  static std::uint64_t Hash(std::string_view name);
  // One bit per slot of names ever stored (never cleared by a removal): a name whose bit
  // is clear was never defined, and is answered without hashing it whole.
  static constexpr int kFilterBits = 16;
  static std::size_t FilterBit(std::string_view name);
  bool MayHold(std::string_view name) const;
  void Clear();
  const TRecord& RecordOf(std::uint64_t slot) const;
  /// The index slot that holds `name` whose hash's high half is `hash`, or npos; the
  /// index is not empty.
  std::size_t Lookup(std::string_view name, std::uint32_t hash) const;
  void Place(std::uint64_t slot);
  /// Rebuilds the index for the names stored now, dropping the removed ones, with room
  /// for `names` names.
  void Grow(std::size_t names);
  /// Room for `size` bytes in the blocks, on an 8-byte boundary, where they stay until
  /// the table is cleared; `where` tells the block and the offset, as slots do.
  char* Room(std::size_t size, std::uint32_t& where);

  /// Frees an index: mapped whole when large, else from calloc.
  struct TIndexRelease {
    std::size_t mappedBytes;  ///< 0: from calloc
    void operator()(std::uint64_t* index) const;
  };
  std::unique_ptr<std::uint64_t[], TIndexRelease> index_;  ///< 0: empty, kRemovedSlot, else hash << 32 | where
  std::size_t slots_ = 0;                                  ///< a power of two, or none
  int shift_ = 32;                     ///< a hash's high half shifted right by it names its home slot
  std::vector<std::uint64_t> filter_;  ///< made with the first name
  std::size_t live_ = 0;               ///< names stored
  std::size_t used_ = 0;               ///< index slots that are not empty
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* free_ = nullptr;  ///< the unused end of the last block of records
  std::size_t room_ = 0;
  std::size_t held_ = 0;  ///< bytes of all blocks
  std::uint32_t freeWhere_ = 0;
  void LoadRecord(std::string_view record);
};

/// A name/value table whose names are compared ignoring the letter case of a..z.
class TNameValueInsensitive {
 public:
  /// The value of `name` in any letter case, or the empty text when absent.
  std::string Get(std::string_view name) const;
  /// The stored value, or null when absent.
  const std::string* Find(std::string_view name) const;
  /// Replaces the value of `name`; an empty value removes the name.
  void Set(std::string_view name, std::string_view value);
  void Clear() { table_.clear(); }
  std::size_t Size() const { return table_.size(); }

 private:
  std::unordered_map<std::string, std::string, TStringHash, std::equal_to<>> table_;
};

/// Upper-cases the ASCII letters a..z; other bytes stay as they are.
std::string UpperCase(std::string_view text);
/// The same, in place.
void UpperCaseInPlace(std::string& text);

/// Macros with parameters: "#define NAME(a, b) body", called as NAME(x, y).

/// One piece of a macro body: text kept as written, a parameter replaced by its argument,
/// or a parameter after "#" replaced by its argument as a string literal.
struct TMacroPart {
  enum class TKind : std::uint8_t { Text, Parameter, Stringized };
  TKind kind = TKind::Text;
  std::string text;               ///< the text of a Text part
  std::size_t parameter = 0;      ///< the parameter of the other kinds
  bool spaceBefore = false;       ///< blanks stood before the part in the body
  bool pastedToPrevious = false;  ///< "##" stood before the part
};

/// A macro with parameters. A variadic macro's last parameter is __VA_ARGS__ and takes
/// every argument from its position on, commas included.
struct TMacro {
  std::vector<std::string> parameters;
  bool variadic = false;
  std::vector<TMacroPart> body;
};

/// The macros with parameters of one compilation, by name (case-sensitive). Each of them
/// also stands in the defines table, with no value, so that #ifdef and "defined" see it.
class TMacroTable {
 public:
  /// Asked for most names the script writes: an empty table, the common case, answers at once.
  const TMacro* Find(std::string_view name) const { return table_.empty() ? nullptr : FindHeld(name); }
  void Define(std::string_view name, TMacro macro);
  void Remove(std::string_view name) {
    if (!table_.empty()) RemoveHeld(name);
  }
  bool Empty() const { return table_.empty(); }

  int argumentDepth = 0;  ///< arguments being substituted inside arguments, now

 private:
  const TMacro* FindHeld(std::string_view name) const;
  void RemoveHeld(std::string_view name);
  std::unordered_map<std::string, TMacro, TStringHash, std::equal_to<>> table_;
};

}  // namespace tarvex
