// The slots of one entry's statistics in a cell record, read and written byte for byte (cells
// sit at 4-byte aligned offsets in aggregation members), and the line of an unknown code.
#pragma once
#include <cstdint>
#include <cstring>

#include "engine/analyses/instrument_statistics.h"
#include "engine/output/result_datasets.h"
#include "engine/run/run_block.h"

// The eight doubles of entry `entry` of the run's statistics table in `cell`.
struct RskStatSlots {
    uint8_t* base;

    RskStatSlots(RSKCON* con, void* cell, int32_t entry)
        : base(static_cast<uint8_t*>(cell) + con->run_block->results_header + kRskStatisticBytes * entry) {}
    double get(int32_t slot) const {
        double value;
        std::memcpy(&value, base + 8 * slot, sizeof value);
        return value;
    }
    void set(int32_t slot, double value) const { std::memcpy(base + 8 * slot, &value, sizeof value); }
};

// The internal-error line "<routine>: unknown stat code <code> for <variable>".
void rsk_stat_unknown(const char* routine, const RSKINSTSTAT& row);
