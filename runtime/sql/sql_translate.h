// Translation of a PROC SQL query into SQLite's dialect: table names become the virtual tables
// the catalog provides, operators and functions become the missing-aware functions of
// sql_functions.h, FORMAT= and LABEL= of the select list are kept for the output variables.
#pragma once
#include <map>
#include <set>
#include <string>
#include <vector>

#include "runtime/sql/sql_tokens.h"

namespace qor::runtime::sql {

// What a query reads: the translator asks for each table and for the result columns of the
// branches of OUTER UNION CORR. Answers false with *error set (a message without "ERROR:").
class TranslationCatalog {
public:
    virtual ~TranslationCatalog() = default;
    // The SQLite table name of libref.member (libref empty: a one-level name).
    virtual bool table(const std::string& libref, const std::string& member, int line,
                       std::string* sql_name, std::string* error) = 0;
    // The result column names of a translated SELECT.
    virtual bool columns(const std::string& select_sql, std::vector<std::string>* names,
                         std::string* error) = 0;
};

// FORMAT= and LABEL= of a select-list item.
struct ColumnAttributes {
    std::string format;   // as written ("COMMA12.2"), empty when not given
    std::string label;
    bool has_label = false;
};

struct Translation {
    std::string sql;
    // Upper-cased output names of computed columns known to be numeric.
    std::set<std::string> numeric_columns;
    // Attributes by upper-cased output name.
    std::map<std::string, ColumnAttributes> attributes;
};

// Translates the query held by tokens[begin, end) of `text` (its tokens). false with a message
// that names the line in *error.
bool translate_query(const std::string& text, const std::vector<Token>& tokens, size_t begin,
                     size_t end, TranslationCatalog& catalog, Translation* out,
                     std::string* error);

// A name quoted for SQLite ("a""b").
std::string quote_name(const std::string& name);

}  // namespace qor::runtime::sql
