// Reading prices back: ALLPRICE_P and ALLPRICE_V of one run or of several parts opened, and each
// instrument's base value and state values found among the parts' rows.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/output/rskgds.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"
#include "host/dataset.h"
#include "host/missing.h"
#include "host/pool.h"
#include "host/print.h"

namespace {

// InstNumber is stored in 4 bytes: integers are exact up to 2^21.
constexpr int64_t kLargestExactNumber = 2097152;

qor_pool* pool_of(RSKCON* con) { return con->general_pool; }

void* allocate(RSKCON* con, size_t bytes) {
    void* block = xmalloc_labelled(pool_of(con), bytes, QOR_ALLOC_ZERO, "prices read back");
    if (block == nullptr && con->no_memory_reported == 0) {
        con->no_memory_reported = 1;
        xpmlog(598, 2797, static_cast<long>(bytes), "prices read back");
    }
    return block;
}

void release(RSKCON* con, void* block, size_t bytes) {
    if (block != nullptr) pool_of(con)->release(pool_of(con), block, bytes, QOR_FREE_SIZED);
}

int stripped(const char* text, int length) {
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\0')) --length;
    return length;
}
int leading(const char* text, int length) {
    int i = 0;
    while (i < length && text[i] == ' ') ++i;
    return i;
}

// "LIBREF.MEMBER" of a handle, for messages.
struct DataSetName {
    char text[48];
    int length;
};
DataSetName name_of(const RSKGDSHANDLE& h) {
    DataSetName n{};
    n.length = std::snprintf(n.text, sizeof n.text, "%.*s.%.*s", stripped(h.libref, 8), h.libref,
                             static_cast<int>(h.member.name.length), h.member.buffer);
    return n;
}

// A number read back as an exact non-negative integer, or -1.
int64_t whole(double value) {
    if (qor::is_missing(value) || !(value >= 0) || value > 9007199254740992.0) return -1;
    if (std::floor(value) != value) return -1;
    return static_cast<int64_t>(value);
}

bool instrument_variable(const RSKCON* con, const RSKVARIABLE* v) {
    if (v->kind != RSKVKIND_INSTRUMENT || v->use_mask == 0 || v->value == nullptr) return false;
    const RSKSYSVARS* s = con->system_variables;
    return s == nullptr || (v != s->inst_id && v != s->inst_type && v != s->inst_number && v != s->inst_source);
}

int var_width(const RSKVARIABLE* v) { return v->value_class != 2 ? 8 : (v->length > 0 ? v->length : 1); }

int find(qor_dataset* dataset, const char* name, int length) {
    int number = 0;
    return xvfind(dataset, name, length, &number, 0) == 0 ? number : 0;
}

int missing_variable(const RSKGDSHANDLE& h, const char* name, int length) {
    const DataSetName n = name_of(h);
    xpslog("%1zThe variable %*s is not in %*s.", length, name, n.length, n.text);
    return 2;
}

// Binds the columns of part k's ALLPRICE_P. 0 or 2.
int bind_instruments(RSKCON* con, RSKVALREADER* reader, RSKGDSPRICEPART* p) {
    qor_dataset* ds = p->handle.dataset;
    p->inst_number_position = find(ds, "InstNumber", 10);
    p->inst_id_position = find(ds, "InstID", 6);
    p->inst_type_position = find(ds, "InstType", 8);
    if (p->inst_number_position == 0) return missing_variable(p->handle, "InstNumber", 10);
    if (p->inst_id_position == 0) return missing_variable(p->handle, "InstID", 6);
    if (p->inst_type_position == 0) return missing_variable(p->handle, "InstType", 8);
    int positions = 3;
    for (int i = 0; i < reader->inst_var_count; ++i) {
        const RSKVARIABLE* v = reader->inst_vars[i];
        if (find(ds, v->name.name.text, v->name.name.length) == 0)
            return missing_variable(p->handle, v->name.name.text, v->name.name.length);
        ++positions;
    }
    if (reader->inst_var_bytes > 0) {
        p->inst_vars = static_cast<char*>(allocate(con, static_cast<size_t>(reader->inst_var_bytes)));
        if (p->inst_vars == nullptr) return 2;
    }
    int rc = xvgeti(ds, positions, &p->handle.variables);
    if (rc == 0) rc = xvgetd(p->handle.variables, p->inst_number_position, &p->inst_number, 8);
    if (rc == 0) rc = xvgetd(p->handle.variables, p->inst_id_position, p->inst_id, 32);
    if (rc == 0) rc = xvgetd(p->handle.variables, p->inst_type_position, p->inst_type, 32);
    for (int i = 0; rc == 0 && i < reader->inst_var_count; ++i) {
        const RSKVARIABLE* v = reader->inst_vars[i];
        rc = xvgetd(p->handle.variables, find(ds, v->name.name.text, v->name.name.length),
                    p->inst_vars + reader->inst_var_offsets[i], var_width(v));
    }
    if (rc == 0) rc = xvgete(p->handle.variables);
    if (rc != 0) {
        xprrlog(1, rc);
        return 2;
    }
    return 0;
}

// Binds the columns of part k's ALLPRICE_V. 0 or 2.
int bind_values(RSKGDSPRICEPART* p) {
    qor_dataset* ds = p->handle.dataset;
    p->value_position = find(ds, "Value", 5);
    p->state_number_position = find(ds, "StateNumber", 11);
    p->inst_number_position = find(ds, "InstNumber", 10);
    if (p->value_position == 0) return missing_variable(p->handle, "Value", 5);
    if (p->state_number_position == 0) return missing_variable(p->handle, "StateNumber", 11);
    if (p->inst_number_position == 0) return missing_variable(p->handle, "InstNumber", 10);
    int rc = xvgeti(ds, 3, &p->handle.variables);
    if (rc == 0) rc = xvgetd(p->handle.variables, p->value_position, &p->value, 8);
    if (rc == 0) rc = xvgetd(p->handle.variables, p->state_number_position, &p->state_number, 8);
    if (rc == 0) rc = xvgetd(p->handle.variables, p->inst_number_position, &p->inst_number, 8);
    if (rc == 0) rc = xvgete(p->handle.variables);
    if (rc != 0) {
        xprrlog(1, rc);
        return 2;
    }
    return 0;
}

// The run's instrument variables that the first part's ALLPRICE_P holds, and their places in a
// part's buffer; the other parts must hold the same. 0 or 1.
int instrument_layout(RSKCON* con, RSKVALREADER* reader, qor_dataset* first) {
    int count = 0;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if (instrument_variable(con, v) && find(first, v->name.name.text, v->name.name.length) > 0) ++count;
    reader->inst_var_count = 0;
    reader->inst_var_bytes = 0;
    if (count == 0) return 0;
    reader->inst_vars = static_cast<RSKVARIABLE**>(allocate(con, sizeof(RSKVARIABLE*) * static_cast<size_t>(count)));
    reader->inst_var_offsets = static_cast<int32_t*>(allocate(con, sizeof(int32_t) * static_cast<size_t>(count)));
    if (reader->inst_vars == nullptr || reader->inst_var_offsets == nullptr) {
        release(con, reader->inst_vars, sizeof(RSKVARIABLE*) * static_cast<size_t>(count));
        release(con, reader->inst_var_offsets, sizeof(int32_t) * static_cast<size_t>(count));
        reader->inst_vars = nullptr;
        reader->inst_var_offsets = nullptr;
        return 1;
    }
    reader->inst_var_count = count;
    int i = 0;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr && i < count; v = v->next) {
        if (!instrument_variable(con, v) || find(first, v->name.name.text, v->name.name.length) == 0) continue;
        reader->inst_vars[i] = v;
        reader->inst_var_offsets[i] = reader->inst_var_bytes;
        reader->inst_var_bytes += var_width(v);
        ++i;
    }
    return 0;
}

// Reads the next row of a member: 0, 1 at its end (marked exhausted), -1 after a host failure.
int next_row(RSKGDSPRICEPART* p) {
    qor_obs_request request{};
    request.dataset = p->handle.dataset;
    int rc = xoget(&request, QOR_GET_NEXT);
    if (rc == QOR_DS_END_OF_DATA) {
        p->exhausted = 1;
        p->pending = 0;
        return 1;
    }
    if (rc == 0) rc = xyvget(p->handle.variables, 0);
    if (rc != 0) {
        xprrlog(1, rc);
        const DataSetName n = name_of(p->handle);
        xpslog("%1zReading %*s failed.", n.length, n.text);
        return -1;
    }
    p->pending = 1;
    return 0;
}

void early_end(const RSKGDSPRICEPART* p) {
    const DataSetName n = name_of(p->handle);
    xpmlog(598, 1723, n.length, n.text);
}

// The row's numbers, checked: 0, or 1 after 598/2852 when either is missing or not whole.
int row_numbers(const RSKGDSPRICEPART* p, int64_t* instrument, int64_t* state) {
    *instrument = whole(p->inst_number);
    *state = whole(p->state_number);
    if (*instrument < 0 || *state < 0) {
        xpmlog(598, 2852, p->handle.libref, static_cast<int>(p->handle.member.name.length), p->handle.member.buffer);
        return 1;
    }
    return 0;
}

double exposure_of(double value) { return qor::is_missing(value) ? value : (value > 0 ? value : 0.0); }

void deliver(RSKVALREADER* reader, int64_t slot, double value) {
    if (slot >= reader->price_capacity) return;
    reader->prices[2 * slot] = value;
    reader->prices[2 * slot + 1] = reader->exposure ? exposure_of(value) : qor::missing();
    if (slot + 1 > reader->prices_read) reader->prices_read = static_cast<int32_t>(slot + 1);
}

// The base case of the instrument from every part: 0 or 1.
int read_base(RSKCON* con, RSKVALREADER* reader) {
    const int64_t current = reader->instrument_number;
    double base = qor::missing();
    for (int k = 0; k < reader->part_count; ++k) {
        RSKGDSPRICEPART* p = &reader->parts[2 * k];
        if (next_row(p) != 0) {
            if (p->exhausted) early_end(p);
            return 1;
        }
        p->pending = 0;
        struct {
            const char* what;
            const char* found;
            const char* expected;
            int expected_length;
        } checks[2] = {{"INSTID", p->inst_id, reader->inst_id, reader->inst_id_length},
                       {"INSTTYPE", p->inst_type, reader->inst_type, reader->inst_type_length}};
        for (const auto& c : checks) {
            const int fs = leading(c.found, 32), fl = stripped(c.found, 32) - fs;
            const int es = c.expected != nullptr ? leading(c.expected, c.expected_length) : 0;
            const int el = c.expected != nullptr ? stripped(c.expected, c.expected_length) - es : 0;
            if (fl < 0 || el < 0 || fl != el || std::memcmp(c.found + fs, c.expected + es, static_cast<size_t>(fl)) != 0) {
                xpmlog(598, 1767, c.what, fl > 0 ? fl : 0, c.found + fs, el > 0 ? el : 0, c.expected + es);
                return 1;
            }
        }
        if (k > 0 && reader->inst_var_bytes > 0 &&
            std::memcmp(p->inst_vars, reader->parts[0].inst_vars, static_cast<size_t>(reader->inst_var_bytes)) != 0) {
            const DataSetName n = name_of(p->handle);
            xpmlog(598, 1759, static_cast<double>(current), n.length, n.text);
            return 1;
        }
    }
    for (int k = 0; k < reader->part_count; ++k) {
        RSKGDSPRICEPART* v = &reader->parts[2 * k + 1];
        // A row the last search left pending comes first.
        if (!v->pending && next_row(v) != 0) {
            if (v->exhausted) early_end(v);
            return 1;
        }
        v->pending = 0;
        int64_t instrument = 0, state = 0;
        if (row_numbers(v, &instrument, &state) != 0) return 1;
        const DataSetName n = name_of(v->handle);
        if (instrument != current) {
            xpmlog(598, 1719, v->state_number, static_cast<double>(current), n.length, n.text);
            return 1;
        }
        if (state != 0) {
            xpmlog(598, 1709, static_cast<double>(current), n.length, n.text);
            return 1;
        }
        if (k == 0) base = v->value;
    }
    (void)con;
    deliver(reader, 0, base);
    return 0;
}

// Finds the value of state `wanted` (0-based) of the current instrument among the parts. 0 or 1.
int read_state(RSKVALREADER* reader, int64_t wanted) {
    const int64_t current = reader->instrument_number;
    const int n = reader->part_count;
    for (int t = 0; t < n; ++t) {
        const int k = (reader->last_part + t) % n;
        RSKGDSPRICEPART* v = &reader->parts[2 * k + 1];
        while (!v->exhausted) {
            if (!v->pending) {
                const int rc = next_row(v);
                if (rc < 0) return 1;
                if (rc > 0) break;
            }
            int64_t instrument = 0, state = 0;
            if (row_numbers(v, &instrument, &state) != 0) return 1;
            if (instrument > current) break;           // a later instrument's row: it waits
            if (instrument < current) {
                const DataSetName name = name_of(v->handle);
                xpmlog(598, 1768, v->inst_number, name.length, name.text, static_cast<double>(current));
                return 1;
            }
            if (state == wanted + 1) {
                v->pending = 0;
                reader->last_part = k;
                deliver(reader, wanted + 1, v->value);
                return 0;
            }
            if (state > wanted + 1) break;              // a later state of this part: it waits
            v->pending = 0;                            // a state not wanted: passed over
        }
    }
    xpmlog(598, 1769, static_cast<double>(wanted + 1), static_cast<double>(current));
    return 1;
}

// Passes over the rest of a skipped instrument's rows in every part. 0 or 1.
int pass_instrument(RSKVALREADER* reader) {
    for (int k = 0; k < reader->part_count; ++k) {
        RSKGDSPRICEPART* v = &reader->parts[2 * k + 1];
        while (!v->exhausted) {
            if (!v->pending) {
                const int rc = next_row(v);
                if (rc < 0) return 1;
                if (rc > 0) break;
            }
            int64_t instrument = 0, state = 0;
            if (row_numbers(v, &instrument, &state) != 0) return 1;
            if (instrument != reader->instrument_number) break;
            v->pending = 0;
        }
    }
    return 0;
}

// The states an analysis reads: its range, or -1 after a message for a kind that cannot be read.
int states_of(RSKCON* con, const RSKANLPROC* record, int32_t* first, int32_t* count) {
    *first = record->first_state;
    *count = 0;
    const uint32_t kind = record->kind;
    switch (kind) {
    case 1:
    case 14:
        return 0;
    case 2: case 3: case 4: case 5: case 10: case 12:
    case 6: case 7: case 8: case 9: case 15: case 17:
        *count = record->state_count;
        return 0;
    case 13:
        if (record->subkind == 0) return 0;
        if (record->subkind == 1 || record->subkind == 3 || (record->subkind >= 4 && record->subkind <= 7)) {
            *count = record->state_count;
            return 0;
        }
        xebug("rskrun1: read_values(): unknown cashflow tool: %i.", static_cast<int>(record->subkind));
        return -1;
    default:
        xebug("rskrun2: read_values: unknown analysis type %i", static_cast<int>(kind));
        con->run_block->abort = 1;
        return -1;
    }
}

}  // namespace

int rskgdso_pos(RSKCON* con, RSKVALREADER* reader) {
    if (reader->part_count < 1) reader->part_count = 1;
    const int n = reader->part_count;
    reader->parts = static_cast<RSKGDSPRICEPART*>(allocate(con, sizeof(RSKGDSPRICEPART) * 2 * static_cast<size_t>(n)));
    if (reader->parts == nullptr) return 2;
    char libref[9] = {};
    std::memcpy(libref, reader->libref, 8);
    for (int k = 0; k < n; ++k) {
        char base[48];
        if (n == 1)
            std::snprintf(base, sizeof base, "%s", reader->base_name);
        else
            std::snprintf(base, sizeof base, reader->base_name, k + 1, n);
        const int base_length = stripped(base, static_cast<int>(std::strlen(base)));
        for (int m = 0; m < 2; ++m) {
            RSKGDSPRICEPART* p = &reader->parts[2 * k + m];
            char member[56];
            const int length = std::snprintf(member, sizeof member, "%.*s_%c", base_length, base, m == 0 ? 'P' : 'V');
            rskgds_name(&p->handle, libref, member, length, 0);
            if (rskgdso(con, &p->handle) != 0) return 1;
            if (k == 0 && m == 0 && instrument_layout(con, reader, p->handle.dataset) != 0) return 2;
            const int bound = m == 0 ? bind_instruments(con, reader, p) : bind_values(p);
            if (bound != 0) return 2;
        }
    }
    reader->last_part = 0;
    return 0;
}

int rskgdsc_pos(RSKCON* con, RSKVALREADER* reader) {
    int rc = 0;
    for (int i = 0; reader->parts != nullptr && i < 2 * reader->part_count; ++i) {
        RSKGDSPRICEPART* p = &reader->parts[i];
        const int closed = rskgdsc_handle(con, &p->handle);
        if (closed > rc) rc = closed;
        release(con, p->inst_vars, static_cast<size_t>(reader->inst_var_bytes));
        p->inst_vars = nullptr;
    }
    release(con, reader->parts, sizeof(RSKGDSPRICEPART) * 2 * static_cast<size_t>(reader->part_count));
    release(con, reader->inst_vars, sizeof(RSKVARIABLE*) * static_cast<size_t>(reader->inst_var_count));
    release(con, reader->inst_var_offsets, sizeof(int32_t) * static_cast<size_t>(reader->inst_var_count));
    reader->parts = nullptr;
    reader->inst_vars = nullptr;
    reader->inst_var_offsets = nullptr;
    reader->inst_var_count = 0;
    return rc;
}

int read_values(RSKCON* con, RSKVALREADER* reader) {
    if (reader->parts == nullptr || reader->prices == nullptr || reader->price_capacity < 1) {
        xebug("read_values: the prices are not open.");
        return 1;
    }
    if (reader->instrument_number < 0 || reader->instrument_number > kLargestExactNumber) {
        xpslog("%1zInstrument %.0f cannot be read back: instrument numbers above %.0f are not stored exactly.",
               static_cast<double>(reader->instrument_number), static_cast<double>(kLargestExactNumber));
        return 1;
    }
    // 1. The value buffer starts empty.
    const double missing = qor::missing();
    for (int32_t i = 0; i < 2 * reader->price_capacity; ++i) reader->prices[i] = missing;
    reader->prices_read = 0;
    // 2.-4. The base case, then the instrument's class.
    if (read_base(con, reader) != 0) return 1;
    ++reader->instruments;
    if (rskcls(con, reader->inst_type, stripped(reader->inst_type, reader->inst_type_length)) == nullptr) {
        xpmlog(598, 1703, stripped(reader->inst_type, reader->inst_type_length), reader->inst_type,
               static_cast<double>(reader->instrument_number), reader->data_set_length, reader->data_set);
        ++reader->skipped;
        return pass_instrument(reader) != 0 ? 1 : -1;
    }
    // 5.-6. Every state of the run's analyses, in order.
    for (const RSKANLPROC* record = con->run_block->analyses_head; record != nullptr; record = record->next) {
        int32_t first = 0, count = 0;
        if (states_of(con, record, &first, &count) != 0) return 1;
        for (int32_t s = 0; s < count; ++s) {
            reader->wanted_state = first + s;
            if (read_state(reader, reader->wanted_state) != 0) return 1;
        }
    }
    return 0;
}
