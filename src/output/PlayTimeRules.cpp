#include "output/PlayTimeRules.h"

namespace PlayTimeRules {

int NextDigit(int current, long long code, int limit) {
    long long v;
    if (code == 1)
        v = current + 1LL;
    else if (code == 0)
        v = current - 1LL;
    else
        v = code - 48;
    if (v < 0)
        return 0;
    if (v > limit)
        return limit;
    return int(v);
}

std::int32_t Seconds(const std::array<int, 6>& d) {
    return (10 * d[0] + d[1]) * 3600 + (10 * d[2] + d[3]) * 60 + 10 * d[4] + d[5];
}

std::optional<std::int32_t> ApplySeek(const std::array<int, 6>& digits, bool fileLoaded,
                                      std::int32_t totalSec) {
    if (!fileLoaded)
        return std::nullopt;
    const std::int32_t s = Seconds(digits);
    if (s > totalSec)
        return std::nullopt;
    return s;
}

} // namespace PlayTimeRules
