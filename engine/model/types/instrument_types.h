// Instrument types: what an instrument of a type carries (its variables, defaults, base type)
// and how it is valued (input and pricing actions), resolved against the environment's variables.
#pragma once
#include <cstdint>
#include "engine/model/services/compiler.h"
#include "engine/model/variables/variable_record.h"
#include "engine/tables/control_structure.h"

// A declared variable name of a type, or a default value (then `value` holds it, named by `name`).
struct RSKTYPENAME {
    RSKTYPENAME* next;
    RSKOBJNAME name;
    RSKVALUECELL* value;
};

// The ten system-variable slots of a type, in this order (slot 6 stays null).
enum : int {
    RSKTSLOT_HOLDING, RSKTSLOT_SHORT_POSITION, RSKTSLOT_COUNTERPARTY_ID, RSKTSLOT_NETTING_SET_ID,
    RSKTSLOT_COLLATERAL, RSKTSLOT_MATURITY_DATE, RSKTSLOT_UNUSED, RSKTSLOT_CURRENCY,
    RSKTSLOT_AL_TYPE, RSKTSLOT_AL_POSITION, RSKTSLOT_COUNT,
};

// Action codes of the action registry that types use.
enum : uint32_t { RSKACT_INPUT = 2, RSKACT_PRICE = 3, RSKACT_FOURTH = 4 };

constexpr int kRskInputActions = 10;
constexpr int32_t kRskTypeKind = 8;

struct RSKINSTTYPE {
    RSKINSTTYPE* next;               // definition order; free-list link
    RSKOBJNAME name;
    RSKPROPS properties;             // description
    RSKRIGHTS security;
    RSKOBJNAME base_name;            // length 0 = no base type
    RSKINSTTYPE* base;
    RSKSYMTAB variables;             // resolved variables by name; objects are RSKVARLINKs
    RSKTYPENAME* declared_head;
    RSKTYPENAME* declared_tail;
    int32_t declared_count;
    RSKVARLINK* resolved_head;       // base-most variables first
    RSKVARLINK* resolved_tail;
    int32_t resolved_count;
    RSKVARLINK* currency_head;       // the resolved variables of data type CURCODE
    RSKVARLINK* currency_tail;
    int32_t currency_count;
    RSKVARIABLE* system_slots[RSKTSLOT_COUNT];
    uint8_t quadratic;
    uint8_t cash_flows;
    int32_t record_size;             // bytes of one instrument record in the stored layout
    RSKTYPENAME* defaults_head;
    RSKTYPENAME* defaults_tail;
    int32_t defaults_count;
    RSKACTION inputs[kRskInputActions];
    int32_t input_count;
    RSKACTION price;                 // PRICE, or the delta-gamma pseudo-action of a quadratic type
    RSKACTION fourth;                // the slot of action code 4
    uint8_t resolving;               // cycle guard while the base chain resolves
    RSKENV* environment;
    int32_t kind;                    // always 8
    int32_t inheritance;             // 1 own, 2 inherited, 3 inherited and redefined
    // Run working storage (engine/run/): the type's run flags, run table, number, layout
    // fingerprint and the fields of its value record with the addresses they are copied to.
    struct RSKTYPERUN {
        uint8_t actions_resolved;    // its actions were resolved for this run
        uint8_t used;                // an instrument of the type was met in this run
        RSKSYMTAB table;             // run table (11 entries), buckets from the run pool
        int32_t number;              // 1-based in definition order; indexes the timing records
        uint32_t fingerprint;        // layout fingerprint of the value record
        struct RSKTYPEFIELD* fields; // one per variable with a place in the value record
        int32_t field_count;
        int32_t instruments;         // instruments of the type met in this run
    } run;
    // The READ driver (engine/files/instrument_read*): 598/1824 was given for the type (an input
    // format that cannot carry its cash flows or quadratic value).
    uint8_t format_noted;
};

// The type of that name, or null (also, after 598/3804, when the user may not read it).
RSKINSTTYPE* rskcls(RSKCON* con, const char* name, int length);
// Defines or redefines a type; *out receives it. 0 or 1.
int rskclsd(RSKCON* con, RSKINSTTYPE** out, const char* name, int name_length, const char* base,
            int base_length, const char* description, int description_length, int cash_flows,
            int quadratic, RSKENV* environment);
// Appends a declared variable name. 0 or 1.
int rskclsv(RSKCON* con, RSKINSTTYPE* type, const char* name, int length);
// Appends a default value: value_type 1 numeric, 2 character. 0 or 1.
int rskdflt(RSKCON* con, RSKINSTTYPE* type, const char* name, int name_length, double number,
            const char* text, int text_length, int value_type);
// Sets an action slot (2 INPUT, 3 PRICE, 4) and checks it without messages. 0 or 1.
int rskactd(RSKCON* con, RSKINSTTYPE* type, int code, const char* method, int length);
// Checks one action against the environment's methods; report asks for the missing-method note.
int check_action(RSKCON* con, RSKINSTTYPE* type, RSKACTION* action, int report);
// Initialises one type: resolves its variables with the base chain, defaults and actions.
int rskclsi(RSKCON* con, RSKINSTTYPE* type);
// Initialises every type in definition order: the largest code.
int rskclbi(RSKCON* con);
// Clears a type; partial clears only what initialisation builds.
int rskclsc(RSKCON* con, RSKINSTTYPE* type, int partial);
// Removes a type from the environment and gives its record back. 0.
int rskclsf(RSKCON* con, RSKINSTTYPE* type);
// Prints one type. 0.
int rskclsp(RSKCON* con, RSKINSTTYPE* type);
// Prints every type the user may read (with their rights when security is asked). 0.
int rskclbp(RSKCON* con, int security);
// Not provided: an internal-error line. 0.
int rskclbf(RSKCON* con);
// Reads types from a catalog data set and stores them; writes all types to one. 0 or 1.
int rskclsr(RSKCON* con, const char* libref, const char* member, const char* dsname);
int rskclsw(RSKCON* con, const char* libref, const char* member, const char* dsname);
