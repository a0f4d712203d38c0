// Ordered value sets, the balanced tree, the ordering of doubles with missing values and the
// index-range quicksort.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/containers/avl_tree.h"
#include "common/containers/ordering.h"
#include "common/containers/value_set.h"
#include "host/missing.h"

namespace {

struct PoolFixture : ::testing::Test {
    qor_pool* pool = nullptr;
    void SetUp() override { pool = xmpoolc(4096, 4096, 0); }
    void TearDown() override { xmpoold(pool); }
};

using ValueSet = PoolFixture;

std::string trimmed(const char* field, int width) {
    std::string s(field, width);
    return s.substr(s.find_first_not_of(' '));
}

TEST_F(ValueSet, NumericKeysListedInInsertionAndSortedOrder) {
    value_set* set = nullptr;
    ASSERT_EQ(zvinit(&set, pool, VSET_NUMERIC, 0, 0), 0);
    EXPECT_EQ(set->format, 89);
    for (double k : {3.0, 1.0, 2.0}) EXPECT_EQ(zvadd(set, &k), 0);
    double three = 3.0, one = 1.0, two = 2.0, four = 4.0;
    EXPECT_EQ(zvadd(set, &one), 1);
    EXPECT_EQ(zvseqno(set, &three), 0);
    EXPECT_EQ(zvseqno(set, &one), 1);
    EXPECT_EQ(zvseqno(set, &two), 2);
    EXPECT_EQ(zvseqno(set, &four), -1);
    EXPECT_EQ(zvcount(set), 3);
    EXPECT_EQ(zvsize(set), 16);

    char* out = nullptr;
    ASSERT_EQ(zvbuild(set, 0, &out), 0);
    EXPECT_EQ(trimmed(out, 16), "3");
    EXPECT_EQ(trimmed(out + 16, 16), "1");
    EXPECT_EQ(trimmed(out + 32, 16), "2");
    ASSERT_EQ(zvbuild(set, 1, &out), 0);
    EXPECT_EQ(trimmed(out, 16), "1");
    EXPECT_EQ(trimmed(out + 16, 16), "2");
    EXPECT_EQ(trimmed(out + 32, 16), "3");
    EXPECT_EQ(zvseqno(set, &three), 2);
    EXPECT_EQ(zvseqno(set, &one), 0);
    EXPECT_EQ(zvseqno(set, &two), 1);
    EXPECT_EQ(zvterm(set), 0);
    EXPECT_EQ(qor_pool_live_blocks(pool), 0u);
}

TEST_F(ValueSet, NearlyEqualNumbersAreOneKeyAndMissingValuesSortFirst) {
    value_set* set = nullptr;
    ASSERT_EQ(zvinit(&set, pool, VSET_NUMERIC, 0, 0), 0);
    double a = 1.0, b = 1.0 + 1e-15;
    EXPECT_EQ(zvadd(set, &a), 0);
    EXPECT_EQ(zvadd(set, &b), 1);
    EXPECT_EQ(zdblcom(a, b), -1);
    double zero = 0.0, dot = qor::make_missing(0), underscore = qor::make_missing(95),
           letter = qor::make_missing('A');
    for (double* k : {&zero, &letter, &dot, &underscore}) EXPECT_EQ(zvadd(set, k), 0);
    char* out = nullptr;
    ASSERT_EQ(zvbuild(set, 1, &out), 0);
    const char* expected[] = {"._", ".", ".A", "0", "1"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(trimmed(out + 16 * i, 16), expected[i]) << i;
    zvterm(set);
}

TEST_F(ValueSet, CharacterKeysCompareAsUnsignedBytes) {
    value_set* set = nullptr;
    ASSERT_EQ(zvinit(&set, pool, VSET_CHARACTER, 3, 0), 0);
    for (const char* k : {"b\xE9z", "abc", "b  ", "abc"}) zvadd(set, k);
    EXPECT_EQ(zvcount(set), 3);
    char* out = nullptr;
    ASSERT_EQ(zvbuild(set, 1, &out), 0);
    EXPECT_EQ(std::string(out, 9), std::string("abcb  b\xE9z"));
    zvterm(set);
}

TEST_F(ValueSet, ErrorCodes) {
    value_set* set = reinterpret_cast<value_set*>(&set);
    EXPECT_EQ(zvinit(nullptr, pool, 1, 0, 0), 86);
    EXPECT_EQ(zvinit(&set, nullptr, 1, 0, 0), 86);
    EXPECT_EQ(zvinit(&set, pool, 3, 0, 0), 8602);
    EXPECT_EQ(set, nullptr);
    set = reinterpret_cast<value_set*>(&set);
    EXPECT_EQ(zvinit(&set, pool, 2, 0, 0), 8603);
    EXPECT_EQ(set, nullptr);
    double k = 1.0;
    EXPECT_EQ(zvadd(nullptr, &k), 86);
    EXPECT_EQ(zvcount(nullptr), 0);
    EXPECT_EQ(zvsize(nullptr), 0);
    EXPECT_EQ(zvseqno(nullptr, &k), -1);
    EXPECT_EQ(zvterm(nullptr), 86);
    char* out = nullptr;
    EXPECT_EQ(zvbuild(nullptr, 0, &out), 86);
    ASSERT_EQ(zvinit(&set, pool, 1, 0, 0), 0);
    EXPECT_EQ(zvbuild(set, 0, nullptr), 8607);
    out = reinterpret_cast<char*>(&out);
    EXPECT_EQ(zvbuild(set, 1, &out), 0);
    EXPECT_EQ(out, nullptr);                       // empty set lists nothing
    zvterm(set);
}

TEST_F(ValueSet, FailedAddLeavesTheCountUnchanged) {
    value_set* set = nullptr;
    ASSERT_EQ(zvinit(&set, pool, VSET_NUMERIC, 0, 0), 0);
    double one = 1.0, two = 2.0;
    zvadd(set, &one);
    qor_pool_fail_nth(2);                          // the probe succeeds, the node fails
    EXPECT_EQ(zvadd(set, &two), 8601);
    qor_pool_fail_nth(0);
    EXPECT_EQ(zvcount(set), 1);
    // A compare routine that finds no key on the search but an equal one on the balancing pass
    // makes the tree refuse the node: the set must stay as it was.
    static int calls;
    calls = 0;
    set->compare = [](const qor_avl_node*, const qor_avl_node*, int, int) { return ++calls == 3 ? 0 : 1; };
    EXPECT_EQ(zvadd(set, &two), 8604);
    EXPECT_EQ(zvcount(set), 1);
    EXPECT_EQ(set->root->right, nullptr);
    set->compare = CompD;
    char* out = nullptr;
    EXPECT_EQ(zvbuild(set, 1, &out), 0);           // count and tree still agree
    zvterm(set);
}

struct IntNode {
    qor_avl_node link;
    int key;
};

int depth(const qor_avl_node* n) { return n ? 1 + std::max(depth(n->left), depth(n->right)) : 0; }

// Checks ordering, balance factors and the height bound; returns the height.
int check_avl(const qor_avl_node* n) {
    if (!n) return 0;
    int l = check_avl(n->left), r = check_avl(n->right);
    EXPECT_EQ(n->balance, r - l);
    EXPECT_LE(std::abs(r - l), 1);
    return 1 + std::max(l, r);
}

int compare_int(const qor_avl_node* a, const qor_avl_node* b, int, int) {
    int x = reinterpret_cast<const IntNode*>(a)->key, y = reinterpret_cast<const IntNode*>(b)->key;
    return x < y ? -1 : (x > y ? 1 : 0);
}

TEST(AvlTree, IncreasingKeysGiveABalancedTree) {
    std::vector<IntNode> nodes(7);
    qor_avl_node* root = nullptr;
    for (int i = 0; i < 7; ++i) {
        nodes[i].key = i + 1;
        EXPECT_EQ(ztrebdf(&root, &nodes[i].link, 4, offsetof(IntNode, key), compare_int), &nodes[i].link);
    }
    EXPECT_EQ(reinterpret_cast<IntNode*>(root)->key, 4);
    EXPECT_EQ(depth(root), 3);
    IntNode probe{};
    probe.key = 6;
    EXPECT_EQ(ztrefdf(&root, &probe.link, 4, offsetof(IntNode, key), compare_int), &nodes[5].link);
    probe.key = 8;
    EXPECT_EQ(ztrefdf(&root, &probe.link, 4, offsetof(IntNode, key), compare_int), nullptr);
    EXPECT_EQ(ztrebdf(&root, &probe.link, 4, offsetof(IntNode, key), compare_int), &probe.link);
}

TEST(AvlTree, RandomInsertionsKeepBalanceAndDefaultCompares) {
    // Byte keys with the default comparison; every rotation case occurs with 500 shuffled keys.
    std::vector<IntNode> nodes(500);
    std::vector<int> keys(500);
    for (int i = 0; i < 500; ++i) keys[i] = i;
    unsigned seed = 12345;
    for (int i = 499; i > 0; --i) {
        seed = seed * 1103515245u + 12345u;
        std::swap(keys[i], keys[(seed >> 8) % (i + 1)]);
    }
    qor_avl_node* root = nullptr;
    for (int i = 0; i < 500; ++i) {
        nodes[i].key = __builtin_bswap32(static_cast<unsigned>(keys[i]));   // big-endian bytes
        ztrebdf(&root, &nodes[i].link, 4, offsetof(IntNode, key), nullptr);
    }
    IntNode dup{};
    dup.key = nodes[17].key;
    EXPECT_EQ(ztrebdf(&root, &dup.link, 4, offsetof(IntNode, key), nullptr), &nodes[17].link);
    int h = check_avl(root);
    EXPECT_LE(h, 12);   // 1.44 log2(502)
}

struct SortContext {
    std::vector<double> values;
    int swaps = 0;
};

int compare_values(void* c, int i, int j) {
    auto* s = static_cast<SortContext*>(c);
    return zdblcom(s->values.at(i), s->values.at(j));
}
void swap_values(void* c, int i, int j) {
    auto* s = static_cast<SortContext*>(c);
    std::swap(s->values.at(i), s->values.at(j));
    ++s->swaps;
}

TEST(Quicksort, SortsRangesWithDuplicatesAndMissingValues) {
    SortContext c;
    c.values = {5, qor::make_missing(0), 3, 3, -1, qor::make_missing(95), 8, 0, 3, 2};
    zqsort(&c, 0, 9, compare_values, swap_values);
    EXPECT_EQ(qor::missing_code(c.values[0]), 95);
    EXPECT_TRUE(qor::is_missing(c.values[1]));
    std::vector<double> rest(c.values.begin() + 2, c.values.end());
    EXPECT_EQ(rest, (std::vector<double>{-1, 0, 2, 3, 3, 3, 5, 8}));
    // Larger random ranges against std::sort, and a sub-range leaves the rest alone.
    unsigned seed = 7;
    for (int n : {2, 3, 17, 1000}) {
        c.values.assign(n, 0);
        for (double& v : c.values) { seed = seed * 1664525u + 1013904223u; v = (seed >> 20) % 50; }
        auto expected = c.values;
        std::sort(expected.begin(), expected.end());
        zqsort(&c, 0, n - 1, compare_values, swap_values);
        EXPECT_EQ(c.values, expected) << n;
    }
}

TEST(Quicksort, EmptyAndSingleRangesDoNothing) {
    SortContext c;
    c.values = {2, 1};
    zqsort(&c, 0, 0, compare_values, swap_values);
    zqsort(&c, 1, 0, compare_values, swap_values);      // last below first: no index is touched
    zqsort(&c, 5, -3, compare_values, swap_values);
    EXPECT_EQ(c.swaps, 0);
    EXPECT_EQ(c.values, (std::vector<double>{2, 1}));
    c.values = {1, 2, 3, 4, 5};
    zqsort(&c, 0, 4, compare_values, swap_values);
    EXPECT_EQ(c.values, (std::vector<double>{1, 2, 3, 4, 5}));
}

TEST(Ordering, MissingValuesBeforeNumbersInCodeOrder) {
    double u = qor::make_missing(95), d = qor::make_missing(0), a = qor::make_missing('A'),
           z = qor::make_missing('Z');
    EXPECT_EQ(zdblcom(u, d), -1);
    EXPECT_EQ(zdblcom(d, a), -1);
    EXPECT_EQ(zdblcom(a, z), -1);
    EXPECT_EQ(zdblcom(z, -1e308), -1);
    EXPECT_EQ(zdblcom(0.0, -0.0), 0);
    EXPECT_EQ(zdblcom(a, a), 0);
    EXPECT_EQ(zdblcom(2.0, 1.0), 1);
}

}  // namespace
