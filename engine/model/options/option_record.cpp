// The option record's defaults and the standard percentiles, copies of option records, and
// reading one option by code.
#include "engine/model/options/engine_options.h"

#include <cstring>

#include "engine/model/options/option_fields.h"

namespace {

const double kPercentiles[kRskPercentiles] = {
    0.005, 0.01, 0.025, 0.05, 0.1, 0.2, 0.25, 0.3, 0.4, 0.5,
    0.6, 0.7, 0.75, 0.8, 0.9, 0.95, 0.975, 0.99, 0.995, 1.0,
};

// The name record of a text option and the inline buffer it belongs with.
RSKNAMEREC* name_of(RSKOPTREC* r, const RSKOPTFIELD* f, char** buffer, int* capacity) {
    switch (f->kind) {
    case RSKOPTF_PATH: {
        auto* p = opt_field<RSKPATHNAME>(r, f);
        *buffer = p->buffer;
        *capacity = kRskPathCapacity;
        return &p->name;
    }
    case RSKOPTF_NAME: {
        auto* p = opt_field<RSKOBJNAME>(r, f);
        *buffer = p->buffer;
        *capacity = kRskObjectNameCapacity;
        return &p->name;
    }
    case RSKOPTF_LIBREF: {
        auto* p = opt_field<RSKLIBNAME>(r, f);
        *buffer = p->buffer;
        *capacity = kRskLibrefCapacity;
        return &p->name;
    }
    case RSKOPTF_FORMAT: {
        auto* p = opt_field<RSKFMTFIELD>(r, f);
        *buffer = p->text.buffer;
        *capacity = kRskObjectNameCapacity;
        return &p->text.name;
    }
    default:
        return nullptr;
    }
}

// Points every name record of the record at its own buffer.
void own_names(RSKOPTREC* r) {
    for (int i = 0; i < kRskOptFieldCount; ++i) {
        char* buffer = nullptr;
        int capacity = 0;
        RSKNAMEREC* name = name_of(r, &kRskOptFields[i], &buffer, &capacity);
        if (name == nullptr) continue;
        name->text = buffer;
        name->capacity = static_cast<uint16_t>(capacity);
    }
}

bool is_boolean(const RSKOPTFIELD* f) {
    return f->kind == RSKOPTF_FLAG && f->rule != RSKRULE_CLAMP;
}

}  // namespace

void copy_options(RSKOPTREC* to, const RSKOPTREC* from) {
    if (to == from) return;
    std::memcpy(to, from, sizeof *to);
    own_names(to);
}

int default_options(RSKCON* con) {
    RSKOPTIONS* block = con->options;
    RSKOPTREC* d = &block->defaults;
    std::memset(d, 0, sizeof *d);
    own_names(d);
    for (int i = 0; i < kRskOptFieldCount; ++i) {
        const RSKOPTFIELD* f = &kRskOptFields[i];
        switch (f->kind) {
        case RSKOPTF_DOUBLE: *opt_double(d, f) = f->initial; break;
        case RSKOPTF_INT: *opt_int(d, f) = static_cast<int32_t>(f->initial); break;
        case RSKOPTF_FLAG: *opt_flag(d, f) = static_cast<uint8_t>(f->initial); break;
        case RSKOPTF_FORMAT: rskfmt(con, opt_field<RSKFMTFIELD>(d, f), f->text, -1, f->message); break;
        default: break;   // texts start empty
        }
    }
    copy_options(&block->current, d);
    block->reserved[0] = block->reserved[1] = 0;
    std::memcpy(block->percentiles, kPercentiles, sizeof kPercentiles);
    return 0;
}

int rskoptg(RSKCON*, int code, const RSKOPTREC* record, int* int_out, double* value_out,
            const RSKNAMEREC** text_out) {
    const RSKOPTFIELD* f = rskoptfield(code);
    if (f == nullptr || record == nullptr) return 0;
    auto* r = const_cast<RSKOPTREC*>(record);
    int value = 0;
    switch (f->kind) {
    case RSKOPTF_DOUBLE:
        if (value_out != nullptr) *value_out = *opt_double(r, f);
        return 0;
    case RSKOPTF_INT:
        value = *opt_int(r, f);
        break;
    case RSKOPTF_FLAG:
        value = *opt_flag(r, f);
        // A flag is on or off, however it was stored.
        if (is_boolean(f) && value != 0) value = 1;
        break;
    default: {
        char* buffer = nullptr;
        int capacity = 0;
        if (text_out != nullptr) *text_out = name_of(r, f, &buffer, &capacity);
        return 0;
    }
    }
    if (int_out != nullptr) *int_out = value;
    return value;
}
