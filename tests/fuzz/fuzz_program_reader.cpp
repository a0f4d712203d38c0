// Fuzz target: the program reader must split any text into statements without crashing and
// keep every statement inside the cleaned text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/submit/program_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    auto program = qor::runtime::read_program(text);
    if (program.cleaned.size() != text.size()) __builtin_trap();
    for (const auto& st : program.statements) {
        if (st.offset > st.end || st.end > program.cleaned.size()) __builtin_trap();
        qor::runtime::first_word(st.text);
    }
    return 0;
}
