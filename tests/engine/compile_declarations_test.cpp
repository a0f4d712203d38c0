// The compiler's declaration hook in a started engine: a name of an environment variable that
// method source uses is declared on the variable's value; other names stay the program's own.
#include <cstring>

#include "engine/compiler/compiler_driver.h"
#include "engine/model/variables/variable_record.h"
#include "tests/engine/variables_fixture.h"

namespace {

class CompileDeclarationsTest : public VariableEngine {};

TEST_F(CompileDeclarationsTest, EnvironmentVariableIsBoundToItsValueAndOthersStayLocal) {
    RSKVARIABLE* rate = nullptr;
    ASSERT_EQ(declare(Declare("RATE"), &rate), 0) << log();
    ASSERT_NE(con->compile_handle, nullptr) << "start-up makes the compile handle";
    double value = 0.25;
    void* saved = rate->value;
    rate->value = &value;
    rate->value_class = 1;

    ASSERT_EQ(rskcmp0(con, nullptr, 0, 0, nullptr), 0) << log();
    RSKACTION action{};
    ASSERT_EQ(rsksact(con, &action, RSKBLK_MAIN), 0);
    for (const char* s : {"y = rate * 2;", "z = other + 1;", "return;"})
        ASSERT_LE(rskpush(con->compile_handle, s, 0, 2), 0) << s << log();
    ASSERT_EQ(rskgcmp(con), 0) << log();
    rskmact(con, nullptr, RSKBLK_MAIN, 1, 0);
    ASSERT_EQ(rskrcmp(con, nullptr, 1), 0) << log();
    double* y = nullptr;
    ASSERT_EQ(lookup_sym(con, "Y", 1, nullptr, &y), 0);
    EXPECT_EQ(*y, 0.5);
    double* other = nullptr;
    ASSERT_EQ(lookup_sym(con, "OTHER", 5, nullptr, &other), 0);
    EXPECT_NE(other, &value);
    rate->value = saved;
}

}  // namespace
