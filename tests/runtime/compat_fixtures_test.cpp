// Stored files written by an earlier build (tests/fixtures/compat: a data set, and a catalog
// holding text and binary entries, a typed list and a stored method) must still read back with
// the content written below. The disabled test re-creates the files (see tests/fixtures/README).
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "host/catalog.h"
#include "host/compiler.h"
#include "host/dataset.h"
#include "host/lists.h"
#include "host/missing.h"
#include "runtime/storage/libraries.h"
#include "tests/support/scratch.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kLibref = "compat";

// Numbers of the data set, given by their bits so that the check does not rest on the code
// that wrote them. PRICE keeps all 8 bytes; SHORTNUM keeps the top 4 (the rest read as zero).
struct Row {
    double id;
    uint64_t price_bits;
    uint64_t short_written_bits;   // what was put into SHORTNUM
    uint64_t short_read_bits;      // what a 4-byte variable gives back
    const char* name;              // NAME, length 12
    std::string wide;              // WIDE, length 200
};

const std::vector<Row>& rows() {
    static const std::vector<Row> r = {
        {1, 0x3FF8000000000000ULL /* 1.5 */, 0x3FD5555555555555ULL /* 1/3 */, 0x3FD5555500000000ULL,
         "Alpha", std::string(200, 'w')},
        {2, 0x8000000000000000ULL /* -0 */, 0x4059000000000000ULL /* 100 */, 0x4059000000000000ULL,
         "", "short"},
        {3, 0x7E37E43C8800759CULL /* 1e300 */, 0xFFFFBF0000000000ULL /* .A */, 0xFFFFBF0000000000ULL,
         "\xC3\x89mile", "line one\nline two"},
        {4, 0xFFFF000000000000ULL /* . */, 0xFFFFA10000000000ULL /* ._ */, 0xFFFFA10000000000ULL,
         "Delta  twelv", ""},
        {5, 0x0000000000000001ULL /* smallest subnormal */, 0xC00921FB54442D18ULL /* -pi */,
         0xC00921FB00000000ULL, "E", "x"},
    };
    return r;
}

struct VarSpec {
    const char* name;
    int type;
    int length;
    const char* label;
    const char* format;
    int format_width, format_decimals;
    const char* informat;
    int informat_width, informat_decimals;
};

const VarSpec kVars[] = {
    {"ID", QOR_VAR_NUMERIC, 8, "Position id", "Z", 6, 0, "", 0, 0},
    {"Price", QOR_VAR_NUMERIC, 8, "Clean price", "COMMA", 12, 2, "COMMA", 12, 2},
    {"ShortNum", QOR_VAR_NUMERIC, 4, "", "BEST", 12, 0, "", 0, 0},
    {"NAME", QOR_VAR_CHARACTER, 12, "Counterparty name", "$", 12, 0, "$", 12, 0},
    {"wide_text", QOR_VAR_CHARACTER, 200, "", "", 0, 0, "", 0, 0},
};

const char* const kStoredMethod[] = {
    "method counted kind=price 'Counts its runs';",
    "block init; base = 100; runs = 0; endblock;",
    "block main; runs = runs + 1; level = base + runs * 2.5; endblock;",
    "endmethod;",
};

void set_text(char* to, int16_t* length, const char* text) {
    *length = static_cast<int16_t>(std::strlen(text));
    std::memcpy(to, text, std::strlen(text));
}

qor_open_request dataset_request(int mode) {
    qor_open_request r;
    std::memset(&r, 0, sizeof r);
    std::memcpy(r.libref, "COMPAT  ", 8);
    r.member.length = 6;
    std::memcpy(r.member.text, "SAMPLE", 6);
    std::memset(r.member_type, ' ', 8);
    std::memcpy(r.member_type, "DATA", 4);
    r.mode = mode;
    return r;
}

// The data set COMPAT.SAMPLE.
void write_dataset() {
    qor_open_request r = dataset_request(QOR_OPEN_OUTPUT);
    qor_dataset* ds = nullptr;
    ASSERT_EQ(xoopen(&ds, &r), 0);
    qor_putlist* put = nullptr;
    ASSERT_EQ(xvputi(ds, 5, &put), 0);
    double id = 0, price = 0, short_value = 0;
    char name[12], wide[200];
    void* sources[] = {&id, &price, &short_value, name, wide};
    int widths[] = {8, 8, 8, 12, 200};
    for (int i = 0; i < 5; ++i) {
        const VarSpec& s = kVars[i];
        qor_var_desc d;
        xvnamei(&d);
        set_text(d.name, &d.name_length, s.name);
        d.type = static_cast<int16_t>(s.type);
        d.length = s.length;
        set_text(d.label, &d.label_length, s.label);
        set_text(d.format, &d.format_length, s.format);
        d.format_width = static_cast<int16_t>(s.format_width);
        d.format_decimals = static_cast<int16_t>(s.format_decimals);
        set_text(d.informat, &d.informat_length, s.informat);
        d.informat_width = static_cast<int16_t>(s.informat_width);
        d.informat_decimals = static_cast<int16_t>(s.informat_decimals);
        ASSERT_EQ(xvputd(put, &d, sources[i], widths[i], nullptr), 0) << s.name;
    }
    ASSERT_EQ(xvpute(put), 0);
    ASSERT_EQ(xolabel(ds, "Compatibility sample", -1), 0);
    qor_sort_keys keys{};
    keys.count = 2;
    keys.numbers[0] = 1;
    keys.numbers[1] = -2;
    ASSERT_EQ(xosortk(ds, &keys), 0);
    qor_obs_request q{};
    q.dataset = ds;
    for (const Row& row : rows()) {
        id = row.id;
        price = qor::double_of(row.price_bits);
        short_value = qor::double_of(row.short_written_bits);
        std::memset(name, ' ', sizeof name);
        std::memcpy(name, row.name, std::strlen(row.name));
        std::memset(wide, ' ', sizeof wide);
        std::memcpy(wide, row.wide.data(), row.wide.size());
        ASSERT_EQ(xyvput(put, 0), 0);
        ASSERT_EQ(xoadd(&q), 0);
    }
    xvputt(put);
    ASSERT_EQ(xoclose(ds, 0), 0);
}

std::string binary_entry_bytes() {
    std::string bytes(256, '\0');
    for (int i = 0; i < 256; ++i) bytes[static_cast<size_t>(i)] = static_cast<char>(255 - i);
    return bytes;
}

// The typed list stored as COMPAT.FIXCAT.MODEL1.SLIST: every item type, the special missing
// values, text with a NUL, an item without a name, and a sublist shared by two parents.
void write_list() {
    qor_list *root = nullptr, *spec = nullptr, *shared = nullptr;
    slnewl(&root, nullptr, 84);
    qor_list_id spec_id = slnewl(&spec, nullptr, 84);
    qor_list_id shared_id = slnewl(&shared, nullptr, 84);
    ASSERT_EQ(slinsc(root, "MODEL1", QOR_SL_APPEND, "NAME"), 0);
    ASSERT_EQ(slinsd(root, 0.1, QOR_SL_APPEND, "RATE"), 0);
    ASSERT_EQ(slinsd(root, qor::make_missing('Z'), QOR_SL_APPEND, "MZ"), 0);
    ASSERT_EQ(slinsd(root, -0.0, QOR_SL_APPEND, "NEGZERO"), 0);
    ASSERT_EQ(slinsc(root, std::string_view("a\0b", 3), QOR_SL_APPEND, ""), 0);
    ASSERT_EQ(slinsl(root, spec_id, QOR_SL_APPEND, "SPEC"), 0);
    ASSERT_EQ(slinsl(root, shared_id, QOR_SL_APPEND, "FIRST"), 0);
    ASSERT_EQ(slinsd(spec, 3, QOR_SL_APPEND, "ORDER"), 0);
    ASSERT_EQ(slinsl(spec, shared_id, QOR_SL_APPEND, "SECOND"), 0);
    ASSERT_EQ(slinsd(shared, 42, QOR_SL_APPEND, "ANSWER"), 0);
    ASSERT_EQ(slfile(root, "compat.fixcat.model1", 'W', "SLIST", "Model list"), 0);
    sldel(root, 0);
}

// The catalog COMPAT.FIXCAT: a text entry, a binary entry, the list and the stored method.
void write_catalog() {
    qor_catalog* cat = nullptr;
    ASSERT_EQ(xlopen(kLibref, "fixcat", QOR_CO_UPDATE, &cat), 0);
    qor_entry* e = nullptr;
    ASSERT_EQ(xlmopen(cat, "NOTES", "SOURCE", QOR_CO_OUTPUT, &e, "Two lines"), 0);
    ASSERT_EQ(xlmwrit(e, "first line"), 0);
    ASSERT_EQ(xlmwrit(e, "second line"), 0);
    ASSERT_EQ(xlmclos(e, 0), 0);
    std::string bytes = binary_entry_bytes();
    ASSERT_EQ(xlmopen(cat, "BLOB", "RAWBYTES", QOR_CO_OUTPUT, &e, "All byte values"), 0);
    ASSERT_EQ(xcwrite(e, bytes.data(), bytes.size()), 0);
    ASSERT_EQ(xlmclos(e, 0), 0);
    ASSERT_EQ(xlclose(cat, 0), 0);
    write_list();

    cmp_session* session = nullptr;
    ASSERT_EQ(cmpints(&session, nullptr), 0);
    for (const char* s : kStoredMethod)
        ASSERT_LE(cmpprss(session, s, -1, nullptr, 0, nullptr, 0), 0) << s;
    ASSERT_EQ(cmpprss(session, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0), CMP_COMPLETE);
    EXPECT_EQ(cmposl(session, "counted", -1, "compat.fixcat.counted", -1, nullptr), 0);
    cmpends(session);
}

class CompatFixtures : public ::testing::Test {
protected:
    ScratchArea scratch;
    void SetUp() override {
        scratch.open("qor_compat_");
        // A copy, so that no test ever writes into the checked-in files.
        fs::copy(fs::path(QOR_SOURCE_DIR) / "tests/fixtures/compat", scratch.dir,
                 fs::copy_options::recursive);
        ASSERT_EQ(qor::runtime::assign_library(kLibref, scratch.dir.string(), ""), 0);
    }
    void TearDown() override {
        qor::runtime::clear_library(kLibref);
        scratch.close();
    }
};

TEST_F(CompatFixtures, DataSetReadsBackItsLayoutAndValues) {
    qor_open_request r = dataset_request(QOR_OPEN_INPUT);
    qor_dataset* ds = nullptr;
    ASSERT_EQ(xoopen(&ds, &r), 0) << scratch.log();
    int64_t observations = 0;
    int32_t record_length = 0, variables = 0;
    char label[QOR_DS_LABEL_MAX + 1];
    qor_sort_keys keys{};
    xoinfo(ds, QOR_INFO_OBSERVATIONS, &observations);
    xoinfo(ds, QOR_INFO_RECORD_LENGTH, &record_length);
    xoinfo(ds, QOR_INFO_VARIABLES, &variables);
    xoinfo(ds, QOR_INFO_LABEL, label);
    xoinfo(ds, QOR_INFO_SORT_KEYS, &keys);
    EXPECT_EQ(observations, 5);
    EXPECT_EQ(record_length, 8 + 8 + 4 + 12 + 200);
    ASSERT_EQ(variables, 5);
    EXPECT_STREQ(label, "Compatibility sample");
    ASSERT_EQ(keys.count, 2);
    EXPECT_EQ(keys.numbers[0], 1);
    EXPECT_EQ(keys.numbers[1], -2);
    for (int i = 0; i < 5; ++i) {
        const VarSpec& s = kVars[i];
        qor_var_desc d;
        ASSERT_EQ(xvname(ds, i + 1, &d), 0);
        EXPECT_EQ(std::string(d.name, static_cast<size_t>(d.name_length)), s.name);
        EXPECT_EQ(d.type, s.type) << s.name;
        EXPECT_EQ(d.length, s.length) << s.name;
        EXPECT_STREQ(d.label, s.label) << s.name;
        EXPECT_STREQ(d.format, s.format) << s.name;
        EXPECT_EQ(d.format_width, s.format_width) << s.name;
        EXPECT_EQ(d.format_decimals, s.format_decimals) << s.name;
        EXPECT_STREQ(d.informat, s.informat) << s.name;
        EXPECT_EQ(d.informat_width, s.informat_width) << s.name;
        EXPECT_EQ(d.informat_decimals, s.informat_decimals) << s.name;
    }
    qor_obs_request q{};
    q.dataset = ds;
    for (const Row& row : rows()) {
        ASSERT_EQ(xoget(&q, QOR_GET_NEXT), 0);
        double id = 0, price = 0, short_value = 0;
        char name[12], wide[200];
        ASSERT_EQ(xvget1f(ds, 1, &id), 0);
        ASSERT_EQ(xvget1f(ds, 2, &price), 0);
        ASSERT_EQ(xvget1f(ds, 3, &short_value), 0);
        ASSERT_EQ(xvget1c(ds, 4, name, 12, nullptr), 0);
        ASSERT_EQ(xvget1c(ds, 5, wide, 200, nullptr), 0);
        EXPECT_EQ(id, row.id);
        EXPECT_EQ(qor::bits_of(price), row.price_bits) << "row " << row.id;
        EXPECT_EQ(qor::bits_of(short_value), row.short_read_bits) << "row " << row.id;
        std::string name_padded(row.name);
        name_padded.resize(12, ' ');
        EXPECT_EQ(std::string(name, 12), name_padded) << "row " << row.id;
        std::string wide_padded(row.wide);
        wide_padded.resize(200, ' ');
        EXPECT_EQ(std::string(wide, 200), wide_padded) << "row " << row.id;
    }
    EXPECT_EQ(xoget(&q, QOR_GET_NEXT), QOR_DS_END_OF_DATA);
    EXPECT_EQ(xoclose(ds, 0), 0);
}

TEST_F(CompatFixtures, CatalogListsItsEntriesAndReadsTheirBytes) {
    qor_catalog* cat = nullptr;
    ASSERT_EQ(xlopen(kLibref, "fixcat", QOR_CO_INPUT, &cat), 0) << scratch.log();
    qor_member_dir* dir = nullptr;
    ASSERT_EQ(xldopen(cat, "", &dir), 0);
    struct Listed { const char* name; const char* type; const char* description; int64_t size; };
    const Listed expected[] = {
        {"BLOB", "RAWBYTES", "All byte values", 256},
        {"COUNTED", "GENTRANS", "Counts its runs", -1},
        {"MODEL1", "SLIST", "Model list", -1},
        {"NOTES", "SOURCE", "Two lines", 23},   // two records, each with its line feed
    };
    for (const Listed& x : expected) {
        qor_member_info info;
        ASSERT_EQ(xldread(dir, &info), 0) << x.name;
        EXPECT_EQ(info.name, x.name);
        EXPECT_EQ(info.type, x.type);
        EXPECT_EQ(info.description, x.description);
        if (x.size >= 0) {
            EXPECT_EQ(info.size, x.size) << x.name;
        }
        EXPECT_GT(info.modified, 0);
    }
    qor_member_info past;
    EXPECT_EQ(xldread(dir, &past), static_cast<int>(QOR_C_END));
    xldclos(dir);

    auto content = [&](const char* name, const char* type) {
        qor_entry* e = nullptr;
        std::string all;
        EXPECT_EQ(xlmopen(cat, name, type, QOR_CO_INPUT, &e), 0) << name;
        if (e == nullptr) return all;
        char buffer[100];
        size_t got = 0;
        int rc = 0;
        do {
            rc = xcread(e, buffer, sizeof buffer, &got);
            all.append(buffer, got);
        } while (rc == 0);
        EXPECT_EQ(rc, static_cast<int>(QOR_C_END));
        xlmclos(e, 0);
        return all;
    };
    EXPECT_EQ(content("NOTES", "SOURCE"), "first line\nsecond line\n");
    EXPECT_EQ(content("BLOB", "RAWBYTES"), binary_entry_bytes());
    xlclose(cat, 0);
}

TEST_F(CompatFixtures, TypedListReadsBackWithItsSharedSublist) {
    qor_list* back = nullptr;
    slnewl(&back, nullptr, 84);
    ASSERT_EQ(slfile(back, "compat.fixcat.model1", 'R', "SLIST"), 0) << scratch.log();
    ASSERT_EQ(slcnt(back), 7);
    struct Item { const char* name; char type; };
    const Item items[] = {{"NAME", 'C'}, {"RATE", 'N'}, {"MZ", 'N'}, {"NEGZERO", 'N'},
                          {"", 'C'},     {"SPEC", 'L'}, {"FIRST", 'L'}};
    for (int k = 0; k < 7; ++k) {
        std::string_view name;
        char type = 0;
        ASSERT_EQ(slni(back, k + 1, &name), 0);
        ASSERT_EQ(slityp(back, k + 1, &type), 0);
        EXPECT_EQ(name, items[k].name) << k;
        EXPECT_EQ(type, items[k].type) << k;
    }
    std::string_view text;
    double d = 0;
    ASSERT_EQ(slgnc(back, "NAME", &text), 0);
    EXPECT_EQ(text, "MODEL1");
    ASSERT_EQ(slgnd(back, "RATE", &d), 0);
    EXPECT_EQ(qor::bits_of(d), 0x3FB999999999999AULL);   // 0.1
    ASSERT_EQ(slgnd(back, "MZ", &d), 0);
    EXPECT_EQ(qor::bits_of(d), 0xFFFFA60000000000ULL);   // .Z
    ASSERT_EQ(slgnd(back, "NEGZERO", &d), 0);
    EXPECT_EQ(qor::bits_of(d), 0x8000000000000000ULL);
    ASSERT_EQ(slitmc(back, 5, &text), 0);
    EXPECT_EQ(text, std::string_view("a\0b", 3));
    qor_list *spec = nullptr, *first = nullptr, *second = nullptr;
    ASSERT_EQ(slgnl(back, "SPEC", &spec), 0);
    ASSERT_EQ(slgnl(back, "FIRST", &first), 0);
    ASSERT_EQ(slgnl(spec, "SECOND", &second), 0);
    EXPECT_EQ(first, second);   // one list, reached from two parents
    ASSERT_EQ(slgnd(spec, "ORDER", &d), 0);
    EXPECT_EQ(d, 3);
    ASSERT_EQ(slgnd(first, "ANSWER", &d), 0);
    EXPECT_EQ(d, 42);
    sldel(back, 0);
}

TEST_F(CompatFixtures, StoredMethodKeepsItsStatementsAndRuns) {
    qor_list* form = nullptr;
    slnewl(&form, nullptr, 84);
    ASSERT_EQ(slfile(form, "compat.fixcat.counted", 'R', "GENTRANS"), 0) << scratch.log();
    std::string_view text;
    double d = 0;
    ASSERT_EQ(slgnd(form, "VERSION", &d), 0);
    EXPECT_EQ(d, 1);
    ASSERT_EQ(slgnc(form, "NAME", &text), 0);
    EXPECT_EQ(text, "COUNTED");
    ASSERT_EQ(slgnc(form, "KIND", &text), 0);
    EXPECT_EQ(text, "P");
    ASSERT_EQ(slgnc(form, "DESC", &text), 0);
    EXPECT_EQ(text, "Counts its runs");
    sldel(form, 0);

    // Called from a fresh session: INIT once, then MAIN three times.
    cmp_session* session = nullptr;
    ASSERT_EQ(cmpints(&session, nullptr), 0);
    ASSERT_EQ(cmpmcat(session, kLibref, -1, "fixcat", -1), 0);
    const char* calls[] = {"if first = . then do; runmethod counted init; first = 1; end;",
                           "runmethod counted;"};
    for (const char* s : calls) ASSERT_LE(cmpprss(session, s, -1, nullptr, 0, nullptr, 0), 0) << s;
    ASSERT_EQ(cmpprss(session, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0), CMP_COMPLETE) << scratch.log();
    ASSERT_EQ(cmpgen(session, 1), 0);
    cmp_instance* instance = cmpinsb(session, 0);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(cmpfrun(instance, i), 0);
    EXPECT_EQ(*cmppdva(instance, cmpsyms(session, "RUNS", -1)), 3);
    EXPECT_EQ(*cmppdva(instance, cmpsyms(session, "LEVEL", -1)), 107.5);   // 100 + 3 * 2.5
    cmpends(session);
}

// Re-creates the fixture files in $QOR_FIXTURE_OUT (run with --gtest_also_run_disabled_tests).
TEST(CompatFixtureWriter, DISABLED_WriteFixtures) {
    const char* out = std::getenv("QOR_FIXTURE_OUT");
    ASSERT_NE(out, nullptr) << "set QOR_FIXTURE_OUT to an empty directory";
    ASSERT_EQ(qor::runtime::assign_library(kLibref, out, ""), 0);
    write_dataset();
    write_catalog();
    qor::runtime::clear_library(kLibref);
}

}  // namespace
