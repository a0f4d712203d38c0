// The analysis statements through the dispatcher over a started engine: the entries and settings
// each analysis gets, the perturbation types of the code words, the grid checks, and what is
// refused and left unstored. Kind definitions not built yet are stand-ins that set the kind.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine/model/analyses/analyses.h"
#include "engine/model/services/analyses.h"
#include "host/missing.h"
#include "procedure/analysis_statements.h"
#include "tests/procedure/run_statements_fixture.h"

namespace {

int scenario_double(RSKCON*, RSKANALYSIS* a, int32_t type) {
    a->kind = RSKANL_SCENARIO;
    a->perturbation_type = static_cast<uint32_t>(type);
    return 0;
}
int curve_double(RSKCON*, RSKANALYSIS* a) { return a->kind = RSKANL_PLCURVE, 0; }
int surface_double(RSKCON*, RSKANALYSIS* a) { return a->kind = RSKANL_PLSURFACE, 0; }

struct Entry {
    std::string name;
    double value, minimum;
    uint32_t points, type;
};

class AnalysisStatements : public RunStatementsTest {
protected:
    void SetUp() override {
        RunStatementsTest::SetUp();
        put<EngineSlot::rsascna>(&scenario_double);
        put<EngineSlot::rsaplca>(&curve_double);
        put<EngineSlot::rsaplsa>(&surface_double);
        ASSERT_EQ(run("DECLARE RFVARS=(rate sigma spot) NUM VAR;"), (std::vector<int>{0})) << log_;
        log_.clear();
    }
    RSKANALYSIS* analysis(const char* name) {
        RSKNAMEREC key{0, static_cast<uint16_t>(std::strlen(name)), const_cast<char*>(name)};
        RSKCATOBJ* object = engine_routine<EngineSlot::rskanl>()(con_, &key);
        return object != nullptr ? static_cast<RSKANALYSIS*>(object->object) : nullptr;
    }
    std::vector<Entry> entries(const char* name) {
        std::vector<Entry> out;
        const RSKANALYSIS* a = analysis(name);
        for (const RSKANLFACTOR* e = a != nullptr ? a->entries_head : nullptr; e != nullptr; e = e->next)
            if (e->active) out.push_back({std::string(e->name.name.text, e->name.name.length), e->value, e->minimum,
                                          e->points, e->perturbation_type});
        return out;
    }
};

// The code words map onto the perturbation registry: ABS 2, REL 3, VALUE 1, STD 4; a factor
// without one takes the statement's TYPE, and that defaults to absolute.
TEST_F(AnalysisStatements, ScenarioCodeWordsAreRegistryTypes) {
    const int before = stores();
    ASSERT_EQ(run("SCENARIO s1 rate = 0.01 ABS sigma = 0.25 REL spot = 105 VALUE;"
                  "SCENARIO s2 TYPE=REL rate = 0.5 sigma = 2 STD;"
                  "SCENARIO s3 rate = -0.01;"),
              (std::vector<int>{0, 0, 0}))
        << log_;
    EXPECT_EQ(stores(), before + 3);
    const std::vector<Entry> s1 = entries("s1");
    ASSERT_EQ(s1.size(), 3u);
    EXPECT_EQ(s1[0].type, 2u);
    EXPECT_DOUBLE_EQ(s1[0].value, 0.01);
    EXPECT_EQ(s1[1].type, 3u);
    EXPECT_EQ(s1[2].type, 1u);
    EXPECT_DOUBLE_EQ(s1[2].value, 105);
    EXPECT_EQ(analysis("s2")->perturbation_type, 3u);
    const std::vector<Entry> s2 = entries("s2");
    ASSERT_EQ(s2.size(), 2u);
    EXPECT_EQ(s2[0].type, 3u);
    EXPECT_EQ(s2[1].type, 4u);
    EXPECT_EQ(analysis("s3")->perturbation_type, 2u);
    EXPECT_EQ(entries("s3")[0].type, 2u);
}

// A factor that is not declared, or one with several amounts, fails the statement and nothing is
// stored; the factors that could be added stay on the analysis in memory.
TEST_F(AnalysisStatements, ScenarioRefusedFactorsStoreNothing) {
    struct Case {
        const char* statement;
        const char* message;
    } cases[] = {
        {"SCENARIO bad1 rate = 0.01 nosuch = 1;", "670/1071"},
        {"SCENARIO bad2 rate = (0.01 0.02);", "670/1073"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.statement);
        log_.clear();
        const int before = stores();
        EXPECT_EQ(run1(c.statement), 1);
        EXPECT_TRUE(logged(c.message)) << log_;
        EXPECT_EQ(stores(), before);
    }
    EXPECT_EQ(entries("bad1").size(), 1u);      // rate was added, nosuch never reached the analysis
}

// Perturbation codes: the grammar's four words, the default for none, and anything else
// reported and taken as absolute.
TEST(PerturbationTypes, CodesAndDefault) {
    struct Case {
        double code;
        int type;
        bool reported;
    } cases[] = {
        {1, 2, false}, {2, 3, false}, {3, 1, false}, {4, 4, false}, {0, 3, false},
        {qor::make_missing(), 3, false}, {7, 2, true}, {-1, 2, true}, {40000, 2, true}, {2.5, 2, true},
    };
    for (const Case& c : cases) EXPECT_EQ(zozu::get_perturb_type(c.code, 3), c.type) << c.code;
}

// A grid needs a lower and an upper end with the upper above, and 2 to 32767 points; a grid that
// fails is reported and the curve is not stored. A repeated option is reported; the later wins.
TEST_F(AnalysisStatements, CurveGridsAreChecked) {
    struct Case {
        const char* grid;
        int result;
        const char* message;
    } cases[] = {
        {"(MIN=1 MAX=1 N=5)", 1, "670/1162"},
        {"(MIN=1 MAX=0 N=5)", 1, "670/1162"},
        {"(MIN=0 MAX=1 N=1)", 1, "670/1163"},
        {"(MIN=0 MAX=1 N=40000)", 1, "670/1163"},
        {"(MAX=1 N=5)", 1, "670/1159"},
        {"(MIN=0 N=5)", 1, "670/1160"},
        {"(MIN=0 MAX=1)", 1, "670/1161"},
        {"(MIN=0 MAX=1 N=2)", 0, ""},
        {"(MIN=0 MAX=1 N=32767)", 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.grid);
        log_.clear();
        const int before = stores();
        EXPECT_EQ(run1(std::string("PLCURVE c rate ") + c.grid + ";"), c.result) << log_;
        if (*c.message != '\0') {
            EXPECT_TRUE(logged(c.message)) << log_;
        }
        EXPECT_EQ(stores(), before + (c.result == 0 ? 1 : 0));
    }
    log_.clear();
    EXPECT_EQ(run1("PLCURVE c2 rate (MIN=-0.01 MAX=0.01 N=3 MIN=-0.02) REL;"), 0) << log_;
    EXPECT_TRUE(logged("670/1155")) << log_;
    const std::vector<Entry> c2 = entries("c2");
    ASSERT_EQ(c2.size(), 1u);
    EXPECT_DOUBLE_EQ(c2[0].minimum, -0.02);
    EXPECT_DOUBLE_EQ(c2[0].value, 0.01);
    EXPECT_EQ(c2[0].points, 3u);
    EXPECT_EQ(c2[0].type, 3u);
}

// A surface takes its factors two by two; a pair of one factor, or a factor left without its
// partner, is refused.
TEST_F(AnalysisStatements, SurfacePairs) {
    EXPECT_EQ(run1("PLSURFACE s rate (MIN=0 MAX=1 N=3) sigma (MIN=0 MAX=2 N=4);"), 0) << log_;
    EXPECT_EQ(run1("PLSURFACE t rate (MIN=0 MAX=1 N=3) RATE (MIN=0 MAX=1 N=3);"), 1);
    EXPECT_TRUE(logged("670/1041")) << log_;
    log_.clear();
    EXPECT_EQ(run1("PLSURFACE u rate (MIN=0 MAX=1 N=3);"), 1);
    EXPECT_TRUE(logged("670/1041")) << log_;
}

// Grid options outside the four codes are an internal error.
TEST(GridOptions, UnknownCodeIs99) {
    zozu::GridOptions grid{qor::make_missing(), qor::make_missing(), qor::make_missing(), qor::make_missing()};
    EXPECT_EQ(zozu::get_gridopt(5, 1, &grid, "rate", 4, "c", 1), 99);
    EXPECT_EQ(zozu::get_gridopt(3, 7, &grid, "rate", 4, "c", 1), 0);
    EXPECT_EQ(grid.points, 7);
}

// The analyses without factor entries: each gets its kind and is stored; NLOPTIONS changes no
// analysis and keeps its statement for an optimisation; a simulation needs a known method.
TEST_F(AnalysisStatements, KindsWithoutFactors) {
    const int before = stores();
    ASSERT_EQ(run("MTM m; CUREXPOSURE e; NLOPTIONS TECH=QUANEW MAXITER=200;"), (std::vector<int>{0, 0, 0})) << log_;
    EXPECT_EQ(stores(), before + 2);
    EXPECT_EQ(analysis("m")->kind, RSKANL_MTM);
    EXPECT_EQ(analysis("e")->kind, RSKANL_CUREXP);
    ASSERT_NE(con_->nloptions_node, nullptr);
    EXPECT_EQ(run1("SIMULATION s;"), 99);
    EXPECT_TRUE(logged("bad method")) << log_;
}

// A simulation draws at most 100,000,000 times; a history that ends before it starts is refused.
TEST_F(AnalysisStatements, SimulationCountsAndHistory) {
    RSKSIMOPTS seen{};
    static RSKSIMOPTS* out = nullptr;
    out = &seen;
    auto capture = [](RSKCON*, RSKANALYSIS* a, const RSKSIMOPTS* o) {
        *out = *o;
        a->kind = RSKANL_COVSIM;
        return 0;
    };
    put<EngineSlot::rsacsma>(+capture);
    put<EngineSlot::rsahsma>(+capture);
    EXPECT_EQ(run1("SIMULATION s METHOD=COV NDRAW=200000000 START=1893456000 SEED=7;"), 0) << log_;
    EXPECT_TRUE(logged("670/1165")) << log_;
    EXPECT_EQ(seen.replications, 100000000);
    EXPECT_EQ(seen.start_date, 21915);          // 1 January 2020 at midnight, as a date
    EXPECT_EQ(seen.seed, 7);
    log_.clear();
    EXPECT_EQ(run1("SIMULATION h METHOD=HIS START='1FEB2020'd END='1JAN2020'd;"), 1);
    EXPECT_TRUE(logged("670/1043")) << log_;
}

}  // namespace
