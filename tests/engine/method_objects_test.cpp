// Method objects on a started engine: definition, install and compile with the rules of each
// kind, the rebuild of all methods, redefinition and release in the environment's list, the
// listing, the two-level name and cast-suffix checks, and install without memory.
#include <string>
#include <vector>

#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/method_checks.h"
#include "engine/compiler/method_objects.h"
#include "host/compiler.h"
#include "host/lists.h"
#include "runtime/core/step.h"
#include "tests/engine/definitions_fixture.h"

namespace {

class MethodObjects : public DefinitionsTest {
protected:
    void SetUp() override {
        DefinitionsTest::SetUp();
        // The real method look-up, not the stand-in the definitions tests use.
        slots_[262] = saved_method_slot_;
        ASSERT_EQ(declare("notional", 3, 1, 201), 0) << log();
        ASSERT_EQ(declare("rate", 2, 1, 301), 0) << log();
        ASSERT_EQ(engine_routine<EngineSlot::rsk0>()(con), 0) << log();
    }

    // Defines a method and installs its body between its METHOD and ENDMETHOD statements;
    // the result of the install (the compile's).
    int define(const std::string& name, char kind, const std::vector<std::string>& body, RSKGENTRANS** out = nullptr,
               const std::string& description = "") {
        RSKNAMEREC n{0, static_cast<uint16_t>(name.size()), const_cast<char*>(name.data())};
        RSKNAMEREC d{0, static_cast<uint16_t>(description.size()), const_cast<char*>(description.data())};
        RSKCATOBJ* object = nullptr;
        if (rsktrnd(con, &object, &n, &d, kind, nullptr) != 0) return -1;
        auto* method = static_cast<RSKGENTRANS*>(object->object);
        if (out != nullptr) *out = method;
        static const char* const kWords = "ITPJVRSM";
        std::string source = "METHOD " + name;
        const char* at = std::strchr(kWords, kind);
        static const char* const kKinds[] = {"INPUT", "TRANS", "PRICE", "PROJECT", "POSTVAR", "POSTPRICE", "SCORE",
                                             "MITIGATION"};
        if (at != nullptr && kind != 'N') source += std::string(" KIND=") + kKinds[at - kWords];
        if (!description.empty()) source += " '" + description.substr(0, 40) + "'";
        source.push_back('\0');
        for (const std::string& s : body) source += s + '\0';
        source += std::string("ENDMETHOD") + '\0';
        return rsktrni(con, method, source.data(), source.size(), static_cast<int>(body.size()) + 2, 0, nullptr, 0,
                       2);
    }
    std::vector<std::string> list_names() {
        std::vector<std::string> names;
        for (RSKGENTRANS* m = con->methods_first; m != nullptr; m = m->next)
            names.emplace_back(m->name.name.text, m->name.name.length);
        return names;
    }
};

// The rules of a method's kind, one row per case, through real compiles.
TEST_F(MethodObjects, EachKindKeepsItsRules) {
    struct Case {
        const char* what;
        char kind;
        std::vector<std::string> body;
        int result;
        const char* message;   // expected in the log, or null for none of the rule messages
    };
    const Case cases[] = {
        {"a pricing method assigns the price", 'P', {"_value_ = notional * exp(-rate)"}, 0, nullptr},
        {"a pricing method that never assigns it", 'P', {"x = notional"}, 1, "598/1209"},
        {"an input method reads an instrument variable", 'I', {"notional = notional * 2"}, 0, nullptr},
        {"an input method may not read a risk factor", 'I', {"notional = rate"}, 1, "598/3107"},
        {"a transformation reads a risk factor", 'T', {"rate = rate + 0.01"}, 0, nullptr},
        {"a transformation may not read an instrument variable", 'T', {"rate = notional"}, 1, "598/3107"},
        {"a method of no kind uses anything", 'N', {"y = notional + rate", "z = y"}, 0, nullptr},
        {"a statement the compiler refuses", 'N', {"y = (1"}, 1, "598/3132"},
        {"a TRANS method with INIT and no MAIN", 'T', {"block init", "rate = 1", "endblock"}, 1, "672/2008"},
        {"a PROJECT method with INIT and no MAIN", 'J', {"block init", "k = 1", "endblock"}, 0, nullptr},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const size_t before = log().size();
        RSKGENTRANS* method = nullptr;
        EXPECT_EQ(define("m" + std::to_string(++n), c.kind, c.body, &method), c.result);
        const std::string said = log().substr(before);
        if (c.message != nullptr) {
            EXPECT_NE(said.find(c.message), std::string::npos) << said;
        }
        EXPECT_EQ(count_of(said, "598/3133"), c.result != 0 ? 1 : 0) << said;
        EXPECT_EQ(method->compiled, c.result == 0 ? 1 : 0);
    }
}

// A name read but never assigned, and not a variable, is a warning; the method still compiles.
TEST_F(MethodObjects, LocalNamesUsedOneWayAreWarnedOnly) {
    const size_t before = log().size();
    ASSERT_EQ(define("w", 'N', {"a = b", "c = 1"}), 0) << log();
    const std::string said = log().substr(before);
    EXPECT_NE(said.find("598/3163"), std::string::npos) << said;   // b: read only
    EXPECT_EQ(count_of(said, "598/3162"), 2) << said;               // a and c: assigned only
}

// The rebuild compiles every method, goes on after a failure, logs it once and answers 1; a
// redefined method keeps its place; freeing the last moves the list's tail.
TEST_F(MethodObjects, RebuildListAndRelease) {
    ASSERT_EQ(define("first", 'N', {"a = 1", "b = a"}), 0);
    ASSERT_EQ(define("middle", 'N', {"a = (1"}), 1);
    ASSERT_EQ(define("last", 'P', {"_value_ = 1"}), 0);
    const size_t before = log().size();
    EXPECT_EQ(rsktrn0(con), 1);
    const std::string said = log().substr(before);
    EXPECT_EQ(count_of(said, "598/3133"), 1) << said;
    EXPECT_NE(said.find("middle"), std::string::npos) << said;

    ASSERT_EQ(define("first", 'N', {"a = 2", "b = a"}), 0);   // redefined in place
    EXPECT_EQ(list_names(), (std::vector<std::string>{"first", "middle", "last"}));
    EXPECT_EQ(con->methods_count, 3);

    RSKNAMEREC last = name_of("last");
    RSKGENTRANS* method = rsktrn(con, &last);
    ASSERT_NE(method, nullptr);
    EXPECT_EQ(method->kind, 'P');
    ASSERT_EQ(rsktrnf(con, method), 0);
    EXPECT_EQ(list_names(), (std::vector<std::string>{"first", "middle"}));
    ASSERT_NE(con->methods_last, nullptr);
    EXPECT_EQ(std::string(con->methods_last->name.name.text, con->methods_last->name.name.length), "middle");
}

// Names over 32 characters are refused; descriptions are cut to 40 before they are copied.
TEST_F(MethodObjects, LongNamesAreRefusedAndDescriptionsCut) {
    const std::string long_name(33, 'n');
    EXPECT_EQ(define(long_name, 'N', {"a = 1", "b = a"}), -1);
    EXPECT_NE(log().find("672/1002"), std::string::npos);
    RSKGENTRANS* method = nullptr;
    const std::string description(50, 'd');
    ASSERT_EQ(define("described", 'N', {"a = 1", "b = a"}, &method, description), 0);
    EXPECT_EQ(method->description_length, 40);
    EXPECT_NE(log().find("672/1007"), std::string::npos);
}

// The listing names every method with its kind word and shows the source.
TEST_F(MethodObjects, ListingShowsKindWordsAndSource) {
    ASSERT_EQ(define("pm", 'P', {"_value_ = notional"}), 0);
    ASSERT_EQ(define("sm", 'S', {"s = 1", "t = s"}), 0);
    const size_t before = listing().size();
    ASSERT_EQ(rsktrnl(con, nullptr), 0);
    const std::string listed = listing().substr(before);
    EXPECT_NE(listed.find("598/90"), std::string::npos) << listed;
    EXPECT_NE(listed.find("pm (price)"), std::string::npos) << listed;
    EXPECT_NE(listed.find("sm (*unknown*)"), std::string::npos) << listed;
    EXPECT_NE(listed.find("_value_ = notional;"), std::string::npos) << listed;
    RSKNAMEREC absent = name_of("absent");
    EXPECT_EQ(rsktrnl(con, &absent), 1);
    EXPECT_NE(log().find("598/3127"), std::string::npos);
}

// A two-level name is a reference variable and an instrument variable, in either order.
TEST_F(MethodObjects, TwoLevelNamesTakeEitherOrder) {
    ASSERT_EQ(declare("curve", 6, 1, 301), 0) << log();
    struct Case {
        const char* first;
        const char* second;
        int valid;
    };
    const Case cases[] = {{"curve", "notional", 1}, {"notional", "curve", 1}, {"curve.x", "notional", 1},
                          {"rate", "notional", 0},  {"curve", "rate", 0},     {"nosuch", "notional", 0}};
    for (const Case& c : cases)
        EXPECT_EQ(verify_instrref(con, c.first, static_cast<int>(std::strlen(c.first)), c.second,
                                  static_cast<int>(std::strlen(c.second))),
                  c.valid)
            << c.first << "." << c.second;
    EXPECT_EQ(verify_castsuffix("rate.VOL", 8), 9);
    EXPECT_EQ(verify_castsuffix("rate.median", 11), 29);
    EXPECT_EQ(verify_castsuffix("rate.volx", 9), -1);
    EXPECT_EQ(verify_castsuffix("rate", 4), -1);
}

// Installing without memory ends the step with 598/500 and code 1016, never half installed; the
// compile that follows fails with its own message when its memory runs out, and never crashes.
TEST_F(MethodObjects, InstallWithoutMemoryEndsTheStepOrFailsTheCompile) {
    RSKGENTRANS* method = nullptr;
    ASSERT_EQ(define("small", 'N', {"a = 1", "b = a"}, &method), 0);
    std::string source = std::string("METHOD small") + '\0' + "a = 2" + '\0' + "b = a" + '\0' + "ENDMETHOD" + '\0';
    for (long n = 1; n < 2000; ++n) {
        SCOPED_TRACE(n);
        const size_t before = log().size();
        qor_pool_fail_nth(n);
        int code = 0, rc = -1;
        try {
            rc = rsktrni(con, method, source.data(), source.size(), 4, 0, nullptr, 0, 2);
        } catch (const qor::runtime::StepExit& e) {
            code = e.code;
        }
        const long left = qor_pool_fail_nth(0);
        const std::string said = log().substr(before);
        if (left != 0) {   // the install and its compile reached no failing allocation
            EXPECT_EQ(rc, 0) << said;
            EXPECT_EQ(method->compiled, 1);
            break;
        }
        if (n <= 2) {      // the statement descriptors, then the copy of the source
            EXPECT_EQ(code, 1016);
            EXPECT_NE(said.find("598/500"), std::string::npos) << said;
            EXPECT_EQ(method->statements, nullptr);
            EXPECT_EQ(method->source, nullptr);
        } else {           // the compile: its message, then 598/3133
            EXPECT_EQ(code, 0);
            EXPECT_EQ(rc, 1) << said;
            EXPECT_NE(said.find("598/3133"), std::string::npos) << said;
            EXPECT_EQ(method->compiled, 0);
        }
        con->no_memory_reported = 0;
    }
}

}  // namespace

namespace {

std::vector<std::string> statements_of(const RSKGENTRANS* method) {
    std::vector<std::string> texts;
    for (int i = 0; i < method->statement_count; ++i)
        texts.emplace_back(method->statements[i].text, method->statements[i].length);
    return texts;
}

// The stored form round-trips the statements, kind and description; a damaged form is refused
// whole with 598/3135 and the compiler's reason, and the method stays as it was.
TEST_F(MethodObjects, StoredFormRoundTripsAndDamageIsRefused) {
    RSKGENTRANS* method = nullptr;
    ASSERT_EQ(define("stored", 'P',
                     {"block init", "years = 2", "endblock", "block main", "_value_ = notional * exp(-rate * years)",
                      "endblock"},
                     &method, "Two blocks"),
              0)
        << log();
    const std::vector<std::string> source = statements_of(method);
    qor_list* form = nullptr;
    qor_list_id id = slnewl(&form, nullptr, 84);
    ASSERT_EQ(catalog_routine<CatalogSlot::rsstrng>()(con, method, id, nullptr, 0, 0), 0) << log();

    RSKCATOBJ* header = method->object;
    RSKCATOBJ* out = nullptr;
    ASSERT_EQ(catalog_routine<CatalogSlot::rsstrns>()(con, id, nullptr, 0, 0, &out, header), 0) << log();
    EXPECT_EQ(out, header);
    EXPECT_EQ(statements_of(method), source);
    EXPECT_EQ(method->kind, 'P');
    EXPECT_EQ(std::string(method->description, method->description_length), "Two blocks");
    EXPECT_EQ(method->compiled, 1);

    slsnd(form, "NSTMT", 99);
    const size_t before = log().size();
    EXPECT_EQ(catalog_routine<CatalogSlot::rsstrns>()(con, id, nullptr, 0, 0, &out, header), 1);
    const std::string said = log().substr(before);
    EXPECT_NE(said.find("598/3135"), std::string::npos) << said;
    EXPECT_NE(said.find("NSTMT"), std::string::npos) << said;
    EXPECT_EQ(statements_of(method), source);
    sldel(form, 0);

    // A method that does not compile has no stored form.
    RSKGENTRANS* broken = nullptr;
    ASSERT_EQ(define("broken", 'N', {"a = (1"}, &broken), 1);
    qor_list* none = nullptr;
    qor_list_id none_id = slnewl(&none, nullptr, 84);
    EXPECT_EQ(catalog_routine<CatalogSlot::rsstrng>()(con, broken, none_id, nullptr, 0, 0), 1);
    sldel(none, 0);
}

// The text of a type code comes from its message; an unknown code gives the first.
TEST_F(MethodObjects, TypeCodeTexts) {
    char text[65];
    auto texts = catalog_routine<CatalogSlot::rsstrnt>();
    EXPECT_GT(texts(1, text, sizeof text), 0);
    EXPECT_NE(std::string(text).find("Numeric"), std::string::npos) << text;
    texts(12345, text, sizeof text);
    EXPECT_NE(std::string(text).find("Unknown data type"), std::string::npos) << text;
}

}  // namespace

namespace {

// A compile of the environment finds, through the environment's catalogs, a method that a
// RUNMETHOD names and no statement of the compile defines.
TEST_F(MethodObjects, ACompileFindsAStoredMethodThatOnlyARunmethodNames) {
    RSKGENTRANS* helper = nullptr;
    ASSERT_EQ(define("helper", 'N', {"level = 7", "put level="}, &helper), 0) << log();
    ASSERT_EQ(catalog_routine<CatalogSlot::rssofis>()(con, helper->object, 0), 0) << log();

    cmp_session* session = nullptr;
    cmp_hooks hooks{};
    ASSERT_EQ(cmpints(&session, &hooks), 0);
    EXPECT_EQ(rsktrn_catalogs(con, session), 0);
    const char* statement = "runmethod helper;";
    EXPECT_EQ(cmpprss(session, statement, static_cast<int>(std::strlen(statement)), nullptr, 0, nullptr, 0), 0);
    EXPECT_EQ(cmpprss(session, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0), CMP_COMPLETE) << log();
    ASSERT_EQ(cmpgen(session, 1), 0) << log();
    EXPECT_EQ(cmpfrun(cmpinsb(session, 0), 0), CMP_RUN_OK);
    cmp_symbol* level = cmpsyms(session, "LEVEL", 5);
    ASSERT_NE(level, nullptr);
    EXPECT_EQ(*cmppdva(cmpinsb(session, 0), level), 7);
    cmpends(session);
}

}  // namespace

namespace {

// A project compile opened through the driver finds the stored method as well.
TEST_F(MethodObjects, AProjectCompileFindsAStoredMethodThatOnlyARunmethodNames) {
    RSKGENTRANS* helper = nullptr;
    ASSERT_EQ(define("helper", 'N', {"level = 7", "put level="}, &helper), 0) << log();
    ASSERT_EQ(catalog_routine<CatalogSlot::rssofis>()(con, helper->object, 0), 0) << log();

    ASSERT_EQ(rskicmp(0, 0, con, 1), 0) << log();
    RSKCMPCON* h = con->compile_handle;
    RSKACTION action{};
    ASSERT_EQ(rsksact(con, &action, RSKBLK_MAIN), 0);
    for (const char* s : {"runmethod helper;", "return;"}) ASSERT_LE(rskpush(h, s, 0, 2), 0) << s << log();
    ASSERT_EQ(rskgcmp(con), 0) << log();
    rskmact(con, &action, RSKBLK_MAIN, 1, 0);
    ASSERT_EQ(rskrcmp(con, nullptr, 1), 0) << log();
    double* level = nullptr;
    ASSERT_EQ(lookup_sym(con, "LEVEL", 5, nullptr, &level), 0) << log();
    EXPECT_EQ(*level, 7);
}

}  // namespace
