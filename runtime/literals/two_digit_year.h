// The one calendar rule for two-digit years, shared by the informats and every literal scanner:
// a year written with two digits lies in the window YEARCUTOFF .. YEARCUTOFF + 99.
#pragma once

namespace qor::literals {

// The full year of a two-digit year (0..99) under the YEARCUTOFF option (1940 when the option
// cannot be read): with 1940, 40 is 1940, 99 is 1999, 00 is 2000 and 39 is 2039.
int year_of_two_digits(int two_digits);

}  // namespace qor::literals
