// Property blocks of stored objects: the description (at most 256 bytes, in the control
// structure's current pool) and the state and time of its last change.
#include <cstring>

#include "catalog/entry_table.h"
#include "common/memory/pool_memory.h"

int rssptyd(RSKCON* con, RSKPROPS* block, const RSKNAMEREC* description, const RSKPROPS* source) {
    if (block->state == 0) {
        block->description_capacity = 0;
        block->description_length = 0;
        block->description = nullptr;
    }
    if (description != nullptr) {
        int length = static_cast<int16_t>(description->length);
        if (length < 0 || description->text == nullptr) length = 0;
        if (length > kRskDescriptionLimit) length = kRskDescriptionLimit;
        if (length > block->description_capacity) {
            if (block->description != nullptr)
                vmfree_handler(con->current_pool, block->description, block->description_capacity,
                               QOR_FREE_SIZED);
            block->description_capacity = 0;
            block->description = static_cast<char*>(
                vmalcp_handler(con->current_pool, static_cast<size_t>(length), QOR_ALLOC_PLAIN));
            if (block->description != nullptr) block->description_capacity = static_cast<uint16_t>(length);
        }
        if (block->description == nullptr) {
            block->description_length = 0;   // no memory: the description stays empty
        } else {
            if (length > 0) std::memcpy(block->description, description->text, static_cast<size_t>(length));
            block->description_length = static_cast<int16_t>(length);
        }
    }
    if (source != nullptr) {
        block->state = source->state;
        block->modified = source->modified;
    } else {
        block->state = 1;
    }
    return 0;
}
