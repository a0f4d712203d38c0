// List forms of position sources (kind 9), filters (kind 10: the WHERE text in pieces of at most
// 200 characters), reports (kind 17) and web reports (kind 25).
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "catalog/form_items.h"
#include "catalog/forms_further.h"
#include "common/memory/pool_memory.h"
#include "engine/model/filters/filters.h"
#include "engine/model/names/name_records.h"
#include "engine/model/positions/position_definitions.h"
#include "engine/model/reports/reports.h"
#include "host/print.h"

using namespace form_items;

namespace {

constexpr size_t kFilterPiece = 200;

// A block of the control structure's current pool, given back when the holder goes; null
// after 598/500 (the control structure then knows it ran out of memory).
struct PoolBlock {
    RSKCON* con;
    size_t bytes;
    void* block;
    PoolBlock(RSKCON* owner, size_t size) : con(owner), bytes(size), block(nullptr) {
        if (bytes == 0) bytes = 1;
        block = vmalcp_handler(con->current_pool, bytes, 0);
        if (block == nullptr) {
            xpmlog(598, 500);
            con->no_memory_reported = 1;
        }
    }
    ~PoolBlock() {
        if (block != nullptr) vmfree_handler(con->current_pool, block, bytes, QOR_FREE_SIZED);
    }
    PoolBlock(const PoolBlock&) = delete;
    PoolBlock& operator=(const PoolBlock&) = delete;
};

// One expression of a filter as "FILTERS" pieces named by the running count; 1 when a piece of
// more than 200 characters has no blank to be cut at.
int put_expression(qor_list_id pieces, std::string_view expression, int* count, const RSKNAMEREC& filter) {
    while (expression.size() > kFilterPiece) {
        const size_t cut = expression.substr(0, kFilterPiece + 1).rfind(' ');
        if (cut == std::string_view::npos || cut == 0) {
            xpmlog(598, 3181, static_cast<int>(filter.length), filter.text, static_cast<int>(kFilterPiece));
            return 1;
        }
        char name[16];
        std::snprintf(name, sizeof name, "%i", ++*count);
        if (put_text(pieces, name, expression.substr(0, cut)) != 0) return 1;
        expression.remove_prefix(cut + 1);   // the blank at the cut is dropped
    }
    char name[16];
    std::snprintf(name, sizeof name, "%i", ++*count);
    return put_text(pieces, name, expression);
}

}  // namespace

int rssposg(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int, int) {
    const auto* source = static_cast<const RSKTSOURCE*>(object);
    if (source == nullptr || list == 0) return 1;
    int rc = put_text(list, "OBJTYPE", "TSOURCE");
    if (rc == 0) rc = put_text(list, "NAME", text_of(source->name));
    if (rc != 0) return rc;
    qor_list_id datasets = new_sublist(con, workspace, "rssposg");
    if (datasets == 0) return 1;
    for (const RSKNAMECELL* cell = source->head; cell != nullptr; cell = cell->next) {
        const std::string_view name = text_of(cell->name);
        RSOCHAR value{name.size(), name.size(), name.data()};
        rsoinsc(datasets, &value, name.data(), static_cast<int>(name.size()));
    }
    rc = rsoinsl(list, datasets, "DATASETS", -1);
    rss_free_list(datasets);
    return rc;
}

int rssposs(RSKCON* con, uint32_t list, RSKLISTWS*, int, int, RSKCATOBJ** out, RSKCATOBJ* header) {
    RSOCHAR name{};
    qor_list_id datasets = 0;
    if (rsogetc(list, "NAME", -1, &name) != 0) return 1;
    RSKNAMEREC key = record_of(name);
    RSKCATOBJ* defined = nullptr;
    if (engine_call<EngineSlot::rskposd>(con, &defined, static_cast<const RSKNAMEREC*>(&key), header) != 0 ||
        defined == nullptr)
        return 1;
    hand_out(out, defined);
    if (rsogetl(list, "DATASETS", -1, &datasets) != 0) return 1;
    auto find = engine_routine<EngineSlot::rskdat>();
    const int count = slcnt(slistp(datasets));
    int rc = 0;
    for (int i = 1; i <= count; ++i) {
        RSOCHAR item{};
        if (rsoitmc(datasets, i, &item) != 0) return 1;
        RSKNAMEREC dataset = record_of(item);
        if (find == nullptr || find(con, &dataset) == nullptr) {
            xpmlog(598, 231, static_cast<int>(dataset.length), dataset.text, static_cast<int>(name.length), name.text);
            rc = 1;
            continue;
        }
        rc = std::max(rc, engine_call<EngineSlot::rskpdsd>(con, defined, static_cast<const RSKNAMEREC*>(&dataset)));
    }
    return rc;
}

int rsswhrg(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int, int) {
    const auto* filter = static_cast<const RSKFILTER*>(object);
    if (filter == nullptr || list == 0) return 1;
    int rc = put_text(list, "OBJTYPE", "FILTER");
    if (rc == 0) rc = put_text(list, "NAME", text_of(filter->name));
    if (rc != 0) return rc;
    qor_list_id pieces = new_sublist(con, workspace, "rsswhrg");
    if (pieces == 0) return 1;
    const std::string_view text(filter->text != nullptr ? filter->text : "", filter->text ? filter->text_length : 0);
    int count = 0;
    if (filter->ends == nullptr || filter->end_count == 0) {
        rc = put_expression(pieces, text, &count, filter->name.name);
    } else {
        size_t start = 0;
        for (uint32_t i = 0; rc == 0 && i < filter->end_count; ++i) {
            const size_t end = std::min(static_cast<size_t>(filter->ends[i]), text.size());
            rc = put_expression(pieces, start <= end ? text.substr(start, end - start) : std::string_view(), &count,
                                filter->name.name);
            start = end + 1;
        }
    }
    if (rc == 0) rc = rsoinsl(list, pieces, "FILTERS", -1);
    rss_free_list(pieces);
    return rc;
}

int rsswhrs(RSKCON* con, uint32_t list, RSKLISTWS*, int, int, RSKCATOBJ** out, RSKCATOBJ* header) {
    RSOCHAR name{};
    if (rsogetc(list, "NAME", -1, &name) != 0) return 1;
    RSKNAMEREC key = record_of(name);
    RSKCATOBJ* defined = nullptr;
    if (engine_call<EngineSlot::rskwhrd>(con, &defined, static_cast<const RSKNAMEREC*>(&key),
                                         static_cast<const RSKNAMEREC*>(nullptr), header) != 0 ||
        defined == nullptr || defined->object == nullptr) {
        xpmlog(598, 3180, static_cast<int>(name.length), name.text);
        return 1;
    }
    hand_out(out, defined);
    auto* filter = static_cast<RSKFILTER*>(defined->object);
    qor_list* pieces = nullptr;
    if (slgnl(slistp(list), "FILTERS", &pieces) != 0 || pieces == nullptr) {
        // The older form: the whole text in one item.
        RSOCHAR whole{};
        if (rsogetc(list, "FILTER", -1, &whole) != 0) return 1;
        RSKNAMEREC text = record_of(whole);
        const int32_t end = static_cast<int32_t>(text.length);
        return engine_call<EngineSlot::rskwhru>(con, filter, static_cast<const RSKNAMEREC*>(&text), &end, 1);
    }
    const int count = slcnt(pieces);
    size_t length = 0;
    for (int i = 1; i <= count; ++i) {
        std::string_view piece;
        if (slitmc(pieces, i, &piece) != 0) {
            RSOCHAR shown{};
            rsoitmc(slid(pieces), i, &shown);   // names the damaged item
            return 1;
        }
        length += piece.size() + 1;
    }
    PoolBlock text(con, length + 1);
    PoolBlock ends(con, sizeof(int32_t) * static_cast<size_t>(count > 0 ? count : 1));
    if (text.block == nullptr || ends.block == nullptr) return 1;
    auto* buffer = static_cast<char*>(text.block);
    auto* offsets = static_cast<int32_t*>(ends.block);
    size_t at = 0;
    for (int i = 1; i <= count; ++i) {
        std::string_view piece;
        slitmc(pieces, i, &piece);
        std::memcpy(buffer + at, piece.data(), piece.size());
        at += piece.size();
        offsets[i - 1] = static_cast<int32_t>(at);
        buffer[at++] = ' ';
    }
    const size_t used = at > 0 ? at - 1 : 0;   // the last blank gives way to the end of the text
    buffer[used] = '\0';
    RSKNAMEREC expression{0, static_cast<uint16_t>(std::min<size_t>(used, 0xFFFF)), buffer};
    if (used > kRskFilterTextLimit) expression.length = 0xFFFF;   // refused by the engine as too long
    return engine_call<EngineSlot::rskwhru>(con, filter, static_cast<const RSKNAMEREC*>(&expression),
                                            static_cast<const int32_t*>(offsets), count);
}

int rssrepg(RSKCON*, void* object, uint32_t list, RSKLISTWS*, int, int) {
    const auto* report = static_cast<const RSKREPORT*>(object);
    if (report == nullptr || list == 0) return 1;
    int rc = put_text(list, "OBJTYPE", "RISKREPORT");
    if (rc == 0) rc = put_text(list, "NAME", text_of(report->name));
    if (rc == 0) rc = put_text(list, "FILENAME", text_of(report->path));
    if (rc == 0) rc = put_text(list, "TYPE", text_of(report->type));
    if (rc == 0) rc = put_text(list, "SAMPOUT", text_of(report->sample_output));
    return rc;
}

int rssreps(RSKCON* con, uint32_t list, RSKLISTWS*, int, int, RSKCATOBJ** out, RSKCATOBJ* header) {
    RSOCHAR name{}, path{};
    if (rsogetc(list, "NAME", -1, &name) != 0 || rsogetc(list, "FILENAME", -1, &path) != 0) return 1;
    std::string_view type, sample;
    slgnc(slistp(list), "TYPE", &type);
    slgnc(slistp(list), "SAMPOUT", &sample);
    RSKNAMEREC key = record_of(name), file = record_of(path), type_name = record_of(type),
               sample_name = record_of(sample);
    RSKCATOBJ* defined = nullptr;
    if (engine_call<EngineSlot::rskrepd>(con, &defined, static_cast<const RSKNAMEREC*>(&key),
                                         static_cast<const RSKNAMEREC*>(nullptr), static_cast<const RSKNAMEREC*>(&file),
                                         static_cast<const RSKNAMEREC*>(&type_name),
                                         static_cast<const RSKNAMEREC*>(&sample_name), header) != 0 ||
        defined == nullptr)
        return 1;
    hand_out(out, defined);
    return 0;
}

int rsswebg(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int, int) {
    const auto* report = static_cast<const RSKWEBREP*>(object);
    if (report == nullptr || list == 0) return 1;
    int rc = put_text(list, "OBJTYPE", "RISKWEBREP");
    if (rc == 0) rc = put_text(list, "NAME", text_of(report->name));
    if (rc == 0) rc = put_text(list, "DESC", text_of(report->description));
    if (rc == 0) rc = put_text(list, "TYPE", text_of(report->category));
    if (rc == 0) rc = put_text(list, "WEBHOST", text_of(report->web_host));
    if (rc == 0) rc = put_text(list, "CODEBASE", text_of(report->code_base));
    if (rc == 0) rc = put_number(list, "KIND", report->kind);
    if (rc == 0) rc = put_number(list, "BOOKMARK", report->bookmark);
    if (rc != 0) return rc;
    qor_list_id addresses = new_sublist(con, workspace, "rsswebg");
    if (addresses == 0) return 1;
    for (int i = 0; rc == 0 && i < report->addressee_count; ++i)
        rc = put_text(addresses, "ADDRESS", text_of(report->addressees[i]));
    if (rc == 0) rc = rsoinsl(list, addresses, "ADDRLIST", -1);
    rss_free_list(addresses);
    return rc;
}

int rsswebs(RSKCON* con, uint32_t list, RSKLISTWS*, int, int, RSKCATOBJ** out, RSKCATOBJ* header) {
    RSOCHAR name{}, type{}, host{};
    qor_list_id addresses = 0;
    if (rsogetc(list, "NAME", -1, &name) != 0 || rsogetc(list, "TYPE", -1, &type) != 0 ||
        rsogetc(list, "WEBHOST", -1, &host) != 0 || rsogetl(list, "ADDRLIST", -1, &addresses) != 0)
        return 1;
    const qor_list* items = slistp(list);
    std::string_view description, code_base;
    slgnc(items, "DESC", &description);
    slgnc(items, "CODEBASE", &code_base);
    // Missing numbers (absent or missing values) are 0: no kind beyond the first, no bookmark.
    double kind = 0, bookmark = 0;
    if (slgnd(items, "KIND", &kind, 0) != 0 || qor::is_missing(kind)) kind = 0;
    if (slgnd(items, "BOOKMARK", &bookmark, 0) != 0 || qor::is_missing(bookmark)) bookmark = 0;
    const int count = slcnt(slistp(addresses));
    // The engine copies every text into a block of its own; the name records only point.
    PoolBlock records(con, sizeof(RSKNAMEREC) * static_cast<size_t>(count > 0 ? count : 1));
    if (records.block == nullptr) return 1;
    auto* list_of = static_cast<RSKNAMEREC*>(records.block);
    for (int i = 1; i <= count; ++i) {
        RSOCHAR address{};
        if (rsoitmc(addresses, i, &address) != 0) return 1;
        list_of[i - 1] = record_of(address);
    }
    RSKNAMEREC key = record_of(name), category = record_of(type), web_host = record_of(host),
               text = record_of(description), base = record_of(code_base);
    RSKCATOBJ* defined = nullptr;
    if (engine_call<EngineSlot::rskwebd>(con, &defined, static_cast<const RSKNAMEREC*>(&key),
                                         description.empty() ? nullptr : static_cast<const RSKNAMEREC*>(&text),
                                         static_cast<const RSKNAMEREC*>(&category),
                                         static_cast<const RSKNAMEREC*>(&web_host),
                                         code_base.empty() ? nullptr : static_cast<const RSKNAMEREC*>(&base),
                                         static_cast<int>(kind), static_cast<const RSKNAMEREC*>(list_of), count,
                                         static_cast<int>(bookmark), header) != 0 ||
        defined == nullptr)
        return 1;
    hand_out(out, defined);
    return 0;
}
