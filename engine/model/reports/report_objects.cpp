// Batch reports: look-up, definition on a catalog object of kind 17 (refused when a web report or
// host-product report holds the name), release, listing and the run of the source file.
#include <cstring>

#include "engine/model/control/out_of_memory.h"
#include "engine/model/names/name_records.h"
#include "engine/model/paths/search_path.h"
#include "engine/model/reports/reports.h"
#include "engine/model/services/catalog.h"
#include "engine/model/submission/code_submission.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/tables/free_lists.h"
#include "engine/tables/object_tables.h"
#include "host/files.h"
#include "host/print.h"

namespace {

constexpr int kReportChunk = 10;

int length_of(const RSKNAMEREC* name) { return name != nullptr && name->text != nullptr ? name->length : 0; }
int length_of(const RSKOBJNAME& name) { return name.name.text != nullptr ? name.name.length : 0; }
int length_of(const RSKPATHNAME& path) { return path.name.text != nullptr ? path.name.length : 0; }

RSKREPORT* take_report(RSKCON* con) {
    RSKREPORT* report = rsk_take_record(con, con->free_lists->reports, kReportChunk, "report structure");
    if (report == nullptr) con->error = 1;
    return report;
}

// Warns when the source file cannot be found along the search path.
void check_path(RSKCON* con, const RSKNAMEREC* name, const RSKNAMEREC* path) {
    const int length = length_of(path);
    if (length == 0 || con->reading_datasets) return;
    char spec[QOR_PATH_MAX];
    char found[QOR_PATH_MAX];
    if (length >= QOR_PATH_MAX) {
        xpmlog(598, 1922, length, path->text, length_of(name), name->text);
        return;
    }
    std::memcpy(spec, path->text, static_cast<size_t>(length));
    spec[length] = '\0';
    if (rskpthy(con, spec, found, 0) != 0) xpmlog(598, 1922, length, path->text, length_of(name), name->text);
}

}  // namespace

RSKCATOBJ* rskrep(RSKCON* con, const RSKNAMEREC* name) {
    if (con == nullptr || con->current_tables == nullptr || name == nullptr) return nullptr;
    return static_cast<RSKCATOBJ*>(rsksym(con, &con->current_tables->tables[RSKTAB_REPORTS], name));
}

int rskrepd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* catalog_argument,
            const RSKNAMEREC* path, const RSKNAMEREC* type, const RSKNAMEREC* sample_output, RSKCATOBJ* object) {
    if (out != nullptr) *out = nullptr;
    if (con == nullptr || name == nullptr) return 1;
    if (rskweb(con, name) != nullptr) {
        xpslog("%1z%*s already exists as an web report.", length_of(name), name->text);
        return 1;
    }
    if (rssrpt(con, name) != nullptr) {
        xpslog("%1z%*s already exists as an ZUQ report.", length_of(name), name->text);
        return 1;
    }
    RSKOBJNAME new_name{};
    rskname(con, &new_name, name->text, name->length);

    RSKCATOBJ* existing = object != nullptr ? object : rskrep(con, name);
    RSKREPORT* fresh = nullptr;
    if (existing == nullptr || existing->object == nullptr) {
        fresh = take_report(con);
        if (fresh == nullptr) return 1;
    }
    RSKCATOBJ* header = object;
    if (header == nullptr &&
        (rssofid(con, &header, name, catalog_argument, RSKKIND_REPORT) != 0 || header == nullptr)) {
        if (fresh != nullptr) rsk_give_free(con->free_lists->reports, fresh);
        return 1;
    }
    auto* report = static_cast<RSKREPORT*>(header->object);
    if (report != nullptr) {
        std::memset(static_cast<void*>(report), 0, sizeof *report);
        if (fresh != nullptr) rsk_give_free(con->free_lists->reports, fresh);
    } else {
        if (fresh == nullptr) fresh = take_report(con);
        if (fresh == nullptr) return 1;
        report = fresh;
        header->object = report;
    }
    rskname(con, &report->name, new_name.buffer, new_name.name.length);
    check_path(con, &report->name.name, path);
    if (length_of(path) > 0) rskpnam(con, &report->path, path->text, path->length);
    if (length_of(type) > 0) rskname(con, &report->type, type->text, type->length);
    if (length_of(sample_output) > 0) rskname(con, &report->sample_output, sample_output->text, sample_output->length);
    if (out != nullptr) *out = header;
    return 0;
}

int rskrepf(RSKCON* con, RSKREPORT* report) {
    if (con == nullptr || report == nullptr) return 0;
    std::memset(static_cast<void*>(report), 0, sizeof *report);
    rsk_give_free(con->free_lists->reports, report);
    return 0;
}

int rskrepp(RSKCON* con, RSKREPORT* report) {
    if (report == nullptr) return 0;
    xpmout(598, 2245, length_of(report->name), report->name.buffer);
    // Under GENERIC a path of this machine is not shown, so listings compare across machines.
    if (con != nullptr && con->generic && length_of(report->path) > 0 && report->path.buffer[0] == '/')
        xpmout(598, 2246, -1, "<System-specific pathname>");
    else
        xpmout(598, 2246, length_of(report->path), report->path.buffer);
    xpsout("Type=%*s, Sample Output=%*s.", length_of(report->type), report->type.buffer,
           length_of(report->sample_output), report->sample_output.buffer);
    xpskip(1);
    xpoflsh(0);
    return 0;
}

int rskrepr(RSKCON* con, RSKREPORT* report) {
    if (con == nullptr || report == nullptr || length_of(report->path) == 0) return 1;
    return rsksfde(con, report->path.buffer, report->path.name.length);
}
