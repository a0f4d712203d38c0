// Lines a pricing block keeps for the calling thread: PUT lines and run errors of its program and
// the states that failed, written after the wait block by block, so in state order, under the
// run's cap of ten failure messages, whatever the number of threads.
#include <cstring>

#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/program_phases.h"
#include "engine/model/types/instrument_types.h"
#include "engine/run/pricing.h"
#include "host/pool.h"
#include "host/print.h"

namespace {

// One kept line: its kind and its length, then the text padded to 4 bytes.
struct LineHeader {
    int32_t kind;
    int32_t length;
};

size_t padded(size_t n) { return (n + 3) & ~static_cast<size_t>(3); }

// Room for `bytes` more in the block's buffer: a larger one from the kit pool (thread-safe), the
// old one left to the pool, which goes with the run.
bool make_room(RSKCON* con, RSKTHREADCTL* block, size_t bytes) {
    if (block->lines_length + bytes <= block->lines_capacity) return true;
    size_t capacity = block->lines_capacity < 1024 ? 1024 : 2 * block->lines_capacity;
    while (capacity < block->lines_length + bytes) capacity *= 2;
    qor_pool* pool = con->kit_pool;
    auto* lines = pool != nullptr ? static_cast<uint8_t*>(pool->allocate(pool, capacity, 0)) : nullptr;
    if (lines == nullptr) return false;
    if (block->lines_length > 0) std::memcpy(lines, block->lines, block->lines_length);
    block->lines = lines;
    block->lines_capacity = capacity;
    return true;
}

// The print hook of a block's instance: PUT lines are kept.
void keep_put_line(void* user, const char* line, int length) {
    auto* sink = static_cast<RSKLINESINK*>(user);
    rskex_keep_line(sink->con, sink->block, RSKLINE_TEXT, line, length);
}

void write_text(RSKCON* con, const char* text, int length) {
    RSKCMPCON* h = con->compile_handle;
    cmp_print_fn print = h != nullptr ? h->compilation.hooks.print : nullptr;
    if (print != nullptr) print(h->compilation.hooks.user, text, length);
    else xpslog("%*s", length, text);
}

}  // namespace

void rskex_keep_line(RSKCON* con, RSKTHREADCTL* block, int kind, const char* text, int length) {
    if (length < 0) length = 0;
    const size_t bytes = sizeof(LineHeader) + padded(static_cast<size_t>(length));
    if (!make_room(con, block, bytes)) {
        ++block->lines_lost;
        return;
    }
    LineHeader header{kind, length};
    std::memcpy(block->lines + block->lines_length, &header, sizeof header);
    if (length > 0) std::memcpy(block->lines + block->lines_length + sizeof header, text, static_cast<size_t>(length));
    block->lines_length += bytes;
}

void rskex_error_line(void* user, const char* line, int length) {
    auto* sink = static_cast<RSKLINESINK*>(user);
    rskex_keep_line(sink->con, sink->block, RSKLINE_TEXT, line, length);
}

void rskex_capture(RSKCON* con, RSKTHREADCTL* block, RSKLINESINK* sink) {
    sink->con = con;
    sink->block = block;
    if (block->record != nullptr && block->record->instance != nullptr)
        cmpdest(block->record->instance, keep_put_line, sink);
    rsk_set_error_sink(rskex_error_line, sink);
}

void rskex_release(RSKTHREADCTL* block) {
    if (block->record != nullptr && block->record->instance != nullptr) cmpdest(block->record->instance, nullptr, nullptr);
    rsk_set_error_sink(nullptr, nullptr);
}

void rskex_write_lines(RSKCON* con, RSKTHREADCTL* block) {
    RSKPRICERUN& p = con->run_block->pricing;
    size_t at = 0;
    while (at + sizeof(LineHeader) <= block->lines_length) {
        LineHeader header{};
        std::memcpy(&header, block->lines + at, sizeof header);
        const char* text = reinterpret_cast<const char*>(block->lines + at + sizeof header);
        at += sizeof header + padded(static_cast<size_t>(header.length));
        if (header.kind == RSKLINE_TEXT) {
            write_text(con, text, header.length);
        } else if (p.failures++ < kRskPricingMessageCap) {
            xpmlog(598, 3404);
            if (p.type != nullptr) rskactp(con, &p.type->price, 1, 0);
        }
    }
    if (block->lines_lost > 0)
        xpslog("NOTE: %i lines of the pricing threads could not be kept (out of memory).", block->lines_lost);
    block->lines_length = 0;
    block->lines_lost = 0;
}
