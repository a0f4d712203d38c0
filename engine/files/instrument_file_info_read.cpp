// Reading and printing the information member: the types of the portfolio and the sorted value
// lists of its variables, with every check a damaged member must fail.
#include <cstring>

#include "engine/files/instrument_file.h"
#include "engine/files/instrument_file_internal.h"
#include "engine/files/instrument_file_messages.h"
#include "engine/model/positions/instrument_files.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variables.h"
#include "host/catalog.h"
#include "host/print.h"

namespace {

constexpr int kTypesPrinted = 100, kValuesPrinted = 50;

int name_length(const RSKOBJNAME& name) { return static_cast<int>(name.name.length); }

// Reads the next record of the information member: 0, -1 at its end, 1 when damaged or unreadable.
int next_record(RSKCON* con, RSKTRANFILE* file, double number, RSKTRANREC* record) {
    const RSKTFILE* d = file->definition;
    size_t got = 0;
    int rc = xcread(file->information, file->record, kTranRecordBytes, &got);
    if (rc == static_cast<int>(QOR_C_END) && got == 0) return -1;
    if (rc != 0) {
        if (rc == static_cast<int>(QOR_C_END)) {
            xpmlog(598, 1781, name_length(d->name), d->name.buffer);
        } else {
            xprrlog(0, rc);
            xpmlog(598, 1782, name_length(d->name), d->name.buffer);
        }
        file->error = 1;
        return 1;
    }
    const int problem = tran_unpack_record(file->record, file->swapped_names, record);
    if (record->fingerprint != file->expected_fingerprint) {
        const char* path = nullptr;
        const int length = tran_physical_path(con, file, &path);
        xpmlog(598, 1778, number, name_length(d->name), d->name.buffer, length, path);
        file->error = 1;
        return 1;
    }
    if (problem != RSKTREC_OK) {
        xpmlog(598, 1764, number, name_length(d->name), d->name.buffer);
        file->error = 1;
        return 1;
    }
    return 0;
}

// The bytes of the information member after the current position.
int64_t bytes_left(const RSKTRANFILE* file) {
    int64_t at = 0;
    if (xcnote(file->information, &at) != 0) return 0;
    return file->information_bytes - at;
}

// A value-list record must come after the buffer-size record and fit it, name its variable,
// and carry count x width bytes that the member still holds.
bool value_record_ok(const RSKTRANFILE* file, const RSKTRANREC& record, int64_t buffer_size) {
    if (buffer_size < 0 || record.value_width <= 0 || record.type_name.length == 0) return false;
    const uint64_t bytes = static_cast<uint64_t>(record.count) * static_cast<uint64_t>(record.value_width);
    return bytes == record.value_length && bytes <= static_cast<uint64_t>(buffer_size) &&
           static_cast<int64_t>(bytes) <= bytes_left(file);
}

int damaged(RSKTRANFILE* file, double number) {
    const RSKTFILE* d = file->definition;
    xpmlog(598, 1764, number, name_length(d->name), d->name.buffer);
    file->error = 1;
    return 1;
}

// Rewinds the information member and reads its header again: 0 or the header's failure.
int rewind_information(RSKCON* con, RSKTRANFILE* file) {
    RSKTRANHEAD head;
    if (xcpoint(file->information, 0) != 0) {
        file->error = 1;
        return 2;
    }
    return read_headrec(con, file, file->information, &head);
}

int read_values(RSKCON* con, RSKTRANFILE* file, void* buffer, uint32_t bytes) {
    const RSKTFILE* d = file->definition;
    int rc = xcread(file->information, buffer, bytes, nullptr);
    if (rc == 0) return 0;
    if (rc == static_cast<int>(QOR_C_END)) {
        xpmlog(598, 1781, name_length(d->name), d->name.buffer);
    } else {
        xprrlog(0, rc);
        xpmlog(598, 1782, name_length(d->name), d->name.buffer);
    }
    (void)con;
    file->error = 1;
    return 1;
}

// Gives the values read to their variable in a block of its own.
int keep_values(RSKCON* con, const RSKTRANREC& record, const unsigned char* values) {
    RSKNAMEREC name{0, static_cast<uint16_t>(record.type_name.length), const_cast<char*>(record.type_name.text)};
    RSKVARIABLE* v = rskvar(con, &name);
    if (v == nullptr) {
        if (rsktran_internal(con))
            xebug("rsktrir: get_var_values: variable %*s not found.", static_cast<int>(name.length), name.text);
        return 0;
    }
    qor_pool* pool = con->general_pool;
    if (v->values != nullptr) pool->release(pool, v->values, v->values_bytes, QOR_FREE_SIZED);
    v->values = nullptr;
    v->values_bytes = 0;
    v->value_count = 0;
    if (record.value_length > 0) {
        v->values = static_cast<char*>(xmalloc_labelled(pool, record.value_length, QOR_ALLOC_PLAIN,
                                                        "instrument variable values"));
        if (v->values == nullptr) {
            xpmlog(598, 2797, static_cast<long>(record.value_length), "instrument variable values");
            con->error = 1;
            return 1;
        }
        std::memcpy(v->values, values, record.value_length);
        v->values_bytes = record.value_length;
    }
    v->value_count = static_cast<int32_t>(record.count);
    v->value_width = record.value_width;
    return 0;
}

}  // namespace

int rsktrir(RSKCON* con, RSKTRANFILE* file, int load_values) {
    if (file == nullptr || !file->open || file->information == nullptr || file->error) return 1;
    const RSKTFILE* d = file->definition;
    if (rewind_information(con, file) != 0) return 1;
    // The types are counted again as their records are read.
    file->types_used = 0;
    int rc = 0;
    int64_t buffer_size = -1;
    unsigned char* buffer = nullptr;
    qor_pool* pool = con->kit_pool != nullptr ? con->kit_pool : con->general_pool;
    RSKTRANREC record;
    for (double number = 1;; number += 1) {
        const int next = next_record(con, file, number, &record);
        if (next < 0) break;
        if (next > 0) {
            rc = 1;
            break;
        }
        if (record.type == RSKTREC_CLASS) {
            RSKINSTTYPE* type = rskcls(con, record.type_name.text, record.type_name.length);
            if (type == nullptr) {
                if (rsktran_internal(con))
                    xebug("rsktrir: get_class_name: class %*s not found.", static_cast<int>(record.type_name.length),
                          record.type_name.text);
                rc = 1;
                continue;
            }
            if (!tran_type_used(file, type) && tran_mark_type(con, file, type) != 0) {
                rc = 99;
                break;
            }
        } else if (record.type == RSKTREC_BUFSIZE) {
            if (!load_values) break;
            if (buffer_size >= 0 || static_cast<int64_t>(record.value_length) > file->information_bytes) {
                rc = damaged(file, number);
                break;
            }
            buffer_size = record.value_length;
            if (buffer_size > 0) {
                buffer = static_cast<unsigned char*>(xmalloc_labelled(pool, static_cast<size_t>(buffer_size),
                                                                      QOR_ALLOC_PLAIN, "instrument variable values"));
                if (buffer == nullptr) {
                    xpmlog(598, 1780, static_cast<double>(buffer_size), name_length(d->name), d->name.buffer);
                    rc = 99;
                    break;
                }
            }
        } else if (record.type == RSKTREC_VALUES) {
            if (!value_record_ok(file, record, buffer_size)) {
                rc = damaged(file, number);
                break;
            }
            if (record.value_length > 0 && read_values(con, file, buffer, record.value_length) != 0) {
                rc = 1;
                break;
            }
            if (keep_values(con, record, buffer) != 0) {
                rc = 1;
                break;
            }
        } else {
            if (rsktran_internal(con)) xebug("rsktrir: bad record type code %i.", static_cast<int>(record.type));
            rc = 1;
            break;
        }
    }
    if (buffer != nullptr) pool->release(pool, buffer, static_cast<size_t>(buffer_size), QOR_FREE_SIZED);
    return rc;
}

int rsktrip(RSKCON* con, RSKTRANFILE* file) {
    if (file == nullptr || !file->open || file->information == nullptr || file->error) return 1;
    const RSKTFILE* d = file->definition;
    if (rewind_information(con, file) != 0) return 1;
    xpmout(598, 1831, name_length(d->name), d->name.buffer);
    xpmout(598, 1832);
    int rc = 0;
    int types = 0;
    int64_t buffer_size = -1;
    RSKTRANREC record;
    for (double number = 1;; number += 1) {
        const int next = next_record(con, file, number, &record);
        if (next < 0) break;
        if (next > 0) {
            rc = 1;
            break;
        }
        if (record.type == RSKTREC_CLASS) {
            ++types;
            if (types <= kTypesPrinted)
                xpmout(598, 1837, types, static_cast<int>(record.type_name.length), record.type_name.text);
            else if (types == kTypesPrinted + 1)
                xpmout(598, 1838, kTypesPrinted);
        } else if (record.type == RSKTREC_BUFSIZE) {
            buffer_size = record.value_length;
            xpmout(598, 1833, static_cast<double>(record.value_length));
        } else if (record.type == RSKTREC_VALUES) {
            if (!value_record_ok(file, record, buffer_size)) {
                rc = damaged(file, number);
                break;
            }
            RSKNAMEREC name{0, static_cast<uint16_t>(record.type_name.length), record.type_name.text};
            const RSKVARIABLE* variable = rskvar(con, &name);
            const bool numeric = variable != nullptr && variable->storage_type == RSKSTORE_DOUBLE;
            xpmout(598, 1834, static_cast<int>(record.type_name.length), record.type_name.text);
            xpmout(598, 1835, static_cast<int>(record.count), static_cast<int>(record.value_width));
            xpmout(598, 1836);
            char value[kIdFormText];
            for (uint32_t i = 0; i < record.count && rc == 0; ++i) {
                const int width = record.value_width;
                // Values beyond the printed ones are skipped over, not read.
                if (i >= static_cast<uint32_t>(kValuesPrinted)) {
                    int64_t at = 0;
                    xcnote(file->information, &at);
                    const int64_t rest = static_cast<int64_t>(record.count - i) * width;
                    if (xcpoint(file->information, at + rest) != 0) rc = read_values(con, file, value, 1);
                    break;
                }
                if (width > kIdFormText) {
                    rc = damaged(file, number);
                    break;
                }
                if (read_values(con, file, value, static_cast<uint32_t>(width)) != 0) {
                    rc = 1;
                    break;
                }
                if (numeric && width == 8) {
                    double x = 0;
                    std::memcpy(&x, value, sizeof x);
                    xps("%g ", x);
                } else {
                    int length = width;
                    while (length > 0 && value[length - 1] == ' ') --length;
                    xps("%*s ", length, value);
                }
            }
            xpoflsh(0);
            if (rc != 0) break;
            if (record.count > static_cast<uint32_t>(kValuesPrinted)) xpmout(598, 1838, kValuesPrinted);
        } else {
            if (rsktran_internal(con)) xebug("rsktrip: bad record type code %i.", static_cast<int>(record.type));
            rc = 1;
            break;
        }
    }
    xpmout(598, 1839);
    return rc;
}
