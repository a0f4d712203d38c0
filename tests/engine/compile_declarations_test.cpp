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

namespace {

// A method written to the catalog by one compile is read back by the next, which then runs it.
TEST_F(CompileDeclarationsTest, MethodWrittenToTheCatalogIsLoadedByTheNextCompile) {
    ASSERT_EQ(rskicmp(0, 0, con, 1), 0) << log();
    RSKCMPCON* h = con->compile_handle;
    for (const char* s : {"METHOD HALF KIND=PRICE 'half of it';", "BLOCK MAIN;", "h = h / 2;", "ENDBLOCK;", "ENDMETHOD;"})
        ASSERT_LE(rskpush(h, s, 0, 2), 0) << s << log();
    RSKMETHODREC* method = create_method(h->extension, "HALF", 4);
    ASSERT_NE(method, nullptr);
    EXPECT_EQ(find_method(h->extension, "half", 4), method);
    EXPECT_EQ(write_method(h->compilation.program, method, nullptr, 0), 0) << log();

    ASSERT_EQ(rskicmp(0, 0, con, 1), 0) << log();
    h = con->compile_handle;
    RSKMETHODREC* loaded = create_method(h->extension, "HALF", 4);
    ASSERT_EQ(load_method(h->extension, loaded), 0) << log();
    EXPECT_EQ(loaded->defined, 1);
    EXPECT_EQ(rskcompm(h->compilation.program, "HALF", 4), 1);
    double cell = 8;
    cmp_symbol* symbol = cmpsymd(h->compilation.program, "H", 1, 'v', 'n');
    ASSERT_EQ(cmppdvb(h->compilation.program, symbol, &cell), 0);
    RSKACTION action{};
    ASSERT_EQ(rsksact(con, &action, RSKBLK_MAIN), 0);
    for (const char* s : {"runmethod HALF MAIN;", "return;"}) ASSERT_LE(rskpush(h, s, 0, 2), 0) << s << log();
    ASSERT_EQ(rskgcmp(con), 0) << log();
    rskmact(con, &action, RSKBLK_MAIN, 1, 0);
    ASSERT_EQ(rskrcmp(con, nullptr, 1), 0) << log();
    EXPECT_EQ(cell, 4.0);
}

TEST_F(CompileDeclarationsTest, KindLettersAndBlockNamesMatchTheMethodStatement) {
    const char letters[] = "ITPJVRSM";
    for (int option = 1; option <= 8; ++option) {
        EXPECT_EQ(rsk_kind_letter(option), letters[option - 1]);
        EXPECT_EQ(rsk_kind_option(letters[option - 1]), option);
    }
    EXPECT_EQ(rsk_kind_letter(0), 'N');
    EXPECT_EQ(rsk_kind_letter(9), 'N');
    EXPECT_EQ(rsk_block_type("inst_init", 9), RSKBLK_INST_INIT);
    EXPECT_EQ(rsk_block_type("MAIN", 4), RSKBLK_MAIN);
    EXPECT_EQ(rsk_block_type("MAI", 3), -1);
    EXPECT_EQ(castsuffix("lags", 4), RSKCAST_LAGS);
    EXPECT_EQ(castsuffix("VAR_U", 5), RSKCAST_VAR_U);
    EXPECT_EQ(castsuffix("VA", 2), -1);
    EXPECT_EQ(lastpos("a.b.c", -1, '.'), 3);
    EXPECT_EQ(lastpos("abc", 3, '.'), -1);
}

}  // namespace
