// The stored form of a typed list: versioned, little-endian, explicit lengths, a table of lists
// in which a sublist is referred to by a later index (so shared sublists are stored once and a
// reader never recurses), closed by a CRC-32 of everything before it. See docs/formats.md.
#include <cstring>
#include <new>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "runtime/core/service_guard.h"
#include "runtime/lists/list_internal.h"

using namespace qor::runtime;

namespace {

constexpr char kMagic[4] = {'Q', 'L', 'S', 'T'};
constexpr uint16_t kVersion = 1;
constexpr size_t kHeaderBytes = 12;     // magic, version, flags, list count
constexpr size_t kTrailerBytes = 4;     // CRC-32
constexpr size_t kSmallestList = 4;     // its item count
constexpr size_t kSmallestItem = 7;     // type, name length, a sublist index

// CRC-32 (the reflected polynomial 0xEDB88320) eight bytes at a time: table k gives the effect
// of a byte followed by k zero bytes, so one step folds eight input bytes with eight look-ups.
struct Crc32Tables {
    uint32_t t[8][256];
    Crc32Tables() {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[0][i] = c;
        }
        for (uint32_t i = 0; i < 256; ++i)
            for (int k = 1; k < 8; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    }
};

uint32_t crc32_of(const unsigned char* data, size_t size) {
    static const Crc32Tables tables;
    const auto& t = tables.t;
    uint32_t crc = 0xFFFFFFFFu;
    size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        const uint32_t low = crc ^ (static_cast<uint32_t>(data[i]) | static_cast<uint32_t>(data[i + 1]) << 8 |
                                    static_cast<uint32_t>(data[i + 2]) << 16 | static_cast<uint32_t>(data[i + 3]) << 24);
        crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
              t[3][data[i + 4]] ^ t[2][data[i + 5]] ^ t[1][data[i + 6]] ^ t[0][data[i + 7]];
    }
    for (; i < size; ++i) crc = t[0][(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void put(std::string& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Lists reachable from the root, parents before children (reverse post-order of a depth-first
// walk done with an explicit stack), so every sublist index is greater than its parent's.
std::vector<const qor_list*> lists_in_order(const qor_list* root) {
    std::vector<const qor_list*> post;
    std::unordered_set<const qor_list*> seen{root};
    std::vector<std::pair<const qor_list*, size_t>> stack{{root, 0}};
    while (!stack.empty()) {
        auto& [list, next] = stack.back();
        if (next < list->items.size()) {
            const qor_list* sub = list->items[next++].sublist;
            if (sub && seen.insert(sub).second) stack.push_back({sub, 0});
        } else {
            post.push_back(list);
            stack.pop_back();
        }
    }
    return {post.rbegin(), post.rend()};
}

// Bounds-checked little-endian reader.
struct reader {
    const unsigned char* data;
    size_t size;
    size_t at = 0;
    bool take(size_t bytes, uint64_t* value) {
        if (bytes > size - at) return false;
        uint64_t v = 0;
        for (size_t i = 0; i < bytes; ++i) v |= static_cast<uint64_t>(data[at + i]) << (8 * i);
        at += bytes;
        *value = v;
        return true;
    }
    bool bytes(size_t count, std::string* out) {
        if (count > size - at) return false;
        out->assign(reinterpret_cast<const char*>(data + at), count);
        at += count;
        return true;
    }
    size_t left() const { return size - at; }
};

int refuse(std::string* why, const std::string& reason, int code = QOR_SL_FORMAT) {
    if (why) *why = reason;
    return code;
}

// Fills lists[i] from the reader; `lists` were made beforehand.
int read_list(reader& in, size_t index, std::vector<qor_list*>& lists, std::string* why) {
    uint64_t count = 0;
    if (!in.take(4, &count)) return refuse(why, "the stored list ends inside a list header");
    if (count > in.left() / kSmallestItem) return refuse(why, "an item count is larger than the stored list");
    qor_list* list = lists[index];
    list->items.reserve(count);
    for (uint64_t i = 0; i < count; ++i) {
        qor_list_item item;
        uint64_t type = 0, name_length = 0, value = 0;
        if (!in.take(1, &type) || !in.take(2, &name_length) || !in.bytes(name_length, &item.name))
            return refuse(why, "the stored list ends inside an item name");
        if (name_length > QOR_SL_NAME_MAX) return refuse(why, "an item name is longer than allowed");
        item.type = static_cast<char>(type);
        switch (item.type) {
        case QOR_SL_NUMBER:
            if (!in.take(8, &value)) return refuse(why, "the stored list ends inside a number");
            std::memcpy(&item.number, &value, 8);   // missing-value codes kept bit for bit
            break;
        case QOR_SL_CHAR:
            if (!in.take(8, &value) || value > in.left() || !in.bytes(value, &item.text))
                return refuse(why, "a character value is longer than the stored list");
            break;
        case QOR_SL_LIST:
            if (!in.take(4, &value)) return refuse(why, "the stored list ends inside a sublist reference");
            if (value <= index || value >= lists.size())
                return refuse(why, "a sublist reference points outside the list table");
            item.sublist = lists[value];
            break;
        default:
            return refuse(why, "an item has an unknown type");
        }
        list->items.push_back(std::move(item));
        if (list->items.back().sublist) list->items.back().sublist->parents++;
    }
    return 0;
}

}  // namespace

int qor_list_encode(const qor_list* list, std::string* out) try {
    if (!list || !out) return QOR_SL_NULL;
    // Running out of memory throws to the guard, which logs it; `out` changes only at the end.
    std::vector<const qor_list*> order = lists_in_order(list);
    std::unordered_map<const qor_list*, uint32_t> index;
    for (size_t i = 0; i < order.size(); ++i) index[order[i]] = static_cast<uint32_t>(i);
    std::string bytes(kMagic, 4);
    put(bytes, kVersion, 2);
    put(bytes, 0, 2);
    put(bytes, order.size(), 4);
    for (const qor_list* current : order) {
        put(bytes, current->items.size(), 4);
        for (const qor_list_item& item : current->items) {
            bytes += item.type;
            put(bytes, item.name.size(), 2);
            bytes += item.name;
            if (item.type == QOR_SL_NUMBER) {
                uint64_t bits;
                std::memcpy(&bits, &item.number, 8);
                put(bytes, bits, 8);
            } else if (item.type == QOR_SL_CHAR) {
                put(bytes, item.text.size(), 8);
                bytes += item.text;
            } else {
                put(bytes, index[item.sublist], 4);
            }
        }
    }
    put(bytes, crc32_of(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()), 4);
    out->swap(bytes);
    return 0;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

int qor_list_decode(const void* data, size_t size, qor_list* target, std::string* why) try {
    if (!target || (!data && size > 0)) return QOR_SL_NULL;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    if (size < kHeaderBytes + kTrailerBytes) return refuse(why, "the stored list is too short");
    if (std::memcmp(bytes, kMagic, 4) != 0) return refuse(why, "the entry does not hold a stored list");
    reader in{bytes, size - kTrailerBytes, 4};
    uint64_t version = 0, flags = 0, list_count = 0, stored_crc = 0;
    in.take(2, &version);
    in.take(2, &flags);
    in.take(4, &list_count);
    if (version > kVersion)
        return refuse(why, "the stored list has format version " + std::to_string(version) +
                               ", newer than this release reads", QOR_SL_VERSION);
    if (version == 0 || flags != 0) return refuse(why, "the stored list header is damaged");
    reader trailer{bytes, size, size - kTrailerBytes};
    trailer.take(4, &stored_crc);
    if (crc32_of(bytes, size - kTrailerBytes) != stored_crc)
        return refuse(why, "the stored list is damaged (check sum differs)");
    if (list_count == 0 || list_count > in.left() / kSmallestList)
        return refuse(why, "the list count is larger than the stored list");

    // Build into fresh lists; the target changes only when all of it was read.
    std::vector<qor_list*> lists;
    int code = 0;
    try {
        lists.reserve(list_count);
        for (uint64_t i = 0; i < list_count && code == 0; ++i) {
            qor_list* list = new_list(target->pool, target->options);
            if (!list) code = QOR_SL_NO_MEMORY;
            else lists.push_back(list);
        }
        for (size_t i = 0; i < lists.size() && code == 0; ++i) code = read_list(in, i, lists, why);
    } catch (const std::bad_alloc&) {
        code = QOR_SL_NO_MEMORY;   // reported once the lists made so far are freed
    }
    if (code == 0 && in.left() != 0) code = refuse(why, "bytes follow the last list");
    if (code == 0) {
        clear_items(target);
        swap_items(target, lists[0]);
    }
    // lists[0] is now empty (or holds the failed load). Every list is reachable from one that
    // nothing references, so freeing those frees the rest except what the target now holds.
    // They are gathered at the front of `lists` itself: this clean-up must not allocate.
    size_t unreferenced = 0;
    for (size_t i = 0; i < lists.size(); ++i)
        if (lists[i]->parents == 0) lists[unreferenced++] = lists[i];
    for (size_t i = 0; i < unreferenced; ++i) destroy_list(lists[i]);
    if (code == QOR_SL_NO_MEMORY) {
        report_no_memory(__func__);
        refuse(why, "out of memory");
    }
    return code;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)
