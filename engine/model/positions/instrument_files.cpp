// Instrument file definitions: look-up in the instrument file table, definition on a catalog
// object of kind 37 with its data and information member names, emptying and release.
#include "engine/model/positions/instrument_files.h"

#include <strings.h>

#include <cstring>

#include "engine/model/control/out_of_memory.h"
#include "engine/model/names/name_records.h"
#include "engine/model/services/catalog.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/tables/object_tables.h"
#include "host/print.h"

namespace {

constexpr int kTFileChunk = 10;
constexpr char kInfoSuffix[] = "Info";
constexpr int kInfoSuffixLength = 4;
// The information member is the first 28 characters of the name and "Info": 32 at most.
constexpr int kInfoStemLength = kRskMemberNameCapacity - kInfoSuffixLength;

struct MemberName {
    int length;
    char text[kRskMemberNameCapacity];
};

MemberName info_member_of(const char* name, int length) {
    MemberName member{};
    member.length = length > kInfoStemLength ? kInfoStemLength : length;
    std::memcpy(member.text, name, static_cast<size_t>(member.length));
    std::memcpy(member.text + member.length, kInfoSuffix, kInfoSuffixLength);
    member.length += kInfoSuffixLength;
    return member;
}

bool same(const char* a, int a_length, const char* b, int b_length) {
    return a_length == b_length && strncasecmp(a, b, static_cast<size_t>(a_length)) == 0;
}

// The name of another definition, in this environment or one it inherits from, whose members
// clash with the members of `name`: its data member is our information member or the other way
// round, or both information members are one. Null when there is none.
const RSKSYMBOL* clashing_definition(const RSKSYMTAB* table, const char* name, int length) {
    const MemberName ours = info_member_of(name, length);
    for (; table != nullptr; table = table->parent) {
        if (table->buckets == nullptr) continue;
        for (int b = 0; b < table->bucket_count; ++b) {
            for (const RSKSYMBOL* symbol = table->buckets[b]; symbol != nullptr; symbol = symbol->next_in_bucket) {
                if (same(symbol->name, symbol->name_length, name, length)) continue;
                const MemberName theirs = info_member_of(symbol->name, symbol->name_length);
                if (same(theirs.text, theirs.length, ours.text, ours.length) ||
                    same(symbol->name, symbol->name_length, ours.text, ours.length) ||
                    same(theirs.text, theirs.length, name, length))
                    return symbol;
            }
        }
    }
    return nullptr;
}

}  // namespace

RSKCATOBJ* rsktdf(RSKCON* con, const RSKNAMEREC* name) {
    if (con == nullptr || con->current_tables == nullptr || name == nullptr) return nullptr;
    return static_cast<RSKCATOBJ*>(rsksym(con, &con->current_tables->tables[RSKTAB_TFILES], name));
}

int rsktdfd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* second_name,
            const RSKNAMEREC* file_name, RSKCATOBJ* object) {
    if (out != nullptr) *out = nullptr;
    if (name == nullptr || name->text == nullptr || name->length == 0) return 1;
    // Copies first: the caller may pass the definition's own fields.
    RSKOBJNAME new_name{};
    rskname(con, &new_name, name->text, name->length);
    const int length = new_name.name.length;
    RSKOBJNAME new_second{};
    const bool has_second = second_name != nullptr && second_name->text != nullptr && second_name->length > 0;
    if (has_second) rskname(con, &new_second, second_name->text, second_name->length);
    RSKPATHNAME new_file{};
    if (file_name != nullptr && file_name->text != nullptr && file_name->length > 0)
        rskpnam(con, &new_file, file_name->text, file_name->length);

    // Two definitions must not write their information into one member.
    if (con->current_tables != nullptr) {
        if (const RSKSYMBOL* other =
                clashing_definition(&con->current_tables->tables[RSKTAB_TFILES], new_name.buffer, length)) {
            const MemberName member = info_member_of(new_name.buffer, length);
            xpmlog(598, 1757, member.length, member.text, length, new_name.buffer, static_cast<int>(other->name_length),
                   other->name);
            return 1;
        }
    }

    RSKCATOBJ* header = object;
    if (header == nullptr && (rssofid(con, &header, name, nullptr, RSKKIND_TFILE) != 0 || header == nullptr))
        return 1;
    auto* definition = static_cast<RSKTFILE*>(header->object);
    if (definition != nullptr) {
        // Emptied: what the reader filled belongs to the file that was there before.
        std::memset(static_cast<void*>(definition), 0, sizeof *definition);
    } else {
        definition = rsk_take_record(con, con->free_lists->instrument_files, kTFileChunk,
                                     "instrument file definitions");
        if (definition == nullptr) return 1;
        header->object = definition;
    }
    rskname(con, &definition->name, new_name.buffer, length);
    if (has_second) rskname(con, &definition->second_name, new_second.buffer, new_second.name.length);
    rskpnam(con, &definition->file_name, new_file.buffer, new_file.name.length);
    std::memcpy(definition->data_member, new_name.buffer, static_cast<size_t>(length));
    definition->data_member_length = static_cast<int16_t>(length);
    const MemberName info = info_member_of(new_name.buffer, length);
    std::memcpy(definition->info_member, info.text, static_cast<size_t>(info.length));
    definition->info_member_length = static_cast<int16_t>(info.length);
    definition->object = header;
    if (out != nullptr) *out = header;
    return 0;
}

int rsktdfc(RSKCON*, RSKTFILE* definition) {
    if (definition == nullptr) return 0;
    definition->file_name.name.length = 0;
    return 0;
}

int rsktdff(RSKCON* con, RSKTFILE* definition) {
    if (definition == nullptr) return 0;
    rsktdfc(con, definition);
    std::memset(static_cast<void*>(definition), 0, sizeof *definition);
    rsk_give_free(con->free_lists->instrument_files, definition);
    return 0;
}
