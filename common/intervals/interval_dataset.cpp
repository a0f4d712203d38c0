// Interval detection and checking over a variable of a host data set: by open handle
// (zintdgp, zintdcp) or by "libref.member" and variable name (zintdgd, zintdcd).
#include <cstring>

#include "common/intervals/interval_detect_internal.h"
#include "common/intervals/interval_units.h"

namespace {

// Rewinds the data set after the work so the caller reads it from the start again; a failure
// there turns a verdict into a read error rather than leaving the handle somewhere unknown.
int rewound(interval_source* source, int result) {
    if (source->rewind(source) != 0 && result <= INTERVAL_CHECK_GAPS) return INTERVAL_DS_READ_ERROR;
    return result;
}

bool is_blank(char c) { return c == ' ' || c == '\0'; }

// "libref.member" or "member" (in WORK) into an input request; false when the name is empty,
// holds more than one point or an empty part, or a part is too long.
bool split_name(const char* name, int length, qor_open_request* request) {
    if (!name) return false;
    if (length < 0) length = static_cast<int>(std::strlen(name));
    int from = 0, to = length;
    while (from < to && is_blank(name[from])) ++from;
    while (to > from && is_blank(name[to - 1])) --to;
    int point = -1;
    for (int i = from; i < to; ++i) {
        if (name[i] != '.') continue;
        if (point >= 0) return false;
        point = i;
    }
    const char* libref = "WORK";
    int libref_length = 4;
    int member_from = from;
    if (point >= 0) {
        libref = name + from;
        libref_length = point - from;
        member_from = point + 1;
    }
    const int member_length = to - member_from;
    if (libref_length < 1 || libref_length > 8) return false;
    if (member_length < 1 || member_length > static_cast<int>(sizeof request->member.text))
        return false;
    std::memset(request, 0, sizeof *request);
    std::memset(request->libref, ' ', sizeof request->libref);
    std::memcpy(request->libref, libref, libref_length);
    request->member.length = static_cast<int16_t>(member_length);
    std::memcpy(request->member.text, name + member_from, member_length);
    std::memcpy(request->member_type, "DATA    ", 8);
    request->mode = QOR_OPEN_INPUT;
    return true;
}

// Opens the data set for input and finds its numeric variable: 0 with *out open (the caller
// closes it), or 102 to 106 with nothing left open.
int open_variable(const char* name, int namelen, const char* varname, int varnamelen,
                  qor_dataset** out, int* varnum) {
    *out = nullptr;
    qor_open_request request;
    if (!split_name(name, namelen, &request)) return INTERVAL_DS_BAD_NAME;
    qor_dataset* ds = nullptr;
    if (xoopen(&ds, &request) != 0 || !ds) return INTERVAL_DS_NOT_OPENED;
    if (varnamelen < 0) varnamelen = varname ? static_cast<int>(std::strlen(varname)) : 0;
    qor_var_desc desc;
    int rc = 0;
    if (!varname || varnamelen == 0 || xvfind(ds, varname, varnamelen, varnum, 0) != 0 ||
        xvname(ds, *varnum, &desc) != 0)
        rc = INTERVAL_DS_NO_VARIABLE;
    else if (desc.type != QOR_VAR_NUMERIC)
        rc = INTERVAL_DS_NOT_NUMERIC;
    else if (xvsele(ds) != 0)
        rc = INTERVAL_DS_READ_ERROR;
    if (rc != 0) {
        xoclose(ds, 1);
        return rc;
    }
    *out = ds;
    return 0;
}

}  // namespace

int zintdgp(qor_dataset* handle, int varnum, interval_spec* spec, interval_guess* guess) {
    if (!spec) return INTERVAL_CHECK_NULL;
    interval_unknown(spec);
    if (guess) std::memset(guess, 0, sizeof *guess);
    interval_source source;
    const int rc = interval_dataset_source(&source, handle, varnum);
    if (rc != 0) return rc;
    return rewound(&source, interval_detect_source(&source, spec, guess));
}

int zintdcp(qor_dataset* handle, int varnum, const interval_spec* spec, double* firstlast) {
    if (firstlast) firstlast[0] = firstlast[1] = interval_missing();
    if (!spec) return INTERVAL_CHECK_NULL;
    interval_source source;
    const int rc = interval_dataset_source(&source, handle, varnum);
    if (rc != 0) return rc;
    return rewound(&source, interval_check_source(&source, spec, firstlast));
}

int zintdgd(const char* name, int namelen, const char* varname, int varnamelen,
            interval_spec* spec, interval_guess* guess) {
    if (!spec) return INTERVAL_CHECK_NULL;
    interval_unknown(spec);
    if (guess) std::memset(guess, 0, sizeof *guess);
    qor_dataset* ds = nullptr;
    int varnum = 0;
    int rc = open_variable(name, namelen, varname, varnamelen, &ds, &varnum);
    if (rc != 0) return rc;
    rc = zintdgp(ds, varnum, spec, guess);
    xoclose(ds, 0);
    return rc;
}

int zintdcd(const char* name, int namelen, const char* varname, int varnamelen,
            const interval_spec* spec, double* firstlast) {
    if (firstlast) firstlast[0] = firstlast[1] = interval_missing();
    if (!spec) return INTERVAL_CHECK_NULL;
    qor_dataset* ds = nullptr;
    int varnum = 0;
    int rc = open_variable(name, namelen, varname, varnamelen, &ds, &varnum);
    if (rc != 0) return rc;
    rc = zintdcp(ds, varnum, spec, firstlast);
    xoclose(ds, 0);
    return rc;
}
