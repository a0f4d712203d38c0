// The mitigation run of a project: the stored positions of the priced instruments, the run's
// buffers, each exposure-mitigant pair's method over the states and the ALLMITIGATION output.
#pragma once
#include <cstdint>

#include "common/files/dataset.h"
#include "common/files/utilfile.h"
#include "engine/tables/control_structure.h"
#include "engine/tables/counterparty_records.h"

struct RSKVARIABLE;

// Roles of a stored position: priced as an exposure, or flagged as a mitigant (collateral).
enum : int32_t { RSKPOS_EXPOSURE = 0, RSKPOS_MITIGANT = 1 };

// The position file: a WORK utility member holding one fixed-length record per position.
struct RSKPOSFILE {
    int16_t name_length;
    char* name;                      // NUL-terminated copy
    utilfile* member;
    int32_t count;                   // positions given an ordinal so far (new_position counts)
    int32_t state_count;             // the record layout: states + 1 rows of statelength bytes
    int32_t statelength;             // and states + 1 per-state values
};

// One stored position. The file holds values only; rows and values point at whichever buffers
// the caller wants the record read into or written from.
struct RSKPOSITION {
    char* key;                       // upper-cased identifier, NUL-terminated
    RSKPOSFILE* file;
    uint8_t* rows;                   // (state count + 1) rows of statelength bytes
    double* values;                  // (state count + 1) per-state values
    int32_t ordinal;                 // 1-based record number in the file
    int32_t role;                    // RSKPOS_EXPOSURE or RSKPOS_MITIGANT
};

// The mitigation output data set (ALLMITIGATION) and the buffers its fixed columns are bound to.
struct RSKMITOUTDS {
    dataset* data;
    int64_t observations;
    int64_t current;
    dataset_obs* observation;
    int32_t id_length;               // bytes of EXPOSUREID and MITIGANTID
    char* exposure_id;               // id_length bytes, blank-padded
    char* mitigant_id;
    double exposure;                 // EXPOSURE, ADJEXPOSURE, MITIGANT_VAL, MITIGANT_ADJVAL
    double adjusted_exposure;
    double mitigant_value;
    double mitigant_adjusted;
};

// The pair being run.
struct RSKMIT {
    RSKMITTYPE* type;
    RSKPOSITION* exposure;
    RSKPOSITION* mitigant;
    char exposure_id[33];            // upper-cased, stripped
    char mitigant_id[33];
};

// What one run keeps in the container (RSKMITIGATIONCON::run). Widths are the run's.
struct RSKMITRUN {
    qor_pool* pool;                  // the buffers' pool
    int32_t statelength;             // bytes of one state's values: the run's value row
    int32_t state_count;             // market states + 1 (the base case first)
    uint8_t* mitigant_record;        // statelength; second double: the adjusted value
    uint8_t* mitigant_rows;          // (state count + 1) rows
    uint8_t* exposure_vector;        // statelength; first double the exposure, second adjusted
    uint8_t* exposure_rows;          // (state count + 1) rows of the exposure position
    double* state_values;            // (state count + 1) per-state values of the mitigant
    double* exposure_values;         // (state count + 1) per-state values of the exposure
    uint8_t* input_blocks;           // the input variables' own storage
    int64_t input_bytes;
    RSKVARIABLE** bound;             // the variables bound to the buffers, with the storage
    void** saved_values;             // each had before (given back by free_mit_buffer)
    int32_t bound_count;
    double mitigant_value;           // the state's mitigant value
    double mitigant_adjusted;        // the state's adjusted mitigant value, positive
    // The market vectors and execution record the method runs on (set by the run engine; the
    // current vector is overwritten with each state).
    uint8_t* base_market;            // the base-case market vector
    uint8_t* state_markets;          // market state k at state_markets + (k - 1) x market_stride
    int32_t market_stride;
    uint8_t* current_market;         // the vector the program reads
    int32_t market_bytes;            // bytes copied into it per state
    struct RSKPROGRECORD* record;    // the execution record (null: block 0 of the run)
    double* base_indicator;          // the base-case indicator variable (null: none)
    int32_t* base_marker;            // the base-case marker (null: none)
    int32_t messages;                // notes given for skipped pairs (10 printed)
};

// ---- Resolution and buffers ------------------------------------------------------------------
// Fetches, compiles and enters each type's method (kind 12) and marks its argument variables:
// 0, or 1 after 598/302 (no types) or a compile failure; an empty entry gives 598/303.
int rskrsvmitigation(RSKCON* con);
// The run's buffers for `states` market states and a value row of `statelength` bytes, and the
// container variables bound to them: 0, or 1 after 598/304 (also for an output variable whose
// offset lies beyond the row, named). Again for a new run: the old buffers are given back first.
int create_mit_buffer(RSKCON* con, int32_t states, int32_t statelength);
// Unbinds the variables and gives the buffers back. Always 0.
int free_mit_buffer(RSKCON* con);

// ---- The run ---------------------------------------------------------------------------------
// Every mitigation data set of the input source `source`: 0 when there is nothing to run, else
// 0 or 1 (598/305, 306 and the messages below).
int rskrunmitigation(RSKCON* con, const char* source);
// Opens a data set's input read-only (its libref resolved through the search paths): 0, 1
// (598/7738), 2 (open failed). close_mitigation_input: 0, or 2 when the close fails.
int open_mitigation_dataset(RSKCON* con, RSKMITDS* set);
int close_mitigation_input(RSKMITDS* set);
// Binds the data set's columns to the mitigation variables (unknown columns 598/313) and builds
// its observation record: the record, or null after 598/7718.
dataset_obs* build_mit_input_obs(RSKCON* con, RSKMITDS* set);
// Runs every observation of an open data set: 0 or 1.
int exec_mits_in_dataset(RSKCON* con, RSKMITDS* set);
// Reads observation `number` into the current pair: 0; 1 after its message (598/314, 315,
// 316); 2 when the pair is skipped (no position, both ids the same position, roles swapped).
int get_mit(RSKCON* con, RSKMITDS* set, int64_t number);
// One state s (1 the base case) of the current pair: 0, or 1 when the method failed.
int mitigatestate(RSKCON* con, RSKMIT* mitigation, int32_t s);
// One output observation of the current pair for the state just run: 0, or 1 after 598/301.
int write_mitigation_output(RSKCON* con);

// ---- Records ---------------------------------------------------------------------------------
RSKMIT* new_mit(qor_pool* pool, RSKMITTYPE* type);
int delete_mit(qor_pool* pool, RSKMIT* mitigation);

// ---- Positions (mitigation_positions.cpp) ------------------------------------------------------
// A position file over a utility member laid out for `states` market states and `statelength`
// bytes a row; null without pool, name or member, or out of memory.
RSKPOSFILE* new_position_file(qor_pool* pool, const char* name, utilfile* member, int32_t states,
                              int32_t statelength);
int open_position_file(RSKPOSFILE* file);    // 0, or 2
int close_position_file(RSKPOSFILE* file);   // 0, or 2
int delete_position_file(qor_pool* pool, RSKPOSFILE* file);
// Bytes of one position record: (states + 2) x statelength ... as laid out in docs/formats.md;
// -1 when the product overflows.
int64_t position_record_bytes(const RSKPOSFILE* file);
// A position with the next ordinal of the file and its key upper-cased and stripped; null
// without pool, key or file, or out of memory.
RSKPOSITION* new_position(qor_pool* pool, const char* key, RSKPOSFILE* file);
int delete_position(qor_pool* pool, RSKPOSITION* position);   // frees the key too
// Enters a position in the container's positions table (made with 5000 buckets when missing):
// 0; 1 out of memory; 3 when the key is present (the first is kept, the caller frees this one).
int insert_position(qor_pool* pool, RSKMITIGATIONCON* container, RSKPOSITION* position);
// What the run engine calls for each priced position: a new position of the file with the role,
// entered in the table and its rows and values written. 0; 1 after 598/301 or out of memory; 3
// when the key is stored already (the first is kept and nothing is written).
int store_position(qor_pool* pool, RSKMITIGATIONCON* container, RSKPOSFILE* file, const char* key, int32_t role,
                   uint8_t* rows, double* values);
// The position of a key, or null after 598/300 with the key.
RSKPOSITION* find_position(RSKMITIGATIONCON* container, const char* key);
// Reads the position's record into its rows and values: the position, or null after 598/300 or
// 598/301.
RSKPOSITION* read_position(RSKMITIGATIONCON* container, const char* key);
// Writes the position's rows and values to its record: 0, or 1 after 598/301.
int write_position(RSKMITIGATIONCON* container, RSKPOSITION* position);
// Frees every position and the table. Always 0.
int delete_positions(qor_pool* pool, RSKMITIGATIONCON* container);

// ---- Output data set (mitigation_output.cpp) ---------------------------------------------------
RSKMITOUTDS* new_mit_out_ds(qor_pool* pool, dataset* data);
int delete_mit_out_ds(qor_pool* pool, RSKMITOUTDS* out);
// The observation of the output data set: the six fixed columns (ids of `id_length` bytes,
// at least 8, at most 256), then the run's computed variables among `variables` (linked by
// next). Null after 598/7718.
dataset_obs* build_output_obs(RSKCON* con, RSKMITOUTDS* out, RSKVARIABLE* variables, int32_t id_length);
int open_mit_out_dataset(RSKMITOUTDS* out);    // 0, or 2
int close_mit_out_dataset(RSKMITOUTDS* out);   // 0, or 2
