// Field comparison: case-sensitive, through the upper-case table, and case-insensitive
// equality. The shorter field compares as if padded with blanks.
#include "common/strings/fields.h"
#include "common/strings/locale_tables.h"
#include "host/locale.h"

namespace {

// Compares two fields through a byte translation table (null: raw bytes), as wzstcom does.
int compare_fields(const uint8_t* a, int length_a, const uint8_t* b, int length_b,
                   const uint8_t* table) {
    if (!a || length_a < 0) length_a = 0;
    if (!b || length_b < 0) length_b = 0;
    int common = length_a < length_b ? length_a : length_b;
    for (int i = 0; i < common; ++i) {
        uint8_t ca = table ? table[a[i]] : a[i];
        uint8_t cb = table ? table[b[i]] : b[i];
        if (ca != cb) return ca > cb ? i + 1 : -(i + 1);
    }
    if (length_a == length_b) return 0;
    // The excess of the longer field against blanks.
    bool a_longer = length_a > length_b;
    const uint8_t* longer = a_longer ? a : b;
    int longer_length = a_longer ? length_a : length_b;
    for (int i = common; i < longer_length; ++i) {
        uint8_t c = table ? table[longer[i]] : longer[i];
        if (c == ' ') continue;
        bool longer_is_greater = c > ' ';
        return (longer_is_greater == a_longer) ? i + 1 : -(i + 1);
    }
    return 0;
}

}  // namespace

int wzstcom(const void* a, int length_a, const void* b, int length_b) {
    return compare_fields(static_cast<const uint8_t*>(a), length_a,
                          static_cast<const uint8_t*>(b), length_b, nullptr);
}

int wzstcmn(const void* a, int length_a, const void* b, int length_b, void* locale_arg) {
    if (field_multibyte()) return wzsxcmn(a, length_a, b, length_b, locale_arg);
    return compare_fields(static_cast<const uint8_t*>(a), length_a,
                          static_cast<const uint8_t*>(b), length_b, field_upper_table());
}

int wzbcup(const void* a, const void* b, int n) {
    if (n <= 0 || a == b) return 0;
    if (!a || !b) return a ? 1 : -1;   // a missing field is never equal to a present one
    const auto* pa = static_cast<const uint8_t*>(a);
    const auto* pb = static_cast<const uint8_t*>(b);
    const uint8_t* upper = field_upper_table();
    for (int i = 0; i < n; ++i) {
        if (pa[i] == pb[i]) continue;
        int difference = static_cast<int>(upper[pa[i]]) - static_cast<int>(upper[pb[i]]);
        if (difference != 0) return difference;
    }
    return 0;
}

int wzsteqn(const void* a, int length_a, const void* b, int length_b) {
    if (length_a < 0 || length_b < 0 || length_a != length_b) return 0;
    if (length_a == 0) return 1;
    if (!a || !b) return 0;
    if (field_multibyte()) return wzsxcmn(a, length_a, b, length_b, nullptr) == 0 ? 1 : 0;
    const auto* pa = static_cast<const uint8_t*>(a);
    const auto* pb = static_cast<const uint8_t*>(b);
    const uint8_t* upper = field_upper_table();
    for (int i = 0; i < length_a; ++i) {
        if (upper[pa[i]] != upper[pb[i]]) return 0;
    }
    return 1;
}
