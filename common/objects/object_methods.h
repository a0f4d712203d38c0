// Calling a host object's method by number through its chain of method tables.
#pragma once
#include "host/object.h"

// Calls method number m of the object, looking first in the given table (or, when null, the
// object's own) and then in its parents. The method's result, or QOR_OBJECT_NO_METHOD when no
// table of the chain has m (also for a null object without a table).
int wobmth(qor_object* object, const qor_method_table* table, int m, int argument_count,
           void* arguments);
