// Inheritance: attaching parents to an environment (finding or making each parent's record),
// flattening the tree into the chain that look-ups walk (refusing cycles and repeats) and
// telling whether a name is among the current environment's parents.
#include <cstring>
#include <string>

#include "catalog/entry_table.h"
#include "catalog/environment.h"
#include "common/files/names.h"
#include "host/print.h"

namespace {

// The record of a parent named as the user gave it: the registered one, or a new one read
// from its catalog with its own parents attached. Null when it cannot be found or read.
RSKENV* find_parent(RSKCON* con, std::string_view name) {
    char libref[9] = "        ";
    std::string member, directory;
    if (resolve_environment(con, name.data(), static_cast<int>(name.size()), libref, &member, 0) != 0 ||
        !library_directory(libref, &directory))
        return nullptr;
    std::string symbol(libref, strnlen(libref, 8));
    while (!symbol.empty() && symbol.back() == ' ') symbol.pop_back();
    symbol += "." + member;
    for (char& c : symbol) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (RSKENV* known = rssenvs(con, symbol.data(), static_cast<int>(symbol.size()))) return known;
    RSKENV* parent = nullptr;
    if (rssenvi(con, directory.data(), static_cast<int>(directory.size()), libref, member.data(),
                static_cast<int>(member.size()), nullptr, 0, nullptr, 0, &parent) != 0)
        return nullptr;
    qor_list* grandparents = nullptr;
    std::string outpath, description;
    bool has_outpath = false;
    if (get_inherit(con, parent, &grandparents, &outpath, &has_outpath, &description) != 0) {
        rssenvf(con, parent);
        return nullptr;
    }
    finish_interrupted_save(con, parent);
    if (!rsssec(con, &parent->rights, 4, parent, "INHERIT", 7, 11, 2)) {
        xpmlog(598, 3804, 11, "environment", "read", static_cast<int>(member.size()), member.data());
        if (grandparents != nullptr) sldel(grandparents, 0);
        rssenvf(con, parent);
        return nullptr;
    }
    size_t n = description.size() < static_cast<size_t>(kRskDescriptionLimit) ? description.size()
                                                                                : static_cast<size_t>(kRskDescriptionLimit);
    std::memcpy(parent->description_buffer, description.data(), n);
    parent->properties.description_length = static_cast<int16_t>(n);
    if (has_outpath && !outpath.empty())
        set_environment_outpath(con, parent, outpath.data(), static_cast<int>(outpath.size()));
    record_catalog_state(parent);
    add_inherit(con, parent, grandparents);
    if (grandparents != nullptr) sldel(grandparents, 0);
    return parent;
}

bool append_cell(RSKCON* con, RSKENVCELL** head, RSKENVCELL** tail, RSKENV* environment) {
    RSKENVCELL* cell = take_environment_cell(con);
    if (cell == nullptr) return false;
    cell->environment = environment;
    cell->previous = *tail;
    if (*tail != nullptr) (*tail)->next = cell;
    else *head = cell;
    *tail = cell;
    return true;
}

bool in_chain_after_first(const RSKCON* con, const RSKENV* environment) {
    if (con->inherit_first == nullptr) return false;
    for (RSKENVCELL* cell = con->inherit_first->next; cell != nullptr; cell = cell->next)
        if (cell->environment == environment) return true;
    return false;
}

void print_chain(RSKCON* con, const RSKENV* refused) {
    const RSKENV* root = con->held_environment != nullptr ? con->held_environment : con->current_environment;
    if (root != nullptr) print_environment_lines(con, root);
    if (con->inherit_first != nullptr)
        for (RSKENVCELL* cell = con->inherit_first->next; cell != nullptr; cell = cell->next)
            print_environment_lines(con, cell->environment);
    print_environment_lines(con, refused);
}

int flatten(RSKCON* con, RSKENV* environment, const RSKENV* root, int depth) {
    if (con->inherit_first != nullptr && (environment == root || in_chain_after_first(con, environment))) {
        xpmlog(598, 3056, static_cast<int>(name_of(environment).size()), name_of(environment).data());
        print_chain(con, environment);
        return 1;
    }
    if (!append_cell(con, &con->inherit_first, &con->inherit_last, environment)) return 1;
    // A tree deeper than the records that exist cannot be: the repeat test stops every cycle.
    for (RSKENVCELL* cell = environment->parents_tail; cell != nullptr; cell = cell->previous)
        if (flatten(con, cell->environment, root, depth + 1) != 0) return 1;
    return 0;
}

}  // namespace

int add_inherit(RSKCON* con, RSKENV* environment, const qor_list* parents) {
    if (environment == nullptr || parents == nullptr) return 0;
    environment->stored_parent_count = slcnt(parents);
    int result = 0;
    for (int i = 1; i <= slcnt(parents); ++i) {
        std::string_view name;
        if (slitmc(parents, i, &name) != 0 || name.empty()) continue;
        std::string copy(name);   // the item may change while parents are read
        RSKENV* parent = find_parent(con, copy);
        if (parent == nullptr) {
            xpmlog(598, 3050, static_cast<int>(copy.size()), copy.data());
            continue;
        }
        if (!append_cell(con, &environment->parents_head, &environment->parents_tail, parent)) {
            result = 1;
            break;
        }
        ++parent->use_count;
    }
    return result;
}

void clear_inherit_list(RSKCON* con) {
    RSKENVCELL* cell = con->inherit_first;
    while (cell != nullptr) {
        RSKENVCELL* next = cell->next;
        give_environment_cell(con, cell);
        cell = next;
    }
    con->inherit_first = con->inherit_last = nullptr;
}

int build_inherit_list(RSKCON* con) {
    clear_inherit_list(con);
    RSKENV* current = con->current_environment;
    if (current == nullptr) return 1;
    const RSKENV* root = option_envcopy(con) && con->held_environment != nullptr ? con->held_environment : current;
    int rc = flatten(con, current, root, 0);
    if (rc != 0) clear_inherit_list(con);
    return rc;
}

int is_env_inherited(RSKCON* con, const RSKENV* environment, const char* name, int name_length) {
    if (environment != nullptr)
        for (RSKENVCELL* cell = con->inherit_first; cell != nullptr; cell = cell->next)
            if (cell->environment == environment) return 1;
    if (con->current_environment == nullptr) return 0;
    qor_list* parents = nullptr;
    if (get_inherit(con, con->current_environment, &parents, nullptr, nullptr, nullptr) != 0) return 1;
    int found = 0;
    for (int i = 1; parents != nullptr && i <= slcnt(parents) && !found; ++i) {
        std::string_view item;
        found = slitmc(parents, i, &item) == 0 && static_cast<int>(item.size()) == name_length &&
                zcomstr(item.data(), name, name_length) == 0;
    }
    if (parents != nullptr) sldel(parents, 0);
    return found;
}

int rssenvv(RSKCON* con, qor_list* names) {
    if (con->current_environment == nullptr) return 1;
    add_inherit(con, con->current_environment, names);
    return build_inherit_list(con);
}

int rss_environment_chain(RSKCON* con, RSKENV** chain, int limit) {
    int count = 0;
    if (con->inherit_first == nullptr) {
        // Before a chain is flattened (or without one) the current environment stands alone.
        if (limit >= 1 && con->current_environment != nullptr) chain[count++] = con->current_environment;
        return count;
    }
    for (RSKENVCELL* cell = con->inherit_last; cell != nullptr && count < limit; cell = cell->previous)
        chain[count++] = cell->environment;
    return count;
}
