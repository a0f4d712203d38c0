// Host memory pools: zero-filled allocation, sized free, growth, failure injection.
#include <gtest/gtest.h>

#include <cstring>

#include "host/pool.h"
#include "tests/support/scratch.h"

TEST(Pool, AllocateZeroFreeAndDelete) {
    qor_pool* pool = xmpoolc(1024, 1024, 0);
    ASSERT_NE(pool, nullptr);
    auto* p = static_cast<unsigned char*>(pool->allocate(pool, 100, QOR_ALLOC_ZERO));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 100; ++i) EXPECT_EQ(p[i], 0);
    void* q = pool->allocate(pool, 50, QOR_ALLOC_PLAIN);
    EXPECT_EQ(qor_pool_live_blocks(pool), 2u);
    EXPECT_EQ(pool->release(pool, p, 100, QOR_FREE_SIZED), 0);
    EXPECT_EQ(qor_pool_live_blocks(pool), 1u);
    (void)q;
    EXPECT_EQ(xmpoold(pool), 0);   // releases q too
}

TEST(Pool, ReallocKeepsContentsAndZeroFillsGrowth) {
    qor_pool* pool = xmpoolc(0, 0, 0);
    auto* p = static_cast<char*>(pool->allocate(pool, 4, QOR_ALLOC_PLAIN));
    std::memcpy(p, "abcd", 4);
    auto* q = static_cast<char*>(xmrealc(pool, p, 4, 16, 6));
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(std::memcmp(q, "abcd", 4), 0);
    for (int i = 4; i < 16; ++i) EXPECT_EQ(q[i], 0);
    EXPECT_EQ(qor_pool_live_blocks(pool), 1u);
    xmpoold(pool);
}

TEST(Pool, InjectedFailureIsReportedNotFatal) {
    qor_pool* pool = xmpoolc(0, 0, 0);
    xmemdef();
    qor_pool_fail_nth(2);
    EXPECT_NE(pool->allocate(pool, 8, QOR_ALLOC_PLAIN), nullptr);
    EXPECT_EQ(pool->allocate(pool, 8, QOR_ALLOC_PLAIN), nullptr);
    EXPECT_NE(xmemdef(), 0);
    EXPECT_EQ(xmemdef(), 0);
    EXPECT_NE(pool->allocate(pool, 8, QOR_ALLOC_PLAIN), nullptr);
    xmpoold(pool);
}

// A block freed through a pool that did not allocate it is refused: both pools keep their
// counts, the block stays usable in its own pool, and deleting both pools frees it only once
// (the sanitizer build would report a double free).
TEST(Pool, FreeThroughAnotherPoolIsRefused) {
    ScratchArea scratch;
    scratch.open("qor_pool_");
    qor_pool* first = xmpoolc(0, 0, 0);
    qor_pool* second = xmpoolc(0, 0, QOR_POOL_SHARED);
    void* a = first->allocate(first, 32, QOR_ALLOC_PLAIN);
    void* b = second->allocate(second, 32, QOR_ALLOC_PLAIN);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);

    EXPECT_EQ(second->release(second, a, 32, QOR_FREE_SIZED), QOR_POOL_FOREIGN_BLOCK);
    EXPECT_EQ(xmrealc(second, a, 32, 64, QOR_ALLOC_PLAIN), nullptr);
    EXPECT_EQ(qor_pool_live_blocks(first), 1u);
    EXPECT_EQ(qor_pool_live_blocks(second), 1u);
    std::memset(a, 7, 32);   // still a live block of the first pool

    EXPECT_EQ(first->release(first, a, 32, QOR_FREE_SIZED), 0);
    EXPECT_EQ(qor_pool_live_blocks(first), 0u);
    EXPECT_EQ(xmpoold(first), 0);
    EXPECT_EQ(xmpoold(second), 0);
    xpoflsh(0);
    std::string log = scratch.log();
    scratch.close();
    EXPECT_NE(log.find("ERROR: Internal: vmfree: block"), std::string::npos) << log;
    EXPECT_NE(log.find("belongs to another pool"), std::string::npos) << log;
}
