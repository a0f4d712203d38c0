// Aggregation members of divided runs: each run part writes the finest cells of its aggregation
// into a member "AGS" (or "AGS_a_A_p_P"), and the combining run merges the parts' members cell by
// cell through the run engine's roll-up routine, as if one run had priced every position.
#include <cstdio>
#include <cstring>

#include "engine/files/aggregation_file.h"
#include "engine/output/aggregation.h"
#include "engine/run/run_block.h"
#include "host/print.h"

namespace {

void set_member(RSKAGGFILE* file, const char* text) {
    const size_t n = std::strlen(text);
    std::memset(file->member, ' ', sizeof file->member);
    std::memcpy(file->member, text, n < sizeof file->member ? n : sizeof file->member);
    file->member_length = static_cast<int16_t>(n < sizeof file->member ? n : sizeof file->member);
}

void member_name(char* out, size_t size, int a, int na, int p, int np) {
    std::snprintf(out, size, "AGS_%d_%d_%d_%d", a, na, p, np);
}

// Sets the file block for the run's cells: key and user data of the first page, or the run's
// single result record without a cross-classification.
void describe_cells(RSKAGGRUN* run, RSKAGGFILE* file) {
    RSKAGGCTL* control = run->control;
    if (control != nullptr) {
        file->weights = control->key;
        file->weights_length = control->key_size;
        file->values_length = control->user_size;
        file->restore = control->count > 0 ? control->variables[0] : nullptr;
    } else {
        file->weights = nullptr;
        file->weights_length = 0;
        file->values_length = run->result_size;
        file->restore = nullptr;
    }
}

int member_failed(const RSKAGGFILE* file, int number) {
    xpmlog(598, number, static_cast<int>(file->member_length), file->member);
    return 1;
}

// Merges one record into its target through the run engine's roll-up routine.
int merge_record(RSKCON* con, RSKAGGRUN* run, RSKCCPAGE* first_page, void* record) {
    void* target;
    int seen;
    if (first_page != nullptr) {
        RSKCCCELL* cell = Access(con, first_page, run->control->key);
        if (cell == nullptr) return 1;
        seen = cell->visited != 0 ? 1 : 0;
        cell->visited = 1;
        target = cell->user_data;
    } else {
        seen = run->result_visited != 0 ? 1 : 0;
        run->result_visited = 1;
        target = run->result_record;
    }
    return run->merge_update(con, target, record, 0, seen) != 0 ? 1 : 0;
}

}  // namespace

int rskgrpw(RSKCON* con) {
    if (con->run_block == nullptr) return 1;
    RSKAGGRUN* run = &con->run_block->aggregation;
    RSKAGGFILE* file = &run->file;
    std::memcpy(file->libref, run->output_libref, 8);
    char name[64];
    const bool split = run->portfolio_parts > 1 || run->analysis_parts >= 2;
    // Part numbers the run engine left at 0 count as part 1 of 1.
    auto at_least_one = [](int32_t n) { return n > 0 ? n : 1; };
    if (split) member_name(name, sizeof name, at_least_one(run->analysis_part), at_least_one(run->analysis_parts),
                           at_least_one(run->portfolio_part), at_least_one(run->portfolio_parts));
    else std::strcpy(name, "AGS");
    set_member(file, name);
    describe_cells(run, file);
    RSKCCPAGE* first = run->control != nullptr && run->control->page_count > 0 ? run->control->pages[0] : nullptr;
    file->record_count = 1;
    if (run->control != nullptr) {
        file->record_count = 0;
        for (RSKCCCELL* c = first != nullptr ? first->cells : nullptr; c != nullptr; c = c->page_next)
            ++file->record_count;
    }
    if (rskago(con, file, 'O') != 0) return 1;
    int rc = 0;
    if (run->control == nullptr) {
        file->values = run->result_record;
        rc = rskagw(con, file);
    } else {
        for (RSKCCCELL* c = first != nullptr ? first->cells : nullptr; c != nullptr && rc == 0; c = c->page_next) {
            std::memcpy(run->control->key, c->key, static_cast<size_t>(run->control->key_size));
            file->values = c->user_data;
            rc = rskagw(con, file);
        }
    }
    // A refused record leaves no member behind: the close discards what was written.
    const int closed = rskagc(con, file);
    return rc != 0 || closed != 0 ? 1 : 0;
}

int readSingleFile(RSKCON* con, RSKCCPAGE* first_page) {
    RSKAGGRUN* run = &con->run_block->aggregation;
    RSKAGGFILE* file = &run->file;
    if (run->merge_update == nullptr) {
        xebug("readSingleFile: the run has no roll-up routine.");
        return 1;
    }
    describe_cells(run, file);
    if (first_page == nullptr) file->restore = nullptr;
    const int32_t record_size = file->values_length;
    if (run->merge_buffer == nullptr || run->merge_buffer_size < record_size) {
        run->merge_buffer = rskgrp_alloc(con, static_cast<size_t>(record_size > 0 ? record_size : 1),
                                         "aggregation merge buffer", 0);
        run->merge_buffer_size = run->merge_buffer != nullptr ? record_size : 0;
        if (run->merge_buffer == nullptr) {
            xpslog("%3zreadSingleFile was unable to allocate memory.");
            return 1;
        }
    }
    file->values = run->merge_buffer;

    if (rskago(con, file, 'I') != 0) {
        xpmlog(598, 1323, "aggregation");
        return 1;
    }
    // A member of another layout would be read with this run's sizes and corrupt every cell.
    const uint32_t key_bytes = rskag_header_word(file, kAggFileWeightsLengthAt);
    const uint32_t data_bytes = rskag_header_word(file, kAggFileValuesLengthAt);
    if (key_bytes != static_cast<uint32_t>(file->weights_length) ||
        data_bytes != static_cast<uint32_t>(file->values_length)) {
        xpslog("%1zThe aggregation member %*s holds cells of %li key and %li data bytes; this run's cells have %i and %i.",
               static_cast<int>(file->member_length), file->member, static_cast<long>(key_bytes),
               static_cast<long>(data_bytes), file->weights_length, file->values_length);
        rskagc(con, file);
        return 1;
    }
    if (rskag0(con, file) != 0) {
        xpmlog(598, 1324, "aggregation", 1);
        rskagc(con, file);
        return 1;
    }
    const uint32_t count = rskag_header_word(file, kAggFileRecordCountAt);
    int rc = 0;
    for (uint32_t i = 0; i < count && rc == 0; ++i) {
        if (rskag1(con, file) != 0) {
            rc = member_failed(file, 1328);
            break;
        }
        rc = merge_record(con, run, first_page, file->values);
    }
    // Records past the stored count mean a damaged count, and bytes of a record cut short a lost
    // record: either way cells would be lost without a word.
    if (rc == 0 && (rskag1(con, file) != -1 || file->error != 0)) rc = member_failed(file, 1328);
    rskagc(con, file);
    return rc;
}

int rskgrpr(RSKCON* con) {
    if (con->run_block == nullptr) return 1;
    RSKAGGRUN* run = &con->run_block->aggregation;
    RSKCCPAGE* first = run->control != nullptr && run->control->page_count > 0 ? run->control->pages[0] : nullptr;
    int largest = 0;
    char name[64];
    for (int s = 0; s < run->source_count; ++s) {
        const RSKAGGSOURCE& source = run->sources[s];
        if (source.kind != 2) continue;
        RSKAGGFILE* file = &run->file;
        const int members = source.parts > 1 ? source.parts : 1;
        for (int i = 1; i <= members; ++i) {
            std::memcpy(file->libref, source.libref, 8);
            if (source.parts > 1) member_name(name, sizeof name, 1, 1, i, source.parts);
            else if (run->portfolio_parts < 2) std::strcpy(name, "AGS");
            else member_name(name, sizeof name, 1, 1, run->portfolio_part, run->portfolio_parts);
            set_member(file, name);
            const int rc = readSingleFile(con, first);
            if (rc == 0) continue;
            xpmlog(598, 1327, "aggregation", static_cast<int>(file->member_length), file->member);
            if (rc > largest) largest = rc;
            break;
        }
    }
    // Any member that failed fails the merge, whatever the members after it did.
    if (largest != 0) run->error = 1;
    return largest;
}
