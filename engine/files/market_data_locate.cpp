// Finding the market data set definition a request asks for (explicit names, the run's list,
// then the environment's), agreeing intervals with the requesting analysis, and opening its data.
#include <cstring>

#include "engine/files/market_data_internal.h"
#include "engine/model/variables/variable_texts.h"
#include "engine/model/analyses/analysis_record.h"
#include "engine/model/market/market_data_sets.h"
#include "engine/model/names/name_records.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/services/catalog.h"
#include "engine/run/run_block.h"
#include "engine/tables/object_tables.h"
#include "host/print.h"

namespace {

constexpr int kReadAccess = 4;
constexpr int kOpenSequential = 0x4000001;
constexpr int kOpenOther = 0x3000001;

// The definition matches: its type, and its interval code when one is wanted. Its data set is
// then resolved into md; a data set that cannot be resolved is reported and does not match.
bool matches(RSKCON* con, mds* md, RSKINPUTDS* definition, uint32_t type, int code, const RSKNAMEREC* searched) {
    if (definition == nullptr || definition->type != type) return false;
    if (code != 0 && definition->interval.code != code) return false;
    char libref[8];
    std::memset(libref, ' ', sizeof libref);
    char member[32];
    int length = 0;
    if (rskids_locate(con, definition, libref, member, &length) != 0) {
        xpmlog(598, 2410, static_cast<int>(definition->dataset.name.length), definition->dataset.buffer,
               static_cast<int>(searched->length), searched->text);
        return false;
    }
    std::memcpy(md->libref, libref, sizeof libref);
    std::memset(md->member, ' ', sizeof md->member);
    std::memcpy(md->member, member, static_cast<size_t>(length));
    md->member_length = static_cast<int16_t>(length);
    return true;
}

RSKINPUTDS* load(RSKCON* con, RSKCATOBJ* object) {
    return object != nullptr ? static_cast<RSKINPUTDS*>(rssofiq(con, object, kReadAccess)) : nullptr;
}

RSKINPUTDS* search_names(RSKCON* con, mds* md, const RSKNAMECELL* names, uint32_t type, int code) {
    for (const RSKNAMECELL* cell = names; cell != nullptr; cell = cell->next) {
        RSKINPUTDS* definition = load(con, rskids(con, &cell->name.name));
        if (matches(con, md, definition, type, code, &cell->name.name)) return definition;
    }
    return nullptr;
}

RSKINPUTDS* search_environment(RSKCON* con, mds* md, uint32_t type, int code) {
    if (con->current_tables == nullptr) return nullptr;
    const RSKSYMTAB& table = con->current_tables->tables[RSKTAB_INPUTDS];
    for (const RSKSYMBOL* symbol = table.list_head; symbol != nullptr; symbol = symbol->next_in_list) {
        RSKNAMEREC searched{static_cast<uint16_t>(symbol->name_length), static_cast<uint16_t>(symbol->name_length),
                            symbol->name};
        RSKINPUTDS* definition = load(con, static_cast<RSKCATOBJ*>(symbol->object));
        if (matches(con, md, definition, type, code, &searched)) return definition;
    }
    return nullptr;
}

void report_none(RSKCON* con, const mds* md, uint32_t type, int code) {
    const char* description = "";
    const int length = rskcsmd(con, static_cast<int>(type), &description);
    const RSKANALYSIS* analysis = md->analysis;
    if (code == 0 && analysis == nullptr)
        xpmlog(598, 2424, length, description);
    else if (code == 0)
        xpmlog(598, 2428, length, description, RSK_NAME(analysis->name));
    else if (analysis == nullptr)
        xpmlog(598, 2425, length, description, static_cast<int>(md->interval.text_length), md->interval.text);
    else
        xpmlog(598, 2427, length, description, static_cast<int>(md->interval.text_length), md->interval.text,
               RSK_NAME(analysis->name));
}

}  // namespace

RSKINPUTDS* locate_input_ds(RSKCON* con, mds* md, uint32_t type, const RSKNAMECELL* names, int code, int report) {
    if (names == nullptr && con->run_block != nullptr) names = con->run_block->market_data_list;
    RSKINPUTDS* found = search_names(con, md, names, type, code);
    if (found != nullptr || !report) return found;
    if (type != 2 && type != 4) report_none(con, md, type, code);
    return search_environment(con, md, type, code);
}

int check_interval(RSKCON* con, mds* md, const RSKINPUTDS* definition) {
    RSKANALYSIS* analysis = md->analysis;
    if (analysis == nullptr) return 0;
    if (analysis->interval.code == 0) {
        analysis->interval = definition->interval;
        return 0;
    }
    if (analysis->interval.code == definition->interval.code &&
        analysis->interval.multiplier == definition->interval.multiplier)
        return 0;
    (void)con;
    xpmlog(598, 2426, RSK_NAME(analysis->name), RSK_NAME(definition->name),
           static_cast<int>(analysis->interval.text_length), analysis->interval.text, RSK_NAME(definition->name),
           static_cast<int>(definition->interval.text_length), definition->interval.text);
    return 4;
}

int open_dataset(RSKCON*, mds* md, const RSKINPUTDS* definition) {
    md->definition = const_cast<RSKINPUTDS*>(definition);
    md->problems = 0;
    qor_open_request request{};
    std::memcpy(request.libref, md->libref, sizeof request.libref);
    request.member.length = md->member_length;
    std::memcpy(request.member.text, md->member, sizeof request.member.text);
    std::memset(request.member_type, ' ', sizeof request.member_type);
    const int type = md->open_type;
    request.mode = type == 2 || type == 3 || type == 7 || type == 9 ? kOpenSequential : kOpenOther;
    qor_dataset* data = nullptr;
    const int rc = xoopen(&data, &request);
    if (rc < 0 || data == nullptr) {
        xprrlog(1, rc);
        xpmlog(598, 2411, MDS_MEMBER(md), MDS_DEFINITION(md));
        md->error = 1;
        return 99;
    }
    md->data = data;
    md->reader = qor_obs_request{};
    md->reader.dataset = data;
    md->open = 1;
    md->end = 0;
    return 0;
}
