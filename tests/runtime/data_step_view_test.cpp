// A DATA step reads a view member as it reads a data set: opening the view runs its program
// through the registered view runner (here one that runs a stored DATA step).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/dataset.h"
#include "runtime/datastep/data_step.h"
#include "runtime/procs/proc_datasets.h"

namespace {

// Runs the view's program, a DATA step writing WORK.VIEW_ROWS, and answers that member.
int run_stored_step(const char*, const char*, const char* program, size_t length, char out_libref[8],
                    qor_member_name* out_member) {
    if (qor::runtime::run_data_step(std::string(program, length), 1) != 0) return QOR_DS_BAD_REQUEST;
    std::memcpy(out_libref, "WORK    ", 8);
    out_member->length = 9;
    std::memcpy(out_member->text, "VIEW_ROWS", 9);
    return 0;
}

TEST(DataStepView, SetReadsAViewMember) {
    ASSERT_EQ(qor::runtime::run_data_step("data base; do k = 1 to 3; output; end; run;", 1), 0);
    const std::string view_program = "data view_rows; set base; where k >= 2; twice = k * 2; run;";
    ASSERT_EQ(xovwrit("WORK", "SECOND", view_program.data(), view_program.size()), 0);
    qor_view_runner before = qor_set_view_runner(run_stored_step);
    int rc = qor::runtime::run_data_step("data got; set second; total + twice; run;", 1);
    qor_set_view_runner(before);
    ASSERT_EQ(rc, 0);

    qor::runtime::DatasetReader reader;
    ASSERT_TRUE(reader.open({"WORK", "GOT"}, "TEST"));
    ASSERT_EQ(reader.variables().size(), 3u);   // k, twice, total
    const double expected_total[] = {4, 10};
    for (double want : expected_total) {
        ASSERT_EQ(reader.next(), 1);
        EXPECT_EQ(reader.number(2), want);
    }
    EXPECT_EQ(reader.next(), 0);
}

}  // namespace
