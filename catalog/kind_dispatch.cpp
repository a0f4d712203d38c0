// Dispatch of the object frame by kind: each kind's list writer and reader (slots of this
// module's entry table, so a kind whose form is not built answers "not yet available") and the
// engine routine that frees its in-memory object (vector 381).
#include <type_traits>

#include "catalog/entry_table.h"
#include "catalog/object_frame.h"
#include "engine/tables/engine_table.h"
#include "host/print.h"

namespace {

struct KindRoutines {
    int32_t kind;
    CatalogSlot writer;
    CatalogSlot reader;
};

const KindRoutines kKindRoutines[] = {
    {9, CatalogSlot::rssposg, CatalogSlot::rssposs},    {10, CatalogSlot::rsswhrg, CatalogSlot::rsswhrs},
    {13, CatalogSlot::rssdatg, CatalogSlot::rssdats},   {17, CatalogSlot::rssrepg, CatalogSlot::rssreps},
    {18, CatalogSlot::rsstgdg, CatalogSlot::rsstgds},   {21, CatalogSlot::rsspmxg, CatalogSlot::rsspmxs},
    {22, CatalogSlot::rsscalg, CatalogSlot::rsscals},   {23, CatalogSlot::rsstsgg, CatalogSlot::rsstsgs},
    {24, CatalogSlot::rsstrng, CatalogSlot::rsstrns},   {25, CatalogSlot::rsswebg, CatalogSlot::rsswebs},
    {26, CatalogSlot::rsscptyg, CatalogSlot::rsscptys}, {27, CatalogSlot::rssmitg, CatalogSlot::rssmits},
    {30, CatalogSlot::rssprjg, CatalogSlot::rssprjs},   {34, CatalogSlot::rssanlg, CatalogSlot::rssanls},
    {35, CatalogSlot::rssccsg, CatalogSlot::rssccss},   {36, CatalogSlot::rssprsg, CatalogSlot::rssprss},
    {37, CatalogSlot::rsstdfg, CatalogSlot::rsstdfs},   {38, CatalogSlot::rssidsg, CatalogSlot::rssidss},
    {39, CatalogSlot::rssoutg, CatalogSlot::rssouts},
};

const KindRoutines* routines_of(int32_t kind) {
    for (const KindRoutines& row : kKindRoutines)
        if (row.kind == kind) return &row;
    return nullptr;
}

// The second argument's type of a free routine, whatever the engine declares it to be.
template <typename Fn>
struct ObjectArgument;
template <typename R, typename Object>
struct ObjectArgument<R (*)(RSKCON*, Object*)> {
    using type = Object;
};

// Calls a free routine of the engine. A slot whose routine the engine has not built has the
// one-argument type of a placeholder, which reports itself and fails.
template <EngineSlot S>
int free_through(RSKCON* con, void* object) {
    auto routine = engine_routine<S>();
    if (routine == nullptr) return 1;
    using Fn = engine_slot_t<S>;
    if constexpr (std::is_invocable_v<Fn, RSKCON*>) {
        (void)object;
        return routine(con);
    } else {
        return routine(con, static_cast<typename ObjectArgument<Fn>::type*>(object));
    }
}

}  // namespace

RSSWRITER rss_writer_of(int32_t kind) {
    const KindRoutines* row = routines_of(kind);
    return row ? reinterpret_cast<RSSWRITER>(rskctbl[static_cast<int>(row->writer)]) : nullptr;
}

RSSREADER rss_reader_of(int32_t kind) {
    const KindRoutines* row = routines_of(kind);
    return row ? reinterpret_cast<RSSREADER>(rskctbl[static_cast<int>(row->reader)]) : nullptr;
}

int rss_free_object(RSKCON* con, int32_t kind, void* object) {
    switch (kind) {
    case 9: return free_through<EngineSlot::rskposf>(con, object);
    case 10: return free_through<EngineSlot::rskwhrf>(con, object);
    case 13: return free_through<EngineSlot::rskdatf>(con, object);
    case 17: return free_through<EngineSlot::rskrepf>(con, object);
    case 18: return free_through<EngineSlot::rsktgdf>(con, object);
    case 21: return free_through<EngineSlot::rskpmxf>(con, object);
    case 22: return free_through<EngineSlot::rskcalf>(con, object);
    case 23: return free_through<EngineSlot::rsktsgf>(con, object);
    case 24: return free_through<EngineSlot::rsktrnf>(con, object);
    case 25: return free_through<EngineSlot::rskwebf>(con, object);
    case 26:
    case 27: return 0;   // the control structure's own container: nothing to free here
    case 30: return free_through<EngineSlot::rskprjf>(con, object);
    case 34: return free_through<EngineSlot::rskanlf>(con, object);
    case 35: return free_through<EngineSlot::rskccsf>(con, object);
    case 36: return free_through<EngineSlot::rskprsf>(con, object);
    case 37: return free_through<EngineSlot::rsktdff>(con, object);
    case 38: return free_through<EngineSlot::rskidsf>(con, object);
    case 39: return free_through<EngineSlot::rskoutf>(con, object);
    default: xpmlog(598, 3100, kind); return 1;
    }
}
