// Reading results utility members back into a run's analysis results: one result at a time
// (rskres1) and every member the run's source designates (rskresr), refusing damaged members.
#include <cstring>
#include <vector>

#include "engine/analyses/analysis_phases.h"
#include "engine/files/instrument_file_layout.h"
#include "engine/files/results_file.h"
#include "engine/files/results_file_internal.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"
#include "engine/run/run_storage.h"
#include "host/catalog.h"
#include "host/print.h"

namespace {

// Bytes left in the member after the current position; -1 when that cannot be told.
int64_t bytes_left(RSKRESFILE* file) {
    int64_t at = 0;
    qor_member_info info;
    if (xcnote(file->handle, &at) != 0 || xlminfo(file->handle, &info) != 0) return -1;
    return info.size - at;
}

// Passes over `bytes` bytes that are there: 0; 2 when the member is shorter.
int skip(RSKRESFILE* file, int64_t bytes) {
    int64_t at = 0;
    const int64_t left = bytes_left(file);
    if (left < bytes || xcnote(file->handle, &at) != 0 || xcpoint(file->handle, at + bytes) != 0) {
        file->error = 1;
        return 2;
    }
    return 0;
}

// A read that met the end of the member inside a result: the member is cut short.
int unexpected_end(RSKCON* con, RSKRESFILE* file) {
    rskres_internal(con, "read_result: unexpected end of file.");
    file->error = 1;
    return 2;
}

// Reads bytes of a block: 0, the read failure `failure` (2 or 3), or 2 at an early end.
int read_block(RSKCON* con, RSKRESFILE* file, void* buffer, size_t length, int failure) {
    const int rc = rskres_read(file, buffer, length);
    if (rc == 0) return 0;
    return rc == -1 ? unexpected_end(con, file) : failure;
}

int expect_tag(RSKCON* con, RSKRESFILE* file, const char* tag, int failure) {
    char read[4];
    const int rc = read_block(con, file, read, 4, failure);
    if (rc != 0) return rc;
    return std::memcmp(read, tag, 4) == 0 ? 0 : 1;
}

bool checks_simulation_size(const RSKANLPROC* r, bool merging) {
    const uint32_t k = r->kind, s = r->subkind;
    return k == 6 || k == 7 || k == 15 || (k == 17 && (s == 1 || s == 2)) ||
           (k == 13 && (s == 4 || s == 7) && !merging);
}

// Cash-flow sub-types 5 and 6 and historical and series simulations keep their own counter 2.
bool counter_two_free(const RSKANLPROC* r) {
    return r->kind == 8 || r->kind == 9 || (r->kind == 13 && (r->subkind == 5 || r->subkind == 6));
}

int32_t larger(int32_t a, uint32_t b) { return static_cast<int64_t>(b) > a ? static_cast<int32_t>(b) : a; }

// The descriptor against the result: 0 when it belongs to it and fits, else 1.
int take_descriptor(RSKCON* con, RSKRESFILE* file, RSKANLPROC* r, const RSKRESDESC& d, int adopt) {
    char name[32] = {};
    int length = 0;
    if (r->analysis != nullptr) {
        const RSKNAMEREC& n = r->analysis->name.name;
        length = n.length > 32 ? 32 : n.length;
        std::memcpy(name, n.text, static_cast<size_t>(length));
    }
    if (d.ordinal != static_cast<uint32_t>(r->ordinal) || d.kind != r->kind || d.name_length != length ||
        std::memcmp(d.name, name, 32) != 0)
        return 1;
    const bool missed = rskres_has_missed(r);
    if (!adopt) {
        if (d.first_state != static_cast<uint32_t>(r->first_state) || d.state_count != static_cast<uint32_t>(r->state_count) ||
            d.work_length != r->work_size)
            return 1;
        if (checks_simulation_size(r, file->merging) && d.simulation_size != static_cast<uint32_t>(r->simulation_size))
            return 1;
        if (missed && (d.missed_rows != static_cast<uint32_t>(r->missed_rows) || d.horizons != static_cast<uint32_t>(r->horizons)))
            return 1;
    } else {
        r->state_count = static_cast<int32_t>(d.state_count);
        if (r->work == nullptr) r->work_size = d.work_length;
        r->missed_rows = static_cast<int32_t>(d.missed_rows);
        r->horizons = static_cast<int32_t>(d.horizons);
    }
    r->result_flags = static_cast<uint8_t>(d.result_flags);
    r->simulation_size = static_cast<int32_t>(d.simulation_size);
    r->further_count = static_cast<int32_t>(d.further_count);
    r->outvar_field = static_cast<int32_t>(d.outvar_field);
    r->size_field = larger(r->size_field, d.size_field);
    r->outvar_max = larger(r->outvar_max, d.outvar_max);

    // State counters.
    if (file->is_first) {
        r->state_counters[0] = d.counters[0];
        r->state_counters[2] = d.counters[2];
        r->state_counters[3] = d.counters[3];
    } else if (!file->merging) {
        for (int i = 0; i < 4; ++i)
            if (r->state_counters[i] != d.counters[i]) return 1;
    } else {
        if (!counter_two_free(r) && r->state_counters[1] != d.counters[0]) return 1;
        r->state_counters[2] += d.counters[2];
        r->state_counters[3] += d.counters[3];
        if (r->kind == 2) {
            // A sensitivity analysis's base state is in every part: count it once.
            r->state_counters[3] -= 1;
            for (RSKANLPROC* later = r->next; later != nullptr; later = later->next) {
                later->state_counters[2] -= 1;
                later->state_counters[3] -= 1;
            }
        }
    }
    r->state_counters[1] = d.counters[1];
    (void)con;
    return 0;
}

int read_work(RSKCON* con, RSKRESFILE* file, RSKANLPROC* r, const RSKRESDESC& d) {
    int rc = expect_tag(con, file, "WORK", 2);
    if (rc != 0) return rc;
    if (r->work == nullptr || r->work_size == 0) return skip(file, d.work_length);
    if (d.work_length != r->work_size) return 1;   // this result's work vector has another size
    return read_block(con, file, r->work, r->work_size, 2);
}

int read_missed(RSKCON* con, RSKRESFILE* file, RSKANLPROC* r, const RSKRESDESC& d, int adopt) {
    int rc = expect_tag(con, file, "NADJ", 2);
    if (rc != 0) return rc;
    const uint64_t cells = static_cast<uint64_t>(d.missed_rows) * d.horizons;
    const int64_t left = bytes_left(file);
    if (left < 0 || cells * 4 > static_cast<uint64_t>(left)) {   // a count beyond the member
        file->error = 1;
        return 1;
    }
    if (adopt) return skip(file, static_cast<int64_t>(cells * 4));
    // The table is sized once; members of another shape would be read out of its bounds.
    if (r->missed != nullptr && (static_cast<uint32_t>(r->missed_table_rows) != d.missed_rows ||
                                 static_cast<uint32_t>(r->missed_table_horizons) != d.horizons)) {
        xpslog("%1zThe missed-value rows of the results member %*s have another shape than those read before.",
               static_cast<int>(file->member_length), file->member);
        return 1;
    }
    if (r->missed == nullptr && cells > 0) {
        r->missed = static_cast<uint32_t*>(rskmem_alloc(con, cells * 4, "number missed work vector", RSKMEM_RESULTS, 1));
        if (r->missed == nullptr) return 1;
        r->missed_table_rows = static_cast<int32_t>(d.missed_rows);
        r->missed_table_horizons = static_cast<int32_t>(d.horizons);
    }
    std::vector<unsigned char> bytes(static_cast<size_t>(cells) * 4);
    rc = read_block(con, file, bytes.data(), bytes.size(), 2);
    if (rc != 0) return rc;
    const bool add = file->merging && r->kind != 8;
    for (size_t i = 0; i < cells; ++i) {
        const uint32_t value = tran_get_u32(bytes.data() + 4 * i);
        r->missed[i] = add ? r->missed[i] + value : value;
    }
    return 0;
}

int read_factors(RSKCON* con, RSKRESFILE* file, RSKANLPROC* r, const RSKRESDESC& d) {
    int rc = expect_tag(con, file, "RFS ", 3);
    if (rc != 0) return rc;
    for (uint32_t i = 0; i < d.factor_count; ++i) {
        unsigned char head[2];
        char text[kResFactorNameMax];
        rc = read_block(con, file, head, 2, 3);
        if (rc != 0) return rc;
        const int16_t length = tran_get_i16(head);
        if (length < 1 || length > kResFactorNameMax) {   // no risk factor has such a name
            file->error = 1;
            return 1;
        }
        rc = read_block(con, file, text, static_cast<size_t>(length), 3);
        if (rc != 0) return rc;
        const RSKNAMEREC name{0, static_cast<uint16_t>(length), text};
        if (rsaface(con, r, &name, static_cast<int32_t>(i)) > 0) return 1;
    }
    return 0;
}

int read_outvars(RSKCON* con, RSKRESFILE* file, RSKANLPROC* r, int adopt) {
    int rc = expect_tag(con, file, "OUTV", 3);
    if (rc != 0) return rc;
    unsigned char count_bytes[4];
    rc = read_block(con, file, count_bytes, 4, 3);
    if (rc != 0) return rc;
    const uint32_t n = tran_get_u32(count_bytes);
    const int64_t left = bytes_left(file);
    if (left < 0 || static_cast<uint64_t>(n) * kResOutvEntryBytes > static_cast<uint64_t>(left)) {
        file->error = 1;   // a count beyond the member
        return 1;
    }
    if (!adopt || n == 0) return skip(file, static_cast<int64_t>(n) * kResOutvEntryBytes);
    auto* table = static_cast<RSKRESOUTV*>(
        rskmem_alloc(con, sizeof(RSKRESOUTV) * n, "output variable table", RSKMEM_RESULTS, 1));
    if (table == nullptr) return 1;
    for (uint32_t i = 0; i < n; ++i) {
        unsigned char entry[kResOutvEntryBytes];
        rc = read_block(con, file, entry, sizeof entry, 3);
        if (rc != 0) return rc;
        const int16_t length = tran_get_i16(entry + 6);
        if (length < 0 || length > 32) {
            file->error = 1;
            return 1;
        }
        table[i].length = length;
        std::memcpy(table[i].name, entry + 12, 32);
        table[i].next = i + 1 < n ? &table[i + 1] : nullptr;
    }
    r->outv_head = table;
    r->outv_count = static_cast<int32_t>(n);
    return 0;
}

int read_result(RSKCON* con, RSKRESFILE* file, RSKANLPROC* r, int adopt) {
    int rc = expect_tag(con, file, "RES ", 2);
    if (rc != 0) return rc;
    rc = read_block(con, file, file->descriptor, kResDescriptorBytes, 2);
    if (rc != 0) return rc;
    RSKRESDESC d;
    rskres_unpack_descriptor(file->descriptor, &d);
    rc = take_descriptor(con, file, r, d, adopt);
    if (rc == 0 && rskres_has_work(r)) rc = read_work(con, file, r, d);
    if (rc == 0 && rskres_has_missed(r)) rc = read_missed(con, file, r, d, adopt);
    if (rc == 0) rc = read_factors(con, file, r, d);
    if (rc == 0) rc = read_outvars(con, file, r, adopt);
    return rc;
}

}  // namespace

int rskres1(RSKCON* con, RSKRESFILE* file, RSKANLPROC* result, int adopt) {
    if (file == nullptr) {
        rskres_internal(con, "rskres1: null result file");
        return -1;
    }
    if (!file->open) {
        rskres_internal(con, "rskres1: result file not open");
        return -1;
    }
    if (file->error) return -1;
    return read_result(con, file, result, adopt);
}

int rskresr(RSKCON* con, int adopt) {
    if (con == nullptr || con->run_block == nullptr) return 1;
    RSKRESRUN* run = &con->run_block->results_file;
    RSKRESFILE* file = &run->file;
    if (setup_resfile(con, file) != 0) return 1;
    const int32_t results = rskres_result_count(run);
    int32_t sensitivities = 0;
    for (const RSKANLPROC* r = run->results; r != nullptr; r = r->next)
        if (r->kind == 2) ++sensitivities;
    const bool several = file->last_member > file->first_member;
    for (int32_t i = file->first_member; i <= file->last_member; ++i) {
        if (file->pattern != RSKRES_NAME_PLAIN) rskres_member_name(file, file->pattern, i, file->parts);
        if (rskreso(con, file, 'I') != 0) {
            xpmlog(598, 1323, "market state", 0);
            return 1;
        }
        RSKRESHEAD head;
        rskres_unpack_header(file->header, &head);
        file->is_first = i == file->first_member;
        file->is_last = i == file->last_member;
        file->merging = several && head.analysis_parts != 1;
        if (!run->keep_states && adopt) {
            if (head.states_generated > run->states_generated) run->states_generated = head.states_generated;
            run->states_held += head.states_held;
            if (!file->is_first) run->states_held -= sensitivities;
        }
        int rc = 0;
        if (rskres0(con, file) != 0) {
            xpmlog(598, 1324, "market state", 1);
            rc = 1;
        } else if (head.result_count != static_cast<uint32_t>(results)) {
            xpmlog(598, 1325, static_cast<int>(head.result_count), results);
            rc = 1;
        } else if (head.descriptor_size != kResDescriptorBytes) {
            xpmlog(598, 1324, "market state", static_cast<int>(head.descriptor_size));
            rc = 1;
        } else {
            char tag[4];
            if (rskres_read(file, tag, 4) != 0 || std::memcmp(tag, "BASE", 4) != 0) rc = 1;
        }
        for (RSKANLPROC* r = run->results; r != nullptr && rc == 0; r = r->next) {
            const int read = rskres1(con, file, r, adopt);
            if (read == 0) continue;
            const RSKNAMEREC* name = r->analysis != nullptr ? &r->analysis->name.name : nullptr;
            xpmlog(598, 1326, "market state", i, name != nullptr ? static_cast<int>(name->length) : 0,
                   name != nullptr ? name->text : "");
            rc = read < 0 ? 2 : read;
        }
        // The closing tag proves that no result was cut off or left over.
        if (rc == 0) {
            char tag[4];
            if (rskres_read(file, tag, 4) != 0 || std::memcmp(tag, "ZOZU", 4) != 0) {
                xpmlog(598, 1328, static_cast<int>(file->member_length), file->member);
                rc = 1;
            }
        }
        rskresc(con, file);
        if (rc != 0) return rc > 2 ? 2 : rc;
    }
    return 0;
}
