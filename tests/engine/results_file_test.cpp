// Results utility members: the member names of run parts and of what a run reads back, the
// stored layout, round trips with and without adopting, the configuration checksum, and damaged
// members refused with a message. A member written by an earlier build is read by this one.
#include <sys/resource.h>

#include <csignal>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>

#include "engine/analyses/analysis_phases.h"
#include "engine/files/results_file.h"
#include "engine/model/names/name_records.h"
#include "engine/run/analysis_processing.h"
#include "host/files.h"
#include "tests/engine/aggregation_fixture.h"

namespace fs = std::filesystem;

namespace {

std::string bytes_of(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void put_bytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

uint32_t u32_at(const std::string& b, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + static_cast<size_t>(i)]);
    return v;
}

class ResultsFile : public AggregationEngine {
protected:
    void SetUp() override {
        AggregationEngine::SetUp();
        if (HasFatalFailure()) return;
        dir = fs::path(test_path("resfiles"));
        fs::remove_all(dir);
        fs::create_directories(dir);
        ASSERT_EQ(xhlasn2("RESLIB", dir.c_str(), -1, nullptr), 0);
        spot = variable("Spot", RSKVKIND_FACTOR, 1);
        rate = variable("Rate", RSKVKIND_FACTOR, 1);
        make_results();
        RSKRESRUN& r = run_.results_file;
        std::memcpy(r.output_libref, "reslib  ", 8);
        std::memcpy(r.source_libref, "RESLIB  ", 8);
        r.states_generated = 106;
        r.states_held = 106;
        r.state_size = 4096;
        std::memcpy(r.location, "risk_results", 12);
        r.location_length = 12;
    }
    void TearDown() override {
        xhldas2("RESLIB");
        fs::remove_all(dir);
        AggregationEngine::TearDown();
    }

    RSKANALYSIS* analysis(const char* name, uint32_t kind) {
        RSKANALYSIS& a = analyses.emplace_back();
        std::memset(static_cast<void*>(&a), 0, sizeof a);
        call<EngineSlot::rskname>()(con, &a.name, name, -1);
        a.kind = kind;
        return &a;
    }
    RSKANLPROC* result(RSKANALYSIS* a, int ordinal) {
        RSKANLPROC& r = results.emplace_back();
        std::memset(static_cast<void*>(&r), 0, sizeof r);
        r.analysis = a;
        r.kind = a->kind;
        r.ordinal = ordinal;
        if (!results.empty() && results.size() > 1) results[results.size() - 2].next = &r;
        return &r;
    }
    void add_factor(RSKANLPROC* r, const char* name) {
        const RSKNAMEREC n = name_of(name);
        ASSERT_EQ(rsaface(con, r, &n, r->run_factor_count), 0) << log();
    }
    void add_name(RSKNAMECELL** head, const char* name) {
        RSKNAMECELL& cell = cells.emplace_back();
        std::memset(static_cast<void*>(&cell), 0, sizeof cell);
        call<EngineSlot::rskname>()(con, &cell.name, name, -1);
        cell.next = *head;
        *head = &cell;
    }

    // Three results: a sensitivity with a work vector and two factors, a covariance simulation
    // with missed-value rows, output variables and a conditional list, a scenario with nothing.
    void make_results() {
        results.clear();
        sens = result(analysis("Sens", 2), 1);
        sens->first_state = 0;
        sens->state_count = 5;
        sens->work_size = sizeof work;
        sens->work = work;
        for (int i = 0; i < 6; ++i) work[i] = 0.5 * i;
        add_factor(sens, "Spot");
        add_factor(sens, "Rate");
        // Counter 2 of a part is where the next part's counter 1 starts.
        sens->state_counters[0] = 5;
        sens->state_counters[1] = 5;
        sens->state_counters[2] = 5;
        sens->state_counters[3] = 5;
        sim = result(analysis("MonteCarlo", 6), 2);
        sim->first_state = 5;
        sim->state_count = 100;
        sim->simulation_size = 1000;
        sim->horizons = 3;
        sim->missed_rows = 2;
        sim->missed = missed;
        sim->missed_table_rows = 2;
        sim->missed_table_horizons = 3;
        for (uint32_t i = 0; i < 6; ++i) missed[i] = 10 + i;
        sim->build_count = 7;
        sim->outvar_field = 2;
        sim->outvar_max = 9;
        sim->state_counters[0] = 42;
        sim->state_counters[1] = 42;
        add_name(&sim->analysis->conditional_head, "DESK");
        add_factor(sim, "Spot");
        outv[0] = RSKRESOUTV{&outv[1], 5, "Delta"};
        outv[1] = RSKRESOUTV{nullptr, 4, "Vega"};
        sim->outv_head = outv;
        scen = result(analysis("Scen", 5), 3);
        scen->first_state = 105;
        scen->state_count = 1;
        run_.results_file.results = sens;
    }

    fs::path member(const std::string& name) { return dir / (name + ".qor7bput"); }
    void set_parts(int a, int A, int p, int P) {
        RSKRESRUN& r = run_.results_file;
        r.analysis_part = a;
        r.analysis_parts = A;
        r.portfolio_part = p;
        r.portfolio_parts = P;
    }
    // The members rskresr would read, by name.
    std::vector<std::string> members_to_read() {
        RSKRESFILE& f = run_.results_file.file;
        std::vector<std::string> names;
        if (setup_resfile(con, &f) != 0) return {"refused"};
        for (int i = f.first_member; i <= f.last_member; ++i) {
            rskres_member_name(&f, f.pattern, i, f.parts);
            names.emplace_back(f.member, static_cast<size_t>(f.member_length));
        }
        return names;
    }

    fs::path dir;
    RSKVARIABLE* spot = nullptr;
    RSKVARIABLE* rate = nullptr;
    std::deque<RSKANALYSIS> analyses;
    std::deque<RSKANLPROC> results;
    std::deque<RSKNAMECELL> cells;
    RSKANLPROC* sens = nullptr;
    RSKANLPROC* sim = nullptr;
    RSKANLPROC* scen = nullptr;
    double work[6] = {};
    uint32_t missed[6] = {};
    RSKRESOUTV outv[2] = {};
};

TEST_F(ResultsFile, RunPartsNameTheirMembers) {
    struct Case {
        int a, A, p, P;
        const char* member;
    };
    const Case cases[] = {
        {1, 1, 1, 1, "sutil"}, {0, 0, 0, 0, "sutil"}, {2, 3, 1, 1, "sutil_2_3_1_1"},
        {1, 1, 4, 4, "sutil_1_1_4_4"}, {2, 3, 4, 4, "sutil_2_3_1_1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.member);
        fs::remove_all(dir);
        fs::create_directories(dir);
        set_parts(c.a, c.A, c.p, c.P);
        ASSERT_EQ(rskresw(con), 0) << log();
        EXPECT_TRUE(fs::exists(member(c.member)));
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
    }
}

TEST_F(ResultsFile, TheFiveReadingCasesNameTheirMembers) {
    RSKRESRUN& r = run_.results_file;
    struct Case {
        const char* title;
        int source, own_parts, a, A, p, P, location_A, location_P;
        bool first_part_member;      // whether "SUTIL_1_1_1_P" exists in the location
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"own, N parts", RSKRES_SOURCE_OWN, 3, 1, 1, 1, 1, 0, 0, false, {"SUTIL_1_3_1_1", "SUTIL_2_3_1_1", "SUTIL_3_3_1_1"}},
        {"own, this run's analysis part", RSKRES_SOURCE_OWN, 1, 2, 3, 1, 1, 0, 0, false, {"SUTIL_2_3_1_1"}},
        {"own, whole", RSKRES_SOURCE_OWN, 1, 1, 1, 2, 4, 0, 0, false, {"SUTIL"}},
        {"location, this run's portfolio part", RSKRES_SOURCE_LOCATION, 0, 1, 1, 2, 4, 3, 3, false, {"SUTIL_1_1_2_4"}},
        {"location of analysis parts", RSKRES_SOURCE_LOCATION, 0, 1, 1, 1, 1, 2, 1, false, {"SUTIL_1_2_1_1", "SUTIL_2_2_1_1"}},
        {"location of portfolio parts", RSKRES_SOURCE_LOCATION, 0, 1, 1, 1, 1, 1, 3, true, {"SUTIL_1_1_1_3"}},
        {"location of portfolio parts, combined", RSKRES_SOURCE_LOCATION, 0, 1, 1, 1, 1, 1, 3, false, {"SUTIL"}},
        {"location, whole", RSKRES_SOURCE_LOCATION, 0, 1, 1, 1, 1, 1, 1, false, {"SUTIL"}},
        {"no location", RSKRES_SOURCE_NONE, 0, 1, 1, 1, 1, 1, 1, false, {"refused"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        fs::remove(member("sutil_1_1_1_3"));
        if (c.first_part_member) put_bytes(member("sutil_1_1_1_3"), "x");
        r.source = c.source;
        r.own_parts = c.own_parts;
        set_parts(c.a, c.A, c.p, c.P);
        r.location_analysis_parts = c.location_A;
        r.location_portfolio_parts = c.location_P;
        EXPECT_EQ(members_to_read(), c.expected);
    }
    EXPECT_EQ(count_of(log(), "598/1330"), 1);
    // A run that reads nothing back compares nothing.
    EXPECT_EQ(rskress(con), 0);
}

TEST_F(ResultsFile, TheMemberHoldsTheHeaderAndEachResultsBlocks) {
    ASSERT_EQ(rskresw(con), 0) << log();
    const std::string b = bytes_of(member("sutil"));
    EXPECT_EQ(b.substr(0, 4), "ZOZU");
    EXPECT_EQ(b.substr(4, 32), "Results utility file    QJ 4.1  ");
    const size_t h = 4;
    EXPECT_EQ(u32_at(b, h + 48), 4096u);       // this build's state size, stored
    EXPECT_EQ(u32_at(b, h + 56), 106u);
    EXPECT_EQ(b.substr(h + 80, 13), std::string("risk_results\0", 13));
    EXPECT_EQ(u32_at(b, h + 116), 3u);
    EXPECT_EQ(u32_at(b, h + 120), 128u);
    size_t at = 4 + 128;
    EXPECT_EQ(b.substr(at, 8), "BASE""RES ");
    // Sensitivity: descriptor, "WORK" with 48 bytes, "RFS " with i16 lengths, empty "OUTV".
    const size_t d = at + 8;
    EXPECT_EQ(u32_at(b, d), 1u);
    EXPECT_EQ(b.substr(d + 4, 5), std::string("Sens\0", 5));
    EXPECT_EQ(u32_at(b, d + 36), 4u);
    EXPECT_EQ(u32_at(b, d + 40), 2u);
    EXPECT_EQ(u32_at(b, d + 52), 5u);
    EXPECT_EQ(u32_at(b, d + 56), 48u);
    EXPECT_EQ(u32_at(b, d + 76), 2u);
    at = d + 128;
    EXPECT_EQ(b.substr(at, 4), "WORK");
    double third;
    std::memcpy(&third, b.data() + at + 4 + 16, 8);
    EXPECT_EQ(third, 1.0);
    at += 4 + 48;
    EXPECT_EQ(b.substr(at, 4 + 2 + 4 + 2 + 4), std::string("RFS \4\0Spot\4\0Rate", 16));
    at += 16;
    EXPECT_EQ(b.substr(at, 8), std::string("OUTV\0\0\0\0", 8));
    at += 8;
    // Covariance simulation: "NADJ" with 2 rows of 3 counts, one factor, two output entries.
    EXPECT_EQ(b.substr(at, 4), "RES ");
    at += 4 + 128;
    EXPECT_EQ(b.substr(at, 4), "NADJ");
    EXPECT_EQ(u32_at(b, at + 4), 10u);
    EXPECT_EQ(u32_at(b, at + 4 + 20), 15u);
    at += 4 + 24;
    EXPECT_EQ(b.substr(at, 10), std::string("RFS \4\0Spot", 10));
    at += 10;
    EXPECT_EQ(b.substr(at, 8), std::string("OUTV\2\0\0\0", 8));
    at += 8;
    EXPECT_EQ(u32_at(b, at), 0u);                            // the link is meaningless: 0
    EXPECT_EQ(b.substr(at + 4, 4), std::string("\x20\0\5\0", 4));   // capacity 32, length 5
    EXPECT_EQ(b.substr(at + 12, 6), std::string("Delta\0", 6));
    at += 2 * 44;
    // Scenario: no blocks of its own, "RFS " alone, "OUTV" and 0; then the end tag.
    EXPECT_EQ(b.substr(at, 4), "RES ");
    at += 4 + 128;
    EXPECT_EQ(b.substr(at, 12), std::string("RFS OUTV\0\0\0\0", 12));
    EXPECT_EQ(b.substr(at + 12), "ZOZU");
}

TEST_F(ResultsFile, ReadingBackChecksOrAdoptsTheStoredBookkeeping) {
    run_.results_file.source = RSKRES_SOURCE_OWN;
    ASSERT_EQ(rskresw(con), 0) << log();
    // Without adopting, a run of the same configuration reads its bookkeeping back.
    for (double& w : work) w = -1;
    for (uint32_t& m : missed) m = 0;
    EXPECT_EQ(rskress(con), 0) << log();
    ASSERT_EQ(rskresr(con, 0), 0) << log();
    EXPECT_EQ(work[2], 1.0);
    EXPECT_EQ(missed[5], 15u);
    EXPECT_EQ(sens->state_counters[3], 5);
    EXPECT_EQ(sim->state_counters[1], 42);
    EXPECT_EQ(sim->outvar_max, 9);
    // A run that differs in a checked field refuses the result.
    sim->state_count = 99;
    const size_t before = log().size();
    EXPECT_EQ(rskresr(con, 0), 1);
    EXPECT_NE(log().substr(before).find("598/1326"), std::string::npos);

    // Adopting takes the ranges and the output-variable table over; the missed rows are passed.
    make_results();
    run_.results_file.states_generated = 0;
    run_.results_file.states_held = 0;
    sim->state_count = 0;
    sim->outv_head = nullptr;
    sim->missed = nullptr;
    sim->horizons = 0;
    ASSERT_EQ(rskresr(con, 1), 0) << log();
    EXPECT_EQ(sim->state_count, 100);
    EXPECT_EQ(sim->horizons, 3);
    EXPECT_EQ(sim->missed, nullptr);
    ASSERT_EQ(sim->outv_count, 2);
    EXPECT_EQ(std::string(sim->outv_head->next->name, static_cast<size_t>(sim->outv_head->next->length)), "Vega");
    EXPECT_EQ(run_.results_file.states_generated, 106);
    EXPECT_EQ(run_.results_file.states_held, 106);
}

TEST_F(ResultsFile, AChangedConfigurationIsNotReused) {
    run_.results_file.source = RSKRES_SOURCE_OWN;
    ASSERT_EQ(rskresw(con), 0) << log();
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"analysis name", [&] { call<EngineSlot::rskname>()(con, &scen->analysis->name, "Scen2", -1); }},
        {"state count", [&] { scen->state_count = 2; }},
        {"risk-factor count", [&] { add_factor(scen, "Rate"); }},
        {"first name list", [&] { add_name(&sim->analysis->conditional_head, "BOOK"); }},
        {"second name list", [&] { add_name(&sim->analysis->marginal_head, "BOOK"); }},
        {"states generated", [&] { run_.results_file.states_generated = 107; }},
    };
    for (const auto& [title, change] : changes) {
        SCOPED_TRACE(title);
        make_results();
        run_.results_file.states_generated = 106;
        ASSERT_EQ(rskress(con), 0) << log();
        change();
        const size_t before = log().size();
        EXPECT_EQ(rskress(con), 1);
        const std::string said = log().substr(before);
        EXPECT_NE(said.find("598/1339"), std::string::npos) << said;
        EXPECT_NE(said.find("598/1336"), std::string::npos) << said;
    }
    // Every member of the parts is compared, the last one too.
    make_results();
    run_.results_file.states_generated = 106;
    set_parts(1, 2, 1, 1);
    ASSERT_EQ(rskresw(con), 0);
    set_parts(2, 2, 1, 1);
    ASSERT_EQ(rskresw(con), 0);
    run_.results_file.own_parts = 2;
    EXPECT_EQ(rskress(con), 0) << log();
    scen->state_count = 3;
    set_parts(2, 2, 1, 1);
    ASSERT_EQ(rskresw(con), 0);
    scen->state_count = 1;
    EXPECT_EQ(rskress(con), 1);
    EXPECT_NE(log().find("598/1339 ERROR: The analyses of this project changed since the utility member SUTIL_2_2_1_1"),
              std::string::npos) << log();
}

TEST_F(ResultsFile, DamagedMembersAreRefusedWithAMessage) {
    run_.results_file.source = RSKRES_SOURCE_OWN;
    ASSERT_EQ(rskresw(con), 0) << log();
    const std::string good = bytes_of(member("sutil"));
    const size_t sens_at = 4 + 128 + 4;                    // "RES " of the first result
    const size_t sens_rfs = sens_at + 4 + 128 + 4 + 48;    // its "RFS "
    const size_t sim_at = sens_rfs + 16 + 8;
    const size_t sim_outv = sim_at + 4 + 128 + 28 + 10;
    auto patched = [&](size_t at, const std::string& with) {
        std::string b = good;
        b.replace(at, with.size(), with);
        return b;
    };
    struct Case {
        const char* title;
        std::string bytes;
        int code;
        const char* message;   // "" for none of its own
    };
    const Case cases[] = {
        {"title", patched(4, "Results utility fil_"), 1, "598/1334"},
        {"stamp", patched(28, "QJ 3.0"), 1, "598/1335"},
        {"start tag", patched(0, "ZOZO"), 1, "598/1323"},
        {"analysis count", patched(4 + 116, std::string("\2", 1)), 1, "598/1325"},
        {"descriptor size", patched(4 + 120, std::string("\x7f", 1)), 1, "598/1324"},
        {"base tag", patched(4 + 128, "BASX"), 1, ""},
        {"factor name over 32", patched(sens_rfs + 4, std::string("\x29\0", 2)), 1, "598/1326"},
        {"factor name empty", patched(sens_rfs + 4, std::string("\0\0", 2)), 1, "598/1326"},
        {"output count beyond the member", patched(sim_outv + 4, std::string("\xff\xff\0\0", 4)), 1, "598/1326"},
        {"missed rows beyond the member", patched(sim_at + 4 + 72, std::string("\0\0\1\0", 4)), 1, "598/1326"},
        {"cut inside the work vector", good.substr(0, sens_rfs - 7), 2, "read_result: unexpected end of file."},
        {"cut before the end tag", good.substr(0, good.size() - 4), 1, "598/1328"},
        {"a result over", good.substr(0, good.size() - 4) + good.substr(sim_at, 4) + "ZOZU", 1, "598/1328"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        put_bytes(member("sutil"), c.bytes);
        make_results();
        const size_t before = log().size();
        EXPECT_EQ(rskresr(con, 0), c.code);
        const std::string said = log().substr(before);
        EXPECT_NE(said.find(c.message), std::string::npos) << said;
        EXPECT_EQ(run_.results_file.file.open, 0);
    }
    fs::remove(member("sutil"));
    EXPECT_EQ(rskresr(con, 0), 1);
    EXPECT_NE(log().find("598/1333"), std::string::npos);
    // Every truncation is refused, never read as a shorter whole.
    for (size_t length = 0; length < good.size(); length += 5) {
        put_bytes(member("sutil"), good.substr(0, length));
        make_results();
        EXPECT_NE(rskresr(con, 0), 0) << length;
    }
}

TEST_F(ResultsFile, MembersOfAnotherMissedRowShapeAreNotMerged) {
    RSKRESRUN& r = run_.results_file;
    r.source = RSKRES_SOURCE_OWN;
    set_parts(1, 2, 1, 1);
    ASSERT_EQ(rskresw(con), 0);
    sim->horizons = 2;   // part 2 keeps rows of another length
    set_parts(2, 2, 1, 1);
    ASSERT_EQ(rskresw(con), 0);
    make_results();
    r.own_parts = 2;
    size_t before = log().size();
    EXPECT_EQ(rskresr(con, 0), 1);
    EXPECT_NE(log().substr(before).find("598/1326 ERROR: The market state utility member 2 does not match the analysis MonteCarlo"),
              std::string::npos) << log().substr(before);
    // A table sized for rows of another length is never read past its end.
    r.own_parts = 1;
    set_parts(1, 2, 1, 1);
    make_results();
    sim->missed_table_horizons = 2;
    before = log().size();
    EXPECT_EQ(rskresr(con, 0), 1);
    EXPECT_NE(log().substr(before).find("another shape"), std::string::npos) << log().substr(before);
}

TEST_F(ResultsFile, AFailedWriteKeepsTheOlderMember) {
    ASSERT_EQ(rskresw(con), 0);
    const std::string older = bytes_of(member("sutil"));
    std::vector<double> big(40000, 1.0);   // 320,000 bytes: past the file size limit below
    sens->work = big.data();
    sens->work_size = big.size() * 8;
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    void (*saved_signal)(int) = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 100000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int rc = rskresw(con);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, saved_signal);
    EXPECT_NE(rc, 0);
    EXPECT_EQ(bytes_of(member("sutil")), older);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

// A member written by an earlier build is read by this one: a change of the stored layout fails
// here. QOR_WRITE_FIXTURES=1 rewrites it.
TEST_F(ResultsFile, TheKeptMemberIsReadByThisBuild) {
    const fs::path kept = fs::path(QOR_SOURCE_DIR) / "tests/fixtures/results_file/sutil.qor7bput";
    const char* rewrite = std::getenv("QOR_WRITE_FIXTURES");
    if (rewrite != nullptr && std::string(rewrite) == "1") {
        ASSERT_EQ(rskresw(con), 0) << log();
        fs::create_directories(kept.parent_path());
        fs::copy_file(member("sutil"), kept, fs::copy_options::overwrite_existing);
    }
    fs::copy_file(kept, member("sutil"), fs::copy_options::overwrite_existing);
    run_.results_file.source = RSKRES_SOURCE_OWN;
    for (double& w : work) w = -1;
    for (uint32_t& m : missed) m = 0;
    EXPECT_EQ(rskress(con), 0) << log();
    ASSERT_EQ(rskresr(con, 0), 0) << log();
    EXPECT_EQ(work[5], 2.5);
    EXPECT_EQ(missed[0], 10u);
    EXPECT_EQ(sim->state_counters[1], 42);
}

}  // namespace
