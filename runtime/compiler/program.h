// What a compile session knows about its program: symbols and their storage, structures and
// their instances, arrays, methods and blocks, labels and registered special functions.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/compiler.h"
#include "runtime/compiler/ast.h"

// Where a symbol's value lives at run time.
enum class SymStorage {
    Local,          // a frame slot of each instance (numeric or character)
    Member,         // a double at pointer slot `pointer` + `offset`
    PointerMember,  // a double* at pointer slot `pointer` + `offset`
    Bound           // a double at the address in pointer slot `pointer`
};

struct cmp_symbol {
    std::string name;            // upper case
    char kind = 'v';             // 'v' variable, 'a' array
    char type = 'n';             // 'n' numeric, 'c' character
    int length = 8;              // character capacity
    int flags = 0;               // CMP_SYM_*
    bool type_known = false;     // fixed by a declaration or its first use
    SymStorage storage = SymStorage::Local;
    int slot = -1;               // Local: numeric or character slot (assigned at generate)
    int pointer = -1;            // Member, PointerMember, Bound: pointer slot
    int offset = 0;
    // arrays
    std::vector<cmp_symbol*> elements;
    std::vector<int> dims;
    int array_index = -1;
    bool matrix = false;         // a matrix: contiguous elements (names of elements only after cmpa2m)
    int matrix_flags = 0;        // CMP_MTX_*
    bool loop_variable = false;  // an iterative DO's variable: must stay a frame slot
    double* matrix_data = nullptr;   // engine storage of a matrix (null: each instance owns its own)
    cmp_symbol* next = nullptr;  // declaration order
};

namespace qor::cmp {

struct Structure {
    std::string name;
    std::vector<cmp_member> members;
    std::vector<std::string> member_names;   // upper case, owned here
    std::vector<int> text_lengths;           // character members: the field's length (else 0)
    int size = 0;
};

struct StructInstance {
    std::string name;
    int structure = -1;
    int pointer = -1;            // pointer slot holding the base address
    bool bare_names = false;
};

struct Block {
    bool defined = false;
    std::vector<Stmt*> body;
    int first_stmt = -1;         // positions of its BLOCK and ENDBLOCK in the method's source
    int last_stmt = -1;
};

struct Method {
    std::string name;
    char kind = 'N';
    std::string description;
    bool defined = false;
    bool referenced = false;
    int first_line = 0;
    std::vector<Stmt*> body;     // statements outside blocks
    Block blocks[5];
    std::vector<std::string> source;   // statement texts from METHOD to ENDMETHOD (stored form)
    bool has_blocks() const {
        for (const Block& b : blocks)
            if (b.defined) return true;
        return false;
    }
};

struct SpecialFunction {
    std::string name;
    cmp_special_def def;
    std::string arg_types;
};

// Everything a compile builds before generation.
struct ProgramSource {
    NodeStore nodes;
    std::vector<std::unique_ptr<cmp_symbol>> symbols;   // declaration order
    std::map<std::string, cmp_symbol*> by_name;
    std::vector<Structure> structures;
    std::vector<StructInstance> instances;
    std::vector<double*> bound_addresses;               // pointer slots' addresses for Bound symbols
    int pointer_slots = 0;
    std::vector<Method> methods;
    std::unordered_map<std::string, int> method_by_name;  // name -> index in methods
    std::vector<SpecialFunction> specials;
    std::vector<cmp_symbol*> arrays;
    std::vector<Stmt*> main;                            // top-level statements
    std::map<std::string, int> labels;                  // label -> statement number of definition

    cmp_symbol* find(const std::string& upper_name) const {
        auto it = by_name.find(upper_name);
        return it == by_name.end() ? nullptr : it->second;
    }
    cmp_symbol* add(const std::string& upper_name, char kind, char type) {
        symbols.push_back(std::make_unique<cmp_symbol>());
        cmp_symbol* s = symbols.back().get();
        s->name = upper_name;
        s->kind = kind;
        s->type = type;
        if (symbols.size() > 1) symbols[symbols.size() - 2]->next = s;
        by_name[upper_name] = s;
        return s;
    }
    // A matrix: its data address lives in a pointer slot of each instance.
    void make_matrix(cmp_symbol* sym, double* data, int flags) {
        sym->matrix = true;
        sym->matrix_data = data;
        sym->matrix_flags = flags;
        sym->pointer = pointer_slots++;
        bound_addresses.resize(static_cast<size_t>(pointer_slots), nullptr);
    }
    int method_index(const std::string& name) const {
        auto it = method_by_name.find(name);
        return it == method_by_name.end() ? -1 : it->second;
    }
    // A new method of that name (defined or only called so far); answers its index.
    int add_method(const std::string& name) {
        methods.emplace_back();
        methods.back().name = name;
        int index = static_cast<int>(methods.size()) - 1;
        method_by_name[name] = index;
        return index;
    }
};

}  // namespace qor::cmp
