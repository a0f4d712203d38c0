// Ordered value sets over the height-balanced tree: create, add, find, list and free.
// Nodes come one per key from the set's pool and are never moved until the set ends.
#include "common/containers/value_set.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/containers/ordering.h"
#include "host/missing.h"

// 2^-53 times 500: relative distance below which two numeric keys are one key.
static constexpr double kKeyTolerance = 500.0 * 1.110223024625157e-16;

static const unsigned char* key_of(const qor_avl_node* n, int offset) {
    return reinterpret_cast<const unsigned char*>(n) + offset;
}

int CompC(const qor_avl_node* a, const qor_avl_node* b, int length, int offset) {
    int c = std::memcmp(key_of(a, offset), key_of(b, offset), static_cast<size_t>(length));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int ztrecc(const qor_avl_node* a, const qor_avl_node* b, int length, int offset) {
    return CompC(a, b, length, offset);
}

int CompD(const qor_avl_node* a, const qor_avl_node* b, int, int offset) {
    double x, y;
    std::memcpy(&x, key_of(a, offset), sizeof x);
    std::memcpy(&y, key_of(b, offset), sizeof y);
    if (zismiss(x) || zismiss(y)) return zdblcom(x, y);
    if (std::fabs(x - y) <= std::fabs(x + y) * kKeyTolerance) return 0;
    return x < y ? -1 : 1;
}

static size_t node_size(const value_set* set) {
    return static_cast<size_t>(set->key_offset) +
           (set->kind == VSET_NUMERIC ? sizeof(double) : static_cast<size_t>(set->width));
}

int zvinit(value_set** out, qor_pool* pool, int kind, int key_length, int format) {
    if (!out || !pool) return VSET_NULL;
    *out = nullptr;
    if (kind != VSET_NUMERIC && kind != VSET_CHARACTER) return VSET_BAD_KIND;
    if (kind == VSET_CHARACTER && key_length < 1) return VSET_BAD_LENGTH;
    auto* set = static_cast<value_set*>(pool->allocate(pool, sizeof(value_set), QOR_ALLOC_ZERO));
    if (!set) return VSET_NO_MEMORY;
    set->pool = pool;
    set->kind = kind;
    set->key_offset = kValueKeyOffset;
    if (kind == VSET_NUMERIC) {
        set->width = VSET_NUMERIC_WIDTH;
        set->format = format == 0 ? VSET_DEFAULT_FORMAT : format;
        set->compare = CompD;
    } else {
        set->width = key_length;
        set->format = 0;
        set->compare = CompC;
    }
    *out = set;
    return VSET_OK;
}

// A node holding a copy of the key, from the set's pool; null when memory runs out.
static qor_avl_node* new_node(value_set* set, const void* key) {
    size_t size = node_size(set);
    auto* node = static_cast<qor_avl_node*>(set->pool->allocate(set->pool, size, QOR_ALLOC_PLAIN));
    if (!node) return nullptr;
    std::memset(node, 0, sizeof(qor_avl_node));
    std::memcpy(reinterpret_cast<unsigned char*>(node) + set->key_offset, key, size - set->key_offset);
    return node;
}

static void free_node(value_set* set, qor_avl_node* node) {
    set->pool->release(set->pool, node, node_size(set), QOR_FREE_SIZED);
}

static int key_length_of(const value_set* set) {
    return set->kind == VSET_NUMERIC ? static_cast<int>(sizeof(double)) : set->width;
}

qor_avl_node* zvfind(value_set* set, const void* key) {
    if (!set || !key) return nullptr;
    qor_avl_node* probe = new_node(set, key);
    if (!probe) return nullptr;
    qor_avl_node* found = ztrefdf(&set->root, probe, key_length_of(set), set->key_offset, set->compare);
    free_node(set, probe);
    return found;
}

int zvadd(value_set* set, const void* key) {
    if (!set || !key) return VSET_NULL;
    if (zvfind(set, key)) return VSET_PRESENT;
    qor_avl_node* node = new_node(set, key);
    if (!node) return VSET_NO_MEMORY;
    node->tag = set->count;
    qor_avl_node* put = ztrebdf(&set->root, node, key_length_of(set), set->key_offset, set->compare);
    if (put != node) {
        free_node(set, node);
        return put ? VSET_TREE_OTHER : VSET_TREE_REFUSED;
    }
    // Counted only once the node is in the tree, so a failed insertion leaves the set consistent.
    set->count += 1;
    return VSET_OK;
}

int zvseqno(value_set* set, const void* key) {
    qor_avl_node* node = zvfind(set, key);
    return node ? node->tag : -1;
}

int zvcount(const value_set* set) { return set ? set->count : 0; }

int zvsize(const value_set* set) { return set ? set->width : 0; }

void zvfmtnum(double value, int width, int, char* out) {
    char text[64];
    int length = 0;
    if (zismiss(value)) {
        int code = qor::is_missing(value) ? qor::missing_code(value) : 0;
        text[0] = '.';
        text[1] = static_cast<char>(code);
        length = code == 0 ? 1 : 2;
    } else {
        for (int precision = 15; precision >= 1; --precision) {
            length = std::snprintf(text, sizeof text, "%.*g", precision, value);
            if (length <= width) break;
        }
        if (length > width) length = width;
    }
    std::memset(out, ' ', static_cast<size_t>(width));
    std::memcpy(out + (width - length), text, static_cast<size_t>(length));
}

// In-order walk writing each key into the output array.
static void list_keys(value_set* set, qor_avl_node* node, int mode) {
    if (!node) return;
    list_keys(set, node->left, mode);
    int slot = -1;
    if (mode == 0) slot = node->tag;
    else if (mode == 1) slot = node->tag = set->write_position;
    if (slot >= 0 && slot < set->count) {
        char* target = set->output + static_cast<size_t>(slot) * set->width;
        const unsigned char* key = key_of(node, set->key_offset);
        if (set->kind == VSET_NUMERIC) {
            double value;
            std::memcpy(&value, key, sizeof value);
            zvfmtnum(value, set->width, set->format, target);
        } else {
            std::memcpy(target, key, static_cast<size_t>(set->width));
        }
    }
    set->write_position += 1;
    list_keys(set, node->right, mode);
}

static void free_output(value_set* set) {
    if (set->output) set->pool->release(set->pool, set->output, set->output_size, QOR_FREE_SIZED);
    set->output = nullptr;
    set->output_size = 0;
}

int zvbuild(value_set* set, int mode, char** out) {
    if (!set) return VSET_NULL;
    if (!out) return VSET_NULL_OUT;
    free_output(set);
    set->write_position = 0;
    size_t size = static_cast<size_t>(set->width) * static_cast<size_t>(set->count);
    if (size > 0) {
        set->output = static_cast<char*>(set->pool->allocate(set->pool, size, QOR_ALLOC_PLAIN));
        if (!set->output) return VSET_NO_MEMORY;
        set->output_size = size;
        std::memset(set->output, ' ', size);   // other modes write nothing: hand out blanks
    }
    list_keys(set, set->root, mode);
    if (set->write_position != set->count) return VSET_COUNT_MISMATCH;
    *out = set->output;
    return VSET_OK;
}

static void free_tree(value_set* set, qor_avl_node* node) {
    if (!node) return;
    free_tree(set, node->left);
    free_tree(set, node->right);
    free_node(set, node);
}

int zvterm(value_set* set) {
    if (!set) return VSET_NULL;
    free_output(set);
    free_tree(set, set->root);
    set->pool->release(set->pool, set, sizeof(value_set), QOR_FREE_SIZED);
    return VSET_OK;
}
