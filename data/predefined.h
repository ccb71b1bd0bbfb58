// The predefined symbols every compilation starts with.
#pragma once

#include <span>
#include <string_view>

namespace tarvex {

inline constexpr int kPredefinedCount = 549;

/// The predefined records, NAME=value each, in their fixed order (never sorted: when a
/// name occurs twice, the first record is the one that counts).
std::span<const std::string_view> PredefinedSymbols();

}  // namespace tarvex
