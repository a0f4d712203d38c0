// Clock and timer services: the host date-time now, interval timers, and in-place upper-casing.
// Host date-times count seconds from 1 January 1960, 00:00, local time.
#include <chrono>
#include <ctime>

#include "host/kernel.h"

namespace {
// Seconds from 1960-01-01 to the Unix epoch 1970-01-01 (3653 days).
constexpr double kEpochShift = 3653.0 * 86400.0;
const auto g_start = std::chrono::steady_clock::now();
}  // namespace

double wzdttme() {
    using namespace std::chrono;
    auto now = system_clock::now();
    double unix_seconds = duration<double>(now.time_since_epoch()).count();
    std::time_t t = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&t, &local);
    return unix_seconds + static_cast<double>(local.tm_gmtoff) + kEpochShift;
}

double wttinfo(int which) {
    if (which == 1) {
        return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
    }
    auto elapsed = std::chrono::steady_clock::now() - g_start;
    return std::chrono::duration<double, std::milli>(elapsed).count();
}

void wzstrup(char* text, int length) {
    if (!text) return;
    for (int i = 0; i < length; ++i) {
        char c = text[i];
        if (c >= 'a' && c <= 'z') text[i] = static_cast<char>(c - 32);
    }
}
