// Fuzz target: the CSV reader must read any text without crashing; reading it through a source
// that hands out a few bytes at a time gives the same rows and error; and every table it reads
// completely must read back to the same rows after being written out again.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/procs/csv.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    qor::runtime::CsvTable table;
    std::string error = qor::runtime::read_csv(text, &table);
    if (table.lines.size() != table.rows.size()) __builtin_trap();

    // Pieces of 1 to 8 bytes, their sizes taken from the text itself.
    size_t at = 0;
    qor::runtime::CsvRowReader reader(
        [&](char* buffer, size_t room) -> long {
            size_t n = std::min({room, text.size() - at, static_cast<size_t>(1 + (at * 7 + size) % 8)});
            text.copy(buffer, n, at);
            at += n;
            return static_cast<long>(n);
        },
        text.size() + 1);
    qor::runtime::CsvRow row;
    int line = 0;
    size_t k = 0;
    int rc;
    while ((rc = reader.next(&row, &line)) == 1) {
        if (k >= table.rows.size() || table.rows[k] != row || table.lines[k] != line) __builtin_trap();
        ++k;
    }
    if (k != table.rows.size() || reader.error() != error) __builtin_trap();
    if (!error.empty()) return 0;

    std::string written;
    for (const auto& r : table.rows) qor::runtime::append_csv_row(written, r);
    qor::runtime::CsvTable again;
    if (!qor::runtime::read_csv(written, &again).empty()) __builtin_trap();
    // Rows made only of one empty field vanish as empty lines; compare the others.
    size_t j = 0;
    for (const auto& r : table.rows) {
        if (r.size() == 1 && r[0].empty()) continue;
        if (j >= again.rows.size() || again.rows[j] != r) __builtin_trap();
        ++j;
    }
    return 0;
}
