// Calendars through the engine's entry table: holiday rules expanded from data sets, business
// days and moves, month arithmetic, bad rules and the limit of holiday data sets. Expected
// dates were taken from Python's datetime (days since 1 January 1960).
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/model/calendars/calendars.h"
#include "host/options.h"
#include "runtime/storage/libraries.h"
#include "tests/engine/dataset_writer.h"
#include "tests/engine/engine_fixture.h"

namespace {

using Cald = int (*)(RSKCON*, RSKCALENDAR**, const char*, int, int, const RSKNAMEREC*, RSKCATOBJ*);
using Cabd = int (*)(const RSKCALENDAR*, double);
using Move = double (*)(const RSKCALENDAR*, double);
using Caad = double (*)(const RSKCALENDAR*, double, int);
using Caam = double (*)(double, int);

// Weekdays of the rules: 0 Sunday .. 6 Saturday.
constexpr const char* kMonday = "1";
constexpr const char* kThursday = "4";

const std::vector<TestColumn> kRuleColumns = {{"TYPE", false, 8},  {"ABSDATE", false, 8}, {"MONTH", false, 8},
                                              {"DAY", false, 8},   {"NTH", false, 8},     {"DAOFWK", false, 8}};

class Calendar : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        dir_ = ::testing::TempDir() + "/calendar_lib_" + std::to_string(::getpid());
        std::filesystem::create_directories(dir_);
        ASSERT_EQ(qor::runtime::assign_library("HOLS", dir_, "V9"), 0);
        ASSERT_EQ(xoptigt("YEARCUTOFF", &saved_cutoff_), 0);
        ASSERT_EQ(xoptist("YEARCUTOFF", 1970), 0);   // window 1 January 1970 to 1 January 2070
        cald = engine_routine<EngineSlot::rskcald>();
        cabd = engine_routine<EngineSlot::rskcabd>();
        canb = engine_routine<EngineSlot::rskcanb>();
        capb = engine_routine<EngineSlot::rskcapb>();
        caad = engine_routine<EngineSlot::rskcaad>();
        caam = engine_routine<EngineSlot::rskcaam>();
    }
    void TearDown() override {
        xoptist("YEARCUTOFF", saved_cutoff_);
        qor::runtime::clear_library("HOLS");
        std::filesystem::remove_all(dir_);
        EngineTest::TearDown();
    }
    // Defines calendar `name` from the given data set specifications.
    RSKCALENDAR* define(const std::vector<std::string>& specs, RSKCATOBJ* header, int* rc = nullptr) {
        std::vector<RSKNAMEREC> names;
        for (const auto& s : specs) names.push_back(name_of(s.c_str()));
        RSKCALENDAR* calendar = nullptr;
        int result = cald(&con_, &calendar, "TARGET", -1, static_cast<int>(names.size()), names.data(), header);
        if (rc != nullptr) *rc = result;
        return calendar;
    }
    std::string dir_;
    long saved_cutoff_ = 0;
    RSKCATOBJ header_{};
    Cald cald;
    Cabd cabd;
    Move canb, capb;
    Caad caad;
    Caam caam;
};

TEST_F(Calendar, RulesMarkTheirHolidaysOverTheWindow) {
    ASSERT_EQ(write_test_dataset("HOLS", "weekend", kRuleColumns,
                                 {{"5", ".", ".", ".", ".", "0"}, {"5", ".", ".", ".", ".", "6"}}), 0);
    ASSERT_EQ(write_test_dataset("HOLS", "fixed", kRuleColumns,
                                 {{"1", "23562", ".", ".", ".", "."},        // 5 July 2024
                                  {"2", ".", "12", "25", ".", "."},          // Christmas
                                  {"2", ".", "2", "29", ".", "."},           // 29 February
                                  {"3", ".", "5", ".", "5", kMonday},        // last Monday of May
                                  {"3", ".", "11", ".", "4", kThursday},     // fourth Thursday of November
                                  {"4", ".", "5", "25", "1", kMonday}}), 0); // first Monday on or after 25 May
    RSKCALENDAR* calendar = define({"hols.weekend", "HOLS.FIXED"}, &header_);
    ASSERT_NE(calendar, nullptr);
    EXPECT_EQ(header_.object, calendar);
    EXPECT_EQ(calendar->dataset_count, 2);
    EXPECT_EQ(calendar->first_day, 3653);
    EXPECT_EQ(calendar->end_day, 40178);

    const struct { double day; int business; const char* what; } cases[] = {
        {23513, 1, "Friday 17 May 2024"},
        {23514, 0, "Saturday 18 May 2024"},
        {23562, 0, "absolute 5 July 2024"},
        {25926, 0, "Christmas 2030"},
        {23435, 0, "29 February 2024"},
        {23069, 1, "28 February 2023"},
        {23070, 1, "1 March 2023 (no 29 February)"},
        {23523, 0, "last Monday of May 2024"},
        {23159, 0, "last Monday of May 2023"},
        {22431, 0, "last Monday of May 2021 (31 May)"},
        {22424, 1, "Monday 24 May 2021 (not the last)"},
        {23509, 1, "Monday 13 May 2024"},
        {23708, 0, "fourth Thursday of November 2024"},
        {23337, 0, "fourth Thursday of November 2023"},
        {22060, 0, "first Monday on or after 25 May 2020 is the 25th"},
        {3648, 1, "Saturday before the window"},
        {40174, 0, "last Saturday in the window"},
        {40181, 1, "Saturday after the window"},
    };
    for (const auto& c : cases) EXPECT_EQ(cabd(calendar, c.day), c.business) << c.what;
}

TEST_F(Calendar, BusinessDayMovesSkipWeekendsAndHolidays) {
    ASSERT_EQ(write_test_dataset("HOLS", "weekend", kRuleColumns,
                                 {{"5", ".", ".", ".", ".", "0"}, {"5", ".", ".", ".", ".", "6"},
                                  {"1", "23523", ".", ".", ".", "."}}), 0);   // Monday 27 May 2024
    RSKCALENDAR* calendar = define({"hols.weekend"}, &header_);
    ASSERT_NE(calendar, nullptr);
    const struct { double day; int n; double expected; const char* what; } cases[] = {
        {23513, 1, 23516, "Friday + 1 is Monday"},
        {23516, -2, 23512, "Monday - 2 is Thursday"},
        {23516, 0, 23516, "no move"},
        {23514, 0, 23514, "no move from a holiday either"},
        {23520, 1, 23524, "Friday before a Monday holiday + 1 is Tuesday"},
        {23524, -1, 23520, "and back"},
        {23513, 10, 23530, "ten business days: Monday 3 June"},
        {40179, 1, 40180, "past the window's end a Saturday is a business day"},
    };
    for (const auto& c : cases) EXPECT_EQ(caad(calendar, c.day, c.n), c.expected) << c.what;
    EXPECT_EQ(canb(calendar, 23513), 23516);
    EXPECT_EQ(capb(calendar, 23516), 23513);
}

TEST_F(Calendar, MonthArithmeticKeepsMonthEnds) {
    const struct { double day; int n; double expected; const char* what; } cases[] = {
        {23041, 1, 23069, "31 Jan 2023 + 1 = 28 Feb 2023"},
        {23406, 1, 23435, "31 Jan 2024 + 1 = 29 Feb 2024"},
        {23069, 1, 23100, "28 Feb 2023 (month end) + 1 = 31 Mar 2023"},
        {23084, -3, 22994, "15 Mar 2023 - 3 = 15 Dec 2022"},
        {23130, 1, 23161, "30 Apr 2023 (month end) + 1 = 31 May 2023"},
        {23435, 12, 23800, "29 Feb 2024 + 12 = 28 Feb 2025"},
        {23434, 12, 23800, "28 Feb 2024 (not a month end) + 12 = 28 Feb 2025"},
        {23375, 2, 23435, "31 Dec 2023 + 2 = 29 Feb 2024"},
        {23390, -13, 22994, "15 Jan 2024 - 13 = 15 Dec 2022"},
        {23041, 0, 23041, "no move"},
    };
    for (const auto& c : cases) EXPECT_EQ(caam(c.day, c.n), c.expected) << c.what;
    EXPECT_TRUE(std::isnan(caam(std::nan(""), 1)));
}

TEST_F(Calendar, BadRulesAreAlwaysReportedAndTheOthersStillApply) {
    ASSERT_EQ(con_.echo, 0u);
    ASSERT_EQ(write_test_dataset("HOLS", "bad", kRuleColumns,
                                 {{"3", ".", "13", ".", "1", kMonday},     // month 13
                                  {".", "23562", ".", ".", ".", "."},      // no rule kind
                                  {"9", ".", ".", ".", ".", "."},          // unknown kind
                                  {"4", ".", "5", ".", "1", kMonday},      // anchored without a day
                                  {"4", ".", "5", "32", "1", kMonday},     // day 32
                                  {"3", ".", "5", ".", "0", kMonday},      // no 0th occurrence
                                  {"5", ".", ".", ".", ".", "7"},          // weekday 7
                                  {"5", ".", ".", ".", ".", "1e300"},      // far outside any integer
                                  {"1", ".", ".", ".", ".", "."},          // absolute without a date
                                  {"2", ".", "12", ".", ".", "."},         // periodic without a day
                                  {"1", "23513", ".", ".", ".", "."}}), 0); // a good rule after them
    RSKCALENDAR* calendar = define({"HOLS.BAD"}, &header_);
    ASSERT_NE(calendar, nullptr);
    EXPECT_EQ(cabd(calendar, 23513), 0);   // the good rule applied
    EXPECT_EQ(cabd(calendar, 23562), 1);
    std::string text = log();
    for (const char* line : {"WARNING: rskcal: invalid month number (13).",
                             "WARNING: rskcal: unknown calculation type (.).",
                             "WARNING: rskcal: unknown calculation type (9).",
                             "WARNING: rskcal: invalid day number (.).",
                             "WARNING: rskcal: invalid day number (32).",
                             "WARNING: rskcal: invalid day instance number (0).",
                             "WARNING: rskcal: invalid day of week (7).",
                             "WARNING: rskcal: invalid day of week (1e+300).",
                             "WARNING: rskcal: missing absolute date (.)."})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    EXPECT_EQ(count_of(text, "WARNING: rskcal:"), 10) << text;
}

TEST_F(Calendar, MoreThanSixteenDataSetsAreRefused) {
    ASSERT_EQ(write_test_dataset("HOLS", "weekend", kRuleColumns, {{"5", ".", ".", ".", ".", "0"}}), 0);
    std::vector<std::string> specs(17, "HOLS.WEEKEND");
    int rc = 0;
    EXPECT_EQ(define(specs, &header_, &rc), nullptr);
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(header_.object, nullptr);
    EXPECT_NE(log().find("598/2352 ERROR: Calendar TARGET names 17 holiday data sets; at most 16"),
              std::string::npos) << log();
    specs.resize(16);
    RSKCALENDAR* calendar = define(specs, &header_, &rc);
    ASSERT_NE(calendar, nullptr);
    EXPECT_EQ(calendar->dataset_count, 16);
}

TEST_F(Calendar, RedefinitionReplacesTheHolidaysAndListsTheDataSets) {
    ASSERT_EQ(write_test_dataset("HOLS", "sundays", kRuleColumns, {{"5", ".", ".", ".", ".", "0"}}), 0);
    ASSERT_EQ(write_test_dataset("HOLS", "saturdays", kRuleColumns, {{"5", ".", ".", ".", ".", "6"}}), 0);
    RSKCALENDAR* first = define({"HOLS.SUNDAYS"}, &header_);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(cabd(first, 23515), 0);                                 // Sunday 19 May 2024
    RSKCALENDAR* second = define({"HOLS.SATURDAYS"}, &header_);
    EXPECT_EQ(second, first);                                         // the same record, redefined
    EXPECT_EQ(cabd(second, 23515), 1);
    EXPECT_EQ(cabd(second, 23514), 0);
    auto calp = engine_routine<EngineSlot::rskcalp>();
    EXPECT_EQ(calp(&con_, second), 0);
    std::string text = listing();
    EXPECT_NE(text.find("598/2351 Calendar TARGET:"), std::string::npos) << text;
    EXPECT_NE(text.find("598/2354     Holiday data set HOLS.SATURDAYS"), std::string::npos) << text;

    auto calf = engine_routine<EngineSlot::rskcalf>();
    EXPECT_EQ(calf(&con_, second), 0);
    EXPECT_EQ(free_lists_.calendars, second);
    EXPECT_EQ(second->dataset_count, 0);
}

TEST_F(Calendar, AMissingDataSetLeavesTheCalendarWithoutItsHolidays) {
    // The library exists but the member does not: the search-path resolver takes over and
    // reports; the calendar is still defined.
    RSKCALENDAR* calendar = define({"HOLS.NOSUCH"}, &header_);
    ASSERT_NE(calendar, nullptr);
    EXPECT_EQ(cabd(calendar, 23514), 1);
}

}  // namespace
