// Feeds random and mutated statement texts to the methods compiler: each input is split into
// pushes at newlines, then generated and run once under an instruction budget, so that loops
// and GOTOs are run too and one that never ends fails its run instead of hanging.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/methods/methods_library.h"
#include "host/compiler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    cmp_session* s = nullptr;
    cmp_hooks hooks{};
    hooks.error = [](void*, const char*, int, const char*) {};
    hooks.print = [](void*, const char*, int) {};
    if (cmpints(&s, &hooks) != 0) return 0;
    cmpopt2(s, CMP_OPTION_BUDGET, 20000);
    methods_install_library(s);
    cmpdyna(s);
    cmpfrna(s);
    std::string text(reinterpret_cast<const char*>(data), size);
    size_t start = 0;
    char log[256], err[256];
    while (start <= text.size()) {
        size_t nl = text.find('\n', start);
        std::string stmt = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
        cmpprss(s, stmt.c_str(), static_cast<int>(stmt.size()), log, sizeof log, err, sizeof err);
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    // data flow of whatever was accepted: every symbol's walk
    if (cmpdfla(s) == 0)
        for (cmp_symbol* sym = cmplstv(s); sym; sym = cmpsymnext(sym))
            for (cmp_symbol* d = cmpdeps(s, sym); d; d = cmpndep(s)) {
            }
    if (cmpprss(s, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0) == CMP_COMPLETE && cmpgen(s, 1) == 0) {
        int rc = cmpfrun(cmpinsb(s, 0), 0);
        // the program's own structures are never bound here, so CMP_RUN_UNBOUND is an answer too
        if (rc != CMP_RUN_OK && rc != CMP_RUN_FAILED && rc != CMP_RUN_UNBOUND) __builtin_trap();
    }
    cmpends(s);
    return 0;
}
