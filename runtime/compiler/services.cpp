// The compiler services at the host boundary: sessions, statement push, special functions,
// symbols, structures, generation, labels, instances and runs. Plain records and integer
// codes; nothing thrown crosses these functions.
#include <algorithm>
#include <cstring>
#include <string_view>
#include <new>

#include "host/compiler.h"
#include "host/missing.h"
#include "host/print.h"
#include "runtime/compiler/lexer.h"
#include "runtime/compiler/session.h"
#include "runtime/core/service_guard.h"

using namespace qor;
using namespace qor::cmp;

namespace {

std::string name_of(const char* name, int length) {
    if (!name) return std::string();
    size_t n = length < 0 ? std::strlen(name) : static_cast<size_t>(length);
    return upper(std::string_view(name, n));
}

bool valid_name(const std::string& n) {
    if (n.empty() || n.size() > 64) return false;
    for (char c : n)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == ':')) return false;
    return !std::isdigit(static_cast<unsigned char>(n[0]));
}


}  // namespace

// Instance: frame image copied, character storage carved, pointer slots set, hidden records zeroed.
std::unique_ptr<cmp_instance> make_cmp_instance(cmp_session* s, int block) {
    auto in = std::make_unique<cmp_instance>();
    const Code& c = *s->code;
    in->code = &c;
    in->session = s;
    in->block = block;
    in->num.assign(c.num_init.begin(), c.num_init.end());
    in->chars.assign(c.string_bytes, ' ');
    in->str.resize(c.str_slots.size());
    size_t at = 0;
    for (size_t i = 0; i < c.str_slots.size(); ++i) {
        const StrSlotInit& si = c.str_slots[i];
        qor_namerec& r = in->str[i];
        r.capacity = static_cast<uint16_t>(si.capacity);
        r.text = in->chars.data() + at;
        at += static_cast<size_t>(si.capacity) + 1;
        if (si.variable) r.length = r.capacity;
        else {
            std::memcpy(r.text, si.initial.data(), si.initial.size());
            r.length = static_cast<uint16_t>(si.initial.size());
        }
    }
    in->ptr.assign(c.pointer_image.begin(), c.pointer_image.end());
    for (const SpecialSite& site : c.special_sites)
        if (site.hidden_size > 0) in->hidden.emplace_back(static_cast<size_t>(site.hidden_size), 0);
    in->matrix_store.resize(c.arrays.size());
    for (size_t k = 0; k < c.arrays.size(); ++k) {
        const ArrayTable& a = c.arrays[k];
        std::vector<double*> addr;
        in->extents.push_back({a.rows, a.columns});
        if (a.matrix) {
            double* data = a.data;
            if (!data) {
                in->matrix_store[k].assign(static_cast<size_t>(a.count), missing());
                data = in->matrix_store[k].data();
            }
            for (int i = 0; i < a.count; ++i) addr.push_back(data + i);
            in->ptr[static_cast<size_t>(a.pointer)] = data;
        } else {
            for (size_t i = 0; i < a.slots.size(); ++i) {
                if (a.type != 'n') addr.push_back(nullptr);
                else if (a.slots[i] >= 0) addr.push_back(&in->num[a.slots[i]]);
                else addr.push_back(static_cast<double*>(in->ptr[a.pointers[i]]));
            }
        }
        in->array_addresses.push_back(std::move(addr));
    }
    for (auto& a : in->array_addresses) in->array_base.push_back(a.data());
    in->active.assign(c.entries.size(), 0);
    in->tier_countdown = s->tier.countdown();
    // the vectors keep their storage for the instance's life (a reset refills them in place)
    in->native_run = NativeRun{in.get(), in->num.data(), in->ptr.data(), in->array_base.data(),
                               in->extents.data(), in->stack, &in->budget_used, 0, 0};
    return in;
}

// Locals back to missing or blank and constants to their values; bindings, run list and the
// extents of resized matrices stay (their storage is filled with missing).
void reset_cmp_instance(cmp_instance* in) {
    const Code& c = *in->code;
    in->num.assign(c.num_init.begin(), c.num_init.end());
    std::fill(in->chars.begin(), in->chars.end(), ' ');
    size_t at = 0;
    for (size_t i = 0; i < c.str_slots.size(); ++i) {
        const StrSlotInit& si = c.str_slots[i];
        qor_namerec& r = in->str[i];
        r.text = in->chars.data() + at;
        at += static_cast<size_t>(si.capacity) + 1;
        if (si.variable) r.length = r.capacity;
        else {
            std::memcpy(r.text, si.initial.data(), si.initial.size());
            r.length = static_cast<uint16_t>(si.initial.size());
        }
    }
    for (auto& m : in->matrix_store) std::fill(m.begin(), m.end(), missing());
    for (auto& h : in->hidden) std::fill(h.begin(), h.end(), static_cast<unsigned char>(0));
    in->missing_generated = 0;
    in->depth = 0;
    in->put_line.clear();
}

int cmpints(cmp_session** session, const cmp_hooks* hooks) try {
    if (!session) return 1;
    *session = nullptr;   // a constructor that throws leaves no stale session behind
    *session = new (std::nothrow) cmp_session();
    if (!*session) {
        qor::runtime::service_failed(__func__, std::bad_alloc());
        return 2;
    }
    if (hooks) (*session)->hooks = *hooks;
    (*session)->tier.mode = default_tier_mode();
    return 0;
}
QOR_SERVICE_CATCH(1)

void cmpends(cmp_session* session) { delete session; }

int cmpprss(cmp_session* s, const char* statement, int length, char* log, int log_size, char* error, int error_size) try {
    if (!s) return CMP_ERROR;
    if (statement && length < 0) length = static_cast<int>(std::strlen(statement));
    s->dataflow.reset();
    try {
        bool marker = statement && std::string_view(statement, static_cast<size_t>(length)) == CMP_END_MARKER;
        if (statement && !marker) s->pushed.emplace_back(statement, static_cast<size_t>(length));
        int rc = s->push(statement, length, log, log_size, error, error_size);
        if (statement && !marker) s->pushed_refused.push_back(rc > 0 ? 1 : 0);
        return rc;
    } catch (const std::bad_alloc&) {
        ++s->errors;
        xpmlog(598, 2797, 0L, "statement");
        return CMP_ERROR;
    }
}
QOR_SERVICE_CATCH(CMP_ERROR)

int cmpopt2(cmp_session* s, int option, int value) try {
    if (!s) return 1;
    if (option == 2 || option == 3) {
        // 2 traces statements, 3 also the values assigned; a value of 0 switches tracing off.
        s->trace = value ? option : 0;
        return 0;
    }
    if (option == CMP_OPTION_BUDGET) {
        if (value < 0) return 1;
        s->budget = value;
        return 0;
    }
    if (option == CMP_OPTION_TIER || option == CMP_OPTION_TIER_THRESHOLD) {
        if (option == CMP_OPTION_TIER && value != CMP_TIER_AUTO && value != CMP_TIER_VM && value != CMP_TIER_NATIVE)
            return 1;
        if (option == CMP_OPTION_TIER_THRESHOLD && value < 1) return 1;
        if (option == CMP_OPTION_TIER) s->tier.mode = value;
        else s->tier.threshold = value;
        // instances made already follow the new choice from their next run
        for (auto& in : s->instances) {
            in->native_entry = s->tier.mode == CMP_TIER_VM ? nullptr : in->native_entry;
            in->tier_countdown = s->tier.countdown();
        }
        return 0;
    }
    return 1;
}
QOR_SERVICE_CATCH(1)

int cmpinst(cmp_session* s, const cmp_special_def* def) try {
    if (!s || !def || !def->name || !def->body || s->closed()) return 1;
    std::string name = name_of(def->name, -1);
    if (!valid_name(name) || def->nargs < 0 || def->nargs > 64 || def->hidden_size < 0) return 1;
    for (const SpecialFunction& f : s->src.specials)
        if (f.name == name) return 2;
    SpecialFunction f;
    f.name = name;
    f.def = *def;
    if (def->arg_types) f.arg_types = def->arg_types;
    f.def.arg_types = nullptr;
    f.def.name = nullptr;
    if (def->option_word) *def->option_word = static_cast<uint16_t>(s->src.specials.size());
    s->src.specials.push_back(std::move(f));
    return 0;
}
QOR_SERVICE_CATCH(1)

int cmpfunc1(cmp_session* s, const char* name, double (*fn)(double)) try {
    if (!s || !fn || s->closed()) return 1;
    s->lib1.emplace_back(name_of(name, -1), fn);
    return 0;
}
QOR_SERVICE_CATCH(1)

int cmpfunc2(cmp_session* s, const char* name, double (*fn)(double, double)) try {
    if (!s || !fn || s->closed()) return 1;
    s->lib2.emplace_back(name_of(name, -1), fn);
    return 0;
}
QOR_SERVICE_CATCH(1)

cmp_symbol* cmpsyms(cmp_session* s, const char* name, int length) try {
    if (!s) return nullptr;
    return s->src.find(name_of(name, length));
}
QOR_SERVICE_CATCH(nullptr)

cmp_symbol* cmpsymd(cmp_session* s, const char* name, int length, char kind, char type) try {
    if (!s || kind != 'v' || (type != 'n' && type != 'c')) return nullptr;
    std::string n = name_of(name, length);
    if (!valid_name(n)) return nullptr;
    if (cmp_symbol* sym = s->src.find(n)) return sym;
    if (s->closed()) return nullptr;
    cmp_symbol* sym = s->src.add(n, kind, type);
    sym->type_known = true;
    return sym;
}
QOR_SERVICE_CATCH(nullptr)

cmp_symbol* cmplstv(cmp_session* s) { return s && !s->src.symbols.empty() ? s->src.symbols.front().get() : nullptr; }
cmp_symbol* cmpsymnext(const cmp_symbol* sym) { return sym ? sym->next : nullptr; }
const char* cmpsymname(const cmp_symbol* sym) { return sym ? sym->name.c_str() : ""; }
int cmpsymflags(const cmp_symbol* sym) { return sym ? sym->flags : 0; }

int cmppdvb(cmp_session* s, cmp_symbol* sym, double* address) try {
    if (!s || !sym || !address || s->closed() || sym->type != 'n' || sym->kind != 'v') return 1;
    if (sym->storage == SymStorage::Bound) {
        s->src.bound_addresses[sym->pointer] = address;
        return 0;
    }
    if (sym->storage != SymStorage::Local) return 2;
    sym->storage = SymStorage::Bound;
    sym->pointer = s->src.pointer_slots++;
    s->src.bound_addresses.resize(static_cast<size_t>(s->src.pointer_slots), nullptr);
    s->src.bound_addresses[sym->pointer] = address;
    return 0;
}
QOR_SERVICE_CATCH(1)

int cmpinss(cmp_session* s, const char* name, int length, const cmp_member* members, int count, int size) try {
    if (!s || s->closed() || count < 0 || (count > 0 && !members) || size < 0) return 1;
    std::string n = name_of(name, length);
    if (!valid_name(n)) return 1;
    for (const Structure& st : s->src.structures)
        if (st.name == n) return 2;
    Structure st;
    st.name = n;
    st.size = size;
    for (int i = 0; i < count; ++i) {
        const cmp_member& m = members[i];
        std::string mn = name_of(m.name, -1);
        int width = m.kind == CMP_MEMBER_POINTER ? static_cast<int>(sizeof(double*)) : static_cast<int>(sizeof(double));
        if (!valid_name(mn) || (m.kind != CMP_MEMBER_NUMBER && m.kind != CMP_MEMBER_POINTER) || m.offset < 0 ||
            m.offset > size - width || m.offset % 8 != 0)
            return 3;
        st.members.push_back(m);
        st.member_names.push_back(mn);
        st.text_lengths.push_back(0);
    }
    s->src.structures.push_back(std::move(st));
    return 0;
}
QOR_SERVICE_CATCH(1)

int cmpinsc(cmp_session* s, const char* structure, int slength, const char* member, int mlength, int offset,
            int length) try {
    if (!s || s->closed()) return 1;
    std::string sn = name_of(structure, slength), mn = name_of(member, mlength);
    Structure* st = nullptr;
    for (Structure& x : s->src.structures)
        if (x.name == sn) st = &x;
    if (!st || !valid_name(mn)) return 1;
    for (const StructInstance& si : s->src.instances)
        if (si.structure == static_cast<int>(st - s->src.structures.data())) return 2;   // instances made already
    for (const std::string& n : st->member_names)
        if (n == mn) return 2;
    if (length < 1 || length > 32767 || offset < 0 || offset > st->size - length) return 3;
    st->members.push_back(cmp_member{nullptr, CMP_MEMBER_TEXT, offset});
    st->member_names.push_back(mn);
    st->text_lengths.push_back(length);
    return 0;
}
QOR_SERVICE_CATCH(1)

int cmpstri(cmp_session* s, const char* structure, int slength, const char* instance, int ilength, int bare_names) try {
    if (!s || s->closed()) return 1;
    std::string sn = name_of(structure, slength), in = name_of(instance, ilength);
    int idx = -1;
    for (size_t i = 0; i < s->src.structures.size(); ++i)
        if (s->src.structures[i].name == sn) idx = static_cast<int>(i);
    if (idx < 0 || !valid_name(in)) return 1;
    for (const StructInstance& si : s->src.instances)
        if (si.name == in) return 2;
    const Structure& st = s->src.structures[idx];
    for (size_t i = 0; i < st.members.size(); ++i) {
        if (s->src.find(in + "." + st.member_names[i])) return 3;
        if (bare_names && s->src.find(st.member_names[i])) return 3;
    }
    StructInstance si;
    si.name = in;
    si.structure = idx;
    si.pointer = s->src.pointer_slots++;
    si.bare_names = bare_names != 0;
    s->src.bound_addresses.resize(static_cast<size_t>(s->src.pointer_slots), nullptr);
    for (size_t i = 0; i < st.members.size(); ++i) {
        std::vector<std::string> names{in + "." + st.member_names[i]};
        if (bare_names) names.push_back(st.member_names[i]);
        for (const std::string& n : names) {
            bool text = st.members[i].kind == CMP_MEMBER_TEXT;
            cmp_symbol* sym = s->src.add(n, 'v', text ? 'c' : 'n');
            if (text) sym->length = st.text_lengths[i];
            sym->type_known = true;
            sym->storage = st.members[i].kind == CMP_MEMBER_POINTER ? SymStorage::PointerMember : SymStorage::Member;
            sym->pointer = si.pointer;
            sym->offset = st.members[i].offset;
        }
    }
    s->src.instances.push_back(si);
    return 0;
}
QOR_SERVICE_CATCH(1)

int cmpgetl(cmp_session* s, const char* label, int length) {
    if (!s || !s->code) return -1;
    std::string n = name_of(label, length);
    const auto& names = s->code->entry_names;
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == n) return static_cast<int>(i);
    return -1;
}

cmp_instance* cmpinsb(cmp_session* s, int block) {
    if (!s || block < 0 || block >= static_cast<int>(s->instances.size())) return nullptr;
    return s->instances[block].get();
}

int cmpbasei(cmp_session* s, const char* instance, int length) {
    if (!s) return -1;
    std::string n = name_of(instance, length);
    for (const StructInstance& si : s->src.instances)
        if (si.name == n) return si.pointer;
    return -1;
}

void** cmpbasev(cmp_instance* in) { return in ? in->ptr.data() : nullptr; }

int cmpbase(cmp_instance* in, const char* instance, int length, void* base) try {
    if (!in) return 1;
    int slot = cmpbasei(in->session, instance, length);
    if (slot < 0) return 2;
    in->ptr[slot] = base;
    return 0;
}
QOR_SERVICE_CATCH(1)

double* cmppdva(cmp_instance* in, cmp_symbol* sym) {
    if (!in || !sym || sym->kind != 'v' || sym->type != 'n') return nullptr;
    switch (sym->storage) {
        case SymStorage::Local: return sym->slot >= 0 ? &in->num[sym->slot] : nullptr;
        case SymStorage::Bound: return static_cast<double*>(in->ptr[sym->pointer]);
        case SymStorage::Member:
            return in->ptr[sym->pointer] ? reinterpret_cast<double*>(static_cast<char*>(in->ptr[sym->pointer]) + sym->offset) : nullptr;
        case SymStorage::PointerMember:
            return in->ptr[sym->pointer] ? *reinterpret_cast<double**>(static_cast<char*>(in->ptr[sym->pointer]) + sym->offset) : nullptr;
    }
    return nullptr;
}

int cmptext(cmp_instance* in, cmp_symbol* sym, char* out, int size) try {
    if (!in || !sym || sym->type != 'c' || sym->kind != 'v' || !out || size <= 0) return -1;
    const char* text = nullptr;
    int n = 0;
    if (sym->storage == SymStorage::Member) {
        if (!in->ptr[sym->pointer]) return -1;
        text = static_cast<const char*>(in->ptr[sym->pointer]) + sym->offset;
        n = static_cast<int>(strnlen(text, static_cast<size_t>(sym->length)));
    } else {
        if (sym->slot < 0) return -1;
        text = in->str[sym->slot].text;
        n = in->str[sym->slot].length;
    }
    while (n > 0 && text[n - 1] == ' ') --n;
    n = std::min(n, size - 1);
    std::memcpy(out, text, static_cast<size_t>(n));
    out[n] = '\0';
    return n;
}
QOR_SERVICE_CATCH(-1)

int cmpmact(cmp_instance* in, int entry, int on) try {
    if (!in || entry < 0 || entry >= static_cast<int>(in->active.size())) return 1;
    in->active[entry] = on ? 1 : 0;
    in->use_run_list = true;
    return 0;
}
QOR_SERVICE_CATCH(1)

int cmpfrun(cmp_instance* in, double state) {
    if (!in) return 1;
    in->state = state;
    return in->run();
}

int cmptier(const cmp_instance* in) {
    if (!in) return 0;
    return in->native_entry ? CMP_TIER_NATIVE : CMP_TIER_VM;
}

long cmpmissn(const cmp_instance* in) { return in ? in->missing_generated : 0; }

int cmpmuse(cmp_session* s, size_t counters[17]) try {
    if (!s || !counters) return 1;
    for (int i = 0; i < 17; ++i) counters[i] = 0;
    counters[0] = s->src.symbols.size() * sizeof(cmp_symbol);
    if (s->code) {
        counters[1] = s->code->code.size() * sizeof(Instr);
        counters[2] = s->code->num_init.size() * sizeof(double);
        counters[3] = s->code->string_bytes;
    }
    return 0;
}
QOR_SERVICE_CATCH(1)
