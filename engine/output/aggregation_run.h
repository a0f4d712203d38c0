// What a project run keeps for its aggregation over the cross-classification: the flags the
// engine reads and writes while cells are fed, rolled up and walked, the run's result record for
// runs without a cross-classification, the parts of a divided run and the aggregation file.
#pragma once
#include <cstdint>

#include "engine/files/aggregation_file.h"

struct RSKAGGCTL;
struct RSKCCVAR;
struct RSKCROSSCLASS;

// Roll-up callback: target cell's user data, source cell's user data, kind (0 first roll-up
// into a page, 1 A/L roll-up, 2 special roll-up) and seen (0 the target's first visit, else 1).
using RSKGRPROLLUP = int (*)(RSKCON* con, void* target, void* source, int kind, int seen);

// An earlier result of the run's list of earlier results; kind 2 is an aggregation.
struct RSKAGGSOURCE {
    int32_t kind;
    char libref[8];                  // blank-padded library of its members
    int32_t parts;                   // number of portfolio parts it was written in
};

struct RSKAGGRUN {
    int32_t error;                   // set when a cell cannot be made or a merge fails
    uint8_t cashflow_by_al;          // cash-flow gap results by A/L type
    int32_t value_processing;        // per-instrument processing of cash-flow analyses
    RSKCROSSCLASS* cross;            // the cross-classification the control was built from
    RSKAGGCTL* control;              // the run's aggregation control
    RSKCCVAR* first_variable;        // first class-variable entry (null without)
    int32_t variable_count;
    int32_t last_sequence;           // sequence number of the last cell fed
    uint32_t current_mask;           // crossing of the page being walked
    int32_t output_cells;            // cells handed out by walks over all pages
    int32_t page_entry;              // the next page summarised calls the page-entry callback
    uint8_t special_present;         // the special variable has a value in the current cell
    int32_t messages;                // internal-error lines given this run (at most 10)

    // Divided runs: this run's part numbers and its output library.
    int32_t analysis_part, analysis_parts;
    int32_t portfolio_part, portfolio_parts;
    char output_libref[8];           // blank-padded library of the run's output object
    int32_t source_count;            // earlier results to merge
    RSKAGGSOURCE* sources;
    RSKGRPROLLUP merge_update;       // the run engine's roll-up routine, used by the merge

    // Without a cross-classification the run's single result record stands for the one cell.
    void* result_record;
    int32_t result_size;
    int32_t result_visited;
    void* merge_buffer;              // a record's user data while members are merged
    int32_t merge_buffer_size;

    RSKAGGFILE file;                 // the aggregation member being written or read
};
