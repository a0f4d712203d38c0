// Parameter matrices: identifier maps, definitions with their parameter variable, and the
// Parameters and LinTrans readers over real data sets of a scratch library, opened by a double
// of the market data set service (slot 147) as that service opens a definition's data set.
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "common/files/dataset.h"
#include "engine/model/market/market_data_sets.h"
#include "engine/model/names/name_records.h"
#include "engine/model/parameters/parameter_matrices.h"
#include "engine/model/services/files.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "tests/engine/definitions_fixture.h"
#include "tests/engine/own_slots.h"

namespace {

// The market data set service as the tests need it: the definition of a name reads the member of
// that name in DEFS, its rows named by "_NAME_"; "nodef" names no definition.
struct MarketDataDouble {
    static RSKINPUTDS definition;
    static int open(RSKCON* con, mds* md, int, RSKANALYSIS*, const RSKNAMECELL* names, const interval_spec*,
                    const RSKVARLINK*) {
        *md = mds{};
        std::string member(names->name.name.text, names->name.name.length);
        if (member == "nodef") return 2;
        definition = RSKINPUTDS{};
        rskname(con, &definition.name, member.c_str(), -1);
        md->definition = &definition;
        md->member_length = static_cast<int16_t>(std::min<size_t>(member.size(), 32));
        std::memcpy(md->member, member.data(), static_cast<size_t>(md->member_length));
        qor_open_request request{};
        std::memcpy(request.libref, "DEFS    ", 8);
        request.member.length = md->member_length;
        std::memcpy(request.member.text, md->member, static_cast<size_t>(md->member_length));
        std::memset(request.member_type, ' ', sizeof request.member_type);
        request.mode = QOR_OPEN_INPUT;
        if (xoopen(&md->data, &request) != 0) return 3;
        md->open = 1;
        md->reader.dataset = md->data;
        return 0;
    }
    static int close(RSKCON*, mds* md) {
        if (md->data != nullptr) xoclose(md->data, 0);
        md->data = nullptr;
        md->open = 0;
        return 0;
    }
};
RSKINPUTDS MarketDataDouble::definition;

const std::vector<TestColumn> kIdCD = {{"_NAME_", true, 40}, {"c", false, 8}, {"d", false, 8}};

class ParameterMatrices : public DefinitionsTest {
protected:
    // Runs attempt() in a fresh run pool with the n-th pool allocation failing, n = 1, 2, ...,
    // until a run goes through (which must succeed). Each failing run answers non-zero with
    // 598/2797 at most once, then after_failure(n) checks what it left. The failing runs' count.
    template <class Attempt, class AfterFailure>
    int fail_each_allocation(Attempt attempt, AfterFailure after_failure) {
        int failures = 0;
        for (long n = 1; n < 200; ++n) {
            new_run_pool();
            con->no_memory_reported = 0;
            const size_t from = log().size();
            qor_pool_fail_nth(n);
            const int rc = attempt();
            const long left = qor_pool_fail_nth(0);
            const std::string text = log().substr(from);
            if (left > 0) {
                EXPECT_EQ(rc, 0) << n << "\n" << text;
                break;
            }
            ++failures;
            EXPECT_NE(rc, 0) << n;
            EXPECT_LE(count_of(text, "598/2797"), 1) << n << "\n" << text;
            after_failure(n);
        }
        return failures;
    }

    void SetUp() override {
        DefinitionsTest::SetUp();
        open_ = std::make_unique<OwnSlot>(147, reinterpret_cast<void*>(&MarketDataDouble::open));
        close_ = std::make_unique<OwnSlot>(146, reinterpret_cast<void*>(&MarketDataDouble::close));
        new_run_pool();
    }
    void TearDown() override {
        if (con != nullptr) {
            rskpmx_run_end(con);
            if (con->run_pool != nullptr) xmpoold(con->run_pool);
            con->run_pool = nullptr;
        }
        open_.reset();
        close_.reset();
        DefinitionsTest::TearDown();
    }
    void new_run_pool() {
        if (con->run_pool != nullptr) {
            rskpmx_run_end(con);
            xmpoold(con->run_pool);
        }
        con->run_pool = xmpoolc(4096, 4096, 0);
    }

    // A matrix reading `input`, with the rows and columns its definition names (none: from
    // the data); loaded for every run.
    RSKPARMATRIX* matrix(const char* name, const char* input, int linear = 0, std::vector<const char*> rows = {},
                         std::vector<const char*> columns = {}) {
        RSKNAMEREC key = name_of(name);
        RSKNAMEREC in = name_of(input);
        RSKCATOBJ* object = nullptr;
        EXPECT_EQ(engine_routine<EngineSlot::rskpmxd>()(con, &object, &key, nullptr, &in, linear, nullptr), 0) << log();
        if (object == nullptr) return nullptr;
        auto* m = static_cast<RSKPARMATRIX*>(object->object);
        for (auto [map, names] : {std::pair{&m->rows, &rows}, std::pair{&m->columns, &columns}}) {
            if (names->empty()) continue;
            EXPECT_EQ(engine_routine<EngineSlot::rskpidm>()(con, map, static_cast<int>(names->size()), 0), 0);
            for (size_t i = 0; i < names->size(); ++i)
                EXPECT_EQ(engine_routine<EngineSlot::rskpida>()(con, map, (*names)[i], -1, static_cast<int>(i)), 0);
        }
        m->variable->parameter_use = RSKPMXUSE_ALWAYS;
        return m;
    }
    double at(const RSKPARMATRIX* m, int row, int column) {
        return m->values[static_cast<size_t>(row) * static_cast<size_t>(m->columns.count) + column];
    }
    int row_of(const RSKPARMATRIX* m, const char* id) {
        const RSKIDENTRY* e = engine_routine<EngineSlot::rskpid>()(con, &m->rows, id, -1);
        return e != nullptr ? e->index : -1;
    }

    std::unique_ptr<OwnSlot> open_, close_;
};

TEST_F(ParameterMatrices, IdentifierMapsIgnoreCaseAndKeepTheFirstOfTwo) {
    RSKIDMAP map{};
    auto add = engine_routine<EngineSlot::rskpida>();
    ASSERT_EQ(engine_routine<EngineSlot::rskpidm>()(con, &map, 3, 0), 0);
    EXPECT_EQ(add(con, &map, "Rate", -1, 0), 0);
    EXPECT_EQ(add(con, &map, "RATE", -1, 1), 0);
    const std::string forty(40, 'x');
    EXPECT_EQ(add(con, &map, forty.c_str(), -1, 2), 0);
    std::string text = log();
    EXPECT_EQ(count_of(text, "598/1981"), 1) << text;
    EXPECT_EQ(count_of(text, "598/1980"), 1) << text;
    auto find = engine_routine<EngineSlot::rskpid>();
    ASSERT_NE(find(con, &map, "rate", -1), nullptr);
    EXPECT_EQ(find(con, &map, "rate", -1)->index, 0);
    ASSERT_NE(find(con, &map, forty.c_str(), -1), nullptr);     // cut the same way
    EXPECT_EQ(find(con, &map, forty.c_str(), -1)->length, 32);
    EXPECT_EQ(find(con, &map, "", 0), nullptr);
    // Entering again under another name leaves the bucket chain whole.
    EXPECT_EQ(add(con, &map, "Other", -1, 0), 0);
    EXPECT_EQ(find(con, &map, "rate", -1), nullptr);   // the second "RATE" was never reachable
    EXPECT_EQ(find(con, &map, "OTHER", -1)->index, 0);
    // An index outside the map is refused.
    for (int index : {-1, 3, 1000}) EXPECT_EQ(add(con, &map, "far", -1, index), 1) << index;
    EXPECT_EQ(count_of(log(), "rskpida: index"), 3);
}

TEST_F(ParameterMatrices, DefinitionMakesAParameterVariableAndAsksForTheRebuild) {
    con->variables_pending = 0;
    RSKPARMATRIX* m = matrix("pm", "nosuchdef");
    ASSERT_NE(m, nullptr);
    RSKVARIABLE* v = variable("pm");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->kind, RSKVKIND_PARMAT);
    EXPECT_EQ(v->data_type, 70u);
    EXPECT_EQ(v->value, m);
    EXPECT_EQ(con->variables_pending, 1);
    EXPECT_EQ(count_of(log(), "598/2418"), 1);
    RSKNAMEREC key = name_of("PM");
    ASSERT_NE(engine_routine<EngineSlot::rskpmx>()(con, &key), nullptr);
    EXPECT_EQ(engine_routine<EngineSlot::rskpmx0>()(con), 0);
    // Redefining keeps the record and the variable; a risk factor's name is refused.
    RSKPARMATRIX* again = matrix("pm", "other", 1);
    EXPECT_EQ(again, m);
    EXPECT_EQ(m->linear_transformation, 1);
    ASSERT_EQ(declare("rate", RSKVKIND_FACTOR, 1, 301), 0) << log();
    RSKNAMEREC rate = name_of("rate");
    RSKCATOBJ* object = nullptr;
    EXPECT_EQ(engine_routine<EngineSlot::rskpmxd>()(con, &object, &rate, nullptr, &rate, 0, nullptr), 1);
    EXPECT_EQ(count_of(log(), "598/1175"), 1);
    // Printing names the rows and columns.
    RSKPARMATRIX* named = matrix("named", "", 0, {"a", "b"}, {"c"});
    const size_t from = listing().size();
    engine_routine<EngineSlot::rskpmxp>()(con, named);
    const std::string shown = listing_since(from);
    EXPECT_EQ(count_of(shown, "598/2273"), 3) << shown;
    EXPECT_EQ(count_of(shown, "598/2271"), 1) << shown;
}

TEST_F(ParameterMatrices, ParametersFromTheDataKeepOneRowPerObservation) {
    ASSERT_EQ(write_test_dataset("DEFS", "pm", kIdCD, {{"a", "1", "2"}, {"", "3", "4"}, {"c", "5", "."}}), 0);
    RSKPARMATRIX* m = matrix("pm", "pm");
    ASSERT_EQ(rskpmx1(con, 0), 0) << log();
    ASSERT_EQ(m->rows.count, 3);
    ASSERT_EQ(m->columns.count, 2);
    EXPECT_EQ(row_of(m, "A"), 0);
    EXPECT_EQ(row_of(m, "c"), 2);                // after a blank identifier, still aligned
    EXPECT_EQ(at(m, 0, 1), 2);
    EXPECT_EQ(at(m, 1, 0), 3);                   // the unnamed row keeps its values
    EXPECT_EQ(at(m, 2, 0), 5);
    EXPECT_TRUE(qor::is_missing(at(m, 2, 1)));
    EXPECT_EQ(m->column_vector[0], 0);
    EXPECT_EQ(m->column_vector[1], 0);
    EXPECT_GT(con->run_block->run_pool_bytes, 0u);
    // Without an identifier column the rows are unnamed.
    ASSERT_EQ(write_test_dataset("DEFS", "plain", {{"c", false, 8}}, {{"7"}, {"8"}}), 0);
    new_run_pool();
    RSKPARMATRIX* plain = matrix("pm", "plain");
    ASSERT_EQ(rskpmx1(con, 0), 0) << log();
    ASSERT_EQ(plain->rows.count, 2);
    EXPECT_EQ(plain->rows.entries[1].length, 0);
    EXPECT_EQ(at(plain, 1, 0), 8);
}

TEST_F(ParameterMatrices, KnownRowsAndColumnsAreLookedUp) {
    ASSERT_EQ(write_test_dataset("DEFS", "pm", kIdCD, {{"x", "1", "2"}, {"B", "3", "4"}, {"a", "5", "6"}}), 0);
    RSKPARMATRIX* m = matrix("pm", "pm", 0, {"a", "b", "z"}, {"d"});
    ASSERT_EQ(rskpmx1(con, 0), 0) << log();
    EXPECT_EQ(at(m, 0, 0), 6);
    EXPECT_EQ(at(m, 1, 0), 4);
    EXPECT_TRUE(qor::is_missing(at(m, 2, 0)));
    EXPECT_EQ(m->row_flags[2], 0);
    EXPECT_EQ(count_of(log(), "598/2409"), 1);   // "z" is not in the data
}

TEST_F(ParameterMatrices, BadDataIsReportedAndFails) {
    const std::vector<TestColumn> char_value = {{"_NAME_", true, 8}, {"c", false, 8}, {"d", true, 8}};
    const std::vector<TestColumn> numeric_id = {{"_NAME_", false, 8}, {"c", false, 8}};
    const std::vector<TestColumn> only_text = {{"_NAME_", true, 8}, {"note", true, 8}};
    ASSERT_EQ(write_test_dataset("DEFS", "charval", char_value, {{"a", "1", "x"}}), 0);
    ASSERT_EQ(write_test_dataset("DEFS", "numid", numeric_id, {{"1", "1"}}), 0);
    ASSERT_EQ(write_test_dataset("DEFS", "nonum", only_text, {{"a", "x"}}), 0);
    ASSERT_EQ(write_test_dataset("DEFS", "good", kIdCD, {{"a", "1", "2"}}), 0);
    std::ofstream(dir_ / "broken.qor7bdat") << "not a data set at all";
    struct Case {
        const char* input;
        std::vector<const char*> rows, columns;
        int linear;
        const char* message;
    } cases[] = {
        {"charval", {}, {"c", "d"}, 0, "598/2413"},
        {"numid", {"a"}, {}, 0, "598/2414"},
        {"good", {}, {"c", "e"}, 0, "598/2419"},
        {"nonum", {}, {}, 0, "598/1984"},
        {"broken", {}, {}, 0, "598/1983"},
        {"nodef", {}, {}, 0, "598/1982"},
        {"numid", {"a"}, {"c"}, 1, "598/2417"},
    };
    for (const Case& c : cases) {
        const size_t from = log().size();
        RSKPARMATRIX* m = matrix("pm", c.input, c.linear, c.rows, c.columns);
        EXPECT_EQ(rskpmx1(con, 0), 1) << c.input;
        const std::string text = log().substr(from);
        EXPECT_EQ(count_of(text, c.message), 1) << c.input << "\n" << text;
        EXPECT_NE(m, nullptr);
        new_run_pool();
    }
}

TEST_F(ParameterMatrices, ALinearTransformationReadsPatternMeansAndDeviations) {
    const std::vector<TestColumn> columns = {{"_TYPE_", true, 8}, {"_NAME_", true, 8}, {"r1", false, 8}, {"r2", false, 8}};
    ASSERT_EQ(write_test_dataset("DEFS", "lt", columns,
                                 {{"MEAN", "", "0.5", "1.5"}, {"STD", "", "2", "3"}, {"PATTERN", "p2", "3", "4"},
                                  {"PATTERN", "p1", "1", "2"}, {"PATTERN", "zz", "9", "9"}, {"OTHER", "p1", "7", "7"}}),
              0);
    ASSERT_EQ(write_test_dataset("DEFS", "plain", columns, {{"PATTERN", "p1", "1", "2"}}), 0);
    RSKPARMATRIX* m = matrix("lt", "lt", 1, {"p1", "p2"}, {"r1", "r2"});
    ASSERT_EQ(rskpmx1(con, 0), 0) << log();
    EXPECT_EQ(at(m, 0, 0), 1);
    EXPECT_EQ(at(m, 1, 1), 4);
    EXPECT_EQ(m->means[1], 1.5);
    EXPECT_EQ(m->deviations[0], 2);
    // Without MEAN and STD observations: means 0, deviations 1.
    new_run_pool();
    RSKPARMATRIX* plain = matrix("lt", "plain", 1, {"p1"}, {"r1", "r2"});
    ASSERT_EQ(rskpmx1(con, 0), 0) << log();
    EXPECT_EQ(plain->means[0], 0);
    EXPECT_EQ(plain->deviations[1], 1);
    EXPECT_EQ(at(plain, 0, 1), 2);
}

TEST_F(ParameterMatrices, APreparedTransformationFindsItsRiskFactors) {
    const std::vector<TestColumn> columns = {{"_TYPE_", true, 8}, {"_NAME_", true, 8}, {"r1", false, 8}, {"r2", false, 8}};
    ASSERT_EQ(write_test_dataset("DEFS", "lt", columns,
                                 {{"MEAN", "", "0", "0"}, {"PATTERN", "r2", "3", "4"}, {"PATTERN", "r1", "1", "2"}}),
              0);
    ASSERT_EQ(declare("r1", RSKVKIND_FACTOR, 1, 301), 0) << log();
    ASSERT_EQ(declare("r2", RSKVKIND_FACTOR, 1, 301), 0) << log();
    RSKPARMATRIX* m = matrix("lt", "lt", 1);
    ASSERT_EQ(engine_routine<EngineSlot::rsk0>()(con), 0) << log();
    ASSERT_EQ(rskpmxi(con, m), 0) << log();
    ASSERT_EQ(m->rows.count, 2);                 // the pattern observations only
    EXPECT_EQ(m->row_variables[0], variable("r2"));
    EXPECT_EQ(m->column_variables[1], variable("r2"));
    m->prepared = 1;
    ASSERT_EQ(rskpmx1(con, 0), 0) << log();
    EXPECT_EQ(at(m, 1, 0), 1);
    // The next run forgets what the last one read and reads it again.
    new_run_pool();
    EXPECT_EQ(m->rows.known, 0);
    EXPECT_EQ(m->prepared, 0);
    ASSERT_EQ(rskpmxi(con, m), 0) << log();
    m->prepared = 1;
    ASSERT_EQ(rskpmx1(con, 0), 0) << log();
    EXPECT_EQ(at(m, 0, 1), 4);
    // A row that names no risk factor.
    RSKPARMATRIX* odd = matrix("odd", "lt", 1, {"r1", "nofactor"}, {"r1"});
    EXPECT_EQ(rskpmxi(con, odd), 1);
    EXPECT_EQ(count_of(log(), "598/1988"), 1);
}

TEST_F(ParameterMatrices, NoMemoryFailsOnceAndLeavesNothingHalfMade) {
    ASSERT_EQ(write_test_dataset("DEFS", "pm", kIdCD, {{"a", "1", "2"}, {"b", "3", "4"}}), 0);
    const int failures = fail_each_allocation(
        [&] {
            RSKNAMEREC key = name_of("pm");
            RSKNAMEREC in = name_of("pm");
            RSKCATOBJ* object = nullptr;
            int rc = engine_routine<EngineSlot::rskpmxd>()(con, &object, &key, nullptr, &in, 0, nullptr);
            if (rc == 0) {
                static_cast<RSKPARMATRIX*>(object->object)->variable->parameter_use = RSKPMXUSE_ALWAYS;
                rc = rskpmx1(con, 0);
            }
            return rc;
        },
        [&](long n) {
            // The parameter variable exists only with its matrix.
            RSKVARIABLE* v = variable("pm");
            if (v != nullptr) {
                EXPECT_NE(v->value, nullptr) << n;
            }
        });
    EXPECT_GT(failures, 3);
    // What a failed attempt left is usable.
    RSKNAMEREC key = name_of("pm");
    RSKCATOBJ* object = engine_routine<EngineSlot::rskpmx>()(con, &key);
    ASSERT_NE(object, nullptr);
    auto* m = static_cast<RSKPARMATRIX*>(object->object);
    EXPECT_EQ(at(m, 1, 1), 4);
}

TEST_F(ParameterMatrices, NoMemoryWhilePreparingAndReadingATransformation) {
    const std::vector<TestColumn> columns = {{"_TYPE_", true, 8}, {"_NAME_", true, 8}, {"r1", false, 8}};
    ASSERT_EQ(write_test_dataset("DEFS", "lt", columns, {{"STD", "", "2"}, {"PATTERN", "r1", "1"}}), 0);
    ASSERT_EQ(declare("r1", RSKVKIND_FACTOR, 1, 301), 0) << log();
    RSKPARMATRIX* m = matrix("lt", "lt", 1);
    ASSERT_EQ(engine_routine<EngineSlot::rsk0>()(con), 0) << log();
    const int failures = fail_each_allocation(
        [&] {
            int rc = rskpmxi(con, m);
            if (rc == 0) {
                m->prepared = 1;
                rc = rskpmx1(con, 0);
            }
            return rc;
        },
        [](long) {});
    EXPECT_GT(failures, 3);
    EXPECT_EQ(m->deviations[0], 2);
    EXPECT_EQ(m->row_variables[0], variable("r1"));
}

}  // namespace
