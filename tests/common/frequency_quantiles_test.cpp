// Tests of the frequency-list quantiles: percentile definitions against the expanded sample
// (tests/reference/frequency_quantiles_reference.py), the mode, and limits at their own index.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "common/statistics/frequency_quantiles.h"
#include "host/missing.h"

namespace {

// A frequency list owned by the test: nodes linked in ascending order of value.
struct sample_list {
    std::vector<frequency_node> nodes;
    std::vector<double> weights;
    frequency_summary summary{};

    sample_list(const std::vector<double>& values, const std::vector<int>& counts,
                const std::vector<double>& node_weights = {}) {
        nodes.resize(values.size());
        weights = node_weights;
        double n = 0, sum = 0, squares = 0;
        for (size_t i = 0; i < values.size(); ++i) {
            nodes[i] = frequency_node{i + 1 < values.size() ? &nodes[i + 1] : nullptr, nullptr, 0, counts[i],
                                      weights.empty() ? nullptr : &weights[i], values[i]};
            n += counts[i];
            sum += counts[i] * values[i];
            squares += counts[i] * values[i] * values[i];
        }
        summary.count = n;
        summary.mean = sum / n;
        summary.std_dev = n > 1 ? std::sqrt((squares - sum * sum / n) / (n - 1)) : 0.0;
        summary.weight = qor::missing();
        if (!weights.empty()) {
            summary.weight = 0.0;
            for (double w : weights) summary.weight += w;
        }
    }
    frequency_node* first() { return &nodes[0]; }
};

// Result arrays for m probabilities, every element preset to a sentinel that no result equals.
struct results {
    std::vector<double> q, nl, nu, lv, uv, lp, up, cov;
    explicit results(int m) : q(m, -999), nl(m, -999), nu(m, -999), lv(m, -999), uv(m, -999), lp(m, -999),
                              up(m, -999), cov(m, -999) {}
    void attach(quantile_request* r) {
        r->quantiles = q.data();
        r->normal_lower = nl.data();
        r->normal_upper = nu.data();
        r->df_lower_value = lv.data();
        r->df_upper_value = uv.data();
        r->df_lower_position = lp.data();
        r->df_upper_position = up.data();
        r->df_coverage = cov.data();
    }
};

// Observations 2, 3, 3, 3, 5, 5, 7, 11, 11, 11.
sample_list reference_sample() { return sample_list({2, 3, 5, 7, 11}, {1, 3, 2, 1, 3}); }

TEST(FrequencyQuantiles, DefinitionsMatchTheExpandedSample) {
    const std::vector<double> p = {0, 0.1, 0.4, 0.45, 0.75, 1};
    const double expected[5][6] = {
        {2, 2, 3, 4, 9, 11},          // 1: weighted average at x(np)
        {2, 2, 3, 3, 11, 11},         // 2: nearest, ties to the even position
        {2, 2, 3, 5, 11, 11},         // 3: empirical distribution function
        {2, 2.1, 3.8, 4.9, 11, 11},   // 4: weighted average at x((n + 1)p)
        {2, 2.5, 4, 5, 11, 11},       // 5: empirical distribution function with averaging
    };
    for (int d = 1; d <= 5; ++d) {
        sample_list s = reference_sample();
        results out(6);
        quantile_request r{};
        r.m = 6;
        r.probabilities = p.data();
        out.attach(&r);
        ASSERT_EQ(zuniqnt(d, &s.summary, s.first(), &r), FQ_OK) << d;
        for (int i = 0; i < 6; ++i) EXPECT_NEAR(out.q[i], expected[d - 1][i], 1e-14) << d << " p " << p[i];
        EXPECT_EQ(out.nl[0], -999);   // no interval asked, nothing written
        EXPECT_EQ(s.nodes[2].previous, &s.nodes[1]);   // the walk links back
    }
}

TEST(FrequencyQuantiles, ModeAndDistinctValues) {
    struct Case {
        std::vector<double> values;
        std::vector<int> counts;
        int distinct, modes, largest;
        double mode;   // NaN: missing
    } cases[] = {
        {{4.5}, {10}, 1, 1, 10, 4.5},
        {{1, 2, 3}, {1, 1, 1}, 3, 0, 1, NAN},
        {{1, 2, 3, 4}, {2, 5, 5, 1}, 4, 2, 5, 2},   // the first value with the largest count
        {{7}, {1}, 1, 1, 1, 7},
    };
    for (const auto& c : cases) {
        sample_list s(c.values, c.counts);
        results out(1);
        const double p = 0.5;
        quantile_request r{};
        r.mode_wanted = 1;
        r.m = 1;
        r.probabilities = &p;
        out.attach(&r);
        ASSERT_EQ(zuniqnt(1, &s.summary, s.first(), &r), FQ_OK);
        EXPECT_EQ(r.distinct_values, c.distinct);
        EXPECT_EQ(r.mode_count, c.modes);
        EXPECT_EQ(r.largest_count, c.largest);
        EXPECT_EQ(r.last_node, &s.nodes.back());
        if (std::isnan(c.mode)) EXPECT_TRUE(qor::is_missing(r.mode));
        else EXPECT_EQ(r.mode, c.mode);
    }
    // Every quantile of a single repeated value is that value.
    sample_list one({4.5}, {10});
    const std::vector<double> p = {0, 0.3, 0.5, 1};
    results out(4);
    quantile_request r{};
    r.m = 4;
    r.probabilities = p.data();
    out.attach(&r);
    for (int d = 1; d <= 5; ++d) {
        ASSERT_EQ(zuniqnt(d, &one.summary, one.first(), &r), FQ_OK);
        for (double q : out.q) EXPECT_EQ(q, 4.5) << d;
    }
}

// The limits of each probability sit at the probability's own index, like its quantile, when the
// probabilities come out of order: 0.5 is taken second but lives at index 0.
TEST(FrequencyQuantiles, LimitsAtTheProbabilitysOwnIndex) {
    sample_list s = reference_sample();
    s.summary.mean = 10.0;   // a chosen normal summary makes the limits easy to read
    s.summary.std_dev = 2.0;
    const std::vector<double> p = {0.5, 0.9, 0.1};
    const std::vector<int32_t> order = {2, 0, 1};
    results out(3);
    quantile_request r{};
    r.m = 3;
    r.order = order.data();
    r.probabilities = p.data();
    r.normal_kind = NORMAL_CI_UPPER;
    r.normal_alpha = 0.05;
    r.df_kind = DFCI_TWO_SIDED;
    r.df_alpha = 0.05;
    out.attach(&r);
    ASSERT_EQ(zuniqnt(1, &s.summary, s.first(), &r), FQ_OK);
    EXPECT_EQ(out.q[0], 5.0);
    EXPECT_EQ(out.q[1], 11.0);
    EXPECT_EQ(out.q[2], 2.0);
    // p = 0.5: the t interval of the mean, t(0.95; 9) = 1.833113 (published tables).
    EXPECT_NEAR(out.nu[0], 10.0 + 2.0 * 1.8331129326536 / std::sqrt(10.0), 2e-6);
    // p = 0.9: the one-sided tolerance factor 2.35464 (reference script; tables give 2.355).
    EXPECT_NEAR(out.nu[1], 10.0 + 2.0 * 2.3546401318, 2e-5);
    // p = 0.1: x_0.1 = mean - z sd is bounded above by mean - sd t(0.05; 9, z sqrt 10) / sqrt 10.
    EXPECT_NEAR(out.nu[2], 10.0 - 2.0 * 0.7115709667, 2e-5);
    EXPECT_EQ(out.nl[0], -999);   // kind 2 writes the upper limits only
    // Distribution-free: p = 0.5 gives positions 2 and 9 (coverage P(2 <= B <= 8) = 0.978515625);
    // p = 0.9 and 0.1 reach at most P(1 <= B <= 9) = 1 - 0.9^10 - 0.1^10 with the whole sample.
    EXPECT_EQ(out.lp[0], 2.0);
    EXPECT_EQ(out.up[0], 9.0);
    EXPECT_NEAR(out.cov[0], 97.8515625, 1e-9);
    EXPECT_EQ(out.lv[0], 3.0);
    EXPECT_EQ(out.uv[0], 11.0);
    for (int k : {1, 2}) {
        EXPECT_EQ(out.lp[k], 1.0);
        EXPECT_EQ(out.up[k], 10.0);
        EXPECT_NEAR(out.cov[k], 100.0 * (1 - std::pow(0.9, 10) - 1e-10), 1e-9);
        EXPECT_EQ(out.lv[k], 2.0);
        EXPECT_EQ(out.uv[k], 11.0);
    }
}

TEST(FrequencyQuantiles, IntervalKindsAndSmallSamples) {
    sample_list s = reference_sample();
    const double p = 0.5;
    results out(1);
    quantile_request r{};
    r.m = 1;
    r.probabilities = &p;
    r.normal_kind = NORMAL_CI_BOTH;   // alpha split over both sides: t(0.975; 9) = 2.262157
    r.normal_alpha = 0.05;
    r.df_kind = DFCI_LOWER;
    r.df_alpha = 0.05;
    out.attach(&r);
    ASSERT_EQ(zuniqnt(1, &s.summary, s.first(), &r), FQ_OK);
    const double half = 2.2621571627982 * s.summary.std_dev / std::sqrt(10.0);
    EXPECT_NEAR(out.nl[0], s.summary.mean - half, 1e-5);
    EXPECT_NEAR(out.nu[0], s.summary.mean + half, 1e-5);
    // Lower bound: P(B >= 2) = 0.9892578125 at position 2; the upper value is not looked up.
    EXPECT_EQ(out.lp[0], 2.0);
    EXPECT_EQ(out.up[0], 10.0);
    EXPECT_NEAR(out.cov[0], 98.92578125, 1e-9);
    EXPECT_EQ(out.lv[0], 3.0);
    EXPECT_TRUE(qor::is_missing(out.uv[0]));
    // Positions and coverage only.
    r.df_kind = DFCI_POSITIONS;
    ASSERT_EQ(zuniqnt(1, &s.summary, s.first(), &r), FQ_OK);
    EXPECT_EQ(out.lp[0], 2.0);
    EXPECT_EQ(out.up[0], 9.0);
    EXPECT_TRUE(qor::is_missing(out.lv[0]) && qor::is_missing(out.uv[0]));
    // N = 1: no interval; the outputs are missing rather than stale.
    sample_list single({3}, {1});
    results one(1);
    one.attach(&r);
    ASSERT_EQ(zuniqnt(1, &single.summary, single.first(), &r), FQ_OK);
    EXPECT_EQ(one.q[0], 3.0);
    for (double v : {one.nl[0], one.nu[0], one.lp[0], one.up[0], one.cov[0], one.lv[0], one.uv[0]})
        EXPECT_TRUE(qor::is_missing(v));
    // The normal quantile has no limits at p = 0 or 1.
    const double ends[2] = {0.0, 1.0};
    results two(2);
    r.m = 2;
    r.probabilities = ends;
    r.df_kind = DFCI_NONE;
    two.attach(&r);
    ASSERT_EQ(zuniqnt(1, &s.summary, s.first(), &r), FQ_OK);
    EXPECT_EQ(two.q[0], 2.0);
    EXPECT_EQ(two.q[1], 11.0);
    EXPECT_TRUE(qor::is_missing(two.nl[0]) && qor::is_missing(two.nu[1]));
}

TEST(FrequencyQuantiles, WeightedDefinition) {
    // Weights 1, 1, 0, 2 (W = 4): at W p = 2 the quantile averages 2 with the next weighted value, 4.
    sample_list s({1, 2, 3, 4}, {1, 1, 1, 1}, {1, 1, 0, 2});
    const std::vector<double> p = {0.3, 0.5, 0.75, 1.0};
    results out(4);
    quantile_request r{};
    r.m = 4;
    r.probabilities = p.data();
    r.normal_kind = NORMAL_CI_LOWER;
    r.normal_alpha = 0.1;
    out.attach(&r);
    ASSERT_EQ(zuniqnt(6, &s.summary, s.first(), &r), FQ_OK);
    EXPECT_EQ(out.q[0], 2.0);
    EXPECT_EQ(out.q[1], 3.0);
    EXPECT_EQ(out.q[2], 4.0);
    EXPECT_EQ(out.q[3], 4.0);
    EXPECT_TRUE(qor::is_missing(out.nl[0]));   // no interval for the weighted definition
    s.summary.weight = qor::missing();
    EXPECT_EQ(zuniqnt(6, &s.summary, s.first(), &r), FQ_NO_WEIGHT);
    EXPECT_TRUE(qor::is_missing(out.q[0]));
}

TEST(FrequencyQuantiles, BadRequestsGetCodes) {
    sample_list s = reference_sample();
    std::vector<double> p = {0.2, 0.8};
    results out(2);
    quantile_request r{};
    r.m = 2;
    r.probabilities = p.data();
    out.attach(&r);
    EXPECT_EQ(zuniqnt(0, &s.summary, s.first(), &r), FQ_BAD_REQUEST);
    EXPECT_EQ(zuniqnt(7, &s.summary, s.first(), &r), FQ_BAD_REQUEST);
    EXPECT_EQ(zuniqnt(1, &s.summary, nullptr, &r), FQ_BAD_REQUEST);
    p = {0.8, 0.2};   // descending without an order: one walk cannot serve them
    EXPECT_EQ(zuniqnt(1, &s.summary, s.first(), &r), FQ_BAD_REQUEST);
    const std::vector<int32_t> repeated = {0, 0};
    r.order = repeated.data();
    EXPECT_EQ(zuniqnt(1, &s.summary, s.first(), &r), FQ_BAD_REQUEST);
    r.order = nullptr;
    p = {0.2, qor::missing()};
    EXPECT_EQ(zuniqnt(1, &s.summary, s.first(), &r), FQ_BAD_REQUEST);
    p = {0.2, 1.5};
    EXPECT_EQ(zuniqnt(1, &s.summary, s.first(), &r), FQ_BAD_REQUEST);
    p = {0.2, 0.8};
    r.df_kind = DFCI_TWO_SIDED;
    r.df_alpha = 0.7;
    EXPECT_EQ(zuniqnt(1, &s.summary, s.first(), &r), FQ_BAD_REQUEST);
    r.df_kind = DFCI_NONE;
    // A summary count above the list's observations: the walk stops at the end of the list.
    s.summary.count = 40;
    EXPECT_EQ(zuniqnt(1, &s.summary, s.first(), &r), FQ_SHORT_LIST);
    EXPECT_EQ(out.q[0], 11.0);   // position 8 of 40 is still inside the list
    EXPECT_TRUE(qor::is_missing(out.q[1]));
}

}  // namespace
