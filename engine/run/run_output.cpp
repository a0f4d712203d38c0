// The run's output object (create_outobj), the spot-rate references of the run's exchange rates
// (flag_fx_spot) and the run summary printed to the output (print_summary).
#include <cstring>

#include "engine/model/currencies/currency_table.h"
#include "engine/model/fx/fx_matrix.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/services/catalog.h"
#include "engine/output/output_object.h"
#include "engine/run/project_run_support.h"
#include "engine/tables/catalog_table.h"

using namespace rskrun_support;

namespace {
constexpr int kReadRight = 4;

int length_of_name(const RSKNAMEREC* name) { return name != nullptr && name->text != nullptr ? name->length : 0; }
const char* text_of_name(const RSKNAMEREC* name) { return name != nullptr && name->text != nullptr ? name->text : ""; }

void output_message(int number, const RSKNAMEREC* name, const RSKPROJECT* project) {
    xpmlog(598, number, length_of_name(name), text_of_name(name), length_of(project->name), text_of(project->name));
}
}  // namespace

int create_outobj(RSKCON* con, RSKPROJECT* project, const RSKNAMEREC* name, const RSKNAMEREC* path,
                  const char* library, int slot) {
    RSKRUNBLOCK* run = con->run_block;
    if (slot < 1 || slot > RSKOUT_SLOTS) return 1;
    RSKCATOBJ* entry = nullptr;
    if (rskoutd(con, &entry, name, nullptr, path, RSKOUTD_CREATE, nullptr) != 0 || entry == nullptr) {
        output_message(2718, name, project);
        return 1;
    }
    auto* object = static_cast<RSKOUTOBJ*>(rssofiq(con, entry, kReadRight));
    if (object == nullptr) {
        xebug("rskrun: outobj NULL from rssofiq");
        return 1;
    }
    object->run_name = run->run_name;
    object->run_name.name.text = object->run_name.buffer;
    if (rskouto(con, object, RSKOUTROLE_RESULTS, 1, 1) != 0) {
        output_message(2720, name, project);
        return 1;
    }
    auto properties = catalog_routine<CatalogSlot::rssprpr>();
    const char currency[4] = {run->currency[0], run->currency[1], run->currency[2], 0};
    // The run properties go to the library the run names, else to the one the output object's
    // directory was just assigned.
    char assigned[9] = {};
    if (library == nullptr || library[0] == '\0' || library[0] == ' ') {
        int length = 0;
        while (length < 8 && object->libref[length] != ' ' && object->libref[length] != '\0') ++length;
        std::memcpy(assigned, object->libref, static_cast<size_t>(length));
        library = assigned;
    }
    if (properties == nullptr ||
        properties(con, project, run->valuation_date, currency, name, path, run->run_options, nullptr, 0, 0, library) != 0) {
        output_message(2721, name, project);
        return 1;
    }
    run->outputs[slot - 1] = object;
    run->output_entries[slot - 1] = entry;
    if (slot - 1 == RSKOUT_MAIN) run->output_object = object;
    return 0;
}

int flag_fx_spot(RSKCON* con) {
    if (con->runtime_tables == nullptr) return 0;
    for (RSKFXENTRY* e = con->runtime_tables->currency_table.pairs_head; e != nullptr; e = e->next) {
        // Pair names read "FROM->CUR".
        if (!e->run.flagged || length_of(e->name) < 8) continue;
        const char* text = text_of(e->name);
        const char from[4] = {text[0], text[1], text[2], 0};
        const char to[4] = {text[5], text[6], text[7], 0};
        rskfx2(con, to, from);
    }
    return 0;
}

int print_summary(RSKCON* con, const double* times) {
    RSKRUNBLOCK* run = con->run_block;
    xpmout(598, 2830, length_of(run->run_name), text_of(run->run_name));
    xpmout(598, 2837, run->start_time, run->valuation_date);
    xpmout(598, 2839, static_cast<long>(run->states_to_price) + 1, static_cast<long>(run->states_priced));
    xpmout(598, 2831, times[0], times[1], times[2]);
    xpmout(598, 2841);
    for (const RSKANLPROC* r = run->analyses_head; r != nullptr; r = r->next) {
        const char* type = "";
        if (rskcsat(con, kind_of(r), &type) != 0 || type == nullptr) type = "";
        const RSKOBJNAME empty{};
        const RSKOBJNAME& name = r->analysis != nullptr ? r->analysis->name : empty;
        xpmout(598, 2842, static_cast<int>(r->ordinal), static_cast<int>(std::strlen(type)), type, length_of(name),
               text_of(name));
    }
    xpmout(598, 2843);
    xpskip(1);
    xpmout(598, 2832);
    xpmout(598, 2833, static_cast<long>(run->positions_valued), length_of(run->project_name), text_of(run->project_name));
    xpmout(598, 2834, times[3], times[4], times[5], run->start_time);
    xpmout(598, 2835, times[6]);
    xpmout(598, 2840);
    xpmout(598, 2836);
    xpskip(1);
    return 0;
}
