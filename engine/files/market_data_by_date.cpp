// Stepping through a time series or scenario data set: positioning at a date, reading the next
// observation with its date check (increasing dates, gaps counted in intervals), searching
// forward to a date, and reading the next scenario with its horizon.
#include <cmath>

#include "common/intervals/interval_arith.h"
#include "engine/files/market_data_internal.h"
#include "engine/model/market/market_data_sets.h"
#include "engine/run/run_block.h"
#include "host/formats.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr double kSecondsPerDay = 86400;
constexpr int kReportedGaps = 5;
constexpr int kReportedIoErrors = 10;
// Interval codes that accept gaps of up to this many intervals between observations.
constexpr double kLooseGap = 4;

bool is_series(int type) { return type == RSKMDS_TIMESERIES || type == RSKMDS_TIMESERIES_GAPS; }

bool in_seconds(const mds* md) {
    return md->definition != nullptr && mds_datetime_interval(md->definition->interval.code);
}

double to_days(const mds* md, double value) {
    return in_seconds(md) && !qor::is_missing(value) ? value / kSecondsPerDay : value;
}

void reset_dates(mds* md) {
    md->date = qor::missing();
    md->previous_date = qor::missing();
}

// The DATE of the current observation as stored.
double stored_date(mds* md) {
    double value = qor::missing();
    if (xvget1f(md->data, md->date_number, &value) != 0) return qor::missing();
    return value;
}

int io_error(RSKCON* con, int rc, const char* text) {
    RSKRUNBLOCK* run = con->run_block;
    const int count = run != nullptr ? run->market_io_errors++ : 0;
    if (count < kReportedIoErrors) {
        xprrlog(1, rc);
        xebug("%s", text);
    }
    return 99;
}

int check_date(RSKCON* con, mds* md) {
    if (md->date_number == 0) return 0;
    if (qor::is_missing(md->date)) {
        xpmlog(598, 2421, MDS_MEMBER(md), MDS_DEFINITION(md));
        md->error = 1;
        return 5;
    }
    if (qor::is_missing(md->previous_date)) return 0;
    char now[40], before[40];
    if (md->date <= md->previous_date) {
        const int a = mds_date_text(con, md, md->date, now);
        const int b = mds_date_text(con, md, md->previous_date, before);
        xpmlog(598, 2422, a, now, b, before, MDS_MEMBER(md), MDS_DEFINITION(md));
        md->error = 1;
        return 5;
    }
    const interval_spec& interval = md->definition->interval;
    if (interval.code == 0) return 0;
    const double scale = in_seconds(md) ? kSecondsPerDay : 1;
    const double counted = zintck2(&interval, md->previous_date * scale, md->date * scale);
    const double count = std::isnan(counted) ? counted : std::trunc(counted);
    const bool loose = interval.code == 25 || interval.code == 27 || interval.code == 28;
    if (count == 1 || (loose && count >= 1 && count <= kLooseGap)) return 0;
    RSKRUNBLOCK* run = con->run_block;
    if (md->open_type == RSKMDS_TIMESERIES_GAPS && run != nullptr && run->series_gaps++ < kReportedGaps) {
        const int a = mds_date_text(con, md, md->date, now);
        const int b = mds_date_text(con, md, md->previous_date, before);
        xpmlog(598, 2423, a, now, static_cast<int>(std::isnan(count) ? -1 : count),
               static_cast<int>(interval.text_length), interval.text, b, before, MDS_MEMBER(md), MDS_DEFINITION(md));
    }
    return 3;
}

// Positions at the first observation whose DATE (converted to days when `convert`) is on or after
// `date`: 0 with the reader stepped back onto it, 2 at the end, 99 on a read failure.
int search(RSKCON* con, mds* md, double date, bool convert, const char* failure) {
    for (;;) {
        const int rc = xoget(&md->reader, QOR_GET_NEXT);
        if (rc == QOR_DS_END_OF_DATA) {
            md->end = 1;
            return 2;
        }
        if (rc != 0) return io_error(con, rc, failure);
        if (qor::is_missing(date)) break;
        double value = stored_date(md);
        if (qor::is_missing(value)) continue;
        if (convert) value = to_days(md, value);
        if (value >= date) break;
    }
    return xopnt(&md->reader, QOR_POINT_BACK) == 0 ? 0 : io_error(con, -1, failure);
}

}  // namespace

int mds_datetime_interval(int code) { return code >= 2 && code <= 24 ? 1 : 0; }

int mds_date_text(RSKCON* con, const mds* md, double days, char (&text)[40]) {
    const bool seconds = in_seconds(md);
    const RSKFORMAT& format = seconds ? con->datetime_format : con->date_format;
    const double value = seconds ? std::floor(days * 1.000000000000001 * kSecondsPerDay) : days;
    int width = static_cast<int>(format.width);
    if (width < 1 || width > 30) width = seconds ? 19 : 9;
    if (format.handle == 0 || qor::is_missing(value) || xpfs(value, width, static_cast<int>(format.handle), text) != 0)
        width = xpsstr(text, sizeof text, "%.15g", value);
    text[width] = '\0';
    int start = 0;
    while (start < width && text[start] == ' ') ++start;
    if (start > 0)
        for (int i = 0; i <= width - start; ++i) text[i] = text[i + start];
    return width - start;
}

int mds_host_failure(int rc) {
    xprrlog(1, rc);
    return 99;
}

int rskmds0(RSKCON* con, mds* md, double date) {
    if (con == nullptr || md == nullptr || md->error || !md->open) return 99;
    const int type = md->open_type;
    if (!is_series(type) && type != RSKMDS_SCENARIOS) {
        xebug("rskmds0: invalid opentype %i", type);
        return 99;
    }
    if (xopnt(&md->reader, QOR_POINT_FIRST) != 0) return io_error(con, -1, "rskmds0: i/o error.");
    md->end = 0;
    if (type == RSKMDS_SCENARIOS) return 0;
    reset_dates(md);
    if (!qor::is_missing(date) && md->date_number == 0) {
        xpmlog(598, 2421, MDS_MEMBER(md), MDS_DEFINITION(md));
        md->error = 1;
        return 99;
    }
    const int rc = search(con, md, date, true, "rskmds0: i/o error.");
    reset_dates(md);
    return rc;
}

namespace {

// Reads the next row into the bound variables: 0; 1 at the end (the end flag set); 99 after an
// i/o error, reported as `who`'s.
int next_row(mds* md, const char* who) {
    int rc = xoget(&md->reader, QOR_GET_NEXT);
    if (rc == QOR_DS_END_OF_DATA) {
        md->end = 1;
        return 1;
    }
    if (rc == 0) rc = xyvget(md->get, 0);
    if (rc != 0) {
        xprrlog(1, rc);
        xebug("%s: i/o error.", who);
        return 99;
    }
    return 0;
}

}  // namespace

int rskmds1(RSKCON* con, mds* md, double* date_out) {
    if (md != nullptr) md->date = qor::missing();
    if (date_out != nullptr) *date_out = qor::missing();
    if (con == nullptr || md == nullptr || md->error || !md->open) return 99;
    if (!is_series(md->open_type) && md->open_type != RSKMDS_SCENARIOS) {
        xebug("rskmds1: invalid opentype %i", md->open_type);
        return 99;
    }
    int rc = next_row(md, "rskmds1");
    if (rc != 0) return rc;
    md->date = to_days(md, md->date);
    rc = check_date(con, md);
    if (rc == 5) return rc;
    md->previous_date = md->date;
    if (date_out != nullptr) *date_out = md->date;
    return rc;
}

int rskmds2(RSKCON* con, mds* md, double date, double* date_out) {
    if (date_out != nullptr) *date_out = qor::missing();
    if (con == nullptr || md == nullptr || md->error || !md->open) return 99;
    if (!is_series(md->open_type)) {
        xebug("rskmds2: invalid opentype %i", md->open_type);
        return 99;
    }
    int rc = search(con, md, date, false, "rskmds2: i/o error.");
    if (rc == 2) return 1;
    if (rc != 0) return rc;
    rc = xoget(&md->reader, QOR_GET_NEXT);
    if (rc == 0) rc = xyvget(md->get, 0);
    if (rc == 0) rc = xopnt(&md->reader, QOR_POINT_BACK);
    if (rc != 0) return mds_host_failure(rc);
    if (date_out != nullptr) *date_out = md->date;
    return 0;
}

int rskmds3(RSKCON* con, mds* md, double* date_out, double* horizon_out) {
    if (md != nullptr) {
        md->date = qor::missing();
        md->horizon = qor::missing();
    }
    if (date_out != nullptr) *date_out = qor::missing();
    if (horizon_out != nullptr) *horizon_out = qor::missing();
    if (con == nullptr || md == nullptr || md->error || !md->open) return 99;
    if (md->open_type != RSKMDS_SCENARIOS) {
        xebug("rskmds3: invalid opentype %i", md->open_type);
        return 99;
    }
    if (const int rc = next_row(md, "rskmds3"); rc != 0) return rc;
    if (date_out != nullptr && md->date_number != 0) *date_out = md->date;
    if (horizon_out != nullptr && md->horizon_number != 0) *horizon_out = md->horizon;
    return 0;
}
