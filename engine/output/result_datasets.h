// Result data sets of a run: the kinds, the descriptor RSKRESDS, the column switches, the current
// row record and the row context, the row-writer interface, and the routines that open, fill and write them.
#pragma once
#include <cstddef>
#include <cstdint>
#include "common/containers/value_set.h"
#include "engine/tables/control_structure.h"

struct RSKOUTOBJ;        // the run's output object (output object routines)
struct RSKANLPROC;       // an analysis's processing record in a run
struct RSKVARIABLE;
struct qor_dataset;
struct qor_putlist;

// Result data set kinds. Codes are part of the stored results and never change.
enum RSKRESDSKIND : int32_t {
    RSKRES_INSTVALS = 1, RSKRES_MKTRATES = 2, RSKRES_COMBINE = 3, RSKRES_SUMMARY = 4,
    RSKRES_SENS = 5, RSKRES_SENS2 = 6, RSKRES_PLCURVE = 7, RSKRES_PLSURF = 8, RSKRES_SCEN = 9,
    RSKRES_DVAR = 10, RSKRES_INSTCFS = 11, RSKRES_PARTIALDUR = 12,
    RSKRES_SIMSTAT = 21, RSKRES_SIMDENS = 22, RSKRES_SIMRFIM = 23, RSKRES_SIMRFS = 24,
    RSKRES_SIMSTATE = 25, RSKRES_SIMVALUE = 26, RSKRES_SIMREPS = 27,
    RSKRES_OPTSUM = 31, RSKRES_OPTVALUE = 32, RSKRES_OPTRESLT = 33,
    RSKRES_ERRORS = 90, RSKRES_MKTSTATE = 91, RSKRES_ALLPRICE = 92, RSKRES_SHOCKS = 93,
    RSKRES_MODCOV = 94, RSKRES_ALLCASHFLOW = 95, RSKRES_CASHFLOW = 96, RSKRES_ALGAPS = 97,
    RSKRES_STATES_A = 101, RSKRES_STATES_V = 102, RSKRES_STATES = 103,
    RSKRES_ALLPRICE_A = 111, RSKRES_ALLPRICE_S = 112, RSKRES_UNNAMED_113 = 113,
    RSKRES_ALLPRICE_P = 114, RSKRES_ALLPRICE_V = 115, RSKRES_VALUES = 116,
};
constexpr int kRskResKindMax = 116;

// Destinations of a descriptor.
enum : int32_t {
    RSKDEST_NONE = 0, RSKDEST_DATASET = 1, RSKDEST_VIEW = 2, RSKDEST_BARE_DATASET = 3,
};

// Class-level sets of a descriptor, in the order they are created.
enum : int {
    RSKLEVEL_TOTAL, RSKLEVEL_RESULT_NAME, RSKLEVEL_RESULT_NUMBER, RSKLEVEL_ANALYSIS_NAME,
    RSKLEVEL_SIMULATION_CASE, RSKLEVEL_SIMULATION_MODE, RSKLEVEL_SIMULATION_CATEGORY,
    RSKLEVEL_SIMULATION_TIME, RSKLEVEL_SIMULATION_PART, RSKLEVEL_OUTPUT_VARIABLE, RSKLEVEL_TYPE,
    RSKLEVEL_NAME, RSKLEVEL_NAME2, RSKLEVEL_FACTOR1, RSKLEVEL_FACTOR2, RSKLEVEL_PROFIT,
    RSKLEVEL_COUNT
};

constexpr int kRskLabelCapacity = 256;
constexpr int kRskPercentileColumns = 19;   // entries 1 to 19 of the percentile list

// The descriptor of one result data set. One per kind lives in the run's results and is cleared
// at the start of every run; view kinds use one that lives only for the rskputd call.
struct RSKRESDS {
    int32_t requested;               // the run set-up asked for this kind
    int32_t kind;                    // RSKRESDSKIND
    int32_t open;                    // 1 once defined; later rskputd calls return it as it is
    RSKOUTOBJ* output_object;
    RSKOBJNAME member;               // member name of the data set or view
    int16_t label_length;
    char* label_text;                // points at label
    char label[kRskLabelCapacity];   // blank-filled
    int32_t destination;             // RSKDEST_*
    int32_t database;                // a multidimensional database is written beside it
    int32_t variable_count;          // columns defined
    qor_dataset* dataset;
    qor_putlist* definition;         // the variable writer of the data set
    void* database_handle;
    int32_t level_pass;              // 0 over the analyses, 1 for the SUMMARY-wide level
    uint8_t factor_mode;             // risk-factor mode of its columns
    uint8_t crossing;                // class columns of the current crossing
    uint8_t instrument_vars;         // instrument variable columns
    uint8_t computed_vars;           // computed variable columns
    uint8_t request_var;             // request bytes of the run set-up
    uint8_t request_xar;
    uint8_t request_pl;
    uint8_t request_exposure;
    uint8_t request_poseq;
    value_set* levels[RSKLEVEL_COUNT];
    double rows;                     // rows written

    // Row writing.
    uint8_t suppress;                // rows are dropped silently
    uint8_t inactive;                // the data set takes no rows (its database still does)
    uint8_t database_active;
    uint8_t per_instrument;          // sensitivity rows per instrument (InstID, InstType)
    int32_t result_number;           // above 0: rows carry ResultNumber and ResultName
};

// The column switches of one rskputd call: built per call, all zero at first; kinds set them and
// define_variables reads them. One byte per column group, in column order.
struct RSKVARSWITCH {
    int32_t crossing;                // class columns of the current crossing
    int32_t aggregation_number;
    int32_t factor_mode;             // 0 none, 1 all risk factors, 2 to 4 those marked for the mode
    int32_t database;
    int32_t destination;
    int32_t instrument_statistics;
    int32_t value_statistics;        // InstN .. InstMax
    uint8_t inst_number, inst_id, inst_type, inst_source, state_number, total;
    uint8_t ninst, nmissing, result, analysis_number, analysis_name, analysis_part;
    uint8_t base_date, simulation_case, simulation_mode, simulation_category, simulation_time;
    uint8_t simulation_replication, simulation_part, simulation_part_label;
    uint8_t output_variable, output_variable_label;
    uint8_t name, name2, type, date_, datetime, eval_date, date;
    uint8_t value_5300, value_5301, value_5302;
    uint8_t base_case_value, posneg_value, returned_value, position, fx_rate;
    uint8_t cashflow_items, bucket, buckdate, duration, mod_duration, interest_income;
    uint8_t x, factor1, y, factor2, fact_pct1, fact_pct2, label, label2;
    uint8_t replications, mtm, exposure, exp_no_net, collateral_value, posneg_mtm;
    uint8_t pl, posneg_pl, sensitivity, gamma, durations;
    uint8_t var, es, var_bounds, xar, xar_bounds, position_equivalent, cashflow;
    uint8_t quintile, decile;
    uint8_t distribution, evt, detail, density, importance;
    uint8_t opt_summary, opt_values, i_, z_;
    uint8_t factor_date;             // the date column before the risk factors
    uint8_t simdep_all, simdep_companion, simdep_mode;   // simulation-dependent variables
};

// The current row record: one slot per column; numbers are doubles, texts blank-padded and not
// terminated. The run keeps a template copy that every analysis's output starts from.
struct RSKROWVALUES {
    double inst_number;
    char inst_id[256];
    char inst_type[32];
    char inst_source[32];
    double state_number;
    char total[8];
    double aggregation_number;
    double ninst, nmissing;
    double inst_n, inst_mean, inst_std, inst_min, inst_max;
    double result_number;
    char result_name[256];
    double analysis_number;
    char analysis_name[32];
    char analysis_type[32];          // the analysis type label
    double analysis_part;
    double base_date;
    double simulation_case;
    char simulation_mode[32];
    char simulation_category[256];
    double simulation_time, simulation_replication;
    char simulation_part[32];        // shared with OutputVariable
    char simulation_part_label[256]; // shared with OutputVariableLabel
    char name[32], name2[32];
    char type[32];
    double date_, datetime, eval_date, date;
    double value, base_case_value, positive_value, negative_value, returned_value;
    double further_value;
    double holding, short_position, al_position;
    char currency[3];
    double native_value, fx_rate, collateral;
    double cf_number, mat_date, ret_mat_amt, disc_amount, mat_amount, rep_date, ret_rep_amt,
        rep_amount, cf_note, yield;
    double bucket_date, bucket_amt, cum_bucket_amt, buckdate;
    double duration, convexity, mod_duration, mod_convx, interest_ie;
    double x, factor1, y, factor2, fact_pct1, fact_pct2;
    char label[256], label2[256];
    double nrep, n, nmiss, nadjust;
    double mtm, exposure, exp_no_net, collateral_value, positive_mtm, negative_mtm;
    double pl, pl_pct, return_, positive_pl, pos_pl_pct, negative_pl, neg_pl_pct;
    double sensitivity, gamma, dur, conv;
    double var, var_pct, es, var_l, var_u, var_pct_l, var_pct_u;
    double xar, xar_pct, xar_l, xar_u, xar_pct_l, xar_pct_u;
    double position_equivalent, cashflow;
    double quintile, decile, exposure_quintile, exposure_decile;
    double tail_index, var_evt, cond_expected_loss;
    double mean, std, skewness, kurtosis, min, median, max;
    double percentiles[kRskPercentileColumns];
    double profit, pdf, cdf, cdf_adj;
    double ri, rank, corr, imp_mean, imp_std, imp_min, imp_max;
    double imp_c[4], imp_g[5], imp_h[5], imp_d[25];
    char objective_name[20], constraint_name[20];
    double ncells, constraint_rhs, cur_objective, opt_objective, cur_constraint, opt_constraint;
    double cur_weight, opt_weight, cur_value, opt_value, buy_amount, buy_percent, sell_amount,
        sell_percent;
    double i_, z_;
    char values_or_changes[32];
    double row_counter;
};

// A market state as its generator describes it to the row writer.
struct RSKSTATEDESC {
    int32_t index;                   // 0-based state index
    RSKOBJNAME analysis_name;
    int16_t analysis_number;         // below 1: none
    int16_t label_number;            // analysis type label message; 0 none
    int32_t part_index;              // 0-based analysis part
    RSKOBJNAME name;
    RSKOBJNAME name2;
    int16_t coordinate1;             // written as is; negative: missing
    int32_t coordinate2;             // written plus 1; negative: missing
    int16_t coordinate3;             // written plus 1; negative: missing
};

// The position fields of the current instrument that instrument rows repeat.
struct RSKINSTRUN {
    double value, returned_value, further_value, exposure;
    double holding;
    int32_t short_position, collateral, al_position;
    char currency[3];
    int32_t own_number;              // the instrument's number in the run
    RSKOBJNAME type_name;
};

// A class variable of the current crossing: the variable and its value buffer.
struct RSKCLASSVAR {
    RSKVARIABLE* variable;
    void* value;                     // double, or `length` blank-padded bytes
    int32_t length;
};

// An instrument statistics entry of the run: the statistic's column and value.
struct RSKINSTSTAT {
    RSKVARIABLE* variable;
    RSKOBJNAME alias;                // empty: the variable's name
    int32_t statistic;               // statistics code
    double value;
};

// A simulation-dependent output variable of the run.
enum : uint8_t { RSKSIMDEP_COMPANION = 0x10, RSKSIMDEP_SKIP1 = 0x40, RSKSIMDEP_SKIP2 = 0x80 };
struct RSKSIMDEPVAR {
    RSKOBJNAME name;
    char label[256];
    int16_t label_length;
    uint8_t flags;
    RSKVARIABLE* variable;
    double value;                    // its column
    double companion;                // its "aR_" column
};

// The parts of a divided run; absent (null) when the run is whole.
struct RSKRUNPARTS {
    int32_t analysis_part, analysis_parts;
    int32_t portfolio_part, portfolio_parts;
};

// The row writer handed to every analysis's output phase: called once per row after the row's
// values are in the current row record. 0 on success.
using RSKROWWRITER = int (*)(RSKCON* con, struct RSKRESDS* resds);

// An analysis kind's output phase: walks its results and calls the writer once per row.
using RSKOUTPHASE = int (*)(RSKCON* con, RSKANLPROC* proc, void* work, RSKROWWRITER writer,
                            RSKRESDS* resds);

// The multidimensional database writer, reached through these entries once it is part of the
// build; a null open means no database can be written (598/2512 and the data set alone).
struct RSKMDDBWRITER {
    int (*open)(RSKCON*, RSKRESDS*, const RSKCLASSVAR* crossing, int crossing_count,
                const char* libref, const RSKOBJNAME* member, const char* label, void** handle);
    int (*define)(RSKCON*, RSKRESDS*, int role, const char* name, int name_length, int type,
                  const char* label, int label_length, void* slot, int length, value_set* levels,
                  const char* format, int format_length, int width, int decimals);
    int (*end)(RSKCON*, RSKRESDS*);
    int (*write)(RSKCON*, RSKRESDS*);
};

// The row context the callers set before rskput.
struct RSKROWCONTEXT {
    double base_date;
    double valuation_date;
    const double* report_date;       // null: the valuation date
    int32_t row_counter;
    int32_t analysis_number;         // below 1: none
    int32_t analysis_part;
    int32_t analysis_parts;
    RSKANLPROC* analysis;            // current analysis; null: none
    const RSKSTATEDESC* state;
    const RSKSTATEDESC* states_a;
    uint8_t datetime;                // valuation dates are date-times
    void* inst_vars;                 // instrument-variable buffers: current, base-case, saved
    void* inst_vars_base;
    void* inst_vars_saved;
    size_t inst_vars_length;
    RSKINSTRUN* instrument;
    int32_t cashflow_inst_number;    // instrument number of the current cash-flow record
};

// What a run keeps for its result data sets: one descriptor per kind, the row record, the row
// context and the run facts that decide columns and their lengths.
struct RSKRUNRESULTS {
    RSKRESDS descriptors[kRskResKindMax + 1];   // index = kind
    RSKRUNPARTS* parts;
    RSKROWVALUES row;
    RSKROWVALUES row_template;
    RSKROWCONTEXT context;
    RSKCLASSVAR* class_vars;         // the current crossing's class variables
    int32_t class_var_count;
    uint8_t has_crossing;

    // Longest values of the run (character column lengths).
    int32_t longest_inst_id, longest_inst_type, longest_inst_source, longest_analysis_name;
    int32_t longest_name, longest_label, longest_part_name, longest_part_label;
    int32_t longest_category;

    uint8_t simulation;              // a simulation analysis is in the run
    uint8_t several_cases;           // a simulation has several cases
    uint8_t deltanormal_category;
    uint8_t datetime_grid;           // the time grid uses date-time intervals
    uint8_t bucket_mode;             // 0 none, 1 incremental, 2 cumulative, 3 both
    uint8_t cf_duration, cf_mod_duration, cf_interest;
    uint8_t opt_exposure;            // exposure column of optimisation values
    uint8_t excluded_factors_in_states;

    int32_t leg_count;               // cash-flow legs: names and three slots each
    RSKOBJNAME* leg_names;
    double* leg_slots;
    int32_t inst_stat_count;
    RSKINSTSTAT* inst_stats;
    int32_t simdep_count;
    RSKSIMDEPVAR* simdep;
    uint16_t modcov_counter;
    char base_currency[3];
    char total_label[16];

    RSKANLPROC* analyses;            // the run's analyses in run order (linked by next)
    RSKMDDBWRITER mddb;

    int32_t diagnostics;             // internal-error lines of the row writer (ten per run)
    int32_t label_failures;          // missing analysis type label messages
    int32_t error_rows;              // ERRORS rows written
    uint8_t stop;                    // the run stops (out of storage)
    uint8_t row_ready;               // the row template holds missing values and blanks
};

// ---- Kinds and opening (rskputd) ----

// Defines and opens the result data set of a kind for the current run. *out (may be null) is the
// descriptor on success, null for a view kind. 0, 1 for an unknown kind, else the failing code.
int rskputd(RSKCON* con, RSKRESDS** out, RSKOUTOBJ* object, int kind);
// Adds a file entry (kind 0 data set, 1 database) for the descriptor to the object's list. 0 | 1.
int add_output_file(RSKCON* con, RSKOUTOBJ* object, RSKRESDS* resds, int kind);
// The member name of a kind for the run's parts and counters into text (at least 33 bytes,
// NUL-terminated); 0, or 1 when the kind is unknown.
int rskres_member_name(const RSKRUNRESULTS* results, int kind, char* text, int size);
// The label message number of a kind, 0 when the kind is unknown.
int rskres_label_number(int kind);
// Submits the SQL views SIMREPS and OPTRESLT. 0.
int create_sim_reps(RSKCON* con, RSKOUTOBJ* object);
int create_opt_result(RSKCON* con, RSKOUTOBJ* object);

// ---- Columns ----

int define_variables(RSKCON* con, RSKRESDS* resds, const RSKVARSWITCH* sw);
int add_variable(RSKCON* con, RSKRESDS* resds, int role, const char* name, int name_length,
                 int type, const char* label, int label_length_or_number, void* slot, int length,
                 value_set* levels, const char* format, int format_length, int width,
                 int decimals);
int putd(RSKRESDS* resds, const char* name, int name_length, int type, const char* label,
         int label_length, void* slot, int length, const char* format, int format_length,
         int width, int decimals);
// Overrides a column's format from the FORMATS option; 1 when it did.
int get_format(RSKCON* con, const char* name, int name_length, char* format, int* format_length,
               int* width, int* decimals);
// The column name of percentile p ("P_005" .. "P_995") into name (at least 8 bytes). Its length.
int percentile_name(double p, char* name);

// ---- Levels and the row writer ----

int get_levels(RSKCON* con, RSKRESDS* resds, const RSKVARSWITCH* sw);
int init_levels(RSKCON* con, RSKRESDS* resds, const RSKVARSWITCH* sw);
int process_analysis(RSKCON* con, RSKRESDS* resds, RSKANLPROC* analysis, void* work);
int process_simulation(RSKCON* con, RSKRESDS* resds, RSKANLPROC* analysis, void* work);
int add_level(RSKCON* con, RSKRESDS* resds);

// ---- Rows ----

// Writes the current row into the descriptor's data set. 0, or 1 for a kind it does not handle.
int rskput(RSKCON* con, RSKRESDS* resds);
// Sets ResultNumber and ResultName of the current row.
int rskputr(RSKCON* con, RSKRESDS* resds);
// The value CHANGES rows of market states give a risk factor that did not change (.N).
double rskres_no_change();
// 100 * a / |b|, missing when either is missing, b is 0 or the quotient would overflow.
double percent(double a, double b);

// Sets every number of the row template to missing and every text to blanks, and copies the
// template into the current row (done once per run, by the first rskputd at the latest).
void rskres_init_row(RSKRUNRESULTS* results);
// The run's result section (null before a run block exists).
RSKRUNRESULTS* rskres_run(RSKCON* con);
