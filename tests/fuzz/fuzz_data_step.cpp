// Fuzz target: the DATA step front end must read any text, refuse what is wrong with an error
// and never crash or hang. Each input becomes the body of two steps, one without input and one
// reading a small data set with BY groups, and the data set list of a SET statement. The steps
// write no data set (closing one flushes it to disk, which would make each run slow).
#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/datastep/data_step.h"
#include "runtime/datastep/step_text.h"

namespace {

bool prepare() {
    qor::runtime::set_data_step_budget(20000);
    return qor::runtime::run_data_step(
               "data fuzzin; length s $ 4; do k = 1 to 3; s = 'ab'; x = k * 1.5; output; output; end; run;", 1) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = prepare();
    if (!ready) __builtin_trap();
    std::string text(reinterpret_cast<const char*>(data), size);
    qor::runtime::datastep::DatasetList list;
    std::string why;
    qor::runtime::datastep::parse_dataset_list(text, true, &list, &why);
    qor::runtime::run_data_step("data _null_;\n" + text + "\nrun;", 1);
    qor::runtime::run_data_step("data _null_;\nset fuzzin(where=(x > 1)) fuzzin end=e;\nby k;\n" +
                                    text + "\nrun;",
                                1);
    return 0;
}
