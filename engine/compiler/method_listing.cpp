// Listing method objects (PRINT METHODS and PRINT METHOD=name): every method of the environment
// and those it inherits, each read through catalog storage, with its kind word and its source.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "engine/compiler/method_objects.h"
#include "engine/model/services/catalog.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/tables/object_tables.h"
#include "host/print.h"

namespace {

constexpr int kReadRight = 4;

int print_method(const RSKGENTRANS* method, int flag, int number);

std::string_view name_of(const RSKCATOBJ* header) {
    return std::string_view(header->name.name.text, header->name.name.length);
}

// The method objects of the current environment's table and its parents, a name once (the
// nearest table wins), in name order.
std::vector<RSKCATOBJ*> method_headers(RSKCON* con) {
    std::vector<RSKCATOBJ*> headers;
    if (con->current_tables == nullptr) return headers;
    for (const RSKSYMTAB* table = &con->current_tables->tables[RSKTAB_GENTRANS]; table != nullptr;
         table = table->parent) {
        for (int b = 0; b < table->bucket_count && table->buckets != nullptr; ++b) {
            for (const RSKSYMBOL* s = table->buckets[b]; s != nullptr; s = s->next_in_bucket) {
                auto* header = static_cast<RSKCATOBJ*>(s->object);
                if (header == nullptr) continue;
                bool seen = std::any_of(headers.begin(), headers.end(),
                                        [&](const RSKCATOBJ* h) { return name_of(h) == name_of(header); });
                if (!seen) headers.push_back(header);
            }
        }
    }
    std::sort(headers.begin(), headers.end(),
              [](const RSKCATOBJ* a, const RSKCATOBJ* b) { return name_of(a) < name_of(b); });
    return headers;
}

// One numbered line of the listing; 0, or 1 when the method cannot be read.
int list_one(RSKCON* con, RSKCATOBJ* header, int number) {
    auto* method = static_cast<RSKGENTRANS*>(rssofiq(con, header, kReadRight));
    if (method == nullptr) {
        xpmlog(598, 3126, static_cast<int>(header->name.name.length), header->name.name.text);
        return 1;
    }
    return print_method(method, 1, number);
}

}  // namespace

int rsktrnp(RSKGENTRANS* method, int flag) { return print_method(method, flag, 0); }

namespace {

int print_method(const RSKGENTRANS* method, int flag, int number) {
    if (method == nullptr) return 0;
    const RSKNAMEREC& name = method->name.name;
    char prefix[16] = "";
    if (number > 0) std::snprintf(prefix, sizeof prefix, "  %3i. ", number);
    xpmout(598, 91, static_cast<int>(std::strlen(prefix)), prefix, static_cast<int>(name.length), name.text,
           rsktrn_kind_word(method->kind), static_cast<int>(method->description_length), method->description_buffer);
    if (!flag || method->statement_count <= 0) return 0;
    xpmout(598, 2206, static_cast<int>(method->statement_count), static_cast<int>(name.length), name.text);
    for (int i = 0; i < method->statement_count; ++i) {
        const RSKSTMTDESC& d = method->statements[i];
        if (d.text != nullptr) xpsout("        %*s;", static_cast<int>(d.length), d.text);
    }
    return 0;
}

}  // namespace

int rsktrnl(RSKCON* con, const RSKNAMEREC* name) {
    if (con == nullptr) return 1;
    if (name != nullptr) {
        RSKCATOBJ* header = con->current_tables != nullptr
                                ? static_cast<RSKCATOBJ*>(
                                      rsksym(con, &con->current_tables->tables[RSKTAB_GENTRANS], name))
                                : nullptr;
        if (header == nullptr) {
            xpmlog(598, 3127, static_cast<int>(name->length), name->text);
            return 1;
        }
        int rc = list_one(con, header, 1);
        xpoflsh(0);
        return rc;
    }
    std::vector<RSKCATOBJ*> headers = method_headers(con);
    if (headers.empty()) {
        xpmout(598, 92);
        xpoflsh(0);
        return 0;
    }
    xpmout(598, 90, static_cast<int>(headers.size()));
    int result = 0, number = 0;
    for (RSKCATOBJ* header : headers) result = std::max(result, list_one(con, header, ++number));
    xpoflsh(0);
    return result;
}
