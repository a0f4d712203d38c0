// Locale services for UTF-8 text: case-insensitive field comparison by character and the
// per-position test whether a byte is a character of its own.
#include "host/locale.h"

#include <cstdint>

namespace {

// Decodes one character at text[pos]; invalid or cut sequences count as one byte of their
// own value, so any byte string compares without reading past its length.
uint32_t decode_one(const uint8_t* text, int length, int pos, int* width) {
    uint8_t lead = text[pos];
    int need = 0;
    uint32_t code = lead;
    if (lead >= 0xC2 && lead <= 0xDF) { need = 1; code = lead & 0x1F; }
    else if (lead >= 0xE0 && lead <= 0xEF) { need = 2; code = lead & 0x0F; }
    else if (lead >= 0xF0 && lead <= 0xF4) { need = 3; code = lead & 0x07; }
    if (need == 0 || pos + need >= length) {
        *width = 1;
        return lead;
    }
    for (int k = 1; k <= need; ++k) {
        uint8_t next = text[pos + k];
        if ((next & 0xC0) != 0x80) {
            *width = 1;
            return lead;
        }
        code = (code << 6) | (next & 0x3F);
    }
    *width = need + 1;
    return code;
}

// Upper case of the letters of Latin-1, Latin Extended-A, Greek and Cyrillic; others unchanged.
uint32_t fold_upper(uint32_t c) {
    if (c >= 'a' && c <= 'z') return c - 32;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
    if (c >= 0x100 && c <= 0x137 && (c & 1)) return c - 1;
    if (c >= 0x139 && c <= 0x148 && !(c & 1)) return c - 1;
    if (c >= 0x14A && c <= 0x177 && (c & 1)) return c - 1;
    if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 32;
    if (c >= 0x430 && c <= 0x44F) return c - 32;
    if (c >= 0x450 && c <= 0x45F) return c - 80;
    return c;
}

}  // namespace

int wzsxcmn(const void* a, int length_a, const void* b, int length_b, void*) {
    const auto* pa = static_cast<const uint8_t*>(a);
    const auto* pb = static_cast<const uint8_t*>(b);
    if (!pa || length_a < 0) length_a = 0;
    if (!pb || length_b < 0) length_b = 0;
    int ia = 0, ib = 0, position = 0;
    while (ia < length_a || ib < length_b) {
        ++position;
        uint32_t ca = ' ', cb = ' ';
        int wa = 0, wb = 0;
        if (ia < length_a) ca = fold_upper(decode_one(pa, length_a, ia, &wa));
        if (ib < length_b) cb = fold_upper(decode_one(pb, length_b, ib, &wb));
        if (ca != cb) return ca > cb ? position : -position;
        ia += wa;
        ib += wb;
    }
    return 0;
}

int wzsxoff(const void* text, int length, int offset) {
    if (!text || offset < 0 || offset >= length) return 0;
    return static_cast<const uint8_t*>(text)[offset] < 0x80 ? 1 : 0;
}
