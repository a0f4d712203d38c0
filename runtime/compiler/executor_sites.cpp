// The instructions kept out of the executor's dispatch loop: character values, aggregates,
// built-in and special function call sites, PUT, and the report of a run-time error.
#include <cfloat>
#include <cmath>
#include <cstring>
#include <string>

#include "host/missing.h"
#include "host/print.h"
#include "runtime/compiler/functions.h"
#include "runtime/compiler/session.h"

using namespace qor;
using namespace qor::cmp;

namespace {

inline bool is_finite_value(double v) { return std::fabs(v) <= DBL_MAX; }

int trimmed(const qor_namerec& s) {
    int n = s.length;
    while (n > 0 && s.text[n - 1] == ' ') --n;
    return n;
}

// Blank-padded comparison of two character values.
int compare_text(const qor_namerec& a, const qor_namerec& b) {
    int n = std::max<int>(a.length, b.length);
    for (int i = 0; i < n; ++i) {
        unsigned char x = i < a.length ? static_cast<unsigned char>(a.text[i]) : ' ';
        unsigned char y = i < b.length ? static_cast<unsigned char>(b.text[i]) : ' ';
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

void set_text(qor_namerec& dst, bool variable, const char* src, int n) {
    if (n > dst.capacity) n = dst.capacity;
    std::memmove(dst.text, src, static_cast<size_t>(n));
    if (variable) {
        std::memset(dst.text + n, ' ', static_cast<size_t>(dst.capacity - n));
        dst.length = dst.capacity;
    } else {
        dst.length = static_cast<uint16_t>(n);
    }
}

}  // namespace

void cmp_instance::op_string(const Instr* ip) {
    const Code& C = *code;
    const Instr in = *ip;
    double* R = num.data();
    switch (in.op) {
        case OP_SLDX: {
            const qor_namerec& s = str[C.arrays[in.b].slots[static_cast<size_t>(R[in.c])]];
            set_text(str[in.a], C.str_slots[in.a].variable, s.text, s.length);
            break;
        }
        case OP_SSTX: {
            int slot = C.arrays[in.b].slots[static_cast<size_t>(R[in.c])];
            set_text(str[slot], true, str[in.a].text, str[in.a].length);
            break;
        }
        case OP_SLDM: {
            // a field the engine has only cleared (a NUL byte) reads as blanks from there on
            const char* field = static_cast<const char*>(ptr[in.b]) + in.c;
            set_text(str[in.a], false, field, static_cast<int>(strnlen(field, str[in.a].capacity)));
            break;
        }
        case OP_SSTM: {
            qor_namerec field{static_cast<uint16_t>(ip[1].a), static_cast<uint16_t>(ip[1].a),
                              static_cast<char*>(ptr[in.b]) + in.c};
            set_text(field, true, str[in.a].text, str[in.a].length);
            break;
        }
        case OP_SMOV: set_text(str[in.a], C.str_slots[in.a].variable, str[in.b].text, str[in.b].length); break;
        case OP_SCAT: {
            qor_namerec& d = str[in.a];
            const qor_namerec& x = str[in.b];
            const qor_namerec& y = str[in.c];
            int nx = std::min<int>(x.length, d.capacity);
            int ny = std::min<int>(y.length, d.capacity - nx);
            if (d.text != x.text) std::memmove(d.text, x.text, static_cast<size_t>(nx));
            std::memmove(d.text + nx, y.text, static_cast<size_t>(ny));
            d.length = static_cast<uint16_t>(nx + ny);
            break;
        }
        case OP_SCMP: {
            int kind = ip[1].a;
            int c = compare_text(str[in.b], str[in.c]);
            bool r = kind == CMP_EQ ? c == 0 : kind == CMP_NE ? c != 0 : kind == CMP_LT ? c < 0
                   : kind == CMP_LE ? c <= 0 : kind == CMP_GT ? c > 0 : c >= 0;
            R[in.a] = r ? 1.0 : 0.0;
            break;
        }
        case OP_N2S: {
            char buf[40];
            int n = format_number(R[in.b], 12, buf);
            set_text(str[in.a], C.str_slots[in.a].variable, buf, n);
            break;
        }
        case OP_S2N: {
            GenArg a{'c', 0, str[in.b].text, str[in.b].length};
            GenResult r{missing(), nullptr, 0, 0};
            fn_input(&a, 1, r);
            R[in.a] = r.num;
            break;
        }
        default: break;
    }
}

void cmp_instance::op_aggregate(const Instr* ip) {
    const Instr in = *ip;
    const double* v = num.data() + in.b;
    int kind = ip[1].a;
    double acc = 0, best = 0;
    int n = 0, nm = 0;
    for (uint32_t i = 0; i < in.c; ++i) {
        if (std::isnan(v[i])) { ++nm; continue; }
        if (n == 0) best = v[i];
        else if (kind == AGG_MIN ? v[i] < best : kind == AGG_MAX && v[i] > best) best = v[i];
        acc += v[i];
        ++n;
    }
    double r = missing();
    switch (kind) {
        case AGG_SUM: r = n ? acc : missing(); break;
        case AGG_MEAN: r = n ? acc / n : missing(); break;
        case AGG_MIN: case AGG_MAX: case AGG_COALESCE: r = n ? best : missing(); break;
        case AGG_N: r = n; break;
        case AGG_NMISS: r = nm; break;
    }
    if (!std::isnan(r) && !is_finite_value(r)) { ++missing_generated; r = missing(); }
    num[in.a] = r;
}

void cmp_instance::op_generic(const Instr* ip) {
    const GenericSite& site = code->generic_sites[ip->a];
    GenArg args[64];
    int n = static_cast<int>(site.args.size());
    for (int i = 0; i < n; ++i) {
        const ArgRef& ar = site.args[i];
        if (ar.type == 'c') args[i] = GenArg{'c', 0, str[ar.slot].text, str[ar.slot].length};
        else args[i] = GenArg{'n', num[ar.slot], nullptr, 0};
    }
    if (site.result == 'c') {
        qor_namerec& d = str[site.dst];
        GenResult r{0, d.text, d.capacity, 0};
        builtin_at(site.function).generic(args, n, r);
        d.length = static_cast<uint16_t>(r.len);
    } else {
        GenResult r{missing(), nullptr, 0, 0};
        builtin_at(site.function).generic(args, n, r);
        double v = r.num;
        if (!is_finite_value(v) && !is_missing(v)) v = missing();
        num[site.dst] = v;
    }
}

int cmp_instance::op_special(const Instr* ip) {
    const Code& C = *code;
    const SpecialSite& site = C.special_sites[ip->a];
    double* R = num.data();
    void** P = ptr.data();
    cmp_arg_value args[65];
    qor_namerec fields[64];   // character members passed as arguments
    int n = static_cast<int>(site.args.size());
    std::memset(args, 0, sizeof(cmp_arg_value) * static_cast<size_t>(n + 1));
    args[0].kind = CMP_ARG_EXPRESSION;
    args[0].type = site.result ? site.result : 'n';
    if (site.result == 'n') args[0].number = &R[site.dst];
    if (site.result == 'c') args[0].text = &str[site.dst];
    for (int i = 0; i < n; ++i) {
        const ArgRef& ar = site.args[i];
        cmp_arg_value& v = args[i + 1];
        v.kind = ar.type == 'o' ? CMP_ARG_OMITTED : ar.type == 'a' ? CMP_ARG_ARRAY
                 : ar.variable ? CMP_ARG_VARIABLE : CMP_ARG_EXPRESSION;
        v.type = ar.type == 'a' ? C.arrays[ar.slot].type : ar.type;
        if (ar.type == 'o') continue;
        if (ar.type == 'a') {
            v.elements = array_addresses[ar.slot].data();
            v.count = static_cast<int>(array_addresses[ar.slot].size());
            v.symbol = C.arrays[static_cast<size_t>(ar.slot)].symbol;
            v.rows = extents[ar.slot][0];
            v.columns = extents[ar.slot][1];
            continue;
        }
        if (ar.type == 'c' && ar.storage == ARG_MEMBER) {   // the field itself, by address
            fields[i] = qor_namerec{static_cast<uint16_t>(ar.length), static_cast<uint16_t>(ar.length),
                                    static_cast<char*>(P[ar.pointer]) + ar.offset};
            v.text = &fields[i];
            continue;
        }
        if (ar.type == 'c') { v.text = &str[ar.slot]; continue; }
        switch (ar.storage) {
            case ARG_FRAME: v.number = &R[ar.slot]; break;
            case ARG_MEMBER: v.number = reinterpret_cast<double*>(static_cast<char*>(P[ar.pointer]) + ar.offset); break;
            case ARG_POINTER_MEMBER: v.number = *reinterpret_cast<double**>(static_cast<char*>(P[ar.pointer]) + ar.offset); break;
            case ARG_BOUND: v.number = static_cast<double*>(P[ar.pointer]); break;
        }
        if (!v.number) return fail(ip, "argument " + std::to_string(i + 1) + " of " + site.name + " has no storage");
    }
    cmp_function_record rec{site.name.c_str(), site.context};
    cmp_exec_context ctx{block, state};
    void* hid = site.hidden_index >= 0 ? hidden[site.hidden_index].data() : nullptr;
    if (site.result == 'c') str[site.dst].length = 0;
    int status = site.body(&rec, args, n, &ctx, this, hid);
    // the two early ends leave the frame as the body left it and end the run without a message
    if (status == CMP_BODY_END_ITERATION) return CMP_RUN_ITERATION_ENDED;
    if (status == CMP_BODY_STOP) return CMP_RUN_STOPPED;
    if (status != CMP_BODY_OK) return fail(ip, "function " + site.name + " failed");
    // character variables written by the body keep their blank padding
    for (int i = 0; i < n; ++i)
        if (site.args[i].type == 'c' && site.args[i].variable) {
            qor_namerec& s = site.args[i].storage == ARG_MEMBER ? fields[i] : str[site.args[i].slot];
            if (s.length > s.capacity) s.length = s.capacity;
            std::memset(s.text + s.length, ' ', static_cast<size_t>(s.capacity - s.length));
            s.length = s.capacity;
        }
    if (site.result == 'n' && !is_finite_value(R[site.dst]) && !is_missing(R[site.dst])) R[site.dst] = missing();
    if (site.result == 'c' && str[site.dst].length > str[site.dst].capacity) str[site.dst].length = str[site.dst].capacity;
    return 0;
}

void cmp_instance::op_put(const Instr* ip) {
    const PutSite& site = code->put_sites[ip->a];
    put_line.clear();
    char buf[40];
    auto flush = [&]() {
        if (dest) dest(dest_user, put_line.data(), static_cast<int>(put_line.size()));
        else if (session->capturing && capture_line()) {
        } else if (session->hooks.print) session->hooks.print(session->hooks.user, put_line.data(), static_cast<int>(put_line.size()));
        else xpslog("%*s", static_cast<int>(put_line.size()), put_line.data());
        put_line.clear();
    };
    for (const PutSite::Item& it : site.items) {
        if (it.kind == 3) { flush(); continue; }
        if (!put_line.empty() && put_line.back() != ' ') put_line += ' ';
        if (it.kind == 0) { put_line += it.text; continue; }
        if (it.kind == 2) put_line += it.text + "=";
        if (it.type == 'c') put_line.append(str[it.slot].text, static_cast<size_t>(trimmed(str[it.slot])));
        else put_line.append(buf, static_cast<size_t>(format_number(num[it.slot], 12, buf)));
    }
    flush();
}

// Holds a PUT line while the session captures output; false when capture ended meanwhile.
bool cmp_instance::capture_line() {
    std::lock_guard<std::mutex> lock(session->capture_mutex);
    if (!session->capturing) return false;
    session->captured.push_back(put_line);
    return true;
}

int cmp_instance::report_unbound(size_t k) {
    const std::string& name = code->required_names[k];
    std::string m = "No address is bound for " + (name.empty() ? std::string("a structure") : name) +
                    ", which the program reads: the run was not started";
    if (session->hooks.error) session->hooks.error(session->hooks.user, m.c_str(), 0, nullptr);
    else xpslog("ERROR: %s", m.c_str());
    return CMP_RUN_UNBOUND;
}

int cmp_instance::fail(const Instr* ip, const std::string& error) {
    const Code& C = *code;
    size_t pc = static_cast<size_t>(ip - C.code.data());
    int line = pc < C.line_of.size() ? C.line_of[pc] : 0;
    const char* method = nullptr;
    for (const MethodRange& m : C.methods)
        if (pc >= m.start && pc < m.end) method = m.name.c_str();
    char buf[512];
    const char* in_m = method ? " of method " : "";
    const char* mname = method ? method : "";
    xpmstr(buf, sizeof buf, 672, 4007, line, in_m, static_cast<int>(std::strlen(mname)), mname,
           static_cast<int>(error.size()), error.c_str());
    if (session->hooks.error) session->hooks.error(session->hooks.user, buf, line, method);
    else xpslog("%s", buf);
    depth = 0;
    return 2;
}
