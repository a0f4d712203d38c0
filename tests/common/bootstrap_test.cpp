// Tests of the bootstrap: limits against an independent reimplementation of the resampling
// (tests/reference/bootstrap_reference.py), weights, studentized and nested kinds, the staging
// files and their sort, argument checks and failures part way through a run.
#include <gtest/gtest.h>
#include <dirent.h>

#include <cmath>
#include <cstring>
#include <set>
#include <vector>

#include "common/statistics/bootstrap.h"
#include "host/missing.h"

namespace {

const double MISSING = qor::missing();

// Records of `values` doubles held in memory, delivered through the source callbacks. With
// `point` the source points its record field at each record in turn instead of copying.
struct VectorSource {
    boot_iterator it{};
    std::vector<double> data;
    std::vector<double> weights;
    int32_t at = 0;
    bool point = false;
    int32_t fail_at = -1;   // `next` fails when asked for this record
    double buffer[4] = {};

    VectorSource(std::vector<double> d, int32_t values) : data(std::move(d)) {
        it.restart = restart;
        it.next = next;
        it.handle = this;
        it.record = buffer;
        it.values = values;
        it.record_bytes = 8 * values;
        it.records = static_cast<int32_t>(data.size()) / values;
    }
    void use_weights(std::vector<double> w, double total) {
        weights = std::move(w);
        it.total_weight = total;
        it.weight = weights.data();
    }
    static VectorSource* of(boot_iterator* it) { return static_cast<VectorSource*>(it->handle); }
    static int restart(boot_iterator* it) {
        VectorSource* s = of(it);
        s->at = 0;
        if (!s->weights.empty()) it->weight = s->weights.data();
        return 0;
    }
    static int next(boot_iterator* it) {
        VectorSource* s = of(it);
        if (s->at >= it->records || s->at == s->fail_at) return 1;
        double* rec = s->data.data() + static_cast<size_t>(s->at) * it->values;
        if (s->point)
            it->record = rec;
        else
            std::memcpy(it->record, rec, static_cast<size_t>(it->record_bytes));
        ++s->at;
        if (!s->weights.empty()) it->weight = s->weights.data() + s->at;
        return 0;
    }
};

// Reads the whole resample: value 0 of every record.
std::vector<double> read_all(boot_iterator* data) {
    std::vector<double> xs;
    if (data->restart(data) != 0) return xs;
    for (int32_t i = 0; i < data->records; ++i) {
        if (data->next(data) != 0) return {};
        xs.push_back(data->record[0]);
    }
    return xs;
}

double mean_of(const std::vector<double>& xs) {
    double s = 0.0;
    for (double x : xs) s += x;
    return s / static_cast<double>(xs.size());
}

int mean_statistic(boot_iterator* data, void*, double* stat, double*) {
    std::vector<double> xs = read_all(data);
    if (xs.empty()) return 1;
    stat[0] = mean_of(xs);
    return 0;
}

// Mean and its standard error s / sqrt(N).
int mean_se_statistic(boot_iterator* data, void*, double* stat, double* se) {
    std::vector<double> xs = read_all(data);
    if (xs.size() < 2) return 1;
    double m = mean_of(xs), ss = 0.0;
    for (double x : xs) ss += (x - m) * (x - m);
    stat[0] = m;
    se[0] = std::sqrt(ss / static_cast<double>(xs.size() - 1)) / std::sqrt(static_cast<double>(xs.size()));
    return 0;
}

// Mean with a standard error fixed by the context.
int mean_known_se_statistic(boot_iterator* data, void* context, double* stat, double* se) {
    int rc = mean_statistic(data, nullptr, stat, nullptr);
    se[0] = *static_cast<double*>(context);
    return rc;
}

int failing_statistic(boot_iterator*, void*, double*, double*) { return 7; }

boot_control ten_value_control(VectorSource& src, int32_t B, std::vector<double> levels) {
    boot_control c{};
    c.kind = BOOT_PERCENTILE;
    c.replications = B;
    c.n = 1;
    c.m = static_cast<int32_t>(levels.size());
    for (size_t j = 0; j < levels.size(); ++j) c.levels[j] = levels[j];
    c.source = &src.it;
    c.statistic = mean_statistic;
    return c;
}

std::vector<double> one_to_ten() {
    std::vector<double> d;
    for (int i = 1; i <= 10; ++i) d.push_back(i);
    return d;
}

int open_descriptors() {
    int count = 0;
    DIR* d = opendir("/proc/self/fd");
    if (!d) return -1;
    while (readdir(d)) ++count;
    closedir(d);
    return count;
}

uint64_t bits(double x) {
    uint64_t b;
    std::memcpy(&b, &x, 8);
    return b;
}

}  // namespace

TEST(Bootstrap, PercentileLimitsOfTenValuesMatchReference) {
    VectorSource src(one_to_ten(), 1);
    boot_control c = ten_value_control(src, 1000, {0.025, 0.975});
    double pair[2] = {0, 0};
    c.interval = pair;
    ASSERT_EQ(zbooti(&c), 0);
    EXPECT_EQ(c.seed, 123456);
    ASSERT_EQ(zboot(&c), 0);
    EXPECT_EQ(c.record_numbers[0], 25);
    EXPECT_EQ(c.record_numbers[1], 975);
    EXPECT_DOUBLE_EQ(c.output[0], 3.7);
    EXPECT_DOUBLE_EQ(c.output[1], 7.4);
    EXPECT_LT(c.output[0], 5.5);
    EXPECT_GT(c.output[1], 5.5);
    EXPECT_EQ(c.seed, 133097795);   // the generator advanced exactly as the reference did
    EXPECT_EQ(pair[0], c.output[0]);
    EXPECT_EQ(pair[1], c.output[1]);
    EXPECT_EQ(zbootf(&c), 0);
    EXPECT_EQ(c.pool, nullptr);
    EXPECT_EQ(c.source, nullptr);
}

TEST(Bootstrap, SeedZeroIsSeed123456BitForBitAndRunsContinueTheSequence) {
    VectorSource a(one_to_ten(), 1), b(one_to_ten(), 1);
    boot_control ca = ten_value_control(a, 200, {0.1, 0.5, 0.9});
    boot_control cb = ten_value_control(b, 200, {0.1, 0.5, 0.9});
    cb.seed = 123456;
    ASSERT_EQ(zbooti(&ca), 0);
    ASSERT_EQ(zbooti(&cb), 0);
    ASSERT_EQ(zboot(&ca), 0);
    ASSERT_EQ(zboot(&cb), 0);
    for (int j = 0; j < 3; ++j) EXPECT_EQ(bits(ca.output[j]), bits(cb.output[j])) << j;
    EXPECT_EQ(ca.seed, cb.seed);
    // A second run starts where the first left the generator.
    int32_t after_first = ca.seed;
    ASSERT_EQ(zboot(&ca), 0);
    EXPECT_NE(ca.seed, after_first);
    zbootf(&ca);
    zbootf(&cb);
}

TEST(Bootstrap, TooFewReplicatesForALevelLeaveItMissing) {
    VectorSource src(one_to_ten(), 1);
    boot_control c = ten_value_control(src, 20, {0.025, 0.5});
    ASSERT_EQ(zbooti(&c), 0);
    ASSERT_EQ(zboot(&c), 0);
    EXPECT_EQ(c.record_numbers[0], 0);
    EXPECT_EQ(bits(c.output[0]), bits(MISSING));
    EXPECT_EQ(c.record_numbers[1], 10);
    EXPECT_FALSE(std::isnan(c.output[1]));
    zbootf(&c);
}

TEST(Bootstrap, StudentizedLimitsMatchReference) {
    VectorSource src(one_to_ten(), 1);
    boot_control c = ten_value_control(src, 1000, {0.025, 0.975});
    double centre = 5.5, scale = 0.9574271077563381;
    c.kind = BOOT_STUDENT_SE;
    c.statistic = mean_se_statistic;
    c.centre = &centre;
    c.scale = &scale;
    ASSERT_EQ(zbooti(&c), 0);
    ASSERT_EQ(zboot(&c), 0);
    EXPECT_NEAR(c.output[0], 3.446040409355627, 1e-12);
    EXPECT_NEAR(c.output[1], 7.806312846811641, 1e-12);
    zbootf(&c);
}

// With a known standard error sigma the studentized limit is centre + scale (q - centre) / sigma,
// where q is the percentile limit of the same resamples.
TEST(Bootstrap, StudentizedWithKnownStandardErrorRescalesThePercentileLimits) {
    VectorSource p(one_to_ten(), 1);
    boot_control pc = ten_value_control(p, 1000, {0.025, 0.975});
    ASSERT_EQ(zbooti(&pc), 0);
    ASSERT_EQ(zboot(&pc), 0);
    for (double factor : {1.0, 2.5}) {
        VectorSource s(one_to_ten(), 1);
        boot_control sc = ten_value_control(s, 1000, {0.025, 0.975});
        double sigma = 0.8, centre = 5.5, scale = factor * sigma;
        sc.kind = BOOT_STUDENT_SE;
        sc.statistic = mean_known_se_statistic;
        sc.context = &sigma;
        sc.centre = &centre;
        sc.scale = &scale;
        ASSERT_EQ(zbooti(&sc), 0);
        ASSERT_EQ(zboot(&sc), 0);
        for (int j = 0; j < 2; ++j)
            EXPECT_NEAR(sc.output[j], centre + factor * (pc.output[j] - centre), 1e-12) << factor << " " << j;
        zbootf(&sc);
    }
    zbootf(&pc);
}

TEST(Bootstrap, StandardErrorNotAboveZeroStopsWithFive) {
    for (double sigma : {0.0, -1.0, MISSING}) {
        VectorSource src(one_to_ten(), 1);
        boot_control c = ten_value_control(src, 50, {0.025, 0.975});
        double centre = 5.5, scale = 1.0;
        c.kind = BOOT_STUDENT_SE;
        c.statistic = mean_known_se_statistic;
        c.context = &sigma;
        c.centre = &centre;
        c.scale = &scale;
        ASSERT_EQ(zbooti(&c), 0);
        EXPECT_EQ(zboot(&c), BOOT_BAD_STD_ERROR) << sigma;
        EXPECT_EQ(bits(c.output[0]), bits(MISSING));
        zbootf(&c);
    }
}

TEST(Bootstrap, NestedKindThreeGivesMeanAndStandardErrorOfTheReplicates) {
    VectorSource src(one_to_ten(), 1);
    boot_control c = ten_value_control(src, 1000, {0.5});
    double centre = 0.0;
    c.kind = BOOT_SE_ONLY;
    c.centre = &centre;
    ASSERT_EQ(zbooti(&c), 0);
    ASSERT_EQ(zboot(&c), 0);
    EXPECT_NEAR(centre, 5.538699999999993, 1e-12);
    EXPECT_NEAR(c.std_errors[0], 0.9161504470563998, 1e-12);
    EXPECT_EQ(bits(c.output[0]), bits(MISSING));   // kind 3 gives no limits
    zbootf(&c);
}

namespace {

// Records (value, index). The statistic checks each resample: N records, copies of one
// observation next to each other in source order, no copies of the indices in `never`.
struct ResampleCheck {
    std::set<int> never;
    int bad = 0;
    int resamples = 0;
    std::vector<int> last_indices;
};

int checked_mean_max(boot_iterator* data, void* context, double* stat) {
    auto* check = static_cast<ResampleCheck*>(context);
    if (data->restart(data) != 0) return 1;
    double sum = 0, top = -INFINITY;
    int previous = -1;
    check->last_indices.clear();
    for (int32_t i = 0; i < data->records; ++i) {
        if (data->next(data) != 0) return 1;
        int index = static_cast<int>(data->record[1]);
        if (index < previous || check->never.count(index)) ++check->bad;
        previous = index;
        check->last_indices.push_back(index);
        sum += data->record[0];
        top = std::max(top, data->record[0]);
    }
    ++check->resamples;
    stat[0] = sum / data->records;
    stat[1] = top;
    return 0;
}

std::vector<double> value_index_records(int N, double (*value)(int)) {
    std::vector<double> d;
    for (int i = 0; i < N; ++i) {
        d.push_back(value(i));
        d.push_back(i);
    }
    return d;
}

}  // namespace

TEST(Bootstrap, WeightedResamplesMatchReferenceAndSkipUnusableWeights) {
    const int N = 60;
    VectorSource src(value_index_records(N, [](int i) { return 0.5 * i + (i % 7 == 0 ? 3.0 : 0.0); }), 2);
    std::vector<double> w(N, 1.0);
    w[0] = 100.0;   // heavy enough for the normal approximation of the first draw
    w[5] = -1.0;
    w[7] = MISSING;
    src.use_weights(w, 157.0);
    ResampleCheck check;
    check.never = {5, 7};
    boot_control c{};
    c.replications = 50;
    c.n = 2;
    c.m = 3;
    c.levels[0] = 0.1;
    c.levels[1] = 0.5;
    c.levels[2] = 0.9;
    c.source = &src.it;
    c.statistic3 = checked_mean_max;   // the three-argument form
    c.context = &check;
    c.seed = 987;
    double pairs[4];
    c.interval = pairs;
    ASSERT_EQ(zbooti(&c), 0);
    ASSERT_EQ(zboot(&c), 0);
    const double expected[] = {6.258333333333334, 26.0, 7.616666666666666, 29.0, 8.65, 31.0};
    for (int k = 0; k < 6; ++k) EXPECT_NEAR(c.output[k], expected[k], 1e-12) << k;
    EXPECT_EQ(c.seed, 2100237985);
    EXPECT_EQ(check.resamples, 50);
    EXPECT_EQ(check.bad, 0);
    // One pair (first level, last level) per statistic.
    EXPECT_EQ(pairs[0], c.output[0]);
    EXPECT_EQ(pairs[1], c.output[4]);
    EXPECT_EQ(pairs[2], c.output[1]);
    EXPECT_EQ(pairs[3], c.output[5]);
    zbootf(&c);
}

TEST(Bootstrap, TheLastObservationTakesWhatIsLeft) {
    const int N = 8;
    VectorSource src(value_index_records(N, [](int i) { return 1.0 * i; }), 2);
    src.use_weights(std::vector<double>(N, MISSING), 0.0);
    ResampleCheck check;
    boot_control c{};
    c.replications = 3;
    c.n = 2;
    c.m = 1;
    c.levels[0] = 0.5;
    c.source = &src.it;
    c.statistic3 = checked_mean_max;
    c.context = &check;
    ASSERT_EQ(zbooti(&c), 0);
    ASSERT_EQ(zboot(&c), 0);
    EXPECT_EQ(check.last_indices, std::vector<int>(N, N - 1));
    zbootf(&c);
}

TEST(Bootstrap, ManyRecordsCrossStagingBlocksAndMatchReference) {
    const int N = 3000;
    VectorSource src(value_index_records(N, [](int i) { return (i % 97) * 1.5 + i / 3000.0; }), 2);
    ResampleCheck check;
    boot_control c{};
    c.replications = 30;
    c.n = 2;
    c.m = 2;
    c.levels[0] = 0.1;
    c.levels[1] = 0.9;
    c.source = &src.it;
    c.statistic3 = checked_mean_max;
    c.context = &check;
    c.seed = 4242;
    ASSERT_EQ(zbooti(&c), 0);
    ASSERT_EQ(zboot(&c), 0);
    EXPECT_NEAR(c.output[0], 71.64662500000007, 1e-9);
    EXPECT_NEAR(c.output[2], 73.63970522222219, 1e-9);
    EXPECT_EQ(check.bad, 0);
    EXPECT_EQ(check.last_indices.size(), static_cast<size_t>(N));
    zbootf(&c);
}

TEST(Bootstrap, ManyReplicatesAreSortedAcrossWindowsAndMatchReference) {
    VectorSource src({2.0, 3.5, -1.0, 8.0, 0.25}, 1);
    boot_control c = ten_value_control(src, 2500, {0.025, 0.5, 0.975});
    c.seed = 77;
    ASSERT_EQ(zbooti(&c), 0);
    ASSERT_EQ(zboot(&c), 0);
    EXPECT_NEAR(c.output[0], 0.1, 1e-12);
    EXPECT_NEAR(c.output[1], 2.55, 1e-12);
    EXPECT_NEAR(c.output[2], 5.55, 1e-12);
    zbootf(&c);
}

// A source that points its record field at the caller's values (rather than filling a buffer)
// works, and reading the resamples back never writes into the caller's values.
TEST(Bootstrap, PointingSourceKeepsTheCallersValues) {
    VectorSource src(one_to_ten(), 1);
    src.point = true;
    boot_control c = ten_value_control(src, 1000, {0.025, 0.975});
    ASSERT_EQ(zbooti(&c), 0);
    ASSERT_EQ(zboot(&c), 0);
    EXPECT_DOUBLE_EQ(c.output[0], 3.7);
    EXPECT_DOUBLE_EQ(c.output[1], 7.4);
    EXPECT_EQ(src.data, one_to_ten());
    zbootf(&c);
}

namespace {

// Mean of the resample. Remembers the indices of each outer resample and counts inner
// resamples holding a value that the outer resample did not.
struct NestedCheck {
    boot_control* outer = nullptr;
    std::set<double> outer_values;
    int inner_calls = 0;
    int foreign = 0;
};

int nested_mean(boot_iterator* data, void* context, double* stat, double*) {
    auto* check = static_cast<NestedCheck*>(context);
    std::vector<double> xs = read_all(data);
    if (xs.empty()) return 1;
    if (data == check->outer->staging) {
        check->outer_values = std::set<double>(xs.begin(), xs.end());
    } else {
        ++check->inner_calls;
        for (double x : xs) check->foreign += check->outer_values.count(x) == 0;
    }
    stat[0] = mean_of(xs);
    return 0;
}

std::vector<double> shifted(std::vector<double> d, double by) {
    for (double& x : d) x += by;
    return d;
}

}  // namespace

TEST(Bootstrap, NestedBootstrapResamplesTheOuterResample) {
    VectorSource src(one_to_ten(), 1);
    boot_control c = ten_value_control(src, 40, {0.05, 0.95});
    NestedCheck check;
    check.outer = &c;
    double centre = 5.5, scale = 0.0;
    c.kind = BOOT_STUDENT_NESTED;
    c.inner_replications = 25;
    c.statistic = nested_mean;
    c.context = &check;
    c.centre = &centre;
    c.scale = &scale;
    ASSERT_EQ(zbooti(&c), 0);
    ASSERT_NE(c.nested, nullptr);
    EXPECT_EQ(c.nested->source, c.staging);
    ASSERT_EQ(zboot(&c), 0);
    EXPECT_EQ(check.inner_calls, 40 * 25);
    EXPECT_EQ(check.foreign, 0);
    EXPECT_GT(scale, 0.0);
    EXPECT_LT(c.output[0], c.output[1]);
    zbootf(&c);
}

// The studentized limits follow the data: shifting every value shifts the limits and leaves the
// bootstrap standard error alone (it is the spread of the replicate statistics, not of the
// studentized values).
TEST(Bootstrap, NestedLimitsShiftWithTheData) {
    double limits[2][2], scales[2];
    for (int run = 0; run < 2; ++run) {
        double by = run == 0 ? 0.0 : 1000.0;
        VectorSource src(shifted(one_to_ten(), by), 1);
        boot_control c = ten_value_control(src, 60, {0.05, 0.95});
        double centre = 5.5 + by;
        c.kind = BOOT_STUDENT_NESTED;
        c.inner_replications = 30;
        c.centre = &centre;
        c.scale = &scales[run];
        c.seed = 31337;
        ASSERT_EQ(zbooti(&c), 0);
        ASSERT_EQ(zboot(&c), 0);
        limits[run][0] = c.output[0];
        limits[run][1] = c.output[1];
        zbootf(&c);
    }
    EXPECT_NEAR(scales[1], scales[0], 1e-9);
    EXPECT_GT(scales[0], 0.3);
    EXPECT_LT(scales[0], 2.0);
    EXPECT_NEAR(limits[1][0], limits[0][0] + 1000.0, 1e-9);
    EXPECT_NEAR(limits[1][1], limits[0][1] + 1000.0, 1e-9);
}

TEST(Bootstrap, ReleaseClosesAllFourStagingFiles) {
    int before = open_descriptors();
    VectorSource src(one_to_ten(), 1);
    boot_control c = ten_value_control(src, 5, {0.5});
    double centre = 5.5, scale = 0.0;
    c.kind = BOOT_STUDENT_NESTED;
    c.inner_replications = 3;
    c.centre = &centre;
    c.scale = &scale;
    ASSERT_EQ(zbooti(&c), 0);
    EXPECT_EQ(open_descriptors(), before + 4);
    ASSERT_EQ(zboot(&c), 0);
    EXPECT_EQ(zbootf(&c), 0);
    EXPECT_EQ(open_descriptors(), before);
}

TEST(Bootstrap, SetUpRefusesBadRecords) {
    struct Case {
        const char* what;
        void (*spoil)(boot_control&, VectorSource&);
    };
    const Case cases[] = {
        {"no statistics", [](boot_control& c, VectorSource&) { c.n = 0; }},
        {"too many statistics", [](boot_control& c, VectorSource&) { c.n = 1 << 21; }},
        {"no levels", [](boot_control& c, VectorSource&) { c.m = 0; }},
        {"eleven levels", [](boot_control& c, VectorSource&) { c.m = 11; }},
        {"kind 4", [](boot_control& c, VectorSource&) { c.kind = 4; }},
        {"no replicates", [](boot_control& c, VectorSource&) { c.replications = 0; }},
        {"level 0", [](boot_control& c, VectorSource&) { c.levels[0] = 0.0; }},
        {"level 1", [](boot_control& c, VectorSource&) { c.levels[1] = 1.0; }},
        {"missing level", [](boot_control& c, VectorSource&) { c.levels[0] = qor::missing(); }},
        {"no source", [](boot_control& c, VectorSource&) { c.source = nullptr; }},
        {"empty source", [](boot_control&, VectorSource& s) { s.it.records = 0; }},
        {"source without next", [](boot_control&, VectorSource& s) { s.it.next = nullptr; }},
        {"no statistic", [](boot_control& c, VectorSource&) { c.statistic = nullptr; }},
        {"kind 1 without standard errors",
         [](boot_control& c, VectorSource&) {
             c.kind = BOOT_STUDENT_SE;
             c.statistic = nullptr;
             c.statistic3 = checked_mean_max;
         }},
        {"kind 1 without centre", [](boot_control& c, VectorSource&) { c.kind = BOOT_STUDENT_SE; }},
        {"kind 2 with one inner replicate",
         [](boot_control& c, VectorSource&) {
             static double centre, scale;
             c.kind = BOOT_STUDENT_NESTED;
             c.centre = &centre;
             c.scale = &scale;
             c.inner_replications = 1;
         }},
        {"kind 3 with one replicate",
         [](boot_control& c, VectorSource&) {
             static double centre;
             c.kind = BOOT_SE_ONLY;
             c.centre = &centre;
             c.replications = 1;
         }},
    };
    int before = open_descriptors();
    for (const Case& k : cases) {
        VectorSource src(one_to_ten(), 1);
        boot_control c = ten_value_control(src, 100, {0.025, 0.975});
        k.spoil(c, src);
        EXPECT_EQ(zbooti(&c), BOOT_BAD_ARGUMENT) << k.what;
        EXPECT_EQ(c.pool, nullptr) << k.what;
        EXPECT_EQ(zboot(&c), BOOT_BAD_ARGUMENT) << k.what;
        EXPECT_EQ(zbootf(&c), 0);
    }
    EXPECT_EQ(open_descriptors(), before);
    EXPECT_EQ(zbooti(nullptr), BOOT_BAD_ARGUMENT);
    EXPECT_EQ(zboot(nullptr), BOOT_BAD_ARGUMENT);
    EXPECT_EQ(zbootf(nullptr), 0);
}

TEST(Bootstrap, SetUpOutOfMemoryLeavesNothingBehind) {
    int before = open_descriptors();
    int refused = 0;
    for (long nth = 1; nth <= 30; ++nth) {
        VectorSource src(one_to_ten(), 1);
        boot_control c = ten_value_control(src, 10, {0.5});
        double centre = 5.5, scale = 0.0;
        c.kind = BOOT_STUDENT_NESTED;
        c.inner_replications = 3;
        c.centre = &centre;
        c.scale = &scale;
        qor_pool_fail_nth(nth);
        int rc = zbooti(&c);
        qor_pool_fail_nth(0);
        if (rc == 0) {
            EXPECT_EQ(zboot(&c), 0) << nth;
            zbootf(&c);
            continue;
        }
        ++refused;
        EXPECT_EQ(rc, BOOT_NO_MEMORY) << nth;
        EXPECT_EQ(c.pool, nullptr) << nth;
        EXPECT_EQ(open_descriptors(), before) << nth;
    }
    EXPECT_GE(refused, 18);   // every allocation of the set-up, the nested record's included
}

TEST(Bootstrap, FailuresPartWayLeaveNoStaleLimits) {
    VectorSource src(one_to_ten(), 1);
    boot_control c = ten_value_control(src, 100, {0.025, 0.975});
    double pair[2];
    c.interval = pair;
    ASSERT_EQ(zbooti(&c), 0);
    ASSERT_EQ(zboot(&c), 0);
    ASSERT_FALSE(std::isnan(c.output[0]));
    src.fail_at = 4;
    EXPECT_EQ(zboot(&c), BOOT_IO);
    EXPECT_EQ(bits(c.output[0]), bits(MISSING));
    EXPECT_EQ(bits(c.output[1]), bits(MISSING));
    EXPECT_EQ(bits(pair[0]), bits(MISSING));
    src.fail_at = -1;
    c.statistic = failing_statistic;
    EXPECT_EQ(zboot(&c), BOOT_STATISTIC);
    // A source grown beyond the staging blocks' record size is refused, not overrun.
    c.statistic = mean_statistic;
    src.it.values = 3;
    src.it.record_bytes = 24;
    EXPECT_EQ(zboot(&c), BOOT_BAD_ARGUMENT);
    zbootf(&c);
}

TEST(BootstrapStaging, WritesReadsAndSortsEachValuePositionAcrossWindows) {
    qor_pool* pool = xmpoolc(16384, 16384, 0);
    boot_iterator it{};
    it.values = 2;
    ASSERT_EQ(init_iter(&it, pool), 0);
    const int R = 2600;   // three windows and a partial block
    ASSERT_EQ(it.wrestart(&it), 0);
    for (int r = 0; r < R; ++r) {
        it.record[0] = static_cast<double>((r * 7919) % R);   // a permutation of 0 .. R-1
        it.record[1] = r % 5 == 0 ? qor::make_missing(r % 10 == 0 ? 'A' : 0) : -r;
        ASSERT_EQ(it.wnext(&it), 0);
    }
    ASSERT_EQ(it.wend(&it), 0);
    EXPECT_EQ(it.records, R);
    ASSERT_EQ(boot::sort(&it), 0);
    ASSERT_EQ(it.restart(&it), 0);
    double previous = -INFINITY;
    int missing_seen = 0;
    for (int r = 0; r < R; ++r) {
        ASSERT_EQ(it.next(&it), 0) << r;
        EXPECT_EQ(it.record[0], r);   // sorted permutation
        if (r < R / 5) {
            // Missing values first: '.' (260 of them) before '.A' (260).
            ASSERT_TRUE(qor::is_missing(it.record[1])) << r;
            EXPECT_EQ(qor::missing_code(it.record[1]), r < R / 10 ? 0 : 'A') << r;
            ++missing_seen;
        } else {
            EXPECT_GE(it.record[1], previous) << r;
            previous = it.record[1];
        }
    }
    EXPECT_EQ(missing_seen, R / 5);
    EXPECT_NE(it.next(&it), 0);   // nothing past the last record
    ASSERT_EQ(boot::read_at(&it, 1), 0);
    EXPECT_EQ(it.record[0], 0.0);
    EXPECT_NE(boot::read_at(&it, R + 1), 0);
    EXPECT_NE(boot::read_at(&it, 0), 0);
    EXPECT_EQ(close_iter(&it), 0);
    EXPECT_EQ(it.restart(&it), static_cast<int>(QOR_C_NULL));
    boot_iterator bad{};
    EXPECT_EQ(init_iter(&bad, pool), 1);   // no values per record
    EXPECT_EQ(init_iter(nullptr, pool), 1);
    xmpoold(pool);
}

TEST(BootstrapBinomial, EdgesAndBadParameters) {
    boot_binomial_cache cache{};
    int32_t seed = 123456;
    struct Case {
        int32_t n;
        double p;
        double expected;   // NaN: the missing value
    };
    const Case cases[] = {
        {10, 0.0, 0.0}, {10, 1.0, 10.0}, {0, 0.3, 0.0}, {200, 1.0, 200.0},
        {-1, 0.5, NAN}, {10, -0.1, NAN}, {10, 1.5, NAN}, {10, NAN, NAN},
    };
    for (const Case& k : cases) {
        double v = ranbin(&seed, k.n, k.p, &cache);
        if (std::isnan(k.expected))
            EXPECT_EQ(bits(v), bits(MISSING)) << k.n << " " << k.p;
        else
            EXPECT_EQ(v, k.expected) << k.n << " " << k.p;
    }
    // Both methods give draws within 0 .. n whose mean is near n p.
    for (double p : {0.02, 0.3, 0.7, 0.98}) {
        double sum = 0;
        const int draws = 4000, n = 400;
        for (int i = 0; i < draws; ++i) {
            double k = ranbin(&seed, n, p, &cache);
            ASSERT_TRUE(k >= 0 && k <= n);
            sum += k;
        }
        double sd_of_mean = std::sqrt(n * p * (1 - p) / draws);
        EXPECT_NEAR(sum / draws, n * p, 5 * sd_of_mean) << p;
    }
    // States the generator cannot leave give the missing value instead of looping.
    for (int32_t stuck : {0, 2147483647, INT32_MIN}) {
        int32_t s = stuck;
        EXPECT_EQ(bits(ranbin(&s, 400, 0.5, &cache)), bits(MISSING)) << stuck;
    }
}
