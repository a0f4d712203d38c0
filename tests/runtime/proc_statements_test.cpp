// The step reader of the built-in procedures: statements with their program lines, tokens,
// and options checked against a procedure's table, each mistake logged with its line.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/print.h"
#include "runtime/core/print_internal.h"
#include "runtime/procs/proc_statements.h"

using namespace qor::runtime;

namespace {

qor_step step_of(const std::string& text, int first_line) {
    qor_step step{};
    step.proc_name = "TRY";
    step.text = text.data();
    step.text_length = text.size();
    step.first_line = first_line;
    return step;
}

// Runs body with the log captured; returns what it logged.
template <typename Body>
std::string logged(Body body) {
    std::string path = ::testing::TempDir() + "qor_stmt_" + std::to_string(::getpid()) + ".log";
    qor_print_set_log_file(path.c_str());
    xplogl(1024);
    body();
    xpoflsh(0);
    qor_print_set_log_file(nullptr);
    xplogl(132);
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    std::remove(path.c_str());
    return s.str();
}

const std::vector<ProcOptionSpec> kSpecs = {{"DATA", true}, {"OUT", true}, {"REPLACE", false}};

}  // namespace

TEST(ProcStatements, StepIsCutIntoStatementsWithProgramLines) {
    std::string text = "proc try data = 'my file.csv' out=lib.x\n  replace;\n var a b;\n\n"
                       "format x date9. ;;\nrun;\nnever read;";
    qor_step step = step_of(text, 10);
    std::vector<ProcStatement> sts;
    ASSERT_TRUE(read_proc_step(&step, &sts));
    ASSERT_EQ(sts.size(), 3u);
    EXPECT_EQ(sts[0].keyword, "PROC");
    EXPECT_EQ(sts[0].line, 10);
    ASSERT_EQ(sts[0].tokens.size(), 7u);   // the procedure name is not among them
    EXPECT_EQ(sts[0].tokens[2].text, "my file.csv");
    EXPECT_TRUE(sts[0].tokens[2].quoted);
    EXPECT_EQ(sts[0].tokens[5].text, "lib.x");
    EXPECT_EQ(sts[1].keyword, "VAR");
    EXPECT_EQ(sts[1].line, 12);
    EXPECT_EQ(sts[2].keyword, "FORMAT");
    EXPECT_EQ(sts[2].line, 14);
    EXPECT_EQ(sts[2].tokens[1].text, "date9.");

    std::vector<ProcOption> options;
    ASSERT_TRUE(read_proc_options(sts[0], "TRY", kSpecs, &options));
    ASSERT_EQ(options.size(), 3u);
    EXPECT_EQ(find_option(options, "DATA")->value, "my file.csv");
    EXPECT_EQ(find_option(options, "OUT")->value, "lib.x");
    EXPECT_FALSE(find_option(options, "REPLACE")->has_value);
}

TEST(ProcStatements, OptionMistakesAreLoggedWithTheirLine) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"proc try dta=a; run;", "ERROR: PROC TRY: option DTA on line 5 is not known."},
        {"proc try data=; run;", "ERROR: PROC TRY: option DATA on line 5 needs a value after '='."},
        {"proc try data; run;", "ERROR: PROC TRY: option DATA on line 5 needs a value (DATA=...)."},
        {"proc try replace=yes; run;", "ERROR: PROC TRY: option REPLACE on line 5 takes no value."},
        {"proc try\n out=a OUT=b; run;", "ERROR: PROC TRY: option OUT is given twice on line 5."},
        {"proc try = a; run;", "ERROR: PROC TRY: an option name is expected before = on line 5."},
        {"proc try 'x'; run;", "ERROR: PROC TRY: an option name is expected before 'x' on line 5."},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        qor_step step = step_of(text, 5);
        std::string log = logged([&] {
            std::vector<ProcStatement> sts;
            ASSERT_TRUE(read_proc_step(&step, &sts));
            std::vector<ProcOption> options;
            EXPECT_FALSE(read_proc_options(sts[0], "TRY", kSpecs, &options)) << c.text;
        });
        EXPECT_NE(log.find(c.message), std::string::npos) << c.text << " logged: " << log;
    }
}

TEST(ProcStatements, UnreadableStepsAreRefused) {
    const char* cases[][2] = {
        {"proc try data='open;\nrun;", "quoted text that starts on line 7 is not closed"},
        {"proc try data=a", "the statement on line 7 does not end with a semicolon"},
    };
    for (const auto& c : cases) {
        std::string text = c[0];
        qor_step step = step_of(text, 7);
        std::string log = logged([&] {
            std::vector<ProcStatement> sts;
            EXPECT_FALSE(read_proc_step(&step, &sts)) << c[0];
        });
        EXPECT_NE(log.find(c[1]), std::string::npos) << c[0] << " logged: " << log;
    }
}
