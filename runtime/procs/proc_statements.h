// A built-in procedure's step parsed with its grammar by the host's table-driven parser, and
// readers of the statement nodes it builds: option lists (checked for repeats) and name lists.
#pragma once
#include <string>
#include <vector>

#include "host/anchor.h"
#include "host/parser.h"

namespace qor::runtime {

// The statements of a step as the parser built them. The nodes live in the step's pool, or in
// a pool of this object when the step has none.
class ParsedStep {
public:
    ParsedStep() = default;
    ParsedStep(const ParsedStep&) = delete;
    ParsedStep& operator=(const ParsedStep&) = delete;
    ~ParsedStep();

    // Parses the step's text with the grammar; false when the parser logged an error.
    bool parse(const qor_step* step, const qor_grammar& grammar);
    // The PROC statement (its options), then the statements after it in program order.
    const statement_node* proc() const { return first_; }
    const statement_node* statements() const { return first_ ? first_->next : nullptr; }

private:
    qor_pool* own_pool_ = nullptr;
    const statement_node* first_ = nullptr;
};

// One option of an option list as written: NAME, NAME=number or NAME=text.
struct ProcOption {
    std::string name;       // upper case
    bool has_value = false;
    double number = 0;      // an integer or real option's value
    std::string text;       // a text option's value (quotes removed)
};

// The options of the option list whose fields start at `first`, in the order written. false
// after logging that an option is given twice (naming the procedure and line).
bool read_proc_options(const statement_node* node, int first, const char* proc,
                       std::vector<ProcOption>* options);

// The option of a name, or null.
const ProcOption* find_option(const std::vector<ProcOption>& options, const char* name);

// The names held by a name-list field, in order (none when the field was not given).
std::vector<std::string> node_names(const statement_node* node, int field);

// The statement's keyword as the node stores it (upper case, without padding).
std::string node_keyword(const statement_node* node);

// Upper-cases ASCII letters.
std::string upper_text(std::string text);

}  // namespace qor::runtime
