// Two-digit years through the YEARCUTOFF window: the single routine behind date literals of the
// methods language, of statements and of the informats.
#include "runtime/literals/two_digit_year.h"

#include "host/options.h"

namespace qor::literals {

int year_of_two_digits(int two_digits) {
    long cutoff = 1940;
    xoptigt("YEARCUTOFF", &cutoff);   // the option's default stands if it cannot be read
    int year = static_cast<int>(cutoff - cutoff % 100 + two_digits);
    if (year < cutoff) year += 100;
    return year;
}

}  // namespace qor::literals
