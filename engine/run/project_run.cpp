// The project run driver (rskrun, entry 223): the order of the run's phases, the message given at
// each failure, how the return code is combined, and the closing steps every run goes through.
#include <cctype>
#include <cmath>
#include <initializer_list>
#include <cstdio>
#include <cstring>

#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/dependencies.h"
#include "engine/compiler/program_phases.h"
#include "engine/model/audit/audit_log.h"
#include "engine/model/categories/categories.h"
#include "engine/model/control/startup.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/parameters/parameter_matrices.h"
#include "engine/model/positions/instrument_files.h"
#include "engine/model/reports/reports.h"
#include "engine/model/services/catalog.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/output/aggregation.h"
#include "engine/output/cell_report.h"
#include "engine/output/output_object.h"
#include "engine/run/analysis_services.h"
#include "engine/run/project_run_support.h"
#include "engine/run/run_dependencies.h"
#include "engine/run/run_finish.h"
#include "engine/tables/catalog_table.h"
#include "host/dates.h"
#include "host/files.h"
#include "host/formats.h"
#include "host/kernel.h"
#include "host/missing.h"

using namespace rskrun_support;

namespace {

constexpr double kSecondsPerDay = 86400.0;

// What the driver keeps between its steps.
struct RunState {
    RSKCON* con;
    RSKRUNBLOCK* run;
    RSKPROJECT* project;
    RSKRUNPARMS* parms;
    RSKOPTREC* options;
    uint8_t* forced_option;          // the output option forced for the run mode, or null
    uint8_t forced_old;
    int rc;                          // the run's code
    int missing_results;             // an analysis was disabled or a phase failed: end with 1
    bool own_entry;                  // the run made the entry of the project's instrument file
    double started;                  // host date-time of step 1
    double pre_state, states_done, pricing_start, pricing_done, aggregation_done;
};

double now() { return wzdttme(); }

// One audit line 598/number: the time stamp and the project.
void audit(RSKCON* con, int number, const RSKPROJECT* project) {
    if (con->audit == 0) return;
    char stamp[64];
    int width = static_cast<int>(con->datetime_format.width);
    if (width < 1 || width >= static_cast<int>(sizeof stamp)) width = 19;
    if (xpfs(now(), width, static_cast<int>(con->datetime_format.handle), stamp) != 0) width = 0;
    rskadtp(con, 598, number, width, stamp, length_of(project->name), text_of(project->name));
}

// 1 January 2000 as a host date.
double no_date_day() { return zmdy(1, 1, 2000); }

void fail(RunState& s, int number, int code = 1) {
    project_message(number, s.project);
    if (s.rc < code) s.rc = code;
}

void count_kinds(RSKRUNPARMS* parms) {
    parms->kind_counts[0] = parms->kind_counts[1] = parms->kind_counts[2] = 0;
    for (int32_t i = 0; i < parms->entry_count; ++i) {
        const int32_t kind = parms->entries[i].kind;
        if (kind >= 0 && kind <= 2) ++parms->kind_counts[kind];
    }
}

// Part numbers beyond their counts are refused: such a run would read or write parts that do
// not exist. A part number or count of 0 was not given and means 1.
bool parts_valid(RSKRUNPARMS* parms) {
    for (int32_t* value : {&parms->analysis_part, &parms->analysis_parts, &parms->portfolio_part, &parms->portfolio_parts})
        if (*value == 0) *value = 1;
    if (parms->analysis_parts < 1 || parms->portfolio_parts < 1 || parms->analysis_part < 1 || parms->portfolio_part < 1 ||
        parms->analysis_part > parms->analysis_parts || parms->portfolio_part > parms->portfolio_parts) {
        xpslog("%1zThe run asks for analysis part %i of %i and portfolio part %i of %i; a part number must lie "
               "between 1 and its count.",
               parms->analysis_part, parms->analysis_parts, parms->portfolio_part, parms->portfolio_parts);
        return false;
    }
    return true;
}

// Step 7: an output library reference names the output location.
void output_location(RunState& s, const RSKNAMEREC*& name, const RSKNAMEREC*& path, char libref[9],
                     RSKNAMEREC& name_from_lib, RSKNAMEREC& path_from_lib, char* path_buffer, size_t path_capacity,
                     const char* argument) {
    const char* source = argument;
    if (source == nullptr || source[0] == ' ' || source[0] == 0) source = s.parms->output_library;
    if (source == nullptr || source[0] == ' ' || source[0] == 0) source = s.project->output_library;
    std::memset(libref, 0, 9);
    for (int i = 0; i < 8 && source[i] != 0 && source[i] != ' '; ++i)
        libref[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(source[i])));
    if (libref[0] == 0) return;
    qor_library_info info{};
    if (xhlinf2(libref, &info) != 0 || info.path == nullptr || info.path_length <= 0) {
        xpmlog(670, 1179, static_cast<int>(std::strlen(libref)), libref);
        return;
    }
    if (length_of(name) > 0 || length_of(path) > 0)
        xpmlog(670, 1180, length_of(s.project->name), text_of(s.project->name));
    const size_t n = static_cast<size_t>(info.path_length) < path_capacity - 1 ? static_cast<size_t>(info.path_length)
                                                                                 : path_capacity - 1;
    std::memcpy(path_buffer, info.path, n);
    path_buffer[n] = 0;
    char* slash = std::strrchr(path_buffer, '/');
    const size_t dir_length = slash != nullptr ? static_cast<size_t>(slash - path_buffer) : 0;
    path_from_lib = RSKNAMEREC{static_cast<uint16_t>(dir_length), static_cast<uint16_t>(dir_length), path_buffer};
    char* last = slash != nullptr ? slash + 1 : path_buffer;
    const size_t last_length = std::strlen(last);
    name_from_lib = RSKNAMEREC{static_cast<uint16_t>(last_length), static_cast<uint16_t>(last_length), last};
    name = &name_from_lib;
    path = &path_from_lib;
}

// Step 8: the output option a run mode forces on for the run.
void force_mode_option(RunState& s) {
    switch (s.parms->mode) {
    case RSKRUN_MODE_STATES: s.forced_option = &s.options->allstates; break;
    case RSKRUN_MODE_PRICING: s.forced_option = &s.options->allprice; break;
    case RSKRUN_MODE_AGGREGATION: s.forced_option = &s.options->ags; break;
    default: s.forced_option = nullptr; break;
    }
    if (s.forced_option != nullptr) {
        s.forced_old = *s.forced_option;
        *s.forced_option = 1;
    }
}

// The outputs that let a run go on without an instrument file: the market states, the shocks
// and the model covariances need no position.
bool runs_without_positions(const RSKOPTREC* options) {
    return options->allstates != 0 || options->shocks != 0 || options->modcov != 0;
}

// Step 9. 0 to go on, 1 to end the run. Without entries the run prices the project's own
// instrument file through one entry of its own (given back to the caller's record at the end).
int instrument_files(RunState& s) {
    RSKRUNPARMS* parms = s.parms;
    if (parms->entry_count == 0 && length_of(s.project->instrument_data) > 0) {
        auto* own = static_cast<RSKPORTENTRY*>(run_alloc(s.con, sizeof(RSKPORTENTRY), "instrument file entries", RSKMEM_INSTRUMENTS));
        if (own == nullptr) return 1;
        own->kind = RSKPORT_PRICE;
        own->analysis_parts = own->portfolio_parts = 1;
        own->name.name.text = own->name.buffer;   // empty: takes the project's name below
        s.own_entry = true;
        parms->entries = own;
        parms->entry_count = 1;
        count_kinds(parms);
    }
    RSKPORTENTRY* first = parms->entry_count > 0 ? &parms->entries[0] : nullptr;
    if (first != nullptr && (length_of(first->name) == 0 || text_of(first->name)[0] == ' ')) {
        first->name = s.project->instrument_data;
        first->name.name.text = first->name.buffer;
    }
    const bool none = first == nullptr || length_of(first->name) == 0;
    if (none) {
        if (!runs_without_positions(s.options)) {
            project_message(1284, s.project);
            return 1;
        }
        s.run->no_reuse = 1;
        return 0;
    }
    for (int32_t i = 0; i < parms->entry_count; ++i) {
        RSKPORTENTRY& entry = parms->entries[i];
        if (entry.kind == RSKPORT_READ_AGGREGATION) continue;
        entry.description = rsktdf(s.con, &entry.name.name);
        if (entry.description == nullptr) {
            name_project_message(1263, entry.name, s.project);
            return 1;
        }
    }
    return 0;
}

// Step 10.
int currency(RunState& s, const char* argument) {
    const char* code = argument;
    if (code == nullptr || code[0] == 0 || code[0] == ' ') code = s.project->numeraire;
    char upper[4] = {'U', 'S', 'D', 0};
    s.run->currency_given = 0;
    if (code != nullptr && code[0] != 0 && code[0] != ' ') {
        for (int i = 0; i < 3; ++i) upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(code[i])));
        s.run->currency_given = 1;
    }
    if (rskcur(s.con, upper) == nullptr) {
        s.run->currency_given = 0;
        xpmlog(598, 1267, 3, upper, length_of(s.project->name), text_of(s.project->name));
        return 1;
    }
    std::memcpy(s.run->currency, upper, 3);
    return 0;
}

// Step 11: a date that is missing, not a number or not above 0 does not count.
bool usable_date(double date) { return !qor::is_missing(date) && !std::isnan(date) && date > 0; }

void valuation_date(RunState& s, double argument) {
    double date = argument;
    if (!usable_date(date)) date = s.project->default_date;
    if (!usable_date(date)) date = s.con->no_date != 0 ? no_date_day() : std::floor(now() / kSecondsPerDay);
    s.run->valuation_date = date;
    s.run->base_date = date;
    s.run->state_date = date;
    RSKVARIABLE* v = s.con->system_variables != nullptr ? s.con->system_variables->date : nullptr;
    if (v != nullptr && v->run.record_address != nullptr) std::memcpy(v->run.record_address, &date, sizeof date);
}

// Step 14: every instrument file opened for input with its information member. A file that
// cannot be opened or read ends the run: later phases expect every entry to have its file.
// The variables the run's instruments use: read or written by the actions of the run, or
// flagged for the portfolio's references. The analyses' factor lists test this mark.
void mark_used_variables(RSKCON* con) {
    auto mark = [](RSKVARIABLE* v) {
        constexpr uint32_t kUse = RSKDEP_REF | RSKDEP_DEF | RSKDEP_USED_PRICE | RSKDEP_PRICE_ARG;
        const RSKVARDEPS& d = v->dependencies;
        v->run_used = (d.flags & kUse) != 0 || d.readers_first != nullptr || d.writers_first != nullptr ? 1 : 0;
    };
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) mark(v);
    if (con->runtime_tables != nullptr)
        for (RSKVARLINK* link = con->runtime_tables->factor_list.head; link != nullptr; link = link->next)
            if (link->variable != nullptr) mark(link->variable);
}

int open_instrument_files(RunState& s, bool& any_open) {
    any_open = false;
    for (int32_t i = 0; i < s.parms->entry_count; ++i) {
        RSKPORTENTRY& entry = s.parms->entries[i];
        if (entry.description == nullptr) continue;
        std::memset(static_cast<void*>(&entry.file), 0, sizeof entry.file);
        if (rsktrao(s.con, &entry.file, entry.description, 'I') != 0) {
            name_project_message(2705, entry.name, s.project);
            return 1;
        }
        any_open = true;
        audit(s.con, 3916, s.project);
        if (rsktrir(s.con, &entry.file, 1) != 0) {
            name_project_message(2706, entry.name, s.project);
            return 1;
        }
        entry.positions = entry.file.written;
    }
    return 0;
}

void close_instrument_files(RunState& s) {
    for (int32_t i = 0; i < s.parms->entry_count; ++i)
        if (s.parms->entries[i].file.open != 0) rsktrac(s.con, &s.parms->entries[i].file);
    s.run->transaction_file = nullptr;
}

// Step 22: the project's instrument filters set on every open file.
int set_filters(RunState& s) {
    const RSKNAMECELL* head = s.project->filters.head;
    if (head == nullptr) return 0;
    int count = 0;
    for (const RSKNAMECELL* c = head; c != nullptr; c = c->next) ++count;
    RSKNAMEREC* names = static_cast<RSKNAMEREC*>(run_alloc(s.con, sizeof(RSKNAMEREC) * static_cast<size_t>(count),
                                                           "instrument filter names", RSKMEM_INSTRUMENTS));
    if (names == nullptr) return 1;
    int k = 0;
    for (const RSKNAMECELL* c = head; c != nullptr; c = c->next) names[k++] = c->name.name;
    for (int32_t i = 0; i < s.parms->entry_count; ++i) {
        RSKPORTENTRY& entry = s.parms->entries[i];
        if (entry.file.open == 0) continue;
        s.run->transaction_file = &entry.file;
        if (rsktraf(s.con, &entry.file, names, count) != 0) return 1;
    }
    return 0;
}

// Step 26 and onwards: which outputs the aggregation time label names.
const char* aggregation_label(const RSKRUNPARMS* parms) {
    if (parms->kind_counts[2] == 0) return "Building";
    if (parms->kind_counts[0] > 0 || parms->kind_counts[1] > 0) return "Building and reading";
    return "Reading";
}

void log_minutes(int number, double seconds) {
    if (seconds < 0) return;
    const long whole = static_cast<long>(seconds);
    xpmlog(598, number, whole / 60, static_cast<double>(whole % 60) + (seconds - static_cast<double>(whole)));
}

// Step 29.2: positions of the entries priced or read back.
int count_positions(RunState& s) {
    long total = 0;
    int counted = 0;
    for (int32_t i = 0; i < s.parms->entry_count; ++i) {
        RSKPORTENTRY& entry = s.parms->entries[i];
        if (entry.kind == RSKPORT_READ_AGGREGATION) continue;
        ++counted;
        total = static_cast<long>(static_cast<double>(total) + entry.positions);
        if (!(entry.positions > 0) && s.parms->entry_count > 1) xpmlog(598, 1274, length_of(entry.name), text_of(entry.name));
    }
    if (total > 0) return 0;
    if (counted <= 1 && s.parms->entry_count >= 1) {
        name_project_message(1266, s.parms->entries[0].name, s.project);
        if (s.rc < 1) s.rc = 1;
    } else {
        fail(s, 1275);
    }
    return 1;
}

// Step 29.5: the price data sets of the run.
int define_price_sets(RunState& s) {
    RSKOUTOBJ* prices = s.run->outputs[RSKOUT_PRICES];
    int rc = 0;
    if (s.options->instvals != 0) rc = rskputd(s.con, nullptr, prices, RSKRES_INSTVALS);
    if (rc == 0 && s.options->outerror != 0) rc = rskputd(s.con, nullptr, prices, RSKRES_ERRORS);
    if (rc == 0 && s.options->values != 0) rc = rskputd(s.con, nullptr, prices, RSKRES_VALUES);
    if (rc == 0 && s.parms->mode == RSKRUN_MODE_PRICING) s.options->allprice = 1;
    if (rc == 0 && s.options->allprice != 0 && s.parms->kind_counts[0] > 0) {
        for (int kind : {RSKRES_ALLPRICE_A, RSKRES_ALLPRICE_S})
            if (rc == 0) rc = rskputd(s.con, nullptr, prices, kind);
        if (rc == 0) rc = create_values_a_s(s.con);
        for (int kind : {RSKRES_ALLPRICE_P, RSKRES_ALLPRICE_V, RSKRES_ALLPRICE})
            if (rc == 0) rc = rskputd(s.con, nullptr, prices, kind);
    }
    return rc;
}

void set_part_name(RSKPORTENTRY& entry, const char* format, int a, int b) {
    char text[40];
    std::memset(entry.part_name, ' ', sizeof entry.part_name);
    const int n = std::snprintf(text, sizeof text, format, a, b);
    std::memcpy(entry.part_name, text, static_cast<size_t>(n < 32 ? n : 32));
}

// Step 29.6: every entry priced (kind 0) or read back (kind 1).
int price_entries(RunState& s) {
    RSKRUNPARMS* parms = s.parms;
    int rc = 0;
    RSKPORTENTRY* first = parms->entry_count > 0 ? &parms->entries[0] : nullptr;
    if (parms->portfolio_parts > 1 && first != nullptr && first->kind == RSKPORT_READ_PRICES) {
        set_part_name(*first, "ALLPRICE_1_1_%i_%i", parms->portfolio_part, parms->portfolio_parts);
        s.run->current_entry = first;
        s.run->transaction_file = &first->file;
        return rskrun2(s.con, first);
    }
    for (int32_t i = 0; i < parms->entry_count && rc <= 0; ++i) {
        RSKPORTENTRY& entry = parms->entries[i];
        if (entry.kind == RSKPORT_READ_AGGREGATION) continue;
        s.run->current_entry = &entry;
        s.run->transaction_file = &entry.file;
        int r = 0;
        if (entry.kind == RSKPORT_PRICE) {
            r = rskrun2(s.con, &entry);
        } else if (entry.analysis_parts <= 1 && entry.portfolio_parts <= 1) {
            set_part_name(entry, "ALLPRICE", 0, 0);
            r = rskrun2(s.con, &entry);
        } else if (entry.portfolio_parts > 1) {
            if (s.options->allprice != 0) r = merge_allprice_from_portparts(s.con, &entry);
            for (int32_t part = 1; part <= entry.portfolio_parts && r <= 0; ++part) {
                entry.current_part = part;
                set_part_name(entry, "ALLPRICE_1_1_%i_%i", part, entry.portfolio_parts);
                const int one = rskrun2(s.con, &entry);
                if (one != 0) r = one;
            }
        } else {
            if (s.options->allprice != 0) r = merge_allprice_from_analparts(s.con, &entry);
            if (r == 0) {
                set_part_name(entry, "ALLPRICE_%%i_%%i_1_1", 0, 0);
                r = rskrun2(s.con, &entry);
            }
        }
        if (r > rc || (r < 0 && rc == 0)) rc = r;
    }
    return rc;
}

// Step 37: the reports the project names, run over the main output (RESLIB1, REPCURR).
void run_reports(RunState& s, RSKOUTOBJ* output) {
    RSKCON* con = s.con;
    auto macros = catalog_routine<CatalogSlot::rssrepi>();
    char libref[9] = {};
    std::memcpy(libref, output->libref, 8);
    char currency[4] = {s.run->currency[0], s.run->currency[1], s.run->currency[2], 0};
    if (macros != nullptr) macros(con, libref, currency);
    for (const RSKNAMECELL* cell = s.project->reports.head; cell != nullptr; cell = cell->next) {
        RSKCATOBJ* object = rskrep(con, &cell->name.name);
        if (object == nullptr) continue;
        auto* report = static_cast<RSKREPORT*>(rssofiq(con, object, 4));
        if (report != nullptr) rskrepr(con, report);
    }
}

// Step 33 onwards: the closing steps every run goes through.
void close_run(RunState& s, const int32_t* reports) {
    RSKCON* con = s.con;
    RSKRUNBLOCK* run = s.run;
    if (s.forced_option != nullptr) *s.forced_option = s.forced_old;
    close_instrument_files(s);
    // The counterparty run's data sets, counterparties and buffers live one run.
    const int counterparties_closed = close_cpty_run(con);
    if (counterparties_closed > s.rc) s.rc = counterparties_closed;
    const int order[RSKOUT_SLOTS] = {RSKOUT_MAIN, RSKOUT_STATES, RSKOUT_PRICES, RSKOUT_AGGREGATION};
    RSKOUTOBJ* closed[RSKOUT_SLOTS] = {};
    int n_closed = 0;
    for (int slot : order) {
        RSKOUTOBJ* object = run->outputs[slot];
        bool seen = object == nullptr;
        for (int k = 0; k < n_closed && !seen; ++k) seen = closed[k] == object;
        if (seen) continue;
        closed[n_closed++] = object;
        const int r = rskoutc(con, object);
        if (r > s.rc) s.rc = r;
    }
    if (RSKRUN_HAS(rskratc)) rskratc(con);

    if (s.missing_results != 0 && s.rc == 0) s.rc = 1;
    if (con->no_timer == 0) {
        log_minutes(2828, s.pricing_done > 0 && s.pricing_start > 0 ? s.pricing_done - s.pricing_start : -1);
        log_minutes(2815, now() - s.started);
    }
    if (s.options != nullptr && s.options->runsummary != 0 && s.rc == 0) {
        const double times[7] = {
            s.states_done > 0 ? s.states_done - s.pre_state : 0,
            s.pricing_done > 0 ? s.pricing_done - s.pricing_start : 0,
            s.aggregation_done > 0 ? s.aggregation_done - s.pricing_done : 0,
            s.pre_state > 0 ? s.pre_state - s.started : 0,
            0,
            0,
            now() - s.started,
        };
        run->phase_times[0] = times[0];
        print_summary(con, times);
    }
    if (s.rc == 0) {
        xpmlog(598, 1259, length_of(s.project->name), text_of(s.project->name), static_cast<long>(run->positions_valued));
        audit(con, 3919, s.project);
    } else {
        project_message(1262, s.project);
        if (con->echo != 0) xpmout(598, 1262, length_of(s.project->name), text_of(s.project->name));
        audit(con, 3912, s.project);
    }
    RSKOUTOBJ* main_output = run->outputs[RSKOUT_MAIN];
    if (s.options != nullptr && s.options->cube == 1 && main_output != nullptr && create_cubes(con) != 0)
        project_message(2729, s.project);
    if (reports != nullptr && main_output != nullptr) run_reports(s, main_output);
    if (s.options != nullptr && s.options->cube == 2 && main_output != nullptr && create_cubes(con) != 0)
        project_message(2729, s.project);
    // Step 38: a complete run keeps its output object in the catalog.
    if (s.parms->mode == RSKRUN_MODE_COMPLETE && main_output != nullptr && run->output_entries[RSKOUT_MAIN] != nullptr) {
        auto save = catalog_routine<CatalogSlot::rssofis>();
        if (save == nullptr || save(con, run->output_entries[RSKOUT_MAIN], 0) != 0) {
            xpmlog(598, 2719, length_of(main_output->name), text_of(main_output->name), length_of(s.project->name),
                   text_of(s.project->name));
            if (s.rc == 0) s.rc = 1;
        }
    }
    rskmemf(con);
    if (s.own_entry) {
        s.parms->entries = nullptr;
        s.parms->entry_count = 0;
        count_kinds(s.parms);
    }
    run->project = nullptr;
    run->parms = nullptr;
    run->current_entry = nullptr;
    run->instrument_files = nullptr;
    run->instrument_file_count = 0;
}

// Steps 1 to 32. Returns when the run ends; the code is in s.rc.
void run_steps(RunState& s, RSKCATOBJ* project_object, double date, const char* currency_code,
               const RSKNAMEREC* output_name, const RSKNAMEREC* output_path, RSKOPTREC* option_block,
               RSKNAMELIST* market_data, const RSKNAMEREC* run_name, const char* output_library) {
    RSKCON* con = s.con;
    RSKRUNBLOCK* run = s.run;
    RSKRUNPARMS* parms = s.parms;
    RSKPROJECT* project = s.project;

    if (run_name != nullptr && length_of(run_name) > 0) {
        rskname(con, &run->run_name, run_name->text, run_name->length);
    } else {
        rskname(con, &run->run_name, text_of(project->name), length_of(project->name));
    }
    rskname(con, &run->project_name, text_of(project->name), length_of(project->name));
    run->project = project;
    // The project check looks for the run's own instrument files when it names any.
    if (parms->entry_count > 0) {
        run->instrument_files = static_cast<RSKRUNBLOCK::RunFile*>(run_alloc(
            con, sizeof(RSKRUNBLOCK::RunFile) * static_cast<size_t>(parms->entry_count), "instrument file entries",
            RSKMEM_INSTRUMENTS));
        if (run->instrument_files == nullptr) return void(s.rc = 1);
        for (int32_t i = 0; i < parms->entry_count; ++i) {
            const RSKPORTENTRY& entry = parms->entries[i];
            if (entry.kind == RSKPORT_READ_AGGREGATION || length_of(entry.name) == 0 || text_of(entry.name)[0] == ' ')
                continue;
            RSKRUNBLOCK::RunFile& file = run->instrument_files[run->instrument_file_count++];
            rskname(con, &file.name, text_of(entry.name), length_of(entry.name));
        }
    }
    if (rskprj0(con, project) != 0) return fail(s, 2701);
    run->aggregation.analysis_part = parms->analysis_part;
    run->aggregation.analysis_parts = parms->analysis_parts;
    run->aggregation.portfolio_part = parms->portfolio_part;
    run->aggregation.portfolio_parts = parms->portfolio_parts;

    if (run->cross_class != nullptr && parms->kind_counts[2] > 0) {
        auto* cross = static_cast<RSKCROSSCLASS*>(run->cross_class->object);
        if (cross != nullptr && cross->count > 1) return fail(s, 2700);
    }

    // Step 7.
    char libref[9];
    RSKNAMEREC lib_name{}, lib_path{};
    char lib_path_buffer[1024];
    const RSKNAMEREC* out_name = output_name != nullptr && length_of(output_name) > 0 ? output_name : &project->output.name;
    const RSKNAMEREC* out_path =
        output_path != nullptr && length_of(output_path) > 0 ? output_path : &project->output_path.name;
    output_location(s, out_name, out_path, libref, lib_name, lib_path, lib_path_buffer, sizeof lib_path_buffer,
                    output_library);

    // Step 8.
    if (option_block == nullptr) {
        option_block = &project->options;
        const RSKOPTREC* env = &con->options->current;
        option_block->keeplib = env->keeplib;
        option_block->autosave = env->autosave;
        option_block->autores = env->autores;
        option_block->search = env->search;
        option_block->envcopy = env->envcopy;
        option_block->backsave = env->backsave;
        option_block->precise = env->precise;
        option_block->optimize = env->optimize;
        option_block->option321 = env->option321;
        option_block->option322 = env->option322;
        option_block->prgsnote = env->prgsnote;
        option_block->maxthreads = env->maxthreads;
        option_block->option331 = env->option331;
    }
    s.options = option_block;
    run->run_options = option_block;
    force_mode_option(s);
    run->no_reuse = option_block->optimize == 0 ? 1 : 0;
    if (run->no_reuse != 0) project_message(1283, project);

    if (instrument_files(s) != 0) return void(s.rc = 1);
    if (currency(s, currency_code) != 0) return void(s.rc = 1);
    valuation_date(s, date);
    if (get_cf_setting(con, project) != 0) return fail(s, 2704);
    if (rskmem1(con) != 0 || rskmem_value_storage(con, 0) != 0) return fail(s, 2708);

    bool any_open = false;
    if (open_instrument_files(s, any_open) != 0) return void(s.rc = 1);
    if (any_open && rsktrix(con) != 0) return fail(s, 2737);

    // Step 16: the counterparty methods of an active container are resolved first (2713 on
    // failure).
    if (con->cpty_container != nullptr && con->cpty_container_state == RSKCON_CONTAINER_LOADED &&
        rskrsvcpty(con) != 0)
        return fail(s, 2713);
    if (rskrsv3(con) != 0) return fail(s, 2710);
    if (rskrsv7(con, &project->post_valuation) != 0) return fail(s, 2713);
    if (rskrsv8(con, &project->post_pricing) != 0) return fail(s, 2713);
    if (run->fx_spot != 0) flag_fx_spot(con);

    // Step 18.
    run->market_data_list = market_data != nullptr ? market_data->head : project->input_data.head;
    if (rskmdsl(con, run->market_data_list) != 0) {
        project_message(2709, project);
        run->market_data_failed = 1;
    }

    // Step 20.
    if (rskrsv2(con, &project->pricing_sets, 1) != 0) return fail(s, 2707);
    if (rskrsvd(con, 0) != 0) return fail(s, 2711);
    if (rskpmx1(con, 1) != 0) return fail(s, 2703);
    mark_used_variables(con);
    if (rskruna(con, project) != 0) return fail(s, 2722);
    if (rskmem2(con) != 0) return fail(s, 2708);
    if (run->market_data_failed == 0 && RSKRUN_HAS(rskrato) && rskrato(con, run->valuation_date) > 1)
        project_message(2709, project);

    // Step 22.
    if (rskrsv6(con, &project->project_methods) != 0) return fail(s, 2713);
    if (any_open && set_filters(s) != 0) return fail(s, 2712);

    // Step 24.
    const int created = create_outobj(con, project, out_name, out_path, libref, RSKOUT_MAIN + 1);
    if (created != 0) return void(s.rc = created);
    link_run_results(con);
    run->outputs[RSKOUT_STATES] = run->outputs[RSKOUT_PRICES] = run->outputs[RSKOUT_AGGREGATION] =
        run->outputs[RSKOUT_MAIN];
    run->output_entries[RSKOUT_STATES] = run->output_entries[RSKOUT_PRICES] =
        run->output_entries[RSKOUT_AGGREGATION] = run->output_entries[RSKOUT_MAIN];

    // Step 25.
    {
        const int built = rskrun0(con, project);
        if (built != 0) return fail(s, 2722, built);
    }
    if (rskgen0(con) != 0) return fail(s, 2713);
    if (rskgen2(con) != 0) return fail(s, 2714);
    if (rskgcmp(con) != 0) return fail(s, 2716);
    if (rskrsvb(con) != 0) return fail(s, 2717);
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        v->outside_pricing = v->analysis_use == 0 && (v->dependencies.flags & RSKDEP_REF) == 0 ? 1 : 0;

    // Step 26.
    if (parms->regenerate == 0 && parms->read_states != 0) {
        if (!RSKRUN_HAS(rskresr) || rskresr(con, 0) != 0) return void(s.rc = 100);
    }
    if (parms->state_sources > 1) {
        if (create_states_v(con) != 0) return void(s.rc = 1);
        if (rskputd(con, nullptr, run->outputs[RSKOUT_STATES], RSKRES_STATES) != 0) return void(s.rc = 1);
    }
    if (any_open) {
        const int grouped = rskrung(con, project);
        if (parms->generate_states != 0) {
            if (grouped != 0) return fail(s, 2724);
            const long cells = run->aggregation.output_cells;
            xpmlog(598, 4140, cells);
        }
    }
    s.pre_state = now();

    // Step 27.
    if (RSKRUN_HAS(rskrati) && rskrati(con) != 0) return void(s.rc = 1);
    if (parms->read_states != 0 && rskgdso_ms(con) != 0) return void(s.rc = 1);
    if (rskexaw(con, 0) != 0) return fail(s, 2824);
    if (rskexay(con, 0) != 0) return fail(s, 2820);
    const int states_rc = rskrun1(con, project);
    if (RSKRUN_HAS(rskress)) {
        const int compared = rskress(con);
        if (compared != 0) return void(s.rc = compared);
    }
    if (parms->read_states != 0 && rskgdsc(con) != 0) return void(s.rc = 1);
    if (rskexay(con, 4) != 0) project_message(2821, project);
    if (rskexaw(con, 2) != 0) return fail(s, 2825);
    s.states_done = now();
    if (con->no_timer == 0) {
        const char* label = parms->read_states != 0 ? "Reading" : parms->generate_states != 0 ? "Generation"
                                                                                              : "Reading utility information";
        xpmlog(598, 2816, label, s.states_done - s.pre_state);
    }
    if (states_rc != 0) {
        project_message(2725, project);
        if (states_rc > 99 || con->error != 0) return void(s.rc = states_rc > 1 ? states_rc : 1);
        s.missing_results = 1;
    }

    // Step 28.
    link_run_results(con);
    if (parms->generate_states != 0 || parms->read_states == 0) {
        if (!RSKRUN_HAS(rskresw)) return void(s.rc = 1);
        const int written = rskresw(con);
        if (written != 0) return void(s.rc = written);
    }
    if (parms->mode == RSKRUN_MODE_STATES) {
        rskmemp(con, 4100, text_of(project->name), length_of(project->name));
        return;
    }

    // Step 29.
    if (prepare_cashflow(con) != 0) return void(s.rc = 1);
    if (parms->kind_counts[0] > 0 || parms->kind_counts[1] > 0) {
        if (!any_open) return fail(s, 1265);
        if (count_positions(s) != 0) return;
        if (rskgen0(con) != 0) return fail(s, 2713);
        if (rskgen3(con) != 0) return fail(s, 2715);
        if (rskgcmp(con) != 0) return fail(s, 2716);
        if (rskexaz(con, 0) != 0) return fail(s, 2812);
        s.pricing_start = now();
        if (run->cf_leg_count > 0 && prepare_cf_legs(con) != 0) return void(s.rc = 1);
        const int defined = define_price_sets(s);
        if (defined != 0) return void(s.rc = defined);
        const int priced = price_entries(s);
        s.pricing_done = now();
        const int plen = length_of(project->name);
        xpmlog(598, run->values_delivered > 0 ? 2738 : 2838, static_cast<long>(run->states_priced), plen,
               text_of(project->name), static_cast<long>(run->values_delivered));
        rskmemp(con, 4100, text_of(project->name), plen);
        if (priced != 0) {
            project_message(2726, project);
            if (priced == -1 || con->error != 0) return void(s.rc = priced == -1 ? -1 : (priced > 1 ? priced : 1));
            s.missing_results = 1;
        }
        if (run->positions_valued < 1.0 && parms->entries[0].kind == RSKPORT_PRICE) {
            name_project_message(1266, parms->entries[0].name, project);
            return void(s.rc = 1);
        }
    }

    // Step 30.
    if (parms->mode == RSKRUN_MODE_PRICING) return;
    if (run->aggregation.source_count > 0) {
        // Earlier parts' cells merge through the run's own roll-up, into its results cell when
        // there is no cross-classification.
        run->aggregation.merge_update = &roll_up_analysis;
        if (run->aggregation.control == nullptr && run->aggregation.result_record == nullptr) {
            run->aggregation.result_record = run->results_cell;
            run->aggregation.result_size = run->results_cell_size;
        }
        const int merged = rskgrpr(con);
        if (merged != 0) return void(s.rc = merged);
    }
    if (s.options->ags != 0) {
        const int written = rskgrpw(con);
        if (written != 0) return void(s.rc = written);
    }
    if (rskrun3(con) != 0) {
        project_message(2727, project);
        if (con->error != 0) return void(s.rc = 1);
        s.missing_results = 1;
    }
    if (run->aggregation.control != nullptr) {
        const int sorted = rskgrp2(con, run->aggregation.control);
        if (sorted != 0) {
            xebug("rskrun: bad rc=%i from rskgrp2.", sorted);
            return void(s.rc = sorted);
        }
    }
    s.aggregation_done = now();
    if (con->no_timer == 0) xpmlog(598, 2827, aggregation_label(parms), s.aggregation_done - s.pricing_done);

    // Step 31.
    if (parms->mode == RSKRUN_MODE_AGGREGATION) return;
    const int finished = rskrun4(con);
    if (run->aggregation.control != nullptr) {
        const long cells = run->aggregation.output_cells;
        const long cell_size = run->cell_size;
        long size = (cells * cell_size + 511) / 1024;
        if (cells > 0 && cell_size > 0 && size < 1) size = 1;
        if (con->generic != 0) size = -1;
        xpmlog(598, 4131, cells, length_of(project->name), text_of(project->name), size, cells);
    }
    if (finished != 0) {
        project_message(2728, project);
        if (con->error != 0) return void(s.rc = 1);
        s.missing_results = 1;
    }
    if (rskrun5(con) != 0) {
        project_message(2729, project);
        if (con->error != 0) return void(s.rc = 1);
        s.missing_results = 1;
    }
    for (const RSKANLPROC* r = run->analyses_head; r != nullptr; r = r->next)
        if (r->failed) s.missing_results = 1;

    // Step 32.
    if (parms->kind_counts[0] > 0) {
        if (rskexaz(con, 4) != 0) project_message(2813, project);
        if (rskexaw(con, 4) != 0) return fail(s, 2826);
    }
    (void)project_object;
}

}  // namespace

void rskrun_default_parms(RSKRUNPARMS* parms) {
    std::memset(static_cast<void*>(parms), 0, sizeof *parms);
    parms->mode = RSKRUN_MODE_COMPLETE;
    parms->analysis_part = parms->analysis_parts = 1;
    parms->portfolio_part = parms->portfolio_parts = 1;
    parms->state_sources = 1;
    std::memset(parms->results_ref, ' ', sizeof parms->results_ref);
    std::memset(parms->output_library, ' ', sizeof parms->output_library);
}

int rskrun(RSKCON* con, RSKCATOBJ* project_object, double date, const char* currency_code,
           const RSKNAMEREC* output_name, const RSKNAMEREC* output_path, RSKOPTREC* options, RSKNAMELIST* market_data,
           const int32_t* reports, const RSKNAMEREC* run_name, RSKRUNPARMS* parms, const char* output_library) {
    auto* project = project_object != nullptr ? static_cast<RSKPROJECT*>(project_object->object) : nullptr;
    if (con == nullptr || project == nullptr || parms == nullptr) return 1;
    RunState s{};
    s.con = con;
    s.project = project;
    s.parms = parms;

    // Step 1.
    xpslog(" ");
    project_message(1248, project);
    s.started = now();
    if (!parts_valid(parms)) {
        project_message(1262, project);
        return 1;
    }
    // Step 2.
    if (rskpre0(con) != 0) {
        project_message(1262, project);
        return 1;
    }
    if (con->runtime_tables == nullptr || con->runtime_tables->variables.count <= 1) {
        xpmlog(598, 1250);
        project_message(1262, project);
        return 1;
    }
    // Step 3.
    if (rskmem0(con) != 0) {
        project_message(2708, project);
        project_message(1262, project);
        return 1;
    }
    s.run = con->run_block;
    s.run->parms = parms;
    count_kinds(parms);
    // Step 4.
    audit(con, 3913, project);
    s.run->start_time = con->no_date != 0 ? no_date_day() * kSecondsPerDay : now();
    s.run->run_time = s.run->start_time;

    run_steps(s, project_object, date, currency_code, output_name, output_path, options, market_data, run_name,
              output_library);
    close_run(s, reports);
    return s.rc;
}
