// Host objects whose methods are found by number through chained method tables.
// A table hashes its methods into buckets; a miss continues with the parent class's table.
#pragma once
#include <cstdint>

struct qor_object;

// A method: called with the object, the entry's context, the descriptor's second context and
// the caller's two arguments (an argument count and an argument block).
using qor_method_fn = int (*)(qor_object* object, void* entry_context, void* descriptor_context,
                              int argument_count, void* arguments);

struct qor_method_descriptor {
    qor_method_fn routine;
    const char* name;                 // for traces; may be null
    void* context;                    // second context handed to the routine
};

// One entry of a bucket chain.
struct qor_method_entry {
    qor_method_entry* next;           // next entry of the same bucket
    void* context;                    // the method's context
    const qor_method_descriptor* descriptor;
    int method_number;
};

struct qor_method_table {
    const char* class_name;           // for traces; may be null
    const qor_method_table* parent;   // the parent class's table, null at the root
    qor_method_entry* const* buckets; // bucket_mask + 1 chain heads
    uint32_t bucket_mask;             // bucket of method m is m & bucket_mask
};

// The head of every host object.
struct qor_object {
    const qor_method_table* methods;
};

enum : int { QOR_OBJECT_NO_METHOD = static_cast<int>(0x80008001u) };
