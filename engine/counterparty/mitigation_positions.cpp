// The position file of a mitigation run: one fixed-length record of values per priced position
// (its state rows, then its per-state values), found by identifier in the container's table.
#include <cctype>
#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/counterparty/container_texts.h"
#include "engine/counterparty/mitigation_run.h"
#include "host/print.h"

namespace {

constexpr int kPositionBuckets = 5000;
constexpr size_t kKeyLimit = 32;

// Bytes of the rows part of a record; -1 when it does not fit 63 bits.
int64_t rows_bytes(const RSKPOSFILE* file) {
    if (file == nullptr || file->state_count < 1 || file->statelength < 0) return -1;
    const int64_t rows = static_cast<int64_t>(file->state_count) + 1;
    int64_t bytes = 0;
    if (__builtin_mul_overflow(rows, static_cast<int64_t>(file->statelength), &bytes)) return -1;
    return bytes;
}

int64_t values_bytes(const RSKPOSFILE* file) {
    return (static_cast<int64_t>(file->state_count) + 1) * static_cast<int64_t>(sizeof(double));
}

// Offset of the position's record; -1 on overflow or a bad ordinal.
int64_t record_offset(const RSKPOSITION* position) {
    const int64_t r = position_record_bytes(position->file);
    if (r < 0 || position->ordinal < 1) return -1;
    int64_t offset = 0;
    if (__builtin_mul_overflow(static_cast<int64_t>(position->ordinal) - 1, r, &offset)) return -1;
    return offset;
}

}  // namespace

RSKPOSFILE* new_position_file(qor_pool* pool, const char* name, utilfile* member, int32_t states,
                              int32_t statelength) {
    if (pool == nullptr || name == nullptr || member == nullptr || states < 0 || statelength < 0) return nullptr;
    auto* file = static_cast<RSKPOSFILE*>(vmalcp_handler(pool, sizeof(RSKPOSFILE), QOR_ALLOC_ZERO));
    if (file == nullptr) return nullptr;
    file->name = rsk_text_copy(pool, name);
    if (file->name == nullptr) {
        vmfree_handler(pool, file, sizeof *file, QOR_FREE_SIZED);
        return nullptr;
    }
    file->name_length = static_cast<int16_t>(std::strlen(file->name));
    file->member = member;
    file->state_count = states + 1;
    file->statelength = statelength;
    return file;
}

int open_position_file(RSKPOSFILE* file) {
    if (file == nullptr || file->member == nullptr) return 2;
    return open_utilfile(file->member) == 0 ? 0 : 2;
}

int close_position_file(RSKPOSFILE* file) {
    if (file == nullptr || file->member == nullptr) return 2;
    return close_utilfile(file->member) == 0 ? 0 : 2;
}

int delete_position_file(qor_pool* pool, RSKPOSFILE* file) {
    if (pool == nullptr) return 1;
    if (file == nullptr) return 0;
    if (file->member != nullptr) delete_utilfile(pool, file->member);
    rsk_text_free(pool, file->name);
    vmfree_handler(pool, file, sizeof *file, QOR_FREE_SIZED);
    return 0;
}

int64_t position_record_bytes(const RSKPOSFILE* file) {
    const int64_t rows = rows_bytes(file);
    if (rows < 0) return -1;
    int64_t total = 0;
    if (__builtin_add_overflow(rows, values_bytes(file), &total)) return -1;
    return total;
}

RSKPOSITION* new_position(qor_pool* pool, const char* key, RSKPOSFILE* file) {
    if (pool == nullptr || key == nullptr || file == nullptr) return nullptr;
    // Upper-cased, blanks stripped at both ends, at most 32 characters.
    size_t start = 0, end = std::strlen(key);
    while (start < end && key[start] == ' ') ++start;
    while (end > start && key[end - 1] == ' ') --end;
    if (end - start > kKeyLimit) end = start + kKeyLimit;
    char upper[kKeyLimit + 1];
    size_t n = 0;
    for (size_t i = start; i < end; ++i) upper[n++] = static_cast<char>(std::toupper(static_cast<unsigned char>(key[i])));
    upper[n] = '\0';
    auto* position = static_cast<RSKPOSITION*>(vmalcp_handler(pool, sizeof(RSKPOSITION), QOR_ALLOC_ZERO));
    if (position == nullptr) return nullptr;
    position->key = rsk_text_copy(pool, upper);
    if (position->key == nullptr) {
        vmfree_handler(pool, position, sizeof *position, QOR_FREE_SIZED);
        return nullptr;
    }
    position->file = file;
    position->ordinal = ++file->count;
    position->role = RSKPOS_EXPOSURE;
    return position;
}

int delete_position(qor_pool* pool, RSKPOSITION* position) {
    if (pool == nullptr) return 1;
    if (position == nullptr) return 0;
    rsk_text_free(pool, position->key);
    vmfree_handler(pool, position, sizeof *position, QOR_FREE_SIZED);
    return 0;
}

int insert_position(qor_pool* pool, RSKMITIGATIONCON* container, RSKPOSITION* position) {
    if (pool == nullptr || container == nullptr || position == nullptr) return 1;
    if (container->positions == nullptr) {
        container->positions = new_hash_table(pool, kPositionBuckets);
        if (container->positions == nullptr) return 1;
    }
    if (hash_query(container->positions, position->key) != nullptr) return 3;
    hash_item* item = create_hash_item(pool, position->key, position);
    if (item == nullptr) return 1;
    if (hash_insert(container->positions, item) != HASH_INSERTED) {
        del_hash_item(pool, item);
        return 1;
    }
    return 0;
}

int store_position(qor_pool* pool, RSKMITIGATIONCON* container, RSKPOSFILE* file, const char* key, int32_t role,
                   uint8_t* rows, double* values) {
    RSKPOSITION* position = new_position(pool, key, file);
    if (position == nullptr) return 1;
    position->role = role;
    position->rows = rows;
    position->values = values;
    const int entered = insert_position(pool, container, position);
    if (entered != 0) {
        // A key met again gives its ordinal back, so the records stay contiguous.
        --file->count;
        delete_position(pool, position);
        return entered;
    }
    return write_position(container, position);
}

RSKPOSITION* find_position(RSKMITIGATIONCON* container, const char* key) {
    hash_item* item = container != nullptr && key != nullptr ? hash_query(container->positions, key) : nullptr;
    if (item == nullptr) {
        const char* shown = key != nullptr ? key : "";
        xpmlog(598, 300, static_cast<int>(std::strlen(shown)), shown);
        return nullptr;
    }
    return static_cast<RSKPOSITION*>(item->value);
}

RSKPOSITION* read_position(RSKMITIGATIONCON* container, const char* key) {
    RSKPOSITION* position = find_position(container, key);
    if (position == nullptr) return nullptr;
    const int64_t offset = record_offset(position);
    const int64_t rows = rows_bytes(position->file);
    // Both transfers are checked: a record read half is as wrong as one not read.
    if (offset < 0 || rows < 0 || position->rows == nullptr || position->values == nullptr ||
        utility_read(position->file->member, position->rows, rows, offset) != 0 ||
        utility_read(position->file->member, position->values, values_bytes(position->file), offset + rows) != 0) {
        xpmlog(598, 301, static_cast<int>(std::strlen(position->key)), position->key);
        return nullptr;
    }
    return position;
}

int write_position(RSKMITIGATIONCON*, RSKPOSITION* position) {
    if (position == nullptr) return 1;
    const int64_t offset = record_offset(position);
    const int64_t rows = rows_bytes(position->file);
    if (offset < 0 || rows < 0 || position->rows == nullptr || position->values == nullptr ||
        utility_write(position->file->member, position->rows, rows, offset) != 0 ||
        utility_write(position->file->member, position->values, values_bytes(position->file), offset + rows) != 0) {
        xpmlog(598, 301, static_cast<int>(std::strlen(position->key)), position->key);
        return 1;
    }
    return 0;
}

int delete_positions(qor_pool* pool, RSKMITIGATIONCON* container) {
    if (pool == nullptr || container == nullptr || container->positions == nullptr) return 0;
    for (hash_item* item = enumerate_table(container->positions); item != nullptr; item = item->next)
        delete_position(pool, static_cast<RSKPOSITION*>(item->value));
    del_hash_table(pool, container->positions);
    container->positions = nullptr;
    return 0;
}
