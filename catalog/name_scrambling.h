// Block scrambling of owner and group names before they are stored: modular exponentiation of
// 32-bit words with fixed keys, so that a stored name reads back only through this code.
#pragma once
#include <cstdint>

// The fixed keys: one modulus with the scrambling and the unscrambling exponent. Stored entries
// can be read only with the values that wrote them: never change them.
constexpr uint32_t kScrambleModulus = 0xFFA008AFu;      // 65497 x 65479
constexpr uint32_t kScrambleExponent = 0x00010001u;
constexpr uint32_t kUnscrambleExponent = 0x05B4CA71u;   // inverse of the above modulo lcm(p-1, q-1)

// Bytes a scrambled text of n bytes takes: a header word and one word per started group of 3.
constexpr int scrambled_length(int n) { return 4 * ((n + 5) / 3); }

// (a * b) mod m on the 64-bit product; 0 for m = 0.
uint32_t zmod4(uint32_t a, uint32_t b, uint32_t m);
// base^exponent mod modulus into *result (1 for exponent 0); 0, or 1 for modulus 0.
int zpowmod(uint32_t base, uint32_t exponent, uint32_t modulus, uint32_t* result);
// Scrambles (direction 0) or unscrambles (direction 1) `length` bytes into `output`, which holds
// `capacity` bytes; the bytes written go to *output_length. A modulus whose top byte is 0 copies.
// 0, or -1 when the output would not fit or a scrambled input is shorter than its header says.
int zscode(uint32_t modulus, uint32_t exponent, const uint8_t* input, int length, int direction,
           uint8_t* output, int capacity, int* output_length);
// Scrambles a text with the fixed keys: the output length, or -1 when `capacity` is below
// scrambled_length(length).
int encrypt(const void* text, int length, void* output, int capacity);
// Unscrambles into at most `capacity` bytes: the text's length, or -1 when the input is shorter
// than scrambled_length(capacity), damaged, or holds a longer text.
int decrypt(const void* input, int length, void* output, int capacity);
