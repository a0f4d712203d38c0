// Appendage C's entry table: every slot from 1 to 129 holds a routine. Routines of catalog
// storage that are not built yet name themselves in an internal-error line and fail.
#include "catalog/entry_table.h"

#include <utility>

#include "common/module/not_yet.h"

void* rskctbl[kRskctblSlots];

namespace {

template <typename Fn>
void* slot_of(Fn* routine) {
    return reinterpret_cast<void*>(routine);
}

template <int Slot>
int not_yet_code() {
    return not_yet_available(kRskctblNames[Slot]);
}

template <size_t... Slot>
void fill_not_yet(std::index_sequence<Slot...>) {
    ((rskctbl[Slot] = slot_of(&not_yet_code<static_cast<int>(Slot)>)), ...);
}

}  // namespace

void rskctbl_fill() {
    fill_not_yet(std::make_index_sequence<kRskctblSlots>());
    rskctbl[0] = nullptr;
    rskctbl[1] = slot_of(&rskctrm);
    rskctbl[16] = slot_of(&rssenla);
    rskctbl[25] = slot_of(&rssenvt);
    rskctbl[27] = slot_of(&rssenvx);
    rskctbl[48] = slot_of(&rssobex);
    rskctbl[49] = slot_of(&rssobds);
    rskctbl[53] = slot_of(&rssofid);
    rskctbl[57] = slot_of(&rssofiq);
    rskctbl[84] = slot_of(&rsspthl);
    rskctbl[87] = slot_of(&rssptyd);
    rskctbl[94] = slot_of(&rssrpt);
    rskctbl[97] = slot_of(&rsssec);
}
