// RUNQORFILE: includes a program file in the step: a file reference as written, or a quoted path
// that gets ".qor" unless it already ends so (in any case).
#include <strings.h>

#include <cstring>
#include <string>

#include "procedure/run_definitions.h"
#include "procedure/run_statements.h"

namespace zozu {

namespace {
const char kSuffix[] = ".qor";
constexpr int kSuffixLength = 4;
}  // namespace

int qor_file_name(const char* path, int length, char* out, int capacity) {
    const bool has_suffix =
        length > kSuffixLength && strncasecmp(path + length - kSuffixLength, kSuffix, kSuffixLength) == 0;
    const int total = has_suffix ? length : length + kSuffixLength;
    if (length < 0 || total + 1 > capacity) return -1;
    std::memcpy(out, path, static_cast<size_t>(length));
    if (!has_suffix) std::memcpy(out + length, kSuffix, kSuffixLength);
    out[total] = '\0';
    return total;
}

int runqorfile_stmt(RSKCON* con, statement_node* node) {
    const OperandText reference = operand_text(node, kRunFileFieldRef);
    std::string file;
    if (reference.length > 0) {
        file.assign(reference.text, static_cast<size_t>(reference.length));
    } else {
        const OperandText path = operand_text(node, kRunFileFieldPath);
        if (path.length == 0) {
            xpmlog(670, 1093, 0, "");
            return 1;
        }
        file.resize(static_cast<size_t>(path.length) + kSuffixLength + 1);
        const int length = qor_file_name(path.text, path.length, file.data(), static_cast<int>(file.size()));
        file.resize(static_cast<size_t>(length));
    }
    const int rc = engine_call<EngineSlot::rsksfde>(1, con, file.c_str(), static_cast<int>(file.size()));
    if (rc != 0) xpmlog(670, 1093, static_cast<int>(file.size()), file.c_str());
    return rc;
}

}  // namespace zozu
