// Where a project run placed a variable: its offsets in the run's vectors, the marks that say
// which vectors hold it, and the addresses its value has there while the run lasts.
#pragma once
#include <cstddef>
#include <cstdint>

constexpr int kRskMarketVectors = 6;   // current, saved base, initial copy, fourth, fifth, sixth

struct RSKVARRUN {
    int32_t state_offset;            // byte offset in a market vector; -1 none
    int32_t row_offset;              // double offset in a pricing results row; -1 none
    int32_t record_offset;           // byte offset in the instrument record; -1 none
    uint16_t placed_in_state;        // the market-state part of the vector holds it
    uint16_t placed_in_row;          // the pricing results row holds it
    uint16_t state_output;           // written with the state's output
    uint16_t counted;                // its first use in the run was counted
    uint32_t flags_added;            // dependency flags the run set; taken back when it ends
    // The run slot addresses, cleared by rskmemf: the instrument record (or, for a variable
    // outside it, the instruments buffer), the six market vectors and rows 0 and 1 of the
    // pricing results vector.
    void* record_address;
    void* state_address[kRskMarketVectors];
    double* row_address[2];
    // Buffers of the cash-flow and delta-gamma variables (value and reference copies).
    void* buffers[2];
    size_t buffer_bytes;             // bytes of one copy; 0 after a failed sizing
    int32_t capacity;                // entries one copy holds
};
