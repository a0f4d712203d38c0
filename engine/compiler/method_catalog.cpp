// Method records of a compile and their catalog form: kind letters and block names, creating and
// finding records, writing a method to the catalog and reading it back (the compiler's stored
// form of docs/formats.md, "Stored methods", which carries name, kind, description and blocks).
#include <cctype>
#include <cstdio>
#include <cstring>

#include "engine/compiler/compiler_driver.h"
#include "host/files.h"
#include "host/fm.h"
#include "host/pool.h"
#include "host/print.h"

namespace {

constexpr char kKindLetters[] = "ITPJVRSM";   // KIND option 1..8
constexpr int kMethodChunk = 5;

bool same_name(const RSKOBJNAME& name, const char* text, int length) {
    if (name.name.length != length) return false;
    for (int i = 0; i < length; ++i)
        if (std::toupper(static_cast<unsigned char>(name.buffer[i])) != std::toupper(static_cast<unsigned char>(text[i])))
            return false;
    return true;
}

// "library.catalog.entry" of a method: its own reference's library, else WORK.
int entry_path(char* out, int size, const RSKMETHODREC* method, const char* catalog, int clength) {
    const char* dot = std::strchr(method->reference, '.');
    int llength = dot != nullptr ? static_cast<int>(dot - method->reference) : 0;
    const char* library = llength > 0 && llength <= kRskLibrefCapacity ? method->reference : "WORK";
    if (llength <= 0 || llength > kRskLibrefCapacity) llength = 4;
    return std::snprintf(out, static_cast<size_t>(size), "%.*s.%.*s.%.*s", llength, library, clength, catalog,
                         static_cast<int>(method->name.name.length), method->name.buffer);
}

}  // namespace

char rsk_kind_letter(int option) {
    return option >= 1 && option <= 8 ? kKindLetters[option - 1] : static_cast<char>(RSKMKIND_NONE);
}

int rsk_kind_option(char letter) {
    const char* at = letter != '\0' ? std::strchr(kKindLetters, letter) : nullptr;
    return at != nullptr ? static_cast<int>(at - kKindLetters) + 1 : 0;
}

int rsk_block_type(const char* name, int length) {
    if (name == nullptr) return -1;
    for (int type = 0; type < kRskBlockTypes; ++type) {
        if (static_cast<int>(std::strlen(CMPMB_NAMES[type])) != length) continue;
        int i = 0;
        while (i < length && std::toupper(static_cast<unsigned char>(name[i])) == CMPMB_NAMES[type][i]) ++i;
        if (i == length) return type;
    }
    return -1;
}

RSKMETHODREC* find_method(RSKCMPEXT* extension, const char* name, int length) {
    if (extension == nullptr || name == nullptr) return nullptr;
    for (RSKMETHODREC* m = extension->methods_first; m != nullptr; m = m->next)
        if (same_name(m->name, name, length)) return m;
    return nullptr;
}

RSKMETHODREC* create_method(RSKCMPEXT* extension, const char* name, int length) {
    if (extension == nullptr || name == nullptr || length <= 0 || length > kRskObjectNameCapacity) return nullptr;
    if (extension->methods_free == nullptr) {
        auto* chunk = static_cast<RSKMETHODREC*>(xmalloc_labelled(
            extension->pool, sizeof(RSKMETHODREC) * kMethodChunk, QOR_ALLOC_ZERO, "method records"));
        if (chunk == nullptr) {
            xpmlog(672, 1010);
            return nullptr;
        }
        for (int i = 0; i < kMethodChunk; ++i) chunk[i].next = i + 1 < kMethodChunk ? &chunk[i + 1] : nullptr;
        extension->methods_free = chunk;
    }
    RSKMETHODREC* m = extension->methods_free;
    extension->methods_free = m->next;
    std::memset(m, 0, sizeof *m);
    std::memcpy(m->name.buffer, name, static_cast<size_t>(length));
    m->name.name = RSKNAMEREC{kRskObjectNameCapacity, static_cast<uint16_t>(length), m->name.buffer};
    m->entry.name = RSKNAMEREC{kRskObjectNameCapacity, 0, m->entry.buffer};
    m->description = RSKNAMEREC{kRskMethodDescriptionCapacity, 0, m->description_buffer};
    m->kind = RSKMKIND_NONE;
    m->created_here = 1;
    ++extension->method_counter;
    if (extension->methods_last != nullptr)
        extension->methods_last->next = m;
    else
        extension->methods_first = m;
    extension->methods_last = m;
    return m;
}

int write_method(cmp_session* program, const RSKMETHODREC* method, const char* catalog, int length) {
    if (program == nullptr || method == nullptr) return 1;
    char entry[128];
    int n = entry_path(entry, sizeof entry, method, catalog != nullptr ? catalog : "METHODS",
                       catalog != nullptr ? length : 7);
    return cmposl(program, method->name.buffer, method->name.name.length, entry, n, nullptr);
}

int load_method(RSKCMPEXT* extension, RSKMETHODREC* method) {
    if (extension == nullptr || extension->program == nullptr || method == nullptr) return 1;
    char entry[128];
    int n = entry_path(entry, sizeof entry, method, "METHODS", 7);
    if (cmpisl(extension->program, entry, n, nullptr) != 0) return 1;
    std::memcpy(method->entry.buffer, method->name.buffer, method->name.name.length);
    method->entry.name.length = method->name.name.length;
    method->defined = 1;
    return 0;
}

int get_fmcomp(RSKCMPEXT* extension) {
    (void)extension;
    // One function manager per process; its list component serves the stored methods.
    return fmcomgt() != nullptr ? 0 : 1;
}

int get_version(const char* libref, int length, uint32_t out[2]) {
    char name[kRskLibrefCapacity + 1] = {};
    std::memcpy(name, libref, static_cast<size_t>(length < kRskLibrefCapacity ? length : kRskLibrefCapacity));
    qor_library_info info{};
    if (xhlinf2(name, &info) == QOR_LIB_NOT_ASSIGNED) return 1;
    out[0] = static_cast<uint32_t>(info.path_length);
    out[1] = static_cast<uint32_t>(info.read_only);
    return 0;
}
