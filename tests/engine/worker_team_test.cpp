// The pricing threads of a run: the states divided among the blocks with their views, the worker
// team made once by the thread control vector and closed with the run's storage, the kit's
// handles and the process's pools steady over many positions, a refused worker and no memory.
#include <cstring>
#include <vector>

#include "engine/model/options/engine_options.h"
#include "engine/run/run_storage.h"
#include "host/pool.h"
#include "runtime/core/kit_internal.h"
#include "runtime/core/step.h"
#include "tests/engine/definitions_fixture.h"

namespace {

class WorkerTeamTest : public DefinitionsTest {
protected:
    void TearDown() override {
        qor_kit_refuse_thread_nth(0);
        if (con != nullptr) rskmemf(con);
        DefinitionsTest::TearDown();
    }
    RSKRUNBLOCK* run() { return con->run_block; }
    // Prepares a run with `papc` threads (no limit from MAXTHREADS).
    void prepare(int32_t papc) {
        con->papc = papc;
        con->current_options->maxthreads = 0;
        ASSERT_EQ(rskmem0(con), 0) << log();
        ASSERT_EQ(run()->abort, 0) << log();
    }
};

// Stand-ins for the per-state vectors of a run, so that every view can be checked by address.
struct StateVectors {
    std::vector<uint8_t> states, base;
    std::vector<double> rows;
    std::vector<int32_t> decisions;
    std::vector<uint8_t> status;
    void attach(RSKRUNBLOCK* run, int32_t count, int32_t state_size, int32_t row_doubles) {
        states.assign(static_cast<size_t>(count + 1) * state_size, 0);
        base.assign(static_cast<size_t>(state_size), 0);
        rows.assign(static_cast<size_t>(count + 2) * row_doubles, 0.0);
        decisions.assign(static_cast<size_t>(count + 1), 0);
        status.assign(static_cast<size_t>(count + 1), 0);
        run->state_count = count;
        run->state_size = state_size;
        run->state_buffer.states = states.data();
        run->state_buffer.base = base.data();
        run->row_doubles = row_doubles;
        run->results = rows.data();
        run->pricing.decisions = decisions.data();
        run->pricing.status = status.data();
    }
};

TEST_F(WorkerTeamTest, StatesAreDividedInConsecutiveRangesWithTheirViews) {
    struct Case {
        int32_t threads, states;
        std::vector<int32_t> counts;   // per allocated block
    } cases[] = {
        {4, 10, {3, 3, 2, 2}},
        {8, 2, {1, 1, 0, 0, 0, 0, 0, 0}},   // more threads than states: two blocks in use
        {4, 0, {0, 0, 0, 0}},               // no state: only the master block prices
        {3, 3, {1, 1, 1}},
        {1, 7, {7}},
        {0, 5, {5}},                        // PAPC 0: every state on the calling thread
    };
    for (const Case& c : cases) {
        prepare(c.threads);
        StateVectors v;
        const int32_t state_size = 48, row_doubles = 3;
        v.attach(run(), c.states, state_size, row_doubles);
        ASSERT_EQ(assign_threads(con), 0);
        const RSKTHREADCTL* master = run()->master_block;
        EXPECT_EQ(master->thread_index, -1);
        EXPECT_EQ(master->state_count, 1);
        EXPECT_EQ(master->state_start, v.base.data());
        EXPECT_EQ(master->row_start, v.rows.data());
        EXPECT_EQ(master->state_stride, 0);
        EXPECT_EQ(master->decision_stride, 0);
        ASSERT_EQ(run()->thread_count, static_cast<int32_t>(c.counts.size()));
        int32_t first = 0;
        for (size_t i = 0; i < c.counts.size(); ++i) {
            const RSKTHREADCTL* b = &run()->thread_blocks[i];
            SCOPED_TRACE(::testing::Message() << c.threads << " threads, " << c.states << " states, block " << i);
            EXPECT_EQ(b->thread_index, static_cast<int32_t>(i));
            EXPECT_EQ(b->first_state, first);
            EXPECT_EQ(b->state_count, c.counts[i]);
            EXPECT_EQ(b->state_start, v.states.data() + static_cast<size_t>(first) * state_size);
            EXPECT_EQ(b->state_stride, state_size);
            EXPECT_EQ(b->row_start, v.rows.data() + static_cast<size_t>(first + 2) * row_doubles);
            EXPECT_EQ(b->row_length, row_doubles);
            EXPECT_EQ(b->decision_start, v.decisions.data() + first);
            EXPECT_EQ(b->status_start, v.status.data() + first);
            EXPECT_EQ(b->decision_stride, 1);
            EXPECT_EQ(b->status_stride, 1);
            first += c.counts[i];
        }
        EXPECT_EQ(first, c.states);
        rskmemf(con);
    }
}

// A position's work: each state of a block gets a value only its state number determines, and
// the block counts the states it did.
struct Positions {
    RSKRUNBLOCK* run;
    std::vector<double>* values;
    long position;
};

void price_block(void* argument, int index) {
    auto* p = static_cast<Positions*>(argument);
    RSKTHREADCTL* block = &p->run->thread_blocks[index];
    for (int32_t s = 0; s < block->state_count; ++s) {
        const int32_t state = block->first_state + s;
        (*p->values)[static_cast<size_t>(state)] = static_cast<double>(p->position) * 1000.0 + state;
    }
    block->priced += block->state_count;
}

TEST_F(WorkerTeamTest, TheTeamIsMadeOncePerRunAndNothingGrowsOverManyPositions) {
    const size_t handles_before = qor_kit_live_handles(), pools_before = qor_pools_live();
    prepare(4);
    ASSERT_NE(run()->worker_team, nullptr);
    EXPECT_EQ(run()->team_workers, 3);
    StateVectors v;
    v.attach(run(), 10, 16, 1);
    ASSERT_EQ(assign_threads(con), 0);
    const size_t handles_running = qor_kit_live_handles(), pools_running = qor_pools_live();
    EXPECT_EQ(handles_running, handles_before + 1);   // the team
    std::vector<double> values(10, -1.0);
    constexpr long kPositions = 100000;
    for (long position = 0; position < kPositions; ++position) {
        Positions p{run(), &values, position};
        ASSERT_EQ(rskteam_run(con, price_block, &p, 4), 0);
        if (position % 10000 == 0 || position == kPositions - 1) {
            for (int32_t s = 0; s < 10; ++s) ASSERT_EQ(values[static_cast<size_t>(s)], position * 1000.0 + s) << position;
            ASSERT_EQ(qor_kit_live_handles(), handles_running) << position;
            ASSERT_EQ(qor_pools_live(), pools_running) << position;
        }
    }
    int64_t priced = 0;
    for (int32_t i = 0; i < 4; ++i) priced += run()->thread_blocks[i].priced;
    EXPECT_EQ(priced, 10 * kPositions);
    ASSERT_EQ(rskmemf(con), 0);
    EXPECT_EQ(run()->worker_team, nullptr);
    EXPECT_EQ(qor_kit_live_handles(), handles_before);
    EXPECT_EQ(qor_pools_live(), pools_before);
}

TEST_F(WorkerTeamTest, ARefusedSecondThreadGivesTheSameValuesAndOneNote) {
    std::vector<double> expected(10), values(10);
    // Threading off: every block on the calling thread, in order.
    prepare(0);
    EXPECT_EQ(run()->worker_team, nullptr);
    StateVectors v;
    v.attach(run(), 10, 16, 1);
    ASSERT_EQ(assign_threads(con), 0);
    Positions p{run(), &expected, 7};
    ASSERT_EQ(rskteam_run(con, price_block, &p, 1), 0);
    rskmemf(con);

    const size_t at = log().size();
    qor_kit_refuse_thread_nth(2);
    prepare(4);
    EXPECT_EQ(run()->team_workers, 2);
    v.attach(run(), 10, 16, 1);
    ASSERT_EQ(assign_threads(con), 0);
    for (long position = 0; position < 100; ++position) {
        Positions q{run(), &values, 7};
        ASSERT_EQ(rskteam_run(con, price_block, &q, 4), 0);
    }
    EXPECT_EQ(values, expected);
    const std::string text = log().substr(at);
    const std::string note = "NOTE: The kit could not start 1 of 3 worker threads";
    EXPECT_NE(text.find(note), std::string::npos) << text;
    EXPECT_EQ(text.find(note, text.find(note) + 1), std::string::npos) << text;
    // More blocks than the team holds are refused, not run.
    EXPECT_EQ(rskteam_run(con, price_block, &p, 5), 1);
}

TEST_F(WorkerTeamTest, ATeamWithoutMemoryEndsTheStepAndTheStorageIsFreed) {
    const size_t handles_before = qor_kit_live_handles(), pools_before = qor_pools_live();
    con->papc = 4;
    con->current_options->maxthreads = 0;
    bool team_failed = false;
    for (long n = 1; n < 100 && !team_failed; ++n) {
        const size_t at = log().size();
        qor_pool_fail_nth(n);
        int step_code = 0;
        try {
            rskmem0(con);
        } catch (const qor::runtime::StepExit& exit) {
            step_code = exit.code;
        }
        const long left = qor_pool_fail_nth(0);
        if (left > 0) break;   // every allocation of the preparation succeeded
        if (step_code != 0) {
            team_failed = true;
            EXPECT_EQ(step_code, 1016);
            EXPECT_EQ(run()->abort, 1);
            EXPECT_EQ(run()->worker_team, nullptr);
            const std::string text = log().substr(at);
            EXPECT_NE(text.find("598/2797"), std::string::npos) << text;
            EXPECT_NE(text.find("thread control vector"), std::string::npos) << text;
        }
        EXPECT_EQ(rskmemf(con), 0);
        EXPECT_EQ(qor_kit_live_handles(), handles_before) << n;
        EXPECT_EQ(qor_pools_live(), pools_before) << n;
    }
    EXPECT_TRUE(team_failed);
}

}  // namespace
