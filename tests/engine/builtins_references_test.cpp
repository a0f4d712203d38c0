// The reference built-ins run by compiled programs whose names the engine declares: PMXELEM by
// position and label, rows and columns, its capped failures; RLAG without a numeric argument;
// MLEVEL of known and unknown variables; and OUTV_ELEM and ANALYSIS_INFO called over one block.
#include <cstring>
#include <string>
#include <vector>

#include "engine/compiler/compiler_driver.h"
#include "engine/model/analyses/analysis_record.h"
#include "engine/model/parameters/parameter_matrices.h"
#include "engine/model/timegrids/time_grids.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"
#include "engine/tables/engine_table.h"
#include "tests/engine/builtins_fixture.h"

class ReferenceBuiltinTest : public BuiltinCallTest {
protected:
    void SetUp() override {
        BuiltinCallTest::SetUp();
        std::memset(&con->run_block->builtins, 0, sizeof con->run_block->builtins);
        // PM: rows R1, R2; columns C1, C2, C3; element (i, j) is 10 i + j.
        RSKNAMEREC key = name_of("PM");
        RSKCATOBJ* object = nullptr;
        ASSERT_EQ(engine_routine<EngineSlot::rskpmxd>()(con, &object, &key, nullptr, &key, 0, nullptr), 0) << log();
        matrix_ = static_cast<RSKPARMATRIX*>(object->object);
        const std::vector<const char*> rows = {"R1", "R2"}, columns = {"C1", "C2", "C3"};
        for (auto [map, names] : {std::pair{&matrix_->rows, &rows}, std::pair{&matrix_->columns, &columns}}) {
            ASSERT_EQ(engine_routine<EngineSlot::rskpidm>()(con, map, static_cast<int>(names->size()), 0), 0);
            for (size_t i = 0; i < names->size(); ++i)
                ASSERT_EQ(engine_routine<EngineSlot::rskpida>()(con, map, (*names)[i], -1, static_cast<int>(i)), 0);
        }
        matrix_->values = values_;
        ASSERT_EQ(declare(Declare("F").length(8)), 0) << log();
        factor_ = find("F");
        factor_->value = &factor_value_;
        factor_->measurement_level = 2;
    }
    void TearDown() override {
        close();
        if (matrix_ != nullptr) matrix_->values = nullptr;
        if (factor_ != nullptr) factor_->value = nullptr;
        BuiltinCallTest::TearDown();
    }
    // As build(), with the engine's declaration hook: names of the environment are bound.
    cmp_instance* build_declared(const std::vector<std::string>& statements) {
        close();
        extension_ = RSKCMPEXT{};
        extension_.handle = &handle_;
        handle_.declare_hook = 1;
        cmp_hooks hooks{};
        hooks.user = &extension_;
        hooks.declare = rskcmpd;
        if (cmpints(&handle_.compilation.program, &hooks) != 0) return nullptr;
        if (cmpdyna(handle_.compilation.program) != 0 || install_special_functions(&handle_) != 0) return nullptr;
        for (const std::string& s : statements) {
            char text[512], error[512];
            if (cmpprss(handle_.compilation.program, s.c_str(), static_cast<int>(s.size()), text, sizeof text, error,
                        sizeof error) > 0) {
                ADD_FAILURE() << "refused: " << s << " " << error;
                return nullptr;
            }
        }
        if (cmpprss(handle_.compilation.program, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0) != CMP_COMPLETE) return nullptr;
        if (cmpgen(handle_.compilation.program, 1) != 0) return nullptr;
        return cmpinsb(handle_.compilation.program, 0);
    }
    std::string text_of(cmp_instance* instance, const char* name) {
        char text[64];
        cmptext(instance, symbol(name), text, sizeof text);
        return text;
    }

    RSKPARMATRIX* matrix_ = nullptr;
    double values_[6] = {11, 12, 13, 21, 22, 23};
    RSKVARIABLE* factor_ = nullptr;
    double factor_value_ = 1.5;
    RSKCMPEXT extension_{};
};

TEST_F(ReferenceBuiltinTest, MatrixElementsByPositionAndLabel) {
    const struct {
        const char* row;
        const char* column;
        double expected;             // missing: no element
        const char* message;
    } rows[] = {
        {"2", "3", 23, nullptr},
        {"'R2'", "'C1'", 21, nullptr},
        {"'r1'", "'c2'", 12, nullptr},               // labels compare without letter case
        {"1.9", "'C3'", 13, nullptr},                // a position is truncated
        {"3", "1", qor::missing(), "598/3329"},      // beyond the rows
        {"0", "1", qor::missing(), "598/3329"},
        {"1", "'C9'", qor::missing(), "598/3322"},
        {".", "1", qor::missing(), "598/3329"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.row) + ", " + row.column);
        const size_t from = log().size();
        cmp_instance* instance =
            build_declared({"x = 0;", std::string("call PMXELEM(PM, ") + row.row + ", " + row.column + ", x);"});
        ASSERT_NE(instance, nullptr) << log();
        ASSERT_EQ(cmpfrun(instance, 1), CMP_RUN_OK) << log();
        const double got = *number(instance, "X");
        if (qor::is_missing(row.expected))
            EXPECT_TRUE(qor::is_missing(got)) << got;
        else
            EXPECT_EQ(got, row.expected);
        const std::string text = log().substr(from);
        if (row.message != nullptr) EXPECT_EQ(count_of(text, row.message), 1) << text;
        else EXPECT_EQ(text.find("598/"), std::string::npos) << text;
    }
}

TEST_F(ReferenceBuiltinTest, RowsAndColumnsAreCopiedIntoTheArray) {
    cmp_instance* instance = build_declared({"array r[*];", "array c[*];", "array sh[2];", "array wd[5];",
                                             "call PMXELEM(PM, 'R2', , r);", "call PMXELEM(PM, , 3, c);",
                                             "call PMXELEM(PM, 1, , sh);", "call PMXELEM(PM, , 'C2', wd);",
                                             "r[1] = -1;"});
    ASSERT_NE(instance, nullptr) << log();
    ASSERT_EQ(cmpfrun(instance, 1), CMP_RUN_OK) << log();
    // A dynamic array takes the row's 3 values; the assignment changes the copy, not the matrix.
    EXPECT_EQ(element(instance, "R", 1, 0), -1.0);
    EXPECT_EQ(element(instance, "R", 2, 0), 22.0);
    EXPECT_EQ(element(instance, "R", 3, 0), 23.0);
    EXPECT_EQ(values_[3], 21.0);
    // The column: values n apart.
    EXPECT_EQ(element(instance, "C", 1, 0), 13.0);
    EXPECT_EQ(element(instance, "C", 2, 0), 23.0);
    // A fixed array shorter than the row keeps its first values and is reported; a longer one
    // gets missing values beyond the column.
    EXPECT_EQ(element(instance, "SH", 1, 0), 11.0);
    EXPECT_EQ(element(instance, "SH", 2, 0), 12.0);
    EXPECT_EQ(count_of(log(), "598/2850"), 1) << log();
    EXPECT_EQ(element(instance, "WD", 2, 0), 22.0);
    EXPECT_TRUE(qor::is_missing(element(instance, "WD", 3, 0)));
}

TEST_F(ReferenceBuiltinTest, AnUnknownLabelIsReportedUpToTheCapThenSilently) {
    cmp_instance* instance = build_declared({"x = 0;", "do i = 1 to 45; call PMXELEM(PM, 'NONE', 1, x); end;"});
    ASSERT_NE(instance, nullptr) << log();
    ASSERT_EQ(cmpfrun(instance, 1), CMP_RUN_OK) << log();
    EXPECT_TRUE(qor::is_missing(*number(instance, "X")));
    const std::string text = log();
    EXPECT_EQ(count_of(text, "598/3322"), 40) << text;
    EXPECT_EQ(count_of(text, "598/1974"), 1) << text;
}

TEST_F(ReferenceBuiltinTest, LagWithoutANumericArgumentFails) {
    RSKVARIABLE* lag = nullptr;
    ASSERT_EQ(declare(Declare("L"), &lag), 0) << log();
    double value = 2.0;
    RSKTIMEGRID grid{};
    lag->value = &value;
    lag->flags2 |= RSKF2_LAG_GRID;
    lag->lag_grid = &grid;
    for (const char* age : {"'one year'", "."}) {
        SCOPED_TRACE(age);
        const size_t from = log().size();
        cmp_instance* instance = build_declared({"x = 5;", std::string("x = RLAG(L, ") + age + ");"});
        ASSERT_NE(instance, nullptr) << log();
        EXPECT_NE(cmpfrun(instance, 1), CMP_RUN_OK);
        EXPECT_EQ(count_of(log().substr(from), "598/1975"), 1) << log();
    }
    close();
    lag->value = nullptr;
    lag->lag_grid = nullptr;
}

TEST_F(ReferenceBuiltinTest, MeasurementLevelOfKnownAndUnknownVariables) {
    cmp_instance* instance = build_declared({"local = 1;", "a = MLEVEL(F);", "b = MLEVEL(local);"});
    ASSERT_NE(instance, nullptr) << log();
    ASSERT_EQ(cmpfrun(instance, 1), CMP_RUN_OK) << log();
    EXPECT_EQ(text_of(instance, "A").substr(0, 8), "Interval");
    EXPECT_EQ(text_of(instance, "B").find_first_not_of(' '), std::string::npos) << "[" << text_of(instance, "B") << "]";
    factor_->measurement_level = 1;
    ASSERT_EQ(cmpfrun(instance, 1), CMP_RUN_OK) << log();
    EXPECT_EQ(text_of(instance, "A").substr(0, 5), "Ratio");
}

// OUTV_ELEM and ANALYSIS_INFO are called as the program would, over one block's arguments.
class RunInformationTest : public ReferenceBuiltinTest {
protected:
    cmp_arg_value number_arg(double* x) {
        cmp_arg_value a{};
        a.kind = CMP_ARG_VARIABLE;
        a.type = 'n';
        a.number = x;
        return a;
    }
    cmp_arg_value text_arg(qor_namerec* r) {
        cmp_arg_value a{};
        a.kind = CMP_ARG_EXPRESSION;
        a.type = 'c';
        a.text = r;
        return a;
    }
    cmp_function_record function(const char* name) { return cmp_function_record{name, &handle_}; }
};

TEST_F(RunInformationTest, OutputVectorElements) {
    RSKVARIABLE* pv = nullptr;
    ASSERT_EQ(declare(Declare("PV", RSKVKIND_OUTPUT, RSKDTYPE_ARRAY), &pv), 0) << log();
    pv->element_count = 2;
    double mtm1 = 101, var1 = 7, mtm2 = 202, value2 = 205;
    RSKOUTVELEM elements[2] = {};
    std::strcpy(elements[0].name, "PV_1");
    elements[0].name_length = 4;
    elements[0].statistics[RSKOUTV_MTM] = &mtm1;
    elements[0].statistics[RSKOUTV_VAR] = &var1;
    std::strcpy(elements[1].name, "pv_2");
    elements[1].name_length = 4;
    elements[1].statistics[RSKOUTV_MTM] = &mtm2;
    elements[1].statistics[RSKOUTV_VALUE] = &value2;
    const RSKOUTVLIST list{elements, 2};
    RSKBUILTINRUN& run = con->run_block->builtins;
    run.post_valuation = &list;
    run.outv_phase = 'V';
    const struct {
        const char* statistic;
        const char* variable;
        double k;                    // -1: left out
        double expected;
        const char* message;
    } rows[] = {
        {"MTM", "PV", -1, 101, nullptr},            // element 1 without k
        {"var", "pv", 1, 7, nullptr},
        {"MTM", "PV", 2.7, 202, nullptr},
        {"VALUE", "PV", 2, 205, nullptr},
        {"STD", "PV", 2, qor::missing(), nullptr},  // the element has no such statistic
        {"MTM", "PV", 0, qor::missing(), "670/3620"},
        {"MTM", "PV", 3, qor::missing(), "670/3620"},
        {"MTM", "NOSUCH", 1, qor::missing(), "670/3618"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.statistic) + " " + row.variable + " " + std::to_string(row.k));
        const size_t from = log().size();
        char statistic[16], variable[16];
        std::strcpy(statistic, row.statistic);
        std::strcpy(variable, row.variable);
        qor_namerec s{16, static_cast<uint16_t>(std::strlen(statistic)), statistic};
        qor_namerec v{16, static_cast<uint16_t>(std::strlen(variable)), variable};
        double result = 0, k = row.k;
        cmp_arg_value args[4] = {number_arg(&result), text_arg(&s), text_arg(&v), number_arg(&k)};
        if (row.k < 0) args[3].kind = CMP_ARG_OMITTED;
        const cmp_function_record fn = function("OUTV_ELEM");
        ASSERT_EQ(rskoutve(&fn, args, 3, nullptr, nullptr, nullptr), 0);
        if (qor::is_missing(row.expected))
            EXPECT_TRUE(qor::is_missing(result)) << result;
        else
            EXPECT_EQ(result, row.expected);
        const std::string text = log().substr(from);
        if (row.message != nullptr) EXPECT_EQ(count_of(text, row.message), 1) << text;
        else EXPECT_EQ(text.find("670/"), std::string::npos) << text;
    }
    // In post-pricing methods the post-pricing list is read: here it is empty.
    run.outv_phase = 'R';
    char statistic[] = "MTM", variable[] = "PV";
    qor_namerec s{3, 3, statistic}, v{2, 2, variable};
    double result = 0, k = 1;
    cmp_arg_value args[4] = {number_arg(&result), text_arg(&s), text_arg(&v), number_arg(&k)};
    const cmp_function_record fn = function("OUTV_ELEM");
    ASSERT_EQ(rskoutve(&fn, args, 3, nullptr, nullptr, nullptr), 0);
    EXPECT_TRUE(qor::is_missing(result));
    run.post_valuation = nullptr;
}

TEST_F(RunInformationTest, AnalysisInformationNeedsACurrentAnalysis) {
    char name[8] = "xxxxxxx", type[40];
    std::memset(type, 'x', sizeof type);
    qor_namerec n{8, 8, name}, t{40, 40, type};
    cmp_arg_value args[3] = {cmp_arg_value{}, text_arg(&n), text_arg(&t)};
    const cmp_function_record fn = function("ANALYSIS_INFO");
    EXPECT_EQ(rskant(&fn, args, 2, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(count_of(log(), "598/3928"), 1) << log();
    EXPECT_EQ(std::string(name, 7), "xxxxxxx");

    RSKANALYSIS analysis{};
    analysis.name.name.text = analysis.name.buffer;
    analysis.name.name.capacity = sizeof analysis.name.buffer;
    std::memcpy(analysis.name.buffer, "RISKOFTHEBOOK", 13);
    analysis.name.name.length = 13;
    analysis.kind = 1;
    RSKANLPROC work{};
    work.analysis = &analysis;
    con->run_block->work_area = &work;
    EXPECT_EQ(rskant(&fn, args, 2, nullptr, nullptr, nullptr), 0);
    con->run_block->work_area = nullptr;
    // The name is cut to the argument's 8 characters; the type is the registry's name, padded.
    EXPECT_EQ(std::string(name, 8), "RISKOFTH");
    const char* registered = nullptr;
    const int length = engine_routine<EngineSlot::rskcsat>()(con, 1, &registered);
    ASSERT_GT(length, 0);
    const std::string expected = std::string(registered, static_cast<size_t>(length)) + std::string(40 - static_cast<size_t>(length), ' ');
    EXPECT_EQ(std::string(type, 40), expected);
}
