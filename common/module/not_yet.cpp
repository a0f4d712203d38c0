// The answer of an entry-table routine that a module does not provide yet.
// It never reports success: callers see a failure and the log names the missing routine.
#include "common/module/not_yet.h"

#include "host/print.h"

int not_yet_available(const char* routine) {
    xebug("%s: not yet available.", routine != nullptr ? routine : "(unnamed routine)");
    return 1;
}
