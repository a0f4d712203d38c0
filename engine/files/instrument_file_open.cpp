// Opening and closing instrument utility files: the members' library, the headers of both
// members with their fingerprints and stamps, and the close that commits nothing half-written.
#include <cstring>
#include <string>

#include "common/files/names.h"
#include "common/strings/fields.h"
#include "engine/files/instrument_file.h"
#include "engine/files/instrument_file_internal.h"
#include "engine/files/instrument_file_messages.h"
#include "engine/model/filters/instrument_filters.h"
#include "engine/model/paths/search_path.h"
#include "engine/model/positions/instrument_files.h"
#include "engine/model/services/catalog.h"
#include "engine/run/run_block.h"
#include "host/catalog.h"
#include "host/kernel.h"
#include "host/missing.h"
#include "host/options.h"
#include "host/print.h"

namespace {

constexpr char kMemberType[] = "PUTILITY";
constexpr char kSecondEngine[] = "V612    ";
constexpr int kFetchDefinition = 4;
constexpr uint32_t kModeInput = 1, kModeOutput = 2, kStreamBit = 0x2000000;
constexpr double kFixedDateTime = 1262304000.0;   // 1 January 2000, midnight

int name_length(const RSKOBJNAME& name) { return static_cast<int>(name.name.length); }

std::string libref_text(const char* libref) {
    std::string text(libref, 8);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
    return text;
}

void set_libref(char* out, const char* libref) {
    std::memset(out, ' ', 8);
    const size_t n = strnlen(libref, 8);
    std::memcpy(out, libref, n);
    for (size_t i = 0; i < 8; ++i)
        if (out[i] == '\0') out[i] = ' ';
}

bool blank_libref(const char* libref) { return libref_text(libref).empty(); }

// Assigns a library reference to a directory (remembered for termination when new): 0 or 1.
int assign_directory(RSKCON* con, const char* path, int length, char* libref, const char* engine) {
    char assigned[9] = {};
    int fresh = 0;
    if (zlibnam(path, length, assigned, nullptr, nullptr, &fresh, engine) != 0) return 1;
    set_libref(libref, assigned);
    if (fresh) rskpths(con, assigned);
    return 0;
}

// Both members exist in the library.
bool members_in(const char* libref, const RSKTFILE* d) {
    const std::string ref = libref_text(libref);
    return zdfxst(ref.c_str(), d->data_member, d->data_member_length, kMemberType) == 0 &&
           zdfxst(ref.c_str(), d->info_member, d->info_member_length, kMemberType) == 0;
}

// The library of the current environment: assigned (and its directory made) when blank.
int environment_library(RSKCON* con, char* libref) {
    RSKENV* env = con->current_environment;
    if (env == nullptr) return 1;
    if (!blank_libref(env->libref)) {
        std::memcpy(libref, env->libref, 8);
        return 0;
    }
    const int length = static_cast<int>(env->path.name.length);
    if (length <= 0) return 1;
    if (zfexist(env->path.buffer, length) != 0 && zmkdir(env->path.buffer, length) != 0) return 1;
    if (assign_directory(con, env->path.buffer, length, env->libref, nullptr) != 0) return 1;
    std::memcpy(libref, env->libref, 8);
    return 0;
}

int prepare_output_directory(RSKCON* con, RSKTRANFILE* file, RSKTFILE* d) {
    const int length = static_cast<int>(d->file_name.name.length);
    if (length == 0) return environment_library(con, file->libref);
    if (zfexist(d->file_name.buffer, length) != 0 && zmkdir(d->file_name.buffer, length) != 0) {
        xpmlog(598, 1744, length, d->file_name.buffer, name_length(d->name), d->name.buffer);
        return 1;
    }
    return assign_directory(con, d->file_name.buffer, length, file->libref, nullptr);
}

int prepare_input_directory(RSKCON* con, RSKTRANFILE* file, RSKTFILE* d) {
    const int length = static_cast<int>(d->file_name.name.length);
    RSKENV* env = con->current_environment;
    if (length > 0) {
        char engine[9] = {};
        const char* wanted = nullptr;
        if (env != nullptr && !blank_libref(env->libref) && zlibeng(libref_text(env->libref).c_str(), engine) == 0)
            wanted = engine;
        if (assign_directory(con, d->file_name.buffer, length, file->libref, wanted) == 0 &&
            members_in(file->libref, d))
            return 0;
        xpmlog(598, 1754, name_length(d->name), d->name.buffer, length, d->file_name.buffer);
    }
    if (env != nullptr && environment_library(con, file->libref) == 0 && members_in(file->libref, d)) return 0;
    RSKENV* held = con->held_environment;
    if (held != nullptr && !blank_libref(held->libref) && members_in(held->libref, d)) {
        std::memcpy(file->libref, held->libref, 8);
        return 0;
    }
    xpmlog(598, 1755, name_length(d->name), d->name.buffer);
    return 1;
}

int prepare_directory(RSKCON* con, RSKTRANFILE* file, RSKTFILE* d, int mode) {
    return mode == 'O' ? prepare_output_directory(con, file, d) : prepare_input_directory(con, file, d);
}

int open_member(RSKTRANFILE* file, const char* member, int length, uint32_t mode, qor_entry** out) {
    const std::string ref = libref_text(file->libref);
    qor_entry_request request;
    request.libref = ref;
    request.name = std::string_view(member, static_cast<size_t>(length));
    request.type = kMemberType;
    request.mode = mode | kStreamBit;
    return xcopen(request, out) != 0 ? 1 : 0;
}

void copy_name(RSKTRANNAME* out, const char* text, int length) {
    std::memset(out, 0, sizeof *out);
    if (length < 0) length = 0;
    if (length > kNameFormText) length = kNameFormText;
    out->length = static_cast<int16_t>(length);
    if (length > 0) std::memcpy(out->text, text, static_cast<size_t>(length));
}

double now(RSKCON* con) { return con->no_date ? kFixedDateTime : wzdttme(); }

// The header common to both members, with the counts of the moment.
void build_header(RSKCON* con, RSKTRANFILE* file, RSKTRANHEAD* head) {
    (void)con;
    RSKTFILE* d = file->definition;
    std::memset(head, 0, sizeof *head);
    head->fingerprint = tran_header_fingerprint();
    std::memcpy(head->stamp, kTranStamp, 8);
    copy_name(&head->definition, d->name.buffer, name_length(d->name));
    head->created = head->modified = file->created;
    copy_name(&head->position_name, d->second_name.buffer, name_length(d->second_name));
    char system[kNameFormText + 1] = {};
    int system_length = 0;
    int rc = wzosinf(system, sizeof system, &system_length);
    if (rc != 0) {
        xebug("rsktran: bad rc from xzosinf");
        xprrlog(0, rc);
        system_length = 0;
    }
    copy_name(&head->system, system, system_length);
}

int open_output(RSKCON* con, RSKTRANFILE* file) {
    RSKTFILE* d = file->definition;
    file->created = now(con);
    d->date = file->created;
    file->expected_fingerprint = tran_record_fingerprint();
    if (open_member(file, d->data_member, d->data_member_length, kModeOutput, &file->instruments) != 0) return 1;
    if (write_headrec(con, file, file->instruments, 'T') != 0) return 1;
    if (open_member(file, d->info_member, d->info_member_length, kModeOutput, &file->information) != 0) return 1;
    return tran_output_setup(con, file);
}

int member_size(qor_entry* entry, int64_t* size) {
    qor_member_info info;
    if (xlminfo(entry, &info) != 0) return 1;
    *size = info.size;
    return 0;
}

int open_input(RSKCON* con, RSKTRANFILE* file) {
    RSKTFILE* d = file->definition;
    char engine[9] = {};
    file->swapped_names = zlibeng(libref_text(file->libref).c_str(), engine) == 0 &&
                          std::memcmp(engine, kSecondEngine, 8) == 0;
    RSKTRANHEAD instruments{}, information{};
    if (open_member(file, d->data_member, d->data_member_length, kModeInput, &file->instruments) != 0 ||
        member_size(file->instruments, &file->instrument_bytes) != 0)
        return 1;
    int rc = read_headrec(con, file, file->instruments, &instruments);
    if (rc != 0) return rc;
    if (open_member(file, d->info_member, d->info_member_length, kModeInput, &file->information) != 0 ||
        member_size(file->information, &file->information_bytes) != 0)
        return 1;
    rc = read_headrec(con, file, file->information, &information);
    if (rc != 0) return rc;
    // Both members of one write carry one creation stamp: a pair from two writes (a crash
    // between the two renames) is refused.
    if (std::memcmp(&instruments.created, &information.created, sizeof(double)) != 0 || instruments.kind != 'T' ||
        information.kind != 'I') {
        xpmlog(598, 1758, name_length(d->name), d->name.buffer);
        file->error = 1;
        return 2;
    }
    file->created = information.created;
    const double count = information.count;
    if (!(count >= 0 && count <= 9.0e15)) {
        xpmlog(598, 1740, name_length(d->name), d->name.buffer, 0, "");
        file->error = 1;
        return 2;
    }
    file->written = count;
    file->types_used = information.types_used;
    file->value_lists = information.value_lists;
    d->count1 = static_cast<uint32_t>(count);
    d->count2 = static_cast<uint32_t>(information.types_used < 0 ? 0 : information.types_used);
    d->field = static_cast<uint16_t>(information.value_lists < 0 ? 0 : information.value_lists);
    d->longest_type = information.longest_type;
    d->longest_id = information.longest_id;
    d->longest_source = information.longest_source;
    tran_set_number(con, RSKTNUM_TOTAL, count);
    return 0;
}

void close_member(qor_entry** member, int flags) {
    if (*member == nullptr) return;
    if (xcclose(*member, flags) != 0) xcclose(*member, QOR_CC_DISCARD);
    *member = nullptr;
}

}  // namespace

RSKTRANFILE* rsktran_current(RSKCON* con) {
    return con != nullptr && con->run_block != nullptr ? con->run_block->transaction_file : nullptr;
}

int tran_physical_path(RSKCON* con, const RSKTRANFILE* file, const char** path) {
    if (con->neutral_paths || con->generic) {
        *path = kNeutralPathText;
        return wzstlen(kNeutralPathText);
    }
    const char* text = nullptr;
    int length = 0;
    if (zlib2ph(libref_text(file->libref).c_str(), &text, &length) != 0) {
        *path = "";
        return 0;
    }
    *path = text;
    return length;
}

int write_headrec(RSKCON* con, RSKTRANFILE* file, qor_entry* member, char kind) {
    RSKTRANHEAD head;
    build_header(con, file, &head);
    head.kind = kind;
    head.count = file->written;
    head.types_used = file->types_used;
    head.value_lists = file->value_lists;
    head.longest_type = file->definition->longest_type;
    head.longest_id = file->definition->longest_id;
    head.longest_source = file->definition->longest_source;
    tran_pack_header(&head, file->header);
    int rc = xcwrite(member, file->header, kTranHeaderBytes);
    if (rc != 0) {
        xprrlog(0, rc);
        return 2;
    }
    return 0;
}

int read_headrec(RSKCON* con, RSKTRANFILE* file, qor_entry* member, RSKTRANHEAD* head) {
    RSKTFILE* d = file->definition;
    size_t got = 0;
    int rc = xcread(member, file->header, kTranHeaderBytes, &got);
    const char* path = nullptr;
    if (rc != 0) {
        // A member shorter than its header is no instrument file at all.
        if (rc == static_cast<int>(QOR_C_END)) {
            int length = tran_physical_path(con, file, &path);
            xpmlog(598, 1740, name_length(d->name), d->name.buffer, length, path);
        } else {
            xprrlog(0, rc);
        }
        file->error = 1;
        return 2;
    }
    tran_unpack_header(file->header, file->swapped_names, head);
    file->expected_fingerprint = tran_record_fingerprint();
    if (head->fingerprint != tran_header_fingerprint()) {
        int length = tran_physical_path(con, file, &path);
        xpmlog(598, 1740, name_length(d->name), d->name.buffer, length, path);
        file->error = 1;
        return 2;
    }
    if (std::memcmp(head->stamp, kTranStamp, 8) != 0) {
        xpmlog(598, 1742, name_length(d->name), d->name.buffer, 8, head->stamp);
        file->error = 1;
        return 2;
    }
    if (file->mode == 'I' &&
        wzstcom(head->definition.text, head->definition.length, d->name.buffer, name_length(d->name)) != 0) {
        const char* member_name = member == file->instruments ? d->data_member : d->info_member;
        const int member_length = member == file->instruments ? d->data_member_length : d->info_member_length;
        int length = tran_physical_path(con, file, &path);
        xpmlog(598, 1746, name_length(d->name), d->name.buffer, member_length, member_name, length, path,
               static_cast<int>(head->definition.length), head->definition.text);
        return 1;
    }
    return 0;
}

int rsktrao(RSKCON* con, RSKTRANFILE* file, RSKCATOBJ* object, int mode) {
    if (con == nullptr || file == nullptr || object == nullptr) return 99;
    if (file->open) rsktrac(con, file);
    if (con->run_block != nullptr) con->run_block->transaction_file = file;
    tran_set_number(con, RSKTNUM_TOTAL, qor::missing());
    auto* d = static_cast<RSKTFILE*>(rssofiq(con, object, kFetchDefinition));
    if (d == nullptr) return 1;
    if (mode != 'I' && mode != 'O') {
        xebug("rsktrao: invalid flag %i.", mode);
        return 99;
    }
    // Only the caller's own fields (filters, range) survive an open.
    const RSKNAMEREC* filter_names = file->filter_names;
    const int32_t filter_count = file->filter_count;
    const uint8_t ranged = file->ranged;
    const int64_t first = file->first, last = file->last;
    tran_release_buffers(con, file);
    std::memset(file, 0, sizeof *file);
    file->filter_names = filter_names;
    file->filter_count = filter_count;
    file->ranged = ranged;
    file->first = first;
    file->last = last;
    file->definition = d;
    file->mode = static_cast<char>(mode);
    set_libref(file->libref, "");
    int rc = prepare_directory(con, file, d, mode);
    if (rc != 0) {
        xpmlog(598, 1745, name_length(d->name), d->name.buffer);
    } else {
        file->open = 1;
        rc = mode == 'O' ? open_output(con, file) : open_input(con, file);
        if (rc != 0) {
            xpmlog(598, 1748, 0, name_length(d->name), d->name.buffer);
            rsktrac(con, file);
            file->definition = d;
        }
    }
    file->records_read = 0;
    file->accepted = 0;
    tran_set_number(con, RSKTNUM_NUMBER, 0);
    return rc == 0 ? 0 : 1;
}

int rsktras(RSKCON* con, RSKTRANFILE* file, RSKCATOBJ* object, int mode) {
    if (con == nullptr || file == nullptr || object == nullptr) return 1;
    auto* d = static_cast<RSKTFILE*>(rssofiq(con, object, kFetchDefinition));
    if (d == nullptr) return 1;
    set_libref(file->libref, "");
    file->definition = d;
    if (prepare_directory(con, file, d, mode == 'O' ? 'O' : 'I') != 0) {
        xpmlog(598, 1745, name_length(d->name), d->name.buffer);
        return 1;
    }
    return 0;
}

void rsktrac(RSKCON* con, RSKTRANFILE* file) {
    if (file == nullptr) {
        if (rsktran_internal(con)) xebug("rsktrac: null instruments file pointer");
        return;
    }
    if (file->definition == nullptr) {
        if (rsktran_internal(con)) xebug("rsktrac: null instruments file object address");
        return;
    }
    if (!file->open) return;
    // An output file is committed only by rsktriw: closed here it leaves no member behind.
    const int flags = file->mode == 'O' ? QOR_CC_DISCARD : 0;
    close_member(&file->instruments, flags);
    close_member(&file->information, flags);
    set_libref(file->libref, "");
    if (file->filter != nullptr) {
        rskpsfc(file->filter);
        file->filter = nullptr;
    }
    tran_release_buffers(con, file);
    file->open = 0;
    if (con->run_block != nullptr && con->run_block->transaction_file == file) con->run_block->transaction_file = nullptr;
}

int tran_commit(RSKCON* con, RSKTRANFILE* file) {
    (void)con;
    // The information member goes into place last: a reader finds the new instruments only with
    // their own information member, and refuses a pair whose stamps differ.
    int rc = xcclose(file->instruments, 0);
    if (rc != 0) {
        xprrlog(0, rc);
        return 2;
    }
    file->instruments = nullptr;
    rc = xcclose(file->information, 0);
    if (rc != 0) {
        xprrlog(0, rc);
        return 2;
    }
    file->information = nullptr;
    return 0;
}
