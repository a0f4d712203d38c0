// The post-valuation and post-pricing methods of a simulation: the tables that bind each output
// variable to the methods' symbols, the passes over every VaR type, replication and horizon.
#pragma once
#include <cstdint>

#include "engine/tables/control_structure.h"

struct RSKANLPROC;
struct RSKSIMOUTV;
struct RSKSIMWORK;

// The ten post-variables of an output variable, in the order of their suffixes.
enum : int32_t {
    RSKPV_MTM = 0, RSKPV_VAR, RSKPV_VAR_L, RSKPV_VAR_U, RSKPV_MEAN, RSKPV_STD, RSKPV_MIN, RSKPV_MAX, RSKPV_MEDIAN,
    RSKPV_VALUE, RSKPV_SLOTS
};
// ".MtM", ".VaR", ".VaR_l", ".VaR_u", ".mean", ".std", ".min", ".max", ".median", ".value".
extern const char* const kRskPostSuffixes[RSKPV_SLOTS];

// One output variable that the post-valuation methods read: its base name ("_VALUE_" for P/L,
// "_RETURN_" for Return, else its own) and where each post-variable goes. A slot the program does
// not declare points into `own`, so writing it is always safe.
struct RSKPOSTVAR {
    const char* name;
    int32_t name_length;
    int32_t outv;                    // index in the simulation's output-variable table
    double* slots[RSKPV_SLOTS];
    double own[RSKPV_SLOTS];
};

// The post-valuation tables of one simulation (label "postvar memory"), built on first use.
struct RSKPOSTVARS {
    RSKPOSTVAR* entries;             // output variables not computed by the methods
    int32_t count;
    int32_t* computed;               // output variables the methods compute (source kind 1)
    double** computed_symbols;       // their program values (null: the program lacks the name)
    int32_t computed_count;
    // Run symbols of the state; null when the program does not use them.
    double* value;                   // "_VALUE_"
    double* return_value;            // "_RETURN_"
    double* horizon;                 // "_HORIZON_"
    double* date;                    // "_DATE_"
    double* cumcf;                   // "_CUMCF_"
    double* mtm;                     // per entry: its base-case value in the current cell
    int32_t failures_reported;       // 670/3623 lines given (ten at most per analysis)
};

// The post-pricing table of one simulation, built on first use: per output variable the symbol
// it is handed in (inputs) or read back from (post-priced variables), and the run symbols.
struct RSKPOSTPRICE {
    double** symbols;                // one per output variable, null when not bound
    double** mtm_symbols;            // "<base>.MtM" of each input, or null
    double** value_symbols;          // "<base>.value" of each input, or null
    int32_t pl;                      // index of the P/L output variable, -1 without
    int32_t exposure;                // index of the exposure output variable, -1 without
    int32_t priced_count;            // output variables of source kind 2
    double* horizon;                 // "_HORIZON_"
    double* date;                    // "_DATE_"
    double* mtm;                     // per output variable: its base-case value in the cell
    int32_t failures_reported;       // 670/3624 lines given (ten at most per analysis)
};

// Failed program runs reported per analysis and pass; the code of every failure is kept.
constexpr int32_t kRskPostFailureLines = 10;

// Switches every post-valuation action of the run's list on (1) or off (0) in the main block's
// run list, so that only those methods run. 0.
int mark_postvar(RSKCON* con, int on);
// The same for the post-pricing actions.
int mark_postprc(RSKCON* con, int on);

// The post-valuation pass of one cell: between the two statistics passes, the methods run once
// per VaR type, replication and horizon with the statistics of the first pass, and the values of
// the variables they compute go into their replication slots. 0, or the largest code (1 when the
// tables cannot be built, a failed program run its code after 670/3623).
int postvar_run(RSKCON* con, RSKANLPROC* run, void* area);
// Sets every post-variable slot back to missing after the cell's second statistics pass.
void finish_postvar(RSKCON* con, RSKSIMWORK* work);

// The post-pricing pass of one cell (the run's post-pricing step, before the finish): the methods
// run once per VaR type, replication and horizon on the cell's replication values, and each
// post-priced variable's result goes into its replication slot. 0 or the largest code.
int postprice_sim_run(RSKCON* con, RSKANLPROC* run, void* area);

// The program value that an output variable naming an environment variable is bound to: its
// symbol, or "name[e]" for an array element; null when the program does not know it.
double* rsasim_variable_symbol(RSKCON* con, const RSKSIMOUTV& v);
// The base-case value of an output variable in the cell the area lies in: the value sum for P/L,
// 0 for returns, the exposure sum for exposures, else the variable's own sum in the cell (missing
// when the run did not place it there).
double rsasim_outv_base(RSKCON* con, RSKANLPROC* run, void* area, const RSKSIMOUTV& v);
