// Name scrambling: golden vectors (a name scrambled by any build unscrambles in every later one),
// the round trip, the plain copy of a keyless modulus and damaged input.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "catalog/name_scrambling.h"

namespace {

std::string hex(const uint8_t* bytes, int n) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (int i = 0; i < n; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

std::string bytes_of(const std::string& hex_text) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex_text.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex_text.substr(i, 2), nullptr, 16));
    return bytes;
}

// Produced by golden_scrambling.py, an implementation of the block code written apart from this
// one. These bytes are what stored entries hold: they must never change.
const struct {
    std::string plain;
    const char* scrambled;
} kGolden[] = {
    {"", "00000000"},
    {"A", "805a697a50fb2bb4"},
    {"alice                           ",
     "5cb30e3993c2b4d84b153915070bfb7a4cdc754dbe58211eb881c7237392c39b1f5c5d8b730ace936ec398d69662c0f3"},
    {"Risk Desk Group                 ",
     "5cb30e395623475b0b43fd85b00b4d4d6fbf2ac1c51d8c63be2b79ec9cd8636eebc2c57341086b60d53be17e3a6410eb"},
    {std::string("\0\1\2\3\4\5\6", 7), "6de5d79129d5ff9cbad3cdaad2f06834"},
};

TEST(NameScrambling, GoldenVectorsScrambleAndUnscramble) {
    for (const auto& g : kGolden) {
        SCOPED_TRACE(g.scrambled);
        const int n = static_cast<int>(g.plain.size());
        uint8_t out[64];
        ASSERT_EQ(encrypt(g.plain.data(), n, out, sizeof out), scrambled_length(n));
        EXPECT_EQ(hex(out, scrambled_length(n)), g.scrambled);
        std::string stored = bytes_of(g.scrambled);
        char back[40];
        ASSERT_EQ(decrypt(stored.data(), static_cast<int>(stored.size()), back, n), n);
        EXPECT_EQ(std::string(back, static_cast<size_t>(n)), g.plain);
    }
}

TEST(NameScrambling, LengthsAndRefusals) {
    EXPECT_EQ(scrambled_length(0), 4);    // the header block only
    EXPECT_EQ(scrambled_length(32), 48);  // every stored owner and group
    uint8_t out[48];
    EXPECT_EQ(encrypt("alice", 5, out, 11), -1);   // needs 12
    ASSERT_EQ(encrypt("alice", 5, out, 12), 12);
    char back[32];
    EXPECT_EQ(decrypt(out, 12, back, 4), -1);      // holds 5 bytes: more than the capacity
    EXPECT_EQ(decrypt(out, 12, back, 5), 5);
    EXPECT_EQ(decrypt(out, 11, back, 5), -1);      // input shorter than a 5-byte text takes
    // A header promising more bytes than the blocks hold is damage, not a shorter text.
    uint8_t long_text[24];
    ASSERT_EQ(encrypt("abcdefghijklmn", 14, long_text, sizeof long_text), 24);
    uint8_t cut[12];
    std::memcpy(cut, long_text, 4);
    std::memcpy(cut + 4, long_text + 4, 8);
    int written = 0;
    EXPECT_EQ(zscode(kScrambleModulus, kUnscrambleExponent, cut, 12, 1, out, 32, &written), -1);
}

TEST(NameScrambling, ArithmeticAgainstClosedForms) {
    // (2^32 - 1)^2 mod 1000003 computed apart: the product needs 64 bits.
    EXPECT_EQ(zmod4(0xFFFFFFFFu, 0xFFFFFFFFu, 1000003u), static_cast<uint32_t>((0xFFFFFFFFull * 0xFFFFFFFFull) % 1000003u));
    uint32_t r = 0;
    ASSERT_EQ(zpowmod(3, 0, 7, &r), 0);
    EXPECT_EQ(r, 1u);
    ASSERT_EQ(zpowmod(2, 10, 1000, &r), 0);
    EXPECT_EQ(r, 24u);                    // 1024 mod 1000
    ASSERT_EQ(zpowmod(5, 117, 19, &r), 0);
    EXPECT_EQ(r, 1u);                     // 5^117 = (5^9)^13 and 5^9 = 1 mod 19
    EXPECT_EQ(zpowmod(5, 3, 0, &r), 1);   // no modulus
    // The exponents invert one another for every word below the modulus.
    for (uint32_t word : {0u, 1u, 2u, 0x7FFFFFFFu, 0xABCDEF12u, kScrambleModulus - 1}) {
        uint32_t there = 0, back = 0;
        zpowmod(word, kScrambleExponent, kScrambleModulus, &there);
        zpowmod(there, kUnscrambleExponent, kScrambleModulus, &back);
        EXPECT_EQ(back, word);
    }
}

TEST(NameScrambling, ModulusWithoutTopByteCopies) {
    const uint8_t text[5] = {'o', 'w', 'n', 'e', 'r'};
    uint8_t out[8] = {};
    int written = -1;
    ASSERT_EQ(zscode(0x00FFFFFFu, 3, text, 5, 0, out, sizeof out, &written), 0);
    EXPECT_EQ(written, 5);
    EXPECT_EQ(std::memcmp(out, text, 5), 0);
    EXPECT_EQ(zscode(0x00FFFFFFu, 3, text, 5, 1, out, 4, &written), -1);   // does not fit
}

}  // namespace
