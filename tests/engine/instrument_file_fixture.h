// A started engine with instrument variables and types whose values live in storage the test
// owns (as a run's working storage would give them), an instrument file definition in a scratch
// directory, and short-hands to write instruments, read them back and look at the member files.
#pragma once
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/files/instrument_file.h"
#include "engine/files/instrument_values.h"
#include "engine/model/positions/instrument_files.h"
#include "engine/model/variables/value_cells.h"
#include "engine/run/run_block.h"
#include "tests/engine/definitions_fixture.h"

class InstrumentFileTest : public DefinitionsTest {
protected:
    static constexpr uint32_t kInstrument = 3, kNum = 1, kChar = 2, kCurcode = 10, kVarRole = 201;

    void SetUp() override {
        DefinitionsTest::SetUp();
        ASSERT_NE(con->system_variables, nullptr);
        ASSERT_NE(con->run_block, nullptr);
        files_ = dir_ / "files";
        for (const char* n : {"strike", "maturity"}) ASSERT_EQ(declare(n, kInstrument, kNum, kVarRole), 0) << log();
        ASSERT_EQ(declare("ccy", kInstrument, kCurcode, kVarRole), 0) << log();
        ASSERT_EQ(declare("desk", kInstrument, kChar, kVarRole, 8), 0) << log();
        RSKINSTTYPE* call = define_type("Call");
        add_vars(call, {"strike", "maturity", "ccy", "desk"});
        ASSERT_EQ(init(call), 0) << log();
        RSKINSTTYPE* put = define_type("Put");
        add_vars(put, {"strike", "ccy"});
        ASSERT_EQ(init(put), 0) << log();
        RSKINSTTYPE* quad = define_type("Quad", "", 0, 1);
        add_vars(quad, {"strike"});
        ASSERT_EQ(init(quad), 0) << log();
        RSKINSTTYPE* flows = define_type("Flows", "", 1, 0);
        add_vars(flows, {"ccy"});
        ASSERT_EQ(init(flows), 0) << log();
        give_storage_all();
        ASSERT_EQ(define_file("book"), 0) << log();
    }
    void TearDown() override {
        if (con != nullptr) {
            engine_routine<EngineSlot::rsktrac>()(con, &file_);
            // The values live in the test's storage, which goes now.
            for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) v->value = nullptr;
            for (RSKVARIABLE* v : system_list()) if (v != nullptr) v->value = nullptr;
        }
        DefinitionsTest::TearDown();
    }

    std::vector<RSKVARIABLE*> system_list() {
        RSKSYSVARS* sv = con->system_variables;
        return {sv->inst_type, sv->inst_id,      sv->inst_source, sv->inst_number, sv->inst_total,     sv->currency,
                sv->counterparty_id, sv->netting_set_id, sv->al_type, sv->quad_value, sv->cash_flows, sv->holding,
                sv->short_position, sv->collateral, sv->al_position};
    }
    // Every variable gets value storage of its own; composite values hold up to 16 entries.
    void give_storage_all() {
        auto give = [this](RSKVARIABLE* v) {
            if (v == nullptr || v->value != nullptr) return;
            size_t bytes = std::max<size_t>(64, v->storage_size + v->length + 16);
            if (v->storage_type == RSKSTORE_QUADRATIC) bytes = tran_quad_storage(16);
            if (v->storage_type == RSKSTORE_CASH_FLOWS) bytes = tran_cash_storage(16);
            if (v->storage_type == RSKSTORE_QUADRATIC || v->storage_type == RSKSTORE_CASH_FLOWS) v->element_count = 16;
            storage_.push_back(std::make_unique<std::vector<unsigned char>>(bytes, 0));
            v->value = storage_.back()->data();
            rskvali(v);
        };
        for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) give(v);
        for (RSKVARIABLE* v : system_list()) give(v);
    }

    int define_file(const char* name) {
        RSKNAMEREC key = name_of(name);
        path_text_ = files_.string();
        RSKNAMEREC path = name_of(path_text_.c_str());
        object_ = nullptr;
        return engine_routine<EngineSlot::rsktdfd>()(con, &object_, &key, nullptr, &path, nullptr);
    }
    RSKTFILE* definition() { return static_cast<RSKTFILE*>(object_->object); }

    static void set_char(RSKVARIABLE* v, const std::string& text) {
        auto* out = static_cast<char*>(v->value);
        const size_t width = v->storage_type == RSKSTORE_CUR_STR ? 3 : v->length;
        std::memset(out, ' ', width);
        std::memcpy(out, text.data(), std::min(width, text.size()));
    }
    static void set_num(RSKVARIABLE* v, double x) { std::memcpy(v->value, &x, sizeof x); }
    static double num(const RSKVARIABLE* v) {
        double x = 0;
        std::memcpy(&x, v->value, sizeof x);
        return x;
    }
    static std::string text(const RSKVARIABLE* v) {
        const size_t width = v->storage_type == RSKSTORE_CUR_STR ? 3 : v->length;
        std::string s(static_cast<const char*>(v->value), width);
        while (!s.empty() && s.back() == ' ') s.pop_back();
        return s;
    }

    // One Call instrument (or of the named type) through rsktrai and rsktraw: rsktraw's result.
    int write_one(const char* type_name, const std::string& id, double strike, const char* ccy = "USD") {
        return write_one(type(type_name), id, strike, ccy);
    }
    int write_one(RSKINSTTYPE* t, const std::string& id, double strike, const char* ccy = "USD") {
        const std::string type_name(t->name.name.text, t->name.name.length);
        engine_routine<EngineSlot::rsktrai>()(con, t);
        set_char(con->system_variables->inst_id, id);
        set_char(con->system_variables->inst_source, "desk-a");
        set_num(variable("strike"), strike);
        set_char(variable("ccy"), ccy);
        if (type_name == "Call") {
            set_num(variable("maturity"), strike / 10);
            set_char(variable("desk"), "fx" + std::to_string(static_cast<int>(strike) % 3));
        }
        return engine_routine<EngineSlot::rsktraw>()(con, &file_, 0, t);
    }
    int open(int mode) { return engine_routine<EngineSlot::rsktrao>()(con, &file_, object_, mode); }
    void close() { engine_routine<EngineSlot::rsktrac>()(con, &file_); }
    // Writes `count` Call instruments "I1".. and completes the file: rsktriw's result.
    int write_calls(int count) {
        EXPECT_EQ(open('O'), 0) << log();
        for (int i = 1; i <= count; ++i) EXPECT_EQ(write_one("Call", "I" + std::to_string(i), 100.0 + i), 0) << log();
        const int rc = engine_routine<EngineSlot::rsktriw>()(con, &file_);
        close();
        return rc;
    }
    // Reads the file to its end: the strikes read, and the last rsktra1 result.
    std::vector<double> read_all(int* last, int load_values = 1) {
        std::vector<double> strikes;
        *last = open('I');
        if (*last != 0) return strikes;
        *last = rsktrir(con, &file_, load_values);
        if (*last != 0) return strikes;
        RSKINSTTYPE* t = nullptr;
        while ((*last = engine_routine<EngineSlot::rsktra1>()(con, &file_, &t)) == 0) strikes.push_back(num(variable("strike")));
        return strikes;
    }

    std::filesystem::path member_path(bool information) {
        const RSKTFILE* d = definition();
        std::string name = information ? std::string(d->info_member, d->info_member_length)
                                       : std::string(d->data_member, d->data_member_length);
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return files_ / (name + ".qor7bput");
    }
    static std::string bytes_of(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static void put_bytes(const std::filesystem::path& path, const std::string& bytes) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    RSKTRANFILE file_{};
    RSKCATOBJ* object_ = nullptr;
    std::filesystem::path files_;
    std::string path_text_;
    std::vector<std::unique_ptr<std::vector<unsigned char>>> storage_;
};
