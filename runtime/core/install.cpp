// Installing appendages and host modules (wiinstl): an appendage is a module library whose
// entry publishes its vector; a host module is built into the runtime and registered here.
#include <cctype>
#include <cstring>
#include <string>

#include "host/kernel.h"
#include "host/print.h"
#include "runtime/core/host_modules.h"
#include "runtime/core/service_guard.h"

namespace {

std::string module_name(const char* name8) {
    std::string name;
    for (int i = 0; i < 8 && name8 && name8[i] && name8[i] != ' '; ++i)
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(name8[i])));
    return name;
}

}  // namespace

int wiinstl(int code, const char* name8, int) try {
    int vector = qor_vector_of(code);
    if (wivget(vector)) return 0;
    std::string name = module_name(name8);
    if (name.empty()) {
        xpslog("%1zNo module name given for vector %i.", vector);
        return 1;
    }
    qor::runtime::host_module_install_fn builtin = qor::runtime::find_host_module(name.c_str());
    if (builtin) {
        int rc = builtin(code);
        if (rc != 0) return rc;
    } else {
        const qor_image_info* image = qor_load_module(name.c_str());
        if (!image) return 2;
        const qor_pcn* pcn = qor_image_pcn(image, QOR_PCN_APPENDAGE);
        if (!pcn || !pcn->entry) {
            xpslog("%1zModule %s is not an appendage.", name.c_str());
            return 3;
        }
        pcn->entry();
    }
    if (!wivget(vector)) {
        xpslog("%1zModule %s did not publish vector %i.", name.c_str(), vector);
        return 4;
    }
    return 0;
}
QOR_SERVICE_CATCH(1)
