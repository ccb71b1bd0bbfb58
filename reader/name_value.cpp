// Name/value tables. Both are hashed maps; what they answer is what a delimited-text
// table searched from its start would answer: the first record of a name loaded twice
// counts, an empty value means the name is absent, and the case-insensitive table
// compares names after folding a..z to upper case.
#include "reader/name_value.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "reader/char_class.h"

namespace tarvex {

std::string UpperCase(std::string_view text) {
  std::string upper(text);
  UpperCaseInPlace(upper);
  return upper;
}

void UpperCaseInPlace(std::string& text) {
  for (char& c : text) c = UpperAscii(c);
}

namespace {

// The name of a removed entry points here; an index slot of a removed name still
// continues the probe of the names stored after it.
const char kRemoved[1] = {0};
const char kNoBytes[1] = {0};
constexpr std::uint32_t kEmptySlot = 0;
constexpr std::uint32_t kRemovedSlot = 0xFFFFFFFF;
constexpr std::size_t kNone = std::string_view::npos;

// `bytes` copied to `at`, seen there.
std::string_view CopyTo(char* at, std::string_view bytes) {
  if (bytes.empty()) return {kNoBytes, 0};
  std::memmove(at, bytes.data(), bytes.size());
  return {at, bytes.size()};
}

constexpr std::size_t kBlockSize = std::size_t{1} << 14;
constexpr std::size_t kOwnBlockAbove = kBlockSize / 4;

std::uint64_t Mix(std::uint64_t h, std::uint64_t word) {
  h = (h ^ word) * 0x9E3779B97F4A7C15ull;
  return h ^ (h >> 29);
}

std::uint64_t Load(const char* bytes, std::size_t count) {
  std::uint64_t word = 0;
  std::memcpy(&word, bytes, count);
  return word;
}

// Eight bytes at a time, the last eight overlapping the ones before.
bool SameBytes(std::string_view a, std::string_view b) {
  std::size_t n = a.size();
  if (n != b.size()) return false;
  if (n < 8) return n == 0 || std::memcmp(a.data(), b.data(), n) == 0;
  for (std::size_t i = 0; i + 8 < n; i += 8)
    if (Load(a.data() + i, 8) != Load(b.data() + i, 8)) return false;
  return Load(a.data() + n - 8, 8) == Load(b.data() + n - 8, 8);
}

}  // namespace

std::string TNameValueSensitive::Get(std::string_view name) const {
  const std::string_view* value = Find(name);
  return value ? std::string(*value) : std::string();
}

// Bytes of the name's start and end and its length, mixed: cheap enough to ask for every
// name the script writes, and spread enough that few undefined names share a bit.
inline std::size_t TNameValueSensitive::FilterBit(std::string_view name) {
  const char* p = name.data();
  std::size_t n = name.size();
  std::uint64_t head = 0, tail = 0;
  if (n >= 8) {
    head = Load(p, 8);
    tail = Load(p + n - 8, 8);
  } else if (n >= 4) {
    head = Load(p, 4);
    tail = Load(p + n - 4, 4);
  } else if (n > 0) {
    head = Load(p, 1) | Load(p + n / 2, 1) << 8 | Load(p + n - 1, 1) << 16;
  }
  std::uint64_t mixed = (head * 0x9E3779B97F4A7C15ull) ^ (tail + n) * 0xC2B2AE3D27D4EB4Full;
  return static_cast<std::size_t>(mixed >> (64 - kFilterBits));
}

inline bool TNameValueSensitive::MayHold(std::string_view name) const {
  std::size_t bit = FilterBit(name);
  return (filter_[bit / 64] >> (bit % 64) & 1) != 0;
}

// Eight bytes at a time, the last eight overlapping the ones before, multiplied and
// folded; the slot is taken from the high bits.
inline std::uint64_t TNameValueSensitive::Hash(std::string_view name) {
  const char* p = name.data();
  std::size_t n = name.size();
  std::uint64_t h = n * 0xC2B2AE3D27D4EB4Full;
  if (n >= 8) {
    for (std::size_t i = 0; i + 8 < n; i += 8) h = Mix(h, Load(p + i, 8));
    h = Mix(h, Load(p + n - 8, 8));
  } else if (n >= 4) {
    h = Mix(h, Load(p, 4) | Load(p + n - 4, 4) << 32);
  } else if (n > 0) {
    h = Mix(h, Load(p, 1) | Load(p + n / 2, 1) << 8 | Load(p + n - 1, 1) << 16);
  }
  return Mix(h, h >> 32);
}

void TNameValueSensitive::Clear() {
  entries_.clear();
  index_.clear();
  filter_.clear();
  live_ = used_ = 0;
  blocks_.clear();
  free_ = nullptr;
  room_ = 0;
}

// Linear probing from the slot the hash's high bits name.
inline std::size_t TNameValueSensitive::Lookup(std::string_view name, std::uint64_t hash) const {
  std::size_t mask = index_.size() - 1;
  for (std::size_t i = static_cast<std::size_t>(hash >> 32) & mask;; i = (i + 1) & mask) {
    std::uint32_t slot = index_[i];
    if (slot == kEmptySlot) return kNone;
    if (slot == kRemovedSlot) continue;
    const TEntry& entry = entries_[slot - 1];
    if (entry.hash == hash && SameBytes(entry.name, name)) return i;
  }
}

// Places entry `at` (0-based) in the first free slot of its probe.
void TNameValueSensitive::Place(std::size_t at) {
  std::size_t mask = index_.size() - 1;
  std::size_t i = static_cast<std::size_t>(entries_[at].hash >> 32) & mask;
  while (index_[i] != kEmptySlot && index_[i] != kRemovedSlot) i = (i + 1) & mask;
  if (index_[i] == kEmptySlot) ++used_;
  ++live_;
  index_[i] = static_cast<std::uint32_t>(at + 1);
}

// Rebuilt a third full at most, and again when half full; the entries of removed names
// are dropped on the way.
void TNameValueSensitive::Grow() {
  if (live_ + 1 >= kRemovedSlot / 4) throw std::bad_alloc();
  std::size_t size = 64;
  while (size < (live_ + 1) * 3) size *= 2;
  if (live_ < entries_.size())
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [](const TEntry& entry) { return entry.name.data() == kRemoved; }),
                   entries_.end());
  index_.assign(size, kEmptySlot);
  filter_.resize((std::size_t{1} << kFilterBits) / 64);
  live_ = used_ = 0;
  for (std::size_t at = 0; at < entries_.size(); ++at) Place(at);
}

char* TNameValueSensitive::Room(std::size_t size) {
  if (size > kOwnBlockAbove) return blocks_.emplace_back(new char[size]).get();
  if (size > room_) {
    free_ = blocks_.emplace_back(new char[kBlockSize]).get();
    room_ = kBlockSize;
  }
  char* at = free_;
  free_ += size;
  room_ -= size;
  return at;
}

const std::string_view* TNameValueSensitive::Find(std::string_view name) const {
  if (index_.empty() || !MayHold(name)) return nullptr;
  std::size_t slot = Lookup(name, Hash(name));
  return slot == kNone ? nullptr : &entries_[index_[slot] - 1].value;
}

void TNameValueSensitive::Set(std::string_view name, std::string_view value) {
  if (value.empty()) {
    Remove(name);
    return;
  }
  Define(name, value);
}

// A new value no longer than the old one takes the old one's bytes.
void TNameValueSensitive::Define(std::string_view name, std::string_view value) {
  std::uint64_t hash = Hash(name);
  if (std::size_t slot = index_.empty() || !MayHold(name) ? kNone : Lookup(name, hash); slot != kNone) {
    std::string_view& old = entries_[index_[slot] - 1].value;
    char* bytes = value.size() <= old.size() ? const_cast<char*>(old.data()) : Room(value.size());
    old = CopyTo(bytes, value);
    return;
  }
  if ((used_ + 1) * 2 > index_.size()) Grow();
  char* bytes = Room(name.size() + value.size());
  entries_.push_back({hash, CopyTo(bytes, name), CopyTo(bytes + name.size(), value)});
  Place(entries_.size() - 1);
  std::size_t bit = FilterBit(name);
  filter_[bit / 64] |= std::uint64_t{1} << (bit % 64);
}

void TNameValueSensitive::Remove(std::string_view name) {
  if (index_.empty() || !MayHold(name)) return;
  std::size_t slot = Lookup(name, Hash(name));
  if (slot == kNone) return;
  entries_[index_[slot] - 1] = {0, {kRemoved, 0}, {}};
  index_[slot] = kRemovedSlot;
  --live_;
}

// A record is NAME=value; a record without "=" or with an empty value defines nothing.
// An earlier record of the same name shadows this one.
void TNameValueSensitive::LoadRecord(std::string_view record) {
  std::size_t equals = record.find('=');
  if (equals == std::string_view::npos || equals + 1 == record.size()) return;
  std::string_view name = record.substr(0, equals);
  if (Find(name) == nullptr) Define(name, record.substr(equals + 1));
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
