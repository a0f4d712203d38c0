// The module loader: finds lib<name>.so on the module path, binds it through mcn_main and
// checks its image record before anything of it is called.
#include <dlfcn.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "host/kernel.h"
#include "host/print.h"
#include "runtime/core/service_guard.h"

namespace {

std::mutex g_lock;
std::string g_module_path;   // set by qor_set_module_path; empty: environment or executable dir
std::map<std::string, const qor_image_info*> g_loaded;

const char kImageText[] = "QOR_Image_Information=";

std::string executable_dir() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    buf[n] = 0;
    std::string path(buf);
    auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

std::vector<std::string> search_dirs() {
    std::string spec = g_module_path;
    if (spec.empty()) {
        const char* env = getenv("QOR_MODULE_PATH");
        if (env && *env) spec = env;
    }
    std::vector<std::string> dirs;
    size_t start = 0;
    while (start <= spec.size() && !spec.empty()) {
        size_t colon = spec.find(':', start);
        std::string dir = spec.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!dir.empty()) dirs.push_back(dir);
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    dirs.push_back(executable_dir());
    return dirs;
}

// A module name is a short identifier: letters, digits and underscores only, so it can never
// name a path outside the module directories.
bool valid_module_name(const std::string& name) {
    if (name.empty() || name.size() > 8) return false;
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
    return true;
}

bool image_is_valid(const qor_image_info* image) {
    return image && std::memcmp(image->text, kImageText, sizeof kImageText - 1) == 0 &&
           image->magic == QOR_IMAGE_MAGIC && image->pcns && image->pcns[0];
}

}  // namespace

void qor_set_module_path(const char* path) try {
    std::lock_guard<std::mutex> guard(g_lock);
    g_module_path = path ? path : "";
}
QOR_SERVICE_CATCH()

const qor_image_info* qor_load_module(const char* raw_name) try {
    std::string name;
    for (const char* p = raw_name; p && *p && *p != ' '; ++p)
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    if (!valid_module_name(name)) {
        xpslog("%1zModule name \"%s\" is not valid.", raw_name ? raw_name : "");
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(g_lock);
    auto found = g_loaded.find(name);
    if (found != g_loaded.end()) return found->second;

    void* handle = nullptr;
    std::string last_error = "not found on the module path";
    for (const std::string& dir : search_dirs()) {
        std::string file = dir + "/lib" + name + ".so";
        if (access(file.c_str(), F_OK) != 0) continue;
        handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle) break;
        const char* err = dlerror();
        last_error = err ? err : "cannot be opened";
    }
    if (!handle) {
        xpslog("%1zModule %s cannot be loaded: %s.", name.c_str(), last_error.c_str());
        return nullptr;
    }
    auto entry = reinterpret_cast<qor_mcn_main_fn>(dlsym(handle, "mcn_main"));
    if (!entry) {
        xpslog("%1zModule %s has no module entry mcn_main.", name.c_str());
        dlclose(handle);
        return nullptr;
    }
    const qor_image_info* image = entry(qor_global_gcb(), qor_global_pidb());
    if (!image_is_valid(image)) {
        xpslog("%1zModule %s has no valid image information record.", name.c_str());
        dlclose(handle);
        return nullptr;
    }
    // Modules stay loaded for the life of the process: their tables may be published.
    g_loaded[name] = image;
    return image;
}
QOR_SERVICE_CATCH(nullptr)

const qor_pcn* qor_image_pcn(const qor_image_info* image, uint32_t kind) {
    if (!image || !image->pcns) return nullptr;
    for (const qor_pcn* const* p = image->pcns; *p; ++p)
        if ((*p)->kind == kind) return *p;
    return nullptr;
}
