// Access to the host locale record through the module's global control block.
// When the host gives no table, fixed ASCII tables stand in (identity, lower, upper).
#include "common/strings/locale_tables.h"

#include "common/module/anchors.h"

namespace {

struct FallbackTables {
    uint8_t identity[256];
    uint8_t lower[256];
    uint8_t upper[256];
    FallbackTables() {
        for (int c = 0; c < 256; ++c) {
            identity[c] = static_cast<uint8_t>(c);
            lower[c] = static_cast<uint8_t>((c >= 'A' && c <= 'Z') ? c + 32 : c);
            upper[c] = static_cast<uint8_t>((c >= 'a' && c <= 'z') ? c - 32 : c);
        }
    }
};

const FallbackTables& fallback() {
    static const FallbackTables tables;
    return tables;
}

const qor_locale* host_locale() {
    qor_gcb* gcb = common_gcb();
    return gcb ? gcb->locale : nullptr;
}

}  // namespace

const uint8_t* field_upper_table() {
    const qor_locale* locale = host_locale();
    if (locale && locale->upper) return locale->upper;
    return fallback().upper;
}

const uint8_t* field_translate_table(int table) {
    const qor_locale* locale = host_locale();
    if (locale && table >= 0 && table <= 4 && locale->translate[table]) {
        return locale->translate[table];
    }
    if (table == 1) return fallback().lower;
    if (table == 2) return fallback().upper;
    return fallback().identity;
}

int field_multibyte() {
    const qor_locale* locale = host_locale();
    return locale ? locale->multibyte : 0;
}
