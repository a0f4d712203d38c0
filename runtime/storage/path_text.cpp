// Text helpers of the library and file services: argument texts, name fields and the absolute
// form of paths that the registries keep.
#include "runtime/storage/path_text.h"

#include <cctype>
#include <cstring>
#include <filesystem>

namespace qor::runtime {

std::string_view argument_text(const char* text, int length) {
    if (!text) return {};
    if (length < 0) return std::string_view(text, std::strlen(text));
    return std::string_view(text, static_cast<size_t>(length));
}

std::string name_field(const char* field) {
    std::string out;
    if (!field) return out;
    for (int i = 0; i < 8 && field[i] != '\0'; ++i)
        out += static_cast<char>(std::toupper(static_cast<unsigned char>(field[i])));
    // Blanks around the name carry no meaning; blanks inside it make it an invalid name.
    size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

void store_field(const std::string& name, char* field) {
    for (size_t i = 0; i < 8; ++i) field[i] = i < name.size() ? name[i] : ' ';
}

std::string absolute_path(std::string_view path) {
    if (path.empty()) return "";
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(std::filesystem::path(path), ec);
    if (ec) p = std::filesystem::path(path);
    std::string out = p.lexically_normal().string();
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

}  // namespace qor::runtime
