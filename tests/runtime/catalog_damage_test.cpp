// Damaged catalog files: every truncation length of interest and bit flips spread over the whole
// file. Opening, listing, reading, writing, a transaction and a replace each answer success or a
// clear catalog code with its reason; nothing crashes, hangs or answers an unknown code.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "host/catalog.h"
#include "runtime/storage/libraries.h"
#include "tests/support/scratch.h"

namespace fs = std::filesystem;

namespace {

class CatalogDamage : public ::testing::Test {
protected:
    ScratchArea scratch;
    std::string good;   // the bytes of an intact catalog
    void SetUp() override {
        scratch.open("qor_damage_");
        ASSERT_EQ(qor::runtime::assign_library("damaged", scratch.dir.string(), ""), 0);
        qor_catalog* c = nullptr;
        ASSERT_EQ(xlopen("damaged", "good", QOR_CO_UPDATE, &c), 0);
        ASSERT_EQ(qor_catalog_begin(c), 0);
        for (int i = 0; i < 40; ++i) {
            // Small entries share pages; every fifth spills over several overflow pages.
            std::string bytes(i % 5 == 0 ? 9000 + 37 * i : 20 + i, static_cast<char>('a' + i % 26));
            qor_entry* e = nullptr;
            ASSERT_EQ(xlmopen(c, "E" + std::to_string(i), "RISK13", QOR_CO_OUTPUT, &e, "description"), 0);
            ASSERT_EQ(xcwrite(e, bytes.data(), bytes.size()), 0);
            ASSERT_EQ(xcclose(e, 0), 0);
        }
        ASSERT_EQ(qor_catalog_commit(c), 0);
        xlclose(c, 0);   // the last connection folds the log into the file
        ASSERT_FALSE(fs::exists(scratch.dir / "good.qor7bcat-wal"));
        std::ifstream in(scratch.dir / "good.qor7bcat", std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        good = s.str();
        ASSERT_GT(good.size(), 60000u);
    }
    void TearDown() override {
        qor::runtime::clear_library("damaged");
        scratch.close();
    }

    void plant(const std::string& bytes) {
        for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(scratch.dir / (std::string("bad.qor7bcat") + suffix));
        std::ofstream(scratch.dir / "bad.qor7bcat", std::ios::binary) << bytes;
    }

    // Every service over the planted file; answers the first failure (0: all went through).
    // `seen` collects the codes; a failure must come with a reason naming the file.
    int exercise(std::set<uint32_t>* seen, std::string* reasons) {
        auto note = [&](int code) {
            seen->insert(static_cast<uint32_t>(code));
            if (code != 0 && code != static_cast<int>(QOR_C_END) &&
                std::string(qor_catalog_error_text()).find("bad.qor7bcat") == std::string::npos)
                *reasons += std::string("[") + qor_catalog_error_text() + "] ";
            return code;
        };
        qor_catalog* c = nullptr;
        int first = note(xlopen("damaged", "bad", QOR_CO_INPUT, &c));
        if (first != 0) return first;
        qor_member_dir* d = nullptr;
        int code = note(xldopen(c, "", &d));
        if (code == 0) {
            qor_member_info info;
            std::vector<char> buffer(1 << 16);
            while (xldread(d, &info) == 0) {
                qor_entry* e = nullptr;
                code = note(xlmopen(c, info.name, info.type, QOR_CO_INPUT, &e));
                if (code == 0) {
                    note(xcread(e, buffer.data(), buffer.size(), nullptr));
                    xcclose(e, 0);
                }
                if (code != 0 && first == 0) first = code;
            }
            xldclos(d);
        } else {
            first = code;
        }
        int64_t stamp = 0;
        code = note(qor_catalog_stamp(c, &stamp));
        if (code != 0 && first == 0) first = code;
        xlclose(c, 0);
        // Writing into it: a transaction, and a replace from it into a good catalog.
        code = note(xlopen("damaged", "bad", QOR_CO_UPDATE, &c));
        if (code == 0) {
            if (note(qor_catalog_begin(c)) == 0) {
                qor_entry* e = nullptr;
                if (note(xlmopen(c, "NEWONE", "RISK13", QOR_CO_OUTPUT, &e)) == 0) {
                    xcwrite(e, "x", 1);
                    if (note(xcclose(e, 0)) != 0) xcclose(e, QOR_CC_DISCARD);
                }
                note(qor_catalog_commit(c));
            }
            qor_catalog* copy = nullptr;
            if (note(xlopen("damaged", "copy", QOR_CO_UPDATE, &copy)) == 0) {
                note(qor_catalog_replace(copy, c));
                xlclose(copy, 0);
            }
            xlclose(c, 0);
        }
        if (code != 0 && first == 0) first = code;
        return first;
    }
};

const std::set<uint32_t> kClearAnswers = {0, QOR_C_END, QOR_C_NOT_CATALOG, QOR_C_DAMAGED, QOR_C_IO, QOR_C_NOT_FOUND};

void expect_clear(const std::set<uint32_t>& seen, const std::string& reasons, const std::string& what) {
    for (uint32_t code : seen)
        EXPECT_TRUE(kClearAnswers.count(code)) << what << " answered " << std::hex << code;
    EXPECT_EQ(reasons, "") << what << ": a failure without a reason naming the file";
}

TEST_F(CatalogDamage, TruncatedCatalogsAnswerClearly) {
    const size_t page = 4096;
    std::vector<size_t> lengths = {1, 15, 16, 99, 100, 101, 512, page - 1, page, page + 1, 2 * page,
                                   good.size() / 3, good.size() / 2, good.size() - page, good.size() - 1};
    int refused_at_open = 0;
    for (size_t length : lengths) {
        plant(good.substr(0, length));
        std::set<uint32_t> seen;
        std::string reasons;
        int first = exercise(&seen, &reasons);
        expect_clear(seen, reasons, "truncated to " + std::to_string(length));
        EXPECT_NE(first, 0) << "truncated to " << length << " went unnoticed";
        if (seen.count(QOR_C_DAMAGED) || seen.count(QOR_C_NOT_CATALOG)) ++refused_at_open;
    }
    EXPECT_EQ(refused_at_open, static_cast<int>(lengths.size()));
}

TEST_F(CatalogDamage, BitFlipsAnywhereAnswerClearly) {
    int noticed = 0, cases = 0;
    for (size_t at = 0; at < good.size(); at += 613) {
        for (unsigned char mask : {at % 2 ? 0x01 : 0x80}) {
            std::string bytes = good;
            bytes[at] = static_cast<char>(static_cast<unsigned char>(bytes[at]) ^ mask);
            plant(bytes);
            std::set<uint32_t> seen;
            std::string reasons;
            if (exercise(&seen, &reasons) != 0) ++noticed;
            expect_clear(seen, reasons, "bit flip at " + std::to_string(at));
            ++cases;
            if (::testing::Test::HasFailure()) return;
        }
    }
    // A flip inside an entry's bytes changes the entry without breaking the file; the rest of
    // the structure is checked as it is read.
    RecordProperty("noticed", noticed);
    RecordProperty("cases", cases);
    EXPECT_GT(noticed, 0);
}

}  // namespace
