// The table of built-in host modules. A module whose services are not provided yet installs an
// empty vector: every slot look-up answers "not available" (null) instead of failing start-up.
#include "runtime/core/host_modules.h"

#include <cstring>
#include <mutex>

#include "host/kernel.h"

namespace {

// An empty service table: slot 0 only, which is never a service.
void* const g_no_services[1] = {nullptr};

int install_empty(int code) { return hiexprt(code, g_no_services, 1, qor_global_pidb()); }

struct HostModule {
    const char* name;
    int vector;
    qor::runtime::host_module_install_fn install;
};

HostModule g_modules[] = {
    {"qorcmpa", 139, install_empty},   // methods compiler
    {"qormodla", 247, install_empty},  // model-equation solver
    {"qorras", 416, install_empty},    // multidimensional database
    {"qorzuqb", 418, install_empty},   // database companion services
    {"qorfm", 63, install_empty},      // function and frame manager
};
std::mutex g_lock;

}  // namespace

namespace qor::runtime {

host_module_install_fn find_host_module(const char* name) {
    std::lock_guard<std::mutex> guard(g_lock);
    for (const HostModule& m : g_modules)
        if (std::strcmp(m.name, name) == 0) return m.install;
    return nullptr;
}

void register_host_module(const char* name, host_module_install_fn install) {
    std::lock_guard<std::mutex> guard(g_lock);
    for (HostModule& m : g_modules)
        if (std::strcmp(m.name, name) == 0) m.install = install;
}

}  // namespace qor::runtime
