// Special functions registered by the engine: the compile-time check sees the call node and
// can refuse the statement; the body gets arguments by address, writes out-arguments back,
// and reaches its per-instance hidden record; a failing body stops the run with its line.
#include <cstring>
#include <string>

#include "tests/compiler/compiler_fixture.h"

namespace {

struct Seen {
    std::string kinds, types, literal;
    double number = 0;
    int inside = -1;
    char method_kind = 0;
};

// ELEM(M, row, col, out): row and column may be omitted, not both; out is written back.
int elem_check(void* context, cmp_call_node* call, char* message, int size) {
    auto* seen = static_cast<Seen*>(context);
    seen->kinds.clear();
    seen->types.clear();
    for (int i = 0; i < call->nargs; ++i) {
        seen->kinds += call->args[i].kind;
        seen->types += call->args[i].type ? call->args[i].type : '-';
        if (call->args[i].kind == CMP_ARG_LITERAL && call->args[i].type == 'c')
            seen->literal.assign(call->args[i].text, static_cast<size_t>(call->args[i].text_length));
        if (call->args[i].kind == CMP_ARG_LITERAL && call->args[i].type == 'n') seen->number = call->args[i].number;
    }
    seen->inside = call->inside_routine;
    seen->method_kind = call->method_kind;
    if (call->args[1].kind == CMP_ARG_OMITTED && call->args[2].kind == CMP_ARG_OMITTED) {
        std::snprintf(message, static_cast<size_t>(size), "ELEM needs a row or a column");
        return 1;
    }
    call->args[3].flags[0] |= CMP_ARGF_BY_REFERENCE;
    return 0;
}

int elem_body(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
              cmp_instance*, void* hidden) {
    if (nargs != 4 || std::strcmp(fn->name, "ELEM") != 0) return 1;
    const cmp_arg_value& m = args[1];
    double row = args[2].kind == CMP_ARG_OMITTED ? 1 : *args[2].number;
    double col = args[3].kind == CMP_ARG_OMITTED ? 1 : *args[3].number;
    int k = static_cast<int>((row - 1) * 2 + (col - 1));
    if (m.kind != CMP_ARG_ARRAY || k < 0 || k >= m.count) return 1;   // failure: stops the run
    *args[4].number = *m.elements[k] + exec->block * 1000;
    int* calls = static_cast<int*>(hidden);                             // per instance and call site
    ++*calls;
    args[0].number[0] = *calls;
    return 0;
}

// NAMEOF(x): a character result; a character out-argument is padded back by the compiler.
int label_body(const cmp_function_record*, cmp_arg_value* args, int, const cmp_exec_context*, cmp_instance*, void*) {
    std::memcpy(args[0].text->text, "RES", 3);
    args[0].text->length = 3;
    std::memcpy(args[1].text->text, "W", 1);
    args[1].text->length = 1;
    return 0;
}

struct Registered : Compiled {
    Seen seen;
    Registered() {
        cmp_special_def elem{"ELEM", 4, "?nnn", 'n', 0, &seen, elem_check, elem_body, nullptr, sizeof(int)};
        EXPECT_EQ(cmpinst(session, &elem), 0);
        cmp_special_def label{"NAMEOF", 1, "c", 'c', 6, nullptr, nullptr, label_body, nullptr, 0};
        EXPECT_EQ(cmpinst(session, &label), 0);
        EXPECT_NE(cmpinst(session, &label), 0);   // a name is registered once
    }
};

TEST(SpecialFunctions, CheckSeesTheCallNode) {
    Registered p;
    ASSERT_EQ(p.push({"array m[4] (1, 2, 3, 4);", "method pr kind=price;", "x = elem(m, 2, , out);", "endmethod;"}), 0);
    EXPECT_EQ(p.seen.kinds, "alov");
    EXPECT_EQ(p.seen.types, "nn-n");
    EXPECT_EQ(p.seen.number, 2);
    EXPECT_EQ(p.seen.inside, 1);
    EXPECT_EQ(p.seen.method_kind, 'P');
    ASSERT_EQ(p.push({"x = elem('name', , 1, 5);"}), 1);       // out-argument must be a variable
    EXPECT_EQ(p.seen.literal, "name");
    EXPECT_EQ(p.seen.inside, 0);
    char err[512];
    EXPECT_GT(cmpprss(p.session, "y = elem(m, , , out);", -1, nullptr, 0, err, sizeof err), 0);
    EXPECT_NE(std::string(err).find("ELEM needs a row or a column"), std::string::npos) << err;
    EXPECT_GT(cmpprss(p.session, "y = elem(m, 1);", -1, nullptr, 0, err, sizeof err), 0);
    EXPECT_NE(std::string(err).find("takes 4"), std::string::npos) << err;
}

TEST(SpecialFunctions, BodiesGetAddressesHiddenRecordsAndFail) {
    Registered p;
    ASSERT_TRUE(p.build({"array m[4] (1, 2, 3, 4);", "length w $ 4;", "w = 'abcd';",
                         "do i = 1 to 3; x = elem(m, 2, 1, out); end;", "s = nameof(w);", "y = elem(m, r, 1, out2);"}, 2));
    *p.num("r", 1) = 1;
    ASSERT_EQ(p.run(1), 0);
    EXPECT_EQ(*p.num("out", 1), 1003);   // element 3 plus 1000 * block
    EXPECT_EQ(*p.num("out2", 1), 1001);
    EXPECT_EQ(p.text("s", 1), "RES");
    EXPECT_EQ(p.text("w", 1), "W");      // written back, padded to its length
    EXPECT_EQ(*p.num("x", 1), 3);        // the loop's call site counted three calls in this instance
    EXPECT_EQ(*p.num("y", 1), 1);        // a call site of its own
    *p.num("r", 0) = 7;                  // row 7 does not exist: the body fails
    EXPECT_NE(p.run(0), 0);
    ASSERT_EQ(p.errors.size(), 1u);
    EXPECT_EQ(p.error_lines[0], 6);
    EXPECT_NE(p.errors[0].find("function ELEM failed"), std::string::npos) << p.errors[0];
}

}  // namespace
