// The METHOD statement: METHOD name [KIND=word] ['description']; statements ENDMETHOD; defines a
// method object, installs and compiles its source at once, and stores it in the environment.
#include <string>

#include "engine/tables/catalog_table.h"
#include "engine/tables/engine_table.h"
#include "engine/tables/method_records.h"
#include "host/print.h"
#include "procedure/definition_handlers.h"
#include "procedure/operand_lists.h"
#include "procedure/operand_reading.h"
#include "procedure/zozu_dispatch.h"
#include "procedure/zozu_fields.h"

namespace zozu {

namespace {

const char* const kKindWords[] = {"INPUT", "TRANS", "PRICE", "PROJECT", "POSTVAR", "POSTPRICE", "SCORE", "MITIGATION"};
// Kind letters by kind option 1 to 8; a method without a kind has 'N'.
constexpr const char kKindLetters[] = "ITPJVRSM";

// The description as a quoted literal of the methods language (quotes doubled).
std::string quoted(const char* text, int length) {
    std::string out = "'";
    for (int i = 0; i < length; ++i) {
        out += text[i];
        if (text[i] == '\'') out += '\'';
    }
    return out + "'";
}

// The method's source: its METHOD statement, the body's statements, ENDMETHOD; each text
// NUL-terminated, one after the other. *count receives the number of statements.
std::string method_source(const statement_node* node, const OperandText& name, int kind, const char* description,
                          int description_length, int* count) {
    std::string source = "METHOD " + std::string(name.text, static_cast<size_t>(name.length));
    if (kind >= 1 && kind <= 8) source += std::string(" KIND=") + kKindWords[kind - 1];
    if (description_length > 0) source += " " + quoted(description, description_length);
    source.push_back('\0');
    *count = 1;
    for_each_name(node, kMethodFieldBody, [&](const char* text, int length) {
        source.append(text, static_cast<size_t>(length));
        source.push_back('\0');
        ++*count;
    });
    source.append("ENDMETHOD");
    source.push_back('\0');
    ++*count;
    return source;
}

}  // namespace

int method_stmt(RSKCON* con, statement_node* node) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    // Instrument types name methods by their names: the types are checked again.
    con->types_pending = 1;
    const OperandText name = operand_text(node, kMethodFieldName);
    const int kind = static_cast<int>(operand_number(node, kMethodFieldKind, 0));
    OperandText description = operand_text(node, kMethodFieldDesc);
    // The description is cut to what a method keeps before it is copied anywhere.
    if (description.length > kRskMethodDescriptionLimit) {
        xpmlog(672, 1007, description.length, description.text, kRskMethodDescriptionLimit);
        description.length = kRskMethodDescriptionLimit;
    }
    if (name.length > kRskMethodNameLimit) {
        xpmlog(672, 1002, name.length, name.text, kRskMethodNameLimit);
        return 1;
    }

    auto define = engine_routine<EngineSlot::rsktrnd>();
    auto install = engine_routine<EngineSlot::rsktrni>();
    auto store = catalog_routine<CatalogSlot::rssofis>();
    if (define == nullptr || install == nullptr || store == nullptr) return 1;
    RSKNAMEREC method_name{static_cast<uint16_t>(name.length), static_cast<uint16_t>(name.length),
                           const_cast<char*>(name.text)};
    RSKNAMEREC method_description{static_cast<uint16_t>(description.length),
                                  static_cast<uint16_t>(description.length), const_cast<char*>(description.text)};
    RSKCATOBJ* object = nullptr;
    if (define(con, &object, &method_name, &method_description, kind >= 1 && kind <= 8 ? kKindLetters[kind - 1] : 'N', nullptr) != 0 ||
        object == nullptr)
        return 1;
    auto* method = static_cast<RSKGENTRANS*>(object->object);

    int count = 0;
    std::string source = method_source(node, name, kind, description.text, description.length, &count);
    // Compiled now, not at the next rebuild, so that a broken method fails its own statement.
    const uint8_t deferred = con->methods_deferred;
    con->methods_deferred = 0;
    int result = install(con, method, source.data(), source.size(), count, 0, nullptr, 0, 2);
    con->methods_deferred = deferred;
    if (result != 0) return result;
    if (store(con, object, 0) != 0) {
        xpmlog(670, 1090, 6, "method", name.length, name.text);
        return 1;
    }
    return 0;
}

}  // namespace zozu
