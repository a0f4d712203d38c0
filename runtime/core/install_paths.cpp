// The directory of the running executable and the folders of an installation found from it, so
// that an installed qor needs no compile-time path into the source tree.
#include "runtime/core/install_paths.h"

#include <sys/stat.h>
#include <unistd.h>

std::string qor_executable_directory() {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return ".";
    std::string path(buffer, static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string qor_installed_directory(const char* relative) {
    std::string executable = qor_executable_directory();
    size_t slash = executable.rfind('/');
    std::string prefix = slash == std::string::npos ? ".." : (slash == 0 ? "/" : executable.substr(0, slash));
    std::string directory = prefix + (prefix.back() == '/' ? "" : "/") + relative;
    struct stat info;
    if (stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return {};
    return directory;
}
