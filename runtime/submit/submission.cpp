// The host's code-submission service: named contexts that buffer program text from a module,
// join it into a program and run it through the program runner, keeping its status.
#include "host/submit.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <set>
#include <string>

#include "host/print.h"
#include "runtime/core/service_guard.h"
#include "runtime/submit/program_runner.h"

struct qor_submit_context {
    std::string name;
    uint32_t task = 0;
    std::string buffered;    // text handed over since the last preparation
    std::string prepared;    // the program the next run executes
    int status = 0;          // of the last run
};

namespace {

constexpr size_t kTextLimit = 64u << 20;

struct Layer {
    std::mutex lock;
    std::set<qor_submit_context*> live;     // created and not deleted
    std::set<qor_submit_context*> joined;   // initialised the layer or joined it
    bool active = false;
    bool end_requested = false;             // ended by its owner; down once nobody has joined
};

Layer& layer() {
    static Layer* instance = new Layer;   // outlives every static context of the modules
    return *instance;
}

bool known(Layer& l, qor_submit_context* handle) { return handle != nullptr && l.live.count(handle) != 0; }

void leave(Layer& l, qor_submit_context* handle) {
    l.joined.erase(handle);
    if (l.end_requested && l.joined.empty()) {
        l.active = false;
        l.end_requested = false;
    }
}

}  // namespace

int xytrcrt(int, uint32_t task, const char* name, int name_length, int buffer_size,
            qor_submit_context** handle) try {
    if (handle == nullptr) return QOR_SUBMIT_BAD_ARGUMENT;
    *handle = nullptr;
    if (name == nullptr) return QOR_SUBMIT_BAD_ARGUMENT;
    size_t n = name_length < 0 ? std::strlen(name) : static_cast<size_t>(name_length);
    n = std::find(name, name + n, '\0') - name;   // a counted name may carry its NUL
    if (n == 0 || n > 32 || buffer_size < 0) return QOR_SUBMIT_BAD_ARGUMENT;
    auto* context = new qor_submit_context;
    context->name.assign(name, n);
    context->task = task;
    context->buffered.reserve(static_cast<size_t>(buffer_size));
    Layer& l = layer();
    std::lock_guard<std::mutex> guard(l.lock);
    l.live.insert(context);
    *handle = context;
    return 0;
}
QOR_SERVICE_CATCH(QOR_SUBMIT_NO_MEMORY)

int xytrdel(qor_submit_context* handle) try {
    Layer& l = layer();
    std::lock_guard<std::mutex> guard(l.lock);
    if (!known(l, handle)) return QOR_SUBMIT_BAD_CONTEXT;
    l.live.erase(handle);
    leave(l, handle);
    delete handle;
    return 0;
}
QOR_SERVICE_CATCH(QOR_SUBMIT_NO_MEMORY)

int xalinit(qor_submit_context* handle, int, int, int) try {
    Layer& l = layer();
    std::lock_guard<std::mutex> guard(l.lock);
    if (!known(l, handle)) return QOR_SUBMIT_BAD_CONTEXT;
    l.joined.insert(handle);
    if (l.active) return QOR_SUBMIT_ALREADY;
    l.active = true;
    l.end_requested = false;
    return 0;
}
QOR_SERVICE_CATCH(QOR_SUBMIT_NO_MEMORY)

int xalterm(qor_submit_context* handle) try {
    Layer& l = layer();
    std::lock_guard<std::mutex> guard(l.lock);
    if (!known(l, handle)) return QOR_SUBMIT_BAD_CONTEXT;
    if (!l.active) return QOR_SUBMIT_NOT_READY;
    l.end_requested = true;
    leave(l, handle);
    return 0;
}
QOR_SERVICE_CATCH(QOR_SUBMIT_NO_MEMORY)

int qor_submit_layer_active() {
    Layer& l = layer();
    std::lock_guard<std::mutex> guard(l.lock);
    return l.active ? 1 : 0;
}

int xalbufs(qor_submit_context* handle, const char* text, int length) try {
    Layer& l = layer();
    {
        std::lock_guard<std::mutex> guard(l.lock);
        if (!known(l, handle)) return QOR_SUBMIT_BAD_CONTEXT;
        if (!l.active) return QOR_SUBMIT_NOT_READY;
    }
    if (text == nullptr) return QOR_SUBMIT_BAD_ARGUMENT;
    size_t n = length < 0 ? std::strlen(text) : static_cast<size_t>(length);
    if (handle->buffered.size() + n + 1 > kTextLimit) return QOR_SUBMIT_TOO_LARGE;
    if (!handle->buffered.empty() && handle->buffered.back() != '\n') handle->buffered.push_back('\n');
    handle->buffered.append(text, n);
    return 0;
}
QOR_SERVICE_CATCH(QOR_SUBMIT_NO_MEMORY)

int xalstup(qor_submit_context* handle) try {
    Layer& l = layer();
    {
        std::lock_guard<std::mutex> guard(l.lock);
        if (!known(l, handle)) return QOR_SUBMIT_BAD_CONTEXT;
        if (!l.active) return QOR_SUBMIT_NOT_READY;
    }
    if (handle->buffered.empty()) return QOR_SUBMIT_NOTHING;
    // Lines arrive one at a time and may end inside a statement or a quoted text: they are only
    // joined here; the program runner reads them (and expands %INCLUDE) when they run.
    if (!handle->prepared.empty()) handle->prepared.push_back('\n');
    handle->prepared.append(handle->buffered);
    handle->buffered.clear();
    return 0;
}
QOR_SERVICE_CATCH(QOR_SUBMIT_NO_MEMORY)

int xalproc(qor_submit_context* handle, int) try {
    Layer& l = layer();
    {
        std::lock_guard<std::mutex> guard(l.lock);
        if (!known(l, handle)) return QOR_SUBMIT_BAD_CONTEXT;
        if (!l.active) return QOR_SUBMIT_NOT_READY;
    }
    if (handle->prepared.empty()) return QOR_SUBMIT_NOTHING;
    std::string program;
    program.swap(handle->prepared);
    qor::runtime::ProgramResult result = qor::runtime::run_program_text(program, "submitted code");
    if (result.worst_code > 0) handle->status = -result.worst_code;
    else handle->status = result.failed_steps > 0 ? -1 : 0;
    return 0;
}
QOR_SERVICE_CATCH(QOR_SUBMIT_NO_MEMORY)

int xalstat(qor_submit_context* handle, int* status) try {
    Layer& l = layer();
    std::lock_guard<std::mutex> guard(l.lock);
    if (!known(l, handle)) return QOR_SUBMIT_BAD_CONTEXT;
    if (status == nullptr) return QOR_SUBMIT_BAD_ARGUMENT;
    *status = handle->status;
    return 0;
}
QOR_SERVICE_CATCH(QOR_SUBMIT_NO_MEMORY)
