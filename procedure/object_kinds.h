// The object kinds that DELETE and PRINT walk, in their fixed order: the statement's name-list
// field, the catalog kind code and the object table that holds objects of the kind.
#pragma once
#include <cstdint>

#include "engine/tables/control_structure.h"
#include "procedure/operand_reading.h"

namespace zozu {

struct ObjectKind {
    int field;            // name-list field of the statement
    int32_t kind;         // catalog kind code (its display word comes from rssobds)
    int table;            // object table; -1 when the kind has its own look-up
    int second_table;     // a second table searched when the first has no such name; -1 none
};

// The eighteen kinds in the order in which they are deleted, printed and imported.
extern const ObjectKind kObjectKinds[];
extern const int kObjectKindCount;

// The display word of a kind ("project", "variable", ...) into word (at least 64 bytes);
// its length.
int kind_word(int32_t kind, char* word);

// An object of a kind's tables by name; null when none.
void* find_object(RSKCON* con, const ObjectKind& kind, const char* name, int length);

// Calls visit(kind, name, length, word, word_length) for every object name the statement gives,
// kind by kind in the fixed order; word is the kind's display word.
template <typename Visit>
void for_each_named_object(const statement_node* node, Visit visit) {
    for (int i = 0; i < kObjectKindCount; ++i) {
        const ObjectKind& kind = kObjectKinds[i];
        for_each_name(node, kind.field, [&](const char* name, int length) {
            if (length == 0) return;
            char word[64];
            const int word_length = kind_word(kind.kind, word);
            visit(kind, name, length, word, word_length);
        });
    }
}

}  // namespace zozu
