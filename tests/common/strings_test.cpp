// Field strings, pool memory entries, min/max and division, log2, missing-value tests,
// object method dispatch, kit forwarders and kit primitives.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/module/anchors.h"
#include "common/strings/fields.h"
#include "common/kit/kit_forwarders.h"
#include "common/kit/kit_primitives.h"
#include "common/kit/minmax.h"
#include "common/objects/object_methods.h"
#include "common/memory/pool_memory.h"
#include "host/missing.h"

namespace {

// A field buffer with guard bytes after it, to catch writes past the capacity.
struct GuardedField {
    char bytes[64];
    explicit GuardedField(char fill = '#') { std::memset(bytes, fill, sizeof bytes); }
    std::string text(int n) const { return std::string(bytes, static_cast<size_t>(n)); }
    bool untouched_from(int offset, char fill = '#') const {
        for (size_t i = static_cast<size_t>(offset); i < sizeof bytes; ++i) {
            if (bytes[i] != fill) return false;
        }
        return true;
    }
};

// Sets the host locale's multibyte flag for the life of the object.
struct MultibyteSession {
    uint8_t saved;
    MultibyteSession() : saved(common_gcb()->locale->multibyte) { common_gcb()->locale->multibyte = 1; }
    ~MultibyteSession() { common_gcb()->locale->multibyte = saved; }
};

}  // namespace

TEST(FieldCompare, BlankPaddedCaseSensitive) {
    struct Case { const char* a; int la; const char* b; int lb; int expected; };
    const Case cases[] = {
        {"AB", 2, "AB   ", 5, 0},
        {"AB   ", 5, "AB", 2, 0},
        {"AB", 2, "ABC", 3, -3},
        {"ABC", 3, "AB", 2, 3},
        {"AB", 2, "AC", 2, -2},
        {"AB", 2, "AB\t", 3, 3},        // a byte below the blank reverses the sign
        {"AB\t", 3, "AB", 2, -3},
        {"ab", 2, "AB", 2, 1},          // case matters
        {"\xE9", 1, "A", 1, 1},         // bytes compare unsigned
        {nullptr, 4, "   ", 3, 0},      // a null text counts as length 0
        {nullptr, 0, "A", 1, -1},
        {"AB", -5, "", 0, 0},           // a negative length counts as 0
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wzstcom(c.a, c.la, c.b, c.lb), c.expected) << (c.a ? c.a : "(null)") << " vs " << c.b;
    }
}

TEST(FieldCompare, CaseInsensitiveAndEquality) {
    EXPECT_EQ(wzstcmn("abc", 3, "ABC", 3, nullptr), 0);
    EXPECT_EQ(wzstcmn("abc", 3, "ABC  ", 5, nullptr), 0);
    EXPECT_EQ(wzstcmn("abd", 3, "ABC", 3, nullptr), 3);
    EXPECT_EQ(wzstcmn("ab", 2, "ABC", 3, nullptr), -3);
    EXPECT_EQ(wzbcup("abc", "ABC", 3), 0);
    EXPECT_EQ(wzbcup("abc", "ABD", 3), 'C' - 'D');
    EXPECT_EQ(wzbcup("b", "A", 1), 'B' - 'A');
    EXPECT_EQ(wzbcup(nullptr, "A", 1), -1);
    EXPECT_EQ(wzsteqn("abc", 3, "ABC", 3), 1);
    EXPECT_EQ(wzsteqn("abc", 3, "ABC ", 4), 0);   // different lengths are unequal
    EXPECT_EQ(wzsteqn("abd", 3, "ABC", 3), 0);
    EXPECT_EQ(wzsteqn("", 0, "", 0), 1);
}

TEST(FieldCompare, MultibyteSessionUsesLocaleComparison) {
    const char* e_acute_lower = "caf\xC3\xA9";   // café
    const char* e_acute_upper = "CAF\xC3\x89";   // CAFÉ
    EXPECT_NE(wzstcmn(e_acute_lower, 5, e_acute_upper, 5, nullptr), 0);   // byte tables only
    MultibyteSession session;
    EXPECT_EQ(wzstcmn(e_acute_lower, 5, e_acute_upper, 5, nullptr), 0);
    EXPECT_EQ(wzstcmn(e_acute_lower, 5, "CAF\xC3\x89   ", 8, nullptr), 0);
    EXPECT_GT(wzstcmn("b", 1, "A", 1, nullptr), 0);
    EXPECT_EQ(wzstcmn("ab", 2, "ab\x01", 3, nullptr), 3);    // blank-extension as in wzstcom
    EXPECT_LT(wzstcmn("\xC3\xA9", 2, "\xC3\xBA", 2, nullptr), 0);   // é before ú
    EXPECT_EQ(wzsteqn(e_acute_lower, 5, e_acute_upper, 5), 1);
    // A cut sequence at the end of a field is compared as a byte, never read past the length.
    EXPECT_NE(wzstcmn("\xC3", 1, "A", 1, nullptr), 0);
}

TEST(FieldCopy, ConcatenationCutsAndPads) {
    struct Case { int length; int separator; std::string expected; int result; };
    const Case cases[] = {
        {5, ',', "ABC,D", 5},
        {10, ',', std::string("ABC,DEF   "), 7},
        {-10, ',', std::string("ABC,DEF\0", 8), 7},
        {3, ',', "ABC", 3},           // no room left: no separator
        {4, ',', "ABC,", 4},          // room for the separator only
        {8, -1, "ABCDEF  ", 6},       // no separator
        {0, ',', "", 0},
        {-1, ',', std::string("\0", 1), 0},
    };
    for (const Case& c : cases) {
        GuardedField out;
        int written = wzstcat(out.bytes, c.length, c.separator, 2, "ABC", 3, "DEF", 3);
        EXPECT_EQ(written, c.result) << c.length;
        EXPECT_EQ(out.text(static_cast<int>(c.expected.size())), c.expected) << c.length;
        EXPECT_TRUE(out.untouched_from(static_cast<int>(c.expected.size()))) << c.length;
    }
    GuardedField out;
    EXPECT_EQ(wzstcat(out.bytes, -20, '.', 3, "LIB", -1, "MEMBER", -1, "TYPE", 4), 15);
    EXPECT_STREQ(out.bytes, "LIB.MEMBER.TYPE");
}

TEST(FieldCopy, MoveWithNegativeLengthsAndOverlap) {
    GuardedField out;
    EXPECT_EQ(wzstmov("ABCDEF", 6, out.bytes, 4), 4);
    EXPECT_EQ(out.text(4), "ABCD");
    EXPECT_TRUE(out.untouched_from(4));

    GuardedField nul;
    EXPECT_EQ(wzstmov("ABCDEF", 6, nul.bytes, -4), 3);
    EXPECT_EQ(nul.text(4), std::string("ABC\0", 4));
    EXPECT_TRUE(nul.untouched_from(4));

    GuardedField padded;
    EXPECT_EQ(wzstmov("AB", 2, padded.bytes, 6), 2);
    EXPECT_EQ(padded.text(6), "AB    ");
    EXPECT_TRUE(padded.untouched_from(6));

    GuardedField empty;
    EXPECT_EQ(wzstmov(nullptr, 3, empty.bytes, 3), 0);
    EXPECT_EQ(empty.text(3), "   ");
    EXPECT_EQ(wzstmov(nullptr, 3, empty.bytes, -3), 0);
    EXPECT_EQ(empty.bytes[0], '\0');

    GuardedField measured;   // a negative source length measures a NUL-terminated source
    EXPECT_EQ(wzstmov("XYZ", -1, measured.bytes, 5), 3);
    EXPECT_EQ(measured.text(5), "XYZ  ");

    char overlap[] = "ABCDEFGH";
    EXPECT_EQ(wzstmov(overlap, 6, overlap + 2, 6), 6);   // destination inside the source
    EXPECT_STREQ(overlap, "ABABCDEF");
    char back[] = "ABCDEFGH";
    EXPECT_EQ(wzstmov(back + 2, 6, back, 6), 6);
    EXPECT_STREQ(back, "CDEFGHGH");
}

TEST(FieldCopy, MovePadAndFill) {
    GuardedField out;
    vzmp("ABC", 3, out.bytes, 5);
    EXPECT_EQ(out.text(5), "ABC  ");
    EXPECT_TRUE(out.untouched_from(5));
    vzmp("ABCDEFG", 7, out.bytes, 5);
    EXPECT_EQ(out.text(5), "ABCDE");
    vzmp("ABC", 0, out.bytes, 5);
    EXPECT_EQ(out.text(5), "     ");
    vzmp("ABC", 3, out.bytes, -2);        // nothing to write
    EXPECT_EQ(out.text(5), "     ");
    char overlap[] = "ABCDEFGH";
    vzmp(overlap, 4, overlap + 2, 6);
    EXPECT_STREQ(overlap, "ABABCD  ");

    double values[4] = {1, 2, 3, 4};
    vzfdl(qor::missing(), values, 3);
    EXPECT_TRUE(qor::is_missing(values[0]) && qor::is_missing(values[2]));
    EXPECT_EQ(values[3], 4.0);
}

TEST(FieldJustify, Modes) {
    struct Case { const char* input; int mode; const char* expected; int length; int start; };
    const Case cases[] = {
        {"  AB      ", 'C', "    AB    ", 2, 4},
        {"  AB      ", 'c', "    AB    ", 2, 4},
        {"  AB      ", 'R', "        AB", 2, 8},
        {"  AB      ", 'L', "AB        ", 2, 0},
        {"  AB      ", 'n', "  AB      ", 2, 2},   // other modes leave the content in place
        {"  A B     ", 'R', "       A B", 3, 7},
        {"  ABC    ", 'C', "   ABC   ", 3, 3},
        {"ABC", 'C', "ABC", 3, 0},
        {"          ", 'C', "          ", 0, 0},
    };
    for (const Case& c : cases) {
        std::string field = c.input;
        int length = -1, start = -1;
        int n = wzstjls(field.data(), static_cast<int>(field.size()), c.mode, &length, &start);
        EXPECT_EQ(field, c.expected) << c.input << " " << char(c.mode);
        EXPECT_EQ(n, c.length);
        EXPECT_EQ(length, c.length);
        EXPECT_EQ(start, c.start) << c.input << " " << char(c.mode);
    }
    std::string field = "  AB  ";
    EXPECT_EQ(wzstjus(field.data(), 6, 'R'), 2);
    EXPECT_EQ(field, "    AB");
    EXPECT_EQ(wzstjls(nullptr, 5, 'L', nullptr, nullptr), 0);
}

TEST(FieldSearch, SubstringBytesAndSets) {
    struct Case { const char* field; int length; const char* pattern; int pattern_length; int expected; };
    const Case cases[] = {
        {"ABCABC", 6, "CA", 2, 2},
        {"ABCABC", 6, "X", 1, -1},
        {"ABCABC", 6, "CA", 0, 0},
        {"ABCABC", 6, nullptr, -1, 0},
        {"ABCABC", 6, "BC", -1, 1},         // NUL-terminated pattern
        {"ABCABC", 6, "CABC", 4, 2},        // match ending at the last byte
        {"ABCABC", 5, "ABC", 3, 0},
        {"ABCABC", 5, "CABC", 4, -1},       // would need the sixth byte
        {"AB", 2, "ABC", 3, -1},
        {"", 0, "A", 1, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(wzstndx(c.field, c.length, c.pattern, c.pattern_length), c.expected)
            << c.field << "/" << (c.pattern ? c.pattern : "(null)");
    }
    EXPECT_EQ(wzstpos("ABCB", 4, 'B'), 1);
    EXPECT_EQ(wzstpos("ABCB", 4, 'X'), -1);
    EXPECT_EQ(wzstpos(nullptr, 4, 'B'), -1);
    EXPECT_EQ(wzstpos("ABCB", 0, 'A'), -1);
    EXPECT_EQ(wzstopt("XYZB", 4, "AB", 2, '?'), 'B');
    EXPECT_EQ(wzstopt("ZBA", 3, "AB", 2, '?'), 'B');   // first in field order
    EXPECT_EQ(wzstopt("XYZ", 3, "AB", 2, '?'), '?');
    EXPECT_EQ(wzstopt("XYZ", 0, "X", 1, '?'), '?');
    EXPECT_EQ(wzstrip("AB  ", 4), 2);
    EXPECT_EQ(wzstrip("    ", 4), 0);
    EXPECT_EQ(wzstrip(" A", 2), 2);
    EXPECT_EQ(wzstlen("hello"), 5);
    EXPECT_EQ(wzstlen(nullptr), 0);
    EXPECT_EQ(vzabl(' ', "   ", 3), 1);
    EXPECT_EQ(vzabl(' ', "  x", 3), 0);
    EXPECT_EQ(vzabl(' ', "x", 0), 1);
    EXPECT_EQ(vzatl(0xE9, "\xE9\xE9", 2), 1);          // zero-extended bytes
    EXPECT_EQ(vzatl(0x1E9, "\xE9\xE9", 2), 0);         // above 255 never matches
    EXPECT_EQ(vzatl(-23, "\xE9\xE9", 2), 0);           // nor does a sign-extended byte
}

TEST(FieldText, IntegerToText) {
    struct Case { int value; const char* text; };
    const Case cases[] = {
        {0, "0"}, {7, "7"}, {-7, "-7"}, {10, "10"}, {-100, "-100"}, {123456, "123456"},
        {INT_MAX, "2147483647"}, {INT_MIN, "-2147483648"},
    };
    for (const Case& c : cases) {
        GuardedField out;
        int n = wzcichr(c.value, out.bytes);
        EXPECT_EQ(n, static_cast<int>(std::strlen(c.text)));
        EXPECT_EQ(out.text(n), c.text);
        EXPECT_TRUE(out.untouched_from(n));   // no terminator, no padding
    }
}

TEST(FieldText, MissingValueCodes) {
    uint64_t with_code_65 = 0xFFFFBF0000000000ULL;   // bytes 7 and 6 0xFF, byte 5 0xBF (-65)
    EXPECT_EQ(wzmis(qor::double_of(with_code_65)), 1);
    EXPECT_EQ(wzmisc(qor::double_of(with_code_65)), 65);
    EXPECT_EQ(wzmis(qor::double_of(0xFFFF000000000000ULL)), 1);
    EXPECT_EQ(wzmisc(qor::double_of(0xFFFF000000000000ULL)), 0);
    EXPECT_EQ(wzmisc(qor::double_of(0xFFFFA10000000000ULL)), 95);   // ._
    EXPECT_EQ(wzmis(1.0), 0);
    EXPECT_EQ(wzmisc(1.0), 0);
    EXPECT_EQ(wzmis(INFINITY), 0);
    EXPECT_EQ(wzmis(-INFINITY), 0);
    EXPECT_EQ(wzmis(std::nan("")), 0);                              // an ordinary NaN
    EXPECT_EQ(wzmis(qor::double_of(0xFFFE000000000000ULL)), 0);     // only 15 top bits set
}

TEST(FieldTranslate, TablesAndMultibyte) {
    char out[8] = "-------";
    EXPECT_EQ(wztxxlt(2, "abZ1", out, 4), 0);
    EXPECT_EQ(std::string(out, 4), "ABZ1");
    EXPECT_EQ(wztxxlt(1, "AbZ1", out, 4), 0);
    EXPECT_EQ(std::string(out, 4), "abz1");
    char in_place[] = "mixed";
    EXPECT_EQ(wztxxlt(2, in_place, in_place, 5), 0);
    EXPECT_STREQ(in_place, "MIXED");
    char shifted[] = "abcd-";
    EXPECT_EQ(wztxxlt(2, shifted, shifted + 1, 4), 0);   // destination inside the source
    EXPECT_STREQ(shifted, "aABCD");
    std::memcpy(out, "-------", 8);
    EXPECT_EQ(wztxxlt(5, "abc", out, 3), WZ_BAD_TABLE);
    EXPECT_EQ(wztxxlt(-1, "abc", out, 3), WZ_BAD_TABLE);
    EXPECT_STREQ(out, "-------");
    EXPECT_EQ(wztxxlt(2, nullptr, out, 3), 1);
    EXPECT_EQ(wztxdotr(), 0);
    EXPECT_EQ(wztxdods(), 0);

    // A table that changes every byte shows which bytes were translated.
    uint8_t all_x[256];
    std::memset(all_x, 'X', sizeof all_x);
    qor_locale* locale = common_gcb()->locale;
    const uint8_t* saved = locale->translate[3];
    locale->translate[3] = all_x;
    char text[] = "a\xC3\xA9z";
    EXPECT_EQ(wztxxlt(3, text, out, 4), 0);
    EXPECT_EQ(std::string(out, 4), "XXXX");
    {
        MultibyteSession session;
        EXPECT_EQ(wztxxlt(3, text, out, 4), 0);
        EXPECT_EQ(std::string(out, 4), "X\xC3\xA9X");
    }
    locale->translate[3] = saved;
}

TEST(MinMax, IntegersAndReals) {
    EXPECT_EQ(max(3, -4), 3);
    EXPECT_EQ(min(3, -4), -4);
    EXPECT_EQ(std::max(3, 5), 5);   // the standard names still resolve beside ours
    EXPECT_EQ(lmax(INT_MIN, INT_MAX), INT_MAX);
    EXPECT_EQ(lmin(INT_MIN, INT_MAX), INT_MIN);
    EXPECT_EQ(qkmax(-1, -2), -1);
    EXPECT_EQ(qkmin(-1, -2), -2);
    EXPECT_EQ(qklmax(INT64_MIN, 5), 5);
    EXPECT_EQ(qklmin(INT64_MIN, 5), INT64_MIN);
    EXPECT_EQ(qklabs(-5), 5);
    EXPECT_EQ(qklabs(INT64_MIN), INT64_MAX);

    double nan = std::nan("");
    double missing_a = qor::make_missing('A');
    EXPECT_EQ(qor::fmax(nan, 1.0), 1.0);
    EXPECT_TRUE(std::isnan(qor::fmax(1.0, nan)));
    EXPECT_EQ(qor::bits_of(qor::fmax(1.0, missing_a)), qor::bits_of(missing_a));
    EXPECT_EQ(qor::fmax(2.0, 1.0), 2.0);
    EXPECT_EQ(qor::fmin(2.0, 1.0), 1.0);
    EXPECT_EQ(qor::fmin(nan, 1.0), 1.0);
    EXPECT_TRUE(std::isnan(qor::fmin(1.0, nan)));
    EXPECT_TRUE(std::signbit(qor::fmin(-0.0, 0.0)));    // equal values: the first
    EXPECT_FALSE(std::signbit(qor::fmin(0.0, -0.0)));
    EXPECT_EQ(::fmax(1.0, nan), 1.0);                   // the C library's own is untouched
    EXPECT_EQ(qkfmax(1.0, 2.0), 2.0);
    EXPECT_EQ(qkfmin(1.0, 2.0), 1.0);
    EXPECT_EQ(qkfmax(nan, 2.0), 2.0);
}

TEST(MinMax, DivisionNeverTraps) {
    struct Case32 { int32_t a, b, q, r; };
    const Case32 cases32[] = {
        {7, 2, 3, 1}, {-7, 2, -3, -1}, {7, -2, -3, 1}, {-7, -2, 3, -1}, {0, 5, 0, 0},
        {5, 0, 0, 5}, {INT_MIN, 0, 0, INT_MIN}, {INT_MIN, 1, INT_MIN, 0},
        {INT_MIN, -1, INT_MAX, -1}, {INT_MIN, 2, INT_MIN / 2, 0}, {INT_MAX, -1, -INT_MAX, 0},
    };
    for (const Case32& c : cases32) {
        qk_idiv_result d = qkidiv(c.a, c.b);
        EXPECT_EQ(d.quotient, c.q) << c.a << "/" << c.b;
        EXPECT_EQ(d.remainder, c.r) << c.a << "/" << c.b;
        EXPECT_EQ(int64_t{d.quotient} * c.b + d.remainder, c.a);   // holds for every case
    }
    struct Case64 { int64_t a, b, q, r; };
    const Case64 cases64[] = {
        {-7, 2, -3, -1}, {9, 0, 0, 9}, {INT64_MIN, -1, INT64_MAX, -1}, {INT64_MIN, 1, INT64_MIN, 0},
        {INT64_MAX, 10, INT64_MAX / 10, 7},
    };
    for (const Case64& c : cases64) {
        qk_ldiv_result d = qkldiv(c.a, c.b);
        EXPECT_EQ(d.quotient, c.q) << c.a << "/" << c.b;
        EXPECT_EQ(d.remainder, c.r) << c.a << "/" << c.b;
        EXPECT_EQ(static_cast<__int128>(d.quotient) * c.b + d.remainder, static_cast<__int128>(c.a));
    }
}

TEST(MinMax, Log2) {
    EXPECT_EQ(qklog2(8.0), 3.0);
    EXPECT_EQ(qklog2(0.5), -1.0);
    EXPECT_EQ(qklog2(1.0), 0.0);
    EXPECT_EQ(qklog2(0x1p-1074), -1074.0);             // smallest subnormal
    EXPECT_NEAR(qklog2(10.0), 3.321928094887362, 1e-15);
    double missing_b = qor::make_missing('B');
    EXPECT_EQ(qor::bits_of(qklog2(missing_b)), qor::bits_of(missing_b));
}

namespace {

struct RecordingPool {
    qor_pool head;
    size_t bytes = 0;
    int flags = -1;
    void* block = nullptr;
    char storage[32];
};

void* recording_allocate(qor_pool* pool, size_t bytes, int flags) {
    auto* r = reinterpret_cast<RecordingPool*>(pool);
    r->bytes = bytes;
    r->flags = flags;
    return bytes <= sizeof r->storage ? r->storage : nullptr;
}

int recording_release(qor_pool* pool, void* block, size_t bytes, int flags) {
    auto* r = reinterpret_cast<RecordingPool*>(pool);
    r->block = block;
    r->bytes = bytes;
    r->flags = flags;
    return 42;
}

}  // namespace

TEST(PoolMemory, CallsThroughThePoolObject) {
    RecordingPool fake{};
    fake.head.allocate = recording_allocate;
    fake.head.release = recording_release;
    qor_pool* pool = &fake.head;
    for (int flags : {8192, 8194, 8196, 12288}) {
        EXPECT_EQ(vmalcp_handler(pool, 16, flags), fake.storage);
        EXPECT_EQ(fake.flags, flags);
        EXPECT_EQ(fake.bytes, 16u);
    }
    EXPECT_EQ(vmalloc_handler(pool, 24, 2), fake.storage);
    EXPECT_EQ(fake.flags, 2);
    EXPECT_EQ(vmalcp_handler(pool, 1000, 8192), nullptr);
    EXPECT_EQ(vmfree_handler(pool, fake.storage, 0, QOR_FREE_UNSIZED), 42);
    EXPECT_EQ(fake.flags, QOR_FREE_UNSIZED);
    EXPECT_EQ(fake.block, fake.storage);
    EXPECT_EQ(vmalcp_handler(nullptr, 8, 8192), nullptr);
    EXPECT_EQ(vmfree_handler(nullptr, fake.storage, 8, 0), 86);

    qor_pool* real = xmpoolc(0, 0, 0);
    auto* zeroed = static_cast<unsigned char*>(vmalcp_handler(real, 40, QOR_ALLOC_ZERO));
    ASSERT_NE(zeroed, nullptr);
    EXPECT_EQ(skMemNot(0, zeroed, 40), 1);
    EXPECT_EQ(vmfree_handler(real, zeroed, 40, QOR_FREE_SIZED), 0);
    EXPECT_EQ(qor_pool_live_blocks(real), 0u);
    xmpoold(real);
}

namespace {

struct MethodCall {
    const char* which = nullptr;
    void* entry_context = nullptr;
    void* descriptor_context = nullptr;
    int argument_count = -1;
    void* arguments = nullptr;
};
MethodCall g_last_call;

int method_root(qor_object*, void* entry_context, void* descriptor_context, int count, void* args) {
    g_last_call = {"root", entry_context, descriptor_context, count, args};
    return 11;
}
int method_child(qor_object*, void* entry_context, void* descriptor_context, int count, void* args) {
    g_last_call = {"child", entry_context, descriptor_context, count, args};
    return 22;
}

}  // namespace

TEST(ObjectMethods, DispatchThroughTableChain) {
    int root_entry_context = 0, child_entry_context = 0, descriptor_context = 0;
    qor_method_descriptor root_descriptor{method_root, "root", &descriptor_context};
    qor_method_descriptor child_descriptor{method_child, "child", nullptr};
    // Methods 1 and 17 share bucket 1 of a 16-bucket table; method 2 exists in both tables.
    qor_method_entry root_17{nullptr, &root_entry_context, &root_descriptor, 17};
    qor_method_entry root_1{&root_17, &root_entry_context, &root_descriptor, 1};
    qor_method_entry root_2{nullptr, &root_entry_context, &root_descriptor, 2};
    qor_method_entry* root_buckets[16] = {};
    root_buckets[1] = &root_1;
    root_buckets[2] = &root_2;
    qor_method_table root{"Root", nullptr, root_buckets, 15};
    qor_method_entry child_2{nullptr, &child_entry_context, &child_descriptor, 2};
    qor_method_entry* child_buckets[4] = {};
    child_buckets[2] = &child_2;
    qor_method_table child{"Child", &root, child_buckets, 3};
    qor_object object{&child};

    int block[2] = {5, 6};
    EXPECT_EQ(wobmth(&object, nullptr, 2, 2, block), 22);   // the object's own table first
    EXPECT_STREQ(g_last_call.which, "child");
    EXPECT_EQ(g_last_call.entry_context, &child_entry_context);
    EXPECT_EQ(g_last_call.argument_count, 2);
    EXPECT_EQ(g_last_call.arguments, block);

    EXPECT_EQ(wobmth(&object, nullptr, 17, 0, nullptr), 11);   // parent, second in its chain
    EXPECT_STREQ(g_last_call.which, "root");
    EXPECT_EQ(g_last_call.descriptor_context, &descriptor_context);

    EXPECT_EQ(wobmth(&object, &root, 2, 0, nullptr), 11);      // an explicit table wins
    EXPECT_STREQ(g_last_call.which, "root");

    EXPECT_EQ(wobmth(&object, nullptr, 33, 0, nullptr), QOR_OBJECT_NO_METHOD);   // bucket 1, absent
    EXPECT_EQ(wobmth(&object, nullptr, -1, 0, nullptr), QOR_OBJECT_NO_METHOD);
    EXPECT_EQ(wobmth(nullptr, nullptr, 1, 0, nullptr), QOR_OBJECT_NO_METHOD);
    qor_object bare{nullptr};
    EXPECT_EQ(wobmth(&bare, nullptr, 1, 0, nullptr), QOR_OBJECT_NO_METHOD);
}

namespace {

struct FakeWaiter {
    qor_waiter head;
    int calls = 0;
    int count = 0;
    void** handles = nullptr;
    uint8_t wait_all = 0;
    long timeout = -1;
};

int fake_wait(qor_waiter* waiter, int count, void** handles, int* index_out, uint8_t wait_all,
              long timeout_ms) {
    auto* w = reinterpret_cast<FakeWaiter*>(waiter);
    ++w->calls;
    w->count = count;
    w->handles = handles;
    w->wait_all = wait_all;
    w->timeout = timeout_ms;
    if (index_out) *index_out = count - 1;
    return 7;
}

const qor_waiter_ops kFakeWaiterOps{fake_wait};
FakeWaiter* g_current_waiter = nullptr;

qor_waiter* fake_current_waiter(qor_kit*) {
    return g_current_waiter ? &g_current_waiter->head : nullptr;
}

// Installs a kit as the module's kit handle for the life of the object.
struct KitInstalled {
    qor_kit* saved;
    explicit KitInstalled(qor_kit* kit) : saved(Exported_QKHandle) { Exported_QKHandle = kit; }
    ~KitInstalled() { Exported_QKHandle = saved; }
};

}  // namespace

TEST(KitForwarders, WaitChoosesTheWaiter) {
    FakeWaiter own, current, fallback;
    own.head.ops = current.head.ops = fallback.head.ops = &kFakeWaiterOps;
    qor_kit_ops ops{};
    ops.current_waiter = fake_current_waiter;
    qor_kit kit{&ops, &fallback.head, nullptr};
    KitInstalled installed(&kit);
    void* handles[3] = {};
    int index = -1;

    EXPECT_EQ(qkWait(&own.head, 3, handles, &index, 1, 0), 7);   // a waiter given is used
    EXPECT_EQ(own.calls, 1);
    EXPECT_EQ(own.handles, handles);
    EXPECT_EQ(own.wait_all, 1);
    EXPECT_EQ(own.timeout, 0);
    EXPECT_EQ(index, 2);

    g_current_waiter = &current;
    EXPECT_EQ(qkWait(nullptr, 1, handles, &index, 0, 250), 7);   // null: the kit's current one
    EXPECT_EQ(current.calls, 1);
    EXPECT_EQ(current.timeout, 250);
    EXPECT_EQ(qkWait(&kit, 1, handles, &index, 0, 0), 7);        // the kit itself: the same
    EXPECT_EQ(current.calls, 2);

    g_current_waiter = nullptr;
    EXPECT_EQ(qkWait(nullptr, 2, handles, &index, 1, 0), 7);     // no current: the default
    EXPECT_EQ(fallback.calls, 1);

    kit.default_waiter = nullptr;
    EXPECT_EQ(qkWait(nullptr, 2, handles, &index, 1, 0), QOR_KIT_NO_WAITER);
    qor_waiter mute{nullptr};
    EXPECT_EQ(qkWait(&mute, 2, handles, &index, 1, 0), QOR_KIT_UNSUPPORTED);
}

namespace {

int fake_status_to_buf(void*, char* buffer, size_t size, size_t* length, int status, va_list* args) {
    const char* format = va_arg(*args, const char*);
    int n = std::snprintf(buffer, size, "status %d: ", status);
    n += std::vsnprintf(buffer + n, size - static_cast<size_t>(n), format, *args);
    if (length) *length = static_cast<size_t>(n);
    return 0;
}

int fake_message_to_jnl(void*, void* journal, int table, int number, va_list* args) {
    auto* out = static_cast<std::string*>(journal);
    *out = std::to_string(table) + "/" + std::to_string(number) + " " + va_arg(*args, const char*);
    return 5;
}

}  // namespace

TEST(KitForwarders, MessagesPassVariableArguments) {
    qor_message_ops ops{};
    ops.status_to_buf = fake_status_to_buf;
    ops.message_to_jnl = fake_message_to_jnl;
    qor_message_object object{&ops};
    char buffer[64];
    size_t length = 0;
    EXPECT_EQ(qklStatusToBuf(&object, buffer, sizeof buffer, &length, 3, "line %d col %d", 12, 4), 0);
    EXPECT_STREQ(buffer, "status 3: line 12 col 4");
    EXPECT_EQ(length, std::strlen(buffer));
    std::string journal;
    EXPECT_EQ(qklMessageToJnl(&object, &journal, 598, 2797, "text"), 5);
    EXPECT_EQ(journal, "598/2797 text");
    EXPECT_EQ(qklMessageToBuf(&object, buffer, sizeof buffer, &length, 1, 2), QOR_KIT_UNSUPPORTED);
    EXPECT_EQ(qklStatusToJnl(nullptr, &journal, 1), QOR_KIT_UNSUPPORTED);
    EXPECT_EQ(bogus(), 1);
    EXPECT_EQ(skUnsup(), static_cast<int>(0x803FC004u));
}

TEST(KitPrimitives, StringsAndMemory) {
    EXPECT_EQ(skStrLen("abc"), 3);
    EXPECT_EQ(skStrLen(nullptr), 0);
    const uint32_t wide[] = {0x41, 0x1F600, 0x42, 0};
    EXPECT_EQ(skStrTLen(wide), 3);
    EXPECT_EQ(skStrTLen(nullptr), 0);
    uint32_t wide_copy[4] = {9, 9, 9, 9};
    skStrTCpy(wide, wide_copy);
    EXPECT_EQ(std::memcmp(wide, wide_copy, sizeof wide), 0);
    char text[8] = "xyz";
    skStrCpy(nullptr, text);
    EXPECT_STREQ(text, "");
    skStrCpy("hello", text);
    EXPECT_STREQ(text, "hello");
    skStrCpy("x", nullptr);   // nothing to do
    skStrUp(text, 5);
    EXPECT_STREQ(text, "HELLO");
    char mixed[] = "a-z{\xE1";
    skStrUp(mixed, 5);
    EXPECT_STREQ(mixed, "A-Z{\xE1");

    EXPECT_EQ(skMemNot('a', "aaa", 3), 1);
    EXPECT_EQ(skMemNot('a', "aab", 3), 0);
    EXPECT_EQ(skMemNot('a', "b", 0), 1);
    const uint32_t sevens[] = {7, 7, 8};
    EXPECT_EQ(skMemTNot(7, sevens, 2), 1);
    EXPECT_EQ(skMemTNot(7, sevens, 3), 0);
    EXPECT_EQ(skMemCmp("\x80", "\x01", 1), 1);    // unsigned bytes
    EXPECT_EQ(skMemCmp("ab", "ac", 2), -1);
    EXPECT_EQ(skMemCmp("ab", "ac", 1), 0);
    const uint32_t big[] = {0x80000000u}, one[] = {1u}, past[] = {0x80000001u};
    EXPECT_EQ(skWMemCmp(big, one, 1), 1);         // 0x7FFFFFFF: positive
    EXPECT_EQ(skWMemCmp(one, past, 1), -1);       // 0x80000000: negative
    EXPECT_EQ(skWMemCmp(one, one, 1), 0);

    char bytes[] = "ABCDEFGH";
    skMemSCpy(bytes, bytes + 2, 5);
    EXPECT_STREQ(bytes, "ABABCDEH");
    char forward[4] = {};
    skMemCpy("xyz", forward, 3);
    EXPECT_STREQ(forward, "xyz");
    skMemSet(forward, '-', 2);
    EXPECT_STREQ(forward, "--z");
    uint32_t filled[3] = {};
    skMemTSet(filled, 5, 3);
    EXPECT_EQ(skMemTNot(5, filled, 3), 1);

    EXPECT_EQ(skMemScan("abcb", 4, 'b'), 1);
    EXPECT_EQ(skMemScan("abcb", 4, 'x'), -1);
    EXPECT_EQ(skMemScan(nullptr, 4, 'x'), -1);
    EXPECT_EQ(skMemNScan("  x", 3, ' '), 2);
    EXPECT_EQ(skMemNScan("   ", 3, ' '), -1);
    EXPECT_EQ(skMemNScan("x", 0, ' '), -1);
    EXPECT_EQ(skMemTNScan(sevens, 3, 7), 2);
    EXPECT_EQ(skMemTNScan(sevens, 2, 7), -1);

    const double values[] = {1.0, NAN, qor::make_missing('Z')};
    EXPECT_EQ(skMissArray(values, 2), 0);         // an ordinary NaN is not missing
    EXPECT_EQ(skMissArray(values, 3), 1);
    EXPECT_EQ(skMissArray(nullptr, 3), 0);
}

TEST(KitPrimitives, DuplicateThroughKitPool) {
    qor_pool* pool = xmpoolc(0, 0, 0);
    auto* copy = static_cast<char*>(skMemDup("abcdef", 6, pool));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::memcmp(copy, "abcdef", 6), 0);
    EXPECT_EQ(qor_pool_live_blocks(pool), 1u);
    EXPECT_EQ(skMemDup("abc", 0, pool), nullptr);
    EXPECT_EQ(skMemDup(nullptr, 3, pool), nullptr);
    EXPECT_EQ(skMemDup("abc", 3, nullptr), nullptr);
    qor_pool_fail_nth(1);
    EXPECT_EQ(skMemDup("abc", 3, pool), nullptr);
    qor_pool_fail_nth(0);
    xmemdef();
    xmpoold(pool);
}
