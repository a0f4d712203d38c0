// Timers: nested timers with their self-time records, stops out of order, interval timers,
// the overheads and the report written as WORK._TIMING_.
#include <string>
#include <vector>

#include "engine/model/timers/timers.h"
#include "host/dataset.h"
#include "tests/engine/engine_fixture.h"

namespace {

using Start = int (*)(RSKCON*, const char*, int, const char*, int);
using Stop = int (*)(RSKCON*, int);
using Init = int (*)(RSKCON*, RSKTIMER*, const char*, int, const char*, int);
using Interval = int (*)(RSKCON*, RSKTIMER*);

// Spends some CPU time so that measured times are not all zero.
double busy() {
    volatile double x = 0;
    for (int i = 0; i < 2000000; ++i) x = x + i * 1e-9;
    return x;
}

class Timer : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        con_.timers_on = 1;
        start = engine_routine<EngineSlot::rsktmr1>();
        stop = engine_routine<EngineSlot::rsktmr2>();
        init = engine_routine<EngineSlot::rsktmri>();
        begin = engine_routine<EngineSlot::rsktmrs>();
        end = engine_routine<EngineSlot::rsktmre>();
        out = engine_routine<EngineSlot::rsktmro>();
    }
    std::vector<const RSKTIMER*> finished() const {
        std::vector<const RSKTIMER*> list;
        for (const RSKTIMER* t = con_.timers_finished_head; t != nullptr; t = t->next) list.push_back(t);
        return list;
    }
    Start start;
    Stop stop;
    Init init;
    Interval begin, end, out;
};

TEST_F(Timer, WithTimingOffNothingIsMeasured) {
    con_.timers_on = 0;
    EXPECT_EQ(start(&con_, "PARSE", 100, "parse", -1), 0);
    EXPECT_EQ(con_.timer_stack, nullptr);
    EXPECT_EQ(stop(&con_, 100), 1);
    RSKTIMER interval{};
    EXPECT_EQ(init(&con_, &interval, "PRICE", 200, "pricing", -1), 0);
    EXPECT_EQ(interval.state, RSKTMR_INTERVAL_IDLE);   // initialised whatever the flag
    EXPECT_EQ(begin(&con_, &interval), 0);
    EXPECT_EQ(interval.state, RSKTMR_INTERVAL_IDLE);
    EXPECT_EQ(out(&con_, &interval), 0);
    EXPECT_EQ(con_.timers_finished, 0);
}

TEST_F(Timer, NestedTimersChargeTheirParentAndLeaveASelfTimeRecord) {
    ASSERT_EQ(start(&con_, "OUTERMOST", 100, "the whole step with a label over 32 chars", -1), 0);
    busy();
    ASSERT_EQ(start(&con_, "INNER", 101, "inner", 5), 0);
    EXPECT_EQ(con_.timer_depth, 2);
    busy();
    ASSERT_EQ(stop(&con_, 101), 0);
    ASSERT_EQ(start(&con_, "LEAF", 102, "leaf", -1), 0);
    ASSERT_EQ(stop(&con_, 102), 0);
    ASSERT_EQ(stop(&con_, 100), 0);
    EXPECT_EQ(con_.timer_depth, 0);
    EXPECT_EQ(con_.timer_stack, nullptr);

    std::vector<const RSKTIMER*> list = finished();
    ASSERT_EQ(list.size(), 4u);
    ASSERT_EQ(con_.timers_finished, 4);
    const RSKTIMER& inner = *list[0];
    const RSKTIMER& leaf = *list[1];
    const RSKTIMER& self = *list[2];
    const RSKTIMER& outer = *list[3];
    EXPECT_EQ(inner.id, 101);
    EXPECT_EQ(inner.level, 1);
    EXPECT_EQ(leaf.id, 102);
    EXPECT_EQ(outer.id, 100);
    EXPECT_EQ(outer.level, 0);
    EXPECT_EQ(std::string(outer.name, 8), "OUTERMOS");                    // cut to 8
    EXPECT_EQ(outer.label_length, 32);                                   // cut to 32
    EXPECT_EQ(std::string(outer.label, 32), "the whole step with a label over");
    EXPECT_GT(inner.cpu, 0);
    EXPECT_DOUBLE_EQ(outer.child_cpu, inner.cpu + leaf.cpu);
    EXPECT_DOUBLE_EQ(outer.child_wall, inner.wall + leaf.wall);
    EXPECT_GE(outer.cpu, outer.child_cpu);

    EXPECT_EQ(self.id, kRskSelfTimeId);
    EXPECT_EQ(self.level, 1);
    EXPECT_EQ(self.count, 1);
    EXPECT_EQ(std::string(self.name, 8), "OUTERMOS");
    EXPECT_EQ(self.label_length, 8);
    EXPECT_DOUBLE_EQ(self.cpu, outer.cpu - outer.child_cpu);
    EXPECT_DOUBLE_EQ(self.wall, outer.wall - outer.child_wall);
    // Timers without nested ones have no self-time record.
    EXPECT_EQ(inner.child_cpu, 0);
}

TEST_F(Timer, AWrongStopLeavesTheRunningTimerIntact) {
    EXPECT_EQ(stop(&con_, 5), 1);
    ASSERT_EQ(start(&con_, "STEP", 100, "step", -1), 0);
    const double started_cpu = con_.timer_stack->cpu;
    const double started_wall = con_.timer_stack->wall;
    EXPECT_EQ(stop(&con_, 999), 1);
    ASSERT_NE(con_.timer_stack, nullptr);
    EXPECT_EQ(con_.timer_stack->cpu, started_cpu);     // the start times survive
    EXPECT_EQ(con_.timer_stack->wall, started_wall);
    EXPECT_EQ(con_.timer_depth, 1);
    busy();
    ASSERT_EQ(stop(&con_, 100), 0);
    ASSERT_EQ(finished().size(), 1u);
    EXPECT_GT(finished()[0]->cpu, 0);
    EXPECT_LT(finished()[0]->cpu, 3600);               // elapsed seconds, not a start time
    std::string text = log();
    EXPECT_NE(text.find("rsktmr2: Null timer stack for 5."), std::string::npos) << text;
    EXPECT_NE(text.find("rsktmr2: tmr->id=100 != id=999."), std::string::npos) << text;
}

TEST_F(Timer, IntervalTimersAddUpTheirIntervals) {
    RSKTIMER never{};
    EXPECT_EQ(begin(&con_, &never), 0);                 // never initialised: ignored
    EXPECT_EQ(never.state, RSKTMR_UNSET);

    RSKTIMER pricing{};
    ASSERT_EQ(init(&con_, &pricing, "PRICE", 200, "pricing methods", -1), 0);
    EXPECT_EQ(out(&con_, &pricing), 0);                 // no interval yet: nothing moves
    EXPECT_EQ(pricing.state, RSKTMR_INTERVAL_IDLE);
    EXPECT_EQ(con_.timers_finished, 0);
    EXPECT_EQ(end(&con_, &pricing), 0);                 // not running: nothing is counted
    EXPECT_EQ(pricing.count, 0);
    EXPECT_EQ(pricing.cpu, 0);
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(begin(&con_, &pricing), 0);
        EXPECT_EQ(pricing.state, RSKTMR_INTERVAL_RUNNING);
        busy();
        ASSERT_EQ(end(&con_, &pricing), 0);
    }
    EXPECT_EQ(pricing.count, 2);
    EXPECT_GT(pricing.cpu, 0);
    const double total = pricing.cpu;
    ASSERT_EQ(out(&con_, &pricing), 0);
    EXPECT_EQ(pricing.state, RSKTMR_UNSET);              // the caller's record is zeroed
    ASSERT_EQ(finished().size(), 1u);
    EXPECT_EQ(finished()[0]->count, 2);
    EXPECT_EQ(finished()[0]->cpu, total);
}

TEST_F(Timer, TheReportWritesTimingInWork) {
    EXPECT_EQ(rsktmr0(&con_), 0);                       // nothing finished yet: still measured
    ASSERT_EQ(start(&con_, "STEP", 100, "step", -1), 0);
    ASSERT_EQ(start(&con_, "PARSE", 101, "parse", -1), 0);
    busy();
    ASSERT_EQ(stop(&con_, 101), 0);
    ASSERT_EQ(stop(&con_, 100), 0);
    RSKTIMER pricing{};
    ASSERT_EQ(init(&con_, &pricing, "PRICE", 200, "pricing", -1), 0);
    ASSERT_EQ(begin(&con_, &pricing), 0);
    ASSERT_EQ(end(&con_, &pricing), 0);
    ASSERT_EQ(out(&con_, &pricing), 0);
    ASSERT_EQ(con_.timers_finished, 4);

    ASSERT_EQ(rsktmrt(&con_), 0);
    EXPECT_EQ(con_.timers_finished, 0);
    EXPECT_EQ(con_.timers_finished_head, nullptr);
    std::string text = log();
    EXPECT_NE(text.find("TIMER Overhead per 1000:"), std::string::npos) << text;
    EXPECT_EQ(count_of(text, "TIMER: "), 4) << text;
    EXPECT_NE(text.find("598/7599 Self time of STEP"), std::string::npos) << text;

    qor_open_request open{};
    std::memcpy(open.libref, "WORK    ", 8);
    open.member.length = 8;
    std::memcpy(open.member.text, "_TIMING_", 8);
    std::memset(open.member_type, ' ', 8);
    open.mode = QOR_OPEN_INPUT;
    qor_dataset* ds = nullptr;
    ASSERT_EQ(xoopen(&ds, &open), 0);
    int64_t observations = 0;
    int32_t variables = 0;
    xoinfo(ds, QOR_INFO_OBSERVATIONS, &observations);
    xoinfo(ds, QOR_INFO_VARIABLES, &variables);
    EXPECT_EQ(observations, 4);
    EXPECT_EQ(variables, 12);
    int nest = 0, idnum = 0, n = 0, modname = 0, cputime = 0;
    ASSERT_EQ(xvfind(ds, "NEST", 4, &nest, 0), 0);
    ASSERT_EQ(xvfind(ds, "IDNUM", 5, &idnum, 0), 0);
    ASSERT_EQ(xvfind(ds, "N", 1, &n, 0), 0);
    ASSERT_EQ(xvfind(ds, "MODNAME", 7, &modname, 0), 0);
    ASSERT_EQ(xvfind(ds, "CPUTIME", 7, &cputime, 0), 0);
    qor_var_desc desc{};
    ASSERT_EQ(xvname(ds, cputime, &desc), 0);
    EXPECT_EQ(std::string(desc.format, desc.format_length), "F");
    EXPECT_EQ(desc.format_width, 8);
    EXPECT_EQ(desc.length, 4);
    // Rows in list order: the nested timer, the step's self time, the step, the interval timer.
    const struct { int nest; int id; const char* name; int n; } rows[] = {
        {1, 101, "PARSE", 1}, {1, 7599, "STEP", 1}, {0, 100, "STEP", 1}, {0, 200, "PRICE", 1}};
    qor_obs_request request{};
    request.dataset = ds;
    for (const auto& row : rows) {
        ASSERT_EQ(xoget(&request, QOR_GET_NEXT), 0);
        double value = 0;
        char name[8];
        xvget1f(ds, nest, &value);
        EXPECT_EQ(value, row.nest);
        xvget1f(ds, idnum, &value);
        EXPECT_EQ(value, row.id);
        xvget1f(ds, n, &value);
        EXPECT_EQ(value, row.n);
        int length = 0;
        xvget1c(ds, modname, name, 8, &length);
        EXPECT_EQ(std::string(name, length), row.name);
    }
    xoclose(ds, 0);
}

}  // namespace
