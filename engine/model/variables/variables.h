// Variables of the current environment: the definition request, definition and deletion, look-ups,
// reference pairs and categories, system variables and reserved names, and the rebuild of the
// run-time view (lists by role, reference maps, exchange-rate pairs).
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"
#include "engine/model/variables/variable_record.h"
#include "engine/tables/variable_request.h"

// The definition request (RSKVARDEF) is shared with the other modules.

// Pointers to the system variables, in the order rskvar1 defines them. Instrument types compare
// resolved variables with these by identity; the run reaches them without a look-up.
struct RSKSYSVARS {
    RSKVARIABLE* inst_type;
    RSKVARIABLE* inst_id;
    RSKVARIABLE* inst_source;
    RSKVARIABLE* inst_number;
    RSKVARIABLE* inst_total;
    RSKVARIABLE* counterparty_id;
    RSKVARIABLE* netting_set_id;
    RSKVARIABLE* al_type;
    RSKVARIABLE* holding;
    RSKVARIABLE* short_position;
    RSKVARIABLE* al_position;
    RSKVARIABLE* currency;
    RSKVARIABLE* numeraire_currency;
    RSKVARIABLE* collateral;         // also entered as "Mitigant"
    RSKVARIABLE* maturity_date;
    RSKVARIABLE* value;              // _Value_
    RSKVARIABLE* return_value;       // Return
    RSKVARIABLE* exposure;
    RSKVARIABLE* native_value;
    RSKVARIABLE* fx_rate;
    RSKVARIABLE* macaulay_dur;
    RSKVARIABLE* macaulay_cnvx;
    RSKVARIABLE* modified_dur;
    RSKVARIABLE* modified_cnvx;
    RSKVARIABLE* int_income;
    RSKVARIABLE* cf_bucket;
    RSKVARIABLE* cum_bucket;
    RSKVARIABLE* cashflow;           // _Cashflow_
    RSKVARIABLE* base_case;
    RSKVARIABLE* base_date;
    RSKVARIABLE* simulation_case;
    RSKVARIABLE* simulation_mode;
    RSKVARIABLE* simulation_category;
    RSKVARIABLE* simulation_time;
    RSKVARIABLE* simulation_horizon;
    RSKVARIABLE* simulation_interval;
    RSKVARIABLE* simulation_replication;
    RSKVARIABLE* type;               // _Type_
    RSKVARIABLE* name;               // _Name_
    RSKVARIABLE* nvalue;             // _NValue_
    RSKVARIABLE* cvalue;             // _CValue_
    RSKVARIABLE* cf_currency;        // _CFCUR_
    RSKVARIABLE* cf_date;            // _CFDATE_
    RSKVARIABLE* cf_amount;          // _CFAMNT_
    RSKVARIABLE* quad_value;
    RSKVARIABLE* cash_flows;
    RSKVARIABLE* date;               // _date_ (a risk factor)
    RSKVARIABLE* cumcf;              // _cumcf_
    RSKVARIABLE* cash;               // _cash_
};

// Role classes of a role code: 1 or 0.
int is_ir_rate(uint32_t role);
int is_fx_rate(uint32_t role);
int is_future_rate(uint32_t role);
int is_volatility(uint32_t role);

// ---- Definitions (each: 0 success, 1 failure after its message, unless stated) ----

// The variable of that name in the environment's variable table; null when none.
RSKVARIABLE* rskvar(RSKCON* con, const RSKNAMEREC* name);
// The variable of that name among the variables an instrument type has resolved; null when none.
RSKVARIABLE* rskvc(RSKCON* con, RSKINSTTYPE* type, const RSKNAMEREC* name);
// The variable of that name in the run's table of risk factors; null when none or a state.
RSKVARIABLE* rskvf(RSKCON* con, const RSKNAMEREC* name);
// Defines a variable (reserved-name and "_cashflow_" tests first); *out (may be null) gets the
// record or null. The result is the number of faults found (0 success).
int rskvard(RSKCON* con, RSKVARIABLE** out, const RSKVARDEF* request);
// Defines a variable without the reserved-name and "_cashflow_" tests.
int define_variable(RSKCON* con, RSKVARIABLE** out, const RSKVARDEF* request);
// Appends a reference pair (map name, key) to a risk factor.
int rskvara(RSKCON* con, RSKVARIABLE* variable, const char* refname, int refname_length,
            const char* refkey, int refkey_length);
// Appends a category name to a risk factor.
int rskvarb(RSKCON* con, RSKVARIABLE* variable, const char* category, int length);
// Sets a character variable's current value, blank-filled to its length; 1 outside a run.
int rskvarc(RSKCON* con, RSKVARIABLE* variable, const char* text, int length);
// Sets a numeric variable's current value; 1 outside a run.
int rskvarn(RSKCON* con, RSKVARIABLE* variable, double value);
// Deletes one variable; refuses inherited, system and reserved ones and those still in use.
int rskvarf(RSKCON* con, RSKVARIABLE* variable);
// Releases what a variable owns (run-time lists, pairs, categories, array vectors, label).
int rskvafc(RSKCON* con, RSKVARIABLE* variable);

// ---- System variables and reserved names ----

// Creates the system variables and reserves the fixed names; a second call does nothing. 0.
int rskvar1(RSKCON* con);
// Reserves the name, defines one system variable and stores its record in *where.
int system_var(RSKCON* con, uint32_t kind, RSKVARIABLE** where, const char* name, uint32_t type,
               int length, uint32_t role, int label_number);
// Enters a NUL-terminated name in the reserved-name table. 0; 1 when no memory.
int reserve_name(RSKCON* con, const char* name);
// Enters the fixed list of reserved names.
int add_reserved_names(RSKCON* con);
// 1 when the name is reserved.
int is_reserved_name(RSKCON* con, const RSKNAMEREC* name);

// ---- The run-time view ----

// Full rebuild of the run-time view; the largest code of its steps.
int rskvar0(RSKCON* con);
// Rebuilds one variable's run-time entries; the largest code.
int rskvari(RSKCON* con, RSKVARIABLE* variable);
// Prepares a risk factor named in a USE statement: 0 or 1.
int rskvarm(RSKCON* con, RSKVARIABLE* variable);
