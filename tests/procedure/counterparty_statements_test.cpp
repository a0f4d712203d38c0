// The counterparty, mitigation, source and instrument data statements on parsed statements, run
// by the dispatcher against a started engine in a temporary environment: what the containers hold
// afterwards, the messages and each statement's result.
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "common/hash/hash_table.h"
#include "engine/tables/catalog_table.h"
#include "engine/tables/counterparty_records.h"
#include "engine/tables/engine_table.h"
#include "host/kernel.h"
#include "procedure/counterparty_containers.h"
#include "procedure/engine_calls.h"
#include "procedure/read_input_sources.h"
#include "procedure/zozu_dispatch.h"
#include "runtime/core/step.h"
#include "tests/procedure/zozu_fixture.h"

namespace {

namespace fs = std::filesystem;

// Keys of a hash table in insertion order.
std::vector<std::string> keys_of(const hash_table* table) {
    std::vector<std::string> keys;
    for (const hash_item* item = table != nullptr ? table->first : nullptr; item != nullptr; item = item->next)
        keys.emplace_back(item->key);
    return keys;
}

std::set<std::string> key_set(const hash_table* table) {
    auto keys = keys_of(table);
    return {keys.begin(), keys.end()};
}

template <typename T>
T* value_of(const hash_table* table, const char* key) {
    const hash_item* item = table != nullptr ? hash_query(table, key) : nullptr;
    return item != nullptr ? static_cast<T*>(item->value) : nullptr;
}

class CounterpartyStatements : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(wiinstl((14 << 16) | 381, "TOLVANEA", 1), 0);
        ASSERT_EQ(wiinstl((14 << 16) | 383, "TOLVANEC", 1), 0);
        dir_ = fs::path(::testing::TempDir()) / ("cpty_" + std::to_string(::getpid()) + "_" +
                                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "user");
        setenv("QORUSER", (dir_ / "user").c_str(), 1);
        log_path_ = (dir_ / "log").string();
        start();
    }
    void TearDown() override {
        stop();
        fs::remove_all(dir_);
        // The other tests of this program publish stand-in tables under these vectors.
        engine_routine<EngineSlot::rskatrm>()();
        catalog_routine<CatalogSlot::rskctrm>()();
    }
    void start() {
        step_ = qor::runtime::begin_step("ZOZU", "", 0, 1);
        ASSERT_EQ(zozu::rskinit(&con_, 0, 0, 0), 0);
        ASSERT_NE(con_, nullptr);
        ASSERT_EQ(zozu::rssenvt(con_), 0);
    }
    void stop() {
        if (con_ != nullptr) zozu::rskterm(con_);
        con_ = nullptr;
        if (step_ != nullptr) qor::runtime::end_step(step_);
        step_ = nullptr;
    }

    // Parses the statements and runs each through the dispatcher; the result of each, in order.
    std::vector<int> run(const std::string& statements, long fail_nth = 0) {
        ParsedStep parsed = parser_.parse(statements);
        EXPECT_EQ(parsed.code, 0) << parsed.log;
        return execute(parsed, fail_nth);
    }
    // Runs parsed statements, the fail_nth-th allocation from the first one on failing (0: none).
    std::vector<int> execute(const ParsedStep& parsed, long fail_nth = 0) {
        qor_print_set_log_file(log_path_.c_str());
        qor_print_set_msgids(true);
        std::vector<int> results;
        qor_pool_fail_nth(fail_nth);
        for (size_t i = 1; i < parsed.nodes.size(); ++i)
            results.push_back(zozu::rspstmt(con_, const_cast<statement_node*>(parsed.nodes[i])));
        fired_ = fail_nth > 0 && qor_pool_fail_nth(0) == 0;
        xpoflsh(0);
        qor_print_set_log_file(nullptr);
        qor_print_set_msgids(false);
        std::ifstream in(log_path_);
        std::stringstream text;
        text << in.rdbuf();
        log_ += text.str();
        return results;
    }

    RSKCON* con_ = nullptr;
    qor_step* step_ = nullptr;
    ZozuParse parser_;
    fs::path dir_;
    std::string log_path_;
    std::string log_;
    bool fired_ = false;             // the allocation set to fail was asked for
};

// Statements that need a container which no DECLARE has built, and inputs that name nothing:
// each is refused with its message and fails, leaving nothing behind.
TEST_F(CounterpartyStatements, RefusedStatements) {
    struct Case {
        const char* statement;
        const char* message;
    } cases[] = {
        {"CPTYDATA cd DATA=work.c;", "598/7745"},
        {"COUNTERPARTY Corp;", "598/7745"},
        {"MITDATA md DATA=work.m;", "598/7745"},
        {"MIT Guar;", "598/7745"},
        {"SOURCES all_pos nope;", "670/1096"},
        {"INSTDATA pos FILE=work.pos;", "670/1044"},
        {"INSTDATA pos FILE=work.pos TYPE=Nope FORMAT=SIMPLE;", "670/1045"},
        {"INSTDATA pos FILE=work.pos FORMAT=SPARSE VARIABLES=(nosuch);", "670/1047"},
    };
    for (const Case& c : cases) {
        log_.clear();
        std::vector<int> results = run(c.statement);
        ASSERT_EQ(results.size(), 1u) << c.statement;
        EXPECT_EQ(results[0], 1) << c.statement << "\n" << log_;
        EXPECT_NE(log_.find(c.message), std::string::npos) << c.statement << "\n" << log_;
    }
    EXPECT_EQ(con_->cpty_container, nullptr);
    EXPECT_EQ(con_->mit_container, nullptr);
}

// DECLARE builds the counterparty container with its four system variables; a reserved name is
// refused (and fails the class), the identifier under its long name is the container's own.
TEST_F(CounterpartyStatements, DeclareBuildsTheCounterpartyContainer) {
    std::vector<int> results =
        run("DECLARE CPTYVARS=(rating _PD_) NUM VAR; DECLARE CPTYVARS=(COUNTERPARTYID) CHAR VAR;");
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0], 1) << log_;
    EXPECT_EQ(results[1], 0) << log_;
    EXPECT_NE(log_.find("598/7743"), std::string::npos) << log_;
    EXPECT_NE(log_.find("_PD_"), std::string::npos) << log_;
    EXPECT_NE(log_.find("670/1111"), std::string::npos) << log_;
    ASSERT_NE(con_->cpty_container, nullptr);
    EXPECT_EQ(con_->cpty_container_state, RSKCON_CONTAINER_LOADED);
    const RSKCPTYCON* c = con_->cpty_container;
    EXPECT_EQ(key_set(c->variables), (std::set<std::string>{"_LGD_", "_PD_", "CPTYTYPE", "CPTYID", "RATING"}));
    EXPECT_EQ(key_set(c->system_variables), (std::set<std::string>{"_LGD_", "_PD_", "CPTYTYPE", "CPTYID"}));
    // Output variables take consecutive places in the value vector; input variables none.
    const auto* lgd = value_of<RSKCPTYVAR>(c->variables, "_LGD_");
    const auto* pd = value_of<RSKCPTYVAR>(c->variables, "_PD_");
    const auto* rating = value_of<RSKCPTYVAR>(c->variables, "RATING");
    const auto* id = value_of<RSKCPTYVAR>(c->variables, "CPTYID");
    ASSERT_TRUE(lgd && pd && rating && id);
    EXPECT_EQ(lgd->role, RSKCPTYROLE_OUTPUT);
    EXPECT_EQ(lgd->offset + pd->offset, 8);     // 0 and 8, in whichever order
    EXPECT_EQ(c->statelength, 16);
    EXPECT_EQ(rating->role, RSKCPTYROLE_INPUT);
    EXPECT_EQ(rating->offset, -1);
    EXPECT_EQ(rating->type, RSKCPTYVT_NUMERIC);
    EXPECT_EQ(id->type, RSKCPTYVT_CHAR);
    EXPECT_EQ(c->variable_count, 5);
    // Every container variable is a variable of the environment as well.
    for (const char* name : {"rating", "CPTYID", "_PD_"}) {
        RSKNAMEREC key{0, static_cast<uint16_t>(std::strlen(name)), const_cast<char*>(name)};
        EXPECT_NE(zozu::rskvar(con_, &key), nullptr) << name;
    }
    // Declared again after DELETE: noted, counted once, and the entry holds the new variable.
    log_.clear();
    EXPECT_EQ(run("DELETE VARIABLE=rating; DECLARE CPTYVARS=(rating) NUM VAR;"), (std::vector<int>{0, 0})) << log_;
    EXPECT_NE(log_.find("598/7755"), std::string::npos) << log_;
    EXPECT_EQ(c->variable_count, 5);
    RSKNAMEREC key{0, 6, const_cast<char*>("rating")};
    EXPECT_EQ(value_of<RSKCPTYVAR>(c->variables, "RATING")->variable, zozu::rskvar(con_, &key));
}

// Types: the identifier's long name is the container's CPTYID, a type without base takes every
// container variable, a second definition replaces the first, a base type passes its method and
// variables on, and a missing base type or variable is reported.
TEST_F(CounterpartyStatements, CounterpartyTypes) {
    run("DECLARE CPTYVARS=(rating score) NUM VAR;");
    std::vector<int> results = run(
        "CPTY Corp VARIABLES=(COUNTERPARTYID rating) METHOD=corpscore MODEL=merton;"
        "CPTY Corp VARIABLES=(rating) METHOD=corpscore2;"
        "CPTY Bank BASETYPE=Corp VARIABLES=(score);"
        "CPTY Sub BASETYPE=Nope;"
        "CPTY Odd VARIABLES=(nosuch);");
    ASSERT_EQ(results, (std::vector<int>{0, 0, 0, 1, 1})) << log_;
    const RSKCPTYCON* c = con_->cpty_container;
    EXPECT_EQ(keys_of(c->types), (std::vector<std::string>{"CORP", "BANK", "ODD"}));
    EXPECT_EQ(c->type_count, 3);
    const auto* corp = value_of<RSKCPTYTYPE>(c->types, "CORP");
    ASSERT_NE(corp, nullptr);
    EXPECT_STREQ(corp->method, "CORPSCORE2");
    EXPECT_EQ(corp->model, nullptr);    // the replacing definition names none
    EXPECT_EQ(key_set(corp->variables),
              (std::set<std::string>{"RATING", "SCORE", "CPTYID", "CPTYTYPE", "_LGD_", "_PD_"}));
    const auto* bank = value_of<RSKCPTYTYPE>(c->types, "BANK");
    ASSERT_NE(bank, nullptr);
    EXPECT_EQ(bank->super, corp);
    EXPECT_STREQ(bank->method, "CORPSCORE2");
    EXPECT_EQ(key_set(bank->variables), key_set(corp->variables));
    // Each variable of the base counts; the listed one is held already.
    EXPECT_EQ(bank->variable_count, 6);
    EXPECT_NE(log_.find("598/7731"), std::string::npos) << log_;
    EXPECT_NE(log_.find("598/7732"), std::string::npos) << log_;
}

// The mitigation twins: seven system variables with the four output ones kept by the container,
// types with base types, and the data statement's type that must exist.
TEST_F(CounterpartyStatements, MitigationContainerAndTypes) {
    std::vector<int> results = run(
        "DECLARE MITVARS=(haircut) NUM VAR MITVARS=(EXPOSUREID) CHAR VAR;"
        "MIT Guar VARIABLES=(haircut) METHOD=guarantee;"
        "MIT Coll BASETYPE=Guar;"
        "MIT Bad BASETYPE=Nope;");
    ASSERT_EQ(results, (std::vector<int>{1, 0, 0, 1})) << log_;
    ASSERT_NE(con_->mit_container, nullptr);
    const RSKMITIGATIONCON* m = con_->mit_container;
    EXPECT_EQ(con_->mit_container_state, RSKCON_CONTAINER_LOADED);
    EXPECT_EQ(key_set(m->system_variables),
              (std::set<std::string>{"EXPOSUREID", "MITIGANTID", "MITIGATIONTYPE", "_EXPOSURE_", "_ADJEXPOSURE_",
                                     "_MITIGANT_VAL_", "_MITIGANT_ADJVAL_"}));
    EXPECT_EQ(m->variables->item_count, 8u);
    ASSERT_TRUE(m->exposure && m->mitigant_value && m->adjusted_exposure && m->mitigant_adjusted);
    EXPECT_STREQ(m->mitigant_adjusted->name, "_MITIGANT_ADJVAL_");
    EXPECT_EQ(m->statelength, 32);
    const auto* coll = value_of<RSKMITTYPE>(m->types, "COLL");
    ASSERT_NE(coll, nullptr);
    EXPECT_STREQ(coll->method, "GUARANTEE");
    EXPECT_EQ(coll->variables->item_count, 8u);
    EXPECT_EQ(value_of<RSKMITTYPE>(m->types, "BAD"), nullptr);
    // The counterparty container is not touched by mitigation statements.
    EXPECT_EQ(con_->cpty_container, nullptr);
}

// Input data sets take the listed columns (the identifier under its long name), then every other
// input variable; sources give each container the data sets of its own that a list names.
TEST_F(CounterpartyStatements, DataSetsAndSources) {
    std::vector<int> results = run(
        "DECLARE CPTYVARS=(rating) NUM VAR CPTYVARS=(score) NUM COMPUTED MITVARS=(haircut) NUM VAR;"
        "CPTYDATA cd DATA=work.c VARIABLES=(COUNTERPARTYID rating rating score) WGT=w N=5;"
        "CPTYDATA all DATA=work.c;"
        "MITDATA md DATA=work.m TYPE=Nope;"
        "SOURCES s1 cd md cd;");
    ASSERT_EQ(results.size(), 5u);
    EXPECT_EQ(results[0], 0) << log_;
    EXPECT_EQ(results[1], 0) << log_;
    EXPECT_EQ(results[2], 0) << log_;
    EXPECT_EQ(results[3], 1) << log_;                      // no mitigation type NOPE
    EXPECT_NE(log_.find("598/7739"), std::string::npos) << log_;
    EXPECT_NE(log_.find("598/7731"), std::string::npos) << log_;
    EXPECT_NE(log_.find("598/7748"), std::string::npos) << log_;
    const RSKCPTYCON* c = con_->cpty_container;
    const auto* cd = value_of<RSKCPTYDS>(c->datasets, "CD");
    const auto* all = value_of<RSKCPTYDS>(c->datasets, "ALL");
    ASSERT_TRUE(cd && all);
    // Listed first, then the other input variables; the computed SCORE is not a column.
    EXPECT_EQ(keys_of(cd->columns), (std::vector<std::string>{"CPTYID", "RATING", "CPTYTYPE"}));
    EXPECT_EQ(cd->mapping_used, 1);
    EXPECT_STREQ(cd->weight, "W");
    EXPECT_EQ(cd->n, 5);
    EXPECT_EQ(key_set(all->columns), (std::set<std::string>{"CPTYID", "RATING", "CPTYTYPE"}));
    EXPECT_EQ(all->mapping_used, 0);
    EXPECT_STREQ(cd->input->member, "c");
    const auto* source = value_of<RSKCPTYSOURCE>(c->sources, "S1");
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(keys_of(source->datasets), (std::vector<std::string>{"CD"}));
    const auto* mit_source = value_of<RSKCPTYSOURCE>(con_->mit_container->sources, "S1");
    ASSERT_NE(mit_source, nullptr);
    EXPECT_EQ(keys_of(mit_source->datasets), (std::vector<std::string>{"MD"}));
}

// READ records, in each container whose source list it read, an input source named after the
// file it writes over that source's data sets; reading another list into the file follows it.
TEST_F(CounterpartyStatements, ReadRecordsAnInputSourceForItsFile) {
    std::vector<int> results = run(
        "DECLARE CPTYVARS=(rating) NUM VAR MITVARS=(haircut) NUM VAR;"
        "CPTYDATA cd DATA=work.c; MITDATA md DATA=work.m; SOURCES s1 cd md; SOURCES s2 cd;");
    ASSERT_EQ(results, (std::vector<int>{0, 0, 0, 0, 0})) << log_;
    ASSERT_EQ(zozu::record_input_sources(con_, {"bookFile", 8}, {"s1", 2}), 0) << log_;
    const RSKCPTYCON* c = con_->cpty_container;
    const auto* input = value_of<RSKCPTYINSRC>(c->input_sources, "BOOKFILE");
    ASSERT_NE(input, nullptr);
    EXPECT_STREQ(input->source, "S1");
    EXPECT_EQ(input->datasets, value_of<RSKCPTYSOURCE>(c->sources, "S1")->datasets);
    const auto* mit_input = value_of<RSKCPTYINSRC>(con_->mit_container->input_sources, "BOOKFILE");
    ASSERT_NE(mit_input, nullptr);
    EXPECT_EQ(mit_input->datasets, value_of<RSKCPTYSOURCE>(con_->mit_container->sources, "S1")->datasets);

    ASSERT_EQ(zozu::record_input_sources(con_, {"BOOKFILE", 8}, {"S2", 2}), 0);
    EXPECT_EQ(keys_of(c->input_sources), (std::vector<std::string>{"BOOKFILE"}));
    EXPECT_STREQ(input->source, "S2");
    EXPECT_EQ(input->datasets, value_of<RSKCPTYSOURCE>(c->sources, "S2")->datasets);
    // The mitigation container has no source S2: its input source stays as it was.
    EXPECT_STREQ(mit_input->source, "S1");
}

// Choosing another environment frees the memory of the old one's objects: the containers go
// with it, and a counterparty statement then asks for new declarations instead of using them.
TEST_F(CounterpartyStatements, ContainersGoWithTheirEnvironment) {
    const std::string where = (dir_ / "other").string();
    std::vector<int> results = run("DECLARE CPTYVARS=(rating) NUM VAR MITVARS=(haircut) NUM VAR;"
                                   "ENVIRONMENT NEW=other '" + where + "';"
                                   "CPTY Corp VARIABLES=(rating);");
    ASSERT_EQ(results.size(), 3u);
    EXPECT_EQ(results[0], 0) << log_;
    EXPECT_EQ(results[2], 1) << log_;
    EXPECT_NE(log_.find("598/7745"), std::string::npos) << log_;
    EXPECT_EQ(con_->cpty_container, nullptr);
    EXPECT_EQ(con_->mit_container, nullptr);
}

// Out of memory anywhere in DECLARE of a counterparty variable: a message and a failure, never a
// crash, and a container is usable (loaded) only with all four of its system variables.
TEST_F(CounterpartyStatements, OutOfMemoryInEveryAllocation) {
    ParsedStep parsed = parser_.parse("DECLARE CPTYVARS=(rating) NUM VAR;");
    ASSERT_EQ(parsed.code, 0);
    bool finished = false;
    long n = 1;
    for (; n < 2000 && !finished; ++n) {
        stop();
        start();
        log_.clear();
        std::vector<int> results = execute(parsed, n);
        ASSERT_EQ(results.size(), 1u);
        finished = !fired_;
        const RSKCPTYCON* c = con_->cpty_container;
        if (finished) {
            EXPECT_EQ(results[0], 0) << log_;
        } else {
            EXPECT_NE(results[0], 0) << "allocation " << n << "\n" << log_;
        }
        if (con_->cpty_container_state == RSKCON_CONTAINER_LOADED) {
            ASSERT_NE(c, nullptr);
            EXPECT_EQ(key_set(c->system_variables), (std::set<std::string>{"_LGD_", "_PD_", "CPTYTYPE", "CPTYID"}))
                << "allocation " << n;
        } else {
            EXPECT_NE(results[0], 0);
            EXPECT_NE(log_.find("598/7720"), std::string::npos) << "allocation " << n << "\n" << log_;
        }
        if (results[0] == 0) {
            EXPECT_NE(zozu::hash_query(c->variables, "RATING"), nullptr);
        }
    }
    EXPECT_TRUE(finished);
    EXPECT_GT(n, 20);                // the declaration makes many allocations: each one failed once
}

// Names that are the system variables of either container, in any case, cut to 32 characters.
TEST_F(CounterpartyStatements, ReservedNames) {
    struct Case {
        const char* name;
        bool counterparty, mitigation;
    } cases[] = {
        {"_lgd_", true, false},          {"CounterpartyType", true, false}, {"COUNTERPARTYID", true, false},
        {"cptyid", true, false},         {"CPTYID  ", true, false},         {"rating", false, false},
        {"_Mitigant_AdjVal_", false, true}, {"MITIGATIONTYPE", false, true}, {"EXPOSURE", false, false},
        {"CPTYTYPEX", false, false},
    };
    for (const Case& c : cases) {
        const int length = static_cast<int>(std::strlen(c.name));
        EXPECT_EQ(zozu::cpty_system_variable(c.name, length), c.counterparty) << c.name;
        EXPECT_EQ(zozu::mit_system_variable(c.name, length), c.mitigation) << c.name;
    }
}

}  // namespace
