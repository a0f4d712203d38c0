// The READ driver rskread: the run prologue, the instrument file definition and its output file,
// each position data set of the source handed to the reader of its format, and the summary.
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstring>

#include "common/files/names.h"
#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/dependencies.h"
#include "engine/compiler/program_phases.h"
#include "engine/files/instrument_file.h"
#include "engine/files/instrument_file_messages.h"
#include "engine/files/instrument_read.h"
#include "engine/model/audit/audit_log.h"
#include "engine/model/control/startup.h"
#include "engine/model/names/name_records.h"
#include "engine/model/paths/search_path.h"
#include "engine/model/positions/instrument_files.h"
#include "engine/model/positions/position_definitions.h"
#include "engine/model/services/catalog.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/value_cells.h"
#include "engine/model/variables/variables.h"
#include "engine/run/pricing.h"
#include "engine/run/run_block.h"
#include "engine/run/run_storage.h"
#include "engine/tables/catalog_table.h"
#include "host/dataset.h"
#include "host/formats.h"
#include "host/kernel.h"
#include "host/print.h"

namespace {

constexpr int kReadAccess = 4;
constexpr int kStartPhase = 0, kEndPhase = 4;
constexpr int kMemoryReport = 4112;

int name_length(const RSKOBJNAME& name) { return static_cast<int>(name.name.length); }
int name_length(const RSKNAMEREC* name) { return name != nullptr ? static_cast<int>(name->length) : 0; }
const char* name_text(const RSKNAMEREC* name) { return name != nullptr && name->text != nullptr ? name->text : ""; }

// The audit entry's date-time stamp in the control structure's DATETIME format: its width.
int audit_stamp(RSKCON* con, char* stamp, int size) {
    int width = static_cast<int>(con->datetime_format.width);
    if (width < 1 || width >= size) width = 19;
    if (xpfs(wzdttme(), width, static_cast<int>(con->datetime_format.handle), stamp) != 0) width = 0;
    return width;
}

// Step 5: everything a run needs before instruments can be read and their input actions run.
int prepare_run(RSKCON* con, const RSKNAMEREC* output) {
    const int out_length = name_length(output);
    const char* out = name_text(output);
    int rc = rskmem0(con);
    if (rc != 0) return xpmlog(598, 2741, out_length, out), rc;
    if ((rc = rskrsv0(con)) != 0) return xpmlog(598, 2742, out_length, out), rc;
    if ((rc = rskmem1(con)) != 0 || (rc = rskmem_value_storage(con, 1)) != 0)
        return xpmlog(598, 2741, out_length, out), rc;
    if ((rc = get_input_actions(con)) != 0) return xpmlog(598, 2746, out_length, out), rc;
    if ((rc = rskmem2(con)) != 0) return xpmlog(598, 2741, out_length, out), rc;
    // No market states are priced by a READ: what rskmem2 laid out does not count in its report.
    RSKRUNBLOCK* run = con->run_block;
    run->memory[RSKMEM_MARKET_VECTORS] = 0;
    run->memory[RSKMEM_CHANGE_MASKS] = 0;
    if ((rc = rskgen0(con)) != 0 || (rc = rskgen1(con)) != 0) return xpmlog(598, 2747, out_length, out), rc;
    if ((rc = rskgcmp(con)) != 0) return xpmlog(598, 2748, out_length, out), rc;
    run->memory[RSKMEM_PROGRAMS] = rskmcmp(con);
    return 0;
}

// Step 6: a library reference replaces the path by its directory.
void apply_libref(RSKCON*, const char* libref, const RSKNAMEREC* output, RSKNAMEREC* path, char* buffer) {
    if (libref == nullptr || libref[0] == ' ' || libref[0] == '\0') return;
    char upper[9] = {};
    for (int i = 0; i < 8; ++i) {
        const char c = libref[i] == '\0' ? ' ' : libref[i];
        upper[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (libref[i] == '\0') {
            for (int k = i + 1; k < 8; ++k) upper[k] = ' ';
            break;
        }
    }
    int used = 8;
    while (used > 0 && upper[used - 1] == ' ') --used;
    const char* directory = nullptr;
    int directory_length = 0;
    if (zlib2ph(upper, &directory, &directory_length) != 0 || directory == nullptr || directory_length <= 0) {
        xpmlog(670, 1179, used, upper);
        return;
    }
    if (path->length > 0) xpmlog(670, 1181, name_length(output), name_text(output));
    const int n = directory_length < kRskPathCapacity ? directory_length : kRskPathCapacity;
    std::memcpy(buffer, directory, static_cast<size_t>(n));
    path->text = buffer;
    path->length = static_cast<uint16_t>(n);
    path->capacity = static_cast<uint16_t>(kRskPathCapacity);
}

// Step 7: the definition, saved in the catalog; the input program's start; the file open for
// output with its filters. *created tells whether the definition is new. 0 or the failure code.
int open_output(RSKCON* con, const RSKNAMEREC* output, const RSKNAMEREC* position_name, const RSKNAMEREC* path,
                const RSKNAMEREC* filters, int filter_count, RSKCATOBJ** definition, bool* created,
                RSKTRANFILE* file) {
    const int out_length = name_length(output);
    const char* out = name_text(output);
    *created = rsktdf(con, output) == nullptr;
    int rc = rsktdfd(con, definition, output, position_name, path->length > 0 ? path : nullptr, nullptr);
    if (rc != 0 || *definition == nullptr) {
        xpmlog(598, 2743, out_length, out);
        return rc != 0 ? rc : 1;
    }
    auto store = catalog_routine<CatalogSlot::rssofis>();
    if (store == nullptr || (rc = store(con, *definition, 0)) != 0) {
        xpmlog(598, 2740, out_length, out);
        return rc != 0 ? rc : 1;
    }
    if ((rc = rskexax(con, kStartPhase)) != 0) {
        xpmlog(598, 2822);
        return rc;
    }
    if ((rc = rsktrao(con, file, *definition, 'O')) != 0) {
        xpmlog(598, 2744, out_length, out);
        return rc;
    }
    if (filter_count > 0 && (rc = rsktraf(con, file, filters, filter_count)) != 0) {
        xpmlog(598, 2745, out_length, out);
        return rc;
    }
    return 0;
}

// Reads one data set of the source: the largest code of finding, opening and reading it.
int read_one(RSKCON* con, const RSKTSOURCE* source, const RSKOBJNAME& name) {
    RSKNAMEREC key{name.name.length, name.name.length, const_cast<char*>(name.buffer)};
    RSKCATOBJ* object = rskdat(con, &key);
    auto* definition = object != nullptr ? static_cast<RSKTDATA*>(rssofiq(con, object, kReadAccess)) : nullptr;
    if (definition == nullptr) {
        xpmlog(598, 1803, name_length(name), name.buffer, name_length(source->name), source->name.buffer);
        return 1;
    }
    RSKREADDS ds{};
    ds.definition = definition;
    char library[9] = "        ";
    member_name member{};
    RSKNAMEREC spec = definition->dataset.name;
    spec.text = definition->dataset.buffer;
    if (spec.length == 0) spec = key;
    int rc = rskpthg(con, &spec, "DATASET ", 1, library, &member, ds.physical, 0);
    if (rc != 0) {
        ds.physical[sizeof ds.physical - 1] = '\0';
        xpmlog(598, 1804, -1, ds.physical, name_length(name), name.buffer, name_length(source->name),
               source->name.buffer);
        return rc;
    }
    ds.physical[sizeof ds.physical - 1] = '\0';
    for (int i = 0; i < 8; ++i) ds.libref[i] = library[i] == '\0' ? ' ' : library[i];
    ds.member_length = member.length;
    std::memcpy(ds.member, member.text, sizeof ds.member);
    if (open_position_dataset(con, &ds) != 0) return 1;
    if (con->audit) {
        char stamp[64];
        const int width = audit_stamp(con, stamp, sizeof stamp);
        rskadtp(con, 598, 3907, width, stamp, name_length(name), name.buffer, -1, ds.physical);
    }
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        v->read_found = 0;
        v->read_number = 0;
    }
    switch (definition->format) {
    case RSKDSFORMAT_SIMPLE: rc = read_flat_dataset(con, &ds); break;
    case RSKDSFORMAT_SPARSE: rc = read_sparse_dataset(con, &ds); break;
    case RSKDSFORMAT_CASH_FLOW: rc = read_cashflows_dataset(con, &ds); break;
    case RSKDSFORMAT_QUADRATIC: rc = read_quad_value_dataset(con, &ds); break;
    case 5:
        xebug("rskread: Points type ds %*s not supported", name_length(name), name.buffer);
        rc = 1;
        break;
    default:
        xebug("rskread: bad ds format code %i for %*s", static_cast<int>(definition->format), name_length(name),
              name.buffer);
        rc = 1;
        break;
    }
    if (ds.get != nullptr) xvgett(ds.get);
    xoclose(ds.data, 0);
    ds.get = nullptr;
    ds.data = nullptr;
    return rc;
}

}  // namespace

int get_input_actions(RSKCON* con) {
    int rc = 0;
    // rskrsv1 resolves the input actions of every type in list order.
    int step = rskrsv1(con);
    if (step > rc) rc = step;
    RSKINSTTYPE* types = con->memory_block != nullptr ? con->memory_block->types_head : nullptr;
    for (RSKINSTTYPE* t = types; t != nullptr; t = t->next) {
        if (!t->price.active || t->run.actions_resolved) continue;
        step = rskrsv5(con, t, &t->price);
        if (step == 0) t->run.actions_resolved = 1;
        if (step > rc) rc = step;
    }
    return rc;
}

int read_pos(RSKCON* con, RSKTSOURCE* source, int32_t* count) {
    *count = 0;
    int rc = 0;
    for (RSKNAMECELL* cell = source->head; cell != nullptr; cell = cell->next) {
        ++*count;
        const int step = read_one(con, source, cell->name);
        if (step > rc) rc = step;
    }
    return rc;
}

int rskread(RSKCON* con, RSKCATOBJ* source_object, const RSKNAMEREC* output, const RSKNAMEREC* path_in,
            const RSKNAMEREC* filters, int filter_count, const char* libref) {
    auto* source = source_object != nullptr ? static_cast<RSKTSOURCE*>(source_object->object) : nullptr;
    if (con == nullptr || source == nullptr) return 1;
    const int out_length = name_length(output);
    const char* out = name_text(output);
    const int source_length = name_length(source->name);
    if (source->count == 0 || source->head == nullptr) {
        xpmlog(598, 1801, source_length, source->name.buffer, out_length, out);
        return 1;
    }
    xpslog(" ");
    xpmlog(598, 2779, out_length, out);
    const auto started = std::chrono::steady_clock::now();

    int rc = 0;
    RSKTRANFILE file{};
    RSKCATOBJ* definition = nullptr;
    bool created = false;
    bool storage = false;
    RSKRUNBLOCK* run = con->run_block;
    RSKSYSVARS* sv = con->system_variables;
    run->read_datasets = 0;
    rsktran_reset(con);

    if (rskpre0(con) != 0) {
        rc = 1;
    } else if (sv == nullptr || sv->inst_type == nullptr) {
        xebug("rskread: read_pos: null sysvar.type.");
        rc = 1;
    } else if (sv->inst_id == nullptr) {
        xpmlog(598, 1253);
        rc = 1;
    }
    if (rc == 0 && con->audit) {
        char stamp[64];
        const int width = audit_stamp(con, stamp, sizeof stamp);
        rskadtp(con, 598, 3906, width, stamp, out_length, out, source_length, source->name.buffer);
    }
    if (rc == 0) {
        storage = true;
        rc = prepare_run(con, output);
    }
    if (rc == 0) {
        RSKNAMEREC path = path_in != nullptr ? *path_in : RSKNAMEREC{0, 0, nullptr};
        char directory[kRskPathCapacity];
        apply_libref(con, libref, output, &path, directory);
        RSKNAMEREC position_name{source->name.name.length, source->name.name.length, source->name.buffer};
        rc = open_output(con, output, &position_name, &path, filters, filter_count, &definition, &created, &file);
    }
    if (rc == 0) {
        run->read_unresolved = 0;
        run->read_write_failed = 0;
        int32_t count = 0;
        if (read_pos(con, source, &count) != 0) {
            xpmlog(598, 2749, out_length, out);
            rc = -2;
        }
        run->read_datasets = count;
        if (rskexax(con, kEndPhase) != 0) xpmlog(598, 2823);
        // A write that failed leaves a partial file: nothing of it is kept.
        if (run->read_write_failed) rc = 3;
        else if (rsktriw(con, &file) != 0) rc = 2;
    }

    if (rc > 0) {
        xpmlog(598, 1802, out_length, out, source_length, source->name.buffer);
        if (con->debug_detail) xpmout(598, 1802, out_length, out, source_length, source->name.buffer);
    }
    const double written = file.open ? file.written : 0;
    if (written < 1) xpmlog(598, 1809, out_length, out);
    if (!con->no_timer) {
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        xpmlog(598, 2777, std::floor(seconds / 60), std::fmod(seconds, 60.0));
    }
    const bool opened = file.open != 0;
    xpmlog(598, 1800, out_length, out, source_length, source->name.buffer, written, opened ? file.records_read : 0.0,
           static_cast<int>(run->read_datasets), opened ? file.accepted : 0.0);
    rsktrac(con, &file);
    if (definition != nullptr && (written < 1 || rc > 0)) {
        if (written < 1) xpmlog(598, 1830, out_length, out);
        // A file that received nothing, or whose writing failed, goes; so does a definition this
        // READ made for it. An older definition stays with whatever file it had.
        if (written < 1 || created) rsktrad(con, definition);
        if (rc <= 0 && rc != -2) rc = -1;
    }
    if (storage) {
        rskmemp(con, kMemoryReport, out, out_length);
        rskmemf(con);
    }
    if (con->audit) {
        char stamp[64];
        const int width = audit_stamp(con, stamp, sizeof stamp);
        const char* outcome = rc != 0 ? "failed" : "succeeded";
        rskadtp(con, 598, 3908, width, stamp, out_length, out, source_length, source->name.buffer,
                static_cast<int>(std::strlen(outcome)), outcome);
    }
    return rc;
}
