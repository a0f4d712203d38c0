// Rule checks over a compiled method's names: each plain name an environment variable that the
// method's kind may read or assign, each cast suffix one of CASTS, each two-level name a reference
// variable and an instrument variable (either order).
#include "engine/compiler/method_checks.h"

#include <cctype>
#include <cstring>

#include "engine/compiler/compiler_driver.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "host/compiler.h"
#include "host/print.h"

namespace {

// Data types that no method may use.
constexpr uint32_t kUnusableTypes[] = {61, 62};

RSKVARIABLE* variable_named(RSKCON* con, const char* name, int length) {
    if (length <= 0 || length > kRskObjectNameCapacity) return nullptr;
    RSKNAMEREC key{static_cast<uint16_t>(length), static_cast<uint16_t>(length), const_cast<char*>(name)};
    return rskvar(con, &key);
}

// Classes a method of the kind may read; null when the kind reads any.
const uint32_t* readable_classes(char kind, int* count) {
    static const uint32_t kInput[] = {1, 3, 5, 8};
    static const uint32_t kTransformation[] = {1, 2, 5, 8, 9};
    if (kind == 'I') {
        *count = 4;
        return kInput;
    }
    if (kind == 'T') {
        *count = 5;
        return kTransformation;
    }
    *count = 0;
    return nullptr;
}

struct Report {
    RSKCMPCON* handle;
    int mode;
    const RSKGENTRANS* method;
    int method_length() const { return static_cast<int>(method->name.name.length); }
    const char* method_name() const { return method->name.name.text; }
    template <typename... Args>
    void message(int number, Args... args) const {
        char text[512];
        xpmstr(text, sizeof text, 598, number, args...);
        rsk_method_report(handle, mode, text);
    }
};

// Access rules of an environment variable in a method of its kind: 1 refused, 0 usable.
int check_varaccess(const Report& r, const RSKVARIABLE* v, int flags) {
    const int vl = static_cast<int>(v->name.name.length);
    const char* vn = v->name.name.text;
    for (uint32_t type : kUnusableTypes) {
        if (v->data_type != type) continue;
        r.message(3113, vl, vn, static_cast<int>(type), r.method_length(), r.method_name());
        return 1;
    }
    if ((flags & CMP_SYM_ASSIGNED) && (v->kind == RSKVKIND_LAGVAL || v->kind == RSKVKIND_PARMAT)) {
        r.message(3111, vl, vn, r.method_length(), r.method_name());
        return 1;
    }
    int count = 0;
    const uint32_t* classes = readable_classes(r.method->kind, &count);
    if ((flags & CMP_SYM_READ) && classes != nullptr) {
        bool allowed = false;
        for (int i = 0; i < count; ++i) allowed = allowed || classes[i] == v->kind;
        if (!allowed) {
            r.message(3107, vl, vn, r.method_length(), r.method_name());
            return 1;
        }
    }
    return 0;
}

// Position of the last point of the name, or -1.
int last_point(const char* name, int length) {
    for (int i = length - 1; i >= 0; --i)
        if (name[i] == '.') return i;
    return -1;
}

}  // namespace

int verify_castsuffix(const char* name, int length) {
    const int dot = last_point(name, length);
    if (dot < 0) return -1;
    const char* suffix = name + dot + 1;
    const int suffix_length = length - dot - 1;
    for (int row = 0; row < kRskCastCount; ++row) {
        if (CASTS_L[row] != suffix_length) continue;
        bool same = true;
        for (int i = 0; i < suffix_length && same; ++i)
            same = std::toupper(static_cast<unsigned char>(suffix[i])) == CASTS[row][i];
        if (same) return row;
    }
    return -1;
}

int verify_instrref(RSKCON* con, const char* first, int first_length, const char* second, int second_length) {
    // The first part may itself be two-level: its text before its own first point names it.
    const char* point = static_cast<const char*>(std::memchr(first, '.', static_cast<size_t>(first_length)));
    if (point != nullptr) first_length = static_cast<int>(point - first);
    const RSKVARIABLE* a = variable_named(con, first, first_length);
    const RSKVARIABLE* b = variable_named(con, second, second_length);
    if (a == nullptr || b == nullptr) return 0;
    return (a->kind == RSKVKIND_REFERENCE && b->kind == RSKVKIND_INSTRUMENT) ||
           (a->kind == RSKVKIND_INSTRUMENT && b->kind == RSKVKIND_REFERENCE);
}

int check_method_name(RSKGENTRANS* method, RSKCMPCON* handle, cmp_symbol*, const char* name, int flags, int mode) {
    const Report r{handle, mode, method};
    RSKCON* con = method->con;
    const int length = static_cast<int>(std::strlen(name));
    // Names of the engine's own making (structures, glue, the return value) are not the user's.
    if (length == 0 || name[0] == '_') return 0;
    const int dot = last_point(name, length);
    if (dot >= 0) {
        if (verify_castsuffix(name, length) >= 0) return 0;
        const char* second = name + dot + 1;
        const int second_length = length - dot - 1;
        if (verify_instrref(con, name, dot, second, second_length)) return 0;
        char text[512];
        xpsstr(text, sizeof text, "%2zInvalid '.' notation if variable %*s.%*s.", dot, name, second_length, second);
        rsk_method_report(handle, mode, text);
        const RSKVARIABLE* a = variable_named(con, name, dot);
        if (a != nullptr && a->kind == RSKVKIND_REFERENCE)
            xpsstr(text, sizeof text, "    %*s is a reference var but %*s is not an instrument var.", dot, name,
                   second_length, second);
        else
            xpsstr(text, sizeof text, "    %*s is a instrument var but %*s is not an reference var.", dot, name,
                   second_length, second);
        rsk_method_report(handle, mode, text);
        return 0;
    }
    const RSKVARIABLE* variable = variable_named(con, name, length);
    if (variable == nullptr) {
        // A name of the method's own: reported when it is only read or only assigned.
        if (!(flags & CMP_SYM_ASSIGNED))
            r.message(3163, length, name, r.method_length(), r.method_name());
        else if (!(flags & CMP_SYM_READ))
            r.message(3162, length, name, r.method_length(), r.method_name());
        return 0;
    }
    return check_varaccess(r, variable, flags);
}
