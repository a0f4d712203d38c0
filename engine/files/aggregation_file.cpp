// The aggregation utility file: opening a member with its 204-byte header, writing and reading
// cell records ("WEIC" and the key, "DONE" and the user data), rewinding and closing.
#include "engine/files/aggregation_file.h"

#include <cstring>

#include "engine/output/aggregation.h"
#include "engine/run/run_block.h"
#include "host/catalog.h"
#include "host/kernel.h"
#include "host/print.h"

namespace {

constexpr char kTitle[] = "Aggregation utility file";
constexpr char kStamp[] = "QJ 4.1  ";
constexpr char kWeightsTag[] = "WEIC";
constexpr char kValuesTag[] = "DONE";

void put_u32(unsigned char* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

void put_f64(unsigned char* at, double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    for (int i = 0; i < 8; ++i) at[i] = static_cast<unsigned char>(bits >> (8 * i));
}

RSKAGGRUN* run_of(RSKCON* con) { return con != nullptr && con->run_block != nullptr ? &con->run_block->aggregation : nullptr; }

// Internal errors of the file routines stop after ten per run.
void internal_error(RSKCON* con, const char* text) {
    RSKAGGRUN* run = run_of(con);
    if (run != nullptr && run->messages++ >= 10) return;
    xebug("%s", text);
}

void build_header(RSKCON* con, RSKAGGFILE* file) {
    unsigned char* h = file->header;
    std::memset(h, 0, kAggFileHeaderBytes);
    std::memcpy(h, kTitle, 24);
    std::memcpy(h + 24, kStamp, 8);
    const double now = wzdttme();
    put_f64(h + 32, now);
    put_f64(h + 40, now);
    const RSKAGGRUN* run = run_of(con);
    std::memcpy(h + 80, "STATES  ", 8);
    std::memcpy(h + 96, "VALUES  ", 8);
    if (run != nullptr) {
        put_u32(h + 88, static_cast<uint32_t>(run->analysis_part));
        put_u32(h + 92, static_cast<uint32_t>(run->analysis_parts));
        put_u32(h + 104, static_cast<uint32_t>(run->portfolio_part));
        put_u32(h + 108, static_cast<uint32_t>(run->portfolio_parts));
    }
    std::memcpy(h + 148, "AGS     ", 8);
    put_u32(h + kAggFileWeightsLengthAt, static_cast<uint32_t>(file->weights_length));
    put_u32(h + kAggFileValuesLengthAt, static_cast<uint32_t>(file->values_length));
    put_u32(h + kAggFileRecordCountAt, static_cast<uint32_t>(file->record_count));
}

// Reads exactly length bytes: 0; -1 at the end of the member (also part way, *got then says how
// far); else the host code.
int read_exactly(qor_entry* handle, void* buffer, size_t length, size_t* got = nullptr) {
    size_t read = 0;
    const int rc = xcread(handle, buffer, length, &read);
    if (got != nullptr) *got = read;
    if (rc == 0) return 0;
    if (static_cast<uint32_t>(rc) == QOR_C_END) return -1;
    return rc;
}

// A member may end only between records: an end part way through one means lost data, so it
// is a read failure (2), never the normal end that a caller would take for "no more cells".
int unexpected_end(RSKCON* con, RSKAGGFILE* file) {
    internal_error(con, "rskag1: unexpected end of file.");
    file->error = 1;
    return 2;
}

// A member read with another title, stamp or record lengths than the caller's would be cut into
// records at the wrong places: refuse it before any record is read. 0 or 1.
int check_header(RSKAGGFILE* file) {
    const unsigned char* h = file->header;
    if (std::memcmp(h, kTitle, 24) != 0 || std::memcmp(h + 24, kStamp, 8) != 0) {
        xpslog("%1zThe member %*s is not an aggregation utility file of this version.",
               static_cast<int>(file->member_length), file->member);
        return 1;
    }
    const uint32_t weights = rskag_header_word(file, kAggFileWeightsLengthAt);
    const uint32_t values = rskag_header_word(file, kAggFileValuesLengthAt);
    if (weights != static_cast<uint32_t>(file->weights_length) || values != static_cast<uint32_t>(file->values_length)) {
        xpslog("%1zThe aggregation member %*s holds cells of %li key and %li data bytes; this run's cells have %i and %i.",
               static_cast<int>(file->member_length), file->member, static_cast<long>(weights),
               static_cast<long>(values), file->weights_length, file->values_length);
        return 1;
    }
    return 0;
}

int open_failed(RSKCON* con, RSKAGGFILE* file, int code) {
    xpmlog(598, 1748, 0, static_cast<int>(file->member_length), file->member);
    rskagc(con, file);
    return code;
}

}  // namespace

uint32_t rskag_header_word(const RSKAGGFILE* file, int offset) {
    const unsigned char* at = file->header + offset;
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
           static_cast<uint32_t>(at[3]) << 24;
}

int rskago(RSKCON* con, RSKAGGFILE* file, int mode) {
    if (mode != 'I' && mode != 'O') {
        xebug("rskago: invalid flag %i.", mode);
        return 99;
    }
    qor_entry_request request;
    request.libref = std::string_view(file->libref, 8);
    request.name = std::string_view(file->member, static_cast<size_t>(file->member_length));
    request.type = "PUTILITY";
    request.mode = (mode == 'I' ? QOR_CO_INPUT : QOR_CO_OUTPUT) | QOR_CO_STREAM;
    file->records = 0;
    file->error = 0;
    file->writing = mode == 'O';
    int rc = xcopen(request, &file->handle);
    if (rc != 0) {
        file->handle = nullptr;
        return open_failed(con, file, rc);
    }
    file->open = 1;
    if (mode == 'O') {
        build_header(con, file);
        rc = xcwrite(file->handle, file->header, kAggFileHeaderBytes);
    } else {
        rc = read_exactly(file->handle, file->header, kAggFileHeaderBytes);
        if (rc != 0 && rc != -1) xprrlog(0, rc);
        if (rc == -1) rc = static_cast<int>(QOR_C_END);   // a member shorter than its header
        if (rc == 0) rc = check_header(file);
    }
    if (rc != 0) {
        file->error = 1;
        return open_failed(con, file, rc);
    }
    return 0;
}

int rskagw(RSKCON*, RSKAGGFILE* file) {
    int rc = 0;
    if (file->weights_length > 0) {
        rc = xcwrite(file->handle, kWeightsTag, 4);
        if (rc == 0) rc = xcwrite(file->handle, file->weights, static_cast<size_t>(file->weights_length));
    }
    if (rc == 0) rc = xcwrite(file->handle, kValuesTag, 4);
    if (rc == 0) rc = xcwrite(file->handle, file->values, static_cast<size_t>(file->values_length));
    if (rc != 0) {
        xprrlog(0, rc);
        file->error = 1;
        return rc;
    }
    ++file->records;
    return 0;
}

int rskag1(RSKCON* con, RSKAGGFILE* file) {
    if (file == nullptr) {
        internal_error(con, "rskag1: null aggregation file");
        return -1;
    }
    if (!file->open) {
        internal_error(con, "rskag1: aggregation file not open");
        return -1;
    }
    if (file->error) return -1;
    char tag[4];
    int rc;
    size_t got = 0;
    bool started = false;            // bytes of this record were read
    if (file->weights_length > 0) {
        rc = read_exactly(file->handle, tag, 4, &got);
        started = got > 0;
        if (rc == 0 && std::memcmp(tag, kWeightsTag, 4) != 0) return 1;
        if (rc == 0) rc = read_exactly(file->handle, file->weights, static_cast<size_t>(file->weights_length));
        if (rc == -1) return started ? unexpected_end(con, file) : -1;
        if (rc != 0) goto failed;
    }
    rc = read_exactly(file->handle, tag, 4, &got);
    started = started || got > 0;
    if (rc == -1) return started ? unexpected_end(con, file) : -1;
    if (rc != 0) goto failed;
    if (std::memcmp(tag, kValuesTag, 4) != 0) return 1;
    rc = read_exactly(file->handle, file->values, static_cast<size_t>(file->values_length));
    if (rc == -1) return unexpected_end(con, file);
    if (rc != 0) goto failed;
    for (RSKCCVAR* e = file->restore; e != nullptr; e = e->next)
        if (e->value_source != nullptr) std::memcpy(e->value_source, e->key_slot, static_cast<size_t>(e->length));
    ++file->records;
    return 0;
failed:
    xprrlog(0, rc);
    file->error = 1;
    return 2;
}

int rskag0(RSKCON*, RSKAGGFILE* file) {
    if (file->error) return 1;
    int rc = xcpoint(file->handle, 0);
    if (rc == 0) rc = read_exactly(file->handle, file->header, kAggFileHeaderBytes);
    if (rc != 0) {
        if (rc != -1) xprrlog(0, rc);
        file->error = 1;
        return 2;
    }
    file->records = 0;
    return 0;
}

int rskagc(RSKCON* con, RSKAGGFILE* file) {
    if (file == nullptr) {
        internal_error(con, "rskagc: null instruments file pointer");
        return 1;
    }
    int rc = 0;
    if (file->open && file->handle != nullptr) {
        // A member whose writing failed is not put in place: the old one (if any) stays.
        const int flags = file->writing && file->error ? QOR_CC_DISCARD : 0;
        rc = xcclose(file->handle, flags);
        if (rc != 0) xcclose(file->handle, QOR_CC_DISCARD);
    }
    file->handle = nullptr;
    std::memset(file->libref, ' ', 8);
    file->open = 0;
    return rc != 0 ? 1 : 0;
}
