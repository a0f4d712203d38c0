// The analysis contract: risk-factor entries of definitions (through the entry table), the run's
// factor lists with the note of unused factors, the additive roll-up against sums formed here,
// current exposure's build and the phase table's answer for kinds not in this build.
#include <cstring>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "engine/analyses/analysis_phases.h"
#include "engine/model/analyses/analyses.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/names/name_records.h"
#include "engine/model/projects/projects.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "tests/engine/definitions_fixture.h"

namespace {

class AnalysisFactors : public DefinitionsTest {
protected:
    RSKANALYSIS* analysis(const char* name, uint32_t default_type = 0) {
        RSKNAMEREC key = name_of(name);
        RSKCATOBJ* object = nullptr;
        EXPECT_EQ(engine_routine<EngineSlot::rskanld>()(con, &object, &key, nullptr, nullptr), 0) << log();
        auto* a = object != nullptr ? static_cast<RSKANALYSIS*>(object->object) : nullptr;
        if (a != nullptr) a->perturbation_type = default_type;
        return a;
    }
    int grid(RSKANALYSIS* a, const char* name, double lo, double hi, uint32_t type = 0) {
        RSKNAMEREC key = name_of(name);
        return engine_routine<EngineSlot::rsafacg>()(con, a, &key, lo, hi, 5, type);
    }
    int pair(RSKANALYSIS* a, const char* x, double xhi, const char* y, double yhi) {
        RSKNAMEREC kx = name_of(x), ky = name_of(y);
        return engine_routine<EngineSlot::rsafacs>()(con, a, &kx, 0, xhi, 3, 0, &ky, 0, yhi, 3, 0);
    }
    int perturb(RSKANALYSIS* a, const char* name, double value, uint32_t type) {
        RSKNAMEREC key = name_of(name);
        return engine_routine<EngineSlot::rsafacp>()(con, a, &key, value, type);
    }
    // The list as "NAME:upper:active" items, in list order; the tail and count checked on the way.
    static std::string entries(const RSKANALYSIS* a) {
        std::string text;
        int count = 0;
        const RSKANLFACTOR* last = nullptr;
        for (const RSKANLFACTOR* e = a->entries_head; e != nullptr; e = e->next, ++count) {
            text += std::string(e->name.name.text, e->name.name.length) + ":" + std::to_string(static_cast<int>(e->value)) +
                    ":" + std::to_string(e->active) + " ";
            last = e;
        }
        EXPECT_EQ(a->entries_tail, last);
        EXPECT_EQ(a->entry_count, count);
        return text;
    }
};

TEST_F(AnalysisFactors, EntriesOfDefinitions) {
    RSKANALYSIS* curve = analysis("Curve");
    ASSERT_NE(curve, nullptr);
    ASSERT_EQ(grid(curve, "A", 0, 1), 0);
    ASSERT_EQ(grid(curve, "B", 0, 2), 0);
    ASSERT_EQ(grid(curve, "a", 0, 3), 0);   // names compare without case
    ASSERT_EQ(grid(curve, "B", 0, 4), 0);   // the tail is replaced: the tail moves
    EXPECT_EQ(entries(curve), "A:1:0 a:3:1 B:2:0 B:4:1 ");
    EXPECT_EQ(curve->entries_head->next->perturbation_type, 2u);   // type 0 becomes "abs"

    RSKANALYSIS* surface = analysis("Surface");
    ASSERT_NE(surface, nullptr);
    ASSERT_EQ(pair(surface, "X", 1, "Y", 2), 0);
    ASSERT_EQ(pair(surface, "U", 5, "V", 6), 0);
    // Given reversed, the new pair takes the old one's place and orientation; U,V stay put.
    ASSERT_EQ(pair(surface, "Y", 4, "X", 3), 0);
    EXPECT_EQ(entries(surface), "X:1:0 Y:2:0 X:3:1 Y:4:1 U:5:1 V:6:1 ");
    ASSERT_EQ(pair(surface, "U", 7, "V", 8), 0);   // the last pair replaced: the tail moves
    EXPECT_EQ(entries(surface), "X:1:0 Y:2:0 X:3:1 Y:4:1 U:5:0 V:6:0 U:7:1 V:8:1 ");

    // Perturbations: the first definition holds, the second is reported; type 0 takes the
    // analysis' default, and "abs" when that is 0 too.
    struct Case {
        uint32_t default_type, given, stored;
    };
    for (const Case& c : {Case{0, 0, 2}, Case{3, 0, 3}, Case{3, 4, 4}}) {
        SCOPED_TRACE(c.default_type * 10 + c.given);
        RSKANALYSIS* scenario = analysis("Shift", c.default_type);
        ASSERT_EQ(perturb(scenario, "Rate", 0.01, c.given), 0);
        const size_t at = log().size();
        ASSERT_EQ(perturb(scenario, "RATE", 0.05, 1), 0);
        EXPECT_EQ(count_of(log().substr(at), "598/1351"), 1);
        EXPECT_EQ(scenario->entry_count, 1);
        EXPECT_EQ(scenario->entries_head->value, 0.01);
        EXPECT_EQ(scenario->entries_head->perturbation_type, c.stored);
    }

    RSKANALYSIS* plain = analysis("Plain");
    RSKNAMEREC key = name_of("Rate");
    auto rsafaca = engine_routine<EngineSlot::rsafaca>();
    EXPECT_EQ(rsafaca(con, plain, &key), 0);
    EXPECT_EQ(rsafaca(con, plain, &key), -1);
    EXPECT_EQ(plain->entry_count, 1);

    // The kinds that store only their kind.
    EXPECT_EQ(engine_routine<EngineSlot::rsamtma>()(con, plain), 0);
    EXPECT_EQ(plain->kind, static_cast<uint32_t>(RSKANL_MTM));
    EXPECT_EQ(engine_routine<EngineSlot::rsacexa>()(con, plain), 0);
    EXPECT_EQ(plain->kind, static_cast<uint32_t>(RSKANL_CUREXP));
}

TEST_F(AnalysisFactors, EntryRefillOutOfMemoryIsReportedOnce) {
    RSKANALYSIS* curve = analysis("Curve");
    ASSERT_NE(curve, nullptr);
    con->free_lists->analysis_entries = nullptr;
    qor_pool_fail_nth(1);
    EXPECT_EQ(grid(curve, "A", 0, 1), 1);
    qor_pool_fail_nth(1);
    EXPECT_EQ(pair(curve, "A", 1, "B", 2), 1);
    qor_pool_fail_nth(0);
    EXPECT_EQ(count_of(log(), "598/2797"), 1);
    EXPECT_EQ(curve->entry_count, 0);
    EXPECT_EQ(curve->entries_head, nullptr);
}

// ---- Run factor lists ----

class RunFactors : public AnalysisFactors {
protected:
    void SetUp() override {
        AnalysisFactors::SetUp();
        for (const char* name : {"F1", "F2", "F3", "F4"}) ASSERT_EQ(declare(name, RSKVKIND_FACTOR, 1, 301), 0) << log();
        ASSERT_EQ(engine_routine<EngineSlot::rsk0>()(con), 0) << log();
        rskname(con, &project_.name, "P1", -1);
        con->run_block->own_states = 1;
    }
    RSKANLPROC* run_of(RSKANALYSIS* a) {
        RSKANLPROC& run = runs_.emplace_back();
        std::memset(static_cast<void*>(&run), 0, sizeof run);
        run.analysis = a;
        run.project = &project_;
        return &run;
    }
    static std::string names(const RSKANLPROC* run) {
        std::string text;
        for (const RSKRUNFACTOR* f = run->run_factors_head; f != nullptr; f = f->next)
            text += std::string(f->variable->name.name.text, f->variable->name.name.length) + "#" +
                    std::to_string(f->index) + " ";
        return text;
    }
    RSKANALYSIS* listing(const char* name, std::initializer_list<const char*> factors) {
        RSKANALYSIS* a = analysis(name);
        for (const char* f : factors) grid(a, f, 0, 1);
        return a;
    }

    RSKPROJECT project_{};
    std::deque<RSKANLPROC> runs_;
};

TEST_F(RunFactors, ListedFactorsAndTheNoteOfUnusedOnes) {
    variable("F1")->run_used = 1;
    variable("F3")->run_used = 1;
    rsafac_clear_marks(con);

    // A redefined grid is listed once; a name that is no variable is reported and the walk goes on.
    RSKANALYSIS* first = listing("First", {"F1", "F2", "Nowhere", "F3", "F1"});
    RSKANLPROC* run1 = run_of(first);
    size_t at = log().size();
    EXPECT_EQ(rsafacx(con, run1, first->entries_head, first->entry_count), 1);
    std::string said = log().substr(at);
    EXPECT_EQ(names(run1), "F1#0 F2#-1 F3#1 ");   // the new F1 stands right behind the old
    EXPECT_EQ(run1->run_factor_count, 3);
    EXPECT_EQ(count_of(said, "598/1350"), 1) << said;
    EXPECT_EQ(count_of(said, "598/2611"), 1);
    EXPECT_NE(said.find(" F2."), std::string::npos) << said;
    EXPECT_EQ(run1->failed, 0);

    // F2 was listed already; only F4 is new. Every factor of this analysis is unused: it fails.
    RSKANALYSIS* second = listing("Second", {"F2", "F4"});
    RSKANLPROC* run2 = run_of(second);
    at = log().size();
    EXPECT_EQ(rsafacx(con, run2, second->entries_head, second->entry_count), 0);
    said = log().substr(at);
    EXPECT_NE(said.find(" F4."), std::string::npos) << said;
    EXPECT_EQ(said.find("F2"), std::string::npos) << said;
    EXPECT_EQ(count_of(said, "598/2612"), 1) << said;
    EXPECT_EQ(run2->failed, 1);
    EXPECT_EQ(run1->failed, 0);

    // Rebuilding the list empties it first; with the exemption the analysis runs.
    con->run_block->factor_use_exempt = 1;
    run2->failed = 0;
    at = log().size();
    EXPECT_EQ(rsafacx(con, run2, second->entries_head, second->entry_count), 0);
    EXPECT_EQ(run2->run_factor_count, 2);
    EXPECT_EQ(run2->failed, 0);
    EXPECT_EQ(log().find("598/2611", at), std::string::npos);   // nothing new to note
}

TEST_F(RunFactors, AllFactorsOfTheRunInTableOrMarketOrder) {
    struct Setting {
        const char* name;
        uint8_t used;
        int16_t found;
        int32_t order;
    };
    for (const Setting& s : {Setting{"F1", 1, 1, 30}, Setting{"F2", 1, 0, 10}, Setting{"F3", 0, 1, 5},
                             Setting{"F4", 1, 1, 10}}) {
        RSKVARIABLE* v = variable(s.name);
        v->run_used = s.used;
        v->market_found = s.found;
        v->market_order = s.order;
    }
    RSKANLPROC* run = run_of(analysis("All"));
    struct Case {
        int (*build)(RSKCON*, RSKANLPROC*, int);
        int mode;
        const char* expected;
    };
    const Case cases[] = {
        {rsafacb, 0, "F1#0 F2#1 F4#2 "},
        {rsafacb, 1, "F1#0 F4#1 "},
        {rsafacd, 0, "F2#1 F4#2 F1#0 "},   // ascending order key; F4 ties with F2 and goes behind
        {rsafacd, 7, "F4#1 F1#0 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(c.build(con, run, c.mode), 0);
        EXPECT_EQ(names(run), c.expected);
        EXPECT_EQ(run->failed, 0);
    }
    // States read back: rsafacb leaves the list alone.
    con->run_block->own_states = 0;
    EXPECT_EQ(rsafacb(con, run, 0), 0);
    EXPECT_EQ(names(run), "F4#1 F1#0 ");
    // No factor at all fails the analysis with 598/2613.
    con->run_block->own_states = 1;
    for (const char* name : {"F1", "F2", "F4"}) variable(name)->run_used = 0;
    const size_t at = log().size();
    EXPECT_EQ(rsafacb(con, run, 0), 0);
    EXPECT_EQ(run->run_factor_count, 0);
    EXPECT_EQ(run->failed, 1);
    EXPECT_EQ(count_of(log().substr(at), "598/2613"), 1);
}

TEST_F(RunFactors, NoMemoryForTheRunFactorListFailsTheBuildOnce) {
    variable("F1")->run_used = 1;
    RSKANALYSIS* a = listing("Starved", {"F1"});
    RSKANLPROC* run = run_of(a);
    con->run_block->free_run_factors = nullptr;
    qor_pool_fail_nth(1);
    EXPECT_EQ(rsafacx(con, run, a->entries_head, a->entry_count), 1);
    qor_pool_fail_nth(1);
    EXPECT_EQ(rsafacb(con, run, 0), 1);
    qor_pool_fail_nth(0);
    EXPECT_EQ(count_of(log(), "598/2797"), 1);
    EXPECT_EQ(run->run_factor_count, 0);
    EXPECT_EQ(rsafacx(con, run, a->entries_head, a->entry_count), 0);   // memory back: it works
    EXPECT_EQ(run->run_factor_count, 1);
}

TEST_F(RunFactors, FactorsOfResultsReadBack) {
    RSKANLPROC* run = run_of(analysis("Back"));
    RSKNAMEREC f2 = name_of("f2"), missing = name_of("Nowhere");
    EXPECT_EQ(rsaface(con, run, &f2, 7), 0);
    EXPECT_EQ(rsaface(con, run, &f2, 8), -1);
    EXPECT_EQ(rsaface(con, run, &missing, 9), 1);
    EXPECT_EQ(names(run), "f2#7 ");   // the variable takes the stored spelling
}

// ---- Roll-up, current exposure and the phase table ----

TEST(AdditiveRollUp, SumsOfChildrenWithMissingValuesTakingOver) {
    // Three children of 6 doubles each, rolled into a zeroed parent, at a 4-byte offset as cell
    // areas may be. Integer values make every sum exact.
    constexpr int kDoubles = 6;
    const double m = qor::missing();
    const double children[3][kDoubles] = {
        {1, 2, m, 4, 5, -6},
        {10, 20, 30, m, 50, 60},
        {100, 200, 300, 400, m, -600},
    };
    std::vector<unsigned char> buffer(4 + 4 * kDoubles * sizeof(double));
    unsigned char* parent = buffer.data() + 4;
    std::memset(parent, 0, kDoubles * sizeof(double));
    RSKANLPROC run{};
    run.cell_size = kDoubles * static_cast<int>(sizeof(double));
    for (const auto& child : children) {
        unsigned char* area = parent + kDoubles * sizeof(double);
        std::memcpy(area, child, sizeof child);
        EXPECT_EQ(rsasum(nullptr, &run, nullptr, parent, area), 0);
    }
    double result[kDoubles];
    std::memcpy(result, parent, sizeof result);
    for (int i = 0; i < kDoubles; ++i) {
        SCOPED_TRACE(i);
        bool missing = false;
        double sum = 0;
        for (const auto& child : children) {
            missing = missing || qor::is_missing(child[i]);
            sum += qor::is_missing(child[i]) ? 0 : child[i];
        }
        if (missing) EXPECT_TRUE(qor::is_missing(result[i]));
        else EXPECT_EQ(result[i], sum);
    }
    EXPECT_EQ(result[0], 111);
    EXPECT_EQ(result[5], -546);
}

TEST_F(AnalysisFactors, CurrentExposureBuildAndThePhaseTable) {
    RSKANLPROC run{};
    EXPECT_EQ(rsacex0(con, &run, nullptr), 0);
    EXPECT_EQ(run.label, 5614);
    EXPECT_EQ(run.cell_size, 24);
    EXPECT_EQ(con->run_block->current_exposure, 1);

    const RSKPHASES* mtm = rsa_phases(RSKANL_MTM, RSKDISP_BUILD);
    ASSERT_NE(mtm, nullptr);
    EXPECT_EQ(mtm->build, nullptr);
    EXPECT_EQ(mtm->no_states, 1);   // mark-to-market is not failed for making no state
    const RSKPHASES* exposure = rsa_phases(RSKANL_CUREXP, RSKDISP_BUILD);
    ASSERT_NE(exposure, nullptr);
    EXPECT_EQ(exposure->build, &rsacex0);

    struct Case {
        int kind;
        RskDispatcher dispatcher;
        const char* line;
    };
    const Case cases[] = {
        {0, RSKDISP_BUILD, "rskrun0: build_result: unknown type 0."},
        {11, RSKDISP_GENERATE, "rskrun1: generate_states: unknown type 11."},
        {16, RSKDISP_ROLL_UP, "rskrun3: roll_up_analysis: unknown type 16."},
        {18, RSKDISP_OUTPUT, "rskrun5: output_analysis: unknown type 18."},
        {-1, RSKDISP_LEVELS, "rskputd: process_analysis: unknown type -1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const size_t at = log().size();
        EXPECT_EQ(rsa_phases(c.kind, c.dispatcher), nullptr);
        EXPECT_NE(log().find(c.line, at), std::string::npos) << log().substr(at);
    }
}

}  // namespace
