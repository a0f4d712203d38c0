// The host's XML reader: a streaming parser that hands each element start (with its
// attributes), element end and piece of character data to the caller's callbacks.
#pragma once
#include <cstddef>
#include "host/export.h"

struct qor_xml_parser;

// Attributes come as name, value, name, value, ..., null.
struct qor_xml_callbacks {
    void (*start_element)(void* user, const char* name, const char** attributes);
    void (*end_element)(void* user, const char* name);
    // One piece of text of the current element (not NUL-terminated).
    void (*character_data)(void* user, const char* text, int length);
};

// A parser calling `callbacks` with `user`; null when it cannot be made.
QOR_HOST_API qor_xml_parser* qor_xml_create(const qor_xml_callbacks* callbacks, void* user);
// Parses the whole document in one call. 0, or 1 with a description of the error (line and
// column) in status, NUL-terminated and cut to size.
QOR_HOST_API int qor_xml_parse(qor_xml_parser* parser, const char* text, size_t length, char* status, size_t size);
QOR_HOST_API void qor_xml_free(qor_xml_parser* parser);
