// The WHERE services as the engine's filters use them: parse once against a resolver that binds
// names to storage, evaluate as the bound values change, and the codes of bad expressions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/missing.h"
#include "host/where.h"

namespace {

// The record the expressions read: two numbers and two character fields.
struct Record {
    double holding = 0;
    double rate = 0;
    char type[8];
    char id[12];
};

int resolve(void* user, const char* name, int length, qor_where_binding* b) {
    auto* r = static_cast<Record*>(user);
    std::string n(name, static_cast<size_t>(length));
    if (n == "HOLDING") *b = {QOR_WHERE_NUMERIC, 8, &r->holding};
    else if (n == "RATE") *b = {QOR_WHERE_NUMERIC, 8, &r->rate};
    else if (n == "TYPE") *b = {QOR_WHERE_CHARACTER, 8, r->type};
    else if (n == "ID") *b = {QOR_WHERE_CHARACTER, 12, r->id};
    else return QOR_WHERE_NOT_FOUND;
    return 0;
}

void set_text(char* field, size_t width, const char* value) {
    std::memset(field, ' ', width);
    std::memcpy(field, value, std::strlen(value));
}

struct Case {
    const char* expression;
    double holding, rate;
    const char* type;
    const char* id;
    int expected;
};

TEST(Where, ExpressionTable) {
    const double missing = qor::make_missing(0);
    const double special_a = qor::make_missing('A');
    const double underscore = qor::make_missing('_');
    const Case cases[] = {
        {"Holding > 0", 5, 0, "BOND", "X1", 1},
        {"Holding > 0", -5, 0, "BOND", "X1", 0},
        {"Holding > 0", missing, 0, "BOND", "X1", 0},        // missing sorts below every number
        {"holding", missing, 0, "BOND", "X1", 0},            // a missing result is false
        {"holding", 2, 0, "BOND", "X1", 1},
        {"holding + 1", missing, 0, "BOND", "X1", 0},
        {"Holding ^= 0 and rate ~= 0", 1, 2, "BOND", "X1", 1},
        {"holding NE 1 or rate EQ 2", 1, 2, "BOND", "X1", 1},
        {"not holding ge 1", 1, 2, "BOND", "X1", 0},
        {"holding in (1, 2, -3)", -3, 0, "BOND", "X1", 1},
        {"holding not in (1, 2, -3)", 4, 0, "BOND", "X1", 1},
        {"type in ('SWAP', 'BOND')", 0, 0, "BOND", "X1", 1},
        {"holding between 1 and 3", 3, 0, "BOND", "X1", 1},
        {"holding between 1 and 3", 3.5, 0, "BOND", "X1", 0},
        {"holding not between 1 and 3", 0, 0, "BOND", "X1", 1},
        {"holding is missing", special_a, 0, "BOND", "X1", 1},
        {"holding is null", 0, 0, "BOND", "X1", 0},
        {"type is not missing", 0, 0, "", "X1", 0},           // an all-blank value is missing
        {"id like 'X%'", 0, 0, "BOND", "XYZ", 1},
        {"id like 'X_'", 0, 0, "BOND", "XYZ", 0},
        {"id like 'X_Z'", 0, 0, "BOND", "XYZ", 1},
        {"id not like '%Y%'", 0, 0, "BOND", "XYZ", 0},
        {"id contains 'YZ'", 0, 0, "BOND", "XYZ", 1},
        {"id contains 'ZZ'", 0, 0, "BOND", "XYZ", 0},
        {"type = 'BOND'", 0, 0, "BOND", "X", 1},             // blank-padded comparison both ways
        {"type = 'BOND    '", 0, 0, "BOND", "X", 1},
        {"type < 'BONDS'", 0, 0, "BOND", "X", 1},
        {"type || id = 'BOND    X1'", 0, 0, "BOND", "X1", 1},
        {"holding * 2 ** 2 - 1 = 7 and -rate = -1", 2, 1, "BOND", "X", 1},
        {"holding / 0 > 1", 1, 0, "BOND", "X", 0},            // division by zero is missing
        {"holding = .A", special_a, 0, "BOND", "X", 1},
        {"._ < . and . < .A and holding < .", underscore, 0, "BOND", "X", 1},
        {"holding >= '01JAN2020'd", 21915, 0, "BOND", "X", 1},
        {"abs(holding) = 2 and upcase(substr(id, 1, 1)) = 'X'", -2, 0, "BOND", "xa", 1},
        {"max(holding, rate) = 4", 4, missing, "BOND", "X", 1},
    };
    for (const Case& c : cases) {
        Record r;
        r.holding = c.holding;
        r.rate = c.rate;
        set_text(r.type, sizeof r.type, c.type);
        set_text(r.id, sizeof r.id, c.id);
        qor_where* w = nullptr;
        char message[512];
        int rc = xwparse(c.expression, -1, resolve, &r, 0, &w, message, sizeof message);
        ASSERT_EQ(rc, 0) << c.expression << ": " << message;
        EXPECT_EQ(xweval(w), c.expected) << c.expression << " -> " << xwtext(w);
        xwfree(w);
    }
}

TEST(Where, ParsedOnceEvaluatedAsValuesChange) {
    Record r;
    set_text(r.type, sizeof r.type, "SWAP");
    set_text(r.id, sizeof r.id, "A");
    qor_where* w = nullptr;
    ASSERT_EQ(xwparse("Holding > 0 and type = 'SWAP'", -1, resolve, &r, 0, &w, nullptr, 0), 0);
    const double holdings[] = {1, 0, 7, -1};
    const int expected[] = {1, 0, 1, 0};
    for (int i = 0; i < 4; ++i) {
        r.holding = holdings[i];
        EXPECT_EQ(xweval(w), expected[i]) << holdings[i];
    }
    set_text(r.type, sizeof r.type, "BOND");
    r.holding = 1;
    EXPECT_EQ(xweval(w), 0);
    xwfree(w);
}

// The engine's filters keep one reference per occurrence: the resolver hears every one.
TEST(Where, ResolverCalledForEveryOccurrence) {
    struct Counting {
        Record record;
        int calls = 0;
    } c;
    auto counting = [](void* user, const char* name, int length, qor_where_binding* b) {
        auto* self = static_cast<Counting*>(user);
        ++self->calls;
        return resolve(&self->record, name, length, b);
    };
    qor_where* w = nullptr;
    ASSERT_EQ(xwparse("holding > 0 or holding < -5 and rate = 1", -1, counting, &c, 0, &w, nullptr, 0), 0);
    EXPECT_EQ(c.calls, 3);
    c.record.holding = -6;
    c.record.rate = 1;
    EXPECT_EQ(xweval(w), 1);
    xwfree(w);
}

struct BadCase {
    const char* expression;
    int code;
    int column;
};

TEST(Where, BadExpressionsGiveTheirCodeAndColumn) {
    const BadCase cases[] = {
        {"Holding > 0 and Nosuch = 1", QOR_WHERE_NOT_FOUND, 17},
        {"nosuch", QOR_WHERE_NOT_FOUND, 1},
        {"holding > ", QOR_WHERE_SYNTAX, 11},
        {"holding > 0 )", QOR_WHERE_SYNTAX, 13},
        {"(holding > 0", QOR_WHERE_SYNTAX, 13},
        {"holding between 1 or 2", QOR_WHERE_SYNTAX, 19},
        {"holding in (1, rate)", QOR_WHERE_SYNTAX, 16},
        {"holding is 3", QOR_WHERE_SYNTAX, 12},
        {"id = 'abc", QOR_WHERE_SYNTAX, 6},
        {"holding @ 1", QOR_WHERE_SYNTAX, 9},
        {"nofunction(holding) = 1", QOR_WHERE_SYNTAX, 1},
    };
    for (const BadCase& c : cases) {
        Record r;
        qor_where* w = reinterpret_cast<qor_where*>(1);
        char message[512];
        int rc = xwparse(c.expression, -1, resolve, &r, 0, &w, message, sizeof message);
        EXPECT_EQ(rc, c.code) << c.expression << ": " << message;
        EXPECT_EQ(w, nullptr);
        std::string m = message;
        EXPECT_NE(m.find("column " + std::to_string(c.column) + ":"), std::string::npos) << c.expression << ": " << m;
        EXPECT_NE(m.find(c.expression), std::string::npos) << m;   // the text is shown
    }
    EXPECT_EQ(xwparse(nullptr, -1, resolve, nullptr, 0, nullptr, nullptr, 0), QOR_WHERE_BAD_ARGUMENT);
    EXPECT_EQ(xweval(nullptr), QOR_WHERE_BAD_ARGUMENT);
}

}  // namespace
