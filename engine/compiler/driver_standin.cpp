// Stand-ins for the compiler driver's routines that the glue and the program data vector call,
// until the driver's own land: weak definitions, so the driver's take their place when linked.
#include <cstdio>
#include <cstring>

#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/program_data_vector.h"

#define RSK_STANDIN __attribute__((weak))

RSK_STANDIN int rskicmp(int, int, RSKCON*, int) {
    xpslog("%1zrskicmp: not yet available.");
    return 1;
}

RSK_STANDIN int rskpush(RSKCMPCON* handle, const char* statement, int, int mode) {
    if (handle->state != RSKCMP_PUSHING) {
        if (handle->echo) xpmout(598, 3414);
        handle->statement_counter = 1;
        handle->state = RSKCMP_PUSHING;
    }
    bool end = std::strcmp(statement, CMP_END_MARKER) == 0;
    if (handle->echo && !end) xpmout(598, 3411, handle->statement_counter, static_cast<int>(std::strlen(statement)), statement);
    ++handle->statement_counter;
    int rc = cmpprss(handle->compilation.program, statement, static_cast<int>(std::strlen(statement)), handle->log_area,
                     kRskLogBufferSize, handle->error_area, kRskErrorBufferSize);
    if (rc > 0) handle->error_flag = 1;
    if (rc > 0 && mode == 2) xpmlog(598, 3433, rc);
    return rc;
}

RSK_STANDIN int rsksact(RSKCON* con, RSKACTION* action, int block) {
    RSKCMPCON* handle = con->compile_handle;
    if (handle->action_count == handle->action_capacity) {
        int capacity = handle->action_capacity + kRskActionGrowth;
        auto* grown = static_cast<RSKACTION**>(
            xmalloc_labelled(handle->pool, sizeof(RSKACTION*) * static_cast<size_t>(capacity), QOR_ALLOC_ZERO, "transformation list"));
        if (grown == nullptr) return 1;
        if (handle->actions != nullptr)
            std::memcpy(grown, handle->actions, sizeof(RSKACTION*) * static_cast<size_t>(handle->action_count));
        handle->actions = grown;
        handle->action_capacity = capacity;
    }
    handle->actions[handle->action_count++] = action;
    action->sequence[block] = handle->action_count;
    if (action->label_number == 0) {
        action->label_number = handle->action_count;
        std::snprintf(action->label, sizeof action->label, "_ACT%i", action->label_number);
    }
    char text[kRskStatementBufferSize];
    std::snprintf(text, sizeof text, "%s_%s: ;", action->label, CMPMB_NAMES[block]);
    return rskpush(handle, text, 0, 2) > 0 ? 1 : 0;
}

RSK_STANDIN int rskaref(RSKCMPCON* handle) {
    RSKCON* con = handle->con;
    int blocks = con != nullptr && con->run_compile != nullptr && con->run_compile->execution_blocks > 1
                     ? con->run_compile->execution_blocks
                     : 1;
    if (handle->reference_count + blocks > handle->reference_capacity) {
        int capacity = handle->reference_capacity + blocks + 16;
        auto* grown = static_cast<RSKREFENTRY*>(
            xmalloc_labelled(handle->pool, sizeof(RSKREFENTRY) * static_cast<size_t>(capacity), QOR_ALLOC_ZERO, "reference table"));
        if (grown == nullptr) return -1;
        if (handle->references != nullptr)
            std::memcpy(grown, handle->references, sizeof(RSKREFENTRY) * static_cast<size_t>(handle->reference_count));
        handle->references = grown;
        handle->reference_capacity = capacity;
    }
    int first = handle->reference_count;
    handle->reference_count += blocks;
    return first;
}

RSK_STANDIN cmp_symbol* rsklsym(RSKSYMENTRY* entry, int kind, int first, int second, void* data, RSKCON* con,
                                int collect) {
    RSKCMPCON* handle = con->compile_handle;
    entry->symbol_kind = kind;
    if (handle->collecting && (collect == 1 || (collect == 2 && handle->method_kind == RSKMKIND_PRICE))) {
        if (rskmcmp_addvar(con, entry, collect == 1 ? RSKPDV_MARKET : RSKPDV_VALUE) != 0) return nullptr;
        if (entry->symbol != nullptr) return entry->symbol;
    }
    cmp_session* session = handle->compilation.program;
    cmp_symbol* symbol = cmpsyms(session, entry->name, entry->name_length);
    if (symbol == nullptr) {
        switch (kind) {
            case RSKSK_NUMBER:
                symbol = cmpsymd(session, entry->name, entry->name_length, 'v', 'n');
                if (symbol != nullptr && data != nullptr) cmppdvb(session, symbol, static_cast<double*>(data));
                break;
            case RSKSK_CHAR: symbol = cmpsymd(session, entry->name, entry->name_length, 'v', 'c'); break;
            case RSKSK_VECTOR:
                symbol = cmpmtrx(session, entry->name, entry->name_length, first, 0, static_cast<double*>(data), 0);
                break;
            case RSKSK_MATRIX:
                symbol = cmpmtrx(session, entry->name, entry->name_length, first, second, static_cast<double*>(data), 0);
                break;
            default: break;
        }
    }
    if (symbol == nullptr) xpmlog(598, 3405, entry->name_length, entry->name);
    entry->symbol = symbol;
    return symbol;
}

RSK_STANDIN cmp_symbol* rskrsym(RSKCON* con, RSKSYMENTRY* entry) {
    if (!con->compile_handle->collecting) return nullptr;
    if (rskmcmp_addvar(con, entry, RSKPDV_REFERENCE) != 0) return nullptr;
    return entry->symbol;
}
