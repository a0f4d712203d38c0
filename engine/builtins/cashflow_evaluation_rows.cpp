// The rows of the cash-flow result data set: kept per pricing block while states are priced
// (output_cashflow, output_baseCF) and written by the calling thread in state order after the
// wait; the base state's record that reused states write again.
#include <cmath>
#include <cstring>

#include "engine/builtins/builtin_support.h"
#include "engine/builtins/cashflow_evaluation.h"
#include "engine/output/result_datasets.h"
#include "engine/run/run_block.h"

namespace {

double at(const double* v, int i) { return v != nullptr ? v[i] : qor::missing(); }

double product(double a, double b) { return qor::is_missing(a) || qor::is_missing(b) ? qor::missing() : a * b; }

// Room for one more row (and its leg values); false after 598/2797.
bool reserve(RSKCFROWS* rows, int32_t leg_count) {
    if (rows->failed) return false;
    if (rows->count > 0 && rows->leg_count != leg_count) {
        rows->failed = 1;
        return false;
    }
    rows->leg_count = leg_count;
    if (rows->count < rows->capacity) return true;
    const int32_t capacity = rows->capacity > 0 ? 2 * rows->capacity : 64;
    const size_t row_bytes = sizeof(RSKCFROW) * static_cast<size_t>(capacity);
    const size_t leg_bytes = sizeof(double) * 3 * static_cast<size_t>(leg_count) * static_cast<size_t>(capacity);
    auto* grown = static_cast<RSKCFROW*>(builtin_alloc(nullptr, row_bytes, "cash flow rows"));
    auto* legs = leg_bytes > 0 && grown != nullptr ? static_cast<double*>(builtin_alloc(nullptr, leg_bytes, "cash flow rows"))
                                                   : nullptr;
    if (grown == nullptr || (leg_bytes > 0 && legs == nullptr)) {
        builtin_free(grown, row_bytes);
        rows->failed = 1;
        return false;
    }
    if (rows->count > 0) {
        std::memcpy(grown, rows->rows, sizeof(RSKCFROW) * static_cast<size_t>(rows->count));
        if (leg_bytes > 0)
            std::memcpy(legs, rows->legs, sizeof(double) * 3 * static_cast<size_t>(leg_count) * static_cast<size_t>(rows->count));
    }
    rskcf_rows_free(rows);
    rows->rows = grown;
    rows->legs = legs;
    rows->capacity = capacity;
    return true;
}

// A leg's count as a whole number of flows (0 when missing or negative).
int32_t leg_flows(double count) {
    if (qor::is_missing(count) || !(count > 0)) return 0;
    return count < 2147483647.0 ? static_cast<int32_t>(std::trunc(count)) : 2147483647;
}

}  // namespace

int output_cashflow(const RSKCFSETTINGS* settings, double yield, int32_t count, const double* dates,
                    const double* amounts, const double* present_values, const double* repricing,
                    const double* second, const double* converted, const double* converted_second,
                    const double* pass_through, double rate, int32_t state_index, double state_date,
                    const RSKCFLEG* legs, int32_t leg_count, int legs_from_base, double quantity, RSKCFROWS* rows) {
    if (rows == nullptr) return 0;
    const RSKCFBASE* base = settings != nullptr ? settings->base : nullptr;
    if (legs_from_base) leg_count = base != nullptr ? base->leg_count : 0;
    int32_t r = count > 0 ? count : 0;
    for (int32_t l = 0; l < leg_count; ++l) {
        const int32_t m = legs_from_base ? base->leg_counts[l] : (legs != nullptr ? leg_flows(legs[l].count) : 0);
        if (m > r) r = m;
    }
    for (int32_t k = 0; k < r; ++k) {
        if (!reserve(rows, leg_count)) return 1;
        RSKCFROW& row = rows->rows[rows->count];
        row.cf_number = k + 1;
        row.yield = yield;
        row.state_number = state_index < 0 ? 0 : state_index + 1;
        row.date = state_date;
        const bool flow = k < count;
        row.mat_date = flow ? at(dates, k) : qor::missing();
        row.mat_amount = flow ? at(amounts, k) : qor::missing();
        row.disc_amount = flow ? product(product(at(present_values, k), quantity), rate) : qor::missing();
        row.rep_date = flow ? at(repricing, k) : qor::missing();
        row.rep_amount = flow ? at(second, k) : qor::missing();
        row.cf_note = flow ? at(pass_through, k) : qor::missing();
        row.ret_mat_amt = flow ? product(at(converted, k), quantity) : qor::missing();
        row.ret_rep_amt = flow ? product(at(converted_second, k), quantity) : qor::missing();
        double* out = rows->legs + 3 * static_cast<size_t>(leg_count) * static_cast<size_t>(rows->count);
        for (int32_t l = 0; l < leg_count; ++l) {
            double* v = out + 3 * l;
            v[0] = v[1] = v[2] = qor::missing();
            if (legs_from_base) {
                if (k >= base->leg_counts[l]) continue;
                const double* vectors = base->legs + 3 * static_cast<size_t>(base->capacity) * static_cast<size_t>(l);
                v[0] = vectors[k];
                v[1] = product(vectors[base->capacity + k], quantity);
                v[2] = vectors[2 * static_cast<size_t>(base->capacity) + k];
            } else if (legs != nullptr && k < leg_flows(legs[l].count)) {
                v[0] = at(legs[l].dates, k);
                v[1] = product(at(legs[l].amounts, k), quantity);
                v[2] = at(legs[l].third, k);
            }
        }
        ++rows->count;
    }
    return 0;
}

int output_baseCF(const RSKCFSETTINGS* settings, int32_t state_index, double state_date, RSKCFROWS* rows) {
    const RSKCFBASE* base = settings != nullptr ? settings->base : nullptr;
    if (base == nullptr || (base->count <= 0 && base->leg_count <= 0)) return 0;
    return output_cashflow(settings, base->yield, base->count, base->dates, base->amounts, base->present_values,
                           base->repricing, base->second, base->converted, base->converted_second, base->pass_through,
                           base->rate, state_index, state_date, nullptr, base->leg_count, 1, base->quantity, rows);
}

int rskcf_write_rows(RSKCON* con, RSKCFROWS* rows, RSKRESDS* resds) {
    int rc = rows->failed ? 1 : 0;
    RSKRUNRESULTS* results = rskres_run(con);
    if (results != nullptr && resds != nullptr && resds->open) {
        RSKROWVALUES& w = results->row;
        const int32_t legs = rows->leg_count < results->leg_count ? rows->leg_count : results->leg_count;
        for (int32_t i = 0; i < rows->count; ++i) {
            const RSKCFROW& row = rows->rows[i];
            w.cf_number = row.cf_number;
            w.yield = row.yield;
            w.state_number = row.state_number;
            w.date_ = row.date;
            w.mat_date = row.mat_date;
            w.mat_amount = row.mat_amount;
            w.disc_amount = row.disc_amount;
            w.rep_date = row.rep_date;
            w.rep_amount = row.rep_amount;
            w.cf_note = row.cf_note;
            w.ret_mat_amt = row.ret_mat_amt;
            w.ret_rep_amt = row.ret_rep_amt;
            if (results->leg_slots != nullptr)
                for (int32_t l = 0; l < 3 * legs; ++l)
                    results->leg_slots[l] = rows->legs[3 * static_cast<size_t>(rows->leg_count) * static_cast<size_t>(i) + l];
            if (rskput(con, resds) != 0) rc = 1;
        }
    }
    rows->count = 0;
    rows->failed = 0;
    return rc;
}

void rskcf_rows_free(RSKCFROWS* rows) {
    builtin_free(rows->rows, sizeof(RSKCFROW) * static_cast<size_t>(rows->capacity));
    builtin_free(rows->legs, sizeof(double) * 3 * static_cast<size_t>(rows->leg_count) * static_cast<size_t>(rows->capacity));
    rows->rows = nullptr;
    rows->legs = nullptr;
    rows->capacity = 0;
}

RSKCFBASE* rskcf_base_alloc(RSKCON* con, int32_t flows, int32_t legs) {
    if (flows < 1) flows = 1;
    if (legs < 0) legs = 0;
    const size_t n = static_cast<size_t>(flows);
    const size_t bytes = sizeof(RSKCFBASE) + sizeof(double) * 8 * n + sizeof(int32_t) * static_cast<size_t>(legs) +
                         sizeof(double) * 3 * n * static_cast<size_t>(legs) + sizeof(double);
    auto* block = static_cast<uint8_t*>(builtin_alloc(con, bytes, "Base Case Cash Flow Legs"));
    if (block == nullptr) return nullptr;
    std::memset(block, 0, bytes);
    auto* base = reinterpret_cast<RSKCFBASE*>(block);
    // The vectors follow the record, aligned for doubles.
    const size_t head = (sizeof(RSKCFBASE) + sizeof(double) - 1) / sizeof(double) * sizeof(double);
    auto* v = reinterpret_cast<double*>(block + head);
    base->capacity = flows;
    double** vectors[8] = {&base->dates, &base->amounts, &base->present_values, &base->converted,
                           &base->converted_second, &base->repricing, &base->second, &base->pass_through};
    for (double** p : vectors) {
        *p = v;
        v += n;
    }
    base->legs = v;
    v += 3 * n * static_cast<size_t>(legs);
    base->leg_counts = reinterpret_cast<int32_t*>(v);
    base->leg_count = legs;
    base->yield = qor::missing();
    return base;
}

void rskcf_base_free(RSKCFBASE* base) {
    if (base == nullptr) return;
    const size_t n = static_cast<size_t>(base->capacity);
    const size_t bytes = sizeof(RSKCFBASE) + sizeof(double) * 8 * n + sizeof(int32_t) * static_cast<size_t>(base->leg_count) +
                         sizeof(double) * 3 * n * static_cast<size_t>(base->leg_count) + sizeof(double);
    builtin_free(base, bytes);
}
