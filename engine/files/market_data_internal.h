// What the market data set routines share among their files: finding a definition, opening its
// data set, finding and binding the special columns and the risk factors, and the date helpers.
#pragma once
#include <cstdint>
#include "engine/model/services/files.h"

struct RSKINPUTDS;

// Finds the definition of `type` (and interval `code` unless 0) among `names`, or the run's
// market data list when null; when none matches and `report` is set, a message, then the
// environment's list. Its data set is resolved into md->libref and md->member. Null: none.
RSKINPUTDS* locate_input_ds(RSKCON* con, mds* md, uint32_t type, const RSKNAMECELL* names, int code, int report);
// The analysis takes the definition's interval, or must agree with it: 0, or 4 after 598/2426.
int check_interval(RSKCON* con, mds* md, const RSKINPUTDS* definition);
// Opens the located data set for reading: 0, or 99 after 598/2411 with the error flag set.
int open_dataset(RSKCON* con, mds* md, const RSKINPUTDS* definition);

// The special columns. Each gives 0 when found (its number stored), else the code the open takes.
int find_date_var(RSKCON* con, mds* md, int required);
int find_horizon_var(RSKCON* con, mds* md);
int find_type_var(RSKCON* con, mds* md);
int find_name_var(RSKCON* con, mds* md);
// Finds the risk factors (the caller's list or every one of the environment) and binds them with
// the special columns found into one get list; `selector` picks each factor's slot; `bind` 0 only
// finds and marks them. 0 or 99.
int find_and_bind(RSKCON* con, mds* md, const RSKVARLINK* factors, int selector, int bind);

// Messages name the definition and the data set.
#define MDS_MEMBER(md) static_cast<int>((md)->member_length), (md)->member
#define MDS_DEFINITION(md) static_cast<int>((md)->definition->name.name.length), (md)->definition->name.name.text

// 1 for interval codes of date-time intervals, whose DATE values are seconds.
int mds_datetime_interval(int code);
// A date (days) as the messages show it: the DATETIME format for date-time intervals (the value
// back in seconds), else the DATE format. The text's length.
int mds_date_text(RSKCON* con, const mds* md, double days, char (&text)[40]);
// Reports a read failure of the host (xprrlog) and gives 99.
int mds_host_failure(int rc);
