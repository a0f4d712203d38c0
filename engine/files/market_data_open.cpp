// Opening a market data set for one of its open types (current values, time series, standard
// deviations, covariance and correlation matrices, scenarios, linear transforms, parameters),
// closing it, and marking the risk factors that the current market data hold.
#include <cstring>

#include "common/memory/pool_memory.h"
#include "common/intervals/interval_detect.h"
#include "engine/files/market_data_internal.h"
#include "engine/model/audit/audit_log.h"
#include "engine/model/market/market_data_sets.h"
#include "engine/model/registries/code_registries.h"
#include "host/formats.h"
#include "host/kernel.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

// The definition types that the open types read.
enum : uint32_t { kDataFeed = 2 };

// Explicit names are searched for any interval and quietly; the run's list with the request's
// interval code, reporting a miss before the environment's list is searched.
int code_of(const mds* md, const RSKNAMECELL* names) { return names != nullptr ? 0 : md->interval.code; }
int report_of(const RSKNAMECELL* names) { return names == nullptr ? 1 : 0; }

int open_current(RSKCON* con, mds* md, const RSKNAMECELL* names, const RSKVARLINK* factors, int bind, int report) {
    if (locate_input_ds(con, md, kDataFeed, names, 0, 0) != nullptr) {
        xebug("rskmdso: open_data_feed not implemented yet.");
        md->error = 1;
        return 99;
    }
    RSKINPUTDS* definition = locate_input_ds(con, md, RSKMDSTYPE_CURRENT, names, 0, report);
    if (definition == nullptr) return 2;
    int rc = open_dataset(con, md, definition);
    if (rc == 0) rc = find_and_bind(con, md, factors, RSKMDS_SLOT_CURRENT, bind);
    return rc;
}

int open_time_series(RSKCON* con, mds* md, const RSKNAMECELL* names, const RSKVARLINK* factors) {
    RSKINPUTDS* definition = locate_input_ds(con, md, RSKMDSTYPE_TIMESERIES, names, code_of(md, names), report_of(names));
    if (definition == nullptr) return 2;
    int rc = check_interval(con, md, definition);
    if (rc == 0) rc = open_dataset(con, md, definition);
    if (rc == 0) rc = find_date_var(con, md, 1);
    if (rc == 0) rc = find_and_bind(con, md, factors, RSKMDS_SLOT_CURRENT, 1);
    if (rc != 0 || definition->interval.code == 0) return rc;
    if (zintdcp(md->data, md->date_number, &definition->interval, nullptr) > 1) {
        xpmlog(598, 2420, MDS_MEMBER(md), MDS_DEFINITION(md), static_cast<int>(definition->interval.text_length),
               definition->interval.text);
        md->error = 1;
        return 4;
    }
    md->reader.dataset = md->data;
    return xopnt(&md->reader, QOR_POINT_FIRST) == 0 ? 0 : mds_host_failure(-1);
}

int open_scenarios(RSKCON* con, mds* md, const RSKNAMECELL* names, const RSKVARLINK* factors) {
    RSKINPUTDS* definition = locate_input_ds(con, md, RSKMDSTYPE_SCENARIOS, names, code_of(md, names), report_of(names));
    if (definition == nullptr) definition = locate_input_ds(con, md, RSKMDSTYPE_CHANGES, names, code_of(md, names), report_of(names));
    if (definition == nullptr) return 2;
    int rc = check_interval(con, md, definition);
    if (rc == 0) rc = open_dataset(con, md, definition);
    if (rc != 0) return rc;
    rc = find_date_var(con, md, 0);
    if (rc != 0 && rc != 2) return rc;
    rc = find_horizon_var(con, md);
    if (rc != 0 && rc != 2) return rc;
    return find_and_bind(con, md, factors, RSKMDS_SLOT_CURRENT, 1);
}

int open_std(RSKCON* con, mds* md, const RSKNAMECELL* names) {
    RSKINPUTDS* definition = locate_input_ds(con, md, RSKMDSTYPE_VOLATILITY, names, code_of(md, names), report_of(names));
    if (definition == nullptr) return 2;
    int rc = check_interval(con, md, definition);
    if (rc == 0) rc = open_dataset(con, md, definition);
    if (rc == 0) rc = find_type_var(con, md);
    if (rc == 0) rc = find_and_bind(con, md, nullptr, RSKMDS_SLOT_STD, 1);
    return rc;
}

// Covariance and correlation definitions are searched in the run's list only, quietly.
int open_covariance(RSKCON* con, mds* md, uint32_t type, const RSKNAMECELL* names, const RSKVARLINK* factors) {
    RSKINPUTDS* definition = locate_input_ds(con, md, type, names, code_of(md, names), 0);
    if (definition == nullptr) return 2;
    int rc = check_interval(con, md, definition);
    if (rc == 0) rc = open_dataset(con, md, definition);
    if (rc == 0) rc = find_type_var(con, md);
    if (rc == 0) rc = find_name_var(con, md);
    if (rc == 0) rc = find_and_bind(con, md, factors, RSKMDS_SLOT_COVROW, 1);
    return rc;
}

// LinTrans and Parameters definitions are opened by explicit name only; their readers read them.
int open_named(RSKCON* con, mds* md, uint32_t type, const RSKNAMECELL* names) {
    if (names == nullptr) return 2;
    RSKINPUTDS* definition = locate_input_ds(con, md, type, names, 0, 0);
    if (definition == nullptr) return 2;
    return open_dataset(con, md, definition);
}

void audit_open(RSKCON* con, const mds* md) {
    char when[40] = "";
    int width = static_cast<int>(con->datetime_format.width);
    if (width < 1 || width > 30) width = 19;
    if (con->datetime_format.handle == 0 || xpfs(wzdttme(), width, static_cast<int>(con->datetime_format.handle),
                                                 when) != 0)
        width = 0;
    const char* description = "";
    const int length = rskcsmd(con, static_cast<int>(md->definition->type), &description);
    rskadtp(con, 598, 3920, width, when, MDS_DEFINITION(md), length, description, MDS_MEMBER(md));
}

int open_by_type(RSKCON* con, mds* md, const RSKNAMECELL* names, const RSKVARLINK* factors) {
    switch (md->open_type) {
    case RSKMDS_CURRENT: return open_current(con, md, names, factors, 1, report_of(names));
    case RSKMDS_TIMESERIES:
    case RSKMDS_TIMESERIES_GAPS: return open_time_series(con, md, names, factors);
    case RSKMDS_STD: return open_std(con, md, names);
    case RSKMDS_COVARIANCE: return open_covariance(con, md, RSKMDSTYPE_COVARIANCE, names, factors);
    case RSKMDS_SCENARIOS: return open_scenarios(con, md, names, factors);
    case RSKMDS_LINTRANS: return open_named(con, md, RSKMDSTYPE_LINTRANS, names);
    case RSKMDS_PARAMETERS: return open_named(con, md, RSKMDSTYPE_PARAMETERS, names);
    case RSKMDS_CORRELATION: return open_covariance(con, md, RSKMDSTYPE_CORRELATION, names, factors);
    default: xebug("rskmdso: invalid opentype %i", md->open_type); return 1;
    }
}

}  // namespace

int rskmdso(RSKCON* con, mds* md, int open_type, RSKANALYSIS* analysis, const RSKNAMECELL* names,
            const interval_spec* interval, const RSKVARLINK* factors) {
    if (con == nullptr || md == nullptr) return 99;
    std::memset(static_cast<void*>(md), 0, sizeof *md);
    md->analysis = analysis;
    md->open_type = open_type;
    if (interval != nullptr) md->interval = *interval;
    md->previous_date = qor::missing();
    const int rc = open_by_type(con, md, names, factors);
    if (rc == 0 && con->audit && md->definition != nullptr) audit_open(con, md);
    return rc;
}

int rskmdsc(RSKCON* con, mds* md) {
    if (md == nullptr) return 0;
    if (md->get != nullptr) xvgett(md->get);
    if (md->data != nullptr) xoclose(md->data, 0);
    md->get = nullptr;
    md->data = nullptr;
    md->reader.dataset = nullptr;
    md->open = 0;
    if (md->factors != nullptr && con != nullptr) {
        const size_t bytes = sizeof(RSKVARIABLE*) * static_cast<size_t>(md->factor_count > 0 ? md->factor_count : 1);
        vmfree_handler(con->general_pool, md->factors, bytes, QOR_FREE_SIZED);
    }
    md->factors = nullptr;
    return 0;
}

int rskmdsl(RSKCON* con, const RSKNAMECELL* names) {
    if (con == nullptr) return 99;
    mds md{};
    md.open_type = RSKMDS_CURRENT;
    md.previous_date = qor::missing();
    // The run asks before its market vectors exist: the factors are found and marked, not bound.
    const int rc = open_current(con, &md, names, nullptr, 0, 1);
    rskmdsc(con, &md);
    return rc;
}
