// Fuzz target: lists built from the input's bytes, with the item names that the readers of rights,
// options, trace settings and properties look for, are fed to every one of those readers; each
// either takes what it can or refuses, never crashes, and leaves no list behind. The bytes also
// go to the name unscrambler as a stored name.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "catalog/access_rights.h"
#include "catalog/catalog_settings.h"
#include "catalog/name_scrambling.h"
#include "engine/tables/control_structure.h"
#include "host/lists.h"
#include "host/pool.h"
#include "host/print.h"
#include "runtime/core/print_internal.h"
#include "common/memory/pool_memory.h"

namespace {

const char* const kNames[] = {
    "SECURITIES", "OWNER",   "GROUP",   "SECCODE",  "ANALYSIS", "OUTPUT",   "SYSTEM",    "ALPHA",
    "PRGSNOTE",   "EXECLST", "VARLST",  "EXEC",     "ELEVEL",   "ITERFROM", "ITERTO",    "RUNONLY",
    "THREADS",    "THREADN", "RFS",     "LISTMODEL", "PROPERTIES", "DESC",  "MODIFIED",  "READ_SELF",
    "EXEC_ALL",   "",        "WORK",    "RISKSAMP",
};
constexpr size_t kNameCount = sizeof kNames / sizeof kNames[0];

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    uint8_t next() { return at < size ? data[at++] : 0; }
    bool done() const { return at >= size; }
};

// Builds a list: each item is a name, a type and a value taken from the bytes; sublists nest up
// to a small depth.
qor_list* build(Reader& in, int depth) {
    qor_list* list = nullptr;
    if (slnewl(&list, nullptr, 84) == 0) return nullptr;
    int items = in.next() % 12;
    for (int i = 0; i < items && !in.done(); ++i) {
        const char* name = kNames[in.next() % kNameCount];
        switch (in.next() % 4) {
        case 0: {
            double values[] = {0.0, 1.0, -1.0, 2.9, -2.9, 1e300, -19331.0, 4294949761.0, qor::missing(), 0.5};
            slinsd(list, values[in.next() % 10], QOR_SL_APPEND, name);
            break;
        }
        case 1: {
            size_t length = in.next() % 64;
            char text[64];
            for (size_t k = 0; k < length; ++k) text[k] = static_cast<char>(in.next());
            slinsc(list, std::string_view(text, length), QOR_SL_APPEND, name);
            break;
        }
        case 2: {
            // A name scrambled properly, so that readers get past the unscrambler.
            char field[32];
            std::memset(field, ' ', sizeof field);
            field[0] = static_cast<char>('a' + in.next() % 26);
            char scrambled[48];
            int n = encrypt(field, 32, scrambled, sizeof scrambled);
            slinsc(list, std::string_view(scrambled, static_cast<size_t>(n)), QOR_SL_APPEND, name);
            break;
        }
        default:
            if (depth < 3) {
                qor_list* sub = build(in, depth + 1);
                if (sub != nullptr) {
                    slinsl(list, slid(sub), QOR_SL_APPEND, name);
                    sldel(sub, 0);
                }
            }
            break;
        }
    }
    return list;
}

struct Fixture {
    RSKCON con{};
    Fixture() {
        con.general_pool = xmpoolc(16384, 16384, 2);
        con.current_pool = con.general_pool;
        std::memcpy(con.user_name, "alice                           ", 32);
        con.user_name_length = 5;
        std::memset(con.group_name, ' ', 32);
        qor_print_set_log_file("/dev/null");
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture fixture;
    RSKCON* con = &fixture.con;
    char plain[32];
    decrypt(data, static_cast<int>(size), plain, static_cast<int>(sizeof plain));

    const size_t before = qor_list_live_count();
    Reader in{data, size};
    qor_list* list = build(in, 0);
    if (list == nullptr) return 0;
    const qor_list_id id = slid(list);

    RSKRIGHTS rights{};
    rsssecr(con, &rights.security, id);
    rsssec(con, &rights, 4, nullptr, "X", 1, 22, 2);
    rsssecs(con, &rights, nullptr, "X", 1, 22, 0, id);
    rsssecg(con, &rights.security, id);
    rsstrcs(con, id);
    rsstrss(con, id);
    rssopts(con, id, nullptr);
    RSKPROPS properties{};
    rssptya(con, &properties, id);
    rssptyg(con, &properties, id);
    if (properties.description != nullptr)
        vmfree_handler(con->current_pool, properties.description, properties.description_capacity, QOR_FREE_SIZED);

    sldel(list, 0);
    if (qor_list_live_count() != before) __builtin_trap();
    return 0;
}
