// The program data vector of a pricing compile: one slot per name whatever its case, the vectors
// bound per execution block, reference names with their cast words, vector dimensions, large
// market states, and out of memory while collection starts.
#include <cmath>

#include "runtime/core/step.h"
#include "tests/engine/compile_fixture.h"

namespace {

class ProgramDataVectorTest : public CompileTest {};

TEST_F(ProgramDataVectorTest, OneSlotPerNameWhateverItsCase) {
    ASSERT_EQ(rskmcmp_init(&con_), 0);
    RSKVARIABLE* rf = variable("rf", &market_[3]);
    RSKVARIABLE* rg = variable("rg", &market_[5]);
    RSKSYMENTRY* lower = entry("rf", rf);
    RSKSYMENTRY* upper = entry("RF", rf);
    RSKSYMENTRY* other = entry("rg", rg);
    rskmcmp_addvar(&con_, lower, RSKPDV_MARKET);
    rskmcmp_addvar(&con_, upper, RSKPDV_MARKET);
    rskmcmp_addvar(&con_, other, RSKPDV_MARKET);
    EXPECT_EQ(lower->slot, 0);
    EXPECT_EQ(upper->slot, 0);
    EXPECT_EQ(other->slot, 1);
    EXPECT_EQ(run_.collections[RSKPDV_MARKET].count, 2);
    EXPECT_EQ(rskmcmp_vecnum(&con_, "Rf", 2, RSKPDV_MARKET), 0);
    EXPECT_EQ(rskmcmp_vecnum(&con_, "rh", 2, RSKPDV_MARKET), -1);
    EXPECT_EQ(rskmcmp_vecnum(&con_, "rf", 2, RSKPDV_VALUE), -1);   // collections are apart

    ASSERT_EQ(rskmcmp_final(&con_), 0);
    EXPECT_GE(handle_->market_base_slot, 0);
    EXPECT_EQ(handle_->value_base_slot, -1);   // an empty collection is never bound
    ASSERT_TRUE(build({"p = rf * 2 + RG;"}));
    std::vector<double> state(64, 0.0);
    state[3] = 21;
    state[5] = 0.5;
    ASSERT_EQ(rskmcmp_bind(&con_, cmpinsb(session(), 0), state.data(), nullptr, nullptr), 0);
    ASSERT_EQ(cmpfrun(cmpinsb(session(), 0), 0), CMP_RUN_OK);
    EXPECT_EQ(number("p"), 42.5);
}

TEST_F(ProgramDataVectorTest, FourBlocksGetFourInstancesWithTheSameSlots) {
    run_.execution_blocks = 4;
    ASSERT_EQ(rskmcmp_init(&con_), 0);
    RSKVARIABLE* spot = variable("spot", &market_[0]);
    RSKVARIABLE* notional = variable("notional", &values_[2], RSKVKIND_INSTRUMENT);
    rskmcmp_addvar(&con_, entry("spot", spot), RSKPDV_MARKET);
    rskmcmp_addvar(&con_, entry("notional", notional), RSKPDV_VALUE);
    ASSERT_EQ(rskmcmp_final(&con_), 0);
    ASSERT_TRUE(build({"p = spot * notional;"}, 4));
    std::vector<std::vector<double>> states(4, std::vector<double>(64, 0.0));
    std::vector<std::vector<double>> records(4, std::vector<double>(16, 0.0));
    for (int e = 0; e < 4; ++e) {
        states[e][0] = e + 1;
        records[e][2] = 100;
        cmp_instance* instance = cmpinsb(session(), e);
        ASSERT_NE(instance, nullptr);
        for (int other = 0; other < e; ++other) EXPECT_NE(instance, cmpinsb(session(), other));
        ASSERT_EQ(rskmcmp_bind(&con_, instance, states[e].data(), nullptr, records[e].data()), 0);
    }
    for (int e = 0; e < 4; ++e) {
        ASSERT_EQ(cmpfrun(cmpinsb(session(), e), 0), CMP_RUN_OK);
        EXPECT_EQ(number("p", e), 100.0 * (e + 1)) << "block " << e;
    }
}

// Reference names: a lag is named with LAGS, a volatility with VOL, others keep their base name.
TEST_F(ProgramDataVectorTest, ReferencesAreNamedWithTheirCastWords) {
    struct Case {
        const char* name;
        int suffix;
        char reference;
        const char* expected;
    } cases[] = {
        {"x", 0, 'l', "x.LAGS"},
        {"curve", 0, 'v', "curve.VOL"},
        {"curve.DER", 3, 'v', "curve.VOL"},   // the suffix gives way to the cast word
        {"rate.NLAG", 4, 'n', "rate"},
        {"rate", 0, 'a', "rate"},
    };
    for (const Case& c : cases) {
        RSKSYMENTRY* e = entry(c.name, nullptr, RSKSK_NUMBER, c.reference, c.suffix);
        char buffer[256];
        const char* out = nullptr;
        int n = fix_refname(e, &out, buffer, nullptr, nullptr);
        EXPECT_EQ(std::string(out, static_cast<size_t>(n > 0 ? n : 0)), c.expected) << c.name;
        size_t before = handle_->pool_bytes;
        n = fix_refname(e, &out, nullptr, handle_->pool, handle_);
        EXPECT_EQ(std::string(out, static_cast<size_t>(n > 0 ? n : 0)), c.expected) << c.name;
        if (c.reference == 'l' || c.reference == 'v') {
            EXPECT_EQ(handle_->pool_bytes - before, std::strlen(c.expected));
        }
    }
}

// A lag and a volatility of one variable are two references; the program reads both through
// the pointers of the reference vector.
TEST_F(ProgramDataVectorTest, ReferenceVectorReachesLagsAndVolatilities) {
    ASSERT_EQ(rskmcmp_init(&con_), 0);
    RSKVARIABLE* x = variable("x", nullptr, RSKVKIND_REFERENCE, 3);
    RSKSYMENTRY* lags = entry("x", x, RSKSK_NUMBER, 'l');
    RSKSYMENTRY* vol = entry("x", x, RSKSK_NUMBER, 'v');
    RSKSYMENTRY* again = entry("X", x, RSKSK_NUMBER, 'v');
    rskmcmp_addvar(&con_, lags, RSKPDV_REFERENCE);
    rskmcmp_addvar(&con_, vol, RSKPDV_REFERENCE);
    rskmcmp_addvar(&con_, again, RSKPDV_REFERENCE);
    EXPECT_EQ(lags->slot, 0);
    EXPECT_EQ(vol->slot, 1);
    EXPECT_EQ(again->slot, 1);
    EXPECT_EQ(rskmcmp_vecnum(&con_, "X.LAGS", 6, RSKPDV_REFERENCE), 0);
    ASSERT_EQ(rskmcmp_final(&con_), 0);
    ASSERT_TRUE(build({"a = x.LAGS[3] + x.VOL;", "n = dim(x.LAGS);"}));
    double lag_values[3] = {1, 2, 30};
    double volatility = 0.25;
    void* references[2] = {lag_values, &volatility};
    ASSERT_EQ(rskmcmp_bind(&con_, cmpinsb(session(), 0), nullptr, references, nullptr), 0);
    ASSERT_EQ(cmpfrun(cmpinsb(session(), 0), 0), CMP_RUN_OK);
    EXPECT_EQ(number("a"), 30.25);
    EXPECT_EQ(number("n"), 3);
}

// A vector held by address is declared with its dimension truncated, and read where its slot
// points; a market value held by address is read through its pointer.
TEST_F(ProgramDataVectorTest, VectorDimensionIsTruncated) {
    ASSERT_EQ(rskmcmp_init(&con_), 0);
    RSKVARIABLE* curve = variable("curve", &market_[8], RSKVKIND_FACTOR, 12.9);
    RSKVARIABLE* held = variable("held", &market_[9]);
    rskmcmp_addvar(&con_, entry("curve", curve, RSKSK_VECTOR), RSKPDV_MARKET);
    rskmcmp_addvar(&con_, entry("held", held, RSKSK_NUMBER_ADDRESS), RSKPDV_MARKET);
    EXPECT_EQ(run_.market_pointer_count, 1);
    ASSERT_EQ(rskmcmp_final(&con_), 0);
    ASSERT_TRUE(build({"n = dim(curve);", "last = curve[12];", "h = held;"}));
    double points[12] = {0};
    points[11] = 7;
    double target = 3.5;
    std::vector<double> state(64, 0.0);
    double* p = points;
    std::memcpy(&state[8], &p, sizeof p);
    double* t = &target;
    std::memcpy(&state[9], &t, sizeof t);
    ASSERT_EQ(rskmcmp_bind(&con_, cmpinsb(session(), 0), state.data(), nullptr, nullptr), 0);
    ASSERT_EQ(cmpfrun(cmpinsb(session(), 0), 0), CMP_RUN_OK);
    EXPECT_EQ(number("n"), 12);
    EXPECT_EQ(number("last"), 7);
    EXPECT_EQ(number("h"), 3.5);
}

// The key that is hashed is the key that is compared: a name with a cast suffix and its base
// name are two slots, however the suffixed one is spelt.
TEST_F(ProgramDataVectorTest, SuffixedNameAndBaseNameAreTwoSlots) {
    ASSERT_EQ(rskmcmp_init(&con_), 0);
    RSKVARIABLE* rate = variable("rate", &values_[1], RSKVKIND_INSTRUMENT);
    RSKVARIABLE* der = variable("rate.DER", &values_[2], RSKVKIND_INSTRUMENT);
    RSKSYMENTRY* suffixed = entry("rate.DER", der, RSKSK_NUMBER, 0, 3);
    RSKSYMENTRY* base = entry("rate", rate);
    RSKSYMENTRY* spelt = entry("RATE.der", der, RSKSK_NUMBER, 0, 3);
    rskmcmp_addvar(&con_, suffixed, RSKPDV_VALUE);
    rskmcmp_addvar(&con_, base, RSKPDV_VALUE);
    rskmcmp_addvar(&con_, spelt, RSKPDV_VALUE);
    EXPECT_EQ(suffixed->slot, 0);
    EXPECT_EQ(base->slot, 1);
    EXPECT_EQ(spelt->slot, 0);
}

// More than 8,192 market values (a vector beyond 65,543 bytes) compile and read the last one.
TEST_F(ProgramDataVectorTest, MarketStateOfTenThousandValues) {
    market_.assign(10000, 0.0);
    run_.market_vector = market_.data();
    run_.market_size = static_cast<int32_t>(market_.size() * sizeof(double));
    ASSERT_EQ(rskmcmp_init(&con_), 0);
    char name[16];
    for (int i = 0; i < 10000; ++i) {
        std::snprintf(name, sizeof name, "f%d", i);
        rskmcmp_addvar(&con_, entry(name, variable(name, &market_[i])), RSKPDV_MARKET);
    }
    ASSERT_EQ(rskmcmp_final(&con_), 0);
    ASSERT_TRUE(build({"s = f0 + f9999;"}));
    std::vector<double> state(10000, 1.0);
    state[9999] = 41;
    ASSERT_EQ(rskmcmp_bind(&con_, cmpinsb(session(), 0), state.data(), nullptr, nullptr), 0);
    ASSERT_EQ(cmpfrun(cmpinsb(session(), 0), 0), CMP_RUN_OK);
    EXPECT_EQ(number("s"), 42);
}

// A variable whose storage is not in the record its collection is bound to cannot be a member.
TEST_F(ProgramDataVectorTest, StorageOutsideTheRecordIsRefused) {
    ASSERT_EQ(rskmcmp_init(&con_), 0);
    double elsewhere = 0;
    RSKSYMENTRY* stray = entry("stray", variable("stray", &elsewhere));
    rskmcmp_addvar(&con_, stray, RSKPDV_MARKET);
    EXPECT_EQ(stray->symbol, nullptr);
    EXPECT_EQ(count_of(log(), "598/3435"), 1);
    EXPECT_NE(log().find("stray"), std::string::npos);
}

// Every allocation of rskmcmp_init failing in turn: the step ends with code 1016 after 598/500,
// or collection starts; never a crash.
TEST_F(ProgramDataVectorTest, OutOfMemoryWhileCollectionStarts) {
    int ended = 0;
    for (long n = 1; n < 50; ++n) {
        close_session();
        open_session();
        qor_pool_fail_nth(n);
        int rc = -1;
        try {
            rc = rskmcmp_init(&con_);
        } catch (const qor::runtime::StepExit& exit) {
            EXPECT_EQ(exit.code, 1016);
            ++ended;
            continue;
        }
        long left = qor_pool_fail_nth(0);
        EXPECT_EQ(rc, 0);
        if (left > 0) break;   // the n-th allocation was never reached: every one was tried
    }
    EXPECT_EQ(ended, kRskPdvCollections);
    EXPECT_EQ(count_of(log(), "598/500"), kRskPdvCollections);
}

}  // namespace
