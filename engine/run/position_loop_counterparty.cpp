// The counterparty and mitigation steps around the position loop: the counterparty methods of an
// instrument file, each position's counterparty, and the deferred mitigation pass. The container
// runs themselves belong to the counterparty area; while it is not part of the build, a run that
// asks for them ends with "not yet available" instead of pricing without them.
#include <cctype>
#include <cstring>

#include "engine/model/options/engine_options.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/position_loop.h"
#include "engine/run/project_run.h"
#include "engine/run/run_block.h"
#include "engine/run/run_dependencies.h"
#include "engine/tables/counterparty_records.h"
#include "host/print.h"

namespace {

constexpr int32_t kContainerActive = 55;
constexpr size_t kIdentifierLength = 32;

// The entry's name as a terminated string.
void entry_name(const RSKPORTENTRY* entry, char* out, size_t size) {
    size_t n = entry->name.name.text != nullptr ? entry->name.name.length : 0;
    if (n >= size) n = size - 1;
    if (n > 0) std::memcpy(out, entry->name.name.text, n);
    out[n] = 0;
}

}  // namespace

int start_cpty_stuff(RSKCON* con, RSKPORTENTRY* entry) {
    RSKLOOPRUN& loop = con->run_block->loop;
    loop.counterparty_on = 0;
    RSKCPTYCON* container = con->cpty_container;
    if (container == nullptr || con->cpty_container_state != kContainerActive || container->type_count <= 0) return 0;
    if (!RSKRUN_HAS(rskruncpty) || !RSKRUN_HAS(cpty_zero_vars) || !RSKRUN_HAS(read_cpty)) return 1;
    loop.counterparty_on = 1;
    char name[kRskObjectNameCapacity + 1];
    entry_name(entry, name, sizeof name);
    int rc = 0;
    if (rskruncpty(con, name) != 0) {
        xpmlog(598, 7705);
        rc = 1;
    }
    cpty_zero_vars(container);
    return rc;
}

int read_class_cpty(RSKCON* con, RSKINSTTYPE* type) {
    RSKCPTYCON* container = con->cpty_container;
    if (container == nullptr) return 0;
    container->current = nullptr;
    const RSKVARIABLE* v = type != nullptr ? type->system_slots[RSKTSLOT_COUNTERPARTY_ID] : nullptr;
    if (v == nullptr || v->value == nullptr) return 0;
    // At most 32 characters, stripped and upper-cased; an empty identifier names no counterparty.
    char id[kIdentifierLength + 1];
    const auto* text = static_cast<const char*>(v->value);
    size_t n = v->length < kIdentifierLength ? v->length : kIdentifierLength;
    size_t start = 0;
    while (start < n && text[start] == ' ') ++start;
    while (n > start && (text[n - 1] == ' ' || text[n - 1] == 0)) --n;
    size_t k = 0;
    for (size_t i = start; i < n; ++i) id[k++] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    id[k] = 0;
    if (k == 0) return 0;
    container->current = read_cpty(container, id);
    return 0;
}

void cleanup_cpty_stuff(RSKCON* con) {
    RSKLOOPRUN& loop = con->run_block->loop;
    if (loop.counterparty_on && con->cpty_container != nullptr) con->cpty_container->current = nullptr;
    loop.counterparty_on = 0;
}

int initialize_mit_stuff(RSKCON* con, RSKPORTENTRY*) {
    RSKRUNBLOCK* run = con->run_block;
    run->loop.mitigation_on = 0;
    const RSKMITIGATIONCON* container = con->mit_container;
    const bool asked = run->run_options != nullptr && run->run_options->mitigation != 0;
    if (!asked || container == nullptr || con->mit_container_state != kContainerActive || container->types == nullptr)
        return 0;
    // The pass needs the container's position store and its methods; without them the run ends
    // here rather than writing exposures that were never mitigated.
    if (!RSKRUN_HAS(rskrunmitigation)) return 1;
    xebug("initialize_mit_stuff: the mitigation position store is not yet available.");
    return 1;
}

void cleanup_mit_stuff(RSKCON* con) { con->run_block->loop.mitigation_on = 0; }
