// The ENVIRONMENT (ENV) statement: opens or creates an environment with its parents, sets its
// AUTOSAVE and SAMPLE marks, or, without a name, saves the environment in use (SAVE, SAVEAS=).
#include <string>

#include "engine/model/options/engine_options.h"
#include "engine/tables/catalog_records.h"
#include "engine/tables/catalog_table.h"
#include "host/print.h"
#include "procedure/zozu_dispatch.h"
#include "procedure/zozu_fields.h"

namespace zozu {

namespace {

// The text of a text or name-list operand ("" when absent).
std::string text_of(const statement_node* node, int field) {
    const operand_field* f = qor_operand(node, field);
    if (f == nullptr || !f->given || f->value == nullptr || f->used <= 0) return {};
    std::string text(static_cast<const char*>(f->value), static_cast<size_t>(f->used));
    while (!text.empty() && (text.back() == ' ' || text.back() == '\0')) text.pop_back();
    return text;
}

// A name list operand: its NUL-separated bytes and their count.
const operand_field* names_of(const statement_node* node, int field) {
    const operand_field* f = qor_operand(node, field);
    return f != nullptr && f->given && f->used > 0 ? f : nullptr;
}

// The location rssenvl resolves: the statement's path, then the name.
std::string location(const std::string& path, const std::string& name) {
    if (path.empty()) return name;
    return path.back() == '/' ? path + name : path + "/" + name;
}

void set_autosave(RSKCON* con, int on) {
    if (con->options != nullptr) con->options->current.autosave = static_cast<uint8_t>(on);
    if (auto store = catalog_routine<CatalogSlot::rssopta>()) store(con);
}

int save_current(RSKCON* con, const statement_node* node) {
    if (con->temporary_environment) {
        xpmlog(670, 1016);
        return 0;
    }
    if (con->current_environment == nullptr) {
        xebug("ENVIRONMENT statement but current_env==NULL.");
        return 1;
    }
    if (const operand_field* saveas = qor_operand(node, kEnvFieldSaveAs); saveas != nullptr && saveas->given) {
        std::string name = location(text_of(node, kEnvFieldPath), text_of(node, kEnvFieldSaveAs));
        if (text_of(node, kEnvFieldSaveAs).empty()) {
            xpmlog(670, 1013);
            return 1;
        }
        std::string outpath = text_of(node, kEnvFieldOutPath);
        auto save_as = catalog_routine<CatalogSlot::rssensa>();
        if (save_as == nullptr || save_as(con, name.data(), static_cast<int>(name.size()),
                                          outpath.empty() ? nullptr : outpath.data(),
                                          static_cast<int>(outpath.size())) != 0) {
            xpmlog(670, 1017, static_cast<int>(name.size()), name.data());
            return 1;
        }
        return 0;
    }
    auto save = catalog_routine<CatalogSlot::rssenva>();
    if (save == nullptr || save(con) != 0) {
        xpmlog(670, 1018);
        return 1;
    }
    return 0;
}

}  // namespace

int environment_stmt(RSKCON* con, statement_node* node) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    const operand_field* new_field = qor_operand(node, kEnvFieldNew);
    const operand_field* open_field = qor_operand(node, kEnvFieldOpen);
    bool create = new_field != nullptr && new_field->given;
    bool open = open_field != nullptr && open_field->given;
    int rc = 0;
    if (create || open) {
        std::string name = text_of(node, create ? kEnvFieldNew : kEnvFieldOpen);
        if (name.empty()) {
            xpmlog(670, 1013);
            if (auto temporary = catalog_routine<CatalogSlot::rssenvt>()) temporary(con);
            return 1;
        }
        std::string path = text_of(node, kEnvFieldPath);
        std::string where = location(path, name);
        std::string description = text_of(node, kFieldDesc);
        std::string outpath = text_of(node, kEnvFieldOutPath);
        const operand_field* inherit = names_of(node, kEnvFieldInherit);
        const operand_field* include = names_of(node, kEnvFieldInclude);
        auto choose = catalog_routine<CatalogSlot::rssenvl>();
        int chosen = choose == nullptr
                         ? 1
                         : choose(con, where.data(), static_cast<int>(where.size()),
                                  description.empty() ? nullptr : description.data(), static_cast<int>(description.size()),
                                  inherit != nullptr ? static_cast<const char*>(inherit->value) : nullptr,
                                  inherit != nullptr ? inherit->used : 0,
                                  include != nullptr ? static_cast<const char*>(include->value) : nullptr,
                                  include != nullptr ? include->used : 0, 0, create ? 1 : 0,
                                  outpath.empty() ? nullptr : outpath.data(), static_cast<int>(outpath.size()));
        if (chosen != 0) {
            xpmlog(670, create ? 1015 : 1014, static_cast<int>(name.size()), name.data());
            return 1;
        }
        if (qor_option_bit(node, kEnvBitAutoSave)) set_autosave(con, 1);
        if (qor_option_bit(node, kEnvBitNoAutoSave)) set_autosave(con, 0);
        if (qor_option_bit(node, kEnvBitSample) || qor_option_bit(node, kEnvBitNoSample)) {
            const RSKENV* marked = con->held_environment != nullptr ? con->held_environment : con->current_environment;
            auto sample = catalog_routine<CatalogSlot::rssensm>();
            if (sample != nullptr && marked != nullptr)
                sample(con, marked->name.buffer, marked->name.name.length, marked->path.buffer,
                       marked->path.name.length, nullptr, qor_option_bit(node, kEnvBitSample) ? 1 : 0);
        }
    } else {
        rc = save_current(con, node);
        if (rc != 0 || con->temporary_environment) return rc;
    }
    const RSKENV* shown = con->held_environment != nullptr ? con->held_environment : con->current_environment;
    if (shown != nullptr) {
        bool neutral = con->generic || con->neutral_paths;
        const char* path = neutral ? "<System-specific pathname>" : shown->path.buffer;
        int path_length = neutral ? 26 : shown->path.name.length;
        xpmlog(670, 1019, static_cast<int>(shown->name.name.length), shown->name.buffer, path_length, path);
    }
    return rc;
}

}  // namespace zozu
