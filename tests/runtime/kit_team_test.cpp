// Worker teams of the host kit: every block of every call runs once, on its own worker or on
// the caller; refused workers, memory failures, the caller's floating-point environment, faults
// inside blocks and calls the team must refuse.
#include <gtest/gtest.h>

#include <atomic>
#include <cfenv>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "host/kernel.h"
#include "host/kit.h"
#include "host/pool.h"
#include "runtime/core/kit_internal.h"
#include "tests/support/scratch.h"

namespace {

constexpr int kMaxBlocks = 8;

// What the blocks of the calls did: per block a count and the thread it last ran on, each on a
// line of its own so that blocks never share one.
struct alignas(128) BlockRecord {
    long runs = 0;
    std::thread::id thread;
};

struct Record {
    BlockRecord blocks[kMaxBlocks];
};

void count_block(void* argument, int block) {
    BlockRecord& r = static_cast<Record*>(argument)->blocks[block];
    ++r.runs;
    r.thread = std::this_thread::get_id();
}

class KitTeam : public ::testing::Test {
protected:
    void SetUp() override {
        kit = qor_runtime_kit();
        live_before = qor_kit_live_handles();
    }
    void TearDown() override {
        qor_kit_refuse_thread_nth(0);
        qor_pool_fail_nth(0);
        EXPECT_EQ(qor_kit_live_handles(), live_before);
    }
    qor_team* make(int blocks) {
        qor_team* team = nullptr;
        EXPECT_EQ(kit->ops->create_team(kit, blocks, &team), 0);
        return team;
    }
    int run(qor_team* team, qor_team_task task, void* argument, int blocks) {
        return kit->ops->run_team(kit, team, task, argument, blocks);
    }
    qor_kit* kit = nullptr;
    size_t live_before = 0;
};

TEST_F(KitTeam, EveryBlockRunsOnceInEachOfManyCallsOfVaryingWidth) {
    qor_team* team = make(kMaxBlocks);
    ASSERT_NE(team, nullptr);
    EXPECT_EQ(kit->ops->team_workers(kit, team), kMaxBlocks - 1);
    EXPECT_EQ(qor_kit_live_handles(), live_before + 1);
    Record record;
    long expected[kMaxBlocks] = {};
    const auto caller = std::this_thread::get_id();
    constexpr int kCalls = 5000;
    for (int call = 0; call < kCalls; ++call) {
        // Every blocks count from 1 to 8, and now and then a pause long enough for the workers to
        // go to sleep, so both the spinning and the sleeping hand-off are taken.
        const int blocks = 1 + call % kMaxBlocks;
        if (call % 1000 == 999) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ASSERT_EQ(run(team, count_block, &record, blocks), 0);
        for (int b = 0; b < blocks; ++b) ++expected[b];
        for (int b = 0; b < kMaxBlocks; ++b) ASSERT_EQ(record.blocks[b].runs, expected[b]) << "call " << call << " block " << b;
    }
    EXPECT_EQ(record.blocks[0].thread, caller);
    for (int b = 1; b < kMaxBlocks; ++b) {
        EXPECT_NE(record.blocks[b].thread, caller) << b;
        for (int c = 1; c < b; ++c) EXPECT_NE(record.blocks[b].thread, record.blocks[c].thread) << b << " " << c;
    }
    EXPECT_EQ(kit->ops->close_team(kit, team), 0);
}

TEST_F(KitTeam, ARefusedWorkerLeavesItsBlockToTheCallerWithOneNote) {
    ScratchArea scratch;
    scratch.open("qor_team_");
    qor_kit_refuse_thread_nth(2);   // the second worker of the team
    qor_team* team = make(4);
    ASSERT_NE(team, nullptr);
    EXPECT_EQ(kit->ops->team_workers(kit, team), 2);
    Record record;
    for (int call = 0; call < 1000; ++call) ASSERT_EQ(run(team, count_block, &record, 4), 0);
    for (int b = 0; b < 4; ++b) EXPECT_EQ(record.blocks[b].runs, 1000) << b;
    const auto caller = std::this_thread::get_id();
    EXPECT_EQ(record.blocks[0].thread, caller);
    EXPECT_NE(record.blocks[1].thread, caller);
    EXPECT_EQ(record.blocks[2].thread, caller);
    EXPECT_NE(record.blocks[3].thread, caller);
    EXPECT_EQ(kit->ops->close_team(kit, team), 0);
    std::string log = scratch.log();
    scratch.close();
    const std::string note = "NOTE: The kit could not start 1 of 3 worker threads; the calling thread takes their blocks.";
    size_t at = log.find(note);
    EXPECT_NE(at, std::string::npos) << log;
    EXPECT_EQ(log.find(note, at + 1), std::string::npos) << log;
}

TEST_F(KitTeam, ATeamWithoutMemoryIsRefusedAndLeavesNothingBehind) {
    for (long nth : {1L, 2L}) {
        qor_pool_fail_nth(nth);
        qor_team* team = reinterpret_cast<qor_team*>(this);
        EXPECT_EQ(kit->ops->create_team(kit, 4, &team), QOR_KIT_NO_RESOURCES) << nth;
        EXPECT_EQ(team, nullptr);
        EXPECT_EQ(qor_kit_live_handles(), live_before);
    }
    qor_pool_fail_nth(0);
}

// Each block divides with the rounding of the thread it runs on.
struct Division {
    volatile double numerator = 1.0, denominator = 3.0;
    double quotient[kMaxBlocks] = {};
};

void divide(void* argument, int block) {
    auto* d = static_cast<Division*>(argument);
    d->quotient[block] = d->numerator / d->denominator;
}

TEST_F(KitTeam, WorkersRoundAsTheCallerDoes) {
    qor_team* team = make(4);
    ASSERT_NE(team, nullptr);
    for (int mode : {FE_UPWARD, FE_DOWNWARD, FE_TONEAREST}) {
        ASSERT_EQ(std::fesetround(mode), 0);
        Division d;
        const double here = d.numerator / d.denominator;
        ASSERT_EQ(run(team, divide, &d, 4), 0);
        for (int b = 0; b < 4; ++b) EXPECT_EQ(d.quotient[b], here) << "mode " << mode << " block " << b;
    }
    Division up;
    std::fesetround(FE_UPWARD);
    const double upward = up.numerator / up.denominator;
    std::fesetround(FE_TONEAREST);
    EXPECT_NE(upward, up.numerator / up.denominator);   // the modes differ for 1/3
    EXPECT_EQ(kit->ops->close_team(kit, team), 0);
}

struct Faulty {
    int fail_block;
    int how;   // 1 throw, 2 xexit
    Record record;
};

void fail_one(void* argument, int block) {
    auto* f = static_cast<Faulty*>(argument);
    count_block(&f->record, block);
    if (block != f->fail_block) return;
    if (f->how == 2) xexit(37);
    throw std::runtime_error("a fault in the block");
}

TEST_F(KitTeam, AFaultInABlockEndsOnlyThatBlockAndTheCallerLogsIt) {
    ScratchArea scratch;
    scratch.open("qor_team_");
    qor_team* team = make(4);
    ASSERT_NE(team, nullptr);
    Faulty on_worker{2, 1, {}};
    EXPECT_EQ(run(team, fail_one, &on_worker, 4), QOR_KIT_THREAD_FAILED);
    Faulty exit_on_worker{3, 2, {}};
    EXPECT_EQ(run(team, fail_one, &exit_on_worker, 4), QOR_KIT_THREAD_FAILED);
    // The caller's own block: passed on, once every worker has finished its block.
    Faulty on_caller{0, 1, {}};
    EXPECT_THROW(run(team, fail_one, &on_caller, 4), std::runtime_error);
    for (const Faulty* f : {&on_worker, &exit_on_worker, &on_caller})
        for (int b = 0; b < 4; ++b) EXPECT_EQ(f->record.blocks[b].runs, 1) << b;
    // The team goes on as before.
    Record record;
    EXPECT_EQ(run(team, count_block, &record, 4), 0);
    for (int b = 0; b < 4; ++b) EXPECT_EQ(record.blocks[b].runs, 1);
    EXPECT_EQ(kit->ops->close_team(kit, team), 0);
    std::string log = scratch.log();
    scratch.close();
    EXPECT_NE(log.find("A thread of the kit stopped: a fault in the block."), std::string::npos) << log;
    EXPECT_NE(log.find("A thread of the kit stopped: the step exit (code 37)."), std::string::npos) << log;
}

// A task that calls back into its own team, from the caller's block and from a worker's.
struct Reentry {
    qor_kit* kit;
    qor_team* team;
    int answers[kMaxBlocks];
};

void reenter(void* argument, int block) {
    auto* r = static_cast<Reentry*>(argument);
    if (block == 0) r->answers[0] = r->kit->ops->run_team(r->kit, r->team, count_block, nullptr, 1);
    if (block == 1) r->answers[1] = r->kit->ops->close_team(r->kit, r->team);
}

TEST_F(KitTeam, CallsTheTeamCannotTakeAreRefused) {
    qor_team* team = nullptr;
    EXPECT_EQ(kit->ops->create_team(kit, 0, &team), QOR_KIT_BAD_ARGUMENT);
    EXPECT_EQ(kit->ops->create_team(kit, 2, nullptr), QOR_KIT_BAD_ARGUMENT);
    team = make(2);
    ASSERT_NE(team, nullptr);
    Record record;
    EXPECT_EQ(run(team, count_block, &record, 3), QOR_KIT_BAD_ARGUMENT);
    EXPECT_EQ(run(team, count_block, &record, 0), QOR_KIT_BAD_ARGUMENT);
    EXPECT_EQ(run(team, nullptr, &record, 1), QOR_KIT_BAD_ARGUMENT);
    EXPECT_EQ(record.blocks[0].runs, 0);
    Reentry r{kit, team, {}};
    EXPECT_EQ(run(team, reenter, &r, 2), 0);
    EXPECT_EQ(r.answers[0], QOR_KIT_RUNNING);
    EXPECT_EQ(r.answers[1], QOR_KIT_SELF_CLOSE);
    EXPECT_EQ(kit->ops->team_workers(kit, nullptr), QOR_KIT_BAD_ARGUMENT);
    EXPECT_EQ(kit->ops->close_team(kit, team), 0);
    // A one-block team has no worker: the caller does it all.
    team = make(1);
    EXPECT_EQ(kit->ops->team_workers(kit, team), 0);
    EXPECT_EQ(run(team, count_block, &record, 1), 0);
    EXPECT_EQ(record.blocks[0].runs, 1);
    EXPECT_EQ(kit->ops->close_team(kit, team), 0);
}

}  // namespace
