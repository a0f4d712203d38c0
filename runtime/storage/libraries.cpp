// Library references and member files: one registry under a lock; WORK is made on first use
// under the system's temporary directory and removed when the process ends.
#include "runtime/storage/libraries.h"

#include "runtime/storage/path_text.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>

namespace qor::runtime {

namespace {

struct Library {
    std::string directory;               // the first directory: where members are written
    std::string engine;
    bool read_only = false;   // given by xhlsrdo
    std::vector<std::string> read_path;  // a concatenation's directories in reading order
};

std::mutex g_lock;
std::map<std::string, Library> g_libraries;
std::string g_work_dir;

std::string trimmed_upper(std::string_view text) {
    size_t end = text.size();
    while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\0')) --end;
    size_t start = 0;
    while (start < end && text[start] == ' ') ++start;
    std::string out;
    for (size_t i = start; i < end; ++i) out += static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    return out;
}

bool valid_name(const std::string& name, size_t max_length) {
    if (name.empty() || name.size() > max_length) return false;
    if (!std::isalpha(static_cast<unsigned char>(name[0])) && name[0] != '_') return false;
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
    return true;
}

bool is_directory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void remove_work_at_exit() { remove_work_library(); }

// The user profile library's directory: $QORUSER, else $XDG_CONFIG_HOME/qor/user, else
// $HOME/.config/qor/user; made when missing. "" when there is none to be had.
std::string user_profile_directory() {
    std::string dir;
    const char* named = std::getenv("QORUSER");
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (named && *named) dir = named;
    else if (config && *config == '/') dir = std::string(config) + "/qor/user";
    else if (home && *home) dir = std::string(home) + "/.config/qor/user";
    else return "";
    dir = absolute_path(dir);
    std::error_code ec;
    if (!is_directory(dir)) {
        std::filesystem::create_directories(dir, ec);
        if (ec || !is_directory(dir)) return "";
        std::filesystem::permissions(dir, std::filesystem::perms::owner_all, ec);
    }
    return dir;
}

// QORUSER is assigned on its first use unless a program assigned it (called with the lock held).
void assign_user_library_on_first_use(const std::string& name) {
    if (name != "QORUSER" || g_libraries.count(name)) return;
    std::string dir = user_profile_directory();
    if (!dir.empty()) g_libraries[name] = Library{dir, "V9", false, {}};
}

// The WORK directory, made on first use (called with the lock held).
const std::string& work_directory() {
    if (!g_work_dir.empty()) return g_work_dir;
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/qorwork-XXXXXX";
    std::string buffer = pattern;
    if (mkdtemp(buffer.data())) {
        g_work_dir = buffer;
        std::atexit(remove_work_at_exit);
    }
    return g_work_dir;
}

}  // namespace

std::string member_extension(std::string_view member_type) {
    static const std::pair<const char*, const char*> kExtensions[] = {
        {"CATALOG", "qor7bcat"}, {"DATA", "qor7bdat"},    {"DATASET", "qor7bdat"},
        {"UTILITY", "qor7butl"}, {"PUTILITY", "qor7bput"}, {"INDEX", "qor7bndx"},
        {"MDDB", "qor7bmdb"},    {"VIEW", "qor7bvew"},     {"DATAVIEW", "qor7bvew"},
    };
    std::string type = trimmed_upper(member_type);
    for (const auto& [name, extension] : kExtensions)
        if (type == name) return extension;
    return "";
}

int assign_library(std::string_view libref, std::string_view directory, std::string_view engine) {
    std::string name = trimmed_upper(libref);
    if (!valid_name(name, 8)) return 1;
    std::string eng = engine.empty() ? "V9" : trimmed_upper(engine);
    if (eng != "V9" && eng != "V612" && eng != "DISK") return 3;
    // Kept absolute, so that a later change of the current directory cannot move the library
    // and two names of one directory compare equal.
    std::string dir = absolute_path(directory);
    if (dir.empty() || !is_directory(dir)) return 2;
    std::lock_guard<std::mutex> guard(g_lock);
    if (name == "WORK") return 1;
    g_libraries[name] = Library{dir, eng, false, {}};
    return 0;
}

int clear_library(std::string_view libref) {
    std::string name = trimmed_upper(libref);
    std::lock_guard<std::mutex> guard(g_lock);
    if (name == "WORK") return 1;
    return g_libraries.erase(name) == 1 ? 0 : 1;
}

std::string library_directory(std::string_view libref) {
    std::string name = trimmed_upper(libref);
    std::lock_guard<std::mutex> guard(g_lock);
    if (name == "WORK") return work_directory();
    assign_user_library_on_first_use(name);
    auto found = g_libraries.find(name);
    return found == g_libraries.end() ? "" : found->second.directory;
}

std::string library_engine(std::string_view libref) {
    std::string name = trimmed_upper(libref);
    std::lock_guard<std::mutex> guard(g_lock);
    if (name == "WORK") return work_directory().empty() ? "" : "V9";
    assign_user_library_on_first_use(name);
    auto found = g_libraries.find(name);
    return found == g_libraries.end() ? "" : found->second.engine;
}

int set_library_read_only(std::string_view libref, bool read_only) {
    std::string name = trimmed_upper(libref);
    std::lock_guard<std::mutex> guard(g_lock);
    assign_user_library_on_first_use(name);
    auto found = g_libraries.find(name);
    if (found == g_libraries.end()) return 1;
    found->second.read_only = read_only;
    return 0;
}

bool library_read_only(std::string_view libref) {
    std::string name = trimmed_upper(libref);
    std::string dir;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        if (name == "WORK") return false;
        assign_user_library_on_first_use(name);
        auto found = g_libraries.find(name);
        if (found == g_libraries.end()) return false;
        if (found->second.read_only) return true;
        dir = found->second.directory;
    }
    return access(dir.c_str(), W_OK) != 0;
}

std::vector<std::string> library_directories(std::string_view libref) {
    std::string name = trimmed_upper(libref);
    std::lock_guard<std::mutex> guard(g_lock);
    if (name == "WORK") return work_directory().empty() ? std::vector<std::string>{} : std::vector<std::string>{g_work_dir};
    auto found = g_libraries.find(name);
    if (found == g_libraries.end()) return {};
    if (!found->second.read_path.empty()) return found->second.read_path;
    return {found->second.directory};
}

int assign_concatenated_library(std::string_view libref, const std::vector<std::string>& parts) {
    std::string name = trimmed_upper(libref);
    if (!valid_name(name, 8) || name == "WORK" || parts.empty()) return 1;
    std::vector<std::string> path;
    for (const std::string& part : parts) {
        std::vector<std::string> dirs = library_directories(part);
        if (dirs.empty()) return 2;
        for (const std::string& d : dirs)
            if (std::find(path.begin(), path.end(), d) == path.end()) path.push_back(d);
    }
    std::string engine = library_engine(parts.front());
    std::lock_guard<std::mutex> guard(g_lock);
    g_libraries[name] = Library{path.front(), engine, false, path};
    return 0;
}

std::string member_output_file(std::string_view libref, std::string_view member, std::string_view member_type) {
    std::string extension = member_extension(member_type);
    std::string name = trimmed_upper(member);
    if (extension.empty() || !valid_name(name, 32)) return "";
    std::string dir = library_directory(libref);
    if (dir.empty()) return "";
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return dir + "/" + name + "." + extension;
}

std::string member_file(std::string_view libref, std::string_view member, std::string_view member_type) {
    std::string first = member_output_file(libref, member, member_type);
    if (first.empty()) return first;
    std::vector<std::string> dirs = library_directories(libref);
    if (dirs.size() < 2) return first;
    // A concatenation reads a member from the first of its libraries that holds it.
    std::string file = first.substr(first.rfind('/'));
    for (const std::string& d : dirs)
        if (::access((d + file).c_str(), F_OK) == 0) return d + file;
    return first;
}

std::vector<LibraryEntry> list_libraries() {
    std::lock_guard<std::mutex> guard(g_lock);
    std::vector<LibraryEntry> out;
    bool work_listed = false;
    const std::string& work = work_directory();
    for (const auto& [name, library] : g_libraries) {
        if (!work_listed && !work.empty() && name > "WORK") {
            out.push_back(LibraryEntry{"WORK", work, "V9"});
            work_listed = true;
        }
        out.push_back(LibraryEntry{name, library.directory, library.engine});
    }
    if (!work_listed && !work.empty()) out.push_back(LibraryEntry{"WORK", work, "V9"});
    return out;
}

void remove_work_library() {
    std::string dir;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        dir.swap(g_work_dir);
    }
    if (dir.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

}  // namespace qor::runtime
