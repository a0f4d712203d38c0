// Appendage C's entry table (catalog storage), published as vector 383: the number of every slot,
// the function type of each, and the typed fetch through which the other modules call a slot.
#pragma once
#include <cstdint>
#include <type_traits>

#include "engine/tables/catalog_records.h"
#include "engine/tables/control_structure.h"
#include "host/kernel.h"

struct RSKLISTWS;     // list workspace of catalog storage (catalog/catalog_lists.h)
struct qor_catalog;   // an open catalog (host/catalog.h)
struct RSKOPTREC;     // an option value block of the engine
struct qor_list;

constexpr int kCatalogTableVector = 383;
constexpr int kCatalogTableVectorCode = (14 << 16) | 383;   // level 14, vector 383 (0x000E017F)
constexpr int kCatalogTableSlots = 130;                     // slots 0 .. 129; slot 0 is never used

// Every slot: X(number, enumerator, routine name). Numbers are the contract between the modules.
#define QOR_CATALOG_SLOTS(X) \
    X(1, rskctrm, "rskctrm")                                 \
    X(2, rssanlg, "rssanlg")                                 \
    X(3, rssanls, "rssanls")                                 \
    X(4, rsscalg, "rsscalg")                                 \
    X(5, rsscals, "rsscals")                                 \
    X(6, rssccss, "rssccss")                                 \
    X(7, rssccsg, "rssccsg")                                 \
    X(8, rssclsg, "rssclsg")                                 \
    X(9, rssclss, "rssclss")                                 \
    X(10, rssclsl, "rssclsl")                                \
    X(11, rssclsa, "rssclsa")                                \
    X(12, rsscuds, "rsscuds")                                \
    X(13, rsscudr, "rsscudr")                                \
    X(14, rssdats, "rssdats")                                \
    X(15, rssdatg, "rssdatg")                                \
    X(16, rssenla, "rssenla")                                \
    X(17, rssenlt, "rssenlt")                                \
    X(18, rssenva, "rssenva")                                \
    X(19, rssenvc, "rssenvc")                                \
    X(20, rssenve, "rssenve")                                \
    X(21, rssenvf, "rssenvf")                                \
    X(22, rssenvl, "rssenvl")                                \
    X(23, rssenvp, "rssenvp")                                \
    X(24, rssenvs, "rssenvs")                                \
    X(25, rssenvt, "rssenvt")                                \
    X(26, rssenvv, "rssenvv")                                \
    X(27, rssenvx, "rssenvx")                                \
    X(28, rssenvy, "rssenvy")                                \
    X(29, rssensa, "rssensa")                                \
    X(30, rssensm, "rssensm")                                \
    X(31, rssenvi, "rssenvi")                                \
    X(32, rssenvz, "rssenvz")                                \
    X(33, rssench, "rssench")                                \
    X(34, rsseopg, "rsseopg")                                \
    X(35, rsseops, "rsseops")                                \
    X(36, rssfdc, "rssfdc")                                  \
    X(37, rssfud, "rssfud")                                  \
    X(38, rssidss, "rssidss")                                \
    X(39, rssidsg, "rssidsg")                                \
    X(40, rssimp0, "rssimp0")                                \
    X(41, rssimpc, "rssimpc")                                \
    X(42, rssimpi, "rssimpi")                                \
    X(43, rssimpm, "rssimpm")                                \
    X(44, rssimpo, "rssimpo")                                \
    X(45, rssimpr, "rssimpr")                                \
    X(46, rssimpv, "rssimpv")                                \
    X(47, rssimpx, "rssimpx")                                \
    X(48, rssobex, "rssobex")                                \
    X(49, rssobds, "rssobds")                                \
    X(50, rssoflf, "rssoflf")                                \
    X(51, rssoflo, "rssoflo")                                \
    X(52, rssofli, "rssofli")                                \
    X(53, rssofid, "rssofid")                                \
    X(54, rssofis, "rssofis")                                \
    X(55, rssofif, "rssofif")                                \
    X(56, rssofil, "rssofil")                                \
    X(57, rssofiq, "rssofiq")                                \
    X(58, rssopsg, "rssopsg")                                \
    X(59, rssopss, "rssopss")                                \
    X(60, rssopta, "rssopta")                                \
    X(61, rssoptg, "rssoptg")                                \
    X(62, rssoptr, "rssoptr")                                \
    X(63, rssopts, "rssopts")                                \
    X(64, rssoutg, "rssoutg")                                \
    X(65, rssoutl, "rssoutl")                                \
    X(66, rssouts, "rssouts")                                \
    X(67, rssoutz, "rssoutz")                                \
    X(68, rsspkg, "rsspkg")                                  \
    X(69, rsspkgp, "rsspkgp")                                \
    X(70, rsspmxg, "rsspmxg")                                \
    X(71, rsspmxs, "rsspmxs")                                \
    X(72, rssposg, "rssposg")                                \
    X(73, rssposs, "rssposs")                                \
    X(74, rssprsg, "rssprsg")                                \
    X(75, rssprss, "rssprss")                                \
    X(76, rssprjg, "rssprjg")                                \
    X(77, rssprjs, "rssprjs")                                \
    X(78, rssprlb, "rssprlb")                                \
    X(79, rssprlg, "rssprlg")                                \
    X(80, rssprlp, "rssprlp")                                \
    X(81, rssprlr, "rssprlr")                                \
    X(82, rssprpb, "rssprpb")                                \
    X(83, rssprpr, "rssprpr")                                \
    X(84, rsspthl, "rsspthl")                                \
    X(85, rsspths, "rsspths")                                \
    X(86, rssptya, "rssptya")                                \
    X(87, rssptyd, "rssptyd")                                \
    X(88, rssptyg, "rssptyg")                                \
    X(89, rssptys, "rssptys")                                \
    X(90, rssrepg, "rssrepg")                                \
    X(91, rssrepi, "rssrepi")                                \
    X(92, rssreps, "rssreps")                                \
    X(93, rssrmbs, "rssrmbs")                                \
    X(94, rssrpt, "rssrpt")                                  \
    X(95, rssrptl, "rssrptl")                                \
    X(96, rssrptc, "rssrptc")                                \
    X(97, rsssec, "rsssec")                                  \
    X(98, rssseca, "rssseca")                                \
    X(99, rsssecs, "rsssecs")                                \
    X(100, rsstdfg, "rsstdfg")                               \
    X(101, rsstdfs, "rsstdfs")                               \
    X(102, rsstgdg, "rsstgdg")                               \
    X(103, rsstgds, "rsstgds")                               \
    X(104, rsstrcg, "rsstrcg")                               \
    X(105, rsstrcs, "rsstrcs")                               \
    X(106, rsstrna, "rsstrna")                               \
    X(107, rsstrng, "rsstrng")                               \
    X(108, rsstrns, "rsstrns")                               \
    X(109, rsstrnt, "rsstrnt")                               \
    X(110, rsstrsg, "rsstrsg")                               \
    X(111, rsstrss, "rsstrss")                               \
    X(112, rsstsgg, "rsstsgg")                               \
    X(113, rsstsgs, "rsstsgs")                               \
    X(114, rssvara, "rssvara")                               \
    X(115, rssvarg, "rssvarg")                               \
    X(116, rssvarl, "rssvarl")                               \
    X(117, rssvars, "rssvars")                               \
    X(118, rsswebg, "rsswebg")                               \
    X(119, rsswebs, "rsswebs")                               \
    X(120, rsswhrg, "rsswhrg")                               \
    X(121, rsswhrs, "rsswhrs")                               \
    X(122, rssoflr, "rssoflr")                               \
    X(123, rsswebr, "rsswebr")                               \
    X(124, rsscptyg, "rsscptyg")                             \
    X(125, rsscptys, "rsscptys")                             \
    X(126, rssmitg, "rssmitg")                               \
    X(127, rssmits, "rssmits")                               \
    X(128, create_information_map, "create_information_map") \
    X(129, create_im_publish_info, "create_im_publish_info") \

enum class CatalogSlot : int {
#define QOR_SLOT_ENUMERATOR(number, id, name) id = number,
    QOR_CATALOG_SLOTS(QOR_SLOT_ENUMERATOR)
#undef QOR_SLOT_ENUMERATOR
};

// The routine name of each slot, for messages about a slot (null for slot 0).
inline constexpr const char* kCatalogSlotNames[kCatalogTableSlots] = {
    nullptr,
#define QOR_SLOT_NAME(number, id, name) name,
    QOR_CATALOG_SLOTS(QOR_SLOT_NAME)
#undef QOR_SLOT_NAME
};

namespace catalog_table_detail {
inline constexpr int kNumbers[] = {
#define QOR_SLOT_NUMBER(number, id, name) number,
    QOR_CATALOG_SLOTS(QOR_SLOT_NUMBER)
#undef QOR_SLOT_NUMBER
};
constexpr bool numbered_in_order() {
    for (int i = 0; i < static_cast<int>(sizeof kNumbers / sizeof kNumbers[0]); ++i)
        if (kNumbers[i] != i + 1) return false;
    return true;
}
static_assert(sizeof kNumbers / sizeof kNumbers[0] == kCatalogTableSlots - 1, "one entry per slot 1 to 129");
static_assert(numbered_in_order(), "slots listed once each, in order");

// Slots whose routine is not built yet but will hand back a record (rssenvs: a registered
// environment): their placeholder answers null, since a code read as an address would be
// followed by the caller.
inline constexpr int kUnbuiltRecordSlots[] = {24};
constexpr bool answers_record(CatalogSlot slot) {
    for (int s : kUnbuiltRecordSlots)
        if (s == static_cast<int>(slot)) return true;
    return false;
}
}  // namespace catalog_table_detail

// A slot whose routine is not built yet has the type of its answer with the control structure as
// its one argument: whoever builds the routine gives the slot its full type below, and the filler
// checks it.
using UnbuiltCatalogCode = int (*)(RSKCON*);
using UnbuiltCatalogRecord = void* (*)(RSKCON*);

template <CatalogSlot S>
struct CatalogSlotType {
    using type = std::conditional_t<catalog_table_detail::answers_record(S), UnbuiltCatalogRecord,
                                    UnbuiltCatalogCode>;
};

// The full type of every slot whose routine is built or called by another module.
#define QOR_CATALOG_SLOT_TYPE(id, ...)        \
    template <>                               \
    struct CatalogSlotType<CatalogSlot::id> { \
        using type = __VA_ARGS__;             \
    };
QOR_CATALOG_SLOT_TYPE(rskctrm, int (*)())
QOR_CATALOG_SLOT_TYPE(rssclsa, int (*)(RSKCON*, RSKINSTTYPE*, int))
QOR_CATALOG_SLOT_TYPE(rssenla, int (*)(RSKCON*))
QOR_CATALOG_SLOT_TYPE(rssenlt, int (*)(RSKCON*))
QOR_CATALOG_SLOT_TYPE(rssenva, int (*)(RSKCON*))
QOR_CATALOG_SLOT_TYPE(rssenvt, int (*)(RSKCON*))
QOR_CATALOG_SLOT_TYPE(rssenvx, int (*)(RSKCON*))
// Environments (catalog/environment_*.cpp).
QOR_CATALOG_SLOT_TYPE(rssenvz, int (*)(RSKCON*, const char*, int, const char*, int, const char*, int, int, int))
QOR_CATALOG_SLOT_TYPE(rssenvc, int (*)(RSKCON*, const char*, int))
QOR_CATALOG_SLOT_TYPE(rssenve, int (*)(RSKCON*, const char*, int, qor_list*))
QOR_CATALOG_SLOT_TYPE(rssenvf, int (*)(RSKCON*, RSKENV*))
QOR_CATALOG_SLOT_TYPE(rssenvl, int (*)(RSKCON*, const char*, int, const char*, int, const char*, int, const char*, int,
                                       uint32_t, int, const char*, int))
QOR_CATALOG_SLOT_TYPE(rssenvp, int (*)(RSKCON*, int))
QOR_CATALOG_SLOT_TYPE(rssenvs, RSKENV* (*)(RSKCON*, const char*, int))
QOR_CATALOG_SLOT_TYPE(rssenvv, int (*)(RSKCON*, qor_list*))
QOR_CATALOG_SLOT_TYPE(rssenvy, int (*)(RSKCON*, const char*, int))
QOR_CATALOG_SLOT_TYPE(rssensa, int (*)(RSKCON*, const char*, int, const char*, int))
QOR_CATALOG_SLOT_TYPE(rssensm, int (*)(RSKCON*, const char*, int, const char*, int, qor_catalog*, int))
QOR_CATALOG_SLOT_TYPE(rssenvi, int (*)(RSKCON*, const char*, int, const char*, const char*, int, const char*, int,
                                       const char*, int, RSKENV**))
QOR_CATALOG_SLOT_TYPE(rssench, int (*)(RSKCON*, int))
QOR_CATALOG_SLOT_TYPE(rsseopg, int (*)(RSKCON*, RSKENV*, const char*, qor_list**))
QOR_CATALOG_SLOT_TYPE(rsseops, int (*)(RSKCON*, RSKENV*, const char*, qor_list*))
QOR_CATALOG_SLOT_TYPE(rsswebr, int (*)(RSKCON*, const char*, int, const char*, int))
QOR_CATALOG_SLOT_TYPE(rssobex, int (*)(int32_t, char*))
QOR_CATALOG_SLOT_TYPE(rssobds, int (*)(int32_t, char*))
QOR_CATALOG_SLOT_TYPE(rssofid, int (*)(RSKCON*, RSKCATOBJ**, const RSKNAMEREC*, const RSKNAMEREC*, int32_t))
QOR_CATALOG_SLOT_TYPE(rssofiq, void* (*)(RSKCON*, RSKCATOBJ*, int))
QOR_CATALOG_SLOT_TYPE(rssoutz, int (*)(RSKCON*))
QOR_CATALOG_SLOT_TYPE(rsspthl, int (*)(RSKCON*))
QOR_CATALOG_SLOT_TYPE(rssptyd, int (*)(RSKCON*, RSKPROPS*, const RSKNAMEREC*, const RSKPROPS*))
QOR_CATALOG_SLOT_TYPE(rssrpt, void* (*)(RSKCON*, const RSKNAMEREC*))
QOR_CATALOG_SLOT_TYPE(rsssec, int (*)(RSKCON*, RSKRIGHTS*, int, RSKENV*, const char*, int, int32_t, int))
QOR_CATALOG_SLOT_TYPE(rssseca, int (*)(RSKCON*, RSKRIGHTS*, RSKENV*, const char*, int, int32_t, int, uint32_t))
// Catalog object frame: its own routines, and the list writer (g) and reader (s) of every kind,
// through which saving and loading dispatch.
QOR_CATALOG_SLOT_TYPE(rssoflf, int (*)(RSKCON*, const char*, const char*, int, const char*, int, const char*))
QOR_CATALOG_SLOT_TYPE(rssoflo, int (*)(RSKCON*, RSKENV*))
QOR_CATALOG_SLOT_TYPE(rssofli, int (*)(RSKCON*))
QOR_CATALOG_SLOT_TYPE(rssofis, int (*)(RSKCON*, RSKCATOBJ*, uint32_t))
QOR_CATALOG_SLOT_TYPE(rssofif, int (*)(RSKCON*, RSKCATOBJ*))
QOR_CATALOG_SLOT_TYPE(rssofil, int (*)(RSKCON*, RSKCATOBJ*, uint32_t))
QOR_CATALOG_SLOT_TYPE(rssoflr, int (*)(RSKLISTWS*, qor_catalog*, uint32_t, const RSKNAMEREC*, const char*, int))
QOR_CATALOG_SLOT_TYPE(rssoutl, int (*)(RSKCON*, RSKCATOBJ*))
QOR_CATALOG_SLOT_TYPE(rssclsl, int (*)(RSKCON*, const RSKNAMEREC*, const RSKNAMEREC*, RSKENV*))
QOR_CATALOG_SLOT_TYPE(rssvarl, int (*)(RSKCON*, const RSKNAMEREC*, const RSKNAMEREC*, RSKENV*))
// Variable storage (catalog/variable_*.cpp).
QOR_CATALOG_SLOT_TYPE(rssvara, int (*)(RSKCON*, RSKVARIABLE*, uint32_t))
QOR_CATALOG_SLOT_TYPE(rssvarg, int (*)(RSKCON*, RSKVARIABLE*, uint32_t, RSKLISTWS*, const char*, int))
QOR_CATALOG_SLOT_TYPE(rssvars, int (*)(RSKCON*, uint32_t, RSKLISTWS*, const char*, int, RSKVARIABLE**, RSKENV*))
QOR_CATALOG_SLOT_TYPE(rssanlg, int (*)(RSKCON*, void*, uint32_t, RSKLISTWS*, int, int))
QOR_CATALOG_SLOT_TYPE(rsscalg, int (*)(RSKCON*, void*, uint32_t, RSKLISTWS*, int, int))
QOR_CATALOG_SLOT_TYPE(rssccsg, int (*)(RSKCON*, void*, uint32_t, RSKLISTWS*, int, int))
QOR_CATALOG_SLOT_TYPE(rsscptyg, int (*)(RSKCON*, void*, uint32_t, RSKLISTWS*, int, int))
QOR_CATALOG_SLOT_TYPE(rssdatg, int (*)(RSKCON*, void*, uint32_t, RSKLISTWS*, int, int))
QOR_CATALOG_SLOT_TYPE(rssidsg, int (*)(RSKCON*, void*, uint32_t, RSKLISTWS*, int, int))
QOR_CATALOG_SLOT_TYPE(rssmitg, int (*)(RSKCON*, void*, uint32_t, RSKLISTWS*, int, int))
QOR_CATALOG_SLOT_TYPE(rssoutg, int (*)(RSKCON*, void*, uint32_t, RSKLISTWS*, int, int))
QOR_CATALOG_SLOT_TYPE(rsspmxg, int (*)(RSKCON*, void*, uint32_t, RSKLISTWS*, int, int))
QOR_CATALOG_SLOT_TYPE(rssposg, int (*)(RSKCON*, void*, uint32_t, RSKLISTWS*, int, int))
QOR_CATALOG_SLOT_TYPE(rssprjg, int (*)(RSKCON*, void*, uint32_t, RSKLISTWS*, int, int))
QOR_CATALOG_SLOT_TYPE(rssprsg, int (*)(RSKCON*, void*, uint32_t, RSKLISTWS*, int, int))
QOR_CATALOG_SLOT_TYPE(rssrepg, int (*)(RSKCON*, void*, uint32_t, RSKLISTWS*, int, int))
QOR_CATALOG_SLOT_TYPE(rsstdfg, int (*)(RSKCON*, void*, uint32_t, RSKLISTWS*, int, int))
QOR_CATALOG_SLOT_TYPE(rsstgdg, int (*)(RSKCON*, void*, uint32_t, RSKLISTWS*, int, int))
QOR_CATALOG_SLOT_TYPE(rsstrng, int (*)(RSKCON*, void*, uint32_t, RSKLISTWS*, int, int))
QOR_CATALOG_SLOT_TYPE(rsstsgg, int (*)(RSKCON*, void*, uint32_t, RSKLISTWS*, int, int))
QOR_CATALOG_SLOT_TYPE(rsswebg, int (*)(RSKCON*, void*, uint32_t, RSKLISTWS*, int, int))
QOR_CATALOG_SLOT_TYPE(rsswhrg, int (*)(RSKCON*, void*, uint32_t, RSKLISTWS*, int, int))
QOR_CATALOG_SLOT_TYPE(rssanls, int (*)(RSKCON*, uint32_t, RSKLISTWS*, int, int, RSKCATOBJ**, RSKCATOBJ*))
QOR_CATALOG_SLOT_TYPE(rsscals, int (*)(RSKCON*, uint32_t, RSKLISTWS*, int, int, RSKCATOBJ**, RSKCATOBJ*))
QOR_CATALOG_SLOT_TYPE(rssccss, int (*)(RSKCON*, uint32_t, RSKLISTWS*, int, int, RSKCATOBJ**, RSKCATOBJ*))
QOR_CATALOG_SLOT_TYPE(rsscptys, int (*)(RSKCON*, uint32_t, RSKLISTWS*, int, int, RSKCATOBJ**, RSKCATOBJ*))
QOR_CATALOG_SLOT_TYPE(rssdats, int (*)(RSKCON*, uint32_t, RSKLISTWS*, int, int, RSKCATOBJ**, RSKCATOBJ*))
QOR_CATALOG_SLOT_TYPE(rssidss, int (*)(RSKCON*, uint32_t, RSKLISTWS*, int, int, RSKCATOBJ**, RSKCATOBJ*))
QOR_CATALOG_SLOT_TYPE(rssmits, int (*)(RSKCON*, uint32_t, RSKLISTWS*, int, int, RSKCATOBJ**, RSKCATOBJ*))
QOR_CATALOG_SLOT_TYPE(rssouts, int (*)(RSKCON*, uint32_t, RSKLISTWS*, int, int, RSKCATOBJ**, RSKCATOBJ*))
QOR_CATALOG_SLOT_TYPE(rsspmxs, int (*)(RSKCON*, uint32_t, RSKLISTWS*, int, int, RSKCATOBJ**, RSKCATOBJ*))
QOR_CATALOG_SLOT_TYPE(rssposs, int (*)(RSKCON*, uint32_t, RSKLISTWS*, int, int, RSKCATOBJ**, RSKCATOBJ*))
QOR_CATALOG_SLOT_TYPE(rssprjs, int (*)(RSKCON*, uint32_t, RSKLISTWS*, int, int, RSKCATOBJ**, RSKCATOBJ*))
QOR_CATALOG_SLOT_TYPE(rssprss, int (*)(RSKCON*, uint32_t, RSKLISTWS*, int, int, RSKCATOBJ**, RSKCATOBJ*))
QOR_CATALOG_SLOT_TYPE(rssreps, int (*)(RSKCON*, uint32_t, RSKLISTWS*, int, int, RSKCATOBJ**, RSKCATOBJ*))
QOR_CATALOG_SLOT_TYPE(rsstdfs, int (*)(RSKCON*, uint32_t, RSKLISTWS*, int, int, RSKCATOBJ**, RSKCATOBJ*))
QOR_CATALOG_SLOT_TYPE(rsstgds, int (*)(RSKCON*, uint32_t, RSKLISTWS*, int, int, RSKCATOBJ**, RSKCATOBJ*))
QOR_CATALOG_SLOT_TYPE(rsstrns, int (*)(RSKCON*, uint32_t, RSKLISTWS*, int, int, RSKCATOBJ**, RSKCATOBJ*))
QOR_CATALOG_SLOT_TYPE(rsstrnt, int (*)(int, char*, int))
QOR_CATALOG_SLOT_TYPE(rsstsgs, int (*)(RSKCON*, uint32_t, RSKLISTWS*, int, int, RSKCATOBJ**, RSKCATOBJ*))
QOR_CATALOG_SLOT_TYPE(rsswebs, int (*)(RSKCON*, uint32_t, RSKLISTWS*, int, int, RSKCATOBJ**, RSKCATOBJ*))
QOR_CATALOG_SLOT_TYPE(rsswhrs, int (*)(RSKCON*, uint32_t, RSKLISTWS*, int, int, RSKCATOBJ**, RSKCATOBJ*))
// Access rights, option storage, trace settings, search paths and properties.
QOR_CATALOG_SLOT_TYPE(rsssecs, int (*)(RSKCON*, RSKRIGHTS*, RSKENV*, const char*, int, int32_t, int, uint32_t))
QOR_CATALOG_SLOT_TYPE(rssopsg, int (*)(RSKCON*, uint32_t, const RSKOPTREC*, int))
QOR_CATALOG_SLOT_TYPE(rssopss, int (*)(RSKCON*, uint32_t, RSKOPTREC*, int))
QOR_CATALOG_SLOT_TYPE(rssopta, int (*)(RSKCON*))
QOR_CATALOG_SLOT_TYPE(rssoptg, int (*)(RSKCON*, uint32_t, const RSKOPTREC*))
QOR_CATALOG_SLOT_TYPE(rssoptr, int (*)(RSKCON*))
QOR_CATALOG_SLOT_TYPE(rssopts, int (*)(RSKCON*, uint32_t, RSKOPTREC*))
QOR_CATALOG_SLOT_TYPE(rsstrcg, int (*)(RSKCON*, uint32_t))
QOR_CATALOG_SLOT_TYPE(rsstrcs, int (*)(RSKCON*, uint32_t))
QOR_CATALOG_SLOT_TYPE(rsstrsg, int (*)(RSKCON*, uint32_t))
QOR_CATALOG_SLOT_TYPE(rsstrss, int (*)(RSKCON*, uint32_t))
QOR_CATALOG_SLOT_TYPE(rsspths, int (*)(RSKCON*))
QOR_CATALOG_SLOT_TYPE(rssptya, int (*)(RSKCON*, RSKPROPS*, uint32_t))
QOR_CATALOG_SLOT_TYPE(rssptyg, int (*)(RSKCON*, const RSKPROPS*, uint32_t))
QOR_CATALOG_SLOT_TYPE(rssptys, int (*)(RSKCON*, RSKENV*, const RSKNAMEREC*, int32_t, const RSKPROPS*, const RSKSEC*))
// Calendars, cross-classifications, instrument types, displayed currencies, further object
// forms, the report index, packages and result library properties (catalog/*_forms.cpp and
// neighbours).
QOR_CATALOG_SLOT_TYPE(rssclsg, int (*)(RSKCON*, void*, uint32_t, RSKLISTWS*, int, int))
QOR_CATALOG_SLOT_TYPE(rssclss, int (*)(RSKCON*, uint32_t, RSKLISTWS*, int, int, RSKINSTTYPE**, RSKENV*))
QOR_CATALOG_SLOT_TYPE(rsscuds, int (*)(RSKCON*))
QOR_CATALOG_SLOT_TYPE(rsscudr, int (*)(RSKCON*))
QOR_CATALOG_SLOT_TYPE(rsstrna, int (*)(void*, RSKLISTWS*, int, int, uint32_t))
QOR_CATALOG_SLOT_TYPE(rssrptl, int (*)(RSKCON*))
QOR_CATALOG_SLOT_TYPE(rssrptc, int (*)(RSKCON*))
QOR_CATALOG_SLOT_TYPE(rssrepi, int (*)(RSKCON*, const char*, const char*))
QOR_CATALOG_SLOT_TYPE(rsspkg, RSKCATOBJ* (*)(RSKCON*, const RSKNAMEREC*))
QOR_CATALOG_SLOT_TYPE(rssfdc, RSKCATOBJ* (*)(RSKCON*, const RSKNAMEREC*))
QOR_CATALOG_SLOT_TYPE(rssfud, RSKCATOBJ* (*)(RSKCON*, const RSKNAMEREC*))
QOR_CATALOG_SLOT_TYPE(rsspkgp, int (*)(RSKCON*))
QOR_CATALOG_SLOT_TYPE(rssprpb, int (*)(RSKCON*, RSKCROSSCLASS*, const char*))
QOR_CATALOG_SLOT_TYPE(rssprlb, int (*)(RSKCON*, const char*, uint32_t))
QOR_CATALOG_SLOT_TYPE(rssprpr, int (*)(RSKCON*, void*, double, const char*, const RSKNAMEREC*, const RSKNAMEREC*,
                                       const RSKOPTREC*, const RSKNAMEREC*, int, uint32_t, const char*))
QOR_CATALOG_SLOT_TYPE(rssprlp, int (*)(RSKCON*, const char*, uint32_t))
QOR_CATALOG_SLOT_TYPE(rssprlr, int (*)(RSKCON*, const char*, uint32_t))
QOR_CATALOG_SLOT_TYPE(rssprlg, int (*)(RSKCON*, const char*, uint32_t))
#undef QOR_CATALOG_SLOT_TYPE

template <CatalogSlot S>
using catalog_slot_t = typename CatalogSlotType<S>::type;

// The routine in slot S of the published table, typed as the slot is; null when appendage C is
// not loaded (or has withdrawn its table).
template <CatalogSlot S>
catalog_slot_t<S> catalog_routine() {
    return reinterpret_cast<catalog_slot_t<S>>(wivslot(kCatalogTableVector, static_cast<int>(S)));
}
