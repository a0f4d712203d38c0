// UNITTEST: the eight self-tests and their report, a user's own "tlib" left as it was, and an
// allocation failure that fails one test seriously and the statement with it.
#include <filesystem>
#include <string>

#include "engine/counterparty/unittest.h"
#include "host/files.h"
#include "tests/engine/definitions_fixture.h"

namespace {

using UnitTestStatement = DefinitionsTest;

size_t occurrences(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

// Allocations the call makes, counted through the failure hook.
template <typename Call>
long allocations_of(Call call) {
    constexpr long kFar = 1L << 40;
    qor_pool_fail_nth(kFar);
    call();
    return kFar - qor_pool_fail_nth(0);
}

TEST_F(UnitTestStatement, EightTestsSucceedAndAUsersLibraryIsRestored) {
    const std::filesystem::path mine = dir_ / "mine";
    std::filesystem::create_directories(mine);
    ASSERT_EQ(xhlasn2("TLIB", mine.c_str(), static_cast<int>(mine.string().size()), nullptr), 0);

    EXPECT_EQ(engine_routine<EngineSlot::unittest_stmt>()(con, nullptr), 0) << log();
    const std::string text = log();
    for (const char* line : {"NOTE:  UNIT TEST RESULTS FOR ZOZU\n", "NOTE:  TOTAL TESTS: 8\n", "NOTE:  TOTAL FAILURES: 0\n",
                             "NOTE:  TOTAL TEST_MINOR FAILURES: 0\n", "NOTE:  TOTAL SERIOUS FAILURES: 0\n",
                             "NOTE:  TEST HASHTABLESIZE 1 WAS A SUCCESS\n", "NOTE:  TEST HASHTABLESIZE 1000000 WAS A SUCCESS\n",
                             "NOTE:  TEST DATASETTEST WAS A SUCCESS\n", "NOTE:  TEST COUNTERPARTYTEST WAS A SUCCESS\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << text;
    EXPECT_EQ(occurrences(text, "WAS A SUCCESS\n"), 8u);
    EXPECT_EQ(occurrences(text, "NOTE:   No Errors!\n"), 8u);
    // The tests worked elsewhere: the user's library is back and holds nothing of theirs.
    qor_library_info info{};
    ASSERT_EQ(xhlinf2("TLIB", &info), 0);
    EXPECT_EQ(std::filesystem::path(std::string(info.path, static_cast<size_t>(info.path_length))), std::filesystem::canonical(mine));
    EXPECT_TRUE(std::filesystem::is_empty(mine));
}

TEST_F(UnitTestStatement, AFailedAllocationIsASeriousFailureWithItsNote) {
    RSKTESTLIST* list = new_test_list(con->current_pool);
    ASSERT_NE(list, nullptr);
    const long used = allocations_of([&] { EXPECT_EQ(test_hashtable(con, list, 9), 0); });
    ASSERT_GT(used, 100);
    qor_pool_fail_nth(used / 2);
    EXPECT_EQ(test_hashtable(con, list, 9), 1);
    qor_pool_fail_nth(0);
    EXPECT_EQ(list->total, 2);
    EXPECT_EQ(list->failures, 1);
    EXPECT_EQ(list->serious_failures, 1);
    EXPECT_EQ(list->minor_failures, 0);
    ASSERT_NE(list->last->note, nullptr);
    EXPECT_EQ(std::string(list->last->note), "NULL Hashitem");   // the items are most of what it takes
    free_test_list(list);
}

TEST_F(UnitTestStatement, ASeriousFailureFailsTheStatement) {
    auto statement = engine_routine<EngineSlot::unittest_stmt>();
    const long used = allocations_of([&] { EXPECT_EQ(statement(con, nullptr), 0); });
    qor_pool_fail_nth(used / 2);
    EXPECT_EQ(statement(con, nullptr), 1);
    qor_pool_fail_nth(0);
    const std::string text = log();
    EXPECT_NE(text.find("NOTE:  TOTAL SERIOUS FAILURES: 1\n"), std::string::npos) << text;
    EXPECT_EQ(occurrences(text, "HAD A SERIOUS FAILURE\n"), 1u);
}

}  // namespace
