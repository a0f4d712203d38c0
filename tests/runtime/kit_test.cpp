// The host kit handle: threads writing their own blocks, waits for all and for any, events,
// time limits, closing handles, shared pools and the message object.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <new>
#include <stdexcept>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "host/kit.h"
#include "host/print.h"
#include "host/anchor.h"
#include "host/kernel.h"
#include "runtime/core/kit_internal.h"
#include "runtime/core/step.h"
#include "tests/support/scratch.h"

namespace {

using Clock = std::chrono::steady_clock;

class Kit : public ::testing::Test {
protected:
    void SetUp() override {
        kit = qor_runtime_kit();
        ASSERT_NE(kit, nullptr);
        waiter = kit->ops->current_waiter(kit);
        ASSERT_NE(waiter, nullptr);
        live_before = qor_kit_live_handles();
    }
    void TearDown() override { EXPECT_EQ(qor_kit_live_handles(), live_before); }

    int wait(std::vector<void*> handles, int* index, bool all, long timeout_ms) {
        return waiter->ops->wait(waiter, static_cast<int>(handles.size()), handles.data(), index,
                                 all ? 1 : 0, timeout_ms);
    }

    qor_kit* kit = nullptr;
    qor_waiter* waiter = nullptr;
    size_t live_before = 0;
};

// A thread's share of the work: fill its block with values an independent formula predicts.
struct Block {
    int index;
    std::vector<long>* out;
    size_t first, count;
};

void fill_block(void* arg) {
    auto* b = static_cast<Block*>(arg);
    for (size_t i = 0; i < b->count; ++i) {
        long j = static_cast<long>(b->first + i);
        (*b->out)[b->first + i] = j * j + b->index;
    }
}

TEST_F(Kit, EightThreadsWriteTheirOwnBlocksAndAreWaitedForTogether) {
    constexpr int kThreads = 8;
    constexpr size_t kPer = 10000;
    std::vector<long> out(kThreads * kPer, -1);
    std::vector<Block> blocks;
    for (int t = 0; t < kThreads; ++t) blocks.push_back({t, &out, t * kPer, kPer});
    std::vector<void*> handles(kThreads);
    for (int t = 0; t < kThreads; ++t)
        ASSERT_EQ(kit->ops->create_thread(kit, fill_block, &blocks[t], &handles[t]), 0);

    int index = -1;
    ASSERT_EQ(wait(handles, &index, true, 0), 0);
    EXPECT_EQ(index, 0);
    for (size_t i = 0; i < out.size(); ++i) {
        long expected = static_cast<long>(i * i) + static_cast<long>(i / kPer);
        ASSERT_EQ(out[i], expected) << "element " << i;
    }
    for (void* h : handles) EXPECT_EQ(kit->ops->close_handle(kit, h), 0);
}

// A thread that waits for a gate event before it returns.
struct Gated {
    qor_kit* kit;
    void* gate;
    std::atomic<int> result{-1};
};

void wait_for_gate(void* arg) {
    auto* g = static_cast<Gated*>(arg);
    qor_waiter* w = g->kit->ops->current_waiter(g->kit);
    int index = -1;
    g->result = w->ops->wait(w, 1, &g->gate, &index, 1, 0);
}

void do_nothing(void*) {}

TEST_F(Kit, WaitForAnyNamesTheFirstSignalledHandle) {
    Gated g{kit, nullptr};
    ASSERT_EQ(kit->ops->create_event(kit, &g.gate), 0);
    void* slow = nullptr;
    void* quick = nullptr;
    ASSERT_EQ(kit->ops->create_thread(kit, wait_for_gate, &g, &slow), 0);
    ASSERT_EQ(kit->ops->create_thread(kit, do_nothing, nullptr, &quick), 0);

    int index = -1;
    ASSERT_EQ(wait({slow, quick}, &index, false, 0), 0);
    EXPECT_EQ(index, 1);
    // The slow thread is still held by its gate.
    EXPECT_EQ(wait({slow}, &index, false, 20), QOR_KIT_TIMEOUT);

    ASSERT_EQ(kit->ops->post_event(kit, g.gate), 0);
    ASSERT_EQ(wait({slow, quick}, &index, true, 0), 0);
    EXPECT_EQ(g.result.load(), 0);
    ASSERT_EQ(wait({slow, quick}, &index, false, 0), 0);
    EXPECT_EQ(index, 0);                      // both signalled: the lowest index
    for (void* h : {slow, quick, g.gate}) EXPECT_EQ(kit->ops->close_handle(kit, h), 0);
}

TEST_F(Kit, PostedEventWakesAWaiterAndStaysSignalled) {
    Gated g{kit, nullptr};
    ASSERT_EQ(kit->ops->create_event(kit, &g.gate), 0);
    void* thread = nullptr;
    ASSERT_EQ(kit->ops->create_thread(kit, wait_for_gate, &g, &thread), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(g.result.load(), -1);           // still waiting
    ASSERT_EQ(kit->ops->post_event(kit, g.gate), 0);
    ASSERT_EQ(kit->ops->close_handle(kit, thread), 0);   // joins
    EXPECT_EQ(g.result.load(), 0);
    int index = -1;
    EXPECT_EQ(wait({g.gate}, &index, false, 10), 0);
    EXPECT_EQ(kit->ops->close_handle(kit, g.gate), 0);
}

TEST_F(Kit, TimeLimitEndsAWaitWithItsOwnCode) {
    void* a = nullptr;
    void* b = nullptr;
    ASSERT_EQ(kit->ops->create_event(kit, &a), 0);
    ASSERT_EQ(kit->ops->create_event(kit, &b), 0);
    ASSERT_EQ(kit->ops->post_event(kit, a), 0);

    int index = 5;
    auto start = Clock::now();
    EXPECT_EQ(wait({a, b}, &index, true, 50), QOR_KIT_TIMEOUT);   // one of two is not enough
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(50));
    EXPECT_EQ(index, -1);
    EXPECT_EQ(wait({b}, &index, false, 1), QOR_KIT_TIMEOUT);
    EXPECT_EQ(wait({b, a}, &index, false, 1), 0);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(kit->ops->close_handle(kit, a), 0);
    EXPECT_EQ(kit->ops->close_handle(kit, b), 0);
}

void sleep_then_mark(void* arg) {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    static_cast<std::atomic<int>*>(arg)->store(1);
}

TEST_F(Kit, ClosingAThreadJoinsItAndFreesTheHandleOnce) {
    std::atomic<int> done{0};
    void* finished = nullptr;
    ASSERT_EQ(kit->ops->create_thread(kit, do_nothing, nullptr, &finished), 0);
    ASSERT_EQ(wait({finished}, nullptr, true, 0), 0);
    EXPECT_EQ(kit->ops->close_handle(kit, finished), 0);
    EXPECT_EQ(kit->ops->close_handle(kit, finished), QOR_KIT_BAD_HANDLE);   // no double free

    void* running = nullptr;
    ASSERT_EQ(kit->ops->create_thread(kit, sleep_then_mark, &done, &running), 0);
    EXPECT_EQ(kit->ops->close_handle(kit, running), 0);
    EXPECT_EQ(done.load(), 1);                // close waited for the thread to end
}

// A thread that tries to close its own handle, which would never return if allowed.
struct SelfClose {
    qor_kit* kit;
    void* gate;
    void* self = nullptr;
    std::atomic<int> result{0};
};

void close_myself(void* arg) {
    auto* s = static_cast<SelfClose*>(arg);
    qor_waiter* w = s->kit->ops->current_waiter(s->kit);
    w->ops->wait(w, 1, &s->gate, nullptr, 1, 0);   // until the handle is known
    s->result = s->kit->ops->close_handle(s->kit, s->self);
}

TEST_F(Kit, RefusesBadArgumentsAndForeignHandles) {
    void* event = nullptr;
    ASSERT_EQ(kit->ops->create_event(kit, &event), 0);
    int index = 0;
    int bogus = 0;
    EXPECT_EQ(wait({}, &index, true, 0), QOR_KIT_BAD_ARGUMENT);
    EXPECT_EQ(waiter->ops->wait(waiter, 1, nullptr, &index, 1, 0), QOR_KIT_BAD_ARGUMENT);
    EXPECT_EQ(wait({event}, &index, true, -1), QOR_KIT_BAD_ARGUMENT);
    EXPECT_EQ(wait({event, &bogus}, &index, false, 0), QOR_KIT_BAD_HANDLE);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(wait({event, nullptr}, &index, false, 0), QOR_KIT_BAD_HANDLE);
    EXPECT_EQ(waiter->ops->wait(nullptr, 1, &event, &index, 1, 0), QOR_KIT_NO_WAITER);
    EXPECT_EQ(kit->ops->post_event(kit, &bogus), QOR_KIT_BAD_HANDLE);
    EXPECT_EQ(kit->ops->close_handle(kit, nullptr), QOR_KIT_BAD_HANDLE);
    EXPECT_EQ(kit->ops->create_thread(kit, nullptr, nullptr, &event), QOR_KIT_BAD_ARGUMENT);
    EXPECT_EQ(kit->ops->create_event(nullptr, &event), QOR_KIT_BAD_ARGUMENT);

    SelfClose s{kit, event};
    ASSERT_EQ(kit->ops->create_thread(kit, close_myself, &s, &s.self), 0);
    EXPECT_EQ(kit->ops->post_event(kit, s.self), QOR_KIT_BAD_HANDLE);   // a thread is no event
    ASSERT_EQ(kit->ops->post_event(kit, event), 0);
    ASSERT_EQ(wait({s.self}, &index, true, 0), 0);
    EXPECT_EQ(s.result.load(), QOR_KIT_SELF_CLOSE);
    EXPECT_EQ(kit->ops->close_handle(kit, s.self), 0);
    EXPECT_EQ(kit->ops->close_handle(kit, event), 0);
}

struct Waiting {
    qor_waiter* waiter;
    void* event;
    std::atomic<int> result{1};
};

void wait_on_event(void* arg) {
    auto* w = static_cast<Waiting*>(arg);
    w->result = w->waiter->ops->wait(w->waiter, 1, &w->event, nullptr, 1, 0);
}

TEST_F(Kit, ClosingAHandleReleasesItsWaiters) {
    Waiting w{waiter, nullptr};
    ASSERT_EQ(kit->ops->create_event(kit, &w.event), 0);
    void* thread = nullptr;
    ASSERT_EQ(kit->ops->create_thread(kit, wait_on_event, &w, &thread), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(kit->ops->close_handle(kit, w.event), 0);
    ASSERT_EQ(kit->ops->close_handle(kit, thread), 0);
    EXPECT_EQ(w.result.load(), QOR_KIT_BAD_HANDLE);   // told, rather than left waiting forever
}

struct PoolUser {
    qor_pool* pool;
    std::atomic<int> failures{0};
};

void churn_pool(void* arg) {
    auto* u = static_cast<PoolUser*>(arg);
    for (int i = 0; i < 1000; ++i) {
        void* p = u->pool->allocate(u->pool, 64, QOR_ALLOC_ZERO);
        if (!p) { ++u->failures; continue; }
        std::memset(p, 0xAB, 64);
        if (u->pool->release(u->pool, p, 64, QOR_FREE_SIZED) != 0) ++u->failures;
    }
}

TEST_F(Kit, SharedPoolsServeSeveralThreadsAndOnlyKitPoolsAreDeleted) {
    qor_pool* pool = kit->ops->create_pool(kit, "Market State pool");
    ASSERT_NE(pool, nullptr);
    EXPECT_STREQ(qor_kit_pool_label(pool), "Market State pool");
    PoolUser user{pool};
    std::vector<void*> threads(4);
    for (void*& h : threads) ASSERT_EQ(kit->ops->create_thread(kit, churn_pool, &user, &h), 0);
    ASSERT_EQ(wait(threads, nullptr, true, 0), 0);
    for (void* h : threads) EXPECT_EQ(kit->ops->close_handle(kit, h), 0);
    EXPECT_EQ(user.failures.load(), 0);
    EXPECT_EQ(qor_pool_live_blocks(pool), 0u);

    qor_pool* foreign = xmpoolc(0, 0, 0);
    EXPECT_EQ(kit->ops->delete_pool(kit, foreign), QOR_KIT_BAD_HANDLE);
    EXPECT_NE(foreign->allocate(foreign, 8, QOR_ALLOC_PLAIN), nullptr);   // still usable
    EXPECT_EQ(xmpoold(foreign), 0);
    EXPECT_EQ(kit->ops->delete_pool(kit, pool), 0);
    EXPECT_EQ(kit->ops->delete_pool(kit, pool), QOR_KIT_BAD_HANDLE);
    EXPECT_EQ(qor_kit_pool_label(pool), nullptr);
}

TEST_F(Kit, ProcessorCountIsAtLeastOne) {
    int n = kit->ops->processor_count(kit);
    EXPECT_EQ(n, static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
}

TEST_F(Kit, StatusTextsCarryTheCodeInHex) {
    const qor_message_ops* ops = kit->messages->ops;
    char buf[128];
    size_t len = 0;
    ASSERT_EQ(ops->status_to_buf(kit->messages, buf, sizeof buf, &len, QOR_KIT_TIMEOUT, nullptr), 0);
    EXPECT_STREQ(buf, "The wait timed out. (status 0x803FC00A)");
    EXPECT_EQ(len, std::strlen(buf));
    ASSERT_EQ(ops->status_to_buf(kit->messages, buf, sizeof buf, &len, 0x1234ABCD, nullptr), 0);
    EXPECT_STREQ(buf, "Status 0x1234ABCD.");

    // Cut to the buffer, terminated, and the full length told.
    char small[8];
    std::memset(small, 'X', sizeof small);
    EXPECT_EQ(ops->status_to_buf(kit->messages, small, 7, &len, 0x1234ABCD, nullptr),
              QOR_KIT_TOO_SMALL);
    EXPECT_STREQ(small, "Status");
    EXPECT_EQ(small[7], 'X');
    EXPECT_EQ(len, std::strlen("Status 0x1234ABCD."));
    EXPECT_EQ(ops->status_to_buf(kit->messages, nullptr, 4, &len, 0, nullptr), QOR_KIT_BAD_ARGUMENT);
}

// Passes inserts the way a module's variadic wrapper would.
int message_with_inserts(qor_message_object* m, char* buf, size_t size, ...) {
    va_list args;
    va_start(args, size);
    size_t len = 0;
    int rc = m->ops->message_to_buf(m, buf, size, &len, 598, 502, &args);
    va_end(args);
    return rc;
}

TEST_F(Kit, MessageTextsComeFromTheHostMessageTables) {
    const qor_message_ops* ops = kit->messages->ops;
    char expected[256];
    int n = xpmstr(expected, sizeof expected, 598, 501);
    ASSERT_GE(n, 0);
    char buf[256];
    size_t len = 0;
    ASSERT_EQ(ops->message_to_buf(kit->messages, buf, sizeof buf, &len, 598, 501, nullptr), 0);
    EXPECT_STREQ(buf, expected);
    EXPECT_EQ(len, static_cast<size_t>(n));
    EXPECT_EQ(ops->message_to_buf(kit->messages, buf, 1, &len, 598, 501, nullptr),
              n > 0 ? QOR_KIT_TOO_SMALL : 0);
    EXPECT_STREQ(buf, "");
    // Inserts cannot be handed on from a va_list: refused with a code, nothing written.
    std::memset(buf, 'X', sizeof buf);
    EXPECT_EQ(message_with_inserts(kit->messages, buf, sizeof buf, "Statement parsing", 1.5),
              QOR_KIT_UNSUPPORTED);
    EXPECT_EQ(buf[0], 'X');
}

}  // namespace

// How kit threads end and which task they run with.
namespace {

struct Ending {
    int how;                       // 0 returns, 1 exits with 37, 2 runs out of memory, 3 throws
    qor_task* seen_task = nullptr;
};

void end_as_told(void* arg) {
    auto* e = static_cast<Ending*>(arg);
    e->seen_task = qor_current_task();
    if (e->how == 1) xexit(37);
    if (e->how == 2) throw std::bad_alloc();
    if (e->how == 3) throw std::runtime_error("a fault in the routine");
}

}  // namespace

TEST_F(Kit, TheWaiterSeesHowEachThreadEnded) {
    ScratchArea scratch;
    scratch.open("qor_kit_");
    struct Case {
        int how;
        int code;
    };
    const Case cases[] = {{0, 0}, {1, 37}, {2, QOR_KIT_THREAD_FAILED}, {3, QOR_KIT_THREAD_FAILED}};
    std::vector<Ending> endings;
    for (const Case& c : cases) endings.push_back({c.how});
    std::vector<void*> handles(endings.size());
    for (size_t i = 0; i < endings.size(); ++i)
        ASSERT_EQ(kit->ops->create_thread(kit, end_as_told, &endings[i], &handles[i]), 0);
    int index = -1;
    ASSERT_EQ(wait(handles, &index, true, 0), 0);
    for (size_t i = 0; i < endings.size(); ++i) {
        int code = -1;
        EXPECT_EQ(kit->ops->thread_exit_code(kit, handles[i], &code), 0);
        EXPECT_EQ(code, cases[i].code) << "case " << i;
    }
    for (void* h : handles) EXPECT_EQ(kit->ops->close_handle(kit, h), 0);
    std::string log = scratch.log();
    scratch.close();
    EXPECT_NE(log.find("A thread of the kit stopped: not enough memory."), std::string::npos) << log;
    EXPECT_NE(log.find("A thread of the kit stopped: a fault in the routine."), std::string::npos)
        << log;
}

TEST_F(Kit, ThreadExitCodeIsRefusedWhileRunningAndForEvents) {
    Gated g{kit, nullptr};
    ASSERT_EQ(kit->ops->create_event(kit, &g.gate), 0);
    void* thread = nullptr;
    ASSERT_EQ(kit->ops->create_thread(kit, wait_for_gate, &g, &thread), 0);
    int code = -1;
    EXPECT_EQ(kit->ops->thread_exit_code(kit, thread, &code), QOR_KIT_RUNNING);
    EXPECT_EQ(kit->ops->thread_exit_code(kit, g.gate, &code), QOR_KIT_BAD_HANDLE);
    EXPECT_EQ(kit->ops->thread_exit_code(kit, thread, nullptr), QOR_KIT_BAD_ARGUMENT);
    EXPECT_EQ(code, -1);
    ASSERT_EQ(kit->ops->post_event(kit, g.gate), 0);
    int index = -1;
    ASSERT_EQ(wait({thread}, &index, true, 0), 0);
    EXPECT_EQ(kit->ops->thread_exit_code(kit, thread, &code), 0);
    EXPECT_EQ(code, 0);
    for (void* h : {thread, g.gate}) EXPECT_EQ(kit->ops->close_handle(kit, h), 0);
}

// The main thread runs the main task; a kit thread inherits its creator's task, or runs with the
// one it is given; a thread the kit did not start has none until it is given one.
TEST_F(Kit, TasksAreThreadLocalAndInheritedByKitThreads) {
    qor_task* main_task = qor_current_task();
    ASSERT_NE(main_task, nullptr);
    EXPECT_EQ(main_task->kind, 1);

    Ending inherited{0};
    qor_task own{};
    Ending given{0};
    void* a = nullptr;
    void* b = nullptr;
    ASSERT_EQ(kit->ops->create_thread(kit, end_as_told, &inherited, &a), 0);
    ASSERT_EQ(kit->ops->create_task_thread(kit, end_as_told, &given, &own, &b), 0);
    int index = -1;
    ASSERT_EQ(wait({a, b}, &index, true, 0), 0);
    EXPECT_EQ(inherited.seen_task, main_task);
    EXPECT_EQ(given.seen_task, &own);
    for (void* h : {a, b}) EXPECT_EQ(kit->ops->close_handle(kit, h), 0);

    // A task set on another thread is not seen here, and the other thread starts with none.
    qor_task* foreign_before = main_task;
    qor_task* foreign_after = nullptr;
    std::thread t([&] {
        foreign_before = qor_current_task();
        qor_set_current_task(&own);
        foreign_after = qor_current_task();
    });
    t.join();
    EXPECT_EQ(foreign_before, nullptr);
    EXPECT_EQ(foreign_after, &own);
    EXPECT_EQ(qor_current_task(), main_task);

    // A kit thread started from a thread with its own task inherits that one.
    Ending nested{0};
    std::thread creator([&] {
        qor_set_current_task(&own);
        void* h = nullptr;
        if (kit->ops->create_thread(kit, end_as_told, &nested, &h) != 0) return;
        int i = -1;
        wait({h}, &i, true, 0);
        kit->ops->close_handle(kit, h);
    });
    creator.join();
    EXPECT_EQ(nested.seen_task, &own);
}

// A thread that has no task has no step to run a procedure in.
TEST(Tasks, AThreadWithoutATaskCannotRunAStep) {
    ScratchArea scratch;
    scratch.open("qor_task_");
    int code = -1;
    std::thread t([&] { code = qor::runtime::run_procedure_step("PRINT", "proc print; run;", 1); });
    t.join();
    std::string log = scratch.log();
    scratch.close();
    EXPECT_EQ(code, 1);
    EXPECT_NE(log.find("ERROR: Procedure PRINT cannot be run on a thread that has no task."),
              std::string::npos)
        << log;
}
