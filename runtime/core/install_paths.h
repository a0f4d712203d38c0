// Where an installed qor finds its parts: module libraries, message tables and the sample
// library, each relative to the directory of the running executable.
#pragma once
#include <string>

#include "host/export.h"

// Folders of an installation, relative to its prefix (the executable is in <prefix>/bin).
#define QOR_INSTALL_MODULE_DIR "lib/velmora"
#define QOR_INSTALL_MESSAGES_DIR "share/velmora/messages"
#define QOR_INSTALL_SAMPLES_DIR "share/velmora/samples/risk"

// The directory of the running executable ("." when it cannot be told).
QOR_HOST_API std::string qor_executable_directory();

// <executable directory>/../<relative> when that directory exists, else empty.
QOR_HOST_API std::string qor_installed_directory(const char* relative);
