// Feeds random and mutated statement texts to the methods compiler: each input is split into
// pushes at newlines, then generated and run once with a bounded loop budget.
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
    // runs only programs without backward jumps written by hand, so that a fuzzed loop cannot hang
    if (cmpprss(s, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0) == CMP_COMPLETE &&
        text.find("goto") == std::string::npos && text.find("GOTO") == std::string::npos &&
        text.find("while") == std::string::npos && text.find("WHILE") == std::string::npos &&
        text.find("until") == std::string::npos && text.find("UNTIL") == std::string::npos &&
        text.find(" to ") == std::string::npos && text.find(" TO ") == std::string::npos &&
        cmpgen(s, 1) == 0)
        cmpfrun(cmpinsb(s, 0), 0);
    cmpends(s);
    return 0;
}
