// Option sets, trace settings and object properties as lists, on a control structure made by the
// engine's own start-up.
#include <sys/stat.h>

#include <cmath>
#include <string>
#include <vector>

#include "catalog/access_rights.h"
#include "catalog/catalog_settings.h"
#include "common/files/names.h"
#include "engine/model/options/engine_options.h"
#include "engine/tables/settings_records.h"
#include "host/catalog.h"
#include "host/files.h"
#include "host/kernel.h"
#include "host/lists.h"
#include "host/save_support.h"
#include "runtime/core/step.h"
#include "tests/catalog_rights/settings_fixture.h"

namespace {

TEST_F(CatalogSettings, OptionListsHoldThreeSetsInRowOrder) {
    qor_list* list = new_list();
    ASSERT_EQ(rssoptg(con, slid(list), options), 0);
    ASSERT_EQ(slcnt(list), 3);
    const char* sets[] = {"ANALYSIS", "OUTPUT", "SYSTEM"};
    const int registries[] = {RSKREG_OPTION_ANALYSIS, RSKREG_OPTION_OUTPUT, RSKREG_OPTION_SYSTEM};
    for (int s = 0; s < 3; ++s) {
        std::string_view name;
        slni(list, s + 1, &name);
        EXPECT_EQ(name, sets[s]);
        qor_list* sub = nullptr;
        ASSERT_EQ(slitml(list, s + 1, &sub), 0);
        // One item per option row of a type that is stored, in row order, named by the option.
        const RSKREGISTRY& r = con->registries[registries[s]];
        const auto* rows = static_cast<const RSKOPTROW*>(r.rows);
        int count = r.second_count != 0 ? r.second_count : r.count;
        int position = 0;
        for (int i = 1; i < count; ++i) {
            if (rows[i].value_type < RSKOPT_REAL || rows[i].value_type > RSKOPT_TEXT) continue;
            std::string_view item;
            char type = 0;
            ASSERT_EQ(slni(sub, ++position, &item), 0);
            slityp(sub, position, &type);
            EXPECT_EQ(item, std::string_view(rows[i].name, rows[i].name_length));
            EXPECT_EQ(type, rows[i].value_type == RSKOPT_TEXT ? QOR_SL_CHAR : QOR_SL_NUMBER) << item;
        }
        EXPECT_EQ(slcnt(sub), position);
    }
    double alpha = 0;
    qor_list* analysis = nullptr;
    slgnl(list, "ANALYSIS", &analysis);
    ASSERT_EQ(slgnd(analysis, "ALPHA", &alpha), 0);
    EXPECT_EQ(alpha, options->alpha);
    sldel(list, 0);
}

TEST_F(CatalogSettings, ReadingChangesOnlyTheOptionsListed) {
    options->prgsnote = 7;
    options->nboot = 123;
    const double alpha = options->alpha;
    const struct {
        double stored;
        int expected;
    } cases[] = {{2.9, 2}, {-2.9, -2}, {qor::missing(), 0}, {1e300, 0}};
    for (const auto& k : cases) {
        qor_list* list = new_list();   // one set: its items stand in the list itself
        slinsd(list, k.stored, QOR_SL_APPEND, "PRGSNOTE");
        EXPECT_EQ(rssopss(con, slid(list), options, RSKOPTSET_SYSTEM), 0);
        EXPECT_EQ(options->prgsnote, k.expected) << k.stored;
        sldel(list, 0);
    }
    EXPECT_EQ(options->nboot, 123);   // absent: unchanged
    EXPECT_EQ(options->alpha, alpha);
    // The other sets, a set code out of range, and text items.
    qor_list* list = set_list("ANALYSIS", "ALPHA", 0.01);
    qor_list* output = new_list();
    slinsc(output, "schema9", QOR_SL_APPEND, "OLAP_SCHEMA");
    slinsl(list, slid(output), QOR_SL_APPEND, "OUTPUT");
    sldel(output, 0);
    EXPECT_EQ(rssopss(con, slid(list), options, 7), 0);
    EXPECT_EQ(options->alpha, alpha);
    EXPECT_EQ(rssopts(con, slid(list), options), 1);   // no SYSTEM set: reported, skipped
    EXPECT_EQ(options->alpha, 0.01);
    EXPECT_EQ(std::string(options->olap_schema.name.text, options->olap_schema.name.length), "schema9");
    EXPECT_NE(log().find("598/106"), std::string::npos);
    sldel(list, 0);
}

TEST_F(CatalogSettings, EnvironmentOptionsEntry) {
    // Never stored: nothing changes.
    options->prgsnote = 5;
    EXPECT_EQ(rssoptr(con), 0);
    EXPECT_EQ(options->prgsnote, 5);
    // Stored, changed, read back.
    options->prgsnote = 42;
    ASSERT_EQ(rssopta(con), 0);
    EXPECT_EQ(con->environment_changed, 1u);
    options->prgsnote = 5;
    options->nboot = 77;
    ASSERT_EQ(rssoptr(con), 0);
    EXPECT_EQ(options->prgsnote, 42);
    // An empty OPTIONS entry changes nothing.
    qor_list* empty = new_list();
    ASSERT_EQ(slofile(empty, "RTEST.DESKENV.OPTIONS.ZUDO12", 'W'), 0);
    sldel(empty, 0);
    options->prgsnote = 6;
    EXPECT_EQ(rssoptr(con), 0);
    EXPECT_EQ(options->prgsnote, 6);
    // A damaged entry fails and changes nothing.
    write_raw("OPTIONS", "ZUDO12", "\x01\x02garbage");
    EXPECT_EQ(rssoptr(con), 1);
    EXPECT_EQ(options->prgsnote, 6);
    EXPECT_NE(log().find("entry OPTIONS.ZUDO12 cannot be read"), std::string::npos) << log();
    // A library that cannot be written: 598/3060 naming the list and the environment.
    ASSERT_EQ(xhlsrdo("RTEST", 1), 0);
    EXPECT_EQ(rssopta(con), 1);
    xhlsrdo("RTEST", 0);
    EXPECT_NE(log().find("598/3060 ERROR: The list OPTIONS of environment DESKENV could not be written."),
              std::string::npos) << log();
}

TEST_F(CatalogSettings, DamagedOptionListsNeverCrash) {
    const double alpha = options->alpha;
    const int prgsnote = options->prgsnote;
    auto system_as_text = [] {
        qor_list* list = new_list();
        slinsc(list, "x", QOR_SL_APPEND, "SYSTEM");
        return list;
    };
    auto alpha_as_text = [] {
        qor_list* list = new_list();
        qor_list* sub = new_list();
        slinsc(sub, "abc", QOR_SL_APPEND, "ALPHA");
        slinsl(list, slid(sub), QOR_SL_APPEND, "ANALYSIS");
        sldel(sub, 0);
        return list;
    };
    auto nested_prgsnote = [] {
        qor_list* list = new_list();
        qor_list* sub = new_list();
        qor_list* deeper = new_list();
        slinsl(sub, slid(deeper), QOR_SL_APPEND, "PRGSNOTE");
        slinsl(list, slid(sub), QOR_SL_APPEND, "SYSTEM");
        sldel(deeper, 0);
        sldel(sub, 0);
        return list;
    };
    for (qor_list* list : {system_as_text(), alpha_as_text(), nested_prgsnote()}) {
        rssopts(con, slid(list), options);
        sldel(list, 0);
    }
    EXPECT_EQ(options->alpha, alpha);
    EXPECT_EQ(options->prgsnote, prgsnote);
}

TEST_F(CatalogSettings, NoWriteRightKeepsTheEntry) {
    environment_.rights.security = RSKSEC{};
    std::memset(environment_.rights.security.owner, ' ', 32);
    std::memcpy(environment_.rights.security.owner, "alice", 5);
    environment_.rights.security.owner_length = 5;
    environment_.rights.security.rights = kRightsActive | 0x1C4;   // others may only read
    environment_.rights.security.read = 1;
    EXPECT_EQ(rssopta(con), 1);
    EXPECT_NE(log().find("598/3801"), std::string::npos);
    qor_list* list = new_list();
    EXPECT_EQ(slofile(list, "RTEST.DESKENV.OPTIONS.ZUDO12", 'R'), static_cast<int>(QOR_C_NOT_FOUND));
    sldel(list, 0);
}

TEST_F(CatalogSettings, RunTraceSettings) {
    qor_list* list = new_list();
    qor_list* methods = new_list();
    slinsc(methods, "A", QOR_SL_APPEND, "");
    slinsc(methods, "BC", QOR_SL_APPEND, "");
    slinsl(list, slid(methods), QOR_SL_APPEND, "EXECLST");
    sldel(methods, 0);
    const struct {
        const char* name;
        double value;
    } numbers[] = {{"EXEC", 1}, {"ELEVEL", 2.7}, {"ITERFROM", 3.9}, {"ITERTO", -4.5}, {"RUNONLY", 1}, {"THREADS", 0}};
    for (const auto& n : numbers) slinsd(list, n.value, QOR_SL_APPEND, n.name);
    con->run_trace.thread_number = 17;
    EXPECT_EQ(rsstrcs(con, slid(list)), 1);   // THREADN is missing: reported, kept
    EXPECT_NE(log().find("598/105"), std::string::npos);
    ASSERT_EQ(con->run_trace.methods_size, 5u);
    EXPECT_EQ(std::string(con->run_trace.methods, 5), std::string("A\0BC\0", 5));
    EXPECT_EQ(con->run_trace.variables_size, 0u);
    EXPECT_EQ(con->run_trace.level, 2);
    EXPECT_EQ(con->run_trace.iteration_from, 3);
    EXPECT_EQ(con->run_trace.iteration_to, -4);
    EXPECT_EQ(con->run_trace.thread_number, 17);

    // Written back: the names as a sublist of unnamed items, then the numbers in order.
    qor_list* out = new_list();
    ASSERT_EQ(rsstrcg(con, slid(out)), 0);
    const char* order[] = {"EXECLST", "VARLST", "EXEC", "ELEVEL", "ITERFROM", "ITERTO", "RUNONLY", "THREADS", "THREADN"};
    ASSERT_EQ(slcnt(out), 9);
    for (int i = 0; i < 9; ++i) {
        std::string_view name;
        slni(out, i + 1, &name);
        EXPECT_EQ(name, order[i]);
    }
    qor_list* names = nullptr;
    ASSERT_EQ(slgnl(out, "EXECLST", &names), 0);
    std::string_view second;
    ASSERT_EQ(slitmc(names, 2, &second), 0);
    EXPECT_EQ(second, "BC");

    // No memory for the names: 598/500 and 1, the old names stay, the step goes on.
    qor_pool_fail_nth(1);
    EXPECT_EQ(rsstrcs(con, slid(list)), 1);
    qor_pool_fail_nth(0);
    EXPECT_NE(log().find("598/500"), std::string::npos);
    EXPECT_EQ(std::string(con->run_trace.methods, 5), std::string("A\0BC\0", 5));
    sldel(out, 0);
    sldel(list, 0);
}

TEST_F(CatalogSettings, StaticTraceSettings) {
    con->static_trace.flags = 0x85;
    con->static_trace.price = 3;
    qor_list* out = new_list();
    ASSERT_EQ(rsstrsg(con, slid(out)), 0);
    ASSERT_EQ(slcnt(out), 9);
    double value = 0;
    ASSERT_EQ(slgnd(out, "LISTMODEL", &value), 0);
    EXPECT_EQ(value, 1.0);   // bit 7, whatever the other bits
    ASSERT_EQ(slgnd(out, "PRICE", &value), 0);
    EXPECT_EQ(value, 3.0);
    // Reading 0 clears only bit 7; a number beyond a byte keeps its low byte.
    slsnd(out, "LISTMODEL", 0);
    slsnd(out, "RFS", 258);
    ASSERT_EQ(rsstrss(con, slid(out)), 0);
    EXPECT_EQ(con->static_trace.flags, 0x05);
    EXPECT_EQ(con->static_trace.factors, 2);
    sldel(out, 0);
}

}  // namespace
