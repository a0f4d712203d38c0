// The push protocol: one pushed text is parsed, analysed and attached to the program at once.
// Groups (DO, SELECT), IF/ELSE pairing across pushes, METHOD/ENDMETHOD, BLOCK/ENDBLOCK and
// labels are tracked here; errors refuse the statement with its number and column.
#include <cstring>
#include <string>

#include "host/print.h"
#include "runtime/compiler/parser.h"
#include "runtime/compiler/session.h"

using namespace qor::cmp;

namespace {

struct PushError {
    std::string message;
    int pos;
};

// A formatted 672 message without its severity prefix.
std::string strip_severity(const char* buf) {
    std::string s(buf);
    if (s.rfind("ERROR: ", 0) == 0) s.erase(0, 7);
    return s;
}

// Text of a 672 message whose only argument (if any) is a name.
std::string message_text(int number, const char* name = nullptr) {
    char buf[512];
    if (name) xpmstr(buf, sizeof buf, 672, number, static_cast<int>(std::strlen(name)), name);
    else xpmstr(buf, sizeof buf, 672, number);
    return strip_severity(buf);
}

class Attacher {
public:
    explicit Attacher(cmp_session& s) : s_(s) {}

    // Places a statement; a statement of a method (METHOD and ENDMETHOD included) also joins
    // the method's source, from which its stored form is made.
    void attach(Stmt* st) {
        int before = s_.open_method;
        place(st);
        int m = before >= 0 ? before : s_.open_method;
        if (m < 0) return;
        Method& method = s_.src.methods[m];
        int at = static_cast<int>(method.source.size());
        if (st->kind == StmtKind::Block) method.blocks[st->block_type].first_stmt = at;
        if (st->kind == StmtKind::EndBlock && before >= 0) {
            for (Block& b : method.blocks)
                if (b.defined && b.first_stmt >= 0 && b.last_stmt < 0) b.last_stmt = at;
        }
        method.source.push_back(st->source);
    }

private:
    void place(Stmt* st) {
        switch (st->kind) {
            case StmtKind::Else: {
                if (s_.pending_ifs.empty()) throw PushError{"ELSE does not follow an IF ... THEN statement", st->pos};
                Stmt* target = s_.pending_ifs.front();
                std::vector<Stmt*> rest(s_.pending_ifs.begin() + 1, s_.pending_ifs.end());
                target->else_stmt = st->then_stmt;
                labels(st);
                complete(st->then_stmt, rest);
                return;
            }
            case StmtKind::When:
            case StmtKind::Otherwise: {
                if (s_.groups.empty() || s_.groups.back().owner->kind != StmtKind::Select)
                    throw PushError{std::string(st->kind == StmtKind::When ? "WHEN" : "OTHERWISE") +
                                        " stands only inside a SELECT group",
                                    st->pos};
                Stmt* sel = s_.groups.back().owner;
                if (!sel->whens.empty() && sel->whens.back().values.empty())
                    throw PushError{"Nothing but END may follow OTHERWISE", st->pos};
                WhenClause w = st->kind == StmtKind::When ? st->whens[0] : WhenClause{{}, st->then_stmt};
                sel->whens.push_back(w);
                labels(st);
                complete(w.action, {});
                return;
            }
            case StmtKind::End: {
                if (s_.groups.empty()) throw PushError{"END without an open DO or SELECT group", st->pos};
                cmp_session::Group g = s_.groups.back();
                if (!st->labels.empty()) {   // 'lbl: end;' labels the end of the group's body
                    if (g.owner->kind == StmtKind::Select) throw PushError{"A label cannot stand on the END of a SELECT", st->pos};
                    labels(st);
                    Stmt* null = s_.src.nodes.stmt();
                    null->line = st->line;
                    null->labels = st->labels;
                    g.owner->body.push_back(null);
                }
                g.owner->closed = true;
                s_.groups.pop_back();
                s_.pending_ifs = g.ifs_after_close;
                return;
            }
            case StmtKind::Method: return method(st);
            case StmtKind::EndMethod: return end_method(st);
            case StmtKind::Block: return block(st);
            case StmtKind::EndBlock: return end_block(st);
            default: break;
        }
        if (!s_.groups.empty() && s_.groups.back().owner->kind == StmtKind::Select)
            throw PushError{"Only WHEN, OTHERWISE or END may follow SELECT", st->pos};
        labels(st);
        current().push_back(st);
        complete(st, {});
    }

    cmp_session& s_;

    std::vector<Stmt*>& current() {
        if (!s_.groups.empty()) return s_.groups.back().owner->body;
        if (s_.open_method >= 0) {
            Method& m = s_.src.methods[s_.open_method];
            return s_.open_block >= 0 ? m.blocks[s_.open_block].body : m.body;
        }
        return s_.src.main;
    }

    void labels(Stmt* st) {
        for (const std::string& l : st->labels)
            if (s_.src.labels.count(l)) throw PushError{message_text(4003, l.c_str()), st->pos};
        for (const std::string& l : st->labels) s_.src.labels[l] = st->line;
    }

    bool in_loop() const {
        for (const auto& g : s_.groups)
            if (g.loop) return true;
        return false;
    }

    // After a statement is placed: IFs it ends with wait for ELSE; a DO or SELECT opens a group.
    void complete(Stmt* st, const std::vector<Stmt*>& outer_ifs) {
        std::vector<Stmt*> chain;
        Stmt* leaf = st;
        while (leaf->kind == StmtKind::If) {
            chain.insert(chain.begin(), leaf);
            leaf = leaf->then_stmt;
        }
        chain.insert(chain.end(), outer_ifs.begin(), outer_ifs.end());
        if ((leaf->kind == StmtKind::Leave || leaf->kind == StmtKind::Continue) && !in_loop())
            throw PushError{"LEAVE and CONTINUE stand only inside an iterative, WHILE or UNTIL DO loop", leaf->pos};
        if (leaf->kind == StmtKind::Do || leaf->kind == StmtKind::DoIter || leaf->kind == StmtKind::DoWhile ||
            leaf->kind == StmtKind::DoUntil || leaf->kind == StmtKind::Select) {
            cmp_session::Group g;
            g.owner = leaf;
            g.ifs_after_close = chain;
            g.loop = leaf->kind != StmtKind::Do && leaf->kind != StmtKind::Select;
            s_.groups.push_back(g);
            s_.pending_ifs.clear();
            return;
        }
        s_.pending_ifs = chain;
    }

    void top_level(Stmt* st, const char* what) {
        if (!s_.groups.empty()) throw PushError{std::string(what) + " cannot stand inside a DO or SELECT group", st->pos};
    }

    void method(Stmt* st) {
        if (!s_.groups.empty()) throw PushError{message_text(1006), st->pos};
        if (s_.open_method >= 0)
            throw PushError{message_text(1005, s_.src.methods[s_.open_method].name.c_str()), st->pos};
        if (st->name.size() > 32) throw PushError{"Method name " + st->name + " is longer than 32 characters", st->pos};
        if (!st->items.empty() && st->items[0].text.size() > 40)
            throw PushError{"Method description is longer than 40 characters", st->pos};
        int idx = s_.src.method_index(st->name);
        if (idx >= 0 && s_.src.methods[idx].defined) throw PushError{message_text(1003, st->name.c_str()), st->pos};
        if (idx < 0) idx = s_.src.add_method(st->name);
        Method& m = s_.src.methods[idx];
        static const char kKinds[] = "NITPJVRSM";
        m.kind = kKinds[st->block_type];
        m.description = st->items.empty() ? "" : st->items[0].text;
        m.first_line = st->line;
        labels(st);
        st->method = idx;
        s_.src.main.push_back(st);
        s_.open_method = idx;
        s_.open_block = -1;
        s_.pending_ifs.clear();
    }

    void end_method(Stmt* st) {
        top_level(st, "ENDMETHOD");
        if (s_.open_method < 0) throw PushError{message_text(4001), st->pos};
        Method& m = s_.src.methods[s_.open_method];
        if (s_.open_block >= 0)
            throw PushError{"ENDMETHOD while block " + std::string(block_type_name(s_.open_block)) +
                                " is still open: end it with ENDBLOCK first",
                            st->pos};
        if (m.has_blocks() && !m.blocks[2].defined && m.kind != 'J')
            throw PushError{message_text(2008, m.name.c_str()), st->pos};
        labels(st);
        Stmt* null = s_.src.nodes.stmt();   // labels on ENDMETHOD mark the method's end
        null->line = st->line;
        null->labels = st->labels;
        m.body.push_back(null);
        m.defined = true;
        s_.open_method = -1;
        s_.pending_ifs.clear();
    }

    void block(Stmt* st) {
        top_level(st, "BLOCK");
        if (s_.open_method < 0) throw PushError{message_text(2001), st->pos};
        Method& m = s_.src.methods[s_.open_method];
        if (s_.open_block >= 0) {
            char buf[256];
            xpmstr(buf, sizeof buf, 672, 2000, block_type_name(s_.open_block));
            throw PushError{strip_severity(buf), st->pos};
        }
        if (m.blocks[st->block_type].defined) {
            char buf[256];
            xpmstr(buf, sizeof buf, 672, 2003, block_type_name(st->block_type), static_cast<int>(m.name.size()),
                   m.name.c_str());
            throw PushError{strip_severity(buf), st->pos};
        }
        labels(st);
        m.blocks[st->block_type].defined = true;
        m.blocks[st->block_type].body.clear();
        Stmt* null = s_.src.nodes.stmt();
        null->line = st->line;
        null->labels = st->labels;
        m.blocks[st->block_type].body.push_back(null);
        s_.open_block = st->block_type;
        s_.pending_ifs.clear();
    }

    void end_block(Stmt* st) {
        top_level(st, "ENDBLOCK");
        if (s_.open_method < 0 || s_.open_block < 0) throw PushError{message_text(2005), st->pos};
        labels(st);
        Stmt* null = s_.src.nodes.stmt();
        null->line = st->line;
        null->labels = st->labels;
        s_.src.methods[s_.open_method].blocks[s_.open_block].body.push_back(null);
        s_.open_block = -1;
        s_.pending_ifs.clear();
    }
};

void copy_out(char* buf, int size, const std::string& text) {
    if (!buf || size <= 0) return;
    int n = std::min<int>(size - 1, static_cast<int>(text.size()));
    std::memcpy(buf, text.data(), static_cast<size_t>(n));
    buf[n] = '\0';
}

// RUNMETHOD names a method: known now, or a forward reference settled at generate time.
void note_runmethod(cmp_session& s, Stmt* st) {
    int idx = s.src.method_index(st->name);
    if (idx < 0) idx = s.src.add_method(st->name);
    Method& m = s.src.methods[idx];
    if (m.defined && st->block_type >= 0 && !m.blocks[st->block_type].defined) {
        char buf[256];
        xpmstr(buf, sizeof buf, 672, 1020, static_cast<int>(m.name.size()), m.name.c_str(), block_type_name(st->block_type));
        throw PushError{strip_severity(buf), st->pos};
    }
    m.referenced = true;
    st->method = idx;
}

void note_runmethods(cmp_session& s, Stmt* st) {
    if (!st) return;
    if (st->kind == StmtKind::RunMethod) note_runmethod(s, st);
    note_runmethods(s, st->then_stmt);
    for (WhenClause& w : st->whens) note_runmethods(s, w.action);
}

}  // namespace

int cmp_session::push(const char* text, int length, char* log, int log_size, char* err, int err_size) {
    copy_out(log, log_size, "");
    copy_out(err, err_size, "");
    if (!text || length < 0) length = 0;
    std::string_view stmt(text ? text : "", static_cast<size_t>(length));
    if (generated || code) {
        copy_out(err, err_size, "ERROR: The program is already generated; start a new session.");
        return CMP_ERROR;
    }
    if (stmt.find(CMP_END_MARKER) != std::string_view::npos &&
        stmt.find_first_not_of(" \t\r\n") == stmt.find(CMP_END_MARKER)) {
        load_called_methods();
        ended = true;
        std::string problem;
        if (!groups.empty()) problem = message_text(4005);
        else if (open_method >= 0) problem = message_text(4002, src.methods[open_method].name.c_str());
        if (!problem.empty()) {
            ++errors;
            copy_out(err, err_size, "ERROR: " + problem);
            copy_out(log, log_size, "ERROR: " + problem);
            std::string text = "ERROR: " + problem;
            if (hooks.error) hooks.error(hooks.user, text.c_str(), line, nullptr);
            else xpslog("%s", text.c_str());
        }
        return errors == 0 ? CMP_COMPLETE : CMP_INCOMPLETE;
    }
    ++line;
    warnings.clear();
    std::vector<Stmt*> stmts;
    SyntaxError se;
    std::string message;
    int pos = 0;
    std::string lowered;   // the text with front-end statements lowered (cmpstkw)
    bool ok = lower_claimed_statements(this, stmt, &lowered, &se.message, &se.pos) &&
              parse_statements(lowered, line, src.nodes, stmts, se);
    if (!ok) {
        message = se.message;
        pos = se.pos;
    } else {
        try {
            for (Stmt* st : stmts) {
                if (!resolve(st, message, pos)) throw PushError{message, pos};
                note_runmethods(*this, st);
                Attacher(*this).attach(st);
            }
        } catch (const PushError& e) {
            ok = false;
            message = e.message;
            pos = e.pos;
        }
    }
    if (!ok) {
        ++errors;
        char buf[1024];
        xpmstr(buf, sizeof buf, 672, 4000, static_cast<int>(message.size()), message.c_str(), line, pos,
               static_cast<int>(stmt.size()), stmt.data());
        copy_out(err, err_size, buf);
        copy_out(log, log_size, buf);
        if (hooks.error) hooks.error(hooks.user, buf, line, nullptr);
        else xpslog("%s", buf);
        return CMP_ERROR;
    }
    // conversion notes of an accepted statement go to the log
    std::string notes;
    for (const std::string& w : warnings) notes += (notes.empty() ? "" : "\n") + w;
    if (!notes.empty()) {
        if (log && log_size > 0) copy_out(log, log_size, notes);
        else xpslog("%s", notes.c_str());
    }
    warnings.clear();
    return groups.empty() ? CMP_ACCEPTED : CMP_OPEN_GROUP;
}
