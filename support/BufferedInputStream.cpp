#include "support/BufferedInputStream.h"

#include <climits>
#include <cstring>
#include <new>

#include "support/IOException.h"
#include "support/InputStream.h"

namespace {

constexpr int kInitialCapacity = 1000;
constexpr char kLineFeed = '\n';
constexpr char kCarriageReturn = '\r';

// Reads into buffer from offset until capacity is reached or the source ends. Returns the new
// end: -1 when the buffer is full (the source may have more), else one past the last byte.
int fill(InputStream& source, char* buffer, int capacity, int offset) {
    for (;;) {
        const int asked = capacity - offset;
        const int count = source.read(buffer + offset, asked);
        if (count <= 0) return offset;
        if (count >= asked) return -1;
        offset += count;
    }
}

// Drops one CR at the end of the line [start, start + length) and returns the new length.
int stripCarriageReturn(char* start, int length) {
    if (length > 0 && start[length - 1] == kCarriageReturn) {
        start[length - 1] = '\0';
        return length - 1;
    }
    return length;
}

}  // namespace

int doubledCapacity(int capacity) {
    if (capacity <= 0 || capacity > (INT_MAX - 1) / 2) return -1;
    return 2 * capacity;
}

BufferedInputStream::BufferedInputStream(InputStream& source)
    : buffer_(new char[kInitialCapacity + 1]),
      capacity_(kInitialCapacity),
      position_(0),
      end_(-1),
      source_(source) {
    end_ = fill(source_, buffer_.get(), capacity_, 0);
}

BufferedInputStream::~BufferedInputStream() = default;

const char* BufferedInputStream::readLine(int& length) {
    for (;;) {
        const int limit = end_ >= 0 ? end_ : capacity_;
        if (position_ == end_) {
            length = 0;
            return nullptr;
        }
        char* const start = buffer_.get() + position_;
        const void* const lineFeed = std::memchr(start, kLineFeed, static_cast<std::size_t>(limit - position_));
        if (lineFeed) {
            const int index = static_cast<int>(static_cast<const char*>(lineFeed) - buffer_.get());
            buffer_[index] = '\0';
            length = stripCarriageReturn(start, index - position_);
            position_ = index + 1;
            return start;
        }
        if (end_ >= 0) {
            // The source is exhausted: the rest is the last line, without a line end. The
            // buffer's extra byte takes the terminator when end_ equals the capacity.
            const int lineLength = end_ - position_;
            position_ = end_;
            buffer_[end_] = '\0';
            length = stripCarriageReturn(start, lineLength);
            return start;
        }
        if (position_ > 0) {
            // Move the started line to the front and read on behind it.
            const int kept = capacity_ - position_;
            std::memmove(buffer_.get(), start, static_cast<std::size_t>(kept));
            position_ = 0;
            end_ = fill(source_, buffer_.get(), capacity_, kept);
        } else {
            // One line longer than the whole buffer: double it, keeping what was read.
            const int newCapacity = doubledCapacity(capacity_);
            if (newCapacity < 0) throw notEnoughMemory();
            char* const newBuffer = new (std::nothrow) char[static_cast<std::size_t>(newCapacity) + 1];
            if (!newBuffer) throw notEnoughMemory();
            std::memcpy(newBuffer, buffer_.get(), static_cast<std::size_t>(capacity_));
            buffer_.reset(newBuffer);
            const int oldCapacity = capacity_;
            capacity_ = newCapacity;
            end_ = fill(source_, buffer_.get(), capacity_, oldCapacity);
        }
    }
}

void BufferedInputStream::close() { source_.close(); }
