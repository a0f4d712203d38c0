// The sort of PROC SORT: each chunk of observations that fits the memory limit is sorted
// stably through (key prefix, position) entries; when the input needs more than one chunk, each
// becomes a run file and the runs are merged in order, ties going to the earlier run.
#include "runtime/procs/sort_records.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <queue>

#include "host/missing.h"
#include "host/print.h"

namespace qor::runtime {

namespace {

constexpr size_t kEntryBytes = 2 * sizeof(uint64_t) + sizeof(size_t);
constexpr size_t kRunBufferBytes = 1 << 16;

// A sorted run on disk: removed when the object goes.
class RunFile {
public:
    RunFile() = default;
    RunFile(const RunFile&) = delete;
    RunFile& operator=(const RunFile&) = delete;
    ~RunFile() {
        if (file_) std::fclose(file_);
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    bool create(const std::string& directory, const char* proc) {
        std::string pattern = directory + "/.sortrun-XXXXXX";
        int fd = ::mkstemp(pattern.data());
        if (fd < 0 || (file_ = ::fdopen(fd, "w+b")) == nullptr) {
            xpslog("%1zPROC %s: a sorted run cannot be created in %s: %s.", proc, directory.c_str(),
                   std::strerror(errno));
            if (fd >= 0) ::close(fd);
            return false;
        }
        path_ = pattern;
        return true;
    }
    bool write(const unsigned char* bytes, size_t n, const char* proc) {
        if (std::fwrite(bytes, 1, n, file_) == n) return true;
        xpslog("%1zPROC %s: a sorted run cannot be written to %s: %s.", proc, path_.c_str(), std::strerror(errno));
        return false;
    }
    // Ready for reading from the start: false after a message.
    bool rewind(const char* proc) {
        if (std::fflush(file_) == 0 && std::fseek(file_, 0, SEEK_SET) == 0) return true;
        xpslog("%1zPROC %s: a sorted run in %s cannot be read back: %s.", proc, path_.c_str(), std::strerror(errno));
        return false;
    }
    FILE* file() const { return file_; }
    const std::string& path() const { return path_; }

private:
    FILE* file_ = nullptr;
    std::string path_;
};

// Sequential reading of a run, a buffer at a time.
class RunCursor {
public:
    RunCursor(RunFile* run, size_t record_length)
        : run_(run), length_(record_length), buffer_(std::max(record_length, kRunBufferBytes / record_length * record_length)) {}
    // The next observation, or null at the end (failure sets *failed).
    const unsigned char* next(const char* proc, bool* failed) {
        if (at_ + length_ > filled_) {
            filled_ = std::fread(buffer_.data(), 1, buffer_.size(), run_->file());
            at_ = 0;
            if (filled_ % length_ != 0 || std::ferror(run_->file())) {
                xpslog("%1zPROC %s: a sorted run in %s cannot be read back.", proc, run_->path().c_str());
                *failed = true;
                return nullptr;
            }
            if (filled_ == 0) return nullptr;
        }
        const unsigned char* record = buffer_.data() + at_;
        at_ += length_;
        return record;
    }

private:
    RunFile* run_;
    size_t length_;
    std::vector<unsigned char> buffer_;
    size_t filled_ = 0;
    size_t at_ = 0;
};

struct Entry {
    uint64_t prefix[2];
    size_t index;
};

// Sorts a chunk of n observations stably: the entries in observation order.
std::vector<Entry> sort_chunk(const RecordOrder& order, const std::vector<unsigned char>& chunk,
                              size_t n, size_t length) {
    std::vector<Entry> entries(n);
    for (size_t i = 0; i < n; ++i) {
        order.prefix(chunk.data() + i * length, entries[i].prefix);
        entries[i].index = i;
    }
    const unsigned char* base = chunk.data();
    if (order.prefix_decides()) {
        std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
            return a.prefix[0] != b.prefix[0] ? a.prefix[0] < b.prefix[0] : a.prefix[1] < b.prefix[1];
        });
    } else {
        std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
            if (a.prefix[0] != b.prefix[0]) return a.prefix[0] < b.prefix[0];
            if (a.prefix[1] != b.prefix[1]) return a.prefix[1] < b.prefix[1];
            return order.compare(base + a.index * length, base + b.index * length) < 0;
        });
    }
    return entries;
}

// Merges runs in order into the sink; on equal keys the earlier run goes first.
bool merge_runs(const std::vector<RunFile*>& runs, const RecordOrder& order, size_t length,
                const std::function<bool(const unsigned char*)>& sink, const char* proc) {
    std::vector<std::unique_ptr<RunCursor>> cursors;
    std::vector<const unsigned char*> heads;
    bool failed = false;
    for (RunFile* run : runs) {
        if (!run->rewind(proc)) return false;
        cursors.push_back(std::make_unique<RunCursor>(run, length));
        heads.push_back(cursors.back()->next(proc, &failed));
        if (failed) return false;
    }
    auto later = [&](size_t a, size_t b) {   // the heap's top is the smallest head
        int c = order.compare(heads[a], heads[b]);
        return c != 0 ? c > 0 : a > b;
    };
    std::priority_queue<size_t, std::vector<size_t>, decltype(later)> heap(later);
    for (size_t r = 0; r < heads.size(); ++r)
        if (heads[r]) heap.push(r);
    while (!heap.empty()) {
        size_t r = heap.top();
        heap.pop();
        if (!sink(heads[r])) return false;
        heads[r] = cursors[r]->next(proc, &failed);
        if (failed) return false;
        if (heads[r]) heap.push(r);
    }
    return true;
}

}  // namespace

uint64_t number_rank(double value) {
    if (std::isnan(value)) {
        int code = qor::is_missing(value) ? qor::missing_code(value) : 0;
        return code == 95 ? 0 : static_cast<uint64_t>(code) + 1;   // ._ 0, . 1, .A-.Z 66-91
    }
    if (value == 0) value = 0;   // -0 sorts with 0
    uint64_t bits = qor::bits_of(value);
    return (bits >> 63) != 0 ? ~bits : bits | (uint64_t{1} << 63);
}

int RecordOrder::compare(const unsigned char* a, const unsigned char* b) const {
    for (const SortKey& k : keys_) {
        int c;
        if (k.numeric) {
            uint64_t x = number_rank(ds_load_number(a + k.offset, k.length));
            uint64_t y = number_rank(ds_load_number(b + k.offset, k.length));
            c = x < y ? -1 : (x > y ? 1 : 0);
        } else {
            c = std::memcmp(a + k.offset, b + k.offset, static_cast<size_t>(k.length));
        }
        if (c != 0) return k.descending ? (c < 0 ? 1 : -1) : (c < 0 ? -1 : 1);
    }
    return 0;
}

RecordOrder::RecordOrder(std::vector<SortKey> keys) : keys_(std::move(keys)) {
    size_t bytes = 0;
    for (const SortKey& k : keys_) bytes += k.numeric ? 8 : static_cast<size_t>(k.length);
    prefix_decides_ = bytes <= 16;
}

void RecordOrder::prefix(const unsigned char* record, uint64_t out[2]) const {
    unsigned char bytes[16] = {};
    size_t at = 0;
    for (const SortKey& k : keys_) {
        if (at == sizeof bytes) break;
        unsigned char key[8];
        const unsigned char* from = record + k.offset;
        size_t n = static_cast<size_t>(k.length);
        if (k.numeric) {
            uint64_t rank = number_rank(ds_load_number(from, k.length));
            for (int i = 0; i < 8; ++i) key[i] = static_cast<unsigned char>(rank >> (56 - 8 * i));
            from = key;
            n = 8;
        }
        for (size_t i = 0; i < n && at < sizeof bytes; ++i)
            bytes[at++] = k.descending ? static_cast<unsigned char>(~from[i]) : from[i];
    }
    for (int w = 0; w < 2; ++w) {
        uint64_t word = 0;
        for (int i = 0; i < 8; ++i) word = (word << 8) | bytes[8 * w + i];
        out[w] = word;
    }
}

bool sort_records(RecordReader& reader, const RecordOrder& order, size_t memory_limit,
                  const std::string& run_directory, size_t fan_in,
                  const std::function<bool(const unsigned char*)>& sink, const char* proc,
                  SortResult* result) {
    const size_t length = static_cast<size_t>(std::max(reader.record_length(), 1));
    const size_t capacity = std::max<size_t>(1, memory_limit / (length + kEntryBytes));
    std::vector<std::unique_ptr<RunFile>> runs;
    std::vector<unsigned char> chunk;
    chunk.reserve(std::min<size_t>(capacity, static_cast<size_t>(std::max<int64_t>(reader.window_count(), 1))) * length);
    for (;;) {
        chunk.clear();
        size_t n = 0;
        const unsigned char* record = nullptr;
        while (n < capacity && (record = reader.next()) != nullptr) {
            chunk.insert(chunk.end(), record, record + length);
            ++n;
        }
        if (reader.failed()) return false;
        bool last_chunk = record == nullptr;
        result->observations += static_cast<int64_t>(n);
        std::vector<Entry> entries = sort_chunk(order, chunk, n, length);
        if (last_chunk && runs.empty()) {   // everything fitted in memory
            for (const Entry& e : entries)
                if (!sink(chunk.data() + e.index * length)) return false;
            return true;
        }
        if (n > 0) {
            auto run = std::make_unique<RunFile>();
            if (!run->create(run_directory, proc)) return false;
            for (const Entry& e : entries)
                if (!run->write(chunk.data() + e.index * length, length, proc)) return false;
            runs.push_back(std::move(run));
            ++result->runs;
        }
        if (last_chunk) break;
    }
    std::vector<unsigned char>().swap(chunk);   // the merge needs only its run buffers
    fan_in = std::max<size_t>(fan_in, 2);
    // Merge passes: consecutive groups of runs become one run each, keeping the runs' order.
    while (runs.size() > fan_in) {
        ++result->merge_passes;
        std::vector<std::unique_ptr<RunFile>> merged;
        for (size_t first = 0; first < runs.size(); first += fan_in) {
            std::vector<RunFile*> group;
            for (size_t r = first; r < std::min(runs.size(), first + fan_in); ++r) group.push_back(runs[r].get());
            auto out = std::make_unique<RunFile>();
            if (!out->create(run_directory, proc)) return false;
            RunFile* target = out.get();
            auto append = [&](const unsigned char* rec) { return target->write(rec, length, proc); };
            if (!merge_runs(group, order, length, append, proc)) return false;
            merged.push_back(std::move(out));
        }
        runs.swap(merged);   // the merged runs are removed as `merged` goes
    }
    ++result->merge_passes;
    std::vector<RunFile*> all;
    for (auto& r : runs) all.push_back(r.get());
    return merge_runs(all, order, length, sink, proc);
}

}  // namespace qor::runtime
