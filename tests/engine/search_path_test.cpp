// The engine's search path: SEARCH_PATH values (lists, quotes, "!NAME" items, malformed text),
// the standard libraries at start-up, listing under GENERIC, look-ups and library references.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <vector>

#include "common/files/names.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/paths/search_path.h"
#include "host/files.h"
#include "host/options.h"
#include "tests/engine/engine_fixture.h"

namespace {

namespace fs = std::filesystem;

// Sets environment variables for one test and puts the old values back afterwards.
class EnvGuard {
public:
    void set(const char* name, const char* value) {
        remember(name);
        if (value != nullptr) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~EnvGuard() {
        for (auto& [name, value] : saved_) {
            if (value) setenv(name.c_str(), value->c_str(), 1);
            else unsetenv(name.c_str());
        }
    }

private:
    void remember(const char* name) {
        if (saved_.count(name)) return;
        const char* old = std::getenv(name);
        saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    std::map<std::string, std::optional<std::string>> saved_;
};

class SearchPath : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        root_ = fs::path(::testing::TempDir()) / ("search_" + std::to_string(::getpid()) + "_" +
                                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    void TearDown() override {
        rskpthf(&con_);
        rskptla(&con_);
        xhldas2("RISKSAMP");
        xhldas2("DEZERIVO");
        xoptbst("GENERIC", 0);
        fs::remove_all(root_);
        EngineTest::TearDown();
    }

    std::string dir(const std::string& name) {
        fs::path p = root_ / name;
        fs::create_directories(p);
        return p.string();
    }

    std::vector<std::string> paths() const {
        std::vector<std::string> out;
        for (const RSKPATHENTRY* e = con_.search_path_head; e != nullptr; e = e->next)
            out.emplace_back(e->path.name.text, e->path.name.length);
        return out;
    }

    fs::path root_;
    EnvGuard env_;
};

TEST_F(SearchPath, ListWithQuotedItemKeepsItsBlankAndSkipsDuplicates) {
    std::string a = dir("a"), b = dir("b c"), d = dir("d");
    std::string value = "(" + a + " '" + b + "'\t\"" + d + "\")";
    EXPECT_EQ(process_search_path(&con_, value.c_str(), -1), 0);
    EXPECT_EQ(paths(), (std::vector<std::string>{a, b, d}));
    EXPECT_EQ(con_.search_path_tail, con_.search_path_head->next->next);

    // Appending a listed directory (also written with a trailing "/") changes nothing.
    EXPECT_EQ(rskpthd(&con_, a.c_str(), -1, 1, nullptr), 0);
    EXPECT_EQ(rskpthd(&con_, (a + "/").c_str(), -1, 1, nullptr), 0);
    EXPECT_EQ(paths().size(), 3u);
    // A directory that does not exist is refused with its name.
    std::string missing = (root_ / "none").string();
    EXPECT_EQ(rskpthd(&con_, missing.c_str(), -1, 1, nullptr), 1);
    EXPECT_NE(log().find("598/1458"), std::string::npos) << log();
    // Without append the directory goes to the head.
    std::string e = dir("e");
    EXPECT_EQ(rskpthd(&con_, e.c_str(), -1, 0, "MYLIB"), 0);
    EXPECT_EQ(paths().front(), e);
    EXPECT_EQ(std::string(con_.search_path_head->libref, 8), "MYLIB   ");
}

TEST_F(SearchPath, ItemsExpandEnvironmentVariablesAndSkipUnsetOnes) {
    std::string home = dir("home");
    std::string x = dir("home/x");
    env_.set("HOME", home.c_str());
    env_.set("VELMORA_UNSET_VARIABLE", nullptr);
    env_.set("VELMORA_ROOT", root_.c_str());
    dir("y");
    // Variable names are upper-cased before the look-up.
    std::string value = "(!HOME/x !VELMORA_UNSET_VARIABLE/y !velmora_root/y)";
    process_search_path(&con_, value.c_str(), -1);
    EXPECT_EQ(paths(), (std::vector<std::string>{x, (root_ / "y").string()}));

    RSKPATHNAME out;
    EXPECT_EQ(expand_path("!HOME", -1, &out), 0);
    EXPECT_EQ(std::string(out.name.text, out.name.length), home);
    EXPECT_EQ(expand_path("a!/b", -1, &out), 1);   // "!" without a name cannot be expanded
    // A result longer than a path is refused, not cut.
    env_.set("VELMORA_LONG", std::string(1000, 'p').c_str());
    EXPECT_EQ(expand_path("!VELMORA_LONG/!VELMORA_LONG", -1, &out), 1);
}

TEST_F(SearchPath, MalformedValuesStayWithinTheirText) {
    std::string a = dir("a");
    struct Case {
        std::string value;
        size_t entries;
    } cases[] = {
        {"(" + a, 1},                 // no closing ")": the list runs to the end
        {"(", 0},
        {"()", 0},
        {")", 0},
        {"('", 0},
        {"(\"" + a, 1},               // an unclosed quote runs to the end
        {"'", 0},
        {"\"\"", 0},
        {"( '' \"\" )", 0},
        {a + ")", 0},                 // one item "<a>)" that is no directory
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        rskpthf(&con_);
        // An exact-size copy lets the address sanitizer see any read past the value.
        std::vector<char> text(c.value.begin(), c.value.end());
        EXPECT_EQ(process_search_path(&con_, text.data(), static_cast<int>(text.size())), 0);
        EXPECT_EQ(paths().size(), c.entries);
    }
    struct Strip {
        const char* value;
        const char* stripped;
    } strips[] = {{"\"", ""}, {"'", ""}, {"''", ""}, {"'a'", "a"}, {"\"a", "a"}, {"a'", "a"}, {"a", "a"}, {"", ""}};
    for (const Strip& s : strips) {
        SCOPED_TRACE(s.value);
        const char* start = nullptr;
        int n = strip_path_quotes(s.value, -1, &start);
        ASSERT_GE(n, 0);
        EXPECT_EQ(std::string(start, static_cast<size_t>(n)), s.stripped);
    }
}

TEST_F(SearchPath, StartUpBuildsWorkCurrentSearchPathAndSamples) {
    std::string a = dir("a"), samples = dir("samples");
    env_.set("SEARCH_PATH", a.c_str());
    env_.set("RISKSAMP", ("\"" + samples + "\"").c_str());
    env_.set("DEZERIVO", nullptr);
    EXPECT_EQ(open_files(&con_), 0);
    const char* work = nullptr;
    int work_length = 0;
    ASSERT_EQ(zlib2ph("WORK", &work, &work_length), 0);
    EXPECT_EQ(paths(), (std::vector<std::string>{std::string(work, work_length), "./", a, samples}));
    EXPECT_EQ(std::string(con_.work_path.name.text, con_.work_path.name.length), std::string(work, work_length));
    qor_library_info info;
    ASSERT_EQ(xhlinf2("RISKSAMP", &info), 0);   // assigned without the quotes
    EXPECT_EQ(std::string(info.path, info.path_length), samples);
    EXPECT_EQ(log().find("598/1295"), std::string::npos);
}

TEST_F(SearchPath, SamplesComeFromTheRootOrAreReportedMissing) {
    env_.set("SEARCH_PATH", nullptr);
    env_.set("RISKSAMP", nullptr);
    env_.set("QORROOT", nullptr);
    EXPECT_EQ(open_files(&con_), 0);   // start-up goes on
    EXPECT_EQ(count_of(log(), "598/1295"), 1) << log();
    EXPECT_EQ(paths().size(), 2u);      // WORK and "./"

    rskpthf(&con_);
    std::string samples = dir("root/samples/risk");
    env_.set("QORROOT", ("'" + (root_ / "root").string() + "'").c_str());
    EXPECT_EQ(open_files(&con_), 0);
    EXPECT_EQ(paths().back(), samples);
    EXPECT_EQ(count_of(log(), "598/1295"), 1);
}

TEST_F(SearchPath, ALongSearchPathValueIsReadWhole) {
    std::string a = dir("a");
    std::string value = "(";
    for (int i = 0; i < 60; ++i) value += a + "/. ";   // over 1024 characters
    std::string last = dir("last");
    value += last + ")";
    ASSERT_GT(value.size(), 1024u);
    env_.set("SEARCH_PATH", value.c_str());
    env_.set("RISKSAMP", nullptr);
    env_.set("QORROOT", nullptr);
    open_files(&con_);
    EXPECT_EQ(paths().back(), last);
    EXPECT_EQ(paths().size(), 4u);      // WORK, "./", a (once), last
}

TEST_F(SearchPath, GenericListingHidesMachinePaths) {
    std::string a = dir("a");
    ASSERT_EQ(rskpthd(&con_, a.c_str(), -1, 1, nullptr), 0);
    ASSERT_EQ(rskpthd(&con_, a.c_str(), -1, 0, "MINE"), 0);
    con_.generic = 0;
    rskpthp(&con_);
    con_.generic = 1;
    rskpthp(&con_);
    std::string text = listing();
    EXPECT_NE(text.find(a), std::string::npos) << text;
    EXPECT_EQ(count_of(text, "<System-specific pathname>"), 2) << text;
    EXPECT_EQ(count_of(text, "<TEMPLIB>"), 1) << text;   // the generated reference only
    EXPECT_NE(text.find("MINE"), std::string::npos);
}

TEST_F(SearchPath, RemovalFixesTheTailAndLookUpsFindMembersAndViews) {
    std::string a = dir("a"), b = dir("b");
    rskpthd(&con_, a.c_str(), -1, 1, nullptr);
    rskpthd(&con_, b.c_str(), -1, 1, nullptr);
    std::ofstream(b + "/prices.qor7bdat").put('x');
    std::ofstream(a + "/rates.qor7bvew").put('x');

    char out[QOR_PATH_MAX];
    char type[9] = "DATA    ";
    EXPECT_EQ(rskpth(&con_, "PRICES", -1, type, out), con_.search_path_tail);
    EXPECT_EQ(std::string(out), b + "/prices.qor7bdat");
    EXPECT_EQ(rskpth(&con_, "RATES", -1, type, out), con_.search_path_head);
    EXPECT_EQ(std::string(type, 8), "DATAVIEW");
    std::memcpy(type, "DATA    ", 8);
    EXPECT_EQ(rskpth(&con_, "NONE", -1, type, out), nullptr);
    EXPECT_EQ(std::string(out), "none.qor7bdat");
    EXPECT_EQ(rskpthz(&con_, "rates.qor7bvew", out), con_.search_path_head);

    EXPECT_EQ(rskpthr(&con_, (b + "/").c_str(), -1), 0);
    EXPECT_EQ(con_.search_path_tail, con_.search_path_head);
    EXPECT_EQ(rskpthr(&con_, b.c_str(), -1), 1);
    EXPECT_EQ(rskpthr(&con_, a.c_str(), -1), 0);
    EXPECT_EQ(con_.search_path_head, nullptr);
    EXPECT_EQ(con_.search_path_tail, nullptr);
}

TEST_F(SearchPath, LibraryReferencesReuseFreedEntriesAndGrow) {
    std::string a = dir("a");
    char name[9];
    for (int i = 0; i < 12; ++i) {
        std::snprintf(name, sizeof name, "LIB%-5d", i);
        ASSERT_EQ(xhlasn2(name, a.c_str(), -1, nullptr), 0);
        ASSERT_EQ(rskpths(&con_, name), 0);
    }
    EXPECT_EQ(rskpths(&con_, "LIB0    "), 0);   // remembered once
    EXPECT_EQ(con_.libref_count, 12);
    EXPECT_EQ(con_.libref_capacity, 20);
    rskptlr(&con_, "LIB3    ");
    EXPECT_EQ(con_.libref_free, 1);
    qor_library_info info;
    EXPECT_NE(xhlinf2("LIB3", &info), 0);
    ASSERT_EQ(xhlasn2("LIBNEW", a.c_str(), -1, nullptr), 0);
    EXPECT_EQ(rskpths(&con_, "LIBNEW  "), 0);
    EXPECT_EQ(con_.libref_free, 0);
    EXPECT_EQ(std::string(con_.librefs[3], 8), "LIBNEW  ");
    rskptla(&con_);
    EXPECT_NE(xhlinf2("LIB11", &info), 0);
    EXPECT_NE(xhlinf2("LIBNEW", &info), 0);
}

TEST_F(SearchPath, OutOfMemoryIsReportedOnceAndLeavesTheListIntact) {
    std::string a = dir("a"), b = dir("b");
    ASSERT_EQ(rskpthd(&con_, a.c_str(), -1, 1, "ALIB"), 0);
    // The first chunk holds 20 entries: exhaust it, then fail the refill.
    for (int i = 0; i < 19; ++i) ASSERT_EQ(rskpthd(&con_, a.c_str(), -1, 0, "ALIB"), 0);
    qor_pool_fail_nth(1);
    EXPECT_EQ(rskpthd(&con_, b.c_str(), -1, 1, "BLIB"), 1);
    qor_pool_fail_nth(1);
    EXPECT_EQ(rskpthd(&con_, b.c_str(), -1, 1, "BLIB"), 1);
    qor_pool_fail_nth(0);
    EXPECT_EQ(count_of(log(), "598/2797"), 1) << log();
    EXPECT_EQ(paths().size(), 20u);
    EXPECT_EQ(rskpthd(&con_, b.c_str(), -1, 1, "BLIB"), 0);
    EXPECT_EQ(paths().back(), b);
}

TEST_F(SearchPath, DataSetSpecificationsResolveByLibraryDirectoryOrSearch) {
    RSKOPTIONS options{};
    con_.options = &options;
    std::string a = dir("a"), b = dir("b");
    std::ofstream(a + "/prices.qor7bdat").put('x');
    std::ofstream(b + "/rates.qor7bdat").put('x');
    ASSERT_EQ(xhlasn2("RLIB", b.c_str(), -1, nullptr), 0);
    rskpthd(&con_, a.c_str(), -1, 1, nullptr);
    char type[9] = "DATA    ";
    char libref[8];
    member_name member{};
    char path[QOR_PATH_MAX];
    struct Case {
        std::string spec;
        int search;
        int result;
        const char* message;          // expected in the log, or null
    } cases[] = {
        {"rlib.rates", 0, 0, nullptr},
        {"rlib.prices", 0, 2, "598/1459"},
        {"rlib.prices", 1, 0, "598/1460"},   // found along the search path
        {b + "/rates", 0, 0, nullptr},
        {b + "/prices", 0, 2, "598/1452"},
        {b + "/prices", 1, 0, "598/1454"},
        {"prices", 0, 0, nullptr},
        {"nothing", 0, 2, "598/1451"},
        {"nolib.prices", 0, 1, "598/1455"},
        {std::string(33, 'm'), 0, 1, "598/1456"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spec);
        options.current.search = static_cast<uint8_t>(c.search);
        qor_print_set_log_file(log_path_.c_str());
        RSKNAMEREC spec = name_of(c.spec.c_str());
        EXPECT_EQ(rskpthg(&con_, &spec, type, 1, libref, &member, path, 1), c.result);
        if (c.message) EXPECT_NE(log().find(c.message), std::string::npos) << log();
        else EXPECT_EQ(log().find("598/"), std::string::npos) << log();
    }
    RSKNAMEREC prices = name_of("prices");
    EXPECT_EQ(rskpthg(&con_, &prices, type, 0, libref, &member, path, 1), 1);   // not for writing
    xhldas2("RLIB");
    con_.options = nullptr;
}

}  // namespace
