// Writers of registry rows: one add routine per registry, each writing one row at the running
// index, and the field fillers they share (literal keywords and texts of message table 598).
#pragma once
#include "engine/model/registries/code_registries.h"

// Fills a blank-padded field with a NUL-terminated text; a longer text is cut to the width after
// an internal-error line. The stored length.
int store_string(const char* text, char* field, int width);
// Fills a blank-padded field with the text of message 598/number; 0 when the text cannot be
// read, else the stored length (cut to the width after an internal-error line).
int read_string(int number, char* field, int width);

// Every add routine writes one row at rows[*count] and counts it. A row that would not fit the
// registry's capacity is reported through the internal-error printer and not written, and the
// count stays at the capacity, so that look-ups never read past the rows.
void add_stype(RSKSTYPEROW* rows, int* count, uint32_t code, uint32_t flags, const char* name, int msg);
void add_vkind(RSKCODEROW* rows, int* count, int code, const char* name, const char* description);

// Data-type rows: the further fields are the three lengths, default format, family and type.
struct RSKDTYPEATTR {
    int code;
    const char* name;
    int msg;
    uint16_t min_length, max_length, default_length;
    const char* format;
    const char* family;
    char host_type;
};
using RSKADDDTYPE = void (*)(RSKDTYPEROW* rows, int* count, const RSKDTYPEATTR* attr);
void add_sv_dtype(RSKDTYPEROW* rows, int* count, const RSKDTYPEATTR* attr);
void add_tv_dtype(RSKDTYPEROW* rows, int* count, const RSKDTYPEATTR* attr);
void add_cp_dtype(RSKDTYPEROW* rows, int* count, const RSKDTYPEATTR* attr);
void add_m_dtype(RSKDTYPEROW* rows, int* count, const RSKDTYPEATTR* attr);
void add_rf_dtype(RSKDTYPEROW* rows, int* count, const RSKDTYPEATTR* attr);
void add_rv_dtype(RSKDTYPEROW* rows, int* count, const RSKDTYPEATTR* attr);
void add_ov_dtype(RSKDTYPEROW* rows, int* count, const RSKDTYPEATTR* attr);
void add_pv_dtype(RSKDTYPEROW* rows, int* count, const RSKDTYPEATTR* attr);
void add_stv_dtype(RSKDTYPEROW* rows, int* count, const RSKDTYPEATTR* attr);

// Role rows: the further fields are the six flags (first, declarable, interest rate, FX,
// maturity, volatility), stored as 0 or 1.
struct RSKROLEATTR {
    int code;
    const char* name;
    int msg;
    uint8_t flags[6];
};
using RSKADDROLE = void (*)(RSKROLEROW* rows, int* count, const RSKROLEATTR* attr);
void add_srole(RSKROLEROW* rows, int* count, const RSKROLEATTR* attr);
void add_trole(RSKROLEROW* rows, int* count, const RSKROLEATTR* attr);
void add_crole(RSKROLEROW* rows, int* count, const RSKROLEATTR* attr);
void add_mrole(RSKROLEROW* rows, int* count, const RSKROLEATTR* attr);
void add_frole(RSKROLEROW* rows, int* count, const RSKROLEATTR* attr);
void add_rrole(RSKROLEROW* rows, int* count, const RSKROLEATTR* attr);
void add_orole(RSKROLEROW* rows, int* count, const RSKROLEATTR* attr);
void add_prole(RSKROLEROW* rows, int* count, const RSKROLEATTR* attr);
void add_strole(RSKROLEROW* rows, int* count, const RSKROLEATTR* attr);

// Standard rows: code, keyword and the description's message number.
using RSKADDCODE = void (*)(RSKCODEROW* rows, int* count, int code, const char* name, int msg);
void add_basis(RSKCODEROW* rows, int* count, int code, const char* name, int msg);
void add_tunit(RSKCODEROW* rows, int* count, int code, const char* name, int msg);
void add_acode(RSKCODEROW* rows, int* count, int code, const char* name, int msg);
void add_ekind(RSKCODEROW* rows, int* count, int code, const char* name, int msg);
void add_anal_type(RSKCODEROW* rows, int* count, int code, const char* name, int msg);
void add_perturb_type(RSKCODEROW* rows, int* count, int code, const char* name, int msg);
void add_stat_type(RSKCODEROW* rows, int* count, int code, const char* name, int msg);
void add_dsformat(RSKCODEROW* rows, int* count, int code, const char* name, int msg);
void add_mdstype(RSKCODEROW* rows, int* count, int code, const char* name, int msg);
void add_errmodel(RSKCODEROW* rows, int* count, int code, const char* name, int msg);
void add_qor_type(RSKCODEROW* rows, int* count, int code, const char* name, int msg);

// Option rows: value type and bounds.
struct RSKOPTATTR {
    int code;
    const char* name;
    int value_type;
    int msg;
    double minimum, maximum;
};
using RSKADDOPTION = void (*)(RSKOPTROW* rows, int* count, const RSKOPTATTR* attr);
void add_anal_option(RSKOPTROW* rows, int* count, const RSKOPTATTR* attr);
void add_output_option(RSKOPTROW* rows, int* count, const RSKOPTATTR* attr);
void add_system_option(RSKOPTROW* rows, int* count, const RSKOPTATTR* attr);

void add_genrcode(RSKGENROW* rows, int* count, int code, const char* name, int msg);

// Capacities of the registries, in their order.
extern const int kRskRegistryCapacity[kRskRegistryCount];
