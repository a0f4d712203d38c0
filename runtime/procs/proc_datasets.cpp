// Naming, checking and reading data sets for the built-in procedures: one-level names go to
// WORK, an unassigned library is an error, and values are read one observation at a time.
#include "runtime/procs/proc_datasets.h"

#include <cctype>
#include <cstring>

#include "host/files.h"
#include "host/missing.h"
#include "host/print.h"
#include "runtime/procs/proc_statements.h"
#include "runtime/procs/step_tokens.h"
#include "runtime/storage/libraries.h"

namespace qor::runtime {

std::string DatasetName::text() const { return libref + "." + upper_text(member); }

bool parse_dataset_name(const std::string& text, const char* proc, int line, DatasetName* name) {
    size_t dot = text.find('.');
    name->libref = dot == std::string::npos ? "WORK" : upper_text(text.substr(0, dot));
    name->member = dot == std::string::npos ? text : text.substr(dot + 1);
    if (!valid_word_name(name->libref, 8) || !valid_word_name(name->member, QOR_VAR_NAME_MAX)) {
        xpslog("%1zPROC %s: %s on line %i is not a valid data set name (write lib.member or "
               "member).", proc, text.c_str(), line);
        return false;
    }
    if (library_directory(name->libref).empty()) {
        xpslog("%1zPROC %s: library %s on line %i is not assigned.", proc, name->libref.c_str(),
               line);
        return false;
    }
    return true;
}

bool dataset_exists(const DatasetName& name) {
    // A view reads as a data set (xoopen runs it).
    for (const char* type : {"DATA    ", "VIEW    "})
        if (xdfxst2(name.libref.c_str(), name.member.data(), static_cast<int>(name.member.size()),
                    type) == 0)
            return true;
    return false;
}

qor_open_request open_request(const DatasetName& name, int mode) {
    qor_open_request r;
    std::memset(&r, 0, sizeof r);
    std::memset(r.libref, ' ', sizeof r.libref);
    std::memcpy(r.libref, name.libref.data(), name.libref.size());
    r.member.length = static_cast<int16_t>(name.member.size());
    std::memcpy(r.member.text, name.member.data(), name.member.size());
    std::memcpy(r.member_type, "DATA    ", 8);
    r.mode = mode;
    return r;
}

DatasetReader::~DatasetReader() {
    if (ds_) xoclose(ds_, 0);
}

bool DatasetReader::open(const DatasetName& name, const char* proc) {
    if (!dataset_exists(name)) {
        xpslog("%1zPROC %s: data set %s does not exist.", proc, name.text().c_str());
        return false;
    }
    qor_open_request request = open_request(name, QOR_OPEN_INPUT);
    int rc = xoopen(&ds_, &request);
    if (rc != 0) {
        xpslog("%1zPROC %s: data set %s cannot be opened.", proc, name.text().c_str());
        xprrlog(1, rc);
        return false;
    }
    int32_t count = 0;
    xoinfo(ds_, QOR_INFO_VARIABLES, &count);
    for (int i = 1; i <= count; ++i) {
        DatasetVariable v;
        if ((rc = xvname(ds_, i, &v.desc)) != 0) {
            xpslog("%1zPROC %s: the variables of data set %s cannot be read.", proc,
                   name.text().c_str());
            xprrlog(1, rc);
            return false;
        }
        v.name.assign(v.desc.name, static_cast<size_t>(v.desc.name_length));
        v.label.assign(v.desc.label, static_cast<size_t>(v.desc.label_length));
        variables_.push_back(v);
    }
    int64_t observations = 0;
    xoinfo(ds_, QOR_INFO_OBSERVATIONS, &observations);
    window_ = observation_window(observations);
    at_ = window_.first - 1;
    return true;
}

int DatasetReader::next() {
    if (at_ >= window_.last) return 0;
    qor_obs_request request{};
    request.dataset = ds_;
    request.observation = ++at_;
    int rc = at_ == window_.first ? xoget(&request, QOR_GET_BY_NUMBER) : xoget(&request, QOR_GET_NEXT);
    if (rc == 0) return 1;
    if (rc == QOR_DS_END_OF_DATA) return 0;
    xofprc(&request, rc);
    return -1;
}

bool DatasetReader::rewind() {
    at_ = window_.first - 1;
    return true;
}

long DatasetReader::observations() const { return static_cast<long>(window_.count()); }

double DatasetReader::number(size_t index) const {
    double value = qor::missing();
    xvget1f(ds_, static_cast<int>(index) + 1, &value);
    return value;
}

std::string DatasetReader::text(size_t index) const {
    std::string value(static_cast<size_t>(variables_[index].desc.length), ' ');
    int length = 0;
    if (xvget1c(ds_, static_cast<int>(index) + 1, value.data(), static_cast<int>(value.size()),
                &length) != 0)
        return "";
    value.resize(static_cast<size_t>(length));
    return value;
}

}  // namespace qor::runtime
