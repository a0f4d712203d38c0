// The ZOZU statements: one schema per statement with the clauses it accepts, the option bits
// they set and the operand fields they fill (docs/zozu-statements.md is the user's reference).
#include <array>
#include <cstddef>

#include "procedure/zozu_fields.h"
#include "procedure/zozu_grammar.h"

namespace zozu {

namespace {

const qor_option_def kDeclareOptions[] = {
    {"CLASS", QOR_FORM_INTEGER, 16, 0},
    {"GROUP CATEGORY COMPTYPE", QOR_FORM_TEXT, 2, 0},
    {"LABEL", QOR_FORM_TEXT, 3, 0},
    {"CURRENCY CURCODE FROMCUR FROM", QOR_FORM_TEXT, 4, 0},
    {"TOCUR TO", QOR_FORM_TEXT, 5, 0},
    {"INTERVAL", QOR_FORM_MEASURE, 6, 0},
    {"ARRAY", QOR_FORM_ELEMENTS, 7, 0},
    {"FORMAT", QOR_FORM_TEXT, 8, 0},
    {"DESC", QOR_FORM_TEXT, 9, 0},
    {"MATURITY", QOR_FORM_MEASURE, 10, 0},
    {"RFNAME NAME", QOR_FORM_TEXT, 11, 0},
    {"HOLDING", QOR_FORM_FLAG, 12, 1},
    {"NOHOLDING", QOR_FORM_FLAG, 12, 0},
    {"BASEVAR LAGGRID", QOR_FORM_TEXT, 13, 0},
    {"LEVEL MLEVEL", QOR_FORM_INTEGER, 14, 0},
    {"REFMAP", QOR_FORM_PAIRS, 15, 0},
    {"SHORTPOS", QOR_FORM_FLAG, 17, 1},
    {"NOSHORTPOS", QOR_FORM_FLAG, 17, 0},
    {"EXPWEIGHTED EXPWGT", QOR_FORM_FLAG, 18, 1},
    {"VALWEIGHTED VALWGT", QOR_FORM_FLAG, 18, 2},
    {"ADDITIVE", QOR_FORM_FLAG, 18, 3},
    {"RATIO", QOR_FORM_FLAG, 18, 4},
    {"RELATIVE", QOR_FORM_FLAG, 18, 5},
    {"ROLLUP", QOR_FORM_FLAG, 18, 6},
    {"DROP", QOR_FORM_FLAG, 18, 0},
    {"UNBOUNDED", QOR_FORM_FLAG, 1, 0},
    {"BOUNDEDBELOW", QOR_FORM_FLAG, 1, 1},
    {"BOUNDEDABOVE", QOR_FORM_FLAG, 1, 2},
    {"FX", QOR_FORM_FLAG, 19, 1},
    {"NOFX", QOR_FORM_FLAG, 19, 0},
    {nullptr, 0, 0, 0},
};

const qor_option_def kGridOptions[] = {
    {"MIN", QOR_FORM_REAL, 1, 0},
    {"MAX", QOR_FORM_REAL, 2, 0},
    {"N", QOR_FORM_INTEGER, 3, 0},
    {"VALUE", QOR_FORM_REAL, 4, 0},
    {nullptr, 0, 0, 0},
};

const qor_group_def kDeclareGroup = {
    "INSTVARS INSTRUMENT|RFVARS RISKFACTORS RISKFACTOR|REFVARS REFERENCES REFERENCE|OUTVARS OUTPUT|"
    "PROJVARS PROJVAR|STATEVARS STATEVAR|CPTYVARS COUNTERPARTYVARS|MITVARS MITIGATIONVARS",
    kDeclareFirstField, QOR_GROUP_FIELDS, kDeclareOptions, "|D DAY DAYS|W WEEK WEEKS|M MONTH MONTHS|Y YEAR YEARS|H HOUR HOURS", 2};

const qor_group_def kStatisticsGroup = {"MAX|MEAN|MIN|N|STD|SUM|WGT|WGTMEAN", kStatisticsFirstField,
                                         QOR_GROUP_FIELDS, nullptr, nullptr, 0};

const qor_clause kProcClauses[] = {
    {QOR_CLAUSE_FLAG, 0, 2, 0, 0, "DEBUGS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 3, 0, 0, "DEBUGD", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 4, 0, 0, "AUDITTRAIL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 5, 0, 0, "REGMDDB", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 6, 0, 0, "NOSEQCHECK", nullptr, nullptr, nullptr},
};

const qor_option_def kNloptionsOptions[] = {
    {"ABSCONV", QOR_FORM_REAL, 0, 0},
    {"ABSFCONV", QOR_FORM_REAL, 0, 0},
    {"ABSFTOL", QOR_FORM_REAL, 0, 0},
    {"ABSGCONV", QOR_FORM_REAL, 0, 0},
    {"ABSGTOL", QOR_FORM_REAL, 0, 0},
    {"ABSTOL", QOR_FORM_REAL, 0, 0},
    {"ABSXCONV", QOR_FORM_REAL, 0, 0},
    {"ABSXTOL", QOR_FORM_REAL, 0, 0},
    {"ALL", QOR_FORM_FLAG, 0, 0},
    {"ASING", QOR_FORM_REAL, 0, 0},
    {"ASINGULAR", QOR_FORM_REAL, 0, 0},
    {"BFGS", QOR_FORM_FLAG, 0, 0},
    {"CD", QOR_FORM_FLAG, 0, 0},
    {"CG", QOR_FORM_FLAG, 0, 0},
    {"CONGRA", QOR_FORM_FLAG, 0, 0},
    {"COVFUZZ", QOR_FORM_REAL, 0, 0},
    {"DAMPSTEP", QOR_FORM_REAL, 0, 0},
    {"DBFGS", QOR_FORM_FLAG, 0, 0},
    {"DBLDOG", QOR_FORM_FLAG, 0, 0},
    {"DD", QOR_FORM_FLAG, 0, 0},
    {"DDFP", QOR_FORM_FLAG, 0, 0},
    {"DEACTOL", QOR_FORM_REAL, 0, 0},
    {"DFP", QOR_FORM_FLAG, 0, 0},
    {"DIAHES", QOR_FORM_FLAG, 0, 0},
    {"DS", QOR_FORM_FLAG, 0, 0},
    {"FCONV", QOR_FORM_REAL, 0, 0},
    {"FCONV2", QOR_FORM_REAL, 0, 0},
    {"FR", QOR_FORM_FLAG, 0, 0},
    {"FSIZE", QOR_FORM_REAL, 0, 0},
    {"FTOL", QOR_FORM_REAL, 0, 0},
    {"FTOL2", QOR_FORM_REAL, 0, 0},
    {"GCONV", QOR_FORM_REAL, 0, 0},
    {"GCONV2", QOR_FORM_REAL, 0, 0},
    {"GTOL", QOR_FORM_REAL, 0, 0},
    {"GTOL2", QOR_FORM_REAL, 0, 0},
    {"HESCAL", QOR_FORM_TEXT, 0, 0},
    {"HESLOAD", QOR_FORM_TEXT, 0, 0},
    {"HISTORY", QOR_FORM_FLAG, 0, 0},
    {"HQN", QOR_FORM_FLAG, 0, 0},
    {"HS", QOR_FORM_FLAG, 0, 0},
    {"HYQUAN", QOR_FORM_FLAG, 0, 0},
    {"INFSTEP", QOR_FORM_REAL, 0, 0},
    {"INHESS", QOR_FORM_TEXT, 0, 0},
    {"INHESSIAN", QOR_FORM_TEXT, 0, 0},
    {"INSTEP", QOR_FORM_REAL, 0, 0},
    {"LCD", QOR_FORM_TEXT, 0, 0},
    {"LCDEACT", QOR_FORM_TEXT, 0, 0},
    {"LCE", QOR_FORM_TEXT, 0, 0},
    {"LCEPS", QOR_FORM_TEXT, 0, 0},
    {"LCEPSILON", QOR_FORM_TEXT, 0, 0},
    {"LCP", QOR_FORM_TEXT, 0, 0},
    {"LCS", QOR_FORM_TEXT, 0, 0},
    {"LCSING", QOR_FORM_TEXT, 0, 0},
    {"LCSINGULAR", QOR_FORM_TEXT, 0, 0},
    {"LDCTOL", QOR_FORM_REAL, 0, 0},
    {"LEVMAR", QOR_FORM_FLAG, 0, 0},
    {"LICOMP", QOR_FORM_FLAG, 0, 0},
    {"LINESEARCH", QOR_FORM_TEXT, 0, 0},
    {"LIS", QOR_FORM_TEXT, 0, 0},
    {"LM", QOR_FORM_FLAG, 0, 0},
    {"LONG", QOR_FORM_FLAG, 0, 0},
    {"LSP", QOR_FORM_FLAG, 0, 0},
    {"LSPRECISION", QOR_FORM_REAL, 0, 0},
    {"MARQUARDT", QOR_FORM_FLAG, 0, 0},
    {"MAXFU", QOR_FORM_INTEGER, 0, 0},
    {"MAXFUNC", QOR_FORM_INTEGER, 0, 0},
    {"MAXIT", QOR_FORM_INTEGER, 0, 0},
    {"MAXITER", QOR_FORM_INTEGER, 0, 0},
    {"MAXSTEP", QOR_FORM_INTEGER, 0, 0},
    {"MAXTIME", QOR_FORM_INTEGER, 0, 0},
    {"MINIT", QOR_FORM_INTEGER, 0, 0},
    {"MINITER", QOR_FORM_INTEGER, 0, 0},
    {"MSING", QOR_FORM_REAL, 0, 0},
    {"MSINGULAR", QOR_FORM_REAL, 0, 0},
    {"NEWRAP", QOR_FORM_FLAG, 0, 0},
    {"NM2", QOR_FORM_FLAG, 0, 0},
    {"NMS", QOR_FORM_FLAG, 0, 0},
    {"NMSIM2", QOR_FORM_FLAG, 0, 0},
    {"NMSIMP", QOR_FORM_FLAG, 0, 0},
    {"NO", QOR_FORM_FLAG, 0, 0},
    {"NOMISS", QOR_FORM_FLAG, 0, 0},
    {"NON", QOR_FORM_FLAG, 0, 0},
    {"NONE", QOR_FORM_FLAG, 0, 0},
    {"NOP", QOR_FORM_FLAG, 0, 0},
    {"NOPRINT", QOR_FORM_FLAG, 0, 0},
    {"NRA", QOR_FORM_FLAG, 0, 0},
    {"NREST", QOR_FORM_TEXT, 0, 0},
    {"NRESTART", QOR_FORM_TEXT, 0, 0},
    {"NRR", QOR_FORM_FLAG, 0, 0},
    {"NRRIDG", QOR_FORM_FLAG, 0, 0},
    {"OLDRAP", QOR_FORM_FLAG, 0, 0},
    {"OM", QOR_FORM_TEXT, 0, 0},
    {"OMETHOD", QOR_FORM_TEXT, 0, 0},
    {"ONR", QOR_FORM_FLAG, 0, 0},
    {"PALL", QOR_FORM_TEXT, 0, 0},
    {"PB", QOR_FORM_FLAG, 0, 0},
    {"PHIS", QOR_FORM_FLAG, 0, 0},
    {"PHISTORY", QOR_FORM_FLAG, 0, 0},
    {"PHISTPARMS", QOR_FORM_FLAG, 0, 0},
    {"PLONG", QOR_FORM_FLAG, 0, 0},
    {"PR", QOR_FORM_FLAG, 0, 0},
    {"PSH", QOR_FORM_FLAG, 0, 0},
    {"PSHORT", QOR_FORM_FLAG, 0, 0},
    {"PSUM", QOR_FORM_FLAG, 0, 0},
    {"PSUMMARY", QOR_FORM_FLAG, 0, 0},
    {"QAS", QOR_FORM_FLAG, 0, 0},
    {"QN", QOR_FORM_FLAG, 0, 0},
    {"QUADAS", QOR_FORM_FLAG, 0, 0},
    {"QUANEW", QOR_FORM_FLAG, 0, 0},
    {"RADIUS", QOR_FORM_REAL, 0, 0},
    {"RANDOM", QOR_FORM_FLAG, 0, 0},
    {"REST", QOR_FORM_TEXT, 0, 0},
    {"RESTART", QOR_FORM_TEXT, 0, 0},
    {"SALPHA", QOR_FORM_REAL, 0, 0},
    {"SHORT", QOR_FORM_FLAG, 0, 0},
    {"SING", QOR_FORM_REAL, 0, 0},
    {"SINGULAR", QOR_FORM_REAL, 0, 0},
    {"SM", QOR_FORM_TEXT, 0, 0},
    {"SMETHOD", QOR_FORM_TEXT, 0, 0},
    {"SOCKET", QOR_FORM_FLAG, 0, 0},
    {"SP", QOR_FORM_FLAG, 0, 0},
    {"SPRECISION", QOR_FORM_REAL, 0, 0},
    {"SUMMARY", QOR_FORM_FLAG, 0, 0},
    {"TECH", QOR_FORM_TEXT, 0, 0},
    {"TECHNIQUE", QOR_FORM_TEXT, 0, 0},
    {"TR", QOR_FORM_FLAG, 0, 0},
    {"TRUREG", QOR_FORM_FLAG, 0, 0},
    {"UPD", QOR_FORM_TEXT, 0, 0},
    {"UPDATE", QOR_FORM_TEXT, 0, 0},
    {"VERSION", QOR_FORM_TEXT, 0, 0},
    {"VMCWD", QOR_FORM_FLAG, 0, 0},
    {"VS", QOR_FORM_FLAG, 0, 0},
    {"VSING", QOR_FORM_REAL, 0, 0},
    {"VSINGULAR", QOR_FORM_REAL, 0, 0},
    {"XCONV", QOR_FORM_REAL, 0, 0},
    {"XSIZE", QOR_FORM_REAL, 0, 0},
    {"XTOL", QOR_FORM_REAL, 0, 0},
    {nullptr, 0, 0, 0},
};

const qor_clause kNloptionsClauses[] = {
    {QOR_CLAUSE_OPTIONLIST, 0, 0, 0, 40, nullptr, nullptr, kNloptionsOptions, nullptr},
};

const qor_clause kSubmitClauses[] = {
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_TEXT, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
};

const qor_clause kRunqorfileClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_TEXT, 0, 0, 2, nullptr, nullptr, nullptr, nullptr},
};

// Options of a project run: RUNPROJECT takes these, and PROJECT stores them with the project.
constexpr qor_option_def kProjectRunOptions[] = {
    {"AGS", QOR_FORM_FLAG, 0, 0},
    {"ALLCASHFLOW", QOR_FORM_FLAG, 0, 0},
    {"ALLPRICE", QOR_FORM_FLAG, 0, 0},
    {"ALLSTATES", QOR_FORM_FLAG, 0, 0},
    {"ALPHA", QOR_FORM_REAL, 0, 0},
    {"ARCHIVE", QOR_FORM_TEXT, 0, 0},
    {"AUTH_DOMAIN", QOR_FORM_TEXT, 0, 0},
    {"BANDWIDTH", QOR_FORM_REAL, 0, 0},
    {"BRUTEVAROPT", QOR_FORM_FLAG, 0, 0},
    {"COMBINED", QOR_FORM_FLAG, 0, 0},
    {"COMPDURATION", QOR_FORM_FLAG, 0, 0},
    {"CUBE", QOR_FORM_TEXT, 0, 0},
    {"CUBE_DATALIB", QOR_FORM_TEXT, 0, 0},
    {"CUBE_METALIB", QOR_FORM_TEXT, 0, 0},
    {"CUBE_METAREF", QOR_FORM_TEXT, 0, 0},
    {"CUBE_NAME", QOR_FORM_TEXT, 0, 0},
    {"CUBE_PATH", QOR_FORM_TEXT, 0, 0},
    {"DEFAULT", QOR_FORM_TEXT, 0, 0},
    {"DETAILED", QOR_FORM_FLAG, 0, 0},
    {"DF", QOR_FORM_INTEGER, 0, 0},
    {"DOWNWEIGHT", QOR_FORM_REAL, 0, 0},
    {"EPSILON", QOR_FORM_REAL, 0, 0},
    {"EVTCUTOFF", QOR_FORM_REAL, 0, 0},
    {"EVTSTATS", QOR_FORM_FLAG, 0, 0},
    {"FMTCFNOTE", QOR_FORM_TEXT, 0, 0},
    {"FMTDATE", QOR_FORM_TEXT, 0, 0},
    {"FMTDATETIME", QOR_FORM_TEXT, 0, 0},
    {"FMTNUMERIC", QOR_FORM_TEXT, 0, 0},
    {"FMTPERCENT", QOR_FORM_TEXT, 0, 0},
    {"FMTTIME", QOR_FORM_TEXT, 0, 0},
    {"FMTVALUE", QOR_FORM_TEXT, 0, 0},
    {"FORMATS", QOR_FORM_TEXT, 0, 0},
    {"HLWBND", QOR_FORM_REAL, 0, 0},
    {"IM_FOLDER", QOR_FORM_TEXT, 0, 0},
    {"INSTARRAYS", QOR_FORM_FLAG, 0, 0},
    {"INSTVALS", QOR_FORM_FLAG, 0, 0},
    {"KERNEL", QOR_FORM_TEXT, 0, 0},
    {"MAXTHREADS", QOR_FORM_INTEGER, 0, 0},
    {"MDDBS", QOR_FORM_FLAG, 0, 0},
    {"MDDBSTYLE", QOR_FORM_TEXT, 0, 0},
    {"MKTRATES", QOR_FORM_FLAG, 0, 0},
    {"MODCOV", QOR_FORM_FLAG, 0, 0},
    {"N", QOR_FORM_INTEGER, 0, 0},
    {"NBOOT", QOR_FORM_INTEGER, 0, 0},
    {"NDENSITY", QOR_FORM_INTEGER, 0, 0},
    {"NOAGS", QOR_FORM_FLAG, 0, 0},
    {"NOALLCASHFLOW", QOR_FORM_FLAG, 0, 0},
    {"NOALLPRICE", QOR_FORM_FLAG, 0, 0},
    {"NOALLSTATES", QOR_FORM_FLAG, 0, 0},
    {"NOBRUTEVAROPT", QOR_FORM_FLAG, 0, 0},
    {"NOCOMBINED", QOR_FORM_FLAG, 0, 0},
    {"NOCOMPDURATION", QOR_FORM_FLAG, 0, 0},
    {"NODETAILED", QOR_FORM_FLAG, 0, 0},
    {"NOEVTSTATS", QOR_FORM_FLAG, 0, 0},
    {"NOINSTARRAYS", QOR_FORM_FLAG, 0, 0},
    {"NOINSTVALS", QOR_FORM_FLAG, 0, 0},
    {"NOMDDBS", QOR_FORM_FLAG, 0, 0},
    {"NOMKTRATES", QOR_FORM_FLAG, 0, 0},
    {"NOMODCOV", QOR_FORM_FLAG, 0, 0},
    {"NONE", QOR_FORM_FLAG, 0, 0},
    {"NOOLDALLPRICE", QOR_FORM_FLAG, 0, 0},
    {"NOOPTIMIZE", QOR_FORM_FLAG, 0, 0},
    {"NOOPTSUMMARY", QOR_FORM_FLAG, 0, 0},
    {"NOOPTVALUES", QOR_FORM_FLAG, 0, 0},
    {"NOOUTALL", QOR_FORM_FLAG, 0, 0},
    {"NOOUTERROR", QOR_FORM_FLAG, 0, 0},
    {"NOPOSNEG", QOR_FORM_FLAG, 0, 0},
    {"NORMAL", QOR_FORM_FLAG, 0, 0},
    {"NORUNSUMMARY", QOR_FORM_FLAG, 0, 0},
    {"NOSENSTRANS", QOR_FORM_FLAG, 0, 0},
    {"NOSHOCKS", QOR_FORM_FLAG, 0, 0},
    {"NOSIMADJUST", QOR_FORM_FLAG, 0, 0},
    {"NOSIMDENS", QOR_FORM_FLAG, 0, 0},
    {"NOSIMRFIM", QOR_FORM_FLAG, 0, 0},
    {"NOSIMRFSTATS", QOR_FORM_FLAG, 0, 0},
    {"NOSIMSTATES", QOR_FORM_FLAG, 0, 0},
    {"NOSIMSTATS", QOR_FORM_FLAG, 0, 0},
    {"NOSIMVALUES", QOR_FORM_FLAG, 0, 0},
    {"NOSTATES", QOR_FORM_FLAG, 0, 0},
    {"NOVALUESTATS", QOR_FORM_FLAG, 0, 0},
    {"OLAP_HOST", QOR_FORM_TEXT, 0, 0},
    {"OLAP_SCHEMA", QOR_FORM_TEXT, 0, 0},
    {"OLDALLPRICE", QOR_FORM_FLAG, 0, 0},
    {"OLDSPECTRAL", QOR_FORM_FLAG, 0, 0},
    {"OPTIMIZE", QOR_FORM_FLAG, 0, 0},
    {"OPTSUMMARY", QOR_FORM_FLAG, 0, 0},
    {"OPTVALUES", QOR_FORM_FLAG, 0, 0},
    {"OUTALL", QOR_FORM_FLAG, 0, 0},
    {"OUTERROR", QOR_FORM_FLAG, 0, 0},
    {"PCTLDEF", QOR_FORM_INTEGER, 0, 0},
    {"POSNEG", QOR_FORM_FLAG, 0, 0},
    {"PRGSNOTE", QOR_FORM_INTEGER, 0, 0},
    {"PSDMETHOD", QOR_FORM_TEXT, 0, 0},
    {"QUADRATIC", QOR_FORM_FLAG, 0, 0},
    {"RUNSUMMARY", QOR_FORM_FLAG, 0, 0},
    {"SENSTRANS", QOR_FORM_FLAG, 0, 0},
    {"SHOCKS", QOR_FORM_FLAG, 0, 0},
    {"SIMADJUST", QOR_FORM_FLAG, 0, 0},
    {"SIMDENS", QOR_FORM_FLAG, 0, 0},
    {"SIMPLE", QOR_FORM_FLAG, 0, 0},
    {"SIMRFIM", QOR_FORM_FLAG, 0, 0},
    {"SIMRFSTATS", QOR_FORM_FLAG, 0, 0},
    {"SIMSTATES", QOR_FORM_FLAG, 0, 0},
    {"SIMSTATS", QOR_FORM_FLAG, 0, 0},
    {"SIMVALUES", QOR_FORM_FLAG, 0, 0},
    {"SPECTRAL", QOR_FORM_FLAG, 0, 0},
    {"STATES", QOR_FORM_FLAG, 0, 0},
    {"TRIANGULAR", QOR_FORM_FLAG, 0, 0},
    {"VALUESTATS", QOR_FORM_FLAG, 0, 0},
    {"VARDEF", QOR_FORM_INTEGER, 0, 0},
    {"VAROPTDROP", QOR_FORM_TEXT, 0, 0},
};

// Options that only PROJECT takes.
constexpr qor_option_def kProjectOnlyOptions[] = {
    {"ABS", QOR_FORM_FLAG, 0, 0},
    {"ABSOLUTE", QOR_FORM_FLAG, 0, 0},
    {"BACK", QOR_FORM_FLAG, 0, 0},
    {"BACKWARD", QOR_FORM_FLAG, 0, 0},
    {"CFBUCKET", QOR_FORM_TEXT, 0, 0},
    {"CFBUCKETBY", QOR_FORM_TEXT, 0, 0},
    {"CFDIST", QOR_FORM_TEXT, 0, 0},
    {"CFMAX", QOR_FORM_INTEGER, 0, 0},
    {"CFMAXSIZE", QOR_FORM_INTEGER, 0, 0},
    {"COMPLETE", QOR_FORM_FLAG, 0, 0},
    {"FORW", QOR_FORM_FLAG, 0, 0},
    {"FORWARD", QOR_FORM_FLAG, 0, 0},
    {"MATURITY", QOR_FORM_FLAG, 0, 0},
    {"NETSET", QOR_FORM_FLAG, 0, 0},
    {"NETSETS", QOR_FORM_FLAG, 0, 0},
    {"PROR", QOR_FORM_FLAG, 0, 0},
    {"PRORATE", QOR_FORM_FLAG, 0, 0},
    {"RATIO", QOR_FORM_FLAG, 0, 0},
    {"REL", QOR_FORM_FLAG, 0, 0},
    {"RELATIVE", QOR_FORM_FLAG, 0, 0},
};

// A parser option list: the rows of each table in turn, then the terminating row.
template <size_t... N>
constexpr auto option_list(const qor_option_def (&... tables)[N]) {
    std::array<qor_option_def, (N + ... + 0) + 1> list{};
    size_t at = 0;
    auto append = [&](const auto& table) {
        for (const qor_option_def& row : table) list[at++] = row;
    };
    (append(tables), ...);
    list[at] = qor_option_def{nullptr, 0, 0, 0};
    return list;
}

constexpr auto kRunprojectOptions = option_list(kProjectRunOptions);
constexpr auto kProjectOptions = option_list(kProjectRunOptions, kProjectOnlyOptions);

const qor_clause kRunprojectClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 18, "DATA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 19, "OUT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 20, "OUTLIB OUTLIBNAME", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 21, "OUTPATH", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 0, 16, "MARKETDATA SCENARIOS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 12, "NUMERAIRE CURRENCY", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 4, "PORTFOLIO PORT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_INTEGER, 0, 0, 23, "PORTFOLIOPART PORTPART PPART", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_INTEGER, 0, 0, 24, "N_PORTFOLIOPARTS N_PORTPARTS N_PPARTS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_INTEGER, 0, 0, 25, "ANALYSISPART ANALPART APART", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_INTEGER, 0, 0, 26, "N_ANALYSISPARTS N_ANALPARTS N_APARTS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_INTEGER, 0, 0, 27, "ENDPART", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 28, "PARTLIB", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_CHOICE, 0, 0, 0, 29, "RESULTS|AGGREGATIONS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 30, "RUNNAME", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 31, "AGGREGATIONLIB AGGREGATIONSLIB AGLIB AGSLIB", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 32, "SCENARIOLIB SCENARIOSLIB", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 33, "STATELIB STATESLIB", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 34, "VALUELIB VALUESLIB VALLIB VALSLIB", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 35, "TIME", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 2, 0, 0, "ENDPROJ ENDPROJECT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 3, 0, 0, "NOREPORT NOREPORTS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 4, 0, 0, "OF", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 5, 0, 0, "VALUES VALUATIONS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 6, 0, 0, "OPTIONS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 0, 13, "REPORT REPORTS PREREPORT POSTREPORT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_OPTIONLIST, 0, 0, 0, 40, nullptr, nullptr, kRunprojectOptions.data(), nullptr},
};

const qor_clause kPriceClauses[] = {
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 4, "PORTFOLIO", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 5, "FILTER", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 0, 6, "RFTRANS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 0, 7, "PROJECTMETHOD PROJECTMETHODS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 12, "NUMERAIRE CURRENCY", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 0, 16, "DATA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 19, "OUT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 20, "OUTLIB OUTLIBNAME", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 21, "OUTPATH", nullptr, nullptr, nullptr},
};

const qor_clause kGetratesClauses[] = {
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 0, 6, "RFTRANS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 0, 7, "PROJECTMETHOD PROJECTMETHODS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 0, 16, "DATA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 19, "OUT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 20, "OUTLIB OUTLIBNAME", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 21, "OUTPATH", nullptr, nullptr, nullptr},
};

const qor_clause kReadClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 0, 4, "SOURCES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 0, 5, "FILTER", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 19, "OUT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 20, "OUTLIB OUTLIBNAME", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 21, "OUTPATH PATH", nullptr, nullptr, nullptr},
};

const qor_clause kCashflowClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_CHOICE, 0, 0, 0, 4, "PARTIALDUR|TRAD TRADITIONAL|MAC MACAULAY|MOD MODIFIED|SIMPLE|CF|CUM CUMULATIVE|NONE", "DURATION", nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 2, 0, 0, "ALL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 5, "ANALYSIS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 6, "BASEDATE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 3, 0, 0, "BTYPE BUCKETTYPE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 7, "EVALDATE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
};

const qor_clause kReportClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 3, "FILE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 4, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_CHOICE, 0, 0, 0, 5, "PLC|PLS|SIM", "KIND TYPE", nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 6, "ADDRESSEES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 7, "BOOKMARK", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 8, "CODEBASE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 9, "WEBHOST", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 10, "SAMPOUT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
};

const qor_clause kRftransClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 4, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
};

const qor_clause kFilterClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 4, "WHERE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
};

const qor_clause kSourcesClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 1, 4, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
};

const qor_clause kCrossclassClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 4, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
};

const qor_clause kPotexpClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_CHOICE, 0, 0, 0, 4, "MONTE MONTECARLO|COV COVARIANCE|HIS HISTORICAL|SCENARIO SCENARIOS", "METHOD", nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 2, 0, 0, "ANTITHETIC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 3, 0, 0, "ASFIT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 5, "BASEDATE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 4, 0, 0, "BEST", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 5, 0, 0, "CONDITIONAL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 6, "COVDATA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 7, "DATA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 8, "DEPENDENT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 6, 0, 0, "EMPIRICAL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 9, "ERRMOD ERRORMODEL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 10, "EVALDATE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 11, "EXPOSURE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 7, 0, 0, "FAURE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 12, "GEN GENERATOR", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 13, "HORIZON", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 14, "INTERVAL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 15, "KIND", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 16, "LAMBDA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 8, 0, 0, "LECUYER", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 9, 0, 0, "LECUYERANTI", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 10, 0, 0, "MARGINAL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 17, "MATCH", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 18, "NDRAW NDRAWS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 11, 0, 0, "NONE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 12, 0, 0, "NORMAL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 19, "NREP NREPS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 20, "PARAMETER PARAMETERS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 13, 0, 0, "PL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 14, 0, 0, "PSEUDO", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 21, "RETURN", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 22, "SDATA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 23, "SEED", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 24, "SHOCKS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 15, 0, 0, "SOBOL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 25, "START STARTDATE STARTDATETIME STARTTIME", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 16, 0, 0, "STRESS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 17, 0, 0, "TWISTER", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 18, 0, 0, "TWISTERANTI", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 19, 0, 0, "WISHART", nullptr, nullptr, nullptr},
};

const qor_clause kOptimizationClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 4, "ALT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 2, 0, 0, "ATRISK", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 5, "BDS BOUNDS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 3, 0, 0, "BY", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 6, "CON LINCON", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 4, 0, 0, "ES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 7, "HORIZON", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 5, 0, 0, "OBJ OBJECTIVE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 8, "RETURN", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 6, 0, 0, "SIMULATION", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 7, 0, 0, "ST SUBJECTTO", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 9, "STD", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 10, "TO", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 8, 0, 0, "VALUE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 11, "VARKIND", nullptr, nullptr, nullptr},
};

const qor_clause kSimulationClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_CHOICE, 0, 0, 0, 4, "MONTE MONTECARLO|COV COVARIANCE|HIS HISTORICAL|SCENARIO SCENARIOS", "METHOD", nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 2, 0, 0, "ADJUSTMIS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 3, 0, 0, "ANTITHETIC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 4, 0, 0, "ASFIT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 5, 0, 0, "BASE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 5, "BASEDATE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 6, 0, 0, "BEST", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 7, 0, 0, "CONDITIONAL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 6, "COVDATA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 7, "DATA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 8, "DEPENDENT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 8, 0, 0, "EMPIRICAL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 9, "END ENDDATE ENDDATETIME ENDTIME", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 10, "ERRMOD ERRORMODEL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 11, "EVALDATE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 12, "EXPOSURE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 9, 0, 0, "FAURE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 13, "GEN GENERATOR", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 14, "HORIZON", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 15, "INTERVAL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 16, "KIND", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 17, "LAMBDA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 10, 0, 0, "LECUYER", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 11, 0, 0, "LECUYERANTI", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 12, 0, 0, "MARGINAL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 18, "MATCH", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 19, "NDRAW NDRAWS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 13, 0, 0, "NONE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 14, 0, 0, "NONOVERLAP", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 15, 0, 0, "NOPIVOT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 16, 0, 0, "NORMAL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 20, "NREP NREPS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 17, 0, 0, "OVERLAP", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 21, "PARAMETER PARAMETERS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 18, 0, 0, "PIVOT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 19, 0, 0, "PL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 20, 0, 0, "PSEUDO", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 22, "RETURN", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 23, "SDATA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 24, "SEED", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 25, "SHOCKS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 21, 0, 0, "SOBOL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 26, "START STARTDATE STARTDATETIME STARTTIME", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 22, 0, 0, "STRESS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 23, 0, 0, "TWISTER", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 24, 0, 0, "TWISTERANTI", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 25, 0, 0, "WISHART", nullptr, nullptr, nullptr},
};

const qor_clause kDeltanormalClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 4, "BASEDATE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 2, 0, 0, "CONDITIONAL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 5, "DATA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 6, "EVALDATE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 7, "INTERVAL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 3, 0, 0, "MARGINAL", nullptr, nullptr, nullptr},
};

const qor_clause kPoseqClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 4, "BENCHNAME", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 5, "BENCHTIM", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
};

const qor_clause kCurexposureClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
};

const qor_clause kPlsurfaceClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FACTORS, 0, 0, 0, 10, "ABS ABSOLUTE|REL RELATIVE|VALUE|STD", nullptr, kGridOptions, nullptr},
    {QOR_CLAUSE_FLAG, 0, 2, 0, 0, "VOLS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 11, "BASEDATE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 12, "DEPENDENT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 13, "EVALDATE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 14, "KIND", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
};

const qor_clause kPlcurveClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FACTORS, 0, 0, 0, 10, "ABS ABSOLUTE|REL RELATIVE|VALUE|STD", nullptr, kGridOptions, nullptr},
    {QOR_CLAUSE_FLAG, 0, 2, 0, 0, "VOLS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 11, "BASEDATE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 12, "CURVES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 13, "DEPENDENT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 14, "EVALDATE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 15, "KIND", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
};

// MTM: a mark-to-market analysis takes only its name, label and description.
const qor_clause kMtmClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
};

const qor_clause kSensitivityClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 2, 0, 0, "HESSIAN", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 3, 0, 0, "THETA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 4, 0, 0, "VEGA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 5, 0, 0, "NUMERICDER", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 4, "VARIABLES VARS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 5, "INSTID", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 6, "INSTTYPE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 7, "BASEDATE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 8, "EVALDATE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
};

const qor_clause kScenarioClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_CHOICE, 0, 0, 0, 4, "ABS ABSOLUTE|REL RELATIVE|VALUE|STD", "TYPE KIND", nullptr, nullptr},
    {QOR_CLAUSE_FACTORS, 0, 0, 0, 10, "ABS ABSOLUTE|REL RELATIVE|VALUE|STD", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 11, "BASEDATE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 2, 0, 0, "CHANGES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 12, "DEPENDENT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 13, "EVALDATE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 3, 0, 0, "VOLS", nullptr, nullptr, nullptr},
};

const qor_clause kStatisticsClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_GROUP, QOR_VALUE_NAME, 0, 1, 10, "MAX|MEAN|MIN|N|STD|SUM|WGT|WGTMEAN", nullptr, nullptr, &kStatisticsGroup},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
};


const qor_clause kProjectClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 4, "PORTFOLIO", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 5, "FILTER", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 0, 6, "RFTRANS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 0, 7, "PROJECTMETHOD PROJECTMETHODS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 0, 8, "POSTVARMETHOD POSTVARMETHODS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 0, 9, "POSTPRICEMETHOD POSTPRICEMETHODS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 0, 10, "ANALYSIS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 11, "CROSSCLASS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 12, "NUMERAIRE CURRENCY", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 0, 13, "REPORT REPORTS PREREPORT POSTREPORT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 14, "RUNDATE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 0, 15, "MODEL MODELS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 0, 16, "MARKETDATA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 0, 17, "STATISTICS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 18, "DATA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 19, "OUT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 20, "OUTLIB OUTLIBNAME", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 21, "OUTPATH", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 27, 0, 22, "ALTYPE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 2, 0, 0, "OPTIONS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 3, 0, 0, "REPRICING", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_OPTIONLIST, 0, 0, 0, 40, nullptr, nullptr, kProjectOptions.data(), nullptr},
};

const qor_clause kCurrencyClauses[] = {
    {QOR_CLAUSE_FLAG, 0, 2, 0, 0, "ALL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 3, 0, 0, "NONE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 0, 1, "KEEP", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 0, 2, "DROP", nullptr, nullptr, nullptr},
};

const qor_clause kParameterClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 4, "COLS COLUMN COLUMNS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 5, "DATA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 2, 0, 0, "LINTRANS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 6, "ROW ROWS", nullptr, nullptr, nullptr},
};

const qor_clause kLagClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 4, "DATA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 2, 0, 0, "DAY", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 5, "INTERVAL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 6, "LAGVAR", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 3, 0, 0, "MONTH", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 7, "RISKFACTOR", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 4, 0, 0, "TIMEGRID", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 5, 0, 0, "WEEK", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 6, 0, 0, "YEAR", nullptr, nullptr, nullptr},
};

const qor_clause kTimegridClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBERS, 0, 0, 4, "D DAY DAYS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBERS, 0, 0, 5, "W WEEK WEEKS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBERS, 0, 0, 6, "M MONTH MONTHS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBERS, 0, 0, 7, "Y YEAR YEARS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBERS, 0, 0, 8, "H HOUR HOURS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
};

const qor_clause kInstdataClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 4, "FILE DATA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 5, "TYPE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_CHOICE, 0, 0, 0, 6, "SIMPLE|SPARSE|CASH_FLOW|QUADRATIC", "FORMAT", nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 7, "VARIABLES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 8, "DF", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 9, "N", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 10, "WDF", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 11, "WEIGHT WGT", nullptr, nullptr, nullptr},
};

const qor_clause kCounterpartydataClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 4, "FILE DATA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 7, "VARIABLES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 8, "WEIGHT WGT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 9, "DF", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 10, "WDF", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_INTEGER, 0, 0, 11, "N", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
};

const qor_clause kMitigationdataClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 4, "FILE DATA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 7, "VARIABLES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 8, "WEIGHT WGT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 9, "DF", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 10, "WDF", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_INTEGER, 0, 0, 11, "N", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 5, "TYPE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
};

const qor_clause kMarketdataClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 4, "FILE DATA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_CHOICE, 0, 0, 0, 5, "TIMESERIES|CURRENT|VOLATILITY|COVARIANCE|SCENARIOS|CHANGES|PARAMETERS|CORRELATION", "TYPE", nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 7, "VARIABLES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 8, "DF", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 9, "INTERVAL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 10, "N", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 11, "ROWNAME", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 12, "TRANSFORM", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBER, 0, 0, 13, "WDF", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_ANY, 0, 0, 14, "WEIGHT WGT", nullptr, nullptr, nullptr},
};

const qor_clause kRfcategoryClauses[] = {
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 1, nullptr, nullptr, nullptr, nullptr},
};

const qor_clause kWritetypesClauses[] = {
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 1, "OUT", nullptr, nullptr, nullptr},
};

const qor_clause kReadtypesClauses[] = {
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 1, "DATA", nullptr, nullptr, nullptr},
};

const qor_clause kInstrumentClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_CHOICE, 0, 0, 0, 4, "CASHFLOWS|QUADRATIC|NONE", "KIND", nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 5, "VARIABLES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 6, "DEFAULT DEFAULTS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 0, 8, "METHODS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 9, "INPUT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 10, "PRICE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 11, "VALRECORD", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 12, "BASETYPE SUPER", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
};

const qor_clause kMitigationClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 4, "BASETYPE SUPER", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 7, "METHOD", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 8, "VARIABLES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
};

const qor_clause kCounterpartyClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 4, "BASETYPE SUPER", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 5, "MODEL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 6, "SCOREMODEL SCOREFUNCTION FUNCTION", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 7, "METHOD", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 8, "VARIABLES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
};

const qor_clause kWritecategoriesClauses[] = {
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 1, "OUT", nullptr, nullptr, nullptr},
};

const qor_clause kReadcategoriesClauses[] = {
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 1, "DATA", nullptr, nullptr, nullptr},
};

const qor_clause kWriterefsClauses[] = {
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 1, "OUT", nullptr, nullptr, nullptr},
};

const qor_clause kReadrefsClauses[] = {
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 1, "DATA", nullptr, nullptr, nullptr},
};

const qor_clause kWritearraysClauses[] = {
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 1, "OUT", nullptr, nullptr, nullptr},
};

const qor_clause kReadarraysClauses[] = {
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 1, "DATA", nullptr, nullptr, nullptr},
};

const qor_clause kWritevarsClauses[] = {
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 1, "OUT", nullptr, nullptr, nullptr},
};

const qor_clause kReadvarsClauses[] = {
    {QOR_CLAUSE_VALUE, QOR_VALUE_DATASET, 0, 0, 1, "DATA", nullptr, nullptr, nullptr},
};

const qor_clause kArrayClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_CHOICE, 0, 0, 0, 4, "IR|FX|CATEGORY|GROUP", "VAR", nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 1, 5, "ELEMENTS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 6, "REFMAP", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 7, "TIMEGRID", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 8, "CURRENCY", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 9, "FROMCUR FROM", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 10, "TOCUR TO", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 2, "LABEL", nullptr, nullptr, nullptr},
    // The role of the array's elements when it is not the word of VAR= (such as FX_SPOT).
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 11, "ROLE", nullptr, nullptr, nullptr},
};

const qor_clause kDeclareClauses[] = {
    {QOR_CLAUSE_GROUP, QOR_VALUE_NAME, 0, 1, 10, "INSTVARS INSTRUMENT|RFVARS RISKFACTORS RISKFACTOR|REFVARS REFERENCES REFERENCE|OUTVARS OUTPUT|PROJVARS PROJVAR|STATEVARS STATEVAR|CPTYVARS COUNTERPARTYVARS|MITVARS MITIGATIONVARS", nullptr, nullptr, &kDeclareGroup},
};

const qor_clause kFindfileClauses[] = {
    {QOR_CLAUSE_CHOICE, 0, 0, 0, 2, "CATALOG|DATASET|DATAVIEW|INDEX|MDDB|UTILITY", "TYPE", nullptr, nullptr},
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_DATASET, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
};

const qor_clause kSetpathClauses[] = {
    {QOR_CLAUSE_FLAG, 0, 2, 0, 0, "SAVE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 2, "REMOVE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
};

const qor_clause kTraceClauses[] = {
    {QOR_CLAUSE_VALUE, QOR_VALUE_NUMBERS, 0, 0, 1, "LEVEL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_CHOICE, 0, 0, 0, 2, "ON|OFF", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_TEXT, 0, 0, 3, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_CHOICE, 0, 0, 0, 4, "BRIEF|DETAILED", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_WORDS, 0, 0, 0, 5, "ALL NONE FACTORS DEPS RFTORDER SETVARS TRANS PRICE PRICING INPUT EXEC FLOW ITERATIONS MCSIM MCSIMULATION METHODS STATES VARIABLES VARS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_INTEGER, 0, 0, 7, "THREAD", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 2, 0, 0, "SUBMITS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 3, 0, 0, "LIST", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 4, 0, 0, "DEBUG", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 5, 0, 0, "PRINT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 6, "METHOD", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 6, 0, 0, "TRACE", nullptr, nullptr, nullptr},
};

const qor_clause kEnvironmentClauses[] = {
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 1, "NEW", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_TEXT, 0, 0, 2, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 3, "DESC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 4, "OPEN", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 5, "LABEL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 6, "SAVEAS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 7, "INHERIT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 8, "INCLUDE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 9, "OUTPATH", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 2, 0, 0, "AUTOSAVE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 3, 0, 0, "NOAUTOSAVE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 4, 0, 0, "SAMPLE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 5, 0, 0, "NOSAMPLE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 6, 0, 0, "SAVE", nullptr, nullptr, nullptr},
};

const qor_clause kRunwebreportClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_TEXT, 0, 0, 4, "OUTPATH", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 5, "SAVEAS", nullptr, nullptr, nullptr},
};

const qor_clause kUnittestClauses[] = {
    {0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr},
};

const qor_clause kDebugClauses[] = {
    {QOR_CLAUSE_WORDS, 0, 0, 0, 1, "AFTRACE ALL ANALYSIS CODEGEN DETAILED DETAILS ENV ENVIRONMENT EXEC FILES GROUPS INST INSTRUMENTS MEMORY NOAFTRACE NOANALYSIS NOCODEGEN NODETAILED NODETAILS NOENV NOENVIRONMENT NOEXEC NOFILES NOGRPOUPS NOINST NOINSTRUMENTS NOMEMORY NOOUTPUT NOPROJECT NORESOLVE NOTIMER NOVARIABLES OFF ON OUTPUT PROJECT RESOLVE TIMER VARIABLES", nullptr, nullptr, nullptr},
};

const qor_clause kConvertClauses[] = {
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 1, "FROMENV FROM", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 2, "TOENV TO", nullptr, nullptr, nullptr},
};

const qor_clause kImportClauses[] = {
    {QOR_CLAUSE_VALUE, QOR_VALUE_NAME, 0, 0, 1, "FROMENV FROM", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 2, 0, 0, "ALL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 10, "INSTDATA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 11, "OUTPUT OUTPUTS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 12, "VARIABLE VARIABLES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 13, "INSTRUMENT INSTRUMENTS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 14, "PORTFOLIO PORTFOLIOS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 15, "PROJECT PROJECTS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 16, "ANALYSIS ANALYSES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 17, "MARKETDATA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 18, "CROSSCLASS CROSSCLASSES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 19, "RFTRANS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 20, "FILTER FILTERS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 21, "SOURCES SOURCE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 22, "REPORT REPORTS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 23, "TIMEGRID TIMEGRIDS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 24, "PARAMETER PARAMETERS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 25, "STATISTICS STATISTIC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 26, "MODEL MODELS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 27, "MODELSPEC MODELSPECS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 28, "METHOD METHODS", nullptr, nullptr, nullptr},
};

const qor_clause kDeleteClauses[] = {
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 10, "INSTDATA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 11, "OUTPUT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 12, "VARIABLE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 13, "INSTRUMENT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 14, "PORTFOLIO", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 15, "PROJECT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 16, "ANALYSIS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 17, "MARKETDATA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 18, "CROSSCLASS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 19, "RFTRANS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 20, "FILTER", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 21, "SOURCES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 22, "REPORT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 23, "TIMEGRID", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 24, "PARAMETER", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 25, "STATISTICS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 26, "MODEL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 27, "MODELSPEC", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 28, "METHOD", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 30, "ENVIRONMENT", nullptr, nullptr, nullptr},
};

const qor_option_def kSetoptionsOptions[] = {
    {"AGS", QOR_FORM_FLAG, 0, 0},
    {"ALLCASHFLOW", QOR_FORM_FLAG, 0, 0},
    {"ALLPRICE", QOR_FORM_FLAG, 0, 0},
    {"ALLSTATES", QOR_FORM_FLAG, 0, 0},
    {"ALPHA", QOR_FORM_REAL, 0, 0},
    {"ARCHIVE", QOR_FORM_TEXT, 0, 0},
    {"AUTH_DOMAIN", QOR_FORM_TEXT, 0, 0},
    {"AUTORES", QOR_FORM_FLAG, 0, 0},
    {"AUTOSAVE", QOR_FORM_FLAG, 0, 0},
    {"BACKSAVE", QOR_FORM_FLAG, 0, 0},
    {"BANDWIDTH", QOR_FORM_REAL, 0, 0},
    {"BRUTEVAROPT", QOR_FORM_FLAG, 0, 0},
    {"COMBINED", QOR_FORM_FLAG, 0, 0},
    {"COMPDURATION", QOR_FORM_FLAG, 0, 0},
    {"CUBE", QOR_FORM_TEXT, 0, 0},
    {"CUBE_DATALIB", QOR_FORM_TEXT, 0, 0},
    {"CUBE_METALIB", QOR_FORM_TEXT, 0, 0},
    {"CUBE_METAREF", QOR_FORM_TEXT, 0, 0},
    {"CUBE_NAME", QOR_FORM_TEXT, 0, 0},
    {"CUBE_PATH", QOR_FORM_TEXT, 0, 0},
    {"DEFAULT", QOR_FORM_TEXT, 0, 0},
    {"DETAILED", QOR_FORM_FLAG, 0, 0},
    {"DF", QOR_FORM_INTEGER, 0, 0},
    {"DOWNWEIGHT", QOR_FORM_REAL, 0, 0},
    {"ENVCOPY", QOR_FORM_FLAG, 0, 0},
    {"EPSILON", QOR_FORM_REAL, 0, 0},
    {"EVTCUTOFF", QOR_FORM_REAL, 0, 0},
    {"EVTSTATS", QOR_FORM_FLAG, 0, 0},
    {"FMTCFNOTE", QOR_FORM_TEXT, 0, 0},
    {"FMTDATE", QOR_FORM_TEXT, 0, 0},
    {"FMTDATETIME", QOR_FORM_TEXT, 0, 0},
    {"FMTNUMERIC", QOR_FORM_TEXT, 0, 0},
    {"FMTPERCENT", QOR_FORM_TEXT, 0, 0},
    {"FMTTIME", QOR_FORM_TEXT, 0, 0},
    {"FMTVALUE", QOR_FORM_TEXT, 0, 0},
    {"FORMATS", QOR_FORM_TEXT, 0, 0},
    {"HLWBND", QOR_FORM_REAL, 0, 0},
    {"IM_FOLDER", QOR_FORM_TEXT, 0, 0},
    {"INSTARRAYS", QOR_FORM_FLAG, 0, 0},
    {"INSTVALS", QOR_FORM_FLAG, 0, 0},
    {"KEEPLIB", QOR_FORM_FLAG, 0, 0},
    {"KERNEL", QOR_FORM_TEXT, 0, 0},
    {"MAXTHREADS", QOR_FORM_INTEGER, 0, 0},
    {"MDDBS", QOR_FORM_FLAG, 0, 0},
    {"MDDBSTYLE", QOR_FORM_TEXT, 0, 0},
    {"MKTRATES", QOR_FORM_FLAG, 0, 0},
    {"MODCOV", QOR_FORM_FLAG, 0, 0},
    {"N", QOR_FORM_INTEGER, 0, 0},
    {"NBOOT", QOR_FORM_INTEGER, 0, 0},
    {"NDENSITY", QOR_FORM_INTEGER, 0, 0},
    {"NOAGS", QOR_FORM_FLAG, 0, 0},
    {"NOALLCASHFLOW", QOR_FORM_FLAG, 0, 0},
    {"NOALLPRICE", QOR_FORM_FLAG, 0, 0},
    {"NOALLSTATES", QOR_FORM_FLAG, 0, 0},
    {"NOAUTORES", QOR_FORM_FLAG, 0, 0},
    {"NOAUTOSAVE", QOR_FORM_FLAG, 0, 0},
    {"NOBACKSAVE", QOR_FORM_FLAG, 0, 0},
    {"NOBRUTEVAROPT", QOR_FORM_FLAG, 0, 0},
    {"NOCOMBINED", QOR_FORM_FLAG, 0, 0},
    {"NOCOMPDURATION", QOR_FORM_FLAG, 0, 0},
    {"NODETAILED", QOR_FORM_FLAG, 0, 0},
    {"NOENVCOPY", QOR_FORM_FLAG, 0, 0},
    {"NOEVTSTATS", QOR_FORM_FLAG, 0, 0},
    {"NOINSTARRAYS", QOR_FORM_FLAG, 0, 0},
    {"NOINSTVALS", QOR_FORM_FLAG, 0, 0},
    {"NOKEEPLIB", QOR_FORM_FLAG, 0, 0},
    {"NOMDDBS", QOR_FORM_FLAG, 0, 0},
    {"NOMKTRATES", QOR_FORM_FLAG, 0, 0},
    {"NOMODCOV", QOR_FORM_FLAG, 0, 0},
    {"NONE", QOR_FORM_FLAG, 0, 0},
    {"NOOLDALLPRICE", QOR_FORM_FLAG, 0, 0},
    {"NOOPTIMIZE", QOR_FORM_FLAG, 0, 0},
    {"NOOPTSUMMARY", QOR_FORM_FLAG, 0, 0},
    {"NOOPTVALUES", QOR_FORM_FLAG, 0, 0},
    {"NOOUTALL", QOR_FORM_FLAG, 0, 0},
    {"NOOUTERROR", QOR_FORM_FLAG, 0, 0},
    {"NOPOSNEG", QOR_FORM_FLAG, 0, 0},
    {"NOPRECISE", QOR_FORM_FLAG, 0, 0},
    {"NORMAL", QOR_FORM_FLAG, 0, 0},
    {"NORUNSUMMARY", QOR_FORM_FLAG, 0, 0},
    {"NOSEARCH", QOR_FORM_FLAG, 0, 0},
    {"NOSENSTRANS", QOR_FORM_FLAG, 0, 0},
    {"NOSHOCKS", QOR_FORM_FLAG, 0, 0},
    {"NOSIMADJUST", QOR_FORM_FLAG, 0, 0},
    {"NOSIMDENS", QOR_FORM_FLAG, 0, 0},
    {"NOSIMRFIM", QOR_FORM_FLAG, 0, 0},
    {"NOSIMRFSTATS", QOR_FORM_FLAG, 0, 0},
    {"NOSIMSTATES", QOR_FORM_FLAG, 0, 0},
    {"NOSIMSTATS", QOR_FORM_FLAG, 0, 0},
    {"NOSIMVALUES", QOR_FORM_FLAG, 0, 0},
    {"NOSTATES", QOR_FORM_FLAG, 0, 0},
    {"NOVALUESTATS", QOR_FORM_FLAG, 0, 0},
    {"OLAP_HOST", QOR_FORM_TEXT, 0, 0},
    {"OLAP_SCHEMA", QOR_FORM_TEXT, 0, 0},
    {"OLDALLPRICE", QOR_FORM_FLAG, 0, 0},
    {"OLDSPECTRAL", QOR_FORM_FLAG, 0, 0},
    {"OPTIMIZE", QOR_FORM_FLAG, 0, 0},
    {"OPTSUMMARY", QOR_FORM_FLAG, 0, 0},
    {"OPTVALUES", QOR_FORM_FLAG, 0, 0},
    {"OUTALL", QOR_FORM_FLAG, 0, 0},
    {"OUTERROR", QOR_FORM_FLAG, 0, 0},
    {"PCTLDEF", QOR_FORM_INTEGER, 0, 0},
    {"POSNEG", QOR_FORM_FLAG, 0, 0},
    {"POSTREPORT", QOR_FORM_FLAG, 0, 0},
    {"PRECISE", QOR_FORM_FLAG, 0, 0},
    {"PREREPORT", QOR_FORM_FLAG, 0, 0},
    {"PRGSNOTE", QOR_FORM_INTEGER, 0, 0},
    {"PSDMETHOD", QOR_FORM_TEXT, 0, 0},
    {"QUADRATIC", QOR_FORM_FLAG, 0, 0},
    {"RUNSUMMARY", QOR_FORM_FLAG, 0, 0},
    {"SEARCH", QOR_FORM_FLAG, 0, 0},
    {"SENSTRANS", QOR_FORM_FLAG, 0, 0},
    {"SHOCKS", QOR_FORM_FLAG, 0, 0},
    {"SIMADJUST", QOR_FORM_FLAG, 0, 0},
    {"SIMDENS", QOR_FORM_FLAG, 0, 0},
    {"SIMPLE", QOR_FORM_FLAG, 0, 0},
    {"SIMRFIM", QOR_FORM_FLAG, 0, 0},
    {"SIMRFSTATS", QOR_FORM_FLAG, 0, 0},
    {"SIMSTATES", QOR_FORM_FLAG, 0, 0},
    {"SIMSTATS", QOR_FORM_FLAG, 0, 0},
    {"SIMVALUES", QOR_FORM_FLAG, 0, 0},
    {"SPECTRAL", QOR_FORM_FLAG, 0, 0},
    {"STATES", QOR_FORM_FLAG, 0, 0},
    {"TRIANGULAR", QOR_FORM_FLAG, 0, 0},
    {"VALUESTATS", QOR_FORM_FLAG, 0, 0},
    {"VARDEF", QOR_FORM_INTEGER, 0, 0},
    {"VAROPTDROP", QOR_FORM_TEXT, 0, 0},
    {nullptr, 0, 0, 0},
};

const qor_clause kSetoptionsClauses[] = {
    {QOR_CLAUSE_OPTIONLIST, 0, 0, 0, 40, nullptr, nullptr, kSetoptionsOptions, nullptr},
};

const qor_clause kPrintClauses[] = {
    {QOR_CLAUSE_FLAG, 0, 6, 0, 0, "PATH SEARCHPATH", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 12, 0, 0, "ENVIRONMENT ENV", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 11, 0, 0, "OPTIONS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 17, 0, 0, "DATATYPES TYPES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 18, 0, 0, "ROLES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 8, 0, 0, "VARIABLES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 3, 0, 0, "RISKFACTORS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 19, 0, 0, "ARRAYS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 14, 0, 0, "RFCATEGORIES CATEGORIES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 9, 0, 0, "CURRENCIES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 10, 0, 0, "ALLCURRENCIES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 13, 0, 0, "FXRATES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 2, 0, 0, "INSTRUMENTS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 4, 0, 0, "FUNCTIONS SUBROUTINES ENTRIES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 5, 0, 0, "METHODS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 7, 0, 0, "DSINFO", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 16, 0, 0, "MODELSPECS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 15, 0, 0, "MODELS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_FLAG, 0, 32, 0, 0, "ALL", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 10, "INSTDATA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 11, "OUTPUT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 14, "PORTFOLIO", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 15, "PROJECT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 16, "ANALYSIS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 17, "MARKETDATA", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 18, "CROSSCLASS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 19, "RFTRANS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 20, "FILTER", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 21, "SOURCES", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 22, "REPORT", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 23, "TIMEGRID", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 24, "PARAMETER", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 25, "STATISTICS", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 28, "METHOD", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 29, "FX", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 31, "PORTFILE", nullptr, nullptr, nullptr},
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 32, "PORTINFO", nullptr, nullptr, nullptr},
};

// METHOD name [KIND=word] ['description']; statements ENDMETHOD;
const qor_clause kMethodClauses[] = {
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_NAME, 0, 0, 1, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_CHOICE, 0, 0, 0, 2, "INPUT|TRANS|PRICE|PROJECT|POSTVAR|POSTPRICE|SCORE|MITIGATION", "KIND", nullptr,
     nullptr},
    {QOR_CLAUSE_POSITIONAL, QOR_VALUE_TEXT, 0, 0, 3, nullptr, nullptr, nullptr, nullptr},
    {QOR_CLAUSE_STATEMENTS, 0, 0, 0, 4, "ENDMETHOD", nullptr, nullptr, nullptr},
};

const qor_clause kUseClauses[] = {
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 1, 1, nullptr, nullptr, nullptr, nullptr},
};

}  // namespace

const qor_statement_schema kProcSchema = {"ZOZU", nullptr, 0, kProcClauses, 5, 2};

const qor_statement_schema kStatements[] = {
    {"NLOPTIONS", nullptr, 0, kNloptionsClauses, 1, 44},
    {"SUBMIT", nullptr, kBitSpecial, kSubmitClauses, 1, 2},
    {"RUNQORFILE", nullptr, 0, kRunqorfileClauses, 2, 3},
    {"RUNPROJECT", nullptr, 0, kRunprojectClauses, 28, 44},
    {"PRICE", nullptr, 0, kPriceClauses, 9, 22},
    {"GETRATES", nullptr, 0, kGetratesClauses, 6, 22},
    {"READ", nullptr, 0, kReadClauses, 6, 22},
    {"CASHFLOW", nullptr, 0, kCashflowClauses, 9, 8},
    {"REPORT", nullptr, 0, kReportClauses, 10, 11},
    {"RFTRANS", nullptr, 0, kRftransClauses, 4, 5},
    {"FILTER", nullptr, 0, kFilterClauses, 4, 5},
    {"SOURCES", nullptr, 0, kSourcesClauses, 4, 5},
    {"CROSSCLASS", nullptr, 0, kCrossclassClauses, 4, 5},
    {"POTEXP", nullptr, 0, kPotexpClauses, 43, 26},
    {"OPTIMIZATION", nullptr, 0, kOptimizationClauses, 18, 12},
    {"SIMULATION", nullptr, 0, kSimulationClauses, 50, 27},
    {"DELTANORMAL", nullptr, 0, kDeltanormalClauses, 9, 8},
    {"POSEQ", nullptr, 0, kPoseqClauses, 5, 6},
    {"CUREXPOSURE", nullptr, 0, kCurexposureClauses, 1, 2},
    {"PLSURFACE PLSURFACES", nullptr, 0, kPlsurfaceClauses, 9, 17},
    {"PLCURVE PLCURVES", nullptr, 0, kPlcurveClauses, 10, 17},
    {"SENSITIVITY", nullptr, 0, kSensitivityClauses, 12, 9},
    {"SCENARIO SCENARIOS", nullptr, 0, kScenarioClauses, 10, 17},
    {"STATISTICS", nullptr, 0, kStatisticsClauses, 4, 90},
    {"PROJECT", nullptr, 0, kProjectClauses, 25, 44},
    {"CURRENCY CURRENCIES", nullptr, 0, kCurrencyClauses, 4, 3},
    {"PARAMETER PARAMETERS", nullptr, 0, kParameterClauses, 7, 7},
    {"LAG", nullptr, 0, kLagClauses, 12, 8},
    {"TIMEGRID", nullptr, 0, kTimegridClauses, 8, 9},
    {"INSTDATA INSTRUMENTDATA", "INSTDATA", 0, kInstdataClauses, 11, 12},
    {"COUNTERPARTYDATA CPTYDATA", nullptr, 0, kCounterpartydataClauses, 9, 12},
    {"MITIGATIONDATA MITDATA", nullptr, 0, kMitigationdataClauses, 10, 12},
    {"MARKETDATA", nullptr, 0, kMarketdataClauses, 13, 15},
    {"RFCATEGORY RFCATEGORIES", nullptr, 0, kRfcategoryClauses, 1, 2},
    {"WRITETYPES", nullptr, kBitSpecial, kWritetypesClauses, 1, 2},
    {"READTYPES", nullptr, kBitSpecial, kReadtypesClauses, 1, 2},
    {"INSTRUMENT", nullptr, 0, kInstrumentClauses, 11, 13},
    {"MITIGATION MIT", nullptr, 0, kMitigationClauses, 6, 9},
    {"COUNTERPARTY CPTY", nullptr, 0, kCounterpartyClauses, 8, 9},
    {"WRITECATEGORIES", nullptr, kBitSpecial, kWritecategoriesClauses, 1, 2},
    {"READCATEGORIES", nullptr, kBitSpecial, kReadcategoriesClauses, 1, 2},
    {"WRITEREFS", nullptr, kBitSpecial, kWriterefsClauses, 1, 2},
    {"READREFS", nullptr, kBitSpecial, kReadrefsClauses, 1, 2},
    {"WRITEARRAYS", nullptr, kBitSpecial, kWritearraysClauses, 1, 2},
    {"READARRAYS", nullptr, kBitSpecial, kReadarraysClauses, 1, 2},
    {"WRITEVARS", nullptr, kBitSpecial, kWritevarsClauses, 1, 2},
    {"READVARS", nullptr, kBitSpecial, kReadvarsClauses, 1, 2},
    {"ARRAY ARRAYS", nullptr, 0, kArrayClauses, 11, 12},
    {"DECLARE", nullptr, 0, kDeclareClauses, 1, 90},
    {"FINDFILE", nullptr, 0, kFindfileClauses, 2, 3},
    {"SETPATH PATH", nullptr, 0, kSetpathClauses, 3, 3},
    {"TRACE", nullptr, 0, kTraceClauses, 12, 8},
    {"ENVIRONMENT ENV", nullptr, 0, kEnvironmentClauses, 14, 10},
    {"RUNWEBREPORT RUNWEBREPORTS", nullptr, 0, kRunwebreportClauses, 3, 6},
    {"UNITTEST", nullptr, kBitSpecial, kUnittestClauses, 0, 2},
    {"DEBUG", nullptr, kBitSpecial, kDebugClauses, 1, 2},
    {"CONVERT", nullptr, 0, kConvertClauses, 2, 3},
    {"IMPORT", nullptr, 0, kImportClauses, 21, 29},
    {"DELETE", nullptr, 0, kDeleteClauses, 20, 31},
    {"SETOPTIONS", nullptr, 0, kSetoptionsClauses, 1, 44},
    {"PRINT", nullptr, 0, kPrintClauses, 37, 33},
    {"USE", nullptr, 0, kUseClauses, 1, 2},
    {"METHOD", nullptr, 0, kMethodClauses, 4, 5},
    {"MTM", nullptr, 0, kMtmClauses, 3, 4},
};

const int kStatementCount = sizeof kStatements / sizeof kStatements[0];

}  // namespace zozu
