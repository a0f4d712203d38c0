// The host's numeric missing value: a NaN whose top 16 bits are all ones, code in bits 40-47.
// Header-only so that every module and the runtime agree bit for bit.
#pragma once
#include <cstdint>
#include <cstring>

namespace qor {

// Code byte values: '.' is the ordinary missing value (code byte 0), '._' and '.A'..'.Z'
// are the special ones. The code byte is stored as the negative of the missing code.
constexpr uint64_t kMissingTop = 0xFFFF000000000000ULL;

inline uint64_t bits_of(double x) { uint64_t b; std::memcpy(&b, &x, 8); return b; }
inline double double_of(uint64_t b) { double x; std::memcpy(&x, &b, 8); return x; }

inline bool is_missing(double x) { return (bits_of(x) & kMissingTop) == kMissingTop; }

// Missing code of a missing value: the negative of the signed byte at bits 40..47.
inline int missing_code(double x) {
    if (!is_missing(x)) return 0;
    int8_t b = static_cast<int8_t>((bits_of(x) >> 40) & 0xFF);
    return -static_cast<int>(b);
}

// A missing value with the given code (0 for '.', 95 for '._', 65..90 for '.A'..'.Z').
inline double make_missing(int code = 0) {
    uint64_t b = kMissingTop | (static_cast<uint64_t>(static_cast<uint8_t>(-code)) << 40);
    return double_of(b);
}

inline double missing() { return make_missing(0); }

}  // namespace qor
