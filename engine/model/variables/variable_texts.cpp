// Registry texts for the variable messages, trimmed of their blank padding.
#include "engine/model/variables/variable_texts.h"

#include <cstring>

#include "engine/model/registries/code_registries.h"

RskText trimmed(const char* text, int length) {
    if (text == nullptr) return {0, ""};
    if (length < 0) length = static_cast<int>(std::strlen(text));
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\0')) --length;
    return {length, text};
}

RskText kind_text(RSKCON* con, uint32_t kind) {
    const char* text = nullptr;
    int length = rskcsvk(con, static_cast<int>(kind), &text);
    return trimmed(text, length);
}

RskText type_text(RSKCON* con, uint32_t type) {
    const char* text = nullptr;
    int length = rskcsdt(con, static_cast<int>(type), &text);
    return trimmed(text, length);
}

RskText role_text(RSKCON* con, uint32_t role) {
    const char* text = nullptr;
    int length = rskcsva(con, static_cast<int>(role), &text);
    return trimmed(text, length);
}

RskText role_name(RSKCON* con, uint32_t role) {
    const char* text = nullptr;
    int length = rskcnva(con, static_cast<int>(role), &text);
    return trimmed(text, length);
}
