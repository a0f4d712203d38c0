// Fuzz target: the program reader must split any text into statements without crashing, keep
// every statement inside the cleaned text, and never let text inside a comment reach a statement.
#include <cstddef>
#include <cstdint>
#include <string>

#include "runtime/submit/program_reader.h"

namespace {

// Checks that hold for any text: the cleaned text only lost characters to blanks (new lines and
// positions kept), and each statement is the cleaned text at its offset, in order.
void check_any_text(const std::string& text) {
    auto program = qor::runtime::read_program(text);
    const std::string& cleaned = program.cleaned;
    if (cleaned.size() != text.size()) __builtin_trap();
    for (size_t i = 0; i < text.size(); ++i)
        if (cleaned[i] != text[i] && (cleaned[i] != ' ' || text[i] == '\n')) __builtin_trap();
    size_t previous_end = 0;
    for (const auto& st : program.statements) {
        if (st.offset < previous_end || st.offset > st.end || st.end > cleaned.size()) __builtin_trap();
        if (cleaned.compare(st.offset, st.text.size(), st.text) != 0) __builtin_trap();
        previous_end = st.end;
        qor::runtime::first_word(st.text);
    }
}

// Builds a well-formed program from the input: each byte picks a piece (a word, a quoted text
// holding comment marks, a block comment, a comment statement, a ';') and the bytes after it give
// the piece's free characters. Every comment holds the letter 'Z', which no other piece holds,
// so a 'Z' in a statement is comment text that escaped.
std::string program_from(const uint8_t* data, size_t size) {
    static const char kFree[] = "ab '\"*/;\n";   // characters a comment or quote may hold
    std::string out;
    bool at_statement_start = true;
    size_t i = 0;
    auto free_chars = [&](const char* banned_pair, char banned) {
        std::string s;
        size_t n = i < size ? data[i++] % 8 : 0;
        for (size_t k = 0; k < n && i < size; ++k) {
            char c = kFree[data[i++] % (sizeof kFree - 1)];
            if (c == banned) c = 'b';
            // Never let the piece end itself early: no "*/" in a block comment.
            if (banned_pair && !s.empty() && s.back() == banned_pair[0] && c == banned_pair[1]) c = 'b';
            s += c;
        }
        return s;
    };
    while (i < size) {
        switch (data[i++] % 6) {
        case 0: out += " word"; at_statement_start = false; break;
        case 1: {   // quoted text: anything but its own quote
            char q = (i < size && data[i] % 2) ? '"' : '\'';
            out += q + free_chars(nullptr, q) + q;
            at_statement_start = false;
            break;
        }
        case 2: out += "/*Z" + free_chars("*/", 0) + "Z*/"; break;
        case 3:
            if (at_statement_start) {   // a comment statement: no ';' of its own
                out += "\n*Z" + free_chars("/*", ';') + ";";
            }
            break;
        case 4: out += ";"; at_statement_start = true; break;
        default: out += "\n"; break;
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    check_any_text(std::string(reinterpret_cast<const char*>(data), size));
    std::string program = program_from(data, size);
    auto read = qor::runtime::read_program(program);
    if (!read.errors.empty()) __builtin_trap();
    for (const auto& st : read.statements)
        if (st.text.find('Z') != std::string::npos) __builtin_trap();
    return 0;
}
