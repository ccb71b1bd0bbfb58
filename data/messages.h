// The catalogue of the 124 numbered messages.
#pragma once

#include <string_view>

namespace tarvex {

inline constexpr int kMessageCount = 124;

/// The template of message `number` (1..124), which begins with its own number.
std::string_view MessageText(int number);

}  // namespace tarvex
