// The counterparty run: a counterparty data set scored by a compiled method in the base case and
// a market state, the blocks of the output member, reading a counterparty back, column binding,
// skipped types, output member names, and the UNITTEST self-tests.
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "common/memory/pool_memory.h"
#include "engine/compiler/dependencies.h"
#include "engine/counterparty/containers.h"
#include "engine/counterparty/counterparty_run.h"
#include "engine/counterparty/unittest.h"
#include "engine/tables/method_records.h"
#include "host/missing.h"
#include "tests/engine/pricing_fixture.h"

namespace {

constexpr int kNumber = 8, kClass = 11;

class CounterpartyRun : public PricingHarness {
protected:
    void SetUp() override {
        PricingHarness::SetUp();
        pool_ = con->current_pool;
        const int num = engine_routine<EngineSlot::rskcddt>()(con, kNumber, "NUM", 3);
        const int chr = engine_routine<EngineSlot::rskcddt>()(con, kNumber, "CHAR", 4);
        const int input = engine_routine<EngineSlot::rskcdva>()(con, kClass, "VAR", 3);
        const int output = engine_routine<EngineSlot::rskcdva>()(con, kClass, "COMPUTED", 8);
        ASSERT_EQ(declare("RATING", num, input, 8), 0) << log();
        ASSERT_EQ(declare("OPENED", num, input, 8), 0) << log();
        ASSERT_EQ(declare("_PD_", num, output, 8), 0) << log();
        ASSERT_EQ(declare("_LGD_", num, output, 8), 0) << log();
        ASSERT_EQ(declare("CPTYTYPE", chr, input, 32), 0) << log();
        ASSERT_EQ(declare("CPTYID", chr, input, 8), 0) << log();   // shorter than an identifier may be

        c_ = new_cpty_con(pool_);
        ASSERT_NE(c_, nullptr);
        c_->types = new_hash_table(pool_, 4);
        c_->variables = new_hash_table(pool_, 8);
        c_->system_variables = new_hash_table(pool_, 4);
        c_->datasets = new_hash_table(pool_, 4);
        c_->sources = new_hash_table(pool_, 4);
        c_->input_sources = new_hash_table(pool_, 4);
        // Outputs _PD_ at 0 and _LGD_ at 8: a row of 16 bytes.
        add_variable("_PD_", RSKCPTYROLE_OUTPUT, 0, true);
        add_variable("_LGD_", RSKCPTYROLE_OUTPUT, 8, true);
        add_variable("CPTYTYPE", RSKCPTYROLE_INPUT, -1, true);
        add_variable("CPTYID", RSKCPTYROLE_INPUT, -1, true);
        add_variable("RATING", RSKCPTYROLE_INPUT, -1, false);
        add_variable("OPENED", RSKCPTYROLE_INPUT, -1, false);
        c_->statelength = 16;
        corp_ = add_type("CORP", "CSCORE", {"RATING"});
        con->cpty_container = c_;
        con->cpty_container_state = RSKCON_CONTAINER_LOADED;
    }
    void TearDown() override {
        if (c_ != nullptr) {
            close_cpty_run(con);
            con->cpty_container = nullptr;
            delete_cpty_con(pool_, c_);
        }
        PricingHarness::TearDown();
    }

    int declare(const char* name, int type, int role, int length) {
        RSKVARDEF request{};
        request.name = name;
        request.name_length = -1;
        request.kind = RSKVKIND_COUNTERPARTY;
        request.data_type = static_cast<uint32_t>(type);
        request.role = static_cast<uint32_t>(role);
        request.length = length;
        request.maturity = qor::missing();
        request.scale = qor::missing();
        request.environment = con->current_environment;
        return engine_routine<EngineSlot::rskvard>()(con, nullptr, &request);
    }
    void add_variable(const char* name, int32_t role, int32_t offset, bool system) {
        RSKCPTYVAR* v = new_cpty_var(pool_, name, nullptr, RSKCPTYVT_NUMERIC, role, offset, variable(name));
        ASSERT_NE(v, nullptr);
        ASSERT_EQ(hash_insert(c_->variables, create_hash_item(pool_, v->name, v)), HASH_INSERTED);
        if (system) {
            ASSERT_EQ(hash_insert(c_->system_variables, create_hash_item(pool_, v->name, v)), HASH_INSERTED);
        }
    }
    RSKCPTYTYPE* add_type(const char* name, const char* method, std::initializer_list<const char*> variables) {
        RSKCPTYTYPE* type = new_cpty_type(pool_, name, method, nullptr, nullptr, 4);
        for (const char* v : variables)
            hash_insert(type->variables, create_hash_item(pool_, hash_query(c_->variables, v)->key,
                                                          hash_query(c_->variables, v)->value));
        hash_insert(c_->types, create_hash_item(pool_, type->name, type));
        return type;
    }
    // The data set CD over DEFS.<member>, in the source BOOK and the input source BOOKFILE.
    RSKCPTYDS* add_dataset(const char* member, const std::vector<TestColumn>& columns,
                           const std::vector<std::vector<std::string>>& rows) {
        EXPECT_EQ(write_test_dataset("DEFS", member, columns, rows), 0);
        dataset* input = new_dataset(pool_, rsk_copy("DEFS    "), rsk_copy(member), DATASET_READ);
        utilfile* output = new_utilfile(pool_, "WORK    ", member, UTILFILE_WRITE);
        RSKCPTYDS* set = new_cpty_ds(pool_, "CD", input, output, 8);
        hash_insert(c_->datasets, create_hash_item(pool_, set->name, set));
        RSKCPTYSOURCE* source = new_cpty_source(pool_, "BOOK", 4);
        hash_insert(source->datasets, create_hash_item(pool_, set->name, set));
        hash_insert(c_->sources, create_hash_item(pool_, source->name, source));
        auto* in = static_cast<RSKCPTYINSRC*>(vmalcp_handler(pool_, sizeof(RSKCPTYINSRC), QOR_ALLOC_ZERO));
        in->name = rsk_copy("BOOKFILE");
        in->source = rsk_copy(source->name);
        in->datasets = source->datasets;
        hash_insert(c_->input_sources, create_hash_item(pool_, in->name, in));
        return set;
    }
    char* rsk_copy(const char* text) {
        auto* copy = static_cast<char*>(vmalcp_handler(pool_, std::strlen(text) + 1, QOR_ALLOC_ZERO));
        std::memcpy(copy, text, std::strlen(text));
        return copy;
    }

    // The run's storage for `states` states, the value buffer, and the program holding the type
    // CORP's method CSCORE with the given blocks; the base and state market vectors.
    void prepare_run(int states, const std::vector<std::string>& main, const std::vector<std::string>& inst_init = {}) {
        PricingRun& r = run_;
        con->papc = 0;
        for (const char* name : PricingRun::kFactors) variable(name)->dependencies.flags |= RSKDEP_PRICE_ARG;
        ASSERT_EQ(rskmem0(con), 0);
        run()->state_count = states;
        ASSERT_EQ(rskmem1(con), 0);
        ASSERT_EQ(rskmem2(con), 0);
        ASSERT_EQ(rskmem3(con), 0);
        ASSERT_EQ(rskex_alloc(con), 0);
        ASSERT_EQ(create_cpty_buffer(con), 0) << log();
        ASSERT_EQ(rskicmp(0, 0, con, 1), 0) << log();
        ASSERT_EQ(rskmcmp_init(con), 0);
        for (const char* name : PricingRun::kFactors) {
            RSKVARIABLE* v = variable(name);
            v->value = v->run.state_address[0];
            ASSERT_EQ(r.declare_entry(name, v, RSKPDV_MARKET), 0);
        }
        for (const char* name : {"RATING", "_PD_", "_LGD_"}) {
            RSKSYMENTRY& e = entries_.emplace_back();
            e.name = const_cast<char*>(name);
            e.name_length = static_cast<int16_t>(std::strlen(name));
            e.variable = variable(name);
            e.type_code = 1;
            e.slot = -1;
            ASSERT_NE(rsklsym(&e, RSKSK_NUMBER, 8, 0, e.variable->value, con, 0), nullptr) << log();
        }
        std::memcpy(method_.name.buffer, "CSCORE", 6);
        method_.name.name = RSKNAMEREC{kRskObjectNameCapacity, 6, method_.name.buffer};
        method_.kind = RSKMKIND_SCORE;
        method_.compiled = 1;
        corp_->method_record = static_cast<RSKTYPEMETHOD*>(vmalcp_handler(pool_, sizeof(RSKTYPEMETHOD), QOR_ALLOC_ZERO));
        RSKACTION& action = corp_->method_record->action;
        corp_->method_record->method = &method_;
        action.kind = RSKACTION_METHOD_CALL;
        action.target = &method_;
        action.defined = 1;
        auto push = [&](int block, const std::vector<std::string>& statements) {
            ASSERT_EQ(rsksact(con, &action, block), 0);
            for (const std::string& s : statements) ASSERT_LE(rskpush(con->compile_handle, s.c_str(), 0, 2), 0) << log();
            ASSERT_LE(rskpush(con->compile_handle, "return;", 0, 2), 0);
        };
        if (!inst_init.empty()) push(RSKBLK_INST_INIT, inst_init);
        push(RSKBLK_MAIN, main);
        ASSERT_EQ(rskmcmp_final(con), 0) << log();
        ASSERT_EQ(rskgcmp(con), 0) << log();
        r.buffer.assign(rskmkt_buffer_bytes(con, std::max(states, 1)), 0);
        ASSERT_EQ(rskmkt_attach(con, r.buffer.data(), std::max(states, 1)), 0);
        run()->state_buffer.keep = 1;
    }

    // The two doubles of row `row` of the block of observation n in the output member.
    std::vector<double> stored_row(RSKCPTYDS* set, int n, int row) {
        const int64_t block = 2 * 16;
        double values[2] = {-1, -1};
        EXPECT_EQ(utility_read(set->output, values, 16, (n - 1) * block + row * 16), 0);
        return {values[0], values[1]};
    }
    static double at(const void* row, int offset) {
        double d;
        std::memcpy(&d, static_cast<const uint8_t*>(row) + offset, sizeof d);
        return d;
    }

    qor_pool* pool_ = nullptr;
    RSKCPTYCON* c_ = nullptr;
    RSKCPTYTYPE* corp_ = nullptr;
    RSKGENTRANS method_{};
    std::deque<RSKSYMENTRY> entries_;
};

const std::vector<TestColumn> kColumns = {{"CPTYTYPE", true, 8}, {"COUNTERPARTYID", true, 8}, {"rating", false, 8}};

TEST_F(CounterpartyRun, ScoresEachCounterpartyInTheBaseCaseAndEveryState) {
    // Three observations, the third repeating the identifier A in lower case.
    RSKCPTYDS* set = add_dataset("CPTYIN", kColumns, {{"Corp", "A", "0.02"}, {"corp", "B", "0.05"}, {"Corp", "a", "0.07"}});
    prepare_run(1, {"_pd_ = rating + spot;"});
    run_.set_base({0.01, 0.03, 0.2, 0.0});
    ASSERT_EQ(run_.append_state(0, {0.02, 0.03, 0.2, 0.0}), 0);

    ASSERT_EQ(rskruncpty(con, "bookfile"), 0) << log();
    // Blocks of 2 rows of 16 bytes at (n - 1) x 2 x 16: _PD_ = rating + spot (base spot 0.01,
    // state spot 0.02), _LGD_ never set stays 0.0. The duplicate is written too.
    const double expected[3][2] = {{0.03, 0.04}, {0.06, 0.07}, {0.08, 0.09}};
    for (int n = 1; n <= 3; ++n)
        for (int row = 0; row < 2; ++row) {
            const std::vector<double> values = stored_row(set, n, row);
            EXPECT_NEAR(values[0], expected[n - 1][row], 1e-15) << n << " " << row;
            EXPECT_EQ(values[1], 0.0);
        }
    // The table keeps the first A; reading it back restores its inputs and both rows.
    ASSERT_EQ(c_->counterparties->item_count, 2u);
    RSKCPTY* a = read_cpty(c_, "A");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->observation, 1);
    EXPECT_EQ(*static_cast<double*>(variable("RATING")->value), 0.02);
    EXPECT_NEAR(at(cpty_state_row(c_, 0), 0), 0.03, 1e-15);
    EXPECT_NEAR(at(cpty_state_row(c_, 1), 0), 0.04, 1e-15);
    EXPECT_EQ(cpty_state_row(c_, 2), nullptr);
    EXPECT_NEAR(*static_cast<double*>(variable("_PD_")->value), 0.03, 1e-15);   // the base case first
    EXPECT_EQ(read_cpty(c_, "Z"), nullptr);
    EXPECT_NE(log().find("598/7719"), std::string::npos) << log();
}

TEST_F(CounterpartyRun, ColumnsBindOnceUnderTheirOwnNames) {
    RSKCPTYDS* set = add_dataset("CPTYIN", {{"CPTYTYPE", true, 8}, {"COUNTERPARTYID", true, 8}, {"rating", false, 8}, {"unknown", false, 8}},
                                 {{"Corp", "A", "0.02", "1"}});
    prepare_run(0, {"_pd_ = rating;"});
    ASSERT_EQ(open_cpty_input(con, set), 0) << log();
    ASSERT_NE(build_input_obs(con, set), nullptr) << log();
    ASSERT_NE(build_input_obs(con, set), nullptr) << log();
    // COUNTERPARTYID feeds CPTYID; a column without variable is reported and left out; binding
    // again counts no column twice.
    const auto* id = static_cast<const RSKCPTYVAR*>(hash_query(set->columns, "COUNTERPARTYID")->value);
    EXPECT_STREQ(id->name, "CPTYID");
    EXPECT_STREQ(id->alias, "COUNTERPARTYID");
    EXPECT_EQ(set->variable_count, 3);
    EXPECT_EQ(hash_query(set->columns, "UNKNOWN"), nullptr);
    EXPECT_NE(log().find("598/7740"), std::string::npos);
}

TEST_F(CounterpartyRun, AMappedDataSetKeepsItsColumnsAndReadsTheLongIdColumn) {
    // The definition listed the columns (CPTYID standing for COUNTERPARTYID): they are not
    // matched again, and the identifier comes from the data set's COUNTERPARTYID.
    RSKCPTYDS* set = add_dataset("CPTYIN", kColumns, {{"Corp", "A", "0.02"}});
    for (const char* name : {"CPTYTYPE", "CPTYID", "RATING"}) {
        const auto* v = static_cast<const RSKCPTYVAR*>(hash_query(c_->variables, name)->value);
        RSKCPTYVAR* column = new_cpty_var(pool_, v->name, nullptr, v->type, v->role, v->offset, v->variable);
        hash_insert(set->columns, create_hash_item(pool_, column->alias, column));
    }
    set->variable_count = 3;
    set->mapping_used = 1;
    prepare_run(0, {"_pd_ = rating;"});
    ASSERT_EQ(rskruncpty(con, "BOOKFILE"), 0) << log();
    EXPECT_EQ(set->variable_count, 3);
    EXPECT_EQ(hash_query(set->columns, "COUNTERPARTYID"), nullptr);
    ASSERT_NE(read_cpty(c_, "A"), nullptr) << log();
    EXPECT_EQ(at(cpty_state_row(c_, 0), 0), 0.02);
}

TEST_F(CounterpartyRun, AColumnOfTheOtherStorageTypeIsRefused) {
    // rating held as text cannot fill a number.
    add_dataset("CPTYTXT", {{"CPTYTYPE", true, 8}, {"CPTYID", true, 8}, {"rating", true, 8}}, {{"Corp", "A", "x"}});
    prepare_run(0, {"_pd_ = rating;"});
    EXPECT_EQ(rskruncpty(con, "BOOKFILE"), 1);
    const std::string text = log();
    EXPECT_NE(text.find("598/7718"), std::string::npos) << text;
    EXPECT_NE(text.find("598/7705"), std::string::npos);
}

TEST_F(CounterpartyRun, ATypeWithoutCompiledMethodKeepsTheBlocksInPlace) {
    add_type("BARE", nullptr, {});
    RSKCPTYDS* set = add_dataset("CPTYMIX", kColumns, {{"Bare", "X", "0.5"}, {"Corp", "B", "0.05"}, {"Bare", "Y", "0.5"}});
    prepare_run(1, {"_pd_ = rating;"});
    ASSERT_EQ(rskruncpty(con, "BOOKFILE"), 0) << log();
    // The skipped counterparties leave zero blocks; B's block is the second one.
    EXPECT_EQ(stored_row(set, 1, 0)[0], 0.0);
    EXPECT_EQ(stored_row(set, 2, 0)[0], 0.05);
    EXPECT_EQ(set->output->size, 3 * 2 * 16);
    EXPECT_EQ(read_cpty(c_, "X"), nullptr);
    EXPECT_NE(read_cpty(c_, "B"), nullptr);
    EXPECT_NE(log().find("598/7741"), std::string::npos);
}

TEST_F(CounterpartyRun, AFailingInstInitEndsTheRun) {
    add_dataset("CPTYIN", kColumns, {{"Corp", "A", "0.02"}});
    prepare_run(0, {"_pd_ = rating;"}, {"array t[2];", "t[3] = 1;"});
    EXPECT_EQ(rskruncpty(con, "BOOKFILE"), 1);
    const std::string text = log();
    for (const char* id : {"598/7712", "598/7707", "598/7705"}) EXPECT_NE(text.find(id), std::string::npos) << id << text;
    EXPECT_EQ(c_->counterparties->item_count, 0u);
}

TEST_F(CounterpartyRun, EveryFailedAllocationEndsCleanly) {
    add_dataset("CPTYIN", kColumns, {{"Corp", "A", "0.02"}, {"Corp", "B", "0.05"}, {"Corp", "A", "0.07"}});
    prepare_run(1, {"_pd_ = rating + spot;"});
    constexpr long kFar = 1L << 40;
    qor_pool_fail_nth(kFar);
    ASSERT_EQ(rskruncpty(con, "BOOKFILE"), 0) << log();
    const long used = kFar - qor_pool_fail_nth(0);
    free_cpty_table(con);
    ASSERT_GT(used, 5);
    for (long n = 1; n <= used; ++n) {
        SCOPED_TRACE(n);
        qor_pool_fail_nth(n);
        const int rc = rskruncpty(con, "BOOKFILE");
        qor_pool_fail_nth(0);
        // Either the run says it failed, or it did all of its work.
        if (rc == 0) {
            ASSERT_NE(c_->counterparties, nullptr);
            EXPECT_EQ(c_->counterparties->item_count, 2u);
        }
        free_cpty_table(con);
    }
    ASSERT_EQ(rskruncpty(con, "BOOKFILE"), 0) << log();
    EXPECT_NE(read_cpty(c_, "B"), nullptr);
}

TEST_F(CounterpartyRun, EmptyDataSetAndUnknownInputSource) {
    RSKCPTYDS* set = add_dataset("CPTYNONE", kColumns, {});
    prepare_run(1, {"_pd_ = rating;"});
    EXPECT_EQ(rskruncpty(con, "ELSEWHERE"), 0);
    EXPECT_EQ(rskruncpty(con, "BOOKFILE"), 0) << log();
    EXPECT_EQ(set->output->size, 0);
    EXPECT_EQ(c_->counterparties->item_count, 0u);
}

TEST_F(CounterpartyRun, ClearingMakesNumbersMissingAndTextEmpty) {
    prepare_run(0, {"_pd_ = rating;"});
    *static_cast<double*>(variable("OPENED")->value) = 0.0;   // a date: 0.0 would be 1 January 1960
    std::memcpy(variable("CPTYID")->value, "ABCDEFGH", 8);
    cpty_zero_vars(c_);
    EXPECT_TRUE(qor::is_missing(*static_cast<double*>(variable("OPENED")->value)));
    EXPECT_TRUE(qor::is_missing(*static_cast<double*>(variable("_PD_")->value)));
    EXPECT_EQ(std::string(static_cast<char*>(variable("CPTYID")->value), 8), std::string(8, '\0'));
}

TEST(CounterpartyOutputMember, PartNumbersAreSeparatedAndTheNameFits) {
    struct Case {
        const char* member;
        int first, second;
        const char* name;
    } cases[] = {
        {"CPTY", 1, 12, "CPTY_1_12"},
        {"CPTY", 11, 2, "CPTY_11_2"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", 3, 4, "ABCDEFGHIJKLMNOPQRSTUVWXYZ01_3_4"},
    };
    for (const Case& c : cases) {
        char name[33];
        ASSERT_EQ(cpty_output_member(c.member, c.first, c.second, name), 0);
        EXPECT_STREQ(name, c.name);
    }
    char name[33];
    EXPECT_EQ(cpty_output_member("", 1, 1, name), 1);
}

}  // namespace
