// Method objects: look-up by name, definition on an environment object of kind 24, clearing the
// source and compiled state, and release of the record to the free list.
#include <cstring>

#include "engine/compiler/method_objects.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/names/name_records.h"
#include "engine/model/services/catalog.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/tables/object_tables.h"
#include "common/memory/pool_memory.h"
#include "host/print.h"

namespace {

constexpr int kMethodChunk = 50;
constexpr const char kKindLetters[] = "ITPJVRSM";

// Appends the method to the environment's list.
void append_method(RSKCON* con, RSKGENTRANS* method) {
    method->next = nullptr;
    if (con->methods_last != nullptr)
        con->methods_last->next = method;
    else
        con->methods_first = method;
    con->methods_last = method;
    ++con->methods_count;
}

// Takes the method out of the environment's list, keeping its first and last right.
void unlink_method(RSKCON* con, RSKGENTRANS* method) {
    RSKGENTRANS* previous = nullptr;
    for (RSKGENTRANS* m = con->methods_first; m != nullptr; previous = m, m = m->next) {
        if (m != method) continue;
        if (previous != nullptr)
            previous->next = m->next;
        else
            con->methods_first = m->next;
        if (con->methods_last == m) con->methods_last = previous;
        --con->methods_count;
        break;
    }
    method->next = nullptr;
}

}  // namespace

char rsktrn_kind_letter(int option) {
    return option >= 1 && option <= 8 ? kKindLetters[option - 1] : 'N';
}

const char* rsktrn_kind_word(char kind) {
    switch (kind) {
    case 'I': return "input";
    case 'J': return "project";
    case 'N': return "*undef*";
    case 'P': return "price";
    case 'R': return "postprice";
    case 'T': return "trans";
    case 'V': return "postvar";
    default: return "*unknown*";
    }
}

RSKGENTRANS* rsktrn(RSKCON* con, const RSKNAMEREC* name) {
    if (con == nullptr || con->current_tables == nullptr || name == nullptr) return nullptr;
    auto* header =
        static_cast<RSKCATOBJ*>(rsksym(con, &con->current_tables->tables[RSKTAB_GENTRANS], name));
    if (header == nullptr) return nullptr;
    // A method indexed from the catalog but not read yet is read now.
    return static_cast<RSKGENTRANS*>(header->object != nullptr ? header->object : rssofiq(con, header, 0));
}

int rsktrnd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* description, char kind,
            RSKCATOBJ* object) {
    if (out != nullptr) *out = nullptr;
    if (con == nullptr || name == nullptr || name->text == nullptr || name->length == 0) return 1;
    // The compiler refuses longer names: a method object never holds a name it cannot compile.
    if (name->length > kRskMethodNameLimit) {
        xpmlog(672, 1002, static_cast<int>(name->length), name->text, kRskMethodNameLimit);
        return 1;
    }
    RSKOBJNAME new_name{};
    rskname(con, &new_name, name->text, name->length);
    // The description is cut to what the method keeps, with a note, before anything is copied.
    char description_text[kRskMethodDescriptionLimit];
    int description_length = 0;
    if (description != nullptr && description->text != nullptr) {
        description_length = description->length;
        if (description_length > kRskMethodDescriptionLimit) {
            xpmlog(672, 1007, description_length, description->text, kRskMethodDescriptionLimit);
            description_length = kRskMethodDescriptionLimit;
        }
        std::memcpy(description_text, description->text, static_cast<size_t>(description_length));
    }

    RSKCATOBJ* header = object;
    if (header == nullptr) {
        RSKNAMEREC cut{static_cast<uint16_t>(description_length), static_cast<uint16_t>(description_length),
                       description_text};
        if (rssofid(con, &header, &new_name.name, &cut, RSKKIND_TRANSFORMATION) != 0 || header == nullptr) return 1;
    }
    auto* method = static_cast<RSKGENTRANS*>(header->object);
    if (method != nullptr) {
        rsktrnc(con, method);   // redefined: keeps its place in the list
    } else {
        method = rsk_take_record(con, con->free_methods, kMethodChunk, "method objects");
        if (method == nullptr) return 1;
        append_method(con, method);
        header->object = method;
    }
    method->object = header;
    rskname(con, &method->name, new_name.buffer, new_name.name.length);
    method->kind = kind;
    method->description_capacity = kRskMethodDescriptionLimit;
    method->description = method->description_buffer;
    method->description_length = static_cast<uint16_t>(description_length);
    if (description_length > 0)
        std::memcpy(method->description_buffer, description_text, static_cast<size_t>(description_length));
    if (out != nullptr) *out = header;
    return 0;
}

int rsktrnc(RSKCON* con, RSKGENTRANS* method) {
    if (method == nullptr) return 0;
    rskctrn(method);
    rsk_free_uses(con, method);
    if (method->source != nullptr && !method->source_kept)
        vmfree_handler(con->current_pool, method->source, method->source_size, QOR_FREE_SIZED);
    if (method->statements != nullptr)
        vmfree_handler(con->current_pool, method->statements,
                       sizeof(RSKSTMTDESC) * static_cast<size_t>(method->statement_count), QOR_FREE_SIZED);
    method->source = nullptr;
    method->source_size = 0;
    method->source_kept = 0;
    method->statements = nullptr;
    method->statement_count = 0;
    method->compiled = 0;
    method->state2 = 0;
    method->assigns_price = 0;
    method->assigns_second = 0;
    method->function_use = 0;
    return 0;
}

int rsktrnf(RSKCON* con, RSKGENTRANS* method) {
    if (con == nullptr || method == nullptr) return 0;
    rsktrnc(con, method);
    unlink_method(con, method);
    std::memset(static_cast<void*>(method), 0, sizeof *method);
    rsk_give_free(con->free_methods, method);
    return 0;
}
