// Lowers the register bytecode to LLVM IR: one basic block per instruction, frame slots as
// loads and stores, character values, call sites and PUT as calls to the VM's own handlers.
// The machine code is the VM's fast path only: where an instruction would make a value that is
// not a finite number, compare a missing value or report an error, it stores nothing and hands
// the run to the VM at that instruction, which does it (and all that follows) as it always does.
// Exactness: plain IEEE operations (no fast-math flags, no fused forms) and the same library
// routines called through their addresses, so that LLVM cannot swap them for builtins.
#include "runtime/compiler/native/lowering.h"

#include <cfloat>
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <vector>

#include <llvm/IR/BasicBlock.h>
#include <llvm/IR/Constants.h>
#include <llvm/IR/Function.h>
#include <llvm/IR/IRBuilder.h>
#include <llvm/IR/Intrinsics.h>
#include <llvm/IR/MDBuilder.h>
#include <llvm/IR/Verifier.h>
#include <llvm/Support/raw_ostream.h>

#include "host/missing.h"
#include "runtime/compiler/functions.h"
#include "runtime/compiler/native.h"
#include "runtime/compiler/native_support.h"
#include "runtime/compiler/session.h"

namespace qor::cmp {

namespace {

namespace ns = native_support;

// Words an instruction takes (the second word of the two-word forms is an EXT).
int width_of(uint16_t op) {
    switch (op) {
        case OP_CALL2: case OP_AGG: case OP_XIDX: case OP_MIDX: case OP_SSTM: case OP_SCMP:
        case OP_FORTEST: case OP_FORNEXT: case OP_FORNEXTP: case OP_MADD: case OP_MSUB: case OP_MMUL:
        case OP_ADDM: case OP_SUBM: case OP_MULM: case OP_DIVM: case OP_RSUBM: case OP_RDIVM:
        case OP_JFEQ: case OP_JFNE: case OP_JFLT: case OP_JFLE: case OP_JFGT: case OP_JFGE:
            return 2;
        default:
            return 1;
    }
}

constexpr size_t kMaxNativeInstructions = 5000;

template <class F>
uint64_t address_of(F* f) {
    return reinterpret_cast<uint64_t>(f);
}

// Which temporaries each instruction's code may read before writing them (live on entry), by the
// usual backward data flow over the bytecode. A temporary not live at an instruction holds nothing
// the VM or the rest of the code needs, so the machine code need not keep it.
std::vector<std::vector<bool>> live_temporaries(const Code& C, const std::vector<char>& starts,
                                                const std::vector<uint32_t>& returns) {
    const size_t n = C.code.size(), T = C.temp_count;
    auto is_temp = [&](uint32_t s) { return s - C.temp_base < T; };
    std::vector<std::vector<uint32_t>> uses(n), defs(n), next(n);
    std::vector<bool> all(n, false);   // handlers read and write the whole frame
    for (size_t i = 0; i < n; ++i) {
        if (!starts[i]) continue;
        const Instr& in = C.code[i];
        const Instr& ext = C.code[i + static_cast<size_t>(width_of(in.op)) - 1];
        std::vector<uint32_t> u, d;
        bool falls = true;
        switch (in.op) {
            case OP_MOV: case OP_NEG: case OP_NOT: case OP_CALL1: case OP_ADDM: case OP_SUBM: case OP_MULM:
            case OP_DIVM: case OP_RSUBM: case OP_RDIVM:
                d = {in.a}; u = {in.b}; break;
            case OP_ADD: case OP_SUB: case OP_MUL: case OP_DIV: case OP_POW: case OP_AND: case OP_OR:
            case OP_EQ: case OP_NE: case OP_LT: case OP_LE: case OP_GT: case OP_GE:
                d = {in.a}; u = {in.b, in.c}; break;
            case OP_CALL2: d = {in.a}; u = {in.b, ext.a}; break;
            case OP_MADD: case OP_MSUB: case OP_MMUL: d = {in.a}; u = {in.b, in.c, ext.a}; break;
            case OP_LDM: case OP_LDP: case OP_LDB: case OP_MDIM: case OP_NEGM: d = {in.a}; break;
            case OP_STM: case OP_STP: case OP_STB: u = {in.a}; break;
            case OP_XIDX: case OP_MIDX: d = {in.a}; u = {in.b}; if (ext.a == 0) u.push_back(in.a); break;
            case OP_LDX: d = {in.a}; u = {in.c}; break;
            case OP_STX: u = {in.a, in.c}; break;
            case OP_LOOPCHK: case OP_FORTEST: u = {in.a, in.b, in.c}; break;
            case OP_FORNEXT: case OP_FORNEXTP: d = {in.a}; u = {in.a, in.b, in.c}; break;
            case OP_JF: case OP_JT: u = {in.a}; break;
            case OP_JFEQ: case OP_JFNE: case OP_JFLT: case OP_JFLE: case OP_JFGT: case OP_JFGE: u = {in.a, in.b}; break;
            case OP_TICK: case OP_JMP: case OP_RUNM: case OP_MRET: case OP_HALT: case OP_ERET: break;
            default: all[i] = true; break;   // character values, call sites, PUT, special functions, EXT
        }
        // where control goes next
        switch (in.op) {
            case OP_JMP: case OP_RUNM: next[i] = {in.b}; falls = false; break;
            case OP_JF: case OP_JT: next[i] = {in.b}; break;
            case OP_FORTEST: case OP_FORNEXT: case OP_FORNEXTP: case OP_JFEQ: case OP_JFNE: case OP_JFLT:
            case OP_JFLE: case OP_JFGT: case OP_JFGE: next[i] = {ext.b}; break;
            case OP_MRET: next[i] = returns; falls = false; break;
            case OP_HALT: case OP_ERET: falls = false; break;
            default: break;
        }
        size_t after = i + static_cast<size_t>(width_of(in.op));
        if (falls && after < n) next[i].push_back(static_cast<uint32_t>(after));
        for (uint32_t s : u) if (is_temp(s)) uses[i].push_back(s - C.temp_base);
        for (uint32_t s : d) if (is_temp(s)) defs[i].push_back(s - C.temp_base);
    }
    std::vector<std::vector<bool>> live(n, std::vector<bool>(T, false));
    for (bool changed = true; changed;) {
        changed = false;
        for (size_t k = n; k-- > 0;) {
            if (!starts[k]) continue;
            std::vector<bool> out(T, false);
            for (uint32_t t : next[k])
                for (size_t x = 0; x < T; ++x) out[x] = out[x] || live[t][x];
            std::vector<bool> in_set(T, all[k]);
            if (!all[k]) {
                for (uint32_t x : defs[k]) out[x] = false;
                for (size_t x = 0; x < T; ++x) in_set[x] = out[x];
                for (uint32_t x : uses[k]) in_set[x] = true;
            }
            if (in_set != live[k]) {
                live[k] = std::move(in_set);
                changed = true;
            }
        }
    }
    return live;
}

class Lowering {
public:
    Lowering(const Code& code, llvm::LLVMContext& cx, llvm::Module& m)
        : C(code), cx_(cx), m_(m), B(cx), md_(cx) {
        dbl = B.getDoubleTy();
        i32 = B.getInt32Ty();
        i64 = B.getInt64Ty();
        i8p = B.getInt8PtrTy();
        dblp = llvm::PointerType::getUnqual(dbl);
        llvm::MDNode* domain = md_.createAnonymousAliasScopeDomain("instance");
        llvm::MDNode* frame = md_.createAnonymousAliasScope(domain, "frame");
        llvm::MDNode* bases = md_.createAnonymousAliasScope(domain, "bases");
        llvm::MDNode* external = md_.createAnonymousAliasScope(domain, "records");
        scope_frame_ = llvm::MDNode::get(cx, {frame});
        scope_bases_ = llvm::MDNode::get(cx, {bases});
        scope_external_ = llvm::MDNode::get(cx, {external});
        not_frame_ = llvm::MDNode::get(cx, {bases, external});
        not_bases_ = llvm::MDNode::get(cx, {frame, external});
        not_external_ = llvm::MDNode::get(cx, {frame, bases});
        not_any_ = llvm::MDNode::get(cx, {frame, bases, external});
        likely_ = md_.createBranchWeights(2000, 1);
    }

    bool lower(const std::string& name, std::string& why) {
        const std::vector<Instr>& code = C.code;
        if (code.empty()) {
            why = "the program is empty";
            return false;
        }
        // LLVM's time grows faster than the code: a program beyond this stays on the interpreter
        // (a pricing method is tens of instructions; 5,000 take about a second to compile).
        if (code.size() > kMaxNativeInstructions) {
            why = "the program has " + std::to_string(code.size()) + " instructions, more than the " +
                  std::to_string(kMaxNativeInstructions) + " the native tier compiles";
            return false;
        }
        // Where instructions start; every jump must land on one.
        std::vector<char> starts(code.size() + 1, 0);
        for (size_t i = 0; i < code.size(); i += static_cast<size_t>(width_of(code[i].op))) starts[i] = 1;
        auto target_ok = [&](uint32_t t) { return t < code.size() && starts[t]; };
        for (size_t i = 0; i < code.size(); ++i) {
            if (!starts[i]) continue;
            const Instr& in = code[i];
            bool two = width_of(in.op) == 2;
            if (two && (i + 1 >= code.size() || code[i + 1].op != OP_EXT)) {
                why = "a two-word instruction lacks its second word";
                return false;
            }
            uint32_t t = 0;
            switch (in.op) {
                case OP_JMP: case OP_JF: case OP_JT: case OP_RUNM: t = in.b; break;
                case OP_FORTEST: case OP_FORNEXT: case OP_FORNEXTP: case OP_JFEQ: case OP_JFNE: case OP_JFLT:
                case OP_JFLE: case OP_JFGT: case OP_JFGE: t = code[i + 1].b; break;
                default: continue;
            }
            if (!target_ok(t)) {
                why = "a jump lands inside an instruction";
                return false;
            }
        }

        // Return addresses of RUNMETHOD calls, for MRET's dispatch.
        for (size_t i = 0; i < code.size(); ++i)
            if (starts[i] && code[i].op == OP_RUNM && i + 1 < code.size() && starts[i + 1])
                returns_.insert(static_cast<uint32_t>(i + 1));
        if (code.back().op == OP_HALT) returns_.insert(static_cast<uint32_t>(code.size() - 1));
        live_ = live_temporaries(C, starts, std::vector<uint32_t>(returns_.begin(), returns_.end()));
        leader_.assign(code.size() + 1, 0);
        for (uint32_t r : returns_) leader_[r] = 1;
        leader_[0] = 1;
        for (uint32_t e : C.entries) if (e < code.size()) leader_[e] = 1;
        for (const MethodRange& m : C.methods) {
            if (m.start < code.size()) leader_[m.start] = 1;
            for (uint32_t b : m.blocks) if (b < code.size()) leader_[b] = 1;
        }
        for (size_t i = 0; i < code.size(); ++i) {
            if (!starts[i]) continue;
            const Instr& in = code[i];
            switch (in.op) {
                case OP_JMP: case OP_JF: case OP_JT: case OP_RUNM: leader_[in.b] = 1; break;
                case OP_FORTEST: case OP_FORNEXT: case OP_FORNEXTP: case OP_JFEQ: case OP_JFNE: case OP_JFLT:
                case OP_JFLE: case OP_JFGT: case OP_JFGE: leader_[code[i + 1].b] = 1; break;
                default: break;
            }
        }

        llvm::FunctionType* fty = llvm::FunctionType::get(i32, {i8p}, false);
        fn_ = llvm::Function::Create(fty, llvm::Function::ExternalLinkage, name, m_);
        // exceptions from the handlers (running out of memory) unwind through it, as through the VM
        fn_->addFnAttr(llvm::Attribute::UWTable);

        llvm::BasicBlock* entry = llvm::BasicBlock::Create(cx_, "entry", fn_);
        blocks_.assign(code.size(), nullptr);
        for (size_t i = 0; i < code.size(); ++i)
            if (starts[i]) blocks_[i] = llvm::BasicBlock::Create(cx_, "i" + std::to_string(i), fn_);

        B.SetInsertPoint(entry);
        llvm::Value* run = fn_->getArg(0);
        in_ = field(run, offsetof(NativeRun, instance), i8p);
        R_ = field(run, offsetof(NativeRun, num), dblp);
        P_ = field(run, offsetof(NativeRun, ptr), llvm::PointerType::getUnqual(i8p));
        AX_ = field(run, offsetof(NativeRun, arrays), llvm::PointerType::getUnqual(llvm::PointerType::getUnqual(dblp)));
        E_ = field(run, offsetof(NativeRun, extents), llvm::PointerType::getUnqual(i32));
        stack_ = field(run, offsetof(NativeRun, stack), llvm::PointerType::getUnqual(i32));
        budget_ = field(run, offsetof(NativeRun, budget_used), llvm::PointerType::getUnqual(i64));
        llvm::Value* start = field(run, offsetof(NativeRun, start), i32);
        llvm::Value* depth0 = field(run, offsetof(NativeRun, depth), i32);
        depth_ = B.CreateAlloca(i32, nullptr, "depth");
        B.CreateStore(depth0, depth_);
        for (uint32_t k = 0; k < C.temp_count; ++k) temps_.push_back(B.CreateAlloca(dbl, nullptr, "t"));
        llvm::BasicBlock* dispatch = block("dispatch");
        B.CreateBr(dispatch);

        // Handing over to the VM: where to resume and with how many calls open.
        resume_ = block("resume_on_vm");
        B.SetInsertPoint(resume_);
        resume_pc_ = B.CreatePHI(i32, 16, "resume_at");
        temps_to_frame();
        llvm::Value* open = B.CreateLoad(i32, depth_);
        B.CreateStore(resume_pc_, field_address(run, offsetof(NativeRun, start), i32));
        B.CreateStore(open, field_address(run, offsetof(NativeRun, depth), i32));
        B.CreateRet(B.getInt32(kResumeOnVM));

        B.SetInsertPoint(dispatch);
        std::set<uint32_t> entries{0};
        for (uint32_t e : C.entries) entries.insert(e);
        for (const MethodRange& m : C.methods) {
            entries.insert(m.start);
            for (uint32_t b : m.blocks)
                if (b != MethodRange::kNone) entries.insert(b);
        }
        // A temporary some entry reads before writing it holds what the frame holds.
        for (uint32_t k = 0; k < C.temp_count; ++k)
            for (uint32_t e : entries)
                if (target_ok(e) && live_[e][k]) {
                    B.CreateStore(scoped(B.CreateLoad(dbl, slot(C.temp_base + k)), scope_frame_, not_frame_), temps_[k]);
                    break;
                }
        llvm::BasicBlock* foreign = block("not_an_entry");
        llvm::SwitchInst* sw = B.CreateSwitch(start, foreign, static_cast<unsigned>(entries.size()));
        for (uint32_t e : entries)
            if (target_ok(e)) sw->addCase(B.getInt32(e), blocks_[e]);
        B.SetInsertPoint(foreign);
        B.CreateRet(B.getInt32(kNotNativeEntry));


        for (size_t i = 0; i < code.size(); ++i)
            if (starts[i]) lower_one(static_cast<uint32_t>(i));

        std::string problems;
        llvm::raw_string_ostream os(problems);
        if (llvm::verifyFunction(*fn_, &os)) {
            why = "the lowered function did not verify: " + os.str();
            return false;
        }
        return true;
    }

private:
    const Code& C;
    llvm::LLVMContext& cx_;
    llvm::Module& m_;
    llvm::IRBuilder<> B;
    llvm::MDBuilder md_;
    llvm::Type *dbl, *i32, *i64, *i8p, *dblp;
    llvm::MDNode *scope_frame_, *scope_bases_, *scope_external_, *not_frame_, *not_bases_, *not_external_, *not_any_;
    llvm::MDNode* likely_;
    llvm::Function* fn_ = nullptr;
    llvm::Value *in_ = nullptr, *R_ = nullptr, *P_ = nullptr, *AX_ = nullptr, *E_ = nullptr;
    llvm::Value *stack_ = nullptr, *depth_ = nullptr, *budget_ = nullptr;
    std::vector<llvm::Value*> temps_;
    std::vector<std::vector<bool>> live_;
    std::vector<char> leader_;                    // instructions control can reach other than by falling in
    // Results of the current group of arithmetic steps whose finiteness is not checked yet, by
    // temporary; the group starts at group_ (-1: none). See defer().
    std::map<uint32_t, llvm::Value*> pending_;
    int64_t group_ = -1;
    llvm::BasicBlock* resume_ = nullptr;
    llvm::PHINode* resume_pc_ = nullptr;
    uint32_t at_ = 0;   // the instruction being lowered
    std::vector<llvm::BasicBlock*> blocks_;
    std::set<uint32_t> returns_;

    llvm::BasicBlock* block(const char* name) { return llvm::BasicBlock::Create(cx_, name, fn_); }

    llvm::Value* field_address(llvm::Value* run, size_t offset, llvm::Type* type) {
        llvm::Value* at = B.CreateConstInBoundsGEP1_64(B.getInt8Ty(), run, offset);
        return B.CreateBitCast(at, llvm::PointerType::getUnqual(type));
    }
    llvm::Value* field(llvm::Value* run, size_t offset, llvm::Type* type) {
        return B.CreateLoad(type, field_address(run, offset, type));
    }
    template <class I>
    I* scoped(I* inst, llvm::MDNode* scope, llvm::MDNode* others) {
        inst->setMetadata(llvm::LLVMContext::MD_alias_scope, scope);
        inst->setMetadata(llvm::LLVMContext::MD_noalias, others);
        return inst;
    }
    llvm::Value* stack_slot(llvm::Value* index) { return B.CreateInBoundsGEP(i32, stack_, B.CreateZExt(index, i64)); }

    // Unless `fine` holds, the VM takes over at the instruction being lowered; else on in a new block.
    void vm_unless(llvm::Value* fine) { vm_unless_at(fine, at_); }
    void vm_unless_at(llvm::Value* fine, uint32_t pc) {
        llvm::BasicBlock* go = block("ok");
        resume_pc_->addIncoming(B.getInt32(pc), B.GetInsertBlock());
        B.CreateCondBr(fine, go, resume_, likely_);
        B.SetInsertPoint(go);
    }
    // Deferred checks. Through +, - and * a value that is not a finite number never turns finite
    // again (the VM's fused forms rest on the same fact), so a chain of such steps into temporaries
    // needs one test where its results leave the chain. When a test fails the VM takes over at the
    // chain's first step and redoes it all: the chain wrote nothing but temporaries, none of which
    // held a value live at its start, so the VM finds the frame as it was there.
    void flush() {
        if (pending_.empty()) {
            group_ = -1;
            return;
        }
        llvm::Value* fine = nullptr;
        for (auto& [slot, v] : pending_) fine = fine ? B.CreateAnd(fine, is_finite(v)) : is_finite(v);
        vm_unless_at(fine, static_cast<uint32_t>(group_));
        pending_.clear();
        group_ = -1;
    }
    static bool deferrable(uint16_t op) {
        switch (op) {
            case OP_ADD: case OP_SUB: case OP_MUL: case OP_DIV: case OP_NEG: case OP_MADD: case OP_MSUB:
            case OP_MMUL: case OP_ADDM: case OP_SUBM: case OP_MULM: case OP_DIVM: case OP_RSUBM: case OP_RDIVM:
            case OP_NEGM: case OP_LDM: case OP_LDB: case OP_MDIM:
                return true;
            default:
                return false;
        }
    }
    bool is_temp(uint32_t s) const { return s - C.temp_base < C.temp_count; }
    // Before lowering instruction i: end the group where i could not join it.
    void before(uint32_t i, const Instr& in, const Instr& ext) {
        if (!deferrable(in.op) || leader_[i]) {
            flush();
            return;
        }
        if (group_ < 0) return;
        uint32_t dst = in.a;
        // writing a temporary the group's start needs, or one holding an unchecked result this step
        // does not read, or dividing by an unchecked value: test first
        bool reads_dst = false;
        std::vector<uint32_t> reads;
        switch (in.op) {
            case OP_ADD: case OP_SUB: case OP_MUL: case OP_DIV: reads = {in.b, in.c}; break;
            case OP_NEG: case OP_ADDM: case OP_SUBM: case OP_MULM: case OP_DIVM: case OP_RSUBM: case OP_RDIVM:
                reads = {in.b}; break;
            case OP_MADD: case OP_MSUB: case OP_MMUL: reads = {in.b, in.c, ext.a}; break;
            default: break;
        }
        for (uint32_t r : reads) reads_dst = reads_dst || r == dst;
        bool clash = is_temp(dst) && live_[static_cast<size_t>(group_)][dst - C.temp_base];
        bool lost = pending_.count(dst) && !reads_dst;
        bool divisor = (in.op == OP_DIV && pending_.count(in.c)) || (in.op == OP_RDIVM && pending_.count(in.b));
        if (clash || lost || divisor || !is_temp(dst)) flush();
    }
    // The result v of deferrable step i into dst, having read `reads` (unchecked inputs it covers).
    void defer(uint32_t i, uint32_t dst, llvm::Value* v, std::initializer_list<uint32_t> reads) {
        if (group_ < 0) group_ = i;
        for (uint32_t r : reads) pending_.erase(r);
        if (is_temp(dst)) {
            pending_[dst] = v;
        } else {   // a variable takes only a tested value
            pending_[0xFFFFFFFFu] = v;
            flush();
        }
        set_num(dst, v);
    }

    // A library function's result, or (not finite) the missing value, counted as the VM counts it:
    // the VM must not call the function again, which may keep state.
    llvm::Value* settled(llvm::Value* v, llvm::Value* x, llvm::Value* y) {
        llvm::BasicBlock* here = B.GetInsertBlock();
        llvm::BasicBlock* cold = block("not_finite");
        llvm::BasicBlock* join = block("settled");
        B.CreateCondBr(is_finite(v), join, cold, likely_);
        B.SetInsertPoint(cold);
        llvm::Value* m = call(address_of(&ns::settle), dbl, {i8p, dbl, dbl}, {in_, x, y}, not_any_);
        B.CreateBr(join);
        B.SetInsertPoint(join);
        llvm::PHINode* phi = B.CreatePHI(dbl, 2);
        phi->addIncoming(v, here);
        phi->addIncoming(m, cold);
        return phi;
    }

    // A step's result, when it is a finite number (else the VM redoes the step).
    llvm::Value* finite(llvm::Value* v) {
        vm_unless(is_finite(v));
        return v;
    }

    // Frame slots: memory no structure, bound cell or call reaches.
    llvm::Value* slot(uint32_t s) { return B.CreateConstInBoundsGEP1_64(dbl, R_, s); }
    // Temporaries live in registers; the frame holds them only where the VM or a handler reads it.
    llvm::Value* temp(uint32_t s) {
        return s - C.temp_base < C.temp_count ? temps_[s - C.temp_base] : nullptr;
    }
    llvm::Value* num(uint32_t s) {
        if (llvm::Value* t = temp(s)) return B.CreateLoad(dbl, t);
        return scoped(B.CreateLoad(dbl, slot(s)), scope_frame_, not_frame_);
    }
    void set_num(uint32_t s, llvm::Value* v) {
        if (llvm::Value* t = temp(s)) B.CreateStore(v, t);
        else scoped(B.CreateStore(v, slot(s)), scope_frame_, not_frame_);
    }
    void temps_to_frame() {
        for (uint32_t k = 0; k < C.temp_count; ++k)
            scoped(B.CreateStore(B.CreateLoad(dbl, temps_[k]), slot(C.temp_base + k)), scope_frame_, not_frame_);
    }
    void temps_from_frame() {
        for (uint32_t k = 0; k < C.temp_count; ++k)
            B.CreateStore(scoped(B.CreateLoad(dbl, slot(C.temp_base + k)), scope_frame_, not_frame_), temps_[k]);
    }
    // The base in pointer slot p (a structure, a bound cell or a matrix).
    llvm::Value* base(uint32_t p) {
        llvm::Value* at = B.CreateConstInBoundsGEP1_64(i8p, P_, p);
        return scoped(B.CreateLoad(i8p, at), scope_bases_, not_bases_);
    }
    llvm::Value* member_address(uint32_t p, uint32_t offset) {
        llvm::Value* at = B.CreateConstInBoundsGEP1_64(B.getInt8Ty(), base(p), offset);
        return B.CreateBitCast(at, dblp);
    }
    llvm::Value* load_external(llvm::Value* address) {
        return scoped(B.CreateLoad(dbl, address), scope_external_, not_external_);
    }
    void store_external(llvm::Value* v, llvm::Value* address) {
        scoped(B.CreateStore(v, address), scope_external_, not_external_);
    }
    llvm::Value* member(uint32_t p, uint32_t offset) { return load_external(member_address(p, offset)); }

    llvm::Value* constant_pointer(const void* p) {
        return B.CreateIntToPtr(B.getInt64(reinterpret_cast<uint64_t>(p)), i8p);
    }
    llvm::Value* ip_of(uint32_t i) { return constant_pointer(&C.code[i]); }

    // A call through an address: LLVM sees no library function it could replace.
    llvm::CallInst* call(uint64_t address, llvm::Type* result, std::vector<llvm::Type*> params,
                         std::vector<llvm::Value*> args, llvm::MDNode* not_touched = nullptr, bool pure = false) {
        llvm::FunctionType* ft = llvm::FunctionType::get(result, params, false);
        llvm::Value* callee = B.CreateIntToPtr(B.getInt64(address), llvm::PointerType::getUnqual(ft));
        llvm::CallInst* c = B.CreateCall(ft, callee, args);
        if (not_touched) c->setMetadata(llvm::LLVMContext::MD_noalias, not_touched);
        if (pure) {
            c->addFnAttr(llvm::Attribute::ReadNone);
            c->addFnAttr(llvm::Attribute::NoUnwind);
            c->addFnAttr(llvm::Attribute::WillReturn);
        }
        return c;
    }

    // SQRT, ABS, INT, FLOOR and CEIL are correctly rounded (or exact) in IEEE arithmetic, so the
    // instruction gives the library's bits; a negative square root is not finite either way.
    static llvm::Intrinsic::ID exact_operation(double (*f)(double)) {
        static const std::pair<const char*, llvm::Intrinsic::ID> exact[] = {
            {"SQRT", llvm::Intrinsic::sqrt}, {"ABS", llvm::Intrinsic::fabs}, {"INT", llvm::Intrinsic::trunc},
            {"FLOOR", llvm::Intrinsic::floor}, {"CEIL", llvm::Intrinsic::ceil}};
        for (const auto& [name, id] : exact)
            if (const BuiltinFunction* b = find_builtin(name, nullptr); b && b->num1 == f) return id;
        return llvm::Intrinsic::not_intrinsic;
    }

    llvm::Value* fabs(llvm::Value* v) {
        return B.CreateUnaryIntrinsic(llvm::Intrinsic::fabs, v);
    }
    llvm::Value* is_finite(llvm::Value* v) {
        return B.CreateFCmpOLE(fabs(v), llvm::ConstantFP::get(dbl, DBL_MAX));
    }
    llvm::Value* is_nan(llvm::Value* v) { return B.CreateFCmpUNO(v, v); }
    llvm::Value* truth(llvm::Value* v) { return B.CreateFCmpONE(v, llvm::ConstantFP::get(dbl, 0.0)); }
    llvm::Value* as_number(llvm::Value* flag) {
        return B.CreateSelect(flag, llvm::ConstantFP::get(dbl, 1.0), llvm::ConstantFP::get(dbl, 0.0));
    }

    // x op y when both are numbers (a missing value on either side: the VM compares).
    llvm::Value* ordered(llvm::Value* x, llvm::Value* y, uint16_t kind) {
        static const llvm::CmpInst::Predicate fp[] = {llvm::CmpInst::FCMP_OEQ, llvm::CmpInst::FCMP_UNE,
                                                      llvm::CmpInst::FCMP_OLT, llvm::CmpInst::FCMP_OLE,
                                                      llvm::CmpInst::FCMP_OGT, llvm::CmpInst::FCMP_OGE};
        vm_unless(B.CreateFCmpORD(x, y));
        return B.CreateFCmp(fp[kind], x, y);
    }

    // Ends the run with the status of a call when it is not 0.
    void return_unless_zero(llvm::Value* status, llvm::BasicBlock* next) {
        llvm::BasicBlock* out = block("leave");
        B.CreateCondBr(B.CreateICmpEQ(status, B.getInt32(0)), next, out, likely_);
        B.SetInsertPoint(out);
        B.CreateRet(status);
    }
    llvm::Value* arith(uint16_t op, llvm::Value* x, llvm::Value* y) {
        switch (op) {
            case OP_ADD: case OP_ADDM: return B.CreateFAdd(x, y);
            case OP_SUB: case OP_SUBM: case OP_RSUBM: return B.CreateFSub(x, y);
            case OP_MUL: case OP_MULM: return B.CreateFMul(x, y);
            default: return B.CreateFDiv(x, y);
        }
    }

    // A subscript (XIDX, MIDX): element index from the value, within 1 to the extent.
    void subscript(const Instr& in, const Instr& ext, llvm::Value* extent) {
        llvm::Value* v = num(in.b);
        llvm::Value* k = B.CreateUnaryIntrinsic(llvm::Intrinsic::trunc, v);
        vm_unless(B.CreateAnd(B.CreateFCmpOGE(k, llvm::ConstantFP::get(dbl, 1.0)), B.CreateFCmpOLE(k, extent)));
        llvm::Value* k1 = B.CreateFSub(k, llvm::ConstantFP::get(dbl, 1.0));
        if (ext.a != 0) set_num(in.a, k1);
        else set_num(in.a, B.CreateFAdd(B.CreateFMul(num(in.a), extent), k1));
    }

    llvm::Value* element_address(uint32_t array, llvm::Value* index) {
        llvm::Type* dblpp = llvm::PointerType::getUnqual(dblp);
        llvm::Value* elements = B.CreateLoad(dblpp, B.CreateConstInBoundsGEP1_64(dblpp, AX_, array));
        llvm::Value* at = B.CreateInBoundsGEP(dblp, elements, B.CreateFPToUI(index, i64));
        return B.CreateLoad(dblp, at);
    }
    llvm::Value* extent_of(uint32_t array, uint32_t which) {
        return B.CreateLoad(i32, B.CreateConstInBoundsGEP1_64(i32, E_, static_cast<uint64_t>(array) * 2 + which));
    }
    llvm::Value* zero() { return llvm::ConstantFP::get(dbl, 0.0); }
    // FORTEST and FORNEXT: v still within end, in the direction of step.
    llvm::Value* within(llvm::Value* v, llvm::Value* end, llvm::Value* step) {
        return B.CreateSelect(B.CreateFCmpOGT(step, zero()), B.CreateFCmpOLE(v, end), B.CreateFCmpOGE(v, end));
    }

    void lower_one(uint32_t i) {
        const Instr& in = C.code[i];
        const uint32_t w = static_cast<uint32_t>(width_of(in.op));
        const Instr& ext = C.code[i + w - 1];   // the second word of a two-word instruction
        at_ = i;
        B.SetInsertPoint(blocks_[i]);

        llvm::BasicBlock* next = i + w < blocks_.size() ? blocks_[i + w] : nullptr;
        if (!next) {   // code that runs past its end: the VM reports it
            next = block("past_end");
            resume_pc_->addIncoming(B.getInt32(i + w), next);
            llvm::IRBuilder<>::InsertPointGuard keep(B);
            B.SetInsertPoint(next);
            B.CreateBr(resume_);
        }
        auto target = [&](uint32_t t) { return blocks_[t]; };
        before(i, in, ext);
        // temporaries dead here: their registers are free (and the VM, resuming here, reads none of
        // them), unless the VM may still have to resume at the open chain's start, which reads them
        for (uint32_t k = 0; k < C.temp_count; ++k)
            if (!live_[i][k] && !(group_ >= 0 && live_[static_cast<size_t>(group_)][k]))
                B.CreateStore(llvm::UndefValue::get(dbl), temps_[k]);

        switch (in.op) {
            case OP_HALT: case OP_ERET: B.CreateRet(B.getInt32(0)); return;
            case OP_MOV: set_num(in.a, num(in.b)); break;
            case OP_ADD: case OP_SUB: case OP_MUL: case OP_DIV:
                defer(i, in.a, arith(in.op, num(in.b), num(in.c)), {in.b, in.c});
                break;
            case OP_POW:
                set_num(in.a, finite(call(address_of(&ns::power), dbl, {dbl, dbl}, {num(in.b), num(in.c)}, not_any_, true)));
                break;
            case OP_NEG: defer(i, in.a, B.CreateFNeg(num(in.b)), {in.b}); break;
            case OP_NOT: set_num(in.a, as_number(B.CreateNot(truth(num(in.b))))); break;
            case OP_AND: set_num(in.a, as_number(B.CreateAnd(truth(num(in.b)), truth(num(in.c))))); break;
            case OP_OR: set_num(in.a, as_number(B.CreateOr(truth(num(in.b)), truth(num(in.c))))); break;
            case OP_EQ: case OP_NE: case OP_LT: case OP_LE: case OP_GT: case OP_GE:
                set_num(in.a, as_number(ordered(num(in.b), num(in.c), static_cast<uint16_t>(in.op - OP_EQ))));
                break;
            case OP_JMP: B.CreateBr(target(in.b)); return;
            case OP_JF: B.CreateCondBr(truth(num(in.a)), next, target(in.b)); return;
            case OP_JT: B.CreateCondBr(truth(num(in.a)), target(in.b), next); return;
            case OP_LDM: set_num(in.a, member(in.b, in.c)); break;
            case OP_STM: store_external(num(in.a), member_address(in.b, in.c)); break;
            case OP_LDP: case OP_STP: {
                llvm::Value* cell = B.CreateBitCast(member_address(in.b, in.c), llvm::PointerType::getUnqual(dblp));
                llvm::Value* p = scoped(B.CreateLoad(dblp, cell), scope_external_, not_external_);
                llvm::Value* none = B.CreateICmpEQ(p, llvm::ConstantPointerNull::get(llvm::cast<llvm::PointerType>(dblp)));
                vm_unless(B.CreateNot(none));   // no storage: missing read, or an error on assignment
                if (in.op == OP_STP) store_external(num(in.a), p);
                else set_num(in.a, load_external(p));
                break;
            }
            case OP_LDB: set_num(in.a, load_external(B.CreateBitCast(base(in.b), dblp))); break;
            case OP_STB: store_external(num(in.a), B.CreateBitCast(base(in.b), dblp)); break;
            case OP_CALL1: {
                // built-ins that are exact IEEE operations become the processor's instruction
                llvm::Intrinsic::ID exact = exact_operation(C.fn1[in.c]);
                llvm::Value* x = num(in.b);
                if (exact != llvm::Intrinsic::not_intrinsic) {
                    set_num(in.a, finite(B.CreateUnaryIntrinsic(exact, x)));
                    break;
                }
                llvm::Value* v = call(address_of(library_routine(C.fn1[in.c])), dbl, {dbl}, {x}, not_external_,
                                      is_builtin_numeric(reinterpret_cast<const void*>(C.fn1[in.c])));
                set_num(in.a, settled(v, x, llvm::ConstantFP::get(dbl, 0.0)));
                break;
            }
            case OP_CALL2: {
                llvm::Value *x = num(in.b), *y = num(ext.a);
                llvm::Value* v = call(address_of(C.fn2[in.c]), dbl, {dbl, dbl}, {x, y}, not_external_,
                                      is_builtin_numeric(reinterpret_cast<const void*>(C.fn2[in.c])));
                set_num(in.a, settled(v, x, y));
                break;
            }
            case OP_XIDX: subscript(in, ext, llvm::ConstantFP::get(dbl, static_cast<double>(in.c))); break;
            case OP_MIDX: subscript(in, ext, B.CreateSIToFP(extent_of(in.c, ext.b), dbl)); break;
            case OP_MDIM: set_num(in.a, B.CreateSIToFP(extent_of(in.b, in.c), dbl)); break;
            case OP_LDX: set_num(in.a, B.CreateLoad(dbl, element_address(in.b, num(in.c)))); break;
            case OP_STX: {
                llvm::Value* v = num(in.a);
                B.CreateStore(v, element_address(in.b, num(in.c)));
                break;
            }
            case OP_AGG: case OP_SLDX: case OP_SSTX: case OP_SMOV: case OP_SCAT: case OP_SCMP: case OP_N2S:
            case OP_S2N: case OP_GCALL: case OP_PUT: case OP_SLDM: case OP_SSTM:
                temps_to_frame();
                call(address_of(&ns::site), B.getVoidTy(), {i8p, i8p}, {in_, ip_of(i)});
                temps_from_frame();
                break;
            case OP_XCALL: {
                llvm::Value* depth = B.CreateLoad(i32, depth_);
                temps_to_frame();
                llvm::Value* rc = call(address_of(&ns::special), i32, {i8p, i8p, i32}, {in_, ip_of(i), depth});
                temps_from_frame();
                llvm::BasicBlock* out = block("leave");
                B.CreateCondBr(B.CreateICmpEQ(rc, B.getInt32(0)), next, out, likely_);
                B.SetInsertPoint(out);
                B.CreateRet(rc);
                return;
            }
            case OP_TICK: {
                llvm::Value* used = B.CreateAdd(B.CreateLoad(i64, budget_), B.getInt64(in.a));
                vm_unless(B.CreateICmpSLE(used, B.getInt64(C.budget)));   // spent: the VM reports it
                B.CreateStore(used, budget_);
                break;
            }
            case OP_LOOPCHK: {
                llvm::Value *a = num(in.a), *b = num(in.b), *c = num(in.c);
                vm_unless(B.CreateAnd(B.CreateAnd(B.CreateFCmpORD(a, b), B.CreateFCmpORD(c, c)),
                                      B.CreateFCmpONE(c, zero())));
                break;
            }
            case OP_FORTEST:
                B.CreateCondBr(within(num(in.a), num(in.b), num(in.c)), next, target(ext.b));
                return;
            case OP_FORNEXT: case OP_FORNEXTP: {
                llvm::Value* v = B.CreateFAdd(num(in.a), num(in.c));
                set_num(in.a, v);
                // the VM reads the step and the end again after the store, as here
                llvm::Value* inside = in.op == OP_FORNEXTP ? B.CreateFCmpOLE(v, num(in.b)) : within(v, num(in.b), num(in.c));
                B.CreateCondBr(inside, target(ext.b), next);
                return;
            }
            case OP_RUNM: {
                llvm::Value* d = B.CreateLoad(i32, depth_);
                vm_unless(B.CreateICmpSLT(d, B.getInt32(cmp_instance::kMaxDepth)));
                B.CreateStore(B.getInt32(i + 1), stack_slot(d));
                B.CreateStore(B.CreateAdd(d, B.getInt32(1)), depth_);
                B.CreateBr(target(in.b));
                return;
            }
            case OP_MRET: {
                llvm::Value* d = B.CreateLoad(i32, depth_);
                llvm::BasicBlock* done = block("end_of_entry");
                llvm::BasicBlock* back = block("return");
                B.CreateCondBr(B.CreateICmpEQ(d, B.getInt32(0)), done, back);
                B.SetInsertPoint(done);
                B.CreateRet(B.getInt32(0));
                B.SetInsertPoint(back);
                llvm::Value* d1 = B.CreateSub(d, B.getInt32(1));
                B.CreateStore(d1, depth_);
                llvm::Value* to = B.CreateLoad(i32, stack_slot(d1));
                llvm::BasicBlock* elsewhere = block("return_elsewhere");
                llvm::SwitchInst* sw = B.CreateSwitch(to, elsewhere, static_cast<unsigned>(returns_.size()));
                for (uint32_t r : returns_) sw->addCase(B.getInt32(r), blocks_[r]);
                B.SetInsertPoint(elsewhere);   // not a return address of this code: the VM pops it
                B.CreateStore(d, depth_);
                resume_pc_->addIncoming(B.getInt32(i), elsewhere);
                B.CreateBr(resume_);
                return;
            }
            case OP_MADD: case OP_MSUB: case OP_MMUL: {
                llvm::Value *b = num(in.b), *c = num(in.c), *d = num(ext.a);
                llvm::Value* v;
                if (in.op == OP_MMUL) v = B.CreateFMul(B.CreateFMul(b, c), d);
                else if (in.op == OP_MADD) v = B.CreateFAdd(b, B.CreateFMul(c, d));
                else v = B.CreateFSub(b, B.CreateFMul(c, d));
                defer(i, in.a, v, {in.b, in.c, ext.a});
                break;
            }
            case OP_ADDM: case OP_SUBM: case OP_MULM: case OP_DIVM:
                defer(i, in.a, arith(in.op, num(in.b), member(in.c, ext.a)), {in.b});
                break;
            case OP_RSUBM: case OP_RDIVM:
                defer(i, in.a, arith(in.op, member(in.c, ext.a), num(in.b)), {});
                break;
            case OP_NEGM: defer(i, in.a, B.CreateFNeg(member(in.b, in.c)), {}); break;
            case OP_JFEQ: case OP_JFNE: case OP_JFLT: case OP_JFLE: case OP_JFGT: case OP_JFGE:
                B.CreateCondBr(ordered(num(in.a), num(in.b), static_cast<uint16_t>(in.op - OP_JFEQ)), next,
                               target(ext.b));
                return;
            default:   // EXT and anything unknown: the VM reports an invalid instruction
                resume_pc_->addIncoming(B.getInt32(i), B.GetInsertBlock());
                B.CreateBr(resume_);
                return;
        }
        if (i + w >= leader_.size() - 1 || leader_[i + w]) flush();   // control joins there
        B.CreateBr(next);
    }
};

}  // namespace

std::unique_ptr<llvm::Module> lower_program(const Code& code, llvm::LLVMContext& context, const std::string& name,
                                            std::string& why) {
    auto module = std::make_unique<llvm::Module>(name, context);
    Lowering lowering(code, context, *module);
    if (!lowering.lower(name, why)) return nullptr;
    return module;
}

}  // namespace qor::cmp
