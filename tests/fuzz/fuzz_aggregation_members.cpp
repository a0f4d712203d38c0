// Fuzz target: the input (after a first byte that picks the reader) is stored as an aggregation
// member or as the class-variable list "ccvars.txt" and read back. Nothing may crash or leak;
// exactly the well-formed members are merged, and one that is refused fails the run.
//   0: merged into a run with a cross-classification (cells keyed by Region and Desk)
//   1: merged into a run without one (the single result record)
//   2: opened, read to its end, rewound, read again and closed with the file routines
//   3: stored as "ccvars.txt" and read with the class-variable list reader
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <string>

#include "engine/files/aggregation_file.h"
#include "engine/model/categories/categories.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/variables/variable_record.h"
#include "engine/output/aggregation.h"
#include "engine/run/run_block.h"
#include "engine/tables/catalog_table.h"
#include "engine/tables/engine_table.h"
#include "engine/tables/object_tables.h"
#include "host/kernel.h"
#include "host/pool.h"
#include "runtime/core/print_internal.h"
#include "runtime/core/step.h"
#include "runtime/storage/libraries.h"

namespace fs = std::filesystem;

namespace {

// A cell's user data: records merged into it and the sum of their values.
struct CountSum {
    double count;
    double sum;
};

int g_merged = 0;   // records handed to the roll-up routine by the current merge

int merge_cells(RSKCON*, void* target, void* source, int, int) {
    auto* t = static_cast<CountSum*>(target);
    const auto* s = static_cast<const CountSum*>(source);
    t->count += s->count;
    t->sum += s->sum;
    ++g_merged;
    return 0;
}

int add_observation(RSKCON*, void*, void* user_data) {
    static_cast<CountSum*>(user_data)->count += 1;
    return 0;
}

struct Bed {
    RSKCON* con = nullptr;
    RSKRUNBLOCK run{};
    RSKCROSSCLASS* cross = nullptr;
    RSKVARIABLE* region = nullptr;
    RSKVARIABLE* desk = nullptr;
    std::deque<RSKVARIABLE> variables;
    char region_value[6] = {' ', ' ', ' ', ' ', ' ', ' '};
    double desk_value = 0;
    fs::path dir;
    fs::path member;                 // where the member "AGS" is stored
    int32_t key_size = 0;
};

RSKVARIABLE* class_variable(Bed& bed, const char* name, int length, void* value) {
    RSKVARIABLE& v = bed.variables.emplace_back();
    std::memset(static_cast<void*>(&v), 0, sizeof v);
    engine_routine<EngineSlot::rskname>()(bed.con, &v.name, name, -1);
    v.kind = RSKVKIND_INSTRUMENT;
    v.data_type = length > 0 ? 2 : 1;
    v.storage_type = length > 0 ? RSKSTORE_CHAR : RSKSTORE_DOUBLE;
    v.length = static_cast<uint16_t>(length > 0 ? length : 8);
    v.value = static_cast<char*>(value);
    std::memset(v.currency, ' ', 3);
    std::memset(v.from_currency, ' ', 3);
    engine_routine<EngineSlot::rsksymd>()(bed.con, &bed.con->current_tables->tables[RSKTAB_VARIABLES], &v.name.name, &v);
    engine_routine<EngineSlot::rsksymd>()(bed.con, &bed.con->runtime_tables->variables, &v.name.name, &v);
    return &v;
}

// A fresh run state and run pool; with_cells builds the aggregation over Region and Desk.
RSKAGGCTL* start_run(Bed& bed, bool with_cells) {
    if (bed.con->run_pool != nullptr) xmpoold(bed.con->run_pool);
    bed.con->run_pool = xmpoolc(65536, 65536, 0);
    bed.run.aggregation = RSKAGGRUN{};
    RSKAGGRUN& a = bed.run.aggregation;
    std::memcpy(a.output_libref, "FUZZAGG ", 8);
    a.merge_update = merge_cells;
    static RSKAGGSOURCE source{2, {'F', 'U', 'Z', 'Z', 'A', 'G', 'G', ' '}, 1};
    a.sources = &source;
    a.source_count = 1;
    if (!with_cells) return nullptr;
    RSKAGGCTL* control = nullptr;
    if (rskgrpd(bed.con, bed.cross, nullptr, &control, sizeof(CountSum)) != 0) __builtin_trap();
    return control;
}

Bed* setup() {
    static Bed* ready = [] {
        auto* bed = new Bed;
        bed->dir = fs::temp_directory_path() / ("qor_fuzz_agg_" + std::to_string(::getpid()));
        fs::create_directories(bed->dir);
        qor::runtime::assign_library("FUZZAGG", bed->dir.string(), "");
        qor_print_set_log_file("/dev/null");
        qor_print_set_print_file("/dev/null");
        if (wiinstl((14 << 16) | 381, "TOLVANEA", 1) != 0 || wiinstl((14 << 16) | 383, "TOLVANEC", 1) != 0)
            __builtin_trap();
        qor_step* step = qor::runtime::begin_step("ZOZU", "", 0, 1);
        const int started = engine_routine<EngineSlot::rskinit>()(&bed->con, 0, 0, 0);
        qor::runtime::end_step(step);
        if (started != 0 || catalog_routine<CatalogSlot::rssenvt>()(bed->con) != 0) __builtin_trap();
        bed->con->run_block = &bed->run;
        bed->region = class_variable(*bed, "Region", 6, bed->region_value);
        bed->desk = class_variable(*bed, "Desk", 0, &bed->desk_value);
        RSKNAMEREC name{0, 6, const_cast<char*>("ByDesk")};
        RSKCATOBJ* object = nullptr;
        if (engine_routine<EngineSlot::rskccsd>()(bed->con, &object, &name, nullptr, nullptr) != 0) __builtin_trap();
        bed->cross = static_cast<RSKCROSSCLASS*>(object->object);
        RSKHIERARCHY* h = nullptr;
        engine_routine<EngineSlot::rskccsa>()(bed->con, bed->cross, &h);
        RSKNAMEREC region{0, 6, const_cast<char*>("Region")}, desk{0, 4, const_cast<char*>("Desk")};
        engine_routine<EngineSlot::rskhier>()(bed->con, bed->cross, h, &region, 0);
        engine_routine<EngineSlot::rskhier>()(bed->con, bed->cross, h, &desk, 1);

        // One member written by the engine tells where members are stored and how long keys are.
        RSKAGGCTL* control = start_run(*bed, true);
        bed->key_size = control->key_size;
        std::memcpy(bed->region_value, "EMEA  ", 6);
        int32_t sequence = 0;
        if (rskgrp0(bed->con, control, add_observation, nullptr, &sequence) != 0 || rskgrpw(bed->con) != 0)
            __builtin_trap();
        for (const auto& entry : fs::directory_iterator(bed->dir))
            if (entry.path().stem() == "ags") bed->member = entry.path();
        if (bed->member.empty()) __builtin_trap();
        return bed;
    }();
    return ready;
}

void store(const fs::path& path, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) __builtin_trap();
    if (size > 0) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

uint32_t u32_at(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
           static_cast<uint32_t>(at[3]) << 24;
}

// A member is well formed when its header gives this run's sizes and it holds exactly the
// counted records, each tagged "WEIC" (with a key) and "DONE".
bool well_formed(const uint8_t* data, size_t size, uint32_t key_bytes, uint32_t data_bytes) {
    if (size < kAggFileHeaderBytes) return false;
    // Only members of this layout's title and stamp are read at all.
    if (std::memcmp(data, "Aggregation utility file", 24) != 0 || std::memcmp(data + 24, "QJ 4.1  ", 8) != 0)
        return false;
    if (u32_at(data + kAggFileWeightsLengthAt) != key_bytes || u32_at(data + kAggFileValuesLengthAt) != data_bytes)
        return false;
    const uint64_t record = (key_bytes > 0 ? 4 + key_bytes : 0) + 4 + data_bytes;
    const uint64_t count = u32_at(data + kAggFileRecordCountAt);
    if (size != kAggFileHeaderBytes + count * record) return false;
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* at = data + kAggFileHeaderBytes + i * record;
        if (key_bytes > 0 && std::memcmp(at, "WEIC", 4) != 0) return false;
        if (std::memcmp(at + (key_bytes > 0 ? 4 + key_bytes : 0), "DONE", 4) != 0) return false;
    }
    return true;
}

// The file block is closed after every merge, whatever happened.
void check_closed(const RSKAGGFILE& file) {
    if (file.open != 0 || file.handle != nullptr) __builtin_trap();
}

void merge(Bed& bed, const uint8_t* data, size_t size, bool with_cells) {
    store(bed.member, data, size);
    RSKAGGCTL* control = start_run(bed, with_cells);
    CountSum total{};
    if (!with_cells) {
        bed.run.aggregation.result_record = &total;
        bed.run.aggregation.result_size = sizeof total;
    }
    g_merged = 0;
    const int rc = rskgrpr(bed.con);
    check_closed(bed.run.aggregation.file);
    if (rc != 0 && rc != 1) __builtin_trap();
    // A refused member fails the run; a merged one leaves it sound.
    if (bed.run.aggregation.error != rc) __builtin_trap();
    const uint32_t key_bytes = with_cells ? static_cast<uint32_t>(bed.key_size) : 0;
    // Any key is a cell, so exactly the well-formed members are merged.
    if (well_formed(data, size, key_bytes, sizeof(CountSum)) != (rc == 0)) __builtin_trap();
    if (rc == 0) {
        if (static_cast<uint32_t>(g_merged) != u32_at(data + kAggFileRecordCountAt)) __builtin_trap();
        if (with_cells && control->cell_count > g_merged) __builtin_trap();
    }
}

// The file routines alone: a second pass after a rewind reads what the first did.
void read_twice(Bed& bed, const uint8_t* data, size_t size) {
    store(bed.member, data, size);
    start_run(bed, false);
    RSKAGGFILE file{};
    std::memcpy(file.libref, "FUZZAGG ", 8);
    std::memcpy(file.member, "AGS", 3);
    file.member_length = 3;
    char key[64];
    CountSum values{};
    file.weights = key;
    file.weights_length = bed.key_size;
    file.values = &values;
    file.values_length = sizeof values;
    if (rskago(bed.con, &file, 'I') != 0) {
        check_closed(file);
        return;
    }
    int first[2] = {0, 0};
    while ((first[1] = rskag1(bed.con, &file)) == 0) ++first[0];
    if (file.records != first[0]) __builtin_trap();
    const int rewound = rskag0(bed.con, &file);
    if (rewound != (file.error ? 1 : 0)) __builtin_trap();
    if (rewound == 0) {
        int second[2] = {0, 0};
        while ((second[1] = rskag1(bed.con, &file)) == 0) ++second[0];
        if (second[0] != first[0] || second[1] != first[1]) __builtin_trap();
    }
    if (rskagc(bed.con, &file) != 0) __builtin_trap();
    check_closed(file);
    if (rskag1(bed.con, &file) != -1) __builtin_trap();   // closed
}

// "ccvars.txt": the first line, when it fits both the 1024-byte record and the caller's
// buffer, comes back NUL-terminated; anything else is refused.
void read_list(Bed& bed, const uint8_t* data, size_t size) {
    if (size == 0) return;
    const int32_t capacity = 1 + data[0] * 8;   // 1 .. 2041 bytes
    ++data;
    --size;
    store(bed.dir / "ccvars.txt", data, size);
    const auto* newline = static_cast<const uint8_t*>(std::memchr(data, '\n', size));
    const size_t line = newline != nullptr ? static_cast<size_t>(newline - data) : size;
    int expected = 0;
    if (size == 0 || line > 1024) expected = 86;
    else if (static_cast<int32_t>(line) + 1 > capacity) expected = 85;
    std::string buffer(static_cast<size_t>(capacity) + 16, '\x7f');
    int32_t length = capacity;
    const int rc = rskgrpy("FUZZAGG", buffer.data(), &length);
    if (rc != expected) __builtin_trap();
    if (rc == 0) {
        if (length != static_cast<int32_t>(line) || buffer[line] != '\0') __builtin_trap();
        if (std::memcmp(buffer.data(), data, line) != 0) __builtin_trap();
    }
    // Nothing is written past the capacity the caller gave.
    for (size_t i = static_cast<size_t>(capacity); i < buffer.size(); ++i)
        if (buffer[i] != '\x7f') __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    Bed* bed = setup();
    switch (data[0] % 4) {
        case 0: merge(*bed, data + 1, size - 1, true); break;
        case 1: merge(*bed, data + 1, size - 1, false); break;
        case 2: read_twice(*bed, data + 1, size - 1); break;
        default: read_list(*bed, data + 1, size - 1); break;
    }
    return 0;
}
