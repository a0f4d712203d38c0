// Function packages (kind 33) and function declarations (kind 2, and the further declarations
// of kind 32): their headers by name, and the listing of an environment's packages and
// declarations with the functions each entry holds.
#include <algorithm>
#include <cctype>

#include "catalog/engine_calls.h"
#include "catalog/form_items.h"
#include "catalog/forms_further.h"
#include "catalog/object_frame.h"
#include "engine/tables/catalog_records.h"
#include "host/print.h"

using namespace form_items;

namespace {

constexpr int kPackageKind = 33;
constexpr int kDeclarationKind = 2;
constexpr int kFurtherDeclarationKind = 32;
constexpr int kGroupWidth = 32;

RSKCATOBJ* header_of(RSKCON* con, int32_t kind, const RSKNAMEREC* name) {
    RSKSYMTAB* table = con != nullptr && name != nullptr ? rss_kind_table(con, kind) : nullptr;
    if (table == nullptr || table->buckets == nullptr) return nullptr;
    return static_cast<RSKCATOBJ*>(engine_rsksym(con, table, name));
}

bool same_word(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

// The words of the function groups are shown as the host's texts of them.
void print_function(std::string_view function, std::string_view group) {
    group = stripped(group);
    int message = 0;
    if (same_word(group, "PRICING") || same_word(group, "PRICE")) message = 6877;
    else if (same_word(group, "INPUT")) message = 6876;
    else if (same_word(group, "TRANS")) message = 6878;
    char text[kGroupWidth + 1] = {};
    int length = 0;
    if (message != 0 && xpmtext(598, message, text, sizeof text, &length) == 0)
        group = std::string_view(text, static_cast<size_t>(std::clamp(length, 0, kGroupWidth)));
    xpmout(598, 3202, static_cast<int>(function.size()), function.data(), static_cast<int>(group.size()), group.data());
}

// The functions of one stored entry ("FUNCS": one sublist per function with its "FNCGROUP").
void print_functions(RSKCON* con, const RSKCATOBJ* header, qor_list_id list) {
    char entry[kRssEntryNameLimit + 1];
    if (header->environment == nullptr) return;
    const int length = rss_entry_name(header->environment, rss_member_name(header), header->kind, entry);
    qor_list* items = slistp(list);
    slclear(items);
    if (slofile(items, std::string_view(entry, static_cast<size_t>(length)), 'R') != 0) return;
    (void)con;
    qor_list* functions = nullptr;
    if (slgnl(items, "FUNCS", &functions) != 0 || functions == nullptr) return;
    const int count = slcnt(functions);
    for (int i = 1; i <= count; ++i) {
        std::string_view function, group;
        slni(functions, i, &function);
        qor_list* one = nullptr;
        if (slitml(functions, i, &one) == 0 && one != nullptr) slgnc(one, "FNCGROUP", &group);
        print_function(function, group);
    }
}

// Headers of a kind's table in table order.
template <typename Visit>
void for_each_header(RSKCON* con, int32_t kind, Visit visit) {
    RSKSYMTAB* table = rss_kind_table(con, kind);
    if (table == nullptr || table->buckets == nullptr) return;
    if (table->list_head != nullptr) {
        for (RSKSYMBOL* symbol = table->list_head; symbol != nullptr; symbol = symbol->next_in_list)
            if (symbol->object != nullptr) visit(static_cast<RSKCATOBJ*>(symbol->object));
        return;
    }
    for (int32_t b = 0; b < table->bucket_count; ++b)
        for (RSKSYMBOL* symbol = table->buckets[b]; symbol != nullptr; symbol = symbol->next_in_bucket)
            if (symbol->object != nullptr) visit(static_cast<RSKCATOBJ*>(symbol->object));
}

int count_of(RSKCON* con, int32_t kind) {
    int count = 0;
    for_each_header(con, kind, [&](RSKCATOBJ*) { ++count; });
    return count;
}

}  // namespace

RSKCATOBJ* rsspkg(RSKCON* con, const RSKNAMEREC* name) { return header_of(con, kPackageKind, name); }
RSKCATOBJ* rssfdc(RSKCON* con, const RSKNAMEREC* name) { return header_of(con, kDeclarationKind, name); }
RSKCATOBJ* rssfud(RSKCON* con, const RSKNAMEREC* name) { return header_of(con, kFurtherDeclarationKind, name); }

int rsspkgp(RSKCON* con) {
    qor_list_id list = rss_new_list(rss_list_workspace(con), "rsspkgp");
    if (list == 0) return 1;
    if (count_of(con, kPackageKind) > 0) {
        xpmout(598, 3200);
        for_each_header(con, kPackageKind, [&](RSKCATOBJ* header) {
            xpmout(598, 3201, static_cast<int>(header->name.name.length), header->name.name.text);
            if (header->properties.description != nullptr && header->properties.description_length > 0)
                xpmout(598, 3206, static_cast<int>(header->properties.description_length),
                       header->properties.description);
            print_functions(con, header, list);
        });
    } else {
        xpmout(598, 3204);
    }
    if (count_of(con, kDeclarationKind) > 0) {
        xpmout(598, 3203);
        for_each_header(con, kDeclarationKind, [&](RSKCATOBJ* header) {
            xpmout(598, 3201, static_cast<int>(header->name.name.length), header->name.name.text);
            print_functions(con, header, list);
        });
    } else {
        xpmout(598, 3205);
    }
    rss_free_list(list);
    return 0;
}
