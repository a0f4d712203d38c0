// The counterparty and mitigation containers of an environment and the records they hold:
// variables, types, scoring models, input data sets, counterparties and sources.
#pragma once
#include <cstdint>

#include "common/files/dataset.h"
#include "common/files/utilfile.h"
#include "common/hash/hash_table.h"
#include "engine/tables/catalog_records.h"
#include "engine/tables/control_structure.h"

struct RSKVARIABLE;

// State code of a container in RSKCON: loaded and usable.
constexpr int32_t RSKCON_CONTAINER_LOADED = 55;
// Catalog kinds of the two containers' entries.
constexpr int32_t RSKKIND_CPTYCON = 26;
constexpr int32_t RSKKIND_MITCON = 27;

// Value types of a container variable (from the variable's data-type code).
enum : int32_t {
    RSKCPTYVT_NONE = 0,
    RSKCPTYVT_CHAR = 1,
    RSKCPTYVT_DATE = 2,
    RSKCPTYVT_INTEGER = 3,
    RSKCPTYVT_OTHER = 4,
    RSKCPTYVT_NUMERIC = 5,
};
// Roles of a container variable: computed output kept per state, input, name.
enum : int32_t { RSKCPTYROLE_OUTPUT = 0, RSKCPTYROLE_INPUT = 1, RSKCPTYROLE_NAME = 2 };

// A counterparty (or mitigation) variable, in the container's variable table or a data set's
// column table. Texts are NUL-terminated copies in the container's pool.
struct RSKCPTYVAR {
    int16_t name_length;
    char* name;
    int16_t alias_length;            // the data set column that feeds it; the name at creation
    char* alias;
    char* label;                     // null when none
    int32_t type;                    // RSKCPTYVT_*
    int32_t role;                    // RSKCPTYROLE_*
    int32_t offset;                  // byte offset of an output variable in the value vector; -1 for input
    RSKVARIABLE* variable;           // the environment's variable
};
using RSKMITVAR = RSKCPTYVAR;

// A scoring model named by a counterparty type.
struct RSKCPTYMODEL {
    int16_t model_length;
    char* model;
    int16_t function_length;
    char* function;
    void* compiled;                  // set by the scoring-model compiler
};

struct RSKCPTYTYPE {
    int16_t name_length;
    char* name;
    char* method;                    // method name; null when none (the run binds the method object)
    RSKCPTYMODEL* model;             // null when none
    char* label;
    hash_table* variables;           // name -> RSKCPTYVAR
    int32_t variable_count;
    RSKCPTYTYPE* super;
    // Counterparty run (engine/counterparty/counterparty_run*): the type's method as the run
    // fetched and compiled it, with its action; null until a run resolves it.
    struct RSKTYPEMETHOD* method_record;
};

struct RSKMITTYPE {
    int16_t name_length;
    char* name;
    char* method;
    char* label;
    hash_table* variables;           // name -> RSKMITVAR
    int32_t variable_count;
    RSKMITTYPE* super;
    // Mitigation run (engine/counterparty/mitigation_run*.cpp): the method fetched, compiled and
    // entered in the run by the resolution; null until then.
    struct RSKTYPEMETHOD* run_method;
};

// An input data set of counterparties (COUNTERPARTYDATA).
struct RSKCPTYDS {
    int16_t name_length;
    char* name;
    dataset* input;                  // its libref and member are NUL-terminated copies of the pool
    utilfile* output;                // per-counterparty state values written by the run
    hash_table* columns;             // column name -> RSKCPTYVAR
    RSKCPTYTYPE* type;
    int32_t observations;
    int32_t current;
    int32_t variable_count;
    void* observation;               // dataset_obs of the run
    int32_t mapping_used;            // the column table was given by the definition
    // Weight and frequency options of the statement.
    char* weight;                    // weight variable; null when none
    double df;
    double wdf;
    double n;
};

// An input data set of mitigations (MITIGATIONDATA).
struct RSKMITDS {
    int16_t name_length;
    char* name;
    dataset* input;                  // its libref and member are NUL-terminated copies of the pool
    hash_table* columns;             // column name -> RSKMITVAR
    RSKMITTYPE* type;
    int32_t observations;
    int32_t current;
    int32_t variable_count;
    void* observation;
    int32_t mapping_used;
    char* weight;
    double df;
    double wdf;
    double n;
};

// A counterparty read by a run.
struct RSKCPTY {
    RSKCPTYTYPE* type;
    int16_t id_length;
    char* id;
    int32_t observation;
    RSKCPTYDS* dataset;
};

// A source: the data sets of one portfolio source list (values: the container's data sets).
struct RSKCPTYSOURCE {
    char* name;
    hash_table* datasets;
};

// An input source: a name, its source's name and that source's data-set table.
struct RSKCPTYINSRC {
    char* name;
    char* source;
    hash_table* datasets;
};

struct RSKCPTYCON {
    hash_table* types;               // name -> RSKCPTYTYPE
    hash_table* variables;           // name -> RSKCPTYVAR
    hash_table* system_variables;    // name -> RSKCPTYVAR
    hash_table* datasets;            // name -> RSKCPTYDS
    hash_table* sources;             // name -> RSKCPTYSOURCE
    hash_table* input_sources;       // name -> RSKCPTYINSRC
    hash_table* counterparties;      // identifier -> RSKCPTY (made by the run)
    RSKCPTY* current;
    hash_table* reference_variables;
    hash_table* reference_keys;
    void* value_vector;
    void* value_buffer;
    int32_t statelength;             // bytes of the output variables of one state
    int32_t state_count;
    int32_t variable_count;
    RSKCATOBJ* catalog;              // descriptor of the catalog entry
    void* numeric_cell;              // 8 bytes, zero-filled
    void* character_cell;            // 100 bytes, zero-filled
    int32_t output_total;            // second total of output bytes (grows with statelength)
    int16_t type_count;
    hash_table* selected_datasets;   // data sets a READ selected
    // Counterparty run (engine/counterparty/counterparty_run*): the bytes held by the value
    // vector and value buffer, and the one block that holds the input variables' values.
    int64_t buffer_bytes;
    void* input_storage;
    int64_t input_storage_bytes;
    int32_t buffer_states;           // state count the value buffer was made for
    int32_t method_failures;         // observations skipped for a type without compiled method
    int32_t unknown_identifiers;     // identifiers read_cpty did not find
};

struct RSKMITIGATIONCON {
    hash_table* datasets;            // name -> RSKMITDS
    hash_table* variables;           // name -> RSKMITVAR
    hash_table* system_variables;    // name -> RSKMITVAR
    hash_table* types;               // name -> RSKMITTYPE
    hash_table* sources;             // name -> RSKCPTYSOURCE
    hash_table* input_sources;       // name -> RSKCPTYINSRC
    hash_table* positions;           // made by the run
    void* current;
    RSKMITVAR* exposure;             // "_EXPOSURE_"
    RSKMITVAR* mitigant_value;       // "_MITIGANT_VAL_"
    RSKMITVAR* adjusted_exposure;    // "_ADJEXPOSURE_"
    RSKMITVAR* mitigant_adjusted;    // "_MITIGANT_ADJVAL_"
    void* output_dataset;
    int32_t statelength;
    int32_t state_count;
    int32_t variable_count;
    int32_t output_total;
    RSKCATOBJ* catalog;
    hash_table* selected_datasets;
    // Mitigation run (engine/counterparty/mitigation_run*.cpp, mitigation_positions*.cpp): the
    // run's buffers and widths, kept apart from statelength above, which the definitions use to
    // place their output variables. All null or 0 outside a run.
    struct RSKMITRUN* run;
};

// The start of the context of a container's XML document (engine/counterparty/container_xml.h):
// the parser's words when it refused the last document, NUL-terminated.
struct RSKXMLHEAD {
    char status[256];
};
