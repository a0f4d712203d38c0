// Reading market states back: the STATES view of an earlier run (or of this run's analysis
// part) opened, its columns located and bound to the run's state fields and risk factors.
#include <cstdio>
#include <cstring>

#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/output/result_datasets.h"
#include "engine/output/rskgds.h"
#include "engine/run/project_run.h"
#include "engine/run/run_block.h"
#include "engine/tables/output_records.h"
#include "host/dataset.h"
#include "host/pool.h"
#include "host/print.h"

namespace {

// One column to bind: its position, where its value goes and the width there (8: a double).
struct Binding {
    int32_t position;
    void* destination;
    int32_t width;
};

struct Locator {
    RSKCON* con;
    RSKGDSSTATES* states;
    Binding* bindings;               // null while counting
    int32_t count;
    int32_t missing;                 // a column that must be there is not
};

int find(Locator& l, const char* name, int length) {
    int number = 0;
    const int rc = xvfind(l.states->handle.dataset, name, length, &number, 0);
    return rc == 0 ? number : 0;
}

void missing_column(Locator& l, const char* name, int length) {
    if (l.bindings != nullptr) return;   // reported while counting
    ++l.missing;
    const RSKGDSHANDLE& h = l.states->handle;
    xpslog("%1zThe variable %*s is not in %8v.%*s.", length, name, h.libref,
           static_cast<int>(h.member.name.length), h.member.buffer);
}

// Locates a column; when found it is bound (or counted). Answers its position, 0 when absent.
int bind(Locator& l, const char* name, void* destination, int width, bool required) {
    const int length = static_cast<int>(std::strlen(name));
    const int position = find(l, name, length);
    if (position <= 0) {
        if (required) missing_column(l, name, length);
        return 0;
    }
    if (l.bindings != nullptr) l.bindings[l.count] = Binding{position, destination, width};
    ++l.count;
    return position;
}

void* factor_destination(RSKVARIABLE* v) {
    return v->run.state_address[0] != nullptr ? v->run.state_address[0] : v->value;
}

void free_element_tables(RSKCON* con, RSKGDSSTATES* s) {
    for (int i = 0; i < s->array_count; ++i)
        if (s->element_positions[i] != nullptr && s->arrays[i] != nullptr)
            con->general_pool->release(con->general_pool, s->element_positions[i],
                                       sizeof(int32_t) * static_cast<size_t>(s->arrays[i]->element_count),
                                       QOR_FREE_SIZED);
    if (s->element_positions != nullptr)
        con->general_pool->release(con->general_pool, s->element_positions,
                                   sizeof(int32_t*) * static_cast<size_t>(s->array_count), QOR_FREE_SIZED);
    if (s->arrays != nullptr)
        con->general_pool->release(con->general_pool, s->arrays,
                                   sizeof(RSKVARIABLE*) * static_cast<size_t>(s->array_count), QOR_FREE_SIZED);
    s->element_positions = nullptr;
    s->arrays = nullptr;
    s->array_count = 0;
}

void* pool_block(RSKCON* con, size_t bytes) {
    void* block = xmalloc_labelled(con->general_pool, bytes, QOR_ALLOC_ZERO, "loading risk factors from dataset");
    if (block == nullptr && con->no_memory_reported == 0) {
        con->no_memory_reported = 1;
        xpmlog(598, 2797, static_cast<long>(bytes), "loading risk factors from dataset");
    }
    return block;
}

bool state_factor(const RSKCON* con, const RSKVARIABLE* v) {
    if (v->kind != 2) return false;
    const RSKRUNRESULTS* r = &con->run_block->result_sets;
    return r->excluded_factors_in_states || (v->exclusion2 == 0 && v->exclusion3 == 0);
}

bool expanded(const RSKVARIABLE* v) { return v->element_count > 1 && (v->class_flags & RSKVAROUT_ARRAY); }

// Walks every column of the states once: counting (bindings null) or binding.
int locate(Locator& l) {
    RSKCON* con = l.con;
    RSKGDSSTATES* s = l.states;
    RSKGDSSHAPE shape;
    rskgds_shape(con, &shape);
    l.count = 0;
    const RSKRUNRESULTS* r = &con->run_block->result_sets;
    static const char* const kFields[kRskGdsStateFields] = {"AnalysisNumber", "AnalysisPart", "StateNumber",
                                                            "SimulationReplication", "SimulationTime",
                                                            "SimulationCase", "_date_"};
    const bool wanted[kRskGdsStateFields] = {true, true, true, shape.time_columns != 0, shape.time_columns != 0,
                                             shape.simulation_columns != 0, true};
    for (int i = 0; i < kRskGdsStateFields; ++i)
        s->positions[i] = wanted[i] ? bind(l, kFields[i], &s->values[i], 8, true) : 0;
    s->name_position = s->name2_position = 0;
    if (shape.names || shape.name_only) s->name_position = bind(l, "Name", s->name, 32, true);
    if (shape.names) s->name2_position = bind(l, "Name2", s->name2, 32, true);
    s->class_count = 0;
    for (int i = 0; i < r->class_var_count && s->class_count < 16; ++i) {
        const RSKCLASSVAR& c = r->class_vars[i];
        if (c.variable == nullptr || c.value == nullptr) continue;
        char name[40];
        std::snprintf(name, sizeof name, "%.*s", static_cast<int>(c.variable->name.name.length),
                      c.variable->name.name.text);
        const int position = bind(l, name, c.value, c.length > 0 ? c.length : 8, false);
        if (position > 0) s->class_positions[s->class_count++] = position;
    }
    s->factor_count = 0;
    int array = 0;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        if (!state_factor(con, v)) continue;
        void* destination = factor_destination(v);
        if (destination == nullptr) continue;
        if (expanded(v)) {
            const int dimension = static_cast<int>(v->element_count);
            for (int e = 1; e <= dimension; ++e) {
                char name[48];
                std::snprintf(name, sizeof name, "%.*s_%i", static_cast<int>(v->name.name.length), v->name.name.text,
                              e);
                const int position = bind(l, name, static_cast<double*>(destination) + (e - 1), 8, true);
                if (l.bindings != nullptr && array < s->array_count) s->element_positions[array][e - 1] = position;
                ++s->factor_count;
            }
            ++array;
            continue;
        }
        if (v->element_count > 1) continue;   // its elements are variables of their own
        char name[40];
        std::snprintf(name, sizeof name, "%.*s", static_cast<int>(v->name.name.length), v->name.name.text);
        const bool numeric = v->value_class != 2;
        bind(l, name, destination, numeric ? 8 : (v->length > 0 ? v->length : 1), true);
        ++s->factor_count;
    }
    return 0;
}

// The element position tables of the expanded arrays. 0, or 1 when storage ran out (598/2797).
int element_tables(RSKCON* con, RSKGDSSTATES* s) {
    int arrays = 0;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if (state_factor(con, v) && factor_destination(v) != nullptr && expanded(v)) ++arrays;
    if (arrays == 0) return 0;
    s->arrays = static_cast<RSKVARIABLE**>(pool_block(con, sizeof(RSKVARIABLE*) * static_cast<size_t>(arrays)));
    if (s->arrays == nullptr) return 1;
    s->element_positions = static_cast<int32_t**>(pool_block(con, sizeof(int32_t*) * static_cast<size_t>(arrays)));
    if (s->element_positions == nullptr) {
        con->general_pool->release(con->general_pool, s->arrays, sizeof(RSKVARIABLE*) * static_cast<size_t>(arrays),
                                   QOR_FREE_SIZED);
        s->arrays = nullptr;
        return 1;
    }
    // Every slot is counted from here on, so that freeing finds each table whatever happens next.
    s->array_count = arrays;
    int i = 0;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr && i < arrays; v = v->next) {
        if (!(state_factor(con, v) && factor_destination(v) != nullptr && expanded(v))) continue;
        s->arrays[i] = v;
        s->element_positions[i] =
            static_cast<int32_t*>(pool_block(con, sizeof(int32_t) * static_cast<size_t>(v->element_count)));
        if (s->element_positions[i] == nullptr) return 1;
        ++i;
    }
    return 0;
}

int host_failure(RSKCON* con, int rc) {
    xprrlog(1, rc);
    con->run_block->gds.states.handle.error = 1;
    return 1;
}

}  // namespace

int rskgdso_ms(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    RSKGDSSTATES* s = &run->gds.states;
    if (s->handle.open) return 0;
    const RSKRUNPARMS* parms = run->parms;
    const RSKOUTOBJ* states = run->outputs[RSKOUT_STATES];
    if (states == nullptr) states = run->output_object;
    if (states == nullptr) {
        xebug("rskgdso_ms: the run has no states library.");
        return 1;
    }
    char member[40];
    int length;
    if (parms == nullptr || parms->analysis_parts <= 1)
        length = std::snprintf(member, sizeof member, "STATES");
    else
        length = std::snprintf(member, sizeof member, "STATES_%i_%i", parms->analysis_part, parms->analysis_parts);
    char libref[9] = {};
    std::memcpy(libref, states->libref, 8);
    std::memset(s, 0, sizeof *s);
    rskgds_name(&s->handle, libref, member, length, 1);
    if (rskgdso(con, &s->handle) != 0) return 1;

    Locator l{con, s, nullptr, 0, 0};
    locate(l);
    if (l.missing > 0) {
        rskgdsc(con);
        return 2;
    }
    const int tables = element_tables(con, s);
    if (tables != 0) {
        rskgdsc(con);
        return tables;
    }
    const int count = l.count;
    l.bindings = static_cast<Binding*>(pool_block(con, sizeof(Binding) * static_cast<size_t>(count > 0 ? count : 1)));
    if (l.bindings == nullptr) {
        rskgdsc(con);
        return 1;
    }
    locate(l);
    int rc = xvsele(s->handle.dataset);
    if (rc == 0) rc = xvgeti(s->handle.dataset, count, &s->handle.variables);
    for (int i = 0; rc == 0 && i < count; ++i)
        rc = xvgetd(s->handle.variables, l.bindings[i].position, l.bindings[i].destination, l.bindings[i].width);
    if (rc == 0) rc = xvgete(s->handle.variables);
    con->general_pool->release(con->general_pool, l.bindings, sizeof(Binding) * static_cast<size_t>(count > 0 ? count : 1),
                               QOR_FREE_SIZED);
    if (rc != 0) {
        host_failure(con, rc);
        rskgdsc(con);
        return 1;
    }
    return 0;
}

int rskgdsc(RSKCON* con) {
    RSKGDSSTATES* s = &con->run_block->gds.states;
    free_element_tables(con, s);
    return rskgdsc_handle(con, &s->handle);
}
