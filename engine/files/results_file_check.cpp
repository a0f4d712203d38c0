// The configuration checksum of a run's analyses, the choice of the results members to read
// (setup_resfile) and the comparison of the checksum with every one of them (rskress).
#include <cstring>

#include "engine/analyses/analysis_phases.h"
#include "engine/files/results_file.h"
#include "engine/files/results_file_internal.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/names/name_records.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"
#include "common/files/names.h"
#include "host/print.h"

namespace {

constexpr uint64_t kMultiplier = 1289;
constexpr uint64_t kModulus = 1664407;

uint32_t u32_of(int64_t value) { return static_cast<uint32_t>(value); }

uint32_t add_bytes(uint32_t c, const char* text, int length) {
    for (int i = 0; i < length; ++i) c = rskres_checksum_add(c, static_cast<unsigned char>(text[i]));
    return c;
}

uint32_t add_names(uint32_t c, const RSKNAMECELL* cell) {
    for (; cell != nullptr; cell = cell->next) c = add_bytes(c, cell->name.name.text, cell->name.name.length);
    return c;
}

bool blank(const char* text, int length) {
    for (int i = 0; i < length; ++i)
        if (text[i] != ' ' && text[i] != '\0') return false;
    return true;
}

// Whether the member exists in the file's library (0 = exists).
int member_missing(RSKRESFILE* file) {
    char libref[9];
    std::memcpy(libref, file->libref, 8);
    libref[8] = '\0';
    for (int i = 7; i >= 0 && libref[i] == ' '; --i) libref[i] = '\0';
    return zdfxst(libref, file->member, file->member_length, "PUTILITY") != 0;
}

// Opens one member, reads its header and closes it: 0 when its checksum is `expected`; 1 after
// 598/1338 (unreadable) or 598/1339 (configuration changed).
int check_checksum(RSKCON* con, RSKRESFILE* file, double expected) {
    if (rskreso(con, file, 'I') != 0) {
        xpmlog(598, 1338, "market state", static_cast<int>(file->member_length), file->member);
        return 1;
    }
    RSKRESHEAD head;
    rskres_unpack_header(file->header, &head);
    rskresc(con, file);
    if (head.checksum != expected) {
        xpmlog(598, 1339, static_cast<int>(file->member_length), file->member);
        return 1;
    }
    return 0;
}

}  // namespace

uint32_t rskres_checksum_add(uint32_t checksum, uint32_t value) {
    return static_cast<uint32_t>((kMultiplier * checksum + value) % kModulus);
}

uint32_t compute_res_checksum(RSKCON* con) {
    const RSKRESRUN* run = &con->run_block->results_file;
    uint32_t c = 0;
    c = rskres_checksum_add(c, u32_of(run->states_generated));
    c = rskres_checksum_add(c, static_cast<uint32_t>(rskres_result_count(run)));
    c = rskres_checksum_add(c, kResDescriptorBytes);
    for (const RSKANLPROC* r = run->results; r != nullptr; r = r->next) {
        const RSKANALYSIS* a = r->analysis;
        const int length = a != nullptr ? (a->name.name.length > 32 ? 32 : a->name.name.length) : 0;
        if (a != nullptr) c = add_bytes(c, a->name.name.text, length);
        c = rskres_checksum_add(c, static_cast<uint32_t>(length));
        uint32_t factors = 0;
        for (const RSKRUNFACTOR* f = r->run_factors_head; f != nullptr; f = f->next) ++factors;
        const int32_t counts[] = {r->build_count, r->first_state, r->state_count, r->simulation_size,
                                  r->missed_rows, r->horizons};
        for (int32_t v : counts) c = rskres_checksum_add(c, static_cast<uint32_t>(v));
        c = rskres_checksum_add(c, factors);
        if (a != nullptr) c = add_names(c, a->conditional_head);
        c = rskres_checksum_add(c, static_cast<uint32_t>(r->further_count));
        if (a != nullptr) c = add_names(c, a->marginal_head);
        c = rskres_checksum_add(c, static_cast<uint32_t>(r->outvar_field));
        c = rskres_checksum_add(c, static_cast<uint32_t>(r->outvar_max));
    }
    return c;
}

int setup_resfile(RSKCON* con, RSKRESFILE* file) {
    const RSKRESRUN* run = &con->run_block->results_file;
    if (run->source == RSKRES_SOURCE_NONE || blank(run->source_libref, 8)) {
        xpmlog(598, 1330);
        return 1;
    }
    for (int i = 0; i < 8; ++i) {
        const char c = run->source_libref[i];
        file->libref[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c == '\0' ? ' ' : c;
    }
    file->pattern = RSKRES_NAME_PLAIN;
    file->first_member = file->last_member = file->parts = 1;
    auto members = [file](int32_t pattern, int32_t first, int32_t last, int32_t parts) {
        file->pattern = pattern;
        file->first_member = first;
        file->last_member = last;
        file->parts = parts;
    };
    const int A = rskres_part(run->analysis_parts), P = rskres_part(run->portfolio_parts);
    if (run->source == RSKRES_SOURCE_OWN) {
        const int N = rskres_part(run->own_parts);
        if (N >= 2) members(RSKRES_NAME_ANALYSIS, 1, N, N);
        else if (A >= 2) members(RSKRES_NAME_ANALYSIS, rskres_part(run->analysis_part), rskres_part(run->analysis_part), A);
    } else if (P >= 2) {
        members(RSKRES_NAME_PORTFOLIO, rskres_part(run->portfolio_part), rskres_part(run->portfolio_part), P);
    } else {
        const int LA = rskres_part(run->location_analysis_parts), LP = rskres_part(run->location_portfolio_parts);
        if (LA >= 2) {
            members(RSKRES_NAME_ANALYSIS, 1, LA, LA);
        } else if (LP >= 2) {
            // The parts' states are the same: the first part's member serves, or the combined
            // member when the parts' members are gone.
            members(RSKRES_NAME_PORTFOLIO, 1, 1, LP);
            rskres_member_name(file, RSKRES_NAME_PORTFOLIO, 1, LP);
            if (member_missing(file)) members(RSKRES_NAME_PLAIN, 1, 1, 1);
        }
    }
    rskres_member_name(file, file->pattern, file->first_member, file->parts);
    return 0;
}

int rskress(RSKCON* con) {
    if (con == nullptr || con->run_block == nullptr) return 1;
    RSKRESRUN* run = &con->run_block->results_file;
    // A run that reads nothing back has nothing to compare.
    if (run->source == RSKRES_SOURCE_NONE) return 0;
    RSKRESFILE* file = &run->file;
    if (setup_resfile(con, file) != 0) return 1;
    const double expected = static_cast<double>(compute_res_checksum(con));
    int failed = 0;
    // Every member the reader will read is compared, the last one too.
    for (int32_t i = file->first_member; i <= file->last_member && failed == 0; ++i) {
        rskres_member_name(file, file->pattern, i, file->parts);
        failed = check_checksum(con, file, expected);
    }
    if (failed == 0) return 0;
    if (run->source == RSKRES_SOURCE_OWN) xpmlog(598, 1336);
    else xpmlog(598, 1337, 8, file->libref);
    return 1;
}
