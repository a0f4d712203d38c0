// Argument tests shared by the compile-time checks of the special functions: an argument naming an
// environment variable of a class or a reference variable of a reference type, and an argument
// naming an array reference variable.
#include <cstring>

#include "engine/compiler/special_functions.h"
#include "engine/model/variables/variables.h"
#include "host/print.h"

namespace {

constexpr uint32_t kArrayReference = 60;
constexpr uint32_t kParameterMatrixType = 70;

RSKVARIABLE* find_variable(RSKCON* con, const char* name, int length) {
    if (con == nullptr || name == nullptr || length <= 0 || length > 255) return nullptr;
    RSKNAMEREC rec{static_cast<uint16_t>(length), static_cast<uint16_t>(length), const_cast<char*>(name)};
    return rskvar(con, &rec);
}

}  // namespace

int checkArg(RSKCON* con, const char* name, int length, uint32_t expected_class, uint32_t expected_type,
             RSKVARIABLE** variable, int* reference, int quiet) {
    if (variable != nullptr) *variable = nullptr;
    if (reference != nullptr) *reference = 0;
    int base = 0;
    while (base < length && name[base] != '.') ++base;
    RSKVARIABLE* v = find_variable(con, name, base);
    bool plain = base == length;
    if (v != nullptr && v->kind == expected_class && plain) {
        if (variable != nullptr) *variable = v;
        return 0;
    }
    if (v != nullptr && v->kind == RSKVKIND_REFERENCE && v->data_type == expected_type) {
        if (variable != nullptr) *variable = v;
        if (reference != nullptr) *reference = 1;
        return 0;
    }
    if (quiet == 0) {
        if (expected_type == kParameterMatrixType) xpmlog(598, 3324, length, name);
        else xpmlog(598, 3321, length, name);
    }
    return 1;
}

int checkRefArg(RSKCON* con, const cmp_arg_node* argument, const char* function, int number) {
    if (argument->kind == CMP_ARG_LITERAL && argument->type == 'c') {
        RSKVARIABLE* v = find_variable(con, argument->text, argument->text_length);
        if (v != nullptr && v->kind == RSKVKIND_REFERENCE && v->data_type == kArrayReference) return 0;
    }
    xpmlog(598, 3432, number, function, "name of array reference variable");
    return 1;
}
