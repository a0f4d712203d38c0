// Look-up speed of the string-keyed hash table against std::unordered_map on the same keys
// (symbol-table sized: 2000 blank-free names of 6 to 9 characters); prints the time ratio.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "common/hash/hash_table.h"

namespace {

std::vector<std::string> make_keys() {
    std::vector<std::string> keys;
    for (int i = 0; i < 2000; ++i) keys.push_back("VAR" + std::to_string(i * 7919 % 100003));
    return keys;
}

const std::vector<std::string>& keys() {
    static const std::vector<std::string> all = make_keys();
    return all;
}

void BM_HashQuery(benchmark::State& state) {
    qor_pool* pool = xmpoolc(0, 0, 0);
    hash_table* table = new_hash_table(pool, 0);
    for (const std::string& key : keys()) hash_insert(table, create_hash_item(pool, key.c_str(), nullptr));
    for (auto _ : state) {
        for (const std::string& key : keys()) benchmark::DoNotOptimize(hash_query(table, key.c_str()));
    }
    xmpoold(pool);
}
BENCHMARK(BM_HashQuery);

void BM_UnorderedMapFind(benchmark::State& state) {
    std::unordered_map<std::string, void*> map;
    for (const std::string& key : keys()) map.emplace(key, nullptr);
    for (auto _ : state) {
        for (const std::string& key : keys()) benchmark::DoNotOptimize(map.find(key));
    }
}
BENCHMARK(BM_UnorderedMapFind);

// Times one full pass over the keys, repeated, in nanoseconds per look-up.
template <typename Lookup>
double nanoseconds_per_lookup(Lookup lookup) {
    const int rounds = 2000;
    auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; ++r) {
        for (const std::string& key : keys()) benchmark::DoNotOptimize(lookup(key));
    }
    std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / (rounds * static_cast<double>(keys().size()));
}

void print_ratio() {
    qor_pool* pool = xmpoolc(0, 0, 0);
    hash_table* table = new_hash_table(pool, 0);
    std::unordered_map<std::string, void*> map;
    for (const std::string& key : keys()) {
        hash_insert(table, create_hash_item(pool, key.c_str(), nullptr));
        map.emplace(key, nullptr);
    }
    double ours = nanoseconds_per_lookup([&](const std::string& k) { return hash_query(table, k.c_str()); });
    double reference = nanoseconds_per_lookup([&](const std::string& k) { return map.find(k) != map.end(); });
    std::printf("hash_query %.1f ns, std::unordered_map::find %.1f ns, ratio %.2f\n", ours, reference,
                ours / reference);
    xmpoold(pool);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    print_ratio();
    benchmark::Shutdown();
    return 0;
}
