// Data sets under failure: a writer killed mid-write leaves the previous data set intact,
// and truncated or corrupted files are refused with a clear message, never read past.
#include <signal.h>
#include <sys/wait.h>

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
       D_OFFSET = 40, D_FORMAT_LENGTH = 302, D_FORMAT = 304 };

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
