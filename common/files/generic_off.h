// Switches the host option GENERIC off for the life of a scope and back on at its end, so that
// library look-ups see the host's real names whatever the session asked for.
#pragma once
#include "host/options.h"

namespace qor::files {

class GenericOff {
public:
    GenericOff() {
        int value = 0;
        if (xoptbgt("GENERIC", &value) == 0 && value != 0) {
            was_on_ = true;
            xoptbst("GENERIC", 0);
        }
    }
    ~GenericOff() {
        if (was_on_) xoptbst("GENERIC", 1);
    }
    GenericOff(const GenericOff&) = delete;
    GenericOff& operator=(const GenericOff&) = delete;

private:
    bool was_on_ = false;
};

}  // namespace qor::files
