// PROC DATASETS LIBRARY= [NOLIST] [NODETAILS]; DELETE m ... [/ MEMTYPE=]; COPY OUT=lib [IN=lib];
// SELECT m ... [/ MEMTYPE=]; statements run in order: DELETE at once, COPY with the SELECT
// statements that follow it (all members when there is none). A member may carry its own
// (MEMTYPE=...). Deleting a member that does not exist is a warning, not a failure.
#include <string>
#include <vector>

#include "host/dataset.h"
#include "host/print.h"
#include "runtime/procs/procedures.h"
#include "runtime/procs/step_tokens.h"
#include "runtime/storage/libraries.h"
#include "runtime/storage/library_members.h"

namespace qor::runtime {

namespace {

constexpr const char* kProc = "DATASETS";

bool error(const std::string& text, int line) {
    xpslog("%1zPROC DATASETS: %s on line %i.", text.c_str(), line);
    return false;
}

struct MemberRef {
    std::string name;   // upper case
    std::string type;   // "DATA", "VIEW" or "ALL"
    int line;
};

struct CopyRequest {
    std::string out;
    std::string in;
    int line = 0;
    std::vector<MemberRef> selected;
};

// A MEMTYPE= value: DATA, VIEW (or DATAVIEW), ALL.
bool read_memtype(TokenCursor& cursor, int line, std::string* type) {
    if (!cursor.accept("MEMTYPE") && !cursor.accept("MTYPE") && !cursor.accept("MT"))
        return error("\"" + cursor.peek().text + "\" is not a member option (MEMTYPE= is)", line);
    bool parenthesised = false;
    if (!cursor.accept("=")) return error("MEMTYPE needs =DATA, =VIEW or =ALL", line);
    if (cursor.accept("(")) parenthesised = true;
    std::string t = upper_word(cursor.take().text);
    if (parenthesised && !cursor.accept(")")) return error("MEMTYPE=( takes one member type", line);
    if (t == "DATAVIEW") t = "VIEW";
    if (t != "DATA" && t != "VIEW" && t != "ALL") return error("MEMTYPE=" + t + " is not DATA, VIEW or ALL", line);
    *type = t;
    return true;
}

// The member list of DELETE and SELECT: names, each with an optional (MEMTYPE=), then an
// optional "/ MEMTYPE=" for those without their own.
bool read_members(const StepStatement& st, std::vector<MemberRef>* out) {
    TokenCursor cursor(st.tokens, 1, st.line);
    std::vector<MemberRef> members;
    std::vector<bool> own_type;
    std::string common = "DATA";
    while (!cursor.done()) {
        if (cursor.accept("/")) {
            if (!read_memtype(cursor, st.line, &common)) return false;
            if (!cursor.done()) return error("\"" + cursor.peek().text + "\" follows MEMTYPE=", st.line);
            break;
        }
        const StepToken& t = cursor.take();
        if (t.kind != StepToken::Word || !valid_word_name(t.text, 32))
            return error("\"" + t.text + "\" is not a member name", t.line);
        members.push_back({upper_word(t.text), "", t.line});
        own_type.push_back(false);
        if (cursor.accept("(")) {
            if (!read_memtype(cursor, t.line, &members.back().type)) return false;
            if (!cursor.accept(")")) return error("the options of member " + t.text + " are not closed", t.line);
            own_type.back() = true;
        }
    }
    if (members.empty()) return error("the " + st.keyword + " statement names no members", st.line);
    for (size_t i = 0; i < members.size(); ++i)
        if (!own_type[i]) members[i].type = common;
    out->insert(out->end(), members.begin(), members.end());
    return true;
}

std::vector<std::string> types_of(const std::string& type) {
    if (type == "ALL") return {"DATA", "VIEW"};
    return {type};
}

int delete_members(const std::string& library, const std::vector<MemberRef>& members) {
    for (const MemberRef& m : members) {
        bool deleted = false;
        for (const std::string& type : types_of(m.type)) {
            int rc = xomdel(library.c_str(), m.name.c_str(), type.c_str());
            if (rc == 0) {
                xpslog("%3zDeleting %s.%s (memtype=%s).", library.c_str(), m.name.c_str(), type.c_str());
                deleted = true;
            } else if (rc != QOR_DS_NO_MEMBER) {
                xpslog("%1zPROC DATASETS: member %s.%s (memtype=%s) on line %i cannot be deleted.",
                       library.c_str(), m.name.c_str(), type.c_str(), m.line);
                xprrlog(1, rc);
                return 1;
            }
        }
        if (!deleted)
            xpslog("%2zThe member %s.%s (memtype=%s) on line %i does not exist and was not deleted.",
                   library.c_str(), m.name.c_str(), m.type.c_str(), m.line);
    }
    return 0;
}

int run_copy(const CopyRequest& copy) {
    if (library_directory(copy.out).empty()) {
        error("the library " + copy.out + " of COPY OUT= is not assigned", copy.line);
        return 1;
    }
    std::vector<LibraryMember> members;
    if (copy.selected.empty()) {
        members = list_library_members(copy.in, "");
    } else {
        for (const MemberRef& m : copy.selected) {
            bool found = false;
            for (const std::string& type : types_of(m.type))
                for (const LibraryMember& lm : list_library_members(copy.in, type))
                    if (lm.name == m.name) {
                        members.push_back(lm);
                        found = true;
                    }
            if (!found) {
                error("the member " + copy.in + "." + m.name + " (memtype=" + m.type + ") selected for COPY does not exist",
                      m.line);
                return 1;
            }
        }
    }
    for (const LibraryMember& m : members) {
        std::string why;
        int rc = copy_library_member(copy.in, m.name, m.type, copy.out, &why);
        if (rc != 0) {
            xpslog("%1zPROC DATASETS: member %s.%s (memtype=%s) cannot be copied to %s: %s.", copy.in.c_str(),
                   m.name.c_str(), m.type.c_str(), copy.out.c_str(), rc == 1 ? "it does not exist" : why.c_str());
            return 1;
        }
        xpslog("%3zCopying %s.%s to %s.%s (memtype=%s).", copy.in.c_str(), m.name.c_str(), copy.out.c_str(),
               m.name.c_str(), m.type.c_str());
    }
    return 0;
}

bool read_library_option(TokenCursor& cursor, std::string* library) {
    const StepToken& t = cursor.take();
    if (t.kind != StepToken::Word || !valid_word_name(t.text, 8))
        return error("\"" + t.text + "\" is not a library reference", t.line);
    *library = upper_word(t.text);
    if (library_directory(*library).empty()) return error("the library " + *library + " is not assigned", t.line);
    return true;
}

void list_directory(const std::string& library, bool details) {
    int previous = xpselec(0, -2);
    xpsout("Directory of library %s", library.c_str());
    for (const LibraryMember& m : list_library_members(library, ""))
        xpsout(details ? "    %-32s %s" : "    %s", m.name.c_str(), m.type.c_str());
    xpskip(1);
    xpselec(0, previous);
}

}  // namespace

int proc_datasets(qor_step* step) {
    std::vector<StepStatement> statements;
    if (!read_step_statements(step, kProc, &statements)) return 1;
    std::string library = "WORK";
    bool list = true, details = true;
    // The whole step is checked before anything is deleted or copied.
    struct Action {
        bool is_delete;
        std::vector<MemberRef> members;
        CopyRequest copy;
    };
    std::vector<Action> actions;
    for (const StepStatement& st : statements) {
        TokenCursor cursor(st.tokens, 1, st.line);
        if (st.keyword == "PROC") {
            cursor.take();   // DATASETS
            while (!cursor.done()) {
                const StepToken& t = cursor.take();
                std::string word = upper_word(t.text);
                if ((word == "LIBRARY" || word == "LIB" || word == "DDNAME" || word == "DD") && cursor.accept("=")) {
                    if (!read_library_option(cursor, &library)) return 1;
                } else if (word == "NOLIST") {
                    list = false;
                } else if (word == "NODETAILS") {
                    details = false;
                } else if (word == "DETAILS") {
                    details = true;
                } else {
                    error("\"" + t.text + "\" is not an option of PROC DATASETS", t.line);
                    return 1;
                }
            }
        } else if (st.keyword == "DELETE") {
            Action a{true, {}, {}};
            if (!read_members(st, &a.members)) return 1;
            actions.push_back(a);
        } else if (st.keyword == "COPY") {
            Action a{false, {}, {}};
            a.copy.in = library;
            a.copy.line = st.line;
            while (!cursor.done()) {
                const StepToken& t = cursor.take();
                std::string word = upper_word(t.text);
                std::string* target = word == "OUT" ? &a.copy.out : word == "IN" ? &a.copy.in : nullptr;
                if (target == nullptr || !cursor.accept("=")) {
                    error("\"" + t.text + "\" is not an option of COPY (OUT= and IN= are)", t.line);
                    return 1;
                }
                if (!read_library_option(cursor, target)) return 1;
            }
            if (a.copy.out.empty()) {
                error("COPY needs OUT=library", st.line);
                return 1;
            }
            actions.push_back(a);
        } else if (st.keyword == "SELECT") {
            if (actions.empty() || actions.back().is_delete) {
                error("SELECT must follow a COPY statement", st.line);
                return 1;
            }
            if (!read_members(st, &actions.back().copy.selected)) return 1;
        } else {
            error("the statement " + st.keyword + " is not valid in PROC DATASETS", st.line);
            return 1;
        }
    }
    if (list) list_directory(library, details);
    for (Action& a : actions) {
        if (a.is_delete) {
            if (delete_members(library, a.members) != 0) return 1;
        } else if (run_copy(a.copy) != 0) {
            return 1;
        }
    }
    return 0;
}

}  // namespace qor::runtime
