// Look-ups in the code registries: keyword or description to code (case-blind, exact length,
// first row wins, else the registry's default) and code to keyword or description.
#include <cstring>
#include <initializer_list>

#include "common/strings/fields.h"
#include "engine/model/registries/code_registries.h"

namespace {

const char kUnknown[] = "*unknown*";

// Significant length of a look-up argument: negative means NUL-terminated.
int text_length(const char* text, int length) {
    if (text == nullptr) return -1;
    return length < 0 ? static_cast<int>(std::strlen(text)) : length;
}

template <typename Row>
const Row* rows_of(const RSKCON* con, int registry) {
    return static_cast<const Row*>(con->registries[registry].rows);
}

// Which field of a row a look-up compares or returns.
enum Field { NAME, DESCRIPTION };

template <typename Row>
bool row_matches(const Row& row, Field field, const char* text, int length) {
    if (field == NAME) return wzsteqn(row.name, row.name_length, text, length) == 1;
    return wzsteqn(row.description, row.description_length, text, length) == 1;
}

// Searches the first `rows` rows of a registry; true and *code when a row matches.
template <typename Row>
bool find_text(const RSKCON* con, int registry, int rows, Field field, const char* text, int length, int* code) {
    const Row* r = rows_of<Row>(con, registry);
    for (int i = 0; i < rows; ++i)
        if (row_matches(r[i], field, text, length)) {
            *code = static_cast<int>(r[i].code);
            return true;
        }
    return false;
}

template <typename Row>
int code_of(const RSKCON* con, int registry, Field field, const char* text, int length, int fallback) {
    length = text_length(text, length);
    int code = fallback;
    if (length >= 0) find_text<Row>(con, registry, rskreg_all(con, registry), field, text, length, &code);
    return code;
}

// Searches the first `rows` rows for a code; true and the text when found.
template <typename Row>
bool find_code(const RSKCON* con, int registry, int rows, Field field, int code, const char** text, int* length) {
    const Row* r = rows_of<Row>(con, registry);
    for (int i = 0; i < rows; ++i)
        if (static_cast<int>(r[i].code) == code) {
            *text = field == NAME ? r[i].name : r[i].description;
            *length = field == NAME ? r[i].name_length : r[i].description_length;
            return true;
        }
    return false;
}

int unknown(const char** text) {
    *text = kUnknown;
    return static_cast<int>(sizeof kUnknown) - 1;
}

// A list of registries searched in turn, each with all or only its core rows.
struct Searched {
    int registry;
    bool all;
};

template <typename Row, size_t N>
int text_of(const RSKCON* con, const Searched (&order)[N], Field field, int code, const char** text) {
    int length = 0;
    for (const Searched& s : order) {
        int rows = s.all ? rskreg_all(con, s.registry) : rskreg_core(con, s.registry);
        if (find_code<Row>(con, s.registry, rows, field, code, text, &length)) return length;
    }
    return unknown(text);
}

template <typename Row>
int text_of(const RSKCON* con, int registry, Field field, int code, const char** text) {
    const Searched order[] = {{registry, true}};
    return text_of<Row>(con, order, field, code, text);
}

// Data-type registry of a data-type class (1 to 9); -1 for any other class.
int dtype_registry(int dtclass) {
    static const int kByClass[] = {-1, RSKREG_DT_SYSTEM, RSKREG_DT_INSTRUMENT, RSKREG_DT_FACTOR,
                                   RSKREG_DT_REFERENCE, RSKREG_DT_OUTPUT, RSKREG_DT_PROJECT,
                                   RSKREG_DT_STATE, RSKREG_DT_CPTY, RSKREG_DT_MITIGATION};
    return dtclass >= 1 && dtclass <= 9 ? kByClass[dtclass] : -1;
}

// Role registry of a variable kind; -1 for a kind without roles.
int role_registry(int kind) {
    switch (kind) {
    case 1: return RSKREG_RL_SYSTEM;
    case 2: return RSKREG_RL_FACTOR;
    case 3: return RSKREG_RL_INSTRUMENT;
    case 6: return RSKREG_RL_REFERENCE;
    case 7: return RSKREG_RL_OUTPUT;
    case 8: return RSKREG_RL_PROJECT;
    case 9: return RSKREG_RL_STATE;
    case 11: return RSKREG_RL_CPTY;
    case 12: return RSKREG_RL_MITIGATION;
    default: return -1;
    }
}

int dtype_code(const RSKCON* con, int dtclass, Field field, const char* text, int length) {
    if (dtclass == RSKDTCLASS_ALL) {
        static const int kOrder[] = {1, 2, 8, 9, 3, 4, 5, 6, 7};
        length = text_length(text, length);
        int code = 999;
        if (length < 0) return code;
        for (int c : kOrder) {
            int r = dtype_registry(c);
            if (find_text<RSKDTYPEROW>(con, r, rskreg_all(con, r), field, text, length, &code)) return code;
        }
        return 999;
    }
    int registry = dtype_registry(dtclass);
    if (registry < 0) return 999;
    return code_of<RSKDTYPEROW>(con, registry, field, text, length, 999);
}

int role_code(const RSKCON* con, int kind, Field field, const char* text, int length) {
    int registry = role_registry(kind);
    if (registry < 0) return 999;
    return code_of<RSKROLEROW>(con, registry, field, text, length, 999);
}

const Searched kRoleSearch[] = {
    {RSKREG_RL_SYSTEM, true}, {RSKREG_RL_INSTRUMENT, true}, {RSKREG_RL_CPTY, true},
    {RSKREG_RL_MITIGATION, true}, {RSKREG_RL_FACTOR, true}, {RSKREG_RL_REFERENCE, true},
};

}  // namespace

// ---- Text to code ----------------------------------------------------------------------------
int rskcdvk(RSKCON* con, const char* text, int length) {
    return code_of<RSKCODEROW>(con, RSKREG_VKINDS, NAME, text, length, 999);
}
int rskcddk(RSKCON* con, const char* text, int length) {
    return code_of<RSKCODEROW>(con, RSKREG_VKINDS, DESCRIPTION, text, length, 999);
}
int rskcddt(RSKCON* con, int dtclass, const char* text, int length) {
    return dtype_code(con, dtclass, NAME, text, length);
}
int rskcddd(RSKCON* con, int dtclass, const char* text, int length) {
    return dtype_code(con, dtclass, DESCRIPTION, text, length);
}
int rskcdva(RSKCON* con, int kind, const char* text, int length) {
    return role_code(con, kind, NAME, text, length);
}
int rskcdda(RSKCON* con, int kind, const char* text, int length) {
    return role_code(con, kind, DESCRIPTION, text, length);
}
int rskcdac(RSKCON* con, const char* text, int length) {
    return code_of<RSKCODEROW>(con, RSKREG_ACTIONS, NAME, text, length, 0);
}
int rskcdad(RSKCON* con, const char* text, int length) {
    return code_of<RSKCODEROW>(con, RSKREG_ACTIONS, DESCRIPTION, text, length, 0);
}
int rskcdek(RSKCON* con, const char* text, int length) {
    return code_of<RSKCODEROW>(con, RSKREG_EKINDS, NAME, text, length, 1);
}
int rskcded(RSKCON* con, const char* text, int length) {
    return code_of<RSKCODEROW>(con, RSKREG_EKINDS, DESCRIPTION, text, length, 1);
}
int rskcdts(RSKCON* con, const char* text, int length) {
    return code_of<RSKCODEROW>(con, RSKREG_STATISTICS, NAME, text, length, 0);
}
int rskcdds(RSKCON* con, const char* text, int length) {
    return code_of<RSKCODEROW>(con, RSKREG_STATISTICS, DESCRIPTION, text, length, 0);
}
int rskcdoc(RSKCON* con, const char* text, int length) {
    length = text_length(text, length);
    int code = 9;
    if (length < 0) return code;
    for (int r : {RSKREG_OPT_ANALYSIS, RSKREG_OPT_OUTPUT, RSKREG_OPT_SYSTEM})
        if (find_text<RSKOPTROW>(con, r, rskreg_all(con, r), NAME, text, length, &code)) return code;
    return 9;
}
int rskcdtu(RSKCON* con, const char* text, int length) {
    return code_of<RSKCODEROW>(con, RSKREG_TUNITS, DESCRIPTION, text, length, 0);
}
int rskcdat(RSKCON* con, const char* text, int length) {
    return code_of<RSKCODEROW>(con, RSKREG_ANALYSES, DESCRIPTION, text, length, 0);
}
int rskcdtp(RSKCON* con, const char* text, int length) {
    return code_of<RSKCODEROW>(con, RSKREG_PERTURBATIONS, DESCRIPTION, text, length, 0);
}
int rskcdpd(RSKCON* con, const char* text, int length) {
    return code_of<RSKCODEROW>(con, RSKREG_DSFORMATS, DESCRIPTION, text, length, 0);
}
int rskcdmd(RSKCON* con, const char* text, int length) {
    return code_of<RSKCODEROW>(con, RSKREG_MDSTYPES, DESCRIPTION, text, length, 0);
}
int rskcdrg(RSKCON* con, const char* text, int length) {
    return code_of<RSKGENROW>(con, RSKREG_GENERATORS, DESCRIPTION, text, length, 0);
}
int rskcdem(RSKCON* con, const char* text, int length) {
    return code_of<RSKCODEROW>(con, RSKREG_ERRMODELS, DESCRIPTION, text, length, -1);
}
int rskcdsu(RSKCON* con, const char* text, int length) {
    return code_of<RSKCODEROW>(con, RSKREG_PROGTYPES, DESCRIPTION, text, length, 0);
}

// ---- Code to text ----------------------------------------------------------------------------
int rskcsdt(RSKCON* con, int code, const char** text) {
    // Output data types are not searched.
    const Searched order[] = {
        {RSKREG_DT_SYSTEM, true}, {RSKREG_DT_CPTY, false}, {RSKREG_DT_MITIGATION, false},
        {RSKREG_DT_INSTRUMENT, false}, {RSKREG_DT_PROJECT, true}, {RSKREG_DT_STATE, true},
        {RSKREG_DT_FACTOR, true}, {RSKREG_DT_REFERENCE, true},
    };
    return text_of<RSKDTYPEROW>(con, order, DESCRIPTION, code, text);
}
int rskcndt(RSKCON* con, int code, const char** text) {
    const Searched order[] = {
        {RSKREG_DT_SYSTEM, true}, {RSKREG_DT_INSTRUMENT, true}, {RSKREG_DT_FACTOR, true},
        {RSKREG_DT_REFERENCE, true},
    };
    return text_of<RSKDTYPEROW>(con, order, NAME, code, text);
}
int rskcsst(RSKCON* con, const RSKSTYPE* pair, const char** text) {
    const RSKSTYPEROW* rows = rows_of<RSKSTYPEROW>(con, RSKREG_STYPES);
    int count = rskreg_all(con, RSKREG_STYPES);
    for (int i = 0; pair != nullptr && i < count; ++i)
        if (rows[i].code == pair->code && rows[i].flags == pair->flags) {
            *text = rows[i].description;
            return rows[i].description_length;
        }
    return unknown(text);
}
int rskcsvk(RSKCON* con, int code, const char** text) {
    return text_of<RSKCODEROW>(con, RSKREG_VKINDS, DESCRIPTION, code, text);
}
int rskcnvk(RSKCON* con, int code, const char** text) {
    return text_of<RSKCODEROW>(con, RSKREG_VKINDS, NAME, code, text);
}
int rskcsva(RSKCON* con, int code, const char** text) {
    // Output roles are not searched; project and state roles come last.
    const Searched order[] = {
        {RSKREG_RL_SYSTEM, true}, {RSKREG_RL_INSTRUMENT, true}, {RSKREG_RL_CPTY, true},
        {RSKREG_RL_MITIGATION, true}, {RSKREG_RL_FACTOR, true}, {RSKREG_RL_REFERENCE, true},
        {RSKREG_RL_PROJECT, true}, {RSKREG_RL_STATE, true},
    };
    return text_of<RSKROLEROW>(con, order, DESCRIPTION, code, text);
}
int rskcnva(RSKCON* con, int code, const char** text) {
    return text_of<RSKROLEROW>(con, kRoleSearch, NAME, code, text);
}
int rskcsac(RSKCON* con, int code, const char** text) {
    return text_of<RSKCODEROW>(con, RSKREG_ACTIONS, DESCRIPTION, code, text);
}
int rskcnac(RSKCON* con, int code, const char** text) {
    return text_of<RSKCODEROW>(con, RSKREG_ACTIONS, NAME, code, text);
}
int rskcsek(RSKCON* con, int code, const char** text) {
    return text_of<RSKCODEROW>(con, RSKREG_EKINDS, DESCRIPTION, code, text);
}
int rskcssu(RSKCON* con, int code, const char** text) {
    return text_of<RSKCODEROW>(con, RSKREG_PROGTYPES, DESCRIPTION, code, text);
}
int rskcstu(RSKCON* con, int code, const char** text) {
    return text_of<RSKCODEROW>(con, RSKREG_TUNITS, DESCRIPTION, code, text);
}
int rskcspd(RSKCON* con, int code, const char** text) {
    return text_of<RSKCODEROW>(con, RSKREG_DSFORMATS, DESCRIPTION, code, text);
}
int rskcsmd(RSKCON* con, int code, const char** text) {
    return text_of<RSKCODEROW>(con, RSKREG_MDSTYPES, DESCRIPTION, code, text);
}
int rskcsat(RSKCON* con, int code, const char** text) {
    return text_of<RSKCODEROW>(con, RSKREG_ANALYSES, DESCRIPTION, code, text);
}
int rskcspt(RSKCON* con, int code, const char** text) {
    return text_of<RSKCODEROW>(con, RSKREG_PERTURBATIONS, DESCRIPTION, code, text);
}
int rskcsts(RSKCON* con, int code, const char** text) {
    return text_of<RSKCODEROW>(con, RSKREG_STATISTICS, DESCRIPTION, code, text);
}
int rskcnts(RSKCON* con, int code, const char** text) {
    return text_of<RSKCODEROW>(con, RSKREG_STATISTICS, NAME, code, text);
}
int rskcsrg(RSKCON* con, int code, const char** text) {
    return text_of<RSKGENROW>(con, RSKREG_GENERATORS, DESCRIPTION, code, text);
}
int rskcsem(RSKCON* con, int code, const char** text) {
    return text_of<RSKCODEROW>(con, RSKREG_ERRMODELS, DESCRIPTION, code, text);
}
int rskcsoc(RSKCON* con, int code, const char** text) {
    const Searched order[] = {{RSKREG_OPT_ANALYSIS, true}, {RSKREG_OPT_OUTPUT, true}, {RSKREG_OPT_SYSTEM, true}};
    return text_of<RSKOPTROW>(con, order, DESCRIPTION, code, text);
}

// ---- Rows ------------------------------------------------------------------------------------
const RSKROLEROW* rskrole(RSKCON* con, int code) {
    for (const Searched& s : kRoleSearch) {
        const RSKROLEROW* rows = rows_of<RSKROLEROW>(con, s.registry);
        int count = rskreg_all(con, s.registry);
        for (int i = 0; i < count; ++i)
            if (rows[i].code == code) return &rows[i];
    }
    return nullptr;
}

const RSKOPTROW* rskoptrow(const RSKCON* con, int code) {
    for (int r : {RSKREG_OPT_ANALYSIS, RSKREG_OPT_OUTPUT, RSKREG_OPT_SYSTEM}) {
        const RSKOPTROW* rows = rows_of<RSKOPTROW>(con, r);
        int count = rskreg_all(con, r);
        for (int i = 0; i < count; ++i)
            if (rows[i].code == code) return &rows[i];
    }
    return nullptr;
}
