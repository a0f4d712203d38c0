// Pieces shared by the value formatters: the renderers of each format family, which write the
// text of a present value within a width, and the exact decimal rounding they build on.
#pragma once
#include <string>

namespace qor::values {

// A renderer writes the text of a present (not missing) value for width w and decimals d into
// out, no longer than w; false when no form of the value fits, and the caller writes asterisks.
using renderer = bool (*)(double value, int w, int d, std::string* out);

// The renderer of a registry format name; null for character formats and unknown names.
renderer renderer_for(const char* name);

// value rounded to decimals places (half away from zero, on the exact binary value), as plain
// decimal text; a result that rounds to zero carries no minus sign.
std::string fixed_text(double value, int decimals);

// Numbers (plain, BEST, D, COMMA, NLNUM, PERCENT).
bool render_fixed(double value, int w, int d, std::string* out);
bool render_best(double value, int w, int d, std::string* out);
bool render_d(double value, int w, int d, std::string* out);
bool render_comma(double value, int w, int d, std::string* out);
bool render_percent(double value, int w, int d, std::string* out);

// Dates (value: days from 1 January 1960).
bool render_date(double value, int w, int d, std::string* out);
bool render_monyy(double value, int w, int d, std::string* out);
bool render_year(double value, int w, int d, std::string* out);
bool render_yyqc(double value, int w, int d, std::string* out);
bool render_weekdatx(double value, int w, int d, std::string* out);
bool render_yymmdd(double value, int w, int d, std::string* out);
bool render_mmddyy(double value, int w, int d, std::string* out);
bool render_ddmmyy(double value, int w, int d, std::string* out);

// Date-times and times (value: seconds from midnight of 1 January 1960, or seconds).
bool render_datetime(double value, int w, int d, std::string* out);
bool render_e8601dt(double value, int w, int d, std::string* out);
bool render_time(double value, int w, int d, std::string* out);
bool render_tod(double value, int w, int d, std::string* out);
bool render_hhmm(double value, int w, int d, std::string* out);
bool render_hour(double value, int w, int d, std::string* out);
bool render_mmss(double value, int w, int d, std::string* out);

}  // namespace qor::values
