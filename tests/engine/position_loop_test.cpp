// The position loop over an instrument file of Call positions priced through the pricing
// stand-in: cell sums against the closed form, identical positions re-using their prices, zero
// positions, portfolio parts, failing positions and a file that cannot be read to its end.
#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/files/instrument_file.h"
#include "engine/model/positions/instrument_files.h"
#include "engine/model/options/engine_options.h"
#include "engine/run/project_run.h"
#include "tests/engine/pricing_fixture.h"

namespace {

const PricingState kBase{100, 0.03, 0.2, 1.0};

struct Position {
    double strike, maturity, holding;
};

class PositionLoopTest : public PricingHarness {
protected:
    void SetUp() override {
        PricingHarness::SetUp();
        RSKINSTTYPE* call = run_.call;
        ASSERT_EQ(engine_routine<EngineSlot::rskclsv>()(con, call, "Holding", -1), 0) << log();
        ASSERT_EQ(engine_routine<EngineSlot::rskclsi>()(con, call), 0) << log();
        holding_ = con->system_variables->holding;
        ASSERT_NE(holding_, nullptr);
        // The system variables the instrument file reads and writes get storage of the test's.
        const RSKSYSVARS* sv = con->system_variables;
        for (RSKVARIABLE* v : {sv->inst_type, sv->inst_id, sv->inst_source, sv->inst_number, sv->inst_total, sv->currency,
                               sv->counterparty_id, sv->netting_set_id, sv->al_type, sv->holding, sv->short_position,
                               sv->collateral, sv->al_position}) {
            if (v == nullptr || v->value != nullptr) continue;
            storage_.push_back(std::make_unique<std::vector<uint8_t>>(std::max<size_t>(64, v->length + 16u), 0));
            v->value = storage_.back()->data();
            given_.push_back(v);
        }
        RSKNAMEREC key = name_of("book");
        path_ = (dir_ / "files").string();
        RSKNAMEREC path = name_of(path_.c_str());
        ASSERT_EQ(engine_routine<EngineSlot::rsktdfd>()(con, &definition_, &key, nullptr, &path, nullptr), 0) << log();
        rskrun_default_parms(&parms_);
    }
    void TearDown() override {
        if (con != nullptr) rsktrac(con, &entry_.file);
        for (RSKVARIABLE* v : given_) v->value = nullptr;
        PricingHarness::TearDown();
    }

    static void put(RSKVARIABLE* v, double x) { std::memcpy(v->value, &x, sizeof x); }

    // Writes the positions (identifiers P1, P2, ...) as an instrument file of Calls.
    void write(const std::vector<Position>& positions) {
        RSKTRANFILE out{};
        ASSERT_EQ(rsktrao(con, &out, definition_, 'O'), 0) << log();
        int n = 0;
        for (const Position& p : positions) {
            rsktrai(con, run_.call);
            put(variable("strike"), p.strike);
            put(variable("maturity"), p.maturity);
            put(holding_, p.holding);
            RSKVARIABLE* id = con->system_variables->inst_id;
            std::memset(id->value, ' ', id->length);
            const std::string name = "P" + std::to_string(++n);
            std::memcpy(id->value, name.data(), name.size());
            ASSERT_EQ(rsktraw(con, &out, 0, run_.call), 0) << log();
        }
        ASSERT_EQ(rsktriw(con, &out), 0) << log();
        rsktrac(con, &out);
    }

    // A run of `states` states (state s moves the spot to 90 + 2 s) over an instrument file of
    // the positions (written once the run has given the variables their places).
    void start(int states, const std::vector<Position>& book, bool damaged = false) {
        prepare(0, states, black_scholes_main());
        run_.set_base(kBase);
        for (int s = 0; s < states; ++s) ASSERT_EQ(run_.append_state(s, state(s)), 0) << log();
        run_.assign_blocks();
        run_.need({"spot", "rate", "sigma"});
        if (states > 0) run_.result(5, 0, states);
        cell_.assign(11, 0.0);
        run()->results_cell = reinterpret_cast<uint8_t*>(cell_.data());
        run()->results_cell_size = 88;
        run()->parms = &parms_;
        run()->run_options = &options_;
        rskname(con, &run()->project_name, "p1", 2);
        std::memcpy(entry_.name.buffer, "book", 4);
        entry_.name.name = RSKNAMEREC{kRskObjectNameCapacity, 4, entry_.name.buffer};
        entry_.kind = RSKPORT_PRICE;
        run()->current_entry = &entry_;
        write(book);
        if (damaged) cut_instruments();
        ASSERT_EQ(rsktrao(con, &entry_.file, definition_, 'I'), 0) << log();
        ASSERT_EQ(rsktrir(con, &entry_.file, 1), 0) << log();
        entry_.positions = entry_.file.written;
    }
    static PricingState state(int s) { return PricingState{91.0 + 2 * s, kBase.rate, kBase.vol, kBase.other}; }
    static double base_price(const Position& p) {
        return closed_form_call(kBase.spot, kBase.rate, kBase.vol, p.strike, p.maturity);
    }
    // The instrument member loses its second half.
    void cut_instruments() {
        const RSKTFILE* d = static_cast<RSKTFILE*>(definition_->object);
        std::string member(d->data_member, static_cast<size_t>(d->data_member_length));
        for (char& c : member) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const std::filesystem::path file = std::filesystem::path(path_) / (member + ".qor7bput");
        ASSERT_TRUE(std::filesystem::exists(file));
        std::filesystem::resize_file(file, std::filesystem::file_size(file) / 2);
    }
    RSKCELLHEAD* cell() { return reinterpret_cast<RSKCELLHEAD*>(cell_.data()); }

    RSKVARIABLE* holding_ = nullptr;
    std::vector<std::unique_ptr<std::vector<uint8_t>>> storage_;
    std::vector<RSKVARIABLE*> given_;
    RSKCATOBJ* definition_ = nullptr;
    std::string path_;
    RSKRUNPARMS parms_{};
    RSKOPTREC options_{};
    RSKPORTENTRY entry_{};
    std::vector<double> cell_;
};

TEST_F(PositionLoopTest, IdenticalPositionsReuseTheirPricesScaledToTheirHolding) {
    const std::vector<Position> book = {{95, 0.5, 10}, {100, 1.0, 1}, {100, 1.0, 3}};
    const int states = 6;
    start(states, book);
    ASSERT_EQ(rskrun2(con, &entry_), 0) << log();
    // Every position reaches the cell at its holding times the closed form.
    double expected = 0;
    for (const Position& p : book) expected += p.holding * base_price(p);
    EXPECT_EQ(cell()->positions, 3);
    EXPECT_NEAR(cell()->value_sum, expected, 1e-9);
    EXPECT_EQ(run()->positions_valued, 3.0);
    // The third position is not priced again: states priced twice, values delivered three times.
    EXPECT_EQ(run()->states_priced, 2 * states);
    EXPECT_EQ(run()->values_delivered, 3 * states);
    // The rows left hold the third position's prices: three times the closed form of each state.
    for (int s = 0; s < states; ++s) {
        const PricingState st = state(s);
        EXPECT_NEAR(run_.value(s), 3 * closed_form_call(st.spot, st.rate, st.vol, 100, 1.0), 1e-9) << s;
    }
}

TEST_F(PositionLoopTest, ReuseOffPricesEveryPositionToTheSameValues) {
    const std::vector<Position> book = {{100, 1.0, 1}, {100, 1.0, 3}};
    start(4, book);
    run()->no_reuse = 1;
    ASSERT_EQ(rskrun2(con, &entry_), 0) << log();
    EXPECT_EQ(run()->states_priced, 8);
    EXPECT_EQ(run()->values_delivered, 8);
    EXPECT_NEAR(run_.value(2), 3 * closed_form_call(95, kBase.rate, kBase.vol, 100, 1.0), 1e-9);
}

TEST_F(PositionLoopTest, ZeroPositionsAreCountedAsValuedWithoutPricing) {
    const std::vector<Position> book = {{100, 1.0, 1e-17}, {90, 1.0, 1e-15}, {100, 1.0, -1e-17}};
    start(3, book);
    ASSERT_EQ(rskrun2(con, &entry_), 0) << log();
    EXPECT_EQ(run()->positions_valued, 3.0);
    EXPECT_EQ(cell()->positions, 1);
    EXPECT_NEAR(cell()->value_sum, 1e-15 * base_price(book[1]), 1e-24);
    EXPECT_EQ(run()->states_priced, 3);
}

TEST_F(PositionLoopTest, EachPortfolioPartPricesItsRangeOfPositions) {
    std::vector<Position> book;
    for (int i = 1; i <= 10; ++i) book.push_back({80.0 + 3 * i, 1.0, 1.0});
    start(0, book);
    parms_.portfolio_parts = 3;
    // Part k of 3 over 10 positions: 1-3, 4-6, 7-10.
    const int first[] = {1, 4, 7}, last[] = {3, 6, 10};
    for (int part = 1; part <= 3; ++part) {
        SCOPED_TRACE(part);
        parms_.portfolio_part = part;
        cell_.assign(11, 0.0);
        ASSERT_EQ(rskrun2(con, &entry_), 0) << log();
        double expected = 0;
        for (int i = first[part - 1]; i <= last[part - 1]; ++i) expected += base_price(book[static_cast<size_t>(i - 1)]);
        EXPECT_EQ(cell()->positions, last[part - 1] - first[part - 1] + 1);
        EXPECT_NEAR(cell()->value_sum, expected, 1e-9);
    }
}

TEST_F(PositionLoopTest, FailingPositionsAreCountedAndReportedAndTheOthersGoOn) {
    // A negative strike has no logarithm: its base value is missing.
    const std::vector<Position> book = {{-5, 1.0, 1}, {100, 1.0, 2}};
    start(2, book);
    ASSERT_EQ(rskrun2(con, &entry_), 0) << log();
    EXPECT_EQ(run()->positions_valued, 1.0);
    EXPECT_EQ(cell()->positions, 2);
    EXPECT_EQ(cell()->missing, 1);
    EXPECT_NEAR(cell()->value_sum, 2 * base_price(book[1]), 1e-9);
    const std::string text = log();
    EXPECT_EQ(count_of(text, "598/2733"), 1) << text;
    EXPECT_NE(text.find("P1"), std::string::npos) << text;
    EXPECT_EQ(count_of(text, "598/2732"), 1) << text;
}

TEST_F(PositionLoopTest, NoPositionValuedAnswersMinusOne) {
    start(1, {{-5, 1.0, 1}, {-6, 1.0, 1}});
    EXPECT_EQ(rskrun2(con, &entry_), -1) << log();
    EXPECT_EQ(count_of(log(), "598/2731"), 1) << log();
}

TEST_F(PositionLoopTest, AFileThatCannotBeReadToItsEndEndsTheRun) {
    std::vector<Position> book;
    for (int i = 1; i <= 40; ++i) book.push_back({80.0 + i, 1.0, 1.0});
    start(1, book, true);
    EXPECT_EQ(rskrun2(con, &entry_), 1) << log();
    EXPECT_EQ(run()->abort, 1);
    EXPECT_GT(cell()->positions, 0);
    EXPECT_LT(cell()->positions, 40);
    EXPECT_GE(count_of(log(), "598/2706"), 1) << log();
}

TEST_F(PositionLoopTest, ProgressNotesComeEveryHundredPositionsThenDoubled) {
    std::vector<Position> book(2500, Position{100, 1.0, 1.0});
    start(0, book);
    options_.prgsnote = 100;
    ASSERT_EQ(rskrun2(con, &entry_), 0) << log();
    // Ten notes 100 apart, then 200 apart up to 2400; none at the last position; then the close.
    const std::string text = log();
    EXPECT_EQ(count_of(text, "598/2735"), 17) << text;
    EXPECT_EQ(count_of(text, "598/2736"), 1) << text;
}

}  // namespace
