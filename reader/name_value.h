// Name/value tables: the defines table (case-sensitive) and the case-insensitive
// tables that hold unit constants, the set of open files and the resource registry.
// Both store names and values as text; an absent name reads as the empty value.
#pragma once

#include <cstdint>
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
class TNameValueSensitive {
 public:
  /// The value of `name`, or the empty text when the name is not defined.
  std::string Get(std::string_view name) const;
  /// The stored value of `name`, or null when absent. A name stored with an empty
  /// value (see `Define`) is found with an empty text.
  const std::string* Find(std::string_view name) const;
  /// Replaces the value of `name`; an empty value removes the name.
  void Set(std::string_view name, std::string_view value);
  /// Stores `name` with `value` even when the value is empty ("defined as nothing").
  void Define(std::string_view name, std::string_view value);
  /// Removes `name`; removing an absent name does nothing.
  void Remove(std::string_view name);
  /// Replaces the whole content by the records of `records` (NAME=value each), in order;
  /// when a name occurs twice the first record wins.
  template <typename Range>
  void LoadPredefined(const Range& records) {
    table_.clear();
    filter_.assign(filter_.size(), 0);
    for (std::string_view record : records) LoadRecord(record);
  }
  std::size_t Size() const { return table_.size(); }

 private:
  // One bit per slot of names ever stored (never cleared by a removal): a name whose bit
  // is clear was never defined, and is answered without a lookup.
  static constexpr int kFilterBits = 16;
  static std::size_t FilterBit(std::string_view name);
  void Remember(std::string_view name);
  void LoadRecord(std::string_view record);
  std::unordered_map<std::string, std::string, TStringHash, std::equal_to<>> table_;
  std::vector<std::uint64_t> filter_ = std::vector<std::uint64_t>((std::size_t{1} << kFilterBits) / 64);
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

}  // namespace tarvex
