// Data sets under failure: a writer killed mid-write leaves the previous data set intact,
// and truncated or corrupted files are refused with a clear message, never read past.
#include <signal.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "tests/runtime/dataset_fixture.h"

namespace {

std::vector<unsigned char> read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void write_bytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Opens a member and reads every observation's values; the open's result.
int open_and_read_all(const char* member, int64_t* observations) {
    qor_open_request r = DatasetTest::request(member, QOR_OPEN_INPUT);
    qor_dataset* ds = nullptr;
    int rc = xoopen(&ds, &r);
    if (rc != 0) return rc;
    xoinfo(ds, QOR_INFO_OBSERVATIONS, observations);
    int32_t nvars = 0;
    xoinfo(ds, QOR_INFO_VARIABLES, &nvars);
    qor_getlist* get = nullptr;
    xvgeti(ds, nvars, &get);
    std::vector<std::vector<char>> buffers;
    for (int i = 1; i <= nvars; ++i) {
        qor_var_desc d;
        xvname(ds, i, &d);
        buffers.emplace_back(d.type == QOR_VAR_NUMERIC ? 8 : d.length);
        xvgetd(get, i, buffers.back().data(), static_cast<int>(buffers.back().size()));
    }
    qor_obs_request q{};
    q.dataset = ds;
    int64_t read = 0;
    while (xoget(&q, QOR_GET_NEXT) == 0 && xyvget(get, 0) == 0) ++read;
    xvgett(get);
    xoclose(ds, 0);
    return read == *observations ? 0 : -1;
}

// Header field offsets of the stored format (docs/formats.md).
enum { H_VERSION = 8, H_OBS = 16, H_RECLEN = 24, H_NVARS = 28, H_SORT_COUNT = 48, H_SORT_KEYS = 52,
       H_LABEL_LENGTH = 116, D0 = 512, D_NAME_LENGTH = 0, D_NAME = 2, D_TYPE = 34, D_LENGTH = 36,
       D_OFFSET = 40, D_LABEL = 46, D_FORMAT_LENGTH = 302, D_FORMAT = 304, D_FORMAT_WIDTH = 336,
       D_FORMAT_DECIMALS = 338, D_INFORMAT_LENGTH = 340, D_INFORMAT = 342, D_INFORMAT_WIDTH = 374,
       D_INFORMAT_DECIMALS = 376 };

// Gives variable 1 a format (or, with informat, an informat): name, width, decimals.
void poke_format(std::vector<unsigned char>& b, const char* name, int width, int decimals, bool informat = false) {
    size_t length_at = D0 + (informat ? D_INFORMAT_LENGTH : D_FORMAT_LENGTH);
    size_t name_at = D0 + (informat ? D_INFORMAT : D_FORMAT);
    size_t width_at = D0 + (informat ? D_INFORMAT_WIDTH : D_FORMAT_WIDTH);
    uint16_t n = static_cast<uint16_t>(std::strlen(name));
    std::memcpy(&b[length_at], &n, 2);
    std::memcpy(&b[name_at], name, std::strlen(name));
    int16_t w = static_cast<int16_t>(width), d = static_cast<int16_t>(decimals);
    std::memcpy(&b[width_at], &w, 2);
    std::memcpy(&b[width_at + 2], &d, 2);
}

template <typename T> void poke(std::vector<unsigned char>& b, size_t at, T v) { std::memcpy(&b[at], &v, sizeof v); }

}  // namespace

TEST_F(DatasetTest, AWriterKilledMidWriteLeavesThePreviousDataSetIntact) {
    write_rows("big", 10);
    const auto before = read_bytes(file("big"));
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Write forever over the existing member; the parent kills us part way.
        qor_open_request r = DatasetTest::request("big", QOR_OPEN_OUTPUT);
        qor_dataset* ds = nullptr;
        if (xoopen(&ds, &r) != 0) ::_exit(3);
        qor_putlist* put = nullptr;
        xvputi(ds, 1, &put);
        double x = 0;
        qor_var_desc d = DatasetTest::var("X", QOR_VAR_NUMERIC, 8);
        xvputd(put, &d, &x, 8, nullptr);
        qor_obs_request q{};
        q.dataset = ds;
        for (;; x += 1) {
            xyvput(put, 0);
            if (xoadd(&q) != 0) ::_exit(4);
            if (x == 200000) { std::FILE* f = std::fopen((dir / "started").c_str(), "w"); std::fclose(f); }
        }
    }
    while (!std::filesystem::exists(dir / "started")) ::usleep(1000);
    ::usleep(20000);
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));

    EXPECT_EQ(read_bytes(file("big")), before);
    int64_t observations = 0;
    EXPECT_EQ(open_and_read_all("big", &observations), 0);
    EXPECT_EQ(observations, 10);
    // The killed writer's temporary is there, but under a name that is no member.
    bool saw_temporary = false;
    for (auto& entry : std::filesystem::directory_iterator(dir)) {
        std::string name = entry.path().filename();
        if (name == "big.qor7bdat" || name == "started") continue;
        EXPECT_NE(name.substr(name.size() - 9), ".qor7bdat") << name;
        saw_temporary = true;
    }
    EXPECT_TRUE(saw_temporary);
}

TEST_F(DatasetTest, EveryTruncationIsRefusedWithAMessage) {
    write_rows("whole", 3);
    const auto bytes = read_bytes(file("whole"));
    for (size_t size = 0; size < bytes.size(); size += (size < 600 ? 1 : 7)) {
        write_bytes(file("cut"), std::vector<unsigned char>(bytes.begin(), bytes.begin() + static_cast<long>(size)));
        int64_t observations = 0;
        EXPECT_EQ(open_and_read_all("cut", &observations), QOR_DS_DAMAGED) << size;
    }
    EXPECT_NE(log().find("ERROR: The data set DSTEST.CUT ("), std::string::npos);
    EXPECT_NE(log().find("is damaged: the observation count does not match the file size."), std::string::npos);
}

TEST_F(DatasetTest, CorruptedFieldsAreRefused) {
    write_rows("good", 3);
    const auto good = read_bytes(file("good"));
    struct edit { const char* what; void (*apply)(std::vector<unsigned char>&); const char* why; };
    const edit edits[] = {
        {"magic", [](auto& b) { b[0] = 'X'; }, "it is not a data set file"},
        {"version", [](auto& b) { poke<uint16_t>(b, H_VERSION, 9); }, "version 9 is not known"},
        {"observation count", [](auto& b) { poke<int64_t>(b, H_OBS, 4); }, "does not match the file size"},
        {"huge count", [](auto& b) { poke<int64_t>(b, H_OBS, INT64_MAX); }, "does not match the file size"},
        {"negative count", [](auto& b) { poke<int64_t>(b, H_OBS, -1); }, "does not match the file size"},
        {"record length", [](auto& b) { poke<int32_t>(b, H_RECLEN, 17); }, "record length does not match"},
        {"variable count", [](auto& b) { poke<int32_t>(b, H_NVARS, 30000); }, "past the end of the file"},
        {"negative variables", [](auto& b) { poke<int32_t>(b, H_NVARS, -1); }, "variable count is out of range"},
        {"label length", [](auto& b) { poke<uint16_t>(b, H_LABEL_LENGTH, 300); }, "label length"},
        {"sort count", [](auto& b) { poke<int32_t>(b, H_SORT_COUNT, 99); }, "sort key count"},
        {"sort key", [](auto& b) { poke<int32_t>(b, H_SORT_COUNT, 1); poke<int32_t>(b, H_SORT_KEYS, 3); }, "sort key names no variable"},
        {"name length", [](auto& b) { poke<uint16_t>(b, D0 + D_NAME_LENGTH, 40); }, "bad name length"},
        {"empty name", [](auto& b) { poke<uint16_t>(b, D0 + D_NAME_LENGTH, 0); }, "bad name"},
        {"name byte", [](auto& b) { b[D0 + D_NAME] = 0; }, "bad name"},
        {"type", [](auto& b) { b[D0 + D_TYPE] = 3; }, "bad type"},
        {"numeric length", [](auto& b) { poke<int32_t>(b, D0 + D_LENGTH, 2); }, "bad numeric length"},
        {"offset", [](auto& b) { poke<int32_t>(b, D0 + D_OFFSET, 1); }, "not where it belongs"},
        {"format", [](auto& b) { poke<uint16_t>(b, D0 + D_FORMAT_LENGTH, 1); b[D0 + D_FORMAT] = '/'; }, "bad format"},
        {"duplicate", [](auto& b) { b[D0 + 384 + D_NAME] = 'x'; }, "appears twice"},
        // Formats and informats within the limits the FORMAT and INFORMAT statements keep.
        {"format width too large", [](auto& b) { poke_format(b, "COMMA", 32767, 2); },
         "variable 1 (X) has a bad format width 32767 for COMMA (1 to 32, or 0 for none)"},
        {"format decimals too large", [](auto& b) { poke_format(b, "COMMA", 12, 32767); },
         "format decimals 32767 for COMMA (0 to 31)"},
        {"decimals one past the format's", [](auto& b) { poke_format(b, "COMMA", 12, 32); }, "format decimals 32"},
        {"decimals where none are taken", [](auto& b) { poke_format(b, "BEST", 12, 1); }, "format decimals 1 for BEST"},
        {"width below the format's", [](auto& b) { poke_format(b, "PERCENT", 3, 0); }, "format width 3 for PERCENT"},
        {"negative width", [](auto& b) { poke_format(b, "F", -1, 0); }, "format width -1"},
        {"negative decimals", [](auto& b) { poke_format(b, "F", 8, -2); }, "format decimals -2"},
        {"width without a name", [](auto& b) { poke_format(b, "", 12, 0); }, "format width 12 without a name"},
        {"unknown name, decimals", [](auto& b) { poke_format(b, "MYFMT", 10, 32); }, "format decimals 32 for MYFMT"},
        {"informat width", [](auto& b) { poke_format(b, "BEST", 33, 0, true); }, "informat width 33 for BEST"},
        {"informat decimals", [](auto& b) { poke_format(b, "", 0, 3, true); }, "informat decimals 3 without a name"},
        {"format name character", [](auto& b) { poke_format(b, "A-B", 5, 0); }, "format name A-B"},
        {"format name padding", [](auto& b) { poke_format(b, "F", 8, 0); b[D0 + D_FORMAT + 5] = 'X'; },
         "format name padding"},
        {"name padding", [](auto& b) { b[D0 + D_NAME + 10] = 'Q'; }, "name padding"},
        {"label padding", [](auto& b) { b[D0 + D_LABEL + 255] = 1; }, "label padding"},
        {"descriptor reserved byte", [](auto& b) { b[D0 + 35] = 1; }, "reserved byte at descriptor offset 35"},
        {"descriptor reserved tail", [](auto& b) { b[D0 + 384 + 381] = 7; },
         "variable 2 (C) has a non-zero reserved byte at descriptor offset 381"},
        {"header reserved", [](auto& b) { b[14] = 1; }, "reserved bytes at offset 14"},
        {"header reserved tail", [](auto& b) { b[500] = 1; }, "reserved byte at offset 500"},
        {"header label padding", [](auto& b) { b[118 + 200] = 'L'; }, "label padding"},
        {"sort key beyond the count", [](auto& b) { poke<int32_t>(b, H_SORT_KEYS + 8, 1); }, "sort key slot 3"},
        {"creation time", [](auto& b) { poke<double>(b, 32, std::nan("")); }, "creation or modification time"},
    };
    for (const edit& e : edits) {
        auto bytes = good;
        e.apply(bytes);
        write_bytes(file("bad"), bytes);
        std::remove(scratch.log_path.c_str());
        qor_print_set_log_file(scratch.log_path.c_str());
        int64_t observations = 0;
        EXPECT_EQ(open_and_read_all("bad", &observations), QOR_DS_DAMAGED) << e.what;
        EXPECT_NE(log().find(e.why), std::string::npos) << e.what << ": " << log();
        qor_open_request r = request("bad", QOR_OPEN_UPDATE);
        qor_dataset* ds = nullptr;
        EXPECT_EQ(xoopen(&ds, &r), QOR_DS_DAMAGED) << e.what;
    }
    // The same fields at the edge of their limits are read, and an unknown name (a format of
    // another host) keeps the limits shared by every format.
    const edit fine[] = {
        {"COMMA at its limits", [](auto& b) { poke_format(b, "COMMA", 32, 31); }, ""},
        {"no width given", [](auto& b) { poke_format(b, "comma", 0, 0); }, ""},
        {"unknown name", [](auto& b) { poke_format(b, "MYFMT", 32767, 31); }, ""},
        {"informat", [](auto& b) { poke_format(b, "DATETIME", 40, 39, true); }, ""},
    };
    for (const edit& e : fine) {
        auto bytes = good;
        e.apply(bytes);
        write_bytes(file("fine"), bytes);
        int64_t observations = 0;
        EXPECT_EQ(open_and_read_all("fine", &observations), 0) << e.what << ": " << log();
    }
    // A writer is held to the same limits, so that it never writes what the reader refuses.
    struct refused { const char* format; int width, decimals; const char* informat; int iwidth, idecimals; };
    const refused writes[] = {
        {"COMMA", 33, 0, "", 0, 0}, {"COMMA", 12, 32, "", 0, 0}, {"", 5, 0, "", 0, 0},
        {"", 0, 0, "BEST", 40, 0},  {"X.Y", 5, 0, "", 0, 0},
    };
    for (const refused& w : writes) {
        qor_dataset* ds = open("written", QOR_OPEN_OUTPUT);
        ASSERT_NE(ds, nullptr);
        qor_putlist* put = nullptr;
        xvputi(ds, 1, &put);
        qor_var_desc d = var("X", QOR_VAR_NUMERIC, 8);
        d.format_length = static_cast<int16_t>(std::strlen(w.format));
        std::memcpy(d.format, w.format, std::strlen(w.format));
        d.format_width = static_cast<int16_t>(w.width);
        d.format_decimals = static_cast<int16_t>(w.decimals);
        d.informat_length = static_cast<int16_t>(std::strlen(w.informat));
        std::memcpy(d.informat, w.informat, std::strlen(w.informat));
        d.informat_width = static_cast<int16_t>(w.iwidth);
        d.informat_decimals = static_cast<int16_t>(w.idecimals);
        double x = 0;
        EXPECT_EQ(xvputd(put, &d, &x, 8, nullptr), QOR_DS_BAD_VARIABLE) << w.format << w.width << "." << w.decimals;
        xvputt(put);
        xoclose(ds, 1);
    }
    // Random damage: whatever opens reads through to the end without a fault.
    std::mt19937 random(7);
    for (int trial = 0; trial < 300; ++trial) {
        auto bytes = good;
        for (int k = 0; k < 3; ++k) bytes[random() % bytes.size()] = static_cast<unsigned char>(random());
        write_bytes(file("noise"), bytes);
        int64_t observations = 0;
        int rc = open_and_read_all("noise", &observations);
        EXPECT_TRUE(rc == 0 || rc == QOR_DS_DAMAGED) << rc;
    }
}
