// The instrument utility file written and read back through the entry table: order, numbers,
// the stored layout's fingerprints, the information member, optional blocks, a table of damaged
// files that must each be refused, message limits, and a member pair kept from an earlier build.
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <functional>

#include "engine/files/instrument_file_layout.h"
#include "engine/model/filters/filters.h"
#include "tests/engine/instrument_file_fixture.h"

namespace {

uint32_t u32_at(const std::string& bytes, size_t at) {
    return static_cast<uint32_t>(static_cast<unsigned char>(bytes[at])) |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(bytes[at + 3])) << 24;
}

double f64_at(const std::string& bytes, size_t at) {
    double x = 0;
    std::memcpy(&x, bytes.data() + at, sizeof x);
    return x;
}

void put_u32(std::string& bytes, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(v >> (8 * i));
}

void put_i16(std::string& bytes, size_t at, int v) {
    bytes[at] = static_cast<char>(v & 0xFF);
    bytes[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

constexpr size_t kHead = 172, kRecord = 428;

}  // namespace

TEST_F(InstrumentFileTest, WrittenInstrumentsComeBackInOrderWithTheStoredLayout) {
    ASSERT_EQ(write_calls(3), 0) << log();
    const std::string data = bytes_of(member_path(false)), info = bytes_of(member_path(true));
    // Layout: the published fingerprints and stamp, the count in the information header.
    EXPECT_EQ(u32_at(data, 0), 272629u);
    EXPECT_EQ(data.substr(4, 8), "QJ 3.0  ");
    EXPECT_EQ(data[52], 'T');
    EXPECT_EQ(u32_at(data, kHead + 8), 1153830u);
    EXPECT_EQ(info[52], 'I');
    EXPECT_EQ(f64_at(info, 72), 3.0);
    EXPECT_EQ(f64_at(info, 56), f64_at(data, 56));   // one creation stamp for both members
    EXPECT_EQ(definition()->count1, 3u);
    EXPECT_EQ(definition()->count2, 1u);

    int last = 0;
    const size_t at = listing().size();
    std::vector<double> strikes = read_all(&last);
    EXPECT_EQ(last, -1) << log();
    EXPECT_EQ(strikes, (std::vector<double>{101, 102, 103}));
    EXPECT_EQ(num(con->system_variables->inst_number), 3.0);
    EXPECT_EQ(num(con->system_variables->inst_total), 3.0);
    EXPECT_EQ(text(con->system_variables->inst_id), "I3");
    EXPECT_EQ(text(con->system_variables->inst_source), "desk-a");
    EXPECT_EQ(text(variable("desk")), "fx1");
    EXPECT_EQ(num(variable("maturity")), 10.3);
    // The information member names the type used, and the value list of the character variable
    // holds its distinct values sorted.
    EXPECT_EQ(file_.types_used, 1);
    RSKVARIABLE* desk = variable("desk");
    ASSERT_EQ(desk->value_count, 3);
    EXPECT_EQ(std::string(desk->values, 24), "fx0     fx1     fx2     ");
    // A rewind reads the same instruments again.
    EXPECT_EQ(engine_routine<EngineSlot::rsktra0>()(con, &file_, 0), 0);
    RSKINSTTYPE* t = nullptr;
    EXPECT_EQ(engine_routine<EngineSlot::rsktra1>()(con, &file_, &t), 0);
    EXPECT_EQ(t, type("Call"));
    EXPECT_EQ(num(variable("strike")), 101.0);
    EXPECT_EQ(rsktrip(con, &file_), 0);
    const std::string printed = listing_since(at);
    EXPECT_NE(printed.find("598/1837"), std::string::npos) << printed;
    EXPECT_NE(printed.find("fx0 fx1 fx2"), std::string::npos) << printed;
}

TEST_F(InstrumentFileTest, UsedTypesAndRangesAndAnEmptyFile) {
    ASSERT_EQ(open('O'), 0) << log();
    for (int i = 1; i <= 6; ++i) ASSERT_EQ(write_one(i % 2 ? "Call" : "Put", "P" + std::to_string(i), i), 0) << log();
    ASSERT_EQ(engine_routine<EngineSlot::rsktriw>()(con, &file_), 0) << log();
    close();
    EXPECT_EQ(definition()->count2, 2u);
    // With a range, reading starts at the first and ends after the last.
    file_.ranged = 1;
    file_.first = 2;
    file_.last = 4;
    int last = 0;
    EXPECT_EQ(read_all(&last), (std::vector<double>{2, 3, 4}));
    EXPECT_EQ(last, -1);
    close();
    file_.ranged = 0;
    // Without values the information member is read up to the buffer-size record only.
    variable("desk")->value_count = 0;
    EXPECT_EQ(open('I'), 0);
    EXPECT_EQ(rsktrir(con, &file_, 0), 0);
    EXPECT_EQ(variable("desk")->value_count, 0);
    close();
    // An output file closed without its information member leaves no member behind.
    ASSERT_EQ(define_file("scrap"), 0);
    ASSERT_EQ(open('O'), 0);
    ASSERT_EQ(write_one("Call", "X", 1), 0);
    close();
    EXPECT_FALSE(std::filesystem::exists(member_path(false)));
    EXPECT_FALSE(std::filesystem::exists(member_path(true)));
}

TEST_F(InstrumentFileTest, QuadraticAndCashFlowBlocksRoundTrip) {
    RSKSYSVARS* sv = con->system_variables;
    ASSERT_EQ(open('O'), 0) << log();
    // Quadratic: N = 2, factors "r1" and "r2", centres, base, derivatives and a triangle.
    RSKINSTTYPE* quad = type("Quad");
    engine_routine<EngineSlot::rsktrai>()(con, quad);
    set_char(sv->inst_id, "Q1");
    auto* q = static_cast<unsigned char*>(sv->quad_value->value);
    const uint32_t n = 2;
    std::memcpy(q, &n, 4);
    std::memcpy(q + 8, "r1", 2);
    std::memcpy(q + 48, "r2", 2);
    const double numbers[] = {1.5, 2.5, 10.0, 0.1, 0.2, 0.01, 0.02, 0.03};   // centres, base, firsts, triangle
    std::memcpy(q + 8 + 80, numbers, sizeof numbers);
    ASSERT_EQ(engine_routine<EngineSlot::rsktraw>()(con, &file_, 0, quad), 0) << log();
    // Cash flows: M = 3.
    RSKINSTTYPE* flows = type("Flows");
    engine_routine<EngineSlot::rsktrai>()(con, flows);
    set_char(sv->inst_id, "F1");
    set_char(variable("ccy"), "EUR");
    auto* c = static_cast<unsigned char*>(sv->cash_flows->value);
    const uint32_t m = 3;
    std::memcpy(c, &m, 4);
    std::memcpy(c + 8, "usdEURchf", 9);
    const double flow_numbers[] = {20000, 20365, 20730, 5, 5, 105};
    std::memcpy(c + 17, flow_numbers, sizeof flow_numbers);
    ASSERT_EQ(engine_routine<EngineSlot::rsktraw>()(con, &file_, 0, flows), 0) << log();
    ASSERT_EQ(engine_routine<EngineSlot::rsktriw>()(con, &file_), 0) << log();
    close();
    const std::string data = bytes_of(member_path(false));
    // The stored blocks: 12 + 64N + 4N(N+1) and 4 + 19M bytes, with the extra N second
    // derivatives written 0.
    EXPECT_EQ(u32_at(data, kHead + 368), 12u + 64 * 2 + 4 * 2 * 3);
    EXPECT_EQ(u32_at(data, kHead + 360), 2u);

    std::memset(q, 0, tran_quad_storage(16));
    std::memset(c, 0, tran_cash_storage(16));
    EXPECT_EQ(open('I'), 0) << log();
    RSKINSTTYPE* t = nullptr;
    ASSERT_EQ(engine_routine<EngineSlot::rsktra1>()(con, &file_, &t), 0) << log();
    EXPECT_EQ(t, quad);
    EXPECT_EQ(tran_entries(sv->quad_value), 2u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(q + 48), 2), "r2");
    double back[8];
    std::memcpy(back, q + 8 + 80, sizeof back);
    EXPECT_EQ(std::vector<double>(back, back + 8), std::vector<double>(numbers, numbers + 8));
    ASSERT_EQ(engine_routine<EngineSlot::rsktra1>()(con, &file_, &t), 0) << log();
    EXPECT_EQ(tran_entries(sv->cash_flows), 3u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(c + 8), 9), "usdEURchf");
    double flows_back[6];
    std::memcpy(flows_back, c + 17, sizeof flows_back);
    EXPECT_EQ(std::vector<double>(flows_back, flows_back + 6), std::vector<double>(flow_numbers, flow_numbers + 6));
    // The currencies joined the cash-flow value list upper-cased and sorted.
    EXPECT_EQ(rsktrir(con, &file_, 1), 0) << log();
    ASSERT_EQ(sv->cash_flows->value_count, 3);
    EXPECT_EQ(std::string(sv->cash_flows->values, 9), "CHFEURUSD");
}

TEST_F(InstrumentFileTest, DamagedFilesAreRefusedWithTheirMessage) {
    ASSERT_EQ(write_calls(2), 0) << log();
    const std::string data = bytes_of(member_path(false)), info = bytes_of(member_path(true));
    const size_t value_length = u32_at(data, kHead + 4);
    ASSERT_GT(value_length, 8u);
    const size_t second = kHead + kRecord + value_length;
    ASSERT_EQ(data.size(), second + kRecord + value_length);
    // The information member: header, one type record, the buffer-size record, then lists.
    const size_t bufsize_record = kHead + kRecord;
    const size_t first_list = bufsize_record + kRecord;
    ASSERT_EQ(u32_at(info, bufsize_record), 4u);

    struct Mutation {
        const char* what;
        std::function<void(std::string& data, std::string& info)> apply;
        const char* message;
    };
    const Mutation cases[] = {
        {"flipped header byte", [](std::string& d, std::string&) { d[1] ^= 0x40; }, "598/1740"},
        {"other stamp", [](std::string& d, std::string&) { d.replace(4, 8, "QJ 2.0  "); }, "598/1742"},
        {"other definition name", [](std::string& d, std::string&) { d[12 + 8] = 'X'; }, "598/1746"},
        {"record fingerprint", [](std::string& d, std::string&) { put_u32(d, kHead + 8, 1153831); }, "598/1777"},
        {"type-name length 0", [](std::string& d, std::string&) { put_i16(d, kHead + 18, 0); }, "598/1702"},
        {"type-name length 33", [](std::string& d, std::string&) { put_i16(d, kHead + 18, 33); }, "598/1702"},
        {"unknown type", [](std::string& d, std::string&) { d[kHead + 24] = 'Z'; }, "598/1703"},
        {"value length", [=](std::string& d, std::string&) { put_u32(d, kHead + 4, value_length - 8); }, "598/1704"},
        {"layout checksum", [](std::string& d, std::string&) { d[kHead + 12] ^= 1; }, "598/1705"},
        {"InstID length 300", [](std::string& d, std::string&) { put_i16(d, kHead + 58, 300); }, "598/1702"},
        {"InstSource length 40", [](std::string& d, std::string&) { put_i16(d, kHead + 322, 40); }, "598/1702"},
        {"block length not its count", [](std::string& d, std::string&) { put_u32(d, kHead + 372, 23); put_u32(d, kHead + 360, 2); }, "598/1702"},
        {"block longer than the file", [](std::string& d, std::string&) { put_u32(d, kHead + 372, 4 + 19 * 100); put_u32(d, kHead + 360, 100); }, "598/1702"},
        {"cut inside a record", [=](std::string& d, std::string&) { d.resize(second + 100); }, "unexpected end of file"},
        {"cut at a record boundary", [=](std::string& d, std::string&) { d.resize(second); }, "598/1706"},
        {"value list before the buffer size", [=](std::string&, std::string& i) {
             // the type-4 record moved behind the first list: swap it with the first list's record
             std::string list = i.substr(first_list, kRecord);
             std::string bufsize = i.substr(bufsize_record, kRecord);
             i.replace(bufsize_record, kRecord, list);
             i.replace(first_list, kRecord, bufsize);
         }, "598/1764"},
        {"value list longer than the buffer size", [=](std::string&, std::string& i) { put_u32(i, bufsize_record + 4, 1); }, "598/1764"},
        {"information member cut", [=](std::string&, std::string& i) { i.resize(first_list + kRecord + 2); }, "598/1764"},
        {"members of two writes", [](std::string& d, std::string&) { d[56] ^= 1; }, "598/1758"},
    };
    for (const Mutation& c : cases) {
        SCOPED_TRACE(c.what);
        std::string d = data, i = info;
        c.apply(d, i);
        put_bytes(member_path(false), d);
        put_bytes(member_path(true), i);
        const size_t before = log().size();
        int last = 0;
        read_all(&last);
        EXPECT_NE(last, 0);
        EXPECT_NE(last, -1);
        EXPECT_NE(log().find(c.message, before), std::string::npos) << log().substr(before);
        // A file that failed keeps failing: no loop over positions ends as if it were complete.
        if (file_.open && file_.instruments != nullptr) {
            EXPECT_EQ(engine_routine<EngineSlot::rsktra1>()(con, &file_, nullptr), 2);
        }
        close();
        con->run_block->transaction_internal_errors = 0;
    }
}

TEST_F(InstrumentFileTest, DuplicateIdentifiersAndUndefinedCurrenciesAreReportedUnderTheirLimits) {
    ASSERT_EQ(open('O'), 0) << log();
    const size_t before = log().size();
    // One identifier 25 times, trailing blanks differing: all written, 20 reported, then the close.
    for (int i = 0; i < 25; ++i) ASSERT_EQ(write_one("Call", std::string("DUP") + std::string(i % 3, ' '), i), 0);
    std::string said = log().substr(before);
    EXPECT_EQ(count_of(said, "598/1721"), 20);
    EXPECT_EQ(count_of(said, "598/1722"), 1);
    EXPECT_EQ(file_.written, 25.0);
    // 45 instruments with a currency that is not defined: 40 detailed, one closing message.
    const size_t at = log().size();
    int unresolved = 0;
    for (int i = 0; i < 45; ++i) unresolved += write_one("Call", "C" + std::to_string(i), i, "QQQ") == 2;
    EXPECT_EQ(unresolved, 45);
    said = log().substr(at);
    EXPECT_EQ(count_of(said, "598/1717"), 40);
    EXPECT_EQ(count_of(said, "598/1718"), 1);
    EXPECT_EQ(file_.written, 25.0);
    close();
}

TEST_F(InstrumentFileTest, ATypeWithBothBlocksIsRefused) {
    RSKINSTTYPE* both = define_type("Both", "", 1, 1);
    add_vars(both, {"strike"});
    ASSERT_EQ(init(both), 0) << log();
    ASSERT_EQ(open('O'), 0) << log();
    const size_t before = log().size();
    EXPECT_EQ(write_one("Both", "B1", 1), 2);
    EXPECT_EQ(write_one("Both", "B2", 2), 2);
    EXPECT_EQ(count_of(log().substr(before), "598/1760"), 1);
    EXPECT_EQ(file_.written, 0.0);
    close();
}

// A member pair written by an earlier build is read by this one: a change of the stored layout
// (header, record, value record of the types above) fails here. QOR_WRITE_FIXTURES=1 rewrites it.
TEST_F(InstrumentFileTest, TheKeptMemberPairIsReadByThisBuild) {
    const std::filesystem::path kept = std::filesystem::path(QOR_SOURCE_DIR) / "tests/fixtures/instrument_file";
    const char* rewrite = std::getenv("QOR_WRITE_FIXTURES");
    if (rewrite != nullptr && std::string(rewrite) == "1") {
        con->no_date = 1;
        ASSERT_EQ(write_calls(3), 0) << log();
        std::filesystem::copy_file(member_path(false), kept / member_path(false).filename(),
                                   std::filesystem::copy_options::overwrite_existing);
        std::filesystem::copy_file(member_path(true), kept / member_path(true).filename(),
                                   std::filesystem::copy_options::overwrite_existing);
    }
    std::filesystem::create_directories(files_);
    for (bool information : {false, true})
        std::filesystem::copy_file(kept / member_path(information).filename(), member_path(information),
                                   std::filesystem::copy_options::overwrite_existing);
    int last = 0;
    EXPECT_EQ(read_all(&last), (std::vector<double>{101, 102, 103})) << log();
    EXPECT_EQ(last, -1) << log();
    EXPECT_EQ(text(variable("desk")), "fx1");
    EXPECT_EQ(num(variable("maturity")), 10.3);
    EXPECT_EQ(text(variable("ccy")), "USD");
    EXPECT_EQ(variable("desk")->value_count, 3);
}

// Each allocation of writing and reading a file fails in turn: the step that met it answers
// non-zero after its out-of-memory message (or the failure was absorbed and the file is whole),
// nothing crashes, and a write that failed leaves no member behind.
TEST_F(InstrumentFileTest, EveryAllocationThatFailsIsReported) {
    auto write_and_read = [this](int* failed_step) {
        *failed_step = 0;
        if (open('O') != 0) return *failed_step = 1;
        for (int i = 1; i <= 3; ++i)
            if (write_one("Call", "I" + std::to_string(i), 100.0 + i) != 0) return close(), *failed_step = 2;
        if (engine_routine<EngineSlot::rsktriw>()(con, &file_) != 0) return close(), *failed_step = 3;
        close();
        int last = 0;
        if (read_all(&last).size() != 3 || last != -1) return close(), *failed_step = 4;
        close();
        return 0;
    };
    long n = 1;
    int reported = 0;
    for (; n < 400; ++n) {
        std::filesystem::remove_all(files_);
        con->no_memory_reported = 0;
        const size_t before = log().size();
        int step = 0;
        qor_pool_fail_nth(n);
        const int rc = write_and_read(&step);
        const long left = qor_pool_fail_nth(0);
        const std::string said = log().substr(before);
        if (left != 0) {
            EXPECT_EQ(rc, 0) << said;
            break;
        }
        SCOPED_TRACE("allocation " + std::to_string(n) + " step " + std::to_string(step));
        // A look-up that could not get its probe is retried by the insertion: such a failure is
        // absorbed, and the whole file was then written and read back.
        if (rc == 0) continue;
        ++reported;
        EXPECT_TRUE(said.find("598/2797") != std::string::npos || said.find("598/1780") != std::string::npos ||
                    said.find("598/500") != std::string::npos)
            << said;
        if (step >= 1 && step <= 3) {
            EXPECT_FALSE(std::filesystem::exists(member_path(false)));
        }
    }
    EXPECT_GT(reported, 3);
    EXPECT_LT(n, 400);
}

TEST_F(InstrumentFileTest, DeletingSetsAsideMembersOutsideTheEnvironment) {
    ASSERT_EQ(write_calls(2), 0) << log();
    const std::string data = member_path(false).filename(), info = member_path(true).filename();
    ASSERT_EQ(engine_routine<EngineSlot::rsktrad>()(con, object_), 0) << log();
    EXPECT_FALSE(std::filesystem::exists(files_ / data));
    EXPECT_FALSE(std::filesystem::exists(files_ / info));
    const std::filesystem::path scratch(std::string(con->scratch_path, static_cast<size_t>(con->scratch_length)));
    EXPECT_TRUE(std::filesystem::exists(scratch / data));
    EXPECT_TRUE(std::filesystem::exists(scratch / info));
    EXPECT_EQ(con->pending_files, 1);
}

// A write that the file system refuses (here: a file-size limit) fails rsktriw with 2; the file
// written before under that name stays whole and readable.
TEST_F(InstrumentFileTest, AWriteFailureKeepsTheOlderFile) {
    ASSERT_EQ(write_calls(3), 0) << log();
    RSKINSTTYPE* call = type("Call");   // looked up before the limit: the catalog is a file too
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    void (*saved_signal)(int) = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 2000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    ASSERT_EQ(open('O'), 0) << log();
    for (int i = 1; i <= 10; ++i) EXPECT_EQ(write_one(call, "N" + std::to_string(i), i), 0) << log();
    const int rc = engine_routine<EngineSlot::rsktriw>()(con, &file_);
    close();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, saved_signal);
    EXPECT_EQ(rc, 2);
    int last = 0;
    EXPECT_EQ(read_all(&last), (std::vector<double>{101, 102, 103})) << log();
    EXPECT_EQ(last, -1);
}

// Instruments that the file's filter rejects are not written and leave InstNumber as it was.
TEST_F(InstrumentFileTest, FilteredInstrumentsAreNotWritten) {
    RSKNAMEREC key = name_of("big");
    RSKCATOBJ* filter_object = nullptr;
    ASSERT_EQ(engine_routine<EngineSlot::rskwhrd>()(con, &filter_object, &key, nullptr, nullptr), 0) << log();
    const std::string text = "strike > 102";
    RSKNAMEREC expression{0, static_cast<uint16_t>(text.size()), const_cast<char*>(text.data())};
    ASSERT_EQ(engine_routine<EngineSlot::rskwhra>()(con, static_cast<RSKFILTER*>(filter_object->object), &expression,
                                                    RSKWHR_AND), 0);
    ASSERT_EQ(open('O'), 0) << log();
    ASSERT_EQ(engine_routine<EngineSlot::rsktraf>()(con, &file_, &key, 1), 0) << log();
    const int expected[] = {1, 1, 0, 0};
    const double numbers[] = {0, 0, 1, 2};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(write_one("Call", "F" + std::to_string(i), 101 + i), expected[i]) << i;
        EXPECT_EQ(num(con->system_variables->inst_number), numbers[i]) << i;
    }
    // A filter that is not defined is reported and refused.
    RSKNAMEREC missing = name_of("nowhere");
    const size_t before = log().size();
    EXPECT_EQ(engine_routine<EngineSlot::rsktraf>()(con, &file_, &missing, 1), 1);
    EXPECT_NE(log().find("598/1313", before), std::string::npos);
    ASSERT_EQ(engine_routine<EngineSlot::rsktriw>()(con, &file_), 0) << log();
    close();
    int last = 0;
    EXPECT_EQ(read_all(&last), (std::vector<double>{103, 104})) << log();
}
