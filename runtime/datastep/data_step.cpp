// The DATA step runner: the declarative statements read first, the executable ones compiled by
// the methods compiler into one program (SET, MERGE, OUTPUT, DELETE and STOP claimed as front-end
// statements), then the iteration loop over the program data vector.
#include "runtime/datastep/data_step.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "host/missing.h"
#include "host/print.h"
#include "runtime/core/service_guard.h"
#include "runtime/datastep/package_routines.h"
#include "runtime/datastep/step_runner.h"
#include "runtime/submit/statement_tokens.h"

namespace qor::runtime {

namespace datastep {

namespace {

int g_budget = 0;   // instruction budget of each iteration (0: none)

constexpr const char* kRecordStructure = "_QOR_PDVS";
constexpr const char* kRecordInstance = "_QOR_PDV";

StepRunner* runner_of(const cmp_function_record* fn) { return static_cast<StepRunner*>(fn->context); }

int read_body(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context*, cmp_instance*,
              void*) {
    return runner_of(fn)->body_read(args, nargs);
}
int output_body(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context*, cmp_instance*,
                void*) {
    int rc = runner_of(fn)->body_output(args, nargs);
    if (rc != CMP_BODY_OK) runner_of(fn)->set_failed();
    return rc;
}
int delete_body(const cmp_function_record*, cmp_arg_value*, int, const cmp_exec_context*, cmp_instance*, void*) {
    return CMP_BODY_END_ITERATION;
}
int stop_body(const cmp_function_record*, cmp_arg_value*, int, const cmp_exec_context*, cmp_instance*, void*) {
    return CMP_BODY_STOP;
}

int write_lowered(const std::string& text, char* out, int size, int* length) {
    *length = static_cast<int>(text.size());
    if (*length <= size) std::memcpy(out, text.data(), text.size());
    return 0;
}
int refuse_lowering(const std::string& why, char* message, int size) {
    std::snprintf(message, static_cast<size_t>(size), "%s", why.c_str());
    return 1;
}

int lower_read(void* context, cmp_session*, const char*, int, char* out, int size, int* length, char* message,
               int message_size) {
    std::string why;
    int index = static_cast<StepRunner*>(context)->claim_read(&why);
    if (index < 1) return refuse_lowering(why, message, message_size);
    return write_lowered("call _QOR_READ(" + std::to_string(index) + ");", out, size, length);
}
int lower_output(void* context, cmp_session*, const char* text, int length, char* out, int size, int* out_length,
                 char* message, int message_size) {
    std::string lowered, why;
    if (!static_cast<StepRunner*>(context)->claim_output(std::string(text, static_cast<size_t>(length)), &lowered,
                                                         &why))
        return refuse_lowering(why, message, message_size);
    return write_lowered(lowered, out, size, out_length);
}
int lower_delete(void*, cmp_session*, const char*, int, char* out, int size, int* length, char*, int) {
    return write_lowered("call _QOR_DELETE();", out, size, length);
}
int lower_stop(void*, cmp_session*, const char*, int, char* out, int size, int* length, char*, int) {
    return write_lowered("call _QOR_STOP();", out, size, length);
}

void on_error(void* user, const char* message, int line, const char*) {
    static_cast<StepRunner*>(user)->compiler_error(message, line);
}
void on_print(void* user, const char* line, int length) { static_cast<StepRunner*>(user)->print_line(line, length); }

// Statements read before compiling and not given to the compiler.
bool is_declarative(const std::string& k) {
    static const char* const kWords[] = {"DATA",  "BY",     "KEEP",     "DROP",  "RENAME", "RETAIN", "LABEL",
                                         "FORMAT", "INFORMAT", "WHERE", "RUN",    "LENGTH", "ATTRIB"};
    for (const char* w : kWords)
        if (k == w) return true;
    return false;
}

// A sum statement "name + expression": the name, and the expression; false for anything else.
bool sum_statement(const std::string& text, std::string* name, std::string* expression) {
    size_t i = text.find_first_not_of(" \t\r\n");
    size_t j = i;
    while (j < text.size() && (std::isalnum(static_cast<unsigned char>(text[j])) || text[j] == '_')) ++j;
    size_t plus = text.find_first_not_of(" \t\r\n", j);
    if (i == std::string::npos || j == i || plus == std::string::npos || text[plus] != '+') return false;
    *name = upper(text.substr(i, j - i));
    if (!valid_variable_name(*name)) return false;
    *expression = text.substr(plus + 1);
    return expression->find_first_not_of(" \t\r\n") != std::string::npos;
}

// The first word of a text.
std::string first_word_of(const std::string& text) {
    size_t i = text.find_first_not_of(" \t\r\n");
    if (i == std::string::npos) return "";
    size_t j = i;
    while (j < text.size() && (std::isalnum(static_cast<unsigned char>(text[j])) || text[j] == '_')) ++j;
    return text.substr(i, j - i);
}

// Where a SET or MERGE clause starts after THEN or ELSE in a statement (npos: none). The clause
// runs to the end of the statement.
size_t nested_read(const std::string& text) {
    char quote = 0;
    std::string previous;
    for (size_t i = 0; i < text.size();) {
        char c = text[i];
        if (quote) {
            if (c == quote) quote = 0;
            ++i;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
            previous.clear();
            ++i;
            continue;
        }
        if (!std::isalpha(static_cast<unsigned char>(c)) && c != '_') {
            if (!std::isspace(static_cast<unsigned char>(c))) previous.clear();
            ++i;
            continue;
        }
        size_t j = i;
        while (j < text.size() && (std::isalnum(static_cast<unsigned char>(text[j])) || text[j] == '_')) ++j;
        std::string word = upper(text.substr(i, j - i));
        if ((word == "SET" || word == "MERGE") && (previous == "THEN" || previous == "ELSE")) {
            size_t next = text.find_first_not_of(" \t\r\n", j);
            if (next == std::string::npos || (text[next] != '=' && text[next] != '[' && text[next] != '(')) return i;
        }
        previous = word;
        i = j;
    }
    return std::string::npos;
}

}  // namespace

StepRunner::StepRunner(std::vector<StepStatement> statements, int first_line)
    : statements_(std::move(statements)), first_line_(first_line) {}

StepRunner::~StepRunner() {
    close_inputs();
    close_outputs(false);
    if (session_) cmpends(session_);
}

void StepRunner::report(const std::string& message, int line) {
    xpslog("%1z%s (line %i).", message.c_str(), line);
    failed_ = true;
}

// The compiler numbers the pushed statements from 1: report against the program's line.
void StepRunner::compiler_error(const char* message, int statement) {
    int line = statement >= 1 && static_cast<size_t>(statement) <= push_lines_.size()
                   ? push_lines_[static_cast<size_t>(statement - 1)]
                   : current_line_;
    // the compiler's texts carry their own severity word: the step's line gives it once
    std::string text = message;
    for (size_t at; (at = text.find("ERROR: ")) != std::string::npos;) text.erase(at, 7);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '.')) text.pop_back();
    report(text, line);
}

// Names keep the case of their first appearance in the step.
void StepRunner::note_spellings(const std::string& text) {
    char quote = 0;
    for (size_t i = 0; i < text.size();) {
        char c = text[i];
        if (quote) {
            if (c == quote) quote = 0;
            ++i;
        } else if (c == '\'' || c == '"') {
            quote = c;
            ++i;
        } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            size_t j = i;
            while (j < text.size() && (std::isalnum(static_cast<unsigned char>(text[j])) || text[j] == '_')) ++j;
            std::string word = text.substr(i, j - i);
            spelling_.emplace(upper(word), word);
            i = j;
        } else {
            ++i;
        }
    }
}

void StepRunner::print_line(const char* line, int length) { xpslog("%.*s", length, line); }

// The SET and MERGE statements are lowered in the order they stand, as the declarations read them.
int StepRunner::claim_read(std::string* why) {
    if (read_lowerings_ >= static_cast<int>(reads_.size())) {
        *why = "SET and MERGE stand as statements of their own or after THEN or ELSE";
        return 0;
    }
    return ++read_lowerings_;
}

// One declarative statement, or the SET/MERGE statement's data sets; false after an error.
bool StepRunner::declare_statement(const StepStatement& st) {
    const std::string& k = st.keyword;
    std::string why;
    std::string rest = after_keyword(st.text);
    auto fail = [&](const std::string& message) {
        current_line_ = st.line;
        xpslog("%1z%s (line %i).", message.c_str(), st.line);
        return false;
    };
    if (k == "SET" || k == "MERGE") {
        ReadStatement r;
        r.merge = k == "MERGE";
        r.line = st.line;
        if (!parse_dataset_list(rest, true, &r.list, &why)) return fail(k + ": " + why);
        if (r.list.sets.empty()) return fail(k + " names no data set");
        reads_.push_back(std::move(r));
        return true;
    }
    if (k == "BY") {
        if (reads_.empty()) return fail("BY must follow a SET or MERGE statement");
        if (!by_.empty()) return fail("Only one BY statement is allowed in a DATA step");
        reads_.back().by = true;
        bool descending = false;
        for (const std::string& w : statement_words(st.text)) {
            if (w == "DESCENDING") {
                descending = true;
                continue;
            }
            if (w == "NOTSORTED") {
                by_notsorted_ = true;
                continue;
            }
            if (!valid_variable_name(w)) return fail("BY: '" + w + "' is not a variable name");
            by_.push_back(w);
            by_descending_.push_back(descending);
            descending = false;
        }
        if (by_.empty()) return fail("BY names no variable");
        return true;
    }
    if (k == "KEEP" || k == "DROP") {
        std::vector<std::string> words = statement_words(st.text);
        if (!expand_numbered_lists(&words, &why)) return fail(k + ": " + why);
        for (const std::string& w : words) {
            if (!valid_variable_name(w)) return fail(k + ": '" + w + "' is not a variable name");
            (k == "KEEP" ? keep_ : drop_).push_back(w);
        }
        if (k == "KEEP") has_keep_ = true;
        return true;
    }
    if (k == "WHERE") {
        rest.erase(0, rest.find_first_not_of(" \t\r\n"));
        if (!where_.empty()) where_ = "(" + where_ + ") and (" + rest + ")";
        else where_ = rest;
        where_line_ = st.line;
        return true;
    }
    std::vector<StatementToken> t;
    if (!split_statement_tokens(rest, true, &t, &why)) return fail(k + ": " + why);
    if (k == "RENAME" || k == "LABEL") {
        for (size_t i = 0; i < t.size(); i += 3) {
            if (i + 2 >= t.size() || t[i + 1].text != "=" || !valid_variable_name(t[i].text))
                return fail(k + " takes pairs name=" + (k == "RENAME" ? "new_name" : "'label'"));
            if (k == "RENAME") {
                if (!valid_variable_name(t[i + 2].text)) return fail("RENAME: '" + t[i + 2].text + "' is not a name");
                rename_.emplace_back(upper(t[i].text), t[i + 2].text);
            } else {
                labels_[upper(t[i].text)] = t[i + 2].text;
            }
        }
        return true;
    }
    if (k == "ATTRIB") return declare_attributes(t, st.line);
    std::vector<std::string> pending;
    bool dollar = false;
    for (const StatementToken& tok : t) {
        std::string w = tok.text;
        if (k == "RETAIN") {
            bool value = tok.quoted || tok.literal != StatementLiteral::None || w == "." || w == "-";
            if (!value && w.size() == 2 && w[0] == '.') value = true;
            if (!value) {
                if (!valid_variable_name(w)) return fail("RETAIN: '" + w + "' is not a name or a constant");
                retained_.push_back({upper(w), false, false, 0.0, ""});
                pending.push_back(upper(w));
                continue;
            }
            for (Retained& r : retained_)
                if (std::find(pending.begin(), pending.end(), r.name) != pending.end()) {
                    r.has_initial = true;
                    r.character = tok.quoted;
                    r.text = tok.text;
                    r.number = tok.literal != StatementLiteral::None ? tok.number
                               : w.size() == 2 && w[0] == '.' ? make_missing(std::toupper(static_cast<unsigned char>(w[1])))
                                                             : missing();
                }
            pending.clear();
            continue;
        }
        if (k == "LENGTH") {
            if (w == "$") {
                dollar = true;
                continue;
            }
            bool is_length = !w.empty() && (std::isdigit(static_cast<unsigned char>(w[0])) || w[0] == '$');
            if (!is_length) {
                if (!valid_variable_name(w)) return fail("LENGTH: '" + w + "' is not a name");
                pending.push_back(upper(w));
                continue;
            }
            bool character = dollar || w[0] == '$';
            int n = std::atoi(w.c_str() + (w[0] == '$' ? 1 : 0));
            if (character ? (n < 1 || n > QOR_CHARACTER_MAX_LENGTH) : (n < QOR_NUMERIC_MIN_LENGTH || n > 8))
                return fail("LENGTH: " + w + " is not a valid length");
            for (const std::string& name : pending)
                if (!lengths_.count(name)) {
                    lengths_[name] = {character, n};
                    length_order_.push_back(name);
                }
            pending.clear();
            dollar = false;
            continue;
        }
        // FORMAT and INFORMAT: names, then the format they take
        if (w.find('.') == std::string::npos) {
            if (!valid_variable_name(w)) return fail(k + ": '" + w + "' is not a name");
            pending.push_back(upper(w));
            continue;
        }
        if (k == "FORMAT") {
            FormatSpec spec;
            if (!parse_format(w, &spec, &why)) return fail("FORMAT: " + w + " " + why);
            for (const std::string& name : pending) formats_[name] = spec;
        } else {
            for (const std::string& name : pending) informats_[name] = upper(w);
        }
        pending.clear();
    }
    if (k == "LENGTH" && !pending.empty()) return fail("LENGTH: a length is missing after " + pending.back());
    return true;
}

// ATTRIB a b LENGTH=$10 LABEL='text' FORMAT=date9. INFORMAT=... c LENGTH=8 ...;
bool StepRunner::declare_attributes(const std::vector<StatementToken>& t, int line) {
    auto fail = [&](const std::string& message) {
        xpslog("%1zATTRIB: %s (line %i).", message.c_str(), line);
        return false;
    };
    std::vector<std::string> names;
    bool had_attribute = false;
    for (size_t i = 0; i < t.size(); ++i) {
        if (i + 1 < t.size() && t[i + 1].text == "=" && !t[i + 1].quoted) {
            if (names.empty() || i + 2 >= t.size()) return fail("an attribute needs variables before it and a value");
            std::string key = upper(t[i].text);
            const std::string& value = t[i + 2].text;
            for (const std::string& n : names) {
                if (key == "LENGTH") {
                    bool character = !value.empty() && value[0] == '$';
                    int length = std::atoi(value.c_str() + (character ? 1 : 0));
                    if (character ? (length < 1 || length > QOR_CHARACTER_MAX_LENGTH)
                                  : (length < QOR_NUMERIC_MIN_LENGTH || length > 8))
                        return fail(value + " is not a valid length");
                    if (!lengths_.count(n)) {
                        lengths_[n] = {character, length};
                        length_order_.push_back(n);
                    }
                } else if (key == "LABEL") {
                    labels_[n] = value;
                } else if (key == "FORMAT") {
                    FormatSpec spec;
                    std::string why;
                    if (!parse_format(value, &spec, &why)) return fail(value + " " + why);
                    formats_[n] = spec;
                } else if (key == "INFORMAT") {
                    informats_[n] = upper(value);
                } else {
                    return fail(key + "= is not an attribute (LENGTH=, LABEL=, FORMAT=, INFORMAT=)");
                }
            }
            had_attribute = true;
            i += 2;
            continue;
        }
        if (had_attribute) {
            names.clear();
            had_attribute = false;
        }
        if (!valid_variable_name(t[i].text)) return fail("'" + t[i].text + "' is not a variable name");
        names.push_back(upper(t[i].text));
    }
    if (!had_attribute) return fail("no attribute follows the variables");
    return true;
}

bool StepRunner::read_declarations() {
    std::string why;
    const StepStatement& data = statements_.front();
    if (!parse_dataset_list(after_keyword(data.text), false, &outputs_list_, &why)) {
        xpslog("%1zDATA: %s (line %i).", why.c_str(), data.line);
        return false;
    }
    if (outputs_list_.sets.empty() && !outputs_list_.null_output) {
        xpslog("%1zThe DATA statement names no data set (write DATA name; or DATA _NULL_;) (line %i).", data.line);
        return false;
    }
    for (size_t i = 1; i < statements_.size(); ++i) {
        const StepStatement& st = statements_[i];
        if ((is_declarative(st.keyword) || st.keyword == "SET" || st.keyword == "MERGE") && st.keyword != "DATA" &&
            !declare_statement(st))
            return false;
        size_t at = nested_read(st.text);
        if (at != std::string::npos) {
            StepStatement clause{st.text.substr(at), upper(first_word_of(st.text.substr(at))), st.line};
            if (!declare_statement(clause)) return false;
        }
    }
    return true;
}

bool StepRunner::push(const std::string& text, int line) {
    push_lines_.push_back(line);
    current_line_ = line;
    char log[1024], error[1024];
    log[0] = 0;
    int rc = cmpprss(session_, text.data(), static_cast<int>(text.size()), log, sizeof log, error, sizeof error);
    // what the compiler notes about an accepted statement (conversions between numbers and text)
    if (rc != CMP_ERROR && log[0]) {
        std::string notes(log, strnlen(log, sizeof log));
        while (!notes.empty() && (notes.back() == '\n' || notes.back() == '.')) notes.pop_back();
        xpslog("%s (line %i).", notes.c_str(), line);
    }
    return rc != CMP_ERROR;
}

bool StepRunner::compile() {
    cmp_hooks hooks{};
    hooks.user = this;
    hooks.error = on_error;
    hooks.print = on_print;
    if (cmpints(&session_, &hooks) != 0) return false;
    if (g_budget > 0) cmpopt2(session_, CMP_OPTION_BUDGET, g_budget);
    const struct {
        const char* name;
        cmp_body_fn body;
    } routines[] = {{"_QOR_READ", read_body}, {"_QOR_OUTPUT", output_body}, {"_QOR_DELETE", delete_body},
                    {"_QOR_STOP", stop_body}};
    for (const auto& r : routines) {
        cmp_special_def def{};
        def.name = r.name;
        def.nargs = 0;
        def.result_type = 0;
        def.context = this;
        def.body = r.body;
        if (cmpinst(session_, &def) != 0) return false;
    }
    if (install_package_routines(session_) != 0) return false;
    if (cmpstkw(session_, "SET", -1, lower_read, this) != 0 || cmpstkw(session_, "MERGE", -1, lower_read, this) != 0 ||
        cmpstkw(session_, "OUTPUT", -1, lower_output, this) != 0 ||
        cmpstkw(session_, "DELETE", -1, lower_delete, this) != 0 ||
        cmpstkw(session_, "STOP", -1, lower_stop, this) != 0)
        return false;

    // The step's record as one structure whose members are used by their bare names; FIRST. and
    // LAST. as two structures of their own.
    std::vector<cmp_member> members;
    int size = static_cast<int>(record_.size() * 8);
    for (const PdvVariable& v : vars_)
        if (!v.character) members.push_back({v.upper.c_str(), CMP_MEMBER_NUMBER, v.offset});
    if (cmpinss(session_, kRecordStructure, -1, members.data(), static_cast<int>(members.size()), size) != 0)
        return false;
    for (const PdvVariable& v : vars_)
        if (v.character && cmpinsc(session_, kRecordStructure, -1, v.upper.c_str(), -1, v.offset, v.length) != 0)
            return false;
    if (cmpstri(session_, kRecordStructure, -1, kRecordInstance, -1, 1) != 0) return false;
    if (!by_.empty()) {
        for (const char* which : {"FIRST", "LAST"}) {
            std::vector<cmp_member> flags;
            const std::vector<int>& cells = std::string(which) == "FIRST" ? first_vars_ : last_vars_;
            for (size_t j = 0; j < by_.size(); ++j)
                flags.push_back({by_[j].c_str(), CMP_MEMBER_NUMBER, vars_[static_cast<size_t>(cells[j])].offset});
            std::string structure = std::string("_QOR_") + which;
            if (cmpinss(session_, structure.c_str(), -1, flags.data(), static_cast<int>(flags.size()), size) != 0 ||
                cmpstri(session_, structure.c_str(), -1, which, -1, 0) != 0)
                return false;
        }
    }
    // LENGTH of the program's own character variables, before their first use
    for (const std::string& name : length_order_) {
        const std::pair<bool, int>& spec = lengths_[name];
        bool in_record = false;
        for (const PdvVariable& v : vars_) in_record = in_record || v.upper == name;
        if (!in_record && spec.first && !push("length " + name + " $ " + std::to_string(spec.second) + ";", first_line_))
            return false;
    }
    for (size_t i = 1; i < statements_.size(); ++i) {
        const StepStatement& st = statements_[i];
        if (is_declarative(st.keyword)) continue;
        std::string text = st.text, name, expression;
        size_t nested = nested_read(st.text);
        if (nested != std::string::npos) {
            text = st.text.substr(0, nested) + first_word_of(st.text.substr(nested));
        } else if (st.keyword == "ARRAY") {
            text = expand_array_statement(st.text);
        } else if (st.keyword == "SET" || st.keyword == "MERGE") {
            text = st.keyword;   // its data sets are read already; the keyword marks where it reads
        } else if (st.keyword == "IF" && is_subsetting_if(st.text)) {
            text = "if not (" + after_keyword(st.text) + ") then delete";
        } else if (sum_statement(st.text, &name, &expression)) {
            text = name + " = sum(" + name + ", " + expression + ")";
            bool known = false;
            for (const Retained& r : retained_) known = known || r.name == name;
            if (!known) retained_.push_back({name, true, false, 0.0, ""});
        }
        if (!push(text + ";", st.line)) return false;
        note_spellings(text);
    }
    int end = cmpprss(session_, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0);
    if (end != CMP_COMPLETE) {
        if (!failed_) report("The step's DO, SELECT or other group is not closed by END", statements_.back().line);
        return false;
    }
    for (const Retained& r : retained_) {
        bool in_record = false;
        for (const PdvVariable& v : vars_) in_record = in_record || v.upper == r.name;
        if (in_record) continue;
        cmp_symbol* s = cmpsyms(session_, r.name.c_str(), -1);
        if (!s) s = cmpsymd(session_, r.name.c_str(), -1, 'v', r.character ? 'c' : 'n');
        if (!s || cmpsymr(session_, s, CMP_RESET_NONE) != 0) {
            report("RETAIN cannot keep " + r.name, first_line_);
            return false;
        }
    }
    if (cmpgen(session_, 1) != 0 || !(instance_ = cmpinsb(session_, 0))) {
        if (!failed_) report("The step cannot be compiled", first_line_);
        return false;
    }
    if (cmpbase(instance_, kRecordInstance, -1, record_.data()) != 0) return false;
    if (!by_.empty() &&
        (cmpbase(instance_, "FIRST", -1, record_.data()) != 0 || cmpbase(instance_, "LAST", -1, record_.data()) != 0))
        return false;
    return true;
}

void StepRunner::set_retained_initial_values() {
    cmpexi(session_, 0);
    for (const Retained& r : retained_) {
        if (!r.has_initial) continue;
        for (size_t i = 0; i < vars_.size(); ++i) {
            if (vars_[i].upper != r.name) continue;
            if (vars_[i].character) {
                char* to = text_cell(static_cast<int>(i));
                std::memset(to, ' ', static_cast<size_t>(vars_[i].length));
                std::memcpy(to, r.text.data(), std::min(r.text.size(), static_cast<size_t>(vars_[i].length)));
            } else {
                *cell(static_cast<int>(i)) = r.number;
            }
        }
        cmp_symbol* s = cmpsyms(session_, r.name.c_str(), -1);
        if (!s) continue;
        if (qor_namerec* text = cmppdvp(instance_, s)) {
            size_t n = std::min(r.text.size(), static_cast<size_t>(text->capacity));
            std::memcpy(text->text, r.text.data(), n);
            text->length = static_cast<uint16_t>(n);
        } else if (double* number = cmppdva(instance_, s)) {
            *number = r.character ? missing() : r.number;
        }
    }
}

// The iterations: each starts with the program's variables reset (retained ones kept) and _N_
// counted; SET or MERGE at the end of its data, or STOP, ends the step.
int StepRunner::iterate() {
    for (const ReadStatement& r : reads_) {
        if (r.nobs_var >= 0) {
            double total = 0;
            for (const Input& in : r.inputs) total += static_cast<double>(in.observations);
            *cell(r.nobs_var) = total;
        }
        if (r.end_var >= 0) *cell(r.end_var) = 0;
    }
    set_retained_initial_values();
    for (long n = 1;; ++n) {
        *cell(n_var_) = static_cast<double>(n);
        *cell(error_var_) = 0;
        if (n > 1 && cmpexi(session_, 0) != 0) return 1;
        read_in_iteration_ = false;
        int rc = cmpfrun(instance_, 0);
        if (failed_) return 1;
        if (rc == CMP_RUN_STOPPED) return 0;
        if (rc != CMP_RUN_OK && rc != CMP_RUN_ITERATION_ENDED) return 1;
        if (rc == CMP_RUN_OK && !explicit_output_)
            for (Output& out : outputs_)
                if (!write_output(out)) return 1;
        if (reads_.empty()) return 0;   // a step without input runs once
        if (!read_in_iteration_) {
            xpslog("%3zThe DATA step stopped after an iteration that read no observation (iteration %li).", n);
            return 0;
        }
    }
}

int StepRunner::run() {
    if (!read_declarations()) return 1;
    if (!open_inputs()) return 1;
    n_var_ = add_variable("_N_", false, 8, nullptr, true, "");
    error_var_ = add_variable("_ERROR_", false, 8, nullptr, true, "");
    for (const std::string& b : by_) {
        first_vars_.push_back(add_variable("_QOR_FIRST_" + b, false, 8, nullptr, true, ""));
        last_vars_.push_back(add_variable("_QOR_LAST_" + b, false, 8, nullptr, true, ""));
    }
    if (n_var_ < 0 || error_var_ < 0) return 1;
    lay_out_record();
    for (ReadStatement& r : reads_)
        for (Input& in : r.inputs) {
            if (!in.spec.options.where.empty() &&
                !compile_input_where(in, in.spec.options.where, &in.where_option, "WHERE="))
                return 1;
            if (!where_.empty() && !compile_input_where(in, where_, &in.where_statement, "WHERE"))
                return 1;
        }
    if (!compile()) return 1;
    if (!open_outputs()) return 1;
    for (ReadStatement& r : reads_)
        for (Input& in : r.inputs)
            if (fetch(in) < 0) return 1;
    int rc = iterate();
    for (const ReadStatement& r : reads_)
        for (const Input& in : r.inputs)
            xpslog("%3z%li observations were read from %s.", in.read, in.spec.text().c_str());
    close_inputs();
    if (rc != 0 || failed_) return 1;
    return close_outputs(true) ? 0 : 1;
}

}  // namespace datastep

void set_data_step_budget(int instructions) { datastep::g_budget = instructions > 0 ? instructions : 0; }

int run_data_step(const std::string& text, int first_line) try {
    std::vector<datastep::StepStatement> statements;
    std::string why;
    if (!datastep::split_step(text, first_line, &statements, &why)) {
        xpslog("%1zThe DATA step on line %i cannot be read: %s", first_line, why.c_str());
        return 1;
    }
    datastep::StepRunner runner(std::move(statements), first_line);
    int rc = runner.run();
    if (rc != 0) xpslog("%1zThe DATA step that starts on line %i failed; no data set was replaced.", first_line);
    return rc;
}
QOR_SERVICE_CATCH(1)

}  // namespace qor::runtime
