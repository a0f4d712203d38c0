// _LINTRANS and SET_DER run by compiled programs: a transformation's outputs against the sums
// worked here, a missing coefficient or scale touching only its output; derivative deposits in
// the base state, accumulation from the initial value, refused point numbers and runs that do
// not collect derivatives.
#include <cmath>
#include <string>
#include <vector>

#include "engine/compiler/dependencies.h"
#include "engine/model/arrays/arrays.h"
#include "engine/model/parameters/parameter_matrices.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/run_block.h"
#include "tests/engine/builtins_fixture.h"

class LinearTransformationTest : public BuiltinCallTest {
protected:
    void SetUp() override {
        BuiltinCallTest::SetUp();
        const char* names[] = {"X1", "X2", "Y1", "Y2", "Y3"};
        for (int i = 0; i < 5; ++i) {
            ASSERT_EQ(declare(Declare(names[i]), &variables_[i]), 0) << log();
            variables_[i]->value = &values_[i];
        }
        matrix_.rows.count = 2;      // the inputs X1, X2
        matrix_.columns.count = 3;   // the outputs Y1, Y2, Y3
        matrix_.values = coefficients_;
        matrix_.means = offsets_;
        matrix_.deviations = scales_;
        transformation_.inputs = variables_;
        transformation_.input_count = 2;
        transformation_.outputs = variables_ + 2;
        transformation_.output_count = 3;
        transformation_.matrix = &matrix_;
        reference_.object = &transformation_;
        handle_.references = &reference_;
        handle_.reference_count = 1;
    }
    void TearDown() override {
        for (RSKVARIABLE* v : variables_)
            if (v != nullptr) v->value = nullptr;
        handle_.references = nullptr;
        handle_.reference_count = 0;
        BuiltinCallTest::TearDown();
    }

    RSKVARIABLE* variables_[5] = {};
    double values_[5] = {};
    double coefficients_[6] = {};    // row j: input j's coefficients for Y1, Y2, Y3
    double offsets_[3] = {};
    double scales_[3] = {};
    RSKPARMATRIX matrix_{};
    RSKLINTRANS transformation_{};
    RSKREFENTRY reference_{};
};

TEST_F(LinearTransformationTest, OutputsAreTheScaledSumsAndMissingValuesStayInTheirColumn) {
    cmp_instance* instance = build({"call _LINTRANS(0);"});
    ASSERT_NE(instance, nullptr) << log();
    const double m = qor::missing();
    const struct {
        const char* name;
        double x[2];
        double a[6];
        double offsets[3], scales[3];
        double expected[3];
    } rows[] = {
        {"plain", {2, -1}, {1, 0.5, -3, 4, 2, 0.25}, {0, 0, 0}, {1, 1, 1}, {2 - 4, 1 - 2, -6 - 0.25}},
        // Offsets and scales come after the sum: (x'A_i) S_i + O_i.
        {"offset and scale", {2, -1}, {1, 0.5, -3, 4, 2, 0.25}, {10, -1, 0.5}, {2, 3, -1}, {-2 * 2 + 10, -1 * 3 - 1, -6.25 * -1 + 0.5}},
        {"a missing coefficient", {2, -1}, {1, m, -3, 4, 2, 0.25}, {0, 0, 0}, {1, 1, 1}, {-2, m, -6.25}},
        {"a missing scale", {2, -1}, {1, 0.5, -3, 4, 2, 0.25}, {0, 0, 0}, {1, 1, m}, {-2, -1, m}},
        {"a missing input", {m, -1}, {1, 0.5, -3, 4, 2, 0.25}, {0, 0, 0}, {1, 1, 1}, {m, m, m}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        values_[0] = row.x[0];
        values_[1] = row.x[1];
        for (int i = 0; i < 6; ++i) coefficients_[i] = row.a[i];
        for (int i = 0; i < 3; ++i) {
            offsets_[i] = row.offsets[i];
            scales_[i] = row.scales[i];
            values_[2 + i] = 99;
        }
        ASSERT_EQ(cmpfrun(instance, 1), CMP_RUN_OK) << log();
        for (int i = 0; i < 3; ++i) {
            if (qor::is_missing(row.expected[i]))
                EXPECT_TRUE(qor::is_missing(values_[2 + i])) << i << " " << values_[2 + i];
            else
                EXPECT_DOUBLE_EQ(values_[2 + i], row.expected[i]) << i;
        }
    }
}

TEST_F(LinearTransformationTest, AnOutputThatIsAlsoAnInputUsesTheValueBeforeTheCall) {
    // The outputs are X1, X2 and Y1: X2' and Y1 read X1 as it was before X1' was stored.
    transformation_.outputs = variables_;
    values_[0] = 3;
    values_[1] = 4;
    const double a[6] = {1, 1, 1, 1, 1, 0};   // X1' = X1 + X2, X2' = X1 + X2, Y1 = X1
    for (int i = 0; i < 6; ++i) coefficients_[i] = a[i];
    for (int i = 0; i < 3; ++i) {
        offsets_[i] = 0;
        scales_[i] = 1;
    }
    cmp_instance* instance = build({"call _LINTRANS(0);"});
    ASSERT_NE(instance, nullptr) << log();
    ASSERT_EQ(cmpfrun(instance, 1), CMP_RUN_OK) << log();
    EXPECT_EQ(values_[0], 7.0);
    EXPECT_EQ(values_[1], 7.0);
    EXPECT_EQ(values_[2], 3.0);
}

class DerivativeTest : public BuiltinCallTest {
protected:
    void SetUp() override {
        BuiltinCallTest::SetUp();
        const char* points[] = {"T1", "T2", "T5", "T10"};
        const double years[] = {1, 2, 5, 10};
        for (int i = 0; i < 4; ++i)
            ASSERT_EQ(declare(Declare(points[i], RSKVKIND_FACTOR, 1, 321).maturity(years[i]).currency("USD")), 0) << log();
        ASSERT_EQ(declare(Declare("USD", RSKVKIND_FACTOR, RSKDTYPE_ARRAY, 321).currency("USD"), &curve_), 0) << log();
        for (const char* p : points) ASSERT_EQ(rskarya(con, curve_, p, -1), 0) << log();
        ASSERT_EQ(rebuild(), 0) << log();
        for (int i = 0; i < 4; ++i) {
            ASSERT_NE(curve_->elements[i], nullptr);
            curve_->elements[i]->method_delta = &first_[i];
            curve_->elements[i]->method_gamma = &second_[i];
        }
        std::memset(&con->run_block->builtins, 0, sizeof con->run_block->builtins);
    }
    void TearDown() override {
        if (curve_ != nullptr && curve_->elements != nullptr)
            for (int i = 0; i < 4; ++i)
                if (curve_->elements[i] != nullptr) curve_->elements[i]->method_delta = curve_->elements[i]->method_gamma = nullptr;
        BuiltinCallTest::TearDown();
    }
    void reset() {
        for (int i = 0; i < 4; ++i) first_[i] = second_[i] = rskder_initial();
    }

    RSKVARIABLE* curve_ = nullptr;
    double first_[4] = {}, second_[4] = {};
};

TEST_F(DerivativeTest, DepositsInTheBaseState) {
    const struct {
        const char* name;
        std::vector<std::string> statements;
        bool collect;
        double state;
        double first2, second3;      // expected slots (the initial value: nothing written)
        const char* message;
    } rows[] = {
        {"first order", {"call SET_DER(1, 2.5, 'USD', 'USD', 2);"}, true, 0, 2.5, rskder_initial(), nullptr},
        {"any other order is the second", {"call SET_DER(7, -4, 'usd', 'USD', 3);"}, true, 0, rskder_initial(), -4, nullptr},
        {"accumulating starts from 0", {"call SET_DER(1, 2.5, 'USD', 'USD', 2, 1);", "call SET_DER(1, 1.5, 'USD', 'USD', 2, 1);"},
         true, 0, 4.0, rskder_initial(), nullptr},
        {"without accumulating the last wins", {"call SET_DER(1, 2.5, 'USD', 'USD', 2);", "call SET_DER(1, 1.5, 'USD', 'USD', 2, 0);"},
         true, 0, 1.5, rskder_initial(), nullptr},
        {"point 0", {"call SET_DER(1, 2.5, 'USD', 'USD', 0);"}, true, 0, rskder_initial(), rskder_initial(), "598/3417"},
        {"beyond the last point", {"call SET_DER(1, 2.5, 'USD', 'USD', 5);"}, true, 0, rskder_initial(), rskder_initial(), "598/3417"},
        {"no such curve", {"call SET_DER(1, 2.5, 'USD', 'EURO', 1);"}, true, 0, rskder_initial(), rskder_initial(), "598/3416"},
        {"a run that does not collect", {"call SET_DER(1, 2.5, 'USD', 'USD', 2);"}, false, 0, rskder_initial(), rskder_initial(), nullptr},
        {"a state other than the base", {"call SET_DER(1, 2.5, 'USD', 'USD', 2);"}, true, 3, rskder_initial(), rskder_initial(), nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        reset();
        con->run_block->builtins.collect_derivatives = row.collect ? 1 : 0;
        const size_t from = log().size();
        cmp_instance* instance = build(row.statements);
        ASSERT_NE(instance, nullptr) << log();
        ASSERT_EQ(cmpfrun(instance, row.state), CMP_RUN_OK) << log();
        EXPECT_EQ(qor::bits_of(first_[1]), qor::bits_of(row.first2)) << first_[1];
        EXPECT_EQ(qor::bits_of(second_[2]), qor::bits_of(row.second3)) << second_[2];
        for (int i : {0, 3}) {
            EXPECT_EQ(qor::bits_of(first_[i]), qor::bits_of(rskder_initial()));
            EXPECT_EQ(qor::bits_of(second_[i]), qor::bits_of(rskder_initial()));
        }
        const std::string text = log().substr(from);
        if (row.message != nullptr) EXPECT_EQ(count_of(text, row.message), 1) << text;
        else EXPECT_EQ(text.find("598/34"), std::string::npos) << text;
    }
}
