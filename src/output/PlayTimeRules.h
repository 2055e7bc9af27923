// The play time dialog's rules: each digit's limit, the next value of a digit
// after a step or a typed character, and the seek that Apply makes.
#pragma once
#include <array>
#include <cstdint>
#include <optional>

namespace PlayTimeRules {

// Hours tens, hours units, minutes tens, minutes units, seconds tens, seconds units.
constexpr std::array<int, 6> kLimits = {9, 9, 5, 9, 5, 9};

// code 1 adds one, 0 takes one away, any other code is a typed character
// (code - '0'); the result is clamped to 0..limit, never wrapped.
int NextDigit(int current, long long code, int limit);

std::int32_t Seconds(const std::array<int, 6>& digits);

// The position Apply seeks to, or nothing: with no file loaded, or past the
// loaded file's total time (the one the seek slider spans).
std::optional<std::int32_t> ApplySeek(const std::array<int, 6>& digits, bool fileLoaded,
                                      std::int32_t totalSec);

} // namespace PlayTimeRules
