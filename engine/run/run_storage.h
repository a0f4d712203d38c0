// The working storage of a project run: the run block cleared, the run pools, the instrument
// records and type layouts, the change masks and market vectors, the pricing results vector,
// the thread control vector, the cash-flow and delta-gamma buffers, and the memory report.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/run/run_block.h"
#include "engine/tables/control_structure.h"
#include "host/kit.h"

struct RSKINSTTYPE;
struct RSKVARIABLE;
struct RSKFXENTRY;

// The name of the kit pool of a run.
inline constexpr char kRskKitPoolName[] = "ZORA DERIRER IRUREVO ZIZE";
// Size and increment of the project working pool.
constexpr size_t kRskRunPoolSize = 2097152;
// Flows and factors the cash-flow and delta-gamma buffers are first sized for.
constexpr int32_t kRskInitialCashFlows = 128;
constexpr int32_t kRskInitialFactors = 8;

// A field of an instrument type's value record: where its bytes sit in the record and the run
// address its value is copied to when the record is read.
struct RSKTYPEFIELD {
    RSKVARIABLE* variable;
    int32_t offset;                  // in the value record (4-byte alignment, stored sizes)
    int32_t size;
    void* address;                   // the variable's run slot
};

// A cash-flow buffer: per flow a currency, a date, an amount and a word.
struct RSKCASHFLOWS {
    int32_t count;
    int32_t capacity;
    char (*currencies)[3];
    double* dates;
    double* amounts;
    int32_t* words;
};

// A factor of a delta-gamma buffer: the risk factor and its offset in the market vector.
struct RSKQUADFACTOR {
    RSKVARIABLE* variable;
    int32_t offset;
    int16_t name_length;
    char name[32];
};

// A delta-gamma buffer for up to `capacity` factors.
struct RSKQUADVALUE {
    int32_t count;
    int32_t capacity;
    RSKQUADFACTOR* factors;
    double* deltas;                  // capacity
    double value;
    double* shifts;                  // capacity: the factors' base values
    double* gammas;                  // the lower triangle row by row, then capacity spare
};

// Modes of rskmecf and rskmedg.
enum : int { RSKMEM_FIRST = 0, RSKMEM_REPLACE = 1, RSKMEM_KEEP = 2 };

// Prepares a run: clears the run block, makes both pools, resets the run fields, sets up the
// types' run tables, the actions and the thread control vector. 0, or 1 when a pool or a run
// table cannot be had.
int rskmem0(RSKCON* con);
// Instrument records, type numbers, sizes and fingerprints, the instruments buffer, timing
// records, record addresses and the first cash-flow and delta-gamma buffers. 0, 1, or the code
// of action resolution.
int rskmem1(RSKCON* con);
// Variables an instrument can fill that have no value storage yet get theirs from the run pool,
// before the methods are compiled against them: the environment's and each type's own (a type's
// system variables such as Holding are not in the environment's list). Risk factors too when
// `factors` is set (READ); a project run leaves them to the market vectors. 0, or 1 (598/2797).
int rskmem_value_storage(RSKCON* con, int factors);
// Change-mask bits, the two masks, the market vectors and the project variables. 0 or 1.
int rskmem2(RSKCON* con);
// The pricing results vector, the post-processing flags and the element list: 0, 1, or 99 when
// the results vector cannot be had.
int rskmem3(RSKCON* con);
// Sizes the cash-flow or delta-gamma variable of the pricing program for `count` entries (mode
// RSKMEM_*). 0, or 1 after 598/2797 with the variable's buffers gone.
int rskmecf(RSKCON* con, RSKVARIABLE* variable, int32_t count, int mode);
int rskmedg(RSKCON* con, RSKVARIABLE* variable, int32_t count, int mode);
// Frees the run's storage. 0.
int rskmemf(RSKCON* con);
// Prints the memory report under message 598/number (4100, 4112 or 4114) naming the run.
int rskmemp(RSKCON* con, int number, const char* name, int length);

// The thread control vector: max(1, min(PAPC, MAXTHREADS)) blocks and the master block, and,
// with threading on and more than one block, the run's worker team (closed by rskmemf). 0 or 1;
// the team that cannot be had for lack of memory ends the step (code 1016).
int allocate_threads(RSKCON* con);
// Divides the run's states among the thread blocks: max(1, min(allocated blocks, states))
// blocks in use, the first states mod blocks taking one state more, in state order, each with
// its views of the state buffer, the result rows, the decisions and the status bytes; the master
// block views the base state and row 0. 0 or 1.
int assign_threads(RSKCON* con);
// Runs task(argument, b) for every block b in [0, blocks): on the run's worker team (block 0 on
// the calling thread), or, without a team, every block on the calling thread in order. Returns
// when all have ended: 0, or 1 when blocks is not within the team or a block ended abnormally.
int rskteam_run(RSKCON* con, qor_team_task task, void* argument, int blocks);
// The value-record size and layout fingerprint of a type, stored in it; resolves its actions
// first when they are not resolved for this run. 0 or the resolution code.
int get_class_size(RSKCON* con, RSKINSTTYPE* type);
// Gives each variable of the type without a run address its slot in the instruments buffer and
// the type its field table. 0 or 1.
int assign_trans_addrs(RSKCON* con, RSKINSTTYPE* type);
// Flags an exchange rate for the run (once): it gets a mask bit and a market-vector slot.
void rskmem_flag_fx(RSKCON* con, RSKFXENTRY* entry);

// The run's worker team for thread_count blocks when threading is on and there is more than
// one block (an earlier team is closed first); a team that cannot be had for lack of memory
// gives 598/2797 and ends the step with code 1016. 0.
int rskmem_make_team(RSKCON* con);
// Closes the run's worker team, if any (rskmemf, and the release of the control structure).
void rskmem_close_team(RSKCON* con);

// Bytes from the run pool (zero-filled when asked), added to a memory-report category; null
// after 598/2797 with the label, the error flag of the control structure set.
void* rskmem_alloc(RSKCON* con, size_t bytes, const char* label, int category, int zero);
// Reports an allocation that failed: 598/2797 with the bytes and the label, error flag set.
void rskmem_no_memory(RSKCON* con, size_t bytes, const char* label);
