// Tests of doubles for the host's missing values and their special codes.
// A missing value has its two most significant bytes all ones; its code sits in bits 40-47.
#include "common/strings/fields.h"
#include "host/missing.h"

int wzmis(double x) { return qor::is_missing(x) ? 1 : 0; }

int wzmisc(double x) { return qor::missing_code(x); }
