// Stored form of method objects (kind 24): the list is the methods compiler's own stored form of
// the method; loading checks it whole, defines the method again and installs its statements.
// Also the texts of a method variable's type codes.
#include "catalog/method_forms.h"

#include <cctype>
#include <string>
#include <string_view>

#include "common/methods/methods_library.h"
#include "engine/tables/engine_table.h"
#include "engine/tables/method_records.h"
#include "host/compiler.h"
#include "host/lists.h"
#include "host/print.h"

namespace {

// A compile session of its own for one method's statements, ended when the holder goes. It
// knows the numeric library of the methods language (PROBNORM, CDF, INTNX, ...), as the
// environment's compiles do, so that the methods calling it have a stored form.
struct MethodSession {
    cmp_session* session = nullptr;
    MethodSession() {
        cmp_hooks hooks{};
        if (cmpints(&session, &hooks) != 0) session = nullptr;
        if (session != nullptr && methods_install_library(session) != 0) {
            cmpends(session);
            session = nullptr;
        }
    }
    ~MethodSession() {
        if (session != nullptr) cmpends(session);
    }
    MethodSession(const MethodSession&) = delete;
    MethodSession& operator=(const MethodSession&) = delete;
};

// The statements of the stored form's SOURCE, each NUL-terminated, one after the other; false
// when an item is not a text.
bool source_of(const qor_list* form, std::string* source, int* count) {
    qor_list* statements = nullptr;
    if (slgnl(form, "SOURCE", &statements) != 0 || statements == nullptr) return false;
    *count = slcnt(statements);
    for (int i = 1; i <= *count; ++i) {
        std::string_view text;
        if (slitmc(statements, i, &text) != 0) return false;
        // The stored texts end with their ';': the method object keeps statements without it.
        while (!text.empty() && (text.back() == ';' || std::isspace(static_cast<unsigned char>(text.back()))))
            text.remove_suffix(1);
        source->append(text);
        source->push_back('\0');
    }
    return true;
}

// The method's name as its METHOD statement (the source's first text) spells it, when that is
// the stored name; else the stored name.
std::string_view written_name(const std::string& source, std::string_view stored) {
    std::string_view first(source.c_str());
    size_t at = first.find_first_not_of(" \t\r\n");
    if (at == std::string_view::npos) return stored;
    at = first.find_first_of(" \t\r\n", at);
    if (at == std::string_view::npos) return stored;
    at = first.find_first_not_of(" \t\r\n", at);
    if (at == std::string_view::npos) return stored;
    const size_t end = first.find_first_of(" \t\r\n;", at);
    std::string_view word = first.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
    if (word.size() != stored.size()) return stored;
    for (size_t i = 0; i < word.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(word[i])) != std::toupper(static_cast<unsigned char>(stored[i])))
            return stored;
    return word;
}

}  // namespace

int rsstrng(RSKCON*, void* object, uint32_t list, RSKLISTWS*, int, int) {
    auto* method = static_cast<RSKGENTRANS*>(object);
    qor_list* out = slistp(list);
    if (method == nullptr || out == nullptr) return 1;
    // Only a method whose statements compile has a stored form: it is made by compiling them
    // again in a session of its own, so that no compile of the environment is disturbed.
    if (!method->compiled || method->statement_count <= 0) return 1;
    MethodSession compile;
    if (compile.session == nullptr) return 1;
    std::string statement;
    for (int i = 0; i < method->statement_count; ++i) {
        const RSKSTMTDESC& d = method->statements[i];
        if (d.text == nullptr) return 1;
        statement.assign(d.text, static_cast<size_t>(d.length));
        statement.push_back(';');
        if (cmpprss(compile.session, statement.data(), static_cast<int>(statement.size()), nullptr, 0, nullptr, 0) > 0)
            return 1;
    }
    if (cmpprss(compile.session, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0) != CMP_COMPLETE) return 1;
    // The compiler names the method and the failing service when it cannot make the form.
    return cmposl(compile.session, method->name.name.text, method->name.name.length, nullptr, 0, out) != 0 ? 1 : 0;
}

int rsstrns(RSKCON* con, uint32_t list, RSKLISTWS*, int, int, RSKCATOBJ** out, RSKCATOBJ* header) {
    if (out != nullptr) *out = nullptr;
    const qor_list* form = slistp(list);
    std::string_view name, kind, description;
    if (form == nullptr || slgnc(form, "NAME", &name) != 0) {
        xpmlog(598, 3135, 1, "?", 23, "the entry has no NAME");
        return 1;
    }
    auto refuse = [&](std::string_view why) {
        xpmlog(598, 3135, static_cast<int>(name.size()), name.data(), static_cast<int>(why.size()), why.data());
        return 1;
    };
    if (slgnc(form, "KIND", &kind) != 0 || kind.empty()) return refuse("the entry has no KIND");
    if (slgnc(form, "DESC", &description) != 0) description = " ";
    // The whole form is checked by the compiler before anything is defined: a damaged entry
    // is refused with the compiler's reason, and the method in memory stays as it was.
    {
        MethodSession check;
        if (check.session == nullptr || cmpisl(check.session, nullptr, 0, form) != 0)
            return refuse("its stored form is refused by the methods compiler");
    }
    std::string source;
    int count = 0;
    if (!source_of(form, &source, &count)) return refuse("its SOURCE is not a list of statement texts");

    auto define = engine_routine<EngineSlot::rsktrnd>();
    auto install = engine_routine<EngineSlot::rsktrni>();
    if (define == nullptr || install == nullptr) return refuse("the engine cannot define methods");
    // The form keeps the name upper-cased; the METHOD statement keeps it as the user wrote it.
    const std::string_view written = written_name(source, name);
    RSKNAMEREC method_name{static_cast<uint16_t>(written.size()), static_cast<uint16_t>(written.size()),
                           const_cast<char*>(written.data())};
    RSKNAMEREC method_description{static_cast<uint16_t>(description.size()), static_cast<uint16_t>(description.size()),
                                  const_cast<char*>(description.data())};
    RSKCATOBJ* defined = nullptr;
    if (define(con, &defined, &method_name, &method_description, kind[0], header) != 0 || defined == nullptr)
        return refuse("it cannot be defined again");
    auto* method = static_cast<RSKGENTRANS*>(defined->object);
    const uint8_t loading = con->catalog_loading;
    con->catalog_loading = 1;
    int rc = install(con, method, source.data(), source.size(), count, 0, nullptr, 0, 2);
    con->catalog_loading = loading;
    if (rc != 0) {
        xpmlog(598, 3136, static_cast<int>(name.size()), name.data());
        return 1;
    }
    if (out != nullptr) *out = defined;
    return 0;
}

int rsstrnt(int code, char* buffer, int size) {
    struct CodeText {
        int code;
        int message;
    };
    static const CodeText kTexts[] = {
        {1, 6802},   {2, 6803},   {3, 6804},   {4, 6805},   {5, 6806},   {6, 6807},   {7, 6808},   {8, 6809},
        {9, 6810},   {10, 6811},  {11, 6814},  {60, 6812},  {70, 6841},  {102, 6821}, {104, 6824}, {221, 6831},
        {222, 6832}, {223, 6833}, {225, 6834}, {226, 6846}, {231, 6826}, {232, 6827}, {233, 6829}, {234, 6830},
        {241, 6841}, {242, 6842}, {243, 6843}, {244, 6844}, {245, 6845},
    };
    int message = 6801;
    for (const CodeText& t : kTexts)
        if (t.code == code) message = t.message;
    if (buffer == nullptr || size <= 0) return 0;
    int length = xpmstr(buffer, size, 598, message);
    return length < 0 ? 0 : (length >= size ? size - 1 : length);
}
