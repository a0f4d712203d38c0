// The mitigation run over stored positions: a collateral method compiled through the compiler
// driver runs over the base case and one market state for each pair of a small data set; the
// output rows and the positions written back are checked against values worked by hand.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "engine/compiler/dependencies.h"
#include "engine/counterparty/container_texts.h"
#include "engine/counterparty/containers.h"
#include "engine/counterparty/mitigation_run.h"
#include "host/missing.h"
#include "tests/engine/dataset_writer.h"
#include "tests/engine/pricing_fixture.h"

namespace {

// A stored position: rows of (value, adjusted value) for the base case and the one state, then
// the spare row of the layout; per-state values likewise.
struct StoredPosition {
    const char* key;
    int32_t role;
    double rows[6];
    double values[3];
};

class MitigationRun : public PricingHarness {
protected:
    void SetUp() override {
        PricingHarness::SetUp();
        pool_ = con->current_pool;
        container_ = new_mit_con(pool_);
        ASSERT_NE(container_, nullptr);
        container_->variables = new_hash_table(pool_, 20);
        container_->system_variables = new_hash_table(pool_, 7);
        container_->types = new_hash_table(pool_, 4);
        container_->datasets = new_hash_table(pool_, 4);
        container_->input_sources = new_hash_table(pool_, 4);
        con->mit_container = container_;
        con->mit_container_state = 55;
        for (const char* name : {"EXPOSUREID", "MITIGANTID", "MITIGATIONTYPE"}) add_variable(name, true, false, true);
        int32_t offset = 0;
        for (const char* name : {"_EXPOSURE_", "_ADJEXPOSURE_", "_MITIGANT_VAL_", "_MITIGANT_ADJVAL_"}) {
            add_variable(name, false, true, true, offset);
            offset += 8;
        }
        RSKMITVAR* haircut = add_variable("HAIRCUT", false, false, false);
        type_ = new_mit_type(pool_, "COLLAT", "COLLAT", nullptr, 4);
        ASSERT_NE(type_, nullptr);
        insert(type_->variables, haircut->name, haircut);
        insert(container_->types, type_->name, type_);
    }
    void TearDown() override {
        if (con != nullptr && con->mit_container != nullptr) {
            free_mit_buffer(con);
            if (out_ != nullptr) delete_mit_out_ds(pool_, out_);
            container_->output_dataset = nullptr;
            delete_positions(pool_, container_);
            if (file_ != nullptr) delete_position_file(pool_, file_);
            type_->run_method = nullptr;
        }
        PricingHarness::TearDown();
    }

    void insert(hash_table* table, const char* key, void* value) {
        ASSERT_EQ(hash_insert(table, create_hash_item(pool_, key, value)), HASH_INSERTED);
    }

    // A mitigation variable of the environment and its container entry.
    RSKMITVAR* add_variable(const char* name, bool text, bool computed, bool system, int32_t offset = -1) {
        const char* type_word = text ? "CHAR" : "NUM";
        const char* role_word = computed ? "COMPUTED" : "VAR";
        RSKVARDEF request{};
        request.name = name;
        request.name_length = -1;
        request.kind = RSKVKIND_MITIGATION;
        request.data_type = static_cast<uint32_t>(
            engine_routine<EngineSlot::rskcddt>()(con, 9, type_word, static_cast<int>(std::strlen(type_word))));
        request.length = 8;
        request.role = static_cast<uint32_t>(
            engine_routine<EngineSlot::rskcdva>()(con, 12, role_word, static_cast<int>(std::strlen(role_word))));
        request.maturity = qor::missing();
        request.scale = qor::missing();
        request.environment = con->current_environment;
        RSKVARIABLE* v = nullptr;
        EXPECT_EQ(engine_routine<EngineSlot::rskvard>()(con, &v, &request), 0) << log();
        RSKMITVAR* entry = new_mit_var(pool_, name, nullptr, text ? RSKCPTYVT_CHAR : RSKCPTYVT_NUMERIC,
                                       computed ? RSKCPTYROLE_OUTPUT : RSKCPTYROLE_INPUT, offset, v);
        EXPECT_NE(entry, nullptr);
        insert(container_->variables, entry->name, entry);
        if (system) insert(container_->system_variables, entry->name, entry);
        return entry;
    }

    // The pairs data set MD of input source BOOK.
    // A haircut stored as text, or a column of no mitigation variable, can be asked for.
    void pairs(const std::vector<std::vector<std::string>>& rows, bool haircut_text = false, bool extra = false) {
        std::vector<TestColumn> columns = {{"EXPOSUREID", true, 8}, {"MITIGANTID", true, 8},
                                           {"MITIGATIONTYPE", true, 8}, {"haircut", haircut_text, 8}};
        std::vector<std::vector<std::string>> data = rows;
        if (extra) {
            columns.push_back({"NOTE", true, 8});
            for (auto& row : data) row.push_back("x");
        }
        ASSERT_EQ(write_test_dataset("DEFS", "PAIRS", columns, data), 0);
        dataset* input = new_dataset(pool_, rsk_text_copy(pool_, "DEFS"), rsk_text_copy(pool_, "PAIRS"), DATASET_READ);
        RSKMITDS* set = new_mit_ds(pool_, "MD", input, 4);
        ASSERT_NE(set, nullptr);
        insert(container_->datasets, set->name, set);
        hash_table* sets = new_hash_table(pool_, 4);
        insert(sets, set->name, set);
        source_ = RSKCPTYINSRC{const_cast<char*>("BOOK"), const_cast<char*>("BOOK"), sets};
        insert(container_->input_sources, "BOOK", &source_);
    }

    // The position file of one market state and a two-double row, holding the given positions.
    void store(const std::vector<StoredPosition>& positions) {
        utilfile* member = new_utilfile(pool_, "DEFS", "BOOK_POS", UTILFILE_WRITE);
        file_ = new_position_file(pool_, "BOOK_POS", member, 1, 16);
        ASSERT_NE(file_, nullptr);
        ASSERT_EQ(open_position_file(file_), 0);
        stored_ = positions;
        for (StoredPosition& p : stored_)
            ASSERT_EQ(store_position(pool_, container_, file_, p.key, p.role, reinterpret_cast<uint8_t*>(p.rows), p.values),
                      0);
    }

    // The run's storage for one state, the buffers, and the method's MAIN block compiled into
    // the run's program with the declaration hook on, as generation compiles it.
    void compile(const std::vector<std::string>& main) {
        con->papc = 0;
        ASSERT_EQ(rskmem0(con), 0);
        run()->state_count = 1;
        ASSERT_EQ(rskmem1(con), 0);
        ASSERT_EQ(rskmem2(con), 0);
        ASSERT_EQ(rskmem3(con), 0);
        ASSERT_EQ(rskex_alloc(con), 0) << log();
        ASSERT_EQ(create_mit_buffer(con, 1, 16), 0) << log();
        ASSERT_EQ(rskicmp(0, 0, con, 1), 0) << log();
        ASSERT_EQ(rskmcmp_init(con), 0);
        con->compile_handle->declare_hook = 1;
        std::memcpy(method_.name.buffer, "COLLAT", 6);
        method_.name.name = RSKNAMEREC{kRskObjectNameCapacity, 6, method_.name.buffer};
        method_.kind = RSKMKIND_MITIGATION;
        method_.compiled = 1;
        record_ = RSKTYPEMETHOD{};
        record_.name = method_.name;
        record_.name.name.text = record_.name.buffer;
        record_.kind = 12;
        record_.method = &method_;
        record_.action.kind = RSKACTION_METHOD_CALL;
        record_.action.target = &method_;
        record_.action.defined = 1;
        type_->run_method = &record_;
        ASSERT_EQ(rsksact(con, &record_.action, RSKBLK_MAIN), 0) << log();
        for (const std::string& s : main) ASSERT_LE(rskpush(con->compile_handle, s.c_str(), 0, 2), 0) << s << log();
        ASSERT_LE(rskpush(con->compile_handle, "return;", 0, 2), 0);
        ASSERT_EQ(rskmcmp_final(con), 0) << log();
        ASSERT_EQ(rskgcmp(con), 0) << log();
    }

    // ALLMITIGATION in DEFS, opened with its observation built.
    void output() {
        dataset* data = new_dataset(pool_, "DEFS", "ALLMIT", DATASET_WRITE);
        out_ = new_mit_out_ds(pool_, data);
        ASSERT_NE(out_, nullptr);
        ASSERT_NE(build_output_obs(con, out_, nullptr, 2), nullptr);
        ASSERT_EQ(open_mit_out_dataset(out_), 0);
        container_->output_dataset = out_;
    }

    struct OutRow {
        std::string exposure, mitigant;
        double numbers[4];
    };
    std::vector<OutRow> written() {
        std::vector<OutRow> rows;
        dataset* data = new_dataset(pool_, "DEFS", "ALLMIT", DATASET_READ);
        EXPECT_EQ(open_dataset(data), 0);
        // A data set nothing was written to has no columns either.
        dataset_obs* obs = get_obs_from_dataset(pool_, data);
        EXPECT_TRUE(obs != nullptr || data->observations == 0);
        for (int64_t n = 1; obs != nullptr && n <= data->observations; ++n) {
            obs->number = n;
            EXPECT_EQ(read_obs(data, obs), 0);
            OutRow row{};
            int k = 0;
            for (dataset_var* v = obs->first; v != nullptr; v = v->next, ++k) {
                if (k < 2) {
                    std::string text(static_cast<const char*>(v->value), static_cast<size_t>(v->length));
                    text.erase(text.find_last_not_of(' ') + 1);
                    (k == 0 ? row.exposure : row.mitigant) = text;
                } else if (k < 6) {
                    std::memcpy(&row.numbers[k - 2], v->value, sizeof(double));
                }
            }
            rows.push_back(row);
        }
        delete_dataset_obs(pool_, obs);
        delete_dataset(pool_, data);
        return rows;
    }

    // The position's record as it now stands in the file.
    StoredPosition reread(const char* key) {
        StoredPosition p{key, 0, {}, {}};
        RSKPOSITION* position = find_position(container_, key);
        EXPECT_NE(position, nullptr);
        if (position == nullptr) return p;
        position->rows = reinterpret_cast<uint8_t*>(p.rows);
        position->values = p.values;
        EXPECT_NE(read_position(container_, key), nullptr);
        return p;
    }

    qor_pool* pool_ = nullptr;
    RSKMITIGATIONCON* container_ = nullptr;
    RSKMITTYPE* type_ = nullptr;
    RSKCPTYINSRC source_{};
    RSKPOSFILE* file_ = nullptr;
    RSKMITOUTDS* out_ = nullptr;
    std::vector<StoredPosition> stored_;
    RSKGENTRANS method_{};
    RSKTYPEMETHOD record_{};
};

const std::vector<std::string> kCollateral = {
    "_adjexposure_ = _exposure_ - _mitigant_adjval_;",
    "_mitigant_adjval_ = _mitigant_adjval_ * (1 - haircut);",
};

// Exposures L1 (985 in the base case, 980 in the state) and L2 (20); mitigants C1 (value 300,
// adjusted -50 and -40 stored as non-positive amounts, per-state values 300 and 0) and C2.
const std::vector<StoredPosition> kBook = {
    {"L1", RSKPOS_EXPOSURE, {985, 985, 980, 980, 0, 0}, {985, 980, 0}},
    {"C1", RSKPOS_MITIGANT, {300, -50, 300, -40, 0, 0}, {300, 0, 0}},
    {"L2", RSKPOS_EXPOSURE, {20, 20, 20, 20, 0, 0}, {20, 20, 0}},
    {"C2", RSKPOS_MITIGANT, {100, -50, 100, -50, 0, 0}, {100, 100, 0}},
};

TEST_F(MitigationRun, PairsOverTheStatesWriteRowsAndPositionsBack) {
    store(kBook);
    pairs({{"L1", "c1", "Collat", "0.2"},
           {"L2", "C2", "COLLAT", "."},       // a missing haircut leaves the adjusted value missing
           {"L9", "C1", "COLLAT", "0.2"},     // no position L9: reported, skipped
           {"L1", "L1", "COLLAT", "0.2"},     // one position for both: skipped
           {"L2", "L1", "COLLAT", "0.2"}},    // L1 was priced as an exposure: skipped
          false, true);                      // NOTE is no mitigation variable: passed over
    compile(kCollateral);
    output();
    double indicator = -1;
    int32_t marker = -1;
    container_->run->base_indicator = &indicator;
    container_->run->base_marker = &marker;
    ASSERT_EQ(rskrunmitigation(con, "BOOK"), 0) << log();
    EXPECT_EQ(indicator, 0.0);                 // the last state run was a market state
    EXPECT_EQ(marker, 0);
    ASSERT_EQ(close_mit_out_dataset(out_), 0);

    // By hand, L1/C1 base case: -50 stored is seen as 50; adjusted exposure 985 - 50 = 935; the
    // method leaves 50 x 0.8 = 40. The state: -40 stored gives 40, and the per-state value 0
    // takes it; 980 - 40 = 940, 40 x 0.8 = 32. L2/C2: 20 - 50 = -30 is floored at 0.
    const double m = qor::missing();
    const std::vector<OutRow> expected = {
        {"L1", "C1", {985, 935, 300, 40}},
        {"L1", "C1", {980, 940, 40, 32}},
        {"L2", "C2", {20, 0, 100, m}},
        {"L2", "C2", {20, 0, 100, m}},
    };
    const std::vector<OutRow> rows = written();
    ASSERT_EQ(rows.size(), expected.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].exposure, expected[i].exposure) << i;
        EXPECT_EQ(rows[i].mitigant, expected[i].mitigant) << i;
        for (int k = 0; k < 4; ++k) {
            if (qor::is_missing(expected[i].numbers[k])) {
                EXPECT_TRUE(qor::is_missing(rows[i].numbers[k])) << i << ":" << k;
            } else {
                EXPECT_DOUBLE_EQ(rows[i].numbers[k], expected[i].numbers[k]) << i << ":" << k;
            }
        }
    }

    // Written back: the exposure's adjusted values, the mitigant's adjusted values as
    // non-positive amounts and the per-state value the state took.
    const StoredPosition l1 = reread("L1");
    EXPECT_DOUBLE_EQ(l1.rows[1], 935);
    EXPECT_DOUBLE_EQ(l1.rows[3], 940);
    const StoredPosition c1 = reread("C1");
    EXPECT_DOUBLE_EQ(c1.rows[1], -40);
    EXPECT_DOUBLE_EQ(c1.rows[3], -32);
    EXPECT_DOUBLE_EQ(c1.values[0], 300);
    EXPECT_DOUBLE_EQ(c1.values[1], 40);
    EXPECT_TRUE(qor::is_missing(reread("C2").rows[1]));
    // The base case runs as the base case.
    ASSERT_EQ(mitigatestate(con, static_cast<RSKMIT*>(container_->current), 1), 0);
    EXPECT_EQ(indicator, 1.0);
    EXPECT_EQ(marker, 1);
    const std::string text = log();
    EXPECT_NE(text.find("NOTE"), std::string::npos) << text;
    EXPECT_NE(text.find("L9"), std::string::npos) << text;
    EXPECT_NE(text.find("both name the same position"), std::string::npos) << text;
    EXPECT_NE(text.find("the mitigant was priced as an exposure"), std::string::npos) << text;
}

TEST_F(MitigationRun, RunFailures) {
    struct Case {
        const char* what;
        const char* type;
        bool open_output;
        bool haircut_text;
        const char* message;
    };
    const Case cases[] = {
        {"unknown type", "NOPE", true, false, "598/315 ERROR: The mitigation system variable or type NOPE"},
        {"output not writable", "COLLAT", false, false, "598/301 ERROR: The values of ALLMITIGATION"},
        {"numeric variable fed by a text column", "COLLAT", true, true, "598/7718 ERROR: The data set variable HAIRCUT"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t logged = log().size();
        restart_run();
        store(kBook);
        pairs({{"L1", "C1", c.type, "0.2"}}, c.haircut_text);
        compile(kCollateral);
        output();
        if (!c.open_output) {
            ASSERT_EQ(close_mit_out_dataset(out_), 0);
        }
        EXPECT_EQ(rskrunmitigation(con, "BOOK"), 1);
        const std::string text = log().substr(logged);
        EXPECT_NE(text.find(c.message), std::string::npos) << text;
        // Ready for the next case.
        free_mit_buffer(con);
        delete_mit_out_ds(pool_, out_);
        out_ = nullptr;
        container_->output_dataset = nullptr;
        delete_positions(pool_, container_);
        delete_position_file(pool_, file_);
        file_ = nullptr;
        hash_item* src = hash_remove(container_->input_sources, "BOOK");
        del_hash_item(pool_, src);
        hash_item* set = hash_remove(container_->datasets, "MD");
        close_mitigation_input(static_cast<RSKMITDS*>(set->value));
        delete_mit_ds(pool_, static_cast<RSKMITDS*>(set->value));
        del_hash_item(pool_, set);
    }
}

TEST_F(MitigationRun, TypeWithoutCompiledMethodSkipsItsPairsWithTenNotes) {
    store(kBook);
    std::vector<std::vector<std::string>> rows(12, {"L1", "C1", "COLLAT", "0.2"});
    pairs(rows);
    compile(kCollateral);
    output();
    method_.compiled = 0;
    const size_t logged = log().size();
    ASSERT_EQ(rskrunmitigation(con, "BOOK"), 0) << log();
    ASSERT_EQ(close_mit_out_dataset(out_), 0);
    EXPECT_TRUE(written().empty());
    const std::string text = log().substr(logged);
    size_t notes = 0;
    for (size_t at = text.find("598/308"); at != std::string::npos; at = text.find("598/308", at + 1)) ++notes;
    EXPECT_EQ(notes, 10u) << text;
    EXPECT_EQ(reread("L1").rows[1], 985);   // nothing written back
}

TEST_F(MitigationRun, ResolutionNeedsTypes) {
    // A type without method is passed over; a container without types is refused.
    char* method = type_->method;
    type_->method = nullptr;
    EXPECT_EQ(rskrsvmitigation(con), 0) << log();
    EXPECT_EQ(type_->run_method, nullptr);
    type_->method = method;
    hash_table* types = container_->types;
    container_->types = nullptr;
    EXPECT_EQ(rskrsvmitigation(con), 1);
    container_->types = types;
    EXPECT_NE(log().find("no mitigation types"), std::string::npos) << log();
}

TEST_F(MitigationRun, OutputVariableBeyondTheRowIsRefused) {
    add_variable("SPREAD_ADJ", false, true, false, 16);   // 16 + 8 bytes do not fit a 16-byte row
    EXPECT_EQ(create_mit_buffer(con, 1, 16), 1);
    EXPECT_EQ(container_->run, nullptr);
    EXPECT_NE(log().find("SPREAD_ADJ"), std::string::npos) << log();
    EXPECT_EQ(create_mit_buffer(con, 1, 24), 0) << log();
}

TEST_F(MitigationRun, PositionRecordsLieAtTheirOrdinal) {
    store(kBook);
    // One state and 16-byte rows: 3 rows of 16 bytes and 3 doubles, 72 bytes a record; C2, the
    // fourth, starts at 216 with its base-case value.
    EXPECT_EQ(position_record_bytes(file_), 72);
    double value = 0;
    ASSERT_EQ(utility_read(file_->member, &value, 8, 216), 0);
    EXPECT_EQ(value, 100);
    ASSERT_EQ(utility_read(file_->member, &value, 8, 216 + 48 + 8), 0);
    EXPECT_EQ(value, 100);                       // C2's per-state value of the state
    EXPECT_EQ(find_position(container_, "NONE"), nullptr);
    // A key met again (case and blanks aside) keeps the first record and takes no ordinal.
    double rows[6] = {1, 2, 3, 4, 5, 6}, values[3] = {7, 8, 9};
    EXPECT_EQ(store_position(pool_, container_, file_, " l1 ", RSKPOS_EXPOSURE, reinterpret_cast<uint8_t*>(rows), values), 3);
    EXPECT_EQ(file_->count, 4);
    EXPECT_EQ(reread("L1").rows[0], 985);
}

}  // namespace
