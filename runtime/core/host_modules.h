// Host modules built into the runtime (the methods compiler, model solver, databases, function
// manager): each installs by publishing its service vector when a module asks for it by name.
#pragma once

namespace qor::runtime {

using host_module_install_fn = int (*)(int code);

// The installer of a built-in host module by lower-case name; null when the name is not one.
host_module_install_fn find_host_module(const char* name);

// Replace the installer of a host module (later services register their real tables).
void register_host_module(const char* name, host_module_install_fn install);

}  // namespace qor::runtime
