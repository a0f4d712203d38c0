// Formats for the built-in procedures: checking written formats against the registry, the
// display format of a variable, and formatted and raw texts of values.
#include "runtime/procs/proc_formats.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

#include "host/formats.h"
#include "host/missing.h"
#include "host/print.h"

namespace qor::runtime {

bool FormatSpec::character() const { return format_class == QOR_FORMAT_CHARACTER; }

std::string FormatSpec::text() const {
    std::string t = name + std::to_string(width) + ".";
    if (decimals > 0) t += std::to_string(decimals);
    return t;
}

bool parse_format(const std::string& text, FormatSpec* spec, std::string* why) {
    char name[QOR_FORMAT_NAME_MAX + 1];
    int name_length = 0;
    uint16_t width = 0, decimals = 0;
    if (text.find('.') == std::string::npos ||
        zspltfm(text.data(), static_cast<int>(text.size()), name, &name_length, &width,
                &decimals) != 0) {
        *why = "is not a format (write a name, a width and a point, as in DATE9. or COMMA12.2)";
        return false;
    }
    qor_format_info info{};
    if (xfrname(nullptr, name, name_length, 0, &info, nullptr) != 0) {
        *why = "names no known format";
        return false;
    }
    spec->name.assign(name, static_cast<size_t>(name_length));
    spec->width = width == QOR_FORMAT_ABSENT ? info.default_width : width;
    spec->decimals = decimals == QOR_FORMAT_ABSENT ? info.default_decimals : decimals;
    spec->format_class = info.format_class;
    if (spec->width < info.min_width || spec->width > info.max_width ||
        spec->decimals < info.min_decimals || spec->decimals > info.max_decimals) {
        *why = "has a width or decimals outside the limits of the format (width " +
               std::to_string(info.min_width) + " to " + std::to_string(info.max_width) +
               ", decimals " + std::to_string(info.min_decimals) + " to " +
               std::to_string(info.max_decimals) + ")";
        return false;
    }
    return true;
}

FormatSpec variable_format(const qor_var_desc& desc) {
    const bool character = desc.type == QOR_VAR_CHARACTER;
    std::string name(desc.format, static_cast<size_t>(desc.format_length > 0 ? desc.format_length : 0));
    FormatSpec spec;
    qor_format_info info{};
    if (!name.empty() && xfrname(nullptr, name.data(), static_cast<int>(name.size()), 0, &info,
                                 nullptr) == 0 &&
        (info.format_class == QOR_FORMAT_CHARACTER) == character) {
        spec.name = name;
        spec.format_class = info.format_class;
        spec.width = desc.format_width > 0 ? desc.format_width
                     : character           ? desc.length
                                           : info.default_width;
        spec.decimals = desc.format_width > 0 ? desc.format_decimals : info.default_decimals;
        return spec;
    }
    // No format, or one this host does not know: show the value plainly.
    if (character) return FormatSpec{"$", desc.length, 0, QOR_FORMAT_CHARACTER};
    return FormatSpec{"BEST", 12, 0, QOR_FORMAT_NUMERIC};
}

void set_variable_format(qor_var_desc* desc, const FormatSpec& spec) {
    std::snprintf(desc->format, sizeof desc->format, "%s", spec.name.c_str());
    desc->format_length = static_cast<int16_t>(std::strlen(desc->format));
    desc->format_width = static_cast<int16_t>(spec.width);
    desc->format_decimals = static_cast<int16_t>(spec.decimals);
}

std::string format_number(double value, const FormatSpec& spec) {
    std::vector<char> buffer(static_cast<size_t>(spec.width) + 1);
    const std::string text = spec.text();
    if (xpfmt(value, text.data(), static_cast<int>(text.size()), buffer.data(),
              static_cast<int>(buffer.size()), nullptr) != 0)
        return std::string(static_cast<size_t>(spec.width), '*');
    return std::string(buffer.data(), static_cast<size_t>(spec.width));
}

std::string format_text(const std::string& value, const FormatSpec& spec) {
    std::string out(static_cast<size_t>(spec.width), ' ');
    if (xpfc(value.data(), static_cast<int>(value.size()), spec.width, out.data()) != 0)
        return value;
    return out;
}

std::string raw_number(double value) {
    if (qor::is_missing(value)) {
        int code = qor::missing_code(value);
        if (code == 0) return "";
        return std::string(".") + static_cast<char>(code);
    }
    // Plain decimals read best in a CSV file; E notation only where they would be long.
    const double magnitude = std::fabs(value);
    const bool plain = magnitude == 0 || (magnitude >= 1e-5 && magnitude < 1e16);
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                plain ? std::chars_format::fixed : std::chars_format::scientific);
    return std::string(buffer, result.ptr);
}

const qor_clause kFormatStatementClauses[1] = {
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_ANY, 0, 0, 0, nullptr, nullptr, nullptr, nullptr},
};

bool read_format_statement(const statement_node* node, const char* proc,
                           std::vector<FormatAssignment>* out) {
    std::vector<std::string> pending;
    for (const std::string& word : node_names(node, 0)) {
        if (word.find('.') == std::string::npos) {
            pending.push_back(word);
            continue;
        }
        FormatSpec spec;
        std::string why;
        if (!parse_format(word, &spec, &why)) {
            xpslog("%1zPROC %s: %s on line %i %s.", proc, word.c_str(), node->line, why.c_str());
            return false;
        }
        if (pending.empty()) {
            xpslog("%1zPROC %s: %s on line %i follows no variable name.", proc, word.c_str(),
                   node->line);
            return false;
        }
        for (const std::string& name : pending) out->push_back({name, spec, node->line});
        pending.clear();
    }
    if (!pending.empty()) {
        xpslog("%1zPROC %s: %s on line %i has no format after it.", proc, pending.back().c_str(),
               node->line);
        return false;
    }
    return true;
}

std::string trim_blanks(const std::string& text) {
    size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

}  // namespace qor::runtime
