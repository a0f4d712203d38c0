// The register bytecode: 8-byte instructions over slot-indexed frames, and the generated
// program every instance of a session shares (code, frame images, tables of call sites).
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "host/compiler.h"

namespace qor::cmp {

// Operand fields a, b, c are frame slots unless the comment says otherwise. A 32-bit jump
// target is b | c << 16. EXT is the second word of a two-word instruction.
enum Op : uint16_t {
    OP_HALT,                     // end of code: ends the entry
    OP_MOV,                      // num[a] = num[b]
    OP_ADD, OP_SUB, OP_MUL, OP_DIV, OP_POW,   // num[a] = num[b] op num[c], missing-aware
    OP_NEG,                      // num[a] = -num[b]
    OP_NOT,                      // num[a] = !truth(num[b])
    OP_AND, OP_OR,               // truth values
    OP_EQ, OP_NE, OP_LT, OP_LE, OP_GT, OP_GE, // missing values order below numbers
    OP_JMP,                      // goto target
    OP_JF, OP_JT,                // if !truth(num[a]) / truth(num[a]) goto target
    OP_LDM, OP_STM,              // num[a] = *(double*)(ptr[b] + c) / store num[a] there
    OP_LDP, OP_STP,              // through a double* member at ptr[b] + c (null: missing / error)
    OP_LDB, OP_STB,              // num[a] = *(double*)ptr[b] / store
    OP_CALL1,                    // num[a] = fn1[c](num[b])
    OP_CALL2,                    // num[a] = fn2[c](num[b], num[EXT.a])
    OP_AGG,                      // num[a] = aggregate EXT.a over num[b .. b+c)
    OP_XIDX,                     // num[a] = num[a] * EXT.b + (index(num[b]) - 1), checked against c
    OP_LDX, OP_STX,              // num[a] = element num[c] of array b / store num[a]
    OP_SLDX, OP_SSTX,            // character arrays: str[a] = element / store
    OP_SMOV,                     // str[a] = str[b] (cut or padded to a's rules)
    OP_SCAT,                     // str[a] = str[b] || str[c]
    OP_SCMP,                     // num[a] = compare str[b] with str[c] by EXT.a (blank-padded)
    OP_N2S,                      // str[a] = text of num[b]
    OP_S2N,                      // num[a] = number in str[b], missing when not a number
    OP_GCALL,                    // generic built-in call site a
    OP_XCALL,                    // special function call site a
    OP_PUT,                      // PUT site a
    OP_LOOPCHK,                  // iterative DO: start num[a], end num[b], step num[c] must be numbers, c != 0
    OP_FORTEST,                  // leave the loop (goto EXT target) unless num[a] within num[b] by sign of num[c]
    OP_FORNEXT,                  // num[a] += num[c]; back to the EXT target while within num[b]
    OP_RUNM,                     // call: push return address, goto target
    OP_MRET,                     // return from a method or block (or end the entry when not called)
    OP_ERET,                     // end the entry
    OP_EXT,                      // second word of CALL2, AGG, XIDX, SCMP, FORTEST, FORNEXT
    OP_COUNT
};

struct Instr {
    uint16_t op, a, b, c;
};
static_assert(sizeof(Instr) == 8, "instructions are 8 bytes");

inline uint32_t target_of(const Instr& i) { return i.b | (static_cast<uint32_t>(i.c) << 16); }

enum AggKind : uint16_t { AGG_SUM, AGG_MEAN, AGG_MIN, AGG_MAX, AGG_N, AGG_NMISS, AGG_COALESCE };
enum CmpKind : uint16_t { CMP_EQ, CMP_NE, CMP_LT, CMP_LE, CMP_GT, CMP_GE };

struct StrSlotInit {
    int capacity = 8;
    bool variable = true;       // variables keep len == capacity (blank padded)
    std::string initial;        // constants
};

struct ArrayTable {
    char type = 'n';
    std::vector<int> slots;     // numeric or character slot of each element
};

enum ArgStorage : uint8_t { ARG_FRAME, ARG_MEMBER, ARG_POINTER_MEMBER, ARG_BOUND };

struct ArgRef {
    char type = 'n';            // 'n', 'c'; 'a' whole array; 'o' omitted
    int slot = -1;              // frame slot; arrays: array table index
    ArgStorage storage = ARG_FRAME;
    int pointer = -1;           // structure members and bound symbols: pointer slot
    int offset = 0;
    bool variable = false;      // a variable (its storage is written by out-arguments)
};

struct GenericSite {
    int function = -1;          // built-in index
    char result = 'n';
    int dst = -1;
    std::vector<ArgRef> args;
};

struct SpecialSite {
    int function = -1;          // special function index
    char result = 0;
    int dst = -1;
    std::vector<ArgRef> args;
    int hidden_size = 0;
    int hidden_index = -1;      // index into each instance's hidden records
};

struct PutSite {
    struct Item { int kind; std::string text; char type; int slot; };
    std::vector<Item> items;
};

struct MethodRange {
    uint32_t start = 0, end = 0;
    std::string name;
};

// The generated program: immutable after cmpgen, shared by every instance.
struct Code {
    std::vector<Instr> code;
    std::vector<int> line_of;                 // statement number of each instruction
    std::vector<double> num_init;             // frame image: locals missing, constants set
    std::vector<StrSlotInit> str_slots;
    std::vector<ArrayTable> arrays;
    std::vector<double (*)(double)> fn1;
    std::vector<double (*)(double, double)> fn2;
    std::vector<GenericSite> generic_sites;
    std::vector<SpecialSite> special_sites;
    std::vector<PutSite> put_sites;
    std::vector<MethodRange> methods;
    std::map<std::string, uint32_t> labels;   // label -> code address
    std::vector<uint32_t> entries;            // run-list entry -> code address
    std::vector<std::string> entry_names;
    size_t string_bytes = 0;
};

}  // namespace qor::cmp
