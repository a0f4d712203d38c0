// The built-in function library of the methods language: one table naming every function
// with its calling form, and the argument records the generic functions receive.
#pragma once
#include <string>

namespace qor::cmp {

enum class FnForm {
    Num1,        // double f(double): fastest path
    Num2,        // double f(double, double); an omitted second argument takes default2
    Aggregate,   // numeric arguments, any count; the AggKind in `aggregate`
    Generic,     // GenericFn over mixed arguments
    ArrayInfo    // DIM, HBOUND: answered at compile time
};

struct GenArg {
    char type;          // 'n' or 'c'
    double num;
    const char* text;
    int len;
};

struct GenResult {
    double num;
    char* text;         // character results: write up to cap bytes, set len
    int cap;
    int len;
};

using GenericFn = void (*)(const GenArg* args, int nargs, GenResult& out);

// How a character result's capacity follows from the arguments.
enum class ResultLen { None, Arg0, Sum, Fixed };

struct BuiltinFunction {
    const char* name;
    FnForm form;
    int min_args, max_args;     // max -1: any number
    char result;                // 'n' or 'c'
    const char* arg_types;      // per position 'n', 'c' or '?'; the last letter repeats
    ResultLen result_len;
    int fixed_len;
    double (*num1)(double);
    double (*num2)(double, double);
    double default2;
    int aggregate;
    GenericFn generic;
};

// The built-in with this upper-case name, or null; index receives its position.
const BuiltinFunction* find_builtin(const std::string& name, int* index);
const BuiltinFunction& builtin_at(int index);
// True when f is the numeric routine of a built-in: a pure function of its arguments (no state,
// no memory of the caller touched), which compiled code may move or merge freely.
bool is_builtin_numeric(const void* f);
// The C library routine that a one-argument built-in only forwards to (EXP: exp), so compiled
// code can call it without the extra jump; f itself when the built-in does more than forward.
double (*library_routine(double (*f)(double)))(double);

// Text of a number the way PUT writes it: up to width characters (BEST format), missing
// values as '.', '._' or '.A' .. '.Z'. Returns the length written (no NUL).
int format_number(double value, int width, char* out);

// The generic functions, grouped by file.
void fn_missing(const GenArg*, int, GenResult&);
void fn_length(const GenArg*, int, GenResult&);
void fn_substr(const GenArg*, int, GenResult&);
void fn_upcase(const GenArg*, int, GenResult&);
void fn_lowcase(const GenArg*, int, GenResult&);
void fn_trim(const GenArg*, int, GenResult&);
void fn_strip(const GenArg*, int, GenResult&);
void fn_left(const GenArg*, int, GenResult&);
void fn_index(const GenArg*, int, GenResult&);
void fn_compress(const GenArg*, int, GenResult&);
void fn_cat(const GenArg*, int, GenResult&);
void fn_cats(const GenArg*, int, GenResult&);
void fn_catx(const GenArg*, int, GenResult&);
void fn_put(const GenArg*, int, GenResult&);
void fn_input(const GenArg*, int, GenResult&);
void fn_mdy(const GenArg*, int, GenResult&);
void fn_dhms(const GenArg*, int, GenResult&);
void fn_today(const GenArg*, int, GenResult&);
double fn_day(double);
double fn_month(double);
double fn_year(double);
double fn_weekday(double);
double fn_datepart(double);
double fn_timepart(double);

}  // namespace qor::cmp
