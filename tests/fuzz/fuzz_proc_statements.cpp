// Fuzz target: the statement reader of SORT, TRANSPOSE, DATASETS and APPEND and the reader of
// data set names with options must take any step text without crashing, and every token a
// statement yields must come from that statement's line range.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/anchor.h"
#include "runtime/procs/dataset_spec.h"
#include "runtime/procs/step_tokens.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    qor_step step{};
    step.text = text.data();
    step.text_length = text.size();
    step.first_line = 1;
    std::vector<qor::runtime::StepStatement> statements;
    if (!qor::runtime::read_step_statements(&step, "FUZZ", &statements)) return 0;
    int lines = 1;
    for (char c : text) lines += c == '\n';
    for (const auto& st : statements) {
        for (const auto& token : st.tokens)
            if (token.line < st.line || token.line > lines) __builtin_trap();
        // Every position of the statement as the start of a data set name with options.
        for (size_t start = 0; start < st.tokens.size(); ++start) {
            qor::runtime::TokenCursor cursor(st.tokens, start, st.line);
            qor::runtime::DatasetSpec spec;
            if (qor::runtime::read_dataset_spec(cursor, "FUZZ", &spec) && cursor.position() <= start) __builtin_trap();
        }
    }
    return 0;
}
