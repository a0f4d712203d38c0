// Block scrambling of owner and group names: a header word holding the length, then one word per
// group of three bytes, each raised to the key exponent modulo the key modulus.
#include "catalog/name_scrambling.h"

#include <cstring>

namespace {

// Words of a scrambled text: the header least significant byte first, blocks most significant
// byte first.
void put_little(uint8_t* out, uint32_t word) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(word >> (8 * i));
}
uint32_t get_little(const uint8_t* in) {
    return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
           static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
}
void put_big(uint8_t* out, uint32_t word) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(word >> (24 - 8 * i));
}
uint32_t get_big(const uint8_t* in) {
    return static_cast<uint32_t>(in[0]) << 24 | static_cast<uint32_t>(in[1]) << 16 |
           static_cast<uint32_t>(in[2]) << 8 | static_cast<uint32_t>(in[3]);
}

uint32_t power(uint32_t base, uint32_t exponent, uint32_t modulus) {
    uint32_t result = 0;
    zpowmod(base, exponent, modulus, &result);
    return result;
}

int scramble(uint32_t modulus, uint32_t exponent, const uint8_t* input, int n, uint8_t* output,
             int capacity, int* output_length) {
    const int total = scrambled_length(n);
    if (total > capacity) return -1;
    // Every block word stays below the modulus: its top byte takes only the bits below the
    // highest power of two that the modulus's top byte reaches.
    const uint32_t top = modulus >> 24;
    uint32_t top_power = 1;
    while (top_power * 2 <= top) top_power *= 2;
    const uint32_t top_mask = top_power - 1;

    const uint32_t length = static_cast<uint32_t>(n);
    uint32_t header = length < 65536 ? length + (n > 0 ? input[n / 2] : 0u) * 65536u : (length | 0x1000000u);
    put_little(output, power(header, exponent, modulus));
    int written = 4;
    for (int at = 0; at < n; at += 3) {
        uint32_t b0 = input[at];
        uint32_t b1 = at + 1 < n ? input[at + 1] : 0;
        uint32_t b2 = at + 2 < n ? input[at + 2] : 0;
        uint32_t previous = written == 4 ? output[0] : output[written - 1];
        uint32_t word = (top_mask & previous) << 24 | b0 << 16 | b1 << 8 | b2;
        put_big(output + written, power(word, exponent, modulus));
        written += 4;
    }
    *output_length = total;
    return 0;
}

int unscramble(uint32_t modulus, uint32_t exponent, const uint8_t* input, int n, uint8_t* output,
               int capacity, int* output_length) {
    if (n < 4) return -1;
    uint32_t header = power(get_little(input), exponent, modulus);
    int length = static_cast<int>(header & 0x1000000u ? header & 0xFFFFFFu : header & 0xFFFFu);
    if (length > capacity) return -1;
    // A header that promises more bytes than the blocks hold is damage, not a shorter text.
    if (scrambled_length(length) > n) return -1;
    int written = 0;
    for (int at = 4; at + 4 <= n && written < length; at += 4) {
        uint32_t word = power(get_big(input + at), exponent, modulus);
        for (int shift = 16; shift >= 0 && written < length; shift -= 8)
            output[written++] = static_cast<uint8_t>(word >> shift);
    }
    *output_length = length;
    return 0;
}

}  // namespace

uint32_t zmod4(uint32_t a, uint32_t b, uint32_t m) {
    if (m == 0) return 0;
    return static_cast<uint32_t>(static_cast<uint64_t>(a) * b % m);
}

int zpowmod(uint32_t base, uint32_t exponent, uint32_t modulus, uint32_t* result) {
    if (modulus == 0) {
        *result = 0;
        return 1;
    }
    uint32_t value = 1 % modulus;
    uint32_t square = base % modulus;
    for (uint32_t e = exponent; e != 0; e >>= 1) {
        if (e & 1u) value = zmod4(value, square, modulus);
        square = zmod4(square, square, modulus);
    }
    *result = value;
    return 0;
}

int zscode(uint32_t modulus, uint32_t exponent, const uint8_t* input, int length, int direction,
           uint8_t* output, int capacity, int* output_length) {
    *output_length = 0;
    if (length < 0 || capacity < 0) return -1;
    if ((modulus >> 24) == 0) {   // no usable key: a plain copy
        if (length > capacity) return -1;
        if (length > 0) std::memcpy(output, input, static_cast<size_t>(length));
        *output_length = length;
        return 0;
    }
    return direction == 0 ? scramble(modulus, exponent, input, length, output, capacity, output_length)
                          : unscramble(modulus, exponent, input, length, output, capacity, output_length);
}

int encrypt(const void* text, int length, void* output, int capacity) {
    if (length < 0 || capacity < scrambled_length(length)) return -1;
    int written = 0;
    if (zscode(kScrambleModulus, kScrambleExponent, static_cast<const uint8_t*>(text), length, 0,
               static_cast<uint8_t*>(output), capacity, &written) != 0)
        return -1;
    return written;
}

int decrypt(const void* input, int length, void* output, int capacity) {
    if (capacity < 0 || length < scrambled_length(capacity)) return -1;
    int written = 0;
    if (zscode(kScrambleModulus, kUnscrambleExponent, static_cast<const uint8_t*>(input), length, 1,
               static_cast<uint8_t*>(output), capacity, &written) != 0)
        return -1;
    return written;
}
