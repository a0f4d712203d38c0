// The analysis statements whose analysis takes no risk-factor entries: MTM, CUREXPOSURE, POSEQ
// and DELTANORMAL, and NLOPTIONS, which keeps its options for an optimisation to read.
#include "engine/model/analyses/analyses.h"
#include "host/missing.h"
#include "procedure/analysis_statements.h"
#include "procedure/run_definitions.h"
#include "procedure/zozu_dispatch.h"

namespace zozu {

namespace {

constexpr int kPoseqBenchNameField = 4, kPoseqBenchTimeField = 5;
constexpr int kDeltaNormalDataField = 5;

// Defines the analysis with `define` and stores it: the shape of every statement here.
template <typename Define>
int define_and_store(RSKCON* con, statement_node* node, const char* word, int store_number, Define define) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    RSKCATOBJ* object = nullptr;
    RSKANALYSIS* analysis = get_analysis(con, node, &object);
    if (analysis == nullptr) return 1;
    const OperandText name = operand_text(node, kFieldName);
    const int defined = define(analysis, name);
    if (defined < 0) return 1;               // reported by the definition itself
    if (defined != 0) return report_define_failed(word, name);
    return store_definition(con, object, word, name, store_number);
}

}  // namespace

int mtmanalysis_stmt(RSKCON* con, statement_node* node) {
    return define_and_store(con, node, "mark-to-market analysis", 1090, [&](RSKANALYSIS* analysis, const OperandText&) {
        return engine_call<EngineSlot::rsamtma>(1, con, analysis);
    });
}

int curexposure_stmt(RSKCON* con, statement_node* node) {
    return define_and_store(con, node, "current exposure analysis", 1090,
                            [&](RSKANALYSIS* analysis, const OperandText&) {
                                return engine_call<EngineSlot::rsacexa>(1, con, analysis);
                            });
}

int poseq_stmt(RSKCON* con, statement_node* node) {
    return define_and_store(con, node, "portfolio equivalent analysis", 1090,
                            [&](RSKANALYSIS* analysis, const OperandText&) {
                                const OperandText bench = operand_text(node, kPoseqBenchNameField);
                                const RSKNAMEREC key = name_record(bench);
                                const double time = operand_number(node, kPoseqBenchTimeField, qor::make_missing());
                                return engine_call<EngineSlot::rsapeqa>(1, con, analysis,
                                                                        bench.length > 0 ? &key : nullptr, time);
                            });
}

int deltanormal_stmt(RSKCON* con, statement_node* node) {
    return define_and_store(con, node, "delta normal analysis", 1081, [&](RSKANALYSIS* analysis, const OperandText&) {
        const OperandText data = operand_text(node, kDeltaNormalDataField);
        const RSKNAMEREC key = name_record(data);
        if (data.length > 0 &&
            engine_call<EngineSlot::rskids>(static_cast<RSKCATOBJ*>(nullptr), con, &key) == nullptr) {
            xpmlog(670, 1164, data.length, data.text);
            return -1;
        }
        return engine_call<EngineSlot::rsadvra>(1, con, analysis, data.length > 0 ? &key : nullptr,
                                                static_cast<const interval_spec*>(nullptr));
    });
}

int nloptions_stmt(RSKCON* con, statement_node* node) {
    con->nloptions_node = node;
    return 0;
}

}  // namespace zozu
