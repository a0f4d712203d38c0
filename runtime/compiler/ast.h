// The syntax tree of the methods language: expression nodes and statement nodes. The parser
// builds them, semantic analysis annotates them, the code generator lowers them to bytecode.
#pragma once
#include <memory>
#include <string>
#include <vector>

struct cmp_symbol;

namespace qor::cmp {

using Symbol = ::cmp_symbol;

enum class ExprKind {
    Number,     // num
    String,     // text
    Name,       // text; sym after resolution (args = subscripts when indexed)
    Call,       // text = function name; args (nullptr entries are omitted arguments)
    Unary,      // op: '-', '+', '^' (not); args[0]
    Binary,     // op: see BinOp; args[0], args[1]
    In,         // args[0] IN (args[1..])
    Omitted     // an empty argument position
};

enum class BinOp { Or, And, Eq, Ne, Lt, Le, Gt, Ge, Concat, Add, Sub, Mul, Div, Pow };

struct Expr {
    ExprKind kind = ExprKind::Number;
    int pos = 0;
    double num = 0;
    std::string text;
    std::vector<Expr*> args;
    BinOp bop = BinOp::Add;
    char uop = 0;
    bool is_missing_literal = false;
    // semantic annotations
    char type = 'n';            // 'n' numeric or 'c' character
    int capacity = 0;           // character results: capacity in bytes
    Symbol* sym = nullptr;      // names
    int function = -1;          // calls: built-in function index, or special function index
    bool special = false;       // calls: a registered special function
    bool whole_array = false;   // a name that stands for a whole array (function argument)
    bool written_back = false;  // special function arguments the check marked as written
};

enum class StmtKind {
    Null, Assign, If, Do, DoIter, DoWhile, DoUntil, Select, Goto, Return, Call, Put,
    Method, EndMethod, Block, EndBlock, RunMethod, Leave, Continue, Array, Length,
    Else, When, Otherwise, End
};

// A dimension list and element list of an ARRAY statement; the names of a LENGTH statement.
struct ArrayDecl {
    std::string name;
    std::vector<int> dims;          // 0 = '*' (taken from the element list)
    bool character = false;
    int length = 8;
    std::vector<std::string> elements;
    std::vector<struct Expr*> initial;
};
struct LengthItem {
    std::string name;
    bool character = false;
    int length = 8;
};

struct PutItem {
    int kind = 0;   // 0 literal text, 1 value, 2 name= value, 3 new line '/'
    std::string text;
    Expr* value = nullptr;
};

// One item of an iterative DO's list: a value (to null) or a range from TO to [BY by].
struct DoItem {
    struct Expr* from = nullptr;
    struct Expr* to = nullptr;
    struct Expr* by = nullptr;
};

struct WhenClause {
    std::vector<Expr*> values;   // empty for OTHERWISE
    struct Stmt* action = nullptr;
};

struct Stmt {
    StmtKind kind = StmtKind::Null;
    int line = 0;               // statement number within the compile (1-based)
    int pos = 0;
    std::vector<std::string> labels;   // labels written before the statement
    Expr* target = nullptr;     // Assign target, DO loop variable
    Expr* value = nullptr;      // Assign value, IF/WHILE/UNTIL condition, SELECT operand, RETURN value
    Expr* from = nullptr;
    Expr* to = nullptr;
    Expr* by = nullptr;
    std::vector<DoItem> do_items;   // iterative DO with a list or a condition (else from/to/by)
    Expr* do_cond = nullptr;        // its WHILE or UNTIL condition
    char do_cond_kind = 0;          // 'W' or 'U'
    Stmt* then_stmt = nullptr;
    Stmt* else_stmt = nullptr;
    std::vector<Stmt*> body;    // DO groups, SELECT (not used), METHOD and BLOCK bodies
    std::vector<WhenClause> whens;
    bool closed = false;        // DO/SELECT groups: END seen
    std::string name;           // GOTO label, METHOD / RUNMETHOD name
    int block_type = -1;        // BLOCK and RUNMETHOD
    int method = -1;            // METHOD / RUNMETHOD: method index after analysis
    Expr* call = nullptr;       // CALL
    std::vector<PutItem> items; // PUT
    ArrayDecl array;            // ARRAY
    std::vector<LengthItem> lengths;   // LENGTH
    std::string text;           // the statement text as pushed (for messages)
    std::string source;         // this statement's own part of the pushed text
};

// Owner of every node of a compile: nodes live until the session ends.
struct NodeStore {
    std::vector<std::unique_ptr<Expr>> exprs;
    std::vector<std::unique_ptr<Stmt>> stmts;
    Expr* expr() { exprs.push_back(std::make_unique<Expr>()); return exprs.back().get(); }
    Stmt* stmt() { stmts.push_back(std::make_unique<Stmt>()); return stmts.back().get(); }
};

}  // namespace qor::cmp
