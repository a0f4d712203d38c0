// A started engine with a run block and a run pool for the aggregation tests: class variables
// with value storage the tests set before each observation, cross-classifications built from
// hierarchies, and user data of a count and a sum that the callbacks below add up.
#pragma once
#include <cmath>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "engine/model/categories/categories.h"
#include "engine/model/variables/variables.h"
#include "engine/output/aggregation.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "tests/engine/environment_objects_fixture.h"

// A cell's user data in these tests.
struct CountSum {
    double count;
    double sum;
};

// The value fed with the next observation, read by the feed callback.
struct Observation {
    double value = 0;
};

inline int add_observation(RSKCON*, void* argument, void* user_data) {
    auto* cell = static_cast<CountSum*>(user_data);
    const double value = static_cast<Observation*>(argument)->value;
    cell->count += 1;
    cell->sum = qor::is_missing(cell->sum) || qor::is_missing(value) ? qor::missing() : cell->sum + value;
    return 0;
}

// Additive roll-up in which a missing source makes the target missing.
inline int add_cells(RSKCON*, void* target, void* source, int, int) {
    auto* t = static_cast<CountSum*>(target);
    const auto* s = static_cast<const CountSum*>(source);
    t->count += s->count;
    t->sum = qor::is_missing(t->sum) || qor::is_missing(s->sum) ? qor::missing() : t->sum + s->sum;
    return 0;
}

class AggregationEngine : public EnvironmentObjects {
protected:
    void SetUp() override {
        EnvironmentObjects::SetUp();
        if (HasFatalFailure()) return;
        std::memset(static_cast<void*>(&run_), 0, sizeof run_);
        con->run_block = &run_;
        con->run_pool = xmpoolc(65536, 65536, 0);
    }
    void TearDown() override {
        qor_pool_fail_nth(0);
        if (con != nullptr) {
            con->run_block = nullptr;
            xmpoold(con->run_pool);
            con->run_pool = nullptr;
        }
        EnvironmentObjects::TearDown();
    }

    // A character class variable of the given length, or a numeric one (length 0).
    RSKVARIABLE* class_variable(const char* name, int length = 0) {
        RSKVARIABLE* v = variable(name, RSKVKIND_INSTRUMENT, length > 0 ? 2 : 1);
        v->storage_type = length > 0 ? RSKSTORE_CHAR : RSKSTORE_DOUBLE;
        v->length = static_cast<uint16_t>(length > 0 ? length : 8);
        values_.emplace_back(static_cast<size_t>(length > 0 ? length : 8), '\0');
        v->value = values_.back().data();
        return v;
    }
    static void set_text(RSKVARIABLE* v, const std::string& text) {
        std::memset(v->value, ' ', v->length);
        std::memcpy(v->value, text.data(), std::min<size_t>(text.size(), v->length));
    }
    static void set_number(RSKVARIABLE* v, double x) { std::memcpy(v->value, &x, 8); }

    RSKCROSSCLASS* cross(const char* name) {
        RSKNAMEREC key = name_of(name);
        RSKCATOBJ* object = nullptr;
        EXPECT_EQ(call<EngineSlot::rskccsd>()(con, &object, &key, nullptr, nullptr), 0) << log();
        return object != nullptr ? static_cast<RSKCROSSCLASS*>(object->object) : nullptr;
    }
    // Appends a hierarchy of members; a name ending in '*' is crossed.
    void hierarchy(RSKCROSSCLASS* c, std::vector<std::string> members) {
        RSKHIERARCHY* h = nullptr;
        ASSERT_EQ(call<EngineSlot::rskccsa>()(con, c, &h), 0);
        for (std::string m : members) {
            const bool crossed = !m.empty() && m.back() == '*';
            if (crossed) m.pop_back();
            RSKNAMEREC key = name_of(m.c_str());
            ASSERT_EQ(call<EngineSlot::rskhier>()(con, c, h, &key, crossed ? 1 : 0), 0) << m << log();
        }
    }
    RSKAGGCTL* build(RSKCROSSCLASS* c, RSKVARIABLE* special = nullptr, int user_size = sizeof(CountSum)) {
        RSKAGGCTL* control = nullptr;
        EXPECT_EQ(call<EngineSlot::rskgrpd>()(con, c, special, &control, user_size), 0) << log();
        return control;
    }
    int feed(RSKAGGCTL* control, double value) {
        Observation o{value};
        int32_t sequence = 0;
        return call<EngineSlot::rskgrp0>()(con, control, add_observation, &o, &sequence);
    }
    static std::vector<uint32_t> page_masks(const RSKAGGCTL* control) {
        std::vector<uint32_t> masks;
        for (int i = 0; i < control->page_count; ++i) masks.push_back(control->pages[i]->mask);
        return masks;
    }
    static std::vector<uint32_t> base_masks(const RSKAGGCTL* control) {
        return std::vector<uint32_t>(control->base_masks, control->base_masks + control->base_count);
    }

    RSKRUNBLOCK run_{};
    std::deque<std::string> values_;
};
