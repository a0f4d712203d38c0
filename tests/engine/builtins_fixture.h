// A compile session with the special functions installed over a started engine, for the tests of
// the pricing built-ins: statements are pushed, the program generated for a number of blocks,
// and block 0 run; values are read back by name.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "engine/compiler/special_functions.h"
#include "engine/model/services/compiler.h"
#include "tests/engine/variables_fixture.h"

class BuiltinCallTest : public VariableEngine {
protected:
    void SetUp() override {
        VariableEngine::SetUp();
        handle_.con = con;
        handle_.execution_blocks = 1;
        handle_.pool = xmpoolc(16384, 16384, 0);
        run_.execution_blocks = 1;
        con->run_compile = &run_;
    }
    void TearDown() override {
        close();
        con->run_compile = nullptr;
        xmpoold(handle_.pool);
        VariableEngine::TearDown();
    }
    void close() {
        if (handle_.compilation.program != nullptr) cmpends(handle_.compilation.program);
        handle_.compilation.program = nullptr;
    }
    // Opens a session, pushes the statements, generates `blocks` instances: block 0 or null.
    cmp_instance* build(const std::vector<std::string>& statements, int blocks = 1) {
        close();
        cmp_hooks hooks{};
        if (cmpints(&handle_.compilation.program, &hooks) != 0) return nullptr;
        if (cmpdyna(handle_.compilation.program) != 0 || install_special_functions(&handle_) != 0) return nullptr;
        for (const std::string& s : statements) {
            char text[512], error[512];
            if (cmpprss(handle_.compilation.program, s.c_str(), static_cast<int>(s.size()), text, sizeof text, error,
                        sizeof error) > 0) {
                ADD_FAILURE() << "refused: " << s << " " << error;
                return nullptr;
            }
        }
        if (cmpprss(handle_.compilation.program, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0) != CMP_COMPLETE) return nullptr;
        if (cmpgen(handle_.compilation.program, blocks) != 0) return nullptr;
        return cmpinsb(handle_.compilation.program, 0);
    }
    cmp_symbol* symbol(const char* name) { return cmpsyms(handle_.compilation.program, name, -1); }
    double* number(cmp_instance* instance, const char* name) { return cmppdva(instance, symbol(name)); }
    // Element (row, column) from 1 of a matrix of the instance, missing when out of range.
    double element(cmp_instance* instance, const char* name, int row, int column) {
        double* at = cmpmatn(instance, symbol(name), row, column);
        return at != nullptr ? *at : qor::missing();
    }
    // Statements that fill the n x n local array `name` row by row.
    static std::vector<std::string> fill(const char* name, int n, const std::vector<double>& values) {
        std::vector<std::string> out;
        out.push_back("array " + std::string(name) + "[" + std::to_string(n) + ", " + std::to_string(n) + "];");
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                char text[96];
                std::snprintf(text, sizeof text, "%s[%d, %d] = %.17g;", name, i + 1, j + 1, values[static_cast<size_t>(i * n + j)]);
                out.push_back(text);
            }
        return out;
    }

    RSKCMPCON handle_{};
    RSKRUNCOMPILE run_{};
};
