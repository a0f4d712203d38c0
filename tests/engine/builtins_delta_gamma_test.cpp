// _DGVAL run by a compiled program over a quadratic block of three factors: the value against
// V0 + g'd + d'Gd/2 evaluated here with the full symmetric matrix, V0 exactly when no factor
// moved, and missing for a missing or unusable factor.
#include <cmath>
#include <string>
#include <vector>

#include "engine/model/variables/variable_record.h"
#include "engine/run/run_storage.h"
#include "tests/engine/builtins_fixture.h"

class DeltaGammaBuiltinTest : public BuiltinCallTest {
protected:
    void SetUp() override {
        BuiltinCallTest::SetUp();
        const char* names[] = {"F1", "F2", "F3"};
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(declare(Declare(names[i]), &factors_[i]), 0) << log();
            saved_[i] = factors_[i]->value;
            factors_[i]->value = &values_[i];
            entries_[i].variable = factors_[i];
            entries_[i].offset = -1;
        }
        ASSERT_EQ(declare(Declare("QUAD"), &holder_), 0) << log();
        quad_.count = 3;
        quad_.capacity = 3;
        quad_.factors = entries_;
        quad_.deltas = deltas_;
        quad_.shifts = base_;
        quad_.gammas = gammas_;
        quad_.value = 100.0;
        holder_->run.buffers[0] = &quad_;
        reference_.object = holder_;
        handle_.references = &reference_;
        handle_.reference_count = 1;
    }
    void TearDown() override {
        for (int i = 0; i < 3; ++i)
            if (factors_[i] != nullptr) factors_[i]->value = saved_[i];
        if (holder_ != nullptr) holder_->run.buffers[0] = nullptr;
        handle_.references = nullptr;
        handle_.reference_count = 0;
        BuiltinCallTest::TearDown();
    }
    // V0 + g'd + d'Gd/2 with G the symmetric matrix of the packed lower triangle.
    double expansion() const {
        double G[3][3];
        int k = 0;
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j <= i; ++j) G[i][j] = G[j][i] = gammas_[k++];
        double d[3], v = quad_.value;
        for (int i = 0; i < 3; ++i) d[i] = values_[i] - base_[i];
        for (int i = 0; i < 3; ++i) v += deltas_[i] * d[i];
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) v += 0.5 * d[i] * G[i][j] * d[j];
        return v;
    }

    RSKVARIABLE* factors_[3] = {};
    RSKVARIABLE* holder_ = nullptr;
    void* saved_[3] = {};
    double values_[3] = {1.0, 2.0, 3.0};
    double base_[3] = {1.0, 2.0, 3.0};
    double deltas_[3] = {10.0, -4.0, 2.5};
    double gammas_[6] = {3.0, 0.5, -2.0, 1.25, 0.75, 6.0};   // G11; G21 G22; G31 G32 G33
    RSKQUADFACTOR entries_[3] = {};
    RSKQUADVALUE quad_{};
    RSKREFENTRY reference_{};
};

TEST_F(DeltaGammaBuiltinTest, ValueIsTheSecondOrderExpansion) {
    cmp_instance* instance = build({"x = _DGVAL(0, 1);"});
    ASSERT_NE(instance, nullptr) << log();
    const struct {
        const char* name;
        double x[3];
        bool missing;
    } rows[] = {
        {"no factor moved: V0 exactly", {1.0, 2.0, 3.0}, false},
        {"one factor moved", {1.1, 2.0, 3.0}, false},
        {"all moved", {0.9, 2.3, 2.6}, false},
        {"a move below the threshold keeps its delta only", {1.0 + 1e-15, 2.2, 3.0}, false},
        {"a missing factor", {1.0, qor::missing(), 3.0}, true},
        {"a factor at the bound", {1.0, 1.3407807929942597e152, 3.0}, true},
        {"a factor beyond the negative bound", {-1.4e152, 2.0, 3.0}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        for (int i = 0; i < 3; ++i) values_[i] = row.x[i];
        ASSERT_EQ(cmpfrun(instance, 1), CMP_RUN_OK) << log();
        const double got = *number(instance, "X");
        if (row.missing) {
            EXPECT_TRUE(qor::is_missing(got)) << got;
            continue;
        }
        const double expected = expansion();
        EXPECT_NEAR(got, expected, 1e-12 * std::fabs(expected));
    }
    for (int i = 0; i < 3; ++i) values_[i] = base_[i];
    ASSERT_EQ(cmpfrun(instance, 1), CMP_RUN_OK);
    EXPECT_EQ(*number(instance, "X"), 100.0);
}
