// The results utility file's member frame: naming, the header and descriptor images, opening
// with the start tag and header (checked on input), rewinding and closing.
#include <cstring>

#include "engine/files/instrument_file_layout.h"
#include "engine/files/instrument_file_messages.h"
#include "engine/files/results_file.h"
#include "engine/files/results_file_internal.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"
#include "host/catalog.h"
#include "host/kernel.h"
#include "host/print.h"

namespace {

constexpr char kTitle[] = "Results utility file    ";
constexpr char kStamp[] = "QJ 4.1  ";

void put_i64(unsigned char* at, int64_t value) {
    const auto bits = static_cast<uint64_t>(value);
    for (int i = 0; i < 8; ++i) at[i] = static_cast<unsigned char>(bits >> (8 * i));
}

int64_t get_i64(const unsigned char* at) {
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = bits << 8 | at[i];
    return static_cast<int64_t>(bits);
}

uint32_t u32_of(int64_t value) { return value < 0 ? 0u : static_cast<uint32_t>(value); }

void build_header(RSKCON* con, RSKRESFILE* file) {
    unsigned char* h = file->header;
    std::memset(h, 0, kResHeaderBytes);
    std::memcpy(h, kTitle, 24);
    std::memcpy(h + 24, kStamp, 8);
    tran_put_f64(h + 32, wzdttme());
    tran_put_f64(h + 40, static_cast<double>(compute_res_checksum(con)));
    const RSKRESRUN* run = &con->run_block->results_file;
    tran_put_u32(h + 48, run->state_size);
    tran_put_u32(h + 52, run->layout_count);
    tran_put_u32(h + 56, u32_of(run->states_generated));
    tran_put_u32(h + 60, u32_of(run->states_held));
    tran_put_u32(h + 64, static_cast<uint32_t>(rskres_part(run->analysis_part)));
    tran_put_u32(h + 68, static_cast<uint32_t>(rskres_part(run->analysis_parts)));
    tran_put_u32(h + 72, static_cast<uint32_t>(rskres_part(run->portfolio_part)));
    tran_put_u32(h + 76, static_cast<uint32_t>(rskres_part(run->portfolio_parts)));
    const int length = run->location_length < 0 ? 0 : run->location_length > 32 ? 32 : run->location_length;
    std::memcpy(h + 80, run->location, static_cast<size_t>(length));
    tran_put_u32(h + 116, static_cast<uint32_t>(rskres_result_count(run)));
    tran_put_u32(h + 120, kResDescriptorBytes);
}

int open_failed(RSKCON* con, RSKRESFILE* file, int code) {
    xpmlog(598, 1748, 0, static_cast<int>(file->member_length), file->member);
    file->error = 1;
    rskresc(con, file);
    return code;
}

// Reads and checks the start tag and the header: 0; 1 a foreign title or stamp (after its
// message); 2 a short or unreadable member; 3 a start tag that is not "ZOZU".
int read_start(RSKRESFILE* file) {
    unsigned char tag[4];
    int rc = rskres_read(file, tag, 4);
    if (rc == 0) rc = rskres_read(file, file->header, kResHeaderBytes);
    if (rc != 0) return 2;
    if (std::memcmp(tag, "ZOZU", 4) != 0) return 3;
    if (std::memcmp(file->header, kTitle, 24) != 0) {
        xpmlog(598, 1334, "market state", static_cast<int>(file->member_length), file->member, 1);
        return 1;
    }
    if (std::memcmp(file->header + 24, kStamp, 8) != 0) {
        xpmlog(598, 1335, "market state", static_cast<int>(file->member_length), file->member);
        return 1;
    }
    return 0;
}

}  // namespace

int rskres_part(int32_t n) { return n > 0 ? n : 1; }

int32_t rskres_result_count(const RSKRESRUN* run) {
    int32_t count = 0;
    for (const RSKANLPROC* r = run->results; r != nullptr; r = r->next) ++count;
    return count;
}

void rskres_internal(RSKCON* con, const char* text) {
    if (rsktran_internal(con)) xebug("%s", text);
}

int rskres_read(RSKRESFILE* file, void* buffer, size_t length) {
    size_t got = 0;
    const int rc = xcread(file->handle, buffer, length, &got);
    if (rc == 0) return 0;
    if (static_cast<uint32_t>(rc) != QOR_C_END) xprrlog(0, rc);
    file->error = 1;
    return static_cast<uint32_t>(rc) == QOR_C_END ? -1 : rc;
}

int rskres_write(RSKRESFILE* file, const void* buffer, size_t length) {
    if (file->error) return 1;
    const int rc = xcwrite(file->handle, buffer, length);
    if (rc == 0) return 0;
    xprrlog(0, rc);
    file->error = 1;
    return rc;
}

void rskres_member_name(RSKRESFILE* file, int32_t pattern, int32_t index, int32_t parts) {
    char name[33];
    if (pattern == RSKRES_NAME_ANALYSIS) xpsstr(name, sizeof name, "SUTIL_%i_%i_1_1", index, parts);
    else if (pattern == RSKRES_NAME_PORTFOLIO) xpsstr(name, sizeof name, "SUTIL_1_1_%i_%i", index, parts);
    else std::strcpy(name, "SUTIL");
    const size_t length = std::strlen(name);
    std::memset(file->member, ' ', sizeof file->member);
    std::memcpy(file->member, name, length);
    file->member_length = static_cast<int16_t>(length);
}

void rskres_unpack_header(const unsigned char* h, RSKRESHEAD* head) {
    std::memcpy(head->title, h, 24);
    std::memcpy(head->stamp, h + 24, 8);
    head->created = tran_get_f64(h + 32);
    head->checksum = tran_get_f64(h + 40);
    head->state_size = tran_get_u32(h + 48);
    head->layout_count = tran_get_u32(h + 52);
    head->states_generated = tran_get_u32(h + 56);
    head->states_held = tran_get_u32(h + 60);
    head->analysis_part = tran_get_u32(h + 64);
    head->analysis_parts = tran_get_u32(h + 68);
    head->portfolio_part = tran_get_u32(h + 72);
    head->portfolio_parts = tran_get_u32(h + 76);
    std::memcpy(head->location, h + 80, 32);
    head->result_count = tran_get_u32(h + 116);
    head->descriptor_size = tran_get_u32(h + 120);
}

void rskres_pack_descriptor(const RSKRESDESC* d, unsigned char* b) {
    std::memset(b, 0, kResDescriptorBytes);
    tran_put_u32(b, d->ordinal);
    std::memcpy(b + 4, d->name, 32);
    tran_put_u32(b + 36, static_cast<uint32_t>(d->name_length));
    const uint32_t words[] = {d->kind, d->build_count, d->first_state, d->state_count, d->work_length,
                              d->size_field, d->horizons, d->simulation_size, d->missed_rows, d->factor_count,
                              d->further_count, d->outvar_field, d->outvar_max};
    for (size_t i = 0; i < sizeof words / sizeof words[0]; ++i) tran_put_u32(b + 40 + 4 * i, words[i]);
    for (int i = 0; i < 4; ++i) put_i64(b + 92 + 8 * i, d->counters[i]);
    tran_put_u32(b + 124, d->result_flags);
}

void rskres_unpack_descriptor(const unsigned char* b, RSKRESDESC* d) {
    d->ordinal = tran_get_u32(b);
    std::memcpy(d->name, b + 4, 32);
    d->name_length = static_cast<int32_t>(tran_get_u32(b + 36));
    uint32_t* words[] = {&d->kind, &d->build_count, &d->first_state, &d->state_count, &d->work_length,
                         &d->size_field, &d->horizons, &d->simulation_size, &d->missed_rows, &d->factor_count,
                         &d->further_count, &d->outvar_field, &d->outvar_max};
    for (size_t i = 0; i < sizeof words / sizeof words[0]; ++i) *words[i] = tran_get_u32(b + 40 + 4 * i);
    for (int i = 0; i < 4; ++i) d->counters[i] = get_i64(b + 92 + 8 * i);
    d->result_flags = tran_get_u32(b + 124);
}

int rskreso(RSKCON* con, RSKRESFILE* file, int mode) {
    if (mode != 'I' && mode != 'O') {
        xebug("rskreso: invalid flag %i.", mode);
        return 99;
    }
    file->mode = mode;
    file->error = 0;
    file->open = 0;
    qor_entry_request request;
    request.libref = std::string_view(file->libref, 8);
    request.name = std::string_view(file->member, static_cast<size_t>(file->member_length));
    request.type = "PUTILITY";
    request.mode = (mode == 'I' ? QOR_CO_INPUT : QOR_CO_OUTPUT) | QOR_CO_STREAM;
    int rc = xcopen(request, &file->handle);
    if (rc != 0) {
        file->handle = nullptr;
        if (mode == 'I' && static_cast<uint32_t>(rc) == QOR_C_NOT_FOUND) {
            xpmlog(598, 1333, "market state", static_cast<int>(file->member_length), file->member);
            return open_failed(con, file, 2);
        }
        return open_failed(con, file, rc);
    }
    file->open = 1;
    if (mode == 'O') {
        build_header(con, file);
        rc = rskres_write(file, "ZOZU", 4);
        if (rc == 0) rc = rskres_write(file, file->header, kResHeaderBytes);
        return rc == 0 ? 0 : open_failed(con, file, rc);
    }
    rc = read_start(file);
    if (rc == 0) return 0;
    if (rc == 3) {   // a foreign start tag is refused without a message
        file->error = 1;
        rskresc(con, file);
        return 1;
    }
    return open_failed(con, file, rc);
}

int rskresc(RSKCON* con, RSKRESFILE* file) {
    if (file == nullptr) {
        rskres_internal(con, "rskresc: null instruments file pointer");
        return 1;
    }
    int rc = 0;
    if (file->open && file->handle != nullptr) {
        // A member whose writing failed is not put in place: an older one (if any) stays.
        const int flags = file->mode == 'O' && file->error ? QOR_CC_DISCARD : 0;
        rc = xcclose(file->handle, flags);
        if (rc != 0) xcclose(file->handle, QOR_CC_DISCARD);
    }
    file->handle = nullptr;
    file->open = 0;
    return rc != 0 ? 1 : 0;
}

int rskres0(RSKCON*, RSKRESFILE* file) {
    if (file->error) return 1;
    if (xcpoint(file->handle, 0) != 0) {
        file->error = 1;
        return 2;
    }
    return read_start(file) == 0 ? 0 : 2;
}
