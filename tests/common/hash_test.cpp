// Hash table: bucket counts, the key hash, growth in insertion order, duplicates, removal,
// blank-insensitive keys, argument faults and a failed growth allocation.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/hash/hash_table.h"
#include "host/pool.h"

namespace {

bool is_prime(uint32_t n) {
    if (n < 2) return false;
    for (uint32_t d = 2; d * d <= n; ++d) {
        if (n % d == 0) return false;
    }
    return true;
}

// A pool and a table in it, with keys that live as long as the fixture.
class HashTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        pool = xmpoolc(0, 0, 0);
        ASSERT_NE(pool, nullptr);
    }
    void TearDown() override {
        qor_pool_fail_nth(0);
        xmemdef();
        xmpoold(pool);
    }
    hash_item* add(hash_table* table, const std::string& key, int expected = HASH_INSERTED) {
        keys.push_back(std::make_unique<std::string>(key));
        hash_item* item = create_hash_item(pool, keys.back()->c_str(), keys.back().get());
        EXPECT_EQ(hash_insert(table, item), expected) << key;
        return item;
    }
    std::vector<std::string> walk(const hash_table* table) {
        std::vector<std::string> order;
        for (hash_item* item = enumerate_table(table); item; item = item->next) order.push_back(item->key);
        return order;
    }
    qor_pool* pool = nullptr;
    std::vector<std::unique_ptr<std::string>> keys;
};

}  // namespace

TEST(HashSize, BucketCountsFromThePrimeTable) {
    struct Case { int hint; uint32_t expected; };
    const Case cases[] = {
        {-5, 23}, {0, 23}, {23, 23}, {24, 29}, {29, 29}, {30, 37}, {1009, 1009}, {1010, 1109},
        {2504, 2505}, {1024020, 1024021}, {1024021, 1024021}, {2000000, 1024021},
    };
    for (const Case& c : cases) EXPECT_EQ(zhashsz(c.hint), c.expected) << c.hint;

    for (int i = 1; i < HASH_PRIME_COUNT; ++i) EXPECT_LT(primes[i - 1], primes[i]);
    for (uint32_t count : primes) {
        bool known_composite = count == 2505 || count == 364001;
        EXPECT_EQ(is_prime(count), !known_composite) << count;
    }
}

TEST(HashSize, KeyHashFoldsBigEndianChunks) {
    const uint32_t whole = 0xFFFFFFFFu;   // a count above every fold shows the fold itself
    EXPECT_EQ(zhash("ABCD", whole, 4), 0x41424344u);
    EXPECT_EQ(zhash("ABCDE", whole, 5), 0x41424301u);
    EXPECT_EQ(zhash("AB", whole, 2), 0x4142u);
    EXPECT_EQ(zhash("ABCDEFGH", whole, 8), 0x41424344u ^ 0x45464748u);
    EXPECT_EQ(zhash("ABCD", 23, 4), 0x41424344u % 23);
    EXPECT_EQ(zhash("ABCDE", 23, 5), 0x41424301u % 23);
    EXPECT_EQ(zhash("", 23, 0), 0u);
    EXPECT_EQ(zhash("ABC", 23, -1), 0u);
    EXPECT_EQ(zhash(nullptr, 23, 3), 0u);
    EXPECT_EQ(zhash("ABC", 0, 3), 0u);
    EXPECT_EQ(zhash("\xFF\xFF\xFF\xFF", whole, 4), 0u);   // bytes are unsigned
}

TEST_F(HashTableTest, GrowsAtTheTwentyFourthInsertKeepingOrder) {
    hash_table* table = new_hash_table(pool, 10);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->bucket_count, 23u);
    std::vector<std::string> inserted;
    for (int i = 0; i < 23; ++i) {
        inserted.push_back("KEY" + std::to_string(i * 7919));
        add(table, inserted.back());
    }
    EXPECT_EQ(table->bucket_count, 23u);
    inserted.push_back("LAST");
    add(table, inserted.back());
    EXPECT_EQ(table->bucket_count, 47u);
    EXPECT_EQ(table->item_count, 24u);
    EXPECT_EQ(walk(table), inserted);
    for (const std::string& key : inserted) {
        hash_item* item = hash_query(table, key.c_str());
        ASSERT_NE(item, nullptr) << key;
        EXPECT_EQ(*static_cast<std::string*>(item->value), key);
    }
    EXPECT_EQ(del_hash_table(pool, table), 0);
    EXPECT_EQ(qor_pool_live_blocks(pool), 0u);   // items, buckets and head all freed
}

TEST_F(HashTableTest, ManyKeysStayFindableAndLoadStaysAtMostOne) {
    hash_table* table = new_hash_table(pool, 0);
    for (int i = 0; i < 5000; ++i) add(table, "N" + std::to_string(i));
    EXPECT_EQ(table->item_count, 5000u);
    EXPECT_GE(table->bucket_count, table->item_count);
    // Doubling through the prime table: 23, 47, 97, 197, 401, 809, 1753, 3511, 7507.
    EXPECT_EQ(table->bucket_count, 7507u);
    for (int i = 0; i < 5000; i += 37) EXPECT_NE(hash_query(table, ("N" + std::to_string(i)).c_str()), nullptr);
    EXPECT_EQ(hash_query(table, "N5000"), nullptr);
    del_hash_table(pool, table);
}

TEST_F(HashTableTest, DuplicateKeyIsRejectedWithItsOwnCode) {
    hash_table* table = new_hash_table(pool, 10);
    hash_item* first = add(table, "RATE");
    add(table, "OTHER");
    hash_item* again = add(table, "RATE", HASH_DUPLICATE);
    hash_item* padded = add(table, "RATE   ", HASH_DUPLICATE);   // equal as blank-padded fields
    EXPECT_EQ(table->item_count, 2u);
    EXPECT_EQ(hash_query(table, "RATE"), first);
    EXPECT_EQ(walk(table), (std::vector<std::string>{"RATE", "OTHER"}));
    // The rejected items are the caller's to free.
    EXPECT_EQ(del_hash_item(pool, again), 0);
    EXPECT_EQ(del_hash_item(pool, padded), 0);
    del_hash_table(pool, table);
    EXPECT_EQ(qor_pool_live_blocks(pool), 0u);
}

// Keys whose chunks are the same four bytes in another order fold to the same hash and have
// the same length: only their bytes tell them apart.
TEST_F(HashTableTest, KeysWithEqualFoldsAndLengthsStayApart) {
    ASSERT_EQ(zhash_fold("ABCDEFGH", 8), zhash_fold("EFGHABCD", 8));
    ASSERT_EQ(zhash_fold("ABCDEFGH", 8), 0x41424344u ^ 0x45464748u);
    hash_table* table = new_hash_table(pool, 0);
    hash_item* first = add(table, "ABCDEFGH");
    hash_item* second = add(table, "EFGHABCD");
    hash_item* third = add(table, "EFGHABCD ", HASH_DUPLICATE);
    EXPECT_EQ(hash_query(table, "ABCDEFGH  "), first);
    EXPECT_EQ(hash_query(table, "EFGHABCD"), second);
    EXPECT_EQ(hash_query(table, "ABCDEFGX"), nullptr);
    EXPECT_EQ(hash_remove(table, "EFGHABCD   "), second);
    EXPECT_EQ(hash_query(table, "EFGHABCD"), nullptr);
    EXPECT_EQ(hash_query(table, "ABCDEFGH"), first);
    del_hash_item(pool, second);
    del_hash_item(pool, third);
    del_hash_table(pool, table);
}

TEST_F(HashTableTest, TrailingBlanksNeverSeparateKeys) {
    // Hashed over their full length, "AB" and "AB  " fall in buckets 8 and 16 of 23.
    ASSERT_NE(zhash("AB", 23, 2), zhash("AB  ", 23, 4));
    hash_table* table = new_hash_table(pool, 10);
    hash_item* ab = add(table, "AB");
    hash_item* key = add(table, "KEY   ");
    EXPECT_EQ(hash_query(table, "AB  "), ab);
    EXPECT_EQ(hash_query(table, "AB"), ab);
    EXPECT_EQ(hash_query(table, "KEY"), key);
    EXPECT_EQ(hash_query(table, "KEY "), key);
    EXPECT_EQ(hash_query(table, " AB"), nullptr);   // leading blanks do count
    EXPECT_EQ(hash_query(table, "ab"), nullptr);    // and so does case
    EXPECT_EQ(hash_remove(table, "AB "), ab);
    EXPECT_EQ(hash_query(table, "AB"), nullptr);
    EXPECT_EQ(hash_remove(table, "KEY"), key);
    EXPECT_EQ(table->item_count, 0u);
    del_hash_table(pool, table);
}

TEST_F(HashTableTest, RemovalKeepsBothChainsConsistent) {
    hash_table* table = new_hash_table(pool, 10);
    // With 23 buckets, "A" (65), "X" (88) and "o" (111) share bucket 19.
    hash_item* a = add(table, "A");
    hash_item* x = add(table, "X");
    hash_item* o = add(table, "o");
    hash_item* b = add(table, "B");
    ASSERT_EQ(zhash("A", 23, 1), zhash("X", 23, 1));
    ASSERT_EQ(zhash("A", 23, 1), zhash("o", 23, 1));

    EXPECT_EQ(hash_remove(table, "absent"), nullptr);
    EXPECT_EQ(table->item_count, 4u);
    EXPECT_EQ(hash_remove(table, "X"), x);              // middle of a bucket chain
    EXPECT_EQ(hash_query(table, "o"), o);
    EXPECT_EQ(hash_query(table, "A"), a);
    EXPECT_EQ(hash_remove(table, "B"), b);              // last inserted: predecessor becomes last
    EXPECT_EQ(table->last, o);
    EXPECT_EQ(o->next, nullptr);
    EXPECT_EQ(hash_remove(table, "A"), a);              // first inserted and head of its chain
    EXPECT_EQ(table->first, o);
    EXPECT_EQ(o->previous, nullptr);
    EXPECT_EQ(hash_query(table, "o"), o);
    EXPECT_EQ(walk(table), (std::vector<std::string>{"o"}));
    EXPECT_EQ(table->item_count, 1u);

    EXPECT_EQ(hash_insert(table, x), HASH_INSERTED);    // a removed item can come back
    EXPECT_EQ(walk(table), (std::vector<std::string>{"o", "X"}));
    EXPECT_EQ(hash_remove(table, "o"), o);
    EXPECT_EQ(hash_remove(table, "X"), x);
    EXPECT_EQ(enumerate_table(table), nullptr);
    EXPECT_EQ(table->last, nullptr);
    for (hash_item* item : {a, x, o, b}) EXPECT_EQ(del_hash_item(pool, item), 0);
    del_hash_table(pool, table);
    EXPECT_EQ(qor_pool_live_blocks(pool), 0u);
}

TEST_F(HashTableTest, ArgumentFaults) {
    hash_table* table = new_hash_table(pool, 10);
    hash_item* keyless = new_hash_item(pool);
    ASSERT_NE(keyless, nullptr);
    EXPECT_EQ(keyless->key, nullptr);
    EXPECT_EQ(keyless->next, nullptr);
    EXPECT_EQ(hash_insert(nullptr, keyless), HASH_NO_TABLE);
    hash_table no_buckets{};
    EXPECT_EQ(hash_insert(&no_buckets, keyless), HASH_NO_TABLE);
    EXPECT_EQ(hash_insert(table, nullptr), HASH_NO_ITEM);
    EXPECT_EQ(hash_insert(table, keyless), HASH_NO_ITEM);
    EXPECT_EQ(hash_query(table, nullptr), nullptr);
    EXPECT_EQ(hash_query(nullptr, "A"), nullptr);
    EXPECT_EQ(hash_query(&no_buckets, "A"), nullptr);
    EXPECT_EQ(hash_remove(nullptr, "A"), nullptr);
    EXPECT_EQ(hash_remove(table, nullptr), nullptr);
    EXPECT_EQ(hash_remove(&no_buckets, "A"), nullptr);
    EXPECT_EQ(enumerate_table(nullptr), nullptr);
    EXPECT_EQ(del_hash_item(pool, nullptr), 1);
    EXPECT_EQ(del_hash_item(nullptr, keyless), 86);
    EXPECT_EQ(del_hash_table(pool, nullptr), 1);
    EXPECT_EQ(table->item_count, 0u);
    del_hash_item(pool, keyless);
    del_hash_table(nullptr, table);   // a null pool frees through the table's own pool
    EXPECT_EQ(qor_pool_live_blocks(pool), 0u);
}

TEST_F(HashTableTest, AllocationFailures) {
    qor_pool_fail_nth(1);
    EXPECT_EQ(new_hash_table(pool, 10), nullptr);    // head
    qor_pool_fail_nth(2);
    EXPECT_EQ(new_hash_table(pool, 10), nullptr);    // bucket array: the head is given back
    EXPECT_EQ(qor_pool_live_blocks(pool), 0u);
    qor_pool_fail_nth(1);
    EXPECT_EQ(create_hash_item(pool, "K", nullptr), nullptr);
    qor_pool_fail_nth(0);

    // A growth that cannot be allocated inserts without growing; the table stays usable and
    // the next insertion grows it.
    hash_table* table = new_hash_table(pool, 10);
    std::vector<std::string> inserted;
    for (int i = 0; i < 23; ++i) {
        inserted.push_back("K" + std::to_string(i));
        add(table, inserted.back());
    }
    keys.push_back(std::make_unique<std::string>("K23"));
    hash_item* item = create_hash_item(pool, keys.back()->c_str(), nullptr);
    inserted.push_back("K23");
    qor_pool_fail_nth(1);
    EXPECT_EQ(hash_insert(table, item), HASH_INSERTED);
    qor_pool_fail_nth(0);
    EXPECT_EQ(table->bucket_count, 23u);
    EXPECT_EQ(table->item_count, 24u);
    for (const std::string& key : inserted) EXPECT_NE(hash_query(table, key.c_str()), nullptr) << key;
    inserted.push_back("K24");
    add(table, "K24");
    EXPECT_EQ(table->bucket_count, 47u);
    EXPECT_EQ(walk(table), inserted);
    for (const std::string& key : inserted) EXPECT_NE(hash_query(table, key.c_str()), nullptr) << key;
    del_hash_table(pool, table);
    EXPECT_EQ(qor_pool_live_blocks(pool), 0u);
}
