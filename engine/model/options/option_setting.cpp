// Setting one option by its rule: bounds, flags, the power-of-two density grid, the archive
// directory, formats and names, and OUTALL, which switches the output flags with it.
#include <cmath>
#include <cstring>

#include "common/files/names.h"
#include "common/strings/fields.h"
#include "engine/model/names/name_records.h"
#include "engine/model/options/option_fields.h"
#include "host/kernel.h"
#include "host/print.h"

namespace {

// The flags that OUTALL switches; when it is switched off MITIGATION keeps its value.
const int kOutallCodes[] = {201, 202, 254, 212, 214, 213, 219, 227, 220, 221, 222, 223,
                            224, 235, 236, 268, 269, 272, 270, 271, 335, 211, 251, 210};

long bounded(long value, double low, double high) {
    if (value < static_cast<long>(low)) return static_cast<long>(low);
    if (value > static_cast<long>(high)) return static_cast<long>(high);
    return value;
}

int set_double(const RSKOPTFIELD* f, RSKOPTREC* record, double value) {
    // The host's missing value, and any other NaN, would pass every bound: refuse it.
    if (std::isnan(value)) {
        xebug("rskopts: missing value for %s.", f->text);
        return 1;
    }
    *opt_double(record, f) = value < f->low ? f->low : (value > f->high ? f->high : value);
    return 0;
}

int set_ndensity(const RSKOPTFIELD* f, RSKOPTREC* record, int asked) {
    long grid = bounded(asked, f->low, f->high);
    long stored = 2;
    while (stored < grid) stored *= 2;
    *opt_int(record, f) = static_cast<int32_t>(stored);
    if (stored != asked) xpmlog(598, 1424, static_cast<int>(f->low), static_cast<int>(f->high), static_cast<int>(stored), asked);
    return 0;
}

int set_outall(RSKOPTREC* record, int on) {
    record->outall = static_cast<uint8_t>(on);
    for (int code : kOutallCodes) {
        if (code == 335 && !on) continue;
        *opt_flag(record, rskoptfield(code)) = static_cast<uint8_t>(on);
    }
    return 0;
}

int set_archive(RSKCON* con, RSKOPTREC* record, const RSKOPTFIELD* f, const char* text, int length) {
    auto* archive = opt_field<RSKPATHNAME>(record, f);
    if (length == 0) {
        archive->name.length = 0;
        return 0;
    }
    if (zisdir(text, length) != 0) {
        xpmlog(598, 1421, length, text);
        return 1;
    }
    return rskpnam(con, archive, text, length);
}

int set_text(RSKCON* con, RSKOPTREC* record, const RSKOPTFIELD* f, const char* text, int length) {
    if (text == nullptr) length = 0;
    else if (length < 0) length = static_cast<int>(std::strlen(text));
    if (f->rule == RSKRULE_ARCHIVE) return set_archive(con, record, f, text, length);
    if (f->rule == RSKRULE_FORMAT) return rskfmt(con, opt_field<RSKFMTFIELD>(record, f), text, length, f->message);
    RSKNAMEREC* name = nullptr;
    int rc = 0;
    switch (f->kind) {
    case RSKOPTF_PATH: {
        auto* p = opt_field<RSKPATHNAME>(record, f);
        name = &p->name;
        rc = length > 0 ? rskpnam(con, p, text, length) : 0;
        break;
    }
    case RSKOPTF_NAME: {
        auto* p = opt_field<RSKOBJNAME>(record, f);
        name = &p->name;
        rc = length > 0 ? copy_cmrname(con, p, text, length) : 0;
        break;
    }
    default: {
        auto* p = opt_field<RSKLIBNAME>(record, f);
        name = &p->name;
        rc = length > 0 ? copy_libname(con, p, text, length) : 0;
        break;
    }
    }
    if (length == 0) name->length = 0;   // an empty value clears the option
    if (f->rule == RSKRULE_UPCASE && name->length > 0) wzstrup(name->text, name->length);
    return rc;
}

}  // namespace

int rskopts(RSKCON* con, int code, RSKOPTREC* record, int int_value, double value, const char* text,
            int length) {
    const RSKOPTFIELD* f = rskoptfield(code);
    if (f == nullptr || record == nullptr) {
        xebug("rskopts: invalid option code %i.", code);
        return 1;
    }
    switch (f->rule) {
    case RSKRULE_READONLY:
        return 1;
    case RSKRULE_OUTALL:
        return set_outall(record, int_value != 0);
    case RSKRULE_NDENSITY:
        return set_ndensity(f, record, int_value);
    case RSKRULE_FLAG:
        *opt_flag(record, f) = int_value != 0;
        return 0;
    case RSKRULE_STORE:
        if (f->kind == RSKOPTF_INT) {
            *opt_int(record, f) = int_value;
            return 0;
        }
        return set_text(con, record, f, text, length);
    case RSKRULE_CLAMP:
        if (f->kind == RSKOPTF_DOUBLE) return set_double(f, record, value);
        if (f->kind == RSKOPTF_INT) *opt_int(record, f) = static_cast<int32_t>(bounded(int_value, f->low, f->high));
        else *opt_flag(record, f) = static_cast<uint8_t>(bounded(int_value, f->low, f->high));
        return 0;
    default:
        return set_text(con, record, f, text, length);
    }
}
