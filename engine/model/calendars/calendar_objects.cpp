// Calendar objects: look-up in the calendar table, definition from holiday data sets, clearing,
// release to the free list and listing.
#include <cstring>

#include "engine/model/calendars/calendars.h"
#include "engine/model/names/name_records.h"
#include "engine/tables/object_tables.h"
#include "engine/tables/free_lists.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/services/catalog.h"
#include "common/memory/pool_memory.h"
#include "host/dates.h"
#include "host/options.h"
#include "host/print.h"

namespace {

constexpr int kCalendarChunk = 2;
constexpr int kDefaultYearCutoff = 1970;

RSKCALENDAR* take_calendar(RSKCON* con) {
    RSKCALENDAR* calendar = rsk_take_record(con, con->free_lists->calendars, kCalendarChunk, "add elements to a list");
    return calendar;
}

// The window: 100 years from 1 January of the YEARCUTOFF year.
void set_window(RSKCALENDAR* calendar) {
    long year = kDefaultYearCutoff;
    if (xoptigt("YEARCUTOFF", &year) != 0 || year < 1582 || year > 20000 - kRskCalendarYears)
        year = kDefaultYearCutoff;
    calendar->first_day = ziddmdy(1, 1, static_cast<int>(year));
    calendar->end_day = ziddmdy(1, 1, static_cast<int>(year) + kRskCalendarYears);
    std::memset(calendar->holidays, 0, sizeof calendar->holidays);
}

void apply_dataset(RSKCON* con, RSKCALENDAR* calendar, const RSKNAMEREC* spec) {
    char libref[8];
    char member[32];
    int member_length = 0;
    if (rskcal_resolve(con, spec, libref, member, &member_length) != 0) return;
    rskcal_apply_rules(con, calendar, libref, member, member_length);
}

}  // namespace

RSKCATOBJ* rskcal(RSKCON* con, const RSKNAMEREC* name) {
    if (con == nullptr || con->current_tables == nullptr) return nullptr;
    return static_cast<RSKCATOBJ*>(rsksym(con, &con->current_tables->tables[RSKTAB_CALENDARS], name));
}

int rskcald(RSKCON* con, RSKCALENDAR** out, const char* name, int name_length, int count,
            const RSKNAMEREC* datasets, RSKCATOBJ* existing) {
    if (out != nullptr) *out = nullptr;
    if (name_length < 0) name_length = name != nullptr ? static_cast<int>(std::strlen(name)) : 0;
    // The record holds 16 specifications: refuse more before anything is created.
    if (count < 0 || count > kRskCalendarDatasets || (count > 0 && datasets == nullptr)) {
        xpmlog(598, 2352, name_length, name, count, kRskCalendarDatasets);
        return 1;
    }
    // Copies first: a caller may redefine a calendar from its own record's name and data sets.
    RSKOBJNAME new_name{};
    rskname(con, &new_name, name, name_length);
    RSKPATHNAME specs[kRskCalendarDatasets];
    for (int i = 0; i < count; ++i) rskpnam(con, &specs[i], datasets[i].text, datasets[i].length);

    RSKCATOBJ* header = existing;
    if (header == nullptr) {
        RSKNAMEREC key{0, static_cast<uint16_t>(name_length), const_cast<char*>(name)};
        if (rssofid(con, &header, &key, nullptr, RSKKIND_CALENDAR) != 0 || header == nullptr) return 1;
    }
    auto* calendar = static_cast<RSKCALENDAR*>(header->object);
    if (calendar != nullptr) {
        rskcalc(con, calendar);
    } else {
        calendar = take_calendar(con);
        if (calendar == nullptr) return 1;
        header->object = calendar;
    }
    rskname(con, &calendar->name, new_name.buffer, new_name.name.length);
    for (int i = 0; i < count; ++i)
        rskpnam(con, &calendar->datasets[i], specs[i].buffer, specs[i].name.length);
    calendar->dataset_count = count;
    set_window(calendar);
    for (int i = 0; i < count; ++i) apply_dataset(con, calendar, &calendar->datasets[i].name);
    if (out != nullptr) *out = calendar;
    return 0;
}

int rskcalc(RSKCON*, RSKCALENDAR* calendar) {
    if (calendar == nullptr) return 0;
    calendar->dataset_count = 0;
    std::memset(calendar->datasets, 0, sizeof calendar->datasets);
    calendar->first_day = 0;
    calendar->end_day = 0;
    std::memset(calendar->holidays, 0, sizeof calendar->holidays);
    return 0;
}

int rskcalf(RSKCON* con, RSKCALENDAR* calendar) {
    if (calendar == nullptr) return 0;
    std::memset(calendar, 0, sizeof *calendar);
    calendar->next = con->free_lists->calendars;
    con->free_lists->calendars = calendar;
    return 0;
}

int rskcalp(RSKCON*, const RSKCALENDAR* calendar) {
    if (calendar == nullptr) return 0;
    xpmout(598, 2351, static_cast<int>(calendar->name.name.length), calendar->name.name.text);
    for (int i = 0; i < calendar->dataset_count; ++i) {
        const RSKNAMEREC& spec = calendar->datasets[i].name;
        xpmout(598, 2354, static_cast<int>(spec.length), spec.text);
    }
    xpskip(1);
    return 0;
}
