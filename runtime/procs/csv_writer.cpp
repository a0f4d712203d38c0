// Writing CSV fields and rows: a field is quoted only when it would not read back as itself
// otherwise, and quotes inside it are doubled.
#include "runtime/procs/csv.h"

namespace qor::runtime {

bool csv_needs_quotes(std::string_view field) {
    if (field.empty()) return false;
    if (field.find_first_of(",\"\r\n") != std::string_view::npos) return true;
    // A reader drops a byte order mark at the start of a file: quoted, it stays part of the field.
    if (field.substr(0, 3) == "\xEF\xBB\xBF") return true;
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    return blank(field.front()) || blank(field.back());
}

void append_csv_field(std::string& out, std::string_view field) {
    if (!csv_needs_quotes(field)) {
        out.append(field);
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

void append_csv_row(std::string& out, const std::vector<std::string>& fields) {
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) out += ',';
        append_csv_field(out, fields[i]);
    }
    out += '\n';
}

}  // namespace qor::runtime
