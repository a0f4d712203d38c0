// Sorting of a bootstrap staging file in place, each value position of the records on its own:
// overlapping windows of one block, sorted in memory, swept until a sweep moves nothing.
#include "common/containers/ordering.h"
#include "common/statistics/bootstrap.h"

namespace {

// Sorts value position `col` of `count` records in the block by insertion (missing values
// first, as everywhere in the host); returns true when anything moved.
bool sort_column(double* block, int32_t values, int32_t count, int32_t col) {
    bool moved = false;
    for (int32_t i = 1; i < count; ++i) {
        double x = block[static_cast<size_t>(i) * values + col];
        int32_t j = i;
        while (j > 0 && zdblcom(x, block[static_cast<size_t>(j - 1) * values + col]) < 0) {
            block[static_cast<size_t>(j) * values + col] = block[static_cast<size_t>(j - 1) * values + col];
            --j;
        }
        if (j != i) {
            block[static_cast<size_t>(j) * values + col] = x;
            moved = true;
        }
    }
    return moved;
}

// Reads, sorts and (when anything moved) writes back the window of records from `start`.
int sort_window(boot_iterator* it, int32_t start, bool* moved) {
    auto* entry = static_cast<qor_entry*>(it->handle);
    int32_t count = it->records - start;
    if (count > it->block_records) count = it->block_records;
    size_t bytes = static_cast<size_t>(count) * static_cast<size_t>(it->record_bytes);
    int64_t offset = static_cast<int64_t>(start) * it->record_bytes;
    size_t got = 0;
    if (xcpoint(entry, offset) != 0 || xcread(entry, it->block, bytes, &got) != 0 || got != bytes) return 2;
    auto* values = reinterpret_cast<double*>(it->block);
    bool any = false;
    for (int32_t col = 0; col < it->values; ++col) any = sort_column(values, it->values, count, col) || any;
    if (!any) return 0;
    *moved = true;
    if (xcpoint(entry, offset) != 0 || xcwrite(entry, it->block, bytes) != 0) return 2;
    return 0;
}

}  // namespace

namespace boot {

int sort(boot_iterator* it) {
    if (!it || !it->handle || !it->block || it->values < 1 ||
        static_cast<int64_t>(it->values) * 8 * it->block_records > it->block_bytes)
        return 2;
    const int32_t step = it->block_records / 2;
    bool moved = true;
    while (moved) {
        moved = false;
        for (int32_t start = 0; start < it->records; start += step) {
            int rc = sort_window(it, start, &moved);
            if (rc != 0) return rc;
            if (it->records - start <= it->block_records) break;   // this window reached the end
        }
    }
    return 0;
}

}  // namespace boot
