// The aggregation engine: one cell per combination of class-variable values and admitted
// crossing of the cross-classification, found through one hash table over all pages, fed by the
// run engine, rolled up into coarser crossings and walked in key order.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/output/aggregation_run.h"
#include "engine/tables/control_structure.h"

struct RSKCROSSCLASS;
struct RSKVARIABLE;
struct RSKAGGRUN;
struct RSKAGGCTL;

// Limits of a cross-classification. Crossings are 32-bit masks, so at most 31 class variables;
// the pages of a hierarchy are found by walking every subset of its members (with ALtype and the
// special variable), so a hierarchy may use at most 20 such bits.
enum : int {
    kAggMaxClassVariables = 31,
    kAggMaxHierarchyBits = 20,
    kAggCellHeadBytes = 32,          // what rskgrp4 and the cell report count for a cell's head
    kAggStackKeyBytes = 1024,        // longer keys use the control's own scratch buffer
};

// A class variable of the aggregation, in class-variable order.
struct RSKCCVAR {
    RSKCCVAR* next;
    RSKVARIABLE* variable;
    char* key_slot;                  // this variable's value inside the key buffer
    void* value_source;              // the variable's current value in the program data vector
    int32_t length;                  // 8 for a numeric variable, else its character length
    int32_t offset;                  // of the value within a key
    uint8_t numeric;                 // storage type 2
};

// One distinct crossing.
struct RSKCCPAGE {
    RSKAGGCTL* control;
    uint32_t mask;
    struct RSKCCCELL* cells;         // newest first; in key order once sorted
    int32_t summarised;              // has had its first roll-up
    int32_t variable_count;
};

// One cell: a key and the run engine's user data.
struct RSKCCCELL {
    RSKAGGCTL* control;
    RSKCCCELL* hash_next;
    RSKCCCELL* page_next;
    uint32_t mask;
    int32_t sequence;                // 1, 2, 3 ... in creation order over the aggregation
    char* key;
    void* user_data;                 // zero-filled when the cell is made
    int32_t visited;                 // reached by a special roll-up or a file merge
};

struct RSKAGGCTL {
    int32_t count;                   // class variables
    RSKCCVAR** variables;
    char* key;                       // the current observation's or cell's key
    RSKCCVAR* special;               // the special variable's entry, or null
    uint32_t special_bit;
    int32_t levels_counted;
    int32_t sorted;
    int32_t base_count;
    uint32_t* base_masks;            // base crossings in page order
    int32_t page_count;
    RSKCCPAGE** pages;
    int32_t key_size;
    int32_t user_size;
    uint32_t hash_size;
    RSKCCCELL** buckets;
    int32_t page_weight;             // sum over pages of 5^k, capped at INT32_MAX
    int32_t cell_count;
    int32_t table_builds;
    RSKCCCELL* current_cell;
    RSKCCPAGE* current_page;
    // Kept beside the fields above: the run state the engine reads and writes, the base pages
    // themselves in base order, and the scratch key of keys longer than kAggStackKeyBytes.
    RSKAGGRUN* run;
    RSKCCPAGE** base_pages;
    char* long_scratch;
    int32_t page_capacity;
};

// Callbacks (0 goes on; anything else stops the operation, which returns it).
using RSKGRPFEED = int (*)(RSKCON* con, void* argument, void* user_data);
using RSKGRPWEIGHTED = int (*)(RSKCON* con, void* user_data, int phase);
using RSKGRPCELL = int (*)(RSKCON* con, void* user_data);
using RSKGRPPAGE = int (*)(RSKCON* con);
using RSKGRPBEGIN = int (*)(RSKCON* con, void* argument, int count, int key_size);
using RSKGRPSORTED = int (*)(RSKCON* con, void* argument, void* user_data, int index, const char* key);
// The roll-up callback RSKGRPROLLUP is declared with the run state (aggregation_run.h).

// ---- Entry-table slots 119 to 132 ----
// Feeds the current observation into every base page: the update callback's result, or 1 when
// a cell cannot be made. *sequence gets the last cell's sequence number.
int rskgrp0(RSKCON* con, RSKAGGCTL* control, RSKGRPFEED update, void* argument, int32_t* sequence);
// Walks the cells of every page (all_pages) or of the base pages.
int rskgrp1(RSKCON* con, RSKAGGCTL* control, RSKGRPCELL per_cell, RSKGRPPAGE before, RSKGRPPAGE after,
            int all_pages);
// Sorts every page's cells into key order: 0; 1 when out of memory.
int rskgrp2(RSKCON* con, RSKAGGCTL* control);
// The number of cells.
int rskgrp3(RSKCON* con, RSKAGGCTL* control);
// Bytes per cell: key size + user-data size + kAggCellHeadBytes.
int rskgrp4(RSKCON* con, RSKAGGCTL* control);
// The page weight.
int rskgrp5(RSKCON* con, RSKAGGCTL* control);
// Hands the first base page's cells in key order to the optimisation.
int rskgrp6(RSKCON* con, RSKAGGCTL* control, void* argument, RSKGRPSORTED per_cell, RSKGRPBEGIN begin);
// Builds the engine for a cross-classification: 0; 1 no cross-classification, out of memory or
// too many class variables; 2 no class variables (a member naming no variable is named).
int rskgrpd(RSKCON* con, RSKCROSSCLASS* cross, RSKVARIABLE* special, RSKAGGCTL** out, int32_t user_size);
// Nothing is freed one by one (the run's pools go as a whole): 0.
int rskgrpf(RSKCON* con, RSKAGGCTL* control);
// Removes every cell, keeps pages, class variables and table size: 0.
int rskgrpi(RSKCON* con, RSKAGGCTL* control);
// Rolls the base pages up into every page.
int rskgrps(RSKCON* con, RSKAGGCTL* control, RSKGRPROLLUP update, RSKGRPWEIGHTED weighted,
            RSKGRPCELL page_entry);
// Writes "ccvars.txt" into the library's directory: 0, 1, 5 or 86.
int rskgrpx(RSKCON* con, RSKAGGCTL* control, const char* libref);
// Reads "ccvars.txt" of a library: *length passes the capacity in and the text's length out.
// 0, 1, 85 (longer than the capacity) or 86.
int rskgrpy(const char* libref, char* buffer, int32_t* length);
// The first class-variable entry (null for a null control).
RSKCCVAR* rskgrpz(RSKCON* con, RSKAGGCTL* control);

// ---- Aggregation members of divided runs ----
// Writes the finest cells of the run into its aggregation member: 0, or the first failure.
int rskgrpw(RSKCON* con);
// Merges the members of every earlier aggregation source: 0, or the largest failure.
int rskgrpr(RSKCON* con);
// Reads the member named in the run's file block and merges it into first_page (null without
// a cross-classification): 0 or 1.
int readSingleFile(RSKCON* con, RSKCCPAGE* first_page);

// ---- Operations shared by the engine's files ----
// The page of a crossing, or null.
RSKCCPAGE* rskgrpp(RSKAGGCTL* control, uint32_t mask);
// Finds or makes the cell of a page and key; null when it cannot be made (598/2797 given).
RSKCCCELL* Access(RSKCON* con, RSKCCPAGE* page, const char* key);
// The bucket of a key and crossing.
uint32_t Hash(const char* key, int32_t key_size, uint32_t mask, uint32_t hash_size);
// The largest number not above x that IsPrime accepts.
uint32_t LargestPrime(uint32_t x);
// Bucket count for a page weight: LargestPrime(2 * weight), at most LargestPrime(16384).
uint32_t CalcHashTableSize(int64_t page_weight);
// Writes the total marker into every class variable of the key outside the crossing.
void TotalizeKey(const RSKAGGCTL* control, char* key, uint32_t mask);
// Memory of the run pool (the general pool outside a run), reported as 598/2797 when refused.
void* rskgrp_alloc(RSKCON* con, size_t bytes, const char* label, int zero);
void rskgrp_free(RSKCON* con, void* block, size_t bytes);
