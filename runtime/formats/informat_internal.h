// Pieces shared by the informats: the readers of each informat family and the cursor they scan
// texts with. A reader gets a trimmed, non-empty text that is not a missing-value mark.
#pragma once
#include <string_view>

namespace qor::informats {

// Reads text with decimals into *value; false when the text is not of the informat's form.
using reader = bool (*)(std::string_view text, int decimals, double* value);

// The reader of a registry informat name; null when the name has no numeric informat.
reader reader_for(const char* name);

// A position in a text that the readers advance over.
struct cursor {
    const char* at;
    const char* end;

    bool done() const { return at == end; }
    char peek() const { return at < end ? *at : '\0'; }
    bool take(char c);                      // one c, if next
    bool take_any(const char* set);         // one character of set, if next
    // An unsigned run of 1 to most digits; its value and length. false when none is next.
    bool digits(int most, long long* value, int* count);
};

// The year of a written year: two digits through the YEARCUTOFF window, four or five as they
// are; false for any other count.
bool year_of(long long digits_value, int digit_count, int* year);

// Numbers (plain w.d, BEST, D, COMMA and NLNUM, PERCENT).
bool read_number(std::string_view text, int decimals, double* value);
bool read_comma(std::string_view text, int decimals, double* value);
bool read_percent(std::string_view text, int decimals, double* value);

// Dates, date-times and times.
bool read_date(std::string_view text, int decimals, double* value);
bool read_monyy(std::string_view text, int decimals, double* value);
bool read_yymmdd(std::string_view text, int decimals, double* value);
bool read_mmddyy(std::string_view text, int decimals, double* value);
bool read_ddmmyy(std::string_view text, int decimals, double* value);
bool read_datetime(std::string_view text, int decimals, double* value);
bool read_e8601dt(std::string_view text, int decimals, double* value);
bool read_time(std::string_view text, int decimals, double* value);

}  // namespace qor::informats
