// Symbol visibility for the host boundary.
// Host services are exported from libqorhost; module entry points are exported from each module.
#pragma once

#define QOR_HOST_API __attribute__((visibility("default")))
#define QOR_MODULE_EXPORT extern "C" __attribute__((visibility("default")))
