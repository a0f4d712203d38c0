// Height-balanced tree insertion (Knuth's Algorithm A) and search over caller-owned nodes.
// The nodes are never moved or allocated here; the caller owns their memory.
#include "common/containers/avl_tree.h"

#include <cstring>

#include "host/print.h"

// Longest path from a rebalancing point to a leaf: far beyond the height of any balanced tree.
static constexpr int kMaxPath = 128;

// Default key comparison: doubles numerically for length below 1, otherwise unsigned bytes.
static int default_compare(const qor_avl_node* a, const qor_avl_node* b, int length, int offset) {
    const unsigned char* ka = reinterpret_cast<const unsigned char*>(a) + offset;
    const unsigned char* kb = reinterpret_cast<const unsigned char*>(b) + offset;
    if (length < 1) {
        double x, y;
        std::memcpy(&x, ka, sizeof x);
        std::memcpy(&y, kb, sizeof y);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    int c = std::memcmp(ka, kb, static_cast<size_t>(length));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

static qor_avl_node*& child(qor_avl_node* n, int side) { return side < 0 ? n->left : n->right; }

qor_avl_node* ztrefdf(qor_avl_node** root, const qor_avl_node* probe, int length, int offset,
                      qor_avl_compare compare) {
    if (!root || !probe) return nullptr;
    if (!compare) compare = default_compare;
    qor_avl_node* p = *root;
    while (p) {
        int c = compare(probe, p, length, offset);
        if (c == 0) return p;
        p = c < 0 ? p->left : p->right;
    }
    return nullptr;
}

// Rotation at the rebalancing point s leaning to side a; returns the subtree's new root.
static qor_avl_node* rebalance(qor_avl_node* s, int a) {
    qor_avl_node* r = child(s, a);
    if (r->balance == a) {                       // single rotation
        child(s, a) = child(r, -a);
        child(r, -a) = s;
        s->balance = 0;
        r->balance = 0;
        return r;
    }
    qor_avl_node* p = child(r, -a);              // double rotation
    child(r, -a) = child(p, a);
    child(p, a) = r;
    child(s, a) = child(p, -a);
    child(p, -a) = s;
    if (p->balance == a) { s->balance = static_cast<int16_t>(-a); r->balance = 0; }
    else if (p->balance == 0) { s->balance = 0; r->balance = 0; }
    else { s->balance = 0; r->balance = static_cast<int16_t>(a); }
    p->balance = 0;
    return p;
}

qor_avl_node* ztrebdf(qor_avl_node** root, qor_avl_node* node, int length, int offset,
                      qor_avl_compare compare) {
    if (!root || !node) return nullptr;
    if (!compare) compare = default_compare;
    node->left = nullptr;
    node->right = nullptr;
    node->balance = 0;
    if (!*root) {
        *root = node;
        return node;
    }
    // Search, remembering the deepest node with a non-zero balance (s) and its parent (t).
    qor_avl_node* t = nullptr;
    qor_avl_node* s = *root;
    qor_avl_node* p = *root;
    for (;;) {
        int c = compare(node, p, length, offset);
        if (c == 0) return p;
        qor_avl_node* q = c < 0 ? p->left : p->right;
        if (!q) break;
        if (q->balance != 0) {
            t = p;
            s = q;
        }
        p = q;
    }
    // Record the sides taken from s down to the new node's place before changing anything, so
    // that an inconsistent compare routine leaves the tree exactly as it was.
    int sides[kMaxPath];
    int steps = 0;
    for (qor_avl_node* q = s;; q = child(q, sides[steps - 1])) {
        int c = compare(node, q, length, offset);
        if (c == 0 || steps == kMaxPath) {
            xebug("ztrebld: invalid compare");
            return nullptr;
        }
        sides[steps++] = c < 0 ? -1 : 1;
        if (q == p) break;
    }
    child(p, sides[steps - 1]) = node;
    int a = sides[0];
    qor_avl_node* q = child(s, a);
    for (int k = 1; k < steps; ++k) {
        q->balance = static_cast<int16_t>(sides[k]);
        q = child(q, sides[k]);
    }
    // Balance at s.
    if (s->balance == 0) {
        s->balance = static_cast<int16_t>(a);
    } else if (s->balance == -a) {
        s->balance = 0;
    } else {
        qor_avl_node* top = rebalance(s, a);
        if (!t) *root = top;
        else if (t->left == s) t->left = top;
        else t->right = top;
    }
    return node;
}
