// xsproc: parses a procedure step statement by statement with the procedure's grammar, links
// the statement nodes in the step pool, and recovers at the next ';' after an error.
#include <cctype>
#include <cstring>
#include <string>

#include "host/print.h"
#include "runtime/core/service_guard.h"
#include "runtime/parser/parser_internal.h"

namespace qor::parser {

namespace {

// The statement words of a grammar as "A, B, ..., RUN, QUIT": every word once, in schema order.
// Words are split on any run of blanks so that no item comes out empty.
std::string statement_names(const qor_grammar& g) {
    std::string out;
    for (int i = 0; i < g.statement_count; ++i) {
        const char* p = g.statements[i].names;
        while (p && *p) {
            while (*p == ' ') ++p;
            const char* start = p;
            while (*p && *p != ' ') ++p;
            if (p > start) out += std::string(start, static_cast<size_t>(p - start)) + ", ";
        }
    }
    return out + "RUN, QUIT";
}

const qor_statement_schema* schema_of(const ParseState& s, const Token& t) {
    const qor_grammar& g = *s.request->grammar;
    for (int i = 0; i < g.statement_count; ++i)
        if (is_word(s, t, g.statements[i].names)) return &g.statements[i];
    return nullptr;
}

// A zeroed node with its operand fields, named as the schema stores it.
statement_node* new_node(ParseState& s, const qor_statement_schema& schema, const Token& keyword) {
    qor_pool* pool = s.request->pool;
    auto* node = static_cast<statement_node*>(pool->allocate(pool, sizeof(statement_node), QOR_ALLOC_ZERO));
    int count = schema.field_count > 0 ? schema.field_count : 1;
    void* fields = node ? pool->allocate(pool, sizeof(operand_field) * count, QOR_ALLOC_ZERO) : nullptr;
    if (!fields) {
        xpslog("%1zOut of memory: the statement on line %i could not be stored.", keyword.line);
        s.stop_code = QOR_PARSE_NO_MEMORY;
        return nullptr;
    }
    node->operands.count = count;
    node->operands.fields = static_cast<operand_field*>(fields);
    node->line = keyword.line;
    node->column = keyword.column;
    std::memset(node->name, ' ', sizeof node->name);
    if (schema.stored_name) {
        size_t n = std::strlen(schema.stored_name);
        std::memcpy(node->name, schema.stored_name, n > 32 ? 32 : n);
    } else {
        char word[33];
        size_t n = token_text(s, keyword, word, sizeof word, true);
        std::memcpy(node->name, word, n);
    }
    return node;
}

// Skips to the token after the next ';' (or to the end of the text).
void recover(ParseState& s) {
    while (s.token.type != kSemicolon && s.token.type != kEnd) advance(s);
    if (s.token.type == kSemicolon) advance(s);
}

// Parses one statement whose keyword is the current token; links it when it is sound.
void statement(ParseState& s, const qor_statement_schema& schema, statement_node**& tail) {
    Token keyword = s.token;
    s.failed = false;
    s.schema = &schema;
    s.node = new_node(s, schema, keyword);
    if (!s.node) return;
    semantic_trace(s, "statement %.*s", static_cast<int>(std::strcspn(s.node->name, " ")), s.node->name);
    advance(s);
    if (schema.begin_bit) set_bit(s, schema.begin_bit);
    parse_clauses(s);
    if (s.stop_code) return;
    if (!s.failed && s.token.type != kSemicolon)
        syntax_error(s, s.token, "missing ';' before", nullptr);
    if (s.failed) {
        recover(s);
        return;
    }
    set_bit(s, s.request->grammar->end_bit);
    // A statement that takes the statements after it (METHOD ... ENDMETHOD) reads them now,
    // verbatim, so that none of them is parsed as a statement of the procedure.
    for (int i = 0; i < schema.clause_count; ++i) {
        if (schema.clauses[i].kind != QOR_CLAUSE_STATEMENTS) continue;
        if (!parse_statement_body(s, schema.clauses[i])) {
            if (!s.stop_code) s.failed = true;
            advance(s);
            return;
        }
    }
    advance(s);
    *tail = s.node;
    tail = &s.node->next;
}

bool proc_statement(ParseState& s, statement_node**& tail) {
    const qor_grammar& g = *s.request->grammar;
    if (!is_word(s, s.token, "PROC")) {
        syntax_error(s, s.token, "expected the PROC statement, found", "PROC");
        recover(s);
        return false;
    }
    advance(s);
    if (!is_word(s, s.token, g.procedure)) {
        syntax_error(s, s.token, "expected the procedure name, found", g.procedure);
        recover(s);
        return false;
    }
    statement(s, *g.proc, tail);
    return !s.failed;
}

}  // namespace

}  // namespace qor::parser

using namespace qor::parser;

int xsproc(qor_parse_request* request) try {
    if (!request) return QOR_PARSE_SYNTAX_ERROR;
    request->statements = nullptr;
    request->error_code = 0;
    if (!request->grammar || !request->grammar->proc || !request->pool) {
        xebug("xsproc: no grammar or no pool to parse with.");
        return request->error_code = QOR_PARSE_SYNTAX_ERROR;
    }
    Tokenizer tokenizer(request->text, request->length, request->first_line);
    ParseState s{};
    s.request = request;
    s.tokenizer = &tokenizer;
    advance(s);
    statement_node* head = nullptr;
    statement_node** tail = &head;
    bool errors = !proc_statement(s, tail);
    while (!s.stop_code && s.token.type != kEnd) {
        // RUN; or QUIT; ends the step; nothing after it belongs to the procedure.
        if (is_word(s, s.token, "RUN QUIT")) break;
        if (s.token.type == kSemicolon) {   // an empty statement: the null statement
            advance(s);
            continue;
        }
        const qor_statement_schema* schema = s.token.type == kName ? schema_of(s, s.token) : nullptr;
        if (!schema) {
            s.failed = false;
            s.node = nullptr;
            std::string names = statement_names(*request->grammar);
            if (s.token.type == kBad)
                syntax_error(s, s.token, "cannot read", s.token.error);
            else
                syntax_error(s, s.token, s.token.type == kName ? "unknown statement" : "expected a statement, found",
                             names.c_str());
            errors = true;
            recover(s);
            continue;
        }
        statement(s, *schema, tail);
        errors = errors || s.failed;
    }
    request->statements = head;
    if (s.stop_code)
        request->error_code = s.stop_code;
    else if (errors)
        request->error_code = QOR_PARSE_SYNTAX_ERROR;
    return request->error_code;
}
QOR_SERVICE_CATCH(QOR_PARSE_NO_MEMORY)
