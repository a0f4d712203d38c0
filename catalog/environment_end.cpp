// Ending an environment (END_ENV): files of the held environment that were set aside in the
// scratch directory during the step are put back where its portfolio-file and output records
// say they belong, and the scratch directory is emptied.
#include <cctype>
#include <string>
#include <vector>

#include "catalog/environment.h"
#include "common/files/names.h"
#include "host/print.h"

namespace {

bool exists(const std::string& path) { return zfexist(path.data(), static_cast<int>(path.size())) == 0; }

std::string member_file(std::string_view directory, std::string_view name) {
    char file[QOR_PATH_MAX];
    int length = 0;
    if (zxname(file, &length, name.data(), static_cast<int>(name.size()), "PUTILITY", directory.data(),
               static_cast<int>(directory.size())) != 0)
        return {};
    return std::string(file, static_cast<size_t>(length));
}

bool move(const std::string& from, const std::string& to) {
    return zmvfile(from.data(), static_cast<int>(from.size()), to.data(), static_cast<int>(to.size())) == 0;
}

std::string without_slash(std::string_view path) {
    std::string out(path);
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

// Each entry of one member type of the held environment's catalog, read as a list.
int for_each_record(RSKCON* con, qor_catalog* catalog, std::string_view type, void (*visit)(RSKCON*, const qor_list*)) {
    qor_member_dir* dir = nullptr;
    if (xldopen(catalog, type, &dir) != 0) return 0;
    std::vector<std::string> names;
    qor_member_info info;
    while (xldread(dir, &info) == 0) names.push_back(info.name);
    xldclos(dir);
    for (const std::string& name : names) {
        qor_list* list = new_list(con);
        if (list == nullptr) return 1;
        qor_entry* entry = nullptr;
        if (xlmopen(catalog, name, type, QOR_CO_INPUT, &entry) == 0) {
            if (afrdlst(entry, list) == 0) visit(con, list);
            xlmclos(entry, 0);
        }
        sldel(list, 0);
    }
    return 0;
}

void put_back_portfolio(RSKCON* con, const qor_list* record) {
    std::string scratch(con->scratch_path, static_cast<size_t>(con->scratch_length));
    std::string held = without_slash(outpath_of(con->held_environment));
    std::string path = without_slash(env_text_item(record, "PATH"));
    std::string data = env_text_item(record, "FILENAME"), info = env_text_item(record, "INFONAME");
    if (data.empty() || info.empty()) return;
    if (exists(member_file(held, data)) || (!path.empty() && exists(member_file(path, data)))) return;
    if (!exists(member_file(scratch, data)) || !exists(member_file(scratch, info))) return;
    std::string to = path.empty() ? held : path;
    move(member_file(scratch, data), member_file(to, data));
    move(member_file(scratch, info), member_file(to, info));
}

void put_back_output(RSKCON* con, const qor_list* record) {
    std::string scratch(con->scratch_path, static_cast<size_t>(con->scratch_length));
    std::string held = without_slash(outpath_of(con->held_environment));
    std::string destination = without_slash(env_text_item(record, "DESTINPATH"));
    std::string name = env_lower(env_text_item(record, "NAME"));
    if (name.empty() || exists(held + "/" + name)) return;
    if (!destination.empty() && exists(destination + "/" + name)) return;
    if (exists(scratch + "/" + name)) move(scratch + "/" + name, held + "/" + name);
}

}  // namespace

int rssenvx(RSKCON* con) {
    if (con->scratch_length <= 0 || con->scratch_path == nullptr) return 0;
    int result = 0;
    if (con->pending_files && con->held_environment != nullptr) {
        qor_catalog* catalog = nullptr;
        const RSKENV* held = con->held_environment;
        if (xlopen(libref_of(held), name_of(held), QOR_CO_INPUT, &catalog) != 0) return 1;
        result = for_each_record(con, catalog, "RISK7", &put_back_portfolio);
        if (result == 0) result = for_each_record(con, catalog, "RISK9", &put_back_output);
        xlclose(catalog, 0);
    }
    zclrdir(con->scratch_path, con->scratch_length);
    con->pending_files = 0;
    return result;
}
