// The rate routines of the drivers without a project (and of the project run): opening and closing
// the market data, preparing the market vectors, building the current market state and printing it.
#include <cstring>
#include <initializer_list>

#include "engine/model/arrays/arrays.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/fx/fx_matrix.h"
#include "engine/model/lags/lags.h"
#include "engine/model/names/name_records.h"
#include "engine/model/services/files.h"
#include "engine/model/variables/value_cells.h"
#include "engine/model/variables/variables.h"
#include "engine/run/mark_to_market.h"
#include "engine/run/market_state.h"
#include "engine/run/run_storage.h"
#include "host/dataset.h"
#include "host/missing.h"
#include "host/options.h"
#include "host/print.h"

namespace {

constexpr char kStateCheck[4] = {'Z', 'O', 'Z', 'U'};
constexpr int16_t kNoAnalysisNumber = -1;    // 0xFFFF
constexpr int16_t kBaseCaseKind = 5600;
constexpr int16_t kNoIndex = -1;             // 0xFFFF
// Open types of the three market data sets.
constexpr int kOpenTypes[RSKRATE_SETS] = {1, 5, 3};

bool is_market(const RSKVARIABLE* v) { return v->kind == RSKVKIND_FACTOR || v->kind == RSKVKIND_STATE; }
bool is_array(const RSKVARIABLE* v) { return v->data_type == RSKDTYPE_ARRAY; }

// A market variable's value during a run: its slot in the current market vector, else its own
// storage.
void* current_slot(const RSKVARIABLE* v) {
    if (v == nullptr) return nullptr;
    return v->run.state_address[0] != nullptr ? v->run.state_address[0] : v->value;
}

void set_number(RSKVARIABLE* v, double x) {
    if (void* at = current_slot(v)) std::memcpy(at, &x, sizeof x);
    if (v != nullptr && v->value != nullptr && v->value != current_slot(v)) std::memcpy(v->value, &x, sizeof x);
}

double number_of(const RSKVARIABLE* v) {
    double x = qor::missing();
    if (const void* at = current_slot(v)) std::memcpy(&x, at, sizeof x);
    return x;
}

// The variable's start value by storage type, in its own storage and in its vector slot.
void initialise(RSKVARIABLE* v) {
    rskvali(v);
    if (v->run.state_address[0] == nullptr || v->run.state_address[0] == v->value) return;
    void* own = v->value;
    v->value = v->run.state_address[0];
    rskvali(v);
    v->value = own;
}

bool host_option(const char* name) {
    int on = 0;
    return xoptbgt(name, &on) == 0 && on != 0;
}

// The descriptor of set k, taken from the run pool on first use (the run storage frees it).
mds* rate_set(RSKCON* con, int k) {
    RSKRUNBLOCK* run = con->run_block;
    if (run->rate_sets[k] == nullptr)
        run->rate_sets[k] = static_cast<mds*>(
            rskmem_alloc(con, sizeof(mds), "market data sets", RSKMEM_STATE_BUFFER, 1));
    return run->rate_sets[k];
}

bool has_lag(const RSKCON* con) {
    for (const RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if ((v->flags2 & RSKF2_LAG_GRID) != 0) return true;
    return false;
}

// Opens set k; a failure is worth `found` when no definition matched (opener code 2), else 99.
int open_set(RSKCON* con, int k, int found) {
    mds* set = rate_set(con, k);
    if (set == nullptr) return 99;
    const int rc = rskmdso(con, set, kOpenTypes[k], nullptr, nullptr, nullptr, nullptr);
    if (rc == 0) return 0;
    return rc == 2 ? found : 99;
}

}  // namespace

int rskrato(RSKCON* con, double run_date) {
    RSKRUNBLOCK* run = con->run_block;
    run->run_date2 = run_date;
    int sum = 0;
    int rc = open_set(con, RSKRATE_CURRENT, 2);
    if (rc != 0) xpmlog(598, 2405);
    sum += rc;
    sum += open_set(con, RSKRATE_STD, 1);
    if (con->variables_head != nullptr && has_lag(con)) run->time_series_needed = 1;
    if (run->time_series_needed) {
        rc = open_set(con, RSKRATE_LAGS, 2);
        if (rc != 0) {
            xpmlog(598, 2408);
        } else {
            // The lag reader positions and closes this series itself.
            run->market_data = run->rate_sets[RSKRATE_LAGS];
            run->lag_values_wanted = 1;
        }
        sum += rc;
    }
    return sum;
}

int64_t rsk_rate_observations(RSKCON* con, mds* set) {
    if (set == nullptr || !set->open || set->data == nullptr) return 0;
    int64_t count = -1;
    if (xoinfo(set->data, QOR_INFO_OBSERVATIONS, &count) == 0 && count >= 0) return count;
    // The host cannot tell: count by reading, then rewind for the states.
    count = 0;
    while (rskmdsr(con, set, con->run_block->base_date) == 0) ++count;
    xopnt(&set->reader, QOR_POINT_FIRST);
    set->end = 0;
    return count;
}

int rskratc(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    if (run == nullptr) return 0;
    for (int k : {RSKRATE_CURRENT, RSKRATE_STD})
        if (run->rate_sets[k] != nullptr) rskmdsc(con, run->rate_sets[k]);
    return 0;
}

int rskrati(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    uint8_t* current = run->market_vectors[0];
    const size_t size = static_cast<size_t>(run->vector_size);
    if (current != nullptr) std::memset(current, 0, size);
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        if (!is_market(v) || v->kind == RSKVKIND_COUNTERPARTY || v->kind == RSKVKIND_MITIGATION) continue;
        initialise(v);
        if (v->std_address != nullptr) *v->std_address = qor::missing();
    }
    RSKSYSVARS* sys = con->system_variables;
    if (sys != nullptr) set_number(sys->date, run->base_date);
    for (RSKFXENTRY* e = run->fx_first; e != nullptr; e = e->run.next_flagged)
        if (e->run.value_address != nullptr) *e->run.value_address = qor::missing();
    // The array risk factors (arrays without elements are not market arrays).
    if (con->runtime_tables != nullptr)
        for (RSKVARLINK* l = con->runtime_tables->array_list.head; l != nullptr; l = l->next)
            if (l->variable != nullptr) rskaryi(con, l->variable);
    if (current != nullptr) {
        // The check value of the state header survives the clearing.
        std::memcpy(current, kStateCheck, sizeof kStateCheck);
        std::memcpy(run->market_vectors[2], current, size);
        std::memcpy(run->market_vectors[1], current, size);
    }
    return 0;
}

int rskratx(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    RSKSTATEHEADER& h = run->state_header;
    std::memset(&h, 0, sizeof h);
    std::memcpy(h.check, kStateCheck, sizeof kStateCheck);
    h.state = -1;
    if (run->base_case.name.length == 0) rskname(con, &run->base_case, "BASECASE", 8);
    h.analysis = &run->base_case;
    h.analysis_number = kNoAnalysisNumber;
    h.analysis_kind = kBaseCaseKind;
    h.simulation_case = -1;
    h.draw = kNoIndex;
    h.horizon = kNoIndex;
    if (run->market_vectors[0] != nullptr) std::memcpy(run->market_vectors[0], &h, sizeof h);

    int rc = 0;
    mds* current = run->rate_sets[RSKRATE_CURRENT];
    rc = current != nullptr ? rskmdsr(con, current, run->base_date) : 99;
    mds* deviations = run->rate_sets[RSKRATE_STD];
    if (deviations != nullptr && deviations->open && rskmdsr(con, deviations, run->base_date) != 0)
        xpmlog(598, 1332);
    if (rc == 0) rc = rsklagr(con);
    if (rc == 0) {
        RSKSYSVARS* sys = con->system_variables;
        RSKVARIABLE* indicator = sys != nullptr ? sys->base_case : nullptr;
        run->building_base = 1;
        set_number(indicator, 1.0);
        RSKOBJNAME* kept = run->state_name;
        run->state_name = &run->base_case;
        rc = rskmktx(con);
        run->state_name = kept;
        run->building_base = 0;
        set_number(indicator, 0.0);
    }
    if (rc != 0) {
        xpmlog(598, 1321);
        return rc;
    }
    if (con->trace_trace || con->trace_print || con->trace_debug) rskratp(con, -1);
    if (run->market_vectors[0] != nullptr)
        std::memcpy(run->market_vectors[1], run->market_vectors[0], static_cast<size_t>(run->vector_size));
    if (host_option("NOTES")) {
        for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
            if (!is_market(v) || is_array(v) || v->measurement_level != 1 || v->value_class != 1) continue;
            const double x = number_of(v);
            if (!qor::is_missing(x) && !(x > 0.0)) xpmlog(598, 2441, v->name.name.length, v->name.name.text, x);
        }
    }
    return 0;
}

int rskratp(RSKCON* con, int32_t state) {
    xpmout(598, 71);
    xps("%+*t%3i. %m", 10, static_cast<int>(state));
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        if (v->kind != RSKVKIND_FACTOR || is_array(v) || current_slot(v) == nullptr) continue;
        const int length = v->name.name.length;
        const char* name = v->name.name.text;
        if (v->storage_type == RSKSTORE_DOUBLE) {
            const int decimals = v->format_decimals >= 80 && v->format_decimals <= 99
                                     ? 73 : static_cast<int>(v->format_decimals);
            if (v->format_width > 0)
                xps("%w%*s=%*.*f ", length, name, static_cast<int>(v->format_width), decimals, number_of(v));
            else
                xps("%w%*s=%.*f ", length, name, decimals, number_of(v));
        } else if (v->storage_type == RSKSTORE_CHAR) {
            const char* text = static_cast<const char*>(current_slot(v));
            int kept = v->length;
            while (kept > 0 && text[kept - 1] == ' ') --kept;
            if (v->length == 0 || text[0] == '\0')
                xps("%w%*s=\"?\" ", length, name);
            else
                xps("%w%*s=\"%*s\" ", length, name, kept, text);
        } else {
            xpmout(598, 5507, length, name);
        }
    }
    xps("%n");
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        if (v->kind != RSKVKIND_FACTOR || !is_array(v)) continue;
        rskaryl(con, v);
        const int length = v->name.name.length;
        const char* name = v->name.name.text;
        const auto count = static_cast<int64_t>(v->element_count);
        xpm(598, 5506, 15, length, name);
        const auto* values = static_cast<const double*>(v->value);
        for (int64_t i = 0; values != nullptr && i < count; ++i) xps("%g ", values[i]);
        xpoflsh();
        xpm(598, 5505, 15, length, name);
        for (int64_t i = 0; v->maturities != nullptr && i < count &&
                            i < static_cast<int64_t>(v->maturities_allocated); ++i)
            xps("%g ", v->maturities[i]);
        xps("%n");
    }
    return 0;
}
