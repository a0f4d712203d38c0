// Aggregation members of divided runs and the class-variable list: the member layout, a merge
// of portfolio parts that equals the undivided run, damaged and missing members, and
// "ccvars.txt" written and read back.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "engine/files/aggregation_file.h"
#include "host/files.h"
#include "tests/engine/aggregation_fixture.h"

namespace fs = std::filesystem;

namespace {

// Seen flags of the merge, in call order.
std::string* g_seen;
int merge_cells(RSKCON* con, void* target, void* source, int kind, int seen) {
    if (g_seen != nullptr) *g_seen += std::to_string(seen);
    return add_cells(con, target, source, kind, seen);
}

class AggregationFiles : public AggregationEngine {
protected:
    void SetUp() override {
        AggregationEngine::SetUp();
        if (HasFatalFailure()) return;
        dir = fs::path(test_path("aggfiles"));
        fs::remove_all(dir);
        fs::create_directories(dir);
        ASSERT_EQ(xhlasn2("AGGLIB", dir.c_str(), -1, nullptr), 0);
        region = class_variable("Region", 6);
        desk = class_variable("Desk");
        byDesk = cross("ByDesk");
        hierarchy(byDesk, {"Region", "Desk*"});
        g_seen = &seen;
    }
    void TearDown() override {
        g_seen = nullptr;
        xhldas2("AGGLIB");
        fs::remove_all(dir);
        AggregationEngine::TearDown();
    }

    // Starts a run part: a fresh aggregation in a fresh run state.
    RSKAGGCTL* start_run(int portfolio_part = 1, int portfolio_parts = 1, int analysis_part = 1, int analysis_parts = 1,
                         int user_size = sizeof(CountSum)) {
        run_.aggregation = RSKAGGRUN{};
        RSKAGGRUN& a = run_.aggregation;
        a.portfolio_part = portfolio_part;
        a.portfolio_parts = portfolio_parts;
        a.analysis_part = analysis_part;
        a.analysis_parts = analysis_parts;
        std::memcpy(a.output_libref, "AGGLIB  ", 8);
        a.merge_update = merge_cells;
        return build(byDesk, nullptr, user_size);
    }
    // Position i of a small book: 5 regions x 4 desks, integer values.
    void feed_position(RSKAGGCTL* control, int i) {
        static const char* regions[] = {"EMEA", "APAC", "AMER", "LATAM", "NORD"};
        set_text(region, regions[i % 5]);
        set_number(desk, (i * 7) % 4);
        ASSERT_EQ(feed(control, static_cast<double>((i * 37) % 101)), 0);
    }
    // Every cell of every page after the roll-up, by key bytes.
    std::map<std::string, std::pair<double, double>> cells(RSKAGGCTL* control) {
        EXPECT_EQ(call<EngineSlot::rskgrps>()(con, control, add_cells, nullptr, nullptr), 0);
        static std::map<std::string, std::pair<double, double>>* out;
        static RSKAGGCTL* walking;
        std::map<std::string, std::pair<double, double>> result;
        out = &result;
        walking = control;
        auto take = [](RSKCON*, void* user_data) {
            const auto* c = static_cast<const CountSum*>(user_data);
            (*out)[std::string(walking->key, static_cast<size_t>(walking->key_size)) +
                   std::to_string(walking->run->current_mask)] = {c->count, c->sum};
            return 0;
        };
        EXPECT_EQ(call<EngineSlot::rskgrp1>()(con, control, take, nullptr, nullptr, 1), 0);
        return result;
    }
    bool member_exists(const std::string& name) {
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path().stem() == name) return true;
        return false;
    }
    fs::path member_path(const std::string& name) {
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.path().stem() == name) return entry.path();
        return {};
    }
    void merge_from(int parts) {
        static RSKAGGSOURCE source;
        source = RSKAGGSOURCE{2, {'A', 'G', 'G', 'L', 'I', 'B', ' ', ' '}, parts};
        run_.aggregation.sources = &source;
        run_.aggregation.source_count = 1;
    }

    fs::path dir;
    RSKVARIABLE* region = nullptr;
    RSKVARIABLE* desk = nullptr;
    RSKCROSSCLASS* byDesk = nullptr;
    std::string seen;
};

TEST_F(AggregationFiles, AMemberHoldsTheHeaderAndOneRecordPerFinestCell) {
    RSKAGGCTL* control = start_run();
    ASSERT_NE(control, nullptr);
    for (int i = 0; i < 30; ++i) feed_position(control, i);
    const int finest = control->cell_count;   // only the base page has cells before the roll-up
    ASSERT_EQ(rskgrpw(con), 0) << log();
    ASSERT_TRUE(member_exists("ags")) << log();

    std::ifstream in(member_path("ags"), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t key = static_cast<size_t>(control->key_size), data = sizeof(CountSum);
    ASSERT_EQ(bytes.size(), 204 + static_cast<size_t>(finest) * (4 + key + 4 + data));
    EXPECT_EQ(bytes.substr(0, 32), "Aggregation utility fileQJ 4.1  ");
    EXPECT_EQ(bytes.substr(148, 8), "AGS     ");
    auto u32 = [&](size_t at) {
        uint32_t v = 0;
        for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
        return v;
    };
    EXPECT_EQ(u32(188), key);
    EXPECT_EQ(u32(192), data);
    EXPECT_EQ(u32(196), static_cast<uint32_t>(finest));
    EXPECT_EQ(bytes.substr(204, 4), "WEIC");
    EXPECT_EQ(bytes.substr(208 + key, 4), "DONE");

    // Read back into a fresh run: the same finest cells, every one reached first with seen 0.
    const auto original = cells(control);
    RSKAGGCTL* merged = start_run();
    merge_from(1);
    ASSERT_EQ(rskgrpr(con), 0) << log();
    EXPECT_EQ(seen, std::string(static_cast<size_t>(finest), '0'));
    EXPECT_EQ(cells(merged), original);
    EXPECT_EQ(run_.aggregation.error, 0);
}

TEST_F(AggregationFiles, MergedPortfolioPartsEqualTheUndividedRun) {
    RSKAGGCTL* whole = start_run();
    for (int i = 0; i < 100; ++i) feed_position(whole, i);
    const auto expected = cells(whole);

    // Part p of 4 prices positions 25(p-1) to 25p-1; every key recurs in every part.
    for (int p = 1; p <= 4; ++p) {
        RSKAGGCTL* part = start_run(p, 4);
        for (int i = 25 * (p - 1); i < 25 * p; ++i) feed_position(part, i);
        ASSERT_EQ(rskgrpw(con), 0) << log();
        EXPECT_TRUE(member_exists("ags_1_1_" + std::to_string(p) + "_4"));
    }
    RSKAGGCTL* merged = start_run();
    merge_from(4);
    ASSERT_EQ(rskgrpr(con), 0) << log();
    EXPECT_EQ(cells(merged), expected);
    // 20 distinct finest keys; each reached first with seen 0, again with seen 1.
    EXPECT_EQ(std::count(seen.begin(), seen.end(), '0'), 20);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), '1'), 60);

    // Analysis part 1 of 2 and portfolio part 3 of 3.
    start_run(3, 3, 1, 2);
    ASSERT_EQ(rskgrpw(con), 0);
    EXPECT_TRUE(member_exists("ags_1_2_3_3"));
}

TEST_F(AggregationFiles, DamagedOrMissingMembersFailTheMergeWithTheirMessages) {
    // Part 1 of 2 written with a wider user data than this run's.
    RSKAGGCTL* part = start_run(1, 2, 1, 1, 2 * sizeof(CountSum));
    feed_position(part, 0);
    ASSERT_EQ(rskgrpw(con), 0);

    struct Case {
        const char* title;
        std::function<void()> damage;
        const char* message;
    };
    auto write_part = [&] {
        RSKAGGCTL* p = start_run(1, 2);
        for (int i = 0; i < 5; ++i) feed_position(p, i);
        ASSERT_EQ(rskgrpw(con), 0);
    };
    const Case cases[] = {
        {"other sizes", [] {}, "holds cells of"},
        {"truncated", [&] { write_part(); fs::resize_file(member_path("ags_1_1_1_2"), fs::file_size(member_path("ags_1_1_1_2")) - 3); }, "598/1328"},
        {"bad tag", [&] {
             write_part();
             std::fstream f(member_path("ags_1_1_1_2"), std::ios::in | std::ios::out | std::ios::binary);
             f.seekp(204);
             f.write("WEIX", 4);
         }, "598/1328"},
        {"missing", [&] { fs::remove(member_path("ags_1_1_1_2")); }, "598/1323"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        c.damage();
        start_run();
        merge_from(2);
        const std::string before = log();
        EXPECT_EQ(rskgrpr(con), 1);
        const std::string said = log().substr(before.size());
        EXPECT_NE(said.find(c.message), std::string::npos) << said;
        // The first failure ends the entry: the second part is not read.
        EXPECT_NE(said.find("598/1327"), std::string::npos) << said;
        EXPECT_NE(said.find("member AGS_1_1_1_2 of an earlier run part"), std::string::npos) << said;
        EXPECT_EQ(said.find("AGS_1_1_2_2"), std::string::npos) << said;
        EXPECT_EQ(run_.aggregation.error, 1);
    }

    // A failed member fails the merge even when a later entry merges well.
    start_run();
    feed_position(run_.aggregation.control, 0);
    ASSERT_EQ(rskgrpw(con), 0);   // "AGS"
    start_run();
    static RSKAGGSOURCE sources[2];
    sources[0] = RSKAGGSOURCE{2, {'A', 'G', 'G', 'L', 'I', 'B', ' ', ' '}, 2};
    sources[1] = RSKAGGSOURCE{2, {'A', 'G', 'G', 'L', 'I', 'B', ' ', ' '}, 1};
    run_.aggregation.sources = sources;
    run_.aggregation.source_count = 2;
    EXPECT_EQ(rskgrpr(con), 1);
    EXPECT_EQ(run_.aggregation.control->cell_count, 1);   // "AGS" was still merged
    EXPECT_EQ(run_.aggregation.error, 1);
}

TEST_F(AggregationFiles, WithoutCrossClassificationTheResultRecordIsTheOneCell) {
    // Two portfolio parts, each with its own result record; the merge adds them into this run's.
    CountSum part_results[2] = {{3, 30}, {4, 12}};
    for (int p = 1; p <= 2; ++p) {
        run_.aggregation = RSKAGGRUN{};
        run_.aggregation.portfolio_part = p;
        run_.aggregation.portfolio_parts = 2;
        std::memcpy(run_.aggregation.output_libref, "AGGLIB  ", 8);
        run_.aggregation.result_record = &part_results[p - 1];
        run_.aggregation.result_size = sizeof(CountSum);
        ASSERT_EQ(rskgrpw(con), 0) << log();
    }
    // 204 bytes of header and one record of "DONE" and the result record.
    EXPECT_EQ(fs::file_size(member_path("ags_1_1_2_2")), 204u + 4u + sizeof(CountSum));
    CountSum total{};
    run_.aggregation = RSKAGGRUN{};
    run_.aggregation.result_record = &total;
    run_.aggregation.result_size = sizeof(CountSum);
    run_.aggregation.merge_update = merge_cells;
    merge_from(2);
    ASSERT_EQ(rskgrpr(con), 0) << log();
    EXPECT_EQ(total.count, 7);
    EXPECT_EQ(total.sum, 42);
    EXPECT_EQ(seen, "01");
}

TEST_F(AggregationFiles, OutOfMemoryDuringAMergeFailsIt) {
    RSKAGGCTL* part = start_run(1, 2);
    for (int i = 0; i < 5; ++i) feed_position(part, i);
    ASSERT_EQ(rskgrpw(con), 0);
    // The merge buffer, then the first cell: each refused in turn.
    for (long n = 1; n <= 2; ++n) {
        SCOPED_TRACE(n);
        start_run();
        merge_from(1);
        run_.aggregation.portfolio_parts = 2;   // the member of this run's part 1 of 2
        run_.aggregation.portfolio_part = 1;
        qor_pool_fail_nth(n);
        EXPECT_EQ(rskgrpr(con), 1);
        qor_pool_fail_nth(0);
        EXPECT_EQ(run_.aggregation.error, 1);
    }
    EXPECT_NE(log().find("readSingleFile was unable to allocate memory"), std::string::npos);
    EXPECT_EQ(count_of(log(), "598/2797"), 1);
}

TEST_F(AggregationFiles, EveryTruncationAndRandomDamageIsMergedOrRefused) {
    RSKAGGCTL* part = start_run(1, 2);
    for (int i = 0; i < 8; ++i) feed_position(part, i);
    ASSERT_EQ(rskgrpw(con), 0);
    const size_t record = 4 + static_cast<size_t>(part->key_size) + 4 + sizeof(CountSum);
    const fs::path path = member_path("ags_1_1_1_2");
    std::ifstream in(path, std::ios::binary);
    const std::string good((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    in.close();
    auto merge = [&](const std::string& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        start_run();
        merge_from(1);
        run_.aggregation.portfolio_part = 1;
        run_.aggregation.portfolio_parts = 2;
        const int rc = rskgrpr(con);
        EXPECT_TRUE(rc == 0 || rc == 1) << rc;
        EXPECT_EQ(run_.aggregation.error, rc);
        return rc;
    };
    // Every shorter member is refused: its header or a record is missing.
    for (size_t length = 0; length < good.size(); length += 7) EXPECT_EQ(merge(good.substr(0, length)), 1) << length;
    // A record count one short leaves a record over: refused, not merged without it.
    std::string short_count = good;
    short_count[196] = static_cast<char>(short_count[196] - 1);
    EXPECT_EQ(merge(short_count), 1);
    // Part of one more record after the counted ones (its tag, tag and part of the key, all but
    // its last byte): a record cut short is lost, so the member is refused.
    for (size_t extra : {size_t{2}, size_t{4}, size_t{7}, record - 1})
        EXPECT_EQ(merge(good + good.substr(204, extra)), 1) << extra;
    // Random bytes changed anywhere: merged (a key or value changed) or refused, never a crash.
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        std::string bytes = good;
        for (int k = 0; k < 3; ++k) bytes[random() % bytes.size()] = static_cast<char>(random());
        merge(bytes);
    }
    EXPECT_EQ(merge(good), 0);
}

TEST_F(AggregationFiles, AMemberOfOnlyTheHeaderEndsAtOnce) {
    RSKAGGFILE file{};
    std::memcpy(file.libref, "AGGLIB  ", 8);
    std::memcpy(file.member, "EMPTY", 5);
    file.member_length = 5;
    CountSum values{};
    file.values = &values;
    file.values_length = sizeof values;
    ASSERT_EQ(rskago(con, &file, 'O'), 0);
    ASSERT_EQ(rskagc(con, &file), 0);
    std::memcpy(file.libref, "AGGLIB  ", 8);
    ASSERT_EQ(rskago(con, &file, 'I'), 0);
    EXPECT_EQ(rskag1(con, &file), -1);
    EXPECT_EQ(rskag0(con, &file), 0);
    EXPECT_EQ(rskagc(con, &file), 0);
    EXPECT_EQ(rskago(con, &file, 'X'), 99);
    EXPECT_EQ(rskag1(con, &file), -1);   // not open
    EXPECT_NE(log().find("rskag1: aggregation file not open"), std::string::npos);
}

TEST_F(AggregationFiles, ClassVariableListIsOneUpperCaseRecord) {
    RSKAGGCTL* control = start_run();
    ASSERT_NE(control, nullptr);
    ASSERT_EQ(call<EngineSlot::rskgrpx>()(con, control, "AGGLIB"), 0);
    std::ifstream in(dir / "ccvars.txt", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "REGION DESK\n");

    char buffer[64];
    int32_t length = sizeof buffer;
    ASSERT_EQ(call<EngineSlot::rskgrpy>()("AGGLIB", buffer, &length), 0);
    EXPECT_EQ(length, 11);
    EXPECT_STREQ(buffer, "REGION DESK");
    length = 11;   // no room for the terminating NUL
    EXPECT_EQ(call<EngineSlot::rskgrpy>()("AGGLIB", buffer, &length), 85);
    EXPECT_EQ(call<EngineSlot::rskgrpy>()("NOLIB", buffer, &length), 1);
    EXPECT_EQ(call<EngineSlot::rskgrpx>()(con, nullptr, "AGGLIB"), 1);
    EXPECT_EQ(call<EngineSlot::rskgrpx>()(con, control, "NOLIB"), 1);

    // Names of more than 1024 bytes (only a hand-made list gets there: 31 class variables of
    // 32 characters fit) give 86 and leave the old file.
    std::deque<RSKVARIABLE> named;
    std::vector<RSKCCVAR> entries(40);
    std::vector<RSKCCVAR*> table;
    for (int i = 0; i < 40; ++i) {
        RSKVARIABLE& v = named.emplace_back();
        std::memset(static_cast<void*>(&v), 0, sizeof v);
        const std::string name = "LONGNAME" + std::string(22, 'X') + std::to_string(10 + i);
        call<EngineSlot::rskname>()(con, &v.name, name.c_str(), -1);
        entries[static_cast<size_t>(i)].variable = &v;
        if (i > 0) entries[static_cast<size_t>(i - 1)].next = &entries[static_cast<size_t>(i)];
        table.push_back(&entries[static_cast<size_t>(i)]);
    }
    RSKAGGCTL wide{};
    wide.count = 40;
    wide.variables = table.data();
    EXPECT_EQ(call<EngineSlot::rskgrpx>()(con, &wide, "AGGLIB"), 86);
    length = sizeof buffer;
    ASSERT_EQ(call<EngineSlot::rskgrpy>()("AGGLIB", buffer, &length), 0);
    EXPECT_STREQ(buffer, "REGION DESK");
}

}  // namespace
