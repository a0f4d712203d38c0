// One DATA step while it is compiled and run: its declarations, the program data vector it owns,
// the compile session, its inputs and outputs. Reading lives in step_inputs.cpp, writing in
// step_outputs.cpp, compiling and the iteration loop in data_step.cpp.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "host/compiler.h"
#include "runtime/datastep/step_model.h"
#include "runtime/procs/proc_formats.h"
#include "runtime/submit/statement_tokens.h"

namespace qor::runtime::datastep {

// One BY variable's value of an observation, for ordering and for FIRST./LAST.
struct KeyPart {
    bool character = false;
    double number = 0;
    std::string text;   // trailing blanks dropped
};
using Key = std::vector<KeyPart>;

struct Retained {
    std::string name;   // upper case
    bool has_initial = false;
    bool character = false;
    double number = 0;
    std::string text;
};

// One SET or MERGE statement: its data sets and where its reading stands.
struct ReadStatement {
    DatasetList list;
    bool merge = false;
    bool by = false;                    // the BY statement follows this statement
    int line = 0;
    std::vector<Input> inputs;
    std::vector<Key> input_previous;    // per input: the last key taken
    size_t current_input = 0;
    size_t last_input = 0;
    bool has_last_input = false;
    bool has_previous_key = false;
    Key previous_key;
    bool in_group = false;
    Key group_key;
    std::vector<bool> group_member;
    int end_var = -1, nobs_var = -1;
};

class StepRunner {
public:
    StepRunner(std::vector<StepStatement> statements, int first_line);
    ~StepRunner();
    StepRunner(const StepRunner&) = delete;
    StepRunner& operator=(const StepRunner&) = delete;

    int run();

    // Bodies of the step's routines (called from the compiled program).
    int body_read(const cmp_arg_value* args, int nargs);
    int body_output(const cmp_arg_value* args, int nargs);
    void set_failed() { failed_ = true; }
    bool claim_output(const std::string& text, std::string* lowered, std::string* why);
    int claim_read(std::string* why);
    void report(const std::string& message, int line);
    void compiler_error(const char* message, int statement);
    void print_line(const char* line, int length);
    void note_spellings(const std::string& text);

private:
    // declarations (data_step.cpp)
    bool read_declarations();
    bool declare_statement(const StepStatement& st);
    bool declare_attributes(const std::vector<StatementToken>& tokens, int line);
    bool compile();
    bool push(const std::string& text, int line);
    void set_retained_initial_values();
    int iterate();

    // inputs (step_inputs.cpp)
    bool open_inputs();
    bool open_read_statement();
    bool open_input(Input& in);
    int add_variable(const std::string& name, bool character, int length, const qor_var_desc* from, bool automatic,
                     const std::string& context);
    void lay_out_record();
    bool compile_input_where(Input& in, const std::string& text, qor_where** out, const char* what);
    int fetch(Input& in);
    bool take(size_t input);
    void set_end_flag();
    Key key_of(const Input& in) const;
    Key current_key() const;
    int compare_keys(const Key& a, const Key& b, size_t levels) const;
    int read_set();
    int read_merge();
    void set_by_flags(const Key& key, const Key* previous, const Key* next);
    const Key* smallest_head(size_t* which);
    void reset_input_variables(const Input* only);
    void close_inputs();

    // outputs (step_outputs.cpp)
    bool open_outputs();
    bool write_output(Output& out);
    bool close_outputs(bool keep);
    std::vector<OutputColumn> program_columns();

    // number and text cells of the record
    double* cell(int variable) { return reinterpret_cast<double*>(reinterpret_cast<char*>(record_.data()) + vars_[variable].offset); }
    char* text_cell(int variable) { return reinterpret_cast<char*>(record_.data()) + vars_[variable].offset; }

    std::vector<StepStatement> statements_;
    int first_line_;

    // declarations
    DatasetList outputs_list_;
    int read_lowerings_ = 0;
    std::vector<std::string> by_;
    std::vector<bool> by_descending_;
    bool by_notsorted_ = false;   // groups are runs of equal values; no order is checked
    std::vector<std::string> keep_, drop_;
    bool has_keep_ = false;
    std::vector<std::pair<std::string, std::string>> rename_;
    std::vector<Retained> retained_;
    std::map<std::string, std::pair<bool, int>> lengths_;   // name: character, length
    std::vector<std::string> length_order_;                 // the names of LENGTH in the order written
    std::map<std::string, std::string> labels_;
    std::map<std::string, FormatSpec> formats_;
    std::map<std::string, std::string> informats_;
    std::string where_;
    int where_line_ = 0;
    bool explicit_output_ = false;

    // the program
    cmp_session* session_ = nullptr;
    cmp_instance* instance_ = nullptr;
    std::vector<int> push_lines_;   // program line of each push
    int current_line_ = 0;

    // the record the step owns
    std::vector<PdvVariable> vars_;
    std::vector<double> record_;
    int n_var_ = -1, error_var_ = -1;
    std::vector<int> first_vars_, last_vars_;

    std::vector<ReadStatement> reads_;
    ReadStatement* r_ = nullptr;        // the statement being opened or read
    std::vector<Output> outputs_;
    bool failed_ = false;
    bool read_in_iteration_ = false;
    bool end_of_input_ = false;

    // reading state
    std::map<std::string, std::string> spelling_;   // upper-case name: as first written
};

}  // namespace qor::runtime::datastep
