// The host kit handle: threads writing their own blocks, waits for all and for any, events,
// time limits, closing handles, shared pools and the message object.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "host/kit.h"
#include "host/print.h"
#include "runtime/core/kit_internal.h"

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
