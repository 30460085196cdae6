#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "support/InputStream.h"
#include "support/OutputStream.h"

namespace supportio {

// Bytes from memory, at most chunk bytes per read, so that tests decide where the reader's
// buffer refills fall.
class MemoryInputStream : public InputStream {
public:
    explicit MemoryInputStream(std::string bytes, int chunk = 1 << 30) : bytes_(std::move(bytes)), chunk_(chunk) {}

    int read(char* buffer, int maximum) override {
        const std::size_t count = std::min({static_cast<std::size_t>(maximum), static_cast<std::size_t>(chunk_),
                                            bytes_.size() - offset_});
        std::memcpy(buffer, bytes_.data() + offset_, count);
        offset_ += count;
        ++reads;
        return static_cast<int>(count);
    }
    void close() override { ++closes; }

    int reads = 0;
    int closes = 0;

private:
    std::string bytes_;
    int chunk_;
    std::size_t offset_ = 0;
};

// Records every write separately.
class MemoryOutputStream : public OutputStream {
public:
    int write(const char* bytes, int count) override {
        writes.emplace_back(bytes, static_cast<std::size_t>(count));
        return count;
    }
    void flush() override { ++flushes; }
    void close() override { ++closes; }

    std::string all() const {
        std::string joined;
        for (const auto& w : writes) joined += w;
        return joined;
    }

    std::vector<std::string> writes;
    int flushes = 0;
    int closes = 0;
};

}  // namespace supportio
