// Compiled functions: methods (scoring models among them) loaded from the method catalog by a
// chain of entries, found by name and called with values copied in and results copied out.
#include <memory>
#include <string>

#include "host/compiler.h"
#include "runtime/compiler/lexer.h"
#include "runtime/compiler/session.h"
#include "runtime/core/service_guard.h"

using namespace qor;
using namespace qor::cmp;

int cmpvtql(cmp_session* s, const char* const* entries, const int* lengths, int count) try {
    if (!s || !entries || count < 1 || s->closed() || s->ended) return 0;
    for (int i = 0; i < count; ++i) {
        if (!entries[i]) return 0;
        int n = lengths ? lengths[i] : -1;
        if (cmpisl(s, entries[i], n, nullptr) != 0) return 0;
    }
    return count;
}
QOR_SERVICE_CATCH(-1)

const cmp_function* cmpfnc(cmp_session* s, const char* name, int length) try {
    if (!s || !s->code || !name) return nullptr;
    if (length < 0) length = static_cast<int>(std::char_traits<char>::length(name));
    std::string n = upper(std::string_view(name, static_cast<size_t>(length)));
    while (!n.empty() && n.back() == ' ') n.pop_back();
    for (auto& f : s->functions)
        if (f->name == n) return f.get();
    auto found = s->code->method_by_name.find(n);
    if (found != s->code->method_by_name.end()) {
        const MethodRange& m = s->code->methods[found->second];
        bool has_blocks = false;
        for (uint32_t b : m.blocks) has_blocks = has_blocks || b != MethodRange::kNone;
        uint32_t pc = m.start;
        if (has_blocks) {
            if (m.blocks[2] == MethodRange::kNone) return nullptr;   // no MAIN to call
            pc = m.blocks[2];
        }
        s->functions.push_back(std::make_unique<cmp_function>(cmp_function{n, pc}));
        return s->functions.back().get();
    }
    return nullptr;
}
QOR_SERVICE_CATCH(nullptr)

int cmpfncn(cmp_instance* in, const cmp_function* fn, const cmp_fnc_arg* args, int nargs) {
    if (!in || !fn || nargs < 0 || (nargs > 0 && !args)) return 1;
    for (int i = 0; i < nargs; ++i) {
        if (!args[i].value) return 1;
        double* at = cmppdva(in, args[i].symbol);
        if (!at) return 1;
        if (args[i].direction & CMP_FNC_IN) *at = *args[i].value;
    }
    int rc = in->check_bases();
    if (rc != 0) return rc;
    in->budget_used = 0;
    rc = in->call_method(fn->pc);
    if (rc != 0) return rc;
    for (int i = 0; i < nargs; ++i)
        if (args[i].direction & CMP_FNC_OUT) *args[i].value = *cmppdva(in, args[i].symbol);
    return 0;
}
