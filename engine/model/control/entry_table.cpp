// The engine's entry table: every slot from 1 to 401 holds a routine. Routines of subsystems
// not built yet answer through an entry that names them and fails, never with a false success.
#include "engine/model/control/entry_table.h"

#include <utility>

#include "common/files/dataset.h"
#include "common/files/utilfile.h"
#include "common/hash/hash_table.h"
#include "common/module/not_yet.h"
#include "engine/model/audit/audit_log.h"
#include "engine/model/calendars/calendars.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/types/type_name_lists.h"
#include "engine/model/control/startup.h"
#include "engine/model/names/name_records.h"
#include "engine/model/paths/search_path.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/registries/role_combinations.h"
#include "engine/model/submission/code_submission.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/timers/timers.h"
#include "engine/model/variables/value_cells.h"

void* rskatbl[kRskatblSlots];

namespace {

template <typename Fn>
void* slot_of(Fn* routine) {
    return reinterpret_cast<void*>(routine);
}

// Slots whose routines hand back a record or null: their missing-routine entry answers null,
// since a code of 1 read as an address would be followed by the caller.
constexpr int kPointerSlots[] = {
    10, 24, 31, 39, 72, 96, 104, 108, 116, 139, 151, 161, 180, 185, 192, 202, 211, 217, 234,
    238, 262, 274, 283, 297, 298, 299, 304, 353, 354, 355, 356, 357, 358, 364, 365, 366, 367,
    385, 388, 389, 390, 393, 394,
};

constexpr bool returns_pointer(int slot) {
    for (int s : kPointerSlots)
        if (s == slot) return true;
    return false;
}

template <int Slot>
int not_yet_code() {
    return not_yet_available(kRskatblNames[Slot]);
}

template <int Slot>
void* not_yet_pointer() {
    not_yet_available(kRskatblNames[Slot]);
    return nullptr;
}

// The market data reader: its callers take 2 as "no such definition" and go on.
int rskmdso_not_yet() {
    not_yet_available("rskmdso");
    return 2;
}

template <size_t... Slot>
void fill_not_yet(std::index_sequence<Slot...>) {
    ((rskatbl[Slot] = returns_pointer(static_cast<int>(Slot))
                          ? slot_of(&not_yet_pointer<static_cast<int>(Slot)>)
                          : slot_of(&not_yet_code<static_cast<int>(Slot)>)),
     ...);
}

}  // namespace

void rskatbl_fill() {
    fill_not_yet(std::make_index_sequence<kRskatblSlots>());
    rskatbl[0] = nullptr;

    rskatbl[1] = slot_of(&rskatrm);

    // Start-up, termination, deferred rebuilds and code submission.
    rskatbl[2] = slot_of(&rskinit);
    rskatbl[3] = slot_of(&rsk0);
    rskatbl[4] = slot_of(&rskterm);
    rskatbl[9] = slot_of(&rskaltb);
    rskatbl[224] = slot_of(&rsksfde);
    rskatbl[147] = slot_of(&rskmdso_not_yet);

    // Names, name lists and value cells.
    rskatbl[144] = slot_of(&rsklsta);
    rskatbl[145] = slot_of(&rsklstf);
    rskatbl[156] = slot_of(&rskname);
    rskatbl[157] = slot_of(&rsknamx);
    rskatbl[167] = slot_of(&rskpnam);
    rskatbl[231] = slot_of(&rskstr);
    rskatbl[280] = slot_of(&rskvalc);
    rskatbl[281] = slot_of(&rskvaln);
    rskatbl[282] = slot_of(&rskvalp);

    // The search path and the library references the engine assigned.
    rskatbl[202] = slot_of(&rskpth);
    rskatbl[205] = slot_of(&rskpthg);
    rskatbl[209] = slot_of(&rskpthw);
    rskatbl[210] = slot_of(&rskpthy);
    rskatbl[203] = slot_of(&rskpthd);
    rskatbl[204] = slot_of(&rskpthf);
    rskatbl[206] = slot_of(&rskpthp);
    rskatbl[207] = slot_of(&rskpthr);
    rskatbl[208] = slot_of(&rskpths);
    rskatbl[211] = slot_of(&rskpthz);
    rskatbl[212] = slot_of(&rskptlr);

    // Calendars.
    rskatbl[21] = slot_of(&rskcaad);
    rskatbl[22] = slot_of(&rskcaam);
    rskatbl[23] = slot_of(&rskcabd);
    rskatbl[24] = slot_of(&rskcal);
    rskatbl[25] = slot_of(&rskcalc);
    rskatbl[26] = slot_of(&rskcald);
    rskatbl[27] = slot_of(&rskcalf);
    rskatbl[28] = slot_of(&rskcalp);
    rskatbl[29] = slot_of(&rskcanb);
    rskatbl[30] = slot_of(&rskcapb);

    // Currencies.
    rskatbl[104] = slot_of(&rskcur);
    rskatbl[105] = slot_of(&rskcur0);
    rskatbl[106] = slot_of(&rskcurm);
    rskatbl[107] = slot_of(&rskcurp);
    rskatbl[395] = slot_of(&fill_currency_table);

    // Timers.
    rskatbl[245] = slot_of(&rsktmr1);
    rskatbl[246] = slot_of(&rsktmr2);
    rskatbl[247] = slot_of(&rsktmri);
    rskatbl[248] = slot_of(&rsktmrs);
    rskatbl[249] = slot_of(&rsktmre);
    rskatbl[250] = slot_of(&rsktmro);

    // Symbol tables.
    rskatbl[226] = slot_of(&rsksym);
    rskatbl[227] = slot_of(&rsksymd);
    rskatbl[228] = slot_of(&rsksymf);
    rskatbl[229] = slot_of(&rsksyml);
    rskatbl[230] = slot_of(&rsksymp);
    rskatbl[232] = slot_of(&rsktbla);
    rskatbl[233] = slot_of(&rsktblc);
    rskatbl[313] = slot_of(&rsktblf);

    // Code registries: text to code.
    rskatbl[45] = slot_of(&rskcdac);
    rskatbl[46] = slot_of(&rskcdad);
    rskatbl[47] = slot_of(&rskcdts);
    rskatbl[48] = slot_of(&rskcdds);
    rskatbl[49] = slot_of(&rskcddt);
    rskatbl[50] = slot_of(&rskcddd);
    rskatbl[51] = slot_of(&rskcdat);
    rskatbl[52] = slot_of(&rskcdek);
    rskatbl[53] = slot_of(&rskcded);
    rskatbl[54] = slot_of(&rskcdem);
    rskatbl[55] = slot_of(&rskcdmd);
    rskatbl[56] = slot_of(&rskcdoc);
    rskatbl[57] = slot_of(&rskcdpd);
    rskatbl[60] = slot_of(&rskcdrg);
    rskatbl[62] = slot_of(&rskcdsu);
    rskatbl[63] = slot_of(&rskcdtu);
    rskatbl[64] = slot_of(&rskcdva);
    rskatbl[65] = slot_of(&rskcdda);
    rskatbl[66] = slot_of(&rskcdvk);
    rskatbl[67] = slot_of(&rskcddk);
    rskatbl[68] = slot_of(&rskcdtp);
    // Code to text.
    rskatbl[73] = slot_of(&rskcnac);
    rskatbl[74] = slot_of(&rskcsac);
    rskatbl[75] = slot_of(&rskcnts);
    rskatbl[76] = slot_of(&rskcnva);
    rskatbl[77] = slot_of(&rskcsts);
    rskatbl[78] = slot_of(&rskcsat);
    rskatbl[79] = slot_of(&rskcsek);
    rskatbl[80] = slot_of(&rskcsem);
    rskatbl[81] = slot_of(&rskcsdt);
    rskatbl[82] = slot_of(&rskcsmd);
    rskatbl[83] = slot_of(&rskcsoc);
    rskatbl[84] = slot_of(&rskcspd);
    rskatbl[85] = slot_of(&rskcspt);
    rskatbl[86] = slot_of(&rskcsrg);
    rskatbl[87] = slot_of(&rskcsst);
    rskatbl[88] = slot_of(&rskcssu);
    rskatbl[89] = slot_of(&rskcstu);
    rskatbl[90] = slot_of(&rskcsva);
    rskatbl[92] = slot_of(&rskcsvk);
    rskatbl[337] = slot_of(&rskcndt);
    rskatbl[222] = slot_of(&rskrole);
    // Listings, valid combinations and storage types.
    rskatbl[58] = slot_of(&rskcdpr);
    rskatbl[59] = slot_of(&rskcdpt);
    rskatbl[69] = slot_of(&rskckrt);
    rskatbl[70] = slot_of(&rskckt);
    rskatbl[71] = slot_of(&rskckr);
    rskatbl[61] = slot_of(&rskcdst);
    rskatbl[225] = slot_of(&rsksize);
    rskatbl[8] = slot_of(&rskalgn);
    // Type-name lists.
    rskatbl[133] = slot_of(&rskgtya);
    rskatbl[134] = slot_of(&rskgtyc);
    rskatbl[135] = slot_of(&rskgtyg);
    rskatbl[136] = slot_of(&rskgtyi);
    rskatbl[137] = slot_of(&rskgtys);

    // Options.
    rskatbl[158] = slot_of(&rskoptg);
    rskatbl[159] = slot_of(&rskoptp);
    rskatbl[160] = slot_of(&rskopts);

    // Audit log.
    rskatbl[6] = slot_of(&rskadti);
    rskatbl[7] = slot_of(&rskadtp);

    // The common library's data set, hash table and utility file wrappers.
    rskatbl[338] = slot_of(&close_dataset);
    rskatbl[340] = slot_of(&create_hash_item);
    rskatbl[345] = slot_of(&delete_dataset);
    rskatbl[346] = slot_of(&del_hash_table);
    rskatbl[347] = slot_of(&del_hash_item);
    rskatbl[348] = slot_of(&enumerate_table);
    rskatbl[349] = slot_of(&hash_query);
    rskatbl[350] = slot_of(&hash_insert);
    rskatbl[351] = slot_of(&hash_remove);
    rskatbl[359] = slot_of(&new_dataset);
    rskatbl[360] = slot_of(&new_dataset_var);
    rskatbl[361] = slot_of(&new_dataset_obs);
    rskatbl[362] = slot_of(&new_hash_table);
    rskatbl[363] = slot_of(&new_hash_item);
    rskatbl[368] = slot_of(&open_dataset);
    rskatbl[371] = slot_of(&read_obs);
    rskatbl[372] = slot_of(&remove_obs);
    rskatbl[373] = slot_of(&set_mode);
    rskatbl[374] = slot_of(&write_obs);
    rskatbl[378] = slot_of(&utility_read);
    rskatbl[379] = slot_of(&utility_write);
    rskatbl[380] = slot_of(&new_utilfile);
    rskatbl[381] = slot_of(&delete_utilfile);
    rskatbl[382] = slot_of(&open_utilfile);
    rskatbl[383] = slot_of(&close_utilfile);

    // Two routines stand in two slots each.
    rskatbl[91] = rskatbl[74];    // rskcsac
    rskatbl[312] = rskatbl[232];  // rsktbla
}
