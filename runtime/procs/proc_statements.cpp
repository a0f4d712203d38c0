// Parsing a built-in procedure's step with the host parser (xsproc) and reading its nodes: the
// option lists of PROC statements with a check for repeated options, and name lists.
#include "runtime/procs/proc_statements.h"

#include <cctype>
#include <cstring>

#include "host/pool.h"
#include "host/print.h"

namespace qor::runtime {

std::string upper_text(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

ParsedStep::~ParsedStep() {
    if (own_pool_) xmpoold(own_pool_);
}

bool ParsedStep::parse(const qor_step* step, const qor_grammar& grammar) {
    qor_pool* pool = step->pool;
    if (!pool) pool = own_pool_ = xmpoolc(65536, 65536, 0);
    if (!pool) {
        xpslog("%1zPROC %s: there is no memory to read the step.", grammar.procedure);
        return false;
    }
    qor_parse_request request{};
    request.grammar = &grammar;
    request.text = step->text;
    request.length = step->text_length;
    request.first_line = step->first_line;
    request.pool = pool;
    int code = xsproc(&request);
    first_ = request.statements;
    return code == 0 && first_ != nullptr;
}

bool read_proc_options(const statement_node* node, int first, const char* proc,
                       std::vector<ProcOption>* options) {
    options->clear();
    std::vector<std::string> names = node_names(node, first + QOR_OPTIONS_NAMES);
    std::vector<std::string> texts = node_names(node, first + QOR_OPTIONS_TEXTS);
    const operand_field* types = qor_operand(node, first + QOR_OPTIONS_TYPES);
    const operand_field* numbers = qor_operand(node, first + QOR_OPTIONS_NUMBERS);
    size_t next_number = 0, next_text = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        ProcOption option;
        option.name = upper_text(names[i]);
        int form = types && types->kind == QOR_OPERAND_NUMBERS && static_cast<int32_t>(i) < types->used
                       ? static_cast<int>(static_cast<const double*>(types->value)[i])
                       : QOR_FORM_FLAG;
        if (form == QOR_FORM_REAL || form == QOR_FORM_INTEGER) {
            option.has_value = true;
            if (numbers && numbers->kind == QOR_OPERAND_NUMBERS &&
                static_cast<int32_t>(next_number) < numbers->used)
                option.number = static_cast<const double*>(numbers->value)[next_number];
            ++next_number;
        } else if (form != QOR_FORM_FLAG) {
            option.has_value = true;
            if (next_text < texts.size()) option.text = texts[next_text];
            ++next_text;
        }
        if (find_option(*options, option.name.c_str())) {
            xpslog("%1zPROC %s: option %s is given twice on line %i.", proc, option.name.c_str(),
                   node->line);
            return false;
        }
        options->push_back(std::move(option));
    }
    return true;
}

const ProcOption* find_option(const std::vector<ProcOption>& options, const char* name) {
    for (const ProcOption& o : options)
        if (o.name == name) return &o;
    return nullptr;
}

std::vector<std::string> node_names(const statement_node* node, int field) {
    std::vector<std::string> names;
    const operand_field* f = qor_operand(node, field);
    if (!f || f->kind != QOR_OPERAND_NAMES || !f->value) return names;
    const char* p = static_cast<const char*>(f->value);
    for (int32_t at = 0; at < f->used;) {
        size_t n = std::strlen(p + at);
        names.emplace_back(p + at, n);
        at += static_cast<int32_t>(n) + 1;
    }
    return names;
}

std::string node_keyword(const statement_node* node) {
    size_t n = sizeof node->name;
    while (n > 0 && (node->name[n - 1] == ' ' || node->name[n - 1] == '\0')) --n;
    return std::string(node->name, n);
}

}  // namespace qor::runtime
