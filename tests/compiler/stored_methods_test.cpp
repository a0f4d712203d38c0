// Stored methods: the list form holds the statements, kind, description and blocks; a method
// saved to a catalog and called from a fresh session runs with the same bits; damaged forms
// and damaged entries are refused with a message and add nothing.
#include <cmath>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "host/catalog.h"
#include "host/lists.h"
#include "runtime/storage/libraries.h"
#include "tests/compiler/compiler_fixture.h"
#include "tests/compiler/pricing_methods.h"
#include "tests/support/scratch.h"

namespace {

class StoredMethods : public ::testing::Test {
protected:
    ScratchArea scratch;
    void SetUp() override {
        scratch.open("qor_stored_methods_");
        ASSERT_EQ(qor::runtime::assign_library("mstore", scratch.dir.string(), ""), 0);
    }
    void TearDown() override {
        qor::runtime::clear_library("mstore");
        scratch.close();
    }
};

const std::vector<std::string> kBlockMethod = {
    "method counted kind=price 'Counts its runs';",
    "block init; base = 100; runs = 0; endblock;",
    "block main; runs = runs + 1; level = base + runs * bond_value; endblock;",
    "endmethod;",
};

std::string text_at(const qor_list* l, int position) {
    std::string_view v;
    return slitmc(l, position, &v) == 0 ? std::string(v) : std::string("<not text>");
}

bool any_error_has(const Compiled& c, const std::string& part) {
    for (const std::string& e : c.errors)
        if (e.find(part) != std::string::npos) return true;
    return false;
}

TEST_F(StoredMethods, SavedMethodsRunInAFreshSessionWithTheSameBits) {
    const std::vector<std::string> calls = {"if first = . then do; runmethod counted init; first = 1; end;",
                                            "runmethod black_scholes;", "runmethod bond;", "runmethod counted;"};
    Compiled a;
    declare_pricing_structures(a.session);
    std::vector<std::string> prog = pricing_program();
    prog.insert(prog.end(), kBlockMethod.begin(), kBlockMethod.end());
    prog.insert(prog.end(), calls.begin(), calls.end());
    ASSERT_TRUE(a.build(prog));
    for (const char* m : {"black_scholes", "bond", "counted"}) {
        std::string entry = std::string("mstore.methods.") + m;
        ASSERT_EQ(cmposl(a.session, m, -1, entry.c_str(), -1, nullptr), 0) << m;
    }

    Compiled b;   // a fresh session: only the calls; the methods come from the catalog
    declare_pricing_structures(b.session);
    ASSERT_EQ(cmpmcat(b.session, "mstore", -1, "methods", -1), 0);
    ASSERT_EQ(b.push(calls), 0);
    ASSERT_EQ(cmpprss(b.session, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0), CMP_COMPLETE)
        << (b.errors.empty() ? "" : b.errors[0]);
    ASSERT_EQ(cmpgen(b.session, 1), 0);

    Instrument inst{100, 1.5, 2.5, 100};
    MarketState st{};
    for (Compiled* c : {&a, &b}) {
        cmpbasev(c->instance())[cmpbasei(c->session, "_ZOZU_VALUE_INST_", -1)] = &inst;
        cmpbasev(c->instance())[cmpbasei(c->session, "_ZOZU_MKT_INST_", -1)] = &st;
    }
    for (long i = 0; i < 500; ++i) {
        st = state_of(i);
        ASSERT_EQ(a.run(0, static_cast<double>(i)), 0);
        ASSERT_EQ(b.run(0, static_cast<double>(i)), 0);
        for (const char* v : {"CALL_VALUE", "BOND_VALUE", "LEVEL", "RUNS"})
            ASSERT_EQ(std::memcmp(a.num(v), b.num(v), sizeof(double)), 0) << v << " at state " << i;
    }
    EXPECT_EQ(*b.num("RUNS"), 500);   // INIT ran once, MAIN every time
}

TEST_F(StoredMethods, StoredFormHoldsStatementsKindAndBlocks) {
    Compiled a;
    ASSERT_TRUE(a.build({"x = 1; method m kind=project 'demo';", "block init; a = 1; endblock;", "endmethod;"}));
    qor_list* form = nullptr;
    slnewl(&form, nullptr, 84);
    ASSERT_EQ(cmposl(a.session, "m", -1, nullptr, 0, form), 0);
    double d = 0;
    std::string_view v;
    EXPECT_EQ(slgnd(form, "VERSION", &d), 0);
    EXPECT_EQ(d, 1);
    EXPECT_EQ(slgnc(form, "NAME", &v), 0);
    EXPECT_EQ(v, "M");
    EXPECT_EQ(slgnc(form, "KIND", &v), 0);
    EXPECT_EQ(v, "J");
    EXPECT_EQ(slgnc(form, "DESC", &v), 0);
    EXPECT_EQ(v, "demo");
    EXPECT_EQ(slgnd(form, "NSTMT", &d), 0);
    EXPECT_EQ(d, 5);
    qor_list* src = nullptr;
    ASSERT_EQ(slgnl(form, "SOURCE", &src), 0);
    const std::vector<std::string> expected = {"method m kind=project 'demo';", "block init; ", "a = 1; ", "endblock;",
                                               "endmethod;"};
    ASSERT_EQ(slcnt(src), 5);
    for (int k = 0; k < 5; ++k) EXPECT_EQ(text_at(src, k + 1), expected[static_cast<size_t>(k)]) << k;
    qor_list* blocks = nullptr;
    ASSERT_EQ(slgnl(form, "METHODBLOCK", &blocks), 0);
    ASSERT_EQ(slcnt(blocks), 3);
    const double block_items[] = {1, 3, 0};   // STMTSTART, STMTEND, BLOCKTYPE (INIT)
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(slitmd(blocks, k + 1, &d), 0);
        EXPECT_EQ(d, block_items[k]) << k;
    }

    // read into a fresh session and stored again: the same stored form, byte for byte
    Compiled b;
    ASSERT_EQ(cmpisl(b.session, nullptr, 0, form), 0);
    ASSERT_EQ(cmpprss(b.session, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0), CMP_COMPLETE);
    qor_list* again = nullptr;
    slnewl(&again, nullptr, 84);
    ASSERT_EQ(cmposl(b.session, "M", -1, nullptr, 0, again), 0);
    std::string first_bytes, second_bytes;
    ASSERT_EQ(qor_list_encode(form, &first_bytes), 0);
    ASSERT_EQ(qor_list_encode(again, &second_bytes), 0);
    EXPECT_EQ(first_bytes, second_bytes);
    EXPECT_NE(cmposl(b.session, "absent", -1, nullptr, 0, again), 0);
    sldel(again, 0);
    sldel(form, 0);
}

TEST_F(StoredMethods, DamagedFormsAreRefusedAndAddNothing) {
    struct Damage {
        const char* reason;                  // part of the message
        void (*apply)(qor_list* form, qor_list* source, qor_list* blocks);
    };
    const Damage damages[] = {
        {"newer", [](qor_list* f, qor_list*, qor_list*) { slsnd(f, "VERSION", 2); }},
        {"no format VERSION", [](qor_list* f, qor_list*, qor_list*) {
             slditm(f, slsrchn(f, "VERSION"));
             slditm(f, slsrchn(f, "FORMVERSION"));
         }},
        {"no NAME", [](qor_list* f, qor_list*, qor_list*) { slditm(f, slsrchn(f, "NAME")); }},
        {"NSTMT", [](qor_list* f, qor_list*, qor_list*) { slsnd(f, "NSTMT", 9); }},
        {"KIND", [](qor_list* f, qor_list*, qor_list*) { slsnc(f, "KIND", "P"); }},
        {"KIND is not", [](qor_list* f, qor_list*, qor_list*) { slsnc(f, "KIND", "Q"); }},
        {"DESC", [](qor_list* f, qor_list*, qor_list*) { slsnc(f, "DESC", "other"); }},
        {"no SOURCE", [](qor_list* f, qor_list*, qor_list*) { slsnc(f, "SOURCE", "text"); }},
        {"names OTHER", [](qor_list*, qor_list* s, qor_list*) { slsitmc(s, 1, "method other kind=project 'demo';"); }},
        {"starts or ends a method", [](qor_list*, qor_list* s, qor_list*) { slsitmc(s, 3, "endmethod;"); }},
        {"not one statement", [](qor_list*, qor_list* s, qor_list*) { slsitmc(s, 3, "a = (1;"); }},
        {"not one statement", [](qor_list*, qor_list* s, qor_list*) { slsitmc(s, 3, "a = 1; b = 2;"); }},
        {"end-of-source marker", [](qor_list*, qor_list* s, qor_list*) { slsitmc(s, 3, CMP_END_MARKER); }},
        {"not a text", [](qor_list*, qor_list* s, qor_list*) { slsitmd(s, 2, 1); }},
        {"does not end with ENDMETHOD", [](qor_list*, qor_list* s, qor_list*) { slsitmc(s, 5, "x = 2;"); }},
        {"METHODBLOCK", [](qor_list*, qor_list*, qor_list* b) { slsitmd(b, 2, 2); }},
        {"METHODBLOCK", [](qor_list*, qor_list*, qor_list* b) { slsitmd(b, 3, 4); }},
        {"METHODBLOCK", [](qor_list*, qor_list*, qor_list* b) { slditm(b, 3); }},
    };
    Compiled a;
    ASSERT_TRUE(a.build({"method m kind=project 'demo';", "block init; a = 1; endblock;", "endmethod;"}));
    for (const Damage& d : damages) {
        qor_list* form = nullptr;
        slnewl(&form, nullptr, 84);
        ASSERT_EQ(cmposl(a.session, "m", -1, nullptr, 0, form), 0);
        qor_list *source = nullptr, *blocks = nullptr;
        slgnl(form, "SOURCE", &source);
        slgnl(form, "METHODBLOCK", &blocks);
        d.apply(form, source, blocks);
        Compiled b;
        EXPECT_NE(cmpisl(b.session, nullptr, 0, form), 0) << d.reason;
        EXPECT_TRUE(any_error_has(b, "refused")) << d.reason;
        EXPECT_TRUE(any_error_has(b, d.reason)) << d.reason << ": " << (b.errors.empty() ? "" : b.errors[0]);
        EXPECT_EQ(cmpsyms(b.session, "A", -1), nullptr) << d.reason << ": nothing of the form is compiled";
        EXPECT_EQ(cmpprss(b.session, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0), CMP_INCOMPLETE) << d.reason;
        sldel(form, 0);
    }
}

TEST_F(StoredMethods, CalledMethodsFromDamagedOrForeignEntriesAreRefused) {
    Compiled a;
    ASSERT_TRUE(a.build({"method m kind=price 'demo';", "r = 42;", "endmethod;"}));
    ASSERT_EQ(cmposl(a.session, "m", -1, "mstore.methods.m", -1, nullptr), 0);
    ASSERT_EQ(cmposl(a.session, "m", -1, "mstore.methods.alias", -1, nullptr), 0);   // holds M, named ALIAS
    // a copy of M's entry with one byte of its stored list changed
    qor_entry_request r;
    r.libref = "mstore";
    r.catalog = "methods";
    r.name = "M";
    r.type = "GENTRANS";
    r.mode = QOR_CO_INPUT;
    qor_entry* e = nullptr;
    ASSERT_EQ(xcopen(r, &e), 0);
    std::string bytes(4096, '\0');
    size_t got = 0;
    xcread(e, bytes.data(), bytes.size(), &got);
    ASSERT_EQ(xcclose(e, 0), 0);
    bytes.resize(got);
    ASSERT_GT(got, 40u);
    bytes[got / 2] ^= 0x20;
    r.name = "BROKEN";
    r.mode = QOR_CO_OUTPUT;
    ASSERT_EQ(xcopen(r, &e), 0);
    ASSERT_EQ(xcwrite(e, bytes.data(), bytes.size()), 0);
    ASSERT_EQ(xcclose(e, 0), 0);

    struct Case { const char* call; int answer; const char* message; };
    const Case cases[] = {
        {"runmethod m;", CMP_COMPLETE, nullptr},
        {"runmethod broken;", CMP_INCOMPLETE, "cannot be read"},
        {"runmethod alias;", CMP_INCOMPLETE, "holds method M, not ALIAS"},
    };
    for (const Case& c : cases) {
        Compiled b;
        ASSERT_EQ(cmpmcat(b.session, "mstore", -1, "methods", -1), 0);
        ASSERT_EQ(b.push({c.call}), 0);
        EXPECT_EQ(cmpprss(b.session, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0), c.answer) << c.call;
        if (c.message) {
            EXPECT_TRUE(any_error_has(b, "refused")) << c.call;
            EXPECT_TRUE(any_error_has(b, c.message)) << c.call << ": " << (b.errors.empty() ? "" : b.errors[0]);
            continue;
        }
        ASSERT_EQ(cmpgen(b.session, 1), 0);
        ASSERT_EQ(b.run(), 0);
        EXPECT_EQ(*b.num("R"), 42);
    }
    // a method in no entry is left to generation, which names it
    Compiled c;
    ASSERT_EQ(cmpmcat(c.session, "mstore", -1, "methods", -1), 0);
    ASSERT_EQ(c.push({"runmethod nowhere;"}), 0);
    EXPECT_EQ(cmpprss(c.session, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0), CMP_COMPLETE);
    EXPECT_NE(cmpgen(c.session, 1), 0);
    EXPECT_TRUE(any_error_has(c, "NOWHERE"));
}

}  // namespace

namespace {

class LibrarySearch : public ::testing::Test {
protected:
    ScratchArea first, second;
    void SetUp() override {
        first.open("qor_rsxlib_a_");
        second.open("qor_rsxlib_b_");
        ASSERT_EQ(qor::runtime::assign_library("libone", first.dir.string(), ""), 0);
        ASSERT_EQ(qor::runtime::assign_library("libtwo", second.dir.string(), ""), 0);
    }
    void TearDown() override {
        qor::runtime::clear_library("libone");
        qor::runtime::clear_library("libtwo");
        first.close();
        second.close();
    }
    // Saves method `name` that sets `level` to `value` into library.METHODS.
    static void save(const char* library, const char* name, int value) {
        Compiled c;
        std::string m = name;
        ASSERT_TRUE(c.build({"method " + m + ";", "level = " + std::to_string(value) + ";", "endmethod;"}));
        std::string entry = std::string(library) + ".methods." + m;
        ASSERT_EQ(cmposl(c.session, name, -1, entry.c_str(), -1, nullptr), 0);
    }
};

TEST_F(LibrarySearch, LibrariesAreSearchedInOrderAndTheFirstHoldingTheMethodWins) {
    save("libone", "only_one", 1);
    save("libtwo", "only_two", 2);
    save("libone", "both", 10);
    save("libtwo", "both", 20);
    struct Case { std::vector<const char*> libraries; const char* method; double want; };
    const Case cases[] = {
        {{"libone", "libtwo"}, "only_two", 2}, {{"libone", "libtwo"}, "both", 10},
        {{"libtwo", "libone"}, "both", 20},    {{"libtwo", "libone"}, "only_one", 1},
    };
    for (const Case& c : cases) {
        Compiled p;
        std::vector<cmp_library> libs;
        for (const char* l : c.libraries) libs.push_back({l, static_cast<int>(std::strlen(l))});
        ASSERT_EQ(rsxlib(libs.data(), static_cast<int>(libs.size()), p.session), static_cast<int>(libs.size()));
        ASSERT_TRUE(p.build({std::string("runmethod ") + c.method + ";"})) << c.method;
        ASSERT_EQ(p.run(), 0);
        EXPECT_EQ(*p.num("LEVEL"), c.want) << c.method;
    }
    Compiled missing;   // only_two is not in libone: generation names the method
    cmp_library one{"libone", 6};
    ASSERT_EQ(rsxlib(&one, 1, missing.session), 1);
    EXPECT_FALSE(missing.build({"runmethod only_two;"}));
}

// An environment and those it inherits keep their methods in catalogs of different names, under
// the engine's member type: each library is searched in its own catalog for that type only.
TEST_F(LibrarySearch, EachLibraryIsSearchedInItsOwnCatalogForTheGivenType) {
    for (auto [library, catalog, value] : {std::tuple{"libone", "desk", 1}, std::tuple{"libtwo", "base", 2}}) {
        Compiled c;
        ASSERT_TRUE(c.build({"method shared;", "level = " + std::to_string(value) + ";", "endmethod;"}));
        qor_list* form = nullptr;
        slnewl(&form, nullptr, 84);
        ASSERT_EQ(cmposl(c.session, "shared", -1, nullptr, 0, form), 0);
        // A catalog that keeps its own VERSION text in the entry: the form's version still tells.
        slditm(form, slsrchn(form, "VERSION"));
        slinsc(form, "V9      ", QOR_SL_APPEND, "VERSION");
        ASSERT_EQ(slfile(form, std::string(library) + "." + catalog + ".shared", 'W', "RODI24"), 0);
        sldel(form, 0);
    }
    struct Case { cmp_method_catalog first; double want; };
    const Case cases[] = {{{"libone", 6, "desk", 4}, 1}, {{"libtwo", 6, "base", 4}, 2}};
    for (const Case& c : cases) {
        Compiled p;
        const cmp_method_catalog chain[] = {c.first, {"libtwo", 6, "base", 4}};
        ASSERT_EQ(rsxcat(chain, 2, "RODI24", 6, p.session), 2);
        ASSERT_TRUE(p.build({"runmethod shared;"})) << (p.errors.empty() ? "" : p.errors[0]);
        ASSERT_EQ(p.run(), 0);
        EXPECT_EQ(*p.num("LEVEL"), c.want);
    }
    Compiled wrong_type;   // the default type GENTRANS finds nothing there
    const cmp_method_catalog desk{"libone", 6, "desk", 4};
    ASSERT_EQ(rsxcat(&desk, 1, nullptr, 0, wrong_type.session), 1);
    EXPECT_FALSE(wrong_type.build({"runmethod shared;"}));
    Compiled refused;
    const cmp_method_catalog bad[] = {{"libone", 6, "a.b", 3}, {"toolonglib", 10, "desk", 4}};
    for (const cmp_method_catalog& b : bad) EXPECT_EQ(rsxcat(&b, 1, "RODI24", 6, refused.session), 0);
    EXPECT_EQ(rsxcat(&desk, 1, "RODI-24", 7, refused.session), 0);
}

// An entry naming its own catalog is searched there: environments keep catalogs of their own names.
TEST_F(LibrarySearch, AnEntryNamingACatalogIsSearchedInThatCatalog) {
    {
        Compiled c;
        ASSERT_TRUE(c.build({"method in_desk;", "level = 7;", "endmethod;"}));
        ASSERT_EQ(cmposl(c.session, "in_desk", -1, "libone.desk.in_desk", -1, nullptr), 0);
    }
    save("libtwo", "in_desk", 3);
    Compiled p;
    const cmp_library libs[] = {{"libone.desk", 11}, {"libtwo", 6}};
    ASSERT_EQ(rsxlib(libs, 2, p.session), 2);
    ASSERT_TRUE(p.build({"runmethod in_desk;"}));
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(*p.num("LEVEL"), 7);
    Compiled q;
    const cmp_library bad[] = {{"libone.", 7}, {"libone.a-b", 10}};
    for (const cmp_library& b : bad) EXPECT_EQ(rsxlib(&b, 1, q.session), 0);
}

TEST_F(LibrarySearch, BadListsAreRefusedAndChangeNothing) {
    save("libtwo", "there", 5);
    Compiled p;
    cmp_library good{"libtwo", 6};
    ASSERT_EQ(rsxlib(&good, 1, p.session), 1);
    const cmp_library bad[][2] = {{{"libone", 6}, {"", 0}}, {{"toolonglib", 10}, {"libone", 6}},
                                  {{"lib-x", 5}, {"libone", 6}}, {{nullptr, 3}, {"libone", 6}}};
    for (const auto& b : bad) EXPECT_EQ(rsxlib(b, 2, p.session), 0);
    EXPECT_EQ(rsxlib(&good, 0, p.session), 0);
    ASSERT_TRUE(p.build({"runmethod there;"}));   // still searching libtwo
    ASSERT_EQ(p.run(), 0);
    EXPECT_EQ(*p.num("LEVEL"), 5);
    EXPECT_EQ(rsxlib(&good, 1, p.session), 0);    // the source is complete
}

}  // namespace

namespace {

TEST_F(StoredMethods, ChainedModelsAreLoadedFoundAndCalled) {
    {
        Compiled c;
        ASSERT_TRUE(c.build({"method score kind=score 'Logistic score';", "block init; calls = 0; endblock;",
                             "block main; calls = calls + 1; pd = 1 / (1 + exp(-(2 * x + b))); endblock;",
                             "endmethod;", "method rating;", "grade = ceil(pd * 10);", "endmethod;",
                             "method setup kind=project;", "block init; ready = 1; endblock;", "endmethod;"}));
        for (const char* m : {"score", "rating", "setup"})
            ASSERT_EQ(cmposl(c.session, m, -1, (std::string("mstore.methods.") + m).c_str(), -1, nullptr), 0) << m;
    }
    Compiled p;
    const char* chain[] = {"mstore.methods.score", "mstore.methods.rating", "mstore.methods.setup"};
    ASSERT_EQ(cmpvtql(p.session, chain, nullptr, 3), 3);
    ASSERT_TRUE(p.build({"b = 0.5;"}, 2));
    EXPECT_EQ(cmpfnc(p.session, "nothere", -1), nullptr);
    EXPECT_EQ(cmpfnc(p.session, "setup", -1), nullptr);          // blocks without MAIN
    const cmp_function* score = cmpfnc(p.session, "Score  ", 7);
    const cmp_function* rating = cmpfnc(p.session, "rating", -1);
    ASSERT_TRUE(score && rating);
    EXPECT_EQ(cmpfnc(p.session, "SCORE", -1), score);
    ASSERT_EQ(p.run(0), 0);                                      // sets B
    ASSERT_EQ(p.run(1), 0);
    for (double x : {-1.0, 0.0, 0.75, 3.0}) {
        double pd = -1, grade = -1, in_x = x;
        cmp_fnc_arg sargs[] = {{cmpsyms(p.session, "X", -1), &in_x, CMP_FNC_IN},
                               {cmpsyms(p.session, "PD", -1), &pd, CMP_FNC_OUT}};
        ASSERT_EQ(cmpfncn(p.instance(1), score, sargs, 2), 0);
        EXPECT_DOUBLE_EQ(pd, 1 / (1 + std::exp(-(2 * x + 0.5)))) << x;
        cmp_fnc_arg rargs[] = {{cmpsyms(p.session, "GRADE", -1), &grade, CMP_FNC_OUT}};
        ASSERT_EQ(cmpfncn(p.instance(1), rating, rargs, 1), 0);   // reads PD left by the score
        EXPECT_EQ(grade, std::ceil(pd * 10)) << x;
    }
    EXPECT_TRUE(std::isnan(*p.num("CALLS", 1)));   // a call runs MAIN only, not INIT
    EXPECT_TRUE(std::isnan(*p.num("PD", 0)));      // nor touches other instances
    double v = 1;
    cmp_fnc_arg none[] = {{cmpsyms(p.session, "NOSUCH", -1), &v, CMP_FNC_IN}};
    EXPECT_NE(cmpfncn(p.instance(0), score, none, 1), 0);

    Compiled q;   // a refused entry stops the chain; the entries before it stay
    const char* broken[] = {"mstore.methods.rating", "mstore.methods.absent", "mstore.methods.score"};
    EXPECT_EQ(cmpvtql(q.session, broken, nullptr, 3), 0);
    EXPECT_NE(cmpsyms(q.session, "GRADE", -1), nullptr);
    EXPECT_EQ(cmpsyms(q.session, "X", -1), nullptr);
}

}  // namespace
