// The register bytecode: 16-byte instructions over slot-indexed frames, and the generated
// program every instance of a session shares (code, frame images, tables of call sites).
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/compiler.h"

namespace qor::cmp {

// Operand fields a, b, c are 32-bit frame slots unless the list says otherwise (member
// offsets, element counts, site numbers). A jump target is b. EXT is the second word of a
// two-word instruction.
//
//   HALT                  end of code: ends the entry
//   MOV                   num[a] = num[b]
//   ADD SUB MUL DIV POW   num[a] = num[b] op num[c], missing-aware
//   NEG                   num[a] = -num[b]
//   NOT                   num[a] = !truth(num[b])
//   AND OR                truth values
//   EQ NE LT LE GT GE     missing values order below numbers
//   JMP                   goto target
//   JF JT                 if !truth(num[a]) / truth(num[a]) goto target
//   LDM STM               num[a] = *(double*)(ptr[b] + c) / store num[a] there
//   LDP STP               through a double* member at ptr[b] + c (null: missing / error)
//   LDB STB               num[a] = *(double*)ptr[b] / store
//   CALL1                 num[a] = fn1[c](num[b])
//   CALL2                 num[a] = fn2[c](num[b], num[EXT.a])
//   AGG                   num[a] = aggregate EXT.a over num[b .. b+c)
//   XIDX                  num[a] = num[a] * c + (index(num[b]) - 1), checked against c; EXT.a: first
//   LDX STX               num[a] = element num[c] of array b / store num[a]
//   SLDX SSTX             character arrays: str[a] = element / store
//   SMOV                  str[a] = str[b] (cut or padded to a's rules)
//   SCAT                  str[a] = str[b] || str[c]
//   SCMP                  num[a] = compare str[b] with str[c] by EXT.a (blank-padded)
//   N2S                   str[a] = text of num[b]
//   S2N                   num[a] = number in str[b], missing when not a number
//   GCALL XCALL PUT       generic built-in / special function / PUT site a
//   LOOPCHK               iterative DO: start num[a], end num[b], step num[c] numbers, c != 0
//   FORTEST               leave the loop (goto EXT target) unless num[a] within num[b] by sign of num[c]
//   FORNEXT               num[a] += num[c]; back to the EXT target while within num[b]
//   RUNM                  call: push return address, goto target
//   MRET                  return from a method or block (or end the entry when not called)
//   ERET                  end the entry
//   EXT                   second word of a two-word instruction
//   TICK                  spend a instructions of the run's budget; fail once it is spent
//                         (generated only under a budget: at loop passes, GOTOs, method starts)
// Fused forms of frequent shapes (one dispatch; each gives exactly the value and the
// missing-value count of the plain steps it replaces):
//   MADD MSUB             num[a] = num[b] +/- num[c] * num[EXT.a]
//   MMUL                  num[a] = (num[b] * num[c]) * num[EXT.a]
//   ADDM SUBM MULM DIVM   num[a] = num[b] op member, the member at ptr[c] + EXT.a
//   RSUBM RDIVM           num[a] = member op num[b]
//   NEGM                  num[a] = -(member at ptr[b] + c)
//   JFEQ .. JFGE          unless num[a] op num[b], goto the EXT target
//   FORNEXTP              FORNEXT for a step known to be positive
// Resizable matrices (extents in the instance):
//   MIDX                  as XIDX against extent EXT.b of matrix c; EXT.a: first
//   MDIM                  num[a] = extent c of matrix b
// Character structure members (text fields at ptr[b] + c):
//   SLDM                  str[a] = the field (str[a]'s capacity is the field's length)
//   SSTM                  the field of EXT.a characters = str[a], cut or blank padded
#define QOR_CMP_OPCODES(X)                                                                           \
    X(HALT) X(MOV) X(ADD) X(SUB) X(MUL) X(DIV) X(POW) X(NEG) X(NOT) X(AND) X(OR)                      \
    X(EQ) X(NE) X(LT) X(LE) X(GT) X(GE) X(JMP) X(JF) X(JT)                                            \
    X(LDM) X(STM) X(LDP) X(STP) X(LDB) X(STB) X(CALL1) X(CALL2) X(AGG) X(XIDX) X(LDX) X(STX)          \
    X(SLDX) X(SSTX) X(SMOV) X(SCAT) X(SCMP) X(N2S) X(S2N) X(GCALL) X(XCALL) X(PUT)                    \
    X(LOOPCHK) X(FORTEST) X(FORNEXT) X(RUNM) X(MRET) X(ERET) X(EXT)                                   \
    X(MADD) X(MSUB) X(MMUL) X(ADDM) X(SUBM) X(MULM) X(DIVM) X(RSUBM) X(RDIVM) X(NEGM)                 \
    X(JFEQ) X(JFNE) X(JFLT) X(JFLE) X(JFGT) X(JFGE) X(FORNEXTP) X(MIDX) X(MDIM) X(SLDM) X(SSTM) X(TICK)

#define QOR_CMP_ENUM_OP(name) OP_##name,
enum Op : uint16_t { QOR_CMP_OPCODES(QOR_CMP_ENUM_OP) OP_COUNT };
#undef QOR_CMP_ENUM_OP

// Every operand is 32 bits wide, so that frames, program data vectors and structures are not
// held to 16-bit slot numbers or offsets; the spare half-word keeps operands aligned.
struct Instr {
    uint16_t op, spare;
    uint32_t a, b, c;
};
static_assert(sizeof(Instr) == 16, "instructions are 16 bytes");

inline uint32_t target_of(const Instr& i) { return i.b; }

enum AggKind : uint16_t { AGG_SUM, AGG_MEAN, AGG_MIN, AGG_MAX, AGG_N, AGG_NMISS, AGG_COALESCE };
enum CmpKind : uint16_t { CMP_EQ, CMP_NE, CMP_LT, CMP_LE, CMP_GT, CMP_GE };

struct StrSlotInit {
    int capacity = 8;
    bool variable = true;       // variables keep len == capacity (blank padded)
    std::string initial;        // constants
};

struct ArrayTable {
    char type = 'n';
    std::vector<int> slots;     // numeric or character slot of each element (-1: bound element)
    std::vector<int> pointers;  // bound elements: the pointer slot holding the element's address
    bool matrix = false;        // contiguous elements: engine storage or the instance's own
    int count = 0;              // matrices: element count
    double* data = nullptr;     // matrices bound to engine storage (null: each instance owns them)
    bool resizable = false;     // extents live in each instance
    int rows = 0, columns = 0;  // extents when the program is generated (columns 0: one dimension)
    int pointer = -1;           // matrices: pointer slot holding the data address
    cmp_symbol* symbol = nullptr;   // the array's handle, passed to special functions
};

enum ArgStorage : uint8_t { ARG_FRAME, ARG_MEMBER, ARG_POINTER_MEMBER, ARG_BOUND };

struct ArgRef {
    char type = 'n';            // 'n', 'c'; 'a' whole array; 'o' omitted
    int slot = -1;              // frame slot; arrays: array table index
    ArgStorage storage = ARG_FRAME;
    int pointer = -1;           // structure members and bound symbols: pointer slot
    int offset = 0;
    bool variable = false;      // a variable (its storage is written by out-arguments)
    int length = 0;             // character members: the field's length
};

struct GenericSite {
    int function = -1;          // built-in index
    char result = 'n';
    int dst = -1;
    std::vector<ArgRef> args;
};

struct SpecialSite {
    int function = -1;          // special function index
    std::string name;           // the function's name, body and registration context, copied
    cmp_body_fn body = nullptr; // at generation so that a run reads nothing of the compile
    void* context = nullptr;
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
    static constexpr uint32_t kNone = 0xFFFFFFFFu;
    uint32_t start = 0, end = 0;
    uint32_t blocks[5] = {kNone, kNone, kNone, kNone, kNone};
    std::string name;
};

// The generated program: immutable after cmpgen, shared by every instance. It holds all a run
// needs (nothing of the compile session's source is read at run time).
struct Code {
    std::vector<Instr> code;
    std::vector<int> line_of;                 // statement number of each instruction
    std::vector<double> num_init;             // frame image: locals missing, constants set
    uint32_t temp_base = 0, temp_count = 0;   // the frame's temporaries: values inside one statement
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
    std::unordered_map<std::string, uint32_t> method_by_name;   // name -> index in methods
    size_t string_bytes = 0;
    int64_t budget = 0;                       // instructions per run (0: unbounded, no TICK)
    size_t pointer_slots = 0;                 // structure bases, bound addresses, matrices
    std::vector<void*> pointer_image;         // initial pointer slots (bound addresses)
    // The pointer slots the code reads through, which must hold an address before a run
    // starts, and the structure instance or bound symbol of each, for the message.
    std::vector<uint32_t> required_slots;
    std::vector<std::string> required_names;
    // Per array: 1 when the code may change it (an element store, an element named by the
    // code and assigned, or the whole array handed to a special function); a read-only binding
    // of an array never changed reads the shared storage in place.
    std::vector<unsigned char> array_written;
};

}  // namespace qor::cmp
