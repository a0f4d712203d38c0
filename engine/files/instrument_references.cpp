// Checks of one instrument before it is written or priced: every currency its type carries
// must be defined, and its position values are taken, under the per-run message limits.
#include <cctype>
#include <cstring>

#include "engine/files/instrument_file.h"
#include "engine/files/instrument_file_internal.h"
#include "engine/files/instrument_file_messages.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variables.h"
#include "host/print.h"

namespace {

int name_length(const RSKOBJNAME& name) { return static_cast<int>(name.name.length); }

int stripped(const RSKVARIABLE* v, const char** text) {
    *text = v != nullptr && v->value != nullptr ? static_cast<const char*>(v->value) : "";
    int length = v != nullptr && v->value != nullptr ? static_cast<int>(v->length) : 0;
    while (length > 0 && ((*text)[length - 1] == ' ' || (*text)[length - 1] == '\0')) --length;
    return length;
}

bool blank_code(const char* code) { return code[0] == ' ' && code[1] == ' ' && code[2] == ' '; }

}  // namespace

int get_currency(RSKCON* con, RSKINSTTYPE* type) {
    int rc = 0;
    for (RSKVARLINK* link = type->currency_head; link != nullptr; link = link->next) {
        RSKVARIABLE* v = link->variable;
        if (v == nullptr || v->value == nullptr) continue;
        auto* code = static_cast<char*>(v->value);
        for (int k = 0; k < 3; ++k) code[k] = static_cast<char>(std::toupper(static_cast<unsigned char>(code[k])));
        // A blank code says that the instrument has no currency of that kind.
        if (blank_code(code) || rskcur(con, code) != nullptr) continue;
        rc = 1;
        if (!rsktran_case(con, RSKTCLASS_CURRENCY)) continue;
        const char* id = "";
        const int id_length = con->system_variables != nullptr ? stripped(con->system_variables->inst_id, &id) : 0;
        xpmlog(598, 1717, 3, code, name_length(v->name), v->name.buffer, name_length(type->name), type->name.buffer,
               id_length, id);
    }
    return rc;
}

int rsktrax(RSKCON* con) {
    RSKTRANFILE* file = rsktran_current(con);
    RSKINSTTYPE* type = file != nullptr ? file->current_type : nullptr;
    if (type == nullptr) {
        if (rsktran_internal(con)) xebug("rsktrax: no current instrument.");
        return 99;
    }
    return get_currency(con, type);
}
