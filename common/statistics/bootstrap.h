// Bootstrap confidence limits for statistics of values read through callbacks: the control and
// iterator records, set-up, the run, the staging files and the binomial draws of the resampling.
#pragma once
#include <cstdint>

#include "host/catalog.h"
#include "host/pool.h"

struct boot_iterator;
// Every callback takes its iterator and returns 0 or a host error code.
using boot_callback = int (*)(boot_iterator* it);

enum : int32_t {
    BOOT_BLOCK_RECORDS = 1024,   // records per staging block
    BOOT_MAX_LEVELS = 10,
};

// Reads and writes records of `values` doubles. A caller's source fills restart, next, record,
// values, record_bytes, records and optionally weight and total_weight; the staging iterators
// are made by init_iter.
struct boot_iterator {
    boot_callback restart;       // position before the first record
    boot_callback next;          // read the next record (into `record`, or point `record` at it)
    boot_callback wrestart;      // empty the file and position at its start
    boot_callback wnext;         // append the record buffer
    boot_callback wend;          // flush buffered records
    void* handle;                // qor_entry* of a staging file; for a source, the caller's own
    int64_t position;            // byte offset of the next block read or written
    int32_t left;                // records left in the current block (reading)
    int64_t read;                // records read so far
    int32_t current;             // index of the current record within the block
    char* block;                 // block buffer
    int32_t block_records;       // BOOT_BLOCK_RECORDS
    int64_t block_bytes;         // block_records x record_bytes
    double* record;              // record buffer
    int32_t values;              // values per record
    int32_t record_bytes;        // 8 x values
    int32_t records;             // number of records
    const double* weight;        // source only: weight of the observation about to be read, or null
    double total_weight;         // source only: sum of the weights; 0 means `records`
};

// Statistic routine: reads one resample through the iterator and writes n statistics and, for
// kind 1, their standard errors. The three-argument form gives statistics only.
using boot_statistic_fn = int (*)(boot_iterator* data, void* context, double* statistics, double* std_errors);
using boot_statistic3_fn = int (*)(boot_iterator* data, void* context, double* statistics);

enum : uint8_t {
    BOOT_PERCENTILE = 0,         // percentile interval of the replicate statistics
    BOOT_STUDENT_SE = 1,         // studentized, standard errors from the statistic routine
    BOOT_STUDENT_NESTED = 2,     // studentized, standard errors from a nested bootstrap
    BOOT_SE_ONLY = 3,            // only the bootstrap means and standard errors
};

struct boot_control {
    uint8_t kind;                // BOOT_PERCENTILE .. BOOT_SE_ONLY
    int32_t replications;        // B
    int32_t inner_replications;  // resamples of the nested bootstrap (kind 2)
    int32_t n;                   // statistics per replicate
    double* statistics;          // n, made by zbooti
    double* std_errors;          // n, made by zbooti
    double* centre;              // n, caller's: full-sample statistics (kinds 1, 2); kind 3 writes means
    double* scale;               // n, caller's: scale (kind 1); kind 2 writes bootstrap standard errors
    int32_t m;                   // number of levels, 1 .. 10 (a two-sided interval: 2)
    double levels[BOOT_MAX_LEVELS];   // quantile levels in (0, 1)
    double* output;              // m x n, level-major (element j n + i), made by zbooti
    int32_t record_numbers[BOOT_MAX_LEVELS];   // record (from 1) taken for each level, 0 for none
    boot_iterator* source;       // the caller's observations
    void* context;               // passed to the statistic routine
    boot_statistic_fn statistic;          // four-argument statistic routine
    boot_iterator* staging;      // one resample, made by zbooti
    boot_control* nested;        // kind 2: the nested record, made by zbooti
    boot_iterator* result;       // one record of n statistics per replicate, made by zbooti
    qor_pool* pool;              // the bootstrap's own pool
    int32_t seed;                // one-word generator state; 0 becomes 123456
    // Used when `statistic` is null (not for kind 1, which needs standard errors).
    boot_statistic3_fn statistic3;
    // Optional, caller's: n pairs (first-level, last-level limit) per statistic, written
    // with the output.
    double* interval;
    double* deviations;          // kind 2: sums of squared replicate deviations, made by zbooti
};

// Result codes of zbooti and zboot.
enum : int {
    BOOT_OK = 0,
    BOOT_BAD_ARGUMENT = 1,       // also: the nested bootstrap failed (zboot)
    BOOT_NO_MEMORY = 2,          // or a staging file could not be opened (zbooti)
    BOOT_IO = 3,                 // a callback or a staging file read or write failed
    BOOT_STATISTIC = 4,          // the statistic routine failed
    BOOT_BAD_STD_ERROR = 5,      // a standard error not above 0 (kinds 1, 2)
};

// Checks the record, makes the pool, arrays, staging files and the nested record.
// 0; 1 bad argument; 2 no memory or a staging file failed to open. On failure nothing stays
// allocated or open.
int zbooti(boot_control* control);
// One bootstrap run (repeated runs continue the seed's sequence); codes BOOT_*.
int zboot(boot_control* control);
// Closes every staging file, deletes the pool and zeroes the record: 0.
int zbootf(boot_control* control);

// Staging file of `values` doubles per record (set by the caller) in an anonymous UTILITY entry:
// 0; 1 bad argument; 2 no memory; or the host's code from opening the entry.
int init_iter(boot_iterator* it, qor_pool* pool);
// Closes the entry of a staging iterator (when open): 0 or the host's code.
int close_iter(boot_iterator* it);
// The five callbacks of a staging iterator, the positioned read and the sort. They live in a
// namespace of their own: their names are too plain for the global one.
namespace boot {
int restart(boot_iterator* it);
int next(boot_iterator* it);
int wrestart(boot_iterator* it);
int wnext(boot_iterator* it);
int wend(boot_iterator* it);
// Reads record `number` (from 1) of a staging file into the record buffer: 0 or the host's code.
int read_at(boot_iterator* it, int32_t number);
// Sorts each value position of a staging file separately, ascending (missing values first):
// 0, or 2 when a read or write fails.
int sort(boot_iterator* it);
}  // namespace boot

// Set-up of the binomial draws, kept by the caller (56 bytes).
struct boot_binomial_cache {
    double p, mean, sd, p0, r, g;
    int32_t n;
    int32_t valid;
};
static_assert(sizeof(boot_binomial_cache) == 56, "the binomial cache is 56 bytes");

// A binomial(n, p) variate from the one-word generator at *seed; the missing value for n < 0 or
// p outside [0, 1].
double ranbin(int32_t* seed, int32_t n, double p, boot_binomial_cache* cache);
