// Crash safety of saving an environment: a forked process opens an environment of 300
// variables, 50 objects, two output directories, a portfolio-file pair and its data set, changes
// all of them and saves (save, or save as onto another environment; BACKSAVE on and off), and
// is killed at every crash point of the save and at random instants. A new process then opens
// the environment and must find exactly the previous or the new version, never a refusal.
// Also two processes saving one environment at once: the second waits for the first, and the
// rewrite of variable entries killed anywhere leaves the old or the new variables, never a mix.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <random>
#include <thread>

#include "engine/model/variables/variable_record.h"
#include "engine/tables/variable_request.h"
#include "host/missing.h"
#include "tests/engine/environment_fixture.h"

namespace {

using namespace envtest;

struct Case {
    const char* label;
    bool save_as;
    bool envcopy;
    bool backsave;
};

constexpr Case kCases[] = {
    {"save, BACKSAVE", false, true, true},
    {"save, no BACKSAVE", false, true, false},
    {"save as, ENVCOPY, BACKSAVE", true, true, true},
    {"save as, no ENVCOPY, no BACKSAVE", true, false, false},
};

class EnvironmentCrash : public EnvironmentTest {
protected:
    // Version A of the environment (and of the save-as target).
    void make_version_a(const Case& c) {
        fs::remove_all(root_);
        fs::create_directories(root_);
        ASSERT_NE(start(false), nullptr);
        ASSERT_EQ(choose(path("crash"), true), 0) << log();
        write_version(con_ptr_->current_environment, "A");
        if (c.save_as) {
            ASSERT_EQ(choose(path("target"), true), 0);
            write_version(con_ptr_->current_environment, "A");
        }
        stop();
    }

    // The child: opens, changes everything to version B, tells the parent, saves.
    [[noreturn]] void child_save(const Case& c, const char* point, long nth, int ready_fd) {
        if (start(c.envcopy, c.backsave) == nullptr || choose(path("crash"), false) != 0) _exit(2);
        write_version(con_ptr_->current_environment, "B");
        con_ptr_->environment_changed = 1;
        qor_set_crash_point(point, nth);
        char byte = 1;
        if (write(ready_fd, &byte, 1) != 1) _exit(2);
        int rc = c.save_as ? save_as(path("target")) : save();
        _exit(rc == 0 ? 0 : 3);
    }

    // Runs one save in a child, killed at the point or after delay_us (negative: not killed
    // by the parent). The child's exit status, or -SIGKILL.
    int run_child(const Case& c, const char* point, long nth, long delay_us, long* span_us = nullptr) {
        int pipe_fds[2];
        if (pipe(pipe_fds) != 0) return -1000;
        pid_t pid = fork();
        if (pid == 0) {
            close(pipe_fds[0]);
            con_ptr_ = nullptr;
            step_ = nullptr;
            child_save(c, point, nth, pipe_fds[1]);
        }
        close(pipe_fds[1]);
        char byte = 0;
        bool ready = ::read(pipe_fds[0], &byte, 1) == 1;
        close(pipe_fds[0]);
        auto begin = std::chrono::steady_clock::now();
        if (ready && delay_us >= 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(delay_us));
            kill(pid, SIGKILL);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (span_us != nullptr)
            *span_us = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - begin).count();
        remove_working_copies();
        if (WIFSIGNALED(status)) return -WTERMSIG(status);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1000;
    }

    // Opens the saved environment as a new process would and answers its one version.
    std::string version_after(const Case& c, const std::string& what) {
        EXPECT_NE(start(false), nullptr);
        std::string name = c.save_as ? "target" : "crash";
        EXPECT_EQ(choose(path(name), false), 0) << what << log();
        stop();
        Content content = content_of(root_, name);
        EXPECT_EQ(content.size(), static_cast<size_t>(kVariables + kObjects + 3 + 10)) << what;
        std::string version = single_version(content);
        EXPECT_TRUE(version == "A" || version == "B") << what;
        for (auto& item : fs::recursive_directory_iterator(root_)) {
            std::string file = item.path().string();
            EXPECT_TRUE(file.find(".qorstaged") == std::string::npos && file.find(".qoraside") == std::string::npos)
                << what << ": " << file;
        }
        return version;
    }
};

TEST_F(EnvironmentCrash, KilledAtEveryCrashPointTheSavedEnvironmentIsOneWholeVersion) {
    struct Point {
        const char* name;
        long nth;
    } points[] = {{QOR_CRASH_STAGING, 1},         {QOR_CRASH_STAGING, 7},       {QOR_CRASH_AFTER_STAGING, 1},
                  {QOR_CRASH_AFTER_STAGING, 3},   {QOR_CRASH_BEFORE_COMMIT, 1}, {QOR_CRASH_AFTER_COMMIT, 1},
                  {QOR_CRASH_BETWEEN_RENAMES, 1}, {QOR_CRASH_BETWEEN_RENAMES, 2}, {"switching", 1},
                  {"switching", 5}};
    for (const Case& c : kCases) {
        // Unkilled, the save gives version B.
        make_version_a(c);
        ASSERT_EQ(run_child(c, nullptr, 0, -1), 0) << c.label;
        EXPECT_EQ(version_after(c, c.label), "B");
        for (const Point& p : points) {
            std::string what = std::string(c.label) + " at " + p.name + ":" + std::to_string(p.nth);
            make_version_a(c);
            int status = run_child(c, p.name, p.nth, -1);
            EXPECT_EQ(status, -SIGKILL) << what << ": the point was not reached";
            std::string version = version_after(c, what);
            // Before the commit the previous version stands, after it the new one.
            bool committed = std::string(p.name) == QOR_CRASH_AFTER_COMMIT ||
                             std::string(p.name) == QOR_CRASH_BETWEEN_RENAMES || std::string(p.name) == "switching";
            if (status == -SIGKILL && committed) {
                EXPECT_EQ(version, "B") << what;
            }
        }
    }
}

TEST_F(EnvironmentCrash, KilledAtRandomInstantsTheSavedEnvironmentIsOneWholeVersion) {
    std::mt19937 random(20261211);
    for (const Case& c : kCases) {
        // The instants fall within twice the time one save took: a loaded machine slows the
        // saves that are killed as much as the one that was timed, so some kills land after the
        // commit point however the load changes between them.
        make_version_a(c);
        long span = 0;
        ASSERT_EQ(run_child(c, nullptr, 0, -1, &span), 0);
        int seen[2] = {0, 0};
        for (int i = 0; i < 50; ++i) {
            long delay = std::uniform_int_distribution<long>(0, 2 * span)(random);
            std::string what = std::string(c.label) + " killed after " + std::to_string(delay) + " us";
            make_version_a(c);
            run_child(c, nullptr, 0, delay);
            std::string version = version_after(c, what);
            ++seen[version == "B" ? 1 : 0];
        }
        // Kills land before and after the commit point alike.
        EXPECT_GT(seen[0], 0) << c.label;
        EXPECT_GT(seen[1], 0) << c.label;
    }
}

TEST_F(EnvironmentCrash, ASecondProcessSavingTheSameEnvironmentWaitsForTheFirst) {
    make_version_a(kCases[0]);
    ASSERT_NE(start(true, false), nullptr);
    ASSERT_EQ(choose(path("crash"), false), 0);
    int pipe_fds[2];
    ASSERT_EQ(pipe(pipe_fds), 0);
    pid_t pid = fork();
    if (pid == 0) {
        // Another process holds the environment's save lock for a while.
        qor_env_lock* lock = nullptr;
        if (qor_lock_environment(libref_of_env(con_ptr_->held_environment), "crash", 1000, &lock) != 0) _exit(2);
        char byte = 1;
        if (write(pipe_fds[1], &byte, 1) != 1) _exit(2);
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        // The time of letting go (the lock goes with the process): the waiter's save ends later.
        int64_t released = std::chrono::steady_clock::now().time_since_epoch().count();
        if (write(pipe_fds[1], &released, sizeof released) != sizeof released) _exit(2);
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(pipe_fds[0], &byte, 1), 1);
    write_version(con_ptr_->current_environment, "B");
    con_ptr_->environment_changed = 1;
    EXPECT_EQ(save(), 0) << log();
    const int64_t saved = std::chrono::steady_clock::now().time_since_epoch().count();
    int64_t released = 0;
    ASSERT_EQ(::read(pipe_fds[0], &released, sizeof released), static_cast<ssize_t>(sizeof released));
    EXPECT_GE(saved, released);   // the save waited for the other process
    int status = 0;
    waitpid(pid, &status, 0);
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    stop();
    EXPECT_EQ(single_version(content_of(root_, "crash")), "B");
}

// Variables are stored packed, 100 to an entry, and a save rewrites every entry: killed at its
// commit points or at random instants, the environment reopens with the old variables or with
// the old and the new ones, never with some entries of each.
class VariableRewriteCrash : public EnvironmentTest {
protected:
    int define(const std::string& prefix, int count) {
        auto rskvard = engine_routine<EngineSlot::rskvard>();
        for (int i = 0; i < count; ++i) {
            const std::string name = prefix + std::to_string(i);
            RSKVARDEF request{};
            request.name = name.c_str();
            request.name_length = -1;
            request.kind = RSKVKIND_FACTOR;
            request.data_type = 1;
            request.role = 321;
            request.currency = "USD";
            request.currency_length = 3;
            request.maturity = 1 + i;
            request.maturity_unit = 4;
            request.scale = qor::missing();
            RSKVARIABLE* v = nullptr;
            if (rskvard(con_ptr_, &v, &request) != 0) return 1;
        }
        return 0;
    }
    // Variables of the environment in use whose names begin with the prefix.
    int count(const std::string& prefix) const {
        int n = 0;
        for (const RSKVARIABLE* v = con_ptr_->variables_head; v != nullptr; v = v->next)
            if (std::string_view(v->name.name.text, v->name.name.length).substr(0, prefix.size()) == prefix) ++n;
        return n;
    }
    void make_old() {
        fs::remove_all(root_);
        fs::create_directories(root_);
        ASSERT_NE(start(false, false), nullptr);
        ASSERT_EQ(choose(path("vars"), true), 0);
        ASSERT_EQ(define("OLD", 250), 0);
        ASSERT_EQ(save(), 0) << log();
        stop();
    }
    // The child opens the environment, defines 150 more variables and saves.
    int run_child(const char* point, long delay_us) {
        int pipe_fds[2];
        if (pipe(pipe_fds) != 0) return -1000;
        pid_t pid = fork();
        if (pid == 0) {
            close(pipe_fds[0]);
            con_ptr_ = nullptr;
            step_ = nullptr;
            if (start(false, false) == nullptr || choose(path("vars"), false) != 0 || define("NEW", 150) != 0) _exit(2);
            qor_set_crash_point(point, 1);
            char byte = 1;
            if (write(pipe_fds[1], &byte, 1) != 1) _exit(2);
            _exit(save() == 0 ? 0 : 3);
        }
        close(pipe_fds[1]);
        char byte = 0;
        bool ready = ::read(pipe_fds[0], &byte, 1) == 1;
        close(pipe_fds[0]);
        if (ready && delay_us >= 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(delay_us));
            kill(pid, SIGKILL);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (WIFSIGNALED(status)) return -WTERMSIG(status);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1000;
    }
    // The variables a new process finds: false when they are a mix.
    bool reopened(int* new_count, const std::string& what) {
        EXPECT_NE(start(false, false), nullptr);
        EXPECT_EQ(choose(path("vars"), false), 0) << what << log();
        const int old_count = count("OLD");
        *new_count = count("NEW");
        stop();
        EXPECT_EQ(old_count, 250) << what;
        EXPECT_TRUE(*new_count == 0 || *new_count == 150) << what << ": " << *new_count << " new variables";
        return old_count == 250 && (*new_count == 0 || *new_count == 150);
    }
};

TEST_F(VariableRewriteCrash, KilledAnywhereTheVariablesAreTheOldOrTheNewSet) {
    int found = 0;
    make_old();
    ASSERT_EQ(run_child(nullptr, -1), 0);
    ASSERT_TRUE(reopened(&found, "unkilled"));
    EXPECT_EQ(found, 150);
    for (const char* point : {QOR_CRASH_BEFORE_COMMIT, QOR_CRASH_AFTER_COMMIT}) {
        make_old();
        EXPECT_EQ(run_child(point, -1), -SIGKILL) << point;
        ASSERT_TRUE(reopened(&found, point));
        EXPECT_EQ(found, std::string(point) == QOR_CRASH_AFTER_COMMIT ? 150 : 0) << point;
    }
    std::mt19937 random(20261211);
    for (int i = 0; i < 20; ++i) {
        const long delay = std::uniform_int_distribution<long>(0, 30000)(random);
        make_old();
        run_child(nullptr, delay);
        ASSERT_TRUE(reopened(&found, "killed after " + std::to_string(delay) + " us"));
    }
}

}  // namespace
