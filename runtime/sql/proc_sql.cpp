// PROC SQL: CREATE TABLE lib.t AS query; CREATE VIEW lib.v AS query; DROP TABLE|VIEW; QUIT;
// run statement by statement. A table is written through a query run; a view is checked and stored as its text.
#include <cctype>
#include <string>
#include <vector>

#include "host/files.h"
#include "host/print.h"
#include "runtime/procs/procedures.h"
#include "runtime/sql/sql_query.h"
#include "runtime/sql/sql_tokens.h"
#include "runtime/sql/sql_translate.h"
#include "runtime/storage/libraries.h"

namespace qor::runtime {

namespace {

using sql::Token;
using sql::TokenKind;

bool member_exists(const std::string& libref, const std::string& member, const char* type) {
    return xdfxst2(libref.c_str(), member.data(), static_cast<int>(member.size()), type) == 0;
}

// One CREATE statement of the step, tokens [begin, end) without its ';'.
class CreateStatement {
public:
    CreateStatement(const std::string& text, const std::vector<Token>& tokens, size_t begin, size_t end)
        : text_(text), tokens_(tokens), begin_(begin), end_(end) {}

    int run() {
        const int line = tokens_[begin_].line;
        size_t i = begin_ + 1;
        auto at = [&](size_t k) -> const Token& { return k < end_ ? tokens_[k] : tokens_[end_]; };
        bool view = sql::is_word(at(i), "VIEW");
        if (!view && !sql::is_word(at(i), "TABLE"))
            return fail(at(i).line, "CREATE must be followed by TABLE or VIEW");
        ++i;
        if (at(i).kind != TokenKind::Name) return fail(at(i).line, "CREATE needs the name of the new member");
        std::string libref = "WORK", member = at(i++).text;
        if (sql::is_symbol(at(i), ".")) {
            libref = member;
            ++i;
            if (at(i).kind != TokenKind::Name) return fail(at(i).line, "a member name must follow the library");
            member = at(i++).text;
        }
        for (char& c : libref) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        std::string name = sql::member_text(libref, member);
        if (libref.size() > 8 || member.size() > 32) return fail(line, name + " is not a valid member name");
        if (library_directory(libref).empty()) return fail(line, "library " + libref + " is not assigned");
        if (!sql::is_word(at(i), "AS")) return fail(at(i).line, "expected AS after the name " + name);
        ++i;
        if (i >= end_) return fail(at(i).line, "CREATE needs a query after AS");
        if (member_exists(libref, member, view ? "DATA    " : "VIEW    "))
            return fail(line, std::string("a ") + (view ? "data set" : "view") + " named " + name +
                                  " exists already; delete it first");

        // One-level names of a view resolve in the view's own library.
        sql::QueryRun run(view ? libref : "WORK");
        sql::Translation query;
        std::string error;
        if (!run.open(&error)) return fail(line, error);
        if (!sql::translate_query(text_, tokens_, i, end_, run, &query, &error)) return fail_at(error);
        if (view) {
            if (!run.check(query, &error)) return cannot_run(line, error);
            std::string program = text_.substr(tokens_[i].offset, tokens_[end_ - 1].end - tokens_[i].offset);
            if (xovwrit(libref.c_str(), member.c_str(), program.data(), program.size()) != 0)
                return 1;
            xpslog("%3zThe view %s was stored.", name.c_str());
            return 0;
        }
        int64_t rows = 0;
        int variables = 0;
        if (!run.write(query, libref, member, &rows, &variables, &error)) return cannot_run(line, error);
        xpslog("%3z%lld observations and %i variables were written to %s.",
               static_cast<long long>(rows), variables, name.c_str());
        return 0;
    }

private:
    static int fail(int line, const std::string& what) {
        xpslog("%1zPROC SQL: line %i: %s.", line, what.c_str());
        return 1;
    }
    static int fail_at(const std::string& located) {
        xpslog("%1zPROC SQL: %s.", located.c_str());
        return 1;
    }
    static int cannot_run(int line, const std::string& why) {
        xpslog("%1zPROC SQL: the statement on line %i cannot be run: %s.", line, why.c_str());
        return 1;
    }

    const std::string& text_;
    const std::vector<Token>& tokens_;
    size_t begin_, end_;
};

// DROP TABLE|VIEW name [, name ...]: deletes the members. Every name is checked first: when
// one does not exist, nothing is deleted.
int drop_members(const std::vector<Token>& tokens, size_t begin, size_t end) {
    size_t i = begin + 1;
    auto at = [&](size_t k) -> const Token& { return k < end ? tokens[k] : tokens[end]; };
    bool view = sql::is_word(at(i), "VIEW");
    const char* kind = view ? "view" : "data set";
    if (!view && !sql::is_word(at(i), "TABLE")) {
        xpslog("%1zPROC SQL: line %i: DROP must be followed by TABLE or VIEW.", at(i).line);
        return 1;
    }
    ++i;
    std::vector<std::pair<std::string, std::string>> members;
    while (true) {
        const Token& first = at(i);
        if (first.kind != TokenKind::Name) {
            xpslog("%1zPROC SQL: line %i: DROP needs the names of the members.", first.line);
            return 1;
        }
        std::string libref = "WORK", member = at(i++).text;
        if (sql::is_symbol(at(i), ".") && at(i + 1).kind == TokenKind::Name) {
            libref = member;
            member = at(i + 1).text;
            i += 2;
        }
        for (char& c : libref) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (libref.size() > 8 || member.size() > 32 || library_directory(libref).empty() ||
            !member_exists(libref, member, view ? "VIEW    " : "DATA    ")) {
            xpslog("%1zPROC SQL: line %i: the %s %s does not exist; nothing was deleted.", first.line,
                   kind, sql::member_text(libref, member).c_str());
            return 1;
        }
        members.emplace_back(libref, member);
        if (i >= end || !sql::is_symbol(at(i), ",")) break;
        ++i;
    }
    if (i < end) {
        xpslog("%1zPROC SQL: line %i: unexpected text after the names of DROP.", at(i).line);
        return 1;
    }
    for (const auto& [libref, member] : members) {
        std::string name = sql::member_text(libref, member);
        if (xomdel(libref.c_str(), member.c_str(), view ? "VIEW" : "DATA") != 0) {
            xpslog("%1zPROC SQL: the %s %s cannot be deleted.", kind, name.c_str());
            return 1;
        }
        xpslog("%3zThe %s %s was deleted.", kind, name.c_str());
    }
    return 0;
}

}  // namespace

int proc_sql(qor_step* step) {
    std::string text(step->text, step->text_length);
    std::vector<Token> tokens;
    std::string error;
    if (!sql::tokenize(text, step->first_line, &tokens, &error)) {
        xpslog("%1zPROC SQL: %s.", error.c_str());
        return 1;
    }
    // Statements end at ';'; the first is PROC SQL itself, whose options are ignored.
    size_t i = 0;
    while (tokens[i].kind != TokenKind::End && !sql::is_symbol(tokens[i], ";")) ++i;
    int code = 0;
    while (tokens[i].kind != TokenKind::End) {
        size_t begin = i + 1, end = begin;
        while (tokens[end].kind != TokenKind::End && !sql::is_symbol(tokens[end], ";")) ++end;
        i = end;
        if (begin == end) continue;   // a null statement
        const Token& first = tokens[begin];
        if (sql::is_word(first, "QUIT")) break;
        if (sql::is_word(first, "RUN")) continue;
        if (code != 0) {
            xpslog("%3zPROC SQL: the statement on line %i was not run because of the error above.", first.line);
            continue;
        }
        if (sql::is_word(first, "CREATE")) {
            code = CreateStatement(text, tokens, begin, end).run();
        } else if (sql::is_word(first, "DROP")) {
            code = drop_members(tokens, begin, end);
        } else {
            xpslog("%1zPROC SQL: line %i: the statement %s is not supported; PROC SQL runs CREATE "
                   "TABLE, CREATE VIEW, DROP and QUIT.", first.line,
                   first.kind == TokenKind::Name ? first.text.c_str() : "starting here");
            code = 1;
        }
    }
    return code;
}

}  // namespace qor::runtime
