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

namespace {

// The name of a removed slot points here, so that the slot still continues the probe of
// the names stored after it.
const char kRemoved[1] = {0};
const char kNoBytes[1] = {0};

constexpr std::size_t kBlockSize = std::size_t{1} << 16;
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

}  // namespace

std::string TNameValueSensitive::Get(std::string_view name) const {
  const std::string_view* value = Find(name);
  return value ? std::string(*value) : std::string();
}

// Eight bytes at a time, the last eight overlapping the ones before, multiplied and
// folded; the slot is taken from the high bits.
std::uint64_t TNameValueSensitive::Hash(std::string_view name) {
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
  slots_.clear();
  live_ = used_ = 0;
  blocks_.clear();
  free_ = nullptr;
  room_ = 0;
}

TNameValueSensitive::TSlot* TNameValueSensitive::Lookup(std::string_view name, std::uint64_t hash) const {
  if (slots_.empty()) return nullptr;
  std::size_t mask = slots_.size() - 1;
  for (std::size_t i = static_cast<std::size_t>(hash >> 32) & mask;; i = (i + 1) & mask) {
    const TSlot& slot = slots_[i];
    if (slot.name.data() == nullptr) return nullptr;
    if (slot.hash == hash && slot.name.data() != kRemoved && slot.name == name) return const_cast<TSlot*>(&slot);
  }
}

TNameValueSensitive::TSlot& TNameValueSensitive::Insert(std::string_view name, std::uint64_t hash,
                                                        std::string_view value) {
  std::size_t mask = slots_.size() - 1;
  std::size_t i = static_cast<std::size_t>(hash >> 32) & mask;
  while (slots_[i].name.data() != nullptr && slots_[i].name.data() != kRemoved) i = (i + 1) & mask;
  if (slots_[i].name.data() == nullptr) ++used_;
  ++live_;
  slots_[i] = {hash, name, value};
  return slots_[i];
}

// Rebuilt a third full at most, and again when half full;
// removed slots are dropped on the way.
void TNameValueSensitive::Grow() {
  std::size_t size = 64;
  while (size < (live_ + 1) * 3) size *= 2;
  std::vector<TSlot> old(size);
  old.swap(slots_);
  live_ = used_ = 0;
  for (const TSlot& slot : old) {
    if (slot.name.data() != nullptr && slot.name.data() != kRemoved) Insert(slot.name, slot.hash, slot.value);
  }
}

std::string_view TNameValueSensitive::Keep(std::string_view bytes) {
  if (bytes.empty()) return {kNoBytes, 0};
  char* at;
  if (bytes.size() > kOwnBlockAbove) {
    blocks_.emplace_back(new char[bytes.size()]);
    at = blocks_.back().get();
  } else {
    if (bytes.size() > room_) {
      blocks_.emplace_back(new char[kBlockSize]);
      free_ = blocks_.back().get();
      room_ = kBlockSize;
    }
    at = free_;
    free_ += bytes.size();
    room_ -= bytes.size();
  }
  std::memcpy(at, bytes.data(), bytes.size());
  return {at, bytes.size()};
}

const std::string_view* TNameValueSensitive::Find(std::string_view name) const {
  if (slots_.empty()) return nullptr;
  const TSlot* slot = Lookup(name, Hash(name));
  return slot == nullptr ? nullptr : &slot->value;
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
  if (TSlot* slot = Lookup(name, hash)) {
    if (value.size() <= slot->value.size()) {
      char* bytes = const_cast<char*>(slot->value.data());
      if (!value.empty()) std::memmove(bytes, value.data(), value.size());
      slot->value = {bytes, value.size()};
    } else {
      slot->value = Keep(value);
    }
    return;
  }
  if ((used_ + 1) * 2 > slots_.size()) Grow();
  std::string_view kept = Keep(value);
  Insert(Keep(name), hash, kept);
}

void TNameValueSensitive::Remove(std::string_view name) {
  TSlot* slot = Lookup(name, Hash(name));
  if (slot == nullptr) return;
  slot->name = {kRemoved, 0};
  slot->value = {};
  --live_;
}

// A record is NAME=value; a record without "=" or with an empty value defines nothing.
// An earlier record of the same name shadows this one.
void TNameValueSensitive::LoadRecord(std::string_view record) {
  std::size_t equals = record.find('=');
  if (equals == std::string_view::npos || equals + 1 == record.size()) return;
  std::string_view name = record.substr(0, equals);
  if (Lookup(name, Hash(name)) == nullptr) Define(name, record.substr(equals + 1));
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
