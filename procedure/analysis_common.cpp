// What every analysis statement shares: the analysis it defines, the perturbation type of a code
// word, and the names it adds to the category lists.
#include <cmath>
#include <cstring>

#include "engine/model/analyses/analyses.h"
#include "host/missing.h"
#include "procedure/analysis_statements.h"
#include "procedure/run_definitions.h"
#include "procedure/zozu_dispatch.h"

namespace zozu {

RSKANALYSIS* get_analysis(RSKCON* con, const statement_node* node, RSKCATOBJ** object) {
    const OperandText name = operand_text(node, kFieldName);
    const RSKNAMEREC key = name_record(name);
    const CatalogArgument label(node);
    *object = nullptr;
    if (name.length == 0 ||
        engine_call<EngineSlot::rskanld>(1, con, object, &key, label.get(), static_cast<RSKCATOBJ*>(nullptr)) != 0 ||
        *object == nullptr) {
        report_define_failed("analysis", name);
        *object = nullptr;
        return nullptr;
    }
    return static_cast<RSKANALYSIS*>((*object)->object);
}

int get_perturb_type(double code, int default_type) {
    if (qor::is_missing(code) || std::isnan(code) || code == 0) return default_type;
    // The grammar numbers the words in the order it reads them; the registry's codes differ.
    if (code == 1) return kPerturbAbsolute;
    if (code == 2) return kPerturbRelative;
    if (code == 3) return kPerturbValue;
    if (code == 4) return kPerturbStd;
    const int shown = code > -2147483647.0 && code < 2147483647.0 ? static_cast<int>(code) : -1;
    xpmlog(670, 1088, shown);
    return kPerturbAbsolute;
}

int setAnalysisCategories(RSKCON* con, RSKANALYSIS* analysis, const char* names, int length, int list) {
    int result = 0;
    const char* p = names;
    const char* end = names + (length > 0 ? length : 0);
    while (p < end) {
        const int n = static_cast<int>(strnlen(p, static_cast<size_t>(end - p)));
        if (n > 0) {
            const RSKNAMEREC name = name_record(p, n);
            const int rc = engine_call<EngineSlot::rsasimb>(1, con, analysis, &name, static_cast<int32_t>(list));
            if (rc > result) result = rc;
        }
        p += n + 1;
    }
    return result;
}

RSKANALYSIS* start_grid_analysis(RSKCON* con, statement_node* node, bool surface, RSKCATOBJ** object,
                                 OperandText* name) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    RSKANALYSIS* analysis = get_analysis(con, node, object);
    if (analysis == nullptr) return nullptr;
    *name = operand_text(node, kFieldName);
    const int rc = surface ? engine_call<EngineSlot::rsaplsa>(1, con, analysis)
                           : engine_call<EngineSlot::rsaplca>(1, con, analysis);
    if (rc != 0) {
        xpmlog(670, 1037, name->length, name->text);
        return nullptr;
    }
    return analysis;
}

}  // namespace zozu
