// The position loop of a project run (rskrun2): every position of one instrument file read,
// expanded, priced in the base state and in every market state (or given the prices of an
// identical preceding position), and handed to the analyses; with the portfolio-part range, the
// cash-flow variables' places and the progress notes.
#include <chrono>
#include <cmath>
#include <cstring>

#include "engine/compiler/compiler_driver.h"
#include "engine/files/instrument_file.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/position_loop.h"
#include "engine/run/pricing.h"
#include "engine/run/project_run.h"
#include "engine/run/project_run_support.h"
#include "engine/run/run_block.h"
#include "engine/run/run_dependencies.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

using namespace rskrun_support;

constexpr double kZeroQuantity = 1.110223024625157e-16;

double host_seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double clock_of(const RSKLOOPRUN& loop) { return loop.clock != nullptr ? loop.clock() : host_seconds(); }

// The position's quantity and short flag, as rsktrax took them from the instrument, and sign.
void take_position(RSKRUNBLOCK* run, RSKINSTTYPE* type) {
    RSKPRICERUN& p = run->pricing;
    p.type = type;
    p.quantity = run->valuation.holding;
    p.short_position = run->valuation.short_position != 0 ? 1 : 0;
    p.sign = 1;
    p.skip = 0;
    p.not_written = 0;
    p.cached = 0;
}

void project_name(const RSKRUNBLOCK* run, int* length, const char** text) {
    *length = length_of(run->project_name);
    *text = text_of(run->project_name);
}

void entry_message(const RSKRUNBLOCK* run, int number, const RSKPORTENTRY* entry) {
    int plen = 0;
    const char* ptext = nullptr;
    project_name(run, &plen, &ptext);
    xpmlog(598, number, length_of(entry->name), text_of(entry->name), plen, ptext);
}

// The progress note of a position, when one is due.
void progress_note(RSKCON* con, const RSKPORTENTRY* entry) {
    RSKRUNBLOCK* run = con->run_block;
    RSKLOOPRUN& loop = run->loop;
    if (!rsk_progress_due(&loop.progress, clock_of(loop), con->generic != 0, loop.valued, entry->positions)) return;
    int plen = 0;
    const char* ptext = nullptr;
    project_name(run, &plen, &ptext);
    xpmlog(598, 2735, loop.valued, entry->positions, plen, ptext);
}

// One position from the base case to the analyses. 0 goes on; otherwise the loop ends (the
// run's error flag is set) with that code.
int price_position(RSKCON* con, RSKPORTENTRY* entry, RSKINSTTYPE* type) {
    RSKRUNBLOCK* run = con->run_block;
    RSKLOOPRUN& loop = run->loop;
    RSKPRICERUN& p = run->pricing;
    if (run->market_vectors[0] != nullptr && run->market_vectors[1] != nullptr && run->vector_size > 0)
        std::memcpy(run->market_vectors[0], run->market_vectors[1], static_cast<size_t>(run->vector_size));
    p.state_header[1] = -1;
    rskexab(con, type, 1);
    if (run->abort) return 1;
    const int priced = rskexpr(con);
    if (run->abort) return 1;
    if (priced == 0 && !qor::is_missing(p.base_value[0])) {
        loop.valued += 1;
        loop.base_failed = 0;
        run->position_value = p.base_value[0];
    } else {
        ++loop.instrument_errors;
        loop.base_failed = 1;
        p.base_value[0] = p.base_value[1] = p.base_second[0] = p.base_second[1] = qor::missing();
        run->position_value = qor::missing();
    }
    int reuse = 0;
    if (run->no_reuse || same_instru(con) == 0) {
        if (!run->no_reuse && !loop.base_failed) cache_instru(con);
    } else {
        reuse = 1;
    }
    if (rskex_needed_mask(con, type) != 0) return 1;
    if (price_states(con, reuse) != 0 && run->abort) return 1;
    rskexab(con, type, 3);
    if (run->abort) return 1;
    const int rc = run_analysis(con, type, &loop.class_reports);
    if (run->abort) return rc > 0 ? rc : 1;
    (void)entry;
    return 0;
}

}  // namespace

void rsk_expand_instrument(RSKCON*, RSKINSTTYPE* type) {
    for (int32_t i = 0; i < type->run.field_count; ++i) {
        const RSKTYPEFIELD& f = type->run.fields[i];
        const void* source = f.variable != nullptr ? f.variable->value : nullptr;
        if (f.address == nullptr || source == nullptr || f.address == source || f.size <= 0) continue;
        std::memcpy(f.address, source, static_cast<size_t>(f.size));
    }
}

int reset_positions(RSKRUNBLOCK* run, RSKPORTENTRY* entry) {
    RSKLOOPRUN& loop = run->loop;
    const RSKRUNPARMS* parms = run->parms;
    int32_t part = 1, parts = 1;
    if (parms != nullptr && parms->portfolio_parts > 1) {
        part = parms->portfolio_part;
        parts = parms->portfolio_parts;
    } else if (entry->portfolio_parts > 1) {
        part = entry->current_part;
        parts = entry->portfolio_parts;
    }
    if (rsk_part_range(part, parts, entry->positions, &loop.first_position, &loop.last_position, &loop.range_on) != 0)
        return 1;
    entry->file.ranged = loop.range_on;
    entry->file.first = loop.first_position;
    entry->file.last = loop.last_position;
    return 0;
}

int get_cf_sym(RSKCON* con) {
    RSKLOOPRUN& loop = con->run_block->loop;
    const RSKSYSVARS* sys = con->system_variables;
    RSKVARIABLE* wanted[3] = {sys != nullptr ? sys->cf_currency : nullptr, sys != nullptr ? sys->cf_date : nullptr,
                              sys != nullptr ? sys->cf_amount : nullptr};
    static const char* const kNames[3] = {"_CFCUR_", "_CFDATE_", "_CFAMNT_"};
    // The programs read these variables through the instrument record: their places there.
    for (int i = 0; i < 3; ++i) {
        loop.cf_places[i] = wanted[i] != nullptr ? static_cast<double*>(wanted[i]->run.record_address) : nullptr;
        if (loop.cf_places[i] == nullptr) {
            xpmlog(670, 3561, static_cast<int>(std::strlen(kNames[i])), kNames[i]);
            return 1;
        }
    }
    return 0;
}

int rskrun2(RSKCON* con, RSKPORTENTRY* entry) {
    RSKRUNBLOCK* run = con->run_block;
    RSKLOOPRUN& loop = run->loop;
    RSKPRICERUN& p = run->pricing;
    // 1. Counters, the progress option; prices read back come from an earlier run's data sets.
    loop.instrument_errors = 0;
    loop.base_failed = 0;
    loop.valued = 0;
    loop.positions_counted = 0;
    p.skip = 0;
    loop.progress = RSKPROGRESS{};
    loop.progress.every = run->run_options != nullptr ? run->run_options->prgsnote : 0;
    loop.reading_prices = entry->kind == RSKPORT_READ_PRICES ? 1 : 0;
    if (loop.reading_prices) return rskrun_available(nullptr, "rskgdso_pos") ? 0 : 1;

    // 2. The file from its start, the part's range; the cached key belongs to another file.
    loop.class_reports = 0;
    std::memset(loop.class_reported, 0, sizeof loop.class_reported);
    loop.cache.valid = 0;
    RSKTRANFILE* file = &entry->file;
    run->transaction_file = file;
    if (rsktra0(con, file, 0) != 0) {
        entry_message(run, 2706, entry);
        run->abort = 1;
        return 1;
    }
    if (reset_positions(run, entry) != 0) {
        xebug("rskrun2: portfolio part outside the parts of %*s.", length_of(entry->name), text_of(entry->name));
        return 1;
    }
    const double started = clock_of(loop);
    loop.progress.reference = started;
    if (run->aggregation.control == nullptr && run->aggregation.result_record == nullptr) {
        run->aggregation.result_record = run->results_cell;
        run->aggregation.result_size = run->results_cell_size;
    }

    // 3. - 6. Cash-flow variables, the position value, counterparty and mitigation set-up.
    if (rskrun_has_cash_flows(con) && get_cf_sym(con) != 0) return 1;
    run->position_value = qor::missing();
    int rc = start_cpty_stuff(con, entry);
    if (rc == 0) rc = initialize_mit_stuff(con, entry);

    // 7. The positions.
    for (; rc == 0;) {
        if (run->instruments_buffer != nullptr)
            std::memset(run->instruments_buffer, 0, static_cast<size_t>(run->instruments_buffer_bytes));
        RSKINSTTYPE* type = nullptr;
        const int read = rsktra1(con, file, &type);
        if (read == RSKTRAN_END) break;
        if (read != RSKTRAN_READ) {
            // The reader fails every later read once one failed: the rest of the file is unknown,
            // and a run over part of it must not look complete.
            ++loop.instrument_errors;
            entry_message(run, 2706, entry);
            run->abort = 1;
            rc = 1;
            break;
        }
        ++loop.positions_counted;
        ++p.positions_read;
        if (loop.counterparty_on && read_class_cpty(con, type) != 0) {
            ++loop.instrument_errors;
            continue;
        }
        if (type == nullptr || rsktrax(con) != 0) {
            ++loop.instrument_errors;
            continue;
        }
        rsk_expand_instrument(con, type);
        if (loop.counterparty_on && RSKRUN_HAS(load_cpty_ref_vars)) load_cpty_ref_vars(con);
        take_position(run, type);
        if (std::fabs(p.quantity) <= kZeroQuantity) {
            loop.valued += 1;
            continue;
        }
        loop.position_changed = file->records_read != file->accepted ? 1 : 0;
        rc = price_position(con, entry, type);
        if (rc != 0) break;
        if (loop.progress.every > 0) progress_note(con, entry);
    }

    // 8. - 9. After the loop, also after one ended by the error flag.
    if (loop.counterparty_on) cleanup_cpty_stuff(con);
    cleanup_mit_stuff(con);
    p.not_written = 0;
    p.skip = 0;
    int plen = 0;
    const char* ptext = nullptr;
    project_name(run, &plen, &ptext);
    if (loop.progress.notes > 0 && loop.progress.since_note > 0) xpmlog(598, 2736, loop.valued, plen, ptext);
    run->positions_valued += loop.valued;
    loop.loop_seconds = clock_of(loop) - started;

    // 10. - 11. The file's outcome.
    if (!(loop.valued > 0)) {
        get_counts(con);
        xpmlog(598, 2731, loop.valued, length_of(entry->name), text_of(entry->name), plen, ptext);
        return rc > 0 ? rc : -1;
    }
    if (loop.instrument_errors > 0)
        xpmlog(598, 2732, static_cast<long>(loop.instrument_errors), loop.valued, length_of(entry->name),
               text_of(entry->name), plen, ptext);
    if (con->no_timer == 0) {
        const long seconds = static_cast<long>(loop.loop_seconds);
        xpmlog(598, 2818, 0, loop.valued, static_cast<long>(run->state_count) + 1, static_cast<int>(seconds / 60),
               static_cast<int>(seconds % 60));
    }
    get_counts(con);
    if (run->abort && rc < 1) rc = 1;
    run->memory[RSKMEM_PROGRAMS] = rskmcmp(con);
    return rc;
}
