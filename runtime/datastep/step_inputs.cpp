// Reading the DATA step's inputs: each data set opened with its options and read one observation
// ahead, then SET (concatenation, or interleaving by BY) and MERGE (match-merge by BY, or one to
// one) moving observations into the program data vector, with FIRST./LAST., IN= and END=.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "host/files.h"
#include "host/missing.h"
#include "host/options.h"
#include "host/print.h"
#include "runtime/datastep/step_runner.h"
#include "runtime/procs/proc_datasets.h"
#include "runtime/storage/libraries.h"

namespace qor::runtime::datastep {

namespace {

int missing_rank(double x) {
    int code = missing_code(x);
    if (code == '_') return 0;
    if (code >= 'A' && code <= 'Z') return 2 + (code - 'A');
    return 1;
}

// Numbers in the missing-aware order: ._ < . < .A ... < .Z < numbers.
int compare_numbers(double a, double b) {
    bool ma = is_missing(a), mb = is_missing(b);
    if (ma || mb) {
        if (ma && mb) return (missing_rank(a) > missing_rank(b)) - (missing_rank(a) < missing_rank(b));
        return ma ? -1 : 1;
    }
    return (a > b) - (a < b);
}

std::string trimmed(const char* text, int width) {
    int n = width;
    while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == 0)) --n;
    return std::string(text, static_cast<size_t>(n));
}

struct WhereContext {
    Input* input;
    const std::vector<PdvVariable>* vars;
};

int resolve_input_name(void* user, const char* name, int length, qor_where_binding* b) {
    auto* c = static_cast<WhereContext*>(user);
    std::string n(name, static_cast<size_t>(length));
    for (const InputColumn& col : c->input->columns) {
        const PdvVariable& v = (*c->vars)[static_cast<size_t>(col.pdv)];
        bool renamed_from = false;
        for (const auto& r : c->input->spec.options.rename)
            if (upper(r.second) == v.upper && r.first == n) renamed_from = true;
        if (v.upper != n && !renamed_from) continue;
        b->type = v.character ? QOR_WHERE_CHARACTER : QOR_WHERE_NUMERIC;
        b->length = v.character ? col.width : 8;
        b->address = reinterpret_cast<const char*>(c->input->staging.data()) + col.staging;
        return 0;
    }
    return QOR_WHERE_NOT_FOUND;
}

}  // namespace

int StepRunner::add_variable(const std::string& name, bool character, int length, const qor_var_desc* from,
                             bool automatic, const std::string& context) {
    std::string up = upper(name);
    for (size_t i = 0; i < vars_.size(); ++i) {
        if (vars_[i].upper != up) continue;
        if (vars_[i].character != character) {
            report("Variable " + up + " has been defined as both character and numeric" + context, first_line_);
            return -1;
        }
        return static_cast<int>(i);   // the first definition's length stands
    }
    PdvVariable v;
    v.name = name;
    v.upper = up;
    v.character = character;
    v.length = length;
    v.automatic = automatic;
    xvnamei(&v.attributes);
    if (from) v.attributes = *from;
    auto declared = lengths_.find(up);
    if (declared != lengths_.end() && declared->second.first == character) v.length = declared->second.second;
    vars_.push_back(v);
    return static_cast<int>(vars_.size() - 1);
}

void StepRunner::lay_out_record() {
    int offset = 0;
    for (PdvVariable& v : vars_)
        if (!v.character) {
            v.offset = offset;
            offset += 8;
        }
    for (PdvVariable& v : vars_)
        if (v.character) {
            v.offset = offset;
            offset += (v.length + 7) / 8 * 8;
        }
    record_.assign(static_cast<size_t>(offset / 8 + 1), 0.0);
    for (size_t i = 0; i < vars_.size(); ++i) {
        if (vars_[i].character) std::memset(text_cell(static_cast<int>(i)), ' ', static_cast<size_t>(vars_[i].length));
        else *cell(static_cast<int>(i)) = missing();
    }
}

bool StepRunner::open_input(Input& in) {
    DatasetName name{in.spec.libref, in.spec.member};
    if (library_directory(in.spec.libref).empty()) {
        report("Library " + in.spec.libref + " is not assigned", first_line_);
        return false;
    }
    // a view member is read like a data set: opening it runs its program
    bool view = !dataset_exists(name) && xdfxst2(in.spec.libref.c_str(), in.spec.member.data(),
                                                 static_cast<int>(in.spec.member.size()), "VIEW    ") == 0;
    if (!view && !dataset_exists(name)) {
        report("Data set " + in.spec.text() + " does not exist", first_line_);
        return false;
    }
    qor_open_request request = open_request(name, QOR_OPEN_INPUT);
    if (view) std::memcpy(request.member_type, "VIEW    ", 8);
    int rc = xoopen(&in.ds, &request);
    if (rc != 0) {
        report("Data set " + in.spec.text() + " cannot be opened", first_line_);
        xprrlog(1, rc);
        return false;
    }
    int32_t count = 0;
    xoinfo(in.ds, QOR_INFO_VARIABLES, &count);
    xoinfo(in.ds, QOR_INFO_OBSERVATIONS, &in.observations);
    const DatasetOptions& o = in.spec.options;
    auto listed = [](const std::vector<std::string>& list, const std::string& n) {
        return std::find(list.begin(), list.end(), n) != list.end();
    };
    int staging = 0;
    std::vector<std::string> seen;
    for (int i = 1; i <= count; ++i) {
        qor_var_desc desc;
        if ((rc = xvname(in.ds, i, &desc)) != 0) {
            xprrlog(1, rc);
            return false;
        }
        std::string original = upper(std::string(desc.name, static_cast<size_t>(desc.name_length)));
        seen.push_back(original);
        if ((o.has_keep && !listed(o.keep, original)) || listed(o.drop, original)) continue;
        std::string pdv_name(desc.name, static_cast<size_t>(desc.name_length));
        for (const auto& r : o.rename)
            if (r.first == original) pdv_name = r.second;
        bool character = desc.type == QOR_VAR_CHARACTER;
        int index = add_variable(pdv_name, character, desc.length, &desc, false, " (in " + in.spec.text() + ")");
        if (index < 0) return false;
        InputColumn col;
        col.number = i;
        col.staging = staging;
        col.width = character ? desc.length : 8;
        col.pdv = index;
        staging += (col.width + 7) / 8 * 8;
        in.columns.push_back(col);
    }
    for (const std::string& k : o.keep)
        if (!listed(seen, k)) {
            report("The variable " + k + " in KEEP= is not on data set " + in.spec.text(), first_line_);
            return false;
        }
    in.staging.assign(static_cast<size_t>(staging / 8 + 1), 0.0);
    if ((rc = xvgeti(in.ds, static_cast<int>(in.columns.size()) + 1, &in.get)) != 0) return false;
    for (const InputColumn& col : in.columns)
        if ((rc = xvgetd(in.get, col.number, reinterpret_cast<char*>(in.staging.data()) + col.staging, col.width)) != 0) {
            xprrlog(1, rc);
            return false;
        }
    xvgete(in.get);
    if (!o.in.empty() && (in.in_variable = add_variable(o.in, false, 8, nullptr, true, "")) < 0) return false;
    return true;
}

bool StepRunner::compile_input_where(Input& in, const std::string& text, qor_where** out, const char* what) {
    WhereContext context{&in, &vars_};
    char message[1024];
    int rc = xwparse(text.data(), static_cast<int>(text.size()), resolve_input_name, &context, 0, out, message,
                     sizeof message);
    if (rc != 0) {
        report(std::string(what) + " of " + in.spec.text() + ": " + message, where_line_ ? where_line_ : first_line_);
        return false;
    }
    return true;
}

bool StepRunner::open_inputs() {
    for (ReadStatement& r : reads_) {
        r_ = &r;
        if (!open_read_statement()) return false;
    }
    return true;
}

bool StepRunner::open_read_statement() {
    for (const DatasetSpec& spec : r_->list.sets) {
        Input in;
        in.spec = spec;
        r_->inputs.push_back(std::move(in));
    }
    // OPTIONS OBS= and FIRSTOBS= stand for data set options not written
    long global = 0;
    for (Input& in : r_->inputs) {
        DatasetOptions& o = in.spec.options;
        if (o.obs < 0 && xoptigt("OBS", &global) == 0 && global >= 0 && global != LONG_MAX) o.obs = global;
        if (o.firstobs == 1 && xoptigt("FIRSTOBS", &global) == 0 && global > 1) o.firstobs = global;
    }
    for (Input& in : r_->inputs)
        if (!open_input(in)) return false;
    // BY variables must be on every input of the statement the BY statement follows
    for (Input& in : r_->inputs) {
        if (!r_->by) break;
        for (const std::string& b : by_) {
            int at = -1;
            for (const InputColumn& col : in.columns)
                if (vars_[static_cast<size_t>(col.pdv)].upper == b) at = col.staging;
            if (at < 0) {
                report("BY variable " + b + " is not on input data set " + in.spec.text(), first_line_);
                return false;
            }
            in.by_staging.push_back(at);
        }
    }
    if (!r_->list.end_variable.empty() &&
        (r_->end_var = add_variable(r_->list.end_variable, false, 8, nullptr, true, "")) < 0)
        return false;
    if (!r_->list.nobs_variable.empty() &&
        (r_->nobs_var = add_variable(r_->list.nobs_variable, false, 8, nullptr, true, "")) < 0)
        return false;
    r_->input_previous.assign(r_->inputs.size(), Key());
    return true;
}

Key StepRunner::key_of(const Input& in) const {
    Key key;
    for (size_t j = 0; j < by_.size(); ++j) {
        KeyPart p;
        const char* at = reinterpret_cast<const char*>(in.staging.data()) + in.by_staging[j];
        int pdv = -1;
        int width = 8;
        for (const InputColumn& col : in.columns)
            if (col.staging == in.by_staging[j]) {
                pdv = col.pdv;
                width = col.width;
            }
        p.character = pdv >= 0 && vars_[static_cast<size_t>(pdv)].character;
        if (p.character) p.text = trimmed(at, width);
        else std::memcpy(&p.number, at, 8);
        key.push_back(std::move(p));
    }
    return key;
}

int StepRunner::compare_keys(const Key& a, const Key& b, size_t levels) const {
    for (size_t j = 0; j < levels && j < a.size(); ++j) {
        int c = a[j].character ? a[j].text.compare(b[j].text) : compare_numbers(a[j].number, b[j].number);
        c = (c > 0) - (c < 0);
        if (c != 0) return by_descending_[j] ? -c : c;
    }
    return 0;
}

// The next observation of an input that passes its FIRSTOBS=, OBS= and WHERE filters into the
// read-ahead record: 1, 0 at the end, -1 after an error.
int StepRunner::fetch(Input& in) {
    const DatasetOptions& o = in.spec.options;
    for (;;) {
        in.head = false;
        if (o.obs >= 0 && in.position >= o.obs) return 0;
        qor_obs_request request{};
        request.dataset = in.ds;
        int rc = xoget(&request, QOR_GET_NEXT);
        if (rc == QOR_DS_END_OF_DATA) return 0;
        if (rc != 0) {
            xofprc(&request, rc);
            return -1;
        }
        ++in.position;
        if (in.position < o.firstobs) continue;
        if ((rc = xyvget(in.get, 0)) != 0) {
            xprrlog(1, rc);
            return -1;
        }
        for (qor_where* w : {in.where_option, in.where_statement}) {
            if (!w) continue;
            int keep = xweval(w);
            if (keep < 0) {
                report("The WHERE expression of " + in.spec.text() + " cannot be evaluated", where_line_);
                return -1;
            }
            if (keep == 0) goto next;
        }
        in.head = true;
        return 1;
    next:;
    }
}

// Moves the read-ahead observation of input i into the program data vector (after checking its
// BY order) and reads the next one ahead.
bool StepRunner::take(size_t i) {
    Input& in = r_->inputs[i];
    if (r_->by) {
        Key key = key_of(in);
        if (!by_notsorted_ && in.has_previous && compare_keys(key, r_->input_previous[i], by_.size()) < 0) {
            report("BY variables are not properly sorted on data set " + in.spec.text() + " at observation " +
                       std::to_string(in.position),
                   first_line_);
            return false;
        }
        r_->input_previous[i] = std::move(key);
        in.has_previous = true;
    }
    for (const InputColumn& col : in.columns) {
        const char* from = reinterpret_cast<const char*>(in.staging.data()) + col.staging;
        const PdvVariable& v = vars_[static_cast<size_t>(col.pdv)];
        if (v.character) {
            char* to = text_cell(col.pdv);
            int n = std::min(col.width, v.length);
            std::memcpy(to, from, static_cast<size_t>(n));
            if (n < v.length) std::memset(to + n, ' ', static_cast<size_t>(v.length - n));
        } else {
            std::memcpy(cell(col.pdv), from, 8);
        }
    }
    ++in.read;
    read_in_iteration_ = true;
    if (in.in_variable >= 0) *cell(in.in_variable) = 1;
    return fetch(in) >= 0;
}

void StepRunner::reset_input_variables(const Input* only) {
    for (const Input& in : r_->inputs) {
        if (only && &in != only) continue;
        for (const InputColumn& col : in.columns) {
            const PdvVariable& v = vars_[static_cast<size_t>(col.pdv)];
            if (v.character) std::memset(text_cell(col.pdv), ' ', static_cast<size_t>(v.length));
            else *cell(col.pdv) = missing();
        }
    }
}

const Key* StepRunner::smallest_head(size_t* which) {
    static thread_local Key best;
    bool found = false;
    for (size_t i = 0; i < r_->inputs.size(); ++i) {
        if (!r_->inputs[i].head) continue;
        Key k = key_of(r_->inputs[i]);
        if (!found || compare_keys(k, best, by_.size()) < 0) {
            best = std::move(k);
            *which = i;
            found = true;
        }
    }
    return found ? &best : nullptr;
}

void StepRunner::set_by_flags(const Key& key, const Key* previous, const Key* next) {
    for (size_t j = 0; j < by_.size(); ++j) {
        bool first = !previous || compare_keys(*previous, key, j + 1) != 0;
        bool last = !next || compare_keys(*next, key, j + 1) != 0;
        *cell(first_vars_[j]) = first ? 1 : 0;
        *cell(last_vars_[j]) = last ? 1 : 0;
    }
}

void StepRunner::set_end_flag() {
    if (r_->end_var < 0) return;
    bool more = r_->in_group;
    for (const Input& in : r_->inputs) more = more || in.head;
    *cell(r_->end_var) = more ? 0 : 1;
}

// SET: the inputs one after the other, or interleaved by the BY variables.
int StepRunner::read_set() {
    for (Input& in : r_->inputs)
        if (in.in_variable >= 0) *cell(in.in_variable) = 0;
    size_t which = 0;
    if (!r_->by) {
        while (r_->current_input < r_->inputs.size() && !r_->inputs[r_->current_input].head) ++r_->current_input;
        if (r_->current_input >= r_->inputs.size()) return 0;
        which = r_->current_input;
    } else {
        const Key* head = smallest_head(&which);
        if (!head) return 0;
    }
    // variables of the data set read before are missing when another data set takes over
    if (r_->has_last_input && r_->last_input != which) reset_input_variables(nullptr);
    r_->has_last_input = true;
    r_->last_input = which;
    if (!r_->by) {
        if (!take(which)) return -1;
        set_end_flag();
        return 1;
    }
    Key key = key_of(r_->inputs[which]);
    if (!take(which)) return -1;
    const Key* next = smallest_head(&which);
    set_by_flags(key, r_->has_previous_key ? &r_->previous_key : nullptr, next);
    r_->previous_key = std::move(key);
    r_->has_previous_key = true;
    set_end_flag();
    return 1;
}

// MERGE: with BY, the observations of one BY value from every input that has it, side by side,
// the variables of an input that runs out within the group keeping their last values; without
// BY, observation n of every input, an exhausted input's variables missing.
int StepRunner::read_merge() {
    if (!r_->by) {
        bool any = false;
        for (const Input& in : r_->inputs) any = any || in.head;
        if (!any) return 0;
        for (size_t i = 0; i < r_->inputs.size(); ++i) {
            Input& in = r_->inputs[i];
            if (in.in_variable >= 0) *cell(in.in_variable) = 0;
            if (!in.head) reset_input_variables(&in);
            else if (!take(i)) return -1;
        }
        set_end_flag();
        return 1;
    }
    bool first = false;
    if (!r_->in_group) {
        size_t which = 0;
        const Key* head = smallest_head(&which);
        if (!head) return 0;
        r_->group_key = *head;
        reset_input_variables(nullptr);
        r_->group_member.assign(r_->inputs.size(), false);
        for (size_t i = 0; i < r_->inputs.size(); ++i) {
            Input& in = r_->inputs[i];
            r_->group_member[i] = in.head && compare_keys(key_of(in), r_->group_key, by_.size()) == 0;
            if (in.in_variable >= 0) *cell(in.in_variable) = r_->group_member[i] ? 1 : 0;
        }
        r_->in_group = true;
        first = true;
    }
    for (size_t i = 0; i < r_->inputs.size(); ++i) {
        Input& in = r_->inputs[i];
        if (r_->group_member[i] && in.head && compare_keys(key_of(in), r_->group_key, by_.size()) == 0 && !take(i))
            return -1;
    }
    bool more = false;
    for (size_t i = 0; i < r_->inputs.size(); ++i)
        more = more || (r_->group_member[i] && r_->inputs[i].head && compare_keys(key_of(r_->inputs[i]), r_->group_key, by_.size()) == 0);
    r_->in_group = more;
    size_t which = 0;
    const Key* next = more ? &r_->group_key : smallest_head(&which);
    Key key = r_->group_key;
    set_by_flags(key, first ? (r_->has_previous_key ? &r_->previous_key : nullptr) : &key, next);
    if (first) {
        r_->previous_key = key;
        r_->has_previous_key = true;
    }
    set_end_flag();
    return 1;
}

int StepRunner::body_read(const cmp_arg_value* args, int nargs) {
    int k = nargs == 1 && args[1].number ? static_cast<int>(*args[1].number) : 0;
    if (k < 1 || k > static_cast<int>(reads_.size())) {
        failed_ = true;
        return CMP_BODY_STOP;
    }
    r_ = &reads_[static_cast<size_t>(k - 1)];
    int got = r_->merge ? read_merge() : read_set();
    if (got < 0) {
        failed_ = true;
        return CMP_BODY_STOP;
    }
    if (got == 0) {
        end_of_input_ = true;
        return CMP_BODY_STOP;
    }
    return CMP_BODY_OK;
}

void StepRunner::close_inputs() {
    for (ReadStatement& r : reads_)
        for (Input& in : r.inputs) {
            if (in.where_option) xwfree(in.where_option);
            if (in.where_statement) xwfree(in.where_statement);
            in.where_option = in.where_statement = nullptr;
            if (in.get) xvgett(in.get);
            in.get = nullptr;
            if (in.ds) xoclose(in.ds, 0);
            in.ds = nullptr;
        }
}

}  // namespace qor::runtime::datastep
