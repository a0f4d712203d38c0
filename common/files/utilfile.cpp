// The utility file wrapper over the host's entry byte I/O: open and close of a UTILITY member,
// and reads and writes at offsets checked against the member's size.
#include "common/files/utilfile.h"

#include <cstring>
#include <string_view>

#include "common/memory/pool_memory.h"

namespace {

constexpr uint32_t kOpenMode = QOR_CO_CREATE | QOR_CO_UPDATE;   // 0x4000008

std::string_view libref_of(const utilfile* file) {
    std::string_view text(file->libref, sizeof file->libref);
    size_t end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

// True when offset + length lies beyond size (without overflowing).
bool past(int64_t offset, int64_t length, int64_t size) { return offset > size - length; }

}  // namespace

utilfile* new_utilfile(qor_pool* pool, const char* libref, const char* member, int mode) {
    if (!pool || !libref || !member) return nullptr;
    size_t member_length = std::strlen(member);
    if (member_length == 0 || member_length > 32) return nullptr;
    utilfile* file = static_cast<utilfile*>(vmalcp_handler(pool, sizeof(utilfile), QOR_ALLOC_PLAIN));
    if (!file) return nullptr;
    std::memset(file->libref, ' ', sizeof file->libref);
    for (size_t i = 0; i < sizeof file->libref && libref[i] != '\0'; ++i) file->libref[i] = libref[i];
    std::memcpy(file->member, member, member_length + 1);
    file->open = 0;
    file->mode = mode;
    file->handle = nullptr;
    file->reserved = 0;
    file->size = 0;
    return file;
}

int open_utilfile(utilfile* file) {
    if (!file) return 2;
    if (file->open) return 1;
    qor_entry_request request;
    request.libref = libref_of(file);
    request.name = file->member;
    request.type = "UTILITY ";
    request.mode = kOpenMode;
    qor_entry* handle = nullptr;
    // Every refusal of the host is a failure, not only the two it names most often.
    if (xcopen(request, &handle) != 0 || !handle) return 2;
    // A member that already holds records is readable at once: its size is what it holds.
    qor_member_info info;
    if (xlminfo(handle, &info) != 0) {
        xcclose(handle, QOR_CC_DISCARD);
        return 2;
    }
    file->handle = handle;
    file->size = info.size;
    file->open = 1;
    file->mode = UTILFILE_UPDATE;
    return 0;
}

int close_utilfile(utilfile* file) {
    if (!file) return 1;
    if (!file->open) return 0;
    if (xcclose(file->handle, 0) != 0) return 1;
    file->handle = nullptr;
    file->open = 0;
    return 0;
}

int utility_write(utilfile* file, const void* buffer, int64_t length, int64_t offset) {
    if (!file || !file->open) return 2;
    if (file->mode != UTILFILE_WRITE && file->mode != UTILFILE_UPDATE) return 2;
    if (!buffer || length < 1) return 0;
    if (offset < 0 || offset > file->size) return 1;
    if (xcpoint(file->handle, offset) != 0) return 2;
    if (xcwrite(file->handle, buffer, static_cast<size_t>(length)) != 0) return 2;
    // An overwrite inside the member does not make it longer.
    if (past(offset, length, file->size)) file->size = offset + length;
    return 0;
}

int utility_read(utilfile* file, void* buffer, int64_t length, int64_t offset) {
    if (!file || !file->open || file->mode == UTILFILE_WRITE) return 2;
    if (!buffer || length < 1) return 0;
    if (offset < 0 || past(offset, length, file->size)) return 1;
    if (xcpoint(file->handle, offset) != 0) return 2;
    size_t got = 0;
    if (xcread(file->handle, buffer, static_cast<size_t>(length), &got) != 0) return 2;
    return 0;
}

int delete_utilfile(qor_pool* pool, utilfile* file) {
    if (!file) return 0;
    // A record deleted while open would leave the host's entry open for ever.
    if (file->open && close_utilfile(file) != 0) xcclose(file->handle, QOR_CC_DISCARD);
    vmfree_handler(pool, file, sizeof(utilfile), QOR_FREE_SIZED);
    return 0;
}
