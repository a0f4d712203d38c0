// One column of a result data set: its name, label, format and slot on the host data set and on
// the multidimensional database beside it, the FORMATS override, and the percentile column names.
#include <cctype>
#include <cstdarg>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/model/options/engine_options.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/output/result_kinds.h"
#include "engine/run/run_block.h"
#include "host/dataset.h"
#include "host/formats.h"
#include "host/print.h"

namespace {

int text_length(const char* text, int length) {
    if (text == nullptr) return 0;
    return length < 0 ? static_cast<int>(std::strlen(text)) : length;
}

int stripped_length(const char* text, int length) {
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\0')) --length;
    return length;
}

// The environment variable that a column is named after, or null.
RSKVARIABLE* column_variable(RSKCON* con, const char* name, int length) {
    if (length <= 0 || length > kRskObjectNameCapacity) return nullptr;
    char buffer[kRskObjectNameCapacity];
    std::memcpy(buffer, name, static_cast<size_t>(length));
    RSKNAMEREC record{kRskObjectNameCapacity, static_cast<uint16_t>(length), buffer};
    return rskvar(con, &record);
}

// The label text of a label argument into label (257 bytes); its length.
int column_label(RSKCON* con, const char* text, int length_or_number, char* label) {
    label[0] = '\0';
    if (text != nullptr) {
        int n = text_length(text, length_or_number);
        if (n > QOR_VAR_LABEL_MAX) n = QOR_VAR_LABEL_MAX;   // the label keeps its first 256
        std::memcpy(label, text, static_cast<size_t>(n));
        label[n] = '\0';
        return n;
    }
    if (length_or_number == 0) return 0;
    const int number = length_or_number > 0 ? length_or_number : -length_or_number;
    int full = 0;
    if (xpmtext(598, number, label, QOR_VAR_LABEL_MAX + 1, &full) != 0) {
        label[0] = '\0';
        return 0;
    }
    int n = full > QOR_VAR_LABEL_MAX ? QOR_VAR_LABEL_MAX : full;
    if (length_or_number < 0 && n < 251) {
        // Amount columns name the run's base currency.
        const RSKRUNRESULTS* r = rskres_run(con);
        char currency[4] = "   ";
        if (r != nullptr) std::memcpy(currency, r->base_currency, 3);
        n += std::snprintf(label + n, static_cast<size_t>(QOR_VAR_LABEL_MAX + 1 - n), " (%.3s)",
                           currency);
    }
    return n;
}

}  // namespace

int get_format(RSKCON* con, const char* name, int name_length, char* format, int* format_length,
               int* width, int* decimals) {
    if (con == nullptr || con->options == nullptr) return 0;
    const RSKPATHNAME& formats = con->options->current.formats;
    const int text_size = formats.name.length;
    if (text_size <= 0 || formats.name.text == nullptr) return 0;
    const char* text = formats.name.text;
    name_length = text_length(name, name_length);
    if (name_length <= 0) return 0;
    // Entries are "NAME=FORMAT" separated by commas, semicolons or blanks; names match in any
    // case, and only at the start of an entry so that PL does not match inside NEGPL.
    for (int at = 0; at + name_length < text_size; ++at) {
        if (at > 0 && text[at - 1] != ',' && text[at - 1] != ';' && text[at - 1] != ' ') continue;
        bool same = true;
        for (int i = 0; i < name_length && same; ++i)
            same = std::toupper(static_cast<unsigned char>(text[at + i])) ==
                   std::toupper(static_cast<unsigned char>(name[i]));
        if (!same || text[at + name_length] != '=') continue;
        const int start = at + name_length + 1;
        int end = start;
        while (end < text_size && text[end] != ',' && text[end] != ';' && text[end] != ' ') ++end;
        const int token = end - start;
        if (token < 1 || token > 47) return 0;
        char parsed[QOR_FORMAT_NAME_MAX + 1];
        int parsed_length = 0;
        uint16_t w = 0, d = 0;
        if (zspltfm(text + start, token, parsed, &parsed_length, &w, &d) != 0) return 0;
        if (xfrname(nullptr, parsed, parsed_length, 0, nullptr, nullptr) != 0) return 0;
        if (parsed_length > 32) return 0;
        std::memset(format, ' ', 32);
        std::memcpy(format, parsed, static_cast<size_t>(parsed_length));
        *format_length = parsed_length;
        *width = w >= 65535 ? 0 : w;
        *decimals = d >= 65535 ? 0 : d;
        return 1;
    }
    return 0;
}

int putd(RSKRESDS* resds, const char* name, int name_length, int type, const char* label,
         int label_length, void* slot, int length, const char* format, int format_length,
         int width, int decimals) {
    qor_var_desc desc;
    xvnamei(&desc);
    name_length = text_length(name, name_length);
    if (name_length > QOR_VAR_NAME_MAX) name_length = QOR_VAR_NAME_MAX;
    std::memcpy(desc.name, name, static_cast<size_t>(name_length));
    desc.name[name_length] = '\0';
    desc.name_length = static_cast<int16_t>(name_length);
    desc.type = static_cast<int16_t>(type);
    desc.length = length;
    if (label_length > QOR_VAR_LABEL_MAX) label_length = QOR_VAR_LABEL_MAX;
    if (label_length > 0) std::memcpy(desc.label, label, static_cast<size_t>(label_length));
    desc.label[label_length > 0 ? label_length : 0] = '\0';
    desc.label_length = static_cast<int16_t>(label_length > 0 ? label_length : 0);
    if (format_length > QOR_VAR_NAME_MAX) format_length = QOR_VAR_NAME_MAX;
    if (format_length > 0) std::memcpy(desc.format, format, static_cast<size_t>(format_length));
    desc.format[format_length > 0 ? format_length : 0] = '\0';
    desc.format_length = static_cast<int16_t>(format_length > 0 ? format_length : 0);
    desc.format_width = static_cast<int16_t>(width);
    desc.format_decimals = static_cast<int16_t>(decimals);
    // Numbers are bound as doubles whatever their stored length.
    const int source_width = type == QOR_VAR_NUMERIC ? 8 : length;
    const int rc = xvputd(resds->definition, &desc, slot, source_width, nullptr);
    if (rc != 0) {
        xprrlog(1, rc);
        return 1;
    }
    return 0;
}

int add_variable(RSKCON* con, RSKRESDS* resds, int role, const char* name, int name_length,
                 int type, const char* label, int label_length_or_number, void* slot, int length,
                 value_set* levels, const char* format, int format_length, int width,
                 int decimals) {
    name_length = text_length(name, name_length);
    RSKVARIABLE* variable = column_variable(con, name, name_length);
    if (variable != nullptr) {
        if (variable->output_mark != 0) {
            if (con->debug_categories & RSKDEBUG_ON)
                xpslog("rskputd: Variable %*b skipped %s.", name_length, name,
                       "because out.flag2 already set");
            return 0;
        }
        variable->output_mark = 1;
    }

    char label_text[QOR_VAR_LABEL_MAX + 1];
    const int label_length = column_label(con, label, label_length_or_number, label_text);

    char format_text[33];
    std::memset(format_text, ' ', 32);
    format_text[32] = '\0';
    int format_chars = 0;
    format_length = text_length(format, format_length);
    if (format_length > 0) {
        format_chars = format_length > 32 ? 32 : format_length;
        std::memcpy(format_text, format, static_cast<size_t>(format_chars));
    } else if (type == QOR_VAR_NUMERIC) {
        format_text[0] = 'D';
        format_chars = 1;
        width = 10;
        decimals = 3;
    }
    get_format(con, name, name_length, format_text, &format_chars, &width, &decimals);
    format_chars = stripped_length(format_text, format_chars);

    ++resds->variable_count;
    int rc = 0;
    if (resds->destination != RSKDEST_NONE && role != 3)
        rc = putd(resds, name, name_length, type, label_text, label_length, slot, length,
                  format_text, format_chars, width, decimals);
    if (resds->database && role != 2 && role != 4 && rc == 0) {
        const RSKRUNRESULTS* r = rskres_run(con);
        const int drc = r != nullptr && r->mddb.define != nullptr
                            ? r->mddb.define(con, resds, role, name, name_length, type, label_text,
                                             label_length, slot, length, levels, format_text,
                                             format_chars, width, decimals)
                            : 1;
        if (drc != 0 && (con->debug_categories & RSKDEBUG_ON))
            xebug("rskputd: rskmdbv rc=%i for %*s for data set %u.", drc, name_length, name,
                  &resds->member.name);
    }
    if (rc != 0 && (con->debug_categories & RSKDEBUG_ON))
        xpmlog(598, 2516, name_length, name, resds->member.name.length, resds->member.name.text);
    return rc;
}

int percentile_name(double p, char* name) {
    const int k = static_cast<int>(std::floor(1000.0 * p + 0.000001 + 0.5));
    char digits[16];
    std::snprintf(digits, sizeof digits, "%3i", k);
    // Leading blanks become zeros; a zero in the last place is dropped (P_10, not P_100).
    for (int i = 0; i < 2 && digits[i] == ' '; ++i) digits[i] = '0';
    int n = static_cast<int>(std::strlen(digits));
    if (n == 3 && digits[2] == '0') n = 2;
    name[0] = 'P';
    name[1] = '_';
    std::memcpy(name + 2, digits, static_cast<size_t>(n));
    name[2 + n] = '\0';
    return 2 + n;
}

int rskres_message(char* buffer, int size, int number, ...) {
    char pattern[kRskLabelCapacity * 2];
    int length = 0;
    buffer[0] = '\0';
    if (xpmtext(598, number, pattern, sizeof pattern, &length) != 0) return 0;
    va_list args;
    va_start(args, number);
    const int full = qor_vformat(buffer, static_cast<size_t>(size), pattern, args);
    va_end(args);
    return full < size ? full : size - 1;
}
