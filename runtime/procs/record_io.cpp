// Reading and writing whole stored observations for the built-in procedures, with the input
// and output data set options applied on the way.
#include "runtime/procs/record_io.h"

#include <algorithm>
#include <cstring>

#include "host/files.h"
#include "host/print.h"

namespace qor::runtime {

namespace {

bool member_exists(const DatasetName& name, const char* type) {
    return xdfxst2(name.libref.c_str(), name.member.data(), static_cast<int>(name.member.size()), type) == 0;
}

void copy_text(const std::string& text, char* to, int16_t* length, size_t capacity) {
    size_t n = std::min(text.size(), capacity);
    std::memcpy(to, text.data(), n);
    to[n] = '\0';
    *length = static_cast<int16_t>(n);
}

qor_var_desc describe(const ds_variable& v, const std::string& name) {
    qor_var_desc d;
    xvnamei(&d);
    d.type = static_cast<int16_t>(v.type);
    d.length = v.length;
    copy_text(name, d.name, &d.name_length, QOR_VAR_NAME_MAX);
    copy_text(v.label, d.label, &d.label_length, QOR_VAR_LABEL_MAX);
    copy_text(v.format, d.format, &d.format_length, QOR_VAR_NAME_MAX);
    d.format_width = static_cast<int16_t>(v.format_width);
    d.format_decimals = static_cast<int16_t>(v.format_decimals);
    copy_text(v.informat, d.informat, &d.informat_length, QOR_VAR_NAME_MAX);
    d.informat_width = static_cast<int16_t>(v.informat_width);
    d.informat_decimals = static_cast<int16_t>(v.informat_decimals);
    return d;
}

bool missing_name(const char* proc, const std::string& option, const std::string& variable,
                  const DatasetSpec& spec) {
    xpslog("%1zPROC %s: variable %s of the %s= option on line %i is not in %s.", proc, variable.c_str(),
           option.c_str(), spec.line, spec.name.text().c_str());
    return false;
}

// The variables that KEEP=, DROP= and RENAME= leave, in their order; false after a message.
bool shape_variables(const DatasetSpec& spec, const std::vector<ds_variable>& all, const char* proc,
                     std::vector<size_t>* kept, std::vector<std::string>* names) {
    for (const std::string& n : spec.keep)
        if (find_variable(all, n) < 0) return missing_name(proc, "KEEP", n, spec);
    for (const std::string& n : spec.drop)
        if (find_variable(all, n) < 0) return missing_name(proc, "DROP", n, spec);
    for (const auto& r : spec.rename)
        if (find_variable(all, r.first) < 0) return missing_name(proc, "RENAME", r.first, spec);
    for (size_t i = 0; i < all.size(); ++i) {
        std::string upper = upper_word(all[i].name);
        if (!spec.keep.empty() && std::find(spec.keep.begin(), spec.keep.end(), upper) == spec.keep.end()) continue;
        if (std::find(spec.drop.begin(), spec.drop.end(), upper) != spec.drop.end()) continue;
        std::string name = all[i].name;
        for (const auto& r : spec.rename)
            if (r.first == upper) name = r.second;
        for (const std::string& earlier : *names)
            if (upper_word(earlier) == upper_word(name)) {
                xpslog("%1zPROC %s: RENAME= on line %i gives two variables of %s the name %s.", proc,
                       spec.line, spec.name.text().c_str(), name.c_str());
                return false;
            }
        kept->push_back(i);
        names->push_back(name);
    }
    return true;
}

bool term_holds(const unsigned char* record, const ds_variable& v, const WhereTerm& t) {
    int c;
    if (v.type == QOR_VAR_NUMERIC) {
        c = compare_numbers(record_number(record, v), t.number);
    } else {
        // Blank-padded comparison: the shorter side counts as padded with blanks.
        std::string_view a = record_text(record, v);
        size_t n = std::max(a.size(), t.value.size());
        c = 0;
        for (size_t i = 0; i < n && c == 0; ++i) {
            auto x = static_cast<unsigned char>(i < a.size() ? a[i] : ' ');
            auto y = static_cast<unsigned char>(i < t.value.size() ? t.value[i] : ' ');
            c = x < y ? -1 : (x > y ? 1 : 0);
        }
    }
    if (t.op == "=") return c == 0;
    if (t.op == "^=") return c != 0;
    if (t.op == "<") return c < 0;
    if (t.op == "<=") return c <= 0;
    if (t.op == ">") return c > 0;
    return c >= 0;
}

}  // namespace

int find_variable(const std::vector<ds_variable>& variables, const std::string& name) {
    std::string upper = upper_word(name);
    for (size_t i = 0; i < variables.size(); ++i)
        if (upper_word(variables[i].name) == upper) return static_cast<int>(i);
    return -1;
}

// Reader ---------------------------------------------------------------------------------

RecordReader::~RecordReader() { close(); }

void RecordReader::close() {
    if (ds_) xoclose(ds_, 0);
    ds_ = nullptr;
}

bool RecordReader::open(const DatasetSpec& spec, const char* proc, bool all_observations) {
    proc_ = proc;
    name_ = spec.name.text();
    const char* type = member_exists(spec.name, "DATA    ") ? "DATA    " : member_exists(spec.name, "VIEW    ") ? "VIEW    " : nullptr;
    if (type == nullptr) {
        xpslog("%1zPROC %s: data set %s on line %i does not exist.", proc, name_.c_str(), spec.line);
        return false;
    }
    view_ = type[0] == 'V';
    qor_open_request request = open_request(spec.name, QOR_OPEN_INPUT);
    std::memcpy(request.member_type, type, 8);
    int rc = xoopen(&ds_, &request);
    if (rc != 0) {
        ds_ = nullptr;
        xpslog("%1zPROC %s: data set %s on line %i cannot be opened.", proc, name_.c_str(), spec.line);
        xprrlog(1, rc);
        return false;
    }
    const std::vector<ds_variable>& all = ds_->layout.variables;
    std::vector<size_t> kept;
    std::vector<std::string> names;
    if (!shape_variables(spec, all, proc, &kept, &names)) return false;
    for (size_t k = 0; k < kept.size(); ++k) {
        visible_.push_back(all[kept[k]]);
        visible_.back().name = names[k];
    }
    // WHERE= names the variables as RENAME= leaves them.
    for (const auto& group : spec.where) {
        where_.emplace_back();
        for (const WhereTerm& t : group) {
            int i = -1;
            for (size_t k = 0; k < all.size() && i < 0; ++k) {
                std::string current = all[k].name;
                for (const auto& r : spec.rename)
                    if (r.first == upper_word(current)) current = r.second;
                if (upper_word(current) == t.variable) i = static_cast<int>(k);
            }
            if (i < 0) return missing_name(proc, "WHERE", t.variable, spec);
            const ds_variable& v = all[static_cast<size_t>(i)];
            if ((v.type == QOR_VAR_CHARACTER) != t.text) {
                xpslog("%1zPROC %s: WHERE= on line %i compares the %s variable %s with a %s.", proc,
                       spec.line, v.type == QOR_VAR_CHARACTER ? "character" : "numeric", v.name.c_str(),
                       t.text ? "quoted text" : "number");
                return false;
            }
            where_.back().push_back(Condition{v, t});
        }
    }
    window_ = observation_window(ds_->layout.observations);
    if (all_observations) window_ = ObservationWindow{1, ds_->layout.observations};
    at_ = window_.first - 1;
    return true;
}

bool RecordReader::passes(const unsigned char* record) const {
    if (where_.empty()) return true;
    for (const auto& group : where_) {
        bool all = true;
        for (const Condition& c : group)
            if (!(all = term_holds(record, c.variable, c.term))) break;
        if (all) return true;
    }
    return false;
}

const unsigned char* RecordReader::next() {
    while (at_ < window_.last) {
        qor_obs_request request{};
        request.dataset = ds_;
        request.observation = ++at_;
        int rc = at_ == window_.first ? xoget(&request, QOR_GET_BY_NUMBER) : xoget(&request, QOR_GET_NEXT);
        if (rc != 0) {
            if (rc != QOR_DS_END_OF_DATA) {
                xofprc(&request, rc);
                failed_ = true;
            }
            return nullptr;
        }
        if (passes(ds_->current_bytes)) return ds_->current_bytes;
    }
    return nullptr;
}

// Writer ---------------------------------------------------------------------------------

RecordWriter::~RecordWriter() { abandon(); }

void RecordWriter::abandon() {
    if (ds_) xoclose(ds_, 1);
    ds_ = nullptr;
}

bool RecordWriter::open(const DatasetSpec& spec, const std::vector<ds_variable>& variables, const char* proc) {
    proc_ = proc;
    name_ = spec.name.text();
    if (!spec.where.empty()) {
        xpslog("%1zPROC %s: WHERE= on line %i applies to input data sets, not to %s.", proc, spec.line,
               name_.c_str());
        return false;
    }
    std::vector<size_t> kept;
    std::vector<std::string> names;
    if (!shape_variables(spec, variables, proc, &kept, &names)) return false;
    if (kept.empty()) {
        xpslog("%1zPROC %s: the data set options on line %i leave %s without variables.", proc, spec.line,
               name_.c_str());
        return false;
    }
    qor_open_request request = open_request(spec.name, QOR_OPEN_OUTPUT);
    int rc = xoopen(&ds_, &request);
    if (rc != 0) {
        ds_ = nullptr;
        xpslog("%1zPROC %s: data set %s cannot be created.", proc, name_.c_str());
        xprrlog(1, rc);
        return false;
    }
    output_number_.assign(variables.size(), 0);
    for (size_t k = 0; k < kept.size(); ++k) {
        qor_var_desc d = describe(variables[kept[k]], names[k]);
        int index = 0;
        if ((rc = ds_define_variable(ds_, &d, &index)) != 0) {
            xpslog("%1zPROC %s: variable %s cannot be defined in %s.", proc, names[k].c_str(), name_.c_str());
            xprrlog(1, rc);
            abandon();
            return false;
        }
        output_number_[kept[k]] = index + 1;
        copies_.push_back({variables[kept[k]], ds_->layout.variables[static_cast<size_t>(index)].offset});
    }
    ds_fix_layout(ds_);
    // The common case (nothing dropped or moved): one copy of the whole observation.
    whole_copy_ = ds_->layout.record_length == static_cast<int32_t>(ds_->record.size()) &&
                  copies_.size() == variables.size();
    int expected = 0;
    for (const auto& [source, offset] : copies_) {
        whole_copy_ = whole_copy_ && source.offset == offset && offset == expected;
        expected += source.length;
    }
    whole_copy_ = whole_copy_ && expected == ds_->layout.record_length;
    return true;
}

bool RecordWriter::write(const unsigned char* record) {
    if (whole_copy_) {
        std::memcpy(ds_->record.data(), record, ds_->record.size());
    } else {
        for (const auto& [source, offset] : copies_)
            std::memcpy(ds_->record.data() + offset, record + source.offset, static_cast<size_t>(source.length));
    }
    qor_obs_request request{};
    request.dataset = ds_;
    int rc = xoadd(&request);
    if (rc != 0) {
        xpslog("%1zPROC %s: an observation cannot be written to %s.", proc_.c_str(), name_.c_str());
        xprrlog(1, rc);
        return false;
    }
    ++written_;
    return true;
}

void RecordWriter::set_sort_keys(const std::vector<std::pair<size_t, bool>>& keys) {
    qor_sort_keys sk{};
    for (const auto& [index, descending] : keys) {
        if (sk.count == QOR_SORT_KEYS_MAX || index >= output_number_.size() || output_number_[index] == 0) break;
        sk.numbers[sk.count++] = descending ? -output_number_[index] : output_number_[index];
    }
    xosortk(ds_, &sk);
}

void RecordWriter::set_label(const std::string& label) {
    if (!label.empty()) xolabel(ds_, label.data(), static_cast<int>(label.size()));
}

bool RecordWriter::close() {
    int rc = xoclose(ds_, 0);
    ds_ = nullptr;
    if (rc != 0) {
        xpslog("%1zPROC %s: data set %s could not be put into its library and is unchanged.", proc_.c_str(),
               name_.c_str());
        return false;
    }
    return true;
}

}  // namespace qor::runtime
