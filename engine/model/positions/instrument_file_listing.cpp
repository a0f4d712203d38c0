// Listing of an instrument file definition: its description, its information member and its
// instruments, read through the instrument file reader inside the run's working storage.
#include <cstring>

#include "engine/model/control/entry_table.h"
#include "engine/model/positions/instrument_files.h"
#include "engine/model/services/files.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "host/options.h"
#include "host/print.h"

namespace {

constexpr char kNeutralPath[] = "<System-specific pathname>";
constexpr int kEndOfFile = -1;

int length_of(const RSKOBJNAME& name) { return static_cast<int>(name.name.length); }

// The host option GENERIC as it is now: listings then show no dates.
bool generic_now() {
    int value = 0;
    return xoptbgt("GENERIC", &value) == 0 && value != 0;
}

void print_file_description(RSKCON* con, const RSKTFILE* definition) {
    const double date = generic_now() ? qor::missing() : definition->date;
    const char* path = definition->file_name.buffer;
    int path_length = static_cast<int>(definition->file_name.name.length);
    if (con->generic && path_length > 0) {
        path = kNeutralPath;
        path_length = static_cast<int>(sizeof kNeutralPath - 1);
    }
    xpmout(598, 1032, length_of(definition->name), definition->name.buffer,
           static_cast<int>(definition->data_member_length), definition->data_member,
           static_cast<int>(definition->info_member_length), definition->info_member,
           static_cast<int>(definition->count1), static_cast<int>(definition->count2),
           static_cast<int>(definition->field), length_of(definition->second_name), definition->second_name.buffer,
           static_cast<int>(con->user_name_length), con->user_name, static_cast<int>(con->group_name_length),
           con->group_name, date, path_length, path);
}

// Prints up to `count` instruments in file order; 0, or the reader's failure.
int print_transactions(RSKCON* con, const RSKTFILE* definition, RSKTRANFILE* file, int count) {
    xpmout(598, 1752, length_of(definition->name), definition->name.buffer);
    auto read_next = own_engine_routine<EngineSlot::rsktra1>();
    auto print_one = own_engine_routine<EngineSlot::rsktrap>();
    int printed = 0;
    int rc = 0;
    bool at_end = false;
    while (printed < count) {
        RSKINSTTYPE* type = nullptr;
        rc = read_next(con, file, &type);
        if (rc == kEndOfFile) {
            rc = 0;
            at_end = true;
            break;
        }
        if (rc != 0) break;
        print_one(con, file, type);
        ++printed;
    }
    xpmout(598, 1753, length_of(definition->name), definition->name.buffer);
    if (rc == 0 && !at_end && printed == count) {
        xpmout(598, 1756, count, static_cast<int>(definition->count1), static_cast<int>(definition->count2),
               length_of(definition->name), definition->name.buffer);
        xpmlog(598, 1756, count, static_cast<int>(definition->count1), static_cast<int>(definition->count2),
               length_of(definition->name), definition->name.buffer);
    }
    return rc;
}

}  // namespace

int rsktdfp(RSKCON* con, RSKTFILE* definition, void* file, int mode, int count) {
    if (definition == nullptr) return 1;
    if (mode < RSKTDFP_DESCRIPTION || mode > RSKTDFP_ALL) {
        xebug("rsktdfp: print mode %d is not known.", mode);
        return 1;
    }
    if (mode == RSKTDFP_DESCRIPTION || mode == RSKTDFP_ALL) print_file_description(con, definition);
    if (mode == RSKTDFP_DESCRIPTION) {
        xpoflsh(0);
        return 0;
    }
    // The reader needs the run's working storage (instrument buffers) and the file open.
    if (own_engine_routine<EngineSlot::rskmem0>()(con) != 0) {
        xpmlog(598, 1751, length_of(definition->name), definition->name.buffer);
        own_engine_routine<EngineSlot::rskmemf>()(con);
        return 1;
    }
    RSKTRANFILE own_file{};
    auto* open_file = static_cast<RSKTRANFILE*>(file != nullptr ? file : &own_file);
    if (own_engine_routine<EngineSlot::rsktrao>()(con, open_file, definition->object, 'I') != 0) {
        xpmlog(598, 1751, length_of(definition->name), definition->name.buffer);
        own_engine_routine<EngineSlot::rskmemf>()(con);
        return 1;
    }
    int rc = 0;
    if (mode == RSKTDFP_INFORMATION || mode == RSKTDFP_ALL) rc = rsktrip(con, open_file);
    if (mode == RSKTDFP_INSTRUMENTS || mode == RSKTDFP_ALL) {
        int read = print_transactions(con, definition, open_file, count);
        if (read != 0) rc = read;
    }
    own_engine_routine<EngineSlot::rsktrac>()(con, open_file);
    own_engine_routine<EngineSlot::rskmemf>()(con);
    xpoflsh(0);
    return rc != 0 ? 1 : 0;
}
