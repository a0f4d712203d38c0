// Data set wrapper: opening a data set record through the host in its mode, with its
// observation count, and closing it.
#include <cstring>

#include "common/files/dataset.h"

namespace {

// Host open modes of the wrapper modes.
int host_mode(int mode) {
    switch (mode) {
    case DATASET_READ: return 0x4000000 | QOR_OPEN_INPUT;
    case DATASET_WRITE: return 0x4000000 | QOR_OPEN_OUTPUT;
    default: return 0x14000000 | QOR_OPEN_UPDATE;
    }
}

}  // namespace

int open_dataset(dataset* ds) {
    if (ds == nullptr || ds->member == nullptr || ds->libref == nullptr) return 2;
    if (ds->open) return 1;
    qor_open_request request;
    std::memset(&request, 0, sizeof request);
    // The library reference may be blank-padded to 8 or a shorter NUL-ended text.
    std::memset(request.libref, ' ', sizeof request.libref);
    for (size_t i = 0; i < sizeof request.libref && ds->libref[i] != '\0'; ++i)
        request.libref[i] = ds->libref[i];
    size_t length = std::strlen(ds->member);
    if (length == 0 || length > sizeof request.member.text) return 2;
    request.member.length = static_cast<int16_t>(length);
    std::memcpy(request.member.text, ds->member, length);
    std::memcpy(request.member_type, "DATA    ", 8);
    request.mode = host_mode(ds->mode);
    qor_dataset* handle = nullptr;
    if (xoopen(&handle, &request) < 0) return 2;
    int64_t observations = 0;
    int64_t serial = 0;
    if (xoinfo(handle, QOR_INFO_OBSERVATIONS, &observations) != 0 ||
        xoinfo(handle, QOR_INFO_SERIAL, &serial) != 0) {
        xoclose(handle, 1);
        return 2;
    }
    ds->handle = handle;
    ds->observations = observations;
    ds->serial = serial;
    ds->open = 1;
    return 0;
}

int close_dataset(dataset* ds) {
    if (ds == nullptr) return 1;
    if (!ds->open) return 0;
    int rc = xoclose(ds->handle, 0);
    ds->handle = nullptr;
    ds->open = 0;
    return rc < 0 ? 2 : 0;
}
