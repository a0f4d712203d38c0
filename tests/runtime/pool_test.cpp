// Host memory pools: zero-filled allocation, sized free, growth, failure injection.
#include <gtest/gtest.h>

#include <cstring>

#include "host/pool.h"

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
