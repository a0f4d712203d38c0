// The files of a counterparty run: each data set's input opened read-only where the search
// paths find it, its output member in WORK under a name of its own per run part, and both
// closed with the run's counterparties given back at the end.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/counterparty/containers.h"
#include "engine/counterparty/counterparty_run.h"
#include "engine/model/paths/search_path.h"
#include "host/print.h"

namespace {

constexpr int kMemberLimit = 32;
constexpr int kLibrefLength = 8;

// The input data set's library and member as the search paths resolve them, the member
// upper-cased: 0; 1 after 598/7738 naming the library.
int resolve_input(RSKCON* con, const RSKCPTYDS* set, char libref[kLibrefLength + 1], char member[kMemberLimit + 1]) {
    const dataset* input = set->input;
    char spec[kLibrefLength + kMemberLimit + 2] = {};
    int libref_length = 0;
    while (libref_length < kLibrefLength && input->libref[libref_length] != 0 && input->libref[libref_length] != ' ')
        ++libref_length;
    const int written = std::snprintf(spec, sizeof spec, "%.*s%s%.32s", libref_length, input->libref,
                                      libref_length > 0 ? "." : "", input->member != nullptr ? input->member : "");
    RSKNAMEREC name{static_cast<uint16_t>(written), static_cast<uint16_t>(written), spec};
    char path[QOR_PATH_MAX] = {};
    std::memset(libref, ' ', kLibrefLength);
    libref[kLibrefLength] = 0;
    member_name found{};
    if (rskpthg(con, &name, "DATASET ", 1, libref, &found, path, 0) != 0) {
        xpmlog(598, 7738, libref_length, input->libref);
        return 1;
    }
    const int length = found.length < kMemberLimit ? found.length : kMemberLimit;
    for (int i = 0; i < length; ++i) member[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(found.text[i])));
    member[length] = 0;
    return 0;
}

}  // namespace

int open_cpty_input(RSKCON* con, RSKCPTYDS* set) {
    if (set == nullptr || set->input == nullptr) return 2;
    char libref[kLibrefLength + 1], member[kMemberLimit + 1];
    if (resolve_input(con, set, libref, member) != 0) return 1;
    dataset* input = set->input;
    if (!input->open) {
        // Opened under the resolved names; the record keeps the names of its definition.
        const char* own_libref = input->libref;
        const char* own_member = input->member;
        input->libref = libref;
        input->member = member;
        set_mode(input, DATASET_READ);
        const int rc = open_dataset(input);
        input->libref = own_libref;
        input->member = own_member;
        if (rc != 0) return 2;
    }
    set->current = 0;
    set->observations = input->observations > INT32_MAX ? INT32_MAX : static_cast<int32_t>(input->observations);
    return 0;
}

int open_cpty_output(RSKCON* con, RSKCPTYDS* set) {
    if (set == nullptr || set->input == nullptr || set->output == nullptr) return 2;
    char libref[kLibrefLength + 1], member[kMemberLimit + 1];
    if (resolve_input(con, set, libref, member) != 0) return 1;
    // The member lives in WORK, under the name the run gave it for its part.
    std::memcpy(set->output->libref, "WORK    ", kLibrefLength);
    const int rc = open_utilfile(set->output);
    return rc == 0 || rc == 1 ? 0 : 2;
}

int close_cpty_ds(RSKCPTYDS* set) {
    if (set == nullptr || set->input == nullptr || set->output == nullptr) return 2;
    int rc = close_dataset(set->input) != 0 ? 2 : 0;
    if (close_utilfile(set->output) != 0) rc = 2;
    return rc;
}

int close_cpty_run(RSKCON* con) {
    RSKCPTYCON* c = con->cpty_container;
    if (c == nullptr) return 0;
    int rc = 0;
    for (hash_item* item = enumerate_table(c->datasets); item != nullptr; item = item->next) {
        auto* set = static_cast<RSKCPTYDS*>(item->value);
        if (set == nullptr) continue;
        if ((set->input != nullptr && set->input->open) || (set->output != nullptr && set->output->open))
            if (close_cpty_ds(set) != 0) rc = 2;
        if (set->observation != nullptr) {
            delete_dataset_obs(con->current_pool, static_cast<dataset_obs*>(set->observation));
            set->observation = nullptr;
        }
    }
    free_cpty_table(con);
    free_cpty_buffer(con);
    return rc;
}

void free_cpty_table(RSKCON* con) {
    RSKCPTYCON* c = con->cpty_container;
    if (c == nullptr) return;
    if (c->counterparties != nullptr) {
        for (hash_item* item = enumerate_table(c->counterparties); item != nullptr; item = item->next)
            delete_cpty(con->current_pool, static_cast<RSKCPTY*>(item->value));
        del_hash_table(con->current_pool, c->counterparties);
        c->counterparties = nullptr;
    }
    c->current = nullptr;
}

int cpty_output_member(const char* input_member, int32_t first, int32_t second, char out[33]) {
    char suffix[32];
    const int suffix_length = std::snprintf(suffix, sizeof suffix, "_%d_%d", first, second);
    if (input_member == nullptr || suffix_length < 0 || suffix_length >= kMemberLimit) return 1;
    int keep = static_cast<int>(std::strlen(input_member));
    if (keep > kMemberLimit - suffix_length) keep = kMemberLimit - suffix_length;
    if (keep < 1) return 1;
    std::memcpy(out, input_member, static_cast<size_t>(keep));
    std::memcpy(out + keep, suffix, static_cast<size_t>(suffix_length) + 1);
    return 0;
}
