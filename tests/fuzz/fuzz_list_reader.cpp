// Fuzz target: any bytes read as a stored list either load into a list that can be walked,
// printed to text and stored again, or are refused with a reason; the target is kept on refusal.
// Each input is read twice: as it is, and with its last four bytes replaced by the CRC of the
// bytes before them, so that mutations reach the decoder behind the CRC check.
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "host/lists.h"

namespace {

// CRC-32 (IEEE 802.3, reflected, as zlib) of the bytes.
uint32_t crc32_of(const uint8_t* data, size_t size) {
    static const std::vector<uint32_t> table = [] {
        std::vector<uint32_t> t(256);
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
            t[n] = c;
        }
        return t;
    }();
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

// Walks every item of every distinct list reachable from the list, each list once however many
// items share it (a list of 40 levels, each holding the next twice, has 2^40 paths).
void walk(const qor_list* root) {
    std::unordered_set<const qor_list*> seen{root};
    std::vector<const qor_list*> pending{root};
    while (!pending.empty()) {
        const qor_list* list = pending.back();
        pending.pop_back();
        for (int i = 1; i <= slcnt(list); ++i) {
            char type = 0;
            std::string_view name;
            if (slityp(list, i, &type) != 0 || slni(list, i, &name) != 0) __builtin_trap();
            std::string text;
            if (type == QOR_SL_LIST) {
                qor_list* sub = nullptr;
                if (slitml(list, i, &sub) != 0 || !sub) __builtin_trap();
                if (seen.insert(sub).second) pending.push_back(sub);
            } else if (slstrng(list, i, &text) != 0) {
                __builtin_trap();
            }
        }
    }
}

void read_one(const uint8_t* data, size_t size) {
    size_t before = qor_list_live_count();
    qor_list* list = nullptr;
    slnewl(&list, nullptr, 84);
    slinsc(list, "sentinel", QOR_SL_APPEND, "KEEP");
    std::string why;
    int code = qor_list_decode(data, size, list, &why);
    if (code != 0) {
        if (why.empty() || slcnt(list) != 1) __builtin_trap();
    } else {
        walk(list);
        std::string again;
        if (qor_list_encode(list, &again) != 0) __builtin_trap();
        // What was stored reads back into the same stored form.
        qor_list* back = nullptr;
        slnewl(&back, nullptr, 84);
        std::string twice;
        if (qor_list_decode(again.data(), again.size(), back, &why) != 0) __builtin_trap();
        if (qor_list_encode(back, &twice) != 0 || twice != again) __builtin_trap();
        sldel(back, 0);
    }
    sldel(list, 0);
    if (qor_list_live_count() != before) __builtin_trap();   // nothing leaks on either path
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    read_one(data, size);
    if (size >= 4) {
        std::vector<uint8_t> fixed(data, data + size);
        uint32_t crc = crc32_of(fixed.data(), size - 4);
        for (int i = 0; i < 4; ++i) fixed[size - 4 + static_cast<size_t>(i)] = static_cast<uint8_t>(crc >> (8 * i));
        read_one(fixed.data(), size);
    }
    return 0;
}
