// Fuzz target: lists of any shape, built from the input bytes out of the item names that object
// lists use, go to every reader of catalog storage's object lists: the list layer's getters,
// sorted insertion, the object type check, the data set, ids and output readers (against an
// engine table whose definition routines accept everything), the securities reader, the variable
// reader. None may
// crash, hang or leave a list alive.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "catalog/access_rights.h"
#include "catalog/catalog_lists.h"
#include "catalog/object_forms.h"
#include "catalog/variable_storage.h"
#include "engine/tables/engine_table.h"
#include "host/kernel.h"
#include "host/lists.h"
#include "host/pool.h"
#include "runtime/core/print_internal.h"

namespace {

const char* const kNames[] = {"OBJTYPE", "NAME",    "FORMAT",   "CLASSNAME", "MEMNAME",    "VARIABLES",
                              "VARNAME", "TYPE",    "INTERVAL", "ROWNAME",   "DESTINPATH", "DATASET",
                              "MDDB",    "CUBE",    "PROJECT",  "RUNTIME",   "PROPERTIES", "SECURITIES",
                              "DESC",    "MODIFIED", "OWNER",   "GROUP",     "SECCODE",    "VERSION",
                              "KIND",    "LABEL",   "ROLE",     "ELEMENTS",  "TIMEGRID",   "REFMAPS",
                              "CATEGORIES", "MAP",  "KEY",      "MLEVEL",    "MUNIT",      "_VARLIST",
                              "_LISTNO_", "",       "name"};
const char* const kTexts[] = {"TDATA", "INPUTDS", "OUTPUT", "*unknown*", "Simple", "Cash_Flow", "MONTH",
                              "WEEKDAY17W", "BOGUS3X", "TimeSeries", "", "/tmp/out", "x"};

// Reads the input a byte at a time; zeros once it runs out.
struct Bytes {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    uint8_t next() { return at < size ? data[at++] : 0; }
    bool more() const { return at < size; }
};

// A list of up to 16 items of names, types and values the bytes choose, nesting up to `depth`.
qor_list* build(Bytes& in, int depth) {
    qor_list* list = nullptr;
    slnewl(&list, nullptr, 84);
    const int items = in.next() % 17;
    for (int i = 0; i < items && in.more(); ++i) {
        const uint8_t kind = in.next();
        const char* name = kNames[in.next() % (sizeof kNames / sizeof kNames[0])];
        switch (kind % 4) {
        case 0: slinsc(list, kTexts[in.next() % (sizeof kTexts / sizeof kTexts[0])], QOR_SL_APPEND, name); break;
        case 1: {
            uint8_t raw[8];
            for (uint8_t& b : raw) b = in.next();
            double value;
            std::memcpy(&value, raw, sizeof value);   // any bit pattern: missing values, NaNs, infinities
            slinsd(list, value, QOR_SL_APPEND, name);
            break;
        }
        case 2: slinsd(list, static_cast<int8_t>(in.next()) * 1000.0, QOR_SL_APPEND, name); break;
        default:
            if (depth > 0) {
                qor_list* sub = build(in, depth - 1);
                slinsl(list, slid(sub), QOR_SL_APPEND, name);
                sldel(sub, 0);
            }
        }
    }
    return list;
}

int accept(RSKCON*) { return 0; }

// An engine table whose definition routines take the control structure only and succeed, so
// that the readers go on to their variable mappings.
void publish_accepting_engine() {
    static void* slots[kEngineTableSlots] = {};
    for (EngineSlot slot : {EngineSlot::rskdatd, EngineSlot::rskdata, EngineSlot::rskidsd, EngineSlot::rskidsa,
                            EngineSlot::rskoutd})
        slots[static_cast<int>(slot)] = reinterpret_cast<void*>(&accept);
    hiexprt(kEngineTableVectorCode, slots, kEngineTableSlots, nullptr);
}

void read_all(qor_list* list) {
    const qor_list_id id = slid(list);
    RSOCHAR text{};
    int16_t short_value = 0;
    double number = 0;
    qor_list_id sub = 0;
    for (const char* name : kNames) {
        rsogetc(id, name, -1, &text);
        rsogets(id, name, -1, &short_value);
        rsogetd(id, name, -1, &number);
        rsogetl(id, name, -1, &sub);
    }
    for (int position = 0; position <= slcnt(list) + 1; ++position) {
        rsoitmc(id, position, &text);
        rsoitms(id, position, &short_value);
        rsoitmd(id, position, &number);
        rsoitml(id, position, &sub);
    }
    rsoltyp(id, "TDATA");
    RSKCON con{};
    con.general_pool = nullptr;
    RSKCATOBJ header{};
    RSKCATOBJ* out = nullptr;
    rssdats(&con, id, nullptr, 0, 0, &out, &header);
    rssidss(&con, id, nullptr, 0, 0, &out, &header);
    rssouts(&con, id, nullptr, 0, 0, &out, &header);
    RSKSEC security{};
    rsssecr(&con, &security, id);
    RSKVARIABLE* variable = nullptr;
    rssvars(&con, id, nullptr, "fuzz", 4, &variable, nullptr);
    // Sorted insertion into the list as it stands (which need not be sorted) ends and adds once.
    RSOCHAR value{0, 1, "M"};
    const int before = slcnt(list);
    if (rsosric(id, &value, "S", 1) == 0 && slcnt(list) > before + 1) __builtin_trap();
    rsosrid(id, 1.5, "N", 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = [] {
        qor_print_set_log_file("/dev/null");
        qor_print_set_print_file("/dev/null");
        publish_accepting_engine();
        return true;
    }();
    (void)ready;
    const size_t before = qor_list_live_count();
    Bytes in{data, size};
    qor_list* list = build(in, 3);
    read_all(list);
    sldel(list, 0);
    if (qor_list_live_count() != before) __builtin_trap();
    return 0;
}
