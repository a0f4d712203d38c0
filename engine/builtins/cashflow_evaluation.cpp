// process_cashflow: one position's cash flows in one market state. Times to payment, the yield
// that reproduces the position's value, present values, conversion into the reporting currency,
// gap buckets, Macaulay duration and convexity, the base state's record and the rows. Everything
// per flow lives in the block's own section of the "_cashflow_ buffer".
#include <atomic>
#include <cmath>
#include <cstring>

#include "common/numeric/linalg.h"
#include "engine/builtins/builtin_support.h"
#include "engine/builtins/cashflow_evaluation_parts.h"
#include "engine/run/project_run.h"
#include "host/print.h"

namespace {

constexpr double kTermLimit = 1.3407807929942597e152;
constexpr int32_t kLocalCuts = 64;

// A missing or negative count: 670/3556 for the first 40 of the run, 670/3560 once, then silence.
void count_failure(RSKCFSETTINGS* settings, const RSKCFCALL* call) {
    const int32_t before = std::atomic_ref<int32_t>(settings->failures).fetch_add(1, std::memory_order_relaxed);
    if (before < kRskBuiltinMessageCap)
        xpmlog(670, 3556, call->type_name_length, call->type_name != nullptr ? call->type_name : "");
    else if (before == kRskBuiltinMessageCap)
        xpmlog(670, 3560, kRskBuiltinMessageCap);
}

double at(const double* v, int i) { return v != nullptr ? v[i] : qor::missing(); }

// The yield of the state: flows due on or before the state date leave the price; the others are
// solved for. Missing with a missing price or when no yield above -1 prices the flows.
double state_yield(int n, const double* times, const double* amounts, double price, RSKCFWORK* work) {
    if (qor::is_missing(price)) return qor::missing();
    double target = price;
    int remaining = 0;
    // The remaining flows are gathered in the present-value vector, which is filled afterwards.
    double* kept_times = work->converted;
    double* kept_amounts = work->present_values;
    for (int i = 0; i < n; ++i) {
        const double a = qor::is_missing(amounts[i]) ? 0.0 : amounts[i];
        if (times[i] <= 0.0) {
            target -= a;
            continue;
        }
        kept_times[remaining] = times[i];
        kept_amounts[remaining] = a;
        ++remaining;
    }
    double y;
    rskcf_yield(remaining, kept_times, kept_amounts, target, &y);
    return y;
}

// Conversion of the amounts, the second amounts and the values to sum (step by the flags).
void convert(const RSKCFSETTINGS* settings, const RSKCFCALL* call, RSKCFFLOWS* flows, int n, RSKCFWORK* work,
             double* sum) {
    double total = 0.0;
    const bool curve = call->fx_curve != nullptr && call->fx_curve->points > 0;
    for (int i = 0; i < n; ++i) {
        const double amount = flows->amounts[i];
        const double second = at(flows->second, i);
        if (!settings->convert) {
            work->converted[i] = amount;
            work->converted_second[i] = second;
        } else {
            const double date = flows->dates[i];
            const double rate = curve ? rskcf_rate_at(date, call->state_date, call->rate, call->fx_curve) : call->rate;
            work->converted[i] = qor::is_missing(amount) || qor::is_missing(rate) ? qor::missing() : amount * rate;
            double second_date = at(flows->repricing, i);
            if (qor::is_missing(second_date)) second_date = date;
            const double second_rate = curve ? rskcf_rate_at(second_date, call->state_date, call->rate, call->fx_curve)
                                             : call->rate;
            work->converted_second[i] =
                qor::is_missing(second) || qor::is_missing(second_rate) ? qor::missing() : second * second_rate;
            if (flows->sum_values != nullptr && !qor::is_missing(total)) {
                const double value = flows->sum_values[i];
                total = qor::is_missing(value) || qor::is_missing(rate) ? qor::missing() : total + value * rate;
            }
            continue;
        }
        if (flows->sum_values != nullptr && !qor::is_missing(total))
            total = qor::is_missing(flows->sum_values[i]) ? qor::missing() : total + flows->sum_values[i];
    }
    *sum = total;
}

// The gap buckets: which amount goes where follows the repricing flags and the switch.
void gap(const RSKCFSETTINGS* settings, const RSKCFCALL* call, RSKCFFLOWS* flows, int n, RSKCFWORK* work) {
    const int32_t b = settings->bucket_count;
    double* buckets = call->gap != nullptr ? call->gap : call->cumulative_gap;
    if (buckets == nullptr || b < 1 || settings->cut_points == nullptr) return;
    double local[kLocalCuts];
    double* own = b <= kLocalCuts ? local : static_cast<double*>(builtin_alloc(nullptr, sizeof(double) * static_cast<size_t>(b), "time bucket cut points"));
    if (own == nullptr) return;
    const double* cuts = rskcf_cut_points(settings, call->state_date, call->state_index, own);
    for (int32_t j = 0; j < b; ++j) buckets[j] = 0.0;
    double bucket0 = 0.0, previous = qor::missing();
    int32_t hint = 1;
    const bool positive_switch = !qor::is_missing(flows->switch_value) && flows->switch_value > 0;
    const bool seconds = settings->use_repricing && flows->second != nullptr;
    for (int i = 0; i < n; ++i) {
        double amount = work->converted[i];
        double date = flows->dates[i];
        if (seconds) {
            double repricing = work->repricing[i];
            if (qor::is_missing(repricing)) work->repricing[i] = repricing = date;
            amount = work->converted_second[i];
            if (qor::is_missing(amount) && positive_switch) {
                const double converted = work->converted[i];
                if (qor::is_missing(converted) || !(qor::is_missing(at(flows->repricing, i)) || at(flows->repricing, i) == date))
                    continue;
                amount = work->converted_second[i] = converted;
            }
            date = repricing;
        } else if (settings->use_repricing) {
            if (!positive_switch) continue;
            work->converted_second[i] = amount;
        }
        rskcf_place(settings, cuts, date, amount, buckets, &bucket0, &hint, &previous);
    }
    buckets[0] += bucket0;
    if (own != local) builtin_free(own, sizeof(double) * static_cast<size_t>(b));
    if (call->cumulative_gap != nullptr) {
        double running = 0.0;
        for (int32_t j = 0; j < b; ++j) {
            running += buckets[j];
            call->cumulative_gap[j] = running;
        }
    }
}

// Macaulay duration sum(t PV) / price and convexity sum(t^2 PV) / price over the future flows.
void duration_convexity(const RSKCFSETTINGS* settings, const RSKCFCALL* call, RSKCFFLOWS* flows, int n,
                        const RSKCFWORK* work, double yield) {
    if (!settings->duration && !settings->convexity) {
        if (call->duration != nullptr) *call->duration = qor::missing();
        if (call->convexity != nullptr) *call->convexity = qor::missing();
        return;
    }
    double d = 0.0, c = 0.0;
    bool known = !qor::is_missing(yield) && !qor::is_missing(call->price) && std::fabs(call->price) > kRskCfTiny;
    for (int i = 0; i < n && known; ++i) {
        const double t = work->times[i];
        if (qor::is_missing(flows->amounts[i]) || !(t > 0.0)) continue;
        const double pv = work->present_values[i];
        if (qor::is_missing(pv)) known = false;
        d += t * pv;
        c += t * t * pv;
        if (!(std::fabs(d) < kTermLimit) || !(std::fabs(c) < kTermLimit)) known = false;
    }
    if (call->duration != nullptr) *call->duration = known ? d / call->price : qor::missing();
    if (call->convexity != nullptr) *call->convexity = known ? c / call->price : qor::missing();
}

// The base state's evaluated flows, for the states that reuse its value.
void keep_base(RSKCFSETTINGS* settings, const RSKCFCALL* call, RSKCFFLOWS* flows, int n, const RSKCFWORK* work,
               double yield) {
    RSKCFBASE* base = settings->base;
    if (base == nullptr) return;
    const int kept = n < base->capacity ? n : base->capacity;
    base->count = kept;
    base->yield = yield;
    base->rate = call->rate;
    base->quantity = call->quantity;
    for (int i = 0; i < kept; ++i) {
        base->dates[i] = flows->dates[i];
        base->amounts[i] = flows->amounts[i];
        base->present_values[i] = work->present_values[i];
        base->converted[i] = work->converted[i];
        base->converted_second[i] = work->converted_second[i];
        base->repricing[i] = work->repricing[i];
        base->second[i] = at(flows->second, i);
        base->pass_through[i] = at(flows->pass_through, i);
    }
    const int legs = flows->leg_count < base->leg_count ? flows->leg_count : base->leg_count;
    const size_t per_leg = 3 * static_cast<size_t>(base->capacity);
    for (int l = 0; l < base->leg_count; ++l) {
        base->leg_counts[l] = 0;
        for (size_t k = 0; k < per_leg; ++k) base->legs[static_cast<size_t>(l) * per_leg + k] = qor::missing();
    }
    for (int l = 0; l < legs && flows->legs != nullptr; ++l) {
        const RSKCFLEG& leg = flows->legs[l];
        const double count = qor::is_missing(leg.count) || leg.count < 0 ? 0 : std::trunc(leg.count);
        const int m = count < base->capacity ? static_cast<int>(count) : base->capacity;
        base->leg_counts[l] = m;
        double* out = base->legs + static_cast<size_t>(l) * per_leg;
        for (int k = 0; k < m; ++k) {
            out[k] = at(leg.dates, k);
            out[base->capacity + k] = at(leg.amounts, k);
            out[2 * static_cast<size_t>(base->capacity) + k] = at(leg.third, k);
        }
    }
}

}  // namespace

int process_cashflow(RSKCFSETTINGS* settings, RSKCFWORK* work, const RSKCFCALL* call, RSKCFFLOWS* flows) {
    // 1. The count.
    const double count = flows->count;
    if (qor::is_missing(count) || count < 0) {
        count_failure(settings, call);
        return 1;
    }
    if (std::trunc(count) == 0) return 0;
    int n = count < work->capacity ? static_cast<int>(std::trunc(count)) : work->capacity;

    // 2. Times to payment; repricing dates into the block's copy.
    for (int i = 0; i < n; ++i) {
        const double t = rskcf_years(flows->dates[i], call->state_date);
        work->times[i] = qor::is_missing(t) ? 0.0 : t;
        work->repricing[i] = at(flows->repricing, i);
    }

    // 3. The yield and the present values.
    const double yield = state_yield(n, work->times, flows->amounts, call->price, work);
    const double v = qor::is_missing(yield) ? qor::missing() : 1.0 / (1.0 + yield);
    for (int i = 0; i < n; ++i) {
        const double a = flows->amounts[i];
        const double t = work->times[i];
        if (qor::is_missing(a) || qor::is_missing(v)) {
            work->present_values[i] = qor::missing();
        } else if (t <= 0.0) {
            work->present_values[i] = a;
        } else {
            int error = 0;
            const double factor = zpower(v, t, &error);
            work->present_values[i] = error != 0 || qor::is_missing(factor) ? qor::missing() : a * factor;
        }
    }

    // 4. Conversion, with the legs first.
    double sum = 0.0;
    if (flows->legs != nullptr && flows->leg_count > 0) {
        const RSKCFCURVE* curve = settings->convert ? call->fx_curve : nullptr;
        const double rate = settings->convert ? call->rate : 1.0;
        process_cf_legs(flows->legs, flows->leg_count, nullptr, call->state_date, rate, curve);
    }
    convert(settings, call, flows, n, work, &sum);

    // 5. Gap buckets, duration and convexity, the sum.
    if (settings->gap) gap(settings, call, flows, n, work);
    duration_convexity(settings, call, flows, n, work, yield);
    if (call->sum != nullptr) *call->sum = sum;

    // 6. The base state's record and the rows.
    if (call->state_index < 0) keep_base(settings, call, flows, n, work, yield);
    if (call->rows != nullptr)
        output_cashflow(settings, yield, n, flows->dates, flows->amounts, work->present_values, work->repricing,
                        flows->second, work->converted, work->converted_second, flows->pass_through, call->rate,
                        call->state_index, call->state_date, flows->legs, flows->leg_count, 0, call->quantity,
                        call->rows);
    if (call->yield != nullptr) *call->yield = v;
    const size_t bytes = sizeof(double) * static_cast<size_t>(n);
    std::memset(work->present_values, 0, bytes);
    std::memset(work->converted, 0, bytes);
    std::memset(work->converted_second, 0, bytes);
    return 0;
}

int process_cf_legs(RSKCFLEG* legs, int32_t leg_count, int32_t* numbers, double state_date, double rate,
                    const RSKCFCURVE* fx_curve) {
    for (int32_t l = 0; l < leg_count; ++l) {
        RSKCFLEG& leg = legs[l];
        const double count = qor::is_missing(leg.count) || leg.count < 0 ? 0 : std::trunc(leg.count);
        const int32_t n = count < 2147483647.0 ? static_cast<int32_t>(count) : 0;
        if (numbers != nullptr) numbers[l] = n;
        if (n <= 0 || leg.dates == nullptr || leg.amounts == nullptr) continue;
        for (int32_t k = 0; k < n; ++k) {
            if (qor::is_missing(leg.amounts[k])) continue;
            const double r = rskcf_rate_at(leg.dates[k], state_date, rate, fx_curve);
            leg.amounts[k] = qor::is_missing(r) ? qor::missing() : leg.amounts[k] * r;
        }
    }
    return 0;
}
