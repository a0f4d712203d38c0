// The generated data set handle (open and close for reading back) and the generated text: lines
// built in growing storage and submitted one by one between the reset line and the closing line.
#include <cstdarg>
#include <initializer_list>
#include <cstring>

#include "engine/model/submission/code_submission.h"
#include "engine/output/result_datasets.h"
#include "engine/output/rskgds.h"
#include "engine/run/run_block.h"
#include "host/dataset.h"
#include "host/pool.h"
#include "host/print.h"

namespace {

// The line that ends any open comment, quoted string and step before a generated text.
constexpr const char* kResetLine = "/* '; /* \"; /* */ ; run; options nosyntaxcheck replace obs=max;";

void out_of_memory(RSKCON* con, size_t bytes) {
    if (con->no_memory_reported == 0) {
        con->no_memory_reported = 1;
        xpmlog(598, 2797, static_cast<long>(bytes), "generated code text");
    }
}

bool debugging(const RSKCON* con) { return (con->debug_categories & RSKDEBUG_ON) != 0; }

int trimmed(const char* text, int length) {
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\0')) --length;
    return length;
}

}  // namespace

// ---- handle ----

void rskgds_name(RSKGDSHANDLE* handle, const char* libref, const char* member, int member_length,
                 int view) {
    std::memset(handle, 0, sizeof *handle);
    std::memset(handle->libref, ' ', sizeof handle->libref);
    int n = 0;
    for (; n < 8 && libref != nullptr && libref[n] != '\0'; ++n) handle->libref[n] = libref[n];
    if (member_length < 0) member_length = static_cast<int>(std::strlen(member));
    member_length = trimmed(member, member_length);
    if (member_length > kRskObjectNameCapacity) member_length = kRskObjectNameCapacity;
    std::memcpy(handle->member.buffer, member, static_cast<size_t>(member_length));
    handle->member.name.text = handle->member.buffer;
    handle->member.name.length = static_cast<uint16_t>(member_length);
    handle->member.name.capacity = kRskObjectNameCapacity;
    handle->view = view != 0 ? 1 : 0;
}

int rskgdso(RSKCON*, RSKGDSHANDLE* handle) {
    qor_open_request request{};
    for (int i = 0; i < 8; ++i) {
        const char c = handle->libref[i];
        request.libref[i] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    }
    std::memcpy(handle->libref, request.libref, 8);
    request.member.length = static_cast<int16_t>(handle->member.name.length > 32 ? 32 : handle->member.name.length);
    std::memcpy(request.member.text, handle->member.buffer, static_cast<size_t>(request.member.length));
    std::memcpy(request.member_type, handle->view ? "DATAVIEW" : "DATASET ", 8);
    request.mode = QOR_OPEN_INPUT;
    qor_dataset* dataset = nullptr;
    const int rc = xoopen(&dataset, &request);
    if (rc != 0) {
        xprrlog(1, rc);
        // The host's text names no member: say which one.
        xpslog("%1zThe data set %8v.%*s could not be opened.", handle->libref,
               static_cast<int>(handle->member.name.length), handle->member.buffer);
        handle->error = 1;
        return 99;
    }
    handle->dataset = dataset;
    handle->open = 1;
    handle->error = 0;
    return 0;
}

int rskgdsc_handle(RSKCON*, RSKGDSHANDLE* handle) {
    int rc = 0;
    if (handle->variables != nullptr) {
        if (xvgett(handle->variables) != 0) rc = 1;
        handle->variables = nullptr;
    }
    if (handle->dataset != nullptr) {
        if (xoclose(handle->dataset, 0) != 0 && rc == 0) rc = 2;
        handle->dataset = nullptr;
    }
    handle->open = 0;
    return rc;
}

// ---- text ----

void rskgds_text_init(RSKGDSTEXT* text, RSKCON* con) {
    std::memset(text, 0, sizeof *text);
    text->con = con;
}

int rskgds_line(RSKGDSTEXT* text, const char* format, ...) {
    if (text->failed) return 1;
    char small[256];
    va_list args;
    va_start(args, format);
    const int length = qor_vformat(small, sizeof small, format, args);
    va_end(args);
    if (length < 0) {
        text->failed = 1;
        return 1;
    }
    const size_t needed = text->used + static_cast<size_t>(length) + 1;
    if (needed > text->capacity) {
        size_t grown = text->capacity < 1024 ? 1024 : text->capacity * 2;
        while (grown < needed) grown *= 2;
        qor_pool* pool = text->con->general_pool;
        char* bytes = text->bytes == nullptr
                          ? static_cast<char*>(xmalloc_labelled(pool, grown, QOR_ALLOC_PLAIN, "generated code text"))
                          : static_cast<char*>(xmrealc(pool, text->bytes, text->capacity, grown, QOR_ALLOC_PLAIN));
        if (bytes == nullptr) {
            out_of_memory(text->con, grown);
            text->failed = 1;
            return 1;
        }
        text->bytes = bytes;
        text->capacity = grown;
    }
    if (static_cast<size_t>(length) < sizeof small) {
        std::memcpy(text->bytes + text->used, small, static_cast<size_t>(length) + 1);
    } else {
        va_start(args, format);
        qor_vformat(text->bytes + text->used, static_cast<size_t>(length) + 1, format, args);
        va_end(args);
    }
    text->used = needed;
    ++text->lines;
    return 0;
}

const char* rskgds_text_line(const RSKGDSTEXT* text, int index) {
    if (index < 0 || index >= text->lines) return nullptr;
    const char* at = text->bytes;
    for (int i = 0; i < index; ++i) at += std::strlen(at) + 1;
    return at;
}

void rskgds_text_free(RSKGDSTEXT* text) {
    if (text->bytes != nullptr) {
        auto* pool = text->con->general_pool;
        pool->release(pool, text->bytes, text->capacity, QOR_FREE_SIZED);
    }
    text->bytes = nullptr;
    text->used = text->capacity = 0;
    text->lines = 0;
}

int rskgds_submit(RSKCON* con, RSKGDSTEXT* text) {
    if (text->failed) {
        rskgds_text_free(text);
        return 1;
    }
    auto* context = static_cast<RSKSUBMITCTX*>(con->submission_context);
    if (context == nullptr) {
        rskgds_text_free(text);
        xebug("rskgds: no code submission context.");
        return 1;
    }
    const long on = debugging(con) ? 1L : 0L;
    const RSKOPTREQ options[2] = {{"NOTES", on, nullptr, RSKSUBOPT_BOOLEAN},
                                  {"SOURCE", on, nullptr, RSKSUBOPT_BOOLEAN}};
    int rc = zsubmitz(kResetLine, -1, context, 0, 2, options);
    const char* line = text->bytes;
    for (int i = 0; i < text->lines && rc == 0; ++i) {
        const bool last = i == text->lines - 1;
        rc = zsubmitz(line, -1, context, last ? 1 : 0, 2, options);
        line += std::strlen(line) + 1;
    }
    rskgds_text_free(text);
    return rc;
}

// ---- shape ----

void rskgds_shape(RSKCON* con, RSKGDSSHAPE* shape) {
    std::memset(shape, 0, sizeof *shape);
    const RSKRUNRESULTS* r = con->run_block != nullptr ? rskres_run(con) : nullptr;
    if (r == nullptr) return;
    auto requested = [r](int kind) { return r->descriptors[kind].requested != 0 || r->descriptors[kind].open != 0; };
    shape->join_names = requested(RSKRES_SENS) || requested(RSKRES_PARTIALDUR);
    shape->names = shape->join_names || requested(RSKRES_PLSURF);
    shape->name_only = !shape->names && requested(RSKRES_PLCURVE);
    shape->simulation_columns = r->several_cases;
    shape->time_columns = r->simulation;
    shape->datetime = r->datetime_grid;
    // Exposures: set by the run, or asked of the summary, simulation or value members.
    shape->exposure = con->run_block->gds.exposure_column;
    for (int kind : {RSKRES_SUMMARY, RSKRES_SIMSTAT, RSKRES_SIMDENS, RSKRES_SIMVALUE})
        if (r->descriptors[kind].request_exposure) shape->exposure = 1;
}
