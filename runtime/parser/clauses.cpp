// The clauses of one statement: each word or value is matched against the statement's schema
// (flags, keyword values, choices, word lists, option lists, groups, factors, positional values).
#include <algorithm>
#include <cstring>
#include <cctype>
#include <set>
#include <string>

#include "host/print.h"
#include "runtime/parser/parser_internal.h"

namespace qor::parser {

namespace {

// Every word the statement accepts, sorted, for the "expected" part of a message.
void add_words(std::set<std::string>& out, const char* words) {
    if (!words) return;
    const char* p = words;
    while (*p) {
        while (*p == ' ' || *p == '|') ++p;
        const char* e = p;
        while (*e && *e != ' ' && *e != '|') ++e;
        if (e > p) out.insert(std::string(p, e - p));
        p = e;
    }
}

}  // namespace

std::string expected_words(const qor_statement_schema& schema) {
    std::set<std::string> words;
    for (int i = 0; i < schema.clause_count; ++i) {
        const qor_clause& c = schema.clauses[i];
        if (c.kind == QOR_CLAUSE_STATEMENTS) continue;   // its end word closes the body, not a clause
        add_words(words, c.keywords);
        add_words(words, c.choice_keyword);
        if (c.options)
            for (const qor_option_def* o = c.options; o->keywords; ++o) add_words(words, o->keywords);
        if (c.group) {
            add_words(words, c.group->selectors);
            for (const qor_option_def* o = c.group->options; o && o->keywords; ++o)
                add_words(words, o->keywords);
        }
    }
    std::string out;
    for (const std::string& w : words) out += w + ", ";
    return out + "';'";
}

// True when the token is any keyword of the statement (ends unparenthesised lists).
bool statement_keyword(const ParseState& s, const Token& t) {
    if (t.type != kName) return false;
    const char* w = s.tokenizer->text() + t.start;
    for (int i = 0; i < s.schema->clause_count; ++i) {
        const qor_clause& c = s.schema->clauses[i];
        if (c.kind == QOR_CLAUSE_FACTORS || c.kind == QOR_CLAUSE_STATEMENTS) continue;   // not keywords here
        if (word_in(c.keywords, w, t.length) || word_in(c.choice_keyword, w, t.length)) return true;
        if (c.options)
            for (const qor_option_def* o = c.options; o->keywords; ++o)
                if (word_in(o->keywords, w, t.length)) return true;
        if (c.group && word_in(c.group->selectors, w, t.length)) return true;
        if (c.group)
            for (const qor_option_def* o = c.group->options; o && o->keywords; ++o)
                if (word_in(o->keywords, w, t.length)) return true;
    }
    return false;
}

bool expect_equals(ParseState& s) {
    if (is_punct(s.token, '=')) {
        advance(s);
        return true;
    }
    syntax_error(s, s.token, "expected '=', found", nullptr);
    return false;
}

namespace {

bool parse_choice(ParseState& s, const qor_clause& c, bool keyword_written) {
    if (keyword_written) {
        advance(s);
        if (!expect_equals(s)) return false;
    }
    int code = s.token.type == kName
                   ? alternative_of(c.keywords, s.tokenizer->text() + s.token.start, s.token.length)
                   : -1;
    if (code < 0) {
        std::set<std::string> words;
        add_words(words, c.keywords);
        std::string list;
        for (const std::string& w : words) list += (list.empty() ? "" : ", ") + w;
        syntax_error(s, s.token, "expected a choice, found", list.c_str());
        return false;
    }
    advance(s);
    if (c.bit) set_bit(s, c.bit);
    return set_number(s, c.field, code + 1);
}

bool parse_words(ParseState& s, const qor_clause& c) {
    char word[64];
    size_t n = token_text(s, s.token, word, sizeof word, true);
    advance(s);
    if (c.bit) set_bit(s, c.bit);
    return append_name(s, c.field, word, n);
}

// The first clause that takes the current name token as its keyword; -1 when none does.
int keyword_clause(const ParseState& s, bool* choice_keyword) {
    const Token& t = s.token;
    const char* w = s.tokenizer->text() + t.start;
    *choice_keyword = false;
    for (int i = 0; i < s.schema->clause_count; ++i) {
        const qor_clause& c = s.schema->clauses[i];
        switch (c.kind) {
            case QOR_CLAUSE_FLAG:
            case QOR_CLAUSE_VALUE:
            case QOR_CLAUSE_WORDS:
                if (word_in(c.keywords, w, t.length)) return i;
                break;
            case QOR_CLAUSE_NAMELIST:
                if (c.keywords && word_in(c.keywords, w, t.length)) return i;
                break;
            case QOR_CLAUSE_CHOICE:
                if (c.choice_keyword && word_in(c.choice_keyword, w, t.length)) {
                    *choice_keyword = true;
                    return i;
                }
                if (word_in(c.keywords, w, t.length)) return i;
                break;
            case QOR_CLAUSE_OPTIONLIST:
                for (const qor_option_def* o = c.options; o && o->keywords; ++o)
                    if (word_in(o->keywords, w, t.length)) return i;
                break;
            case QOR_CLAUSE_GROUP:
                if (c.group && alternative_of(c.group->selectors, w, t.length) >= 0) return i;
                break;
            default:
                break;
        }
    }
    return -1;
}

// "n" or "(n n ...)" appended to a number list.
bool parse_numbers(ParseState& s, int field) {
    bool parens = is_punct(s.token, '(');
    if (parens) advance(s);
    do {
        double v = 0;
        if (!read_number(s, &v) || !append_number(s, field, v)) return false;
    } while (parens && !is_punct(s.token, ')') && s.token.type != kSemicolon && s.token.type != kEnd);
    if (!parens) return true;
    if (!is_punct(s.token, ')')) {
        syntax_error(s, s.token, "expected a number or ')', found", nullptr);
        return false;
    }
    advance(s);
    return true;
}

bool run_keyword_clause(ParseState& s, const qor_clause& c, bool choice_keyword) {
    switch (c.kind) {
        case QOR_CLAUSE_FLAG:
            advance(s);
            set_bit(s, c.bit);
            return c.field > 0 ? set_number(s, c.field, 1) : true;
        case QOR_CLAUSE_VALUE:
            advance(s);
            if (!expect_equals(s)) return false;
            if (c.bit) set_bit(s, c.bit);
            if (c.value_type == QOR_VALUE_NUMBERS) return parse_numbers(s, c.field);
            return parse_value(s, c.value_type, c.field, false);
        case QOR_CLAUSE_NAMELIST:
            return parse_name_list(s, c, true);
        case QOR_CLAUSE_CHOICE:
            return parse_choice(s, c, choice_keyword);
        case QOR_CLAUSE_WORDS:
            return parse_words(s, c);
        case QOR_CLAUSE_OPTIONLIST:
            return parse_option(s, c);
        case QOR_CLAUSE_GROUP:
            return parse_group(s, c, alternative_of(c.group->selectors, s.tokenizer->text() + s.token.start, s.token.length));
        default:
            return false;
    }
}

// A token that no keyword took: a factor entry, a positional value or a bare name list.
bool run_unkeyed_clause(ParseState& s) {
    const Token& t = s.token;
    if (t.type == kName) {
        Tokenizer ahead = *s.tokenizer;
        Token next = ahead.next();
        if (is_punct(next, '=') || is_punct(next, '('))
            for (int i = 0; i < s.schema->clause_count; ++i)
                if (s.schema->clauses[i].kind == QOR_CLAUSE_FACTORS)
                    return parse_factor(s, s.schema->clauses[i]);
    }
    for (int i = 0; i < s.schema->clause_count; ++i) {
        const qor_clause& c = s.schema->clauses[i];
        if (c.kind != QOR_CLAUSE_POSITIONAL || !value_fits(t, c.value_type)) continue;
        const operand_field* f = field_of(s, c.field);
        if (f && f->given) continue;
        if (c.bit) set_bit(s, c.bit);
        return parse_value(s, c.value_type, c.field, false);
    }
    for (int i = 0; i < s.schema->clause_count; ++i) {
        const qor_clause& c = s.schema->clauses[i];
        if (c.kind == QOR_CLAUSE_NAMELIST && !c.keywords && value_fits(t, c.value_type))
            return parse_name_list(s, c, false);
    }
    std::string expected = expected_words(*s.schema);
    bool next_statement = is_word(s, t, "RUN QUIT");
    for (int i = 0; i < s.request->grammar->statement_count && !next_statement; ++i)
        next_statement = is_word(s, t, s.request->grammar->statements[i].names);
    if (next_statement)
        // A statement keyword here most likely means that the ';' before it was forgotten.
        syntax_error(s, t, "missing ';' before", expected.c_str());
    else if (t.type == kBad)
        syntax_error(s, t, "cannot read", t.error);
    else if (t.type == kName)
        syntax_error(s, t, "unknown keyword", expected.c_str());
    else if (t.type == kEnd)
        syntax_error(s, t, "missing ';' before", nullptr);
    else
        syntax_error(s, t, "unexpected", expected.c_str());
    return false;
}

}  // namespace

bool parse_statement_body(ParseState& s, const qor_clause& c) {
    for (;;) {
        size_t start = 0, end = 0;
        int line = 0;
        if (!s.tokenizer->raw_statement(&start, &end, &line)) {
            int name_length = static_cast<int>(sizeof s.node->name);
            while (name_length > 0 && s.node->name[name_length - 1] == ' ') --name_length;
            xpslog("%1zThe %*s statement at line %i, column %i is not closed by %s; before the end of the step.",
                   name_length, s.node->name, s.node->line, s.node->column, c.keywords ? c.keywords : "");
            s.failed = true;
            return false;
        }
        const char* text = s.tokenizer->text();
        while (end > start && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
        size_t word_end = start;
        while (word_end < end && !std::isspace(static_cast<unsigned char>(text[word_end]))) ++word_end;
        if (word_end == end && word_in(c.keywords, text + start, end - start)) break;
        if (end == start) continue;   // a null statement
        semantic_trace(s, "body statement on line %i", line);
        if (c.bit) set_bit(s, c.bit);
        if (!append_name(s, c.field, text + start, end - start)) return false;
    }
    return true;
}

void parse_clauses(ParseState& s) {
    while (s.token.type != kSemicolon && !s.failed && !s.stop_code) {
        bool ok;
        bool choice_keyword = false;
        int i = s.token.type == kName ? keyword_clause(s, &choice_keyword) : -1;
        if (i >= 0)
            ok = run_keyword_clause(s, s.schema->clauses[i], choice_keyword);
        else
            ok = run_unkeyed_clause(s);
        if (!ok) return;
    }
}

}  // namespace qor::parser
