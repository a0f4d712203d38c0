// Indexing an environment of 500 objects while the n-th allocation of the process fails, for
// every n until indexing runs through: each failure is answered with a message and a non-zero
// result, no header is left half made, no list is left alive and the step goes on.
#include <sys/stat.h>

#include <string>

#include "engine/tables/catalog_records.h"
#include "host/catalog.h"
#include "host/files.h"
#include "host/lists.h"
#include "host/save_support.h"
#include "tests/engine/engine_fixture.h"

namespace {

constexpr int kObjects = 500;

class IndexUnderMemoryFailure : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        directory_ = ::testing::TempDir() + "/index_memory_" + std::to_string(::getpid());
        ::mkdir(directory_.c_str(), 0700);
        ASSERT_EQ(xhlasn2("MTEST", directory_.c_str(), -1, nullptr), 0);
        write_objects();
    }
    void TearDown() override {
        xhldas2("MTEST");
        qor_remove_tree(directory_.c_str());
        EngineTest::TearDown();
    }
    // 500 filters, each named in its member's description, written in one transaction.
    void write_objects() {
        qor_catalog* catalog = nullptr;
        ASSERT_EQ(xlopen("MTEST", "ENV1", QOR_CO_UPDATE, &catalog), 0);
        ASSERT_EQ(qor_catalog_begin(catalog), 0);
        qor_list* list = nullptr;
        slnewl(&list, nullptr, 84);
        slinsc(list, "FILTER", QOR_SL_APPEND, "OBJTYPE");
        for (int i = 0; i < kObjects; ++i) {
            char member[16], name[40];
            std::snprintf(member, sizeof member, "F%03d", i);
            std::snprintf(name, sizeof name, "Filter_number_%03d", i);
            slsnc(list, "NAME", name);
            qor_entry* entry = nullptr;
            ASSERT_EQ(xlmopen(catalog, member, "RISK11", QOR_CO_OUTPUT, &entry, name), 0);
            ASSERT_EQ(afwrlst(entry, list), 0);
            ASSERT_EQ(xlmclos(entry, 0), 0);
        }
        sldel(list, 0);
        ASSERT_EQ(qor_catalog_commit(catalog), 0);
        xlclose(catalog, 0);
    }
    // A fresh control structure with the filters' table and the environment current.
    void fresh() {
        xmpoold(con_.general_pool);
        xmpoold(con_.object_pool);
        make_control_structure();
        std::memset(&tables_, 0, sizeof tables_);
        auto tbla = engine_routine<EngineSlot::rsktbla>();
        ASSERT_EQ(tbla(&con_, &tables_.tables[RSKTAB_FILTERS], 53, nullptr, con_.current_pool, con_.free_lists,
                       RSKSYM_ALPHABETICAL), 0);
        con_.current_tables = &tables_;
        std::memset(&environment_, 0, sizeof environment_);
        std::memcpy(environment_.libref, "MTEST   ", 8);
        std::memcpy(environment_.name.buffer, "ENV1", 4);
        environment_.name.name = RSKNAMEREC{32, 4, environment_.name.buffer};
        con_.current_environment = &environment_;
        con_.look_up_only = 0;
    }
    // Every header in the table is whole: named, of its kind, in the environment.
    void expect_whole_headers() {
        const RSKSYMTAB& table = tables_.tables[RSKTAB_FILTERS];
        int seen = 0;
        for (int32_t b = 0; b < table.bucket_count; ++b)
            for (RSKSYMBOL* s = table.buckets[b]; s != nullptr; s = s->next_in_bucket) {
                auto* header = static_cast<RSKCATOBJ*>(s->object);
                ASSERT_NE(header, nullptr);
                EXPECT_GT(header->name.name.length, 0);
                EXPECT_EQ(header->kind, 10);
                EXPECT_EQ(header->state, 1u);
                EXPECT_EQ(header->environment, &environment_);
                ++seen;
            }
        EXPECT_EQ(seen, table.count);
    }

    std::string directory_;
    RSKOBJTABLES tables_{};
    RSKENV environment_{};
};

TEST_F(IndexUnderMemoryFailure, EveryFailureIsAnsweredAndLeavesNoHalfMadeHeader) {
    auto index = catalog_routine<CatalogSlot::rssofli>();
    const size_t lists = qor_list_live_count();
    long injected = 0;
    for (long n = 1; n < 1000000; ++n) {
        fresh();
        const size_t logged = log().size();
        int rc = 0;
        qor_pool_fail_nth(n);
        try {
            rc = index(&con_);
        } catch (...) {
            qor_pool_fail_nth(0);
            FAIL() << "an exception escaped at allocation " << n;
        }
        const long left = qor_pool_fail_nth(0);
        SCOPED_TRACE("allocation " + std::to_string(n));
        EXPECT_EQ(con_.indexing, 0) << "the indexing flag is restored";
        EXPECT_EQ(qor_list_live_count(), lists) << "a list was left alive";
        expect_whole_headers();
        const std::string text = log().substr(logged);
        if (left != 0) {   // the n-th allocation was never reached: indexing ran through
            EXPECT_EQ(rc, 0) << text;
            EXPECT_EQ(tables_.tables[RSKTAB_FILTERS].count, kObjects);
            break;
        }
        ++injected;
        if (rc != 0) EXPECT_NE(text.find("ERROR"), std::string::npos) << "a failure without a message";
        else EXPECT_EQ(tables_.tables[RSKTAB_FILTERS].count, kObjects) << "success without every object";
        if (HasFailure()) break;
    }
    EXPECT_GT(injected, kObjects / 20) << "the header chunks at least were failed";
    EXPECT_NE(log().find("598/2797"), std::string::npos) << "no header chunk was refused";
    EXPECT_NE(log().find("add elements to a list"), std::string::npos);
}

// Rewriting an object's member of a catalog open for indexing while the n-th allocation fails:
// a rewrite that fails leaves the member's previous version, never an empty or missing member.
TEST_F(IndexUnderMemoryFailure, AFailedRewriteKeepsThePreviousVersion) {
    fresh();
    ASSERT_EQ(catalog_routine<CatalogSlot::rssofli>()(&con_), 0) << log();
    RSKNAMEREC name = name_of("Filter_number_007");
    auto* header = static_cast<RSKCATOBJ*>(
        engine_routine<EngineSlot::rsksym>()(&con_, &tables_.tables[RSKTAB_FILTERS], &name));
    ASSERT_NE(header, nullptr);
    qor_catalog* catalog = nullptr;
    ASSERT_EQ(xlopen("MTEST", "ENV1", QOR_CO_UPDATE, &catalog), 0);
    environment_.open_catalog = catalog;
    qor_list* version = nullptr;
    slnewl(&version, nullptr, 84);
    slinsc(version, "FILTER", QOR_SL_APPEND, "OBJTYPE");
    slinsc(version, "Filter_number_007", QOR_SL_APPEND, "NAME");
    // The X of the stored member: 0 when it has none, -1 when the member cannot be read whole.
    auto stored_x = [&] {
        qor_list* back = nullptr;
        slnewl(&back, nullptr, 84);
        qor_entry* entry = nullptr;
        double x = -1;
        if (xlmopen(catalog, "F007", "RISK11", QOR_CO_INPUT, &entry) == 0) {
            if (afrdlst(entry, back) == 0) slgnd(back, "X", &x, 0);
            xlmclos(entry, 0);
        }
        sldel(back, 0);
        return x;
    };
    auto save = catalog_routine<CatalogSlot::rssofis>();
    long injected = 0;
    for (long n = 1; n < 1000000; ++n) {
        slsnd(version, "X", 1);
        ASSERT_EQ(save(&con_, header, slid(version)), 0) << log();
        slsnd(version, "X", 2);
        qor_pool_fail_nth(n);
        const int rc = save(&con_, header, slid(version));
        const long left = qor_pool_fail_nth(0);
        SCOPED_TRACE("allocation " + std::to_string(n));
        if (left != 0) {
            EXPECT_EQ(rc, 0);
            EXPECT_EQ(stored_x(), 2);
            break;
        }
        ++injected;
        EXPECT_EQ(stored_x(), rc == 0 ? 2 : 1) << "the member after " << (rc == 0 ? "success" : "failure");
        if (HasFailure()) break;
    }
    EXPECT_GT(injected, 0);
    sldel(version, 0);
    environment_.open_catalog = nullptr;
    xlclose(catalog, 0);
}

}  // namespace
