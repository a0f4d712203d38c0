// Clauses that build lists: name lists (with numbered ranges through the procedure's hook),
// run-option lists, repeating groups whose attributes and options apply to each member, and
// factor entries with amounts, grid options and a code word.
#include <cstring>
#include <string>
#include <vector>

#include "host/missing.h"
#include "runtime/parser/parser_internal.h"

namespace qor::parser {

namespace {

// Calls the procedure's hook; a non-zero answer stops the parse.
bool call_hook(ParseState& s, int sub_action, int slot, const char* text, size_t length) {
    qor_parse_request* r = s.request;
    qor_hook_call call{s.node, text, static_cast<int>(length), sub_action, slot, r->pool};
    semantic_trace(s, "hook %i field %i \"%.*s\"", sub_action, slot, static_cast<int>(length), text);
    int code = r->hook(r->hook_data, &call);
    if (code != 0) {
        s.stop_code = code;
        s.failed = true;
        return false;
    }
    return true;
}

bool list_item_fits(const ParseState& s, const qor_clause& c, const Token& t, bool in_parens) {
    // Lists of any values (default values, element names) take numbers as written, too.
    bool number = c.value_type == QOR_VALUE_ANY && (t.type == kInteger || t.type == kNumber);
    if (!number && !value_fits(t, c.value_type)) return false;
    // Outside parentheses a list ends at the next keyword of the statement.
    return in_parens || !statement_keyword(s, t);
}

// Number of names held in a name-list field.
int name_count(const operand_field* f) {
    if (!f || f->kind != QOR_OPERAND_NAMES || !f->value) return 0;
    int n = 0;
    const char* p = static_cast<const char*>(f->value);
    for (int32_t i = 0; i < f->used; ++i) n += p[i] == '\0';
    return n;
}

// The names of a list into `field`: "(a b1-b3 c)" or, without parentheses, up to the next
// keyword. Returns false after an error.
bool read_names(ParseState& s, const qor_clause& c, int field, bool may_be_empty, bool one = false) {
    bool parens = is_punct(s.token, '(');
    if (parens) advance(s);
    bool use_hook = c.ranges && s.request->hook;
    if (use_hook && !call_hook(s, 0, field, "", 0)) return false;
    int items = 0;
    // Without parentheses a group's members are one name or one range: the names after it are
    // the group's attributes.
    while (list_item_fits(s, c, s.token, parens) && !(one && !parens && items > 0)) {
        std::string text(s.token.length + 1, '\0');
        size_t n = token_text(s, s.token, text.data(), text.size());
        advance(s);
        if (use_hook ? !call_hook(s, 1, field, text.data(), n) : !append_name(s, field, text.data(), n))
            return false;
        ++items;
        if (c.ranges && is_punct(s.token, '-')) {
            advance(s);
            if (s.token.type != kName) {
                syntax_error(s, s.token, "expected the name that ends the range, found", nullptr);
                return false;
            }
            std::string end(s.token.length + 1, '\0');
            size_t m = token_text(s, s.token, end.data(), end.size());
            if (use_hook && (!call_hook(s, 3, field, "-", 1) || !call_hook(s, 2, field, end.data(), m)))
                return false;
            if (!use_hook && !append_name(s, field, end.data(), m)) return false;
            advance(s);
        }
    }
    if (s.token.type == kBad) {
        syntax_error(s, s.token, "cannot read", s.token.error);
        return false;
    }
    if (parens) {
        if (!is_punct(s.token, ')')) {
            syntax_error(s, s.token, "expected a name or ')', found", nullptr);
            return false;
        }
        advance(s);
    }
    if (items == 0 && !parens && !may_be_empty) {
        syntax_error(s, s.token, "expected a name, found", nullptr);
        return false;
    }
    operand_field* f = field_of(s, field);
    if (f) f->given = 1;
    return true;
}

}  // namespace

bool parse_name_list(ParseState& s, const qor_clause& c, bool keyword_written) {
    if (keyword_written) {
        advance(s);
        if (!expect_equals(s)) return false;
    }
    if (c.bit) set_bit(s, c.bit);
    return read_names(s, c, c.field, false);
}

bool parse_option(ParseState& s, const qor_clause& c) {
    const Token& t = s.token;
    const qor_option_def* option = nullptr;
    for (const qor_option_def* o = c.options; o && o->keywords; ++o)
        if (word_in(o->keywords, s.tokenizer->text() + t.start, t.length)) option = o;
    char name[64];
    size_t n = token_text(s, t, name, sizeof name, true);
    advance(s);
    if (c.bit) set_bit(s, c.bit);
    int base = c.field;
    if (!append_name(s, base + QOR_OPTIONS_NAMES, name, n)) return false;
    if (!append_number(s, base + QOR_OPTIONS_TYPES, option->form)) return false;
    switch (option->form) {
        case QOR_FORM_FLAG:
            return true;
        case QOR_FORM_REAL:
        case QOR_FORM_INTEGER:
            if (!expect_equals(s)) return false;
            return parse_value(s, option->form == QOR_FORM_REAL ? QOR_VALUE_NUMBER : QOR_VALUE_INTEGER,
                               base + QOR_OPTIONS_NUMBERS, true);
        default:
            if (!expect_equals(s)) return false;
            return parse_value(s, QOR_VALUE_ANY, base + QOR_OPTIONS_TEXTS, true);
    }
}

namespace {

// One option of a group as read, applied to each member when the group ends.
struct GroupOption {
    double code = 0;
    double value = 0;
    double value2 = 0;
    std::string text;
    std::vector<std::string> elements;
    bool has_elements = false;
};

bool read_group_option(ParseState& s, const qor_group_def& g, const qor_option_def& o,
                       GroupOption& out) {
    advance(s);
    out.code = o.code;
    out.value = out.value2 = make_missing();
    if (o.form == QOR_FORM_FLAG) {
        out.value = o.flag_value;
        return true;
    }
    if (!expect_equals(s)) return false;
    switch (o.form) {
        case QOR_FORM_REAL:
        case QOR_FORM_INTEGER:
            return read_number(s, &out.value);
        case QOR_FORM_MEASURE: {
            if (!read_number(s, &out.value)) return false;
            int unit = s.token.type == kName
                           ? alternative_of(g.unit_words, s.tokenizer->text() + s.token.start, s.token.length)
                           : -1;
            if (unit >= 0) {
                out.value2 = unit;
                advance(s);
            }
            return true;
        }
        case QOR_FORM_ELEMENTS:
        case QOR_FORM_PAIRS: {
            if (!is_punct(s.token, '(')) {
                syntax_error(s, s.token, "expected '(' and a list of names, found", nullptr);
                return false;
            }
            advance(s);
            while (value_fits(s.token, QOR_VALUE_ANY)) {
                std::string t(s.token.length + 1, '\0');
                t.resize(token_text(s, s.token, t.data(), t.size()));
                out.elements.push_back(t);
                advance(s);
            }
            if (!is_punct(s.token, ')')) {
                syntax_error(s, s.token, "expected a name or ')', found", nullptr);
                return false;
            }
            if (o.form == QOR_FORM_PAIRS && out.elements.size() % 2 != 0) {
                syntax_error(s, s.token, "expected names in pairs before", nullptr);
                return false;
            }
            advance(s);
            out.has_elements = true;
            return true;
        }
        default: {
            if (!value_fits(s.token, QOR_VALUE_ANY)) {
                syntax_error(s, s.token, "expected a name or a quoted string, found", nullptr);
                return false;
            }
            out.text.resize(s.token.length + 1);
            out.text.resize(token_text(s, s.token, out.text.data(), out.text.size()));
            advance(s);
            return true;
        }
    }
}

// True when the token after the current one is '=' (the tokenizer is copied to look ahead).
bool followed_by_equals(const ParseState& s) {
    Tokenizer ahead = *s.tokenizer;
    return is_punct(ahead.next(), '=');
}

const qor_option_def* group_option_of(const ParseState& s, const qor_group_def& g) {
    if (s.token.type != kName) return nullptr;
    for (const qor_option_def* o = g.options; o && o->keywords; ++o)
        if (word_in(o->keywords, s.tokenizer->text() + s.token.start, s.token.length)) return o;
    return nullptr;
}

}  // namespace

bool parse_group(ParseState& s, const qor_clause& c, int alternative) {
    const qor_group_def& g = *c.group;
    int base = g.first_base + alternative * g.stride;
    advance(s);
    if (!expect_equals(s)) return false;
    if (c.bit) set_bit(s, c.bit);
    int before = name_count(field_of(s, base + QOR_GROUP_MEMBERS));
    if (!read_names(s, c, base + QOR_GROUP_MEMBERS, false, true)) return false;
    int members = name_count(field_of(s, base + QOR_GROUP_MEMBERS)) - before;
    // Attributes: the names after the members that are not followed by '='. A keyword of the
    // statement written there (a type ARRAY, a role FX or NAME) is an attribute too, so every
    // type and role can be written; flags and options follow the attributes.
    std::string attributes[2];
    for (int a = 0; a < g.attributes && a < 2; ++a) {
        if (s.token.type != kName || followed_by_equals(s)) break;
        attributes[a].resize(s.token.length + 1);
        attributes[a].resize(token_text(s, s.token, attributes[a].data(), attributes[a].size()));
        advance(s);
    }
    std::vector<GroupOption> options;
    while (const qor_option_def* o = group_option_of(s, g)) {
        options.emplace_back();
        if (!read_group_option(s, g, *o, options.back())) return false;
    }
    // Each member gets the attributes and every option of the group.
    const operand_field* ends = field_of(s, base + QOR_GROUP_OPTION_ENDS);
    double total = ends && ends->used ? static_cast<const double*>(ends->value)[ends->used - 1] : 0;
    const operand_field* count = field_of(s, base + QOR_GROUP_COUNT);
    double all = count && count->given ? *static_cast<const double*>(count->value) : 0;
    if (!set_number(s, base + QOR_GROUP_COUNT, all + members)) return false;
    for (int m = 0; m < members; ++m) {
        for (int a = 0; a < 2; ++a)
            if (!append_name(s, base + QOR_GROUP_ATTRIBUTE1 + a, attributes[a].data(), attributes[a].size()))
                return false;
        total += static_cast<double>(options.size());
        if (!append_number(s, base + QOR_GROUP_OPTION_ENDS, total)) return false;
        for (const GroupOption& o : options) {
            if (!append_number(s, base + QOR_GROUP_OPTION_CODES, o.code) ||
                !append_number(s, base + QOR_GROUP_VALUES, o.value) ||
                !append_number(s, base + QOR_GROUP_VALUES2, o.value2) ||
                !append_name(s, base + QOR_GROUP_TEXTS, o.text.data(), o.text.size()))
                return false;
            if (!o.has_elements) continue;
            for (const std::string& e : o.elements)
                if (!append_name(s, base + QOR_GROUP_ELEMENTS, e.data(), e.size())) return false;
            if (!append_name(s, base + QOR_GROUP_ELEMENTS, "", 0)) return false;
        }
    }
    return true;
}

bool parse_factor(ParseState& s, const qor_clause& c) {
    int base = c.field;
    std::string name(s.token.length + 1, '\0');
    name.resize(token_text(s, s.token, name.data(), name.size()));
    advance(s);
    if (c.bit) set_bit(s, c.bit);
    if (!append_name(s, base + QOR_FACTOR_NAMES, name.data(), name.size())) return false;
    int amounts = 0;
    if (is_punct(s.token, '=')) {
        advance(s);
        bool parens = is_punct(s.token, '(');
        if (parens) advance(s);
        do {
            double v = 0;
            if (!read_number(s, &v) || !append_number(s, base + QOR_FACTOR_AMOUNTS, v)) return false;
            ++amounts;
        } while (parens && !is_punct(s.token, ')') && s.token.type != kSemicolon && s.token.type != kEnd);
        if (parens) {
            if (!is_punct(s.token, ')')) {
                syntax_error(s, s.token, "expected a number or ')', found", nullptr);
                return false;
            }
            advance(s);
        }
    }
    int options = 0;
    if (is_punct(s.token, '(')) {
        advance(s);
        while (!is_punct(s.token, ')')) {
            const qor_option_def* option = nullptr;
            if (s.token.type == kName)
                for (const qor_option_def* o = c.options; o && o->keywords; ++o)
                    if (word_in(o->keywords, s.tokenizer->text() + s.token.start, s.token.length)) option = o;
            if (!option) {
                std::string expected;
                for (const qor_option_def* o = c.options; o && o->keywords; ++o)
                    expected += std::string(o->keywords) + ", ";
                expected += "')'";
                syntax_error(s, s.token, "unknown keyword", expected.c_str());
                return false;
            }
            advance(s);
            double v = 0;
            if (!expect_equals(s) || !read_number(s, &v)) return false;
            if (!append_number(s, base + QOR_FACTOR_OPTION_CODES, option->code) ||
                !append_number(s, base + QOR_FACTOR_OPTION_VALUES, v))
                return false;
            ++options;
        }
        advance(s);
    }
    int code = s.token.type == kName
                   ? alternative_of(c.keywords, s.tokenizer->text() + s.token.start, s.token.length)
                   : -1;
    if (code >= 0) advance(s);
    return append_number(s, base + QOR_FACTOR_CODES, code + 1) &&
           append_number(s, base + QOR_FACTOR_AMOUNT_COUNTS, amounts) &&
           append_number(s, base + QOR_FACTOR_OPTION_COUNTS, options);
}

}  // namespace qor::parser
