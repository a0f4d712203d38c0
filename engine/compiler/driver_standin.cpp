// Stand-ins for the driver's symbol look-ups that argument binding calls, until the driver's own
// land: weak definitions, so the driver's take their place when linked.
#include <cstring>

#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/program_data_vector.h"

#define RSK_STANDIN __attribute__((weak))

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
