// Lists in catalog entries: a full round trip through a catalog, the stored form checked byte
// for byte against a hand-made reference, and damaged, truncated or foreign stored lists.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/catalog.h"
#include "host/lists.h"
#include "host/missing.h"
#include "host/print.h"
#include "runtime/core/print_internal.h"
#include "runtime/storage/libraries.h"

namespace fs = std::filesystem;

namespace {

uint64_t bits(double x) {
    uint64_t b;
    std::memcpy(&b, &x, 8);
    return b;
}

// Bit-at-a-time CRC-32 (IEEE), independent of the table-driven one in the runtime.
uint32_t crc32_slow(const std::string& bytes) {
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string with_crc(std::string body) {
    uint32_t crc = crc32_slow(body);
    for (int i = 0; i < 4; ++i) body += static_cast<char>((crc >> (8 * i)) & 0xFF);
    return body;
}

class ListStore : public ::testing::Test {
protected:
    std::string dir;
    size_t base = 0;
    void SetUp() override {
        base = qor_list_live_count();
        dir = fs::temp_directory_path() / ("qor_lst_" + std::to_string(getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        ASSERT_EQ(qor::runtime::assign_library("lsttest", dir, ""), 0);
    }
    void TearDown() override {
        qor::runtime::clear_library("lsttest");
        fs::remove_all(dir);
        EXPECT_EQ(qor_list_live_count(), base);   // every list of the test was freed
    }
};

TEST_F(ListStore, NestedListWithLargeBinaryValueAndMissingCodesSurvives) {
    std::string big(100 * 1024, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7) % 256);   // NULs included
    const double missings[] = {qor::missing(), qor::make_missing('_'), qor::make_missing('A'),
                               qor::make_missing('Z')};
    {
        qor_list *root = nullptr, *spec = nullptr, *est = nullptr, *shared = nullptr;
        slnewl(&root, nullptr, 84);
        qor_list_id spec_id = slnewl(&spec, nullptr, 84);
        qor_list_id est_id = slnewl(&est, nullptr, 84);
        qor_list_id shared_id = slnewl(&shared, nullptr, 84);
        slinsc(root, "MODEL1", QOR_SL_APPEND, "NAME");
        slinsl(root, spec_id, QOR_SL_APPEND, "MODSPEC");
        slinsl(spec, est_id, QOR_SL_APPEND, "ESTIMATES");
        slinsc(est, big, QOR_SL_APPEND, "BLOB");
        for (double m : missings) slinsd(est, m, QOR_SL_APPEND, "M");
        slinsd(est, -0.0, QOR_SL_APPEND, "NEGZERO");
        slinsc(est, "", QOR_SL_APPEND, "");
        slinsd(shared, 42, QOR_SL_APPEND, "ANSWER");
        slinsl(spec, shared_id, QOR_SL_APPEND, "ONE");
        slinsl(est, shared_id, QOR_SL_APPEND, "TWO");
        ASSERT_EQ(slfile(root, "lsttest.envcat.model1", 'W', "MODSPEC ", "Model specification"), 0);
        sldel(root, 0);
    }
    qor_list* back = nullptr;
    slnewl(&back, nullptr, 84);
    ASSERT_EQ(slofile(back, " LSTTEST . ENVCAT . MODEL1 . MODSPEC ", 'R'), 0);
    std::string_view text;
    ASSERT_EQ(slgnc(back, "NAME", &text), 0);
    EXPECT_EQ(text, "MODEL1");
    qor_list *spec = nullptr, *est = nullptr, *one = nullptr, *two = nullptr;
    ASSERT_EQ(slgnl(back, "MODSPEC", &spec), 0);
    ASSERT_EQ(slgnl(spec, "ESTIMATES", &est), 0);
    ASSERT_EQ(slgnc(est, "BLOB", &text), 0);
    EXPECT_EQ(text, big);
    for (int i = 0; i < 4; ++i) {
        double d = 0;
        ASSERT_EQ(slitmd(est, 2 + i, &d), 0);
        EXPECT_EQ(bits(d), bits(missings[i])) << i;
    }
    double z = 1;
    ASSERT_EQ(slgnd(est, "NEGZERO", &z), 0);
    EXPECT_EQ(bits(z), bits(-0.0));
    std::string_view empty_name;
    ASSERT_EQ(slni(est, 7, &empty_name), 0);
    EXPECT_EQ(empty_name, "");
    ASSERT_EQ(slgnl(spec, "ONE", &one), 0);
    ASSERT_EQ(slgnl(est, "TWO", &two), 0);
    EXPECT_EQ(one, two);                            // still one list after the load
    double answer = 0;
    EXPECT_EQ(slgnd(one, "ANSWER", &answer), 0);
    EXPECT_EQ(answer, 42);
    sldel(back, 0);

    // The entry carries its description and type.
    qor_catalog* cat = nullptr;
    ASSERT_EQ(xlopen("LSTTEST", "ENVCAT", QOR_CO_INPUT, &cat), 0);
    qor_entry* e = nullptr;
    ASSERT_EQ(xlmopen(cat, "MODEL1", "MODSPEC", QOR_CO_INPUT, &e), 0);
    qor_member_info info;
    xlminfo(e, &info);
    EXPECT_EQ(info.description, "Model specification");
    EXPECT_GT(info.size, 100 * 1024);
    xlmclos(e, 0);
    xlclose(cat, 0);
}

const unsigned char kReference[] = {
    0x51, 0x4C, 0x53, 0x54, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
    0x4E, 0x01, 0x00, 0x58, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0x3F, 0x4C, 0x03, 0x00, 0x53,
    0x55, 0x42, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x43, 0x00, 0x00, 0x03, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x61, 0x00, 0x62, 0x73, 0x46, 0xFA, 0x20};

TEST_F(ListStore, StoredFormMatchesTheDocumentedLayout) {
    qor_list *l = nullptr, *sub = nullptr;
    slnewl(&l, nullptr, 84);
    qor_list_id sub_id = slnewl(&sub, nullptr, 84);
    slinsd(l, 1.0, QOR_SL_APPEND, "X");
    slinsl(l, sub_id, QOR_SL_APPEND, "SUB");
    slinsc(sub, std::string_view("a\0b", 3), QOR_SL_APPEND, "");
    std::string bytes;
    ASSERT_EQ(qor_list_encode(l, &bytes), 0);
    EXPECT_EQ(bytes, std::string(reinterpret_cast<const char*>(kReference), sizeof kReference));
    sldel(l, 0);
}

// Every cut of a stored list, every flipped byte and every crafted inconsistency is refused with
// a reason, and the target list keeps what it held.
TEST_F(ListStore, DamagedStoredListsAreRefused) {
    std::string good(reinterpret_cast<const char*>(kReference), sizeof kReference);
    qor_list* target = nullptr;
    slnewl(&target, nullptr, 84);
    slinsc(target, "untouched", QOR_SL_APPEND, "KEEP");
    auto refused = [&](const std::string& bytes, int code, const char* label) {
        std::string why;
        EXPECT_EQ(qor_list_decode(bytes.data(), bytes.size(), target, &why), code) << label;
        EXPECT_FALSE(why.empty()) << label;
        EXPECT_EQ(slcnt(target), 1) << label;
    };
    for (size_t cut = 0; cut < good.size(); ++cut) refused(good.substr(0, cut), QOR_SL_FORMAT, "truncated");
    for (size_t i = 0; i < good.size(); ++i) {
        std::string flipped = good;
        flipped[i] = static_cast<char>(flipped[i] ^ 0x01);
        std::string why;
        EXPECT_LT(qor_list_decode(flipped.data(), flipped.size(), target, &why), 0) << "flipped byte " << i;
    }
    std::string body = good.substr(0, good.size() - 4);
    struct { size_t at; std::string value; int code; const char* label; } crafted[] = {
        {4, std::string("\x02\x00", 2), QOR_SL_VERSION, "newer version"},
        {8, std::string("\xFF\xFF\xFF\x7F", 4), QOR_SL_FORMAT, "list count too large"},
        {12, std::string("\xFF\xFF\xFF\x0F", 4), QOR_SL_FORMAT, "item count too large"},
        {16, "Q", QOR_SL_FORMAT, "unknown item type"},
        {34, std::string("\x00\x00\x00\x00", 4), QOR_SL_FORMAT, "sublist refers back to its parent"},
        {34, std::string("\x07\x00\x00\x00", 4), QOR_SL_FORMAT, "sublist index beyond the table"},
        {45, std::string("\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 8), QOR_SL_FORMAT, "character length beyond the end"},
    };
    for (auto& c : crafted) {
        std::string bad = body;
        bad.replace(c.at, c.value.size(), c.value);
        refused(with_crc(bad), c.code, c.label);
    }
    refused(with_crc(body + "x"), QOR_SL_FORMAT, "bytes after the last list");
    refused(with_crc("XLST" + body.substr(4)), QOR_SL_FORMAT, "wrong magic");
    // The reference itself, as a check that the crafted cases differ from it only where meant.
    std::string why;
    EXPECT_EQ(qor_list_decode(good.data(), good.size(), target, &why), 0);
    EXPECT_EQ(slcnt(target), 2);
    sldel(target, 0);
}

// The lines slput writes for a list.
std::vector<std::string> printed_lines(const qor_list* list) {
    std::string log = ::testing::TempDir() + "list_print_" + std::to_string(getpid()) + ".log";
    EXPECT_EQ(qor_print_set_log_file(log.c_str()), 0);
    xplogl(1024);   // deep lines stay whole
    EXPECT_EQ(slput(list, "Printed: ", 0), 0);
    xplogl(132);
    qor_print_set_log_file(nullptr);
    std::ifstream in(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::remove(log.c_str());
    return lines;
}

// A stored list of 40 levels where each level holds the next one twice: 2^40 paths, 41 lists.
// Loading, printing and storing it again each see every list once.
TEST_F(ListStore, ListsSharedAlongEveryPathArePrintedOnceAndReferredBack) {
    const int levels = 40;
    std::string body = "QLST" + std::string("\x01\x00\x00\x00", 4);
    auto u32 = [](uint32_t v) { std::string b; for (int i = 0; i < 4; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF); return b; };
    body += u32(levels + 1);
    for (int k = 0; k < levels; ++k) {
        body += u32(2);
        for (const char* name : {"A", "B"}) body += std::string("L\x01\x00", 3) + name + u32(static_cast<uint32_t>(k + 1));
    }
    body += u32(1) + std::string("N\x00\x00", 3) + std::string("\x00\x00\x00\x00\x00\x00\x45\x40", 8);   // 42
    std::string bytes = with_crc(body);
    ASSERT_EQ(bytes.size(), 12u + 40 * 20 + 4 + 11 + 4);

    qor_list* list = nullptr;
    slnewl(&list, nullptr, 84);
    std::string why;
    ASSERT_EQ(qor_list_decode(bytes.data(), bytes.size(), list, &why), 0) << why;
    std::vector<std::string> lines = printed_lines(list);
    // The heading, two lines per level and the number at the bottom.
    ASSERT_EQ(lines.size(), 1u + 2 * levels + 1);
    EXPECT_NE(lines[0].find("Printed: (list "), std::string::npos);
    EXPECT_EQ(lines[1], "  1 A L (2 items)");
    EXPECT_EQ(lines[2], "    1 A L (2 items)");           // level 2, printed in full under 1
    EXPECT_EQ(lines[3], "      1 A L (2 items)");
    // Going back up: each B refers to the list printed under the A beside it.
    EXPECT_EQ(lines.back(), "  2 B L (2 items) = 1");
    EXPECT_EQ(lines[lines.size() - 2], "    2 B L (2 items) = 1.1");
    std::string deepest = "1";
    for (int k = 1; k < levels; ++k) deepest += ".1";
    std::string number_line = std::string(2 * (levels + 1), ' ') + "1 (no name) N 42";
    EXPECT_EQ(lines[static_cast<size_t>(levels) + 1], number_line);
    EXPECT_EQ(lines[static_cast<size_t>(levels) + 2],
              std::string(2 * levels, ' ') + "2 B L (1 items) = " + deepest);

    std::string again;
    ASSERT_EQ(qor_list_encode(list, &again), 0);
    EXPECT_EQ(again, bytes);   // stored once per list, as it came
    sldel(list, 0);
}

TEST_F(ListStore, EntriesThatHoldNoListAndBadNames) {
    qor_entry_request r;
    r.libref = "lsttest";
    r.catalog = "envcat";
    r.name = "RAW";
    r.type = "SLIST";
    r.mode = QOR_CO_OUTPUT;
    qor_entry* e = nullptr;
    ASSERT_EQ(xcopen(r, &e), 0);
    xcwrite(e, "plain bytes, not a list", 23);
    ASSERT_EQ(xcclose(e, 0), 0);
    qor_list* l = nullptr;
    slnewl(&l, nullptr, 84);
    EXPECT_EQ(slfile(l, "lsttest.envcat.raw", 'R', "SLIST"), QOR_SL_FORMAT);
    EXPECT_EQ(static_cast<uint32_t>(slfile(l, "lsttest.envcat.none", 'R', "SLIST")), QOR_C_NOT_FOUND);
    EXPECT_EQ(static_cast<uint32_t>(slfile(l, "lsttest.envcat", 'R', "SLIST")), QOR_C_BAD_REQUEST);
    EXPECT_EQ(static_cast<uint32_t>(slfile(l, "lsttest.envcat.raw", 'X', "SLIST")), QOR_C_BAD_REQUEST);
    EXPECT_LT(slfile(l, "nolib.envcat.raw", 'W', "SLIST"), 0);
    sldel(l, 0);
}

}  // namespace
