// Random streams of the simulation generators: every source replays the common library's own
// uniforms through the normal quantile, antithetic draws mirror, and failures are reported.
#include <cmath>
#include <vector>

#include "common/distributions/normal.h"
#include "common/random/low_discrepancy.h"
#include "engine/analyses/random_streams.h"
#include "tests/engine/engine_fixture.h"

namespace {

class RandomStreams : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        pool_ = xmpoolc(65536, 65536, 2);
    }
    void TearDown() override {
        xmpoold(pool_);
        EngineTest::TearDown();
    }
    qor_pool* pool_ = nullptr;
};

// The uniforms the common library gives for a code and seed, `draws` vectors of `dimension`,
// without the stream layer: the plain sources as they stand, antithetic ones mirrored by hand.
std::vector<std::vector<double>> library_uniforms(int32_t kind, int32_t dimension, int32_t seed, int draws,
                                                  qor_pool* pool) {
    std::vector<std::vector<double>> out(static_cast<size_t>(draws), std::vector<double>(dimension));
    faure_generator* faure = kind == RSKRAN_FAURE ? zfaurei(dimension, pool) : nullptr;
    sobol_generator* sobol = kind == RSKRAN_SOBOL ? zsoboli(dimension, pool) : nullptr;
    ranu_state congruential{};
    zranui(&congruential, seed);
    random_stream* twister = zrndalo(static_cast<uint32_t>(seed));
    const bool mirrored = kind == RSKRAN_ANTITHETIC_LECUYER || kind == RSKRAN_ANTITHETIC_TWISTER;
    for (int d = 0; d < draws; ++d) {
        std::vector<double>& u = out[static_cast<size_t>(d)];
        if (mirrored && d % 2 == 1) {
            for (int32_t i = 0; i < dimension; ++i) u[i] = 1.0 - out[static_cast<size_t>(d - 1)][i];
            continue;
        }
        switch (kind) {
        case RSKRAN_FAURE: zfaure(u.data(), faure); break;
        case RSKRAN_SOBOL: zsobol(u.data(), sobol); break;
        case RSKRAN_LECUYER:
        case RSKRAN_ANTITHETIC_LECUYER: zranu(&congruential, dimension, u.data()); break;
        default:
            for (int32_t i = 0; i < dimension; ++i) u[i] = rnd_uniform(twister->state);
        }
    }
    zrndfre(twister);
    return out;
}

TEST_F(RandomStreams, EverySourceReplaysTheLibrarySequenceThroughTheNormalQuantile) {
    constexpr int32_t kDimension = 7, kSeed = 4711;
    constexpr int kDraws = 5;                    // odd: the last antithetic draw is a fresh one
    for (int32_t kind = RSKRAN_FAURE; kind <= RSKRAN_ANTITHETIC_TWISTER; ++kind) {
        SCOPED_TRACE(kind);
        const auto uniforms = library_uniforms(kind, kDimension, kSeed, kDraws, pool_);
        for (double scale : {1.0, 2.5, 0.0}) {
            RSKRANSTREAM stream;
            ASSERT_EQ(rsarani(&con_, kind, kDimension, kSeed, &stream, pool_), 0) << log();
            for (int d = 0; d < kDraws; ++d) {
                double out[kDimension];
                ASSERT_EQ(rsaranv(&con_, out, kDimension, &stream, scale), 0);
                for (int32_t i = 0; i < kDimension; ++i) {
                    const double u = uniforms[static_cast<size_t>(d)][static_cast<size_t>(i)];
                    ASSERT_GT(u, 0.0);
                    ASSERT_LT(u, 1.0);
                    EXPECT_EQ(out[i], zprobit(u) * scale) << "draw " << d << " element " << i;
                }
            }
            EXPECT_EQ(stream.draws, kDraws);
            rsaranf(&stream);
        }
    }
}

TEST_F(RandomStreams, AntitheticDrawsComeInPairsOfOppositeSign) {
    for (int32_t kind : {RSKRAN_ANTITHETIC_LECUYER, RSKRAN_ANTITHETIC_TWISTER}) {
        RSKRANSTREAM stream;
        ASSERT_EQ(rsarani(&con_, kind, 4, 99, &stream, pool_), 0);
        EXPECT_EQ(stream.buffer_bytes, 4u * sizeof(double));
        double first[4], second[4], third[4];
        ASSERT_EQ(rsaranv(&con_, first, 4, &stream, 1.0), 0);
        ASSERT_EQ(rsaranv(&con_, second, 4, &stream, 1.0), 0);
        ASSERT_EQ(rsaranv(&con_, third, 4, &stream, 1.0), 0);
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(second[i], -first[i], 1e-9) << kind;
            EXPECT_NE(third[i], -second[i]) << kind;   // the third draw starts a new pair
        }
        rsaranf(&stream);
    }
}

TEST_F(RandomStreams, SameCodeAndSeedGiveSameDeviatesAndAnotherSeedOthers) {
    for (int32_t kind : {RSKRAN_LECUYER, RSKRAN_TWISTER}) {
        RSKRANSTREAM a, b, c;
        ASSERT_EQ(rsarani(&con_, kind, 3, 12345, &a, pool_), 0);
        ASSERT_EQ(rsarani(&con_, kind, 3, 12345, &b, pool_), 0);
        ASSERT_EQ(rsarani(&con_, kind, 3, 12346, &c, pool_), 0);
        double x[3], y[3], z[3];
        for (int d = 0; d < 3; ++d) {
            ASSERT_EQ(rsaranv(&con_, x, 3, &a, 1.0), 0);
            ASSERT_EQ(rsaranv(&con_, y, 3, &b, 1.0), 0);
            ASSERT_EQ(rsaranv(&con_, z, 3, &c, 1.0), 0);
            for (int i = 0; i < 3; ++i) {
                EXPECT_EQ(x[i], y[i]);
                EXPECT_NE(x[i], z[i]);
            }
        }
        rsaranf(&a);
        rsaranf(&b);
        rsaranf(&c);
    }
}

// A single value from the congruential and Twister sources is the next uniform of the sequence.
TEST_F(RandomStreams, SingleValuesFollowTheSequenceAndOtherCountsAreRefused) {
    RSKRANSTREAM stream;
    ASSERT_EQ(rsarani(&con_, RSKRAN_TWISTER, 6, 77, &stream, pool_), 0);
    random_stream* replay = zrndalo(77);
    double one = 0;
    ASSERT_EQ(rsaranv(&con_, &one, 1, &stream, 1.0), 0);
    EXPECT_EQ(one, zprobit(rnd_uniform(replay->state)));
    double six[6];
    ASSERT_EQ(rsaranv(&con_, six, 6, &stream, 1.0), 0);
    for (double v : six) EXPECT_EQ(v, zprobit(rnd_uniform(replay->state)));
    zrndfre(replay);
    double three[3];
    EXPECT_EQ(rsaranv(&con_, three, 3, &stream, 1.0), 1);
    rsaranf(&stream);

    ASSERT_EQ(rsarani(&con_, RSKRAN_SOBOL, 6, 77, &stream, pool_), 0);
    EXPECT_EQ(rsaranv(&con_, &one, 1, &stream, 1.0), 1);   // a sequence always gives its dimension
    EXPECT_NE(log().find("values asked of a stream of dimension 6"), std::string::npos);
}

TEST_F(RandomStreams, LowDiscrepancyPointsStayInsideTheOpenInterval) {
    constexpr int32_t kDimension = 50;
    for (int32_t kind : {RSKRAN_FAURE, RSKRAN_SOBOL}) {
        RSKRANSTREAM stream;
        ASSERT_EQ(rsarani(&con_, kind, kDimension, 1, &stream, pool_), 0);
        double out[kDimension];
        int infinite = 0;
        for (int d = 0; d < 10000; ++d) {
            ASSERT_EQ(rsaranv(&con_, out, kDimension, &stream, 1.0), 0);
            for (double v : out) infinite += std::isfinite(v) ? 0 : 1;
        }
        EXPECT_EQ(infinite, 0) << kind;
    }
}

TEST_F(RandomStreams, UnknownCodesFailAtOpeningAndAtEveryDraw) {
    RSKRANSTREAM stream;
    EXPECT_EQ(rsarani(&con_, 7, 3, 1, &stream, pool_), 1);
    EXPECT_NE(log().find("rsarani: Unknown generator kind 7"), std::string::npos);
    double out[3];
    EXPECT_EQ(rsaranv(&con_, out, 3, &stream, 1.0), 1);
    EXPECT_EQ(rsaranv(&con_, out, 3, &stream, 1.0), 1);
    EXPECT_EQ(count_of(log(), "rsaranv: Unknown random number kind 7"), 2);
    EXPECT_EQ(stream.draws, 2);
    rsaranf(&stream);                            // nothing to release
}

TEST_F(RandomStreams, AntitheticBufferOutOfMemoryIsReportedWithTheGeneratorsLabel) {
    struct Case {
        int32_t kind;
        const char* label;
    };
    for (const Case& c : {Case{RSKRAN_ANTITHETIC_LECUYER, "L'Ecuyer random number generator"},
                          Case{RSKRAN_ANTITHETIC_TWISTER, "Twister random number generator"}}) {
        // Fail each allocation in turn (the Twister's own pool first, the buffer last) until the
        // opening gets through: every failure leaves nothing open.
        int failures = 0;
        for (long n = 1; n < 40; ++n) {
            con_.no_memory_reported = 0;
            RSKRANSTREAM stream;
            qor_pool_fail_nth(n);
            const int rc = rsarani(&con_, c.kind, 1000, 5, &stream, pool_);
            qor_pool_fail_nth(0);
            if (rc == 0) {
                rsaranf(&stream);
                break;
            }
            ++failures;
            EXPECT_EQ(rc, 1);
            EXPECT_EQ(stream.buffer_bytes, 0u);
            EXPECT_EQ(stream.twister, nullptr);
            EXPECT_EQ(con_.no_memory_reported, 1u);
        }
        EXPECT_GE(failures, 1);
        EXPECT_NE(log().find(c.label), std::string::npos) << log();
    }
    EXPECT_NE(log().find("2797"), std::string::npos);
}

}  // namespace
