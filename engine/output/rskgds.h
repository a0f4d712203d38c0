// Generated views and merges of a run's state and price members, and the readers that take
// states and prices back from an earlier run: handles, the text builder and the routines.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/tables/control_structure.h"

struct RSKOUTOBJ;
struct RSKPORTENTRY;
struct qor_dataset;
struct qor_getlist;
struct qor_pool;

// ---- Generated data set handle ----

// A member or view opened for reading back.
struct RSKGDSHANDLE {
    char libref[8];                  // blank-padded; upper-cased when opened
    RSKOBJNAME member;
    uint8_t view;                    // 0 member type "DATASET ", non-zero "DATAVIEW"
    qor_dataset* dataset;
    qor_getlist* variables;          // the get list bound to the caller's buffers, or null
    uint8_t error;
    uint8_t open;
};

// Fills the handle's library reference and member name (blank-padded, cut to fit).
void rskgds_name(RSKGDSHANDLE* handle, const char* libref, const char* member, int member_length,
                 int view);
// Opens the member for input: 0, or 99 after the host's text of the failure (error flag set).
int rskgdso(RSKCON* con, RSKGDSHANDLE* handle);
// Ends the variable access (failure 1) and closes the data set (failure 2); clears the handle.
int rskgdsc_handle(RSKCON* con, RSKGDSHANDLE* handle);

// ---- Shape of a run's generated texts ----

// What decides the optional lines of the views and the keys of the merges, taken from the run's
// requested result kinds and column flags.
struct RSKGDSSHAPE {
    uint8_t names;                   // sensitivity, partial durations or P/L surface: Name, Name2
    uint8_t name_only;               // otherwise a P/L curve: Name
    uint8_t join_names;              // sensitivity or partial durations: the state members carry both
    uint8_t simulation_columns;      // SimulationCase, SimulationMode, SimulationCategory
    uint8_t time_columns;            // SimulationTime, SimulationReplication
    uint8_t exposure;                // the ALLPRICE view's Exposure column
    uint8_t datetime;                // date-time valuation
};
void rskgds_shape(RSKCON* con, RSKGDSSHAPE* shape);

// ---- Generated text ----

// The lines of one generated text, one after another, each NUL-terminated, in storage from the
// control structure's general pool that grows as lines are added.
struct RSKGDSTEXT {
    RSKCON* con;
    char* bytes;
    size_t used;
    size_t capacity;
    int32_t lines;
    uint8_t failed;                  // storage ran out: the text is incomplete and not submitted
};

// Starts an empty text.
void rskgds_text_init(RSKGDSTEXT* text, RSKCON* con);
// Adds one line formatted with the host's print directives (%8v, %*s, %v, ...). 0, or 1 when
// storage ran out (598/2797 once per run).
int rskgds_line(RSKGDSTEXT* text, const char* format, ...);
// The line `index` (0-based), or null.
const char* rskgds_text_line(const RSKGDSTEXT* text, int index);
// Frees the text's storage.
void rskgds_text_free(RSKGDSTEXT* text);
// Submits the text line by line after the reset line, with NOTES and SOURCE off (on under the
// debug flag) until its last line has run; frees the text. 0, or the submission's failure code.
int rskgds_submit(RSKCON* con, RSKGDSTEXT* text);

// The texts themselves, each into `text` (0, or 1 when storage ran out).
int gds_states_view_text(RSKCON* con, const RSKOUTOBJ* object, const char* view, int view_length,
                         RSKGDSTEXT* text);
int gds_values_view_text(RSKCON* con, const RSKOUTOBJ* object, const char* view, int view_length,
                         RSKGDSTEXT* text);
int gds_cashflow_view_text(RSKCON* con, const RSKOUTOBJ* object, const char* suffix, int suffix_length,
                           RSKGDSTEXT* text);
// Merges of the parts in library `parts` into library `out`, n parts each.
int gds_states_merge_text(RSKCON* con, const char* out, const char* parts, int n, RSKGDSTEXT* text);
int gds_analysis_parts_merge_text(RSKCON* con, const char* out, const char* parts, int n, int cashflows,
                                  RSKGDSTEXT* text);
int gds_portfolio_parts_merge_text(RSKCON* con, const char* out, const char* parts, int m, int cashflows,
                                   RSKGDSTEXT* text);

// Lines shared by the merges: the sorted copies of the analysis members are dropped, and the
// key of the analysis members after `head`.
void drop_sorted_copies(RSKGDSTEXT* text, int n);
void analysis_merge_key(RSKGDSTEXT* text, const RSKGDSSHAPE& shape, const char* head);

// ---- Views and merges of a run ----

// The STATES, ALLPRICE and ALLCASHFLOW views, made when their kinds are defined. 0 or the
// submission's failure code.
int create_states(RSKCON* con, RSKOUTOBJ* object, const char* view, int view_length);
int create_values(RSKCON* con, RSKOUTOBJ* object, const char* view, int view_length);
int create_all_cfs(RSKCON* con, RSKOUTOBJ* object, const char* suffix, int suffix_length);
// Merges of the members of a run in parts into whole members, after the last part. 0, or 1
// when the merge failed (the run ends with code 1).
int create_states_v(RSKCON* con);
int merge_allprice_from_analparts(RSKCON* con, RSKPORTENTRY* entry);
int merge_allprice_from_portparts(RSKCON* con, RSKPORTENTRY* entry);

// ---- Reading states back ----

constexpr int kRskGdsStateFields = 7;   // analysis number, part, state number, replication,
                                        // time, case, date

// The market-state reader of a run: the STATES view and where its columns go.
struct RSKGDSSTATES {
    RSKGDSHANDLE handle;
    int32_t positions[kRskGdsStateFields];   // 0: the column is not read
    double values[kRskGdsStateFields];
    int32_t name_position, name2_position;
    char name[32], name2[32];
    int32_t class_positions[16];    // cross-classification variables found, in discovery order
    int32_t class_count;
    int32_t factor_count;            // state variables (array elements counted one each)
    int32_t** element_positions;     // per expanded array: its elements' positions
    int32_t array_count;
    struct RSKVARIABLE** arrays;     // the expanded arrays, for freeing the position tables
};

// Opens the states of the run's analysis part (STATES or STATES_a_n, a view in the part library)
// and binds its columns. 0, 1 (open failed) or 2 (a column is missing or cannot be bound).
int rskgdso_ms(RSKCON* con);
// Closes the states handle: 0, 1 or 2 as rskgdsc_handle.
int rskgdsc(RSKCON* con);

// ---- Reading prices back ----

// One member of one part: ALLPRICE_P (instruments) or ALLPRICE_V (values).
struct RSKGDSPRICEPART {
    RSKGDSHANDLE handle;
    int32_t inst_number_position;    // both members
    int32_t inst_id_position, inst_type_position;      // P
    int32_t value_position, state_number_position;     // V
    uint8_t pending;                 // the row last read is not used yet
    uint8_t exhausted;               // end of data
    double inst_number;
    double state_number;
    double value;
    char inst_id[32];
    char inst_type[32];
    char* inst_vars;                 // P: the instrument variables as read (inst_var_bytes)
};

// The value reader descriptor of a run reading prices back.
struct RSKVALREADER {
    char libref[8];                  // library of the earlier run's members
    char base_name[33];              // "ALLPRICE" or a part's format ("ALLPRICE_%i_%i_1_1")
    int32_t part_count;
    RSKGDSPRICEPART* parts;          // P of part k at 2k, V at 2k + 1
    int32_t inst_var_count;
    struct RSKVARIABLE** inst_vars;  // the run's instrument variables, in member order
    int32_t* inst_var_offsets;       // their places in a part's inst_vars buffer
    int32_t inst_var_bytes;
    // The instrument being read: set by the caller before read_values.
    int64_t instrument_number;       // 0-based
    const char* inst_id;
    int32_t inst_id_length;
    const char* inst_type;
    int32_t inst_type_length;
    const char* data_set;            // the instrument data set, for 598/1703
    int32_t data_set_length;
    // What read_values delivers: value and exposure per state, base case first.
    double* prices;                  // 2 x (states + 1)
    int32_t price_capacity;          // states + 1 the vector holds
    int32_t prices_read;
    int64_t wanted_state;            // 0-based
    int32_t last_part;
    int64_t instruments;             // instruments read
    int64_t skipped;                 // instruments whose type has no class
    uint8_t exposure;                // exposures are the positive parts of the values
};

// Opens ALLPRICE_P and ALLPRICE_V of every part and binds their columns. 0, 1 (a member could
// not be opened) or 2 (its columns could not be bound).
int rskgdso_pos(RSKCON* con, RSKVALREADER* reader);
// Closes every handle and frees the reader's buffers: 0, or the largest close code.
int rskgdsc_pos(RSKCON* con, RSKVALREADER* reader);
// Reads the current instrument's base case and every state of the run's analyses: 0 read, -1
// the instrument is skipped (its type has no class), 1 on error after its message.
int read_values(RSKCON* con, RSKVALREADER* reader);

// ---- Rows of ALLPRICE_A and ALLPRICE_S ----

// One ALLPRICE_A row per analysis section and one ALLPRICE_S row per state, base case first.
int create_values_a_s(RSKCON* con);

// What the run block keeps for these routines.
struct RSKGDSRUN {
    RSKGDSSTATES states;
    uint8_t exposure_column;         // the ALLPRICE view and reader carry Exposure
    uint8_t merge_failed;            // a merge of parts failed: the run ends with code 1
};
