// The definition entries of the analysis kinds, called through the engine's entry table as the
// statements and the catalog call them: the settings each stores, the corrections of the shared
// simulation options, and the refusals of optimisations and named cash-flow sources.
#include <string>
#include <vector>

#include "engine/model/analyses/analyses.h"
#include "engine/model/services/analyses.h"
#include "host/missing.h"
#include "host/pool.h"
#include "tests/engine/definitions_fixture.h"

namespace {

class AnalysisDefinitions : public DefinitionsTest {
protected:
    RSKANALYSIS* define(const char* name) {
        RSKNAMEREC key = name_of(name);
        RSKCATOBJ* object = nullptr;
        EXPECT_EQ(engine_routine<EngineSlot::rskanld>()(con, &object, &key, nullptr, nullptr), 0) << log();
        return object != nullptr ? static_cast<RSKANALYSIS*>(object->object) : nullptr;
    }
    static RSKSIMOPTS options(std::vector<int32_t>& horizons) {
        RSKSIMOPTS o{};
        o.horizons = horizons.data();
        o.horizon_count = static_cast<int32_t>(horizons.size());
        o.start_date = o.end_date = o.evaluation_date = o.more_dates = qor::missing();
        o.bound = o.value = qor::missing();
        o.generator = 5;
        return o;
    }
    int covariance(RSKANALYSIS* a, const RSKSIMOPTS& o) {
        return engine_routine<EngineSlot::rsacsma>()(con, a, &o);
    }
};

// The shared options: each correction the definitions make, one row each.
TEST_F(AnalysisDefinitions, SimulationOptionsAreCorrectedAsDocumented) {
    struct Case {
        const char* what;
        std::vector<int32_t> horizons;
        int32_t replications, seed, method, method_count;
        std::vector<int32_t> stored_horizons;
        int32_t stored_replications, stored_seed, stored_method, stored_count;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"no horizons: one of 1", {}, 0, 0, -1, 0, {1}, 100, 54321, 0, 0, nullptr},
        {"sorted, repeats dropped", {10, 1, 5, 10, 1}, 7, 9, 0, 0, {1, 5, 10}, 7, 9, 0, 0, nullptr},
        {"a horizon below 1 is 1", {0, 3}, 1, 1, 0, 0, {1, 3}, 1, 1, 0, 0, "598/2619"},
        {"too many replications", {2}, 200000000, 1, 0, 0, {2}, 100000000, 1, 0, 0, "598/2621"},
        {"Student error model, no count", {1}, 5, 1, 2, 0, {1}, 5, 1, 2, 15, nullptr},
        {"Student error model, count 2", {1}, 5, 1, 2, 2, {1}, 5, 1, 2, 3, nullptr},
        {"Student error model, count 7", {1}, 5, 1, 2, 7, {1}, 5, 1, 2, 7, nullptr},
        {"other models keep no count", {1}, 5, 1, 1, 7, {1}, 5, 1, 1, 0, nullptr},
    };
    RSKANALYSIS* a = define("Cov");
    ASSERT_NE(a, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<int32_t> horizons = c.horizons;
        RSKSIMOPTS o = options(horizons);
        o.replications = c.replications;
        o.seed = c.seed;
        o.method = c.method;
        o.method_count = c.method_count;
        const size_t at = log().size();
        ASSERT_EQ(covariance(a, o), 0) << log();
        EXPECT_EQ(a->kind, RSKANL_COVSIM);
        const RSKANLSIM& s = a->simulation;
        EXPECT_EQ(std::vector<int32_t>(s.horizons, s.horizons + s.horizon_count), c.stored_horizons);
        EXPECT_EQ(s.largest_horizon, c.stored_horizons.back());
        EXPECT_EQ(s.replications, c.stored_replications);
        EXPECT_EQ(s.seed, c.stored_seed);
        EXPECT_EQ(s.method, c.stored_method);
        EXPECT_EQ(s.method_count, c.stored_count);
        if (c.message != nullptr) {
            EXPECT_NE(log().find(c.message, at), std::string::npos) << log();
        } else {
            EXPECT_EQ(log().find("598/26", at), std::string::npos) << log();
        }
    }
}

TEST_F(AnalysisDefinitions, FlagsDatesAndOptionalValues) {
    RSKANALYSIS* a = define("Hist");
    std::vector<int32_t> none;
    RSKSIMOPTS o = options(none);
    o.returns = 1;
    o.start_date = 300;              // below 365: no date
    o.end_date = 23000;
    o.bound_given = 1;               // given but missing: 1
    o.value_given = 1;
    o.value = -2;                    // given but not above 0: 1
    o.overlap = 5;
    ASSERT_EQ(engine_routine<EngineSlot::rsahsma>()(con, a, &o), 0) << log();
    const RSKANLSIM& s = a->simulation;
    EXPECT_EQ(a->kind, RSKANL_HISTSIM);
    EXPECT_EQ(s.pl_values, 1) << "returns switch the P/L values on";
    EXPECT_TRUE(qor::is_missing(s.start_date));
    EXPECT_EQ(s.end_date, 23000);
    EXPECT_EQ(s.replications, 0) << "a historical simulation keeps the window count it is given";
    EXPECT_EQ(s.bound, 1);
    EXPECT_EQ(s.positive_value, 1);
    EXPECT_EQ(a->overlap, 1);
    o.bound_given = o.value_given = 0;
    o.exposure_values = 1;
    o.returns = 0;
    ASSERT_EQ(engine_routine<EngineSlot::rsahsma>()(con, a, &o), 0);
    EXPECT_TRUE(qor::is_missing(s.bound));
    EXPECT_TRUE(qor::is_missing(s.positive_value));
    EXPECT_EQ(s.pl_values, 0) << "exposure values alone leave the P/L values off";
}

TEST_F(AnalysisDefinitions, NameListsAndAnUnknownList) {
    RSKANALYSIS* a = define("Cov");
    RSKNAMEREC desk = name_of("Desk");
    auto add = engine_routine<EngineSlot::rsasimb>();
    EXPECT_EQ(add(con, a, &desk, 0), 0);
    EXPECT_EQ(add(con, a, &desk, 1), 0);
    EXPECT_EQ(add(con, a, &desk, 2), 0);
    EXPECT_EQ(add(con, a, &desk, 3), 0);
    EXPECT_EQ(a->conditional_count + a->marginal_count + a->names_count, 3);
    EXPECT_NE(log().find("rsasimb: unknown flag 3"), std::string::npos) << log();
}

// Optimisations: a usable definition, then each refusal with its message.
TEST_F(AnalysisDefinitions, OptimisationsCopyTheirSimulationAndCheckTheirTargets) {
    std::vector<int32_t> horizons = {1, 10};
    RSKANALYSIS* sim = define("Sim");
    RSKSIMOPTS o = options(horizons);
    o.seed = 77;
    ASSERT_EQ(covariance(sim, o), 0);
    RSKANALYSIS* opt = define("Opt");
    RSKNAMEREC sim_name = name_of("Sim"), nobody = name_of("Nobody"), empty{};
    const double targets[] = {0.1, 0.2, 0.3};
    const int32_t ends2[] = {1, 3}, ends_back[] = {2, 1};
    struct Case {
        const char* what;
        const RSKNAMEREC* simulation;
        int32_t objective, constraint, horizon_count;
        const int32_t* horizons;
        int32_t lists;
        const int32_t* ends;
        int rc;
        const char* message;
    };
    const int32_t own[] = {5, 0, 5};
    const std::vector<Case> cases = {
        {"no simulation", &empty, 1, 2, 0, nullptr, 2, ends2, 1, "598/8124 ERROR: The optimization analysis needs a Simulation."},
        {"unknown simulation", &nobody, 1, 2, 0, nullptr, 2, ends2, 1, "598/8125"},
        {"no objective", &sim_name, 0, 2, 0, nullptr, 2, ends2, 1, "needs a Objective"},
        {"no constraint", &sim_name, 1, 0, 0, nullptr, 2, ends2, 1, "needs a Constraint"},
        {"pair not in the table", &sim_name, 2, 3, 0, nullptr, 2, ends2, 1, "598/8126"},
        {"one list for two horizons", &sim_name, 1, 2, 0, nullptr, 1, ends2, 1, "598/8127"},
        {"lists out of order", &sim_name, 1, 2, 0, nullptr, 2, ends_back, 1, "598/8127"},
        {"the simulation's horizons", &sim_name, 4, 1, 0, nullptr, 2, ends2, 0, nullptr},
        {"own horizons, corrected", &sim_name, 1, 3, 3, own, 2, ends2, 0, "598/2619"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t at = log().size();
        const int rc = engine_routine<EngineSlot::rsaporta>()(con, opt, c.simulation, c.objective, c.constraint,
                                                              c.horizon_count, c.horizons, 3, targets, c.lists,
                                                              c.ends, &empty, &empty, 2);
        EXPECT_EQ(rc, c.rc) << log().substr(at);
        if (c.message != nullptr) {
            EXPECT_NE(log().find(c.message, at), std::string::npos) << log().substr(at);
        }
        if (rc != 0) continue;
        EXPECT_EQ(opt->kind, RSKANL_OPTIMISATION);
        EXPECT_EQ(opt->simulation.seed, 77);
        EXPECT_EQ(opt->optimisation.simulation_kind, 2);
        EXPECT_EQ(opt->optimisation.value_mode, 2);
        EXPECT_EQ(opt->optimisation.target_counts[1], 2);
        EXPECT_EQ(opt->optimisation.targets[1][1], 0.3);
        const RSKANLSIM& s = opt->simulation;
        const std::vector<int32_t> expected = c.horizons == nullptr ? std::vector<int32_t>{1, 10}
                                                                     : std::vector<int32_t>{1, 5};
        EXPECT_EQ(std::vector<int32_t>(s.horizons, s.horizons + s.horizon_count), expected);
        EXPECT_NE(s.horizons, sim->simulation.horizons) << "the copy owns its horizons";
    }
    EXPECT_EQ(opt->optimisation.problem, 5);
}

TEST_F(AnalysisDefinitions, NamedCashFlowSourcesAndBenchmarks) {
    RSKANALYSIS* cf = define("Cf");
    auto cash_flow = engine_routine<EngineSlot::rsacfla>();
    RSKNAMEREC empty{}, scn = name_of("Scn");
    EXPECT_EQ(cash_flow(con, cf, 99, 1, 2, &empty, 21000, qor::missing()), 1);
    EXPECT_NE(log().find("670/3527 ERROR: Cash-flow analysis Cf names no source analysis."), std::string::npos);
    EXPECT_EQ(cash_flow(con, cf, 99, 1, 2, &scn, 21000, qor::missing()), 1);
    EXPECT_NE(log().find("670/3528 ERROR: The analysis Scn, the source of cash-flow analysis Cf"), std::string::npos);
    define("Scn");
    EXPECT_EQ(cash_flow(con, cf, 99, 1, 2, &scn, 21000, qor::missing()), 0) << log();
    EXPECT_EQ(std::string(cf->source_analysis.buffer, 3), "Scn");
    EXPECT_EQ(cf->evaluation_date, 21000);
    EXPECT_EQ(cash_flow(con, cf, 3, 0, 0, nullptr, qor::missing(), qor::missing()), 0) << "method 3 needs no name";

    RSKANALYSIS* peq = define("Peq");
    RSKNAMEREC bench = name_of("zero10y");
    auto equivalent = engine_routine<EngineSlot::rsapeqa>();
    EXPECT_EQ(equivalent(con, peq, &bench, 10), 0);
    EXPECT_EQ(std::string(peq->entries_head->name.buffer, 7), "ZERO10Y");
    EXPECT_EQ(equivalent(con, peq, &bench, 5), -1) << "the benchmark is listed already";
    EXPECT_EQ(peq->bench_time, 10);

    RSKANALYSIS* sens = define("Sens");
    RSKNAMEREC type = name_of("Bond");
    EXPECT_EQ(engine_routine<EngineSlot::rsadela>()(con, sens, 7, 0, -1, 0, &type, nullptr), 0);
    EXPECT_EQ(sens->sensitivity.theta, 1);
    EXPECT_EQ(sens->sensitivity.cross_gamma, 1);
    EXPECT_EQ(sens->sensitivity.instrument_type.name.length, 4);
    EXPECT_EQ(sens->sensitivity.instrument_id.name.length, 0);
}

// Redefining and deleting analyses gives their arrays back: a pool that failed an allocation
// would show up as a leak under the address sanitizer, and a second release as a crash.
TEST_F(AnalysisDefinitions, RedefinitionReleasesTheOldArrays) {
    std::vector<int32_t> horizons = {1, 2, 3};
    RSKANALYSIS* a = define("Cov");
    RSKSIMOPTS o = options(horizons);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(covariance(a, o), 0);
    horizons = {4};
    o = options(horizons);
    ASSERT_EQ(covariance(a, o), 0);
    EXPECT_EQ(a->simulation.horizon_count, 1);
    for (long n = 1; n < 6; ++n) {
        con->no_memory_reported = 0;
        qor_pool_fail_nth(n);
        const int rc = covariance(a, o);
        qor_pool_fail_nth(0);
        if (rc != 0) {
            EXPECT_EQ(a->simulation.horizons[0], 4) << "a failed store keeps the old list";
        }
    }
    EXPECT_EQ(engine_routine<EngineSlot::rskanlc>()(con, a), 0);
    EXPECT_EQ(a->simulation.horizons, nullptr);
}

}  // namespace
