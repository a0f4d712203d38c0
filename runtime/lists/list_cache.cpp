// The list cache switch of a list workspace. This host keeps no list cache: lists are read from
// and written to catalog entries in transactions of their own, so there is nothing to switch on.
#include "host/save_support.h"

int afcachi(const void*) { return 0; }
