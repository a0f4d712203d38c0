// Definition of variables: the request is checked step by step into a local record, every fault
// reported and counted, and only a request without faults replaces or creates the variable.
#include <cctype>
#include <cstring>
#include <initializer_list>

#include "common/memory/pool_memory.h"
#include "engine/model/control/entry_table.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/names/name_records.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/registries/role_combinations.h"
#include "engine/model/services/catalog.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/timegrids/time_grids.h"
#include "engine/model/variables/variable_access.h"
#include "engine/model/variables/variable_texts.h"
#include "engine/model/variables/variables.h"
#include "engine/tables/free_lists.h"
#include "host/formats.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int kVariableChunk = 100;
constexpr int kFormatTextLimit = 64;

// Data types the length rules name.
enum : uint32_t {
    DT_NUM = 1, DT_CHAR = 2, DT_DATE = 3, DT_DATETIME = 4, DT_5 = 5, DT_6 = 6, DT_BASIS = 7,
    DT_INTERVAL = 9, DT_CURCODE = 10, DT_PTR = 11, DT_QUADRATIC = 61, DT_CASH_FLOWS = 62,
    DT_RF_WEIGHTS = 63, DT_NAME_REF = 102, DT_IR_REF = 104, DT_FX_REF = 105,
};

// Roles the checks name.
enum : uint32_t {
    ROLE_INSTINFO = 10, ROLE_INPUT_VAR = 20, ROLE_CLASS = 202, ROLE_NAME = 203, ROLE_COMPUTED = 204,
    ROLE_IR = 321, ROLE_VOLATILITY = 501, ROLE_CPTY_SPECIAL = 902,
};

using Text = RskText;

Text text_of(const char* text, int length) { return trimmed(text, length); }

#define TEXT_ARG(t) RSK_TEXT(t)
#define NAME_ARG(rec) RSK_NAME(rec)

// The local copy that the steps fill, with its error count.
struct Definition {
    RSKCON* con;
    const RSKVARDEF* request;
    RSKVARIABLE record;
    int errors;
};

void fill_name(Definition& d) {
    Text name = text_of(d.request->name, d.request->name_length);
    if (rskname(d.con, &d.record.name, name.text, name.length) != 0) ++d.errors;
    d.record.hash = rskhash(d.record.name.buffer, d.record.name.name.length, 0);
}

void take_data_type(Definition& d) {
    RSKVARIABLE& v = d.record;
    v.data_type = d.request->data_type;
    RSKSTYPE pair{};
    rskcdst(d.con, static_cast<int>(v.data_type), &pair);
    v.storage_type = pair.code;
    v.storage_flags = pair.flags;
    if (pair.code == 0) {
        xpmlog(598, 22, static_cast<int>(v.data_type), NAME_ARG(v.name));
        ++d.errors;
    }
}

uint16_t clamp_length(int length, int low, int high) {
    if (length < low) length = low;
    if (length > high) length = high;
    return static_cast<uint16_t>(length);
}

// Length, storage size and value size by data type.
void size_by_type(Definition& d) {
    RSKVARIABLE& v = d.record;
    const RSKSTYPE pair{v.storage_type, v.storage_flags};
    const int size = rsksize(d.con, pair);
    const int requested = d.request->length;
    auto both = [&v](int bytes) { v.storage_size = v.value_size = static_cast<uint32_t>(bytes); };
    switch (v.data_type) {
    case DT_NUM: case DT_5: case DT_6: case DT_PTR:
        v.length = clamp_length(requested <= 0 ? 8 : requested, 3, 8);
        both(size);
        break;
    case DT_CHAR: {
        v.length = clamp_length(requested <= 0 ? 32 : requested, 1, 32767);
        both(rskalgn(d.con, v.length + 1, pair) + 8);
        break;
    }
    case DT_DATE:
        v.length = clamp_length(requested <= 0 ? 8 : requested, 4, 8);
        both(size);
        break;
    case DT_DATETIME:
        v.length = clamp_length(requested <= 0 ? 8 : requested, 6, 8);
        both(size);
        break;
    case DT_CURCODE:
        v.length = 3;
        both(rskalgn(d.con, 8, pair) + 8);
        break;
    case RSKDTYPE_ARRAY:
        if (v.kind == RSKVKIND_INSTRUMENT || v.kind == RSKVKIND_OUTPUT) {
            v.length = clamp_length(requested <= 0 ? 8 : requested, 1, 32767);
            both(8 * v.length + (v.kind == RSKVKIND_INSTRUMENT ? 8 : 0));
            v.element_count = v.length;
            v.instrument_array = 1;
        } else {
            v.length = clamp_length(requested, 0, 32767);
            both(0);
        }
        break;
    case DT_QUADRATIC:
        v.length = clamp_length(requested <= 1 ? 8 : requested, 1, 32767);
        v.element_count = v.length;
        break;
    case DT_CASH_FLOWS:
        v.length = clamp_length(requested <= 1 ? 100 : requested, 1, 32767);
        v.element_count = v.length;
        break;
    case DT_RF_WEIGHTS:
        v.length = clamp_length(requested, 0, 32767);
        break;
    case DT_NAME_REF: case DT_IR_REF: case DT_FX_REF:
        v.length = 0;
        v.storage_size = static_cast<uint32_t>(size);
        v.value_size = 0;
        break;
    default:
        v.length = 1;
        both(size);
        break;
    }
}

void take_kind_and_role(Definition& d) {
    RSKVARIABLE& v = d.record;
    v.role = d.request->role;
    v.kind = v.role == ROLE_COMPUTED ? RSKVKIND_OUTPUT : d.request->kind;
    v.scope = 0;
    if (const RSKROLEROW* row = rskrole(d.con, static_cast<int>(v.role))) {
        if (row->interest_rate) v.role_flags |= RSKROLEF_IR;
        if (row->fx) v.role_flags |= RSKROLEF_FX;
        if (row->maturity) v.role_flags |= RSKROLEF_TERM;
        if (row->volatility) v.role_flags |= RSKROLEF_VOLATILITY;
    }
}

void take_group(Definition& d) {
    RSKVARIABLE& v = d.record;
    Text group = text_of(d.request->group, d.request->group_length);
    if (group.length == 0) group = role_text(d.con, v.role);
    int kept = group.length < 32 ? group.length : 32;
    std::memcpy(v.group, group.text, static_cast<size_t>(kept));
    v.group_length = static_cast<int16_t>(kept);
}

void take_words(Definition& d) {
    RSKVARIABLE& v = d.record;
    const RSKVARDEF& r = *d.request;
    v.drop = r.drop != 0 ? 1 : 0;
    v.nofx = r.nofx > 0 ? 1 : 0;
    v.noholding = r.noholding > 0 ? 1 : 0;
    v.noshortpos = r.noshortpos > 0 ? 1 : 0;
    v.varpost = r.varpost;
}

void no_format(RSKVARIABLE& v) {
    v.format_number = 99;
    v.format_width = 0;
    v.format_decimals = 0;
    std::memset(v.format_name, ' ', sizeof v.format_name);
    v.format_text.name.length = 0;
}

// The format: split, looked up and clamped to the format's limits (load_fmt).
void take_format(Definition& d) {
    RSKVARIABLE& v = d.record;
    no_format(v);
    Text format = text_of(d.request->format, d.request->format_length);
    if (format.length == 0 && v.data_type == DT_DATE) format = {6, "DATE9."};
    if (format.length == 0 && v.data_type == DT_DATETIME) format = {11, "DATETIME17."};
    if (format.length == 0) return;
    if (format.length > kFormatTextLimit) {
        xebug("rskvard: load_fmt: fmt length %i too long.", format.length);
        return;
    }
    char name[QOR_FORMAT_NAME_MAX + 1] = {};
    int name_length = 0;
    uint16_t width = QOR_FORMAT_ABSENT, decimals = QOR_FORMAT_ABSENT;
    qor_format_info info{};
    int code = 0;
    if (zspltfm(format.text, format.length, name, &name_length, &width, &decimals) != 0 ||
        xfrname(nullptr, name, name_length, 0, &info, &code) != 0) {
        xpmlog(598, 1611, NAME_ARG(v.name), TEXT_ARG(format));
        ++d.errors;
        return;
    }
    int w = width == QOR_FORMAT_ABSENT ? info.default_width : width;
    if (w < info.min_width) w = info.min_width;
    if (w > info.max_width) w = info.max_width;
    int dec = decimals == QOR_FORMAT_ABSENT ? info.default_decimals : decimals;
    if (dec < info.min_decimals) dec = info.min_decimals;
    if (dec > info.max_decimals) dec = info.max_decimals;
    v.format_width = static_cast<uint32_t>(w);
    v.format_decimals = static_cast<uint32_t>(dec);
    v.format_number = static_cast<uint32_t>(code + dec);
    std::memcpy(v.format_name, name, static_cast<size_t>(name_length));
    int kept = format.length < kRskObjectNameCapacity ? format.length : kRskObjectNameCapacity;
    rskname(d.con, &v.format_text, format.text, kept);
}

// A currency code of the request: cut to 3 and looked up; blank when absent.
void take_currency(Definition& d, const char* text, int length, char code[3], RSKCURRENCY** row) {
    std::memset(code, ' ', 3);
    *row = nullptr;
    if (text == nullptr) return;
    if (length < 0) length = static_cast<int>(std::strlen(text));
    if (length < 3 || text[0] == ' ') return;
    char upper[4] = {};
    for (int i = 0; i < 3; ++i) upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    *row = rskcur(d.con, upper);
    if (*row == nullptr) {
        xpmlog(598, 1612, NAME_ARG(d.record.name), 3, upper);
        ++d.errors;
        return;
    }
    std::memcpy(code, upper, 3);
}

void take_optional_name(Definition& d, RSKOBJNAME& field, const char* text, int length) {
    Text name = text_of(text, length);
    field.name.text = field.buffer;
    field.name.capacity = kRskObjectNameCapacity;
    if (name.length > 0 && rskname(d.con, &field, name.text, name.length) != 0) ++d.errors;
}

void take_maturity_and_references(Definition& d) {
    RSKVARIABLE& v = d.record;
    const RSKVARDEF& r = *d.request;
    v.maturity = r.maturity;
    v.maturity_unit = r.maturity_unit;
    v.maturity_time = qor::is_missing(r.maturity) ? qor::missing()
                                                  : rsktime(d.con, nullptr, r.maturity, r.maturity_unit);
    take_optional_name(d, v.reference1_name, r.reference1, r.reference1_length);
    take_optional_name(d, v.reference2_name, r.reference2, r.reference2_length);
    v.scale = r.scale;
}

// Step 12: the lag time grid and the three combination checks of the registries.
void check_combinations(Definition& d) {
    RSKVARIABLE& v = d.record;
    Text grid = text_of(d.request->lag_grid, d.request->lag_grid_length);
    v.flags2 &= static_cast<uint8_t>(~RSKF2_LAG_GRID);
    if (grid.length >= 1) {
        if (v.kind == RSKVKIND_FACTOR) {
            if (rskname(d.con, &v.lag_grid_name, grid.text, grid.length) != 0) ++d.errors;
            v.flags2 |= RSKF2_LAG_GRID;
        } else {
            xebug("rskvard: lag time grid but %*s is not a risk factor.", NAME_ARG(v.name));
        }
    }
    const int kind = static_cast<int>(v.kind), role = static_cast<int>(v.role);
    const int type = static_cast<int>(v.data_type);
    if (rskckt(d.con, kind, type) != 0) {
        xpmlog(598, 1056, TEXT_ARG(kind_text(d.con, v.kind)), NAME_ARG(v.name),
               TEXT_ARG(type_text(d.con, v.data_type)));
        ++d.errors;
    }
    if (rskckr(d.con, kind, role) != 0) {
        xpmlog(598, 1057, TEXT_ARG(kind_text(d.con, v.kind)),
               TEXT_ARG(role_text(d.con, v.role)), NAME_ARG(v.name));
        ++d.errors;
    }
    if (d.errors == 0 && v.role <= 700 && rskckrt(d.con, kind, role, type) != 0) {
        xpmlog(598, 1058, TEXT_ARG(kind_text(d.con, v.kind)),
               TEXT_ARG(role_text(d.con, v.role)), TEXT_ARG(type_text(d.con, v.data_type)),
               NAME_ARG(v.name));
        ++d.errors;
    }
}

void check_system_var(Definition& d) {
    RSKVARIABLE& v = d.record;
    v.flags2 |= 0x80;
    if (v.role == ROLE_INSTINFO) {
        v.role_flags |= 0x0F;
        v.flags2 |= 0x40;
        v.flags3 |= 0x0A;
    } else if (v.role == ROLE_INPUT_VAR) {
        v.role_flags |= 0x04;
    }
}

bool blank3(const char code[3]) { return code[0] == ' ' && code[1] == ' ' && code[2] == ' '; }

void check_zozu_factor_var(Definition& d) {
    RSKVARIABLE& v = d.record;
    RSKCON* con = d.con;
    const bool ir = is_ir_rate(v.role) != 0, fx = is_fx_rate(v.role) != 0;
    const bool vol = is_volatility(v.role) != 0, is_array = v.data_type == RSKDTYPE_ARRAY;
    v.role_flags |= RSKROLEF_POSITION_DATA;
    v.flags2 |= 0x20;
    if (!blank3(v.currency) && !ir && !fx && v.role != ROLE_VOLATILITY) {
        xpmlog(598, 1609, NAME_ARG(v.name), 3, v.currency);
        std::memset(v.currency, ' ', 3);
        v.currency_row = nullptr;
    }
    if (blank3(v.currency) && fx) {
        xpmlog(598, 1613, NAME_ARG(v.name));
        ++d.errors;
    } else if (blank3(v.currency) && ir) {
        xpmlog(598, 1614, NAME_ARG(v.name));
        ++d.errors;
    }
    if (blank3(v.from_currency) && fx) {
        xpmlog(598, 1624, NAME_ARG(v.name));
        ++d.errors;
    } else if (!blank3(v.from_currency) && !fx && v.role != ROLE_VOLATILITY) {
        xpmlog(598, 1625, NAME_ARG(v.name), 3, v.from_currency);
        std::memset(v.from_currency, ' ', 3);
        v.from_currency_row = nullptr;
    }
    const bool has_maturity = !qor::is_missing(v.maturity_time);
    if (has_maturity && v.maturity_time < 0) {
        xpmlog(598, 1617, NAME_ARG(v.name), v.maturity);
        ++d.errors;
    } else if (has_maturity && v.maturity_time > 0 && is_array) {
        xpmlog(598, 1618, NAME_ARG(v.name));
        ++d.errors;
    } else if (!has_maturity && !is_array && v.role == ROLE_IR) {
        if (!con->catalog_loading) xpmlog(598, 1619, NAME_ARG(v.name));
        v.maturity = 0;
        v.maturity_time = 0;
    }
    if (v.reference1_name.name.length == 0 && !is_array && v.role == ROLE_VOLATILITY) {
        xpmlog(598, 1616, NAME_ARG(v.name));
        ++d.errors;
    } else if (v.reference1_name.name.length > 0 && !vol) {
        xpmlog(598, 1615, NAME_ARG(v.name), NAME_ARG(v.reference1_name));
        ++d.errors;
    }
    if (!qor::is_missing(v.scale) && v.scale != 0) {
        if (v.scale < 0 || v.scale > 10) {
            xpmlog(598, 1621, v.scale, NAME_ARG(v.name), 10);
            ++d.errors;
        }
        if (!vol) {
            xpmlog(598, 1622, NAME_ARG(v.name));
            v.scale = qor::missing();
        }
    }
}

void check_instrument_var(Definition& d) {
    RSKVARIABLE& v = d.record;
    v.rollup = d.request->rollup;
    v.comptype = d.request->comptype;
    if (v.rollup != 0) v.nofx = v.noholding = 1;
    v.role_flags |= 0x0C;
    v.flags2 |= 0x40;
    if (v.role == ROLE_COMPUTED) {
        v.flags2 |= 0x10;
        v.flags4 |= 0x10;
    } else {
        v.role_flags |= 0x01;
    }
    if (v.role == ROLE_CLASS || v.role == ROLE_NAME || v.data_type == DT_CHAR || v.data_type == DT_BASIS ||
        v.data_type == DT_INTERVAL || v.data_type == DT_CURCODE)
        v.role_flags |= 0x02;
}

void check_reference_var(Definition& d) {
    RSKVARIABLE& v = d.record;
    v.role_flags &= static_cast<uint8_t>(~RSKROLEF_INSTRUMENT_SIDE);
    const bool first = v.reference1_name.name.length > 0, second = v.reference2_name.name.length > 0;
    int number = 0;
    if (v.data_type == DT_IR_REF && !first) number = 1059;
    else if (v.data_type == DT_FX_REF && !first) number = 1070;
    else if (v.data_type == DT_FX_REF && !second) number = 1071;
    else if (v.data_type == DT_NAME_REF && !first) number = 1072;
    if (number != 0) {
        xpmlog(598, number, TEXT_ARG(kind_text(d.con, v.kind)),
               TEXT_ARG(type_text(d.con, v.data_type)), NAME_ARG(v.name));
        ++d.errors;
    }
}

void check_cpty_var(RSKVARIABLE& v) {
    v.flags4 |= 0x20;
    v.flags3 |= 0x1A;
    if (v.role == ROLE_CPTY_SPECIAL) v.flags4 |= 0x80;
}

void check_kind(Definition& d) {
    switch (d.record.kind) {
    case RSKVKIND_SYSTEM: check_system_var(d); break;
    case RSKVKIND_FACTOR: check_zozu_factor_var(d); break;
    case RSKVKIND_INSTRUMENT: case RSKVKIND_OUTPUT: check_instrument_var(d); break;
    case RSKVKIND_REFERENCE: check_reference_var(d); break;
    case RSKVKIND_COUNTERPARTY: check_cpty_var(d.record); break;
    default: break;
    }
}

// Points the inner name records of a stored record at their own buffers.
void own_names(RSKVARIABLE* v) {
    for (RSKOBJNAME* name : {&v->name, &v->lag_grid_name, &v->format_text, &v->reference1_name,
                             &v->reference2_name, &v->time_grid_name}) {
        name->name.text = name->buffer;
        name->name.capacity = kRskObjectNameCapacity;
    }
}

// A new record, entered in the variable table and appended to the definition-order list.
RSKVARIABLE* new_variable(RSKCON* con, const RSKOBJNAME& name) {
    RSKVARIABLE* v = rsk_take_record(con, con->free_lists->variables, kVariableChunk, "variable record");
    if (v == nullptr) return nullptr;
    v->name = name;
    own_names(v);
    if (rsksymd(con, variable_table(con), &v->name.name, v) == RSKSYM_FAILED) {
        rsk_give_free(con->free_lists->variables, v);
        return nullptr;
    }
    append_variable(con, v);
    return v;
}

// The label as the record's description, with the time stamp of the current read. 0; 1 when
// its text could not be kept (598/2797 once).
int take_label(Definition& d, RSKPROPS* props) {
    RSKCON* con = d.con;
    std::memset(props, 0, sizeof *props);
    Text label = text_of(d.request->label, d.request->label_length);
    if (label.length > kRskDescriptionLimit) label.length = kRskDescriptionLimit;
    RSKNAMEREC description{static_cast<uint16_t>(label.length), static_cast<uint16_t>(label.length),
                           const_cast<char*>(label.text)};
    RSKPROPS stamp{};
    stamp.state = 1;
    stamp.modified = con->read_timestamp;
    rssptyd(con, props, &description, con->read_timestamp != 0 ? &stamp : nullptr);
    if (label.length > 0 && props->description_length != label.length) {
        rsknomem(con, static_cast<size_t>(label.length), "variable label");
        return 1;
    }
    return 0;
}

void free_label(RSKCON* con, RSKPROPS* props) {
    if (props->description != nullptr && props->description_capacity > 0)
        vmfree_handler(con->current_pool, props->description, props->description_capacity, QOR_FREE_SIZED);
    std::memset(props, 0, sizeof *props);
}

// Step 15: replace the old record in place, or create one. Nothing is stored when the label or
// a new record cannot be had.
RSKVARIABLE* store(Definition& d) {
    RSKCON* con = d.con;
    RSKVARIABLE& local = d.record;
    const bool own_environment = local.environment == nullptr || local.environment == con->current_environment;
    if (take_label(d, &local.properties) != 0) {
        free_label(con, &local.properties);
        return nullptr;
    }
    RSKVARIABLE* v = rskvar(con, &local.name.name);
    if (v != nullptr) {
        if (!con->catalog_loading)
            xpmlog(598, 1606, NAME_ARG(local.name), TEXT_ARG(kind_text(con, v->kind)),
                   TEXT_ARG(type_text(con, v->data_type)), TEXT_ARG(role_text(con, v->role)),
                   TEXT_ARG(kind_text(con, local.kind)), TEXT_ARG(type_text(con, local.data_type)),
                   TEXT_ARG(role_text(con, local.role)));
        local.creation = v->creation;
        local.origin = v->origin == 2 && own_environment ? 3 : v->origin;
        rskvafc(con, v);
        local.next = v->next;
        local.use_count = v->use_count;
        local.selected = v->selected;
        *v = local;
        own_names(v);
        return v;
    }
    v = new_variable(con, local.name);
    if (v == nullptr) {
        free_label(con, &local.properties);
        return nullptr;
    }
    local.next = nullptr;
    local.creation = 12;
    local.origin = own_environment ? 1 : 2;
    *v = local;
    own_names(v);
    return v;
}

}  // namespace

int is_ir_rate(uint32_t role) { return role == 321 || (role >= 411 && role <= 440) || (role >= 511 && role <= 540); }
int is_fx_rate(uint32_t role) { return role == 341 || role == 441 || role == 451 || role == 541 || role == 551; }
int is_future_rate(uint32_t role) {
    return (role >= 421 && role <= 440) || (role >= 521 && role <= 540) || role == 451 || role == 551;
}
int is_volatility(uint32_t role) { return role >= 501 && role <= 551; }

int define_variable(RSKCON* con, RSKVARIABLE** out, const RSKVARDEF* request) {
    if (out != nullptr) *out = nullptr;
    if (con == nullptr || request == nullptr || variable_table(con) == nullptr || con->free_lists == nullptr) return 1;
    con->variables_pending = 1;
    con->environment_changed = 1;
    if (!con->catalog_loading) con->variables_dirty = 1;   // the stored definitions are out of date
    Definition d{con, request, {}, 0};
    own_names(&d.record);
    d.record.environment = request->environment;
    fill_name(d);
    take_data_type(d);
    take_kind_and_role(d);
    size_by_type(d);
    take_group(d);
    take_words(d);
    take_format(d);
    d.record.value_class = value_class_of(d.record.data_type);
    take_currency(d, request->currency, request->currency_length, d.record.currency, &d.record.currency_row);
    take_currency(d, request->from_currency, request->from_currency_length, d.record.from_currency,
                  &d.record.from_currency_row);
    take_maturity_and_references(d);
    if (d.errors != 0) return d.errors;
    check_combinations(d);
    d.record.measurement_level = request->measurement_level;
    if (d.record.kind == RSKVKIND_FACTOR && d.record.measurement_level == 0) d.record.measurement_level = 1;
    check_kind(d);
    if (d.errors != 0) return d.errors;
    RSKVARIABLE* v = store(d);
    if (v == nullptr) return 1;
    if (out != nullptr) *out = v;
    return 0;
}

int rskvard(RSKCON* con, RSKVARIABLE** out, const RSKVARDEF* request) {
    if (out != nullptr) *out = nullptr;
    if (con == nullptr || request == nullptr) return 1;
    Text name = text_of(request->name, request->name_length);
    RSKNAMEREC rec{static_cast<uint16_t>(name.length), static_cast<uint16_t>(name.length),
                   const_cast<char*>(name.text)};
    if (name.length > 0 && !con->catalog_loading && !con->converting && !con->converting_types &&
        is_reserved_name(con, &rec)) {
        xpmlog(598, 1610, TEXT_ARG(name));
        return 1;
    }
    if (name.length >= 10) {
        char prefix[10];
        for (int i = 0; i < 10; ++i) prefix[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name.text[i])));
        if (std::memcmp(prefix, "_cashflow_", 10) == 0) {
            xpmlog(670, 3525, TEXT_ARG(name));
            return 1;
        }
    }
    return define_variable(con, out, request);
}
