// Pricing one position in the base state (rskexpr): on the calling thread, with the master block
// on block 0's program instance and row 0, then the base value post-processed and written.
#include <algorithm>
#include <chrono>
#include <cstring>

#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/program_phases.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/pricing.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

double seconds_now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// A run variable's slot in the current market vector (null without one).
double* current_slot(const RSKVARIABLE* v) {
    return v != nullptr ? static_cast<double*>(v->run.state_address[0]) : nullptr;
}

bool has_pricing_action(const RSKINSTTYPE* type) {
    return type != nullptr && (type->price.target != nullptr || type->price.kind != 0);
}

// Result data sets of kinds 5, 10 and 12 ask for the saved base state before every base pricing.
bool restore_every_time(const RSKRUNBLOCK* run) {
    for (int kind : {5, 10, 12})
        if (run->result_sets.descriptors[kind].open) return true;
    return false;
}

// The run's weight of the position: its weight variable's value, else 1.0.
double position_weight(RSKPRICERUN& p) {
    p.weight_present = 0;
    if (p.weight_variable == nullptr) return 1.0;
    const double* at = static_cast<const double*>(p.weight_variable->run.record_address);
    if (at == nullptr) at = static_cast<const double*>(p.weight_variable->value);
    if (at == nullptr) return 1.0;
    p.weight_present = 1;
    return *at;
}

// Runs the type's pricing actions on the master block in the base state: 0 or the run's code.
int run_base(RSKCON* con, RSKTHREADCTL* master, RSKTYPETIMING* timing) {
    RSKRUNBLOCK* run = con->run_block;
    RSKPRICERUN& p = run->pricing;
    RSKPROGRECORD* record = master->record;
    record->market_vector = reinterpret_cast<double*>(master->state_current);
    record->row_vector = master->row_current;
    const double start = seconds_now();
    rskmact(con, &p.type->price, RSKBLK_MAIN, 1, 0);
    const int rc = rskrcmp(con, record, 0);
    rskmact(con, &p.type->price, RSKBLK_MAIN, 0, 0);
    if (timing != nullptr) timing->seconds += seconds_now() - start;
    return rc;
}

}  // namespace

int rskexpr(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    RSKPRICERUN& p = run->pricing;
    if (run->abort) return 1;
    rskcf_position_start(con);
    if (!has_pricing_action(p.type)) {
        if (p.failures++ < kRskPricingMessageCap) {
            const RSKNAMEREC& name = p.type != nullptr ? p.type->name.name : RSKNAMEREC{};
            xebug("rskexpr: no pricing action for %*s", static_cast<int>(name.length), name.text);
        }
        run->abort = 1;
        return 1;
    }
    if (rskex_bind(con) != 0) return 1;
    RSKTYPETIMING* timing = run->timing != nullptr ? &run->timing[p.type->run.number] : nullptr;
    const double missing = qor::missing();
    p.base_value[0] = p.base_value[1] = p.base_second[0] = p.base_second[1] = p.base_raw = missing;
    if (timing != nullptr) ++timing->positions;
    if (p.skip) {
        if (timing != nullptr) ++timing->skipped;
        return 0;
    }
    // The saved base state into the current vector: before the run's first base pricing, and
    // before each when result data sets of kinds 5, 10 or 12 are written.
    if (!p.base_restored || restore_every_time(run)) {
        if (run->market_vectors[0] != nullptr && run->market_vectors[1] != nullptr)
            std::memcpy(run->market_vectors[0], run->market_vectors[1], static_cast<size_t>(run->vector_size));
        p.base_restored = 1;
    }
    p.state_header[1] = -1;
    run->state_date = run->base_date;
    const RSKSYSVARS* sys = con->system_variables;
    if (double* date = current_slot(sys != nullptr ? sys->date : nullptr)) *date = run->base_date;
    double* indicator = current_slot(sys != nullptr ? sys->base_case : nullptr);
    if (indicator != nullptr) *indicator = 1.0;
    p.base_in_progress = 1;

    RSKTHREADCTL* master = run->master_block;
    master->record = &run->compile.programs[0];
    master->thread_index = 0;
    master->state_current = run->market_vectors[0];
    master->row_current = run->row0;
    int rc = 0;
    double value = missing;
    if (run_base(con, master, timing) != 0) {
        if (p.failures++ < kRskPricingMessageCap) {
            xpmlog(598, 3404);
            rskactp(con, &p.type->price, 1, 0);
        }
        run->row0[0] = missing;
        if (timing != nullptr) ++timing->skipped;
    } else {
        value = run->row0[0];
    }
    master->thread_index = -1;
    ++p.priced_base;
    if (timing != nullptr) ++timing->pricings;
    p.base_raw = value;
    p.base_weight = position_weight(p);
    // The position's cash flows in the base state, into row 0 before it is post-processed.
    rc = std::max(rc, rskcf_price_base(con));

    // The base value post-processed as a priced state, with its second value.
    RSKROWCOLUMNS c{};
    rskex_columns(run, run->row0, &c);
    double second_local = missing;
    double* second = run->second_value ? c.second_values : &second_local;
    uint8_t status = RSKST_PRICED;
    const double weight = p.base_weight;
    rc = std::max(rc, process_prices(con, 1, c.values, second, c.elements, c.element_count, run->row_doubles, -1,
                                     p.weight_present, reinterpret_cast<const uint8_t*>(&weight), 0, &status, c.raw_values));
    const double processed = c.values[0];
    const double processed_second = *second;
    if (!p.not_written) {
        for (RSKRESDS* set : p.position_sets)
            if (set != nullptr && set->open)
                rc = std::max(rc, output_prices(con, 1, c.values, second, c.raw_values, run->row_doubles, -1, p.weight_present,
                                                reinterpret_cast<const uint8_t*>(&weight), 0, &status, set));
    }
    p.base_value[0] = p.base_value[1] = processed;
    p.base_second[0] = p.base_second[1] = processed_second;
    if (indicator != nullptr) *indicator = 0.0;
    p.base_in_progress = 0;
    // Every block and every state start from what phase 1 and the base state left.
    if (rskex_spread(con) != 0) rc = std::max(rc, 1);
    return rc;
}
