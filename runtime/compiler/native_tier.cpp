// The tier policy (VM first, machine code once a program has run often enough, or either one
// forced by option) and the routines machine code calls back into, which are the VM's own.
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "host/compiler.h"
#include "host/missing.h"
#include "host/print.h"
#include "runtime/compiler/native_support.h"
#include "runtime/compiler/session.h"

using namespace qor;
using namespace qor::cmp;

namespace qor::cmp {

int default_tier_mode() {
    const char* v = std::getenv("QOR_METHODS_TIER");
    if (!v) return CMP_TIER_AUTO;
    if (std::strcmp(v, "vm") == 0) return CMP_TIER_VM;
    if (std::strcmp(v, "native") == 0) return CMP_TIER_NATIVE;
    return CMP_TIER_AUTO;
}

long NativeTier::countdown() const {
    switch (mode) {
        case CMP_TIER_VM: return LONG_MAX;
        case CMP_TIER_NATIVE: return 1;
        default: return threshold;
    }
}

NativeEntry NativeTier::acquire(cmp_session* session) {
    if (mode == CMP_TIER_VM || !session->code) return nullptr;
    if (tried.load(std::memory_order_acquire)) return entry.load(std::memory_order_acquire);
    // One thread compiles; the others go on with the VM and ask again later.
    std::unique_lock<std::mutex> hold(lock, std::try_to_lock);
    if (!hold.owns_lock()) return nullptr;
    if (tried.load(std::memory_order_relaxed)) return entry.load(std::memory_order_relaxed);
    std::string why;
    NativeProgramPtr compiled;
    try {
        compiled = native_compile(*session->code, why);
    } catch (const std::bad_alloc&) {
        why = "there was not enough memory to compile it";
    }
    if (compiled) {
        program = std::move(compiled);
        entry.store(native_entry_of(program.get()), std::memory_order_release);
    } else {
        xpslog("NOTE: The methods program runs on the interpreter: %s.", why.c_str());
    }
    tried.store(true, std::memory_order_release);
    return entry.load(std::memory_order_relaxed);
}

void NativeTier::reset() {
    std::lock_guard<std::mutex> hold(lock);
    entry.store(nullptr);
    tried.store(false);
    program.reset();
}

}  // namespace qor::cmp

NativeEntry cmp_instance::tier_up() {
    NativeTier& tier = session->tier;
    native_entry = tier.acquire(session);
    if (native_entry) return native_entry;
    // Not compiled (yet): ask again after a quarter of the threshold, unless it never will be.
    bool final = tier.mode == CMP_TIER_VM || tier.tried.load(std::memory_order_acquire);
    tier_countdown = final ? LONG_MAX : std::max(1L, tier.threshold / 4);
    return nullptr;
}

namespace qor::cmp::native_support {

double power(double x, double y) { return std::pow(x, y); }

double settle(cmp_instance* in, double x, double y) {
    if (!std::isnan(x) && !std::isnan(y)) ++in->missing_generated;
    return missing();
}

void site(cmp_instance* in, const Instr* ip) {
    switch (ip->op) {
        case OP_AGG: in->op_aggregate(ip); break;
        case OP_GCALL: in->op_generic(ip); break;
        case OP_PUT: in->op_put(ip); break;
        default: in->op_string(ip); break;
    }
}

int special(cmp_instance* in, const Instr* ip, int32_t depth) {
    in->depth = depth;   // a CALLSUBR from the body opens its call above the caller's
    return in->op_special(ip);
}

}  // namespace qor::cmp::native_support

#ifndef QOR_NATIVE_TIER
// A build without LLVM: every program stays on the VM.
namespace qor::cmp {
struct NativeProgram {};
void NativeProgramFree::operator()(NativeProgram* p) const { delete p; }
NativeProgramPtr native_compile(const Code&, std::string& why) {
    why = "this build has no native tier";
    return nullptr;
}
NativeEntry native_entry_of(const NativeProgram*) { return nullptr; }
}  // namespace qor::cmp
#endif
