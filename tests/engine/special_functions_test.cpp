// The special functions through real compiles: the checks' messages (one row per case), the
// function-use bits, a refused registration stopping the chain, and the frame bodies _TRACE,
// _TRACECHECK, _RESET and _ARRU run by the compiled program.
#include <deque>
#include <string>
#include <vector>

#include "engine/compiler/dependencies.h"
#include "engine/compiler/special_functions.h"
#include "engine/model/services/compiler.h"
#include "tests/engine/variables_fixture.h"

namespace {

int no_body(const cmp_function_record*, cmp_arg_value*, int, const cmp_exec_context*, cmp_instance*, void*) { return 0; }

}  // namespace

class SpecialFunctionTest : public VariableEngine {
protected:
    void SetUp() override {
        VariableEngine::SetUp();
        handle_.con = con;
        handle_.execution_blocks = 1;
        handle_.pool = xmpoolc(16384, 16384, 0);
        run_.execution_blocks = 1;
        run_.trace_first_state = 1;
        run_.trace_last_state = 10;
        con->run_compile = &run_;
    }
    void TearDown() override {
        if (handle_.compilation.program != nullptr) cmpends(handle_.compilation.program);
        con->run_compile = nullptr;
        xmpoold(handle_.pool);
        VariableEngine::TearDown();
    }
    // A session with the special functions installed: 0, or the install's answer.
    int open(bool refuse_rlag = false) {
        cmp_hooks hooks{};
        if (cmpints(&handle_.compilation.program, &hooks) != 0) return -1;
        if (refuse_rlag) {
            cmp_special_def def{};
            def.name = "RLAG";
            def.body = no_body;
            cmpinst(handle_.compilation.program, &def);
        }
        return install_special_functions(&handle_);
    }
    // Pushes the statements: the number refused.
    int push(const std::vector<std::string>& statements) {
        int refused = 0;
        for (const std::string& s : statements) {
            char text[512], error[512];
            if (cmpprss(handle_.compilation.program, s.c_str(), static_cast<int>(s.size()), text, sizeof text, error,
                        sizeof error) > 0)
                ++refused;
        }
        return refused;
    }
    // Pushes, completes and generates; the instance of block 0 or null.
    cmp_instance* build(const std::vector<std::string>& statements) {
        if (push(statements) != 0) return nullptr;
        if (cmpprss(handle_.compilation.program, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0) != CMP_COMPLETE) return nullptr;
        if (cmpgen(handle_.compilation.program, 1) != 0) return nullptr;
        return cmpinsb(handle_.compilation.program, 0);
    }
    double* number(cmp_instance* instance, const char* name) {
        return cmppdva(instance, cmpsyms(handle_.compilation.program, name, -1));
    }
    RSKVARIABLE* factor(const char* name, uint32_t kind_after = RSKVKIND_FACTOR) {
        RSKVARIABLE* v = nullptr;
        EXPECT_EQ(declare(Declare(name), &v), 0) << log();
        if (v != nullptr) v->kind = kind_after;
        return v;
    }

    RSKCMPCON handle_{};
    RSKRUNCOMPILE run_{};
};

TEST_F(SpecialFunctionTest, ChecksRefuseWithTheirMessages) {
    factor("M", RSKVKIND_PARMAT);
    factor("A");
    struct Row {
        const char* kind;            // METHOD kind word, or "" for no method
        const char* statement;
        const char* message;         // "" when accepted
    } rows[] = {
        {"", "call PMXELEM(M, , , X);", "598/3326"},
        {"", "call PMXELEM(M, 1, , Y);", ""},
        {"", "call PMXELEM(M, 1, 2);", "598/3331"},
        {"", "call PMXELEM(NOPMX, 1, 2, X);", "598/3324"},
        {"", "x = RLAG('A', 1);", "598/3332"},
        {"", "x = RLAG(A, 1, 2);", "598/3331"},
        {"", "x = RLAG(A, 1);", ""},
        {"", "x = RLAG(NOTAVAR, 1);", "598/3321"},
        {"POSTPRICE", "x = OUTV_ELEM('MEDIAN', '_Value_', 1);", "670/3619"},
        {"POSTVAR", "x = OUTV_ELEM('MEDIAN', '_Value_', 1);", ""},
        {"POSTPRICE", "x = OUTV_ELEM('MTM', '_Value_', 1);", ""},
        {"POSTVAR", "x = OUTV_ELEM('MTM', '_Value_', 1);", ""},
        {"PRICE", "x = OUTV_ELEM('MTM', '_Value_', 1);", "598/3925"},
        {"POSTVAR", "x = OUTV_ELEM('MTM', 'NOSUCH', 1);", "670/3621"},
        {"POSTVAR", "x = OUTV_ELEM('MTM', '_Value_');", "598/3926"},
        {"", "x = GET_FX_SPOT();", "670/3601"},
        {"", "x = GET_FX_SPOT('EUR');", ""},
        {"", "call SET_DER(a, b, c, d, e, 'x');", "598/3927"},
        {"", "call CASHFLOW(t, a, c, f, 'rate');", "598/3432"},
        {"", "call CF_VERTICES(a, 'NOREF', 'x', 'y', 1, 2);", "598/3432"},
        {"", "call MAT_POWER(m, r);", "598/3924"},
        {"", "array q[2, 2] (1 0 0 1); array r[*, *]; call MAT_POWER(q, r, 2);", ""},
        {"", "array q3[3] (1 2 3); array r3[*, *]; call MAT_EXP(q3, r3, 1);", "670/3803"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.statement);
        ASSERT_EQ(open(), 0) << log();
        std::vector<std::string> statements;
        std::string text = row.statement;
        if (row.kind[0] != '\0') statements.push_back(std::string("METHOD m KIND=") + row.kind + ";");
        for (size_t at = 0; at < text.size();) {   // one statement per push
            size_t end = text.find(';', at);
            statements.push_back(text.substr(at, end - at + 1));
            at = end + 1;
            while (at < text.size() && text[at] == ' ') ++at;
        }
        int before = count_of(log(), "/3");
        int refused = push(statements);
        std::string after = log();
        if (row.message[0] == '\0') {
            EXPECT_EQ(refused, 0) << after;
            EXPECT_EQ(count_of(after, "/3"), before) << after;
        } else {
            EXPECT_EQ(refused, 1) << after;
            EXPECT_EQ(count_of(after, row.message), 1) << after;
        }
        cmpends(handle_.compilation.program);
        handle_.compilation.program = nullptr;
        qor_print_set_log_file(log_path_.c_str());   // start the log afresh for the next row
    }
}

TEST_F(SpecialFunctionTest, ChecksRecordWhichFamiliesAMethodCalls) {
    ASSERT_EQ(open(), 0);
    EXPECT_EQ(push({"call CASHFLOW(t, a, c, f);", "n = N_CASH_FLOWS();", "x = GET_FX_SPOT('EUR');"}), 0) << log();
    EXPECT_EQ(handle_.function_use, RSKFN_CASHFLOW | RSKFN_N_CASH_FLOWS | RSKFN_GET_FX_SPOT);
    EXPECT_EQ(push({"call CASHFLOW(t, a, c, f, 0.05);"}), 0) << log();
    EXPECT_NE(handle_.function_use & RSKFN_CASHFLOW_RATE, 0);
}

TEST_F(SpecialFunctionTest, ARefusedRegistrationStopsTheChain) {
    EXPECT_EQ(open(true), 1);
    std::string text = log();
    EXPECT_EQ(count_of(text, "598/3410"), 1) << text;
    EXPECT_NE(text.find("RLAG"), std::string::npos) << text;
    // PMXELEM, installed before RLAG, checks its arguments; _ARRU, after it, is unknown.
    factor("M", RSKVKIND_PARMAT);
    EXPECT_EQ(push({"call PMXELEM(M, , , X);"}), 1);
    EXPECT_EQ(count_of(log(), "598/3326"), 1);
    EXPECT_EQ(push({"array a[2]; call _ARRU(0, a, 1);"}), 1);
}

TEST_F(SpecialFunctionTest, PricingFunctionsWithoutABodyFailTheRun) {
    ASSERT_EQ(open(), 0);
    cmp_instance* instance = build({"x = RUN_SCORE(1);"});
    ASSERT_NE(instance, nullptr) << log();
    EXPECT_EQ(cmpfrun(instance, 1), CMP_RUN_FAILED);
    EXPECT_NE(log().find("RUN_SCORE: not yet available."), std::string::npos) << log();
}

TEST_F(SpecialFunctionTest, TraceCheckAnswersOneInsideTheWindow) {
    ASSERT_EQ(open(), 0);
    cmp_instance* instance = build({"x = _TRACECHECK(1);"});
    ASSERT_NE(instance, nullptr) << log();
    for (double state : {0.0, 1.0, 5.0, 10.0, 11.0}) {
        ASSERT_EQ(cmpfrun(instance, state), CMP_RUN_OK);
        EXPECT_EQ(*number(instance, "X"), state >= 1 && state <= 10 ? 1.0 : 0.0) << state;
    }
    // Per-block programs trace only the instrument chosen.
    RSKPROGRECORD programs[1] = {};
    run_.programs = programs;
    run_.per_block_programs = 1;
    run_.trace_by_instrument = 1;
    run_.trace_instrument = 7;
    programs[0].instrument_number = 3;
    ASSERT_EQ(cmpfrun(instance, 5), CMP_RUN_OK);
    EXPECT_EQ(*number(instance, "X"), 0.0);
    programs[0].instrument_number = 7;
    ASSERT_EQ(cmpfrun(instance, 5), CMP_RUN_OK);
    EXPECT_EQ(*number(instance, "X"), 1.0);
    run_.programs = nullptr;
}

TEST_F(SpecialFunctionTest, TraceFramesAMethodInsideTheWindow) {
    RSKACTION action{};
    action.name.name = name_of("M");
    action.kind = RSKACTION_METHOD_CALL;
    RSKACTION* list[1] = {&action};
    handle_.actions = list;
    handle_.action_count = 1;
    con->trace_mode = 1;
    ASSERT_EQ(open(), 0);
    cmp_instance* instance = build({"call _TRACE( 'ON',  'DETAILED', 1, 'MAIN' );", "x = 1;",
                                    "call _TRACE( 'OFF', 'DETAILED', 1, 'MAIN' );"});
    ASSERT_NE(instance, nullptr) << log();
    ASSERT_EQ(cmpfrun(instance, 50), CMP_RUN_OK);
    EXPECT_EQ(listing().find("--- Method"), std::string::npos);
    ASSERT_EQ(cmpfrun(instance, 5), CMP_RUN_OK);
    std::string lst = listing();
    EXPECT_EQ(count_of(lst, "--- Method M(MAIN) Execution Starting."), 1) << lst;
    EXPECT_EQ(count_of(lst, "--- Method M(MAIN)  Execution Finished."), 1) << lst;
    con->trace_mode = 2;   // off
    ASSERT_EQ(cmpfrun(instance, 5), CMP_RUN_OK);
    EXPECT_EQ(count_of(listing(), "Execution Starting."), 1);
    handle_.actions = nullptr;
    handle_.action_count = 0;
}

// _RESET over one updated numeric argument, and an array argument.
TEST_F(SpecialFunctionTest, ResetRestoresAnUpdatedArgumentAfterTheCall) {
    RSKVARIABLE* v = factor("ARG");
    v->dependencies.reset_setting = 1;
    RSKSYMENTRY argument{};
    argument.variable = v;
    argument.updated = 1;
    argument.name = const_cast<char*>("ARG");
    argument.name_length = 3;
    RSKGENTRANS method{};
    method.arguments = &argument;
    RSKACTION action{};
    action.name.name = name_of("M");
    action.kind = RSKACTION_METHOD_CALL;
    action.target = &method;
    RSKREFENTRY entry{};
    entry.con = con;
    entry.action = &action;
    handle_.references = &entry;
    handle_.reference_count = 1;
    handle_.generating = 1;
    ASSERT_EQ(open(), 0);
    cmp_instance* instance = build({"arg = 5;", "call _RESET(0, 1);", "arg = 7;", "seen = arg;", "call _RESET(0, 0);"});
    ASSERT_NE(instance, nullptr) << log();
    ASSERT_EQ(entry.save_count, 1);
    ASSERT_NE(entry.saves[0].buffer, nullptr);
    argument.symbol = cmpsyms(handle_.compilation.program, "ARG", -1);
    ASSERT_EQ(cmpfrun(instance, 1), CMP_RUN_OK) << log();
    EXPECT_EQ(*number(instance, "SEEN"), 7.0);
    EXPECT_EQ(*number(instance, "ARG"), 5.0);
    // While the run prices its base case nothing is saved or restored.
    run_.base_case = 1;
    ASSERT_EQ(cmpfrun(instance, 1), CMP_RUN_OK);
    EXPECT_EQ(*number(instance, "ARG"), 7.0);
    handle_.references = nullptr;
}

TEST_F(SpecialFunctionTest, ResetWithoutUpdatedArgumentsKeepsNothing) {
    RSKGENTRANS method{};
    RSKACTION action{};
    action.kind = RSKACTION_METHOD_CALL;
    action.target = &method;
    RSKREFENTRY entry{};
    entry.action = &action;
    handle_.references = &entry;
    handle_.reference_count = 1;
    handle_.generating = 1;
    ASSERT_EQ(open(), 0);
    size_t blocks = qor_pool_live_blocks(handle_.pool);
    cmp_instance* instance = build({"x = 1;", "call _RESET(0, 1);", "call _RESET(0, 0);"});
    ASSERT_NE(instance, nullptr) << log();
    EXPECT_EQ(entry.save_count, 0);
    EXPECT_EQ(qor_pool_live_blocks(handle_.pool), blocks);
    EXPECT_EQ(cmpfrun(instance, 1), CMP_RUN_OK);
    handle_.references = nullptr;
}

TEST_F(SpecialFunctionTest, ArrayUpdateCopiesElementVariablesInAndBack) {
    std::deque<RSKVARIABLE> elements(3);
    double values[3] = {1.5, 2.5, 3.5};
    std::vector<RSKVARIABLE*> pointers;
    for (int i = 0; i < 3; ++i) {
        elements[static_cast<size_t>(i)].value = &values[i];
        pointers.push_back(&elements[static_cast<size_t>(i)]);
    }
    RSKVARIABLE curve{};
    curve.kind = RSKVKIND_FACTOR;
    curve.data_type = RSKDTYPE_ARRAY;
    curve.elements = pointers.data();
    curve.elements_allocated = 3;
    curve.element_count = 3;
    RSKREFENTRY entry{};
    entry.object = &curve;
    handle_.references = &entry;
    handle_.reference_count = 1;
    ASSERT_EQ(open(), 0);
    cmp_instance* instance = build({"array a[3];", "call _ARRU(0, a, 1);", "seen = a[2];", "a[3] = 9;",
                                    "call _ARRU(0, a, 0);"});
    ASSERT_NE(instance, nullptr) << log();
    ASSERT_EQ(cmpfrun(instance, 1), CMP_RUN_OK) << log();
    EXPECT_EQ(*number(instance, "SEEN"), 2.5);
    EXPECT_EQ(values[2], 9.0);
    EXPECT_EQ(values[0], 1.5);
    // Dimension 0: nothing is copied.
    curve.element_count = 0;
    values[2] = 4.0;
    ASSERT_EQ(cmpfrun(instance, 1), CMP_RUN_OK);
    EXPECT_EQ(values[2], 4.0);
    handle_.references = nullptr;
}
