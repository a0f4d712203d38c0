// Reports and web reports through the entry table: names shared by the report kinds, the web
// report's own copies of its texts, the generated mail lines with quotes doubled, bookmarks
// numbered after the ones present, lines that do not fit, and running a report's source file.
#include <fstream>
#include <string>
#include <vector>

#include "engine/model/reports/reports.h"
#include "host/catalog.h"
#include "host/files.h"
#include "host/lists.h"
#include "tests/engine/definitions_fixture.h"

namespace {

class Reports : public DefinitionsTest {
protected:
    void SetUp() override {
        DefinitionsTest::SetUp();
        bookmarks_ = dir_ / "bookmarks";
        std::filesystem::create_directories(bookmarks_);
        // The user's profile library holds the bookmarks; here it is a scratch directory.
        ASSERT_EQ(qor::runtime::assign_library("QORUSER", bookmarks_.string(), "V9"), 0);
    }
    void TearDown() override {
        xhldas2("QORUSER");
        DefinitionsTest::TearDown();
    }

    int define_report(const char* name, const char* path = "") {
        RSKNAMEREC key = name_of(name), file = name_of(path), type = name_of("Batch"), sample = name_of("none");
        RSKCATOBJ* object = nullptr;
        return engine_routine<EngineSlot::rskrepd>()(con, &object, &key, nullptr, &file, &type, &sample, nullptr);
    }
    int define_web(const char* name, std::vector<RSKNAMEREC> to = {}, int bookmark = 0, const char* host = "http://risk",
                   int kind = RSKWEB_SIMDENS) {
        RSKNAMEREC key = name_of(name), description = name_of("nightly"), category = name_of("Risk"),
                   web_host = name_of(host), code_base = name_of("");
        RSKCATOBJ* object = nullptr;
        return engine_routine<EngineSlot::rskwebd>()(con, &object, &key, &description, &category, &web_host,
                                                      &code_base, kind, to.empty() ? nullptr : to.data(),
                                                      static_cast<int>(to.size()), bookmark, nullptr);
    }
    RSKWEBREP* web(const char* name) {
        RSKNAMEREC key = name_of(name);
        RSKCATOBJ* object = engine_routine<EngineSlot::rskweb>()(con, &key);
        return object != nullptr ? static_cast<RSKWEBREP*>(object->object) : nullptr;
    }
    int run(RSKWEBREP* report) {
        RSKWEBRUN r{name_of("Desk"), name_of("Daily"), name_of("Out1")};
        return engine_routine<EngineSlot::rskwebr>()(con, report, &r);
    }
    // The lines the interpreter received since `at`, from the submission echo.
    std::vector<std::string> submitted_since(size_t at) {
        std::vector<std::string> lines;
        const std::string text = log().substr(at);
        const std::string mark = "SUBMITTING: ";
        for (size_t p = text.find(mark); p != std::string::npos; p = text.find(mark, p + 1)) {
            const size_t end = text.find('\n', p);
            lines.push_back(text.substr(p + mark.size(), end - p - mark.size()));
        }
        return lines;
    }
    bool bookmark_exists(const char* name) {
        qor_catalog* catalog = nullptr;
        if (xlopen("QORUSER", "DEZERIVO", QOR_CO_INPUT, &catalog) != 0) return false;
        const bool found = xlmfind(catalog, name, "SLIST") == 0;
        xlclose(catalog, 0);
        return found;
    }

    std::filesystem::path bookmarks_;
};

TEST_F(Reports, ReportAndWebReportNamesClashBothWays) {
    ASSERT_EQ(define_report("Daily"), 0) << log();
    ASSERT_EQ(define_web("Web1"), 0) << log();
    EXPECT_EQ(define_web("daily"), 1);
    EXPECT_NE(log().find("daily already exists as an batch report."), std::string::npos) << log();
    EXPECT_EQ(define_report("WEB1"), 1);
    EXPECT_NE(log().find("WEB1 already exists as an web report."), std::string::npos) << log();
    EXPECT_EQ(web("daily"), nullptr);
}

TEST_F(Reports, AWebReportOwnsItsTextsAndGivesThemBack) {
    const size_t blocks = qor_pool_live_blocks(con->general_pool);
    std::string first = "risk@example.com", second = "desk@example.com";
    std::vector<RSKNAMEREC> to = {{0, static_cast<uint16_t>(first.size()), first.data()},
                                  {0, static_cast<uint16_t>(second.size()), second.data()}};
    ASSERT_EQ(define_web("Web1", to), 0) << log();
    first.assign(first.size(), 'x');   // the caller's memory changes or goes away
    to.clear();
    RSKWEBREP* report = web("Web1");
    ASSERT_NE(report, nullptr);
    ASSERT_EQ(report->addressee_count, 2);
    EXPECT_EQ(std::string(report->addressees[0].text, report->addressees[0].length), "risk@example.com");
    EXPECT_EQ(std::string(report->web_host.text, report->web_host.length), "http://risk");
    EXPECT_EQ(qor_pool_live_blocks(con->general_pool), blocks + 1);
    const size_t at = listing().size();
    engine_routine<EngineSlot::rskwebp>()(con, report);
    const std::string text = listing().substr(at);
    EXPECT_NE(text.find("  Listing of Web Report Object Web1\n      Category= Risk\n      Desc= nightly\n"
                        "      Webhost= http://risk\n      Kind= SIM\n"
                        "      Email Addressees= risk@example.com\n                        desk@example.com\n"),
              std::string::npos)
        << text;

    // Redefining replaces the block; freeing returns it.
    ASSERT_EQ(define_web("Web1"), 0);
    EXPECT_EQ(report->addressee_count, 0);
    EXPECT_EQ(report->addressees, nullptr);
    EXPECT_EQ(qor_pool_live_blocks(con->general_pool), blocks + 1);   // description and host remain
    engine_routine<EngineSlot::rskwebf>()(con, report);
    EXPECT_EQ(qor_pool_live_blocks(con->general_pool), blocks);
    RSKNAMEREC key = name_of("Web1");
    engine_routine<EngineSlot::rskweb>()(con, &key)->object = nullptr;   // the record is free now
}

TEST_F(Reports, TheMailIsNineKindsOfLineWithQuotesDoubled) {
    std::string first = "o'brien@example.com", second = "desk@example.com";
    ASSERT_EQ(define_web("Bob's", {{0, static_cast<uint16_t>(first.size()), first.data()},
                                   {0, static_cast<uint16_t>(second.size()), second.data()}},
                         0, "http://it's", RSKWEB_PLCURVE),
              0)
        << log();
    con->submission_echo = 1;
    const size_t at = log().size();
    const int rc = run(web("Bob's"));
    const std::vector<std::string> lines = submitted_since(at);
    ASSERT_EQ(lines.size(), 10u) << log().substr(at);
    EXPECT_EQ(lines[0], "data _NULL_; pkgId=0; rc=0;");
    EXPECT_EQ(lines[1], "call PACKAGE_BEGIN(pkgId,'Auto-generated Velmora Web Report','',rc);");
    EXPECT_EQ(lines[2], "url = 'http://it''s/servlets/PluginTemplate?CODE=PLCurve&ENV=Desk&OUTOBJ=Out1';");
    EXPECT_EQ(lines[3], "call INSERT_REF(pkgId,'URL',url,'Bob''s','',rc);");
    EXPECT_EQ(lines[4].rfind("call PACKAGE_PUBLISH(pkgId,'TO_EMAIL',rc,'SUBJECT','Bob''s", 0), 0u) << lines[4];
    EXPECT_EQ(lines[4].size(), std::string("call PACKAGE_PUBLISH(pkgId,'TO_EMAIL',rc,'SUBJECT','Bob''s").size() + 15);
    EXPECT_EQ(lines[5], ", 'o''brien@example.com'");
    EXPECT_EQ(lines[6], ", 'desk@example.com'");
    EXPECT_EQ(lines[7], ");");
    EXPECT_EQ(lines[8], "call PACKAGE_END(pkgId, rc);");
    EXPECT_EQ(lines[9], "run;quit;");
    // The host's package routines ran the step: one link for the two addressees.
    EXPECT_EQ(rc, 0) << log().substr(at);
    EXPECT_NE(log().substr(at).find("with 1 reference(s) was not published TO_EMAIL to 2 address(es)"),
              std::string::npos)
        << log().substr(at);
}

TEST_F(Reports, NothingToDoIsSuccessAndALineTooLongSubmitsNothing) {
    ASSERT_EQ(define_web("Quiet"), 0);
    con->submission_echo = 1;
    size_t at = log().size();
    EXPECT_EQ(run(web("Quiet")), 0);
    EXPECT_TRUE(submitted_since(at).empty());

    std::string to = "desk@example.com";
    const std::string host(1100, 'h');
    ASSERT_EQ(define_web("Long", {{0, static_cast<uint16_t>(to.size()), to.data()}}, 0, host.c_str()), 0);
    at = log().size();
    EXPECT_EQ(run(web("Long")), 1);
    EXPECT_TRUE(submitted_since(at).empty()) << log().substr(at);
    EXPECT_NE(log().substr(at).find("a generated line is longer than 1024 characters"), std::string::npos);
}

TEST_F(Reports, BookmarksTakeTheNextFreeNumber) {
    for (const char* n : {"SIM_1", "SIM_2", "SIM_3"}) {
        qor_list* list = nullptr;
        ASSERT_NE(slnewl(&list, nullptr, 0), 0);
        ASSERT_EQ(slofile(list, std::string("QORUSER.DEZERIVO.") + n + ".SLIST", 'W', "old"), 0);
        sldel(list, 0);
    }
    ASSERT_EQ(define_web("Dens", {}, 1), 0);
    con->submission_echo = 1;
    const size_t at = log().size();
    EXPECT_EQ(run(web("Dens")), 0) << log().substr(at);
    EXPECT_TRUE(submitted_since(at).empty());
    EXPECT_TRUE(bookmark_exists("SIM_4"));
    EXPECT_FALSE(bookmark_exists("SIM_5"));

    qor_list* list = nullptr;
    ASSERT_NE(slnewl(&list, nullptr, 0), 0);
    ASSERT_EQ(slofile(list, "QORUSER.DEZERIVO.SIM_4.SLIST", 'R'), 0);
    std::string_view value;
    EXPECT_EQ(slgnc(list, "ENV", &value), 0);
    EXPECT_EQ(value, "Desk");
    EXPECT_EQ(slgnc(list, "PROJ", &value), 0);
    EXPECT_EQ(value, "Daily");
    EXPECT_EQ(slgnc(list, "REP", &value), 0);
    EXPECT_EQ(value, "SIM");
    EXPECT_EQ(slgnc(list, "TYPE", &value), 0);
    EXPECT_EQ(value, "MARK");
    sldel(list, 0);
}

TEST_F(Reports, ABookmarkThatCannotBeWrittenFailsTheRun) {
    // A directory where the catalog file should be: the catalog cannot be opened.
    std::filesystem::create_directories(bookmarks_ / "dezerivo.qor7bcat");
    ASSERT_EQ(define_web("Dens", {}, 1), 0);
    const size_t at = log().size();
    EXPECT_EQ(run(web("Dens")), 1);
    EXPECT_NE(log().substr(at).find("Unable to write bookmark"), std::string::npos) << log().substr(at);
}

TEST_F(Reports, RunningAReportRunsItsSourceFile) {
    const std::string good = (dir_ / "print.qor").string();
    const std::string bad = (dir_ / "broken.qor").string();
    std::ofstream(good) << "data work.small; x = 1; output; run;\nproc print data=work.small; run;\n";
    std::ofstream(bad) << "data a; set work.no_such_data; run;\n";
    ASSERT_EQ(define_report("Good", good.c_str()), 0) << log();
    ASSERT_EQ(define_report("Bad", bad.c_str()), 0) << log();
    EXPECT_EQ(define_report("Lost", "/nonexistent/report.qor"), 0);
    EXPECT_NE(log().find("598/1922"), std::string::npos) << log();
    auto report = [&](const char* name) {
        RSKNAMEREC key = name_of(name);
        return static_cast<RSKREPORT*>(engine_routine<EngineSlot::rskrep>()(con, &key)->object);
    };
    EXPECT_EQ(engine_routine<EngineSlot::rskrepr>()(con, report("Good")), 0) << log();
    EXPECT_NE(engine_routine<EngineSlot::rskrepr>()(con, report("Bad")), 0);

    const size_t at = listing().size();
    engine_routine<EngineSlot::rskrepp>()(con, report("Good"));
    const std::string text = listing().substr(at);
    EXPECT_NE(text.find("Report Good"), std::string::npos) << text;
    EXPECT_NE(text.find("Type=Batch, Sample Output=none."), std::string::npos) << text;
}

}  // namespace

namespace {

// Out of memory in every allocation of the two define routines: 1 after one 598/2797, and no
// object is left without its record.
TEST_F(Reports, EveryAllocationOfTheDefinitionsFailsInTurn) {
    const char* const names[] = {"Rep", "Web"};
    for (int which = 0; which < 2; ++which) {
        SCOPED_TRACE(names[which]);
        int failures = 0;
        for (long n = 1; n < 500; ++n) {
            restart();
            con->no_memory_reported = 0;
            const size_t before = log().size();
            std::string to = "desk@example.com";
            qor_pool_fail_nth(n);
            const int rc = which == 0 ? define_report(names[which])
                                      : define_web(names[which], {{0, static_cast<uint16_t>(to.size()), to.data()}});
            const long left = qor_pool_fail_nth(0);
            const std::string said = log().substr(before);
            if (left != 0) {
                EXPECT_EQ(rc, 0) << said;
                break;
            }
            RSKNAMEREC key = name_of(names[which]);
            RSKCATOBJ* object = which == 0 ? engine_routine<EngineSlot::rskrep>()(con, &key)
                                           : engine_routine<EngineSlot::rskweb>()(con, &key);
            if (rc == 0 && count_of(said, "598/2797") == 0) {
                // Catalog storage keeps an object without its description when that copy fails.
                EXPECT_TRUE(object != nullptr && object->object != nullptr) << "allocation " << n;
                continue;
            }
            ++failures;
            EXPECT_EQ(rc, 1) << "allocation " << n << said;
            EXPECT_EQ(count_of(said, "598/2797"), 1) << "allocation " << n << said;
            EXPECT_TRUE(object == nullptr || object->object != nullptr) << "allocation " << n;
        }
        EXPECT_GT(failures, 0);
    }
}

}  // namespace
