// List forms of calendars (kind 22: the holiday data set names) and cross-classifications
// (kind 35: hierarchies of class variables with their crossing marks).
#include "catalog/form_items.h"
#include "catalog/forms_further.h"
#include "engine/model/calendars/calendars.h"
#include "engine/model/categories/categories.h"
#include "host/print.h"

using namespace form_items;

int rsscalg(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int, int) {
    const auto* calendar = static_cast<const RSKCALENDAR*>(object);
    if (calendar == nullptr || list == 0) return 1;
    int rc = put_text(list, "OBJTYPE", "CALENDAR");
    if (rc == 0) rc = put_text(list, "NAME", text_of(calendar->name));
    if (rc != 0) return rc;
    qor_list_id names = new_sublist(con, workspace, "rsscalg");
    if (names == 0) return 1;
    for (int i = 0; rc == 0 && i < calendar->dataset_count && i < kRskCalendarDatasets; ++i)
        rc = put_text(names, "", text_of(calendar->datasets[i]));
    if (rc == 0) rc = rsoinsl(list, names, "DSNAMES", -1);
    rss_free_list(names);
    return rc;
}

int rsscals(RSKCON* con, uint32_t list, RSKLISTWS*, int, int, RSKCATOBJ** out, RSKCATOBJ* header) {
    RSOCHAR name{};
    qor_list_id names = 0;
    if (rsogetc(list, "NAME", -1, &name) != 0 || rsogetl(list, "DSNAMES", -1, &names) != 0) return 1;
    // A calendar holds 16 data set names of at most 1024 characters: a list beyond that is
    // refused whole rather than loaded short.
    const int count = slcnt(slistp(names));
    if (count > kRskCalendarDatasets) {
        xpmlog(598, 3093, static_cast<int>(name.length), name.text, count, kRskCalendarDatasets);
        return 1;
    }
    RSKNAMEREC datasets[kRskCalendarDatasets] = {};
    for (int i = 0; i < count; ++i) {
        RSOCHAR item{};
        if (rsoitmc(names, i + 1, &item) != 0) return 1;
        if (item.length > static_cast<size_t>(kRskPathCapacity)) {
            xpmlog(598, 3094, static_cast<int>(name.length), name.text, kRskPathCapacity);
            return 1;
        }
        datasets[i] = record_of(item);
    }
    RSKCALENDAR* calendar = nullptr;
    if (engine_call<EngineSlot::rskcald>(con, &calendar, name.text, static_cast<int>(name.length), count,
                                         static_cast<const RSKNAMEREC*>(datasets), header) != 0 ||
        calendar == nullptr)
        return 1;
    RSKNAMEREC key = record_of(name);
    auto find = engine_routine<EngineSlot::rskcal>();
    hand_out(out, header != nullptr ? header : (find ? find(con, &key) : nullptr));
    return 0;
}

int rssccsg(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int, int) {
    const auto* cross = static_cast<const RSKCROSSCLASS*>(object);
    if (cross == nullptr || list == 0) return 1;
    int rc = put_text(list, "OBJTYPE", "CROSSCLASS");
    if (rc == 0) rc = put_text(list, "NAME", text_of(cross->name));
    if (rc != 0) return rc;
    qor_list_id hierarchies = new_sublist(con, workspace, "rssccsg");
    if (hierarchies == 0) return 1;
    for (const RSKHIERARCHY* hierarchy = cross->head; rc == 0 && hierarchy != nullptr; hierarchy = hierarchy->next) {
        qor_list_id one = new_sublist(con, workspace, "rssccsg");
        if (one == 0) continue;   // reported; that hierarchy is left out
        for (const RSKHIERCELL* cell = hierarchy->head; rc == 0 && cell != nullptr; cell = cell->next) {
            qor_list_id variable = new_sublist(con, workspace, "rssccsg");
            if (variable == 0) continue;
            rc = put_text(variable, "NAME", text_of(cell->name));
            if (rc == 0) rc = put_number(variable, "CROSS", cell->marker != 0 ? 1.0 : 0.0);
            if (rc == 0) rc = rsoinsl(one, variable, "", 0);
            rss_free_list(variable);
        }
        if (rc == 0) rc = rsoinsl(hierarchies, one, "", 0);
        rss_free_list(one);
    }
    if (rc == 0) rc = rsoinsl(list, hierarchies, "HIERARCHIES", -1);
    rss_free_list(hierarchies);
    return rc;
}

int rssccss(RSKCON* con, uint32_t list, RSKLISTWS*, int, int, RSKCATOBJ** out, RSKCATOBJ* header) {
    RSOCHAR name{};
    if (rsogetc(list, "NAME", -1, &name) != 0) return 1;
    RSKNAMEREC key = record_of(name);
    RSKCATOBJ* defined = nullptr;
    if (engine_call<EngineSlot::rskccsd>(con, &defined, static_cast<const RSKNAMEREC*>(&key),
                                         static_cast<const RSKNAMEREC*>(nullptr), header) != 0 ||
        defined == nullptr || defined->object == nullptr) {
        xpmlog(598, 3080, static_cast<int>(name.length), name.text);
        return 1;
    }
    hand_out(out, defined);
    auto* cross = static_cast<RSKCROSSCLASS*>(defined->object);
    qor_list_id hierarchies = 0;
    if (rsogetl(list, "HIERARCHIES", -1, &hierarchies) != 0) return 1;
    const int count = slcnt(slistp(hierarchies));
    int rc = 0;
    for (int h = 1; h <= count; ++h) {
        qor_list_id variables = 0;
        if (rsoitml(hierarchies, h, &variables) != 0) return 1;
        RSKHIERARCHY* hierarchy = nullptr;
        if (engine_call<EngineSlot::rskccsa>(con, cross, &hierarchy) != 0 || hierarchy == nullptr) {
            xpmlog(598, 3081, static_cast<int>(name.length), name.text);
            return 1;   // the hierarchies read so far would be a different cross-classification
        }
        const int n = slcnt(slistp(variables));
        for (int v = 1; v <= n; ++v) {
            const qor_list* items = nullptr;
            qor_list* sub = nullptr;
            if (slitml(slistp(variables), v, &sub) != 0 || sub == nullptr) {
                rc = 1;
                continue;
            }
            items = sub;
            std::string_view variable;
            double mark = qor::missing();
            if (slgnc(items, "NAME", &variable) != 0 || slgnd(items, "CROSS", &mark) != 0) {
                rc = 1;   // a variable without either item is skipped, and the load says so
                continue;
            }
            RSKNAMEREC variable_name = record_of(variable);
            const int crossing = !qor::is_missing(mark) && mark == 1.0 ? 1 : 0;
            if (engine_call<EngineSlot::rskhier>(con, cross, hierarchy, static_cast<const RSKNAMEREC*>(&variable_name),
                                                 crossing) != 0) {
                xpmlog(598, 3082, static_cast<int>(variable_name.length), variable_name.text,
                       static_cast<int>(name.length), name.text);
                rc = 1;
                break;
            }
        }
    }
    return rc;
}
