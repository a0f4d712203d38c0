// The OPTIONS statement: reads words such as GENERIC, NONOTES, PAPC=4 and DEBUG='sem syn',
// checks every one against the registry and applies them together or not at all.
#include <cctype>
#include <charconv>
#include <cstring>
#include <string>
#include <vector>

#include "host/options.h"
#include "host/print.h"
#include "runtime/core/options_internal.h"
#include "runtime/core/service_guard.h"

namespace qor::runtime {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool is_name_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

std::string upper(std::string_view s) {
    std::string u(s);
    for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return u;
}

// A cursor over the statement text that reports the first error it meets.
class Reader {
public:
    Reader(const char* text, size_t length) : end_(text + length), at_(text) {}

    void skip_blanks() {
        while (at_ < end_ && is_blank(*at_)) ++at_;
    }
    bool done() {
        skip_blanks();
        // A closing semicolon may end the text; only blanks may follow it.
        if (at_ < end_ && *at_ == ';') {
            const char* p = at_ + 1;
            while (p < end_ && is_blank(*p)) ++p;
            if (p == end_) at_ = end_;
        }
        return at_ == end_;
    }
    char peek() const { return at_ < end_ ? *at_ : '\0'; }
    void advance() { ++at_; }

    std::string_view name() {
        const char* start = at_;
        while (at_ < end_ && is_name_char(*at_)) ++at_;
        return {start, static_cast<size_t>(at_ - start)};
    }

    // A value: a quoted text (a doubled quote stands for one) or a bare word up to a blank.
    // False for a quote that is never closed.
    bool value(std::string* out, bool* quoted) {
        out->clear();
        *quoted = false;
        char q = peek();
        if (q == '\'' || q == '"') {
            *quoted = true;
            ++at_;
            while (at_ < end_) {
                if (*at_ == q) {
                    if (at_ + 1 < end_ && at_[1] == q) {
                        out->push_back(q);
                        at_ += 2;
                        continue;
                    }
                    ++at_;
                    return true;
                }
                out->push_back(*at_++);
            }
            return false;
        }
        while (at_ < end_ && !is_blank(*at_) && *at_ != ';') out->push_back(*at_++);
        return true;
    }

    // The rest of the current word, for a message about text that is not an option.
    std::string word_here() const {
        const char* p = at_;
        while (p < end_ && !is_blank(*p)) ++p;
        return std::string(at_, p);
    }

private:
    const char* end_;
    const char* at_;
};

// Reads an integer option's value: decimal digits with an optional sign and an optional K, M or
// G (times 1024, 1024^2, 1024^3; for sizes such as SORTSIZE=64M), or MAX / MIN for the ends of
// the option's range.
int integer_value(const std::string& text, const OptionInfo& info, long* out) {
    std::string u = upper(text);
    if (u == "MAX") { *out = info.maximum; return QOR_OPT_OK; }
    if (u == "MIN") { *out = info.minimum; return QOR_OPT_OK; }
    const char* first = text.data();
    const char* last = text.data() + text.size();
    long unit = 1;
    if (last > first) {
        char suffix = u.back();
        unit = suffix == 'K' ? 1L << 10 : suffix == 'M' ? 1L << 20 : suffix == 'G' ? 1L << 30 : 1;
        if (unit != 1) --last;
    }
    if (first < last && *first == '+') ++first;
    long v = 0;
    auto [ptr, ec] = std::from_chars(first, last, v);
    if (first == last || ec == std::errc::invalid_argument || ptr != last) return QOR_OPT_SYNTAX;
    bool overflow = ec == std::errc::result_out_of_range || __builtin_mul_overflow(v, unit, &v);
    if (overflow || v < info.minimum || v > info.maximum)
        return QOR_OPT_BAD_VALUE;
    *out = v;
    return QOR_OPT_OK;
}

// Messages pass numbers as text: the log formatter's directives are the host's own.

// Reads one option word (with its value) into a pending value; reports and returns non-zero on
// any fault.
int read_option(Reader& in, OptionValue* pending) {
    std::string_view word = in.name();
    if (word.empty()) {
        std::string bad = in.word_here();
        xpslog("%1zThe text \"%s\" in the OPTIONS statement is not an option name.", bad.c_str());
        return QOR_OPT_SYNTAX;
    }
    std::string name = upper(word);
    OptionInfo info;
    bool negated = false;
    if (!option_info(name, &info)) {
        if (name.size() > 2 && name.compare(0, 2, "NO") == 0 && option_info(name.substr(2), &info)) {
            negated = true;
        } else {
            xpslog("%1zOption %s is not known.", name.c_str());
            return QOR_OPT_UNKNOWN;
        }
    }
    if (negated && info.kind != OptionKind::Boolean) {
        xpslog("%1zOption %s is not a switch; %s is not allowed.", info.name.c_str(), name.c_str());
        return QOR_OPT_WRONG_TYPE;
    }
    pending->name = info.name;
    pending->kind = info.kind;

    in.skip_blanks();
    bool has_value = in.peek() == '=';
    if (info.kind == OptionKind::Boolean) {
        if (has_value) {
            xpslog("%1zOption %s is a switch and takes no value.", name.c_str());
            return QOR_OPT_SYNTAX;
        }
        pending->boolean = !negated;
        return QOR_OPT_OK;
    }
    if (!has_value) {
        xpslog("%1zOption %s needs a value.", info.name.c_str());
        return QOR_OPT_SYNTAX;
    }
    in.advance();
    in.skip_blanks();
    std::string text;
    bool quoted = false;
    if (!in.value(&text, &quoted)) {
        xpslog("%1zThe quoted value of option %s is not closed.", info.name.c_str());
        return QOR_OPT_SYNTAX;
    }
    if (info.kind == OptionKind::Text) {
        if (text.size() < info.min_length || text.size() > info.max_length) {
            std::string lo = std::to_string(info.min_length), hi = std::to_string(info.max_length);
            xpslog("%1zThe value of option %s must have %s to %s characters.", info.name.c_str(),
                   lo.c_str(), hi.c_str());
            return QOR_OPT_BAD_VALUE;
        }
        pending->text = text;
        return QOR_OPT_OK;
    }
    if (text.empty() && !quoted) {
        xpslog("%1zOption %s needs a value.", info.name.c_str());
        return QOR_OPT_SYNTAX;
    }
    int rc = integer_value(text, info, &pending->integer);
    if (rc == QOR_OPT_SYNTAX) {
        xpslog("%1zThe value %s of option %s is not an integer.", text.c_str(), info.name.c_str());
    } else if (rc == QOR_OPT_BAD_VALUE) {
        std::string lo = std::to_string(info.minimum), hi = std::to_string(info.maximum);
        xpslog("%1zThe value %s of option %s is out of range (%s to %s).", text.c_str(),
               info.name.c_str(), lo.c_str(), hi.c_str());
    }
    return rc;
}

}  // namespace
}  // namespace qor::runtime

int qor_options_statement(const char* text, int length) try {
    using namespace qor::runtime;
    if (!text) {
        if (length > 0) return QOR_OPT_BAD_ARGUMENT;
        text = "";
        length = 0;
    }
    size_t n = length < 0 ? std::strlen(text) : static_cast<size_t>(length);
    Reader in(text, n);
    std::vector<OptionValue> pending;
    while (!in.done()) {
        OptionValue v;
        int rc = read_option(in, &v);
        if (rc != QOR_OPT_OK) return rc;
        pending.push_back(std::move(v));
    }
    size_t failed = 0;
    int rc = options_apply(pending, &failed);
    if (rc != QOR_OPT_OK) {
        // Every value was checked while reading; only a concurrent change of the registry's
        // shape could get here, which the registry does not allow.
        xpslog("%1zOption %s could not be set.", pending[failed].name.c_str());
    }
    return rc;
}
QOR_SERVICE_CATCH(QOR_OPT_NO_MEMORY)
