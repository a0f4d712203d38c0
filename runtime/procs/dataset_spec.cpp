// Reading data set names with their data set options from a statement's tokens.
#include "runtime/procs/dataset_spec.h"

#include <cmath>
#include <cstdlib>

#include "host/missing.h"
#include "host/print.h"

namespace qor::runtime {

namespace {

bool option_error(const char* proc, int line, const std::string& what) {
    xpslog("%1zPROC %s: %s on line %i.", proc, what.c_str(), line);
    return false;
}

// The next token starts another option: a word followed by '='.
bool at_next_option(const TokenCursor& cursor, const std::vector<StepToken>& tokens) {
    size_t at = cursor.position();
    return at + 1 < tokens.size() && tokens[at].kind == StepToken::Word && tokens[at + 1].is("=");
}

// KEEP= and DROP= lists: names up to the next option or the closing parenthesis.
bool read_names(TokenCursor& cursor, const std::vector<StepToken>& tokens, const char* proc,
                std::vector<std::string>* names) {
    while (!cursor.done() && !cursor.peek().is(")") && !at_next_option(cursor, tokens)) {
        const StepToken& t = cursor.take();
        if (t.kind != StepToken::Word || !valid_word_name(t.text, 32))
            return option_error(proc, t.line, "\"" + t.text + "\" is not a variable name");
        names->push_back(upper_word(t.text));
    }
    return true;
}

bool read_rename(TokenCursor& cursor, const char* proc, DatasetSpec* spec) {
    if (!cursor.accept("(")) return option_error(proc, cursor.line(), "RENAME= needs (old=new ...)");
    while (!cursor.accept(")")) {
        const StepToken& from = cursor.take();
        if (!cursor.accept("=")) return option_error(proc, from.line, "RENAME= needs (old=new ...)");
        const StepToken& to = cursor.take();
        if (!valid_word_name(from.text, 32) || !valid_word_name(to.text, 32))
            return option_error(proc, from.line, "RENAME= needs valid names (old=new ...)");
        spec->rename.push_back({upper_word(from.text), to.text});
    }
    return true;
}

// A constant of a comparison: a number, a missing value (. ._ .A-.Z) or a quoted text.
bool read_constant(TokenCursor& cursor, WhereTerm* term) {
    bool negative = cursor.accept("-");
    const StepToken& t = cursor.take();
    if (t.kind == StepToken::Quoted && !negative) {
        term->text = true;
        term->value = t.text;
        return true;
    }
    if (t.kind != StepToken::Word) return false;
    std::string w = upper_word(t.text);
    if (!negative && (w == "." || w == "._" || (w.size() == 2 && w[0] == '.' && w[1] >= 'A' && w[1] <= 'Z'))) {
        term->number = qor::make_missing(w == "." ? 0 : w == "._" ? 95 : w[1]);
        return true;
    }
    char* end = nullptr;
    double value = std::strtod(t.text.c_str(), &end);
    if (end == t.text.c_str() || *end != '\0' || !std::isfinite(value)) return false;
    term->number = negative ? -value : value;
    return true;
}

bool read_operator(TokenCursor& cursor, std::string* op) {
    static const std::pair<const char*, const char*> kOps[] = {
        {"=", "="},   {"EQ", "="},  {"^=", "^="}, {"~=", "^="}, {"!=", "^="}, {"NE", "^="},
        {"<", "<"},   {"LT", "<"},  {"<=", "<="}, {"LE", "<="}, {">", ">"},   {"GT", ">"},
        {">=", ">="}, {"GE", ">="},
    };
    for (const auto& [word, canonical] : kOps)
        if (cursor.accept(word)) { *op = canonical; return true; }
    return false;
}

// WHERE=(name op constant [AND|OR ...]); an outer pair of parentheses around the whole
// condition is allowed.
bool read_where(TokenCursor& cursor, const char* proc, DatasetSpec* spec) {
    int line = cursor.line();
    const std::string usage = "WHERE= takes comparisons of a variable with a constant joined by "
                              "AND or OR";
    if (!cursor.accept("(")) return option_error(proc, line, usage);
    int depth = 0;
    while (cursor.accept("(")) ++depth;
    spec->where.emplace_back();
    for (;;) {
        WhereTerm term;
        const StepToken& name = cursor.take();
        if (name.kind != StepToken::Word || !valid_word_name(name.text, 32) || !read_operator(cursor, &term.op) ||
            !read_constant(cursor, &term))
            return option_error(proc, line, usage);
        term.variable = upper_word(name.text);
        spec->where.back().push_back(term);
        if (cursor.accept("AND")) continue;
        if (cursor.accept("OR")) { spec->where.emplace_back(); continue; }
        break;
    }
    while (depth > 0 && cursor.accept(")")) --depth;
    if (depth != 0 || !cursor.accept(")")) return option_error(proc, line, usage);
    return true;
}

}  // namespace

int compare_numbers(double a, double b) {
    bool ma = std::isnan(a), mb = std::isnan(b);
    if (ma || mb) {
        if (!mb) return -1;
        if (!ma) return 1;
        auto rank = [](double x) {
            int code = qor::is_missing(x) ? qor::missing_code(x) : 0;
            return code == 95 ? -1 : code;
        };
        int ra = rank(a), rb = rank(b);
        return ra < rb ? -1 : (ra > rb ? 1 : 0);
    }
    return a < b ? -1 : (a > b ? 1 : 0);
}

bool read_dataset_spec(TokenCursor& cursor, const char* proc, DatasetSpec* spec) {
    const StepToken& name = cursor.take();
    spec->line = name.line;
    if (name.kind != StepToken::Word) return option_error(proc, name.line, "a data set name is missing");
    if (!parse_dataset_name(name.text, proc, name.line, &spec->name)) return false;
    if (!cursor.accept("(")) return true;
    while (!cursor.accept(")")) {
        if (cursor.done()) return option_error(proc, name.line, "the data set options of " + name.text + " are not closed");
        const StepToken& option = cursor.take();
        std::string word = upper_word(option.text);
        if (option.kind != StepToken::Word || !cursor.accept("="))
            return option_error(proc, option.line, "\"" + option.text + "\" is not a data set option");
        bool ok;
        if (word == "KEEP") ok = read_names(cursor, cursor.tokens(), proc, &spec->keep);
        else if (word == "DROP") ok = read_names(cursor, cursor.tokens(), proc, &spec->drop);
        else if (word == "RENAME") ok = read_rename(cursor, proc, spec);
        else if (word == "WHERE") ok = read_where(cursor, proc, spec);
        else return option_error(proc, option.line, "the data set option " + word + "= is not known");
        if (!ok) return false;
    }
    return true;
}

bool parse_dataset_spec_text(const std::string& text, int line, const char* proc, DatasetSpec* spec) {
    qor_step step{};
    step.text = text.data();
    step.text_length = text.size();
    step.first_line = line;
    std::vector<StepStatement> statements;
    if (!read_step_statements(&step, proc, &statements)) return false;
    if (statements.empty()) return option_error(proc, line, "a data set name is missing");
    TokenCursor cursor(statements[0].tokens, 0, line);
    if (!read_dataset_spec(cursor, proc, spec)) return false;
    if (!cursor.done()) return option_error(proc, line, "\"" + cursor.peek().text + "\" follows the data set name " + text);
    return true;
}

}  // namespace qor::runtime
