// The rights code of an object that a definition statement creates: the statement's access
// options (bits 11-20) give owner, group and others' rights; a guest always grants others all.
#include "procedure/zozu_dispatch.h"

namespace zozu {

int get_security_access(RSKCON* con, const statement_node* node) {
    int code = 0;
    if (qor_option_bit(node, 11)) {
        code = qor_option_bit(node, 12) ? 768 : 512;
        static constexpr int kAdds[] = {128, 64, 32, 16, 8, 4, 2, 1};   // bits 13 .. 20
        for (int i = 0; i < 8; ++i)
            if (qor_option_bit(node, 13 + i)) code += kAdds[i];
    }
    if (con->guest) code |= 7;
    return code;
}

}  // namespace zozu
