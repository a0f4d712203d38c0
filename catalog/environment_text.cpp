// Small text helpers of the environment files: case folding, list items without their padding
// and the directory behind a library reference.
#include <cctype>

#include "catalog/environment.h"
#include "common/files/names.h"

std::string env_lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string env_upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string env_text_item(const qor_list* list, std::string_view name) {
    std::string_view value;
    if (slgnc(list, name, &value) != 0) return {};
    std::string text(value);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

bool library_directory(const char* libref, std::string* directory) {
    const char* path = nullptr;
    int length = 0;
    if (zlib2ph(libref, &path, &length) != 0 || path == nullptr) return false;
    directory->assign(path, static_cast<size_t>(length));
    return true;
}
