// The position loop's arithmetic that needs no priced portfolio: cell statistics of positions,
// the roll-up of cells and their finish, progress notes on an injected clock, and the positions
// of a portfolio part.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/run/position_loop.h"
#include "engine/run/run_block.h"
#include "host/missing.h"

namespace {

using qor::is_missing;

constexpr double kTiny = 1.110223024625157e-16;

// A cell record: the leading statistics, then one post-processed output variable.
struct Cell {
    RSKCELLHEAD head;
    double outvar;
};

class CellStatistics : public ::testing::Test {
protected:
    void SetUp() override {
        run = std::make_unique<RSKRUNBLOCK>();
        std::memset(static_cast<void*>(run.get()), 0, sizeof(RSKRUNBLOCK));
        std::memset(static_cast<void*>(&con), 0, sizeof con);
        con.run_block = run.get();
    }
    void with_outvar(int sum_kind, int code = 0) {
        outvar = RSKPPVAR{static_cast<int32_t>(offsetof(Cell, outvar)), sum_kind, code, 0};
        run->loop.ppvars = &outvar;
        run->loop.ppvar_count = 1;
    }
    static Cell position(double value, double exposure, double outvar = 0, int signed_exposure = 0) {
        Cell c{};
        rsk_cell_add_position(&c.head, value, exposure, signed_exposure);
        c.outvar = outvar;
        return c;
    }

    std::unique_ptr<RSKRUNBLOCK> run;
    RSKCON con{};
    RSKPPVAR outvar{};
};

TEST_F(CellStatistics, PositionsFillTheLeadingStatistics) {
    Cell cell{};
    for (double v : {1.0, -2.0, 3.0, 4.0}) rsk_cell_add_position(&cell.head, v, v, 0);
    rsk_cell_add_position(&cell.head, qor::missing(), qor::missing(), 0);
    EXPECT_EQ(cell.head.positions, 5);
    EXPECT_EQ(cell.head.missing, 1);
    EXPECT_EQ(cell.head.value_sum, 6.0);
    EXPECT_EQ(cell.head.nonnegative_sum, 8.0);
    EXPECT_EQ(cell.head.negative_sum, -2.0);
    EXPECT_EQ(cell.head.minimum, -2.0);
    EXPECT_EQ(cell.head.maximum, 4.0);
    // A missing exposure makes the exposure sums missing; the value sums stay.
    EXPECT_TRUE(is_missing(cell.head.exposure_sum));
    rsk_cell_finish_head(&con, &cell.head);
    // Mean 1.5 and population deviation sqrt((1+4+9+16)/4 - 1.5^2) = sqrt(5.25) of the 4 values.
    EXPECT_DOUBLE_EQ(cell.head.statistics_sum, 1.5);
    EXPECT_DOUBLE_EQ(cell.head.squares_sum, std::sqrt(5.25));

    Cell one = position(7.25, 1);
    rsk_cell_finish_head(&con, &one.head);
    EXPECT_EQ(one.head.minimum, 7.25);
    EXPECT_EQ(one.head.maximum, 7.25);
    EXPECT_EQ(one.head.squares_sum, 0.0);

    // A cell of missing positions only counts them, and has no minimum or maximum at the end.
    Cell none{};
    rsk_cell_add_position(&none.head, qor::missing(), 0, 0);
    rsk_cell_add_position(&none.head, qor::missing(), 0, 0);
    EXPECT_EQ(none.head.positions, 2);
    EXPECT_EQ(none.head.missing, 2);
    EXPECT_EQ(none.head.value_sum, 0.0);
    rsk_cell_finish_head(&con, &none.head);
    EXPECT_TRUE(is_missing(none.head.minimum));
    EXPECT_TRUE(is_missing(none.head.maximum));
}

TEST_F(CellStatistics, AMissingFinerCellMakesTheCoarserSumMissingForGood) {
    Cell coarse{};
    Cell a = position(5, 1), b = position(qor::missing(), 1), c = position(2, 1);
    b.head.missing = 0;                 // a finer cell whose sum went missing (e.g. a lost price)
    b.head.value_sum = qor::missing();
    b.head.minimum = b.head.maximum = 3;
    for (Cell* finer : {&a, &b, &c}) roll_up_head(&con, &coarse.head, &finer->head, 0, 0);
    EXPECT_TRUE(is_missing(coarse.head.value_sum));
    EXPECT_EQ(coarse.head.positions, 3);
    EXPECT_EQ(coarse.head.minimum, 2.0);
    EXPECT_EQ(coarse.head.maximum, 5.0);
    EXPECT_EQ(coarse.head.exposure_sum, 3.0);
    EXPECT_EQ(run->loop.base_value_copy, 2.0);   // the last record rolled in
}

TEST_F(CellStatistics, NegativeExposuresReduceTheSumOnlyWhenSigned) {
    for (int signed_exposure : {0, 1}) {
        SCOPED_TRACE(signed_exposure);
        run->loop.signed_exposure = static_cast<uint8_t>(signed_exposure);
        Cell coarse{};
        for (double e : {4.0, -10.0}) {
            Cell p = position(1, e, 0, signed_exposure);
            roll_up_head(&con, &coarse.head, &p.head, 0, 0);
        }
        EXPECT_EQ(coarse.head.exposure_sum, signed_exposure ? -6.0 : 4.0);
        EXPECT_EQ(coarse.head.positive_exposure, 4.0);
        EXPECT_EQ(coarse.head.subtracted_exposure, signed_exposure ? 6.0 : 0.0);
        rsk_cell_finish_head(&con, &coarse.head);   // a negative total is floored only here
        EXPECT_EQ(coarse.head.exposure_sum, 4.0 * (1 - signed_exposure));
    }
}

TEST_F(CellStatistics, ValueWeightedReturnsNeedAValueSumAboveRoundingLevel) {
    with_outvar(1);
    struct Case {
        double value_sum;
        double expected;   // NaN: missing
    };
    const Case cases[] = {
        {4.0, 0.5}, {-4.0, 0.5}, {kTiny, NAN}, {-kTiny, NAN}, {2 * kTiny, 2.0 / (2 * kTiny)}, {qor::missing(), NAN},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value_sum);
        Cell coarse{};
        Cell finer{};
        finer.head.value_sum = c.value_sum;
        finer.outvar = 2.0;
        coarse.outvar = 123;   // the first contribution starts from 0
        roll_up_head(&con, &coarse.head, &finer.head, 1, 0);
        if (std::isnan(c.expected)) EXPECT_TRUE(is_missing(coarse.outvar));
        else EXPECT_DOUBLE_EQ(coarse.outvar, c.expected);
        // The value-weighted step of a record divides by the same sum.
        Cell record = finer;
        process_vw_head(&con, &record.head, 0);
        if (std::isnan(c.expected)) EXPECT_TRUE(is_missing(record.outvar));
        else EXPECT_DOUBLE_EQ(record.outvar, c.expected);
    }
    // Exposure-weighted sums: rebuilt from 0 in mode 2, divided by the exposure basis in mode 1.
    with_outvar(2);
    Cell coarse{};
    coarse.outvar = 50;
    coarse.head.exposure_sum = 99;
    Cell a = position(1, 3, 6), b = position(1, -1, 2);
    roll_up_head(&con, &coarse.head, &a.head, 2, 0);
    roll_up_head(&con, &coarse.head, &b.head, 2, 1);
    EXPECT_EQ(coarse.outvar, 8.0);
    EXPECT_EQ(coarse.head.exposure_sum, 3.0);
    Cell returns{};
    roll_up_head(&con, &returns.head, &coarse.head, 1, 0);
    EXPECT_DOUBLE_EQ(returns.outvar, 8.0 / 3.0);
}

TEST(ProgressNotes, IntervalsGrowWithTheNotesGiven) {
    const std::pair<int, double> table[] = {{0, 5}, {9, 5}, {10, 30}, {49, 30}, {50, 60}, {99, 60},
                                            {100, 300}, {199, 300}, {200, 900}, {5000, 900}};
    for (const auto& [notes, seconds] : table) EXPECT_EQ(rsk_progress_interval(notes), seconds) << notes;
}

// Positions 1..n on a clock that advances `step` seconds per position: the positions that get
// a note.
std::vector<int> notes_of(int64_t every, int n, double step, int generic = 0) {
    RSKPROGRESS p{every, 0, 0, 0.0};
    std::vector<int> at;
    for (int i = 1; i <= n; ++i)
        if (rsk_progress_due(&p, i * step, generic, i, n)) at.push_back(i);
    return at;
}

TEST(ProgressNotes, NotesComeByCountThenByDoubledCounts) {
    std::vector<int> expected;
    for (int i = 100; i <= 1000; i += 100) expected.push_back(i);
    for (int i = 1200; i <= 3000; i += 200) expected.push_back(i);
    for (int i = 3400; i < 5000; i += 400) expected.push_back(i);   // none at the last position
    EXPECT_EQ(notes_of(100, 5000, 0.0), expected);
    EXPECT_TRUE(notes_of(0, 5000, 0.0).empty());
}

TEST(ProgressNotes, SlowPositionsGetNotesByTime) {
    // Two seconds a position: the reference moves only with a note, so 5 seconds pass at the
    // third position, then at every third; GENERIC gives none by time.
    EXPECT_EQ(notes_of(1000000, 10, 2.0), (std::vector<int>{3, 6, 9}));
    EXPECT_TRUE(notes_of(1000000, 10, 2.0, 1).empty());
    // After ten notes the interval is 30 seconds.
    const std::vector<int> at = notes_of(1000000, 60, 6.0);
    ASSERT_GE(at.size(), 11u);
    EXPECT_EQ(at[9], 10);
    EXPECT_EQ(at[10], 16);   // 36 seconds after the tenth note at 60 s
}

TEST(PortfolioParts, EachPartPricesItsShareOfThePositions) {
    struct Case {
        int part, parts;
        double positions;
        int rc;
        int64_t first, last;
        uint8_t on;
    };
    const Case cases[] = {
        {1, 3, 10, 0, 1, 3, 1}, {2, 3, 10, 0, 4, 6, 1}, {3, 3, 10, 0, 7, 10, 1}, {1, 1, 10, 0, 1, 10, 0},
        {0, 1, 10, 0, 1, 10, 0}, {4, 3, 10, 1, 0, 0, 0}, {0, 3, 10, 1, 0, 0, 0}, {2, 1, 10, 1, 1, 10, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.part) + " of " + std::to_string(c.parts));
        int64_t first = 0, last = 0;
        uint8_t on = 0;
        EXPECT_EQ(rsk_part_range(c.part, c.parts, c.positions, &first, &last, &on), c.rc);
        if (c.rc != 0 && c.parts > 1) continue;
        EXPECT_EQ(first, c.first);
        EXPECT_EQ(last, c.last);
        EXPECT_EQ(on, c.on);
    }
}

}  // namespace
