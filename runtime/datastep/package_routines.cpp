// The call routines of web-report packages: PACKAGE_BEGIN, INSERT_REF, PACKAGE_PUBLISH and
// PACKAGE_END. Packages are kept per process by number; this host has no mail transport, so
// publishing checks its arguments, logs a note and answers a non-zero rc.
#include "runtime/datastep/package_routines.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "host/print.h"

namespace qor::runtime::datastep {

namespace {

struct Package {
    std::string description;
    std::vector<std::string> references;   // "type: reference"
};

std::mutex g_lock;
std::map<long, Package> g_packages;
long g_next_id = 1;

// rc values the routines answer.
constexpr double kRcUnknownPackage = 1;
constexpr double kRcNoTransport = 2;
constexpr double kRcBadArgument = 3;

int refuse(char* message, int size, const std::string& why) {
    std::snprintf(message, static_cast<size_t>(size), "%s", why.c_str());
    return 1;
}

// Arguments written back by a routine must be numeric variables; texts must be character values.
int check_shape(cmp_call_node* call, char* message, int size, const char* routine, int fixed,
                const std::vector<int>& written, const std::vector<int>& texts) {
    if (call->nargs < fixed) return refuse(message, size, std::string(routine) + " takes at least " + std::to_string(fixed) + " arguments");
    for (int k : written) {
        cmp_arg_node& a = call->args[k];
        if (a.kind != CMP_ARG_VARIABLE || a.type != 'n')
            return refuse(message, size, std::string(routine) + ": argument " + std::to_string(k + 1) + " must be a numeric variable");
        a.flags[0] |= CMP_ARGF_BY_REFERENCE;
    }
    for (int k : texts)
        if (k < call->nargs && call->args[k].type != 'c')
            return refuse(message, size, std::string(routine) + ": argument " + std::to_string(k + 1) + " must be a character value");
    return 0;
}

int check_begin(void*, cmp_call_node* call, char* message, int size) {
    if (call->nargs != 4) return refuse(message, size, "PACKAGE_BEGIN takes (id, description, abstract, rc)");
    return check_shape(call, message, size, "PACKAGE_BEGIN", 4, {0, 3}, {1, 2});
}
int check_insert(void*, cmp_call_node* call, char* message, int size) {
    if (call->nargs != 6) return refuse(message, size, "INSERT_REF takes (id, type, reference, name, name value, rc)");
    return check_shape(call, message, size, "INSERT_REF", 6, {5}, {1, 2, 3, 4});
}
int check_publish(void*, cmp_call_node* call, char* message, int size) {
    int rc = check_shape(call, message, size, "PACKAGE_PUBLISH", 3, {2}, {1});
    for (int k = 3; rc == 0 && k < call->nargs; ++k)
        if (call->args[k].type != 'c') rc = refuse(message, size, "PACKAGE_PUBLISH: properties and addresses are character values");
    return rc;
}
int check_end(void*, cmp_call_node* call, char* message, int size) {
    if (call->nargs != 2) return refuse(message, size, "PACKAGE_END takes (id, rc)");
    return check_shape(call, message, size, "PACKAGE_END", 2, {1}, {});
}

std::string text_of(const cmp_arg_value& a) {
    if (!a.text || !a.text->text) return "";
    std::string s(a.text->text, a.text->length);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}
long id_of(const cmp_arg_value& a) { return a.number ? static_cast<long>(*a.number) : 0; }

int body_begin(const cmp_function_record*, cmp_arg_value* args, int, const cmp_exec_context*, cmp_instance*, void*) {
    std::lock_guard<std::mutex> hold(g_lock);
    long id = g_next_id++;
    g_packages[id].description = text_of(args[2]);
    *args[1].number = static_cast<double>(id);
    *args[4].number = 0;
    return CMP_BODY_OK;
}
int body_insert(const cmp_function_record*, cmp_arg_value* args, int, const cmp_exec_context*, cmp_instance*, void*) {
    std::lock_guard<std::mutex> hold(g_lock);
    auto p = g_packages.find(id_of(args[1]));
    if (p == g_packages.end()) {
        *args[6].number = kRcUnknownPackage;
        return CMP_BODY_OK;
    }
    std::string type = text_of(args[2]);
    for (char& c : type) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (type != "URL" && type != "HTML" && type != "TEXT") {
        *args[6].number = kRcBadArgument;
        return CMP_BODY_OK;
    }
    p->second.references.push_back(type + ": " + text_of(args[3]));
    *args[6].number = 0;
    return CMP_BODY_OK;
}
int body_publish(const cmp_function_record*, cmp_arg_value* args, int nargs, const cmp_exec_context*, cmp_instance*,
                 void*) {
    std::lock_guard<std::mutex> hold(g_lock);
    long id = id_of(args[1]);
    auto p = g_packages.find(id);
    if (p == g_packages.end()) {
        *args[3].number = kRcUnknownPackage;
        return CMP_BODY_OK;
    }
    std::string transport = text_of(args[2]);
    int addresses = nargs > 5 ? nargs - 5 : 0;   // after the property name and its value
    xpslog("%3zPackage %li (%s) with %i reference(s) was not published %s to %i address(es): this host has no "
           "mail transport.",
           id, p->second.description.c_str(), static_cast<int>(p->second.references.size()), transport.c_str(),
           addresses);
    *args[3].number = kRcNoTransport;
    return CMP_BODY_OK;
}
int body_end(const cmp_function_record*, cmp_arg_value* args, int, const cmp_exec_context*, cmp_instance*, void*) {
    std::lock_guard<std::mutex> hold(g_lock);
    *args[2].number = g_packages.erase(id_of(args[1])) == 1 ? 0 : kRcUnknownPackage;
    return CMP_BODY_OK;
}

}  // namespace

int install_package_routines(cmp_session* session) {
    const struct {
        const char* name;
        cmp_check_fn check;
        cmp_body_fn body;
    } routines[] = {{"PACKAGE_BEGIN", check_begin, body_begin},
                    {"INSERT_REF", check_insert, body_insert},
                    {"PACKAGE_PUBLISH", check_publish, body_publish},
                    {"PACKAGE_END", check_end, body_end}};
    for (const auto& r : routines) {
        cmp_special_def def{};
        def.name = r.name;
        def.nargs = 0;
        def.result_type = 0;
        def.check = r.check;
        def.body = r.body;
        if (cmpinst(session, &def) != 0) return 1;
    }
    return 0;
}

}  // namespace qor::runtime::datastep
