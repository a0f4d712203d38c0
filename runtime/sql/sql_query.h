// One PROC SQL query run on its own in-memory SQLite connection: the data sets it reads are
// virtual tables streamed through the data set reader, and its rows go to a new data set.
#pragma once
#include <sqlite3.h>

#include <map>
#include <memory>
#include <unordered_map>
#include <string>
#include <vector>

#include "host/dataset.h"
#include "runtime/sql/sql_translate.h"

namespace qor::runtime::sql {

// A data set a query reads, open for input for the whole run.
struct QuerySource {
    std::string name;                  // LIB.MEMBER
    qor_dataset* dataset = nullptr;
    std::vector<qor_var_desc> variables;
    int64_t observations = 0;
    int64_t current = 0;               // the observation current in the open data set
    std::vector<char> text;            // buffer for character values
    // Equality lookups: per variable (0-based), the observations of each value, built the
    // first time a join asks for that variable.
    std::map<int, std::unordered_map<std::string, std::vector<int64_t>>> lookups;
};

class QueryRun final : public TranslationCatalog {
public:
    // One-level names resolve in default_libref.
    explicit QueryRun(std::string default_libref);
    ~QueryRun() override;
    QueryRun(const QueryRun&) = delete;
    QueryRun& operator=(const QueryRun&) = delete;

    // Opens the connection: false with *error.
    bool open(std::string* error);
    bool table(const std::string& libref, const std::string& member, int line,
               std::string* sql_name, std::string* error) override;
    bool columns(const std::string& select_sql, std::vector<std::string>* names,
                 std::string* error) override;

    // Prepares a translated query without running it: false with SQLite's message in *error.
    bool check(const Translation& query, std::string* error);
    // Runs a translated query and writes its rows to libref.member, which is replaced only when
    // every row was written. false with *error (the data set is left as it was).
    bool write(const Translation& query, const std::string& libref, const std::string& member,
               int64_t* rows, int* variables, std::string* error);

    QuerySource* source(size_t index) { return index < sources_.size() ? sources_[index].get() : nullptr; }

private:
    std::string default_libref_;
    sqlite3* db_ = nullptr;
    std::vector<std::unique_ptr<QuerySource>> sources_;
    std::map<std::string, std::string> table_names_;   // LIB.MEMBER -> its virtual table
};

// The name of a library member as the log shows it ("WORK.X"), upper-cased.
std::string member_text(const std::string& libref, const std::string& member);

}  // namespace qor::runtime::sql
