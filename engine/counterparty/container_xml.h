// The counterparty and mitigation containers as XML documents, as the catalog stores them: the
// reading context, the document builders and the parser entries (vector 381, slots 385-393).
#pragma once
#include <cstddef>
#include <string>
#include <type_traits>

#include "engine/tables/control_structure.h"
#include "engine/tables/counterparty_records.h"

struct qor_xml_parser;

// Element names of one family's document: counterparty ("cptycon") or mitigation ("mitcon").
struct RSKXMLFAMILY {
    bool counterparty;
    const char* root;                // cptycon / mitcon
    const char* variables;           // cptyvars / mitvars
    const char* variable_count;      // numcptyvars / nummitvars
    const char* types;               // cptytypes / mittypes
    const char* type;                // cptytype / mittype
    const char* system_variables;    // cptysysvars / mitsysvars
    int type_hint, system_hint, dataset_hint, source_hint;
};
extern const RSKXMLFAMILY kRskCptyXml;
extern const RSKXMLFAMILY kRskMitXml;

struct RSKXMLREADING;

// One document read or written. Standard layout, so that the catalog may read the head.
struct RSKXMLCTX {
    RSKXMLHEAD head;                 // first: the parser's words on a refusal
    RSKCON* con;
    const RSKXMLFAMILY* family;
    qor_xml_parser* parser;
    RSKXMLREADING* reading;          // what the document has made so far (the reader's own)
};

// Slots 385-388 and 390-393: a context (null after a message), its release, parsing a document
// into the control structure's container (0, or 1 with the status text in the context), and the
// document of the container (NUL-terminated, from the environment's pool; null without one).
RSKXMLCTX* rskcptyxmlinit(RSKCON* con);
void rskcptyxmlfree(RSKXMLCTX* context);
int rskcptyxmlparse(RSKXMLCTX* context, const char* text, int64_t length);
char* rskcptybuildxml(RSKXMLCTX* context);
RSKXMLCTX* rskmitxmlinit(RSKCON* con);
void rskmitxmlfree(RSKXMLCTX* context);
int rskmitxmlparse(RSKXMLCTX* context, const char* text, int64_t length);
char* rskmitbuildxml(RSKXMLCTX* context);

// The document of a family's container as a string (empty without a container).
std::string rsk_container_document(RSKCON* con, const RSKXMLFAMILY& family);

// ---- Tag helpers: texts for the document builders ----
std::string buildbegintag(const char* tag);
std::string buildendtag(const char* tag);
std::string buildelement(const char* tag, const std::string& content);
std::string buildelement_with_attributes(const char* tag, const std::string& content, const std::string& attributes);
// `name` carries its leading blank: " name" gives ` name="value"`.
std::string buildattribute(const char* name, const char* value);
std::string buildcdata(const char* text);

static_assert(std::is_standard_layout_v<RSKXMLCTX>, "the catalog reads the head of the context");
