// The DATA step's text as the step runner reads it: its statements with their lines, the data
// set lists of DATA, SET and MERGE with their options, and the declarative statements.
#pragma once
#include <string>
#include <utility>
#include <vector>

namespace qor::runtime::datastep {

// One statement of the step, from its first word up to its ';' (comments blanked).
struct StepStatement {
    std::string text;
    std::string keyword;   // first word, upper case
    int line = 0;          // line in the program
};

// Splits the step's text; a text that cannot be read (an unclosed quote) gives false and why.
bool split_step(const std::string& text, int first_line, std::vector<StepStatement>* out, std::string* why);

// The options a data set may carry in parentheses after its name.
struct DatasetOptions {
    bool has_keep = false;
    std::vector<std::string> keep;                              // upper case
    std::vector<std::string> drop;                              // upper case
    std::vector<std::pair<std::string, std::string>> rename;    // old (upper case), new (as written)
    std::string where;                                          // expression text
    std::string in;                                             // IN= variable (upper case)
    long firstobs = 1;
    long obs = -1;                                              // -1: no limit
};

// A data set named on DATA, SET or MERGE.
struct DatasetSpec {
    std::string libref;    // upper case; WORK for a one-level name
    std::string member;    // as written
    DatasetOptions options;
    std::string text() const;   // LIB.MEMBER for messages
};

// The data sets of a DATA, SET or MERGE statement (after the keyword) and the options that follow
// them after a '/' or, for SET and MERGE, END= and NOBS= among them. false with why.
struct DatasetList {
    std::vector<DatasetSpec> sets;
    bool null_output = false;   // DATA _NULL_
    std::string end_variable;   // END=
    std::string nobs_variable;  // NOBS=
};
bool parse_dataset_list(const std::string& text, bool input, DatasetList* out, std::string* why);

// Names of a statement: words after the keyword, upper case (KEEP, DROP, RETAIN without values).
std::vector<std::string> statement_words(const std::string& text);

// Numbered variable lists expanded: "a1-a3" (or "a1 - a3") stands for a1 a2 a3. false with why
// for a list whose ends differ in their prefix or run downwards.
bool expand_numbered_lists(std::vector<std::string>* words, std::string* why);

// An ARRAY statement with the numbered lists of its elements expanded.
std::string expand_array_statement(const std::string& text);

// The text after the first word.
std::string after_keyword(const std::string& text);

std::string upper(std::string text);

// Whether a statement is a subsetting IF (IF without THEN at its own level).
bool is_subsetting_if(const std::string& text);

// A name of the language: a letter or '_' then letters, digits and '_', 1 to 32 characters.
bool valid_variable_name(const std::string& name);

}  // namespace qor::runtime::datastep
