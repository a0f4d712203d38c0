// Test helpers for the methods compiler: compile a list of statements into a session,
// collect errors and PUT lines, read and write numeric and character variables.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/methods/methods_library.h"
#include "host/compiler.h"

struct Compiled {
    cmp_session* session = nullptr;
    std::vector<std::string> errors;     // compile and run-time error texts
    std::vector<int> error_lines;
    std::vector<std::string> printed;    // PUT lines
    int last_push = 0;
    int generate_rc = -1;

    Compiled() {
        cmp_hooks hooks{};
        hooks.user = this;
        hooks.error = [](void* u, const char* m, int line, const char*) {
            auto* c = static_cast<Compiled*>(u);
            c->errors.emplace_back(m);
            c->error_lines.push_back(line);
        };
        hooks.print = [](void* u, const char* l, int n) { static_cast<Compiled*>(u)->printed.emplace_back(l, n); };
        EXPECT_EQ(cmpints(&session, &hooks), 0);
        EXPECT_EQ(methods_install_library(session), 0);
    }
    ~Compiled() { cmpends(session); }
    Compiled(const Compiled&) = delete;
    Compiled& operator=(const Compiled&) = delete;

    // Pushes each statement; returns the number of refused statements.
    int push(const std::vector<std::string>& stmts) {
        int refused = 0;
        for (const std::string& s : stmts) {
            char log[512], err[512];
            last_push = cmpprss(session, s.c_str(), static_cast<int>(s.size()), log, sizeof log, err, sizeof err);
            if (last_push > 0) ++refused;
        }
        return refused;
    }
    // Pushes, ends the source and generates; true when every step succeeded.
    bool build(const std::vector<std::string>& stmts, int blocks = 1) {
        if (push(stmts) != 0) return false;
        if (cmpprss(session, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0) != CMP_COMPLETE) return false;
        generate_rc = cmpgen(session, blocks);
        return generate_rc == 0;
    }
    cmp_instance* instance(int b = 0) { return cmpinsb(session, b); }
    double* num(const char* name, int b = 0) { return cmppdva(instance(b), cmpsyms(session, name, -1)); }
    std::string text(const char* name, int b = 0) {
        char buf[1024];
        int n = cmptext(instance(b), cmpsyms(session, name, -1), buf, sizeof buf);
        return n < 0 ? std::string("<none>") : std::string(buf, static_cast<size_t>(n));
    }
    int run(int b = 0, double state = 0) { return cmpfrun(instance(b), state); }
};
