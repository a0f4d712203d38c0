// Calendars: named sets of holidays, expanded from holiday data sets into a bitmap of 100
// years, and the business-day and month arithmetic that reads them.
#pragma once
#include <cstdint>
#include "engine/tables/catalog_records.h"
#include "engine/tables/control_structure.h"

constexpr int kRskCalendarDatasets = 16;     // holiday data sets of one calendar
constexpr int kRskCalendarYears = 100;       // years covered from the YEARCUTOFF year
constexpr int kRskCalendarBytes = 4566;      // one bit per day of the longest 100-year window

struct RSKCALENDAR {
    RSKCALENDAR* next;                       // free-list link
    RSKOBJNAME name;
    int32_t dataset_count;
    RSKPATHNAME datasets[kRskCalendarDatasets];
    double first_day;                        // 1 January of the YEARCUTOFF year
    double end_day;                          // 1 January 100 years later (not included)
    uint8_t holidays[kRskCalendarBytes];     // day i: bit 7 - i % 8 of byte i / 8
};

// Holiday rule kinds (variable TYPE of a holiday data set).
enum : int {
    RSKCAL_ABSOLUTE = 1,                     // ABSDATE
    RSKCAL_PERIODIC = 2,                     // DAY of MONTH every year
    RSKCAL_RELATIVE = 3,                     // NTH DAOFWK of MONTH
    RSKCAL_ANCHORED = 4,                     // NTH DAOFWK on or after DAY of MONTH
    RSKCAL_WEEKEND = 5,                      // every DAOFWK
};

// The calendar table's entry of that name (its catalog object), or null.
RSKCATOBJ* rskcal(RSKCON* con, const RSKNAMEREC* name);
// Defines a calendar from `count` holiday data set specifications (at most 16). `existing` is
// the calendar's catalog object when the caller has it; otherwise it is found or created. The
// record goes to *out. 0, or 1 (nothing defined) for too many data sets or a catalog refusal.
int rskcald(RSKCON* con, RSKCALENDAR** out, const char* name, int name_length, int count,
            const RSKNAMEREC* datasets, RSKCATOBJ* existing);
// Clears data sets, window and holidays (null is ignored). Always 0.
int rskcalc(RSKCON* con, RSKCALENDAR* calendar);
// Clears the record and gives it back to the calendar free list. Always 0.
int rskcalf(RSKCON* con, RSKCALENDAR* calendar);
// Lists the calendar and its holiday data sets on the print file. Always 0.
int rskcalp(RSKCON* con, const RSKCALENDAR* calendar);

// Expands the rules of one holiday data set into the calendar's bitmap. 0, or 1 when the data
// set cannot be read (rules already applied stay).
int rskcal_apply_rules(RSKCON* con, RSKCALENDAR* calendar, const char* libref,
                       const char* member, int member_length);
// Resolves a holiday data set specification for reading: 0 with the library reference (8
// bytes, blank-padded) and member; 2 when not found; 1 on an error (reported).
int rskcal_resolve(RSKCON* con, const RSKNAMEREC* spec, char* libref, char* member,
                   int* member_length);

// Business days: the calendar, not the control structure, comes first.
// 1 when the day is a business day (outside the window or not a holiday), 0 for a holiday.
int rskcabd(const RSKCALENDAR* calendar, double day);
// The first business day after / before the day.
double rskcanb(const RSKCALENDAR* calendar, double day);
double rskcapb(const RSKCALENDAR* calendar, double day);
// Moves n business days (back for negative n); n = 0 gives the day itself.
double rskcaad(const RSKCALENDAR* calendar, double day, int n);
// Adds n calendar months; the last day of a month stays the last day, and a day beyond the new
// month's length becomes its last day. Missing for a missing or impossible result.
double rskcaam(double day, int n);

// Helpers of the rule expansion.
int rskcal_leap_year(int year);
int rskcal_last_day(int year, int month);
// Marks the day as a holiday when it lies in the window.
void rskcal_set_holiday(RSKCALENDAR* calendar, double day);
// Weekday of a host date value, 0 Sunday .. 6 Saturday.
int rskcal_weekday(double day);
