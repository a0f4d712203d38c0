// A stand-in for the project run around the pricing of positions, shared by the pricing tests and
// the pricing benchmark: market variables spot, rate, sigma and other, an instrument type Call
// (strike, maturity), the run's working storage, a pricing program compiled through the compiler
// driver, market states made by a small generator into a state buffer, the thread blocks
// assigned, and positions priced in the base state and in every state. Steps answer 0 or the
// failing code.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/program_data_vector.h"
#include "engine/model/services/compiler.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/market_state.h"
#include "engine/run/pricing.h"
#include "engine/run/run_storage.h"
#include "engine/tables/engine_table.h"
#include "host/anchor.h"
#include "host/kit.h"
#include "host/missing.h"

// One market state of the generator: the values of the four factors (sigma the volatility).
struct PricingState {
    double spot, rate, vol, other;
};

// Black-Scholes call, written out here with the complementary error function.
inline double closed_form_call(double spot, double rate, double vol, double strike, double maturity) {
    auto n = [](double x) { return 0.5 * std::erfc(-x / std::sqrt(2.0)); };
    const double sq = std::sqrt(maturity);
    const double d1 = (std::log(spot / strike) + (rate + 0.5 * vol * vol) * maturity) / (vol * sq);
    return spot * n(d1) - strike * std::exp(-rate * maturity) * n(d1 - vol * sq);
}

// The Black-Scholes method's statements in the MAIN block of the Call type's pricing action.
inline std::vector<std::string> black_scholes_main() {
    return {
        "sq = sqrt(maturity);",
        "d1 = (log(spot / strike) + (rate + 0.5 * sigma * sigma) * maturity) / (sigma * sq);",
        "_value_ = spot * probnorm(d1) - strike * exp(-rate * maturity) * probnorm(d1 - sigma * sq);",
    };
}

struct PricingRun {
    static constexpr const char* kFactors[] = {"spot", "rate", "sigma", "other"};
    static constexpr const char* kInstrumentVariables[] = {"strike", "maturity"};

    RSKCON* con = nullptr;
    RSKINSTTYPE* call = nullptr;
    std::vector<uint8_t> buffer;
    std::vector<uint8_t> needed;
    std::deque<RSKSYMENTRY> entries;
    std::deque<RSKANLPROC> results;
    std::vector<void*> saved_values;
    RSKGENTRANS method{};            // the pricing action's method, as the action print names it

    RSKVARIABLE* variable(const char* name) {
        RSKNAMEREC key{0, static_cast<uint16_t>(std::strlen(name)), const_cast<char*>(name)};
        return engine_routine<EngineSlot::rskvar>()(con, &key);
    }
    RSKRUNBLOCK* run() { return con->run_block; }
    RSKPRICERUN& pricing() { return con->run_block->pricing; }

    int declare(const char* name, uint32_t kind, uint32_t role) {
        RSKVARDEF request{};
        request.name = name;
        request.name_length = -1;
        request.kind = kind;
        request.data_type = 1;
        request.role = role;
        request.maturity = qor::missing();
        request.maturity_unit = 4;
        request.scale = qor::missing();
        request.environment = con->current_environment;
        return engine_routine<EngineSlot::rskvard>()(con, nullptr, &request);
    }

    // The definitions: four factors, two instrument variables, the type Call.
    int define(RSKCON* control) {
        con = control;
        for (const char* name : kFactors)
            if (declare(name, RSKVKIND_FACTOR, 301) != 0) return 1;
        for (const char* name : kInstrumentVariables)
            if (declare(name, RSKVKIND_INSTRUMENT, 201) != 0) return 1;
        if (engine_routine<EngineSlot::rskclsd>()(con, &call, "Call", -1, "", -1, "", -1, 0, 0, con->current_environment) != 0)
            return 1;
        for (const char* name : kInstrumentVariables)
            if (engine_routine<EngineSlot::rskclsv>()(con, call, name, -1) != 0) return 1;
        engine_routine<EngineSlot::rskclsi>()(con, call);
        for (const char* name : kFactors) saved_values.push_back(variable(name)->value);
        for (const char* name : kInstrumentVariables) saved_values.push_back(variable(name)->value);
        return 0;
    }

    // Gives the run back: the compile, the storage, the variables' own value storage.
    void finish() {
        if (con == nullptr) return;
        rskecmp(con);
        rskmemf(con);
        size_t k = 0;
        for (const char* name : kFactors) variable(name)->value = saved_values[k++];
        for (const char* name : kInstrumentVariables) variable(name)->value = saved_values[k++];
        entries.clear();
        results.clear();
    }

    // The run's working storage for `states` states on PAPC `papc`, and the pricing program with
    // the given MAIN block (and INST_INIT block when not empty). Every factor gets a change bit.
    int prepare(int papc, int states, const std::vector<std::string>& main, const std::vector<std::string>& inst_init = {}) {
        con->papc = papc;
        for (const char* name : kFactors) variable(name)->dependencies.flags |= RSKDEP_PRICE_ARG;
        int rc = rskmem0(con);
        if (rc != 0) return rc;
        run()->state_count = states;
        if ((rc = rskmem1(con)) != 0 || (rc = rskmem2(con)) != 0 || (rc = rskmem3(con)) != 0) return rc;
        if ((rc = rskex_alloc(con)) != 0) return rc;
        if ((rc = compile(main, inst_init)) != 0) return rc;
        buffer.assign(rskmkt_buffer_bytes(con, std::max(states, 1)), 0);
        if (rskmkt_attach(con, buffer.data(), std::max(states, 1)) != 0) return 1;
        run()->state_buffer.keep = 1;
        return 0;
    }

    int push_block(int block, const std::vector<std::string>& statements) {
        if (rsksact(con, &call->price, block) != 0) return 1;
        for (const std::string& s : statements)
            if (rskpush(con->compile_handle, s.c_str(), 0, 2) > 0) return 1;
        return rskpush(con->compile_handle, "return;", 0, 2) > 0 ? 1 : 0;
    }

    int compile(const std::vector<std::string>& main, const std::vector<std::string>& inst_init) {
        if (rskicmp(0, 0, con, 1) != 0 || rskmcmp_init(con) != 0) return 1;
        for (const char* name : kFactors) {
            RSKVARIABLE* v = variable(name);
            v->value = v->run.state_address[0];
            if (declare_entry(name, v, RSKPDV_MARKET) != 0) return 1;
        }
        for (const char* name : kInstrumentVariables) {
            RSKVARIABLE* v = variable(name);
            v->value = v->run.record_address;
            if (declare_entry(name, v, RSKPDV_VALUE) != 0) return 1;
        }
        std::memcpy(method.name.buffer, "BS", 2);
        method.name.name = RSKNAMEREC{kRskObjectNameCapacity, 2, method.name.buffer};
        method.kind = RSKMKIND_PRICE;
        call->price.kind = RSKACTION_METHOD_CALL;
        call->price.target = &method;
        if (!inst_init.empty() && push_block(RSKBLK_INST_INIT, inst_init) != 0) return 1;
        if (push_block(RSKBLK_MAIN, main) != 0) return 1;
        if (rskmcmp_final(con) != 0) return 1;
        return rskgcmp(con);
    }

    int declare_entry(const char* name, RSKVARIABLE* v, int collection) {
        RSKSYMENTRY& e = entries.emplace_back();
        e.name = const_cast<char*>(name);
        e.name_length = static_cast<int16_t>(std::strlen(name));
        e.variable = v;
        e.symbol_kind = RSKSK_NUMBER;
        e.type_code = 1;
        e.slot = -1;
        rskmcmp_addvar(con, &e, collection);
        return e.symbol != nullptr ? 0 : 1;
    }

    // Writes the factors into a market vector.
    void put_factors(int vector, const PricingState& s) {
        const double values[] = {s.spot, s.rate, s.vol, s.other};
        int k = 0;
        for (const char* name : kFactors) *static_cast<double*>(variable(name)->run.state_address[vector]) = values[k++];
    }

    // The base state into the saved base vector and the current vector.
    void set_base(const PricingState& base) {
        put_factors(0, base);
        put_factors(1, base);
    }

    // Appends state s through rskmktu: the factors and the simulation triple into the current
    // vector; rskmktu marks what differs from the base and copies the state into the buffer.
    int append_state(int s, const PricingState& state, int simulation_case = -1, int draw = -1, int horizon = -1) {
        put_factors(0, state);
        uint8_t* current = run()->market_vectors[0];
        RSKSTATEHEADER h{};
        std::memcpy(&h, current, sizeof h);
        h.simulation_case = simulation_case;
        h.draw = static_cast<int16_t>(draw);
        h.horizon = static_cast<int16_t>(horizon);
        std::memcpy(current, &h, sizeof h);
        const int rc = rskmktu(con, 1);
        return rc != 0 || run()->state_buffer.appended != s + 1 ? 1 : rc;
    }

    // The blocks' shares of the states: the first N mod T blocks take N / T + 1, the others N / T.
    void assign_blocks() {
        RSKRUNBLOCK* r = run();
        const int32_t n = r->state_count;
        const int32_t t = std::max<int32_t>(1, std::min(r->thread_count, n));
        int32_t first = 0;
        for (int32_t i = 0; i < r->thread_count; ++i) {
            RSKTHREADCTL* b = &r->thread_blocks[i];
            const int32_t count = i < t ? n / t + (i < n % t ? 1 : 0) : 0;
            b->thread_index = i;
            b->first_state = first;
            b->state_count = count;
            b->state_start = buffer.data() + static_cast<size_t>(first) * static_cast<size_t>(r->state_size);
            b->state_stride = r->state_size;
            b->row_start = r->results + static_cast<size_t>(first + 2) * static_cast<size_t>(r->row_doubles);
            b->row_length = r->row_doubles;
            b->decision_start = pricing().decisions + first;
            b->decision_stride = 1;
            b->status_start = pricing().status + first;
            b->status_stride = 1;
            first += count;
        }
    }

    // The needed-factor mask of the positions: the factors named.
    void need(std::initializer_list<const char*> names) {
        needed.assign(static_cast<size_t>(std::max(run()->mask_bytes, 4)), 0);
        for (const char* name : names) {
            const int bit = variable(name)->dependencies.mask_position;
            needed[static_cast<size_t>(bit / 8)] |= static_cast<uint8_t>(128 >> (bit % 8));
        }
        pricing().needed_mask = needed.data();
    }

    // A result of the run over [first, first + count).
    RSKANLPROC* result(uint32_t kind, int first, int count) {
        RSKANLPROC& r = results.emplace_back();
        r.kind = kind;
        r.first_state = first;
        r.state_count = count;
        if (results.size() > 1) results[results.size() - 2].next = &r;
        pricing().results = &results.front();
        return &r;
    }

    // Sets a mask bit of a factor.
    void set_bit(uint8_t* mask, const char* factor) {
        const int bit = variable(factor)->dependencies.mask_position;
        mask[bit / 8] |= static_cast<uint8_t>(128 >> (bit % 8));
    }

    // Prices a position: phase 1, the base state, every state, phase 3. The largest code.
    int price(double strike, double maturity) {
        *static_cast<double*>(variable("strike")->run.record_address) = strike;
        *static_cast<double*>(variable("maturity")->run.record_address) = maturity;
        RSKPRICERUN& p = pricing();
        p.type = call;
        p.quantity = 1.0;
        p.sign = 1;
        int rc = rskexab(con, call, RSKBLK_INST_INIT);
        rc = std::max(rc, rskexpr(con));
        rc = std::max(rc, rskexec(con));
        return std::max(rc, rskexab(con, call, RSKBLK_INST_TERM));
    }

    // The value column of state s (row s + 2), and all rows and status bytes as bytes.
    double value(int s) { return get_state_value(run(), s + 2)[0]; }
    std::vector<uint8_t> rows() {
        const auto* at = reinterpret_cast<const uint8_t*>(run()->results);
        return std::vector<uint8_t>(at, at + sizeof(double) * static_cast<size_t>(run()->row_doubles * run()->row_count));
    }
    std::vector<uint8_t> status() { return std::vector<uint8_t>(pricing().status, pricing().status + run()->state_count); }
};
