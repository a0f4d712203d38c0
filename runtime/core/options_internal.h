// Runtime-internal side of the host options: option descriptions, whole-registry snapshots and
// an all-or-nothing update used by the OPTIONS statement and around submitted code.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "host/export.h"

namespace qor::runtime {

enum class OptionKind { Boolean, Integer, Text };

// What an option accepts: integers lie in [minimum, maximum]; texts have a length in
// [min_length, max_length].
struct OptionInfo {
    std::string name;          // upper case
    OptionKind kind = OptionKind::Boolean;
    long minimum = 0;
    long maximum = 0;
    size_t min_length = 0;
    size_t max_length = 0;
};

// One option's value; only the member of its kind is meaningful.
struct OptionValue {
    std::string name;          // upper case
    OptionKind kind = OptionKind::Boolean;
    bool boolean = false;
    long integer = 0;
    std::string text;
};

// Every option's value at one moment.
struct OptionSnapshot {
    std::vector<OptionValue> values;
};

// Look an option up by name (any case); false when there is none.
QOR_HOST_API bool option_info(std::string_view name, OptionInfo* info);

// Check every value against its option, then store them all under one lock; nothing is stored
// when one value is refused. Returns a QOR_OPT_* code and, on failure, the index of the value.
QOR_HOST_API int options_apply(const std::vector<OptionValue>& values, size_t* failed_index);

}  // namespace qor::runtime

// Save and restore the whole registry (the host sets NOTES and SOURCE around submitted code).
QOR_HOST_API qor::runtime::OptionSnapshot qor_options_snapshot();
QOR_HOST_API int qor_options_restore(const qor::runtime::OptionSnapshot& snapshot);
// Every option back to its start-up default (a new run, and tests).
QOR_HOST_API void qor_options_reset();
