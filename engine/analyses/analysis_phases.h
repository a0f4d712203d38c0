// The contract every analysis kind follows: the risk-factor entries of a definition, the run's
// factor lists built from them, the shared additive roll-up and the phase table per kind.
#pragma once
#include <cstdint>

#include "engine/model/analyses/analysis_record.h"
#include "engine/output/result_datasets.h"
#include "engine/tables/control_structure.h"

struct RSKANLPROC;

// One risk factor of a run: the variable and its index among the variables the run uses.
// Records come from the run's free list (chunks of 100 from the run pool), or for read-back
// results from the environment's free list.
struct RSKRUNFACTOR {
    RSKRUNFACTOR* next;
    RSKVARIABLE* variable;
    void* words[2];                  // copied words of the run-time table entry
    int32_t index;                   // position among the variables the run uses, from 0
    void* word;
};

constexpr int kRskRunFactorChunk = 100;
constexpr int kRskAnalysisEntryChunk = 10;

// Marks of RSKVARIABLE::not_used_mark.
enum : uint8_t { RSKUNUSED_NONE = 0, RSKUNUSED_LISTED = 1, RSKUNUSED_COUNTED = 2 };

// ---- Definition entries (entry-table slots 315, 319 to 323) ----

// Mark-to-market (kind 1) and current exposure (kind 14): the kind only. 0.
int rsamtma(RSKCON* con, RSKANALYSIS* analysis);
int rsacexa(RSKCON* con, RSKANALYSIS* analysis);
// A plain risk factor: -1 when one of that name is listed already, 0 added, 1 out of memory.
int rsafaca(RSKCON* con, RSKANALYSIS* analysis, const RSKNAMEREC* name);
// A factor with a grid; an active entry of that name is superseded in place. 0 or 1.
int rsafacg(RSKCON* con, RSKANALYSIS* analysis, const RSKNAMEREC* name, double minimum, double maximum,
            uint32_t points, uint32_t type);
// A factor with a perturbation; a second one of that name is refused with 598/1351 (result 0).
int rsafacp(RSKCON* con, RSKANALYSIS* analysis, const RSKNAMEREC* name, double value, uint32_t type);
// A pair of factors with grids; an active pair of those names (either order) is superseded in
// its own orientation. 0 or 1.
int rsafacs(RSKCON* con, RSKANALYSIS* analysis, const RSKNAMEREC* name1, double minimum1, double maximum1,
            uint32_t points1, uint32_t type1, const RSKNAMEREC* name2, double minimum2, double maximum2,
            uint32_t points2, uint32_t type2);

// ---- Run factor lists (all clear the analysis' run factor list first) ----

// The `count` listed factors from `first`, active entries only. 0, or 1 when a name is not a
// variable of the run (598/1350) or memory runs out.
int rsafacx(RSKCON* con, RSKANLPROC* run, const RSKANLFACTOR* first, int32_t count);
// Every factor the run uses (mode 1: found by the market data; 2: marked by the model). 0 or 1.
int rsafacb(RSKCON* con, RSKANLPROC* run, int mode);
// As rsafacb (mode 0, or 1 for any other mode) in ascending market-data order. 0 or 1.
int rsafacd(RSKCON* con, RSKANLPROC* run, int mode);
// One factor of results read back: -1 when listed already, 1 not a variable, 0 added.
int rsaface(RSKCON* con, RSKANLPROC* run, const RSKNAMEREC* name, int32_t index);
// The note of the run factors no instrument uses (598/2611, 2610), each listed once per run.
void warn_not_used(RSKCON* con, RSKANLPROC* run, int32_t unused);
// Clears the not-used marks of every variable: the run engine calls it before the builds.
void rsafac_clear_marks(RSKCON* con);

// ---- Shared roll-up and the kinds without phases of their own ----

// Adds the child area into the parent area, double by double; a missing element stays or
// becomes missing. Always 0.
int rsasum(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis, void* parent, const void* child);
// Build phase of current exposure: label 598/5614, 24 bytes of cell, the run's exposure flag. 0.
int rsacex0(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis);

// ---- The phase table ----

using RskBuildPhase = int (*)(RSKCON*, RSKANLPROC*, RSKANALYSIS*);
using RskGeneratePhase = int (*)(RSKCON*, RSKANLPROC*);
using RskPositionPhase = int (*)(RSKCON*, RSKANLPROC*, void* area, int64_t first, int64_t last);
using RskStepPhase = int (*)(RSKCON*, RSKANLPROC*, void* area);
using RskRollUpPhase = int (*)(RSKCON*, RSKANLPROC*, void* parent, void* child, int mode, int count);
using RskFinishPhase = int (*)(RSKCON*, RSKANLPROC*, void* area);
// The output phase: (RSKCON, RSKANLPROC, analysis area, row writer, the result data set).
using RskOutputPhase = RSKOUTPHASE;

// The phase routines of one analysis kind. A null routine: the engine does nothing for the kind
// in that phase; `built` 0: the kind's routines are not part of this build.
struct RSKPHASES {
    uint8_t built;
    uint8_t takes_range;             // the per-position routine takes first and last
    uint8_t additive_roll_up;        // roll up in mode 0 only
    uint8_t no_states;               // makes no market state and is not failed for it (kinds 1, 14)
    RskBuildPhase build;
    RskGeneratePhase generate;
    RskPositionPhase position;
    RskStepPhase step;
    RskRollUpPhase roll_up;
    RskFinishPhase finish;
    RskOutputPhase output;           // direct output, with rskput
    RskOutputPhase level_output;     // the level pass of the result writer
};

// The dispatchers of the run engine: each names itself in the line of an unknown kind.
enum RskDispatcher : int {
    RSKDISP_BUILD = 0,               // rskrun0: build_result
    RSKDISP_GENERATE = 1,            // rskrun1: generate_states
    RSKDISP_POSITION = 2,            // rskrun2: perform_analysis
    RSKDISP_STEP = 3,                // rskrun3: process_vw
    RSKDISP_ROLL_UP = 4,             // rskrun3: roll_up_analysis
    RSKDISP_FINISH = 5,              // rskrun4: perform_analysis
    RSKDISP_OUTPUT = 6,              // rskrun5: output_analysis
    RSKDISP_LEVELS = 7,              // rskputd: process_analysis
};

// The phases of analysis kind `kind`; for a code outside 1 to 17, 11 and 16, or a kind whose
// routines are not built, the dispatcher's internal-error line is given and null is answered.
const RSKPHASES* rsa_phases(int kind, RskDispatcher dispatcher);
