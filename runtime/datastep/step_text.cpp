// Reading the DATA step's text: statements with their lines, data set lists with their options
// (KEEP= DROP= RENAME=() WHERE=() IN= FIRSTOBS= OBS=), and small helpers on statement words.
#include "runtime/datastep/step_text.h"

#include <cctype>
#include <cstdlib>

#include "runtime/submit/program_reader.h"

namespace qor::runtime::datastep {

namespace {

struct Tok {
    char kind;          // 'w' word, 'q' quoted, or the character itself: = ( ) / ,
    std::string text;   // words as written
    size_t begin = 0, end = 0;
};

bool word_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '-' || c == '$';
}

bool tokenize(const std::string& s, std::vector<Tok>* out, std::string* why) {
    size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        if (c == '\'' || c == '"') {
            size_t j = i + 1;
            for (;; ++j) {
                if (j >= s.size()) {
                    *why = "a quoted text is not closed";
                    return false;
                }
                if (s[j] == c) {
                    if (j + 1 < s.size() && s[j + 1] == c) {
                        ++j;
                        continue;
                    }
                    break;
                }
            }
            out->push_back({'q', s.substr(i, j + 1 - i), i, j + 1});
            i = j + 1;
            continue;
        }
        if (word_char(c)) {
            size_t j = i;
            while (j < s.size() && word_char(s[j])) ++j;
            out->push_back({'w', s.substr(i, j - i), i, j});
            i = j;
            continue;
        }
        out->push_back({c, std::string(1, c), i, i + 1});
        ++i;
    }
    return true;
}

bool valid_libref(const std::string& s) { return !s.empty() && s.size() <= 8 && valid_variable_name(s); }

// The index of the ')' that closes the '(' at k, or tokens.size().
size_t closing(const std::vector<Tok>& t, size_t k) {
    int depth = 0;
    for (size_t j = k; j < t.size(); ++j) {
        if (t[j].kind == '(') ++depth;
        if (t[j].kind == ')' && --depth == 0) return j;
    }
    return t.size();
}

bool parse_options(const std::string& text, const std::vector<Tok>& t, size_t from, size_t to, DatasetOptions* o,
                   std::string* why) {
    size_t k = from;
    auto option_start = [&](size_t j) { return j + 1 < to && t[j].kind == 'w' && t[j + 1].kind == '='; };
    while (k < to) {
        if (!option_start(k)) {
            *why = "'" + t[k].text + "' is not a data set option (write NAME=value)";
            return false;
        }
        std::string name = upper(t[k].text);
        k += 2;
        if (name == "KEEP" || name == "DROP") {
            std::vector<std::string>& list = name == "KEEP" ? o->keep : o->drop;
            if (name == "KEEP") o->has_keep = true;
            std::vector<std::string> words;
            while (k < to && !option_start(k)) {
                if (t[k].kind != 'w') {
                    *why = "'" + t[k].text + "' is not a variable name in " + name + "=";
                    return false;
                }
                words.push_back(upper(t[k++].text));
            }
            if (!expand_numbered_lists(&words, why)) return false;
            for (const std::string& w : words) {
                if (!valid_variable_name(w)) {
                    *why = "'" + w + "' is not a variable name in " + name + "=";
                    return false;
                }
                list.push_back(w);
            }
        } else if (name == "RENAME" || name == "WHERE") {
            if (k >= to || t[k].kind != '(') {
                *why = name + "= needs a list in parentheses";
                return false;
            }
            size_t close = closing(t, k);
            if (close >= to) {
                *why = "the parenthesis of " + name + "= is not closed";
                return false;
            }
            if (name == "WHERE") {
                o->where = text.substr(t[k].end, t[close].begin - t[k].end);
            } else {
                for (size_t j = k + 1; j < close; j += 3) {
                    if (j + 2 >= close || t[j].kind != 'w' || t[j + 1].kind != '=' || t[j + 2].kind != 'w' ||
                        !valid_variable_name(t[j].text) || !valid_variable_name(t[j + 2].text)) {
                        *why = "RENAME= takes pairs old=new";
                        return false;
                    }
                    o->rename.emplace_back(upper(t[j].text), t[j + 2].text);
                }
            }
            k = close + 1;
        } else if (name == "IN") {
            if (k >= to || t[k].kind != 'w' || !valid_variable_name(t[k].text)) {
                *why = "IN= needs a variable name";
                return false;
            }
            o->in = upper(t[k++].text);
        } else if (name == "FIRSTOBS" || name == "OBS") {
            char* end = nullptr;
            long v = k < to ? std::strtol(t[k].text.c_str(), &end, 10) : -1;
            bool max = k < to && upper(t[k].text) == "MAX" && name == "OBS";
            if (!max && (k >= to || !end || *end != 0 || v < (name == "OBS" ? 0 : 1))) {
                *why = name + "= needs a whole number";
                return false;
            }
            (name == "OBS" ? o->obs : o->firstobs) = max ? -1 : v;
            ++k;
        } else if (name == "LABEL" || name == "SORTEDBY" || name == "COMPRESS" || name == "REUSE") {
            ++k;   // accepted, without effect here
        } else {
            *why = name + "= is not a valid data set option";
            return false;
        }
    }
    return true;
}

// A name ending in digits: its prefix and number.
bool split_numbered(const std::string& name, std::string* prefix, long* number) {
    size_t digits = name.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1]))) --digits;
    if (digits == 0 || digits == name.size() || name.size() - digits > 9) return false;
    *prefix = name.substr(0, digits);
    *number = std::strtol(name.c_str() + digits, nullptr, 10);
    return true;
}

}  // namespace

bool expand_numbered_lists(std::vector<std::string>* words, std::string* why) {
    std::vector<std::string> out;
    const std::vector<std::string>& in = *words;
    for (size_t i = 0; i < in.size(); ++i) {
        std::string from, to;
        size_t dash = in[i].find('-');
        if (dash != std::string::npos && dash > 0 && dash + 1 < in[i].size()) {
            from = in[i].substr(0, dash);
            to = in[i].substr(dash + 1);
        } else if (i + 2 < in.size() && in[i + 1] == "-") {
            from = in[i];
            to = in[i + 2];
            i += 2;
        } else {
            out.push_back(in[i]);
            continue;
        }
        std::string p1, p2;
        long n1 = 0, n2 = 0;
        if (!split_numbered(from, &p1, &n1) || !split_numbered(to, &p2, &n2) || upper(p1) != upper(p2) || n2 < n1 ||
            n2 - n1 > 32767) {
            *why = "'" + from + "-" + to + "' is not a numbered list (write a1-a5)";
            return false;
        }
        for (long n = n1; n <= n2; ++n) out.push_back(p1 + std::to_string(n));
    }
    *words = std::move(out);
    return true;
}

std::string expand_array_statement(const std::string& text) {
    // the element list runs from the dimension's closing bracket to the initial values' '('
    size_t open = text.find_first_of("[{(");
    if (open == std::string::npos) return text;
    size_t close = text.find_first_of("]})", open);
    if (close == std::string::npos) return text;
    size_t end = text.find('(', close + 1);
    if (end == std::string::npos) end = text.size();
    std::string list = text.substr(close + 1, end - close - 1);
    if (list.find('-') == std::string::npos) return text;
    std::vector<std::string> words;
    size_t i = 0;
    while ((i = list.find_first_not_of(" \t\r\n", i)) != std::string::npos) {
        size_t j = list.find_first_of(" \t\r\n", i);
        words.push_back(list.substr(i, j == std::string::npos ? std::string::npos : j - i));
        i = j;
    }
    std::string why;
    if (!expand_numbered_lists(&words, &why)) return text;   // the compiler reports what it cannot read
    std::string joined;
    for (const std::string& w : words) joined += " " + w;
    return text.substr(0, close + 1) + joined + " " + text.substr(end);
}

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool valid_variable_name(const std::string& name) {
    if (name.empty() || name.size() > 32) return false;
    if (!std::isalpha(static_cast<unsigned char>(name[0])) && name[0] != '_') return false;
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') return false;
    return true;
}

std::string DatasetSpec::text() const { return libref + "." + upper(member); }

bool split_step(const std::string& text, int first_line, std::vector<StepStatement>* out, std::string* why) {
    ReadProgram program = read_program(text);
    if (!program.errors.empty()) {
        *why = program.errors.front();
        return false;
    }
    for (const ProgramStatement& st : program.statements) {
        if (st.text.find_first_not_of(" \t\r\n\f\v") == std::string::npos) continue;
        out->push_back({st.text, first_word(st.text), first_line + st.line - 1});
    }
    return true;
}

std::string after_keyword(const std::string& text) {
    size_t i = text.find_first_not_of(" \t\r\n");
    if (i == std::string::npos) return "";
    while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])) && text[i] != '(' &&
           text[i] != ';')
        ++i;
    return text.substr(i);
}

std::vector<std::string> statement_words(const std::string& text) {
    std::vector<std::string> words;
    std::string rest = after_keyword(text);
    size_t i = 0;
    while ((i = rest.find_first_not_of(" \t\r\n", i)) != std::string::npos) {
        size_t j = rest.find_first_of(" \t\r\n", i);
        words.push_back(upper(rest.substr(i, j == std::string::npos ? std::string::npos : j - i)));
        i = j;
    }
    return words;
}

bool is_subsetting_if(const std::string& text) {
    char quote = 0;
    std::string word;
    for (size_t i = 0; i <= text.size(); ++i) {
        char c = i < text.size() ? text[i] : ' ';
        if (quote) {
            if (c == quote) quote = 0;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
            word.clear();
            continue;
        }
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
            word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            continue;
        }
        if (word == "THEN") return false;
        word.clear();
    }
    return true;
}

bool parse_dataset_list(const std::string& text, bool input, DatasetList* out, std::string* why) {
    std::vector<Tok> t;
    if (!tokenize(text, &t, why)) return false;
    size_t k = 0;
    bool after_slash = false;
    while (k < t.size()) {
        if (t[k].kind == '/') {
            after_slash = true;
            ++k;
            continue;
        }
        if (t[k].kind != 'w') {
            *why = "'" + t[k].text + "' is not expected here";
            return false;
        }
        std::string word = upper(t[k].text);
        if (k + 1 < t.size() && t[k + 1].kind == '=') {   // a statement option
            if (!input || (word != "END" && word != "NOBS")) {
                if (after_slash) {   // options after '/' that change nothing here
                    k += 3;
                    continue;
                }
                *why = word + "= is not an option of this statement";
                return false;
            }
            if (k + 2 >= t.size() || t[k + 2].kind != 'w' || !valid_variable_name(t[k + 2].text)) {
                *why = word + "= needs a variable name";
                return false;
            }
            (word == "END" ? out->end_variable : out->nobs_variable) = upper(t[k + 2].text);
            k += 3;
            continue;
        }
        if (after_slash) {
            k += 1;
            continue;
        }
        // a library reference padded to 8 characters before its point: "RES     .member"
        if (t[k].text.find('.') == std::string::npos && k + 1 < t.size() && t[k + 1].kind == 'w' &&
            t[k + 1].text.size() > 1 && t[k + 1].text[0] == '.') {
            t[k + 1].text = t[k].text + t[k + 1].text;
            ++k;
        }
        DatasetSpec spec;
        size_t dot = t[k].text.find('.');
        spec.libref = dot == std::string::npos ? "WORK" : upper(t[k].text.substr(0, dot));
        spec.member = dot == std::string::npos ? t[k].text : t[k].text.substr(dot + 1);
        if (!valid_libref(spec.libref) || !valid_variable_name(spec.member)) {
            *why = "'" + t[k].text + "' is not a valid data set name";
            return false;
        }
        ++k;
        if (k < t.size() && t[k].kind == '(') {
            size_t close = closing(t, k);
            if (close >= t.size()) {
                *why = "the options of " + spec.text() + " are not closed by ')'";
                return false;
            }
            if (!parse_options(text, t, k + 1, close, &spec.options, why)) return false;
            k = close + 1;
        }
        if (!input && upper(spec.member) == "_NULL_" && spec.libref == "WORK" && dot == std::string::npos) {
            out->null_output = true;
            continue;
        }
        out->sets.push_back(std::move(spec));
    }
    return true;
}

}  // namespace qor::runtime::datastep
