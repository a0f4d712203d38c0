// Generation taken step by step (cmppdv, cmpexi, cmpruni) gives what cmpgen gives; cmpexi
// brings instances back to their initial state; cmpinit, cmpamin and cmpopts set a session up.
#include <cmath>
#include <string>
#include <vector>

#include "tests/compiler/compiler_fixture.h"

namespace {

const std::vector<std::string> kCounter = {
    "length tag $ 6;",
    "if runs = . then runs = 0;",
    "runs = runs + 1; total = sum(total, base * 2); if tag = ' ' then tag = 'set';",
};

TEST(GenerationSteps, StepsOneByOneRunLikeCmpgen) {
    Compiled a, b;
    ASSERT_TRUE(a.build(kCounter, 2));
    ASSERT_EQ(b.push(kCounter), 0);
    ASSERT_EQ(cmpprss(b.session, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0), CMP_COMPLETE);
    EXPECT_EQ(cmpruni(b.session, 2), 3);           // nothing laid out yet
    ASSERT_EQ(cmppdv(b.session), 0);
    EXPECT_EQ(cmppdv(b.session), 2);
    EXPECT_EQ(b.push({"late = 1;"}), 1);          // the source is closed once laid out
    ASSERT_EQ(cmpexi(b.session, -1), 0);           // no instances yet: nothing to reset
    ASSERT_EQ(cmpruni(b.session, 2), 0);
    EXPECT_EQ(cmpruni(b.session, 2), 2);
    EXPECT_EQ(cmpgen(b.session, 2), 2);
    for (Compiled* c : {&a, &b}) {
        for (int blk = 0; blk < 2; ++blk) {
            *c->num("BASE", blk) = 1.5 + blk;
            ASSERT_EQ(c->run(blk), 0);
            ASSERT_EQ(c->run(blk), 0);
        }
    }
    for (int blk = 0; blk < 2; ++blk) {
        EXPECT_EQ(*a.num("RUNS", blk), 2);
        EXPECT_EQ(*b.num("RUNS", blk), 2);
        EXPECT_EQ(*a.num("TOTAL", blk), 4 * (1.5 + blk));
        EXPECT_EQ(*b.num("TOTAL", blk), 4 * (1.5 + blk));
    }
}

TEST(GenerationSteps, CmpexiResetsOneOrAllInstances) {
    Compiled p;
    ASSERT_TRUE(p.build(kCounter, 3));
    for (int blk = 0; blk < 3; ++blk) {
        *p.num("BASE", blk) = 1;
        ASSERT_EQ(p.run(blk), 0);
        ASSERT_EQ(p.text("TAG", blk), "set");
    }
    ASSERT_EQ(cmpexi(p.session, 1), 0);
    EXPECT_EQ(p.text("TAG", 1), "");
    EXPECT_TRUE(std::isnan(*p.num("RUNS", 1)));
    EXPECT_TRUE(std::isnan(*p.num("BASE", 1)));
    EXPECT_EQ(*p.num("RUNS", 0), 1);                // the others keep their state
    EXPECT_EQ(p.text("TAG", 2), "set");
    *p.num("BASE", 1) = 1;
    ASSERT_EQ(p.run(1), 0);
    EXPECT_EQ(*p.num("RUNS", 1), 1);                // counts again from the start
    ASSERT_EQ(cmpexi(p.session, -1), 0);
    for (int blk = 0; blk < 3; ++blk) EXPECT_TRUE(std::isnan(*p.num("RUNS", blk)));
    EXPECT_EQ(cmpexi(p.session, 3), 2);
}

TEST(GenerationSteps, CmppdvReportsAnIncompleteOrFailingSource) {
    Compiled open;
    ASSERT_EQ(open.push({"do i = 1 to 3;"}), 0);
    EXPECT_EQ(cmppdv(open.session), 3);
    Compiled bad;
    ASSERT_EQ(bad.push({"goto nowhere;"}), 0);
    ASSERT_EQ(cmpprss(bad.session, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0), CMP_COMPLETE);
    EXPECT_EQ(cmppdv(bad.session), 4);
    EXPECT_FALSE(bad.errors.empty());
    EXPECT_EQ(cmpruni(bad.session, 1), 3);
}

struct HookSeen {
    std::vector<std::string> messages;
};

TEST(GenerationSteps, CmpinitTakesTheErrorHookAndCmpaminTheInstallWindow) {
    Compiled p;
    HookSeen seen;
    cmp_init_record rec{-5, {7, 7}, 0, &seen, [](void* u, const char* m, int, const char*) {
                            static_cast<HookSeen*>(u)->messages.emplace_back(m);
                        }};
    EXPECT_EQ(cmpamin(p.session), 0);
    ASSERT_EQ(cmpinit(&rec, p.session), 0);
    EXPECT_EQ(rec.status, 0);
    EXPECT_EQ(rec.out[0], 0);
    EXPECT_EQ(rec.out[1], 0);
    ASSERT_TRUE(p.build({"x = 1;", "goto away;", "away: y = 2;"}));
    EXPECT_NE(cmpamin(p.session), 0);
    EXPECT_NE(cmpinit(&rec, p.session), 0);
    EXPECT_NE(rec.status, 0);

    Compiled q;   // run-time errors now reach the init record's hook, not the session's
    ASSERT_EQ(cmpinit(&rec, q.session), 0);
    ASSERT_TRUE(q.build({"array a[2] a1 a2;", "a[i] = 1;"}));
    *q.num("I") = 5;
    EXPECT_NE(q.run(), 0);
    EXPECT_TRUE(q.errors.empty());
    EXPECT_EQ(seen.messages.size(), 1u);
}

TEST(GenerationSteps, CmpoptsSetsAllOrNothing) {
    Compiled p;
    const int good[] = {2, 3}, bad[] = {2, 9};
    EXPECT_EQ(cmpopts(p.session, good, 2, 1), 0);
    EXPECT_EQ(cmpopts(p.session, bad, 2, 1), 2);
    EXPECT_EQ(cmpopts(p.session, nullptr, 1, 1), -1);
    EXPECT_EQ(cmpopts(p.session, good, 0, 1), 0);
}

}  // namespace
