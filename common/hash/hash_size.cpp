// Bucket counts and the key hash of the hash table (also used by the symbol tables).
// Two entries of the count table, 2505 and 364001, are not prime; they are kept as they are.
#include "common/hash/hash_table.h"

#include <bit>
#include <cstring>

const uint32_t primes[HASH_PRIME_COUNT] = {
    29,     37,     47,     59,     67,     79,     89,     97,     103,    127,    137,
    149,    157,    167,    179,    197,    211,    223,    251,    277,    307,    331,
    353,    373,    401,    449,    503,    557,    601,    653,    701,    751,    809,
    853,    907,    953,    1009,   1109,   1201,   1301,   1409,   1511,   1753,   2003,
    2251,   2505,   2753,   3001,   3511,   4001,   4507,   5003,   5501,   6007,   6521,
    7001,   7507,   8009,   12007,  16001,  24001,  32003,  48017,  64007,  96001,  128021,
    192007, 256019, 364001, 512009, 768013, 1024021};

uint32_t zhashsz(int hint) {
    if (hint < 24) return 23;
    if (hint > 1024020) return 1024021;
    for (uint32_t count : primes) {
        if (count >= static_cast<uint32_t>(hint)) return count;
    }
    return 1024021;
}

uint32_t zhash_fold(const char* key, int length) {
    if (!key || length <= 0) return 0;
    const auto* bytes = reinterpret_cast<const uint8_t*>(key);
    uint32_t folded = 0;
    int start = 0;
    for (; start + 4 <= length; start += 4) {   // whole chunks: one big-endian load each
        uint32_t chunk;
        std::memcpy(&chunk, bytes + start, 4);
        if constexpr (std::endian::native == std::endian::little) chunk = __builtin_bswap32(chunk);
        folded ^= chunk;
    }
    uint32_t tail = 0;   // the last 1 to 3 bytes, as the low bytes of a chunk
    for (int i = start; i < length; ++i) tail = (tail << 8) | bytes[i];
    return folded ^ tail;
}

uint32_t zhash(const char* key, uint32_t bucket_count, int length) {
    if (!key || length <= 0 || bucket_count == 0) return 0;
    return zhash_fold(key, length) % bucket_count;
}
