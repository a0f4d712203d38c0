// Appendage C's entry table: every slot from 1 to 129 holds a routine of the slot's type. Routines
// of catalog storage that are not built yet name themselves in an internal-error line and fail.
#include "catalog/entry_table.h"

#include "catalog/access_rights.h"
#include "catalog/catalog_settings.h"
#include "catalog/forms_further.h"
#include "catalog/definition_forms.h"
#include "catalog/method_forms.h"
#include "catalog/object_forms.h"
#include "catalog/variable_storage.h"

#include <array>
#include <type_traits>
#include <utility>

#include "catalog/environment.h"
#include "engine/tables/slot_placeholder.h"
#include "host/kernel.h"

void* rskctbl[kCatalogTableSlots];

namespace {

struct CatalogSlotNames {
    static const char* name(int slot) { return kCatalogSlotNames[slot]; }
};

template <size_t Slot>
void* placeholder_of() {
    using Fn = catalog_slot_t<static_cast<CatalogSlot>(Slot)>;
    Fn routine = &SlotPlaceholder<CatalogSlotNames, static_cast<int>(Slot), Fn>::call;
    return reinterpret_cast<void*>(routine);
}

// One placeholder per slot, each of its slot's type (slot 0 gets one too and is then cleared).
template <size_t... Slot>
std::array<void*, kCatalogTableSlots> placeholders_of(std::index_sequence<Slot...>) {
    return {placeholder_of<Slot>()...};
}

// Puts a routine into its slot; the routine must have exactly the slot's type.
template <CatalogSlot S, typename Fn>
void put(Fn* routine) {
    static_assert(std::is_same_v<Fn*, catalog_slot_t<S>>, "the routine does not have its slot's type");
    rskctbl[static_cast<int>(S)] = reinterpret_cast<void*>(routine);
}

}  // namespace

void rskctbl_fill() {
    static const std::array<void*, kCatalogTableSlots> placeholders =
        placeholders_of(std::make_index_sequence<kCatalogTableSlots>());
    rskctbl[0] = nullptr;
    for (int s = 1; s < kCatalogTableSlots; ++s) rskctbl[s] = placeholders[s];

    put<CatalogSlot::rskctrm>(&rskctrm);
    // Environments (catalog/environment_*.cpp).
    put<CatalogSlot::rssenla>(&rssenla);
    put<CatalogSlot::rssenlt>(&rssenlt);
    put<CatalogSlot::rssenva>(&rssenva);
    put<CatalogSlot::rssenvc>(&rssenvc);
    put<CatalogSlot::rssenve>(&rssenve);
    put<CatalogSlot::rssenvf>(&rssenvf);
    put<CatalogSlot::rssenvl>(&rssenvl);
    put<CatalogSlot::rssenvp>(&rssenvp);
    put<CatalogSlot::rssenvs>(&rssenvs);
    put<CatalogSlot::rssenvt>(&rssenvt);
    put<CatalogSlot::rssenvv>(&rssenvv);
    put<CatalogSlot::rssenvx>(&rssenvx);
    put<CatalogSlot::rssenvy>(&rssenvy);
    put<CatalogSlot::rssensa>(&rssensa);
    put<CatalogSlot::rssensm>(&rssensm);
    put<CatalogSlot::rssenvi>(&rssenvi);
    put<CatalogSlot::rssenvz>(&rssenvz);
    put<CatalogSlot::rssench>(&rssench);
    put<CatalogSlot::rsseopg>(&rsseopg);
    put<CatalogSlot::rsseops>(&rsseops);
    put<CatalogSlot::rsswebr>(&rsswebr);
    put<CatalogSlot::rssobex>(&rssobex);
    put<CatalogSlot::rssobds>(&rssobds);
    // Method objects (catalog/method_forms.cpp).
    put<CatalogSlot::rsstrng>(&rsstrng);
    put<CatalogSlot::rsstrns>(&rsstrns);
    put<CatalogSlot::rsstrnt>(&rsstrnt);
    put<CatalogSlot::rssofid>(&rssofid);
    put<CatalogSlot::rssofiq>(&rssofiq);
    put<CatalogSlot::rsspthl>(&rsspthl);
    put<CatalogSlot::rssptyd>(&rssptyd);
    put<CatalogSlot::rssrpt>(&rssrpt);
    put<CatalogSlot::rsssec>(&rsssec);
    // Access rights, option storage, trace settings, search paths and properties.
    put<CatalogSlot::rssseca>(&rssseca);
    put<CatalogSlot::rsssecs>(&rsssecs);
    put<CatalogSlot::rssopsg>(&rssopsg);
    put<CatalogSlot::rssopss>(&rssopss);
    put<CatalogSlot::rssopta>(&rssopta);
    put<CatalogSlot::rssoptg>(&rssoptg);
    put<CatalogSlot::rssoptr>(&rssoptr);
    put<CatalogSlot::rssopts>(&rssopts);
    put<CatalogSlot::rsstrcg>(&rsstrcg);
    put<CatalogSlot::rsstrcs>(&rsstrcs);
    put<CatalogSlot::rsstrsg>(&rsstrsg);
    put<CatalogSlot::rsstrss>(&rsstrss);
    put<CatalogSlot::rsspths>(&rsspths);
    put<CatalogSlot::rssptya>(&rssptya);
    put<CatalogSlot::rssptyg>(&rssptyg);
    put<CatalogSlot::rssptys>(&rssptys);
    // Catalog object frame and the data set, ids and output forms.
    put<CatalogSlot::rssoflf>(&rssoflf);
    put<CatalogSlot::rssoflo>(&rssoflo);
    put<CatalogSlot::rssofli>(&rssofli);
    put<CatalogSlot::rssofis>(&rssofis);
    put<CatalogSlot::rssofif>(&rssofif);
    put<CatalogSlot::rssofil>(&rssofil);
    put<CatalogSlot::rssoflr>(&rssoflr);
    put<CatalogSlot::rssdats>(&rssdats);
    put<CatalogSlot::rssdatg>(&rssdatg);
    put<CatalogSlot::rssidsg>(&rssidsg);
    put<CatalogSlot::rssidss>(&rssidss);
    put<CatalogSlot::rssoutg>(&rssoutg);
    put<CatalogSlot::rssouts>(&rssouts);
    put<CatalogSlot::rssoutl>(&rssoutl);
    put<CatalogSlot::rssoutz>(&rssoutz);
    // Variable storage.
    put<CatalogSlot::rssvara>(&rssvara);
    put<CatalogSlot::rssvarg>(&rssvarg);
    put<CatalogSlot::rssvarl>(&rssvarl);
    put<CatalogSlot::rssvars>(&rssvars);
    // Calendars, cross-classifications, instrument types, displayed currencies and the further
    // object forms; the report index, packages and result library properties.
    put<CatalogSlot::rsscalg>(&rsscalg);
    put<CatalogSlot::rsscptyg>(&rsscptyg);
    put<CatalogSlot::rsscptys>(&rsscptys);
    put<CatalogSlot::rssmitg>(&rssmitg);
    put<CatalogSlot::rssmits>(&rssmits);
    put<CatalogSlot::rsscals>(&rsscals);
    put<CatalogSlot::rssccsg>(&rssccsg);
    put<CatalogSlot::rssccss>(&rssccss);
    put<CatalogSlot::rssclsg>(&rssclsg);
    put<CatalogSlot::rssclss>(&rssclss);
    put<CatalogSlot::rssclsl>(&rssclsl);
    put<CatalogSlot::rssclsa>(&rssclsa);
    put<CatalogSlot::rsscuds>(&rsscuds);
    put<CatalogSlot::rsscudr>(&rsscudr);
    put<CatalogSlot::rssposg>(&rssposg);
    put<CatalogSlot::rssposs>(&rssposs);
    put<CatalogSlot::rsswhrg>(&rsswhrg);
    put<CatalogSlot::rsswhrs>(&rsswhrs);
    put<CatalogSlot::rssrepg>(&rssrepg);
    put<CatalogSlot::rssreps>(&rssreps);
    put<CatalogSlot::rsstgdg>(&rsstgdg);
    put<CatalogSlot::rsstgds>(&rsstgds);
    put<CatalogSlot::rsspmxg>(&rsspmxg);
    put<CatalogSlot::rsspmxs>(&rsspmxs);
    put<CatalogSlot::rsstsgg>(&rsstsgg);
    put<CatalogSlot::rsstsgs>(&rsstsgs);
    put<CatalogSlot::rsswebg>(&rsswebg);
    put<CatalogSlot::rsswebs>(&rsswebs);
    put<CatalogSlot::rssprsg>(&rssprsg);
    put<CatalogSlot::rssprss>(&rssprss);
    put<CatalogSlot::rsstdfg>(&rsstdfg);
    put<CatalogSlot::rsstdfs>(&rsstdfs);
    put<CatalogSlot::rsstrna>(&rsstrna);
    put<CatalogSlot::rssrptl>(&rssrptl);
    put<CatalogSlot::rssrptc>(&rssrptc);
    put<CatalogSlot::rssrepi>(&rssrepi);
    put<CatalogSlot::rsspkg>(&rsspkg);
    put<CatalogSlot::rssfdc>(&rssfdc);
    put<CatalogSlot::rssfud>(&rssfud);
    put<CatalogSlot::rsspkgp>(&rsspkgp);
    put<CatalogSlot::rssprpb>(&rssprpb);
    put<CatalogSlot::rssprlb>(&rssprlb);
    put<CatalogSlot::rssprpr>(&rssprpr);
    put<CatalogSlot::rssprlp>(&rssprlp);
    put<CatalogSlot::rssprlr>(&rssprlr);
    put<CatalogSlot::rssprlg>(&rssprlg);
    // Analysis and project forms (catalog/analysis_*.cpp, catalog/project_forms.cpp).
    put<CatalogSlot::rssanlg>(&rssanlg);
    put<CatalogSlot::rssanls>(&rssanls);
    put<CatalogSlot::rssprjg>(&rssprjg);
    put<CatalogSlot::rssprjs>(&rssprjs);
}

int rskctrm() { return wideprt(kCatalogTableVectorCode); }
