// The list layer's item routines: get, append and set items of host lists by name or position,
// insert into lists kept in ascending order and check a list's object type. Each failure is
// logged once here, with the list printed, and leaves the output in its defined failure state.
#include <cstring>
#include <string_view>

#include "catalog/catalog_lists.h"
#include "common/strings/fields.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int16_t kShortFailure = 32767;

// An item name given as text and length; a negative length measures a zero-terminated name.
std::string_view name_of(const char* name, int length) {
    if (name == nullptr) return {};
    if (length < 0) return std::string_view(name);
    return std::string_view(name, static_cast<size_t>(length));
}

int printable(std::string_view text) { return static_cast<int>(text.size()); }

void print_list(qor_list* list, const char* heading) {
    if (list != nullptr) slput(list, heading, 2);
}

// Logs a failure naming the item, prints the list, and answers 1.
int fail_named(int number, qor_list* list, std::string_view name) {
    xpmlog(598, number, printable(name), name.data());
    print_list(list, "The invalid list: ");
    return 1;
}

int fail_at(int number, qor_list* list, int position) {
    xpmlog(598, number, position);
    print_list(list, "The invalid list: ");
    return 1;
}

void clear_char(RSOCHAR* out) {
    out->capacity = 0;
    out->length = 0;
    out->text = nullptr;
}

void set_char(RSOCHAR* out, std::string_view value) {
    out->capacity = value.size() + 1;
    out->length = value.size();
    out->text = value.data();
}

std::string_view value_of(const RSOCHAR* value) {
    if (value == nullptr || value->text == nullptr) return {};
    return std::string_view(value->text, value->length);
}

bool fits_short(int32_t value) { return value >= -32768 && value <= 32767; }

}  // namespace

// --- Get by name ----------------------------------------------------------------------------------

int rsogetc(qor_list_id id, const char* name, int length, RSOCHAR* out) {
    clear_char(out);
    qor_list* list = slistp(id);
    std::string_view item = name_of(name, length);
    std::string_view value;
    if (list == nullptr || slgnc(list, item, &value) != 0) return fail_named(104, list, item);
    set_char(out, value);
    return 0;
}

int rsogets(qor_list_id id, const char* name, int length, int16_t* out) {
    *out = kShortFailure;
    qor_list* list = slistp(id);
    std::string_view item = name_of(name, length);
    int32_t value = 0;
    if (list == nullptr || slgni(list, item, &value) != 0 || !fits_short(value))
        return fail_named(105, list, item);
    *out = static_cast<int16_t>(value);
    return 0;
}

int rsogetd(qor_list_id id, const char* name, int length, double* out) {
    *out = qor::missing();
    qor_list* list = slistp(id);
    std::string_view item = name_of(name, length);
    double value = 0;
    if (list == nullptr || slgnd(list, item, &value) != 0) return fail_named(105, list, item);
    *out = value;
    return 0;
}

int rsogetl(qor_list_id id, const char* name, int length, qor_list_id* out) {
    *out = 0;
    qor_list* list = slistp(id);
    std::string_view item = name_of(name, length);
    qor_list* sublist = nullptr;
    if (list == nullptr || slgnl(list, item, &sublist) != 0) return fail_named(106, list, item);
    qor_list_id sub_id = slid(sublist);
    if (sub_id == 0 || slistp(sub_id) == nullptr) return fail_named(107, list, item);
    *out = sub_id;
    return 0;
}

// --- Get by position --------------------------------------------------------------------------------

int rsoitmc(qor_list_id id, int position, RSOCHAR* out) {
    clear_char(out);
    qor_list* list = slistp(id);
    std::string_view value;
    if (list == nullptr || slitmc(list, position, &value) != 0) return fail_at(140, list, position);
    set_char(out, value);
    return 0;
}

int rsoitms(qor_list_id id, int position, int16_t* out) {
    *out = kShortFailure;
    qor_list* list = slistp(id);
    int32_t value = 0;
    if (list == nullptr || slitmi(list, position, &value) != 0 || !fits_short(value))
        return fail_at(142, list, position);
    *out = static_cast<int16_t>(value);
    return 0;
}

int rsoitmd(qor_list_id id, int position, double* out) {
    *out = qor::missing();
    qor_list* list = slistp(id);
    double value = 0;
    if (list == nullptr || slitmd(list, position, &value) != 0) return fail_at(142, list, position);
    *out = value;
    return 0;
}

int rsoitml(qor_list_id id, int position, qor_list_id* out) {
    *out = 0;
    qor_list* list = slistp(id);
    qor_list* sublist = nullptr;
    if (list == nullptr || slitml(list, position, &sublist) != 0) return fail_at(143, list, position);
    qor_list_id sub_id = slid(sublist);
    if (sub_id == 0 || slistp(sub_id) == nullptr) return fail_at(109, list, position);
    *out = sub_id;
    return 0;
}

// --- Append -----------------------------------------------------------------------------------------

int rsoinsc(qor_list_id id, const RSOCHAR* value, const char* name, int length) {
    qor_list* list = slistp(id);
    std::string_view item = name_of(name, length);
    if (list == nullptr || slinsc(list, value_of(value), QOR_SL_APPEND, item) != 0)
        return fail_named(110, list, item);
    return 0;
}

int rsoinss(qor_list_id id, int16_t value, const char* name, int length) {
    qor_list* list = slistp(id);
    std::string_view item = name_of(name, length);
    if (list == nullptr || slinsi(list, value, QOR_SL_APPEND, item) != 0) return fail_named(111, list, item);
    return 0;
}

int rsoinsd(qor_list_id id, double value, const char* name, int length) {
    qor_list* list = slistp(id);
    std::string_view item = name_of(name, length);
    if (list == nullptr || slinsd(list, value, QOR_SL_APPEND, item) != 0) return fail_named(111, list, item);
    return 0;
}

int rsoinsl(qor_list_id id, qor_list_id sublist, const char* name, int length) {
    qor_list* list = slistp(id);
    std::string_view item = name_of(name, length);
    if (list == nullptr || slinsl(list, sublist, QOR_SL_APPEND, item) != 0) {
        fail_named(112, list, item);
        print_list(slistp(sublist), "The invalid sublist: ");
        return 1;
    }
    return 0;
}

// --- Set by name ------------------------------------------------------------------------------------

int rsosetc(qor_list_id id, const char* name, int length, const RSOCHAR* value) {
    qor_list* list = slistp(id);
    std::string_view item = name_of(name, length);
    if (list == nullptr || slsnc(list, item, value_of(value)) != 0) return fail_named(104, list, item);
    return 0;
}

int rsosets(qor_list_id id, const char* name, int length, int16_t value) {
    qor_list* list = slistp(id);
    std::string_view item = name_of(name, length);
    if (list == nullptr || slsns(list, item, value) != 0) return fail_named(105, list, item);
    return 0;
}

int rsosetd(qor_list_id id, const char* name, int length, double value) {
    qor_list* list = slistp(id);
    std::string_view item = name_of(name, length);
    if (list == nullptr || slsnd(list, item, value) != 0) return fail_named(105, list, item);
    return 0;
}

int rsosetl(qor_list_id id, const char* name, int length, qor_list_id sublist) {
    qor_list* list = slistp(id);
    std::string_view item = name_of(name, length);
    if (list == nullptr || slsnl(list, item, sublist) != 0) return fail_named(106, list, item);
    return 0;
}

// --- Sorted insertion -------------------------------------------------------------------------------

// Binary search for the value's place; `compare` reads the item at a position and answers its
// order against the value (negative: the item is smaller), or false when it cannot be read.
template <typename Compare>
int sorted_place(qor_list* list, Compare compare, int* place) {
    int low = 1;
    int high = slcnt(list);
    while (low <= high) {
        int middle = low + (high - low) / 2;
        int order = 0;
        if (!compare(middle, &order)) return -1;
        if (order == 0) return 0;   // present already
        if (order < 0)
            low = middle + 1;
        else
            high = middle - 1;
    }
    *place = low;
    return 1;
}

int rsosric(qor_list_id id, const RSOCHAR* value, const char* name, int length) {
    qor_list* list = slistp(id);
    std::string_view item = name_of(name, length);
    if (list == nullptr) return fail_named(104, list, item);
    std::string_view text = value_of(value);
    auto compare = [&](int position, int* order) {
        std::string_view at;
        if (slitmc(list, position, &at) != 0) return false;
        *order = wzstcom(at.data(), static_cast<int>(at.size()), text.data(), static_cast<int>(text.size()));
        return true;
    };
    int place = 0;
    int found = sorted_place(list, compare, &place);
    if (found < 0) return fail_named(104, list, item);
    if (found == 0) return 0;
    if (slinsc(list, text, place, item) != 0) return fail_named(104, list, item);
    return 0;
}

int rsosrid(qor_list_id id, double value, const char* name, int length) {
    qor_list* list = slistp(id);
    std::string_view item = name_of(name, length);
    if (list == nullptr) return fail_named(104, list, item);
    auto compare = [&](int position, int* order) {
        double at = 0;
        if (slitmd(list, position, &at) != 0) return false;
        *order = at < value ? -1 : (at > value ? 1 : 0);
        return true;
    };
    int place = 0;
    int found = sorted_place(list, compare, &place);
    if (found < 0) return fail_named(104, list, item);
    if (found == 0) return 0;
    if (slinsd(list, value, place, item) != 0) return fail_named(104, list, item);
    return 0;
}

// --- Object type ------------------------------------------------------------------------------------

int rsoltyp(qor_list_id id, const char* object_type) {
    qor_list* list = slistp(id);
    if (list == nullptr) {
        xpmlog(598, 117);
        return 1;
    }
    RSOCHAR type{};
    if (rsogetc(id, "OBJTYPE", -1, &type) != 0) return 1;
    const int expected_length = wzstlen(object_type);
    if (wzstcom(type.text, static_cast<int>(type.length), object_type, expected_length) == 0) return 0;
    std::string_view name;
    if (slgnc(list, "NAME", &name) != 0) name = "*missing name*";
    xpmlog(598, 120, expected_length, object_type, printable(name), name.data());
    print_list(list, "The invalid list: ");
    return 1;
}
