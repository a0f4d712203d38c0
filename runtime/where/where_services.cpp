// The WHERE services: an expression read into the methods language, compiled once by the methods
// compiler with each name bound to the caller's storage, and run once per evaluation.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "host/compiler.h"
#include "host/print.h"
#include "host/where.h"
#include "runtime/core/service_guard.h"
#include "runtime/where/where_translate.h"

struct qor_where {
    cmp_session* session = nullptr;
    cmp_instance* instance = nullptr;
    double* result = nullptr;          // the program's answer: 1 or 0
    std::string text;                  // the methods program
    std::vector<std::string> errors;   // compile and run-time messages
    ~qor_where() {
        if (session) cmpends(session);
    }
};

namespace {

constexpr const char* kResult = "_QOR_WHERE_RESULT_";

void collect_error(void* user, const char* message, int, const char*) {
    static_cast<qor_where*>(user)->errors.emplace_back(message);
}

int like_body(const cmp_function_record*, cmp_arg_value* args, int nargs, const cmp_exec_context*, cmp_instance*,
              void*) {
    if (nargs != 2 || !args[0].number || !args[1].text || !args[2].text) return CMP_BODY_FAILED;
    *args[0].number = qor::where::like_match(args[1].text->text, args[1].text->length, args[2].text->text,
                                             args[2].text->length)
                          ? 1.0
                          : 0.0;
    return CMP_BODY_OK;
}

// The message that shows the expression and a caret under the column.
std::string located_message(const std::string& text, int column, const std::string& why) {
    std::string caret(static_cast<size_t>(column > 1 ? column - 1 : 0), ' ');
    for (size_t i = 0; i < caret.size() && i < text.size(); ++i)
        if (text[i] == '\t') caret[i] = '\t';
    return "WHERE expression, column " + std::to_string(column) + ": " + why + ".\n    " + text + "\n    " + caret + "^";
}

int refuse(int code, const std::string& message, int flags, char* out, int out_size) {
    if (out && out_size > 0) std::snprintf(out, static_cast<size_t>(out_size), "%s", message.c_str());
    if (flags & QOR_WHERE_LOG) xpslog("%1z%s", message.c_str());
    return code;
}

// Binds one name: a numeric name to the double at the address; a character name as the only
// member of a structure of its own whose instance is set to the address after generation.
bool bind_name(qor_where* w, const std::string& name, const qor_where_binding& b, int index,
               std::vector<std::pair<std::string, const void*>>* bases) {
    if (b.type == QOR_WHERE_NUMERIC) {
        cmp_symbol* sym = cmpsymd(w->session, name.c_str(), static_cast<int>(name.size()), 'v', 'n');
        return sym && cmppdvb(w->session, sym, static_cast<double*>(const_cast<void*>(b.address))) == 0;
    }
    std::string structure = "_QOR_WS" + std::to_string(index);
    std::string instance = "_QOR_WI" + std::to_string(index);
    if (cmpinss(w->session, structure.c_str(), -1, nullptr, 0, b.length) != 0) return false;
    if (cmpinsc(w->session, structure.c_str(), -1, name.c_str(), static_cast<int>(name.size()), 0, b.length) != 0)
        return false;
    if (cmpstri(w->session, structure.c_str(), -1, instance.c_str(), -1, 1) != 0) return false;
    bases->emplace_back(instance, b.address);
    return true;
}

}  // namespace

int xwparse(const char* text, int length, qor_where_resolver resolver, void* user, int flags, qor_where** out,
            char* message, int message_size) try {
    if (out) *out = nullptr;
    if (message && message_size > 0) message[0] = 0;
    if (!text || !resolver || !out) return QOR_WHERE_BAD_ARGUMENT;
    std::string source(text, length < 0 ? std::strlen(text) : static_cast<size_t>(length));
    qor::where::Translation tr = qor::where::translate_where(source);
    if (!tr.error.empty())
        return refuse(QOR_WHERE_SYNTAX, located_message(source, tr.error_column, tr.error), flags, message,
                      message_size);

    auto w = std::make_unique<qor_where>();
    cmp_hooks hooks{};
    hooks.user = w.get();
    hooks.error = collect_error;
    if (cmpints(&w->session, &hooks) != 0) return QOR_WHERE_NO_MEMORY;

    // Resolve every occurrence; the first binding of a name is the one used.
    std::vector<std::pair<std::string, qor_where_binding>> bound;
    std::vector<std::pair<std::string, const void*>> bases;
    for (const qor::where::NameUse& use : tr.names) {
        qor_where_binding b{};
        int rc = resolver(user, use.name.data(), static_cast<int>(use.name.size()), &b);
        if (rc != 0) {
            std::string why = rc == QOR_WHERE_NOT_FOUND ? "the variable " + use.name + " is not found"
                                                        : "the variable " + use.name + " cannot be used";
            return refuse(rc, located_message(source, use.column, why), flags, message, message_size);
        }
        bool type_ok = (b.type == QOR_WHERE_NUMERIC) ||
                       (b.type == QOR_WHERE_CHARACTER && b.length >= 1 && b.length <= 32767);
        if (!type_ok || !b.address)
            return refuse(QOR_WHERE_BAD_ARGUMENT,
                          located_message(source, use.column, "the variable " + use.name + " has no usable value"),
                          flags, message, message_size);
        bool seen = false;
        for (const auto& p : bound) seen = seen || p.first == use.name;
        if (seen) continue;
        if (!bind_name(w.get(), use.name, b, static_cast<int>(bound.size()), &bases))
            return refuse(QOR_WHERE_SYNTAX,
                          located_message(source, use.column, "the name " + use.name + " cannot be a variable here"),
                          flags, message, message_size);
        bound.emplace_back(use.name, b);
    }
    if (tr.uses_like) {
        cmp_special_def like{};
        like.name = qor::where::kLikeRoutine;
        like.nargs = 2;
        like.arg_types = "cc";
        like.result_type = 'n';
        like.body = like_body;
        if (cmpinst(w->session, &like) != 0) return QOR_WHERE_NO_MEMORY;
    }
    w->text = "if " + tr.expression + " then " + kResult + " = 1; else " + kResult + " = 0;";
    char log[512], err[512];
    int rc = cmpprss(w->session, w->text.data(), static_cast<int>(w->text.size()), log, sizeof log, err, sizeof err);
    if (rc == CMP_ACCEPTED) rc = cmpprss(w->session, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0);
    if (rc != CMP_COMPLETE || cmpgen(w->session, 1) != 0) {
        std::string why = w->errors.empty() ? std::string(err) : w->errors.front();
        // the compiler reports against its own text: point at the first function call, where
        // the usual fault (an unknown function or a wrong argument) sits
        int column = tr.call_columns.empty() ? 1 : tr.call_columns.front();
        return refuse(QOR_WHERE_SYNTAX, located_message(source, column, why.empty() ? "not a valid expression" : why),
                      flags, message, message_size);
    }
    w->instance = cmpinsb(w->session, 0);
    for (const auto& base : bases)
        if (cmpbase(w->instance, base.first.c_str(), -1, const_cast<void*>(base.second)) != 0)
            return QOR_WHERE_NO_MEMORY;
    w->result = cmppdva(w->instance, cmpsyms(w->session, kResult, -1));
    if (!w->result) return QOR_WHERE_NO_MEMORY;
    *out = w.release();
    return QOR_WHERE_OK;
}
QOR_SERVICE_CATCH(QOR_WHERE_NO_MEMORY)

int xweval(qor_where* w) try {
    if (!w || !w->instance) return QOR_WHERE_BAD_ARGUMENT;
    w->errors.clear();
    if (cmpfrun(w->instance, 0) != CMP_RUN_OK) return QOR_WHERE_EVAL_FAILED;
    return *w->result == 1.0 ? 1 : 0;
}
QOR_SERVICE_CATCH(QOR_WHERE_NO_MEMORY)

void xwfree(qor_where* w) { delete w; }

const char* xwtext(const qor_where* w) { return w ? w->text.c_str() : ""; }
