// Uniform numbers of a random stream: the MT19937 twist and tempering, zero words skipped so
// that every number lies strictly between 0 and 1; single and array modes of zrndmt.
#include "common/random/random_stream.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int kWords = 624;
constexpr int kMiddle = 397;
constexpr uint32_t kUpper = 0x80000000u;
constexpr uint32_t kLower = 0x7FFFFFFFu;

// Regenerate all 624 words of the state.
void twist_all(mt_state* st) {
    uint32_t* w = st->words;
    int k = 0;
    for (; k < kWords - kMiddle; ++k) {
        uint32_t y = (w[k] & kUpper) | (w[k + 1] & kLower);
        w[k] = w[k + kMiddle] ^ (y >> 1) ^ st->twist[y & 1u];
    }
    for (; k < kWords - 1; ++k) {
        uint32_t y = (w[k] & kUpper) | (w[k + 1] & kLower);
        w[k] = w[k + (kMiddle - kWords)] ^ (y >> 1) ^ st->twist[y & 1u];
    }
    uint32_t y = (w[kWords - 1] & kUpper) | (w[0] & kLower);
    w[kWords - 1] = w[kMiddle - 1] ^ (y >> 1) ^ st->twist[y & 1u];
    st->index = 0;
}

inline uint32_t next_word(mt_state* st) {
    if (st->index >= kWords) twist_all(st);
    uint32_t y = st->words[st->index++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}

}  // namespace

double rnd_uniform(mt_state* st) {
    uint32_t w;
    do {
        w = next_word(st);
    } while (w == 0);
    return static_cast<double>(w) * (1.0 / 4294967296.0);
}

double zrndmt(random_stream* stream) {
    stream->status = RND_OK;
    if (stream->output) {
        if (stream->count < 0) {
            stream->status = RND_BAD_COUNT;
            xebug("zrndmt: negative count %i.", stream->count);
            return qor::missing();
        }
        for (int32_t i = 0; i < stream->count; ++i) stream->output[i] = rnd_uniform(stream->state);
        return 0.0;
    }
    if (stream->count != 1) {
        // A count other than 1 needs an output array; a silent 1.0 would pass for a number.
        stream->status = RND_NO_OUTPUT;
        xebug("zrndmt: count %i without an output array.", stream->count);
        return qor::missing();
    }
    return rnd_uniform(stream->state);
}
