// The WHERE adapter: name resolution among the variables a filter may use, with the type and
// length of each value told to the host explicitly, and the calls of the host's WHERE services.
#include "engine/model/filters/where_adapter.h"

#include <cctype>
#include <cstring>

#include "engine/model/variables/variable_record.h"

namespace {

// Longest character value the host binds; also the size of the stand-in area.
constexpr int kLongestCharacterValue = 32767;

// What checking a text binds every name to: never evaluated, only there to be pointed at.
alignas(double) const char kStandInValue[kLongestCharacterValue + 1] = {};

struct Resolution {
    RSKCON* con;
    RskWhereValues values;
    RskWhereUse use;
    void* user;
    bool failed;                     // the last non-zero answer came from resolving a name
};

// Upper-cased comparison of a variable's name with a name of the expression (already upper case).
bool same_name(const RSKVARIABLE* variable, const char* name, int length) {
    int own = variable->name.name.length;
    if (own > kRskObjectNameCapacity) own = kRskObjectNameCapacity;
    if (own != length) return false;
    for (int i = 0; i < length; ++i)
        if (std::toupper(static_cast<unsigned char>(variable->name.name.text[i])) !=
            static_cast<unsigned char>(name[i]))
            return false;
    return true;
}

// The first variable of the definition order that a filter may use under that name.
RSKVARIABLE* filter_variable(const RSKCON* con, const char* name, int length) {
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if ((v->role_flags & kRskFilterRoleFlag) && same_name(v, name, length)) return v;
    return nullptr;
}

// The value's type and length: a plain double, or blank-padded characters. Anything else (a
// composite value, an integer or pointer storage) cannot be compared in an expression: false.
bool describe_value(const RSKVARIABLE* v, qor_where_binding* binding) {
    if (v->storage_type == RSKSTORE_DOUBLE && v->data_type != RSKDTYPE_ARRAY) {
        binding->type = QOR_WHERE_NUMERIC;
        binding->length = static_cast<int>(sizeof(double));
        return true;
    }
    if (v->storage_type == RSKSTORE_CHAR && v->length >= 1 && v->length <= kLongestCharacterValue) {
        binding->type = QOR_WHERE_CHARACTER;
        binding->length = v->length;
        return true;
    }
    return false;
}

int resolve(void* user, const char* name, int length, qor_where_binding* binding) {
    auto* r = static_cast<Resolution*>(user);
    r->failed = true;
    RSKVARIABLE* v = filter_variable(r->con, name, length);
    if (v == nullptr) return QOR_WHERE_NOT_FOUND;
    if (!describe_value(v, binding)) return QOR_WHERE_BAD_ARGUMENT;
    if (r->values == RskWhereValues::current) {
        if (v->value == nullptr) return QOR_WHERE_BAD_ARGUMENT;
        binding->address = v->value;
    } else {
        binding->address = kStandInValue;
    }
    if (r->use != nullptr) {
        int rc = r->use(r->user, v);
        if (rc != 0) return rc;
    }
    r->failed = false;
    return 0;
}

}  // namespace

int rsk_where_compile(RSKCON* con, const char* text, int length, RskWhereValues values, RskWhereUse use,
                      void* user, qor_where** out, bool* names_failed) {
    if (names_failed != nullptr) *names_failed = false;
    if (out != nullptr) *out = nullptr;
    if (con == nullptr || text == nullptr || out == nullptr) return QOR_WHERE_BAD_ARGUMENT;
    Resolution resolution{con, values, use, user, false};
    int rc = xwparse(text, length, resolve, &resolution, 0, out, nullptr, 0);
    if (rc != 0 && names_failed != nullptr) *names_failed = resolution.failed;
    if (rc != 0) *out = nullptr;
    return rc;
}

int rsk_where_evaluate(qor_where* where) { return xweval(where); }

void rsk_where_free(qor_where* where) { xwfree(where); }
