// The engine's entry table: every slot from 1 to 401 holds a routine of the slot's type. Routines
// of subsystems not built yet answer through a placeholder that names them and fails, never with
// a false success, and hands back null where the slot answers a record.
#include "engine/model/control/entry_table.h"

#include <array>
#include <type_traits>
#include <utility>


#include "common/files/dataset.h"
#include "common/files/utilfile.h"
#include "common/hash/hash_table.h"
#include "common/module/not_yet.h"
#include "engine/analyses/analysis_definitions.h"
#include "engine/counterparty/container_xml.h"
#include "engine/analyses/analysis_phases.h"
#include "engine/model/analyses/analyses.h"
#include "engine/output/output_object.h"
#include "engine/compiler/method_objects.h"
#include "engine/compiler/compiler_driver.h"
#include "engine/model/arrays/arrays.h"
#include "engine/model/audit/audit_log.h"
#include "engine/model/calendars/calendars.h"
#include "engine/model/categories/categories.h"
#include "engine/model/control/startup.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/models/models.h"
#include "engine/model/names/name_records.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/parameters/parameter_matrices.h"
#include "engine/model/paths/search_path.h"
#include "engine/model/projects/projects.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/registries/role_combinations.h"
#include "engine/model/reports/reports.h"
#include "engine/model/services/compiler.h"
#include "engine/model/submission/code_submission.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/timegrids/time_grids.h"
#include "engine/model/timers/timers.h"
#include "engine/model/datasets/catalog_datasets_api.h"
#include "engine/model/filters/filters.h"
#include "engine/model/filters/instrument_filters.h"
#include "engine/files/instrument_file.h"
#include "engine/files/instrument_read.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/types/type_name_lists.h"
#include "engine/model/variables/value_cells.h"
#include "engine/model/fx/fx_matrix.h"
#include "engine/model/market/market_data_sets.h"
#include "engine/model/market/transformation_sets.h"
#include "engine/model/services/files.h"
#include "engine/model/positions/instrument_files.h"
#include "engine/counterparty/containers.h"
#include "engine/counterparty/counterparty_run.h"
#include "engine/counterparty/unittest.h"
#include "engine/model/positions/position_definitions.h"
#include "engine/model/variables/analysis_kinds.h"
#include "engine/model/variables/variables.h"
#include "engine/output/aggregation.h"
#include "engine/run/mark_to_market.h"
#include "engine/run/project_run.h"
#include "engine/run/run_storage.h"
#include "engine/tables/slot_placeholder.h"
#include "host/kernel.h"

void* rskatbl[kEngineTableSlots];

namespace {

struct EngineSlotNames {
    static const char* name(int slot) { return kEngineSlotNames[slot]; }
};

template <size_t Slot>
void* placeholder_of() {
    using Fn = engine_slot_t<static_cast<EngineSlot>(Slot)>;
    Fn routine = &SlotPlaceholder<EngineSlotNames, static_cast<int>(Slot), Fn>::call;
    return reinterpret_cast<void*>(routine);
}

// One placeholder per slot, each of its slot's type (slot 0 gets one too and is then cleared).
template <size_t... Slot>
std::array<void*, kEngineTableSlots> placeholders_of(std::index_sequence<Slot...>) {
    return {placeholder_of<Slot>()...};
}

// Puts a routine into its slot; the routine must have exactly the slot's type.
template <EngineSlot S, typename Fn>
void put(Fn* routine) {
    static_assert(std::is_same_v<Fn*, engine_slot_t<S>>, "the routine does not have its slot's type");
    rskatbl[static_cast<int>(S)] = reinterpret_cast<void*>(routine);
}

}  // namespace

void rskatbl_fill() {
    static const std::array<void*, kEngineTableSlots> placeholders =
        placeholders_of(std::make_index_sequence<kEngineTableSlots>());
    rskatbl[0] = nullptr;
    for (int s = 1; s < kEngineTableSlots; ++s) rskatbl[s] = placeholders[s];

    put<EngineSlot::rskatrm>(&rskatrm);

    // Start-up, termination, deferred rebuilds and code submission.
    put<EngineSlot::rskinit>(&rskinit);
    put<EngineSlot::rsk0>(&rsk0);
    put<EngineSlot::rskterm>(&rskterm);
    put<EngineSlot::rskaltb>(&rskaltb);
    put<EngineSlot::rsksfde>(&rsksfde);
    put<EngineSlot::rskmdso>(&rskmdso);
    put<EngineSlot::rskmdsc>(&rskmdsc);

    // Analyses.
    put<EngineSlot::rskanl>(&rskanl);
    put<EngineSlot::rskanlc>(&rskanlc);
    put<EngineSlot::rskanld>(&rskanld);
    put<EngineSlot::rskanlf>(&rskanlf);
    put<EngineSlot::rskanlp>(&rskanlp);

    // Projects, reports, web reports and the submission of one generated line.
    put<EngineSlot::rskprj>(&rskprj);
    put<EngineSlot::rskprja>(&rskprja);
    put<EngineSlot::rskprjc>(&rskprjc);
    put<EngineSlot::rskprjd>(&rskprjd);
    put<EngineSlot::rskprjf>(&rskprjf);
    put<EngineSlot::rskprjp>(&rskprjp);
    put<EngineSlot::rskprjr>(&rskprjr);
    put<EngineSlot::rskrep>(&rskrep);
    put<EngineSlot::rskrepd>(&rskrepd);
    put<EngineSlot::rskrepf>(&rskrepf);
    put<EngineSlot::rskrepp>(&rskrepp);
    put<EngineSlot::rskrepr>(&rskrepr);
    put<EngineSlot::rskweb>(&rskweb);
    put<EngineSlot::rskwebd>(&rskwebd);
    put<EngineSlot::rskwebf>(&rskwebf);
    put<EngineSlot::rskwebp>(&rskwebp);
    put<EngineSlot::rskwebr>(&rskwebr);

    // Names, name lists and value cells.
    put<EngineSlot::rsklsta>(&rsklsta);
    put<EngineSlot::rsklstf>(&rsklstf);
    put<EngineSlot::rskname>(&rskname);
    put<EngineSlot::rsknamx>(&rsknamx);
    put<EngineSlot::rskpnam>(&rskpnam);
    put<EngineSlot::rskstr>(&rskstr);
    put<EngineSlot::rskvalc>(&rskvalc);
    put<EngineSlot::rskvaln>(&rskvaln);
    put<EngineSlot::rskvalp>(&rskvalp);

    // The search path and the library references the engine assigned.
    put<EngineSlot::rskpth>(&rskpth);
    put<EngineSlot::rskpthg>(&rskpthg);
    put<EngineSlot::rskpthw>(&rskpthw);
    put<EngineSlot::rskpthy>(&rskpthy);
    put<EngineSlot::rskpthd>(&rskpthd);
    put<EngineSlot::rskpthf>(&rskpthf);
    put<EngineSlot::rskpthp>(&rskpthp);
    put<EngineSlot::rskpthr>(&rskpthr);
    put<EngineSlot::rskpths>(&rskpths);
    put<EngineSlot::rskpthz>(&rskpthz);
    put<EngineSlot::rskptlr>(&rskptlr);

    // Calendars.
    put<EngineSlot::rskcaad>(&rskcaad);
    put<EngineSlot::rskcaam>(&rskcaam);
    put<EngineSlot::rskcabd>(&rskcabd);
    put<EngineSlot::rskcal>(&rskcal);
    put<EngineSlot::rskcalc>(&rskcalc);
    put<EngineSlot::rskcald>(&rskcald);
    put<EngineSlot::rskcalf>(&rskcalf);
    put<EngineSlot::rskcalp>(&rskcalp);

    // Arrays.
    put<EngineSlot::rskarya>(&rskarya);
    put<EngineSlot::rskaryb>(&rskaryb);
    put<EngineSlot::rskaryc>(&rskaryc);
    put<EngineSlot::rskaryp>(&rskaryp);

    // Time grids, models, categories and cross-classifications.
    put<EngineSlot::rsktgd>(&rsktgd);
    put<EngineSlot::rsktgda>(&rsktgda);
    put<EngineSlot::rsktgdc>(&rsktgdc);
    put<EngineSlot::rsktgdd>(&rsktgdd);
    put<EngineSlot::rsktgde>(&rsktgde);
    put<EngineSlot::rsktgdf>(&rsktgdf);
    put<EngineSlot::rsktgdp>(&rsktgdp);

    // Position filters, statistics lists and instrument filter expressions.
    put<EngineSlot::rskwhr>(&rskwhr);
    put<EngineSlot::rskwhra>(&rskwhra);
    put<EngineSlot::rskwhrc>(&rskwhrc);
    put<EngineSlot::rskwhrd>(&rskwhrd);
    put<EngineSlot::rskwhrf>(&rskwhrf);
    put<EngineSlot::rskwhrp>(&rskwhrp);
    put<EngineSlot::rskwhru>(&rskwhru);
    put<EngineSlot::rskwhrv>(&rskwhrv);
    put<EngineSlot::rsktsg>(&rsktsg);
    put<EngineSlot::rsktsga>(&rsktsga);
    put<EngineSlot::rsktsgc>(&rsktsgc);
    put<EngineSlot::rsktsgd>(&rsktsgd);
    put<EngineSlot::rsktsgf>(&rsktsgf);
    put<EngineSlot::rsktsgp>(&rsktsgp);
    put<EngineSlot::rskpsfc>(&rskpsfc);
    put<EngineSlot::rskpsfe>(&rskpsfe);
    put<EngineSlot::rskpsfo>(&rskpsfo);
    put<EngineSlot::rskpsfv>(&rskpsfv);
    // Instrument utility files.
    put<EngineSlot::rsktrad>(&rsktrad);
    put<EngineSlot::rsktrai>(&rsktrai);
    put<EngineSlot::rsktraf>(&rsktraf);
    put<EngineSlot::rsktraw>(&rsktraw);
    put<EngineSlot::rsktrap>(&rsktrap);
    put<EngineSlot::rsktra0>(&rsktra0);
    put<EngineSlot::rsktrao>(&rsktrao);
    put<EngineSlot::rsktrac>(&rsktrac);
    put<EngineSlot::rsktras>(&rsktras);
    put<EngineSlot::rsktra1>(&rsktra1);
    put<EngineSlot::rsktriw>(&rsktriw);
    put<EngineSlot::rskread>(&rskread);
    put<EngineSlot::rskmod>(&rskmod);
    put<EngineSlot::rskmodd>(&rskmodd);
    put<EngineSlot::rskmodp>(&rskmodp);
    put<EngineSlot::rskmsp>(&rskmsp);
    put<EngineSlot::rskcat>(&rskcat);
    put<EngineSlot::rskcata>(&rskcata);
    put<EngineSlot::rskcatc>(&rskcatc);
    put<EngineSlot::rskcatd>(&rskcatd);
    put<EngineSlot::rskcatf>(&rskcatf);
    put<EngineSlot::rskcatp>(&rskcatp);
    put<EngineSlot::rskccs>(&rskccs);
    put<EngineSlot::rskccsa>(&rskccsa);
    put<EngineSlot::rskccsc>(&rskccsc);
    put<EngineSlot::rskccsd>(&rskccsd);
    put<EngineSlot::rskccsf>(&rskccsf);
    put<EngineSlot::rskccsp>(&rskccsp);
    put<EngineSlot::rskgrp0>(&rskgrp0);
    put<EngineSlot::rskgrp1>(&rskgrp1);
    put<EngineSlot::rskgrp2>(&rskgrp2);
    put<EngineSlot::rskgrp3>(&rskgrp3);
    put<EngineSlot::rskgrp4>(&rskgrp4);
    put<EngineSlot::rskgrp5>(&rskgrp5);
    put<EngineSlot::rskgrp6>(&rskgrp6);
    put<EngineSlot::rskgrpd>(&rskgrpd);
    put<EngineSlot::rskgrpf>(&rskgrpf);
    put<EngineSlot::rskgrpi>(&rskgrpi);
    put<EngineSlot::rskgrps>(&rskgrps);
    put<EngineSlot::rskgrpx>(&rskgrpx);
    put<EngineSlot::rskgrpy>(&rskgrpy);
    put<EngineSlot::rskgrpz>(&rskgrpz);
    put<EngineSlot::rskhier>(&rskhier);
    put<EngineSlot::rskcanb>(&rskcanb);
    put<EngineSlot::rskcapb>(&rskcapb);

    // Variables, system variables, the rebuild, exchange rates and the analysis kind tests.
    put<EngineSlot::rskvar>(&rskvar);
    put<EngineSlot::rskvar0>(&rskvar0);
    put<EngineSlot::rskvar1>(&rskvar1);
    put<EngineSlot::rskvara>(&rskvara);
    put<EngineSlot::rskvarb>(&rskvarb);
    put<EngineSlot::rskvarc>(&rskvarc);
    put<EngineSlot::rskvard>(&rskvard);
    put<EngineSlot::rskvarf>(&rskvarf);
    put<EngineSlot::rskvari>(&rskvari);
    put<EngineSlot::rskvarm>(&rskvarm);
    put<EngineSlot::rskvarn>(&rskvarn);
    put<EngineSlot::rskvc>(&rskvc);
    put<EngineSlot::rskvf>(&rskvf);
    put<EngineSlot::rskfx>(&rskfx);
    put<EngineSlot::rskfxp>(&rskfxp);
    put<EngineSlot::rskfxp1>(&rskfxp1);
    put<EngineSlot::is_simulation>(&analysis_kinds::is_simulation);
    put<EngineSlot::is_sensitivity>(&analysis_kinds::is_sensitivity);
    put<EngineSlot::is_scenario>(&analysis_kinds::is_scenario);
    put<EngineSlot::is_mtm>(&analysis_kinds::is_mtm);
    put<EngineSlot::number_of_outvars>(&number_of_outvars);
    put<EngineSlot::is_exposure_type_variable>(&is_exposure_type_variable);

    // Parameter matrices and their identifier maps.
    put<EngineSlot::rskpid>(&rskpid);
    put<EngineSlot::rskpida>(&rskpida);
    put<EngineSlot::rskpidm>(&rskpidm);
    put<EngineSlot::rskpmx>(&rskpmx);
    put<EngineSlot::rskpmxc>(&rskpmxc);
    put<EngineSlot::rskpmxd>(&rskpmxd);
    put<EngineSlot::rskpmxf>(&rskpmxf);
    put<EngineSlot::rskpmxp>(&rskpmxp);
    put<EngineSlot::rskpmx0>(&rskpmx0);

    // Currencies.
    put<EngineSlot::rskcur>(&rskcur);
    put<EngineSlot::rskcur0>(&rskcur0);
    put<EngineSlot::rskcurm>(&rskcurm);
    put<EngineSlot::rskcurp>(&rskcurp);
    put<EngineSlot::fill_currency_table>(&fill_currency_table);

    // Timers.
    put<EngineSlot::rsktmr1>(&rsktmr1);
    put<EngineSlot::rsktmr2>(&rsktmr2);
    put<EngineSlot::rsktmri>(&rsktmri);
    put<EngineSlot::rsktmrs>(&rsktmrs);
    put<EngineSlot::rsktmre>(&rsktmre);
    put<EngineSlot::rsktmro>(&rsktmro);

    // Symbol tables.
    put<EngineSlot::rsksym>(&rsksym);
    put<EngineSlot::rsksymd>(&rsksymd);
    put<EngineSlot::rsksymf>(&rsksymf);
    put<EngineSlot::rsksyml>(&rsksyml);
    put<EngineSlot::rsksymp>(&rsksymp);
    put<EngineSlot::rsktbla>(&rsktbla);
    put<EngineSlot::rsktblc>(&rsktblc);
    put<EngineSlot::rsktblf>(&rsktblf);

    // Code registries: text to code.
    put<EngineSlot::rskcdac>(&rskcdac);
    put<EngineSlot::rskcdad>(&rskcdad);
    put<EngineSlot::rskcdts>(&rskcdts);
    put<EngineSlot::rskcdds>(&rskcdds);
    put<EngineSlot::rskcddt>(&rskcddt);
    put<EngineSlot::rskcddd>(&rskcddd);
    put<EngineSlot::rskcdat>(&rskcdat);
    put<EngineSlot::rskcdek>(&rskcdek);
    put<EngineSlot::rskcded>(&rskcded);
    put<EngineSlot::rskcdem>(&rskcdem);
    put<EngineSlot::rskcdmd>(&rskcdmd);
    put<EngineSlot::rskcdoc>(&rskcdoc);
    put<EngineSlot::rskcdpd>(&rskcdpd);
    put<EngineSlot::rskcdrg>(&rskcdrg);
    put<EngineSlot::rskcdsu>(&rskcdsu);
    put<EngineSlot::rskcdtu>(&rskcdtu);
    put<EngineSlot::rskcdva>(&rskcdva);
    put<EngineSlot::rskcdda>(&rskcdda);
    put<EngineSlot::rskcdvk>(&rskcdvk);
    put<EngineSlot::rskcddk>(&rskcddk);
    put<EngineSlot::rskcdtp>(&rskcdtp);
    // Code to text.
    put<EngineSlot::rskcnac>(&rskcnac);
    put<EngineSlot::rskcsac>(&rskcsac);
    put<EngineSlot::rskcnts>(&rskcnts);
    put<EngineSlot::rskcnva>(&rskcnva);
    put<EngineSlot::rskcsts>(&rskcsts);
    put<EngineSlot::rskcsat>(&rskcsat);
    put<EngineSlot::rskcsek>(&rskcsek);
    put<EngineSlot::rskcsem>(&rskcsem);
    put<EngineSlot::rskcsdt>(&rskcsdt);
    put<EngineSlot::rskcsmd>(&rskcsmd);
    put<EngineSlot::rskcsoc>(&rskcsoc);
    put<EngineSlot::rskcspd>(&rskcspd);
    put<EngineSlot::rskcspt>(&rskcspt);
    put<EngineSlot::rskcsrg>(&rskcsrg);
    put<EngineSlot::rskcsst>(&rskcsst);
    put<EngineSlot::rskcssu>(&rskcssu);
    put<EngineSlot::rskcstu>(&rskcstu);
    put<EngineSlot::rskcsva>(&rskcsva);
    put<EngineSlot::rskcsvk>(&rskcsvk);
    put<EngineSlot::rskcndt>(&rskcndt);
    put<EngineSlot::rskrole>(&rskrole);
    // Listings, valid combinations and storage types.
    put<EngineSlot::rskcdpr>(&rskcdpr);
    put<EngineSlot::rskcdpt>(&rskcdpt);
    put<EngineSlot::rskckrt>(&rskckrt);
    put<EngineSlot::rskckt>(&rskckt);
    put<EngineSlot::rskckr>(&rskckr);
    put<EngineSlot::rskcdst>(&rskcdst);
    put<EngineSlot::rsksize>(&rsksize);
    put<EngineSlot::rskalgn>(&rskalgn);
    // Type-name lists.
    put<EngineSlot::rskgtya>(&rskgtya);
    put<EngineSlot::rskgtyc>(&rskgtyc);
    put<EngineSlot::rskgtyg>(&rskgtyg);
    put<EngineSlot::rskgtyi>(&rskgtyi);
    put<EngineSlot::rskgtys>(&rskgtys);

    // Options.
    put<EngineSlot::rskoptg>(&rskoptg);
    put<EngineSlot::rskoptp>(&rskoptp);
    put<EngineSlot::rskopts>(&rskopts);

    // Audit log.
    put<EngineSlot::rskadti>(&rskadti);
    put<EngineSlot::rskadtp>(&rskadtp);

    // The common library's data set, hash table and utility file wrappers.
    put<EngineSlot::close_dataset>(&close_dataset);
    put<EngineSlot::create_hash_item>(&create_hash_item);
    put<EngineSlot::delete_dataset>(&delete_dataset);
    put<EngineSlot::del_hash_table>(&del_hash_table);
    put<EngineSlot::del_hash_item>(&del_hash_item);
    put<EngineSlot::enumerate_table>(&enumerate_table);
    put<EngineSlot::hash_query>(&hash_query);
    put<EngineSlot::hash_insert>(&hash_insert);
    put<EngineSlot::hash_remove>(&hash_remove);
    put<EngineSlot::new_dataset>(&new_dataset);
    put<EngineSlot::new_dataset_var>(&new_dataset_var);
    put<EngineSlot::new_dataset_obs>(&new_dataset_obs);
    put<EngineSlot::new_hash_table>(&new_hash_table);
    put<EngineSlot::new_hash_item>(&new_hash_item);
    put<EngineSlot::open_dataset>(&open_dataset);
    put<EngineSlot::read_obs>(&read_obs);
    put<EngineSlot::remove_obs>(&remove_obs);
    put<EngineSlot::set_mode>(&set_mode);
    put<EngineSlot::write_obs>(&write_obs);
    put<EngineSlot::utility_read>(&utility_read);
    put<EngineSlot::utility_write>(&utility_write);
    put<EngineSlot::new_utilfile>(&new_utilfile);
    put<EngineSlot::delete_utilfile>(&delete_utilfile);
    put<EngineSlot::open_utilfile>(&open_utilfile);
    put<EngineSlot::close_utilfile>(&close_utilfile);

    // Instrument types and their catalog data set.
    put<EngineSlot::rskactd>(&rskactd);
    put<EngineSlot::rskclbf>(&rskclbf);
    put<EngineSlot::rskclbi>(&rskclbi);
    put<EngineSlot::rskclbp>(&rskclbp);
    put<EngineSlot::rskcls>(&rskcls);
    put<EngineSlot::rskclsd>(&rskclsd);
    put<EngineSlot::rskclsf>(&rskclsf);
    put<EngineSlot::rskclsi>(&rskclsi);
    put<EngineSlot::rskclsp>(&rskclsp);
    put<EngineSlot::rskclsr>(&rskclsr);
    put<EngineSlot::rskclsv>(&rskclsv);
    put<EngineSlot::rskclsw>(&rskclsw);
    put<EngineSlot::rskdflt>(&rskdflt);

    // Catalog data sets of definitions and the variables listing.
    put<EngineSlot::rskvarr>(&rskvarr);
    put<EngineSlot::rskvarw>(&rskvarw);
    put<EngineSlot::rskvarp>(&rskvarp);
    put<EngineSlot::rskaryr>(&rskaryr);
    put<EngineSlot::rskaryw>(&rskaryw);
    put<EngineSlot::rskrefr>(&rskrefr);
    put<EngineSlot::rskrefw>(&rskrefw);
    put<EngineSlot::rskcatr>(&rskcatr);
    put<EngineSlot::rskcatw>(&rskcatw);

    // Position data set definitions, position sources, instrument file definitions, market data
    // set definitions and transformation sets.
    put<EngineSlot::rskdat>(&rskdat);
    put<EngineSlot::rskdata>(&rskdata);
    put<EngineSlot::rskdatc>(&rskdatc);
    put<EngineSlot::rskdatd>(&rskdatd);
    put<EngineSlot::rskdatf>(&rskdatf);
    put<EngineSlot::rskdatp>(&rskdatp);
    put<EngineSlot::rskdatr>(&rskdatr);
    put<EngineSlot::rskpos>(&rskpos);
    put<EngineSlot::rskposc>(&rskposc);
    put<EngineSlot::rskposd>(&rskposd);
    put<EngineSlot::rskposf>(&rskposf);
    put<EngineSlot::rskposp>(&rskposp);
    put<EngineSlot::rskpdsd>(&rskpdsd);
    put<EngineSlot::rskpdsp>(&rskpdsp);
    put<EngineSlot::rskpdsr>(&rskpdsr);
    put<EngineSlot::rsktdf>(&rsktdf);
    put<EngineSlot::rsktdfd>(&rsktdfd);
    put<EngineSlot::rsktdff>(&rsktdff);
    put<EngineSlot::rsktdfp>(&rsktdfp);
    put<EngineSlot::rskids>(&rskids);
    put<EngineSlot::rskidsa>(&rskidsa);
    put<EngineSlot::rskidsd>(&rskidsd);
    put<EngineSlot::rskidsf>(&rskidsf);
    put<EngineSlot::rskidsp>(&rskidsp);
    put<EngineSlot::rskprs>(&rskprs);
    put<EngineSlot::rskprsa>(&rskprsa);
    put<EngineSlot::rskprsc>(&rskprsc);
    put<EngineSlot::rskprsd>(&rskprsd);
    put<EngineSlot::rskprsf>(&rskprsf);
    put<EngineSlot::rskprsp>(&rskprsp);
    // Method objects (engine/compiler/method_*.cpp).
    put<EngineSlot::rsktrn>(&rsktrn);
    put<EngineSlot::rsktrnl>(&rsktrnl);
    put<EngineSlot::rsktrnp>(&rsktrnp);
    put<EngineSlot::rsktrni>(&rsktrni);
    put<EngineSlot::rsktrnc>(&rsktrnc);
    put<EngineSlot::rsktrnd>(&rsktrnd);
    put<EngineSlot::rsktrnf>(&rsktrnf);
    put<EngineSlot::rsktrns>(&rsktrns);
    put<EngineSlot::rsktrn0>(&rsktrn0);
    put<EngineSlot::rskitrn>(&rskitrn);
    put<EngineSlot::rskptrn>(&rskptrn);
    put<EngineSlot::rskctrn>(&rskctrn);

    // The compiler driver's compile handle.
    put<EngineSlot::rskcmpg>(&rskcmpg);
    put<EngineSlot::rskicmp>(&rskicmp);
    put<EngineSlot::rskecmp>(&rskecmp);
    put<EngineSlot::rskcmp0>(&rskcmp0);
    put<EngineSlot::rskocmp>(&rskocmp);
    put<EngineSlot::zsubmit>(&zsubmit);
    // Run working storage.
    put<EngineSlot::rskmem0>(&rskmem0);
    put<EngineSlot::rskmem1>(&rskmem1);
    put<EngineSlot::rskmemf>(&rskmemf);
    // The project run driver.
    put<EngineSlot::rskrun>(&rskrun);

    // Analysis definitions of mark-to-market and current exposure, and the risk-factor entries
    // (engine/analyses/).
    put<EngineSlot::rsamtma>(&rsamtma);
    put<EngineSlot::rsadela>(&rsadela);
    put<EngineSlot::rsascna>(&rsascna);
    put<EngineSlot::rsaplca>(&rsaplca);
    put<EngineSlot::rsaplsa>(&rsaplsa);
    put<EngineSlot::rsadvra>(&rsadvra);
    put<EngineSlot::rsapeqa>(&rsapeqa);
    put<EngineSlot::rsahsma>(&rsahsma);
    put<EngineSlot::rsacsma>(&rsacsma);
    put<EngineSlot::rsamsma>(&rsamsma);
    put<EngineSlot::rsaporta>(&rsaporta);
    put<EngineSlot::rsasimb>(&rsasimb);
    put<EngineSlot::rsassma>(&rsassma);
    put<EngineSlot::rsacfla>(&rsacfla);
    put<EngineSlot::rsacexa>(&rsacexa);
    put<EngineSlot::rsafaca>(&rsafaca);
    put<EngineSlot::rsafacg>(&rsafacg);
    put<EngineSlot::rsafacp>(&rsafacp);
    put<EngineSlot::rsafacs>(&rsafacs);

    // Output objects (engine/output/output_*.cpp).
    put<EngineSlot::rskout>(&rskout);
    put<EngineSlot::rskoutd>(&rskoutd);
    put<EngineSlot::rskoutf>(&rskoutf);
    put<EngineSlot::rskoutp>(&rskoutp);
    put<EngineSlot::rskoutv>(&rskoutv);
    put<EngineSlot::rskoutx>(&rskoutx);

    // Two routines stand in two slots each.
    put<EngineSlot::rskcsac_again>(&rskcsac);
    put<EngineSlot::rsktbla_again>(&rsktbla);

    // Counterparty and mitigation containers: creation, freeing and super-types.
    put<EngineSlot::delete_cpty>(&delete_cpty);
    put<EngineSlot::delete_cpty_con>(&delete_cpty_con);
    put<EngineSlot::delete_cpty_type>(&delete_cpty_type);
    put<EngineSlot::delete_cpty_var>(&delete_cpty_var);
    put<EngineSlot::mit_add_super>(&mit_add_super);
    put<EngineSlot::new_cpty>(&new_cpty);
    put<EngineSlot::new_cpty_con>(&new_cpty_con);
    put<EngineSlot::new_cpty_ds>(&new_cpty_ds);
    put<EngineSlot::new_cpty_model>(&new_cpty_model);
    put<EngineSlot::new_cpty_type>(&new_cpty_type);
    put<EngineSlot::new_cpty_var>(&new_cpty_var);
    put<EngineSlot::new_mit_con>(&new_mit_con);
    put<EngineSlot::new_mit_ds>(&new_mit_ds);
    put<EngineSlot::new_mit_type>(&new_mit_type);
    put<EngineSlot::new_mit_var>(&new_mit_var);
    put<EngineSlot::cpty_add_super>(&cpty_add_super);
    put<EngineSlot::new_cpty_catdesc>(&new_cpty_catdesc);
    put<EngineSlot::new_mit_catdesc>(&new_mit_catdesc);
    put<EngineSlot::rskcptyxmlinit>(&rskcptyxmlinit);
    put<EngineSlot::rskcptyxmlfree>(&rskcptyxmlfree);
    put<EngineSlot::rskcptyxmlparse>(&rskcptyxmlparse);
    put<EngineSlot::rskcptybuildxml>(&rskcptybuildxml);
    put<EngineSlot::rskmitxmlinit>(&rskmitxmlinit);
    put<EngineSlot::rskmitxmlfree>(&rskmitxmlfree);
    put<EngineSlot::rskmitxmlparse>(&rskmitxmlparse);
    put<EngineSlot::rskmitbuildxml>(&rskmitbuildxml);
    // The counterparty run and the self-test statement.
    put<EngineSlot::close_cpty_ds>(&close_cpty_ds);
    put<EngineSlot::open_cpty_input>(&open_cpty_input);
    put<EngineSlot::open_cpty_output>(&open_cpty_output);
    put<EngineSlot::rskrsvcpty>(&rskrsvcpty);
    put<EngineSlot::unittest_stmt>(&unittest_stmt);
    // The drivers without a project.
    put<EngineSlot::rskmtm>(&rskmtm);
    put<EngineSlot::rskrate>(&rskrate);
}

int rskatrm() { return wideprt(kEngineTableVectorCode); }
