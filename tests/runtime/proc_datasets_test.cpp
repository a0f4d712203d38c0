// PROC DATASETS on view members (which only the SQL procedure makes in programs): COPY with
// SELECT / MEMTYPE=VIEW copies the stored view text, DELETE name(MEMTYPE=VIEW) removes it, and a
// member of the other type of the same name is left alone.
#include <string>

#include "runtime/storage/libraries.h"
#include "runtime/submit/program_runner.h"
#include "tests/runtime/dataset_fixture.h"

namespace {

class ProcDatasets : public DatasetTest {};

TEST_F(ProcDatasets, ViewsAreCopiedAndDeletedByMemberType) {
    std::filesystem::create_directories(dir / "out");
    ASSERT_EQ(qor::runtime::assign_library("dsout", (dir / "out").string(), ""), 0);
    const std::string program = "select * from dstest.cube_1 outer union corr select * from dstest.cube_3";
    ASSERT_EQ(xovwrit("DSTEST", "CUBE_S", program.data(), program.size()), 0);
    write_rows("CUBE_S", 2);   // a data set of the same name
    write_rows("CUBE_1", 3);
    std::string text = "PROC DATASETS LIBRARY = dstest NOLIST NODETAILS;\n\tCOPY OUT=dsout;\n\tSELECT\n\tcube_1"
                       "\n\t/ MEMTYPE=DATA;\n\tSELECT\n\t cube_s\n\t/ MEMTYPE=VIEW;\nRUN;";
    ASSERT_EQ(qor::runtime::run_program_text(text, "test").worst_code, 0) << log();
    char copied[256] = {};
    size_t length = 0;
    ASSERT_EQ(xovread("DSOUT", "CUBE_S", copied, sizeof copied, &length), 0);
    EXPECT_EQ(std::string(copied, length), program);
    EXPECT_TRUE(std::filesystem::exists(dir / "out" / "cube_1.qor7bdat"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out" / "cube_s.qor7bdat"));   // DATA not selected

    text = "proc datasets library=dsout nolist; delete cube_1 cube_s(memtype=view); run;";
    ASSERT_EQ(qor::runtime::run_program_text(text, "test").worst_code, 0) << log();
    EXPECT_TRUE(std::filesystem::is_empty(dir / "out"));
    text = "proc datasets library=dstest nolist; delete cube_s / memtype=all; run;";
    ASSERT_EQ(qor::runtime::run_program_text(text, "test").worst_code, 0) << log();
    EXPECT_FALSE(std::filesystem::exists(dir / "cube_s.qor7bdat"));
    EXPECT_FALSE(std::filesystem::exists(dir / "cube_s.qor7bvew"));
    qor::runtime::clear_library("dsout");
}

}  // namespace
