// Writing the DATA step's outputs: the variables each output keeps (the step's own record and the
// program's variables, less automatic ones, after KEEP, DROP and RENAME), OUTPUT with its targets,
// the WHERE= filter of an output, and closing that replaces members only when the step succeeded.
#include <algorithm>
#include <cstring>

#include "host/formats.h"
#include "host/print.h"
#include "runtime/datastep/step_runner.h"
#include "runtime/procs/proc_datasets.h"
#include "runtime/storage/libraries.h"

namespace qor::runtime::datastep {

namespace {

struct OutputWhere {
    Output* output;
};

int resolve_output_name(void* user, const char* name, int length, qor_where_binding* b) {
    auto* o = static_cast<OutputWhere*>(user)->output;
    std::string n(name, static_cast<size_t>(length));
    for (const OutputColumn& c : o->columns) {
        if (upper(c.name) != n) continue;
        b->type = c.character ? QOR_WHERE_CHARACTER : QOR_WHERE_NUMERIC;
        b->length = c.character ? c.length : 8;
        b->address = reinterpret_cast<const char*>(o->staging.data()) + c.staging;
        return 0;
    }
    return QOR_WHERE_NOT_FOUND;
}

bool listed(const std::vector<std::string>& list, const std::string& name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

}  // namespace

// Every variable an output may hold, in order: the step's record first, then the program's own.
std::vector<OutputColumn> StepRunner::program_columns() {
    std::vector<OutputColumn> columns;
    auto automatic = [&](const std::string& up) {
        for (const PdvVariable& v : vars_)
            if (v.upper == up) return true;
        return up.rfind("_QOR", 0) == 0 || up == "_N_" || up == "_ERROR_";
    };
    for (size_t i = 0; i < vars_.size(); ++i) {
        const PdvVariable& v = vars_[i];
        if (v.automatic) continue;
        OutputColumn c;
        c.name = v.name;
        c.character = v.character;
        c.length = v.length;
        c.desc = v.attributes;
        if (v.character) c.fixed_text = text_cell(static_cast<int>(i));
        else c.number = cell(static_cast<int>(i));
        columns.push_back(c);
    }
    for (cmp_symbol* s = cmplstv(session_); s; s = cmpsymnext(s)) {
        if (cmpsymkind(s) != 'v') continue;
        std::string name = cmpsymname(s);
        if (name.find('.') != std::string::npos || automatic(name)) continue;
        OutputColumn c;
        auto written = spelling_.find(name);
        c.name = written != spelling_.end() ? written->second : name;
        xvnamei(&c.desc);
        if (const qor_namerec* text = cmppdvp(instance_, s)) {
            c.character = true;
            c.length = text->capacity > 0 ? text->capacity : 1;
            c.local_text = text;
        } else if (const double* number = cmppdva(instance_, s)) {
            c.number = number;
        } else {
            continue;
        }
        columns.push_back(c);
    }
    return columns;
}

bool StepRunner::open_outputs() {
    std::vector<OutputColumn> all = program_columns();
    // statement KEEP, DROP and RENAME name variables the step must know
    std::vector<std::string> known;
    for (const OutputColumn& c : all) known.push_back(upper(c.name));
    for (const std::string& n : keep_)
        if (!listed(known, n)) xpslog("%2zThe variable %s in the KEEP statement is never used in the step.", n.c_str());
    for (const std::string& n : drop_)
        if (!listed(known, n)) xpslog("%2zThe variable %s in the DROP statement is never used in the step.", n.c_str());
    for (const DatasetSpec& spec : outputs_list_.sets) {
        if (library_directory(spec.libref).empty()) {
            report("Library " + spec.libref + " is not assigned", first_line_);
            return false;
        }
        Output out;
        out.spec = spec;
        const DatasetOptions& o = spec.options;
        for (const std::string& n : o.keep)
            if (!listed(known, n)) {
                report("The variable " + n + " in KEEP= of " + spec.text() + " is not in the step", first_line_);
                return false;
            }
        int staging = 0;
        for (OutputColumn c : all) {
            std::string up = upper(c.name);
            if ((has_keep_ && !listed(keep_, up)) || listed(drop_, up)) continue;
            if ((o.has_keep && !listed(o.keep, up)) || listed(o.drop, up)) continue;
            for (const auto& r : rename_)
                if (r.first == up) c.name = r.second;
            for (const auto& r : o.rename)
                if (r.first == upper(c.name)) c.name = r.second;
            // attributes the step's statements give
            if (auto l = labels_.find(up); l != labels_.end()) {
                std::snprintf(c.desc.label, sizeof c.desc.label, "%s", l->second.c_str());
                c.desc.label_length = static_cast<int16_t>(std::strlen(c.desc.label));
            }
            if (auto f = formats_.find(up); f != formats_.end()) set_variable_format(&c.desc, f->second);
            if (auto f = informats_.find(up); f != informats_.end()) {
                char name[QOR_FORMAT_NAME_MAX + 1];
                int name_length = 0;
                uint16_t width = 0, decimals = 0;
                if (zspltfm(f->second.data(), static_cast<int>(f->second.size()), name, &name_length, &width,
                            &decimals) == 0) {
                    std::snprintf(c.desc.informat, sizeof c.desc.informat, "%.*s", name_length, name);
                    c.desc.informat_length = static_cast<int16_t>(std::strlen(c.desc.informat));
                    c.desc.informat_width = static_cast<int16_t>(width == QOR_FORMAT_ABSENT ? 0 : width);
                    c.desc.informat_decimals = static_cast<int16_t>(decimals == QOR_FORMAT_ABSENT ? 0 : decimals);
                }
            }
            c.desc.number = 0;
            std::snprintf(c.desc.name, sizeof c.desc.name, "%s", c.name.c_str());
            c.desc.name_length = static_cast<int16_t>(c.name.size());
            c.desc.type = static_cast<int16_t>(c.character ? QOR_VAR_CHARACTER : QOR_VAR_NUMERIC);
            if (c.character) c.desc.length = c.length;
            else if (auto d = lengths_.find(up); d != lengths_.end() && !d->second.first) c.desc.length = d->second.second;
            else if (c.desc.length < QOR_NUMERIC_MIN_LENGTH || c.desc.length > QOR_NUMERIC_MAX_LENGTH) c.desc.length = 8;
            c.staging = staging;
            staging += c.character ? (c.length + 7) / 8 * 8 : 8;
            out.columns.push_back(c);
        }
        out.staging.assign(static_cast<size_t>(staging / 8 + 1), 0.0);
        outputs_.push_back(std::move(out));
    }
    for (Output& out : outputs_) {
        DatasetName name{out.spec.libref, out.spec.member};
        qor_open_request request = open_request(name, QOR_OPEN_OUTPUT);
        int rc = xoopen(&out.ds, &request);
        if (rc == 0) rc = xvputi(out.ds, static_cast<int>(out.columns.size()) + 1, &out.put);
        for (size_t k = 0; rc == 0 && k < out.columns.size(); ++k) {
            const OutputColumn& c = out.columns[k];
            rc = xvputd(out.put, &c.desc, reinterpret_cast<const char*>(out.staging.data()) + c.staging,
                        c.character ? c.length : 8, nullptr);
        }
        if (rc == 0) rc = xvpute(out.put);
        if (rc != 0) {
            report("The data set " + out.spec.text() + " cannot be written", first_line_);
            xprrlog(1, rc);
            return false;
        }
        if (!out.spec.options.where.empty()) {
            OutputWhere context{&out};
            char message[1024];
            if (xwparse(out.spec.options.where.data(), static_cast<int>(out.spec.options.where.size()),
                        resolve_output_name, &context, 0, &out.where_option, message, sizeof message) != 0) {
                report("WHERE= of " + out.spec.text() + ": " + message, first_line_);
                return false;
            }
        }
    }
    return true;
}

bool StepRunner::write_output(Output& out) {
    char* base = reinterpret_cast<char*>(out.staging.data());
    for (const OutputColumn& c : out.columns) {
        char* to = base + c.staging;
        if (c.number) {
            std::memcpy(to, c.number, 8);
        } else if (c.fixed_text) {
            std::memcpy(to, c.fixed_text, static_cast<size_t>(c.length));
        } else {
            int n = std::min<int>(c.local_text->length, c.length);
            if (n > 0) std::memcpy(to, c.local_text->text, static_cast<size_t>(n));
            std::memset(to + n, ' ', static_cast<size_t>(c.length - n));
        }
    }
    if (out.where_option) {
        int keep = xweval(out.where_option);
        if (keep < 0) {
            report("The WHERE= expression of " + out.spec.text() + " cannot be evaluated", first_line_);
            return false;
        }
        if (keep == 0) return true;
    }
    int rc = xyvput(out.put, 0);
    qor_obs_request request{};
    request.dataset = out.ds;
    if (rc == 0) rc = xoadd(&request);
    if (rc != 0) {
        report("An observation cannot be written to " + out.spec.text(), current_line_);
        xprrlog(1, rc);
        return false;
    }
    ++out.written;
    return true;
}

bool StepRunner::close_outputs(bool keep) {
    bool ok = true;
    for (Output& out : outputs_) {
        if (out.where_option) xwfree(out.where_option);
        out.where_option = nullptr;
        if (out.put) xvputt(out.put);
        out.put = nullptr;
        if (!out.ds) continue;
        int rc = xoclose(out.ds, keep ? 0 : 1);
        out.ds = nullptr;
        if (keep && rc != 0) {
            report("The data set " + out.spec.text() + " cannot be put into place", first_line_);
            ok = false;
        } else if (keep) {
            xpslog("%3z%li observations and %i variables were written to %s.", out.written,
                   static_cast<int>(out.columns.size()), out.spec.text().c_str());
        }
    }
    return ok;
}

// OUTPUT [data set ...]: the targets as numbers of the DATA statement's list (none: all).
bool StepRunner::claim_output(const std::string& text, std::string* lowered, std::string* why) {
    explicit_output_ = true;
    std::string call = "call _QOR_OUTPUT(";
    bool first = true;
    std::vector<std::string> words = statement_words(text);
    for (size_t k = 0; k + 1 < words.size(); ++k)   // "RES     .member": a padded library reference
        if (words[k + 1].size() > 1 && words[k + 1][0] == '.' && words[k].find('.') == std::string::npos) {
            words[k] += words[k + 1];
            words.erase(words.begin() + static_cast<long>(k) + 1);
        }
    for (const std::string& word : words) {
        size_t dot = word.find('.');
        std::string lib = dot == std::string::npos ? "WORK" : word.substr(0, dot);
        std::string member = dot == std::string::npos ? word : word.substr(dot + 1);
        int found = 0;
        for (size_t k = 0; k < outputs_list_.sets.size() && !found; ++k)
            if (outputs_list_.sets[k].libref == lib && upper(outputs_list_.sets[k].member) == member)
                found = static_cast<int>(k) + 1;
        if (!found) {
            *why = "OUTPUT names " + word + ", which the DATA statement does not name";
            return false;
        }
        call += (first ? "" : ", ") + std::to_string(found);
        first = false;
    }
    *lowered = call + ");";
    return true;
}

int StepRunner::body_output(const cmp_arg_value* args, int nargs) {
    if (nargs == 0) {
        for (Output& out : outputs_)
            if (!write_output(out)) return CMP_BODY_FAILED;
        return CMP_BODY_OK;
    }
    for (int k = 1; k <= nargs; ++k) {
        int target = args[k].number ? static_cast<int>(*args[k].number) : 0;
        if (target < 1 || target > static_cast<int>(outputs_.size())) return CMP_BODY_FAILED;
        if (!write_output(outputs_[static_cast<size_t>(target - 1)])) return CMP_BODY_FAILED;
    }
    return CMP_BODY_OK;
}

}  // namespace qor::runtime::datastep
