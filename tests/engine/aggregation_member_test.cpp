// Aggregation members at the level of their records: the record lengths with and without a key,
// a member of only the header, wrong tags, a member cut inside a record, a header that does not
// fit the reader, and a member written by an earlier build read by this one.
#include <filesystem>
#include <fstream>

#include "engine/files/aggregation_file.h"
#include "host/files.h"
#include "tests/engine/aggregation_fixture.h"

namespace fs = std::filesystem;

namespace {

struct Key {
    char desk[8];
};

class AggregationMember : public AggregationEngine {
protected:
    void SetUp() override {
        AggregationEngine::SetUp();
        if (HasFatalFailure()) return;
        dir = fs::path(test_path("aggmember"));
        fs::remove_all(dir);
        fs::create_directories(dir);
        ASSERT_EQ(xhlasn2("AGGMEM", dir.c_str(), -1, nullptr), 0);
    }
    void TearDown() override {
        xhldas2("AGGMEM");
        fs::remove_all(dir);
        AggregationEngine::TearDown();
    }
    // A file record over this test's key and values, keyed or not.
    void describe(bool keyed) {
        file = RSKAGGFILE{};
        std::memcpy(file.libref, "AGGMEM  ", 8);
        std::memcpy(file.member, "AGS", 3);
        file.member_length = 3;
        file.weights = keyed ? &key : nullptr;
        file.weights_length = keyed ? static_cast<int32_t>(sizeof key) : 0;
        file.values = &values;
        file.values_length = sizeof values;
    }
    // Writes the cells (desk i, count i, sum 10 i) for i = 1..n.
    void write(bool keyed, int n) {
        describe(keyed);
        file.record_count = n;
        ASSERT_EQ(rskago(con, &file, 'O'), 0) << log();
        for (int i = 1; i <= n; ++i) {
            std::memset(key.desk, ' ', 8);
            key.desk[0] = static_cast<char>('A' + i);
            values = CountSum{static_cast<double>(i), 10.0 * i};
            ASSERT_EQ(rskagw(con, &file), 0);
        }
        ASSERT_EQ(rskagc(con, &file), 0);
    }
    // Reads every record: the codes of rskag1 up to the first non-zero one, and the sums read.
    std::vector<int> read(bool keyed, double* sum = nullptr) {
        describe(keyed);
        std::vector<int> codes;
        if (rskago(con, &file, 'I') != 0) return {-99};
        int rc = 0;
        double total = 0;
        while ((rc = rskag1(con, &file)) == 0) {
            codes.push_back(0);
            total += values.sum;
        }
        codes.push_back(rc);
        rskagc(con, &file);
        if (sum != nullptr) *sum = total;
        return codes;
    }
    fs::path path() { return dir / "ags.qor7bput"; }
    std::string bytes() {
        std::ifstream in(path(), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    void put(const std::string& b) {
        std::ofstream(path(), std::ios::binary | std::ios::trunc).write(b.data(), static_cast<std::streamsize>(b.size()));
    }

    fs::path dir;
    RSKAGGFILE file{};
    Key key{};
    CountSum values{};
};

TEST_F(AggregationMember, RecordsAreTheTagsAndTheBuffers) {
    for (bool keyed : {false, true}) {
        SCOPED_TRACE(keyed);
        write(keyed, 3);
        const size_t record = keyed ? 8 + sizeof(Key) + sizeof(CountSum) : 4 + sizeof(CountSum);
        const std::string b = bytes();
        ASSERT_EQ(b.size(), 204 + 3 * record);
        EXPECT_EQ(b.substr(204, 4), keyed ? "WEIC" : "DONE");
        double sum = 0;
        EXPECT_EQ(read(keyed, &sum), (std::vector<int>{0, 0, 0, -1}));
        EXPECT_EQ(sum, 60.0);
    }
    // A header alone is at its end at once.
    write(true, 0);
    EXPECT_EQ(read(true), (std::vector<int>{-1}));
}

TEST_F(AggregationMember, DamageIsRefusedNeverReadAsTheEnd) {
    write(true, 2);
    const std::string good = bytes();
    const size_t record = 8 + sizeof(Key) + sizeof(CountSum);
    struct Case {
        const char* title;
        std::string bytes;
        std::vector<int> codes;
        const char* message;
    };
    auto patched = [&](size_t at, const std::string& with) {
        std::string b = good;
        b.replace(at, with.size(), with);
        return b;
    };
    const Case cases[] = {
        {"weights tag", patched(204 + record, "WEIX"), {0, 1}, ""},
        {"values tag", patched(204 + 4 + sizeof(Key), "DONX"), {1}, ""},
        {"cut inside the values", good.substr(0, good.size() - 3), {0, 2}, "rskag1: unexpected end of file."},
        {"cut inside the key", good.substr(0, 204 + record + 6), {0, 2}, "rskag1: unexpected end of file."},
        {"cut inside a tag", good.substr(0, 204 + record + 2), {0, 2}, "rskag1: unexpected end of file."},
        {"title", patched(0, "Aggregation utility fil_"), {-99}, "598/1748"},
        {"stamp", patched(24, "QJ 3.0"), {-99}, "598/1748"},
        {"key length", patched(188, std::string("\x07", 1)), {-99}, "598/1748"},
        {"values length", patched(192, std::string("\x01", 1)), {-99}, "598/1748"},
        {"shorter than its header", good.substr(0, 100), {-99}, "598/1748"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        put(c.bytes);
        run_.transaction_internal_errors = 0;
        run_.aggregation.messages = 0;
        const size_t before = log().size();
        EXPECT_EQ(read(true), c.codes);
        EXPECT_NE(log().substr(before).find(c.message), std::string::npos) << log().substr(before);
    }
    // The error flag answers -1 until the file is closed.
    put(good.substr(0, good.size() - 3));
    describe(true);
    ASSERT_EQ(rskago(con, &file, 'I'), 0);
    EXPECT_EQ(rskag1(con, &file), 0);
    EXPECT_EQ(rskag1(con, &file), 2);
    EXPECT_EQ(rskag1(con, &file), -1);
    EXPECT_EQ(rskag0(con, &file), 1);
    rskagc(con, &file);
}

// A member written by an earlier build is read by this one: a change of the stored layout fails
// here. QOR_WRITE_FIXTURES=1 rewrites it.
TEST_F(AggregationMember, TheKeptMemberIsReadByThisBuild) {
    const fs::path kept = fs::path(QOR_SOURCE_DIR) / "tests/fixtures/aggregation_file/ags.qor7bput";
    const char* rewrite = std::getenv("QOR_WRITE_FIXTURES");
    if (rewrite != nullptr && std::string(rewrite) == "1") {
        write(true, 3);
        fs::create_directories(kept.parent_path());
        fs::copy_file(path(), kept, fs::copy_options::overwrite_existing);
    }
    fs::copy_file(kept, path(), fs::copy_options::overwrite_existing);
    double sum = 0;
    EXPECT_EQ(read(true, &sum), (std::vector<int>{0, 0, 0, -1})) << log();
    EXPECT_EQ(sum, 60.0);
    EXPECT_EQ(std::string(key.desk, 8), "D       ");
    EXPECT_EQ(rskag_header_word(&file, kAggFileRecordCountAt), 3u);
}

}  // namespace
