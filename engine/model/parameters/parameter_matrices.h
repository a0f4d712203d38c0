// Parameter matrices: named tables of numbers with named rows and columns, read for a run from
// Parameters or LinTrans market data sets, their identifier maps, and the linear
// transformations that transformation sets apply to risk factors.
#pragma once
#include <cstddef>
#include <cstdint>
#include "engine/tables/catalog_records.h"
#include "engine/tables/control_structure.h"

struct mds;

constexpr int kRskIdentifierLimit = 32;

// An identifier of a row or column: as written, upper-cased, its length and its index.
struct RSKIDENTRY {
    RSKIDENTRY* next;                // next in its bucket
    char identifier[kRskIdentifierLimit];
    char upper[kRskIdentifierLimit];
    int16_t length;
    int32_t index;                   // row or column number from 0
};

// A hashed map of identifiers to indexes; entry i holds index i.
struct RSKIDMAP {
    RSKIDENTRY** buckets;
    uint32_t bucket_count;
    RSKIDENTRY* entries;
    int32_t count;
    double count_value;              // the count as a double, for the methods compiler
    uint8_t allocated;               // the vectors are allocated
    uint8_t known;                   // the identifiers are known (definition or prepared)
    uint8_t in_run_pool;             // the vectors belong to the run pool
};

struct RSKPARMATRIX {
    RSKPARMATRIX* next;              // free-list link
    RSKOBJNAME name;
    RSKOBJNAME input_dataset;        // the market data set definition to read
    uint8_t linear_transformation;
    RSKIDMAP rows;
    RSKIDMAP columns;
    // Storage of a run: one run-pool block holding a vector of one double per column, the row
    // flags (1.0 when the data had the row), the values (row-major), and for a linear
    // transformation the means and standard deviations of the columns.
    double* storage;
    size_t storage_bytes;
    double* column_vector;
    double* row_flags;
    double* values;
    double* means;
    double* deviations;
    RSKVARIABLE** row_variables;     // the risk factor of each row (linear transformations)
    RSKVARIABLE** column_variables;
    uint8_t prepared;                // rskpmxi has prepared it for this run
    RSKVARIABLE* variable;           // the parameter variable of the same name
    qor_pool* run_pool;              // the run pool the run's pieces were taken from
};

// Slot 171: the matrix's catalog object, or null.
RSKCATOBJ* rskpmx(RSKCON* con, const RSKNAMEREC* name);
// Slot 173: defines or redefines a matrix and its parameter variable. 0 or 1.
int rskpmxd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* description,
            const RSKNAMEREC* input_dataset, int linear_transformation, RSKCATOBJ* object);
// Slot 172: frees the maps the definition made and forgets rows, columns and storage. 0.
int rskpmxc(RSKCON* con, RSKPARMATRIX* matrix);
// Slot 174: clears the matrix and gives it back to the free list. 0.
int rskpmxf(RSKCON* con, RSKPARMATRIX* matrix);
// Slot 175: prints the matrix. 0.
int rskpmxp(RSKCON* con, RSKPARMATRIX* matrix);
// Slot 176: fetches every matrix of the environment; 1 when any cannot be had.
int rskpmx0(RSKCON* con);
// Slot 170: allocates the map for `count` identifiers, from the run pool when `run_pool` is
// not 0 (a map of the definition otherwise, whose identifiers are then known). 0 or 1.
int rskpidm(RSKCON* con, RSKIDMAP* map, int count, int run_pool);
// Slot 169: enters the identifier (negative length: NUL-terminated) as entry `index`. 0 or 1.
int rskpida(RSKCON* con, RSKIDMAP* map, const char* text, int length, int index);
// Slot 168: the entry of the identifier (case ignored), or null.
RSKIDENTRY* rskpid(RSKCON* con, const RSKIDMAP* map, const char* text, int length);
// Loads the values of the matrices a run uses (`run` not 0: a run asks). 0, or 1 when any failed.
int rskpmx1(RSKCON* con, int run);
// Prepares a linear transformation: rows, columns and their risk factors. 0, or the number of
// the two lists with an unknown risk factor, or 1.
int rskpmxi(RSKCON* con, RSKPARMATRIX* matrix);
// Forgets what a run built in the run pool (maps read from data, storage, risk factor
// vectors, the prepared mark) in every matrix; called when the run's pool goes.
int rskpmx_run_end(RSKCON* con);

// Internals shared by the matrix files.
// Forgets the run's pieces of one matrix.
void rskpmx_forget_run(RSKPARMATRIX* matrix);
// Block of the run pool (the current pool when no run pool exists), counted in the run block.
void* rskpmx_run_alloc(RSKCON* con, size_t bytes);
// The readers: values of a Parameters data set, and pattern, means and deviations of LinTrans.
int read_data(RSKCON* con, RSKPARMATRIX* matrix, mds* context);
int read_lintrans_data(RSKCON* con, RSKPARMATRIX* matrix, mds* context);
// Rows and columns of a LinTrans data set (identifiers only). 0 or 1.
int get_row_column_from_data(RSKCON* con, RSKPARMATRIX* matrix, mds* context);
