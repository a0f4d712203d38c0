// READ of position data sets in the Sparse, Cash_Flow and Quadratic formats: small data sets
// written here, read into an instrument file, and the instruments read back and checked.
#include <cstring>
#include <string>
#include <vector>

#include "engine/files/instrument_read.h"
#include "engine/model/positions/position_definitions.h"
#include "tests/engine/dataset_writer.h"
#include "tests/engine/instrument_file_fixture.h"

namespace {

constexpr uint32_t kFactor = 2, kIr = 321;
constexpr int kFlowCapacity = 512;

// One instrument as read back from the file.
struct ReadBack {
    std::string type;
    std::string id;
    double strike;
    std::string ccy;
    std::vector<std::string> flow_codes;
    std::vector<double> flow_dates, flow_amounts;
    std::vector<std::string> factors;
    std::vector<double> quad;   // centres, base value, first derivatives, packed triangle
};

using Rows = std::vector<std::vector<std::string>>;

class InstrumentFormatsTest : public InstrumentFileTest {
protected:
    void SetUp() override {
        InstrumentFileTest::SetUp();
        for (const char* f : {"usd1y", "usd2y", "eur1y", "eur2y"})
            ASSERT_EQ(declare(f, kFactor, kNum, kIr, 0, f[0] == 'u' ? "USD" : "EUR", 1), 0) << log();
        // Cash flows as long as the readers assemble them fit the value storage the test gives.
        RSKVARIABLE* cash = con->system_variables->cash_flows;
        cash_storage_.assign(tran_cash_storage(kFlowCapacity), 0);
        cash->value = cash_storage_.data();
        cash->element_count = kFlowCapacity;
        give_storage_all();
    }
    void TearDown() override {
        if (con != nullptr) con->system_variables->cash_flows->value = nullptr;
        InstrumentFileTest::TearDown();
    }

    // Writes the data set DEFS.<name> and defines a position data set of that name over it.
    void dataset(const char* name, uint32_t format, const std::vector<TestColumn>& columns, const Rows& rows,
                 const char* type_name = "") {
        ASSERT_EQ(write_test_dataset("DEFS", name, columns, rows), 0);
        const std::string member = std::string("DEFS.") + name;
        RSKNAMEREC key = name_of(name), type_key = name_of(type_name), ds_key = name_of(member.c_str());
        RSKCATOBJ* object = nullptr;
        ASSERT_EQ(engine_routine<EngineSlot::rskdatd>()(con, &object, &key, format, &type_key, &ds_key, nullptr), 0)
            << log();
    }
    // A source over the named data sets, read into the instrument file "book": rskread's result.
    int read(std::initializer_list<const char*> datasets) {
        RSKNAMEREC key = name_of("src");
        RSKCATOBJ* source = nullptr;
        EXPECT_EQ(engine_routine<EngineSlot::rskposd>()(con, &source, &key, nullptr), 0) << log();
        for (const char* d : datasets) {
            RSKNAMEREC name = name_of(d);
            EXPECT_EQ(engine_routine<EngineSlot::rskpdsd>()(con, source, &name), 0) << log();
        }
        RSKNAMEREC out = name_of("book"), path = name_of(path_text_.c_str());
        return engine_routine<EngineSlot::rskread>()(con, source, &out, &path, nullptr, 0, "        ");
    }
    // Every instrument of "book", in file order.
    std::vector<ReadBack> read_back() {
        std::vector<ReadBack> out;
        RSKNAMEREC key = name_of("book");
        object_ = engine_routine<EngineSlot::rsktdf>()(con, &key);
        if (object_ == nullptr || open('I') != 0) return out;
        RSKSYSVARS* sv = con->system_variables;
        RSKINSTTYPE* t = nullptr;
        while (engine_routine<EngineSlot::rsktra1>()(con, &file_, &t) == 0) {
            ReadBack r{std::string(t->name.name.text, t->name.name.length), text(sv->inst_id), 0, "", {}, {}, {}, {}, {}};
            if (t->resolved_count > 0 && variable("strike")->value != nullptr) r.strike = num(variable("strike"));
            r.ccy = text(variable("ccy"));
            if (t->cash_flows) {
                const auto* c = static_cast<const unsigned char*>(sv->cash_flows->value);
                const uint32_t m = tran_entries(sv->cash_flows);
                for (uint32_t i = 0; i < m; ++i) {
                    r.flow_codes.emplace_back(reinterpret_cast<const char*>(c + 8 + 3 * i), 3);
                    r.flow_dates.push_back(double_at(c + 8 + 3 * m + 8 * i));
                    r.flow_amounts.push_back(double_at(c + 8 + 11 * m + 8 * i));
                }
            }
            if (t->quadratic) {
                const auto* q = static_cast<const unsigned char*>(sv->quad_value->value);
                const uint32_t n = tran_entries(sv->quad_value);
                for (uint32_t i = 0; i < n; ++i) {
                    std::string name(reinterpret_cast<const char*>(q + 8 + 40 * i), 32);
                    name.erase(name.find_last_not_of(" \0", std::string::npos, 2) + 1);
                    r.factors.push_back(name);
                }
                const size_t values = n + 1 + n + n * (n + 1) / 2;
                for (size_t i = 0; i < values; ++i) r.quad.push_back(double_at(q + 8 + 40 * n + 8 * i));
            }
            out.push_back(r);
        }
        close();
        return out;
    }
    static double double_at(const unsigned char* at) {
        double x = 0;
        std::memcpy(&x, at, sizeof x);
        return x;
    }

    std::vector<unsigned char> cash_storage_;
};

const std::vector<TestColumn> kSparseColumns = {{"InstID", true, 16},  {"InstType", true, 16}, {"_Type_", true, 8},
                                                {"_Name_", true, 16},  {"_NValue_", false, 8}, {"_CValue_", true, 16}};

TEST_F(InstrumentFormatsTest, SparseRowsFillTheirVariablesAndLaterRowsWin) {
    dataset("sp", RSKDSFORMAT_SPARSE, kSparseColumns,
            {{"", "Call", "NUM", "strike", "1", ""},            // blank identifier: passed over silently
             {"S1", "Call", "NUM", "strike", "90", ""},
             {"S1", "Call", "char", "ccy", ".", " eur"},
             {"S1", "Call", " NUM ", "strike", "95", ""},       // the later row wins
             {"S2", "Put", "NUM", "strike", "80", ""},
             {"S2", "Put", "CHAR", "ccy", ".", "CHF"}});
    ASSERT_EQ(read({"sp"}), 0) << log();
    const std::vector<ReadBack> got = read_back();
    ASSERT_EQ(got.size(), 2u) << log();
    EXPECT_EQ(got[0].type, "Call");
    EXPECT_EQ(got[0].id, "S1");
    EXPECT_EQ(got[0].strike, 95);
    EXPECT_EQ(got[0].ccy, "EUR");   // currency codes are kept upper-cased
    EXPECT_EQ(got[1].type, "Put");
    EXPECT_EQ(got[1].strike, 80);
    EXPECT_EQ(got[1].ccy, "CHF");
    EXPECT_EQ(count_of(log(), "598/184"), 0) << log();
}

// A row the instrument cannot take is refused with its message; the instrument is still written
// with its other rows, and the READ reports that a data set failed.
TEST_F(InstrumentFormatsTest, SparseRowsThatDoNotFitAreRefused) {
    struct Case {
        const char* what;
        std::vector<std::string> row;
        const char* message;
        const char* text;
    };
    const std::vector<Case> cases = {
        {"variable not of the type", {"S1", "Put", "NUM", "maturity", "2", ""}, "598/1842", "maturity"},
        {"row kind neither NUM nor CHAR", {"S1", "Put", "TEXT", "strike", "2", ""}, "598/1843", "Row kind TEXT"},
        {"NUM row for a character variable", {"S1", "Call", "NUM", "desk", "2", ""}, "598/1844", "a numeric value"},
        {"CHAR row for a numeric variable", {"S1", "Call", "CHAR", "strike", ".", "x"}, "598/1844",
         "a character value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t at = log().size();
        std::vector<std::string> first = c.row;
        first[2] = "NUM", first[3] = "strike", first[4] = "70";
        dataset("sp", RSKDSFORMAT_SPARSE, kSparseColumns, {first, c.row});
        EXPECT_EQ(read({"sp"}), -2) << log().substr(at);
        const std::string said = log().substr(at);
        EXPECT_EQ(count_of(said, c.message), 1) << said;
        EXPECT_NE(said.find(c.text), std::string::npos) << said;
        EXPECT_EQ(count_of(said, "598/2749"), 1) << said;
        const std::vector<ReadBack> got = read_back();
        ASSERT_EQ(got.size(), 1u) << said;
        EXPECT_EQ(got[0].strike, 70);
    }
}

const std::vector<TestColumn> kFlowColumns = {{"InstID", true, 16}, {"InstType", true, 16}, {"_CFCUR_", true, 4},
                                              {"_CFDATE_", false, 8}, {"_CFAMNT_", false, 8}, {"ccy", true, 3}};

// 300 flows outgrow the first buffer twice and stay in their order; the instrument's other
// variables come from its rows.
TEST_F(InstrumentFormatsTest, CashFlowGroupsKeepEveryFlowInOrder) {
    Rows rows;
    for (int i = 0; i < 300; ++i)
        rows.push_back({"F1", "Flows", i % 2 ? "usd" : "EUR", std::to_string(20000 + i), std::to_string(i * 0.5), "CHF"});
    rows.push_back({"F2", "Flows", "CHF", "21000", "7", "EUR"});
    dataset("cf", RSKDSFORMAT_CASH_FLOW, kFlowColumns, rows);
    ASSERT_EQ(read({"cf"}), 0) << log();
    const std::vector<ReadBack> got = read_back();
    ASSERT_EQ(got.size(), 2u) << log();
    EXPECT_EQ(got[0].id, "F1");
    EXPECT_EQ(got[0].ccy, "CHF");   // from its own last row, not from the next group's first
    ASSERT_EQ(got[0].flow_dates.size(), 300u);
    for (int i = 0; i < 300; ++i) {
        ASSERT_EQ(got[0].flow_dates[static_cast<size_t>(i)], 20000 + i) << i;
        ASSERT_EQ(got[0].flow_amounts[static_cast<size_t>(i)], i * 0.5) << i;
        ASSERT_EQ(got[0].flow_codes[static_cast<size_t>(i)], i % 2 ? "USD" : "EUR") << i;
    }
    EXPECT_EQ(got[1].flow_codes, std::vector<std::string>{"CHF"});
    EXPECT_EQ(got[1].flow_amounts, std::vector<double>{7});
}

TEST_F(InstrumentFormatsTest, CashFlowProblemsAreReportedAndTheirRowsIgnored) {
    dataset("cf", RSKDSFORMAT_CASH_FLOW, kFlowColumns,
            {{"F1", "Flows", "US", "20000", "1", "USD"},      // not three letters
             {"F1", "Flows", "QQQ", "20001", "2", "USD"},     // not a currency
             {"F1", "Flows", "USD", ".", "3", "USD"},         // no date
             {"F1", "Flows", "USD", "20003", "4", "USD"},
             {"F2", "Flows", "USD", "20000", ".", "USD"},     // every amount missing: not written
             {"F2", "Flows", "USD", "20001", ".", "USD"},
             {"C1", "Call", "USD", "20000", "1", "USD"},      // a type without cash flows
             {"Q1", "Quad", "USD", "20000", "1", "USD"},      // a type this format cannot carry
             {"F3", "Flows", "EUR", "20002", "5", "EUR"}});
    EXPECT_EQ(read({"cf"}), -2) << log();
    const std::string said = log();
    EXPECT_EQ(count_of(said, "598/1872"), 2) << said;
    EXPECT_NE(said.find("InstID F1, position data set cf) has 1 cash flows without a date and 0 without an"),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("InstID F2, position data set cf) has 0 cash flows without a date and 2 without an"),
              std::string::npos)
        << said;
    EXPECT_EQ(count_of(said, "598/1874"), 1) << said;
    EXPECT_NE(said.find("InstID F2, position data set cf) has no cash flow"), std::string::npos) << said;
    EXPECT_EQ(count_of(said, "598/1870"), 1) << said;
    EXPECT_EQ(count_of(said, "598/1824"), 1) << said;
    const std::vector<ReadBack> got = read_back();
    ASSERT_EQ(got.size(), 2u) << said;
    EXPECT_EQ(got[0].id, "F1");
    EXPECT_EQ(got[0].flow_dates, std::vector<double>{20003});
    EXPECT_EQ(got[0].flow_amounts, std::vector<double>{4});
    EXPECT_EQ(got[1].id, "F3");
}

const std::vector<TestColumn> kQuadColumns = {{"InstID", true, 16}, {"InstType", true, 16}, {"_Type_", true, 8},
                                              {"_Name_", true, 16}, {"_NValue_", false, 8}, {"usd1y", false, 8},
                                              {"usd2y", false, 8},  {"eur1y", false, 8},    {"eur2y", false, 8},
                                              {"strike", false, 8}};

// Three factors take part (eur2y is missing in the VALUE row); two GAMMA rows leave the third
// row of the triangle 0; a second DELTA row drops its instrument.
TEST_F(InstrumentFormatsTest, QuadraticGroupsBuildTheApproximation) {
    dataset("qd", RSKDSFORMAT_QUADRATIC, kQuadColumns,
            {{"Q1", "Quad", "VALUE", "", "100", "0.01", "0.02", "0.03", ".", "1"},
             {"Q1", "Quad", "delta", "", ".", "1", "2", "3", "9", "1"},
             {"Q1", "Quad", "GAMMA", "strike", ".", "5", "5", "5", "5", "1"},   // not a factor: passed over
             {"Q1", "Quad", "GAMMA", "usd1y", ".", "11", "99", "99", "99", "1"},
             {"Q1", "Quad", "GAMMA", "usd2y", ".", "21", "22", "99", "99", "1"},
             {"Q2", "Quad", "VALUE", "", "50", "0.01", ".", ".", ".", "2"},
             {"Q2", "Quad", "DELTA", "", ".", "1", ".", ".", ".", "2"},
             {"Q2", "Quad", "DELTA", "", ".", "2", ".", ".", ".", "2"},
             {"Q3", "Quad", "VALUE", "", "7", ".", ".", ".", "0.04", "3"},
             {"Q3", "Quad", "DELTA", "", ".", ".", ".", ".", ".", "3"},
             {"Q3", "Quad", "GAMMA", "eur2y", ".", ".", ".", ".", ".", "3"}});
    EXPECT_EQ(read({"qd"}), -2) << log();
    const std::string said = log();
    EXPECT_NE(said.find("(InstID Q1, position data set qd) with 3 factors has 1 DELTA and 2 GAMMA rows"),
              std::string::npos)
        << said;
    EXPECT_EQ(count_of(said, "598/1855"), 1) << said;
    // Q3's derivatives were all missing: counted, stored as 0.
    EXPECT_EQ(count_of(said, "598/1859"), 1) << said;
    const std::vector<ReadBack> got = read_back();
    ASSERT_EQ(got.size(), 2u) << said;
    EXPECT_EQ(got[0].id, "Q1");
    EXPECT_EQ(got[0].strike, 1);   // from its own rows, not from the next group's first
    EXPECT_EQ(got[0].factors, (std::vector<std::string>{"usd1y", "usd2y", "eur1y"}));
    EXPECT_EQ(got[0].quad, (std::vector<double>{0.01, 0.02, 0.03, 100, 1, 2, 3, 11, 21, 22, 0, 0, 0}));
    EXPECT_EQ(got[1].id, "Q3");
    EXPECT_EQ(got[1].strike, 3);
    EXPECT_EQ(got[1].factors, std::vector<std::string>{"eur2y"});
    EXPECT_EQ(got[1].quad, (std::vector<double>{0.04, 7, 0, 0}));
}

// 41 observations of undefined types: 40 messages, then one notice; the defined one is read.
TEST_F(InstrumentFormatsTest, ProblemsBeyondFortyAreCountedNotReported) {
    Rows rows;
    for (int i = 0; i < 41; ++i) rows.push_back({"U" + std::to_string(i), "Nosuch", "NUM", "strike", "1", ""});
    rows.push_back({"S1", "Put", "NUM", "strike", "3", ""});
    dataset("sp", RSKDSFORMAT_SPARSE, kSparseColumns, rows);
    EXPECT_EQ(read({"sp"}), -2) << log();
    EXPECT_EQ(count_of(log(), "598/1807"), 40) << log();
    EXPECT_EQ(count_of(log(), "598/1805"), 1) << log();
    EXPECT_EQ(read_back().size(), 1u);
}

// A column CPTYID fills CounterpartyID, and wins over a column COUNTERPARTYID.
TEST_F(InstrumentFormatsTest, CptyidColumnFillsTheCounterparty) {
    RSKINSTTYPE* held = define_type("Held");
    ASSERT_EQ(add_vars(held, {"strike", "CounterpartyID"}), 0) << log();
    ASSERT_EQ(init(held), 0) << log();
    give_storage_all();
    dataset("one", RSKDSFORMAT_SIMPLE, {{"InstID", true, 8}, {"strike", false, 8}, {"CPTYID", true, 8}},
            {{"A1", "1", "bank-a"}}, "Held");
    dataset("two", RSKDSFORMAT_SIMPLE,
            {{"InstID", true, 8}, {"strike", false, 8}, {"COUNTERPARTYID", true, 8}, {"CPTYID", true, 8}},
            {{"A2", "2", "loser", "winner"}}, "Held");
    ASSERT_EQ(read({"one", "two"}), 0) << log();
    RSKNAMEREC key = name_of("book");
    object_ = engine_routine<EngineSlot::rsktdf>()(con, &key);
    ASSERT_EQ(open('I'), 0) << log();
    RSKINSTTYPE* t = nullptr;
    std::vector<std::string> counterparties;
    while (engine_routine<EngineSlot::rsktra1>()(con, &file_, &t) == 0)
        counterparties.push_back(text(con->system_variables->counterparty_id));
    EXPECT_EQ(counterparties, (std::vector<std::string>{"bank-a", "winner"}));
}

// A Simple data set naming a cash-flow type is not read: the message comes once per type.
TEST_F(InstrumentFormatsTest, SimpleDataSetOfACashFlowTypeIsNotRead) {
    dataset("fa", RSKDSFORMAT_SIMPLE, {{"InstID", true, 8}, {"ccy", true, 3}}, {{"F1", "USD"}}, "Flows");
    dataset("fb", RSKDSFORMAT_SIMPLE, {{"InstID", true, 8}, {"ccy", true, 3}}, {{"F2", "USD"}}, "Flows");
    dataset("ok", RSKDSFORMAT_SIMPLE, {{"InstID", true, 8}, {"strike", false, 8}}, {{"P1", "4"}}, "Put");
    EXPECT_EQ(read({"fa", "fb", "ok"}), -2) << log();
    EXPECT_EQ(count_of(log(), "598/1824"), 1) << log();
    EXPECT_EQ(count_of(log(), "598/2749"), 1) << log();
    const std::vector<ReadBack> got = read_back();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].id, "P1");
}

}  // namespace
