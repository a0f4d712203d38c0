// A test bed for dependency resolution: variables, arrays and actions built in memory (each
// action a method whose use list the test writes), hung on a control structure through a
// run-compile record with its own pool.
#pragma once
#include <deque>
#include <initializer_list>
#include <string>
#include <vector>

#include "engine/compiler/dependencies.h"
#include "engine/compiler/use_entries.h"
#include "engine/model/services/compiler.h"
#include "tests/engine/engine_fixture.h"

// One use of a variable by a method: "x" read, "=x" written, "=x:3" part 3 written; a code or a
// kind other than the variable's own makes it a use of that code or kind.
struct Use {
    const char* spec;
    int32_t code = 0;
    int32_t kind = 0;
    Use(const char* s) : spec(s) {}   // NOLINT: a plain text reads best in the tables
    Use(const char* s, int32_t c, int32_t k = 0) : spec(s), code(c), kind(k) {}
};

class DependencyTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        con = &con_;
        run.pool = xmpoolc(16384, 16384, 0);
        run.execution_blocks = 1;
        con->run_compile = &run;
    }
    void TearDown() override {
        con->run_compile = nullptr;
        xmpoold(run.pool);
        EngineTest::TearDown();
    }
    // Forgets every variable and action and starts a new run-compile record.
    void reset() {
        xmpoold(run.pool);
        run = RSKRUNCOMPILE{};
        run.pool = xmpoolc(16384, 16384, 0);
        run.execution_blocks = 1;
        con->variables_head = con->variables_tail = nullptr;
        con->variables_count = 0;
        con->compile_error = 0;
        variables_.clear();
        element_lists_.clear();
        methods_.clear();
        uses_.clear();
        actions_.clear();
    }

    // A variable of the class (risk factor by default), appended to the definition-order list.
    RSKVARIABLE* variable(const std::string& name, uint32_t kind = RSKVKIND_FACTOR) {
        names_.push_back(name);
        RSKVARIABLE& v = variables_.emplace_back();
        v.name.name = RSKNAMEREC{0, static_cast<uint16_t>(names_.back().size()), names_.back().data()};
        v.kind = kind;
        v.data_type = 1;
        if (con->variables_tail != nullptr) con->variables_tail->next = &v;
        else con->variables_head = &v;
        con->variables_tail = &v;
        ++con->variables_count;
        return &v;
    }
    // An array over new element variables name1 .. nameN.
    RSKVARIABLE* array(const std::string& name, int count) {
        RSKVARIABLE* a = variable(name);
        a->data_type = RSKDTYPE_ARRAY;
        auto& elements = element_lists_.emplace_back();
        for (int i = 1; i <= count; ++i) elements.push_back(variable(name + std::to_string(i)));
        a->elements = elements.data();
        a->elements_allocated = static_cast<uint32_t>(count);
        a->element_count = count;
        return a;
    }
    RSKVARIABLE* find(const std::string& name) {
        for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
            if (std::string(v->name.name.text, v->name.name.length) == name) return v;
        return nullptr;
    }

    // A method-call action appended to the run's action list; unknown names become risk factors.
    RSKACTION* action(const std::string& name, std::initializer_list<Use> uses) {
        RSKGENTRANS& method = methods_.emplace_back();
        method.kind = RSKMKIND_TRANS;
        RSKUSEENTRY* first = nullptr;
        RSKUSEENTRY** tail = &first;
        for (const Use& u : uses) {
            std::string spec = u.spec;
            RSKUSEENTRY& e = uses_.emplace_back();
            bool output = !spec.empty() && spec[0] == '=';
            if (output) spec.erase(0, 1);
            size_t colon = spec.find(':');
            if (colon != std::string::npos) {
                e.part = static_cast<uint8_t>(std::stoi(spec.substr(colon + 1)));
                spec.resize(colon);
            }
            e.variable = find(spec) != nullptr ? find(spec) : variable(spec);
            e.input = output ? 0 : 1;
            e.output = output ? 1 : 0;
            e.code = u.code != 0 ? u.code : static_cast<int32_t>(e.variable->data_type);
            e.kind = u.kind != 0 ? u.kind : static_cast<int32_t>(e.variable->kind);
            *tail = &e;
            tail = &e.next;
        }
        method.uses = first;
        return append_action(name, RSKACTION_METHOD_CALL, &method);
    }
    RSKACTION* append_action(const std::string& name, uint32_t kind, void* target) {
        names_.push_back(name);
        RSKACTION& a = actions_.emplace_back();
        a.name.name = RSKNAMEREC{0, static_cast<uint16_t>(names_.back().size()), names_.back().data()};
        a.kind = kind;
        a.target = target;
        if (run.actions_last != nullptr) run.actions_last->next = &a;
        else run.actions_first = &a;
        run.actions_last = &a;
        return &a;
    }
    RSKACTION* named(const std::string& name) {
        for (RSKACTION* a = run.actions_first; a != nullptr; a = a->next)
            if (std::string(a->name.name.text, a->name.name.length) == name) return a;
        return nullptr;
    }
    // Action names in dependency order.
    std::string order() {
        std::string text;
        for (int32_t k = 0; k < run.matrix.numbered; ++k) {
            const RSKNAMEREC& n = run.matrix.by_order[k]->name.name;
            text += (text.empty() ? "" : " ") + std::string(n.text, n.length);
        }
        return text;
    }
    // Actions of the state list that run, in order.
    std::string running() {
        std::string text;
        for (int32_t k = 0; k < run.matrix.numbered; ++k)
            if (run.states[k] == RSKSTATE_RUN) {
                const RSKNAMEREC& n = run.matrix.by_order[k]->name.name;
                text += (text.empty() ? "" : " ") + std::string(n.text, n.length);
            }
        return text;
    }
    uint8_t state(const std::string& name) { return run.states[named(name)->order - 1]; }
    void change(const std::string& name, double value) { find(name)->dependencies.change = value; }

    RSKCON* con = nullptr;
    RSKRUNCOMPILE run{};
    std::deque<std::string> names_;
    std::deque<RSKVARIABLE> variables_;
    std::deque<std::vector<RSKVARIABLE*>> element_lists_;
    std::deque<RSKGENTRANS> methods_;
    std::deque<RSKUSEENTRY> uses_;
    std::deque<RSKACTION> actions_;
};
