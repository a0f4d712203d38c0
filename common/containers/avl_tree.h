// Height-balanced binary search tree over caller-owned nodes (insert and find).
// Any record that begins with a qor_avl_node can be kept; its key lies at a byte offset.
#pragma once
#include <cstdint>

struct qor_avl_node {
    qor_avl_node* left;
    qor_avl_node* right;
    int16_t balance;     // -1 left-heavy, 0 balanced, +1 right-heavy
    int16_t spare;
    int32_t tag;         // free for the owner (value sets keep the sequence number here)
};

// Compare (probe or new node, tree node, key length, key offset): negative, 0 or positive.
using qor_avl_compare = int (*)(const qor_avl_node* a, const qor_avl_node* b, int length, int offset);

// Inserts node; returns it, the existing node with an equal key (nothing inserted), or null
// after an internal error (a compare routine that is not a consistent ordering).
// Without a compare routine, a key length below 1 compares doubles, otherwise unsigned bytes.
qor_avl_node* ztrebdf(qor_avl_node** root, qor_avl_node* node, int length, int offset,
                      qor_avl_compare compare);
// The node whose key equals the probe's, or null.
qor_avl_node* ztrefdf(qor_avl_node** root, const qor_avl_node* probe, int length, int offset,
                      qor_avl_compare compare);
