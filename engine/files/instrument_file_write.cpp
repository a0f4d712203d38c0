// Writing instruments: a blank instrument of a type, the filter of the file, and the record,
// value block and optional blocks of each instrument with its checks and counters.
#include <cstring>
#include <string>

#include "engine/files/instrument_file.h"
#include "engine/files/instrument_file_internal.h"
#include "engine/files/instrument_file_messages.h"
#include "engine/files/instrument_values.h"
#include "engine/model/filters/filters.h"
#include "engine/model/filters/instrument_filters.h"
#include "engine/model/positions/instrument_files.h"
#include "engine/model/services/catalog.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/value_cells.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_block.h"
#include "host/catalog.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int kFetchFilter = 4;
constexpr size_t kRecTypeNameOffset = 16;

int name_length(const RSKOBJNAME& name) { return static_cast<int>(name.name.length); }

// The text of a character variable, and its length without trailing blanks.
int stripped(const RSKVARIABLE* v, const char** text) {
    *text = v != nullptr && v->value != nullptr ? static_cast<const char*>(v->value) : "";
    int length = v != nullptr && v->value != nullptr ? static_cast<int>(v->length) : 0;
    while (length > 0 && ((*text)[length - 1] == ' ' || (*text)[length - 1] == '\0')) --length;
    return length;
}

void set_text(RSKVARIABLE* v, const char* text, int length) {
    if (v == nullptr || v->value == nullptr) return;
    const int width = static_cast<int>(v->length);
    const int kept = length < width ? length : width;
    auto* out = static_cast<char*>(v->value);
    if (kept > 0) std::memcpy(out, text, static_cast<size_t>(kept));
    if (width > kept) std::memset(out + kept, ' ', static_cast<size_t>(width - kept));
}

// Stores the defaults of the type's base chain, base-most first.
void store_defaults(RSKCON* con, const RSKINSTTYPE* type, int depth) {
    if (type == nullptr || depth > 64) return;
    store_defaults(con, type->base, depth + 1);
    for (const RSKTYPENAME* d = type->defaults_head; d != nullptr; d = d->next)
        if (d->value != nullptr) rskvalx(con, d->value);
}

double value_of(const RSKVARIABLE* v) {
    double x = qor::missing();
    if (v != nullptr && v->value != nullptr && v->value_class == 1) std::memcpy(&x, v->value, sizeof x);
    return x;
}

// Short positions with collateral are written, but worth a warning each (first 40).
void check_short_collateral(RSKCON* con, RSKINSTTYPE* type) {
    const RSKVARIABLE* shortpos = type->system_slots[RSKTSLOT_SHORT_POSITION];
    const RSKVARIABLE* collateral = type->system_slots[RSKTSLOT_COLLATERAL];
    if (shortpos == nullptr || collateral == nullptr) return;
    const double s = value_of(shortpos), c = value_of(collateral);
    if (qor::is_missing(s) || qor::is_missing(c) || s == 0 || c == 0) return;
    if (!rsktran_case(con, RSKTCLASS_SHORT_COLLATERAL)) return;
    const RSKSYSVARS* sv = con->system_variables;
    const char *id = "", *source = "";
    const int id_length = stripped(sv->inst_id, &id), source_length = stripped(sv->inst_source, &source);
    xpmlog(598, 1995, name_length(type->name), type->name.buffer, id_length, id, source_length, source);
}

int write_bytes(qor_entry* member, const void* bytes, size_t length) {
    int rc = xcwrite(member, bytes, length);
    if (rc != 0) {
        xprrlog(0, rc);
        return RSKTRAW_WRITE_FAILED;
    }
    return 0;
}

}  // namespace

void rsktrai(RSKCON* con, RSKINSTTYPE* type) {
    if (con == nullptr || type == nullptr) return;
    RSKTRANFILE* file = rsktran_current(con);
    // Every variable of the type starts from its initial value, then takes the defaults.
    for (RSKVARLINK* link = type->resolved_head; link != nullptr; link = link->next)
        if (link->variable != nullptr && link->variable->value != nullptr) rskvali(link->variable);
    if (file != nullptr) std::memset(file->record, 0, kTranRecordBytes);
    RSKSYSVARS* sv = con->system_variables;
    if (sv != nullptr) {
        for (RSKVARIABLE* v : {sv->currency, sv->counterparty_id, sv->netting_set_id, sv->al_type})
            if (v != nullptr && v->value != nullptr) std::memset(v->value, ' ', v->length);
    }
    store_defaults(con, type, 0);
    if (sv != nullptr) set_text(sv->inst_type, type->name.buffer, name_length(type->name));
    if (file != nullptr) {
        file->current_type = type;
        std::memcpy(file->record + kRecTypeNameOffset + 8, type->name.buffer,
                    static_cast<size_t>(name_length(type->name)));
    }
}

int rsktraf(RSKCON* con, RSKTRANFILE* file, const RSKNAMEREC* filters, int count) {
    if (filters == nullptr || count <= 0) return 0;
    if (file == nullptr) {
        xebug("rsktraf: null instruments file");
        return 1;
    }
    if (!file->open) {
        xebug("rsktraf: instruments file not open");
        return 1;
    }
    if (file->instruments == nullptr) {
        xebug("rsktraf: file not open");
        return 99;
    }
    file->filter_names = filters;
    file->filter_count = count;
    std::string joined;
    int rc = 0;
    for (int i = 0; i < count; ++i) {
        RSKCATOBJ* object = rskwhr(con, &filters[i]);
        auto* filter = object != nullptr ? static_cast<RSKFILTER*>(rssofiq(con, object, kFetchFilter)) : nullptr;
        if (filter == nullptr || filter->text == nullptr) {
            xpmlog(598, 1313, static_cast<int>(filters[i].length), filters[i].text);
            rc = 1;
            continue;
        }
        if (!joined.empty()) joined += " AND ";
        joined += "(" + std::string(filter->text, filter->text_length) + ")";
    }
    if (rc != 0 || joined.empty()) return rc;
    if (file->filter != nullptr) rskpsfc(file->filter);
    file->filter = nullptr;
    if (rskpsfo(con, joined.c_str(), static_cast<int>(joined.size()), &file->filter) != 0) {
        xpmlog(598, 1747, name_length(file->definition->name), file->definition->name.buffer);
        return 99;
    }
    return 0;
}

int rsktraw(RSKCON* con, RSKTRANFILE* file, int, RSKINSTTYPE* type) {
    if (con == nullptr || file == nullptr || !file->open || file->mode != 'O' || type == nullptr ||
        file->instruments == nullptr)
        return RSKTRAW_WRITE_FAILED;
    RSKTFILE* d = file->definition;
    if (con->run_block != nullptr) con->run_block->transaction_file = file;
    file->current_type = type;
    file->records_read += 1;
    const double number_before = tran_get_number(con, RSKTNUM_NUMBER);
    const double total_before = tran_get_number(con, RSKTNUM_TOTAL);
    const double number = (qor::is_missing(number_before) ? 0 : number_before) + 1;
    tran_set_number(con, RSKTNUM_NUMBER, number);
    tran_set_number(con, RSKTNUM_TOTAL, number);
    if (file->filter != nullptr && rskpsfe(file->filter) == 0) {
        tran_set_number(con, RSKTNUM_NUMBER, number_before);
        tran_set_number(con, RSKTNUM_TOTAL, total_before);
        return RSKTRAW_FILTERED;
    }
    // One count field serves both optional blocks, so a type with both cannot be stored exactly:
    // its instruments are refused (the message when such a type follows another).
    if (type->quadratic && type->cash_flows) {
        if (file->refused_type != type)
            xpmlog(598, 1760, name_length(type->name), type->name.buffer, name_length(d->name), d->name.buffer);
        file->refused_type = type;
        return RSKTRAW_UNRESOLVED;
    }
    if (get_currency(con, type) != 0) return RSKTRAW_UNRESOLVED;

    // The record.
    uint32_t value_size = 0, checksum = 0;
    tran_type_layout(con, type, &value_size, &checksum);
    RSKTRANREC record{};
    record.type = RSKTREC_INSTRUMENT;
    record.value_length = value_size;
    record.fingerprint = file->expected_fingerprint;
    record.checksum = checksum;
    record.type_name.length = static_cast<int16_t>(name_length(type->name));
    std::memcpy(record.type_name.text, type->name.buffer, static_cast<size_t>(record.type_name.length));
    const RSKSYSVARS* sv = con->system_variables;
    const char *id = "", *source = "";
    int id_length = sv != nullptr ? stripped(sv->inst_id, &id) : 0;
    int source_length = sv != nullptr ? stripped(sv->inst_source, &source) : 0;
    if (id_length > kIdFormText) id_length = kIdFormText;
    if (source_length > kNameFormText) source_length = kNameFormText;
    record.id_length = static_cast<int16_t>(id_length);
    std::memcpy(record.id, id, static_cast<size_t>(id_length));
    record.source.length = static_cast<int16_t>(source_length);
    std::memcpy(record.source.text, source, static_cast<size_t>(source_length));
    check_short_collateral(con, type);

    // The optional block: the open refused types that would need both.
    RSKVARIABLE* quad = type->quadratic && sv != nullptr ? sv->quad_value : nullptr;
    RSKVARIABLE* cash = type->cash_flows && sv != nullptr ? sv->cash_flows : nullptr;
    uint32_t block_bytes = 0;
    if (quad != nullptr && tran_entries(quad) > 0) {
        record.count = tran_entries(quad);
        record.quad_length = block_bytes = tran_quad_bytes(record.count);
    } else if (cash != nullptr && tran_entries(cash) > 0) {
        record.count = tran_entries(cash);
        record.cash_length = block_bytes = tran_cash_bytes(record.count);
    }
    if (tran_reserve(con, &file->values, &file->values_capacity, value_size, "instruments buffer") != 0 ||
        tran_reserve(con, &file->block, &file->block_capacity, block_bytes, "instruments buffer") != 0)
        return RSKTRAW_WRITE_FAILED;
    if (record.quad_length > 0) tran_quad_pack(quad, file->block);
    if (record.cash_length > 0) tran_cash_pack(cash, file->block);
    tran_pack_record(&record, file->record);
    tran_values_out(con, type, file->values, value_size);
    int rc = write_bytes(file->instruments, file->record, kTranRecordBytes);
    if (rc == 0 && value_size > 0) rc = write_bytes(file->instruments, file->values, value_size);
    if (rc == 0 && block_bytes > 0) rc = write_bytes(file->instruments, file->block, block_bytes);
    if (rc != 0) return rc;

    file->written += 1;
    file->accepted += 1;
    if (file->written <= kRskDuplicateEntries) {
        char padded[kIdFormText];
        std::memset(padded, ' ', sizeof padded);
        std::memcpy(padded, id, static_cast<size_t>(id_length));
        check_duplicates(con, file, padded, file->written);
    }
    if (!tran_type_used(file, type) && tran_mark_type(con, file, type) != 0) return RSKTRAW_WRITE_FAILED;
    if (tran_lists_collect(con, file, type) != 0) return RSKTRAW_WRITE_FAILED;
    if (record.type_name.length > d->longest_type) d->longest_type = record.type_name.length;
    if (id_length > d->longest_id) d->longest_id = static_cast<int16_t>(id_length);
    if (source_length > d->longest_source) d->longest_source = static_cast<int16_t>(source_length);
    return RSKTRAW_WRITTEN;
}
