// Catalog files and entry byte I/O: round trips, positions and the end of an entry, transactions
// at close, directories and member services, utility members, and catalog files that are bad.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/catalog.h"
#include "runtime/storage/catalog_internal.h"
#include "runtime/storage/libraries.h"

namespace fs = std::filesystem;

namespace {

class Catalog : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override {
        dir = fs::temp_directory_path() / ("qor_cat_" + std::to_string(getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        ASSERT_EQ(qor::runtime::assign_library("cattest", dir, ""), 0);
    }
    void TearDown() override {
        qor::runtime::clear_library("cattest");
        fs::remove_all(dir);
    }
    static qor_entry_request request(std::string_view name, std::string_view type, uint32_t mode,
                                     std::string_view catalog = "envcat") {
        qor_entry_request r;
        r.libref = "CATTEST ";
        r.catalog = catalog;
        r.name = name;
        r.type = type;
        r.mode = mode;
        return r;
    }
    // Writes the whole content as a new entry.
    static int put(std::string_view name, std::string_view type, const std::string& bytes,
                   std::string_view description = {}) {
        qor_entry_request r = request(name, type, QOR_CO_OUTPUT);
        r.description = description;
        qor_entry* e = nullptr;
        int code = xcopen(r, &e);
        if (code != 0) return code;
        code = xcwrite(e, bytes.data(), bytes.size());
        int closed = xcclose(e, 0);
        return code != 0 ? code : closed;
    }
    static std::string get(std::string_view name, std::string_view type) {
        qor_entry* e = nullptr;
        if (xcopen(request(name, type, QOR_CO_INPUT), &e) != 0) return "<absent>";
        qor_member_info info;
        xlminfo(e, &info);
        std::string out(static_cast<size_t>(info.size), '\0');
        size_t got = 0;
        xcread(e, out.data(), out.size(), &got);
        xcclose(e, 0);
        return out.substr(0, got);
    }
};

TEST_F(Catalog, EntryRoundTripAndReadsAtTheEnd) {
    std::string bytes("abc\0def\xff", 8);
    ASSERT_EQ(put("Rates", "risk13", bytes, "Variable Definitions List"), 0);
    EXPECT_TRUE(fs::exists(dir + "/envcat.qor7bcat"));
    qor_entry* e = nullptr;
    ASSERT_EQ(xcopen(request(" rates ", "RISK13  ", QOR_CO_INPUT), &e), 0);
    qor_member_info info;
    ASSERT_EQ(xlminfo(e, &info), 0);
    EXPECT_EQ(info.name, "RATES");
    EXPECT_EQ(info.type, "RISK13");
    EXPECT_EQ(info.description, "Variable Definitions List");
    EXPECT_EQ(info.size, 8);
    char buffer[16];
    size_t got = 99;
    ASSERT_EQ(xcpoint(e, 5), 0);
    EXPECT_EQ(xcread(e, buffer, 3, &got), 0);
    EXPECT_EQ(std::string(buffer, got), "ef\xff");
    int64_t at = -1;
    EXPECT_EQ(xcnote(e, &at), 0);
    EXPECT_EQ(at, 8);
    EXPECT_EQ(xcread(e, buffer, 1, &got), static_cast<int>(QOR_C_END));   // exactly at the end
    EXPECT_EQ(got, 0u);
    ASSERT_EQ(xcpoint(e, 6), 0);
    EXPECT_EQ(xcread(e, buffer, 10, &got), static_cast<int>(QOR_C_END));  // fewer than asked
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(xcread(e, buffer, 0, &got), 0);                             // nothing asked, nothing missing
    EXPECT_EQ(xcpoint(e, 9), static_cast<int>(QOR_C_POSITION));
    EXPECT_EQ(xcpoint(e, -1), static_cast<int>(QOR_C_POSITION));
    EXPECT_EQ(xcwrite(e, "x", 1), static_cast<int>(QOR_C_READ_ONLY));
    EXPECT_EQ(xcclose(e, 0), 0);
    EXPECT_EQ(get("RATES", "RISK13"), bytes);
}

TEST_F(Catalog, UpdateOverwritesInsideAndExtendsAtTheEnd) {
    ASSERT_EQ(put("m", "SOURCE", "0123456789"), 0);
    qor_entry* e = nullptr;
    ASSERT_EQ(xcopen(request("M", "SOURCE", QOR_CO_UPDATE), &e), 0);
    ASSERT_EQ(xcpoint(e, 8), 0);
    ASSERT_EQ(xcwrite(e, "abcd", 4), 0);
    EXPECT_EQ(get("M", "SOURCE"), "0123456789");   // nothing is visible before the close
    ASSERT_EQ(xcclose(e, 0), 0);
    EXPECT_EQ(get("M", "SOURCE"), "01234567abcd");
    // Update of a missing entry creates it; output replaces the content.
    ASSERT_EQ(xcopen(request("NEW", "SOURCE", QOR_CO_UPDATE | QOR_CO_CREATE), &e), 0);
    ASSERT_EQ(xcclose(e, 0), 0);
    EXPECT_EQ(get("NEW", "SOURCE"), "");
    ASSERT_EQ(put("M", "SOURCE", "xy"), 0);
    EXPECT_EQ(get("M", "SOURCE"), "xy");
}

TEST_F(Catalog, DiscardedCloseLeavesThePreviousEntry) {
    ASSERT_EQ(put("KEEP", "MODSPEC", "old content"), 0);
    qor_entry* e = nullptr;
    ASSERT_EQ(xcopen(request("KEEP", "MODSPEC", QOR_CO_OUTPUT), &e), 0);
    ASSERT_EQ(xcwrite(e, "half", 4), 0);
    ASSERT_EQ(xcclose(e, QOR_CC_DISCARD), 0);
    EXPECT_EQ(get("KEEP", "MODSPEC"), "old content");
}

TEST_F(Catalog, RequestsThatAreRefused) {
    qor_entry* e = reinterpret_cast<qor_entry*>(1);
    static const std::string too_long(33, 'A');
    struct { qor_entry_request r; uint32_t code; } cases[] = {
        {request("ABSENT", "SLIST", QOR_CO_INPUT), QOR_C_NOT_FOUND},
        {request("1BAD", "SLIST", QOR_CO_OUTPUT), QOR_C_BAD_REQUEST},
        {request("A.B", "SLIST", QOR_CO_OUTPUT), QOR_C_BAD_REQUEST},
        {request(too_long, "SLIST", QOR_CO_OUTPUT), QOR_C_BAD_REQUEST},
        {request("OK", "TOOLONGTYPE", QOR_CO_OUTPUT), QOR_C_BAD_REQUEST},
        {request("OK", "", QOR_CO_OUTPUT), QOR_C_BAD_REQUEST},
        {request("OK", "SLIST", 5), QOR_C_BAD_REQUEST},
        {request("OK", "SLIST", QOR_CO_OUTPUT, "../escape"), QOR_C_BAD_REQUEST},
        {request("OK", "UTILITY", QOR_CO_INPUT), QOR_C_NOT_FOUND},
    };
    for (auto& c : cases) {
        EXPECT_EQ(static_cast<uint32_t>(xcopen(c.r, &e)), c.code) << c.r.name << " " << c.r.type;
        EXPECT_EQ(e, nullptr);
    }
    qor_entry_request unassigned = request("OK", "SLIST", QOR_CO_OUTPUT);
    unassigned.libref = "NOLIB";
    EXPECT_EQ(static_cast<uint32_t>(xcopen(unassigned, &e)), QOR_C_NO_LIBRARY);
    EXPECT_EQ(static_cast<uint32_t>(xcpoint(nullptr, 0)), QOR_C_NULL);
    EXPECT_EQ(static_cast<uint32_t>(xcclose(nullptr, 0)), QOR_C_NULL);
}

TEST_F(Catalog, DirectoryCopyRenameDelete) {
    ASSERT_EQ(put("BETA", "RISK13", "b", "second"), 0);
    ASSERT_EQ(put("ALPHA", "RISK13", "aa", "first"), 0);
    ASSERT_EQ(put("ALPHA", "SLIST", "s"), 0);
    qor_catalog* cat = nullptr;
    ASSERT_EQ(xlopen("cattest", "ENVCAT", QOR_CO_UPDATE, &cat), 0);
    auto names = [&](std::string_view type) {
        qor_member_dir* d = nullptr;
        std::vector<std::string> out;
        EXPECT_EQ(xldopen(cat, type, &d), 0);
        qor_member_info info;
        while (xldread(d, &info) == 0) out.push_back(info.name + "." + info.type + ":" + std::to_string(info.size));
        EXPECT_EQ(xldread(d, &info), static_cast<int>(QOR_C_END));
        xldclos(d);
        return out;
    };
    EXPECT_EQ(names("        "), (std::vector<std::string>{"ALPHA.RISK13:2", "ALPHA.SLIST:1", "BETA.RISK13:1"}));
    EXPECT_EQ(names("risk13"), (std::vector<std::string>{"ALPHA.RISK13:2", "BETA.RISK13:1"}));

    EXPECT_EQ(xlmfind(cat, "alpha", "SLIST"), 0);
    EXPECT_EQ(static_cast<uint32_t>(xlmfind(cat, "GAMMA", "SLIST")), QOR_C_NOT_FOUND);
    EXPECT_EQ(static_cast<uint32_t>(xlmcopy(cat, "ALPHA", "RISK13", cat, "BETA", 0)), QOR_C_EXISTS);
    EXPECT_EQ(get("BETA", "RISK13"), "b");
    EXPECT_EQ(xlmcopy(cat, "ALPHA", "RISK13", cat, "BETA", QOR_LM_REPLACE), 0);
    EXPECT_EQ(get("BETA", "RISK13"), "aa");
    EXPECT_EQ(static_cast<uint32_t>(xlmcopy(cat, "NONE", "RISK13", cat, "X", 0)), QOR_C_NOT_FOUND);

    qor_catalog* other = nullptr;
    ASSERT_EQ(xlopen("cattest", "other", QOR_CO_UPDATE, &other), 0);
    EXPECT_EQ(xlmcopy(cat, "ALPHA", "SLIST", other, "ALPHA", 0), 0);
    EXPECT_EQ(xlmfind(other, "ALPHA", "SLIST"), 0);

    EXPECT_EQ(static_cast<uint32_t>(xlmrenm(cat, "ALPHA", "RISK13", "BETA")), QOR_C_EXISTS);
    EXPECT_EQ(xlmrenm(cat, "ALPHA", "RISK13", "GAMMA"), 0);
    EXPECT_EQ(get("GAMMA", "RISK13"), "aa");
    EXPECT_EQ(static_cast<uint32_t>(xlmrenm(cat, "ALPHA", "RISK13", "DELTA")), QOR_C_NOT_FOUND);
    EXPECT_EQ(xlmdele(cat, "GAMMA", "RISK13"), 0);
    EXPECT_EQ(static_cast<uint32_t>(xlmdele(cat, "GAMMA", "RISK13")), QOR_C_NOT_FOUND);
    EXPECT_EQ(names(""), (std::vector<std::string>{"ALPHA.SLIST:1", "BETA.RISK13:2"}));

    // Text records through xlmopen; a catalog opened for input refuses writes.
    qor_entry* e = nullptr;
    ASSERT_EQ(xlmopen(cat, "PROG", "SOURCE", QOR_CO_OUTPUT, &e, "source text"), 0);
    EXPECT_EQ(xlmwrit(e, " x = 1;"), 0);
    EXPECT_EQ(xlmwrit(e, " y = 2;"), 0);
    EXPECT_EQ(xlmclos(e, 0), 0);
    EXPECT_EQ(get("PROG", "SOURCE"), " x = 1;\n y = 2;\n");
    qor_catalog* input = nullptr;
    ASSERT_EQ(xlopen("cattest", "envcat", QOR_CO_INPUT, &input), 0);
    EXPECT_EQ(static_cast<uint32_t>(xlmopen(input, "PROG", "SOURCE", QOR_CO_UPDATE, &e)), QOR_C_READ_ONLY);
    EXPECT_EQ(static_cast<uint32_t>(xlmdele(input, "PROG", "SOURCE")), QOR_C_READ_ONLY);
    xlclose(input, 0);
    EXPECT_EQ(static_cast<uint32_t>(xlopen("cattest", "nocat", QOR_CO_INPUT, &input)), QOR_C_NOT_FOUND);
    EXPECT_EQ(input, nullptr);
    xlclose(other, 0);
    xlclose(cat, 0);
}

TEST_F(Catalog, TimesKeepCreationAndFractionsOfASecond) {
    ASSERT_EQ(put("T", "SLIST", "1"), 0);
    usleep(20000);
    ASSERT_EQ(put("T", "SLIST", "2"), 0);
    qor_catalog* cat = nullptr;
    ASSERT_EQ(xlopen("cattest", "envcat", QOR_CO_INPUT, &cat), 0);
    qor_member_dir* d = nullptr;
    ASSERT_EQ(xldopen(cat, "SLIST", &d), 0);
    qor_member_info info;
    ASSERT_EQ(xldread(d, &info), 0);
    double gap = info.modified - info.created;
    EXPECT_GT(gap, 0.015);
    EXPECT_LT(gap, 5.0);
    // A host date-time: seconds since 1960, so today is well past 1.9e9.
    EXPECT_GT(info.created, 1.9e9);
    xldclos(d);
    xlclose(cat, 0);
}

TEST_F(Catalog, TemporaryEntriesVanishAtClose) {
    std::string work = qor::runtime::library_directory("WORK");
    auto files_in_work = [&] { return std::distance(fs::directory_iterator(work), fs::directory_iterator()); };
    auto before = files_in_work();
    for (std::string_view type : {"UTILITY ", "SLIST"}) {
        qor_entry_request r;
        r.type = type;
        r.mode = 0x82000008;   // temporary update stream, no name
        qor_entry* e = nullptr;
        ASSERT_EQ(xcopen(r, &e), 0) << type;
        std::vector<char> block(3000, 'q');
        ASSERT_EQ(xcwrite(e, block.data(), block.size()), 0);
        ASSERT_EQ(xcpoint(e, 0), 0);
        std::vector<char> back(4000);
        size_t got = 0;
        EXPECT_EQ(xcread(e, back.data(), back.size(), &got), static_cast<int>(QOR_C_END));
        EXPECT_EQ(got, 3000u);
        EXPECT_EQ(files_in_work(), before);
        EXPECT_EQ(xcclose(e, 1), 0);
    }
    EXPECT_EQ(files_in_work(), before);
}

TEST_F(Catalog, UtilityMembersAreFilesWithSixtyFourBitOffsets) {
    std::string path = dir + "/stage.qor7bput";
    {
        std::ofstream out(path, std::ios::binary);
        out << "0123456789";
    }
    // A sparse 5 GB member: its size is the file's real length, beyond 32 bits.
    const int64_t big = 5LL << 30;
    fs::resize_file(path, static_cast<uintmax_t>(big));
    qor_entry* e = nullptr;
    ASSERT_EQ(xcopen(request("STAGE", "PUTILITY", QOR_CO_UPDATE | QOR_CO_STREAM), &e), 0);
    qor_member_info info;
    ASSERT_EQ(xlminfo(e, &info), 0);
    EXPECT_EQ(info.size, big);
    char head[4];
    ASSERT_EQ(xcread(e, head, 4, nullptr), 0);
    EXPECT_EQ(std::string(head, 4), "0123");
    ASSERT_EQ(xcpoint(e, big - 2), 0);
    ASSERT_EQ(xcwrite(e, "tail", 4), 0);
    ASSERT_EQ(xcpoint(e, big - 2), 0);
    char tail[8];
    size_t got = 0;
    EXPECT_EQ(xcread(e, tail, 8, &got), static_cast<int>(QOR_C_END));
    EXPECT_EQ(std::string(tail, got), "tail");
    EXPECT_EQ(xcclose(e, 0), 0);
    EXPECT_EQ(static_cast<int64_t>(fs::file_size(path)), big + 2);

    // Output writes a staging file: a discarded close leaves the member as it was.
    fs::resize_file(path, 10);
    ASSERT_EQ(xcopen(request("STAGE", "PUTILITY", QOR_CO_OUTPUT), &e), 0);
    ASSERT_EQ(xcwrite(e, "new", 3), 0);
    EXPECT_EQ(fs::file_size(path), 10u);
    ASSERT_EQ(xcclose(e, QOR_CC_DISCARD), 0);
    EXPECT_EQ(fs::file_size(path), 10u);
    ASSERT_EQ(xcopen(request("STAGE", "PUTILITY", QOR_CO_OUTPUT), &e), 0);
    ASSERT_EQ(xcwrite(e, "new", 3), 0);
    ASSERT_EQ(xcclose(e, 0), 0);
    EXPECT_EQ(fs::file_size(path), 3u);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);   // no staging left
}

// Utility members are read and written through an in-memory window: a random mix of writes,
// positionings and reads (records across window boundaries, reads of what was just written,
// writes over what was read ahead) must behave as a plain byte array, with exact positions.
TEST_F(Catalog, UtilityMemberWindowKeepsPositionsExact) {
    std::string model;
    int64_t position = 0;
    qor_entry* e = nullptr;
    ASSERT_EQ(xcopen(request("WINDOW", "PUTILITY", QOR_CO_OUTPUT | QOR_CO_STREAM), &e), 0);
    uint32_t seed = 12345;
    auto next = [&seed](uint32_t bound) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % bound;
    };
    for (int step = 0; step < 3000; ++step) {
        const uint32_t op = next(10);
        if (op < 5) {
            // A record of a few bytes to a few hundred, now and then one larger than the window.
            const size_t length = next(20) == 0 ? 70000 + next(5000) : 1 + next(500);
            std::string bytes(length, '\0');
            for (char& c : bytes) c = static_cast<char>('a' + next(26));
            ASSERT_EQ(xcwrite(e, bytes.data(), length), 0);
            if (model.size() < static_cast<size_t>(position) + length) model.resize(static_cast<size_t>(position) + length);
            model.replace(static_cast<size_t>(position), length, bytes);
            position += static_cast<int64_t>(length);
        } else if (op < 7) {
            position = model.empty() ? 0 : static_cast<int64_t>(next(static_cast<uint32_t>(model.size() + 1)));
            ASSERT_EQ(xcpoint(e, position), 0);
        } else {
            const size_t length = 1 + next(op == 9 ? 90000 : 600);
            std::string got(length, '\0');
            size_t n = 0;
            const int rc = xcread(e, got.data(), length, &n);
            const size_t expect = std::min(length, model.size() - static_cast<size_t>(position));
            ASSERT_EQ(n, expect) << "step " << step;
            EXPECT_EQ(rc, expect == length ? 0 : static_cast<int>(QOR_C_END));
            ASSERT_EQ(got.substr(0, n), model.substr(static_cast<size_t>(position), n)) << "step " << step;
            position += static_cast<int64_t>(n);
        }
        int64_t noted = -1;
        ASSERT_EQ(xcnote(e, &noted), 0);
        ASSERT_EQ(noted, position) << "step " << step;
    }
    EXPECT_EQ(xcpoint(e, static_cast<int64_t>(model.size()) + 1), static_cast<int>(QOR_C_POSITION));
    ASSERT_EQ(xcflush(e), 0);
    ASSERT_EQ(xcclose(e, 0), 0);
    EXPECT_EQ(get("WINDOW", "PUTILITY"), model);
}

// Catalog files that cannot be used say why and give a distinct code; nothing crashes.
TEST_F(Catalog, BadCatalogFilesSayWhy) {
    ASSERT_EQ(put("ONE", "SLIST", std::string(20000, 'x')), 0);
    std::string good_path = dir + "/envcat.qor7bcat";
    std::string good;
    {
        std::ifstream in(good_path, std::ios::binary);
        good.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_GT(good.size(), 4096u);
    auto write_file = [&](const std::string& name, const std::string& bytes) {
        std::ofstream out(dir + "/" + name + ".qor7bcat", std::ios::binary | std::ios::trunc);
        out << bytes;
    };
    // Another application's database.
    {
        sqlite3* db = nullptr;
        sqlite3_open((dir + "/foreign.qor7bcat").c_str(), &db);
        sqlite3_exec(db, "CREATE TABLE t(x)", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    write_file("text", "this is not a database, just some text that is long enough to matter");
    write_file("empty", "");
    write_file("header", good.substr(0, 100));
    std::string torn = good.substr(0, good.size() / 2);
    write_file("torn", torn);
    std::string scrambled = good;
    for (size_t i = 100; i < scrambled.size(); i += 7) scrambled[i] = static_cast<char>(scrambled[i] ^ 0x5A);
    write_file("scrambled", scrambled);
    fs::create_directories(dir + "/folder.qor7bcat");

    struct { const char* name; std::vector<uint32_t> codes; const char* says; } cases[] = {
        {"foreign", {QOR_C_NOT_CATALOG}, "not a catalog"},
        {"text", {QOR_C_NOT_CATALOG}, "not a database"},
        {"empty", {QOR_C_NOT_CATALOG}, "empty"},
        {"header", {QOR_C_DAMAGED, QOR_C_NOT_CATALOG}, ""},
        {"torn", {QOR_C_DAMAGED}, "damaged"},
        {"scrambled", {QOR_C_DAMAGED, QOR_C_NOT_CATALOG}, ""},
        {"folder", {QOR_C_NOT_CATALOG}, "not a regular file"},
    };
    for (auto& c : cases) {
        qor_catalog* cat = nullptr;
        int code = xlopen("cattest", c.name, QOR_CO_INPUT, &cat);
        if (code == 0) {
            // Some damage only shows when the entries are read.
            qor_member_dir* d = nullptr;
            code = xldopen(cat, "", &d);
            qor_entry* e = nullptr;
            if (code == 0) code = xlmopen(cat, "ONE", "SLIST", QOR_CO_INPUT, &e);
            if (e) xcclose(e, 0);
            xldclos(d);
            xlclose(cat, 0);
        }
        EXPECT_NE(std::find(c.codes.begin(), c.codes.end(), static_cast<uint32_t>(code)), c.codes.end())
            << c.name << " gave " << std::hex << code << ": " << qor_catalog_error_text();
        EXPECT_NE(std::string(qor_catalog_error_text()).find(c.says), std::string::npos) << c.name;
        EXPECT_NE(std::string(qor_catalog_error_text()).find(c.name), std::string::npos) << c.name;
    }
}

TEST_F(Catalog, ALockHeldByAnotherConnectionIsReported) {
    ASSERT_EQ(put("ONE", "SLIST", "x"), 0);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir + "/envcat.qor7bcat").c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    int previous = qor::runtime::set_catalog_busy_timeout(50);
    // Readers are not blocked by a writer...
    EXPECT_EQ(get("ONE", "SLIST"), "x");
    // ...but a second writer is, and is told so at commit.
    qor_entry* e = nullptr;
    ASSERT_EQ(xcopen(request("ONE", "SLIST", QOR_CO_OUTPUT), &e), 0);
    xcwrite(e, "y", 1);
    EXPECT_EQ(static_cast<uint32_t>(xcclose(e, 0)), QOR_C_LOCKED);
    EXPECT_NE(std::string(qor_catalog_error_text()).find("locked"), std::string::npos);
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    EXPECT_EQ(xcclose(e, 0), 0);   // the handle stayed open: the retry commits
    EXPECT_EQ(get("ONE", "SLIST"), "y");
    qor::runtime::set_catalog_busy_timeout(previous);
    sqlite3_close(db);
}

}  // namespace
