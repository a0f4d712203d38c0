// Reading lagged values before a run: the market data is read at each earlier date of the time
// line and each lagged variable keeps the value read at its lag points; the risk factors' own
// values, the run's saved values and the market data are put back as they were on every path.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/model/control/entry_table.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/lags/lags.h"
#include "engine/model/services/files.h"
#include "engine/model/timegrids/time_grids.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variable_texts.h"
#include "engine/run/run_block.h"
#include "host/dates.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

// The date `years` before `date`.
double years_back(double date, double years) { return std::floor(date - kRskDaysPerYear * years); }

// "01JAN2020" for messages; "." for a date that cannot be shown.
int date_text(double date, char* text, size_t size) {
    static const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                                          "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    int month = 0, day = 0, year = 0;
    if (zidmdyd(&month, &day, &year, date) != 0) return std::snprintf(text, size, ".");
    return std::snprintf(text, size, "%02d%s%04d", day, kMonths[month - 1], year);
}

// Bytes of a risk factor's own value: the whole storage, but only the current value (index 0)
// of a lagged variable, whose other elements are the lagged values being read.
size_t own_value_bytes(const RSKVARIABLE* v) {
    if (v->value == nullptr) return 0;
    if ((v->flags2 & RSKF2_LAG_GRID) && v->lag_grid != nullptr) return sizeof(double);
    return v->storage_size;
}

// The current values of every risk factor, one after the other, in a block of the general pool.
struct SavedValues {
    unsigned char* block = nullptr;
    size_t bytes = 0;
};

int save_values(RSKCON* con, SavedValues* saved) {
    const RSKRTLIST& factors = con->runtime_tables->factor_list;
    for (RSKVARLINK* link = factors.head; link != nullptr; link = link->next)
        if (link->variable != nullptr) saved->bytes += own_value_bytes(link->variable);
    if (saved->bytes == 0) return 0;
    saved->block = static_cast<unsigned char*>(vmalcp_handler(con->general_pool, saved->bytes, QOR_ALLOC_PLAIN));
    if (saved->block == nullptr) {
        rsknomem(con, saved->bytes, "saved risk factor values");
        return 1;
    }
    unsigned char* at = saved->block;
    for (RSKVARLINK* link = factors.head; link != nullptr; link = link->next) {
        if (link->variable == nullptr) continue;
        const size_t n = own_value_bytes(link->variable);
        if (n > 0) std::memcpy(at, link->variable->value, n);
        at += n;
    }
    return 0;
}

void restore_values(RSKCON* con, SavedValues* saved) {
    if (saved->block != nullptr) {
        const unsigned char* at = saved->block;
        for (RSKVARLINK* link = con->runtime_tables->factor_list.head; link != nullptr; link = link->next) {
            if (link->variable == nullptr) continue;
            const size_t n = own_value_bytes(link->variable);
            if (n > 0) std::memcpy(link->variable->value, at, n);
            at += n;
        }
        vmfree_handler(con->general_pool, saved->block, saved->bytes, QOR_FREE_SIZED);
        saved->block = nullptr;
    }
    RSKRUNBLOCK* run = con->run_block;
    if (run->saved_values != nullptr && run->saved_values_target != nullptr && run->saved_values_bytes > 0)
        std::memcpy(run->saved_values_target, run->saved_values, run->saved_values_bytes);
}

// Step 1: every lagged variable waits for all its points but the first; their values are missing.
void clear_lagged_values(RSKCON* con) {
    for (RSKVARLINK* link = con->runtime_tables->lagged_list.head; link != nullptr; link = link->next) {
        RSKVARIABLE* v = link->variable;
        if (v == nullptr || v->lag_grid == nullptr || v->value == nullptr) continue;
        const int n = static_cast<int>(v->lag_grid->count) + 1;
        v->lag_pending = n - 1;
        auto* values = static_cast<double*>(v->value);
        for (int i = 1; i < n; ++i) values[i] = qor::missing();
    }
}

// Step 4 for one lagged variable and the values just read at `age`: the next pending point
// takes the current value when the date read is the wanted one; points the line has passed
// (an age met twice in a grid) stay missing.
void take_lagged_value(RSKVARIABLE* v, double age, bool same_day) {
    if (v->lag_grid == nullptr || v->lag_grid->times == nullptr || v->value == nullptr) return;
    const double* t = v->lag_grid->times;
    const int n = static_cast<int>(v->lag_grid->count) + 1;
    auto* values = static_cast<double*>(v->value);
    while (v->lag_pending > 0 && t[n - v->lag_pending] < age) --v->lag_pending;
    if (v->lag_pending > 0 && t[n - v->lag_pending] == age) {
        if (same_day) values[n - v->lag_pending] = values[0];
        --v->lag_pending;
    }
}

void close_market_data(RSKCON* con, mds* context) {
    own_engine_routine<EngineSlot::rskmdsc>()(con, context);
}

}  // namespace

int read_lag_values(RSKCON* con, const RSKLAGREADER* reader) {
    RSKRUNBLOCK* run = con->run_block;
    if (run == nullptr || run->market_data == nullptr || run->lag_values_read) {
        xpmlog(598, 1960);
        return 1;
    }
    clear_lagged_values(con);
    if (run->time_line == nullptr) return 0;
    mds* market = run->market_data;
    const double base = run->base_date;
    double wanted = years_back(base, run->time_line->time);
    int rc = reader->position(con, market, wanted);
    if (rc != 0) {
        char date[16];
        const int date_length = date_text(wanted, date, sizeof date);
        xpmlog(598, 1962, static_cast<int>(market->member_length), market->member, date_length, date);
        close_market_data(con, market);
        return rc;
    }
    SavedValues saved;
    if (save_values(con, &saved) != 0) {
        restore_values(con, &saved);
        close_market_data(con, market);
        return 1;
    }
    for (const RSKLAG* entry = run->time_line->next; entry != nullptr; entry = entry->next) {
        wanted = years_back(base, entry->time);
        double read = qor::missing();
        const int step = reader->read(con, market, wanted, &read);
        if (step == 1) break;
        if (step != 0) {
            rc = step;
            break;
        }
        const bool same_day = !qor::is_missing(read) && std::fabs(read - wanted) <= 1;
        for (RSKVARLINK* link = con->runtime_tables->lagged_list.head; link != nullptr; link = link->next)
            if (link->variable != nullptr) take_lagged_value(link->variable, entry->time, same_day);
    }
    restore_values(con, &saved);
    close_market_data(con, market);
    if (rc == 0) run->lag_values_read = 1;
    return rc;
}

int rsklagr(RSKCON* con) {
    if (con->run_block == nullptr || con->runtime_tables == nullptr) return 1;
    int rc = setup_time_line(con);
    if (rc != 0) return rc;
    if (con->runtime_tables->lagged_list.count < 1 || !con->run_block->lag_values_wanted) return 0;
    static const RSKLAGREADER kMarketData = {&rskmds0, &rskmds2};
    rc = read_lag_values(con, &kMarketData);
    if (rc != 0) xpmlog(598, 1961);
    return rc;
}
