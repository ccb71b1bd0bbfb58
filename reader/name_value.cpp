// Name/value tables. Both are hashed maps; what they answer is what a delimited-text
// table searched from its start would answer: the first record of a name loaded twice
// counts, an empty value means the name is absent, and the case-insensitive table
// compares names after folding a..z to upper case.
#include "reader/name_value.h"

#include <algorithm>
#include <cstring>

namespace tarvex {

std::string UpperCase(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return upper;
}

std::string TNameValueSensitive::Get(std::string_view name) const {
  const std::string* value = Find(name);
  return value ? *value : std::string();
}

// Bytes of the name's start and end and its length, mixed: cheap enough to ask for every
// name the script writes, and spread enough that few undefined names share a bit.
std::size_t TNameValueSensitive::FilterBit(std::string_view name) {
  std::uint64_t head = 0, tail = 0;
  std::size_t n = std::min<std::size_t>(name.size(), 8);
  std::memcpy(&head, name.data(), n);
  std::memcpy(&tail, name.data() + name.size() - n, n);
  std::uint64_t mixed = (head * 0x9E3779B97F4A7C15ull) ^ (tail + name.size()) * 0xC2B2AE3D27D4EB4Full;
  return static_cast<std::size_t>(mixed >> (64 - kFilterBits));
}

void TNameValueSensitive::Remember(std::string_view name) {
  std::size_t bit = FilterBit(name);
  filter_[bit / 64] |= std::uint64_t{1} << (bit % 64);
}

const std::string* TNameValueSensitive::Find(std::string_view name) const {
  if (std::size_t bit = FilterBit(name); (filter_[bit / 64] >> (bit % 64) & 1) == 0) return nullptr;
  auto it = table_.find(name);
  return it == table_.end() ? nullptr : &it->second;
}

void TNameValueSensitive::Set(std::string_view name, std::string_view value) {
  if (value.empty()) {
    Remove(name);
    return;
  }
  Define(name, value);
}

void TNameValueSensitive::Define(std::string_view name, std::string_view value) {
  auto [it, added] = table_.try_emplace(std::string(name));
  if (added) Remember(name);
  it->second.assign(value);
}

void TNameValueSensitive::Remove(std::string_view name) {
  auto it = table_.find(name);
  if (it != table_.end()) table_.erase(it);
}

// A record is NAME=value; a record without "=" or with an empty value defines nothing.
// An earlier record of the same name shadows this one.
void TNameValueSensitive::LoadRecord(std::string_view record) {
  std::size_t equals = record.find('=');
  if (equals == std::string_view::npos || equals + 1 == record.size()) return;
  std::string_view name = record.substr(0, equals);
  if (table_.find(name) != table_.end()) return;
  table_.emplace(std::string(name), std::string(record.substr(equals + 1)));
  Remember(name);
}

std::string TNameValueInsensitive::Get(std::string_view name) const {
  const std::string* value = Find(name);
  return value ? *value : std::string();
}

const std::string* TNameValueInsensitive::Find(std::string_view name) const {
  if (table_.empty()) return nullptr;  // the common case for unit constants: no copy
  auto it = table_.find(UpperCase(name));
  return it == table_.end() ? nullptr : &it->second;
}

void TNameValueInsensitive::Set(std::string_view name, std::string_view value) {
  std::string key = UpperCase(name);
  if (value.empty()) {
    table_.erase(key);
    return;
  }
  table_.insert_or_assign(std::move(key), std::string(value));
}

}  // namespace tarvex
