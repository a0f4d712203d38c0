// The placeholder of an entry-table slot whose routine is not built yet: a routine of the slot's
// own type that names the missing routine in an internal-error line and fails (null for records).
#pragma once
#include <type_traits>

#include "common/module/not_yet.h"

// Names::name(slot) gives the routine's name for the log line.
template <typename Names, int Slot, typename Fn>
struct SlotPlaceholder;

template <typename Names, int Slot, typename R, typename... A>
struct SlotPlaceholder<Names, Slot, R (*)(A...)> {
    static R call(A...) {
        int code = not_yet_available(Names::name(Slot));
        if constexpr (std::is_pointer_v<R>)
            return nullptr;
        else
            return static_cast<R>(code);
    }
};

template <typename Names, int Slot, typename R, typename... A>
struct SlotPlaceholder<Names, Slot, R (*)(A..., ...)> {
    static R call(A..., ...) {
        int code = not_yet_available(Names::name(Slot));
        if constexpr (std::is_pointer_v<R>)
            return nullptr;
        else
            return static_cast<R>(code);
    }
};
