// Object kinds of catalog storage: the member type of each kind, the kind of a member type,
// and the host message whose text names the kind.
#include <cctype>
#include <cstring>

#include "catalog/entry_table.h"
#include "catalog/object_frame.h"
#include "host/print.h"

// Member types by kind code; the row number is the kind.
const char RSKCATENTRIES[RSKKIND_COUNT][9] = {
    "CMPSUB  ", "ZUQ     ", "FUNDCL  ", "MODEL   ", "MODPARMS", "MODOUT  ", "MODSPEC ", "MODSRC  ",
    "ZUVU1   ", "RISK10  ", "RISK11  ", "ZUDO12  ", "RISK13  ", "RISK14  ", "RISK15  ", "RISK16  ",
    "RISK17  ", "RISK18  ", "RISK19  ", "RISK2   ", "RISK20  ", "RISK21  ", "RISK22  ", "RISK23  ",
    "RODI24  ", "RISK25  ", "RISK26  ", "RISK27  ", "RISK28  ", "RISK29  ", "RISK3   ", "RISK30  ",
    "RISK31  ", "DOZO32  ", "RISK4   ", "RISK5   ", "RISK6   ", "RISK7   ", "RISK8   ", "RISK9   ",
    "SOURCE  ",
};

namespace {

// Message (table 598) naming each kind; 0 for kinds without one.
const int kDescriptions[RSKKIND_COUNT] = {
    0,    3723, 3722, 0,    3718, 0,    3719, 0,    3703, 3704, 3711, 3720, 3702, 3708,
    0,    0,    0,    3713, 3714, 0,    0,    3716, 3724, 3717, 3715, 3725, 0,    0,
    0,    0,    3705, 0,    3721, 3721, 3706, 3709, 3710, 3700, 3712, 3701, 0,
};

constexpr int kDescriptionLimit = 40;

bool has_description(int32_t kind) { return kind >= 0 && kind < RSKKIND_COUNT && kDescriptions[kind] != 0; }

int description_text(int32_t kind, char* text_out) {
    char text[kDescriptionLimit + 1];
    int length = xpmstr(text, sizeof text, 598, kDescriptions[kind]);
    if (length < 0) length = 0;
    if (length > kDescriptionLimit) length = kDescriptionLimit;
    std::memcpy(text_out, text, static_cast<size_t>(length));
    return length;
}

}  // namespace

int rssobex(int32_t kind, char* type_out) {
    if (kind < 0 || kind >= RSKKIND_COUNT) {
        std::memset(type_out, ' ', 8);
        return 1;
    }
    std::memcpy(type_out, RSKCATENTRIES[kind], 8);
    return 0;
}

int rssobfx(const char* type) {
    char upper[8];
    for (int i = 0; i < 8; ++i) upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(type[i])));
    for (int kind = 0; kind < RSKKIND_COUNT; ++kind)
        if (std::memcmp(upper, RSKCATENTRIES[kind], 8) == 0) return kind;
    return -1;
}

int rssobds(int32_t kind, char* text_out) {
    if (!has_description(kind)) {
        xpmlog(598, 3100, kind);
        return -1;
    }
    return description_text(kind, text_out);
}

int rss_kind_text(int32_t kind, char* text_out) {
    return has_description(kind) ? description_text(kind, text_out) : 0;
}
