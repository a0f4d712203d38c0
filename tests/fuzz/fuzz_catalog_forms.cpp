// Fuzz target: lists built from the input's bytes, with the items that the stored forms of
// objects use, go to the reader of one object kind (the first byte picks it) against the running
// engine; a list that loads is written back through the kind's writer. Nothing may crash, hang
// or leak, whatever the list holds.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/tables/catalog_table.h"
#include "engine/tables/engine_table.h"
#include "host/kernel.h"
#include "host/lists.h"
#include "runtime/core/print_internal.h"
#include "runtime/core/step.h"

namespace {

using Load = int (*)(RSKCON*, uint32_t, RSKLISTWS*, int, int, RSKCATOBJ**, RSKCATOBJ*);
using Save = int (*)(RSKCON*, void*, uint32_t, RSKLISTWS*, int, int);

struct Kind {
    const char* object_type;
    Load (*load)();
    Save (*save)();
};

template <CatalogSlot L, CatalogSlot S>
constexpr Kind kind(const char* type) {
    return {type, [] { return reinterpret_cast<Load>(catalog_routine<L>()); },
            [] { return reinterpret_cast<Save>(catalog_routine<S>()); }};
}

const Kind kKinds[] = {
    kind<CatalogSlot::rssanls, CatalogSlot::rssanlg>("ANALYSIS"),
    kind<CatalogSlot::rsscals, CatalogSlot::rsscalg>("CALENDAR"),
    kind<CatalogSlot::rssccss, CatalogSlot::rssccsg>("CROSSCLASS"),
    kind<CatalogSlot::rssdats, CatalogSlot::rssdatg>("TDATA"),
    kind<CatalogSlot::rssidss, CatalogSlot::rssidsg>("INPUTDS"),
    kind<CatalogSlot::rsspmxs, CatalogSlot::rsspmxg>("PARAMETER"),
    kind<CatalogSlot::rssposs, CatalogSlot::rssposg>("TSOURCE"),
    kind<CatalogSlot::rssprjs, CatalogSlot::rssprjg>("PROJECT"),
    kind<CatalogSlot::rssprss, CatalogSlot::rssprsg>("PRATESET"),
    kind<CatalogSlot::rssreps, CatalogSlot::rssrepg>("RISKREPORT"),
    kind<CatalogSlot::rsstdfs, CatalogSlot::rsstdfg>("TFILE"),
    kind<CatalogSlot::rsstgds, CatalogSlot::rsstgdg>("TIMEGRID"),
    kind<CatalogSlot::rsstsgs, CatalogSlot::rsstsgg>("TRANSTATS"),
    kind<CatalogSlot::rsswebs, CatalogSlot::rsswebg>("RISKWEBREP"),
    kind<CatalogSlot::rsswhrs, CatalogSlot::rsswhrg>("FILTER"),
};
constexpr size_t kKindCount = sizeof kKinds / sizeof kKinds[0];

// Item names the forms read, and words they recognise.
const char* const kNames[] = {
    "TYPE", "INHERIT", "FACTORS", "WORK", "OPTIONS", "DESC", "VARIABLES", "INDEX", "OUTPATH", "INTERVAL",
    "INPUTDS", "DATA", "ANALYSIS", "PATH", "FILENAME", "KIND", "FORMAT", "FILTERS", "CURRENCY", "VARNAME",
    "SURFACE", "STATISTICS", "SAMPLE", "PRS", "MOREDATE", "MEMNAME", "LABEL", "HLIST", "EVALDATE", "DEFAULTS",
    "VALUE", "TIMEGRID", "ROWS", "REFMAPS", "PROJECT", "PIVOT", "OVERLAP", "OUTPUT", "OUTNAME", "OUTLIB",
    "OBJECTIVE", "NELEMLIST", "INPUT", "GENERATOR", "FUNCTION", "ERRMODEL", "DURATION", "DETAILS",
    "DEFAULT_TYPE", "CROSSCLASS", "COVDATA", "CONSLIST", "COLUMNS", "CFBUCKET", "CATEGORIES", "BUCKETTYPE",
    "ADJUSTMIS", "WISHART", "VEGA", "VARKIND", "T_DF", "THETA", "SUBJECTTO", "STRESS", "STATNAME",
    "STARTDATE", "SIMULATION", "SHOCK_PARMS", "SHOCK_COV", "SEED", "SCALE", "ROWNAME", "ROLLUP", "RET_FLAG",
    "REPORTS", "PVMLIST", "PRSLIST", "PRMLIST", "PPMLIST", "POSNAME", "PL_FLAG", "PARMS_STRESS", "OUTVARS",
    "NVALLIST", "NUMERICDER", "NUMERAIRE", "NDRAW", "MODELS", "MIN", "METHOD", "MAX", "MATCH", "MARGINAL",
    "MAP", "LINCON", "LAMBDA", "LAGGRID", "KEY", "INSTTYPE", "INSTID", "HIERARCHIES", "GRID", "FROMCUR",
    "FILTER", "EXP_FLAG", "ENDDATE", "ELEMENTS", "DSNAMES", "DATASETS", "DATASET", "CRSGAM", "CONDITIONAL",
    "CLASSNAME", "CFBUCKETTYPE", "CFBUCKETSTART", "CFBUCKETBY", "CASHFLOWS", "BYVARS", "BOUNDS", "BENCHTIME",
    "BENCHMARK", "N", "RUNDATE", "PROPERTIES", "SECURITIES", "MODIFIED", "",
};
const char* const kTexts[] = {
    "abs", "rel", "val", "std", "RETURN", "STD", "ES", "ATRISK", "DATE", "HORIZON", "NONE", "BASE", "WEEKDAY",
    "MONTH", "modified", "macaulay", "cumulativ", "simple", "all", "traditional", "EffectDur", "PartialDur",
    "Sim", "S1", "A", "B", "X", "", "USD", "data.x", "work.mkt", "Covariance", "Sobol", "*unknown*",
    "Scenario", "Sensitivity", "P/L Curve", "Historical Simulation", "T_DISTRIBUTION",
};

template <typename T, size_t N>
constexpr size_t count_of(T (&)[N]) { return N; }

struct Bytes {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    uint8_t next() { return at < size ? data[at++] : 0; }
    bool more() const { return at < size; }
};

void add_items(Bytes& in, qor_list* list, int depth) {
    const int items = in.next() % 12;
    for (int i = 0; i < items && in.more(); ++i) {
        const uint8_t what = in.next();
        const char* name = kNames[in.next() % count_of(kNames)];
        switch (what % 5) {
        case 0: slinsc(list, kTexts[in.next() % count_of(kTexts)], QOR_SL_APPEND, name); break;
        case 1: {
            uint8_t raw[8];
            for (uint8_t& b : raw) b = in.next();
            double value;
            std::memcpy(&value, raw, sizeof value);   // any bit pattern: missing values, NaNs, infinities
            slinsd(list, value, QOR_SL_APPEND, name);
            break;
        }
        case 2: slinsd(list, static_cast<int8_t>(in.next()), QOR_SL_APPEND, name); break;
        case 3: slinsd(list, 20000 + in.next() * 10.0, QOR_SL_APPEND, name); break;
        default:
            if (depth > 0) {
                qor_list* sub = nullptr;
                slnewl(&sub, nullptr, 84);
                add_items(in, sub, depth - 1);
                slinsl(list, slid(sub), QOR_SL_APPEND, name);
                sldel(sub, 0);
            }
        }
    }
}

bool setup() {
    static bool ready = [] {
        qor_print_set_log_file("/dev/null");
        qor_print_set_print_file("/dev/null");
        return wiinstl((14 << 16) | 381, "TOLVANEA", 1) == 0 && wiinstl((14 << 16) | 383, "TOLVANEC", 1) == 0;
    }();
    return ready;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || !setup()) return 0;
    Bytes in{data, size};
    const Kind& k = kKinds[in.next() % kKindCount];
    qor_step* step = qor::runtime::begin_step("ZOZU", "", 0, 1);
    RSKCON* con = nullptr;
    const int started = engine_routine<EngineSlot::rskinit>()(&con, 0, 0, 0);
    qor::runtime::end_step(step);
    if (started != 0 || con == nullptr) return 0;

    qor_list* list = nullptr;
    slnewl(&list, nullptr, 84);
    // Mostly the kind's own object type, so that the reader gets past its first check.
    slinsc(list, in.next() % 8 != 0 ? k.object_type : "ANALYSIS", QOR_SL_APPEND, "OBJTYPE");
    const char name[2] = {static_cast<char>('A' + in.next() % 3), 0};
    slinsc(list, name, QOR_SL_APPEND, "NAME");
    add_items(in, list, 3);
    RSKCATOBJ* header = nullptr;
    if (k.load()(con, slid(list), nullptr, 0, 0, &header, nullptr) == 0 && header != nullptr &&
        header->object != nullptr) {
        qor_list* again = nullptr;
        slnewl(&again, nullptr, 84);
        k.save()(con, header->object, slid(again), nullptr, 0, 0);
        sldel(again, 0);
    }
    sldel(list, 0);
    engine_routine<EngineSlot::rskterm>()(con);
    return 0;
}
