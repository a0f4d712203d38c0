// Reading instruments back: one record with its value block and optional blocks, every check a
// damaged or foreign file must fail, the filter and range, and the rewind of both members.
#include <cstring>

#include "engine/files/instrument_file.h"
#include "engine/files/instrument_file_internal.h"
#include "engine/files/instrument_file_messages.h"
#include "engine/files/instrument_values.h"
#include "engine/model/filters/instrument_filters.h"
#include "engine/model/positions/instrument_files.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/value_cells.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_block.h"
#include "host/catalog.h"
#include "host/print.h"

namespace {

int name_length(const RSKOBJNAME& name) { return static_cast<int>(name.name.length); }

void set_text(RSKVARIABLE* v, const char* text, int length) {
    if (v == nullptr || v->value == nullptr) return;
    const int width = static_cast<int>(v->length);
    const int kept = length < width ? length : width;
    auto* out = static_cast<char*>(v->value);
    if (kept > 0) std::memcpy(out, text, static_cast<size_t>(kept));
    if (width > kept) std::memset(out + kept, ' ', static_cast<size_t>(width - kept));
}

// A failed read: end of member inside an instrument is a damaged file, like any other failure.
int read_failed(RSKCON* con, RSKTRANFILE* file, int rc) {
    if (rc == static_cast<int>(QOR_C_END)) {
        if (rsktran_internal(con)) xebug("rsktra1: unexpected end of file.");
    } else {
        xprrlog(0, rc);
    }
    file->error = 1;
    return RSKTRAN_FAILED;
}

int damaged(RSKCON* con, RSKTRANFILE* file, double number) {
    (void)con;
    const RSKTFILE* d = file->definition;
    xpmlog(598, 1702, number, name_length(d->name), d->name.buffer);
    file->error = 1;
    return RSKTRAN_FAILED;
}

// The bytes of the instrument member after the current position.
int64_t bytes_left(const RSKTRANFILE* file) {
    int64_t at = 0;
    if (xcnote(file->instruments, &at) != 0) return 0;
    return file->instrument_bytes - at;
}

// Reads one instrument: RSKTRAN_READ, RSKTRAN_END at the member's end, RSKTRAN_FAILED.
int read_transaction(RSKCON* con, RSKTRANFILE* file) {
    RSKTFILE* d = file->definition;
    const double number = file->records_read + 1;
    size_t got = 0;
    int rc = xcread(file->instruments, file->record, kTranRecordBytes, &got);
    if (rc == static_cast<int>(QOR_C_END) && got == 0) {
        // A clean end must come after as many instruments as the information member counts.
        if (file->records_read != file->written) {
            xpmlog(598, 1706, file->records_read, file->written, name_length(d->name), d->name.buffer);
            file->error = 1;
            return RSKTRAN_FAILED;
        }
        file->at_end = 1;
        return RSKTRAN_END;
    }
    if (rc != 0) return read_failed(con, file, rc);
    RSKTRANREC record;
    const int problem = tran_unpack_record(file->record, file->swapped_names, &record);
    if (file->expected_fingerprint != 0 && record.fingerprint != file->expected_fingerprint) {
        const char* path = nullptr;
        const int path_length = tran_physical_path(con, file, &path);
        xpmlog(598, 1777, number, name_length(d->name), d->name.buffer, path_length, path);
        file->error = 1;
        return RSKTRAN_FAILED;
    }
    if (record.type != RSKTREC_INSTRUMENT || problem != RSKTREC_OK ||
        static_cast<int64_t>(record.value_length) + record.quad_length + record.cash_length > bytes_left(file))
        return damaged(con, file, number);
    // Consecutive instruments mostly share their type: the look-up, with its access check against
    // the catalog, is made when the type changes.
    RSKINSTTYPE* type = file->current_type;
    if (type == nullptr || type->name.name.length != record.type_name.length ||
        std::memcmp(type->name.name.text, record.type_name.text, record.type_name.length) != 0)
        type = rskcls(con, record.type_name.text, record.type_name.length);
    if (type == nullptr) {
        xpmlog(598, 1703, static_cast<int>(record.type_name.length), record.type_name.text, number,
               name_length(d->name), d->name.buffer);
        file->error = 1;
        return RSKTRAN_FAILED;
    }
    file->current_type = type;

    // The instrument's variables start from their initial values.
    for (RSKVARLINK* link = type->resolved_head; link != nullptr; link = link->next)
        if (link->variable != nullptr && link->variable->value != nullptr) rskvali(link->variable);
    RSKSYSVARS* sv = con->system_variables;
    if (sv != nullptr) {
        set_text(sv->inst_type, type->name.buffer, name_length(type->name));
        set_text(sv->inst_id, record.id, record.id_length);
        set_text(sv->inst_source, record.source.text, record.source.length);
    }
    uint32_t size = 0, checksum = 0;
    tran_type_layout(con, type, &size, &checksum);
    if (record.value_length != size) {
        xpmlog(598, 1704, name_length(d->name), d->name.buffer, number, name_length(type->name), type->name.buffer,
               static_cast<int>(record.value_length), static_cast<int>(size), name_length(type->name),
               type->name.buffer);
        file->error = 1;
        return RSKTRAN_FAILED;
    }
    if (record.checksum != checksum) {
        xpmlog(598, 1705, name_length(d->name), d->name.buffer, number, name_length(type->name), type->name.buffer,
               name_length(type->name), type->name.buffer);
        file->error = 1;
        return RSKTRAN_FAILED;
    }
    if ((record.quad_length > 0 && !type->quadratic) || (record.cash_length > 0 && !type->cash_flows))
        return damaged(con, file, number);
    if (tran_reserve(con, &file->values, &file->values_capacity, size, "instruments buffer") != 0) return 1;
    if (size > 0) {
        rc = xcread(file->instruments, file->values, size, nullptr);
        if (rc != 0) return read_failed(con, file, rc);
        tran_values_in(con, type, file->values, size);
    }
    const uint32_t block_bytes = record.quad_length + record.cash_length;
    if (block_bytes > 0) {
        if (tran_reserve(con, &file->block, &file->block_capacity, block_bytes, "instruments buffer") != 0) return 1;
        rc = xcread(file->instruments, file->block, block_bytes, nullptr);
        if (rc != 0) return read_failed(con, file, rc);
        if (tran_get_u32(file->block) != record.count) return damaged(con, file, number);
        RSKVARIABLE* target = sv == nullptr ? nullptr : record.quad_length > 0 ? sv->quad_value : sv->cash_flows;
        if (target == nullptr) return damaged(con, file, number);
        const int grown = record.quad_length > 0 ? tran_quad_unpack(con, target, file->block, record.count)
                                                 : tran_cash_unpack(con, target, file->block, record.count);
        if (grown != 0) return 1;
    }
    file->records_read += 1;
    tran_set_number(con, RSKTNUM_NUMBER, tran_get_number(con, RSKTNUM_NUMBER) + 1);
    return RSKTRAN_READ;
}

}  // namespace

int rsktra1(RSKCON* con, RSKTRANFILE* file, RSKINSTTYPE** type_out) {
    if (type_out != nullptr) *type_out = nullptr;
    if (file == nullptr || file->definition == nullptr) {
        if (rsktran_internal(con)) xebug("rsktra1: null instruments file");
        return RSKTRAN_FAILED;
    }
    if (!file->open || file->instruments == nullptr || file->mode != 'I') {
        if (rsktran_internal(con)) xebug("rsktra1: instruments file not open");
        return RSKTRAN_FAILED;
    }
    // After a failure the rest of the portfolio is unknown: every read fails until the close, so
    // that no loop over positions ends as if the file were complete.
    if (file->error) return RSKTRAN_FAILED;
    if (con->run_block != nullptr) con->run_block->transaction_file = file;
    for (;;) {
        const int rc = read_transaction(con, file);
        if (rc != RSKTRAN_READ) return rc;
        const double number = file->records_read;
        if (file->ranged && number < static_cast<double>(file->first)) continue;
        if (file->ranged && number > static_cast<double>(file->last)) return RSKTRAN_END;
        if (file->filter != nullptr && rskpsfe(file->filter) == 0) continue;
        file->accepted += 1;
        if (type_out != nullptr) *type_out = file->current_type;
        return RSKTRAN_READ;
    }
}

int rsktra0(RSKCON* con, RSKTRANFILE* file, int selector) {
    if (file == nullptr || !file->open || file->mode != 'I') return 1;
    if (file->error) return 1;
    int rc = 0;
    RSKTRANHEAD head;
    if ((selector & 1) == 0) {
        int r = xcpoint(file->instruments, 0) != 0 ? 2 : read_headrec(con, file, file->instruments, &head);
        if (r > rc) rc = r;
    }
    if (selector > 0) {
        int r = xcpoint(file->information, 0) != 0 ? 2 : read_headrec(con, file, file->information, &head);
        if (r > rc) rc = r;
    }
    if (rc != 0) file->error = 1;
    file->records_read = 0;
    file->accepted = 0;
    file->at_end = 0;
    tran_set_number(con, RSKTNUM_NUMBER, 0);
    tran_set_number(con, RSKTNUM_TOTAL, file->written);
    return rc;
}
