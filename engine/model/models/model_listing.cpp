// Listing of models and model specifications: a count line, then per entry its name and
// description and the model solver's print of its catalog entry.
#include "engine/model/models/models.h"
#include "engine/tables/object_tables.h"
#include "host/print.h"

namespace {

// The solver's print of "library.name.MODSPEC" or "library.name.MODPARMS". The solver module has
// no print service in this build, so the entry is named and said to be not shown.
void print_solver_entry(const RSKMODEL* model) {
    const char* library = model->environment != nullptr ? model->environment->libref : "";
    const char* type = model->kind == kRskModelSpecKind ? "MODSPEC" : "MODPARMS";
    xpsout("%3zThe model solver cannot show the catalog entry %8b.%*s.%s.", library,
           static_cast<int>(model->name.name.length), model->name.name.text, type);
}

}  // namespace

int rskmodp(RSKCON* con, uint32_t kind) {
    if (con == nullptr || con->current_tables == nullptr) return 0;
    const bool specs = kind == kRskModelSpecKind;
    const RSKSYMTAB& table = con->current_tables->tables[specs ? RSKTAB_MODELSPECS : RSKTAB_MODELS];
    if (table.count == 0) {
        xpmout(598, specs ? 2276 : 2275);
        return 0;
    }
    xpmout(598, specs ? 2278 : 2277, static_cast<int>(table.count));
    for (const RSKSYMBOL* symbol = table.list_head; symbol != nullptr; symbol = symbol->next_in_list) {
        const auto* model = static_cast<const RSKMODEL*>(symbol->object);
        if (model == nullptr) continue;
        xpmout(598, 2279, static_cast<int>(model->name.name.length), model->name.name.text,
               static_cast<int>(model->properties.description_length), model->properties.description);
        print_solver_entry(model);
    }
    xpoflsh(0);
    return 0;
}
