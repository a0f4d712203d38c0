// Opening the result data set of one kind for the current run: its member name and label, the
// data set in the output object's library, its file entry, the level pass and its columns.
#include <cstring>

#include "engine/model/control/out_of_memory.h"
#include "engine/model/names/name_records.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/variables/variable_record.h"
#include "engine/output/output_object.h"
#include "engine/output/result_kinds.h"
#include "engine/run/run_block.h"
#include "host/dataset.h"
#include "host/print.h"

namespace {

constexpr int kFileEntryChunk = 20;
constexpr uint32_t kStorageClassMask = 0x803FFFFFu;
constexpr uint32_t kStorageClass = 0x80000803u;

void set_member(RSKRESDS* resds, const char* text) {
    resds->member.name.capacity = kRskObjectNameCapacity;
    resds->member.name.text = resds->member.buffer;
    // The length runs to the terminating zero: a trailing blank stays part of the name.
    int length = static_cast<int>(std::strlen(text));
    if (length > kRskObjectNameCapacity) length = kRskObjectNameCapacity;
    std::memcpy(resds->member.buffer, text, static_cast<size_t>(length));
    resds->member.name.length = static_cast<uint16_t>(length);
}

// The label of message 598/number, cut to 256 characters, into the blank-filled label field.
void set_label(RSKRESDS* resds, int number) {
    std::memset(resds->label, ' ', sizeof resds->label);
    resds->label_text = resds->label;
    char text[kRskLabelCapacity + 1];
    int length = 0;
    if (xpmtext(598, number, text, sizeof text, &length) != 0) length = 0;
    if (length > kRskLabelCapacity) length = kRskLabelCapacity;
    std::memcpy(resds->label, text, static_cast<size_t>(length));
    resds->label_length = static_cast<int16_t>(length);
}

bool debugging(const RSKCON* con) { return (con->debug_categories & RSKDEBUG_ON) != 0; }

const char* libref_of(const RSKOUTOBJ* object) { return object != nullptr ? object->libref : "        "; }

// Opens the member for output in the object's library and keeps the handle. 0 | 1.
int open_dataset(RSKCON* con, RSKRESDS* resds) {
    qor_open_request request{};
    std::memcpy(request.libref, libref_of(resds->output_object), 8);
    request.member.length = static_cast<int16_t>(resds->member.name.length);
    std::memcpy(request.member.text, resds->member.buffer, resds->member.name.length);
    std::memcpy(request.member_type, "DATA    ", 8);
    request.mode = QOR_OPEN_OUTPUT;
    qor_dataset* dataset = nullptr;
    int rc = xoopen(&dataset, &request);
    if (rc == 0) {
        const int length = resds->label_length < int{QOR_DS_LABEL_MAX} ? resds->label_length : int{QOR_DS_LABEL_MAX};
        if (length > 0) rc = xolabel(dataset, resds->label, length);
        if (rc != 0) {
            xoclose(dataset, 1);
            dataset = nullptr;
        }
    }
    if (rc != 0) {
        xprrlog(1, rc);
        xpmlog(598, 2510, 8, libref_of(resds->output_object), resds->member.name.length,
               resds->member.buffer);
        if ((static_cast<uint32_t>(rc) & kStorageClassMask) == kStorageClass) {
            RSKRUNRESULTS* r = rskres_run(con);
            if (r != nullptr) r->stop = 1;
            con->no_memory_reported = 1;
        }
        return 1;
    }
    resds->dataset = dataset;
    return 0;
}

// Opens the multidimensional database beside the data set after its level pass; a database
// that cannot be opened is dropped and the data set goes on alone.
int open_database(RSKCON* con, RSKRESDS* resds, RSKVARSWITCH* sw, RSKOUTOBJ* object) {
    RSKRUNRESULTS* r = rskres_run(con);
    int rc = get_levels(con, resds, sw);
    if (rc != 0) {
        if (debugging(con)) xebug("rskputd: get_levels failed for %u.", &resds->member.name);
        xpmlog(598, 2512, resds->member.name.length, resds->member.buffer);
        return rc;
    }
    RSKOBJNAME member = resds->member;
    member.name.text = member.buffer;
    if (con->options->current.instvals) {
        std::memcpy(member.buffer, "INSTVALS", 8);
        member.name.length = 8;
    }
    void* handle = nullptr;
    const int open_rc =
        r->mddb.open != nullptr
            ? r->mddb.open(con, resds, r->class_vars, r->class_var_count, libref_of(object),
                           &member, resds->label, &handle)
            : 1;
    if (open_rc != 0 || handle == nullptr) {
        xpmlog(598, 2512, resds->member.name.length, resds->member.buffer);
        if (debugging(con)) xpslog("Debug note: Error opening MDDB file %u.", &resds->member.name);
        resds->database = sw->database = 0;
        return 0;
    }
    resds->database_handle = handle;
    resds->database_active = 1;
    return add_output_file(con, object, resds, RSKOUTFILE_MDDB);
}

}  // namespace

int add_output_file(RSKCON* con, RSKOUTOBJ* object, RSKRESDS* resds, int kind) {
    if (object == nullptr) return 0;
    RSKOUTFILE* entry = rsk_take_record<RSKOUTFILE>(con, con->free_lists->output_files,
                                                    kFileEntryChunk, "output file entries");
    if (entry == nullptr) return 1;
    entry->file_kind = kind;
    entry->result_kind = resds->kind;
    entry->member.name.capacity = kRskObjectNameCapacity;
    entry->member.name.text = entry->member.buffer;
    std::memcpy(entry->member.buffer, resds->member.buffer, resds->member.name.length);
    entry->member.name.length = resds->member.name.length;
    // The file lives in the object's own directory.
    entry->path.name.capacity = kRskPathCapacity;
    entry->path.name.text = entry->path.buffer;
    const int path_length = object->path != nullptr ? object->path_length : 0;
    if (path_length > 0) std::memcpy(entry->path.buffer, object->path, static_cast<size_t>(path_length));
    entry->path.name.length = static_cast<uint16_t>(path_length);
    entry->next = nullptr;
    if (object->files_tail != nullptr)
        object->files_tail->next = entry;
    else
        object->files_head = entry;
    object->files_tail = entry;
    ++object->file_count;
    return 0;
}

// The generated views among the view kinds: STATES, ALLPRICE and ALLCASHFLOW (whose suffix is
// what follows its kind's name in the member name). 0 or the submission's code.
static int define_view(RSKCON* con, RSKOUTOBJ* object, const RSKRESDS* resds) {
    const char* member = resds->member.buffer;
    const int length = resds->member.name.length;
    switch (resds->kind) {
    case RSKRES_STATES:
        return create_states(con, object, member, length);
    case RSKRES_ALLPRICE:
        return create_values(con, object, member, length);
    case RSKRES_ALLCASHFLOW: {
        constexpr int kStem = 11;   // "ALLCASHFLOW"
        return create_all_cfs(con, object, member + kStem, length > kStem ? length - kStem : 0);
    }
    default:
        return 0;
    }
}

int rskputd(RSKCON* con, RSKRESDS** out, RSKOUTOBJ* object, int kind) {
    if (out != nullptr) *out = nullptr;
    RSKRUNRESULTS* r = rskres_run(con);
    if (r == nullptr || con->options == nullptr) return 1;
    const RSKOPTREC* o = &con->options->current;
    if (!r->row_ready) rskres_init_row(r);
    RSKVARSWITCH sw;
    std::memset(&sw, 0, sizeof sw);

    // View kinds use a descriptor that lives for this call only.
    RSKRESDS view{};
    const bool known = kind >= 1 && kind <= kRskResKindMax && rskres_label_number(kind) != 0;
    if (!known) {
        xebug("rskputd: unknown output data set type %i", kind);
        return 1;
    }
    const bool is_view = rskres_destination(o, kind) == RSKDEST_VIEW;
    RSKRESDS* resds = is_view ? &view : &r->descriptors[kind];
    rskres_kind_switches(r, o, kind, &sw, resds);
    if (resds->open) {
        if (out != nullptr) *out = resds;
        return 0;
    }

    resds->output_object = object;
    resds->crossing = static_cast<uint8_t>(sw.crossing);
    resds->database = sw.database;
    resds->destination = sw.destination;
    resds->factor_mode = static_cast<uint8_t>(sw.factor_mode);
    resds->kind = kind;
    char member[40];
    rskres_member_name(r, kind, member, sizeof member);
    set_member(resds, member);
    set_label(resds, rskres_label_number(kind));

    if (resds->destination == RSKDEST_VIEW) {
        // Defining the STATES view puts the risk factors into STATES_V.
        if (kind == RSKRES_STATES) r->descriptors[RSKRES_STATES_V].factor_mode = 1;
        const int listed = add_output_file(con, object, resds, RSKOUTFILE_DATA);
        if (listed != 0) return listed;
        return define_view(con, object, resds);
    }
    if (resds->destination == RSKDEST_DATASET || resds->destination == RSKDEST_BARE_DATASET) {
        const int rc = open_dataset(con, resds);
        if (rc != 0) {
            xpmlog(598, 2511, 8, libref_of(object), resds->member.name.length, resds->member.buffer);
            if (debugging(con)) xpslog("Debug note: Error opening data set file %u.", &resds->member.name);
            return rc;
        }
        const int file_rc = add_output_file(con, object, resds, RSKOUTFILE_DATA);
        if (file_rc != 0) {
            xoclose(resds->dataset, 1);
            resds->dataset = nullptr;
            return file_rc;
        }
    }
    if (resds->database) {
        const int rc = open_database(con, resds, &sw, object);
        if (rc != 0) {
            // The data set stays open and listed: it is closed with the others at the run's end.
            resds->open = 1;
            if (out != nullptr) *out = resds;
            return rc;
        }
    }

    resds->open = 1;
    const int rc = define_variables(con, resds, &sw);
    if (rc != 0) {
        xpmlog(598, 2513, resds->member.name.length, resds->member.buffer);
        if (debugging(con)) xpslog("Debug note: Error adding variables to %u.", &resds->member.name);
    }
    if (kind == RSKRES_ALLPRICE_P)
        for (int i = 0; i < r->class_var_count; ++i)
            if (r->class_vars[i].variable != nullptr)
                r->class_vars[i].variable->class_flags &= static_cast<uint8_t>(~RSKVAROUT_CLASS);
    if (out != nullptr) *out = resds;
    return rc;
}
