// What the storage benchmarks share: the open request for a member of their scratch library
// BENCHLIB (each benchmark assigns it to a directory of its own).
#pragma once
#include <cstdint>
#include <cstring>

#include "host/dataset.h"

namespace bench {

inline qor_open_request open_request(const char* member, int mode, const char* member_type = "DATA") {
    qor_open_request r;
    std::memset(&r, 0, sizeof r);
    std::memcpy(r.libref, "BENCHLIB", 8);
    r.member.length = static_cast<int16_t>(std::strlen(member));
    std::memcpy(r.member.text, member, std::strlen(member));
    std::memset(r.member_type, ' ', 8);
    std::memcpy(r.member_type, member_type, std::strlen(member_type));
    r.mode = mode;
    return r;
}

}  // namespace bench
