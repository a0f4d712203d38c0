// Code registries reached through the engine's entry table: look-ups in both directions with
// their defaults, row counts, storage types, valid combinations, listings, type-name lists,
// and building under memory failure and over capacity.
#include <cstring>
#include <vector>

#include "engine/model/registries/registry_rows.h"
#include "engine/model/types/type_name_lists.h"
#include "tests/engine/registry_fixture.h"

namespace {

using TextToCode = int (*)(RSKCON*, const char*, int);
using ScopedTextToCode = int (*)(RSKCON*, int, const char*, int);
using CodeToText = int (*)(RSKCON*, int, const char**);

class Registry : public RegistryTest {
protected:
    int lookup(int slot, const char* text) {
        return vector_slot<TextToCode>(381, slot)(&con_, text, static_cast<int>(std::strlen(text)));
    }
    int scoped(int slot, int scope, const char* text) {
        return vector_slot<ScopedTextToCode>(381, slot)(&con_, scope, text, static_cast<int>(std::strlen(text)));
    }
    std::string text(int slot, int code) {
        const char* t = nullptr;
        int n = vector_slot<CodeToText>(381, slot)(&con_, code, &t);
        return text_of(n, t);
    }
};

TEST_F(Registry, TextToCodeMatchesWholeTextsIgnoringCaseElseGivesTheDefault) {
    const struct { int slot; const char* text; int code; } plain[] = {
        {66, "instrument", 3}, {66, "Output Variable", 999},   // rskcdvk compares names
        {67, "Output", 7}, {67, "output variable", 7},          // rskcddk: both kind-7 rows
        {67, "Nothing", 999},
        {56, "NOPE", 9}, {56, "ndensity", 105}, {56, "MITIGATION", 335}, {56, "maxthreads", 350},
        {52, "NOPE", 1}, {52, "fortran", 4}, {53, "C function", 3},
        {54, "NOPE", -1}, {54, "normal", 1},
        {60, "Lecuyer", 3}, {60, "L'Ecuyer", 3}, {60, "mersenne twister", 5}, {60, "nope", 0},
        {45, "postprice", 10}, {46, "Pricing method", 3}, {45, "NOPE", 0},
        {47, "wgt", 9}, {48, "Standard deviation", 7},
        {63, "YEAR", 4}, {51, "Historical Simulation", 8}, {68, "Relative", 3},
        {57, "cash_flow", 3}, {55, "Correlation", 10}, {62, "Project run", 4},
    };
    for (const auto& c : plain) {
        SCOPED_TRACE(std::string(c.text) + " slot " + std::to_string(c.slot));
        EXPECT_EQ(lookup(c.slot, c.text), c.code);
    }
    // A trailing blank is part of the text: the caller strips it.
    EXPECT_EQ(engine_routine<EngineSlot::rskcdoc>()(&con_, "ALPHA ", 6), 9);
    EXPECT_EQ(engine_routine<EngineSlot::rskcdoc>()(&con_, "ALPHA ", 5), 101);

    const struct { int slot; int scope; const char* text; int code; } by_scope[] = {
        {49, 1234, "CHAR", 2}, {49, 5, "CHAR", 999}, {49, 1, "num", 1}, {49, 10, "NUM", 999},
        {49, 1234, "NAME_REF", 102}, {49, 4, "FX_REF", 105}, {49, 2, "BASIS", 7},
        {50, 3, "Array", 60}, {50, 1234, "Date and time", 4},
        {64, 2, "VOLATILITY", 501}, {64, 6, "volatility", 801}, {64, 5, "VAR", 999},
        {64, 11, "COMPUTED", 902}, {64, 6, "RF_ARRAY", 702}, {65, 1, "Control variable", 60},
    };
    for (const auto& c : by_scope) {
        SCOPED_TRACE(std::string(c.text) + " scope " + std::to_string(c.scope));
        EXPECT_EQ(scoped(c.slot, c.scope, c.text), c.code);
    }
}

TEST_F(Registry, CodeToTextFindsTheFirstRowInSearchOrderElseUnknown) {
    const struct { int slot; int code; const char* text; } cases[] = {
        {86, 3, "Lecuyer"},               // the first of the two code-3 generator rows
        {86, 5, "Twister"},
        {76, 221, "*unknown*"},           // project roles are not searched by name
        {76, 702, "RF_ARRAY"},
        {90, 221, "Project variable"},
        {81, 7, "Day-count basis"},       // the system table's BASIS row
        {81, 60, "Array"},                // from the counterparty table: the system table has none
        {81, 102, "Name reference"},
        {337, 105, "FX_REF"},
        {337, 11, "*unknown*"},           // project and state data types are not searched by name
        {92, 7, "Output"},
        {74, 9, "Post-valuation method"}, {91, 9, "Post-valuation method"},
        {73, 12, "MITIGATE"}, {79, 8, "Autoregressive model"}, {88, 2, "Transformation procedure"},
        {89, 5, "Hour"}, {84, 4, "Quadratic"}, {82, 10, "Correlation"}, {78, 17, "Portfolio Optimization"},
        {85, 0, "Undefined perturbation"}, {77, 9, "Sum of weights"}, {75, 2, "MEAN"},
        {80, -1, "*Undef*"}, {83, 350, "Largest number of pricing threads"}, {83, 214, "*unknown*"},
        {89, 77, "*unknown*"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.code) + " slot " + std::to_string(c.slot));
        EXPECT_EQ(text(c.slot, c.code), c.text);
    }

    // Storage types match on both words of the pair.
    auto rskcsst = engine_routine<EngineSlot::rskcsst>();
    const char* t = nullptr;
    RSKSTYPE dblptr{2, RSKSTYPE_POINTER}, plain{2, 0}, charptr{3, RSKSTYPE_POINTER};
    int n = rskcsst(&con_, &dblptr, &t);
    EXPECT_EQ(text_of(n, t), "Pointer to a double");
    n = rskcsst(&con_, &plain, &t);
    EXPECT_EQ(text_of(n, t), "Double-precision number");
    EXPECT_EQ(rskcsst(&con_, &charptr, &t), 9);
    EXPECT_STREQ(t, "*unknown*");

    auto rskrole = engine_routine<EngineSlot::rskrole>();
    const RSKROLEROW* ir = rskrole(&con_, 321);
    ASSERT_NE(ir, nullptr);
    EXPECT_EQ(ir->interest_rate, 1);
    EXPECT_EQ(ir->maturity, 1);
    const RSKROLEROW* vol = rskrole(&con_, 811);
    ASSERT_NE(vol, nullptr);
    EXPECT_EQ(vol->volatility, 1);
    EXPECT_EQ(vol->maturity, 0);
    EXPECT_EQ(rskrole(&con_, 221), nullptr);   // project roles are not searched
}

TEST_F(Registry, EveryRegistryHoldsItsRowsAndEveryDescriptionWasRead) {
    const struct { int registry; int count; int second; } counts[] = {
        {RSKREG_STYPES, 15, 0}, {RSKREG_VKINDS, 13, 0},
        {RSKREG_DT_SYSTEM, 11, 0}, {RSKREG_DT_INSTRUMENT, 7, 8}, {RSKREG_DT_CPTY, 7, 8},
        {RSKREG_DT_MITIGATION, 7, 8}, {RSKREG_DT_FACTOR, 4, 0}, {RSKREG_DT_REFERENCE, 4, 7},
        {RSKREG_DT_OUTPUT, 3, 0}, {RSKREG_DT_PROJECT, 4, 0}, {RSKREG_DT_STATE, 4, 0},
        {RSKREG_RL_SYSTEM, 7, 0}, {RSKREG_RL_INSTRUMENT, 3, 5}, {RSKREG_RL_CPTY, 2, 4},
        {RSKREG_RL_MITIGATION, 2, 4}, {RSKREG_RL_FACTOR, 6, 27}, {RSKREG_RL_REFERENCE, 5, 31},
        {RSKREG_RL_OUTPUT, 2, 0}, {RSKREG_RL_PROJECT, 2, 0}, {RSKREG_RL_STATE, 2, 0},
        {RSKREG_BASES, 5, 0}, {RSKREG_TUNITS, 6, 0}, {RSKREG_ACTIONS, 9, 0}, {RSKREG_EKINDS, 8, 0},
        {RSKREG_ANALYSES, 17, 0}, {RSKREG_PERTURBATIONS, 5, 0}, {RSKREG_STATISTICS, 9, 0},
        {RSKREG_OPT_ANALYSIS, 16, 0}, {RSKREG_OPT_OUTPUT, 54, 0}, {RSKREG_OPT_SYSTEM, 11, 0},
        {RSKREG_DSFORMATS, 4, 0}, {RSKREG_MDSTYPES, 9, 0}, {RSKREG_GENERATORS, 10, 7},
        {RSKREG_ERRMODELS, 4, 0}, {RSKREG_PROGTYPES, 5, 0},
    };
    for (const auto& c : counts) {
        SCOPED_TRACE(c.registry);
        EXPECT_EQ(con_.registries[c.registry].count, c.count);
        EXPECT_EQ(con_.registries[c.registry].second_count, c.second);
    }
    // No description was missing or too long for its field.
    EXPECT_EQ(log().find("rskinit:"), std::string::npos) << log();

    const auto* system = static_cast<const RSKDTYPEROW*>(con_.registries[RSKREG_DT_SYSTEM].rows);
    EXPECT_EQ(sizeof(RSKDTYPEROW), 96u);
    EXPECT_EQ(sizeof(RSKROLEROW), 72u);
    EXPECT_EQ(system[4].code, 4);   // DATETIME
    EXPECT_EQ(std::string(system[4].default_format, 18), "DATETIME16.       ");
    EXPECT_EQ(std::string(system[4].family, 8), "DATE    ");
    EXPECT_EQ(system[4].host_type, 'N');
    EXPECT_EQ(system[4].min_length, 3);
}

TEST_F(Registry, StorageTypesSizesAndAlignment) {
    auto rskcdst = engine_routine<EngineSlot::rskcdst>();
    auto rsksize = engine_routine<EngineSlot::rsksize>();
    auto rskalgn = engine_routine<EngineSlot::rskalgn>();
    const struct { int dtype; uint32_t code; int size; } types[] = {
        {1, 2, 8}, {245, 2, 8}, {2, 3, 1}, {10, 42, 8}, {11, 7, 4}, {61, 51, 0}, {63, 51, 0},
        {62, 52, 0}, {104, 41, 0}, {234, 4, 2}, {12, 0, 0}, {999, 0, 0},
    };
    for (const auto& t : types) {
        SCOPED_TRACE(t.dtype);
        RSKSTYPE pair{99, 99};
        EXPECT_EQ(rskcdst(&con_, t.dtype, &pair), 0);
        EXPECT_EQ(pair.code, t.code);
        EXPECT_EQ(pair.flags, 0u);
        EXPECT_EQ(rsksize(&con_, pair), t.size);
    }
    EXPECT_EQ(rsksize(&con_, RSKSTYPE{4, RSKSTYPE_POINTER}), 4);
    EXPECT_EQ(rsksize(&con_, RSKSTYPE{3, RSKSTYPE_POINTER}), -1);
    EXPECT_EQ(rskalgn(&con_, 5, RSKSTYPE{4, 0}), 6);
    EXPECT_EQ(rskalgn(&con_, 5, RSKSTYPE{2, 0}), 8);
    EXPECT_EQ(rskalgn(&con_, 6, RSKSTYPE{4, RSKSTYPE_POINTER}), 8);
    EXPECT_EQ(rskalgn(&con_, 8, RSKSTYPE{3, 0}), 8);
}

TEST_F(Registry, ValidCombinationsOfKindRoleAndType) {
    auto rskckrt = engine_routine<EngineSlot::rskckrt>();
    auto rskckt = engine_routine<EngineSlot::rskckt>();
    auto rskckr = engine_routine<EngineSlot::rskckr>();
    const struct { int kind, role, type, valid; } combos[] = {
        {2, 501, 1, 1}, {2, 501, 60, 0}, {2, 321, 60, 1}, {1, 40, 62, 1}, {1, 40, 1, 0},
        {6, 441, 105, 1}, {6, 711, 104, 1}, {6, 711, 1, 0}, {3, 203, 2, 1}, {3, 203, 1, 0},
        {7, 204, 60, 1}, {8, 221, 11, 1}, {4, 999, 1, 0},
    };
    for (const auto& c : combos) {
        SCOPED_TRACE(std::to_string(c.kind) + "/" + std::to_string(c.role) + "/" + std::to_string(c.type));
        EXPECT_EQ(rskckrt(&con_, c.kind, c.role, c.type), c.valid ? 0 : 1);
    }
    EXPECT_EQ(rskckt(&con_, 2, 60), 0);
    EXPECT_EQ(rskckt(&con_, 2, 2), 1);      // risk factors are never character
    EXPECT_EQ(rskckt(&con_, 3, 7), 0);      // instrument BASIS is past the core rows
    EXPECT_EQ(rskckr(&con_, 6, 702), 0);
    EXPECT_EQ(rskckr(&con_, 7, 201), 1);
    EXPECT_EQ(rskckr(&con_, 12, 912), 0);
}

TEST_F(Registry, ListingsShowTypesWithFormatsAndRolesWithMarketFlags) {
    engine_routine<EngineSlot::rskcdpt>()(&con_);
    std::string types = listing();
    EXPECT_NE(types.find("598/41 Data types of system variables:"), std::string::npos) << types;
    EXPECT_NE(types.find(" 1.  NUM         Numeric"), std::string::npos) << types;
    EXPECT_NE(types.find("Length: default=8, min=3, max=8. Format: D10.3(NUMERIC,N)"), std::string::npos);
    EXPECT_EQ(types.find("*unknown*"), std::string::npos);   // row 0 is not listed
    EXPECT_EQ(count_of(types, "598/31 "), 2);

    con_.echo = 1;
    engine_routine<EngineSlot::rskcdpr>()(&con_);
    std::string roles = listing();
    EXPECT_NE(roles.find("IR_SHORT"), std::string::npos) << roles;
    EXPECT_NE(roles.find("Short rate volatility 598/5503  Market role: IR Mat Vol598/5504 ."), std::string::npos)
        << roles;
}

TEST_F(Registry, TypeNameListsGrowFindIgnoringCaseAndRefuseCodesOutOfRange) {
    auto gtyi = engine_routine<EngineSlot::rskgtyi>();
    auto gtya = engine_routine<EngineSlot::rskgtya>();
    auto gtys = engine_routine<EngineSlot::rskgtys>();
    auto gtyg = engine_routine<EngineSlot::rskgtyg>();
    auto gtyc = engine_routine<EngineSlot::rskgtyc>();
    RSKTYPELIST list;
    ASSERT_EQ(gtyi(&con_, &list, 32), 0);
    const std::string long_name(40, 'x');
    int code = 0;
    ASSERT_EQ(gtya(&con_, &list, long_name.c_str(), -1, &code), 0);
    EXPECT_EQ(code, 1);
    for (int i = 2; i <= 25; ++i) {
        std::string name = "Report" + std::to_string(i);
        ASSERT_EQ(gtya(&con_, &list, name.c_str(), -1, &code), 0);
        EXPECT_EQ(code, i);
    }
    EXPECT_EQ(list.capacity, 40);   // 10, then 20, then 40
    RSKNAMEREC out{};
    ASSERT_EQ(gtyg(&con_, &list, 1, &out), 0);
    EXPECT_EQ(std::string(out.text, out.length), std::string(32, 'x'));
    ASSERT_EQ(gtyg(&con_, &list, 17, &out), 0);
    EXPECT_EQ(std::string(out.text, out.length), "Report17");
    EXPECT_EQ(gtys(&con_, &list, "REPORT17", 8), 17);
    EXPECT_EQ(gtys(&con_, &list, long_name.c_str(), 40), 1);   // compared as cut to the width
    EXPECT_EQ(gtys(&con_, &list, "Report1", 7), 0);
    EXPECT_EQ(gtyg(&con_, &list, 0, &out), 1);
    EXPECT_EQ(gtyg(&con_, &list, 26, &out), 1);
    EXPECT_NE(log().find("rskgtyg: wrong type code 26."), std::string::npos);

    char* buffer = list.buffer;
    EXPECT_EQ(gtyc(&con_, &list), 0);
    EXPECT_EQ(gtys(&con_, &list, "REPORT17", 8), 0);
    EXPECT_EQ(list.buffer, buffer);
    for (int i = 1; i <= 40; ++i) ASSERT_EQ(gtya(&con_, &list, "again", -1, nullptr), 0);

    // The next entry needs a larger buffer, and the pool has none: the list stays as it was.
    qor_pool_fail_nth(1);
    EXPECT_EQ(gtya(&con_, &list, "one more", -1, &code), 1);
    qor_pool_fail_nth(0);
    EXPECT_EQ(list.count, 40);
    EXPECT_EQ(list.buffer, buffer);
    EXPECT_EQ(con_.error, 1u);
    EXPECT_EQ(count_of(log(), "598/2797"), 1);
}

TEST_F(Registry, BuildingWithoutMemoryLeavesEmptyRegistriesThatAnswerDefaults) {
    RSKCON fresh;
    std::memset(&fresh, 0, sizeof fresh);
    fresh.general_pool = con_.general_pool;
    qor_pool_fail_nth(3);
    EXPECT_EQ(get_codes(&fresh), 1);
    qor_pool_fail_nth(0);
    EXPECT_EQ(count_of(log(), "598/2797"), 1);
    EXPECT_EQ(fresh.no_memory_reported, 1u);
    auto rskcdoc = engine_routine<EngineSlot::rskcdoc>();
    EXPECT_EQ(rskcdoc(&fresh, "ALPHA", 5), 9);
    const char* t = nullptr;
    EXPECT_EQ(engine_routine<EngineSlot::rskcsvk>()(&fresh, 7, &t), 9);
}

TEST_F(Registry, AFullRegistryTakesNoFurtherRowsAndSaysSo) {
    // Action codes hold 13 rows; the fourteenth must neither be written nor counted.
    std::vector<RSKCODEROW> rows(13);
    int count = 0;
    for (int i = 0; i < 14; ++i) add_acode(rows.data(), &count, i, "ACT", 6751);
    EXPECT_EQ(count, 13);
    EXPECT_NE(log().find("rskinit: too many action codes"), std::string::npos);

    std::vector<RSKROLEROW> roles(2);
    count = 0;
    RSKROLEATTR attr{204, "COMPUTED", 6204, {0, 1, 0, 0, 0, 0}};
    for (int i = 0; i < 3; ++i) add_orole(roles.data(), &count, &attr);
    EXPECT_EQ(count, 2);
    EXPECT_NE(log().find("rskinit: too many \"Output Variable\" role codes. max=2"), std::string::npos);

    // Over-long names and unknown message numbers are cut or left empty, with a line each.
    RSKCODEROW one[1];
    count = 0;
    add_ekind(one, &count, 1, "A_NAME_LONGER_THAN_TWELVE", 999999);
    EXPECT_EQ(one[0].name_length, 12);
    EXPECT_EQ(one[0].description_length, 0);
    EXPECT_NE(log().find("rskinit: store_string: length 25 > 12 for \"A_NAME_LONGER_THAN_TWELVE\"."),
              std::string::npos);
    EXPECT_NE(log().find("rskinit: read_string: fail to read msg number 999999."), std::string::npos);
}

}  // namespace
