// Symbols for engine variables: declaring a method argument or data-vector entry in the program
// (rsklsym and its array, instrument and reference forms), binding records, and finding a
// numeric symbol of a generated program by name (lookup_sym, lookup_array).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/driver_support.h"
#include "engine/model/variables/variable_record.h"
#include "host/print.h"

namespace {

cmp_session* program_of(RSKCON* con) {
    RSKCMPCON* h = con != nullptr ? con->compile_handle : nullptr;
    return h != nullptr ? h->compilation.program : nullptr;
}

cmp_symbol* report_undeclared(const RSKSYMENTRY* entry) {
    xpmlog(598, 3405, static_cast<int>(entry->name_length), entry->name);
    return nullptr;
}

cmp_symbol* declare(RSKSYMENTRY* entry, int kind, int first, int second, void* data, cmp_session* program) {
    const char* name = entry->name;
    int length = entry->name_length;
    switch (kind) {
        case RSKSK_NUMBER:
        case RSKSK_NUMBER_ADDRESS: {
            cmp_symbol* symbol = cmpsymd(program, name, length, 'v', 'n');
            if (symbol != nullptr && data != nullptr && cmppdvb(program, symbol, static_cast<double*>(data)) != 0)
                return nullptr;
            return symbol;
        }
        case RSKSK_CHAR:
            return cmpsymd(program, name, length, 'v', 'c');
        case RSKSK_VECTOR:
            return cmpmtrx(program, name, length, first > 0 ? first : 1, 0, static_cast<double*>(data), 0);
        case RSKSK_MATRIX:
            return cmpmtrx(program, name, length, first > 0 ? first : 1, second > 0 ? second : 1,
                           static_cast<double*>(data), 0);
        case RSKSK_VARIABLES:
            return link_qorarray(entry, first, static_cast<RSKVARIABLE* const*>(data), program);
        default:
            return nullptr;
    }
}

}  // namespace

cmp_symbol* rsklsym(RSKSYMENTRY* entry, int kind, int first, int second, void* data, RSKCON* con, int collect) {
    RSKCMPCON* h = con != nullptr ? con->compile_handle : nullptr;
    cmp_session* program = h != nullptr ? h->compilation.program : nullptr;
    if (program == nullptr || entry == nullptr || entry->name == nullptr) return nullptr;
    // While the program data vector collects, market values and a pricing method's instrument
    // values become elements of their vectors.
    if (h->collecting && (collect == 1 || (collect == 2 && h->method_kind == RSKMKIND_PRICE))) {
        rskmcmp_addvar(con, entry, collect == 1 ? RSKPDV_MARKET : RSKPDV_VALUE);
        if (entry->symbol != nullptr) return entry->symbol;
    }
    if (entry->variable != nullptr && entry->variable->kind == RSKVKIND_INSTRUMENT) return rskpsym(con, entry);
    cmp_symbol* symbol = cmpsyms(program, entry->name, entry->name_length);
    if (symbol == nullptr) symbol = declare(entry, kind, first, second, data, program);
    if (symbol == nullptr) return report_undeclared(entry);
    entry->symbol = symbol;
    entry->symbol_kind = kind;
    return symbol;
}

cmp_symbol* link_qorarray(RSKSYMENTRY* entry, int count, RSKVARIABLE* const* elements, cmp_session* program) {
    if (entry == nullptr || program == nullptr || count <= 0 || elements == nullptr) return nullptr;
    cmp_symbol* small[64];
    cmp_symbol** symbols = count <= 64 ? small : static_cast<cmp_symbol**>(std::calloc(static_cast<size_t>(count), sizeof *symbols));
    if (symbols == nullptr) return nullptr;
    cmp_symbol* array = nullptr;
    int made = 0;
    for (; made < count; ++made) {
        const RSKVARIABLE* v = elements[made];
        if (v == nullptr) break;
        cmp_symbol* element = cmpsyms(program, v->name.buffer, v->name.name.length);
        if (element == nullptr) element = cmpsymd(program, v->name.buffer, v->name.name.length, 'v', 'n');
        if (element == nullptr) break;
        if (v->value != nullptr && v->value_class == 1) cmppdvb(program, element, static_cast<double*>(v->value));
        symbols[made] = element;
    }
    if (made == count) array = cmparay(program, entry->name, entry->name_length, symbols, count);
    if (symbols != small) std::free(symbols);
    return array;
}

cmp_symbol* rskpsym(RSKCON* con, RSKSYMENTRY* entry) {
    cmp_session* program = program_of(con);
    if (program == nullptr || entry == nullptr) return nullptr;
    // Instrument variables are members of the instrument structures declared when the compile
    // opened, visible by their bare names.
    cmp_symbol* symbol = cmpsyms(program, entry->name, entry->name_length);
    if (symbol == nullptr) return report_undeclared(entry);
    entry->symbol = symbol;
    return symbol;
}

cmp_symbol* rskrsym(RSKCON* con, RSKSYMENTRY* entry) {
    RSKCMPCON* h = con != nullptr ? con->compile_handle : nullptr;
    if (h == nullptr || h->compilation.program == nullptr || entry == nullptr) return nullptr;
    if (h->collecting) {
        rskmcmp_addvar(con, entry, RSKPDV_REFERENCE);
        if (entry->symbol != nullptr) return entry->symbol;
    }
    cmp_symbol* symbol = cmpsyms(h->compilation.program, entry->name, entry->name_length);
    if (symbol == nullptr) return report_undeclared(entry);
    entry->symbol = symbol;
    return symbol;
}

int rskrpdv(RSKCON* con, int block, double* values) {
    RSKCMPCON* h = con != nullptr ? con->compile_handle : nullptr;
    cmp_instance* instance = rskcmpi(con, block);
    if (instance == nullptr || h->value_base_slot < 0) return 1;
    cmpbasev(instance)[h->value_base_slot] = values;
    return 0;
}

int rskcpdv(int storage_class, int length, int used) {
    int size = storage_class == 10 ? 8 : length + 1;
    int offset = (used + 7) / 8 * 8;   // every slot starts on a double boundary
    return size > 0 ? offset : -1;
}

int lookup_sym(RSKCON* con, const char* name, int length, const char* member, double** out) {
    *out = nullptr;
    cmp_session* program = program_of(con);
    cmp_instance* instance = rskcmpi(con, 0);
    if (program == nullptr || instance == nullptr) return 1;
    int mlength = member != nullptr ? static_cast<int>(std::strlen(member)) : 0;
    cmp_symbol* symbol = cmpsymp(program, name, length, member, mlength);
    if (symbol == nullptr || cmpsymkind(symbol) != 'v') return 1;
    *out = cmppdva(instance, symbol);   // null for a character symbol
    return *out != nullptr ? 0 : 1;
}

int lookup_array(RSKCON* con, const char* reference, int length, double** out) {
    *out = nullptr;
    cmp_session* program = program_of(con);
    cmp_instance* instance = rskcmpi(con, 0);
    if (program == nullptr || instance == nullptr || reference == nullptr) return 1;
    // "name" or "name[element]", the element counted from 1.
    const char* open = static_cast<const char*>(std::memchr(reference, '[', static_cast<size_t>(length)));
    int name_length = open != nullptr ? static_cast<int>(open - reference) : length;
    long element = 0;
    if (open != nullptr) {
        char digits[16] = {};
        int n = length - name_length - 2;
        if (n <= 0 || n >= static_cast<int>(sizeof digits) || reference[length - 1] != ']') {
            xpslog("%2zCannot find %*s in postvar or postprice computation.", length, reference);
            return 1;
        }
        std::memcpy(digits, open + 1, static_cast<size_t>(n));
        char* end = nullptr;
        element = std::strtol(digits, &end, 10);
        if (*end != '\0' || element < 1) {
            xpslog("%2zCannot find %*s in postvar or postprice computation.", length, reference);
            return 1;
        }
    }
    cmp_symbol* symbol = cmpsymp(program, reference, name_length, nullptr, 0);
    if (symbol == nullptr) return 1;
    switch (cmpsymkind(symbol)) {
        case 'v': *out = open == nullptr ? cmppdva(instance, symbol) : nullptr; break;
        case 'a':
        case 'm': *out = open != nullptr ? cmpmatn(instance, symbol, static_cast<int>(element), 0) : nullptr; break;
        default: break;
    }
    return *out != nullptr ? 0 : 1;
}
