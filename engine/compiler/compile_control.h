// Records of the engine's methods compiling: the compile handle RSKCMPCON, the method-program
// extension, actions, symbol entries, reference entries, method records and the run-compile record.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/tables/control_structure.h"
#include "host/compiler.h"

struct RSKGENTRANS;       // a method object (engine/compiler, method objects)
struct RSKACTLINK;        // 24-byte output link of an action (dependency resolution)
struct RSKUSEENTRY;       // a variable use of a compiled method (method objects, dependencies)
struct RSKCPTYREFS;       // counterparty references of a compile (method objects)
struct RSKCMPEXT;
struct RSKCMPCON;

// ---------------------------------------------------------------------------------------------
// Method kinds and block types.
// ---------------------------------------------------------------------------------------------
// Kind letters of methods; the METHOD statement's KIND option 1..8 picks one, none leaves 'N'.
enum : char {
    RSKMKIND_INPUT = 'I', RSKMKIND_TRANS = 'T', RSKMKIND_PRICE = 'P', RSKMKIND_PROJECT = 'J',
    RSKMKIND_POSTVAR = 'V', RSKMKIND_POSTPRICE = 'R', RSKMKIND_SCORE = 'S', RSKMKIND_MITIGATION = 'M',
    RSKMKIND_NONE = 'N',
};

// Block types, in the order of CMPMB_NAMES.
enum : int {
    RSKBLK_INIT = 0, RSKBLK_INST_INIT = 1, RSKBLK_MAIN = 2, RSKBLK_INST_TERM = 3, RSKBLK_TERM = 4,
};
constexpr int kRskBlockTypes = 5;
inline constexpr char CMPMB_NAMES[kRskBlockTypes][10] = {"INIT", "INST_INIT", "MAIN", "INST_TERM", "TERM"};

// Cast words that may follow a name's last point, and their lengths.
constexpr int kRskCastCount = 30;
inline constexpr char CASTS[kRskCastCount][8] = {
    "MAT", "DIM", "LGRID", "NLAG", "LAGS", "NROWS", "NCOLS", "DER", "DER2", "VOL",
    "SVOL", "MAXDIM", "MATDATE", "MATAMT", "REPDATE", "REPAMT", "CFINT", "CFNOTE", "NUM", "OVERLAP",
    "MTM", "MEAN", "MAX", "MIN", "VAR", "VALUE", "VAR_L", "VAR_U", "STD", "MEDIAN"};
inline constexpr int CASTS_L[kRskCastCount] = {3, 3, 5, 4, 4, 5, 5, 3, 4, 3, 4, 6, 7, 6, 7,
                                                6, 5, 6, 3, 7, 3, 4, 3, 3, 3, 5, 5, 5, 3, 6};
enum : int {
    RSKCAST_MAT, RSKCAST_DIM, RSKCAST_LGRID, RSKCAST_NLAG, RSKCAST_LAGS, RSKCAST_NROWS, RSKCAST_NCOLS,
    RSKCAST_DER, RSKCAST_DER2, RSKCAST_VOL, RSKCAST_SVOL, RSKCAST_MAXDIM, RSKCAST_MATDATE,
    RSKCAST_MATAMT, RSKCAST_REPDATE, RSKCAST_REPAMT, RSKCAST_CFINT, RSKCAST_CFNOTE, RSKCAST_NUM,
    RSKCAST_OVERLAP, RSKCAST_MTM, RSKCAST_MEAN, RSKCAST_MAX, RSKCAST_MIN, RSKCAST_VAR, RSKCAST_VALUE,
    RSKCAST_VAR_L, RSKCAST_VAR_U, RSKCAST_STD, RSKCAST_MEDIAN,
};

// Bits of the compile handle's function-use word, set by the special functions' checks.
enum : uint16_t {
    RSKFN_REGISTER_FX = 0x0001, RSKFN_PV_CASHFLOW = 0x0002, RSKFN_CF_VERTICES = 0x0008,
    RSKFN_SET_DER = 0x0010, RSKFN_N_CASH_FLOWS = 0x0020, RSKFN_CASHFLOW = 0x0040,
    RSKFN_GET_FX_SPOT = 0x4000, RSKFN_CASHFLOW_RATE = 0x8000,
};

// The end marker pushed after the last statement of a source, and the program's end label.
#define RSK_END_MARKER CMP_END_MARKER
#define RSK_END_LABEL "_RSKLBL_"

// ---------------------------------------------------------------------------------------------
// Actions.
// ---------------------------------------------------------------------------------------------
enum : uint32_t { RSKACTION_METHOD_CALL = 3, RSKACTION_DELTA_GAMMA = 4, RSKACTION_LINEAR_TRANS = 5 };

// An action: a method call, a delta-gamma valuation or a linear transformation. Instrument types
// hold their input and pricing actions; projects and runs list further ones.
struct RSKACTION {
    RSKOBJNAME name;                 // the method's name
    uint32_t kind;                   // RSKACTION_METHOD_CALL, _DELTA_GAMMA or _LINEAR_TRANS
    uint32_t code;                   // registry of action codes
    void* target;                    // the method object (RSKGENTRANS), the variable of a
                                     // delta-gamma action, or the linear transformation
    uint8_t defined;

    // Compiling (driver and glue): sequence numbers per block (0: not pushed for the block),
    // the label number and its text "_ACT%i".
    RSKACTION* next;                 // next action of its list
    int32_t sequence[kRskBlockTypes];
    int32_t label_number;            // 0 until the first block entry label is pushed
    char label[kRskObjectNameCapacity + 1];
    int32_t class_word;              // glue: 5 gives a reset frame
    uint8_t mode;                    // glue: mode 2 gives none
    uint8_t active;                  // glue: generate this input or pricing action
    int32_t first_line;              // first and last statement number of its method's source
    int32_t last_line;
    cmp_symbol* value_symbol;        // delta-gamma: "_value_"
    struct RSKINSTTYPE* type;        // the instrument type the action belongs to, if any

    // Dependency resolution.
    RSKACTLINK* outputs_first;
    RSKACTLINK* outputs_last;
    uint8_t visited;
    uint8_t resolution_state;        // 2: reads no data input
    uint16_t order;                  // 1-based order number; 0 = not numbered
    int32_t index;                   // 0-based position in the action list
    uint8_t needed_for_price;
    uint8_t dependency_flags;        // 64 needs another action, 32 needed by another
    double run_weight;
};

// ---------------------------------------------------------------------------------------------
// Symbol entries: a name that method source uses, the engine variable it stands for and the
// program symbol it became. Method arguments, program data vector entries and implicit
// references are such entries.
// ---------------------------------------------------------------------------------------------
enum : int32_t {   // symbol kinds given to rsklsym
    RSKSK_NUMBER = 1, RSKSK_CHAR = 2, RSKSK_NUMBER_ADDRESS = 3, RSKSK_VECTOR = 4, RSKSK_MATRIX = 5,
    RSKSK_VARIABLES = 6,
};
enum : int { RSKPDV_MARKET = 0, RSKPDV_REFERENCE = 1, RSKPDV_VALUE = 2 };   // collections

struct RSKSYMENTRY {
    RSKSYMENTRY* next;               // next argument or entry of its list
    int16_t name_length;
    int16_t suffix_length;           // > 0: the name ends in "." and a cast word of this length
    char* name;
    int32_t type_code;               // symbol type code (221..257, 1)
    RSKVARIABLE* variable;           // the engine variable it stands for
    void* object;                    // the environment object (argument binding)
    int32_t symbol_kind;             // RSKSK_*
    char reference_class;            // 'a' 'm' 'l' 'v' 'n' 'f'; 0 none
    uint8_t updated;                 // the method writes it
    uint8_t flags;
    RSKSYMENTRY* hash_link;          // program data vector collections
    RSKSYMENTRY* list_link;
    cmp_symbol* symbol;              // the program symbol (the first, when declared per block)
    int32_t slot;                    // program data vector slot; -1 until given
};

// ---------------------------------------------------------------------------------------------
// Reference entries (rskaref): 40 bytes in the original, one per execution block, read by the
// frame built-ins (_RESET, _ARRU, _DGVAL, _LINTRANS).
// ---------------------------------------------------------------------------------------------
struct RSKRESETSAVE;   // save slot of an updated argument (frame built-ins)
struct RSKREFENTRY {
    RSKCON* con;
    RSKACTION* action;
    void* object;                    // transformation, array variable or reset target
    int32_t type_code;               // symbol type code (_ARRU)
    uint8_t trace;                   // _RESET traces restored values
    uint8_t used;
    cmp_session* program;
    RSKRESETSAVE* saves;             // _RESET: one save slot per updated argument
    int32_t save_count;
    RSKINSTTYPE* cached_type;        // _ARRU: reference resolved for this instrument type
    RSKVARIABLE* resolved;
};

// ---------------------------------------------------------------------------------------------
// Method records: what the engine knows of a method of a compile (the compiler keeps the source,
// labels and blocks itself); written to and read from the catalog by write_method/load_method.
// ---------------------------------------------------------------------------------------------
constexpr int kRskMethodDescriptionCapacity = 40;
struct RSKMETHODREC {
    RSKMETHODREC* next;
    RSKOBJNAME name;
    RSKOBJNAME entry;                            // catalog entry name (loaded methods)
    RSKNAMEREC description;
    char description_buffer[kRskMethodDescriptionCapacity];
    char kind;                                   // RSKMKIND_*
    uint8_t referenced;                          // a RUNMETHOD names it
    uint8_t defined;                             // ENDMETHOD seen, or loaded
    uint8_t created_here;
    char reference[kRskLibrefCapacity + 1 + kRskObjectNameCapacity + 1];   // "library.entry"
    uint8_t block_bits;                          // 128 >> type: INIT 128, INST_INIT 64, MAIN 32, ...
    uint8_t declared_names;                      // the declaration hook declared a name inside it
    uint8_t catalog_flag;
};

// ---------------------------------------------------------------------------------------------
// The method-program extension: what the engine keeps beside one compile session.
// ---------------------------------------------------------------------------------------------
using rsk_semantic_fn = int (*)(void* parser, void* node, int action, cmp_session* program);
struct RSKCMPEXT {
    qor_pool* pool;                  // records of the extension come from here
    uint8_t owns_pool;               // rskcompe deletes it
    RSKMETHODREC* methods_first;     // the method list
    RSKMETHODREC* methods_last;
    RSKMETHODREC* methods_free;
    int32_t method_counter;          // labels of created methods
    int32_t block_counter;
    RSKCON* con;                     // the control structure it compiles for (may be null)
    RSKCMPCON* handle;               // the compile handle (null outside a project compile)
    rsk_semantic_fn chained_hook;
    char phase;                      // 'N', 'I', 'T' or 'P': read by cmpErrCallback
    // _RSKACT_, the number of the action being run (0 = none): a local of each program instance,
    // so pricing threads never share it; the error hook reads it from the running instance.
    cmp_symbol* action_symbol;
    cmp_session* program;            // the session, linked both ways through its hooks' user
};

// ---------------------------------------------------------------------------------------------
// The compile handle: one per control structure (RSKCON::compile_handle).
// ---------------------------------------------------------------------------------------------
enum : uint8_t { RSKCMP_IDLE = 0, RSKCMP_PUSHING = 1, RSKCMP_GENERATED = 2, RSKCMP_FAILED = 255 };
constexpr int kRskLogBufferSize = 2048;
constexpr int kRskErrorBufferSize = 1024;
constexpr int kRskStatementBufferSize = 256;
constexpr int kRskActionGrowth = 10;

// The compilation block handed to every compiler service of a compile.
struct RSKCMPBLOCK {
    cmp_session* program;            // null before the first compile
    char name[16];                   // the compiler's name, "Voru Daruvazu"
    uint8_t flag;                    // 1 once filled
    uint32_t settings[2];            // copied from RSKCON when a compilation opens (echo, debug)
    int32_t library_count;           // the method libraries (kept across a re-open)
    cmp_library* libraries;
    cmp_hooks hooks;                 // error, declaration and print callbacks
};

struct RSKCMPCON {
    RSKCON* con;                     // back pointer
    uint8_t initialised;             // a compilation is open with all special functions installed
    uint8_t state;                   // RSKCMP_*
    uint8_t compiler_missing;        // installing the compiler failed: every compile fails
    RSKCMPBLOCK compilation;
    qor_pool* pool;                  // the compile pool: every list below
    size_t pool_bytes;               // bytes taken from it (rskmcmp)

    // Transformation list: one entry per pushed action block, in push order.
    RSKACTION** actions;
    int32_t action_count;            // the action sequence counter
    int32_t action_capacity;

    // Run lists per execution block: full[e * action_count + i] is the run-list entry of list
    // entry i; active[e * action_count + k] the k-th switched-on entry; active_counts[e].
    int32_t execution_blocks;
    int32_t* full_run_lists;
    int32_t* active_run_lists;
    int32_t* active_counts;
    int32_t end_entry;               // run-list entry of "_RSKLBL_"

    uint8_t echo;                    // statements are echoed to the output
    int32_t echo_argument;           // passed on with the end marker

    uint16_t log_size;
    uint16_t log_length;
    char* log;                       // -> log_area
    uint16_t error_size;
    uint16_t error_length;
    char* error;                     // -> error_area
    uint8_t error_flag;              // a push failed; cleared by a successful mode-2 push
    uint8_t in_push;                 // a statement (not the end marker) is being pushed: its
                                     // errors come back in the buffers, not through the hook
    int32_t push_mode;               // mode of that push

    // Per-compile words, cleared together.
    int32_t label_counters[7];
    RSKGENTRANS* current_method;
    char phase_letter;               // kind letter of the statement being pushed
    uint16_t function_use;           // RSKFN_*
    uint8_t collecting;              // program data vector collection is on

    int32_t mode;                    // 2 after rskicmp, 1 after rskcmp0
    int32_t statement_counter;       // pushed statements, from 1 after a generate
    uint8_t declare_hook;            // rskcmpd answers the compiler's declarations

    // Reference table (rskaref).
    RSKREFENTRY* references;
    int32_t reference_count;
    int32_t reference_capacity;

    // Base slots of the value, reference and market structure instances that rskrcmp binds
    // (-1: the program has none); set by the program data vector layout.
    int32_t value_base_slot;
    int32_t reference_base_slot;
    int32_t market_base_slot;
    int32_t market_vector;           // handle of the market vector (cmppdvd), -1 none

    // Glue generation.
    char statement[kRskStatementBufferSize];   // each generated statement is formatted here
    RSKINSTTYPE* current_type;
    uint8_t generating;              // checks build their hidden records only while set
    char method_kind;                // sub-kind of the methods being generated: S M P J V R

    RSKCMPEXT* extension;            // the method-program extension of the open compile

    char log_area[kRskLogBufferSize];
    char error_area[kRskErrorBufferSize];
    // ---- pricing (engine/run/pricing_*): the base slot of the pricing results row, which
    // holds the value variable; rskrcmp binds each block's current row there (-1: none).
    int32_t row_base_slot;
};

// ---------------------------------------------------------------------------------------------
// The run-compile record: the run-time lists of dependency resolution and of the program data
// vector, and the programs per execution block. Tests create it; the run engine's working
// storage takes it over.
// ---------------------------------------------------------------------------------------------

// One compiled program per execution block; record 0 is the main program.
struct RSKPROGRECORD {
    cmp_session* program;            // the one session (every block shares its code)
    cmp_instance* instance;          // this block's instance
    int32_t block;
    double* value_vector;            // instrument record the value structure reads
    void* reference_vector;          // this block's reference vector
    double* market_vector;           // market state
    int32_t instrument_number;       // current instrument (trace by instrument)
    uint8_t shared_run;              // set while a per-block program runs
    // ---- pricing (engine/run/pricing_*) ----
    double* row_vector;              // this block's current row of the pricing results
    // ---- pricing built-ins (engine/builtins/): the exchange-rate curve REGISTER_FX registered
    // in this block and the position it holds for (the run's position counter then) ----
    RSKVARIABLE* fx_curve;
    int64_t fx_position;
};

// One of the three collections of the program data vector.
struct RSKPDVCOLLECTION {
    RSKSYMENTRY* head;               // newest first
    int32_t count;                   // slots given out
    int32_t vector;                  // cmppdvd handle, -1 none
    int32_t base_slot;               // cmpbasei slot, -1 none
    RSKSYMENTRY** buckets;
    int32_t bucket_count;
};

// Dependency matrix: bit (i, j) in byte i * row_bytes + j / 8 under 1 << (j % 8).
struct RSKDEPMATRIX {
    uint8_t* bits;
    int32_t count;                   // actions n
    int32_t row_bytes;               // ceil(n / 8)
    int32_t numbered;
    RSKACTION** by_order;            // [order - 1]
};

struct RSKRUNCOMPILE {
    qor_pool* pool;                  // the run's pool (the compile pool when null)

    // Programs.
    int32_t execution_blocks;        // at least 1
    uint8_t per_block_programs;
    RSKPROGRECORD* programs;         // execution_blocks records
    uint32_t option_word;            // non-zero: programs run with their run byte 0
    uint8_t base_case;               // the run prices its base case

    // Vectors the programs read.
    double* value_vector;            // the instrument record
    int32_t value_size;              // bytes
    double* market_vector;           // the market state
    int32_t market_size;             // bytes

    // Program data vector bookkeeping (rskcmpf clears it).
    RSKPDVCOLLECTION collections[3]; // RSKPDV_MARKET, RSKPDV_REFERENCE, RSKPDV_VALUE
    int32_t market_pointer_count;
    int32_t pointer_structure;

    // Actions and dependencies.
    RSKACTION* actions_first;
    RSKACTION* actions_last;
    int32_t action_count;
    RSKDEPMATRIX matrix;
    uint8_t* states;                 // the current action state list (normal or alternate)
    uint8_t* states_normal;
    uint8_t* states_alternate;
    uint8_t* change_mask;            // 128 >> (k % 8) in byte k / 8, whole 32-bit words
    int32_t change_mask_bytes;
    int32_t mask_positions;
    uint8_t run_everything;
    uint8_t memory_reported;         // 598/2797 given once per run

    // Method objects of the environment.
    RSKGENTRANS* methods_first;
    RSKGENTRANS* methods_last;
    int32_t methods_count;

    // Tracing of runs.
    int32_t trace_first_state;
    int32_t trace_last_state;
    uint8_t trace_by_instrument;
    int32_t trace_instrument;

    RSKCPTYREFS* counterparty_references;
    // ---- pricing (engine/run/pricing_*): the pricing results row, when the run has laid it
    // out before the compile; the value variable is then a member of the row, reached through
    // each instance's row base, never one address shared by every instance.
    int32_t row_size;                // bytes of a row (0: none)
    int32_t row_vector;              // cmppdvd handle of the row, -1 none (set by the compile)
    double* row_default;             // the row bound outside the pricing of states (row 0)
};
