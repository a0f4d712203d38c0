// Small helpers that the list forms of calendars, cross-classifications, instrument types,
// reports, grids, matrices, filters and the like share: texts in and out of list items, name
// records over list texts, and calls into the engine's definition routines through vector 381.
#pragma once
#include <cstdint>
#include <string_view>
#include <type_traits>

#include "catalog/catalog_objects.h"
#include "engine/tables/engine_table.h"
#include "host/lists.h"

namespace form_items {

// The text of a name record (empty for none).
inline std::string_view text_of(const RSKNAMEREC& name) {
    return name.text != nullptr ? std::string_view(name.text, name.length) : std::string_view();
}
inline std::string_view text_of(const RSKOBJNAME& name) { return text_of(name.name); }
inline std::string_view text_of(const RSKPATHNAME& name) { return text_of(name.name); }

// A name record over a text (not copied; at most 65535 characters).
inline RSKNAMEREC record_of(std::string_view text) {
    const size_t length = text.size() > 0xFFFF ? 0xFFFF : text.size();
    return RSKNAMEREC{0, static_cast<uint16_t>(length), const_cast<char*>(text.data())};
}
inline RSKNAMEREC record_of(const RSOCHAR& value) {
    return record_of(std::string_view(value.text ? value.text : "", value.length));
}
inline std::string_view view_of(const RSOCHAR& value) {
    return std::string_view(value.text ? value.text : "", value.length);
}

// Appends a named character item through the list layer (which reports a failure).
inline int put_text(qor_list_id list, const char* name, std::string_view text) {
    RSOCHAR value{text.size(), text.size(), text.data()};
    return rsoinsc(list, &value, name, -1);
}
inline int put_number(qor_list_id list, const char* name, double value) { return rsoinsd(list, value, name, -1); }

// Text without trailing blanks.
inline std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.remove_suffix(1);
    return text;
}
// Text without leading and trailing blanks.
inline std::string_view stripped(std::string_view text) {
    text = trimmed(text);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return text;
}

// A new sublist of the workspace; 0 after 598/113 naming `label`.
inline qor_list_id new_sublist(RSKCON* con, RSKLISTWS* workspace, const char* label) {
    if (workspace == nullptr) workspace = rss_list_workspace(con);
    return rss_new_list(workspace, label);
}

// Calls a routine of the engine. Until the engine builds it, its slot holds a placeholder that
// takes the control structure only, reports itself and fails (non-zero).
template <EngineSlot S, typename... Args>
int engine_call(RSKCON* con, Args... args) {
    auto routine = engine_routine<S>();
    if (routine == nullptr) return 1;
    using Fn = engine_slot_t<S>;
    if constexpr (std::is_invocable_v<Fn, RSKCON*>) {
        return routine(con);
    } else {
        static_assert(std::is_invocable_r_v<int, Fn, RSKCON*, Args...>,
                      "the engine routine's type differs from the call made here");
        return routine(con, args...);
    }
}

// The header a definition gave, handed to the caller when it asked.
inline void hand_out(RSKCATOBJ** out, RSKCATOBJ* defined) {
    if (out != nullptr) *out = defined;
}

}  // namespace form_items
