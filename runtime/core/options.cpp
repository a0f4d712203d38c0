// The host option registry: every option with its type, range and default, typed get and set
// services, whole-registry snapshots and all-or-nothing updates, all under one mutex.
#include "host/options.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <mutex>
#include <thread>

#include "runtime/core/options_internal.h"
#include "runtime/core/service_guard.h"

namespace qor::runtime {
namespace {

struct Option {
    OptionInfo info;
    OptionValue value;
    OptionValue initial;
};

long default_processor_count() {
    unsigned n = std::thread::hardware_concurrency();   // 0 when the system cannot tell
    return n == 0 ? 1 : static_cast<long>(std::min(n, 4096u));
}

Option make_boolean(const char* name, bool on) {
    Option o;
    o.info.name = name;
    o.info.kind = OptionKind::Boolean;
    o.value.name = name;
    o.value.kind = OptionKind::Boolean;
    o.value.boolean = on;
    o.initial = o.value;
    return o;
}

Option make_integer(const char* name, long value, long minimum, long maximum) {
    Option o;
    o.info.name = name;
    o.info.kind = OptionKind::Integer;
    o.info.minimum = minimum;
    o.info.maximum = maximum;
    o.value.name = name;
    o.value.kind = OptionKind::Integer;
    o.value.integer = value;
    o.initial = o.value;
    return o;
}

Option make_text(const char* name, const char* value, size_t min_length, size_t max_length) {
    Option o;
    o.info.name = name;
    o.info.kind = OptionKind::Text;
    o.info.min_length = min_length;
    o.info.max_length = max_length;
    o.value.name = name;
    o.value.kind = OptionKind::Text;
    o.value.text = value;
    o.initial = o.value;
    return o;
}

constexpr size_t kTextLimit = 32767;

class Registry {
public:
    Registry() {
        // Read by the engine at start-up and changed around submitted code.
        options_.push_back(make_boolean("GENERIC", false));
        options_.push_back(make_boolean("DATE", true));
        options_.push_back(make_boolean("STIMER", false));
        options_.push_back(make_integer("PAPC", default_processor_count(), 0, 4096));
        options_.push_back(make_boolean("NOTES", true));
        options_.push_back(make_boolean("SOURCE", true));
        options_.push_back(make_text("DEBUG", "", 0, kTextLimit));
        options_.push_back(make_integer("YEARCUTOFF", 1940, 1582, 19900));
        // Code generator parameters and the metadata server of published cubes.
        options_.push_back(make_text("QKGPARM", "", 0, kTextLimit));
        options_.push_back(make_text("METASERVER", "", 0, 1024));
        options_.push_back(make_text("METAREPOSITORY", "", 0, 1024));
        options_.push_back(make_text("METAPORT", "", 0, 1024));
        options_.push_back(make_text("METAUSER", "", 0, 1024));
        // Listing layout and the options that generated code sets on every submission.
        options_.push_back(make_integer("LINESIZE", 132, 64, 256));
        options_.push_back(make_integer("PAGESIZE", 60, 15, 32767));
        options_.push_back(make_boolean("CENTER", true));
        options_.push_back(make_text("MISSING", ".", 1, 1));
        options_.push_back(make_boolean("SYNTAXCHECK", true));
        options_.push_back(make_boolean("REPLACE", true));
        options_.push_back(make_integer("OBS", LONG_MAX, 0, LONG_MAX));
        // Readers start at observation FIRSTOBS; PROC SORT sorts in memory up to SORTSIZE bytes
        // and merges sorted runs written to WORK beyond that.
        options_.push_back(make_integer("FIRSTOBS", 1, 1, LONG_MAX));
        options_.push_back(make_integer("SORTSIZE", 256L << 20, 1, LONG_MAX));
    }

    std::mutex& lock() { return lock_; }

    // Caller holds the lock.
    Option* find(std::string_view name) {
        for (Option& o : options_) {
            if (same_name(o.info.name, name)) return &o;
        }
        return nullptr;
    }

    std::vector<Option>& all() { return options_; }

private:
    static bool same_name(const std::string& upper, std::string_view name) {
        if (upper.size() != name.size()) return false;
        for (size_t i = 0; i < name.size(); ++i) {
            char c = name[i];
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
            if (c != upper[i]) return false;
        }
        return true;
    }

    std::mutex lock_;
    std::vector<Option> options_;
};

Registry& registry() {
    static Registry r;
    return r;
}

int check(const Option& o, const OptionValue& v) {
    if (v.kind != o.info.kind) return QOR_OPT_WRONG_TYPE;
    if (v.kind == OptionKind::Integer && (v.integer < o.info.minimum || v.integer > o.info.maximum))
        return QOR_OPT_BAD_VALUE;
    if (v.kind == OptionKind::Text &&
        (v.text.size() < o.info.min_length || v.text.size() > o.info.max_length))
        return QOR_OPT_BAD_VALUE;
    return QOR_OPT_OK;
}

void store(Option& o, const OptionValue& v) {
    o.value.boolean = v.boolean;
    o.value.integer = v.integer;
    o.value.text = v.text;
}

// One typed value stored through the same checks as a statement.
int set_one(const char* name, OptionValue v) {
    if (!name) return QOR_OPT_BAD_ARGUMENT;
    Registry& r = registry();
    std::lock_guard<std::mutex> hold(r.lock());
    Option* o = r.find(name);
    if (!o) return QOR_OPT_UNKNOWN;
    int rc = check(*o, v);
    if (rc == QOR_OPT_OK) store(*o, v);
    return rc;
}

}  // namespace

bool option_info(std::string_view name, OptionInfo* info) {
    Registry& r = registry();
    std::lock_guard<std::mutex> hold(r.lock());
    const Option* o = r.find(name);
    if (!o) return false;
    if (info) *info = o->info;
    return true;
}

int options_apply(const std::vector<OptionValue>& values, size_t* failed_index) {
    Registry& r = registry();
    std::lock_guard<std::mutex> hold(r.lock());
    std::vector<Option*> targets;
    targets.reserve(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        Option* o = r.find(values[i].name);
        int rc = o ? check(*o, values[i]) : QOR_OPT_UNKNOWN;
        if (rc != QOR_OPT_OK) {
            if (failed_index) *failed_index = i;
            return rc;
        }
        targets.push_back(o);
    }
    for (size_t i = 0; i < values.size(); ++i) store(*targets[i], values[i]);
    return QOR_OPT_OK;
}

}  // namespace qor::runtime

using qor::runtime::OptionKind;
using qor::runtime::OptionValue;

int xoptbgt(const char* name, int* value) try {
    if (!name || !value) return QOR_OPT_BAD_ARGUMENT;
    auto& r = qor::runtime::registry();
    std::lock_guard<std::mutex> hold(r.lock());
    auto* o = r.find(name);
    if (!o) return QOR_OPT_UNKNOWN;
    if (o->info.kind != OptionKind::Boolean) return QOR_OPT_WRONG_TYPE;
    *value = o->value.boolean ? 1 : 0;
    return QOR_OPT_OK;
}
QOR_SERVICE_CATCH(QOR_OPT_NO_MEMORY)

int xoptbst(const char* name, int value) try {
    OptionValue v;
    v.kind = OptionKind::Boolean;
    v.boolean = value != 0;
    return qor::runtime::set_one(name, v);
}
QOR_SERVICE_CATCH(QOR_OPT_NO_MEMORY)

int xoptigt(const char* name, long* value) try {
    if (!name || !value) return QOR_OPT_BAD_ARGUMENT;
    auto& r = qor::runtime::registry();
    std::lock_guard<std::mutex> hold(r.lock());
    auto* o = r.find(name);
    if (!o) return QOR_OPT_UNKNOWN;
    if (o->info.kind != OptionKind::Integer) return QOR_OPT_WRONG_TYPE;
    *value = o->value.integer;
    return QOR_OPT_OK;
}
QOR_SERVICE_CATCH(QOR_OPT_NO_MEMORY)

int xoptist(const char* name, long value) try {
    OptionValue v;
    v.kind = OptionKind::Integer;
    v.integer = value;
    return qor::runtime::set_one(name, v);
}
QOR_SERVICE_CATCH(QOR_OPT_NO_MEMORY)

int xoptcgt(const char* name, char* buffer, int size, int* length) try {
    if (!name || size < 0 || (size > 0 && !buffer)) return QOR_OPT_BAD_ARGUMENT;
    auto& r = qor::runtime::registry();
    std::lock_guard<std::mutex> hold(r.lock());
    auto* o = r.find(name);
    if (!o) return QOR_OPT_UNKNOWN;
    if (o->info.kind != OptionKind::Text) return QOR_OPT_WRONG_TYPE;
    const std::string& text = o->value.text;
    if (size > 0) {
        size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    if (length) *length = static_cast<int>(text.size());
    return QOR_OPT_OK;
}
QOR_SERVICE_CATCH(QOR_OPT_NO_MEMORY)

int xoptcst(const char* name, const char* value, int length) try {
    if (!name || (!value && length != 0)) return QOR_OPT_BAD_ARGUMENT;
    OptionValue v;
    v.kind = OptionKind::Text;
    if (value) v.text.assign(value, length < 0 ? std::strlen(value) : static_cast<size_t>(length));
    return qor::runtime::set_one(name, v);
}
QOR_SERVICE_CATCH(QOR_OPT_NO_MEMORY)

qor::runtime::OptionSnapshot qor_options_snapshot() {
    auto& r = qor::runtime::registry();
    std::lock_guard<std::mutex> hold(r.lock());
    qor::runtime::OptionSnapshot s;
    s.values.reserve(r.all().size());
    for (const auto& o : r.all()) s.values.push_back(o.value);
    return s;
}

int qor_options_restore(const qor::runtime::OptionSnapshot& snapshot) {
    return qor::runtime::options_apply(snapshot.values, nullptr);
}

void qor_options_reset() {
    auto& r = qor::runtime::registry();
    std::lock_guard<std::mutex> hold(r.lock());
    for (auto& o : r.all()) o.value = o.initial;
}
