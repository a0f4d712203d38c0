// The built-in procedures' steps read by the host's table-driven parser: statements with their
// program lines, option lists in the order written, repeated options refused, and every syntax
// mistake logged with its line and column.
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

const qor_option_def kOptions[] = {
    {"DATA", QOR_FORM_TEXT, 0, 0},     {"OUT", QOR_FORM_TEXT, 0, 0},
    {"OBS", QOR_FORM_INTEGER, 0, 0},   {"REPLACE", QOR_FORM_FLAG, 0, 0},
    {nullptr, 0, 0, 0},
};
const qor_clause kProcClauses[] = {
    {QOR_CLAUSE_OPTIONLIST, 0, 0, 0, 0, nullptr, nullptr, kOptions, nullptr},
};
const qor_clause kVarClauses[] = {
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 0, 0, nullptr, nullptr, nullptr, nullptr},
};
const qor_statement_schema kProcSchema = {"TRY", nullptr, 0, kProcClauses, 1, QOR_OPTIONS_FIELDS};
const qor_statement_schema kStatements[] = {{"VAR", nullptr, 0, kVarClauses, 1, 1}};
const qor_grammar kGrammar = {"TRY", &kProcSchema, kStatements, 1, 0};

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

}  // namespace

TEST(ProcStatements, StepIsParsedIntoNodesWithProgramLines) {
    std::string text = "proc try data = 'my file.csv' out=lib.x\n  obs=-3 replace;\n var a b;\n\n"
                       "var c ;;\nrun;\nnever read;";
    qor_step step = step_of(text, 10);
    ParsedStep parsed;
    ASSERT_TRUE(parsed.parse(&step, kGrammar));
    const statement_node* proc = parsed.proc();
    ASSERT_NE(proc, nullptr);
    EXPECT_EQ(proc->line, 10);
    std::vector<ProcOption> options;
    ASSERT_TRUE(read_proc_options(proc, 0, "TRY", &options));
    ASSERT_EQ(options.size(), 4u);
    EXPECT_EQ(options[0].name, "DATA");
    EXPECT_EQ(options[0].text, "my file.csv");
    EXPECT_EQ(find_option(options, "OUT")->text, "lib.x");
    EXPECT_EQ(find_option(options, "OBS")->number, -3);
    EXPECT_FALSE(find_option(options, "REPLACE")->has_value);

    std::vector<int> lines;
    std::vector<std::string> names;
    for (const statement_node* st = parsed.statements(); st; st = st->next) {
        EXPECT_EQ(node_keyword(st), "VAR");
        lines.push_back(st->line);
        for (const std::string& n : node_names(st, 0)) names.push_back(n);
    }
    EXPECT_EQ(lines, (std::vector<int>{12, 14}));
    EXPECT_EQ(names, (std::vector<std::string>{"a", "b", "c"}));
}

TEST(ProcStatements, MistakesAreLoggedWithTheirLine) {
    struct Case {
        const char* text;
        bool parses;   // the parser accepts it; the option reader refuses it
        const char* message;
    };
    const Case cases[] = {
        {"proc try dta=a; run;", false,
         "ERROR: Syntax error in the TRY statement at line 5, column 10: unknown keyword \"dta\".\n"
         "       Expected one of: DATA, OBS, OUT, REPLACE, ';'."},
        {"proc try data=; run;", false, "line 5, column 15: expected a name or a quoted string, found \";\"."},
        {"proc try data; run;", false, "line 5, column 14: expected '=', found \";\"."},
        {"proc try replace=yes; run;", false, "line 5, column 17: unexpected \"=\"."},
        {"proc try obs=1.5; run;", false, "line 5, column 14: expected an integer, found \"1.5\"."},
        {"proc try\n out=a OUT=b; run;", true, "ERROR: PROC TRY: option OUT is given twice on line 5."},
        {"proc try data='open;\nrun;", false, "found a quoted string that is not closed"},
        {"proc try data=a", false, "missing ';' before the end of the step."},
        {"proc try;\n where x; run;", false,
         "ERROR: Syntax error at line 6, column 2: unknown statement \"where\".\n"
         "       Expected one of: VAR, RUN, QUIT."},
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        qor_step step = step_of(text, 5);
        std::string log = logged([&] {
            ParsedStep parsed;
            ASSERT_EQ(parsed.parse(&step, kGrammar), c.parses) << c.text;
            if (!c.parses) return;
            std::vector<ProcOption> options;
            EXPECT_FALSE(read_proc_options(parsed.proc(), 0, "TRY", &options)) << c.text;
        });
        EXPECT_NE(log.find(c.message), std::string::npos) << c.text << " logged: " << log;
    }
}
