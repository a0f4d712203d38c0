// Writer of the list form of outputs (kind 39): the object's run identity, its directories and
// library, then one item per result file it lists, for SAVE_OBJECT to store.
#include <algorithm>
#include <string_view>

#include "catalog/object_forms.h"
#include "engine/tables/output_records.h"

namespace {

// A file's text in the list is at most this long.
constexpr size_t kFileTextLimit = 40;

int put_text(qor_list_id list, const char* name, std::string_view text) {
    RSOCHAR value{text.size(), text.size(), text.data()};
    return rsoinsc(list, &value, name, -1);
}

std::string_view text_of(const RSKNAMEREC& name) {
    return name.text != nullptr ? std::string_view(name.text, name.length) : std::string_view();
}

// The library reference without its trailing blanks (or NULs): empty when unset or blank.
std::string_view libref_of(const RSKOUTOBJ* output) {
    std::string_view text(output->libref, sizeof output->libref);
    const size_t end = text.find_last_not_of(std::string_view(" \0", 2));
    return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

// A sublist `name` with one character item per file of that kind, named by the file's member
// and holding its member name cut to the text limit.
int put_files(RSKCON* con, qor_list_id list, RSKLISTWS* workspace, const RSKOUTOBJ* output, const char* name,
              int32_t file_kind) {
    if (workspace == nullptr) workspace = rss_list_workspace(con);
    qor_list_id files = rss_new_list(workspace, name);
    if (files == 0) return 1;
    int rc = 0;
    for (const RSKOUTFILE* file = output->files_head; rc == 0 && file != nullptr; file = file->next) {
        if (file->file_kind != file_kind) continue;
        const std::string_view member = text_of(file->member.name);
        const std::string_view text = member.substr(0, std::min(member.size(), kFileTextLimit));
        RSOCHAR value{text.size(), text.size(), text.data()};
        rc = rsoinsc(files, &value, member.data(), static_cast<int>(member.size()));
    }
    if (rc == 0) rc = rsoinsl(list, files, name, -1);
    rss_free_list(files);   // the output's list holds it
    return rc;
}

}  // namespace

int rssoutg(RSKCON* con, void* object, qor_list_id list, RSKLISTWS* workspace, int, int) {
    const auto* output = static_cast<const RSKOUTOBJ*>(object);
    if (con == nullptr || output == nullptr || list == 0) return 1;
    const std::string_view path =
        output->path != nullptr && output->path_length > 0
            ? std::string_view(output->path, static_cast<size_t>(output->path_length))
            : std::string_view();
    int rc = put_text(list, "OBJTYPE", "OUTPUT");
    if (rc == 0) rc = put_text(list, "NAME", text_of(output->name.name));
    if (rc == 0) rc = put_text(list, "PROJECT", text_of(output->project_name.name));
    if (rc == 0) rc = put_text(list, "RUNNAME", text_of(output->run_name.name));
    if (rc == 0) rc = rsoinsd(list, output->run_time, "RUNTIME", -1);
    if (rc == 0) rc = put_text(list, "DESTINPATH", text_of(output->destination.name));
    if (rc == 0) rc = put_text(list, "PATH", path);
    if (rc == 0) rc = put_text(list, "LIBNAME", libref_of(output));
    if (rc == 0) rc = put_files(con, list, workspace, output, "DATASET", RSKOUTFILE_DATA);
    if (rc == 0) rc = put_files(con, list, workspace, output, "MDDB", RSKOUTFILE_MDDB);
    // An output holds no cube records: no "CUBE" item is written.
    return rc;
}
