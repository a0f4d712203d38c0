// Fuzz target: arbitrary bytes stored as a data set member are either refused as damaged or
// opened and read through every observation and variable without a fault.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "host/dataset.h"
#include "host/print.h"
#include "runtime/core/print_internal.h"
#include "runtime/storage/libraries.h"

namespace {

std::string library() {
    static std::string dir = [] {
        std::string d = std::filesystem::temp_directory_path() / ("qor_fuzz_ds_" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        qor::runtime::assign_library("fuzzlib", d, "");
        qor_print_set_log_file("/dev/null");
        return d;
    }();
    return dir;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string path = library() + "/f.qor7bdat";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    qor_open_request r;
    std::memset(&r, 0, sizeof r);
    std::memcpy(r.libref, "FUZZLIB ", 8);
    r.member.length = 1;
    r.member.text[0] = 'f';
    r.mode = QOR_OPEN_INPUT;
    qor_dataset* ds = nullptr;
    if (xoopen(&ds, &r) != 0) return 0;
    int32_t nvars = 0;
    xoinfo(ds, QOR_INFO_VARIABLES, &nvars);
    qor_getlist* get = nullptr;
    xvgeti(ds, nvars, &get);
    std::vector<std::vector<char>> buffers;
    for (int i = 1; i <= nvars; ++i) {
        qor_var_desc d;
        if (xvname(ds, i, &d) != 0) __builtin_trap();
        buffers.emplace_back(d.type == QOR_VAR_NUMERIC ? 8 : d.length);
        if (xvgetd(get, i, buffers.back().data(), static_cast<int>(buffers.back().size())) != 0) __builtin_trap();
    }
    qor_obs_request q{};
    q.dataset = ds;
    int64_t read = 0, observations = 0;
    xoinfo(ds, QOR_INFO_OBSERVATIONS, &observations);
    while (xoget(&q, QOR_GET_NEXT) == 0) {
        if (xyvget(get, 0) != 0) __builtin_trap();
        ++read;
    }
    if (read != observations) __builtin_trap();
    if (nvars > 0) {
        int numbers[1] = {1};
        qor_byreader* by = nullptr;
        xopnt(&q, QOR_POINT_FIRST);
        if (xvbyi(ds, 1, numbers, nullptr, &by) == 0) {
            bool first, last;
            while (xybyget(by, &first, &last) == 0) {}
            xvbyt(by);
        }
    }
    xvgett(get);
    xoclose(ds, 0);
    return 0;
}
