// The mark-to-market driver (PRICE): prepares a run without a project, builds the market states
// of every observation of the current values, prices every position of an instrument file in
// each of them into INSTVALS, and always closes what it opened and frees the run storage.
#include "engine/run/mark_to_market.h"

#include <algorithm>
#include <cstring>

#include "engine/compiler/dependencies.h"
#include "engine/compiler/program_phases.h"
#include "engine/compiler/compiler_driver.h"
#include "engine/files/instrument_file.h"
#include "engine/model/control/startup.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/names/name_records.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/parameters/parameter_matrices.h"
#include "engine/model/positions/instrument_files.h"
#include "engine/model/projects/projects.h"
#include "engine/model/services/files.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variable_texts.h"
#include "engine/model/variables/variables.h"
#include "engine/output/output_object.h"
#include "engine/output/result_datasets.h"
#include "engine/run/driver_steps.h"
#include "engine/run/pricing.h"
#include "engine/run/run_storage.h"
#include "host/kernel.h"
#include "host/missing.h"
#include "host/options.h"
#include "host/print.h"

namespace {

constexpr char kProject[] = "MarkToMarket";

// What the epilogue must close or report.
struct MtmRun {
    const RSKNAMEREC* portfolio;
    RSKTRANFILE* file = nullptr;     // open instrument file
    RSKCATOBJ* output_entry = nullptr;
    RSKOUTOBJ* output = nullptr;
    bool storage = false;            // rskmem0 ran
    bool rates_open = false;         // rskrato ran
    int result = 0;
};

int name_length(const RSKNAMEREC* name) { return name != nullptr ? name->length : 0; }
const char* name_text(const RSKNAMEREC* name) { return name != nullptr ? name->text : ""; }

// The market variables the user declared: risk factors and states, the date variable aside.
int32_t market_variable_count(RSKCON* con) {
    if (con->runtime_tables == nullptr) return 0;
    const RSKSYSVARS* sys = con->system_variables;
    int32_t n = 0;
    for (RSKVARLINK* l = con->runtime_tables->factor_list.head; l != nullptr; l = l->next)
        if (l->variable != nullptr && (sys == nullptr || l->variable != sys->date)) ++n;
    return n;
}

bool host_option(const char* name) {
    int on = 0;
    return xoptbgt(name, &on) == 0 && on != 0;
}

// The valuation record that INSTVALS rows read for the current position.
void rsk_mtm_valuation(RSKCON* con, const RSKINSTTYPE* type) {
    RSKRUNBLOCK* run = con->run_block;
    RSKINSTRUN& v = run->valuation;
    std::memset(&v, 0, sizeof v);
    v.value = v.returned_value = v.further_value = v.exposure = qor::missing();
    v.holding = run->pricing.quantity;
    v.short_position = run->pricing.short_position;
    std::memset(v.currency, ' ', sizeof v.currency);
    rskname(con, &v.type_name, type->name.name.text, type->name.name.length);
    RSKROWCONTEXT& x = rskres_run(con)->context;
    x.instrument = &v;
    x.base_date = run->base_date;
    x.valuation_date = run->base_date;
}

// Step with a message of the portfolio name: the code, after the message when it failed.
int step(int rc, int number, const RSKNAMEREC* portfolio) {
    if (rc != 0) xpmlog(598, number, name_length(portfolio), name_text(portfolio));
    return rc;
}

// The reporting currency: the given three characters, else "USD". 0, or 1 after 598/1268.
int take_currency(RSKCON* con, const char* given) {
    RSKRUNBLOCK* run = con->run_block;
    const bool have = given != nullptr && given[0] != ' ' && given[0] != '\0';
    char code[4] = {'U', 'S', 'D', '\0'};
    if (have) std::memcpy(code, given, 3);
    wzstrup(code, 3);
    run->currency_given = have ? 1 : 0;
    run->currency_row = rskcur(con, code);
    if (run->currency_row == nullptr) {
        xpmlog(598, 1268, 3, code);
        run->currency_given = 0;
        return 1;
    }
    std::memcpy(run->currency, code, 3);
    return 0;
}

// The instrument filters: the definitions named by the list, compiled for the open file.
int take_filters(RSKCON* con, MtmRun& m, const RSKNAMELIST* filters) {
    RSKNAMEREC* names = nullptr;
    int count = 0;
    if (rskdrv_names(con, filters, &names, &count) != 0) return 1;
    return count > 0 ? rsktraf(con, m.file, names, count) : 0;
}

// Steps 1 to 10: everything up to the compiled market program. 0 or the failing step's code.
int prepare(RSKCON* con, MtmRun& m, const RSKNAMELIST* sets, const RSKNAMELIST* methods, RSKNAMELIST* sources,
            double run_date, const char* currency, const RSKNAMELIST* filters) {
    const RSKNAMEREC* p = m.portfolio;
    RSKRUNBLOCK* run = con->run_block;
    int rc = rskmem0(con);
    if (rc != 0) return step(rc, 2755, p);
    m.storage = true;
    run->options = con->current_options;
    if ((rc = take_currency(con, currency)) != 0) return rc;
    rskdrv_run_date(con, run_date);
    if ((rc = step(rskrsv0(con), 2752, p)) != 0) return rc;
    if ((rc = step(rskmem1(con), 2755, p)) != 0) return rc;
    RSKCATOBJ* definition = rsktdf(con, p);
    if (definition == nullptr) return step(1, 1264, p);
    m.file = static_cast<RSKTRANFILE*>(
        rskmem_alloc(con, sizeof(RSKTRANFILE), "instruments buffer", RSKMEM_INSTRUMENTS, 1));
    if (m.file == nullptr) return 1;
    if ((rc = rsktrao(con, m.file, definition, 'I')) != 0) {
        xpmlog(598, 2751, name_length(p), name_text(p), name_length(p), name_text(p));
        m.file = nullptr;
        return rc;
    }
    if ((rc = step(rsktrir(con, m.file, 1), 2753, p)) != 0) return rc;
    if ((rc = step(rskrsv3(con), 2758, p)) != 0) return rc;
    if ((rc = step(rskmem2(con), 2755, p)) != 0) return rc;
    if ((rc = step(rskrsv2(con, sets, 1), 2754, p)) != 0) return rc;
    if ((rc = step(rskrsv6(con, methods), 2754, p)) != 0) return rc;
    run->market_data_list = sources != nullptr ? sources->head : nullptr;
    m.rates_open = true;
    if (rskrato(con, run->base_date) > 1) step(1, 2756, p);
    if (filters != nullptr && filters->head != nullptr && (rc = step(take_filters(con, m, filters), 2757, p)) != 0)
        return rc;
    if ((rc = step(rskrsvd(con, 1), 2759, p)) != 0) return rc;
    if ((rc = step(rskpmx1(con, 1), 2772, p)) != 0) return rc;
    if ((rc = step(rskgen0(con), 2760, p)) != 0) return rc;
    if ((rc = step(rskgen2(con), 2761, p)) != 0) return rc;
    if ((rc = step(rskgcmp(con), 2763, p)) != 0) return rc;
    return step(rskrsvb(con), 2764, p);
}

// Step 11: the market states, one per observation of the current values (at least the current
// one). 0, or the code that failed them (the run goes on to its closing methods).
int build_states(RSKCON* con, MtmRun& m) {
    RSKRUNBLOCK* run = con->run_block;
    int64_t count = rsk_rate_observations(con, run->rate_sets[RSKRATE_CURRENT]);
    int rc = 0;
    if (count <= 1) {
        if (count <= 0) xpmlog(598, 2799, name_length(m.portfolio), name_text(m.portfolio));
        rc = rskratx(con);
        run->rate_states = static_cast<int32_t>(count < 0 ? 0 : count);
    } else {
        // Full market vectors: a state keeps every variable, those without a change bit too.
        const uint64_t size = static_cast<uint64_t>(run->vector_size);
        const uint64_t bytes = static_cast<uint64_t>(count) * size;
        void* buffer = nullptr;
        if (count <= INT32_MAX && bytes / size == static_cast<uint64_t>(count) && bytes <= SIZE_MAX)
            buffer = con->run_pool->allocate(con->run_pool, static_cast<size_t>(bytes), 0);
        if (buffer == nullptr) {
            xpmlog(598, 2755, name_length(m.portfolio), name_text(m.portfolio));
            return -1;
        }
        run->rate_buffer = static_cast<uint8_t*>(buffer);
        run->rate_buffer_bytes = bytes;
        run->memory[RSKMEM_STATE_BUFFER] += bytes;
        run->rate_states = static_cast<int32_t>(count);
        for (int32_t s = 0; s < run->rate_states && rc == 0; ++s) {
            rc = rskratx(con);
            if (rc == 0) std::memcpy(run->rate_buffer + static_cast<uint64_t>(s) * size, run->market_vectors[0], size);
        }
    }
    if (rskexay(con, 4) != 0) xpmlog(598, 2821);
    if (rc != 0) xpmlog(598, 2765, name_length(m.portfolio), name_text(m.portfolio));
    return rc;
}

// Steps 14 to 16: the pricing program and every position priced. The largest code.
int price_positions(RSKCON* con, MtmRun& m) {
    RSKRUNBLOCK* run = con->run_block;
    const RSKNAMEREC* p = m.portfolio;
    int rc = rskmem3(con);
    if (rc != 0) return rc;
    RSKRESDS* valuations = nullptr;
    if ((rc = rskputd(con, &valuations, m.output, RSKRES_INSTVALS)) != 0) {
        RSKRUNRESULTS* r = rskres_run(con);
        const RSKOBJNAME& member = r->descriptors[RSKRES_INSTVALS].member;
        xpmlog(598, 2769, RSK_NAME(member), name_length(p), name_text(p));
        return rc;
    }
    if (run->options != nullptr && run->options->outerror) rskputd(con, nullptr, m.output, RSKRES_ERRORS);
    // The pricing records and one program instance per block come before the pricing compile.
    if ((rc = rskex_alloc(con)) != 0) return rc;
    if ((rc = step(rskgen0(con), 2760, p)) != 0) return rc;
    if ((rc = step(rskgen3(con), 2763, p)) != 0) return rc;
    if ((rc = step(rskgcmp(con), 2763, p)) != 0) return rc;
    if (run->states_failed) return 0;
    if ((rc = rskexaz(con, 0)) != 0) {
        xpmlog(598, 2812);
        return rc;
    }
    int result = apply_action(con, valuations);
    if (result != 0) xpmlog(598, 2770, name_length(p), name_text(p));
    if ((rc = rskexaz(con, 4)) != 0) xpmlog(598, 2813);
    return std::max(result, rc);
}

// Step 18: close, report and free, whatever happened.
int epilogue(RSKCON* con, MtmRun& m) {
    RSKRUNBLOCK* run = con->run_block;
    const RSKNAMEREC* p = m.portfolio;
    int result = m.result;
    const double n = m.file != nullptr ? m.file->written : 0.0;
    if (m.storage) {
        const double s = run->rate_states;
        const double u = run->not_valued;
        if ((u > 0 && u == s * n) || (s == 0 && u == n)) {
            xpmlog(598, 2775, n, name_length(p), name_text(p));
            if (result == 0) result = -1;
        } else if (u > 0 && result == 0) {
            if (s > 1)
                xpmlog(598, 2767, name_length(p), name_text(p), s * n, n, s, u);
            else
                xpmlog(598, 2774, u, n, name_length(p), name_text(p));
        }
    }
    if (result > 0) {
        xpmlog(598, 1261, name_length(p), name_text(p));
        if (con->trace_print) xpmout(598, 1261, name_length(p), name_text(p));
    }
    rskdrv_audit(con, result == 0 ? 3917 : 3911, p, false);
    if (m.rates_open) rskratc(con);
    if (m.file != nullptr) rsktrac(con, m.file);
    if (m.output != nullptr) rskoutc(con, m.output);
    if (m.output_entry != nullptr && rskdrv_store(con, m.output_entry) != 0) {
        xpmlog(598, 2771, m.output != nullptr ? static_cast<int>(m.output->name.name.length) : 0,
               m.output != nullptr ? m.output->name.name.text : "", name_length(p), name_text(p));
        result = 1;
    }
    if (m.storage) {
        if (!con->no_timer && host_option("STIMER")) {
            double minutes = 0, seconds = 0;
            rskdrv_elapsed(con, &minutes, &seconds);
            xpmlog(598, 2776, minutes, seconds);
        }
        xpmlog(598, 1272, name_length(p), name_text(p), n);
        rskmemp(con, 4114, name_text(p), name_length(p));
        rskmemf(con);
    }
    return result;
}

}  // namespace

int rskmtm(RSKCON* con, const RSKNAMEREC* portfolio, const RSKNAMELIST* filters,
           const RSKNAMELIST* transformation_sets, const RSKNAMELIST* project_methods,
           RSKNAMELIST* market_data, double run_date, const char* currency, const RSKNAMEREC* output_name,
           const RSKNAMEREC* output_path, const char* output_library) {
    MtmRun m;
    m.portfolio = portfolio;
    xpslog(" ");
    xpmlog(598, 2750, name_length(portfolio), name_text(portfolio));
    if (rskpre0(con) != 0) return 1;
    if (market_variable_count(con) <= 1) {
        xpmlog(598, 1250);
        return 1;
    }
    rskdrv_audit(con, 3914, portfolio, true);
    int rc = prepare(con, m, transformation_sets, project_methods, market_data, run_date, currency, filters);
    RSKRUNBLOCK* run = con->run_block;
    if (rc == 0) {
        rskrati(con);
        if ((rc = rskexaw(con, 0)) != 0) {
            xpmlog(598, 2824);
        } else {
            int states = 0;
            if (rskexay(con, 0) != 0) {
                xpmlog(598, 2820);
                states = 1;
            } else {
                states = build_states(con, m);
                if (states < 0) rc = 1;      // the state buffer could not be had
            }
            if (states != 0) run->states_failed = 1;
            // A failed state keeps its code: the statement fails, though nothing stops here.
            if (states > 0) m.result = std::max(m.result, states);
            if (rc == 0 && (rc = rskexaw(con, 2)) != 0) xpmlog(598, 2825);
            if (rc == 0) {
                static const RSKDRVOUTPUT kOutput = {kProject, kProject, "rskmtm: outobj NULL from rssofiq",
                                                     2766, 2768, nullptr, 1};
                RSKDRVOUTPUT how = kOutput;
                how.portfolio = portfolio;
                rc = rskdrv_output(con, how, output_name, output_path, output_library, &m.output_entry,
                                   &m.output);
                if (rc == 0) {
                    rskdrv_properties(con, m.output, market_data, output_library);
                    const int priced = price_positions(con, m);
                    m.result = std::max(m.result, priced);
                    const int closing = rskexaw(con, 4);
                    if (closing != 0) xpmlog(598, 2826);
                    rc = std::max(m.result, closing);
                }
            }
        }
    }
    m.result = std::max(m.result, rc);
    return epilogue(con, m);
}

int apply_action(RSKCON* con, RSKRESDS* valuations) {
    RSKRUNBLOCK* run = con->run_block;
    RSKPRICERUN& pricing = run->pricing;
    RSKTRANFILE* file = run->transaction_file;
    if (file == nullptr) return 1;
    int result = rsktra0(con, file, 0);
    if (result != 0) return result;
    RSKRUNRESULTS* results = rskres_run(con);
    const double missing_value = qor::missing();
    for (;;) {
        RSKINSTTYPE* type = nullptr;
        const int read = rsktra1(con, file, &type);
        if (read == -1) break;
        if (read != 0) {
            // A failed read fails every later one until the file is closed: count it and stop.
            ++run->not_valued;
            result = std::max(result, read);
            break;
        }
        for (int32_t i = 0; run->row0 != nullptr && i < run->row_doubles; ++i) run->row0[i] = missing_value;
        pricing.type = type;
        pricing.quantity = 1.0;
        pricing.sign = 1;
        pricing.short_position = 0;
        const int prepared = rsktrax(con);
        if (prepared != 0) {
            ++run->not_valued;
            result = std::max(result, prepared);
            continue;
        }
        if (type == nullptr || (type->price.target == nullptr && type->price.kind == 0)) continue;
        rsk_mtm_valuation(con, type);
        result = std::max(result, rskexab(con, type, 1));
        const int32_t states = std::max<int32_t>(run->rate_states, 1);
        for (int32_t s = 0; s < states; ++s) {
            if (run->rate_states > 1) {
                // The observation is the base of its pricing: the restore of the saved base
                // vector before the first base pricing copies the observation itself.
                const size_t size = static_cast<size_t>(run->vector_size);
                const uint8_t* state = run->rate_buffer + static_cast<size_t>(s) * size;
                std::memcpy(run->market_vectors[1], state, size);
                std::memcpy(run->market_vectors[0], state, size);
            }
            const int priced = rskexpr(con);
            result = std::max(result, priced);
            if (priced != 0 || qor::is_missing(pricing.base_value[0])) ++run->not_valued;
            if (valuations != nullptr) {
                pricing.base_value[1] = pricing.base_value[0];
                results->context.instrument->value = pricing.base_value[1];
                result = std::max(result, rskput(con, valuations));
            }
        }
        result = std::max(result, rskexab(con, type, 3));
    }
    return result;
}
