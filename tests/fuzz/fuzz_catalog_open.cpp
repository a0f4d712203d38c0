// Fuzz target: any bytes written as a catalog file, then opened, listed and every entry read,
// give a result or a reasoned refusal, never a crash.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "host/catalog.h"
#include "host/lists.h"
#include "runtime/storage/libraries.h"

namespace {

std::string& fuzz_dir() {
    static std::string dir = [] {
        std::string d = std::filesystem::temp_directory_path() / ("qor_fuzz_cat_" + std::to_string(getpid()));
        std::filesystem::create_directories(d);
        qor::runtime::assign_library("fuzzlib", d, "");
        return d;
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = fuzz_dir() + "/fuzzcat.qor7bcat";
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::remove((path + suffix).c_str());
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    qor_catalog* cat = nullptr;
    int code = xlopen("fuzzlib", "fuzzcat", QOR_CO_INPUT, &cat);
    if (code != 0) {
        if (qor_catalog_error_text()[0] == '\0') __builtin_trap();   // a refusal always says why
        return 0;
    }
    qor_member_dir* dir = nullptr;
    if (xldopen(cat, "", &dir) == 0) {
        qor_member_info info;
        std::vector<char> buffer(4096);
        while (xldread(dir, &info) == 0) {
            qor_entry* e = nullptr;
            if (xlmopen(cat, info.name, info.type, QOR_CO_INPUT, &e) != 0) continue;
            size_t got = 0;
            while (xcread(e, buffer.data(), buffer.size(), &got) == 0) {
            }
            xcpoint(e, 0);
            qor_list* list = nullptr;
            slnewl(&list, nullptr, 84);
            afrdlst(e, list);
            sldel(list, 0);
            xcclose(e, 0);
        }
        xldclos(dir);
    }
    xlclose(cat, 0);
    return 0;
}
