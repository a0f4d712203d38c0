// A data set as a procedure statement names it, with its data set options in parentheses:
// KEEP=, DROP=, RENAME=(old=new ...) and WHERE=(...) for input, KEEP=, DROP=, RENAME= for output.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "runtime/procs/proc_datasets.h"
#include "runtime/procs/step_tokens.h"

namespace qor::runtime {

// One comparison of a WHERE= option: variable, operator (=, ^=, <, <=, >, >=) and a constant.
struct WhereTerm {
    std::string variable;
    std::string op;
    bool text = false;     // the constant is a quoted text
    double number = 0;
    std::string value;
};

struct DatasetSpec {
    DatasetName name;
    int line = 0;
    std::vector<std::string> keep;                              // upper case; empty: all
    std::vector<std::string> drop;                              // upper case
    std::vector<std::pair<std::string, std::string>> rename;    // old (upper case), new
    // WHERE=: comparisons joined by AND inside each group, the groups joined by OR.
    std::vector<std::vector<WhereTerm>> where;
    bool has_options() const { return !keep.empty() || !drop.empty() || !rename.empty() || !where.empty(); }
};

// Reads "lib.member" or "member" and its options from the cursor. false after an error message
// naming the procedure and the line (bad name, unassigned library, unknown option).
bool read_dataset_spec(TokenCursor& cursor, const char* proc, DatasetSpec* spec);

// The same from a text such as an option value "work.x(drop=a)".
bool parse_dataset_spec_text(const std::string& text, int line, const char* proc, DatasetSpec* spec);

// A missing-aware three-way comparison of numbers: ._ < . < .A < ... < .Z < every number.
int compare_numbers(double a, double b);

}  // namespace qor::runtime
