// System variables that every environment carries and the reserved names that result data sets
// use as columns: made once per control structure, kept by every rebuild.
#include <cstring>
#include <iterator>

#include "common/memory/pool_memory.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/variables/variable_access.h"
#include "engine/model/variables/variables.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

// Data types and roles of the system variables.
enum : uint32_t {
    NUM = 1, CHAR = 2, DATE = 3, CURCODE = 10, QUADRATIC = 61, CASH_FLOWS = 62,
    INSTINFO = 10, INPUT_VAR = 20, INSTVALUE = 40, RET_VALUE = 50, CONTROL = 60, VAR = 301,
};

// The marker that reserved-name entries map to: not an object.
char reserved_marker;

constexpr const char* kReservedNames[] = {
    "_Total_", "StateNumber", "NInst", "NMissing", "InstN", "InstMean", "InstStd", "InstMin", "InstMax",
    "BaseDate", "EvalDate", "AnalysisType", "AnalysisName", "AnalysisPart", "AnalysisNumber", "ResultName",
    "ResultNumber", "MtM", "PositiveMtM", "NegativeMtM", "Exposure", "ALtype", "MacaulayDur", "MacaulayCnvx",
    "ModifiedDur", "ModifiedCnvx", "IntIncome", "CFBucket", "CUMBucket", "_Cashflow_", "ExpNoNet",
    "Collateral", "Mitigant", "Value", "PositiveValue", "NegativeValue", "ReturnedValue", "PL", "PLPct",
    "PositivePL", "NegativePL", "PosPLPct", "NegPLPct", "Return", "Name", "Name2", "Factor1", "Factor2",
    "FactPct1", "FactPct2", "Label", "Label2", "_X_", "_Y_", "_I_", "_Z_", "NRep", "N", "NMiss",
    "SimulationCase", "SimulationTime", "SimulationPart", "SimulationRep", "VaR", "ES", "VaRPct", "VaR_L",
    "VaR_U", "VaRPct_L", "VaRPct_U", "TailIndex", "VaREVT", "CondExpectedLoss", "EaR", "EaRPct", "EaR_L",
    "EaR_U", "EaRPct_L", "EaRPct_U", "PositionEquivalent", "CashFlow", "Quintile", "Decile",
    "ExposureQuintile", "ExposureDecile", "Mean", "Std", "Skewness", "Kurtosis", "Min", "Median", "Max",
    "Profit", "PDF", "CDF", "CDF_Adj", "RI", "Corr", "Rank", "Sensitivity", "Gamma", "Theta", "RiskFactor",
    "Parameter", "RF_Array", "FX_Spot", "VOL", "SVOL", "MAT", "DER", "DER2", "DIM", "LAGS", "LGRID", "NLAG",
    "NROWS", "NCOLS",
};
static_assert(std::size(kReservedNames) == 117, "the fixed list holds 117 names");

// One system variable of the table: where it goes, how it is defined and what changes afterwards.
struct SystemVariable {
    RSKVARIABLE* RSKSYSVARS::*where;
    const char* name;
    int label;
    uint32_t kind;
    uint32_t type;
    int length;
    uint32_t role;
    uint8_t clear_role_flags;
    uint8_t clear_flags2;
    uint8_t set_flags2;
    uint8_t clear_flags3;
    uint8_t set_flags3;
    uint8_t set_flags4;
    uint32_t scope;
};

constexpr uint32_t SYS = RSKVKIND_SYSTEM;

// The table of system variables, in definition order.
const SystemVariable kSystemVariables[] = {
    {&RSKSYSVARS::inst_type, "InstType", 5203, SYS, CHAR, 32, INSTINFO, 0x08, 0x40, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::inst_id, "InstID", 5202, SYS, CHAR, 256, INSTINFO, 0x0A, 0x40, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::inst_source, "InstSource", 5220, SYS, CHAR, 32, INSTINFO, 0x08, 0x40, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::inst_number, "InstNumber", 5205, SYS, NUM, 8, INSTINFO, 0x02, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::inst_total, "InstTotal", 5407, SYS, NUM, 8, INSTINFO, 0x02, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::counterparty_id, "CounterpartyID", 5403, SYS, CHAR, 256, INSTINFO, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::netting_set_id, "NettingSetID", 5404, SYS, CHAR, 256, INSTINFO, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::al_type, "ALtype", 5408, SYS, CHAR, 32, INSTINFO, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::holding, "Holding", 5322, SYS, NUM, 8, INSTINFO, 0x02, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::short_position, "ShortPosition", 5323, SYS, NUM, 8, INSTINFO, 0x02, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::al_position, "ALPosition", 5378, SYS, NUM, 8, INSTINFO, 0x02, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::currency, "Currency", 5324, SYS, CURCODE, 3, INSTINFO, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::numeraire_currency, "NumeraireCurrency", 5397, SYS, CURCODE, 3, CONTROL, 0, 0, 0, 0x04, 0, 0, 0},
    {&RSKSYSVARS::collateral, "Collateral", 5327, SYS, NUM, 8, INSTINFO, 0x02, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::maturity_date, "MaturityDate", 5405, SYS, DATE, 8, INSTINFO, 0x02, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::value, "_Value_", 5401, SYS, NUM, 8, RET_VALUE, 0, 0, 0x10, 0, 0, 0, RSKSCOPE_VALUATION},
    {&RSKSYSVARS::return_value, "Return", 5352, SYS, NUM, 8, RET_VALUE, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::exposure, "Exposure", 5417, SYS, NUM, 8, RET_VALUE, 0, 0, 0, 0, 0, 0, RSKSCOPE_VALUATION},
    {&RSKSYSVARS::native_value, "NativeValue", 5325, SYS, NUM, 8, RET_VALUE, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::fx_rate, "FX_Rate", 5326, SYS, NUM, 8, RET_VALUE, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::macaulay_dur, "MacaulayDur", 5418, SYS, NUM, 8, RET_VALUE, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::macaulay_cnvx, "MacaulayCnvx", 5426, SYS, NUM, 8, RET_VALUE, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::modified_dur, "ModifiedDur", 5419, SYS, NUM, 8, RET_VALUE, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::modified_cnvx, "ModifiedCnvx", 5427, SYS, NUM, 8, RET_VALUE, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::int_income, "IntIncome", 5422, SYS, NUM, 8, RET_VALUE, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::cf_bucket, "CFBucket", 5423, SYS, NUM, 8, RET_VALUE, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::cum_bucket, "CumBucket", 5430, SYS, NUM, 8, RET_VALUE, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::cashflow, "_Cashflow_", 5424, SYS, NUM, 8, RET_VALUE, 0, 0, 0x10, 0, 0, 0, RSKSCOPE_VALUATION},
    {&RSKSYSVARS::base_case, "BaseCase", 5402, SYS, NUM, 8, CONTROL, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::base_date, "BaseDate", 5416, SYS, NUM, 8, CONTROL, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::simulation_case, "SimulationCase", 5295, SYS, NUM, 8, CONTROL, 0, 0, 0, 0, 0x10, 0, RSKSCOPE_SIMULATION},
    {&RSKSYSVARS::simulation_mode, "SimulationMode", 5392, SYS, CHAR, 32, CONTROL, 0, 0, 0, 0, 0x14, 0, RSKSCOPE_SIMULATION},
    {&RSKSYSVARS::simulation_category, "SimulationCategory", 5391, SYS, CHAR, 32, CONTROL, 0, 0, 0, 0, 0x14, 0, RSKSCOPE_SIMULATION},
    {&RSKSYSVARS::simulation_time, "SimulationTime", 5296, SYS, NUM, 8, CONTROL, 0, 0, 0, 0, 0x10, 0, RSKSCOPE_SIMULATION},
    {&RSKSYSVARS::simulation_horizon, "SimulationHorizon", 5395, SYS, NUM, 8, CONTROL, 0, 0, 0, 0, 0x10, 0, RSKSCOPE_SIMULATION},
    {&RSKSYSVARS::simulation_interval, "SimulationInterval", 5396, SYS, CHAR, 32, CONTROL, 0, 0, 0, 0, 0x14, 0, RSKSCOPE_SIMULATION},
    {&RSKSYSVARS::simulation_replication, "SimulationReplication", 5297, SYS, NUM, 8, CONTROL, 0, 0, 0, 0, 0x10, 0, RSKSCOPE_SIMULATION},
    {&RSKSYSVARS::type, "_Type_", 5211, SYS, CHAR, 32, INPUT_VAR, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::name, "_Name_", 5223, SYS, CHAR, 32, INPUT_VAR, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::nvalue, "_NValue_", 5411, SYS, NUM, 8, INPUT_VAR, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::cvalue, "_CValue_", 5412, SYS, CHAR, 256, INPUT_VAR, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::cf_currency, "_CFCUR_", 5413, SYS, CURCODE, 3, INPUT_VAR, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::cf_date, "_CFDATE_", 5414, SYS, DATE, 8, INPUT_VAR, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::cf_amount, "_CFAMNT_", 5415, SYS, NUM, 8, INPUT_VAR, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::quad_value, "Quad_Value", 5420, SYS, QUADRATIC, 16, INSTVALUE, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::cash_flows, "Cash_Flows", 5421, SYS, CASH_FLOWS, 128, INSTVALUE, 0, 0, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::date, "_date_", 5209, RSKVKIND_FACTOR, DATE, 8, VAR, 0, 0x20, 0, 0, 0, 0, RSKSCOPE_SIMULATION},
    {&RSKSYSVARS::cumcf, "_cumcf_", 5409, SYS, NUM, 8, RET_VALUE, 0, 0x20, 0, 0, 0, 0, 0},
    {&RSKSYSVARS::cash, "_cash_", 5433, SYS, NUM, 8, RET_VALUE, 0, 0, 0x10, 0, 0, 0x10, 0},
};
static_assert(std::size(kSystemVariables) == sizeof(RSKSYSVARS) / sizeof(RSKVARIABLE*),
              "one row per system-variable pointer");

// The system variables are still in the variable table (a second opening keeps them).
bool already_made(RSKCON* con) {
    if (con->system_variables == nullptr || con->system_variables->inst_type == nullptr) return false;
    RSKNAMEREC name{0, 8, const_cast<char*>("InstType")};
    return rskvar(con, &name) == con->system_variables->inst_type;
}

}  // namespace

int reserve_name(RSKCON* con, const char* name) {
    RSKNAMEREC rec{0, static_cast<uint16_t>(std::strlen(name)), const_cast<char*>(name)};
    return rsksymd(con, &con->reserved_names, &rec, &reserved_marker) == RSKSYM_FAILED ? 1 : 0;
}

int is_reserved_name(RSKCON* con, const RSKNAMEREC* name) {
    if (con == nullptr || con->reserved_names.buckets == nullptr || name == nullptr) return 0;
    return rsksym(con, &con->reserved_names, name) == &reserved_marker ? 1 : 0;
}

int add_reserved_names(RSKCON* con) {
    int failed = 0;
    for (const char* name : kReservedNames) failed |= reserve_name(con, name);
    return failed;
}

int system_var(RSKCON* con, uint32_t kind, RSKVARIABLE** where, const char* name, uint32_t type,
               int length, uint32_t role, int label_number) {
    reserve_name(con, name);
    char label[kRskDescriptionLimit + 1] = {};
    int label_length = 0;
    if (xpmtext(598, label_number, label, sizeof label, &label_length) != 0) label_length = 0;
    if (label_length > kRskDescriptionLimit) label_length = kRskDescriptionLimit;
    RSKVARDEF request{};
    request.name = name;
    request.name_length = -1;
    request.label = label;
    request.label_length = static_cast<int16_t>(label_length);
    request.kind = kind;
    request.data_type = type;
    request.length = length;
    request.role = role;
    request.maturity = qor::missing();
    request.scale = qor::missing();
    return define_variable(con, where, &request);
}

int rskvar1(RSKCON* con) {
    if (con == nullptr) return 1;
    if (already_made(con)) return 0;
    if (con->system_variables == nullptr) {
        con->system_variables =
            static_cast<RSKSYSVARS*>(vmalcp_handler(con->general_pool, sizeof(RSKSYSVARS), QOR_ALLOC_ZERO));
        if (con->system_variables == nullptr) {
            rsknomem(con, sizeof(RSKSYSVARS), "system variables");
            return 1;
        }
    }
    RSKSYSVARS* system = con->system_variables;
    for (const SystemVariable& row : kSystemVariables) {
        RSKVARIABLE** where = &(system->*row.where);
        system_var(con, row.kind, where, row.name, row.type, row.length, row.role, row.label);
        RSKVARIABLE* v = *where;
        if (v == nullptr) continue;
        v->role_flags &= static_cast<uint8_t>(~row.clear_role_flags);
        v->flags2 = static_cast<uint8_t>((v->flags2 & ~row.clear_flags2) | row.set_flags2);
        v->flags3 = static_cast<uint8_t>((v->flags3 & ~row.clear_flags3) | row.set_flags3);
        v->flags4 |= row.set_flags4;
        if (row.scope != 0) v->scope = row.scope;
    }
    if (system->date != nullptr) system->date->measurement_level = 2;   // interval
    if (system->collateral != nullptr) {
        RSKNAMEREC alias{0, 8, const_cast<char*>("Mitigant")};
        rsksymd(con, variable_table(con), &alias, system->collateral);
    }
    add_reserved_names(con);
    return 0;
}
