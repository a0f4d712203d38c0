// Small helpers of the output object: paths as notes and prints show them, the environment that
// holds an object, and the names that would make a parent directory the object's own.
#pragma once
#include <cstring>

#include "engine/output/output_object.h"

// A path as the user sees it: "<System-specific pathname>" with the host option GENERIC on.
struct OutPath {
    int length;
    const char* text;
};

inline OutPath rskout_shown(const RSKCON* con, const char* text, int length) {
    static constexpr char kGeneric[] = "<System-specific pathname>";
    if (con != nullptr && con->generic) return {static_cast<int>(sizeof kGeneric - 1), kGeneric};
    return {text != nullptr && length > 0 ? length : 0, text != nullptr ? text : ""};
}

// The environment whose directory holds the object: the one its catalog object belongs to, else
// the current one.
inline const RSKENV* rskout_environment(const RSKCON* con, const RSKOUTOBJ* object) {
    if (object != nullptr && object->header != nullptr && object->header->environment != nullptr)
        return object->header->environment;
    return con->current_environment;
}

// "." and ".." name the parent directories, never a directory of the object's own.
inline bool rskout_parent_name(const char* text, int length) {
    return (length == 1 && text[0] == '.') || (length == 2 && text[0] == '.' && text[1] == '.');
}
