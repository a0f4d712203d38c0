// Listing of the options of a record by group (system, analysis, output), in registry order,
// with enumerations printed by name.
#include "engine/model/registries/code_registries.h"
#include "engine/model/options/option_fields.h"
#include "host/print.h"

namespace {

constexpr int kIndent = 9;        // option rows
constexpr int kHeadingIndent = 6; // group headings
constexpr int kNameColumn = 12;   // width of the option name

// The word an enumerated option prints, or null when the option is not one.
const char* enumeration(int code, int value) {
    switch (code) {
    case 106: return value == 1 ? "NORMAL" : value == 2 ? "TRIANGULAR" : "QUADRATIC";
    case 116: return value == 1 ? "OLDSPECTRAL" : value == 2 ? "DOWNWEIGHT" : "SPECTRAL";
    case 204: return value == 2 ? "SIMPLE" : "NORMAL";
    case 205: return value == 0 ? "NONE" : value == 1 ? "PREREPORT" : "POSTREPORT";
    case 107: return value == 1 ? "DF" : "N";
    default: return nullptr;
    }
}

}  // namespace

// One option row: indent, name, colon and the value.
int print_option(RSKCON* con, const RSKOPTREC* record, const RSKOPTROW* row) {
    const RSKOPTFIELD* f = rskoptfield(row->code);
    if (f == nullptr) return 1;
    xps("%+*t%*.*s: ", kIndent, static_cast<int>(row->name_length), kNameColumn, row->name);
    int number = 0;
    double value = 0;
    const RSKNAMEREC* text = nullptr;
    rskoptg(con, row->code, record, &number, &value, &text);
    if (f->kind == RSKOPTF_DOUBLE) {
        xpsout("%10.98f", value);
    } else if (const char* word = enumeration(row->code, number)) {
        xpsout("%s", word);
    } else if (row->value_type == RSKOPT_BOOLEAN) {
        xpsout("%s", number != 0 ? "ON" : "OFF");
    } else if (f->kind == RSKOPTF_INT || f->kind == RSKOPTF_FLAG) {
        xpsout("%10li", static_cast<long>(number));
    } else {
        xpsout("\"%*s\"", text != nullptr ? static_cast<int>(text->length) : 0, text != nullptr ? text->text : "");
    }
    return 0;
}

int rskoptp(RSKCON* con, const RSKOPTREC* record, int group) {
    struct Group {
        int number;
        int registry;
        int heading;
    };
    const Group groups[] = {
        {0, RSKREG_OPT_SYSTEM, 6503}, {1, RSKREG_OPT_ANALYSIS, 6501}, {2, RSKREG_OPT_OUTPUT, 6502},
    };
    xpmout(598, 6510);
    for (const Group& g : groups) {
        if (group != g.number && group != 3) continue;
        xps("%+*t", kHeadingIndent);
        xpm(598, g.heading);
        xpsout("");
        const auto* rows = static_cast<const RSKOPTROW*>(con->registries[g.registry].rows);
        int count = rskreg_all(con, g.registry);
        for (int i = 1; i < count; ++i) {
            const RSKOPTROW* row = &rows[i];
            if (row->code == 308) continue;                          // PRECISE is not listed
            if (row->code == 204 && record->mddbs == 0) continue;    // MDDBSTYLE only with MDDBS
            print_option(con, record, row);
        }
    }
    return 0;
}
