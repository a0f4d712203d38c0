// Variables of a data set: finding them by name, describing them, and defining new ones in
// an output data set before its first observation.
#include <cctype>
#include <climits>
#include <cstring>

#include "host/missing.h"
#include "runtime/core/service_guard.h"
#include "runtime/storage/dataset_internal.h"

using namespace qor::runtime;

namespace {

void copy_text(const std::string& text, char* to, int16_t* length, size_t max) {
    size_t n = text.size() < max ? text.size() : max;
    std::memcpy(to, text.data(), n);
    to[n] = '\0';
    *length = static_cast<int16_t>(n);
}

// A counted text of a description: the given length, or up to the first NUL when it is out
// of range, never more than max.
std::string text_of(const char* text, int16_t length, size_t max) {
    size_t n = 0;
    size_t limit = length >= 0 && static_cast<size_t>(length) <= max ? static_cast<size_t>(length) : max;
    while (n < limit && text[n] != '\0') ++n;
    while (n > 0 && text[n - 1] == ' ') --n;
    return std::string(text, n);
}

}  // namespace

namespace qor::runtime {

// Defines a variable from a description; its index in *index. 0 or a failure.
int ds_define_variable(qor_dataset* ds, const qor_var_desc* desc, int* index) {
    std::string name = ds_clean_name(desc->name, desc->name_length >= 0 ? static_cast<size_t>(desc->name_length) : 0);
    if (name.empty()) return QOR_DS_BAD_VARIABLE;
    int found = ds_find_variable(ds->layout, name);
    if (found >= 0) {
        if (ds->layout.variables[static_cast<size_t>(found)].type != desc->type) return QOR_DS_BAD_VARIABLE;
        *index = found;
        return 0;
    }
    if (ds->access != QOR_OPEN_OUTPUT || ds->layout_fixed) return QOR_DS_LAYOUT_FIXED;
    bool numeric = desc->type == QOR_VAR_NUMERIC;
    if (!numeric && desc->type != QOR_VAR_CHARACTER) return QOR_DS_BAD_VARIABLE;
    int length = desc->length;
    if (numeric ? length < QOR_NUMERIC_MIN_LENGTH || length > QOR_NUMERIC_MAX_LENGTH
                : length < 1 || length > QOR_CHARACTER_MAX_LENGTH)
        return QOR_DS_BAD_VARIABLE;
    if (ds->layout.variables.size() >= static_cast<size_t>(kDsMaxVariables) ||
        ds->layout.record_length > INT32_MAX - length)
        return QOR_DS_BAD_VARIABLE;
    ds_variable v;
    v.name = name;
    v.type = desc->type;
    v.length = length;
    v.offset = ds->layout.record_length;
    v.label = text_of(desc->label, desc->label_length, QOR_VAR_LABEL_MAX);
    v.format = text_of(desc->format, desc->format_length, QOR_VAR_NAME_MAX);
    v.informat = text_of(desc->informat, desc->informat_length, QOR_VAR_NAME_MAX);
    v.format_width = desc->format_width;
    v.format_decimals = desc->format_decimals;
    v.informat_width = desc->informat_width;
    v.informat_decimals = desc->informat_decimals;
    // The reader takes only what passes these checks, so nothing else is ever written.
    std::string why;
    if (!ds_format_fields_ok("format", v.format, v.format_width, v.format_decimals, &why) ||
        !ds_format_fields_ok("informat", v.informat, v.informat_width, v.informat_decimals, &why))
        return QOR_DS_BAD_VARIABLE;
    ds_add_variable(&ds->layout, v);
    ds->layout.record_length += length;
    // The new variable starts missing or blank; the others keep their bytes.
    ds->record.resize(static_cast<size_t>(ds->layout.record_length));
    if (numeric) ds_store_number(ds->record.data() + v.offset, length, qor::missing());
    else std::memset(ds->record.data() + v.offset, ' ', static_cast<size_t>(length));
    *index = static_cast<int>(ds->layout.variables.size()) - 1;
    return 0;
}

// Fixes the variables of an output data set: no more definitions, observations may follow.
void ds_fix_layout(qor_dataset* ds) {
    if (ds->layout_fixed) return;
    ds->layout_fixed = true;
    ds->data_offset = ds_data_offset(ds->layout.variables.size());
}

}  // namespace qor::runtime

int xvfind(qor_dataset* dataset, const char* name, int name_length, int* number, int) try {
    if (number != nullptr) *number = 0;
    if (dataset == nullptr || name == nullptr || number == nullptr) return QOR_DS_NULL_ARGUMENT;
    if (name_length < 0) name_length = static_cast<int>(std::strlen(name));
    std::string wanted = ds_clean_name(name, static_cast<size_t>(name_length));
    int index = wanted.empty() ? -1 : ds_find_variable(dataset->layout, wanted);
    if (index < 0) return QOR_DS_NOT_FOUND;
    *number = index + 1;
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xvname(qor_dataset* dataset, int number, qor_var_desc* desc) try {
    if (dataset == nullptr || desc == nullptr) return QOR_DS_NULL_ARGUMENT;
    if (number < 1 || static_cast<size_t>(number) > dataset->layout.variables.size())
        return QOR_DS_NOT_FOUND;
    const ds_variable& v = dataset->layout.variables[static_cast<size_t>(number - 1)];
    std::memset(desc, 0, sizeof *desc);
    desc->number = number;
    desc->type = static_cast<int16_t>(v.type);
    desc->length = v.length;
    copy_text(v.name, desc->name, &desc->name_length, QOR_VAR_NAME_MAX);
    copy_text(v.label, desc->label, &desc->label_length, QOR_VAR_LABEL_MAX);
    copy_text(v.format, desc->format, &desc->format_length, QOR_VAR_NAME_MAX);
    desc->format_width = static_cast<int16_t>(v.format_width);
    desc->format_decimals = static_cast<int16_t>(v.format_decimals);
    copy_text(v.informat, desc->informat, &desc->informat_length, QOR_VAR_NAME_MAX);
    desc->informat_width = static_cast<int16_t>(v.informat_width);
    desc->informat_decimals = static_cast<int16_t>(v.informat_decimals);
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xvnamei(qor_var_desc* desc) try {
    if (desc == nullptr) return QOR_DS_NULL_ARGUMENT;
    std::memset(desc, 0, sizeof *desc);
    desc->type = QOR_VAR_NUMERIC;
    desc->length = 8;
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xvsele(qor_dataset* dataset) try {
    if (dataset == nullptr) return QOR_DS_NULL_ARGUMENT;
    ds_fix_layout(dataset);
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)
