// Helpers of the ZOZU grammar tests: parse a step's text with the grammar and the name-list
// hook into a fresh pool, capture the log, and read option bits and operand fields of a node.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/module/step_context.h"
#include "host/missing.h"
#include "host/parser.h"
#include "host/pool.h"
#include "host/print.h"
#include "procedure/zozu_grammar.h"
#include "runtime/core/print_internal.h"

struct ParsedStep {
    int code = 0;
    std::vector<const statement_node*> nodes;
    std::string log;
};

class ZozuParse {
public:
    ZozuParse() : pool_(xmpoolc(65536, 65536, 0)) {}
    ~ZozuParse() { xmpoold(pool_); }

    // Parses "PROC ZOZU; <body> RUN;" (or the whole text when it starts with PROC).
    ParsedStep parse(const std::string& body, int trace = 0) {
        text_ = body.rfind("PROC", 0) == 0 || body.rfind("proc", 0) == 0 ? body : "PROC ZOZU;\n" + body + "\nRUN;";
        context_ = step_context{};
        ParsedStep out;
        std::string path = ::testing::TempDir() + "zozu_parse_" + std::to_string(::getpid()) + ".log";
        qor_print_set_log_file(path.c_str());
        qor_print_set_msgids(true);
        xplogl(1024);
        qor_parse_request r{};
        r.grammar = zozu::riskg();
        r.text = text_.data();
        r.length = text_.size();
        r.first_line = 1;
        r.pool = pool_;
        r.trace = trace;
        r.hook = &zozu::rskcust;
        r.hook_data = &context_;
        int code = xsproc(&r);
        out.code = code > context_.error_code ? code : context_.error_code;
        xpoflsh(0);
        qor_print_set_log_file(nullptr);
        qor_print_set_msgids(false);
        xplogl(132);
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        out.log = s.str();
        ::unlink(path.c_str());
        for (const statement_node* n = r.statements; n; n = n->next) out.nodes.push_back(n);
        return out;
    }

    qor_pool* pool() { return pool_; }

private:
    qor_pool* pool_;
    std::string text_;
    step_context context_{};
};

// The node's name without its blanks.
inline std::string node_name(const statement_node* n) {
    std::string s(n->name, sizeof n->name);
    return s.substr(0, s.find_last_not_of(' ') + 1);
}

// The set option bits of a node, ascending.
inline std::vector<int> node_bits(const statement_node* n) {
    std::vector<int> bits;
    for (int k = 1; k <= 64; ++k)
        if (qor_option_bit(n, k)) bits.push_back(k);
    return bits;
}

// An operand field as text: names blank-separated, numbers in %g blank-separated (missing
// values as "."), a text as is;
// "-" when the field was not given.
inline std::string field_text(const statement_node* n, int field) {
    const operand_field* f = qor_operand(n, field);
    if (!f || !f->given) return "-";
    std::string out;
    char buffer[64];
    switch (f->kind) {
        case QOR_OPERAND_TEXT:
            return std::string(static_cast<const char*>(f->value), f->used);
        case QOR_OPERAND_NUMBER:
            std::snprintf(buffer, sizeof buffer, "%g", *static_cast<const double*>(f->value));
            return buffer;
        case QOR_OPERAND_NAMES: {
            const char* p = static_cast<const char*>(f->value);
            for (int32_t i = 0; i < f->used; ++i) out += p[i] ? p[i] : ' ';
            if (!out.empty()) out.pop_back();
            return out;
        }
        case QOR_OPERAND_NUMBERS:
            for (int32_t i = 0; i < f->used; ++i) {
                double v = static_cast<const double*>(f->value)[i];
                if (qor::is_missing(v))
                    std::snprintf(buffer, sizeof buffer, "%s.", i ? " " : "");
                else
                    std::snprintf(buffer, sizeof buffer, "%s%g", i ? " " : "", v);
                out += buffer;
            }
            return out;
    }
    return "?";
}
