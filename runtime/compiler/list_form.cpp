// Stored methods: a method's typed-list form (its statement texts, kind, description and
// blocks, with a format version; never code) written to catalog entries, read back and compiled.
#include <cctype>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "host/catalog.h"
#include "host/compiler.h"
#include "host/lists.h"
#include "host/print.h"
#include "runtime/compiler/lexer.h"
#include "runtime/compiler/parser.h"
#include "runtime/compiler/session.h"
#include "runtime/core/service_guard.h"

using namespace qor::cmp;

namespace {

constexpr int kFormVersion = 1;            // version written; readers take this one and older
constexpr const char* kEntryType = "GENTRANS";
constexpr const char* kKinds = "NITPJVRSM";   // kind letter by METHOD option value 0..8

std::string text_of(const char* p, int n) {
    if (!p) return std::string();
    return std::string(p, n < 0 ? std::strlen(p) : static_cast<size_t>(n));
}

std::string trimmed(std::string_view v) {
    size_t a = v.find_first_not_of(' '), b = v.find_last_not_of(' ');
    return a == std::string_view::npos ? std::string() : std::string(v.substr(a, b - a + 1));
}

void report(cmp_session& s, int number, const std::string& subject, const std::string& reason) {
    char buf[1024];
    xpmstr(buf, sizeof buf, 672, number, static_cast<int>(subject.size()), subject.c_str(),
           static_cast<int>(reason.size()), reason.c_str());
    if (s.hooks.error) s.hooks.error(s.hooks.user, buf, s.line, nullptr);
    else xpslog("%s", buf);
}

// A list made here, freed (or its claim given up) when the holder ends.
struct OwnedList {
    qor_list* list = nullptr;
    qor_list_id id = 0;
    OwnedList() { id = slnewl(&list, nullptr, 84); }
    ~OwnedList() { if (list) sldel(list, 0); }
    OwnedList(const OwnedList&) = delete;
    OwnedList& operator=(const OwnedList&) = delete;
};

// The stored form of a defined method; 0 or the code of the list service that failed.
int build_form(const Method& m, qor_list* form) {
    int rc = 0;
    auto ok = [&](int code) { if (rc == 0 && code != 0) rc = code; };
    ok(slinsd(form, kFormVersion, QOR_SL_APPEND, "VERSION"));
    // A catalog that keeps its own VERSION item in every entry replaces the one above: the form's
    // version is kept a second time under a name of its own.
    ok(slinsd(form, kFormVersion, QOR_SL_APPEND, "FORMVERSION"));
    ok(slinsc(form, m.name, QOR_SL_APPEND, "NAME"));
    ok(slinsc(form, std::string(1, m.kind), QOR_SL_APPEND, "KIND"));
    ok(slinsc(form, m.description, QOR_SL_APPEND, "DESC"));
    ok(slinsd(form, static_cast<double>(m.source.size()), QOR_SL_APPEND, "NSTMT"));
    OwnedList source;
    if (!source.list) return QOR_SL_NO_MEMORY;
    for (const std::string& t : m.source) ok(slinsc(source.list, t, QOR_SL_APPEND, ""));
    ok(slinsl(form, source.id, QOR_SL_APPEND, "SOURCE"));
    if (m.has_blocks()) {
        OwnedList blocks;
        if (!blocks.list) return QOR_SL_NO_MEMORY;
        for (int b = 0; b < 5; ++b) {
            if (!m.blocks[b].defined) continue;
            ok(slinsd(blocks.list, m.blocks[b].first_stmt, QOR_SL_APPEND, "STMTSTART"));
            ok(slinsd(blocks.list, m.blocks[b].last_stmt, QOR_SL_APPEND, "STMTEND"));
            ok(slinsd(blocks.list, b, QOR_SL_APPEND, "BLOCKTYPE"));
        }
        ok(slinsl(form, blocks.id, QOR_SL_APPEND, "METHODBLOCK"));
    }
    return rc;
}

// A whole number stored in a list item, or -1.
long whole(const qor_list* list, std::string_view name) {
    double v = 0;
    if (slgnd(list, name, &v) != 0 || !(v >= 0 && v <= 1e9) || v != std::floor(v)) return -1;
    return static_cast<long>(v);
}
long whole_at(const qor_list* list, int position) {
    double v = 0;
    if (slitmd(list, position, &v) != 0 || !(v >= 0 && v <= 1e9) || v != std::floor(v)) return -1;
    return static_cast<long>(v);
}

// Why a list is not the stored form of a method (empty when it is one); the statement texts go
// to source. Every statement is parsed here, so that a damaged form is refused whole, before
// anything of it reaches the session.
std::string check_form(const qor_list* form, const std::string& expected, std::vector<std::string>& source) {
    // VERSION is the form's own unless a catalog put its text there; FORMVERSION then tells.
    long version = whole(form, "VERSION");
    if (version < 0) version = whole(form, "FORMVERSION");
    if (version < 1) return "it has no format VERSION";
    if (version > kFormVersion)
        return "its format version " + std::to_string(version) + " is newer than this compiler's (" +
               std::to_string(kFormVersion) + ")";
    std::string_view v;
    if (slgnc(form, "NAME", &v) != 0) return "it has no NAME";
    std::string name = upper(trimmed(v));
    if (name.empty()) return "its NAME is empty";
    if (!expected.empty() && name != expected) return "it holds method " + name + ", not " + expected;
    if (slgnc(form, "KIND", &v) != 0 || v.size() != 1 || !std::strchr(kKinds, v[0]) || v[0] == '\0')
        return "its KIND is not one of the letters N I T P J V R S M";
    char kind = v[0];
    std::string desc;
    if (slgnc(form, "DESC", &v) == 0) desc = std::string(v);
    long count = whole(form, "NSTMT");
    qor_list* src = nullptr;
    if (slgnl(form, "SOURCE", &src) != 0 || !src) return "it has no SOURCE list of statements";
    if (count != slcnt(src))
        return "its SOURCE holds " + std::to_string(slcnt(src)) + " statements where NSTMT says " + std::to_string(count);
    if (count < 2) return "its SOURCE is shorter than METHOD ... ENDMETHOD";

    NodeStore scratch;
    std::vector<int> first_kind(static_cast<size_t>(count)), last_kind(static_cast<size_t>(count));
    for (long k = 0; k < count; ++k) {
        std::string_view t;
        if (slitmc(src, static_cast<int>(k + 1), &t) != 0) return "statement " + std::to_string(k + 1) + " is not a text";
        if (t.find(CMP_END_MARKER) != std::string_view::npos)
            return "statement " + std::to_string(k + 1) + " holds the end-of-source marker";
        std::vector<Stmt*> stmts;
        SyntaxError err;
        if (!parse_statements(t, 1, scratch, stmts, err) || stmts.size() != 1)
            return "statement " + std::to_string(k + 1) + " is not one statement of the language";
        Stmt* st = stmts[0];
        bool first = k == 0, last = k == count - 1;
        if (first) {
            if (st->kind != StmtKind::Method) return "it does not start with its METHOD statement";
            if (upper(st->name) != name) return "its METHOD statement names " + upper(st->name) + ", not " + name;
            if (kKinds[st->block_type] != kind) return "its METHOD statement and its KIND disagree";
            std::string d = st->items.empty() ? std::string() : st->items[0].text;
            if (d != desc) return "its METHOD statement and its DESC disagree";
        } else if (last) {
            if (st->kind != StmtKind::EndMethod) return "it does not end with ENDMETHOD";
        } else if (st->kind == StmtKind::Method || st->kind == StmtKind::EndMethod) {
            return "statement " + std::to_string(k + 1) + " starts or ends a method inside it";
        }
        first_kind[static_cast<size_t>(k)] = st->kind == StmtKind::Block ? st->block_type : -1;
        last_kind[static_cast<size_t>(k)] = st->kind == StmtKind::EndBlock ? 1 : 0;
        source.emplace_back(t);
    }
    qor_list* blocks = nullptr;
    if (slgnl(form, "METHODBLOCK", &blocks) == 0 && blocks) {
        int n = slcnt(blocks);
        if (n % 3 != 0) return "its METHODBLOCK does not hold groups of three numbers";
        for (int g = 1; g <= n; g += 3) {
            long start = whole_at(blocks, g), end = whole_at(blocks, g + 1), type = whole_at(blocks, g + 2);
            if (start < 0 || end <= start || end >= count || type < 0 || type > 4 ||
                first_kind[static_cast<size_t>(start)] != type || last_kind[static_cast<size_t>(end)] != 1)
                return "its METHODBLOCK does not match the BLOCK and ENDBLOCK statements";
        }
    }
    return std::string();
}

}  // namespace

int cmp_session::load_method_list(const qor_list* list, const std::string& where, const std::string& expected) {
    std::vector<std::string> source;
    std::string why = check_form(list, expected, source);
    if (!why.empty()) {
        ++errors;
        report(*this, 4010, where, why);
        return 3;
    }
    for (const std::string& t : source)
        if (push(t.data(), static_cast<int>(t.size()), nullptr, 0, nullptr, 0) > 0) return 4;
    return 0;
}

// A method called but never defined comes from the method catalog, once; methods it calls in
// turn are looked up as well, in each library set with rsxlib in order (the first holding the
// entry wins). An absent entry is left to generation, which names the method.
void cmp_session::load_called_methods() {
    if (errors > 0 || open_method >= 0 || !groups.empty()) return;
    for (size_t i = 0; i < src.methods.size(); ++i) {
        if (src.methods[i].defined || !src.methods[i].referenced) continue;
        std::string name = src.methods[i].name;
        if (!catalog_tried.insert(name).second) continue;
        std::vector<std::string> libraries = method_libraries;
        if (libraries.empty()) libraries.push_back(method_library);
        for (size_t k = 0; k < libraries.size(); ++k) {
            // a library set as "library.catalog" (rsxlib), or with a catalog of its own (rsxcat),
            // is searched in that catalog
            const std::string& catalog =
                k < library_catalogs.size() && !library_catalogs[k].empty() ? library_catalogs[k] : method_catalog;
            std::string entry = libraries[k].find('.') != std::string::npos ? libraries[k] + "." + name
                                                                             : libraries[k] + "." + catalog + "." + name;
            OwnedList l;
            if (!l.list) {
                ++errors;
                return;
            }
            int rc = slfile(l.list, entry, 'R', method_entry_type);
            uint32_t code = static_cast<uint32_t>(rc);
            if (rc == 0) {
                load_method_list(l.list, entry + "." + method_entry_type, name);
                break;
            }
            if (code != QOR_C_NOT_FOUND && code != QOR_C_NO_LIBRARY) {
                ++errors;
                char hex[16];
                std::snprintf(hex, sizeof hex, "%08X", code);
                report(*this, 4010, entry + "." + method_entry_type, std::string("the entry cannot be read (code ") + hex + ")");
                break;
            }
        }
        if (errors > 0) return;
    }
}

int cmposl(cmp_session* s, const char* method, int mlength, const char* entry, int elength, qor_list* list) try {
    if (!s || !method || (!entry && !list)) return 1;
    std::string name = upper(trimmed(text_of(method, mlength)));
    int idx = s->src.method_index(name);
    if (idx < 0 || !s->src.methods[idx].defined) {
        report(*s, 4011, name, "it is not defined in this source");
        return 2;
    }
    const Method& m = s->src.methods[idx];
    OwnedList form;
    if (!form.list) return QOR_SL_NO_MEMORY;
    int rc = build_form(m, form.list);
    if (rc == 0 && list && slcopy(form.list, list) == 0) rc = QOR_SL_NO_MEMORY;
    if (rc == 0 && entry) rc = slfile(form.list, text_of(entry, elength), 'W', kEntryType, m.description);
    if (rc != 0) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%08X", static_cast<uint32_t>(rc));
        report(*s, 4011, name, std::string("the list or catalog service failed (code ") + hex + ")");
    }
    return rc;
}
QOR_SERVICE_CATCH(1)

int cmpisl(cmp_session* s, const char* entry, int elength, const qor_list* list) try {
    if (!s || (!entry && !list)) return 1;
    if (s->generated || s->ended) return 1;
    if (list) return s->load_method_list(list, "a list", std::string());
    std::string name = text_of(entry, elength);
    OwnedList l;
    if (!l.list) return QOR_SL_NO_MEMORY;
    int rc = slfile(l.list, name, 'R', kEntryType);
    if (rc != 0) {
        ++s->errors;
        char hex[16];
        std::snprintf(hex, sizeof hex, "%08X", static_cast<uint32_t>(rc));
        report(*s, 4010, name, std::string("the entry cannot be read (code ") + hex + ")");
        return 2;
    }
    return s->load_method_list(l.list, name, std::string());
}
QOR_SERVICE_CATCH(1)

int cmpmcat(cmp_session* s, const char* library, int llength, const char* catalog, int clength) try {
    if (!s || s->ended) return 1;
    std::string lib = upper(trimmed(text_of(library, llength)));
    std::string cat = upper(trimmed(text_of(catalog, clength)));
    if (lib.empty() || cat.empty() || lib.size() > 8 || cat.size() > 32) return 1;
    s->method_library = lib;
    s->method_catalog = cat;
    return 0;
}
QOR_SERVICE_CATCH(1)

int rsxcat(const cmp_method_catalog* catalogs, int count, const char* type, int tlength, cmp_session* s) try {
    if (!s || s->ended || count < 1 || !catalogs) return 0;
    std::vector<std::string> libraries, names;
    auto is_name = [](const std::string& n, size_t limit) {
        if (n.empty() || n.size() > limit) return false;
        for (char c : n)
            if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
        return true;
    };
    for (int i = 0; i < count; ++i) {
        std::string library = upper(trimmed(text_of(catalogs[i].library, catalogs[i].library_length)));
        std::string catalog = upper(trimmed(text_of(catalogs[i].catalog, catalogs[i].catalog_length)));
        if (!is_name(library, 8) || !is_name(catalog, 32)) return 0;
        libraries.push_back(library);
        names.push_back(catalog);
    }
    std::string entry_type = upper(trimmed(text_of(type, tlength)));
    if (type && !is_name(entry_type, 8)) return 0;
    s->method_libraries = std::move(libraries);
    s->library_catalogs = std::move(names);
    if (type) s->method_entry_type = entry_type;
    return count;
}
QOR_SERVICE_CATCH(0)
