// The ZOZU dispatch table: statement names and the handlers that run them, in match order.
// Handlers are filled in as they are built; a null routine is reported as not yet available.
#include <cstring>

#include "procedure/analysis_statements.h"
#include "procedure/counterparty_containers.h"
#include "procedure/definition_handlers.h"
#include "procedure/engine_calls.h"
#include "procedure/housekeeping.h"
#include "procedure/marketdata_stmt.h"
#include "procedure/price_stmts.h"
#include "procedure/run_statements.h"
#include "procedure/read_stmt.h"
#include "procedure/zozu_dispatch.h"

namespace zozu {

const HandlerEntry kHandlers[] = {
    {"ARRAY", "array_stmt", &array_stmt},
    {"ARRAYS", "array_stmt", &array_stmt},
    {"CASHFLOW", "cashflow_stmt", &cashflow_stmt},
    {"CONVERT", "convert_stmt", nullptr},
    {"CROSSCLASS", "crossclass_stmt", &crossclass_stmt},
    {"CUREXPOSURE", "curexposure_stmt", &curexposure_stmt},
    {"CURRENCIES", "currencies_stmt", &currencies_stmt},
    {"CURRENCY", "currencies_stmt", &currencies_stmt},
    {"COUNTERPARTY", "cpty_stmt", &cpty_stmt},
    {"CPTY", "cpty_stmt", &cpty_stmt},
    {"COUNTERPARTYDATA", "cptydata_stmt", &cptydata_stmt},
    {"CPTYDATA", "cptydata_stmt", &cptydata_stmt},
    {"DEBUG", "debug_stmt", &debug_stmt},
    {"DECLARE", "declare_stmt", &declare_stmt},
    {"DELETE", "delete_stmt", &delete_stmt},
    {"DELTANORMAL", "deltanormal_stmt", &deltanormal_stmt},
    {"ENVIRONMENT", "environment_stmt", &environment_stmt},
    {"ENV", "environment_stmt", &environment_stmt},
    {"FILTER", "filter_stmt", &filter_stmt},
    {"FINDFILE", "findfile_stmt", &findfile_stmt},
    {"GETRATES", "getrates_stmt", &getrates_stmt},
    {"IMPORT", "import_stmt", nullptr},
    {"INSTDATA", "instdata_stmt", &instdata_stmt},
    {"INSTRUMENT", "instrument_stmt", &instrument_stmt},
    {"MARKETDATA", "marketdata_stmt", &marketdata_stmt},
    {"METHOD", "method_stmt", &method_stmt},
    {"MITIGATION", "mit_stmt", &mit_stmt},
    {"MIT", "mit_stmt", &mit_stmt},
    {"MITIGATIONDATA", "mitdata_stmt", &mitdata_stmt},
    {"MITDATA", "mitdata_stmt", &mitdata_stmt},
    {"MTM", "mtmanalysis_stmt", &mtmanalysis_stmt},
    {"NLOPTIONS", "nloptions_stmt", &nloptions_stmt},
    {"OPTIMIZATION", "optimization_stmt", nullptr},
    {"PARAMETER", "parameter_stmt", &parameter_stmt},
    {"PARAMETERS", "parameter_stmt", &parameter_stmt},
    {"PLCURVE", "plcurve_stmt", &plcurve_stmt},
    {"PLCURVES", "plcurve_stmt", &plcurve_stmt},
    {"PLSURFACE", "plsurface_stmt", &plsurface_stmt},
    {"PLSURFACES", "plsurface_stmt", &plsurface_stmt},
    {"RUNWEBREPORT", "runwebreport_stmt", &runwebreport_stmt},
    {"RUNWEBREPORTS", "runwebreport_stmt", &runwebreport_stmt},
    {"SOURCES", "sources_stmt", &sources_stmt},
    {"POSEQ", "poseq_stmt", &poseq_stmt},
    {"POTEXP", "potexp_stmt", &potexp_stmt},
    {"PRICE", "price_stmt", &price_stmt},
    {"PRINT", "print_stmt", &print_stmt},
    {"PROJECT", "project_stmt", &project_stmt},
    {"READ", "read_stmt", &read_stmt},
    {"READARRAYS", "readarrays_stmt", &readarrays_stmt},
    {"READCATEGORIES", "readcategories_stmt", &readcategories_stmt},
    {"READREFS", "readrefs_stmt", &readrefs_stmt},
    {"READTYPES", "readtypes_stmt", &readtypes_stmt},
    {"READVARS", "readvars_stmt", &readvars_stmt},
    {"REPORT", "report_stmt", &report_stmt},
    {"RFTRANS", "rftrans_stmt", &rftrans_stmt},
    {"RUNPROJECT", "runproject_stmt", &runproject_stmt},
    {"RUNQORFILE", "runqorfile_stmt", &runqorfile_stmt},
    {"RFCATEGORY", "rfcategory_stmt", &rfcategory_stmt},
    {"RFCATEGORIES", "rfcategory_stmt", &rfcategory_stmt},
    {"SCENARIO", "scenario_stmt", &scenario_stmt},
    {"SCENARIOS", "scenario_stmt", &scenario_stmt},
    {"SENSITIVITY", "sensitivity_stmt", &sensitivity_stmt},
    {"SETOPTIONS", "setoptions_stmt", &setoptions_stmt},
    {"SETPATH", "setpath_stmt", &setpath_stmt},
    {"PATH", "setpath_stmt", &setpath_stmt},
    {"SIMULATION", "simulation_stmt", &simulation_stmt},
    {"STATISTICS", "statistics_stmt", &statistics_stmt},
    {"SUBMIT", "submit_stmt", &submit_stmt},
    {"TIMEGRID", "timegrid_stmt", &timegrid_stmt},
    {"TRACE", "trace_stmt", &trace_stmt},
    // The engine runs UNITTEST itself.
    {"UNITTEST", "unittest_stmt", &unittest_stmt},
    {"WRITEARRAYS", "writearrays_stmt", &writearrays_stmt},
    {"WRITECATEGORIES", "writecategories_stmt", &writecategories_stmt},
    {"WRITEREFS", "writerefs_stmt", &writerefs_stmt},
    {"WRITETYPES", "writetypes_stmt", &writetypes_stmt},
    {"WRITEVARS", "writevars_stmt", &writevars_stmt},
    {"USE", "use_stmt", &use_stmt},
    {nullptr, nullptr, nullptr},
};

const HandlerEntry* find_handler(const char* name, int length) {
    for (const HandlerEntry* e = kHandlers; e->statement != nullptr; ++e) {
        if (std::strlen(e->statement) == static_cast<size_t>(length) &&
            std::memcmp(e->statement, name, static_cast<size_t>(length)) == 0)
            return e;
    }
    return nullptr;
}

}  // namespace zozu
