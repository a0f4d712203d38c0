// The engine's control structure RSKCON and the records it embeds: name records, symbol tables
// and the record free lists. One declaration shared by every module that touches engine state.
#pragma once
#include <cstdint>
#include "host/pool.h"
#include "host/print.h"

// ---------------------------------------------------------------------------------------------
// Name records. The head (capacity, length, text) is the host's name record, so "%u" prints it;
// the fillers point `text` at the inline buffer of the record kind that follows the head.
// ---------------------------------------------------------------------------------------------
using RSKNAMEREC = qor_namerec;

constexpr int kRskObjectNameCapacity = 32;
constexpr int kRskPathCapacity = 1024;
constexpr int kRskLibrefCapacity = 8;
constexpr int kRskCharValueCapacity = 40;

// Object name: capacity 32 (rskname, rsknamx, copy_cmrname). Every named object begins with one.
struct RSKOBJNAME {
    RSKNAMEREC name;
    char buffer[kRskObjectNameCapacity];
};

// Path name: capacity 1024 (rskpnam).
struct RSKPATHNAME {
    RSKNAMEREC name;
    char buffer[kRskPathCapacity];
};

// Library reference name: capacity 8 (copy_libname).
struct RSKLIBNAME {
    RSKNAMEREC name;
    char buffer[kRskLibrefCapacity];
};

// Character value: capacity 40 (value cells).
struct RSKCHARVALUE {
    RSKNAMEREC name;
    char buffer[kRskCharValueCapacity];
};

// ---------------------------------------------------------------------------------------------
// Symbol tables: a hashed name -> object map chained to a parent table.
// ---------------------------------------------------------------------------------------------
struct RSKSYMBOL {
    RSKSYMBOL* next_in_bucket;   // hash chain; also the free-list link
    RSKSYMBOL* next_in_list;     // the table's insertion or alphabetical list
    int16_t name_capacity;       // size of the name buffer (at least 8 once allocated)
    int16_t name_length;         // stored length
    char* name;                  // upper-cased, stripped, not terminated; in the table's pool
    void* object;                // the named object (owned by its kind)
};

enum : uint32_t {
    RSKSYM_KEEP_LIST = 0x1,       // keep a list of the symbols
    RSKSYM_ALPHABETICAL = 0x2,    // keep that list in collating order (implies a list)
};

struct RSKSYMTAB {
    RSKSYMTAB* parent;           // searched next when a name is not found here
    int32_t bucket_count;        // a prime of the common prime table
    RSKSYMBOL** buckets;         // bucket_count chain heads
    RSKSYMBOL* list_head;
    RSKSYMBOL* list_tail;
    int32_t count;               // symbols defined in this table
    uint32_t flags;              // RSKSYM_KEEP_LIST, RSKSYM_ALPHABETICAL
    uint32_t reserved;
    qor_pool* pool;              // buckets, symbols and names come from here
    RSKSYMBOL** free_list;       // shared symbol free list (first word of RSKFREELISTS)
    int16_t key_capacity;        // size of the key buffer (0 = none yet)
    char* key_buffer;            // the upper-cased name of the last definition
};

// ---------------------------------------------------------------------------------------------
// Records declared by the subsystems that own them.
// ---------------------------------------------------------------------------------------------
struct RSKMEMBLOCK;       // run-time block of arrays and instrument types
struct RSKCMPLIBS;        // compiled-library list of the methods compiler
struct RSKCMPCON;         // compile handle of the methods compiler
struct RSKGENTRANS;       // method object of the methods compiler
struct RSKRTBLOCK;        // run-time table of all variables, currency and FX tables
struct RSKOPTIONS;        // engine options
struct RSKRUNBLOCK;       // project-run block of the run engine
struct RSKROLETYPES;      // kind/role/type hashes
struct RSKROLENODE;       // node of those hashes
struct RSKOBJTABLES;      // the environment's object symbol tables
struct RSKPATHENTRY;      // search path entry
struct RSKENV;            // environment record of catalog storage
struct RSKENVCELL;        // parent-list and inheritance-list cell of catalog storage
struct RSKTIMER;          // nested timer record
struct RSKNAMECELL;       // name-list cell
struct RSKVALUECELL;      // constant value of a variable
struct RSKVARIABLE;
struct RSKVARLINK;        // link of a variable list
struct RSKFXENTRY;        // exchange-rate pair entry
struct RSKSYSVARS;        // pointers to the system variables
struct RSKINSTTYPE;
struct RSKTYPENAME;       // declared variable name or default value of an instrument type
struct RSKANALYSIS;
struct RSKPROJECT;
struct RSKCROSSCLASS;
struct RSKCATEGORY;
struct RSKMODEL;
struct RSKREPORT;
struct RSKWEBREP;
struct RSKFILTER;
struct RSKINPUTDS;
struct RSKCALENDAR;
struct RSKTRANSTATS;
struct RSKPRATESET;
struct RSKPARMATRIX;
struct RSKTIMEGRID;
struct RSKTFILE;
struct RSKTSOURCE;
struct RSKTDATA;
struct RSKLAG;
struct RSKCATOBJ;        // catalog object header of catalog storage
// Records of time grids, categories and cross-classifications that have free lists.
struct RSKTIMEPOINT;
struct RSKMEMBERLINK;
struct RSKHIERARCHY;
struct RSKHIERCELL;

// Heads of the free lists of every record kind. Records are taken from these lists, refilled in
// chunks from the current pool, and never returned to a pool one by one. The order of the first
// six words is fixed: symbols first, name cells fourth, value cells sixth.
struct RSKFREELISTS {
    RSKSYMBOL* symbols;              // shared by all symbol tables; chunk bucket count / 10 + 5
    RSKVARIABLE* variables;          // chunk 100
    RSKVARLINK* variable_links;      // chunk 1000
    RSKNAMECELL* name_cells;         // chunk 100
    RSKFXENTRY* pair_entries;        // exchange-rate pair entries; chunk 100
    RSKVALUECELL* value_cells;       // chunk 100
    RSKINSTTYPE* instrument_types;   // object records: chunk 10
    RSKANALYSIS* analyses;           // chunk 20
    RSKPROJECT* projects;
    RSKCROSSCLASS* cross_classes;
    RSKCATEGORY* categories;
    RSKMODEL* models;
    RSKREPORT* reports;
    RSKWEBREP* web_reports;
    RSKFILTER* filters;
    RSKINPUTDS* input_datasets;
    RSKCALENDAR* calendars;
    RSKTRANSTATS* statistics_lists;
    RSKPRATESET* transformation_sets;
    RSKPARMATRIX* parameter_matrices;
    RSKTIMEGRID* time_grids;
    RSKTFILE* instrument_files;
    RSKTSOURCE* position_sources;
    RSKTDATA* position_datasets;
    RSKLAG* lags;
    void* element_names;             // array element-name entries; chunk 1000
    RSKTYPENAME* type_variable_names;  // declared names and defaults of instrument types; chunk 100
    RSKVARLINK* resolved_links;      // resolved and currency links of instrument types; chunk 1000
    void* set_members;               // members of transformation sets and categories; chunk 100
    RSKCATOBJ* catalog_objects;      // catalog object headers; chunk 10 (20 while indexing)

    // Time grids, categories, cross-classifications and arrays.
    RSKTIMEPOINT* time_points;       // chunk 20
    RSKMEMBERLINK* category_members; // chunk 100
    RSKHIERARCHY* hierarchies;       // chunk 10
    RSKHIERCELL* class_cells;        // chunk 20
    RSKNAMECELL* array_elements;     // array element-name entries; chunk 1000

    // Market data and position definitions: the mapping cells that position data set and market
    // data set definitions share (chunk 10; parameter matrices take theirs from here too), and
    // the members of transformation sets (chunk 20).
    struct RSKMAPCELL* mapping_cells;
    struct RSKPRSMEMBER* transformation_members;
    // Position filters and statistics lists.
    struct RSKSTATENTRY* statistics_entries;   // entries of statistics lists; chunk 40
    // Analyses, projects and reports: the risk-factor entries of analysis definitions.
    struct RSKANLFACTOR* analysis_entries;   // chunk 10

    // Output objects and the analyses' run factors (engine/output/, engine/analyses/): output
    // records (chunk 10), their file entries (chunk 10) and run factor records of results read
    // back (chunk 100).
    struct RSKOUTOBJ* output_objects;
    struct RSKOUTFILE* output_files;
    struct RSKRUNFACTOR* run_factors;
    // Catalog storage's report index: its entries (catalog/report_index.h); chunk 20.
    struct RSKREPINDEX* report_index_entries;
};

// Security record of a catalog object or environment: owner, group and a rights code (0x200
// switches security on; bits 6-8 owner, 3-5 group, 0-2 others; 4 read, 2 write, 1 run).
struct RSKSEC {
    char owner[32];                  // blank-padded
    uint32_t owner_length;           // 0 = no owner
    char group[32];
    uint32_t group_length;
    uint32_t rights;
    uint32_t read;                   // 1 once filled from the catalog
};

// A security record with the cache of decisions its holder keeps behind it: bit m says that
// mode m was decided, bit m*8 that it was granted; bits 8-31 tie the decisions to the user
// identity and the record they were made for.
struct RSKRIGHTS {
    RSKSEC security;
    uint32_t cache;
};

// Property block of a stored object: its description and when it was last modified.
struct RSKPROPS {
    uint16_t description_capacity;
    int16_t description_length;
    char* description;               // at most 256 bytes, owned by the block
    uint32_t state;                  // 0 never set, 1 set here, 2 taken from the catalog
    double modified;                 // host date-time
};

constexpr int kRskDescriptionLimit = 256;

// One registry of codes: its rows and counts (two-step tables fill the second count).
struct RSKREGISTRY {
    const void* rows;
    int16_t count;
    int16_t second_count;
};

constexpr int kRskRegistryCount = 35;

// A host format looked up at start-up.
struct RSKFORMAT {
    uint32_t handle;
    uint32_t width;
};

// ---------------------------------------------------------------------------------------------
// The control structure: all state of one engine instance, from rskinit to rskterm.
// ---------------------------------------------------------------------------------------------
struct RSKCON {
    uint32_t echo;                   // 1 = echo each statement before it runs
    uint32_t debug_detail;           // 1 = detailed debug output
    uint32_t timing;                 // 1 = print elapsed times of the phases (598/502)
    uint32_t generic;                // host option GENERIC at start-up
    uint32_t no_date;                // 1 when the host option DATE is off
    uint32_t no_timer;               // 1 when the host option STIMER is off
    int32_t papc;                    // host option PAPC

    RSKMEMBLOCK* memory_block;       // arrays and instrument types at run time (1009 buckets)
    RSKCMPLIBS* compiler_libraries;  // compiled-library list of the methods compiler
    RSKRTBLOCK* runtime_tables;      // run-time variable table (4001), currencies, FX
    RSKOPTIONS* options;
    RSKRUNBLOCK* run_block;
    RSKROLETYPES* role_types;        // kind/role/type hashes (261 buckets)
    RSKOBJTABLES* object_tables;     // the environment's symbol tables
    uint32_t task_handle;            // host task for libraries, file references, macro variables
    RSKSYMTAB reserved_names;        // the spare table: reserved names (hint 53, insertion list)
    RSKOBJTABLES* current_tables;    // the object tables that look-ups use

    uint8_t variables_pending;       // rebuild the run-time variables (rsk0) before use
    uint8_t types_pending;           // rebuild the instrument-type classes (rskclbi)
    uint8_t methods_pending;         // rebuild the generated transformations (rsktrn0)
    uint8_t variables_failed;        // result of the last deferred rsk0
    uint8_t types_failed;            // result of the last deferred rskclbi
    uint8_t methods_failed;          // result of the last deferred rsktrn0
    uint8_t submission_echo;         // write submitted code to the log before it runs

    RSKPATHENTRY* search_path_head;
    RSKPATHENTRY* search_path_tail;
    RSKPATHNAME work_path;           // the engine's work directory
    int16_t scratch_length;          // "_garbage_can_" directory; 0 = none
    char* scratch_path;
    char scratch_buffer[kRskPathCapacity];
    char audit_fileref[8];           // blank-padded host file reference of the audit file

    RSKENV* current_environment;
    uint32_t environment_changed;    // unsaved changes in the current environment

    qor_pool* object_pool;           // the six pools, in this order
    qor_pool* further_pool1;
    qor_pool* current_pool;          // new environment objects come from here
    qor_pool* general_pool;
    qor_pool* further_pool2;
    qor_pool* further_pool3;
    qor_pool* kit_pool;              // a pool of the host kit, deleted through the kit

    uint32_t no_memory_reported;     // 598/2797 is given once per control structure
    uint32_t error;                  // a statement failed: no save at termination

    RSKFREELISTS* free_lists;
    RSKPATHENTRY* free_path_entries;
    RSKROLENODE* free_role_nodes[3]; // combinations, types by kind, roles by kind

    uint32_t function_manager;       // host function-manager handle
    RSKFORMAT date_format;           // DATE, width 9
    RSKFORMAT datetime_format;       // DATETIME, default width
    RSKFORMAT time_format;           // TIME (handle + 3), default width

    char (*librefs)[8];              // library references the engine assigned; blank = free
    int32_t libref_capacity;
    int32_t libref_count;
    int32_t libref_free;

    // The user's identity, in the shape of a security record (RSKSEC): new catalog objects
    // take owner, group and rights code from it.
    char user_name[32];              // written into the audit trail
    uint32_t user_name_length;
    char group_name[32];             // blank-padded
    uint32_t group_name_length;
    uint32_t default_rights;         // rights code given to objects this user defines
    uint32_t identity_read;
    uint8_t private_library;         // the PWPATH directory is assigned as "_QJ_"
    uint8_t guest;                   // user "Guest": catalog security applies others' rights
    uint32_t client_kind;            // 0 procedure step, 1 component server
    void* submission_context;        // code-submission service
    RSKCMPCON* compile_handle;       // methods compiler
    uint8_t audit;                   // audit trail active
    uint8_t no_sequence_check;       // NOSEQCHECK
    uint8_t register_output;         // REGMDDB: register the output database at termination
    uint32_t ods_object;             // output-delivery object made at start-up
    uint32_t output_manager;         // output-delivery manager handle

    uint32_t cpty_buffer1;           // counterparty and mitigation buffers, cleared at start-up
    uint16_t cpty_length1;
    uint32_t cpty_buffer2;
    uint16_t cpty_length2;

    // Flags set by catalog storage while it restores or converts objects; definitions then
    // skip the reserved-name test and several notes.
    uint8_t catalog_loading;
    uint8_t converting;
    uint8_t converting_types;
    uint8_t reading_datasets;        // arrays and references are being read from data sets
    uint8_t temporary_environment;   // the current environment is the temporary one in WORK

    // Code registries, in the order of the registry table.
    RSKREGISTRY registries[kRskRegistryCount];

    // Nested timers.
    RSKTIMER* timer_stack;           // innermost running timer; next = enclosing timer
    RSKTIMER* timers_finished_head;
    RSKTIMER* timers_finished_tail;
    RSKTIMER* timers_free;
    int32_t timers_finished;
    uint32_t timers_on;
    int32_t timer_depth;
    double timer_overhead[8];        // inner cpu1, wall1, cpu2, wall2, outer cpu1, wall1, cpu2, wall2

    RSKPATHNAME audit_path;          // path of the audit file

    // Variables in definition order.
    RSKVARIABLE* variables_head;
    RSKVARIABLE* variables_tail;
    int32_t variables_count;

    qor_pool* run_pool;              // the project run's pool

    // Variables: the system variables (made once per control structure) and the time stamp
    // that definitions give their labels while a data set is read.
    RSKSYSVARS* system_variables;    // null until rskvar1 has run
    double read_timestamp;           // host date-time of the current read; 0 = none

    // Catalog object frame (catalog storage): the list workspace and the flags of indexing.
    struct RSKLISTWS* list_workspace;  // made on first use by catalog storage
    uint8_t indexing;                // an environment chain is being indexed
    uint8_t look_up_only;            // the environment is opened for looking up only
    uint8_t importing;               // an IMPORT is in progress
    uint8_t catalog_changed;         // a catalog of the chain was written since the last save
    uint8_t variables_reset_failed;  // rsk0 failed after the last indexing
    uint8_t types_init_failed;       // rskclbi failed after the last indexing

    // Option storage and trace settings (catalog storage). An environment stores and loads the
    // current option record of the engine: what SETOPTIONS changes is what a save keeps.
    struct RSKOPTREC* environment_options;
    struct RunTrace {                // run trace settings
        char* methods;               // names of the methods to trace, each followed by a zero
        size_t methods_size;         // bytes of that block (0: none)
        char* variables;             // names of the variables to trace, the same way
        size_t variables_size;
        uint8_t execute;             // trace execution
        uint8_t level;
        int32_t iteration_from;
        int32_t iteration_to;
        uint8_t run_only;
        uint8_t threads;
        int32_t thread_number;
    } run_trace;
    struct StaticTrace {             // static trace settings, one byte each
        uint8_t factors;
        uint8_t dependencies;
        uint8_t order;
        uint8_t transformations;
        uint8_t price;
        uint8_t input;
        uint8_t submit;
        uint8_t set_variables;
        uint8_t flags;               // bit 7: list the model
    } static_trace;

    // Environment catalog storage (catalog/environment_*.cpp): the held environment, the
    // flattened inheritance chain and what the environment routines keep between calls.
    RSKENV* held_environment;        // the real environment while a working copy is current
    RSKENVCELL* inherit_first;          // flattened chain; its first element is current
    RSKENVCELL* inherit_last;
    uint8_t environment_changed2;    // companion of environment_changed
    uint8_t no_registration;         // environment records are not entered in the symbol table
    uint8_t neutral_paths;           // messages show "<System-specific pathname>"
    uint8_t pending_files;           // the scratch directory holds files END_ENV may move back
    uint8_t registration;            // result databases are registered
    int32_t variable_list_number;    // highest _VARLIST number of the current environment
    qor_pool* environment_pool;      // in-memory objects of the environment chain
    RSKENV* free_environments;       // free environment records (chunks of 10)
    RSKENVCELL* free_environment_cells;   // free list cells (chunks of 10)
    char* environment_names;         // flag, length, name, NUL per environment
    int32_t environment_names_capacity;
    int32_t environment_names_used;
    int32_t environment_names_count;

    // Definition statements (DECLARE): host date-time of the last variable definition.
    double last_variable_definition;

    // Housekeeping statements (DEBUG, TRACE, SETOPTIONS): the debug categories, the trace
    // settings, and the option record that statements change and PRINT OPTIONS shows.
    uint32_t debug_categories;       // RSKDEBUG_* bits
    int32_t trace_level_low;         // lowest and highest trace level
    int32_t trace_level_high;
    int32_t trace_mode;              // 0 selection text, 1 on, 2 off
    char* trace_selection;           // upper-cased instrument selection; null = none
    char* trace_method_selection;    // upper-cased method selection; null = none
    int32_t trace_detail;            // 1 brief, 2 detailed
    uint32_t trace_categories;       // RSKTRACE_* bits
    int32_t trace_thread;            // selected thread, from 0
    uint8_t trace_thread_on;         // trace one thread only
    uint8_t trace_submits;           // trace submitted code
    uint8_t trace_list;              // the four output flags
    uint8_t trace_debug;
    uint8_t trace_print;
    uint8_t trace_trace;
    struct RSKOPTREC* current_options;   // &options->current, set at start-up

    // Variable storage (catalog/variable_*.cpp): set by every change of a variable made outside
    // catalog loading, cleared when the variable entries are rewritten; a save rewrites them while set.
    uint8_t variables_dirty;

    // Methods compiling (engine/compiler/): the run-compile record that holds the run-time lists
    // of a compile (tests make it; the run engine's working storage takes it over), and the flag
    // set when a compile fails for memory or libraries.
    struct RSKRUNCOMPILE* run_compile;
    uint8_t compile_error;

    // Method objects (engine/compiler/method_objects.cpp): the environment's methods in definition
    // order, the free list of their records, and the switch that installs without compiling.
    RSKGENTRANS* methods_first;
    RSKGENTRANS* methods_last;
    int32_t methods_count;
    RSKGENTRANS* free_methods;       // chunks of 50
    uint8_t methods_deferred;        // rsktrni leaves the compile to rsktrn0

    // Counterparty and mitigation statements (procedure/counterparty_*.cpp): the environment's
    // two containers, each with its state code beside it (55 loaded and usable).
    struct RSKCPTYCON* cpty_container;
    int32_t cpty_container_state;
    struct RSKMITIGATIONCON* mit_container;
    int32_t mit_container_state;

    // Analysis statements (procedure/analysis_*.cpp): the last NLOPTIONS statement of the step,
    // read by an optimisation analysis when it runs (the node lives until the step ends).
    const struct statement_node* nloptions_node;
};

// Debug categories of RSKCON::debug_categories.
enum : uint32_t {
    RSKDEBUG_ON = 1u << 0, RSKDEBUG_DETAILED = 1u << 1, RSKDEBUG_ANALYSIS = 1u << 2,
    RSKDEBUG_ENVIRONMENT = 1u << 3, RSKDEBUG_FILES = 1u << 4, RSKDEBUG_GROUPS = 1u << 5,
    RSKDEBUG_CODEGEN = 1u << 6, RSKDEBUG_MEMORY = 1u << 7, RSKDEBUG_OUTPUT = 1u << 8,
    RSKDEBUG_PROJECT = 1u << 9, RSKDEBUG_RESOLVE = 1u << 10, RSKDEBUG_INSTRUMENTS = 1u << 11,
    RSKDEBUG_VARIABLES = 1u << 12, RSKDEBUG_EXEC = 1u << 13, RSKDEBUG_AFTRACE = 1u << 14,
    RSKDEBUG_TIMER = 1u << 15,
};

// Trace categories of RSKCON::trace_categories.
enum : uint32_t {
    RSKTRACE_FACTORS = 1u << 0, RSKTRACE_DEPS = 1u << 1, RSKTRACE_RFTORDER = 1u << 2,
    RSKTRACE_SETVARS = 1u << 3, RSKTRACE_TRANS = 1u << 4, RSKTRACE_PRICE = 1u << 5,
    RSKTRACE_INPUT = 1u << 6, RSKTRACE_ALL = (1u << 7) - 1,
};
