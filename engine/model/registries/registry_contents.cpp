// The contents of the 35 code registries and get_codes, which writes them once per control
// structure. Row order is the search order of every look-up: it must not change.
#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/model/registries/registry_rows.h"
#include "engine/model/control/out_of_memory.h"

namespace {

// ---- Data types: attributes by code, then the codes of each class (a 0 ends the core rows) --
const RSKDTYPEATTR kDtypes[] = {
    {999, "*unknown*", 6801, 0, 0, 0, "", "", ' '},
    {1, "NUM", 6802, 3, 8, 8, "D10.3", "NUMERIC", 'N'},
    {2, "CHAR", 6803, 1, 200, 8, "", "CHAR", 'C'},
    {3, "DATE", 6804, 3, 8, 4, "DATE9.", "DATE", 'N'},
    {4, "DATETIME", 6805, 3, 8, 8, "DATETIME16.", "DATE", 'N'},
    {7, "BASIS", 6808, 1, 200, 8, "", "CHAR", 'C'},
    {9, "INTERVAL", 6810, 1, 200, 16, "", "CHAR", 'C'},
    {10, "CURCODE", 6811, 3, 3, 3, "", "CHAR", 'C'},
    {11, "PTR", 6814, 0, 0, 0, "", "", ' '},
    {60, "ARRAY", 6812, 0, 0, 0, "", "", ' '},
    {61, "QUADRATIC", 6817, 0, 0, 0, "", "", ' '},
    {62, "CASH_FLOWS", 6818, 0, 0, 0, "", "", ' '},
    {63, "RF_WEIGHTS", 6819, 0, 0, 0, "", "", ' '},
    {70, "PARAMETER", 6813, 0, 0, 0, "", "", ' '},
    {102, "NAME_REF", 6821, 0, 0, 0, "", "", ' '},
    {104, "IR_REF", 6824, 0, 0, 0, "", "", ' '},
    {105, "FX_REF", 6825, 0, 0, 0, "", "", ' '},
};

const RSKDTYPEATTR* dtype_attr(int code) {
    for (const RSKDTYPEATTR& a : kDtypes)
        if (a.code == code) return &a;
    return &kDtypes[0];
}

constexpr int kCoreEnd = -1;   // marks where the core rows of a two-step table end

struct DtypeTable {
    int registry;
    RSKADDDTYPE add;
    int codes[12];             // ends at the first 0
};

// In the order get_codes writes them.
const DtypeTable kDtypeTables[] = {
    {RSKREG_DT_SYSTEM, add_sv_dtype, {999, 1, 2, 3, 4, 7, 9, 10, 61, 62, 63}},
    {RSKREG_DT_INSTRUMENT, add_tv_dtype, {999, 1, 2, 3, 9, 10, 60, kCoreEnd, 7}},
    {RSKREG_DT_CPTY, add_cp_dtype, {999, 1, 2, 3, 9, 10, 60, kCoreEnd, 7}},
    {RSKREG_DT_MITIGATION, add_m_dtype, {999, 1, 2, 3, 9, 10, 60, kCoreEnd, 7}},
    {RSKREG_DT_PROJECT, add_pv_dtype, {999, 1, 3, 11}},
    {RSKREG_DT_STATE, add_stv_dtype, {999, 1, 3, 11}},
    {RSKREG_DT_OUTPUT, add_ov_dtype, {999, 1, 60}},
    {RSKREG_DT_FACTOR, add_rf_dtype, {999, 1, 3, 60}},
    {RSKREG_DT_REFERENCE, add_rv_dtype, {999, 1, 60, 70, kCoreEnd, 102, 104, 105}},
};

// ---- Roles -----------------------------------------------------------------------------------
const RSKROLEATTR kUnknownRole = {999, "*unknown*", 6200, {0, 0, 0, 0, 0, 0}};
const RSKROLEATTR kRoleCoreEnd = {kCoreEnd, nullptr, 0, {0, 0, 0, 0, 0, 0}};

const RSKROLEATTR kSystemRoles[] = {
    kUnknownRole,
    {10, "INSTINFO", 6202, {1, 0, 0, 0, 0, 0}}, {40, "INSTVALUE", 6203, {1, 0, 0, 0, 0, 0}},
    {20, "INPUT_VAR", 6295, {0, 0, 0, 0, 0, 0}}, {30, "OUTPUT_VAR", 6296, {0, 0, 0, 0, 0, 0}},
    {50, "RET_VALUE", 6297, {1, 0, 0, 0, 0, 0}}, {60, "CONTROL", 6298, {0, 0, 0, 0, 0, 0}},
};
const RSKROLEATTR kInstrumentRoles[] = {
    kUnknownRole,
    {201, "VAR", 6201, {0, 1, 0, 0, 0, 0}}, {202, "CLASS", 6215, {0, 1, 0, 0, 0, 0}}, kRoleCoreEnd,
    {204, "COMPUTED", 6204, {0, 1, 0, 0, 0, 0}}, {203, "NAME", 6216, {0, 1, 0, 0, 0, 0}},
};
const RSKROLEATTR kCptyRoles[] = {
    kUnknownRole,
    {901, "VAR", 6207, {0, 1, 0, 0, 0, 0}}, kRoleCoreEnd,
    {902, "COMPUTED", 6204, {0, 1, 0, 0, 0, 0}}, {903, "NAME", 6216, {0, 1, 0, 0, 0, 0}},
};
const RSKROLEATTR kMitigationRoles[] = {
    kUnknownRole,
    {910, "VAR", 6207, {0, 1, 0, 0, 0, 0}}, kRoleCoreEnd,
    {911, "COMPUTED", 6204, {0, 1, 0, 0, 0, 0}}, {912, "NAME", 6216, {0, 1, 0, 0, 0, 0}},
};
const RSKROLEATTR kProjectRoles[] = {kUnknownRole, {221, "VAR", 6205, {0, 1, 0, 0, 0, 0}}};
const RSKROLEATTR kStateRoles[] = {kUnknownRole, {241, "VAR", 6206, {0, 1, 0, 0, 0, 0}}};
const RSKROLEATTR kOutputRoles[] = {kUnknownRole, {204, "COMPUTED", 6204, {0, 1, 0, 0, 0, 0}}};

const RSKROLEATTR kFactorRoles[] = {
    kUnknownRole,
    {301, "VAR", 6220, {0, 1, 0, 0, 1, 0}},
    {501, "VOLATILITY", 6222, {0, 1, 0, 0, 1, 1}},
    {321, "IR", 6221, {0, 1, 1, 0, 1, 0}},
    {341, "FX", 6223, {0, 1, 0, 1, 1, 0}},
    {441, "FX_SPOT", 6251, {0, 1, 0, 1, 0, 0}},
    kRoleCoreEnd,
    {411, "IR_SHORT", 6230, {0, 1, 1, 0, 1, 0}},
    {421, "IR_SPOT_GOV", 6231, {0, 1, 1, 0, 1, 0}},
    {422, "IR_SPOT_IB", 6232, {0, 1, 1, 0, 1, 0}},
    {423, "IR_SPOT_3", 6233, {0, 1, 1, 0, 1, 0}},
    {424, "IR_SPOT_4", 6234, {0, 1, 1, 0, 1, 0}},
    {431, "IR_FOR_GOV", 6241, {0, 1, 1, 0, 1, 0}},
    {432, "IR_FOR_IB", 6242, {0, 1, 1, 0, 1, 0}},
    {433, "IR_FOR_3", 6243, {0, 1, 1, 0, 1, 0}},
    {434, "IR_FOR_4", 6244, {0, 1, 1, 0, 1, 0}},
    {451, "FX_FORWARD", 6252, {0, 1, 0, 1, 1, 0}},
    {511, "VOL_SHORT", 6260, {0, 1, 1, 0, 1, 1}},
    {521, "VOL_SPOT_GOV", 6261, {0, 1, 1, 0, 1, 1}},
    {522, "VOL_SPOT_IB", 6262, {0, 1, 1, 0, 1, 1}},
    {523, "VOL_SPOT_3", 6263, {0, 1, 1, 0, 1, 1}},
    {524, "VOL_SPOT_4", 6264, {0, 1, 1, 0, 1, 1}},
    {531, "VOL_FOR_GOV", 6271, {0, 1, 1, 0, 1, 1}},
    {532, "VOL_FOR_IB", 6272, {0, 1, 1, 0, 1, 1}},
    {533, "VOL_FOR_3", 6273, {0, 1, 1, 0, 1, 1}},
    {534, "VOL_FOR_4", 6274, {0, 1, 1, 0, 1, 1}},
    {541, "VOL_FX_SPOT", 6281, {0, 1, 0, 1, 0, 1}},
    {551, "VOL_FX_FORWARD", 6282, {0, 1, 0, 1, 1, 1}},
};

const RSKROLEATTR kReferenceRoles[] = {
    kUnknownRole,
    {301, "VAR", 6220, {0, 1, 0, 0, 1, 0}},
    {321, "IR", 6221, {0, 1, 1, 0, 1, 0}},
    {341, "FX", 6223, {0, 1, 0, 1, 1, 0}},
    {441, "FX_SPOT", 6251, {0, 1, 0, 1, 0, 0}},
    kRoleCoreEnd,
    {701, "RISKFACTOR", 6217, {0, 1, 0, 0, 0, 0}},
    {801, "VOLATILITY", 6218, {0, 1, 0, 0, 0, 1}},
    {711, "IR_SHORT", 6230, {0, 1, 1, 0, 0, 0}},
    {721, "IR_SPOT_GOV", 6231, {0, 1, 1, 0, 0, 0}},
    {722, "IR_SPOT_IB", 6232, {0, 1, 1, 0, 0, 0}},
    {723, "IR_SPOT_3", 6233, {0, 1, 1, 0, 0, 0}},
    {724, "IR_SPOT_4", 6234, {0, 1, 1, 0, 0, 0}},
    {731, "IR_FOR_GOV", 6241, {0, 1, 1, 0, 0, 0}},
    {732, "IR_FOR_IB", 6242, {0, 1, 1, 0, 0, 0}},
    {733, "IR_FOR_3", 6243, {0, 1, 1, 0, 0, 0}},
    {734, "IR_FOR_4", 6244, {0, 1, 1, 0, 0, 0}},
    {751, "FX_FORWARD", 6252, {0, 1, 0, 1, 1, 0}},
    {811, "VOL_SHORT", 6260, {0, 1, 1, 0, 0, 1}},
    {821, "VOL_SPOT_GOV", 6261, {0, 1, 1, 0, 1, 1}},
    {822, "VOL_SPOT_IB", 6262, {0, 1, 1, 0, 1, 1}},
    {823, "VOL_SPOT_3", 6263, {0, 1, 1, 0, 1, 1}},
    {824, "VOL_SPOT_4", 6264, {0, 1, 1, 0, 1, 1}},
    {831, "VOL_FOR_GOV", 6271, {0, 1, 1, 0, 1, 1}},
    {832, "VOL_FOR_IB", 6272, {0, 1, 1, 0, 1, 1}},
    {833, "VOL_FOR_3", 6273, {0, 1, 1, 0, 1, 1}},
    {834, "VOL_FOR_4", 6274, {0, 1, 1, 0, 1, 1}},
    {841, "VOL_FX_SPOT", 6281, {0, 1, 0, 1, 0, 1}},
    {851, "VOL_FX_FORWARD", 6282, {0, 1, 0, 1, 1, 1}},
    {770, "PARAMETER", 6290, {0, 1, 0, 0, 0, 0}},
    {780, "RF_LAG", 6291, {0, 1, 0, 0, 0, 0}},
    {702, "RF_ARRAY", 6219, {0, 1, 0, 0, 0, 0}},
};

struct RoleTable {
    int registry;
    RSKADDROLE add;
    const RSKROLEATTR* rows;
    int count;
};

template <size_t N>
constexpr RoleTable role_table(int registry, RSKADDROLE add, const RSKROLEATTR (&rows)[N]) {
    return {registry, add, rows, static_cast<int>(N)};
}

// In the order get_codes writes them.
const RoleTable kRoleTables[] = {
    role_table(RSKREG_RL_SYSTEM, add_srole, kSystemRoles),
    role_table(RSKREG_RL_INSTRUMENT, add_trole, kInstrumentRoles),
    role_table(RSKREG_RL_CPTY, add_crole, kCptyRoles),
    role_table(RSKREG_RL_MITIGATION, add_mrole, kMitigationRoles),
    role_table(RSKREG_RL_PROJECT, add_prole, kProjectRoles),
    role_table(RSKREG_RL_STATE, add_strole, kStateRoles),
    role_table(RSKREG_RL_FACTOR, add_frole, kFactorRoles),
    role_table(RSKREG_RL_REFERENCE, add_rrole, kReferenceRoles),
    role_table(RSKREG_RL_OUTPUT, add_orole, kOutputRoles),
};

// ---- Standard registries ---------------------------------------------------------------------
struct CodeAttr {
    int code;
    const char* name;
    int msg;
};

struct CodeTable {
    int registry;
    RSKADDCODE add;
    const CodeAttr* rows;
    int count;
};

const CodeAttr kBases[] = {{1, "*unknown*", 6301}, {2, "365/365", 6302}, {3, "360/360", 6303},
                           {4, "365/360", 6304}, {5, "360/365", 6305}};
const CodeAttr kTimeUnits[] = {{0, "*unknown*", 6310}, {1, "DAY", 6311}, {2, "WEEK", 6312},
                               {3, "MONTH", 6313}, {4, "YEAR", 6314}, {5, "HOUR", 6315}};
const CodeAttr kActions[] = {{1, "*unknown*", 6750}, {2, "INPUT", 6751}, {3, "PRICE", 6752},
                             {5, "TRANS", 6753}, {8, "PROJECT", 6754}, {11, "SCORE", 6755},
                             {12, "MITIGATE", 6756}, {9, "POSTVAR", 6757}, {10, "POSTPRICE", 6758}};
const CodeAttr kEntryKinds[] = {{1, "*unknown*", 6700}, {2, "BUILTIN", 6701}, {3, "C", 6702},
                                {4, "FORTRAN", 6703}, {5, "QOR", 6704}, {6, "CMP", 6705},
                                {7, "MODEL", 6706}, {8, "AUTOREG", 6707}};
const CodeAttr kAnalysisTypes[] = {
    {0, "*unknown*", 5699}, {2, "sens", 5602}, {11, "pvbp", 5603}, {12, "poseq", 5604},
    {5, "scen", 5605}, {3, "plcurve", 5606}, {4, "plsurface", 5607}, {6, "csim", 5608},
    {8, "hs", 5609}, {7, "mcs", 5610}, {9, "scs", 5611}, {10, "dvar", 5612}, {13, "cash", 5613},
    {14, "curexp", 5614}, {15, "potexp", 5615}, {16, "riskmetrics", 5616}, {17, "optimization", 5617}};
const CodeAttr kPerturbations[] = {{0, "*!*", 6851}, {1, "val", 6852}, {2, "abs", 6853},
                                   {3, "rel", 6854}, {4, "std", 6855}};
const CodeAttr kStatistics[] = {{0, "*undef*", 6890}, {1, "SUM", 6891}, {2, "MEAN", 6892},
                                {3, "WGTMEAN", 6893}, {4, "N", 6894}, {5, "MIN", 6895},
                                {6, "MAX", 6896}, {7, "STD", 6897}, {9, "WGT", 6899}};
const CodeAttr kProgramTypes[] = {{0, "*unknown*", 6400}, {1, "REPORT", 6401}, {2, "TRANSPCS", 6402},
                                  {3, "MKTPCS", 6403}, {4, "RUNPROJ", 6404}};
const CodeAttr kDsFormats[] = {{1, "Simple", 6836}, {2, "Sparse", 6837}, {3, "Cash_Flow", 6839},
                               {4, "Quadratic", 6838}};
const CodeAttr kMdsTypes[] = {{1, "TimeSeries", 6861}, {3, "Current", 6863}, {4, "Volatility", 6864},
                              {5, "Covariance", 6865}, {6, "Scenarios", 6866}, {7, "Changes", 6867},
                              {8, "LinTrans", 6868}, {9, "Parameters", 6869}, {10, "Correlation", 6860}};
const CodeAttr kErrorModels[] = {{-1, "*Undef*", 6411}, {0, "AsFit", 6412}, {1, "Normal", 6413},
                                 {2, "Empirical", 6414}};

template <size_t N>
constexpr CodeTable code_table(int registry, RSKADDCODE add, const CodeAttr (&rows)[N]) {
    return {registry, add, rows, static_cast<int>(N)};
}

// Time bases to statistic types, in the order get_codes writes them.
const CodeTable kCodeTablesBeforeOptions[] = {
    code_table(RSKREG_BASES, add_basis, kBases),
    code_table(RSKREG_TUNITS, add_tunit, kTimeUnits),
    code_table(RSKREG_ACTIONS, add_acode, kActions),
    code_table(RSKREG_EKINDS, add_ekind, kEntryKinds),
    code_table(RSKREG_ANALYSES, add_anal_type, kAnalysisTypes),
    code_table(RSKREG_PERTURBATIONS, add_perturb_type, kPerturbations),
    code_table(RSKREG_STATISTICS, add_stat_type, kStatistics),
};
// Program types, data set formats and market data set types, written after the options.
const CodeTable kCodeTablesAfterOptions[] = {
    code_table(RSKREG_PROGTYPES, add_qor_type, kProgramTypes),
    code_table(RSKREG_DSFORMATS, add_dsformat, kDsFormats),
    code_table(RSKREG_MDSTYPES, add_mdstype, kMdsTypes),
};

// ---- Options ---------------------------------------------------------------------------------
const RSKOPTATTR kUnknownOption = {9, "*unknown*", RSKOPT_NONE, 6500, 0, 0};

const RSKOPTATTR kAnalysisOptions[] = {
    kUnknownOption,
    {101, "ALPHA", RSKOPT_REAL, 6511, 0.0001, 0.9999},
    {102, "EPSILON", RSKOPT_REAL, 6512, 1e-12, 1},
    {116, "PSDMETHOD", RSKOPT_INTEGER, 6527, 1, 3},
    {103, "HLWBND", RSKOPT_REAL, 6513, 1e-12, 1},
    {104, "BANDWIDTH", RSKOPT_REAL, 6514, 1e-12, 1},
    {105, "NDENSITY", RSKOPT_INTEGER, 6515, 3, 1024},
    {106, "KERNEL", RSKOPT_INTEGER, 6516, 1, 3},
    {107, "VARDEF", RSKOPT_INTEGER, 6517, 1, 2},
    {108, "PCTLDEF", RSKOPT_INTEGER, 6518, 1, 5},
    {112, "SIMADJUST", RSKOPT_BOOLEAN, 6520, 0, 1},
    {110, "NBOOT", RSKOPT_INTEGER, 6521, 0, 65536},
    {109, "CURCONV", RSKOPT_BOOLEAN, 6522, 0, 1},
    {111, "EVTCUTOFF", RSKOPT_INTEGER, 6523, 1, 50},
    {114, "VAROPTDROP", RSKOPT_REAL, 6524, 0, 1},
    {115, "BRUTEVAROPT", RSKOPT_BOOLEAN, 6525, 0, 1},
};

constexpr RSKOPTATTR flag(int code, const char* name, int msg) { return {code, name, RSKOPT_BOOLEAN, msg, 0, 1}; }
constexpr RSKOPTATTR text(int code, const char* name, int msg) { return {code, name, RSKOPT_TEXT, msg, 0, 0}; }

// Registry order is print order: read down the first column of each pair, then the second.
const RSKOPTATTR kOutputOptions[] = {
    kUnknownOption,
    flag(200, "OUTALL", 6550), flag(201, "MDDBS", 6551),
    {204, "MDDBSTYLE", RSKOPT_INTEGER, 6575, 1, 2},
    {205, "CUBE", RSKOPT_INTEGER, 7808, 0, 2},
    text(289, "CUBE_NAME", 7811), text(284, "CUBE_PATH", 7801), text(286, "CUBE_DATALIB", 7802),
    text(287, "CUBE_METALIB", 7805), text(288, "CUBE_METAREF", 7810), text(282, "OLAP_HOST", 7806),
    text(281, "OLAP_SCHEMA", 7803), text(285, "IM_FOLDER", 7804), text(283, "AUTH_DOMAIN", 7807),
    flag(202, "DATASETS", 6552), flag(335, "MITIGATION", 6603), flag(203, "RUNSUMMARY", 6585),
    flag(211, "INSTVALS", 6553), flag(228, "INSTCFS", 6579), flag(210, "OUTERROR", 6570),
    flag(212, "MKTRATES", 6554), flag(213, "COMBINED", 6555), flag(219, "SIMSTATS", 6561),
    flag(227, "EVTSTATS", 6569), flag(220, "SIMDENS", 6562), flag(221, "SIMRFIM", 6563),
    flag(222, "SIMRFSTATS", 6567),
    flag(223, "SIMSTATES", 6564), flag(224, "SIMVALUES", 6565), flag(235, "OPTSUMMARY", 6600),
    flag(236, "OPTVALUES", 6601), flag(268, "ALLSTATES", 6571), flag(269, "ALLPRICE", 6572),
    flag(272, "ALLCASHFLOW", 6610), flag(273, "COMPDURATION", 6611), flag(270, "SHOCKS", 6573),
    flag(271, "MODCOV", 6574), flag(231, "STATES", 6577), flag(232, "VALUES", 6578),
    flag(233, "AGS", 6479), flag(250, "DETAILED", 6580), flag(253, "POSNEG", 6581),
    flag(251, "SENSTRANS", 6582), flag(254, "VALUESTATS", 6583), flag(206, "INSTARRAYS", 6584),
    text(241, "FMTVALUE", 6541), text(242, "FMTNUMERIC", 6542), text(243, "FMTPERCENT", 6543),
    text(244, "FMTDATE", 6544), text(245, "FMTDATETIME", 6545), text(246, "FMTTIME", 6546),
    text(247, "FMTCFNOTE", 6547), text(248, "FORMATS", 6548), text(207, "ARCHIVE", 6586),
};

const RSKOPTATTR kSystemOptions[] = {
    kUnknownOption,
    flag(301, "KEEPLIB", 6591), flag(302, "AUTOSAVE", 6592), flag(303, "AUTORES", 6593),
    flag(304, "SEARCH", 6594), flag(305, "ENVCOPY", 6595), flag(307, "BACKSAVE", 6587),
    flag(309, "OPTIMIZE", 6599), flag(308, "PRECISE", 6589),
    {326, "PRGSNOTE", RSKOPT_INTEGER, 6598, 0, 100000},
    {350, "MAXTHREADS", RSKOPT_INTEGER, 6588, 0, 1000},
};

// ---- Random number generators: ten rows, the first seven are the current ones --------------
const CodeAttr kGenerators[] = {
    {0, "*Undef*", 6881}, {1, "Faure", 6883}, {2, "Sobol", 6884}, {5, "Twister", 6887},
    {6, "Antithetic Twister", 6888}, {3, "Lecuyer", 6885}, {4, "Antithetic Lecuyer", 6886},
    {3, "Lecuyer", 6889}, {4, "Antithetic Lecuyer", 6874}, {5, "Twister", 6882},
};
constexpr int kCurrentGenerators = 7;

// ---- Storage types ---------------------------------------------------------------------------
struct StypeAttr {
    uint32_t code;
    uint32_t flags;
    const char* name;
    int msg;
};
const StypeAttr kStypes[] = {
    {0, 0, "*unknown*", 6875}, {1, 0, "VOID", 6902}, {2, 0, "DOUBLE", 6903}, {3, 0, "CHAR", 6904},
    {4, 0, "SHORT", 6905}, {5, 0, "INT", 6906}, {6, 0, "LONG", 6907}, {7, 0, "POINTER", 6908},
    {2, RSKSTYPE_POINTER, "DBLPTR", 6909}, {4, RSKSTYPE_POINTER, "SHORTPTR", 6910},
    {6, RSKSTYPE_POINTER, "LONGPTR", 6911}, {42, 0, "CUR_STR", 6912}, {41, 0, "REF_STR", 6913},
    {51, 0, "QUADRATIC", 6914}, {52, 0, "CASH_FLOWS", 6915},
};

struct VkindAttr {
    int code;
    const char* name;
    const char* description;
};
const VkindAttr kVkinds[] = {
    {999, "*unknown*", "*unknown kind*"}, {1, "SYSTEM", "Special System"}, {2, "FACTOR", "Risk Factor"},
    {3, "INSTRUMENT", "Instrument"}, {4, "LAGVAL", "Lagged Risk Factor"}, {5, "PARMAT", "Parameter Matrix"},
    {6, "REFERENCE", "Reference"}, {7, "OUTPUT", "Output"}, {7, "OUTPUT", "Output Variable"},
    {8, "PROJECT", "Project"}, {9, "STATE", "State"}, {11, "COUNTERPARTY", "Counterparty"},
    {12, "MITIGATION", "Mitigation"},
};

// Row sizes of the registries, in their order.
size_t row_size(int registry) {
    if (registry == RSKREG_STYPES) return sizeof(RSKSTYPEROW);
    if (registry >= RSKREG_DT_SYSTEM && registry <= RSKREG_DT_STATE) return sizeof(RSKDTYPEROW);
    if (registry >= RSKREG_RL_SYSTEM && registry <= RSKREG_RL_STATE) return sizeof(RSKROLEROW);
    if (registry >= RSKREG_OPT_ANALYSIS && registry <= RSKREG_OPT_SYSTEM) return sizeof(RSKOPTROW);
    if (registry == RSKREG_GENERATORS) return sizeof(RSKGENROW);
    return sizeof(RSKCODEROW);
}

template <typename Row>
Row* rows_of(RSKCON* con, int registry) {
    return static_cast<Row*>(const_cast<void*>(con->registries[registry].rows));
}

void set_counts(RSKCON* con, int registry, int count, int second) {
    con->registries[registry].count = static_cast<int16_t>(count);
    con->registries[registry].second_count = static_cast<int16_t>(second);
}

void fill_dtypes(RSKCON* con) {
    for (const DtypeTable& t : kDtypeTables) {
        RSKDTYPEROW* rows = rows_of<RSKDTYPEROW>(con, t.registry);
        int n = 0, core = 0;
        bool two_step = false;
        for (int i = 0; i < 12 && t.codes[i] != 0; ++i) {
            if (t.codes[i] == kCoreEnd) {
                core = n;
                two_step = true;
                continue;
            }
            t.add(rows, &n, dtype_attr(t.codes[i]));
        }
        set_counts(con, t.registry, two_step ? core : n, two_step ? n : 0);
    }
}

void fill_roles(RSKCON* con) {
    for (const RoleTable& t : kRoleTables) {
        RSKROLEROW* rows = rows_of<RSKROLEROW>(con, t.registry);
        int n = 0, core = 0;
        bool two_step = false;
        for (int i = 0; i < t.count; ++i) {
            if (t.rows[i].code == kCoreEnd) {
                core = n;
                two_step = true;
                continue;
            }
            t.add(rows, &n, &t.rows[i]);
        }
        set_counts(con, t.registry, two_step ? core : n, two_step ? n : 0);
    }
}

template <size_t N>
void fill_codes(RSKCON* con, const CodeTable (&tables)[N]) {
    for (const CodeTable& t : tables) {
        RSKCODEROW* rows = rows_of<RSKCODEROW>(con, t.registry);
        int n = 0;
        for (int i = 0; i < t.count; ++i) t.add(rows, &n, t.rows[i].code, t.rows[i].name, t.rows[i].msg);
        set_counts(con, t.registry, n, 0);
    }
}

template <size_t N>
void fill_options(RSKCON* con, int registry, RSKADDOPTION add, const RSKOPTATTR (&attrs)[N]) {
    RSKOPTROW* rows = rows_of<RSKOPTROW>(con, registry);
    int n = 0;
    for (const RSKOPTATTR& a : attrs) add(rows, &n, &a);
    set_counts(con, registry, n, 0);
}

void fill_generators(RSKCON* con) {
    RSKGENROW* rows = rows_of<RSKGENROW>(con, RSKREG_GENERATORS);
    int n = 0, current = 0;
    for (int i = 0; i < static_cast<int>(sizeof kGenerators / sizeof kGenerators[0]); ++i) {
        add_genrcode(rows, &n, kGenerators[i].code, kGenerators[i].name, kGenerators[i].msg);
        if (i + 1 == kCurrentGenerators) current = n;
    }
    // This registry keeps its counts the other way round: all rows first.
    set_counts(con, RSKREG_GENERATORS, n, current);
}

}  // namespace

int get_codes(RSKCON* con) {
    for (int r = 0; r < kRskRegistryCount; ++r) {
        size_t bytes = row_size(r) * static_cast<size_t>(kRskRegistryCapacity[r]);
        void* rows = vmalcp_handler(con->general_pool, bytes, QOR_ALLOC_ZERO);
        if (rows == nullptr) {
            rsknomem(con, bytes, "code registries");
            // The arrays taken so far stay in the pool and go with it at termination.
            std::memset(con->registries, 0, sizeof con->registries);
            return 1;
        }
        con->registries[r] = RSKREGISTRY{rows, 0, 0};
    }

    RSKSTYPEROW* stypes = rows_of<RSKSTYPEROW>(con, RSKREG_STYPES);
    int n = 0;
    for (const StypeAttr& s : kStypes) add_stype(stypes, &n, s.code, s.flags, s.name, s.msg);
    set_counts(con, RSKREG_STYPES, n, 0);

    RSKCODEROW* kinds = rows_of<RSKCODEROW>(con, RSKREG_VKINDS);
    n = 0;
    for (const VkindAttr& k : kVkinds) add_vkind(kinds, &n, k.code, k.name, k.description);
    set_counts(con, RSKREG_VKINDS, n, 0);

    fill_dtypes(con);
    fill_roles(con);
    fill_codes(con, kCodeTablesBeforeOptions);
    fill_options(con, RSKREG_OPT_ANALYSIS, add_anal_option, kAnalysisOptions);
    fill_options(con, RSKREG_OPT_OUTPUT, add_output_option, kOutputOptions);
    fill_options(con, RSKREG_OPT_SYSTEM, add_system_option, kSystemOptions);
    fill_codes(con, kCodeTablesAfterOptions);
    fill_generators(con);
    RSKCODEROW* models = rows_of<RSKCODEROW>(con, RSKREG_ERRMODELS);
    n = 0;
    for (const CodeAttr& m : kErrorModels) add_errmodel(models, &n, m.code, m.name, m.msg);
    set_counts(con, RSKREG_ERRMODELS, n, 0);
    return 0;
}

int rskreg_core(const RSKCON* con, int registry) {
    if (registry == RSKREG_GENERATORS) return con->registries[registry].second_count;
    return con->registries[registry].count;
}

int rskreg_all(const RSKCON* con, int registry) {
    const RSKREGISTRY& r = con->registries[registry];
    if (registry == RSKREG_GENERATORS) return r.count;
    return r.second_count != 0 ? r.second_count : r.count;
}
