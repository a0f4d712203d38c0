// One methods program run under a chosen tier, with everything it leaves behind written down in
// order (PUT lines, errors with their line, run statuses, missing counts, every value bit for bit),
// so that the interpreter's record and the machine code's can be compared line by line.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "common/methods/methods_library.h"
#include "host/compiler.h"

namespace tiers {

struct Program {
    std::vector<std::string> statements;
    // Before the statements: structures, special functions, options (trace, budget).
    std::function<void(cmp_session*)> declare;
    // Before each run: bind records, set inputs for run `run`.
    std::function<void(cmp_session*, cmp_instance*, int run)> bind;
    // After each run: what the run wrote outside the frame (records), appended to the record.
    std::function<void(std::vector<std::string>& record)> observe;
    int runs = 1;
    long budget = 0;   // CMP_OPTION_BUDGET (0: none)
};

struct Outcome {
    int generated = -1;                 // cmpgen's answer; -2 when the source was not complete
    int tier = 0;                       // cmptier after the last run
    std::vector<std::string> record;    // in the order things happened
    std::vector<std::string> printed;   // PUT and trace lines alone
};

inline std::string bits_text(double v) {
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%016llx (%.17g)", static_cast<unsigned long long>(b), v);
    return buf;
}

// Every numeric and character variable of the instance, and every element of its matrices.
inline void record_values(cmp_session* s, cmp_instance* in, std::vector<std::string>& out) {
    for (cmp_symbol* sym = cmplstv(s); sym; sym = cmpsymnext(sym)) {
        std::string name = cmpsymname(sym);
        char kind = cmpsymkind(sym);
        if (kind == 'v') {
            if (double* v = cmppdva(in, sym)) {
                out.push_back("value " + name + " = " + bits_text(*v));
            } else {
                char text[512];
                int n = cmptext(in, sym, text, sizeof text);
                if (n >= 0) out.push_back("text " + name + " = '" + std::string(text, static_cast<size_t>(n)) + "'");
            }
        } else if (kind == 'm') {
            int rows = 0, columns = 0;
            if (cmpmtrxe(in, sym, &rows, &columns) < 0) continue;
            for (int r = 1; r <= rows; ++r)
                for (int c = 1; c <= (columns ? columns : 1); ++c) {
                    if (double* v = cmpmatn(in, sym, r, c))
                        out.push_back("element " + name + "[" + std::to_string(r) + "," + std::to_string(c) +
                                      "] = " + bits_text(*v));
                }
        }
    }
}

// Runs `p` in a session of its own whose runs use `tier` (CMP_TIER_VM or CMP_TIER_NATIVE).
inline Outcome run_under(int tier, const Program& p) {
    Outcome o;
    cmp_session* s = nullptr;
    cmp_hooks hooks{};
    hooks.user = &o;
    hooks.error = [](void* u, const char* m, int line, const char* method) {
        static_cast<Outcome*>(u)->record.push_back("error at line " + std::to_string(line) + " (" +
                                                  (method ? method : "") + "): " + m);
    };
    hooks.print = [](void* u, const char* l, int n) {
        auto* out = static_cast<Outcome*>(u);
        out->record.push_back("put: " + std::string(l, static_cast<size_t>(n)));
        out->printed.emplace_back(l, static_cast<size_t>(n));
    };
    if (cmpints(&s, &hooks) != 0) return o;
    cmpopt2(s, CMP_OPTION_TIER, tier);
    if (p.budget) cmpopt2(s, CMP_OPTION_BUDGET, static_cast<int>(p.budget));
    methods_install_library(s);
    if (p.declare) p.declare(s);
    char log[512], err[512];
    for (size_t i = 0; i < p.statements.size(); ++i) {
        const std::string& st = p.statements[i];
        int rc = cmpprss(s, st.c_str(), static_cast<int>(st.size()), log, sizeof log, err, sizeof err);
        if (rc > 0) o.record.push_back("refused statement " + std::to_string(i + 1));
    }
    if (cmpprss(s, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0) != CMP_COMPLETE) {
        o.generated = -2;
    } else {
        o.generated = cmpgen(s, 1);
    }
    if (o.generated == 0) {
        cmp_instance* in = cmpinsb(s, 0);
        for (int r = 0; r < p.runs; ++r) {
            if (p.bind) p.bind(s, in, r);
            int rc = cmpfrun(in, r);
            o.record.push_back("run " + std::to_string(r) + ": status " + std::to_string(rc) + ", missing made " +
                               std::to_string(cmpmissn(in)));
            record_values(s, in, o.record);
            if (p.observe) p.observe(o.record);
        }
        o.tier = cmptier(in);
    }
    cmpends(s);
    return o;
}

// The first place two records part (empty when they are the same).
inline std::string first_difference(const Outcome& a, const Outcome& b) {
    if (a.generated != b.generated)
        return "generation answered " + std::to_string(a.generated) + " vs " + std::to_string(b.generated);
    size_t n = std::min(a.record.size(), b.record.size());
    for (size_t i = 0; i < n; ++i)
        if (a.record[i] != b.record[i]) return "entry " + std::to_string(i) + ":\n  " + a.record[i] + "\n  " + b.record[i];
    if (a.record.size() != b.record.size())
        return "one record is longer: " + std::to_string(a.record.size()) + " vs " + std::to_string(b.record.size()) +
               " entries; next: " + (a.record.size() > n ? a.record[n] : b.record[n]);
    return "";
}

}  // namespace tiers
