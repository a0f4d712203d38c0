// Crash safety: a process killed while it writes a catalog entry or a list over an existing one
// leaves the previous entry intact and readable.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/catalog.h"
#include "host/lists.h"
#include "runtime/storage/libraries.h"

namespace fs = std::filesystem;

namespace {

class CatalogCrash : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override {
        dir = fs::temp_directory_path() / ("qor_crash_" + std::to_string(getpid()) + "_" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        ASSERT_EQ(qor::runtime::assign_library("crash", dir, ""), 0);
    }
    void TearDown() override {
        qor::runtime::clear_library("crash");
        fs::remove_all(dir);
    }
    // Runs `child` in a forked process that reports on the pipe when it is in the middle of its
    // work, waits `delay_us` more, then kills it with SIGKILL.
    template <typename Work>
    void kill_in_the_middle(Work child, int delay_us = 0) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(ready[0]);
            child(ready[1]);
            _exit(0);
        }
        close(ready[1]);
        char signal_byte = 0;
        ASSERT_EQ(read(ready[0], &signal_byte, 1), 1);
        if (delay_us > 0) usleep(static_cast<useconds_t>(delay_us));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        close(ready[0]);
        EXPECT_TRUE(WIFSIGNALED(status));
    }
};

std::string read_entry(const char* name) {
    qor_entry_request r;
    r.libref = "crash";
    r.catalog = "env";
    r.name = name;
    r.type = "RISK13";
    r.mode = QOR_CO_INPUT;
    qor_entry* e = nullptr;
    if (xcopen(r, &e) != 0) return "<unreadable>";
    std::string out(1 << 20, '\0');
    size_t got = 0;
    xcread(e, out.data(), out.size(), &got);
    xcclose(e, 0);
    return out.substr(0, got);
}

TEST_F(CatalogCrash, EntryKilledBeforeCloseKeepsThePreviousContent) {
    qor_entry_request r;
    r.libref = "crash";
    r.catalog = "env";
    r.name = "VARS";
    r.type = "RISK13";
    r.mode = QOR_CO_OUTPUT;
    qor_entry* e = nullptr;
    ASSERT_EQ(xcopen(r, &e), 0);
    ASSERT_EQ(xcwrite(e, "previous", 8), 0);
    ASSERT_EQ(xcclose(e, 0), 0);
    kill_in_the_middle([&](int ready) {
        qor_entry* w = nullptr;
        if (xcopen(r, &w) != 0) _exit(2);
        std::vector<char> block(64 * 1024, 'n');
        for (int i = 0; i < 8; ++i) xcwrite(w, block.data(), block.size());
        write(ready, "r", 1);   // half written; the close never comes
        pause();
    });
    EXPECT_EQ(read_entry("VARS"), "previous");
}

// A child saves complete versions of a list in a loop and is killed at some moment of it, often
// inside a commit: what is read afterwards is one whole version.
TEST_F(CatalogCrash, ListKilledWhileSavingIsOneWholeVersion) {
    auto save_version = [](int version) {
        qor_list *l = nullptr, *sub = nullptr;
        slnewl(&l, nullptr, 84);
        qor_list_id sub_id = slnewl(&sub, nullptr, 84);
        slinsd(l, version, QOR_SL_APPEND, "VERSION");
        slinsc(sub, std::string(200000, static_cast<char>('a' + version % 26)), QOR_SL_APPEND, "FILL");
        slinsl(l, sub_id, QOR_SL_APPEND, "DATA");
        int code = slfile(l, "crash.env.list", 'W', "RISK13");
        sldel(l, 0);
        return code;
    };
    ASSERT_EQ(save_version(0), 0);
    for (int delay_us : {0, 3000, 15000}) {
        kill_in_the_middle([&](int ready) {
            for (int v = 1;; ++v) {
                if (v == 2) write(ready, "r", 1);   // the first new version is committed
                save_version(v);
            }
        }, delay_us);
        qor_list* back = nullptr;
        slnewl(&back, nullptr, 84);
        ASSERT_EQ(slfile(back, "crash.env.list.risk13", 'R', ""), 0) << delay_us;
        double version = -1;
        ASSERT_EQ(slgnd(back, "VERSION", &version), 0);
        qor_list* data = nullptr;
        ASSERT_EQ(slgnl(back, "DATA", &data), 0);
        std::string_view fill;
        ASSERT_EQ(slgnc(data, "FILL", &fill), 0);
        EXPECT_EQ(fill, std::string(200000, static_cast<char>('a' + static_cast<int>(version) % 26)));
        sldel(back, 0);
    }
}

}  // namespace
