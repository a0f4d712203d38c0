// Web reports: look-up, definition on a catalog object of kind 25 (refused when a batch report or
// host-product report holds the name), release and listing. The record owns copies of its texts
// and addressees in one block, so nothing it frees was ever the caller's.
#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/names/name_records.h"
#include "engine/model/reports/reports.h"
#include "engine/model/services/catalog.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/tables/free_lists.h"
#include "engine/tables/object_tables.h"
#include "host/print.h"

namespace {

constexpr int kWebReportChunk = 10;

const RSKWEBKIND kKinds[RSKWEB_KIND_COUNT] = {
    {"SIM", "SimDens", 7},
    {"PLC", "PLCurve", 7},
    {"PLS", "PLSurf", 6},
};

size_t length_of(const RSKNAMEREC* name) {
    return name != nullptr && name->text != nullptr ? name->length : 0;
}
int length_of(const RSKOBJNAME& name) { return name.name.text != nullptr ? name.name.length : 0; }

// The texts a web report owns, laid out in one block: the addressee array, then the texts.
struct OwnedTexts {
    char* block = nullptr;
    size_t size = 0;
    RSKNAMEREC description{}, web_host{}, code_base{};
    RSKNAMEREC* addressees = nullptr;
};

// Copies `from` into the block at `at` and points `to` at the copy.
void place(char*& at, RSKNAMEREC& to, const RSKNAMEREC* from) {
    const size_t n = length_of(from);
    to = RSKNAMEREC{static_cast<uint16_t>(n), static_cast<uint16_t>(n), n > 0 ? at : nullptr};
    if (n > 0) std::memcpy(at, from->text, n);
    at += n;
}

// One block holding every text; false after 598/2797 when the pool has no memory.
bool copy_texts(RSKCON* con, OwnedTexts& owned, const RSKNAMEREC* description, const RSKNAMEREC* web_host,
                const RSKNAMEREC* code_base, const RSKNAMEREC* addressees, int count) {
    size_t bytes = length_of(description) + length_of(web_host) + length_of(code_base);
    if (addressees != nullptr && count > 0) {
        bytes += sizeof(RSKNAMEREC) * static_cast<size_t>(count);
        for (int i = 0; i < count; ++i) bytes += length_of(&addressees[i]);
    }
    if (bytes == 0) return true;
    owned.block = static_cast<char*>(vmalcp_handler(con->general_pool, bytes, QOR_ALLOC_ZERO));
    if (owned.block == nullptr) {
        rsknomem(con, bytes, "web report texts");
        con->error = 1;
        return false;
    }
    owned.size = bytes;
    char* at = owned.block;
    if (addressees != nullptr && count > 0) {
        owned.addressees = reinterpret_cast<RSKNAMEREC*>(at);
        at += sizeof(RSKNAMEREC) * static_cast<size_t>(count);
        for (int i = 0; i < count; ++i) place(at, owned.addressees[i], &addressees[i]);
    }
    place(at, owned.description, description);
    place(at, owned.web_host, web_host);
    place(at, owned.code_base, code_base);
    return true;
}

void free_texts(RSKCON* con, char* block, size_t size) {
    if (block != nullptr) vmfree_handler(con->general_pool, block, size, QOR_FREE_SIZED);
}

RSKWEBREP* take_web_report(RSKCON* con) {
    RSKWEBREP* report = rsk_take_record(con, con->free_lists->web_reports, kWebReportChunk, "web report structure");
    if (report == nullptr) con->error = 1;
    return report;
}

// Empties a record in use: its texts go back to the pool.
void clear(RSKCON* con, RSKWEBREP* report) {
    free_texts(con, report->texts, report->texts_size);
    std::memset(static_cast<void*>(report), 0, sizeof *report);
}

}  // namespace

const RSKWEBKIND* rskweb_kind(int32_t kind) {
    return kind >= 0 && kind < RSKWEB_KIND_COUNT ? &kKinds[kind] : nullptr;
}

RSKCATOBJ* rskweb(RSKCON* con, const RSKNAMEREC* name) {
    if (con == nullptr || con->current_tables == nullptr || name == nullptr) return nullptr;
    return static_cast<RSKCATOBJ*>(rsksym(con, &con->current_tables->tables[RSKTAB_WEBREPORTS], name));
}

int rskwebd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* description,
            const RSKNAMEREC* category, const RSKNAMEREC* web_host, const RSKNAMEREC* code_base, int kind,
            const RSKNAMEREC* addressees, int addressee_count, int bookmark, RSKCATOBJ* object) {
    if (out != nullptr) *out = nullptr;
    if (con == nullptr || name == nullptr) return 1;
    const int name_length = static_cast<int>(length_of(name));
    if (rskrep(con, name) != nullptr) {
        xpslog("%1z%*s already exists as an batch report.", name_length, name->text);
        return 1;
    }
    if (rssrpt(con, name) != nullptr) {
        xpslog("%1z%*s already exists as an ZUQ report.", name_length, name->text);
        return 1;
    }
    if (rskweb_kind(kind) == nullptr) {
        xebug("rskwebd: invalid web report kind %i.", kind);
        return 1;
    }
    if (addressees == nullptr || addressee_count < 0) addressee_count = 0;
    RSKOBJNAME new_name{};
    rskname(con, &new_name, name->text, name->length);

    // Everything that can run out of memory is had before the object is touched.
    OwnedTexts owned;
    if (!copy_texts(con, owned, description, web_host, code_base, addressees, addressee_count)) return 1;
    RSKCATOBJ* existing = object != nullptr ? object : rskweb(con, name);
    RSKWEBREP* fresh = nullptr;
    if (existing == nullptr || existing->object == nullptr) {
        fresh = take_web_report(con);
        if (fresh == nullptr) {
            free_texts(con, owned.block, owned.size);
            return 1;
        }
    }
    RSKCATOBJ* header = object;
    if (header == nullptr &&
        (rssofid(con, &header, name, description, RSKKIND_WEBREPORT) != 0 || header == nullptr)) {
        if (fresh != nullptr) rsk_give_free(con->free_lists->web_reports, fresh);
        free_texts(con, owned.block, owned.size);
        return 1;
    }
    auto* report = static_cast<RSKWEBREP*>(header->object);
    if (report != nullptr) {
        clear(con, report);
        if (fresh != nullptr) rsk_give_free(con->free_lists->web_reports, fresh);
    } else {
        if (fresh == nullptr) fresh = take_web_report(con);
        if (fresh == nullptr) {
            free_texts(con, owned.block, owned.size);
            return 1;
        }
        report = fresh;
        header->object = report;
    }
    rskname(con, &report->name, new_name.buffer, new_name.name.length);
    if (length_of(category) > 0) rskname(con, &report->category, category->text, category->length);
    report->bookmark = bookmark != 0 ? 1 : 0;
    report->description = owned.description;
    report->web_host = owned.web_host;
    report->code_base = owned.code_base;
    report->kind = kind;
    report->addressee_count = owned.addressees != nullptr ? addressee_count : 0;
    report->addressees = owned.addressees;
    report->texts = owned.block;
    report->texts_size = owned.size;
    if (out != nullptr) *out = header;
    return 0;
}

int rskwebf(RSKCON* con, RSKWEBREP* report) {
    if (con == nullptr || report == nullptr) return 0;
    clear(con, report);
    rsk_give_free(con->free_lists->web_reports, report);
    return 0;
}

int rskwebp(RSKCON*, RSKWEBREP* report) {
    if (report == nullptr) return 0;
    xpsout("%n  Listing of Web Report Object %*s", length_of(report->name), report->name.buffer);
    xpsout("      Category= %*s", length_of(report->category), report->category.buffer);
    if (report->description.length > 0)
        xpsout("      Desc= %*s", static_cast<int>(report->description.length), report->description.text);
    if (report->code_base.length > 0)
        xpsout("      Webhost/Codebase= %*s/%*s", static_cast<int>(report->web_host.length), report->web_host.text,
               static_cast<int>(report->code_base.length), report->code_base.text);
    else
        xpsout("      Webhost= %*s", static_cast<int>(report->web_host.length), report->web_host.text);
    const RSKWEBKIND* kind = rskweb_kind(report->kind);
    xpsout("      Kind= %*s", kind != nullptr ? 3 : 9, kind != nullptr ? kind->code : "*unknown*");
    for (int i = 0; i < report->addressee_count; ++i) {
        const RSKNAMEREC& a = report->addressees[i];
        if (i == 0) xpsout("      Email Addressees= %*s", static_cast<int>(a.length), a.text);
        else xpsout("                        %*s", static_cast<int>(a.length), a.text);
    }
    xpskip(1);
    xpoflsh(0);
    return 0;
}
