// Name/value tables. Both are hashed maps; what they answer is what a delimited-text
// table searched from its start would answer: the first record of a name loaded twice
// counts, an empty value means the name is absent, and the case-insensitive table
// compares names after folding a..z to upper case.
#include "reader/name_value.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "reader/char_class.h"
#include "data/large_pages.h"
#include "data/short_bytes.h"

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

const char kNoBytes[1] = {0};
constexpr std::uint64_t kEmptySlot = 0;
constexpr std::uint64_t kRemovedSlot = ~std::uint64_t{0};
constexpr std::size_t kNone = std::string_view::npos;

// `bytes` copied to `at`, seen there.
std::string_view CopyTo(char* at, std::string_view bytes) {
  if (bytes.empty()) return {kNoBytes, 0};
  MoveShortBytes(at, bytes.data(), bytes.size());
  return {at, bytes.size()};
}

// Where a record lies: the block's number from 1 above the offset in 8-byte steps. The
// blocks shared by records hold at most kLargestBlock bytes; a larger record has a block
// of its own, at offset 0. No block number reaches the one of kRemovedSlot.
constexpr int kOffsetBits = 19;
constexpr std::size_t kFirstBlock = std::size_t{1} << 14;
// Below the size that the program maps whole with large pages: a block is resident only
// as far as records fill it.
constexpr std::size_t kLargestBlock = std::size_t{1} << 19;
constexpr std::size_t kBlockLimit = (std::size_t{1} << (32 - kOffsetBits)) - 2;
static_assert(kLargestBlock <= std::size_t{8} << kOffsetBits);
// An index of this size or more is mapped with large pages.
constexpr std::size_t kLargeIndex = (std::size_t{2} << 20) / sizeof(std::uint64_t);

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
  index_.reset();
  slots_ = 0;
  shift_ = 32;
  filter_.clear();
  live_ = used_ = 0;
  blocks_.clear();
  free_ = nullptr;
  room_ = held_ = 0;
  freeWhere_ = 0;
}

inline const TNameValueSensitive::TRecord& TNameValueSensitive::RecordOf(std::uint64_t slot) const {
  auto where = static_cast<std::uint32_t>(slot);
  const char* block = blocks_[(where >> kOffsetBits) - 1].get();
  return *std::launder(reinterpret_cast<const TRecord*>(block + (std::size_t{where & ((1u << kOffsetBits) - 1)} << 3)));
}

// Linear probing from the slot the hash's high bits name; a slot of another hash is
// passed without reading its record.
inline std::size_t TNameValueSensitive::Lookup(std::string_view name, std::uint32_t hash) const {
  std::size_t mask = slots_ - 1;
  for (std::size_t i = hash >> shift_;; i = (i + 1) & mask) {
    std::uint64_t slot = index_[i];
    if (slot == kEmptySlot) return kNone;
    if (static_cast<std::uint32_t>(slot >> 32) != hash || slot == kRemovedSlot) continue;
    const TRecord& record = RecordOf(slot);
    if (SameBytes({reinterpret_cast<const char*>(&record + 1), record.nameSize}, name)) return i;
  }
}

// Places `slot` in the first free slot of its probe.
void TNameValueSensitive::Place(std::uint64_t slot) {
  std::size_t mask = slots_ - 1;
  std::size_t i = static_cast<std::uint32_t>(slot >> 32) >> shift_;
  while (index_[i] != kEmptySlot && index_[i] != kRemovedSlot) i = (i + 1) & mask;
  if (index_[i] == kEmptySlot) ++used_;
  ++live_;
  index_[i] = slot;
}

void TNameValueSensitive::TIndexRelease::operator()(std::uint64_t* index) const {
  if (mappedBytes != 0)
    munmap(index, mappedBytes);
  else
    std::free(index);
}

// Rebuilt a quarter full at most, and again when half full: the index grows four times
// over at a step. The slots of removed names are dropped on the way; the records stay.
void TNameValueSensitive::Grow(std::size_t names) {
  names = std::max(names, live_ + 1);
  if (names >= std::size_t{1} << 30) throw std::bad_alloc();
  std::size_t size = 64;
  int shift = 32 - 6;
  while (size < names * 4) size *= 2, --shift;
  std::unique_ptr<std::uint64_t[], TIndexRelease> old = std::move(index_);
  std::size_t oldSlots = slots_;
  // Fresh pages read as zero: a large index is mapped, with large pages advised, and never
  // cleared by hand.
  std::size_t bytes = size * sizeof(std::uint64_t);
  void* memory = bytes >= kLargeIndex * sizeof(std::uint64_t) ? MapLargePageAligned(bytes) : MAP_FAILED;
  if (memory != MAP_FAILED) {
    AdviseLargePages(memory, bytes);
  } else {
    bytes = 0;
    memory = std::calloc(size, sizeof(std::uint64_t));
    if (memory == nullptr) throw std::bad_alloc();
  }
  index_ = std::unique_ptr<std::uint64_t[], TIndexRelease>(static_cast<std::uint64_t*>(memory), {bytes});
  slots_ = size;
  shift_ = shift;
  if (filter_.empty()) filter_.resize((std::size_t{1} << kFilterBits) / 64);
  live_ = used_ = 0;
  for (std::size_t i = 0; i < oldSlots; ++i)
    if (old[i] != kEmptySlot && old[i] != kRemovedSlot) Place(old[i]);
}

// Blocks grow with what the table holds, to kLargestBlock; a record larger than a quarter
// of the next block gets one of its own, and the shared block stays in use.
inline char* TNameValueSensitive::Room(std::size_t size, std::uint32_t& where) {
  size = (size + 7) & ~std::size_t{7};
  if (size > room_) {
    if (blocks_.size() >= kBlockLimit) throw std::bad_alloc();
    std::size_t next = held_ < kLargestBlock / 8 ? std::max(kFirstBlock, 2 * held_) : kLargestBlock;
    bool own = size > next / 4;
    std::size_t blockSize = own ? size : next;
    char* block = blocks_.emplace_back(new char[blockSize]).get();
    held_ += blockSize;
    auto number = static_cast<std::uint32_t>(blocks_.size()) << kOffsetBits;
    if (own) {
      where = number;
      return block;
    }
    free_ = block;
    room_ = blockSize;
    freeWhere_ = number;
  }
  char* at = free_;
  where = freeWhere_;
  free_ += size;
  room_ -= size;
  freeWhere_ += static_cast<std::uint32_t>(size >> 3);
  return at;
}

const std::string_view* TNameValueSensitive::Find(std::string_view name) const {
  if (slots_ == 0 || !MayHold(name)) return nullptr;
  std::size_t slot = Lookup(name, static_cast<std::uint32_t>(Hash(name) >> 32));
  return slot == kNone ? nullptr : &RecordOf(index_[slot]).value;
}

void TNameValueSensitive::Reserve(std::size_t names) {
  if (names * 2 > slots_) Grow(names);
}

void TNameValueSensitive::Set(std::string_view name, std::string_view value) {
  if (value.empty()) {
    Remove(name);
    return;
  }
  Define(name, value);
}

// A new value no longer than the old one takes the old one's bytes. A new name's value
// is stored right after it, in its record.
void TNameValueSensitive::Define(std::string_view name, std::string_view value) {
  auto hash = static_cast<std::uint32_t>(Hash(name) >> 32);
  if (std::size_t slot = slots_ == 0 || !MayHold(name) ? kNone : Lookup(name, hash); slot != kNone) {
    std::string_view& old = const_cast<TRecord&>(RecordOf(index_[slot])).value;
    std::uint32_t where = 0;
    char* bytes = value.size() <= old.size() ? const_cast<char*>(old.data()) : Room(value.size(), where);
    old = CopyTo(bytes, value);
    return;
  }
  if (name.size() > 0xFFFFFFFFu) throw std::bad_alloc();
  if ((used_ + 1) * 2 > slots_) Grow(live_ + 1);
  std::uint32_t where = 0;
  char* bytes = Room(sizeof(TRecord) + name.size() + value.size(), where);
  char* nameAt = bytes + sizeof(TRecord);
  MoveShortBytes(nameAt, name.data(), name.size());
  new (bytes) TRecord{CopyTo(nameAt + name.size(), value), static_cast<std::uint32_t>(name.size())};
  Place(std::uint64_t{hash} << 32 | where);
  std::size_t bit = FilterBit(name);
  filter_[bit / 64] |= std::uint64_t{1} << (bit % 64);
}

void TNameValueSensitive::Remove(std::string_view name) {
  if (slots_ == 0 || !MayHold(name)) return;
  std::size_t slot = Lookup(name, static_cast<std::uint32_t>(Hash(name) >> 32));
  if (slot == kNone) return;
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

const TMacro* TMacroTable::FindHeld(std::string_view name) const {
  auto found = table_.find(name);
  return found == table_.end() ? nullptr : &found->second;
}

void TMacroTable::Define(std::string_view name, TMacro macro) {
  auto found = table_.find(name);
  if (found != table_.end())
    found->second = std::move(macro);
  else
    table_.emplace(std::string(name), std::move(macro));
}

void TMacroTable::RemoveHeld(std::string_view name) {
  auto found = table_.find(name);
  if (found != table_.end()) table_.erase(found);
}

}  // namespace tarvex
