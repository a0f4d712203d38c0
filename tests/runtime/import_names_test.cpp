// Variable names made from header texts: valid characters and start, the 32-character limit,
// and uniqueness with case ignored.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/procs/import_names.h"

using qor::runtime::import_variable_names;

TEST(ImportNames, HeadersBecomeValidUniqueNames) {
    struct Case {
        const char* name;
        std::vector<std::string> headers;
        std::vector<std::string> names;
    };
    const std::string long40(40, 'a');
    const Case cases[] = {
        {"kept", {"Rate", "notional_eur"}, {"Rate", "notional_eur"}},
        {"runs of other characters", {" Notional (EUR) ", "a - b", "x%"}, {"Notional_EUR_", "a_b", "x_"}},
        {"leading digit", {"3m rate"}, {"_3m_rate"}},
        {"empty headers", {"", "  ", "ok"}, {"VAR1", "VAR2", "ok"}},
        {"duplicates with case ignored", {"id", "ID", "Id", "id_2"}, {"id", "ID_2", "Id_3", "id_2_2"}},
        {"cut to 32", {long40}, {std::string(32, 'a')}},
        {"suffix fits in 32", {long40, long40}, {std::string(32, 'a'), std::string(30, 'a') + "_2"}},
        {"non-ASCII bytes", {"taux\xC3\xA9t\xC3\xA9"}, {"taux_t_"}},
        {"suffix taken by a header", {"a", "a_2", "A", "a"}, {"a", "a_2", "A_3", "a_4"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(import_variable_names(c.headers), c.names);
    }
}

// Ten thousand equal headers (a wide file of one repeated name) get x, x_2 ... x_10000.
TEST(ImportNames, ManyEqualHeadersGetConsecutiveSuffixes) {
    const std::vector<std::string> names = import_variable_names(std::vector<std::string>(10000, "x"));
    ASSERT_EQ(names.size(), 10000u);
    EXPECT_EQ(names[0], "x");
    for (size_t i = 1; i < names.size(); ++i) ASSERT_EQ(names[i], "x_" + std::to_string(i + 1));
}
