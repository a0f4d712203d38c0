// What the pricing of positions keeps for a run: the decision vector and status bytes of the
// states, the current position's attributes, its base results and the run's pricing switches.
#pragma once
#include <cstdint>

struct RSKINSTTYPE;
struct RSKVARIABLE;
struct RSKRESDS;
struct RSKANLPROC;

// Decisions of rskex0, one per state.
enum : int32_t { RSKDEC_PRICE = 0, RSKDEC_BASE = 1, RSKDEC_REPRESENTATIVE = 2 };
// Status bytes of the pricing loop, one per state.
enum : uint8_t {
    RSKST_PRICED = 1,            // the program ran in the state
    RSKST_BASE = 2,              // not priced: the base value
    RSKST_UNCONDITIONAL = 3,     // not priced, simulation: the unconditional state's value
    RSKST_REPRESENTATIVE = 4     // not priced, simulation: the representative state's value
};
// Failure messages of pricing printed per run (598/3404 and the internal errors).
constexpr int32_t kRskPricingMessageCap = 10;
// A price beyond this magnitude is missing.
constexpr double kRskPriceLimit = 1.934281311e23;
// Factors and divisors at or below this magnitude give missing derived values.
constexpr double kRskTinyFactor = 1.110223024625157e-16;

struct RSKPRICERUN {
    // Per state (from the run pool, sized for the run's states by rskex_alloc).
    int32_t* decisions;
    uint8_t* status;
    // Per-block market vectors, used when a phase-2 action reads a variable that a buffered state
    // does not hold (no change bit): each state is copied over the block's full vector.
    uint8_t full_vectors;
    // Reported pricing failures of the run (598/3404, internal errors); messages while below 10.
    // Counted by the calling thread as it writes the blocks' lines, in state order.
    int32_t failures;
    // Valuation counters of the run, raised by the pricing threads (atomic updates).
    int64_t priced;
    int64_t reused;
    int64_t priced_base;             // base pricings
    double seconds;                  // total pricing seconds

    // The current position, set by the position loop before pricing.
    RSKINSTTYPE* type;
    double quantity;
    int32_t sign;                    // a negative sign flips values
    uint8_t short_position;
    uint8_t second_only;             // the value goes to the second column only
    uint8_t keep_negative;
    uint8_t skip;                    // not priced: every value missing
    uint8_t not_written;             // no valuation observation
    uint8_t cached;                  // prices reused from a cached identical instrument
    double cached_quantity;
    uint8_t cached_short;
    int32_t cached_sign;
    int32_t positions_read;          // positions read so far (debug notes for the first 50)
    uint8_t debug;                   // the run's debug flag

    // Base results of the position.
    double base_value[2];            // for the analyses and for the valuation output
    double base_second[2];
    double base_raw;                 // the unscaled base value
    double base_weight;              // 1.0 without a weight variable
    uint8_t weight_present;
    uint8_t base_in_progress;
    uint8_t base_restored;           // the saved base vector was copied in for this run
    uint8_t bound;                   // the blocks are bound to their program instances
    // The instance that keeps what phase 1 and the base state left in block 0's instance (its
    // locals and own matrices): copied into every block after the base state and into a block's
    // instance before each state it prices.
    struct cmp_instance* snapshot;

    // Run switches read by the pricing.
    uint8_t per_state_masks;         // re-pricing avoidance looks at each state's own mask
    uint8_t state_weights;           // each state carries a weight (at weight_offset)
    int32_t weight_offset;
    RSKVARIABLE* weight_variable;    // the run's weight variable, or null
    RSKANLPROC* results;             // the analysis results in state order
    RSKRESDS* position_sets[2];      // the two position result data sets (kinds 115, 116)
    RSKRESDS* base_set;              // the base valuation data set
    int32_t state_header[9];         // the nine header words output_obs writes
    uint8_t* needed_mask;            // the position's needed-factor mask (mask_bytes)
    // Per instrument type (by run number): a built flag and the type's needed-factor mask.
    uint8_t* type_masks;
};
