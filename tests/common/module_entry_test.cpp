// Module start-up: the step context and its parser trace flags from the DEBUG option, and the
// function manager's start-up and routine registration.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/module/step_context.h"
#include "host/fm.h"
#include "host/options.h"
#include "host/pool.h"
#include "runtime/core/step.h"

namespace {

struct Flags {
    int syntax;
    int semantic;
};

Flags flags_for_debug(const std::string& debug) {
    EXPECT_EQ(xoptcst("DEBUG", debug.data(), static_cast<int>(debug.size())), 0);
    qor_step* step = qor::runtime::begin_step("TEST", "", 0, 1);
    xinit();
    step_context* context = module_step_context();
    Flags f{-1, -1};
    if (context) f = {context->syntax_trace, context->semantic_trace};
    xinit();   // a second call in the same step keeps the same context
    EXPECT_EQ(module_step_context(), context);
    qor::runtime::end_step(step);
    xoptcst("DEBUG", "", 0);
    return f;
}

TEST(StepContext, TraceFlagsFollowTheDebugOption) {
    struct Case { std::string debug; int syntax; int semantic; };
    const Case cases[] = {
        {"  sem syn ", 1, 1},
        {"          ", 0, 0},
        {"", 0, 0},
        {"syntax", 1, 0},
        {std::string(297, 'x') + "SEM", 0, 1},   // longer than the local buffer
        {std::string(250, ' ') + "Syn", 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.debug.size());
        Flags f = flags_for_debug(c.debug);
        EXPECT_EQ(f.syntax, c.syntax);
        EXPECT_EQ(f.semantic, c.semantic);
    }
}

TEST(StepContext, NoMemoryForALongDebugValueLeavesTheFlagsOff) {
    std::string debug = std::string(297, 'x') + "SEM";
    ASSERT_EQ(xoptcst("DEBUG", debug.data(), static_cast<int>(debug.size())), 0);
    qor_step* step = qor::runtime::begin_step("TEST", "", 0, 1);
    qor_pool_fail_nth(2);   // the context is allocated, the copy of the long value is not
    xinit();
    qor_pool_fail_nth(0);
    step_context* context = module_step_context();
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(context->semantic_trace, 0);
    EXPECT_EQ(context->syntax_trace, 0);
    qor::runtime::end_step(step);
    xoptcst("DEBUG", "", 0);
}

TEST(StepContext, OutsideAStepNothingIsKept) {
    xinit();
    EXPECT_EQ(module_step_context(), nullptr);
}

TEST(FunctionManager, StartsOnceAndRegistersTheRoutineTable) {
    struct { int16_t length; char text[4]; } zozu = {4, {'Z', 'O', 'Z', 'U'}};
    ASSERT_EQ(fminit("N", "N", nullptr, nullptr, nullptr, nullptr, 1279, &zozu, nullptr, nullptr), 0);
    qor_fm_common* common = fmcomgt();
    EXPECT_EQ(common->initialised, 1);
    EXPECT_STREQ(common->workspace, "ZOZU");
    EXPECT_EQ(common->routines[0], &fmxlmsi);
    EXPECT_EQ(common->routines[9], nullptr);     // the tenth entry is empty
    EXPECT_EQ(common->routines[10], &fmdspex);
    EXPECT_EQ(common->routines[67], &fmdscmp);
    EXPECT_EQ(common->routines[68], nullptr);
    EXPECT_EQ(common->free_routine, &afsfree);

    // Already running: no second initialisation (the workspace name stays), the load still runs.
    struct { int16_t length; char text[4]; } other = {4, {'A', 'B', 'C', 'D'}};
    EXPECT_EQ(fminit("N", "N", nullptr, nullptr, nullptr, nullptr, 1279, &other, nullptr, nullptr), 0);
    EXPECT_STREQ(common->workspace, "ZOZU");
}

}  // namespace
