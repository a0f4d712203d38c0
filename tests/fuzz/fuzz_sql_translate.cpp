// Fuzz target: the PROC SQL front end (tokenizer and translator) must take any text without
// crashing or hanging, and a translation must name every table the catalog gave it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/sql/sql_tokens.h"
#include "runtime/sql/sql_translate.h"

namespace {

// Names each table T<n>; OUTER UNION CORR branches get two fixed columns.
class FakeCatalog final : public qor::runtime::sql::TranslationCatalog {
public:
    bool table(const std::string& libref, const std::string& member, int, std::string* name,
               std::string* error) override {
        if (libref.size() > 8 || member.size() > 32) {
            *error = "bad name";
            return false;
        }
        *name = "T" + std::to_string(tables++);
        return true;
    }
    bool columns(const std::string&, std::vector<std::string>* names, std::string*) override {
        *names = {"a", "B"};
        return true;
    }
    int tables = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<qor::runtime::sql::Token> tokens;
    std::string error;
    if (!qor::runtime::sql::tokenize(text, 1, &tokens, &error)) {
        if (error.compare(0, 5, "line ") != 0) __builtin_trap();
        return 0;
    }
    if (tokens.empty() || tokens.back().kind != qor::runtime::sql::TokenKind::End) __builtin_trap();
    FakeCatalog catalog;
    qor::runtime::sql::Translation out;
    if (qor::runtime::sql::translate_query(text, tokens, 0, tokens.size() - 1, catalog, &out, &error)) {
        for (int i = 0; i < catalog.tables; ++i)
            if (out.sql.find("\"T" + std::to_string(i) + "\"") == std::string::npos) __builtin_trap();
    } else if (error.compare(0, 5, "line ") != 0) {
        __builtin_trap();
    }
    return 0;
}
