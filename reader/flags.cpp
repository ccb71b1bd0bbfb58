#include "reader/flags.h"

namespace tarvex {

const Tflags::Entry* Tflags::Lookup(std::string_view keyword) const {
  for (const Entry& entry : kEntries)
    if (entry.keyword == keyword) return &entry;
  return nullptr;
}

std::int32_t Tflags::Bits(std::string_view keyword) const {
  const Entry* entry = Lookup(keyword);
  return entry ? entry->bits : -1;
}

std::string_view Tflags::Opposite(std::string_view keyword) const {
  const Entry* entry = Lookup(keyword);
  return entry ? entry->opposite : std::string_view{};
}

}  // namespace tarvex
