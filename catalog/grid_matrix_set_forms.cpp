// List forms of time grids (kind 18), parameter matrices (kind 21), statistics lists (kind 23),
// transformation sets (kind 36) and instrument file definitions (kind 37).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "catalog/form_items.h"
#include "catalog/forms_further.h"
#include "engine/model/filters/filters.h"
#include "engine/model/market/transformation_sets.h"
#include "engine/model/parameters/parameter_matrices.h"
#include "engine/model/positions/instrument_files.h"
#include "engine/model/timegrids/time_grids.h"
#include "host/print.h"

using namespace form_items;

namespace {

// The registry text of a code through a code-to-text routine ("*unknown*" when it has none).
template <EngineSlot S>
std::string_view registry_text(RSKCON* con, int code) {
    const char* text = nullptr;
    auto describe = engine_routine<S>();
    const int length = describe != nullptr ? describe(con, code, &text) : 0;
    if (length <= 0 || text == nullptr) return "*unknown*";
    return std::string_view(text, static_cast<size_t>(length));
}

// "COLUMNS" or "ROWS": the names of a dimension when it has named ones (an empty list otherwise).
int put_names(RSKCON* con, RSKLISTWS* workspace, qor_list_id list, const char* item, const RSKIDMAP& map) {
    qor_list_id names = new_sublist(con, workspace, "rsspmxg");
    if (names == 0) return 1;
    if (map.known && map.entries != nullptr)
        for (int i = 0; i < map.count; ++i)
            put_text(names, "", std::string_view(map.entries[i].identifier,
                                                 static_cast<size_t>(std::max<int16_t>(map.entries[i].length, 0))));
    const int rc = rsoinsl(list, names, item, -1);
    rss_free_list(names);
    return rc;
}

// Reads the names of one dimension: none clears its "named" mark; else the map is sized and
// filled in order.
int read_names(RSKCON* con, qor_list_id list, const char* item, RSKIDMAP* map) {
    qor_list_id names = 0;
    if (rsogetl(list, item, -1, &names) != 0) return 1;
    const int count = slcnt(slistp(names));
    if (count == 0) {
        map->known = 0;
        return 0;
    }
    if (engine_call<EngineSlot::rskpidm>(con, map, count, 0) != 0) return 1;
    for (int i = 1; i <= count; ++i) {
        RSOCHAR name{};
        if (rsoitmc(names, i, &name) != 0) return 1;
        if (engine_call<EngineSlot::rskpida>(con, map, name.text, static_cast<int>(name.length), i - 1) != 0) return 1;
    }
    map->known = 1;
    return 0;
}

// A fixed member field of 32 characters, blank-padded, from a text (cut to 32).
void set_member(char* field, int16_t* length, std::string_view text) {
    text = trimmed(text);
    const size_t n = std::min<size_t>(text.size(), kRskMemberNameCapacity);
    std::memset(field, ' ', kRskMemberNameCapacity);
    std::memcpy(field, text.data(), n);
    *length = static_cast<int16_t>(n);
}

}  // namespace

int rsstgdg(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int, int) {
    const auto* grid = static_cast<const RSKTIMEGRID*>(object);
    if (grid == nullptr || list == 0) return 1;
    int rc = put_text(list, "OBJTYPE", "TIMEGRID");
    if (rc == 0) rc = put_text(list, "NAME", text_of(grid->name));
    if (rc != 0) return rc;
    qor_list_id points = new_sublist(con, workspace, "rsstgdg");
    if (points == 0) return 1;
    for (const RSKTIMEPOINT* point = grid->head; point != nullptr; point = point->next) {
        qor_list_id one = new_sublist(con, workspace, "rsstgdg");
        if (one == 0) continue;
        put_number(one, "NUMBER", point->value);
        put_text(one, "UNIT", registry_text<EngineSlot::rskcstu>(con, static_cast<int>(point->unit)));
        rsoinsl(points, one, "", 0);
        rss_free_list(one);
    }
    rc = rsoinsl(list, points, "GRID", -1);
    rss_free_list(points);
    return rc;
}

int rsstgds(RSKCON* con, uint32_t list, RSKLISTWS*, int, int, RSKCATOBJ** out, RSKCATOBJ* header) {
    RSOCHAR name{};
    if (rsogetc(list, "NAME", -1, &name) != 0) return 1;
    RSKNAMEREC key = record_of(name);
    RSKCATOBJ* defined = nullptr;
    if (engine_call<EngineSlot::rsktgdd>(con, &defined, static_cast<const RSKNAMEREC*>(&key),
                                         static_cast<const RSKNAMEREC*>(nullptr), header) != 0 ||
        defined == nullptr || defined->object == nullptr) {
        xpmlog(598, 3130, static_cast<int>(name.length), name.text);
        return 1;
    }
    hand_out(out, defined);
    auto* grid = static_cast<RSKTIMEGRID*>(defined->object);
    qor_list_id points = 0;
    if (rsogetl(list, "GRID", -1, &points) != 0) return 1;
    auto codes = engine_routine<EngineSlot::rskcdtu>();
    const int count = slcnt(slistp(points));
    int rc = 0;
    for (int i = 1; i <= count; ++i) {
        // A point that cannot be read is not dropped silently: the grid would be another one.
        qor_list_id one = 0;
        RSOCHAR unit{};
        double number = qor::missing();
        if (rsoitml(points, i, &one) != 0 || rsogetd(one, "NUMBER", -1, &number) != 0 ||
            rsogetc(one, "UNIT", -1, &unit) != 0) {
            rc = 1;
            continue;
        }
        int code = codes != nullptr ? codes(con, unit.text, static_cast<int>(unit.length)) : 0;
        if (code < 0 || code == 999) code = 0;   // an unregistered unit is unit 0
        rc = std::max(rc, engine_call<EngineSlot::rsktgda>(con, grid, number, static_cast<uint32_t>(code)));
    }
    return std::max(rc, engine_call<EngineSlot::rsktgde>(con, grid));
}

int rsspmxg(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int, int) {
    const auto* matrix = static_cast<const RSKPARMATRIX*>(object);
    if (matrix == nullptr || list == 0) return 1;
    int rc = put_text(list, "OBJTYPE", "PARAMETER");
    if (rc == 0) rc = put_text(list, "NAME", text_of(matrix->name));
    if (rc == 0) rc = put_text(list, "INPUTDS", text_of(matrix->input_dataset));
    if (rc == 0) rc = put_number(list, "TRANSFORM", matrix->linear_transformation ? 1.0 : 0.0);
    if (rc == 0) rc = put_names(con, workspace, list, "COLUMNS", matrix->columns);
    if (rc == 0) rc = put_names(con, workspace, list, "ROWS", matrix->rows);
    return rc;
}

int rsspmxs(RSKCON* con, uint32_t list, RSKLISTWS*, int, int, RSKCATOBJ** out, RSKCATOBJ* header) {
    RSOCHAR name{};
    double transform = qor::missing();
    if (rsogetc(list, "NAME", -1, &name) != 0 || rsogetd(list, "TRANSFORM", -1, &transform) != 0) return 1;
    std::string_view input;
    slgnc(slistp(list), "INPUTDS", &input);
    RSKNAMEREC key = record_of(name), input_name = record_of(input);
    const int linear = !qor::is_missing(transform) && std::trunc(transform) != 0 ? 1 : 0;
    RSKCATOBJ* defined = nullptr;
    if (engine_call<EngineSlot::rskpmxd>(con, &defined, static_cast<const RSKNAMEREC*>(&key),
                                         static_cast<const RSKNAMEREC*>(nullptr),
                                         static_cast<const RSKNAMEREC*>(&input_name), linear, header) != 0 ||
        defined == nullptr || defined->object == nullptr)
        return 1;
    hand_out(out, defined);
    auto* matrix = static_cast<RSKPARMATRIX*>(defined->object);
    if (read_names(con, list, "COLUMNS", &matrix->columns) != 0) return 1;
    return read_names(con, list, "ROWS", &matrix->rows);
}

int rsstsgg(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int, int) {
    const auto* statistics = static_cast<const RSKTRANSTATS*>(object);
    if (statistics == nullptr || list == 0) return 1;
    int rc = put_text(list, "OBJTYPE", "TRANSTATS");
    if (rc == 0) rc = put_text(list, "NAME", text_of(statistics->name));
    if (rc != 0) return rc;
    qor_list_id all = new_sublist(con, workspace, "rsstsgg");
    if (all == 0) return 1;
    for (const RSKSTATENTRY* entry = statistics->head; rc == 0 && entry != nullptr; entry = entry->next) {
        qor_list_id one = new_sublist(con, workspace, "rsstsgg");
        if (one == 0) {
            rc = 1;
            break;
        }
        rc = put_text(one, "STATNAME", registry_text<EngineSlot::rskcsts>(con, entry->type));
        if (rc == 0) rc = put_text(one, "NAME", text_of(entry->variable));
        if (rc == 0) rc = put_text(one, "OUTNAME", text_of(entry->result));
        if (rc == 0) rc = rsoinsl(all, one, "", 0);
        rss_free_list(one);
    }
    if (rc == 0) rc = rsoinsl(list, all, "STATISTICS", -1);
    rss_free_list(all);
    return rc;
}

int rsstsgs(RSKCON* con, uint32_t list, RSKLISTWS*, int, int, RSKCATOBJ** out, RSKCATOBJ* header) {
    RSOCHAR name{};
    if (rsogetc(list, "NAME", -1, &name) != 0) return 1;
    RSKNAMEREC key = record_of(name);
    RSKCATOBJ* defined = nullptr;
    if (engine_call<EngineSlot::rsktsgd>(con, &defined, static_cast<const RSKNAMEREC*>(&key),
                                         static_cast<const RSKNAMEREC*>(nullptr), header) != 0 ||
        defined == nullptr || defined->object == nullptr) {
        xpmlog(598, 3080, static_cast<int>(name.length), name.text);
        return 1;
    }
    hand_out(out, defined);
    auto* statistics = static_cast<RSKTRANSTATS*>(defined->object);
    qor_list_id all = 0;
    if (rsogetl(list, "STATISTICS", -1, &all) != 0) return 1;
    auto codes = engine_routine<EngineSlot::rskcdds>();
    const int count = slcnt(slistp(all));
    int rc = 0;
    for (int i = 1; i <= count; ++i) {
        qor_list_id one = 0;
        RSOCHAR type{}, variable{}, result{};
        if (rsoitml(all, i, &one) != 0 || rsogetc(one, "STATNAME", -1, &type) != 0 ||
            rsogetc(one, "NAME", -1, &variable) != 0 || rsogetc(one, "OUTNAME", -1, &result) != 0) {
            rc = 1;
            continue;
        }
        const int code = codes != nullptr ? codes(con, type.text, static_cast<int>(type.length)) : 0;
        if (code <= 0 || code == 999) {
            xpmlog(598, 3185, static_cast<int>(type.length), type.text, static_cast<int>(name.length), name.text);
            rc = 1;
            continue;
        }
        if (engine_call<EngineSlot::rsktsga>(con, statistics, code, variable.text, static_cast<int>(variable.length),
                                             result.text, static_cast<int>(result.length)) != 0) {
            xpmlog(598, 3211, static_cast<int>(variable.length), variable.text, static_cast<int>(name.length),
                   name.text);
            rc = 1;
        }
    }
    return rc;
}

int rssprsg(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int, int) {
    const auto* set = static_cast<const RSKPRATESET*>(object);
    if (set == nullptr || list == 0) return 1;
    int rc = put_text(list, "OBJTYPE", "PRATESET");
    if (rc == 0) rc = put_text(list, "NAME", text_of(set->name));
    if (rc != 0) return rc;
    qor_list_id elements = new_sublist(con, workspace, "rssprsg");
    if (elements == 0) return 1;
    for (const RSKPRSMEMBER* member = set->head; member != nullptr; member = member->next) {
        const char* keyword = member->kind == RSKPRS_SET      ? "PRS"
                              : member->kind == RSKPRS_METHOD ? "GTRANSF"
                              : member->kind == RSKPRS_MATRIX ? "LINEARTRANS"
                                                              : "*unknown type*";
        put_text(elements, keyword, trimmed(text_of(member->name)));
    }
    rc = rsoinsl(list, elements, "PRS", -1);
    rss_free_list(elements);
    return rc;
}

int rssprss(RSKCON* con, uint32_t list, RSKLISTWS*, int, int, RSKCATOBJ** out, RSKCATOBJ* header) {
    RSOCHAR name{};
    if (rsogetc(list, "NAME", -1, &name) != 0) return 1;
    RSKNAMEREC key = record_of(name);
    RSKCATOBJ* defined = nullptr;
    if (engine_call<EngineSlot::rskprsd>(con, &defined, static_cast<const RSKNAMEREC*>(&key),
                                         static_cast<const RSKNAMEREC*>(nullptr), header) != 0 ||
        defined == nullptr) {
        xpmlog(598, 3130, static_cast<int>(name.length), name.text);
        return 1;
    }
    hand_out(out, defined);
    qor_list_id elements_id = 0;
    if (rsogetl(list, "PRS", -1, &elements_id) != 0) return 1;
    const qor_list* elements = slistp(elements_id);
    const int count = slcnt(elements);
    int rc = 0;
    for (int i = 1; i <= count; ++i) {
        std::string_view keyword, value;
        if (slni(elements, i, &keyword) != 0 || slitmc(elements, i, &value) != 0) {
            rc = 1;   // an element that cannot be read would leave the set short
            continue;
        }
        const size_t equals = value.find('=');
        if (equals != std::string_view::npos) value = trimmed(value.substr(0, equals));
        uint32_t kind = RSKPRS_UNKNOWN;
        if (keyword.size() >= 3 && keyword.substr(0, 3) == "PRS") kind = RSKPRS_SET;
        else if (keyword.size() >= 7 && keyword.substr(0, 7) == "GTRANSF") kind = RSKPRS_METHOD;
        else if (keyword.size() >= 11 && keyword.substr(0, 11) == "LINEARTRANS") kind = RSKPRS_MATRIX;
        if (kind == RSKPRS_UNKNOWN) {
            xebug("Unknown pricing rate element type %*s.", static_cast<int>(keyword.size()), keyword.data());
            rc = 1;   // refused: an element without a type cannot be used
            continue;
        }
        RSKNAMEREC member = record_of(value);
        if (engine_call<EngineSlot::rskprsa>(con, defined, kind, static_cast<const RSKNAMEREC*>(&member)) == 1) {
            xpmlog(598, 3131, static_cast<int>(member.length), member.text, static_cast<int>(name.length), name.text);
            rc = 1;
        }
    }
    return rc;
}

int rsstdfg(RSKCON*, void* object, uint32_t list, RSKLISTWS*, int, int) {
    const auto* definition = static_cast<const RSKTFILE*>(object);
    if (definition == nullptr || list == 0) return 1;
    auto member = [](const char* field, int16_t length) {
        return std::string_view(field, static_cast<size_t>(std::clamp<int>(length, 0, kRskMemberNameCapacity)));
    };
    int rc = put_text(list, "OBJTYPE", "TFILE");
    if (rc == 0) rc = put_text(list, "NAME", text_of(definition->name));
    if (rc == 0) rc = put_text(list, "FILENAME", member(definition->data_member, definition->data_member_length));
    if (rc == 0) rc = put_text(list, "INFONAME", member(definition->info_member, definition->info_member_length));
    if (rc == 0) rc = put_number(list, "N", definition->count1);
    if (rc == 0) rc = put_number(list, "NTYPES", definition->count2);
    if (rc == 0) rc = put_number(list, "NVALLIST", definition->field);
    if (rc == 0) rc = put_text(list, "POSNAME", text_of(definition->second_name));
    if (rc == 0) rc = put_text(list, "PATH", text_of(definition->file_name));
    return rc;
}

int rsstdfs(RSKCON* con, uint32_t list, RSKLISTWS*, int, int, RSKCATOBJ** out, RSKCATOBJ* header) {
    RSOCHAR name{}, path{}, positions{}, file{}, info{};
    double count = 0, types = 0, values = 0;
    if (rsogetc(list, "NAME", -1, &name) != 0 || rsogetc(list, "PATH", -1, &path) != 0 ||
        rsogetc(list, "POSNAME", -1, &positions) != 0 || rsogetc(list, "FILENAME", -1, &file) != 0 ||
        rsogetc(list, "INFONAME", -1, &info) != 0 || rsogetd(list, "N", -1, &count) != 0 ||
        rsogetd(list, "NTYPES", -1, &types) != 0 || rsogetd(list, "NVALLIST", -1, &values) != 0)
        return 1;
    RSKNAMEREC key = record_of(name), position_name = record_of(positions), file_name = record_of(path);
    RSKCATOBJ* defined = nullptr;
    if (engine_call<EngineSlot::rsktdfd>(con, &defined, static_cast<const RSKNAMEREC*>(&key),
                                         static_cast<const RSKNAMEREC*>(&position_name),
                                         static_cast<const RSKNAMEREC*>(&file_name), header) != 0 ||
        defined == nullptr || defined->object == nullptr)
        return 1;
    hand_out(out, defined);
    auto* definition = static_cast<RSKTFILE*>(defined->object);
    set_member(definition->data_member, &definition->data_member_length, view_of(file));
    set_member(definition->info_member, &definition->info_member_length, view_of(info));
    auto whole = [](double value) { return qor::is_missing(value) || value < 0 ? 0.0 : std::trunc(value); };
    definition->count1 = static_cast<uint32_t>(std::min(whole(count), 4294967295.0));
    definition->count2 = static_cast<uint32_t>(std::min(whole(types), 32767.0));
    definition->field = static_cast<uint16_t>(std::min(whole(values), 32767.0));
    return 0;
}
