// Deleting an instrument file: its two members are removed where the current environment holds
// them, or set aside in the scratch directory when they belong elsewhere, then the definition goes.
#include <cstring>
#include <string>

#include "common/files/names.h"
#include "engine/files/instrument_file.h"
#include "engine/model/control/startup.h"
#include "engine/model/positions/instrument_files.h"
#include "engine/model/services/catalog.h"
#include "host/print.h"

namespace {

constexpr char kMemberType[] = "PUTILITY";
constexpr int kFetchForDelete = 2;
constexpr int kPathMax = 4096;

int name_length(const RSKOBJNAME& name) { return static_cast<int>(name.name.length); }

// The physical names of both members in a directory, when both exist there.
bool both_in(const char* directory, int length, const RSKTFILE* d, std::string* data, std::string* info) {
    if (length <= 0) return false;
    char out[kPathMax];
    int out_length = 0;
    if (zxname(out, &out_length, d->data_member, d->data_member_length, kMemberType, directory, length) != 0)
        return false;
    *data = std::string(out, static_cast<size_t>(out_length));
    if (zxname(out, &out_length, d->info_member, d->info_member_length, kMemberType, directory, length) != 0)
        return false;
    *info = std::string(out, static_cast<size_t>(out_length));
    return zfexist(data->data(), static_cast<int>(data->size())) == 0 &&
           zfexist(info->data(), static_cast<int>(info->size())) == 0;
}

// Moves a member file into the scratch directory: 0 or 1.
int set_aside(RSKCON* con, const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string target = std::string(con->scratch_path, static_cast<size_t>(con->scratch_length)) + "/" +
                               (slash == std::string::npos ? path : path.substr(slash + 1));
    return zmvfile(path.data(), static_cast<int>(path.size()), target.data(), static_cast<int>(target.size()));
}

}  // namespace

int rsktrad(RSKCON* con, RSKCATOBJ* object) {
    if (con == nullptr || object == nullptr) return 1;
    auto* d = static_cast<RSKTFILE*>(rssofiq(con, object, kFetchForDelete));
    if (d == nullptr) return 1;
    std::string data, info;
    bool own = false;
    bool found = both_in(d->file_name.buffer, static_cast<int>(d->file_name.name.length), d, &data, &info);
    RSKENV* env = con->current_environment;
    if (!found && env != nullptr && both_in(env->path.buffer, static_cast<int>(env->path.name.length), d, &data, &info))
        found = own = true;
    RSKENV* held = con->held_environment;
    if (!found && held != nullptr &&
        both_in(held->path.buffer, static_cast<int>(held->path.name.length), d, &data, &info))
        found = true;
    int failed = 0;
    if (found && own) {
        failed |= zfildel(data.data(), static_cast<int>(data.size()));
        failed |= zfildel(info.data(), static_cast<int>(info.size()));
    } else if (found) {
        // Files that are not the current environment's may be wanted back when it ends.
        if (con->scratch_length <= 0 && rskgbgc(con) != 0) failed = 1;
        if (!failed) failed |= set_aside(con, data) | set_aside(con, info);
        if (!failed) con->pending_files = 1;
    }
    if (failed) xpmlog(598, 3600, name_length(d->name), d->name.buffer);
    return rssofif(con, object);
}
