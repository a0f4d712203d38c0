// Host options: defaults, typed get and set, the OPTIONS statement (all or nothing), snapshots,
// concurrent use, and environment variables through wzosvar.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "host/options.h"
#include "runtime/core/options_internal.h"

namespace {

class Options : public ::testing::Test {
protected:
    void SetUp() override { qor_options_reset(); }
    void TearDown() override { qor_options_reset(); }

    static int boolean(const char* name) {
        int v = -1;
        EXPECT_EQ(xoptbgt(name, &v), 0) << name;
        return v;
    }
    static long integer(const char* name) {
        long v = -1;
        EXPECT_EQ(xoptigt(name, &v), 0) << name;
        return v;
    }
    static std::string text(const char* name) {
        char buf[256];
        int len = -1;
        EXPECT_EQ(xoptcgt(name, buf, sizeof buf, &len), 0) << name;
        EXPECT_EQ(static_cast<size_t>(len), std::strlen(buf));
        return buf;
    }
};

TEST_F(Options, DefaultsOfTheHostOptions) {
    EXPECT_EQ(boolean("GENERIC"), 0);
    EXPECT_EQ(boolean("DATE"), 1);
    EXPECT_EQ(boolean("STIMER"), 0);
    EXPECT_EQ(boolean("NOTES"), 1);
    EXPECT_EQ(boolean("SOURCE"), 1);
    EXPECT_EQ(text("DEBUG"), "");
    EXPECT_EQ(integer("YEARCUTOFF"), 1940);
    EXPECT_EQ(integer("LINESIZE"), 132);
    EXPECT_EQ(text("MISSING"), ".");
    EXPECT_EQ(integer("OBS"), LONG_MAX);
    long expected = std::max(1u, std::thread::hardware_concurrency());
    EXPECT_EQ(integer("PAPC"), expected);
}

TEST_F(Options, TypedSetAndGetAreCaseInsensitive) {
    EXPECT_EQ(xoptbst("generic", 5), 0);       // any non-zero is on
    EXPECT_EQ(boolean("GeNeRiC"), 1);
    EXPECT_EQ(xoptist("papc", 3), 0);
    EXPECT_EQ(integer("PAPC"), 3);
    EXPECT_EQ(xoptcst("debug", "sem syn", -1), 0);
    EXPECT_EQ(text("DEBUG"), "sem syn");
    EXPECT_EQ(xoptcst("DEBUG", "abcdef", 3), 0);   // length counts, not the NUL
    EXPECT_EQ(text("DEBUG"), "abc");
}

TEST_F(Options, TypedServicesRefuseWrongNamesTypesAndValues) {
    int b = 7;
    long i = 7;
    EXPECT_EQ(xoptbgt("NOSUCH", &b), QOR_OPT_UNKNOWN);
    EXPECT_EQ(b, 7);
    EXPECT_EQ(xoptbst("NOSUCH", 1), QOR_OPT_UNKNOWN);
    EXPECT_EQ(xoptigt("GENERIC", &i), QOR_OPT_WRONG_TYPE);
    EXPECT_EQ(xoptbgt("PAPC", &b), QOR_OPT_WRONG_TYPE);
    EXPECT_EQ(xoptcst("PAPC", "4", 1), QOR_OPT_WRONG_TYPE);
    EXPECT_EQ(xoptist("PAPC", -1), QOR_OPT_BAD_VALUE);
    EXPECT_EQ(xoptist("LINESIZE", 1000), QOR_OPT_BAD_VALUE);
    EXPECT_EQ(xoptcst("MISSING", "", 0), QOR_OPT_BAD_VALUE);
    EXPECT_EQ(xoptbgt(nullptr, &b), QOR_OPT_BAD_ARGUMENT);
    EXPECT_EQ(xoptbgt("GENERIC", nullptr), QOR_OPT_BAD_ARGUMENT);
    EXPECT_EQ(xoptcst("DEBUG", nullptr, 4), QOR_OPT_BAD_ARGUMENT);
    EXPECT_EQ(integer("LINESIZE"), 132);     // refused values change nothing
    EXPECT_EQ(text("MISSING"), ".");
}

TEST_F(Options, TextGetCutsToTheBufferAndTellsTheTrueLength) {
    ASSERT_EQ(xoptcst("DEBUG", "0123456789", -1), 0);
    char buf[8];
    std::memset(buf, 'X', sizeof buf);
    int len = 0;
    EXPECT_EQ(xoptcgt("DEBUG", buf, 4, &len), 0);
    EXPECT_EQ(len, 10);
    EXPECT_STREQ(buf, "012");
    EXPECT_EQ(buf[4], 'X');                  // nothing past the given size
    len = 0;
    EXPECT_EQ(xoptcgt("DEBUG", nullptr, 0, &len), 0);   // length only
    EXPECT_EQ(len, 10);
    EXPECT_EQ(xoptcgt("DEBUG", nullptr, 4, &len), QOR_OPT_BAD_ARGUMENT);
}

TEST_F(Options, StatementSetsEveryKind) {
    const char* statement =
        "generic NoDate\tPAPC=4  yearcutoff = 1950 DEBUG='sem ''x'' syn' "
        "metauser=\"a \"\"b\"\"\"\nLINESIZE=100 nonotes obs=max;";
    ASSERT_EQ(qor_options_statement(statement, -1), 0);
    EXPECT_EQ(boolean("GENERIC"), 1);
    EXPECT_EQ(boolean("DATE"), 0);
    EXPECT_EQ(integer("PAPC"), 4);
    EXPECT_EQ(integer("YEARCUTOFF"), 1950);
    EXPECT_EQ(text("DEBUG"), "sem 'x' syn");
    EXPECT_EQ(text("METAUSER"), "a \"b\"");
    EXPECT_EQ(integer("LINESIZE"), 100);
    EXPECT_EQ(boolean("NOTES"), 0);           // NONOTES: NO + NOTES, while NOTES is itself a name
    EXPECT_EQ(integer("OBS"), LONG_MAX);

    ASSERT_EQ(qor_options_statement("NOTES DEBUG=sem PAPC=+0 obs=0", -1), 0);
    EXPECT_EQ(boolean("NOTES"), 1);
    EXPECT_EQ(text("DEBUG"), "sem");
    EXPECT_EQ(integer("PAPC"), 0);
    EXPECT_EQ(integer("OBS"), 0);
    // Sizes in K, M and G (times 1024, 1024^2, 1024^3).
    ASSERT_EQ(qor_options_statement("sortsize=64M firstobs=2k", -1), 0);
    EXPECT_EQ(integer("SORTSIZE"), 64L << 20);
    EXPECT_EQ(integer("FIRSTOBS"), 2048);
    ASSERT_EQ(qor_options_statement("sortsize=1g firstobs=1", -1), 0);
    EXPECT_EQ(integer("SORTSIZE"), 1L << 30);
    // Only the given length is read; empty statements change nothing.
    ASSERT_EQ(qor_options_statement("STIMER GARBAGE", 6), 0);
    EXPECT_EQ(boolean("STIMER"), 1);
    EXPECT_EQ(qor_options_statement("  ; ", -1), 0);
    EXPECT_EQ(qor_options_statement(nullptr, 0), 0);
}

TEST_F(Options, FaultyStatementReportsAndChangesNothing) {
    struct Case {
        const char* text;
        int code;
        const char* named;       // must appear in the error line
    } cases[] = {
        {"GENERIC BOGUS PAPC=2", QOR_OPT_UNKNOWN, "BOGUS"},
        {"GENERIC PAPC=abc", QOR_OPT_SYNTAX, "PAPC"},
        {"GENERIC PAPC=4x", QOR_OPT_SYNTAX, "PAPC"},
        {"GENERIC PAPC=", QOR_OPT_SYNTAX, "PAPC"},
        {"GENERIC PAPC", QOR_OPT_SYNTAX, "PAPC"},
        {"GENERIC PAPC=-1", QOR_OPT_BAD_VALUE, "PAPC"},
        {"GENERIC PAPC=99999999999999999999999", QOR_OPT_BAD_VALUE, "PAPC"},
        {"GENERIC YEARCUTOFF=1200", QOR_OPT_BAD_VALUE, "YEARCUTOFF"},
        {"GENERIC NOPAPC", QOR_OPT_WRONG_TYPE, "PAPC"},
        {"GENERIC NODEBUG", QOR_OPT_WRONG_TYPE, "DEBUG"},
        {"GENERIC DATE=1", QOR_OPT_SYNTAX, "DATE"},
        {"GENERIC DEBUG='sem", QOR_OPT_SYNTAX, "DEBUG"},
        {"GENERIC MISSING='ab'", QOR_OPT_BAD_VALUE, "MISSING"},
        {"GENERIC ; NOTES", QOR_OPT_SYNTAX, ";"},
        {"GENERIC =4", QOR_OPT_SYNTAX, "GENERIC"},   // GENERIC=4
        {"PAPC=2 =4", QOR_OPT_SYNTAX, "=4"},
        {"GENERIC NO", QOR_OPT_UNKNOWN, "NO"},
        {"GENERIC PAPC=5G", QOR_OPT_BAD_VALUE, "PAPC"},
        {"GENERIC PAPC=M", QOR_OPT_SYNTAX, "PAPC"},
        {"GENERIC SORTSIZE=99999999999G", QOR_OPT_BAD_VALUE, "SORTSIZE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        testing::internal::CaptureStderr();
        EXPECT_EQ(qor_options_statement(c.text, -1), c.code);
        std::string log = testing::internal::GetCapturedStderr();
        EXPECT_NE(log.find(c.named), std::string::npos) << log;
        EXPECT_EQ(boolean("GENERIC"), 0);     // the valid word before the fault is not applied
        EXPECT_EQ(integer("PAPC"), std::max(1u, std::thread::hardware_concurrency()));
    }
}

TEST_F(Options, SnapshotRestoresTheWholeRegistry) {
    ASSERT_EQ(xoptcst("DEBUG", "before", -1), 0);
    qor::runtime::OptionSnapshot saved = qor_options_snapshot();
    ASSERT_EQ(qor_options_statement("NONOTES NOSOURCE GENERIC PAPC=2 DEBUG=after", -1), 0);
    EXPECT_EQ(boolean("NOTES"), 0);
    ASSERT_EQ(qor_options_restore(saved), 0);
    EXPECT_EQ(boolean("NOTES"), 1);
    EXPECT_EQ(boolean("SOURCE"), 1);
    EXPECT_EQ(boolean("GENERIC"), 0);
    EXPECT_EQ(text("DEBUG"), "before");
    EXPECT_EQ(integer("PAPC"), std::max(1u, std::thread::hardware_concurrency()));

    // A damaged snapshot is refused whole.
    saved.values[0].kind = qor::runtime::OptionKind::Text;
    ASSERT_EQ(xoptist("PAPC", 2), 0);
    EXPECT_EQ(qor_options_restore(saved), QOR_OPT_WRONG_TYPE);
    EXPECT_EQ(integer("PAPC"), 2);
}

TEST_F(Options, ConcurrentReadersAndWritersSeeWholeValues) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t] {
            const std::string mine(64, static_cast<char>('a' + t));
            for (int i = 0; i < 500; ++i) {
                if (t % 2) {
                    xoptcst("DEBUG", mine.c_str(), -1);
                    qor_options_statement(i % 2 ? "NOTES PAPC=3" : "NONOTES PAPC=5", -1);
                } else {
                    char buf[80];
                    int len = 0;
                    ASSERT_EQ(xoptcgt("DEBUG", buf, sizeof buf, &len), 0);
                    // Never a mix of two writers' texts.
                    std::string seen(buf);
                    ASSERT_TRUE(seen.empty() || seen == std::string(64, seen[0])) << seen;
                    long papc = 0;
                    ASSERT_EQ(xoptigt("PAPC", &papc), 0);
                }
            }
        });
    }
    for (auto& th : threads) th.join();
}

TEST(EnvironmentVariables, ValueLengthAndSmallBuffers) {
    ASSERT_EQ(setenv("QOR_TEST_AUDIT", "/tmp/audit.log", 1), 0);   // 14 characters
    char buf[32];
    int len = -1;
    EXPECT_EQ(wzosvar("QOR_TEST_AUDIT", buf, sizeof buf, &len), 0);
    EXPECT_STREQ(buf, "/tmp/audit.log");
    EXPECT_EQ(len, 14);

    // 15 bytes hold the value and its NUL; 14 do not.
    EXPECT_EQ(wzosvar("QOR_TEST_AUDIT", buf, 15, &len), 0);
    std::memset(buf, 'X', sizeof buf);
    len = -1;
    EXPECT_EQ(wzosvar("QOR_TEST_AUDIT", buf, 14, &len), QOR_ENV_TOO_SMALL);
    EXPECT_EQ(len, 14);
    for (char c : buf) EXPECT_EQ(c, 'X');
    EXPECT_EQ(wzosvar("QOR_TEST_AUDIT", nullptr, 0, &len), QOR_ENV_TOO_SMALL);
    EXPECT_EQ(len, 14);

    ASSERT_EQ(setenv("QOR_TEST_EMPTY", "", 1), 0);
    EXPECT_EQ(wzosvar("QOR_TEST_EMPTY", buf, 1, &len), 0);
    EXPECT_EQ(len, 0);
    EXPECT_STREQ(buf, "");

    unsetenv("QOR_TEST_AUDIT");
    EXPECT_EQ(wzosvar("QOR_TEST_AUDIT", buf, sizeof buf, &len), QOR_ENV_ABSENT);
    EXPECT_EQ(wzosvar("A=B", buf, sizeof buf, &len), QOR_ENV_ABSENT);
    EXPECT_EQ(wzosvar(nullptr, buf, sizeof buf, &len), QOR_ENV_BAD_ARGUMENT);
    EXPECT_EQ(wzosvar("", buf, sizeof buf, &len), QOR_ENV_BAD_ARGUMENT);
    EXPECT_EQ(wzosvar("HOME", buf, -1, &len), QOR_ENV_BAD_ARGUMENT);
    EXPECT_EQ(wzosvar("HOME", nullptr, 8, &len), QOR_ENV_BAD_ARGUMENT);
}

}  // namespace
