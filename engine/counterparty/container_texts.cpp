// Text copies of the counterparty and mitigation records: allocated from the container's pool
// with their terminating NUL and given back with the same size.
#include "engine/counterparty/container_texts.h"

#include <cstring>

#include "common/memory/pool_memory.h"

char* rsk_text_copy_n(qor_pool* pool, const char* text, int length) {
    if (pool == nullptr || text == nullptr || length < 0) return nullptr;
    auto* copy = static_cast<char*>(vmalcp_handler(pool, static_cast<size_t>(length) + 1, QOR_ALLOC_ZERO));
    if (copy == nullptr) return nullptr;
    std::memcpy(copy, text, static_cast<size_t>(length));
    return copy;
}

char* rsk_text_copy(qor_pool* pool, const char* text) {
    return text != nullptr ? rsk_text_copy_n(pool, text, static_cast<int>(std::strlen(text))) : nullptr;
}

void rsk_text_free(qor_pool* pool, char* text) {
    if (pool != nullptr && text != nullptr) vmfree_handler(pool, text, std::strlen(text) + 1, QOR_FREE_SIZED);
}
