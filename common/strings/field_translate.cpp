// Translation of a field through one of the host's five byte tables. In a multibyte session
// only single-byte characters are translated; bytes of multibyte characters are copied.
#include "common/strings/fields.h"
#include "common/strings/locale_tables.h"
#include "host/locale.h"

namespace {
constexpr int kArgumentFault = 1;
}

int wztxxlt(int table, const void* source, void* destination, int length) {
    if (table < 0 || table > 4) return WZ_BAD_TABLE;
    if (length <= 0) return 0;
    if (!source || !destination) return kArgumentFault;
    const uint8_t* map = field_translate_table(table);
    const auto* s = static_cast<const uint8_t*>(source);
    auto* d = static_cast<uint8_t*>(destination);
    bool multibyte = field_multibyte() != 0;
    // A destination that starts inside the source is filled from the end, so no byte is
    // overwritten before it has been read.
    bool backward = d > s && d < s + length;
    for (int k = 0; k < length; ++k) {
        int i = backward ? length - 1 - k : k;
        bool single = !multibyte || wzsxoff(s, length, i);
        d[i] = single ? map[s[i]] : s[i];
    }
    return 0;
}

int wztxdotr() { return 0; }
int wztxdods() { return 0; }
