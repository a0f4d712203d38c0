// Macro variables in program text: %LET stores a value in the global macro table, and &name
// references are replaced by their values before a statement or step runs.
#include "runtime/submit/macro_text.h"

#include <cctype>

#include "host/macro.h"
#include "host/print.h"

namespace qor::runtime {

namespace {

constexpr int kMaxDepth = 10;   // values that refer to themselves stop here
// A text's references may be resolved this many times in all, and may make it this many
// characters longer: values that hold several references to themselves grow exponentially with
// the depth, and must fail at once rather than run for minutes.
constexpr size_t kMaxResolutions = 100000;
constexpr size_t kMaxGrowth = size_t{1} << 20;

bool name_start(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool name_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

bool lookup(const std::string& name, std::string* value) {
    char small[256];
    int length = xjsymget(xalanch(), name.data(), static_cast<int>(name.size()), small, sizeof small);
    if (length < 0) return false;
    if (length < static_cast<int>(sizeof small)) {
        value->assign(small, length);
        return true;
    }
    std::string big(length + 1, '\0');
    xjsymget(xalanch(), name.data(), static_cast<int>(name.size()), big.data(), length + 1);
    big.resize(length);
    *value = big;
    return true;
}

// One resolution of a whole text: its budget and the output built so far.
struct Resolution {
    int line = 0;
    size_t max_length = 0;      // the output may not grow beyond this
    size_t resolutions = 0;
    std::string out;
};

// Appends `text` with its references resolved to r.out; false after the one error that stops
// the resolution (a value nested too deeply, too many resolutions, too long a result).
bool resolve(Resolution& r, const std::string& text, int depth) {
    char quote = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '\'' || c == '"') {
            quote = c;
        }
        bool resolvable = c == '&' && quote != '\'' && i + 1 < text.size() && name_start(text[i + 1]);
        if (!resolvable) {
            r.out += c;
            if (r.out.size() > r.max_length) {
                xpslog("%1zThe macro references on line %i make the text more than %i characters longer.",
                       r.line, static_cast<int>(kMaxGrowth));
                return false;
            }
            continue;
        }
        size_t end = i + 1;
        while (end < text.size() && name_char(text[end])) ++end;
        std::string name = text.substr(i + 1, end - i - 1);
        if (++r.resolutions > kMaxResolutions) {
            xpslog("%1zThe macro references on line %i need more than %i resolutions.", r.line,
                   static_cast<int>(kMaxResolutions));
            return false;
        }
        if (depth >= kMaxDepth) {
            xpslog("%1zThe macro variable %s on line %i refers to itself too deeply.", name.c_str(), r.line);
            return false;
        }
        std::string value;
        if (!lookup(name, &value)) {
            xpslog("%2zApparent symbolic reference %s on line %i not resolved.", name.c_str(), r.line);
            r.out.append(text, i, end - i);
            i = end - 1;
            continue;
        }
        if (end < text.size() && text[end] == '.') ++end;   // the dot closes the reference
        if (!resolve(r, value, depth + 1)) return false;
        i = end - 1;
    }
    return true;
}

}  // namespace

bool resolve_macro_references(const std::string& text, int line, std::string* resolved) {
    if (text.find('&') == std::string::npos) {
        *resolved = text;
        return true;
    }
    Resolution r;
    r.line = line;
    r.max_length = text.size() + kMaxGrowth;
    r.out.reserve(text.size());
    if (!resolve(r, text, 0)) return false;
    *resolved = std::move(r.out);
    return true;
}

int run_let_statement(const std::string& statement, int line) {
    size_t i = statement.find_first_not_of(" \t\r\n");
    i += 4;   // past "%let"
    while (i < statement.size() && std::isspace(static_cast<unsigned char>(statement[i]))) ++i;
    size_t name_end = i;
    while (name_end < statement.size() && name_char(statement[name_end])) ++name_end;
    size_t eq = statement.find_first_not_of(" \t\r\n", name_end);
    if (name_end == i || !name_start(statement[i]) || name_end - i > 32 || eq == std::string::npos ||
        statement[eq] != '=') {
        xpslog("%1zThe %%LET statement on line %i needs a macro variable name and \"=\".", line);
        return 1;
    }
    std::string name = statement.substr(i, name_end - i);
    size_t v = statement.find_first_not_of(" \t\r\n", eq + 1);
    size_t v_end = statement.find_last_not_of(" \t\r\n");
    std::string value = v == std::string::npos ? "" : statement.substr(v, v_end - v + 1);
    if (!resolve_macro_references(value, line, &value)) return 1;
    if (xjsympc(xalanch(), name.data(), static_cast<int>(name.size()), value.data(),
                static_cast<int>(value.size())) != 0) {
        xpslog("%1zThe macro variable %s on line %i cannot be set.", name.c_str(), line);
        return 1;
    }
    return 0;
}

}  // namespace qor::runtime
