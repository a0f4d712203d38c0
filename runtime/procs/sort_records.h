// Sorting stored observations by BY keys: the missing-aware key order, a stable sort in memory
// up to a byte limit, and beyond it sorted runs in a directory merged in passes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/procs/record_io.h"

namespace qor::runtime {

// One BY key: where it sits in a stored observation and how it orders.
struct SortKey {
    int offset = 0;
    int length = 8;
    bool numeric = true;
    bool descending = false;
};

// A number's place in the sort order as an unsigned integer: ._ < . < .A < ... < .Z < every
// number (numbers by value, -0 equal to 0); any other NaN counts as '.'.
uint64_t number_rank(double value);

// Three-way comparison of two stored observations by the keys: numbers by number_rank,
// characters byte by byte; a descending key reverses its comparison.
class RecordOrder {
public:
    explicit RecordOrder(std::vector<SortKey> keys);
    int compare(const unsigned char* a, const unsigned char* b) const;
    // The first 16 bytes of the keys in a form that orders as compare() does (numbers as their
    // rank, descending keys inverted), as two big-endian words: most comparisons of a sort need
    // no look at the observations, and none when prefix_decides().
    void prefix(const unsigned char* record, uint64_t out[2]) const;
    bool prefix_decides() const { return prefix_decides_; }

private:
    std::vector<SortKey> keys_;
    bool prefix_decides_ = false;
};

struct SortResult {
    int64_t observations = 0;
    size_t runs = 0;          // sorted runs written (0: the sort fitted in memory)
    int merge_passes = 0;     // passes over the runs, the final one included
};

// Reads every observation the reader delivers and hands them, sorted stably by the order, to
// the sink. Up to `memory_limit` bytes (observations and their sort entries) are sorted in
// memory; more goes to sorted runs in `run_directory` that are merged, at most `fan_in` at a
// time. false after a logged failure (the reader's, the sink's, or writing the runs).
bool sort_records(RecordReader& reader, const RecordOrder& order, size_t memory_limit,
                  const std::string& run_directory, size_t fan_in,
                  const std::function<bool(const unsigned char*)>& sink, const char* proc,
                  SortResult* result);

}  // namespace qor::runtime
