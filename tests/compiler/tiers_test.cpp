// The interpreter and the machine code side by side: a table of small programs, each run in two
// sessions (one per tier) over the same inputs, must leave the same record bit for bit: values,
// missing counts, PUT and trace lines, error texts with their lines, and run statuses.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "host/missing.h"
#include "tests/compiler/compiler_fixture.h"
#include "tests/compiler/tier_outcome.h"

namespace {

// The record every program can read and write: numbers by bare name, REF a pointer member.
struct Rec {
    double x, y;
    double* ref;
    double out;
};

// Inputs of run r: ordinary numbers, the flags special functions react to, missing values of
// several codes, a value near the top of the range, a fraction and a negative.
const double kX[] = {1, 2, 3, 0, qor::missing(), qor::make_missing('A'), 1e308, -3, 2.5, 4};
const double kY[] = {2, 0, -1.5, qor::make_missing('_'), 3, 7, 1e-300, qor::make_missing('Z'), 0.5, -0.0};
constexpr int kRuns = 10;

// END_IT(flag): the rest of the run is skipped when flag is 1, the step stopped when 2, the
// body fails when 3. BUMP(v): adds 10 to its argument, written back.
int end_it(const cmp_function_record*, cmp_arg_value* args, int, const cmp_exec_context*, cmp_instance*, void*) {
    double flag = *args[1].number;
    if (flag == 1) return CMP_BODY_END_ITERATION;
    if (flag == 2) return CMP_BODY_STOP;
    if (flag == 3) return 9;
    return CMP_BODY_OK;
}
int bump(const cmp_function_record*, cmp_arg_value* args, int, const cmp_exec_context*, cmp_instance*, void*) {
    *args[1].number += 10;
    return CMP_BODY_OK;
}
int bump_check(void*, cmp_call_node* call, char*, int) {
    call->args[0].flags[0] |= CMP_ARGF_BY_REFERENCE;
    return 0;
}

struct Case {
    const char* name;
    std::vector<std::string> statements;
    std::vector<std::string> must_contain;   // record entries that show the path was taken
    std::vector<std::string> printed;        // the expected PUT and trace lines, when written out
    int trace = 0;                           // option 2 or 3
    long budget = 0;
};

const std::vector<Case>& cases() {
    static const std::vector<Case> table = {
        {"overflow_to_missing",
         {"a = 1e308 * 10;", "b = -1e308 - 1e308;", "c = 2 ** 1024;", "d = exp(710);", "e = a + 1;",
          "f = 10 ** -400;", "g = sqrt(-1);", "h = log(0);", "i = 1e308 * x;", "j = x * y;", "k = 2 * x - y;",
          "l = x * y * 3;", "m = -x;", "n = x ** y;", "o = (-8) ** (1 / 3);"},
         {"missing made"}, {}, 0, 0},
        {"division",
         {"a = x / 0;", "b = 0 / 0;", "c = x / y;", "d = mod(x, y);", "e = -x / 0;", "f = int(x / 3);",
          "g = 1 / y;", "h = y / x;", "k = floor(x / 4) + ceil(y / 4);"}, {}, {}, 0, 0},
        {"missing_codes_compared_and_ordered",
         {"m1 = ._;", "m2 = .;", "m3 = .A;", "m4 = .Z;", "lt1 = (m1 < m2);", "lt2 = (m2 < m3);", "lt3 = (m3 < m4);",
          "lt4 = (m4 < -1e300);", "eq1 = (m3 = .A);", "eq2 = (m3 = m4);", "ge1 = (m4 >= m3);", "c1 = (x < m3);",
          "c2 = (x > .Z);", "c3 = (x = .);", "c4 = (y <= ._);", "c5 = (x < y);", "if x < .A then s = 1;",
          "else if x < 0 then s = 2;", "else s = 3;", "mn = min(m3, x);", "mx = max(m4, x, y);", "sm = m3 + 1;",
          "ng = -m3;", "mm = m3 * 0;", "s2 = sum(m1, m3, x);", "n1 = nmiss(m1, m2, x, y);", "ms = missing(y);",
          "mz = m4 / 0;"}, {}, {}, 0, 0},
        {"if_else",
         {"if x > 2 then r = 1;", "else if x > 0 then r = 2;", "else if x = . then r = 3;", "else r = 4;",
          "if x > 0 and y > 0 then q = x * y;", "else q = -1;", "if x < 1 or y < 1 then z = 1;", "else z = 0;",
          "if not (x < y) then w = 1;", "if y then v = 1;", "else v = 2;"}, {}, {}, 0, 0},
        {"do_loops",
         {"t = 0;", "do i = 1 to 10 by 3;", "t = t + i;", "end;", "do j = 10 to 1 by -2;", "t = t * 2 - j;", "end;",
          "do k = 5 to 1;", "t = t + 1000;", "end;", "do m = 1 to 3;", "do n = m to 3;", "t = t + m * n;", "end;",
          "end;", "do w = 1 to 100;", "if w > 4 then leave;", "if w = 2 then continue;", "t = t + w;", "end;",
          "do while (t > 100);", "t = t / 3;", "end;", "do until (t < 1);", "t = t - 50;", "end;",
          "do v = 1, 3 to 5, 9;", "t = t + v;", "end;", "do b = x to 1 by -1;", "t = t + 0.5;", "end;",
          "do c = 1 to x;", "t = t + 0.25;", "end;"},
         {"must not be missing", "exceeded its budget"}, {}, 0, 100000},
        {"loop_variable_and_step_made_missing_in_the_body",
         {"s = 1;", "do i = 1 to 3 by s;", "i = .A;", "s = .B;", "end;", "k = i;", "s = 1;", "do j = 1 to 3 by s;",
          "j = y;", "s = x;", "end;", "m = j;"},
         {}, {}, 0, 10000},
        {"do_step_zero_or_missing",
         {"t = 0;", "do c = 1 to 2 by y * 0;", "t = t + 1;", "end;"},
         {"step (BY) of an iterative DO is zero", "must not be missing"}, {}, 0, 0},
        {"goto_and_labels",
         {"n = 0;", "top: n = n + 1;", "if n < 5 then goto top;", "if x > 2 then goto skip;", "n = n * 10;",
          "skip: n = n + 0.5;", "if x = 4 then return;", "n = n + y;"}, {}, {}, 0, 0},
        {"select",
         {"select (x);", "when (1) s = 10;", "when (2.5, 4) s = 20;", "when (.) s = 30;", "otherwise s = 40;",
          "end;", "select;", "when (y > 2) u = 1;", "when (y = .Z) u = 2;", "otherwise u = 3;", "end;"}, {}, {}, 0, 0},
        {"arrays_and_subscripts",
         {"array a[3] (1, 2, 3);", "array g[2, 2];", "array d[*];", "call dynamic_array(d, 3);",
          "do i = 1 to 3;", "d[i] = i * x;", "end;", "g[1, 2] = 5;", "g[2, 1] = a[2] * 2;", "a[2] = a[1] + 10;",
          "s = sum(a1, a2, a3);", "n = dim(a) + dim(d);", "v = a[x];", "g[y, 1] = 7;"},
         {"array subscript"}, {}, 0, 0},
        {"runmethod_nesting",
         {"method inner;", "depth = depth + 1;", "acc = acc * 2 + x;", "endmethod;", "method outer;",
          "runmethod inner;", "runmethod inner;", "acc = acc + 1;", "endmethod;", "acc = 0;", "depth = 0;",
          "runmethod outer;", "runmethod outer;", "call callsubr('inner');", "name = 'outer';", "call callsubr(name);"}, {}, {}, 0, 0},
        {"recursion_256_deep",
         {"method m;", "d = d + 1;", "runmethod m;", "endmethod;", "method r;", "e = e + 1;",
          "if e < 200 then runmethod r;", "endmethod;", "e = 0;", "runmethod r;", "d = 0;", "runmethod m;"},
         {"deeper than 256 levels"}, {}, 0, 0},
        {"put_lines",
         {"a = 2;", "b = -0.25;", "c = 'hi';", "n = .;", "put 'start';", "put a= b=;", "put c a;", "put n=;",
          "put 'two' / 'lines';", "do i = 1 to 2;", "put i=;", "end;"},
         {},
         {"start", "a=2 b=-0.25", "hi 2", "n=.", "two", "lines", "i=1", "i=2"}, 0, 0},
        {"trace_statements",
         {"u = 2;", "if u > 1 then v = u * 3;", "else v = 0;", "do i = 1 to 2;", "w = i;", "end;"},
         {},
         {"TRACE: statement 1", "TRACE: statement 2", "TRACE: statement 4", "TRACE: statement 5",
          "TRACE: statement 5"},
         2, 0},
        {"trace_values",
         {"u = 2;", "if u > 1 then v = u * 3;", "else v = 0;", "length t $ 4;", "t = 'ab';", "w = u / 0;"},
         {},
         {"TRACE: statement 1", "TRACE: U=2", "TRACE: statement 2", "TRACE: V=6", "TRACE: statement 5",
          "TRACE: T=ab", "TRACE: statement 6", "TRACE: W=."},
         3, 0},
        {"budget_runs_out",
         {"n = 0;", "do while (1);", "n = n + 1;", "end;"}, {"exceeded its budget of 1000 instructions"}, {}, 0, 1000},
        {"budget_runs_out_in_goto",
         {"k = 0;", "top: k = k + x;", "goto top;"}, {"exceeded its budget of 777 instructions"}, {}, 0, 777},
        {"structure_members",
         {"out = x * 2 + y;", "x = x + 1;", "r.y = r.y * 3;", "z = ref;", "zz = ref * 2 + x;", "ref = out - 1;"},
         {"has no storage"}, {}, 0, 0},
        {"special_functions",
         {"method inner;", "call end_it(x);", "endmethod;", "before = 1;", "t = 0;", "do i = 1 to 3;",
          "call bump(t);", "end;", "call end_it(x);", "middle = t;", "call callsubr('inner');", "after = 1;"},
         {"status 4", "status 5", "function END_IT failed"}, {}, 0, 0},
        {"library_calls",
         {"a = exp(x);", "b = log(x);", "c = sqrt(x);", "d = probnorm(x);", "e = abs(y);", "f = int(y);",
          "g = sin(x) + cos(y);", "h = atan2(x, y);", "i = log10(x) * log2(y);", "j = x ** 0.5;", "k = round(x);",
          "l = sign(y);", "m = max(x, y) - min(x, y);", "n = tanh(x * y);"}, {}, {}, 0, 0},
        {"character_values",
         {"c = catx('-', 'a', put(x, '8.2'));", "l = length(c);", "s = substr(c, 2, 3);", "u = upcase(s);",
          "v = input('12.5') + x;", "if c = 'a-    1.00' then w = 1;", "else w = 0;", "put c= l= w=;"}, {}, {}, 0, 0},
    };
    return table;
}

tiers::Program program_of(const Case& c, Rec& rec, double& cell) {
    tiers::Program p;
    p.statements = c.statements;
    p.runs = kRuns;
    p.budget = c.budget;
    p.declare = [&c](cmp_session* s) {
        const cmp_member m[] = {{"X", CMP_MEMBER_NUMBER, offsetof(Rec, x)}, {"Y", CMP_MEMBER_NUMBER, offsetof(Rec, y)},
                                {"REF", CMP_MEMBER_POINTER, offsetof(Rec, ref)},
                                {"OUT", CMP_MEMBER_NUMBER, offsetof(Rec, out)}};
        cmpinss(s, "RECORD", -1, m, 4, sizeof(Rec));
        cmpstri(s, "RECORD", -1, "R", -1, 1);
        static const cmp_special_def end_def{"END_IT", 1, "n", 0, 0, nullptr, nullptr, end_it, nullptr, 0};
        static const cmp_special_def bump_def{"BUMP", 1, "n", 0, 0, nullptr, bump_check, bump, nullptr, 0};
        cmpinst(s, &end_def);
        cmpinst(s, &bump_def);
        cmpdyna(s);
        cmpfrna(s);
        if (c.trace) cmpopt2(s, c.trace, 1);
    };
    p.bind = [&rec, &cell](cmp_session*, cmp_instance* in, int run) {
        cell = 7 + run;
        rec = Rec{kX[run], kY[run], run % 2 ? nullptr : &cell, qor::missing()};
        cmpbase(in, "R", -1, &rec);
    };
    p.observe = [&rec, &cell](std::vector<std::string>& record) {
        record.push_back("record x " + tiers::bits_text(rec.x) + " y " + tiers::bits_text(rec.y) + " out " +
                         tiers::bits_text(rec.out) + " cell " + tiers::bits_text(cell));
    };
    return p;
}

TEST(Tiers, EveryProgramLeavesTheSameRecordOnBothTiers) {
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        Rec rec{};
        double cell = 0;
        tiers::Program p = program_of(c, rec, cell);
        tiers::Outcome vm = tiers::run_under(CMP_TIER_VM, p);
        tiers::Outcome native = tiers::run_under(CMP_TIER_NATIVE, p);
        ASSERT_EQ(vm.generated, 0) << (vm.record.empty() ? "" : vm.record.front());
        EXPECT_EQ(vm.tier, CMP_TIER_VM);
        EXPECT_EQ(native.tier, CMP_TIER_NATIVE) << "the native session must not fall back to the interpreter";
        EXPECT_EQ(tiers::first_difference(vm, native), "");
        for (const std::string& want : c.must_contain) {
            bool seen = false;
            for (const std::string& line : vm.record) seen = seen || line.find(want) != std::string::npos;
            EXPECT_TRUE(seen) << "no record entry shows: " << want;
        }
        if (!c.printed.empty()) {
            // one run's lines, written out; every run writes the same ones
            std::vector<std::string> expected;
            for (int r = 0; r < kRuns; ++r) expected.insert(expected.end(), c.printed.begin(), c.printed.end());
            EXPECT_EQ(vm.printed, expected);
            EXPECT_EQ(native.printed, expected);
        }
    }
}

// A run starts from the values the last run left, so the tiers must agree on every run of a series,
// not only on a fresh instance: retained values fed back through a hundred runs.
TEST(Tiers, SeriesOfRunsOnOneInstanceAgree) {
    tiers::Program p;
    p.statements = {"if acc = . then acc = 0;", "acc = acc * 1.0001 + 1 / (acc - 3);", "if acc > 50 then acc = .C;",
                    "if acc = .C then acc = 0;", "if m = . then m = .B;", "m = min(m, acc);"};
    p.runs = 100;
    tiers::Outcome vm = tiers::run_under(CMP_TIER_VM, p);
    tiers::Outcome native = tiers::run_under(CMP_TIER_NATIVE, p);
    ASSERT_EQ(vm.generated, 0) << (vm.record.empty() ? "" : vm.record.front());
    EXPECT_EQ(native.tier, CMP_TIER_NATIVE);
    EXPECT_EQ(tiers::first_difference(vm, native), "");
}

// The session's default tier comes from QOR_METHODS_TIER: the compiler tests are registered once
// with "vm" and once with "native", and this shows the second registration does run machine code.
TEST(Tiers, SessionDefaultFollowsTheEnvironment) {
    const char* mode = std::getenv("QOR_METHODS_TIER");
    if (!mode || (std::strcmp(mode, "vm") != 0 && std::strcmp(mode, "native") != 0)) GTEST_SKIP() << "no tier set";
    Compiled p;
    ASSERT_TRUE(p.build({"x = 1;", "y = x * 2;"}));
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(cmptier(p.instance()), std::strcmp(mode, "native") == 0 ? CMP_TIER_NATIVE : CMP_TIER_VM);
}



// A library function may keep state (a counter, a generator): where its result is not a finite
// number the machine code must not leave the call to the VM to make again.
int g_counted_calls = 0;
double counted(double x) {
    ++g_counted_calls;
    return x < 0 ? INFINITY : x;
}

TEST(Tiers, LibraryFunctionsAreCalledOnceOnEitherTier) {
    for (int tier : {CMP_TIER_VM, CMP_TIER_NATIVE}) {
        Compiled p;
        ASSERT_EQ(cmpfunc1(p.session, "COUNTED", counted), 0);
        ASSERT_EQ(cmpopt2(p.session, CMP_OPTION_TIER, tier), 0);
        ASSERT_TRUE(p.build({"y = counted(-1);", "z = counted(2);"}));
        g_counted_calls = 0;
        ASSERT_EQ(p.run(), 0);
        EXPECT_EQ(cmptier(p.instance()), tier);
        EXPECT_EQ(g_counted_calls, 2) << "tier " << tier;
        EXPECT_TRUE(qor::is_missing(*p.num("Y")));
        EXPECT_EQ(*p.num("Z"), 2);
        EXPECT_EQ(cmpmissn(p.instance()), 1);
    }
}

}  // namespace
