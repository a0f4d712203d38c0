// The drivers that turn what a project names into actions of the run: the members of its
// transformation sets (methods and linear transformations, nested sets followed in order), its
// project methods that compute parameter matrices, and its post-valuation and post-pricing
// methods. Each method is fetched, checked for its kind and compiled before its action joins.
#include <cstring>

#include "engine/compiler/dependencies.h"
#include "engine/compiler/method_objects.h"
#include "engine/compiler/use_entries.h"
#include "engine/model/market/transformation_sets.h"
#include "engine/model/names/name_records.h"
#include "engine/model/parameters/parameter_matrices.h"
#include "engine/model/projects/projects.h"
#include "engine/model/services/catalog.h"
#include "engine/model/variables/variables.h"
#include "engine/tables/method_records.h"
#include "host/print.h"

namespace {

constexpr int kReadRight = 4;
constexpr int kNestingLimit = 32;   // deeper nesting can only be a set that contains itself

int keep(int rc, int code) { return code > rc ? code : rc; }

// A new action of the run (zeroed, from the run's pool), appended to its list.
RSKACTION* new_action(RSKCON* con, const RSKNAMEREC& name, uint32_t kind, void* target) {
    RSKRUNCOMPILE* run = dependency_run(con);
    if (run == nullptr) return nullptr;
    auto* action = static_cast<RSKACTION*>(dependency_alloc(con, sizeof(RSKACTION), "transformation list"));
    if (action == nullptr) return nullptr;
    rskname(con, &action->name, name.text, name.length);
    action->kind = kind;
    action->target = target;
    action->defined = 1;
    append_action(run, action);
    return action;
}

const char* kind_word(char kind) {
    switch (kind) {
    case RSKMKIND_PROJECT: return "project";
    case RSKMKIND_POSTVAR: return "post-valuation";
    case RSKMKIND_POSTPRICE: return "post-pricing";
    default: return "transformation";
    }
}

// Fetches a method of the kind the list asks for and compiles it; its action joins the run.
int resolve_method(RSKCON* con, const RSKNAMEREC& name, char kind, RSKGENTRANS** out) {
    if (out != nullptr) *out = nullptr;
    RSKGENTRANS* method = rsktrn(con, &name);
    if (method == nullptr || method->kind != kind) {
        xpmlog(598, 1126, kind_word(kind), static_cast<int>(name.length), name.text);
        return 1;
    }
    int rc = rskrsvt(con, method, 0);
    if (rc != 0) return rc;
    if (new_action(con, method->name.name, RSKACTION_METHOD_CALL, method) == nullptr) return 1;
    if (out != nullptr) *out = method;
    return 0;
}

int resolve_list(RSKCON* con, const RSKNAMELIST* list, char kind) {
    int rc = 0;
    for (const RSKNAMECELL* c = list != nullptr ? list->head : nullptr; c != nullptr; c = c->next)
        rc = keep(rc, resolve_method(con, c->name.name, kind, nullptr));
    return rc;
}

RSKPARMATRIX* find_matrix(RSKCON* con, const RSKNAMEREC& name) {
    RSKCATOBJ* object = rskpmx(con, &name);
    return static_cast<RSKPARMATRIX*>(object != nullptr ? rssofiq(con, object, kReadRight) : nullptr);
}

RSKPRATESET* find_set(RSKCON* con, const RSKNAMEREC& name) {
    RSKCATOBJ* object = rskprs(con, &name);
    return static_cast<RSKPRATESET*>(object != nullptr ? rssofiq(con, object, kReadRight) : nullptr);
}

void member_note(int number, const RSKPRATESET* set, const RSKPRSMEMBER* member) {
    xpmlog(598, number, static_cast<int>(set->name.name.length), set->name.name.text,
           static_cast<int>(member->name.name.length), member->name.name.text);
}

// A linear transformation of a parameter matrix: the risk factors of its rows are its inputs,
// those of its columns its outputs; they are known once the matrix has been prepared for a run.
int resolve_lt(RSKCON* con, const RSKPRATESET* set, RSKPRSMEMBER* member, RSKPARMATRIX* matrix) {
    if (matrix->row_variables == nullptr || matrix->column_variables == nullptr || matrix->rows.count < 1 ||
        matrix->columns.count < 1) {
        member_note(1282, set, member);
        return 1;
    }
    auto* lt = static_cast<RSKLINTRANS*>(dependency_alloc(con, sizeof(RSKLINTRANS), "transformation list"));
    if (lt == nullptr) return 1;
    rskname(con, &lt->name, matrix->name.name.text, matrix->name.name.length);
    // Each pattern row holds one input's coefficients; the columns, with their means and
    // standard deviations, are the outputs.
    lt->inputs = matrix->row_variables;
    lt->input_count = matrix->rows.count;
    lt->outputs = matrix->column_variables;
    lt->output_count = matrix->columns.count;
    lt->matrix = matrix;
    member->resolved = matrix;
    return new_action(con, matrix->name.name, RSKACTION_LINEAR_TRANS, lt) != nullptr ? 0 : 1;
}

int resolve_prs(RSKCON* con, const RSKPRATESET* set, int report, int depth) {
    if (depth > kNestingLimit) {
        xpmlog(598, 1223, static_cast<int>(set->name.name.length), set->name.name.text);
        return 1;
    }
    if (set->head == nullptr) xpmlog(598, 1225, static_cast<int>(set->name.name.length), set->name.name.text);
    int rc = 0;
    for (RSKPRSMEMBER* m = set->head; m != nullptr && rc == 0; m = m->next) {
        const RSKNAMEREC& name = m->name.name;
        // A member of no kind yet is what its name finds first: a method, a matrix, a set.
        uint32_t kind = m->kind;
        if (kind == RSKPRS_UNKNOWN)
            kind = rsktrn(con, &name) != nullptr ? RSKPRS_METHOD
                   : find_matrix(con, name) != nullptr ? RSKPRS_MATRIX
                   : find_set(con, name) != nullptr ? RSKPRS_SET : RSKPRS_UNKNOWN;
        switch (kind) {
        case RSKPRS_SET: {
            RSKPRATESET* inner = find_set(con, name);
            if (inner == nullptr) {
                if (report) member_note(1221, set, m);
                break;
            }
            m->resolved = inner;
            rc = keep(rc, resolve_prs(con, inner, report, depth + 1));
            break;
        }
        case RSKPRS_METHOD: {
            RSKGENTRANS* method = rsktrn(con, &name);
            if (method == nullptr) {
                if (report) member_note(1222, set, m);
                break;
            }
            if (method->kind != RSKMKIND_TRANS) {
                member_note(1228, set, m);
                rc = 1;
                break;
            }
            rc = keep(rc, resolve_method(con, name, RSKMKIND_TRANS, &method));
            m->resolved = method;
            break;
        }
        case RSKPRS_MATRIX: {
            RSKPARMATRIX* matrix = find_matrix(con, name);
            if (matrix == nullptr) {
                if (report) member_note(1280, set, m);
                break;
            }
            if (!matrix->linear_transformation) {
                member_note(1281, set, m);
                rc = 1;
                break;
            }
            rc = keep(rc, resolve_lt(con, set, m, matrix));
            break;
        }
        default:
            if (report) member_note(1222, set, m);
            break;
        }
    }
    return rc;
}

}  // namespace

int rskrsv2(RSKCON* con, const RSKNAMELIST* sets, int report) {
    int rc = 0;
    for (const RSKNAMECELL* c = sets != nullptr ? sets->head : nullptr; c != nullptr; c = c->next) {
        RSKPRATESET* set = find_set(con, c->name.name);
        if (set == nullptr) {
            xpmlog(598, 1226, static_cast<int>(c->name.name.length), c->name.name.text);
            rc = keep(rc, 1);
            continue;
        }
        rc = keep(rc, resolve_prs(con, set, report, 0));
    }
    return rc;
}

int rskrsv6(RSKCON* con, const RSKNAMELIST* methods) {
    int rc = 0;
    for (const RSKNAMECELL* c = methods != nullptr ? methods->head : nullptr; c != nullptr; c = c->next) {
        RSKGENTRANS* method = nullptr;
        rc = keep(rc, resolve_method(con, c->name.name, RSKMKIND_PROJECT, &method));
        if (method == nullptr) continue;
        // A matrix that a project method computes is not read from market data for the run.
        for (auto* use = static_cast<RSKUSEENTRY*>(method->uses); use != nullptr; use = use->next)
            if (use->output && use->variable != nullptr && use->variable->kind == RSKVKIND_PARMAT)
                use->variable->parameter_use &= static_cast<uint8_t>(~RSKPMXUSE_RUN);
    }
    return rc;
}

int rskrsv7(RSKCON* con, const RSKNAMELIST* methods) { return resolve_list(con, methods, RSKMKIND_POSTVAR); }

int rskrsv8(RSKCON* con, const RSKNAMELIST* methods) { return resolve_list(con, methods, RSKMKIND_POSTPRICE); }
