// The steps that turn a complete source into runnable instances, callable one by one (cmpinit,
// cmpamin, cmppdv, cmpexi, cmpruni) and composed by cmpgen; options and method libraries.
#include <new>
#include <string>

#include "host/compiler.h"
#include "host/print.h"
#include "runtime/compiler/lexer.h"
#include "runtime/compiler/session.h"
#include "runtime/core/service_guard.h"

using namespace qor;
using namespace qor::cmp;

int cmpinit(cmp_init_record* record, cmp_session* s) try {
    if (!record) return 1;
    record->out[0] = record->out[1] = 0;
    if (!s || s->generated || s->ended) return record->status = 1;
    if (record->error) {
        s->hooks.error = record->error;
        s->hooks.user = record->user;
    }
    if (record->flags & CMP_INIT_TRACE) s->trace = 2;   // statement trace
    return record->status = 0;
}
QOR_SERVICE_CATCH(1)

int cmpamin(cmp_session* s) {
    if (!s) return 1;
    return s->generated || s->ended || s->code ? 2 : 0;
}

int cmpopts(cmp_session* s, const int* options, int count, int value) try {
    if (!s || (count > 0 && !options) || count < 0) return -1;
    for (int i = 0; i < count; ++i)
        if (options[i] != 2 && options[i] != 3) return i + 1;
    for (int i = 0; i < count; ++i) cmpopt2(s, options[i], value);
    return 0;
}
QOR_SERVICE_CATCH(-1)

int rsxlib(const cmp_library* libraries, int count, cmp_session* s) try {
    if (!s || s->ended || count < 1 || !libraries) return 0;
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) {
        const char* p = libraries[i].name;
        if (!p || libraries[i].length < 1) return 0;
        std::string n = upper(std::string_view(p, static_cast<size_t>(libraries[i].length)));
        while (!n.empty() && n.back() == ' ') n.pop_back();
        // "library" or "library.catalog": a library of up to 8 and a catalog of up to 32 characters
        size_t dot = n.find('.');
        std::string library = n.substr(0, dot);
        std::string catalog = dot == std::string::npos ? std::string() : n.substr(dot + 1);
        if (library.empty() || library.size() > 8) return 0;
        if (dot != std::string::npos && (catalog.empty() || catalog.size() > 32)) return 0;
        for (char c : library + catalog)
            if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return 0;
        names.push_back(n);
    }
    s->method_libraries = std::move(names);
    s->library_catalogs.clear();
    return count;
}
QOR_SERVICE_CATCH(-1)

int cmppdv(cmp_session* s) try {
    if (!s) return 1;
    if (s->generated || s->code) return 2;
    if (s->errors > 0 || !s->groups.empty() || s->open_method >= 0) {
        xpmlog(672, 4006);
        return 3;
    }
    std::string message;
    int line = 0;
    try {
        if (s->generate(message, line)) return 0;
    } catch (const std::bad_alloc&) {
        s->code.reset();
        ++s->errors;
        xpmlog(598, 2797, 0L, "program");
        return 5;
    }
    ++s->errors;
    char buf[1024];
    xpmstr(buf, sizeof buf, 672, 4000, static_cast<int>(message.size()), message.c_str(), line, 0, 0, "");
    if (s->hooks.error) s->hooks.error(s->hooks.user, buf, line, nullptr);
    else xpslog("%s", buf);
    return 4;
}
QOR_SERVICE_CATCH(1)

int cmpexi(cmp_session* s, int block) try {
    if (!s || !s->code) return 1;
    if (block >= static_cast<int>(s->instances.size())) return 2;
    if (block >= 0) {
        return reset_cmp_instance_keeping(s->instances[static_cast<size_t>(block)].get()) ? 0 : 5;
    }
    for (auto& in : s->instances)
        if (!reset_cmp_instance_keeping(in.get())) return 5;
    return 0;
}
QOR_SERVICE_CATCH(1)

int cmpruni(cmp_session* s, int nblocks) try {
    if (!s || nblocks < 1 || nblocks > 4096) return 1;
    if (!s->code) return 3;
    if (s->generated) return 2;
    try {
        for (int b = 0; b < nblocks; ++b) s->instances.push_back(make_cmp_instance(s, b));
    } catch (const std::bad_alloc&) {
        s->instances.clear();
        xpmlog(598, 2797, 0L, "program");
        return 5;
    }
    s->generated = true;
    return 0;
}
QOR_SERVICE_CATCH(1)

int cmpgen(cmp_session* s, int nblocks) try {
    if (!s || nblocks < 1 || nblocks > 4096) return 1;
    if (s->generated) return 2;
    if (!s->code) {
        int rc = cmppdv(s);
        if (rc != 0) return rc;
    }
    int rc = cmpexi(s, -1);
    if (rc != 0) return rc;
    return cmpruni(s, nblocks);
}
QOR_SERVICE_CATCH(1)
