// The host's XML reader over expat: one parser per document, the caller's callbacks called for
// element starts, ends and character data, errors described with their line and column.
#include <expat.h>

#include <cstdio>
#include <new>

#include "host/xml.h"

struct qor_xml_parser {
    XML_Parser parser;
    qor_xml_callbacks callbacks;
    void* user;
};

namespace {

void on_start(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto* p = static_cast<qor_xml_parser*>(data);
    if (p->callbacks.start_element != nullptr) p->callbacks.start_element(p->user, name, attributes);
}

void on_end(void* data, const XML_Char* name) {
    auto* p = static_cast<qor_xml_parser*>(data);
    if (p->callbacks.end_element != nullptr) p->callbacks.end_element(p->user, name);
}

void on_text(void* data, const XML_Char* text, int length) {
    auto* p = static_cast<qor_xml_parser*>(data);
    if (p->callbacks.character_data != nullptr) p->callbacks.character_data(p->user, text, length);
}

}  // namespace

qor_xml_parser* qor_xml_create(const qor_xml_callbacks* callbacks, void* user) {
    if (callbacks == nullptr) return nullptr;
    auto* p = new (std::nothrow) qor_xml_parser{};
    if (p == nullptr) return nullptr;
    p->parser = XML_ParserCreate("UTF-8");
    if (p->parser == nullptr) {
        delete p;
        return nullptr;
    }
    p->callbacks = *callbacks;
    p->user = user;
    XML_SetUserData(p->parser, p);
    XML_SetElementHandler(p->parser, on_start, on_end);
    XML_SetCharacterDataHandler(p->parser, on_text);
    return p;
}

int qor_xml_parse(qor_xml_parser* parser, const char* text, size_t length, char* status, size_t size) {
    if (status != nullptr && size > 0) status[0] = 0;
    if (parser == nullptr || (text == nullptr && length > 0)) return 1;
    // expat takes the length as an int: a document beyond that is fed in pieces.
    constexpr size_t kPiece = 1u << 30;
    size_t at = 0;
    do {
        const size_t piece = length - at < kPiece ? length - at : kPiece;
        const bool last = at + piece == length;
        if (XML_Parse(parser->parser, text + at, static_cast<int>(piece), last ? 1 : 0) != XML_STATUS_OK) {
            if (status != nullptr && size > 0)
                std::snprintf(status, size, "%s at line %lu, column %lu",
                              XML_ErrorString(XML_GetErrorCode(parser->parser)),
                              static_cast<unsigned long>(XML_GetCurrentLineNumber(parser->parser)),
                              static_cast<unsigned long>(XML_GetCurrentColumnNumber(parser->parser)));
            return 1;
        }
        at += piece;
    } while (at < length);
    return 0;
}

void qor_xml_free(qor_xml_parser* parser) {
    if (parser == nullptr) return;
    XML_ParserFree(parser->parser);
    delete parser;
}
