// The frame functions that keep a method's updated arguments and array arguments right: _RESET
// saves the arguments a method updates before the call and restores them after it, _ARRU copies
// the element variables of an array argument into the array and back. _RESET's save buffers are
// sized when the call is compiled, one set per execution block, so pricing threads never allocate.
#include <cstring>
#include <strings.h>

#include "engine/compiler/dependencies.h"
#include "engine/compiler/special_functions.h"
#include "engine/model/variables/variables.h"
#include "host/attention.h"
#include "host/pool.h"
#include "host/print.h"

namespace {

RSKCMPCON* handle_of(const void* context) { return static_cast<RSKCMPCON*>(const_cast<void*>(context)); }

RSKVARIABLE* object_variable(const RSKSYMENTRY* argument) {
    return argument->variable != nullptr ? argument->variable : static_cast<RSKVARIABLE*>(argument->object);
}

// The arguments _RESET keeps: those with an object that the method updates.
bool kept(const RSKSYMENTRY* argument) { return argument->updated != 0 && object_variable(argument) != nullptr; }

int32_t dimension_of(const RSKVARIABLE* v) {
    double d = v->element_count;
    return d > 0 && d < 65536 ? static_cast<int32_t>(d) : 0;
}

// Bytes of one saved value: 8 per element of an array, the length of a character variable, else 8.
int32_t save_size(const RSKVARIABLE* v) {
    if (v->data_type == RSKDTYPE_ARRAY) return 8 * dimension_of(v);
    if (v->value_class == 2) return v->length > 0 ? v->length : 1;
    return 8;
}

bool traced_method(const RSKCON* con, const RSKACTION* action) {
    if (con->trace_mode == 1) return true;
    if (con->trace_mode != 0 || con->trace_method_selection == nullptr) return false;
    const RSKNAMEREC& name = action->name.name;
    const char* p = con->trace_method_selection;
    while (*p != '\0') {
        while (*p == ' ' || *p == ',') ++p;
        size_t word = 0;
        while (p[word] != '\0' && p[word] != ' ' && p[word] != ',') ++word;
        if (word == name.length && strncasecmp(p, name.text, word) == 0) return true;
        p += word;
    }
    return false;
}

void trace_value(RSKCON* con, const cmp_exec_context* exec, const RSKPROGRECORD* program, const RSKSYMENTRY* argument,
                 const double* values, int count, bool array) {
    xaktkiof();
    if (trace_window(con, exec->block, exec->state) == 0) return;
    long instrument = program != nullptr ? program->instrument_number : 0;
    xps("%5li%5li (%1q)%21t _RESET: %*s = ", static_cast<long>(exec->state), instrument,
        static_cast<long long>(exec->block), static_cast<int>(argument->name_length), argument->name);
    if (!array) {
        xpsout("%.99f", values[0]);
        return;
    }
    xps("{ ");
    for (int i = 0; i < count && i < 3; ++i) xps("%.99f, ", values[i]);
    xpsout(count > 3 ? "... } " : " } ");
}

}  // namespace

int rskref0(void* context, cmp_call_node* call, char* message, int size) {
    RSKCMPCON* handle = handle_of(context);
    if (handle == nullptr || call->nargs != 2 || call->args[0].kind != CMP_ARG_LITERAL) {
        if (message != nullptr && size > 0) xpsstr(message, size, "_RESET takes a reference entry number and a mode");
        return 1;
    }
    if (handle->generating == 0) return 0;
    const int first = static_cast<int>(call->args[0].number);
    const int blocks = handle->execution_blocks > 0 ? handle->execution_blocks : 1;
    if (first < 0 || first + blocks > handle->reference_count || handle->references == nullptr) {
        if (message != nullptr && size > 0) xpsstr(message, size, "_RESET names reference entry %i, which is not reserved", first);
        return 1;
    }
    RSKCON* con = handle->con;
    for (int b = 0; b < blocks; ++b) {
        RSKREFENTRY& entry = handle->references[first + b];
        if (entry.action == nullptr) continue;
        entry.trace = traced_method(con, entry.action) ? 1 : 0;
        entry.program = handle->compilation.program;
        int count = 0;
        for (const RSKSYMENTRY* a = action_arguments(entry.action); a != nullptr; a = a->next) count += kept(a) ? 1 : 0;
        entry.save_count = count;
        entry.saves = nullptr;
        if (count == 0) continue;
        size_t bytes = sizeof(RSKRESETSAVE) * static_cast<size_t>(count);
        entry.saves = static_cast<RSKRESETSAVE*>(xmalloc_labelled(handle->pool, bytes, QOR_ALLOC_ZERO, "value storage for reset"));
        if (entry.saves == nullptr) {
            dependency_no_memory(con, bytes, "value storage for reset");
            return 1;
        }
        int k = 0;
        for (const RSKSYMENTRY* a = action_arguments(entry.action); a != nullptr; a = a->next) {
            if (!kept(a)) continue;
            RSKRESETSAVE& save = entry.saves[k++];
            save.capacity = save_size(object_variable(a));
            if (save.capacity == 0) continue;
            save.buffer = static_cast<double*>(
                xmalloc_labelled(handle->pool, static_cast<size_t>(save.capacity) + 8, QOR_ALLOC_ZERO, "value storage for reset"));
            if (save.buffer == nullptr) {
                dependency_no_memory(con, static_cast<size_t>(save.capacity), "value storage for reset");
                return 1;
            }
        }
    }
    return 0;
}

int rskrset(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
            cmp_instance* instance, void*) {
    RSKCMPCON* handle = handle_of(fn != nullptr ? fn->context : nullptr);
    if (handle == nullptr || nargs < 2 || exec == nullptr || args[1].number == nullptr || args[2].number == nullptr)
        return CMP_BODY_FAILED;
    RSKCON* con = handle->con;
    RSKRUNCOMPILE* run = con->run_compile;
    if (run != nullptr && run->base_case != 0) return CMP_BODY_OK;
    const int index = static_cast<int>(*args[1].number) + exec->block;
    if (index < 0 || index >= handle->reference_count) return CMP_BODY_FAILED;
    RSKREFENTRY& entry = handle->references[index];
    const bool before = *args[2].number != 0;
    const RSKPROGRECORD* program =
        run != nullptr && run->programs != nullptr && exec->block < run->execution_blocks ? &run->programs[exec->block] : nullptr;
    int k = 0;
    for (const RSKSYMENTRY* a = action_arguments(entry.action); a != nullptr && k < entry.save_count; a = a->next) {
        if (!kept(a)) continue;
        RSKRESETSAVE& save = entry.saves[k++];
        RSKVARIABLE* v = object_variable(a);
        const bool array = v->data_type == RSKDTYPE_ARRAY;
        if (!array && v->dependencies.reset_setting != 1) continue;
        const int32_t bytes = save_size(v);
        if (bytes > save.capacity) {   // the object grew since the compile: no allocation here
            xpmlog(598, 2797, static_cast<long>(bytes), "value storage for reset");
            return CMP_BODY_FAILED;
        }
        if (array) {
            const int32_t n = bytes / 8;
            for (int32_t i = 0; i < n; ++i) {
                double* cell = cmpmatn(instance, a->symbol, i + 1, 0);
                if (before) save.buffer[i] = cell != nullptr ? *cell : 0;
                else if (cell != nullptr && (v->dependencies.reset_setting == 1 || v->elements == nullptr ||
                                             static_cast<uint32_t>(i) >= v->elements_allocated || v->elements[i] == nullptr ||
                                             v->elements[i]->dependencies.reset_setting != 0))
                    *cell = save.buffer[i];
            }
            save.size = bytes;
            if (!before && entry.trace != 0) trace_value(con, exec, program, a, save.buffer, n, true);
        } else if (v->value_class == 2) {
            qor_namerec* text = cmppdvp(instance, a->symbol);
            if (text == nullptr) continue;
            char* saved = reinterpret_cast<char*>(save.buffer);
            if (before) {
                save.size = text->length < bytes ? text->length : bytes;
                std::memcpy(saved, text->text, static_cast<size_t>(save.size));
            } else {
                int n = save.size < text->capacity ? save.size : text->capacity;
                std::memcpy(text->text, saved, static_cast<size_t>(n));
                text->length = static_cast<uint16_t>(n);
            }
        } else {
            double* cell = cmppdva(instance, a->symbol);
            if (cell == nullptr) continue;
            if (before) save.buffer[0] = *cell;
            else *cell = save.buffer[0];
            save.size = 8;
            if (!before && entry.trace != 0) trace_value(con, exec, program, a, save.buffer, 1, false);
        }
    }
    return CMP_BODY_OK;
}

int rskarru(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
            cmp_instance*, void*) {
    RSKCMPCON* handle = handle_of(fn != nullptr ? fn->context : nullptr);
    if (handle == nullptr || nargs < 3 || exec == nullptr || args[1].number == nullptr || args[3].number == nullptr)
        return CMP_BODY_FAILED;
    const int index = static_cast<int>(*args[1].number) + exec->block;
    if (index < 0 || index >= handle->reference_count) return CMP_BODY_FAILED;
    RSKREFENTRY& entry = handle->references[index];
    auto* v = static_cast<RSKVARIABLE*>(entry.object);
    if (v == nullptr || args[2].elements == nullptr) return CMP_BODY_OK;   // a program array: nothing to do
    if (v->kind == RSKVKIND_REFERENCE) {
        if (entry.cached_type != handle->current_type || entry.resolved == nullptr) {
            entry.cached_type = handle->current_type;
            entry.resolved = handle->current_type != nullptr ? rskvc(handle->con, handle->current_type, &v->name.name) : nullptr;
        }
        v = entry.resolved;
        if (v == nullptr) return CMP_BODY_FAILED;
    }
    const bool before = *args[3].number != 0;
    const int32_t dimension = dimension_of(v) < args[2].count ? dimension_of(v) : args[2].count;
    for (int32_t i = 0; i < dimension; ++i) {
        if (v->elements == nullptr || static_cast<uint32_t>(i) >= v->elements_allocated) break;
        RSKVARIABLE* element = v->elements[i];
        double* cell = args[2].elements[i];
        if (element == nullptr || element->value == nullptr || cell == nullptr) continue;
        double* value = static_cast<double*>(element->value);
        if (before) *cell = *value;
        else *value = *cell;
    }
    return CMP_BODY_OK;
}
