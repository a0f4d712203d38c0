// READ's input sources: the run of a project asks each container for the input source named
// after its portfolio file, so a READ that writes that file records one in every loaded
// container whose source list it read; the source holds the container's data sets of the list.
#include "procedure/read_input_sources.h"

#include <cstring>

#include "common/hash/hash_table.h"
#include "engine/tables/counterparty_records.h"
#include "host/print.h"
#include "procedure/container_access.h"
#include "procedure/engine_calls.h"

namespace zozu {

namespace {

constexpr int kInputSourceTableSize = 100;

void release_text(RSKCON* con, char* text) {
    if (text != nullptr) con->current_pool->release(con->current_pool, text, std::strlen(text) + 1, QOR_FREE_SIZED);
}

int record_in(RSKCON* con, const ContainerFamily& family, const char* file, const char* list) {
    if (!container_loaded(con, family)) return 0;
    ContainerView view = container_view(con, family);
    const hash_item* found = *view.sources != nullptr ? zozu::hash_query(*view.sources, list) : nullptr;
    const auto* source = found != nullptr ? static_cast<const RSKCPTYSOURCE*>(found->value) : nullptr;
    if (source == nullptr) return 0;   // the list names none of this container's data sets
    hash_table** inputs = family.counterparty ? &con->cpty_container->input_sources : &con->mit_container->input_sources;
    const int word = static_cast<int>(std::strlen(family.word));
    if (!ensure_table(con, inputs, kInputSourceTableSize)) {
        xpmlog(598, 7746, word, family.word);
        return 1;
    }
    char* source_name = copy_text(con, source->name);
    if (source_name == nullptr) {
        xpmlog(598, 7746, word, family.word);
        return 1;
    }
    if (const hash_item* held = zozu::hash_query(*inputs, file)) {
        // READ again into the same file: the input source follows the list read last.
        auto* input = static_cast<RSKCPTYINSRC*>(held->value);
        release_text(con, input->source);
        input->source = source_name;
        input->datasets = source->datasets;
        return 0;
    }
    auto* input = static_cast<RSKCPTYINSRC*>(
        con->current_pool->allocate(con->current_pool, sizeof(RSKCPTYINSRC), QOR_ALLOC_ZERO));
    char* name = input != nullptr ? copy_text(con, file) : nullptr;
    if (name == nullptr || insert_item(con, *inputs, name, input) != 0) {
        release_text(con, name);
        release_text(con, source_name);
        if (input != nullptr) con->current_pool->release(con->current_pool, input, sizeof *input, QOR_FREE_SIZED);
        xpmlog(598, 7746, word, family.word);
        return 1;
    }
    input->name = name;
    input->source = source_name;
    input->datasets = source->datasets;
    return 0;
}

}  // namespace

int record_input_sources(RSKCON* con, const OperandText& file, const OperandText& source_list) {
    char file_key[kContainerNameLimit + 1], list_key[kContainerNameLimit + 1];
    upper_name(file.text, file.length, file_key);
    upper_name(source_list.text, source_list.length, list_key);
    if (file_key[0] == 0 || list_key[0] == 0) return 0;
    int rc = record_in(con, kCounterpartyFamily, file_key, list_key);
    const int mitigation = record_in(con, kMitigationFamily, file_key, list_key);
    return mitigation > rc ? mitigation : rc;
}

}  // namespace zozu
