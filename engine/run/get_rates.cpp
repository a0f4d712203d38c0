// The GETRATES driver: builds the current market state with the market and transformation methods
// of the run and writes it as the one observation of MKTRATES; a state that could not be built
// writes nothing and fails the statement.
#include <algorithm>
#include <cstring>
#include <utility>

#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/dependencies.h"
#include "engine/compiler/program_phases.h"
#include "engine/model/control/startup.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/parameters/parameter_matrices.h"
#include "engine/model/projects/projects.h"
#include "engine/model/variables/variables.h"
#include "engine/output/output_object.h"
#include "engine/output/result_datasets.h"
#include "engine/run/driver_steps.h"
#include "engine/run/mark_to_market.h"
#include "engine/run/pricing.h"
#include "engine/run/run_storage.h"
#include "host/print.h"

namespace {

bool is_market(const RSKVARIABLE* v) { return v->kind == RSKVKIND_FACTOR || v->kind == RSKVKIND_STATE; }

// A failing step: its message (no argument) and its code.
int step(int rc, int number) {
    if (rc != 0) xpmlog(598, number);
    return rc;
}

// Steps 2 to 4: storage, date, resolution and the compiled program. 0 or the failing code.
int prepare(RSKCON* con, const RSKNAMELIST* sets, const RSKNAMELIST* methods, RSKNAMELIST* sources,
            double run_date, bool* storage, bool* rates_open) {
    int rc = rskmem0(con);
    if (rc != 0) return step(rc, 2780);
    *storage = true;
    if ((rc = step(rskmem1(con), 2780)) != 0) return rc;
    if ((rc = step(rskmem2(con), 2780)) != 0) return rc;
    RSKRUNBLOCK* run = con->run_block;
    rskdrv_run_date(con, run_date);
    run->options = con->current_options;
    std::memcpy(run->currency, "USD", 3);
    if ((rc = step(rskrsv0(con), 2782)) != 0) return rc;
    // Every market variable is computed: the state is the output. The risk factors come from
    // the market data, as a project run flags them from its instrument files, so the methods that
    // read them find them supplied. The flags last for this statement only.
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        uint32_t flags = is_market(v) ? static_cast<uint32_t>(RSKDEP_USED_PRICE) : 0u;
        if (v->kind == RSKVKIND_FACTOR) flags |= RSKDEP_DATA;
        v->run.flags_added |= flags & ~v->dependencies.flags;
        v->dependencies.flags |= flags;
    }
    run->market_data_list = sources != nullptr ? sources->head : nullptr;
    *rates_open = true;
    if ((rc = rskrato(con, run->base_date)) > 1) return step(rc, 1256);
    if ((rc = rskrsv6(con, methods)) > 1) return step(rc, 1256);
    if ((rc = step(rskrsv2(con, sets, 0), 2784)) != 0) return rc;
    if ((rc = step(rskrsvd(con, 0), 2785)) != 0) return rc;
    if ((rc = step(rskpmx1(con, 0), 2781)) != 0) return rc;
    if ((rc = step(rskgen0(con), 2786)) != 0) return rc;
    if ((rc = step(rskgen2(con), 2787)) != 0) return rc;
    if ((rc = step(rskgcmp(con), 2788)) != 0) return rc;
    return step(rskrsvb(con), 2789);
}

// Step 5: the current state. 0, or the code of what failed it (after its message).
int build_state(RSKCON* con) {
    rskrati(con);
    int rc = rskexay(con, 0);
    if (rc != 0) return step(rc, 2820);
    if ((rc = rskratx(con)) != 0) return rc;
    return step(rskexay(con, 4), 2821);
}

// Step 9: MKTRATES with the variables the methods wrote. 0 or the failing code after 598/2793.
int write_rates(RSKCON* con, RSKOUTOBJ* object) {
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if (is_market(v) && (v->dependencies.flags & RSKDEP_DEF) == 0) v->output_mark = 1;
    // The columns read the state itself: each market variable's slot in the current vector stands
    // in for its own storage while the observation is defined and written.
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if (is_market(v) && v->run.state_address[0] != nullptr) std::swap(v->value, v->run.state_address[0]);
    RSKRESDS* rates = nullptr;
    int rc = rskputd(con, &rates, object, RSKRES_MKTRATES);
    if (rc == 0) {
        RSKRUNRESULTS* r = rskres_run(con);
        r->context.base_date = con->run_block->base_date;
        r->context.valuation_date = con->run_block->base_date;
        rc = rskput(con, rates);
    }
    const uint8_t* first = con->run_block->market_vectors[0];
    const uint8_t* end = first + con->run_block->vector_size;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        const auto* at = static_cast<const uint8_t*>(v->value);
        if (is_market(v) && first != nullptr && at >= first && at < end) std::swap(v->value, v->run.state_address[0]);
    }
    return step(rc, 2793);
}

}  // namespace

int rskrate(RSKCON* con, const RSKNAMELIST* transformation_sets, const RSKNAMELIST* project_methods,
            RSKNAMELIST* market_data, double run_date, const RSKNAMEREC* output_name,
            const RSKNAMEREC* output_path, const char* output_library) {
    xpslog(" ");
    xpmlog(598, 2778);
    if (rskpre0(con) != 0) return 1;
    if (con->runtime_tables == nullptr || con->runtime_tables->factor_list.count < 1) {
        xpmlog(598, 1250);
        return 1;
    }
    rskdrv_audit(con, 3915, nullptr, true);
    bool storage = false, rates_open = false;
    RSKCATOBJ* entry = nullptr;
    RSKOUTOBJ* object = nullptr;
    int rc = prepare(con, transformation_sets, project_methods, market_data, run_date, &storage, &rates_open);
    if (rc == 0) {
        const int state = build_state(con);
        int closing = step(rskexaw(con, 2), 2825);
        closing = std::max(closing, step(rskexaw(con, 4), 2826));
        // A state that could not be built writes nothing, and the statement fails with its code.
        rc = std::max(state, closing);
        if (state == 0) {
            static const RSKDRVOUTPUT kOutput = {"TransformMarketRates", "GETRATES statement",
                                                 "rskrate: outobj NULL from rssofiq", 2791, 2792, nullptr, 0};
            int written = rskdrv_output(con, kOutput, output_name, output_path, output_library, &entry, &object);
            if (written == 0) {
                rskdrv_properties(con, object, market_data, output_library);
                written = write_rates(con, object);
            }
            rc = std::max(rc, written);
        }
    }
    if (rc != 0) {
        xpmlog(598, 1260);
        if (con->trace_print) xpmout(598, 1260);
    }
    rskdrv_audit(con, rc != 0 ? 3910 : 3918, nullptr, false);
    if (rates_open) rskratc(con);
    if (object != nullptr) rskoutc(con, object);
    if (entry != nullptr && rskdrv_store(con, entry) != 0) {
        xpmlog(598, 2794, object != nullptr ? static_cast<int>(object->name.name.length) : 0,
               object != nullptr ? object->name.name.text : "");
        rc = 1;
    }
    xpmlog(598, 1257);
    if (storage) rskmemf(con);
    return rc;
}
