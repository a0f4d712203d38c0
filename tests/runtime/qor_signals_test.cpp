// The qor command removes its WORK directory when it is ended by SIGINT or SIGTERM, and the
// signal still ends it. The program file is a pipe that qor waits on, so the run is in progress.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

extern char** environ;
namespace fs = std::filesystem;

namespace {

// The WORK directories under dir (qor names them qorwork-XXXXXX).
int work_directories(const fs::path& dir) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().filename().string().rfind("qorwork-", 0) == 0) ++count;
    return count;
}

void run_and_signal(int sig) {
    fs::path dir = fs::path(::testing::TempDir()) / ("qor_sig_" + std::to_string(::getpid()) + "_" +
                                                     std::to_string(sig));
    fs::remove_all(dir);
    fs::create_directories(dir / "tmp");
    std::string fifo = (dir / "program.qor").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string qor = std::string(QOR_BIN_DIR) + "/qor";
    std::string log = (dir / "log").string();
    char* argv[] = {const_cast<char*>(qor.c_str()), const_cast<char*>("--log"),
                    const_cast<char*>(log.c_str()), const_cast<char*>(fifo.c_str()), nullptr};
    setenv("TMPDIR", (dir / "tmp").c_str(), 1);
    pid_t pid = 0;
    int spawned = posix_spawn(&pid, qor.c_str(), nullptr, nullptr, argv, environ);
    unsetenv("TMPDIR");
    ASSERT_EQ(spawned, 0);
    // Hold the pipe open for writing: qor reads the program until we close it, which we never do.
    int writer = open(fifo.c_str(), O_WRONLY);
    ASSERT_GE(writer, 0);
    for (int i = 0; i < 500 && work_directories(dir / "tmp") == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(work_directories(dir / "tmp"), 1);
    kill(pid, sig);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    close(writer);
    EXPECT_TRUE(WIFSIGNALED(status));
    if (WIFSIGNALED(status)) {
        EXPECT_EQ(WTERMSIG(status), sig);
    }
    EXPECT_EQ(work_directories(dir / "tmp"), 0);
    fs::remove_all(dir);
}

TEST(QorSignals, TermRemovesWorkAndEndsTheRun) { run_and_signal(SIGTERM); }
TEST(QorSignals, InterruptRemovesWorkAndEndsTheRun) { run_and_signal(SIGINT); }

}  // namespace
