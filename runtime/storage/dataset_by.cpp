// BY-group reading: each observation comes with the first. and last. flags of the BY
// variables; sorted mode stops at an observation out of BY order, consecutive mode groups equal
// neighbours in any order. The current group can be read again from its first observation.
#include <cstring>
#include <new>
#include <vector>

#include "host/missing.h"
#include "host/print.h"
#include "runtime/core/service_guard.h"
#include "runtime/storage/dataset_internal.h"

using namespace qor::runtime;

struct qor_byreader {
    qor_dataset* dataset;
    std::vector<int> indexes;         // BY variables' layout indexes
    std::vector<bool> descending;
    std::vector<unsigned char> previous;  // BY bytes of the observation before, in BY order
    bool have_previous = false;
    bool consecutive = false;         // group equal neighbours without the order check
    int64_t group_start = 0;          // first observation of the current group; 0 before any
    std::vector<unsigned char> scratch;
};

namespace {

// Order of missing values: ._ first, then ., then .A to .Z; all below every number.
int missing_rank(double x) {
    int code = qor::missing_code(x);
    if (code == '_') return 0;
    if (code == 0) return 1;
    return 2 + (code - 'A');
}

int compare_numbers(double a, double b) {
    bool ma = qor::is_missing(a), mb = qor::is_missing(b);
    if (ma || mb) {
        if (ma && mb) return missing_rank(a) - missing_rank(b);
        return ma ? -1 : 1;
    }
    return a < b ? -1 : a > b ? 1 : 0;
}

// Compares the stored values of BY variable v in two observations.
int compare_values(const ds_variable& v, const unsigned char* a, const unsigned char* b) {
    if (v.type == QOR_VAR_NUMERIC)
        return compare_numbers(ds_load_number(a, v.length), ds_load_number(b, v.length));
    return std::memcmp(a, b, static_cast<size_t>(v.length));
}

// The BY bytes of a record, one variable after the other.
void gather(const qor_byreader* r, const unsigned char* record, std::vector<unsigned char>* out) {
    out->clear();
    for (int index : r->indexes) {
        const ds_variable& v = r->dataset->layout.variables[static_cast<size_t>(index)];
        out->insert(out->end(), record + v.offset, record + v.offset + v.length);
    }
}

}  // namespace

int xvbyi(qor_dataset* dataset, int count, const int* numbers, const bool* descending,
          qor_byreader** out) try {
    if (out != nullptr) *out = nullptr;
    if (dataset == nullptr || out == nullptr || (count > 0 && numbers == nullptr))
        return QOR_DS_NULL_ARGUMENT;
    if (dataset->access == QOR_OPEN_OUTPUT) return QOR_DS_WRONG_MODE;
    if (count < 1) return QOR_DS_BAD_REQUEST;
    auto* reader = new (std::nothrow) qor_byreader{};
    if (reader == nullptr) return QOR_DS_NO_STORAGE;
    reader->dataset = dataset;
    for (int i = 0; i < count; ++i) {
        if (numbers[i] < 1 || static_cast<size_t>(numbers[i]) > dataset->layout.variables.size()) {
            delete reader;
            return QOR_DS_NOT_FOUND;
        }
        reader->indexes.push_back(numbers[i] - 1);
        reader->descending.push_back(descending != nullptr && descending[i]);
    }
    *out = reader;
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xybyget(qor_byreader* reader, bool* first, bool* last) try {
    if (reader == nullptr || first == nullptr || last == nullptr) return QOR_DS_NULL_ARGUMENT;
    qor_dataset* ds = reader->dataset;
    if (ds->next > ds->layout.observations) return QOR_DS_END_OF_DATA;
    if (int rc = ds_make_current(ds, ds->next)) return rc;
    const unsigned char* record = ds->current_bytes;
    const unsigned char* following = nullptr;
    if (ds->current < ds->layout.observations) {
        following = ds_peek(ds, ds->current + 1, &reader->scratch);
        if (following == nullptr) return QOR_DS_IO_ERROR;
    }
    const ds_layout& layout = ds->layout;
    bool changed_before = !reader->have_previous;
    bool changed_after = following == nullptr;
    size_t at = 0;
    for (size_t i = 0; i < reader->indexes.size(); ++i) {
        const ds_variable& v = layout.variables[static_cast<size_t>(reader->indexes[i])];
        const unsigned char* here = record + v.offset;
        if (!changed_before) {
            int order = compare_values(v, reader->previous.data() + at, here);
            if (reader->descending[i]) order = -order;
            if (order > 0 && !reader->consecutive) {
                xpslog("%1zThe data set %s is not sorted by %s: observation %lli is out of order.",
                       ds->name.c_str(), v.name.c_str(), static_cast<long long>(ds->current));
                return QOR_DS_NOT_SORTED;
            }
            changed_before = order != 0;
        }
        if (!changed_after)
            changed_after = compare_values(v, following + v.offset, here) != 0;
        first[i] = changed_before;
        last[i] = changed_after;
        at += static_cast<size_t>(v.length);
    }
    if (changed_before) reader->group_start = ds->current;
    gather(reader, record, &reader->previous);
    reader->have_previous = true;
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xvbycon(qor_byreader* reader, int consecutive) {
    if (reader == nullptr) return QOR_DS_NULL_ARGUMENT;
    reader->consecutive = consecutive != 0;
    return 0;
}

int xvbyrew(qor_byreader* reader) {
    if (reader == nullptr) return QOR_DS_NULL_ARGUMENT;
    if (reader->group_start < 1) return QOR_DS_NO_CURRENT;
    // The group's first observation is read next, and with no observation before it every
    // BY variable starts a group again.
    reader->dataset->next = reader->group_start;
    reader->have_previous = false;
    return 0;
}

int xvbyt(qor_byreader* reader) {
    delete reader;
    return 0;
}
