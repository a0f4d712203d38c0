// Missing values inside SQLite: a one-byte blob holding the code ('.', '_', 'A'..'Z'), so that
// equal codes compare equal with SQLite's own = and join keys, and the code survives a view.
#pragma once
#include <sqlite3.h>

namespace qor::runtime::sql {

// The blob code of a missing double ('.', '_' or 'A'..'Z').
char missing_blob_code(double missing_value);
// The missing double of a blob code; false when the byte is not a code.
bool missing_from_code(unsigned char code, double* value);
// A number as a SQLite result: a missing value as its blob, infinities and NaNs as '.'.
void result_number(sqlite3_context* context, double value);

// A SQLite value seen with the qor rules: missing (NULL or a code blob), number or text.
struct QorValue {
    enum Class { Missing = 0, Number = 1, Text = 2 } kind = Missing;
    int rank = 1;                  // missing: '_' 0, '.' 1, 'A'..'Z' 2..27
    double number = 0;             // numbers; missing values: the missing double
    const unsigned char* text = nullptr;
    int length = 0;
};
QorValue qor_value(sqlite3_value* value);
// -1, 0 or 1: missing values below numbers (by code), numbers below texts; texts compare as if
// padded with blanks.
int qor_compare(const QorValue& a, const QorValue& b);

// Registers the functions the translator writes (qor_lt, qor_add, qor_max, qor_sum, qor_rank,
// ...): SQLITE_OK or SQLite's code.
int register_functions(sqlite3* db);

}  // namespace qor::runtime::sql
