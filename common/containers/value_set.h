// Ordered value sets: the distinct keys of a column, numbered in the order first met and listed
// in insertion or sorted order. Numeric sets hold doubles (with missing values), character sets bytes.
#pragma once
#include <cstddef>

#include "common/containers/avl_tree.h"
#include "host/pool.h"

enum : int {
    VSET_NUMERIC = 1,
    VSET_CHARACTER = 2,
    VSET_NUMERIC_WIDTH = 16,      // width of a formatted numeric key in a listing
    VSET_DEFAULT_FORMAT = 89,     // number-format code used when 0 is given
};

// Result codes of the value-set routines.
enum : int {
    VSET_OK = 0,
    VSET_PRESENT = 1,
    VSET_NULL = 86,
    VSET_NO_MEMORY = 8601,
    VSET_BAD_KIND = 8602,
    VSET_BAD_LENGTH = 8603,
    VSET_TREE_REFUSED = 8604,
    VSET_TREE_OTHER = 8605,
    VSET_COUNT_MISMATCH = 8606,
    VSET_NULL_OUT = 8607,
};

struct value_set {
    qor_avl_node* root;       // null when empty
    qor_pool* pool;           // pool of the head, nodes and output array
    int kind;                 // VSET_NUMERIC or VSET_CHARACTER
    int width;                // numeric: 16 (formatted width); character: key length
    int key_offset;           // byte offset of the key in a node
    int format;               // numeric: number-format code; character: 0
    qor_avl_compare compare;  // CompD or CompC
    int count;                // number of keys
    int write_position;       // running position while listing
    char* output;             // array of the last zvbuild, or null
    size_t output_size;       // its size in bytes (width * count)
};

// Byte offset of the key in a value-set node (after the tree links and the sequence number).
constexpr int kValueKeyOffset = static_cast<int>(sizeof(qor_avl_node));

int zvinit(value_set** out, qor_pool* pool, int kind, int key_length, int format);
int zvadd(value_set* set, const void* key);
qor_avl_node* zvfind(value_set* set, const void* key);
int zvseqno(value_set* set, const void* key);
int zvcount(const value_set* set);
int zvsize(const value_set* set);
int zvbuild(value_set* set, int mode, char** out);
int zvterm(value_set* set);

// Node comparisons of the two kinds of set (see avl_tree.h for the argument order).
int CompC(const qor_avl_node* a, const qor_avl_node* b, int length, int offset);
int CompD(const qor_avl_node* a, const qor_avl_node* b, int length, int offset);
int ztrecc(const qor_avl_node* a, const qor_avl_node* b, int length, int offset);

// Formats a numeric key into exactly width characters, right-aligned (missing as ".", "._", ".A").
void zvfmtnum(double value, int width, int format, char* out);
