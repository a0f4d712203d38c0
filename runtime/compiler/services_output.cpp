// Where a program's output goes: the source listing, an instance's own PUT destination and
// the session's output capture that holds PUT lines until the caller delivers them.
#include <cstdio>
#include <mutex>
#include <string>

#include "host/compiler.h"
#include "host/print.h"
#include "runtime/compiler/session.h"
#include "runtime/core/service_guard.h"

using namespace qor;

int cmplsrc(cmp_session* s, cmp_print_fn print, void* user) try {
    if (!s) return -1;
    char head[32];
    for (size_t i = 0; i < s->pushed.size(); ++i) {
        bool refused = i < s->pushed_refused.size() && s->pushed_refused[i];
        int n = std::snprintf(head, sizeof head, "%5zu%s ", i + 1, refused ? "*" : " ");
        std::string line(head, static_cast<size_t>(n));
        line += s->pushed[i];
        if (print) print(user, line.data(), static_cast<int>(line.size()));
        else xpslog("%*s", static_cast<int>(line.size()), line.data());
    }
    return static_cast<int>(s->pushed.size());
}
QOR_SERVICE_CATCH(-1)

int cmpdest(cmp_instance* in, cmp_print_fn print, void* user) try {
    if (!in) return 1;
    in->dest = print;
    in->dest_user = print ? user : nullptr;
    return 0;
}
QOR_SERVICE_CATCH(1)

int cmpwpdi(cmp_session* s) try {
    if (!s) return 1;
    std::lock_guard<std::mutex> lock(s->capture_mutex);
    if (s->capturing) return 2;
    s->captured.clear();
    s->capturing = true;
    return 0;
}
QOR_SERVICE_CATCH(1)

int cmpwpde(cmp_session* s) try {
    if (!s) return -1;
    std::vector<std::string> lines;
    {
        std::lock_guard<std::mutex> lock(s->capture_mutex);
        if (!s->capturing) return -1;
        s->capturing = false;
        lines.swap(s->captured);
    }
    for (const std::string& l : lines) {
        if (s->hooks.print) s->hooks.print(s->hooks.user, l.data(), static_cast<int>(l.size()));
        else xpslog("%*s", static_cast<int>(l.size()), l.data());
    }
    return static_cast<int>(lines.size());
}
QOR_SERVICE_CATCH(-1)
