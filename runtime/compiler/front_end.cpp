// Front-end statements: cmpstkw claims a keyword for a session; a pushed text whose statements
// start with claimed keywords is rewritten, statement by statement, into the lowered text before
// the parser sees it. The keyword table and the lowering live here and nowhere else.
#include "runtime/compiler/front_end.h"

#include <cctype>
#include <cstring>

#include "runtime/compiler/lexer.h"
#include "runtime/compiler/parser.h"
#include "runtime/compiler/session.h"
#include "runtime/core/service_guard.h"

namespace qor::cmp {

namespace {

constexpr int kMostLevels = 16;   // lowered text that uses claimed keywords, lowered again

const ClaimedStatement* claimed(const cmp_session* s, const std::string& name) {
    for (const ClaimedStatement& c : s->claimed)
        if (same_word(name, c.keyword)) return &c;
    return nullptr;
}

bool is_op(const Token& t, const char* op) { return t.kind == Tok::Op && t.text == op; }
bool is_name(const Token& t, const char* upper_word) { return t.kind == Tok::Name && same_word(t.text, upper_word); }

// Where a statement may start at token k: 0 nothing special, 1 a statement of its own,
// 2 a statement nested after THEN, ELSE, WHEN (...) or OTHERWISE.
int statement_start(const std::vector<Token>& t, size_t k) {
    if (k == 0 || t[k - 1].kind == Tok::Semi) return 1;
    const Token& prev = t[k - 1];
    if (is_op(prev, ":") && k >= 2 && t[k - 2].kind == Tok::Name && t[k - 2].text.find('.') == std::string::npos)
        return statement_start(t, k - 2);   // after a label
    if (is_name(prev, "THEN") || is_name(prev, "ELSE") || is_name(prev, "OTHERWISE")) return 2;
    if (is_op(prev, ")")) {   // WHEN (values) statement
        int depth = 0;
        for (size_t j = k - 1; j-- > 0;) {
            if (is_op(t[j], ")")) ++depth;
            if (is_op(t[j], "(")) {
                if (depth == 0) return j > 0 && is_name(t[j - 1], "WHEN") ? 2 : 0;
                --depth;
            }
        }
    }
    return 0;
}

// The lowering routine's text for one statement (from the keyword up to its ';').
bool call_lowering(cmp_session* s, const ClaimedStatement& c, std::string_view statement, std::string* out,
                   std::string* message) {
    char why[512] = "";
    std::vector<char> buffer(4096);
    for (int attempt = 0; attempt < 2; ++attempt) {
        int length = 0;
        int rc = c.lower(c.context, s, statement.data(), static_cast<int>(statement.size()), buffer.data(),
                         static_cast<int>(buffer.size()), &length, why, static_cast<int>(sizeof why));
        if (rc != 0) {
            why[sizeof why - 1] = 0;
            *message = why[0] ? why : "The " + c.keyword + " statement is refused by its front end";
            return false;
        }
        if (length < 0) break;
        if (static_cast<size_t>(length) <= buffer.size()) {
            out->assign(buffer.data(), static_cast<size_t>(length));
            return true;
        }
        buffer.resize(static_cast<size_t>(length));
    }
    *message = "The front end of " + c.keyword + " gave no usable text";
    return false;
}

bool lower_text(cmp_session* s, std::string_view text, int level, std::string* out, std::string* message, int* pos) {
    std::vector<Token> t;
    std::string lex_error;
    int lex_pos = 0;
    // text the lexer cannot read (a comment statement holding a quote, say) is left to the parser
    if (!tokenize(text, t, lex_error, lex_pos)) {
        out->assign(text);
        return true;
    }
    std::string result;
    size_t copied = 0;   // text before this offset is in result already
    for (size_t k = 0; k + 1 < t.size(); ++k) {
        if (t[k].kind != Tok::Name) continue;
        const ClaimedStatement* c = claimed(s, t[k].text);
        if (!c) continue;
        const Token& next = t[k + 1];
        if (is_op(next, "=") || is_op(next, "[") || is_op(next, "(")) continue;   // an assignment
        int where = statement_start(t, k);
        if (where == 0) continue;
        size_t semi = k + 1;
        while (t[semi].kind != Tok::Semi && t[semi].kind != Tok::End) ++semi;
        size_t from = static_cast<size_t>(t[k].pos - 1);
        size_t to = static_cast<size_t>(t[semi].pos - 1);   // the ';' (or the end of the text)
        if (level >= kMostLevels) {
            *message = "Statements of the front end lower into each other more than 16 levels deep";
            *pos = t[k].pos;
            return false;
        }
        std::string lowered, again;
        if (!call_lowering(s, *c, text.substr(from, to - from), &lowered, message)) {
            *pos = t[k].pos;
            return false;
        }
        int inner_pos = 0;
        if (!lower_text(s, lowered, level + 1, &again, message, &inner_pos)) {
            *pos = t[k].pos;
            return false;
        }
        result.append(text.substr(copied, from - copied));
        if (where == 2) result += "do; " + again + " end;";
        else if (again.find_first_not_of(" \t\r\n") == std::string::npos) result += ";";   // a null statement
        else result += again;
        copied = t[semi].kind == Tok::Semi ? to + 1 : to;
        k = semi;
    }
    if (copied == 0) {
        out->assign(text);
        return true;
    }
    result.append(text.substr(copied));
    *out = std::move(result);
    return true;
}

}  // namespace

bool lower_claimed_statements(cmp_session* s, std::string_view text, std::string* out, std::string* message,
                              int* pos) {
    if (s->claimed.empty()) {
        out->assign(text);
        return true;
    }
    return lower_text(s, text, 0, out, message, pos);
}

}  // namespace qor::cmp

int cmpstkw(cmp_session* s, const char* keyword, int length, cmp_lower_fn lower, void* context) try {
    using namespace qor::cmp;
    if (!s || !keyword || !lower) return 1;
    if (length < 0) length = static_cast<int>(std::strlen(keyword));
    if (length > 32) return 1;
    std::string word = upper(std::string_view(keyword, static_cast<size_t>(length)));
    if (word.empty() || word.size() > 32 || !(std::isalpha(static_cast<unsigned char>(word[0])) || word[0] == '_'))
        return 1;
    for (char ch : word)
        if (!(std::isalnum(static_cast<unsigned char>(ch)) || ch == '_')) return 1;
    if (s->ended || s->closed()) return 3;
    if (is_statement_keyword(word) || claimed(s, word)) return 2;
    s->claimed.push_back(ClaimedStatement{word, lower, context});
    return 0;
}
QOR_SERVICE_CATCH(5)
