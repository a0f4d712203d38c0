// Making variable names from the header row of an imported file: valid characters, a valid
// start, at most 32 characters, and no two names the same when case is ignored.
#include "runtime/procs/import_names.h"

#include <cctype>
#include <map>
#include <set>

#include "host/dataset.h"
#include "runtime/procs/proc_statements.h"

namespace qor::runtime {

namespace {

constexpr size_t kLongest = QOR_VAR_NAME_MAX;

bool name_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

std::string valid_name(const std::string& header, size_t column) {
    size_t first = header.find_first_not_of(" \t");
    size_t last = header.find_last_not_of(" \t");
    std::string name;
    if (first != std::string::npos) {
        for (size_t i = first; i <= last; ++i) {
            if (name_char(header[i])) name += header[i];
            else if (name.empty() || name.back() != '_' || name_char(header[i - 1])) name += '_';
        }
    }
    if (name.empty()) return "VAR" + std::to_string(column);
    if (std::isdigit(static_cast<unsigned char>(name[0]))) name.insert(0, "_");
    if (name.size() > kLongest) name.resize(kLongest);
    return name;
}

}  // namespace

std::vector<std::string> import_variable_names(const std::vector<std::string>& headers) {
    std::vector<std::string> names;
    std::set<std::string> taken;   // upper-cased
    // Per upper-cased base, the first suffix number not yet found taken: names only get taken,
    // so numbers tried once need no second try, and many equal headers cost linear time.
    std::map<std::string, int> next_suffix;
    for (size_t i = 0; i < headers.size(); ++i) {
        std::string base = valid_name(headers[i], i + 1);
        std::string name = base;
        int& n = next_suffix.try_emplace(upper_text(base), 2).first->second;
        for (; taken.count(upper_text(name)); ++n) {
            std::string suffix = "_" + std::to_string(n);
            name = base.substr(0, kLongest - suffix.size()) + suffix;
        }
        taken.insert(upper_text(name));
        names.push_back(name);
    }
    return names;
}

}  // namespace qor::runtime
