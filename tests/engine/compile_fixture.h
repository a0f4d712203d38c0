// A test bed for the engine's compiling: a control structure with a compile opened through the
// driver, a run-compile record over a market state and an instrument record,
// and helpers that make variables, symbol entries and methods.
#pragma once
#include <deque>
#include <string>
#include <vector>

#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/program_data_vector.h"
#include "engine/compiler/program_phases.h"
#include "engine/model/services/compiler.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "tests/engine/engine_fixture.h"

class CompileTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        run_.execution_blocks = 1;
        run_.market_vector = market_.data();
        run_.market_size = static_cast<int32_t>(market_.size() * sizeof(double));
        run_.value_vector = values_.data();
        run_.value_size = static_cast<int32_t>(values_.size() * sizeof(double));
        con_.run_compile = &run_;
        open_session();
    }

    void TearDown() override {
        close_session();
        con_.run_compile = nullptr;
        EngineTest::TearDown();
    }

    // A fresh compile through the driver (echo as asked); the three collections cleared.
    void open_session(int echo = 0) {
        ASSERT_EQ(rskicmp(echo, 0, &con_, 1), 0) << log();
        handle_ = con_.compile_handle;
        rskcmpf(&con_);
    }

    void close_session() {
        rskecmp(&con_);
        handle_ = nullptr;
    }

    RSKCMPEXT* extension() { return handle_->extension; }
    cmp_session* session() { return handle_->compilation.program; }

    // A variable whose value lies at `at` (null: none), of the given kind and dimension.
    RSKVARIABLE* variable(const char* name, void* at, uint32_t kind = RSKVKIND_FACTOR, double dimension = 0) {
        RSKVARIABLE& v = variables_.emplace_back();
        v.name.name = RSKNAMEREC{kRskObjectNameCapacity, static_cast<uint16_t>(std::strlen(name)), v.name.buffer};
        std::memcpy(v.name.buffer, name, std::strlen(name));
        v.value = at;
        v.kind = kind;
        v.element_count = dimension;
        return &v;
    }

    // A symbol entry of a name (with a cast suffix of suffix characters) for a variable.
    RSKSYMENTRY* entry(const char* name, RSKVARIABLE* v, int kind = RSKSK_NUMBER, char reference = 0, int suffix = 0) {
        RSKSYMENTRY& e = entries_.emplace_back();
        names_.emplace_back(name);
        e.name = names_.back().data();
        e.name_length = static_cast<int16_t>(names_.back().size());
        e.suffix_length = static_cast<int16_t>(suffix);
        e.variable = v;
        e.symbol_kind = kind;
        e.reference_class = reference;
        e.type_code = 1;
        e.slot = -1;
        return &e;
    }

    // Pushes statements, the end marker, and generates `blocks` instances: true when all went.
    bool build(const std::vector<std::string>& statements, int blocks = 1) {
        for (const std::string& s : statements)
            if (cmpprss(session(), s.c_str(), static_cast<int>(s.size()), nullptr, 0, nullptr, 0) > 0) return false;
        if (cmpprss(session(), CMP_END_MARKER, -1, nullptr, 0, nullptr, 0) != CMP_COMPLETE) return false;
        return cmpgen(session(), blocks) == 0;
    }

    double number(const char* name, int block = 0) {
        double* at = cmppdva(cmpinsb(session(), block), cmpsyms(session(), name, -1));
        return at ? *at : -999;
    }

    std::vector<double> market_ = std::vector<double>(64, 0.0);
    std::vector<double> values_ = std::vector<double>(16, 0.0);
    RSKRUNCOMPILE run_{};
    RSKCMPCON* handle_ = nullptr;
    std::deque<RSKVARIABLE> variables_;
    std::deque<RSKSYMENTRY> entries_;
    std::deque<std::string> names_;
};
