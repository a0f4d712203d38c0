// Property blocks of stored objects: the description (at most 256 bytes, in the control
// structure's current pool), the state and time of its last change, and their "PROPERTIES" items.
#include <cmath>
#include <cstring>

#include "catalog/access_rights.h"
#include "catalog/catalog_settings.h"
#include "common/memory/pool_memory.h"
#include "host/catalog.h"
#include "host/kernel.h"
#include "host/print.h"

int rssptyd(RSKCON* con, RSKPROPS* block, const RSKNAMEREC* description, const RSKPROPS* source) {
    if (block->state == 0) {
        block->description_capacity = 0;
        block->description_length = 0;
        block->description = nullptr;
    }
    if (description != nullptr) {
        int length = description->length;
        if (description->text == nullptr) length = 0;
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
            if (length > 0) std::memmove(block->description, description->text, static_cast<size_t>(length));
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

int rssptyg(RSKCON*, const RSKPROPS* block, qor_list_id list_id) {
    qor_list* list = slistp(list_id);
    if (list == nullptr) return 1;
    size_t length = block->description != nullptr && block->description_length > 0
                        ? static_cast<size_t>(block->description_length)
                        : 0;
    int code = slinsc(list, std::string_view(block->description, length), QOR_SL_APPEND, "DESC");
    if (code == 0) code = slinsd(list, block->modified, QOR_SL_APPEND, "MODIFIED");
    return code != 0 ? 1 : 0;
}

int rssptya(RSKCON* con, RSKPROPS* block, qor_list_id list_id) {
    if (block->state == 2) return 0;   // taken from the catalog already
    const qor_list* list = slistp(list_id);
    qor_list* properties = nullptr;
    double modified = 0;
    std::string_view text;
    bool found = false;
    // Items that are absent or of another type count as not stored.
    if (list != nullptr && slgnl(list, "PROPERTIES", &properties) == 0 && properties != nullptr) {
        found = slgnc(properties, "DESC", &text) == 0;
        if (slgnd(properties, "MODIFIED", &modified) != 0 || !std::isfinite(modified)) modified = wzdttme();
    } else {
        modified = wzdttme();
    }
    RSKPROPS source{};
    source.state = 2;
    source.modified = modified;
    if (!found && block->state == 1 && block->description_length > 0) {
        rssptyd(con, block, nullptr, &source);   // the block's own text stays
        return 0;
    }
    RSKNAMEREC description{0, static_cast<uint16_t>(text.size() > 65535 ? 65535 : text.size()),
                           const_cast<char*>(text.data())};
    rssptyd(con, block, &description, &source);
    return 0;
}

int rssptys(RSKCON* con, RSKENV* environment, const RSKNAMEREC* name, int32_t kind, const RSKPROPS* block,
            const RSKSEC* security) {
    char entry[kEntryNameLimit + 1];
    int length = rss_entry_name(environment, name->text, name->length, kind, entry);
    if (length <= 0) return 1;
    if (rssseck(con, environment) != 0) return 1;   // 598/3801: the entry stays as it is
    std::string_view entry_name(entry, static_cast<size_t>(length));
    qor_list* list = nullptr;
    if (slnewl(&list, nullptr, 84) == 0) {
        xpmlog(598, 113, 7, "rssptys");
        return 1;
    }
    int result = slofile(list, entry_name, 'R') != 0 ? 1 : 0;
    qor_list* properties = nullptr;
    if (result == 0) {
        if (slgnl(list, "PROPERTIES", &properties) == 0 && properties != nullptr) {
            slclear(properties);
        } else if (slnewl(&properties, nullptr, 84) == 0) {
            xpmlog(598, 113, 7, "rssptys");
            result = 1;
        } else {
            // A "PROPERTIES" item of another type is replaced by the sublist.
            result = slsnl(list, "PROPERTIES", slid(properties)) != 0 ? 1 : 0;
            sldel(properties, 0);
        }
    }
    if (result == 0) result = rssptyg(con, block, slid(properties));
    if (result == 0 && security != nullptr) result = rsssecg(con, security, slid(list));
    if (result == 0) result = slofile(list, entry_name, 'W') != 0 ? 1 : 0;
    if (result == 0) {
        con->catalog_changed = 1;
        con->environment_changed = 1;
    }
    sldel(list, 0);
    return result;
}
