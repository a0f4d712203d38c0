// Writers of registry rows: the add routine of each registry with its capacity check, and the
// fillers of keyword fields and description fields (texts of message table 598).
#include "engine/model/registries/registry_rows.h"

#include <cstring>

#include "host/print.h"

const int kRskRegistryCapacity[kRskRegistryCount] = {
    70, 14,                                  // storage types, variable kinds
    11, 8, 8, 8, 6, 7, 3, 5, 5,              // data types: system .. state
    7, 5, 4, 4, 28, 32, 2, 2, 2,             // roles: system .. state
    5, 6, 13, 8, 18, 5, 10,                  // bases .. statistic types
    16, 54, 19,                              // analysis, output, system options
    6, 11, 10, 4, 5,                         // formats .. program types
};

int store_string(const char* text, char* field, int width) {
    std::memset(field, ' ', static_cast<size_t>(width));
    int length = text != nullptr ? static_cast<int>(std::strlen(text)) : 0;
    if (length > width) {
        xebug("rskinit: store_string: length %i > %i for \"%*s\".", length, width, length, text);
        length = width;
    }
    if (length > 0) std::memcpy(field, text, static_cast<size_t>(length));
    return length;
}

int read_string(int number, char* field, int width) {
    std::memset(field, ' ', static_cast<size_t>(width));
    char text[512];
    int length = 0;
    if (xpmtext(598, number, text, sizeof text, &length) != 0) {
        xebug("rskinit: read_string: fail to read msg number %i.", number);
        return 0;
    }
    if (length > static_cast<int>(sizeof text) - 1) length = static_cast<int>(sizeof text) - 1;
    if (length > width) {
        xebug("rskinit: read_string: length %i > %i for \"%*s\".", length, width, length, text);
        length = width;
    }
    std::memcpy(field, text, static_cast<size_t>(length));
    return length;
}

namespace {

// Takes the next row index, or -1 after reporting a registry that is full.
int next_row(int* count, int registry, const char* overflow, const char* label) {
    int capacity = kRskRegistryCapacity[registry];
    if (*count >= capacity) {
        if (label != nullptr) xebug(overflow, label, capacity);
        else xebug(overflow);
        return -1;
    }
    return (*count)++;
}

void write_code(RSKCODEROW* rows, int* count, int registry, const char* overflow, int code,
                const char* name, int msg) {
    int at = next_row(count, registry, overflow, nullptr);
    if (at < 0) return;
    RSKCODEROW* row = &rows[at];
    row->code = code;
    row->name_length = static_cast<uint16_t>(store_string(name, row->name, sizeof row->name));
    row->description_length = static_cast<uint16_t>(read_string(msg, row->description, sizeof row->description));
}

const char kDtypeOverflow[] = "rskinit: too many \"%s\" data types. max=%i";
const char kRoleOverflow[] = "rskinit: too many \"%s\" role codes. max=%i";

void write_dtype(RSKDTYPEROW* rows, int* count, int registry, const char* label, const RSKDTYPEATTR* attr) {
    int at = next_row(count, registry, kDtypeOverflow, label);
    if (at < 0) return;
    RSKDTYPEROW* row = &rows[at];
    row->code = attr->code;
    row->name_length = static_cast<uint16_t>(store_string(attr->name, row->name, sizeof row->name));
    row->description_length = static_cast<uint16_t>(read_string(attr->msg, row->description, sizeof row->description));
    row->min_length = attr->min_length;
    row->max_length = attr->max_length;
    row->default_length = attr->default_length;
    store_string(attr->format, row->default_format, sizeof row->default_format);
    store_string(attr->family, row->family, sizeof row->family);
    row->host_type = attr->host_type != '\0' ? attr->host_type : ' ';
}

void write_role(RSKROLEROW* rows, int* count, int registry, const char* label, const RSKROLEATTR* attr) {
    int at = next_row(count, registry, kRoleOverflow, label);
    if (at < 0) return;
    RSKROLEROW* row = &rows[at];
    row->code = attr->code;
    row->first = attr->flags[0] != 0;
    row->declarable = attr->flags[1] != 0;
    row->interest_rate = attr->flags[2] != 0;
    row->fx = attr->flags[3] != 0;
    row->maturity = attr->flags[4] != 0;
    row->volatility = attr->flags[5] != 0;
    row->name_length = static_cast<uint16_t>(store_string(attr->name, row->name, sizeof row->name));
    row->description_length = static_cast<uint16_t>(read_string(attr->msg, row->description, sizeof row->description));
}

void write_option(RSKOPTROW* rows, int* count, int registry, const char* overflow, const RSKOPTATTR* attr) {
    int at = next_row(count, registry, overflow, nullptr);
    if (at < 0) return;
    RSKOPTROW* row = &rows[at];
    row->code = attr->code;
    row->value_type = attr->value_type;
    row->name_length = static_cast<uint16_t>(store_string(attr->name, row->name, sizeof row->name));
    row->description_length = static_cast<uint16_t>(read_string(attr->msg, row->description, sizeof row->description));
    row->minimum = attr->minimum;
    row->maximum = attr->maximum;
}

}  // namespace

void add_stype(RSKSTYPEROW* rows, int* count, uint32_t code, uint32_t flags, const char* name, int msg) {
    int at = next_row(count, RSKREG_STYPES, "rskinit: too many storage type codes", nullptr);
    if (at < 0) return;
    RSKSTYPEROW* row = &rows[at];
    row->code = code;
    if (flags != 0) row->flags = flags;
    row->name_length = static_cast<uint16_t>(store_string(name, row->name, sizeof row->name));
    row->description_length = static_cast<uint16_t>(read_string(msg, row->description, sizeof row->description));
}

void add_vkind(RSKCODEROW* rows, int* count, int code, const char* name, const char* description) {
    int at = next_row(count, RSKREG_VKINDS, "rskinit: too many variable kind codes", nullptr);
    if (at < 0) return;
    RSKCODEROW* row = &rows[at];
    row->code = code;
    row->name_length = static_cast<uint16_t>(store_string(name, row->name, sizeof row->name));
    row->description_length = static_cast<uint16_t>(store_string(description, row->description, sizeof row->description));
}

void add_sv_dtype(RSKDTYPEROW* rows, int* count, const RSKDTYPEATTR* attr) {
    write_dtype(rows, count, RSKREG_DT_SYSTEM, "Special System Variables", attr);
}
void add_tv_dtype(RSKDTYPEROW* rows, int* count, const RSKDTYPEATTR* attr) {
    write_dtype(rows, count, RSKREG_DT_INSTRUMENT, "Instrument Attributes", attr);
}
void add_cp_dtype(RSKDTYPEROW* rows, int* count, const RSKDTYPEATTR* attr) {
    write_dtype(rows, count, RSKREG_DT_CPTY, "Counterparty Attributes", attr);
}
void add_m_dtype(RSKDTYPEROW* rows, int* count, const RSKDTYPEATTR* attr) {
    write_dtype(rows, count, RSKREG_DT_MITIGATION, "Mitigation Attributes", attr);
}
void add_pv_dtype(RSKDTYPEROW* rows, int* count, const RSKDTYPEATTR* attr) {
    write_dtype(rows, count, RSKREG_DT_PROJECT, "Project Attributes", attr);
}
void add_stv_dtype(RSKDTYPEROW* rows, int* count, const RSKDTYPEATTR* attr) {
    write_dtype(rows, count, RSKREG_DT_STATE, "State Attributes", attr);
}
void add_ov_dtype(RSKDTYPEROW* rows, int* count, const RSKDTYPEATTR* attr) {
    write_dtype(rows, count, RSKREG_DT_OUTPUT, "Output Variables", attr);
}
void add_rf_dtype(RSKDTYPEROW* rows, int* count, const RSKDTYPEATTR* attr) {
    write_dtype(rows, count, RSKREG_DT_FACTOR, "Risk Factor", attr);
}
void add_rv_dtype(RSKDTYPEROW* rows, int* count, const RSKDTYPEATTR* attr) {
    write_dtype(rows, count, RSKREG_DT_REFERENCE, "Reference Variables", attr);
}

void add_srole(RSKROLEROW* rows, int* count, const RSKROLEATTR* attr) {
    write_role(rows, count, RSKREG_RL_SYSTEM, "System Variable", attr);
}
void add_trole(RSKROLEROW* rows, int* count, const RSKROLEATTR* attr) {
    write_role(rows, count, RSKREG_RL_INSTRUMENT, "Instrument Variable", attr);
}
void add_crole(RSKROLEROW* rows, int* count, const RSKROLEATTR* attr) {
    write_role(rows, count, RSKREG_RL_CPTY, "Counterparty Variable", attr);
}
void add_mrole(RSKROLEROW* rows, int* count, const RSKROLEATTR* attr) {
    write_role(rows, count, RSKREG_RL_MITIGATION, "Mitigation Variable", attr);
}
void add_prole(RSKROLEROW* rows, int* count, const RSKROLEATTR* attr) {
    write_role(rows, count, RSKREG_RL_PROJECT, "Project Variable", attr);
}
void add_strole(RSKROLEROW* rows, int* count, const RSKROLEATTR* attr) {
    write_role(rows, count, RSKREG_RL_STATE, "State Variable", attr);
}
void add_frole(RSKROLEROW* rows, int* count, const RSKROLEATTR* attr) {
    write_role(rows, count, RSKREG_RL_FACTOR, "Risk Factor", attr);
}
void add_rrole(RSKROLEROW* rows, int* count, const RSKROLEATTR* attr) {
    write_role(rows, count, RSKREG_RL_REFERENCE, "Reference Variable", attr);
}
void add_orole(RSKROLEROW* rows, int* count, const RSKROLEATTR* attr) {
    write_role(rows, count, RSKREG_RL_OUTPUT, "Output Variable", attr);
}

void add_basis(RSKCODEROW* rows, int* count, int code, const char* name, int msg) {
    write_code(rows, count, RSKREG_BASES, "rskinit: too many time basis codes", code, name, msg);
}
void add_tunit(RSKCODEROW* rows, int* count, int code, const char* name, int msg) {
    write_code(rows, count, RSKREG_TUNITS, "rskinit: too many time unit codes", code, name, msg);
}
void add_acode(RSKCODEROW* rows, int* count, int code, const char* name, int msg) {
    write_code(rows, count, RSKREG_ACTIONS, "rskinit: too many action codes", code, name, msg);
}
void add_ekind(RSKCODEROW* rows, int* count, int code, const char* name, int msg) {
    write_code(rows, count, RSKREG_EKINDS, "rskinit: too many entry kind codes", code, name, msg);
}
void add_anal_type(RSKCODEROW* rows, int* count, int code, const char* name, int msg) {
    write_code(rows, count, RSKREG_ANALYSES, "rskinit: too many analysis type codes", code, name, msg);
}
void add_perturb_type(RSKCODEROW* rows, int* count, int code, const char* name, int msg) {
    write_code(rows, count, RSKREG_PERTURBATIONS, "rskinit: too many perturbation type codes", code, name, msg);
}
void add_stat_type(RSKCODEROW* rows, int* count, int code, const char* name, int msg) {
    write_code(rows, count, RSKREG_STATISTICS, "rskinit: too many portfolio statistic type names", code, name, msg);
}
void add_dsformat(RSKCODEROW* rows, int* count, int code, const char* name, int msg) {
    write_code(rows, count, RSKREG_DSFORMATS, "rskinit: add_dsformat: too many argument types", code, name, msg);
}
void add_mdstype(RSKCODEROW* rows, int* count, int code, const char* name, int msg) {
    write_code(rows, count, RSKREG_MDSTYPES, "rskinit: add_mdstype: too many argument types", code, name, msg);
}
void add_errmodel(RSKCODEROW* rows, int* count, int code, const char* name, int msg) {
    write_code(rows, count, RSKREG_ERRMODELS, "rskinit: too many error model codes", code, name, msg);
}
void add_qor_type(RSKCODEROW* rows, int* count, int code, const char* name, int msg) {
    write_code(rows, count, RSKREG_PROGTYPES, "rskinit: too many program type codes", code, name, msg);
}

void add_anal_option(RSKOPTROW* rows, int* count, const RSKOPTATTR* attr) {
    write_option(rows, count, RSKREG_OPT_ANALYSIS, "rskinit: add_anal_option: too many options", attr);
}
void add_output_option(RSKOPTROW* rows, int* count, const RSKOPTATTR* attr) {
    write_option(rows, count, RSKREG_OPT_OUTPUT, "rskinit: add_output_option: too many options", attr);
}
void add_system_option(RSKOPTROW* rows, int* count, const RSKOPTATTR* attr) {
    write_option(rows, count, RSKREG_OPT_SYSTEM, "rskinit: add_system_option: too many options", attr);
}

void add_genrcode(RSKGENROW* rows, int* count, int code, const char* name, int msg) {
    int at = next_row(count, RSKREG_GENERATORS, "rskinit: too many random number generator codes", nullptr);
    if (at < 0) return;
    RSKGENROW* row = &rows[at];
    row->code = code;
    row->name_length = static_cast<uint16_t>(store_string(name, row->name, sizeof row->name));
    row->description_length = static_cast<uint16_t>(read_string(msg, row->description, sizeof row->description));
}
