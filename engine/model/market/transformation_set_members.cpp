// Members of transformation sets: appending a member and classifying it as a transformation
// method, a linear-transformation parameter matrix or a nested set; the listing of a set.
#include "engine/model/control/entry_table.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/market/transformation_sets.h"
#include "engine/model/names/name_records.h"
#include "engine/model/parameters/parameter_matrices.h"
#include "engine/model/services/catalog.h"
#include "engine/model/services/compiler.h"
#include "host/print.h"

namespace {

constexpr int kMemberChunk = 20;
constexpr int kReadRight = 4;
constexpr int kWrongKind = 9;
constexpr int kNoKind = 8;
constexpr char kTransformationKind = 'T';

// What a look-up found: nothing, an object of the right kind, or one of another kind.
enum class Found { none, right, wrong };

Found find_method(RSKCON* con, const RSKNAMEREC* name) {
    RSKGENTRANS* method = own_engine_routine<EngineSlot::rsktrn>()(con, name);
    if (method == nullptr) return Found::none;
    return method->kind == kTransformationKind ? Found::right : Found::wrong;
}

Found find_matrix(RSKCON* con, const RSKNAMEREC* name) {
    RSKCATOBJ* object = own_engine_routine<EngineSlot::rskpmx>()(con, name);
    auto* matrix = static_cast<RSKPARMATRIX*>(object != nullptr ? rssofiq(con, object, kReadRight) : nullptr);
    if (matrix == nullptr) return Found::none;
    return matrix->linear_transformation ? Found::right : Found::wrong;
}

Found find_set(RSKCON* con, const RSKNAMEREC* name) {
    return rskprs(con, name) != nullptr ? Found::right : Found::none;
}

// The message of a member, with the set's and the member's names.
void report(int number, const RSKPRATESET* set, const RSKPRSMEMBER* member) {
    xpmlog(598, number, static_cast<int>(set->name.name.length), set->name.buffer,
           static_cast<int>(member->name.name.length), member->name.buffer);
}

int classify(RSKCON* con, const RSKPRATESET* set, RSKPRSMEMBER* member) {
    const RSKNAMEREC* name = &member->name.name;
    switch (member->kind) {
    case RSKPRS_SET:
        if (find_set(con, name) == Found::none) report(1221, set, member);
        return 0;
    case RSKPRS_METHOD:
        switch (find_method(con, name)) {
        case Found::none: report(1222, set, member); return 0;
        case Found::wrong: report(1228, set, member); return kWrongKind;
        case Found::right: return 0;
        }
        return 0;
    case RSKPRS_MATRIX:
        switch (find_matrix(con, name)) {
        case Found::none: report(1280, set, member); return 0;
        case Found::wrong: report(1281, set, member); return kWrongKind;
        case Found::right: return 0;
        }
        return 0;
    default:
        break;
    }
    // No kind given: a method first, then a matrix, then a set.
    if (Found method = find_method(con, name); method != Found::none) {
        member->kind = RSKPRS_METHOD;
        if (method == Found::wrong) {
            report(1228, set, member);
            return kWrongKind;
        }
        return 0;
    }
    if (Found matrix = find_matrix(con, name); matrix != Found::none) {
        member->kind = RSKPRS_MATRIX;
        if (matrix == Found::wrong) {
            report(1281, set, member);
            return kWrongKind;
        }
        return 0;
    }
    if (find_set(con, name) != Found::none) {
        member->kind = RSKPRS_SET;
        return 0;
    }
    member->kind = RSKPRS_UNKNOWN;
    report(3129, set, member);
    return kNoKind;
}

}  // namespace

int rskprsa(RSKCON* con, RSKCATOBJ* object, uint32_t kind, const RSKNAMEREC* member_name) {
    if (member_name == nullptr || member_name->text == nullptr || member_name->length == 0) {
        xebug("rskprsa: NULL name.");
        return 1;
    }
    if (object == nullptr || object->object == nullptr) return 1;
    auto* set = static_cast<RSKPRATESET*>(object->object);
    RSKPRSMEMBER* member =
        rsk_take_record(con, con->free_lists->transformation_members, kMemberChunk, "add elements to a list");
    if (member == nullptr) return 1;
    rskname(con, &member->name, member_name->text, member_name->length);
    member->kind = kind;
    if (set->tail != nullptr)
        set->tail->next = member;
    else
        set->head = member;
    set->tail = member;
    ++set->count;
    return classify(con, set, member);
}

int rskprsp(RSKCON*, const RSKPRATESET* set) {
    if (set == nullptr) return 0;
    xpmout(598, 2171, static_cast<int>(set->name.name.length), set->name.buffer);
    xpmout(598, 2173, static_cast<int>(set->count));
    int ordinal = 0;
    for (const RSKPRSMEMBER* member = set->head; member != nullptr; member = member->next) {
        int number = 2174;
        if (member->kind == RSKPRS_SET) number = 2175;
        if (member->kind == RSKPRS_METHOD) number = 2178;
        if (member->kind == RSKPRS_MATRIX) number = 2179;
        xpmout(598, number, ++ordinal, static_cast<int>(member->name.name.length), member->name.buffer);
    }
    xpoflsh(0);
    return 0;
}
