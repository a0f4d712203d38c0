// Runs one methods program on the interpreter and as machine code and stops on any difference:
// a value's bits, the missing count, a PUT line, an error text or line, a run's status. The
// program is the input's statements (split at newlines), or, when the first byte is below 0x10,
// one made from the bytes by a small generator of arithmetic, comparisons, IF, DO loops, GOTO,
// SELECT, RUNMETHOD, PUT, missing literals and array subscripts. Runs have an instruction
// budget, so every loop ends.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/compiler/tier_outcome.h"

namespace {

// Reads the input a byte at a time; zeros once it is used up, so every program ends.
class Bytes {
public:
    Bytes(const uint8_t* d, size_t n) : data_(d), size_(n) {}
    unsigned next() { return pos_ < size_ ? data_[pos_++] : 0u; }
    unsigned pick(unsigned n) { return next() % n; }
    bool done() const { return pos_ >= size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Builds statements from bytes: numeric variables V0..V5, an array A of 4 elements, a method M,
// loop variables I0..I3 (one per nesting level), labels L0..L3.
class Generator {
public:
    explicit Generator(Bytes& b) : in_(b) {}

    std::vector<std::string> program() {
        out_.push_back("array a[4] (1, 2, .A, 4);");
        for (int i = 0; i < 6; ++i) out_.push_back("v" + std::to_string(i) + " = " + literal() + ";");
        // a method the program runs (and that may run itself, up to the nesting limit)
        out_.push_back("method m;");
        for (unsigned n = 1 + in_.pick(3); n > 0; --n) statement(1);
        out_.push_back("endmethod;");
        for (int n = 0; n < 24 && !in_.done(); ++n) statement(0);
        return out_;
    }

private:
    std::string literal() {
        static const char* const kLiterals[] = {"0", "1", "2", "-1", "0.5", "3", "10", "-0.25", "1e308", "-1e308",
                                                "1e-308", "4.9e-324", "1e15", "7", ".", "._", ".A", ".Z", "-0",
                                                "0.1", "100", "2.5"};
        return kLiterals[in_.pick(sizeof kLiterals / sizeof *kLiterals)];
    }
    std::string variable() {
        unsigned k = in_.pick(8);
        if (k < 6) return "v" + std::to_string(k);
        if (k == 6 && loops_ > 0) return "i" + std::to_string(in_.pick(static_cast<unsigned>(loops_)));
        return "a[" + std::to_string(1 + in_.pick(4)) + "]";
    }
    std::string expression(int depth) {
        unsigned k = depth > 3 ? in_.pick(2) : in_.pick(12);
        switch (k) {
            case 0: return literal();
            case 1: return variable();
            case 2: case 3: {
                static const char* const kOps[] = {" + ", " - ", " * ", " / ", " ** "};
                return "(" + expression(depth + 1) + kOps[in_.pick(5)] + expression(depth + 1) + ")";
            }
            case 4: return "-(" + expression(depth + 1) + ")";
            case 5: return comparison(depth + 1);
            case 6: {
                static const char* const kOne[] = {"exp", "log", "sqrt", "abs", "int", "floor", "probnorm", "missing"};
                return std::string(kOne[in_.pick(8)]) + "(" + expression(depth + 1) + ")";
            }
            case 7: {
                static const char* const kTwo[] = {"min", "max", "mod", "sum", "atan2"};
                return std::string(kTwo[in_.pick(5)]) + "(" + expression(depth + 1) + ", " + expression(depth + 1) + ")";
            }
            case 8:   // mostly within 1 to 4; now and then any value (out of range, missing, fractional)
                if (in_.pick(4) == 1) return "a[" + expression(depth + 1) + "]";
                return "a[1 + mod(abs(int(" + expression(depth + 1) + ")), 4)]";
            default: return variable();
        }
    }
    std::string comparison(int depth) {
        static const char* const kCmp[] = {" < ", " <= ", " = ", " >= ", " > "};
        std::string c = "(" + expression(depth + 1) + kCmp[in_.pick(5)] + expression(depth + 1) + ")";
        if (depth < 3 && in_.pick(4) == 1) c = "(" + c + (in_.pick(2) ? " and " : " or ") + comparison(depth + 1) + ")";
        return c;
    }
    std::string target() {
        unsigned k = in_.pick(8);
        if (k == 1) return "a[" + expression(2) + "]";
        if (k == 2) return "a[" + std::to_string(1 + in_.pick(4)) + "]";
        return "v" + std::to_string(in_.pick(6));
    }

    void statement(int depth) {
        unsigned k = depth > 2 ? in_.pick(3) : in_.pick(12);
        switch (k) {
            case 0: case 1:
                out_.push_back(target() + " = " + expression(0) + ";");
                break;
            case 2:
                out_.push_back("put v" + std::to_string(in_.pick(6)) + "= v" + std::to_string(in_.pick(6)) + "=;");
                break;
            case 3:
                out_.push_back("if " + comparison(0) + " then " + target() + " = " + expression(0) + ";");
                if (in_.pick(2)) out_.push_back("else " + target() + " = " + expression(0) + ";");
                break;
            case 4: case 5: {   // iterative DO: bounds and step may be missing, zero or fractional
                std::string var = "i" + std::to_string(loops_);
                std::string by = in_.pick(3) ? "" : " by " + expression(1);
                out_.push_back("do " + var + " = " + expression(1) + " to " + expression(1) + by + ";");
                body(depth);
                break;
            }
            case 6:
                out_.push_back(std::string(in_.pick(2) ? "do while " : "do until ") + "(" + comparison(0) + ");");
                body(depth);
                break;
            case 7:
                if (loops_ > 0) out_.push_back(std::string("if ") + comparison(0) + (in_.pick(2) ? " then leave;" : " then continue;"));
                break;
            case 8: {   // a label, and a GOTO back or forward to one defined anywhere at the top level
                if (depth == 0 && labels_ < 4) out_.push_back("l" + std::to_string(labels_++) + ": ;");
                if (labels_ > 0)
                    out_.push_back("if " + comparison(0) + " then goto l" + std::to_string(in_.pick(static_cast<unsigned>(labels_))) + ";");
                break;
            }
            case 9:
                out_.push_back("select (" + variable() + ");");
                out_.push_back("when (" + literal() + ") " + target() + " = " + expression(0) + ";");
                out_.push_back("when (" + literal() + ", " + literal() + ") " + target() + " = " + expression(0) + ";");
                out_.push_back("otherwise " + target() + " = " + expression(0) + ";");
                out_.push_back("end;");
                break;
            case 10:
                out_.push_back("runmethod m;");
                break;
            default:
                out_.push_back(variable() + " = " + variable() + " + " + literal() + ";");
                break;
        }
    }
    void body(int depth) {
        ++loops_;
        unsigned n = 1 + in_.pick(3);
        for (unsigned i = 0; i < n; ++i) statement(depth + 1);
        --loops_;
        out_.push_back("end;");
    }

    Bytes& in_;
    std::vector<std::string> out_;
    int loops_ = 0;
    int labels_ = 0;
};

std::vector<std::string> split_lines(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t nl = text.find('\n', start);
        lines.push_back(text.substr(start, nl == std::string::npos ? std::string::npos : nl - start));
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tiers::Program p;
    if (size > 0 && data[0] < 0x10) {
        Bytes bytes(data + 1, size - 1);
        p.statements = Generator(bytes).program();
    } else {
        p.statements = split_lines(data, size);
    }
    p.runs = 2;   // the second starts from what the first left
    p.budget = 20000;
    p.declare = [](cmp_session* s) {
        cmpdyna(s);
        cmpfrna(s);
    };
    if (std::getenv("QOR_FUZZ_SHOW")) {   // to see what the generator makes of an input
        for (const std::string& s : p.statements) std::fprintf(stderr, "  %s\n", s.c_str());
        std::fprintf(stderr, "--\n");
    }
    tiers::Outcome vm = tiers::run_under(CMP_TIER_VM, p);
    tiers::Outcome native = tiers::run_under(CMP_TIER_NATIVE, p);
    std::string difference = tiers::first_difference(vm, native);
    if (!difference.empty()) {
        std::fprintf(stderr, "The tiers differ (interpreter first, machine code second) at %s\nProgram:\n",
                     difference.c_str());
        for (const std::string& s : p.statements) std::fprintf(stderr, "  %s\n", s.c_str());
        __builtin_trap();
    }
    return 0;
}
