// The code registries: fixed vocabularies that pair a numeric code with a keyword and a
// description, their row layouts, their builder, and the look-ups in both directions.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"
#include "engine/tables/settings_records.h"

// Row layouts. Text fields are blank-padded and followed by their significant length.
struct RSKCODEROW {
    int32_t code;
    char name[12];
    uint16_t name_length;
    char description[40];
    uint16_t description_length;
};

enum : uint32_t { RSKSTYPE_POINTER = 0x20 };   // storage type: pointer to a value of that code

struct RSKSTYPEROW {
    uint32_t code;
    uint32_t flags;                  // RSKSTYPE_POINTER
    char name[12];
    uint16_t name_length;
    char description[40];
    uint16_t description_length;
};

struct RSKDTYPEROW {
    int32_t code;
    char name[12];
    uint16_t name_length;
    char description[40];
    uint16_t description_length;
    uint16_t min_length;
    uint16_t max_length;
    uint16_t default_length;
    char default_format[18];
    char family[8];                  // "NUMERIC", "CHAR", "DATE" or blank
    char host_type;                  // 'N', 'C' or blank
};

struct RSKROLEROW {
    int32_t code;
    uint8_t first;                   // 1 for roles whose value the engine supplies
    uint8_t declarable;              // 1 for roles a user may declare
    uint8_t interest_rate;
    uint8_t fx;
    uint8_t maturity;
    uint8_t volatility;
    char name[16];
    uint16_t name_length;
    char description[40];
    uint16_t description_length;
};

struct RSKGENROW {
    int32_t code;
    char name[18];
    uint16_t name_length;
    char description[40];
    uint16_t description_length;
};

// The registries, in their order in RSKCON.
enum : int {
    RSKREG_STYPES, RSKREG_VKINDS,
    RSKREG_DT_SYSTEM, RSKREG_DT_INSTRUMENT, RSKREG_DT_CPTY, RSKREG_DT_MITIGATION,
    RSKREG_DT_FACTOR, RSKREG_DT_REFERENCE, RSKREG_DT_OUTPUT, RSKREG_DT_PROJECT, RSKREG_DT_STATE,
    RSKREG_RL_SYSTEM, RSKREG_RL_INSTRUMENT, RSKREG_RL_CPTY, RSKREG_RL_MITIGATION,
    RSKREG_RL_FACTOR, RSKREG_RL_REFERENCE, RSKREG_RL_OUTPUT, RSKREG_RL_PROJECT, RSKREG_RL_STATE,
    RSKREG_BASES, RSKREG_TUNITS, RSKREG_ACTIONS, RSKREG_EKINDS, RSKREG_ANALYSES,
    RSKREG_PERTURBATIONS, RSKREG_STATISTICS,
    RSKREG_OPT_ANALYSIS, RSKREG_OPT_OUTPUT, RSKREG_OPT_SYSTEM,
    RSKREG_DSFORMATS, RSKREG_MDSTYPES, RSKREG_GENERATORS, RSKREG_ERRMODELS, RSKREG_PROGTYPES,
};

static_assert(static_cast<int>(RSKREG_OPT_ANALYSIS) == static_cast<int>(RSKREG_OPTION_ANALYSIS) &&
                  static_cast<int>(RSKREG_OPT_OUTPUT) == static_cast<int>(RSKREG_OPTION_OUTPUT) &&
                  static_cast<int>(RSKREG_OPT_SYSTEM) == static_cast<int>(RSKREG_OPTION_SYSTEM),
              "catalog storage finds the option sets at these registry numbers");

// Data-type classes (the data-type tables are addressed by class, not by variable kind).
enum : int { RSKDTCLASS_ALL = 1234 };

// A storage-type pair.
struct RSKSTYPE {
    uint32_t code;
    uint32_t flags;
};

// Builds the 35 registries from the general pool; 0, or 1 when memory ran out (598/2797; the
// registries are then empty and every look-up answers its default).
int get_codes(RSKCON* con);

// Rows of one registry: core rows, or every row of a table written in two steps.
int rskreg_core(const RSKCON* con, int registry);
int rskreg_all(const RSKCON* con, int registry);

// Text to code: the first row whose name (or description) has exactly this length and equals
// the text ignoring case; else the registry's default.
int rskcdvk(RSKCON* con, const char* text, int length);
int rskcddk(RSKCON* con, const char* text, int length);
int rskcddt(RSKCON* con, int dtclass, const char* text, int length);
int rskcddd(RSKCON* con, int dtclass, const char* text, int length);
int rskcdva(RSKCON* con, int kind, const char* text, int length);
int rskcdda(RSKCON* con, int kind, const char* text, int length);
int rskcdac(RSKCON* con, const char* text, int length);
int rskcdad(RSKCON* con, const char* text, int length);
int rskcdek(RSKCON* con, const char* text, int length);
int rskcded(RSKCON* con, const char* text, int length);
int rskcdts(RSKCON* con, const char* text, int length);
int rskcdds(RSKCON* con, const char* text, int length);
int rskcdoc(RSKCON* con, const char* text, int length);
int rskcdtu(RSKCON* con, const char* text, int length);
int rskcdat(RSKCON* con, const char* text, int length);
int rskcdtp(RSKCON* con, const char* text, int length);
int rskcdpd(RSKCON* con, const char* text, int length);
int rskcdmd(RSKCON* con, const char* text, int length);
int rskcdrg(RSKCON* con, const char* text, int length);
int rskcdem(RSKCON* con, const char* text, int length);
int rskcdsu(RSKCON* con, const char* text, int length);

// Code to text: *text points at the row's text (or "*unknown*"); the result is its length.
int rskcsdt(RSKCON* con, int code, const char** text);
int rskcndt(RSKCON* con, int code, const char** text);
int rskcsst(RSKCON* con, const RSKSTYPE* pair, const char** text);
int rskcsvk(RSKCON* con, int code, const char** text);
int rskcnvk(RSKCON* con, int code, const char** text);
int rskcsva(RSKCON* con, int code, const char** text);
int rskcnva(RSKCON* con, int code, const char** text);
int rskcsac(RSKCON* con, int code, const char** text);
int rskcnac(RSKCON* con, int code, const char** text);
int rskcsek(RSKCON* con, int code, const char** text);
int rskcssu(RSKCON* con, int code, const char** text);
int rskcstu(RSKCON* con, int code, const char** text);
int rskcspd(RSKCON* con, int code, const char** text);
int rskcsmd(RSKCON* con, int code, const char** text);
int rskcsat(RSKCON* con, int code, const char** text);
int rskcspt(RSKCON* con, int code, const char** text);
int rskcsts(RSKCON* con, int code, const char** text);
int rskcnts(RSKCON* con, int code, const char** text);
int rskcsrg(RSKCON* con, int code, const char** text);
int rskcsem(RSKCON* con, int code, const char** text);
int rskcsoc(RSKCON* con, int code, const char** text);

// The first role row of that code among the system, instrument, counterparty, mitigation,
// risk-factor and reference roles; null when there is none.
const RSKROLEROW* rskrole(RSKCON* con, int code);
// The option row of a code (analysis, output, then system options), or null.
const RSKOPTROW* rskoptrow(const RSKCON* con, int code);

// Storage types of data types: the pair of a data type, its size and the alignment of a field.
// These numbers lay out instrument value records that are stored in utility files: a pointer
// counts 4 bytes and nothing aligns beyond 4, whatever the machine.
int rskcdst(RSKCON* con, int dtype, RSKSTYPE* pair);
int rsksize(RSKCON* con, RSKSTYPE pair);
int rskalgn(RSKCON* con, int offset, RSKSTYPE pair);

// Printing of the data-type and role tables to the print file.
int rskcdpt(RSKCON* con);
int rskcdpr(RSKCON* con);
