// Writing the results utility member of a run part: "BASE", then per analysis result its
// descriptor and blocks ("WORK", "NADJ", "RFS ", "OUTV"), then the closing "ZOZU".
#include <cstring>
#include <vector>

#include "engine/analyses/analysis_phases.h"
#include "engine/files/instrument_file_layout.h"
#include "engine/files/results_file.h"
#include "engine/files/results_file_internal.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"
#include "common/files/names.h"
#include "host/print.h"

namespace {

uint32_t u32_of(int64_t value) { return value < 0 ? 0u : static_cast<uint32_t>(value); }

// The name of the result's analysis: length and the 32 bytes stored, zero-filled after it.
int result_name(const RSKANLPROC* result, char* name) {
    std::memset(name, 0, 32);
    if (result->analysis == nullptr) return 0;
    const RSKNAMEREC& n = result->analysis->name.name;
    const int length = n.length > 32 ? 32 : n.length;
    std::memcpy(name, n.text, static_cast<size_t>(length));
    return length;
}

int write_descriptor(RSKRESFILE* file, const RSKANLPROC* result) {
    RSKRESDESC d{};
    d.ordinal = u32_of(result->ordinal);
    d.name_length = result_name(result, d.name);
    d.kind = result->kind;
    d.build_count = u32_of(result->build_count);
    d.first_state = u32_of(result->first_state);
    d.state_count = u32_of(result->state_count);
    d.work_length = static_cast<uint32_t>(result->work_size);
    d.size_field = u32_of(result->size_field);
    d.horizons = u32_of(result->horizons);
    d.simulation_size = u32_of(result->simulation_size);
    d.missed_rows = u32_of(result->missed_rows);
    d.factor_count = 0;
    for (const RSKRUNFACTOR* f = result->run_factors_head; f != nullptr; f = f->next) ++d.factor_count;
    d.further_count = u32_of(result->further_count);
    d.outvar_field = u32_of(result->outvar_field);
    d.outvar_max = u32_of(result->outvar_max);
    for (int i = 0; i < 4; ++i) d.counters[i] = result->state_counters[i];
    d.result_flags = result->result_flags;
    rskres_pack_descriptor(&d, file->descriptor);
    int rc = rskres_write(file, "RES ", 4);
    if (rc == 0) rc = rskres_write(file, file->descriptor, kResDescriptorBytes);
    return rc;
}

// Writes `bytes` bytes of `data`, or zeros when the result has no such area.
int write_area(RSKRESFILE* file, const void* data, size_t bytes) {
    if (bytes == 0) return 0;
    if (data != nullptr) return rskres_write(file, data, bytes);
    const std::vector<unsigned char> zeros(bytes, 0);
    return rskres_write(file, zeros.data(), bytes);
}

int write_blocks(RSKRESFILE* file, const RSKANLPROC* result) {
    int rc = 0;
    if (rskres_has_work(result)) {
        rc = rskres_write(file, "WORK", 4);
        if (rc == 0) rc = write_area(file, result->work, result->work_size);
    }
    if (rc == 0 && rskres_has_missed(result)) {
        rc = rskres_write(file, "NADJ", 4);
        const size_t row = static_cast<size_t>(result->horizons > 0 ? result->horizons : 0) * 4;
        const size_t rows = static_cast<size_t>(result->missed_rows > 0 ? result->missed_rows : 0);
        // The table is stored little-endian whatever the machine.
        std::vector<unsigned char> bytes(row * rows, 0);
        if (result->missed != nullptr)
            for (size_t i = 0; i < bytes.size() / 4; ++i) tran_put_u32(bytes.data() + 4 * i, result->missed[i]);
        if (rc == 0) rc = write_area(file, bytes.data(), bytes.size());
    }
    if (rc == 0) rc = rskres_write(file, "RFS ", 4);
    for (const RSKRUNFACTOR* f = result->run_factors_head; f != nullptr && rc == 0; f = f->next) {
        const RSKNAMEREC& n = f->variable->name.name;
        const int16_t length = static_cast<int16_t>(n.length > kResFactorNameMax ? kResFactorNameMax : n.length);
        unsigned char head[2];
        tran_put_i16(head, length);
        rc = rskres_write(file, head, 2);
        if (rc == 0) rc = rskres_write(file, n.text, static_cast<size_t>(length));
    }
    if (rc == 0) rc = rskres_write(file, "OUTV", 4);
    uint32_t count = 0;
    for (const RSKRESOUTV* e = result->outv_head; e != nullptr; e = e->next) ++count;
    unsigned char entry[kResOutvEntryBytes];
    tran_put_u32(entry, count);
    if (rc == 0) rc = rskres_write(file, entry, 4);
    for (const RSKRESOUTV* e = result->outv_head; e != nullptr && rc == 0; e = e->next) {
        std::memset(entry, 0, sizeof entry);
        const int16_t length = static_cast<int16_t>(e->length < 0 ? 0 : e->length > 32 ? 32 : e->length);
        tran_put_i16(entry + 4, 32);
        tran_put_i16(entry + 6, length);
        std::memcpy(entry + 12, e->name, static_cast<size_t>(length));
        rc = rskres_write(file, entry, sizeof entry);
    }
    return rc;
}

}  // namespace

bool rskres_has_work(const RSKANLPROC* result) {
    const uint32_t kind = result->kind;
    return kind == 2 || kind == 3 || kind == 4 || (kind == 13 && result->subkind == 3);
}

bool rskres_has_missed(const RSKANLPROC* result) {
    switch (result->kind) {
    case 6: case 7: case 8: case 9: case 15: case 17: return true;
    case 13: return result->subkind >= 4 && result->subkind <= 7;
    default: return false;
    }
}

int rskresw(RSKCON* con) {
    if (con == nullptr || con->run_block == nullptr) return 1;
    RSKRESRUN* run = &con->run_block->results_file;
    RSKRESFILE* file = &run->file;
    std::memset(file->libref, ' ', 8);
    for (int i = 0; i < 8; ++i) {
        const char c = run->output_libref[i];
        file->libref[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    const int a = rskres_part(run->analysis_part), A = rskres_part(run->analysis_parts);
    const int p = rskres_part(run->portfolio_part), P = rskres_part(run->portfolio_parts);
    if (A >= 2) rskres_member_name(file, RSKRES_NAME_ANALYSIS, a, A);
    else if (P >= 2) rskres_member_name(file, RSKRES_NAME_PORTFOLIO, p, P);
    else rskres_member_name(file, RSKRES_NAME_PLAIN, 1, 1);

    // The member goes into the output library: without its directory there is nowhere to write.
    char libref[9];
    std::memcpy(libref, file->libref, 8);
    libref[8] = '\0';
    for (int i = 7; i >= 0 && libref[i] == ' '; --i) libref[i] = '\0';
    const char* path = nullptr;
    int path_length = 0;
    if (zlib2ph(libref, &path, &path_length) != 0) {
        xpmlog(598, 1748, 0, static_cast<int>(file->member_length), file->member);
        return 1;
    }
    const size_t kept = static_cast<size_t>(path_length) < sizeof file->directory ? static_cast<size_t>(path_length)
                                                                                   : sizeof file->directory - 1;
    std::memcpy(file->directory, path, kept);
    file->directory[kept] = '\0';

    int rc = rskreso(con, file, 'O');
    if (rc != 0) return rc;
    rc = rskres_write(file, "BASE", 4);
    for (RSKANLPROC* result = run->results; result != nullptr && rc == 0; result = result->next) {
        rc = write_descriptor(file, result);
        if (rc == 0) rc = write_blocks(file, result);
    }
    if (rc == 0) rc = rskres_write(file, "ZOZU", 4);
    // A failed write discards the member (the error flag is set); a failed commit counts too.
    const int closed = rskresc(con, file);
    if (rc == 0 && closed != 0) rc = 1;
    return rc;
}
